#include "FDebug.h"
#include "UMakeControl.h"

#include "ActnList.h"
#include "AdvSpinEdit.h"
#include "QXSuperTip.h"
#include "SysUtils.h"
#include "TntActnList.h"
#include "TntExtCtrls.h"
#include "TntStdCtrls.h"
#include "Timers.h"
#include "UAuxFile.h"
#include "UFormPos.h"
#include "UH3_Agent.h"
#include "UH3_Code.h"
#include "UUtilsW.h"
#include "UViewerKeys.h"
#include "UWebUpdates.h"

std::wstring MsgTxt_EndOfFileSearchfromStart = L"End of file. Search from start?";
std::wstring DebugPage_Title;
TDebugForm* DebugForm = nullptr;

namespace {

const wchar_t* const HintFind = L"Find Text|Ctrl+F - Sets the focus to the edit field and selects all text.||"
                                L"F3 to find next text.";
const wchar_t* const HintPageSize =
    L"|Normally Vorlane reads 50,000 items at a time. Here you can test with reading smaller or larger chunks.||"
    L"The first smaller value is used by \"Load Partial Index reads (as you type)\" mode.";
const wchar_t* const HintTimeStamp = L"Time Stamping log entries helps in some situations but generally gets in "
                                     L"the road of reading debug output.";
const wchar_t* const PositionName = L"debugForm";
// Posted to the window when lines wait to go into the memo.
constexpr UINT WM_FLUSHLOG = WM_APP + 0x124;

// Messages that read or change the memo's text or selection: collected lines go in first.
// (New text as a whole replaces them too.)
bool TouchesLogText(UINT Msg) {
    switch (Msg) {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_CHAR:
    case WM_KEYDOWN:
    case WM_SHOWWINDOW:
    case EM_GETSEL:
    case EM_SETSEL:
    case EM_REPLACESEL:
    case EM_GETLINECOUNT:
    case EM_GETLINE:
    case EM_LINEINDEX:
    case EM_LINELENGTH:
    case EM_LINEFROMCHAR:
    case EM_POSFROMCHAR:
    case EM_CHARFROMPOS:
    case EM_SCROLLCARET:
        return true;
    default:
        return false;
    }
}

template <class T>
T* Make(TComponent* Owner, TWinControl* Parent, const wchar_t* Name) {
    return MakeControl<T>(Owner, Parent, Name);
}

TTntAction* MakeAction(TDebugForm* Form, TActionList* List, const wchar_t* Name, TShortCut Key,
                       std::function<void()> Run) {
    auto* a = new TTntAction(Form);
    a->SetName(Name);
    a->SetActionList(List);
    a->SetShortCut(Key);
    a->OnExecute = [Run = std::move(Run)](TObject*) { Run(); };
    return a;
}

bool EndsWithLineBreak(const std::wstring& S) { return S.size() >= 2 && S.compare(S.size() - 2, 2, L"\r\n") == 0; }

} // namespace

