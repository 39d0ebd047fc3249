// Forms, the application object, the screen and the hint window.
// Forms are built in code: a form's constructor creates its components (owned by the
// form, parented where they show) and binds their events. There are no form resources.
#pragma once

#include "Controls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCustomForm;
class THintWindow;

enum TBorderIconKind : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = unsigned;
enum TPosition {
    poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
    poMainFormCenter, poOwnerFormCenter
};
enum TFormStyle { fsNormal, fsStayOnTop };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };
enum TFormStateFlag : unsigned { fsCreating = 1, fsModal = 8, fsActivated = 32 };

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrAbort = IDABORT, mrRetry = IDRETRY,
                       mrIgnore = IDIGNORE, mrYes = IDYES, mrNo = IDNO, mrAll = mrNo + 1,
                       mrNoToAll = mrAll + 1, mrYesToAll = mrNoToAll + 1;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;

// Makes a hint window of a given class (the application's hint window "class").
using THintWindowClass = THintWindow* (*)(TComponent* AOwner);
template <class T>
THintWindow* MakeHintWindow(TComponent* AOwner) {
    return new T(AOwner);
}

// What a control may change before its hint shows (CM_HINTSHOW, LParam = THintInfo*).
struct THintInfo {
    TControl* HintControl = nullptr;
    THintWindowClass HintWindowClass = nullptr;
    POINT HintPos{};          // screen position of the hint window
    int HintMaxWidth = 0;
    TColor HintColor = clInfoBk;
    RECT CursorRect{};        // the hint stays while the cursor is inside (control coordinates)
    POINT CursorPos{};        // control coordinates
    int ReshowTimeout = 0;
    int HideTimeout = 0;
    std::wstring HintStr;
    void* HintData = nullptr;
};

class TCustomForm : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TCustomForm)
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // BorderStyle (TWinControl's) is the form's frame here, bsSizeable for a new form.
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle Value);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value);
    bool KeyPreview = false;

    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Control);
    TMenuBase* Menu() const { return FMenu; }
    void SetMenu(TMenuBase* Value);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult Value) { FModalResult = Value; }
    unsigned FormState() const { return FFormState; }
    bool Active() const { return FActive; }

    void SetVisible(bool Value) override;
    // Asks OnCloseQuery, then OnClose decides: hide (default), free, minimize or nothing.
    // Closing the main form ends the application; closing a modal form ends ShowModal.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages now queued for it have been handled.
    void Release();
    // A form larger than the work area of the monitor it is on is fitted into it
    // (TScreen::FitInWorkArea); a maximized one stays as it is.
    void FitIntoWorkArea();
    // Shows the form, disables the thread's other windows and runs a nested loop until
    // ModalResult is set (Enter/Escape through default/cancel buttons, Close = mrCancel).
    virtual TModalResult ShowModal();
    void FocusControl(TWinControl* Control);
    // Runs OnDestroy once, while the whole object still exists. The owner (application
    // or owning form) and Release call it before freeing; call it yourself before a
    // plain delete of a form you own.
    void BeforeDestruction();
    // Runs OnCreate (CreateForm calls it after the constructor).
    void DoCreate();
    // Idle-time update of the form's actions.
    virtual void UpdateActions() {}
    // A key pressed in one of the form's controls: OnShortCut, then the form's menu, then
    // the action lists the form owns. True when one of them used the key.
    virtual bool IsShortCut(WORD Key, TShiftState Shift);
    std::function<void(WORD Key, TShiftState Shift, bool& Handled)> OnShortCut;

    TNotifyEvent OnCreate, OnShow, OnHide, OnActivate, OnDeactivate, OnDestroy, OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    // Internal, from the controls: focus arrived at a control / a control left the form.
    void SetFocusedControl(TWinControl* Control);
    void ControlRemoved(TControl* Control);

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Paint() override;
    bool HasMenuBar() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& Action);
    virtual void Activate();
    virtual void Deactivate();
    void CloseModal();
    void ApplyPosition();
    int ShowCommand() const;

    TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
    TPosition FPosition = poDesigned;
    TFormStyle FFormStyle = fsNormal;
    TWindowState FWindowState = wsNormal;
    TWinControl* FActiveControl = nullptr;
    TWinControl* FFocusedControl = nullptr;
    TMenuBase* FMenu = nullptr;
    TModalResult FModalResult = mrNone;
    unsigned FFormState = 0;
    bool FActive = false;
    bool FDestroyEventDone = false;
};

