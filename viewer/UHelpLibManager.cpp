#include "UHelpLibManager.h"

#include "SysUtils.h"
#include "UAgentLink.h"
#include "UAuxFile.h"
#include "UH3_Agent.h"
#include "TntDialogs.h"
#include "UH3_Code.h"
#include "UShotTimer.h"
#include "UUtilsW.h"

#include <shellapi.h>

std::wstring UsingCatalogsHelpUrl = L"https://www.quorvex.com/vorlane/help/filters/";

const wchar_t* const CatalogLocaleRows[10] = {
    L"en-us English",
    L"zh-tw Chinese Traditional",
    L"zh-cn Chinese Simplified",
    L"fr-fr French - France",
    L"de-de German - Germany",
    L"it-it Italian - Italy",
    L"ja-jp Japanese - Japan",
    L"ko-kr Korean - Korea",
    L"ru-ru Russian - Russia",
    L"es-es Spanish - Spain",
};

namespace {

const wchar_t* const ManagerExeName = L"HelpLibManager.exe";

// A trimmed field, or its default when empty (written back).
std::wstring Parameter(std::wstring& Field, std::wstring Value, const wchar_t* Default) {
    if (Value.empty()) {
        Value = Default;
        Field = Value;
    }
    return Value;
}

} // namespace

std::wstring LocaleCodeOf(const std::wstring& Text) {
    const std::wstring t = Trim(Text);
    return t.substr(0, t.find(L' '));
}

TCommandLine HlmCommandLine(THlmFields& Fields) {
    const std::wstring product = Parameter(Fields.Product, Trim(Fields.Product), L"VS");
    const std::wstring version = Parameter(Fields.Version, Trim(Fields.Version), L"100");
    const std::wstring locale = Parameter(Fields.Locale, LocaleCodeOf(Fields.Locale), L"en-us");
    return BuildCommandLine({L"/product", product, L"/version", version, L"/locale", locale});
}

TCatalogButtons CatalogButtonState(const THlmFields& Fields, bool BookSelected, const std::wstring& BookCatalogKey) {
    const std::wstring product = Trim(Fields.Product), version = Trim(Fields.Version);
    const std::wstring locale = LocaleCodeOf(Fields.Locale);
    TCatalogButtons b;
    b.RunEnabled = !product.empty() && !version.empty() && !locale.empty();
    b.ImportEnabled =
        b.RunEnabled && BookSelected && !SameText(BookCatalogKey, product + L"\\" + version + L"\\" + locale);
    return b;
}

// ---------------------------------------------------------------------------------
// The manager's window

namespace {

BOOL CALLBACK CollectIme(HWND Wnd, LPARAM List) {
    // The callback allocates; a failure there ends the enumeration instead of unwinding
    // through the system's frames.
    try {
        wchar_t cls[16] = {};
        if (GetClassNameW(Wnd, cls, 16) == 0 || std::wstring(cls) != L"IME") return TRUE;
        TTopLevelWindow w;
        w.Wnd = Wnd;
        w.ClassName = cls;
        w.Owner = GetWindow(Wnd, GW_OWNER);
        if (w.Owner) {
            wchar_t title[401] = {};
            const int n = GetWindowTextW(w.Owner, title, 401);
            w.OwnerTitle.assign(title, n > 0 ? static_cast<size_t>(n) : 0);
        }
        reinterpret_cast<std::vector<TTopLevelWindow>*>(List)->push_back(std::move(w));
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

} // namespace

std::vector<TTopLevelWindow> ListImeWindows() {
    std::vector<TTopLevelWindow> list;
    EnumWindows(&CollectIme, reinterpret_cast<LPARAM>(&list));
    return list;
}

HWND FindManagerWindow(const std::vector<TTopLevelWindow>& Windows) {
    for (const TTopLevelWindow& w : Windows) {
        if (w.ClassName != L"IME" || !w.Owner) continue;
        if (!w.OwnerTitle.empty() && w.OwnerTitle[0] == L'H' &&
            w.OwnerTitle.find(L"Help Library Manager") != std::wstring::npos)
            return w.Owner;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------
// The real system

namespace {

class TRealHlmSystem : public THlmSystem {
public:
    bool ManagerRunning() override {
        DWORD pid = 0;
        return FindProcessId(ManagerExeName, pid);
    }
    HWND ManagerWindow() override { return FindManagerWindow(ListImeWindows()); }
    void BringToFront(HWND Wnd) override {
        if (IsIconic(Wnd) || IsZoomed(Wnd)) ShowWindow(Wnd, SW_RESTORE);
        ShowWindow(Wnd, SW_SHOW);
        SetForegroundWindow(Wnd);
    }
    bool IsUserAdmin() override { return ::IsUserAdmin(); }
    bool FileExists(const std::wstring& FileName) override { return FileExistsW(FileName); }
    bool Execute(SHELLEXECUTEINFOW& Info, DWORD& Error) override {
        if (ShellExecuteExW(&Info)) return true;
        Error = GetLastError();
        return false;
    }
    void Wait(DWORD Ms) override { Sleep(Ms); }
    void Message(const std::wstring& Text) override { WideShowMessage(Text); }
    void Log(const std::wstring& Line) override { H3TraceLog(Line); }
};

} // namespace

THlmSystem& DefaultHlmSystem() {
    static TRealHlmSystem system;
    return system;
}

THlmResult RunHelpLibraryManager(bool AskElevation, THlmFields& Fields, const TH3Paths& Paths, HWND Owner,
                                 TKernelHandle& Process, THlmSystem& System) {
    // A manager that runs already is brought up (or waited for) instead of a second one;
    // when it ended while the user read the message, the new one starts.
    if (System.ManagerRunning()) {
        if (HWND wnd = System.ManagerWindow()) {
            System.Message(L"Help Library Manager is already running. Please close the current HLM window before "
                           L"running a new command.");
            if (System.ManagerRunning()) {
                System.BringToFront(wnd);
                return THlmResult::AlreadyRunning;
            }
        } else {
            System.Message(L"Help Library Manager is already running. Wait for the current activity to complete "
                           L"(no UI available in silent mode).");
            if (System.ManagerRunning()) return THlmResult::AlreadyRunning;
        }
    }
    if (Paths.AppRoot.empty()) {
        System.Message(L"VS 2010 Help runtime could not be found on this PC.");
        return THlmResult::NoRuntime;
    }
    const TCommandLine command = HlmCommandLine(Fields);
    if (!command.Ok()) {
        System.Message(command.Refusal);
        return THlmResult::Refused;
    }
    const std::wstring& params = command.Line;
    const std::wstring exe = Paths.HelpLibManagerPath;
    if (exe.empty() || !System.FileExists(exe)) {
        System.Message(L"Could not find EXE: " + exe);
        return THlmResult::NoProgram;
    }
    System.Log(L"# Run: " + exe + L", " + params);

    const std::wstring folder = ExtractFileDirW(exe);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = Owner;
    info.lpVerb = AskElevation && !System.IsUserAdmin() ? L"runas" : nullptr;
    info.lpFile = exe.c_str();
    info.lpParameters = params.c_str();
    info.lpDirectory = folder.c_str();
    info.nShow = SW_SHOWNORMAL;
    DWORD error = 0;
    bool started;
    {
        THourGlass busy;
        started = System.Execute(info, error);
        if (started) System.Wait(1000);
    }
    if (!started) {
        System.Message(L"Error runing EXE: " + exe + L"\r\r" + SysErrorMessage(error));
        return THlmResult::Failed;
    }
    Process.Reset(info.hProcess);
    return THlmResult::Started;
}
