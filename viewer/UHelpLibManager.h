// Starting the help runtime's own manager program (HelpLibManager.exe) for a catalog typed
// into the Filters page: its command line, the test for a manager that already runs, and
// the start itself, elevated when the user is no administrator.
//
// Everything that reaches the system (process list, windows, the administrator test, the
// shell, message boxes) goes through THlmSystem, so the steps can be tested without the
// runtime; DefaultHlmSystem() is the real one.
#pragma once

#include "Handles.h"
#include "UShellExec.h"

#include <windows.h>

#include <string>
#include <vector>

class TH3Paths;

// The three fields of the Filters page as typed (the locale box holds "de-de German - Germany").
struct THlmFields {
    std::wstring Product;
    std::wstring Version;
    std::wstring Locale;
};

// The maker's online help on catalogs and filters (configuration).
extern std::wstring UsingCatalogsHelpUrl;

// The catalog locale box's rows: the locale code, a blank and the language's name.
extern const wchar_t* const CatalogLocaleRows[10];

// Text trimmed and cut at its first blank ("de-de German - Germany" gives "de-de").
std::wstring LocaleCodeOf(const std::wstring& Text);

// The manager's command line "/product p /version v /locale l". Each field is trimmed (the
// locale cut at its first blank); an empty one takes its default ("VS", "100", "en-us"),
// which is also written back into Fields. Each value is one argument whatever it holds
// (quoted by BuildCommandLine); a value with control characters is refused.
TCommandLine HlmCommandLine(THlmFields& Fields);

// The Filters page's two buttons. Run: all three fields hold something. Import: that, a
// book is selected in the store tree, and its catalog ("product\version\locale") differs,
// ignoring case, from the one the fields name.
struct TCatalogButtons {
    bool RunEnabled = false;
    bool ImportEnabled = false;
};
TCatalogButtons CatalogButtonState(const THlmFields& Fields, bool BookSelected, const std::wstring& BookCatalogKey);

// ---------------------------------------------------------------------------------
// The manager's window: the owner of a top-level "IME" window whose title begins with
// 'H' and contains "Help Library Manager".

struct TTopLevelWindow {
    HWND Wnd = nullptr;
    std::wstring ClassName;
    HWND Owner = nullptr;
    std::wstring OwnerTitle; // at most 400 characters
};

// The top-level windows of class "IME" with their owners.
std::vector<TTopLevelWindow> ListImeWindows();
// The first owner that qualifies as the manager's window; null when none.
HWND FindManagerWindow(const std::vector<TTopLevelWindow>& Windows);

// ---------------------------------------------------------------------------------
// Starting the manager

class THlmSystem {
public:
    virtual ~THlmSystem() = default;
    // The running manager process (FindProcessId "HelpLibManager.exe").
    virtual bool ManagerRunning() = 0;
    // FindManagerWindow(ListImeWindows()).
    virtual HWND ManagerWindow() = 0;
    // Shows Wnd (restored first when minimised or maximised) and brings it to the front.
    virtual void BringToFront(HWND Wnd) = 0;
    virtual bool IsUserAdmin() = 0;
    virtual bool FileExists(const std::wstring& FileName) = 0;
    // ShellExecuteExW with Info; on failure gives GetLastError in Error.
    virtual bool Execute(SHELLEXECUTEINFOW& Info, DWORD& Error) = 0;
    // Waits after the start (the hour-glass cursor is on meanwhile).
    virtual void Wait(DWORD Ms) = 0;
    virtual void Message(const std::wstring& Text) = 0;
    virtual void Log(const std::wstring& Line) = 0;
};
THlmSystem& DefaultHlmSystem();

enum class THlmResult {
    Started,
    AlreadyRunning, // the running manager was brought up or the user was told to wait
    NoRuntime,      // the runtime's AppRoot is empty
    NoProgram,      // HelpLibManager.exe is missing
    Refused,        // a field holds control characters (the user was told)
    Failed          // the shell could not start it
};

// Runs the manager for Fields (defaults written back). Elevation is asked for ("runas")
// when AskElevation and the user is no administrator. Owner is the window that owns the
// shell's prompts. The started process's handle replaces Process.
THlmResult RunHelpLibraryManager(bool AskElevation, THlmFields& Fields, const TH3Paths& Paths, HWND Owner,
                                 TKernelHandle& Process, THlmSystem& System);
