#include "Threads.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <process.h>

#include <atomic>
#include <cstdlib>
#include <memory>

DWORD MainThreadID = GetCurrentThreadId();
constinit std::atomic<HWND> WakeMainThreadWindow{nullptr};
constinit TThreadLogProc ThreadLog = nullptr;

namespace {

struct TSyncRecord {
    TThread* Thread = nullptr;
    std::function<void()> Method;
    TKernelHandle Done;           // empty for queued calls (nobody waits)
    std::exception_ptr Error;
};

// A lock that works from the first instruction of start-up: constant-initialised, unlike
// std::mutex here (a worker may queue a call before this unit's start-up code has run).
class TStartupLock {
public:
    void lock() noexcept { AcquireSRWLockExclusive(&FLock); }
    void unlock() noexcept { ReleaseSRWLockExclusive(&FLock); }

private:
    SRWLOCK FLock = SRWLOCK_INIT;
};

// The thread whose OnTerminate runs on the GUI thread right now.
constinit std::atomic<TThread*> g_TerminatingThread{nullptr};

constinit TStartupLock g_SyncLock;
constinit std::vector<std::shared_ptr<TSyncRecord>> g_SyncList;

HANDLE SyncEvent() {
    static HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

void AddSyncRecord(const std::shared_ptr<TSyncRecord>& Record) {
    {
        std::lock_guard<TStartupLock> lock(g_SyncLock);
        g_SyncList.push_back(Record);
        SetEvent(SyncEvent());
    }
    // Wakes a loop that waits for messages. Before the application window exists a thread
    // message does it (MainThreadID is 0 before this unit's start-up code has run: those
    // calls run at the loop's first idle turn).
    if (HWND wake = WakeMainThreadWindow.load())
        PostMessageW(wake, WM_NULL, 0, 0);
    else if (MainThreadID && GetCurrentThreadId() != MainThreadID)
        PostThreadMessageW(MainThreadID, WM_NULL, 0, 0);
}

void WriteThreadLog(const std::wstring& Line) {
    if (ThreadLog)
        ThreadLog(Line);
    else
        OutputDebugStringW((Line + L"\n").c_str());
}

// The end steps: plain data, so that adding one works at any time of start-up.
constexpr size_t MaxEndSteps = 32;
using TEndStep = void (*)();
constinit TStartupLock g_EndStepLock;
constinit TEndStep g_EndSteps[MaxEndSteps] = {};
constinit size_t g_EndStepCount = 0;
constinit bool g_EndStepsAtExit = false;

} // namespace

void AddEndStep(void (*Step)()) {
    if (!Step)
        return;
    std::lock_guard<TStartupLock> lock(g_EndStepLock);
    if (std::find(g_EndSteps, g_EndSteps + g_EndStepCount, Step) != g_EndSteps + g_EndStepCount)
        return;
    if (g_EndStepCount == MaxEndSteps)
        throw EThread(L"Too many end steps");
    if (!g_EndStepsAtExit) {
        // Registered now, so it runs before the destructors of everything made before.
        g_EndStepsAtExit = true;
        std::atexit(RunEndSteps);
    }
    g_EndSteps[g_EndStepCount++] = Step;
}

void RunEndSteps() {
    for (;;) {
        TEndStep step = nullptr;
        {
            std::lock_guard<TStartupLock> lock(g_EndStepLock);
            if (g_EndStepCount == 0)
                return;
            step = g_EndSteps[--g_EndStepCount];
        }
        Guarded(L"RunEndSteps", [&] { step(); });
    }
}

bool CheckSynchronize(DWORD Timeout) {
    if (GetCurrentThreadId() != MainThreadID)
        throw EThread(Format(L"CheckSynchronize called from thread $%x, which is NOT the main thread",
                             {static_cast<unsigned>(GetCurrentThreadId())}));
    if (Timeout > 0)
        WaitForSingleObject(SyncEvent(), Timeout);
    std::vector<std::shared_ptr<TSyncRecord>> list;
    {
        std::lock_guard<TStartupLock> lock(g_SyncLock);
        list.swap(g_SyncList);
        ResetEvent(SyncEvent());
    }
    for (auto& rec : list) {
        if (rec->Done) {
            const bool ran = Guarded(L"TThread.Synchronize", [&] {
                try {
                    rec->Method();
                } catch (...) {
                    rec->Error = std::current_exception(); // raised again in the waiting thread
                }
            });
            if (!ran) // a fault (reported here): the waiting thread must not wait for ever
                rec->Error = std::make_exception_ptr(Exception(L"The synchronised call failed"));
            SetEvent(rec->Done.Get());
        } else {
            Guarded(L"TThread.Queue", [&] { rec->Method(); });
        }
    }
    return !list.empty();
}

TThread::TThread() {
    unsigned id = 0;
    FHandle.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id)));
    if (!FHandle)
        RaiseLastOSError();
    FThreadID = id;
}

