// Help runtime paths and versions; the product triple and the agent URL grammar.
#include "UH3_Code.h"

#include "Handles.h"
#include "SysUtils.h"
#include "UAuxFile.h"
#include "UH3_Agent.h"
#include "UHtmlEntities.h"
#include "UAppSettings.h"
#include "UShellExec.h"
#include "UUnicode.h"
#include "UFileVersion.h"

#include <wtsapi32.h>

#include <memory>
#include <mutex>
#include <utility>
#include <string_view>

namespace {

const wchar_t* const AgentExe = L"HelpLibAgent.exe";
const wchar_t* const ListenerExe = L"MSHelpListener.exe";

std::wstring TrimFolder(const std::wstring& S) {
    std::wstring r = Trim(S);
    while (!r.empty() && r.back() == L'\\') r.pop_back();
    return r;
}

bool ContainsText(const std::wstring& S, const std::wstring& Sub) { return PosTextW(S, Sub) > 0; }

} // namespace

// ---------------------------------------------------------------------------------
// TH3Paths

TH3Paths::TH3Paths() : TH3Paths(TH3RegistryPlace{}) {}

TH3Paths::TH3Paths(const TH3RegistryPlace& Place) : FPlace(Place) {
    if (FPlace.Root) Read();
}

std::wstring TH3Paths::ReadValue(const std::wstring& Key, const std::wstring& Name) const {
    if (!FPlace.Root) return std::wstring();
    std::wstring value;
    if (IsWow64()) {
        RegReadString64(FPlace.Root, Key, Name, value);
        if (!value.empty()) return value;
    }
    RegReadString(FPlace.Root, Key, Name, value);
    return value;
}

void TH3Paths::Read() {
    LocalStore = TrimFolder(ReadValue(FPlace.RuntimeKey, L"LocalStore"));
    AppRoot = TrimFolder(ReadValue(FPlace.RuntimeKey, L"AppRoot"));
    if (!AppRoot.empty()) {
        HelpLibManagerPath = AppRoot + L"\\HelpLibManager.exe";
        AgentPath = AppRoot + L"\\" + AgentExe;
        HelpDllPath = AppRoot + L"\\Microsoft.Help.dll";
        HlpViewerPath = AppRoot + L"\\HlpViewer.exe";
        HlpViewerExists = FileExistsW(HlpViewerPath);
    } else {
        LocalStore = TrimFolder(ReadValue(FPlace.BetaKey, L"LocalStore"));
        AppRoot = TrimFolder(ReadValue(FPlace.BetaKey, L"AppRoot"));
        if (!AppRoot.empty()) {
            IsHelp3Beta = true;
            HelpLibManagerPath = AppRoot + L"\\HelpLibManager.exe";
            AgentPath = AppRoot + L"\\" + ListenerExe;
            HelpDllPath = AppRoot + L"\\Microsoft.Help.dll";
        }
    }
    if (!HelpDllPath.empty() && FileExistsW(HelpDllPath)) {
        int major = 0, minor = 0, release = 0, build = 0;
        std::wstring text;
        if (GetFileVersionNumbers(HelpDllPath, major, minor, release, build, text))
            SetHelpDllVersion(static_cast<uint16_t>(major), static_cast<uint16_t>(minor),
                              static_cast<uint16_t>(release), static_cast<uint16_t>(build));
    }
}

void TH3Paths::SetHelpDllVersion(uint16_t Major, uint16_t Minor, uint16_t Release, uint16_t Build) {
    HelpDllMajor = Major;
    HelpDllMinor = Minor;
    HelpDllRelease = Release;
    HelpDllBuild = Build;
    HelpDllVersion = std::to_string(Major) + "." + std::to_string(Minor) + "." + std::to_string(Release) + "." +
                     std::to_string(Build);
    HasNewAgent = CompareVersion(Major, Minor, Release, Build, 1, 0, 30306, 1) >= 0;
    CanEmbedHlpViewer = HlpViewerExists && CompareVersion(Major, Minor, Release, Build, 1, 0, 40219, 1) >= 0;
}

