#include "Timers.h"

#include "Boundary.h"

#include <map>

namespace {
// Running timers by system id. A WM_TIMER that was queued before its timer was killed
// finds nothing here and is dropped. Never freed: timers the application frees at
// program end still leave it.
std::map<UINT_PTR, TTimer*>& RunningTimers() {
    static auto* timers = new std::map<UINT_PTR, TTimer*>;
    return *timers;
}
} // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() {
    FEnabled = false;
    UpdateTimer();
}

void TTimer::SetEnabled(bool Value) {
    if (Value == FEnabled)
        return;
    FEnabled = Value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned Value) {
    if (Value == FInterval)
        return;
    FInterval = Value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (FTimerId) {
        KillTimer(nullptr, FTimerId);
        RunningTimers().erase(FTimerId);
        FTimerId = 0;
    }
    if (FEnabled && FInterval != 0) {
        FTimerId = SetTimer(nullptr, 0, FInterval, &TTimer::TimerProc);
        if (FTimerId)
            RunningTimers()[FTimerId] = this;
    }
}

void TTimer::Timer() {
    if (OnTimer) {
        TNotifyEvent handler = OnTimer; // the handler may free the timer (and OnTimer with it)
        handler(this);
    }
}

void CALLBACK TTimer::TimerProc(HWND, UINT, UINT_PTR Id, DWORD) {
    Guarded(L"TTimer.Timer", [Id] {
        auto it = RunningTimers().find(Id);
        if (it != RunningTimers().end())
            it->second->Timer();
    });
}
