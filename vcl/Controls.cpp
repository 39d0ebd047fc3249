#include "Controls.h"

#include "Boundary.h"
#include "Forms.h"
#include "SysUtils.h"
#include "Themes.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>
#include <unordered_map>

constinit TControlHooks g_ControlHooks;

namespace {

thread_local TWinControl* t_CreationControl = nullptr;
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

TControlRegistry& Registry() {
    static TControlRegistry* const registry = new TControlRegistry;
    return *registry;
}

bool IsMouseMsg(UINT Msg) {
    return Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST && Msg != WM_MOUSEWHEEL && Msg != WM_MOUSEHWHEEL;
}

bool IsButtonDown(UINT Msg) {
    return Msg == WM_LBUTTONDOWN || Msg == WM_RBUTTONDOWN || Msg == WM_MBUTTONDOWN || Msg == WM_LBUTTONDBLCLK ||
           Msg == WM_RBUTTONDBLCLK || Msg == WM_MBUTTONDBLCLK;
}

bool IsButtonUp(UINT Msg) { return Msg == WM_LBUTTONUP || Msg == WM_RBUTTONUP || Msg == WM_MBUTTONUP; }

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

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

bool TWinControl::IsMenuKey(WORD Key) {
    if (Key == VK_SHIFT || Key == VK_CONTROL || Key == VK_MENU)
        return false;
    const TShiftState shift = GetShiftState() & (ssShift | ssAlt | ssCtrl);
    for (TControl* c = this; c; c = c->Parent())
        if (TPopupMenuBase* popup = c->PopupMenu())
            if (popup->IsShortCutKey(Key, shift))
                return true;
    TCustomForm* form = GetParentForm(this);
    return form && form->IsShortCut(Key, shift);
}

// The keys that ask for the focused control's pop-up menu: the Applications key without
// Shift, and Shift+F10.
static bool IsContextMenuKey(WORD Key) {
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    return (Key == VK_APPS && !shift) || (Key == VK_F10 && shift && !ctrl && !alt);
}

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

// ------------------------------------------------------------------ TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
    FColor = clBtnFace;
}

TWinControl::~TWinControl() {
    // Nothing may go on pointing at this control or the controls inside it: its form's
    // active control, or the screen's (which can belong to a form that is not active).
    if (TCustomForm* form = GetParentForm(this); form && form != this)
        form->ControlRemoved(this);
    if (Screen && Screen->ActiveControl() && ContainsControl(Screen->ActiveControl()))
        Screen->SetActiveControl(nullptr);
    Destroying();
    // From here on only this class's own message handling runs.
    WindowProc = [this](TMessage& m) { TWinControl::WndProc(m); };
    for (TControl* c : FControls)
        c->Destroying();
    if (FHandle)
        DestroyWindowHandle();
    while (!FControls.empty()) {
        TControl* c = FControls.back();
        RemoveControl(c);
        delete c;
    }
    // Leave the parent while this still is a windowed control: by the time the base class
    // destructor runs, the object no longer counts as one and its tab order entry would stay.
    if (FParent)
        FParent->RemoveControl(this);
}

void TWinControl::AttachHandle(HWND Wnd) {
    FHandle = Wnd;
    Registry().Set(Wnd, this);
    // Children get their own handle as id, so WM_MEASUREITEM can find them.
    if ((GetWindowLongW(Wnd, GWL_STYLE) & WS_CHILD) && GetWindowLongPtrW(Wnd, GWLP_ID) == 0)
        SetWindowLongPtrW(Wnd, GWLP_ID, reinterpret_cast<LONG_PTR>(Wnd));
}

void TWinControl::InsertControl(TControl* AControl) {
    if (!AControl || AControl->FParent == this)
        return;
    AControl->FParent = this;
    FControls.push_back(AControl);
    if (AControl->IsWindowed())
        FTabList.push_back(static_cast<TWinControl*>(AControl));
    if (AControl->FParentFont)
        AControl->TakeParentFont();
    if (AControl->FParentColor)
        AControl->SetColorInternal(FColor);
    if (AControl->FParentShowHint)
        AControl->FShowHint = FShowHint;
    if (AControl->FParentBiDiMode)
        AControl->SetBiDiModeInternal(FBiDiMode);
    AControl->UpdateAnchorRules();
    Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 1);
    if (AControl->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(AControl);
        if (FHandle)
            w->HandleNeeded();
    } else {
        AControl->Invalidate();
    }
    Realign();
}

