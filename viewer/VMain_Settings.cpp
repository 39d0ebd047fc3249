// The saved settings: applied at creation as they are read, gathered at close; and the
// pieces of the layout they set (zoom display, stay-on-top, the pane's side, the theme).
#include "VMain.h"

#include "FBrowserFrame.h"
#include "FDebug.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAppSettings.h"
#include "UBookmarks.h"
#include "UMessageTexts.h"
#include "UPaneLayout.h"
#include "UWebDataModule.h"
#include "UZoom.h"
#include "qenSmartTabs.h"

#include <cmath>

void TVMainForm::ApplyStartSettings() {
    TMyRegIniFile& s = *AppSettings;
    const std::wstring main = MainSection;
    ApplyZoom(ZoomFromSetting(s.ReadInteger(main, L"Zoom", DefaultZoomPercent)));
    SuppressErrors = s.ReadBool(main, L"SuppressErrors", true);
    ShowAddressBar = s.ReadBool(main, L"ShowAddressBar", true);
    ShowBreadcrumbBar = s.ReadBool(main, L"ShowBreadcrumbBar", true);
    DebugForm->TimeStampLogCbx->SetChecked(s.ReadBool(main, L"TimeStampLog", false));
    mmnuQuickTOCLoad->SetChecked(s.ReadBool(main, L"mnuQuickTOCLoad", mmnuQuickTOCLoad->Checked()));
    LastBrowserUsed = LastBrowserFromSetting(s.ReadInteger(main, L"LastBrowserUsed", 0));
    BuildOpenWithMenu(LastBrowserUsed);
    mnuSaveTabsOnShutdown->SetChecked(false);
    mmnuOpenF1NewTab->SetChecked(s.ReadBool(main, L"mnuOpenF1NewTab", mmnuOpenF1NewTab->Checked()));
    IndexPartialModeFirstKey = s.ReadBool(main, L"IndexPartialMode_FirstKey", false);
    (IndexPartialModeFirstKey ? IdxMenu_LoadPartialIndex_FirstChar : IdxMenu_LoadPartialIndex)->SetChecked(true);
    if (s.ReadBool(main, L"FullIndexMode", false))
        IdxMenu_LoadFullIndex->SetChecked(true);
    SearchEdit->SetText(s.ReadString(main, L"SearchText", L""));
    DebugForm->FindTextEdit->SetText(s.ReadString(main, L"FindTextEdit", DebugForm->FindTextEdit->GetText()));
    OrphanListEnabled = true;
    ShowTopicNav2 = s.ReadBool(main, L"ShowTopicNav2", true);
    mnuStayOnTop->SetChecked(s.ReadBool(main, L"StayOnTop", false));
    ApplyStayOnTop();
    InitBookmarkFolder();
    TColor color = 0;
    if (ThemeColorFromSetting(s.ReadInteger(main, L"Color_Background4", UnsetThemeColor), color))
        ThemeBackground = color;
    if (ThemeColorFromSetting(s.ReadInteger(main, L"Color_Text4", UnsetThemeColor), color))
        ThemeText = color;
    ApplyColorTheme();
    ResetIndexState();
}

void TVMainForm::ApplyOnlineOptions() {
    TMyRegIniFile& s = *AppSettings;
    const std::wstring main = MainSection;
    CreateWebDataModule();
    TWebDataModule& options = *WebDataModule;
    // The online options' refresh reaches the page of the active tab.
    options.OnRefreshPage = [this](int Code) {
        if (TBrowserFrame* frame = ActiveFrame())
            frame->RefreshPage(Code);
    };
    options.SetLangIndex(s.ReadInteger(main, L"WebLang", options.LangTag));
    options.SetStyleIndex(s.ReadInteger(main, L"WebDevice", options.StyleTag));
    const std::wstring style = s.ReadString(main, L"StyleName", options.StyleName);
    if (!style.empty())
        options.SelectStyleByName(style);
    for (TTntMenuItem* mode : {mnuTDM_VS10, mnuTDM_Mixed, mnuTDM_Raw})
        mode->SetVisible(options.ShowTocMode);
    IndexDelayMs = IndexDelayFromOption(options.IndexDelayMs);
    if (options.NavFontSize > 0)
        ApplyNavFontSize(true);
    TFavViewStyle view = fvList;
    if (FavViewStyleFromSetting(s.ReadString(main, L"FavView1", FavViewStyleSetting(FavViewStyle)), view))
        FavViewStyle = view;
    for (TTntMenuItem* item : {mnuFavViewStyle_Icon, mnuFavViewStyle_SmallIcon, mnuFavViewStyle_List,
                               mnuFavViewStyle_Report, mnuFavViewStyle_ThumbNail})
        if (item->Tag == FavViewStyle)
            item->SetChecked(true);
    ApplyFavViewStyle();
    if (options.F1Minimize) {
        smnuMinimizeWindow->SetShortCut(VK_F1);
        mmnuOnlineHelp->SetShortCut(scCtrl | VK_F1);
    }
}

