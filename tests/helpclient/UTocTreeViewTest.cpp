// The table-of-contents model filling the real wide tree view, read back through the
// tree's nodes and through the tree window itself.
#include "../vcl/VclTestSupport.h"

#include "HelpClientFakes.h"
#include "TntComCtrls.h"
#include "TntForms.h"
#include "UTocData.h"
#include "UTocTreeView.h"

#include <gtest/gtest.h>
#include <chrono>
#include <cstdio>

using namespace hcfakes;
using vcltest::Watchdog;

namespace {

const wchar_t* const RootQuery = L"method=children&id=-1&format=xml";

struct TWindowItem {
    std::wstring Text;
    int Image = -100, SelectedImage = -100, Children = -100;
    TTreeNode* Node = nullptr;
};

// What the tree window itself reports for a node.
TWindowItem WindowItem(HWND Wnd, TTreeNode* Node) {
    wchar_t buf[256] = {};
    TVITEMW it{};
    it.mask = TVIF_HANDLE | TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_PARAM;
    it.hItem = Node->ItemId();
    it.pszText = buf;
    it.cchTextMax = 256;
    TWindowItem r;
    if (!SendMessageW(Wnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it))) return r;
    r.Text = it.pszText ? it.pszText : L"";
    r.Image = it.iImage;
    r.SelectedImage = it.iSelectedImage;
    r.Children = it.cChildren;
    r.Node = reinterpret_cast<TTreeNode*>(it.lParam);
    return r;
}

// The tree view adapter that notes whether the tree held back its drawing while a node
// was added.
class TUpdateWatch : public TTocTreeView {
public:
    using TTocTreeView::TTocTreeView;
    TTocNode AddChild(TTocNode Parent, const std::wstring& Text, intptr_t Data) override {
        UpdateCounts.push_back(Tree()->Items()->UpdateCount());
        return TTocTreeView::AddChild(Parent, Text, Data);
    }
    std::vector<int> UpdateCounts;
};

class TTocForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TTocForm)
    explicit TTocForm(TComponent* AOwner) : TTntForm(AOwner) { SetBounds(40, 40, 400, 500); }
};

class TocTreeViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        tv->SetParent(&form);
        tv->SetBounds(0, 0, 380, 460);
        form.Show();
        wnd = tv->Handle();
    }

    TTreeNode* Node(TTocNode N) { return TTocTreeView::NodeOf(N); }
    std::vector<std::wstring> Texts(TTreeNode* Parent) {
        std::vector<std::wstring> r;
        for (TTreeNode* n = Parent ? Parent->GetFirstChild() : tv->Items()->GetFirstNode(); n; n = n->getNextSibling())
            r.push_back(n->Text());
        return r;
    }
    int WindowCount() { return static_cast<int>(SendMessageW(wnd, TVM_GETCOUNT, 0, 0)); }
    TTocNode AddTop(const std::wstring& Id, const std::wstring& Title) {
        toc.AddTopicNodes(nullptr, {TTocItem{Id, Title, false, nullptr, 0, L"100", L"en-US"}});
        return toc.mTocList.back().Node;
    }

    Watchdog dog{20000, "table of contents tree"};
    TTocForm form{nullptr};
    TTntTreeView* tv = new TTntTreeView(&form);
    HWND wnd = nullptr;
    FakeAgent agent;
    TUpdateWatch view{tv};
    TTocData toc{&view, &agent};
};

} // namespace

TEST_F(TocTreeViewTest, TopLevelFromAReplyShowsDecodedTitlesWithRecordIndexes) {
    agent.ReplyFile(RootQuery, L"children_root.xml");
    std::vector<int> added;
    toc.ExpandNode(nullptr, added);
    ASSERT_EQ(added.size(), 4u);
    EXPECT_EQ(Texts(nullptr), (std::vector<std::wstring>{L"Visual Studio 2010", L"Caf\u00E9 & Tools <T>",
                                                         L"Visual Studio 2008", L"Locale at the end"}));
    ASSERT_EQ(WindowCount(), 4);
    for (int i : added) {
        TTreeNode* n = Node(toc.mTocList[i].Node);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->Level(), 0);
        EXPECT_EQ(reinterpret_cast<intptr_t>(n->Data()), i);
        EXPECT_EQ(toc.ItemOfNode(toc.mTocList[i].Node), &toc.mTocList[i]);
        const TWindowItem w = WindowItem(wnd, n);
        EXPECT_EQ(w.Text, n->Text());
        EXPECT_EQ(w.Node, n);
        EXPECT_EQ(w.Children, 0);
    }
    // The whole fill ran inside one update bracket, which is closed again.
    ASSERT_EQ(view.UpdateCounts.size(), 4u);
    for (int c : view.UpdateCounts)
        EXPECT_GT(c, 0);
    EXPECT_EQ(tv->Items()->UpdateCount(), 0);
}

