// The browser tab frame with the browser double against the stand-in agent: navigation rules
// (new tabs, outside browser, mailto, jumps, rewrites, install links), the page-head re-fetch
// that feeds the breadcrumb, page script, zoom and code styling, bars and mirroring; the
// frame's pure rules by tables; a frame whose browser cannot be made.
#include "../vcl/VclTestSupport.h"

#include "FBrowserFrame.h"
#include "FakeBrowserView.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "SysUtils.h"
#include "UAgentLink.h"
#include "UDebugLog.h"
#include "UHelpLibManager.h"
#include "UHttpRequest.h"
#include "UKeyState.h"
#include "UPathViewer.h"
#include "UShellExec.h"
#include "UWebDataModule.h"
#include "qenPathViewer.h"
#include "qenSmartTabs.h"

#include <climits>
#include <map>
#include <set>

#include <gtest/gtest.h>

#define STANDIN_DIST_DIR VORLANE_BINARY_DIR "/standin/dist"
#include "StandinAgentSuite.h"

using namespace vcltest;
using browserfakes::FakeBrowserView;
using browserfakes::FakeElement;

// ---------------------------------------------------------------------------------------
// Pure rules

TEST(BrowserFrameRules, AddressBoxSearchesOnlyWithoutAnyAddressMarker) {
    for (auto text : {L"two words", L"Dictionary", L"a\"b\" c", L""})
        EXPECT_TRUE(AddressIsSearch(text)) << text;
    for (auto text : {L"contoso.COM", L"www.example", L"HTTP:x", L"a/b", L"x.net", L"127.0.0.1", L"ftp://h"})
        EXPECT_FALSE(AddressIsSearch(text)) << text;
}

TEST(BrowserFrameRules, PageScriptTextForBothStates) {
    EXPECT_EQ(TopicNavScript(false),
              L"var divlist = document.getElementsByTagName(\"div\");for (i = 0; i < divlist.length; i++)if "
              L"(divlist[i].className.match(\"OH_leftNav\")){divlist[i].style.display=\"none\";break;}var "
              L"e=document.getElementById(\"TocResize\");if (e!=null) e.style.display=\"none\";for (i = 0; i < "
              L"divlist.length; i++)if (divlist[i].className.match(\"OH_outerContent\")){divlist[i].style."
              L"borderStyle=\"none\";break;}");
    EXPECT_EQ(TopicNavScript(true),
              L"var divlist = document.getElementsByTagName(\"div\");for (i = 0; i < divlist.length; i++)if "
              L"(divlist[i].className.match(\"OH_leftNav\")){divlist[i].style.display=\"\";break;}var "
              L"e=document.getElementById(\"TocResize\");if (e!=null) e.style.display=\"\";for (i = 0; i < "
              L"divlist.length; i++)if (divlist[i].className.match(\"OH_outerContent\")){divlist[i].style."
              L"borderStyle=\"\";break;}");
}

TEST(BrowserFrameRules, ProgressPercentIn64Bits) {
    EXPECT_EQ(ProgressPercent(30000000, 40000000, 2), 75); // x 100 overflows 32 bits
    EXPECT_EQ(ProgressPercent(LONG_MAX - 1, LONG_MAX, 1), 99);
    EXPECT_EQ(ProgressPercent(1, 3, 1), 33);
    for (auto [p, m, state] : {std::tuple{5L, 5L, 1}, {0L, 5L, 1}, {5L, 0L, 1}, {-1L, 5L, 1}, {150L, 100L, 1},
                               {1L, 2L, 3}})
        EXPECT_EQ(ProgressPercent(p, m, state), -1) << p << "/" << m << " state " << state;
}

TEST(BrowserFrameRules, HostsJumpsAndAmpersands) {
    EXPECT_EQ(UrlHost(L"http://127.0.0.1:47873/help/1/ms.help?x=1"), L"127.0.0.1:47873");
    EXPECT_EQ(UrlHost(L"file:///C:/x"), L"C:");
    EXPECT_EQ(UrlHost(L"about:blank"), L"");
    EXPECT_TRUE(IsAgentHostUrl(L"http://127.0.0.1:47873/help/ms.help?install=2"));
    EXPECT_TRUE(IsAgentHostUrl(L"http://127.0.0.1?install=2"));
    for (auto url : {L"http://127.0.0.1.evil.com/?install=2", L"http://evil.com/127.0.0.1?install=2",
                     L"http://x/?u=http://127.0.0.1/", L"ms-xhelp:///?install=2"})
        EXPECT_FALSE(IsAgentHostUrl(url)) << url;
    EXPECT_TRUE(SamePageApartFromFragment(L"http://h/a?id=1#x", L"http://h/a?id=1"));
    EXPECT_FALSE(SamePageApartFromFragment(L"http://h/a?id=2#x", L"http://h/a?id=1#x"));
    EXPECT_EQ(DoubleAmpersands(L"A & B && C &&& &"), L"A && B && C &&&& &&");
}

