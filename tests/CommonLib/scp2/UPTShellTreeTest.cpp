#include "ShellTestSupport.h"
#include "TestHarness.h"

#include "Forms.h"
#include "UPTDeviceChange.h"
#include "UPTShellList.h"
#include "UPTShellTree.h"

#include "../../vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dbt.h>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace shelltest;
using namespace vcltest;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

class TTreeForm : public TForm {
public:
    VORLANE_CLASS_NAME(TTreeForm)
    explicit TTreeForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(20, 20, 700, 460); }
};

std::vector<std::wstring> ChildNames(TTreeNode* Node) {
    std::vector<std::wstring> names;
    for (TTreeNode* c = Node ? Node->GetFirstChild() : nullptr; c; c = c->getNextSibling())
        names.push_back(c->Text());
    return names;
}

TTreeNode* Child(TTreeNode* Node, const std::wstring& Name) {
    for (TTreeNode* c = Node ? Node->GetFirstChild() : nullptr; c; c = c->getNextSibling())
        if (c->Text() == Name)
            return c;
    return nullptr;
}

std::wstring PathOf(TPTCustomShellTree& Tree, TTreeNode* Node) {
    TPTShTreeData* data = Tree.GetNodeData(Node);
    return data ? PidlToPath(data->AbsPidl()) : L"?";
}

TPTPidl PidlOf(const std::wstring& Path) {
    TPTPidl p;
    PathToPidl(Path, p);
    return p;
}

// A drive set of the test's: letters of its choice, each watched at a folder of the test's.
struct TFakeDrives {
    DWORD Present = 0;
    std::map<wchar_t, UINT> Types;
    std::map<wchar_t, std::wstring> Roots;
    void Add(wchar_t Letter, UINT Type, const std::wstring& Root = L"") {
        Present |= 1u << (Letter - L'A');
        Types[Letter] = Type;
        Roots[Letter] = Root;
    }
    TPTDriveSource Source() {
        TPTDriveSource d;
        d.LogicalDrives = [this] { return Present; };
        d.DriveType = [this](wchar_t l) { return Types.count(l) ? Types[l] : static_cast<UINT>(DRIVE_NO_ROOT_DIR); };
        d.NetConnected = [](wchar_t) { return true; };
        d.RootPath = [this](wchar_t l) { return Roots[l]; };
        return d;
    }
};

