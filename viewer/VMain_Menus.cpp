// The main window's menus: the main menu and the pop-up menus of the pages, the tab strip,
// the zoom panel and the bookmarks page, each item bound to its handler.
#include "VMain.h"

#include "ActnList.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "qenSmartTabs.h"
#include "TntMenus.h"
#include "UBookmarks.h"

#include <functional>

namespace {

TTntMenuItem* Item(TComponent* Owner, TMenuItem* Parent, const wchar_t* Name, const wchar_t* Caption,
                   std::function<void()> Click = nullptr, TShortCut Key = scNone) {
    auto* item = new TTntMenuItem(Owner);
    item->SetName(Name);
    item->SetCaption(Caption);
    if (Click)
        item->OnClick = [Click = std::move(Click)](TObject*) { Click(); };
    if (Key != scNone)
        item->SetShortCut(Key);
    Parent->Add(item);
    return item;
}

// An item told apart from its siblings by its tag (zoom, text size, themes).
TTntMenuItem* TaggedItem(TComponent* Owner, TMenuItem* Parent, const wchar_t* Name, const wchar_t* Caption, int Tag) {
    TTntMenuItem* item = Item(Owner, Parent, Name, Caption);
    item->Tag = Tag;
    return item;
}

void Separator(TComponent* Owner, TMenuItem* Parent) {
    auto* item = new TTntMenuItem(Owner);
    item->SetCaption(L"-");
    Parent->Add(item);
}

// An item whose check mark the click flips before its handler runs.
TTntMenuItem* CheckItem(TComponent* Owner, TMenuItem* Parent, const wchar_t* Name, const wchar_t* Caption,
                        std::function<void()> Click = nullptr) {
    TTntMenuItem* item = Item(Owner, Parent, Name, Caption);
    item->OnClick = [item, Click = std::move(Click)](TObject*) {
        item->SetChecked(!item->Checked());
        if (Click)
            Click();
    };
    return item;
}

TTntPopupMenu* Popup(TComponent* Owner, const wchar_t* Name) {
    auto* menu = new TTntPopupMenu(Owner);
    menu->SetName(Name);
    return menu;
}

} // namespace

