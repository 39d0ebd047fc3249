// The keyword index against the stand-in help runtime's agent and sample store: a full load
// fetched on a worker page by page, the cache it leaves, and keywords and ids with escaped
// characters resolved by the agent.
#include "UAgentLink.h"
#include "UFetchWorker.h"
#include "UH3_Code.h"
#include "UIndexCache.h"
#include "UIndexLoader.h"
#include "UKeywordTopics.h"

#include "TestHarness.h"

#include <gtest/gtest.h>

#define STANDIN_DIST_DIR VORLANE_BINARY_DIR "/standin/dist"
#include "StandinAgentSuite.h"

#include <memory>

namespace {

// Fetches each page on a worker, as the window does, and keeps the replies.
struct WorkerHooks : TWorkerIndexHooks {
    bool FetchArriving(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply,
                       const std::function<void()>& Arrived, bool& Streamed) override {
        const bool ok = TWorkerIndexHooks::FetchArriving(Agent, Url, Reply, Arrived, Streamed);
        Replies += Reply;
        return ok;
    }
    std::wstring Replies;
};

class IndexStandinTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        suite = std::make_unique<TStandinAgentSuite>();
        suite->Start(L"viewer-index");
    }
    static void TearDownTestSuite() { suite.reset(); }
    void SetUp() override {
        if (!suite->Ready()) GTEST_SKIP() << "the stand-in help runtime is not built";
        paths.SetHelpDllVersion(1, 0, 40219, 1);
        code.SetCatalogName(L"VS\\100\\en-US");
        loader.NewAgent = paths.HasNewAgent;
    }
    // Keyword requests the agent received since Mark.
    std::vector<std::string> KeywordRequests(size_t Mark) const {
        std::vector<std::string> out;
        std::vector<std::string> log = suite->Agent.RequestLog();
        for (size_t i = Mark; i < log.size(); ++i)
            if (log[i].find("method=keywords") != std::string::npos) out.push_back(log[i]);
        return out;
    }
    int RowOf(const std::wstring& Caption) {
        for (int i = 0; i < list.Count(); ++i)
            if (list.Caption(i) == Caption) return i;
        return -1;
    }

    static std::unique_ptr<TStandinAgentSuite> suite;

    TH3Paths paths{TH3RegistryPlace{nullptr}};
    TH3Code code{&paths, &suite->Env};
    TH3CodeLink link{&code};
    TKeywordList list;
    TKeywordLoader loader{list, link};
    testing_support::TempDir dir;
};

std::unique_ptr<TStandinAgentSuite> IndexStandinTest::suite;

} // namespace

TEST_F(IndexStandinTest, FullLoadPagesOnAWorkerAndCachesTheReplies) {
    const std::wstring cache = IndexCacheFileIn(dir.Path());
    const size_t mark = suite->Agent.RequestLog().size();
    WorkerHooks hooks;
    const TIndexLoadReport r = loader.LoadFull(7, cache, L"VS\\100\\en-US", hooks);
    ASSERT_EQ(r.End, TIndexLoadEnd::Complete);
    EXPECT_TRUE(loader.WaitForCache());
    EXPECT_GT(r.Total, 7);
    EXPECT_EQ(r.Parsed, r.Total);
    // Pages until a short one; a last page of exactly seven asks for one more. The next page
    // is fetched while one is read, but never one the load would not ask for.
    const int pages = r.Total % 7 == 0 ? r.Total / 7 + 1 : (r.Total + 6) / 7;
    const std::vector<std::string> requests = KeywordRequests(mark);
    ASSERT_EQ(static_cast<int>(requests.size()), pages);
    EXPECT_NE(requests.back().find("pagesize=7&pagenumber=" + std::to_string(pages)), std::string::npos);
    EXPECT_EQ(testing_support::ReadBytes(cache),
              std::string(reinterpret_cast<const char*>(hooks.Replies.data()), hooks.Replies.size() * 2));

    // The first page asked for ahead of the load is the one the load takes: the agent gets
    // the same requests, page 1 once.
    const size_t mark1 = suite->Agent.RequestLog().size();
    WorkerHooks ahead;
    loader.PrefetchFull(7, ahead);
    ASSERT_EQ(loader.LoadFull(7, cache, L"VS\\100\\en-US", ahead).End, TIndexLoadEnd::Complete);
    EXPECT_TRUE(loader.WaitForCache());
    EXPECT_EQ(KeywordRequests(mark1), requests);
    EXPECT_EQ(list.Count(), r.Count);

    // The next start reads the cache without asking the agent.
    const int count = list.Count();
    const size_t mark2 = suite->Agent.RequestLog().size();
    TIndexLoadHooks quiet;
    EXPECT_EQ(loader.LoadCached(cache, L"vs\\100\\en-us", quiet).End, TIndexLoadEnd::Complete);
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(suite->Agent.RequestLog().size(), mark2);
    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\de-DE", quiet).End, TIndexLoadEnd::NoCache);
}

