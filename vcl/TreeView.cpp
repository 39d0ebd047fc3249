// The tree view: nodes and the control.
#include "ComCtrls.h"
#include "ComCtrlsInternal.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

constexpr UINT ExpandActionMask = 0x0003; // expand, collapse or toggle

} // namespace

// The watch of a tree node (the list of watched nodes is the tree view's own).
class TTreeNodeWatch : public TWatched<TTreeNode> {
public:
    TTreeNodeWatch(TCustomTreeView* TreeView, TTreeNode* Node) : TWatched(TreeView->FWatchedNodes, Node) {}
    TTreeNode* Node() const { return Get(); }
};

// =================================================================================
// TTreeNode

TTreeNode::TTreeNode(TTreeNodes* AOwner) : FOwner(AOwner) {}

TTreeNode::~TTreeNode() {
    for (TTreeNode* c : FChildren)
        delete c;
}

TCustomTreeView* TTreeNode::TreeView() const { return FOwner ? FOwner->Owner() : nullptr; }

void TTreeNode::UpdateItem(UINT Mask) {
    TCustomTreeView* tv = TreeView();
    if (tv)
        tv->NodeChanged(this, Mask);
}

void TTreeNode::SetText(const std::wstring& Value) {
    if (Value == FText)
        return;
    FText = Value;
    UpdateItem(TVIF_TEXT);
}

void TTreeNode::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    UpdateItem(TVIF_IMAGE);
}

void TTreeNode::SetSelectedIndex(int Value) {
    if (Value == FSelectedIndex)
        return;
    FSelectedIndex = Value;
    UpdateItem(TVIF_SELECTEDIMAGE);
}

void TTreeNode::SetStateIndex(int Value) {
    if (Value == FStateIndex)
        return;
    FStateIndex = Value;
    UpdateItem(TVIF_STATE);
}

void TTreeNode::SetOverlayIndex(int Value) {
    if (Value == FOverlayIndex)
        return;
    FOverlayIndex = Value;
    UpdateItem(TVIF_STATE);
}

void TTreeNode::StoreRequestedImage(bool Selected, int Index) {
    (Selected ? FSelectedIndex : FImageIndex) = Index;
}

void TTreeNode::SetCut(bool Value) {
    if (Value == FCut)
        return;
    FCut = Value;
    UpdateItem(TVIF_STATE);
}

void TTreeNode::SetHasChildren(bool Value) {
    if (Value == FHasChildren)
        return;
    FHasChildren = Value;
    UpdateItem(TVIF_CHILDREN);
}

bool TTreeNode::Expanded() const {
    TCustomTreeView* tv = TreeView();
    if (tv && tv->HandleAllocated() && FItemId)
        return (SendMessageW(tv->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(FItemId), TVIS_EXPANDED) &
                TVIS_EXPANDED) != 0;
    return FExpanded;
}

void TTreeNode::SetExpanded(bool Value) {
    TCustomTreeView* tv = TreeView();
    if (!tv)
        return;
    TTreeNodeWatch watch(tv, this);
    if (Value) {
        if (!tv->CanExpand(this) || !watch.Node())
            return; // refused, or the handler deleted this node
        FExpanded = true;
        if (tv->HandleAllocated() && FItemId) {
            ++tv->FExpanding;
            SendMessageW(tv->Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(FItemId));
            --tv->FExpanding;
        }
        tv->Expand(this);
    } else {
        if (!tv->CanCollapse(this) || !watch.Node())
            return;
        FExpanded = false;
        if (tv->HandleAllocated() && FItemId) {
            ++tv->FExpanding;
            SendMessageW(tv->Handle(), TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(FItemId));
            --tv->FExpanding;
        }
        tv->Collapse(this);
    }
}

void TTreeNode::Expand(bool Recurse) {
    SetExpanded(true);
    if (Recurse)
        for (TTreeNode* c : std::vector<TTreeNode*>(FChildren))
            c->Expand(true);
}

void TTreeNode::Collapse(bool Recurse) {
    SetExpanded(false);
    if (Recurse)
        for (TTreeNode* c : std::vector<TTreeNode*>(FChildren))
            c->Collapse(true);
}

bool TTreeNode::Selected() const {
    TCustomTreeView* tv = TreeView();
    return tv && tv->Selected() == this;
}

void TTreeNode::SetSelected(bool Value) {
    TCustomTreeView* tv = TreeView();
    if (!tv)
        return;
    if (Value)
        tv->SetSelected(this);
    else if (Selected())
        tv->SetSelected(nullptr);
}

bool TTreeNode::Focused() const {
    TCustomTreeView* tv = TreeView();
    return tv && tv->Focused() && Selected();
}

void TTreeNode::MakeVisible() {
    TCustomTreeView* tv = TreeView();
    if (tv && tv->HandleAllocated() && FItemId) {
        SendMessageW(tv->Handle(), TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(FItemId));
        return;
    }
    for (TTreeNode* p = FParent; p; p = p->FParent)
        p->FExpanded = true;
}

