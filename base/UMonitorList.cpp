#include "UMonitorList.h"

#include <algorithm>

namespace {

BOOL CALLBACK AddMonitor(HMONITOR Monitor, HDC, LPRECT Rect, LPARAM Data) {
    // No exception can leave this callback: push_back is the only thing that may throw.
    try {
        reinterpret_cast<std::vector<TMonitorRec>*>(Data)->push_back({Monitor, *Rect});
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

std::vector<TMonitorRec> BuildList() {
    std::vector<TMonitorRec> list;
    InitRuntime();
    const bool multi = (Win32Platform == VER_PLATFORM_WIN32_NT && Win32MajorVersion >= 5) ||
                       (Win32Platform != VER_PLATFORM_WIN32_NT &&
                        (Win32MajorVersion > 4 || (Win32MajorVersion == 4 && Win32MinorVersion >= 10)));
    if (multi)
        EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list));
    if (list.empty())
        list.push_back({nullptr, RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}});
    return list;
}

} // namespace

const std::vector<TMonitorRec>& MonitorList() {
    static const std::vector<TMonitorRec> list = BuildList();
    return list;
}

int VisibleExtent(const RECT& A, const RECT& B) {
    RECT r;
    if (!IntersectRect(&r, &A, &B))
        return -1;
    return std::min(r.right - r.left, r.bottom - r.top);
}

bool IsRectVisible(const RECT& Rect, int MinPixels) {
    for (const auto& m : MonitorList())
        if (VisibleExtent(Rect, m.Rect) > MinPixels)
            return true;
    return false;
}

bool IsAreaVisible(int Left, int Top, int Width, int MinPixels, int Height) {
    return IsRectVisible(RECT{Left, Top, Left + Width, Top + Height}, MinPixels);
}
