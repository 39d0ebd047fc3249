// The browser frame: its components, initialisation, toolbar, bars, page script and styling.
#include "FBrowserFrame.h"
#include "UMakeControl.h"

#include "ComCtrls.h"
#include "SysUtils.h"
#include "TntComCtrls.h"
#include "TntDialogs.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAgentLink.h"
#include "UAuxFile.h"
#include "UDebugLog.h"
#include "UH3_Code.h"
#include "UMessageTexts.h"
#include "UPathViewer.h"
#include "UPathViewerBar.h"
#include "USpeechAPI.h"
#include "UUtilsW.h"
#include "UWebDataModule.h"
#include "UWebMenus.h"
#include "qenPathViewer.h"

#include <algorithm>

bool ForceNewTab = false;
bool TabJustCreated = false;
uint8_t LastBrowserUsed = 0;
bool SuppressErrors = true;
bool ShowAddressBar = true;
bool ShowBreadcrumbBar = true;
bool ShowTopicNav2 = true;
float PageZoom = 1.0f;
std::wstring SearchPageSize = L"200";
TCustomStatusBar* BrowserStatusBar = nullptr;
TSpeechAPI* BrowserSpeech = nullptr;
TColor FrameThemeBackground = RGB(0xF0, 0xFD, 0xFF);
TColor FrameThemeText = RGB(0x18, 0x1D, 0x29);

namespace {

template <class T>
T* Make(TComponent* Owner, const wchar_t* Name) {
    return MakeComponent<T>(Owner, Name);
}

template <class T>
T* Make(TComponent* Owner, TWinControl* Parent, const wchar_t* Name) {
    return MakeControl<T>(Owner, Parent, Name);
}

// The design of the tool bar panel (the layout keeps these as its reference).
constexpr int DesignWidth = 640;
constexpr int ToolBarHeight = 26;
constexpr int BarsLeft = 4;
constexpr int UrlTop = ToolBarHeight + 1;
constexpr int UrlHeight = 21;
constexpr int GoWidth = 40;
constexpr int PathTop = UrlTop + UrlHeight + 4;
constexpr int PathHeight = 25;
constexpr int PanelHeight = PathTop + PathHeight + 3;

// The logo the page's navigation column shows, and the program's own in its place while
// the column is hidden.
const wchar_t* const ViewerLogoFile = L"viewer-logo.gif";
const wchar_t* const PageLogoAsset = L"content\\Microsoft\\store\\dev10-IE6.mshc;/VS-logo.png";

// What reading aloud needs of the page.
class TFrameSpeechPage : public TSpeechPage {
public:
    explicit TFrameSpeechPage(TBrowserFrame& Frame) : FFrame(Frame) {}
    bool HasDocument() override { return !FFrame.Location().empty() && Document(); }
    std::wstring SelectionHtml() override { return Document() ? FDocument->SelectionHtml() : std::wstring(); }
    std::wstring BodyHtml() override { return Document() ? FDocument->BodyHtml() : std::wstring(); }

private:
    TPageDocument* Document() {
        if (!FDocument)
            FDocument = FFrame.PageDocument();
        return FDocument.get();
    }
    TBrowserFrame& FFrame;
    std::unique_ptr<TPageDocument> FDocument;
};

} // namespace

// ---------------------------------------------------------------------------------
// Making

TBrowserFrame::TBrowserFrame(TComponent* AOwner) : TFrame(AOwner) {
    SetBounds(0, 0, DesignWidth, 480);
    OnMessage = [](const std::wstring& Text) { WideShowMessage(Text); };
    BuildComponents();
    BindEvents();
}

TBrowserFrame::~TBrowserFrame() {
    // The browsers go with the frame's components, after this object: nothing they report
    // from now on may reach it.
    for (TBrowserView* view : {WebBrowser1, WebBrowser2})
        if (view) {
            view->Events = TBrowserViewEvents();
            view->Control()->OnEnter = nullptr;
            view->Control()->OnExit = nullptr;
        }
    if (qenPathViewer1) {
        qenPathViewer1->OnPathClick = nullptr;
        qenPathViewer1->OnPopup = nullptr;
        qenPathViewer1->OnPopupClick = nullptr;
    }
}

