// The browser seam: the document facade against a scripted document, the web browser view
// against the stand-in agent (it navigates and fails under Wine, never loads), the same
// navigation rules for the test double, and the double's page sequence.
#include "../vcl/FakeDispatch.h"
#include "../vcl/VclTestSupport.h"

#include "FakeBrowserView.h"
#include "UBrowserView.h"
#include "UH3_Agent.h"

#include <exdispid.h>

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

#define STANDIN_DIST_DIR VORLANE_BINARY_DIR "/standin/dist"
#include "StandinAgentSuite.h"

using namespace vcltest;
using browserfakes::FakeBrowserView;
using browserfakes::FakeElement;

namespace {

// ---------------------------------------------------------------------------------------
// A scripted document: the members the facade must use, each recording its calls.
struct ScriptedPage {
    TComPtr<FakeDispatch> doc = FakeDispatch::Make(), window = FakeDispatch::Make(), windowDoc = FakeDispatch::Make(),
                          body = FakeDispatch::Make(), bodyStyle = FakeDispatch::Make(),
                          frameBody = FakeDispatch::Make(), frameStyle = FakeDispatch::Make(),
                          images = FakeDispatch::Make(), all = FakeDispatch::Make(), range = FakeDispatch::Make(),
                          selection = FakeDispatch::Make(), link = FakeDispatch::Make(), div = FakeDispatch::Make();
    std::vector<TComPtr<FakeDispatch>> imageItems, elements, styles;

    ScriptedPage() {
        for (auto* style : {bodyStyle.Get(), frameStyle.Get()})
            for (auto name : {L"zoom", L"borderStyle", L"borderColor", L"borderWidth"})
                style->Set(name, L"");
        body->SetObject(L"style", bodyStyle.Get());
        body->Set(L"innerHTML", L"<p>body</p>");
        body->On(L"setActive", [](auto&, VARIANT*) { return S_OK; });
        // The body reached through the page's window is the one that takes the border.
        frameBody->SetObject(L"style", frameStyle.Get());
        windowDoc->SetObject(L"body", frameBody.Get());
        window->SetObject(L"document", windowDoc.Get());
        window->On(L"execScript", [](auto&, VARIANT*) { return S_OK; });
        window->On(L"focus", [](auto&, VARIANT*) { return S_OK; });
        for (auto src : {L"http://127.0.0.1/logo.png", L"a.gif"}) {
            imageItems.push_back(FakeDispatch::Make());
            imageItems.back()->Set(L"src", src);
        }
        images->Set(L"length", static_cast<int>(imageItems.size()));
        images->On(L"item", [this](const std::vector<OwnedVariant>& a, VARIANT* r) { return Item(imageItems, a, r); });
        for (auto [tag, cls] : {std::pair{L"BODY", L""}, std::pair{L"PRE", L"codeSnippet"}}) {
            elements.push_back(FakeDispatch::Make());
            styles.push_back(FakeDispatch::Make());
            elements.back()->Set(L"tagName", tag);
            elements.back()->Set(L"className", cls);
            styles.back()->Set(L"cssText", L"color: red");
            elements.back()->SetObject(L"style", styles.back().Get());
        }
        all->Set(L"length", static_cast<int>(elements.size()));
        all->On(L"item", [this](const std::vector<OwnedVariant>& a, VARIANT* r) { return Item(elements, a, r); });
        range->Set(L"htmlText", L"<b>picked</b>");
        selection->On(L"createRange", [this](auto&, VARIANT* r) { return Object(range.Get(), r); });
        link->Set(L"tagName", L"A");
        link->Set(L"href", L"http://127.0.0.1/next");
        div->Set(L"tagName", L"DIV");
        div->Set(L"href", L"http://127.0.0.1/not-a-link");
        doc->SetObject(L"parentWindow", window.Get());
        doc->SetObject(L"body", body.Get());
        doc->SetObject(L"images", images.Get());
        doc->SetObject(L"all", all.Get());
        doc->SetObject(L"selection", selection.Get());
        doc->On(L"hasFocus", [](auto&, VARIANT* r) {
            r->vt = VT_BOOL;
            r->boolVal = VARIANT_TRUE;
            return S_OK;
        });
        doc->On(L"elementFromPoint", [this](const std::vector<OwnedVariant>& a, VARIANT* r) {
            const std::wstring x = a.at(0).Text(), y = a.at(1).Text();
            if (x == L"10" && y == L"20")
                return Object(link.Get(), r);
            if (x == L"30")
                return Object(div.Get(), r);
            r->vt = VT_NULL; // nothing there
            return S_OK;
        });
    }
    static HRESULT Object(FakeDispatch* o, VARIANT* r) {
        r->vt = VT_DISPATCH;
        r->pdispVal = o;
        o->AddRef();
        return S_OK;
    }
    static HRESULT Item(std::vector<TComPtr<FakeDispatch>>& list, const std::vector<OwnedVariant>& a, VARIANT* r) {
        size_t i = static_cast<size_t>(std::stoi(a.at(0).Text()));
        return i < list.size() ? Object(list[i].Get(), r) : DISP_E_BADINDEX;
    }
};

} // namespace

