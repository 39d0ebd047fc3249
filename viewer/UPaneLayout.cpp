#include "UPaneLayout.h"

#include <algorithm>

int ToggledPaneWidth(int PaneWidth, int LastPaneWidth) {
    if (PaneWidth < CollapsedPaneWidth)
        return LastPaneWidth >= CollapsedPaneWidth ? LastPaneWidth : DefaultPaneWidth;
    return 0;
}

int SplitterFixLeft(int PaneLeft, int PaneWidth, int SplitterLeft, int SplitterWidth) {
    if (PaneLeft > 30)
        return SplitterLeft > PaneLeft ? 0 : -1;
    return SplitterLeft < PaneLeft + PaneWidth ? PaneWidth + SplitterWidth + 1 : -1;
}

int RememberedPaneWidth(int PaneWidth, int MinSize, int LastPaneWidth) {
    return PaneWidth > MinSize ? PaneWidth : LastPaneWidth;
}

bool PaneGoesRight(int PaneLeft) { return PaneLeft < CollapsedPaneWidth; }

int SplitterLeftAfterSideChange(bool ToRight, int PaneWidth) { return ToRight ? 0 : PaneWidth + 1; }

int PaneWidthCap(int ClientWidth) {
    const int page = std::min(ClientWidth * 3 / 5, PageKeepsWidth);
    return std::max(ClientWidth - page, CollapsedPaneWidth);
}

int ShownPaneWidth(int PaneWidth, int ClientWidth) { return std::min(PaneWidth, PaneWidthCap(ClientWidth)); }

int StatusTextPanelWidth(int BarWidth, int Panel1Width, int Panel2Width) {
    const int w = BarWidth - Panel1Width - Panel2Width;
    return w > 0 ? w : 0;
}

RECT WindowWithinArea(const RECT& Window, const RECT& Area) {
    const LONG width = Window.right - Window.left, height = Window.bottom - Window.top;
    const LONG areaWidth = Area.right - Area.left, areaHeight = Area.bottom - Area.top;
    if (width <= areaWidth && height <= areaHeight)
        return Window;
    const LONG w = std::min(width, areaWidth), h = std::min(height, areaHeight);
    const LONG left = std::clamp(Window.left, Area.left, Area.right - w);
    const LONG top = std::clamp(Window.top, Area.top, Area.bottom - h);
    return RECT{left, top, left + w, top + h};
}
