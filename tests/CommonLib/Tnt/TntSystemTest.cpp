#include "TntSysUtils.h"
#include "TntSystem.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// ---------------------------------------------------------------------------------
// Command line

TEST(TntCommandLine, QuotedPartsJoinAndKeepBlanks) {
    const std::wstring cmd = L"prog.exe \"a b\" c";
    EXPECT_EQ(WideParamCountOf(cmd), 2);
    EXPECT_EQ(WideParamStrOf(cmd, 1), L"a b");
    EXPECT_EQ(WideParamStrOf(cmd, 2), L"c");
    EXPECT_EQ(WideParamStrOf(cmd, 3), L"");
    EXPECT_EQ(WideParamStrOf(cmd, 5), L"");

    // A quoted part in the middle of a word joins the text around it.
    const std::wstring joined = L"prog a\"b c\"d";
    EXPECT_EQ(WideParamCountOf(joined), 1);
    EXPECT_EQ(WideParamStrOf(joined, 1), L"ab cd");
}

TEST(TntCommandLine, EmptyPairsAndLoneQuotes) {
    // An empty pair is skipped like a blank, not taken as an empty argument.
    EXPECT_EQ(WideParamCountOf(L"prog \"\" x"), 1);
    EXPECT_EQ(WideParamStrOf(L"prog \"\" x", 1), L"x");
    EXPECT_EQ(WideParamCountOf(L"prog \"\"\"\"x"), 1);
    // A lone quote at the end gives an empty argument, which ends the count.
    EXPECT_EQ(WideParamCountOf(L"prog a \""), 1);
    // A quoted part may run to the end of the text.
    EXPECT_EQ(WideParamStrOf(L"prog \"open end", 1), L"open end");
}

TEST(TntCommandLine, ProgramNameSeparatorsAndEdges) {
    const std::wstring cmd = L"\"C:\\Program Files\\Vorlane.exe\"\t/debug\x01\x1F  \"http://x/?a=1&b=\xE9\"";
    EXPECT_EQ(WideParamStrOf(cmd, 0), L"C:\\Program Files\\Vorlane.exe");
    EXPECT_EQ(WideParamCountOf(cmd), 2);
    EXPECT_EQ(WideParamStrOf(cmd, 1), L"/debug");
    EXPECT_EQ(WideParamStrOf(cmd, 2), L"http://x/?a=1&b=\xE9");
    EXPECT_EQ(WideParamStrOf(cmd, -1), L"");
    EXPECT_EQ(WideParamCountOf(L""), 0);
    EXPECT_EQ(WideParamCountOf(L"prog"), 0);
    EXPECT_EQ(WideParamCountOf(L"   prog   "), 0);

    // The single step reports where it stopped.
    std::wstring param;
    const size_t next = WideGetParamStr(L"  ab  cd", 0, param);
    EXPECT_EQ(param, L"ab");
    EXPECT_EQ(next, 4u);
}

TEST(TntCommandLine, ProcessParamZeroIsTheFullModuleName) {
    const std::wstring self = WideParamStr(0);
    EXPECT_EQ(self, WideGetModuleFileName(nullptr));
    EXPECT_EQ(WideExtractFileExt(self), L".exe");
    EXPECT_EQ(WideExtractFileDrive(self).size(), 2u);
    EXPECT_EQ(WideParamStr(WideParamCount() + 1), L"");
}

// ---------------------------------------------------------------------------------
// UTF-8

