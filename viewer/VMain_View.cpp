// The main window's view: the pane commands, collapsing the navigation pane and moving it to
// the other side, the splitter, page zoom and text size of every tab, the colour themes,
// "Always On Top", minimising, the navigation font size, the online version of the page,
// and the status bar with its zoom panel.
#include "VMain.h"

#include "FBrowserFrame.h"
#include "TntComCtrls.h"
#include "TntDialogs.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UBrowserView.h"
#include "UPTShellList.h"
#include "UPaneLayout.h"
#include "UShotTimer.h"
#include "UWebDataModule.h"
#include "UZoom.h"
#include "qenSmartTabs.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// A user's move of the splitter is laid out once more this much later.
constexpr unsigned SplitterRecheckMs = 200;
// The zoom panel's pop-up opens this far above the status bar.
constexpr int ZoomPopupRise = 169;
// The status line of F8 on a page that has no online version.
const wchar_t* const NoOnlineVersionText = L"This page has no online version";

void FocusIfPossible(TWinControl* Control) {
    if (Control && Control->CanFocus())
        Control->SetFocus();
}

} // namespace

void TVMainForm::BindViewEvents() {
    ColorDialog1 = new TTntColorDialog(this);
    ColorDialog1->SetName(L"ColorDialog1");
    OnMouseWheel = [this](TObject*, TShiftState Shift, int WheelDelta, POINT, bool& Handled) {
        TntFormMouseWheel(Shift, WheelDelta, Handled);
    };
    StatusBar1->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        StatusBar1MouseUp(Button, X, Y);
    };
    LeftPanel->OnResize = [this](TObject*) {
        if (!FStartupGuard)
            UpdateSplitter();
    };
    // A drag closes the pane below the width that shows its page tabs whole.
    TntSplitter1->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
        TntSplitter1->SetMinSize(UsablePaneWidth());
    };
    // The splitter gives the pane no more than the window lets it show.
    TntSplitter1->OnCanResize = [this](TObject*, int& NewSize, bool&) {
        NewSize = std::min(NewSize, PaneWidthCap(ClientWidth()));
    };
}

// ---------------------------------------------------------------------------------
// Pane commands

// The pane shown (its last width back when it is narrower than its page tabs), with the
// splitter on its inner side.
void TVMainForm::OpenPane() {
    EnsurePaneWidth();
    UpdateSplitter();
}

void TVMainForm::ShowNavPage(TTntTabSheet* Page) {
    OpenPane();
    if (NavPageControl->ActivePage() != Page) {
        NavPageControl->SetActivePage(Page);
        NavPageControlChange();
    }
}

void TVMainForm::mmnuTocPageClick() {
    ShowNavPage(TabSheetToc);
    FocusIfPossible(TreeView1);
    RefreshPageDecoration();
}

void TVMainForm::mmnuIndexPageClick() {
    ShowNavPage(TabSheetIndex);
    FocusIfPossible(IndexEdit);
    RefreshPageDecoration();
}

void TVMainForm::mmnuBookmarksPageClick() {
    ShowNavPage(TabSheetBookmarks);
    FocusIfPossible(FavShellList);
    if (!FavShellList->Selected() && FavShellList->Items()->Count() > 0)
        FavShellList->SetItemIndex(0);
    RefreshPageDecoration();
}

void TVMainForm::smnuCatalogClick() {
    OpenPane();
    FocusIfPossible(CatalogCbo);
    RefreshPageDecoration();
}

void TVMainForm::smnuGotoSearchClick() {
    OpenPane();
    FocusIfPossible(SearchEdit);
    RefreshPageDecoration();
}

void TVMainForm::smnuAddressBarClick() {
    OpenPane();
    FocusAddressBar();
    RefreshPageDecoration();
}

// ---------------------------------------------------------------------------------
// The pane and the splitter

void TVMainForm::mmnuNavigationPaneClick() {
    // An open pane's width is what it gets back.
    if (LeftPanel->Width() >= CollapsedPaneWidth)
        LastPaneWidth = RememberedPaneWidth(GivenPaneWidth(), TntSplitter1->MinSize(), LastPaneWidth);
    const int toggled = ToggledPaneWidth(LeftPanel->Width(), LastPaneWidth);
    if (toggled >= CollapsedPaneWidth)
        ShowPaneWidth(toggled);
    else
        LeftPanel->SetWidth(toggled);
    UpdateSplitter();
    UpdateMenus();
}

