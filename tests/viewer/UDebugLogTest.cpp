#include "UDebugLog.h"

#include "UDLogFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct FakeSink : TDebugLogSink {
    bool Shows = false;
    bool Stamps = false;
    std::vector<std::wstring> Lines;
    bool SinkShowing() override { return Shows; }
    bool SinkTimeStamps() override { return Stamps; }
    void SinkAddLine(const std::wstring& Line) override { Lines.push_back(Line); }
};

SYSTEMTIME At(WORD H, WORD M, WORD S, WORD Ms) {
    SYSTEMTIME t{};
    t.wHour = H;
    t.wMinute = M;
    t.wSecond = S;
    t.wMilliseconds = Ms;
    return t;
}

class DebugLogRoutine : public ::testing::Test {
protected:
    void SetUp() override {
        Previous = SetDebugLogSink(&Sink);
        SetDebugLogClock([this] { return Clock; });
    }
    void TearDown() override {
        SetDebugLogSink(Previous);
        SetDebugLogClock(nullptr);
    }
    FakeSink Sink;
    TDebugLogSink* Previous = nullptr;
    SYSTEMTIME Clock = At(9, 5, 3, 70);
};

} // namespace

TEST_F(DebugLogRoutine, HiddenWindowKeepsOnlyForcedLines) {
    DebugLog(L"dropped");
    DebugLogEx(L"kept", true);
    DebugLogSource(L"<div><p>dropped</p></div>", false);
    EXPECT_FALSE(DebugWindowShowing());
    Sink.Shows = true;
    DebugLog(L"shown");
    EXPECT_TRUE(DebugWindowShowing());
    EXPECT_EQ(Sink.Lines, (std::vector<std::wstring>{L"kept", L"shown"}));
}

TEST_F(DebugLogRoutine, NoWindowNoLines) {
    SetDebugLogSink(nullptr);
    DebugLogEx(L"forced", true);
    DebugLog(L"plain");
    DebugLogSource(L"<p>x</p>", true);
    EXPECT_FALSE(DebugWindowShowing());
    EXPECT_TRUE(Sink.Lines.empty());
}

TEST_F(DebugLogRoutine, RulesAndTimePrefixes) {
    Sink.Shows = true;
    DebugLog(L"=");
    DebugLog(L"");
    Sink.Stamps = true;
    DebugLog(L"");                 // empty: no prefix
    DebugLog(L"-");                // rule: no prefix
    DebugLog(L"=== header");       // starts with '=': no prefix
    DebugLog(L"x");                // one character, then the prefix
    DebugLog(L"line");
    Clock = At(9, 5, 3, 500);
    DebugLog(L"half");
    Clock = At(23, 59, 59, 999);
    DebugLog(L"late");
    Clock = At(0, 0, 0, 9);
    DebugLog(L"midnight");
    const std::vector<std::wstring> expected = {
        std::wstring(80, L'='), L"", L"", std::wstring(80, L'-'), L"=== header",
        L"9:5:3.07 --  " + std::wstring(80, L'x'), L"9:5:3.07 --  line", L"9:5:3.50 --  half",
        L"23:59:59.99 --  late", L"0:0:0.00 --  midnight"};
    EXPECT_EQ(Sink.Lines, expected);
}

// Lines arrive whole up to the bound; a longer one (a hostile address) is cut there with a
// mark, never handed on whole.
TEST_F(DebugLogRoutine, AwkwardLinesArriveWholeOverlongOnesCut) {
    Sink.Shows = true;
    std::wstring zeros(L"a\0b\tc\r\x1b", 7);
    DebugLog(zeros);
    const std::wstring big(MaxLogLineChars + 5, L'\u00e9');
    DebugLogEx(big, true);
    DebugLog(std::wstring(1, L'\0')); // one character: a rule of blanks
    ASSERT_EQ(Sink.Lines.size(), 3u);
    EXPECT_EQ(Sink.Lines[0], std::wstring(L"a b\tc\r\x1b", 7));
    EXPECT_EQ(Sink.Lines[1], big.substr(0, MaxLogLineChars) + L" ... [cut: 5 characters]");
    EXPECT_EQ(CutLogLine(big.substr(5)), big.substr(5));
    EXPECT_EQ(Sink.Lines[2], std::wstring(80, L' '));
}

TEST_F(DebugLogRoutine, SourceIsLaidOutOnlyWhenKept) {
    const std::wstring html = L"<div><p>A</p><ul><li>x</li></ul></div>";
    DebugLogSource(html, false);
    EXPECT_TRUE(Sink.Lines.empty());
    DebugLogSource(html, true);
    ASSERT_EQ(Sink.Lines.size(), 1u);
    EXPECT_EQ(Sink.Lines[0], L"<div>\r\n  <p>A\r\n  </p>\r\n  <ul>\r\n    <li>x\r\n    </li>\r\n  </ul>\r\n</div>");
}
