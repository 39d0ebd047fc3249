// The main window's life in figures, through the real program over the stand-in runtime
// (installed into a temporary folder, its registry values written): from the start of
// Vorlane.exe to its main window shown, to the end of the start-up message (the debug window,
// saved as showing, appears in it), and from WM_CLOSE, which saves the settings, to the end
// of the program. Medians of several runs; the first run is not counted.
//   scripts/wine.sh NAME build/bench/bench_mainwindow.exe Z:\...\build\Vorlane.exe
// (with a running wineserver, as scripts/wine.sh keeps one).
#include "BenchTiming.h"
#include "VorlaneProbe.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace vorlane_probe;

using bench::Median;

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: bench_mainwindow Z:\\...\\Vorlane.exe\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    standin_test::Installation inst = standin_test::InstallStandin(L"bench-main", {L"--clean"}, true);
    if (!inst.ok) {
        std::printf("the stand-in runtime did not install\n");
        return 1;
    }
    DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
    // No web check during the runs.
    RegWriteString(HKEY_CURRENT_USER, UpdateKey, L"LastReadDate", L"99999");
    RegWriteString(HKEY_CURRENT_USER, UpdateKey, L"LastDLFile", L"Vorlane_Version=0.0.0.1\r\n\r\n\r\n");
    RegWriteString(HKEY_CURRENT_USER, std::wstring(ViewerKey) + L"\\main", L"ShowDebug", L"1");

    std::vector<double> shown, started, closed;
    for (int run = 0; run < 6; ++run) {
        ViewerProcess viewer;
        const double t0 = bench::Seconds();
        if (!viewer.Start(exe))
            break;
        HWND main = WaitForWindow({viewer.Pid(), MainFormClass, L"", nullptr, true}, 30000);
        const double t1 = bench::Seconds();
        HWND debug = FindTopWindow({viewer.Pid(), DebugFormClass});
        if (!main || !debug || !WaitUntil([&] { return IsWindowVisible(debug) != FALSE; }, 30000, 2))
            break;
        const double t2 = bench::Seconds();
        Post(main, WM_CLOSE);
        if (viewer.WaitExit(30000) != 0)
            break;
        const double t3 = bench::Seconds();
        if (run == 0)
            continue; // the first start fills the system's caches
        shown.push_back((t1 - t0) * 1e3);
        started.push_back((t2 - t0) * 1e3);
        closed.push_back((t3 - t2) * 1e3);
    }
    if (shown.empty()) {
        std::printf("Vorlane.exe did not run through start and close\n");
    } else {
        std::printf("start to main window shown:            median %.0f ms of %zu runs (goal: under 1 s)\n", Median(shown),
                    shown.size());
        std::printf("start to the start-up message done:    median %.0f ms\n", Median(started));
        std::printf("WM_CLOSE, saving, to the program's end: median %.0f ms\n", Median(closed));
    }
    DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
    standin_test::RemoveInstallation(inst);
    return 0;
}