void TH3Paths::GetAgentPort(std::wstring& Port) const {
    Port = Trim(ReadValue(FPlace.RuntimeKey, L"AgentPort"));
    if (Port.empty()) Port = DefaultAgentPort;
}

void TH3Paths::GetListenerPort(std::wstring& Port) const { Port = Trim(ReadValue(FPlace.BetaKey, L"ListenerPort")); }

std::wstring TH3Paths::AgentUrlPort() const {
    std::wstring port;
    if (IsHelp3Beta) GetListenerPort(port);
    else GetAgentPort(port);
    return port;
}

std::wstring TH3Paths::AgentExeName() const {
    if (AgentPath.empty()) return AgentExe;
    // The long name asks the shell: once per path (every agent URL needs the name).
    static std::mutex lock;
    static std::wstring path, name;
    {
        std::lock_guard<std::mutex> hold(lock);
        if (path == AgentPath) return name;
    }
    const std::wstring found = ExtractFileNameW(AgentPath);
    std::lock_guard<std::mutex> hold(lock);
    path = AgentPath;
    name = found;
    return found;
}

bool TH3Paths::AgentTakesProcessId() const {
    if (HelpDllMajor == 10) return false;
    if (HelpDllMajor == 1 && HelpDllMinor == 0 && HelpDllRelease <= OldAgentReleaseLimit) return false;
    return true;
}

TH3Paths* H3Paths = nullptr;

void InitH3Paths() {
    if (!H3Paths) H3Paths = new TH3Paths();
}

void FreeH3Paths() {
    delete H3Paths;
    H3Paths = nullptr;
}

const TH3Paths& CurrentH3Paths() {
    if (H3Paths) return *H3Paths;
    static const TH3Paths empty{TH3RegistryPlace{nullptr, L"", L""}};
    return empty;
}

// ---------------------------------------------------------------------------------
// The agent environment


uint32_t TAgentEnvironment::QuerySessionId() {
    LPWSTR buffer = nullptr;
    DWORD bytes = 0;
    uint32_t id = 1;
    if (WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, WTSSessionId, &buffer, &bytes)) {
        if (buffer && bytes >= sizeof(DWORD)) id = *reinterpret_cast<const DWORD*>(buffer);
    }
    if (buffer) WTSFreeMemory(buffer);
    return id;
}

namespace {

// The session and agent process the last agent URLs named, kept with the port those URLs
// named: a port that differs drops both (the agent was restarted elsewhere).
std::mutex g_AgentPidLock;
std::wstring g_KeptWithPort;
bool g_SessionKnown = false;
uint32_t g_Session = 1;
std::wstring g_AgentPidExe;
uint32_t g_AgentPid = 0;

// The agent process kept (a handle opened once per id): it still runs.
TKernelHandle g_AgentProcess;
uint32_t g_AgentProcessOf = 0;
bool Running(uint32_t Pid) {
    if (g_AgentProcessOf != Pid) {
        g_AgentProcess.Reset(OpenProcess(SYNCHRONIZE, FALSE, Pid));
        g_AgentProcessOf = Pid;
    }
    return g_AgentProcess && WaitForSingleObject(g_AgentProcess.Get(), 0) == WAIT_TIMEOUT;
}

} // namespace

std::wstring TAgentEnvironment::Port(const TH3Paths& Paths) {
    const std::wstring port = Paths.AgentUrlPort();
    std::lock_guard<std::mutex> lock(g_AgentPidLock);
    if (port != g_KeptWithPort) {
        g_KeptWithPort = port;
        g_SessionKnown = false;
        g_AgentPid = 0;
    }
    return port;
}

uint32_t TAgentEnvironment::SessionId() {
    {
        std::lock_guard<std::mutex> lock(g_AgentPidLock);
        if (g_SessionKnown) return g_Session;
    }
    const uint32_t id = QuerySessionId();
    std::lock_guard<std::mutex> lock(g_AgentPidLock);
    g_Session = id;
    g_SessionKnown = true;
    return id;
}

