// The table-of-contents model, the breadcrumb model and the store reader against the
// stand-in help runtime: its agent on a free port and its sample store.
#include "../vcl/VclTestSupport.h"

#include "HelpClientFakes.h"
#include "TntComCtrls.h"
#include "TntForms.h"
#include "UAgentLink.h"
#include "UAppSettings.h"
#include "TntClasses.h"
#include "UH3Store.h"
#include "UH3_Code.h"
#include "UHttpRequest.h"
#include "UPathViewer.h"
#include "UTocData.h"
#include "UTocTreeView.h"
#include "UUtilsW.h"
#include "Handles.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#define STANDIN_DIST_DIR VORLANE_BINARY_DIR "/standin/dist"
#include "StandinAgentSuite.h"

#include <cstdlib>
#include <memory>

using namespace hcfakes;

namespace {

class StandinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        suite = std::make_unique<TStandinAgentSuite>();
        suite->Start(L"hc2-client");
    }
    static void TearDownTestSuite() { suite.reset(); }
    void SetUp() override {
        if (!suite->Ready()) GTEST_SKIP() << "the stand-in help runtime is not built";
        paths.SetHelpDllVersion(1, 0, 40219, 1);
        code.SetCatalogName(L"VS\\100\\en-US");
    }

    // The child node of Parent whose text is Text.
    TTocNode Child(TTocNode Parent, const std::wstring& Text) {
        for (TTocNode n = tree.GetFirstChild(Parent); n; n = tree.GetNextSibling(n))
            if (tree.GetText(n) == Text) return n;
        return nullptr;
    }

    static std::unique_ptr<TStandinAgentSuite> suite;

    TH3Paths paths{TH3RegistryPlace{nullptr}};
    TH3Code code{&paths, &suite->Env};
    TH3CodeLink link{&code};
    FakeTree tree;
    TTocData toc{&tree, &link};
};

std::unique_ptr<TStandinAgentSuite> StandinTest::suite;

} // namespace

TEST_F(StandinTest, TreeIsBuiltLevelByLevel) {
    std::vector<int> added;
    toc.ExpandNode(nullptr, added);
    EXPECT_EQ(tree.Texts(nullptr), (std::vector<std::wstring>{L"Visual Studio 2010 Help Library",
                                                               L"Contoso Widgets & Gadgets",
                                                               L"Visual Basic 6.0 Reference"}));
    TTocNode library = Child(nullptr, L"Visual Studio 2010 Help Library");
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(toc.ItemOfNode(library)->TopicVersion, L"100");
    EXPECT_EQ(toc.ItemOfNode(library)->TopicLocale, L"EN-US");

    toc.ExpandNode(library, added);
    EXPECT_NE(Child(library, L"What's New in Visual Studio 2010"), nullptr);
    TTocNode netfx = Child(library, L".NET Framework 4");
    ASSERT_NE(netfx, nullptr);
    toc.ExpandNode(netfx, added);
    TTocNode classlib = Child(netfx, L".NET Framework Class Library");
    ASSERT_NE(classlib, nullptr);
    toc.ExpandNode(classlib, added);
    TTocNode forms = Child(classlib, L"System.Windows.Forms Namespace");
    ASSERT_NE(forms, nullptr);

    // Under the package root both language instances stay, shortened by the namespace.
    toc.Mode = 0;
    toc.ExpandNode(forms, added);
    EXPECT_EQ(tree.Texts(forms), (std::vector<std::wstring>{L"Button Class", L"Button-Klasse"}));
    EXPECT_EQ(toc.ItemOfNode(tree.GetFirstChild(forms))->Id, L"T:System.Windows.Forms.Button");
}