namespace {

TTocItem Topic(const wchar_t* Id, const wchar_t* Title, const wchar_t* Version, const wchar_t* Locale) {
    TTocItem t;
    t.Id = Id, t.Title = Title, t.TopicVersion = Version, t.TopicLocale = Locale;
    return t;
}

std::vector<std::wstring> Lines(const std::vector<TBreadcrumbMenuEntry>& Items) {
    std::vector<std::wstring> out;
    for (const auto& i : Items)
        out.push_back(i.Caption + L"|" + std::to_wstring(i.Tag) + (i.Checked ? L"|x" : L""));
    return out;
}

} // namespace

TEST(BrowserFrameRules, BreadcrumbMenuGroupsByVersionAndLocale) {
    const TTocItemArray path = {Topic(L"-1", L"Home", L"100", L"en-US"), Topic(L"lib", L"Library", L"100", L"en-US"),
                                Topic(L"io", L"System.IO", L"100", L"en-US"), Topic(L"f", L"File", L"100", L"en-US")};
    const TTocItemArray kids = {Topic(L"a", L"A & B", L"90", L"en-US"), Topic(L"io", L"System.IO", L"100", L"en-US"),
                                Topic(L"n", L"Net", L"100", L"EN-us")};
    // Two versions: the path's version first, then the rest, each group closed by a separator.
    EXPECT_EQ(Lines(BreadcrumbMenu(kids, path, 1, 0)),
              (std::vector<std::wstring>{L"System.IO [100]|1|x", L"Net [100]|2", L"-|0", L"A && B [90]|0", L"-|0"}));
    // Home's drop-down keeps the first label only: every child, no suffix.
    EXPECT_EQ(Lines(BreadcrumbMenu(kids, path, 0, 0)),
              (std::vector<std::wstring>{L"A && B|0", L"System.IO|1", L"Net|2", L"-|0"}));
    // Locales that differ go into the labels.
    const TTocItemArray mixed = {Topic(L"x", L"X", L"100", L""), Topic(L"y", L"Y", L"100", L"de-DE"),
                                 Topic(L"z", L"Z", L"100", L"en-US")};
    EXPECT_EQ(Lines(BreadcrumbMenu(mixed, path, 2, 0)),
              (std::vector<std::wstring>{L"X [100/]|0", L"-|0", L"Y [100/de-de]|1", L"-|0", L"Z [100/en-us]|2",
                                         L"-|0"}));
    // The back arrow: the checked child hands its mark to the last hidden segment shown after it.
    const TTocItemArray rooted = {Topic(L"lib", L"Library", L"100", L"en-US"), Topic(L"io", L"System & IO", L"100", L"en-US"),
                                  Topic(L"f", L"File", L"100", L"en-US")};
    const TTocItemArray top = {Topic(L"lib", L"Library", L"100", L"en-US"), Topic(L"web", L"Web", L"100", L"en-US")};
    EXPECT_EQ(Lines(BreadcrumbMenu(top, rooted, -1, 2)),
              (std::vector<std::wstring>{L"Library|0", L"     System && IO|-1", L"          File|-2|x", L"-|0", L"Web|1",
                                         L"-|0"}));
    EXPECT_TRUE(BreadcrumbMenu({}, path, 1, 0).empty());
}

// ---------------------------------------------------------------------------------------
// The frame with the browser double

