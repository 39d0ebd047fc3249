// The modifier keys as the browser tabs read them while a navigation starts (Ctrl+click
// opens a new tab, Shift+click an outside browser). Read through one object that tests
// replace, since a test cannot hold keys down.
#pragma once

#include <windows.h>

#include <functional>

// Whether a key is down now (GetKeyState(VirtualKey) < 0 on the GUI thread).
using TKeyIsDown = std::function<bool(int VirtualKey)>;

// The key state the browser tabs use; the system's by default. Set it to a test's own.
TKeyIsDown& BrowserKeyState();

// Ctrl down with Shift and Alt up; Shift down with Ctrl and Alt up.
bool CtrlAlone(const TKeyIsDown& Keys);
bool ShiftAlone(const TKeyIsDown& Keys);
