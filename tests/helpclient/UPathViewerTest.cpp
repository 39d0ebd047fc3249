// The breadcrumb model, once against the test double of its bar and once against the real
// breadcrumb bar through its adapter.
#include "HelpClientFakes.h"
#include "UPathViewer.h"
#include "UPathViewerBar.h"
#include "qenPathViewer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace hcfakes;

namespace {

const wchar_t* const AncestorsQuery = L"method=ancestors&id=button&topicversion=100&topiclocale=EN-US&format=xml";
const wchar_t* const ButtonChildrenQuery =
    L"method=children&id=button&topicversion=100&topiclocale=en-US&format=xml";
// The drop-down asks with the locale in lower case.
const wchar_t* const ButtonDropDownQuery =
    L"method=children&id=button&topicversion=100&topiclocale=en-us&format=xml";

// The model's bar as the test double records it.
struct TFakeBarKind {
    FakeBar Fake;
    TPathBar* Bar() { return &Fake; }
    std::vector<std::wstring> Segments() const { return Fake.Segments; }
    bool HasSubItems() const { return Fake.HasSubItems; }
    int Invalidates() const { return Fake.Invalidates; }
    wchar_t Separator() const { return Fake.Sep; }
    bool AllowEdit() const { return Fake.AllowEdit; }
};

// The real bar, read back from the control; the adapter counts the repaints asked for.
struct TRealBarKind {
    class TCountingAdapter : public TPathViewerBar {
    public:
        using TPathViewerBar::TPathViewerBar;
        void Invalidate() override {
            ++Invalidates;
            TPathViewerBar::Invalidate();
        }
        int Invalidates = 0;
    };
    TqenPathViewer View{nullptr};
    TCountingAdapter Adapter{&View};
    TPathBar* Bar() { return &Adapter; }
    std::vector<std::wstring> Segments() const {
        std::vector<std::wstring> s;
        for (int i = 0; i < View.Segments()->Count(); ++i)
            s.push_back(View.Segments()->Strings(i));
        return s;
    }
    bool HasSubItems() const { return View.HasSubItems(); }
    int Invalidates() const { return Adapter.Invalidates; }
    wchar_t Separator() const { return View.PathSepertor(); }
    bool AllowEdit() const { return View.AllowEdit(); }
};

template <class Kind>
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
    Kind bar;
    TPathViewer viewer{bar.Bar(), nullptr};
};

using BarKinds = ::testing::Types<TFakeBarKind, TRealBarKind>;
TYPED_TEST_SUITE(PathViewerTest, BarKinds);

} // namespace

TYPED_TEST(PathViewerTest, PathStartsAtHomeWithTidiedTitles) {
    EXPECT_EQ(this->bar.Separator(), L'|');
    EXPECT_FALSE(this->bar.AllowEdit());
    ASSERT_TRUE(this->viewer.SetTopic(L"button", L"100", L"EN-US"));
    EXPECT_EQ(this->viewer.TopicLocale, L"en-us");
    EXPECT_EQ(this->bar.Segments(), (std::vector<std::wstring>{L"Home", L"Class Library",
                                                               L"System.Windows.Forms Namespace", L"Button Class"}));
    EXPECT_EQ(this->bar.Invalidates(), 4);
    EXPECT_TRUE(this->bar.HasSubItems());
    ASSERT_EQ(this->viewer.GetPathCount(), 4);
    TTocItem home;
    ASSERT_TRUE(this->viewer.GetPathItem(0, home));
    EXPECT_EQ(home.Id, L"-1");
    EXPECT_EQ(home.TopicVersion, L"100");
    EXPECT_EQ(home.TopicLocale, L"en-US");
    EXPECT_EQ(this->agent.Requests, (std::vector<std::wstring>{AncestorsQuery, ButtonChildrenQuery}));
}

TYPED_TEST(PathViewerTest, TheSameTopicTwiceSendsNothing) {
    ASSERT_TRUE(this->viewer.SetTopic(L"button", L"100", L"EN-US"));
    const size_t sent = this->agent.Requests.size();
    EXPECT_FALSE(this->viewer.SetTopic(L"button", L"100", L"EN-US"));
    EXPECT_FALSE(this->viewer.SetTopic(L"button", L"100", L"en-us"));
    EXPECT_FALSE(this->viewer.SetTopicFromUrl(L"http://127.0.0.1/help/1/ms.help?method=page&id=button&topicversion=100"
                                              L"&topiclocale=en-US&format=html"));
    EXPECT_EQ(this->agent.Requests.size(), sent);
    EXPECT_TRUE(this->viewer.SetTopic(L"button", L"90", L"en-us"));
}