bool TTreeNode::IsVisible() const {
    for (TTreeNode* p = FParent; p; p = p->FParent)
        if (!p->Expanded())
            return false;
    return true;
}

RECT TTreeNode::DisplayRect(bool TextOnly) const {
    RECT r{};
    TCustomTreeView* tv = TreeView();
    if (tv && tv->HandleAllocated() && FItemId) {
        static_assert(sizeof(HTREEITEM) <= sizeof(RECT));
        std::memcpy(&r, &FItemId, sizeof(HTREEITEM)); // the rectangle carries the item on the way in
        if (!SendMessageW(tv->Handle(), TVM_GETITEMRECT, TextOnly ? TRUE : FALSE, reinterpret_cast<LPARAM>(&r)))
            r = RECT{};
    }
    return r;
}

bool TTreeNode::EditText() {
    TCustomTreeView* tv = TreeView();
    if (!tv || !FItemId)
        return false;
    ::SetFocus(tv->Handle());
    return SendMessageW(tv->Handle(), TVM_EDITLABELW, 0, reinterpret_cast<LPARAM>(FItemId)) != 0;
}

void TTreeNode::EndEdit(bool Cancel) {
    TCustomTreeView* tv = TreeView();
    if (tv && tv->HandleAllocated())
        SendMessageW(tv->Handle(), TVM_ENDEDITLABELNOW, Cancel ? TRUE : FALSE, 0);
}

TTreeNode* TTreeNode::Item(int Index) const {
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    return FChildren[static_cast<size_t>(Index)];
}

int TTreeNode::AbsoluteIndex() const {
    int result = 0;
    const TTreeNode* n = this;
    while (n) {
        const std::vector<TTreeNode*>& sibs = n->FParent ? n->FParent->FChildren : n->FOwner->FRoots;
        for (int i = 0; i < n->FIndex; ++i)
            result += sibs[static_cast<size_t>(i)]->FSubtree;
        if (n->FParent)
            ++result;
        n = n->FParent;
    }
    return result;
}

int TTreeNode::Level() const {
    int level = 0;
    for (TTreeNode* p = FParent; p; p = p->FParent)
        ++level;
    return level;
}

bool TTreeNode::HasAsParent(const TTreeNode* Value) const {
    if (!Value)
        return false;
    for (TTreeNode* p = FParent; p; p = p->FParent)
        if (p == Value)
            return true;
    return false;
}

TTreeNode* TTreeNode::GetFirstChild() const { return FChildren.empty() ? nullptr : FChildren.front(); }
TTreeNode* TTreeNode::GetLastChild() const { return FChildren.empty() ? nullptr : FChildren.back(); }

TTreeNode* TTreeNode::getNextSibling() const {
    const std::vector<TTreeNode*>& sibs = FParent ? FParent->FChildren : FOwner->FRoots;
    size_t next = static_cast<size_t>(FIndex) + 1;
    return next < sibs.size() ? sibs[next] : nullptr;
}

TTreeNode* TTreeNode::getPrevSibling() const {
    const std::vector<TTreeNode*>& sibs = FParent ? FParent->FChildren : FOwner->FRoots;
    return FIndex > 0 ? sibs[static_cast<size_t>(FIndex - 1)] : nullptr;
}

TTreeNode* TTreeNode::GetNext() const {
    if (!FChildren.empty())
        return FChildren.front();
    for (const TTreeNode* n = this; n; n = n->FParent)
        if (TTreeNode* s = n->getNextSibling())
            return s;
    return nullptr;
}

TTreeNode* TTreeNode::GetPrev() const {
    TTreeNode* s = getPrevSibling();
    if (!s)
        return FParent;
    while (!s->FChildren.empty())
        s = s->FChildren.back();
    return s;
}

TTreeNode* TTreeNode::GetNextChild(const TTreeNode* Value) const {
    return Value && Value->FParent == this ? Value->getNextSibling() : nullptr;
}

TTreeNode* TTreeNode::GetPrevChild(const TTreeNode* Value) const {
    return Value && Value->FParent == this ? Value->getPrevSibling() : nullptr;
}

TTreeNode* TTreeNode::GetNextVisible() const {
    if (!FChildren.empty() && Expanded())
        return FChildren.front();
    for (const TTreeNode* n = this; n; n = n->FParent)
        if (TTreeNode* s = n->getNextSibling())
            return s;
    return nullptr;
}

TTreeNode* TTreeNode::GetPrevVisible() const {
    TTreeNode* s = getPrevSibling();
    if (!s)
        return FParent;
    while (!s->FChildren.empty() && s->Expanded())
        s = s->FChildren.back();
    return s;
}

void TTreeNode::Delete() {
    if (FOwner)
        FOwner->Delete(this);
}

void TTreeNode::DeleteChildren() {
    if (FChildren.empty())
        return;
    FOwner->BeginUpdate();
    try {
        while (!FChildren.empty())
            FOwner->Delete(FChildren.back());
    } catch (...) {
        FOwner->EndUpdate();
        throw;
    }
    FOwner->EndUpdate();
    SetHasChildren(false);
}

