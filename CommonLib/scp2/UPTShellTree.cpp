#include "UPTShellTree.h"

#include "Forms.h"
#include "UPTDeviceChange.h"
#include "UPTPidlList.h"
#include "UPTShellListSupport.h"
#include "UPTShellStartup.h"

#include <dbt.h>

namespace {

// Enumeration ends that are not worth a word: a plain failure, a provider's "no more
// data" and a cancelled request.
bool IsQuietEnumFailure(HRESULT Result) {
    return Result == E_FAIL || Result == static_cast<HRESULT>(0x80040E4E) ||
           Result == static_cast<HRESULT>(0x800704C7);
}

// Holds back the window's painting while nodes come and go.
class TNodesUpdate {
public:
    explicit TNodesUpdate(TTreeNodes* Nodes) : FNodes(Nodes) { FNodes->BeginUpdate(); }
    ~TNodesUpdate() { FNodes->EndUpdate(); }
    TNodesUpdate(const TNodesUpdate&) = delete;
    TNodesUpdate& operator=(const TNodesUpdate&) = delete;

private:
    TTreeNodes* FNodes;
};

} // namespace

// ---------------------------------------------------------------------------------
// Life

TPTCustomShellTree::TPTCustomShellTree(TComponent* AOwner)
    : TPTCustomTreeView(AOwner), Drives(PTSystemDrives()),
      DragHover(PTShellSettings().HoverTime, PTShellSettings().HoverWidth, PTShellSettings().HoverHeight),
      FTimer(nullptr), FImages(nullptr, 16, 16),
      FMenu(std::make_unique<TPTShellMenu>(static_cast<TPTShellMenuHost*>(this))) {
    SetBounds(0, 0, 177, 153);
    SetShowRoot(false);
    FRoot.OnChange = [this](TObject*) { RootChanged(); };
    FFolder.OnChange = [this](TObject*) { FolderChanged(); };
    FTimer.SetEnabled(false);
    FTimer.OnTimer = [this](TObject*) { TimerTick(); };
    FImages.ShareImages = true;
    FImages.SetHandle(GetSystemImageList(0));
    SetImages(&FImages);
    DeviceChangeHandler()->AddHandler(this, [this](TPTDeviceChangeHandler*, TMessage& M) { DeviceChanged(M.WParam); });
}

TPTCustomShellTree::~TPTCustomShellTree() {
    Destroying();
    DeviceChangeHandler()->RemoveHandler(this);
    FTimer.SetEnabled(false);
    if (HandleAllocated())
        DestroyWindowHandle();
    FChangeThread.reset();
    FDropRegistration.Detach();
    Items()->Clear();
    SetLinkedList(nullptr);
    SetLinkedCombo(nullptr);
    SetImages(nullptr);
}

TTreeNode* TPTCustomShellTree::CreateNode() { return new TPTShTreeNode(Items()); }

void TPTCustomShellTree::DoDeletion(TTreeNode* Node) {
    if (OnDeleteItem)
        OnDeleteItem(this, Node, GetNodeData(Node));
    TPTCustomTreeView::DoDeletion(Node);
}

void TPTCustomShellTree::CreateParams(TCreateParams& Params) {
    TPTCustomTreeView::CreateParams(Params);
    if (!(FOptions & ptstoOleDrag))
        Params.Style |= TVS_DISABLEDRAGDROP;
}

void TPTCustomShellTree::CreateWnd() {
    TPTCustomTreeView::CreateWnd();
    UpdateDropTarget();
    if (FWatchWanted && (FOptions & ptstoDynamicRefresh))
        RenewDriveWatches(true); // the watch thread reports to this window now
    if (FFillPending || ((FOptions & ptstoAutoFill) && Items()->Count() == 0))
        PostMessageW(FHandle, WM_PTFILL, 0, 0);
}

void TPTCustomShellTree::DestroyWnd() {
    FDropRegistration.Revoke(FHandle);
    // The watch thread reports to this window: it goes with it.
    StopTimer(tmIdle);
    FChangeThread.reset();
    FWatchedDrives = FDriveSet = 0;
    TPTCustomTreeView::DestroyWnd();
}

void TPTCustomShellTree::Notification(TComponent* AComponent, TOperation Operation) {
    TPTCustomTreeView::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FLinkedList)
        FLinkedList = nullptr;
    if (AComponent == FLinkedCombo)
        FLinkedCombo = nullptr;
}

// ---------------------------------------------------------------------------------
// Properties and links