void TVMainForm::BuildMenus() {
    MainMenu1 = new TTntMainMenu(this);
    MainMenu1->SetName(L"MainMenu1");
    MainMenu1->SetImages(MenuImageList);
    TMenuItem* root = MainMenu1->Items();

    // Page.
    mmnuPage = Item(this, root, L"mmnuPage", L"&Page");
    mmnuNewTab = Item(this, mmnuPage, L"mmnuNewTab", L"&New Tab", [this] { mmnuNewTabClick(); }, scCtrl | 'N');
    // The keys of these items and of Refresh and the online version are read by the window's
    // key rules before any menu sees them; the items show them as their shortcuts.
    mmnuNextTab = Item(this, mmnuPage, L"mmnuNextTab", L"Ne&xt Tab", [this] { mmnuNextTabClick(); }, scCtrl | VK_TAB);
    mmnuPreviousTab = Item(this, mmnuPage, L"mmnuPreviousTab", L"&Previous Tab", [this] { mmnuPreviousTabClick(); },
                           scCtrl | scShift | VK_TAB);
    mmnuClosetab = Item(this, mmnuPage, L"mmnuClosetab", L"&Close Tab", [this] { mmnuClosetabClick(); }, scCtrl | 'W');
    mmnuCloseothertabs = Item(this, mmnuPage, L"mmnuCloseothertabs", L"Close &Other Tabs",
                              [this] { TabMenu_CloseOthertabsClick(); });
    Separator(this, mmnuPage);
    mnuAddBookmark = Item(this, mmnuPage, L"mnuAddBookmark", L"Add &Bookmark...", [this] { mnuAddBookmarkClick(); },
                          scCtrl | 'B');
    Separator(this, mmnuPage);
    mmnuGoTo = Item(this, mmnuPage, L"mmnuGoTo", L"&Go To");
    mmnuBack = Item(this, mmnuGoTo, L"mmnuBack", L"&Back", [this] { mmnuBackClick(); }, scAlt | VK_LEFT);
    mmnuForward = Item(this, mmnuGoTo, L"mmnuForward", L"&Forward", [this] { mmnuForwardClick(); }, scAlt | VK_RIGHT);
    mmnuNextTopic = Item(this, mmnuGoTo, L"mmnuNextTopic", L"&Next Topic", [this] { mmnuNextTopicClick(); },
                         scAlt | VK_DOWN);
    mmnuPreviousTopic = Item(this, mmnuGoTo, L"mmnuPreviousTopic", L"&Previous Topic",
                             [this] { mmnuPreviousTopicClick(); }, scAlt | VK_UP);
    mmnuBrowserStop = Item(this, mmnuPage, L"mmnuBrowserStop", L"&Stop", [this] { mmnuBrowserStopClick(); }, VK_ESCAPE);
    mmnuRefresh = Item(this, mmnuPage, L"mmnuRefresh", L"&Refresh", [this] { mmnuRefreshClick(); }, VK_F5);
    Separator(this, mmnuPage);
    mmnuZoom = Item(this, mmnuPage, L"mmnuZoom", L"&Zoom");
    mmnuZoomIn = TaggedItem(this, mmnuZoom, L"mmnuZoomIn", L"Zoom &In", 1);
    mmnuZoomOut = TaggedItem(this, mmnuZoom, L"mmnuZoomOut", L"Zoom &Out", 0);
    Separator(this, mmnuZoom);
    TTntMenuItem** fixed[] = {&mnuZoom400, &mnuZoom200, &mnuZoom150, &mnuZoom125,
                              &mnuZoom100, &mnuZoom75,  &mnuZoom50};
    const int percents[] = {400, 200, 150, 125, 100, 75, 50};
    for (int i = 0; i < 7; ++i) {
        const std::wstring name = L"mnuZoom" + std::to_wstring(percents[i]);
        *fixed[i] = Item(this, mmnuZoom, name.c_str(), (std::to_wstring(percents[i]) + L"%").c_str());
        (*fixed[i])->Tag = percents[i];
        (*fixed[i])->SetRadioItem(true);
        (*fixed[i])->SetGroupIndex(3);
    }
    mnuZoom100->SetShortCut(scCtrl | scShift | 'Z');
    for (TTntMenuItem* zoom : {mmnuZoomIn, mmnuZoomOut, mnuZoom400, mnuZoom200, mnuZoom150, mnuZoom125, mnuZoom100,
                               mnuZoom75, mnuZoom50})
        zoom->OnClick = [this, zoom](TObject*) { mmnuZoomInClick(zoom); };
    mmnuTextSize = Item(this, mmnuPage, L"mmnuTextSize", L"&Text Size");
    mmnuLargest = TaggedItem(this, mmnuTextSize, L"mmnuLargest", L"&1. Largest", 4);
    mmnuLarger = TaggedItem(this, mmnuTextSize, L"mmnuLarger", L"&2. Larger", 3);
    mmnuMedium = TaggedItem(this, mmnuTextSize, L"mmnuMedium", L"&3. Medium", 2);
    mmnuMedium->SetChecked(true);
    mmnuSmaller = TaggedItem(this, mmnuTextSize, L"mmnuSmaller", L"&4. Smaller", 1);
    mmnuSmallest = TaggedItem(this, mmnuTextSize, L"mmnuSmallest", L"&5. Smallest", 0);
    for (TTntMenuItem* size : {mmnuLargest, mmnuLarger, mmnuMedium, mmnuSmaller, mmnuSmallest}) {
        size->SetRadioItem(true);
        size->SetGroupIndex(4);
        size->OnClick = [this, size](TObject*) { mmnuMediumClick(size); };
    }
    Separator(this, mmnuPage);
    mmnuOpenWith = Item(this, mmnuPage, L"mmnuOpenWith", L"Open &With");
    mmnuDefaultBrowser = Item(this, mmnuOpenWith, L"mmnuDefaultBrowser", L"Default Browser");
    TTntMenuItem** browsers[] = {&mnuBrowser01, &mnuBrowser02, &mnuBrowser03, &mnuBrowser04, &mnuBrowser05,
                                 &mnuBrowser06, &mnuBrowser07, &mnuBrowser08, &mnuBrowser09};
    for (int i = 0; i < 9; ++i) {
        const std::wstring name = L"mnuBrowser0" + std::to_wstring(i + 1);
        *browsers[i] = Item(this, mmnuOpenWith, name.c_str(), name.c_str());
        (*browsers[i])->SetVisible(false);
    }
    mnuOpenWithHlpViewerExe = TaggedItem(this, mmnuOpenWith, L"mnuOpenWithHlpViewerExe", L"MS Help Viewer (HlpViewer.exe)", 10);
    mnuOpenWithHlpViewerExe->SetShortCut(scCtrl | scShift | VK_OEM_PLUS);
    int digit = 0;
    for (TTntMenuItem* browser : {mmnuDefaultBrowser, mnuBrowser01, mnuBrowser02, mnuBrowser03, mnuBrowser04,
                                  mnuBrowser05, mnuBrowser06, mnuBrowser07, mnuBrowser08, mnuBrowser09}) {
        browser->Tag = digit;
        browser->SetShortCut(scCtrl | scShift | ('0' + digit++));
    }
    for (TTntMenuItem* browser : {mmnuDefaultBrowser, mnuBrowser01, mnuBrowser02, mnuBrowser03, mnuBrowser04,
                                  mnuBrowser05, mnuBrowser06, mnuBrowser07, mnuBrowser08, mnuBrowser09,
                                  mnuOpenWithHlpViewerExe})
        browser->OnClick = [this, browser](TObject*) { mnuBrowser00Click(browser); };
    Separator(this, mmnuOpenWith);
    mmnuOpenwith1 = Item(this, mmnuOpenWith, L"mmnuOpenwith1", L"&Open With...", [this] { mmnuOpenwith1Click(); });
    mmnuOnlineOffline = Item(this, mmnuPage, L"mmnuOnlineOffline", L"Open &Online Version",
                             [this] { mmnuOnlineOfflineClick(); }, VK_F8);
    Separator(this, mmnuPage);
    mnuExit = Item(this, mmnuPage, L"mnuExit", L"E&xit", [this] { mnuExitClick(); });

    // View.
    mmnuView = Item(this, root, L"mmnuView", L"&View");
    mmnuNavigationPane = Item(this, mmnuView, L"mmnuNavigationPane", L"&Navigation Pane",
                              [this] { mmnuNavigationPaneClick(); }, scCtrl | '0');
    mmnuTocPage = Item(this, mmnuView, L"mmnuTocPage", L"&Contents", [this] { mmnuTocPageClick(); }, scCtrl | '1');
    mmnuIndexPage = Item(this, mmnuView, L"mmnuIndexPage", L"&Index", [this] { mmnuIndexPageClick(); }, scCtrl | '2');
    mmnuBookmarksPage = Item(this, mmnuView, L"mmnuBookmarksPage", L"&Bookmarks", [this] { mmnuBookmarksPageClick(); },
                             scCtrl | '3');
    Separator(this, mmnuView);
    mmnuTocSync = Item(this, mmnuView, L"mmnuTocSync", L"&Sync Contents", [this] { mmnuTocSyncClick(); }, scCtrl | 'T');
    mmnuEmbeddedTopicNavigation = Item(this, mmnuView, L"mmnuEmbeddedTopicNavigation", L"&Embedded Topic Navigation",
                                       [this] { mmnuEmbeddedTopicNavigationClick(); }, scCtrl | scShift | 'T');
    mmnuNavigationRight = Item(this, mmnuView, L"mmnuNavigationRight", L"Navigation Pane on the &Right",
                               [this] { mmnuNavigationRightClick(); });
    Separator(this, mmnuView);
    mmnuShortcuts = Item(this, mmnuView, L"mmnuShortcuts", L"S&hortcuts");
    smnuContentsTab = Item(this, mmnuShortcuts, L"smnuContentsTab", L"&Contents", [this] { mmnuTocPageClick(); },
                           scCtrl | scAlt | 'T');
    smnuIndexTab = Item(this, mmnuShortcuts, L"smnuIndexTab", L"&Index", [this] { mmnuIndexPageClick(); },
                        scCtrl | scAlt | 'N');
    smnuBookmarksTab = Item(this, mmnuShortcuts, L"smnuBookmarksTab", L"&Bookmarks",
                            [this] { mmnuBookmarksPageClick(); }, scCtrl | scAlt | 'B');
    smnuCatalog = Item(this, mmnuShortcuts, L"smnuCatalog", L"C&atalog", [this] { smnuCatalogClick(); },
                       scCtrl | scAlt | 'C');
    smnuGotoSearch = Item(this, mmnuShortcuts, L"smnuGotoSearch", L"&Search", [this] { smnuGotoSearchClick(); },
                          scCtrl | 'E');
    smnuAddressBar = Item(this, mmnuShortcuts, L"smnuAddressBar", L"A&ddress Bar", [this] { smnuAddressBarClick(); },
                          scCtrl | '4');
    smnuDocument = Item(this, mmnuShortcuts, L"smnuDocument", L"D&ocument", [this] { smnuDocumentClick(); },
                        scCtrl | '5');
    smnuMinimizeWindow = Item(this, mmnuShortcuts, L"smnuMinimizeWindow", L"&Minimize Window",
                              [this] { smnuMinimizeWindowClick(); }, scCtrl | VK_F1);
    ColorTheme1 = Item(this, mmnuView, L"ColorTheme1", L"Colo&r Theme");
    Default1 = TaggedItem(this, ColorTheme1, L"Default1", L"Default", 0);
    VSBlueGray1 = TaggedItem(this, ColorTheme1, L"VSBlueGray1", L"VS Blue-Gray", 1);
    DeepSeaBlue2 = TaggedItem(this, ColorTheme1, L"DeepSeaBlue2", L"Deep Sea Blue", 2);
    LightSkyBlue1 = TaggedItem(this, ColorTheme1, L"LightSkyBlue1", L"Light Sky Blue", 4);
    Separator(this, ColorTheme1);
    SetBackgroundColor1 = TaggedItem(this, ColorTheme1, L"SetBackgroundColor1", L"Set Background Color...", 100);
    SetTextColor1 = TaggedItem(this, ColorTheme1, L"SetTextColor1", L"Set Text Color...", 101);
    for (TTntMenuItem* theme : {Default1, VSBlueGray1, DeepSeaBlue2, LightSkyBlue1, SetBackgroundColor1, SetTextColor1})
        theme->OnClick = [this, theme](TObject*) { ColorThemeClick(theme); };
    // The theme in use carries a bullet (none for colours of the user's own).
    for (TTntMenuItem* theme : {Default1, VSBlueGray1, DeepSeaBlue2, LightSkyBlue1}) {
        theme->SetRadioItem(true);
        theme->SetGroupIndex(1);
    }

    // Reader.
    mmnuReader = Item(this, root, L"mmnuReader", L"&Reader");
    mmnuRead = Item(this, mmnuReader, L"mmnuRead", L"&Read Aloud", [this] { mmnuReadClick(); }, VK_F9);
    mmnuStop = Item(this, mmnuReader, L"mmnuStop", L"&Stop Reading", [this] { mmnuStopClick(); });
    Separator(this, mmnuReader);
    mmnuReaderOptions = Item(this, mmnuReader, L"mmnuReaderOptions", L"&Voice Options...",
                             [this] { mmnuReaderOptionsClick(); });

    // Options.
    mmnuOptions = Item(this, root, L"mmnuOptions", L"&Options");
    mmnuHelpLibraryManager = Item(this, mmnuOptions, L"mmnuHelpLibraryManager", L"Help Library &Manager",
                                  [this] { mmnuHelpLibraryManagerClick(); }, scCtrl | VK_F12);
    mmnuHelpLibraryAgent = Item(this, mmnuOptions, L"mmnuHelpLibraryAgent", L"Help Library &Agent",
                                [this] { mmnuHelpLibraryAgentClick(); }, VK_F12);
    mmnuCrossmereTool = Item(this, mmnuOptions, L"mmnuCrossmereTool", L"Quorvex Crossmere",
                             [this] { mmnuCrossmereToolClick(); }, scCtrl | scShift | VK_F12);
    mmnuCrossmereTool->SetHint(L"Run Crossmere.exe. Free software tools for MS Help Viewer 1.0 by Quorvex.");
    Separator(this, mmnuOptions);
    mmnuSetUILang = Item(this, mmnuOptions, L"mmnuSetUILang", L"Interface &Language...",
                         [this] { mmnuSetUILangClick(); });
    mmnuSetDefaultViewer = Item(this, mmnuOptions, L"mmnuSetDefaultViewer", L"Set Default Viewer for VS 2010 Help");
    mmnuSetDefaultViewer->SetHint(L"Set the default viewer for MS HV 1.0. This sets where VS F1 help goes.");
    mnuDefaultViewer_Default = Item(this, mmnuSetDefaultViewer, L"mnuDefaultViewer_Default", L"Default");
    mnuDefaultViewer_Vorlane =
        Item(this, mmnuSetDefaultViewer, L"mnuDefaultViewer_Vorlane", L"Vorlane by Quorvex (this viewer)");
    mnuDefaultViewer_IE = Item(this, mmnuSetDefaultViewer, L"mnuDefaultViewer_IE", L"MS Internet Explorer");
    mnuDefaultViewer_FireFox = Item(this, mmnuSetDefaultViewer, L"mnuDefaultViewer_FireFox", L"Mozilla FireFox");
    mnuDefaultViewer_Chrome = Item(this, mmnuSetDefaultViewer, L"mnuDefaultViewer_Chrome", L"Google Chrome");
    mnuDefaultViewer_Opera = Item(this, mmnuSetDefaultViewer, L"mnuDefaultViewer_Opera", L"Opera");
    mnuDefaultViewer_Safari = Item(this, mmnuSetDefaultViewer, L"mnuDefaultViewer_Safari", L"Apple Safari");
    for (TTntMenuItem* viewer : {mnuDefaultViewer_Default, mnuDefaultViewer_Vorlane, mnuDefaultViewer_IE,
                                 mnuDefaultViewer_FireFox, mnuDefaultViewer_Chrome, mnuDefaultViewer_Opera,
                                 mnuDefaultViewer_Safari}) {
        viewer->SetRadioItem(true);
        viewer->SetGroupIndex(2);
        viewer->OnClick = [this, viewer](TObject*) { mnuDefaultViewer_VorlaneClick(viewer); };
    }
    Separator(this, mmnuOptions);
    mmnuOpenF1NewTab = CheckItem(this, mmnuOptions, L"mmnuOpenF1NewTab", L"Open F1 Topics in a New Tab");
    mmnuOpenF1NewTab->SetChecked(true);
    mmnuQuickTOCLoad = CheckItem(this, mmnuOptions, L"mmnuQuickTOCLoad", L"TOC Quick Load",
                                 [this] { QuickTOCLoad1Click(); });
    mmnuQuickTOCLoad->SetChecked(true);
    mnuStayOnTop = CheckItem(this, mmnuOptions, L"mnuStayOnTop", L"Always On Top", [this] { mnuStayOnTopClick(); });
    mnuSaveTabsOnShutdown = CheckItem(this, mmnuOptions, L"mnuSaveTabsOnShutdown", L"Save Tabs On Shutdown");
    mnuSaveTabsOnShutdown->SetVisible(false);
    mnuSaveTabsOnShutdown->SetEnabled(false);
    Separator(this, mmnuOptions);
    mmnuShowDebug = Item(this, mmnuOptions, L"mmnuShowDebug", L"Show &Debug Window", [this] { mmnuShowDebugClick(); },
                         scCtrl | 'D');

    // Help.
    mmnuHelp = Item(this, root, L"mmnuHelp", L"&Help");
    mmnuOnlineHelp = Item(this, mmnuHelp, L"mmnuOnlineHelp", L"Vorlane &Online Help", [this] { mmnuOnlineHelpClick(); },
                          VK_F1);
    mmnuCheckWebforUpdate = Item(this, mmnuHelp, L"mmnuCheckWebforUpdate", L"Check Web for Update",
                                 [this] { mmnuCheckWebforUpdateClick(); });
    Separator(this, mmnuHelp);
    mmnuAboutVorlane = Item(this, mmnuHelp, L"mmnuAboutVorlane", L"&About Vorlane...", [this] { mmnuAboutVorlaneClick(); });
    SetMenu(MainMenu1);
}

