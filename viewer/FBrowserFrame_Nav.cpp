// The browser frame's navigation: the address box, the navigation core, the browsers'
// events, the page-head re-fetch for the breadcrumb, breadcrumb clicks and the Help
// Library Manager's install links.
#include "FBrowserFrame.h"

#include "ComCtrls.h"
#include "SysUtils.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAuxFile.h"
#include "UBrowsers.h"
#include "UH3_Agent.h"
#include "UH3_Code.h"
#include "UHelpLibManager.h"
#include "UHtmlEntities.h"
#include "UKeyState.h"
#include "UNavRules.h"
#include "UPathViewer.h"
#include "UShotTimer.h"
#include "qenPathViewer.h"
#include "qenSmartTabs.h"

namespace {

std::wstring WithoutFragment(const std::wstring& Url) { return Url.substr(0, Url.find(L'#')); }

std::wstring UrlParam(const std::wstring& Url, const wchar_t* Name) {
    std::wstring value;
    GetUrlParam(WithoutFragment(Url), Name, value);
    return value;
}

} // namespace

// ---------------------------------------------------------------------------------
// Address box and the navigation core

void TBrowserFrame::BrowserGoBtnClick() {
    const std::wstring text = AddressText();
    if (text.empty())
        return;
    const std::wstring shown = FShownAddress;
    const bool toNewTab = GoesToNewTab(text);
    if (AddressIsSearch(text))
        Search(text);
    else
        Navigate(text);
    // What was typed went to a new tab: this box shows this tab's page again.
    if (toNewTab)
        UrlEdit->SetText(shown);
}

void TBrowserFrame::BrowserGoBtnMouseUp(TMouseButton Button) {
    // The navigation started takes the flag; an empty address box starts none, and the flag
    // would go to the next navigation of any kind.
    if (Button != mbMiddle || AddressText().empty())
        return;
    ForceNewTab = true;
    BrowserGoBtnClick();
}

void TBrowserFrame::UrlEditKeyPress(wchar_t& Key) {
    if (Key != L'\r')
        return;
    Key = 0; // no beep
    BrowserGoBtnClick();
}

void TBrowserFrame::Search(const std::wstring& Text) {
    TH3Code* code = AgentCode();
    if (!code)
        return;
    std::wstring url;
    // The text reaches the agent as typed, as from the search box.
    code->MakeAgentUrl({L"method", L"search", L"query", SearchQueryValue(Text), L"format", L"html", L"PageSize",
                        SearchPageSize, L"PageNumber", L"1"},
                       url);
    GotoUrl(url, L"Search Results");
    if (std::unique_ptr<TPageDocument> document = PageDocument())
        document->Focus();
}

bool TBrowserFrame::GoesToNewTab(const std::wstring& Url) {
    // A rewritten URL sent again belongs to a navigation already placed.
    if (Url.empty() || Redirected || !(CtrlAlone(BrowserKeyState()) || ForceNewTab) || PosTextW(Url, L"mailto:") == 1)
        return false;
    // The flag serves the first navigation of a tab made for a request (this one, then);
    // otherwise it is left from a request whose navigation never ended.
    return !(TabJustCreated && MadeForNavigation && !FNavigationStarted);
}

bool TBrowserFrame::HandToNewTab(const std::wstring& Url, const std::wstring& ATitle) {
    if (!GoesToNewTab(Url))
        return false;
    ForceNewTab = false;
    TabJustCreated = true;
    Log(L" - Process Ctrl+Click callback");
    if (OnNewPage)
        OnNewPage(Url, ATitle);
    return true;
}

void TBrowserFrame::ShowAddress(const std::wstring& Url) {
    FShownAddress = Url;
    UrlEdit->SetText(Url);
}

void TBrowserFrame::GotoUrl(const std::wstring& Url, const std::wstring& ATitle) {
    if (HandToNewTab(Url, ATitle))
        return;
    SetTitle(ATitle);
    Navigate(Url);
    if (CaptionTitle.empty())
        CaptionTitle = ATitle;
    if (!ATitle.empty())
        Title = ATitle;
    UpdateToolbarState();
}

