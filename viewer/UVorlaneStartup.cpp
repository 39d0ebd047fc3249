#include "UVorlaneStartup.h"

#include "Boundary.h"
#include "FUnicodeCodePage.h"
#include "FWideMsgBox.h"
#include "Forms.h"
#include "Handles.h"
#include "Threads.h"
#include "TntForms.h"
#include "TntSystem.h"
#include "UAppSettings.h"
#include "UAuxFile.h"
#include "UDLogFile.h"
#include "UHintWin.h"
#include "URequestWait.h"
#include "UPTShellStartup.h"
#include "VMain.h"

#include <algorithm>
#include <utility>

// ---------------------------------------------------------------------------------
// Modules

std::vector<TModuleStartup> VorlaneModules() {
    return {
        {L"Runtime", [] { InitRuntime(); }, nullptr},
        {L"H3Paths", [] { InitH3Paths(); }, [] { FreeH3Paths(); }},
        {L"DebugLogUnit", [] { InitDebugLogUnit(); }, nullptr},
        {L"ShellPack", [] { PTShellStartup(); }, [] { PTShellShutdown(); }},
        {L"WindowHelpers", [] { InitWindowHelpers(); }, [] { FreeWindowHelpers(); }},
        {L"WideMsgBox", [] { InstallWideMsgBox(); }, nullptr},
        {L"CodePageDialog", [] { InstallCodePageDialog(); }, nullptr},
        {L"TntSystemUpdates", [] { InstallTntSystemUpdates(tsuAll); }, [] { UninstallTntSystemUpdates(); }},
        {L"TntEnvironment", [] { InitTntEnvironment(); }, nullptr},
    };
}

TModuleScope::TModuleScope(std::vector<TModuleStartup> Modules) : FModules(std::move(Modules)) {
    try {
        for (; FStarted < FModules.size(); ++FStarted)
            if (FModules[FStarted].Start)
                FModules[FStarted].Start();
    } catch (...) {
        Stop();
        throw;
    }
}

TModuleScope::~TModuleScope() { Stop(); }

void TModuleScope::Stop() {
    // A shutdown that raises is reported and the others still run.
    while (FStarted > 0) {
        const TModuleStartup& m = FModules[--FStarted];
        if (m.Stop)
            Guarded(L"module shutdown", [&] { m.Stop(); });
    }
}

// ---------------------------------------------------------------------------------
// "/uninstall"

bool HasUninstallSwitch(const std::vector<std::wstring>& Params) {
    for (const std::wstring& p : Params)
        if (SameTextW(p, L"/uninstall"))
            return true;
    return false;
}

namespace {

constexpr wchar_t ProgIdValue[] = L"HelpViewerProgID";

// The text of a REG_SZ or REG_EXPAND_SZ value (as stored, up to its first zero), whatever
// its length; empty for any other type or any failure.
std::wstring ReadTextValue(HKEY Key, const wchar_t* Name) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD type = 0, size = 0;
        if (RegQueryValueExW(Key, Name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::wstring();
        std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LONG rc = RegQueryValueExW(Key, Name, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got);
        if (rc == ERROR_MORE_DATA)
            continue; // it grew meanwhile
        if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::wstring();
        text.resize(std::min<size_t>(got / sizeof(wchar_t), text.size()));
        const size_t zero = text.find(L'\0');
        if (zero != std::wstring::npos)
            text.resize(zero);
        return text;
    }
    return std::wstring();
}

std::wstring KeyPath(const std::wstring& Key) { return !Key.empty() && Key[0] == L'\\' ? Key.substr(1) : Key; }

} // namespace

bool UninstallViewerRegistration(const TH3RegistryPlace& Place) {
    if (!Place.Root)
        return false;
    const REGSAM view = IsWow64() ? KEY_WOW64_64KEY : 0;
    const std::wstring path = KeyPath(Place.RuntimeKey);
    std::wstring value;
    {
        TRegKey key;
        if (RegOpenKeyExW(Place.Root, path.c_str(), 0, KEY_QUERY_VALUE | view, key.Put()) != ERROR_SUCCESS)
            return false;
        value = ReadTextValue(key.Get(), ProgIdValue);
    }
    if (PosTextW(value, L"vorlane") == 0)
        return false;
    TRegKey key;
    if (RegOpenKeyExW(Place.Root, path.c_str(), 0, KEY_SET_VALUE | view, key.Put()) != ERROR_SUCCESS)
        return false;
    const wchar_t empty[] = L"";
    return RegSetValueExW(key.Get(), ProgIdValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(empty), sizeof(empty)) ==
           ERROR_SUCCESS;
}

// ---------------------------------------------------------------------------------
// The run

TVorlaneRun DefaultVorlaneRun() {
    TVorlaneRun run;
    run.Modules = VorlaneModules();
    for (int i = 1, n = WideParamCount(); i <= n; ++i)
        run.Params.push_back(WideParamStr(i));
    run.CreateForms = [] {
        // Agent requests made on this thread keep the window answering while they wait.
        UseGuiRequestWait();
        Application->CreateForm(VMainForm);
        // No save-bookmark dialog is made here: each use makes its own.
    };
    run.RunLoop = [] { Application->Run(); };
    run.EndWorkers = [] { RunEndSteps(); };
    run.FreeForms = [] { Application->DestroyForms(); };
    return run;
}

int RunVorlane(const TVorlaneRun& Run) {
    TModuleScope modules(Run.Modules);
    if (HasUninstallSwitch(Run.Params)) {
        UninstallViewerRegistration(Run.RuntimePlace);
        return 0;
    }
    Application->Initialize();
    // Also when making the forms failed: the workers stop while the forms they report to
    // exist, and the forms go before the modules they use shut down.
    struct TEnd {
        const TVorlaneRun& Run;
        ~TEnd() {
            if (Run.EndWorkers)
                Guarded(L"stopping the workers", [&] { Run.EndWorkers(); });
            if (Run.FreeForms)
                Guarded(L"freeing the forms", [&] { Run.FreeForms(); });
        }
    } end{Run};
    if (Run.CreateForms)
        Run.CreateForms();
    if (Run.RunLoop)
        Run.RunLoop();
    return 0;
}

int VorlaneMain() {
    int code = 1;
    Guarded(L"VorlaneMain", [&] { code = RunVorlane(DefaultVorlaneRun()); });
    return code;
}