void TBrowserFrame::Notification(TComponent* AComponent, TOperation Operation) {
    TFrame::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove || !AComponent)
        return;
    if (AComponent == FBrowser1Control) {
        WebBrowser1 = nullptr;
        FBrowser1Control = nullptr;
    }
    if (AComponent == FBrowser2Control) {
        WebBrowser2 = nullptr;
        FBrowser2Control = nullptr;
    }
    if (AComponent == qenPathViewer1) {
        // The model must not draw on a bar that is gone.
        PathModel.reset();
        qenPathViewer1 = nullptr;
    }
}

void TBrowserFrame::BuildComponents() {
    FrameBasePanel = MakePanel(this, this, L"FrameBasePanel", alClient);

    ToolbarPanel = MakePanel(this, FrameBasePanel, L"ToolbarPanel", alTop);
    ToolbarPanel->SetHeight(PanelHeight);
    ToolBar1 = Make<TTntToolBar>(this, ToolbarPanel, L"ToolBar1");
    ToolBar1->SetShowCaptions(true);
    ToolBar1->SetList(true);
    ToolBar1->SetBounds(0, 0, DesignWidth, ToolBarHeight);
    ToolBar1->SetAnchors(akLeft | akTop | akRight);
    ToolBar1->SetShowHint(true);
    ToolBar1->SetParentColor(true);
    ToolBar1->SetWrapable(false); // LayoutBars breaks the rows

    struct TButtonDesign {
        TTntToolButton** Button;
        const wchar_t* Name;
        const wchar_t* Caption;
        const wchar_t* Hint;
        TToolButtonStyle Style;
    };
    const TButtonDesign buttons[] = {
        {&tb_BackBtn, L"tb_BackBtn", L"Back", L"Back (Alt+Left)", tbsButton},
        {&tb_FwdBtn, L"tb_FwdBtn", L"Forward", L"Forward (Alt+Right)", tbsButton},
        {&tb_NavHideShowBtn, L"tb_NavHideShowBtn", L"Topic Nav",
         L"Show or hide the page's own navigation (Ctrl+Shift+T)", tbsCheck},
        {&tb_Sync, L"tb_Sync", L"Sync", L"Sync the contents with this page (Ctrl+T)", tbsButton},
        {&tb_Read, L"tb_Read", L"Read", L"Read the page or the selection aloud", tbsButton},
        {&tb_Stop, L"tb_Stop", L"Stop", L"Stop loading and reading", tbsButton},
        {&tb_Bookmark, L"tb_Bookmark", L"Bookmark", L"Bookmark this page (Ctrl+B)", tbsButton},
        {&tb_OpenOnline, L"tb_OpenOnline", L"Online", L"Open online version (F8)", tbsDropDown},
        {&tb_Font, L"tb_Font", L"Text Size", L"Text size of the page", tbsButton},
        {&tb_FindBtn, L"tb_FindBtn", L"Find", L"Find in this page (Ctrl+F)", tbsButton},
        {&tb_ShowPopups, L"tb_ShowPopups", L"Errors", L"Show the page's script errors", tbsCheck},
    };
    for (const TButtonDesign& d : buttons) {
        *d.Button = Make<TTntToolButton>(this, ToolBar1, d.Name);
        (*d.Button)->SetAutoSize(true); // as wide as its caption: the row holds them all
        (*d.Button)->SetStyle(d.Style);
        (*d.Button)->SetCaption(d.Caption);
        (*d.Button)->SetHint(d.Hint);
    }
    // The browser enables them when its history has a page that way.
    tb_BackBtn->SetEnabled(false);
    tb_FwdBtn->SetEnabled(false);

    UrlEdit = Make<TTntEdit>(this, ToolbarPanel, L"UrlEdit");
    UrlEdit->SetBounds(BarsLeft, UrlTop, DesignWidth - 3 * BarsLeft - GoWidth, UrlHeight);
    UrlEdit->SetAnchors(akLeft | akTop | akRight);
    BrowserGoBtn = Make<TTntButton>(this, ToolbarPanel, L"BrowserGoBtn");
    BrowserGoBtn->SetBounds(DesignWidth - BarsLeft - GoWidth, UrlTop, GoWidth, UrlHeight);
    BrowserGoBtn->SetAnchors(akTop | akRight);
    BrowserGoBtn->SetCaption(L"Go");
    qenPathViewer1 = Make<TqenPathViewer>(this, ToolbarPanel, L"qenPathViewer1");
    qenPathViewer1->SetBounds(BarsLeft, PathTop, DesignWidth - 2 * BarsLeft, PathHeight);
    qenPathViewer1->SetAnchors(akLeft | akTop | akRight);
    FPathBar = std::make_unique<TPathViewerBar>(qenPathViewer1);

    ToobarPopupMenu = Make<TTntPopupMenu>(this, L"ToobarPopupMenu");
    mnuShowAddressBar = Make<TTntMenuItem>(this, L"mnuShowAddressBar");
    mnuShowAddressBar->SetCaption(L"Show Address Bar");
    mnuShowBreadcrumbBar = Make<TTntMenuItem>(this, L"mnuShowBreadcrumbBar");
    mnuShowBreadcrumbBar->SetCaption(L"Show Breadcrumb Bar");
    ToobarPopupMenu->Items()->Add(mnuShowAddressBar);
    ToobarPopupMenu->Items()->Add(mnuShowBreadcrumbBar);

    TextSizePopupMenu = Make<TTntPopupMenu>(this, L"TextSizePopupMenu");
    const wchar_t* const sizes[] = {L"Largest", L"Larger", L"Medium", L"Smaller", L"Smallest"};
    for (int i = 0; i < 5; ++i) {
        auto* item = new TTntMenuItem(this);
        item->SetCaption(sizes[i]);
        item->Tag = 4 - i;
        item->SetRadioItem(true);
        item->OnClick = [this](TObject* Sender) {
            auto* chosen = static_cast<TMenuItem*>(Sender);
            chosen->SetChecked(true);
            if (WebBrowser1)
                WebBrowser1->SetTextSize(static_cast<int>(chosen->Tag));
        };
        TextSizePopupMenu->Items()->Add(item);
    }

    // The hidden browser that takes the pages meant for a new window, then the visible one.
    Browser2Panel = MakePanel(this, FrameBasePanel, L"Browser2Panel", alNone);
    Browser2Panel->SetBounds(0, PanelHeight, 80, 60);
    Browser2Panel->SetVisible(false);
    WebBrowser2 = BrowserViewFactory()(this, Browser2Panel);
    WebBrowser1 = BrowserViewFactory()(this, FrameBasePanel);
    if (WebBrowser2) {
        FBrowser2Control = WebBrowser2->Control();
        WebBrowser2->Control()->SetName(L"WebBrowser2");
        WebBrowser2->Control()->SetAlign(alClient);
    }
    if (WebBrowser1) {
        FBrowser1Control = WebBrowser1->Control();
        WebBrowser1->Control()->SetName(L"WebBrowser1");
        WebBrowser1->Control()->SetAlign(alClient);
    }
}

