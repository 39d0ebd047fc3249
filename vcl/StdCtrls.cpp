// The standard controls are split by control (Edit: edit and memo; ComboBox; ListBox;
// Label; Button; CheckBox: check box and radio button; GroupBox); StdCtrls.h is their
// include point. Here: what they share, and TItemStore, the lines of a combo or list box.
#include "StdCtrls.h"
#include "StdCtrlsInternal.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

wchar_t UpperChar(wchar_t C) {
    return static_cast<wchar_t>(reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(C)))));
}

// Where a sorted list without a window takes a new line (the system lists sort case-blind).
size_t SortedPosition(const std::vector<TSavedItem>& Items, const std::wstring& S) {
    size_t i = 0;
    while (i < Items.size() &&
           CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, Items[i].Text.c_str(), -1, S.c_str(), -1) !=
               CSTR_GREATER_THAN)
        ++i;
    return i;
}

std::wstring WindowItemText(HWND Wnd, UINT LenMsg, UINT TextMsg, int Index, bool& Ok) {
    LRESULT len = SendMessageW(Wnd, LenMsg, static_cast<WPARAM>(Index), 0);
    Ok = len >= 0;
    if (!Ok)
        return L"";
    std::wstring buf(static_cast<size_t>(len) + 1, L'\0');
    LRESULT got = SendMessageW(Wnd, TextMsg, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(got < 0 ? 0 : std::min(static_cast<size_t>(got), static_cast<size_t>(len)));
    size_t nul = buf.find(L'\0');
    if (nul != std::wstring::npos)
        buf.resize(nul);
    return buf;
}

} // namespace

TOwnerDrawState OwnerDrawStateOf(UINT ItemState) {
    TOwnerDrawState s = 0;
    if (ItemState & ODS_SELECTED) s |= odSelected;
    if (ItemState & ODS_GRAYED) s |= odGrayed;
    if (ItemState & ODS_DISABLED) s |= odDisabled;
    if (ItemState & ODS_CHECKED) s |= odChecked;
    if (ItemState & ODS_FOCUS) s |= odFocused;
    if (ItemState & ODS_DEFAULT) s |= odDefault;
    if (ItemState & ODS_COMBOBOXEDIT) s |= odComboBoxEdit;
    return s;
}

bool IsCaptionAccel(wchar_t CharCode, const std::wstring& Caption) {
    std::wstring hot = GetHotkey(Caption);
    return !hot.empty() && CharCode != 0 && UpperChar(hot[0]) == UpperChar(CharCode);
}

// ------------------------------------------------------------------ TItemStore
// (CB_ERR and LB_ERR are the same value.)

LRESULT TItemStore::Send(UINT Msg, WPARAM WParam, LPARAM LParam) {
    return SendMessageW(FControl.Handle(), Msg, WParam, LParam);
}

bool TItemStore::UseWindow() {
    TWinControl* parent = FControl.Parent();
    if (!FControl.HandleAllocated() && parent && (parent->HandleAllocated() || GetParentForm(&FControl)))
        FControl.HandleNeeded();
    return FControl.HandleAllocated();
}

int TItemStore::Count() {
    if (UseWindow())
        return static_cast<int>(Send(FMsg.GetCount));
    return static_cast<int>(Saved.size());
}

bool TItemStore::Text(int Index, std::wstring& S) {
    if (NoStrings) {
        S.clear();
        return Index >= 0 && Index < Count();
    }
    if (UseWindow()) {
        bool ok;
        S = WindowItemText(FControl.Handle(), FMsg.GetTextLen, FMsg.GetText, Index, ok);
        return ok;
    }
    bool ok = Index >= 0 && Index < static_cast<int>(Saved.size());
    S = ok ? Saved[static_cast<size_t>(Index)].Text : L"";
    return ok;
}

TObject* TItemStore::Object(int Index) {
    if (UseWindow()) {
        LRESULT data = Send(FMsg.GetItemData, static_cast<WPARAM>(Index));
        return data == CB_ERR ? nullptr : reinterpret_cast<TObject*>(data);
    }
    return Index >= 0 && Index < static_cast<int>(Saved.size()) ? Saved[static_cast<size_t>(Index)].Object : nullptr;
}

