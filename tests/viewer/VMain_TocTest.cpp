// The contents page of the main window against the stand-in agent and its sample store:
// loading (quick and full), expanding, node images, opening a node, the orphan groups, and
// loads asked for while a load runs.
#include "VMainFixture.h"

#include "FBrowserFrame.h"
#include "SysUtils.h"
#include "TntComCtrls.h"
#include "TntMenus.h"
#include "URequestWait.h"
#include "UTocTreeView.h"
#include "qenSmartTabs.h"

using namespace vcltest;

namespace {

const wchar_t* const NetFx35Entry = L"&id=F61F02F2-2F20-483D-8F56-A9C8F3A54986&topicversion=90&topiclocale=EN-US";

class VMainTocTest : public VMainFixture {
protected:
    static TTreeNode* Find(TVMainForm* F, const std::wstring& Text) {
        for (TTreeNode* n = F->TreeView1->Items()->GetFirstNode(); n; n = n->GetNext())
            if (n->Text() == Text)
                return n;
        return nullptr;
    }
    static std::vector<std::wstring> Texts(TTreeNode* Parent) {
        std::vector<std::wstring> texts;
        for (TTreeNode* n = Parent->GetFirstChild(); n; n = n->getNextSibling())
            texts.push_back(n->Text());
        return texts;
    }
    // Every node's data is its record's index and that record names the node back.
    static ::testing::AssertionResult Consistent(TVMainForm* F) {
        const TTocItemArray& list = g_TocData->mTocList;
        int shown = 0;
        for (TTreeNode* n = F->TreeView1->Items()->GetFirstNode(); n; n = n->GetNext()) {
            const intptr_t d = reinterpret_cast<intptr_t>(n->Data());
            if (d < 0 || d >= static_cast<intptr_t>(list.size()))
                return ::testing::AssertionFailure() << "node " << n->Text() << " has data " << d;
            if (list[static_cast<size_t>(d)].Node != TTocTreeView::RefOf(n))
                return ::testing::AssertionFailure() << "record " << d << " does not name node " << n->Text();
            ++shown;
        }
        for (const TTocItem& item : list)
            if (!item.Node)
                return ::testing::AssertionFailure() << "record " << item.Id << " has no node";
        if (shown != static_cast<int>(list.size()))
            return ::testing::AssertionFailure() << shown << " nodes for " << list.size() << " records";
        return ::testing::AssertionSuccess();
    }
    // The node shows an expand button (the window draws it) though its children are not
    // fetched yet.
    static bool Unopened(TTreeNode* Node) {
        return Node->Count() == 0 && TreeItemShowsButton(Node->TreeView()->Handle(), Node->ItemId());
    }
    static int Image(TVMainForm* F, TTreeNode* Node) {
        F->TreeView1GetImageIndex(Node);
        return Node->ImageIndex();
    }
    // A mouse button pressed and released on Node's label, with Keys held (MK_CONTROL), as
    // the mouse gives it: the pointer there, the release queued behind the press.
    static void ClickNode(TVMainForm* F, TTreeNode* Node, UINT Down, UINT Up, WPARAM Keys = 0) {
        HWND tree = F->TreeView1->Handle();
        const RECT r = Node->DisplayRect(true);
        const POINT at{r.left + 3, (r.top + r.bottom) / 2};
        POINT screen = at;
        ClientToScreen(tree, &screen);
        SetCursorPos(screen.x, screen.y);
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_CONTROL] = (Keys & MK_CONTROL) ? 0x80 : 0;
        SetKeyboardState(state);
        const LPARAM lp = MAKELPARAM(at.x, at.y);
        if (Down == WM_MBUTTONDOWN) {
            SendMessageW(tree, Down, Keys | MK_MBUTTON, lp);
            SendMessageW(tree, Up, Keys, lp);
        } else {
            PostMessageW(tree, Up, Keys, lp);
            SendMessageW(tree, Down, Keys | (Down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON), lp);
        }
        PumpFor(100);
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
    }
};