namespace {

struct LogSink : TDebugLogSink {
    bool SinkShowing() override { return false; }
    bool SinkTimeStamps() override { return false; }
    void SinkAddLine(const std::wstring& Line) override { Lines.push_back(Line); }
    std::vector<std::wstring> Lines;
};

struct RecordingHlm : THlmSystem {
    bool ManagerRunning() override { return false; }
    HWND ManagerWindow() override { return nullptr; }
    void BringToFront(HWND) override {}
    bool IsUserAdmin() override { return false; }
    bool FileExists(const std::wstring&) override { return true; }
    bool Execute(SHELLEXECUTEINFOW& Info, DWORD&) override {
        Runs.push_back(std::wstring(Info.lpVerb ? Info.lpVerb : L"open") + L" " + Info.lpParameters);
        return true;
    }
    void Wait(DWORD) override {}
    void Message(const std::wstring& Text) override { Runs.push_back(L"message " + Text); }
    void Log(const std::wstring&) override {}
    std::vector<std::wstring> Runs;
};

class BrowserFrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        suite = std::make_unique<TStandinAgentSuite>();
        suite->Start(L"viewer-frame");
    }
    static void TearDownTestSuite() { suite.reset(); }

    void SetUp() override {
        if (!suite->Ready())
            GTEST_SKIP() << "the stand-in help runtime is not built";
        savedFactory = BrowserViewFactory();
        BrowserViewFactory() = [](TComponent* Owner, TWinControl* Parent) -> TBrowserView* {
            auto* view = new FakeBrowserView(Owner);
            view->SetParent(Parent);
            return view;
        };
        savedKeys = BrowserKeyState();
        BrowserKeyState() = [this](int Key) { return keys.count(Key) > 0; };
        savedShell = SetShellExecuteFunc([this](HWND, const std::wstring&, const std::wstring& File, const std::wstring&,
                                                int) {
            shell.push_back(File);
            return intptr_t{42};
        });
        paths.AppRoot = L"C:\\runtime";
        paths.HelpLibManagerPath = L"C:\\runtime\\HelpLibManager.exe";
        code.SetCatalogName(L"VS\\100\\en-US");
        ForceNewTab = TabJustCreated = false;
        ShowAddressBar = ShowBreadcrumbBar = ShowTopicNav2 = true;
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 800, 600);
        status = new TTntStatusBar(form.get());
        status->SetParent(form.get());
        status->Panels()->Add();
        status->Panels()->Add();
        BrowserStatusBar = status;
        strip = new TqenSmartTabs(form.get());
        strip->SetParent(form.get());
        g_TabStrip = strip;
        frame = MakeFrame();
        form->Show();
    }
    void TearDown() override {
        if (!form)
            return;
        g_TabStrip = nullptr;
        BrowserStatusBar = nullptr;
        form.reset();
        BrowserViewFactory() = savedFactory;
        BrowserKeyState() = savedKeys;
        SetShellExecuteFunc(savedShell);
    }
    // A tab as the main window makes one: the frame initialised, its panel placed, its callbacks.
    TBrowserFrame* MakeFrame() {
        auto* f = new TBrowserFrame(form.get());
        f->Code = &code;
        f->Toc = &toc;
        f->HlmSystem = &hlm;
        f->OnMessage = [this](const std::wstring& Text) { messages.push_back(Text); };
        f->OnLog = [this](const std::wstring& Line) { log.push_back(Line); };
        f->OnNewPage = [this](const std::wstring& Url, const std::wstring& Title) {
            newPages.push_back(Url);
            TBrowserFrame* tab = MakeFrame();
            tab->MadeForNavigation = true;
            frames.push_back(tab);
            tab->GotoUrl(Url, Title);
        };
        f->Initialise();
        f->FrameBasePanel->SetParent(form.get());
        f->FrameBasePanel->Show();
        strip->AddTabObject(L"New Tab", f);
        return f;
    }
    static FakeBrowserView* View(TBrowserFrame* f) { return static_cast<FakeBrowserView*>(f->WebBrowser1); }
    static FakeBrowserView* Hidden(TBrowserFrame* f) { return static_cast<FakeBrowserView*>(f->WebBrowser2); }
    // Runs every queued browser step of every frame.
    void Settle() {
        for (int round = 0; round < 20; ++round) {
            bool busy = false;
            for (TBrowserFrame* f : All())
                for (FakeBrowserView* v : {View(f), Hidden(f)})
                    if (v->Busy()) {
                        v->Flush();
                        busy = true;
                    }
            if (!busy)
                return;
        }
    }
    std::vector<TBrowserFrame*> All() {
        std::vector<TBrowserFrame*> all{frame};
        all.insert(all.end(), frames.begin(), frames.end());
        return all;
    }
    std::wstring AgentUrl(std::vector<std::wstring> Pairs) {
        std::wstring url;
        code.MakeAgentUrl(Pairs, url);
        return url;
    }
    std::wstring PageUrl(const std::wstring& Id) {
        return AgentUrl({L"method", L"page", L"id", Id, L"topicversion", L"100", L"topiclocale", L"en-US", L"format",
                         L"html"});
    }
    void Enter(TBrowserFrame* f, const std::wstring& Text) {
        f->UrlEdit->SetText(Text);
        wchar_t key = L'\r';
        f->UrlEditKeyPress(key);
        Settle();
    }
    std::vector<std::string> AgentRequestsSince(size_t Mark) {
        std::vector<std::string> all = suite->Agent.RequestLog();
        return std::vector<std::string>(all.begin() + static_cast<long>(std::min(Mark, all.size())), all.end());
    }
    static bool Has(const std::vector<std::string>& Lines, const std::string& Part) {
        for (const auto& l : Lines)
            if (l.find(Part) != std::string::npos)
                return true;
        return false;
    }
    std::wstring Panel(int i) { return status->Panels()->Items(i)->Text(); }

    static std::unique_ptr<TStandinAgentSuite> suite;
    TH3Paths paths{TH3RegistryPlace{nullptr}};
    TH3Code code{&paths, &suite->Env};
    TH3CodeLink link{&code};
    TTocData toc{nullptr, &link};
    RecordingHlm hlm;
    TBrowserViewFactory savedFactory;
    TKeyIsDown savedKeys;
    TShellExecuteFunc savedShell;
    std::set<int> keys;
    std::unique_ptr<TForm> form;
    TTntStatusBar* status = nullptr;
    TqenSmartTabs* strip = nullptr;
    TBrowserFrame* frame = nullptr;
    std::vector<TBrowserFrame*> frames; // tabs opened by the new-page callback
    std::vector<std::wstring> newPages, messages, log, shell;
};

