// Bounded HTTP GET over WinINet.
#include "UHttpRequest.h"

#include "Boundary.h"
#include "PoolThread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

namespace {

std::mutex g_LimitsLock;
THttpLimits g_Limits;
std::atomic<int> g_Workers{0};
std::mutex g_WaitLock;
DWORD g_WaitThread = 0;
THttpWait g_Wait;


constexpr DWORD ChunkBytes = 0x40000; // 256 KiB per read
constexpr DWORD RequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                               INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_AUTO_REDIRECT;

bool IsRedirect(int Status) {
    return Status == 301 || Status == 302 || Status == 303 || Status == 307 || Status == 308;
}

// A head that WinINet made up for a reply without one has no header field: "HTTP/1.0 200
// OK" alone. A real reply has a status line and at least one "name: value" line.
bool IsHttpHead(const std::wstring& Raw) {
    if (Raw.compare(0, 5, L"HTTP/") != 0) return false;
    const size_t eol = Raw.find(L'\n');
    if (eol == std::wstring::npos) return false;
    const size_t colon = Raw.find(L':', eol);
    return colon != std::wstring::npos && Raw.find(L'\n', eol + 1) > colon;
}

bool SameAscii(const std::wstring& A, const wchar_t* B) {
    size_t k = 0;
    for (; k < A.size() && B[k]; ++k) {
        const wchar_t a = (A[k] >= L'A' && A[k] <= L'Z') ? static_cast<wchar_t>(A[k] + 32) : A[k];
        if (a != B[k]) return false;
    }
    return k == A.size() && !B[k];
}

// WinINet keeps each handle in its parent's list of children (a connection in its session's,
// a request in its connection's) and changes those lists without a lock of its own: when a
// handle is made, and when the last reference to one goes. Every request of the process
// shares one session, so making a connection and closing one takes this lock. Closing a
// request can read what is left of its body first: it takes only its own request's lock
// (THttpRequestState::HandlesLock), which closing its connection takes as well, so that the
// connection's last reference goes under both. A request handle that another thread is using
// goes only when that call returns, before the worker closes the connection.
std::mutex& SessionLock() {
    static std::mutex* lock = new std::mutex(); // never freed: workers may run at exit
    return *lock;
}

} // namespace

THttpLimits HttpLimits() {
    std::lock_guard<std::mutex> lock(g_LimitsLock);
    return g_Limits;
}

THttpLimits SetHttpLimits(const THttpLimits& Limits) {
    std::lock_guard<std::mutex> lock(g_LimitsLock);
    return std::exchange(g_Limits, Limits);
}

int HttpRequestWorkers() { return g_Workers; }

THttpWait HttpWaitOfThisThread() {
    std::lock_guard<std::mutex> lock(g_WaitLock);
    return g_WaitThread == GetCurrentThreadId() ? g_Wait : THttpWait();
}

void SetHttpWait(DWORD ThreadId, THttpWait Wait) {
    std::lock_guard<std::mutex> lock(g_WaitLock);
    g_WaitThread = Wait ? ThreadId : 0;
    g_Wait = std::move(Wait);
}

std::wstring THttpReply::Describe() const {
    std::wstring what;
    switch (Failure) {
    case THttpFailure::None: what = L"complete"; break;
    case THttpFailure::NoSession: what = L"no internet session"; break;
    case THttpFailure::CannotOpen: what = L"cannot connect"; break;
    case THttpFailure::TimedOut: what = L"timed out"; break;
    case THttpFailure::BadReply: what = L"not a valid HTTP reply"; break;
    case THttpFailure::Status: what = L"status " + std::to_wstring(Status); break;
    case THttpFailure::Redirects: what = L"too many redirects"; break;
    case THttpFailure::Incomplete: what = L"incomplete"; break;
    case THttpFailure::TooLarge: what = L"too large"; break;
    case THttpFailure::Cancelled: what = L"cancelled"; break;
    }
    return Detail.empty() ? what : what + L" (" + Detail + L")";
}

bool TWinINetApi::Complete() const {
    return OpenW && ConnectW && OpenRequestW && SendRequestW && QueryInfoW && SetOptionW && ReadFile && CloseHandle &&
           CrackUrlW && CombineUrlW;
}

