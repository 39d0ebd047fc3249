// Navigation: the agent check before every request, opening a URL in the tab the modifier
// keys choose, and the runtime's tools.
#include "VMain.h"

#include "ComCtrls.h"
#include "FBrowserFrame.h"
#include "Graphics.h"
#include "ImgList.h"
#include "SysUtils.h"
#include "TntComCtrls.h"
#include "TntDialogs.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAgentCheck.h"
#include "UAgentLink.h"
#include "UAuxFile.h"
#include "UBrowsers.h"
#include "UDebugLog.h"
#include "UH3_Code.h"
#include "UHelpLibManager.h"
#include "UKeyState.h"
#include "UNavRules.h"
#include "UShellExec.h"
#include "UTocData.h"
#include "UTocTreeView.h"
#include "UUnicode.h"
#include "UViewerCommands.h"
#include "UPTShellList.h"
#include "qenSmartTabs.h"

// The viewer's help page on the maker's web site.
const wchar_t* const VorlaneOnlineHelpUrl = L"https://www.quorvex.com/vorlane/help/";

bool TVMainForm::EnsureHelpAgent() {
    return ::EnsureHelpAgent(DefaultAgentCheckSystem(this), [this] { UpdateCaption(); });
}

void TVMainForm::mmnuHelpLibraryAgentClick() { EnsureHelpAgent(); }

std::wstring TVMainForm::ActiveTabLocation() {
    TBrowserFrame* frame = ActiveFrame();
    return frame ? frame->Location() : std::wstring();
}

std::wstring TVMainForm::GetCurrentUrl() {
    TBrowserFrame* frame = ActiveFrame();
    return frame ? frame->AddressText() : std::wstring();
}

std::wstring TVMainForm::GetCurrentTitle() {
    TBrowserFrame* frame = ActiveFrame();
    return frame ? Trim(frame->Title) : std::wstring();
}

void TVMainForm::GotoUrl(const std::wstring& Url, const std::wstring& Title) {
    const std::wstring url = UrlEncodeNonAscii(Trim(Url.empty() ? GetCurrentUrl() : Url));
    // The flag is for the first navigation of the tab just made for a request; once that tab
    // has navigated, or when the active tab was not made for one (New Tab), it belongs to an
    // earlier request whose navigation never ended.
    if (TabJustCreated) {
        TBrowserFrame* active = ActiveFrame();
        if (!active || active->NavigationStarted() || !active->MadeForNavigation)
            TabJustCreated = false;
    }
    const TKeyIsDown& keys = BrowserKeyState();
    const TNavTarget target =
        NavTargetOf(ShiftAlone(keys), CtrlAlone(keys), ForceNewTab, TabJustCreated, SmartTabs->GetTabCount());
    if (target == TNavTarget::OutsideBrowser) {
        OpenWithBrowser(url, LastBrowserUsed);
        return;
    }
    if (target == TNavTarget::NewTab) {
        NewTab();
        if (TBrowserFrame* made = ActiveFrame())
            made->MadeForNavigation = true;
        TabJustCreated = true;
    }
    DebugLogEx(L">> GotoUrl: " + url, true);
    TBrowserFrame* frame = ActiveFrame();
    if (frame && EnsureHelpAgent())
        frame->GotoUrl(url, Title);
    else
        TabJustCreated = false; // nothing navigates
}

void TVMainForm::RawGotoUrl(const std::wstring& Url, bool InNewTab) {
    if (InNewTab && !ActiveTabLocation().empty())
        NewTab();
    DebugLogEx(L">> RawGotoUrl: " + Url, true);
    TBrowserFrame* frame = ActiveFrame();
    if (frame && EnsureHelpAgent())
        frame->GotoUrl(Url, std::wstring());
}

TForceNewTab::TForceNewTab() { ForceNewTab = true; }
TForceNewTab::~TForceNewTab() { ForceNewTab = false; }

void TVMainForm::mmnuHelpLibraryManagerClick() {
    const TH3Paths& paths = CurrentH3Paths();
    if (paths.HelpLibManagerPath.empty()) {
        WideShowMessage(HelpNotInstalledText);
        return;
    }
    if (!FileExistsW(paths.HelpLibManagerPath)) {
        WideShowMessage(L"MS Help Library Manager application not found: \r" + paths.HelpLibManagerPath);
        return;
    }
    // The catalog of the box ("vs\100\en-us" when it names none).
    std::wstring catalog = Trim(CatalogText());
    if (catalog.empty())
        catalog = DefaultHlmCatalog;
    THlmFields fields;
    const size_t first = catalog.find(L'\\');
    const size_t second = first == std::wstring::npos ? first : catalog.find(L'\\', first + 1);
    fields.Product = catalog.substr(0, first);
    if (first != std::wstring::npos)
        fields.Version = catalog.substr(first + 1, second == std::wstring::npos ? second : second - first - 1);
    if (second != std::wstring::npos)
        fields.Locale = catalog.substr(second + 1);
    ::RunHelpLibraryManager(true, fields, paths, Handle(), HlmProcess, HlmSystem ? *HlmSystem : DefaultHlmSystem());
}

