#include "TntWideStrUtils.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(TntWStr, AllocStoresTheByteCountAndNewCopies) {
    wchar_t* p = WStrAlloc(10);
    uint32_t bytes = 0;
    std::memcpy(&bytes, reinterpret_cast<uint8_t*>(p) - 4, 4);
    EXPECT_EQ(bytes, 24u);
    WStrDispose(p);
    WStrDispose(nullptr);

    EXPECT_EQ(WStrNew(nullptr), nullptr);
    wchar_t* copy = WStrNew(L"ab\x4E2D");
    EXPECT_STREQ(copy, L"ab\x4E2D");
    std::memcpy(&bytes, reinterpret_cast<uint8_t*>(copy) - 4, 4);
    EXPECT_EQ(bytes, 4u * 2 + 4);
    WStrDispose(copy);
}

TEST(TntWStr, LengthsCopiesAndScans) {
    EXPECT_EQ(WStrLen(L""), 0u);
    EXPECT_EQ(WStrLen(nullptr), 0u);
    const wchar_t* text = L"hello";
    EXPECT_EQ(WStrEnd(text), text + 5);

    wchar_t buf[16];
    std::fill(std::begin(buf), std::end(buf), L'#');
    WStrLCopy(buf, L"abcdef", 3);
    EXPECT_STREQ(buf, L"abc");
    WStrLCopy(buf, L"ab", 10);
    EXPECT_STREQ(buf, L"ab");
    WStrCopy(buf, L"whole");
    EXPECT_STREQ(buf, L"whole");
    WStrPCopy(buf, std::wstring(L"x\0y", 3));
    EXPECT_STREQ(buf, L"x");
    WStrPLCopy(buf, L"abcdef", 4);
    EXPECT_STREQ(buf, L"abcd");
    WStrPLCopy(buf, L"ab", 4);
    EXPECT_STREQ(buf, L"ab");

    wchar_t overlap[] = L"abcdef";
    WStrMove(overlap + 2, overlap, 3);
    EXPECT_STREQ(overlap, L"ababcf");
    WStrMove(overlap, overlap + 1, 4);
    EXPECT_STREQ(overlap, L"babccf");

    EXPECT_EQ(WStrScan(text, L'l'), text + 2);
    EXPECT_EQ(WStrScan(text, L'z'), nullptr);
    EXPECT_EQ(WStrScan(text, L'\0'), text + 5);

    std::wstring s = L"abc";
    EXPECT_EQ(*WideLastChar(s), L'c');
    std::wstring empty;
    EXPECT_EQ(WideLastChar(empty), nullptr);
}

} // namespace
