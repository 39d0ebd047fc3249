// COM for the main thread: initialised by start-up code and released at shutdown.
#pragma once

#include "System.h"

// Initialises COM for the calling thread (CoInitialize). A failing result other than
// S_FALSE raises EOSError; CoUninitialize follows on destruction.
class TComInitializer {
public:
    TComInitializer();
    ~TComInitializer();
    TComInitializer(const TComInitializer&) = delete;
    TComInitializer& operator=(const TComInitializer&) = delete;
    HRESULT Result() const { return FResult; }

private:
    HRESULT FResult;
};
