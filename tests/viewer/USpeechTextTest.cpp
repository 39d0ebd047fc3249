#include "USpeechText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::wstring>;

std::wstring Xs(size_t n) { return std::wstring(n, L'x'); }

} // namespace

TEST(SpeechReadingLines, SentenceMarksBreakOnlyAfterEightyCharacters) {
    for (wchar_t mark : {L'!', L'?'}) {
        // exactly 80 before the mark: the line goes on
        std::wstring at = Xs(80) + mark + L"tail";
        EXPECT_EQ(SpeechReadingLines(at), Lines{at});
        // 81 before it: the mark ends the line and belongs to it
        std::wstring past = Xs(81) + mark + L"tail";
        EXPECT_EQ(SpeechReadingLines(past), (Lines{Xs(81) + mark, L"tail"}));
    }
    // a full stop needs a blank after it
    EXPECT_EQ(SpeechReadingLines(Xs(80) + L". next"), Lines{Xs(80) + L". next"});
    EXPECT_EQ(SpeechReadingLines(Xs(81) + L". next"), (Lines{Xs(81) + L".", L"next"}));
    EXPECT_EQ(SpeechReadingLines(Xs(81) + L".next"), Lines{Xs(81) + L".next"});
    EXPECT_EQ(SpeechReadingLines(Xs(81) + L"."), Lines{Xs(81) + L"."});
}

TEST(SpeechReadingLines, CommasAndBlanksBreakAfterOneHundredSixty) {
    EXPECT_EQ(SpeechReadingLines(Xs(160) + L",y"), Lines{Xs(160) + L",y"});
    EXPECT_EQ(SpeechReadingLines(Xs(161) + L",y"), (Lines{Xs(161) + L",", L"y"}));
    EXPECT_EQ(SpeechReadingLines(Xs(160) + L" y"), Lines{Xs(160) + L" y"});
    // the ending blank is trimmed off its line
    EXPECT_EQ(SpeechReadingLines(Xs(161) + L" y"), (Lines{Xs(161), L"y"}));
    // a '!' at 100 characters ends the line before a comma could
    std::wstring text = Xs(100) + L"!" + Xs(60) + L"," + Xs(5);
    EXPECT_EQ(SpeechReadingLines(text), (Lines{Xs(100) + L"!", Xs(60) + L"," + Xs(5)}));
}

TEST(SpeechReadingLines, CountingStartsAgainOnEveryLine) {
    // 90 characters, a break; the second line's '!' has only 50 before it
    std::wstring text = Xs(90) + L"!" + Xs(50) + L"!" + Xs(20) + L"?z";
    EXPECT_EQ(SpeechReadingLines(text), (Lines{Xs(90) + L"!", Xs(50) + L"!" + Xs(20) + L"?z"}));
    // a long run of blanks after 161 characters: each blank ends a line, all of them empty
    text = Xs(161) + std::wstring(500, L' ') + L"end";
    EXPECT_EQ(SpeechReadingLines(text), (Lines{Xs(161), L"end"}));
    // a line of 400 characters without any break character stays one line
    EXPECT_EQ(SpeechReadingLines(Xs(400)), Lines{Xs(400)});
}

TEST(SpeechReadingLines, CarriageReturnsTrimmingAndEmptyLines) {
    EXPECT_EQ(SpeechReadingLines(L"one\rtwo\r\nthree\n four"), (Lines{L"one", L"two", L"three\n four"}));
    EXPECT_EQ(SpeechReadingLines(L"  \r\r\n \t\r  x  \r"), Lines{L"x"});
    EXPECT_TRUE(SpeechReadingLines(L"").empty());
    EXPECT_TRUE(SpeechReadingLines(L" \t\n").empty());
    // short sentences stay together: the marks count only on long lines
    EXPECT_EQ(SpeechReadingLines(L"Hi! Yes? No. Fine, thanks."), Lines{L"Hi! Yes? No. Fine, thanks."});
}

TEST(RemoveLeftNav, TakesTheFirstNavigationDivWithItsNestedDivs) {
    std::wstring text = L"<p>a</p><DIV Class='oh_LEFTNAV'><div>x<div>y</div></div>z</div><p>b</p>"
                        L"<div class=\"OH_leftNav\">second</div>";
    EXPECT_TRUE(RemoveLeftNav(text));
    EXPECT_EQ(text, L"<p>a</p><p>b</p><div class=\"OH_leftNav\">second</div>");

    // another class, or one more class beside it: not the pane
    std::wstring other = L"<div class=\"OH_leftNav wide\">x</div><div class=nav>y</div>";
    EXPECT_FALSE(RemoveLeftNav(other));
    EXPECT_EQ(other, L"<div class=\"OH_leftNav wide\">x</div><div class=nav>y</div>");

    // a closing div inside a comment is no end tag
    std::wstring commented = L"A<div class=OH_leftNav><!-- </div> -->nav</div>B";
    EXPECT_TRUE(RemoveLeftNav(commented));
    EXPECT_EQ(commented, L"AB");

    // the pane at the very end of the text, a self-closed one, nothing at all
    std::wstring last = L"A<div class=OH_leftNav>n</div>";
    EXPECT_TRUE(RemoveLeftNav(last));
    EXPECT_EQ(last, L"A");
    std::wstring empty = L"A<div class=\"OH_leftNav\"/>B</div>";
    EXPECT_TRUE(RemoveLeftNav(empty));
    EXPECT_EQ(empty, L"AB</div>");
    std::wstring none;
    EXPECT_FALSE(RemoveLeftNav(none));
}

TEST(RemoveLeftNav, UnclosedPaneLeavesTheTextWhole) {
    for (std::wstring text : {L"A<div class=OH_leftNav>nav<div>inner</div>and the page", L"A<div class=OH_leftNav>",
                              L"A<div class=OH_leftNav><div><div></div></div"}) {
        std::wstring before = text;
        EXPECT_FALSE(RemoveLeftNav(text));
        EXPECT_EQ(text, before);
    }
}

TEST(SpeechText, NavigationPaneOnlyWhenAsked) {
    std::wstring page = L"<div class=OH_leftNav>Contents\rIndex</div>Topic text";
    EXPECT_EQ(SpeechText(page, true), L"Topic text\r\n");
    EXPECT_EQ(SpeechText(page, false), L"<div class=OH_leftNav>Contents\r\nIndex</div>Topic text\r\n");
    EXPECT_EQ(SpeechText(L"  \r ", false), L"");
}
