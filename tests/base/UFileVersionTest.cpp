#include "UFileVersion.h"

#include "TestHarness.h"
#include "UDLogFile.h"
#include "UMonitorList.h"

#include <gtest/gtest.h>

namespace ts = testing_support;

TEST(FileVersion, Comparisons) {
    EXPECT_EQ(CompareVersion(1, 2, 3, 4, 1, 2, 3, 4), 0);
    EXPECT_EQ(CompareVersion(2, 0, 0, 0, 1, 9, 9, 9), 1);
    EXPECT_EQ(CompareVersion(1, 2, 3, 4, 1, 2, 3, 5), -1);
    EXPECT_EQ(CompareVersion(1, 65535, 0, 0, 2, 0, 0, 0), -1);

    struct Case {
        const wchar_t* A;
        const wchar_t* B;
        int Full;
        int Partial;
    } cases[] = {
        {L"1.2", L"1.2.0.0", 0, 0},      {L"1.10", L"1.9", 1, 1},     {L"", L"", 0, 0},
        {L"", L"1", -1, -1},             {L"1", L"", 1, 1},           {L"1.2", L"1.2.3", -1, 0},
        {L"1.3", L"1.2.9", 1, 1},        {L"1.2", L"1.2.0.5", -1, 0}, {L"1.x.3", L"1.0.3", 0, 0},
        {L"1.65535", L"1.2", 1, 1},      {L"10.0.30128", L"10.0.30129", -1, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareVersionStr(c.A, c.B), c.Full) << c.A << " vs " << c.B;
        EXPECT_EQ(CompareVersionStrPartial(c.A, c.B), c.Partial) << c.A << " vs " << c.B;
    }
}

TEST(FileVersion, VersionResources) {
    const std::wstring kernel = GetSystemFolderLog() + L"\\kernel32.dll";
    int M = -1, m = -1, r = -1, b = -1;
    std::wstring text;
    ASSERT_TRUE(GetFileVersionNumbers(kernel, M, m, r, b, text));
    EXPECT_GT(M, 0);
    EXPECT_EQ(text, std::to_wstring(M) + L"." + std::to_wstring(m) + L"." + std::to_wstring(r) + L"." +
                        std::to_wstring(b));
    EXPECT_EQ(GetFileVersionStr(kernel), text);

    ts::TempDir dir;
    ts::WriteBytes(dir.File(L"plain.dll"), "not a program");
    EXPECT_FALSE(GetFileVersionNumbers(dir.File(L"plain.dll"), M, m, r, b, text));
    EXPECT_EQ(M + m + r + b, 0);
    EXPECT_EQ(text, L"");
    EXPECT_EQ(GetFileVersionStr(dir.File(L"missing.dll")), L"");
    EXPECT_EQ(GetExeVersionStr(), L""); // the test program carries no version resource
}

TEST(Monitors, VisibilityNeedsMoreThanTheMinimum) {
    const auto& list = MonitorList();
    ASSERT_FALSE(list.empty());
    const RECT m = list[0].Rect;
    EXPECT_GT(m.right - m.left, 100);

    EXPECT_EQ(VisibleExtent(RECT{0, 0, 100, 50}, RECT{50, 0, 200, 200}), 50);
    EXPECT_EQ(VisibleExtent(RECT{0, 0, 10, 10}, RECT{20, 20, 30, 30}), -1);

    // A window hanging over the right edge of the first monitor by 50 or 51 pixels,
    // placed beyond every other monitor's reach.
    int farRight = m.right;
    for (const auto& mon : list)
        farRight = std::max<int>(farRight, mon.Rect.right);
    if (farRight == m.right) {
        EXPECT_FALSE(IsAreaVisible(m.right - 50, m.top + 10, 400, 50, 300));
        EXPECT_TRUE(IsAreaVisible(m.right - 51, m.top + 10, 400, 50, 300));
    }
    EXPECT_TRUE(IsRectVisible(m, 50));
    EXPECT_FALSE(IsAreaVisible(-100000, -100000, 500, 50, 500));
}
