// Prints throughput figures of the conversions and the checked formatter.
#include "TntSysUtils.h"
#include "TntSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

template <class F>
double MillisecondsFor(int rounds, F&& f) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

TEST(TntBenchmark, ConversionsAndFormat) {
    std::wstring text;
    for (int i = 0; text.size() < 1000000; ++i)
        text += L"Help topic \x00E9\x4E2D\xD83D\xDE00 line " + std::to_wstring(i) + L"\r\n";
    const double mb = static_cast<double>(text.size()) * 2 / 1e6;
    std::string utf8;
    const double enc = MillisecondsFor(5, [&] { utf8 = WideStringToUTF8(text); });
    std::wstring back;
    const double dec = MillisecondsFor(5, [&] { back = UTF8ToWideString(utf8); });
    ASSERT_EQ(back, text);
    std::string utf7;
    const double enc7 = MillisecondsFor(2, [&] { utf7 = WideStringToUTF7(text); });
    const double dec7 = MillisecondsFor(2, [&] { back = UTF7ToWideString(utf7); });
    ASSERT_EQ(back, text);
    std::printf("[ bench    ] UTF-8 encode %.0f MB/s, decode %.0f MB/s; UTF-7 encode %.0f MB/s, decode %.0f MB/s\n",
                mb * 5 / enc * 1000, mb * 5 / dec * 1000, mb * 2 / enc7 * 1000, mb * 2 / dec7 * 1000);

    const std::wstring shortText = L"Short caption \x00E9";
    const double shortAnsi = MillisecondsFor(100000, [&] { (void)DefaultAnsiToWide(DefaultWideToAnsi(shortText)); });
    std::printf("[ bench    ] short default round trip: %.2f us\n", shortAnsi * 1000 / 100000);

    const double checked = MillisecondsFor(100000, [] { (void)WideFormat(L"%s: %d of %.2f (%x)", {L"name", 42, 3.5, 255}); });
    const double base = MillisecondsFor(100000, [] { (void)Format(L"%s: %d of %.2f (%x)", {L"name", 42, 3.5, 255}); });
    std::printf("[ bench    ] WideFormat %.2f us per call, base Format %.2f us per call\n", checked * 1000 / 100000,
                base * 1000 / 100000);
}

} // namespace