TEST_F(StandinTest, AgentRepliesFillTheWideTreeView) {
    vcltest::Watchdog dog(30000, "table of contents from the agent");
    TTntForm form(nullptr);
    auto* tv = new TTntTreeView(&form);
    tv->SetParent(&form);
    form.Show();
    TTocTreeView view(tv);
    TTocData real(&view, &link);
    std::vector<int> added;
    real.ExpandNode(nullptr, added);
    ASSERT_EQ(tv->Items()->TopLevelCount(), 3);
    TTreeNode* library = tv->Items()->GetFirstNode();
    EXPECT_EQ(library->Text(), L"Visual Studio 2010 Help Library");
    EXPECT_EQ(SendMessageW(tv->Handle(), TVM_GETCOUNT, 0, 0), 3);

    // The main window's lazy fill: a button first, the children when it opens.
    view.SetHasChildren(TTocTreeView::RefOf(library), true);
    EXPECT_TRUE(vcltest::TreeItemShowsButton(tv->Handle(), library->ItemId()));
    tv->OnExpanding = [&](TObject*, TTreeNode* n, bool&) { real.ExpandNode(TTocTreeView::RefOf(n), added); };
    tv->OnExpanded = [&](TObject*, TTreeNode* n) { real.UpdateNodeImages(TTocTreeView::RefOf(n)); };
    library->Expand(false);
    ASSERT_GT(library->Count(), 1);
    EXPECT_TRUE(library->Expanded());
    EXPECT_EQ(library->ImageIndex(), tocImageExpanded);
    bool found = false;
    for (TTreeNode* n = library->GetFirstChild(); n; n = n->getNextSibling()) {
        found = found || n->Text() == L".NET Framework 4";
        EXPECT_EQ(real.ItemOfNode(TTocTreeView::RefOf(n))->Node, TTocTreeView::RefOf(n));
    }
    EXPECT_TRUE(found);
}

TEST_F(StandinTest, BreadcrumbPathAndItsCache) {
    FakeBar bar;
    TPathViewer viewer(&bar, nullptr);
    viewer.Toc = &toc;
    ASSERT_TRUE(viewer.SetTopicFromUrl(L"http://127.0.0.1/help/1/ms.help?method=page&id=netfx-classlib"
                                       L"&topicversion=100&topiclocale=en-US&format=html"));
    EXPECT_EQ(bar.Segments, (std::vector<std::wstring>{L"Home", L"Visual Studio 2010 Help Library", L".NET Framework 4",
                                                       L".NET Framework Class Library"}));
    EXPECT_TRUE(bar.HasSubItems);

    const size_t before = suite->Agent.RequestLog().size();
    EXPECT_FALSE(viewer.SetTopic(L"netfx-classlib", L"100", L"EN-US"));
    const int list = viewer.FindChildList(3);
    EXPECT_EQ(viewer.FindChildList(3), list);
    EXPECT_EQ(suite->Agent.RequestLog().size(), before + 1); // one drop-down fetch, nothing else
    TTocItemArray topics;
    ASSERT_TRUE(viewer.GetChildList(list, topics));
    EXPECT_EQ(topics.size(), 4u);
}

TEST_F(StandinTest, SampleStoreManifest) {
    TH3Store store;
    ASSERT_TRUE(store.LoadManifestFrom(suite->Inst.localStore));
    const int en = store.FindCatalog(L"VS\\100\\en-US");
    ASSERT_GE(en, 0);
    THelp3Catalog c;
    ASSERT_TRUE(store.GetCatalog(en, c));
    EXPECT_EQ(c.DiskKey, L"VS\\100\\EN-US");
    const int ms = store.FindVendor(L"Microsoft");
    ASSERT_GE(ms, 0);
    auto books = store.GetVendorBooks(en, ms);
    EXPECT_GE(books->Count(), 3);
    const int netfx = store.FindBook(ms, L"netfx_book");
    ASSERT_GE(netfx, 0);
    EXPECT_EQ(store.Vendors[ms].Books[netfx].CatalogIndexes.size(), 2u); // a book in two catalogs
}

// The agent's replies going wrong (closed mid-reply, an error page, a stall past the bounds):
// each expansion gets nothing and ends in time, and the next sound reply fills the level.
TEST_F(StandinTest, FaultyAgentRepliesGiveNoTopics) {
    vcltest::Watchdog dog(60000, "faulty agent replies");
    standin_test::AgentProcess faulty;
    TFixedAgentEnvironment faultyEnv;
    ASSERT_TRUE(suite->StartAnother(
        faulty, faultyEnv, {{L"STANDIN_AGENT_FAULTS", L"children#1=close;children#2=error:503;children#3=stall:4000"}}));
    TH3Code faultyCode(&paths, &faultyEnv);
    faultyCode.SetCatalogName(L"VS\\100\\en-US");
    TH3CodeLink faultyLink(&faultyCode);
    FakeTree faultyTree;
    TTocData model(&faultyTree, &faultyLink);

    THttpLimits limits = HttpLimits();
    limits.StallMs = 1000;
    limits.TotalMs = 2000;
    const THttpLimits previous = SetHttpLimits(limits);
    std::vector<int> added;
    for (int fault = 1; fault <= 3; ++fault) {
        const DWORD t0 = GetTickCount();
        model.ExpandNode(nullptr, added);
        EXPECT_TRUE(added.empty()) << "fault " << fault;
        EXPECT_LT(GetTickCount() - t0, 3000u) << "fault " << fault;
    }
    model.ExpandNode(nullptr, added);
    EXPECT_EQ(added.size(), 3u);
    SetHttpLimits(previous);
}

