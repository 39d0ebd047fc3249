#include "ComCtrls.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

constexpr UINT ExpandActionMask = 0x0003; // expand, collapse or toggle

[[noreturn]] void ListIndexError(int Index) {
    throw EListError(Format(L"List index out of bounds (%d)", {Index}));
}

HIMAGELIST ImageListHandle(TCustomImageList* List) { return List ? List->Handle() : nullptr; }

TItemStates StatesFromLV(UINT State) {
    TItemStates s = 0;
    if (State & LVIS_CUT) s |= isCut;
    if (State & LVIS_DROPHILITED) s |= isDropHilited;
    if (State & LVIS_FOCUSED) s |= isFocused;
    if (State & LVIS_SELECTED) s |= isSelected;
    return s;
}

// Sends WM_SETREDRAW around a block (only while the window exists).
void SetRedraw(TWinControl* Control, bool On) {
    if (Control->HandleAllocated()) {
        SendMessageW(Control->Handle(), WM_SETREDRAW, On ? TRUE : FALSE, 0);
        if (On)
            InvalidateRect(Control->Handle(), nullptr, TRUE);
    }
}

int CALLBACK CompareListByIndex(LPARAM A, LPARAM B, LPARAM) {
    return reinterpret_cast<TListItem*>(A)->Index() - reinterpret_cast<TListItem*>(B)->Index();
}

int CALLBACK CompareTreeByIndex(LPARAM A, LPARAM B, LPARAM) {
    return reinterpret_cast<TTreeNode*>(A)->Index() - reinterpret_cast<TTreeNode*>(B)->Index();
}

} // namespace

// Keeps track of an item (node) while an event handler runs for it: the handler may delete
// it, after which Item() (Node()) is null and the caller leaves it alone.
class TListItemWatch {
public:
    TListItemWatch(TCustomListView* ListView, TListItem* Item) : FListView(ListView), FItem(Item) {
        FListView->FWatchedItems.push_back(&FItem);
    }
    ~TListItemWatch() {
        auto& w = FListView->FWatchedItems;
        w.erase(std::find(w.begin(), w.end(), &FItem));
    }
    TListItemWatch(const TListItemWatch&) = delete;
    TListItemWatch& operator=(const TListItemWatch&) = delete;
    TListItem* Item() const { return FItem; }

private:
    TCustomListView* FListView;
    TListItem* FItem;
};

class TTreeNodeWatch {
public:
    TTreeNodeWatch(TCustomTreeView* TreeView, TTreeNode* Node) : FTreeView(TreeView), FNode(Node) {
        FTreeView->FWatchedNodes.push_back(&FNode);
    }
    ~TTreeNodeWatch() {
        auto& w = FTreeView->FWatchedNodes;
        w.erase(std::find(w.begin(), w.end(), &FNode));
    }
    TTreeNodeWatch(const TTreeNodeWatch&) = delete;
    TTreeNodeWatch& operator=(const TTreeNodeWatch&) = delete;
    TTreeNode* Node() const { return FNode; }

private:
    TCustomTreeView* FTreeView;
    TTreeNode* FNode;
};

void CopyToTextBuffer(const std::wstring& Text, wchar_t* Buffer, int Size) {
    if (!Buffer || Size < 1)
        return;
    size_t n = std::min(Text.size(), static_cast<size_t>(Size - 1));
    std::copy_n(Text.data(), n, Buffer);
    Buffer[n] = L'\0';
}

// =================================================================================
// TListItem

TListItem::TListItem(TListItems* AOwner) : FOwner(AOwner) {}

TListItem::~TListItem() = default;

TCustomListView* TListItem::ListView() const { return FOwner ? FOwner->Owner() : nullptr; }

void TListItem::Changed(bool SubItemsChanged) {
    TCustomListView* lv = ListView();
    if (lv && FIndex >= 0 && !lv->OwnerData() && FOwner->IndexOf(this) == FIndex)
        lv->ItemChanged(this, SubItemsChanged);
}

void TListItem::SetCaption(const std::wstring& Value) {
    if (Value == FCaption)
        return;
    FCaption = Value;
    Changed();
}

void TListItem::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    Changed();
}

void TListItem::SetStateIndex(int Value) {
    if (Value == FStateIndex)
        return;
    FStateIndex = Value;
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0) {
        LVITEMW it{};
        it.stateMask = LVIS_STATEIMAGEMASK;
        it.state = INDEXTOSTATEIMAGEMASK(Value >= 0 ? Value + 1 : 0);
        SendMessageW(lv->Handle(), LVM_SETITEMSTATE, FIndex, reinterpret_cast<LPARAM>(&it));
    }
}

void TListItem::SetOverlayIndex(int Value) {
    if (Value == FOverlayIndex)
        return;
    FOverlayIndex = Value;
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0) {
        LVITEMW it{};
        it.stateMask = LVIS_OVERLAYMASK;
        it.state = INDEXTOOVERLAYMASK(Value >= 0 ? Value : 0);
        SendMessageW(lv->Handle(), LVM_SETITEMSTATE, FIndex, reinterpret_cast<LPARAM>(&it));
    }
}

void TListItem::SetIndent(int Value) {
    if (Value == FIndent)
        return;
    FIndent = Value;
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0 && !lv->OwnerData()) {
        LVITEMW it{};
        it.mask = LVIF_INDENT;
        it.iItem = FIndex;
        it.iIndent = Value;
        SendMessageW(lv->Handle(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    }
}

bool TListItem::Selected() {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0)
        return (SendMessageW(lv->Handle(), LVM_GETITEMSTATE, FIndex, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    return (FStates & isSelected) != 0;
}

void TListItem::SetSelected(bool Value) {
    FStates = Value ? (FStates | isSelected) : (FStates & ~isSelected);
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0) {
        LVITEMW it{};
        it.stateMask = LVIS_SELECTED;
        it.state = Value ? LVIS_SELECTED : 0;
        SendMessageW(lv->Handle(), LVM_SETITEMSTATE, FIndex, reinterpret_cast<LPARAM>(&it));
    }
}

bool TListItem::Focused() {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0)
        return (SendMessageW(lv->Handle(), LVM_GETITEMSTATE, FIndex, LVIS_FOCUSED) & LVIS_FOCUSED) != 0;
    return (FStates & isFocused) != 0;
}

void TListItem::SetFocused(bool Value) {
    FStates = Value ? (FStates | isFocused) : (FStates & ~isFocused);
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0) {
        LVITEMW it{};
        it.stateMask = LVIS_FOCUSED;
        it.state = Value ? LVIS_FOCUSED : 0;
        SendMessageW(lv->Handle(), LVM_SETITEMSTATE, FIndex, reinterpret_cast<LPARAM>(&it));
    }
}

void TListItem::CheckSubIndex(int Index) const {
    if (Index < 0 || Index >= SubItemCount())
        ListIndexError(Index);
}

const std::wstring& TListItem::SubItem(int Index) const {
    CheckSubIndex(Index);
    return FSubItems[static_cast<size_t>(Index)].Text;
}

TObject* TListItem::SubItemObject(int Index) const {
    CheckSubIndex(Index);
    return FSubItems[static_cast<size_t>(Index)].Object;
}

void TListItem::SetSubItem(int Index, const std::wstring& S) {
    CheckSubIndex(Index);
    FSubItems[static_cast<size_t>(Index)].Text = S;
    Changed();
}

void TListItem::SetSubItemObject(int Index, TObject* AObject) {
    CheckSubIndex(Index);
    FSubItems[static_cast<size_t>(Index)].Object = AObject;
}

int TListItem::AddSubItem(const std::wstring& S, TObject* AObject) {
    FSubItems.push_back(TSubItem{S, AObject});
    Changed(true);
    return SubItemCount() - 1;
}

void TListItem::InsertSubItem(int Index, const std::wstring& S, TObject* AObject) {
    if (Index < 0 || Index > SubItemCount())
        ListIndexError(Index);
    FSubItems.insert(FSubItems.begin() + Index, TSubItem{S, AObject});
    Changed(true);
}

void TListItem::DeleteSubItem(int Index) {
    CheckSubIndex(Index);
    FSubItems.erase(FSubItems.begin() + Index);
    Changed(true);
}

void TListItem::ClearSubItems() {
    if (FSubItems.empty())
        return;
    FSubItems.clear();
    Changed(true);
}

void TListItem::Reset() {
    FCaption.clear();
    FSubItems.clear();
    FData = nullptr;
    FImageIndex = FStateIndex = FOverlayIndex = -1;
    FIndent = 0;
    FStates = 0;
}

void TListItem::MakeVisible(bool PartialOK) {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0)
        SendMessageW(lv->Handle(), LVM_ENSUREVISIBLE, FIndex, PartialOK ? TRUE : FALSE);
}

bool TListItem::EditCaption() {
    TCustomListView* lv = ListView();
    if (!lv || FIndex < 0)
        return false;
    ::SetFocus(lv->Handle());
    return SendMessageW(lv->Handle(), LVM_EDITLABELW, FIndex, 0) != 0;
}

RECT TListItem::DisplayRect(int Code) {
    RECT r{Code, 0, 0, 0};
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0 &&
        SendMessageW(lv->Handle(), LVM_GETITEMRECT, FIndex, reinterpret_cast<LPARAM>(&r)))
        return r;
    return RECT{0, 0, 0, 0};
}

void TListItem::Update() {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0)
        SendMessageW(lv->Handle(), LVM_UPDATE, FIndex, 0);
}

void TListItem::Delete() {
    if (FOwner && FIndex >= 0 && FOwner->IndexOf(this) == FIndex)
        FOwner->Delete(FIndex);
}

// =================================================================================
// TListItems

TListItems::TListItems(TCustomListView* AOwner) : FOwner(AOwner) {}

TListItems::~TListItems() {
    for (TListItem* item : FItems)
        delete item;
}

int TListItems::Count() const {
    if (FOwner->OwnerData())
        return FOwnerDataCount;
    return static_cast<int>(FItems.size());
}

void TListItems::SetCount(int Value) {
    if (!FOwner->OwnerData())
        throw EInvalidOperation(L"Setting the count requires an owner-data list view");
    FOwnerDataCount = std::max(Value, 0);
    FOwner->OwnerDataCountChanged();
}

TListItem* TListItems::Item(int Index) {
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    if (FOwner->OwnerData())
        return FOwner->OwnerDataItem(Index);
    return FItems[static_cast<size_t>(Index)];
}

TListItem* TListItems::Add() { return Insert(static_cast<int>(FItems.size())); }

