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
