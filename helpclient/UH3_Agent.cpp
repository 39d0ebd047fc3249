// Agent HTTP requests, port probe and process searches.
#include "UH3_Agent.h"

#include "Boundary.h"
#include "Forms.h"
#include "Handles.h"
#include "UAgentLink.h"
#include "SysUtils.h"
#include "Threads.h"
#include "UAuxFile.h"
#include "UDLogFile.h"
#include "UH3_Code.h"
#include "UHttpRequest.h"
#include "UUnicode.h"

#include <ws2tcpip.h>
#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>
#include <tlhelp32.h>

namespace {

// How long the port probe waits for a connection to be accepted.
constexpr DWORD ProbeTimeoutMs = 1000;
// How long a probe holds the GUI thread before the thread's wait lets its messages run.
constexpr DWORD ProbeBlockMs = 50;

// The caller the GUI thread took last, for requests made on other threads.
std::mutex g_CallerLock;
TAgentCaller g_Caller;

// Winsock is started once per process (and left to the process's end).
bool WinsockStarted() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
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

namespace {

// A reply for HttpGetText with a user agent given, a cancel (may be null) and a sink of the
// body (may be empty): usable on any thread. A request that failed is asked again when it
// named an agent that has gone and another runs (Retried: the reply is that second one's,
// whose body the sink did not get).
THttpReply GetReply(const std::wstring& Url, const TAgentCaller& Caller, THttpCancel* Cancel,
                    THttpChunkSink Chunks = {}, bool* Retried = nullptr) {
    THttpReply reply = HttpGetReply(LinkedWinINet(), Caller.UserAgent, Url, true, Cancel, std::move(Chunks));
    if (!reply.Ok() && reply.Failure != THttpFailure::Cancelled) {
        // The agent kept may have gone: found again, and a URL that named the one gone is
        // asked again of the one running now.
        if (const uint32_t gone = ForgetAgentProcessId()) {
            const std::wstring mark = L"-" + std::to_wstring(gone) + L"/ms.help";
            const size_t at = Url.find(mark);
            DWORD pid = 0;
            if (at != std::wstring::npos && FindProcessId(Caller.AgentExe, pid) && pid != gone) {
                std::wstring again = Url;
                again.replace(at, mark.size(), L"-" + std::to_wstring(pid) + L"/ms.help");
                reply = HttpGetReply(LinkedWinINet(), Caller.UserAgent, again, true, Cancel);
                if (Retried) *Retried = true;
            }
        }
    }
    return reply;
}

// The text of a reply as HttpGetText gives it: empty (and logged) on failure.
void ReplyText(const std::wstring& Url, const THttpReply& reply, std::wstring& Text) {
    Text.clear();
    if (!reply.Ok()) {
        const std::wstring line = L"HttpGetText> " + reply.Describe() + L": " + Url;
        DebugOut(line);
        H3TraceLog(line);
        return;
    }
    if (reply.Body.empty()) return;
    std::wstring decoded;
    try {
        BufferToWide(-1, reply.Body, encNone, decoded);
    } catch (...) {
        decoded.clear();
    }
    Text = std::move(decoded);
}

// HttpGetText with a caller given and a cancel (may be null): usable on any thread.
void GetText(const std::wstring& Url, std::wstring& Text, const TAgentCaller& Caller, THttpCancel* Cancel) {
    ReplyText(Url, GetReply(Url, Caller, Cancel), Text);
}

// Widens a body as it arrives, while it reads as the whole body will: UTF-8 after its
// mark, or without a mark while every byte so far is ASCII or well-formed UTF-8 (a body
// without zero bytes that stays so is taken as UTF-8, or as ASCII, which reads alike).
// Pieces end on whole characters; anything else stops the stream for good.
class TUtf8Stream {
public:
    explicit TUtf8Stream(THttpTextPiece APiece) : FPiece(std::move(APiece)) {}
    void Feed(const char* Data, size_t Size, uint64_t Length) {
        if (!FGoing) return;
        FMost = static_cast<size_t>(std::min<uint64_t>(Length, SIZE_MAX));
        FPending.append(Data, Size);
        if (!FStarted) {
            if (FPending.size() < 3) return;
            FStarted = true;
            const auto* p = reinterpret_cast<const unsigned char*>(FPending.data());
            if ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF)) {
                FGoing = false; // UTF-16: read whole at the end
                return;
            }
            if (p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) FPending.erase(0, 3);
        }
        // The bytes up to the last whole character, checked and widened in one pass: runs
        // of ASCII (no zero bytes) are widened here, the characters between them by the
        // system's converter, run by run.
        const auto* p = reinterpret_cast<const unsigned char*>(FPending.data());
        const size_t n = FPending.size();
        FWide.resize(n);
        wchar_t* out = FWide.data();
        size_t i = 0, whole = 0, o = 0;
        while (i < n) {
            // ASCII, four at a time while they last.
            while (i + 4 <= n) {
                uint32_t w;
                std::memcpy(&w, p + i, 4);
                if ((w & 0x80808080u) != 0 || ((w - 0x01010101u) & ~w & 0x80808080u) != 0) break;
                out[o] = p[i];
                out[o + 1] = p[i + 1];
                out[o + 2] = p[i + 2];
                out[o + 3] = p[i + 3];
                i += 4;
                o += 4;
            }
            while (i < n && p[i] != 0 && p[i] < 0x80) out[o++] = p[i++];
            whole = i;
            if (i >= n) break;
            if (p[i] == 0) {
                FGoing = false;
                return;
            }
            // A run of characters of two to four bytes.
            const size_t run = i;
            bool cut = false;
            while (i < n && p[i] >= 0x80) {
                const unsigned char c = p[i];
                const int need = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
                if (need < 0) {
                    FGoing = false;
                    return;
                }
                size_t k = 1;
                while (k <= static_cast<size_t>(need) && i + k < n && (p[i + k] & 0xC0) == 0x80) ++k;
                if (k <= static_cast<size_t>(need)) {
                    if (i + k < n) {
                        FGoing = false; // a byte that cannot go on the character
                        return;
                    }
                    cut = true; // the character goes on in the next chunk
                    break;
                }
                i += k;
            }
            if (i > run) {
                const int got = MultiByteToWideChar(CP_UTF8, 0, FPending.data() + run, static_cast<int>(i - run),
                                                    out + o, static_cast<int>(n - o));
                if (got <= 0) {
                    FGoing = false;
                    return;
                }
                o += static_cast<size_t>(got);
                whole = i;
            }
            if (cut) break;
        }
        if (whole == 0) return;
        FPending.erase(0, whole);
        FPiece(std::wstring_view(FWide.data(), o), FMost);
        FAny = true;
    }
    // Every byte went out as text.
    bool Whole() const { return FGoing && FStarted && FPending.empty() && FAny; }

private:
    THttpTextPiece FPiece;
    std::string FPending;
    std::wstring FWide;
    size_t FMost = 0;
    bool FStarted = false;
    bool FGoing = true;
    bool FAny = false;
};

