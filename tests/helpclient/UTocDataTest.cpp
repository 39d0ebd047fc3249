#include "HelpClientFakes.h"
#include "UTocData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <unordered_map>

using namespace hcfakes;

namespace {

template <class Array>
std::vector<std::wstring> Ids(const Array& Items) {
    std::vector<std::wstring> r;
    for (const auto& i : Items) r.emplace_back(i.Id);
    return r;
}

const wchar_t* const RootQuery = L"method=children&id=-1&format=xml";

class TocDataTest : public ::testing::Test {
protected:
    FakeAgent agent;
    FakeTree tree;
    TTocData toc{&tree, &agent};

    // A top-level node for a record (id, version, locale) already in the cache.
    TTocNode AddTop(const std::wstring& Id, const std::wstring& Title, const std::wstring& Version = L"100",
                    const std::wstring& Locale = L"en-US") {
        toc.AddTopicNodes(nullptr, {TTocItem{Id, Title, false, nullptr, 0, Version, Locale}});
        return toc.mTocList.back().Node;
    }
};

} // namespace

TEST(TocReaders, TopicListKeepsTitledTopicsInsideTheContainer) {
    TTocItemArray items;
    ReadTocTopicList(DataText(L"children_root.xml"), items);
    ASSERT_EQ(Ids(items), (std::vector<std::wstring>{L"vs-top", L"entities", L"old-ver", L"tail-locale"}));
    EXPECT_EQ(items[0].Title, L"Visual Studio 2010");
    EXPECT_EQ(items[0].TopicVersion, L"100");
    EXPECT_EQ(items[0].TopicLocale, L"en-US");
    // The keys are found in any case; the titles stay raw until they are shown.
    EXPECT_EQ(items[1].TopicVersion, L"100");
    EXPECT_EQ(items[1].TopicLocale, L"en-US");
    EXPECT_EQ(items[1].Title, L"Caf&amp;#233; &amp;amp; Tools &amp;lt;T&amp;gt;");
    EXPECT_EQ(items[2].TopicVersion, L"90");
    // A locale without '&' after it runs to the end of the URL.
    EXPECT_EQ(items[3].TopicLocale, L"de-DE");
    EXPECT_FALSE(items[0].IsRoot);
    EXPECT_EQ(items[0].Node, nullptr);
    EXPECT_EQ(items[0].Flags, 0);
}

TEST(TocReaders, EmptyOrMalformedRepliesGiveNothing) {
    TTocItemArray items{TTocItem{L"stale"}};
    ReadTocTopicList(L"", items);
    EXPECT_TRUE(items.empty());
    ReadTocTopicList(L"<children><topic id=\"a\"><title>A</title", items);
    EXPECT_TRUE(items.empty());
    // Cut after whole topics: the list never closed, so none of it counts.
    ReadTocTopicList(L"<ancestors><topic id=\"a\"><title>A</title></topic><topic id=\"b\"><title>B</title></topic>",
                     items);
    EXPECT_TRUE(items.empty());
    TTocReturn toc;
    ReadTocContext(L"<html>not a toc</html>", toc);
    EXPECT_FALSE(toc.HasRoot);
    EXPECT_TRUE(toc.Parents.empty() && toc.Siblings.empty() && toc.Children.empty());
}

TEST(TocReaders, MisreadRightQuoteIsRepairedInLongTitlesOnly) {
    std::wstring longTitle = L"What\u00E2\u20AC\u2122s New";
    FixTocTitle(longTitle);
    EXPECT_EQ(longTitle, L"What's New");
    std::wstring shortTitle = L"What\u00E2\u20AC\u2122s";
    FixTocTitle(shortTitle);
    EXPECT_EQ(shortTitle, L"What\u00E2\u20AC\u2122s");
    std::wstring other = L"That\u00E2\u20AC\u2122s New";
    FixTocTitle(other);
    EXPECT_EQ(other, L"That\u00E2\u20AC\u2122s New");

    TTocItemArray items;
    ReadTocTopicList(TopicReply(L"ancestors", {{L"w", L"What\u00E2\u20AC\u2122s New in 2010", L"100", L"en-US"}}), items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Title, L"What's New in 2010");
}