// Keywords and topic ids go out in the agent's own forms: a query that starts with an
// escaped '<' sends the character itself, an inner one goes doubly escaped, a character
// reference stays one, '&', '#' and '+' not part of one are escaped. The agent finds each
// keyword's topics and the topic of each id.
TEST_F(IndexStandinTest, KeywordsAndIdsReachTheAgentInItsFormsAndFindTheirTopics) {
    TIndexLoadHooks hooks;
    ASSERT_EQ(loader.LoadPartial(L"", 50000, true, hooks).End, TIndexLoadEnd::Complete);

    const std::string oddId = "id=contoso-odd+R&amp;D+&quot;q&quot;+%231%2B2+&lt;x&gt;,+&amp;amp;+caf%C3%A9+%C5%82&";
    struct Case {
        const wchar_t* caption;
        const char* sent;
        std::string page; // the page request, when it is checked
    } cases[] = {
        {L"< operator [C#]", "query=<+operator+%5BC%23%5D&", ""},
        {L"<< operator [C#]", "query=<<+operator+%5BC%23%5D&", ""},
        {L"    < and >", "query=operators+%5BC%23%5D,%253C+and+%253E&", ""},
        {L"List<T> class", "query=List%253CT%253E+class&", ""},
        {L"Dictionary<TKey, TValue> class", "query=Dictionary%253CTKey%252C+TValue%253E+class&", ""},
        {L"R&D \"quoted\" #1+2", "query=R%26D+\"quoted\"+%231%2B2&", oddId},
        {L"    caf\u00e9 \u0142", "query=odd+%253Cnames%253E%252C+%26+more,caf&#233;+%C5%82&", oddId},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sent);
        const int row = RowOf(c.caption);
        ASSERT_GE(row, 0);
        const size_t mark = suite->Agent.RequestLog().size();
        const TIndexOpen open = OpenKeywordRow(list, row, link, loader.NewAgent);
        EXPECT_GE(open.Hits, 1);
        EXPECT_NE(open.Url.find(L"method=page"), std::wstring::npos);
        const std::vector<std::string> sent = KeywordRequests(mark);
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_NE(sent[0].find(c.sent), std::string::npos) << sent[0];
        if (!c.page.empty()) {
            const size_t pageMark = suite->Agent.RequestLog().size();
            EXPECT_NE(link.HttpGet(open.Url).find(L"<title>Odd Names Topic</title>"), std::wstring::npos);
            const std::vector<std::string> log = suite->Agent.RequestLog();
            ASSERT_EQ(log.size(), pageMark + 1);
            EXPECT_NE(log.back().find(c.page), std::string::npos) << log.back();
        }
        CollapseTopicRows(list, row);
    }
}

// A reply cut off mid-page ends the load as failed: the entries read stay, the cache from
// the last complete load stays as it was.
TEST_F(IndexStandinTest, ACutReplyEndsTheLoadAndKeepsTheCache) {
    const std::wstring cache = IndexCacheFileIn(dir.Path());
    TWorkerIndexHooks hooks;
    ASSERT_EQ(loader.LoadFull(7, cache, L"VS\\100\\en-US", hooks).End, TIndexLoadEnd::Complete);
    ASSERT_TRUE(loader.WaitForCache());
    const std::string before = testing_support::ReadBytes(cache);

    standin_test::AgentProcess faulty;
    TFixedAgentEnvironment env;
    ASSERT_TRUE(suite->StartAnother(faulty, env, {{L"STANDIN_AGENT_FAULTS", L"keywords#3-=close"}}));
    TH3Code faultyCode(&paths, &env);
    faultyCode.SetCatalogName(L"VS\\100\\en-US");
    TH3CodeLink faultyLink(&faultyCode);
    TKeywordList faultyList;
    TKeywordLoader faultyLoader(faultyList, faultyLink);
    faultyLoader.NewAgent = true;
    TWorkerIndexHooks faultyHooks;
    const TIndexLoadReport r = faultyLoader.LoadFull(7, cache, L"VS\\100\\en-US", faultyHooks);
    EXPECT_EQ(r.End, TIndexLoadEnd::Failed);
    EXPECT_EQ(r.FailedPage, 3);
    EXPECT_EQ(r.Parsed, 14);
    // The entries of the two whole pages, none of the cut one (read while it arrived).
    int entries = 0;
    for (int keywords = 0; entries < list.Count(); ++entries)
        if (list.Display(entries).empty() && ++keywords > 14) break;
    EXPECT_EQ(faultyList.Count(), entries);
    EXPECT_EQ(faultyList.Count(), r.Count);
    EXPECT_FALSE(faultyLoader.WaitForCache());
    EXPECT_EQ(testing_support::ReadBytes(cache), before);
    EXPECT_FALSE(testing_support::FileExistsW(IndexCacheTempFile(cache)));
}
