// TApplication: the program's hidden window, the message loops and their filters, idle
// steps, the mouse control and hints, activation, and exceptions stopped at the boundary.
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

namespace {

constexpr UINT_PTR HintShowTimer = 1;
constexpr UINT_PTR HintHideTimer = 2;

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

} // namespace

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
    // The filters first: a wait holds back the input before the program's own handling sees it.
    bool handled = !FFilters.empty() && RunMessageFilters(Msg);
    if (!handled && OnMessage)
        OnMessage(Msg, handled);
    AppEvents::DoMessage(Msg, handled);
    if (!handled)
        handled = PreTranslateChain(Msg);
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
    return (!FFilters.empty() && RunMessageFilters(Msg)) || PreTranslateChain(Msg);
}

bool TApplication::PreTranslateChain(MSG& Msg) {
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
