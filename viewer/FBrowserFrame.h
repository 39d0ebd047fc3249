// One browser tab: the frame with the web browser that shows the page, a second, hidden
// browser that catches the pages the first one wants to open in a new window, the address
// box, the toolbar and the breadcrumb bar. The frame decides how each navigation is handled
// (new tab, outside browser, agent URL rewriting, the Help Library Manager's install links),
// reads the id of the page shown and feeds the breadcrumb, hides or shows the page's own
// navigation column by script, applies zoom and code styling, and reports titles and status
// texts to the main window.
//
// The frame reaches its browsers only through TBrowserView / TPageDocument (UBrowserView.h)
// and the main window only through its seven callbacks and the module values below, so it
// works (and is tested) without a main window and with a browser double.
//
//   FBrowserFrame.cpp        components, initialisation, toolbar, bars, page script and styling
//   FBrowserFrame_Nav.cpp    navigation and the browsers' events, breadcrumb clicks
//   FBrowserFrame_Rules.cpp  the frame's pure rules (tested by tables)
#pragma once

#include "Forms.h"
#include "UBrowserView.h"
#include "UMessageTexts.h"
#include "UTocData.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TCustomImageList;
class TCustomStatusBar;
class THlmSystem;
class TH3Code;
class TMenuItem;
class TPathViewer;
class TPathViewerBar;
class TSpeechAPI;
class TTntButton;
class TTntEdit;
class TTntMenuItem;
class TTntPanel;
class TTntPopupMenu;
class TTntToolBar;
class TTntToolButton;
class TqenPathViewer;
class TqenSmartTabs;

// ---------------------------------------------------------------------------------
// Module values shared by every frame

extern bool ForceNewTab;            // the next navigation opens a new tab
extern bool TabJustCreated;         // a tab was made for the navigation now starting
extern uint8_t LastBrowserUsed;     // browser row for Shift+click (10: the runtime's viewer)
extern bool SuppressErrors;         // script errors silenced (the browser's Silent property)
extern bool ShowAddressBar;
extern bool ShowBreadcrumbBar;
extern bool ShowTopicNav2;          // new frames show the page's navigation column
extern float PageZoom;              // zoom of every document, 1.0 = 100 %
extern std::wstring SearchPageSize; // "PageSize" of searches
// The main window's status bar (panel 0: "Waiting for"/"Opening", panel 1: the page's status).
extern TCustomStatusBar* BrowserStatusBar;
// The speech object that reads pages aloud (set by the main window; null: none).
extern TSpeechAPI* BrowserSpeech;
// The main window's tab strip, whose captions the frames set (null without a main window).
extern TqenSmartTabs* g_TabStrip;
// The colour theme's pair the frames' tool bars and breadcrumb bars take (the main window
// copies its theme here; Light Sky Blue until then).
extern TColor FrameThemeBackground;
extern TColor FrameThemeText;

// ---------------------------------------------------------------------------------
// The frame's rules

// Enter in the address box searches for the text when it holds none of "127.0.0.1", "/",
// "://", "www.", "http:", ".com" and ".net" (case ignored); otherwise it navigates.
bool AddressIsSearch(const std::wstring& Text);

// The page script that hides (Show false) or shows the page's navigation column, its
// resize bar and the content's border.
std::wstring TopicNavScript(bool Show);

// The percentage a progress event shows ("Loading n%"), or -1 when the status texts are
// cleared instead: both values at least 1, different, the percentage at most 100 and the
// document not complete. Computed in 64 bits.
int ProgressPercent(long Progress, long ProgressMax, int NavState);

// The host of a URL: the text after the first "//" up to the next "/" (leading '/' removed).
std::wstring UrlHost(const std::wstring& Url);
// A URL of the help agent: its host (without user and port) is 127.0.0.1.
bool IsAgentHostUrl(const std::wstring& Url);
// Url and Current are the same page apart from the part after '#'.
bool SamePageApartFromFragment(const std::wstring& Url, const std::wstring& Current);

// Menu captions: every single '&' doubled, an existing "&&" kept.
std::wstring DoubleAmpersands(const std::wstring& Text);

// One entry of the breadcrumb's drop-down: Caption "-" is a separator. Tag: the child's
// index in the child list, or -k for hidden path segment k.
struct TBreadcrumbMenuEntry {
    std::wstring Caption;
    intptr_t Tag = 0;
    bool Checked = false;
};
// The drop-down of path segment Idx (-1: the back arrow) with Off hidden segments: the
// children grouped by version (and locale when they differ), the one on the path checked,
// the hidden segments after the checked child of the back arrow.
std::vector<TBreadcrumbMenuEntry> BreadcrumbMenu(const TTocItemArray& Children, const TTocItemArray& Path, int Idx,
                                                 int Off);

