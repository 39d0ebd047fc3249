// TCustomControl (a windowed control that paints itself, on screen or off it, with a frame
// of its own), PaintParentBackground, and TGraphicControl (a windowless control that paints
// on its parent).
#include "Controls.h"
#include "ControlsInternal.h"

#include "Boundary.h"
#include "Forms.h"
#include "SysUtils.h"
#include "Themes.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>

// ------------------------------------------------------------------ TCustomControl

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {}

TCustomControl::~TCustomControl() = default;

void TCustomControl::SetOffscreenPaint(bool Value) {
    if (Value == FOffscreenPaint)
        return;
    FOffscreenPaint = Value;
    if (!Value)
        FOffscreen.reset();
    Invalidate();
}

void TCustomControl::PaintOn(HDC DC) {
    FCanvas.SetHandle(DC);
    FCanvas.Font()->Assign(&FFont);
    FCanvas.Brush()->SetColor(FColor);
    struct Release {
        TCanvas& c;
        ~Release() { c.SetHandle(nullptr); }
    } release{FCanvas};
    Paint();
}

TBitmap* TCustomControl::PaintOffscreen() {
    RECT r = ClientRect();
    int w = std::max<int>(r.right - r.left, 0), h = std::max<int>(r.bottom - r.top, 0);
    if (!FOffscreen)
        FOffscreen = std::make_unique<TBitmap>();
    if (FOffscreen->Width() != w || FOffscreen->Height() != h)
        FOffscreen->SetSize(w, h);
    if (w == 0 || h == 0)
        return FOffscreen.get();
    TCanvas* target = FOffscreen->Canvas();
    target->DeselectObjects();
    HDC dc = target->Handle();
    int saved = SaveDC(dc);
    struct TRestoreDC {
        HDC Dc;
        int Saved;
        ~TRestoreDC() {
            RestoreDC(Dc, Saved);
            GdiFlush();
        }
    } restore{dc, saved};
    PaintOn(dc);
    return FOffscreen.get();
}

void TCustomControl::PaintWindow(HDC DC) {
    if (!FOffscreenPaint) {
        PaintOn(DC);
        return;
    }
    TBitmap* picture = PaintOffscreen();
    if (!picture->Empty())
        BitBlt(DC, 0, 0, picture->Width(), picture->Height(), picture->Canvas()->Handle(), 0, 0, SRCCOPY);
}

namespace {

// Keeps R inside Bounds with a width and height of at least 0.
void ClampInside(RECT& R, const RECT& Bounds) {
    R.left = std::min(std::max(R.left, Bounds.left), Bounds.right);
    R.top = std::min(std::max(R.top, Bounds.top), Bounds.bottom);
    R.right = std::max(std::min(R.right, Bounds.right), R.left);
    R.bottom = std::max(std::min(R.bottom, Bounds.bottom), R.top);
}

} // namespace

void TCustomControl::FrameChanged() {
    if (!FHandle)
        return;
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Realign(); // the client area may have a new size without the window changing its own
}

RECT TCustomControl::ClientRect() {
    RECT r = TWinControl::ClientRect();
    if (FHandle)
        return r;
    RECT bounds = r;
    LRESULT ignored = 0;
    NCCalcSize(r, false, ignored);
    ClampInside(r, bounds);
    return RECT{0, 0, r.right - r.left, r.bottom - r.top};
}

void TCustomControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        if (FOffscreenPaint) {
            Message.Result = 1; // the off-screen picture covers every pixel
            return;
        }
        break;
    case WM_NCCALCSIZE: {
        RECT* client = Message.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0]
                                      : reinterpret_cast<RECT*>(Message.LParam);
        RECT window = *client;
        TWinControl::WndProc(Message); // the system's borders and scroll bars
        RECT bounds = *client;
        ClampInside(bounds, window);
        NCCalcSize(*client, Message.WParam != 0, Message.Result);
        ClampInside(*client, bounds);
        if (!Message.WParam)
            Message.Result = 0;
        return;
    }
    case WM_NCPAINT: {
        TWinControl::WndProc(Message);
        HDC dc = GetWindowDC(FHandle);
        if (!dc)
            return;
        struct TRelease {
            HWND Wnd;
            HDC Dc;
            ~TRelease() { ReleaseDC(Wnd, Dc); }
        } release{FHandle, dc};
        RECT window, client;
        GetWindowRect(FHandle, &window);
        GetClientRect(FHandle, &client);
        MapWindowPoints(FHandle, nullptr, reinterpret_cast<POINT*>(&client), 2);
        OffsetRect(&client, -window.left, -window.top);
        ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
        NCPaint(dc);
        return;
    }
    }
    TWinControl::WndProc(Message);
}

void PaintParentBackground(TControl* Control, HDC DC) {
    TWinControl* parent = Control ? Control->Parent() : nullptr;
    if (!parent || !parent->HandleAllocated() || !DC)
        return;
    // Where the control's client area lies in the parent's client area.
    POINT offset{Control->Left(), Control->Top()};
    auto* windowed = dynamic_cast<TWinControl*>(Control);
    if (windowed && windowed->HandleAllocated()) {
        POINT own = windowed->ClientOrigin(), theirs = parent->ClientOrigin();
        offset = POINT{own.x - theirs.x, own.y - theirs.y};
    }
    RECT client = Control->ClientRect();
    int saved = SaveDC(DC);
    struct TRestoreDC {
        HDC Dc;
        int Saved;
        ~TRestoreDC() { RestoreDC(Dc, Saved); }
    } restore{DC, saved};
    IntersectClipRect(DC, 0, 0, client.right - client.left, client.bottom - client.top);
    POINT org;
    GetViewportOrgEx(DC, &org);
    SetViewportOrgEx(DC, org.x - offset.x, org.y - offset.y, nullptr);
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
}

// ------------------------------------------------------------------ TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {}

void TGraphicControl::WndProc(TMessage& Message) {
    if (Message.Msg == WM_PAINT) {
        FCanvas.SetHandle(reinterpret_cast<HDC>(Message.WParam));
        FCanvas.Font()->Assign(&FFont);
        FCanvas.Brush()->SetColor(FColor);
        struct Release {
            TCanvas& c;
            ~Release() { c.SetHandle(nullptr); }
        } release{FCanvas};
        Paint();
        Message.Result = 0;
        return;
    }
    TControl::WndProc(Message);
}
