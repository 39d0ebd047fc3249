// TCustomComboBox: the combo box, its lines, its edit part (hooked for keys) and owner drawing.
#include "StdCtrls.h"
#include "StdCtrlsInternal.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

const TItemStore::TMessages ComboMessages{
    CB_GETCOUNT,     CB_GETLBTEXTLEN, CB_GETLBTEXT,    CB_GETITEMDATA,     CB_SETITEMDATA, CB_ADDSTRING,
    CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_FINDSTRINGEXACT, CB_GETCURSEL,   CB_SETCURSEL};

} // namespace

// ------------------------------------------------------------------ TCustomComboBox

LRESULT CALLBACK ComboEditHookProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    // The edit's combo box is the control of its parent window (looked up in the program's
    // own table: a window property would be a call to the window server per message).
    auto* combo = dynamic_cast<TCustomComboBox*>(FindControl(GetParent(hWnd)));
    if (!combo || combo->FEditHandle != hWnd || !combo->FEditDefProc)
        return DefWindowProcW(hWnd, Msg, wParam, lParam);
    return Guarded(L"TCustomComboBox.EditWndProc", LRESULT(0),
                   [&] { return combo->EditWndProc(Msg, wParam, lParam); });
}

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(*this, ComboMessages) {
    FTabStop = true;
    FColor = clWindow;
    ControlStyle &= ~static_cast<unsigned>(csClickEvents); // clicks come from CBN_SELCHANGE
    SetBounds(0, 0, 145, 21);
}

TCustomComboBox::~TCustomComboBox() { UnhookEdit(); }

void TCustomComboBox::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"COMBOBOX");
    Params.Style |= WS_VSCROLL | CBS_AUTOHSCROLL;
    if (!FItems.NoStrings)
        Params.Style |= CBS_HASSTRINGS;
    switch (FStyle) {
    case csDropDown: Params.Style |= CBS_DROPDOWN; break;
    case csSimple: Params.Style |= CBS_SIMPLE; break;
    case csDropDownList: Params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case csOwnerDrawVariable: Params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
    }
    if (FSorted)
        Params.Style |= CBS_SORT;
    // A drop-down combo box's window height includes its list.
    if (FStyle != csSimple)
        Params.Height = FHeight + FItemHeight * FDropDownCount + 2;
    Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
    MirrorInRightToLeft(Params); // the drop button at the left, the text and the edit's caret at the right
}

void TCustomComboBox::CreateWnd() {
    FWindowGoing = false;
    TWinControl::CreateWnd();
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    if (GetComboBoxInfo(FHandle, &info)) {
        FListHandle = info.hwndList;
        FEditHandle = (!IsListStyle() && info.hwndItem != FHandle) ? info.hwndItem : nullptr;
    }
    // The list is a pop-up of its own, which does not take the box's mirroring: its lines
    // stand at the right and its scroll bar at the left as the box's text and button do.
    if (FListHandle && (GetWindowLongPtrW(FHandle, GWL_EXSTYLE) & WS_EX_LAYOUTRTL))
        SetWindowLongPtrW(FListHandle, GWL_EXSTYLE, GetWindowLongPtrW(FListHandle, GWL_EXSTYLE) | WS_EX_LAYOUTRTL);
    HookEdit();
    if (FMaxLength)
        SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    RestoreItems();
}

void TCustomComboBox::HookEdit() {
    if (!FEditHandle || FEditDefProc)
        return;
    FEditDefProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditHookProc)));
}

void TCustomComboBox::UnhookEdit() {
    if (FEditHandle && FEditDefProc && IsWindow(FEditHandle)) {
        if (GetWindowLongPtrW(FEditHandle, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(ComboEditHookProc))
            SetWindowLongPtrW(FEditHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FEditDefProc));
    }
    FEditHandle = nullptr;
    FEditDefProc = nullptr;
}

void TCustomComboBox::SaveItems() { FItems.Save(true); }

void TCustomComboBox::RestoreItems() {
    std::vector<TSavedItem> items;
    if (!FItems.TakeSaved(items))
        return;
    for (const TSavedItem& item : items)
        FItems.Put(item);
    int count = static_cast<int>(items.size());
    if (FItems.SavedIndex >= 0 && count > 0)
        SendMessageW(FHandle, CB_SETCURSEL, static_cast<WPARAM>(std::min(FItems.SavedIndex, count - 1)), 0);
    FItems.SavedIndex = -1;
    // The edit text as it was (the selection above may have replaced it).
    if (!IsListStyle() && GetText() != FText)
        SetTextSilently(FText);
}

