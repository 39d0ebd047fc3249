#include "UFindWin.h"

#include <cwchar>

namespace {

const wchar_t* const DialogClass = L"#32770";

bool HasClass(HWND Wnd, const wchar_t* Name) {
    wchar_t cls[64] = {};
    return GetClassNameW(Wnd, cls, 64) > 0 && wcscmp(cls, Name) == 0;
}

} // namespace

TFindWin::TFindWin(HWND OwnerWnd) : FOwner(OwnerWnd) {
    // Most of the time no dialog exists at all; the quick test spares the enumeration.
    if (FindWindowW(DialogClass, nullptr) == nullptr) return;
    EnumWindows(&TopLevelProc, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK TFindWin::TopLevelProc(HWND Wnd, LPARAM Self) {
    auto* self = reinterpret_cast<TFindWin*>(Self);
    return self->Examine(Wnd) ? FALSE : TRUE;
}

BOOL CALLBACK TFindWin::ChildProc(HWND Wnd, LPARAM Self) {
    auto* self = reinterpret_cast<TFindWin*>(Self);
    if (HasClass(Wnd, L"Button") && (GetWindowLongW(Wnd, GWL_STYLE) & 0xFF) == 0) {
        ++self->FButtonCount;
        if (self->FButtonCount == 1) self->FButton1 = Wnd;
        else if (self->FButtonCount == 2) self->FButton2 = Wnd;
    } else if (HasClass(Wnd, L"Edit")) {
        if (++self->FEditCount == 1) self->FEdit = Wnd;
    }
    return TRUE;
}

// True when Wnd is the Find dialog (the enumeration then stops).
bool TFindWin::Examine(HWND Wnd) {
    if (!HasClass(Wnd, DialogClass) || GetWindow(Wnd, GW_OWNER) != FOwner) return false;
    FEditCount = FButtonCount = 0;
    FEdit = FButton1 = FButton2 = nullptr;
    EnumChildWindows(Wnd, &ChildProc, reinterpret_cast<LPARAM>(this));
    if (FEditCount != 1 || FButtonCount != 2) return false;
    FDialog = Wnd;
    FFound = true;
    return true;
}

void TFindWin::CloseDialog() {
    if (!FFound) return;
    wchar_t text[257] = {};
    const int n = GetWindowTextW(FEdit, text, 257);
    FindText.assign(text, n > 0 ? static_cast<size_t>(n) : 0);
    SendMessageW(FDialog, WM_CLOSE, 0, 0);
}

bool ToggleFindDialog(HWND OwnerWnd, const std::function<void()>& OpenFind) {
    TFindWin find(OwnerWnd);
    if (find.Found()) {
        find.CloseDialog();
        return true;
    }
    if (OpenFind) OpenFind();
    return false;
}
