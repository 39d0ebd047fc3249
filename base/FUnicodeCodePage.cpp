// The code-page problem dialog.
#include "FUnicodeCodePage.h"

#include "ExtCtrls.h"
#include "TntButtons.h"
#include "TntStdCtrls.h"
#include "UFormPos.h"
#include "ULanguage.h"
#include "UUtilsW.h"

namespace {

TUnicodeCodePageForm* g_Active = nullptr;

std::wstring Bars(const std::wstring& S) {
    std::wstring r;
    for (wchar_t c : S) {
        if (c == L'|')
            r += L"\r\n";
        else
            r += c;
    }
    return r;
}

const wchar_t* const Instructions =
    L"|First select the correct CodePage or language.||Click \"Retry\" to retry the Unicode-Ansi conversion using "
    L"the new settings.||Click \"Skip\" to ignore this change and continue.||Click \"Accept\" to accept the change "
    L"with bad chars marked as \"?\".||Click \"Cancel\" to ignore this change and discontinue any further "
    L"operations.";
const wchar_t* const Note =
    L"|If problems persist then make sure the required Code Page is installed (see Control Panel > Regional and "
    L"Language options).||If you are working with HTML Help (.chm help) all files must be in ANSI format (a "
    L"limitation of the technology). Make sure the correct ANSI Code Page is set for Windows (Control Panel > "
    L"Regional and Language options).||For all other files, try saving your files in UTF-8 or UTF-16 Unicode file "
    L"format (typically using File > Save As).||Also check that the Unicode source is not corrupted or poorly "
    L"formatted.";

template <class T>
T* Place(T* C, TWinControl* Parent, const wchar_t* Name, int L, int T_, int W, int H) {
    C->SetName(Name);
    C->SetParent(Parent);
    C->SetBounds(L, T_, W, H);
    return C;
}

TTntLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, const wchar_t* Name, const std::wstring& Text, int L,
                     int T_) {
    auto* l = Place(new TTntLabel(Owner), Parent, Name, L, T_, 0, 0);
    l->SetCaption(Text);
    return l;
}

TTntButton* MakeButton(TComponent* Owner, TWinControl* Parent, const wchar_t* Name, const wchar_t* Caption,
                       TModalResult Result, int L, int T_) {
    auto* b = Place(new TTntButton(Owner), Parent, Name, L, T_, 75, 25);
    b->SetCaption(Caption);
    b->SetModalResult(Result);
    return b;
}

} // namespace