TMainSettings TVMainForm::CollectMainSettings() {
    TMainSettings s;
    s.lastCatalog = CurrentCatalog;
    s.SearchText = SearchEdit->GetText();
    s.mnuOpenF1NewTab = mmnuOpenF1NewTab->Checked();
    s.IndexPartialMode_FirstKey = IndexPartialModeFirstKey;
    s.FullIndexMode = IdxMenu_LoadFullIndex->Checked();
    s.LeftPanelWidth = GivenPaneWidth();
    s.ShowDebug = DebugForm && DebugForm->Visible();
    s.ShowTopicNav2 = ShowTopicNav2;
    s.LastBrowserUsed = LastBrowserUsed;
    s.TimeStampLog = DebugForm && DebugForm->TimeStampLogCbx->Checked();
    s.mnuQuickTOCLoad = mmnuQuickTOCLoad->Checked();
    s.SelectedVoice = SpeechSettings.SelectedVoice;
    s.SpeechRate = SpeechSettings.SpeechRate;
    s.SuppressErrors = SuppressErrors;
    s.ShowAddressBar = ShowAddressBar;
    s.ShowBreadcrumbBar = ShowBreadcrumbBar;
    s.SpeechVolume = SpeechSettings.SpeechVolume;
    s.SaveTabsOnShutdown = mnuSaveTabsOnShutdown->Checked();
    s.FavDir = FavDir;
    s.FindTextEdit = DebugForm ? DebugForm->FindTextEdit->GetText() : std::wstring();
    // Counted from the side the reading starts on (right-to-left mirrors the window).
    s.NavigateOnRight = (LeftPanel->Left() > 10) != (Application->BiDiMode() != bdLeftToRight);
    s.Zoom = static_cast<int>(std::lround(Zoom * 100.0));
    s.StayOnTop = mnuStayOnTop->Checked();
    s.Color_Background4 = ThemeBackground;
    s.Color_Text4 = ThemeText;
    s.LangCode = LangCode;
    if (WebDataModule) {
        s.WebLang = WebDataModule->LangTag;
        s.WebDevice = WebDataModule->StyleTag;
        s.StyleName = WebDataModule->StyleName;
    }
    s.FavView1 = FavViewStyleSetting(FavViewStyle);
    return s;
}

void TVMainForm::ShowZoom() {
    const int percent = ZoomPercentOf(Zoom);
    const int checked = CheckedZoomItem(percent);
    for (TTntMenuItem* item : {mnuZoom400, mnuZoom200, mnuZoom150, mnuZoom125, mnuZoom100, mnuZoom75, mnuZoom50})
        item->SetChecked(item->Tag == checked);
    for (TTntMenuItem* item : ZoomPopupFixedItems)
        item->SetChecked(item->Tag == checked);
    StatusBar1->Panels()->Items(2)->SetText(ZoomPanelText(ZoomText, percent));
}

void TVMainForm::ApplyStayOnTop() {
    // The form style too: showing the window would otherwise put it at the top of the
    // windows that are not top-most.
    SetFormStyle(mnuStayOnTop->Checked() ? fsStayOnTop : fsNormal);
    SetWindowPos(Handle(), mnuStayOnTop->Checked() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

void TVMainForm::PlaceNavigationPane(bool Right) {
    DisableAlign();
    if (Right) {
        LeftPanel->SetAlign(alRight);
        TntSplitter1->SetAlign(alRight);
        TntSplitter1->SetLeft(SplitterLeftAfterSideChange(true, LeftPanel->Width()));
    } else {
        LeftPanel->SetAlign(alLeft);
        LeftPanel->SetLeft(0);
        TntSplitter1->SetAlign(alLeft);
        TntSplitter1->SetLeft(SplitterLeftAfterSideChange(false, LeftPanel->Width()));
    }
    EnableAlign();
    SlitterImage1->SetVisible(!Right);
    SlitterImage1->SetLeft(TntSplitter1->Left());
    SlitterImage1->BringToFront();
    PlaceTabsBevel();
    OrderPaneTabStops();
}

void TVMainForm::OrderPaneTabStops() {
    // Tab goes first through the area the reading order meets first.
    const bool paneRight = LeftPanel->Align() == alRight;
    const bool rightToLeft = Application->BiDiMode() != bdLeftToRight;
    (paneRight == rightToLeft ? static_cast<TWinControl*>(LeftPanel) : TabsPanel)->SetTabOrder(0);
}

void TVMainForm::PlaceTabsBevel() {
    TabsPanel->SetBevelEdges(LeftPanel->Align() == alRight ? beRight : beLeft);
}

void TVMainForm::ApplyColorTheme() {
    const TColor text = ShownThemeText();
    SetColor(ThemeBackground);
    Font()->SetColor(text);
    for (TTntPanel* panel : {LeftPanel, CatalogPanel, TabsPanel, FavToolPanel, FilterPanel})
        panel->SetParentColor(true);
    SmartTabs->SetTransparent(false);
    SmartTabs->SetColorBackground(ThemeBackground);
    FrameThemeBackground = ThemeBackground;
    FrameThemeText = text;
    for (int i = 0; i < SmartTabs->GetTabCount(); ++i)
        if (TBrowserFrame* frame = GetFrame(i))
            frame->ApplyThemeColours();
    ShowThemeMark();
    // The panels paint over their children's places: every window is painted again, the
    // children after their parents.
    if (Showing())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}