TEST(TocReaders, ContextListsAndTheHiddenRoot) {
    TTocReturn toc;
    ReadTocContext(DataText(L"toc_button.xml"), toc);
    EXPECT_TRUE(toc.HasRoot);
    EXPECT_EQ(Ids(toc.Parents), (std::vector<std::wstring>{L"net", L"swf"}));
    EXPECT_EQ(Ids(toc.Siblings), (std::vector<std::wstring>{L"button", L"label"}));
    EXPECT_EQ(Ids(toc.Children), (std::vector<std::wstring>{L"button-members"}));
    EXPECT_EQ(toc.Siblings[0].Title, L"Button Class (System.Windows.Forms)");
    EXPECT_EQ(toc.Parents[1].TopicVersion, L"100");

    // Many topics, a title longer than the blocks the texts are kept in and a misread quote:
    // every text reads back as the reply gave it after the context has moved.
    std::wstring reply = L"<toc><children>";
    const std::wstring longTitle(20000, L'L');
    for (int i = 0; i < 3000; ++i)
        reply += L"<topic id=\"id" + std::to_wstring(i) + L"\"><title>" +
                 (i == 1 ? longTitle : i == 2 ? L"What\u00E2\u20AC\u2122s New" : L"T" + std::to_wstring(i)) +
                 L"</title><url>x?topicversion=" + std::to_wstring(i % 2) + L"&amp;topiclocale=l</url></topic>";
    ReadTocContext(reply + L"</children></toc>", toc);
    const TTocReturn moved = std::move(toc);
    ASSERT_EQ(moved.Children.size(), 3000u);
    EXPECT_EQ(moved.Children[1].Title, longTitle);
    EXPECT_EQ(moved.Children[2].Title, L"What's New");
    for (int i : {0, 3, 2999}) {
        const TTocItem item = moved.Children[static_cast<size_t>(i)].Item();
        EXPECT_EQ(item.Id + L"|" + item.Title + L"|" + item.TopicVersion + L"|" + item.TopicLocale,
                  L"id" + std::to_wstring(i) + L"|T" + std::to_wstring(i) + L"|" + std::to_wstring(i % 2) + L"|l");
    }
}

TEST(TocReaders, PageHeadFieldsComeFromTheHeadOnly) {
    TH3PageHeader head;
    ReadPageHeader(DataText(L"page_root.xml"), head);
    EXPECT_EQ(head.Title, L"Help Library Home");
    EXPECT_EQ(head.Id, L"-1");
    EXPECT_EQ(head.TopicVersion, L"100");
    EXPECT_EQ(head.TopicLocale, L"en-US");
    EXPECT_EQ(head.Locale, L"en-us");
    EXPECT_EQ(head.SelfBranded, L"true");
    EXPECT_EQ(head.MetaTitle, L"Home (meta)");
    EXPECT_EQ(head.TocParent, L"root-parent");
    EXPECT_EQ(head.TocOrder, L"7");
    EXPECT_EQ(head.ContentType, L"Reference");
}

TEST_F(TocDataTest, RootTopicFromThePageHead) {
    agent.ReplyFile(L"method=page&id=-1&format=xml", L"page_root.xml");
    TTocItemArray topics;
    toc.GetRootTopic(topics);
    ASSERT_EQ(topics.size(), 1u);
    EXPECT_EQ(topics[0].Id, L"-1");
    EXPECT_EQ(topics[0].Title, L"Help Library Home");
    EXPECT_TRUE(topics[0].IsRoot);
    EXPECT_EQ(topics[0].TopicLocale, L"en-US");

    // Without a title element the meta title serves; without an id there is no root.
    agent.Reply(L"method=page&id=-1&format=xml",
                L"<html><head><meta name=\"Microsoft.Help.Id\" content=\"r\"/><meta name=\"title\" content=\"Meta\"/></head></html>");
    toc.GetRootTopic(topics);
    ASSERT_EQ(topics.size(), 1u);
    EXPECT_EQ(topics[0].Title, L"Meta");
    agent.Reply(L"method=page&id=-1&format=xml", L"<html><head><title>T</title></head></html>");
    toc.GetRootTopic(topics);
    EXPECT_TRUE(topics.empty());
}