void TWinControl::RemoveControl(TControl* AControl) {
    if (!AControl || AControl->FParent != this)
        return;
    if (AControl->IsWindowed()) {
        auto* w = static_cast<TWinControl*>(AControl);
        if (w->FHandle && !w->IsDestroying())
            w->DestroyHandle();
    } else {
        AControl->Invalidate();
    }
    // By identity, whatever the control counts as now (a destructor may be under way).
    FTabList.erase(std::remove_if(FTabList.begin(), FTabList.end(),
                                  [AControl](TWinControl* w) { return static_cast<TControl*>(w) == AControl; }),
                   FTabList.end());
    if (FCaptureControl == AControl)
        FCaptureControl = nullptr;
    FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
    AControl->FParent = nullptr;
    if (!IsDestroying()) {
        if (TCustomForm* form = GetParentForm(this))
            form->ControlRemoved(AControl);
        Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(AControl), 0);
        Realign();
    }
}

bool TWinControl::ContainsControl(TControl* Control) const {
    while (Control && Control != this)
        Control = Control->Parent();
    return Control == this;
}

TControl* TWinControl::ControlAtPos(POINT Pos, bool AllowDisabled, bool AllowWinControls) {
    for (size_t i = FControls.size(); i-- > 0;) {
        TControl* c = FControls[i];
        if (!AllowWinControls && c->IsWindowed())
            continue;
        if (!c->Visible() || (!AllowDisabled && !c->Enabled()))
            continue;
        RECT r = c->BoundsRect();
        if (PtInRect(&r, Pos))
            return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& Message) {
    std::vector<TControl*> list = FControls;
    for (TControl* c : list) {
        // A handler may have freed a later child of the copy.
        if (std::find(FControls.begin(), FControls.end(), c) == FControls.end())
            continue;
        TWndMethod proc = c->WindowProc; // the child may free itself meanwhile
        if (proc)
            proc(Message);
        if (Message.Result != 0)
            return;
    }
}

void TWinControl::NotifyControls(UINT Msg) {
    std::vector<TControl*> list = FControls;
    for (TControl* c : list)
        if (std::find(FControls.begin(), FControls.end(), c) != FControls.end())
            c->Perform(Msg);
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0)
        Realign();
}

void TWinControl::Realign() {
    if (FAlignLevel > 0 || IsDestroying())
        return;
    RECT r = ClientRect();
    AdjustClientRect(r);
    AlignControls(nullptr, r);
}

void TWinControl::AlignControls(TControl* AControl, RECT& Rect) {
    ++FAlignLevel; // the children's moves must not start another round
    static const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->FAlign == a && c->FVisible)
                list.push_back(c);
        // Order within one side: by position, nearest to that side first.
        auto key = [a](TControl* c) {
            switch (a) {
            case alTop: return c->FTop;
            case alBottom: return -(c->FTop + c->FHeight);
            case alLeft: return c->FLeft;
            case alRight: return -(c->FLeft + c->FWidth);
            default: return 0;
            }
        };
        std::stable_sort(list.begin(), list.end(), [&](TControl* x, TControl* y) {
            int kx = key(x), ky = key(y);
            if (kx != ky)
                return kx < ky;
            return x == AControl && y != AControl;
        });
        for (TControl* c : list) {
            int w = Rect.right - Rect.left, h = Rect.bottom - Rect.top;
            switch (a) {
            case alTop:
                c->SetAlignedBounds(Rect.left, Rect.top, w, c->FHeight);
                Rect.top += c->FHeight;
                break;
            case alBottom:
                c->SetAlignedBounds(Rect.left, Rect.bottom - c->FHeight, w, c->FHeight);
                Rect.bottom -= c->FHeight;
                break;
            case alLeft:
                c->SetAlignedBounds(Rect.left, Rect.top, c->FWidth, h);
                Rect.left += c->FWidth;
                break;
            case alRight:
                c->SetAlignedBounds(Rect.right - c->FWidth, Rect.top, c->FWidth, h);
                Rect.right -= c->FWidth;
                break;
            default:
                c->SetAlignedBounds(Rect.left, Rect.top, w, h);
                break;
            }
            if (Rect.bottom < Rect.top)
                Rect.bottom = Rect.top;
            if (Rect.right < Rect.left)
                Rect.right = Rect.left;
        }
    }
    for (TControl* c : FControls)
        if (c->FAlign == alNone && c->FAnchors != DefaultAnchors)
            AlignAnchored(c);
    --FAlignLevel;
}