void TPTCustomShellTree::SetOptions(TPTShellTreeOptions Value) {
    const TPTShellTreeOptions changed = FOptions ^ Value;
    if (!changed)
        return;
    FOptions = Value;
    if ((changed & ptstoOleDrag) && HandleAllocated()) {
        LONG style = GetWindowLongW(FHandle, GWL_STYLE);
        style = (Value & ptstoOleDrag) ? style & ~TVS_DISABLEDRAGDROP : style | TVS_DISABLEDRAGDROP;
        SetWindowLongW(FHandle, GWL_STYLE, style);
    }
    if (changed & ptstoOleDrop)
        UpdateDropTarget();
    if (changed & ptstoDynamicRefresh) {
        if (Value & ptstoDynamicRefresh)
            RenewDriveWatches(true);
        else
            StopWatching();
    } else if ((changed & ptstoShowFiles) && FWatchWanted) {
        RenewDriveWatches(true); // file names matter now (or no longer)
    }
    if ((changed & (ptstoShowFiles | ptstoShowHidden | ptstoNonFilesystemAncestors | ptstoIconOverlays)) &&
        Items()->Count() > 0)
        Fill();
}

void TPTCustomShellTree::SetLinkedList(TPTCustomShellList* List) {
    // The list keeps the link and tells this tree (LinkedListChanged).
    if (List)
        List->SetLinkedTree(this);
    else if (FLinkedList)
        FLinkedList->SetLinkedTree(nullptr);
}

void TPTCustomShellTree::LinkedListChanged(TPTCustomShellList* List) {
    if (List == FLinkedList)
        return;
    if (FLinkedList)
        FLinkedList->RemoveFreeNotification(this);
    FLinkedList = List;
    if (!List)
        return;
    List->FreeNotification(this);
    if (TPTShTreeData* data = GetSelectedData())
        List->Folder()->SetPidl(data->AbsPidl());
    // Folders the tree shows leave the list now.
    if ((List->Options() & ptsloHideFoldersWhenLinkedToTree) && List->HandleAllocated())
        List->Fill();
}

void TPTCustomShellTree::SetLinkedCombo(TPTCustomShellCombo* Combo) {
    // The combo keeps the link and tells this tree (LinkedComboChanged).
    if (Combo)
        Combo->SetShellTree(this);
    else if (FLinkedCombo)
        FLinkedCombo->SetShellTree(nullptr);
}

void TPTCustomShellTree::LinkedComboChanged(TComponent* Combo) {
    auto* combo = dynamic_cast<TPTCustomShellCombo*>(Combo);
    if (combo == FLinkedCombo)
        return;
    if (FLinkedCombo)
        FLinkedCombo->RemoveFreeNotification(this);
    FLinkedCombo = combo;
    if (combo)
        combo->FreeNotification(this);
}

TPTShTreeData* TPTCustomShellTree::GetNodeData(TTreeNode* Node) const {
    auto* node = dynamic_cast<TPTShTreeNode*>(Node);
    return node ? node->ShTreeData() : nullptr;
}

TPTShTreeData* TPTCustomShellTree::GetSelectedData() { return GetNodeData(Selected()); }

void TPTCustomShellTree::RootChanged() {
    if (FUpdateGuard > 0)
        return;
    {
        TPTCountScope guard(FUpdateGuard);
        FFolder.Clear();
    }
    StopTimer(tmIdle);
    if (FOptions & ptstoAutoFill) {
        Fill();
    } else {
        TPTCountScope hold(FHoldSelection);
        Items()->Clear();
    }
}

void TPTCustomShellTree::FolderChanged() {
    if (FUpdateGuard > 0 || Items()->Count() == 0)
        return;
    TPTCountScope guard(FUpdateGuard);
    if (!NavigateTo(FFolder.GetPidl()))
        if (TPTShTreeData* data = GetSelectedData())
            FFolder.SetPidl(data->AbsPidl()); // the folder keeps naming the selected node
}

void TPTCustomShellTree::SetFolderQuietly(PCItemIDList Pidl) {
    TPTCountScope guard(FUpdateGuard);
    FFolder.SetPidl(Pidl);
}

// ---------------------------------------------------------------------------------
// Nodes

