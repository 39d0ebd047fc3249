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

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {

constexpr UINT_PTR HintShowTimer = 1;
constexpr UINT_PTR HintHideTimer = 2;

// Makes the screen and application objects before main() and frees them at exit.
struct TFormsUnit {
    TFormsUnit() {
        Screen = new TScreen(nullptr);
        Application = new TApplication(nullptr);
        g_ControlHooks.HintMouseMessage = [](TControl* c, TMessage& m) {
            if (Application)
                Application->HintMouseMessage(c, m);
        };
        g_ControlHooks.ScreenCursor = [] { return Screen ? Screen->Cursor() : crDefault; };
        g_ControlHooks.CursorHandle = [](TCursor c) { return Screen ? Screen->Cursors(c) : nullptr; };
        g_ControlHooks.MouseOver = [](TWinControl* w, TControl* c) {
            if (Application)
                Application->MouseOver(w, c);
        };
        g_ControlHooks.HideHints = [] {
            if (Application)
                Application->HideHints();
        };
        ThreadLog = [](const std::wstring& line) {
            if (Application)
                Application->Log(line);
            else
                OutputDebugStringW((line + L"\n").c_str());
        };
    }
    ~TFormsUnit() {
        g_ControlHooks = TControlHooks{};
        ThreadLog = nullptr;
        delete Application;
        Application = nullptr;
        delete Screen;
        Screen = nullptr;
    }
} g_FormsUnit;

// The control (windowed or not) under a screen point, if it is one of ours.
TControl* FindDragTarget(POINT P) {
    HWND wnd = WindowFromPoint(P);
    TWinControl* w = nullptr;
    while (wnd && !(w = FindControl(wnd)))
        wnd = GetParent(wnd);
    if (!w)
        return nullptr;
    POINT c = w->ScreenToClient(P);
    if (TControl* g = w->ControlAtPos(c, false))
        return g;
    return w;
}

// Centres Form on Area, then moves it as little as it takes to show it whole on the screen's
// work area (at the area's top left when it is larger).
void CenterIn(TCustomForm* Form, const RECT& Area) {
    const int w = Form->Width(), h = Form->Height();
    const int x = Area.left + ((Area.right - Area.left) - w) / 2;
    const int y = Area.top + ((Area.bottom - Area.top) - h) / 2;
    const POINT p = Screen ? Screen->PlaceInWorkArea(RECT{x, y, x + w, y + h})
                           : POINT{std::max<int>(x, Area.left), std::max<int>(y, Area.top)};
    Form->SetBounds(p.x, p.y, w, h);
}

// Form state: Release arrived while the form was modal; ShowModal frees it on its way out.
constexpr unsigned fsReleasePending = 0x10000;

// Tells a loop running on a component's behalf that the component has been freed.
class TFreeWatch : public TComponent {
public:
    explicit TFreeWatch(TComponent* Watched) : TComponent(nullptr), FWatched(Watched) {
        Watched->FreeNotification(this);
    }
    ~TFreeWatch() override {
        if (!Gone)
            FWatched->RemoveFreeNotification(this);
    }
    bool Gone = false;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == TOperation::opRemove && AComponent == FWatched)
            Gone = true;
    }

private:
    TComponent* FWatched;
};

struct TDisabledWindows {
    HWND Except;
    std::vector<HWND> List;
};

BOOL CALLBACK DisableProc(HWND Wnd, LPARAM Data) {
    auto* d = reinterpret_cast<TDisabledWindows*>(Data);
    if (Wnd != d->Except && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
        d->List.push_back(Wnd);
        EnableWindow(Wnd, FALSE);
    }
    return TRUE;
}

} // namespace

std::wstring GetShortHint(const std::wstring& Hint) {
    size_t p = Hint.find(L'|');
    return p == std::wstring::npos ? Hint : Hint.substr(0, p);
}

std::wstring GetLongHint(const std::wstring& Hint) {
    size_t p = Hint.find(L'|');
    return p == std::wstring::npos ? Hint : Hint.substr(p + 1);
}

std::wstring GetHint(TControl* Control) {
    for (; Control; Control = Control->Parent())
        if (!Control->Hint().empty())
            return Control->Hint();
    return L"";
}

// ------------------------------------------------------------------ TFrame

TFrame::TFrame(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle |= csAcceptsControls;
    SetParentColor(true);
    SetBounds(0, 0, 320, 240);
}

void TFrame::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
    Params.ExStyle |= WS_EX_CONTROLPARENT;
}

// ------------------------------------------------------------------ TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TCustomControl(AOwner) {
    FVisible = false;
    FParentFont = false;
    FBorderStyle = bsSizeable;
    FColor = clBtnFace;
    FWidth = 320;
    FHeight = 240;
    if (Application)
        FBiDiMode = Application->BiDiMode();
    if (Screen)
        Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    BeforeDestruction();
    Destroying();
    for (TControl* c : FControls)
        c->Destroying();
    // The menu belongs to its component, not to the window (DestroyWindow would destroy it).
    if (FMenu && HandleAllocated())
        ::SetMenu(FHandle, nullptr);
    DestroyHandle();
    if (Screen)
        Screen->RemoveForm(this);
    if (Application && Application->MainForm() == this)
        Application->SetMainForm(nullptr);
}

void TCustomForm::BeforeDestruction() {
    if (FDestroyEventDone)
        return;
    FDestroyEventDone = true;
    // Forms this form owns go first, while they are still whole.
    for (int i = ComponentCount(); i-- > 0;)
        if (auto* f = dynamic_cast<TCustomForm*>(Components(i)))
            f->BeforeDestruction();
    if (OnDestroy)
        Guarded(L"TCustomForm.OnDestroy", [&] { OnDestroy(this); });
}