void TBrowserFrame::BindEvents() {
    if (WebBrowser1) {
        TBrowserViewEvents& e = WebBrowser1->Events;
        e.BeforeNavigate2 = [this](const std::wstring& Url, bool& Cancel) { WebBrowser1BeforeNavigate2(Url, Cancel); };
        e.NavigateComplete2 = [this](const std::wstring& Url) { WebBrowser1NavigateComplete2(Url); };
        e.DocumentComplete = [this](const std::wstring& Url) { WebBrowser1DocumentComplete(Url); };
        e.TitleChange = [this](const std::wstring& Text) { WebBrowser1TitleChange(Text); };
        e.ProgressChange = [this](long Progress, long Max) { WebBrowser1ProgressChange(Progress, Max); };
        e.CommandStateChange = [this](long Command, bool Enable) { WebBrowser1CommandStateChange(Command, Enable); };
        e.NewWindow2 = [this](TBrowserView*& NewWindow, bool& Cancel) { WebBrowser1NewWindow2(NewWindow, Cancel); };
        e.NavigateError = [this](const std::wstring& Url, long Code, bool& Cancel) {
            WebBrowser1NavigateError(Url, Code, Cancel);
        };
        WebBrowser1->Control()->OnEnter = [this](TObject*) { WebBrowser1Enter(); };
        WebBrowser1->Control()->OnExit = [this](TObject*) { WebBrowser1Exit(); };
    }
    if (WebBrowser2)
        WebBrowser2->Events.BeforeNavigate2 = [this](const std::wstring& Url, bool& Cancel) {
            WebBrowser2BeforeNavigate2(Url, Cancel);
        };

    tb_BackBtn->OnClick = [this](TObject*) { tb_BackBtnClick(); };
    tb_FwdBtn->OnClick = [this](TObject*) { tb_FwdBtnClick(); };
    tb_NavHideShowBtn->OnClick = [this](TObject*) { tb_NavHideShowBtnClick(); };
    tb_Sync->OnClick = [this](TObject*) { tb_SyncClick(); };
    tb_Read->OnClick = [this](TObject*) { tb_ReadClick(); };
    tb_Stop->OnClick = [this](TObject*) { tb_StopClick(); };
    tb_Bookmark->OnClick = [this](TObject*) { tb_BookmarkClick(); };
    tb_OpenOnline->OnClick = [this](TObject*) { tb_OpenOnlineClick(); };
    tb_Font->OnClick = [this](TObject*) { tb_FontClick(); };
    tb_FindBtn->OnClick = [this](TObject*) { tb_FindBtnClick(); };
    tb_ShowPopups->OnClick = [this](TObject*) { tb_ShowPopupsClick(); };
    BrowserGoBtn->OnClick = [this](TObject*) { BrowserGoBtnClick(); };
    BrowserGoBtn->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int, int) {
        BrowserGoBtnMouseUp(Button);
    };
    UrlEdit->OnKeyPress = [this](TObject*, wchar_t& Key) { UrlEditKeyPress(Key); };
    // Another width may wrap the tool bar's buttons into another number of rows.
    ToolbarPanel->OnResize = [this](TObject*) { LayoutBars(); };
    mnuShowAddressBar->OnClick = [this](TObject*) { mnuShowAddressBarClick(); };
    mnuShowBreadcrumbBar->OnClick = [this](TObject*) { mnuShowBreadcrumbBarClick(); };
    FrameBasePanel->OnContextPopup = [this](TObject*, POINT MousePos, bool& Handled) {
        FrameBasePanelContextPopup(MousePos, Handled);
    };
    qenPathViewer1->OnPathClick = [this](TObject*, int PathIdx) { qenPathViewer1PathClick(PathIdx); };
    qenPathViewer1->OnPopup = [this](TObject*, std::wstring& APath, int Off, int Idx, TTntPopupMenu*& Menu) {
        qenPathViewer1Popup(APath, Off, Idx, Menu);
    };
    qenPathViewer1->OnPopupClick = [this](TObject* Sender) { qenPathViewer1PopupClick(Sender); };
}

