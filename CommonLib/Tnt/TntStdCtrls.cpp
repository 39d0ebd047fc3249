#include "TntStdCtrls.h"

#include <richedit.h>

#include <algorithm>

namespace {

// The hint of a control of the set is prepared as a wide hint.
bool PrepareHint(TMessage& Message) {
    if (Message.Msg == CM_HINTSHOW && Message.LParam)
        PrepareWideHintInfo(*reinterpret_cast<THintInfo*>(Message.LParam));
    return false;
}

const wchar_t* const CRLF = L"\r\n";

} // namespace

// ------------------------------------------------------------------ edit

void TTntCustomEdit::CreateWindowHandle(const TCreateParams& Params) { CreateUnicodeHandle(this, Params, L"EDIT"); }

void TTntCustomEdit::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomEdit::WndProc(Message);
}

// ------------------------------------------------------------------ memo lines

HWND TTntMemoStrings::MemoHandle() const { return FMemo->Handle(); }

int TTntMemoStrings::GetCount() const {
    HWND wnd = MemoHandle();
    auto count = static_cast<int>(SendMessageW(wnd, EM_GETLINECOUNT, 0, 0));
    // The empty line after a final line break is not a line of its own.
    LRESULT last = SendMessageW(wnd, EM_LINEINDEX, static_cast<WPARAM>(count - 1), 0);
    if (count > 0 && SendMessageW(wnd, EM_LINELENGTH, static_cast<WPARAM>(last), 0) == 0)
        --count;
    return count;
}

