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
#include <string_view>

using TFetchRequest = std::function<std::wstring()>;
// A request that hands out its text as it arrives: it calls Piece (on any thread) with each
// further piece, and the most characters the whole text can have (0: not known), and returns
// true when the pieces made up the whole reply; false with the whole reply in Reply when
// they did not (the pieces handed out are then dropped).
using TFetchPiece = std::function<void(std::wstring_view Piece, size_t Most)>;
using TStreamRequest = std::function<bool(const TFetchPiece& Piece, std::wstring& Reply)>;
// True to give up waiting.
using TFetchPoll = std::function<bool()>;

// A request started on a worker at construction. When no worker can be started the request
// runs in Wait instead.
class TFetchJob {
public:
    explicit TFetchJob(TFetchRequest Request);
    explicit TFetchJob(TStreamRequest Request);
    // A job not waited for to its end is given up.
    ~TFetchJob();
    TFetchJob(const TFetchJob&) = delete;
    TFetchJob& operator=(const TFetchJob&) = delete;

    // Waits, calling Poll at least every PollMs and whenever a message arrives. True with
    // Reply when the request ended; false when Poll gave up first (the job is then over).
    bool Wait(const TFetchPoll& Poll, std::wstring& Reply, unsigned PollMs = 50);
    // Wait that also hands out the text as it arrives: Text grows by each piece, on this
    // thread, and Arrived is called after it grew. At the end Text is the whole reply;
    // Streamed tells whether it only grew (what Arrived saw is the start of it) or was
    // replaced (what Arrived saw is to be dropped).
    bool WaitStreamed(const TFetchPoll& Poll, std::wstring& Text, const std::function<void()>& Arrived,
                      bool& Streamed, unsigned PollMs = 50);

    struct TState;  // shared with the worker

private:
    void Start(std::shared_ptr<TState> State);
    std::shared_ptr<TState> FState;
    std::shared_ptr<TState> FInline;  // the request, when it could not go to a worker
};

// A TFetchJob of Request, waited for.
bool FetchWhilePolling(const TFetchRequest& Request, const TFetchPoll& Poll, std::wstring& Reply,
                       unsigned PollMs = 50);
// The request HttpGetText(Url), with what it takes from the program read at this call (on the
// GUI thread).
TFetchRequest UrlRequest(const std::wstring& Url);
// The same, its text handed out as it arrives (HttpGetTextStreamed).
TStreamRequest UrlStreamRequest(const std::wstring& Url);

// Fetch workers that have not ended yet (given-up requests still running).
int RunningFetchWorkers();
