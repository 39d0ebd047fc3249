// The stand-in help agent: serves the local help store over HTTP on 127.0.0.1.
// Exit codes: 0 after a quit request, 2 port taken, 3 online help mode, 4 bad port value,
// 5 an unexpected failure, 6 a bad STANDIN_AGENT_FAULTS rule.
#include "AgentConfig.h"
#include "AgentServer.h"
#include "StFiles.h"
#include "StText.h"
#include "Store.h"

#include <winsock2.h>
#include <windows.h>

using namespace standin;

static void Trace(const std::wstring& line) {
    std::wstring path = ExpandEnv(Trim(GetEnv(L"STANDIN_AGENT_TRACE")));
    if (!path.empty()) AppendFileBytes(path, ToUtf8(line) + "\r\n");
}

static int RunAgent() {
    AgentSettings settings = ReadAgentSettings();
    if (!settings.portValid) {
        Trace(L"bad AgentPort value");
        return 4;
    }
    if (!settings.faultsError.empty()) {
        Trace(L"STANDIN_AGENT_FAULTS: " + settings.faultsError);
        return 6;
    }
    if (settings.exitIfOnline && ReadHelpMode(settings.appRoot, settings.userCfg) == L"online") {
        Trace(L"help mode is online: not serving");
        return 3;
    }
    if (settings.startDelayMs > 0) Sleep(settings.startDelayMs);
    Store store;
    AgentServer server(store, settings.server);
    std::wstring error;
    if (!server.Bind(error)) {
        Trace(error);
        return 2;
    }
    DWORD start = GetTickCount();
    if (!settings.localStore.empty() && !store.Load(settings.localStore, error)) Trace(L"store: " + error);
    size_t rows = 0;
    for (auto& c : store.catalogs) rows += c.keywordRows;
    Trace(L"loaded " + std::to_wstring(store.topics.size()) + L" topics, " + std::to_wstring(rows) +
          L" keyword rows in " + std::to_wstring(GetTickCount() - start) + L" ms");
    if (!server.Listen()) {
        Trace(L"listen failed");
        return 2;
    }
    Trace(L"listening on 127.0.0.1:" + std::to_wstring(server.BoundPort()) + L", pid " +
          std::to_wstring(GetCurrentProcessId()) + (settings.server.requirePid ? L", pid required" : L""));
    server.Run();
    return 0;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    try {
        return RunAgent();
    } catch (...) {
        return 5;
    }
}