// The agent's port is read for every address: an agent restarted on another port answers
// the very next request.
TEST_F(StandinTest, AnAgentRestartedOnAnotherPortAnswersTheNextRequest) {
    vcltest::Watchdog dog(60000, "agent restarted");
    const std::wstring key = L"Software\\VorlaneTest\\" + testing_support::UniqueName(L"hc2port");
    const TH3RegistryPlace place{HKEY_CURRENT_USER, L"\\" + key + L"\\Help\\v1.0", L"\\" + key + L"\\Help3"};
    TH3Paths registry(place);
    registry.SetHelpDllVersion(1, 0, 40219, 1);
    // The port and the session as the program finds them; the process id of the agent started.
    struct : TAgentEnvironment {
        uint32_t AgentProcessId(const TH3Paths&) override { return Pid; }
        uint32_t Pid = 0;
    } env;
    TH3Code restarted(&registry, &env);
    restarted.SetCatalogName(L"VS\\100\\en-US");
    for (int start = 1; start <= 2; ++start) {
        standin_test::AgentProcess agent;
        TFixedAgentEnvironment fixed;
        ASSERT_TRUE(suite->StartAnother(agent, fixed, {}));
        ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, place.RuntimeKey, L"AgentPort", fixed.PortText));
        env.Pid = fixed.Pid;
        std::wstring url, reply;
        restarted.MakeAgentUrl({L"method", L"children", L"id", L"-1", L"format", L"xml"}, url);
        EXPECT_NE(url.find(L":" + fixed.PortText + L"/"), std::wstring::npos) << url;
        restarted.HttpGet(url, reply);
        EXPECT_NE(reply.find(L"<topic "), std::wstring::npos) << "start " << start;
        agent.Stop();
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
}

namespace {
constexpr const char* AgentChildVariable = "VORLANE_AGENT_OWNER_CHILD";
constexpr const char* AgentChildFileVariable = "VORLANE_AGENT_OWNER_FILE";
} // namespace

// In the child process: an agent of its own is started, its process id and folder written
// down, and the child ends the hard way, as a watchdog or a test runner's time-out ends it.
TEST(StandinAgentOwner, ChildStartsAnAgentAndIsEnded) {
    if (!std::getenv(AgentChildVariable)) GTEST_SKIP() << "runs in a child process only";
    TStandinAgentSuite suite;
    if (!suite.Start(L"hc2-owner")) TerminateProcess(GetCurrentProcess(), 2);
    testing_support::WriteBytes(standin_test::Widen(std::getenv(AgentChildFileVariable)),
                                std::to_string(suite.Agent.Pid()) + "\n" + WideToUtf8(suite.Inst.root));
    TerminateProcess(GetCurrentProcess(), 7);
}

// An agent a test started ends with the test's process, also one ended from outside: left
// running it would keep the test runner reading that process's output waiting.
TEST(StandinAgentOwner, AnAgentEndsWithTheTestProcessThatStartedIt) {
    if (std::getenv(AgentChildVariable)) GTEST_SKIP();
    if (GetFileAttributesW((standin_test::DistDir() + L"\\StandinSetup.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "the stand-in help runtime is not built";
    testing_support::TempDir dir;
    const std::wstring file = dir.File(L"agent.txt");
    SetEnvironmentVariableA(AgentChildFileVariable, WideToUtf8(file).c_str());
    const auto run = testing_support::RunChildTest("StandinAgentOwner.ChildStartsAnAgentAndIsEnded",
                                                   AgentChildVariable, 60000);
    SetEnvironmentVariableA(AgentChildFileVariable, nullptr);
    ASSERT_TRUE(run.Ended);
    ASSERT_EQ(run.ExitCode, 7u);
    const std::string text = testing_support::ReadBytes(file);
    const size_t eol = text.find('\n');
    ASSERT_NE(eol, std::string::npos) << text;
    const DWORD pid = static_cast<DWORD>(std::stoul(text.substr(0, eol)));
    standin_test::Installation inst;
    inst.root = standin_test::Widen(text.substr(eol + 1));
    TKernelHandle agent(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    const bool ended = !agent || WaitForSingleObject(agent.Get(), 10000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "agent " << pid << " still runs";
    if (!ended) TerminateProcess(agent.Get(), 1);
    standin_test::RemoveInstallation(inst);
}
