#include "VclTestSupport.h"
#include "TestHarness.h"

#include "Timers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

using namespace vcltest;

namespace {

class TWorker : public TThread {
public:
    std::function<void(TWorker*)> Body;
    using TThread::Synchronize;

protected:
    void Execute() override { Body(this); }
};

constexpr const char* StartupChildVariable = "VORLANE_VCL_STARTUP_CHILD";
constexpr int StartupCalls = 80;
std::atomic<int> g_StartupCallsRun{0};

// In the child process: a worker made by this file's start-up code queues calls for the
// GUI thread while the program is still starting (other units' start-up code may not have
// run yet) and for a while after main has begun.
struct TStartupWorker {
    std::thread Worker;
    TStartupWorker() {
        if (!std::getenv(StartupChildVariable))
            return;
        Worker = std::thread([] {
            for (int i = 0; i < StartupCalls; ++i) {
                TThread::Queue(nullptr, [] { ++g_StartupCallsRun; });
                Sleep(i < StartupCalls / 2 ? 0 : 10);
            }
        });
    }
    ~TStartupWorker() {
        if (Worker.joinable())
            Worker.join();
    }
} g_StartupWorker;

} // namespace

TEST(Threads, StartupChildRunsEveryQueuedCall) {
    if (!std::getenv(StartupChildVariable))
        GTEST_SKIP() << "runs in a child process only";
    testing_support::EndProcessOnFault();
    Watchdog w(10000, "queued start-up calls");
    // The loop waits for messages when idle: only a working wake-up brings the later calls,
    // before the application window exists and after.
    while (g_StartupCallsRun < StartupCalls / 2)
        Application->HandleMessage();
    Application->Handle();
    while (g_StartupCallsRun < StartupCalls)
        Application->HandleMessage();
}

TEST(Threads, CallsQueuedDuringAndRightAfterStartUpAllRun) {
    if (std::getenv(StartupChildVariable))
        GTEST_SKIP();
    auto run = testing_support::RunChildTest("Threads.StartupChildRunsEveryQueuedCall", StartupChildVariable, 30000);
    ASSERT_TRUE(run.Started);
    EXPECT_TRUE(run.Ended);
    EXPECT_EQ(run.ExitCode, 0u);
}

constexpr const char* FaultChildVariable = "VORLANE_VCL_FAULT_CHILD";

TEST(Threads, FaultChildFaultsOnAWorker) {
    if (!std::getenv(FaultChildVariable))
        GTEST_SKIP() << "runs in a child process only";
    // A call through a freed object: the code address is a heap block's.
    std::thread([] {
        auto* block = static_cast<unsigned char*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 64));
        reinterpret_cast<void (*)()>(block)();
    }).join();
}

// A fault that no boundary stops ends the test process at once with the fault's code,
// instead of leaving it to a debugger that may wait without end.
TEST(Threads, AnUnhandledFaultOnAWorkerEndsTheTestProcessAtOnce) {
    if (std::getenv(FaultChildVariable))
        GTEST_SKIP();
    auto run = testing_support::RunChildTest("Threads.FaultChildFaultsOnAWorker", FaultChildVariable, 30000);
    ASSERT_TRUE(run.Started);
    EXPECT_TRUE(run.Ended);
    EXPECT_EQ(run.ExitCode, static_cast<unsigned long>(EXCEPTION_ACCESS_VIOLATION));
}

TEST(Threads, EndStepsRunOnceLastAddedFirst) {
    static std::vector<int> order;
    order.clear();
    AddEndStep([] { order.push_back(1); });
    AddEndStep([] { order.push_back(2); });
    static void (*third)() = [] { order.push_back(3); };
    AddEndStep(third);
    AddEndStep(third); // waiting already: not twice
    RunEndSteps();
    RunEndSteps();
    EXPECT_EQ(order, (std::vector<int>{3, 2, 1}));
}

TEST(Threads, SynchronizeRunsOnTheGuiThreadAndPassesExceptionsBack) {
    Watchdog w(15000);
    DWORD ranOn = 0;
    bool rethrown = false;
    TWorker t;
    t.Body = [&](TWorker* self) {
        self->Synchronize([&] { ranOn = GetCurrentThreadId(); });
        try {
            self->Synchronize([] { throw EConvertError(L"from the GUI thread"); });
        } catch (const EConvertError&) {
            rethrown = true;
        }
        self->ReturnValue = 42;
    };
    t.Start();
    EXPECT_EQ(t.WaitFor(), 42); // waiting on the GUI thread still serves Synchronize
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_EQ(ranOn, MainThreadID);
    EXPECT_TRUE(rethrown);
}

