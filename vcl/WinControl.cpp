// TWinControl, a control with a window of its own: its children and their alignment, tab
// order and focus, text and bounds kept with the window, and the window's making and
// remaking. Its painting, mouse, keys and WndProc are in WinControlMessages.cpp.
#include "Controls.h"
#include "ControlsInternal.h"

#include "Boundary.h"
#include "Forms.h"
#include "SysUtils.h"
#include "Themes.h"

#include <windowsx.h>

#include <algorithm>
#include <cwchar>

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

void TWinControl::ChangeReadingInPlace() {
    if (!FHandle)
        return;
    TCreateParams params;
    CreateParams(params);
    const LONG_PTR flags = WS_EX_LAYOUTRTL | WS_EX_NOINHERITLAYOUT | WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR | WS_EX_RIGHT;
    SetWindowLongPtrW(FHandle, GWL_EXSTYLE, (GetWindowLongPtrW(FHandle, GWL_EXSTYLE) & ~flags) | (params.ExStyle & flags));
    SetWindowPos(FHandle, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
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
