// The debug log and the program's start, in figures:
//   - a million unforced DebugLog calls while the debug window is hidden;
//   - 10,000 forced lines into the log, the time of each thousand (it should stay flat as
//     the log grows);
//   - Vorlane.exe from its start to its main window showing (median of a few starts), when
//     the program's path is given.
//   scripts/wine.sh NAME build/bench/bench_debuglog.exe [Z:\...\build\Vorlane.exe]
#include "BenchTiming.h"
#include "FDebug.h"
#include "TntStdCtrls.h"
#include "VorlaneProbe.h"

#include <cstdio>
#include <string>

namespace {

void UnforcedWhileHidden() {
    TDebugForm form(nullptr);
    const std::wstring line = L"a trace line that nobody reads while the window is hidden";
    long long count = 0;
    const double t = bench::Measure(5, [&] {
        for (int i = 0; i < 1000000; ++i)
            DebugLog(line);
        return 1000000LL;
    }, count);
    std::printf("1,000,000 unforced DebugLog calls while hidden: %.2f ms (%.1f ns a call)\n", t * 1e3, t * 1e9 / 1e6);
    form.BeforeDestruction();
}

void ForcedIntoTheMemo() {
    TDebugForm form(nullptr);
    std::printf("10,000 forced lines into the hidden log, each thousand with its trip into the memo:\n ");
    for (int block = 0; block < 10; ++block) {
        const double t0 = bench::Seconds();
        for (int i = 0; i < 1000; ++i)
            DebugLogEx(L"forced line " + std::to_wstring(block * 1000 + i) + L" with some text after its number", true);
        Application->ProcessMessages();
        std::printf(" %.1f", (bench::Seconds() - t0) * 1e3);
    }
    std::printf(" ms; the log holds %d lines\n", form.Memo1->Lines()->Count());
    form.ShowDebugWindow(true);
    Application->ProcessMessages();
    const double t0 = bench::Seconds();
    for (int i = 0; i < 2000; ++i)
        DebugLog(L"shown line " + std::to_wstring(i));
    const double t1 = bench::Seconds();
    form.FlushLog();
    form.Memo1->Update();
    std::printf("2,000 lines while the window shows: %.1f ms, then %.1f ms until they are in the memo and painted\n",
                (t1 - t0) * 1e3, (bench::Seconds() - t1) * 1e3);
    form.ShowDebugWindow(false);
    form.BeforeDestruction();
}

void StartToMainWindow(const std::wstring& Exe) {
    using namespace vorlane_probe;
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        ViewerProcess viewer;
        const double t0 = bench::Seconds();
        if (!viewer.Start(Exe))
            break;
        if (!WaitForWindow({viewer.Pid(), MainFormClass, L"", nullptr, true}, 30000))
            break;
        times.push_back(bench::Seconds() - t0);
    }
    if (times.empty()) {
        std::printf("Vorlane.exe did not show its main window\n");
        return;
    }
    std::sort(times.begin(), times.end());
    std::printf("start to main window shown: median %.0f ms of %zu starts (fastest %.0f, slowest %.0f)\n",
                times[times.size() / 2] * 1e3, times.size(), times.front() * 1e3, times.back() * 1e3);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Application->Initialize();
    UnforcedWhileHidden();
    ForcedIntoTheMemo();
    if (argc > 1)
        StartToMainWindow(argv[1]);
    return 0;
}
