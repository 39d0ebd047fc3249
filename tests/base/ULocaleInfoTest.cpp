// Interface-language table and the choice of the default language.
#include "ULocaleInfo.h"

#include "SysUtils.h"
#include "System.h"
#include "TestHarness.h"
#include "UDLogFile.h"

#include <gtest/gtest.h>

TEST(LocaleInfo, TableLookups) {
    EXPECT_EQ(1, FindLanguageCode("en"));
    EXPECT_EQ(-1, FindLanguageCode("EN")); // case-sensitive
    EXPECT_EQ(-1, FindLanguageCode(""));
    EXPECT_EQ(19, FindLanguageCode("ptb"));
    EXPECT_EQ(29, FindLanguageCode("ca"));
    const int ro = FindLanguageCode("ro");
    ASSERT_EQ(28, ro);
    EXPECT_STREQ("Romanian", g_LocaleInfo[ro].Name);
    EXPECT_STREQ("Romanian", g_LocaleInfo[ro].Desc);
    EXPECT_STREQ("Basque", g_LocaleInfo[27].Name);
}

TEST(LocaleInfo, RowForASystemLocale) {
    EXPECT_EQ(19, FindLocaleRow(LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN));
    EXPECT_EQ(18, FindLocaleRow(LANG_PORTUGUESE, SUBLANG_PORTUGUESE));
    EXPECT_EQ(5, FindLocaleRow(LANG_CHINESE, SUBLANG_CHINESE_SINGAPORE)); // first Chinese row
    EXPECT_EQ(6, FindLocaleRow(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL));
    EXPECT_EQ(1, FindLocaleRow(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    EXPECT_EQ(-1, FindLocaleRow(LANG_ICELANDIC, SUBLANG_DEFAULT));

    InitRuntime();
    PickDefaultLanguage();
    const int expected = FindLocaleRow(SysLocale.PriLangID, SysLocale.SubLangID);
    EXPECT_EQ(expected, g_LocaleInfoIdx);
    if (expected >= 1) {
        EXPECT_EQ(g_LocaleInfo[expected].Code, DefaultLanguageCode);
    }
}


TEST(LocaleInfo, DumpWritesTheLocaleFactsToTheLog) {
    testing_support::TempDir dir;
    const std::wstring path = dir.File(L"locale.txt");
    auto previous = ReplaceGlobalLog(std::make_unique<TDLogFile>(path, true, false, false, false));
    InitRuntime();
    PickDefaultLanguage();
    DumpLocaleInfo();
    ReplaceGlobalLog(std::move(previous));

    const std::string bytes = testing_support::ReadBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()) + 1, bytes.size() / 2 - 1);
    std::wstring want = L" Locale Info \r\n _LocaleInfoIdx = " + IntToStr(g_LocaleInfoIdx) + L"\r\n";
    if (g_LocaleInfoIdx >= 1) {
        const std::string desc = g_LocaleInfo[g_LocaleInfoIdx].Desc;
        want += L" _LocaleInfo[" + IntToStr(g_LocaleInfoIdx) + L"].Desc = " + std::wstring(desc.begin(), desc.end()) +
                L"\r\n";
    }
    want += L" SysLocale.DefaultLCID = x" + IntToHex(SysLocale.DefaultLCID & 0xFFFF, 4) + L"\r\n";
    want += L" SysLocale.PriLangID = x" + IntToHex(SysLocale.PriLangID, 4) + L"\r\n";
    want += L" SysLocale.SubLangID = x" + IntToHex(SysLocale.SubLangID, 4) + L"\r\n";
    want += std::wstring(L" SysLocale.FarEast = ") + (SysLocale.FarEast ? L"Yes" : L"No") + L"\r\n";
    want += std::wstring(L" SysLocale.MiddleEast = ") + (SysLocale.MiddleEast ? L"Yes" : L"No") + L"\r\n";
    want += std::wstring(L" DecimalSeparator = ") + FormatSettings.DecimalSeparator + L"\r\n";
    EXPECT_EQ(want, text);
}