// The temporary chain: alpha\beta\gamma\delta, bravo (empty), charlie, a hidden folder and
// a file.
struct TTreeFixture : ::testing::Test {
    TempDir Dir;
    TTreeForm Form{nullptr};
    TPTShellTree* Tree = nullptr;
    TFakeDrives FakeDrives;
    std::wstring Alpha, Beta, Gamma, Delta;
    TTreeFixture() {
        Alpha = Dir.File(L"alpha");
        Beta = Alpha + L"\\beta";
        Gamma = Beta + L"\\gamma";
        Delta = Gamma + L"\\delta";
        for (const std::wstring& d : {Alpha, Beta, Gamma, Delta, Dir.File(L"bravo"), Dir.File(L"charlie"),
                                      Dir.File(L"hidden")})
            CreateDirectoryW(d.c_str(), nullptr);
        SetFileAttributesW(Dir.File(L"hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
        WriteBytes(Dir.File(L"file.txt"), "f");
        Tree = new TPTShellTree(&Form);
        Tree->SetParent(&Form);
        Tree->SetBounds(0, 0, 300, 400);
        // Never the machine's own drives: Wine's Z: is the whole Unix file system.
        Tree->Drives = FakeDrives.Source();
        Form.Show();
        Tree->Root()->SetPath(Dir.Path());
    }
    TTreeNode* RootNode() { return Tree->Items()->GetFirstNode(); }
};

} // namespace

TEST_F(TTreeFixture, FillsTheRootAndOpensFoldersOnDemand) {
    Watchdog w(20000);
    TTreeNode* root = RootNode();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(Tree->Items()->TopLevelCount(), 1);
    EXPECT_EQ(PathOf(*Tree, root), Dir.Path());
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(Tree->Selected(), root);
    EXPECT_EQ(Tree->Folder()->GetPath(), Dir.Path());
    // Folders only, in the folder's order; the hidden one shown ghosted.
    EXPECT_EQ(ChildNames(root), (std::vector<std::wstring>{L"alpha", L"bravo", L"charlie", L"hidden"}));
    EXPECT_TRUE(Child(root, L"hidden")->Cut());
    EXPECT_FALSE(Child(root, L"alpha")->Cut());
    // Nothing below the first level until a node opens.
    TTreeNode* alpha = Child(root, L"alpha");
    EXPECT_FALSE(Tree->GetNodeData(alpha)->Populated);
    EXPECT_EQ(alpha->Count(), 0);
    EXPECT_TRUE(alpha->HasChildren());
    alpha->Expand(false);
    EXPECT_TRUE(Tree->GetNodeData(alpha)->Populated);
    EXPECT_EQ(ChildNames(alpha), std::vector<std::wstring>{L"beta"});
    EXPECT_EQ(PathOf(*Tree, Child(alpha, L"beta")), Beta);
    // An empty folder loses its button when it opens; so does one that vanished, silently.
    TTreeNode* bravo = Child(root, L"bravo");
    bravo->Expand(false);
    EXPECT_FALSE(bravo->HasChildren());
    TTreeNode* charlie = Child(root, L"charlie");
    RemoveDirectoryW(Dir.File(L"charlie").c_str());
    charlie->Expand(false);
    EXPECT_FALSE(charlie->HasChildren());
    EXPECT_EQ(charlie->Count(), 0);
    // Icons are found when drawn: the open icon only as the selected image.
    HWND wnd = Tree->Handle();
    TVITEMW it{};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    it.hItem = alpha->ItemId();
    SendMessageW(wnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_EQ(it.iImage, GetIconIndex(Tree->GetNodeData(alpha)->AbsPidl(), SHGFI_SMALLICON));
    EXPECT_EQ(it.iSelectedImage,
              GetIconIndex(Tree->GetNodeData(alpha)->AbsPidl(), SHGFI_SMALLICON | SHGFI_OPENICON));

    // Options: files shown (without buttons), hidden items left out; the add event may
    // refuse items.
    Tree->SetOptions((Tree->Options() | ptstoShowFiles) & ~ptstoShowHidden);
    ASSERT_EQ(ChildNames(RootNode()).size(), 3u); // alpha, bravo (charlie is gone), the file
    TTreeNode* file = RootNode()->GetLastChild();
    EXPECT_EQ(PathOf(*Tree, file), Dir.File(L"file.txt"));
    EXPECT_FALSE(file->HasChildren());
    Tree->OnAddItem = [](TObject*, IShellFolder*, PCItemIDList, PCItemIDList, ULONG Attributes, bool& Allow) {
        Allow = (Attributes & SFGAO_FOLDER) != 0;
    };
    Tree->Fill();
    EXPECT_EQ(ChildNames(RootNode()), (std::vector<std::wstring>{L"alpha", L"bravo"}));
}

TEST_F(TTreeFixture, NavigatesToADeepFolderAndStaysWithinTheRoot) {
    Watchdog w(20000);
    Tree->Folder()->SetPath(Delta);
    TTreeNode* node = Tree->Selected();
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(PathOf(*Tree, node), Delta);
    EXPECT_EQ(Tree->Folder()->GetPath(), Delta);
    for (TTreeNode* n = node->Parent(); n; n = n->Parent())
        EXPECT_TRUE(n->Expanded()) << n->Text().c_str();
    EXPECT_FALSE(node->Expanded());
    // Outside the root: the selection stays, and the folder keeps naming it.
    const std::wstring dir = Dir.Path();
    TPTPidl outside = PidlOf(dir.substr(0, dir.find_last_of(L'\\')));
    EXPECT_FALSE(Tree->NavigateTo(outside.Get()));
    EXPECT_EQ(Tree->Selected(), node);
    Tree->Folder()->SetPath(L"C:\\windows");
    EXPECT_EQ(Tree->Selected(), node);
    EXPECT_EQ(Tree->Folder()->GetPath(), Delta);
    // A folder made after its parent was listed is added on the way, in order.
    CreateDirectoryW((Alpha + L"\\aaa").c_str(), nullptr);
    TPTPidl late = PidlOf(Alpha + L"\\aaa");
    ASSERT_TRUE(Tree->NavigateTo(late.Get()));
    EXPECT_EQ(ChildNames(Tree->Selected()->Parent()), (std::vector<std::wstring>{L"aaa", L"beta"}));
    // The root itself.
    Tree->Folder()->SetPath(Dir.Path());
    EXPECT_EQ(Tree->Selected(), RootNode());
    // A new root starts afresh at the root.
    Tree->Root()->SetPath(Alpha);
    EXPECT_EQ(PathOf(*Tree, RootNode()), Alpha);
    EXPECT_EQ(Tree->Selected(), RootNode());
    EXPECT_EQ(Tree->Folder()->GetPath(), Alpha);
}

TEST_F(TTreeFixture, KeyboardSelectionMovesTheLinkedListOnceAfterTheLastChange) {
    Watchdog w(20000);
    auto* list = new TPTShellList(&Form);
    list->SetParent(&Form);
    list->SetBounds(310, 0, 380, 400);
    list->SetOptions(list->Options() & ~ptsloDynamicRefresh);
    Tree->SetLinkedList(list);
    EXPECT_EQ(list->LinkedTree(), Tree);
    EXPECT_EQ(Tree->LinkedList(), list);
    EXPECT_EQ(list->Folder()->GetPath(), Dir.Path());
    int changes = 0;
    list->OnFolderChanged = [&](TObject*) { ++changes; };
    Tree->SetFocus();
    for (int i = 0; i < 3; ++i)
        SendMessageW(Tree->Handle(), WM_KEYDOWN, VK_DOWN, 1);
    TTreeNode* chosen = Tree->Selected();
    EXPECT_EQ(chosen->Text(), L"charlie");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(Tree->TimerMode(), TPTCustomShellTree::tmSelection);
    EXPECT_EQ(Tree->Timer()->Interval(), 500u);
    // A change notice meanwhile neither cancels the selection nor is lost: it follows it.
    CreateDirectoryW(Dir.File(L"noticed").c_str(), nullptr);
    Tree->Perform(TPTCustomShellTree::WM_PTCHANGENOTIFY, 0, 0);
    EXPECT_EQ(Tree->TimerMode(), TPTCustomShellTree::tmSelection);
    ASSERT_TRUE(PumpUntil([&] { return changes > 0; }, 3000));
    PumpFor(600);
    EXPECT_EQ(changes, 1);
    EXPECT_NE(Child(RootNode(), L"noticed"), nullptr);
    EXPECT_EQ(list->Folder()->GetPath(), Dir.File(L"charlie"));
    EXPECT_EQ(Tree->Folder()->GetPath(), Dir.File(L"charlie"));

    // The list drives the tree: opening a folder there, and going up.
    list->Folder()->SetPath(Dir.Path()); // through the tree, which the list follows
    EXPECT_EQ(Tree->Folder()->GetPath(), Dir.Path());
    EXPECT_EQ(list->Folder()->GetPath(), Dir.Path());
    list->SetSelected(nullptr);
    for (int i = 0; i < list->Items()->Count(); ++i)
        if (list->GetItemDataAt(i)->GetFileName() == L"alpha")
            list->Items()->Item(i)->SetSelected(true);
    list->OpenSelected();
    EXPECT_EQ(PathOf(*Tree, Tree->Selected()), Alpha);
    EXPECT_EQ(list->Folder()->GetPath(), Alpha);
    list->GoUp(1);
    EXPECT_EQ(Tree->Selected(), RootNode());
    EXPECT_EQ(list->Folder()->GetPath(), Dir.Path());

    // Folders shown by the tree leave the list.
    const int withFolders = list->Items()->Count();
    list->SetOptions(list->Options() | ptsloHideFoldersWhenLinkedToTree);
    Tree->SetLinkedList(nullptr);
    EXPECT_EQ(list->LinkedTree(), nullptr);
    Tree->SetLinkedList(list);
    EXPECT_LT(list->Items()->Count(), withFolders);
    // A list freed first leaves no dangling link.
    delete list;
    EXPECT_EQ(Tree->LinkedList(), nullptr);
    SendMessageW(Tree->Handle(), WM_KEYDOWN, VK_DOWN, 1);
    PumpFor(50);
}

TEST_F(TTreeFixture, RefreshKeepsUnchangedNodesAndRemovesDeletedOnes) {
    Watchdog w(20000);
    Tree->Folder()->SetPath(Gamma);
    TTreeNode* root = RootNode();
    TTreeNode* alpha = Child(root, L"alpha");
    TTreeNode* beta = Child(alpha, L"beta");
    TTreeNode* gamma = Child(beta, L"gamma");
    TTreeNode* bravo = Child(root, L"bravo");
    ASSERT_EQ(Tree->Selected(), gamma);
    std::vector<std::wstring> deleted;
    Tree->OnDeleteItem = [&](TObject*, TTreeNode* Node, TPTShTreeData* Data) {
        EXPECT_NE(Data, nullptr);
        deleted.push_back(Node->Text());
    };
    gamma->Expand(false);
    RemoveDirectoryW(Delta.c_str());
    RemoveDirectoryW(Gamma.c_str());
    CreateDirectoryW((Alpha + L"\\aardvark").c_str(), nullptr);
    CreateDirectoryW(Dir.File(L"echo").c_str(), nullptr);
    Tree->Refresh();
    EXPECT_EQ(Child(root, L"alpha"), alpha);
    EXPECT_EQ(Child(alpha, L"beta"), beta);
    EXPECT_EQ(Child(root, L"bravo"), bravo);
    EXPECT_EQ(ChildNames(alpha), (std::vector<std::wstring>{L"aardvark", L"beta"}));
    EXPECT_EQ(ChildNames(root), (std::vector<std::wstring>{L"alpha", L"bravo", L"charlie", L"echo", L"hidden"}));
    EXPECT_TRUE(ChildNames(beta).empty());
    EXPECT_EQ(deleted, (std::vector<std::wstring>{L"delta", L"gamma"}));
    // The selection moved up from the deleted folder, and the folder with it.
    EXPECT_EQ(Tree->Selected(), beta);
    EXPECT_EQ(Tree->Folder()->GetPath(), Beta);
    // Nodes never filled are not listed afresh.
    EXPECT_FALSE(Tree->GetNodeData(Child(root, L"echo"))->Populated);
    // F5 refreshes too.
    RemoveDirectoryW(Dir.File(L"echo").c_str());
    SendMessageW(Tree->Handle(), WM_KEYDOWN, VK_F5, 1);
    EXPECT_EQ(Child(root, L"echo"), nullptr);
}

TEST_F(TTreeFixture, RenameRenewsTheNodesBelowAndThePauseDoesNotBlock) {
    Watchdog w(20000);
    Tree->Folder()->SetPath(Gamma);
    TTreeNode* gamma = Tree->Selected();
    gamma->Expand(false);
    TTreeNode* beta = gamma->Parent();
    TTreeNode* delta = Child(gamma, L"delta");
    ASSERT_NE(delta, nullptr);
    WideString edited;
    Tree->OnEditedW = [&](TObject*, TTreeNode*, WideString& S) {
        edited = S;
        S = L"beta \u0416";
    };
    wchar_t text[] = L"typed";
    NMTVDISPINFOW end{};
    end.hdr.hwndFrom = Tree->Handle();
    end.hdr.code = TVN_ENDLABELEDITW;
    end.item.hItem = beta->ItemId();
    end.item.pszText = text;
    Tree->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&end));
    const std::wstring renamed = Alpha + L"\\beta \u0416";
    EXPECT_EQ(edited, L"typed");
    EXPECT_EQ(GetFileAttributesW(renamed.c_str()) & FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(beta->Text(), L"beta \u0416");
    EXPECT_EQ(PathOf(*Tree, beta), renamed);
    EXPECT_EQ(PathOf(*Tree, gamma), renamed + L"\\gamma");
    EXPECT_EQ(PathOf(*Tree, delta), renamed + L"\\gamma\\delta");
    // The folder below the renamed one follows; the pause before the refresh is a timer.
    EXPECT_EQ(Tree->Folder()->GetPath(), renamed + L"\\gamma");
    EXPECT_TRUE(Tree->RenamePending());
    EXPECT_TRUE(Tree->Timer()->Enabled());
    EXPECT_EQ(Tree->TimerMode(), TPTCustomShellTree::tmRefresh);
    EXPECT_EQ(Tree->Timer()->Interval(), 1000u);
    ASSERT_TRUE(PumpUntil([&] { return !Tree->Timer()->Enabled(); }, 3000));
    // No drive is watched here, so no notice of the rename came: the next one still counts.
    EXPECT_FALSE(Tree->RenamePending());
    EXPECT_EQ(Tree->Selected(), gamma);
    EXPECT_EQ(Child(gamma, L"delta"), delta) << "the nodes stay after the refresh";

    // The shell menu's rename is known by its verb (Wine's own menu offers none): the node
    // goes into editing; another command runs and the tree refreshes.
    auto menu = MakeComObject<TFakeContextMenu<IContextMenu>>();
    menu->Commands = {{L"open", 0, true}, {L"copy", 3}, {L"rename", 7}};
    std::vector<int> chosen;
    Tree->OnAfterShellMenuSelection = [&](TObject*, TTreeNode* Node, int Id, bool&) {
        EXPECT_EQ(Node, gamma);
        chosen.push_back(Id);
    };
    Tree->ShellMenu()->CarryOut(menu.Get(), gamma, PTShellMenuFirstId + 7);
    EXPECT_TRUE(Tree->IsEditing());
    EXPECT_TRUE(menu->Invoked.empty());
    gamma->EndEdit(true);
    Tree->ShellMenu()->CarryOut(menu.Get(), gamma, PTShellMenuFirstId + 3);
    ASSERT_EQ(menu->Invoked.size(), 1u);
    EXPECT_EQ(menu->Invoked[0].Offset, 3u);
    EXPECT_EQ(chosen, (std::vector<int>{1007, 1003}));
    // A verb the menu lacks runs nothing.
    EXPECT_FALSE(Tree->RunVerbOnNode(gamma, L"no such verb"));
    // F2 edits the selected node.
    SendMessageW(Tree->Handle(), WM_KEYDOWN, VK_F2, 1);
    EXPECT_TRUE(Tree->IsEditing());
    gamma->EndEdit(true);
}

TEST_F(TTreeFixture, WatchesTheWatchableDrivesAndFollowsTheirChanges) {
    Watchdog w(30000);
    TempDir fixed, net, later;
    FakeDrives.Add(L'C', DRIVE_FIXED, fixed.Path());
    FakeDrives.Add(L'N', DRIVE_REMOTE, net.Path());
    FakeDrives.Add(L'R', DRIVE_REMOVABLE, later.Path());
    FakeDrives.Add(L'S', DRIVE_CDROM, later.Path());
    FakeDrives.Add(L'X', DRIVE_FIXED, L""); // a watch that cannot be placed
    Tree->Fill();
    ASSERT_TRUE(Tree->Watching());
    auto bit = [](wchar_t l) { return 1u << (l - L'A'); };
    EXPECT_EQ(Tree->WatchedDrives(), bit(L'C') | bit(L'N'));
    Tree->SetFocus();
    CreateDirectoryW((fixed.Path() + L"\\made").c_str(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Tree->TimerMode() == TPTCustomShellTree::tmRefresh; }, 5000));
    EXPECT_EQ(Tree->Timer()->Interval(), 400u);
    ASSERT_TRUE(PumpUntil([&] { return Tree->TimerMode() == TPTCustomShellTree::tmIdle; }, 5000));

