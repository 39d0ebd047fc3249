// COM and OLE for a thread: initialised by start-up code (or a worker that needs COM) and
// released when the holder goes, in reverse order of the start.
#pragma once

#include "System.h"

// Initialises COM for the calling thread (CoInitialize: single-threaded apartment). A
// failing result (S_FALSE, "already initialised", is not one) raises EOSError;
// CoUninitialize follows on destruction.
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

// Initialises OLE for the calling thread (OleInitialize; COM comes with it). Drag and drop
// (RegisterDragDrop), the OLE clipboard and in-place activation of embedded controls need
// it; it belongs on the GUI thread. A thread already in the multi-threaded apartment
// cannot have it: that and every other failure raise EOSError. OleUninitialize follows on
// destruction.
class TOleInitializer {
public:
    TOleInitializer();
    ~TOleInitializer();
    TOleInitializer(const TOleInitializer&) = delete;
    TOleInitializer& operator=(const TOleInitializer&) = delete;
    HRESULT Result() const { return FResult; }

private:
    HRESULT FResult;
};
