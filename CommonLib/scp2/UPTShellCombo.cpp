#include "UPTShellCombo.h"

#include "Forms.h"
#include "UPTPidlList.h"

#include <algorithm>

namespace {

// FILESYSTEM | FOLDER | FILESYSANCESTOR | COMPRESSED | HIDDEN | SHARE | LINK | ENCRYPTED |
// HASSUBFOLDER
constexpr ULONG ComboAttributes = 0xF40B2000;
constexpr int ShareOverlay = 0; // the share hand
constexpr int LinkOverlay = 1;  // the shortcut arrow

// Ends a guarded stretch when the scope ends.
struct TGuard {
    int& Count;
    explicit TGuard(int& C) : Count(C) { ++Count; }
    ~TGuard() { --Count; }
    TGuard(const TGuard&) = delete;
    TGuard& operator=(const TGuard&) = delete;
};

// The folders among Folder's children, in the folder's order.
std::vector<PItemIDList> SortedChildFolders(IShellFolder* Folder) {
    std::vector<PItemIDList> children;
    TComPtr<IEnumIDList> items;
    if (FAILED(Folder->EnumObjects(nullptr, SHCONTF_FOLDERS, items.Put())) || !items)
        return children;
    PITEMID_CHILD child = nullptr;
    ULONG fetched = 0;
    while (items->Next(1, &child, &fetched) == S_OK && fetched == 1)
        children.push_back(child);
    try {
        SortPidls(Folder, children);
    } catch (...) {
        for (PItemIDList p : children)
            FreePidl(p);
        throw;
    }
    return children;
}

} // namespace

int PTAutoDropDownCount(int ScreenHeight, int ComboBottom, int ItemHeight) {
    if (ItemHeight <= 0)
        return 1;
    return std::max((ScreenHeight - ComboBottom - 1) / ItemHeight, 1);
}

TPTShComboData::TPTShComboData(IShellFolder* ParentFolder, PCItemIDList ParentPidl, PItemIDList RelPidl)
    : FParentFolder(ParentFolder), FParentPidl(ParentPidl ? CopyPidl(ParentPidl) : nullptr), FRelPidl(RelPidl),
      FAbsPidl(ConcatPidls(ParentPidl, RelPidl)) {}

// ---------------------------------------------------------------------------------

TPTCustomShellCombo::TPTCustomShellCombo(TComponent* AOwner)
    : TPTCustomImageCombo(AOwner), FSmallImages(nullptr, 16, 16) {
    SetWidth(177);
    FFolder.OnChange = [this](TObject*) { FolderChanged(); };
    FSmallImages.ShareImages = true;
    FSmallImages.SetHandle(GetSystemImageList(0));
    SetImages(&FSmallImages);
    ScreenHeight = [] { return Screen ? Screen->Height() : GetSystemMetrics(SM_CYSCREEN); };
}

TPTCustomShellCombo::~TPTCustomShellCombo() {
    SetShellList(nullptr);
    SetShellTree(nullptr);
    SetImages(nullptr);
}

TPTImageComboItem* TPTCustomShellCombo::NewItem() { return new TPTShComboItem; }

TPTShComboData* TPTCustomShellCombo::GetComboData(int Index) {
    TPTShComboItem* item = GetComboItem(Index);
    return item ? item->Data() : nullptr;
}

void TPTCustomShellCombo::Notification(TComponent* AComponent, TOperation Operation) {
    TPTCustomImageCombo::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FShellList)
        FShellList = nullptr;
    if (AComponent == FShellTree)
        FShellTree = nullptr;
}

void TPTCustomShellCombo::SetShellList(TPTCustomShellList* Value) {
    if (Value == FShellList || (Value && FShellTree))
        return;
    // The list keeps the link and tells this combo (LinkedListChanged).
    if (FShellList)
        FShellList->SetLinkedCombo(nullptr);
    if (Value)
        Value->SetLinkedCombo(this);
}