bool TTreeNode::AlphaSort(bool Recurse) { return CustomSort(nullptr, 0, Recurse); }

bool TTreeNode::CustomSort(const TTVCompare& Compare, LPARAM Data, bool Recurse) {
    TCustomTreeView* tv = TreeView();
    if (!tv)
        return false;
    auto cmp = [&](TTreeNode* a, TTreeNode* b) {
        if (Compare)
            return Compare(a, b, Data);
        if (tv->OnCompare) {
            int r = 0;
            tv->OnCompare(tv, a, b, Data, r);
            return r;
        }
        return lstrcmpW(a->FText.c_str(), b->FText.c_str());
    };
    std::stable_sort(FChildren.begin(), FChildren.end(), [&](TTreeNode* a, TTreeNode* b) { return cmp(a, b) < 0; });
    for (size_t i = 0; i < FChildren.size(); ++i)
        FChildren[i]->FIndex = static_cast<int>(i);
    FOwner->Changed();
    if (tv->HandleAllocated() && FItemId) {
        TVSORTCB sort{FItemId, &CompareByIndex<TTreeNode>, 0};
        SendMessageW(tv->Handle(), TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    }
    if (Recurse)
        for (TTreeNode* c : FChildren)
            c->CustomSort(Compare, Data, true);
    return true;
}

// =================================================================================
// TTreeNodes

TTreeNodes::TTreeNodes(TCustomTreeView* AOwner) : FOwner(AOwner) {}

TTreeNodes::~TTreeNodes() {
    for (TTreeNode* n : FRoots)
        delete n;
}

TTreeNode* TTreeNodes::TopLevelItem(int Index) const {
    if (Index < 0 || Index >= TopLevelCount())
        ListIndexError(Index);
    return FRoots[static_cast<size_t>(Index)];
}

TTreeNode* TTreeNodes::Item(int Index) {
    if (Index < 0 || Index >= FCount)
        ListIndexError(Index);
    TTreeNode* found = nullptr;
    if (FCacheVersion == FVersion && FCacheNode) {
        if (Index == FCacheIndex)
            found = FCacheNode;
        else if (Index == FCacheIndex + 1)
            found = FCacheNode->GetNext();
        else if (Index == FCacheIndex - 1)
            found = FCacheNode->GetPrev();
    }
    if (!found) {
        // Down the tree by subtree sizes.
        const std::vector<TTreeNode*>* list = &FRoots;
        int i = Index;
        while (!found) {
            bool descended = false;
            for (TTreeNode* n : *list) {
                if (i < n->FSubtree) {
                    if (i == 0) {
                        found = n;
                    } else {
                        --i;
                        list = &n->FChildren;
                        descended = true;
                    }
                    break;
                }
                i -= n->FSubtree;
            }
            if (!found && !descended)
                ListIndexError(Index); // sizes out of step: never expected
        }
    }
    FCacheVersion = FVersion;
    FCacheIndex = Index;
    FCacheNode = found;
    return found;
}

TTreeNode* TTreeNodes::InternalAdd(TTreeNode* Parent, size_t Position, const std::wstring& S, void* Ptr) {
    std::unique_ptr<TTreeNode> node(FOwner->CreateNode());
    node->FText = S;
    node->FData = Ptr;
    node->FParent = Parent;
    std::vector<TTreeNode*>& sibs = SiblingsOf(Parent);
    Position = std::min(Position, sibs.size());
    sibs.insert(sibs.begin() + static_cast<ptrdiff_t>(Position), node.get());
    TTreeNode* result = node.release();
    for (size_t i = Position; i < sibs.size(); ++i)
        sibs[i]->FIndex = static_cast<int>(i);
    for (TTreeNode* p = Parent; p; p = p->FParent)
        ++p->FSubtree;
    ++FCount;
    Changed();
    if (Parent && !Parent->FHasChildren)
        Parent->SetHasChildren(true);
    FOwner->NodeInserted(result);
    return result;
}

void TTreeNodes::DetachNode(TTreeNode* Node) {
    std::vector<TTreeNode*>& sibs = SiblingsOf(Node->FParent);
    sibs.erase(sibs.begin() + Node->FIndex);
    for (size_t i = static_cast<size_t>(Node->FIndex); i < sibs.size(); ++i)
        sibs[i]->FIndex = static_cast<int>(i);
    for (TTreeNode* p = Node->FParent; p; p = p->FParent)
        p->FSubtree -= Node->FSubtree;
    FCount -= Node->FSubtree;
    Changed();
}

TTreeNode* TTreeNodes::Add(TTreeNode* Sibling, const std::wstring& S) { return AddObject(Sibling, S, nullptr); }

TTreeNode* TTreeNodes::AddObject(TTreeNode* Sibling, const std::wstring& S, void* Ptr) {
    TTreeNode* parent = Sibling ? Sibling->FParent : nullptr;
    return InternalAdd(parent, SiblingsOf(parent).size(), S, Ptr);
}

TTreeNode* TTreeNodes::AddFirst(TTreeNode* Sibling, const std::wstring& S) {
    return AddObjectFirst(Sibling, S, nullptr);
}

TTreeNode* TTreeNodes::AddObjectFirst(TTreeNode* Sibling, const std::wstring& S, void* Ptr) {
    return InternalAdd(Sibling ? Sibling->FParent : nullptr, 0, S, Ptr);
}

TTreeNode* TTreeNodes::AddChild(TTreeNode* Parent, const std::wstring& S) { return AddChildObject(Parent, S, nullptr); }

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* Parent, const std::wstring& S, void* Ptr) {
    return InternalAdd(Parent, SiblingsOf(Parent).size(), S, Ptr);
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* Parent, const std::wstring& S) {
    return AddChildObjectFirst(Parent, S, nullptr);
}

