#include "StdCtrls.h"

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

bool SameTextIgnoringCase(const std::wstring& A, const std::wstring& B) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.c_str(), static_cast<int>(A.size()), B.c_str(),
                          static_cast<int>(B.size())) == CSTR_EQUAL;
}

bool StartsWithIgnoringCase(const std::wstring& S, const std::wstring& Prefix) {
    return S.size() >= Prefix.size() && SameTextIgnoringCase(S.substr(0, Prefix.size()), Prefix);
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

// The owner-draw messages of a combo or list box: CN_DRAWITEM paints one item with the
// canvas set up (selection colours, focus rectangle); CN_MEASUREITEM asks Measure for the
// height of an item of the variable style (never of a combo box's edit part, item -1).
// True when Message was one of the two and has been answered.
template <class FDraw, class FMeasure>
bool OwnerDrawMessage(TWinControl* Control, TCanvas& Canvas, TMessage& Message, int ItemHeight, bool VariableHeight,
                      FDraw&& Draw, FMeasure&& Measure) {
    if (Message.Msg == CN_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        int h = ItemHeight;
        if (VariableHeight && static_cast<int>(mis->itemID) >= 0)
            Measure(static_cast<int>(mis->itemID), h);
        mis->itemHeight = static_cast<UINT>(std::max(h, 1));
        Message.Result = 1;
        return true;
    }
    if (Message.Msg != CN_DRAWITEM)
        return false;
    const DRAWITEMSTRUCT& item = *reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    TOwnerDrawState state = OwnerDrawStateOf(item.itemState);
    Canvas.SetHandle(item.hDC);
    struct Release {
        TCanvas& c;
        ~Release() { c.SetHandle(nullptr); }
    } release{Canvas};
    Canvas.Font()->Assign(Control->Font());
    if (state & odSelected) {
        Canvas.Brush()->SetColor(clHighlight);
        Canvas.Font()->SetColor(clHighlightText);
    } else {
        Canvas.Brush()->SetColor(Control->Color());
        Canvas.Font()->SetColor(Control->TextPaintColor());
    }
    Draw(static_cast<int>(item.itemID), item.rcItem, state);
    if ((state & odFocused) && !(state & odComboBoxEdit))
        DrawFocusRect(item.hDC, &item.rcItem);
    Message.Result = 1;
    return true;
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

[[noreturn]] void UnableToInsert() { throw EOutOfResources(L"Unable to insert a line"); }

const TItemStore::TMessages ComboMessages{
    CB_GETCOUNT,     CB_GETLBTEXTLEN, CB_GETLBTEXT,    CB_GETITEMDATA,     CB_SETITEMDATA, CB_ADDSTRING,
    CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_FINDSTRINGEXACT, CB_GETCURSEL,   CB_SETCURSEL};
const TItemStore::TMessages ListMessages{
    LB_GETCOUNT,     LB_GETTEXTLEN,   LB_GETTEXT,      LB_GETITEMDATA,     LB_SETITEMDATA, LB_ADDSTRING,
    LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT, LB_FINDSTRINGEXACT, LB_GETCURSEL,   LB_SETCURSEL};

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

// ------------------------------------------------------------------ TCustomEdit

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    FColor = clWindow;
    SetBounds(0, 0, 121, 21);
}

void TCustomEdit::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"EDIT");
    Params.Style |= ES_AUTOHSCROLL | ES_AUTOVSCROLL;
    static const DWORD alignments[] = {ES_LEFT, ES_RIGHT, ES_CENTER};
    Params.Style |= alignments[FAlignment];
    if (FReadOnly)
        Params.Style |= ES_READONLY;
    if (FPasswordChar)
        Params.Style |= ES_PASSWORD;
    if (!FHideSelection)
        Params.Style |= ES_NOHIDESEL;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateWnd() {
    TWinControl::CreateWnd();
    // Always: 0 lifts the system's default limit of about 32,000 characters.
    SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
    if (FPasswordChar)
        SendMessageW(FHandle, EM_SETPASSWORDCHAR, FPasswordChar, 0);
    SendMessageW(FHandle, EM_SETMODIFY, FModified, 0);
}

void TCustomEdit::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == EN_CHANGE)
            Change();
        Message.Result = 0;
        return;
    case WM_DESTROY:
        if (!IsDestroying())
            FModified = SendMessageW(FHandle, EM_GETMODIFY, 0, 0) != 0;
        break;
    }
    TWinControl::WndProc(Message);
}

