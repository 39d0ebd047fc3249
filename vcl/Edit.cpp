// TCustomEdit (a one-line edit box) and TCustomMemo (an edit box of several lines).
#include "StdCtrls.h"
#include "StdCtrlsInternal.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

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