    // A drive added while running is watched after the next fill.
    FakeDrives.Add(L'D', DRIVE_FIXED, later.Path());
    EXPECT_EQ(Tree->WatchedDrives() & bit(L'D'), 0u);
    Tree->Fill();
    EXPECT_EQ(Tree->WatchedDrives(), bit(L'C') | bit(L'D') | bit(L'N'));

    // A drive arriving (a device change) renews the watches and refreshes at once.
    FakeDrives.Add(L'E', DRIVE_RAMDISK, later.Path());
    CreateDirectoryW(Dir.File(L"arrived").c_str(), nullptr);
    SendMessageW(DeviceChangeHandler()->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    PumpFor(50);
    EXPECT_EQ(Tree->WatchedDrives(), bit(L'C') | bit(L'D') | bit(L'E') | bit(L'N'));
    EXPECT_NE(Child(RootNode(), L"arrived"), nullptr);

    // A new window gets the notices.
    Tree->RecreateWnd();
    Tree->HandleNeeded();
    ASSERT_TRUE(Tree->Watching());
    EXPECT_EQ(Tree->WatchedDrives(), bit(L'C') | bit(L'D') | bit(L'E') | bit(L'N'));
    CreateDirectoryW((later.Path() + L"\\again").c_str(), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Tree->TimerMode() == TPTCustomShellTree::tmRefresh; }, 5000));

    // Switched off: no watches.
    Tree->SetOptions(Tree->Options() & ~ptstoDynamicRefresh);
    EXPECT_EQ(Tree->WatchedDrives(), 0u);
}

