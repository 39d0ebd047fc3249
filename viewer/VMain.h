// The viewer's main window. One class, its families in files of their own:
//   VMain.cpp              creation, show, the start-up message, close and destruction
//   VMain_Build.cpp        the controls and the non-visual components
//   VMain_Menus.cpp        the main menu and the pop-up menus, with their handlers bound
//   VMain_Instance.cpp     single instance: the mutex, the hand-over from a second copy (0x5D0),
//                          opening a passed-in URL
//   VMain_Settings.cpp     applying the saved settings and gathering them at close
//   VMain_Catalogs.cpp     the catalog boxes and the caption
//   VMain_Log.cpp          the log header written at creation
//   VMain_Toc.cpp          the contents tree: loading, expanding, images, the orphan list
//   VMain_Sync.cpp         synchronising the tree with a page
//   VMain_Nav.cpp          the agent check, opening URLs, search, the navigation commands, the
//                          Open-with menu and the runtime's tools
//   VMain_Frames.cpp       the browser frame of each tab and the callbacks it is given
//   VMain_Tabs.cpp         showing and closing tabs, the tab strip's events, the menus' state
//   VMain_Index.cpp        the keyword index: loads, typing, opening rows, the cancel window
//   VMain_Bookmarks.cpp    the bookmarks page: the folder list and combo, opening and saving
//                          bookmarks, the folder commands
//   VMain_Filters.cpp      the Filters page, the Help Library Manager, the search button's look
//   VMain_Input.cpp        the message hook's window side, the numbered commands, Ctrl+Enter
//   VMain_View.cpp         pane commands, splitter, zoom, text size, colour themes, status bar
//   VMain_Translate.cpp    the interface translation and the right-to-left layout
//   VMain_Speech.cpp       the Reader menu and the voice picker
//   VMain_Registration.cpp the default-viewer menu and the maker's migration tool
//   VMain_Handlers.cpp     the one-line handlers of no family: debug window, update check,
//                          About box, stay on top, the new-tab commands
#pragma once

#include "Handles.h"
#include "TntForms.h"
#include "UKeywordList.h"
#include "UInputHook.h"
#include "UMainSettings.h"
#include "USpeechAPI.h"
#include "UTocData.h"
#include "UViewerRegistration.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TActionList;
class TBrowserView;
class TListItem;
class TApplicationEvents;
class THlmSystem;
class TPageElement;
class TH3Paths;
class TH3Store;
class THTML_TagRipper;
class TImageList;
class TPTShellCombo;
class TPTShellList;
class TQXSuperTip;
class TTntAction;
class TTntButton;
class TTntColorDialog;
class TTntComboBox;
class TTntEdit;
class TTntImage;
class TTntLabel;
class TTntListView;
class TTntMainMenu;
class TTntMenuItem;
class TTntPageControl;
class TTntPanel;
class TTntPopupMenu;
class TTntProgressBar;
class TTntSpeedButton;
class TTntSplitter;
class TTntStatusBar;
class TBrowserFrame;
class TTntTabSheet;
class TTntTreeView;
class TTimer;
class TTocTreeView;
class TTreeNode;
class TUiTranslator;
class TWindows7;
class TqenSmartTabs;
struct TH3TraceSink;

// Private messages of the main window (the numbered-command ones are in UViewerCommands.h).
constexpr UINT WM_VIEWER_STARTUP = 0x4B4;  // posted by the show handler: the first loading steps
constexpr UINT WM_VIEWER_LOCALE = 0x5CF;   // the catalog locale box takes its code
constexpr UINT WM_VIEWER_HANDOVER = 0x5D0; // from a second copy; wParam one of the three below
constexpr UINT WM_VIEWER_TOCPENDING = 0x5D1; // the reload or catalog held back by an expansion or a sync
constexpr WPARAM XX_CLOSE = 1;
constexpr WPARAM XX_RESTORE = 2;
constexpr WPARAM XX_OPENFILE = 3;

// What the main window shares with other copies and the system. The program uses the
// defaults; tests give their own key and mutex name (named objects are shared by every
// process of a session), command line and speech engine.
struct TVMainEnvironment {
    std::wstring RegKey;                 // below HKEY_CURRENT_USER: settings, positions, user values
    std::wstring MutexName;              // "vorlaneRunningMutex"
    bool UseCommandLine = true;          // false: Params below instead of the process's
    std::vector<std::wstring> Params;    // the program first, then its parameters
    TSpeechVoiceFactory SpeechFactory;   // the reading voice
    std::function<void(const std::wstring& Text)> ShowMessage; // messages to the user (a message box)
    TVMainEnvironment();
};
TVMainEnvironment& VMainEnvironment();

class TVMainForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TVMainForm)
    explicit TVMainForm(TComponent* AOwner);
    ~TVMainForm() override;

    // ---- Components ---------------------------------------------------------------

    // Main menu.
    TTntMainMenu* MainMenu1;
    TTntMenuItem* mmnuPage;
    TTntMenuItem* mmnuNextTab;
    TTntMenuItem* mmnuPreviousTab;
    TTntMenuItem* mmnuNewTab;
    TTntMenuItem* mmnuClosetab;
    TTntMenuItem* mmnuCloseothertabs;
    TTntMenuItem* mnuAddBookmark;
    TTntMenuItem* mmnuGoTo;
    TTntMenuItem* mmnuBack;
    TTntMenuItem* mmnuForward;
    TTntMenuItem* mmnuNextTopic;
    TTntMenuItem* mmnuPreviousTopic;
    TTntMenuItem* mmnuBrowserStop;
    TTntMenuItem* mmnuRefresh;
    TTntMenuItem* mmnuZoom;
    TTntMenuItem* mmnuZoomIn;
    TTntMenuItem* mmnuZoomOut;
    TTntMenuItem* mnuZoom400;
    TTntMenuItem* mnuZoom200;
    TTntMenuItem* mnuZoom150;
    TTntMenuItem* mnuZoom125;
    TTntMenuItem* mnuZoom100;
    TTntMenuItem* mnuZoom75;
    TTntMenuItem* mnuZoom50;
    TTntMenuItem* mmnuTextSize;
    TTntMenuItem* mmnuLargest;
    TTntMenuItem* mmnuLarger;
    TTntMenuItem* mmnuMedium;
    TTntMenuItem* mmnuSmaller;
    TTntMenuItem* mmnuSmallest;
    TTntMenuItem* mmnuOpenWith;
    TTntMenuItem* mmnuDefaultBrowser; // browser item 0 (row 0 of the browser table)
    TTntMenuItem* mnuBrowser01;
    TTntMenuItem* mnuBrowser02;
    TTntMenuItem* mnuBrowser03;
    TTntMenuItem* mnuBrowser04;
    TTntMenuItem* mnuBrowser05;
    TTntMenuItem* mnuBrowser06;
    TTntMenuItem* mnuBrowser07;
    TTntMenuItem* mnuBrowser08;
    TTntMenuItem* mnuBrowser09;
    TTntMenuItem* mnuOpenWithHlpViewerExe;
    TTntMenuItem* mmnuOpenwith1;
    TTntMenuItem* mmnuOnlineOffline;
    TTntMenuItem* mnuExit;
    TTntMenuItem* mmnuView;
    TTntMenuItem* mmnuNavigationPane;
    TTntMenuItem* mmnuTocPage;
    TTntMenuItem* mmnuIndexPage;
    TTntMenuItem* mmnuBookmarksPage;
    TTntMenuItem* mmnuTocSync;
    TTntMenuItem* mmnuEmbeddedTopicNavigation;
    TTntMenuItem* mmnuNavigationRight;
    TTntMenuItem* mmnuShortcuts;
    TTntMenuItem* smnuContentsTab;
    TTntMenuItem* smnuIndexTab;
    TTntMenuItem* smnuBookmarksTab;
    TTntMenuItem* smnuCatalog;
    TTntMenuItem* smnuGotoSearch;
    TTntMenuItem* smnuAddressBar;
    TTntMenuItem* smnuDocument;
    TTntMenuItem* smnuMinimizeWindow;
    TTntMenuItem* ColorTheme1;
    TTntMenuItem* Default1;
    TTntMenuItem* VSBlueGray1;
    TTntMenuItem* DeepSeaBlue2;
    TTntMenuItem* LightSkyBlue1;
    TTntMenuItem* SetBackgroundColor1;
    TTntMenuItem* SetTextColor1;
    TTntMenuItem* mmnuReader;
    TTntMenuItem* mmnuRead;
    TTntMenuItem* mmnuStop;
    TTntMenuItem* mmnuReaderOptions;
    TTntMenuItem* mmnuOptions;
    TTntMenuItem* mmnuHelpLibraryManager;
    TTntMenuItem* mmnuHelpLibraryAgent;
    TTntMenuItem* mmnuCrossmereTool;
    TTntMenuItem* mmnuSetUILang;
    TTntMenuItem* mmnuSetDefaultViewer;
    TTntMenuItem* mnuDefaultViewer_Default;
    TTntMenuItem* mnuDefaultViewer_Vorlane;
    TTntMenuItem* mnuDefaultViewer_IE;
    TTntMenuItem* mnuDefaultViewer_FireFox;
    TTntMenuItem* mnuDefaultViewer_Chrome;
    TTntMenuItem* mnuDefaultViewer_Opera;
    TTntMenuItem* mnuDefaultViewer_Safari;
    TTntMenuItem* mmnuOpenF1NewTab;
    TTntMenuItem* mmnuQuickTOCLoad;
    TTntMenuItem* mnuStayOnTop;
    TTntMenuItem* mnuSaveTabsOnShutdown; // hidden and disabled
    TTntMenuItem* mmnuShowDebug;
    TTntMenuItem* mmnuHelp;
    TTntMenuItem* mmnuOnlineHelp;
    TTntMenuItem* mmnuCheckWebforUpdate;
    TTntMenuItem* mmnuAboutVorlane;

    // The contents page's pop-up menu.
    TTntPopupMenu* TocPopupMenu;
    TTntMenuItem* TOCMenu_OpenInNewTab;
    TTntMenuItem* TOCMenu_ReloadTOC;
    TTntMenuItem* TOCMenu_AddNETFramework35;
    TTntMenuItem* TOCMenu_RemoveOrphanGroup;
    TTntMenuItem* mnuTDM_VS10;
    TTntMenuItem* mnuTDM_Mixed;
    TTntMenuItem* mnuTDM_Raw;
    // The index page's.
    TTntPopupMenu* IndexPopupMenu;
    TTntMenuItem* IdxMenu_OpenInNewTab;
    TTntMenuItem* IdxMenu_LoadFullIndex;
    TTntMenuItem* IdxMenu_LoadPartialIndex;
    TTntMenuItem* IdxMenu_LoadPartialIndex_FirstChar;
    TTntMenuItem* mnuIndexHelp;
    // The tab strip's.
    TTntPopupMenu* PopupMenu1;
    TTntMenuItem* TabMenu_NewTab;
    TTntMenuItem* TabMenu_NewWindow;
    TTntMenuItem* TabMenu_Closetab;
    TTntMenuItem* TabMenu_CloseOthertabs;
    // The zoom panel's.
    TTntPopupMenu* ZoomPopupMenu;
    TTntMenuItem* mnuZoomIn2;
    TTntMenuItem* mnuZoomOut2;
    std::vector<TTntMenuItem*> ZoomPopupFixedItems; // 400 % to 50 %, marked as the Zoom menu's
    // The bookmarks page's: the list's pop-up and the folder menu of FavGoBtn.
    TTntPopupMenu* FavPopupMenu;
    TTntMenuItem* mnuOpenInNewWindow1;
    TTntPopupMenu* BookMarkMenu;
    TTntMenuItem* BookMarkMenu_NewFolder;
    TTntMenuItem* BookMarkMenu_FolderUp;
    TTntMenuItem* BookMarkMenu_ExploreFolder;
    TTntMenuItem* BookMarkMenu_GotoDefaultBookmarkFolder;
    TTntMenuItem* BookMarkMenu_GotoInternetExplorerFavoritesFolder;
    TTntMenuItem* BookMarkMenu_GotoIEFavoritesFolderAllUsers;
    TTntMenuItem* BookMarkMenu_GotoDesktopAllUsers;
    TTntMenuItem* BookMarkMenu_GotoCommonDocumentsAllUsers;
    TTntMenuItem* mnuFavViewStyle;
    TTntMenuItem* mnuFavViewStyle_Icon;
    TTntMenuItem* mnuFavViewStyle_SmallIcon;
    TTntMenuItem* mnuFavViewStyle_List;
    TTntMenuItem* mnuFavViewStyle_Report;
    TTntMenuItem* mnuFavViewStyle_ThumbNail;
    // The Filters page's catalog list (filled when it opens).
    TTntPopupMenu* CatPopupMenu;

    // The navigation pane (left, or right): catalog box, search box, the four pages.
    TTntPanel* LeftPanel;
    TTntPanel* CatalogPanel;
    TTntComboBox* CatalogCbo;
    TTntPanel* SearchPanel;
    TTntEdit* SearchEdit;
    TTntPanel* SearchBtnPanel;
    TTntImage* SearchBtnImage;
    TQXSuperTip* SuperTipSearch;
    TTntPageControl* NavPageControl;
    TTntTabSheet* TabSheetToc;
    TTntTreeView* TreeView1;
    TTntTabSheet* TabSheetIndex;
    TTntEdit* IndexEdit;
    TTntPanel* IdxLoadingPanel;
    TTntPanel* IdxNoCachePanel;      // full-index mode: this catalog has no cached index
    TTntListView* IndexLV;
    TTntTabSheet* TabSheetBookmarks;
    TTntPanel* FavToolPanel;
    TTntSpeedButton* FavBackBtn;
    TTntSpeedButton* FavGoBtn;
    TTntPanel* FavListPanel;    // where the bookmark folder list sits
    TPTShellCombo* PTShellCombo1; // the bookmark folder's path, beside the buttons
    TPTShellList* FavShellList;   // the bookmark folder's files and subfolders
    TTntTabSheet* TabSheetFilters;
    TTntTreeView* CatTreeView;
    TTntPanel* FilterPanel;
    TTntLabel* SelectedBookLabel;
    TTntLabel* SelectCatalogPopupLink;
    TTntEdit* CatalogProductEdit;
    TTntEdit* CatalogVersionEdit;
    TTntComboBox* CatalogLocaleCbo;
    TTntButton* RunHlmBtn;
    TTntButton* ImportCatBookBtn;
    TTntLabel* TestHelpLink;
    TTntImage* RefreshImage;
    TTntLabel* Help_UsingCatalogs;
    TTntImage* OnlineHelpImage;
    // The splitter and its collapse image.
    TTntSplitter* TntSplitter1;
    TTntImage* SlitterImage1;
    // The tabs: the strip over the dock panel that holds the tabs' frames.
    TTntPanel* TabsPanel;
    TqenSmartTabs* SmartTabs;
    TTntPanel* DockPanel;
    // Status bar (text, page status, zoom) and the load progress in it.
    TTntStatusBar* StatusBar1;
    TTntProgressBar* ProgressBar1;
    // Non-visual.
    TApplicationEvents* ApplicationEvents1;
    TApplicationEvents* ApplicationEvents2;
    TActionList* ActionList1;
    TTntAction* CtrlEnterAction; // Ctrl+Enter
    TImageList* TocImageList;    // the contents tree's nine images
    TImageList* MenuImageList;
    TTntColorDialog* ColorDialog1; // the colour themes' own colours

    // ---- Fields -------------------------------------------------------------------

    std::wstring HelpMode;                // as last seen; "online" at creation
    std::wstring CaptionBase;             // "Vorlane " + version
    std::wstring CurrentCatalog;          // "vs\100\en-us" form; '' until one is loaded
    std::wstring PassedInUrl;             // from the command line, opened after the first contents load
    std::wstring IndexCacheFile;
    std::vector<std::wstring> OrphanIds;
    bool OrphanListEnabled = false;
    bool IndexPartialModeFirstKey = false;
    bool ShowDebug = false;
    float Zoom = 1.0f;
    int IndexDelayMs = 300;
    TqenSmartTabs* TabStrip = nullptr;    // SmartTabs

    // The browser tabs' shared options (SuppressErrors, ShowAddressBar, ShowBreadcrumbBar,
    // ShowTopicNav2, LastBrowserUsed) are the browser-tab module's values (FBrowserFrame.h).
    // The bookmarks page: the folder shown and the list's view style (fvIcon .. fvThumbnail).
    std::wstring FavDir;
    int FavViewStyle = 3;
    std::wstring DefaultFavDir; // "My Help Viewer Bookmarks" in the documents folder
    // The interface language ('' = the system's).
    std::wstring LangCode;
    // The colour theme's pair; Light Sky Blue until the settings are applied.
    TColor ThemeBackground;
    TColor ThemeText;
    // Width of the pane before it was collapsed (283 when none is known); an open pane is
    // given this width and shown with as much of it as the window's width lets it have.
    int LastPaneWidth;

    // Owned objects (null when not made: a copy that handed its URL over makes none).
    std::unique_ptr<TH3Store> H3Store;
    std::unique_ptr<THTML_TagRipper> TagRipper;
    std::unique_ptr<TSpeechAPI> Speech;
    TSpeechSettings SpeechSettings;

    // True once creation has run to its end (the window will show).
    bool Created() const { return FCreated; }

    // ---- Life ---------------------------------------------------------------------

    void FormCreate();
    void TntFormShow();
    void AmStartupMsg();
    void AmPostAppMsg(WPARAM Request);
    void FormCloseQuery(bool& CanClose);
    void FormDestroy();
    void mnuExitClick();
    // A wait for the agent or a long load runs, or a modal dialog shows.
    bool UnderWaitOrDialog() const;
    // A close asked for under a wait or a dialog cancels them and runs once they have
    // returned; otherwise at once.
    void RequestClose();
    // What a close saves: the window's place, the 30 values, the orphan list, the tabs. The
    // end of the Windows session saves it too.
    void SaveSettings();
    // The waits have returned: the close and the hand-overs that came meanwhile run now.
    void RunAfterWaits();

    // The caption from the help mode and the catalog box; run on every activation too.
    void UpdateCaption();
    void ApplicationEvents1Activate();
    // Opens a URL that came from the command line or from a second copy.
    void OpenPassedInUrl(const std::wstring& Url);
    // The status bar shows the application's hints while the window is active.
    void TntFormActivate();
    void TntFormDeactivate();

    // Fills Combo with the store's catalogs, selecting SelectKey (case folded; the first
    // catalog when it is not there).
    void FillCatalogBox(TTntComboBox* Combo, const std::wstring& SelectKey);
    // Writes the log header, forced.
    void WriteLogHeader();
    // The state the 30 values of section "main" are written from.
    TMainSettings CollectMainSettings();
    // The addresses of the open tabs, in strip order.
    std::vector<std::wstring> TabAddresses();
    // Writes the current catalog's orphan list ("<key>_OrphanID<n>", ended by an empty one).
    void SaveOrphanIds(const std::wstring& Key);

    // Zoom display (check marks, zoom panel) for Zoom; stay-on-top; pane side; theme.
    void ShowZoom();
    void ApplyStayOnTop();
    void PlaceNavigationPane(bool Right);
    // The tab area's bevel on the edge that faces the navigation pane.
    void PlaceTabsBevel();
    // The pane and the tab area in the Tab key's order as the reading order meets them.
    void OrderPaneTabStops();
    // Every control of the window and its tabs takes ThemeBackground and the text colour shown
    // on it, repainted whole; the theme menu marks the theme in use.
    void ApplyColorTheme();
    // ThemeText where it reads on ThemeBackground, else black or white, whichever reads better
    // (a background of the user's own may leave the theme's text unreadable).
    TColor ShownThemeText() const { return ReadableTextColor(ThemeBackground, ThemeText); }
    void ShowThemeMark();

    // ---- Contents (VMain_Toc.cpp) and tree synchronisation (VMain_Sync.cpp) ---------

    TTocItem RootTopic;                  // the catalog's root page as the last load found it
    // Appends a copy of Topic (children not fetched, title tidied) with its node under
    // ParentNode (null: top level); the record's index.
    int AddTocRecord(TTocNode ParentNode, const TTocItem& Topic);
    int FindTocRecord(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale);
    // Fetches Node's children once (its children-fetched mark set); false when the agent gave
    // no whole reply, which leaves Node unfetched with its button, or when the tree was
    // loaded anew meanwhile (Node is gone then). Added: the new records.
    bool FetchTocChildren(TTreeNode* Node, std::vector<int>* Added = nullptr);
    // '"text" > "parent" > ...' for the log.
    std::wstring NodePathText(TTreeNode* Node);
    TTocItem* TocRecordOf(TTreeNode* Node);
    void TreeView1Expanding(TTreeNode* Node, bool& AllowExpansion);
    void TreeView1Expanded(TTreeNode* Node); // also on collapsing
    void TreeView1GetImageIndex(TTreeNode* Node);
    void TreeView1GetSelectedIndex(TTreeNode* Node);
    void TreeView1MouseMove(TShiftState Shift, int X, int Y);
    void TreeView1MouseUp(TMouseButton Button, int X, int Y);
    void TreeView1KeyPress(wchar_t& Key);
    void EnsurePaneWidth();
    // The narrowest width at which the pane shows its page tabs whole (CollapsedPaneWidth
    // while they are not measured), within what the window lets the pane have.
    int UsablePaneWidth();
    bool SyncTocToUrl(const std::wstring& Url);
    bool DoTocSync(const std::wstring& Id, const std::wstring& Version, bool Select, const std::wstring& Locale);
    void DirtySyncToUrl(const std::wstring& Url);
    void DoDirtyTocSync(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale);
    // A contents load runs (it lets messages run).
    bool TocLoading() const { return FTocLoading; }
    // ---- Keyword index (VMain_Index.cpp) ---------------------------------------------

    std::unique_ptr<TKeywordList> Keywords; // the index's entries (the list view's rows)
    bool FullIndexLoaded = false;           // the list holds the full index
    std::wstring LastQueryKey;              // what the last partial load asked for
    bool IndexCancelled = false;            // the user cancelled the last full load (cleared as a load starts)

    // The full index from the agent (written to the cache file) or from the cache file.
    void LoadIndex(bool FromCache);
    // The keywords of Query (first-key mode: its first character, every page).
    void LoadPartialIndex(const std::wstring& Query);
    // A catalog was loaded: the full index from the cache in full-index mode (when the cache
    // path is known), else the partial mode's menu item is checked.
    void LoadCatalogIndex();
    // Starts reading the catalog's cached index on a worker (full-index mode), so that it
    // goes on while the contents load; LoadCatalogIndex takes it.
    void PrefetchCatalogIndex();
    // The stamp of the store the current catalog's index is read from (UIndexSource).
    std::wstring IndexSource();
    void SetIndexCount(int N);
    void FitIndexColumn(int Width);
    void MakeIndexColumnRoom();
    // Sets the edit's text without it counting as typing ("%3C"/"%3E" read as '<'/'>').
    void SetIndexEditText(const std::wstring& Text);
    void IndexLVData(TListItem* Item);
    void IndexLVMouseUp(TMouseButton Button, int X, int Y);
    void IndexLVMouseMove(TShiftState Shift, int X, int Y);
    void IndexLVKeyUp();
    void IndexEditKeyDown(WORD& Key);
    // Waits until the cache file of the last full load is in place; false when that load
    // did not replace it.
    bool WaitForIndexCache();
    // Shows a message to the user (VMainEnvironment().ShowMessage, else a message box).
    void ShowUserMessage(const std::wstring& Text);

    // ---- Layout, zoom, themes, status bar (VMain_View.cpp) ---------------------------

    // The splitter after a move, a resize of the pane or a collapse; a user's move runs it
    // once more 200 ms later.
    void UpdateSplitter();
    // The open pane's width as given (LastPaneWidth when the window's width shows less of it);
    // a collapsed pane's width.
    int GivenPaneWidth();
    // The pane shows as much of the width Given as the window's width lets it have.
    void ShowPaneWidth(int Given);
    // An open pane shows as much of its given width as the window's width lets it have.
    void FitPaneToWindow();
    void TntFormMouseWheel(TShiftState Shift, int WheelDelta, bool& Handled);
    void StatusBar1MouseUp(TMouseButton Button, int X, int Y);
    // Sets the zoom of every page (percent, clamped to 10..400) and shows it.
    void ApplyZoom(int Percent);
    // Opens the online library's page for the help page Url (the tab frames' open-online).
    void OpenOnlineVersion(const std::wstring& Url);

    // ---- Handlers and helpers of every family; each group names its file ------------

    // Catalogs and contents (VMain_Toc.cpp; LoadCatalog in VMain_Catalogs.cpp).
    void RefillCatalogBox();
    void LoadCatalog(const std::wstring& Key);
    void LoadToc();
    void OpenTocNode();
    void LoadOrphanIds(const std::wstring& Key);
    void CatalogCboCloseUp();
    void CatalogCboChange();
    void TreeView1Click();
    void TOCMenu_ReloadTOCClick();
    void TOCMenu_AddNETFramework35Click();
    void TOCMenu_RemoveOrphanGroupClick();
    void TocPopupMenuPopup();
    void QuickTOCLoad1Click();
    void mnuTDM_VS10Click(TTntMenuItem* Item);
    // Navigation (VMain_Nav.cpp) and tabs (VMain_Tabs.cpp, VMain_Frames.cpp); the debug
    // window, About box and update check (VMain_Handlers.cpp); reading (VMain_Speech.cpp).
    bool EnsureHelpAgent();
    void GotoUrl(const std::wstring& Url, const std::wstring& Title = std::wstring());
    void RawGotoUrl(const std::wstring& Url, bool NewTab);
    // A tab with its browser frame after the active one; the new tab's index.
    int NewTab();
    // The frame of tab Index; null when Index is out of range.
    TBrowserFrame* GetFrame(int Index);
    // The frame of the active tab (null when there is none).
    TBrowserFrame* ActiveFrame();
    void ShowTab(int Index);
    void CloseTab(int Index);
    void UpdateMenus();
    void BuildOpenWithMenu(int Selected);
    void mnuBrowser00Click(TTntMenuItem* Item);
    void mmnuOpenwith1Click();
    void TabMenu_NewTabClick();
    // Sender: the tab strip's pop-up item acts on the tab under that pop-up, anything else
    // on the active tab.
    int TabMenuTab(TObject* Sender) const;
    void TabMenu_NewWindowClick(TObject* Sender = nullptr);
    void TabMenu_ClosetabClick(TObject* Sender = nullptr);
    void TabMenu_CloseOthertabsClick(TObject* Sender = nullptr);
    void PopupMenu1Popup();
    void SmartTabsAddClick();
    void SmartTabsTabChange();
    void SmartTabsCloseTab(int Index, bool& Close);
    void ButtonFindClick();
    void mmnuTocSyncClick();
    void mmnuBackClick();
    void mmnuForwardClick();
    void mmnuRefreshClick();
    void mmnuNextTopicClick();
    void mmnuPreviousTopicClick();
    void mmnuBrowserStopClick();
    void smnuDocumentClick();
    void TOCMenu_OpenInNewTabClick();
    void mnuOpenInNewWindow1Click();
    void NavPageControlChange();
    void mmnuNewTabClick();
    void mmnuNextTabClick();
    void mmnuPreviousTabClick();
    void mmnuClosetabClick();
    void mmnuHelpLibraryAgentClick();
    void mmnuHelpLibraryManagerClick();
    void mmnuShowDebugClick();
    void mmnuAboutVorlaneClick();
    void mmnuCheckWebforUpdateClick();
    void mmnuOnlineHelpClick();
    void mmnuReadClick();
    void mmnuStopClick();
    void mmnuReaderOptionsClick();
    void mmnuEmbeddedTopicNavigationClick();
    // The active tab's address box text and page title, without surrounding blanks ('' when
    // there is no tab).
    std::wstring GetCurrentUrl();
    std::wstring GetCurrentTitle();
    // Opens Url in browser row Browser (10: the runtime's own viewer); nothing when Url is
    // empty or the agent cannot be reached.
    void OpenWithBrowser(const std::wstring& Url, int Browser);
    // The browser item Number (0-9, in menu order) chosen as by a click.
    void BrowserItemByNumber(int Number);
    // The status bar's first panel, repainted at once.
    void SetStatusText(const std::wstring& Text);
    void SmartTabsMouseDown(TMouseButton Button, int X, int Y);
    void SmartTabsMouseMove(int X, int Y);
    void SmartTabsMouseUp(TMouseButton Button, int X, int Y);
    // Frees the frames of closed tabs when no message loop runs inside another (from a
    // timer until then).
    void FreeClosedFrames();
    // The menu loop: menu hints in the status bar and the items that need a page.
    void WMEnterMenuLoop();
    void WMExitMenuLoop();
    // Keyword index (VMain_Index.cpp).
    void ResetIndexState();
    void IndexEditChange();
    void IndexLVClick();
    void IndexPopupMenuPopup();
    void IdxMenu_LoadFullIndexClick();
    void IdxMenu_LoadPartialIndexClick();
    void IdxMenu_LoadPartialIndex_FirstCharClick();
    void mnuIndexHelpClick();
    // Keys, mouse and commands (VMain_Input.cpp).
    void ApplicationEvents1Message(MSG& Msg, bool& Handled);
    void ApplicationEvents2Activate();
    void CtrlEnterActionExecute();
    // WM_VIEWER_COMMAND: runs one numbered command (UViewerCommands.h).
    void RunCommand(int Command);
    // WM_VIEWER_RESTYLE: the page decoration of the active tab again.
    void RestyleActivePage();
    // WM_VIEWER_REFOCUS: the page takes the focus back when its browser is the active control.
    void RefocusDocument();
    void TntFormKeyDown(WORD& Key, TShiftState Shift);
    // The page element under the last mouse position (null when none), and its link.
    std::unique_ptr<TPageElement> ElementAtMouse();
    std::wstring LinkOfElement(TPageElement* Element);
    // The message hook's state: the modifiers of the last key-down, the last mouse position.
    const TInputHook& InputHook() const { return FInputHook; }
    // The visible browser of the active tab (null when there is none).
    TBrowserView* ActiveBrowserView();
    // The browser tabs' ForceNewTab: the next navigation opens a new tab.
    void SetForceNewTab(bool Value);
    // Layout, zoom, themes, status bar (VMain_View.cpp; the language in VMain_Translate.cpp).
    void mmnuTocPageClick();
    void mmnuIndexPageClick();
    void mmnuBookmarksPageClick();
    void smnuCatalogClick();
    void smnuGotoSearchClick();
    void smnuAddressBarClick();
    void mmnuNavigationPaneClick();
    void mmnuNavigationRightClick();
    void TntSplitter1Moved();
    void mmnuZoomInClick(TTntMenuItem* Item);
    void mmnuMediumClick(TTntMenuItem* Item);
    void ColorThemeClick(TTntMenuItem* Item);
    void mnuStayOnTopClick();
    void smnuMinimizeWindowClick();
    void mmnuSetUILangClick();
    void mmnuOnlineOfflineClick();
    void ApplyNavFontSize(bool Apply);
    // Filters page and the manager (VMain_Filters.cpp).
    void CatalogLocaleCboSelect();
    void RunHlmBtnClick();
    void CatTreeViewClick();
    void CatPopupMenuPopup();
    void SelectCatalogPopupLinkClick();
    void TestHelpLinkClick();
    void Help_UsingCatalogsClick();
    // The store tree; the buttons from the fields and the tree; the manager for the fields;
    // 0x5CF.
    void FillCatalogTree();
    void UpdateCatalogButtons();
    void RunHelpLibraryManager(bool AskElevation);
    void CatalogLocaleCboSetCode();
    TKernelHandle HlmProcess;         // the manager started last
    THlmSystem* HlmSystem = nullptr;  // what starting the manager asks; null: the system
    // Registration and tools (VMain_Registration.cpp).
    void mnuDefaultViewer_VorlaneClick(TTntMenuItem* Item);
    void mmnuCrossmereToolClick();
    // Checks the default-viewer item that HelpViewerProgID names and hides browsers that
    // are not installed.
    void UpdateDefaultViewerItems();
    TViewerRegistry ViewerRegistry;   // where HelpViewerProgID lives, and the system's answers
    // Bookmarks (VMain_Bookmarks.cpp).
    // The start's bookmark folder; the list shows it when the page first shows or the
    // folder is first needed (EnsureBookmarkFolder): reading a folder takes a while.
    void InitBookmarkFolder();
    void EnsureBookmarkFolder();
    bool FFavFolderPending = false;
    // The bookmark list shows Folder (a path).
    void ShowBookmarkFolder(const std::wstring& Folder);
    // Showing the Bookmarks page: the folder again, the folder-up button.
    void BookmarkPageShown();
    std::wstring SelectedBookmarkUrl();
    bool SaveBookmark(const std::wstring& Url, const std::wstring& Title);
    bool ShowSaveBookmarkDialog(std::wstring& Title, const std::wstring& Url, const std::wstring& Folder);
    void ApplyFavViewStyle();
    void FavShellListClick();
    void FavShellListDblClickOpen(bool& Handled);
    void FavShellListKeyUp(WORD& Key);
    void FavShellListMouseUp(TMouseButton Button, int X, int Y);
    void FavShellListMouseWheel(int WheelDelta, bool& Handled);
    void FavShellListChange();
    void PTShellCombo1Change();
    void mnuAddBookmarkClick();
    void FavGoBtnClick();
    void FavPopupMenuPopup();
    void mnuFavViewStyleClick(TTntMenuItem* Item);
    void BookMarkMenu_NewFolderClick();
    void BookMarkMenu_FolderUpClick();
    void BookMarkMenu_ExploreFolderClick();
    void BookMarkMenu_GotoDefaultBookmarkFolderClick();
    void BookMarkMenu_GotoInternetExplorerFavoritesFolderClick();
    void BookMarkMenu_GotoIEFavoritesFolderAllUsersClick();
    void BookMarkMenu_GotoDesktopAllUsersClick();
    void BookMarkMenu_GotoCommonDocumentsAllUsersClick();
    // Translation (VMain_Translate.cpp).
    void TranslateMainWindow(const std::wstring& Code);
    void ApplyBiDiLayout(const std::wstring& Code);

