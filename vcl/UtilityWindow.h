// A hidden top-level window for code that needs a window but shows none: messages posted
// to itself, timers, and the broadcasts (WM_DEVICECHANGE, WM_SETTINGCHANGE ...) that
// message-only windows never get. Its handler runs inside the exception boundary;
// messages the handler does not take go to DefWindowProcW.
#pragma once

#include "Messages.h"

#include <functional>

class TUtilityWindow {
public:
    // Returns true when it handled the message (Message.Result is then the answer).
    using THandler = std::function<bool(TMessage& Message)>;

    // Makes the window on the calling thread (raises EOSError when the system refuses).
    explicit TUtilityWindow(THandler Handler);
    // Destroys the window; call on the thread that made it. Messages still queued for
    // the window are dropped with it.
    ~TUtilityWindow();
    TUtilityWindow(const TUtilityWindow&) = delete;
    TUtilityWindow& operator=(const TUtilityWindow&) = delete;

    HWND Handle() const { return FHandle; }

private:
    static LRESULT CALLBACK WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    THandler FHandler;
    HWND FHandle = nullptr;
};
