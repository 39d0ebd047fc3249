#include "UPTShellListMenu.h"

#include "Forms.h"
#include "Menus.h"
#include "SysUtils.h"
#include "TntSysUtils.h"
#include "UPTShellList.h"

#include <algorithm>

namespace {

constexpr UINT FirstCustomId = 1;
constexpr UINT LastCustomId = 99;
constexpr int NextCustomMenuId = 100;

bool ShiftDown() { return GetKeyState(VK_SHIFT) < 0; }
bool CtrlDown() { return GetKeyState(VK_CONTROL) < 0; }

std::vector<PCItemIDList> RelPidls(const std::vector<TPTShListItem*>& Items) {
    std::vector<PCItemIDList> result;
    result.reserve(Items.size());
    for (TPTShListItem* item : Items)
        if (item->ShListData())
            result.push_back(item->ShListData()->RelPidl());
    return result;
}

// The menu font of the system.
HFONT MenuFont(TGdiObject& Holder) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        Holder.Reset(CreateFontIndirectW(&metrics.lfMenuFont));
    return static_cast<HFONT>(Holder ? Holder.Get() : GetStockObject(DEFAULT_GUI_FONT));
}

} // namespace

// ---------------------------------------------------------------------------------
// Send To

std::vector<TPTSendToEntry> PTSendToEntries(IShellFolder* Folder, PCItemIDList FolderPidl) {
    std::vector<TPTSendToEntry> entries;
    TComPtr<IEnumIDList> items;
    if (!Folder || FAILED(Folder->EnumObjects(nullptr, SHCONTF_NONFOLDERS, items.Put())) || !items)
        return entries;
    PITEMID_CHILD child = nullptr;
    ULONG fetched = 0;
    while (entries.size() < LastCustomId && items->Next(1, &child, &fetched) == S_OK && fetched == 1) {
        TPTSendToEntry entry;
        entry.RelPidl.Reset(child);
        const WideString file = WideExtractFileName(GetDisplayName(Folder, child, dnmForParsing));
        const WideString ext = WideExtractFileExt(file);
        entry.Name = file.substr(0, file.size() - ext.size());
        if (entry.Name.empty())
            entry.Name = GetDisplayName(Folder, child, dnmInFolder);
        TPTPidl abs(ConcatPidls(FolderPidl, child));
        entry.IconIndex = GetIconIndex(abs.Get(), SHGFI_SMALLICON);
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool PTIsSendToPlaceholder(HMENU Menu) {
    if (!Menu || GetMenuItemCount(Menu) != 1)
        return false;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STATE | MIIM_SUBMENU;
    return GetMenuItemInfoW(Menu, 0, TRUE, &info) && !info.hSubMenu && (info.fState & MFS_GRAYED);
}

void PTFillSendToMenu(HMENU Menu, size_t Count) {
    while (GetMenuItemCount(Menu) > 0)
        DeleteMenu(Menu, 0, MF_BYPOSITION);
    for (size_t i = 0; i < Count && i < LastCustomId; ++i)
        AppendMenuW(Menu, MF_OWNERDRAW, FirstCustomId + i, nullptr);
}

// ---------------------------------------------------------------------------------

TPTShellListMenu::TPTShellListMenu(TPTCustomShellList* List) : FList(List) {
    TrackMenu = [this](HMENU Menu, POINT Screen) -> UINT {
        return static_cast<UINT>(TrackPopupMenu(Menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, Screen.x, Screen.y, 0,
                                                FList->Handle(), nullptr));
    };
}

TPTShellListMenu::~TPTShellListMenu() = default;

void TPTShellListMenu::Show(IContextMenu* Menu, TListItem* Item, POINT Screen, bool CanRename) {
    if (!Menu)
        return;
    TMenuHandle popup(CreatePopupMenu());
    UINT flags = CMF_EXPLORE;
    if (CanRename)
        flags |= CMF_CANRENAME;
    if (ShiftDown())
        flags |= CMF_EXTENDEDVERBS;
    if (!popup || FAILED(Menu->QueryContextMenu(popup.Get(), 0, PTShellMenuFirstId, PTShellMenuLastId, flags)))
        return; // a menu that cannot be built shows nothing
    FActive = TComPtr<IContextMenu>(Menu);
    struct TEnd {
        TPTShellListMenu* Self;
        ~TEnd() {
            Self->FActive.Reset();
            Self->FSendTo.clear();
            Self->FSendToLoaded = false;
        }
    } end{this};
    HMENU handle = popup.Get();
    bool show = true;
    FList->DoBeforeShellMenuPopup(handle, Item, NextCustomMenuId, show);
    if (handle != popup.Get())
        popup.Reset(handle); // the handler's menu replaces ours, which goes
    if (!show || !handle)
        return;
    const UINT id = TrackMenu(handle, Screen);
    CarryOut(Menu, Item, id);
}

void TPTShellListMenu::CarryOut(IContextMenu* Menu, TListItem* Item, UINT Id) {
    bool allow = true;
    FList->DoAfterShellMenuSelection(Item, static_cast<int>(Id), allow);
    if (!allow || Id == 0)
        return;
    if (Id >= PTShellMenuFirstId) {
        const UINT offset = Id - PTShellMenuFirstId;
        // Rename is known by its verb (menus differ in where they put it).
        if (SameText(PTCommandVerb(Menu, offset), L"rename")) {
            if (TListItem* focused = FList->ItemFocused())
                focused->EditCaption();
            return;
        }
        PTInvokeCommand(Menu, FList->Handle(), offset, ShiftDown(), CtrlDown());
        // Network folders send no change notices.
        if (FList->Folder()->GetPath().compare(0, 2, L"\\\\") == 0)
            FList->Refresh();
        return;
    }
    if (Id >= FirstCustomId && Id <= LastCustomId)
        FList->CustomMenuCommand(static_cast<int>(Id));
}

void TPTShellListMenu::RunDefaultCommand(const std::vector<TPTShListItem*>& Items) {
    TComPtr<IContextMenu> menu = PTItemsContextMenu(FList->FolderShf(), FList->Handle(), RelPidls(Items));
    PTRunDefaultCommand(menu.Get(), FList->Handle(), ShiftDown());
}

bool TPTShellListMenu::LoadSendTo() {
    if (FSendToLoaded)
        return !FSendTo.empty();
    FSendToLoaded = true;
    if (!SendToFolder) {
        TPTPidl pidl;
        if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_SENDTO, reinterpret_cast<PIDLIST_ABSOLUTE*>(pidl.Put()))) &&
            SUCCEEDED(GetShellFolder(pidl.Get(), SendToFolder)))
            SendToPidl = std::move(pidl);
    }
    FSendTo = PTSendToEntries(SendToFolder.Get(), SendToPidl.Get());
    return !FSendTo.empty();
}