TListItem* TListItems::Insert(int Index) {
    if (FOwner->OwnerData())
        throw EInvalidOperation(L"An owner-data list view has no items of its own");
    if (Index < 0 || Index > static_cast<int>(FItems.size()))
        ListIndexError(Index);
    std::unique_ptr<TListItem> item(FOwner->CreateListItem());
    FItems.insert(FItems.begin() + Index, item.get());
    TListItem* result = item.release();
    Renumber(static_cast<size_t>(Index));
    FOwner->ItemInserted(result);
    return result;
}

void TListItems::Delete(int Index) {
    if (FOwner->OwnerData() || Index < 0 || Index >= static_cast<int>(FItems.size()))
        ListIndexError(Index);
    TListItem* item = FItems[static_cast<size_t>(Index)];
    if (item->FDeleting || FClearing)
        return; // already on its way out (a handler of its deletion asked again)
    item->FDeleting = true;
    try {
        FOwner->ItemDeleting(item);
    } catch (...) {
        item->FDeleting = false;
        throw;
    }
    // The handler may have moved the row (deleted or inserted others).
    Index = item->FIndex;
    FItems.erase(FItems.begin() + Index);
    Renumber(static_cast<size_t>(Index));
    item->FIndex = -1;
    delete item;
}

void TListItems::Clear() {
    if (FOwner->OwnerData()) {
        SetCount(0);
        return;
    }
    BeginUpdate();
    FClearing = true;
    try {
        for (size_t i = 0; i < FItems.size(); ++i)
            if (FOwner->OnDeletion)
                FOwner->OnDeletion(FOwner, FItems[i]);
        FOwner->ItemsCleared();
    } catch (...) {
        FClearing = false;
        EndUpdate();
        throw;
    }
    FClearing = false;
    std::vector<TListItem*> old;
    old.swap(FItems);
    for (TListItem* item : old)
        delete item;
    EndUpdate();
}

int TListItems::IndexOf(const TListItem* Value) const {
    if (!Value || Value->FIndex < 0 || Value->FIndex >= static_cast<int>(FItems.size()))
        return -1;
    return FItems[static_cast<size_t>(Value->FIndex)] == Value ? Value->FIndex : -1;
}

void TListItems::Renumber(size_t From) {
    for (size_t i = From; i < FItems.size(); ++i)
        FItems[i]->FIndex = static_cast<int>(i);
}

void TListItems::BeginUpdate() {
    if (FUpdateCount++ == 0)
        SetRedraw(FOwner, false);
}

void TListItems::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetRedraw(FOwner, true);
}

// =================================================================================
// Columns

void TListColumn::Changed() {
    if (FOwner)
        FOwner->ColumnChanged(this);
}

void TListColumn::SetCaption(const std::wstring& Value) {
    if (Value == FCaption)
        return;
    FCaption = Value;
    Changed();
}

int TListColumn::Width() {
    if (FOwner && FOwner->HandleAllocated() && FOwner->ViewStyle() == vsReport)
        FWidth = static_cast<int>(SendMessageW(FOwner->Handle(), LVM_GETCOLUMNWIDTH, FIndex, 0));
    return FWidth;
}

void TListColumn::SetWidth(int Value) {
    FWidth = Value;
    if (FOwner && FOwner->HandleAllocated())
        SendMessageW(FOwner->Handle(), LVM_SETCOLUMNWIDTH, FIndex, Value);
}

void TListColumn::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    Changed();
}

TListColumns::~TListColumns() {
    for (TListColumn* c : FColumns)
        delete c;
}

TListColumn* TListColumns::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    return FColumns[static_cast<size_t>(Index)];
}

TListColumn* TListColumns::Add() {
    std::unique_ptr<TListColumn> c(FOwner->CreateListColumn());
    c->FIndex = Count();
    FColumns.push_back(c.get());
    TListColumn* result = c.release();
    FOwner->ColumnsChanged();
    return result;
}

void TListColumns::Delete(int Index) {
    TListColumn* c = Items(Index);
    FColumns.erase(FColumns.begin() + Index);
    for (size_t i = 0; i < FColumns.size(); ++i)
        FColumns[i]->FIndex = static_cast<int>(i);
    delete c;
    FOwner->ColumnsChanged();
}

void TListColumns::Clear() {
    std::vector<TListColumn*> old;
    old.swap(FColumns);
    for (TListColumn* c : old)
        delete c;
    FOwner->ColumnsChanged();
}

// =================================================================================
// TCustomListView

TCustomListView::TCustomListView(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    FColor = clWindow;
    // Clicks come from the window's NM_CLICK (its mouse loop eats the button-up).
    ControlStyle &= ~csClickEvents;
    SetBounds(0, 0, 250, 150);
}

TCustomListView::~TCustomListView() {
    // Take the window down while items and columns still exist: it notifies on the way.
    Destroying();
    if (HandleAllocated())
        DestroyWindowHandle();
}

TListItems* TCustomListView::Items() {
    if (!FItems)
        FItems.reset(CreateListItems());
    return FItems.get();
}

TListColumns* TCustomListView::Columns() {
    if (!FColumns)
        FColumns.reset(new TListColumns(this));
    return FColumns.get();
}

TListItems* TCustomListView::CreateListItems() { return new TListItems(this); }
TListItem* TCustomListView::CreateListItem() { return new TListItem(Items()); }
TListColumn* TCustomListView::CreateListColumn() { return new TListColumn(this); }

void TCustomListView::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_LISTVIEWW);
    static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    Params.Style |= views[FViewStyle] | LVS_SHAREIMAGELISTS | WS_CLIPCHILDREN;
    if (FViewStyle == vsIcon || FViewStyle == vsSmallIcon)
        Params.Style |= LVS_AUTOARRANGE;
    if (!FMultiSelect) Params.Style |= LVS_SINGLESEL;
    if (!FReadOnly) Params.Style |= LVS_EDITLABELS;
    if (!FHideSelection) Params.Style |= LVS_SHOWSELALWAYS;
    if (!FShowColumnHeaders) Params.Style |= LVS_NOCOLUMNHEADER;
    if (!FColumnClick) Params.Style |= LVS_NOSORTHEADER;
    if (FOwnerData) Params.Style |= LVS_OWNERDATA;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::UpdateExStyles() {
    if (!HandleAllocated())
        return;
    DWORD mask = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP;
    DWORD value = LVS_EX_INFOTIP;
    if (FRowSelect) value |= LVS_EX_FULLROWSELECT;
    if (FGridLines) value |= LVS_EX_GRIDLINES;
    SendMessageW(FHandle, LVM_SETEXTENDEDLISTVIEWSTYLE, mask, value);
}

void TCustomListView::UpdateImageLists() {
    if (!HandleAllocated())
        return;
    SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(ImageListHandle(FLargeImages)));
    SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(ImageListHandle(FSmallImages)));
    SendMessageW(FHandle, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(ImageListHandle(FStateImages)));
}

void TCustomListView::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, CCM_SETUNICODEFORMAT, TRUE, 0);
    UpdateExStyles();
    UpdateImageLists();
    FFilling = true;
    struct Done {
        TCustomListView* lv;
        ~Done() {
            lv->FFilling = false;
            SendMessageW(lv->FHandle, WM_SETREDRAW, TRUE, 0);
        }
    } done{this};
    SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    ColumnsChanged();
    TListItems* items = Items();
    if (FOwnerData) {
        SendMessageW(FHandle, LVM_SETITEMCOUNT, items->FOwnerDataCount, 0);
        if (FSavedItemIndex >= 0 && FSavedItemIndex < items->FOwnerDataCount)
            SetItemIndex(FSavedItemIndex);
    } else {
        SendMessageW(FHandle, LVM_SETITEMCOUNT, items->FItems.size(), 0);
        for (TListItem* item : items->FItems)
            InsertItemIntoWindow(item);
    }
    if (items->FUpdateCount > 0)
        SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
}

void TCustomListView::DestroyWnd() {
    if (FColumns)
        for (TListColumn* c : FColumns->FColumns)
            c->Width(); // keeps what the user dragged
    if (FOwnerData) {
        FSavedItemIndex = ItemIndex();
    } else if (FItems) {
        for (TListItem* item : FItems->FItems) {
            UINT st = static_cast<UINT>(
                SendMessageW(FHandle, LVM_GETITEMSTATE, item->FIndex, LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT));
            item->FStates = StatesFromLV(st);
        }
    }
    TWinControl::DestroyWnd();
}

void TCustomListView::InsertItemIntoWindow(TListItem* Item) {
    LVITEMW it{};
    it.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE | LVIF_INDENT;
    it.iItem = Item->FIndex;
    it.pszText = LPSTR_TEXTCALLBACKW;
    it.iImage = I_IMAGECALLBACK;
    it.lParam = reinterpret_cast<LPARAM>(Item);
    it.iIndent = Item->FIndent;
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_CUT | LVIS_STATEIMAGEMASK | LVIS_OVERLAYMASK;
    if (Item->FStates & isSelected) it.state |= LVIS_SELECTED;
    if (Item->FStates & isFocused) it.state |= LVIS_FOCUSED;
    if (Item->FStates & isCut) it.state |= LVIS_CUT;
    it.state |= INDEXTOSTATEIMAGEMASK(Item->FStateIndex >= 0 ? Item->FStateIndex + 1 : 0);
    it.state |= INDEXTOOVERLAYMASK(Item->FOverlayIndex >= 0 ? Item->FOverlayIndex : 0);
    SendMessageW(FHandle, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
    // Sub-item texts are asked for too.
    for (int i = 1; i <= Item->SubItemCount(); ++i) {
        LVITEMW sub{};
        sub.iSubItem = i;
        sub.pszText = LPSTR_TEXTCALLBACKW;
        SendMessageW(FHandle, LVM_SETITEMTEXTW, Item->FIndex, reinterpret_cast<LPARAM>(&sub));
    }
}

void TCustomListView::ItemInserted(TListItem* Item) {
    if (HandleAllocated())
        InsertItemIntoWindow(Item);
    if (OnInsert)
        OnInsert(this, Item);
}

void TCustomListView::ItemDeleting(TListItem* Item) {
    if (OnDeletion)
        OnDeletion(this, Item);
    for (TListItem** w : FWatchedItems)
        if (*w == Item)
            *w = nullptr;
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_DELETEITEM, Item->FIndex, 0);
}