// The bars of the toolbar panel: the design positions and what is shown.
struct TFrameBarsDesign {
    int PanelHeight = 0;    // the toolbar panel with both bars
    int ToolBarBottom = 0;
    int UrlTop = 0;
    int UrlHeight = 0;
    int PathTop = 0;
    int PathHeight = 0;
};
struct TFrameBarsLayout {
    int PanelHeight = 0;
    int UrlTop = 0;
    int PathTop = 0;
    bool UrlVisible = true;
    bool PathVisible = true;
};
// ToolBarBottom: where the tool bar ends now; when its buttons take more rows than the
// design's one, everything below moves down by the difference.
TFrameBarsLayout FrameBarsLayout(const TFrameBarsDesign& Design, bool ShowAddress, bool ShowBreadcrumb,
                                 int ToolBarBottom);

// The code-block style of the page's elements: what an element's style text becomes so
// that the style is appended once, however often the styling runs (focus changes,
// refreshes, zoom). Keeps, per element, the text it had before and the text written.
class TCodeStyleMarks {
public:
    // The new style text of element Index whose style text is Current, or false when it
    // already carries Style.
    bool Styled(int Index, const std::wstring& Current, const std::wstring& Style, std::wstring& NewText);
    // The element's style text as the page gives it back after the write.
    void Written(int Index, const std::wstring& ReadBack);
    // A new document: nothing is marked.
    void Clear() { FMarks.clear(); }

private:
    struct TMark {
        std::wstring Original;
        std::wstring Style;
        std::wstring Written;
    };
    std::map<int, TMark> FMarks;
};

// ---------------------------------------------------------------------------------
// The frame

using TFrameUrlEvent = std::function<void(const std::wstring& Url)>;
// A page for a new tab, with the tab's title ("" when the page gives it).
using TFrameNewPageEvent = std::function<void(const std::wstring& Url, const std::wstring& Title)>;

class TBrowserFrame : public TFrame {
public:
    VORLANE_CLASS_NAME(TBrowserFrame)
    explicit TBrowserFrame(TComponent* AOwner);
    ~TBrowserFrame() override;

    // ---- Components
    TTntPanel* FrameBasePanel;
    TTntPanel* Browser2Panel;
    TBrowserView* WebBrowser2;     // hidden: takes the pages meant for a new window
    TBrowserView* WebBrowser1;     // shows the page
    TTntPanel* ToolbarPanel;
    TTntToolBar* ToolBar1;
    TTntToolButton* tb_BackBtn;
    TTntToolButton* tb_FwdBtn;
    TTntToolButton* tb_NavHideShowBtn;
    TTntToolButton* tb_Sync;
    TTntToolButton* tb_Read;
    TTntToolButton* tb_Stop;
    TTntToolButton* tb_Bookmark;
    TTntToolButton* tb_OpenOnline;
    TTntToolButton* tb_Font;
    TTntToolButton* tb_FindBtn;
    TTntToolButton* tb_ShowPopups;
    TTntEdit* UrlEdit;
    TTntButton* BrowserGoBtn;
    TqenPathViewer* qenPathViewer1;
    TTntPopupMenu* ToobarPopupMenu;
    TTntMenuItem* mnuShowAddressBar;
    TTntMenuItem* mnuShowBreadcrumbBar;
    TTntPopupMenu* TextSizePopupMenu; // the text-size choices of tb_Font

    // ---- Fields
    int NavState = 0;              // 1 navigation starts, 2 navigate-complete, 3 document-complete
    std::wstring PageId;           // help topic id of the page shown ("" when none)
    bool TopicNavShown = false;    // the page's own navigation column is shown
    bool Redirected = false;       // a navigation was cancelled to go to a rewritten URL
    std::wstring Title;            // given by GotoUrl or by the page (for bookmarks)
    std::wstring CaptionTitle;     // the tab caption; cleared by each Navigate
    std::unique_ptr<TPathViewer> PathModel; // made by Initialise, freed by CloseFrame

    // ---- Callbacks (installed by the main window)
    TFrameNewPageEvent OnNewPage;
    TFrameUrlEvent OnBookmark;
    TFrameUrlEvent OnSync;         // only with a non-empty URL
    TFrameUrlEvent OnOpenOnline;
    std::function<void()> OnTopicNavToggle;
    std::function<void(const std::wstring& Text)> OnLog;

    // ---- Where the frame asks (null: the program's product triple, contents model and
    // manager start); set before Initialise.
    TH3Code* Code = nullptr;
    TTocData* Toc = nullptr;
    THlmSystem* HlmSystem = nullptr;
    // Shows a message to the user (default: the wide message box).
    std::function<void(const std::wstring& Text)> OnMessage;

    // ---- Interfaces
    void Initialise();
    void ApplyToolbarTexts();
    // Follows the application's reading order: the panel's controls mirrored, the Go button
    // anchored to its side, the breadcrumb starting at the reading start.
    void ApplyFrameBiDiLayout();
    // The tool bar panel, tool bar and breadcrumb bar in the theme's colours.
    void ApplyThemeColours();
    void GotoUrl(const std::wstring& Url, const std::wstring& ATitle);
    void Navigate(const std::wstring& Url);
    void SetTitle(const std::wstring& Text);
    void Search(const std::wstring& Text);
    void CloseFrame();
    void RunPageScript(bool Show);
    void ApplyPageStyling();
    // 1: the user style changed (reload unless a style is set, then restyle); 2 and 3: the
    // page's online version.
    void RefreshPage(int Mode);
    bool BrowserHasFocus();
    void ReadAloud();
    void StopReading();