uint32_t TAgentEnvironment::AgentProcessId(const TH3Paths& Paths) {
    const std::wstring exe = Paths.AgentExeName();
    {
        std::lock_guard<std::mutex> lock(g_AgentPidLock);
        if (g_AgentPid != 0 && g_AgentPidExe == exe && Running(g_AgentPid)) return g_AgentPid;
    }
    DWORD pid = 0;
    if (!FindProcessId(exe, pid) && !Paths.AgentPath.empty()) pid = CreateProcessMinNoActive(Paths.AgentPath, std::wstring());
    if (pid != 0) {
        std::lock_guard<std::mutex> lock(g_AgentPidLock);
        g_AgentPidExe = exe;
        g_AgentPid = pid;
    }
    return pid;
}

bool KeptAgentRuns(const std::wstring& ExeName) {
    std::lock_guard<std::mutex> lock(g_AgentPidLock);
    return g_AgentPid != 0 && g_AgentPidExe == ExeName && Running(g_AgentPid);
}

uint32_t ForgetAgentProcessId() {
    std::lock_guard<std::mutex> lock(g_AgentPidLock);
    g_SessionKnown = false;
    return std::exchange(g_AgentPid, 0u);
}

TAgentEnvironment& DefaultAgentEnvironment() {
    static TAgentEnvironment environment;
    return environment;
}

// ---------------------------------------------------------------------------------
// TH3Code

TH3Code::TH3Code() = default;

TH3Code::TH3Code(const TH3Paths* Paths, TAgentEnvironment* Environment) : FPaths(Paths), FEnvironment(Environment) {}

const TH3Paths& TH3Code::Paths() const { return FPaths ? *FPaths : CurrentH3Paths(); }

void TH3Code::SetCatalogName(const std::wstring& Name) {
    Product = GetTokenTrimW(Name, 1, L'\\');
    ProductVersion = GetTokenTrimW(Name, 2, L'\\');
    Locale = GetTokenTrimW(Name, 3, L'\\');
}

void TH3Code::GetCatalogName(std::wstring& Name) const { Name = Product + L"\\" + ProductVersion + L"\\" + Locale; }

void TH3Code::GetHlmCommandLine(const std::wstring& CatalogName, std::wstring& Params) {
    const std::wstring name = Trim(CatalogName).empty() ? std::wstring(DefaultHlmCatalog) : CatalogName;
    Params = BuildCommandLine({L"/product", GetTokenTrimW(name, 1, L'\\'), L"/version", GetTokenTrimW(name, 2, L'\\'),
                               L"/locale", GetTokenTrimW(name, 3, L'\\')})
                 .Line;
}

void TH3Code::GetProductQuery(std::wstring& Query) const {
    std::wstring product, version, locale;
    EscapeValue(Product, product);
    EscapeValue(ProductVersion, version);
    EscapeValue(Locale, locale);
    Query = L"product=" + product + L"&productVersion=" + version;
    if (!locale.empty()) Query += L"&locale=" + locale;
    Query = UrlEncodeNonAscii(Query);
}

void TH3Code::GetAgentBaseUrl(std::wstring& Url) const {
    TAgentEnvironment& env = FEnvironment ? *FEnvironment : DefaultAgentEnvironment();
    const TH3Paths& paths = Paths();
    const std::wstring port = env.Port(paths);
    Url = L"http://127.0.0.1";
    if (!port.empty()) Url += L":" + port;
    Url += L"/help/" + UIntToStr(env.SessionId());
    if (paths.AgentTakesProcessId()) {
        const uint32_t pid = env.AgentProcessId(paths);
        if (pid != 0) Url += L"-" + UIntToStr(pid);
    }
    Url += L"/ms.help?";
}

void TH3Code::GetAgentQueryUrl(std::wstring& Url) const {
    std::wstring query;
    GetProductQuery(query);
    GetAgentBaseUrl(Url);
    Url += query;
}

