// The navigation pane's widths and the splitter beside it, and the status bar's text panel.
#pragma once

// The pane's width when no earlier width is known.
constexpr int DefaultPaneWidth = 283;
// A pane narrower than this counts as collapsed (and, by its left edge, as on the left).
constexpr int CollapsedPaneWidth = 11;

// Collapse or restore: a collapsed pane gets its last width back (283 when none is known),
// an open one collapses to 0.
int ToggledPaneWidth(int PaneWidth, int LastPaneWidth);

// Where the splitter has to go after a move or a resize: the pane on the right (left edge
// over 30) wants the splitter left of it, the pane on the left wants it right of it.
// Returns the splitter's new left edge, or -1 when it is on the right side already.
int SplitterFixLeft(int PaneLeft, int PaneWidth, int SplitterLeft, int SplitterWidth);
// The last pane width after a move: the pane width when it is above the splitter's minimum
// size, else the last width unchanged.
int RememberedPaneWidth(int PaneWidth, int MinSize, int LastPaneWidth);

// Moving the pane to the other side: true when it goes to the right (it is on the left now).
bool PaneGoesRight(int PaneLeft);
// The splitter's left edge after the move.
int SplitterLeftAfterSideChange(bool ToRight, int PaneWidth);

// The page beside an open pane keeps three fifths of a narrow window's width and at least
// PageKeepsWidth of a wide one: the widest the pane is shown in a window of ClientWidth.
constexpr int PageKeepsWidth = 640;
int PaneWidthCap(int ClientWidth);
// The width an open pane is shown with: the width it was given, as far as the cap lets it
// (the width given stays what the settings keep).
int ShownPaneWidth(int PaneWidth, int ClientWidth);

// The status text panel takes what the other two leave (never below 0).
int StatusTextPanelWidth(int BarWidth, int Panel1Width, int Panel2Width);
