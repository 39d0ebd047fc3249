#include "Threads.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <process.h>

#include <atomic>
#include <memory>

DWORD MainThreadID = GetCurrentThreadId();
std::function<void()> WakeMainThread;

namespace {

struct TSyncRecord {
    TThread* Thread = nullptr;
    std::function<void()> Method;
    HANDLE Done = nullptr;        // null for queued calls (nobody waits)
    std::exception_ptr Error;
};

// The thread whose OnTerminate runs on the GUI thread right now.
std::atomic<TThread*> g_TerminatingThread{nullptr};
// Threads freed from their own OnTerminate: their ending thread must not touch them again.
std::mutex g_DetachLock;
std::vector<TThread*> g_Detached;

std::mutex g_SyncLock;
std::vector<std::shared_ptr<TSyncRecord>> g_SyncList;

HANDLE SyncEvent() {
    static HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return event;
}

void AddSyncRecord(const std::shared_ptr<TSyncRecord>& Record) {
    {
        std::lock_guard<std::mutex> lock(g_SyncLock);
        g_SyncList.push_back(Record);
        SetEvent(SyncEvent());
    }
    if (WakeMainThread)
        WakeMainThread();
}

} // namespace

bool CheckSynchronize(DWORD Timeout) {
    if (GetCurrentThreadId() != MainThreadID)
        throw EThread(Format(L"CheckSynchronize called from thread $%x, which is NOT the main thread",
                             {static_cast<unsigned>(GetCurrentThreadId())}));
    if (Timeout > 0)
        WaitForSingleObject(SyncEvent(), Timeout);
    std::vector<std::shared_ptr<TSyncRecord>> list;
    {
        std::lock_guard<std::mutex> lock(g_SyncLock);
        list.swap(g_SyncList);
        ResetEvent(SyncEvent());
    }
    for (auto& rec : list) {
        if (rec->Done) {
            try {
                rec->Method();
            } catch (...) {
                rec->Error = std::current_exception(); // raised again in the waiting thread
            }
            SetEvent(rec->Done);
        } else {
            Guarded(L"TThread.Queue", [&] { rec->Method(); });
        }
    }
    return !list.empty();
}

TThread::TThread() {
    unsigned id = 0;
    FHandle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &TThread::ThreadProc, this, CREATE_SUSPENDED, &id));
    if (!FHandle)
        RaiseLastOSError();
    FThreadID = id;
}

TThread::~TThread() {
    if (FHandle && GetCurrentThreadId() != FThreadID) {
        if (!FStarted) {
            // Never started: let it run out without Execute.
            FSkipExecute = true;
            ResumeThread(FHandle);
            WaitForSingleObject(FHandle, INFINITE);
        } else if (g_TerminatingThread == this) {
            // Freed from its own OnTerminate: the thread has left Execute and only waits for
            // that call to return, so waiting for it here would never end.
            std::lock_guard<std::mutex> lock(g_DetachLock);
            g_Detached.push_back(this);
        } else if (!FFinished || WaitForSingleObject(FHandle, 0) == WAIT_TIMEOUT) {
            Terminate();
            WaitFor();
        }
    }
    RemoveQueuedEvents(this);
    if (FHandle)
        CloseHandle(FHandle);
}

void TThread::Start() {
    if (FStarted)
        throw EThread(L"Cannot call Start on a running or terminated thread");
    FStarted = true;
    ResumeThread(FHandle);
}

int TThread::WaitFor() {
    if (GetCurrentThreadId() == FThreadID)
        throw EThread(L"A thread cannot wait for itself");
    if (GetCurrentThreadId() == MainThreadID) {
        HANDLE handles[2] = {FHandle, SyncEvent()};
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
        WaitForSingleObject(FHandle, INFINITE);
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
    rec->Done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!rec->Done)
        RaiseLastOSError();
    AddSyncRecord(rec);
    WaitForSingleObject(rec->Done, INFINITE);
    CloseHandle(rec->Done);
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
    std::lock_guard<std::mutex> lock(g_SyncLock);
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
    Guarded(L"TThread.DoTerminate", [&] { thread->DoTerminate(); });
    {
        std::lock_guard<std::mutex> lock(g_DetachLock);
        auto it = std::find(g_Detached.begin(), g_Detached.end(), thread);
        if (it != g_Detached.end()) {
            g_Detached.erase(it); // already freed by OnTerminate
            return result;
        }
    }
    thread->FFinished = true;
    if (freeIt)
        delete thread;
    return result;
}