void TCustomForm::DoCreate() {
    if (OnCreate)
        OnCreate(this);
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
    if (Value == FBorderIcons)
        return;
    FBorderIcons = Value;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
    if (Value == FFormStyle)
        return;
    FFormStyle = Value;
    if (HandleAllocated())
        SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

int TCustomForm::ShowCommand() const {
    switch (FWindowState) {
    case wsMinimized: return SW_SHOWMINIMIZED;
    case wsMaximized: return SW_SHOWMAXIMIZED;
    default: return SW_SHOWNORMAL;
    }
}

void TCustomForm::SetWindowState(TWindowState Value) {
    if (Value == FWindowState)
        return;
    FWindowState = Value;
    if (HandleAllocated() && IsWindowVisible(FHandle))
        ShowWindow(FHandle, Value == wsNormal ? SW_RESTORE : ShowCommand());
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
    if (Control == FActiveControl)
        return;
    if (Control && (Control == this || GetParentForm(Control) != this || !Control->CanFocus()))
        throw EInvalidOperation(L"Cannot focus a disabled or invisible window");
    FActiveControl = Control;
    if (Control && HandleAllocated() && GetActiveWindow() == FHandle)
        ::SetFocus(Control->Handle());
}

void TCustomForm::FocusControl(TWinControl* Control) {
    FActiveControl = Control;
    if (HandleAllocated() && IsWindowVisible(FHandle) && GetActiveWindow() == FHandle)
        ::SetFocus(Control->Handle());
    else if (HandleAllocated() && IsWindowVisible(FHandle))
        SetForegroundWindow(FHandle), ::SetFocus(Control->Handle());
}

void TCustomForm::SetFocusedControl(TWinControl* Control) {
    if (Control == FFocusedControl)
        return;
    TWinControl* old = FFocusedControl;
    FFocusedControl = Control;
    FActiveControl = Control;
    if (Screen)
        Screen->SetActiveControl(Control);
    // Leave the old chain up to the common parent, then enter the new one from outside in.
    for (TWinControl* w = old; w && w != this && !(Control && w->ContainsControl(Control)); w = w->Parent())
        w->Perform(CM_EXIT);
    std::vector<TWinControl*> enter;
    for (TWinControl* w = Control; w && w != this; w = w->Parent())
        if (!old || !w->ContainsControl(old))
            enter.push_back(w);
    for (auto it = enter.rbegin(); it != enter.rend(); ++it)
        (*it)->Perform(CM_ENTER);
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
}

void TCustomForm::ControlRemoved(TControl* Control) {
    auto inside = [Control](TWinControl* w) {
        for (TControl* c = w; c; c = c->Parent())
            if (c == Control)
                return true;
        return false;
    };
    if (FActiveControl && inside(FActiveControl))
        FActiveControl = nullptr;
    if (FFocusedControl && inside(FFocusedControl))
        FFocusedControl = nullptr;
    if (Screen && Screen->ActiveControl() && inside(Screen->ActiveControl()))
        Screen->SetActiveControl(nullptr);
}

void TCustomForm::SetMenu(TMenuBase* Value) {
    if (Value == FMenu)
        return;
    if (FMenu)
        FMenu->RemoveFreeNotification(this);
    FMenu = Value;
    if (Value)
        Value->FreeNotification(this);
    if (HandleAllocated())
        ::SetMenu(FHandle, Value ? Value->GetHandle() : nullptr);
}

bool TCustomForm::HasMenuBar() { return FMenu != nullptr; }

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FMenu) {
        FMenu = nullptr;
        if (HandleAllocated() && !IsDestroying())
            ::SetMenu(FHandle, nullptr);
    }
    if (AComponent == FActiveControl)
        FActiveControl = nullptr;
    if (AComponent == FFocusedControl)
        FFocusedControl = nullptr;
}

void TCustomForm::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (!FEnabled)
        Params.Style |= WS_DISABLED;
    Params.ExStyle &= WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR | WS_EX_RIGHT;
    Params.WndParent = Application ? (Application->HandleAllocated() || !IsDestroying() ? Application->Handle()
                                                                                     : nullptr)
                                   : nullptr;
    switch (FBorderStyle) {
    case bsNone: Params.Style |= WS_POPUP; break;
    case bsSingle: Params.Style |= WS_CAPTION; break;
    case bsSizeable: Params.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
        Params.Style |= WS_POPUP | WS_CAPTION;
        Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        Params.Style |= WS_CAPTION;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        Params.Style |= WS_CAPTION | WS_THICKFRAME;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (FBorderStyle != bsNone && (FBorderIcons & biSystemMenu)) {
        Params.Style |= WS_SYSMENU;
        if (FBorderStyle == bsSingle || FBorderStyle == bsSizeable) {
            if (FBorderIcons & biMinimize)
                Params.Style |= WS_MINIMIZEBOX;
            if (FBorderIcons & biMaximize)
                Params.Style |= WS_MAXIMIZEBOX;
        }
        if (FBorderStyle == bsDialog && (FBorderIcons & biHelp))
            Params.ExStyle |= WS_EX_CONTEXTHELP;
    }
    if (FFormStyle == fsStayOnTop)
        Params.ExStyle |= WS_EX_TOPMOST;
    // The owner is the hidden application window, so the main form needs its own taskbar button.
    if (Application && Application->MainForm() == this)
        Params.ExStyle |= WS_EX_APPWINDOW;
    if (FPosition == poDefault || FPosition == poDefaultPosOnly) {
        Params.X = CW_USEDEFAULT;
        Params.Y = CW_USEDEFAULT;
    }
    if (FPosition == poDefault || FPosition == poDefaultSizeOnly) {
        Params.Width = CW_USEDEFAULT;
        Params.Height = CW_USEDEFAULT;
    }
    Params.WindowClass.style = CS_DBLCLKS;
    Params.WindowClass.hIcon = LoadIconW(Params.WindowClass.hInstance, L"MAINICON");
    if (!Params.WindowClass.hIcon)
        Params.WindowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
}

