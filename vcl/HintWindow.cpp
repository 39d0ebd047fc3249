// THintWindow: the window a hint shows in, sized to its text.
#include "Forms.h"

#include "ActnList.h"
#include "AppEvnts.h"
#include "Menus.h"

#include "Boundary.h"
#include "SysUtils.h"
#include "Threads.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

// ------------------------------------------------------------------ THintWindow

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    FVisible = false;
    FColor = clInfoBk;
    FParentFont = false;
    if (Screen)
        FFont.Assign(Screen->HintFont());
    FParentFont = false;
}

void THintWindow::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER;
    Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    Params.WndParent = nullptr;
    Params.WindowClass.style |= CS_SAVEBITS;
}

void THintWindow::WndProc(TMessage& Message) {
    if (Message.Msg == WM_NCHITTEST) {
        Message.Result = HTTRANSPARENT;
        return;
    }
    if (Message.Msg == CM_TEXTCHANGED) {
        Invalidate();
        return;
    }
    TCustomControl::WndProc(Message);
}

RECT THintWindow::CalcHintRect(int MaxWidth, const std::wstring& AHint, void*) {
    RECT r{0, 0, MaxWidth, 0};
    HDC dc = GetDC(nullptr);
    FCanvas.SetHandle(dc);
    FCanvas.Font()->Assign(&FFont);
    FCanvas.DrawText(AHint, r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DrawTextBiDiModeFlagsReadingOnly());
    FCanvas.SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    r.right += 6;
    r.bottom += 2;
    return r;
}

void THintWindow::ActivateHint(RECT Rect, const std::wstring& AHint) {
    SetCaption(AHint);
    // The text is painted 2 pixels down inside the border: the last line needs these too.
    Rect.bottom += 4;
    // The work area of the monitor the hint is on: a hint of a window on a second monitor
    // stays beside it.
    RECT work = Screen ? Screen->WorkAreaOf(Rect) : RECT{0, 0, 0, 0};
    int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
    if (Screen && Rect.right > work.right)
        Rect.left = std::max<LONG>(work.left, work.right - w);
    if (Screen && Rect.bottom > work.bottom)
        Rect.top = std::max<LONG>(work.top, Rect.top - h - 20);
    SetBounds(Rect.left, Rect.top, w, h);
    SetWindowPos(Handle(), HWND_TOPMOST, Rect.left, Rect.top, w, h, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    Invalidate();
}

void THintWindow::ActivateHintData(RECT Rect, const std::wstring& AHint, void*) { ActivateHint(Rect, AHint); }

void THintWindow::Paint() {
    RECT r = ClientRect();
    r.left += 2;
    r.top += 2;
    FCanvas.Font()->SetColor(Screen ? Screen->HintFont()->Color() : clInfoText);
    FCanvas.DrawText(GetText(), r, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK | DrawTextBiDiModeFlagsReadingOnly());
}
