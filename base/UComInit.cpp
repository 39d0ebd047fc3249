// COM start-up of the main thread.
#include "UComInit.h"

#include "SysUtils.h"

#include <objbase.h>

TComInitializer::TComInitializer() : FResult(CoInitialize(nullptr)) {
    if (FAILED(FResult))
        throw EOSError(L"CoInitialize failed: 0x" + IntToHex(static_cast<uint32_t>(FResult), 8),
                       static_cast<DWORD>(FResult));
}

TComInitializer::~TComInitializer() { CoUninitialize(); }