void TCustomForm::CreateWnd() {
    TCustomControl::CreateWnd();
    if (FMenu)
        ::SetMenu(FHandle, FMenu->GetHandle());
    UpdateBounds();
    if (FVisible) // a re-created window of a showing form
        ShowWindow(FHandle, ShowCommand());
}

void TCustomForm::Paint() {
    if (OnPaint)
        OnPaint(this);
}

void TCustomForm::ApplyPosition() {
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        CenterIn(this, Screen ? Screen->WorkAreaRect() : RECT{0, 0, 800, 600});
        break;
    case poMainFormCenter:
    case poOwnerFormCenter: {
        TCustomForm* around = FPosition == poOwnerFormCenter ? dynamic_cast<TCustomForm*>(Owner()) : nullptr;
        if (!around && Application)
            around = Application->MainForm();
        if (around && around != this)
            CenterIn(this, around->BoundsRect());
        else if (Screen)
            CenterIn(this, Screen->WorkAreaRect());
        break;
    }
    default:
        break;
    }
}

void TCustomForm::SetVisible(bool Value) {
    if (Value) {
        if (FVisible && HandleAllocated() && IsWindowVisible(FHandle))
            return;
        FVisible = true;
        HandleNeeded();
        ApplyPosition();
        DoShow();
        ShowWindow(FHandle, ShowCommand());
        SetWindowPos(FHandle, FFormStyle == fsStayOnTop ? HWND_TOPMOST : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE);
        if (FActiveControl && GetActiveWindow() == FHandle && FActiveControl->CanFocus())
            ::SetFocus(FActiveControl->Handle());
    } else {
        if (!FVisible)
            return;
        FVisible = false;
        DoHide();
        if (HandleAllocated())
            ShowWindow(FHandle, SW_HIDE);
    }
    Perform(CM_VISIBLECHANGED, Value);
}

void TCustomForm::DoShow() {
    if (OnShow)
        OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide)
        OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose)
        OnClose(this, Action);
}

void TCustomForm::Activate() {
    if (OnActivate)
        OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate)
        OnDeactivate(this);
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (FFormState & fsModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery())
        return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone)
        return;
    if (Application && Application->MainForm() == this)
        Application->Terminate();
    else if (action == caHide)
        Hide();
    else if (action == caMinimize)
        SetWindowState(wsMinimized);
    else
        Release();
}

void TCustomForm::Release() {
    if (HandleAllocated())
        PostMessageW(FHandle, CM_RELEASE, 0, 0);
}

void TCustomForm::FitIntoWorkArea() {
    if (!Screen || (HandleAllocated() && IsZoomed(FHandle)))
        return;
    const RECT r = Screen->FitInWorkArea(BoundsRect());
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    if (action == caNone)
        FModalResult = mrNone;
    else if (action == caFree)
        Release();
}