private:
    void BuildControls();
    void BuildMenus();
    void BuildPopupMenus();
    void BindEvents();
    void BuildBookmarkPage();
    void ShowSpecialBookmarkFolder(int Csidl);
    void BindInputEvents();
    void BindFilterEvents();
    void BindRegistrationEvents();

    // Makes the active tab's browser the active control and focuses its page; true when
    // the page has a document.
    bool FocusActivePage();
    // The active tab's navigate button runs when it or the address box has the focus.
    void RunFrameGoButton();
    // Every tab's navigate button is painted again.
    void InvalidateFrameGoButtons();
    // The search button's colour from the pointer (screen position) and the button state.
    void SearchBtnLook(POINT Screen);

    // Creation's steps by family.
    void MakeIndexCacheFile();
    // Single instance; false when this copy ends here (handed over or opened in a browser).
    bool CheckSingleInstance();
    void ApplyStartSettings();
    void ApplyOnlineOptions();
    void MakeSpeech();

    // The help mode as the runtime's file says.
    std::wstring ReadHelpMode();
    // The program's path, then its parameters.
    std::vector<std::wstring> CommandLine() const;
    // The catalog box's selected text.
    std::wstring CatalogText();

    // The contents page.
    void BindTocEvents();
    void RunLoadToc();
    void LoadTocNodes();
    // An expansion or a sync holds the tree as a load does while its requests let messages
    // run: a reload or catalog asked for meanwhile waits, and runs (posted) after it.
    struct TTocHold {
        explicit TTocHold(TVMainForm& AForm);
        ~TTocHold();
        TTocHold(const TTocHold&) = delete;
        TTocHold& operator=(const TTocHold&) = delete;
        TVMainForm& Form;
        bool Held;
    };
    void RunPendingToc();
    // The address the active tab shows ('' when none).
    std::wstring ActiveTabLocation();
    // A closed tab's frame: closed and hidden at once, freed by FreeClosedFrames.
    void ReleaseFrame(TBrowserFrame* Frame);
    std::vector<TBrowserFrame*> FClosedFrames;
    TTimer* FFreeFramesTimer = nullptr;
    // The tab strip: the pointer's last place over it and the tab under its pop-up menu.
    POINT FTabsMouse{0, 0};
    int FTabMenuTab = -1;
    POINT FTocMouse{0, 0};           // where the pointer last was over the tree
    bool FCatalogChanging = false;   // the catalog box's change runs
    bool FSkipOnlineLocale = true;   // the first catalog keeps the online pages' locale
    bool FTocLoading = false;        // LoadToc runs, or an expansion or a sync holds the tree
    bool FTocReloadPending = false;  // a reload asked for while it ran
    std::wstring FPendingCatalog;    // a catalog chosen while it ran
    unsigned FTocGeneration = 0;     // raised whenever nodes of the tree go

    // Closes and frees every tab's frame (at destruction).
    void FreeFrames();
    int FFrameCounter = 0;           // frames made in this run ("BrowserFrame" + n)

    std::unique_ptr<TH3TraceSink> FTraceSink;
    std::unique_ptr<TTocTreeView> FTocTree;
    std::unique_ptr<TUiTranslator> FTranslator; // made by the first translation
    bool FCreated = false;
    bool FDestroyed = false;
    bool FCloseAfterWaits = false;        // a close came during a wait
    std::deque<std::wstring> FHandOvers;  // URLs handed over during a wait, in order
    bool FShownOnce = false;
    bool FContentsBusy = false;   // a contents load runs
    bool FMenuHints = false;      // the status bar shows menu hints
    bool FStartupGuard = false;   // resize handlers stay quiet during the start-up message
    bool FPaneFits = false;       // the pane's saved width is read: window resizes fit the pane
    int FPaneCutTo = 0;           // the width the window cut the given pane width to (0: none)
    TNotifyEvent FOldAppHint;     // the application's hint handler while the window is active
    bool FHintInstalled = false;
    // The view's pieces (VMain_View.cpp).
    void BindViewEvents();
    void OpenPane();
    void ShowNavPage(TTntTabSheet* Page);
    // Runs Do for the browser of every tab whose page has a location.
    void ForEachPage(const std::function<void(TBrowserView& View)>& Do);
    void SharePageZoom();      // the frames apply Zoom to every page they load
    void FocusAddressBar();    // the active tab's address box, its text selected
    // The keyword index's pieces (VMain_Index.cpp).
    void BindIndexEvents();
    struct TIndexWork;
    TIndexWork& IndexWork();
    bool IndexAgentReady();                     // the agent answers (it is started when needed)
    void OpenIndexUrl(const std::wstring& Url); // a page of a keyword, through the navigation
    void OpenInNewTab(const std::function<void()>& Open); // Open's navigation goes to a new tab
    void RefreshPageDecoration();               // the active page's focus frame and styling
    void SyncIndexEdit(int Row);
    void SelectIndexRow(int Row);
    void SelectBestMatch(const std::wstring& Text);
    void EmptyIndex();
    void RunIndexQueue();
    void StartIndexStatusTimer();
    // The index's loader, timers, guards and the work queued while a load runs.
    struct TIndexWorkDeleter {
        void operator()(TIndexWork* Work) const;
    };
    std::unique_ptr<TIndexWork, TIndexWorkDeleter> FIndex;
    UINT_PTR FSplitterTimer = 0;
    TInputHook FInputHook;
    std::unique_ptr<TInputTarget> FInputTarget;
    std::wstring FLocaleCode;     // the locale code CatalogLocaleCboSetCode puts into the box
    bool FSearchBtnDown = false;  // the mouse button is down on the search button
};

