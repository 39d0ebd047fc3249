// COM and OLE start-up of a thread.
#include "UComInit.h"

#include "SysUtils.h"

#include <objbase.h>
#include <ole2.h>

namespace {
HRESULT Checked(HRESULT Result, const wchar_t* What) {
    if (FAILED(Result))
        throw EOSError(std::wstring(What) + L" failed: 0x" + IntToHex(static_cast<uint32_t>(Result), 8),
                       static_cast<DWORD>(Result));
    return Result;
}
} // namespace

TComInitializer::TComInitializer() : FResult(Checked(CoInitialize(nullptr), L"CoInitialize")) {}

TComInitializer::~TComInitializer() { CoUninitialize(); }

TOleInitializer::TOleInitializer() : FResult(Checked(OleInitialize(nullptr), L"OleInitialize")) {}

TOleInitializer::~TOleInitializer() { OleUninitialize(); }
