// The cancel window.
#include "FCancel.h"

#include "Boundary.h"
#include "Forms.h"
#include "TntStdCtrls.h"
#include "ULanguage.h"
#include "UVistaFix.h"

#include <algorithm>

std::wstring SPleaseWait = L"Please wait";
std::wstring SCancelingOperation = L"Canceling Operation";
std::wstring g_CancelButtonText;

// ---------------------------------------------------------------------------------
// TCancelForm

namespace {

bool g_WaitsCancelledForClose = false;
int g_WaitsRunning = 0;

// The cancel forms that live now (a close cancels each).
std::vector<TCancelForm*>& LiveForms() {
    static std::vector<TCancelForm*> forms;
    return forms;
}

bool IsInputMessage(UINT Msg) {
    return (Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST) || (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST) ||
           (Msg >= WM_NCMOUSEMOVE && Msg <= WM_NCXBUTTONDBLCLK);
}

struct TDisableData {
    HWND Own;
    HWND Keep;
    std::vector<HWND>* Disabled;
};

BOOL CALLBACK DisableThreadWindow(HWND Wnd, LPARAM Param) {
    auto* d = reinterpret_cast<TDisableData*>(Param);
    if (Wnd != d->Own && Wnd != d->Keep && IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
        EnableWindow(Wnd, FALSE);
        d->Disabled->push_back(Wnd);
    }
    return TRUE;
}

} // namespace

HWND MainFormWindow() {
    TCustomForm* main = Application ? Application->MainForm() : nullptr;
    return main && main->HandleAllocated() ? main->Handle() : nullptr;
}

bool IsCloseGesture(const MSG& Msg, HWND Main) {
    if (!Main || !Msg.hwnd)
        return false;
    switch (Msg.message) {
    case WM_NCLBUTTONDOWN:
        return Msg.hwnd == Main && Msg.wParam == HTCLOSE;
    case WM_SYSKEYDOWN:
        return Msg.wParam == VK_F4 && (Msg.lParam & 0x20000000) && GetAncestor(Msg.hwnd, GA_ROOT) == Main;
    case WM_SYSCOMMAND:
        return Msg.hwnd == Main && (Msg.wParam & 0xFFF0) == SC_CLOSE;
    default:
        return false;
    }
}

bool IsSystemMenuGesture(const MSG& Msg, HWND Main) {
    if (!Main || !Msg.hwnd)
        return false;
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    if (GetGUIThreadInfo(GetCurrentThreadId(), &gui) &&
        (gui.flags & (GUI_INMENUMODE | GUI_POPUPMENUMODE | GUI_SYSTEMMENUMODE)))
        return true;
    switch (Msg.message) {
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
        return Msg.hwnd == Main && Msg.wParam == HTSYSMENU;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
        return Msg.wParam == (Msg.message == WM_SYSCHAR ? L' ' : VK_SPACE) && GetAncestor(Msg.hwnd, GA_ROOT) == Main;
    default:
        return false;
    }
}

TWaitScope::TWaitScope() { ++g_WaitsRunning; }

TWaitScope::~TWaitScope() { --g_WaitsRunning; }

int WaitsRunning() { return g_WaitsRunning; }

void CancelWaitsForClose() {
    g_WaitsCancelledForClose = true;
    for (TCancelForm* form : std::vector<TCancelForm*>(LiveForms()))
        if (std::find(LiveForms().begin(), LiveForms().end(), form) != LiveForms().end())
            form->CancelAction();
}

bool WaitsCancelledForClose() { return g_WaitsCancelledForClose; }

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
    LiveForms().push_back(this);
}

TCancelForm::~TCancelForm() {
    std::erase(LiveForms(), this);
    if (FFilter >= 0 && Application)
        Application->RemoveMessageFilter(FFilter);
    EnableDisabledWindows();
}

void TCancelForm::FormCreate() {
    ApplyLanguageCharset(this);
    if (!g_CancelButtonText.empty())
        CancelBtn->SetCaption(g_CancelButtonText);
}

void TCancelForm::FormShow() {
    if (FShownOnce)
        return;
    FShownOnce = true;
    // The form behaves modally while the caller's loop runs; the main window only holds back
    // its input, so that its close box, Alt+F4 and system menu still answer.
    const HWND main = MainFormWindow();
    TDisableData data{HandleAllocated() ? Handle() : nullptr, main, &FDisabled};
    EnumThreadWindows(GetCurrentThreadId(), DisableThreadWindow, reinterpret_cast<LPARAM>(&data));
    if (main && Application && FFilter < 0)
        FFilter = Application->AddMessageFilter([this](MSG& Msg) { return FilterMainInput(Msg); });
    if (g_WaitsCancelledForClose)
        CancelAction();
}

bool TCancelForm::FilterMainInput(MSG& Msg) {
    const HWND main = MainFormWindow();
    if (!main || !Msg.hwnd)
        return false;
    if (IsCloseGesture(Msg, main)) {
        // The wait ends as cancelled; the main window's close runs after it.
        CancelWaitsForClose();
        PostMessageW(main, WM_CLOSE, 0, 0);
        return true;
    }
    if (!IsInputMessage(Msg.message) || GetAncestor(Msg.hwnd, GA_ROOT) != main || IsSystemMenuGesture(Msg, main))
        return false;
    // Refused as under a modal dialog: the wait's window says so.
    switch (Msg.message) {
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN: case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
        if (HandleAllocated())
            FlashWindow(Handle(), TRUE);
        break;
    default:
        break;
    }
    return true;
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
    // Only the wrapper closes the form (it sets the Cancel result first, having stopped
    // listening to it: the form goes as it shows, without the canceling texts drawn for
    // a moment). Any other close cancels.
    CanClose = ModalResult() == mrCancel;
    if (CanClose)
        EnableDisabledWindows();
    else
        CancelAction();
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
    if ((FForm && !Running) || g_WaitsCancelledForClose) {
        FCancelled = true;
        if (CancelFlag)
            *CancelFlag = true;
    }
    const bool answer = FCancelled;
    if (!Active)
        return answer;
    if (!FForm && GetTickCount() - StartTick > static_cast<DWORD>(DelayMs < 0 ? 0 : DelayMs))
        ShowForm();
    if (FForm && Application)
        Application->ProcessMessages();
    return answer;
}