std::unique_ptr<TStandinAgentSuite> BrowserFrameTest::suite;

} // namespace

TEST_F(BrowserFrameTest, PageHeadOfAnF1PageFillsPageIdSyncAndBreadcrumb) {
    Watchdog dog(60000);
    EXPECT_FALSE(frame->tb_Sync->Enabled());
    // A new tab has no history either way.
    EXPECT_FALSE(frame->tb_BackBtn->Enabled());
    EXPECT_FALSE(frame->tb_FwdBtn->Enabled());
    const size_t mark = suite->Agent.RequestLog().size();
    const std::wstring f1 = AgentUrl({L"method", L"f1", L"query", L"System.String"});
    Enter(frame, f1);
    EXPECT_EQ(View(frame)->Navigations, std::vector<std::wstring>{f1});
    EXPECT_EQ(frame->PageId, L"T:System.String");
    EXPECT_TRUE(frame->tb_Sync->Enabled());
    EXPECT_EQ(frame->NavState, 3);
    EXPECT_TRUE(Has(AgentRequestsSince(mark), "method=ancestors&id=T:System.String&topicversion=100&topiclocale=en-US"));
    TTntStringList* segments = frame->qenPathViewer1->Segments();
    ASSERT_GE(segments->Count(), 3);
    EXPECT_EQ(segments->Strings(0), L"Home");
    EXPECT_EQ(segments->Strings(segments->Count() - 1), L"String Class");
    EXPECT_EQ(frame->CaptionTitle, L"String Class (System)");
    std::wstring caption;
    strip->GetTabCaption(0, caption);
    EXPECT_EQ(caption, L"String Class (System)");
    EXPECT_EQ(Panel(0), L"Opening " + f1);

    // The drop-down of the segment above the page lists its children, the page checked; a
    // choice opens it.
    auto* menu = new TTntPopupMenu(form.get());
    std::wstring path;
    frame->qenPathViewer1Popup(path, 0, segments->Count() - 2, menu);
    TMenuItem* page = nullptr;
    for (int i = 0; i < menu->Items()->Count(); ++i)
        if (menu->Items()->Items(i)->Checked())
            page = menu->Items()->Items(i);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Caption(), L"String Class");
    frame->qenPathViewer1PopupClick(page);
    Settle();
    EXPECT_TRUE(SameText(View(frame)->Navigations.back(), PageUrl(L"T:System.String")));

    // A click on Home opens the catalog's root page.
    frame->qenPathViewer1PathClick(0);
    Settle();
    EXPECT_EQ(View(frame)->Navigations.back(), PageUrl(L"-1"));
    EXPECT_EQ(frame->PageId, L"-1");
}

