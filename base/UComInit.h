// COM and OLE for a thread: initialised by start-up code (or a worker that needs COM) and
// released when the holder goes, in reverse order of the start.
#pragma once

#include "System.h"

// What both holders below share: the result of the start, and the undoing step that runs
// when the holder goes. A failing start (S_FALSE, "already initialised", is not one) raises
// EOSError, and then nothing is undone.
class TThreadInitializer {
public:
    TThreadInitializer(const TThreadInitializer&) = delete;
    TThreadInitializer& operator=(const TThreadInitializer&) = delete;
    HRESULT Result() const { return FResult; }

protected:
    using TUndo = void(WINAPI*)();
    TThreadInitializer(HRESULT Result, const wchar_t* What, TUndo Undo);
    ~TThreadInitializer() { FUndo(); }

private:
    HRESULT FResult;
    TUndo FUndo;
};

// Initialises COM for the calling thread (CoInitialize: single-threaded apartment);
// CoUninitialize follows on destruction.
class TComInitializer : public TThreadInitializer {
public:
    TComInitializer();
};

// Initialises OLE for the calling thread (OleInitialize; COM comes with it). Drag and drop
// (RegisterDragDrop), the OLE clipboard and in-place activation of embedded controls need
// it; it belongs on the GUI thread. A thread already in the multi-threaded apartment cannot
// have it (EOSError). OleUninitialize follows on destruction.
class TOleInitializer : public TThreadInitializer {
public:
    TOleInitializer();
};
