// Plays the development environment's F1 key: starts the program registered as help viewer
// (HelpViewerProgID) with an F1 help URL as its parameter, the way Visual Studio does.
// Usage: StandinF1 [--query TEXT] [--print] [--no-embedded]
#include "StFiles.h"
#include "StRegistry.h"
#include "StRuntime.h"
#include "StText.h"

#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>

using namespace standin;

static DWORD FindAgent() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    DWORD pid = 0;
    for (BOOL ok = Process32FirstW(snap, &e); ok && !pid; ok = Process32NextW(snap, &e))
        if (EqualsNoCase(e.szExeFile, L"HelpLibAgent.exe")) pid = e.th32ProcessID;
    CloseHandle(snap);
    return pid;
}

int wmain(int argc, wchar_t** argv) {
    std::wstring query = L"System.String";
    bool print = false, embedded = true;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--query" && i + 1 < argc) query = argv[++i];
        else if (a == L"--print") print = true;
        else if (a == L"--no-embedded") embedded = false;
    }
    std::wstring appRoot = ReadRuntimeValue(kHelpKey, L"AppRoot");
    while (!appRoot.empty() && appRoot.back() == L'\\') appRoot.pop_back();
    std::wstring port = ReadRuntimeValue(kHelpKey, L"AgentPort");
    if (port.empty()) port = L"47873";
    FileVersion dll = GetFileVersion(appRoot + L"\\Microsoft.Help.dll");
    bool needPid = dll.major != 10 && !(dll.major == 1 && dll.minor == 0 && dll.release <= 30128);
    std::wstring session = L"1";
    if (needPid) {
        DWORD pid = FindAgent();
        if (!pid && !appRoot.empty()) {
            STARTUPINFOW si{};
            si.cb = sizeof si;
            si.dwFlags = STARTF_USESHOWWINDOW;
            si.wShowWindow = SW_SHOWMINNOACTIVE;
            PROCESS_INFORMATION pi{};
            std::wstring cmd = L"\"" + appRoot + L"\\HelpLibAgent.exe\"";
            if (CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
                pid = pi.dwProcessId;
                CloseHandle(pi.hThread);
                CloseHandle(pi.hProcess);
            }
        }
        if (pid) session += L"-" + std::to_wstring(pid);
    }
    std::wstring url = L"http://127.0.0.1:" + port + L"/help/" + session + L"/ms.help?method=f1&query=" + query +
                       L"&product=VS&productVersion=100&locale=en-US" + (embedded ? L"&embedded=true" : L"");
    std::wprintf(L"%ls\n", url.c_str());
    if (print) return 0;
    std::wstring viewer;
    RegRead(kHelpKey, L"HelpViewerProgID", RegView::View64, viewer);
    if (Trim(viewer).empty()) RegRead(kHelpKey, L"HelpViewerProgID", RegView::Native, viewer);
    viewer = Trim(viewer);
    if (viewer.empty()) {
        std::fputs("StandinF1: no HelpViewerProgID registered\n", stderr);
        return 1;
    }
    std::wstring cmd = (viewer[0] == L'"' ? viewer : L"\"" + viewer + L"\"") + L" " + url;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fwprintf(stderr, L"StandinF1: cannot start %ls (error %lu)\n", viewer.c_str(), GetLastError());
        return 1;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return 0;
}