TEST_F(BrowserFrameTest, AFailedForeignOrLatePageHeadLeavesPageIdEmpty) {
    Watchdog dog(60000);
    // Each navigation fetches twice: the page (the double), then its head (the frame).
    standin_test::AgentProcess faulty;
    TFixedAgentEnvironment env;
    ASSERT_TRUE(suite->StartAnother(faulty, env, {{L"STANDIN_AGENT_FAULTS", L"f1#2=error:500;f1#4=garbage;f1#6=stall:3000"}}));
    TH3Code faultyCode{&paths, &env};
    frame->Code = &faultyCode;
    THttpLimits limits = HttpLimits(), quick = limits;
    quick.StallMs = 500, quick.TotalMs = 1500;
    SetHttpLimits(quick);
    std::wstring f1;
    faultyCode.MakeAgentUrl({L"method", L"f1", L"query", L"System.String"}, f1);
    for (int i = 0; i < 3; ++i) {
        Enter(frame, f1);
        EXPECT_EQ(frame->NavState, 3) << i;
        EXPECT_EQ(frame->PageId, L"") << i;
        EXPECT_FALSE(frame->tb_Sync->Enabled());
    }
    SetHttpLimits(limits);
    // An agent reply that is no page.
    frame->Code = &code;
    Enter(frame, AgentUrl({L"method", L"children", L"id", L"-1", L"format", L"xml"}));
    EXPECT_EQ(frame->NavState, 3);
    EXPECT_EQ(frame->PageId, L"");
    EXPECT_EQ(frame->qenPathViewer1->Segments()->Count(), 0);
}

TEST_F(BrowserFrameTest, CtrlClickAndNewWindowEachMakeOneTabMailtoStays) {
    Watchdog dog(60000);
    const std::wstring a = PageUrl(L"netfx-classlib"), b = PageUrl(L"T:System.String");
    View(frame)->Page.Elements = {FakeElement{L"A", L"", L"", b}, FakeElement{L"A", L"", L"", L"mailto:a@b.example"}};
    View(frame)->ElementAt = [](int x, int) { return x; };
    frame->GotoUrl(a, L"");
    Settle();

    keys = {VK_CONTROL};
    View(frame)->Document()->ElementFromPoint(0, 0)->Click();
    Settle();
    ASSERT_EQ(newPages, std::vector<std::wstring>{b});
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(View(frames[0])->Location(), b); // the new tab let its navigation through
    EXPECT_EQ(View(frame)->Location(), a);     // the page stays
    EXPECT_FALSE(TabJustCreated);              // cleared when the new page completed

    // mailto: with Ctrl or the forced flag is never taken to a new tab, nor outside by Shift.
    ForceNewTab = true;
    View(frame)->Document()->ElementFromPoint(1, 0)->Click();
    Settle();
    keys = {VK_SHIFT};
    View(frame)->Navigate(L"mailto:c@d.example");
    Settle();
    EXPECT_EQ(newPages.size(), 1u);
    EXPECT_FALSE(ForceNewTab);
    EXPECT_TRUE(shell.empty());
    EXPECT_EQ(std::count(View(frame)->EventLog.begin(), View(frame)->EventLog.end(), L"outside mailto:a@b.example"), 1);

    // Shift alone opens a link outside (the browser last used).
    View(frame)->Document()->ElementFromPoint(0, 0)->Click();
    Settle();
    EXPECT_EQ(shell, std::vector<std::wstring>{b});

    // A page's new window comes through the hidden browser and opens one new tab.
    keys.clear();
    View(frame)->FireNewWindow(b);
    Settle();
    EXPECT_EQ(newPages.size(), 2u);
    EXPECT_EQ(Hidden(frame)->Navigations, std::vector<std::wstring>{b});
    EXPECT_EQ(View(frame)->Location(), a);
    // ... but one to the page shown (another '#') stays in this tab.
    View(frame)->FireNewWindow(a + L"#part");
    Settle();
    EXPECT_EQ(newPages.size(), 2u);
    EXPECT_EQ(View(frame)->Location(), a + L"#part");
}