int TVMainForm::GivenPaneWidth() {
    const int width = LeftPanel->Width();
    return width >= CollapsedPaneWidth && width == FPaneCutTo ? LastPaneWidth : width;
}

void TVMainForm::ShowPaneWidth(int Given) {
    const int shown = ShownPaneWidth(Given, ClientWidth());
    FPaneCutTo = shown < Given ? shown : 0;
    LeftPanel->SetWidth(shown);
}

void TVMainForm::FitPaneToWindow() {
    if (!FPaneFits || LeftPanel->Width() < CollapsedPaneWidth)
        return;
    if (ShownPaneWidth(LastPaneWidth, ClientWidth()) != LeftPanel->Width()) {
        ShowPaneWidth(LastPaneWidth);
        UpdateSplitter();
    }
}

void TVMainForm::UpdateSplitter() {
    const int left = SplitterFixLeft(LeftPanel->Left(), LeftPanel->Width(), TntSplitter1->Left(), TntSplitter1->Width());
    if (left >= 0)
        TntSplitter1->SetLeft(left);
    // The widths a drag passes are not kept: where it ends is.
    if (!TntSplitter1->Dragging())
        LastPaneWidth = RememberedPaneWidth(GivenPaneWidth(), TntSplitter1->MinSize(), LastPaneWidth);
    if (LeftPanel->Left() < CollapsedPaneWidth) {
        SlitterImage1->SetLeft(TntSplitter1->Left());
        SlitterImage1->BringToFront();
    }
}

void TVMainForm::TntSplitter1Moved() {
    UpdateSplitter();
    UpdateMenus(); // a drag may have closed the pane
    KillShotTimer(FSplitterTimer);
    FSplitterTimer = SetShotTimer(SplitterRecheckMs, [this](TObject*) {
        FSplitterTimer = 0;
        UpdateSplitter();
    });
}

void TVMainForm::mmnuNavigationRightClick() {
    PlaceNavigationPane(PaneGoesRight(LeftPanel->Left()));
    UpdateMenus();
}

// ---------------------------------------------------------------------------------
// Zoom and text size

void TVMainForm::ApplyZoom(int Percent) {
    const int percent = ClampZoomPercent(Percent);
    const double factor = ZoomFactor(percent);
    ForEachPage([factor](TBrowserView& View) {
        if (std::unique_ptr<TPageDocument> document = View.Document())
            document->SetBodyZoom(factor);
    });
    Zoom = static_cast<float>(factor);
    SharePageZoom();
    ShowZoom();
}

void TVMainForm::mmnuZoomInClick(TTntMenuItem* Item) {
    if (Item)
        ApplyZoom(ZoomForTag(ZoomPercentOf(Zoom), static_cast<int>(Item->Tag)));
}

void TVMainForm::TntFormMouseWheel(TShiftState Shift, int WheelDelta, bool& Handled) {
    if (!(Shift & ssCtrl))
        return;
    mmnuZoomInClick(WheelDelta < 1 ? mmnuZoomOut : mmnuZoomIn);
    Handled = true;
}

void TVMainForm::mmnuMediumClick(TTntMenuItem* Item) {
    if (!Item)
        return;
    const int size = static_cast<int>(Item->Tag);
    ForEachPage([size](TBrowserView& View) { View.SetTextSize(size); });
    for (TTntMenuItem* item : {mmnuLargest, mmnuLarger, mmnuMedium, mmnuSmaller, mmnuSmallest})
        item->SetChecked(item == Item);
}

void TVMainForm::StatusBar1MouseUp(TMouseButton Button, int X, int Y) {
    TStatusPanels* panels = StatusBar1->Panels();
    if (X <= panels->Items(0)->Width() + panels->Items(1)->Width())
        return;
    if (Button == mbLeft) {
        ApplyZoom(ZoomPanelStep(ZoomPercentOf(Zoom)));
    } else if (Button == mbRight) {
        // At the window's edge where the reading starts (a right-to-left menu's right edge).
        const POINT bar = StatusBar1->ClientToScreen(POINT{0, 0});
        ZoomPopupMenu->Popup(ZoomPopupMenu->Menu()->IsRightToLeft() ? Left() + Width() : Left(), bar.y - ZoomPopupRise);
    }
}