// Ends the pop-up menu being tracked as soon as its loop runs.
void CALLBACK EndMenuNow(HWND, UINT, UINT_PTR Id, DWORD) {
    KillTimer(nullptr, Id);
    EndMenu();
}

} // namespace

TEST_F(VMainTocTest, AQuickLoadShowsTheTopLevelWithButtonsAndOpensTheFirstNode) {
    Watchdog w(60000, "quick load");
    const size_t mark = RequestMark();
    auto form = Start();
    TVMainForm* f = form->Form;
    // The root page first, then the root's entries.
    const std::vector<std::string> requests = RequestsWith(mark, "method=");
    ASSERT_GE(requests.size(), 2u);
    EXPECT_NE(requests[0].find("&method=page&id=-1&format=xml"), std::string::npos) << requests[0];
    EXPECT_NE(requests[1].find("&method=children&id=-1&format=xml"), std::string::npos) << requests[1];
    // The root page's node, then every entry of the root, each with a button to open it by;
    // last the .NET Framework 3.5 entry, which the store's root does not list: an orphan
    // group, open to its first level.
    TTntTreeNodes* items = f->TreeView1->Items();
    TTreeNode* root = items->GetFirstNode();
    std::vector<std::wstring> top;
    for (TTreeNode* n = root; n; n = n->getNextSibling())
        top.push_back(n->Text());
    EXPECT_EQ(top, (std::vector<std::wstring>{L"Visual Studio 2010", L"Visual Studio 2010 Help Library",
                                              L"Contoso Widgets & Gadgets", L"Visual Basic 6.0 Reference",
                                              L".NET Framework 3.5"}));
    EXPECT_EQ(root->Count(), 0);
    EXPECT_FALSE(TreeItemShowsButton(f->TreeView1->Handle(), root->ItemId()));
    for (TTreeNode* n = root->getNextSibling(); n && n->Text() != L".NET Framework 3.5"; n = n->getNextSibling()) {
        EXPECT_TRUE(Unopened(n)) << n->Text();
        EXPECT_EQ(Image(f, n), 1) << n->Text();
    }
    TTreeNode* netfx35 = items->TopLevelItem(4);
    EXPECT_EQ(Texts(netfx35), (std::vector<std::wstring>{L"System.Windows.Forms Namespace"}));
    EXPECT_TRUE(f->TocRecordOf(netfx35)->Flags & TocFlagOrphan);
    EXPECT_EQ(Image(f, netfx35), 4);
    EXPECT_TRUE(Consistent(f));
    // The first node is selected and its topic opened in the empty tab, its pairs in order.
    EXPECT_EQ(f->TreeView1->Selected(), root);
    EXPECT_NE(LogText().find(L">> GotoUrl: "), std::wstring::npos);
    EXPECT_NE(LogText().find(L"&method=page&id=-1&topicversion=100&topiclocale=en-US&format=html\r\n"),
              std::wstring::npos)
        << LogText();
    // Choosing the loaded catalog again (in another case) asks nothing.
    const size_t again = RequestMark();
    f->LoadCatalog(L"vs\\100\\en-us");
    EXPECT_TRUE(Requests(again).empty());
    // That group is what the saved list holds.
    bool canClose = false;
    f->FormCloseQuery(canClose);
    EXPECT_EQ(Value(f->CurrentCatalog + L"_OrphanID1"), NetFx35Entry);
    EXPECT_EQ(Value(f->CurrentCatalog + L"_OrphanID2"), L"");
}

TEST_F(VMainTocTest, AFullLoadFetchesEveryLevel) {
    Watchdog w(60000, "full load");
    Seed(L"mnuQuickTOCLoad", L"0");
    auto form = Start();
    TVMainForm* f = form->Form;
    // Everything was asked for: a button only where there are children.
    for (TTreeNode* n = f->TreeView1->Items()->GetFirstNode(); n; n = n->GetNext())
        EXPECT_EQ(n->HasChildren(), n->Count() > 0) << n->Text();
    TTreeNode* forms = Find(f, L"System.Windows.Forms Namespace");
    ASSERT_NE(forms, nullptr);
    TTreeNode* button = Find(f, L"Button Class");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(Texts(button), (std::vector<std::wstring>{L"Button.DoubleClick Event"}));
    EXPECT_TRUE(Consistent(f));
}