void TCustomEdit::Change() {
    if (OnChange)
        OnChange(this);
}

void TCustomEdit::DoEnter() {
    if (AutoSelect && FHandle && !(GetWindowLongW(FHandle, GWL_STYLE) & ES_MULTILINE) && GetKeyState(VK_LBUTTON) >= 0)
        SelectAll();
    TWinControl::DoEnter();
}

void TCustomEdit::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (FHandle)
        SendMessageW(FHandle, EM_SETREADONLY, Value, 0);
}

void TCustomEdit::SetMaxLength(int Value) {
    FMaxLength = std::max(Value, 0);
    if (FHandle)
        SendMessageW(FHandle, EM_LIMITTEXT, static_cast<WPARAM>(FMaxLength), 0);
}

void TCustomEdit::SetPasswordChar(wchar_t Value) {
    if (Value == FPasswordChar)
        return;
    FPasswordChar = Value;
    if (FHandle) {
        SendMessageW(FHandle, EM_SETPASSWORDCHAR, Value, 0);
        Invalidate();
    }
}

void TCustomEdit::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    RecreateWnd();
}

void TCustomEdit::SetHideSelection(bool Value) {
    if (Value == FHideSelection)
        return;
    FHideSelection = Value;
    RecreateWnd();
}

int TCustomEdit::SelStart() {
    if (!FHandle)
        return 0;
    DWORD start = 0, end = 0;
    SendMessageW(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

void TCustomEdit::SetSelStart(int Value) {
    if (Handle())
        SendMessageW(FHandle, EM_SETSEL, static_cast<WPARAM>(Value), Value);
}

int TCustomEdit::SelLength() {
    if (!FHandle)
        return 0;
    DWORD start = 0, end = 0;
    SendMessageW(FHandle, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

void TCustomEdit::SetSelLength(int Value) {
    int start = SelStart();
    if (Handle())
        SendMessageW(FHandle, EM_SETSEL, static_cast<WPARAM>(start), start + Value);
}

std::wstring TCustomEdit::SelText() {
    int start = SelStart(), len = SelLength();
    std::wstring text = GetText();
    if (start >= static_cast<int>(text.size()) || len <= 0)
        return L"";
    return text.substr(static_cast<size_t>(start), static_cast<size_t>(len));
}

void TCustomEdit::SetSelText(const std::wstring& Value) {
    if (Handle())
        SendMessageW(FHandle, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(Value.c_str()));
}

void TCustomEdit::SelectAll() {
    if (FHandle)
        SendMessageW(FHandle, EM_SETSEL, 0, -1);
}

bool TCustomEdit::Modified() { return FHandle ? SendMessageW(FHandle, EM_GETMODIFY, 0, 0) != 0 : FModified; }

void TCustomEdit::SetModified(bool Value) {
    FModified = Value;
    if (FHandle)
        SendMessageW(FHandle, EM_SETMODIFY, Value, 0);
}

void TCustomEdit::CopyToClipboard() { Perform(WM_COPY); }
void TCustomEdit::CutToClipboard() { Perform(WM_CUT); }
void TCustomEdit::PasteFromClipboard() { Perform(WM_PASTE); }
void TCustomEdit::Undo() { Perform(WM_UNDO); }

// ------------------------------------------------------------------ TCustomMemo

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner) {
    AutoSelect = false;
    SetBounds(0, 0, 185, 89);
}

void TCustomMemo::CreateParams(TCreateParams& Params) {
    TCustomEdit::CreateParams(Params);
    Params.Style &= ~static_cast<DWORD>(ES_AUTOHSCROLL);
    Params.Style |= ES_MULTILINE | (FWordWrap ? 0 : ES_AUTOHSCROLL);
    if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
        Params.Style |= WS_HSCROLL;
    if (FScrollBars == ssVertical || FScrollBars == ssBoth)
        Params.Style |= WS_VSCROLL;
}

void TCustomMemo::WndProc(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        TCustomEdit::WndProc(Message);
        if (WantTabs)
            Message.Result |= DLGC_WANTTAB;
        else
            Message.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
        if (!WantReturns)
            Message.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
        return;
    }
    TCustomEdit::WndProc(Message);
}

void TCustomMemo::SetWordWrap(bool Value) {
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    RecreateWnd();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
    if (Value == FScrollBars)
        return;
    FScrollBars = Value;
    RecreateWnd();
}

int TCustomMemo::LineCount() {
    return FHandle ? static_cast<int>(SendMessageW(FHandle, EM_GETLINECOUNT, 0, 0)) : 0;
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

// ------------------------------------------------------------------ TCustomLabel

namespace {

// Letters of the right-to-left scripts, and halves of surrogate pairs: text DrawText shapes.
bool NeedsShaping(wchar_t C) {
    return (C >= 0x0590 && C <= 0x08FF) || (C >= 0xD800 && C <= 0xDFFF) || (C >= 0xFB1D && C <= 0xFEFF);
}

// Draws one line of text with each letter at the width the font reports for it, as
// DrawText would place the line within Rect; false (nothing drawn) for text DrawText must lay
// out itself (several lines, tabs, word wrap, measuring, shaped scripts, a key's underline). Some fonts draw
// letters narrower and figures wider than those widths (Wine's Tahoma at its small bitmap
// sizes) while the underline of an underlined font, and a label's size, follow the widths:
// placed this way the text ends where the underline and the label do, and a right-aligned
// line keeps its last figure.
bool DrawLineAtReportedWidths(TCanvas& Canvas, const std::wstring& Text, const RECT& Rect, UINT Flags) {
    if ((Flags & (DT_CALCRECT | DT_WORDBREAK)) || Text.find_first_of(L"\r\n\t") != std::wstring::npos ||
        std::any_of(Text.begin(), Text.end(), NeedsShaping) ||
        (!(Flags & DT_NOPREFIX) && Text.find(L'&') != std::wstring::npos)) // DrawText underlines the key
        return false;
    if (Text.empty())
        return true;
    std::wstring shown = Text;
    if (Flags & DT_RTLREADING) {
        // Read right to left, the words keep their order and the marks and spaces before and
        // after them go to the other side ("Catalog Select:" shows as ":Catalog Select").
        // Marks that would be mirrored (brackets) are left to DrawText.
        const auto word = [](wchar_t C) { return iswalnum(C) != 0; };
        const auto first = std::find_if(Text.begin(), Text.end(), word);
        const auto last = std::find_if(Text.rbegin(), Text.rend(), word).base();
        if (first == Text.end() ||
            !std::all_of(Text.begin(), first, [](wchar_t C) { return wcschr(L" .,:;!?-", C) != nullptr; }) ||
            !std::all_of(last, Text.end(), [](wchar_t C) { return wcschr(L" .,:;!?-", C) != nullptr; }))
            return false;
        shown = std::wstring(Text.rbegin(), std::wstring::const_reverse_iterator(last)) + std::wstring(first, last) +
                std::wstring(std::wstring::const_reverse_iterator(first), Text.rend());
    }
    HDC dc = Canvas.Handle();
    if (!dc)
        return true;
    Canvas.RequireFont();
    const int count = static_cast<int>(shown.size());
    std::vector<int> ends(shown.size()), widths(shown.size());
    SIZE size{};
    int fit = 0;
    if (!GetTextExtentExPointW(dc, shown.c_str(), count, 0, &fit, ends.data(), &size))
        return false;
    for (int i = 0; i < count; ++i)
        widths[i] = ends[i] - (i ? ends[i - 1] : 0);
    int x = Rect.left;
    if (Flags & DT_RIGHT)
        x = Rect.right - size.cx;
    else if (Flags & DT_CENTER)
        x = (Rect.left + Rect.right - size.cx) / 2;
    Canvas.Changing();
    SetBkMode(dc, TRANSPARENT);
    const UINT align = SetTextAlign(dc, TA_LEFT | TA_TOP);
    ExtTextOutW(dc, x, Rect.top, 0, nullptr, shown.c_str(), static_cast<UINT>(count), widths.data());
    SetTextAlign(dc, align);
    Canvas.Changed();
    return true;
}

} // namespace

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle |= csOpaque;
    FParentColor = true;
    SetBounds(0, 0, 65, 17);
}

std::wstring TCustomLabel::GetLabelText() { return GetText(); }

void TCustomLabel::DoDrawText(RECT& Rect, UINT Flags) {
    std::wstring text = GetLabelText();
    // An empty caption still takes one line.
    if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == L"&")))
        text = L" ";
    if (!FShowAccelChar)
        Flags |= DT_NOPREFIX;
    Flags |= DrawTextBiDiModeFlagsReadingOnly();
    FCanvas.Font()->Assign(&FFont);
    FCanvas.Font()->SetColor(TextPaintColor());
    // One line ends where its measured width does (and an underlined one with its underline).
    auto draw = [&] {
        if (!DrawLineAtReportedWidths(FCanvas, text, Rect, Flags))
            FCanvas.DrawText(text, Rect, Flags);
    };
    if (!FEnabled) {
        OffsetRect(&Rect, 1, 1);
        FCanvas.Font()->SetColor(clBtnHighlight);
        draw();
        OffsetRect(&Rect, -1, -1);
        FCanvas.Font()->SetColor(clBtnShadow);
        draw();
    } else {
        draw();
    }
}

