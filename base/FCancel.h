// The delayed cancel window of long operations on the GUI thread: shown only when the
// operation takes longer than a delay, pumped each time the operation polls it.
#pragma once

#include "Classes.h"
#include "TntForms.h"

#include <string>
#include <vector>

class TTntLabel;
class TTntButton;
class TCancelWrap;

// Translatable texts.
extern std::wstring SPleaseWait;          // "Please wait"
extern std::wstring SCancelingOperation;  // "Canceling Operation"
// The Cancel button's caption when not empty (the interface translation sets it).
extern std::wstring g_CancelButtonText;

// The application's main window; null before it has one.
HWND MainFormWindow();

// The gestures that close a top-level window (a click on its close box, Alt+F4, the system
// menu's Close as it arrives posted); Main is the window, Msg a queued message.
bool IsCloseGesture(const MSG& Msg, HWND Main);
// The gestures that open a window's system menu (a click on its icon, Alt+Space), and the
// input of a menu that is open.
bool IsSystemMenuGesture(const MSG& Msg, HWND Main);

// The waits on the GUI thread that let messages run (a request to the help agent, the agent's
// start, a long load under a cancel window) count themselves for their life: while one runs,
// no command of the main window runs.
class TWaitScope {
public:
    TWaitScope();
    ~TWaitScope();
    TWaitScope(const TWaitScope&) = delete;
    TWaitScope& operator=(const TWaitScope&) = delete;
};
int WaitsRunning();

// The close of the main window was asked for while a wait ran: every wait on the GUI thread
// (cancel windows shown now or later, their callers' polls) ends as if cancelled, so that the
// close can run once the waits have returned. It holds for the rest of the run.
void CancelWaitsForClose();
bool WaitsCancelledForClose();

class TCancelForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TCancelForm)
    explicit TCancelForm(TComponent* AOwner);
    ~TCancelForm() override;

    TTntLabel* Label1;
    TTntButton* CancelBtn;

    // The wrapper's Running and Active fields and the caller's flag (each may be null).
    bool* RunningPtr = nullptr;
    bool* ActivePtr = nullptr;
    bool* CancelFlagPtr = nullptr;
    // The windows disabled while the form shows.
    const std::vector<HWND>& DisabledWindows() const { return FDisabled; }

    void FormCreate();
    void FormShow();
    void CancelBtnClick();
    void FormCloseQuery(bool& CanClose);
    void FormClose(TCloseAction& Action);
    void FormDestroy();
    void TntFormKeyDown(WORD& Key, TShiftState Shift);
    void WndProc(TMessage& Message) override;

    void CancelAction();

private:
    void EnableDisabledWindows();
    // While the form shows, the application's main window stays enabled so that it can be
    // closed: its input is dropped as under a modal dialog, and a close gesture cancels.
    bool FilterMainInput(MSG& Msg);
    std::vector<HWND> FDisabled;
    int FFilter = -1;
    bool FShownOnce = false;
};

class TCancelWrap : public TObject {
public:
    VORLANE_CLASS_NAME(TCancelWrap)
    // Parent is kept only; DelayMs <= 0 shows the form at once; an empty Msg becomes
    // "Please wait..."; CancelFlag (may be null) is cleared now and set at a cancel click;
    // Left >= 0 places the form at that screen x.
    TCancelWrap(int AParent, int ADelayMs, const std::wstring& ACaption, const std::wstring& Msg, bool* ACancelFlag,
                int ALeft = -1);
    // Closes and frees the form (once).
    ~TCancelWrap() override;

    // The poll of the operation: shows the form once the delay has passed, handles the
    // pending messages, and answers whether the user cancelled (a click handled during
    // this call is reported by the next call).
    bool Cancelled();
    void ShowForm();
    void SetMessage(const std::wstring& Msg);
    void SetCaption(const std::wstring& ACaption);

    TCancelForm* Form() const { return FForm; }
    bool IsCancelled() const { return FCancelled; }
    bool Running = true;
    bool Active = true;
    int Left = -1;
    int DelayMs = 0;
    int Parent = 0;
    std::wstring Caption;
    std::wstring Message;
    DWORD StartTick = 0;
    bool* CancelFlag = nullptr;

private:
    TCancelForm* FForm = nullptr;
    bool FCancelled = false;
    TWaitScope FWait;
};