bool TPTShellListMenu::MeasureSendToItem(MEASUREITEMSTRUCT& Item) {
    if (Item.CtlType != ODT_MENU || Item.itemID < FirstCustomId || Item.itemID > FSendTo.size())
        return false;
    TGdiObject holder;
    HDC dc = GetDC(nullptr);
    {
        TSelectedObject font(dc, MenuFont(holder));
        SIZE size{};
        const WideString& name = FSendTo[Item.itemID - 1].Name;
        GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
        Item.itemWidth = static_cast<UINT>(size.cx + 16 + 12);
        Item.itemHeight = static_cast<UINT>(std::max<LONG>(size.cy, 16) + 4);
    }
    ReleaseDC(nullptr, dc);
    return true;
}

bool TPTShellListMenu::DrawSendToItem(const DRAWITEMSTRUCT& Item) {
    if (Item.CtlType != ODT_MENU || Item.itemID < FirstCustomId || Item.itemID > FSendTo.size())
        return false;
    const TPTSendToEntry& entry = FSendTo[Item.itemID - 1];
    const bool selected = (Item.itemState & ODS_SELECTED) != 0;
    HDC dc = Item.hDC;
    RECT r = Item.rcItem;
    FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_MENU));
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
    SetBkMode(dc, TRANSPARENT);
    ImageList_Draw(GetSystemImageList(0), entry.IconIndex, dc, r.left + 2, (r.top + r.bottom - 16) / 2,
                   ILD_TRANSPARENT);
    TGdiObject holder;
    TSelectedObject font(dc, MenuFont(holder));
    r.left += 16 + 8;
    DrawTextW(dc, entry.Name.c_str(), static_cast<int>(entry.Name.size()), &r,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
    return true;
}

bool TPTShellListMenu::HandleMenuMessage(TMessage& Message) {
    if (!FActive || !PTIsMenuObjectMessage(Message.Msg))
        return false;
    switch (Message.Msg) {
    case WM_INITMENUPOPUP: {
        auto* menu = reinterpret_cast<HMENU>(Message.WParam);
        TComPtr<IContextMenu2> newer;
        const bool fillsItsOwn = SUCCEEDED(FActive.As(newer, IID_IContextMenu2)) && newer;
        if (!fillsItsOwn && PTIsSendToPlaceholder(menu) && LoadSendTo()) {
            PTFillSendToMenu(menu, FSendTo.size());
            Message.Result = 0;
            return true;
        }
        break;
    }
    case WM_MEASUREITEM:
        if (auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam)) {
            if (m->CtlType != ODT_MENU)
                return false;
            if (MeasureSendToItem(*m)) {
                Message.Result = TRUE;
                return true;
            }
        }
        break;
    case WM_DRAWITEM:
        if (auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam)) {
            if (d->CtlType != ODT_MENU)
                return false;
            if (DrawSendToItem(*d)) {
                Message.Result = TRUE;
                return true;
            }
        }
        break;
    case WM_MENUSELECT: {
        const UINT id = LOWORD(Message.WParam);
        if (FList->OnPopupHint && id >= PTShellMenuFirstId && !(HIWORD(Message.WParam) & MF_POPUP))
            FList->OnPopupHint(FList, PTCommandHelpText(FActive.Get(), id - PTShellMenuFirstId));
        break;
    }
    }
    LRESULT result = 0;
    if (PTForwardMenuMessage(FActive.Get(), Message.Msg, Message.WParam, Message.LParam, result)) {
        Message.Result = result;
        return true;
    }
    return false;
}