TModalResult TCustomForm::ShowModal() {
    if (FVisible || !FEnabled || (FFormState & fsModal))
        throw EInvalidOperation(L"Cannot make a visible window modal");
    HWND own = Handle(); // made before the form counts as modal
    if (HWND capture = GetCapture()) {
        SendMessageW(capture, WM_CANCELMODE, 0, 0);
        ReleaseCapture();
    }
    HWND previousActive = GetActiveWindow();
    FFormState |= fsModal;
    TDisabledWindows disabled{own, {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableProc, reinterpret_cast<LPARAM>(&disabled));
    // What the nested loop runs may free the form (its owner going away, say): from then
    // on nothing of it is touched.
    TFreeWatch watch(this);
    auto restore = [&] {
        for (HWND w : disabled.List)
            if (IsWindow(w))
                EnableWindow(w, TRUE);
        if (previousActive && IsWindow(previousActive))
            SetActiveWindow(previousActive);
        if (watch.Gone)
            return;
        FFormState &= ~fsModal;
        Hide();
    };
    // A quit request that arrives while the form is up ends it (one from before does not).
    bool terminatedBefore = Application->Terminated();
    TApplication::TNestedLoop nested(Application);
    try {
        Show();
        FModalResult = mrNone;
        while (!watch.Gone) {
            Application->HandleMessage();
            if (watch.Gone)
                break;
            if (FFormState & fsReleasePending) {
                if (FModalResult == mrNone)
                    FModalResult = mrCancel; // being freed: no close query
                break;
            }
            if (Application->Terminated() && !terminatedBefore)
                FModalResult = mrCancel;
            else if (FModalResult != mrNone)
                CloseModal();
            if (FModalResult != mrNone)
                break;
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    if (watch.Gone)
        return mrCancel;
    if (FFormState & fsReleasePending) {
        FFormState &= ~fsReleasePending;
        Release();
    }
    return FModalResult;
}

void TCustomForm::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_CLOSE:
        Close();
        Message.Result = 0;
        return;
    case WM_ACTIVATE:
        if (LOWORD(Message.WParam) != WA_INACTIVE) {
            FActive = true;
            if (Screen)
                Screen->SetActiveForm(this);
            Activate();
            Dispatch(Message);
            if (FActiveControl && FActiveControl->CanFocus() && !HIWORD(Message.WParam))
                ::SetFocus(FActiveControl->Handle());
        } else {
            FActive = false;
            Deactivate();
            Dispatch(Message);
        }
        return;
    case WM_ACTIVATEAPP:
        if (Application)
            Application->DoActivateApp(Message.WParam != 0);
        break;
    case WM_COMMAND:
        if (Message.LParam == 0 && HIWORD(Message.WParam) == 0 && FMenu &&
            FMenu->DispatchCommand(LOWORD(Message.WParam))) {
            Message.Result = 0;
            return;
        }
        break;
    case WM_ENTERMENULOOP:
        if (Application)
            Application->HideHints();
        break;
    case WM_INITMENUPOPUP:
        if (FMenu)
            FMenu->DispatchPopup(reinterpret_cast<HMENU>(Message.WParam));
        break;
    case WM_MENUCHAR:
        if (FMenu && (Message.Result = FMenu->MenuChar(reinterpret_cast<HMENU>(Message.LParam), LOWORD(Message.WParam))))
            return;
        break;
    case WM_SIZE:
        if (FVisible || IsWindowVisible(FHandle)) {
            if (Message.WParam == SIZE_MINIMIZED)
                FWindowState = wsMinimized;
            else if (Message.WParam == SIZE_MAXIMIZED)
                FWindowState = wsMaximized;
            else if (Message.WParam == SIZE_RESTORED)
                FWindowState = wsNormal;
        }
        break;
    case CM_DIALOGKEY:
        if (GetKeyState(VK_MENU) >= 0) {
            if (Message.WParam == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
                SelectNext(FActiveControl, GetKeyState(VK_SHIFT) >= 0, true);
                Message.Result = 1;
                return;
            }
            if (Message.WParam == VK_LEFT || Message.WParam == VK_RIGHT || Message.WParam == VK_UP ||
                Message.WParam == VK_DOWN) {
                if (FActiveControl && FActiveControl->Parent()) {
                    FActiveControl->Parent()->SelectNext(FActiveControl,
                                                         Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
                    Message.Result = 1;
                }
                return;
            }
        }
        break; // the children may take it (default and cancel buttons)
    case CM_PARENTBIDIMODECHANGED:
        if (FParentBiDiMode && Application)
            SetBiDiModeInternal(Application->BiDiMode());
        return;
    case CM_BIDIMODECHANGED:
        // A form keeps its window (others hold its handle): its reading flags change in place;
        // its menu (hooked in before this) and its children follow on their own.
        if (FHandle) {
            TCreateParams params;
            CreateParams(params);
            const LONG_PTR flags = WS_EX_RTLREADING | WS_EX_LEFTSCROLLBAR | WS_EX_RIGHT;
            SetWindowLongPtrW(FHandle, GWL_EXSTYLE,
                              (GetWindowLongPtrW(FHandle, GWL_EXSTYLE) & ~flags) | (params.ExStyle & flags));
        }
        return;
    case WM_DESTROY:
        // A new window takes the menu again; the system must not destroy it with this one.
        if (FMenu && GetMenu(FHandle))
            ::SetMenu(FHandle, nullptr);
        break;
    case CM_RELEASE: {
        if (FFormState & fsModal) {
            // ShowModal still runs on this object: it ends first and releases the form then.
            FFormState |= fsReleasePending;
            return;
        }
        BeforeDestruction();
        delete this;
        return;
    }
    }
    TCustomControl::WndProc(Message);
}

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
    RECT work = Screen ? Screen->WorkAreaRect() : RECT{0, 0, 0, 0};
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

// ------------------------------------------------------------------ TApplication

LRESULT CALLBACK AppWndProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* app = reinterpret_cast<TApplication*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!app)
        return DefWindowProcW(hWnd, Msg, wParam, lParam);
    return Guarded(L"TApplication.WndProc", LRESULT(0), [&] { return app->WndProc(hWnd, Msg, wParam, lParam); });
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    size_t slash = name.find_last_of(L"\\/");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    size_t dot = name.rfind(L'.');
    if (dot != std::wstring::npos)
        name.erase(dot);
    FTitle = name;
    SetBoundaryHandler([this](const wchar_t* where, const std::wstring& cls, const std::wstring& msg) {
        HandleException(where, cls, msg);
    });
}

TApplication::~TApplication() {
    // Exceptions stopped from here on (threads still running, windows of other units)
    // must not reach an object that is going away.
    SetBoundaryHandler(nullptr);
    if (FMenuFilterHook)
        UnhookWindowsHookEx(FMenuFilterHook);
    FMenuFilterHook = nullptr;
    FFilters.clear();
    DestroyForms();
    if (FHandle) {
        HWND wake = FHandle;
        WakeMainThreadWindow.compare_exchange_strong(wake, nullptr);
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
        FHandle = nullptr;
    }
}

HWND TApplication::Handle() {
    if (!FHandle) {
        HINSTANCE inst = GetModuleHandleW(nullptr);
        WNDCLASSW wc{};
        if (!GetClassInfoW(inst, L"TApplication", &wc)) {
            wc.lpfnWndProc = AppWndProc;
            wc.hInstance = inst;
            wc.hIcon = LoadIconW(inst, L"MAINICON");
            if (!wc.hIcon)
                wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.lpszClassName = L"TApplication";
            if (!RegisterClassW(&wc))
                RaiseLastOSError();
        }
        FHandle = CreateWindowExW(0, L"TApplication", FTitle.c_str(),
                                  WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                                  GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                                  nullptr, nullptr, inst, this);
        if (!FHandle)
            RaiseLastOSError();
        // Calls queued for the GUI thread wake the loop through this window from now on.
        WakeMainThreadWindow = FHandle;
    }
    return FHandle;
}

void TApplication::DestroyForms() {
    // Forms hear OnDestroy while whole, last created first.
    for (int i = ComponentCount(); i-- > 0;)
        if (auto* f = dynamic_cast<TCustomForm*>(Components(i)))
            f->BeforeDestruction();
    DestroyComponents();
}

void TApplication::Initialize() {
    InitRuntime();
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);
}

