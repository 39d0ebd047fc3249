// Speed of the breadcrumb bar and the image combo box: the layout plus hit test alone, and a
// whole window paint (layout, hit test, cells into the off-screen bitmap, the copy to the
// window) of a bar with 5 and 50 segments, each with the mouse on a segment's arrow; then
// filling an image combo box in a window with 1,000 items and clearing it again. Figures are
// medians of several runs. Run under Wine: scripts/wine.sh NAME build/bench/bench_pathviewer.exe
#include "Forms.h"
#include "UPTImageCombo.h"
#include "qenPathViewer.h"

#include "BenchTiming.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

int main() {
    TForm form(nullptr);
    form.SetBounds(0, 0, 1040, 200);
    auto* bar = new TqenPathViewer(&form);
    bar->SetParent(&form);
    bar->SetBounds(0, 0, 1024, 25);
    bar->SetPathSepertor(L'|');
    bar->SetHasSubItems(true);
    form.Show();

    printf("Breadcrumb bar, 1024 x 25 pixels\n");
    printf("%9s %8s %20s %12s\n", "segments", "hidden", "layout + hit (us)", "paint (ms)");
    for (int count : {5, 50}) {
        std::wstring path;
        for (int i = 0; i < count; ++i)
            path += (i ? L"|" : L"") + std::wstring(L"Topic ") + std::to_wstring(i + 1);
        bar->SetPath(path);
        bar->HitTest();
        // The mouse on the last shown segment's arrow: one cell painted hot.
        const TpvCell& last = bar->Layout().Cells.back();
        SendMessageW(bar->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM((last.Left + last.Right) / 2, 12));
        const double layout = bench::MedianPerCall(7, 200, [&] { bar->HitTest(); });
        const double paint = bench::MedianPerCall(7, 20, [&] {
            RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        });
        printf("%9d %8d %20.1f %12.3f\n", count, bar->HiddenCount(), layout * 1e6, paint * 1e3);
    }

    auto* combo = new TPTCustomImageCombo(&form);
    combo->SetParent(&form);
    combo->SetBounds(0, 40, 300, 24);
    combo->HandleNeeded();
    printf("\nImage combo box in a window\n");
    printf("%8s %16s %16s\n", "items", "fill (ms)", "clear (ms)");
    // Each run fills, then clears (the clear frees every item); medians of both.
    std::vector<double> fills, clears;
    for (int run = 0; run < 5; ++run) {
        const double t0 = bench::Seconds();
        for (int i = 0; i < 1000; ++i)
            combo->AddItem(L"Folder " + std::to_wstring(i), i % 8, i % 6);
        const double t1 = bench::Seconds();
        combo->ClearItems();
        fills.push_back(t1 - t0);
        clears.push_back(bench::Seconds() - t1);
    }
    std::sort(fills.begin(), fills.end());
    std::sort(clears.begin(), clears.end());
    const double fill = fills[fills.size() / 2], clear = clears[clears.size() / 2];
    printf("%8d %16.2f %16.2f\n", 1000, fill * 1e3, clear * 1e3);
    form.Hide();
    return 0;
}
