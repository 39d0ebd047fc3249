// The shell list's menus, keys, renaming and dragging.
#include "UPTShellList.h"

#include "SysUtils.h"

namespace {

std::vector<PCItemIDList> RelPidls(const std::vector<TPTShListItem*>& Items) {
    std::vector<PCItemIDList> result;
    result.reserve(Items.size());
    for (TPTShListItem* item : Items)
        if (item->ShListData())
            result.push_back(item->ShListData()->RelPidl());
    return result;
}

} // namespace

void TPTCustomShellList::DoBeforeShellMenuPopup(HMENU& Menu, TListItem* Item, int NextCustomMenuId, bool& CancelMenu) {
    if (OnBeforeShellMenuPopup)
        OnBeforeShellMenuPopup(this, Menu, Item, NextCustomMenuId, CancelMenu);
}

void TPTCustomShellList::DoAfterShellMenuSelection(TListItem* Item, int SelectedMenuId, bool& AllowDefault) {
    if (OnAfterShellMenuSelection)
        OnAfterShellMenuSelection(this, Item, SelectedMenuId, AllowDefault);
}

void TPTCustomShellList::CustomMenuCommand(int Id) { FMenu->SendTo(Id); }

void TPTCustomShellList::ShellMenuBeforePopup(TPersistent* Item, HMENU& Menu, int NextCustomMenuId, bool& Show) {
    DoBeforeShellMenuPopup(Menu, static_cast<TListItem*>(Item), NextCustomMenuId, Show);
}

void TPTCustomShellList::ShellMenuAfterSelection(TPersistent* Item, int Id, bool& AllowDefault) {
    DoAfterShellMenuSelection(static_cast<TListItem*>(Item), Id, AllowDefault);
}

void TPTCustomShellList::ShellMenuRename(TPersistent*) {
    if (TListItem* focused = ItemFocused())
        focused->EditCaption();
}

void TPTCustomShellList::ShellMenuCommandDone(TPersistent*) {
    // Network folders send no change notices.
    if (FFolder.GetPath().compare(0, 2, L"\\\\") == 0)
        Refresh();
}

void TPTCustomShellList::ShellMenuHint(const WideString& Hint) {
    if (OnPopupHint)
        OnPopupHint(this, Hint);
}

TComPtr<IDataObject> TPTCustomShellList::ShellMenuData(DWORD& AllowedEffects) {
    return TComPtr<IDataObject>(SelectionDataObject(AllowedEffects).Get());
}

void TPTCustomShellList::RunDefaultCommand(const std::vector<TPTShListItem*>& Items) {
    TComPtr<IContextMenu> menu = PTItemsContextMenu(FFolderShf.Get(), Handle(), RelPidls(Items));
    PTRunDefaultCommand(menu.Get(), Handle(), PTShiftDown());
}

void TPTCustomShellList::DoContextMenu(TListItem* Item, POINT ClientPoint) {
    if (!(FOptions & ptsloContextMenus) || !FFolderShf) {
        TPTCustomListView::DoContextMenu(Item, ClientPoint);
        return;
    }
    if (!Item || !GetItemData(Item)) {
        // Empty space: the control's own menu when it has one, else the folder's.
        if (PopupMenu() || !(FOptions & ptsloFolderContextMenu) || Item)
            TPTCustomListView::DoContextMenu(Item, ClientPoint);
        else
            ShowShellMenu(nullptr, ClientPoint, true);
        return;
    }
    ShowShellMenu(Item, ClientPoint, false);
}

void TPTCustomShellList::ShowShellMenu(TListItem* Item, POINT ClientPoint, bool Background) {
    TComPtr<IContextMenu> menu = Background ? PTFolderBackgroundMenu(FFolderShf.Get(), Handle())
                                            : PTItemsContextMenu(FFolderShf.Get(), Handle(), RelPidls(SelectedItems()));
    bool canRename = false;
    if (!Background && !FReadOnly) {
        TPTShListData* focused = GetItemData(ItemFocused());
        canRename = focused && !focused->GetPath().empty();
    }
    FMenu->Show(menu.Get(), Item, ClientToScreen(ClientPoint), canRename);
}

bool TPTCustomShellList::RunVerbOnSelection(const WideString& Verb) {
    TComPtr<IContextMenu> menu = PTItemsContextMenu(FFolderShf.Get(), Handle(), RelPidls(SelectedItems()));
    return PTRunVerb(menu.Get(), Handle(), Verb, PTShiftDown(), PTCtrlDown());
}

bool TPTCustomShellList::RunFolderVerb(const WideString& Verb) {
    TComPtr<IContextMenu> menu = PTFolderBackgroundMenu(FFolderShf.Get(), Handle());
    return PTRunVerb(menu.Get(), Handle(), Verb, PTShiftDown(), PTCtrlDown());
}

void TPTCustomShellList::CutSelection() {
    if (!RunVerbOnSelection(L"cut"))
        return;
    for (int i = 0; i < Items()->Count(); ++i) {
        TPTShListItem* item = Items()->Item(i);
        TPTShListData* data = item->ShListData();
        // Hidden items stay ghosted; the marks of an earlier cut go.
        if (item->Cut() && !(data && (data->GetAttributes() & SFGAO_HIDDEN)))
            item->SetCut(false);
    }
    for (TPTShListItem* item : SelectedItems())
        if (item->ShListData()->IsFileSystem())
            item->SetCut(true);
}