TEST_F(TocDataTest, AncestorsOfAnotherVersionAreDropped) {
    const std::wstring q = L"method=ancestors&id=x&topicversion=100&topiclocale=en-US&format=xml";
    agent.Reply(q, TopicReply(L"ancestors", {{L"top", L"Top", L"100", L"en-US"}, {L"x", L"X", L"100", L"en-US"}}));
    TTocItemArray topics;
    toc.GetAncestors(L"x", L"100", L"en-US", topics);
    EXPECT_EQ(Ids(topics), (std::vector<std::wstring>{L"top", L"x"}));

    agent.Reply(q, TopicReply(L"ancestors", {{L"top", L"Top", L"100", L"en-US"}, {L"x", L"X", L"90", L"en-US"}}));
    toc.GetAncestors(L"x", L"100", L"en-US", topics);
    EXPECT_TRUE(topics.empty());

    // Without a version any answer stands; the URL form reads the three values.
    agent.Reply(L"method=ancestors&id=x&topicversion=&topiclocale=&format=xml",
                TopicReply(L"ancestors", {{L"x", L"X", L"90", L"en-US"}}));
    toc.GetAncestors(L"x", L"", L"", topics);
    EXPECT_EQ(topics.size(), 1u);
    agent.Requests.clear();
    toc.GetAncestorsFromUrl(L"http://127.0.0.1:47873/help/1/ms.help?product=VS&ID=x&topicVersion=100&topiclocale=en-US",
                            topics);
    EXPECT_EQ(agent.Requests, (std::vector<std::wstring>{q}));
}

TEST_F(TocDataTest, MergeWithoutParentSkipsDuplicates) {
    agent.ReplyFile(RootQuery, L"children_root.xml");
    std::vector<int> first, second;
    toc.LoadChildren(L"-1", first);
    EXPECT_EQ(first, (std::vector<int>{0, 1, 2, 3}));
    // The same records in another case are duplicates as well.
    agent.Reply(RootQuery, TopicReply(L"children", {{L"VS-TOP", L"Again", L"100", L"EN-us"}, {L"new", L"New", L"100", L"en-US"}}));
    toc.LoadChildren(L"-1", second);
    EXPECT_EQ(second, (std::vector<int>{4}));
    EXPECT_EQ(toc.mTocList.size(), 5u);
}

TEST_F(TocDataTest, ExpandingTheTopLevelShowsDecodedTitlesAndImages) {
    agent.ReplyFile(RootQuery, L"children_root.xml");
    std::vector<int> added;
    toc.ExpandNode(nullptr, added);
    EXPECT_EQ(added.size(), 4u);
    EXPECT_EQ(tree.Texts(nullptr), (std::vector<std::wstring>{L"Visual Studio 2010", L"Caf\u00E9 & Tools <T>",
                                                               L"Visual Studio 2008", L"Locale at the end"}));
    for (int i : added) {
        ASSERT_NE(toc.mTocList[i].Node, nullptr);
        EXPECT_EQ(tree.GetData(toc.mTocList[i].Node), i);
    }
    EXPECT_EQ(toc.mTocList[1].Title, L"Caf\u00E9 & Tools <T>");

    TTocItemArray top;
    toc.GetTopLevelTopics(top);
    EXPECT_EQ(Ids(top), (std::vector<std::wstring>{L"vs-top", L"entities", L"old-ver", L"tail-locale"}));
}

TEST_F(TocDataTest, ExpandingAMarkedNodeAddsItsChildrenOrTakesItsButtonAndRepeatsWithoutDuplicateTest) {
    TTocNode parent = AddTop(L"p", L"Parent");
    tree.SetHasChildren(parent, true);
    FakeTree::N(parent)->Expanded = true;
    agent.Reply(L"method=children&id=p&format=xml",
                TopicReply(L"children", {{L"c1", L"Child 1", L"100", L"en-US"}, {L"c2", L"Child 2", L"100", L"en-US"}}));

    std::vector<int> added;
    toc.ExpandNode(parent, added);
    EXPECT_EQ(tree.Texts(parent), (std::vector<std::wstring>{L"Child 1", L"Child 2"}));
    EXPECT_EQ(FakeTree::N(parent)->Image, tocImageExpanded);
    EXPECT_EQ(FakeTree::N(parent)->Children[0]->Image, tocImageLeaf);

    toc.ExpandNode(parent, added);
    EXPECT_EQ(tree.Texts(parent).size(), 4u);
    EXPECT_EQ(toc.mTocList.size(), 5u);

    // Marked, and no answer (cancelled, failed) or one cut short: nothing is known of its
    // children, it keeps its button. The agent's whole answer without a child: the button
    // goes, the page image comes.
    TTocNode leaf = AddTop(L"leaf", L"Leaf");
    tree.SetHasChildren(leaf, true);
    toc.UpdateNodeImages(leaf);
    EXPECT_EQ(FakeTree::N(leaf)->Image, tocImageParent);
    for (const wchar_t* lost : {L"", L"<children><topic id=\"x\"><title>X</title></topic>"}) {
        agent.Reply(L"method=children&id=leaf&format=xml", lost);
        EXPECT_FALSE(toc.ExpandNode(leaf, added)) << lost;
        EXPECT_TRUE(tree.HasChildren(leaf)) << lost;
        EXPECT_EQ(FakeTree::N(leaf)->Image, tocImageParent) << lost;
    }
    agent.Reply(L"method=children&id=leaf&format=xml", L"<children>\r\n</children>\r\n");
    EXPECT_TRUE(toc.ExpandNode(leaf, added));
    EXPECT_TRUE(added.empty());
    EXPECT_FALSE(tree.HasChildren(leaf));
    EXPECT_EQ(FakeTree::N(leaf)->Image, tocImageLeaf);
}