// The browser tabs' ForceNewTab set for the length of one command (a middle click, "Open in
// New Tab").
struct TForceNewTab {
    TForceNewTab();
    ~TForceNewTab();
    TForceNewTab(const TForceNewTab&) = delete;
    TForceNewTab& operator=(const TForceNewTab&) = delete;
};

// The main window (the application's main form; null before it is made and after it goes).
extern TVMainForm* VMainForm;
// The tab strip, for the other modules.
extern TqenSmartTabs* g_TabStrip;
// The taskbar object (made last at creation, freed first at destruction).
extern TWindows7* g_Windows7;
// The keyword index's online help page (the index menu's "Online Help").
extern std::wstring IndexHelpUrl;

// Single-instance state of this copy.
extern TKernelHandle RunningMutex;  // the named mutex
extern bool OtherInstanceRunning;   // the mutex existed when this copy started
extern HWND OtherAppWindow;         // the other copy's application window, when found
extern bool Closing;                // from the start of the close request on

// The other copy's main window: the top-level window of class "TVMainForm" or
// "TVMainForm.UnicodeClass" owned by the window of class "TApplication" titled "Vorlane".
// While looking, this copy's application window (OwnAppWindow) is titled "Instance 2:
// Vorlane" so that it is not found itself. Sets OtherAppWindow.
HWND FindOtherMainWindow(HWND OwnAppWindow);

// The lines of the log header: a "=" rule; date; program version and path; one line per
// parameter (Params[0] is the program, the parameters follow); the system; a "-" rule; the
// help runtime's programs with their versions and its folders; a "=" rule; an empty line.
std::vector<std::wstring> MainLogHeader(const std::vector<std::wstring>& Params, const TH3Paths& Paths);
