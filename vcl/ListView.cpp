// The list view: items, columns and the control.
#include "ComCtrls.h"
#include "ComCtrlsInternal.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

TItemStates StatesFromLV(UINT State) {
    TItemStates s = 0;
    if (State & LVIS_CUT) s |= isCut;
    if (State & LVIS_DROPHILITED) s |= isDropHilited;
    if (State & LVIS_FOCUSED) s |= isFocused;
    if (State & LVIS_SELECTED) s |= isSelected;
    return s;
}

} // namespace

// The watch of a list item (the list of watched items is the list view's own).
class TListItemWatch : public TWatched<TListItem> {
public:
    TListItemWatch(TCustomListView* ListView, TListItem* Item) : TWatched(ListView->FWatchedItems, Item) {}
    TListItem* Item() const { return Get(); }
};
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

void TListItem::SetSelected(bool Value) { SetState(isSelected, LVIS_SELECTED, Value); }

bool TListItem::Focused() {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0)
        return (SendMessageW(lv->Handle(), LVM_GETITEMSTATE, FIndex, LVIS_FOCUSED) & LVIS_FOCUSED) != 0;
    return (FStates & isFocused) != 0;
}

void TListItem::SetFocused(bool Value) { SetState(isFocused, LVIS_FOCUSED, Value); }

bool TListItem::Cut() {
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0)
        return (SendMessageW(lv->Handle(), LVM_GETITEMSTATE, FIndex, LVIS_CUT) & LVIS_CUT) != 0;
    return (FStates & isCut) != 0;
}

void TListItem::SetCut(bool Value) { SetState(isCut, LVIS_CUT, Value); }

void TListItem::SetState(TItemStateFlag Flag, UINT WindowState, bool Value) {
    FStates = Value ? (FStates | Flag) : (FStates & ~Flag);
    TCustomListView* lv = ListView();
    if (lv && lv->HandleAllocated() && FIndex >= 0) {
        LVITEMW it{};
        it.stateMask = WindowState;
        it.state = Value ? WindowState : 0;
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
            FOwner->DoDeletion(FItems[i]);
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
    FBorderStyle = bsSingle;
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

void TCustomListView::DoDeletion(TListItem* Item) {
    if (OnDeletion)
        OnDeletion(this, Item);
}
TListItem* TCustomListView::CreateListItem() { return new TListItem(Items()); }
TListColumn* TCustomListView::CreateListColumn() { return new TListColumn(this); }

void TCustomListView::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, WC_LISTVIEWW);
    static const DWORD views[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};
    Params.Style |= views[FViewStyle] | LVS_SHAREIMAGELISTS | WS_CLIPCHILDREN;
    if (FAutoArrange && (FViewStyle == vsIcon || FViewStyle == vsSmallIcon))
        Params.Style |= LVS_AUTOARRANGE;
    if (!FMultiSelect) Params.Style |= LVS_SINGLESEL;
    if (!FReadOnly) Params.Style |= LVS_EDITLABELS;
    if (!FHideSelection) Params.Style |= LVS_SHOWSELALWAYS;
    if (!FShowColumnHeaders) Params.Style |= LVS_NOCOLUMNHEADER;
    if (!FColumnClick) Params.Style |= LVS_NOSORTHEADER;
    if (FOwnerData) Params.Style |= LVS_OWNERDATA;
    MirrorInRightToLeft(Params);
}