void TApplication::FormCreated(TComponent* Form) {
    auto* form = dynamic_cast<TCustomForm*>(Form);
    if (!form)
        return;
    if (!FMainForm) {
        FMainForm = form;
        form->HandleNeeded();
    }
    form->DoCreate();
}

void TApplication::SetMainForm(TCustomForm* Form) {
    if (Form == FMainForm)
        return;
    if (FMainForm && FMainForm != Form)
        FMainForm->RemoveFreeNotification(this);
    FMainForm = Form;
    if (Form)
        Form->FreeNotification(this);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FMainForm)
        FMainForm = nullptr;
    if (AComponent == FHintWindow)
        FHintWindow = nullptr;
    if (AComponent == FHintControl)
        FHintControl = nullptr;
    if (AComponent == FMouseControl)
        FMouseControl = nullptr;
}

void TApplication::Run() {
    FTerminated = false;
    Handle();
    if (FMainForm && ShowMainForm)
        FMainForm->Show();
    do {
        HandleMessage();
    } while (!FTerminated);
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::IsKeyMsg(MSG& Msg) {
    if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN && Msg.message != WM_CHAR &&
        Msg.message != WM_SYSCHAR)
        return false;
    HWND wnd = GetCapture() ? GetCapture() : Msg.hwnd;
    TWinControl* control = nullptr;
    while (wnd && !(control = FindControl(wnd)))
        wnd = GetParent(wnd);
    return control && control->Perform(CN_BASE + Msg.message, Msg.wParam, Msg.lParam) != 0;
}

bool TApplication::ProcessMessage(MSG& Msg) {
    const bool got = PeekMessageW(&Msg, nullptr, 0, 0, PM_REMOVE);
    FQueueCheckedAt = GetTickCount64();
    if (!got)
        return false;
    if (Msg.message == WM_QUIT) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    if (OnMessage)
        OnMessage(Msg, handled);
    AppEvents::DoMessage(Msg, handled);
    if (!handled)
        handled = PreProcessMessage(Msg);
    CheckHintMsg(Msg);
    if (!handled && !IsKeyMsg(Msg) && !(DialogHandle && IsDialogMessageW(DialogHandle, &Msg))) {
        TranslateMessage(&Msg);
        DispatchMessageW(&Msg);
    }
    return true;
}

LRESULT CALLBACK MenuFilterHook(int Code, WPARAM wParam, LPARAM lParam);

int TApplication::AddMessageFilter(TMessageFilter Filter) {
    if (!Filter)
        throw EInvalidOperation(L"A message filter needs a function");
    int id = FNextFilterId++;
    FFilters.push_back(TFilterEntry{id, std::make_shared<TMessageFilter>(std::move(Filter))});
    // The system's menu loop does not come through our loop: a message-filter hook shows
    // its messages to the filters as well.
    if (!FMenuFilterHook && GetCurrentThreadId() == MainThreadID)
        FMenuFilterHook = SetWindowsHookExW(WH_MSGFILTER, MenuFilterHook, nullptr, GetCurrentThreadId());
    return id;
}

void TApplication::RemoveMessageFilter(int Id) {
    FFilters.erase(std::remove_if(FFilters.begin(), FFilters.end(),
                                  [Id](const TFilterEntry& e) { return e.Id == Id; }),
                   FFilters.end());
}

bool TApplication::RunMessageFilters(MSG& Msg) {
    size_t i = 0;
    while (i < FFilters.size()) {
        TFilterEntry entry = FFilters[i]; // kept alive while it runs, even if removed
        if ((*entry.Filter)(Msg))
            return true;
        // Filters added or removed meanwhile: go on with the first one added after this.
        i = static_cast<size_t>(std::find_if(FFilters.begin(), FFilters.end(),
                                             [&](const TFilterEntry& e) { return e.Id > entry.Id; }) -
                                FFilters.begin());
    }
    return false;
}

bool TApplication::PreProcessMessage(MSG& Msg) {
    if (!FFilters.empty() && RunMessageFilters(Msg))
        return true;
    // The target window's control first, then up through the parent windows (a window
    // that is not ours, such as the inner window of an ActiveX control, is passed over).
    HWND wnd = Msg.hwnd;
    while (wnd) {
        HWND parent = (GetWindowLongW(wnd, GWL_STYLE) & WS_CHILD) ? GetParent(wnd) : nullptr;
        if (TWinControl* control = FindControl(wnd))
            if (control->PreTranslateMessage(Msg))
                return true;
        wnd = parent;
    }
    return false;
}

LRESULT CALLBACK MenuFilterHook(int Code, WPARAM wParam, LPARAM lParam) {
    if (Code == MSGF_MENU && Application && lParam) {
        MSG& msg = *reinterpret_cast<MSG*>(lParam);
        if (Guarded(L"TApplication.MenuFilterHook", false, [&] { return Application->RunMessageFilters(msg); }))
            return 1;
    }
    return CallNextHookEx(nullptr, Code, wParam, lParam);
}

void TApplication::HandleMessage() {
    Guarded(L"TApplication.HandleMessage", [&] {
        MSG msg;
        if (!ProcessMessage(msg))
            Idle();
    });
}

void TApplication::ProcessMessages() {
    TNestedLoop nested(this);
    MSG msg;
    for (bool more = true; more;)
        Guarded(L"TApplication.ProcessMessages", [&] { more = ProcessMessage(msg); });
}

bool TCustomForm::IsShortCut(WORD Key, TShiftState Shift) {
    bool handled = false;
    if (OnShortCut)
        OnShortCut(Key, Shift, handled);
    if (handled)
        return true;
    if (FMenu && FMenu->IsShortCutKey(Key, Shift))
        return true;
    const TShortCut sc = ::ShortCut(Key, Shift);
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* list = dynamic_cast<TCustomActionList*>(Components(i)))
            if (list->IsShortCut(sc))
                return true;
    return false;
}

