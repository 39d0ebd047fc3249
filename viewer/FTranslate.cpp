#include "FTranslate.h"

#include "TntComCtrls.h"
#include "TntStdCtrls.h"
#include "UAuxFile.h"
#include "UDialogButtons.h"
#include "ULangFile.h"
#include "ULocaleInfo.h"
#include "UTranslator.h"
#include "UShellExec.h"
#include "UUtilsW.h"

#include <algorithm>
#include <memory>

std::wstring FTranslate_Title;
std::wstring FTranslate_Col_Language;
std::wstring FTranslate_Col_Code;
std::wstring FTranslate_Col_File;
std::wstring FTranslate_Col_Translator;
std::wstring FTranslate_WebLink;
std::wstring FTranslate_OK;
std::wstring FTranslate_Cancel;

std::wstring TranslateWebPageUrl = L"https://www.quorvex.com/vorlane/translate/";

namespace {

std::wstring Widen(const std::string& Ascii) { return std::wstring(Ascii.begin(), Ascii.end()); }

// The language's name: the locale table's (translated, else its description) for a code
// of the table, else the one the file gives.
std::wstring LanguageName(const std::wstring& Code, const TLangFileInfo& File) {
    // Only codes of ASCII characters reach here (IsValidLangCode).
    const int row = FindLanguageCode(std::string(Code.begin(), Code.end()));
    if (row < 1)
        return File.Language;
    const TLocaleInfo_& info = g_LocaleInfo[row];
    return info.DisplayName.empty() ? Widen(info.Desc) : info.DisplayName;
}

} // namespace

std::vector<TLangRow> ListLanguageRows(const std::wstring& Folder) {
    std::vector<TLangRow> rows;
    const std::wstring systemCode = Widen(DefaultLanguageCode);
    rows.push_back({L"Windows", systemCode, LangFilePrefix + systemCode, L"", true});
    auto files = FindFilesW(Folder + L"\\" + LangFilePrefix + L"*");
    for (int i = 0; i < files->Count(); ++i) {
        const std::wstring path = files->Strings(i);
        const std::wstring name = ExtractFileNameW(path);
        const std::wstring code = name.substr(name.rfind(L'.') + 1);
        if (code.empty() || !IsValidLangCode(code))
            continue;
        const TLangFileInfo info = ReadLangFileInfo(path);
        rows.push_back({LanguageName(code, info), code, name, TranslatorText(info), false});
    }
    return rows;
}

int CurrentLanguageRow(const std::vector<TLangRow>& Rows, const std::wstring& CurrentCode) {
    for (size_t i = 1; i < Rows.size(); ++i)
        if (Rows[i].Code == CurrentCode)
            return static_cast<int>(i);
    return 0;
}

TTranslateForm::TTranslateForm(TComponent* AOwner, const std::wstring& Folder, const std::wstring& CurrentCode)
    : TTntForm(AOwner) {
    SetName(L"TranslateForm");
    SetCaption(L"User Interface Language");
    SetBorderStyle(bsDialog);
    SetPosition(poMainFormCenter);
    SetClientWidth(520);
    SetClientHeight(296);

    ListView1 = new TTntListView(this);
    ListView1->SetName(L"ListView1");
    ListView1->SetParent(this);
    ListView1->SetBounds(8, 8, 504, 240);
    ListView1->SetViewStyle(vsReport);
    ListView1->SetReadOnly(true);
    ListView1->SetRowSelect(true);
    ListView1->SetHideSelection(false);
    const std::pair<const wchar_t*, int> columns[] = {
        {L"Language", 150}, {L"Code", 60}, {L"File", 130}, {L"Translator", 160}};
    for (const auto& [caption, width] : columns) {
        TTntListColumn* column = ListView1->Columns()->Add();
        column->SetCaption(caption);
        column->SetWidth(width);
    }
    ListView1->OnSelectItem = [this](TObject*, TListItem*, bool) { UpdateButtons(); };
    ListView1->OnDblClick = [this](TObject*) { ListView1DblClick(); };
    SetActiveControl(ListView1); // the rows take the arrow keys at once

    WebLinkLabel = new TTntLabel(this);
    WebLinkLabel->SetName(L"WebLinkLabel");
    WebLinkLabel->SetParent(this);
    WebLinkLabel->SetCaption(L"Translate Vorlane into your language");
    WebLinkLabel->SetBounds(8, 267, 250, 16);
    WebLinkLabel->SetAutoSize(true);
    WebLinkLabel->SetCursor(crHandPoint);
    WebLinkLabel->Font()->SetColor(clBlue);
    WebLinkLabel->Font()->SetStyle(fsUnderline);
    WebLinkLabel->OnClick = [this](TObject*) { WebLinkLabelClick(); };

    const TOkCancelButtons buttons = MakeOkCancelButtons(this, L"OKBtn", L"CancelBtn", 356, 262);
    OKBtn = buttons.Ok;
    CancelBtn = buttons.Cancel;

    OpenUrl = [](const std::wstring& Url) { ShellExec(Url); };

    // The translated texts.
    SetTextIfGiven(this, FTranslate_Title);
    const std::wstring* captions[] = {&FTranslate_Col_Language, &FTranslate_Col_Code, &FTranslate_Col_File,
                                      &FTranslate_Col_Translator};
    for (int i = 0; i < 4; ++i)
        if (!captions[i]->empty())
            ListView1->Columns()->Items(i)->SetCaption(*captions[i]);
    SetTextIfGiven(WebLinkLabel, FTranslate_WebLink);
    SetTextIfGiven(OKBtn, FTranslate_OK);
    SetTextIfGiven(CancelBtn, FTranslate_Cancel);
    ArrangeBottomRow();

    FRows = ListLanguageRows(Folder);
    for (const TLangRow& row : FRows) {
        TTntListItem* item = ListView1->Items()->Add();
        item->SetCaption(row.Language);
        item->SubItems()->Add(row.Code);
        item->SubItems()->Add(row.FileName);
        item->SubItems()->Add(row.Translator);
    }
    TListItem* current = ListView1->Items()->Item(CurrentLanguageRow(FRows, CurrentCode));
    ListView1->SetSelected(current);
    ListView1->SetItemFocused(current);
    UpdateButtons();
}