void TCustomComboBox::SetTextSilently(const std::wstring& Value) {
    bool old = FSettingText;
    FSettingText = true;
    struct Reset {
        bool& f;
        bool v;
        ~Reset() { f = v; }
    } reset{FSettingText, old};
    if (FHandle)
        SetWindowTextW(FHandle, Value.c_str());
    else
        SetText(Value);
}

void TCustomComboBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        switch (HIWORD(Message.WParam)) {
        case CBN_SELCHANGE: {
            int i = ItemIndex();
            if (!IsListStyle() && i >= 0)
                SetTextSilently(ItemText(i));
            Click();
            Change();
            break;
        }
        case CBN_EDITCHANGE:
            if (!FSettingText)
                Change();
            break;
        case CBN_DROPDOWN: {
            // No hint over the list.
            if (g_ControlHooks.HideHints)
                g_ControlHooks.HideHints();
            // OnDropDown first: it may fill the list or change DropDownCount.
            DropDown();
            // Make room for the list: DropDownCount items at most.
            int count = std::clamp(ItemCount(), 1, std::max(FDropDownCount, 1));
            if (FStyle != csSimple && HandleAllocated())
                SetWindowPos(FHandle, nullptr, 0, 0, FWidth, ItemHeight() * count + FHeight + 2,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
            break;
        }
        case CBN_CLOSEUP:
            CloseUp();
            break;
        case CBN_SETFOCUS:
            if (TCustomForm* form = GetParentForm(this))
                form->SetFocusedControl(this);
            break;
        }
        Message.Result = 0;
        return;
    case CN_DRAWITEM:
    case CN_MEASUREITEM:
        OwnerDrawMessage(
            this, FCanvas, Message, FItemHeight, FStyle == csOwnerDrawVariable,
            [this](int i, const RECT& r, TOwnerDrawState st) { DrawItem(i, r, st); },
            [this](int i, int& h) { MeasureItem(i, h); });
        return;
    case WM_CHAR:
        if (IsListStyle() && AutoComplete && ListStyleKeyPress(static_cast<wchar_t>(Message.WParam))) {
            Message.Result = 0;
            return;
        }
        break;
    case CM_WANTSPECIALKEY:
        // Enter and Escape close an open list instead of reaching the form's buttons.
        if ((Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE) && FHandle && DroppedDown()) {
            Message.Result = 1;
            return;
        }
        break;
    case CN_DELETEITEM: {
        // The system sends this for every line it removes, also while the window is
        // destroyed (after WM_DESTROY): those lines are kept, not deleted.
        auto* dis = reinterpret_cast<DELETEITEMSTRUCT*>(Message.LParam);
        if (!FWindowGoing)
            ItemDeleted(static_cast<int>(dis->itemID), reinterpret_cast<TObject*>(dis->itemData));
        dis->itemData = 0;
        Message.Result = 1;
        return;
    }
    case WM_DESTROY:
        if (!IsDestroying())
            SaveItems();
        FWindowGoing = true;
        UnhookEdit();
        FListHandle = nullptr;
        break;
    }
    TWinControl::WndProc(Message);
}

void TCustomComboBox::SetItemsWithoutStrings(bool Value) {
    if (Value == FItems.NoStrings)
        return;
    FItems.NoStrings = Value;
    RecreateWnd();
}

std::vector<TObject*> TCustomComboBox::DetachItemObjects() {
    std::vector<TObject*> objects;
    if (FHandle) {
        const int n = static_cast<int>(SendMessageW(FHandle, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i) {
            LRESULT data = SendMessageW(FHandle, CB_GETITEMDATA, static_cast<WPARAM>(i), 0);
            if (data != CB_ERR && data != 0)
                objects.push_back(reinterpret_cast<TObject*>(data));
            SendMessageW(FHandle, CB_SETITEMDATA, static_cast<WPARAM>(i), 0);
        }
    }
    for (TSavedItem& item : FItems.Saved) {
        if (item.Object)
            objects.push_back(item.Object);
        item.Object = nullptr;
    }
    return objects;
}

LRESULT TCustomComboBox::EditWndProc(UINT Msg, WPARAM WParam, LPARAM LParam) {
    HWND edit = FEditHandle;
    WNDPROC def = FEditDefProc;
    switch (Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        TMessage m{Msg, WParam, LParam, 0};
        if (DoKeyDown(m))
            return 0;
        WParam = m.WParam;
        break;
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
        TMessage m{Msg, WParam, LParam, 0};
        if (DoKeyUp(m))
            return 0;
        WParam = m.WParam;
        break;
    }
    case WM_CHAR: {
        TMessage m{Msg, WParam, LParam, 0};
        if (DoKeyPress(m))
            return 0;
        WParam = m.WParam;
        auto key = static_cast<wchar_t>(WParam);
        if (AutoComplete && EditStyleKeyPress(key))
            return 0;
        if ((key == VK_RETURN || key == VK_ESCAPE) && DroppedDown()) {
            SetDroppedDown(false);
            return 0;
        }
        break;
    }
    case WM_NCDESTROY:
        UnhookEdit();
        break;
    }
    return CallWindowProcW(def, edit, Msg, WParam, LParam);
}