TEST_F(VMainTocTest, OpeningANodePrefetchesUpToThirtyChildrenAndGivesBiggerFamiliesButtons) {
    Watchdog w(60000, "expand");
    auto form = Start();
    TVMainForm* f = form->Form;
    TTreeNode* library = Find(f, L"Visual Studio 2010 Help Library");
    ASSERT_NE(library, nullptr);
    library->Expand(false);
    TTreeNode* ide = Find(f, L"Visual Studio Development Environment");
    ASSERT_NE(ide, nullptr);
    EXPECT_GT(ide->Count(), 0) << "prefetched with its parent";
    ide->Expand(false);
    TTreeNode* editor = Find(f, L"Text Editor Options Reference");
    TTreeNode* shortcuts = Find(f, L"Keyboard Shortcuts Reference");
    ASSERT_NE(editor, nullptr);
    ASSERT_NE(shortcuts, nullptr);
    ASSERT_EQ(editor->Count(), 30);
    ASSERT_EQ(shortcuts->Count(), 35);

    size_t mark = RequestMark();
    editor->Expand(false);
    EXPECT_EQ(RequestsWith(mark, "method=children&id=editor-option-").size(), 30u);
    EXPECT_EQ(editor->GetFirstChild()->Count(), 0);
    EXPECT_FALSE(TreeItemShowsButton(f->TreeView1->Handle(), editor->GetFirstChild()->ItemId())) << "a leaf";

    mark = RequestMark();
    shortcuts->Expand(false);
    EXPECT_TRUE(RequestsWith(mark, "method=children").empty());
    for (TTreeNode* n = shortcuts->GetFirstChild(); n; n = n->getNextSibling())
        EXPECT_TRUE(Unopened(n)) << n->Text();
    // Opening one of them shows what the agent has: nothing, so its button goes.
    TTreeNode* first = shortcuts->GetFirstChild();
    EXPECT_EQ(Image(f, first), 1);
    first->Expand(false);
    EXPECT_EQ(first->Count(), 0);
    EXPECT_FALSE(TreeItemShowsButton(f->TreeView1->Handle(), first->ItemId()));
    EXPECT_EQ(Image(f, first), 0);
    EXPECT_TRUE(Consistent(f));
    // The images: a book open, a book closed, a page; a topic of another locale below its
    // parent draws as mixed.
    EXPECT_EQ(Image(f, ide), 2);
    EXPECT_EQ(Image(f, Find(f, L"Getting Started with Visual Studio")), 1);
    EXPECT_EQ(Image(f, editor->GetFirstChild()), 0);
    TTreeNode* gettingStarted = Find(f, L"Getting Started with Visual Studio");
    gettingStarted->Expand(false);
    TTreeNode* german = gettingStarted->GetFirstChild();
    ASSERT_NE(german, nullptr);
    EXPECT_EQ(german->Text().substr(0, 14), L"Erste Schritte");
    EXPECT_EQ(Image(f, german), 6);
    f->TreeView1GetSelectedIndex(german);
    EXPECT_EQ(german->SelectedIndex(), 6);
}