TEST(Threads, SynchronizeIsServedByTheMessageLoopAndOnTerminateRunsThere) {
    Watchdog w(15000);
    std::atomic<bool> freed{false};
    DWORD terminateOn = 0;
    std::vector<int> queued;
    struct TFreeing : TWorker {
        std::atomic<bool>* Freed;
        ~TFreeing() override { *Freed = true; }
    };
    auto* t = new TFreeing;
    t->Freed = &freed;
    t->FreeOnTerminate = true;
    t->OnTerminate = [&](TObject*) { terminateOn = GetCurrentThreadId(); };
    t->Body = [&](TWorker* self) {
        self->Queue([&] { queued.push_back(1); });
        self->Synchronize([&] { queued.push_back(2); });
    };
    Application->Handle();
    t->Start();
    PumpUntil([&] { return freed.load(); }, 5000);
    EXPECT_TRUE(freed.load());
    EXPECT_EQ(terminateOn, MainThreadID);
    std::vector<int> expected{1, 2};
    EXPECT_EQ(queued, expected);
}

TEST(Threads, AnExceptionInExecuteStaysInTheThread) {
    Watchdog w(10000);
    std::vector<std::wstring> log;
    Application->OnLog = [&](const std::wstring& line) { log.push_back(line); };
    int reported = 0;
    Application->OnException = [&](TObject*, const std::wstring&, const std::wstring&, const std::wstring&) {
        ++reported;
    };
    TWorker t;
    t.Body = [](TWorker*) { throw EAbort(L"worker gave up"); };
    t.Start();
    t.WaitFor();
    EXPECT_EQ(t.FatalException(), L"EAbort: worker gave up");
    PumpUntil([&] { return reported == 1; }, 3000);
    EXPECT_EQ(reported, 1); // reported on the GUI thread
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0].find(L"TThread.Execute > Exception Caught - EAbort"), std::wstring::npos);
    Application->OnLog = nullptr;
    Application->OnException = nullptr;
}

TEST(Threads, ThreadListHoldsEachItemOnce) {
    TThreadList<int> list;
    list.Add(1);
    list.Add(1);
    list.Add(2);
    list.Remove(1);
    auto& items = list.LockList();
    EXPECT_EQ(items, std::vector<int>{2});
    list.UnlockList();
}

TEST(Timers, OneEventPerIntervalAndNoneWhenDisabled) {
    Watchdog w(15000);
    TTimer timer(nullptr);
    std::vector<DWORD> ticks;
    timer.OnTimer = [&](TObject*) { ticks.push_back(GetTickCount()); };
    timer.SetInterval(100);
    timer.SetEnabled(false);
    timer.SetEnabled(true);
    timer.SetEnabled(true);
    timer.SetInterval(100); // no second system timer from repeated settings
    PumpFor(650);
    timer.SetEnabled(false);
    size_t n = ticks.size();
    EXPECT_GE(n, 3u);
    // A second system timer for the interval would double the count. Single gaps say nothing:
    // after a late pump the next event may follow the delayed one closely.
    EXPECT_LE(n, 7u);
    PumpFor(250);
    EXPECT_EQ(ticks.size(), n);
    EXPECT_EQ(timer.TimerId(), 0u);
}

TEST(Timers, AFreedTimerFiresNoMore) {
    Watchdog w(10000);
    int fired = 0;
    {
        TTimer timer(nullptr);
        timer.SetInterval(10);
        timer.OnTimer = [&](TObject*) { ++fired; };
        Sleep(50); // a WM_TIMER is waiting in the queue now
    }
    PumpFor(100);
    EXPECT_EQ(fired, 0);
}

namespace {
// Counts the live copies of a handler's captured state.
int g_LiveProbes = 0;
struct TLiveProbe {
    TLiveProbe() { ++g_LiveProbes; }
    TLiveProbe(const TLiveProbe&) { ++g_LiveProbes; }
    ~TLiveProbe() { --g_LiveProbes; }
};
TTimer* g_SelfFreeingTimer = nullptr;
bool g_SelfFreeDone = false, g_SelfFreeStateGone = false;
} // namespace

