// Small window helpers shared by the hint and tooltip units: the exception forwarder of
// their handlers, the monitors a tip window is kept on, and the objects and values the
// interface sets up at start-up.
#pragma once

#include "Forms.h"
#include "Timers.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Receives the texts of exceptions caught in the hint, panel and tooltip units.
using TExceptionDisplay = std::function<void(const std::wstring& Text)>;
// Installs the display function; returns the previous one.
TExceptionDisplay SetExceptionDisplay(TExceptionDisplay Display);
// Logs Text ("<unit> > Exception Caught - <class.method>") and hands it to the display
// function, or, when none is installed, tells the user once per run that none is
// defined; later exceptions are only logged (no cascade of boxes from paint or timer code).
void ForwardShowException(const std::wstring& Text);
// How many times the forwarder was called / showed a message box.
int ForwardedExceptionCount();
int ForwardedExceptionBoxes();

// Monitors (copied at start-up from the monitor list).
int HintMonitorCount();
RECT HintMonitorRect(int Index);
// True when Point lies within monitor Index's rectangle, edges included.
bool PointInMonitor(POINT Point, int Index);
// The first monitor containing Point, -1 when none.
int MonitorIndexOfPoint(POINT Point);

// A hint window with the info-background colour and a 100 ms timer.
class TMyHintWin : public THintWindow {
public:
    VORLANE_CLASS_NAME(TMyHintWin)
    explicit TMyHintWin(TComponent* AOwner);
    TTimer* Timer;
};

// A 200 ms timer that steps a percentage 0..100 over a list of panels.
class TQXPanelWipeTimer : public TTimer {
public:
    VORLANE_CLASS_NAME(TQXPanelWipeTimer)
    explicit TQXPanelWipeTimer(TComponent* AOwner);
    std::vector<TControl*> Panels;
    int Percent = 0;

protected:
    void Timer() override;
};

struct TQXEditor {
    TControl* Panel = nullptr;
    int Percent = 0;
};

// Values taken at start-up.
struct TWindowStartupValues {
    bool DbcsOrMiddleEast = false;
    int DbcsEnabled = 0;
    UINT NonClientMetrics[15] = {};
    int FontHeight = -12;
};
const TWindowStartupValues& WindowStartupValues();

// Start-up and exit of the group: the values, the two global atoms, the monitor copy,
// the start-up hint window, the panel editor and wipe timer, and the shared gradients.
void InitWindowHelpers();
void FreeWindowHelpers();
// The atoms' names for this process.
std::wstring HookAtomName(bool Child);
