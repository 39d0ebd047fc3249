#include "UPTShellMenu.h"

#include "Forms.h"
#include "Menus.h"
#include "SysUtils.h"
#include "TntSysUtils.h"
#include "UPTShellUtils.h"

#include <algorithm>

namespace {

constexpr UINT FirstCustomId = 1;
constexpr UINT LastCustomId = 99;
constexpr int NextCustomMenuId = 100;

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

TPTHourGlass::TPTHourGlass() : FOld(Screen ? Screen->Cursor() : crDefault) {
    if (Screen)
        Screen->SetCursor(crHourGlass);
}

TPTHourGlass::~TPTHourGlass() {
    if (Screen)
        Screen->SetCursor(FOld);
}

bool PTShiftDown() { return GetKeyState(VK_SHIFT) < 0; }
bool PTCtrlDown() { return GetKeyState(VK_CONTROL) < 0; }

TPTShellKeyCommand PTShellKeyCommand(WORD Key, TShiftState Shift) {
    using UPTShellUtils::TextToShortCut;
    static const WORD ctrlA = TextToShortCut(L"Ctrl+A"), del = TextToShortCut(L"Del"),
                      ctrlC = TextToShortCut(L"Ctrl+C"), ctrlX = TextToShortCut(L"Ctrl+X"),
                      ctrlV = TextToShortCut(L"Ctrl+V"), f5 = TextToShortCut(L"F5"), f2 = TextToShortCut(L"F2");
    WORD shortcut = Key;
    if (Shift & ssShift) shortcut |= 0x2000;
    if (Shift & ssCtrl) shortcut |= 0x4000;
    if (Shift & ssAlt) shortcut |= 0x8000;
    if (shortcut == ctrlA) return skSelectAll;
    if (shortcut == f5) return skRefresh;
    if (shortcut == ctrlC) return skCopy;
    if (shortcut == ctrlX) return skCut;
    if (shortcut == ctrlV) return skPaste;
    if (shortcut == f2) return skRename;
    if (shortcut == del || shortcut == (del | 0x2000)) return skDelete;
    return skNone;
}

TPTShellMenu::TPTShellMenu(TPTShellMenuHost* Host) : FHost(Host) {
    TrackMenu = [this](HMENU Menu, POINT Screen) -> UINT {
        return static_cast<UINT>(TrackPopupMenu(Menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, Screen.x, Screen.y, 0,
                                                FHost->ShellMenuOwner(), nullptr));
    };
}

TPTShellMenu::~TPTShellMenu() = default;

void TPTShellMenu::Show(IContextMenu* Menu, TPersistent* Item, POINT Screen, bool CanRename) {
    if (!Menu)
        return;
    TMenuHandle popup(CreatePopupMenu());
    UINT flags = CMF_EXPLORE;
    if (CanRename)
        flags |= CMF_CANRENAME;
    if (PTShiftDown())
        flags |= CMF_EXTENDEDVERBS;
    if (!popup || FAILED(Menu->QueryContextMenu(popup.Get(), 0, PTShellMenuFirstId, PTShellMenuLastId, flags)))
        return; // a menu that cannot be built shows nothing
    FActive = TComPtr<IContextMenu>(Menu);
    struct TEnd {
        TPTShellMenu* Self;
        ~TEnd() {
            Self->FActive.Reset();
            Self->FSendTo.clear();
            Self->FSendToLoaded = false;
        }
    } end{this};
    HMENU handle = popup.Get();
    bool show = true;
    FHost->ShellMenuBeforePopup(Item, handle, NextCustomMenuId, show);
    if (handle != popup.Get())
        popup.Reset(handle); // the handler's menu replaces ours, which goes
    if (!show || !handle)
        return;
    const UINT id = TrackMenu(handle, Screen);
    CarryOut(Menu, Item, id);
}

void TPTShellMenu::CarryOut(IContextMenu* Menu, TPersistent* Item, UINT Id) {
    bool allow = true;
    FHost->ShellMenuAfterSelection(Item, static_cast<int>(Id), allow);
    if (!allow || Id == 0)
        return;
    if (Id >= PTShellMenuFirstId) {
        const UINT offset = Id - PTShellMenuFirstId;
        // Rename is known by its verb (menus differ in where they put it).
        if (SameText(PTCommandVerb(Menu, offset), L"rename")) {
            FHost->ShellMenuRename(Item);
            return;
        }
        PTInvokeCommand(Menu, FHost->ShellMenuOwner(), offset, PTShiftDown(), PTCtrlDown());
        FHost->ShellMenuCommandDone(Item);
        return;
    }
    if (Id >= FirstCustomId && Id <= LastCustomId)
        FHost->ShellMenuCustomCommand(static_cast<int>(Id));
}

bool TPTShellMenu::LoadSendTo() {
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

bool TPTShellMenu::MeasureSendToItem(MEASUREITEMSTRUCT& Item) {
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

bool TPTShellMenu::DrawSendToItem(const DRAWITEMSTRUCT& Item) {
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

bool TPTShellMenu::HandleMenuMessage(TMessage& Message) {
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
        if (id >= PTShellMenuFirstId && !(HIWORD(Message.WParam) & MF_POPUP))
            FHost->ShellMenuHint(PTCommandHelpText(FActive.Get(), id - PTShellMenuFirstId));
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

bool TPTShellMenu::SendTo(int Id) {
    if (Id < 1 || static_cast<size_t>(Id) > FSendTo.size() || !SendToFolder)
        return false;
    DWORD allowed = 0;
    TComPtr<IDataObject> data = FHost->ShellMenuData(allowed);
    if (!data)
        return false;
    TComPtr<IDropTarget> target;
    PCUITEMID_CHILD child = FSendTo[static_cast<size_t>(Id) - 1].RelPidl.Get();
    if (FAILED(SendToFolder->GetUIObjectOf(FHost->ShellMenuOwner(), 1, &child, IID_IDropTarget, nullptr,
                                           target.PutVoid())) ||
        !target)
        return false;
    TPTHourGlass hourglass;
    DWORD effect = allowed;
    const POINTL at{0, 0};
    target->DragEnter(data.Get(), MK_LBUTTON, at, &effect);
    effect = allowed;
    return SUCCEEDED(target->Drop(data.Get(), MK_LBUTTON, at, &effect));
}