// ---------------------------------------------------------------------------------
// Initialisation

void TBrowserFrame::Initialise() {
    tb_Sync->SetHint(L"Add Orphan topic groups to TOC\r\n" + tb_Sync->Hint());
    tb_OpenOnline->SetHint(L"Open online version (F8)\r  New window (Shift+F8, Shift+Click)\r"
                           L"  New tab (Ctrl+F8, Ctrl+Click)");
    TopicNavShown = false;
    Redirected = false;
    ApplyToolbarTexts();
    UpdateToolbarState();

    PathModel = std::make_unique<TPathViewer>(FPathBar.get(), nullptr);
    PathModel->Toc = Toc;
    if (WebBrowser1) {
        WebBrowser1->SetSilent(SuppressErrors);
        if (!WebBrowser1->Available())
            DebugLogEx(L"Browser frame " + Name() + L": no web browser: " + WebBrowser1->Failure(), true);
    }
    tb_ShowPopups->SetDown(!SuppressErrors);

    TopicNavShown = ShowTopicNav2;
    tb_NavHideShowBtn->SetDown(TopicNavShown);
    FrameBasePanel->SetVisible(false);
    if (WebDataModule)
        if (auto* menu = dynamic_cast<TWebPopupMenu*>(WebDataModule->webPopupMenu))
            tb_OpenOnline->SetDropdownMenu(menu->Menu());
    ApplyFrameBiDiLayout();
    ApplyThemeColours();

    FDesignToolBarHeight = ToolBar1->Height();
    FDesign.PanelHeight = ToolbarPanel->Height();
    FDesign.ToolBarBottom = ToolBar1->Top() + ToolBar1->Height();
    FDesign.UrlTop = UrlEdit->Top();
    FDesign.UrlHeight = UrlEdit->Height();
    FDesign.PathTop = qenPathViewer1->Top();
    FDesign.PathHeight = qenPathViewer1->Height();
    FDesignKnown = true;
    mnuShowAddressBar->SetChecked(ShowAddressBar);
    mnuShowBreadcrumbBar->SetChecked(ShowBreadcrumbBar);
    LayoutBars();
}

