// Notification-area balloon.
#include "UTrayBalloon.h"

#include "Boundary.h"
#include "Forms.h"
#include "UShellExec.h"

#include <memory>

namespace {

const wchar_t* const BalloonWindowClass = L"VorlaneTrayBalloonWindow";
std::unique_ptr<TTrayBalloonTip> g_Balloon;

void RegisterBalloonClass() {
    WNDCLASSW wc{};
    if (GetClassInfoW(GetModuleHandleW(nullptr), BalloonWindowClass, &wc))
        return;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = BalloonWindowClass;
    RegisterClassW(&wc);
}

} // namespace

void CopyToFixedBuffer(wchar_t* Buffer, size_t Size, const std::wstring& Text) {
    if (!Buffer || Size == 0)
        return;
    size_t n = Text.size() < Size - 1 ? Text.size() : Size - 1;
    if (n > 0 && n < Text.size() && Text[n - 1] >= 0xD800 && Text[n - 1] <= 0xDBFF)
        --n; // do not keep half of a surrogate pair
    Text.copy(Buffer, n);
    Buffer[n] = 0;
}

TTrayBalloonTip::TTrayBalloonTip(const std::wstring& Hint) {
    RegisterBalloonClass();
    FWindow = CreateWindowExW(0, BalloonWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (FWindow) {
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TTrayBalloonTip::WndProc));
    }
    FData.cbSize = sizeof(FData);
    FData.hWnd = FWindow;
    FData.uID = 0;
    FData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    FData.uCallbackMessage = CallbackMessage;
    FData.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
    if (!FData.hIcon)
        FData.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    CopyToFixedBuffer(FData.szTip, sizeof(FData.szTip) / sizeof(wchar_t), Hint);
    Shell_NotifyIconW(NIM_ADD, &FData);
}

TTrayBalloonTip::~TTrayBalloonTip() {
    Shell_NotifyIconW(NIM_DELETE, &FData);
    if (FWindow) {
        SetWindowLongPtrW(FWindow, GWLP_USERDATA, 0);
        DestroyWindow(FWindow);
    }
}

void TTrayBalloonTip::ShowBalloon(const std::wstring& Title, const std::wstring& Text) {
    FData.uFlags |= NIF_INFO;
    CopyToFixedBuffer(FData.szInfo, sizeof(FData.szInfo) / sizeof(wchar_t), Text);
    FData.uTimeout = 30000;
    CopyToFixedBuffer(FData.szInfoTitle, sizeof(FData.szInfoTitle) / sizeof(wchar_t), Title);
    FData.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconW(NIM_MODIFY, &FData);
    FData.uVersion = 3;
    Shell_NotifyIconW(NIM_SETVERSION, &FData);
}

void TTrayBalloonTip::IconMessage(LPARAM Event) {
    const UINT ev = LOWORD(Event);
    if ((ev == WM_LBUTTONDOWN || ev == WM_RBUTTONDOWN || ev == NIN_BALLOONUSERCLICK) && !Url.empty())
        ShellExec(Url);
}

LRESULT CALLBACK TTrayBalloonTip::WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg == CallbackMessage) {
        Guarded(L"TTrayBalloonTip.WndProc", [&] {
            if (auto* self = reinterpret_cast<TTrayBalloonTip*>(GetWindowLongPtrW(Wnd, GWLP_USERDATA)))
                self->IconMessage(LParam);
        });
        return 0;
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

void ShowTrayBalloon(const std::wstring& Title, const std::wstring& Text, const std::wstring& Hint) {
    if (!g_Balloon)
        g_Balloon = std::make_unique<TTrayBalloonTip>(Hint);
    g_Balloon->ShowBalloon(Title, Text);
}

TTrayBalloonTip* TrayBalloon() { return g_Balloon.get(); }

void FreeTrayBalloon() { g_Balloon.reset(); }
