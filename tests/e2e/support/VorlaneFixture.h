// The GoogleTest fixture of the end-to-end tests. Each test gets:
//   - the stand-in help runtime installed in a fresh folder, with its registry values in
//     both views of HKLM (earlier keys removed first);
//   - the viewer's user key (HKCU\Software\Quorvex\Vorlane) removed;
//   - the update key seeded (read today, a list with an older version) so that no web
//     check runs;
//   - Wine's browser hook pointed at a recorder (BrowserUrls() lists what it received);
//   - a copy of Vorlane.exe in a folder of its own (ViewerExe), so that files beside the
//     program (the log file, "debug.debug", options) belong to this test alone;
//   - a watchdog that ends the viewer by process id and then the test run.
// Tests start the viewer with StartViewer and read it with the probe's functions.
#pragma once

#include "VorlaneProbe.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace vorlane_probe {

// A build-time Unix path as a Windows path (Wine maps the Unix root to Z:).
inline std::wstring WinPath(const char* UnixPath) {
    std::wstring w = L"Z:";
    for (const char* p = UnixPath; *p; ++p)
        w += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return w;
}

// The built program and the folder of the test support files.
inline std::wstring BuiltViewerExe() { return WinPath(VORLANE_EXE); }
inline std::wstring E2EDir() { return WinPath(VORLANE_E2E_DIR); }
// The recorder script (a Unix path, as Wine's browser hook wants it) and its record.
inline std::wstring BrowserRecorderScript() {
    std::wstring s;
    for (const char* p = VORLANE_E2E_DIR "/browser-recorder.sh"; *p; ++p)
        s += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return s;
}
inline std::wstring BrowserRecordFile() { return E2EDir() + L"\\browser-urls.txt"; }

// Today as the update check counts days (whole days since 30 December 1899).
inline int TodayDayNumber() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    FILETIME ft, epoch;
    SystemTimeToFileTime(&st, &ft);
    SYSTEMTIME e{1899, 12, 0, 30, 0, 0, 0, 0};
    SystemTimeToFileTime(&e, &epoch);
    const auto value = [](const FILETIME& f) { return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return static_cast<int>((value(ft) - value(epoch)) / 864000000000ULL);
}

class VorlaneE2E : public ::testing::Test {
protected:
    // Every test ends within this time or the watchdog ends it.
    static constexpr DWORD WatchdogMs = 180000;
    static constexpr DWORD WindowTimeoutMs = 30000;

