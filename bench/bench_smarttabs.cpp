// Speed of the tab strip: one paint (layout, anti-aliased tabs, captions and close boxes into
// the off-screen bitmap, and the copy to the window) with 1, 20 and 100 tabs, and the cost of
// one hit test: the control's TabAtPos (which reads the window's size first) and the pure
// geometry function alone. Each figure is the median of several runs. Run under Wine: scripts/wine.sh NAME build/bench/bench_smarttabs.exe
#include "Forms.h"
#include "qenSmartTabs.h"

#include "BenchTiming.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

int main() {
    TForm form(nullptr);
    form.SetBounds(0, 0, 1040, 120);
    auto* tabs = new TqenSmartTabs(&form);
    tabs->SetParent(&form);
    tabs->SetBounds(0, 0, 1024, 30);
    form.Show();

    printf("Tab strip, 1024 x 30 pixels\n");
    printf("%6s %10s %12s %18s %20s\n", "tabs", "tab width", "paint (ms)", "TabAtPos (us)", "geometry only (us)");
    for (int count : {1, 20, 100}) {
        tabs->ClearTabs();
        for (int i = 0; i < count; ++i)
            tabs->AddTabObject(L"Help topic number " + std::to_wstring(i + 1) + L" - Visual Studio", nullptr);
        tabs->SetActiveTab(count / 2);
        // A window paint: the whole strip into the off-screen bitmap, then the blit.
        const double paint = bench::MedianPerCall(7, 20, [&] {
            RedrawWindow(tabs->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        });
        // Hit tests at points spread over the strip (the control's own calls).
        std::vector<POINT> points;
        for (int x = 0; x < 1024; x += 13)
            for (int y = 0; y < 30; y += 7)
                points.push_back(POINT{x, y});
        volatile int sink = 0;
        const double hit = bench::MedianPerCall(7, 10, [&] {
            for (const POINT& p : points)
                sink = sink + tabs->TabAtPos(p.x, p.y);
        }) / static_cast<double>(points.size());
        const TSmartTabsGeometry g = tabs->Geometry();
        const double pure = bench::MedianPerCall(7, 10, [&] {
            for (const POINT& p : points)
                sink = sink + SmartTabsTabAtPos(g, p.x, p.y);
        }) / static_cast<double>(points.size());
        printf("%6d %10d %12.3f %18.3f %20.3f\n", count, g.TabWidth, paint * 1e3, hit * 1e6, pure * 1e6);
    }
    form.Hide();
    return 0;
}