TEST_F(VMainTocTest, OrphanGroupsAreSavedAtOnceRestoredOnLoadAndRemovedWithTheirRecords) {
    Watchdog w(60000, "orphans");
    auto form = Start();
    TVMainForm* f = form->Form;
    const std::wstring key = f->CurrentCatalog + L"_OrphanID";
    // A topic whose parent the store lacks: its chain becomes a group at the top.
    ASSERT_TRUE(f->SyncTocToUrl(L"http://127.0.0.1/help/1/ms.help?method=page&id=orphan-child&topicversion=100"
                                L"&topiclocale=en-US&format=html"));
    TTreeNode* parent = Find(f, L"Orphaned Topic Parent");
    TTreeNode* child = Find(f, L"Orphaned Topic Child");
    ASSERT_NE(parent, nullptr);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(parent->Parent(), nullptr);
    EXPECT_EQ(f->TreeView1->Selected(), child);
    const std::wstring entry = L"&id=orphan-parent&topicversion=100&topiclocale=EN-US";
    EXPECT_EQ(Value(key + L"1"), NetFx35Entry);
    EXPECT_EQ(Value(key + L"2"), entry);
    EXPECT_EQ(Value(key + L"3"), L"");
    EXPECT_EQ(Image(f, parent), 5);
    EXPECT_EQ(Image(f, child), 3);

    // The next load restores it; a stored value of another form is skipped and logged.
    Seed(key + L"1", L"<not an entry>");
    Seed(key + L"2", entry);
    Seed(key + L"3", L"");
    f->TOCMenu_ReloadTOCClick();
    parent = Find(f, L"Orphaned Topic Parent");
    ASSERT_NE(parent, nullptr);
    EXPECT_TRUE(f->TocRecordOf(parent)->Flags & TocFlagOrphan);
    EXPECT_EQ(f->OrphanIds, (std::vector<std::wstring>{entry}));
    EXPECT_NE(LogText().find(L"<not an entry>"), std::wstring::npos);
    EXPECT_TRUE(Consistent(f));

    // Removal: only on an orphan; records, node data and the saved list follow.
    TTreeNode* library = Find(f, L"Visual Studio 2010 Help Library");
    library->Expand(false);
    f->TreeView1->SetSelected(library);
    f->TocPopupMenuPopup();
    EXPECT_FALSE(f->TOCMenu_RemoveOrphanGroup->Enabled());
    f->TreeView1->SetSelected(parent);
    f->TocPopupMenuPopup();
    EXPECT_TRUE(f->TOCMenu_RemoveOrphanGroup->Enabled());
    const size_t before = g_TocData->mTocList.size();
    f->TOCMenu_RemoveOrphanGroupClick();
    EXPECT_EQ(Find(f, L"Orphaned Topic Parent"), nullptr);
    EXPECT_EQ(g_TocData->mTocList.size(), before - 2);
    EXPECT_TRUE(Consistent(f));
    EXPECT_EQ(f->TreeView1->Selected(), f->TreeView1->Items()->GetFirstNode());
    bool canClose = false;
    f->FormCloseQuery(canClose);
    EXPECT_EQ(Value(key + L"1"), NetFx35Entry);
    EXPECT_EQ(Value(key + L"2"), L"");
}

TEST_F(VMainTocTest, ACatalogChosenOrAReloadAskedForDuringALoadWaitsForIt) {
    Watchdog w(90000, "loads during a load");
    auto form = Start();
    TVMainForm* f = form->Form;
    std::wstring german;
    for (int i = 0; i < f->CatalogCbo->ItemCount(); ++i)
        if (f->CatalogCbo->ItemText(i).find(L"de-DE") != std::wstring::npos)
            german = f->CatalogCbo->ItemText(i);
    ASSERT_FALSE(german.empty());
    // Arrives while the reload below lets messages run.
    const UINT request = WM_APP + 27;
    int delivered = 0;
    f->SetMessageHandler(request, [&](TMessage&) {
        ++delivered;
        EXPECT_TRUE(f->TocLoading());
        f->TOCMenu_ReloadTOCClick();
        f->LoadCatalog(german);
        f->mnuTDM_VS10Click(f->mnuTDM_Raw);
    });
    PostMessageW(f->Handle(), request, 0, 0);
    const size_t mark = RequestMark();
    f->TOCMenu_ReloadTOCClick();
    EXPECT_EQ(delivered, 1);
    EXPECT_FALSE(f->TocLoading());
    EXPECT_EQ(f->CurrentCatalog, german);
    EXPECT_EQ(g_TocData->Mode, 2);
    // Two whole loads one after the other: no request of the first after the second began.
    const std::vector<std::string> pages = RequestsWith(mark, "&method=page&id=-1&format=xml");
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_NE(pages[1].find("locale=de-DE"), std::string::npos) << pages[1];
    bool secondBegan = false;
    for (const std::string& r : RequestsWith(mark, "method=")) {
        const bool second = r.find("locale=de-DE") != std::string::npos;
        EXPECT_FALSE(secondBegan && !second) << r;
        secondBegan = secondBegan || second;
    }
    EXPECT_TRUE(Consistent(f));
    EXPECT_EQ(f->TreeView1->Items()->GetFirstNode()->Text(), L"Visual Studio 2010 (Deutsch)");
}

