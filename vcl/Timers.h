// TTimer: a component that calls OnTimer every Interval milliseconds on the GUI thread
// (through the message loop; one event per elapsed interval, never two timers at once).
#pragma once

#include "Classes.h"

class TTimer : public TComponent {
public:
    VORLANE_CLASS_NAME(TTimer)
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned Value);
    TNotifyEvent OnTimer;
    // The system timer id while the timer runs (0 otherwise).
    UINT_PTR TimerId() const { return FTimerId; }

protected:
    virtual void Timer();

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD);
    void UpdateTimer();
    bool FEnabled = true;
    unsigned FInterval = 1000;
    UINT_PTR FTimerId = 0;
};
