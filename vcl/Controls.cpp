// The control units: here what they share (the window procedure every class registers, the
// window-to-control registry, the shift-state helpers, TControlWatch) and TControl, the base of
// every control. TWinControl is in WinControl.cpp (tree, layout, focus, window handle) and
// WinControlMessages.cpp (painting, mouse, keys, its WndProc); TCustomControl and
// TGraphicControl in CustomControl.cpp.
#include "Controls.h"
#include "ControlsInternal.h"

#include "Boundary.h"
#include "Forms.h"
#include "SysUtils.h"
#include "Themes.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>

constinit TControlHooks g_ControlHooks;

namespace controls_detail {

thread_local TWinControl* t_CreationControl = nullptr;

TControlRegistry& Registry() {
    static TControlRegistry* const registry = new TControlRegistry;
    return *registry;
}

} // namespace controls_detail

namespace {

thread_local TControlWatch* t_Watches = nullptr; // innermost first

// A fault stopped at a boundary leaves frames without running their destructors: the
// watches and the control being created go back to what they were at the boundary.
struct TFaultRestoreRegistration {
    TFaultRestoreRegistration() {
        RegisterFaultRestore([]() -> void* { return t_Watches; },
                             [](void* Saved) { t_Watches = static_cast<TControlWatch*>(Saved); });
        RegisterFaultRestore([]() -> void* { return t_CreationControl; },
                             [](void* Saved) { t_CreationControl = static_cast<TWinControl*>(Saved); });
    }
} g_FaultRestoreRegistration;

} // namespace

// ------------------------------------------------------------------ free functions

TShiftState KeysToShiftState(WPARAM Keys) {
    TShiftState s = 0;
    if (Keys & MK_SHIFT) s |= ssShift;
    if (Keys & MK_CONTROL) s |= ssCtrl;
    if (Keys & MK_LBUTTON) s |= ssLeft;
    if (Keys & MK_RBUTTON) s |= ssRight;
    if (Keys & MK_MBUTTON) s |= ssMiddle;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    return s;
}

TShiftState KeyDataToShiftState(LPARAM KeyData) {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (KeyData & 0x20000000) s |= ssAlt;
    return s;
}

TShiftState GetShiftState() {
    TShiftState s = 0;
    if (GetKeyState(VK_SHIFT) < 0) s |= ssShift;
    if (GetKeyState(VK_CONTROL) < 0) s |= ssCtrl;
    if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
    if (GetKeyState(VK_LBUTTON) < 0) s |= ssLeft;
    if (GetKeyState(VK_RBUTTON) < 0) s |= ssRight;
    if (GetKeyState(VK_MBUTTON) < 0) s |= ssMiddle;
    return s;
}

TWinControl* FindControl(HWND Handle) {
    if (!Handle)
        return nullptr;
    return Registry().Find(Handle);
}

TWinControl* CreationControl() { return t_CreationControl; }

TCustomForm* GetParentForm(TControl* Control) {
    while (Control && Control->Parent())
        Control = Control->Parent();
    return dynamic_cast<TCustomForm*>(Control);
}

LRESULT CALLBACK InitWndProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = FindControl(hWnd);
    if (!control) {
        // The first message of a new window: bind it to the control being created.
        control = t_CreationControl;
        if (!control || control->HandleAllocated())
            return DefWindowProcW(hWnd, Msg, wParam, lParam);
        control->AttachHandle(hWnd);
    }
    return Guarded(L"InitWndProc", LRESULT(0), [&]() -> LRESULT {
        TMessage m{Msg, wParam, lParam, 0};
        if (control->IsDestroying()) {
            // The object is being torn down: no events, only the default procedure.
            control->TWinControl::DefaultHandler(m);
            if (Msg == WM_NCDESTROY)
                control->TWinControl::WndProc(m);
        } else {
            TWndMethod proc = control->WindowProc; // the control may free itself meanwhile
            proc(m);
        }
        return m.Result;
    });
}

