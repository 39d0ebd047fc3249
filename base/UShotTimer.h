// One-shot timers that call an event once on the GUI thread, and the nested busy cursor.
#pragma once

#include "Classes.h"
#include "System.h"

// A pending one-shot timer: the event to call and the system timer id.
class TShotTimerItem : public TObject {
public:
    VORLANE_CLASS_NAME(TShotTimerItem)
    TNotifyEvent Event;
    UINT_PTR TimerID = 0;
};

// Starts a window-less system timer that calls Event once (with the timer item as sender)
// after IntervalMs, from the GUI thread's message loop. Returns the timer id (0 when the
// system refused). Call on the GUI thread.
UINT_PTR SetShotTimer(unsigned IntervalMs, TNotifyEvent Event);
// Stops a pending timer (nothing for 0); TimerID becomes 0.
void KillShotTimer(UINT_PTR& TimerID);
// Number of timers still pending.
int PendingShotTimers();

// The hour-glass cursor while at least one HourGlassOn is not yet matched by HourGlassOff.
void HourGlassOn();
void HourGlassOff();
int HourGlassLevel();
// The hour-glass cursor for the life of the object.
struct THourGlass {
    THourGlass() { HourGlassOn(); }
    ~THourGlass() { HourGlassOff(); }
    THourGlass(const THourGlass&) = delete;
    THourGlass& operator=(const THourGlass&) = delete;
};