// A text the language file leaves empty shows the frame's own English text, so that switching
// back to English after another language also puts the toolbar back.
void TBrowserFrame::ApplyToolbarTexts() {
    const std::pair<TTntToolButton*, int> pairs[] = {
        {tb_BackBtn, ttBackBtn}, {tb_FindBtn, ttFindBtn},   {tb_FwdBtn, ttFwdBtn},         {tb_NavHideShowBtn, ttNavHideShowBtn},
        {tb_Sync, ttSync},       {tb_Read, ttRead},         {tb_Stop, ttStop},             {tb_Bookmark, ttBookmark},
        {tb_OpenOnline, ttOpenOnline}};
    if (!FEnglishTextsKnown) {
        for (const auto& [button, caption] : pairs) {
            FEnglishTexts[caption] = button->Caption();
            FEnglishTexts[caption + 1] = button->Hint();
        }
        FEnglishTexts[ttFont] = tb_Font->Caption();
        FEnglishTexts[ttBrowserGoBtn] = BrowserGoBtn->Caption();
        FEnglishTextsKnown = true;
    }
    auto text = [this](int Index) -> const std::wstring& {
        return ToolbarTexts[Index].empty() ? FEnglishTexts[Index] : ToolbarTexts[Index];
    };
    for (const auto& [button, caption] : pairs) {
        button->SetCaption(text(caption));
        button->SetHint(text(caption + 1));
    }
    tb_Font->SetCaption(text(ttFont));
    BrowserGoBtn->SetCaption(text(ttBrowserGoBtn));
    LayoutBars(); // other captions, other widths
}

void TBrowserFrame::ApplyFrameBiDiLayout() {
    FrameBasePanel->SetBiDiMode(Application ? Application->BiDiMode() : bdLeftToRight);
    const bool leftToRight = FrameBasePanel->BiDiMode() == bdLeftToRight;
    const int left = BrowserGoBtn->Left();
    if ((leftToRight && left < 50) || (!leftToRight && left > 50))
        FrameBasePanel->FlipChildren(true);
    TAnchors anchors = BrowserGoBtn->Anchors();
    if (BrowserGoBtn->Left() > 50)
        anchors = (anchors & ~akLeft) | akRight;
    else
        anchors = (anchors & ~akRight) | akLeft;
    BrowserGoBtn->SetAnchors(anchors);
    qenPathViewer1->SetRightToLeft(!leftToRight); // the path starts at the right
    LayoutBars(); // the windows made anew for the reading order, their rows counted again
}