// ------------------------------------------------------------------ TControlWatch

TControlWatch::TControlWatch(TControl* Control) : FControl(Control), FNext(t_Watches) { t_Watches = this; }

TControlWatch::~TControlWatch() {
    // Watches end in the reverse order they began.
    t_Watches = FNext;
}

// ------------------------------------------------------------------ TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
    WindowProc = [this](TMessage& m) { WndProc(m); };
    FFontColorSeen = FFont.Color();
    FFont.OnChange = [this](TObject*) {
        if (!FSettingParentFont) {
            FParentFont = false;
            if (FFont.Color() != FFontColorSeen)
                FFontColorFromParent = false;
        }
        FFontColorSeen = FFont.Color();
        FontChanged();
    };
}

TControl::~TControl() {
    for (TControlWatch* w = t_Watches; w; w = w->FNext)
        if (w->FControl == this)
            w->FFreed = true;
    Destroying();
    WindowProc = nullptr;
    FMessageHandlers.clear();
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    if (FParent)
        FParent->RemoveControl(this);
}

void TControl::SetParent(TWinControl* AParent) {
    if (AParent == FParent)
        return;
    if (AParent == this)
        throw EInvalidOperation(L"A control cannot have itself as its parent");
    if (FParent)
        FParent->RemoveControl(this);
    if (AParent)
        AParent->InsertControl(this);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    AWidth = std::max(AWidth, 0);
    AHeight = std::max(AHeight, 0);
    if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight)
        return;
    bool resized = AWidth != FWidth || AHeight != FHeight;
    UpdateBoundsTo(ALeft, ATop, AWidth, AHeight);
    if (!FAnchorMove)
        UpdateAnchorRules();
    if (!IsWindowed() && resized)
        Resize();
    if (!FAnchorMove)
        RequestAlign();
}

void TControl::SetAlignedBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    bool old = FAnchorMove;
    FAnchorMove = true;
    SetBounds(ALeft, ATop, AWidth, AHeight);
    FAnchorMove = old;
}

void TControl::UpdateBoundsTo(int ALeft, int ATop, int AWidth, int AHeight) {
    if (FParent && FVisible)
        Invalidate();
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (FParent && FVisible)
        Invalidate();
}

void TControl::UpdateAnchorRules() {
    FAnchorOrigin = BoundsRect();
    if (FParent) {
        RECT r = FParent->ClientRect();
        FAnchorParentSize = SIZE{r.right - r.left, r.bottom - r.top};
    }
}

RECT TControl::ClientRect() { return RECT{0, 0, FWidth, FHeight}; }

void TControl::SetClientWidth(int Value) { SetWidth(FWidth - ClientWidth() + Value); }
void TControl::SetClientHeight(int Value) { SetHeight(FHeight - ClientHeight() + Value); }

POINT TControl::ClientOrigin() {
    POINT p{FLeft, FTop};
    if (FParent) {
        POINT o = FParent->ClientOrigin();
        p.x += o.x;
        p.y += o.y;
    }
    return p;
}

// A window's own client coordinates are mapped by the system, which knows a mirrored window's
// (right to left, x counts from its right edge); a control without one counts from its place
// in its parent's client area.
POINT TControl::ClientToScreen(POINT P) {
    if (IsWindowed())
        if (HWND wnd = static_cast<TWinControl*>(this)->FHandle) {
            ::ClientToScreen(wnd, &P);
            return P;
        }
    const POINT inParent{P.x + FLeft, P.y + FTop};
    return FParent ? FParent->ClientToScreen(inParent) : inParent;
}

POINT TControl::ScreenToClient(POINT P) {
    if (IsWindowed())
        if (HWND wnd = static_cast<TWinControl*>(this)->FHandle) {
            ::ScreenToClient(wnd, &P);
            return P;
        }
    const POINT inParent = FParent ? FParent->ScreenToClient(P) : P;
    return POINT{inParent.x - FLeft, inParent.y - FTop};
}