void TCustomListView::ItemsCleared() {
    for (TListItem** w : FWatchedItems)
        if (*w != FTempItem.get())
            *w = nullptr;
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_DELETEALLITEMS, 0, 0);
}

void TCustomListView::ItemChanged(TListItem* Item, bool SubItemsChanged) {
    if (!HandleAllocated() || FOwnerData)
        return;
    if (SubItemsChanged)
        for (int i = 1; i <= Item->SubItemCount(); ++i) {
            LVITEMW sub{};
            sub.iSubItem = i;
            sub.pszText = LPSTR_TEXTCALLBACKW;
            SendMessageW(FHandle, LVM_SETITEMTEXTW, Item->FIndex, reinterpret_cast<LPARAM>(&sub));
        }
    SendMessageW(FHandle, LVM_UPDATE, Item->FIndex, 0);
}

void TCustomListView::ColumnChanged(TListColumn* Column) {
    if (!HandleAllocated())
        return;
    static const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_FMT;
    col.pszText = const_cast<wchar_t*>(Column->FCaption.c_str());
    col.fmt = Column->FIndex == 0 ? LVCFMT_LEFT : formats[Column->FAlignment];
    SendMessageW(FHandle, LVM_SETCOLUMNW, Column->FIndex, reinterpret_cast<LPARAM>(&col));
}

void TCustomListView::ColumnsChanged() {
    if (!HandleAllocated())
        return;
    // Columns are few: the window's columns are made again from the model.
    while (SendMessageW(FHandle, LVM_DELETECOLUMN, 0, 0)) {
    }
    static const int formats[] = {LVCFMT_LEFT, LVCFMT_RIGHT, LVCFMT_CENTER};
    for (TListColumn* c : Columns()->FColumns) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
        col.pszText = const_cast<wchar_t*>(c->FCaption.c_str());
        col.fmt = c->FIndex == 0 ? LVCFMT_LEFT : formats[c->FAlignment];
        col.cx = c->FWidth;
        col.iSubItem = c->FIndex;
        SendMessageW(FHandle, LVM_INSERTCOLUMNW, c->FIndex, reinterpret_cast<LPARAM>(&col));
    }
}

void TCustomListView::OwnerDataCountChanged() {
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_SETITEMCOUNT, Items()->FOwnerDataCount, 0);
}

TListItem* TCustomListView::OwnerDataItem(int Index) {
    if (!FTempItem)
        FTempItem.reset(CreateListItem());
    FTempItem->Reset();
    FTempItem->FIndex = Index;
    if (OnData)
        OnData(this, FTempItem.get());
    return FTempItem.get();
}

TListItem* TCustomListView::NotifiedItem(int Index) {
    if (Index < 0)
        return nullptr;
    if (FOwnerData)
        return Index < Items()->FOwnerDataCount ? OwnerDataItem(Index) : nullptr;
    TListItems* items = Items();
    return Index < static_cast<int>(items->FItems.size()) ? items->FItems[static_cast<size_t>(Index)] : nullptr;
}

void TCustomListView::SetViewStyle(TViewStyle Value) {
    if (Value == FViewStyle)
        return;
    FViewStyle = Value;
    if (HandleAllocated()) {
        static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
        LONG style = GetWindowLongW(FHandle, GWL_STYLE) & ~(LVS_TYPEMASK | LVS_AUTOARRANGE);
        style |= views[Value];
        if (Value == vsIcon || Value == vsSmallIcon)
            style |= LVS_AUTOARRANGE;
        SetWindowLongW(FHandle, GWL_STYLE, style);
        InvalidateRect(FHandle, nullptr, TRUE);
    }
}

void TCustomListView::SetOwnerData(bool Value) {
    if (Value == FOwnerData)
        return;
    if (FItems) {
        if (!FOwnerData)
            FItems->Clear();
        FItems->FOwnerDataCount = 0;
    }
    FOwnerData = Value;
    RecreateWnd();
}

void TCustomListView::SetMultiSelect(bool Value) {
    if (Value == FMultiSelect)
        return;
    FMultiSelect = Value;
    RecreateWnd();
}

void TCustomListView::SetReadOnly(bool Value) {
    if (Value == FReadOnly)
        return;
    FReadOnly = Value;
    RecreateWnd();
}

void TCustomListView::SetHideSelection(bool Value) {
    if (Value == FHideSelection)
        return;
    FHideSelection = Value;
    RecreateWnd();
}

void TCustomListView::SetRowSelect(bool Value) {
    FRowSelect = Value;
    UpdateExStyles();
}

void TCustomListView::SetGridLines(bool Value) {
    FGridLines = Value;
    UpdateExStyles();
}

void TCustomListView::SetShowColumnHeaders(bool Value) {
    if (Value == FShowColumnHeaders)
        return;
    FShowColumnHeaders = Value;
    RecreateWnd();
}

void TCustomListView::SetColumnClick(bool Value) {
    if (Value == FColumnClick)
        return;
    FColumnClick = Value;
    RecreateWnd();
}

void TCustomListView::SetImageList(TCustomImageList*& Field, TCustomImageList* Value, int Which) {
    if (Field == Value)
        return;
    if (Field)
        Field->RemoveFreeNotification(this);
    Field = Value;
    if (Value)
        Value->FreeNotification(this);
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_SETIMAGELIST, Which, reinterpret_cast<LPARAM>(ImageListHandle(Value)));
}

void TCustomListView::SetLargeImages(TCustomImageList* Value) { SetImageList(FLargeImages, Value, LVSIL_NORMAL); }
void TCustomListView::SetSmallImages(TCustomImageList* Value) { SetImageList(FSmallImages, Value, LVSIL_SMALL); }
void TCustomListView::SetStateImages(TCustomImageList* Value) { SetImageList(FStateImages, Value, LVSIL_STATE); }

void TCustomListView::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation != TOperation::opRemove)
        return;
    if (AComponent == FLargeImages) SetLargeImages(nullptr);
    if (AComponent == FSmallImages) SetSmallImages(nullptr);
    if (AComponent == FStateImages) SetStateImages(nullptr);
}

int TCustomListView::FirstSelectedIndex() {
    // A single selected row is usually the selection mark: no search through the rows.
    if (SendMessageW(FHandle, LVM_GETSELECTEDCOUNT, 0, 0) == 1) {
        int mark = static_cast<int>(SendMessageW(FHandle, LVM_GETSELECTIONMARK, 0, 0));
        if (mark >= 0 && (SendMessageW(FHandle, LVM_GETITEMSTATE, mark, LVIS_SELECTED) & LVIS_SELECTED))
            return mark;
    }
    return static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_ALL | LVNI_SELECTED));
}

TListItem* TCustomListView::Selected() {
    if (HandleAllocated())
        return NotifiedItem(FirstSelectedIndex());
    if (FOwnerData)
        return NotifiedItem(FSavedItemIndex);
    for (TListItem* item : Items()->FItems)
        if (item->FStates & isSelected)
            return item;
    return nullptr;
}

void TCustomListView::SetSelected(TListItem* Value) {
    if (Value) {
        Value->SetSelected(true);
        return;
    }
    if (HandleAllocated()) {
        // One by one: the window's own "all items" form walks every row of the list.
        int count = static_cast<int>(SendMessageW(FHandle, LVM_GETSELECTEDCOUNT, 0, 0));
        int i = -1;
        LVITEMW it{};
        it.stateMask = LVIS_SELECTED;
        // Usually the one selected row is the selection mark: no search needed.
        int mark = static_cast<int>(SendMessageW(FHandle, LVM_GETSELECTIONMARK, 0, 0));
        if (count == 1 && mark >= 0 && (SendMessageW(FHandle, LVM_GETITEMSTATE, mark, LVIS_SELECTED) & LVIS_SELECTED)) {
            SendMessageW(FHandle, LVM_SETITEMSTATE, mark, reinterpret_cast<LPARAM>(&it));
            return;
        }
        while (count-- > 0) {
            i = static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_ALL | LVNI_SELECTED));
            if (i < 0)
                break;
            SendMessageW(FHandle, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&it));
        }
    } else if (FOwnerData) {
        FSavedItemIndex = -1;
    } else {
        for (TListItem* item : Items()->FItems)
            item->FStates &= ~isSelected;
    }
}

TListItem* TCustomListView::ItemFocused() {
    if (HandleAllocated()) {
        int i = static_cast<int>(SendMessageW(FHandle, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_ALL | LVNI_FOCUSED));
        return NotifiedItem(i);
    }
    if (!FOwnerData)
        for (TListItem* item : Items()->FItems)
            if (item->FStates & isFocused)
                return item;
    return nullptr;
}

void TCustomListView::SetItemFocused(TListItem* Value) {
    if (Value)
        Value->SetFocused(true);
    else if (TListItem* f = ItemFocused())
        f->SetFocused(false);
}

int TCustomListView::ItemIndex() {
    if (HandleAllocated())
        return FirstSelectedIndex();
    if (FOwnerData)
        return FSavedItemIndex;
    TListItem* s = Selected();
    return s ? s->FIndex : -1;
}

void TCustomListView::SetItemIndex(int Value) {
    SetSelected(nullptr);
    if (!HandleAllocated()) {
        if (FOwnerData)
            FSavedItemIndex = Value;
        else if (Value >= 0 && Value < Items()->Count())
            Items()->FItems[static_cast<size_t>(Value)]->FStates |= isSelected | isFocused;
        return;
    }
    if (Value < 0 || Value >= Items()->Count())
        return;
    LVITEMW it{};
    it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    it.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(FHandle, LVM_SETITEMSTATE, Value, reinterpret_cast<LPARAM>(&it));
    SendMessageW(FHandle, LVM_SETSELECTIONMARK, 0, Value);
}

int TCustomListView::SelCount() {
    if (HandleAllocated())
        return static_cast<int>(SendMessageW(FHandle, LVM_GETSELECTEDCOUNT, 0, 0));
    if (FOwnerData)
        return FSavedItemIndex >= 0 ? 1 : 0;
    int n = 0;
    for (TListItem* item : Items()->FItems)
        if (item->FStates & isSelected)
            ++n;
    return n;
}

