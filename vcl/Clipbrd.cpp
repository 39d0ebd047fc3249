#include "Clipbrd.h"

#include "Handles.h"

#include <cstring>
#include <cwchar>
#include <memory>

TClipboard::~TClipboard() {
    while (FOpenRefCount > 0)
        Close();
    if (FOwner)
        DestroyWindow(FOwner);
}

HWND TClipboard::OwnerWindow() {
    if (!FOwner)
        FOwner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                 nullptr);
    return FOwner;
}

void TClipboard::Open() {
    if (FOpenRefCount == 0) {
        // Another program may hold the clipboard for a moment.
        bool opened = false;
        for (int attempt = 0; attempt < 10 && !opened; ++attempt) {
            opened = OpenClipboard(OwnerWindow()) != FALSE;
            if (!opened)
                Sleep(10);
        }
        if (!opened)
            throw Exception(L"Cannot open clipboard");
        FEmptied = false;
    }
    ++FOpenRefCount;
}

void TClipboard::Close() {
    if (FOpenRefCount == 0)
        return;
    if (--FOpenRefCount == 0)
        CloseClipboard();
}

void TClipboard::Clear() {
    Open();
    EmptyClipboard();
    FEmptied = true;
    Close();
}

bool TClipboard::HasFormat(UINT Format) { return IsClipboardFormatAvailable(Format) != FALSE; }

int TClipboard::FormatCount() { return CountClipboardFormats(); }

UINT TClipboard::Formats(int Index) {
    Open();
    UINT format = 0;
    for (int i = 0; i <= Index; ++i) {
        format = EnumClipboardFormats(format);
        if (!format)
            break;
    }
    Close();
    return format;
}

void TClipboard::SetAsHandle(UINT Format, HANDLE Value) {
    // The clipboard takes the memory only when the data is set: until then it is ours.
    TGlobalMem owned(Value);
    Open();
    struct Closer {
        TClipboard* c;
        ~Closer() { c->Close(); }
    } closer{this};
    // The first format put on the clipboard while it is open replaces everything on it.
    if (!FEmptied) {
        EmptyClipboard();
        FEmptied = true;
    }
    if (!SetClipboardData(Format, Value))
        RaiseLastOSError(GetLastError());
    owned.Release(); // the clipboard's now
}

HANDLE TClipboard::GetAsHandle(UINT Format) {
    Open();
    HANDLE h = GetClipboardData(Format);
    Close();
    return h;
}

void TClipboard::SetBuffer(UINT Format, const void* Buffer, size_t Size) {
    TGlobalMem mem(GlobalAlloc(GMEM_MOVEABLE, Size));
    if (!mem)
        RaiseLastOSError();
    void* p = GlobalLock(mem.Get());
    if (!p)
        RaiseLastOSError(GetLastError());
    std::memcpy(p, Buffer, Size);
    GlobalUnlock(mem.Get());
    SetAsHandle(Format, mem.Release());
}

std::wstring TClipboard::AsText() {
    std::wstring text;
    Open();
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const wchar_t*>(GlobalLock(h))) {
            text.assign(p, wcsnlen(p, GlobalSize(h) / sizeof(wchar_t)));
            GlobalUnlock(h);
        }
    }
    Close();
    return text;
}

void TClipboard::SetAsText(const std::wstring& Value) {
    Open();
    struct Closer {
        TClipboard* c;
        ~Closer() { c->Close(); }
    } closer{this};
    SetBuffer(CF_UNICODETEXT, Value.c_str(), (Value.size() + 1) * sizeof(wchar_t));
}

TClipboard* Clipboard() {
    static std::unique_ptr<TClipboard> instance = std::make_unique<TClipboard>();
    return instance.get();
}