TTreeNode* TTreeNodes::AddChildObjectFirst(TTreeNode* Parent, const std::wstring& S, void* Ptr) {
    return InternalAdd(Parent, 0, S, Ptr);
}

TTreeNode* TTreeNodes::Insert(TTreeNode* Sibling, const std::wstring& S) { return InsertObject(Sibling, S, nullptr); }

TTreeNode* TTreeNodes::InsertObject(TTreeNode* Sibling, const std::wstring& S, void* Ptr) {
    if (!Sibling)
        return InternalAdd(nullptr, FRoots.size(), S, Ptr);
    return InternalAdd(Sibling->FParent, static_cast<size_t>(Sibling->FIndex), S, Ptr);
}

void TTreeNodes::Delete(TTreeNode* Node) {
    if (!Node || Node->FOwner != this || Node->FDeleting || FClearing)
        return; // already on its way out (a handler of its deletion asked again)
    TTreeNodeWatch self(FOwner, Node);
    try {
        FOwner->NodeDeleting(Node);
    } catch (...) {
        if (!self.Node())
            throw; // gone with an ancestor a handler deleted
        // The node stays: it can be deleted again later.
        Node->FDeleting = false;
        for (TTreeNode* n = Node->GetFirstChild(); n && n->HasAsParent(Node); n = n->GetNext())
            n->FDeleting = false;
        throw;
    }
    if (!self.Node())
        return; // a handler deleted an ancestor, which took this node along
    // Event handlers further out that run for this node or one below it leave them alone.
    for (TTreeNode** w : FOwner->FWatchedNodes)
        if (*w && (*w == Node || (*w)->HasAsParent(Node)))
            *w = nullptr;
    DetachNode(Node);
    TTreeNode* parent = Node->FParent;
    delete Node;
    if (parent && parent->FChildren.empty())
        parent->SetHasChildren(false);
}

void TTreeNodes::Clear() {
    if (FRoots.empty())
        return;
    BeginUpdate();
    FClearing = true;
    try {
        if (FOwner->WantsDeletion())
            for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext())
                FOwner->DoDeletion(n);
        FOwner->FSavedSelected = FOwner->FSavedTop = nullptr;
        for (TTreeNode** w : FOwner->FWatchedNodes)
            *w = nullptr;
        if (FOwner->HandleAllocated())
            SendMessageW(FOwner->Handle(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    } catch (...) {
        FClearing = false;
        EndUpdate();
        throw;
    }
    FClearing = false;
    std::vector<TTreeNode*> old;
    old.swap(FRoots);
    FCount = 0;
    Changed();
    for (TTreeNode* n : old)
        delete n;
    EndUpdate();
}

void TTreeNodes::BeginUpdate() {
    if (FUpdateCount++ == 0)
        SetRedraw(FOwner, false);
}

void TTreeNodes::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetRedraw(FOwner, true);
}

TTreeNode* TTreeNodes::GetNode(HTREEITEM ItemId) const {
    if (!ItemId || !FOwner->HandleAllocated())
        return nullptr;
    TVITEMW it{};
    it.mask = TVIF_HANDLE | TVIF_PARAM;
    it.hItem = ItemId;
    if (!SendMessageW(FOwner->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it)))
        return nullptr;
    return reinterpret_cast<TTreeNode*>(it.lParam);
}

// =================================================================================
// TCustomTreeView

TCustomTreeView::TCustomTreeView(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    FColor = clWindow;
    ControlStyle &= ~csClickEvents; // clicks come from NM_CLICK
    SetBounds(0, 0, 121, 97);
}

TCustomTreeView::~TCustomTreeView() {
    Destroying();
    if (HandleAllocated())
        DestroyWindowHandle();
}

TTreeNodes* TCustomTreeView::Items() {
    if (!FNodes)
        FNodes.reset(CreateNodes());
    return FNodes.get();
}

TTreeNodes* TCustomTreeView::CreateNodes() { return new TTreeNodes(this); }
TTreeNode* TCustomTreeView::CreateNode() { return new TTreeNode(Items()); }

void TCustomTreeView::DoDeletion(TTreeNode* Node) {
    if (OnDeletion)
        OnDeletion(this, Node);
}