TThread::~TThread() {
    if (FHandle && GetCurrentThreadId() != FThreadID) {
        if (!FStarted) {
            // Never started: let it run out without Execute.
            FSkipExecute = true;
            ResumeThread(FHandle.Get());
            WaitForSingleObject(FHandle.Get(), INFINITE);
        } else if (g_TerminatingThread == this) {
            // Freed from its own OnTerminate: the thread has left Execute and only waits for
            // that call to return, so waiting for it here would never end. It is told on its
            // own stack, not by this object's address, which a new object may take at once.
            if (FFreedFlag)
                *FFreedFlag = true;
        } else if (!FFinished || WaitForSingleObject(FHandle.Get(), 0) == WAIT_TIMEOUT) {
            // The owner should have ended it first: the derived part of the object is gone
            // already while Execute may still use it.
            if (!FFinished)
                WriteThreadLog(L"TThread > " + FClassName + L" freed while its thread runs: waiting for its end");
            Terminate();
            WaitFor();
        }
    }
    RemoveQueuedEvents(this);
}

void TThread::Start() {
    if (FStarted)
        throw EThread(L"Cannot call Start on a running or terminated thread");
    FStarted = true;
    FClassName = ClassName();
    ResumeThread(FHandle.Get());
}

int TThread::WaitFor() {
    if (GetCurrentThreadId() == FThreadID)
        throw EThread(L"A thread cannot wait for itself");
    if (GetCurrentThreadId() == MainThreadID) {
        HANDLE handles[2] = {FHandle.Get(), SyncEvent()};
        for (;;) {
            DWORD r = MsgWaitForMultipleObjects(2, handles, FALSE, INFINITE, QS_SENDMESSAGE);
            if (r == WAIT_OBJECT_0 || r == WAIT_FAILED)
                break;
            if (r == WAIT_OBJECT_0 + 1) {
                CheckSynchronize();
            } else {
                MSG msg; // lets the system deliver messages sent from other threads
                PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            }
        }
    } else {
        WaitForSingleObject(FHandle.Get(), INFINITE);
    }
    return ReturnValue;
}

void TThread::DoTerminate() {
    if (OnTerminate)
        Synchronize([this] {
            TNotifyEvent handler = OnTerminate; // the handler may free this object
            TThread* outer = g_TerminatingThread.exchange(this);
            struct Restore {
                TThread* outer;
                ~Restore() { g_TerminatingThread = outer; }
            } restore{outer};
            handler(this);
        });
}

void TThread::Synchronize(TThread* Thread, std::function<void()> Method) {
    if (GetCurrentThreadId() == MainThreadID) {
        Method();
        return;
    }
    auto rec = std::make_shared<TSyncRecord>();
    rec->Thread = Thread;
    rec->Method = std::move(Method);
    rec->Done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!rec->Done)
        RaiseLastOSError();
    AddSyncRecord(rec);
    WaitForSingleObject(rec->Done.Get(), INFINITE);
    if (rec->Error)
        std::rethrow_exception(rec->Error);
}

void TThread::Queue(TThread* Thread, std::function<void()> Method) {
    auto rec = std::make_shared<TSyncRecord>();
    rec->Thread = Thread;
    rec->Method = std::move(Method);
    AddSyncRecord(rec);
}

void TThread::RemoveQueuedEvents(TThread* Thread) {
    std::lock_guard<TStartupLock> lock(g_SyncLock);
    g_SyncList.erase(std::remove_if(g_SyncList.begin(), g_SyncList.end(),
                                    [Thread](const std::shared_ptr<TSyncRecord>& r) {
                                        return r->Thread == Thread && !r->Done;
                                    }),
                     g_SyncList.end());
}

unsigned __stdcall TThread::ThreadProc(void* Param) {
    auto* thread = static_cast<TThread*>(Param);
    if (thread->FSkipExecute)
        return 0;
    Guarded(L"TThread.Execute", [&] {
        try {
            if (!thread->FTerminated)
                thread->Execute();
        } catch (const Exception& e) {
            thread->FFatalException = std::wstring(e.ClassName()) + L": " + e.Message();
            throw;
        } catch (...) {
            thread->FFatalException = L"unknown exception";
            throw;
        }
    });
    bool freeIt = thread->FreeOnTerminate;
    unsigned result = static_cast<unsigned>(thread->ReturnValue);
    bool freed = false; // set by the destructor when OnTerminate frees the object
    thread->FFreedFlag = &freed;
    Guarded(L"TThread.DoTerminate", [&] { thread->DoTerminate(); });
    if (freed)
        return result;
    thread->FFreedFlag = nullptr;
    thread->FFinished = true;
    if (freeIt)
        delete thread;
    return result;
}