bool TBrowserFrame::FixUrl(std::wstring& Url) {
    TH3Code* code = AgentCode();
    if (!code)
        return false;
    const int mode = code->Paths().CanEmbedHlpViewer && TopicNavShown ? 2 : 0;
    return code->FixAgentUrl(Url, mode);
}

void TBrowserFrame::Navigate(const std::wstring& Url) {
    if (HandToNewTab(Url, L""))
        return;
    CaptionTitle.clear();
    if (Url.empty())
        return;
    // The flag of a tab made for a navigation serves that first navigation (and its
    // rewritten re-issue) only: a later one is a request of its own, and the flag is stale
    // when the first never completed (no document-complete comes for a failed or stopped
    // page, nor ever under Wine).
    if (FNavigationStarted && !Redirected)
        TabJustCreated = false;
    FNavigationStarted = true;
    std::wstring url = Url;
    if (FixUrl(url))
        Log(L"GotoUrl: Update URL: " + url);
    ShowAddress(url);
    UpdateToolbarState();
    if (WebBrowser1 && WebBrowser1->Busy()) {
        WebBrowser1->Stop();
        if (Application)
            Application->ProcessMessages();
    }
    if (!WebBrowser1 || !WebBrowser1->Navigate(url)) {
        // Nothing starts that would clear them: no flag passes to the next navigation.
        ForceNewTab = TabJustCreated = Redirected = false;
    }
    ApplyPageStyling();
}

void TBrowserFrame::SetTitle(const std::wstring& Text) {
    if (Text.empty())
        return;
    std::wstring title = Text;
    DecodeTitleText(title);
    CaptionTitle = title;
    Title = title;
    if (TqenSmartTabs* strip = g_TabStrip) {
        const int count = strip->GetTabCount();
        for (int i = 0; i < count; ++i) {
            if (strip->GetTabObject(i) != this)
                continue;
            std::wstring caption;
            strip->GetTabCaption(i, caption);
            if (caption != title)
                strip->SetTabCaption(i, title);
            break;
        }
    }
    UpdateToolbarState();
}

// ---------------------------------------------------------------------------------
// The visible browser's events

void TBrowserFrame::WebBrowser1BeforeNavigate2(const std::wstring& AUrl, bool& Cancel) {
    std::wstring url = AUrl;
    Log(L"#WebBrowser1BeforeNavigate2: " + url);
    // The manager's install links of the agent's pages; elsewhere an ordinary link.
    if (PosTextW(url, L"?install=2") > 0 && IsAgentHostUrl(url)) {
        Cancel = true;
        TabJustCreated = false;
        RunManagerFromPage();
        return;
    }
    NavState = 1;
    bool rewritten = false;
    if (!Redirected && FixUrl(url)) {
        ShowAddress(url);
        Log(L"  .. Update URL: " + url);
        rewritten = true;
    }
    std::wstring protocol;
    const size_t colon = url.find(L':');
    if (colon != std::wstring::npos) {
        protocol = url.substr(0, colon + 1);
        Log(L"protocol: " + protocol + L", URL=" + url);
    }
    const bool mailto = SameText(protocol, L"mailto:");
    const TKeyIsDown& keys = BrowserKeyState();

    if ((CtrlAlone(keys) || ForceNewTab) && !TabJustCreated && !mailto) {
        ForceNewTab = false;
        TabJustCreated = true;
        Cancel = true;
        Log(L" - Process Ctrl+Click callback");
        if (OnNewPage)
            OnNewPage(url, L"");
        return;
    }
    ForceNewTab = false;
    if (ShiftAlone(keys) && !mailto) {
        Cancel = true;
        TabJustCreated = false;
        Log(L" - Process Shift+Click callback");
        Log(L"#WebBrowser1BeforeNavigate2: Open in new window: " + url);
        OpenUrlInBrowser(url, LastBrowserUsed);
        return;
    }
    if (rewritten) {
        Redirected = true;
        Cancel = true;
        Navigate(url);
        return;
    }
    Redirected = false;

    const std::wstring host = UrlHost(url);
    PageId = SameText(UrlParam(url, L"method"), L"page") ? UrlParam(url, L"id") : std::wstring();
    Log(L"@Page ID=" + PageId);
    UpdateToolbarState();
    if (!PageId.empty() && PathModel) {
        Log(L"@Call Breadcrumb() " + url);
        PathModel->SetTopicFromUrl(WithoutFragment(url));
    }
    const std::wstring current = Location();
    FJumpOnly = !current.empty() && SamePageApartFromFragment(url, current);
    if (FJumpOnly)
        Log(L"$$> nURL_NoBM+" + WithoutFragment(url) + L" | " + WithoutFragment(current));
    else
        SetStatus(0, L"Waiting for " + host);
}

