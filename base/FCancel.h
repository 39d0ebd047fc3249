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

private:
    void CancelAction();
    void EnableDisabledWindows();
    std::vector<HWND> FDisabled;
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
};
