// The shell tree's menus, keys, renaming and dragging.
#include "UPTShellTree.h"

// ---------------------------------------------------------------------------------
// Shell menu

void TPTCustomShellTree::DoBeforeShellMenuPopup(HMENU& Menu, TTreeNode* Node, int NextCustomMenuId,
                                                bool& CancelMenu) {
    if (OnBeforeShellMenuPopup)
        OnBeforeShellMenuPopup(this, Menu, Node, NextCustomMenuId, CancelMenu);
}

void TPTCustomShellTree::DoAfterShellMenuSelection(TTreeNode* Node, int SelectedMenuId, bool& AllowDefault) {
    if (OnAfterShellMenuSelection)
        OnAfterShellMenuSelection(this, Node, SelectedMenuId, AllowDefault);
}

void TPTCustomShellTree::ShellMenuBeforePopup(TPersistent* Item, HMENU& Menu, int NextCustomMenuId, bool& Show) {
    DoBeforeShellMenuPopup(Menu, static_cast<TTreeNode*>(Item), NextCustomMenuId, Show);
}

void TPTCustomShellTree::ShellMenuAfterSelection(TPersistent* Item, int Id, bool& AllowDefault) {
    DoAfterShellMenuSelection(static_cast<TTreeNode*>(Item), Id, AllowDefault);
}

void TPTCustomShellTree::ShellMenuRename(TPersistent* Item) {
    if (auto* node = static_cast<TTreeNode*>(Item))
        node->EditText();
}

void TPTCustomShellTree::ShellMenuHint(const WideString& Hint) {
    if (OnPopupHint)
        OnPopupHint(this, Hint);
}

TComPtr<IDataObject> TPTCustomShellTree::ShellMenuData(DWORD& AllowedEffects) {
    return TComPtr<IDataObject>(NodeDataObject(FMenuNode ? FMenuNode : Selected(), AllowedEffects).Get());
}

void TPTCustomShellTree::DoContextMenu(TTreeNode* Node, POINT ClientPoint) {
    if (!(FOptions & ptstoContextMenus) || !GetNodeData(Node)) {
        TPTCustomTreeView::DoContextMenu(Node, ClientPoint);
        return;
    }
    ShowShellMenu(Node, ClientPoint);
}

void TPTCustomShellTree::ShowShellMenu(TTreeNode* Node, POINT ClientPoint) {
    TPTShTreeData* data = GetNodeData(Node);
    TComPtr<IContextMenu> menu = PTItemsContextMenu(data->ParentShf(), Handle(), {data->RelPidl()});
    struct TMenuNode {
        TTreeNode*& Slot;
        ~TMenuNode() { Slot = nullptr; }
    } menuNode{FMenuNode = Node};
    FMenu->Show(menu.Get(), Node, ClientToScreen(ClientPoint), !FReadOnly);
}

bool TPTCustomShellTree::RunVerbOnNode(TTreeNode* Node, const WideString& Verb) {
    TPTShTreeData* data = GetNodeData(Node);
    if (!data)
        return false;
    TComPtr<IContextMenu> menu = PTItemsContextMenu(data->ParentShf(), Handle(), {data->RelPidl()});
    return PTRunVerb(menu.Get(), Handle(), Verb, PTShiftDown(), PTCtrlDown());
}

// ---------------------------------------------------------------------------------
// Keys

void TPTCustomShellTree::HandleKeyCommand(WORD Key, TShiftState Shift, bool& Handled) {
    TTreeNode* node = Selected();
    Handled = true;
    switch (PTShellKeyCommand(Key, Shift)) {
    case skRename:
        if (node)
            node->EditText();
        break;
    case skRefresh:
        Refresh();
        break;
    case skCut:
        RunVerbOnNode(node, L"cut");
        break;
    case skCopy:
        RunVerbOnNode(node, L"copy");
        break;
    case skPaste:
        RunVerbOnNode(node, L"paste");
        Refresh();
        break;
    case skDelete:
        // With Shift the shell deletes without the recycle bin.
        RunVerbOnNode(node, L"delete");
        Refresh();
        break;
    default:
        Handled = false;
        break;
    }
}

void TPTCustomShellTree::KeyDown(WORD& Key, TShiftState Shift) {
    if ((FOptions & ptstoDefaultKeyHandling) && !IsEditing()) {
        bool handled = false;
        HandleKeyCommand(Key, Shift, handled);
        if (handled) {
            Key = 0;
            return;
        }
    }
    TPTCustomTreeView::KeyDown(Key, Shift);
}

// ---------------------------------------------------------------------------------
// Renaming

void TPTCustomShellTree::EndRename(TTreeNode* Node, const WideString& Text) {
    TPTShTreeData* data = GetNodeData(Node);
    if (!data || !data->ParentShf())
        return;
    WideString name = Text;
    if (OnEditedW)
        OnEditedW(this, Node, name);
    TPTHourGlass hourglass;
    // The rename's own change notice is left out; the tree refreshes after a pause that
    // does not hold up the interface.
    FRenamePending = true;
    PITEMID_CHILD renamed = nullptr;
    const HRESULT hr = data->ParentShf()->SetNameOf(Handle(), data->RelPidl(), name.c_str(), SHGDN_INFOLDER, &renamed);
    if (SUCCEEDED(hr) && renamed) {
        data->SetRelPidl(renamed);
        for (TTreeNode* n = Node->GetNext(); n && n->HasAsParent(Node); n = n->GetNext())
            if (TPTShTreeData* below = GetNodeData(n))
                below->ParentRenamed();
        if (!Node->Parent()) {
            TPTCountScope keep(FUpdateGuard);
            FRoot.SetPidl(data->AbsPidl()); // the root keeps naming the shown folder
        }
        Node->SetText(GetDisplayName(data->ParentShf(), data->RelPidl(), dnmInFolder));
        Node->SetImageIndex(-1); // asked again when drawn
        Node->SetSelectedIndex(-1);
        if (TTreeNode* parent = Node->Parent())
            SortChildren(parent);
        TTreeNode* selected = Selected();
        if (selected && (selected == Node || selected->HasAsParent(Node)))
            SelectionSettled();
    } else {
        ShellFree(renamed);
        if (FAILED(hr))
            FRenamePending = false;
    }
    StartTimer(tmRefresh, RenameRefreshDelay);
}