TListItem* TCustomListView::GetItemAt(int X, int Y) {
    if (!HandleAllocated())
        return nullptr;
    LVHITTESTINFO info{};
    info.pt = POINT{X, Y};
    int i = static_cast<int>(SendMessageW(FHandle, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (i < 0 || !(info.flags & LVHT_ONITEM))
        return nullptr;
    return NotifiedItem(i);
}

TListItem* TCustomListView::TopItem() {
    if (!HandleAllocated() || Items()->Count() == 0)
        return nullptr;
    return NotifiedItem(static_cast<int>(SendMessageW(FHandle, LVM_GETTOPINDEX, 0, 0)));
}

int TCustomListView::VisibleRowCount() {
    return HandleAllocated() ? static_cast<int>(SendMessageW(FHandle, LVM_GETCOUNTPERPAGE, 0, 0)) : 0;
}

void TCustomListView::Scroll(int DX, int DY) {
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_SCROLL, DX, DY);
}

bool TCustomListView::IsEditing() {
    return HandleAllocated() && SendMessageW(FHandle, LVM_GETEDITCONTROL, 0, 0) != 0;
}

void TCustomListView::UpdateItems(int FirstIndex, int LastIndex) {
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_REDRAWITEMS, FirstIndex, LastIndex);
}

bool TCustomListView::AlphaSort() { return CustomSort(nullptr, 0); }

bool TCustomListView::CustomSort(const TLVCompare& Compare, LPARAM Data) {
    if (FOwnerData)
        return false;
    TListItems* items = Items();
    auto cmp = [&](TListItem* a, TListItem* b) {
        if (Compare)
            return Compare(a, b, Data);
        if (OnCompare) {
            int r = 0;
            OnCompare(this, a, b, Data, r);
            return r;
        }
        return lstrcmpW(a->FCaption.c_str(), b->FCaption.c_str());
    };
    std::stable_sort(items->FItems.begin(), items->FItems.end(),
                     [&](TListItem* a, TListItem* b) { return cmp(a, b) < 0; });
    items->Renumber(0);
    if (HandleAllocated())
        SendMessageW(FHandle, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&CompareListByIndex));
    return true;
}

void TCustomListView::DoGetDispInfo(NMLVDISPINFOW& Info) {
    LVITEMW& it = Info.item;
    TListItem* item = NotifiedItem(it.iItem);
    if (!item)
        return;
    if ((it.mask & LVIF_TEXT) && it.pszText && it.cchTextMax > 0) {
        if (it.iSubItem == 0)
            CopyToTextBuffer(item->FCaption, it.pszText, it.cchTextMax);
        else if (it.iSubItem - 1 < item->SubItemCount())
            CopyToTextBuffer(item->FSubItems[static_cast<size_t>(it.iSubItem - 1)].Text, it.pszText, it.cchTextMax);
        else
            it.pszText[0] = L'\0';
    }
    if ((it.mask & LVIF_IMAGE) && it.iSubItem == 0)
        it.iImage = item->FImageIndex;
    if (it.mask & LVIF_INDENT)
        it.iIndent = item->FIndent;
    if ((it.mask & LVIF_STATE) && FOwnerData) {
        it.state &= ~(LVIS_STATEIMAGEMASK | LVIS_OVERLAYMASK);
        it.state |= INDEXTOSTATEIMAGEMASK(item->FStateIndex >= 0 ? item->FStateIndex + 1 : 0) |
                    INDEXTOOVERLAYMASK(item->FOverlayIndex >= 0 ? item->FOverlayIndex : 0);
        it.stateMask |= LVIS_STATEIMAGEMASK | LVIS_OVERLAYMASK;
    }
}

void TCustomListView::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    Message.Result = 0;
    switch (hdr->code) {
    case LVN_GETDISPINFOW:
        DoGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(hdr));
        return;
    case LVN_ODFINDITEMW: {
        auto* f = reinterpret_cast<NMLVFINDITEMW*>(hdr);
        int index = -1;
        if (OnDataFind) {
            const LVFINDINFOW& fi = f->lvfi;
            TItemFind kind = (fi.flags & LVFI_PARAM)       ? ifData
                             : (fi.flags & LVFI_PARTIAL)    ? ifPartialString
                             : (fi.flags & LVFI_STRING)     ? ifExactString
                                                            : ifNearest;
            TSearchDirection dir = sdAll;
            switch (fi.vkDirection) {
            case VK_LEFT: dir = sdLeft; break;
            case VK_RIGHT: dir = sdRight; break;
            case VK_UP: dir = sdAbove; break;
            case VK_DOWN: dir = sdBelow; break;
            }
            std::wstring text = fi.psz && (fi.flags & (LVFI_STRING | LVFI_PARTIAL)) ? std::wstring(fi.psz) : L"";
            OnDataFind(this, kind, text, fi.pt, fi.lParam, f->iStart, dir, (fi.flags & LVFI_WRAP) != 0, index);
        }
        Message.Result = index;
        return;
    }
    case LVN_ODCACHEHINT: {
        auto* h = reinterpret_cast<NMLVCACHEHINT*>(hdr);
        if (OnDataHint)
            OnDataHint(this, h->iFrom, h->iTo);
        return;
    }
    case LVN_ODSTATECHANGED: {
        auto* s = reinterpret_cast<NMLVODSTATECHANGE*>(hdr);
        if (OnDataStateChange)
            OnDataStateChange(this, s->iFrom, s->iTo, StatesFromLV(s->uOldState), StatesFromLV(s->uNewState));
        return;
    }
    case LVN_ITEMCHANGING:
    case LVN_ITEMCHANGED: {
        if (FFilling)
            return;
        auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
        TItemChange change = (nm->uChanged & LVIF_TEXT) ? ctText : (nm->uChanged & LVIF_IMAGE) ? ctImage : ctState;
        if (hdr->code == LVN_ITEMCHANGING) {
            if (OnChanging) {
                bool allow = true;
                OnChanging(this, NotifiedItem(nm->iItem), change, allow);
                Message.Result = allow ? 0 : 1;
            }
            return;
        }
        TListItem* item = (OnChange || OnSelectItem) ? NotifiedItem(nm->iItem) : nullptr;
        TListItemWatch watch(this, item);
        if (OnChange)
            OnChange(this, item, change);
        if (item && !watch.Item())
            return; // OnChange deleted the item
        if (OnSelectItem && change == ctState && ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED))
            OnSelectItem(this, item, (nm->uNewState & LVIS_SELECTED) != 0);
        return;
    }
    case LVN_COLUMNCLICK: {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
        if (OnColumnClick && nm->iSubItem >= 0 && nm->iSubItem < Columns()->Count())
            OnColumnClick(this, Columns()->Items(nm->iSubItem));
        return;
    }
    case LVN_BEGINLABELEDITW: {
        auto* d = reinterpret_cast<NMLVDISPINFOW*>(hdr);
        bool allow = !FReadOnly;
        if (allow && OnEditing)
            OnEditing(this, NotifiedItem(d->item.iItem), allow);
        Message.Result = allow ? 0 : 1;
        return;
    }
    case LVN_ENDLABELEDITW: {
        auto* d = reinterpret_cast<NMLVDISPINFOW*>(hdr);
        if (d->item.pszText && d->item.iItem >= 0) {
            TListItem* item = NotifiedItem(d->item.iItem);
            std::wstring s = d->item.pszText;
            TListItemWatch watch(this, item);
            if (OnEdited)
                OnEdited(this, item, s);
            if (watch.Item() && !FOwnerData)
                watch.Item()->SetCaption(s); // not when OnEdited deleted it
        }
        Message.Result = 0; // the caption stays a call-back text
        return;
    }
    case LVN_GETINFOTIPW: {
        auto* t = reinterpret_cast<NMLVGETINFOTIPW*>(hdr);
        if (OnInfoTip) {
            std::wstring tip = t->pszText ? t->pszText : L"";
            OnInfoTip(this, NotifiedItem(t->iItem), tip);
            CopyToTextBuffer(tip, t->pszText, t->cchTextMax);
        }
        return;
    }
    case NM_CLICK:
        Click();
        return;
    }
}

void TCustomListView::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_NOTIFY:
        if (!IsDestroying())
            CNNotify(Message);
        return;
    case WM_NOTIFY: {
        // The header is the window's own child: its notifications come here directly.
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        if (!IsDestroying() && hdr && HandleAllocated() &&
            hdr->hwndFrom == reinterpret_cast<HWND>(SendMessageW(FHandle, LVM_GETHEADER, 0, 0))) {
            if (hdr->code == NM_RCLICK && OnColumnRightClick) {
                HDHITTESTINFO hit{};
                GetCursorPos(&hit.pt);
                POINT client = hit.pt;
                ::ScreenToClient(hdr->hwndFrom, &hit.pt);
                ::ScreenToClient(FHandle, &client);
                int i = static_cast<int>(SendMessageW(hdr->hwndFrom, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
                if (i >= 0 && i < Columns()->Count())
                    OnColumnRightClick(this, Columns()->Items(i), client);
            }
        }
        break;
    }
    }
    TWinControl::WndProc(Message);
}

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
        TVSORTCB sort{FItemId, &CompareTreeByIndex, 0};
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
        if (FOwner->OnDeletion)
            for (TTreeNode* n = GetFirstNode(); n; n = n->GetNext())
                FOwner->OnDeletion(FOwner, n);
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
}

void TCustomTreeView::UpdateImageLists() {
    if (!HandleAllocated())
        return;
    SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(ImageListHandle(FImages)));
    SendMessageW(FHandle, TVM_SETIMAGELIST, TVSIL_STATE, reinterpret_cast<LPARAM>(ImageListHandle(FStateImages)));
}