void TCustomTreeView::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_TREEVIEWW);
    if (FShowButtons) Params.Style |= TVS_HASBUTTONS;
    if (FShowLines) Params.Style |= TVS_HASLINES;
    if (FShowRoot) Params.Style |= TVS_LINESATROOT;
    if (!FReadOnly) Params.Style |= TVS_EDITLABELS;
    if (!FHideSelection) Params.Style |= TVS_SHOWSELALWAYS;
    if (FRowSelect) Params.Style |= TVS_FULLROWSELECT;
    if (FHotTrack) Params.Style |= TVS_TRACKSELECT;
    if (!FToolTips) Params.Style |= TVS_NOTOOLTIPS;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
    MirrorInRightToLeft(Params);
}

void TCustomTreeView::UpdateImageLists() {
    if (!HandleAllocated())
        return;
    SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(ImageListHandle(FImages)));
    SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(ImageListHandle(FStateImages)));
}

void TCustomTreeView::CreateWnd() {
    TWinControl::CreateWnd();
    FRepaintPending = false;
    SendMessageW(FHandle, CCM_SETUNICODEFORMAT, TRUE, 0);
    UpdateImageLists();
    if (FIndent >= 0)
        SendMessageW(FHandle, TVM_SETINDENT, FIndent, 0);
    TTreeNodes* nodes = Items();
    FQuiet = true;
    struct Done {
        TCustomTreeView* tv;
        ~Done() {
            tv->FQuiet = false;
            if (tv->FNodes->FUpdateCount == 0)
                SendMessageW(tv->FHandle, WM_SETREDRAW, TRUE, 0);
        }
    } done{this};
    SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    for (TTreeNode* root : nodes->FRoots)
        InsertNodeIntoWindow(root, true);
    ++FExpanding;
    for (TTreeNode* n = nodes->GetFirstNode(); n; n = n->GetNext())
        if (n->FExpanded && !n->FChildren.empty())
            SendMessageW(FHandle, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(n->FItemId));
    --FExpanding;
    if (FSavedSelected)
        SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(FSavedSelected->FItemId));
    if (FSavedTop)
        SendMessageW(FHandle, TVM_SELECTITEM, TVGN_FIRSTVISIBLE, reinterpret_cast<LPARAM>(FSavedTop->FItemId));
    FSavedSelected = FSavedTop = nullptr;
}

void TCustomTreeView::DestroyWnd() {
    TTreeNodes* nodes = Items();
    for (TTreeNode* n = nodes->GetFirstNode(); n; n = n->GetNext())
        n->FExpanded = n->Expanded();
    FSavedSelected = Selected();
    FSavedTop = TopItem();
    FQuiet = true;
    try {
        TWinControl::DestroyWnd();
    } catch (...) {
        FQuiet = false;
        throw;
    }
    FQuiet = false;
    for (TTreeNode* n = nodes->GetFirstNode(); n; n = n->GetNext())
        n->FItemId = nullptr;
}

namespace {

// The state bits of a node's window item: state image, overlay, ghosted.
template <class TItem>
void SetWindowState(const TTreeNode& Node, TItem& Item) {
    Item.stateMask = TVIS_STATEIMAGEMASK | TVIS_OVERLAYMASK | TVIS_CUT;
    Item.state = INDEXTOSTATEIMAGEMASK(Node.StateIndex() > 0 ? Node.StateIndex() : 0) |
                 INDEXTOOVERLAYMASK(Node.OverlayIndex() > 0 ? Node.OverlayIndex() : 0) |
                 (Node.Cut() ? TVIS_CUT : 0);
}

} // namespace

void TCustomTreeView::InsertNodeIntoWindow(TTreeNode* Node, bool WithChildren) {
    TVINSERTSTRUCTW ins{};
    ins.hParent = Node->FParent ? Node->FParent->FItemId : TVI_ROOT;
    TTreeNode* prev = Node->getPrevSibling();
    if (!Node->getNextSibling())
        ins.hInsertAfter = TVI_LAST;
    else
        ins.hInsertAfter = prev && prev->FItemId ? prev->FItemId : TVI_FIRST;
    // The whole item in one message. The window keeps a copy of the text: under Wine a text by
    // call-back costs an item far more (a buffer of its own for the answer).
    TVITEMEXW& it = ins.itemex;
    it.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
    it.pszText = const_cast<LPWSTR>(Node->FText.c_str());
    it.iImage = I_IMAGECALLBACK;
    it.iSelectedImage = I_IMAGECALLBACK;
    it.cChildren = I_CHILDRENCALLBACK;
    it.lParam = reinterpret_cast<LPARAM>(Node);
    SetWindowState(*Node, it);
    Node->FItemId = reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
    if (WithChildren)
        for (TTreeNode* c : Node->FChildren)
            InsertNodeIntoWindow(c, true);
}

void TCustomTreeView::NodeInserted(TTreeNode* Node) {
    if (HandleAllocated() && (!Node->FParent || Node->FParent->FItemId))
        InsertNodeIntoWindow(Node, false);
}