TYPED_TEST(PathViewerTest, NoAnswerGivesHomeAlone) {
    ASSERT_TRUE(this->viewer.SetTopic(L"unknown", L"100", L"en-US"));
    EXPECT_EQ(this->bar.Segments(), (std::vector<std::wstring>{L"Home"}));
    EXPECT_FALSE(this->bar.HasSubItems());
    // Not remembered: shown again (the agent may answer now), it asks again.
    const std::wstring unknownQuery = L"method=ancestors&id=unknown&topicversion=100&topiclocale=en-US&format=xml";
    this->agent.Reply(unknownQuery, TopicReply(L"ancestors", {{L"unknown", L"Found", L"100", L"en-US"}}));
    ASSERT_TRUE(this->viewer.SetTopic(L"unknown", L"100", L"en-US"));
    EXPECT_EQ(this->bar.Segments(), (std::vector<std::wstring>{L"Home", L"Found"}));
    EXPECT_EQ(std::count(this->agent.Requests.begin(), this->agent.Requests.end(), unknownQuery), 2);

    // Without a model there is no request at all.
    TypeParam lone;
    TPathViewer alone(lone.Bar(), nullptr);
    alone.Agent = &this->agent;
    this->agent.Requests.clear();
    ASSERT_TRUE(alone.SetTopic(L"x", L"", L""));
    EXPECT_EQ(lone.Segments(), (std::vector<std::wstring>{L"Home"}));
    EXPECT_TRUE(this->agent.Requests.empty());
}

TYPED_TEST(PathViewerTest, ATopicSetWhileTheAncestorsAreAskedForTakesTheWholeBar) {
    // The request for the first topic lets a second one be set (a hand-over handled meanwhile).
    const std::wstring first = L"method=ancestors&id=first&topicversion=100&topiclocale=en-US&format=xml";
    this->agent.Reply(first, TopicReply(L"ancestors", {{L"vb", L"Visual Basic 6.0 Reference", L"100", L"en-US"},
                                                       {L"first", L"First", L"100", L"en-US"}}));
    bool nested = false;
    this->agent.OnRequest = [&](const std::wstring& Query) {
        if (Query == first && !nested) {
            nested = true;
            EXPECT_TRUE(this->viewer.SetTopic(L"button", L"100", L"EN-US"));
        }
    };
    EXPECT_TRUE(this->viewer.SetTopic(L"first", L"100", L"en-US"));
    const std::vector<std::wstring> button{L"Home", L"Class Library", L"System.Windows.Forms Namespace",
                                           L"Button Class"};
    EXPECT_EQ(this->bar.Segments(), button);
    ASSERT_EQ(this->viewer.GetPathCount(), 4);
    TTocItem last;
    ASSERT_TRUE(this->viewer.GetPathItem(3, last));
    EXPECT_EQ(last.Id, L"button");
    EXPECT_EQ(this->viewer.TopicId, L"button");
    EXPECT_TRUE(this->bar.HasSubItems());
}

TYPED_TEST(PathViewerTest, TheRootTopicHasNoExtraHome) {
    const std::wstring q = L"method=ancestors&id=-1&topicversion=100&topiclocale=en-US&format=xml";
    this->agent.Reply(q, TopicReply(L"ancestors", {{L"-1", L"Library Home", L"100", L"en-US"}}));
    ASSERT_TRUE(this->viewer.SetTopic(L"-1", L"100", L"en-US"));
    EXPECT_EQ(this->bar.Segments(), (std::vector<std::wstring>{L"Library Home"}));
    ASSERT_TRUE(this->viewer.SetTopic(L"-1", L"100", L"de-DE"));
    EXPECT_EQ(this->bar.Segments(), (std::vector<std::wstring>{L"Home"}));
}

TYPED_TEST(PathViewerTest, ChildListsAreCachedAndHomeFollowsTheTree) {
    auto& viewer = this->viewer;
    auto& agent = this->agent;
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
    // A list the agent gave no answer for (cancelled, failed) is not kept: asked again.
    const std::wstring swfQuery = L"method=children&id=swf&topicversion=100&topiclocale=en-us&format=xml";
    EXPECT_EQ(viewer.FindChildList(2), -1);
    agent.Reply(swfQuery, TopicReply(L"children", {}));
    EXPECT_GE(viewer.FindChildList(2), 0);
    EXPECT_EQ(std::count(agent.Requests.begin(), agent.Requests.end(), swfQuery), 2);
    agent.Requests.erase(std::remove(agent.Requests.begin(), agent.Requests.end(), swfQuery), agent.Requests.end());

    // Home (index 0 or negative) shows the tree's top-level nodes as they are now.
    const int home = viewer.FindChildList(-1);
    EXPECT_EQ(viewer.ChildLists[home].Key, L"-1|100|en-us");
    EXPECT_EQ(viewer.FindChildList(0), home);
    ASSERT_TRUE(viewer.GetChildList(home, topics));
    EXPECT_TRUE(topics.empty());
    this->toc.AddTopicNodes(nullptr, {TTocItem{L"vs", L"Visual Studio"}, TTocItem{L"net", L"Class Library"}});
    EXPECT_EQ(viewer.FindChildList(-1), home);
    ASSERT_TRUE(viewer.GetChildList(home, topics));
    EXPECT_EQ(topics.size(), 2u);
    EXPECT_EQ(agent.Requests.size(), 1u);
}

TYPED_TEST(PathViewerTest, IndexesOutsideThePathGiveEmptyResults) {
    auto& viewer = this->viewer;
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