TEST(TntUtf8, EncodesBmpAndSupplementaryCharacters) {
    EXPECT_EQ(WideStringToUTF8(L"A\xE9\x20AC"), "A\xC3\xA9\xE2\x82\xAC");
    // U+1D11E is one four-byte sequence, not two three-byte halves.
    EXPECT_EQ(WideStringToUTF8(L"\xD834\xDD1E"), "\xF0\x9D\x84\x9E");
    EXPECT_EQ(WideStringToStringEx(L"\xD834\xDD1E", CP_UTF8), "\xF0\x9D\x84\x9E");
    EXPECT_EQ(WideStringToUTF8(L"\xDBFF\xDFFF"), "\xF4\x8F\xBF\xBF");
    // A lone surrogate still survives a round trip.
    EXPECT_EQ(WideStringToUTF8(L"\xD800x"), "\xED\xA0\x80x");
    EXPECT_EQ(UTF8ToWideString("\xED\xA0\x80x"), L"\xD800x");
    EXPECT_EQ(WideStringToUTF8(L""), "");
}

TEST(TntUtf8, DecodesFourByteSequencesToSurrogatePairs) {
    EXPECT_EQ(UTF8ToWideString("\xF0\x9D\x84\x9E"), L"\xD834\xDD1E");
    EXPECT_EQ(StringToWideStringEx("\xE2\x82\xAC", CP_UTF8), L"\x20AC");
    EXPECT_EQ(StringToWideStringEx("x\xF0\x9F\x98\x80y", CP_UTF8), L"x\xD83D\xDE00y");
}

TEST(TntUtf8, MalformedInputGivesEmptyText) {
    const char* bad[] = {
        "\xE2\x82",             // cut short
        "a\x80" "b",            // stray continuation byte
        "\xBF",                 // stray continuation byte alone
        "\xC3" "A",             // continuation expected
        "\xC0\xAF",             // overlong '/'
        "\xE0\x80\xAF",         // overlong '/'
        "\xF0\x8F\xBF\xBF",     // overlong U+FFFF
        "\xF4\x90\x80\x80",     // beyond U+10FFFF
        "\xF8\x88\x80\x80\x80", // no such lead byte
        "\xF0\x9D\x84",         // four-byte sequence cut short
    };
    for (const char* s : bad)
        EXPECT_EQ(StringToWideStringEx(s, CP_UTF8), L"") << "input: " << s;
}

TEST(TntUtf8, RoundTripsEveryCodePoint) {
    std::wstring all;
    for (uint32_t cp = 1; cp <= 0x10FFFF; cp += (cp < 0x3000 ? 1 : 97)) {
        if (cp >= 0xD800 && cp <= 0xDFFF)
            continue;
        if (cp >= 0x10000) {
            all += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            all += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            all += static_cast<wchar_t>(cp);
        }
    }
    const std::string utf8 = WideStringToUTF8(all);
    EXPECT_EQ(UTF8ToWideString(utf8), all);
    // The system's own encoder agrees for valid text.
    EXPECT_EQ(utf8, WideStringToStringEx(all, CP_UTF8));
    const int sysLen = WideCharToMultiByte(CP_UTF8, 0, all.data(), static_cast<int>(all.size()), nullptr, 0, nullptr, nullptr);
    std::string sys(static_cast<size_t>(sysLen), '\0');
    WideCharToMultiByte(CP_UTF8, 0, all.data(), static_cast<int>(all.size()), sys.data(), sysLen, nullptr, nullptr);
    EXPECT_EQ(utf8, sys);
}

// ---------------------------------------------------------------------------------
// UTF-7

TEST(TntUtf7, EncodesWithMinimalShifts) {
    EXPECT_EQ(WideStringToUTF7(L"A+B"), "A+-B");
    EXPECT_EQ(WideStringToUTF7(L"a\xE9"), "a+AOk");
    EXPECT_EQ(WideStringToUTF7(L"\xE9" L"a"), "+AOk-a");
    EXPECT_EQ(WideStringToUTF7(L"\xE9 "), "+AOk ");
    EXPECT_EQ(WideStringToUTF7(L"\xE9-"), "+AOk--");
    EXPECT_EQ(WideStringToUTF7(L"Hi! {x}"), "Hi! {x}"); // optional direct characters stay
    EXPECT_EQ(WideStringToUTF7(L"~\\"), "+AH4AXA");     // '~' and '\' are always shifted
    EXPECT_EQ(WideStringToUTF7(L""), "");
}