void TCustomTreeView::NodeDeleting(TTreeNode* Node) {
    if (FSavedSelected && (FSavedSelected == Node || FSavedSelected->HasAsParent(Node)))
        FSavedSelected = nullptr;
    if (FSavedTop && (FSavedTop == Node || FSavedTop->HasAsParent(Node)))
        FSavedTop = nullptr;
    Node->FDeleting = true;
    if (WantsDeletion()) {
        // Children first, the node last; the handler cannot delete any of them again. Nodes
        // whose own deletion is already running had their event.
        std::vector<TTreeNode*> order{Node};
        for (TTreeNode* n = Node->GetFirstChild(); n && n->HasAsParent(Node); n = n->GetNext()) {
            if (!n->FDeleting)
                order.push_back(n);
            n->FDeleting = true;
        }
        TTreeNodeWatch self(this, Node);
        for (auto it = order.rbegin(); it != order.rend(); ++it) {
            DoDeletion(*it);
            if (!self.Node())
                return; // the handler deleted an ancestor: the node went along
        }
    }
    if (HandleAllocated() && Node->FItemId)
        SendMessageW(FHandle, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(Node->FItemId));
}

void TCustomTreeView::NodeChanged(TTreeNode* Node, UINT Mask) {
    if (!HandleAllocated() || !Node->FItemId)
        return;
    // Images and the expand button are asked for whenever the window draws the item: it only
    // needs drawing again. The window looks an item up among all its items for each message
    // naming it, so a batch of nodes is not told about one by one: one repaint of the whole
    // tree serves every change until it has run (inside BeginUpdate/EndUpdate the end does).
    if (Mask & (TVIF_TEXT | TVIF_STATE)) {
        TVITEMW it{};
        it.mask = TVIF_HANDLE | (Mask & (TVIF_TEXT | TVIF_STATE));
        it.hItem = Node->FItemId;
        it.pszText = const_cast<LPWSTR>(Node->FText.c_str());
        SetWindowState(*Node, it);
        SendMessageW(FHandle, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    }
    if (FNodes->UpdateCount() > 0 || FRepaintPending)
        return;
    FRepaintPending = true;
    InvalidateRect(FHandle, nullptr, TRUE);
}

bool TCustomTreeView::CanExpand(TTreeNode* Node) {
    bool allow = true;
    if (OnExpanding)
        OnExpanding(this, Node, allow);
    return allow;
}

void TCustomTreeView::Expand(TTreeNode* Node) {
    if (OnExpanded)
        OnExpanded(this, Node);
}

bool TCustomTreeView::CanCollapse(TTreeNode* Node) {
    bool allow = true;
    if (OnCollapsing)
        OnCollapsing(this, Node, allow);
    return allow;
}

void TCustomTreeView::Collapse(TTreeNode* Node) {
    if (OnCollapsed)
        OnCollapsed(this, Node);
}

void TCustomTreeView::GetImageIndex(TTreeNode* Node) {
    if (OnGetImageIndex)
        OnGetImageIndex(this, Node);
}

void TCustomTreeView::GetSelectedIndex(TTreeNode* Node) {
    if (OnGetSelectedIndex)
        OnGetSelectedIndex(this, Node);
}

TTreeNode* TCustomTreeView::Selected() {
    if (!HandleAllocated())
        return FSavedSelected;
    return Items()->GetNode(reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_GETNEXTITEM, TVGN_CARET, 0)));
}

void TCustomTreeView::SetSelected(TTreeNode* Value) {
    if (!HandleAllocated()) {
        FSavedSelected = Value;
        return;
    }
    SendMessageW(FHandle, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(Value ? Value->FItemId : nullptr));
}

TTreeNode* TCustomTreeView::TopItem() {
    if (!HandleAllocated())
        return FSavedTop;
    return Items()->GetNode(reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0)));
}

TTreeNode* TCustomTreeView::DropTarget() {
    if (!HandleAllocated())
        return nullptr;
    return Items()->GetNode(reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_GETNEXTITEM, TVGN_DROPHILITE, 0)));
}

TTreeNode* TCustomTreeView::GetNodeAt(int X, int Y) {
    if (!HandleAllocated())
        return nullptr;
    TVHITTESTINFO info{};
    info.pt = POINT{X, Y};
    return Items()->GetNode(reinterpret_cast<HTREEITEM>(SendMessageW(FHandle, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info))));
}