void TWinControl::AlignAnchored(TControl* Control) {
    RECT cr = ClientRect();
    int dx = (cr.right - cr.left) - Control->FAnchorParentSize.cx;
    int dy = (cr.bottom - cr.top) - Control->FAnchorParentSize.cy;
    const RECT& o = Control->FAnchorOrigin;
    int l = o.left, t = o.top, w = o.right - o.left, h = o.bottom - o.top;
    TAnchors a = Control->FAnchors;
    if ((a & akLeft) && (a & akRight))
        w += dx;
    else if (a & akRight)
        l += dx;
    else if (!(a & akLeft))
        l += dx / 2;
    if ((a & akTop) && (a & akBottom))
        h += dy;
    else if (a & akBottom)
        t += dy;
    else if (!(a & akTop))
        t += dy / 2;
    Control->SetAlignedBounds(l, t, w, h);
}

void TWinControl::FlipChildren(bool AllLevels) {
    int cw = ClientWidth();
    DisableAlign();
    for (TControl* c : FControls) {
        if (c->FAlign == alLeft)
            c->FAlign = alRight;
        else if (c->FAlign == alRight)
            c->FAlign = alLeft;
        TAnchors a = c->FAnchors & ~(akLeft | akRight);
        if (c->FAnchors & akLeft) a |= akRight;
        if (c->FAnchors & akRight) a |= akLeft;
        c->FAnchors = a;
        c->SetBounds(cw - c->FLeft - c->FWidth, c->FTop, c->FWidth, c->FHeight);
        if (AllLevels && c->IsWindowed())
            static_cast<TWinControl*>(c)->FlipChildren(true);
    }
    EnableAlign();
    Perform(CM_ALLCHILDRENFLIPPED);
}

int TWinControl::TabOrder() const {
    if (!FParent)
        return -1;
    auto& l = FParent->FTabList;
    auto it = std::find(l.begin(), l.end(), this);
    return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

void TWinControl::SetTabOrder(int Value) {
    if (!FParent)
        return;
    auto& l = FParent->FTabList;
    l.erase(std::remove(l.begin(), l.end(), this), l.end());
    Value = std::clamp(Value, 0, static_cast<int>(l.size()));
    l.insert(l.begin() + Value, this);
}

void TWinControl::SetTabStop(bool Value) {
    if (Value == FTabStop)
        return;
    FTabStop = Value;
    if (FHandle) {
        LONG style = GetWindowLongW(FHandle, GWL_STYLE);
        SetWindowLongW(FHandle, GWL_STYLE, Value ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP));
    }
    Perform(CM_TABSTOPCHANGED);
}

bool TWinControl::CanFocus() {
    TCustomForm* form = GetParentForm(this);
    if (!form)
        return FVisible && FEnabled;
    for (TControl* c = this; c && c != form; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

bool TWinControl::Focused() { return FHandle && GetFocus() == FHandle; }

void TWinControl::SetFocus() {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this) {
        if (!CanFocus())
            throw EInvalidOperation(L"Cannot focus a disabled or invisible window");
        form->FocusControl(this);
    } else if (FVisible && FEnabled) {
        ::SetFocus(Handle());
    }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& List) {
    for (TWinControl* c : FTabList) {
        List.push_back(c);
        c->GetTabOrderList(List);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                          bool CheckParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    int n = static_cast<int>(list.size());
    auto it = std::find(list.begin(), list.end(), CurControl);
    int start = it == list.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - list.begin());
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        TWinControl* c = list[static_cast<size_t>(i)];
        if (c == CurControl)
            break;
        if ((!CheckTabStop || c->FTabStop) && (!CheckParent || c->FParent == this) && c->CanFocus())
            return c;
    }
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    if (TWinControl* c = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop))
        c->SetFocus();
}

std::wstring TWinControl::GetText() {
    if (!FHandle)
        return FText;
    int len = GetWindowTextLengthW(FHandle);
    if (len <= 0)
        return L"";
    std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
    int copied = GetWindowTextW(FHandle, buf.data(), len + 1);
    // The length query may overstate (it is allowed to); keep only what was copied.
    buf.resize(static_cast<size_t>(std::clamp(copied, 0, len)));
    size_t nul = buf.find(L'\0');
    if (nul != std::wstring::npos)
        buf.resize(nul);
    return buf;
}

void TWinControl::SetText(const std::wstring& Value) {
    if (Value == GetText())
        return;
    if (FHandle) {
        SetWindowTextW(FHandle, Value.c_str()); // CM_TEXTCHANGED follows from WM_SETTEXT
    } else {
        FText = Value;
        Perform(CM_TEXTCHANGED);
    }
}

RECT TWinControl::ClientRect() {
    RECT r{0, 0, 0, 0};
    if (FHandle) {
        GetClientRect(FHandle, &r);
        return r;
    }
    // No window yet: the size its window would have, less the frame its styles give.
    TCreateParams p;
    CreateParams(p);
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, p.Style & ~WS_VISIBLE, HasMenuBar(), p.ExStyle);
    r.right = std::max(0L, static_cast<LONG>(FWidth) - (frame.right - frame.left));
    r.bottom = std::max(0L, static_cast<LONG>(FHeight) - (frame.bottom - frame.top));
    return r;
}

