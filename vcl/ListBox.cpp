// TCustomListBox: the list box, its lines (with or without a window), selection and owner drawing.
#include "StdCtrls.h"
#include "StdCtrlsInternal.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

const TItemStore::TMessages ListMessages{
    LB_GETCOUNT,     LB_GETTEXTLEN,   LB_GETTEXT,      LB_GETITEMDATA,     LB_SETITEMDATA, LB_ADDSTRING,
    LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT, LB_FINDSTRINGEXACT, LB_GETCURSEL,   LB_SETCURSEL};

} // namespace

// ------------------------------------------------------------------ TCustomListBox

TCustomListBox::TCustomListBox(TComponent* AOwner) : TWinControl(AOwner), FItems(*this, ListMessages) {
    FTabStop = true;
    FColor = clWindow;
    // Clicks and double clicks come from LBN_SELCHANGE and LBN_DBLCLK.
    ControlStyle &= ~static_cast<unsigned>(csClickEvents | csDoubleClicks);
    SetBounds(0, 0, 121, 97);
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"LISTBOX");
    Params.Style |= WS_VSCROLL | LBS_NOTIFY;
    switch (FStyle) {
    case lbStandard: break;
    case lbOwnerDrawFixed: Params.Style |= LBS_OWNERDRAWFIXED | LBS_HASSTRINGS; break;
    case lbOwnerDrawVariable: Params.Style |= LBS_OWNERDRAWVARIABLE | LBS_HASSTRINGS; break;
    case lbVirtual:
    case lbVirtualOwnerDraw: Params.Style |= LBS_OWNERDRAWFIXED | LBS_NODATA; break;
    }
    if (FSorted && !IsVirtual())
        Params.Style |= LBS_SORT;
    if (FMultiSelect)
        Params.Style |= FExtendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (!FIntegralHeight)
        Params.Style |= LBS_NOINTEGRALHEIGHT;
    if (FColumns)
        Params.Style |= LBS_MULTICOLUMN | WS_HSCROLL;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
    Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomListBox::CreateWnd() {
    TWinControl::CreateWnd();
    if (FColumns)
        SendMessageW(FHandle, LB_SETCOLUMNWIDTH, static_cast<WPARAM>(std::max(FWidth / FColumns, 1)), 0);
    if (FStyle != lbStandard && FStyle != lbOwnerDrawVariable)
        SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, FItemHeight);
    RestoreItems();
}

void TCustomListBox::SaveItems() {
    FSavedTop = static_cast<int>(SendMessageW(FHandle, LB_GETTOPINDEX, 0, 0));
    if (IsVirtual())
        FSavedCount = static_cast<int>(SendMessageW(FHandle, LB_GETCOUNT, 0, 0));
    FItems.Save(!IsVirtual());
    if (FMultiSelect)
        FItems.SavedIndex = static_cast<int>(SendMessageW(FHandle, LB_GETCARETINDEX, 0, 0));
    for (size_t i = 0; i < FItems.Saved.size(); ++i)
        FItems.Saved[i].Selected = FMultiSelect ? SendMessageW(FHandle, LB_GETSEL, static_cast<WPARAM>(i), 0) > 0
                                                : static_cast<int>(i) == FItems.SavedIndex;
}

void TCustomListBox::RestoreItems() {
    std::vector<TSavedItem> items;
    if (!FItems.TakeSaved(items))
        return;
    SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    if (IsVirtual()) {
        if (FSavedCount > 0)
            SendMessageW(FHandle, LB_SETCOUNT, static_cast<WPARAM>(FSavedCount), 0);
    } else {
        for (const TSavedItem& item : items) {
            LRESULT i = FItems.Put(item);
            if (i >= 0 && FMultiSelect && item.Selected)
                SendMessageW(FHandle, LB_SETSEL, TRUE, i);
        }
    }
    SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
    if (FSavedTop > 0)
        SendMessageW(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(FSavedTop), 0);
    int index = FItems.SavedIndex;
    if (index >= 0)
        SetItemIndex(index);
    FItems.SavedIndex = -1;
    FSavedTop = 0;
}

void TCustomListBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        switch (HIWORD(Message.WParam)) {
        case LBN_SELCHANGE: Click(); break;
        case LBN_DBLCLK: DblClick(); break;
        }
        Message.Result = 0;
        return;
    case CN_DRAWITEM:
    case CN_MEASUREITEM:
        OwnerDrawMessage(
            this, FCanvas, Message, FItemHeight, FStyle == lbOwnerDrawVariable,
            [this](int i, const RECT& r, TOwnerDrawState st) { DrawItem(i, r, st); },
            [this](int i, int& h) { MeasureItem(i, h); });
        return;
    case LB_GETTEXT:
    case LB_GETTEXTLEN:
        if (IsVirtual()) {
            // The texts of a virtual list box come from OnData.
            if (!OnData) {
                Message.Result = LB_ERR;
                return;
            }
            std::wstring data;
            OnData(this, static_cast<int>(Message.WParam), data);
            if (Message.Msg == LB_GETTEXT && Message.LParam) {
                auto* buf = reinterpret_cast<wchar_t*>(Message.LParam);
                std::copy(data.begin(), data.end(), buf);
                buf[data.size()] = 0;
            }
            Message.Result = static_cast<LRESULT>(data.size());
            return;
        }
        break;
    case WM_DESTROY:
        if (!IsDestroying())
            SaveItems();
        break;
    }
    TWinControl::WndProc(Message);
}