TUnicodeCodePageForm::TUnicodeCodePageForm(TComponent* AOwner) : TTntForm(AOwner) {
    SetCaption(L"Invalid Code Page");
    SetBorderStyle(bsSizeable);
    SetPosition(poOwnerFormCenter);
    SetClientWidth(541);
    SetClientHeight(461);

    TopPanel = new TPanel(this);
    TopPanel->SetName(L"TopPanel");
    TopPanel->SetParent(this);
    TopPanel->SetBevelOuter(bvNone);
    TopPanel->SetCaption(L"");
    TopPanel->SetHeight(150);
    TopPanel->SetAlign(alTop);

    Label1 = MakeLabel(this, TopPanel, L"Label1",
                       L"There was a problem converting Unicode text to ANSI using the current Code Page.", 8, 8);
    Label2 = MakeLabel(this, TopPanel, L"Label2", L"ANSI Code Page:", 8, 30);
    Label5 = MakeLabel(this, TopPanel, L"Label5", L"Associated File:", 8, 54);
    SourceEdit = Place(new TTntEdit(this), TopPanel, L"SourceEdit", 110, 50, 420, 21);
    SourceEdit->SetReadOnly(true);
    Label3 = MakeLabel(this, TopPanel, L"Label3", L"Select another Code Page.", 8, 80);
    LangCodePageCbo = Place(new TTntComboBox(this), TopPanel, L"LangCodePageCbo", 8, 98, 255, 21);
    LangCodePageCbo->SetStyle(csDropDownList);
    CodePageCbo = Place(new TTntComboBox(this), TopPanel, L"CodePageCbo", 275, 98, 255, 21);
    CodePageCbo->SetStyle(csDropDownList);
    KeepCPCheckBox = Place(new TTntCheckBox(this), TopPanel, L"KeepCPCheckBox", 8, 126, 420, 17);
    KeepCPCheckBox->SetCaption(L"Apply this Code Page to future documents that fail (click Retry)");

    auto* bottom = new TPanel(this);
    bottom->SetName(L"BottomPanel");
    bottom->SetParent(this);
    bottom->SetBevelOuter(bvNone);
    bottom->SetCaption(L"");
    bottom->SetHeight(150);
    bottom->SetAlign(alBottom);
    BtnLeft = Place(new TTntSpeedButton(this), bottom, L"BtnLeft", 8, 4, 23, 22);
    BtnLeft->SetCaption(L"<");
    BtnRight = Place(new TTntSpeedButton(this), bottom, L"BtnRight", 33, 4, 23, 22);
    BtnRight->SetCaption(L">");
    StepLabel = MakeLabel(this, bottom, L"StepLabel", L"", 64, 8);
    InfoLabel = MakeLabel(this, bottom, L"InfoLabel", L"", 8, 30);
    InfoLabel->SetAutoSize(false);
    InfoLabel->SetWordWrap(true);
    InfoLabel->SetBounds(8, 30, 525, 82);
    RetryBtn = MakeButton(this, bottom, L"RetryBtn", L"&Retry", 4, 52, 118);
    IgnoreBtn = MakeButton(this, bottom, L"IgnoreBtn", L"&Skip", 5, 132, 118);
    BtnYes = MakeButton(this, bottom, L"BtnYes", L"&Accept", 6, 212, 118);
    CancelBtn = MakeButton(this, bottom, L"CancelBtn", L"Cancel", 2, 292, 118);
    CancelBtn->SetCancel(true);
    HelpBtn = MakeButton(this, bottom, L"HelpBtn", L"Help", mrNone, 372, 118);
    HelpBtn->OnClick = [this](TObject*) {
        UserMessage(miInfo, Caption(), Bars(Instructions) + L"\r\n" + Bars(Note), mbOk);
    };

    Memo = new TTntMemo(this);
    Memo->SetName(L"Memo");
    Memo->SetParent(this);
    Memo->SetAlign(alClient);
    Memo->SetReadOnly(true);
    Memo->SetScrollBars(ssBoth);
    Memo->SetHideSelection(false);

    BtnLeft->OnClick = [this](TObject*) { Step(-1); };
    BtnRight->OnClick = [this](TObject*) { Step(1); };
    LangCodePageCbo->OnChange = [this](TObject*) { LangCodePageCboChange(); };
    CodePageCbo->OnChange = [this](TObject*) { CodePageCboChange(); };
    OnCloseQuery = [this](TObject*, bool& CanClose) { FormCloseQuery(CanClose); };
    OnShow = [this](TObject*) { FormShow(); };
    ApplyLanguageCharset(this);
}

void TUnicodeCodePageForm::SetProblem(const TCodePageProblem& Problem) {
    FProblem = Problem;
    Label2->SetCaption(L"ANSI Code Page: " + CodePageDisplayName(Problem.CodePage));
    SourceEdit->SetText(Problem.Source);
    Memo->SetText(Problem.Text);

    FComboCodePages.clear();
    CodePageCbo->Items()->Clear();
    for (int cp : InstalledCodePages) {
        FComboCodePages.push_back(cp);
        CodePageCbo->Items()->Add(CodePageDisplayName(cp));
    }
    FLangCodePages.clear();
    LangCodePageCbo->Items()->Clear();
    LangCodePageCbo->Items()->Add(L"<Or Select CodePage by Language>");
    FLangCodePages.push_back(Problem.CodePage);
    for (int i = 0; i < CodePageTableCount; ++i) {
        const TCodePageRow& row = CodePageTable[i];
        std::wstring name;
        for (const char* p = row.Name; p && *p; ++p)
            name += static_cast<wchar_t>(static_cast<unsigned char>(*p));
        LangCodePageCbo->Items()->Add(name + L" [" + std::to_wstring(row.CodePage) + L"]");
        FLangCodePages.push_back(row.CodePage);
    }
    FChanging = true;
    LangCodePageCbo->SetItemIndex(0);
    FChanging = false;
    SelectCodePage(Problem.CodePage);

    InfoLabel->SetCaption(Bars(Instructions) + L"\r\n\r\n" + std::to_wstring(Problem.Positions.size()) +
                          L" character(s) unable to be converted and marked as \"" +
                          std::wstring(1, static_cast<wchar_t>(ReplacementChar)) + L"\".");
    FStep = -1;
    StepLabel->SetCaption(L"");
}