POINT TWinControl::ClientOrigin() {
    if (FHandle) {
        POINT p{0, 0};
        ::ClientToScreen(FHandle, &p);
        return p;
    }
    return TControl::ClientOrigin();
}

bool TWinControl::Showing() const {
    if (!FVisible)
        return false;
    if (FParent)
        return FParent->Showing();
    return FHandle && IsWindowVisible(FHandle);
}

void TWinControl::Invalidate() {
    if (FHandle)
        InvalidateRect(FHandle, nullptr, !(ControlStyle & csOpaque));
}

void TWinControl::Update() {
    if (FHandle)
        UpdateWindow(FHandle);
}

void TWinControl::SetVisible(bool Value) {
    if (Value == FVisible)
        return;
    FVisible = Value;
    Perform(CM_VISIBLECHANGED, Value);
    if (FHandle) {
        SetWindowPos(FHandle, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE |
                         (Value ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
    } else if (Value && FParent && FParent->FHandle) {
        HandleNeeded();
    }
    RequestAlign();
}

void TWinControl::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    if (FHandle)
        EnableWindow(FHandle, Value);
    Perform(CM_ENABLEDCHANGED);
}

void TWinControl::UpdateBoundsTo(int ALeft, int ATop, int AWidth, int AHeight) {
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    if (FHandle && !IsIconic(FHandle)) {
        SetWindowPos(FHandle, nullptr, ALeft, ATop, AWidth, AHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        Realign();
    }
}

void TWinControl::UpdateBounds() {
    if (!FHandle || IsIconic(FHandle))
        return;
    RECT r;
    GetWindowRect(FHandle, &r);
    if (GetWindowLongW(FHandle, GWL_STYLE) & WS_CHILD)
        MapWindowPoints(HWND_DESKTOP, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
    FLeft = r.left;
    FTop = r.top;
    FWidth = r.right - r.left;
    FHeight = r.bottom - r.top;
}

HBRUSH TWinControl::BrushHandle() {
    FBrush.SetColor(FColor);
    return FBrush.Handle();
}

void TWinControl::HandleNeeded() {
    if (FHandle)
        return;
    if (FParent && !FParent->FHandle) {
        FParent->HandleNeeded(); // makes the children's windows too
        if (FHandle)
            return;
    }
    CreateHandle();
}

void TWinControl::CreateHandle() {
    if (!FHandle && !FCreatingWnd)
        CreateWnd();
}

void TWinControl::CreateParams(TCreateParams& Params) {
    Params.Caption = FText;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (FVisible)
        Params.Style |= WS_VISIBLE;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    if (FTabStop)
        Params.Style |= WS_TABSTOP;
    Params.ExStyle = 0;
    if (FBorderStyle == bsSingle) {
        if (FCtl3D && ThemesActive())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
    if (UseRightToLeftReading())
        Params.ExStyle |= WS_EX_RTLREADING;
    if (UseRightToLeftScrollBar())
        Params.ExStyle |= WS_EX_LEFTSCROLLBAR;
    if (UseRightToLeftAlignment())
        Params.ExStyle |= WS_EX_RIGHT;
    Params.X = FLeft;
    Params.Y = FTop;
    Params.Width = FWidth;
    Params.Height = FHeight;
    Params.WndParent = FParent ? FParent->FHandle : nullptr;
    Params.Param = nullptr;
    Params.WindowClass = WNDCLASSW{};
    Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.WindowClass.lpfnWndProc = DefWindowProcW;
    Params.WindowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    Params.WindowClass.hInstance = ProgramInstance();
    Params.WinClassName = ClassName();
}

void TWinControl::MirrorInRightToLeft(TCreateParams& Params, bool OwnChildren) {
    if (!UseRightToLeftAlignment())
        return;
    // Mirrored, the scroll bar and the text are on the right already.
    Params.ExStyle = (Params.ExStyle & ~(WS_EX_RIGHT | WS_EX_LEFTSCROLLBAR)) | WS_EX_LAYOUTRTL;
    if (OwnChildren)
        Params.ExStyle |= WS_EX_NOINHERITLAYOUT;
}

void TWinControl::CreateSubClass(TCreateParams& Params, const wchar_t* ClassName) {
    WNDCLASSW wc{};
    if (!GetClassInfoW(nullptr, ClassName, &wc) &&
        !GetClassInfoW(GetModuleHandleW(L"comctl32.dll"), ClassName, &wc))
        return;
    wc.hInstance = Params.WindowClass.hInstance;
    wc.style &= ~CS_GLOBALCLASS;
    wc.lpszClassName = nullptr;
    Params.WindowClass = wc;
}

void RegisterControlClass(const TCreateParams& Params, const std::wstring& ClassName) {
    HINSTANCE inst = Params.WindowClass.hInstance ? Params.WindowClass.hInstance : ProgramInstance();
    WNDCLASSW existing{};
    if (GetClassInfoW(inst, ClassName.c_str(), &existing)) {
        if (existing.lpfnWndProc == InitWndProc) {
            // Two control classes under one name would share the wrong window class.
            if (existing.cbWndExtra != Params.WindowClass.cbWndExtra ||
                existing.cbClsExtra != Params.WindowClass.cbClsExtra)
                throw EInvalidOperation(Format(
                    L"Window class %s is registered with other settings; give the control class its own ClassName",
                    {ClassName}));
            return;
        }
        if (!UnregisterClassW(ClassName.c_str(), inst))
            RaiseLastOSError();
    }
    WNDCLASSW wc = Params.WindowClass;
    wc.lpfnWndProc = InitWndProc;
    wc.hInstance = inst;
    wc.lpszClassName = ClassName.c_str();
    if (!RegisterClassW(&wc))
        RaiseLastOSError();
}

HWND CreateControlWindow(TWinControl* Control, const std::wstring& ClassName, const TCreateParams& Params,
                         bool WithCaption) {
    TWinControl* previous = t_CreationControl;
    t_CreationControl = Control;
    HWND wnd = CreateWindowExW(Params.ExStyle, ClassName.c_str(), WithCaption ? Params.Caption.c_str() : nullptr,
                               Params.Style, Params.X, Params.Y, Params.Width, Params.Height, Params.WndParent,
                               nullptr, Params.WindowClass.hInstance ? Params.WindowClass.hInstance
                                                                     : ProgramInstance(),
                               Params.Param);
    DWORD error = GetLastError();
    t_CreationControl = previous;
    if (!wnd)
        RaiseLastOSError(error ? error : ERROR_CANNOT_MAKE);
    // The font before anything else: a control may paint as soon as its text is set (a button
    // does), and what it paints before it has a font is in the system font.
    SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(Control->Font()->Handle()), FALSE);
    return wnd;
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params) {
    RegisterControlClass(Params, Params.WinClassName);
    CreateControlWindow(this, Params.WinClassName, Params, true);
}

void TWinControl::CreateWnd() {
    FCreatingWnd = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{FCreatingWnd};
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw EInvalidOperation(Format(L"Control '%s' has no parent window", {Name()}));
    FDefWndProc = params.WindowClass.lpfnWndProc ? params.WindowClass.lpfnWndProc : DefWindowProcW;
    CreateWindowHandle(params);
    if (!FHandle)
        throw EInvalidOperation(Format(L"Error creating window for '%s'", {Name()}));
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Handle()), FALSE);
    // The window may have been made without its text (the wide layer sets it afterwards).
    if (!FText.empty() && GetText() != FText)
        SetWindowTextW(FHandle, FText.c_str());
    for (TWinControl* c : std::vector<TWinControl*>(FTabList))
        if (!c->FHandle)
            c->CreateHandle();
    // Windows are stacked in the order of the child list.
    for (TControl* c : FControls)
        if (c->IsWindowed() && static_cast<TWinControl*>(c)->FHandle)
            SetWindowPos(static_cast<TWinControl*>(c)->FHandle, HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Realign();
}

// The children's windows go first, each through its own DestroyWnd, so that every child
// keeps what its next window needs (a tree its selection, an ActiveX host its control).
void TWinControl::DestroyHandle() {
    if (!FHandle)
        return;
    for (TWinControl* c : std::vector<TWinControl*>(FTabList))
        c->DestroyHandle();
    if (FHandle)
        DestroyWnd();
}

void TWinControl::DestroyWnd() {
    FText = GetText();
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    if (FHandle && !DestroyWindow(FHandle)) {
        // Not our thread's window any more or already gone: forget it.
        Registry().Remove(FHandle);
        FHandle = nullptr;
    }
}

void TWinControl::SetBorderStyle(TBorderStyle Value) {
    if (Value == FBorderStyle)
        return;
    FBorderStyle = Value;
    RecreateWnd();
}

void TWinControl::SetCtl3D(bool Value) {
    if (Value == FCtl3D)
        return;
    FCtl3D = Value;
    if (FBorderStyle == bsSingle)
        RecreateWnd();
}

void TWinControl::RecreateWnd() {
    if (!FHandle || FRecreating)
        return;
    FRecreating = true;
    bool focused = Focused();
    DestroyHandle();
    try {
        HandleNeeded();
    } catch (...) {
        FRecreating = false;
        throw;
    }
    FRecreating = false;
    if (focused && CanFocus())
        ::SetFocus(FHandle);
}

void TWinControl::PaintWindow(HDC DC) {
    if (FDefWndProc == DefWindowProcW)
        return;
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(DC), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintHandler(TMessage& Message) {
    PAINTSTRUCT ps{};
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    if (!dc)
        dc = BeginPaint(FHandle, &ps);
    // A paint that fails still restores the context and gives it back.
    struct TEndPaint {
        HWND Wnd;
        PAINTSTRUCT* Ps;
        ~TEndPaint() {
            if (Ps)
                EndPaint(Wnd, Ps);
        }
    } endPaint{FHandle, Message.WParam ? nullptr : &ps};
    {
        struct TRestoreDC {
            HDC Dc;
            int Saved;
            ~TRestoreDC() { RestoreDC(Dc, Saved); }
        } restore{dc, SaveDC(dc)};
        PaintWindow(dc);
    }
    PaintControls(dc, nullptr);
    Message.Result = 0;
}

void TWinControl::PaintControls(HDC DC, TControl* First) {
    bool painting = First == nullptr;
    for (TControl* c : std::vector<TControl*>(FControls)) {
        if (c == First)
            painting = true;
        if (!painting || c->IsWindowed() || !c->Visible())
            continue;
        RECT r = c->BoundsRect();
        if (!RectVisible(DC, &r))
            continue;
        struct TRestoreDC {
            HDC Dc;
            int Saved;
            ~TRestoreDC() { RestoreDC(Dc, Saved); }
        } restore{DC, SaveDC(DC)};
        POINT org;
        GetViewportOrgEx(DC, &org);
        SetViewportOrgEx(DC, org.x + c->Left(), org.y + c->Top(), nullptr);
        IntersectClipRect(DC, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
    }
}

bool TWinControl::IsControlMouseMsg(TMessage& Message) {
    if (!IsMouseMsg(Message.Msg))
        return false;
    POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    TControl* c = nullptr;
    if (FCaptureControl && GetCapture() == FHandle)
        c = FCaptureControl;
    else {
        FCaptureControl = nullptr;
        c = ControlAtPos(p, false);
    }
    if (!c)
        return false;
    if (IsButtonDown(Message.Msg) && (c->ControlStyle & csCaptureMouse)) {
        FCaptureControl = c;
        SetCapture(FHandle);
    }
    Message.Result = c->Perform(Message.Msg, Message.WParam, MAKELPARAM(p.x - c->Left(), p.y - c->Top()));
    if (IsButtonUp(Message.Msg) && FCaptureControl &&
        !(Message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) {
        FCaptureControl = nullptr;
        if (GetCapture() == FHandle)
            ReleaseCapture();
    }
    return true;
}

bool TWinControl::DoControlMsg(HWND Child, TMessage& Message) {
    TWinControl* c = FindControl(Child);
    if (!c || c == this)
        return false;
    Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    return true;
}

void TWinControl::DoEnter() {
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit)
        OnExit(this);
}

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
    if (OnKeyDown)
        OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
    if (OnKeyUp)
        OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(wchar_t& Key) {
    if (OnKeyPress)
        OnKeyPress(this, Key);
}

bool TWinControl::DoKeyDown(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && form->DoKeyDown(Message))
        return true;
    WORD key = static_cast<WORD>(Message.WParam);
    KeyDown(key, KeyDataToShiftState(Message.LParam));
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && form->DoKeyUp(Message))
        return true;
    WORD key = static_cast<WORD>(Message.WParam);
    KeyUp(key, KeyDataToShiftState(Message.LParam));
    Message.WParam = key;
    return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& Message) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview && form->DoKeyPress(Message))
        return true;
    wchar_t ch = static_cast<wchar_t>(Message.WParam);
    KeyPress(ch);
    Message.WParam = ch;
    return ch == 0;
}