TEST_F(TocDataTest, MergeModesUnderAParent) {
    TTocNode parent = AddTop(L"p", L"Parent");
    const std::wstring q = L"method=children&id=p&format=xml";
    agent.Reply(q, TopicReply(L"children", {{L"same", L"Same", L"100", L"EN-US"},
                                            {L"old", L"Old", L"90", L"en-US"},
                                            {L"de", L"German", L"100", L"de-DE"}}));
    std::vector<int> added;
    auto titles = [&] {
        std::vector<std::wstring> r;
        for (int i : added) r.push_back(toc.mTocList[i].Id);
        return r;
    };

    toc.Mode = 0; // only the parent's version and locale (compared ignoring case)
    toc.ExpandNode(parent, added);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"same"}));

    toc.Mode = 2; // everything
    toc.ExpandNode(parent, added);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"same", L"old", L"de"}));

    // Mode 1: a differing child is dropped only when the parent is already shown in the
    // child's version and locale.
    toc.Mode = 1;
    AddTop(L"p", L"Parent (90)", L"90", L"en-US");
    toc.ExpandNode(parent, added);
    EXPECT_EQ(titles(), (std::vector<std::wstring>{L"same", L"de"}));
}

TEST_F(TocDataTest, PackageRootKeepsChildrenOfOtherVersions) {
    TTocNode root = AddTop(L"PackageThisRootID", L"Package");
    toc.AddTopicNodes(root, {TTocItem{L"book", L"Book", false, nullptr, 0, L"100", L"en-US"}});
    TTocNode book = toc.mTocList.back().Node;
    agent.Reply(L"method=children&id=book&format=xml",
                TopicReply(L"children", {{L"old", L"Old", L"90", L"en-US"}, {L"fr", L"French", L"100", L"fr-FR"}}));
    toc.Mode = 0;
    std::vector<int> added;
    toc.ExpandNode(book, added);
    EXPECT_EQ(added.size(), 2u);
}

TEST_F(TocDataTest, NodeOutsideTheCacheIsNotExpanded) {
    TTocNode stray = tree.AddChild(nullptr, L"Stray", 42);
    std::vector<int> added{7};
    toc.ExpandNode(stray, added);
    EXPECT_TRUE(added.empty());
    EXPECT_TRUE(agent.Requests.empty());
}

TEST_F(TocDataTest, NodeTitlesAreShortenedAgainstTheirAncestors) {
    TTocNode ns = AddTop(L"swf", L"System.Windows.Forms Namespace");
    toc.AddTopicNodes(ns, {TTocItem{L"b", L"  Button Class (System.Windows.Forms) ", false, nullptr, 0, L"100", L"en-US"},
                           TTocItem{L"x", L"Timer Class (System.Timers)", false, nullptr, 0, L"100", L"en-US"},
                           TTocItem{L"e", L"Empty ( )", false, nullptr, 0, L"100", L"en-US"},
                           TTocItem{L"n", L"(Note)", false, nullptr, 0, L"100", L"en-US"}});
    EXPECT_EQ(tree.Texts(ns), (std::vector<std::wstring>{L"Button Class", L"Timer Class (System.Timers)", L"Empty",
                                                         L"(Note)"}));

    // "Type." goes when an ancestor names the type's interface or methods; the ancestor
    // must be longer than the tested text in the tree.
    TTocNode iface = toc.mTocList[0].Node;
    std::wstring t = L"IButtonControl.NotifyDefault Method";
    std::wstring u = t;
    TTocNode longer = tree.AddChild(iface, L"IButtonControl Interface Members", 0);
    toc.TidyNodeText(t, longer);
    EXPECT_EQ(t, L"NotifyDefault Method");
    TTocNode equal = tree.AddChild(nullptr, L"IButtonControl Interface", 0);
    toc.TidyNodeText(u, equal);
    EXPECT_EQ(u, L"IButtonControl.NotifyDefault Method");
}