void TControl::SetAlign(TAlign Value) {
    if (Value == FAlign)
        return;
    FAlign = Value;
    if (Value != alNone && Value != alCustom)
        FAnchors = (Value == alTop) ? (akLeft | akTop | akRight)
                   : (Value == alBottom) ? (akLeft | akRight | akBottom)
                   : (Value == alLeft) ? (akLeft | akTop | akBottom)
                   : (Value == alRight) ? (akRight | akTop | akBottom)
                                        : (akLeft | akTop | akRight | akBottom);
    else
        FAnchors = DefaultAnchors;
    RequestAlign();
}

void TControl::SetAnchors(TAnchors Value) {
    if (Value == FAnchors)
        return;
    FAnchors = Value;
    UpdateAnchorRules();
}

void TControl::RequestAlign() {
    if (FParent)
        FParent->Realign();
}

void TControl::SetVisible(bool Value) {
    if (Value == FVisible)
        return;
    if (FParent && FVisible)
        Invalidate();
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value);
    if (FParent && FVisible)
        Invalidate();
    RequestAlign();
}

bool TControl::Showing() const { return FVisible && FParent && FParent->Showing(); }

void TControl::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    Perform(CM_ENABLEDCHANGED);
    Invalidate();
}

std::wstring TControl::GetText() { return FText; }