void TCustomListBox::DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas.FillRect(Rect);
    if (Index < 0 || Index >= ItemCount())
        return;
    RECT r = Rect;
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DrawTextBiDiModeFlagsReadingOnly();
    if (UseRightToLeftAlignment()) {
        r.right -= 2;
        flags |= DT_RIGHT;
    } else {
        r.left += 2;
    }
    FCanvas.DrawText(ItemText(Index), r, flags);
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool Value) {
    if (Value == FMultiSelect)
        return;
    FMultiSelect = Value;
    RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
    if (Value == FExtendedSelect)
        return;
    FExtendedSelect = Value;
    RecreateWnd();
}

void TCustomListBox::SetSorted(bool Value) {
    if (Value == FSorted)
        return;
    FSorted = Value;
    RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool Value) {
    if (Value == FIntegralHeight)
        return;
    FIntegralHeight = Value;
    RecreateWnd();
}

void TCustomListBox::SetColumns(int Value) {
    Value = std::max(Value, 0);
    if (Value == FColumns)
        return;
    FColumns = Value;
    RecreateWnd();
}

int TCustomListBox::ItemHeight() {
    if (FHandle && FStyle == lbStandard)
        return static_cast<int>(SendMessageW(FHandle, LB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomListBox::SetItemHeight(int Value) {
    if (Value <= 0)
        return;
    FItemHeight = Value;
    if (FHandle && FStyle != lbStandard && FStyle != lbOwnerDrawVariable) {
        SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, Value);
        Invalidate();
    }
}

void TCustomListBox::CheckIndex(int Index) {
    if (Index < 0 || Index >= ItemCount())
        throw EListError(Format(L"List index out of bounds (%d)", {Index}));
}

int TCustomListBox::ItemCount() {
    if (IsVirtual() && !UseWindow())
        return FSavedCount;
    return FItems.Count();
}

std::wstring TCustomListBox::ItemText(int Index) {
    if (IsVirtual() && !FHandle) {
        CheckIndex(Index);
        std::wstring data;
        if (OnData)
            OnData(this, Index, data);
        return data;
    }
    std::wstring text;
    if (!FItems.Text(Index, text))
        throw EListError(Format(L"List index out of bounds (%d)", {Index}));
    return text;
}

void TCustomListBox::ReplaceItem(int Index, const TSavedItem& Item) {
    if (FHandle) {
        SendMessageW(FHandle, LB_DELETESTRING, static_cast<WPARAM>(Index), 0);
        FItems.Insert(Index, Item.Text, Item.Object);
    } else {
        TSavedItem& saved = FItems.Saved[static_cast<size_t>(Index)];
        saved.Text = Item.Text;
        saved.Object = Item.Object;
    }
}

void TCustomListBox::SetItemText(int Index, const std::wstring& S) {
    CheckIndex(Index);
    if (IsVirtual())
        return;
    int current = ItemIndex();
    bool selected = Selected(Index);
    ReplaceItem(Index, TSavedItem{S, ItemObject(Index), selected});
    if (FMultiSelect)
        SetSelected(Index, selected);
    SetItemIndex(current);
}

TObject* TCustomListBox::ItemObject(int Index) { return IsVirtual() ? nullptr : FItems.Object(Index); }

void TCustomListBox::SetItemObject(int Index, TObject* AObject) {
    if (!IsVirtual())
        FItems.SetObject(Index, AObject);
}

int TCustomListBox::AddItem(const std::wstring& S, TObject* AObject) {
    if (IsVirtual())
        UnableToInsert();
    return FItems.Add(S, AObject, FSorted);
}

void TCustomListBox::InsertItem(int Index, const std::wstring& S, TObject* AObject) {
    if (IsVirtual())
        UnableToInsert();
    FItems.Insert(Index, S, AObject);
}

void TCustomListBox::DeleteItem(int Index) {
    if (IsVirtual() && !UseWindow())
        FSavedCount = std::max(FSavedCount - 1, 0);
    else
        FItems.Delete(Index);
}

void TCustomListBox::ClearItems() {
    FItems.Clear();
    if (!FHandle)
        FSavedCount = 0;
}

int TCustomListBox::IndexOfItem(const std::wstring& S) { return FItems.IndexOf(S); }

void TCustomListBox::ExchangeItems(int Index1, int Index2) {
    if (Index1 == Index2 || IsVirtual())
        return;
    CheckIndex(Index1);
    CheckIndex(Index2);
    bool window = FHandle != nullptr;
    if (window)
        SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    int current = ItemIndex();
    TSavedItem a{ItemText(Index1), ItemObject(Index1), Selected(Index1)};
    TSavedItem b{ItemText(Index2), ItemObject(Index2), Selected(Index2)};
    ReplaceItem(Index1, b);
    ReplaceItem(Index2, a);
    if (FMultiSelect) {
        SetSelected(Index1, b.Selected);
        SetSelected(Index2, a.Selected);
    }
    SetItemIndex(current == Index1 ? Index2 : current == Index2 ? Index1 : current);
    if (window) {
        SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
        Invalidate();
    }
}

void TCustomListBox::MoveItem(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex || IsVirtual())
        return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    FMoving = true;
    struct Reset {
        bool& f;
        ~Reset() { f = false; }
    } reset{FMoving};
    bool window = FHandle != nullptr;
    if (window)
        SendMessageW(FHandle, WM_SETREDRAW, FALSE, 0);
    int current = ItemIndex();
    TSavedItem item{ItemText(CurIndex), ItemObject(CurIndex), Selected(CurIndex)};
    if (item.Selected)
        SetSelected(CurIndex, false);
    DeleteItem(CurIndex);
    InsertItem(NewIndex, item.Text, item.Object);
    if (item.Selected)
        SetSelected(NewIndex, true);
    // The item index follows its item.
    int index = current;
    if (current == CurIndex)
        index = NewIndex;
    else if (current >= 0) {
        if (CurIndex < index)
            --index;
        if (NewIndex <= index)
            ++index;
    }
    if (!FMultiSelect || current >= 0)
        SetItemIndex(index);
    if (window) {
        SendMessageW(FHandle, WM_SETREDRAW, TRUE, 0);
        Invalidate();
    }
}

void TCustomListBox::SetCount(int Value) {
    if (!IsVirtual())
        return;
    if (UseWindow())
        SendMessageW(FHandle, LB_SETCOUNT, static_cast<WPARAM>(std::max(Value, 0)), 0);
    else
        FSavedCount = std::max(Value, 0);
}

int TCustomListBox::ItemIndex() {
    if (FMultiSelect && UseWindow())
        return static_cast<int>(SendMessageW(FHandle, LB_GETCARETINDEX, 0, 0));
    return FItems.ItemIndex();
}

void TCustomListBox::SetItemIndex(int Value) {
    if (FMultiSelect && UseWindow())
        SendMessageW(FHandle, LB_SETCARETINDEX, static_cast<WPARAM>(Value), FALSE);
    else
        FItems.SetItemIndex(Value);
}

bool TCustomListBox::Selected(int Index) {
    if (!FMultiSelect)
        return Index >= 0 && ItemIndex() == Index;
    if (UseWindow()) {
        LRESULT r = SendMessageW(FHandle, LB_GETSEL, static_cast<WPARAM>(Index), 0);
        if (r == LB_ERR)
            throw EListError(Format(L"List index out of bounds (%d)", {Index}));
        return r > 0;
    }
    CheckIndex(Index);
    return IsVirtual() ? false : FItems.Saved[static_cast<size_t>(Index)].Selected;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
    if (!FMultiSelect) {
        if (Value)
            SetItemIndex(Index);
        else if (ItemIndex() == Index)
            SetItemIndex(-1);
        return;
    }
    if (UseWindow()) {
        if (SendMessageW(FHandle, LB_SETSEL, Value, Index) == LB_ERR)
            throw EListError(Format(L"List index out of bounds (%d)", {Index}));
        return;
    }
    CheckIndex(Index);
    if (!IsVirtual())
        FItems.Saved[static_cast<size_t>(Index)].Selected = Value;
}

int TCustomListBox::SelCount() {
    if (!FMultiSelect)
        return ItemIndex() >= 0 ? 1 : 0;
    if (UseWindow())
        return static_cast<int>(SendMessageW(FHandle, LB_GETSELCOUNT, 0, 0));
    return static_cast<int>(std::count_if(FItems.Saved.begin(), FItems.Saved.end(), [](const TSavedItem& i) { return i.Selected; }));
}

int TCustomListBox::TopIndex() {
    return UseWindow() ? static_cast<int>(SendMessageW(FHandle, LB_GETTOPINDEX, 0, 0)) : FSavedTop;
}

void TCustomListBox::SetTopIndex(int Value) {
    if (UseWindow())
        SendMessageW(FHandle, LB_SETTOPINDEX, static_cast<WPARAM>(Value), 0);
    else
        FSavedTop = Value;
}

void TCustomListBox::ClearSelection() {
    if (!FMultiSelect) {
        SetItemIndex(-1);
        return;
    }
    if (UseWindow())
        SendMessageW(FHandle, LB_SETSEL, FALSE, -1);
    else
        for (TSavedItem& i : FItems.Saved)
            i.Selected = false;
}

int TCustomListBox::ItemAtPos(POINT Pos, bool Existing) {
    if (!UseWindow())
        return -1;
    int count = ItemCount();
    for (int i = TopIndex(); i < count; ++i) {
        RECT r = ItemRect(i);
        if (r.top >= ClientHeight())
            break;
        if (PtInRect(&r, Pos))
            return i;
    }
    return Existing ? -1 : count;
}

RECT TCustomListBox::ItemRect(int Index) {
    RECT r{};
    if (UseWindow())
        SendMessageW(FHandle, LB_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r));
    return r;
}