void TWinControl::WndProc(TMessage& Message) {
    TControlWatch watch(this); // focus, key and size events may free this control
    switch (Message.Msg) {
    case WM_SETFOCUS:
        if (TCustomForm* form = GetParentForm(this))
            if (form != this)
                form->SetFocusedControl(this);
        break;
    case CM_ENTER:
        DoEnter();
        return;
    case CM_EXIT:
        DoExit();
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (DoKeyDown(Message))
            return;
        if (IsContextMenuKey(static_cast<WORD>(Message.WParam))) {
            // The menu of the control with the focus, from the keyboard; the system's own
            // request (its default handling) would come to some windows only.
            Message.Result = 0;
            Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(FHandle), MAKELPARAM(-1, -1));
            return;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (DoKeyUp(Message))
            return;
        if (Message.WParam == VK_APPS) {
            Message.Result = 0; // shown at the key's press
            return;
        }
        break;
    case WM_CHAR:
        if (DoKeyPress(Message))
            return;
        break;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
        Message.Result = 1;
        if (IsMenuKey(static_cast<WORD>(Message.WParam)))
            return;
        DWORD mask = 0;
        switch (Message.WParam) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
        }
        if (mask && Perform(CM_WANTSPECIALKEY, Message.WParam, Message.LParam) == 0 &&
            (Perform(WM_GETDLGCODE) & mask) == 0) {
            if (TCustomForm* form = GetParentForm(this))
                if (form->Perform(CM_DIALOGKEY, Message.WParam, Message.LParam) != 0)
                    return;
        }
        Message.Result = 0;
        return;
    }
    case CN_CHAR:
    case CN_SYSCHAR: {
        Message.Result = 1;
        bool wantsChars = Message.Msg == CN_CHAR && (Perform(WM_GETDLGCODE) & DLGC_WANTCHARS) != 0;
        if (!wantsChars)
            if (TCustomForm* form = GetParentForm(this))
                if (form->Perform(CM_DIALOGCHAR, Message.WParam, Message.LParam) != 0)
                    return;
        Message.Result = 0;
        return;
    }
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
        Broadcast(Message);
        return;
    case WM_COMMAND:
        if (Message.LParam && DoControlMsg(reinterpret_cast<HWND>(Message.LParam), Message))
            return;
        break;
    case WM_NOTIFY:
        if (Message.LParam && DoControlMsg(reinterpret_cast<NMHDR*>(Message.LParam)->hwndFrom, Message))
            return;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_CHARTOITEM:
    case WM_VKEYTOITEM:
        if (Message.LParam && DoControlMsg(reinterpret_cast<HWND>(Message.LParam), Message))
            return;
        break;
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (dis && dis->CtlType != ODT_MENU && DoControlMsg(dis->hwndItem, Message))
            return;
        break;
    }
    case WM_DELETEITEM: {
        auto* dis = reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam);
        if (dis && DoControlMsg(dis->hwndItem, Message))
            return;
        break;
    }
    case WM_COMPAREITEM: {
        auto* cis = reinterpret_cast<COMPAREITEMSTRUCT*>(Message.LParam);
        if (cis && DoControlMsg(cis->hwndItem, Message))
            return;
        break;
    }
    case WM_MEASUREITEM: {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        if (mis && mis->CtlType != ODT_MENU && FHandle &&
            DoControlMsg(GetDlgItem(FHandle, static_cast<int>(mis->CtlID)), Message))
            return;
        break;
    }
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(Message.WParam);
        SetTextColor(dc, ColorToRGB(TextPaintColor()));
        SetBkColor(dc, ColorToRGB(FColor));
        Message.Result = reinterpret_cast<LRESULT>(BrushHandle());
        return;
    }
    case WM_PAINT:
        if (FDefWndProc == DefWindowProcW || std::any_of(FControls.begin(), FControls.end(),
                                                           [](TControl* c) { return !c->IsWindowed(); })) {
            PaintHandler(Message);
            return;
        }
        break;
    case WM_ERASEBKGND:
        if (FDefWndProc == DefWindowProcW) {
            RECT r;
            GetClientRect(FHandle, &r);
            FillRect(reinterpret_cast<HDC>(Message.WParam), &r, BrushHandle());
            Message.Result = 1;
            return;
        }
        break;
    case WM_WINDOWPOSCHANGED:
        UpdateBounds();
        break; // the default procedure sends WM_SIZE/WM_MOVE from here
    case WM_SIZE:
        Dispatch(Message);
        if (Message.WParam != SIZE_MINIMIZED && !watch.Freed()) {
            UpdateBounds();
            Realign();
            Resize();
        }
        return;
    case WM_MOUSEWHEEL: {
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        if (DoMouseWheel(KeysToShiftState(LOWORD(Message.WParam)), static_cast<short>(HIWORD(Message.WParam)), p)) {
            Message.Result = 1;
            return;
        }
        break;
    }
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(Message.WParam) == FHandle) {
            TCursor cursor = g_ControlHooks.ScreenCursor ? g_ControlHooks.ScreenCursor() : crDefault;
            if (cursor == crDefault && LOWORD(Message.LParam) == HTCLIENT) {
                POINT p;
                GetCursorPos(&p);
                ::ScreenToClient(FHandle, &p);
                TControl* c = ControlAtPos(p, false);
                cursor = (c && c->Cursor() != crDefault) ? c->Cursor() : FCursor;
            }
            if (cursor != crDefault && g_ControlHooks.CursorHandle) {
                ::SetCursor(g_ControlHooks.CursorHandle(cursor));
                Message.Result = 1;
                return;
            }
        }
        break;
    case WM_CONTEXTMENU: {
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        bool keyboard = p.x == -1 && p.y == -1;
        if (!keyboard) {
            POINT cp = ScreenToClient(p);
            if (TControl* c = ControlAtPos(cp, false)) {
                Message.Result = c->Perform(WM_CONTEXTMENU, Message.WParam, Message.LParam);
                if (Message.Result)
                    return;
            }
        }
        bool handled = false;
        DoContextPopup(keyboard ? POINT{-1, -1} : ScreenToClient(p), handled);
        if (!handled && FPopupMenu && FPopupMenu->AutoPopup) {
            if (keyboard) {
                RECT r = ClientRect();
                p = ClientToScreen(POINT{(r.right - r.left) / 2, (r.bottom - r.top) / 2});
            }
            FPopupMenu->Popup(this, p.x, p.y);
            handled = true;
        }
        if (handled) {
            Message.Result = 1;
            return;
        }
        break;
    }
    case WM_SETTEXT:
        Dispatch(Message);
        Perform(CM_TEXTCHANGED);
        return;
    case CM_BIDIMODECHANGED:
        if (RightToLeftAvailable() && FHandle)
            RecreateWnd();
        break;
    case WM_DESTROY:
        if (!IsDestroying())
            FText = GetText();
        break;
    case WM_NCDESTROY:
        Dispatch(Message);
        Registry().Remove(FHandle);
        FHandle = nullptr;
        FCaptureControl = nullptr;
        FTrackingMouse = false;
        return;
    case WM_MOUSELEAVE:
        FTrackingMouse = false;
        if (g_ControlHooks.MouseOver)
            g_ControlHooks.MouseOver(this, nullptr);
        break;
    case WM_MOUSEMOVE:
        TrackMouse(Message);
        if (IsControlMouseMsg(Message))
            return;
        break;
    default:
        if (IsControlMouseMsg(Message))
            return;
        break;
    }
    if (!watch.Freed())
        TControl::WndProc(Message);
}