TEST(PageDocument, UsesTheDocumentModelsMembers) {
    ScriptedPage page;
    std::unique_ptr<TPageDocument> d = MakePageDocument(page.doc.Get());
    ASSERT_TRUE(d);

    EXPECT_TRUE(d->RunScript(L"var a=1;", L"javascript"));
    EXPECT_EQ(page.window->Log.back(), L"call execscript(var a=1;,javascript)");

    ASSERT_EQ(d->ImageCount(), 2);
    EXPECT_EQ(d->ImageSrc(0), L"http://127.0.0.1/logo.png");
    EXPECT_TRUE(d->SetImageSrc(1, L"viewer-logo.gif"));
    EXPECT_EQ(page.imageItems[1]->Text(L"src"), L"viewer-logo.gif");
    EXPECT_EQ(d->ImageSrc(5), L"");

    ASSERT_EQ(d->ElementCount(), 2);
    EXPECT_EQ(d->ElementTag(0), L"BODY");
    EXPECT_EQ(d->ElementClass(1), L"codeSnippet");
    EXPECT_EQ(d->ElementCssText(1), L"color: red");
    EXPECT_TRUE(d->SetElementCssText(1, L"color: red; font-size: 10pt"));
    EXPECT_EQ(page.styles[1]->Text(L"cssText"), L"color: red; font-size: 10pt");
    EXPECT_EQ(page.all->Log.front(), L"get length"); // the collection is asked for once
    EXPECT_EQ(std::count(page.doc->Log.begin(), page.doc->Log.end(), L"get all"), 1);

    EXPECT_TRUE(d->SetBodyZoom(1.25));
    EXPECT_EQ(page.bodyStyle->Text(L"zoom"), L"1.25");
    EXPECT_TRUE(d->SetBodyBorder(L"solid", L"lightblue", L"1px"));
    EXPECT_EQ(page.frameStyle->Log, (std::vector<std::wstring>{L"put borderstyle=solid", L"put bordercolor=lightblue",
                                                                L"put borderwidth=1px"}));
    EXPECT_EQ(page.bodyStyle->Text(L"borderStyle"), L"");

    EXPECT_TRUE(d->Focus());
    EXPECT_EQ(page.window->Log.back(), L"call focus()");
    EXPECT_TRUE(d->ActivateBody());
    EXPECT_EQ(page.body->Log.back(), L"call setactive()");
    EXPECT_TRUE(d->HasFocus());
    EXPECT_EQ(d->SelectionHtml(), L"<b>picked</b>");
    EXPECT_EQ(d->BodyHtml(), L"<p>body</p>");

    std::unique_ptr<TPageElement> link = d->ElementFromPoint(10, 20);
    ASSERT_TRUE(link);
    EXPECT_EQ(link->TagName(), L"A");
    EXPECT_EQ(link->Href(), L"http://127.0.0.1/next");
    std::unique_ptr<TPageElement> div = d->ElementFromPoint(30, 5);
    ASSERT_TRUE(div);
    EXPECT_EQ(div->Href(), L""); // only links, images and areas carry one
    EXPECT_FALSE(div->Click());  // the scripted div has no click
    EXPECT_EQ(d->ElementFromPoint(99, 99), nullptr);
}

TEST(PageDocument, ADocumentWithoutTheMembersAnswersNeutrally) {
    EXPECT_EQ(MakePageDocument(nullptr), nullptr);
    TComPtr<FakeDispatch> bare = FakeDispatch::Make();
    std::unique_ptr<TPageDocument> d = MakePageDocument(bare.Get());
    EXPECT_FALSE(d->RunScript(L"x", L"javascript"));
    EXPECT_EQ(d->ImageCount(), 0);
    EXPECT_EQ(d->ElementTag(3), L"");
    EXPECT_FALSE(d->SetElementCssText(0, L"a"));
    EXPECT_FALSE(d->SetBodyZoom(2.0));
    EXPECT_FALSE(d->SetBodyBorder(L"solid", L"gray", L"1px"));
    EXPECT_FALSE(d->HasFocus());
    EXPECT_EQ(d->SelectionHtml(), L"");
    EXPECT_EQ(d->ElementFromPoint(1, 1), nullptr);
}

