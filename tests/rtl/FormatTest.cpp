#include "Format.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

TEST(Format, SpecifiersWidthsAndIndexes) {
    TFormatSettings fs;
    fs.DecimalSeparator = L',';
    fs.ThousandSeparator = L'.';
    EXPECT_EQ(Format(L"%s=%d", {L"a", 5}), L"a=5");
    EXPECT_EQ(Format(L"%5d|%-5d|%.3d", {42, 42, 7}), L"   42|42   |007");
    EXPECT_EQ(Format(L"%.3d", {-7}), L"-007");
    EXPECT_EQ(Format(L"%x %.4x", {255, 10}), L"FF 000A");
    EXPECT_EQ(Format(L"%x", {-1}), L"FFFFFFFF");
    EXPECT_EQ(Format(L"%u", {-1}), L"4294967295");
    EXPECT_EQ(Format(L"%1:s %0:s %s", {L"a", L"b"}), L"b a b");
    EXPECT_EQ(Format(L"%*d", {4, 1}), L"   1");
    EXPECT_EQ(Format(L"%.2s", {L"\u0416\u0417\u0418"}), L"\u0416\u0417");
    EXPECT_EQ(Format(L"%s", {L'\u20AC'}), L"\u20AC");
    EXPECT_EQ(Format(L"100%%", {}), L"100%");
    EXPECT_EQ(Format(L"%.2f", {1.5}, fs), L"1,50");
    EXPECT_EQ(Format(L"%n", {1234567.891}, fs), L"1.234.567,89");
    EXPECT_EQ(Format(L"%e", {1.5}), L"1.50000000000000E+000");
    EXPECT_EQ(Format(L"%g", {0.5}), L"0.5");
    EXPECT_EQ(Format(L"%g", {1e20}), L"1E20");
    EXPECT_EQ(Format(L"%d", {int64_t(1) << 40}), L"1099511627776");
    EXPECT_EQ(Format(L"%p", {reinterpret_cast<const void*>(0x1F)}), L"0000001F");
}

TEST(Format, WrongArgumentsRaiseConvertError) {
    EXPECT_THROW(Format(L"%d", {L"x"}), EConvertError);
    EXPECT_THROW(Format(L"%s", {5}), EConvertError);
    EXPECT_THROW(Format(L"%f", {5}), EConvertError);
    EXPECT_THROW(Format(L"%d %d", {5}), EConvertError);
    EXPECT_THROW(Format(L"%q", {5}), EConvertError);
    EXPECT_THROW(Format(L"abc%", {}), EConvertError);
    try {
        Format(L"%d", {L"x"});
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), L"Format '%d' invalid or incompatible with argument");
    }
}

TEST(SysUtils, IntegerConversions) {
    EXPECT_EQ(StrToInt(L" -12"), -12);
    EXPECT_EQ(StrToInt(L"$FF"), 255);
    EXPECT_EQ(StrToInt(L"0x10"), 16);
    EXPECT_EQ(StrToIntDef(L"12a", 7), 7);
    EXPECT_EQ(StrToIntDef(L"", 7), 7);
    EXPECT_EQ(StrToIntDef(L"2147483648", 7), 7);
    EXPECT_EQ(StrToInt64(L"9223372036854775807"), INT64_MAX);
    EXPECT_THROW(StrToInt(L"x"), EConvertError);
    EXPECT_EQ(IntToHex(255, 4), L"00FF");
    EXPECT_EQ(Trim(L"\t a b \r\n"), L"a b");
    EXPECT_EQ(CompareText(L"abc", L"ABD"), -1);
    EXPECT_TRUE(SameText(L"Main", L"MAIN"));
    EXPECT_EQ(Pos(L"b", L"abcb"), 2);
    EXPECT_EQ(PosEx(L"b", L"abcb", 3), 4);
    EXPECT_EQ(Pos(L"", L"abc"), 0);
    EXPECT_EQ(Copy(L"abcdef", 2, 3), L"bcd");
    EXPECT_EQ(Copy(L"abc", 5, 3), L"");
}

TEST(SysUtils, FloatTextIsDecimalInTheLocale) {
    const TFormatSettings saved = FormatSettings;
    FormatSettings.DecimalSeparator = L'.';
    double v = 0;
    for (const wchar_t* good : {L"1.5", L" -2 ", L"+3.", L".25", L"1e3", L"1.5E-2"})
        EXPECT_TRUE(TryStrToFloat(good, v)) << good;
    EXPECT_DOUBLE_EQ(StrToFloat(L"1.5E-2"), 0.015);
    // Not numbers in any locale, though the C library would read them.
    for (const wchar_t* bad : {L"nan", L"inf", L"infinity", L"0x10", L"0x1p4", L"1e", L".", L"-", L"1.5.2", L"1,5"})
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    FormatSettings.DecimalSeparator = L',';
    EXPECT_TRUE(TryStrToFloat(L"1,5", v));
    EXPECT_DOUBLE_EQ(v, 1.5);
    EXPECT_FALSE(TryStrToFloat(L"1.5", v));
    FormatSettings = saved;
}

TEST(SysUtils, DatesRoundTrip) {
    EXPECT_DOUBLE_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_DOUBLE_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_DOUBLE_EQ(EncodeDate(2026, 12, 7), 46363.0);
    int y, m, d;
    DecodeDate(EncodeDate(2000, 2, 29), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20000229);
    DecodeDate(EncodeDate(2024, 12, 31), y, m, d);
    EXPECT_EQ(y * 10000 + m * 100 + d, 20241231);
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    TDateTime t = EncodeDate(2026, 1, 2) + EncodeTime(13, 4, 5, 6);
    EXPECT_EQ(FormatDateTime(L"yyyy-mm-dd hh:nn:ss.zzz", t), L"2026-01-02 13:04:05.006");
    FILETIME ft = DateTimeToFileTime(t);
    EXPECT_NEAR(FileTimeToDateTime(ft), t, 1e-9);
}
