#include "AgentConfig.h"
#include "StFiles.h"
#include "StRegistry.h"
#include "StText.h"

#include <windows.h>

namespace standin {

static int Compare(const FileVersion& v, unsigned a, unsigned b, unsigned c, unsigned d) {
    unsigned x[4] = {v.major, v.minor, v.release, v.build}, y[4] = {a, b, c, d};
    for (int i = 0; i < 4; ++i)
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    return 0;
}

bool RequiresPid(const FileVersion& dll) {
    if (dll.major == 10) return false;
    if (dll.major == 1 && dll.minor == 0 && dll.release <= 30128) return false;
    return true;
}

bool IsNewAgent(const FileVersion& dll) { return dll.found && Compare(dll, 1, 0, 30306, 1) >= 0; }

static bool Switch(const wchar_t* name, bool fallback) {
    std::wstring v = LowerAscii(Trim(GetEnv(name)));
    if (v.empty()) return fallback;
    return v == L"1" || v == L"true" || v == L"yes" || v == L"on";
}

AgentSettings ReadAgentSettings() {
    AgentSettings s;
    s.appRoot = ModuleFolder();
    FileVersion dll = GetFileVersion(IncludeTrailingBackslash(s.appRoot) + L"Microsoft.Help.dll");

    // The pre-release runtime (its key used only when the v1.0 key has no AppRoot) listens on
    // its ListenerPort; clients leave the port out of their URLs when that is empty.
    bool preRelease = ReadRuntimeValue(kHelpKey, L"AppRoot").empty() && !ReadRuntimeValue(kHelp3Key, L"AppRoot").empty();
    const wchar_t* key = preRelease ? kHelp3Key : kHelpKey;
    std::wstring port = Trim(GetEnv(L"STANDIN_AGENT_PORT"));
    if (port.empty()) port = ReadRuntimeValue(key, preRelease ? L"ListenerPort" : L"AgentPort");
    if (port.empty()) port = preRelease ? L"80" : L"47873";
    long long p = ParseNumber(port);
    s.portValid = p > 0 && p < 65536;
    s.server.port = s.portValid ? (int)p : 0;

    s.localStore = Trim(GetEnv(L"STANDIN_LOCALSTORE"));
    if (s.localStore.empty()) s.localStore = ReadRuntimeValue(key, L"LocalStore");
    s.localStore = ExpandEnv(s.localStore);
    while (s.localStore.size() > 3 && s.localStore.back() == L'\\') s.localStore.pop_back();

    s.userCfg = ExpandEnv(Trim(GetEnv(L"STANDIN_USER_CFG")));
    s.exitIfOnline = Switch(L"STANDIN_AGENT_ONLINE_EXIT", true);
    long long delay = ParseNumber(GetEnv(L"STANDIN_AGENT_DELAY_MS"));
    s.startDelayMs = delay > 0 ? (int)std::min<long long>(delay, 600000) : 0;

    std::wstring pid = LowerAscii(Trim(GetEnv(L"STANDIN_AGENT_REQUIRE_PID")));
    s.server.requirePid = pid.empty() || pid == L"auto" ? RequiresPid(dll) : Switch(L"STANDIN_AGENT_REQUIRE_PID", true);
    s.server.pid = GetCurrentProcessId();
    std::wstring kw = LowerAscii(Trim(GetEnv(L"STANDIN_AGENT_KEYWORDS")));
    s.server.options.newAgent = kw == L"new" ? true : kw == L"old" ? false : IsNewAgent(dll);
    s.server.options.errorBodies = Switch(L"STANDIN_AGENT_ERROR_BODIES", false);
    s.server.options.notFoundId = Switch(L"STANDIN_AGENT_NOTFOUND_ID", false);
    s.server.logPath = ExpandEnv(Trim(GetEnv(L"STANDIN_AGENT_LOG")));
    long long readTimeout = ParseNumber(GetEnv(L"STANDIN_AGENT_READ_TIMEOUT_MS"));
    if (readTimeout > 0) s.server.readTimeoutMs = (int)std::min<long long>(readTimeout, 600000);
    ParseFaultRules(GetEnv(L"STANDIN_AGENT_FAULTS"), s.server.faults, s.faultsError);
    return s;
}

}  // namespace standin