void TBrowserFrame::WebBrowser1NavigateComplete2(const std::wstring& Url) {
    NavState = 2;
    if (!FJumpOnly) {
        SetStatus(0, L"Opening " + Url);
        FCodeStyle.Clear(); // a new document
    }
    Log(L"#WebBrowser1NavigateComplete2: " + Url);
    if (PageId.empty() && Url.find(L"127.0.0.1") != std::wstring::npos) {
        // The page's own head names the topic (an F1 or search URL does not).
        std::wstring text;
        HttpGetText(WithoutFragment(Url), text);
        TH3PageHeader head;
        ReadPageHeader(text, head);
        PageId = head.Id;
        Log(L"...@Page ID=" + head.Id);
        Log(L"...@Page TopicVersion=" + head.TopicVersion);
        Log(L"...@Page TopicLocale=" + head.TopicLocale);
        if (!PageId.empty() && PathModel)
            PathModel->SetTopic(head.Id, head.TopicVersion, head.TopicLocale);
        UpdateToolbarState();
    }
    ShowAddress(Url);
}

void TBrowserFrame::WebBrowser1DocumentComplete(const std::wstring& Url) {
    NavState = 3;
    Log(L"#WebBrowser1DocumentComplete: " + Url);
    RunPageScript(TopicNavShown);
    ShowAddress(Url);
    TabJustCreated = false;
    if (!Location().empty())
        if (std::unique_ptr<TPageDocument> document = PageDocument())
            document->SetBodyZoom(PageZoom);
    ApplyPageStyling();
    UpdateToolbarState();
}

void TBrowserFrame::WebBrowser1TitleChange(const std::wstring& Text) {
    Log(L"#WebBrowser1TitleChange: (" + IntToStr(NavState) + L") " + Text);
    if (Text.empty() || SameText(Text.substr(0, 7), L"http://"))
        return;
    Log(L" - Set title: (" + Text + L")");
    SetTitle(Text);
}

void TBrowserFrame::WebBrowser1ProgressChange(long Progress, long ProgressMax) {
    const int percent = ProgressPercent(Progress, ProgressMax, NavState);
    if (percent >= 0) {
        SetStatus(1, L"Loading " + IntToStr(percent) + L"%");
    } else {
        SetStatus(0, L"");
        SetStatus(1, L"");
    }
}

void TBrowserFrame::WebBrowser1CommandStateChange(long Command, bool Enable) {
    if (Command == CSC_NAVIGATEFORWARD)
        tb_FwdBtn->SetEnabled(Enable);
    else if (Command == CSC_NAVIGATEBACK)
        tb_BackBtn->SetEnabled(Enable);
}

void TBrowserFrame::WebBrowser1NewWindow2(TBrowserView*& NewWindow, bool&) {
    Log(L"#WebBrowser1NewWindow2: " + Name());
    NewWindow = WebBrowser2;
}

void TBrowserFrame::WebBrowser1NavigateError(const std::wstring& Url, long StatusCode, bool&) {
    Log(L"#WebBrowser1NavigateError: " + IntToStr(StatusCode) + L" " + Url);
    TabJustCreated = false; // no document-complete follows
}