// The requests of one HttpGetTexts call, shared with its workers.
struct TTextGroup {
    std::vector<std::wstring> Urls, Texts;
    std::vector<std::unique_ptr<THttpCancel>> Cancels;
    TAgentCaller Caller;
    std::atomic<size_t> Next{0};
    std::atomic<size_t> Left{0};
    TKernelHandle Done;
};

constexpr size_t GroupWorkers = 4;

} // namespace

TAgentCaller AgentCaller() {
    if (GetCurrentThreadId() != MainThreadID) {
        std::lock_guard<std::mutex> hold(g_CallerLock);
        return g_Caller;
    }
    TAgentCaller caller;
    const std::wstring title = Application ? Application->Title() : std::wstring();
    if (!title.empty()) caller.UserAgent = title;
    caller.AgentExe = CurrentH3Paths().AgentExeName();
    std::lock_guard<std::mutex> hold(g_CallerLock);
    g_Caller = caller;
    return caller;
}

void HttpGetText(const std::wstring& Url, std::wstring& Text) { GetText(Url, Text, AgentCaller(), nullptr); }

void HttpGetText(const std::wstring& Url, std::wstring& Text, const TAgentCaller& Caller) {
    GetText(Url, Text, Caller, nullptr);
}

bool HttpGetTextStreamed(const std::wstring& Url, std::wstring& Text, const THttpTextPiece& Piece) {
    return HttpGetTextStreamed(Url, Text, Piece, AgentCaller());
}

bool HttpGetTextStreamed(const std::wstring& Url, std::wstring& Text, const THttpTextPiece& Piece,
                         const TAgentCaller& Caller) {
    Text.clear();
    // The sink may be called by a request given up after this returns: it owns its state.
    auto stream = std::make_shared<TUtf8Stream>(Piece);
    auto lock = std::make_shared<std::mutex>();
    auto over = std::make_shared<bool>(false);
    bool retried = false;
    const THttpReply reply = GetReply(Url, Caller, nullptr,
                                      [stream, lock, over](const char* Data, size_t Size, uint64_t Length) {
                                          std::lock_guard<std::mutex> hold(*lock);
                                          if (!*over) stream->Feed(Data, Size, Length);
                                      },
                                      &retried);
    bool whole;
    {
        std::lock_guard<std::mutex> hold(*lock);
        *over = true;
        whole = stream->Whole();
    }
    if (reply.Ok() && whole && !retried) return true;
    ReplyText(Url, reply, Text);
    return false;
}