void TPTCustomShellCombo::LinkedListChanged(TPTCustomShellList* List) {
    if (List == FShellList)
        return;
    if (FShellList)
        FShellList->RemoveFreeNotification(this);
    FShellList = List;
    if (List)
        List->FreeNotification(this);
}

void TPTCustomShellCombo::SetShellTree(TComponent* Value) {
    if (Value == FShellTree || (Value && FShellList) || (Value && !dynamic_cast<TPTShellLinkedControl*>(Value)))
        return;
    TComponent* old = FShellTree;
    if (old)
        old->RemoveFreeNotification(this);
    FShellTree = Value;
    if (Value)
        Value->FreeNotification(this);
    // The tree is told, so that either side may make or break the link.
    if (auto* tree = dynamic_cast<TPTShellLinkedControl*>(old))
        tree->LinkedComboChanged(nullptr);
    if (auto* tree = dynamic_cast<TPTShellLinkedControl*>(Value))
        tree->LinkedComboChanged(this);
}

// ---------------------------------------------------------------------------------
// Filling

bool TPTCustomShellCombo::AcceptItem(IShellFolder*, PCItemIDList, PCItemIDList, ULONG) { return true; }

TPTShComboItem* TPTCustomShellCombo::AddFolderItem(IShellFolder* ParentFolder, PCItemIDList ParentPidl,
                                                   PItemIDList RelPidl, int Indent) {
    auto data = std::make_unique<TPTShComboData>(ParentFolder, ParentPidl, RelPidl);
    auto* item = static_cast<TPTShComboItem*>(AddItem(L"", -1, Indent));
    item->SetData(std::move(data));
    return item;
}

void TPTCustomShellCombo::AddChildren(IShellFolder* Folder, PCItemIDList FolderPidl, int Indent, PCItemIDList Target,
                                      int Depth) {
    TPTIdListArray target(Target);
    const int levels = target.Count();
    // The current folder's level below this folder (when the current folder lies below it).
    TPTPidl next(Depth < levels ? CopyPidl(target.Item(Depth)) : nullptr);
    TPTPidl computer;
    if (Indent == 0)
        SpecialFolderPidl(nullptr, PTSpecialFolderComputer, computer);
    std::vector<PItemIDList> children = SortedChildFolders(Folder);
    size_t i = 0;
    try {
        for (; i < children.size(); ++i) {
            PItemIDList child = children[i];
            ULONG attributes = ComboAttributes;
            PCUITEMID_CHILD c = child;
            if (FAILED(Folder->GetAttributesOf(1, &c, &attributes)))
                attributes = 0;
            const bool kept = ((FOptions & ptscoNonFilesystemAncestors) ||
                               (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR))) &&
                              AcceptItem(Folder, FolderPidl, child, attributes);
            if (!kept) {
                FreePidl(child);
                continue;
            }
            const bool onPath = next && (static_cast<short>(HRESULT_CODE(Folder->CompareIDs(0, child, next.Get()))) == 0);
            TPTShComboItem* item = AddFolderItem(Folder, FolderPidl, child, Indent + 1);
            if (attributes & SFGAO_SHARE)
                item->SetOverlayIndex(ShareOverlay);
            else if (attributes & SFGAO_LINK)
                item->SetOverlayIndex(LinkOverlay);
            const bool current = onPath && Depth + 1 == levels;
            if (current) {
                item->SetCaption(GetDisplayName(Folder, item->Data()->RelPidl(), dnmInFolder));
                item->SetImageIndex(GetIconIndex(item->Data()->AbsPidl(), SHGFI_SMALLICON));
                FSelectIndex = ItemCount() - 1;
            }
            if (computer && ComparePidls(item->Data()->AbsPidl(), computer.Get()) == 0) {
                // The computer shows its drives; the path to the current folder goes on there.
                TComPtr<IShellFolder> drives;
                if (SUCCEEDED(GetShellFolder(item->Data()->AbsPidl(), drives)) && drives)
                    AddChildren(drives.Get(), item->Data()->AbsPidl(), Indent + 1, onPath ? Target : nullptr,
                                onPath ? Depth + 1 : 0);
                continue;
            }
            if (!onPath || current)
                continue;
            // The chain from this folder down to the current folder, one level deeper each.
            for (int d = Depth + 2; d <= levels; ++d) {
                TPTPidl parentPidl(CopyPidl(target.Parent(levels - (d - 1))));
                TComPtr<IShellFolder> parent;
                if (FAILED(GetShellFolder(parentPidl.Get(), parent)) || !parent)
                    break;
                TPTShComboItem* link =
                    AddFolderItem(parent.Get(), parentPidl.Get(), CopyPidl(target.Item(d - 1)), Indent + 1 + d - Depth - 1);
                if (d == levels) {
                    link->SetCaption(GetDisplayName(parent.Get(), link->Data()->RelPidl(), dnmInFolder));
                    link->SetImageIndex(GetIconIndex(link->Data()->AbsPidl(), SHGFI_SMALLICON));
                    FSelectIndex = ItemCount() - 1;
                }
            }
        }
    } catch (...) {
        for (++i; i < children.size(); ++i)
            FreePidl(children[i]);
        throw;
    }
}

