// Agent HTTP requests, port probe and process searches.
#include "UH3_Agent.h"

#include "Forms.h"
#include "UAgentLink.h"
#include "SysUtils.h"
#include "UAuxFile.h"
#include "UDLogFile.h"
#include "UH3_Code.h"
#include "UUnicode.h"

#include <wininet.h>
#include <ws2tcpip.h>
#include <tlhelp32.h>

#include <memory>

namespace {

constexpr DWORD OpenUrlFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                               INTERNET_FLAG_NO_UI; // 0x84400200
constexpr DWORD ReadChunk = 0x200000;                 // 2 MiB
constexpr int OpenTries = 5;
constexpr DWORD RetryPauseMs = 100;

struct TInternetHandle {
    HINTERNET H = nullptr;
    explicit TInternetHandle(HINTERNET h) : H(h) {}
    TInternetHandle(const TInternetHandle&) = delete;
    TInternetHandle& operator=(const TInternetHandle&) = delete;
    ~TInternetHandle() {
        if (H) InternetCloseHandle(H);
    }
};

struct TSnapshot {
    HANDLE H;
    explicit TSnapshot(HANDLE h) : H(h) {}
    TSnapshot(const TSnapshot&) = delete;
    TSnapshot& operator=(const TSnapshot&) = delete;
    ~TSnapshot() {
        if (H != INVALID_HANDLE_VALUE) CloseHandle(H);
    }
};

std::wstring AgentName() {
    std::wstring name;
    if (Application) name = Application->Title();
    return name.empty() ? std::wstring(L"Vorlane") : name;
}

// The body bytes of Url; empty when the session or the URL cannot be opened or a read fails.
void FetchBytes(const std::wstring& Url, std::string& Bytes) {
    TInternetHandle session(InternetOpenW(AgentName().c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.H) return;
    TInternetHandle request(nullptr);
    for (int attempt = 0; attempt < OpenTries && !request.H; ++attempt) {
        request.H = InternetOpenUrlW(session.H, Url.c_str(), nullptr, 0, OpenUrlFlags, 0);
        if (!request.H) Sleep(RetryPauseMs);
    }
    if (!request.H) return;
    std::string chunk(ReadChunk, '\0');
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.H, chunk.data(), ReadChunk, &got)) {
            Bytes.clear();
            return;
        }
        if (got == 0) return;
        Bytes.append(chunk.data(), got);
    }
}

// The port agent URLs use as a number, or 0 (logged) when it is none.
int AgentPortNumber(const TH3Paths& Paths) {
    std::wstring text = Trim(Paths.AgentUrlPort());
    if (text.empty()) return 80;
    int port = 0;
    bool digits = !text.empty();
    for (wchar_t c : text) digits = digits && c >= L'0' && c <= L'9';
    if (!digits || text.size() > 5 || !TryStrToInt(text, port) || port < 1 || port > 65535) {
        const std::wstring line = L"IsHelpAgentListening> invalid agent port \"" + text + L"\": not listening";
        DebugOut(line);
        H3TraceLog(line);
        return 0;
    }
    return port;
}

} // namespace

void HttpGetText(const std::wstring& Url, std::wstring& Text) {
    Text.clear();
    std::string bytes;
    try {
        FetchBytes(Url, bytes);
    } catch (...) {
        // What was read so far is converted below.
    }
    if (bytes.empty()) return;
    std::wstring decoded;
    try {
        BufferToWide(-1, bytes, encNone, decoded);
    } catch (...) {
        decoded.clear();
    }
    Text = std::move(decoded);
}

bool IsHelpAgentListening() { return IsHelpAgentListening(CurrentH3Paths()); }

bool IsHelpAgentListening(const TH3Paths& Paths) {
    const int port = AgentPortNumber(Paths);
    return port != 0 && PortTCP_IsOpen(port);
}

bool PortTCP_IsOpen(int Port) { return PortTCP_IsOpenOn(Port, "127.0.0.1"); }

bool PortTCP_IsOpenOn(int Port, const std::string& Host) {
    if (Port < 1 || Port > 65535) {
        DebugOut(L"PortTCP_IsOpenOn> port %d out of range: not open", {Port});
        return false;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0) return false;
    bool open = false;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s != INVALID_SOCKET) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<u_short>(Port));
        addr.sin_addr.s_addr = inet_addr(Host.c_str());
        if (addr.sin_addr.s_addr != INADDR_NONE)
            open = connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0;
        closesocket(s);
    }
    WSACleanup();
    return open;
}

bool IsHelpLibAgentRunning() { return IsHelpLibAgentRunning(CurrentH3Paths()); }

bool IsHelpLibAgentRunning(const TH3Paths& Paths) {
    DWORD pid = 0;
    return FindProcessId(Paths.AgentExeName(), pid);
}

bool FindProcessId(const std::wstring& ExeName, DWORD& Pid) {
    Pid = 0;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 6; ++attempt) {
        h = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (h != INVALID_HANDLE_VALUE) break;
        if (attempt < 5) Sleep(100);
    }
    TSnapshot snapshot(h);
    if (h == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(h, &entry); more; more = Process32NextW(h, &entry)) {
        if (SameTextW(entry.szExeFile, ExeName)) {
            Pid = entry.th32ProcessID;
            return true;
        }
    }
    return false;
}