TEST_F(BrowserFrameTest, JumpsRewritesTitlesAndStatusTexts) {
    Watchdog dog(60000);
    const std::wstring a = PageUrl(L"netfx-classlib");
    std::vector<std::wstring> atStart; // panel 0 as each navigation starts
    auto before = View(frame)->Events.BeforeNavigate2;
    View(frame)->Events.BeforeNavigate2 = [&, before](const std::wstring& Url, bool& Cancel) {
        before(Url, Cancel);
        atStart.push_back(Panel(0));
    };
    frame->GotoUrl(a, L"Given");
    EXPECT_EQ(frame->CaptionTitle, L"Given");
    Settle();
    EXPECT_EQ(atStart, std::vector<std::wstring>{L"Waiting for " + UrlHost(a)});
    EXPECT_EQ(frame->Title, L".NET Framework Class Library");
    frame->WebBrowser1TitleChange(L"A &amp; B\u202E (C)");
    EXPECT_EQ(frame->CaptionTitle, L"A & B (C)");

    // A jump within the page: no waiting text, no opening text, no new request of the head.
    status->Panels()->Items(0)->SetText(L"");
    const size_t mark = suite->Agent.RequestLog().size();
    View(frame)->Navigate(a + L"#section");
    Settle();
    EXPECT_EQ(Panel(0), L"");
    EXPECT_TRUE(AgentRequestsSince(mark).empty());

    EXPECT_EQ(atStart.size(), 2u);
    EXPECT_EQ(atStart.back(), L"");
    // A title that is an address leaves the caption.
    frame->WebBrowser1TitleChange(L"HTTP://127.0.0.1/x");
    EXPECT_EQ(frame->CaptionTitle, L"A & B (C)");

    // Progress: "Loading n%" while loading, both texts cleared otherwise.
    frame->NavState = 2;
    frame->WebBrowser1ProgressChange(30000000, 40000000);
    EXPECT_EQ(Panel(1), L"Loading 75%");
    frame->WebBrowser1ProgressChange(-1, 100);
    EXPECT_EQ(Panel(1), L"");

    // With the runtime's viewer able to embed and the navigation shown, agent links are
    // rewritten: cancelled once and taken again with the embedded flag.
    paths.CanEmbedHlpViewer = true;
    frame->TopicNavShown = true;
    View(frame)->Navigate(a);
    Settle();
    EXPECT_EQ(View(frame)->Location(), a + L"&embedded=false");
    EXPECT_EQ(std::count(View(frame)->EventLog.begin(), View(frame)->EventLog.end(), L"cancelled " + a), 1);
    // A rewritten link whose second start fails leaves nothing behind: the next link is
    // rewritten as well.
    const std::wstring b = PageUrl(L"T:System.String");
    View(frame)->Navigate(b);
    View(frame)->Fails = true;
    Settle();
    View(frame)->Fails = false;
    View(frame)->Navigate(b);
    Settle();
    EXPECT_EQ(View(frame)->Location(), b + L"&embedded=false");
}

TEST_F(BrowserFrameTest, ScriptZoomAndCodeStyleOnce) {
    Watchdog dog(60000);
    TWebDataModule options(nullptr);
    WebDataModule = &options;
    options.StyleText = L";font-size:90%;";
    PageZoom = 1.25f;
    View(frame)->Page.Elements = {FakeElement{L"BODY", L"code"}, FakeElement{L"PRE", L"CodeSnippet", L"color: red"},
                                  FakeElement{L"DIV", L"text", L"x"}};
    frame->TopicNavShown = false;
    frame->GotoUrl(PageUrl(L"netfx-classlib"), L"");
    Settle();
    auto* pageLog = View(frame)->Log.get();
    EXPECT_EQ(pageLog->Scripts, std::vector<std::wstring>{L"javascript: " + TopicNavScript(false)});
    EXPECT_EQ(pageLog->Zooms, std::vector<double>{1.25});
    EXPECT_EQ(pageLog->Borders.back(), L"solid gray 1px");

    // Focus changes, refreshes and zoom style the page again: the code style stays single.
    frame->WebBrowser1Enter();
    frame->WebBrowser1Exit();
    frame->RefreshPage(1);
    frame->ApplyPageStyling();
    EXPECT_EQ(View(frame)->Document()->ElementCssText(1), L"color: red;font-size:90%;");
    EXPECT_EQ(pageLog->CssWrites, std::vector<std::wstring>{L"1: color: red;font-size:90%;"});
    EXPECT_EQ(pageLog->FocusCalls, 1);
    options.StyleText = L";color:blue;";
    frame->RefreshPage(1);
    EXPECT_EQ(View(frame)->Document()->ElementCssText(1), L"color: red;color:blue;");

    // Without a user style, refresh reloads the page and runs the script again.
    options.StyleText.clear();
    const size_t scripts = pageLog->Scripts.size();
    frame->tb_NavHideShowBtnClick();
    EXPECT_TRUE(frame->TopicNavShown);
    Settle();
    frame->RefreshPage(1);
    Settle();
    EXPECT_GE(pageLog->Scripts.size(), scripts + 2);
    EXPECT_EQ(pageLog->Scripts.back(), L"javascript: " + TopicNavScript(true));
    WebDataModule = nullptr;
    PageZoom = 1.0f;
}

