// The cancel window.
#include "FCancel.h"

#include "Boundary.h"
#include "TntStdCtrls.h"
#include "ULanguage.h"
#include "UVistaFix.h"

std::wstring SPleaseWait = L"Please wait";
std::wstring SCancelingOperation = L"Canceling Operation";
std::wstring g_CancelButtonText;

// ---------------------------------------------------------------------------------
// TCancelForm

namespace {

struct TDisableData {
    HWND Own;
    std::vector<HWND>* Disabled;
};

BOOL CALLBACK DisableThreadWindow(HWND Wnd, LPARAM Param) {
    auto* d = reinterpret_cast<TDisableData*>(Param);
    if (Wnd != d->Own && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
        EnableWindow(Wnd, FALSE);
        d->Disabled->push_back(Wnd);
    }
    return TRUE;
}

} // namespace

TCancelForm::TCancelForm(TComponent* AOwner) : TTntForm(AOwner) {
    SetBorderStyle(bsDialog);
    SetBorderIcons(biSystemMenu);
    SetPosition(poOwnerFormCenter);
    KeyPreview = true;
    SetClientWidth(220);
    SetClientHeight(63);

    Label1 = new TTntLabel(this);
    Label1->SetName(L"Label1");
    Label1->SetParent(this);
    Label1->SetAutoSize(false);
    Label1->SetAlignment(taCenter);
    Label1->SetBounds(2, 8, 217, 16);
    Label1->SetCaption(L"Click Cancel to abort");

    CancelBtn = new TTntButton(this);
    CancelBtn->SetName(L"CancelBtn");
    CancelBtn->SetParent(this);
    CancelBtn->SetBounds(62, 31, 97, 25);
    CancelBtn->SetCaption(L"Cancel");
    CancelBtn->SetDefault(true);
    CancelBtn->SetCancel(true);
    CancelBtn->OnClick = [this](TObject*) { CancelBtnClick(); };

    OnShow = [this](TObject*) { FormShow(); };
    OnCloseQuery = [this](TObject*, bool& CanClose) { FormCloseQuery(CanClose); };
    OnClose = [this](TObject*, TCloseAction& Action) { FormClose(Action); };
    OnDestroy = [this](TObject*) { FormDestroy(); };
    OnKeyDown = [this](TObject*, WORD& Key, TShiftState Shift) { TntFormKeyDown(Key, Shift); };
    FormCreate();
}

TCancelForm::~TCancelForm() { EnableDisabledWindows(); }

void TCancelForm::FormCreate() {
    ApplyLanguageCharset(this);
    if (!g_CancelButtonText.empty())
        CancelBtn->SetCaption(g_CancelButtonText);
}

void TCancelForm::FormShow() {
    if (FShownOnce)
        return;
    FShownOnce = true;
    // The form behaves modally while the caller's loop runs.
    TDisableData data{HandleAllocated() ? Handle() : nullptr, &FDisabled};
    EnumThreadWindows(GetCurrentThreadId(), DisableThreadWindow, reinterpret_cast<LPARAM>(&data));
}

void TCancelForm::EnableDisabledWindows() {
    for (HWND w : FDisabled)
        if (IsWindow(w))
            EnableWindow(w, TRUE);
    FDisabled.clear();
}

void TCancelForm::CancelAction() {
    if (RunningPtr)
        *RunningPtr = false;
    if (CancelFlagPtr)
        *CancelFlagPtr = true;
    CancelBtn->SetEnabled(false);
    SetCaption(SCancelingOperation);
    Label1->SetCaption(SPleaseWait + L"...");
}

void TCancelForm::CancelBtnClick() { CancelAction(); }

void TCancelForm::FormCloseQuery(bool& CanClose) {
    CancelAction();
    // Only the wrapper closes the form (it sets the Cancel result first).
    CanClose = ModalResult() == mrCancel;
    if (CanClose)
        EnableDisabledWindows();
}

void TCancelForm::FormClose(TCloseAction& Action) {
    // The wrapper that closed the form frees it; hiding is all that is left here.
    Action = caHide;
}

void TCancelForm::FormDestroy() {
    CancelAction();
    if (ActivePtr)
        *ActivePtr = false;
    EnableDisabledWindows();
}

void TCancelForm::TntFormKeyDown(WORD& Key, TShiftState) { FixVistaTabAltPaint(this, Key); }

void TCancelForm::WndProc(TMessage& Message) {
    if (Message.Msg == CM_DIALOGKEY && Message.WParam == VK_TAB)
        FixVistaTabAltPaint(this, VK_TAB);
    TTntForm::WndProc(Message);
}

// ---------------------------------------------------------------------------------
// TCancelWrap

TCancelWrap::TCancelWrap(int AParent, int ADelayMs, const std::wstring& ACaption, const std::wstring& Msg,
                         bool* ACancelFlag, int ALeft)
    : Left(ALeft), DelayMs(ADelayMs), Parent(AParent), Caption(ACaption), CancelFlag(ACancelFlag) {
    Message = Msg.empty() ? SPleaseWait + L"..." : Msg;
    if (CancelFlag)
        *CancelFlag = false;
    StartTick = GetTickCount();
    if (DelayMs <= 0)
        ShowForm();
}

TCancelWrap::~TCancelWrap() {
    Guarded(L"TCancelWrap.Destroy", [this] {
        if (!Active || !FForm)
            return;
        TCancelForm* form = FForm;
        FForm = nullptr;
        // The form no longer reports to this wrapper or to the caller.
        form->CancelFlagPtr = nullptr;
        form->RunningPtr = nullptr;
        form->ActivePtr = nullptr;
        form->SetModalResult(mrCancel);
        form->Close();
        form->BeforeDestruction();
        delete form; // the one release of the form
    });
}

void TCancelWrap::ShowForm() {
    if (!Active)
        return;
    if (!FForm) {
        FForm = new TCancelForm(Application);
        FForm->RunningPtr = &Running;
        FForm->ActivePtr = &Active;
        FForm->CancelFlagPtr = CancelFlag;
    }
    FForm->SetCaption(Caption);
    SetMessage(Message);
    FForm->Show();
    FForm->Update();
    if (Left >= 0)
        FForm->SetLeft(Left);
}

void TCancelWrap::SetMessage(const std::wstring& Msg) {
    Message = Msg;
    if (Active && FForm) {
        FForm->Label1->SetCaption(Msg);
        FForm->Label1->Repaint();
        FForm->Repaint();
    }
}

void TCancelWrap::SetCaption(const std::wstring& ACaption) {
    Caption = ACaption;
    if (Active && FForm) {
        FForm->SetCaption(ACaption);
        FForm->Repaint();
    }
}

bool TCancelWrap::Cancelled() {
    if (FForm && !Running)
        FCancelled = true;
    const bool answer = FCancelled;
    if (!Active)
        return answer;
    if (!FForm && GetTickCount() - StartTick > static_cast<DWORD>(DelayMs < 0 ? 0 : DelayMs))
        ShowForm();
    if (FForm && Application)
        Application->ProcessMessages();
    return answer;
}