bool TPTCustomShellTree::IncludeItem(IShellFolder* Folder, PCItemIDList AbsParent, PCItemIDList RelPidl,
                                     ULONG& Attributes) {
    Attributes = PTShellTreeAttributeRequest();
    PCUITEMID_CHILD item = RelPidl;
    if (!Folder || FAILED(Folder->GetAttributesOf(1, &item, &Attributes)))
        Attributes = 0;
    if (!PTShellTreeKeepsItem(FOptions, Attributes))
        return false;
    bool allow = true;
    if (OnAddItem)
        OnAddItem(this, Folder, AbsParent, RelPidl, Attributes, allow);
    return allow;
}

TTreeNode* TPTCustomShellTree::AddNode(IShellFolder* ParentShf, TTreeNode* ParentNode, PItemIDList RelPidl) {
    TPTPidl rel(RelPidl);
    TPTShTreeData* parentData = GetNodeData(ParentNode);
    ULONG attributes = 0;
    if (!IncludeItem(ParentShf, parentData ? parentData->AbsPidl() : nullptr, rel.Get(), attributes))
        return nullptr;
    auto data = std::make_unique<TPTShTreeData>(parentData, ParentShf, rel.Release());
    const WideString name = GetDisplayName(ParentShf, data->RelPidl(), dnmInFolder);
    const int overlay = PTShellTreeOverlay(FOptions, attributes, ParentShf, data->RelPidl());
    auto* node = static_cast<TPTShTreeNode*>(Items()->AddChild(ParentNode, name));
    node->SetShTreeData(data.release());
    node->SetHasChildren(PTShellTreeShowsButton(FOptions, attributes));
    if (attributes & SFGAO_HIDDEN)
        node->SetCut(true);
    if (overlay > 0)
        node->SetOverlayIndex(overlay);
    if (OnNodeAdded)
        OnNodeAdded(this, node);
    return node;
}

TTreeNode* TPTCustomShellTree::MakeRootNode() {
    std::unique_ptr<TPTShTreeData> data(TPTShTreeData::MakeRoot(FRoot.GetPidl()));
    ULONG attributes = PTShellTreeAttributeRequest();
    PCUITEMID_CHILD item = data->RelPidl();
    if (!data->ParentShf() || IsEmptyPidl(item) || FAILED(data->ParentShf()->GetAttributesOf(1, &item, &attributes)))
        attributes = 0;
    const WideString name = GetAbsDisplayName(data->AbsPidl());
    auto* node = static_cast<TPTShTreeNode*>(Items()->AddChild(nullptr, name));
    node->SetShTreeData(data.release());
    node->SetHasChildren(true);
    const int overlay = IsEmptyPidl(item) ? 0 : PTShellTreeOverlay(FOptions, attributes, node->ShTreeData()->ParentShf(), item);
    if (overlay > 0)
        node->SetOverlayIndex(overlay);
    if (OnNodeAdded)
        OnNodeAdded(this, node);
    return node;
}

bool TPTCustomShellTree::EnumerateChildren(IShellFolder* Folder, std::vector<PItemIDList>& Pidls) {
    TPTNoCriticalErrors quiet; // an empty drive shows no "not ready" dialog
    bool started = false;
    const HRESULT hr = PTEnumerateChildren(Folder, HandleAllocated() ? FHandle : nullptr,
                                           PTShellTreeEnumFlags(FOptions), Pidls, started);
    if (!started)
        return false;
    if (FAILED(hr) && !IsQuietEnumFailure(hr)) {
        for (PItemIDList p : Pidls)
            FreePidl(p);
        Pidls.clear();
        RaiseShellError(hr);
    }
    return true;
}

bool TPTCustomShellTree::PopulateNode(TTreeNode* Node) {
    TPTShTreeData* data = GetNodeData(Node);
    if (!data)
        return false;
    data->Populated = true;
    IShellFolder* folder = data->Folder();
    std::vector<PItemIDList> pidls;
    if (!folder || !EnumerateChildren(folder, pidls)) {
        Node->SetHasChildren(false); // vanished, denied or an empty drive: silently no button
        return false;
    }
    SortPidls(folder, pidls);
    TNodesUpdate update(Items());
    size_t i = 0;
    try {
        for (; i < pidls.size(); ++i)
            AddNode(folder, Node, pidls[i]);
    } catch (...) {
        for (++i; i < pidls.size(); ++i)
            FreePidl(pidls[i]);
        throw;
    }
    if (Node->Count() == 0)
        Node->SetHasChildren(false);
    return true;
}