TEST_F(BrowserFrameTest, InstallLinksStartTheManagerOnlyFromTheAgent) {
    Watchdog dog(60000);
    code.Product.clear(), code.ProductVersion.clear(), code.Locale.clear();
    View(frame)->Fetch = [](const std::wstring&) { return std::wstring(L"<html></html>"); };
    std::wstring agentLink;
    code.GetAgentBaseUrl(agentLink);
    agentLink += L"install=2";
    View(frame)->Navigate(agentLink);
    Settle();
    EXPECT_EQ(hlm.Runs, std::vector<std::wstring>{L"runas /product vs /version 100 /locale en-us"});
    EXPECT_EQ(View(frame)->Location(), L"");

    View(frame)->Navigate(L"http://example.com/setup?install=2");
    Settle();
    EXPECT_EQ(hlm.Runs.size(), 1u);
    EXPECT_EQ(View(frame)->Location(), L"http://example.com/setup?install=2");
}

TEST_F(BrowserFrameTest, BarsAndMirroring) {
    const int toolBottom = frame->ToolBar1->Top() + frame->ToolBar1->Height();
    const int urlBottom = frame->UrlEdit->Top() + frame->UrlEdit->Height();
    const int design = frame->ToolbarPanel->Height();
    const int pathHeight = frame->qenPathViewer1->Height();
    struct Case {
        bool Address, Breadcrumb;
        int Height;
    };
    for (const Case& c : {Case{true, true, design}, Case{true, false, urlBottom + 8},
                          Case{false, true, toolBottom + pathHeight + 2}, Case{false, false, toolBottom + 4}}) {
        ShowAddressBar = c.Address, ShowBreadcrumbBar = c.Breadcrumb;
        frame->LayoutBars();
        EXPECT_EQ(frame->ToolbarPanel->Height(), c.Height) << c.Address << c.Breadcrumb;
        EXPECT_EQ(frame->UrlEdit->Visible(), c.Address);
        EXPECT_EQ(frame->BrowserGoBtn->Visible(), c.Address);
        EXPECT_EQ(frame->qenPathViewer1->Visible(), c.Breadcrumb);
    }
    frame->mnuShowAddressBarClick(); // false -> true
    EXPECT_TRUE(ShowAddressBar && frame->mnuShowAddressBar->Checked());
    EXPECT_EQ(frame->ToolbarPanel->Height(), urlBottom + 8);

    // Mirroring by the go button's Left: a Left of exactly 50 never mirrors.
    const int width = frame->ToolbarPanel->ClientWidth();
    for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
        Application->SetBiDiMode(mode);
        for (int left : {49, 50, 51}) {
            frame->BrowserGoBtn->SetLeft(left);
            frame->UrlEdit->SetLeft(300);
            frame->ApplyFrameBiDiLayout();
            const bool mirrored = frame->UrlEdit->Left() != 300;
            EXPECT_EQ(mirrored, mode == bdLeftToRight ? left < 50 : left > 50) << mode << " " << left;
            const int now = frame->BrowserGoBtn->Left();
            EXPECT_EQ(now, mirrored ? width - left - frame->BrowserGoBtn->Width() : left);
            EXPECT_EQ(frame->BrowserGoBtn->Anchors() & (akLeft | akRight), now > 50 ? akRight : akLeft);
        }
    }
    Application->SetBiDiMode(bdLeftToRight);
}