TEST_F(TocTreeViewTest, AMarkedNodeShowsAButtonAndExpandingGivesItImagedChildrenOrTakesTheButton) {
    TTocNode parent = AddTop(L"p", L"Parent");
    TTocNode empty = AddTop(L"e", L"Empty");
    view.SetHasChildren(parent, true);
    view.SetHasChildren(empty, true);
    toc.UpdateNodeImages(parent);
    TWindowItem w = WindowItem(wnd, Node(parent));
    EXPECT_EQ(w.Children, 1);
    EXPECT_EQ(w.Image, tocImageParent);
    EXPECT_EQ(w.SelectedImage, tocImageParent);
    EXPECT_EQ(WindowCount(), 2); // the button needs no item of its own

    agent.Reply(L"method=children&id=p&format=xml", TopicReply(L"children", {{L"c1", L"Child 1", L"100", L"en-US"},
                                                                             {L"c2", L"Child 2", L"100", L"en-US"}}));
    // As the main window does: the children come while the node expands, the images after.
    std::vector<int> added;
    tv->OnExpanding = [&](TObject*, TTreeNode* n, bool&) { toc.ExpandNode(TTocTreeView::RefOf(n), added); };
    tv->OnExpanded = [&](TObject*, TTreeNode* n) { toc.UpdateNodeImages(TTocTreeView::RefOf(n)); };
    SendMessageW(wnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Node(parent)->ItemId()));

    EXPECT_EQ(Texts(Node(parent)), (std::vector<std::wstring>{L"Child 1", L"Child 2"}));
    EXPECT_EQ(WindowCount(), 4);
    EXPECT_TRUE(view.Expanded(parent));
    w = WindowItem(wnd, Node(parent));
    EXPECT_EQ(w.Image, tocImageExpanded);
    EXPECT_EQ(w.SelectedImage, tocImageExpanded);
    const TWindowItem child = WindowItem(wnd, Node(parent)->GetFirstChild());
    EXPECT_EQ(child.Text, L"Child 1");
    EXPECT_EQ(child.Image, tocImageLeaf);
    EXPECT_EQ(child.Children, 0);
    EXPECT_EQ(toc.ItemOfNode(TTocTreeView::RefOf(Node(parent)->GetFirstChild()))->Id, L"c1");

    view.SetExpanded(parent, false);
    toc.UpdateNodeImages(parent);
    EXPECT_EQ(WindowItem(wnd, Node(parent)).Image, tocImageParent);

    // The agent has nothing under the other: it opens to no children and shows a page.
    agent.Reply(L"method=children&id=e&format=xml", TopicReply(L"children", {}));
    SendMessageW(wnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Node(empty)->ItemId()));
    EXPECT_TRUE(Texts(Node(empty)).empty());
    w = WindowItem(wnd, Node(empty));
    EXPECT_EQ(w.Children, 0);
    EXPECT_EQ(w.Image, tocImageLeaf);

    // The last child going takes the button with it.
    view.Delete(TTocTreeView::RefOf(Node(parent)->GetFirstChild()));
    view.Delete(TTocTreeView::RefOf(Node(parent)->GetFirstChild()));
    EXPECT_FALSE(view.HasChildren(parent));
    toc.UpdateNodeImages(parent);
    w = WindowItem(wnd, Node(parent));
    EXPECT_EQ(w.Children, 0);
    EXPECT_EQ(w.Image, tocImageLeaf);
}

TEST_F(TocTreeViewTest, MergesIntoExistingNodes) {
    agent.ReplyFile(RootQuery, L"children_root.xml");
    std::vector<int> added;
    toc.ExpandNode(nullptr, added);
    // Without a parent node the records already shown are skipped; the new one joins the
    // top level behind them.
    agent.Reply(RootQuery, TopicReply(L"children", {{L"VS-TOP", L"Again", L"100", L"EN-us"},
                                                    {L"new", L"New Book", L"100", L"en-US"}}));
    toc.LoadChildren(L"-1", added);
    ASSERT_EQ(added.size(), 1u);
    toc.AddNodes(nullptr, added);
    EXPECT_EQ(Texts(nullptr).size(), 5u);
    EXPECT_EQ(Texts(nullptr).back(), L"New Book");
    EXPECT_EQ(WindowCount(), 5);

    // Under a parent there is no duplicate test: a second expansion adds the children again.
    TTocNode book = toc.mTocList[added[0]].Node;
    agent.Reply(L"method=children&id=new&format=xml", TopicReply(L"children", {{L"k", L"Kid", L"100", L"en-US"}}));
    toc.ExpandNode(book, added);
    toc.ExpandNode(book, added);
    EXPECT_EQ(Texts(Node(book)), (std::vector<std::wstring>{L"Kid", L"Kid"}));
    EXPECT_EQ(WindowCount(), 7);
}