THitTests TCustomTreeView::GetHitTestInfoAt(int X, int Y) {
    if (!HandleAllocated())
        return htNowhere;
    TVHITTESTINFO info{};
    info.pt = POINT{X, Y};
    SendMessageW(FHandle, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
    THitTests r = 0;
    UINT f = info.flags;
    if (f & TVHT_ABOVE) r |= htAbove;
    if (f & TVHT_BELOW) r |= htBelow;
    if (f & TVHT_NOWHERE) r |= htNowhere;
    if (f & TVHT_ONITEM) r |= htOnItem;
    if (f & TVHT_ONITEMBUTTON) r |= htOnButton;
    if (f & TVHT_ONITEMICON) r |= htOnIcon;
    if (f & TVHT_ONITEMINDENT) r |= htOnIndent;
    if (f & TVHT_ONITEMLABEL) r |= htOnLabel;
    if (f & TVHT_ONITEMRIGHT) r |= htOnRight;
    if (f & TVHT_ONITEMSTATEICON) r |= htOnStateIcon;
    if (f & TVHT_TOLEFT) r |= htToLeft;
    if (f & TVHT_TORIGHT) r |= htToRight;
    return r;
}

bool TCustomTreeView::IsEditing() {
    return HandleAllocated() && SendMessageW(FHandle, TVM_GETEDITCONTROL, 0, 0) != 0;
}

void TCustomTreeView::FullExpand() {
    Items()->BeginUpdate();
    for (TTreeNode* n : std::vector<TTreeNode*>(Items()->FRoots))
        n->Expand(true);
    Items()->EndUpdate();
}

void TCustomTreeView::FullCollapse() {
    Items()->BeginUpdate();
    for (TTreeNode* n : std::vector<TTreeNode*>(Items()->FRoots))
        n->Collapse(true);
    Items()->EndUpdate();
}

bool TCustomTreeView::AlphaSort(bool Recurse) { return CustomSort(nullptr, 0, Recurse); }

bool TCustomTreeView::CustomSort(const TTVCompare& Compare, LPARAM Data, bool Recurse) {
    TTreeNodes* nodes = Items();
    auto cmp = [&](TTreeNode* a, TTreeNode* b) {
        if (Compare)
            return Compare(a, b, Data);
        if (OnCompare) {
            int r = 0;
            OnCompare(this, a, b, Data, r);
            return r;
        }
        return lstrcmpW(a->FText.c_str(), b->FText.c_str());
    };
    std::stable_sort(nodes->FRoots.begin(), nodes->FRoots.end(),
                     [&](TTreeNode* a, TTreeNode* b) { return cmp(a, b) < 0; });
    for (size_t i = 0; i < nodes->FRoots.size(); ++i)
        nodes->FRoots[i]->FIndex = static_cast<int>(i);
    nodes->Changed();
    if (HandleAllocated()) {
        TVSORTCB sort{TVI_ROOT, &CompareByIndex<TTreeNode>, 0};
        SendMessageW(FHandle, TVM_SORTCHILDRENCB, 0, reinterpret_cast<LPARAM>(&sort));
    }
    if (Recurse)
        for (TTreeNode* n : nodes->FRoots)
            n->CustomSort(Compare, Data, true);
    return true;
}

namespace {

void SetStyleBit(TWinControl* Control, DWORD Bit, bool On) {
    if (!Control->HandleAllocated())
        return;
    HWND h = Control->Handle();
    LONG style = GetWindowLongW(h, GWL_STYLE);
    SetWindowLongW(h, GWL_STYLE, On ? (style | Bit) : (style & ~Bit));
    InvalidateRect(h, nullptr, TRUE);
}

} // namespace

void TCustomTreeView::SetReadOnly(bool Value) {
    FReadOnly = Value;
    SetStyleBit(this, TVS_EDITLABELS, !Value);
}

void TCustomTreeView::SetShowButtons(bool Value) {
    FShowButtons = Value;
    SetStyleBit(this, TVS_HASBUTTONS, Value);
}

void TCustomTreeView::SetShowLines(bool Value) {
    FShowLines = Value;
    SetStyleBit(this, TVS_HASLINES, Value);
}

void TCustomTreeView::SetShowRoot(bool Value) {
    FShowRoot = Value;
    SetStyleBit(this, TVS_LINESATROOT, Value);
}

void TCustomTreeView::SetHideSelection(bool Value) {
    FHideSelection = Value;
    SetStyleBit(this, TVS_SHOWSELALWAYS, !Value);
}

void TCustomTreeView::SetRowSelect(bool Value) {
    FRowSelect = Value;
    SetStyleBit(this, TVS_FULLROWSELECT, Value);
}

void TCustomTreeView::SetHotTrack(bool Value) {
    FHotTrack = Value;
    SetStyleBit(this, TVS_TRACKSELECT, Value);
}

void TCustomTreeView::SetToolTips(bool Value) {
    if (Value == FToolTips)
        return;
    FToolTips = Value;
    RecreateWnd(); // the tool tip window is made with the tree
}

int TCustomTreeView::Indent() {
    if (HandleAllocated())
        return static_cast<int>(SendMessageW(FHandle, TVM_GETINDENT, 0, 0));
    return FIndent;
}

void TCustomTreeView::SetIndent(int Value) {
    FIndent = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, TVM_SETINDENT, Value, 0);
}

void TCustomTreeView::SetImages(TCustomImageList* Value) {
    if (!ReplaceComponentRef(this, FImages, Value))
        return;
    UpdateImageLists();
}

void TCustomTreeView::SetStateImages(TCustomImageList* Value) {
    if (!ReplaceComponentRef(this, FStateImages, Value))
        return;
    UpdateImageLists();
}