void TCustomTreeView::CreateWnd() {
    TWinControl::CreateWnd();
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

void TCustomTreeView::InsertNodeIntoWindow(TTreeNode* Node, bool WithChildren) {
    TVINSERTSTRUCTW ins{};
    ins.hParent = Node->FParent ? Node->FParent->FItemId : TVI_ROOT;
    TTreeNode* prev = Node->getPrevSibling();
    if (!Node->getNextSibling())
        ins.hInsertAfter = TVI_LAST;
    else
        ins.hInsertAfter = prev && prev->FItemId ? prev->FItemId : TVI_FIRST;
    TVITEMEXW& it = ins.itemex;
    it.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN | TVIF_STATE;
    it.pszText = LPSTR_TEXTCALLBACKW;
    it.iImage = I_IMAGECALLBACK;
    it.iSelectedImage = I_IMAGECALLBACK;
    it.cChildren = Node->FHasChildren ? 1 : 0;
    it.lParam = reinterpret_cast<LPARAM>(Node);
    it.stateMask = TVIS_STATEIMAGEMASK | TVIS_OVERLAYMASK;
    it.state = INDEXTOSTATEIMAGEMASK(Node->FStateIndex > 0 ? Node->FStateIndex : 0) |
               INDEXTOOVERLAYMASK(Node->FOverlayIndex > 0 ? Node->FOverlayIndex : 0);
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
    if (OnDeletion) {
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
            OnDeletion(this, *it);
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
    TVITEMW it{};
    it.mask = TVIF_HANDLE | Mask;
    it.hItem = Node->FItemId;
    it.pszText = LPSTR_TEXTCALLBACKW;
    it.iImage = I_IMAGECALLBACK;
    it.iSelectedImage = I_IMAGECALLBACK;
    it.cChildren = Node->FHasChildren ? 1 : 0;
    it.stateMask = TVIS_STATEIMAGEMASK | TVIS_OVERLAYMASK;
    it.state = INDEXTOSTATEIMAGEMASK(Node->FStateIndex > 0 ? Node->FStateIndex : 0) |
               INDEXTOOVERLAYMASK(Node->FOverlayIndex > 0 ? Node->FOverlayIndex : 0);
    SendMessageW(FHandle, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    // Inside BeginUpdate/EndUpdate the whole tree is repainted at the end.
    if (FNodes->UpdateCount() > 0)
        return;
    RECT r = Node->DisplayRect(false);
    InvalidateRect(FHandle, &r, TRUE);
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
        TVSORTCB sort{TVI_ROOT, &CompareTreeByIndex, 0};
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
    if (Value == FImages)
        return;
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (Value)
        Value->FreeNotification(this);
    UpdateImageLists();
}

void TCustomTreeView::SetStateImages(TCustomImageList* Value) {
    if (Value == FStateImages)
        return;
    if (FStateImages)
        FStateImages->RemoveFreeNotification(this);
    FStateImages = Value;
    if (Value)
        Value->FreeNotification(this);
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
        Message.Result = 0; // the text stays a call-back text
        return;
    }
    case NM_CLICK:
        Click();
        return;
    }
}

void TCustomTreeView::WndProc(TMessage& Message) {
    if (Message.Msg == CN_NOTIFY) {
        if (!IsDestroying())
            CNNotify(Message);
        return;
    }
    TWinControl::WndProc(Message);
}

// =================================================================================
// Status bar

std::wstring StatusPanelWindowText(const std::wstring& Text, TAlignment Alignment) {
    switch (Alignment) {
    case taCenter: return L"\t" + Text;
    case taRightJustify: return L"\t\t" + Text;
    default: return Text;
    }
}

void TStatusPanel::Changed(bool AllPanels) {
    if (FOwner && FOwner->FUpdateCount == 0)
        FOwner->Owner()->UpdatePanels(AllPanels, AllPanels ? -1 : FIndex);
}

void TStatusPanel::SetText(const std::wstring& Value) {
    if (Value == FText)
        return;
    FText = Value;
    Changed(false);
}

void TStatusPanel::SetWidth(int Value) {
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value) {
    if (Value == FBevel)
        return;
    FBevel = Value;
    Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed(false);
}

TStatusPanels::~TStatusPanels() {
    for (TStatusPanel* p : FPanels)
        delete p;
}

TStatusPanel* TStatusPanels::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        ListIndexError(Index);
    return FPanels[static_cast<size_t>(Index)];
}

TStatusPanel* TStatusPanels::Add() {
    std::unique_ptr<TStatusPanel> p(CreatePanel());
    p->FIndex = Count();
    FPanels.push_back(p.get());
    TStatusPanel* result = p.release();
    if (FUpdateCount == 0)
        FOwner->UpdatePanels(true);
    return result;
}

void TStatusPanels::Delete(int Index) {
    TStatusPanel* p = Items(Index);
    FPanels.erase(FPanels.begin() + Index);
    for (size_t i = 0; i < FPanels.size(); ++i)
        FPanels[i]->FIndex = static_cast<int>(i);
    delete p;
    if (FUpdateCount == 0)
        FOwner->UpdatePanels(true);
}

void TStatusPanels::Clear() {
    std::vector<TStatusPanel*> old;
    old.swap(FPanels);
    for (TStatusPanel* p : old)
        delete p;
    if (FUpdateCount == 0)
        FOwner->UpdatePanels(true);
}

void TStatusPanels::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        FOwner->UpdatePanels(true);
}

TCustomStatusBar::TCustomStatusBar(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 200, 19);
    SetAlign(alBottom);
}

TCustomStatusBar::~TCustomStatusBar() = default;

TStatusPanels* TCustomStatusBar::Panels() {
    if (!FPanels)
        FPanels.reset(CreatePanels());
    return FPanels.get();
}

void TCustomStatusBar::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, STATUSCLASSNAMEW);
    Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FSizeGrip)
        Params.Style |= SBARS_SIZEGRIP;
}

void TCustomStatusBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, CCM_SETUNICODEFORMAT, TRUE, 0);
    UpdatePanels(true);
    SendMessageW(FHandle, SB_SIMPLE, FSimplePanel ? TRUE : FALSE, 0);
    UpdateSimpleText();
}

void TCustomStatusBar::UpdatePanels(bool UpdateRects, int Only) {
    if (!HandleAllocated())
        return;
    TStatusPanels* panels = Panels();
    int n = panels->Count();
    if (UpdateRects) {
        std::vector<int> edges(static_cast<size_t>(std::max(n, 1)), -1);
        int x = 0;
        for (int i = 0; i < n - 1; ++i) {
            x += panels->Items(i)->FWidth;
            edges[static_cast<size_t>(i)] = x;
        }
        SendMessageW(FHandle, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    }
    for (int i = 0; i < n; ++i) {
        if (Only >= 0 && i != Only)
            continue;
        TStatusPanel* p = panels->Items(i);
        WPARAM flags = static_cast<WPARAM>(i);
        if (p->FBevel == pbNone) flags |= SBT_NOBORDERS;
        if (p->FBevel == pbRaised) flags |= SBT_POPOUT;
        if (p->FStyle == psOwnerDraw) {
            SendMessageW(FHandle, SB_SETTEXTW, flags | SBT_OWNERDRAW, reinterpret_cast<LPARAM>(p));
        } else {
            std::wstring text = StatusPanelWindowText(p->FText, p->FAlignment);
            SendMessageW(FHandle, SB_SETTEXTW, flags, reinterpret_cast<LPARAM>(text.c_str()));
        }
    }
}

void TCustomStatusBar::UpdateSimpleText() {
    if (HandleAllocated())
        SendMessageW(FHandle, SB_SETTEXTW, SB_SIMPLEID | SBT_NOBORDERS, reinterpret_cast<LPARAM>(FSimpleText.c_str()));
}

void TCustomStatusBar::SetSimplePanel(bool Value) {
    if (Value == FSimplePanel)
        return;
    FSimplePanel = Value;
    if (HandleAllocated()) {
        SendMessageW(FHandle, SB_SIMPLE, Value ? TRUE : FALSE, 0);
        UpdateSimpleText();
    }
}

void TCustomStatusBar::SetSimpleText(const std::wstring& Value) {
    if (Value == FSimpleText)
        return;
    FSimpleText = Value;
    UpdateSimpleText();
}

void TCustomStatusBar::SetSizeGrip(bool Value) {
    if (Value == FSizeGrip)
        return;
    FSizeGrip = Value;
    RecreateWnd();
}

int TCustomStatusBar::PanelAt(int X) {
    TStatusPanels* panels = Panels();
    int x = 0;
    for (int i = 0; i < panels->Count(); ++i) {
        x += panels->Items(i)->FWidth;
        if (X < x || i == panels->Count() - 1)
            return X >= 0 ? i : -1;
    }
    return -1;
}

void TCustomStatusBar::DrawPanel(TStatusPanel* Panel, const RECT& Rect) {
    if (OnDrawPanel)
        OnDrawPanel(this, Panel, Rect);
    else
        FCanvas.FillRect(Rect);
}

void TCustomStatusBar::WndProc(TMessage& Message) {
    if (Message.Msg == CN_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        TStatusPanels* panels = Panels();
        if (dis && static_cast<int>(dis->itemID) < panels->Count()) {
            FCanvas.SetHandle(dis->hDC);
            FCanvas.Font()->Assign(Font());
            FCanvas.Brush()->SetColor(clBtnFace);
            struct Release {
                TCanvas& c;
                ~Release() { c.SetHandle(nullptr); }
            } release{FCanvas};
            DrawPanel(panels->Items(static_cast<int>(dis->itemID)), dis->rcItem);
        }
        Message.Result = TRUE;
        return;
    }
    TWinControl::WndProc(Message);
}

// =================================================================================
// Tool bar

namespace {
std::atomic<int> g_NextToolButtonId{0x7000};
}

TToolButton::TToolButton(TComponent* AOwner) : TControl(AOwner), FCommandId(g_NextToolButtonId++) {
    SetBounds(0, 0, 23, 22);
}

TToolButton::~TToolButton() {
    if (FDropdownMenu)
        FDropdownMenu->RemoveFreeNotification(this);
    if (TToolBar* bar = ToolBar())
        if (!bar->IsDestroying())
            bar->Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(static_cast<TControl*>(this)), 0);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(FParent); }

int TToolButton::Index() const {
    TToolBar* bar = ToolBar();
    if (!bar)
        return -1;
    auto it = std::find(bar->FButtons.begin(), bar->FButtons.end(), this);
    return it == bar->FButtons.end() ? -1 : static_cast<int>(it - bar->FButtons.begin());
}

void TToolButton::Changed() {
    if (TToolBar* bar = ToolBar())
        bar->ButtonChanged(this);
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TToolButton::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    TToolBar* bar = ToolBar();
    if (bar && bar->HandleAllocated())
        SendMessageW(bar->Handle(), TB_CHANGEBITMAP, FCommandId, Value >= 0 ? Value : I_IMAGENONE);
}

bool TToolButton::Down() const {
    TToolBar* bar = ToolBar();
    if (bar && bar->HandleAllocated() && Index() >= 0)
        return SendMessageW(bar->Handle(), TB_ISBUTTONCHECKED, FCommandId, 0) != 0;
    return FDown;
}

void TToolButton::SetDown(bool Value) {
    FDown = Value;
    TToolBar* bar = ToolBar();
    if (!bar)
        return;
    if (Value && FGrouped && FStyle == tbsCheck) {
        // A group is a run of grouped check buttons next to each other.
        int i = Index();
        for (int j = i - 1; j >= 0 && bar->FButtons[j]->FGrouped && bar->FButtons[j]->FStyle == tbsCheck; --j)
            bar->FButtons[j]->FDown = false;
        for (int j = i + 1; j < bar->ButtonCount() && bar->FButtons[j]->FGrouped && bar->FButtons[j]->FStyle == tbsCheck; ++j)
            bar->FButtons[j]->FDown = false;
    }
    if (bar->HandleAllocated() && Index() >= 0)
        SendMessageW(bar->Handle(), TB_CHECKBUTTON, FCommandId, Value ? TRUE : FALSE);
}

