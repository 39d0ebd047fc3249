// One HTTP GET over WinINet that always ends, and whose reply is complete or a failure.
//
// WinINet alone can wait without end (a peer that accepts and never answers, trickles its
// headers, or redirects to itself) and reports a cut body as a normal end. So each request
// runs on a worker thread of its own with time-outs on every socket operation, while the
// caller waits for it at most the request's total bound or until it is cancelled; a
// request given up is left to its worker, which ends when WinINet lets it (its handles
// closed, or the peer's time-out), and its result is dropped. The request is sent as
// HTTP/1.0, so that a compliant server delimits the body by Content-Length or by closing
// the connection, never in chunks that WinINet would not let us check; a body shorter than
// its Content-Length is a failure.
#pragma once

#include "Handles.h"

#include <wininet.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

// The bounds every request keeps.
struct THttpLimits {
    DWORD ConnectMs = 5000;       // to open a connection
    DWORD StallMs = 30000;        // a send or receive without progress this long fails
    DWORD TotalMs = 60000;        // the whole request, tries and redirects included
    int OpenTries = 5;            // tries of a connection that is refused, each followed by a pause
    DWORD RetryPauseMs = 100;
    int MaxRedirects = 5;
    uint64_t MaxBytes = 256u << 20; // reply body
};
THttpLimits HttpLimits();
// Replaces the bounds (the tests shorten them); returns the previous ones.
THttpLimits SetHttpLimits(const THttpLimits& Limits);

enum class THttpFailure {
    None,
    NoSession,     // no internet session
    CannotOpen,    // the connection could not be made (refused on every try, bad URL)
    TimedOut,      // no progress for StallMs, or longer than TotalMs
    BadReply,      // no HTTP status line and header, or a body in chunks
    Status,        // status 400 or above
    Redirects,     // more than MaxRedirects redirects
    Incomplete,    // shorter than its Content-Length, or the connection failed mid-body
    TooLarge,      // more than MaxBytes
    Cancelled,
};

struct THttpReply {
    THttpFailure Failure = THttpFailure::None;
    int Status = 0;               // the last status received; 0 when none
    std::string Body;             // the whole body; empty on failure or without ReadBody
    std::wstring Url;             // where the reply came from (after redirects)
    bool Ok() const { return Failure == THttpFailure::None; }
    // "status 500", "timed out", "cut (120 of 4000 bytes)" ... for the log.
    std::wstring Describe() const;
    std::wstring Detail;          // what Describe adds to the failure's name
};

// The WinINet entry points a request uses: the linked ones, or ones bound at run time.
struct TWinINetApi {
    decltype(&InternetOpenW) OpenW = nullptr;
    decltype(&InternetConnectW) ConnectW = nullptr;
    decltype(&HttpOpenRequestW) OpenRequestW = nullptr;
    decltype(&HttpSendRequestW) SendRequestW = nullptr;
    decltype(&HttpQueryInfoW) QueryInfoW = nullptr;
    decltype(&InternetSetOptionW) SetOptionW = nullptr;
    decltype(&InternetReadFile) ReadFile = nullptr;
    decltype(&InternetCloseHandle) CloseHandle = nullptr;
    decltype(&InternetCrackUrlW) CrackUrlW = nullptr;
    decltype(&InternetCombineUrlW) CombineUrlW = nullptr;
    bool Complete() const;
};
const TWinINetApi& LinkedWinINet();

struct THttpRequestState;

// Ends a request from another thread: Cancel() makes the running request (and every later
// one given this object) fail at once as cancelled, closing its internet handles.
class THttpCancel {
public:
    THttpCancel();
    THttpCancel(const THttpCancel&) = delete;
    THttpCancel& operator=(const THttpCancel&) = delete;
    void Cancel();
    bool Cancelled() const;
    HANDLE Event() const { return FEvent.Get(); }
    // The request that Cancel ends (false, nothing kept, when cancelled already); Leave
    // forgets it.
    bool Enter(const std::shared_ptr<THttpRequestState>& Request);
    void Leave();

private:
    mutable std::mutex FLock;
    bool FCancelled = false;
    std::weak_ptr<THttpRequestState> FRunning;
    TKernelHandle FEvent;
};

// How one thread waits for its requests, in place of blocking: returns once Done is set, the
// request is cancelled through Cancel (the wait may cancel it itself), or TimeoutMs have
// passed. The GUI thread's wait keeps its windows answering.
using THttpWait = std::function<void(HANDLE Done, THttpCancel& Cancel, DWORD TimeoutMs)>;
// Makes the requests of thread ThreadId wait through Wait (an empty one: block again).
void SetHttpWait(DWORD ThreadId, THttpWait Wait);
// The wait of the calling thread (empty: it blocks).
THttpWait HttpWaitOfThisThread();

// Gets the body's bytes as they are read, on the thread that runs the request (which may
// outlive the caller's wait: a sink keeps what it uses alive itself), with the body's length
// as its Content-Length gives it (0 without one). Whether the body was whole is known only
// from the reply, once the request has ended.
using THttpChunkSink = std::function<void(const char* Data, size_t Size, uint64_t Length)>;

// GETs Url (http or https) with Agent as the user agent. Without ReadBody only the status
// and headers are checked (the body is not read). Holds the calling thread for at most
// HttpLimits().TotalMs, blocked or in the thread's own wait. Chunks, when given, also gets
// the body as it arrives.
THttpReply HttpGetReply(const TWinINetApi& Api, const std::wstring& Agent, const std::wstring& Url, bool ReadBody,
                        THttpCancel* Cancel = nullptr, THttpChunkSink Chunks = {});

// Worker threads of requests that have not ended yet, including ones given up.
int HttpRequestWorkers();

// Runs Job on one of the standing workers that run the requests; false when no thread could
// be had (Job did not run).
bool RunOnRequestWorker(std::function<void()> Job);
// Runs Job on a standing worker while the calling thread waits for it: first blocked for up
// to BlockMs (nothing else runs meanwhile, as when the caller ran Job itself), then as for a
// request, in its wait (which keeps its windows answering and may be cancelled), up to
// TimeoutMs in all. True when Job ended; false when the wait was cancelled or timed out (Job
// may still run: it owns what it uses). A thread without a wait of its own, or without a
// worker to be had, runs Job itself.
bool RunWaitedOnRequestWorker(std::function<void()> Job, DWORD BlockMs, DWORD TimeoutMs);