void TPTCustomShellCombo::FillWithChildren(IShellFolder* Desktop) {
    TPTShComboItem* desktop = AddFolderItem(Desktop, nullptr, CopyPidl(nullptr), 0);
    desktop->SetCaption(GetAbsDisplayName(nullptr));
    desktop->SetImageIndex(GetIconIndex(desktop->Data()->AbsPidl(), SHGFI_SMALLICON));
    PCItemIDList target = FFolder.GetPidl();
    if (IsEmptyPidl(target))
        FSelectIndex = 0;
    AddChildren(Desktop, nullptr, 0, target, 0);
}

void TPTCustomShellCombo::FillCurrentOnly() {
    PCItemIDList pidl = FFolder.GetPidl();
    TComPtr<IShellFolder> parent;
    TPTPidl parentPidl, child;
    if (FAILED(SplitPidl(pidl, parent, parentPidl, child)) || !parent)
        return;
    TPTShComboItem* item = AddFolderItem(parent.Get(), parentPidl.Get(), child.Release(), 0);
    item->SetCaption(GetAbsDisplayName(pidl));
    item->SetImageIndex(GetIconIndex(item->Data()->AbsPidl(), SHGFI_SMALLICON | SHGFI_OPENICON));
    FSelectIndex = 0;
}

void TPTCustomShellCombo::Fill() {
    if (!HandleAllocated())
        return;
    TGuard guard(FUpdateGuard);
    SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    struct TRedraw {
        HWND Wnd;
        ~TRedraw() {
            SendMessageW(Wnd, WM_SETREDRAW, TRUE, 0);
            InvalidateRect(Wnd, nullptr, TRUE);
        }
    } redraw{FHandle};
    SetItemIndex(-1);
    ClearItems();
    FSelectIndex = -1;
    TComPtr<IShellFolder> desktop;
    const HRESULT hr = GetDesktopFolder(desktop);
    if (FAILED(hr) || !desktop)
        RaiseShellError(FAILED(hr) ? hr : E_FAIL);
    if (!(FOptions & ptscoDeferredFill) || FFilled)
        FillWithChildren(desktop.Get());
    else
        FillCurrentOnly();
    SetItemIndex(FSelectIndex >= 0 ? FSelectIndex : 0);
}

void TPTCustomShellCombo::GetItemData(TPTShComboItem* Item) {
    TPTShComboData* data = Item->Data();
    if (!data)
        return;
    if (Item->Caption().empty())
        Item->SetCaption(GetDisplayName(data->ParentFolder(), data->RelPidl(), dnmInFolder));
    if (Item->ImageIndex() < 0)
        Item->SetImageIndex(GetIconIndex(data->AbsPidl(), SHGFI_SMALLICON));
}