bool TPTCustomShellTree::CanExpand(TTreeNode* Node) {
    TPTShTreeData* data = GetNodeData(Node);
    if (data && !data->Populated) {
        TPTHourGlass hourglass;
        PopulateNode(Node);
    }
    return TPTCustomTreeView::CanExpand(Node);
}

TTreeNode* TPTCustomShellTree::FindChild(TTreeNode* Node, PCItemIDList RelPidl) {
    TPTShTreeData* data = GetNodeData(Node);
    IShellFolder* folder = data ? data->Folder() : nullptr;
    if (!folder)
        return nullptr;
    for (TTreeNode* child = Node->GetFirstChild(); child; child = child->getNextSibling()) {
        TPTShTreeData* c = GetNodeData(child);
        if (!c)
            continue;
        const HRESULT hr = folder->CompareIDs(0, c->RelPidl(), RelPidl);
        if (SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) == 0)
            return child;
    }
    return nullptr;
}

void TPTCustomShellTree::SortChildren(TTreeNode* Node) {
    TPTShTreeData* data = GetNodeData(Node);
    IShellFolder* folder = data ? data->Folder() : nullptr;
    if (!folder || Node->Count() < 2)
        return;
    Node->CustomSort(
        [this, folder](TTreeNode* A, TTreeNode* B, LPARAM) {
            TPTShTreeData* a = GetNodeData(A);
            TPTShTreeData* b = GetNodeData(B);
            if (!a || !b)
                return (a ? 1 : 0) - (b ? 1 : 0);
            const HRESULT hr = folder->CompareIDs(0, a->RelPidl(), b->RelPidl());
            return SUCCEEDED(hr) ? static_cast<int>(static_cast<short>(HRESULT_CODE(hr))) : 0;
        },
        0, false);
}

// ---------------------------------------------------------------------------------
// Filling, navigation, refreshing

void TPTCustomShellTree::Fill() {
    if (FDragActive || !HandleAllocated() || FRecreating) {
        FFillPending = true;
        return;
    }
    FFillPending = FRefreshPending = false;
    TPTHourGlass hourglass;
    StopTimer(tmSelection);
    {
        TPTCountScope hold(FHoldSelection);
        SetSelected(nullptr);
        Items()->Clear();
    }
    TComPtr<IShellFolder> root;
    const HRESULT hr = GetShellFolder(FRoot.GetPidl(), root);
    if (FAILED(hr) || !root)
        RaiseShellError(FAILED(hr) ? hr : E_FAIL);
    TTreeNode* node = MakeRootNode();
    PopulateNode(node);
    node->Expand(false);
    if (!FFolder.GetPidl() || !NavigateTo(FFolder.GetPidl()))
        SelectByCode(node);
    if ((FOptions & ptstoDynamicRefresh) && !(ComponentState() & csDesigning))
        RenewDriveWatches(false);
}

bool TPTCustomShellTree::NavigateTo(PCItemIDList Pidl) {
    std::vector<TPTPidl> steps;
    TTreeNode* node = Items()->GetFirstNode();
    if (!node || !PTPidlSteps(FRoot.GetPidl(), Pidl, steps))
        return false;
    for (TPTPidl& step : steps) {
        TPTShTreeData* data = GetNodeData(node);
        if (!data)
            return false;
        if (!data->Populated)
            PopulateNode(node);
        TTreeNode* child = FindChild(node, step.Get());
        if (!child) {
            // Not listed (hidden, say, or made since): added on the way.
            if (!data->Folder() || !(child = AddNode(data->Folder(), node, step.Release())))
                return false;
            SortChildren(node);
        }
        node->Expand(false);
        node = child;
    }
    // A list that leaves folders to the tree needs them shown below the target.
    if (FLinkedList && (FLinkedList->Options() & ptsloHideFoldersWhenLinkedToTree))
        node->Expand(false);
    SelectByCode(node);
    node->MakeVisible();
    return true;
}