void TApplication::Idle() {
    // The hint of the control under the mouse may have changed since it was entered.
    SetHint(FMouseControl ? GetLongHint(GetHint(FMouseControl)) : L"");
    bool done = true;
    if (OnIdle)
        OnIdle(this, done);
    AppEvents::DoIdle(this, done);
    if (done && Screen)
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (Screen->Forms(i)->Visible())
                Screen->Forms(i)->UpdateActions();
    // Actions linked to menu items and controls refresh their state while the program idles.
    if (done)
        UpdateLinkedActions();
    if (GetCurrentThreadId() == MainThreadID && CheckSynchronize())
        done = false;
    if (done)
        WaitMessage();
}

void TApplication::MouseOver(TWinControl* Window, TControl* Control) {
    if (Control) {
        SetMouseControl(Control);
        return;
    }
    // Window lost the mouse: so did a windowless child of it. A move into another of our
    // windows may have come first and already named the new control.
    if (FMouseControl && (FMouseControl == Window || (!FMouseControl->IsWindowed() && FMouseControl->Parent() == Window)))
        SetMouseControl(nullptr);
}

void TApplication::SetMouseControl(TControl* Control) {
    if (Control == FMouseControl)
        return;
    TControl* old = FMouseControl;
    if (old)
        old->RemoveFreeNotification(this);
    FMouseControl = Control;
    if (Control)
        Control->FreeNotification(this);
    if (old)
        old->Perform(CM_MOUSELEAVE);
    // The pointer left the program's windows: so it left the control of any hint.
    if (!Control)
        HideHints();
    // The leave handler may have freed the new control (its free notification cleared it).
    if (FMouseControl)
        FMouseControl->Perform(CM_MOUSEENTER);
    SetHint(FMouseControl ? GetLongHint(GetHint(FMouseControl)) : L"");
}

void TApplication::SetHint(const std::wstring& Value) {
    if (Value == FHint)
        return;
    FHint = Value;
    if (OnHint)
        OnHint(this);
    AppEvents::DoHint(this);
}

std::wstring TApplication::Title() {
    if (!FHandle)
        return FTitle;
    int len = GetWindowTextLengthW(FHandle);
    std::wstring s(static_cast<size_t>(std::max(len, 0)) + 1, L'\0');
    int n = GetWindowTextW(FHandle, s.data(), len + 1);
    s.resize(static_cast<size_t>(std::clamp(n, 0, std::max(len, 0))));
    return s;
}

void TApplication::SetTitle(const std::wstring& Value) {
    FTitle = Value;
    if (FHandle && Title() != Value)
        SetWindowTextW(FHandle, Value.c_str());
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
    if (!ShowHint || Message.Msg != WM_MOUSEMOVE)
        return;
    POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
    FHintCursorPos = Control->ClientToScreen(p);
    // A control may give different hints for parts of itself (THintInfo::CursorRect):
    // leaving that part starts the hint over.
    if (Control == FHintControl && PtInRect(&FHintCursorRect, p))
        return;
    bool wasShowing = FHintWindow && FHintWindow->IsShowing();
    CancelHint();
    // The text is settled when the hint is due (CM_HINTSHOW may supply one for an empty Hint).
    // None is started while a mouse button is held.
    if (!Control->ShowHint() || (Message.WParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)))
        return;
    FHintControl = Control;
    FHintCursorRect = Control->ClientRect();
    Control->FreeNotification(this);
    SetTimer(Handle(), HintShowTimer, static_cast<UINT>(wasShowing ? HintShortPause : HintPause), nullptr);
}

void TApplication::ActivateHint(POINT CursorPos) {
    TControl* c = FindDragTarget(CursorPos);
    CancelHint();
    if (!c || !c->ShowHint())
        return;
    FHintControl = c;
    c->FreeNotification(this);
    FHintCursorPos = CursorPos;
    FHintCursorRect = c->ClientRect();
    ShowHintNow();
}

void TApplication::ShowHintNow() {
    KillTimer(Handle(), HintShowTimer);
    if (!FHintControl)
        return;
    // Due while a menu or a list came up over its control: it is dropped.
    if (HintsHeld()) {
        CancelHint();
        return;
    }
    THintInfo info;
    info.HintControl = FHintControl;
    info.HintWindowClass = HintWindowClass;
    info.HintPos = POINT{FHintCursorPos.x, FHintCursorPos.y + 20};
    info.HintMaxWidth = Screen ? Screen->Width() : 800;
    info.HintColor = HintColor;
    info.CursorRect = FHintControl->ClientRect();
    info.CursorPos = FHintControl->ScreenToClient(FHintCursorPos);
    info.HideTimeout = HintHidePause;
    info.HintStr = GetShortHint(GetHint(FHintControl));
    bool refused = FHintControl->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0;
    FHintCursorRect = info.CursorRect;
    if (refused || info.HintStr.empty())
        return;
    THintWindowClass cls = info.HintWindowClass ? info.HintWindowClass : HintWindowClass;
    if (FHintWindow && FHintWindowClass != cls) {
        delete FHintWindow;
        FHintWindow = nullptr;
    }
    if (!FHintWindow) {
        FHintWindow = cls(this);
        FHintWindowClass = cls;
    }
    FHintWindow->SetColor(info.HintColor);
    RECT r = FHintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
    OffsetRect(&r, info.HintPos.x, info.HintPos.y);
    FHintWindow->ActivateHintData(r, info.HintStr, info.HintData);
    FHintActive = true;
    if (info.HideTimeout > 0)
        SetTimer(Handle(), HintHideTimer, static_cast<UINT>(info.HideTimeout), nullptr);
}

