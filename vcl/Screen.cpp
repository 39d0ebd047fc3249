// TScreen: the forms and the active form and control, cursors, fonts, the work area and
// the monitors.
#include "Forms.h"

#include "ActnList.h"
#include "AppEvnts.h"
#include "Menus.h"

#include "Boundary.h"
#include "SysUtils.h"
#include "Threads.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstdint>

// ------------------------------------------------------------------ TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0)) {
        FHintFont.SetName(ncm.lfStatusFont.lfFaceName);
        FHintFont.SetHeight(ncm.lfStatusFont.lfHeight);
    }
    FHintFont.SetColor(clInfoText);
}

TScreen::~TScreen() = default;

void TScreen::AddForm(TCustomForm* Form) {
    if (std::find(FForms.begin(), FForms.end(), Form) == FForms.end())
        FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
    if (FActiveForm == Form) {
        FActiveForm = nullptr;
        FActiveControl = nullptr;
    }
}

void TScreen::SetActiveForm(TCustomForm* Form) {
    if (Form == FActiveForm)
        return;
    FActiveForm = Form;
    // The active form goes to the front of the list.
    auto it = std::find(FForms.begin(), FForms.end(), Form);
    if (it != FForms.end())
        std::rotate(FForms.begin(), it, it + 1);
    if (OnActiveFormChange)
        OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* Control) {
    if (Control == FActiveControl)
        return;
    FActiveControl = Control;
    if (OnActiveControlChange)
        OnActiveControlChange(this);
}

void TScreen::SetCursor(TCursor Value) {
    if (Value == FCursor)
        return;
    FCursor = Value;
    POINT p;
    if (Value != crDefault) {
        ::SetCursor(Cursors(Value));
    } else if (GetCursorPos(&p)) {
        HWND wnd = WindowFromPoint(p);
        if (wnd && GetWindowThreadProcessId(wnd, nullptr) == GetCurrentThreadId())
            SendMessageW(wnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    }
}

HCURSOR TScreen::Cursors(TCursor Value) {
    const wchar_t* id = IDC_ARROW;
    switch (Value) {
    case crNone: return nullptr;
    case crCross: id = IDC_CROSS; break;
    case crIBeam: id = IDC_IBEAM; break;
    case crSizeNESW: id = IDC_SIZENESW; break;
    case crSizeNS: case crVSplit: id = IDC_SIZENS; break;
    case crSizeNWSE: id = IDC_SIZENWSE; break;
    case crSizeWE: case crHSplit: id = IDC_SIZEWE; break;
    case crUpArrow: id = IDC_UPARROW; break;
    case crHourGlass: id = IDC_WAIT; break;
    case crNo: case crNoDrop: id = IDC_NO; break;
    case crAppStart: id = IDC_APPSTARTING; break;
    case crHelp: id = IDC_HELP; break;
    case crHandPoint: id = IDC_HAND; break;
    case crSizeAll: id = IDC_SIZEALL; break;
    default: break;
    }
    return LoadCursorW(nullptr, id);
}

namespace {
int CALLBACK FontFamilyProc(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM data) {
    auto* list = reinterpret_cast<std::vector<std::wstring>*>(data);
    if (lf->lfFaceName[0] != L'@')
        list->push_back(lf->lfFaceName);
    return 1;
}
} // namespace

const std::vector<std::wstring>& TScreen::Fonts() {
    if (!FFontsRead) {
        FFontsRead = true;
        HDC dc = GetDC(nullptr);
        LOGFONTW lf{};
        lf.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc, &lf, FontFamilyProc, reinterpret_cast<LPARAM>(&FFonts), 0);
        ReleaseDC(nullptr, dc);
        std::sort(FFonts.begin(), FFonts.end(),
                  [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) < 0; });
        FFonts.erase(std::unique(FFonts.begin(), FFonts.end(),
                                 [](const std::wstring& a, const std::wstring& b) { return SameText(a, b); }),
                     FFonts.end());
    }
    return FFonts;
}

RECT TScreen::WorkAreaRect() const {
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return r;
}

RECT TScreen::WorkAreaOf(const RECT& Bounds) const {
    const RECT primary = WorkAreaRect();
    std::vector<TMonitor> monitors = EnumMonitors();
    // The primary monitor's work area as the system gives it for the desktop (under Wine the
    // monitor's own does not follow a change of it).
    for (TMonitor& m : monitors)
        if (m.Primary)
            m.WorkareaRect = primary;
    return MonitorWorkArea(Bounds, monitors, primary);
}

