// The contents page: loading a catalog's tree, expanding nodes, their images, opening a
// node's topic, the orphan list and the tree's pop-up menu.
//
// A load and an expansion ask the agent synchronously; the agent check and the load itself
// let messages run, so a catalog change, a reload or a display-mode change that arrives
// meanwhile is remembered and carried out when the running load has ended, never under it.
#include "VMain.h"

#include "FCancel.h"
#include "TntComCtrls.h"
#include "TntDialogs.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "SysUtils.h"
#include "ImgList.h"
#include "UAgentLink.h"
#include "UAppSettings.h"
#include "UDebugLog.h"
#include "UH3_Code.h"
#include "UHtmlEntities.h"
#include "UMainSettings.h"
#include "UPaneLayout.h"
#include "UShotTimer.h"
#include "UTocRules.h"
#include "UTocTreeView.h"
#include "qenSmartTabs.h"

#include <algorithm>
#include <commctrl.h>

namespace {

// The catalog root's id, the development environment's root topic (pre-release runtime) and
// the .NET Framework 3.5 entry.
const wchar_t* const CatalogRootId = L"-1";
const wchar_t* const PreReleaseRootId = L"BA237712-F8C4-4D13-854B-AB4A16AFA309";
const wchar_t* const NetFx35Id = L"F61F02F2-2F20-483D-8F56-A9C8F3A54986";
const wchar_t* const NetFx35Version = L"90";

TTocNode RefOf(TTreeNode* Node) { return TTocTreeView::RefOf(Node); }

// The tree's nodes change without a redraw each until the end of the scope.
struct TTreeUpdate {
    explicit TTreeUpdate(TTntTreeView* ATree) : Tree(ATree) { Tree->Items()->BeginUpdate(); }
    ~TTreeUpdate() { Tree->Items()->EndUpdate(); }
    TTreeUpdate(const TTreeUpdate&) = delete;
    TTreeUpdate& operator=(const TTreeUpdate&) = delete;
    TTntTreeView* Tree;
};

// Replies asked for ahead are dropped when the handler that asked for them ends.
struct TPrefetchScope {
    TPrefetchScope() = default;
    TPrefetchScope(const TPrefetchScope&) = delete;
    TPrefetchScope& operator=(const TPrefetchScope&) = delete;
    ~TPrefetchScope() {
        if (g_TocData)
            g_TocData->DropPrefetched();
    }
};

// The hour-glass for the length of a scope.
struct TBusyCursor {
    TBusyCursor() { HourGlassOn(); }
    ~TBusyCursor() { HourGlassOff(); }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;
};

// The nine pictures of the tree: a page (no children), a closed and an open book, in the
// colours of the three kinds (blue: the loaded tree, orange: orphan entries, green: another
// version or locale than the topic above).
void DrawTocImages(TImageList* Images) {
    const TColor inks[3] = {RGB(0x2F, 0x5F, 0xA8), RGB(0xD0, 0x6A, 0x10), RGB(0x2E, 0x8B, 0x3A)};
    const TColor mask = RGB(0xFF, 0x00, 0xFF);
    Images->Clear();
    for (TColor ink : inks) {
        for (int state = 0; state < 3; ++state) {
            TBitmap bitmap;
            bitmap.SetSize(16, 16);
            TCanvas* c = bitmap.Canvas();
            c->Brush()->SetColor(mask);
            c->FillRect(RECT{0, 0, 16, 16});
            c->Pen()->SetColor(ink);
            c->Pen()->SetWidth(1);
            if (state == 0) {
                // A page with a folded corner and three lines of text.
                c->Brush()->SetColor(clWhite);
                c->Polygon({{3, 1}, {10, 1}, {13, 4}, {13, 14}, {3, 14}});
                for (int y : {5, 8, 11}) {
                    c->MoveTo(5, y);
                    c->LineTo(11, y);
                }
            } else if (state == 1) {
                // A closed book.
                c->Brush()->SetColor(ink);
                c->Rectangle(3, 2, 13, 14);
                c->Pen()->SetColor(clWhite);
                c->MoveTo(5, 2);
                c->LineTo(5, 14);
            } else {
                // An open book: two pages.
                c->Brush()->SetColor(clWhite);
                c->Polygon({{1, 4}, {7, 5}, {7, 14}, {1, 13}});
                c->Polygon({{8, 5}, {14, 4}, {14, 13}, {8, 14}});
                c->Brush()->SetColor(ink);
                c->Rectangle(7, 4, 9, 15);
            }
            Images->AddMasked(&bitmap, mask);
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------
// Set-up

void TVMainForm::BindTocEvents() {
    DrawTocImages(TocImageList);
    TreeView1->SetImages(TocImageList);
    TreeView1->OnExpanding = [this](TObject*, TTreeNode* Node, bool& Allow) { TreeView1Expanding(Node, Allow); };
    TreeView1->OnExpanded = [this](TObject*, TTreeNode* Node) { TreeView1Expanded(Node); };
    TreeView1->OnCollapsed = [this](TObject*, TTreeNode* Node) { TreeView1Expanded(Node); };
    TreeView1->OnGetImageIndex = [this](TObject*, TTreeNode* Node) { TreeView1GetImageIndex(Node); };
    TreeView1->OnGetSelectedIndex = [this](TObject*, TTreeNode* Node) { TreeView1GetSelectedIndex(Node); };
    TreeView1->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int X, int Y) { FTocMouse = {X, Y}; };
    TreeView1->OnMouseMove = [this](TObject*, TShiftState Shift, int X, int Y) { TreeView1MouseMove(Shift, X, Y); };
    TreeView1->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        TreeView1MouseUp(Button, X, Y);
    };
    TreeView1->OnKeyPress = [this](TObject*, wchar_t& Key) { TreeView1KeyPress(Key); };
    // The pop-up menu acts on the selected node: a right click selects the node under the
    // pointer first (from the keyboard the selection stays).
    TreeView1->OnContextPopup = [this](TObject*, POINT MousePos, bool&) {
        if (MousePos.x == -1 && MousePos.y == -1)
            return;
        if (TTreeNode* node = TreeView1->GetNodeAt(MousePos.x, MousePos.y))
            TreeView1->SetSelected(node);
    };
    SetMessageHandler(WM_VIEWER_TOCPENDING, [this](TMessage&) { RunPendingToc(); });
}

// ---------------------------------------------------------------------------------
// Catalogs

// The box names the catalog shown; when the store has it no more, the catalog the box
// names now is loaded. Before any catalog is shown it names the one saved.
void TVMainForm::RefillCatalogBox() {
    if (CurrentCatalog.empty()) {
        FillCatalogBox(CatalogCbo, AppSettings ? AppSettings->ReadString(MainSection, L"lastCatalog", DefaultCatalogKey)
                                               : std::wstring(DefaultCatalogKey));
        return;
    }
    FillCatalogBox(CatalogCbo, CurrentCatalog);
    if (CatalogCbo->ItemIndex() >= 0 && !SameText(CatalogText(), CurrentCatalog))
        CatalogCboChange();
}

void TVMainForm::CatalogCboCloseUp() {
    if (CatalogCbo->ItemIndex() < 0)
        return;
    const std::wstring key = CatalogCbo->ItemText(CatalogCbo->ItemIndex());
    // Chosen during a wait: the last choice loads once the waits have returned.
    if (WaitsRunning() > 0) {
        FPendingCatalog = key;
        return;
    }
    LoadCatalog(key);
}

void TVMainForm::CatalogCboChange() {
    if (FCatalogChanging) {
        // Chosen while the last choice loads: the last choice wins, after it.
        if (CatalogCbo->ItemIndex() >= 0)
            FPendingCatalog = CatalogCbo->ItemText(CatalogCbo->ItemIndex());
        return;
    }
    FCatalogChanging = true;
    try {
        CatalogCboCloseUp();
    } catch (...) {
        FCatalogChanging = false;
        throw;
    }
    FCatalogChanging = false;
}

// ---------------------------------------------------------------------------------
// Loading the tree

void TVMainForm::LoadToc() {
    if (FTocLoading) {
        // Under a running load (it lets messages run): after it.
        FTocReloadPending = true;
        return;
    }
    FTocLoading = true;
    do {
        FTocReloadPending = false;
        try {
            RunLoadToc();
        } catch (...) {
            FTocLoading = false;
            FContentsBusy = false;
            throw;
        }
    } while (FTocReloadPending && FPendingCatalog.empty() && !Closing);
    FTocLoading = false;
    // A catalog chosen while the load ran.
    if (!FPendingCatalog.empty() && !Closing) {
        const std::wstring key = std::move(FPendingCatalog);
        FPendingCatalog.clear();
        LoadCatalog(key);
    }
}

TVMainForm::TTocHold::TTocHold(TVMainForm& AForm) : Form(AForm), Held(AForm.FTocLoading) { Form.FTocLoading = true; }

TVMainForm::TTocHold::~TTocHold() {
    if (Held)
        return;
    Form.FTocLoading = false;
    if ((Form.FTocReloadPending || !Form.FPendingCatalog.empty()) && !Closing && Form.HandleAllocated())
        PostMessageW(Form.Handle(), WM_VIEWER_TOCPENDING, 0, 0);
}

void TVMainForm::RunPendingToc() {
    // A load that runs takes what is pending itself, once it ends.
    if (FTocLoading || Closing)
        return;
    const std::wstring key = std::move(FPendingCatalog);
    FPendingCatalog.clear();
    const bool reload = FTocReloadPending;
    FTocReloadPending = false;
    if (!key.empty() && !SameText(key, CurrentCatalog))
        LoadCatalog(key);
    else if (reload)
        LoadToc();
}

void TVMainForm::RunLoadToc() {
    TTntTreeNodes* items = TreeView1->Items();
    // 1. Empty tree, empty records.
    DebugLogEx(L">> LoadToc(), 0", true);
    DebugLogEx(L">> LoadToc(), TreeView1.Items.Count=" + std::to_wstring(items->Count()), true);
    FTocTree->Clear();
    ++FTocGeneration;
    DebugLogEx(L">> LoadToc(), SetLength _TocData.mTocList = 0", true);
    g_TocData->mTocList.clear();
    g_TocData->SyncList.clear();
    // 2. A passed-in address that is no help page opens as it is; the tree loads all the same.
    bool passedOpened = false;
    if (!PassedInUrl.empty() && !IsHelpUrl(PassedInUrl)) {
        const std::wstring url = PassedInUrl;
        PassedInUrl.clear();
        OpenPassedInUrl(url);
        passedOpened = true;
    }
    // 3.
    if (!EnsureHelpAgent())
        return;
    // 4.
    FContentsBusy = true;
    TBusyCursor busy; // to the end
    TreeView1->Repaint();
    Application->ProcessMessages();
    try {
        LoadTocNodes();
    } catch (...) {
        DebugLogEx(L"** Error: LoadToc", true);
    }
    // 9. The caption, the orphan groups, the .NET Framework 3.5 entry.
    UpdateCaption();
    DebugLogEx(L">> LoadToc(), 7", true);
    LoadOrphanIds(CurrentCatalog);
    if (items->Count() == 0) {
        bool present = false;
        for (const std::wstring& entry : OrphanIds)
            present = present || SameText(entry, EmptyTreeOrphanEntry);
        if (!present)
            OrphanIds.push_back(EmptyTreeOrphanEntry);
    }
    const std::vector<std::wstring> orphans = OrphanIds;
    for (const std::wstring& entry : orphans) {
        DebugLogEx(L">> Restore Orphan TOC item: " + entry, true);
        TTocItemArray ancestors;
        g_TocData->GetAncestorsFromUrl(entry, ancestors);
        if (!ancestors.empty()) {
            const TTocItem last = ancestors.back();
            DoTocSync(last.Id, last.TopicVersion, false, last.TopicLocale);
        }
    }
    DoTocSync(NetFx35Id, NetFx35Version, false, L"");
    // 10. The passed-in page, or the first node's topic in a tab that shows nothing yet.
    if (!PassedInUrl.empty()) {
        OpenPassedInUrl(PassedInUrl);
    } else if (TTreeNode* first = items->GetFirstNode()) {
        TreeView1->SetSelected(first);
        if (!passedOpened && SmartTabs->GetTabCount() > 0 && ActiveTabLocation().empty())
            OpenTocNode();
    }
    // 11.
    PassedInUrl.clear();
    FContentsBusy = false;
}

void TVMainForm::LoadTocNodes() {
    TTntTreeNodes* items = TreeView1->Items();
    // 5. The catalog's root page.
    TTocItemArray topics;
    g_TocData->GetRootTopic(topics);
    if (!topics.empty()) {
        RootTopic = topics.front();
        g_TocData->AddTopicNodes(nullptr, topics);
        if (items->Count() == 1)
            items->GetFirstNode()->SetStateIndex(3);
    }
    // 6. The pre-release runtime's root topic of the development environment.
    if (CurrentH3Paths().IsHelp3Beta && g_H3Code && SameText(g_H3Code->Product, L"vs")) {
        DebugLogEx(L">> Find VS\\100\\ root Topic details", true);
        TTocItemArray ancestors;
        g_TocData->GetAncestors(PreReleaseRootId, L"", L"", ancestors);
        g_TocData->AddTopicNodes(nullptr, ancestors);
    }
    // 7. The entries of the catalog root.
    DebugLogEx(L">> Children of id=-1 (3rd Party plugins)", true);
    std::vector<int> added;
    g_TocData->LoadChildren(CatalogRootId, added);
    g_TocData->AddNodes(nullptr, added);
    // 8. Quick: each entry gets an expand button to open it by (its children are fetched then);
    //    full: every node's children, all the way down.
    if (mmnuQuickTOCLoad->Checked()) {
        for (int index : added) {
            TTocItem& record = g_TocData->mTocList[static_cast<size_t>(index)];
            record.IsRoot = false;
            if (record.Node) {
                FTocTree->SetHasChildren(record.Node, true);
                g_TocData->UpdateNodeImages(record.Node);
            }
        }
        return;
    }
    DebugLogEx(L">> LoadToc(), 6", true);
    int position = 0;
    // Depth first: the children a node gets are visited right after it.
    for (TTreeNode* node = items->GetFirstNode(); node; node = node->GetNext(), ++position) {
        if (node->Count() > 0)
            continue;
        const intptr_t index = reinterpret_cast<intptr_t>(node->Data());
        if (index < 0 || index >= static_cast<intptr_t>(g_TocData->mTocList.size()) ||
            g_TocData->mTocList[static_cast<size_t>(index)].IsRoot)
            continue;
        DebugLogEx(L">> Children of Node[" + std::to_wstring(position) + L"] " + NodePathText(node), true);
        try {
            std::vector<int> children;
            if (FetchTocChildren(node, &children))
                DebugLogEx(L"  --> Children found: " + std::to_wstring(children.size()), true);
            else
                DebugLogEx(L"** Error: No answer for the children of " +
                               g_TocData->mTocList[static_cast<size_t>(index)].Id,
                           true);
        } catch (...) {
            DebugLogEx(L"** Error: Exception getting children of " + g_TocData->mTocList[static_cast<size_t>(index)].Id,
                       true);
        }
    }
    if (items->Count() > 0) {
        TreeView1->Repaint();
        Application->ProcessMessages();
    }
}

// ---------------------------------------------------------------------------------
// Records and nodes

int TVMainForm::AddTocRecord(TTocNode ParentNode, const TTocItem& Topic) {
    TTocItem record = Topic;
    record.IsRoot = false;
    record.Node = nullptr;
    DecodeTitleText(record.Title);
    g_TocData->TidyNodeText(record.Title, ParentNode);
    g_TocData->mTocList.push_back(record);
    const int index = static_cast<int>(g_TocData->mTocList.size()) - 1;
    const TTocNode node = FTocTree->AddChild(ParentNode, record.Title, index);
    g_TocData->mTocList[static_cast<size_t>(index)].Node = node;
    if (ParentNode)
        g_TocData->UpdateNodeImages(ParentNode);
    g_TocData->UpdateNodeImages(node);
    return index;
}

bool TVMainForm::FetchTocChildren(TTreeNode* Node, std::vector<int>* Added) {
    TTocItem* record = TocRecordOf(Node);
    if (!record)
        return false;
    // Marked while the request is out, so that an expansion that runs meanwhile does not
    // ask again and add the children twice.
    record->IsRoot = true;
    const unsigned generation = FTocGeneration;
    std::vector<int> added;
    if (g_TocData->ExpandNode(RefOf(Node), added)) {
        if (Added)
            *Added = std::move(added);
        return true;
    }
    // The tree went while the request was out: so did Node.
    if (generation != FTocGeneration)
        return false;
    // No answer: the node is as it was before, with its button, and asks again next time.
    if (TTocItem* now = TocRecordOf(Node))
        now->IsRoot = false;
    if (Node->Count() == 0)
        FTocTree->SetHasChildren(RefOf(Node), true);
    g_TocData->UpdateNodeImages(RefOf(Node));
    return false;
}

int TVMainForm::FindTocRecord(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale) {
    return ::FindTocRecord(g_TocData->mTocList, Id, Version, Locale);
}

std::wstring TVMainForm::NodePathText(TTreeNode* Node) {
    std::wstring text;
    for (TTreeNode* n = Node; n; n = n->Parent())
        text += (n == Node ? L"\"" : L" > \"") + n->Text() + L"\"";
    return text;
}

TTocItem* TVMainForm::TocRecordOf(TTreeNode* Node) { return g_TocData ? g_TocData->ItemOfNode(RefOf(Node)) : nullptr; }

// ---------------------------------------------------------------------------------
// Tree events

void TVMainForm::TreeView1Expanding(TTreeNode* Node, bool& AllowExpansion) {
    AllowExpansion = true;
    if (FContentsBusy || !Node)
        return;
    TTocHold hold(*this);
    const unsigned generation = FTocGeneration;
    if (!EnsureHelpAgent())
        return;
    // The tree was loaded anew while the check waited: this node is gone.
    if (generation != FTocGeneration) {
        AllowExpansion = false;
        return;
    }
    TTocItem* record = TocRecordOf(Node);
    if (!record)
        return;
    // Each fetch lets messages run: a reload meanwhile takes Node and its children.
    const auto reloaded = [&] {
        if (generation == FTocGeneration)
            return false;
        AllowExpansion = false;
        return true;
    };
    // 1. The first opening fetches the children (a node the agent answers without any loses
    //    its button; one it gave no answer for keeps it, to be fetched at the next opening).
    if (!record->IsRoot) {
        Node->DeleteChildren();
        std::vector<int> added;
        if (!FetchTocChildren(Node, &added)) {
            if (!reloaded())
                AllowExpansion = false;
            return;
        }
        // The tree's own opening of a very large family is a step of its own.
        if (added.size() >= TTocData::StepTopics) {
            Application->ProcessMessages();
            if (reloaded())
                return;
        }
    }
    // 2. Each child's own children, so that its expand button is right; in a big family each
    //    child shows a button until it is opened instead.
    const int count = Node->Count();
    if (count == 0)
        return;
    TBusyCursor busy;
    const bool prefetch = count < TocPrefetchLimit;
    std::vector<TTreeNode*> children;
    for (TTreeNode* child = Node->GetFirstChild(); child; child = child->getNextSibling())
        children.push_back(child);
    // The children's own children are asked for at once; each merge below takes its reply.
    TPrefetchScope prefetched;
    if (prefetch) {
        std::vector<std::wstring> ids;
        for (TTreeNode* child : children)
            if (const TTocItem* childRecord = TocRecordOf(child); childRecord && !childRecord->IsRoot)
                ids.push_back(childRecord->Id);
        g_TocData->PrefetchChildren(ids);
        if (reloaded())
            return;
    }
    // The tree is drawn once, when all children have theirs.
    TTreeUpdate update(TreeView1);
    for (TTreeNode* child : children) {
        TTocItem* childRecord = TocRecordOf(child);
        if (!childRecord || childRecord->IsRoot)
            continue;
        if (prefetch) {
            DebugLog(L">> Expand and check Node: " + NodePathText(child));
            FetchTocChildren(child);
            if (reloaded())
                return;
        } else if (child->Count() == 0) {
            FTocTree->SetHasChildren(RefOf(child), true);
        }
    }
}

void TVMainForm::TreeView1Expanded(TTreeNode* Node) {
    if (!Node || !g_TocData)
        return;
    g_TocData->UpdateNodeImages(RefOf(Node));
    TreeView1->Invalidate();
}

void TVMainForm::TreeView1GetImageIndex(TTreeNode* Node) {
    std::vector<TTocImageLevel> chain;
    for (TTreeNode* n = Node; n; n = n->Parent()) {
        const TTocItem* record = TocRecordOf(n);
        if (!record) {
            // A node of no record: never shown open, drawn as a plain page.
            if (n == Node)
                break;
            continue;
        }
        chain.push_back({(record->Flags & TocFlagOrphan) != 0, record->TopicVersion, record->TopicLocale});
    }
    Node->SetImageIndex(TocImageIndex(chain.empty() ? TTocImageKind::Normal : TocImageKind(chain),
                                      Node->HasChildren(), Node->Expanded()));
}

void TVMainForm::TreeView1GetSelectedIndex(TTreeNode* Node) {
    TreeView1GetImageIndex(Node);
    Node->SetSelectedIndex(Node->ImageIndex());
}

void TVMainForm::TreeView1MouseMove(TShiftState Shift, int X, int Y) {
    FTocMouse = {X, Y};
    if (Shift & ssLeft)
        if (TTreeNode* node = TreeView1->GetNodeAt(X, Y))
            TreeView1->SetSelected(node);
}

void TVMainForm::TreeView1MouseUp(TMouseButton Button, int X, int Y) {
    FTocMouse = {X, Y};
    if (Button != mbMiddle)
        return;
    TTreeNode* node = TreeView1->GetNodeAt(X, Y);
    if (!node)
        return;
    // The topic opens in a new tab.
    TForceNewTab force;
    TreeView1->SetSelected(node);
    TreeView1Click();
}

void TVMainForm::TreeView1Click() {
    DebugLog(L">> TOC Click Event");
    const THitTests hit = TreeView1->GetHitTestInfoAt(FTocMouse.x, FTocMouse.y);
    TTreeNode* node = TreeView1->GetNodeAt(FTocMouse.x, FTocMouse.y);
    if (!node)
        return;
    if (hit & (htOnIndent | htOnStateIcon)) {
        if (node->HasChildren()) {
            // The expansion asks the agent and lets messages run: a reload meanwhile takes
            // the node with the tree.
            const unsigned generation = FTocGeneration;
            node->SetExpanded(!node->Expanded());
            if (g_TocData && generation == FTocGeneration)
                g_TocData->UpdateNodeImages(RefOf(node));
        }
    } else if (hit & (htOnIcon | htOnLabel)) {
        // The control moves its selection only after this event: the clicked node opens.
        TreeView1->SetSelected(node);
        OpenTocNode();
    }
}

void TVMainForm::TreeView1KeyPress(wchar_t& Key) {
    if (Key != L'\r' && Key != L' ')
        return;
    Key = 0;
    OpenTocNode();
}

void TVMainForm::OpenTocNode() {
    TTreeNode* node = TreeView1->Selected();
    const TTocItem* record = node ? TocRecordOf(node) : nullptr;
    if (!record || !g_H3Code)
        return;
    std::wstring url;
    g_H3Code->MakeAgentUrl({L"method", L"page", L"id", record->Id, L"topicversion", record->TopicVersion,
                            L"topiclocale", record->TopicLocale, L"format", L"html"},
                           url);
    const std::wstring title = node->Text();
    if (EnsureHelpAgent())
        GotoUrl(url, title);
}

// ---------------------------------------------------------------------------------
// The orphan list

void TVMainForm::LoadOrphanIds(const std::wstring& Key) {
    OrphanIds.clear();
    if (!OrphanListEnabled || !AppSettings)
        return;
    for (int number = 1;; ++number) {
        const std::wstring value = AppSettings->ReadString(MainSection, Key + L"_OrphanID" + std::to_wstring(number), L"");
        if (value.empty())
            break;
        std::wstring id, version, locale;
        if (ParseOrphanEntry(value, id, version, locale))
            OrphanIds.push_back(value);
        else
            DebugLogEx(L"** Skipped orphan entry " + Key + L"_OrphanID" + std::to_wstring(number) + L": " + value, true);
    }
}

// ---------------------------------------------------------------------------------
// The contents page's pop-up menu

void TVMainForm::TocPopupMenuPopup() {
    TTreeNode* node = TreeView1->Selected();
    const TTocItem* record = node ? TocRecordOf(node) : nullptr;
    TOCMenu_RemoveOrphanGroup->SetEnabled(record && (record->Flags & TocFlagOrphan) && !FTocLoading);
    TOCMenu_OpenInNewTab->SetEnabled(node != nullptr);
}

void TVMainForm::TOCMenu_ReloadTOCClick() { LoadToc(); }

void TVMainForm::TOCMenu_AddNETFramework35Click() {
    if (!DoTocSync(NetFx35Id, NetFx35Version, false, L""))
        WideShowMessage(L".NET Framework 3.5 not found. Download from the web.");
}

void TVMainForm::TOCMenu_RemoveOrphanGroupClick() {
    // Not under a running load: it walks the records this would move.
    if (FTocLoading)
        return;
    TTreeNode* group = TreeView1->Selected();
    const TTocItem* groupRecord = group ? TocRecordOf(group) : nullptr;
    if (!groupRecord || !(groupRecord->Flags & TocFlagOrphan))
        return;
    // The records of the group's nodes go; every other node's data follows its record's
    // new index, and the quick-sync list forgets the nodes that go.
    TTocItemArray& list = g_TocData->mTocList;
    std::vector<bool> remove(list.size(), false);
    std::vector<TTocNode> gone;
    const int level = group->Level();
    for (TTreeNode* n = group; n && (n == group || n->Level() > level); n = n->GetNext()) {
        gone.push_back(RefOf(n));
        const intptr_t index = reinterpret_cast<intptr_t>(n->Data());
        if (index >= 0 && index < static_cast<intptr_t>(list.size()))
            remove[static_cast<size_t>(index)] = true;
    }
    const std::vector<int> map = RemoveTocRecords(list, remove);
    for (TTreeNode* n = TreeView1->Items()->GetFirstNode(); n; n = n->GetNext()) {
        const intptr_t index = reinterpret_cast<intptr_t>(n->Data());
        if (index >= 0 && index < static_cast<intptr_t>(map.size()))
            n->SetData(reinterpret_cast<void*>(static_cast<intptr_t>(map[static_cast<size_t>(index)])));
    }
    for (TTocItem& item : g_TocData->SyncList)
        if (std::find(gone.begin(), gone.end(), item.Node) != gone.end())
            item.Node = nullptr;
    ++FTocGeneration;
    TTreeNode* parent = group->Parent();
    group->Delete();
    if (parent)
        g_TocData->UpdateNodeImages(RefOf(parent));
    if (TTreeNode* first = TreeView1->Items()->GetFirstNode())
        TreeView1->SetSelected(first);
}

void TVMainForm::mnuTDM_VS10Click(TTntMenuItem* Item) {
    if (Item->Checked())
        return;
    Item->SetChecked(true);
    g_TocData->Mode = Item == mnuTDM_Mixed ? 1 : Item == mnuTDM_Raw ? 2 : 0;
    LoadToc();
}

void TVMainForm::QuickTOCLoad1Click() {}

// ---------------------------------------------------------------------------------
// Layout

namespace {

// The right end of the pane's last page tab, 0 when the tabs are not shown.
int PageTabsWidth(TTntPageControl* Pages) {
    // A hidden page has none.
    if (!Pages->HandleAllocated())
        return 0;
    const int count = static_cast<int>(SendMessageW(Pages->Handle(), TCM_GETITEMCOUNT, 0, 0));
    if (count <= 0)
        return 0;
    // The answer says whether the tab can be seen, which it cannot in a collapsed pane; the
    // rectangle is filled either way.
    RECT last{};
    SendMessageW(Pages->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(count - 1), reinterpret_cast<LPARAM>(&last));
    return last.right;
}

} // namespace

int TVMainForm::UsablePaneWidth() {
    const int tabs = PageTabsWidth(NavPageControl);
    return std::min(std::max(tabs > 0 ? tabs + 5 : 0, CollapsedPaneWidth), PaneWidthCap(ClientWidth()));
}

void TVMainForm::EnsurePaneWidth() {
    const int tabsWidth = PageTabsWidth(NavPageControl);
    if (tabsWidth <= 0 || LeftPanel->Width() >= tabsWidth + 5)
        return;
    if (LastPaneWidth < tabsWidth)
        LastPaneWidth = DefaultPaneWidth;
    const bool guard = FStartupGuard;
    FStartupGuard = true;
    ShowPaneWidth(LastPaneWidth);
    FStartupGuard = guard;
}