bool TCustomComboBox::EditStyleKeyPress(wchar_t Key) {
    if (IsListStyle())
        return false;
    switch (Key) {
    case VK_TAB:
        if (AutoDropDown && DroppedDown())
            SetDroppedDown(false);
        return false;
    case VK_BACK:
    case VK_ESCAPE:
        return false;
    }
    if (AutoDropDown && !DroppedDown()) {
        // Opening the list may change the edit's text and selection: keep them.
        std::wstring text = GetText();
        DWORD start = 0, end = 0;
        SendMessageW(FHandle, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        SetDroppedDown(true);
        if (GetText() != text)
            SetTextSilently(text);
        SendMessageW(FHandle, CB_SETEDITSEL, 0, MAKELPARAM(start, end));
    }
    std::wstring text = GetText();
    int start = SelStart(), len = SelLength();
    if (start + len != static_cast<int>(text.size()))
        return false;
    return SelectItem(text.substr(0, static_cast<size_t>(start)) + Key);
}

bool TCustomComboBox::ListStyleKeyPress(wchar_t Key) {
    switch (Key) {
    case VK_BACK:
        if (!FSearchText.empty())
            FSearchText.pop_back();
        return false;
    case VK_TAB:
        if (AutoDropDown && DroppedDown())
            SetDroppedDown(false);
        return false;
    case VK_ESCAPE:
        return false;
    }
    if (AutoDropDown && !DroppedDown())
        SetDroppedDown(true);
    uint32_t now = SearchClock ? SearchClock() : GetTickCountMs();
    if (!FSearchTimeValid || now - FLastSearchTime >= IncrementalSearchResetMs)
        FSearchText.clear();
    FLastSearchTime = now;
    FSearchTimeValid = true;
    if (!SelectItem(FSearchText + Key))
        return false;
    FSearchText += Key;
    return true;
}

bool TCustomComboBox::SelectItem(const std::wstring& S) {
    if (S.empty())
        return false;
    int index = -1;
    if (UseWindow()) {
        LRESULT r = SendMessageW(FHandle, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(S.c_str()));
        index = r == CB_ERR ? -1 : static_cast<int>(r);
    } else {
        for (size_t i = 0; i < FItems.Saved.size() && index < 0; ++i)
            if (StartsWithIgnoringCase(FItems.Saved[i].Text, S))
                index = static_cast<int>(i);
    }
    if (index < 0)
        return false;
    std::wstring item = ItemText(index);
    bool changed = IsListStyle() ? index != ItemIndex() : item != GetText();
    if (AutoCloseUp && SameTextIgnoringCase(item, S) && FHandle && DroppedDown())
        SetDroppedDown(false);
    SetItemIndex(index);
    if (!IsListStyle()) {
        // What was typed keeps its case; the rest of the item follows, selected.
        std::wstring text = S + item.substr(std::min(S.size(), item.size()));
        SetTextSilently(text);
        if (FHandle)
            SendMessageW(FHandle, CB_SETEDITSEL, 0, MAKELPARAM(S.size(), text.size()));
    }
    if (changed) {
        Click();
        Change();
    }
    return true;
}

void TCustomComboBox::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomComboBox::DropDown() {
    if (OnDropDown)
        OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
    if (OnCloseUp)
        OnCloseUp(this);
}

void TCustomComboBox::DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) {
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    FCanvas.FillRect(Rect);
    if (Index >= 0)
        FCanvas.TextOut(Rect.left + 2, Rect.top, ItemText(Index));
}

void TCustomComboBox::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem)
        OnMeasureItem(this, Index, Height);
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    RecreateWnd();
}