// ---------------------------------------------------------------------------------------
// Browser views against the stand-in agent: the web browser control and the double obey
// the same navigation rules.

namespace {

enum class ViewKind { WebBrowser, Double };

class BrowserViewTest : public ::testing::TestWithParam<ViewKind> {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr); // for the rest of the run, as in the program
        suite = std::make_unique<TStandinAgentSuite>();
        suite->Start(L"viewer-browser");
    }
    static void TearDownTestSuite() { suite.reset(); }
    void SetUp() override {
        if (!suite->Ready())
            GTEST_SKIP() << "the stand-in help runtime is not built";
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 500, 400);
        Application->OnException = [this](TObject*, const std::wstring& where, const std::wstring&,
                                          const std::wstring& msg) { errors.push_back(where + L": " + msg); };
        view = Make(form.get());
        view->Control()->SetAlign(alClient);
        view->Events.BeforeNavigate2 = [this](const std::wstring& url, bool& cancel) {
            seen.push_back(L"before " + url);
            cancel = cancelAll;
        };
        view->Events.NavigateError = [this](const std::wstring& url, long, bool&) { seen.push_back(L"error " + url); };
        form->Show();
        PumpFor(20);
    }
    void TearDown() override {
        form.reset();
        Application->OnException = nullptr;
        EXPECT_TRUE(errors.empty());
    }
    TBrowserView* Make(TWinControl* parent) {
        if (GetParam() == ViewKind::Double) {
            auto* fake = new FakeBrowserView(parent);
            fake->SetParent(parent);
            return fake;
        }
        return BrowserViewFactory()(parent, parent);
    }
    std::wstring PageUrl(const std::wstring& id) const {
        return suite->Agent.Base(true) + L"product=VS&productVersion=100&locale=en-US&method=page&id=" + id +
               L"&format=html";
    }
    size_t Requests() const { return suite->Agent.RequestLog().size(); }

    static std::unique_ptr<TStandinAgentSuite> suite;
    std::unique_ptr<TForm> form;
    TBrowserView* view = nullptr;
    std::vector<std::wstring> seen, errors;
    bool cancelAll = false;
};

std::unique_ptr<TStandinAgentSuite> BrowserViewTest::suite;

} // namespace

TEST_P(BrowserViewTest, ANavigationReachesTheAgentUnlessCancelled) {
    Watchdog dog(60000);
    ASSERT_TRUE(view->Available());
    const std::wstring url = PageUrl(L"-1");
    size_t before = Requests();
    cancelAll = true;
    EXPECT_TRUE(view->Navigate(url));
    PumpUntil([&] { return !seen.empty(); }, 5000);
    PumpFor(300);
    EXPECT_EQ(seen, std::vector<std::wstring>{L"before " + url});
    EXPECT_EQ(Requests(), before); // nothing was sent

    cancelAll = false;
    seen.clear();
    EXPECT_TRUE(view->Navigate(url));
    EXPECT_TRUE(PumpUntil([&] { return Requests() > before; }, 15000));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), L"before " + url);
    const std::vector<std::string> log = suite->Agent.RequestLog();
    ASSERT_GT(log.size(), before);
    EXPECT_NE(log[before].find("method=page&id=-1"), std::string::npos);
}

TEST_P(BrowserViewTest, AFailedNavigationFiresNavigateError) {
    Watchdog dog(60000);
    const std::wstring url = L"http://127.0.0.1:9/help/1/ms.help?method=page&id=x";
    EXPECT_TRUE(view->Navigate(url));
    EXPECT_TRUE(PumpUntil([&] { return seen.size() >= 2; }, 15000));
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"before " + url, L"error " + url}));
    // Script errors silenced, and every page call answered.
    view->SetSilent(true);
    EXPECT_TRUE(view->Silent());
    view->SetSilent(false);
    EXPECT_FALSE(view->Silent());
}

INSTANTIATE_TEST_SUITE_P(Views, BrowserViewTest, ::testing::Values(ViewKind::WebBrowser, ViewKind::Double),
                         [](const auto& info) { return info.param == ViewKind::Double ? "Double" : "WebBrowser"; });