// ---------------------------------------------------------------------------------
// Open with

namespace {

// The ten browser items in menu order.
std::vector<TTntMenuItem*> BrowserItems(TVMainForm* F) {
    return {F->mmnuDefaultBrowser, F->mnuBrowser01, F->mnuBrowser02, F->mnuBrowser03, F->mnuBrowser04,
            F->mnuBrowser05,       F->mnuBrowser06, F->mnuBrowser07, F->mnuBrowser08, F->mnuBrowser09};
}

} // namespace

void TVMainForm::BuildOpenWithMenu(int Selected) {
    ReadBrowsers();
    const std::vector<TTntMenuItem*> items = BrowserItems(this);
    const std::wstring hint = items.front()->Hint();
    size_t next = 0;
    for (int row = 0; row < BrowserCount && next < items.size(); ++row) {
        const TBrowserInfo& browser = BrowserTable[row];
        if (browser.Name.empty() && browser.ExePath.empty())
            continue;
        TTntMenuItem* item = items[next++];
        item->SetCaption(browser.Name);
        item->Tag = row;
        item->SetHint(hint);
        item->SetVisible(true);
        if (browser.Exists && MenuImageList) {
            try {
                item->SetImageIndex(MenuImageList->AddIconFromFile(browser.ExePath, 0));
            } catch (const EInvalidGraphic&) {
                // A program without an icon: the item shows none.
            }
        }
    }
    for (; next < items.size(); ++next)
        items[next]->SetVisible(false);
    for (TTntMenuItem* item : items) {
        const bool chosen = Selected != 10 && item->Visible() && item->Tag == Selected;
        item->SetChecked(chosen);
        item->SetDefault(chosen);
    }
    mnuOpenWithHlpViewerExe->SetChecked(Selected == 10);
    mnuOpenWithHlpViewerExe->SetDefault(Selected == 10);
}

void TVMainForm::mnuBrowser00Click(TTntMenuItem* Item) {
    if (!Item || !Item->Visible() || !Item->Enabled())
        return;
    for (TTntMenuItem* item : BrowserItems(this)) {
        item->SetDefault(false);
        item->SetChecked(false);
    }
    mnuOpenWithHlpViewerExe->SetDefault(false);
    mnuOpenWithHlpViewerExe->SetChecked(false);
    LastBrowserUsed = static_cast<uint8_t>(Item->Tag);
    Item->SetChecked(true);
    Item->SetDefault(true);
    OpenWithBrowser(GetCurrentUrl(), LastBrowserUsed);
}

void TVMainForm::BrowserItemByNumber(int Number) {
    const std::vector<TTntMenuItem*> items = BrowserItems(this);
    if (Number >= 0 && Number < static_cast<int>(items.size()))
        mnuBrowser00Click(items[static_cast<size_t>(Number)]);
}

void TVMainForm::mmnuOpenwith1Click() {
    const std::wstring url = GetCurrentUrl();
    if (!url.empty() && BrowserAddressAllowed(url))
        ShellOpenWith(url);
}

void TVMainForm::OpenWithBrowser(const std::wstring& Url, int Browser) {
    if (Url.empty() || !BrowserAddressAllowed(Url) || !EnsureHelpAgent())
        return;
    if (Browser != 10) {
        OpenUrlInBrowser(Url, Browser);
        return;
    }
    const TH3Paths& paths = CurrentH3Paths();
    if (!paths.HlpViewerExists)
        return;
    std::wstring url = Url;
    if (url.find(L"embedded=true") == std::wstring::npos)
        url += L"&embedded=true";
    // One argument, whatever blanks or quotes the address holds.
    ShellExecW(paths.HlpViewerPath, QuoteCommandArg(url));
}

void TVMainForm::mmnuOnlineHelpClick() { OpenUrlInBrowser(VorlaneOnlineHelpUrl, 0); }

// ---------------------------------------------------------------------------------
// Search

void TVMainForm::ButtonFindClick() {
    if (!EnsureHelpAgent() || !g_H3Code)
        return;
    std::wstring url;
    g_H3Code->MakeAgentUrl({L"method", L"search", L"query", SearchQueryValue(SearchEdit->GetText()), L"format",
                            L"html", L"PageSize", SearchPageSize, L"PageNumber", L"1"},
                           url);
    GotoUrl(url, L"Search Results");
    smnuDocumentClick();
}

// ---------------------------------------------------------------------------------
// Navigation commands

void TVMainForm::mmnuTocSyncClick() { SyncTocToUrl(GetCurrentUrl()); }