void TH3Code::EscapeValue(const std::wstring& Value, std::wstring& Escaped) {
    Escaped.clear();
    if (Value.empty()) return;
    std::wstring s = Value;
    ReplaceStrW(s, L"+", L"%2B");

    std::wstring out;
    out.reserve(s.size() + 16);
    const int n = static_cast<int>(s.size());
    int i = 1; // 1-based, as IsEntityAt counts
    while (i <= n) {
        const wchar_t c = s[static_cast<size_t>(i - 1)];
        if (c == L'&') {
            int p = i;
            if (IsEntityAt(s, p)) {
                // A character reference goes as it is, up to and including its ';': ids and
                // keywords from the agent's XML replies are sent in the form they came in.
                out.append(s, static_cast<size_t>(i - 1), static_cast<size_t>(p - i));
                i = p;
                continue;
            }
            out += L"%26";
        } else if (c == L'#') {
            out += L"%23";
        } else {
            out += c;
        }
        ++i;
    }

    ReplaceStrW(out, L"[", L"%5B");
    ReplaceStrW(out, L"]", L"%5D");
    ReplaceStrW(out, L" ", L"+");
    // The agent expects an escaped '<' or '>' leading the text back as the character.
    if (SameTextPrefixW(out, L"%253C", 5)) ReplaceTextW(out, L"%253C", L"<");
    if (SameTextPrefixW(out, L"%253E", 5)) ReplaceTextW(out, L"%253E", L">");
    // A control character would end or split the request line: it goes percent-escaped.
    static const wchar_t* const hex = L"0123456789ABCDEF";
    for (size_t k = 0; k < out.size(); ++k) {
        const wchar_t c = out[k];
        if (c < 0x20 || c == 0x7F) {
            const wchar_t escape[3] = {L'%', hex[(c >> 4) & 15], hex[c & 15]};
            out.replace(k, 1, escape, 3);
            k += 2;
        }
    }
    Escaped = std::move(out);
}

void TH3Code::MakeAgentUrl(const std::vector<std::wstring>& Params, std::wstring& Url) const {
    std::wstring query;
    std::wstring escaped;
    for (size_t i = 0; i < Params.size(); ++i) {
        EscapeValue(Params[i], escaped);
        if (i % 2 == 0) {
            query += escaped;
            query += L'=';
        } else {
            query += escaped;
            if (i + 1 < Params.size()) query += L'&';
        }
    }
    if (!query.empty() && query.front() != L'&') query.insert(query.begin(), L'&');
    query = UrlEncodeNonAscii(Trim(query));
    GetAgentQueryUrl(Url);
    Url += query;
}