// The tool bar and the breadcrumb bar take the text colour themselves: the panels' fonts are
// left alone, since the address box inherits them.
void TBrowserFrame::ApplyThemeColours() {
    FrameBasePanel->SetColor(FrameThemeBackground);
    ToolbarPanel->SetColor(FrameThemeBackground);
    ToolBar1->Font()->SetColor(FrameThemeText);
    ToolBar1->Invalidate();
    if (qenPathViewer1) {
        qenPathViewer1->SetColor(FrameThemeBackground);
        qenPathViewer1->Font()->SetColor(FrameThemeText);
    }
}

void TBrowserFrame::CloseFrame() {
    PathModel.reset();
    if (qenPathViewer1)
        qenPathViewer1->SetAlign(alNone);
}

// ---------------------------------------------------------------------------------
// Bars and tool bar

// The tool bar's buttons stay in one row while they fit its width; when they do not (a narrow
// window, long translated captions) they go on in further rows and the bar is as tall as its
// rows, so that no button is cut off, and the bars below it move down as far as it grows.
void TBrowserFrame::LayoutBars() {
    if (!FDesignKnown || FLayingOut)
        return;
    FLayingOut = true;
    // The rows are broken here, by each button's own width: the window's wrapping counts
    // every button as wide as the widest.
    const int room = ToolBar1->ClientWidth();
    int x = 0;
    TToolButton* previous = nullptr;
    for (int i = 0; i < ToolBar1->ButtonCount(); ++i) {
        TToolButton* button = ToolBar1->Buttons(i);
        if (!button->Visible())
            continue;
        const bool newRow = previous && x + button->Width() > room;
        if (previous)
            previous->SetWrap(newRow);
        x = (newRow ? 0 : x) + button->Width();
        previous = button;
    }
    if (previous)
        previous->SetWrap(false);
    // While the bar has no window (it is being made anew for another reading order) it has no
    // rows to count: the bars keep their heights until it is laid out again with its window.
    if (!ToolBar1->HandleAllocated()) {
        FLayingOut = false;
        return;
    }
    ToolBar1->SetHeight(std::max(FDesignToolBarHeight, ToolBar1->RowsHeight()));
    const TFrameBarsLayout l =
        FrameBarsLayout(FDesign, ShowAddressBar, ShowBreadcrumbBar, ToolBar1->Top() + ToolBar1->Height());
    UrlEdit->SetVisible(l.UrlVisible);
    BrowserGoBtn->SetVisible(l.UrlVisible);
    UrlEdit->SetTop(l.UrlTop);
    BrowserGoBtn->SetTop(l.UrlTop);
    qenPathViewer1->SetVisible(l.PathVisible);
    qenPathViewer1->SetTop(l.PathTop);
    ToolbarPanel->SetHeight(l.PanelHeight);
    FLayingOut = false;
}

void TBrowserFrame::mnuShowAddressBarClick() {
    ShowAddressBar = !ShowAddressBar;
    mnuShowAddressBar->SetChecked(ShowAddressBar);
    LayoutBars();
}

void TBrowserFrame::mnuShowBreadcrumbBarClick() {
    ShowBreadcrumbBar = !ShowBreadcrumbBar;
    mnuShowBreadcrumbBar->SetChecked(ShowBreadcrumbBar);
    LayoutBars();
}

void TBrowserFrame::FrameBasePanelContextPopup(POINT MousePos, bool& Handled) {
    const POINT p = FrameBasePanel->ClientToScreen(MousePos);
    ToobarPopupMenu->Popup(p.x, p.y);
    Handled = true;
}

void TBrowserFrame::UpdateToolbarState() {
    tb_Sync->SetEnabled(!PageId.empty());
    const bool document = PageDocument() != nullptr;
    // Tab stops at the page only when it shows one.
    if (WebBrowser1)
        WebBrowser1->Control()->SetTabStop(document);
    for (TTntToolButton* b : {tb_FindBtn, tb_NavHideShowBtn, tb_Read, tb_Stop, tb_Bookmark, tb_OpenOnline, tb_Font})
        b->SetEnabled(document);
}