void TCustomLabel::Paint() {
    RECT r = ClientRect();
    if (!FTransparent) {
        FCanvas.Brush()->SetColor(FColor);
        FCanvas.Brush()->SetStyle(bsSolid);
        FCanvas.FillRect(r);
    }
    FCanvas.Brush()->SetStyle(bsClear);
    static const UINT alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    TAlignment a = FAlignment;
    if (UseRightToLeftAlignment() && a != taCenter)
        a = a == taLeftJustify ? taRightJustify : taLeftJustify;
    UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | alignments[a];
    if (FLayout != tlTop) {
        RECT calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        int shift = FLayout == tlBottom ? FHeight - calc.bottom : (FHeight - calc.bottom) / 2;
        OffsetRect(&r, 0, shift);
    }
    DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || FAdjusting)
        return;
    RECT r = ClientRect();
    HDC dc = GetDC(nullptr);
    FCanvas.SetHandle(dc);
    DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    FCanvas.SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    int x = FLeft;
    TAlignment a = FAlignment;
    if (UseRightToLeftAlignment() && a != taCenter)
        a = a == taLeftJustify ? taRightJustify : taLeftJustify;
    if (a == taRightJustify)
        x += FWidth - r.right;
    FAdjusting = true;
    SetBounds(x, FTop, r.right, r.bottom);
    FAdjusting = false;
}