WideString TTntMemoStrings::Get(int Index) const {
    HWND wnd = MemoHandle();
    LRESULT start = SendMessageW(wnd, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
    LRESULT len = start < 0 ? 0 : SendMessageW(wnd, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    if (len <= 0)
        return L"";
    if (len > 65535)
        throw EOutOfResources(L"Line too long");
    WideString buf(static_cast<size_t>(len) + 1, L'\0');
    buf[0] = static_cast<wchar_t>(len); // EM_GETLINE reads the buffer size from its first character
    LRESULT got = SendMessageW(wnd, EM_GETLINE, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(buf.data()));
    buf.resize(static_cast<size_t>(std::clamp<LRESULT>(got, 0, len)));
    return buf;
}

void TTntMemoStrings::Put(int Index, const WideString& S) {
    HWND wnd = MemoHandle();
    LRESULT start = SendMessageW(wnd, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
    if (start < 0)
        return;
    LRESULT len = SendMessageW(wnd, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    SendMessageW(wnd, EM_SETSEL, static_cast<WPARAM>(start), start + len);
    SendMessageW(wnd, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(S.c_str()));
}

void TTntMemoStrings::Insert(int Index, const WideString& S) {
    if (Index < 0)
        return;
    HWND wnd = MemoHandle();
    LRESULT start = SendMessageW(wnd, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
    WideString line;
    if (start >= 0) {
        line = S + CRLF;
    } else {
        // Past the end: after the last line, unless that line is empty or absent.
        start = SendMessageW(wnd, EM_LINEINDEX, static_cast<WPARAM>(Index - 1), 0);
        if (start < 0)
            return;
        LRESULT len = SendMessageW(wnd, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
        if (len == 0)
            return;
        start += len;
        line = CRLF + S;
    }
    bool checked = RichEditMode && LineBreakStyle != tlbsCRLF;
    if (checked) {
        line = WideAdjustLineBreaks(line, LineBreakStyle);
        if (line == L"\r")
            line = CRLF;
    }
    SendMessageW(wnd, EM_SETSEL, static_cast<WPARAM>(start), start);
    SendMessageW(wnd, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(line.c_str()));
    if (checked) {
        CHARRANGE range{};
        SendMessageW(wnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        if (range.cpMin != start + static_cast<LONG>(line.size()))
            throw EOutOfResources(L"RichEdit line insertion error");
    }
}

void TTntMemoStrings::Delete(int Index) {
    HWND wnd = MemoHandle();
    LRESULT start = SendMessageW(wnd, EM_LINEINDEX, static_cast<WPARAM>(Index), 0);
    if (start < 0)
        return;
    LRESULT end = SendMessageW(wnd, EM_LINEINDEX, static_cast<WPARAM>(Index + 1), 0);
    if (end < 0)
        end = start + SendMessageW(wnd, EM_LINELENGTH, static_cast<WPARAM>(start), 0);
    SendMessageW(wnd, EM_SETSEL, static_cast<WPARAM>(start), end);
    SendMessageW(wnd, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(L""));
}

void TTntMemoStrings::Clear() { FMemo->Clear(); }

WideString TTntMemoStrings::GetTextStr() const {
    if (RichEditMode)
        return TTntStrings::GetTextStr();
    return GetControlWideText(FMemo);
}

void TTntMemoStrings::SetTextStr(const WideString& Value) {
    WideString text = WideAdjustLineBreaks(Value, LineBreakStyle);
    if (text == GetTextStr())
        return;
    if (FMemo->Parent())
        FMemo->HandleNeeded();
    SetControlWideText(FMemo, text);
}

void TTntMemoStrings::SetUpdateState(bool Updating) {
    if (!FMemo->HandleAllocated())
        return;
    SendMessageW(FMemo->Handle(), WM_SETREDRAW, !Updating, 0);
    if (!Updating)
        FMemo->Refresh();
}

// ------------------------------------------------------------------ memo

TTntCustomMemo::TTntCustomMemo(TComponent* AOwner)
    : TCustomMemo(AOwner), FLines(std::make_unique<TTntMemoStrings>(this)) {}

TTntCustomMemo::~TTntCustomMemo() = default;

void TTntCustomMemo::CreateWindowHandle(const TCreateParams& Params) { CreateUnicodeHandle(this, Params, L"EDIT"); }

void TTntCustomMemo::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomMemo::WndProc(Message);
}

// ------------------------------------------------------------------ combo box items

WideString TTntComboBoxStrings::Get(int Index) const { return FComboBox->ItemText(Index); }
int TTntComboBoxStrings::GetCount() const { return FComboBox->ItemCount(); }
TObject* TTntComboBoxStrings::GetObject(int Index) const { return FComboBox->ItemObject(Index); }
void TTntComboBoxStrings::Put(int Index, const WideString& S) { FComboBox->SetItemText(Index, S); }
void TTntComboBoxStrings::PutObject(int Index, TObject* AObject) { FComboBox->SetItemObject(Index, AObject); }
int TTntComboBoxStrings::Add(const WideString& S) { return FComboBox->AddItem(S); }
int TTntComboBoxStrings::AddObject(const WideString& S, TObject* AObject) { return FComboBox->AddItem(S, AObject); }
void TTntComboBoxStrings::Clear() { FComboBox->ClearItems(); }
void TTntComboBoxStrings::Delete(int Index) { FComboBox->DeleteItem(Index); }
int TTntComboBoxStrings::IndexOf(const WideString& S) const { return FComboBox->IndexOfItem(S); }
void TTntComboBoxStrings::Insert(int Index, const WideString& S) { FComboBox->InsertItem(Index, S); }

void TTntComboBoxStrings::InsertObject(int Index, const WideString& S, TObject* AObject) {
    FComboBox->InsertItem(Index, S, AObject);
}

void TTntComboBoxStrings::SetUpdateState(bool Updating) {
    if (!FComboBox->HandleAllocated())
        return;
    SendMessageW(FComboBox->Handle(), WM_SETREDRAW, !Updating, 0);
    if (!Updating)
        FComboBox->Refresh();
}

// ------------------------------------------------------------------ combo box

TTntCustomComboBox::TTntCustomComboBox(TComponent* AOwner)
    : TCustomComboBox(AOwner), FItems(std::make_unique<TTntComboBoxStrings>(this)) {}

TTntCustomComboBox::~TTntCustomComboBox() = default;

void TTntCustomComboBox::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle(this, Params, L"COMBOBOX");
}

void TTntCustomComboBox::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomComboBox::WndProc(Message);
}

// ------------------------------------------------------------------ list box items

WideString TTntListBoxStrings::Get(int Index) const { return FListBox->ItemText(Index); }
int TTntListBoxStrings::GetCount() const { return FListBox->ItemCount(); }
TObject* TTntListBoxStrings::GetObject(int Index) const { return FListBox->ItemObject(Index); }
void TTntListBoxStrings::Put(int Index, const WideString& S) { FListBox->SetItemText(Index, S); }
void TTntListBoxStrings::PutObject(int Index, TObject* AObject) { FListBox->SetItemObject(Index, AObject); }
int TTntListBoxStrings::Add(const WideString& S) { return FListBox->AddItem(S); }
int TTntListBoxStrings::AddObject(const WideString& S, TObject* AObject) { return FListBox->AddItem(S, AObject); }
void TTntListBoxStrings::Clear() { FListBox->ClearItems(); }
void TTntListBoxStrings::Delete(int Index) { FListBox->DeleteItem(Index); }
int TTntListBoxStrings::IndexOf(const WideString& S) const { return FListBox->IndexOfItem(S); }
void TTntListBoxStrings::Insert(int Index, const WideString& S) { FListBox->InsertItem(Index, S); }

void TTntListBoxStrings::InsertObject(int Index, const WideString& S, TObject* AObject) {
    FListBox->InsertItem(Index, S, AObject);
}

void TTntListBoxStrings::Exchange(int Index1, int Index2) {
    WithUpdate([&] { FListBox->ExchangeItems(Index1, Index2); });
}

void TTntListBoxStrings::Move(int CurIndex, int NewIndex) {
    WithUpdate([&] { FListBox->MoveItem(CurIndex, NewIndex); });
}

void TTntListBoxStrings::SetUpdateState(bool Updating) {
    if (!FListBox->HandleAllocated())
        return;
    SendMessageW(FListBox->Handle(), WM_SETREDRAW, !Updating, 0);
    if (!Updating)
        FListBox->Refresh();
}

// ------------------------------------------------------------------ list box

TTntCustomListBox::TTntCustomListBox(TComponent* AOwner)
    : TCustomListBox(AOwner), FItems(std::make_unique<TTntListBoxStrings>(this)) {}

TTntCustomListBox::~TTntCustomListBox() = default;

void TTntCustomListBox::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle(this, Params, L"LISTBOX");
}

void TTntCustomListBox::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomListBox::WndProc(Message);
}

// ------------------------------------------------------------------ label, buttons, group box

void TTntCustomLabel::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomLabel::WndProc(Message);
}

void TTntButton::CreateWindowHandle(const TCreateParams& Params) { CreateUnicodeHandle(this, Params, L"BUTTON"); }

void TTntButton::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TButton::WndProc(Message);
}

void TTntCustomCheckBox::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle(this, Params, L"BUTTON");
}

void TTntCustomCheckBox::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomCheckBox::WndProc(Message);
}

void TTntCustomGroupBox::CreateWindowHandle(const TCreateParams& Params) { CreateUnicodeHandle(this, Params, L""); }

void TTntCustomGroupBox::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomGroupBox::WndProc(Message);
}
