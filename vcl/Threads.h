// Worker threads and their way back to the GUI thread.
#pragma once

#include "Classes.h"

#include <algorithm>
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
    HANDLE Handle() const { return FHandle; }
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
    HANDLE FHandle = nullptr;
    DWORD FThreadID = 0;
    volatile bool FTerminated = false;
    volatile bool FFinished = false;
    bool FStarted = false;
    volatile bool FSkipExecute = false;
    std::wstring FFatalException;
};

// Runs the calls waiting for the GUI thread; true when there were any. The message
// loop calls it when idle and when woken.
bool CheckSynchronize(DWORD Timeout = 0);
// Called after a call has been queued for the GUI thread (the application posts itself
// a message so that its loop wakes up).
extern std::function<void()> WakeMainThread;

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