void TPTCustomShellCombo::DoGetItemData(TPTImageComboItem* Item) {
    GetItemData(static_cast<TPTShComboItem*>(Item));
    TPTCustomImageCombo::DoGetItemData(Item);
}

// ---------------------------------------------------------------------------------
// Keeping in step

void TPTCustomShellCombo::FolderChanged() {
    if (FUpdateGuard > 0)
        return;
    TGuard guard(FUpdateGuard);
    if (auto* tree = dynamic_cast<TPTShellLinkedControl*>(FShellTree))
        tree->LinkedFolder()->SetPidl(FFolder.GetPidl());
    else if (FShellList)
        FShellList->Folder()->SetPidl(FFolder.GetPidl());
    Fill();
}

void TPTCustomShellCombo::GoUp(int Levels) {
    const int selected = ItemIndex();
    if (selected >= 0 && ItemCount() > 1) {
        const int indent = GetItem(selected)->Indent - Levels;
        int i = selected;
        while (i > 0 && GetItem(i)->Indent > indent)
            --i;
        if (i != selected)
            if (TPTShComboData* data = GetComboData(i)) {
                TPTPidl target(CopyPidl(data->AbsPidl()));
                FFolder.SetPidl(target.Get());
            }
        return;
    }
    // Only the current folder is listed (a combo not yet filled whole): its parent.
    TPTIdListArray levels(FFolder.GetPidl());
    if (levels.Count() >= 1) {
        TPTPidl target(CopyPidl(levels.Parent(std::min(Levels, levels.Count()))));
        FFolder.SetPidl(target.Get());
    }
}

void TPTCustomShellCombo::ApplySelection() {
    if (TPTShComboData* data = GetComboData(ItemIndex())) {
        // The folder first: the change event sees it already.
        TPTPidl target(CopyPidl(data->AbsPidl()));
        FFolder.SetPidl(target.Get());
    }
    TPTCustomImageCombo::Change();
}

void TPTCustomShellCombo::Change() {
    if (FUpdateGuard > 0) {
        TPTCustomImageCombo::Change();
        return;
    }
    // Moving through the open list is no choice yet: the choice is made when it closes.
    if (DroppedDown()) {
        FSelectionPending = true;
        return;
    }
    FSelectionPending = false;
    ApplySelection();
}

void TPTCustomShellCombo::DoSelEndOk() {
    TPTCustomImageCombo::DoSelEndOk();
    if (FSelectionPending) {
        FSelectionPending = false;
        ApplySelection();
    }
}

void TPTCustomShellCombo::DoSelEndCancel() {
    FSelectionPending = false;
    TPTCustomImageCombo::DoSelEndCancel();
}

void TPTCustomShellCombo::DropDown() {
    if (FAutoDropDownCount && HandleAllocated()) {
        RECT r{};
        GetWindowRect(FHandle, &r);
        SetDropDownCount(PTAutoDropDownCount(ScreenHeight(), r.bottom, ItemHeight()));
    }
    if ((FOptions & ptscoDeferredFill) && !FFilled) {
        TPTHourGlass hourglass;
        FFilled = true;
        Fill();
    }
    TPTCustomImageCombo::DropDown();
}

void TPTCustomShellCombo::CreateWnd() {
    TPTCustomImageCombo::CreateWnd();
    if (FOptions & ptscoAutofill)
        PostMessageW(FHandle, WM_PTCOMBOFILL, 0, 0);
}

void TPTCustomShellCombo::AfterCreation() {
    Fill();
    TGuard guard(FUpdateGuard);
    if (auto* tree = dynamic_cast<TPTShellLinkedControl*>(FShellTree))
        tree->LinkedFolder()->SetPidl(FFolder.GetPidl());
    else if (FShellList)
        FShellList->Folder()->SetPidl(FFolder.GetPidl());
}

void TPTCustomShellCombo::WndProc(TMessage& Message) {
    if (Message.Msg == WM_PTCOMBOFILL) {
        AfterCreation();
        return;
    }
    TPTCustomImageCombo::WndProc(Message);
}