void TCustomTreeView::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FImages) SetImages(nullptr);
    if (AComponent == FStateImages) SetStateImages(nullptr);
}

void TCustomTreeView::DoGetDispInfo(NMTVDISPINFOW& Info) {
    TVITEMW& it = Info.item;
    auto* node = reinterpret_cast<TTreeNode*>(it.lParam);
    if (!node)
        node = Items()->GetNode(it.hItem);
    if (!node)
        return;
    if (it.mask & TVIF_TEXT)
        CopyToTextBuffer(node->FText, it.pszText, it.cchTextMax);
    if (it.mask & TVIF_IMAGE) {
        GetImageIndex(node);
        it.iImage = node->FImageIndex;
    }
    if (it.mask & TVIF_SELECTEDIMAGE) {
        GetSelectedIndex(node);
        it.iSelectedImage = node->FSelectedIndex;
    }
    if (it.mask & TVIF_CHILDREN)
        it.cChildren = node->FHasChildren ? 1 : 0;
}

void TCustomTreeView::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    Message.Result = 0;
    switch (hdr->code) {
    case TVN_GETDISPINFOW:
        DoGetDispInfo(*reinterpret_cast<NMTVDISPINFOW*>(hdr));
        return;
    case TVN_ITEMEXPANDINGW: {
        if (FExpanding || FQuiet)
            return;
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
        auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
        if (!node)
            return;
        TTreeNodeWatch watch(this, node);
        bool allow = (nm->action & ExpandActionMask) == TVE_COLLAPSE ? CanCollapse(node) : CanExpand(node);
        // A node the handler deleted is not expanded any further by the window.
        Message.Result = allow && watch.Node() ? 0 : 1;
        return;
    }
    case TVN_ITEMEXPANDEDW: {
        if (FExpanding || FQuiet)
            return;
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
        auto* node = reinterpret_cast<TTreeNode*>(nm->itemNew.lParam);
        if (!node)
            return;
        node->FExpanded = (nm->action & ExpandActionMask) != TVE_COLLAPSE;
        if (node->FExpanded)
            Expand(node);
        else
            Collapse(node);
        return;
    }
    case TVN_SELCHANGINGW: {
        if (FQuiet || !OnChanging)
            return;
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
        bool allow = true;
        OnChanging(this, reinterpret_cast<TTreeNode*>(nm->itemNew.lParam), allow);
        Message.Result = allow ? 0 : 1;
        return;
    }
    case TVN_SELCHANGEDW: {
        if (FQuiet || !OnChange)
            return;
        auto* nm = reinterpret_cast<NMTREEVIEWW*>(hdr);
        OnChange(this, reinterpret_cast<TTreeNode*>(nm->itemNew.lParam));
        return;
    }
    case TVN_BEGINLABELEDITW: {
        auto* d = reinterpret_cast<NMTVDISPINFOW*>(hdr);
        bool allow = !FReadOnly;
        if (allow && OnEditing)
            OnEditing(this, reinterpret_cast<TTreeNode*>(d->item.lParam), allow);
        Message.Result = allow ? 0 : 1;
        return;
    }
    case TVN_ENDLABELEDITW: {
        auto* d = reinterpret_cast<NMTVDISPINFOW*>(hdr);
        auto* node = reinterpret_cast<TTreeNode*>(d->item.lParam);
        if (!node)
            node = Items()->GetNode(d->item.hItem);
        if (!d->item.pszText) {
            if (OnCancelEdit)
                OnCancelEdit(this, node);
        } else if (node) {
            std::wstring s = d->item.pszText;
            TTreeNodeWatch watch(this, node);
            if (OnEdited)
                OnEdited(this, node, s);
            if (watch.Node())
                node->SetText(s); // not when OnEdited deleted it
        }
        Message.Result = 0; // the node's text (set above) is the window's
        return;
    }
    case NM_CLICK:
        Click();
        return;
    case NM_RCLICK: {
        // The window's mouse loop has eaten the release; the menu request comes from here,
        // to this control (the window itself would send it to its parent), and only once.
        Perform(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(FHandle), static_cast<LPARAM>(GetMessagePos()));
        Message.Result = 1;
        return;
    }
    }
}

void TCustomTreeView::WndProc(TMessage& Message) {
    if (Message.Msg == WM_PAINT)
        FRepaintPending = false;
    if (Message.Msg == CN_NOTIFY) {
        if (!IsDestroying())
            CNNotify(Message);
        return;
    }
    if (Message.Msg == WM_CONTEXTMENU && Message.LParam == MAKELPARAM(-1, -1) && HandleAllocated()) {
        // From the keyboard: the menu shows at the selected node while it is in view.
        if (TTreeNode* node = Selected()) {
            const RECT r = node->DisplayRect(true);
            const RECT client = ClientRect();
            const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
            if (r.right > r.left && PtInRect(&client, centre)) {
                const POINT p = ClientToScreen(centre);
                Message.LParam = MAKELPARAM(p.x, p.y);
            }
        }
    }
    TWinControl::WndProc(Message);
}