TEST(WebBrowserView, ABrowserThatCannotBeMadeLeavesAWorkingControl) {
    Watchdog dog(30000);
    OleInitialize(nullptr);
    std::vector<std::wstring> log;
    Application->OnLog = [&](const std::wstring& line) { log.push_back(line); };
    {
        TForm form(nullptr);
        const CLSID bogus = {0x2b3c4d5e, 0x6f70, 0x4182, {0x93, 0xa4, 0xb5, 0xc6, 0xd7, 0xe8, 0xf9, 0x0a}};
        auto* view = new TWebBrowserView(&form, bogus);
        view->SetParent(&form);
        view->SetAlign(alClient);
        form.Show();
        EXPECT_FALSE(view->Available());
        EXPECT_NE(view->Failure().find(L"{2B3C4D5E-6F70-4182-93A4-B5C6D7E8F90A}"), std::wstring::npos);
        ASSERT_EQ(log.size(), 1u);
        EXPECT_NE(log[0].find(view->Failure()), std::wstring::npos);
        EXPECT_TRUE(IsWindow(view->Control()->Handle()));
        EXPECT_FALSE(view->Navigate(L"http://127.0.0.1/"));
        view->Stop();
        EXPECT_EQ(view->Location(), L"");
        EXPECT_FALSE(view->SetTextSize(2));
        EXPECT_EQ(view->Document(), nullptr);
        MSG key{view->Control()->Handle(), WM_KEYDOWN, VK_TAB, 0, 0, {}};
        EXPECT_EQ(view->TranslateAccelerator(key), E_NOINTERFACE);
    }
    Application->OnLog = nullptr;
}

TEST(WebBrowserView, ANewWindowGoesToTheViewTheHandlerNames) {
    Watchdog dog(30000);
    OleInitialize(nullptr);
    TForm form(nullptr);
    auto* first = new TWebBrowserView(&form);
    auto* second = new TWebBrowserView(&form);
    first->SetParent(&form);
    second->SetParent(&form);
    form.Show();
    first->Events.NewWindow2 = [&](TBrowserView*& target, bool&) { target = second; };
    // NewWindow2(IDispatch** ppDisp, VARIANT_BOOL* Cancel), last parameter first.
    IDispatch* window = nullptr;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT args[2];
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    args[1].vt = VT_BYREF | VT_DISPATCH;
    args[1].ppdispVal = &window;
    DISPPARAMS params{args, nullptr, 2, 0};
    first->InvokeEvent(DISPID_NEWWINDOW2, TDispArgs(&params));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window, second->ApplicationObject().Get());
    window->Release();
}

// ---------------------------------------------------------------------------------------
// The double's own sequence (what the frame's tests rely on).

TEST(FakeBrowserView, APageArrivesInTheControlsOrderWithItsTitleFromTheAgent) {
    Watchdog dog(60000);
    TStandinAgentSuite suite;
    if (!suite.Start(L"viewer-fake"))
        GTEST_SKIP() << "the stand-in help runtime is not built";
    TForm form(nullptr);
    auto* view = new FakeBrowserView(&form);
    view->SetParent(&form);
    view->Page.Elements = {FakeElement{L"BODY"}, FakeElement{L"A", L"", L"", L"http://127.0.0.1:9/x"}};
    view->ElementAt = [](int x, int) { return x < 10 ? 1 : -1; };
    std::vector<std::wstring> order;
    view->Events.BeforeNavigate2 = [&](const std::wstring&, bool&) { order.push_back(L"before"); };
    view->Events.NavigateComplete2 = [&](const std::wstring&) {
        order.push_back(L"complete");
        EXPECT_TRUE(view->Document()); // the document exists from here on
    };
    view->Events.TitleChange = [&](const std::wstring& t) { order.push_back(L"title " + t); };
    view->Events.DocumentComplete = [&](const std::wstring& u) { order.push_back(L"document"); };
    form.Show();

    const std::wstring url = suite.Agent.Base(true) + L"product=VS&productVersion=100&locale=en-US&method=page&id=-1";
    std::wstring text;
    HttpGetText(url, text);
    const size_t open = text.find(L"<title>"), close = text.find(L"</title>");
    ASSERT_NE(close, std::wstring::npos);
    const std::wstring title = text.substr(open + 7, close - open - 7);

    EXPECT_FALSE(view->Document());
    view->Navigate(url);
    EXPECT_TRUE(view->Busy());
    EXPECT_TRUE(order.empty()); // nothing happens inside Navigate
    ASSERT_TRUE(PumpUntil([&] { return !view->Busy(); }, 15000));
    EXPECT_EQ(order, (std::vector<std::wstring>{L"before", L"complete", L"title " + title, L"document"}));
    EXPECT_EQ(view->Location(), url);

    // What the frame does to the page is recorded; a link under the mouse navigates.
    std::unique_ptr<TPageDocument> doc = view->Document();
    doc->SetBodyZoom(1.5);
    doc->RunScript(L"x();", L"javascript");
    doc->SetElementCssText(0, L"border: none");
    EXPECT_EQ(view->Log->Zooms, std::vector<double>{1.5});
    EXPECT_EQ(view->Log->Scripts, std::vector<std::wstring>{L"javascript: x();"});
    EXPECT_EQ(view->Log->CssWrites, std::vector<std::wstring>{L"0: border: none"});
    ASSERT_TRUE(doc->ElementFromPoint(5, 5));
    EXPECT_EQ(doc->ElementFromPoint(5, 5)->Href(), L"http://127.0.0.1:9/x");
    EXPECT_EQ(doc->ElementFromPoint(50, 5), nullptr);
    doc->ElementFromPoint(5, 5)->Click();
    EXPECT_EQ(view->Navigations.back(), L"http://127.0.0.1:9/x");
    view->Stop();
    EXPECT_FALSE(view->Busy());
}