void TApplication::CancelHint() {
    if (FHandle) {
        KillTimer(FHandle, HintShowTimer);
        KillTimer(FHandle, HintHideTimer);
    }
    if (FHintControl) {
        FHintControl->RemoveFreeNotification(this);
        FHintControl = nullptr;
    }
    if (FHintWindow && FHintWindow->HandleAllocated())
        ShowWindow(FHintWindow->Handle(), SW_HIDE);
    FHintActive = false;
}

void TApplication::HideHints() {
    CancelHint();
    for (const auto& hider : std::vector<std::pair<int, std::function<void()>>>(FHintHiders))
        Guarded(L"TApplication.HideHints", [&] { hider.second(); });
}

bool TApplication::HintsHeld() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(GetCurrentThreadId(), &info) &&
        (info.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE | GUI_INMOVESIZE)))
        return true;
    return GetCapture() != nullptr;
}

int TApplication::AddHintHider(std::function<void()> Hide) {
    const int id = FNextHintHiderId++;
    FHintHiders.emplace_back(id, std::move(Hide));
    return id;
}

void TApplication::RemoveHintHider(int Id) {
    FHintHiders.erase(std::remove_if(FHintHiders.begin(), FHintHiders.end(),
                                     [Id](const auto& h) { return h.first == Id; }),
                      FHintHiders.end());
}

// A hint shown or due goes with a key or a mouse button going down.
void TApplication::CheckHintMsg(const MSG& Msg) {
    switch (Msg.message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN: case WM_MOUSEWHEEL:
        HideHints();
        break;
    }
}

void TApplication::Minimize() {
    if (FMainForm && FMainForm->HandleAllocated() && !IsIconic(FMainForm->Handle())) {
        ShowWindow(FMainForm->Handle(), SW_MINIMIZE);
        if (OnMinimize)
            OnMinimize(this);
    }
}

void TApplication::Restore() {
    if (FMainForm && FMainForm->HandleAllocated() && IsIconic(FMainForm->Handle())) {
        ShowWindow(FMainForm->Handle(), SW_RESTORE);
        if (OnRestore)
            OnRestore(this);
    }
}

void TApplication::BringToFront() {
    TCustomForm* form = Screen && Screen->ActiveForm() ? Screen->ActiveForm() : FMainForm;
    if (form && form->HandleAllocated()) {
        HWND target = GetLastActivePopup(form->Handle());
        if (target && IsWindowVisible(target) && IsWindowEnabled(target))
            SetForegroundWindow(target);
    }
}

void TApplication::SetBiDiMode(TBiDiMode Value) {
    if (Value == FBiDiMode)
        return;
    FBiDiMode = Value;
    if (Screen)
        for (int i = 0; i < Screen->FormCount(); ++i)
            Screen->Forms(i)->Perform(CM_PARENTBIDIMODECHANGED);
}

void TApplication::DoActivateApp(bool Active) {
    if (Active == FActive)
        return;
    FActive = Active;
    if (!Active)
        CancelHint();
    if (Active && OnActivate)
        OnActivate(this);
    if (!Active && OnDeactivate)
        OnDeactivate(this);
    if (Active)
        AppEvents::DoActivate(this);
    else
        AppEvents::DoDeactivate(this);
}

void TApplication::Log(const std::wstring& Line) {
    if (OnLog) {
        try {
            OnLog(Line);
            return;
        } catch (...) {
            // fall back to the debugger output below
        }
    }
    OutputDebugStringW((Line + L"\n").c_str());
}

void TApplication::HandleException(const wchar_t* Where, const std::wstring& ClassName,
                                   const std::wstring& Message) {
    std::wstring where = Where ? Where : L"?";
    Log(where + L" > Exception Caught - " + ClassName + L": " + Message);
    if (GetCurrentThreadId() != MainThreadID) {
        // Another thread: tell the user from the GUI thread.
        TThread::Queue(nullptr, [this, where, ClassName, Message] { ReportException(where, ClassName, Message); });
        return;
    }
    ReportException(where, ClassName, Message);
}

void TApplication::ReportException(const std::wstring& Where, const std::wstring& ClassName,
                                   const std::wstring& Message) {
    if (OnException) {
        try {
            OnException(this, Where, ClassName, Message);
        } catch (...) {
            Log(L"TApplication.OnException > Exception Caught - the exception handler failed");
        }
        return;
    }
    ShowException(ClassName, Message);
}

void TApplication::ShowException(const std::wstring& ClassName, const std::wstring& Message) {
    // One box at a time: what fails while it is up is only logged.
    if (FShowingException)
        return;
    FShowingException = true;
    std::wstring text = Message.empty() ? ClassName : Message;
    if (!text.empty() && text.back() != L'.')
        text += L'.';
    HWND owner = GetActiveWindow();
    MessageBoxW(owner, text.c_str(), Title().c_str(), MB_OK | MB_ICONSTOP);
    FShowingException = false;
}

LRESULT TApplication::WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    switch (Msg) {
    case WM_CLOSE:
        if (FMainForm)
            FMainForm->Close();
        return 0;
    case WM_ACTIVATEAPP:
        DoActivateApp(WParam != 0);
        break;
    case WM_TIMER:
        if (WParam == HintShowTimer)
            ShowHintNow();
        else if (WParam == HintHideTimer)
            CancelHint();
        return 0;
    case WM_NULL:
        CheckSynchronize();
        return 0;
    case WM_SYSCOMMAND:
        if ((WParam & 0xFFF0) == SC_MINIMIZE) {
            Minimize();
            return 0;
        }
        if ((WParam & 0xFFF0) == SC_RESTORE) {
            Restore();
            return 0;
        }
        break;
    case WM_QUERYENDSESSION:
        return 1;
    case WM_NCDESTROY: {
        HWND wake = Wnd;
        WakeMainThreadWindow.compare_exchange_strong(wake, nullptr);
        FHandle = nullptr;
        break;
    }
    }
    return DefWindowProcW(Wnd, Msg, WParam, LParam);
}