TEST_F(BrowserFrameTest, AddressBoxTextOfAnyKind) {
    Watchdog dog(60000);
    View(frame)->Fetch = [](const std::wstring&) { return std::wstring(L"<html></html>"); };
    Enter(frame, L"  two \"quoted\" words  ");
    ASSERT_EQ(View(frame)->Navigations.size(), 1u);
    EXPECT_NE(View(frame)->Navigations[0].find(L"method=search&query=two+\"quoted\"+words&format=html&PageSize=200"
                                               L"&PageNumber=1"),
              std::wstring::npos);
    EXPECT_EQ(frame->Title, L"Search Results");
    // '%', '&' and non-ASCII letters reach the agent as typed, as from the search box.
    Enter(frame, L"R&D 100% caf\u00e9 &amp;");
    ASSERT_EQ(View(frame)->Navigations.size(), 2u);
    EXPECT_NE(View(frame)->Navigations[1].find(L"&query=R%26D+100%25+caf%C3%A9+%26amp;&format=html"), std::wstring::npos)
        << View(frame)->Navigations[1];
    Enter(frame, L"contoso.com");
    EXPECT_EQ(View(frame)->Navigations.back(), L"contoso.com");
    const std::wstring huge = L"http://example.com/" + std::wstring(300000, L'"');
    Enter(frame, huge);
    EXPECT_EQ(View(frame)->Navigations.back(), huge);
    Enter(frame, L"   ");
    EXPECT_EQ(View(frame)->Navigations.size(), 4u);

    // Ctrl+Enter of a search, and the middle button on the go button, each open a new tab
    // that gets the page with its title and address; this tab keeps its page, its title and
    // caption, and its box shows its page again. With an empty box nothing opens, and the
    // next address goes into this tab.
    const auto caption = [&](int Tab) {
        std::wstring text;
        strip->GetTabCaption(Tab, text);
        return text;
    };
    frame->GotoUrl(PageUrl(L"netfx-classlib"), L"Class Library");
    Settle();
    const std::wstring shown = frame->AddressText(), title = frame->Title, tabCaption = caption(0);
    const size_t navigations = View(frame)->Navigations.size();
    keys = {VK_CONTROL};
    Enter(frame, L"widgets");
    keys.clear();
    frame->UrlEdit->SetText(PageUrl(L"T:System.String"));
    frame->BrowserGoBtnMouseUp(mbMiddle);
    Settle();
    ASSERT_EQ(newPages.size(), 2u);
    EXPECT_NE(frames[0]->AddressText().find(L"method=search&query=widgets&"), std::wstring::npos);
    EXPECT_EQ(frames[0]->Title.rfind(L"Search Results", 0), 0u) << frames[0]->Title;
    EXPECT_EQ(caption(1).rfind(L"Search Results", 0), 0u) << caption(1);
    EXPECT_EQ(frames[1]->AddressText(), PageUrl(L"T:System.String"));
    EXPECT_EQ(View(frame)->Navigations.size(), navigations);
    EXPECT_EQ(frame->AddressText(), shown);
    EXPECT_EQ(frame->Title, title);
    EXPECT_EQ(caption(0), tabCaption);
    frame->UrlEdit->SetText(L" ");
    frame->BrowserGoBtnMouseUp(mbMiddle);
    Enter(frame, L"contoso.com");
    EXPECT_EQ(newPages.size(), 2u);

    // Reading aloud without the speech object says so.
    frame->tb_ReadClick();
    EXPECT_EQ(messages, std::vector<std::wstring>{L"MS Speech API not found"});
    // A closed frame still takes its browser's events.
    frame->CloseFrame();
    View(frame)->Navigate(PageUrl(L"T:System.String"));
    Settle();
    EXPECT_EQ(frame->PageId, L"T:System.String");
}

// ---------------------------------------------------------------------------------------
// The web browser control itself

TEST(BrowserFrameHost, AFrameWhoseBrowserCannotBeMadeStillWorks) {
    Watchdog dog(60000);
    OleInitialize(nullptr);
    const TBrowserViewFactory saved = BrowserViewFactory();
    BrowserViewFactory() = [](TComponent* Owner, TWinControl* Parent) -> TBrowserView* {
        const CLSID bogus = {0x2b3c4d5e, 0x6f70, 0x4182, {0x93, 0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9, 0x0b}};
        auto* view = new TWebBrowserView(Owner, bogus);
        view->SetParent(Parent);
        return view;
    };
    LogSink sink;
    TDebugLogSink* previous = SetDebugLogSink(&sink);
    {
        TForm form(nullptr);
        form.SetBounds(0, 0, 700, 500);
        auto* f = new TBrowserFrame(&form);
        f->Initialise();
        f->FrameBasePanel->SetParent(&form);
        f->FrameBasePanel->Show();
        form.Show();
        PumpFor(50);
        ASSERT_EQ(sink.Lines.size(), 1u);
        EXPECT_NE(sink.Lines[0].find(L"{2B3C4D5E-6F70-4182-93A4-B5C6D7E8F90B}"), std::wstring::npos);
        f->UrlEdit->SetText(L"http://127.0.0.1:9/help/1/ms.help?method=page&id=x");
        f->BrowserGoBtnClick();
        f->BrowserGoBtnMouseUp(mbMiddle); // no navigation starts: no new-tab flag stays
        EXPECT_FALSE(ForceNewTab);
        for (auto click : {&TBrowserFrame::tb_BackBtnClick, &TBrowserFrame::tb_StopClick,
                           &TBrowserFrame::tb_FindBtnClick, &TBrowserFrame::tb_NavHideShowBtnClick})
            (f->*click)();
        f->RefreshPage(1);
        f->ApplyPageStyling();
        EXPECT_FALSE(f->BrowserHasFocus());
        EXPECT_FALSE(f->tb_Read->Enabled());
        EXPECT_TRUE(f->UrlEdit->Showing());
        f->CloseFrame();
    }
    SetDebugLogSink(previous);
    BrowserViewFactory() = saved;
}
