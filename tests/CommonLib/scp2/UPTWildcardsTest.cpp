#include "UPTWildcards.h"

#include <gtest/gtest.h>

namespace {
struct TCase {
    const wchar_t* Name;
    const wchar_t* Mask;
    TPTMatchFlags Flags;
    bool Expected;
};
} // namespace

TEST(UPTWildcardsTest, MaskTable) {
    const TCase cases[] = {
        // stars and question marks
        {L"readme.txt", L"*.txt", 0, true},
        {L"readme.txt", L"*.tx", 0, false},
        {L"readme.txt", L"read*", 0, true},  // a trailing star takes the rest
        {L"readme.txt", L"r*e*x*", 0, true},
        {L"readme.txt", L"*e.*", 0, true},
        {L"a", L"a?", 0, false},             // "?" needs a character
        {L"a", L"a*", 0, true},
        {L"ab", L"*??", 0, true},            // star then "?" run: the text is long enough ...
        {L"a", L"*??", 0, false},            // ... or not, and nothing past the end is read
        {L"abc", L"*??", 0, true},
        {L"abc", L"*?*?*", 0, true},
        {L"", L"*", 0, true},
        {L"", L"", 0, true},
        {L"x", L"", 0, false},
        {L"aXbXc", L"*X*X*c", 0, true},
        {L"aXbXd", L"*X*X*c", 0, false},
        {L"mississippi", L"*sip*", 0, true},
        {L"mississippi", L"*issip", 0, false},
        {L"mississippi", L"*issippi", 0, true},
        // case
        {L"README.TXT", L"*.txt", 0, true},
        {L"README.TXT", L"*.txt", ptmfCaseSensitive, false},
        {L"\u0416\u0443\u043A.TXT", L"\u0436*.txt", 0, true},
        {L"AB.TXT", L"*b.txt", 0, true},     // the skip after "*" folds case too
        {L"AB.TXT", L"*b.txt", ptmfCaseSensitive, false},
        // sets, only when asked for
        {L"b.txt", L"[a-c]*", ptmfSets, true},
        {L"d.txt", L"[a-c]*", ptmfSets, false},
        {L"b.txt", L"[!a-c]*", ptmfSets, false},
        {L"d.txt", L"[!a-c]*", ptmfSets, true},
        {L"]x", L"[]]x", ptmfSets, true},    // "]" first is a member
        {L"-", L"[a-]", ptmfSets, true},     // "-" before "]" is a member
        {L"b", L"[z-a]", ptmfSets, false},   // not a range: z, "-", a
        {L"a", L"[z-a]", ptmfSets, true},
        {L"[ab]", L"[ab]", 0, true},         // without sets "[" is a character
        {L"abcd", L"*[d]", ptmfSets, true},
        {L"a", L"[abc", ptmfSets, false},    // an unterminated set never matches
        {L"a", L"*[abc", ptmfSets, false},
        {L"a", L"[", ptmfSets, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(WideMatchesMask(c.Name, c.Mask, c.Flags), c.Expected)
            << "name \"" << testing::PrintToString(std::wstring(c.Name)) << "\" mask \""
            << testing::PrintToString(std::wstring(c.Mask)) << "\" flags " << c.Flags;
}

TEST(UPTWildcardsTest, MaskLists) {
    EXPECT_TRUE(WideMatchesMaskList(L"a.url", L"*.url;*.lnk"));
    EXPECT_TRUE(WideMatchesMaskList(L"b.LNK", L"*.url;*.lnk"));
    EXPECT_FALSE(WideMatchesMaskList(L"c.urls", L"*.url;*.lnk"));
    EXPECT_FALSE(WideMatchesMaskList(L"d.ln", L"*.url;*.lnk"));
    EXPECT_FALSE(WideMatchesMaskList(L"a.url", L""));
    EXPECT_TRUE(WideMatchesMaskList(L"", L"*.url;"));   // an empty piece matches an empty name
    EXPECT_FALSE(WideMatchesMaskList(L"x", L"*.url;"));
    // The list passes no flags: "[" is literal.
    EXPECT_FALSE(WideMatchesMaskList(L"a", L"[a]"));
    // Text ends at its first #0.
    EXPECT_TRUE(WideMatchesMask(std::wstring_view(L"ab\0cd", 5), L"ab", 0));
}