void TItemStore::SetObject(int Index, TObject* AObject) {
    if (UseWindow())
        Send(FMsg.SetItemData, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(AObject));
    else if (Index >= 0 && Index < static_cast<int>(Saved.size()))
        Saved[static_cast<size_t>(Index)].Object = AObject;
}

LRESULT TItemStore::Put(const TSavedItem& Item) {
    if (NoStrings)
        return Send(FMsg.AddString, 0, reinterpret_cast<LPARAM>(Item.Object));
    LRESULT i = Send(FMsg.AddString, 0, reinterpret_cast<LPARAM>(Item.Text.c_str()));
    if (i >= 0)
        Send(FMsg.SetItemData, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(Item.Object));
    return i;
}

int TItemStore::Add(const std::wstring& S, TObject* AObject, bool Sorted) {
    if (UseWindow()) {
        LRESULT i = Put(TSavedItem{S, AObject, false});
        if (i < 0)
            UnableToInsert();
        return static_cast<int>(i);
    }
    size_t at = Sorted ? SortedPosition(Saved, S) : Saved.size();
    Saved.insert(Saved.begin() + static_cast<std::ptrdiff_t>(at), TSavedItem{S, AObject, false});
    return static_cast<int>(at);
}

void TItemStore::Insert(int Index, const std::wstring& S, TObject* AObject) {
    if (UseWindow()) {
        LPARAM content = NoStrings ? reinterpret_cast<LPARAM>(AObject) : reinterpret_cast<LPARAM>(S.c_str());
        LRESULT i = Send(FMsg.InsertString, static_cast<WPARAM>(Index), content);
        if (i < 0)
            UnableToInsert();
        if (!NoStrings)
            Send(FMsg.SetItemData, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(AObject));
        return;
    }
    if (Index < 0 || Index > static_cast<int>(Saved.size()))
        UnableToInsert();
    Saved.insert(Saved.begin() + Index, TSavedItem{S, AObject, false});
}

void TItemStore::Delete(int Index) {
    if (UseWindow())
        Send(FMsg.DeleteString, static_cast<WPARAM>(Index));
    else if (Index >= 0 && Index < static_cast<int>(Saved.size()))
        Saved.erase(Saved.begin() + Index);
}

void TItemStore::Clear() {
    if (UseWindow()) {
        Send(FMsg.ResetContent);
        return;
    }
    Saved.clear();
    SavedIndex = -1;
}

int TItemStore::IndexOf(const std::wstring& S) {
    if (NoStrings)
        return -1;
    if (UseWindow()) {
        LRESULT r = Send(FMsg.FindStringExact, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(S.c_str()));
        return r == CB_ERR ? -1 : static_cast<int>(r);
    }
    for (size_t i = 0; i < Saved.size(); ++i)
        if (SameTextIgnoringCase(Saved[i].Text, S))
            return static_cast<int>(i);
    return -1;
}

int TItemStore::ItemIndex() {
    if (UseWindow())
        return static_cast<int>(Send(FMsg.GetCurSel));
    return SavedIndex;
}

void TItemStore::SetItemIndex(int Value) {
    if (UseWindow())
        Send(FMsg.SetCurSel, static_cast<WPARAM>(Value));
    else
        SavedIndex = Value;
}

void TItemStore::Save(bool Items) {
    Saved.clear();
    int n = Items ? static_cast<int>(Send(FMsg.GetCount)) : 0;
    for (int i = 0; i < n; ++i) {
        bool ok;
        TSavedItem item;
        if (!NoStrings)
            item.Text = WindowItemText(FControl.Handle(), FMsg.GetTextLen, FMsg.GetText, i, ok);
        LRESULT data = Send(FMsg.GetItemData, static_cast<WPARAM>(i));
        item.Object = data == CB_ERR ? nullptr : reinterpret_cast<TObject*>(data);
        Saved.push_back(std::move(item));
    }
    SavedIndex = static_cast<int>(Send(FMsg.GetCurSel));
    HaveSaved = true;
}

bool TItemStore::TakeSaved(std::vector<TSavedItem>& Items) {
    if (!HaveSaved)
        return false;
    HaveSaved = false;
    Items.clear();
    Items.swap(Saved);
    return true;
}