TEST_F(VMainTocTest, TheCatalogBoxChosenAgainWhileItsChoiceLoadsNamesTheCatalogLoadedLast) {
    Watchdog w(90000, "catalog box during its load");
    auto form = Start();
    TVMainForm* f = form->Form;
    const std::wstring english = f->CurrentCatalog;
    const auto index = [&](const wchar_t* Part) {
        for (int i = 0; i < f->CatalogCbo->ItemCount(); ++i)
            if (f->CatalogCbo->ItemText(i).find(Part) != std::wstring::npos)
                return i;
        return -1;
    };
    ASSERT_GE(index(L"de-DE"), 0);
    ASSERT_GE(index(L"EMPTY"), 0);
    // Up twice in the dropped list: the second change comes while the first one loads.
    const UINT request = WM_APP + 29;
    int delivered = 0;
    f->SetMessageHandler(request, [&](TMessage&) {
        ++delivered;
        f->CatalogCbo->SetItemIndex(index(L"EMPTY"));
        f->CatalogCboChange();
    });
    PostMessageW(f->Handle(), request, 0, 0);
    f->CatalogCbo->SetItemIndex(index(L"de-DE"));
    f->CatalogCboChange();
    EXPECT_EQ(delivered, 1);
    EXPECT_TRUE(PumpUntil([&] { return !f->TocLoading() && f->CurrentCatalog != english &&
                                       f->CurrentCatalog.find(L"de-DE") == std::wstring::npos; }, 30000))
        << f->CurrentCatalog;
    EXPECT_EQ(f->CatalogCbo->ItemText(f->CatalogCbo->ItemIndex()), f->CurrentCatalog);
}

TEST_F(VMainTocTest, APassedInAddressThatIsNoHelpPageOpensAndTheTreeStillLoads) {
    Watchdog w(60000, "passed-in address");
    auto form = Start([](TVMainForm* F) { F->PassedInUrl = L"http://example.invalid/page.htm"; });
    TVMainForm* f = form->Form;
    EXPECT_NE(LogText().find(L">> OpenPassedInUrl(), http://example.invalid/page.htm\r\n"), std::wstring::npos);
    EXPECT_GT(f->TreeView1->Items()->TopLevelCount(), 3);
    EXPECT_TRUE(f->PassedInUrl.empty());
    // The tab keeps that page: no contents node is opened over it.
    EXPECT_EQ(LogText().find(L">> GotoUrl: "), std::wstring::npos);
}

TEST_F(VMainTocTest, EnterOnANodeOpensItsTopic) {
    Watchdog w(60000, "enter");
    auto form = Start();
    TVMainForm* f = form->Form;
    TTreeNode* vb6 = Find(f, L"Visual Basic 6.0 Reference");
    ASSERT_NE(vb6, nullptr);
    f->TreeView1->SetSelected(vb6);
    f->TreeView1->SetFocus();
    f->TreeView1->Perform(WM_CHAR, VK_RETURN, 0);
    const std::wstring log = LogText();
    const size_t line = log.rfind(L">> GotoUrl: ");
    ASSERT_NE(line, std::wstring::npos) << log;
    const std::wstring opened = log.substr(line, log.find(L"\r\n", line) - line);
    EXPECT_NE(opened.find(L"&method=page&id=vb6-reference&topicversion=&topiclocale="), std::wstring::npos) << opened;
    EXPECT_EQ(opened.substr(opened.size() - 12), L"&format=html") << opened;
}