const TWinINetApi& LinkedWinINet() {
    static const TWinINetApi api = [] {
        TWinINetApi a;
        a.OpenW = &InternetOpenW;
        a.ConnectW = &InternetConnectW;
        a.OpenRequestW = &HttpOpenRequestW;
        a.SendRequestW = &HttpSendRequestW;
        a.QueryInfoW = &HttpQueryInfoW;
        a.SetOptionW = &InternetSetOptionW;
        a.ReadFile = &InternetReadFile;
        a.CloseHandle = &InternetCloseHandle;
        a.CrackUrlW = &InternetCrackUrlW;
        a.CombineUrlW = &InternetCombineUrlW;
        return a;
    }();
    return api;
}

// ---------------------------------------------------------------------------------
// One request, shared by its worker and the thread that waits for it.

struct THttpRequestState {
    TWinINetApi Api;
    std::wstring Agent;
    std::wstring Url;
    bool ReadBody = true;
    THttpChunkSink Chunks;
    THttpLimits Limits;
    TKernelHandle Done;

    struct TOpenHandle {
        TInternetHandle Handle;
        bool Request = false; // else a connection
    };
    std::mutex Lock;
    // Held while this request's handles are made and closed (see SessionLock); shared with
    // the thread that closes them for a waiter that gave up.
    std::shared_ptr<std::mutex> HandlesLock = std::make_shared<std::mutex>();
    bool GivenUp = false;
    std::vector<TOpenHandle> Open; // the worker's open handles, children after parents
    THttpReply Reply;

    // The waiter gives up: the open request handles are closed, which ends a blocked call
    // where WinINet allows it; their connections are left to the worker (see SessionLock).
    // The worker checks Going() before each call on a handle, so it does not use a closed
    // one again. The closing runs on a thread of its own: closing a request can read what is
    // left of its body first.
    void GiveUp() {
        std::vector<TInternetHandle> handles;
        {
            std::lock_guard<std::mutex> lock(Lock);
            if (GivenUp) return;
            GivenUp = true;
            for (auto it = Open.begin(); it != Open.end();) {
                if (it->Request) {
                    handles.push_back(std::move(it->Handle));
                    it = Open.erase(it);
                } else {
                    ++it;
                }
            }
        }
        if (handles.empty()) return;
        auto closing = std::make_shared<std::vector<TInternetHandle>>(std::move(handles));
        const std::shared_ptr<std::mutex> handlesLock = HandlesLock;
        auto closeAll = [closing, handlesLock] {
            for (auto it = closing->rbegin(); it != closing->rend(); ++it) {
                std::lock_guard<std::mutex> lock(*handlesLock);
                it->Reset();
            }
        };
        ++g_Workers;
        if (!RunOnPoolThread([closeAll] {
                closeAll();
                --g_Workers;
            })) {
            --g_Workers;
            closeAll(); // no thread to be had: here, then
        }
    }
    bool Going() {
        std::lock_guard<std::mutex> lock(Lock);
        return !GivenUp;
    }
    // Keeps h for closing; false (h closed) when the request was given up meanwhile.
    bool Track(HINTERNET h, bool Request) {
        TOpenHandle owned{TInternetHandle(h, Api.CloseHandle), Request};
        {
            std::lock_guard<std::mutex> lock(Lock);
            if (!GivenUp) {
                Open.push_back(std::move(owned));
                return true;
            }
        }
        CloseOpen(owned);
        return false;
    }
    void Close(HINTERNET& h) {
        TOpenHandle mine;
        {
            std::lock_guard<std::mutex> lock(Lock);
            auto it = std::find_if(Open.begin(), Open.end(), [h](const TOpenHandle& o) { return o.Handle.Get() == h; });
            if (it != Open.end()) {
                mine = std::move(*it);
                Open.erase(it);
            }
        }
        h = nullptr;
        CloseOpen(mine); // outside the request's lock
    }
    void CloseAll() {
        std::vector<TOpenHandle> handles;
        {
            std::lock_guard<std::mutex> lock(Lock);
            handles.swap(Open);
        }
        for (auto it = handles.rbegin(); it != handles.rend(); ++it) CloseOpen(*it);
    }
    void CloseOpen(TOpenHandle& Open) {
        if (!Open.Handle) return;
        std::lock_guard<std::mutex> lock(*HandlesLock);
        if (Open.Request) {
            Open.Handle.Reset();
        } else {
            std::lock_guard<std::mutex> session(SessionLock());
            Open.Handle.Reset();
        }
    }
};