TEST(TocTidy, ListTitlesAllowContextOfEqualLength) {
    TTocItemArray path{TTocItem{L"-1", L"Home"}, TTocItem{L"i", L"IButtonControl Methods"},
                       TTocItem{L"m", L"IButtonControl.NotifyDefault Method"}};
    std::wstring t = path[2].Title;
    TTocData::TidyListTitle(t, path, 2);
    EXPECT_EQ(t, L"NotifyDefault Method");
    // The item's own entry is part of the context: "(Q)" always matches itself.
    std::wstring own = L"Button Class (System.Windows.Forms)";
    TTocData::TidyListTitle(own, {TTocItem{L"b", own}}, 0);
    EXPECT_EQ(own, L"Button Class");
    // An index past the end uses the whole list; an empty list gives only trimming.
    std::wstring lone = L"  Lone (x) ";
    TTocData::TidyListTitle(lone, {}, 5);
    EXPECT_EQ(lone, L"Lone (x)");
}

namespace {
struct RecordingSink : TH3TraceSink {
    bool Showing() override { return ShowingNow; }
    void Log(const std::wstring& Line, bool Force) override { Lines.push_back((Force ? L"!" : L"") + Line); }
    bool ShowingNow = false;
    std::vector<std::wstring> Lines;
};
} // namespace

TEST_F(TocDataTest, RequestsAreTracedOnlyWhileTheDebugWindowShows) {
    RecordingSink sink;
    TH3TraceSink* old = SetH3TraceSink(&sink);
    agent.Reply(RootQuery, TopicReply(L"children", {{L"a", L"A", L"100", L"en-US"}}));
    std::vector<int> added;
    toc.ExpandNode(nullptr, added);
    EXPECT_TRUE(sink.Lines.empty());
    sink.ShowingNow = true;
    toc.ExpandNode(nullptr, added);
    SetH3TraceSink(old);
    ASSERT_EQ(sink.Lines.size(), 6u);
    EXPECT_EQ(sink.Lines[0], L"  ------ url:");
    EXPECT_EQ(sink.Lines[1], L"fake:" + std::wstring(RootQuery));
    EXPECT_EQ(sink.Lines[2], L"  ------ result:");
    EXPECT_EQ(sink.Lines[4], L"  ------");
    EXPECT_EQ(sink.Lines[5], L"!  --> Children found and added: 0");
}

namespace {

// An agent that runs a step of the caller's while a request is out, as a handler might
// when messages are let through during a request.
struct InterruptingAgent : FakeAgent {
    std::wstring HttpGet(const std::wstring& Url) override {
        if (During) {
            auto step = std::move(During);
            During = nullptr;
            step();
        }
        return FakeAgent::HttpGet(Url);
    }
    std::function<void()> During;
};

// A tree whose deleted nodes stay in memory, so that any later use of one is counted.
struct KeepingTree : FakeTree {
    void Delete(TTocNode Node) override {
        FakeNode* n = N(Node);
        auto& siblings = n->Parent->Children;
        for (auto it = siblings.begin(); it != siblings.end(); ++it)
            if (it->get() == n) {
                Bury(std::move(*it));
                siblings.erase(it);
                return;
            }
    }
    TTocNode AddChild(TTocNode Parent, const std::wstring& Text, intptr_t Data) override {
        Check(Parent);
        return FakeTree::AddChild(Parent, Text, Data);
    }
    TTocNode GetParent(TTocNode Node) override { return Check(Node), FakeTree::GetParent(Node); }
    int ChildCount(TTocNode Node) override { return Check(Node), FakeTree::ChildCount(Node); }
    intptr_t GetData(TTocNode Node) override { return Check(Node), FakeTree::GetData(Node); }
    std::wstring GetText(TTocNode Node) override { return Check(Node), FakeTree::GetText(Node); }

