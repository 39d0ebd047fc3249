// The forms unit: here the Application and Screen objects (made before main()), the hint
// text helpers, TFrame and TCustomForm (showing, closing, modal loops, its WndProc).
// TApplication is in Application.cpp, THintWindow in HintWindow.cpp, TScreen in Screen.cpp.
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
