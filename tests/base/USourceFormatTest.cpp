// Page source formatting: line breaks, joining, block-tag indentation.
#include "USourceFormat.h"

#include "SysUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

TEST(FormatSourceText, LineBreakModes) {
    const struct {
        int Mode;
        const wchar_t* In;
        const wchar_t* Out;
        int Changes;
    } rows[] = {
        {1, L"a\nb\r\nc\rd", L"a\r\nb\r\nc\r\nd", 2},
        {2, L"a\nb\r\nc\rd", L"a\rb\rc\rd", 2},
        {3, L"a\nb\r\nc\rd\r", L"a\nb\nc\nd\n", 3},
        {1, L"a\r\nb", L"a\r\nb", 0},
        {4, L"  a\r\n\t b  c \n", L"a b  c", 3},
        {4, L"one two", L"one two", 0},
    };
    for (const auto& row : rows) {
        std::wstring text = row.In;
        TSourceCounts counts;
        EXPECT_EQ(row.Changes, FormatSourceText(text, row.Mode, counts)) << row.Mode << " " << row.In;
        EXPECT_EQ(row.Out, text) << row.Mode;
    }
    std::wstring text = L"a\r\n\r\n  \nb\rc";
    TSourceCounts counts;
    FormatSourceText(text, 1, counts);
    EXPECT_EQ(4, counts.LineBreaks);
    EXPECT_EQ(2, counts.BlankLines);
}

TEST(FormatSourceText, BlockTagsOnTheirOwnIndentedLines) {
    std::wstring text = L"<html><body><div><p>x <b>y</b></p><br></div>\r\n      <ul><li>a</li></ul></body></html>";
    EXPECT_GT(IndentHtmlTags(text), 0);
    EXPECT_EQ(L"<html>\r\n"
              L"  <body>\r\n"
              L"    <div>\r\n"
              L"      <p>x <b>y</b>\r\n"
              L"      </p>\r\n"
              L"      <br>\r\n"
              L"    </div>\r\n"
              L"    <ul>\r\n"
              L"      <li>a\r\n"
              L"      </li>\r\n"
              L"    </ul>\r\n"
              L"  </body>\r\n"
              L"</html>",
              text);
    // Formatting again changes nothing.
    const std::wstring once = text;
    EXPECT_EQ(0, IndentHtmlTags(text));
    EXPECT_EQ(once, text);
}

// Large replies: the work grows with the text. Prints the rate; asserts only the result.
TEST(FormatSourceText, LargeTextThroughput) {
    std::wstring text;
    for (int i = 0; i < 100000; ++i) text += L"<div><p>line " + IntToStr(i) + L"</p></div>\n";
    std::wstring breaks = text;
    TSourceCounts counts;
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(100000, FormatSourceText(breaks, 1, counts));
    const auto t1 = std::chrono::steady_clock::now();
    EXPECT_EQ(300000, IndentHtmlTags(text)); // <p>, </p> and </div> move to lines of their own
    const auto t2 = std::chrono::steady_clock::now();
    const double mb = static_cast<double>(breaks.size() * 2) / 1e6;
    const auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
    std::printf("[ bench    ] FormatSourceText %.1f MB: line breaks %.1f ms, indent %.1f ms\n", mb, ms(t0, t1),
                ms(t1, t2));
    EXPECT_EQ(100000, counts.LineBreaks);
}
