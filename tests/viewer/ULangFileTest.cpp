// Language files: the code check, the file's place, reading values, and the text rules.
#include "TestHarness.h"
#include "ULangFile.h"
#include "ULocaleInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::Utf16Bytes;
using testing_support::WriteBytes;

namespace {

} // namespace

TEST(LangCode, OnlyLettersDigitsUnderscoreAndDashReachThePath) {
    for (const wchar_t* good : {L"", L"de", L"pt-br", L"zh_CN", L"ptb2"})
        EXPECT_EQ(CheckLangCode(good), good) << good;
    std::vector<std::wstring> log;
    for (const wchar_t* bad : {L"..\\..\\x", L"de/..", L"de.", L"a b", L"c:", L"*", L"caf\u00e9", L"de\r\n"}) {
        EXPECT_EQ(CheckLangCode(bad, [&](const std::wstring& l) { log.push_back(l); }), L"") << bad;
        ASSERT_FALSE(log.empty());
        EXPECT_NE(log.back().find(bad), std::wstring::npos);
    }
    EXPECT_EQ(log.size(), 8u);

    const std::string saved = DefaultLanguageCode;
    DefaultLanguageCode = "he";
    EXPECT_EQ(LangFilePath(L"C:\\p", L""), L"C:\\p\\vorlane.lang.he");
    EXPECT_EQ(LangFilePath(L"C:\\p", L"de"), L"C:\\p\\vorlane.lang.de");
    DefaultLanguageCode = saved;
}

TEST(LangFile, ValuesInAnyEncodingStarAndMissingKeysAreAbsent) {
    TempDir dir;
    const std::wstring text = L"[Translator]\r\nmmnuPage=wrong section\r\n[main]\r\nmmnuPage = Seite \r\n"
                              L"MMNUBACK=Zur\u00fcck\r\nmmnuZoom=*\r\nmmnuStop=\r\nmmnuRead=\"*\"\r\n"
                              L";mmnuHelp=comment\r\n[other]\r\nmmnuHelp=Hilfe\r\n";
    WriteBytes(dir.File(L"u16"), Utf16Bytes(text));
    WriteBytes(dir.File(L"u8"), "\xEF\xBB\xBF[main]\nmmnuBack=Zur\xC3\xBC" "ck\n");
    WriteBytes(dir.File(L"ansi"), "[main]\r\nmmnuBack=Zur\xFC" "ck\r\n");
    TLangFile f;
    ASSERT_TRUE(f.Load(dir.File(L"u16")));
    EXPECT_EQ(f.Value(L"mmnuPage"), L"Seite");
    EXPECT_EQ(f.Value(L"mmnuBack"), L"Zur\u00fcck");   // keys ignore case
    EXPECT_EQ(f.Value(L"mmnuZoom"), std::nullopt);      // "*" is absent
    EXPECT_EQ(f.Value(L"mmnuStop"), L"");               // present and empty
    EXPECT_EQ(f.Value(L"mmnuRead"), std::nullopt);      // quoted "*" too
    EXPECT_EQ(f.Value(L"mmnuHelp"), std::nullopt);      // a comment, another section
    for (const wchar_t* name : {L"u8", L"ansi"}) {
        ASSERT_TRUE(f.Load(dir.File(name))) << name;
        EXPECT_EQ(f.Value(L"mmnuBack"), L"Zur\u00fcck") << name;
        EXPECT_EQ(f.Value(L"mmnuPage"), std::nullopt) << name;
    }
    WriteBytes(dir.File(L"nomain"), "[Translator]\r\nName=x\r\n[main]\r\n");
    EXPECT_FALSE(f.Load(dir.File(L"nomain")));
    EXPECT_FALSE(f.Load(dir.File(L"missing")));
    EXPECT_EQ(f.Value(L"mmnuBack"), std::nullopt);
}

TEST(LangTextRules, ZoomAndNewTabCaptions) {
    EXPECT_EQ(SuperTipTitleText(L"no title"), L"no title");
    EXPECT_EQ(ZoomTextOf(L"Zoom (&Z)(&Z)"), L"Zoom (Z)");
    EXPECT_EQ(ZoomTextOf(L"&Zoom && Size"), L"Zoom & Size");
    // cut before the first '(' and trimmed; without one the caption stays as it is
    EXPECT_EQ(NewTabCaptionOf(L" Neuer Tab (Strg+T) (x)"), L"Neuer Tab");
    EXPECT_EQ(NewTabCaptionOf(L"(Strg+T)"), L"");
    EXPECT_EQ(NewTabCaptionOf(L" Neuer Tab "), L" Neuer Tab ");
}
