#include "UFetchWorker.h"

#include "Handles.h"
#include "Threads.h"
#include "UH3_Agent.h"

#include <atomic>
#include <exception>
#include <mutex>

namespace {

std::atomic<int> g_Running{0};

// Room for Size characters in Text when it can be had; without it Text grows as it goes.
void ReserveText(std::wstring& Text, size_t Size) {
    if (Text.capacity() >= Size)
        return;
    try {
        Text.reserve(Size);
    } catch (const std::exception&) {
    }
}

} // namespace

// Shared by the waiting thread and the worker; whoever lets go last frees it.
struct TFetchJob::TState {
    TStreamRequest Request;
    std::wstring Reply;
    bool Streamed = false;
    std::atomic<bool> Done{false};
    TKernelHandle Ended;
    TKernelHandle More;     // a piece arrived (auto-reset)
    std::mutex Lock;        // guards Arrived, Most and Over
    std::wstring Arrived;   // pieces not yet taken by the waiter
    std::wstring Taken;     // the waiter's: pieces taken, on their way onto its text
    size_t Most = 0;        // the most characters the whole text can have (0: not known)
    bool Over = false;      // the request has returned: later pieces are dropped

    // Runs the request on the calling thread.
    void Run(const std::shared_ptr<TState>& Self) {
        bool streamed = false;
        std::wstring reply;
        try {
            streamed = Request(
                [Self](std::wstring_view Piece, size_t Most) {
                    bool first;
                    {
                        std::lock_guard<std::mutex> hold(Self->Lock);
                        if (Self->Over) return;
                        first = Self->Arrived.empty();
                        // Room for the rest of the reply at once: pieces piling up while the
                        // waiter is busy grew the buffer step by step, each step a copy.
                        ReserveText(Self->Arrived, Most);
                        Self->Arrived.append(Piece);
                        Self->Most = Most;
                    }
                    // Pieces that come before the waiter has taken the last ones need no
                    // signal of their own.
                    if (first && Self->More) SetEvent(Self->More.Get());
                },
                reply);
        } catch (...) {
            streamed = false;
            reply.clear(); // a failed request is no answer
        }
        {
            std::lock_guard<std::mutex> hold(Lock);
            Over = true;
        }
        Reply = std::move(reply);
        Streamed = streamed;
        Done.store(true, std::memory_order_release);
        if (Ended) SetEvent(Ended.Get());
    }
    // Moves the arrived pieces onto Text; true when there were any. The pieces are swapped
    // out under the lock and copied after it, so the worker never waits for the copy. Text
    // takes room for the whole reply at once when its size is known: a large reply grown
    // piece by piece was copied over and over.
    bool Take(std::wstring& Text) {
        size_t most;
        {
            std::lock_guard<std::mutex> hold(Lock);
            if (Arrived.empty()) return false;
            Arrived.swap(Taken);
            most = Most;
        }
        if (Text.size() + Taken.size() <= most) ReserveText(Text, most);
        if (Text.empty() && Text.capacity() < Taken.size()) Text.swap(Taken);
        else Text.append(Taken);
        Taken.clear();
        return true;
    }
};

namespace {

class TFetchThread : public TThread {
public:
    VORLANE_CLASS_NAME(TFetchThread)
    explicit TFetchThread(std::shared_ptr<TFetchJob::TState> State) : FState(std::move(State)) {
        FreeOnTerminate = true;
        ++g_Running;
    }
    ~TFetchThread() override { --g_Running; }

protected:
    void Execute() override { FState->Run(FState); }

private:
    std::shared_ptr<TFetchJob::TState> FState;
};

} // namespace

TFetchJob::TFetchJob(TFetchRequest Request) {
    auto state = std::make_shared<TState>();
    state->Request = [Request](const TFetchPiece&, std::wstring& Reply) {
        Reply = Request();
        return false;
    };
    Start(std::move(state));
}

TFetchJob::TFetchJob(TStreamRequest Request) {
    auto state = std::make_shared<TState>();
    state->Request = std::move(Request);
    Start(std::move(state));
}

void TFetchJob::Start(std::shared_ptr<TState> State) {
    State->Ended.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    State->More.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (State->Ended && State->More) {
        try {
            (new TFetchThread(State))->Start(); // frees itself when it ends
            FState = std::move(State);
            return;
        } catch (...) {
        }
    }
    FInline = std::move(State);
}

TFetchJob::~TFetchJob() = default;

bool TFetchJob::Wait(const TFetchPoll& Poll, std::wstring& Reply, unsigned PollMs) {
    bool streamed = false;
    return WaitStreamed(Poll, Reply, {}, streamed, PollMs);
}

bool TFetchJob::WaitStreamed(const TFetchPoll& Poll, std::wstring& Text, const std::function<void()>& Arrived,
                             bool& Streamed, unsigned PollMs) {
    Text.clear();
    Streamed = false;
    if (!FState) {
        if (!FInline)
            return false;
        const std::shared_ptr<TState> state = std::move(FInline);
        state->Run(state);
        state->Take(Text);
        if (!state->Streamed)
            Text = std::move(state->Reply);
        Streamed = state->Streamed;
        return true;
    }
    const HANDLE waits[2] = {FState->Ended.Get(), FState->More.Get()};
    for (;;) {
        MsgWaitForMultipleObjects(2, waits, FALSE, PollMs, QS_ALLINPUT);
        // Messages sent by other threads (the request may send one to a window of this
        // thread) are delivered here, whatever Poll does.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        const bool done = FState->Done.load(std::memory_order_acquire);
        if (FState->Take(Text) && Arrived && !done)
            Arrived();
        if (done) {
            Streamed = FState->Streamed;
            if (!Streamed)
                Text = std::move(FState->Reply);
            FState.reset();
            return true;
        }
        if (Poll && Poll()) {
            FState.reset();
            return false;
        }
    }
}

bool FetchWhilePolling(const TFetchRequest& Request, const TFetchPoll& Poll, std::wstring& Reply, unsigned PollMs) {
    TFetchJob job(Request);
    return job.Wait(Poll, Reply, PollMs);
}

// What the request takes from the program is read here, on the GUI thread.
TFetchRequest UrlRequest(const std::wstring& Url) {
    return [Url, caller = AgentCaller()] {
        std::wstring text;
        HttpGetText(Url, text, caller);
        return text;
    };
}

TStreamRequest UrlStreamRequest(const std::wstring& Url) {
    return [Url, caller = AgentCaller()](const TFetchPiece& Piece, std::wstring& Reply) {
        return HttpGetTextStreamed(Url, Reply, Piece, caller);
    };
}

int RunningFetchWorkers() { return g_Running.load(); }
