#include "FVAbout.h"

#include "ActnList.h"
#include "TntActnList.h"
#include "TntExtCtrls.h"
#include "TntStdCtrls.h"
#include "UFileVersion.h"
#include "UMessageTexts.h"
#include "UShellExec.h"
#include "UWebUpdates.h"

#include <memory>

std::wstring AboutHomePageUrl = L"https://www.quorvex.com/";
std::wstring Aboutbox_Title;
std::wstring Aboutbox_Header;
std::wstring Aboutbox_Copyright;
std::wstring Aboutbox_HomePage;
std::wstring Aboutbox_CheckWeb;
std::wstring AboutBox_VerXNowAvail = L"Version %1 is now available";

namespace {

TTntLabel* MakeLabel(TAboutForm* Form, const wchar_t* Name, const wchar_t* Caption, int Top) {
    auto* l = new TTntLabel(Form);
    l->SetName(Name);
    l->SetParent(Form);
    l->SetCaption(Caption);
    l->SetBounds(80, Top, 250, 16);
    return l;
}

void SetIfGiven(TTntLabel* Label, const std::wstring& Text) {
    if (!Text.empty())
        Label->SetCaption(Text);
}

// The program's picture: an open book on the maker's blue.
void PaintProgramImage(TBitmap* B) {
    B->SetSize(48, 48);
    TCanvas* c = B->Canvas();
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(RECT{0, 0, 48, 48});
    c->Pen()->SetColor(RGB(0x21, 0x4E, 0x7A));
    c->Brush()->SetColor(RGB(0x44, 0x58, 0x7C));
    c->RoundRect(2, 2, 46, 46, 10, 10);
    c->Pen()->SetColor(RGB(0xEA, 0xF4, 0xFF));
    c->Brush()->SetColor(RGB(0xF0, 0xFD, 0xFF));
    c->Polygon({{8, 14}, {23, 11}, {23, 37}, {8, 40}});
    c->Polygon({{25, 11}, {40, 14}, {40, 40}, {25, 37}});
    c->Pen()->SetColor(RGB(0x44, 0x58, 0x7C));
    for (int y = 18; y <= 30; y += 4) {
        c->MoveTo(11, y + 1);
        c->LineTo(21, y - 1);
        c->MoveTo(27, y - 1);
        c->LineTo(37, y + 1);
    }
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
    Image3->SetBounds(16, 16, 48, 48);
    PaintProgramImage(Image3->Picture()->Bitmap());

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
}

void TAboutForm::FormShow() {
    for (TTntLabel* link : {HomePageLink, CheckForUpdateLink}) {
        const TColor own = link->Font()->Color();
        link->SetParentFont(true);
        link->Font()->SetColor(own);
        link->Font()->SetStyle(link->Font()->Style() | fsUnderline);
    }
}

void TAboutForm::HomePageLinkClick() { ShellExec(HomePageLink->Hint()); }

void TAboutForm::CheckForUpdateLinkClick() { CheckForUpdatesNow(); }

void ShowAboutBox(TComponent* Owner) {
    std::unique_ptr<TAboutForm> box(new TAboutForm(Owner));
    box->ShowModal();
    box->BeforeDestruction();
}
