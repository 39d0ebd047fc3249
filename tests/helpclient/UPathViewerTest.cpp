#include "HelpClientFakes.h"
#include "UPathViewer.h"

#include <gtest/gtest.h>

using namespace hcfakes;

namespace {

const wchar_t* const AncestorsQuery = L"method=ancestors&id=button&topicversion=100&topiclocale=EN-US&format=xml";
const wchar_t* const ButtonChildrenQuery =
    L"method=children&id=button&topicversion=100&topiclocale=en-US&format=xml";
// The drop-down asks with the locale in lower case.
const wchar_t* const ButtonDropDownQuery =
    L"method=children&id=button&topicversion=100&topiclocale=en-us&format=xml";

class PathViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        viewer.Toc = &toc;
        agent.Reply(AncestorsQuery,
                    TopicReply(L"ancestors", {{L"net", L"Class Library", L"100", L"en-US"},
                                              {L"swf", L"System.Windows.Forms Namespace", L"100", L"en-US"},
                                              {L"button", L"Button Class (System.Windows.Forms)", L"100", L"en-US"}}));
        const std::wstring children =
            TopicReply(L"children", {{L"members", L"Button Members (System.Windows.Forms)", L"100", L"en-US"}});
        agent.Reply(ButtonChildrenQuery, children);
        agent.Reply(ButtonDropDownQuery, children);
    }

    FakeAgent agent;
    FakeTree tree;
    TTocData toc{&tree, &agent};
    FakeBar bar;
    TPathViewer viewer{&bar, nullptr};
};

} // namespace

TEST_F(PathViewerTest, PathStartsAtHomeWithTidiedTitles) {
    ASSERT_TRUE(viewer.SetTopic(L"button", L"100", L"EN-US"));
    EXPECT_EQ(viewer.TopicLocale, L"en-us");
    EXPECT_EQ(bar.Segments, (std::vector<std::wstring>{L"Home", L"Class Library", L"System.Windows.Forms Namespace",
                                                       L"Button Class"}));
    EXPECT_EQ(bar.Invalidates, 4);
    EXPECT_TRUE(bar.HasSubItems);
    ASSERT_EQ(viewer.GetPathCount(), 4);
    TTocItem home;
    ASSERT_TRUE(viewer.GetPathItem(0, home));
    EXPECT_EQ(home.Id, L"-1");
    EXPECT_EQ(home.TopicVersion, L"100");
    EXPECT_EQ(home.TopicLocale, L"en-US");
    EXPECT_EQ(agent.Requests, (std::vector<std::wstring>{AncestorsQuery, ButtonChildrenQuery}));
}

TEST_F(PathViewerTest, TheSameTopicTwiceSendsNothing) {
    ASSERT_TRUE(viewer.SetTopic(L"button", L"100", L"EN-US"));
    const size_t sent = agent.Requests.size();
    EXPECT_FALSE(viewer.SetTopic(L"button", L"100", L"EN-US"));
    EXPECT_FALSE(viewer.SetTopic(L"button", L"100", L"en-us"));
    EXPECT_FALSE(viewer.SetTopicFromUrl(L"http://127.0.0.1/help/1/ms.help?method=page&id=button&topicversion=100"
                                        L"&topiclocale=en-US&format=html"));
    EXPECT_EQ(agent.Requests.size(), sent);
    EXPECT_TRUE(viewer.SetTopic(L"button", L"90", L"en-us"));
}

TEST_F(PathViewerTest, NoAnswerGivesHomeAlone) {
    ASSERT_TRUE(viewer.SetTopic(L"unknown", L"100", L"en-US"));
    EXPECT_EQ(bar.Segments, (std::vector<std::wstring>{L"Home"}));
    EXPECT_FALSE(bar.HasSubItems);

    // Without a model there is no request at all.
    FakeBar lone;
    TPathViewer alone(&lone, nullptr);
    alone.Agent = &agent;
    agent.Requests.clear();
    ASSERT_TRUE(alone.SetTopic(L"x", L"", L""));
    EXPECT_EQ(lone.Segments, (std::vector<std::wstring>{L"Home"}));
    EXPECT_TRUE(agent.Requests.empty());
}

TEST_F(PathViewerTest, TheRootTopicHasNoExtraHome) {
    const std::wstring q = L"method=ancestors&id=-1&topicversion=100&topiclocale=en-US&format=xml";
    agent.Reply(q, TopicReply(L"ancestors", {{L"-1", L"Library Home", L"100", L"en-US"}}));
    ASSERT_TRUE(viewer.SetTopic(L"-1", L"100", L"en-US"));
    EXPECT_EQ(bar.Segments, (std::vector<std::wstring>{L"Library Home"}));
    ASSERT_TRUE(viewer.SetTopic(L"-1", L"100", L"de-DE"));
    EXPECT_EQ(bar.Segments, (std::vector<std::wstring>{L"Home"}));
}

TEST_F(PathViewerTest, ChildListsAreCachedAndHomeFollowsTheTree) {
    ASSERT_TRUE(viewer.SetTopic(L"button", L"100", L"EN-US"));
    agent.Requests.clear();
    const int buttonList = viewer.FindChildList(3);
    EXPECT_EQ(viewer.ChildLists[buttonList].Key, L"button|100|en-us");
    EXPECT_EQ(viewer.FindChildList(3), buttonList);
    EXPECT_EQ(agent.Requests, (std::vector<std::wstring>{ButtonDropDownQuery})); // fetched once
    TTocItemArray topics;
    ASSERT_TRUE(viewer.GetChildList(buttonList, topics));
    ASSERT_EQ(topics.size(), 1u);
    EXPECT_EQ(topics[0].Title, L"Button Members");

    // Home (index 0 or negative) shows the tree's top-level nodes as they are now.
    const int home = viewer.FindChildList(-1);
    EXPECT_EQ(viewer.ChildLists[home].Key, L"-1|100|en-us");
    EXPECT_EQ(viewer.FindChildList(0), home);
    ASSERT_TRUE(viewer.GetChildList(home, topics));
    EXPECT_TRUE(topics.empty());
    toc.AddTopicNodes(nullptr, {TTocItem{L"vs", L"Visual Studio"}, TTocItem{L"net", L"Class Library"}});
    EXPECT_EQ(viewer.FindChildList(-1), home);
    ASSERT_TRUE(viewer.GetChildList(home, topics));
    EXPECT_EQ(topics.size(), 2u);
    EXPECT_EQ(agent.Requests.size(), 1u);
}

TEST_F(PathViewerTest, IndexesOutsideThePathGiveEmptyResults) {
    ASSERT_TRUE(viewer.SetTopic(L"button", L"100", L"EN-US"));
    TTocItem item;
    item.Id = L"stale";
    EXPECT_FALSE(viewer.GetPathItem(4, item));
    EXPECT_TRUE(item.Id.empty());
    EXPECT_FALSE(viewer.GetPathItem(-1, item));
    TTocItemArray topics{TTocItem{L"stale"}};
    EXPECT_FALSE(viewer.GetChildList(0, topics));
    EXPECT_TRUE(topics.empty());
    EXPECT_FALSE(viewer.GetChildList(-3, topics));
    EXPECT_EQ(viewer.FindChildList(4), -1);
    EXPECT_TRUE(viewer.ChildLists.empty());
}