void TControl::SetText(const std::wstring& Value) {
    if (Value == GetText())
        return;
    FText = Value;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetShowHint(bool Value) {
    FParentShowHint = false;
    if (Value == FShowHint)
        return;
    FShowHint = Value;
    NotifyChildren(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool Value) {
    FParentShowHint = Value;
    if (Value && FParent && FShowHint != FParent->FShowHint) {
        FShowHint = FParent->FShowHint;
        NotifyChildren(CM_PARENTSHOWHINTCHANGED);
    }
}

void TControl::SetParentFont(bool Value) {
    FParentFont = Value;
    if (Value && FParent)
        TakeParentFont();
}

void TControl::TakeParentFont() {
    if (!FFontColorFromParent) {
        FFontColorFromParent = true;
        Invalidate(); // the same font may now paint in another colour
    }
    FSettingParentFont = true;
    FFont.Assign(&FParent->FFont);
    FSettingParentFont = false;
}

void TControl::FontChanged() {
    if (IsWindowed()) {
        auto* w = static_cast<TWinControl*>(this);
        if (w->HandleAllocated())
            SendMessageW(w->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), TRUE);
    }
    Invalidate();
    Perform(CM_FONTCHANGED);
    NotifyChildren(CM_PARENTFONTCHANGED);
}

TColor TControl::TextPaintColor() const {
    if (!FFontColorFromParent || (FColor != clWindow && FColor != clBtnFace))
        return FFont.Color();
    // The control whose own font colour reached this one: the colour was chosen for its background.
    const TControl* origin = FParent;
    while (origin && origin->FFontColorFromParent && origin->FParent)
        origin = origin->FParent;
    if (origin && ColorToRGB(origin->FColor) == ColorToRGB(FColor))
        return FFont.Color();
    return FColor == clWindow ? clWindowText : clBtnText;
}

void TControl::SetColor(TColor Value) {
    FParentColor = false;
    SetColorInternal(Value);
}

void TControl::SetColorInternal(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Perform(CM_COLORCHANGED);
    Invalidate();
    NotifyChildren(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentColor(bool Value) {
    FParentColor = Value;
    if (Value && FParent)
        SetColorInternal(FParent->FColor);
}

void TControl::SetBiDiMode(TBiDiMode Value) {
    FParentBiDiMode = false;
    SetBiDiModeInternal(Value);
}

void TControl::SetBiDiModeInternal(TBiDiMode Value) {
    if (Value == FBiDiMode)
        return;
    FBiDiMode = Value;
    Perform(CM_BIDIMODECHANGED);
    NotifyChildren(CM_PARENTBIDIMODECHANGED);
}

void TControl::SetParentBiDiMode(bool Value) {
    FParentBiDiMode = Value;
    if (Value)
        Perform(CM_PARENTBIDIMODECHANGED);
}

bool TControl::UseRightToLeftReading() const { return RightToLeftAvailable() && FBiDiMode != bdLeftToRight; }

bool TControl::UseRightToLeftAlignment() const { return RightToLeftAvailable() && FBiDiMode == bdRightToLeft; }

bool TControl::UseRightToLeftScrollBar() const {
    return RightToLeftAvailable() && (FBiDiMode == bdRightToLeft || FBiDiMode == bdRightToLeftNoAlign);
}

UINT TControl::DrawTextBiDiModeFlagsReadingOnly() const { return UseRightToLeftReading() ? DT_RTLREADING : 0; }

void TControl::SetPopupMenu(TPopupMenuBase* Value) {
    if (Value == FPopupMenu)
        return;
    if (FPopupMenu)
        FPopupMenu->RemoveFreeNotification(this);
    FPopupMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TControl::SetCursor(TCursor Value) {
    if (Value == FCursor)
        return;
    FCursor = Value;
    Perform(CM_CURSORCHANGED);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FPopupMenu)
        FPopupMenu = nullptr;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMessage m{Msg, WParam, LParam, 0};
    if (WindowProc) {
        TWndMethod proc = WindowProc;
        proc(m);
    }
    return m.Result;
}

void TControl::SetMessageHandler(UINT Msg, TWndMethod Handler) {
    if (Handler)
        FMessageHandlers[Msg] = std::move(Handler);
    else
        FMessageHandlers.erase(Msg);
}

void TControl::Dispatch(TMessage& Message) {
    auto it = FMessageHandlers.find(Message.Msg);
    if (it != FMessageHandlers.end()) {
        TWndMethod handler = it->second; // the handler may replace itself
        handler(Message);
        return;
    }
    DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETTEXT: {
        auto* buf = reinterpret_cast<wchar_t*>(Message.LParam);
        size_t cap = static_cast<size_t>(Message.WParam);
        if (!buf || cap == 0) {
            Message.Result = 0;
            return;
        }
        size_t n = std::min(cap - 1, FText.size());
        std::copy_n(FText.data(), n, buf);
        buf[n] = 0;
        Message.Result = static_cast<LRESULT>(n);
        return;
    }
    case WM_GETTEXTLENGTH:
        Message.Result = static_cast<LRESULT>(FText.size());
        return;
    case WM_SETTEXT: {
        auto* text = reinterpret_cast<const wchar_t*>(Message.LParam);
        SetText(text ? text : L"");
        Message.Result = 1;
        return;
    }
    default:
        Message.Result = 0;
    }
}

void TControl::MouseMessage(TMessage& Message) {
    int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
    TShiftState shift = KeysToShiftState(Message.WParam);
    switch (Message.Msg) {
    case WM_MOUSEMOVE:
        if (g_ControlHooks.HintMouseMessage)
            g_ControlHooks.HintMouseMessage(this, Message);
        MouseMove(shift, x, y);
        break;
    case WM_LBUTTONDOWN:
        FMouseDownHere = true;
        MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
        MouseDown(mbRight, shift, x, y);
        break;
    case WM_MBUTTONDOWN:
        MouseDown(mbMiddle, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        if (ControlStyle & csDoubleClicks) {
            MouseDown(mbLeft, shift | ssDouble, x, y);
            DblClick();
        } else {
            FMouseDownHere = true;
            MouseDown(mbLeft, shift, x, y);
        }
        break;
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, shift | ssDouble, x, y);
        break;
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, shift | ssDouble, x, y);
        break;
    case WM_LBUTTONUP: {
        bool wasDown = FMouseDownHere;
        FMouseDownHere = false;
        TControlWatch watch(this);
        MouseUp(mbLeft, shift, x, y);
        if (watch.Freed())
            return;
        RECT r = ClientRect();
        POINT p{x, y};
        if (wasDown && (ControlStyle & csClickEvents) && PtInRect(&r, p))
            Click();
        break;
    }
    case WM_RBUTTONUP:
        MouseUp(mbRight, shift, x, y);
        break;
    case WM_MBUTTONUP:
        MouseUp(mbMiddle, shift, x, y);
        break;
    }
}

void TControl::WndProc(TMessage& Message) {
    TControlWatch watch(this); // the events below may free this control
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        if (OnMouseEnter)
            OnMouseEnter(this);
        break;
    case CM_MOUSELEAVE:
        if (OnMouseLeave)
            OnMouseLeave(this);
        break;
    case CM_PARENTFONTCHANGED:
        if (FParentFont && FParent)
            TakeParentFont();
        return;
    case CM_PARENTCOLORCHANGED:
        if (FParentColor && FParent)
            SetColorInternal(FParent->FColor);
        return;
    case CM_PARENTSHOWHINTCHANGED:
        if (FParentShowHint && FParent && FShowHint != FParent->FShowHint) {
            FShowHint = FParent->FShowHint;
            NotifyChildren(CM_PARENTSHOWHINTCHANGED);
        }
        return;
    case CM_PARENTBIDIMODECHANGED:
        if (FParentBiDiMode && FParent)
            SetBiDiModeInternal(FParent->FBiDiMode);
        return;
    case CM_TEXTCHANGED:
        if (!IsWindowed())
            Invalidate();
        break;
    case WM_CONTEXTMENU:
        if (!IsWindowed()) {
            POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
            bool handled = false;
            DoContextPopup(ScreenToClient(p), handled);
            if (!handled && FPopupMenu && FPopupMenu->AutoPopup) {
                FPopupMenu->Popup(this, p.x, p.y);
                handled = true;
            }
            Message.Result = handled ? 1 : 0;
            return;
        }
        break;
    default:
        if (IsMouseMsg(Message.Msg))
            MouseMessage(Message);
        break;
    }
    if (!watch.Freed())
        Dispatch(Message);
}