// The hidden browser: every page meant for a new window comes here and goes on from here.
void TBrowserFrame::WebBrowser2BeforeNavigate2(const std::wstring& Url, bool& Cancel) {
    const std::wstring current = Location();
    Log(L"#WebBrowser2BeforeNavigate2: Open in Default browser: " + Url);
    Log(L"$$> URL+" + Url + L", CurrentUrl=" + current);
    Cancel = true;
    if (!current.empty() && SamePageApartFromFragment(Url, current)) {
        Navigate(Url);
    } else if (ShiftAlone(BrowserKeyState())) {
        OpenUrlInBrowser(Url, LastBrowserUsed);
    } else {
        ForceNewTab = true;
        Navigate(Url);
    }
}

// ---------------------------------------------------------------------------------
// The Help Library Manager from a page link

void TBrowserFrame::RunManagerFromPage() {
    THlmFields fields;
    if (TH3Code* code = AgentCode()) {
        fields.Product = code->Product;
        fields.Version = code->ProductVersion;
        fields.Locale = code->Locale;
    }
    // A triple without a catalog is the default catalog.
    if (Trim(fields.Product).empty() && Trim(fields.Version).empty() && Trim(fields.Locale).empty()) {
        const std::wstring catalog = DefaultHlmCatalog;
        fields.Product = GetTokenW(catalog, 1, L'\\');
        fields.Version = GetTokenW(catalog, 2, L'\\');
        fields.Locale = GetTokenW(catalog, 3, L'\\');
    }
    const TH3Paths& paths = AgentCode() ? AgentCode()->Paths() : CurrentH3Paths();
    TKernelHandle process;
    const HWND owner = FrameBasePanel->HandleAllocated() ? GetAncestor(FrameBasePanel->Handle(), GA_ROOT) : nullptr;
    RunHelpLibraryManager(true, fields, paths, owner, process, HlmSystem ? *HlmSystem : DefaultHlmSystem());
}

// ---------------------------------------------------------------------------------
// Breadcrumb

std::wstring TBrowserFrame::TopicUrl(const TTocItem& Item) {
    std::wstring url;
    if (TH3Code* code = AgentCode())
        code->MakeAgentUrl({L"method", L"page", L"id", Item.Id, L"topicversion", Item.TopicVersion, L"topiclocale",
                            Item.TopicLocale, L"format", L"html"},
                           url);
    return url;
}

void TBrowserFrame::qenPathViewer1PathClick(int PathIdx) {
    TTocItem item;
    if (!PathModel || !PathModel->GetPathItem(PathIdx, item))
        return;
    const std::wstring url = TopicUrl(item);
    if (!url.empty())
        GotoUrl(url, L"");
}

void TBrowserFrame::qenPathViewer1Popup(std::wstring&, int Off, int Idx, TTntPopupMenu*& APopupMenu) {
    FPopupChildren.clear();
    if (!PathModel || !APopupMenu)
        return;
    THourGlass busy;
    PathModel->GetChildList(PathModel->FindChildList(Idx), FPopupChildren);
    for (const TBreadcrumbMenuEntry& entry : BreadcrumbMenu(FPopupChildren, PathModel->PathItems, Idx, Off)) {
        auto* item = new TTntMenuItem(APopupMenu);
        item->SetCaption(entry.Caption);
        item->Tag = entry.Tag;
        item->SetChecked(entry.Checked);
        APopupMenu->Items()->Add(item);
    }
}

void TBrowserFrame::qenPathViewer1PopupClick(TObject* Sender) {
    auto* item = dynamic_cast<TMenuItem*>(Sender);
    if (!item || item->IsLine() || !PathModel)
        return;
    TTocItem topic;
    if (item->Tag >= 0) {
        if (item->Tag >= static_cast<intptr_t>(FPopupChildren.size()))
            return;
        topic = FPopupChildren[static_cast<size_t>(item->Tag)];
    } else if (!PathModel->GetPathItem(static_cast<int>(-item->Tag), topic)) {
        return;
    }
    const std::wstring url = TopicUrl(topic);
    if (!url.empty())
        GotoUrl(url, L"");
}
