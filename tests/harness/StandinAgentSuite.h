// The stand-in help runtime for a test suite that talks to its agent: installed once into a
// temporary folder, its agent started on a free port, and the agent environment that makes
// agent URLs for it. Header-only: define STANDIN_DIST_DIR, include it where the help library
// client is linked, and make the executable depend on `standin`.
#pragma once

#include "FixedAgentEnvironment.h"

#include "../standin/support/StandinSupport.h"

#include <string>

#include <tlhelp32.h>

class TStandinAgentSuite {
public:
    TStandinAgentSuite() = default;
    TStandinAgentSuite(const TStandinAgentSuite&) = delete;
    TStandinAgentSuite& operator=(const TStandinAgentSuite&) = delete;
    ~TStandinAgentSuite() { Stop(); }

    // Installs the stand-in (Tag names its folder) and starts its agent; true once the agent
    // listens. Nothing happens when the stand-in is not built.
    bool Start(const std::wstring& Tag) {
        if (GetFileAttributesW((standin_test::DistDir() + L"\\StandinSetup.exe").c_str()) == INVALID_FILE_ATTRIBUTES)
            return false;
        Inst = standin_test::InstallStandin(Tag);
        if (!Inst.ok) return false;
        const int port = standin_test::FreePort();
        FReady = Agent.Start(Inst, port) && Agent.WaitForPort();
        Env.PortText = std::to_wstring(port);
        Env.Pid = Agent.Pid();
        return FReady;
    }
    void Stop() {
        Agent.Stop();
        // An agent a window under test started itself would outlive the run and hold its output.
        if (!Inst.appRoot.empty())
            EndProcessesRunFrom(Inst.appRoot + L"\\");
        standin_test::RemoveInstallation(Inst);
        Inst = standin_test::Installation{};
        FReady = false;
    }
    bool Ready() const { return FReady; }
    static void EndProcessesRunFrom(const std::wstring& Folder) {
        HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snap == INVALID_HANDLE_VALUE) return;
        PROCESSENTRY32W e{};
        e.dwSize = sizeof e;
        for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
            HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                                   e.th32ProcessID);
            if (!p) continue;
            wchar_t path[1024];
            DWORD n = 1024;
            if (QueryFullProcessImageNameW(p, 0, path, &n) && n >= Folder.size() &&
                _wcsnicmp(path, Folder.c_str(), Folder.size()) == 0) {
                TerminateProcess(p, 1);
                WaitForSingleObject(p, 5000);
            }
            CloseHandle(p);
        }
        CloseHandle(snap);
    }
    // Starts another agent of the same installation on a free port, with extra environment
    // (e.g. STANDIN_AGENT_FAULTS), and points OtherEnv at it. True once it listens.
    bool StartAnother(standin_test::AgentProcess& Other, TFixedAgentEnvironment& OtherEnv,
                      const standin_test::EnvList& Extra) const {
        const int port = standin_test::FreePort();
        OtherEnv.PortText = std::to_wstring(port);
        if (!Other.Start(Inst, port, Extra) || !Other.WaitForPort()) return false;
        OtherEnv.Pid = Other.Pid();
        return true;
    }

    standin_test::Installation Inst;
    standin_test::AgentProcess Agent;
    TFixedAgentEnvironment Env;

private:
    bool FReady = false;
};