    void SetUp() override {
        Dog = std::make_unique<Watchdog>(WatchdogMs, [this] { KillProcess(Viewer.Pid()); });
        Inst = standin_test::InstallStandin(L"e2e", {L"--clean"}, true);
        ASSERT_TRUE(Inst.ok) << Inst.output;
        ASSERT_TRUE(DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey));
        SeedUpdateKey();
        ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", L"Browsers",
                                   BrowserRecorderScript()));
        DeleteFileW(BrowserRecordFile().c_str());
        // The agent's port: a free one (an agent the viewer starts itself listens there too).
        SetAgentPort(standin_test::FreePort());
        ProgramDir = standin_test::MakeTempFolder(L"vorlane");
        ViewerExe = ProgramDir + L"\\Vorlane.exe";
        ASSERT_TRUE(CopyFileW(BuiltViewerExe().c_str(), ViewerExe.c_str(), FALSE)) << BuiltViewerExe();
    }

    void TearDown() override {
        Viewer.Kill();
        Agent.Stop();
        // Agents the viewer started itself (it starts one when none runs).
        if (!Inst.appRoot.empty())
            for (DWORD pid : ProcessesRunFrom(Inst.appRoot + L"\\"))
                KillProcess(pid);
        if (!ProgramDir.empty())
            standin_test::DeleteFolderTree(ProgramDir);
        standin_test::RemoveInstallation(Inst);
        Dog.reset();
    }

    // The update check has read its list today: it will not download.
    static void SeedUpdateKey() {
        RegWriteString(HKEY_CURRENT_USER, UpdateKey, L"LastReadDate", std::to_wstring(TodayDayNumber()));
        RegWriteString(HKEY_CURRENT_USER, UpdateKey, L"LastDLFile",
                       L"Vorlane_Version=0.0.0.1\r\nVorlane_RSS=\r\n\r\n");
    }

    bool StartViewer(const std::vector<std::wstring>& Args = {}) { return Viewer.Start(ViewerExe, Args); }

    // Runs the viewer (as Copy) with Args to its end; false when it showed a window on the
    // way, did not end by itself or ended with another code than 0.
    bool RunsWithoutWindow(ViewerProcess& Copy, const std::vector<std::wstring>& Args) {
        if (!Copy.Start(ViewerExe, Args))
            return false;
        bool window = false;
        WaitUntil(
            [&] {
                window = window || FindTopWindow({Copy.Pid(), L"", L"", nullptr, true}) != nullptr;
                return !Copy.Running();
            },
            WindowTimeoutMs, 5);
        return !window && Copy.WaitExit(0) == 0;
    }
    bool RunsWithoutWindow(const std::vector<std::wstring>& Args) { return RunsWithoutWindow(Viewer, Args); }

    // The viewer's main window once it shows; nullptr after WindowTimeoutMs.
    HWND WaitMainWindow(DWORD TimeoutMs = WindowTimeoutMs) {
        return WaitForWindow({Viewer.Pid(), MainFormClass, L"", nullptr, true}, TimeoutMs);
    }
    // The contents tree (the visible tree view of the main window).
    static HWND ContentsTree(HWND Main) {
        for (int i = 0; HWND tree = FindDescendant(Main, L"TTntTreeView.UnicodeClass", L"", i); ++i)
            if (IsWindowVisible(tree))
                return tree;
        return nullptr;
    }
    // Waits until the contents tree has nodes. The window answers while it waits for the agent,
    // so the first load's later steps (the start page's sync, its orphan group) may still run.
    bool WaitContentsLoaded(HWND Main, DWORD TimeoutMs = WindowTimeoutMs) {
        return WaitUntil([&] { HWND tree = ContentsTree(Main); return tree && TreeCount(tree) > 0; }, TimeoutMs);
    }
    // The catalog box: the combo box whose items are catalog keys.
    static HWND CatalogBox(HWND Main) {
        for (int i = 0; HWND combo = FindDescendant(Main, L"TTntComboBox.UnicodeClass", L"", i); ++i) {
            const std::vector<std::wstring> items = ComboItems(combo);
            if (!items.empty() && items[0].find(L'\\') != std::wstring::npos)
                return combo;
        }
        return nullptr;
    }
    // Closes the main window as the system does and waits for the program's end.
    long CloseViewer(HWND Main) {
        const DWORD t0 = GetTickCount();
        if (!Post(Main, WM_CLOSE))
            return -1;
        const long code = Viewer.WaitExit(20000);
        printf("close with saving to the end of the program: %lu ms\n", GetTickCount() - t0);
        return code;
    }
    // The debug window (it exists hidden from the main window's creation on).
    HWND DebugWindow() { return FindTopWindow({Viewer.Pid(), DebugFormClass}); }
    std::wstring DebugLog() { return DebugLogText(Viewer.Pid()); }

    // The addresses Wine handed to the web browser since the test began.
    static std::vector<std::wstring> BrowserUrls() {
        std::vector<std::wstring> urls;
        std::ifstream in(std::string(VORLANE_E2E_DIR) + "/browser-urls.txt");
        for (std::string line; std::getline(in, line);)
            urls.push_back(standin_test::Widen(line));
        return urls;
    }

    // Starts the installation's agent (with Env, e.g. its fault switch) on a free port
    // written to the registry as AgentPort (the agent and the viewer both read it from
    // there). One started before ends first and the new one takes its port, as a runtime's
    // agent started again does.
    bool StartAgent(const standin_test::EnvList& Env = {}) {
        const int port = Agent.Port() > 0 ? Agent.Port() : standin_test::FreePort();
        Agent.Stop();
        SetAgentPort(port);
        return Agent.Start(Inst, port, Env, true) && Agent.WaitForPort();
    }
    static void SetAgentPort(int Port) {
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
            RegWriteString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Help\\v1.0", L"AgentPort", std::to_wstring(Port),
                           view);
    }

    std::unique_ptr<Watchdog> Dog;
    standin_test::Installation Inst;
    standin_test::AgentProcess Agent;
    ViewerProcess Viewer;
    std::wstring ProgramDir;
    std::wstring ViewerExe;
};

} // namespace vorlane_probe