std::vector<std::wstring> HttpGetTexts(const std::vector<std::wstring>& Urls) {
    std::vector<std::wstring> texts(Urls.size());
    auto group = std::make_shared<TTextGroup>();
    group->Done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (Urls.size() < 2 || !group->Done) {
        for (size_t i = 0; i < Urls.size(); ++i) HttpGetText(Urls[i], texts[i]);
        return texts;
    }
    group->Urls = Urls;
    group->Texts.resize(Urls.size());
    for (size_t i = 0; i < Urls.size(); ++i) group->Cancels.push_back(std::make_unique<THttpCancel>());
    group->Caller = AgentCaller();
    group->Left = Urls.size();
    const auto work = [group] {
        for (size_t i = group->Next++; i < group->Urls.size(); i = group->Next++) {
            Guarded(L"HttpGetTexts", [&] { GetText(group->Urls[i], group->Texts[i], group->Caller, group->Cancels[i].get()); });
            if (--group->Left == 0) SetEvent(group->Done.Get());
        }
    };
    // The group's jobs run on the standing request workers, each waiting for its requests.
    size_t started = 0;
    while (started < std::min(GroupWorkers, Urls.size()) && RunOnRequestWorker(work)) ++started;
    if (started == 0) work(); // no thread to be had: here, one after another
    // The GUI thread keeps its window answering and may cancel the lot.
    THttpCancel cancel;
    if (const THttpWait wait = HttpWaitOfThisThread())
        wait(group->Done.Get(), cancel, HttpLimits().TotalMs * static_cast<DWORD>(Urls.size()));
    else
        WaitForSingleObject(group->Done.Get(), INFINITE); // each request keeps its own bound
    if (WaitForSingleObject(group->Done.Get(), 0) != WAIT_OBJECT_0) {
        for (auto& c : group->Cancels) c->Cancel();
        return texts; // given up: nothing
    }
    return std::move(group->Texts);
}

bool IsHelpAgentListening() { return IsHelpAgentListening(CurrentH3Paths()); }

bool IsHelpAgentListening(const TH3Paths& Paths) {
    const int port = AgentPortNumber(Paths);
    if (port == 0) return false;
    // A probe that answers at once lets no message run inside the caller's handler.
    auto open = std::make_shared<std::atomic<bool>>(false);
    return RunWaitedOnRequestWorker([open, port] { *open = PortTCP_IsOpen(port); }, ProbeBlockMs, 2 * ProbeTimeoutMs) &&
           *open;
}

bool PortTCP_IsOpen(int Port) { return PortTCP_IsOpenOn(Port, "127.0.0.1"); }

bool PortTCP_IsOpenOn(int Port, const std::string& Host) {
    if (Port < 1 || Port > 65535) {
        DebugOut(L"PortTCP_IsOpenOn> port %d out of range: not open", {Port});
        return false;
    }
    if (!WinsockStarted()) return false;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(Port));
    addr.sin_addr.s_addr = inet_addr(Host.c_str());
    if (addr.sin_addr.s_addr == INADDR_NONE) return false;
    TSocketHandle s(socket(AF_INET, SOCK_STREAM, 0));
    if (!s) return false;
    // Without an answer within the time-out (a full backlog, a filtered port) the port
    // counts as not open.
    u_long nonBlocking = 1;
    if (ioctlsocket(s.Get(), FIONBIO, &nonBlocking) != 0) return false;
    if (connect(s.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) == 0) return true;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s.Get(), &writable);
    FD_SET(s.Get(), &failed);
    timeval wait{static_cast<long>(ProbeTimeoutMs / 1000), static_cast<long>(ProbeTimeoutMs % 1000) * 1000};
    if (select(0, nullptr, &writable, &failed, &wait) <= 0 || !FD_ISSET(s.Get(), &writable)) return false;
    int error = 0;
    int size = sizeof(error);
    return getsockopt(s.Get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) == 0 && error == 0;
}

bool IsHelpLibAgentRunning() { return IsHelpLibAgentRunning(CurrentH3Paths()); }

bool IsHelpLibAgentRunning(const TH3Paths& Paths) {
    // The agent the URLs name, while it runs, spares a search of the process list.
    const std::wstring exe = Paths.AgentExeName();
    if (KeptAgentRuns(exe)) return true;
    DWORD pid = 0;
    return FindProcessId(exe, pid);
}

bool FindProcessId(const std::wstring& ExeName, DWORD& Pid) {
    Pid = 0;
    TFileHandle snapshot;
    for (int attempt = 0; attempt < 6; ++attempt) {
        snapshot.Reset(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
        if (snapshot) break;
        if (attempt < 5) Sleep(100);
    }
    if (!snapshot) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
        if (SameTextW(entry.szExeFile, ExeName)) {
            Pid = entry.th32ProcessID;
            return true;
        }
    }
    return false;
}