// ------------------------------------------------------------------ TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
        FHintFont.SetName(ncm.lfStatusFont.lfFaceName);
        FHintFont.SetHeight(ncm.lfStatusFont.lfHeight);
    }
    FHintFont.SetColor(clInfoText);
}

TScreen::~TScreen() = default;

void TScreen::AddForm(TCustomForm* Form) {
    if (std::find(FForms.begin(), FForms.end(), Form) == FForms.end())
        FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
    if (FActiveForm == Form) {
        FActiveForm = nullptr;
        FActiveControl = nullptr;
    }
}

void TScreen::SetActiveForm(TCustomForm* Form) {
    if (Form == FActiveForm)
        return;
    FActiveForm = Form;
    // The active form goes to the front of the list.
    auto it = std::find(FForms.begin(), FForms.end(), Form);
    if (it != FForms.end())
        std::rotate(FForms.begin(), it, it + 1);
    if (OnActiveFormChange)
        OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* Control) {
    if (Control == FActiveControl)
        return;
    FActiveControl = Control;
    if (OnActiveControlChange)
        OnActiveControlChange(this);
}

void TScreen::SetCursor(TCursor Value) {
    if (Value == FCursor)
        return;
    FCursor = Value;
    POINT p;
    if (Value != crDefault) {
        ::SetCursor(Cursors(Value));
    } else if (GetCursorPos(&p)) {
        HWND wnd = WindowFromPoint(p);
        if (wnd && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId())
            SendMessageW(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
}

HCURSOR TScreen::Cursors(TCursor Value) {
    const wchar_t* id = IDC_ARROW;
    switch (Value) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: case crNoDrop: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
    }
    return LoadCursorW(nullptr, id);
}

namespace {
int CALLBACK FontFamilyProc(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM data) {
    auto* list = reinterpret_cast<std::vector<std::wstring>*>(data);
    if (lf->lfFaceName[0] != L'@')
        list->push_back(lf->lfFaceName);
    return 1;
}
} // namespace

const std::vector<std::wstring>& TScreen::Fonts() {
    if (!FFontsRead) {
        FFontsRead = true;
        HDC dc = GetDC(nullptr);
        LOGFONTW lf{};
        lf.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc, &lf, FontFamilyProc, reinterpret_cast<LPARAM>(&FFonts), 0);
        ReleaseDC(nullptr, dc);
        std::sort(FFonts.begin(), FFonts.end(),
                  [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) < 0; });
        FFonts.erase(std::unique(FFonts.begin(), FFonts.end(),
                                 [](const std::wstring& a, const std::wstring& b) { return SameText(a, b); }),
                     FFonts.end());
    }
    return FFonts;
}

RECT TScreen::WorkAreaRect() const {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

POINT TScreen::PlaceInWorkArea(const RECT& Bounds) const {
    RECT work = WorkAreaRect();
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromRect(&Bounds, MONITOR_DEFAULTTONEAREST), &mi))
        work = mi.rcWork;
    const LONG w = Bounds.right - Bounds.left, h = Bounds.bottom - Bounds.top;
    return POINT{std::max(std::min(Bounds.left, work.right - w), work.left),
                 std::max(std::min(Bounds.top, work.bottom - h), work.top)};
}

RECT TScreen::FitInWorkArea(const RECT& Bounds) const {
    const RECT work = WorkAreaRect();
    const LONG width = Bounds.right - Bounds.left, height = Bounds.bottom - Bounds.top;
    if (width <= work.right - work.left && height <= work.bottom - work.top)
        return Bounds;
    const LONG w = std::min(width, work.right - work.left), h = std::min(height, work.bottom - work.top);
    const LONG left = std::clamp(Bounds.left, work.left, work.right - w);
    const LONG top = std::clamp(Bounds.top, work.top, work.bottom - h);
    return RECT{left, top, left + w, top + h};
}

namespace {
BOOL CALLBACK MonitorProc(HMONITOR m, HDC, LPRECT, LPARAM data) {
    auto* list = reinterpret_cast<std::vector<TMonitor>*>(data);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    TMonitor t;
    t.Handle = m;
    t.MonitorNum = static_cast<int>(list->size());
    if (GetMonitorInfoW(m, &mi)) {
        t.BoundsRect = mi.rcMonitor;
        t.WorkareaRect = mi.rcWork;
        t.Primary = (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
    }
    list->push_back(t);
    return TRUE;
}
} // namespace

std::vector<TMonitor> TScreen::EnumMonitors() {
    std::vector<TMonitor> list;
    EnumDisplayMonitors(nullptr, nullptr, MonitorProc, reinterpret_cast<LPARAM>(&list));
    return list;
}

int TScreen::MonitorCount() { return static_cast<int>(EnumMonitors().size()); }

TMonitor TScreen::Monitors(int Index) {
    auto list = EnumMonitors();
    if (Index < 0 || Index >= static_cast<int>(list.size()))
        throw EListError(Format(L"List index out of bounds (%d)", {Index}));
    return list[static_cast<size_t>(Index)];
}

TMonitor TScreen::MonitorFromWindow(HWND Wnd) {
    HMONITOR m = ::MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST);
    for (const TMonitor& t : EnumMonitors())
        if (t.Handle == m)
            return t;
    return TMonitor{};
}

TMonitor TScreen::MonitorFromPoint(POINT P) {
    HMONITOR m = ::MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST);
    for (const TMonitor& t : EnumMonitors())
        if (t.Handle == m)
            return t;
    return TMonitor{};
}
