// The system clipboard: opened around each operation (nested Open/Close allowed), text
// in CF_UNICODETEXT.
#pragma once

#include "Classes.h"

#include <string>

class TClipboard : public TPersistent {
public:
    VORLANE_CLASS_NAME(TClipboard)
    TClipboard() = default;
    ~TClipboard() override;

    // Raises Exception "Cannot open clipboard" when another program keeps it.
    void Open();
    void Close();
    // Empties the clipboard (this program becomes its owner).
    void Clear();
    bool HasFormat(UINT Format);
    int FormatCount();
    UINT Formats(int Index);

    std::wstring AsText();
    void SetAsText(const std::wstring& Value);
    // Takes ownership of a global memory handle for the format (the clipboard frees it).
    void SetAsHandle(UINT Format, HANDLE Value);
    HANDLE GetAsHandle(UINT Format);
    // Puts a block of bytes on the clipboard under Format (inside an open clipboard).
    void SetBuffer(UINT Format, const void* Buffer, size_t Size);

protected:
    // The clipboard is opened for this window (made on first use).
    HWND OwnerWindow();

private:
    int FOpenRefCount = 0;
    HWND FOwner = nullptr;
    bool FEmptied = false;
};

// The program's clipboard object (made on first use).
TClipboard* Clipboard();
