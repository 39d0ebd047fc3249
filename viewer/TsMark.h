// TEMPORARY timing marks (not committed)
#pragma once
#include <windows.h>
#include <cstdio>
inline double TsNowMs() { LARGE_INTEGER f, c; QueryPerformanceFrequency(&f); QueryPerformanceCounter(&c); return c.QuadPart * 1000.0 / f.QuadPart; }
inline void TsMark(const char* What, double Extra = 0) {
    static FILE* f = _wfopen(L"C:\\tagspeed-marks.txt", L"a");
    if (f) { std::fprintf(f, "%.1f %s %.1f\n", TsNowMs(), What, Extra); std::fflush(f); }
}