TEST(FakeBrowserView, JumpsHistoryNewWindowsAndFailures) {
    TForm form(nullptr);
    auto* view = new FakeBrowserView(&form);
    auto* hidden = new FakeBrowserView(&form);
    std::map<std::wstring, std::wstring> pages = {{L"http://h/a", L"<title> A </title>"}, {L"http://h/b", L"<p>no title"}};
    for (auto* v : {view, hidden})
        v->Fetch = [&](const std::wstring& u) { return pages.count(u) ? pages[u] : L""; };
    view->Events.NewWindow2 = [&](TBrowserView*& target, bool&) { target = hidden; };
    bool cancelErrors = true;
    view->Events.NavigateError = [&](const std::wstring&, long, bool& cancel) { cancel = cancelErrors; };

    for (auto url : {L"http://h/a", L"http://h/b", L"http://h/b#part" /* a jump: no fetch, no new document */,
                     L"http://h/missing", L"mailto:someone@example.com"}) {
        view->Navigate(url);
        view->Flush();
    }
    EXPECT_EQ(view->Fetched, (std::vector<std::wstring>{L"http://h/a", L"http://h/b", L"http://h/missing"}));
    const std::vector<std::wstring> expected = {
        L"before http://h/a", L"complete http://h/a", L"command 1 off", L"command 2 off", L"title A",
        L"document http://h/a", L"before http://h/b", L"complete http://h/b", L"command 1 off", L"command 2 on",
        L"title http://h/b", L"document http://h/b", L"before http://h/b#part", L"complete http://h/b#part",
        L"command 1 off", L"command 2 on", L"before http://h/missing",
        L"error http://h/missing " + std::to_wstring(static_cast<long>(0x800C0008)),
        L"before mailto:someone@example.com", L"outside mailto:someone@example.com"};
    EXPECT_EQ(view->EventLog, expected);
    EXPECT_EQ(view->Location(), L"http://h/b#part");

    view->EventLog.clear();
    EXPECT_TRUE(view->GoBack());
    view->Flush();
    EXPECT_EQ(view->Location(), L"http://h/b");
    EXPECT_EQ(view->EventLog[3], L"command 2 on");
    EXPECT_EQ(view->EventLog[2], L"command 1 on");

    // A new navigation replaces one still on its way.
    view->EventLog.clear();
    view->Navigate(L"http://h/a");
    view->Navigate(L"http://h/b#part");
    view->Flush();
    EXPECT_EQ(view->EventLog.front(), L"before http://h/b#part");

    view->FireNewWindow(L"http://h/a");
    hidden->Flush();
    EXPECT_EQ(hidden->Navigations, std::vector<std::wstring>{L"http://h/a"});
    EXPECT_EQ(hidden->Location(), L"http://h/a");

    view->Fails = true;
    EXPECT_FALSE(view->Navigate(L"http://h/a"));
    EXPECT_FALSE(view->Busy());
    EXPECT_NE(view->Failure(), L"");
}
