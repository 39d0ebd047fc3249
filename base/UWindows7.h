// The program's application user model id and progress on its taskbar button (Windows
// 6.1 and later; elsewhere every call does nothing).
#pragma once

#include "Classes.h"
#include "Handles.h"
#include "System.h"

#include <shobjidl.h>

#include <cstdint>
#include <string>

class TWindows7 : public TObject {
public:
    VORLANE_CLASS_NAME(TWindows7)
    // On Windows 6.1 or later: sets AppID (when not empty) as the process's application
    // user model id and creates the taskbar object. While it lives it also takes the
    // taskbar progress of long conversions.
    explicit TWindows7(const std::wstring& AppID);
    ~TWindows7() override;

    TComPtr<ITaskbarList> TaskbarList;
    TComPtr<ITaskbarList2> TaskbarList2;
    TComPtr<ITaskbarList3> TaskbarList3;
    HWND WindowHandle = nullptr; // the application window; null when not known
    TModuleHandle Shell32Module;

    // State: TBPF_NOPROGRESS (0), TBPF_NORMAL (2) ... Raise EOleError when the call fails.
    void SetProgressState(int State);
    void SetProgressValue(uint64_t Completed, uint64_t Total);
};

VORLANE_DECLARE_EXCEPTION(EOleError, Exception);

// True on Windows 6.1 (7) and later.
bool IsWindows7OrLater();
