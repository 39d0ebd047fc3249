// Visual styles: the theme functions of uxtheme.dll, looked up on first use. A missing library
// or function, or no active theme, means unthemed; callers then draw with the classic
// functions (DrawFrameControl, DrawEdge). Wine has no active theme by default.
#pragma once

#include "Handles.h"

// The library and every function used here were found.
bool ThemesAvailable();
// Available, and a theme is switched on now (asked each time: the user may change it).
bool ThemesActive();

// Theme data of one window class list ("spin", "button" ...), open while a theme is active.
class TThemeData {
public:
    TThemeData() = default;
    // Opens the data when a theme is active; otherwise the object stays empty.
    TThemeData(HWND Wnd, const wchar_t* ClassList);
    bool Valid() const { return FTheme.Valid(); }
    // Draws a part in a state (the theme's part and state numbers); false when nothing was drawn.
    bool DrawBackground(HDC DC, int Part, int State, const RECT& Rect) const;
    void Reset() { FTheme.Reset(); }

private:
    TThemeDataHandle FTheme;
};
