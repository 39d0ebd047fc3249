#include "UPTShConsts.h"
#include "UPTUnicode.h"

#include <gtest/gtest.h>

#include <set>

using namespace UPTShConsts;

TEST(UPTShConstsTest, TheTextsAreKeyedByTheirNames) {
    ASSERT_EQ(TextCount, 121);
    EXPECT_EQ(Key(static_cast<TTextId>(0)), L"UPTShConsts_SFileExistsReplace");
    EXPECT_EQ(Key(static_cast<TTextId>(TextCount - 1)), L"UPTShConsts_SBrowseForFolder");
    std::set<std::wstring> keys;
    for (int i = 0; i < TextCount; ++i) {
        TTextId id{};
        const std::wstring key = Key(static_cast<TTextId>(i));
        ASSERT_TRUE(FindKey(key, id)) << key;
        EXPECT_EQ(id, i);
        keys.insert(key);
    }
    EXPECT_EQ(keys.size(), 121u) << "names are unique";

    // What the translation writes, by key; unknown keys change nothing.
    EXPECT_TRUE(SetTextByKey(L"UPTShConsts_SViewMenu", L"Ansicht"));
    EXPECT_EQ(Text(SViewMenu), L"Ansicht");
    EXPECT_FALSE(SetTextByKey(L"UPTShConsts_SNoSuchText", L"x"));
    EXPECT_FALSE(SetTextByKey(L"SViewMenu", L"x"));
    EXPECT_FALSE(SetTextByKey(L"UPTShConsts_", L"x"));
    EXPECT_EQ(Text(static_cast<TTextId>(TextCount)), L"");
    ClearTexts();
    EXPECT_EQ(Text(SViewMenu), L"");
}

TEST(UPTShConstsTest, ResourceTextsAndColumnCaptions) {
    EXPECT_EQ(ShellLoadResString(SPTShSizeKB), L"%s KB");
    EXPECT_EQ(ShellLoadResString(SPTShSystemFolder), L"System Folder");
    EXPECT_EQ(ShellLoadResString(60000), L"") << "a missing resource";
    // A text given by address, and one carrying wide text in UTF-7.
    static const char plain[] = "Plain text";
    EXPECT_EQ(ShellLoadResString(reinterpret_cast<uintptr_t>(plain)), L"Plain text");
    static const std::string carried = UTF7CarrierEncode(L"Gr\u00F6\u00DFe");
    EXPECT_EQ(ShellLoadResString(reinterpret_cast<uintptr_t>(carried.c_str())), L"Gr\u00F6\u00DFe");

    EXPECT_EQ(ColumnCaption(0), L"Name");
    EXPECT_EQ(ColumnCaption(3), L"Modified");
    SetText(SColumnSize, L"\u0420\u0430\u0437\u043C\u0435\u0440");
    EXPECT_EQ(ColumnCaption(1), L"\u0420\u0430\u0437\u043C\u0435\u0440");
    EXPECT_EQ(ColumnCaption(4), L"");
    ClearTexts();
    EXPECT_EQ(ColumnCaption(1), L"Size");
}