void TCustomLabel::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        break;
    case CM_DIALOGCHAR:
        if (FFocusControl && FEnabled && FShowAccelChar &&
            IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    }
    TGraphicControl::WndProc(Message);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FFocusControl)
        FFocusControl = nullptr;
}

void TCustomLabel::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
    if (Value == FLayout)
        return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
    if (Value == FTransparent)
        return;
    FTransparent = Value;
    if (Value)
        ControlStyle &= ~static_cast<unsigned>(csOpaque);
    else
        ControlStyle |= csOpaque;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
    if (Value == FShowAccelChar)
        return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value)
        Value->FreeNotification(this);
}

// ------------------------------------------------------------------ TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    ControlStyle &= ~static_cast<unsigned>(csClickEvents); // BN_CLICKED clicks
    SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"BUTTON");
    // Centred also where right-to-left reading adds WS_EX_RIGHT, which would put the
    // caption at the button's right edge.
    Params.Style |= (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_CENTER;
}

void TButton::SetDefault(bool Value) {
    if (Value == FDefault)
        return;
    FDefault = Value;
    if (FHandle)
        SendMessageW(FHandle, BM_SETSTYLE, (Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_CENTER, TRUE);
}

bool TButton::IsActiveDefault() {
    TCustomForm* form = GetParentForm(this);
    TWinControl* active = form ? form->ActiveControl() : nullptr;
    if (active && dynamic_cast<TButton*>(active))
        return active == this; // a focused button takes Enter itself
    return FDefault;
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this))
        form->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED)
            Click();
        Message.Result = 0;
        return;
    case CM_DIALOGKEY:
        if (((Message.WParam == VK_RETURN && IsActiveDefault()) || (Message.WParam == VK_ESCAPE && FCancel)) &&
            (KeyDataToShiftState(Message.LParam) & (ssShift | ssAlt | ssCtrl)) == 0 && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    }
    TWinControl::WndProc(Message);
}

// ------------------------------------------------------------------ TCustomCheckBox