void TVMainForm::BuildPopupMenus() {
    // Contents page.
    TocPopupMenu = Popup(this, L"TocPopupMenu");
    TocPopupMenu->OnPopup = [this](TObject*) { TocPopupMenuPopup(); };
    TMenuItem* toc = TocPopupMenu->Items();
    TOCMenu_OpenInNewTab = Item(this, toc, L"TOCMenu_OpenInNewTab", L"Open in New Tab",
                                [this] { TOCMenu_OpenInNewTabClick(); });
    Separator(this, toc);
    TOCMenu_ReloadTOC = Item(this, toc, L"TOCMenu_ReloadTOC", L"Reload", [this] { TOCMenu_ReloadTOCClick(); });
    TOCMenu_AddNETFramework35 = Item(this, toc, L"TOCMenu_AddNETFramework35", L"Add .NET Framework 3.5",
                                     [this] { TOCMenu_AddNETFramework35Click(); });
    TOCMenu_RemoveOrphanGroup = Item(this, toc, L"TOCMenu_RemoveOrphanGroup", L"Remove Orphan Group",
                                     [this] { TOCMenu_RemoveOrphanGroupClick(); });
    Separator(this, toc);
    mnuTDM_VS10 = Item(this, toc, L"mnuTDM_VS10", L"Display: VS 2010 Only");
    mnuTDM_VS10->SetChecked(true);
    mnuTDM_Mixed = Item(this, toc, L"mnuTDM_Mixed", L"Display: Mixed");
    mnuTDM_Raw = Item(this, toc, L"mnuTDM_Raw", L"Display: Raw");
    for (TTntMenuItem* mode : {mnuTDM_VS10, mnuTDM_Mixed, mnuTDM_Raw}) {
        mode->SetRadioItem(true);
        mode->SetGroupIndex(5);
        mode->OnClick = [this, mode](TObject*) { mnuTDM_VS10Click(mode); };
    }
    TreeView1->SetPopupMenu(TocPopupMenu);

    // Index page.
    IndexPopupMenu = Popup(this, L"IndexPopupMenu");
    IndexPopupMenu->OnPopup = [this](TObject*) { IndexPopupMenuPopup(); };
    TMenuItem* index = IndexPopupMenu->Items();
    IdxMenu_OpenInNewTab = Item(this, index, L"IdxMenu_OpenInNewTab", L"Open in New Tab",
                                [this] { TOCMenu_OpenInNewTabClick(); });
    Separator(this, index);
    IdxMenu_LoadFullIndex = Item(this, index, L"IdxMenu_LoadFullIndex", L"Load Full Index",
                                 [this] { IdxMenu_LoadFullIndexClick(); });
    IdxMenu_LoadPartialIndex = Item(this, index, L"IdxMenu_LoadPartialIndex", L"Load Partial Index (as you type)",
                                    [this] { IdxMenu_LoadPartialIndexClick(); });
    IdxMenu_LoadPartialIndex_FirstChar =
        Item(this, index, L"IdxMenu_LoadPartialIndex_FirstChar", L"Load Partial Index (first char)",
             [this] { IdxMenu_LoadPartialIndex_FirstCharClick(); });
    for (TTntMenuItem* mode : {IdxMenu_LoadFullIndex, IdxMenu_LoadPartialIndex, IdxMenu_LoadPartialIndex_FirstChar}) {
        mode->SetRadioItem(true);
        mode->SetGroupIndex(6);
    }
    Separator(this, index);
    mnuIndexHelp = Item(this, index, L"mnuIndexHelp", L"Online Help", [this] { mnuIndexHelpClick(); });
    IndexLV->SetPopupMenu(IndexPopupMenu);

    // Tab strip.
    PopupMenu1 = Popup(this, L"PopupMenu1");
    PopupMenu1->OnPopup = [this](TObject*) { PopupMenu1Popup(); };
    TMenuItem* tabs = PopupMenu1->Items();
    TabMenu_NewTab = Item(this, tabs, L"TabMenu_NewTab", L"New Tab", [this] { TabMenu_NewTabClick(); }, scCtrl | 'N');
    TabMenu_NewWindow = Item(this, tabs, L"TabMenu_NewWindow", L"Open in New Window");
    TabMenu_NewWindow->OnClick = [this](TObject* Sender) { TabMenu_NewWindowClick(Sender); };
    Separator(this, tabs);
    TabMenu_Closetab = Item(this, tabs, L"TabMenu_Closetab", L"Close Tab");
    TabMenu_Closetab->OnClick = [this](TObject* Sender) { TabMenu_ClosetabClick(Sender); };
    TabMenu_CloseOthertabs = Item(this, tabs, L"TabMenu_CloseOthertabs", L"Close Other Tabs");
    TabMenu_CloseOthertabs->OnClick = [this](TObject* Sender) { TabMenu_CloseOthertabsClick(Sender); };
    SmartTabs->SetPopupMenu(PopupMenu1);

    // Zoom panel.
    ZoomPopupMenu = Popup(this, L"ZoomPopupMenu");
    TMenuItem* zoom = ZoomPopupMenu->Items();
    mnuZoomIn2 = Item(this, zoom, L"mnuZoomIn2", mmnuZoomIn->Caption().c_str());
    mnuZoomIn2->Tag = 1;
    mnuZoomOut2 = Item(this, zoom, L"mnuZoomOut2", mmnuZoomOut->Caption().c_str());
    mnuZoomOut2->Tag = 0;
    Separator(this, zoom);
    std::vector<TTntMenuItem*> zoomItems{mnuZoomIn2, mnuZoomOut2};
    for (int percent : {400, 200, 150, 125, 100, 75, 50}) {
        const std::wstring name = L"mnuZoomPopup" + std::to_wstring(percent);
        TTntMenuItem* item = Item(this, zoom, name.c_str(), (std::to_wstring(percent) + L"%").c_str());
        item->Tag = percent;
        zoomItems.push_back(item);
        ZoomPopupFixedItems.push_back(item);
    }
    for (TTntMenuItem* item : zoomItems)
        item->OnClick = [this, item](TObject*) { mmnuZoomInClick(item); };

    // Bookmarks page.
    FavPopupMenu = Popup(this, L"FavPopupMenu");
    FavPopupMenu->OnPopup = [this](TObject*) { FavPopupMenuPopup(); };
    mnuOpenInNewWindow1 = Item(this, FavPopupMenu->Items(), L"mnuOpenInNewWindow1", L"Open in New Tab",
                               [this] { mnuOpenInNewWindow1Click(); });
    BookMarkMenu = Popup(this, L"BookMarkMenu");
    TMenuItem* fav = BookMarkMenu->Items();
    BookMarkMenu_NewFolder = Item(this, fav, L"BookMarkMenu_NewFolder", L"New Folder",
                                  [this] { BookMarkMenu_NewFolderClick(); });
    BookMarkMenu_FolderUp = Item(this, fav, L"BookMarkMenu_FolderUp", L"Up One Level",
                                 [this] { BookMarkMenu_FolderUpClick(); });
    BookMarkMenu_ExploreFolder = Item(this, fav, L"BookMarkMenu_ExploreFolder", L"Explore Folder",
                                      [this] { BookMarkMenu_ExploreFolderClick(); });
    Separator(this, fav);
    BookMarkMenu_GotoDefaultBookmarkFolder =
        Item(this, fav, L"BookMarkMenu_GotoDefaultBookmarkFolder", L"Go to Default Bookmark Folder",
             [this] { BookMarkMenu_GotoDefaultBookmarkFolderClick(); });
    BookMarkMenu_GotoInternetExplorerFavoritesFolder =
        Item(this, fav, L"BookMarkMenu_GotoInternetExplorerFavoritesFolder", L"Go to Internet Explorer Favorites",
             [this] { BookMarkMenu_GotoInternetExplorerFavoritesFolderClick(); });
    BookMarkMenu_GotoIEFavoritesFolderAllUsers =
        Item(this, fav, L"BookMarkMenu_GotoIEFavoritesFolderAllUsers", L"Go to Favorites (All Users)",
             [this] { BookMarkMenu_GotoIEFavoritesFolderAllUsersClick(); });
    BookMarkMenu_GotoDesktopAllUsers = Item(this, fav, L"BookMarkMenu_GotoDesktopAllUsers", L"Go to Desktop (All Users)",
                                            [this] { BookMarkMenu_GotoDesktopAllUsersClick(); });
    BookMarkMenu_GotoCommonDocumentsAllUsers =
        Item(this, fav, L"BookMarkMenu_GotoCommonDocumentsAllUsers", L"Go to Documents (All Users)",
             [this] { BookMarkMenu_GotoCommonDocumentsAllUsersClick(); });
    Separator(this, fav);
    mnuFavViewStyle = Item(this, fav, L"mnuFavViewStyle", L"View");
    const std::pair<TTntMenuItem**, const wchar_t*> styles[] = {
        {&mnuFavViewStyle_Icon, L"mnuFavViewStyle_Icon"},         {&mnuFavViewStyle_SmallIcon, L"mnuFavViewStyle_SmallIcon"},
        {&mnuFavViewStyle_List, L"mnuFavViewStyle_List"},         {&mnuFavViewStyle_Report, L"mnuFavViewStyle_Report"},
        {&mnuFavViewStyle_ThumbNail, L"mnuFavViewStyle_ThumbNail"}};
    const wchar_t* const styleCaptions[] = {L"Large Icons", L"Small Icons", L"List", L"Details", L"Thumbnails"};
    for (int i = 0; i < 5; ++i) {
        TTntMenuItem* item = Item(this, mnuFavViewStyle, styles[i].second, styleCaptions[i]);
        item->Tag = fvIcon + i;
        item->SetRadioItem(true);
        item->SetGroupIndex(7);
        item->OnClick = [this, item](TObject*) { mnuFavViewStyleClick(item); };
        *styles[i].first = item;
    }

    // Filters page.
    CatPopupMenu = Popup(this, L"CatPopupMenu");
    CatPopupMenu->OnPopup = [this](TObject*) { CatPopupMenuPopup(); };
}
