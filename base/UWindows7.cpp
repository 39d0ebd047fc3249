// Taskbar progress.
#include "UWindows7.h"

#include "Forms.h"
#include "Format.h"
#include "UUnicode.h"

namespace {

using TSetAppIdProc = HRESULT(WINAPI*)(PCWSTR);
TSetAppIdProc g_SetCurrentProcessExplicitAppUserModelID = nullptr;
TWindows7* g_ProgressOwner = nullptr;

void Check(HRESULT hr, const wchar_t* What) {
    if (FAILED(hr))
        throw EOleError(Format(L"%s failed: OLE error %.8X", {What, static_cast<unsigned>(hr)}));
}

} // namespace

bool IsWindows7OrLater() {
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(&vi))
        return false;
#pragma GCC diagnostic pop
    return vi.dwMajorVersion > 6 || (vi.dwMajorVersion == 6 && vi.dwMinorVersion >= 1);
}

TWindows7::TWindows7(const std::wstring& AppID) {
    if (!IsWindows7OrLater())
        return;
    Shell32Module.Reset(LoadLibraryW(L"shell32.dll"));
    if (Shell32Module)
        g_SetCurrentProcessExplicitAppUserModelID = reinterpret_cast<TSetAppIdProc>(
            GetProcAddress(Shell32Module.Get(), "SetCurrentProcessExplicitAppUserModelID"));
    if (!AppID.empty() && g_SetCurrentProcessExplicitAppUserModelID)
        g_SetCurrentProcessExplicitAppUserModelID(AppID.c_str());
    if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList,
                                   reinterpret_cast<void**>(TaskbarList.Put()))) &&
        SUCCEEDED(TaskbarList->HrInit())) {
        TaskbarList.As(TaskbarList2, IID_ITaskbarList2);
        TaskbarList.As(TaskbarList3, IID_ITaskbarList3);
    }
    if (TaskbarList && TaskbarList2 && TaskbarList3 && Application) {
        WindowHandle = Application->Handle();
        if (WindowHandle == reinterpret_cast<HWND>(-1))
            WindowHandle = nullptr;
    }
    if (WindowHandle) {
        g_ProgressOwner = this;
        TaskbarProgress = [this](int State, uint64_t Completed, uint64_t Total) {
            SetProgressState(State);
            if (State != 0)
                SetProgressValue(Completed, Total);
        };
    }
}

TWindows7::~TWindows7() {
    if (g_ProgressOwner == this) {
        TaskbarProgress = nullptr;
        g_ProgressOwner = nullptr;
    }
    TaskbarList3.Reset();
    TaskbarList2.Reset();
    TaskbarList.Reset();
    g_SetCurrentProcessExplicitAppUserModelID = nullptr;
    Shell32Module.Reset();
}

void TWindows7::SetProgressState(int State) {
    if (WindowHandle && TaskbarList3)
        Check(TaskbarList3->SetProgressState(WindowHandle, static_cast<TBPFLAG>(State)), L"SetProgressState");
}

void TWindows7::SetProgressValue(uint64_t Completed, uint64_t Total) {
    if (WindowHandle && TaskbarList3)
        Check(TaskbarList3->SetProgressValue(WindowHandle, Completed, Total), L"SetProgressValue");
}