// ---------------------------------------------------------------------------------
// Colour themes, window

namespace {

// The fixed themes by their items' tags: background and text.
struct TThemePair {
    int Tag;
    TColor Background, Text;
};
const TThemePair ThemePairs[] = {
    {0, clBtnFace, clBtnText},
    {1, RGB(0x44, 0x58, 0x7C), RGB(0xEA, 0xF4, 0xFF)},
    {2, RGB(0x21, 0x4E, 0x7A), RGB(0xEA, 0xF4, 0xFF)},
    {4, RGB(0xF0, 0xFD, 0xFF), RGB(0x18, 0x1D, 0x29)},
};

const TThemePair* ThemeOfTag(intptr_t Tag) {
    for (const TThemePair& pair : ThemePairs)
        if (pair.Tag == Tag)
            return &pair;
    return nullptr;
}

} // namespace

void TVMainForm::ColorThemeClick(TTntMenuItem* Item) {
    if (!Item)
        return;
    TColor background = ThemeBackground, text = ThemeText;
    if (const TThemePair* pair = ThemeOfTag(Item->Tag)) {
        background = pair->Background;
        text = pair->Text;
    } else if (Item->Tag == 100 || Item->Tag == 101) {
        ColorDialog1->Color = Item->Tag == 100 ? ThemeBackground : ThemeText;
        if (!ColorDialog1->Execute())
            return;
        (Item->Tag == 100 ? background : text) = ColorDialog1->Color;
    } else {
        return;
    }
    ThemeBackground = background;
    ThemeText = text;
    ApplyColorTheme();
}

void TVMainForm::ShowThemeMark() {
    for (TTntMenuItem* item : {Default1, VSBlueGray1, DeepSeaBlue2, LightSkyBlue1}) {
        const TThemePair* pair = ThemeOfTag(item->Tag);
        item->SetChecked(pair && pair->Background == ThemeBackground && pair->Text == ThemeText);
    }
}

void TVMainForm::smnuMinimizeWindowClick() { Application->Minimize(); }

// ---------------------------------------------------------------------------------
// The online version of a page

void TVMainForm::mmnuOnlineOfflineClick() { OpenOnlineVersion(GetCurrentUrl()); }

void TVMainForm::OpenOnlineVersion(const std::wstring& Url) {
    if (Url.empty() || !WebDataModule)
        return;
    // A page that names no topic (the catalog's home page, a search) has no online version.
    if (WebDataModule->OnlineKey(Url).empty()) {
        SetStatusText(NoOnlineVersionText);
        return;
    }
    std::wstring online;
    if (WebDataModule->GetOnlineUrl(Url, online))
        GotoUrl(online);
}

void TVMainForm::ApplyNavFontSize(bool Apply) {
    const int size = WebDataModule ? WebDataModule->NavFontSize : 0;
    if (size <= 0)
        return;
    const std::vector<TWinControl*> controls{TreeView1, IndexLV, FavShellList};
    if (!Apply) {
        for (TWinControl* control : controls)
            control->SetParentFont(true);
        IndexEdit->SetParentFont(true);
        return;
    }
    for (TWinControl* control : controls)
        control->Font()->SetSize(size);
    if (size > 8) {
        IndexEdit->Font()->SetSize(size);
        IndexEdit->SetHeight(size * 2 + 2);
    }
}

// ---------------------------------------------------------------------------------
// Where the view meets the browser tabs

// Every tab whose page has a location; a tab still without a page takes the shared zoom
// when its document completes.
void TVMainForm::ForEachPage(const std::function<void(TBrowserView& View)>& Do) {
    for (int i = 0; i < SmartTabs->GetTabCount(); ++i) {
        TBrowserFrame* frame = GetFrame(i);
        if (frame && frame->WebBrowser1 && !frame->Location().empty())
            Do(*frame->WebBrowser1);
    }
}

void TVMainForm::SharePageZoom() { PageZoom = Zoom; }

void TVMainForm::FocusAddressBar() {
    TBrowserFrame* frame = ActiveFrame();
    if (!frame || !frame->UrlEdit || !frame->UrlEdit->Visible() || !frame->UrlEdit->CanFocus())
        return;
    frame->UrlEdit->SetFocus();
    frame->UrlEdit->SelectAll();
}
