#include "UFetchWorker.h"

#include "Handles.h"
#include "Threads.h"
#include "UH3_Agent.h"

#include <atomic>

namespace {

std::atomic<int> g_Running{0};

} // namespace

// Shared by the waiting thread and the worker; whoever lets go last frees it.
struct TFetchJob::TState {
    TFetchRequest Request;
    std::wstring Reply;
    std::atomic<bool> Done{false};
    TKernelHandle Ended;
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
    void Execute() override {
        std::wstring reply;
        try {
            reply = FState->Request();
        } catch (...) {
            reply.clear(); // a failed request is no answer
        }
        FState->Reply = std::move(reply);
        FState->Done.store(true, std::memory_order_release);
        SetEvent(FState->Ended.Get());
    }

private:
    std::shared_ptr<TFetchJob::TState> FState;
};

} // namespace

TFetchJob::TFetchJob(TFetchRequest Request) {
    auto state = std::make_shared<TState>();
    state->Request = Request;
    state->Ended.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (state->Ended) {
        try {
            (new TFetchThread(state))->Start(); // frees itself when it ends
            FState = std::move(state);
            return;
        } catch (...) {
        }
    }
    FInline = std::move(Request);
}

TFetchJob::~TFetchJob() = default;

bool TFetchJob::Wait(const TFetchPoll& Poll, std::wstring& Reply, unsigned PollMs) {
    Reply.clear();
    if (!FState) {
        if (!FInline)
            return false;
        try {
            Reply = FInline();
        } catch (...) {
            Reply.clear();
        }
        FInline = nullptr;
        return true;
    }
    const HANDLE ended = FState->Ended.Get();
    for (;;) {
        MsgWaitForMultipleObjects(1, &ended, FALSE, PollMs, QS_ALLINPUT);
        // Messages sent by other threads (the request may send one to a window of this
        // thread) are delivered here, whatever Poll does.
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
        if (FState->Done.load(std::memory_order_acquire)) {
            Reply = std::move(FState->Reply);
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

TFetchRequest UrlRequest(const std::wstring& Url) {
    return [Url] {
        std::wstring text;
        HttpGetText(Url, text);
        return text;
    };
}

int RunningFetchWorkers() { return g_Running.load(); }