namespace {

// A data object with nothing in it (the drop target only passes it on).
class TEmptyData final : public TComObject<IDataObject> {
public:
    STDMETHODIMP GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
};

DWORD g_Now = 0;
DWORD WINAPI FakeClock() { return g_Now; }

} // namespace

TEST_F(TTreeFixture, ADragOverTheTreeScrollsAtTheEdgesAndOpensAFolderItRestsOn) {
    Watchdog w(20000);
    for (int i = 0; i < 60; ++i)
        CreateDirectoryW(Dir.File(L"many" + std::to_wstring(100 + i)).c_str(), nullptr);
    Tree->Fill();
    TPTShellDropTarget* target = Tree->DropTarget();
    ASSERT_NE(target, nullptr);
    target->Clock = &FakeClock;
    Tree->HoverClock = &FakeClock;
    Tree->DragHover = TPTDragHover(400, 2, 2);
    g_Now = 10000;
    auto data = MakeComObject<TEmptyData>();
    TTreeNode* alpha = Child(RootNode(), L"alpha");
    const RECT r = alpha->DisplayRect(true);
    const POINT at = Tree->ClientToScreen(POINT{r.left + 4, (r.top + r.bottom) / 2});
    DWORD effect = DROPEFFECT_COPY;
    target->DragEnter(data.Get(), MK_LBUTTON, POINTL{at.x, at.y}, &effect);
    effect = DROPEFFECT_COPY;
    target->DragOver(MK_LBUTTON, POINTL{at.x, at.y}, &effect);
    g_Now += 300;
    target->DragOver(MK_LBUTTON, POINTL{at.x + 1, at.y}, &effect);
    EXPECT_FALSE(alpha->Expanded());
    g_Now += 150; // 450 ms within the hover rectangle
    target->DragOver(MK_LBUTTON, POINTL{at.x, at.y}, &effect);
    EXPECT_TRUE(alpha->Expanded());
    EXPECT_EQ(ChildNames(alpha), std::vector<std::wstring>{L"beta"});

    // Near the bottom edge it scrolls, at most every 100 ms.
    TTreeNode* top = Tree->TopItem();
    const RECT client = Tree->ClientRect();
    const POINT low = Tree->ClientToScreen(POINT{60, client.bottom - 5});
    target->DragOver(MK_LBUTTON, POINTL{low.x, low.y}, &effect);
    TTreeNode* once = Tree->TopItem();
    EXPECT_NE(once, top);
    g_Now += 50;
    target->DragOver(MK_LBUTTON, POINTL{low.x, low.y}, &effect);
    EXPECT_EQ(Tree->TopItem(), once);
    g_Now += 60;
    target->DragOver(MK_LBUTTON, POINTL{low.x, low.y}, &effect);
    EXPECT_NE(Tree->TopItem(), once);
    target->DragLeave();

    // The drag data of a node: its parent and itself, and its path as a file.
    DWORD allowed = 0;
    TComPtr<TDataObject_shtv> dragged = Tree->NodeDataObject(alpha, allowed);
    ASSERT_TRUE(dragged);
    EXPECT_TRUE(allowed & DROPEFFECT_COPY);
    FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m{};
    ASSERT_EQ(dragged->GetData(&f, &m), S_OK);
    wchar_t path[MAX_PATH];
    ASSERT_EQ(DragQueryFileW(static_cast<HDROP>(m.hGlobal), 0xFFFFFFFF, nullptr, 0), 1u);
    DragQueryFileW(static_cast<HDROP>(m.hGlobal), 0, path, MAX_PATH);
    ReleaseStgMedium(&m);
    EXPECT_EQ(std::wstring(path), Alpha);
}