void TTranslateForm::ArrangeBottomRow() {
    // The link left of OK and Cancel, all under the list; the window as wide as the row
    // needs with the link's text at its font. Right to left the row is the mirror image.
    constexpr int Gap = 8;
    const int buttons = OKBtn->Width() + 6 + CancelBtn->Width();
    const int width = std::max(520, Gap + WebLinkLabel->Width() + 2 * Gap + buttons + Gap);
    const int row = std::max(OKBtn->Height(), WebLinkLabel->Height());
    const int top = ListView1->Top() + ListView1->Height() + Gap;
    SetClientWidth(width);
    ListView1->SetWidth(width - 2 * Gap);
    WebLinkLabel->SetBounds(Gap, top + (row - WebLinkLabel->Height()) / 2, WebLinkLabel->Width(),
                            WebLinkLabel->Height());
    OKBtn->SetBounds(width - Gap - buttons, top + (row - OKBtn->Height()) / 2, OKBtn->Width(), OKBtn->Height());
    CancelBtn->SetBounds(OKBtn->Left() + OKBtn->Width() + 6, OKBtn->Top(), CancelBtn->Width(), CancelBtn->Height());
    SetClientHeight(top + row + Gap);
    if (UseRightToLeftAlignment())
        FlipChildren(true);
}

bool TTranslateForm::SelectedCode(std::wstring& Code) {
    const int row = ListView1->ItemIndex();
    if (row < 0 || row >= static_cast<int>(FRows.size()))
        return false;
    Code = FRows[row].Windows ? L"" : FRows[row].Code;
    return true;
}

void TTranslateForm::ApplyThemeColours(TColor WindowColor, TColor TextColor) {
    SetColor(WindowColor);
    Font()->SetColor(TextColor);
    if (WindowColor != clBtnFace)
        WebLinkLabel->Font()->SetColor(TextColor);
}

void TTranslateForm::UpdateButtons() { OKBtn->SetEnabled(ListView1->Selected() != nullptr); }

void TTranslateForm::ListView1DblClick() {
    if (ListView1->Selected())
        SetModalResult(mrOk);
}

void TTranslateForm::WebLinkLabelClick() {
    if (OpenUrl)
        OpenUrl(TranslateWebPageUrl);
}

bool ShowLanguagePicker(TComponent* Owner, std::wstring& LangCode, const std::wstring& Folder,
                        const TPickerColours* Colours) {
    std::unique_ptr<TTranslateForm> form(new TTranslateForm(Owner, Folder, LangCode));
    if (Colours)
        form->ApplyThemeColours(Colours->Window, Colours->Text);
    std::wstring chosen;
    const bool ok = form->ShowModal() == mrOk && form->SelectedCode(chosen);
    form->BeforeDestruction();
    if (ok)
        LangCode = chosen;
    return ok;
}

bool ShowLanguagePicker(TComponent* Owner, std::wstring& LangCode, const TPickerColours* Colours) {
    return ShowLanguagePicker(Owner, LangCode, ProgramFolder(), Colours);
}