TEST(TntUtf7, DecodesAndRejectsIllegalInput) {
    EXPECT_EQ(UTF7ToWideString("+AOk-"), L"\xE9");
    EXPECT_EQ(UTF7ToWideString("+-"), L"+");
    EXPECT_EQ(UTF7ToWideString("a+AOk"), L"a\xE9");
    EXPECT_EQ(UTF7ToWideString("+AOk-a"), L"\xE9" L"a");
    EXPECT_EQ(UTF7ToWideString("+AOk."), L"\xE9.");
    EXPECT_EQ(UTF7ToWideString(""), L"");
    for (const char* s : {"+AOl", "++", "+", "+ x", "caf\xE9"}) {
        try {
            UTF7ToWideString(s);
            ADD_FAILURE() << "accepted: " << s;
        } catch (const ETntGeneralError& e) {
            EXPECT_EQ(e.Message(), L"Invalid UTF7");
        }
    }
    EXPECT_THROW(StringToWideStringEx("+AOl", CP_UTF7), ETntGeneralError);
}

TEST(TntUtf7, RoundTripsEveryUnit) {
    std::wstring text;
    for (uint32_t u = 1; u <= 0xFFFF; ++u) {
        text += static_cast<wchar_t>(u);
        if (u % 7 == 0)
            text += L" a-b+c";
    }
    const std::string utf7 = WideStringToStringEx(text, CP_UTF7);
    for (char c : utf7)
        ASSERT_LT(static_cast<unsigned char>(c), 128u);
    EXPECT_EQ(StringToWideStringEx(utf7, CP_UTF7), text);
}

// ---------------------------------------------------------------------------------
// Code pages

TEST(TntCodePages, ConvertsThroughTheSystem) {
    EXPECT_EQ(StringToWideStringEx("caf\xE9", 1252), L"caf\xE9");
    EXPECT_EQ(WideStringToStringEx(L"caf\xE9", 1252), "caf\xE9");
    EXPECT_EQ(WideStringToStringEx(L"\x4E2D", 1252), "?"); // the system's substitute
    EXPECT_EQ(StringToWideStringEx("", 1252), L"");
    // Double-byte code page.
    const std::string sjis = WideStringToStringEx(L"\x65E5\x672C", 932);
    EXPECT_EQ(sjis.size(), 4u);
    EXPECT_EQ(StringToWideStringEx(sjis, 932), L"\x65E5\x672C");
    // Long text takes the measured path.
    const std::wstring longText(5000, L'\xE9');
    EXPECT_EQ(StringToWideStringEx(WideStringToStringEx(longText, 1252), 1252), longText);
    const std::wstring longCjk(3000, L'\x672C');
    EXPECT_EQ(WideStringToStringEx(longCjk, 932).size(), 6000u);
    // The default conversion.
    EXPECT_EQ(DefaultAnsiToWide(DefaultWideToAnsi(L"plain text")), L"plain text");
}

TEST(TntCodePages, LocalesKeysAndByteOrder) {
    EXPECT_EQ(LCIDToCodePage(MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT)), 1252);
    EXPECT_EQ(LCIDToCodePage(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT)), 1251);
    EXPECT_EQ(LCIDToCodePage(0x7FFF1234), static_cast<int>(GetACP())); // no such locale
    EXPECT_GT(KeyboardCodePage(), 0);
    EXPECT_EQ(KeyUnicode(L'A'), L'A');
    EXPECT_EQ(KeyUnicode(L'\x4E2D'), L'\x4E2D');

    wchar_t text[] = L"\x0041\x1234";
    StrSwapByteOrder(text);
    EXPECT_EQ(text[0], 0x4100);
    EXPECT_EQ(text[1], 0x3412);
    StrSwapByteOrder(nullptr);
}

// ---------------------------------------------------------------------------------
// Resource strings, flags and updates