namespace {

inline wchar_t FoldAZ(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

// S[At .. At + Name.size()) equals Name, the case of A-Z ignored.
bool SameTextAt(const std::wstring& S, size_t At, std::wstring_view Name) {
    if (At + Name.size() > S.size()) return false;
    for (size_t k = 0; k < Name.size(); ++k)
        if (FoldAZ(S[At + k]) != FoldAZ(Name[k])) return false;
    return true;
}

// Removes every "&embedded=<value>" (name in any case) in one pass; the value runs to the
// next '&'. (No removal can join text into a new flag: what follows one starts with '&'.)
void RemoveEmbeddedFlags(std::wstring& Url) {
    std::wstring out;
    out.reserve(Url.size());
    for (size_t i = 0; i < Url.size();) {
        if (Url[i] == L'&' && SameTextAt(Url, i, L"&embedded=")) {
            const size_t end = Url.find(L'&', i + 1);
            i = end == std::wstring::npos ? Url.size() : end;
        } else {
            out += Url[i++];
        }
    }
    Url.swap(out);
}

} // namespace

bool TH3Code::FixAgentUrl(std::wstring& Url, int EmbeddedMode) const {
    Url = Trim(Url);
    const std::wstring original = Url;
    const int p = Pos(L"127.0.0.1", Url);
    const int q = Pos(L"?", Url);
    const std::wstring rest = q >= 1 ? Url.substr(static_cast<size_t>(q)) : std::wstring();

    if (p >= 1 && q > p) {
        std::wstring base;
        GetAgentBaseUrl(base);
        const std::wstring part = Url.substr(static_cast<size_t>(p - 1), static_cast<size_t>(q - p + 1));
        if (base.find(part) == std::wstring::npos) Url = base + rest;
    } else if (q >= 1 && ContainsText(Url, L"ms-xhelp:")) {
        std::wstring base;
        GetAgentBaseUrl(base);
        Url = base + rest;
    } else if (q >= 1 && (ContainsText(Url, L"//ms.help?") || ContainsText(Url, L"//ms.help/?"))) {
        std::wstring base;
        GetAgentBaseUrl(base);
        Url = base + rest;
    }

    if (Url.find(L"127.0.0.1") != std::wstring::npos && EmbeddedMode >= 0 && EmbeddedMode <= 2) {
        // A URL that already carries the wanted flag (in any case, anywhere) is left alone.
        const wchar_t* const wanted = EmbeddedMode == 1 ? L"&embedded=true" : L"&embedded=false";
        if (EmbeddedMode == 0 || !ContainsText(Url, wanted)) {
            RemoveEmbeddedFlags(Url);
            if (EmbeddedMode != 0) Url += wanted;
        }
    }
    return Url != original;
}

bool TH3Code::AgentUrlToMsXHelp(std::wstring& Url) {
    Url = Trim(Url);
    const int p = Pos(L"127.0.0.1", Url);
    const int q = Pos(L"?", Url);
    if (p >= 1 && q > p) {
        Url = L"ms-xhelp:///?" + Url.substr(static_cast<size_t>(q));
        return true;
    }
    return false;
}

void TH3Code::HttpGet(const std::wstring& Url, std::wstring& Text) const { HttpGetText(Url, Text); }

// ---------------------------------------------------------------------------------
// Module functions

std::wstring WithoutEmbeddedTrue(const std::wstring& Url) {
    static const std::wstring flag = L"&embedded=true";
    std::wstring url = Url;
    for (size_t p = url.find(flag); p != std::wstring::npos; p = url.find(flag, p + 1)) {
        const size_t end = p + flag.size();
        if (end == url.size() || url[end] == L'&' || url[end] == L'#') {
            url.erase(p, flag.size());
            break;
        }
    }
    return url;
}

bool IsHelpUrl(const std::wstring& Url) {
    return Url.find(L"127.0.0.1") != std::wstring::npos || Url.rfind(L"ms-xhelp:", 0) == 0 ||
           Url.find(L"&topicversion=") != std::wstring::npos;
}

void GetUrlParam(const std::wstring& Url, const std::wstring& Name, std::wstring& Value) {
    Value.clear();
    const size_t n = Url.size();
    size_t sep = 0;      // index just after the last separator (the text start counts as one)
    for (size_t i = 0; i < n; ++i) {
        const wchar_t c = Url[i];
        if (c == L'?' || c == L'&') {
            sep = i + 1;
            continue;
        }
        if (c != L'=') continue;
        // The key runs from the separator to this '='; only one of Name's length is compared.
        if (i - sep != Name.size() || !SameTextAt(Url, sep, Name)) continue;

        const size_t start = i + 1;
        const size_t nextEq = Url.find(L'=', start);
        size_t end = std::wstring::npos;
        if (nextEq != std::wstring::npos) {
            // A '&' before the next key's '=': the value ends at the last of them.
            const size_t amp = Url.rfind(L'&', nextEq);
            if (amp != std::wstring::npos && amp >= start) end = amp;
        }
        if (end == std::wstring::npos) {
            end = Url.find(L'&', start);
            if (end == std::wstring::npos) end = n;
        }
        Value = Url.substr(start, end - start);
        return;
    }
}
