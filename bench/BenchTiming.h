// Timing helpers of the benchmark programs.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

// Seconds on the performance counter.
inline double Seconds() {
    static const LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / static_cast<double>(freq.QuadPart);
}

// The middle of Values (0 when empty).
inline double Median(std::vector<double> Values) {
    std::sort(Values.begin(), Values.end());
    return Values.empty() ? 0 : Values[Values.size() / 2];
}

// Median time of Runs calls of fn (one untimed warm-up first); Result gets fn's count.
inline double Measure(int runs, const std::function<long long()>& fn, long long& result) {
    result = fn();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double t0 = Seconds();
        const long long r = fn();
        times.push_back(Seconds() - t0);
        if (r != result) std::printf("  (run %d counted %lld, first run %lld)\n", i, r, result);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Median seconds per call over Runs runs of Calls calls (one untimed warm-up run first).
inline double MedianPerCall(int Runs, int Calls, const std::function<void()>& fn) {
    fn();
    std::vector<double> times;
    for (int r = 0; r < Runs; ++r) {
        const double start = Seconds();
        for (int i = 0; i < Calls; ++i)
            fn();
        times.push_back((Seconds() - start) / Calls);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Runs the messages waiting for this thread.
inline void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

} // namespace bench
