// One-shot timers and the busy cursor.
#include "UShotTimer.h"

#include "Boundary.h"
#include "Forms.h"
#include "Threads.h"

#include <memory>
#include <vector>

namespace {

using TItemPtr = std::unique_ptr<TShotTimerItem>;

// The pending items; freed with the process.
TThreadList<TItemPtr>& TimerList() {
    static TThreadList<TItemPtr> list;
    return list;
}

class TListLock {
public:
    TListLock() : FList(TimerList().LockList()) {}
    ~TListLock() { TimerList().UnlockList(); }
    std::vector<TItemPtr>& List() { return FList; }

private:
    std::vector<TItemPtr>& FList;
};

// Takes the first item with the id out of the list; the caller owns it then.
TItemPtr UnlinkItem(UINT_PTR Id) {
    TListLock lock;
    auto& list = lock.List();
    for (auto it = list.begin(); it != list.end(); ++it) {
        if ((*it)->TimerID == Id) {
            TItemPtr item = std::move(*it);
            list.erase(it);
            return item;
        }
    }
    return nullptr;
}

void CALLBACK ShotTimerProc(HWND, UINT, UINT_PTR Id, DWORD) {
    Guarded(L"ShotTimerProc", [Id] {
        KillTimer(nullptr, Id);
        // The fired item leaves the list before its event runs, so that an event which
        // starts a new timer (the system may hand out the same id again) keeps it.
        TItemPtr item = UnlinkItem(Id);
        if (item && item->Event)
            item->Event(item.get());
    });
}

int g_HourGlassCount = 0;
TCursor g_SavedCursor = crDefault;

} // namespace

UINT_PTR SetShotTimer(unsigned IntervalMs, TNotifyEvent Event) {
    auto item = std::make_unique<TShotTimerItem>();
    item->Event = std::move(Event);
    TListLock lock; // the timer cannot fire before the item is in the list
    const UINT_PTR id = SetTimer(nullptr, 0, IntervalMs, ShotTimerProc);
    if (id == 0)
        return 0;
    item->TimerID = id;
    lock.List().push_back(std::move(item));
    return id;
}

void KillShotTimer(UINT_PTR& TimerID) {
    if (TimerID == 0)
        return;
    KillTimer(nullptr, TimerID);
    {
        TListLock lock;
        auto& list = lock.List();
        std::erase_if(list, [&](const TItemPtr& i) { return i->TimerID == TimerID; });
    }
    TimerID = 0;
}

int PendingShotTimers() {
    TListLock lock;
    return static_cast<int>(lock.List().size());
}

void HourGlassOn() {
    if (g_HourGlassCount == 0 && Screen) {
        g_SavedCursor = Screen->Cursor();
        Screen->SetCursor(crHourGlass);
    }
    ++g_HourGlassCount;
}

void HourGlassOff() {
    if (g_HourGlassCount <= 0)
        return;
    if (--g_HourGlassCount == 0 && Screen)
        Screen->SetCursor(g_SavedCursor);
}

int HourGlassLevel() { return g_HourGlassCount; }