    // ---- Handlers
    void WebBrowser1BeforeNavigate2(const std::wstring& Url, bool& Cancel);
    void WebBrowser1NavigateComplete2(const std::wstring& Url);
    void WebBrowser1DocumentComplete(const std::wstring& Url);
    void WebBrowser1TitleChange(const std::wstring& Text);
    void WebBrowser1ProgressChange(long Progress, long ProgressMax);
    void WebBrowser1CommandStateChange(long Command, bool Enable);
    void WebBrowser1NewWindow2(TBrowserView*& NewWindow, bool& Cancel);
    void WebBrowser1NavigateError(const std::wstring& Url, long StatusCode, bool& Cancel);
    void WebBrowser1Enter();
    void WebBrowser1Exit();
    void WebBrowser2BeforeNavigate2(const std::wstring& Url, bool& Cancel);
    void BrowserGoBtnClick();
    void BrowserGoBtnMouseUp(TMouseButton Button);
    void UrlEditKeyPress(wchar_t& Key);
    void tb_BackBtnClick();
    void tb_FwdBtnClick();
    void tb_NavHideShowBtnClick();
    void tb_SyncClick();
    void tb_ReadClick();
    void tb_StopClick();
    void tb_BookmarkClick();
    void tb_OpenOnlineClick();
    void tb_FontClick();
    void tb_FindBtnClick();
    void tb_ShowPopupsClick();
    void mnuShowAddressBarClick();
    void mnuShowBreadcrumbBarClick();
    void FrameBasePanelContextPopup(POINT MousePos, bool& Handled);
    void qenPathViewer1PathClick(int PathIdx);
    void qenPathViewer1Popup(std::wstring& APath, int Off, int Idx, TTntPopupMenu*& APopupMenu);
    void qenPathViewer1PopupClick(TObject* Sender);

    // Tool bar state after each navigation step; the bars laid out from the shared values.
    void UpdateToolbarState();
    void LayoutBars();
    // The address box text without surrounding blanks.
    std::wstring AddressText();
    // The page shown ("" when none) and its document (null when none).
    std::wstring Location();
    // This frame has been sent somewhere (a tab's flag serves only its first navigation).
    bool NavigationStarted() const { return FNavigationStarted; }
    // Made for a navigation request (a Ctrl+click, a middle click, Open in New Tab) that its
    // first navigation serves; a tab of the New Tab command is not.
    bool MadeForNavigation = false;
    std::unique_ptr<TPageDocument> PageDocument();

protected:
    // The frame's base panel lives in the main window's dock panel, which may free it (and
    // the browsers and bars inside it) before the frame: the frame forgets what goes.
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void BuildComponents();
    void BindEvents();
    void Log(const std::wstring& Line);
    void SetStatus(int Panel, const std::wstring& Text);
    void Message(const std::wstring& Text);
    TH3Code* AgentCode() const;
    // The agent URL of a topic (method=page).
    std::wstring TopicUrl(const TTocItem& Item);
    // The rewrite of an agent URL for this frame (embedded flag by TopicNavShown).
    bool FixUrl(std::wstring& Url);
    void RunManagerFromPage();
    void ApplyCodeStyle(TPageDocument& Document, const std::wstring& Style);
    // Waits Ms while messages keep running.
    void PumpFor(unsigned Ms);
    // The held Ctrl (or ForceNewTab) sends a navigation of this frame to Url to a new tab.
    bool GoesToNewTab(const std::wstring& Url);
    // A navigation of this frame that the held Ctrl (or ForceNewTab) sends to a new tab goes
    // there at once with its title, before anything of this tab changes; true when it went.
    bool HandToNewTab(const std::wstring& Url, const std::wstring& ATitle);
    // The address box shows Url (the page's address, kept to show again).
    void ShowAddress(const std::wstring& Url);

    TComponent* FBrowser1Control = nullptr; // the views' controls, to see them go
    TComponent* FBrowser2Control = nullptr;
    std::unique_ptr<TPathViewerBar> FPathBar;
    TFrameBarsDesign FDesign;
    int FDesignToolBarHeight = 0;
    bool FDesignKnown = false;
    bool FLayingOut = false;
    std::array<std::wstring, ToolbarTextCount> FEnglishTexts; // the toolbar's texts as built
    bool FEnglishTextsKnown = false;
    bool FJumpOnly = false;        // the navigation under way stays on the page shown
    bool FNavigationStarted = false;
    std::wstring FShownAddress;    // what the frame last put in the address box
    TCodeStyleMarks FCodeStyle;
    TTocItemArray FPopupChildren;  // the children the breadcrumb's drop-down shows
};