// ---------------------------------------------------------------------------------
// Dragging

TComPtr<TDataObject_shtv> TPTCustomShellTree::NodeDataObject(TTreeNode* Node, DWORD& AllowedEffects) {
    AllowedEffects = DROPEFFECT_NONE;
    TPTShTreeData* data = GetNodeData(Node);
    if (!data || !data->ParentShf() || IsEmptyPidl(data->RelPidl()))
        return {};
    PCUITEMID_CHILD item = data->RelPidl();
    SFGAOF attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    if (FAILED(data->ParentShf()->GetAttributesOf(1, &item, &attributes)))
        attributes = 0;
    AllowedEffects = attributes & (SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK);
    return MakeComObject<TDataObject_shtv>(data->ParentAbsPidl(), item,
                                           GetDisplayName(data->ParentShf(), item, dnmForParsing));
}

void TPTCustomShellTree::StartOleDrag(TTreeNode* Node, TMouseButton Button) {
    DWORD allowed = DROPEFFECT_NONE;
    TComPtr<TDataObject_shtv> data = NodeDataObject(Node, allowed);
    if (!data)
        return;
    if (OnOleDragStart)
        OnOleDragStart(this, Button, data.Get(), allowed);
    const DWORD button = Button == mbLeft ? MK_LBUTTON : Button == mbRight ? MK_RBUTTON : MK_MBUTTON;
    FDragActive = true;
    struct TEnd {
        bool& Active;
        ~TEnd() { Active = false; }
    } end{FDragActive};
    DWORD effect = DROPEFFECT_NONE;
    const HRESULT result = PTDoShellDrag(data.Get(), button, allowed, effect);
    if (OnOleDragComplete)
        OnOleDragComplete(this, result, effect);
    FDragActive = false;
    data.Reset();
    if (FFillPending)
        Fill();
    else if (result == DRAGDROP_S_DROP || FRefreshPending)
        Refresh();
}

// ---------------------------------------------------------------------------------
// Drop target

void TPTCustomShellTree::UpdateDropTarget() {
    if (HandleAllocated())
        FDropRegistration.Update(FHandle, (FOptions & ptstoOleDrop) != 0);
}

const void* TPTCustomShellTree::DropItemAt(POINT ClientPoint) {
    TTreeNode* node = GetNodeAt(ClientPoint.x, ClientPoint.y);
    return GetNodeData(node) ? node : nullptr;
}

TComPtr<IDropTarget> TPTCustomShellTree::DropTargetFor(const void* Item) {
    TComPtr<IDropTarget> target;
    // Only a node takes drops: the tree has no folder of its own around its nodes.
    TPTShTreeData* data = Item ? GetNodeData(static_cast<TTreeNode*>(const_cast<void*>(Item))) : nullptr;
    if (!data)
        return target;
    if (data->ParentShf() && !IsEmptyPidl(data->RelPidl())) {
        PCUITEMID_CHILD child = data->RelPidl();
        data->ParentShf()->GetUIObjectOf(HandleAllocated() ? FHandle : nullptr, 1, &child, IID_IDropTarget, nullptr,
                                         target.PutVoid());
    } else {
        GetUIObjectOfPidl(data->AbsPidl(), IID_IDropTarget, target.PutVoid());
    }
    return target;
}

void TPTCustomShellTree::DropScroll(int DX, int DY) {
    if (!HandleAllocated())
        return;
    if (DY)
        SendMessageW(FHandle, WM_VSCROLL, DY < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
    if (DX)
        SendMessageW(FHandle, WM_HSCROLL, DX < 0 ? SB_LINELEFT : SB_LINERIGHT, 0);
}

void TPTCustomShellTree::DropEvent(bool IsDrop, IDataObject* Data, DWORD KeyState, POINT Point, DWORD& Effect,
                                   HRESULT& Result) {
    const TPTShellListOleDragEvent& event = IsDrop ? OnOleDrop : OnOleDrag;
    if (event)
        event(this, Data, KeyState, Point, Effect, Result);
}

void TPTCustomShellTree::DropBusy(bool On) {
    if (On)
        FDropHourGlass = std::make_unique<TPTHourGlass>();
    else
        FDropHourGlass.reset();
}

void TPTCustomShellTree::DropDone() { Refresh(); }

void TPTCustomShellTree::DropHover(POINT ClientPoint, const void* Item) {
    // A folder the mouse rests on during a drag opens.
    if (!DragHover.Update(HoverClock(), ClientPoint, Item) || !Item)
        return;
    auto* node = static_cast<TTreeNode*>(const_cast<void*>(Item));
    if (node->HasChildren() && !node->Expanded())
        node->Expand(false);
}
