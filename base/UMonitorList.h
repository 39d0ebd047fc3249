// The monitors of the desktop and whether a rectangle shows on one of them.
#pragma once

#include "System.h"

#include <vector>

struct TMonitorRec {
    HMONITOR Handle;
    RECT Rect;
};

// The monitors, listed once on first use; one screen-sized entry (handle 0) when the
// system lists none.
const std::vector<TMonitorRec>& MonitorList();
// The smaller of the width and height of the intersection of A and B; -1 when they do not
// intersect.
int VisibleExtent(const RECT& A, const RECT& B);
// True when Rect shows by more than MinPixels on some monitor.
bool IsRectVisible(const RECT& Rect, int MinPixels);
bool IsAreaVisible(int Left, int Top, int Width, int MinPixels, int Height);