TDebugForm::TDebugForm(TComponent* AOwner) : TTntForm(AOwner) {
    SetName(L"DebugForm");
    SetCaption(L"Vorlane Debug");
    KeyPreview = true;
    // Frame included, about as wide as a 640 x 480 screen.
    SetClientWidth(632);
    SetClientHeight(420);

    Panel1 = Make<TTntPanel>(this, this, L"Panel1");
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetCaption(L"");
    Panel1->SetAlign(alClient);

    Panel2 = Make<TTntPanel>(this, Panel1, L"Panel2");
    Panel2->SetBevelOuter(bvNone);
    Panel2->SetCaption(L"");
    Panel2->SetAlign(alBottom);
    Panel2->SetHeight(96);

    Memo1 = Make<TTntMemo>(this, Panel1, L"Memo1");
    Memo1->SetAlign(alClient);
    Memo1->SetScrollBars(ssVertical);
    Memo1->SetWordWrap(false);
    Memo1->SetHideSelection(false);

    // The find row: what stays when the panel is folded.
    FindTextEdit = Make<TTntEdit>(this, Panel2, L"FindTextEdit");
    FindTextEdit->SetBounds(8, 6, 200, 21);
    FindTextEdit->OnKeyPress = [this](TObject*, wchar_t& Key) {
        if (Key == L'\r') {
            Key = 0;
            DebugPage_FindBtnClick();
        }
    };
    DebugPage_FindBtn = Make<TTntButton>(this, Panel2, L"DebugPage_FindBtn");
    DebugPage_FindBtn->SetCaption(L"Find Text");
    DebugPage_FindBtn->SetBounds(214, 5, 80, 23);
    DebugPage_FindBtn->OnClick = [this](TObject*) { DebugPage_FindBtnClick(); };
    DebugPage_FindBtnSuperTip = Make<TQXSuperTip>(this, Panel2, L"DebugPage_FindBtnSuperTip");
    DebugPage_FindBtnSuperTip->SetBounds(298, 8, 16, 16);
    DebugPage_FindBtnSuperTip->SetHint(HintFind);
    TimeStampLogCbx = Make<TTntCheckBox>(this, Panel2, L"TimeStampLogCbx");
    TimeStampLogCbx->SetCaption(L"Time Stamp Log");
    TimeStampLogCbx->SetBounds(330, 8, 110, 17);
    QXSuperTip3 = Make<TQXSuperTip>(this, Panel2, L"QXSuperTip3");
    QXSuperTip3->SetBounds(444, 8, 16, 16);
    QXSuperTip3->SetHint(HintTimeStamp);
    ExtraDebugLable = Make<TTntLabel>(this, Panel2, L"ExtraDebugLable");
    ExtraDebugLable->SetCaption(L"  v  ");
    ExtraDebugLable->SetCursor(crHandPoint);
    ExtraDebugLable->SetBounds(600, 12, 24, 15);
    ExtraDebugLable->SetAnchors(akTop | akRight);
    ExtraDebugLable->OnClick = [this](TObject*) { ExtraDebugLableClick(); };

    // The developer part.
    Label2 = Make<TTntLabel>(this, Panel2, L"Label2");
    Label2->SetCaption(L"Developer Internal Tests");
    Label2->SetBounds(8, 40, 140, 15);
    Label1 = Make<TTntLabel>(this, Panel2, L"Label1");
    Label1->SetCaption(L"Index Page Size");
    Label1->SetBounds(8, 66, 90, 15);
    SmallPageSizeSpinEdit = Make<TAdvSpinEdit>(this, Panel2, L"SmallPageSizeSpinEdit");
    SmallPageSizeSpinEdit->SetBounds(104, 63, 70, 21);
    SmallPageSizeSpinEdit->SetValue(2000);
    PageSizeSpinEdit = Make<TAdvSpinEdit>(this, Panel2, L"PageSizeSpinEdit");
    PageSizeSpinEdit->SetBounds(180, 63, 70, 21);
    PageSizeSpinEdit->SetValue(50000);
    QXSuperTip4 = Make<TQXSuperTip>(this, Panel2, L"QXSuperTip4");
    QXSuperTip4->SetBounds(256, 66, 16, 16);
    QXSuperTip4->SetHint(HintPageSize);
    ButtonDebug_PortCheck = Make<TTntButton>(this, Panel2, L"ButtonDebug_PortCheck");
    ButtonDebug_PortCheck->SetCaption(L"Port Check");
    ButtonDebug_PortCheck->SetBounds(290, 62, 85, 25);
    ButtonDebug_PortCheck->OnClick = [this](TObject*) { ButtonDebug_PortCheckClick(); };
    StringTestBtn = Make<TTntButton>(this, Panel2, L"StringTestBtn");
    StringTestBtn->SetCaption(L"String Test");
    StringTestBtn->SetBounds(381, 62, 85, 25);
    StringTestBtn->OnClick = [this](TObject*) { StringTestBtnClick(); };

    ActionList1 = new TActionList(this);
    ActionList1->SetName(L"ActionList1");
    auto edit = [this](void (TCustomEdit::*Apply)()) {
        return [this, Apply] {
            TCustomEdit* target = FindTextEdit->Focused() ? static_cast<TCustomEdit*>(FindTextEdit) : Memo1;
            (target->*Apply)();
        };
    };
    actSelectAll = MakeAction(this, ActionList1, L"actSelectAll", scCtrl | 'A', edit(&TCustomEdit::SelectAll));
    actCopy = MakeAction(this, ActionList1, L"actCopy", scCtrl | 'C', edit(&TCustomEdit::CopyToClipboard));
    actPaste = MakeAction(this, ActionList1, L"actPaste", scCtrl | 'V', edit(&TCustomEdit::PasteFromClipboard));
    actCut = MakeAction(this, ActionList1, L"actCut", scCtrl | 'X', edit(&TCustomEdit::CutToClipboard));
    actFindNext = MakeAction(this, ActionList1, L"actFindNext", VK_F3, [this] { DebugPage_FindBtnClick(); });
    actFindText = MakeAction(this, ActionList1, L"actFindText", scCtrl | 'F', [this] {
        FindTextEdit->SetFocus();
        FindTextEdit->SelectAll();
    });
    actClose = MakeAction(this, ActionList1, L"actClose", VK_ESCAPE, [this] { Close(); });

    OnClose = [this](TObject*, TCloseAction& Action) { FormClose(Action); };
    OnHide = [this](TObject*) { FormHide(); };
    OnShow = [this](TObject*) { FlushLog(); };
    SetMessageHandler(WM_FLUSHLOG, [this](TMessage&) {
        FFlushPosted = false;
        FlushLog();
    });
    FLiveFlushTimer = new TTimer(this);
    FLiveFlushTimer->SetEnabled(false);
    FLiveFlushTimer->SetInterval(LiveFlushMs);
    FLiveFlushTimer->OnTimer = [this](TObject*) {
        FlushLog();
        if (Memo1->Showing())
            Memo1->Update();
    };
    Memo1->WindowProc = [this, previous = Memo1->WindowProc](TMessage& Message) {
        if (Message.Msg == WM_SETTEXT)
            FPending.clear();
        else if (TouchesLogText(Message.Msg))
            FlushLog();
        previous(Message);
    };

    // The find row is the mirror image of its design while the window reads right to left.
    WindowProc = [this, previous = WindowProc](TMessage& Message) {
        previous(Message);
        if (Message.Msg == CM_BIDIMODECHANGED && UseRightToLeftAlignment() != FMirrored) {
            FMirrored = !FMirrored;
            FlipChildren(true);
        }
    };
    if (UseRightToLeftAlignment()) {
        FMirrored = true;
        FlipChildren(true);
    }

    if (!DebugPage_Title.empty())
        SetCaption(DebugPage_Title);
    Memo1->Clear();
    SetDebugLogSink(this);
}