TEST_F(TTreeFixture, TheComboFollowsTheTreeAndDrivesIt) {
    Watchdog w(20000);
    auto* combo = new TPTShellCombo(&Form);
    combo->SetParent(&Form);
    combo->SetBounds(310, 0, 300, 24);
    combo->SetShellTree(Tree);
    EXPECT_EQ(Tree->LinkedCombo(), combo);
    Tree->SetLinkedCombo(nullptr);
    EXPECT_EQ(combo->ShellTree(), nullptr);
    Tree->SetLinkedCombo(combo);
    EXPECT_EQ(combo->ShellTree(), Tree);
    PumpFor(50); // the combo's first fill
    // The tree's choice moves the combo.
    Tree->Folder()->SetPath(Gamma);
    EXPECT_EQ(combo->Folder()->GetPath(), Gamma);
    ASSERT_GE(combo->ItemIndex(), 0);
    EXPECT_EQ(PidlToPath(combo->GetComboData(combo->ItemIndex())->AbsPidl()), Gamma);
    // An ancestor chosen in the combo moves the tree.
    combo->GoUp(2);
    EXPECT_EQ(PathOf(*Tree, Tree->Selected()), Alpha);
    EXPECT_EQ(combo->Folder()->GetPath(), Alpha);
    delete combo;
    EXPECT_EQ(Tree->LinkedCombo(), nullptr);
}