void TCustomComboBox::SetSorted(bool Value) {
    if (Value == FSorted)
        return;
    FSorted = Value;
    RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int Value) {
    FMaxLength = std::max(Value, 0);
    if (FHandle)
        SendMessageW(FHandle, CB_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

int TCustomComboBox::ItemHeight() {
    if (FHandle && FStyle != csOwnerDrawFixed && FStyle != csOwnerDrawVariable)
        return static_cast<int>(SendMessageW(FHandle, CB_GETITEMHEIGHT, 0, 0));
    return FItemHeight;
}

void TCustomComboBox::SetItemHeight(int Value) {
    if (Value <= 0)
        return;
    FItemHeight = Value;
    if (FHandle && FStyle == csOwnerDrawFixed) {
        SendMessageW(FHandle, CB_SETITEMHEIGHT, 0, Value);
        Invalidate();
    }
}

bool TCustomComboBox::DroppedDown() { return FHandle && SendMessageW(FHandle, CB_GETDROPPEDSTATE, 0, 0) != 0; }

void TCustomComboBox::SetDroppedDown(bool Value) {
    if (Handle())
        SendMessageW(FHandle, CB_SHOWDROPDOWN, Value, 0);
}

int TCustomComboBox::ItemCount() { return FItems.Count(); }

std::wstring TCustomComboBox::ItemText(int Index) {
    std::wstring text;
    FItems.Text(Index, text);
    return text;
}

void TCustomComboBox::SetItemText(int Index, const std::wstring& S) {
    if (FItems.NoStrings || Index < 0 || Index >= ItemCount())
        return;
    TObject* obj = ItemObject(Index);
    int current = ItemIndex();
    DeleteItem(Index);
    InsertItem(Index, S, obj);
    if (current == Index)
        SetItemIndex(Index);
}

TObject* TCustomComboBox::ItemObject(int Index) { return FItems.Object(Index); }

void TCustomComboBox::SetItemObject(int Index, TObject* AObject) { FItems.SetObject(Index, AObject); }

int TCustomComboBox::AddItem(const std::wstring& S, TObject* AObject) { return FItems.Add(S, AObject, FSorted); }

void TCustomComboBox::InsertItem(int Index, const std::wstring& S, TObject* AObject) {
    FItems.Insert(Index, S, AObject);
}

void TCustomComboBox::DeleteItem(int Index) {
    // Without a window no system message reports the line: report it here.
    if (!UseWindow() && Index >= 0 && Index < static_cast<int>(FItems.Saved.size())) {
        TObject* object = FItems.Saved[static_cast<size_t>(Index)].Object;
        FItems.Delete(Index);
        if (object)
            ItemDeleted(Index, object);
        return;
    }
    FItems.Delete(Index);
}

void TCustomComboBox::ClearItems() {
    if (UseWindow()) {
        std::wstring text = GetText();
        FItems.Clear();
        if (!IsListStyle())
            SetTextSilently(text);
        Invalidate();
        return;
    }
    std::vector<TSavedItem> gone;
    gone.swap(FItems.Saved);
    FItems.Clear();
    for (size_t i = gone.size(); i-- > 0;) // the last line first, as the system does
        if (gone[i].Object)
            ItemDeleted(static_cast<int>(i), gone[i].Object);
}

int TCustomComboBox::IndexOfItem(const std::wstring& S) { return FItems.IndexOf(S); }

int TCustomComboBox::ItemIndex() { return FItems.ItemIndex(); }

void TCustomComboBox::SetItemIndex(int Value) { FItems.SetItemIndex(Value); }

int TCustomComboBox::SelStart() {
    if (!FHandle)
        return 0;
    DWORD start = 0, end = 0;
    SendMessageW(FHandle, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

void TCustomComboBox::SetSelStart(int Value) {
    if (Handle())
        SendMessageW(FHandle, CB_SETEDITSEL, 0, MAKELPARAM(Value, Value));
}

int TCustomComboBox::SelLength() {
    if (!FHandle)
        return 0;
    DWORD start = 0, end = 0;
    SendMessageW(FHandle, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomComboBox::SetSelLength(int Value) {
    int start = SelStart();
    if (Handle())
        SendMessageW(FHandle, CB_SETEDITSEL, 0, MAKELPARAM(start, start + Value));
}

std::wstring TCustomComboBox::SelText() {
    int start = SelStart(), len = SelLength();
    std::wstring text = GetText();
    if (start >= static_cast<int>(text.size()) || len <= 0)
        return L"";
    return text.substr(static_cast<size_t>(start), static_cast<size_t>(len));
}

void TCustomComboBox::SelectAll() {
    if (FHandle)
        SendMessageW(FHandle, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}
