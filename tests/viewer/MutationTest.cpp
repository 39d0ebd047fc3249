// Mutation runs over the viewer's readers of keyword replies. Longer runs: see
// tests/harness/Mutation.h.
#include "Mutation.h"
#include "UKeywordIndex.h"
#include "UKeywordTopics.h"

#include <gtest/gtest.h>

using namespace testing_support;

TEST(Mutation, KeywordReplies) {
    TMutator<std::wstring> m(
        {L"<?xml version=\"1.0\"?><keywords totalkeywords=\"300000\" returnedkeywords=\"3\">"
         L"<keyword value=\"&lt; operator\"></keyword><keyword value=\"Button class\">"
         L"<subkey display=\"events\" keyvalue=\"Button class,events\" /><subkey display=\"a,b\" keyvalue=\"x\"/>"
         L"</keyword><keyword value=\"%3Cx%3E, y\"/></keywords>",
         L"<topics><topic id=\"b\" title=\"Button Class\" topicVersion=\"90\" topicLocale=\"en-US\" />"
         L"<topic id=\"b\" title=\"Button Class\" topicVersion=\"100\" topicLocale=\"de-DE\" /></topics>"},
        {}, MutationMaxSize(16384));
    RunMutations("keyword replies", m, MutationCount(1500), [](const std::wstring& Reply) {
        TKeywordList list;
        int parsed = 0;
        TKeywordPage page = ParseKeywordReply(Reply, list, true, parsed);
        ASSERT_EQ(page.Added, list.Count());
        ASSERT_EQ(parsed, page.Keywords);
        ParseKeywordReply(Reply, list, false, parsed);
        KeywordPageHeader(Reply);
        for (int i = 0; i < list.Count(); ++i) {
            RowQueryKey(list.Value(i), list.Display(i));
            EditTextOfValue(list.Value(i));
        }
        std::vector<TSubIndexItem> hits = ParseTopicHits(Reply);
        for (const TSubIndexItem& h : hits) {
            ASSERT_FALSE(h.Id.empty());
            TopicLabel(h);
        }
        if (list.Count() > 0) {
            ApplyTopicHits(list, 0, hits);
            CollapseTopicRows(list, 0);
            FindBestMatch(list, Reply.substr(0, 8));
        }
    });
}
