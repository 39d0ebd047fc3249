// Opening index rows: topic hits, labels, inserted and collapsed topic rows, and the exact
// requests made to the agent.
#include "UKeywordTopics.h"

#include "IndexFakes.h"

#include <gtest/gtest.h>

using namespace indexfakes;

namespace {

const wchar_t* const kHits =
    L"<topics><topic id=\"b\" title=\"Button Class\" topicVersion=\"90\" topicLocale=\"en-US\" />"
    L"<topic id=\"b\" title=\"Button Class\" topicVersion=\"100\" topicLocale=\"en-US\" />"
    L"<topic id=\"b\" title=\"Button Class\" topicVersion=\"90\" topicLocale=\"en-US\" />"
    L"<topic id=\"\" title=\"no id\" />"
    L"<topic id=\"k\" title=\"button-Klasse\" topicVersion=\"100\" topicLocale=\"de-DE\" />"
    L"<topic id=\"a\" title=\"About buttons\" topicVersion=\"\" topicLocale=\"en-US\" /></topics>";

std::vector<std::wstring> Values(const TKeywordList& List) {
    std::vector<std::wstring> v;
    for (int i = 0; i < List.Count(); ++i) v.emplace_back(List.Value(i));
    return v;
}

} // namespace

TEST(KeywordTopics, HitsLabelsAndDisambiguators) {
    const std::vector<TSubIndexItem> hits = ParseTopicHits(kHits);
    ASSERT_EQ(hits.size(), 4u);  // the repeat and the hit without id are dropped
    EXPECT_EQ(TopicLabel(hits[0]), L"Button Class - .NET 3.5");
    EXPECT_EQ(TopicLabel(hits[2]), L"button-Klasse - .NET 4, de-DE");
    EXPECT_EQ(TopicLabel(hits[3]), L"About buttons");
    EXPECT_EQ(TopicDisambiguator(L"95"), L"Silverlight");
    EXPECT_EQ(TopicDisambiguator(L"80"), L"");
}

TEST(KeywordTopics, SeveralHitsInsertSortedRowsAndCollapse) {
    TKeywordList list;
    list.Add(L"Button class", L"");
    list.Add(L"Button class,events", L"events");
    list.Add(L"zeta", L"");
    const std::vector<TSubIndexItem> hits = ParseTopicHits(kHits);

    EXPECT_EQ(ApplyTopicHits(list, 0, hits), 4);
    EXPECT_EQ(list.Kind(0), kwExpanded);
    EXPECT_EQ(list.TopicId(0), L"b");
    EXPECT_EQ(list.TopicVersion(0), L"100");  // the first topic also comes in version 100
    EXPECT_EQ(Values(list),
              (std::vector<std::wstring>{L"Button class", L"     - About buttons", L"     - Button Class - .NET 3.5",
                                         L"     - Button Class - .NET 4", L"     - button-Klasse - .NET 4, de-DE",
                                         L"Button class,events", L"zeta"}));
    EXPECT_EQ(list.Kind(1), kwTopicRow);
    EXPECT_EQ(list.TopicId(1), L"a");

    // Under a sub-key the rows are indented further.
    EXPECT_EQ(ApplyTopicHits(list, 5, {hits[0], hits[3]}), 2);
    EXPECT_EQ(list.Value(6), L"        - About buttons");

    EXPECT_EQ(CollapseTopicRows(list, 1), 0);  // a topic row has nothing to collapse
    EXPECT_EQ(CollapseTopicRows(list, 0), 4);
    EXPECT_EQ(list.Value(1), L"Button class,events");
    EXPECT_EQ(CollapseTopicRows(list, 1), 2);
    EXPECT_EQ(list.Count(), 3);

    // One hit resolves the row without rows below it.
    EXPECT_EQ(ApplyTopicHits(list, 2, {hits[3]}), 0);
    EXPECT_EQ(list.Kind(2), kwKeyword);
    EXPECT_EQ(list.TopicId(2), L"a");
}

TEST(KeywordTopics, OpeningResolvesExpandsCollapsesAndResolvesAgain) {
    FakeAgent agent;
    const std::wstring query = L"fake:method=keywords&query=operators [C#],%253C and %253E&format=xml&pagesize=1000"
                               L"&pagenumber=1&category=topic";
    agent.Replies[query] = kHits;
    TKeywordList list;
    list.Add(L"operators [C#],&lt; and &gt;", L"&lt; and &gt;");
    list.Caption(0);  // shown, so decoded

    TIndexOpen open = OpenKeywordRow(list, 0, agent, true);
    EXPECT_EQ(agent.Requests, std::vector<std::wstring>{query});
    EXPECT_EQ(open.Hits, 4);
    EXPECT_EQ(open.Inserted, 4);
    EXPECT_EQ(open.Url, L"fake:method=page&id=b&topicVersion=100&topicLocale=en-US&format=html");

    // Open again: the first topic, without asking, and the rows collapse.
    open = OpenKeywordRow(list, 0, agent, true);
    EXPECT_EQ(agent.Requests.size(), 1u);
    EXPECT_EQ(open.Removed, 4);
    EXPECT_EQ(open.Url, L"fake:method=page&id=b&topicVersion=100&topicLocale=en-US&format=html");
    EXPECT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.HasTopic(0));

    // A third open asks again; the older agent gets no category, an empty answer the
    // agent's own result page.
    agent.Replies.clear();
    open = OpenKeywordRow(list, 0, agent, false);
    EXPECT_EQ(agent.Requests.back(), L"fake:method=keywords&query=operators [C#],%253C and %253E&format=xml"
                                     L"&pagesize=1000&pagenumber=1");
    EXPECT_EQ(open.Url, L"fake:method=keywords&query=operators [C#],%253C and %253E&format=html");
    EXPECT_EQ(list.Count(), 1);

    // Nothing while a load holds the list.
    list.Lock();
    EXPECT_TRUE(OpenKeywordRow(list, 0, agent, true).Url.empty());
    list.Unlock();
}