void TPTCustomShellList::HandleKeyCommand(WORD Key, TShiftState Shift, bool& Handled) {
    Handled = true;
    switch (PTShellKeyCommand(Key, Shift)) {
    case skSelectAll:
        if (FMultiSelect && HandleAllocated()) {
            LVITEMW it{};
            it.stateMask = LVIS_SELECTED;
            it.state = LVIS_SELECTED;
            SendMessageW(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
        }
        break;
    case skRefresh:
        Fill();
        break;
    case skCopy:
        RunVerbOnSelection(L"copy");
        break;
    case skCut:
        CutSelection();
        break;
    case skPaste:
        RunFolderVerb(L"paste");
        Refresh();
        break;
    case skRename:
        if (TListItem* focused = ItemFocused())
            focused->EditCaption();
        break;
    case skDelete:
        RunVerbOnSelection(L"delete");
        Refresh();
        break;
    case skNone:
        Handled = false;
        break;
    }
}

void TPTCustomShellList::KeyDown(WORD& Key, TShiftState Shift) {
    if ((FOptions & ptsloDefaultKeyHandling) && !IsEditing()) {
        bool handled = false;
        HandleKeyCommand(Key, Shift, handled);
        if (handled) {
            Key = 0;
            return;
        }
    }
    TPTCustomListView::KeyDown(Key, Shift);
}

void TPTCustomShellList::KeyPress(wchar_t& Key) {
    if ((FOptions & ptsloDefaultKeyHandling) && !IsEditing()) {
        if (Key == VK_BACK) {
            Key = 0;
            GoUp(1);
            return;
        }
        if (Key == VK_RETURN) {
            Key = 0;
            OpenSelected();
            return;
        }
    }
    TPTCustomListView::KeyPress(Key);
}

void TPTCustomShellList::EndRename(TListItem* Item, const WideString& Text) {
    TPTShListData* data = GetItemData(Item);
    if (!data || !FFolderShf)
        return;
    WideString name = Text;
    if (OnEditedW)
        OnEditedW(this, Item, name);
    TPTHourGlass hourglass;
    // The rename's own change notice is left out; the list refreshes after a pause that
    // does not hold up the interface.
    FRenamePending = true;
    PITEMID_CHILD renamed = nullptr;
    const HRESULT hr = FFolderShf->SetNameOf(Handle(), data->RelPidl(), name.c_str(), SHGDN_INFOLDER, &renamed);
    if (SUCCEEDED(hr) && renamed) {
        data->SetRelPidl(renamed);
        // The new name may bring another icon: the window asks for it again.
        auto* item = static_cast<TPTShListItem*>(Item);
        item->IconIndex = item->ThumbnailIndex = -1;
        LVITEMW image{};
        image.mask = LVIF_IMAGE;
        image.iItem = Item->Index();
        image.iImage = I_IMAGECALLBACK;
        SendMessageW(Handle(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&image));
        Item->Update();
    } else {
        ShellFree(renamed);
        if (FAILED(hr))
            FRenamePending = false;
    }
    FRefreshTimer.SetEnabled(false);
    FRefreshTimer.SetInterval(RenameRefreshDelay);
    FRefreshTimer.SetEnabled(true);
}

TComPtr<TDataObject_shlv> TPTCustomShellList::SelectionDataObject(DWORD& AllowedEffects) {
    AllowedEffects = DROPEFFECT_NONE;
    const std::vector<PCItemIDList> rels = RelPidls(SelectedItems());
    if (rels.empty() || !FFolderShf)
        return {};
    std::vector<WideString> names;
    names.reserve(rels.size());
    for (PCItemIDList rel : rels)
        names.push_back(GetDisplayName(FFolderShf.Get(), rel, dnmForParsing));
    SFGAOF attributes = SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK;
    if (FAILED(FFolderShf->GetAttributesOf(static_cast<UINT>(rels.size()), const_cast<PCUITEMID_CHILD_ARRAY>(rels.data()),
                                           &attributes)))
        attributes = 0;
    AllowedEffects = attributes & (SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK);
    return MakeComObject<TDataObject_shlv>(FFolderPidl.Get(), rels, names);
}

void TPTCustomShellList::BeginItemDrag(TMouseButton Button, TListItem* Item, POINT Point) {
    TPTCustomListView::BeginItemDrag(Button, Item, Point);
    if (FOptions & ptsloOleDrag)
        StartOleDrag(Button);
}

void TPTCustomShellList::StartOleDrag(TMouseButton Button) {
    DWORD allowed = DROPEFFECT_NONE;
    TComPtr<TDataObject_shlv> data = SelectionDataObject(allowed);
    if (!data) {
        FDragging = false;
        return;
    }
    if (OnOleDragStart)
        OnOleDragStart(this, Button, data.Get(), allowed);
    const DWORD button = Button == mbLeft ? MK_LBUTTON : Button == mbRight ? MK_RBUTTON : MK_MBUTTON;
    FDragActive = true;
    FDropReceived = false;
    DWORD effect = DROPEFFECT_NONE;
    HRESULT result = E_FAIL;
    struct TEnd {
        TPTCustomShellList* List;
        ~TEnd() {
            List->FDragActive = false;
            List->FDragging = false;
        }
    } end{this};
    result = PTDoShellDrag(data.Get(), button, allowed, effect);
    if (OnOleDragComplete)
        OnOleDragComplete(this, result, effect);
    FDragActive = false;
    data.Reset();
    if (result == DRAGDROP_S_DROP || FFillPending)
        Refresh();
}