namespace {

// One internet session per WinINet binding and user agent, opened at the first request and
// kept for the run: the requests only open and close their connections and requests in it.
HINTERNET SharedSession(const TWinINetApi& Api, const std::wstring& Agent) {
    struct TSession {
        decltype(&InternetOpenW) OpenW;
        std::wstring Agent;
        HINTERNET Handle;
    };
    static std::mutex lock;
    static std::vector<TSession>* sessions = new std::vector<TSession>(); // never freed: workers may run at exit
    std::lock_guard<std::mutex> guard(lock);
    for (const TSession& s : *sessions)
        if (s.OpenW == Api.OpenW && s.Agent == Agent)
            return s.Handle;
    HINTERNET h = Api.OpenW(Agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (h)
        sessions->push_back({Api.OpenW, Agent, h});
    return h;
}

// Standing worker threads for the requests: a request is handed to an idle worker, or to a
// new one when all are busy (a request given up keeps its worker until WinINet lets go). A
// worker idle for a while ends, all but a few.
class TRequestWorkers {
public:
    // False when no thread could be had for Job.
    bool Run(std::function<void()> Job) {
        std::unique_lock<std::mutex> lock(FLock);
        FJobs.push_back(std::move(Job));
        if (FIdle > static_cast<int>(FJobs.size()) - 1) {
            FWake.notify_one();
            return true;
        }
        if (!RunOnPoolThread([this] { Work(); })) {
            FJobs.pop_back();
            return false;
        }
        ++FThreads;
        return true;
    }

private:
    // The four jobs of a parallel group and the four requests they wait on.
    static constexpr int KeptIdle = 8;
    static constexpr auto IdleEnd = std::chrono::seconds(30);
    void Work() {
        std::unique_lock<std::mutex> lock(FLock);
        for (;;) {
            ++FIdle;
            const bool job = FWake.wait_for(lock, IdleEnd, [this] { return !FJobs.empty(); });
            --FIdle;
            if (!job && FThreads > KeptIdle) {
                --FThreads;
                return;
            }
            if (!job)
                continue;
            std::function<void()> next = std::move(FJobs.front());
            FJobs.pop_front();
            lock.unlock();
            next();
            lock.lock();
        }
    }
    std::mutex FLock;
    std::condition_variable FWake;
    std::deque<std::function<void()>> FJobs;
    int FIdle = 0;
    int FThreads = 0;
};

TRequestWorkers& RequestWorkers() {
    static TRequestWorkers* workers = new TRequestWorkers(); // never freed: its threads outlive statics
    return *workers;
}

class TRequestRun {
public:
    explicit TRequestRun(THttpRequestState& State) : S(State), L(State.Limits) {}
    THttpReply Run();

private:
    THttpReply Fail(THttpFailure Failure, const std::wstring& Detail = std::wstring()) {
        R.Failure = Failure;
        R.Detail = Detail;
        R.Body.clear();
        return R;
    }
    void SetTimeouts(HINTERNET h) {
        DWORD connect = L.ConnectMs, stall = L.StallMs, retries = 1;
        S.Api.SetOptionW(h, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
        S.Api.SetOptionW(h, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof(retries));
        S.Api.SetOptionW(h, INTERNET_OPTION_SEND_TIMEOUT, &stall, sizeof(stall));
        S.Api.SetOptionW(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &stall, sizeof(stall));
    }
    // A header as text; false when absent.
    bool Query(DWORD Info, std::wstring& Value) {
        Value.assign(256, L'\0');
        for (int pass = 0; pass < 2; ++pass) {
            DWORD bytes = static_cast<DWORD>(Value.size() * sizeof(wchar_t));
            if (S.Api.QueryInfoW(FRequest, Info, Value.data(), &bytes, nullptr)) {
                Value.resize(bytes / sizeof(wchar_t));
                return true;
            }
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) break;
            Value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        }
        Value.clear();
        return false;
    }
    // The peer ended the connection before the first byte of a reply (a reset that overtook
    // the request can end so too): WinINet reports a sent request with an empty head. That
    // is a failed connection like a reset during the request, not a reply that is not HTTP.
    bool ClosedWithoutReply() {
        std::wstring raw;
        return Query(HTTP_QUERY_RAW_HEADERS_CRLF, raw) && raw.find_first_not_of(L"\r\n") == std::wstring::npos;
    }
    bool Open(const std::wstring& Url, THttpReply& Failed);
    bool ReadHead(bool& Redirected, std::wstring& Location, uint64_t& Length, bool& HasLength, THttpReply& Failed);
    bool ReadBody(uint64_t Length, bool HasLength, THttpReply& Failed);

    THttpRequestState& S;
    const THttpLimits& L;
    THttpReply R;
    HINTERNET FSession = nullptr;
    HINTERNET FConnect = nullptr;
    HINTERNET FRequest = nullptr;
};

// Connects and sends the request, trying again (after a pause) when the connection is
// refused; a try that ran into a time-out is not repeated.
bool TRequestRun::Open(const std::wstring& Url, THttpReply& Failed) {
    URL_COMPONENTSW parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
    if (!S.Api.CrackUrlW(Url.c_str(), static_cast<DWORD>(Url.size()), 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) || !parts.lpszHostName ||
        parts.dwHostNameLength == 0) {
        Failed = Fail(THttpFailure::CannotOpen, L"not an http address");
        return false;
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object = parts.lpszUrlPath ? std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) : std::wstring();
    if (parts.lpszExtraInfo) object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty()) object = L"/";
    const DWORD flags = RequestFlags | (parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0);

    for (int attempt = 1;; ++attempt) {
        if (!S.Going()) return false;
        {
            std::lock_guard<std::mutex> lock(SessionLock());
            FConnect = S.Api.ConnectW(FSession, host.c_str(), parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
        }
        if (FConnect && !S.Track(FConnect, false)) return false;
        if (FConnect && S.Going()) {
            SetTimeouts(FConnect);
            {
                std::lock_guard<std::mutex> lock(*S.HandlesLock);
                FRequest = S.Api.OpenRequestW(FConnect, L"GET", object.c_str(), L"HTTP/1.0", nullptr, nullptr, flags, 0);
            }
            if (FRequest && !S.Track(FRequest, true)) return false;
        }
        if (FRequest && S.Going()) {
            SetTimeouts(FRequest);
            const ULONGLONG start = GetTickCount64();
            const bool sent = S.Api.SendRequestW(FRequest, nullptr, 0, nullptr, 0);
            const DWORD error = sent ? 0 : GetLastError();
            if (sent && !ClosedWithoutReply()) return true;
            const ULONGLONG took = GetTickCount64() - start;
            if (!sent && (error == ERROR_INTERNET_TIMEOUT || took >= std::min(L.ConnectMs, L.StallMs))) {
                Failed = Fail(THttpFailure::TimedOut, L"no answer for " + std::to_wstring(took) + L" ms");
                return false;
            }
            Failed = Fail(THttpFailure::CannotOpen, (sent ? std::wstring(L"closed without a reply")
                                                          : L"error " + std::to_wstring(error)) +
                                                        L", " + std::to_wstring(attempt) + L" tries");
        } else {
            Failed = Fail(THttpFailure::CannotOpen, L"error " + std::to_wstring(GetLastError()));
        }
        S.Close(FRequest);
        S.Close(FConnect);
        Sleep(L.RetryPauseMs);
        if (attempt >= L.OpenTries) return false;
    }
}

bool TRequestRun::ReadHead(bool& Redirected, std::wstring& Location, uint64_t& Length, bool& HasLength,
                           THttpReply& Failed) {
    Redirected = false;
    HasLength = false;
    Length = 0;
    std::wstring raw, text;
    if (!S.Going()) return false;
    if (!Query(HTTP_QUERY_RAW_HEADERS_CRLF, raw) || !IsHttpHead(raw)) {
        Failed = Fail(THttpFailure::BadReply, L"no status line and header");
        return false;
    }
    DWORD status = 0, size = sizeof(status);
    if (!S.Api.QueryInfoW(FRequest, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr)) {
        Failed = Fail(THttpFailure::BadReply, L"no status");
        return false;
    }
    R.Status = static_cast<int>(status);
    if (IsRedirect(R.Status) && Query(HTTP_QUERY_LOCATION, Location) && !Location.empty()) {
        Redirected = true;
        return true;
    }
    if (R.Status >= 400) {
        Failed = Fail(THttpFailure::Status);
        return false;
    }
    if (Query(HTTP_QUERY_TRANSFER_ENCODING, text) && !SameAscii(text, L"identity")) {
        Failed = Fail(THttpFailure::BadReply, L"body in chunks");
        return false;
    }
    if (Query(HTTP_QUERY_CONTENT_LENGTH, text)) {
        uint64_t value = 0;
        bool digits = !text.empty() && text.size() <= 18;
        for (wchar_t c : text) {
            digits = digits && c >= L'0' && c <= L'9';
            if (digits) value = value * 10 + static_cast<uint64_t>(c - L'0');
        }
        if (!digits) {
            Failed = Fail(THttpFailure::BadReply, L"Content-Length \"" + text + L"\"");
            return false;
        }
        if (value > L.MaxBytes) {
            Failed = Fail(THttpFailure::TooLarge, L"Content-Length " + text);
            return false;
        }
        Length = value;
        HasLength = true;
    }
    return true;
}

bool TRequestRun::ReadBody(uint64_t Length, bool HasLength, THttpReply& Failed) {
    std::string& body = R.Body;
    body.clear();
    if (HasLength) body.reserve(static_cast<size_t>(Length));
    std::string chunk(ChunkBytes, '\0');
    for (;;) {
        if (!S.Going()) return false;
        DWORD got = 0;
        if (S.Api.ReadFile(FRequest, chunk.data(), ChunkBytes, &got)) {
            if (got == 0) break;
            body.append(chunk.data(), got);
            if (S.Chunks) S.Chunks(chunk.data(), got, HasLength ? Length : 0);
        } else {
            const DWORD error = GetLastError();
            const std::wstring read = L"after " + std::to_wstring(body.size()) + L" bytes";
            Failed = error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT
                         ? Fail(THttpFailure::TimedOut, read)
                         : Fail(THttpFailure::Incomplete, L"error " + std::to_wstring(error) + L" " + read);
            return false;
        }
        if (body.size() > L.MaxBytes) {
            Failed = Fail(THttpFailure::TooLarge, L"more than " + std::to_wstring(L.MaxBytes) + L" bytes");
            return false;
        }
    }
    if (HasLength && body.size() != Length) {
        Failed = Fail(THttpFailure::Incomplete, std::to_wstring(body.size()) + L" of " + std::to_wstring(Length) +
                                                    L" bytes");
        return false;
    }
    return true;
}

THttpReply TRequestRun::Run() {
    R.Url = S.Url;
    FSession = SharedSession(S.Api, S.Agent);
    if (!FSession) return Fail(THttpFailure::NoSession);
    if (!S.Going()) return Fail(THttpFailure::Cancelled);

    THttpReply failed;
    for (int redirects = 0;; ++redirects) {
        if (!Open(R.Url, failed)) return S.Going() ? failed : Fail(THttpFailure::Cancelled);
        bool redirected = false, hasLength = false;
        uint64_t length = 0;
        std::wstring location;
        if (!ReadHead(redirected, location, length, hasLength, failed))
            return S.Going() ? failed : Fail(THttpFailure::Cancelled);
        if (!redirected) {
            if (S.ReadBody && !ReadBody(length, hasLength, failed))
                return S.Going() ? failed : Fail(THttpFailure::Cancelled);
            R.Failure = THttpFailure::None;
            return std::move(R); // the body can be large: not copied
        }
        if (redirects >= L.MaxRedirects) return Fail(THttpFailure::Redirects, L"to " + location);
        std::wstring next(2048 + R.Url.size() + location.size(), L'\0');
        DWORD length2 = static_cast<DWORD>(next.size());
        if (!S.Api.CombineUrlW(R.Url.c_str(), location.c_str(), next.data(), &length2, ICU_NO_ENCODE))
            return Fail(THttpFailure::BadReply, L"redirect to \"" + location + L"\"");
        next.resize(length2);
        R.Url = next;
        S.Close(FRequest);
        S.Close(FConnect);
    }
}

} // namespace

// ---------------------------------------------------------------------------------

THttpCancel::THttpCancel() : FEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

void THttpCancel::Cancel() {
    std::shared_ptr<THttpRequestState> running;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FCancelled = true;
        running = FRunning.lock();
        SetEvent(FEvent.Get());
    }
    if (running) running->GiveUp();
}