TDebugForm::~TDebugForm() {
    if (DebugLogSink() == this)
        SetDebugLogSink(nullptr);
    if (DebugForm == this)
        DebugForm = nullptr;
}

void TDebugForm::ShowDebugWindow(bool Show) {
    if (!Show) {
        Hide(); // saves the position
        return;
    }
    if (!Visible()) {
        Reg_RestoreFormPos(ViewerRegKey, PositionName, this);
        // A size saved on a larger screen is fitted into this one's work area.
        FitIntoWorkArea();
    }
    Panel1->SetAlign(alClient);
    TTntForm::Show();
    BringToFront();
}

void TDebugForm::FormClose(TCloseAction& Action) { Action = caHide; }

void TDebugForm::FormHide() { Reg_SaveFormPos(ViewerRegKey, PositionName, this); }

// ---------------------------------------------------------------------------------
// Find

void TDebugForm::DebugPage_FindBtnClick() {
    const std::wstring find = FindTextEdit->GetText();
    if (find.empty())
        return;
    const std::wstring text = Memo1->GetText();
    const int selStart = Memo1->SelStart();
    const int selLength = Memo1->SelLength();
    // A selection (the occurrence found last) is passed over, also the one at the very
    // start of the log; a caret at the start or the end searches from the start.
    int start;
    if (selLength > 0 && selStart < static_cast<int>(text.size()))
        start = selStart + static_cast<int>(find.size()) + 1;
    else if (selStart == 0 || selStart >= static_cast<int>(text.size()))
        start = 1;
    else
        start = selStart;
    FindFrom(text, find, start, true);
}

