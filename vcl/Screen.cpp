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

POINT TScreen::PlaceInWorkArea(const RECT& Bounds) const {
    RECT work = WorkAreaRect();
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (GetMonitorInfoW(MonitorFromRect(&Bounds, MONITOR_DEFAULTTONEAREST), &mi))
        work = mi.rcWork;
    const LONG w = Bounds.right - Bounds.left, h = Bounds.bottom - Bounds.top;
    return POINT{std::max(std::min(Bounds.left, work.right - w), work.left),
                 std::max(std::min(Bounds.top, work.bottom - h), work.top)};
}

RECT TScreen::FitInWorkArea(const RECT& Bounds) const {
    const RECT work = WorkAreaRect();
    const LONG width = Bounds.right - Bounds.left, height = Bounds.bottom - Bounds.top;
    if (width <= work.right - work.left && height <= work.bottom - work.top)
        return Bounds;
    const LONG w = std::min(width, work.right - work.left), h = std::min(height, work.bottom - work.top);
    const LONG left = std::clamp(Bounds.left, work.left, work.right - w);
    const LONG top = std::clamp(Bounds.top, work.top, work.bottom - h);
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