void TToolButton::SetGrouped(bool Value) {
    if (Value == FGrouped)
        return;
    FGrouped = Value;
    Changed();
}

void TToolButton::SetIndeterminate(bool Value) {
    if (Value == FIndeterminate)
        return;
    FIndeterminate = Value;
    TToolBar* bar = ToolBar();
    if (bar && bar->HandleAllocated() && Index() >= 0)
        SendMessageW(bar->Handle(), TB_INDETERMINATE, FCommandId, Value ? TRUE : FALSE);
}

void TToolButton::SetDropdownMenu(TPopupMenuBase* Value) {
    if (Value == FDropdownMenu)
        return;
    if (FDropdownMenu)
        FDropdownMenu->RemoveFreeNotification(this);
    FDropdownMenu = Value;
    if (Value)
        Value->FreeNotification(this);
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
    TControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FDropdownMenu)
        FDropdownMenu = nullptr;
}

void TToolButton::Click() { TControl::Click(); }

void TToolButton::SetButtonBounds(const RECT& R) {
    FLeft = R.left;
    FTop = R.top;
    FWidth = R.right - R.left;
    FHeight = R.bottom - R.top;
}

void TToolButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_VISIBLECHANGED:
        Changed();
        break;
    }
    TControl::WndProc(Message);
}

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 150, 29);
    SetAlign(alTop);
}

TToolBar::~TToolBar() { Destroying(); }

TToolButton* TToolBar::Buttons(int Index) const {
    if (Index < 0 || Index >= ButtonCount())
        ListIndexError(Index);
    return FButtons[static_cast<size_t>(Index)];
}

TToolButton* TToolBar::FindButton(int CommandId) const {
    for (TToolButton* b : FButtons)
        if (b->FCommandId == CommandId)
            return b;
    return nullptr;
}

void TToolBar::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, TOOLBARCLASSNAMEW);
    Params.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER;
    if (FFlat) Params.Style |= TBSTYLE_FLAT;
    if (FList) Params.Style |= TBSTYLE_LIST;
    if (FWrapable) Params.Style |= TBSTYLE_WRAPABLE;
}

void TToolBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(FHandle, CCM_SETUNICODEFORMAT, TRUE, 0);
    SendMessageW(FHandle, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    RecreateButtons();
}

void TToolBar::RecreateButtons() {
    if (!HandleAllocated())
        return;
    while (SendMessageW(FHandle, TB_BUTTONCOUNT, 0, 0) > 0)
        SendMessageW(FHandle, TB_DELETEBUTTON, 0, 0);
    SendMessageW(FHandle, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImageListHandle(FImages)));
    if (!FImages)
        SendMessageW(FHandle, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    else
        SendMessageW(FHandle, TB_SETBITMAPSIZE, 0, MAKELPARAM(FImages->Width(), FImages->Height()));
    for (size_t i = 0; i < FButtons.size(); ++i)
        InsertButtonIntoWindow(FButtons[i], static_cast<int>(i));
    SendMessageW(FHandle, TB_SETBUTTONSIZE, 0, MAKELPARAM(FButtonWidth, FButtonHeight));
    SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
    UpdateButtonBounds();
}

void TToolBar::InsertButtonIntoWindow(TToolButton* Button, int Position) {
    TBBUTTON tb{};
    std::wstring caption = Button->GetText();
    bool sep = Button->FStyle == tbsSeparator || Button->FStyle == tbsDivider;
    tb.iBitmap = sep ? 6 : (Button->FImageIndex >= 0 ? Button->FImageIndex : I_IMAGENONE);
    tb.idCommand = Button->FCommandId;
    if (Button->Enabled()) tb.fsState |= TBSTATE_ENABLED;
    if (Button->FDown) tb.fsState |= TBSTATE_CHECKED;
    if (!Button->Visible()) tb.fsState |= TBSTATE_HIDDEN;
    if (Button->FIndeterminate) tb.fsState |= TBSTATE_INDETERMINATE;
    switch (Button->FStyle) {
    case tbsCheck: tb.fsStyle = BTNS_CHECK | (Button->FGrouped ? BTNS_GROUP : 0); break;
    case tbsDropDown: tb.fsStyle = BTNS_DROPDOWN; break;
    case tbsSeparator:
    case tbsDivider: tb.fsStyle = BTNS_SEP; break;
    default: tb.fsStyle = BTNS_BUTTON; break;
    }
    // The window copies a caption given by address.
    tb.iString = (FShowCaptions && !sep) ? reinterpret_cast<INT_PTR>(caption.c_str()) : -1;
    SendMessageW(FHandle, TB_INSERTBUTTONW, Position, reinterpret_cast<LPARAM>(&tb));
}

void TToolBar::UpdateButtonBounds() {
    if (!HandleAllocated())
        return;
    for (size_t i = 0; i < FButtons.size(); ++i) {
        RECT r{};
        if (SendMessageW(FHandle, TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r)))
            FButtons[i]->SetButtonBounds(r);
    }
}

void TToolBar::ButtonChanged(TToolButton* Button) {
    if (!HandleAllocated())
        return;
    int i = Button->Index();
    if (i < 0)
        return;
    SendMessageW(FHandle, TB_DELETEBUTTON, i, 0);
    InsertButtonIntoWindow(Button, i);
    SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
    UpdateButtonBounds();
}

void TToolBar::SetImages(TCustomImageList* Value) {
    if (Value == FImages)
        return;
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (Value)
        Value->FreeNotification(this);
    RecreateButtons();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FImages)
        SetImages(nullptr);
}

void TToolBar::SetShowCaptions(bool Value) {
    if (Value == FShowCaptions)
        return;
    FShowCaptions = Value;
    RecreateButtons();
}

void TToolBar::SetList(bool Value) {
    if (Value == FList)
        return;
    FList = Value;
    RecreateWnd();
}

void TToolBar::SetFlat(bool Value) {
    if (Value == FFlat)
        return;
    FFlat = Value;
    RecreateWnd();
}

void TToolBar::SetWrapable(bool Value) {
    if (Value == FWrapable)
        return;
    FWrapable = Value;
    RecreateWnd();
}

void TToolBar::SetButtonSize(int AWidth, int AHeight) {
    FButtonWidth = AWidth;
    FButtonHeight = AHeight;
    RecreateButtons();
}

TToolButton* TToolBar::ButtonAt(int X, int Y) {
    if (!HandleAllocated())
        return nullptr;
    POINT p{X, Y};
    int i = static_cast<int>(SendMessageW(FHandle, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&p)));
    return i >= 0 && i < ButtonCount() ? FButtons[static_cast<size_t>(i)] : nullptr;
}

void TToolBar::DropDown(TToolButton* Button) {
    if (!Button->FDropdownMenu)
        return;
    RECT r{};
    SendMessageW(FHandle, TB_GETRECT, Button->FCommandId, reinterpret_cast<LPARAM>(&r));
    POINT p = ClientToScreen(POINT{r.left, r.bottom});
    Button->FDropdownMenu->Popup(Button, p.x, p.y);
}

void TToolBar::WndProc(TMessage& Message) {
    UINT msg = Message.Msg;
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && msg != WM_MOUSEWHEEL && msg != WM_MOUSEHWHEEL) {
        // The window clicks its buttons itself; the buttons only see the hint logic and
        // the mouse entering and leaving them.
        if (msg == WM_MOUSEMOVE)
            TrackMouse(Message);
        if (msg == WM_MOUSEMOVE && g_ControlHooks.HintMouseMessage) {
            int x = static_cast<short>(LOWORD(Message.LParam)), y = static_cast<short>(HIWORD(Message.LParam));
            TControl* target = this;
            TMessage m = Message;
            if (TToolButton* b = ButtonAt(x, y)) {
                target = b;
                m.LParam = MAKELPARAM(x - b->Left(), y - b->Top());
            }
            g_ControlHooks.HintMouseMessage(target, m);
        }
        DefaultHandler(Message);
        return;
    }
    switch (msg) {
    case WM_PAINT:
        DefaultHandler(Message);
        return;
    case CM_CONTROLLISTCHANGE: {
        auto* c = reinterpret_cast<TControl*>(Message.WParam);
        auto* b = dynamic_cast<TToolButton*>(c);
        if (!b && !Message.LParam) {
            // A button on its way out is no longer a TToolButton: find it by address.
            auto it = std::find(FButtons.begin(), FButtons.end(), static_cast<TToolButton*>(c));
            if (it == FButtons.end())
                break;
            b = *it;
        }
        if (!b)
            break;
        auto it = std::find(FButtons.begin(), FButtons.end(), b);
        if (Message.LParam) {
            if (it == FButtons.end()) {
                FButtons.push_back(b);
                if (HandleAllocated()) {
                    InsertButtonIntoWindow(b, ButtonCount() - 1);
                    SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
                    UpdateButtonBounds();
                }
            }
        } else if (it != FButtons.end()) {
            int i = static_cast<int>(it - FButtons.begin());
            FButtons.erase(it);
            if (HandleAllocated()) {
                SendMessageW(FHandle, TB_DELETEBUTTON, i, 0);
                UpdateButtonBounds();
            }
        }
        break;
    }
    case CN_COMMAND: {
        if (TToolButton* b = FindButton(LOWORD(Message.WParam))) {
            if (b->FStyle == tbsCheck)
                b->FDown = SendMessageW(FHandle, TB_ISBUTTONCHECKED, b->FCommandId, 0) != 0;
            b->Click();
        }
        Message.Result = 0;
        return;
    }
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        if (hdr->code == TBN_DROPDOWN) {
            auto* nm = reinterpret_cast<NMTOOLBARW*>(hdr);
            if (TToolButton* b = FindButton(nm->iItem))
                DropDown(b);
            Message.Result = TBDDRET_DEFAULT;
            return;
        }
        Message.Result = 0;
        return;
    }
    case WM_SIZE:
        TWinControl::WndProc(Message);
        UpdateButtonBounds();
        return;
    }
    TWinControl::WndProc(Message);
}