void TDebugForm::FindFrom(const std::wstring& Text, const std::wstring& Find, int Start, bool MayWrap) {
    if (const int pos = PosExTextW(Text, Find, Start)) {
        Memo1->SetSelStart(pos - 1);
        Memo1->SetSelLength(static_cast<int>(Find.size()));
        if (Memo1->CanFocus())
            Memo1->SetFocus();
        return;
    }
    // Going round once more is offered once: when the text is not there at all, a second
    // answer would only bring the same question back.
    if (MayWrap && UserMessage(miInfo, Caption(), MsgTxt_EndOfFileSearchfromStart, mbYesNo)) {
        Memo1->SetSelStart(1);
        Memo1->SetSelLength(0);
        FindFrom(Text, Find, 1, false);
    }
}

// ---------------------------------------------------------------------------------
// Bottom panel and developer buttons

void TDebugForm::ExtraDebugLableClick() {
    if (Panel2->Height() > 40)
        Panel2->SetHeight(ExtraDebugLable->Top() + ExtraDebugLable->Height() + 5);
    else
        Panel2->SetHeight(ButtonDebug_PortCheck->Top() + ButtonDebug_PortCheck->Height() +
                          ButtonDebug_PortCheck->Height() / 3);
}

void TDebugForm::ButtonDebug_PortCheckClick() {
    std::wstring port;
    CurrentH3Paths().GetAgentPort(port);
    const bool open = PortTCP_IsOpen(StrToIntDef(port, 0));
    DebugLog(L"> PortTCP_IsOpen(" + port + L")=" + (open ? L"true" : L"false"));
}

void TDebugForm::StringTestBtnClick() {
    if (WebUpdates)
        WebUpdates->TestMessages();
}

// ---------------------------------------------------------------------------------
// Log sink

bool TDebugForm::SinkShowing() { return Showing(); }

bool TDebugForm::SinkTimeStamps() { return TimeStampLogCbx->Checked(); }

void TDebugForm::SinkAddLine(const std::wstring& Line) {
    // The memo's window first: making it sets its (empty) text, which would drop the line.
    Memo1->HandleNeeded();
    FPending += Line;
    FPending += L"\r\n";
    if (Memo1->Showing()) {
        if (GetTickCount() - FLastFlush >= LiveFlushMs) {
            FlushLog();
            Memo1->Update();
        } else if (!FLiveFlushTimer->Enabled()) {
            FLiveFlushTimer->SetEnabled(true);
        }
    } else if (!FFlushPosted) {
        FFlushPosted = PostMessageW(Handle(), WM_FLUSHLOG, 0, 0) != FALSE;
    }
}

void TDebugForm::FlushLog() {
    FLiveFlushTimer->SetEnabled(false);
    if (FPending.empty())
        return;
    FLastFlush = GetTickCount();
    std::wstring add;
    add.swap(FPending);
    HWND memo = Memo1->Handle();
    const int length = GetWindowTextLengthW(memo);
    // Text typed into the log since our last line may not end with a line break.
    if (length > 0 && length != FLogEnd && !EndsWithLineBreak(Memo1->GetText()))
        add.insert(0, L"\r\n");
    SendMessageW(memo, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(add.c_str()));
    FLogEnd = GetWindowTextLengthW(memo);
}