class TForm : public TCustomForm {
public:
    VORLANE_CLASS_NAME(TForm)
    using TCustomForm::TCustomForm;
};

// A group of controls made in code and placed on a form or panel at run time: the
// frame's constructor creates its components (owned by the frame, freed with it) and
// binds their events; its owner frees the frame. The frame takes its parent's colour and
// font, and the keyboard's Tab moves into and out of it like any other child.
class TFrame : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TFrame)
    explicit TFrame(TComponent* AOwner);

protected:
    void CreateParams(TCreateParams& Params) override;
};

// The hint window: a borderless top-most popup that shows one short hint.
class THintWindow : public TCustomControl {
public:
    VORLANE_CLASS_NAME(THintWindow)
    explicit THintWindow(TComponent* AOwner);
    virtual void ActivateHint(RECT Rect, const std::wstring& AHint);
    virtual void ActivateHintData(RECT Rect, const std::wstring& AHint, void* AData);
    // The window rectangle (from 0,0) that the hint needs at most MaxWidth wide.
    virtual RECT CalcHintRect(int MaxWidth, const std::wstring& AHint, void* AData);
    virtual void ReleaseHandle() { DestroyHandle(); }
    bool IsShowing() { return HandleAllocated() && IsWindowVisible(FHandle); }
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
};

using TExceptionEvent = std::function<void(TObject* Sender, const std::wstring& Where,
                                           const std::wstring& ClassName, const std::wstring& Message)>;
using TMessageEvent = std::function<void(MSG& Msg, bool& Handled)>;
// Sees a queued message before the key handling; true = handled (the message goes no further).
using TMessageFilter = std::function<bool(MSG& Msg)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

