// Rules of the main window's navigation that need no window: where a URL opens, which tab
// shows after a close and the search request's query value.
#pragma once

#include <string>

// Where GotoUrl opens a URL.
enum class TNavTarget {
    OutsideBrowser, // Shift alone: the browser last chosen in the Open-with menu
    NewTab,         // Ctrl alone, a forced new tab, or no tab at all: a new tab after the active one
    ActiveTab
};
// TabJustCreated: a tab was made for this navigation already (no second one).
TNavTarget NavTargetOf(bool ShiftAlone, bool CtrlAlone, bool ForceNewTab, bool TabJustCreated, int TabCount);

// The tab to show after tab Index of Count closes while Active is the active one: the same
// position (at most the new last tab) when the active tab closes, else none (-1). -1 also
// when the close is not allowed: Index out of range, or the last tab.
int TabAfterClose(int Index, int Active, int Count);

// The "query" value of a full-text search for Text (blanks around it removed): '%' and '&'
// escaped so that the agent reads back exactly the text typed, non-ASCII characters as UTF-8
// escapes. (The agent URL builder escapes '#', '+' and brackets.)
std::wstring SearchQueryValue(const std::wstring& Text);