namespace {
// Check boxes and radio buttons put their text on the left of the mark when aligned left
// (mirrored under right-to-left reading).
DWORD CheckTextSideStyle(TAlignment Alignment, bool RightToLeft) {
    if (RightToLeft)
        Alignment = Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    return Alignment == taLeftJustify ? BS_LEFTTEXT : 0;
}
} // namespace

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    ControlStyle &= ~static_cast<unsigned>(csClickEvents);
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"BUTTON");
    Params.Style |= BS_3STATE | CheckTextSideStyle(FAlignment, UseRightToLeftAlignment());
}

void TCustomCheckBox::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
    if (Value == FState)
        return;
    FState = Value;
    if (FHandle)
        SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(Value), 0);
    Click();
}

void TCustomCheckBox::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    RecreateWnd();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked: SetState(AllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TCustomCheckBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED)
            Toggle();
        Message.Result = 0;
        return;
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && CanFocus()) {
            SetFocus();
            if (Focused())
                Toggle();
            Message.Result = 1;
            return;
        }
        break;
    }
    TWinControl::WndProc(Message);
}

// ------------------------------------------------------------------ TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle &= ~static_cast<unsigned>(csClickEvents);
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"BUTTON");
    Params.Style |= BS_RADIOBUTTON | CheckTextSideStyle(FAlignment, UseRightToLeftAlignment());
}

void TRadioButton::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool Value) {
    if (Value == FChecked)
        return;
    FChecked = Value;
    SetTabStop(Value);
    if (FHandle)
        SendMessageW(FHandle, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!Value)
        return;
    if (FParent)
        for (int i = 0; i < FParent->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(FParent->Controls(i)); other && other != this)
                other->SetChecked(false);
    Click();
}

void TRadioButton::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    RecreateWnd();
}

void TRadioButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED)
            SetChecked(true);
        else if (HIWORD(Message.WParam) == BN_DOUBLECLICKED)
            DblClick();
        Message.Result = 0;
        return;
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && CanFocus()) {
            SetFocus();
            SetChecked(true);
            Message.Result = 1;
            return;
        }
        break;
    }
    TWinControl::WndProc(Message);
}

// ------------------------------------------------------------------ TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 185, 105);
}

SIZE TCustomGroupBox::CaptionExtent() {
    HDC dc = GetDC(nullptr);
    TCanvas measure;
    measure.SetHandle(dc);
    measure.Font()->Assign(&FFont);
    std::wstring text = GetText();
    SIZE size = measure.TextExtent(text.empty() ? std::wstring(L"0") : text);
    if (text.empty())
        size.cx = 0;
    measure.SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    return size;
}

void TCustomGroupBox::AdjustClientRect(RECT& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    Rect.top += CaptionExtent().cy;
    InflateRect(&Rect, -2, -2);
}

void TCustomGroupBox::Paint() {
    FCanvas.Font()->Assign(&FFont);
    SIZE text = CaptionExtent();
    int h = text.cy;
    RECT r{0, h / 2 - 1, FWidth, FHeight};
    // The 3D frame: a highlight line, and a shadow line one pixel up and left of it.
    r.left += 1;
    r.top += 1;
    FCanvas.Brush()->SetColor(clBtnHighlight);
    FCanvas.FrameRect(r);
    OffsetRect(&r, -1, -1);
    FCanvas.Brush()->SetColor(clBtnShadow);
    FCanvas.FrameRect(r);
    std::wstring caption = GetText();
    if (caption.empty())
        return;
    // The caption sits in a gap of the frame, on the control's colour.
    RECT cr{8, 0, 0, h};
    UINT bidi = DrawTextBiDiModeFlagsReadingOnly();
    FCanvas.DrawText(caption, cr, DT_CALCRECT | DT_SINGLELINE | bidi);
    if (UseRightToLeftAlignment())
        OffsetRect(&cr, FWidth - 16 - (cr.right - cr.left), 0);
    FCanvas.Brush()->SetColor(FColor);
    FCanvas.FillRect(cr);
    FCanvas.DrawText(caption, cr, DT_SINGLELINE | bidi);
}

void TCustomGroupBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && CanFocus()) {
            SelectNext(nullptr, true, true); // the first child that takes the focus
            Message.Result = 1;
            return;
        }
        break;
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    case CM_FONTCHANGED:
        Realign();
        Invalidate();
        break;
    }
    TCustomControl::WndProc(Message);
}