TEST_F(VMainTocTest, AClickOpensTheNodeClickedOnceAndEachNewTabRequestMakesOneTab) {
    Watchdog w(60000, "clicks");
    // Browsers that load no document, as under Wine: no document-complete ever comes.
    BrowserViewFactory() = [](TComponent* Owner, TWinControl* Parent) -> TBrowserView* {
        auto* view = new browserfakes::FakeBrowserView(Owner);
        view->LoadsDocuments = false;
        view->SetParent(Parent);
        return view;
    };
    auto form = Start();
    TVMainForm* f = form->Form;
    f->Show();
    PumpFor(200);
    std::vector<TTreeNode*> top;
    for (TTreeNode* n = f->TreeView1->Items()->GetFirstNode(); n; n = n->getNextSibling())
        top.push_back(n);
    ASSERT_GE(top.size(), 4u);
    const auto idOf = [&](TTreeNode* N) { return std::string("&id=") + WideToUtf8(f->TocRecordOf(N)->Id) + "&"; };
    // Each step opens the node clicked, once, and leaves it selected.
    const auto opens = [&](TTreeNode* N, UINT Down, UINT Up, WPARAM Keys) -> ::testing::AssertionResult {
        const size_t mark = RequestMark();
        ClickNode(f, N, Down, Up, Keys);
        PumpUntil([&] { return !RequestsWith(mark, "&format=html").empty(); }, 5000);
        const std::vector<std::string> opened = RequestsWith(mark, "&format=html");
        if (opened.size() != 1 || opened[0].find(idOf(N)) == std::string::npos)
            return ::testing::AssertionFailure() << opened.size() << " pages: " << (opened.empty() ? "" : opened[0]);
        if (f->TreeView1->Selected() != N)
            return ::testing::AssertionFailure() << "not selected";
        return ::testing::AssertionSuccess();
    };
    const int tabs = f->SmartTabs->GetTabCount();
    EXPECT_TRUE(opens(top[1], WM_LBUTTONDOWN, WM_LBUTTONUP, 0));
    EXPECT_TRUE(opens(top[2], WM_LBUTTONDOWN, WM_LBUTTONUP, 0));
    EXPECT_EQ(f->SmartTabs->GetTabCount(), tabs);
    // Ctrl+click twice and a middle click: one new tab each.
    EXPECT_TRUE(opens(top[3], WM_LBUTTONDOWN, WM_LBUTTONUP, MK_CONTROL));
    EXPECT_EQ(f->SmartTabs->GetTabCount(), tabs + 1);
    EXPECT_TRUE(opens(top[1], WM_LBUTTONDOWN, WM_LBUTTONUP, MK_CONTROL));
    EXPECT_EQ(f->SmartTabs->GetTabCount(), tabs + 2);
    EXPECT_TRUE(opens(top[2], WM_MBUTTONDOWN, WM_MBUTTONUP, 0));
    EXPECT_EQ(f->SmartTabs->GetTabCount(), tabs + 3);
    // Ctrl+Enter in an address box: the address in a new tab, from a tab that navigated and
    // from an empty one of the New Tab command alike.
    const std::wstring address = f->ActiveFrame()->AddressText();
    const auto ctrlEnter = [&] {
        const int before = f->SmartTabs->GetTabCount();
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = 0x80;
        SetKeyboardState(keys);
        f->ActiveFrame()->UrlEdit->SetText(address);
        f->ActiveFrame()->BrowserGoBtnClick();
        PumpUntil([&] { return f->SmartTabs->GetTabCount() > before; }, 3000);
        PumpFor(100);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    };
    ctrlEnter();
    EXPECT_EQ(f->SmartTabs->GetTabCount(), tabs + 4);
    // An empty tab of the New Tab command is no tab made for the next request.
    f->TabMenu_NewTabClick();
    EXPECT_TRUE(opens(top[3], WM_LBUTTONDOWN, WM_LBUTTONUP, MK_CONTROL));
    EXPECT_EQ(f->SmartTabs->GetTabCount(), tabs + 6);
    f->TabMenu_NewTabClick();
    ctrlEnter();
    EXPECT_EQ(f->SmartTabs->GetTabCount(), tabs + 8);

    // A right click: the menu acts on the node under the pointer.
    const TNotifyEvent popup = f->TocPopupMenu->OnPopup;
    TTreeNode* shownFor = nullptr;
    bool openEnabled = false;
    f->TocPopupMenu->OnPopup = [&](TObject* Sender) {
        popup(Sender);
        shownFor = f->TreeView1->Selected();
        openEnabled = f->TOCMenu_OpenInNewTab->Enabled();
    };
    SetTimer(nullptr, 0, 50, EndMenuNow);
    ClickNode(f, top[3], WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_EQ(shownFor, top[3]);
    EXPECT_TRUE(openEnabled);
    f->TocPopupMenu->OnPopup = popup;
}

// An expansion asks the agent and lets messages run; a reload that arrives meanwhile frees
// the node being expanded. Next Topic goes on from the same topic in the new tree.
TEST_F(VMainTocTest, NextTopicGoesOnFromTheSameTopicWhenTheTreeIsReloadedDuringItsExpansion) {
    Watchdog w(60000, "reload during an expansion");
    auto form = Start();
    TVMainForm* f = form->Form;
    TTreeNode* library = Find(f, L"Visual Studio 2010 Help Library");
    ASSERT_NE(library, nullptr);
    ASSERT_TRUE(Unopened(library));
    f->TreeView1->SetSelected(library);
    const auto expanding = f->TreeView1->OnExpanding;
    int reloads = 0;
    f->TreeView1->OnExpanding = [&](TObject* Sender, TTreeNode* Node, bool& Allow) {
        expanding(Sender, Node, Allow);
        if (reloads++ == 0)
            f->TOCMenu_ReloadTOCClick();
    };
    f->mmnuNextTopicClick();
    EXPECT_EQ(reloads, 2);
    TTreeNode* selected = f->TreeView1->Selected();
    ASSERT_NE(selected, nullptr);
    ASSERT_NE(selected->Parent(), nullptr) << selected->Text();
    EXPECT_EQ(selected->Parent()->Text(), L"Visual Studio 2010 Help Library");
    EXPECT_EQ(selected, selected->Parent()->GetFirstChild());
    EXPECT_TRUE(Consistent(f));
}

// A catalog chosen while an expansion waits for the agent (its requests let messages run)
// waits for the expansion, which fills the tree it began with, and is loaded after it.
TEST_F(VMainTocTest, ACatalogChosenWhileAnExpansionWaitsForTheAgentIsLoadedAfterIt) {
    Watchdog w(90000, "catalog during an expansion");
    standin_test::AgentProcess slow;
    TFixedAgentEnvironment slowEnv;
    auto form = Start();
    TVMainForm* f = form->Form;
    const std::wstring english = f->CurrentCatalog;
    const std::wstring german = L"VS\\100\\de-DE";
    // From here every children request takes a while, and requests made on this thread let
    // messages run meanwhile.
    ASSERT_TRUE(Suite->StartAnother(slow, slowEnv, {{L"STANDIN_AGENT_FAULTS", L"children=stall:600"}}));
    RegWriteString(HKEY_CURRENT_USER, RuntimeKey, L"AgentPort", slowEnv.PortText);
    delete g_H3Code;
    g_H3Code = new TH3Code(Paths.get(), &slowEnv);
    struct TGuiWait {
        TGuiWait() { UseGuiRequestWait(); }
        ~TGuiWait() { UseGuiRequestWait(false); }
    } guiWait;
    TTreeNode* library = Find(f, L"Visual Studio 2010 Help Library");
    ASSERT_NE(library, nullptr);
    const UINT request = WM_APP + 28;
    int delivered = 0;
    f->SetMessageHandler(request, [&](TMessage&) {
        ++delivered;
        f->LoadCatalog(german);
    });
    PostMessageW(f->Handle(), request, 0, 0);
    library->Expand(false);
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(f->CurrentCatalog, english);
    EXPECT_GT(library->Count(), 0);
    EXPECT_TRUE(Consistent(f));
    EXPECT_TRUE(PumpUntil([&] { return f->CurrentCatalog == german && !f->TocLoading(); }, 60000));
    EXPECT_TRUE(Consistent(f));
    EXPECT_EQ(f->TreeView1->Items()->GetFirstNode()->Text(), L"Visual Studio 2010 (Deutsch)");
}
