// Helpers of the GUI tests: a watchdog that ends a hung test run, and message pumping.
#pragma once

#include "Forms.h"
#include "TestMain.h"
#include "Threads.h"

#include <commctrl.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vcltest {

// Ends the process when the scope is not left within the time given: a window that
// failed to appear would otherwise leave a message loop waiting forever. It says first where
// the thread that made it stands.
class Watchdog {
public:
    explicit Watchdog(unsigned ms, const char* what = "GUI test") : FWhat(what) {
        HANDLE self = nullptr;
        DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &self, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
        FThread = std::thread([this, ms, self] {
            std::unique_lock<std::mutex> lock(FLock);
            if (!FDone.wait_for(lock, std::chrono::milliseconds(ms), [this] { return FFinished; })) {
                fprintf(stderr, "\nWATCHDOG: %s did not finish in %u ms\n", FWhat, ms);
                if (self)
                    testing_support::PrintThreadStack(self, "the test's thread");
                fflush(stderr);
                TerminateProcess(GetCurrentProcess(), 3);
            }
            if (self)
                CloseHandle(self);
        });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(FLock);
            FFinished = true;
        }
        FDone.notify_all();
        FThread.join();
    }

private:
    const char* FWhat;
    std::mutex FLock;
    std::condition_variable FDone;
    bool FFinished = false;
    std::thread FThread;
};

// Handles messages (and calls queued for the GUI thread) until pred() or the time is up.
inline bool PumpUntil(const std::function<bool()>& pred, unsigned timeoutMs) {
    DWORD start = GetTickCount();
    while (!pred()) {
        if (GetTickCount() - start > timeoutMs)
            return pred();
        Application->ProcessMessages();
        CheckSynchronize();
        if (pred())
            break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// The text of a list view item's column as the window gives it (LVM_GETITEMTEXTW).
inline std::wstring ListViewItemText(HWND Wnd, int Item, int Column, int Size = 256) {
    std::wstring buf(static_cast<size_t>(Size) + 4, L'#');
    LVITEMW it{};
    it.iSubItem = Column;
    it.pszText = buf.data();
    it.cchTextMax = Size;
    SendMessageW(Wnd, LVM_GETITEMTEXTW, Item, reinterpret_cast<LPARAM>(&it));
    return it.pszText ? std::wstring(it.pszText) : L"";
}

// Whether the tree window draws an expand button for its item: the children count it
// draws by (the window asks for it when the item gives it by call-back).
inline bool TreeItemShowsButton(HWND Tree, HTREEITEM Item) {
    TVITEMW it{};
    it.mask = TVIF_HANDLE | TVIF_CHILDREN;
    it.hItem = Item;
    return SendMessageW(Tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)) && it.cChildren != 0;
}

// The text colour the control's parent gives the system to paint the control with, asked as
// the system asks (a WM_CTLCOLOR* message to the parent).
inline COLORREF PaintedTextColour(TWinControl* Control, UINT CtlColorMsg) {
    HWND wnd = Control->Handle();
    HDC dc = GetDC(wnd);
    SetTextColor(dc, RGB(1, 2, 3));
    SendMessageW(GetParent(wnd), CtlColorMsg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd));
    const COLORREF colour = GetTextColor(dc);
    ReleaseDC(wnd, dc);
    return colour;
}

// What a window shows now: its client area as painted on the screen, pixel by pixel.
struct TWindowShot {
    int Width = 0, Height = 0;
    std::vector<COLORREF> Pixels;
    COLORREF At(int X, int Y) const { return Pixels[static_cast<size_t>(Y) * Width + X]; }
};

inline TWindowShot ShootWindow(HWND Wnd) {
    TWindowShot shot;
    RECT r{};
    GetClientRect(Wnd, &r);
    shot.Width = r.right;
    shot.Height = r.bottom;
    if (shot.Width <= 0 || shot.Height <= 0)
        return shot;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = shot.Width;
    bi.bmiHeader.biHeight = -shot.Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(Wnd);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, shot.Width, shot.Height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    shot.Pixels.resize(static_cast<size_t>(shot.Width) * shot.Height);
    for (size_t i = 0; i < shot.Pixels.size(); ++i)
        shot.Pixels[i] = RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(Wnd, screen);
    return shot;
}

inline void PumpFor(unsigned ms) {
    PumpUntil([] { return false; }, ms);
}

// A single-line edit: a windowed control that imitates the system EDIT class.
class TTestEdit : public TWinControl {
public:
    VORLANE_CLASS_NAME(TTestEdit)
    explicit TTestEdit(TComponent* AOwner) : TWinControl(AOwner) { FTabStop = true; }

protected:
    void CreateParams(TCreateParams& Params) override {
        TWinControl::CreateParams(Params);
        CreateSubClass(Params, L"EDIT");
        Params.Style |= ES_AUTOHSCROLL | WS_BORDER;
    }
};

// A button-like control that ends a modal form on Enter (Default) or Escape (Cancel).
class TTestButton : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TTestButton)
    using TCustomControl::TCustomControl;
    bool Default = false;
    bool Cancel = false;
    TModalResult Result = mrNone;

    void WndProc(TMessage& Message) override {
        if (Message.Msg == CM_DIALOGKEY && ((Message.WParam == VK_RETURN && Default) ||
                                            (Message.WParam == VK_ESCAPE && Cancel))) {
            if (TCustomForm* f = GetParentForm(this))
                f->SetModalResult(Result);
            Message.Result = 1;
            return;
        }
        TCustomControl::WndProc(Message);
    }
};

} // namespace vcltest