void TCustomListView::UpdateExStyles() {
    if (!HandleAllocated())
        return;
    DWORD mask = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_TRACKSELECT |
                 LVS_EX_ONECLICKACTIVATE | LVS_EX_TWOCLICKACTIVATE | LVS_EX_UNDERLINEHOT | LVS_EX_UNDERLINECOLD |
                 LVS_EX_FLATSB;
    DWORD value = LVS_EX_INFOTIP;
    if (FRowSelect) value |= LVS_EX_FULLROWSELECT;
    if (FGridLines) value |= LVS_EX_GRIDLINES;
    if (FHotTrack) value |= LVS_EX_TRACKSELECT;
    if (FFlatScrollBars) value |= LVS_EX_FLATSB;
    // The underlines need an activation style; the hand cursor brings one-click activation.
    if (FHotTrackStyles & htHandPoint)
        value |= LVS_EX_ONECLICKACTIVATE;
    else if (FHotTrackStyles & (htUnderlineHot | htUnderlineCold))
        value |= LVS_EX_TWOCLICKACTIVATE;
    if (FHotTrackStyles & htUnderlineHot) value |= LVS_EX_UNDERLINEHOT;
    if (FHotTrackStyles & htUnderlineCold) value |= LVS_EX_UNDERLINECOLD;
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
    if (UINT mask = StateCallbackMask())
        SendMessageW(FHandle, LVM_SETCALLBACKMASK, mask, 0);
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
        SendMessageW(FHandle, LVM_SETITEMCOUNT, std::max<size_t>(items->FItems.size(), FAllocBy), 0);
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
    DoDeletion(Item);
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
        if (FAutoArrange && (Value == vsIcon || Value == vsSmallIcon))
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

void TCustomListView::SetHotTrack(bool Value) {
    FHotTrack = Value;
    UpdateExStyles();
}

void TCustomListView::SetHotTrackStyles(TListHotTrackStyles Value) {
    FHotTrackStyles = Value;
    UpdateExStyles();
}

void TCustomListView::SetFlatScrollBars(bool Value) {
    FFlatScrollBars = Value;
    UpdateExStyles();
}

void TCustomListView::SetAutoArrange(bool Value) {
    if (Value == FAutoArrange)
        return;
    FAutoArrange = Value;
    if (HandleAllocated() && (FViewStyle == vsIcon || FViewStyle == vsSmallIcon)) {
        LONG style = GetWindowLongW(FHandle, GWL_STYLE);
        SetWindowLongW(FHandle, GWL_STYLE, Value ? style | LVS_AUTOARRANGE : style & ~LVS_AUTOARRANGE);
        if (Value)
            SendMessageW(FHandle, LVM_ARRANGE, LVA_DEFAULT, 0);
    }
}

void TCustomListView::SetAllocBy(int Value) {
    FAllocBy = std::max(Value, 0);
    if (HandleAllocated() && !FOwnerData)
        SendMessageW(FHandle, LVM_SETITEMCOUNT, std::max(Items()->Count(), FAllocBy), LVSICF_NOINVALIDATEALL);
}

HWND TCustomListView::HeaderHandle() {
    return HandleAllocated() ? reinterpret_cast<HWND>(SendMessageW(FHandle, LVM_GETHEADER, 0, 0)) : nullptr;
}

void TCustomListView::SetImageList(TCustomImageList*& Field, TCustomImageList* Value, int Which) {
    if (!ReplaceComponentRef(this, Field, Value))
        return;
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

void TCustomListView::WithDrawingHeld(const std::function<void()>& Change) {
    // The list view draws a scroll at once: under Wine its themed scroll bar (1.5-3 ms each
    // time) and the rows that come in. The default handling of WM_SETREDRAW only takes the
    // visible style off meanwhile, so that nothing draws; the list view's own handling of it
    // (which sets its scroll bars afresh and draws them again) is not run.
    if (!HandleAllocated() || !(GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE)) {
        Change();
        return;
    }
    struct TRestore {
        HWND Wnd;
        ~TRestore() {
            if (!IsWindow(Wnd))
                return;
            DefWindowProcW(Wnd, WM_SETREDRAW, TRUE, 0);
            RedrawWindow(Wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        }
    } restore{FHandle};
    DefWindowProcW(FHandle, WM_SETREDRAW, FALSE, 0);
    Change();
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
        SendMessageW(FHandle, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(&CompareByIndex<TListItem>));
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
    case NM_RCLICK:
        FTrackedClick = true;
        FTrackedPoint = reinterpret_cast<NMITEMACTIVATE*>(hdr)->ptAction;
        if (hdr->code == NM_CLICK)
            Click();
        return;
    case LVN_BEGINDRAG:
    case LVN_BEGINRDRAG: {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
        FTrackedButtonUp = 0; // the release belongs to the drag now
        BeginItemDrag(hdr->code == LVN_BEGINDRAG ? mbLeft : mbRight, NotifiedItem(nm->iItem), nm->ptAction);
        return;
    }
    case NM_CUSTOMDRAW: {
        auto* cd = reinterpret_cast<NMLVCUSTOMDRAW*>(hdr);
        if (!WantsItemTextColors())
            return; // CDRF_DODEFAULT
        if (cd->nmcd.dwDrawStage == CDDS_PREPAINT) {
            Message.Result = CDRF_NOTIFYITEMDRAW;
        } else if (cd->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
            COLORREF colour = cd->clrText;
            ItemTextColor(NotifiedItem(static_cast<int>(cd->nmcd.dwItemSpec)), cd->nmcd.uItemState, colour);
            if (colour != cd->clrText) {
                cd->clrText = colour;
                Message.Result = CDRF_NEWFONT;
            }
        }
        return;
    }
    }
}

void TCustomListView::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
        // The system's list view runs a mouse loop of its own inside the default handling
        // and eats the button's release, reporting it as a click (NM_CLICK, NM_RCLICK); the
        // release is given to MouseUp here then. Without the loop (Wine's list view) the
        // click comes with the release message itself, which goes its usual way.
        const bool left = Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK;
        const UINT up = left ? WM_LBUTTONUP : WM_RBUTTONUP;
        FTrackedButtonUp = up;
        FTrackedClick = false;
        TWinControl::WndProc(Message);
        if (FTrackedButtonUp != up || !HandleAllocated() || IsDestroying()) // a drag took it
            return;
        FTrackedButtonUp = 0;
        if (!FTrackedClick)
            return;
        const POINT p = FTrackedPoint;
        WPARAM keys = 0;
        if (GetKeyState(VK_SHIFT) < 0) keys |= MK_SHIFT;
        if (GetKeyState(VK_CONTROL) < 0) keys |= MK_CONTROL;
        TMessage release{up, keys, MAKELPARAM(p.x, p.y), 0};
        MouseMessage(release);
        return;
    }
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