TEST_F(TocTreeViewTest, AncestorsAndThePackageRootAreFoundThroughTheTree) {
    TTocNode root = AddTop(L"PackageThisRootID", L"Package");
    toc.AddTopicNodes(root, {TTocItem{L"ns", L"System.Windows.Forms Namespace", false, nullptr, 0, L"100", L"en-US"}});
    TTocNode ns = toc.mTocList.back().Node;
    ASSERT_EQ(view.GetParent(ns), root);

    agent.Reply(L"method=children&id=ns&format=xml",
                TopicReply(L"children", {{L"b", L"Button Class (System.Windows.Forms)", L"100", L"en-US"},
                                         {L"old", L"Old Class (System.Windows.Forms)", L"90", L"en-US"},
                                         {L"de", L"Button-Klasse", L"100", L"de-DE"}}));
    toc.Mode = 0;
    std::vector<int> added;
    toc.ExpandNode(ns, added);
    // Other versions and locales stay under a package root; the namespace shortens the titles.
    EXPECT_EQ(Texts(Node(ns)), (std::vector<std::wstring>{L"Button Class", L"Old Class", L"Button-Klasse"}));
    EXPECT_EQ(WindowItem(wnd, Node(ns)->GetFirstChild()).Text, L"Button Class");
}

// Prints how long large levels take on the tree window itself (no limits asserted; the
// counts and the order the window reads back are). The size stays well inside the watchdog
// on a busy machine: the model alone is measured with 50,000 topics in the model's tests,
// the whole window in bench_contents and through the program in viewer-bench.
TEST_F(TocTreeViewTest, BenchmarkLargeLevels) {
    using clock = std::chrono::steady_clock;
    const auto ms = [](clock::time_point a, clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    constexpr int count = 2000;
    std::vector<TopicFields> top, kids;
    for (int i = 0; i < count; ++i) {
        top.push_back({L"t" + std::to_wstring(i), L"Topic " + std::to_wstring(i), L"100", L"en-US"});
        kids.push_back({L"k" + std::to_wstring(i), L"Kid " + std::to_wstring(i), L"100", L"en-US"});
    }
    agent.Reply(RootQuery, TopicReply(L"children", top));
    agent.Reply(L"method=children&id=t0&format=xml", TopicReply(L"children", kids));

    const auto t0 = clock::now();
    std::vector<int> added;
    toc.ExpandNode(nullptr, added);
    const auto t1 = clock::now();
    TTocNode first = toc.mTocList[0].Node;
    toc.ExpandNode(first, added); // each child's image is written too
    const auto t2 = clock::now();
    std::printf("[ bench    ] tree window, %d topics: top level %.1f ms, children %.1f ms\n", count, ms(t0, t1),
                ms(t1, t2));
    EXPECT_EQ(tv->Items()->TopLevelCount(), count);
    EXPECT_EQ(Node(first)->Count(), count);
    // The window holds the batch in order, each item with its own node, text and image.
    int i = 0;
    TTreeNode* n = Node(first)->GetFirstChild();
    for (HTREEITEM item = TreeView_GetChild(wnd, Node(first)->ItemId()); item; item = TreeView_GetNextSibling(wnd, item)) {
        ASSERT_NE(n, nullptr);
        TVITEMW it{};
        it.mask = TVIF_HANDLE | TVIF_PARAM;
        it.hItem = item;
        SendMessageW(wnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
        ASSERT_EQ(reinterpret_cast<TTreeNode*>(it.lParam), n) << i;
        if (i % 500 == 0 || i == count - 1) {
            const TWindowItem w = WindowItem(wnd, n);
            EXPECT_EQ(w.Text, L"Kid " + std::to_wstring(i));
            EXPECT_EQ(w.Image, tocImageLeaf);
            EXPECT_EQ(w.Children, 0);
        }
        n = n->getNextSibling();
        ++i;
    }
    EXPECT_EQ(i, count);
}