TEST(Timers, ATimerFreedInItsOwnEventFinishesTheEventSafely) {
    Watchdog w(10000);
    g_SelfFreeDone = g_SelfFreeStateGone = false;
    g_SelfFreeingTimer = new TTimer(nullptr);
    g_SelfFreeingTimer->SetInterval(10);
    {
        TLiveProbe probe;
        // Only globals inside: the handler's own storage is what is being checked.
        g_SelfFreeingTimer->OnTimer = [probe](TObject*) {
            delete g_SelfFreeingTimer;
            g_SelfFreeingTimer = nullptr;
            g_SelfFreeStateGone = g_LiveProbes == 0; // the running handler must still exist
            g_SelfFreeDone = true;
        };
    }
    PumpUntil([] { return g_SelfFreeDone; }, 3000);
    EXPECT_TRUE(g_SelfFreeDone);
    EXPECT_FALSE(g_SelfFreeStateGone);
    EXPECT_EQ(g_LiveProbes, 0);
}

TEST(Threads, AThreadMayBeFreedInItsOwnOnTerminate) {
    Watchdog w(10000);
    bool freed = false;
    auto* t = new TWorker;
    t->Body = [](TWorker* self) { self->ReturnValue = 7; };
    t->OnTerminate = [&](TObject* sender) {
        EXPECT_EQ(static_cast<TWorker*>(sender)->ReturnValue, 7);
        delete t; // must neither wait for itself nor be touched by the ending thread
        t = nullptr;
        freed = true;
    };
    Application->Handle();
    t->Start();
    PumpUntil([&] { return freed; }, 5000);
    EXPECT_TRUE(freed);
    PumpFor(100);
}

namespace {
std::atomic<int> g_CountedFreed{0};
class TCounted : public TThread {
public:
    ~TCounted() override { ++g_CountedFreed; }

protected:
    void Execute() override {}
};
} // namespace

// A thread object freed in its own OnTerminate is left alone by its ending thread, also when
// a new thread object takes its memory at once and ends first (it still frees itself).
TEST(Threads, AThreadFreedInItsOwnOnTerminateIsNotTakenForOneMadeInItsPlace) {
    Watchdog w(10000);
    g_CountedFreed = 0;
    auto* first = new TCounted;
    TCounted* second = nullptr;
    int made = 0;
    bool done = false;
    first->OnTerminate = [&](TObject*) {
        void* place = first;
        delete first;
        std::vector<TCounted*> others;
        for (int i = 0; i < 64 && !second; ++i, ++made) {
            auto* t = new TCounted;
            if (t == place)
                second = t;
            else
                others.push_back(t);
        }
        for (TCounted* t : others)
            delete t; // never started
        if (second) {
            HANDLE ended = nullptr;
            DuplicateHandle(GetCurrentProcess(), second->Handle(), GetCurrentProcess(), &ended, SYNCHRONIZE, FALSE, 0);
            second->FreeOnTerminate = true;
            second->Start();
            WaitForSingleObject(ended, 5000);
            CloseHandle(ended);
        }
        done = true;
    };
    first->Start();
    PumpUntil([&] { return done; }, 5000);
    PumpFor(100);
    ASSERT_TRUE(second) << "no thread object was made in the freed one's memory";
    EXPECT_EQ(g_CountedFreed, 1 + made); // each once, the second by its own thread
}

namespace {
class TSpinner : public TThread {
public:
    VORLANE_CLASS_NAME(TSpinner)

protected:
    void Execute() override {
        while (!Terminated())
            Sleep(5);
    }
};
} // namespace

TEST(Threads, FreeingARunningThreadIsLoggedAndStillWaits) {
    Watchdog w(10000);
    std::vector<std::wstring> log;
    Application->OnLog = [&](const std::wstring& line) { log.push_back(line); };
    auto* t = new TSpinner;
    t->Start();
    Sleep(20);
    delete t; // without Terminate and WaitFor
    Application->OnLog = nullptr;
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(L"TSpinner freed while its thread runs"), std::wstring::npos);
    // The usual order says nothing.
    TSpinner ended;
    ended.Start();
    ended.Terminate();
    ended.WaitFor();
}
