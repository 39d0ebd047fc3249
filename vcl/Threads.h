// Worker threads and their way back to the GUI thread.
#pragma once

#include "Classes.h"
#include "Handles.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <functional>
#include <mutex>
#include <vector>

// Id of the GUI (main) thread: the thread that started the program.
extern DWORD MainThreadID;

class TThread : public TObject {
public:
    VORLANE_CLASS_NAME(TThread)
    // The thread is made suspended; Start() runs Execute (a C++ base constructor cannot
    // start it: the derived part of the object does not exist yet).
    TThread();
    // Waits for a running thread after asking it to terminate (not for FreeOnTerminate
    // threads, which free themselves). Owners of a running thread call Terminate() and
    // WaitFor() before deleting it: the derived class's members are gone by the time this
    // destructor runs, while Execute may still use them.
    ~TThread() override;

    void Start();
    // Asks Execute to end (it polls Terminated()).
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    // Waits for the end and returns ReturnValue. On the GUI thread it keeps running the
    // synchronised calls of other threads and sent messages while waiting.
    int WaitFor();
    bool Finished() const { return FFinished; }
    HANDLE Handle() const { return FHandle.Get(); }
    DWORD ThreadID() const { return FThreadID; }

    // Frees the object when the thread ends (then nobody may touch it after Start).
    bool FreeOnTerminate = false;
    // Runs on the GUI thread when the thread ends.
    TNotifyEvent OnTerminate;
    int ReturnValue = 0;
    // Class and text of an exception that escaped Execute ("" when none).
    const std::wstring& FatalException() const { return FFatalException; }

    // Runs Method on the GUI thread and waits for it; an exception it raises is raised
    // again in the calling thread. On the GUI thread Method runs at once.
    void Synchronize(std::function<void()> Method) { Synchronize(this, std::move(Method)); }
    static void Synchronize(TThread* Thread, std::function<void()> Method);
    // Runs Method on the GUI thread later, without waiting (exceptions go to the boundary).
    void Queue(std::function<void()> Method) { Queue(this, std::move(Method)); }
    static void Queue(TThread* Thread, std::function<void()> Method);
    // Drops the queued calls of a thread that is going away.
    static void RemoveQueuedEvents(TThread* Thread);

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();

private:
    static unsigned __stdcall ThreadProc(void* Param);
    TKernelHandle FHandle;
    DWORD FThreadID = 0;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    bool FStarted = false;
    std::atomic<bool> FSkipExecute{false};
    bool* FFreedFlag = nullptr; // the ending thread's flag while its OnTerminate runs
    std::wstring FFatalException;
    std::wstring FClassName; // of the whole object, taken at Start (for the destructor's trace)
};

// Runs the calls waiting for the GUI thread; true when there were any. The message
// loop calls it when idle and when woken.
bool CheckSynchronize(DWORD Timeout = 0);
// The window that a call queued for the GUI thread wakes with a posted WM_NULL (its
// handler runs CheckSynchronize): the application window sets itself when it is made and
// clears itself when it goes. Constant-initialised and atomic, so workers may queue calls
// before, while and after the application object exists; without the window a WM_NULL
// thread message wakes the loop.
extern std::atomic<HWND> WakeMainThreadWindow;

// Where this unit writes a line of trace (the forms unit points it at the application's
// log; null: the debugger output).
using TThreadLogProc = void (*)(const std::wstring& Line);
extern TThreadLogProc ThreadLog;

// End steps stop what a unit keeps running in the background (worker threads held in
// globals) while everything they use still exists. A unit adds its step when it starts such
// a thread; the program's shutdown calls RunEndSteps(). Steps not run by then run when main
// returns, before the static objects made at start-up are destroyed (a thread freed during
// static destruction would wait on locks and lists that may be gone). Each step runs once,
// last added first, on the GUI thread; adding a step that is waiting to run does nothing.
void AddEndStep(void (*Step)());
void RunEndSteps();

// A list with a lock: LockList gives the list while the lock is held.
template <class T = void*>
class TThreadList {
public:
    std::vector<T>& LockList() {
        FLock.lock();
        return FList;
    }
    void UnlockList() { FLock.unlock(); }
    void Add(const T& Item) {
        std::lock_guard<std::recursive_mutex> g(FLock);
        if (!Duplicates && std::find(FList.begin(), FList.end(), Item) != FList.end())
            return;
        FList.push_back(Item);
    }
    void Remove(const T& Item) {
        std::lock_guard<std::recursive_mutex> g(FLock);
        auto it = std::find(FList.begin(), FList.end(), Item);
        if (it != FList.end())
            FList.erase(it);
    }
    void Clear() {
        std::lock_guard<std::recursive_mutex> g(FLock);
        FList.clear();
    }
    // Duplicates are ignored unless allowed.
    bool Duplicates = false;

private:
    std::recursive_mutex FLock;
    std::vector<T> FList;
};