void TControl::Click() {
    if (OnClick) {
        TNotifyEvent handler = OnClick; // it may free this control, and itself with it
        handler(this);
    }
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown)
        OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp)
        OnMouseUp(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove)
        OnMouseMove(this, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, POINT MousePos) {
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, Shift, WheelDelta, MousePos, handled);
    return handled;
}

void TControl::Resize() {
    if (OnResize)
        OnResize(this);
}

void TControl::DoContextPopup(POINT MousePos, bool& Handled) {
    if (OnContextPopup)
        OnContextPopup(this, MousePos, Handled);
}

void TControl::Invalidate() {
    if (FParent && FParent->HandleAllocated()) {
        RECT r = BoundsRect();
        InvalidateRect(FParent->FHandle, &r, !(ControlStyle & csOpaque));
    }
}

void TControl::Update() {
    if (FParent)
        FParent->Update();
}

void TControl::BringToFront() {
    if (FParent) {
        auto& list = FParent->FControls;
        list.erase(std::find(list.begin(), list.end(), this));
        list.push_back(this);
        if (!IsWindowed())
            Invalidate();
    }
    if (IsWindowed()) {
        auto* w = static_cast<TWinControl*>(this);
        if (w->HandleAllocated())
            SetWindowPos(w->FHandle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void TControl::SendToBack() {
    if (FParent) {
        auto& list = FParent->FControls;
        list.erase(std::find(list.begin(), list.end(), this));
        list.insert(list.begin(), this);
        if (!IsWindowed())
            Invalidate();
    }
    if (IsWindowed()) {
        auto* w = static_cast<TWinControl*>(this);
        if (w->HandleAllocated())
            SetWindowPos(w->FHandle, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}
