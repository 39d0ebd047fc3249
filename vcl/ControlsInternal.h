// What the units of the control classes share (Controls, WinControl, WinControlMessages,
// CustomControl): the control being created, the window-to-control registry and message
// tests; not for use outside vcl.
#pragma once

#include "Controls.h"

#include <unordered_map>

namespace controls_detail {

// The control whose window is being created on this thread (its window's first message binds the two).
extern thread_local TWinControl* t_CreationControl;

// The control object of each of this process's windows, by window handle. It is read for
// every message, so it lives in the process: a window property is a call to the window
// server under Wine, which cost more than all the rest of a message's handling (a store's
// 50,000 catalogs went into their box at four such calls per catalog). It is never freed,
// so that windows destroyed during static destruction still find it; windows of other
// threads use it too, under its lock.
class TControlRegistry {
public:
    void Set(HWND Wnd, TWinControl* Control) {
        AcquireSRWLockExclusive(&FLock);
        try {
            FMap[Wnd] = Control;
        } catch (...) {
            ReleaseSRWLockExclusive(&FLock);
            throw;
        }
        ReleaseSRWLockExclusive(&FLock);
    }
    void Remove(HWND Wnd) {
        AcquireSRWLockExclusive(&FLock);
        FMap.erase(Wnd);
        ReleaseSRWLockExclusive(&FLock);
    }
    TWinControl* Find(HWND Wnd) {
        AcquireSRWLockShared(&FLock);
        const auto it = FMap.find(Wnd);
        TWinControl* control = it != FMap.end() ? it->second : nullptr;
        ReleaseSRWLockShared(&FLock);
        return control;
    }

private:
    SRWLOCK FLock = SRWLOCK_INIT;
    std::unordered_map<HWND, TWinControl*> FMap;
};

TControlRegistry& Registry();

inline bool IsMouseMsg(UINT Msg) {
    return Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST && Msg != WM_MOUSEWHEEL && Msg != WM_MOUSEHWHEEL;
}

inline bool IsButtonDown(UINT Msg) {
    return Msg == WM_LBUTTONDOWN || Msg == WM_RBUTTONDOWN || Msg == WM_MBUTTONDOWN || Msg == WM_LBUTTONDBLCLK ||
           Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK;
}

inline bool IsButtonUp(UINT Msg) { return Msg == WM_LBUTTONUP || Msg == WM_RBUTTONUP || Msg == WM_MBUTTONUP; }

inline HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

} // namespace controls_detail

using namespace controls_detail;
