// COM and OLE start-up of a thread.
#include "UComInit.h"

#include "SysUtils.h"

#include <objbase.h>
#include <ole2.h>

TThreadInitializer::TThreadInitializer(HRESULT Result, const wchar_t* What, TUndo Undo)
    : FResult(Result), FUndo(Undo) {
    if (FAILED(Result))
        throw EOSError(std::wstring(What) + L" failed: 0x" + IntToHex(static_cast<uint32_t>(Result), 8),
                       static_cast<DWORD>(Result));
}

TComInitializer::TComInitializer() : TThreadInitializer(CoInitialize(nullptr), L"CoInitialize", &CoUninitialize) {}

TOleInitializer::TOleInitializer() : TThreadInitializer(OleInitialize(nullptr), L"OleInitialize", &OleUninitialize) {}