void TBrowserFrame::tb_BackBtnClick() {
    if (WebBrowser1)
        WebBrowser1->GoBack();
}

void TBrowserFrame::tb_FwdBtnClick() {
    if (WebBrowser1)
        WebBrowser1->GoForward();
}

void TBrowserFrame::tb_NavHideShowBtnClick() {
    TopicNavShown = !TopicNavShown;
    tb_NavHideShowBtn->SetDown(TopicNavShown);
    const std::wstring location = Location();
    if (!location.empty())
        Navigate(location); // the rewrite follows the new state
    if (OnTopicNavToggle)
        OnTopicNavToggle();
}

void TBrowserFrame::tb_SyncClick() {
    const std::wstring url = AddressText();
    if (!url.empty() && OnSync)
        OnSync(url);
}

void TBrowserFrame::tb_ReadClick() { ReadAloud(); }

void TBrowserFrame::tb_StopClick() {
    StopReading();
    TabJustCreated = false; // a stopped page has no document-complete
    if (WebBrowser1)
        WebBrowser1->Stop();
}

void TBrowserFrame::tb_BookmarkClick() {
    if (OnBookmark)
        OnBookmark(AddressText());
}

void TBrowserFrame::tb_OpenOnlineClick() {
    if (OnOpenOnline)
        OnOpenOnline(AddressText());
}

void TBrowserFrame::tb_FontClick() {
    TextSizePopupMenu->DropDown(tb_Font);
}

void TBrowserFrame::tb_FindBtnClick() {
    if (WebBrowser1)
        WebBrowser1->ShowFind();
}

void TBrowserFrame::tb_ShowPopupsClick() {
    if (WebBrowser1)
        WebBrowser1->SetSilent(!tb_ShowPopups->Down());
}

void TBrowserFrame::ReadAloud() {
    if (!BrowserSpeech) {
        Message(L"MS Speech API not found");
        return;
    }
    TFrameSpeechPage page(*this);
    BrowserSpeech->SpeakPage(&page);
}

void TBrowserFrame::StopReading() {
    if (BrowserSpeech)
        BrowserSpeech->Stop();
}

// ---------------------------------------------------------------------------------
// The page

std::wstring TBrowserFrame::Location() { return WebBrowser1 ? WebBrowser1->Location() : std::wstring(); }

std::unique_ptr<TPageDocument> TBrowserFrame::PageDocument() {
    return WebBrowser1 ? WebBrowser1->Document() : nullptr;
}

std::wstring TBrowserFrame::AddressText() { return Trim(UrlEdit->GetText()); }

bool TBrowserFrame::BrowserHasFocus() {
    if (WebBrowser1) {
        TWinControl* control = WebBrowser1->Control();
        const HWND focus = GetFocus();
        if (focus && control->HandleAllocated() && (focus == control->Handle() || IsChild(control->Handle(), focus)))
            return true;
    }
    std::unique_ptr<TPageDocument> document = PageDocument();
    return document && document->HasFocus();
}

void TBrowserFrame::RunPageScript(bool Show) {
    const std::wstring location = Location();
    if (location.find(L"127.0.0.1") == std::wstring::npos)
        return;
    Log(Show ? L"%% SetTopicNav(true)" : L"%% SetTopicNav(false)");
    std::unique_ptr<TPageDocument> document = PageDocument();
    if (!document)
        return;
    try {
        const std::wstring localLogo = ProgramFolder() + L"\\" + ViewerLogoFile;
        const size_t query = location.find(L'?');
        if (query != std::wstring::npos && GetFileAttributesW(localLogo.c_str()) != INVALID_FILE_ATTRIBUTES) {
            const std::wstring pageLogo = location.substr(0, query + 1) + PageLogoAsset;
            Log(L"Original Img: " + pageLogo);
            const int count = document->ImageCount();
            for (int i = 0; i < count; ++i) {
                const std::wstring src = document->ImageSrc(i);
                if (!Show && SameText(src, pageLogo))
                    document->SetImageSrc(i, localLogo);
                else if (Show && PosTextW(src, ViewerLogoFile) > 0)
                    document->SetImageSrc(i, pageLogo);
            }
        }
        Log(L"%% Start RunScript");
        if (Application)
            Application->ProcessMessages();
        // The browser may have moved on while messages ran.
        document = PageDocument();
        if (document)
            document->RunScript(TopicNavScript(Show), L"javascript");
        Log(L"%% End RunScript");
    } catch (...) {
        // Script errors are the page's; the page stays as it is.
    }
}