void TPTCustomShellTree::RefreshNode(TTreeNode* Node, TTreeNode*& Selected) {
    TPTShTreeData* data = GetNodeData(Node);
    if (!data || !data->Populated)
        return;
    IShellFolder* folder = data->Folder();
    TPTPidlList old;
    old.Duplicates = dupAccept;
    old.Folder = TComPtr<IShellFolder>(folder);
    old.SetCapacity(Node->Count());
    for (TTreeNode* child = Node->GetFirstChild(); child; child = child->getNextSibling())
        if (TPTShTreeData* c = GetNodeData(child))
            old.AddObject(const_cast<PItemIDList>(c->RelPidl()), child);
    old.SetSorted(true);
    TPTPidlList fresh;
    fresh.Malloc = TComPtr<IMalloc>(GetShellMalloc());
    std::vector<PItemIDList> pidls;
    if (folder && EnumerateChildren(folder, pidls)) {
        fresh.SetCapacity(static_cast<int>(pidls.size()));
        for (PItemIDList p : pidls)
            fresh.Add(p);
    }
    PTStrikeCommonPidls(old, fresh);
    for (int i = 0; i < old.Count(); ++i) {
        auto* gone = static_cast<TTreeNode*>(old.Objects(i));
        if (Selected && (Selected == gone || Selected->HasAsParent(gone)))
            Selected = Node;
        gone->Delete();
    }
    for (int i = 0; i < fresh.Count(); ++i)
        AddNode(folder, Node, CopyPidl(fresh.Pidls(i)));
    if (fresh.Count() > 0)
        SortChildren(Node);
    if (Node->Count() == 0)
        Node->SetHasChildren(false);
}

void TPTCustomShellTree::Refresh() {
    if (FDragActive || FRecreating) {
        FRefreshPending = true;
        return;
    }
    if (!HandleAllocated())
        return;
    if (Items()->Count() == 0) {
        Fill();
        return;
    }
    FRefreshPending = false;
    StopTimer(tmRefresh);
    TPTHourGlass hourglass;
    TTreeNode* selected = Selected();
    {
        TNodesUpdate update(Items());
        TPTCountScope hold(FHoldSelection); // the selection settles once, afterwards
        for (TTreeNode* node = Items()->GetFirstNode(); node; node = node->GetNext())
            RefreshNode(node, selected);
    }
    if (selected)
        SelectByCode(selected);
}

// ---------------------------------------------------------------------------------
// Selection

void TPTCustomShellTree::SelectByCode(TTreeNode* Node) {
    if (!Node)
        return;
    if (Selected() == Node) {
        SelectionSettled();
        return;
    }
    TPTCountScope byCode(FSelectingByCode);
    SetSelected(Node);
}

void TPTCustomShellTree::SelectionChanged(TTreeNode* Node, bool ByUser) {
    if (!Node || FHoldSelection > 0)
        return;
    if (ByUser && FLinkedList) {
        StartTimer(tmSelection, SelectionDelay); // keys held down settle first
        return;
    }
    StopTimer(tmSelection);
    SelectionSettled();
}

void TPTCustomShellTree::SelectionSettled() {
    TPTShTreeData* data = GetSelectedData();
    if (!data)
        return;
    TPTPidl abs(CopyPidl(data->AbsPidl()));
    SetFolderQuietly(abs.Get());
    if (FLinkedList)
        FLinkedList->Folder()->SetPidl(abs.Get());
    if (FLinkedCombo)
        FLinkedCombo->Folder()->SetPidl(abs.Get());
}

void TPTCustomShellTree::LinkedGoUp(int Levels) {
    TTreeNode* node = Selected();
    for (int i = 0; node && node->Parent() && i < Levels; ++i)
        node = node->Parent();
    SelectByCode(node);
}

void TPTCustomShellTree::LinkedDoPendingRefresh() {
    if (FTimer.Enabled() && FTimerMode == tmRefresh)
        Refresh();
}

// ---------------------------------------------------------------------------------
// Timer, watching and device changes

void TPTCustomShellTree::StartTimer(TTimerMode Mode, int Interval) {
    if (FTimer.Enabled() && FTimerMode != Mode) {
        // Both are wanted: the selection settles first and the refresh follows it.
        FRefreshPending = true;
        if (Mode == tmRefresh)
            return;
    }
    FTimer.SetEnabled(false);
    FTimerMode = Mode;
    FTimer.SetInterval(static_cast<unsigned>(Interval));
    FTimer.SetEnabled(true);
}

void TPTCustomShellTree::StopTimer(TTimerMode Mode) {
    if (Mode != tmIdle && FTimerMode != Mode)
        return;
    FTimer.SetEnabled(false);
    FTimerMode = tmIdle;
}

void TPTCustomShellTree::TimerTick() {
    FTimer.SetEnabled(false);
    const TTimerMode mode = FTimerMode;
    FTimerMode = tmIdle;
    if (mode == tmSelection) {
        SelectionSettled();
        if (FRefreshPending)
            Refresh();
    } else if (mode == tmRefresh) {
        // The refresh after a rename covers it: a notice of the rename that never came
        // (a folder on a drive without a watch) must not swallow the next real change.
        FRenamePending = false;
        Refresh();
    }
}