bool TPTShellListMenu::SendTo(int Id) {
    if (Id < 1 || static_cast<size_t>(Id) > FSendTo.size() || !SendToFolder)
        return false;
    DWORD allowed = 0;
    TComPtr<TDataObject_shlv> data = FList->SelectionDataObject(allowed);
    if (!data)
        return false;
    TComPtr<IDropTarget> target;
    PCUITEMID_CHILD child = FSendTo[static_cast<size_t>(Id) - 1].RelPidl.Get();
    if (FAILED(SendToFolder->GetUIObjectOf(FList->Handle(), 1, &child, IID_IDropTarget, nullptr, target.PutVoid())) ||
        !target)
        return false;
    TPTHourGlass hourglass;
    DWORD effect = allowed;
    const POINTL at{0, 0};
    target->DragEnter(data.Get(), MK_LBUTTON, at, &effect);
    effect = allowed;
    return SUCCEEDED(target->Drop(data.Get(), MK_LBUTTON, at, &effect));
}

// ---------------------------------------------------------------------------------
// The list's menus, keys, renaming and dragging

void TPTCustomShellList::DoBeforeShellMenuPopup(HMENU& Menu, TListItem* Item, int NextCustomMenuId, bool& CancelMenu) {
    if (OnBeforeShellMenuPopup)
        OnBeforeShellMenuPopup(this, Menu, Item, NextCustomMenuId, CancelMenu);
}

void TPTCustomShellList::DoAfterShellMenuSelection(TListItem* Item, int SelectedMenuId, bool& AllowDefault) {
    if (OnAfterShellMenuSelection)
        OnAfterShellMenuSelection(this, Item, SelectedMenuId, AllowDefault);
}

void TPTCustomShellList::CustomMenuCommand(int Id) { FMenu->SendTo(Id); }

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
    return PTRunVerb(menu.Get(), Handle(), Verb, ShiftDown(), CtrlDown());
}

bool TPTCustomShellList::RunFolderVerb(const WideString& Verb) {
    TComPtr<IContextMenu> menu = PTFolderBackgroundMenu(FFolderShf.Get(), Handle());
    return PTRunVerb(menu.Get(), Handle(), Verb, ShiftDown(), CtrlDown());
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
    using UPTShellUtils::TextToShortCut;
    static const WORD ctrlA = TextToShortCut(L"Ctrl+A"), del = TextToShortCut(L"Del"),
                      ctrlC = TextToShortCut(L"Ctrl+C"), ctrlX = TextToShortCut(L"Ctrl+X"),
                      ctrlV = TextToShortCut(L"Ctrl+V"), f5 = TextToShortCut(L"F5"), f2 = TextToShortCut(L"F2");
    WORD shortcut = Key;
    if (Shift & ssShift) shortcut |= 0x2000;
    if (Shift & ssCtrl) shortcut |= 0x4000;
    if (Shift & ssAlt) shortcut |= 0x8000;
    Handled = true;
    if (shortcut == ctrlA) {
        if (FMultiSelect && HandleAllocated()) {
            LVITEMW it{};
            it.stateMask = LVIS_SELECTED;
            it.state = LVIS_SELECTED;
            SendMessageW(FHandle, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&it));
        }
    } else if (shortcut == f5) {
        Fill();
    } else if (shortcut == ctrlC) {
        RunVerbOnSelection(L"copy");
    } else if (shortcut == ctrlX) {
        CutSelection();
    } else if (shortcut == ctrlV) {
        RunFolderVerb(L"paste");
        Refresh();
    } else if (shortcut == f2) {
        if (TListItem* focused = ItemFocused())
            focused->EditCaption();
    } else if (shortcut == del || shortcut == (del | 0x2000)) {
        // With Shift the shell deletes without the recycle bin.
        RunVerbOnSelection(L"delete");
        Refresh();
    } else {
        Handled = false;
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
    TComPtr<TDropSource_shlvtv> source = MakeComObject<TDropSource_shlvtv>(button);
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
    result = DoDragDrop(data.Get(), source.Get(), allowed, &effect);
    if (OnOleDragComplete)
        OnOleDragComplete(this, result, effect);
    FDragActive = false;
    data.Reset();
    if (result == DRAGDROP_S_DROP || FFillPending)
        Refresh();
}