    int DeadUses = 0;

private:
    void Bury(std::unique_ptr<FakeNode> Node) {
        Dead.push_back(Node.get());
        for (auto& c : Node->Children) Dead.push_back(c.get());
        Graves.push_back(std::move(Node));
    }
    void Check(TTocNode Node) {
        for (FakeNode* d : Dead) DeadUses += Ref(d) == Node;
    }
    std::vector<FakeNode*> Dead;
    std::vector<std::unique_ptr<FakeNode>> Graves;
};

} // namespace

TEST(TocDataChanges, ANodeGoneWhileItsChildrenAreFetchedIsLeftAlone) {
    InterruptingAgent agent;
    KeepingTree tree;
    TTocData toc(&tree, &agent);
    auto top = [&](const std::wstring& Id) {
        toc.AddTopicNodes(nullptr, {TTocItem{Id, Id, false, nullptr, 0, L"100", L"en-US"}});
        return toc.mTocList.back().Node;
    };
    const std::wstring kids = TopicReply(L"children", {{L"k", L"Kid", L"100", L"en-US"}});
    agent.Reply(L"method=children&id=p&format=xml", kids);
    agent.Reply(L"method=children&id=g&format=xml", kids);

    // The contents are reloaded meanwhile: the tree and the list start again.
    TTocNode p = top(L"p");
    agent.During = [&] {
        tree.Delete(p);
        toc.mTocList.clear();
        top(L"new root");
    };
    std::vector<int> added{3};
    toc.ExpandNode(p, added);
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(toc.mTocList.size(), 1u);
    EXPECT_EQ(tree.Texts(toc.mTocList[0].Node).size(), 0u);
    EXPECT_EQ(tree.DeadUses, 0);

    // The node's group is removed meanwhile: the later records move down one place.
    TTocNode g = top(L"g");
    TTocNode after = top(L"after");
    agent.During = [&] {
        tree.Delete(g);
        toc.mTocList.erase(toc.mTocList.begin() + 1);
        FakeTree::N(after)->Data = 1;
    };
    toc.ExpandNode(g, added);
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(toc.mTocList.size(), 2u);
    EXPECT_EQ(tree.Texts(after).size(), 0u);
    EXPECT_EQ(tree.DeadUses, 0);

    // Undisturbed, the same node gets its children.
    agent.Reply(L"method=children&id=after&format=xml", kids);
    toc.ExpandNode(after, added);
    EXPECT_EQ(tree.Texts(after), (std::vector<std::wstring>{L"Kid"}));

    // A large family is read, then merged after a pause for the window's messages, which
    // may reload the contents as well.
    int pauses = 0;
    toc.BetweenSteps = [&] { ++pauses; };
    toc.ExpandNode(after, added);
    EXPECT_EQ(pauses, 0); // one child: no pause
    std::vector<TopicFields> many(TTocData::StepTopics, TopicFields{L"m", L"M", L"100", L"en-US"});
    agent.Reply(L"method=children&id=big&format=xml", TopicReply(L"children", many));
    TTocNode big = top(L"big");
    toc.BetweenSteps = [&] {
        ++pauses;
        tree.Delete(big);
        toc.mTocList.clear();
        top(L"new root");
    };
    toc.ExpandNode(big, added);
    EXPECT_EQ(pauses, 1);
    EXPECT_TRUE(added.empty());
    EXPECT_EQ(toc.mTocList.size(), 1u);
    EXPECT_EQ(tree.DeadUses, 0);
}

TEST_F(TocDataTest, RecordIndexesOutsideTheCacheAreSkipped) {
    TTocNode a = AddTop(L"a", L"A");
    tree.SetHasChildren(a, true);
    tree.AddChild(nullptr, L"Stray", 99);
    toc.mTocList.push_back(TTocItem{L"b", L"B"});
    toc.AddNodes(a, {-1, 5, 1});
    // Only the valid index got a node.
    EXPECT_EQ(tree.Texts(a), (std::vector<std::wstring>{L"B"}));
    TTocItemArray top;
    toc.GetTopLevelTopics(top);
    EXPECT_EQ(Ids(top), (std::vector<std::wstring>{L"a"}));
    toc.UpdateNodeImages(nullptr);
    std::wstring t = L" Lone (x) ";
    TTocData::TidyListTitle(t, {TTocItem{L"x", L"(x)"}}, -1);
    EXPECT_EQ(t, L"Lone (x)");
}