// =================================================================================
// Page control

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    FVisible = false; // shown when it becomes the active page
    FAlign = alClient;
    FAnchors = akLeft | akTop | akRight | akBottom;
}

TTabSheet::~TTabSheet() {
    if (TPageControl* pc = PageControl())
        if (!pc->IsDestroying())
            pc->Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(static_cast<TControl*>(this)), 0);
}

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(FParent); }

void TTabSheet::SetPageControl(TPageControl* Value) { SetParent(Value); }

int TTabSheet::PageIndex() const {
    TPageControl* pc = PageControl();
    if (!pc)
        return -1;
    for (int i = 0; i < pc->PageCount(); ++i)
        if (pc->Pages(i) == this)
            return i;
    return -1;
}

void TTabSheet::SetPageIndex(int Value) {
    if (TPageControl* pc = PageControl())
        pc->MovePage(this, Value);
}

int TTabSheet::TabIndex() const {
    TPageControl* pc = PageControl();
    if (!pc || !FTabVisible)
        return -1;
    int tab = 0;
    for (int i = 0; i < pc->PageCount(); ++i) {
        TTabSheet* p = pc->Pages(i);
        if (p == this)
            return tab;
        if (p->FTabVisible)
            ++tab;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
    if (Value == FTabVisible)
        return;
    FTabVisible = Value;
    if (TPageControl* pc = PageControl())
        pc->PageChanged(this);
}

void TTabSheet::SetImageIndex(int Value) {
    if (Value == FImageIndex)
        return;
    FImageIndex = Value;
    if (TPageControl* pc = PageControl())
        pc->PageChanged(this);
}

void TTabSheet::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
}

void TTabSheet::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
        if (TPageControl* pc = PageControl())
            pc->PageChanged(this);
        break;
    case CM_VISIBLECHANGED:
        if (Message.WParam ? static_cast<bool>(OnShow) : static_cast<bool>(OnHide))
            (Message.WParam ? OnShow : OnHide)(this);
        break;
    }
    TWinControl::WndProc(Message);
}

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    ControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 289, 193);
}

TPageControl::~TPageControl() { Destroying(); }

TTabSheet* TPageControl::Pages(int Index) const {
    if (Index < 0 || Index >= PageCount())
        ListIndexError(Index);
    return FPages[static_cast<size_t>(Index)];
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int Value) {
    SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<size_t>(Value)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* Value) {
    if (Value && Value->PageControl() != this)
        return;
    FActivePage = Value;
    ShowActivePage();
}

TTabSheet* TPageControl::PageForTab(int TabIndex) const {
    if (TabIndex < 0)
        return nullptr;
    for (TTabSheet* p : FPages)
        if (p->FTabVisible && TabIndex-- == 0)
            return p;
    return nullptr;
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const {
    int n = PageCount();
    if (n == 0)
        return nullptr;
    auto it = std::find(FPages.begin(), FPages.end(), CurPage);
    int start = it == FPages.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - FPages.begin());
    int i = start;
    for (int step = 0; step < n; ++step) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        TTabSheet* p = FPages[static_cast<size_t>(i)];
        if (!CheckTabVisible || p->FTabVisible)
            return p;
    }
    return nullptr;
}

void TPageControl::SelectNextPage(bool GoForward, bool CheckTabVisible) {
    TTabSheet* p = FindNextPage(FActivePage, GoForward, CheckTabVisible);
    if (p && p != FActivePage && CanChange()) {
        SetActivePage(p);
        Change();
    }
}

int TPageControl::IndexOfTabAt(int X, int Y) {
    if (!HandleAllocated())
        return -1;
    TCHITTESTINFO info{};
    info.pt = POINT{X, Y};
    return static_cast<int>(SendMessageW(FHandle, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
}

std::wstring TPageControl::TabCaption(int TabIndex) {
    if (!HandleAllocated())
        return L"";
    wchar_t buf[512] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buf;
    item.cchTextMax = 512;
    if (!SendMessageW(FHandle, TCM_GETITEMW, TabIndex, reinterpret_cast<LPARAM>(&item)))
        return L"";
    return item.pszText ? item.pszText : L"";
}

void TPageControl::SetImages(TCustomImageList* Value) {
    if (Value == FImages)
        return;
    if (FImages)
        FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (Value)
        Value->FreeNotification(this);
    if (HandleAllocated())
        SendMessageW(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImageListHandle(Value)));
}

void TPageControl::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FImages)
        SetImages(nullptr);
}

void TPageControl::SetMultiLine(bool Value) {
    if (Value == FMultiLine)
        return;
    FMultiLine = Value;
    RecreateWnd();
}

void TPageControl::SetHotTrack(bool Value) {
    if (Value == FHotTrack)
        return;
    FHotTrack = Value;
    RecreateWnd();
}

void TPageControl::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_TABCONTROLW);
    Params.Style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (FMultiLine) Params.Style |= TCS_MULTILINE;
    if (FHotTrack) Params.Style |= TCS_HOTTRACK;
}

void TPageControl::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, CCM_SETUNICODEFORMAT, TRUE, 0);
    SendMessageW(FHandle, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(ImageListHandle(FImages)));
    UpdateTabs();
    ShowActivePage();
}

void TPageControl::AdjustClientRect(RECT& Rect) {
    if (HandleAllocated())
        SendMessageW(FHandle, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&Rect));
}

void TPageControl::UpdateTabs() {
    if (!HandleAllocated())
        return;
    FUpdatingTabs = true;
    SendMessageW(FHandle, TCM_DELETEALLITEMS, 0, 0);
    int tab = 0;
    for (TTabSheet* p : FPages) {
        if (!p->FTabVisible)
            continue;
        std::wstring caption = p->GetText();
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_PARAM | TCIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(caption.c_str());
        item.iImage = p->FImageIndex;
        item.lParam = reinterpret_cast<LPARAM>(p);
        SendMessageW(FHandle, TCM_INSERTITEMW, tab++, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(FHandle, TCM_SETCURSEL, FActivePage ? FActivePage->TabIndex() : -1, 0);
    FUpdatingTabs = false;
    Realign();
}

void TPageControl::ShowActivePage() {
    for (TTabSheet* p : std::vector<TTabSheet*>(FPages))
        if (p != FActivePage)
            p->SetVisible(false);
    if (FActivePage) {
        FActivePage->SetVisible(true);
        FActivePage->BringToFront();
    }
    if (HandleAllocated())
        SendMessageW(FHandle, TCM_SETCURSEL, FActivePage ? FActivePage->TabIndex() : -1, 0);
}

void TPageControl::PageChanged(TTabSheet* Page) {
    if (FActivePage == Page && !Page->FTabVisible) {
        TTabSheet* next = FindNextPage(Page, true, true);
        FActivePage = next != Page ? next : nullptr;
    }
    UpdateTabs();
    ShowActivePage();
}

void TPageControl::MovePage(TTabSheet* Page, int NewIndex) {
    auto it = std::find(FPages.begin(), FPages.end(), Page);
    if (it == FPages.end())
        return;
    FPages.erase(it);
    NewIndex = std::clamp(NewIndex, 0, PageCount());
    FPages.insert(FPages.begin() + NewIndex, Page);
    UpdateTabs();
}

bool TPageControl::CanChange() {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() {
    if (OnChange)
        OnChange(this);
}

void TPageControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_CONTROLLISTCHANGE: {
        auto* c = reinterpret_cast<TControl*>(Message.WParam);
        if (Message.LParam) {
            if (auto* p = dynamic_cast<TTabSheet*>(c)) {
                if (std::find(FPages.begin(), FPages.end(), p) == FPages.end())
                    FPages.push_back(p);
                if (!FActivePage && p->FTabVisible)
                    FActivePage = p;
                UpdateTabs();
                ShowActivePage();
            }
        } else {
            auto it = std::find(FPages.begin(), FPages.end(), static_cast<TTabSheet*>(c));
            if (it != FPages.end()) {
                TTabSheet* p = *it;
                TTabSheet* next = p == FActivePage ? FindNextPage(p, true, true) : FActivePage;
                FPages.erase(it);
                FActivePage = next != p ? next : nullptr;
                UpdateTabs();
                ShowActivePage();
            }
        }
        break;
    }
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        Message.Result = 0;
        if (FUpdatingTabs)
            return;
        if (hdr->code == TCN_SELCHANGING) {
            Message.Result = CanChange() ? 0 : 1;
        } else if (hdr->code == TCN_SELCHANGE) {
            int tab = static_cast<int>(SendMessageW(FHandle, TCM_GETCURSEL, 0, 0));
            FActivePage = PageForTab(tab);
            ShowActivePage();
            Change();
        }
        return;
    }
    case CM_DIALOGCHAR:
        for (TTabSheet* p : FPages) {
            if (p->FTabVisible && IsCaptionAccel(static_cast<wchar_t>(Message.WParam), p->GetText()) && CanFocus()) {
                Message.Result = 1;
                if (p != FActivePage && CanChange()) {
                    SetActivePage(p);
                    Change();
                }
                return;
            }
        }
        break;
    case WM_SIZE:
        TWinControl::WndProc(Message);
        Realign();
        return;
    }
    TWinControl::WndProc(Message);
}

// =================================================================================
// Progress bar

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 150, 16); }

void TProgressBar::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, PROGRESS_CLASSW);
    if (FSmooth) Params.Style |= PBS_SMOOTH;
    if (FOrientation == pbVertical) Params.Style |= PBS_VERTICAL;
}

void TProgressBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, PBM_SETRANGE32, FMin, FMax);
    SendMessageW(FHandle, PBM_SETSTEP, FStep, 0);
    SendMessageW(FHandle, PBM_SETPOS, FPosition, 0);
}

void TProgressBar::DestroyWnd() {
    FPosition = Position();
    TWinControl::DestroyWnd();
}

void TProgressBar::SetRange(int AMin, int AMax) {
    FMin = AMin;
    FMax = std::max(AMin, AMax);
    FPosition = std::clamp(FPosition, FMin, FMax);
    if (HandleAllocated())
        SendMessageW(FHandle, PBM_SETRANGE32, FMin, FMax);
}

int TProgressBar::Position() {
    if (HandleAllocated())
        FPosition = static_cast<int>(SendMessageW(FHandle, PBM_GETPOS, 0, 0));
    return FPosition;
}

void TProgressBar::SetPosition(int Value) {
    FPosition = std::clamp(Value, FMin, FMax);
    if (HandleAllocated())
        SendMessageW(FHandle, PBM_SETPOS, FPosition, 0);
}

