// Watches up to 63 folders with change-notification handles on a worker thread and tells
// a window which one changed: PostMessage(Window, Message, slot, 0). The GUI thread gives
// the worker one command at a time and waits (at most 2 s) for its acknowledgement; a
// command that was not acknowledged blocks further commands until it is. The worker reports
// its end to no one (no OnTerminate): its owner waits for it without handling messages, for
// a bounded time (TFree).
#pragma once

#include "Handles.h"
#include "Threads.h"

#include <array>
#include <cstdint>
#include <memory>

class TChangeHandlerThread final : public TThread {
public:
    VORLANE_CLASS_NAME(TChangeHandlerThread)
    static constexpr int SlotCount = 63; // with the command event, the 64 handles a wait takes
    static constexpr DWORD AckTimeoutMs = 2000;
    static constexpr DWORD QuitTimeoutMs = 30000;

    // Frees a watcher: tells the worker to quit and waits at most its quit time-out for its
    // end; then every notification handle and both events are closed. A worker that is still
    // running then is left running with its object, events and handles (a leak until the
    // program ends) rather than have them closed under it or hold up its owner for ever.
    struct TFree {
        void operator()(TChangeHandlerThread* Thread) const;
    };
    using TPtr = std::unique_ptr<TChangeHandlerThread, TFree>;

    // Starts watching at once. Window 0 watches without telling anyone.
    static TPtr Create(HWND Window, UINT Message, DWORD QuitTimeout = QuitTimeoutMs);

    // Watches Path (FILE_NOTIFY_CHANGE_* Filter); Slot is what the messages will carry.
    // False for an empty or unwatchable path, when all slots are in use, or when the
    // worker does not answer.
    bool AddWatch(const WideString& Path, DWORD Filter, int& Slot, bool WatchSubtree);
    bool RemoveWatch(int Slot);
    bool RemoveAllWatches();

protected:
    void Execute() override;

private:
    TChangeHandlerThread(HWND Window, UINT Message, DWORD QuitTimeout);
    // Only after the worker has ended (TFree).
    ~TChangeHandlerThread() override;
    // Tells the worker to quit; true once it has ended, false when it still runs after the
    // quit time-out.
    bool Stop();
    enum TCommand : uint8_t { cmdAdd = 0, cmdRemove = 1, cmdRemoveAll = 2, cmdQuit = 3 };
    // GUI side: true when the worker may take a new command (the last one was answered).
    bool ReadyForCommand();
    bool IssueCommand(TCommand Command);
    // Worker side: false for the quit command.
    bool RunCommand();
    void CloseSlot(int Slot);
    bool DropFailedHandles();

    HWND FWindow;
    UINT FMessage;
    DWORD FQuitTimeout;
    TKernelHandle FCommandEvent, FAckEvent;
    std::array<HANDLE, SlotCount> FSlots;
    HANDLE FPendingHandle = INVALID_HANDLE_VALUE;
    int FSlotToRemove = -1;
    int FResultSlot = -1;
    TCommand FCommand = cmdAdd;
    bool FAwaitingAck = false; // GUI thread only
};
