// One blocking request run on a worker thread while the GUI thread keeps going: the caller
// polls (its cancel window handles messages and answers whether the user cancelled) until
// the request ends. A request given up is left to finish on its own; its reply is dropped.
//
// The request must not use objects the GUI thread may free meanwhile: pass it everything it
// needs by value (an agent URL, not the link that built it).
#pragma once

#include <functional>
#include <memory>
#include <string>

using TFetchRequest = std::function<std::wstring()>;
// True to give up waiting.
using TFetchPoll = std::function<bool()>;

// A request started on a worker at construction. When no worker can be started the request
// runs in Wait instead.
class TFetchJob {
public:
    explicit TFetchJob(TFetchRequest Request);
    // A job not waited for to its end is given up.
    ~TFetchJob();
    TFetchJob(const TFetchJob&) = delete;
    TFetchJob& operator=(const TFetchJob&) = delete;

    // Waits, calling Poll at least every PollMs and whenever a message arrives. True with
    // Reply when the request ended; false when Poll gave up first (the job is then over).
    bool Wait(const TFetchPoll& Poll, std::wstring& Reply, unsigned PollMs = 50);

    struct TState;  // shared with the worker

private:
    std::shared_ptr<TState> FState;
    TFetchRequest FInline;  // the request, when it could not go to a worker
};

// A TFetchJob of Request, waited for.
bool FetchWhilePolling(const TFetchRequest& Request, const TFetchPoll& Poll, std::wstring& Reply,
                       unsigned PollMs = 50);
// The request HttpGetText(Url).
TFetchRequest UrlRequest(const std::wstring& Url);

// Fetch workers that have not ended yet (given-up requests still running).
int RunningFetchWorkers();