bool THttpCancel::Cancelled() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FCancelled;
}

bool THttpCancel::Enter(const std::shared_ptr<THttpRequestState>& Request) {
    std::lock_guard<std::mutex> lock(FLock);
    if (FCancelled) return false;
    FRunning = Request;
    return true;
}

void THttpCancel::Leave() {
    std::lock_guard<std::mutex> lock(FLock);
    FRunning.reset();
}

THttpReply HttpGetReply(const TWinINetApi& Api, const std::wstring& Agent, const std::wstring& Url, bool ReadBody,
                        THttpCancel* Cancel, THttpChunkSink Chunks) {
    THttpReply reply;
    reply.Url = Url;
    auto state = std::make_shared<THttpRequestState>();
    state->Api = Api;
    state->Agent = Agent;
    state->Url = Url;
    state->ReadBody = ReadBody;
    state->Chunks = std::move(Chunks);
    state->Limits = HttpLimits();
    state->Reply.Failure = THttpFailure::Incomplete; // what stays when the worker fails itself
    state->Reply.Detail = L"the request failed";
    state->Done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!Api.Complete() || !state->Done) {
        reply.Failure = THttpFailure::NoSession;
        return reply;
    }
    // A thread with a wait of its own can cancel the request from it.
    const THttpWait wait = HttpWaitOfThisThread();
    std::optional<THttpCancel> ownCancel;
    if (wait && !Cancel)
        Cancel = &ownCancel.emplace();
    if (Cancel && !Cancel->Enter(state)) {
        reply.Failure = THttpFailure::Cancelled;
        return reply;
    }
    struct TLeave {
        THttpCancel* Cancel;
        ~TLeave() {
            if (Cancel) Cancel->Leave();
        }
    } leave{Cancel};

    ++g_Workers;
    const bool started = Guarded(L"HttpGetReply", false, [&] {
        return RequestWorkers().Run([state] {
            Guarded(L"HttpGetReply", [&] {
                THttpReply r = TRequestRun(*state).Run();
                std::lock_guard<std::mutex> lock(state->Lock);
                state->Reply = std::move(r);
            });
            // The reply is there before the handles are closed (which can take a while).
            SetEvent(state->Done.Get());
            state->CloseAll();
            --g_Workers;
        });
    });
    if (!started) {
        --g_Workers;
        reply.Failure = THttpFailure::NoSession;
        return reply;
    }

    const HANDLE waits[2] = {state->Done.Get(), Cancel ? Cancel->Event() : nullptr};
    if (wait)
        Guarded(L"HttpGetReply.Wait", [&] { wait(state->Done.Get(), *Cancel, state->Limits.TotalMs); });
    const DWORD w = WaitForMultipleObjects(Cancel ? 2 : 1, waits, FALSE, wait ? 0 : state->Limits.TotalMs);
    if (w == WAIT_OBJECT_0) {
        std::lock_guard<std::mutex> lock(state->Lock);
        return std::move(state->Reply);
    }
    state->GiveUp();
    if (w == WAIT_OBJECT_0 + 1) {
        reply.Failure = THttpFailure::Cancelled;
    } else {
        reply.Failure = THttpFailure::TimedOut;
        reply.Detail = L"longer than " + std::to_wstring(state->Limits.TotalMs) + L" ms";
    }
    return reply;
}

bool RunOnRequestWorker(std::function<void()> Job) {
    return Guarded(L"RunOnRequestWorker", false, [&] { return RequestWorkers().Run(std::move(Job)); });
}

bool RunWaitedOnRequestWorker(std::function<void()> Job, DWORD BlockMs, DWORD TimeoutMs) {
    const THttpWait wait = HttpWaitOfThisThread();
    auto done = std::make_shared<TKernelHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto job = std::make_shared<std::function<void()>>(std::move(Job));
    if (!wait || !*done || !RunOnRequestWorker([job, done] {
            Guarded(L"RunWaitedOnRequestWorker", [&] { (*job)(); });
            SetEvent(done->Get());
        })) {
        (*job)();
        return true;
    }
    BlockMs = std::min(BlockMs, TimeoutMs);
    if (WaitForSingleObject(done->Get(), BlockMs) == WAIT_OBJECT_0)
        return true;
    THttpCancel cancel;
    Guarded(L"RunWaitedOnRequestWorker.Wait", [&] { wait(done->Get(), cancel, TimeoutMs - BlockMs); });
    return WaitForSingleObject(done->Get(), 0) == WAIT_OBJECT_0;
}
