// Interface-language table and the choice of the default language.
#include "ULocaleInfo.h"

#include "System.h"

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