class TApplication : public TComponent {
public:
    VORLANE_CLASS_NAME(TApplication)
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // The hidden top-level window of class "TApplication" (text = Title) that owns every form.
    HWND Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }

    void Initialize();
    // Creates a form owned by the application; the first one becomes the main form.
    template <class T>
    void CreateForm(T*& Reference) {
        T* form = new T(this);
        Reference = form;
        FormCreated(form);
    }
    void Run();
    // Frees every form (and other component) the application owns, each form hearing
    // OnDestroy first, last created first. The program calls it after Run, while the
    // modules the forms use are still up; the destructor does it for what is left.
    void DestroyForms();
    TCustomForm* MainForm() const { return FMainForm; }
    void SetMainForm(TCustomForm* Form);
    bool ShowMainForm = true;
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Handles every queued message, then returns.
    void ProcessMessages();
    // How many message loops run inside others right now: ProcessMessages calls and modal
    // forms. Whatever runs from a message while it is above 0 may be under code that goes on
    // using objects after the loop returns: such code leaves freeing them to the outer loop.
    int NestedLoops() const { return FNestedLoops; }
    // Counts one nested loop for the life of the object.
    struct TNestedLoop {
        explicit TNestedLoop(TApplication* App) : FApp(App) { if (FApp) ++FApp->FNestedLoops; }
        ~TNestedLoop() { if (FApp) --FApp->FNestedLoops; }
        TNestedLoop(const TNestedLoop&) = delete;
        TNestedLoop& operator=(const TNestedLoop&) = delete;
        TApplication* FApp;
    };
    // Handles one message, or runs the idle work and waits for the next one.
    void HandleMessage();
    // When a loop of the program last looked into the queue (GetTickCount64): the thread
    // answered messages sent from other threads then.
    ULONGLONG QueueCheckedAt() const { return FQueueCheckedAt; }

    // Message filters: each queued message passes the filters in the order they were added,
    // then OnMessage, then PreTranslateMessage of its window's control and that control's
    // parents, before the key handling and dispatch; the first that answers true ends its
    // way. Every loop of the program runs them (Run, ShowModal, ProcessMessages, and so the
    // waits that pump messages); inside the system's menu loop only the filters run.
    // A filter may add or remove filters, itself included. Returns an id for removal.
    int AddMessageFilter(TMessageFilter Filter);
    void RemoveMessageFilter(int Id);
    // The pre-translation above for one message (without OnMessage); true = handled.
    bool PreProcessMessage(MSG& Msg);

    const std::wstring& Hint() const { return FHint; }
    void SetHint(const std::wstring& Value);
    std::wstring Title();
    void SetTitle(const std::wstring& Value);
    bool ShowHint = true;
    int HintPause = 500;
    int HintShortPause = 50;
    int HintHidePause = 2500;
    TColor HintColor = clInfoBk;
    THintWindowClass HintWindowClass = &MakeHintWindow<THintWindow>;
    THintWindow* HintWindow() const { return FHintWindow; }
    // Shows the hint of the control under the screen point now.
    void ActivateHint(POINT CursorPos);
    void CancelHint();
    void HintMouseMessage(TControl* Control, TMessage& Message);
    // Hides the hint shown or due, and those of the other hint windows (AddHintHider): a mouse
    // button or key went down, a menu or a drop-down list opened, or the pointer left the
    // program's windows.
    void HideHints();
    // True while no hint may show: a menu is open or a window holds the mouse (a button held
    // down, a list dropped down).
    bool HintsHeld() const;
    // Another hint window's hide function, called by HideHints; the id removes it again.
    int AddHintHider(std::function<void()> Hide);
    void RemoveHintHider(int Id);

    void Minimize();
    void Restore();
    void BringToFront();
    bool Active() const { return FActive; }
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    // A modeless dialog window whose keys IsDialogMessageW handles.
    HWND DialogHandle = nullptr;

    // The one place escaping exceptions land: logged, then OnException, or a message box
    // (never a second box while one is up). From other threads: logged there, reported
    // on the GUI thread.
    void HandleException(const wchar_t* Where, const std::wstring& ClassName, const std::wstring& Message);
    virtual void ShowException(const std::wstring& ClassName, const std::wstring& Message);
    // Writes a line to the application's log (OnLog, else the debugger output).
    void Log(const std::wstring& Line);

    TMessageEvent OnMessage;
    TIdleEvent OnIdle;
    TNotifyEvent OnActivate, OnDeactivate, OnHint, OnMinimize, OnRestore;
    TExceptionEvent OnException;
    std::function<void(const std::wstring& Line)> OnLog;

    // Internal: WM_ACTIVATEAPP seen by a form.
    void DoActivateApp(bool Active);
    // Internal: the mouse moved over Control, or left Window (Control null); see TControlHooks.
    void MouseOver(TWinControl* Window, TControl* Control);
    // The control under the mouse (it had CM_MOUSEENTER last), or null.
    TControl* MouseControl() const { return FMouseControl; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend LRESULT CALLBACK AppWndProc(HWND, UINT, WPARAM, LPARAM);
    void FormCreated(TComponent* Form);
    LRESULT WndProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
    bool ProcessMessage(MSG& Msg);
    bool RunMessageFilters(MSG& Msg);
    // PreTranslateMessage of the message's window's control and its parents.
    bool PreTranslateChain(MSG& Msg);
    void SetMouseControl(TControl* Control);
    void Idle();
    bool IsKeyMsg(MSG& Msg);
    void CheckHintMsg(const MSG& Msg);
    void ShowHintNow();
    void ReportException(const std::wstring& Where, const std::wstring& ClassName, const std::wstring& Message);

    HWND FHandle = nullptr;
    std::wstring FTitle;
    std::wstring FHint;
    TCustomForm* FMainForm = nullptr;
    bool FTerminated = false;
    int FNestedLoops = 0;
    ULONGLONG FQueueCheckedAt = 0;
    bool FActive = false;
    bool FShowingException = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    THintWindow* FHintWindow = nullptr;
    THintWindowClass FHintWindowClass = nullptr;
    TControl* FHintControl = nullptr;
    TControl* FMouseControl = nullptr;
    POINT FHintCursorPos{};
    RECT FHintCursorRect{};   // the hint control's part its hint is about (client coordinates)
    bool FHintActive = false;
    struct TFilterEntry {
        int Id;
        std::shared_ptr<TMessageFilter> Filter;
    };
    std::vector<TFilterEntry> FFilters;
    int FNextFilterId = 1;
    HHOOK FMenuFilterHook = nullptr;
    std::vector<std::pair<int, std::function<void()>>> FHintHiders;
    int FNextHintHiderId = 1;
    friend LRESULT CALLBACK MenuFilterHook(int, WPARAM, LPARAM);
};

