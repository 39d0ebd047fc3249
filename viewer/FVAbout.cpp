#include "FVAbout.h"

#include "ActnList.h"
#include "TntActnList.h"
#include "TntExtCtrls.h"
#include "TntStdCtrls.h"
#include "UFileVersion.h"
#include "UMessageTexts.h"
#include "UShellExec.h"
#include "UWebUpdates.h"

#include <algorithm>
#include <memory>

std::wstring AboutHomePageUrl = L"https://www.quorvex.com/";
std::wstring Aboutbox_Title;
std::wstring Aboutbox_Header;
std::wstring Aboutbox_Copyright;
std::wstring Aboutbox_HomePage;
std::wstring Aboutbox_CheckWeb;
std::wstring AboutBox_VerXNowAvail = L"Version %1 is now available";

namespace {

// Left of the labels: the program image and the margins around it.
constexpr int Margin = 16;
constexpr int ImageSize = 48;
constexpr int LabelsLeft = Margin + ImageSize + Margin;

TTntLabel* MakeLabel(TAboutForm* Form, const wchar_t* Name, const wchar_t* Caption, int Top) {
    auto* l = new TTntLabel(Form);
    l->SetName(Name);
    l->SetParent(Form);
    l->SetBounds(LabelsLeft, Top, 250, 16);
    l->SetCaption(Caption); // as large as its text: ArrangeLabels places them
    return l;
}

void SetIfGiven(TTntLabel* Label, const std::wstring& Text) {
    if (!Text.empty())
        Label->SetCaption(Text);
}

} // namespace

TAboutForm::TAboutForm(TComponent* AOwner) : TTntForm(AOwner) {
    SetName(L"AboutForm");
    SetCaption(L"About Vorlane");
    SetBorderStyle(bsDialog);
    SetPosition(poMainFormCenter);
    SetClientWidth(340);
    SetClientHeight(150);

    Image3 = new TTntImage(this);
    Image3->SetName(L"Image3");
    Image3->SetParent(this);
    Image3->SetBounds(Margin, Margin, ImageSize, ImageSize);
    // The program's icon, at the size of the image.
    if (auto icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON, ImageSize, ImageSize, LR_DEFAULTCOLOR)))
        Image3->Picture()->Icon()->SetHandle(icon);

    HeaderLabel = MakeLabel(this, L"HeaderLabel", L"Vorlane by Quorvex", 14);
    HeaderLabel->Font()->SetStyle(fsBold);
    CopyrightLabel = MakeLabel(this, L"CopyrightLabel", L"Copyright \u00a9 Quorvex. All rights reserved.", 34);
    VersionLabel = MakeLabel(this, L"VersionLabel", L"", 54);
    HomePageLink = MakeLabel(this, L"HomePageLink", L"Home Page", 84);
    HomePageLink->SetAutoSize(true);
    HomePageLink->SetCursor(crHandPoint);
    HomePageLink->Font()->SetColor(clBlue);
    HomePageLink->SetShowHint(true);
    HomePageLink->OnClick = [this](TObject*) { HomePageLinkClick(); };
    CheckForUpdateLink = MakeLabel(this, L"CheckForUpdateLink", L"Check Web for Update", 104);
    CheckForUpdateLink->SetAutoSize(true);
    CheckForUpdateLink->SetCursor(crHandPoint);
    CheckForUpdateLink->Font()->SetColor(clBlue);
    CheckForUpdateLink->OnClick = [this](TObject*) { CheckForUpdateLinkClick(); };
    NewVerLabel = MakeLabel(this, L"NewVerLabel", L"_NewVersion_", 126);
    NewVerLabel->SetVisible(false);

    ActionList1 = new TActionList(this);
    ActionList1->SetName(L"ActionList1");
    Action1 = new TTntAction(this);
    Action1->SetName(L"Action1");
    Action1->SetActionList(ActionList1);
    Action1->SetShortCut(VK_ESCAPE);
    Action1->OnExecute = [this](TObject*) { Close(); };

    OnShow = [this](TObject*) { FormShow(); };

    // Creation.
    VersionLabel->SetCaption(GetExeVersionStr());
    HomePageLink->SetHint(AboutHomePageUrl);
    if (!Aboutbox_Title.empty())
        SetCaption(Aboutbox_Title);
    SetIfGiven(HeaderLabel, Aboutbox_Header);
    SetIfGiven(CopyrightLabel, Aboutbox_Copyright);
    SetIfGiven(HomePageLink, Aboutbox_HomePage);
    SetIfGiven(CheckForUpdateLink, Aboutbox_CheckWeb);
    std::wstring newer;
    if (WebUpdates)
        WebUpdates->GetNewVersion(newer);
    if (!newer.empty()) {
        NewVerLabel->SetCaption(FormatMsgText(AboutBox_VerXNowAvail, {newer}));
        NewVerLabel->SetVisible(true);
    }
    ArrangeLabels();
}

void TAboutForm::ArrangeLabels() {
    // One label under the other as high as their font makes them, the links a little apart.
    // The text labels take the whole width of the column (the links only their text's): a
    // label's measured width is a little short of its drawn text in some fonts. Right to left
    // the box is the mirror image: the image at the right, the texts beside it on its left.
    TTntLabel* const labels[] = {HeaderLabel, CopyrightLabel, VersionLabel, HomePageLink, CheckForUpdateLink,
                                 NewVerLabel};
    if (FMirrored) { // back to the design, anchors included, before the sizes change
        FlipChildren(true);
        FMirrored = false;
    }
    int top = Margin - 2, column = 0;
    for (TTntLabel* label : labels) {
        label->SetAutoSize(true); // measured anew with its present text and font
        if (!label->Visible())
            continue;
        if (label == HomePageLink)
            top += label->Height() / 2 + 4;
        label->SetBounds(LabelsLeft, top, label->Width(), label->Height());
        top = label->Top() + label->Height() + 4;
        column = std::max(column, label->Width() + label->Width() / 8 + 8);
    }
    for (TTntLabel* label : labels)
        if (label != HomePageLink && label != CheckForUpdateLink) {
            label->SetAutoSize(false);
            label->SetWidth(column);
        }
    SetClientWidth(std::max(340, LabelsLeft + column + Margin));
    Image3->SetBounds(Margin, Margin, ImageSize, ImageSize);
    SetClientHeight(std::max(top, Image3->Top() + Image3->Height()) + Margin - 4);
    if (UseRightToLeftAlignment()) {
        FlipChildren(true);
        FMirrored = true;
    }
}

void TAboutForm::FormShow() {
    for (TTntLabel* link : {HomePageLink, CheckForUpdateLink}) {
        const TColor own = link->Font()->Color();
        link->SetParentFont(true);
        link->Font()->SetColor(own);
        link->Font()->SetStyle(link->Font()->Style() | fsUnderline);
    }
    ArrangeLabels(); // the links took the box's font
}

void TAboutForm::HomePageLinkClick() { ShellExec(HomePageLink->Hint()); }

void TAboutForm::CheckForUpdateLinkClick() { CheckForUpdatesNow(); }

void ShowAboutBox(TComponent* Owner) {
    std::unique_ptr<TAboutForm> box(new TAboutForm(Owner));
    box->ShowModal();
    box->BeforeDestruction();
}
