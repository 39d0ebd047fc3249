#include "UtilityWindow.h"

#include "Boundary.h"
#include "SysUtils.h"

namespace {
constexpr wchar_t UtilityWindowClass[] = L"TPUtilWindow";
}

TUtilityWindow::TUtilityWindow(THandler Handler) : FHandler(std::move(Handler)) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    if (!GetClassInfoW(inst, UtilityWindowClass, &wc)) {
        wc.lpfnWndProc = &TUtilityWindow::WindowProc;
        wc.hInstance = inst;
        wc.lpszClassName = UtilityWindowClass;
        if (!RegisterClassW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            RaiseLastOSError();
    }
    // A popup without WS_VISIBLE: top-level (so broadcasts reach it), never shown.
    FHandle = CreateWindowExW(WS_EX_TOOLWINDOW, UtilityWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              inst, nullptr);
    if (!FHandle)
        RaiseLastOSError();
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TUtilityWindow::~TUtilityWindow() {
    if (FHandle) {
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
    }
}

LRESULT CALLBACK TUtilityWindow::WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    auto* self = reinterpret_cast<TUtilityWindow*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA));
    if (!self || !self->FHandler)
        return DefWindowProcW(Wnd, Msg, WParam, LParam);
    return Guarded(L"TUtilityWindow.WindowProc", LRESULT(0), [&] {
        TMessage message{Msg, WParam, LParam, 0};
        // A copy: the handler may free the window object and the handler with it.
        THandler handler = self->FHandler;
        if (handler(message))
            return message.Result;
        return DefWindowProcW(Wnd, Msg, WParam, LParam);
    });
}