// One display of the desktop.
struct TMonitor {
    HMONITOR Handle = nullptr;
    int MonitorNum = 0;
    bool Primary = false;
    RECT BoundsRect{};
    RECT WorkareaRect{};
};

class TScreen : public TComponent {
public:
    VORLANE_CLASS_NAME(TScreen)
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int Index) const { return FForms.at(static_cast<size_t>(Index)); }
    TCustomForm* ActiveForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const { return FActiveControl; }
    // crDefault lets every control show its own cursor; anything else (e.g. crHourGlass) wins.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    HCURSOR Cursors(TCursor Value);
    // Face names of the installed fonts, sorted, read once.
    const std::vector<std::wstring>& Fonts();
    int Width() const { return GetSystemMetrics(SM_CXSCREEN); }
    int Height() const { return GetSystemMetrics(SM_CYSCREEN); }
    // The primary monitor's work area.
    RECT WorkAreaRect() const;
    // The work area of the monitor a window with the rectangle Bounds is on (MonitorWorkArea).
    RECT WorkAreaOf(const RECT& Bounds) const;
    // Where a window with the rectangle Bounds goes to lie whole in the work area of the
    // monitor it is on, moved as little as it takes (its top left inside that area when it is
    // larger): the new top left.
    POINT PlaceInWorkArea(const RECT& Bounds) const;
    // FitRectInArea of the work area of the monitor the window is on: a window saved on a
    // larger second monitor stays there as it was.
    RECT FitInWorkArea(const RECT& Bounds) const;
    int MonitorCount();
    TMonitor Monitors(int Index);
    TMonitor MonitorFromWindow(HWND Wnd);
    TMonitor MonitorFromPoint(POINT P);
    TFont* HintFont() { return &FHintFont; }
    int PixelsPerInch() const { return ScreenPixelsPerInch(); }

    TNotifyEvent OnActiveFormChange, OnActiveControlChange;

    // Internal, from the forms.
    void AddForm(TCustomForm* Form);
    void RemoveForm(TCustomForm* Form);
    void SetActiveForm(TCustomForm* Form);
    void SetActiveControl(TWinControl* Control);

private:
    static std::vector<TMonitor> EnumMonitors();
    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
    TWinControl* FActiveControl = nullptr;
    TCursor FCursor = crDefault;
    std::vector<std::wstring> FFonts;
    bool FFontsRead = false;
    TFont FHintFont;
};

// The work area of the monitor of Monitors that a window with the rectangle Bounds is on: the
// one it overlaps most, else the nearest (as the system chooses); Fallback when there is none.
RECT MonitorWorkArea(const RECT& Bounds, const std::vector<TMonitor>& Monitors, const RECT& Fallback);
// A window larger than Work in either direction made as large as Work at most and moved as
// little as it takes to lie whole in it; any other window stays where and as it is.
RECT FitRectInArea(const RECT& Bounds, const RECT& Work);

// The program's application and screen objects (made at start-up, freed at exit).
extern TApplication* Application;
extern TScreen* Screen;

// The long part (after the first "|") and the short part (before it) of a hint; the
// whole text when it has no "|".
std::wstring GetShortHint(const std::wstring& Hint);
std::wstring GetLongHint(const std::wstring& Hint);
// The hint of the control, or of its nearest parent that has one.
std::wstring GetHint(TControl* Control);
