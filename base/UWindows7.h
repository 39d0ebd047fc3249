// The program's application user model id and progress on its taskbar button (Windows
// 6.1 and later; elsewhere every call does nothing).
#pragma once

#include "Classes.h"
#include "System.h"

#include <shobjidl.h>

#include <cstdint>
#include <string>

// Holds one COM interface pointer and releases it.
template <class I>
class TComRef {
public:
    TComRef() = default;
    ~TComRef() { Reset(); }
    TComRef(const TComRef&) = delete;
    TComRef& operator=(const TComRef&) = delete;
    I* Get() const { return FPtr; }
    I* operator->() const { return FPtr; }
    explicit operator bool() const { return FPtr != nullptr; }
    // The address to receive a new pointer (the old one is released first).
    I** Put() {
        Reset();
        return &FPtr;
    }
    void Reset() {
        if (FPtr)
            FPtr->Release();
        FPtr = nullptr;
    }

private:
    I* FPtr = nullptr;
};

class TWindows7 : public TObject {
public:
    VORLANE_CLASS_NAME(TWindows7)
    // On Windows 6.1 or later: sets AppID (when not empty) as the process's application
    // user model id and creates the taskbar object. While it lives it also takes the
    // taskbar progress of long conversions.
    explicit TWindows7(const std::wstring& AppID);
    ~TWindows7() override;

    TComRef<ITaskbarList> TaskbarList;
    TComRef<ITaskbarList2> TaskbarList2;
    TComRef<ITaskbarList3> TaskbarList3;
    HWND WindowHandle = nullptr; // the application window; null when not known
    HMODULE Shell32Module = nullptr;

    // State: TBPF_NOPROGRESS (0), TBPF_NORMAL (2) ... Raise EOleError when the call fails.
    void SetProgressState(int State);
    void SetProgressValue(uint64_t Completed, uint64_t Total);
};

VORLANE_DECLARE_EXCEPTION(EOleError, Exception);

// True on Windows 6.1 (7) and later.
bool IsWindows7OrLater();
