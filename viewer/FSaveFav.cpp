#include "FSaveFav.h"

#include "TntStdCtrls.h"
#include "UAppSettings.h"
#include "UBookmarks.h"
#include "UDialogButtons.h"
#include "UMessageTexts.h"
#include "UTranslator.h"

namespace {

TTntLabel* MakeLabel(TSaveFavForm* Form, const wchar_t* Name, const wchar_t* Caption, int Top) {
    auto* label = new TTntLabel(Form);
    label->SetName(Name);
    label->SetParent(Form);
    label->SetCaption(Caption);
    label->SetBounds(8, Top + 3, 56, 16);
    return label;
}

TTntEdit* MakeEdit(TSaveFavForm* Form, TTntLabel* Label, const wchar_t* Name, int Top) {
    auto* edit = new TTntEdit(Form);
    edit->SetName(Name);
    edit->SetParent(Form);
    edit->SetText(L"");
    edit->SetBounds(68, Top, 380, 21);
    edit->SetAnchors(akLeft | akTop | akRight);
    Label->SetFocusControl(edit);
    return edit;
}

} // namespace

TSaveFavForm::TSaveFavForm(TComponent* AOwner) : TTntForm(AOwner) {
    SetName(L"SaveFavForm");
    SetCaption(L"Add Bookmark");
    SetBorderStyle(bsDialog);
    SetPosition(poOwnerFormCenter);
    SetClientWidth(456);
    SetClientHeight(129);

    Label1 = MakeLabel(this, L"Label1", L"&Name:", 8);
    Edit1 = MakeEdit(this, Label1, L"Edit1", 8);
    Label2 = MakeLabel(this, L"Label2", L"&URL:", 36);
    URLEdit = MakeEdit(this, Label2, L"URLEdit", 36);
    Label3 = MakeLabel(this, L"Label3", L"&Folder:", 64);
    FolderEdit = MakeEdit(this, Label3, L"FolderEdit", 64);
    const TOkCancelButtons buttons = MakeOkCancelButtons(this, L"OKBtn", L"CancelBtn", 292, 96);
    OKBtn = buttons.Ok;
    CancelBtn = buttons.Cancel;
    OKBtn->SetAnchors(akTop | akRight);
    CancelBtn->SetAnchors(akTop | akRight);
    SetActiveControl(Edit1);

    OnShow = [this](TObject*) { FormShow(); };
    OnCloseQuery = [this](TObject*, bool& CanClose) { FormCloseQuery(CanClose); };
    SetMessageHandler(WM_SAVEFAV_FITHEIGHT, [this](TMessage&) { FitHeight(); });
    TntFormCreate();
    if (UseRightToLeftAlignment()) // the mirror image: labels at the right, OK and Cancel at the left
        FlipChildren(true);
}

void TSaveFavForm::TntFormCreate() {
    // The texts the interface translation gave; the designed ones otherwise.
    SetTextIfGiven(this, AddBookmarkDlg_Title);
    SetTextIfGiven(Label1, AddBookmarkDlg_Name);
    SetTextIfGiven(Label2, AddBookmarkDlg_URL);
    SetTextIfGiven(Label3, AddBookmarkDlg_Folder);
    SetTextIfGiven(OKBtn, AddBookmarkDlg_OK);
    SetTextIfGiven(CancelBtn, AddBookmarkDlg_Cancel);
}

void TSaveFavForm::ApplyThemeColours(TColor WindowColor, TColor TextColor) {
    SetColor(WindowColor);
    Font()->SetColor(TextColor);
}

void TSaveFavForm::FormShow() {
    if (AppSettings)
        AppSettings->RestoreFormPos(this);
    PostMessageW(Handle(), WM_SAVEFAV_FITHEIGHT, 0, 0);
}

void TSaveFavForm::FitHeight() {
    SetClientHeight(OKBtn->Top() + OKBtn->Height() + Edit1->Top());
    // Grown at the screen's edge, it moves up to stay whole on the screen.
    if (Screen) {
        const POINT p = Screen->PlaceInWorkArea(BoundsRect());
        SetBounds(p.x, p.y, Width(), Height());
    }
}

void TSaveFavForm::FormCloseQuery(bool& CanClose) {
    if (AppSettings)
        AppSettings->SaveFormPos(this);
    CanClose = true;
    if (ModalResult() != mrOk)
        return;
    // Refused names, declined overwrites and failed writes keep the dialog open; the user
    // has been told why.
    CanClose = SaveBookmarkFile(Edit1->GetText(), FolderEdit->GetText(), URLEdit->GetText(), FSavedFileName) ==
               TBookmarkSave::Saved;
    if (!CanClose)
        FSavedFileName.clear();
}
