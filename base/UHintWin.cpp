// Small window helpers.
#include "UHintWin.h"

#include "Boundary.h"
#include "UDLogFile.h"
#include "UGradient.h"
#include "UMonitorList.h"
#include "UUtilsW.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex g_DisplayLock;
TExceptionDisplay g_Display;
int g_Forwarded = 0;
int g_Boxes = 0;
bool g_Showing = false;

std::vector<TMonitorRec> g_Monitors;
bool g_MonitorsRead = false;

TWindowStartupValues g_Values;
ATOM g_Atoms[2] = {0, 0};
std::unique_ptr<TMyHintWin> g_HintWin;
std::unique_ptr<TQXPanelWipeTimer> g_WipeTimer;
std::unique_ptr<TQXEditor> g_Editor;

const std::vector<TMonitorRec>& Monitors() {
    if (!g_MonitorsRead) {
        g_Monitors = MonitorList();
        g_MonitorsRead = true;
    }
    return g_Monitors;
}

} // namespace

TExceptionDisplay SetExceptionDisplay(TExceptionDisplay Display) {
    std::lock_guard<std::mutex> lock(g_DisplayLock);
    TExceptionDisplay previous = std::move(g_Display);
    g_Display = std::move(Display);
    return previous;
}

void ForwardShowException(const std::wstring& Text) {
    TExceptionDisplay display;
    {
        std::lock_guard<std::mutex> lock(g_DisplayLock);
        display = g_Display;
        ++g_Forwarded;
    }
    DebugOut(Text);
    if (Application)
        Application->Log(Text);
    if (display) {
        Guarded(L"ForwardShowException", [&] { display(Text); });
        return;
    }
    // One box per run at most, and never from inside the box itself.
    if (g_Showing || g_Boxes > 0)
        return;
    g_Showing = true;
    ++g_Boxes;
    Guarded(L"ForwardShowException", [] {
        UserMessage(miError, L"Error", L"No override function for the exception display is defined.", mbOk);
    });
    g_Showing = false;
}

int ForwardedExceptionCount() { return g_Forwarded; }
int ForwardedExceptionBoxes() { return g_Boxes; }

int HintMonitorCount() { return static_cast<int>(Monitors().size()); }

RECT HintMonitorRect(int Index) {
    const auto& m = Monitors();
    return Index >= 0 && Index < static_cast<int>(m.size()) ? m[Index].Rect : RECT{0, 0, 0, 0};
}

bool PointInMonitor(POINT Point, int Index) {
    const auto& m = Monitors();
    if (Index < 0 || Index >= static_cast<int>(m.size()))
        return false;
    const RECT& r = m[Index].Rect;
    return Point.x >= r.left && Point.x <= r.right && Point.y >= r.top && Point.y <= r.bottom;
}

int MonitorIndexOfPoint(POINT Point) {
    for (int i = 0; i < HintMonitorCount(); ++i)
        if (PointInMonitor(Point, i))
            return i;
    return -1;
}

TMyHintWin::TMyHintWin(TComponent* AOwner) : THintWindow(AOwner) {
    SetColor(clInfoBk);
    Timer = new TTimer(this);
    Timer->SetInterval(100);
}

TQXPanelWipeTimer::TQXPanelWipeTimer(TComponent* AOwner) : TTimer(AOwner) {
    SetInterval(200);
    SetEnabled(false);
}

void TQXPanelWipeTimer::Timer() {
    Guarded(L"TQXPanelWipeTimer.Timer", [this] {
        Percent = Percent >= 100 ? 0 : Percent + 10;
        for (TControl* p : Panels)
            if (p)
                p->Invalidate();
        TTimer::Timer();
    });
}

const TWindowStartupValues& WindowStartupValues() { return g_Values; }

std::wstring HookAtomName(bool Child) {
    wchar_t buf[64];
    swprintf(buf, 64, Child ? L"TrxData_ChildHookWndProc%.8X" : L"TrxData_HookWndProc%.8X",
             static_cast<unsigned>(GetCurrentProcessId()));
    return buf;
}

void InitWindowHelpers() {
    g_Values.DbcsEnabled = GetSystemMetrics(SM_DBCSENABLED);
    g_Values.DbcsOrMiddleEast = g_Values.DbcsEnabled != 0 || GetSystemMetrics(SM_MIDEASTENABLED) != 0;
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0))
        memcpy(g_Values.NonClientMetrics, &ncm, sizeof(g_Values.NonClientMetrics));
    g_Values.FontHeight = -12;
    for (int i = 0; i < 2; ++i)
        if (!g_Atoms[i])
            g_Atoms[i] = GlobalAddAtomW(HookAtomName(i == 1).c_str());
    Monitors();
    if (!g_HintWin)
        g_HintWin = std::make_unique<TMyHintWin>(nullptr);
    if (!g_WipeTimer)
        g_WipeTimer = std::make_unique<TQXPanelWipeTimer>(nullptr);
    if (!g_Editor)
        g_Editor = std::make_unique<TQXEditor>();
    InitGradients();
}

void FreeWindowHelpers() {
    FreeGradients();
    g_Editor.reset();
    g_WipeTimer.reset();
    g_HintWin.reset();
    for (ATOM& a : g_Atoms)
        if (a) {
            GlobalDeleteAtom(a);
            a = 0;
        }
}