void TProgressBar::SetStep(int Value) {
    FStep = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, PBM_SETSTEP, Value, 0);
}

void TProgressBar::StepIt() { StepBy(FStep); }

void TProgressBar::StepBy(int Delta) { SetPosition(Position() + Delta); }

void TProgressBar::SetSmooth(bool Value) {
    if (Value == FSmooth)
        return;
    FSmooth = Value;
    RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation Value) {
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    RecreateWnd();
}

// =================================================================================
// Rich edit

HMODULE RichEditModule() {
    static HMODULE module = LoadLibraryW(L"RICHED20.DLL");
    return module;
}

namespace {

struct TStreamCursor {
    std::string* Data;
    size_t Pos = 0;
};

DWORD CALLBACK StreamInCallback(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done) {
    auto* c = reinterpret_cast<TStreamCursor*>(Cookie);
    size_t n = std::min(static_cast<size_t>(Count), c->Data->size() - c->Pos);
    std::copy_n(c->Data->data() + c->Pos, n, Buffer);
    c->Pos += n;
    *Done = static_cast<LONG>(n);
    return 0;
}

DWORD CALLBACK StreamOutCallback(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done) {
    auto* c = reinterpret_cast<TStreamCursor*>(Cookie);
    c->Data->append(reinterpret_cast<const char*>(Buffer), static_cast<size_t>(Count));
    *Done = Count;
    return 0;
}

} // namespace

TCustomRichEdit::TCustomRichEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    FColor = clWindow;
    SetBounds(0, 0, 185, 89);
}

void TCustomRichEdit::CreateParams(TCreateParams& Params) {
    if (!RichEditModule())
        throw EOSError(L"The rich-edit library RICHED20.DLL cannot be loaded", GetLastError());
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, RICHEDIT_CLASSW);
    Params.Style |= ES_MULTILINE | ES_WANTRETURN;
    if (FReadOnly) Params.Style |= ES_READONLY;
    if (!FHideSelection) Params.Style |= ES_NOHIDESEL;
    if (!FWordWrap) Params.Style |= ES_AUTOHSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth) Params.Style |= WS_VSCROLL;
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth) Params.Style |= WS_HSCROLL;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomRichEdit::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, EM_SETEDITSTYLE, SES_USEAIMM, SES_USEAIMM);
    SendMessageW(FHandle, EM_EXLIMITTEXT, 0, FMaxLength > 0 ? FMaxLength : 0x7FFFFFFE);
    SendMessageW(FHandle, EM_SETTARGETDEVICE, 0, FWordWrap ? 0 : 1);
    if (FHaveSavedRtf) {
        std::string rtf;
        rtf.swap(FSavedRtf);
        FHaveSavedRtf = false;
        StreamIn(rtf, SF_RTF);
    }
    SendMessageW(FHandle, EM_SETEVENTMASK, 0, ENM_CHANGE | ENM_SELCHANGE);
}

void TCustomRichEdit::DestroyWnd() {
    FSavedRtf = StreamOut(SF_RTF);
    FHaveSavedRtf = true;
    TWinControl::DestroyWnd();
}

std::wstring TCustomRichEdit::GetText() { return TWinControl::GetText(); }

void TCustomRichEdit::SetText(const std::wstring& Value) {
    if (!HandleAllocated())
        FHaveSavedRtf = false; // the new text replaces what a former window held
    WithoutChangeEvents([&] { TWinControl::SetText(Value); });
}

void TCustomRichEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, EM_SETREADONLY, Value ? TRUE : FALSE, 0);
}

void TCustomRichEdit::SetWordWrap(bool Value) {
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    RecreateWnd();
}

void TCustomRichEdit::SetScrollBars(TScrollStyle Value) {
    if (Value == FScrollBars)
        return;
    FScrollBars = Value;
    RecreateWnd();
}

void TCustomRichEdit::SetHideSelection(bool Value) {
    if (Value == FHideSelection)
        return;
    FHideSelection = Value;
    RecreateWnd();
}

void TCustomRichEdit::SetMaxLength(int Value) {
    FMaxLength = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, EM_EXLIMITTEXT, 0, Value > 0 ? Value : 0x7FFFFFFE);
}

int TCustomRichEdit::SelStart() {
    CHARRANGE r{};
    SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return r.cpMin;
}

void TCustomRichEdit::SetSelStart(int Value) {
    CHARRANGE r{Value, Value};
    SendMessageW(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}

int TCustomRichEdit::SelLength() {
    CHARRANGE r{};
    SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    return r.cpMax - r.cpMin;
}

void TCustomRichEdit::SetSelLength(int Value) {
    CHARRANGE r{};
    SendMessageW(Handle(), EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    r.cpMax = r.cpMin + Value;
    SendMessageW(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}

std::wstring TCustomRichEdit::SelText() {
    int len = SelLength();
    if (len <= 0)
        return L"";
    std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
    LRESULT n = SendMessageW(Handle(), EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(std::clamp<LRESULT>(n, 0, len)));
    return buf;
}

void TCustomRichEdit::SetSelText(const std::wstring& Value) {
    SendMessageW(Handle(), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomRichEdit::SelectAll() {
    CHARRANGE r{0, -1};
    SendMessageW(Handle(), EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
}

int TCustomRichEdit::LineFromChar(int CharIndex) {
    return static_cast<int>(SendMessageW(Handle(), EM_EXLINEFROMCHAR, 0, CharIndex));
}

namespace {

// Number of characters in the window (a line break counts one).
int RichTextLength(HWND Wnd) {
    GETTEXTLENGTHEX gl{GTL_NUMCHARS | GTL_PRECISE, 1200};
    return static_cast<int>(SendMessageW(Wnd, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&gl), 0));
}

} // namespace

int TCustomRichEdit::LineCount() {
    HWND h = Handle();
    int n = static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0));
    // An empty last line (after a final line break, or of an empty text) is no line.
    if (n > 0) {
        LRESULT start = SendMessageW(h, EM_LINEINDEX, n - 1, 0);
        if (start >= 0 && SendMessageW(h, EM_LINELENGTH, start, 0) == 0)
            --n;
    }
    return n;
}

std::wstring TCustomRichEdit::Line(int Index) {
    HWND h = Handle();
    if (Index < 0 || Index >= LineCount())
        ListIndexError(Index);
    LRESULT start = SendMessageW(h, EM_LINEINDEX, Index, 0);
    int len = static_cast<int>(SendMessageW(h, EM_LINELENGTH, start, 0));
    std::wstring buf(static_cast<size_t>(std::max(len, 1)) + 2, L'\0');
    *reinterpret_cast<WORD*>(buf.data()) = static_cast<WORD>(buf.size());
    LRESULT n = SendMessageW(h, EM_GETLINE, Index, reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(std::clamp<LRESULT>(n, 0, static_cast<LRESULT>(buf.size()))));
    while (!buf.empty() && (buf.back() == L'\r' || buf.back() == L'\n'))
        buf.pop_back();
    return buf;
}

void TCustomRichEdit::SetLine(int Index, const std::wstring& S) {
    HWND h = Handle();
    if (Index < 0 || Index >= LineCount())
        ListIndexError(Index);
    LRESULT start = SendMessageW(h, EM_LINEINDEX, Index, 0);
    LRESULT len = SendMessageW(h, EM_LINELENGTH, start, 0);
    CHARRANGE r{static_cast<LONG>(start), static_cast<LONG>(start + len)};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(S.c_str()));
}

void TCustomRichEdit::InsertLine(int Index, const std::wstring& S) {
    HWND h = Handle();
    int count = LineCount();
    if (Index < 0 || Index > count)
        ListIndexError(Index);
    std::wstring text;
    LONG pos;
    if (Index < count) {
        pos = static_cast<LONG>(SendMessageW(h, EM_LINEINDEX, Index, 0));
        text = S + L"\r";
    } else {
        pos = RichTextLength(h);
        int raw = static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0));
        // After a last line of text a break comes first; after a final break none is needed.
        text = (count > 0 && raw == count) ? L"\r" + S : S;
    }
    CHARRANGE r{pos, pos};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomRichEdit::DeleteLine(int Index) {
    HWND h = Handle();
    int count = LineCount();
    if (Index < 0 || Index >= count)
        ListIndexError(Index);
    LONG start = static_cast<LONG>(SendMessageW(h, EM_LINEINDEX, Index, 0));
    LONG end;
    if (Index + 1 < static_cast<int>(SendMessageW(h, EM_GETLINECOUNT, 0, 0)))
        end = static_cast<LONG>(SendMessageW(h, EM_LINEINDEX, Index + 1, 0));
    else
        end = RichTextLength(h);
    if (Index == count - 1 && Index > 0 && end >= RichTextLength(h))
        --start; // the last line takes the break before it along
    CHARRANGE r{start, end};
    SendMessageW(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void TCustomRichEdit::StreamIn(const std::string& Data, UINT Format) {
    std::string copy = Data;
    TStreamCursor cursor{&copy};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&cursor), 0, &StreamInCallback};
    WithoutChangeEvents([&] { SendMessageW(Handle(), EM_STREAMIN, Format, reinterpret_cast<LPARAM>(&es)); });
}

std::string TCustomRichEdit::StreamOut(UINT Format) {
    std::string data;
    TStreamCursor cursor{&data};
    EDITSTREAM es{reinterpret_cast<DWORD_PTR>(&cursor), 0, &StreamOutCallback};
    SendMessageW(Handle(), EM_STREAMOUT, Format, reinterpret_cast<LPARAM>(&es));
    return data;
}

void TCustomRichEdit::LoadFromStream(TStream* Stream) {
    std::string data;
    char buf[65536];
    for (;;) {
        int32_t n = Stream->Read(buf, sizeof(buf));
        if (n <= 0)
            break;
        data.append(buf, static_cast<size_t>(n));
    }
    StreamIn(data, PlainText ? (SF_TEXT | SF_UNICODE) : SF_RTF);
}

void TCustomRichEdit::SaveToStream(TStream* Stream) {
    std::string data = StreamOut(PlainText ? (SF_TEXT | SF_UNICODE) : SF_RTF);
    if (!data.empty())
        Stream->WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
}

void TCustomRichEdit::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomRichEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == EN_CHANGE) {
            if (FChangeOff == 0)
                Change();
            Message.Result = 0;
            return;
        }
        break;
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        if (hdr->code == EN_SELCHANGE && OnSelectionChange)
            OnSelectionChange(this);
        Message.Result = 0;
        return;
    }
    }
    TWinControl::WndProc(Message);
}