TEST(TntSystemMisc, ResourceStringsFromAnsiText) {
    EXPECT_EQ(WideLoadResString(nullptr), L"");
    TResStringRec plain{nullptr, reinterpret_cast<uintptr_t>("plain text")};
    EXPECT_EQ(WideLoadResString(&plain), L"plain text");
    TResStringRec utf8{nullptr, reinterpret_cast<uintptr_t>("\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F" "e \xE4\xB8\xAD")};
    EXPECT_EQ(WideLoadResString(&utf8), L"Gr\xFC\xDF" L"e \x4E2D");
    // Only a signature followed by text marks UTF-8.
    TResStringRec bomOnly{nullptr, reinterpret_cast<uintptr_t>("\xEF\xBB\xBF")};
    EXPECT_EQ(WideLoadResString(&bomOnly), DefaultAnsiToWide("\xEF\xBB\xBF"));
}

TEST(TntSystemMisc, ResourceStringsFromAStringTable) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    ASSERT_NE(user32, nullptr);
    // Find some string the module holds and compare with the system's own copy.
    for (UINT id = 1; id < 4096; ++id) {
        wchar_t buf[4096];
        const int len = LoadStringW(user32, id, buf, 4096);
        if (len <= 0)
            continue;
        TResStringRec rec{user32, id};
        EXPECT_EQ(WideLoadResString(&rec), std::wstring(buf, static_cast<size_t>(len)));
        return;
    }
    GTEST_SKIP() << "user32 holds no string table here";
}

TEST(TntSystemMisc, FlagsOrdinalsAndUpdates) {
    EXPECT_TRUE(Win32PlatformIsUnicode);
    EXPECT_TRUE(Win32PlatformIsXP);
    EXPECT_EQ(Win32PlatformIsVista, Win32MajorVersion >= 6);
    EXPECT_TRUE(Tnt_Is_IntResource(MAKEINTRESOURCEW(5)));
    EXPECT_FALSE(Tnt_Is_IntResource(L"NAME"));

    InstallTntSystemUpdates(tsuAll);
    EXPECT_EQ(TntSystemUpdatesInstalled(), tsuAll);
    UninstallTntSystemUpdates();
    EXPECT_EQ(TntSystemUpdatesInstalled(), 0);
}

TEST(TntSystemMisc, CodePageUpdateMakesDefaultConversionsUseTheSystemCodePage) {
    // A user whose locale differs from the system's ANSI code page: the thread locale is
    // Russian (1251), the system code page is another one.
    if (GetACP() == 1251)
        GTEST_SKIP() << "the system code page is the Russian one here";
    const TTntSystemUpdateSet before = TntSystemUpdatesInstalled();
    const LCID oldLocale = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT), SORT_DEFAULT)));
    const std::wstring inThreadCp = StringToWideStringEx("\xC0", 1251);
    const std::wstring inSystemCp = StringToWideStringEx("\xC0", GetACP());
    ASSERT_NE(inThreadCp, inSystemCp);

    UninstallTntSystemUpdates();
    EXPECT_EQ(DefaultAnsiToWide("\xC0"), inThreadCp) << "start value: the thread's code page";
    InstallTntSystemUpdates(tsuAll & ~tsuCodePage);
    EXPECT_EQ(DefaultAnsiToWide("\xC0"), inThreadCp) << "only the code-page update changes it";
    InstallTntSystemUpdates(tsuAll);
    EXPECT_EQ(DefaultSystemCodePage, static_cast<UINT>(CP_ACP));
    EXPECT_EQ(DefaultAnsiToWide("\xC0"), inSystemCp);
    EXPECT_EQ(DefaultWideToAnsi(inSystemCp), "\xC0");
    UninstallTntSystemUpdates();
    EXPECT_EQ(DefaultSystemCodePage, static_cast<UINT>(CP_THREAD_ACP));

    SetThreadLocale(oldLocale);
    if (before)
        InstallTntSystemUpdates(before);
}

} // namespace