void TUnicodeCodePageForm::Step(int Delta) {
    const int count = static_cast<int>(FProblem.Positions.size());
    if (count == 0) {
        FStep = -1; // nothing to step through
        StepLabel->SetCaption(L"0 of 0");
        return;
    }
    if (FStep < 0)
        FStep = Delta < 0 ? count - 1 : 0;
    else
        FStep = ((FStep + Delta) % count + count) % count;
    const int pos = FProblem.Positions[static_cast<size_t>(FStep)];
    std::wstring text = std::to_wstring(FStep + 1) + L" of " + std::to_wstring(count) + L", Char Pos: " +
                        std::to_wstring(pos);
    const std::wstring& all = FProblem.Text;
    if (pos >= 1 && pos <= static_cast<int>(all.size())) {
        // Line and column of the position among the memo's lines (CR LF, CR or LF end a line).
        int line = 1, lineStart = 0;
        for (int i = 0; i < pos - 1; ++i) {
            if (all[i] == L'\r' || all[i] == L'\n') {
                if (all[i] == L'\r' && i + 1 < static_cast<int>(all.size()) && all[i + 1] == L'\n')
                    ++i;
                ++line;
                lineStart = i + 1;
            }
        }
        text += L", Line Number: " + std::to_wstring(line) + L", Line Char: " + std::to_wstring(pos - lineStart);
        if (Memo->HandleAllocated()) {
            Memo->SetSelStart(pos - 1);
            Memo->SetSelLength(1);
        }
    }
    StepLabel->SetCaption(text);
}

void TUnicodeCodePageForm::SelectCodePage(int CodePage) {
    FChanging = true;
    int index = -1;
    for (size_t i = 0; i < FComboCodePages.size(); ++i)
        if (FComboCodePages[i] == CodePage)
            index = static_cast<int>(i);
    if (index < 0 && CodePage >= 0) {
        FComboCodePages.push_back(CodePage);
        CodePageCbo->Items()->Add(CodePageDisplayName(CodePage));
        index = static_cast<int>(FComboCodePages.size()) - 1;
    }
    CodePageCbo->SetItemIndex(index);
    FChanging = false;
}

int TUnicodeCodePageForm::ChosenCodePage() {
    const int i = CodePageCbo->ItemIndex();
    return i >= 0 && i < static_cast<int>(FComboCodePages.size()) ? FComboCodePages[i] : FProblem.CodePage;
}

void TUnicodeCodePageForm::LangCodePageCboChange() {
    if (FChanging)
        return;
    const int i = LangCodePageCbo->ItemIndex();
    if (i >= 0 && i < static_cast<int>(FLangCodePages.size()))
        SelectCodePage(FLangCodePages[i]);
}

void TUnicodeCodePageForm::CodePageCboChange() {
    if (FChanging)
        return;
    FChanging = true;
    LangCodePageCbo->SetItemIndex(0);
    FChanging = false;
}

void TUnicodeCodePageForm::FormCloseQuery(bool& CanClose) {
    CanClose = true;
    if (ModalResult() == 6) {
        CanClose = UserMessage(miWarning, Caption(),
                               L"Are you sure you want to change this file?\r\rNote that all problem characters will "
                               L"be changed to \"?\".",
                               mbYesNo);
    } else if (ModalResult() == 4) {
        const int cp = ChosenCodePage();
        CanClose = cp >= 0 && IsValidCodePage(static_cast<UINT>(cp));
        if (!CanClose)
            UserMessage(miError, L"Invalid Code Page",
                        L"Code Page does not appear to be installed on your system.\rCodePage: " +
                            CodePageDisplayName(cp) +
                            L"\r\rSee Code Page settings in \"Control Panel > Regional and Language Options\".",
                        mbOk);
    }
    if (!CanClose)
        SetModalResult(mrNone);
    else
        Reg_SaveFormPos(L"", L"CodePageError", this);
}

void TUnicodeCodePageForm::FormShow() {
    Reg_RestoreFormPos(L"", L"CodePageError", this);
    Step(1); // the first problem position
}

TCodePageDecision ShowCodePageForm(const TCodePageProblem& Problem) {
    TCodePageDecision decision;
    auto* form = new TUnicodeCodePageForm(Application);
    struct TFree {
        TUnicodeCodePageForm* Form;
        TUnicodeCodePageForm* Previous;
        ~TFree() {
            g_Active = Previous;
            Form->BeforeDestruction();
            delete Form;
        }
    } guard{form, g_Active};
    g_Active = form;
    form->SetProblem(Problem);
    decision.ModalResult = form->ShowModal();
    if (decision.ModalResult == cpdRetry) {
        decision.CodePage = form->ChosenCodePage();
        decision.KeepCodePage = form->KeepCPCheckBox->Checked();
    }
    return decision;
}

void InstallCodePageDialog() { SetCodePageProblemHandler(&ShowCodePageForm); }

TUnicodeCodePageForm* ActiveCodePageForm() { return g_Active; }