// The mouse moved in this window: the system is asked to post WM_MOUSELEAVE when it
// leaves, and the control under the mouse (this one or a windowless child) is reported.
void TWinControl::TrackMouse(TMessage& Message) {
    if (!FHandle || !g_ControlHooks.MouseOver)
        return;
    // The system watches one window at a time: another window's request may have ended the
    // watch over this one, so it is asked for whenever it is not on.
    TRACKMOUSEEVENT query{sizeof(query), TME_QUERY, nullptr, 0};
    if (!FTrackingMouse || !TrackMouseEvent(&query) || query.hwndTrack != FHandle || !(query.dwFlags & TME_LEAVE)) {
        TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, FHandle, 0};
        FTrackingMouse = TrackMouseEvent(&tme) != FALSE;
    }
    // A move handled after the pointer went on (a busy moment, a fast move out of the window)
    // gets no leave from the system, which watches only from here on: it is posted here.
    POINT cursor;
    if (GetCapture() != FHandle && GetCursorPos(&cursor) && WindowFromPoint(cursor) != FHandle) {
        FTrackingMouse = false;
        PostMessageW(FHandle, WM_MOUSELEAVE, 0, 0);
    }
    POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    RECT client;
    GetClientRect(FHandle, &client);
    TControl* over = nullptr;
    if (PtInRect(&client, p)) { // outside only while the mouse is captured
        over = ControlAtPos(p, true);
        if (!over)
            over = this;
    }
    g_ControlHooks.MouseOver(this, over);
}

void TWinControl::DefaultHandler(TMessage& Message) {
    if (!FHandle) {
        TControl::DefaultHandler(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_NOTIFYFORMAT:
        if (Message.LParam == NF_QUERY) {
            HWND wnd = reinterpret_cast<HWND>(Message.WParam);
            TWinControl* creating = t_CreationControl;
            bool unicode = (wnd && IsWindowUnicode(wnd)) || (creating && creating->FHandle == wnd);
            Message.Result = unicode ? NFR_UNICODE : NFR_ANSI;
            return;
        }
        break;
    case WM_IME_CHAR:
        // Our windows are Unicode: the composed character arrives as one WM_CHAR.
        Message.Result = SendMessageW(FHandle, WM_CHAR, Message.WParam, Message.LParam);
        return;
    }
    Message.Result = CallWindowProcW(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
}

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