void TBrowserFrame::ApplyPageStyling() {
    tb_NavHideShowBtn->SetDown(TopicNavShown);
    if (Location().empty())
        return;
    std::unique_ptr<TPageDocument> document = PageDocument();
    if (!document)
        return;
    try {
        bool active = false;
        if (WebBrowser1)
            if (TCustomForm* form = GetParentForm(WebBrowser1->Control()))
                active = form->ActiveControl() == WebBrowser1->Control();
        document->SetBodyBorder(L"solid", active ? L"lightblue" : L"gray", L"1px");
        if (WebDataModule && !WebDataModule->StyleText.empty())
            ApplyCodeStyle(*document, WebDataModule->StyleText);
    } catch (...) {
        // A page that refuses the decoration stays as it is.
    }
}

void TBrowserFrame::ApplyCodeStyle(TPageDocument& Document, const std::wstring& Style) {
    const int count = Document.ElementCount();
    for (int i = 0; i < count; ++i) {
        if (SameText(Document.ElementTag(i), L"BODY") || PosTextW(Document.ElementClass(i), L"code") == 0)
            continue;
        std::wstring text;
        if (!FCodeStyle.Styled(i, Document.ElementCssText(i), Style, text))
            continue;
        if (Document.SetElementCssText(i, text))
            FCodeStyle.Written(i, Document.ElementCssText(i));
    }
}

void TBrowserFrame::RefreshPage(int Mode) {
    if (Mode == 2 || Mode == 3) {
        tb_OpenOnlineClick();
        return;
    }
    if (Mode != 1)
        return;
    const bool styled = WebDataModule && !WebDataModule->StyleText.empty();
    if (!styled) {
        const std::wstring location = Location();
        if (location.empty())
            return;
        if (WebBrowser1)
            WebBrowser1->Stop();
        Navigate(location);
        PumpFor(300);
        RunPageScript(TopicNavShown);
    }
    ApplyPageStyling();
}

void TBrowserFrame::PumpFor(unsigned Ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (Application)
            Application->ProcessMessages();
        const DWORD spent = GetTickCount() - start;
        if (spent >= Ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, Ms - spent, QS_ALLINPUT);
    }
}

void TBrowserFrame::WebBrowser1Enter() {
    if (std::unique_ptr<TPageDocument> document = PageDocument())
        document->Focus();
    ApplyPageStyling();
}

void TBrowserFrame::WebBrowser1Exit() { ApplyPageStyling(); }

// ---------------------------------------------------------------------------------
// Small helpers

void TBrowserFrame::Log(const std::wstring& Line) {
    if (OnLog)
        OnLog(Line);
}

void TBrowserFrame::Message(const std::wstring& Text) {
    if (OnMessage)
        OnMessage(Text);
}

void TBrowserFrame::SetStatus(int Panel, const std::wstring& Text) {
    TCustomStatusBar* bar = BrowserStatusBar;
    if (!bar)
        return;
    if (Panel == 0 && bar->SimplePanel())
        bar->SetSimpleText(Text);
    else if (Panel < bar->Panels()->Count())
        bar->Panels()->Items(Panel)->SetText(Text);
}

TH3Code* TBrowserFrame::AgentCode() const { return Code ? Code : g_H3Code; }