void TVMainForm::mmnuBackClick() {
    TBrowserFrame* frame = ActiveFrame();
    if (frame && frame->WebBrowser1 && frame->tb_BackBtn->Enabled())
        frame->WebBrowser1->GoBack();
}

void TVMainForm::mmnuForwardClick() {
    TBrowserFrame* frame = ActiveFrame();
    if (frame && frame->WebBrowser1 && frame->tb_FwdBtn->Enabled())
        frame->WebBrowser1->GoForward();
}

void TVMainForm::mmnuRefreshClick() {
    if (FavShellList->Focused()) {
        BookmarkPageShown();
        return;
    }
    TBrowserFrame* frame = ActiveFrame();
    if (frame && frame->WebBrowser1 && !frame->Location().empty()) {
        frame->WebBrowser1->Refresh();
        PostMessageW(Handle(), WM_VIEWER_RESTYLE, 0, 0);
    }
}

void TVMainForm::smnuDocumentClick() {
    TBrowserFrame* frame = ActiveFrame();
    std::unique_ptr<TPageDocument> document = frame ? frame->PageDocument() : nullptr;
    if (!document || frame->BrowserHasFocus())
        return;
    TWinControl* browser = frame->WebBrowser1->Control();
    if (browser->CanFocus())
        browser->SetFocus();
    document->ActivateBody();
    frame->ApplyPageStyling();
    // A Tab key puts the page's own focus on its first element.
    if (browser->HandleAllocated()) {
        SendMessageW(browser->Handle(), WM_KEYDOWN, VK_TAB, 0);
        SendMessageW(browser->Handle(), WM_KEYUP, VK_TAB, 0);
    }
}

void TVMainForm::mmnuEmbeddedTopicNavigationClick() {
    TBrowserFrame* frame = ActiveFrame();
    if (frame && frame->PageDocument())
        frame->tb_NavHideShowBtnClick();
}

void TVMainForm::mmnuNextTopicClick() {
    TTreeNode* node = TreeView1->Selected();
    if (!node)
        return;
    NavPageControl->SetActivePage(TabSheetToc);
    for (int reloads = 0;;) {
        // Children not fetched yet (a button without child nodes) are loaded on the way. The
        // expansion asks the agent and lets messages run: after a reload meanwhile the node is
        // found again by its topic in the new tree.
        if (node->HasChildren() && node->Count() == 0) {
            const TTocItem* record = TocRecordOf(node);
            const TTocItem topic = record ? *record : TTocItem();
            const unsigned generation = FTocGeneration;
            node->Expand(false);
            if (generation != FTocGeneration) {
                const int index = FindTocRecord(topic.Id, topic.TopicVersion, topic.TopicLocale);
                node = index >= 0 && !topic.Id.empty() && ++reloads < 3
                           ? TTocTreeView::NodeOf(g_TocData->mTocList[static_cast<size_t>(index)].Node)
                           : nullptr;
                if (!node)
                    break;
                continue;
            }
            TreeView1GetImageIndex(node);
            // The agent gave no answer: the children are not known, so no next topic either;
            // the node stays selected with its button.
            if (node->HasChildren() && node->Count() == 0)
                break;
        }
        node = node->GetNext();
        if (!node)
            break;
        TreeView1->SetSelected(node);
        node->MakeVisible();
        if (TreeView1->CanFocus())
            TreeView1->SetFocus();
        break;
    }
    RestyleActivePage();
}

void TVMainForm::mmnuPreviousTopicClick() {
    TTreeNode* node = TreeView1->Selected();
    if (!node)
        return;
    NavPageControl->SetActivePage(TabSheetToc);
    node = node->GetPrev();
    if (!node)
        return;
    TreeView1->SetSelected(node);
    node->MakeVisible();
    if (TreeView1->CanFocus())
        TreeView1->SetFocus();
}

void TVMainForm::NavPageControlChange() {
    TTabSheet* page = NavPageControl->ActivePage();
    TWinControl* focus = nullptr;
    if (page == TabSheetBookmarks) {
        BookmarkPageShown();
        focus = FavShellList;
    } else if (page == TabSheetToc) {
        focus = TreeView1;
    } else if (page == TabSheetIndex) {
        focus = IndexEdit;
    } else if (page == TabSheetFilters) {
        FillCatalogTree();
    }
    if (focus && focus->CanFocus())
        focus->SetFocus();
    RestyleActivePage();
}

void TVMainForm::TOCMenu_OpenInNewTabClick() {
    TForceNewTab force;
    TTabSheet* page = NavPageControl->ActivePage();
    if (page == TabSheetToc)
        OpenTocNode();
    else if (page == TabSheetIndex)
        IndexLVClick();
    else
        FavShellListClick();
}

void TVMainForm::mnuOpenInNewWindow1Click() { TOCMenu_OpenInNewTabClick(); }