TEST_F(TocDataTest, SeparatorsInsideValuesDoNotMakeDuplicates) {
    agent.Reply(RootQuery, TopicReply(L"children", {{L"a|b", L"One", L"c", L"en-US"}, {L"a", L"Two", L"b|c", L"en-US"}}));
    std::vector<int> added;
    toc.LoadChildren(L"-1", added);
    EXPECT_EQ(added, (std::vector<int>{0, 1}));
}

namespace {
// The fake tree with next-sibling lookups in constant time, for large levels.
struct QuickTree : FakeTree {
    TTocNode GetNextSibling(TTocNode Node) override {
        FakeNode* n = N(Node);
        auto& siblings = n->Parent->Children;
        if (FOf != n->Parent || FSize != siblings.size()) {
            FOf = n->Parent;
            FSize = siblings.size();
            FPlace.clear();
            for (size_t i = 0; i < siblings.size(); ++i) FPlace[siblings[i].get()] = i;
        }
        const size_t next = FPlace[n] + 1;
        return next < siblings.size() ? Ref(siblings[next].get()) : nullptr;
    }
    FakeNode* FOf = nullptr;
    size_t FSize = 0;
    std::unordered_map<FakeNode*, size_t> FPlace;
};
} // namespace

// Prints how long the model takes for a level of 50,000 topics (no limits asserted).
TEST(TocDataBenchmark, FiftyThousandTopics) {
    using clock = std::chrono::steady_clock;
    const auto ms = [](clock::time_point a, clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    constexpr int count = 50000;
    std::vector<TopicFields> top, kids;
    for (int i = 0; i < count; ++i) {
        top.push_back({L"t" + std::to_wstring(i), L"Topic " + std::to_wstring(i), L"100", L"en-US"});
        kids.push_back({L"k" + std::to_wstring(i), L"Kid " + std::to_wstring(i), L"90", L"en-US"});
    }
    FakeAgent agent;
    QuickTree tree;
    TTocData toc(&tree, &agent);
    agent.Reply(RootQuery, TopicReply(L"children", top));
    agent.Reply(L"method=children&id=t0&format=xml", TopicReply(L"children", kids));
    agent.Reply(L"method=children&id=t0&topicversion=100&topiclocale=en-us&format=xml", TopicReply(L"children", kids));
    agent.Reply(L"method=ancestors&id=t0&topicversion=100&topiclocale=en-US&format=xml",
                TopicReply(L"ancestors", {top[0]}));

    const auto t0 = clock::now();
    std::vector<int> added;
    toc.ExpandNode(nullptr, added);
    const auto t1 = clock::now();
    toc.LoadChildren(L"-1", added); // every one a duplicate now
    const auto t2 = clock::now();
    toc.Mode = 1; // the children differ from the parent, which is not shown in their version
    toc.ExpandNode(toc.mTocList[0].Node, added);
    const auto t3 = clock::now();
    const size_t kidsAdded = added.size();

    FakeBar bar;
    TPathViewer path(&bar, nullptr);
    path.Toc = &toc;
    ASSERT_TRUE(path.SetTopic(L"t0", L"100", L"en-US"));
    const int home = path.FindChildList(-1);
    const int below = path.FindChildList(1);
    const auto t4 = clock::now();
    std::printf("[ bench    ] %d topics: top level %.1f ms, duplicates %.1f ms, children in mode 1 %.1f ms, "
                "breadcrumb and drop-downs %.1f ms\n",
                count, ms(t0, t1), ms(t1, t2), ms(t2, t3), ms(t3, t4));

    EXPECT_EQ(tree.ChildCount(nullptr), count);
    EXPECT_EQ(kidsAdded, static_cast<size_t>(count));
    TTocItemArray topics;
    ASSERT_TRUE(path.GetChildList(home, topics));
    EXPECT_EQ(topics.size(), static_cast<size_t>(count));
    ASSERT_TRUE(path.GetChildList(below, topics));
    EXPECT_EQ(topics.size(), static_cast<size_t>(count));
}