void TPTCustomShellTree::ChangeNotice() {
    if (FRenamePending || FDragActive) {
        FRenamePending = false;
        return;
    }
    StartTimer(tmRefresh, Focused() ? FocusedRefreshDelay : UnfocusedRefreshDelay);
}

void TPTCustomShellTree::RenewDriveWatches(bool Force) {
    FWatchWanted = true;
    if (!HandleAllocated())
        return;
    const DWORD set = PTWatchableDrives(Drives);
    if (!Force && FChangeThread && set == FDriveSet)
        return;
    if (!FChangeThread)
        FChangeThread = TChangeHandlerThread::Create(FHandle, WM_PTCHANGENOTIFY);
    else
        FChangeThread->RemoveAllWatches();
    FDriveSet = set;
    FWatchedDrives = 0;
    const DWORD filter = PTShellTreeWatchFilter(FOptions);
    for (int i = 0; i < 26; ++i) {
        if (!(set & (1u << i)))
            continue;
        const WideString root = Drives.RootPath ? Drives.RootPath(static_cast<wchar_t>(L'A' + i)) : WideString();
        int slot = -1;
        // A drive whose watch cannot be placed is left out.
        if (FChangeThread->AddWatch(root, filter, slot, true))
            FWatchedDrives |= 1u << i;
    }
}

void TPTCustomShellTree::StopWatching() {
    FWatchWanted = false;
    StopTimer(tmRefresh);
    if (FChangeThread)
        FChangeThread->RemoveAllWatches();
    FWatchedDrives = FDriveSet = 0;
}

void TPTCustomShellTree::DeviceChanged(WPARAM Event) {
    if (Event != DBT_DEVICEARRIVAL && Event != DBT_DEVICEREMOVECOMPLETE)
        return;
    RevalidateDrives();
    if (FWatchWanted && (FOptions & ptstoDynamicRefresh))
        RenewDriveWatches(false);
    Refresh();
}

// ---------------------------------------------------------------------------------
// Notifications and messages

int TPTCustomShellTree::NodeImageIndex(TTreeNode* Node, bool Selected) {
    // The icons are found when first drawn; the open icon only for a selected node.
    if (TPTShTreeData* data = GetNodeData(Node)) {
        if (!Selected && Node->ImageIndex() < 0)
            Node->StoreRequestedImage(false, GetIconIndex(data->AbsPidl(), SHGFI_SMALLICON));
        if (Selected && Node->SelectedIndex() < 0)
            Node->StoreRequestedImage(true, GetIconIndex(data->AbsPidl(), SHGFI_SMALLICON | SHGFI_OPENICON));
    }
    return TPTCustomTreeView::NodeImageIndex(Node, Selected);
}

void TPTCustomShellTree::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    switch (hdr->code) {
    case TVN_SELCHANGEDW: {
        TPTCustomTreeView::CNNotify(Message);
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
        const bool byUser = FSelectingByCode == 0 && (nm->action == TVC_BYKEYBOARD || nm->action == TVC_BYMOUSE);
        SelectionChanged(Items()->GetNode(nm->itemNew.hItem), byUser);
        return;
    }
    case TVN_ENDLABELEDITW: {
        auto* d = reinterpret_cast<NMTVDISPINFOW*>(hdr);
        if (!d->item.pszText)
            break; // cancelled: the library tells OnCancelEdit
        Message.Result = 0; // the name stays the folder's
        if (TTreeNode* node = Items()->GetNode(d->item.hItem))
            EndRename(node, d->item.pszText);
        return;
    }
    case TVN_BEGINDRAGW:
    case TVN_BEGINRDRAGW:
        if (FOptions & ptstoOleDrag) {
            auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
            StartOleDrag(Items()->GetNode(nm->itemNew.hItem), hdr->code == TVN_BEGINDRAGW ? mbLeft : mbRight);
            return;
        }
        break;
    }
    TPTCustomTreeView::CNNotify(Message);
}

void TPTCustomShellTree::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PTCHANGENOTIFY:
        ChangeNotice();
        return;
    case WM_PTFILL:
        if (FFillPending || Items()->Count() == 0)
            Fill();
        return;
    }
    if (FMenu->HandleMenuMessage(Message))
        return;
    TPTCustomTreeView::WndProc(Message);
}
