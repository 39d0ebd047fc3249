#include "UPTChangeHandlerThread.h"

#include "SysUtils.h"

#include <vector>

// Command, PendingHandle, SlotToRemove and ResultSlot are written by one side before it
// signals an event and read by the other after waiting for it: the event pair orders every
// access. The worker owns the slots while it runs.

TChangeHandlerThread::TPtr TChangeHandlerThread::Create(HWND Window, UINT Message, DWORD QuitTimeout) {
    return TPtr(new TChangeHandlerThread(Window, Message, QuitTimeout));
}

TChangeHandlerThread::TChangeHandlerThread(HWND Window, UINT Message, DWORD QuitTimeout)
    : FWindow(Window), FMessage(Message), FQuitTimeout(QuitTimeout) {
    FSlots.fill(INVALID_HANDLE_VALUE);
    FCommandEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    FAckEvent.Reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!FCommandEvent || !FAckEvent)
        RaiseLastOSError();
    Start();
}

void TChangeHandlerThread::TFree::operator()(TChangeHandlerThread* Thread) const {
    if (!Thread)
        return;
    if (Thread->Stop()) {
        delete Thread;
        return;
    }
    // Still running: it keeps what it waits on, and this object, until the program ends.
    if (ThreadLog)
        ThreadLog(L"TChangeHandlerThread > the watcher did not end in time: left running with its handles");
}

bool TChangeHandlerThread::Stop() {
    // The worker's wait always includes the command event, so it wakes, sees the request and
    // ends (it sends no message and makes no synchronised call). A command it has not
    // answered yet is still its own: the request alone tells it to quit then.
    Terminate();
    if (!FAwaitingAck)
        FCommand = cmdQuit;
    SetEvent(FCommandEvent.Get());
    return WaitForSingleObject(Handle(), FQuitTimeout) == WAIT_OBJECT_0;
}

TChangeHandlerThread::~TChangeHandlerThread() {
    std::vector<HANDLE> handles;
    for (HANDLE& h : FSlots)
        if (h != INVALID_HANDLE_VALUE)
            handles.push_back(std::exchange(h, INVALID_HANDLE_VALUE));
    if (FPendingHandle != INVALID_HANDLE_VALUE)
        handles.push_back(std::exchange(FPendingHandle, INVALID_HANDLE_VALUE));
    for (HANDLE h : handles)
        FindCloseChangeNotification(h);
}

bool TChangeHandlerThread::ReadyForCommand() {
    if (!FAwaitingAck)
        return true;
    if (WaitForSingleObject(FAckEvent.Get(), AckTimeoutMs) != WAIT_OBJECT_0)
        return false;
    FAwaitingAck = false;
    return true;
}

bool TChangeHandlerThread::IssueCommand(TCommand Command) {
    FCommand = Command;
    ResetEvent(FAckEvent.Get());
    SetEvent(FCommandEvent.Get());
    if (WaitForSingleObject(FAckEvent.Get(), AckTimeoutMs) == WAIT_OBJECT_0)
        return true;
    FAwaitingAck = true;
    return false;
}

bool TChangeHandlerThread::AddWatch(const WideString& Path, DWORD Filter, int& Slot, bool WatchSubtree) {
    Slot = -1;
    if (Path.empty() || Finished())
        return false;
    TChangeNotifyHandle handle(FindFirstChangeNotificationW(Path.c_str(), WatchSubtree, Filter));
    if (!handle || !ReadyForCommand())
        return false;
    FPendingHandle = handle.Release(); // the worker's now: slotted, or closed when no slot is free
    if (!IssueCommand(cmdAdd))
        return false;
    Slot = FResultSlot;
    return Slot != -1;
}

bool TChangeHandlerThread::RemoveWatch(int Slot) {
    if (Slot < 0 || Slot >= SlotCount || !ReadyForCommand())
        return false;
    FSlotToRemove = Slot;
    return IssueCommand(cmdRemove);
}

bool TChangeHandlerThread::RemoveAllWatches() { return ReadyForCommand() && IssueCommand(cmdRemoveAll); }

void TChangeHandlerThread::CloseSlot(int Slot) {
    HANDLE& h = FSlots[static_cast<size_t>(Slot)];
    if (h != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(std::exchange(h, INVALID_HANDLE_VALUE));
}

bool TChangeHandlerThread::RunCommand() {
    switch (FCommand) {
    case cmdAdd: {
        FResultSlot = -1;
        for (int i = 0; i < SlotCount; ++i)
            if (FSlots[static_cast<size_t>(i)] == INVALID_HANDLE_VALUE) {
                FSlots[static_cast<size_t>(i)] = FPendingHandle;
                FResultSlot = i;
                break;
            }
        if (FResultSlot == -1 && FPendingHandle != INVALID_HANDLE_VALUE)
            FindCloseChangeNotification(FPendingHandle); // refused: nobody else would close it
        FPendingHandle = INVALID_HANDLE_VALUE;
        break;
    }
    case cmdRemove:
        if (FSlotToRemove >= 0 && FSlotToRemove < SlotCount)
            CloseSlot(FSlotToRemove);
        break;
    case cmdRemoveAll:
        for (int i = 0; i < SlotCount; ++i)
            CloseSlot(i);
        break;
    case cmdQuit:
        return false;
    }
    SetEvent(FAckEvent.Get());
    return true;
}

// A failed wait means a handle went bad: those that fail alone are dropped (not closed:
// the value may already belong to something else). False when none could be found.
bool TChangeHandlerThread::DropFailedHandles() {
    if (WaitForSingleObject(FCommandEvent.Get(), 0) == WAIT_FAILED)
        return false;
    bool dropped = false;
    for (HANDLE& h : FSlots)
        if (h != INVALID_HANDLE_VALUE && WaitForSingleObject(h, 0) == WAIT_FAILED) {
            h = INVALID_HANDLE_VALUE;
            dropped = true;
        }
    return dropped;
}

void TChangeHandlerThread::Execute() {
    for (;;) {
        HANDLE handles[SlotCount + 1];
        int slotOf[SlotCount + 1];
        DWORD count = 0;
        handles[count++] = FCommandEvent.Get();
        for (int i = 0; i < SlotCount; ++i)
            if (FSlots[static_cast<size_t>(i)] != INVALID_HANDLE_VALUE) {
                handles[count] = FSlots[static_cast<size_t>(i)];
                slotOf[count++] = i;
            }
        const DWORD r = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (Terminated())
            return;
        if (r == WAIT_OBJECT_0) {
            if (!RunCommand())
                return;
        } else if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + count) {
            const int slot = slotOf[r - WAIT_OBJECT_0];
            if (FWindow)
                PostMessageW(FWindow, FMessage, static_cast<WPARAM>(slot), 0);
            if (!FindNextChangeNotification(FSlots[static_cast<size_t>(slot)]))
                CloseSlot(slot);
        } else if (r > WAIT_ABANDONED_0 && r < WAIT_ABANDONED_0 + count) {
            CloseSlot(slotOf[r - WAIT_ABANDONED_0]);
        } else if (r == WAIT_FAILED) {
            if (!DropFailedHandles())
                return; // nothing left to wait on safely
        }
    }
}