POINT TScreen::PlaceInWorkArea(const RECT& Bounds) const {
    const RECT work = WorkAreaOf(Bounds);
    const LONG w = Bounds.right - Bounds.left, h = Bounds.bottom - Bounds.top;
    return POINT{std::max(std::min(Bounds.left, work.right - w), work.left),
                 std::max(std::min(Bounds.top, work.bottom - h), work.top)};
}

RECT TScreen::FitInWorkArea(const RECT& Bounds) const { return FitRectInArea(Bounds, WorkAreaOf(Bounds)); }

RECT MonitorWorkArea(const RECT& Bounds, const std::vector<TMonitor>& Monitors, const RECT& Fallback) {
    const TMonitor* best = nullptr;
    int64_t bestOverlap = 0, bestDistance = 0;
    for (const TMonitor& m : Monitors) {
        const RECT& b = m.BoundsRect;
        RECT common;
        const int64_t overlap = IntersectRect(&common, &Bounds, &b)
                                    ? int64_t{common.right - common.left} * (common.bottom - common.top)
                                    : 0;
        // The squared gap between the two rectangles (0 when they touch or overlap).
        const int64_t dx = std::max<int64_t>({0, int64_t{b.left} - Bounds.right, int64_t{Bounds.left} - b.right});
        const int64_t dy = std::max<int64_t>({0, int64_t{b.top} - Bounds.bottom, int64_t{Bounds.top} - b.bottom});
        const int64_t distance = dx * dx + dy * dy;
        if (!best || overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && distance < bestDistance)) {
            best = &m;
            bestOverlap = overlap;
            bestDistance = distance;
        }
    }
    return best ? best->WorkareaRect : Fallback;
}

RECT FitRectInArea(const RECT& Bounds, const RECT& Work) {
    const LONG width = Bounds.right - Bounds.left, height = Bounds.bottom - Bounds.top;
    if (width <= Work.right - Work.left && height <= Work.bottom - Work.top)
        return Bounds;
    const LONG w = std::min(width, Work.right - Work.left), h = std::min(height, Work.bottom - Work.top);
    const LONG left = std::clamp(Bounds.left, Work.left, Work.right - w);
    const LONG top = std::clamp(Bounds.top, Work.top, Work.bottom - h);
    return RECT{left, top, left + w, top + h};
}

namespace {
BOOL CALLBACK MonitorProc(HMONITOR m, HDC, LPRECT, LPARAM data) {
    auto* list = reinterpret_cast<std::vector<TMonitor>*>(data);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    TMonitor t;
    t.Handle = m;
    t.MonitorNum = static_cast<int>(list->size());
    if (GetMonitorInfoW(m, &mi)) {
        t.BoundsRect = mi.rcMonitor;
        t.WorkareaRect = mi.rcWork;
        t.Primary = (mi.dwFlags & MONITORINFOF_PRIMARY) != 0;
    }
    list->push_back(t);
    return TRUE;
}
} // namespace

std::vector<TMonitor> TScreen::EnumMonitors() {
    std::vector<TMonitor> list;
    EnumDisplayMonitors(nullptr, nullptr, MonitorProc, reinterpret_cast<LPARAM>(&list));
    return list;
}

int TScreen::MonitorCount() { return static_cast<int>(EnumMonitors().size()); }

TMonitor TScreen::Monitors(int Index) {
    auto list = EnumMonitors();
    if (Index < 0 || Index >= static_cast<int>(list.size()))
        throw EListError(Format(L"List index out of bounds (%d)", {Index}));
    return list[static_cast<size_t>(Index)];
}

TMonitor TScreen::MonitorFromWindow(HWND Wnd) {
    HMONITOR m = ::MonitorFromWindow(Wnd, MONITOR_DEFAULTTONEAREST);
    for (const TMonitor& t : EnumMonitors())
        if (t.Handle == m)
            return t;
    return TMonitor{};
}

TMonitor TScreen::MonitorFromPoint(POINT P) {
    HMONITOR m = ::MonitorFromPoint(P, MONITOR_DEFAULTTONEAREST);
    for (const TMonitor& t : EnumMonitors())
        if (t.Handle == m)
            return t;
    return TMonitor{};
}
