// Right-to-left layout for Hebrew and Arabic: the decision from the interface language and
// the main window's part of the switch (the application's reading order, the mirrored
// window, three controls anchored anew). Each browser frame follows on its own.
#pragma once

#include "Controls.h"

#include <optional>
#include <string>

// True for exactly "he" or "ar" (the stored code: "AR", "he-il" and the empty code, even
// when the system's language is Hebrew, are laid out left to right).
bool IsRightToLeftLanguage(const std::wstring& LangCode);
// The reading order the application must switch to for LangCode; none when Current
// already reads the same way.
std::optional<TBiDiMode> BiDiLayoutChange(const std::wstring& LangCode, TBiDiMode Current);
// The anchors of a control that keeps to one side: right-to-left turns its right anchor
// into a left one when RightInLeftToRight (the bookmark page's buttons), its left anchor
// into a right one otherwise (the search tooltip); left-to-right turns them back. Other
// anchors stay.
TAnchors BiDiAnchors(TAnchors Anchors, bool RightToLeft, bool RightInLeftToRight);

// Switches the application's reading order for LangCode when it changes, mirrors every
// child of MainWindow at every level and anchors FavBackBtn, FavGoBtn and SuperTipSearch
// (found by name on MainWindow) anew. False when nothing changed; on true the caller lays
// out each browser frame too.
bool ApplyBiDiLayoutTo(TWinControl* MainWindow, const std::wstring& LangCode);
