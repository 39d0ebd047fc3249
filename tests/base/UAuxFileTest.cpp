#include "UAuxFile.h"

#include "SysUtils.h"

#include "TestHarness.h"
#include "TntClasses.h"
#include "TntSystem.h"
#include "ULongPath.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace ts = testing_support;

namespace {

std::wstring CurDir() {
    wchar_t buf[2048];
    DWORD n = GetCurrentDirectoryW(2048, buf);
    return std::wstring(buf, n);
}

} // namespace

// ---------------------------------------------------------------------------------
// Strings

TEST(AuxStrings, SearchFamilyPositionsAndNeutralResults) {
    EXPECT_EQ(PosW(L"abcabc", L"ca"), 3);
    EXPECT_EQ(PosW(L"abc", L""), 0);
    EXPECT_EQ(PosWA(L"x\u00e9y", "\xe9y"), 2); // the pattern byte widened by value
    EXPECT_EQ(PosTextW(L"Hello World", L"WORLD"), 7);
    EXPECT_EQ(PosTextW(L"hello", L"HE"), 1);
    EXPECT_EQ(PosExW(L"abab", L"ab", 2), 3);
    EXPECT_EQ(PosExW(L"abab", L"ab", 5), 0);
    EXPECT_EQ(PosExW(L"abab", L"ab", 0), 0);
    EXPECT_EQ(PosExTextW(L"abAB", L"ab", 2), 3);
    EXPECT_EQ(PosExTextW(L"", L"ab", 1), 0);
    EXPECT_EQ(PosNthW(L"aaaa", L"aa", 2), 3); // occurrences do not overlap
    EXPECT_EQ(PosNthW(L"aaaa", L"aa", 3), 0);
    EXPECT_EQ(PosNthW(L"aaaa", L"aa", 0), 0);
    EXPECT_EQ(PosNthTextW(L"xAxaxA", L"a", 3), 6);
    EXPECT_EQ(PosCharW(L"a\\b\\c", L'\\', 2), 4);
    EXPECT_EQ(PosCharW(L"abc", L'b', 0), 0);
    EXPECT_EQ(RPosCharW(L"a\\b\\c", L'\\', 1), 4);
    EXPECT_EQ(RPosCharW(L"a\\b\\c", L'\\', 2), 2);
    EXPECT_EQ(RPosCharW(L"a\\b\\c", L'\\', 3), 0);
    EXPECT_EQ(PosCharExW(L"a.b.c", L'.', 3), 4);
    EXPECT_EQ(PosCharExW(L"a.b.c", L'.', 6), 0);
    EXPECT_EQ(RPosCharExW(L"a.b.c", L'.', 3), 2);
    EXPECT_EQ(RPosCharExW(L"a.b.c", L'.', 9), 0);
    EXPECT_EQ(CountCharW(L"a,b,,c", L','), 3);
    EXPECT_TRUE(CharInArray(L'b', {L'a', L'b'}));
    EXPECT_TRUE(CharInArray(L'\u00e9', {'\xe9'}));
    EXPECT_FALSE(CharInArray(L'c', {'a', 'b'}));
}

TEST(AuxStrings, TokenFieldsCountEmptyOnes) {
    struct Case {
        const wchar_t* S;
        int Index;
        const wchar_t* Want;
    } cases[] = {
        {L"a,,c", 1, L"a"}, {L"a,,c", 2, L""}, {L"a,,c", 3, L"c"}, {L"a,b", 3, L""},
        {L"a,b", 0, L""},   {L"", 1, L""},     {L"a,", 2, L""},    {L",b", 1, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(GetTokenW(c.S, c.Index, L','), c.Want) << c.S << " #" << c.Index;
    EXPECT_EQ(GetTokenTrimW(L" a , b ", 2, L','), L"b");
    EXPECT_EQ(GetTokenTrimWA(L"1. 2 .3", 2, '.'), L"2");
    EXPECT_EQ(GetTokenIntW(L"1; 42 ;x", 2, L';', -1), 42);
    EXPECT_EQ(GetTokenIntW(L"1; 42 ;x", 3, L';', -1), -1);
    EXPECT_EQ(GetTokenIntWA(L"1.2", 5, '.', 7), 7);
}

TEST(AuxStrings, ReplaceDoesNotRescanInsertedText) {
    std::wstring s = L"aaa";
    EXPECT_EQ(ReplaceStrW(s, L"a", L"aa", 1, 0), 3);
    EXPECT_EQ(s, L"aaaaaa");

    s = L"x-x-x-x";
    EXPECT_EQ(ReplaceStrW(s, L"x", L"yy", 3, 2), 2); // from position 3, at most two
    EXPECT_EQ(s, L"x-yy-yy-x");

    s = L"abc";
    EXPECT_EQ(ReplaceStrW(s, L"", L"z", 1, 0), 0);
    EXPECT_EQ(ReplaceStrW(s, L"c", L"", 9, 0), 0);
    EXPECT_EQ(s, L"abc");

    s = L"One one ONE";
    EXPECT_EQ(ReplaceTextW(s, L"one", L"1", 1, 0), 3);
    EXPECT_EQ(s, L"1 1 1");

    s = L"a.b";
    EXPECT_EQ(ReplaceStrWA(s, ".", "\xe9", 1, 0), 1);
    EXPECT_EQ(s, L"a\u00e9b");
}

TEST(AuxStrings, ReplaceManyMatchesInOnePass) {
    // 200,000 matches: a rescan-and-copy per match would take minutes.
    std::wstring s = DupeStringW(L"ab", 200000);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ReplaceStrW(s, L"a", L"xyz", 1, 0), 200000);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    std::printf("[ bench    ] ReplaceStrW: 200000 replacements in %lld ms\n", static_cast<long long>(ms));
    EXPECT_EQ(s.size(), 800000u);
    EXPECT_EQ(s.substr(0, 8), L"xyzbxyzb");
    std::wstring t = DupeStringW(L"Ab", 100000);
    EXPECT_EQ(ReplaceTextW(t, L"a", L"", 1, 0), 100000);
    EXPECT_EQ(t, StringOfCharW(L'b', 100000));
}

TEST(AuxStrings, ReplaceCharAndTrimFamily) {
    std::wstring s = L"a.b.c";
    EXPECT_EQ(ReplaceCharW(s, L'.', L'/', 1, 0), 1); // MaxCount 0 stops after the first
    EXPECT_EQ(s, L"a/b.c");
    s = L"a.b.c.d";
    EXPECT_EQ(ReplaceCharW(s, L'.', L'/', 3, 5), 2);
    EXPECT_EQ(s, L"a.b/c/d");
    s = StringOfCharW(L'\\', 1001);
    BackslashToSlashW(s);
    EXPECT_EQ(CountCharW(s, L'/'), 999);

    s = L"xxaxx";
    TrimLeftCharW(s, L'x');
    EXPECT_EQ(s, L"axx");
    TrimRightCharWA(s, 'x');
    EXPECT_EQ(s, L"a");
    s = L"--";
    TrimCharW(s, L'-');
    EXPECT_EQ(s, L"");
    s = L"a-b-c";
    DeleteCharWA(s, '-');
    EXPECT_EQ(s, L"abc");
    PadLeftW(s, L'0', 5);
    EXPECT_EQ(s, L"00abc");
    PadLeftW(s, L'0', 2);
    EXPECT_EQ(s, L"00abc");
    TruncateW(s, 3);
    EXPECT_EQ(s, L"00a");
    EXPECT_EQ(StringOfCharWA('z', 3), L"zzz");
    EXPECT_EQ(StringOfCharW(L'z', -1), L"");
    EXPECT_EQ(DupeStringWA("ab", 2), L"abab");
    EXPECT_EQ(DupeStringW(L"ab", 0), L"");
}

TEST(AuxStrings, AsciiOnlyComparisonAndIntegers) {
    EXPECT_TRUE(SameTextW(L"AB", L"ab"));
    EXPECT_FALSE(SameTextW(L"\u00c4B", L"\u00e4b"));
    EXPECT_TRUE(SameTextW(L"", L""));
    EXPECT_FALSE(SameTextW(L"a", L"ab"));
    EXPECT_TRUE(SameTextPrefixW(L"HelloX", L"helloY", 5));
    EXPECT_FALSE(SameTextPrefixW(L"Hel", L"hello", 5));
    EXPECT_FALSE(SameTextPrefixW(L"a", L"a", 0));

    EXPECT_TRUE(IsIntegerStrW(L"-"));
    EXPECT_TRUE(IsIntegerStrA("+12"));
    EXPECT_FALSE(IsIntegerStrW(L"1-2"));
    EXPECT_FALSE(IsIntegerStrW(L""));
    EXPECT_TRUE(IsDigitW(L'7'));
    EXPECT_FALSE(IsDigitW(L'\u0663')); // Arabic-Indic three is no digit here
    EXPECT_TRUE(IsSignOrDigitW(L'+'));

    struct Case {
        const wchar_t* S;
        int Want;
    } cases[] = {{L" 12 ", 12},          {L"1a", 7},          {L"-", 7},
                 {L"+5", 5},             {L"-2147483648", INT32_MIN}, {L"2147483647", INT32_MAX},
                 {L"2147483648", 7},     {L"99999999999", 7}, {L"", 7}};
    for (const auto& c : cases)
        EXPECT_EQ(StrToIntDefW(c.S, 7), c.Want) << c.S;
    EXPECT_EQ(StrToIntDefA(" -3", 0), -3);
}

TEST(AuxStrings, ThousandsAreExactForLargeAndNegativeValues) {
    EXPECT_EQ(FormatThousandsSep(L'.', 16777217), L"16.777.217");
    EXPECT_EQ(FormatThousandsSep(L' ', 1234567890123LL), L"1 234 567 890 123");
    EXPECT_EQ(FormatThousandsSep(L',', -1234567), L"-1,234,567");
    EXPECT_EQ(FormatThousandsSep(L',', 999), L"999");
    EXPECT_EQ(FormatThousandsSep(L',', -5), L"-5");
    EXPECT_EQ(FormatThousandsSep(L',', INT64_MIN), L"-9,223,372,036,854,775,808");
    std::wstring f = FormatThousands(-16777217);
    EXPECT_EQ(f.front(), L'-');
    EXPECT_EQ(f.size(), 11u);
    EXPECT_EQ(f.substr(f.size() - 3), L"217");
}

// ---------------------------------------------------------------------------------
// 8-bit text on a double-byte code page

class AuxMbcs : public ::testing::Test {
protected:
    void SetUp() override { InitLeadBytes(932); }
    void TearDown() override { InitLeadBytes(-1); }
    // Shift-JIS U+8868: lead 0x95, trail 0x5C ('\').
    const std::string Hyou = "\x95\x5c";
};

TEST_F(AuxMbcs, LeadAndTrailBytes) {
    ASSERT_TRUE(MbcsState().FarEast);
    EXPECT_EQ(MbcsState().CodePage, 932);
    EXPECT_TRUE(MbcsState().IsLeadByte(0x81));
    EXPECT_FALSE(MbcsState().IsLeadByte(0x41));
    std::string s = "a" + Hyou + "\\";
    EXPECT_EQ(ByteTypeAt(s, 0), 0);
    EXPECT_EQ(ByteTypeAt(s, 1), 1);
    EXPECT_EQ(ByteTypeAt(s, 2), 2);
    EXPECT_EQ(ByteTypeAt(s, 3), 0);
    EXPECT_EQ(ByteTypeAt(s, 9), 0);
    // Two double-byte characters whose trail bytes are themselves lead bytes.
    std::string t = "\x81\x81\x81\x81x";
    EXPECT_EQ(ByteTypeAt(t, 1), 2);
    EXPECT_EQ(ByteTypeAt(t, 2), 1);
    EXPECT_EQ(ByteTypeAt(t, 3), 2);
    EXPECT_FALSE(IsSingleOrLeadA(s, 3));
    EXPECT_TRUE(IsSingleOrLeadA(s, 4));
}

TEST_F(AuxMbcs, CharacterSearchesSkipTrailBytes) {
    std::string path = "c:" + Hyou + "\\x" + Hyou;
    EXPECT_EQ(PosCharA(path, '\\'), 5);
    EXPECT_EQ(PosCharA(path, '\\', 2), 0);
    EXPECT_EQ(RPosCharA(path, '\\'), 5);
    EXPECT_EQ(PosCharExA(path, '\\', 4), 5);
    EXPECT_EQ(PosCharExA(path, '\\', 6), 0);

    std::string dir = "c:\\" + Hyou;
    std::string copy = dir;
    ExcludeTrailingBackslashA(copy);
    EXPECT_EQ(copy, dir); // the trailing 0x5C is a trail byte
    copy = dir + "\\";
    ExcludeTrailingBackslashA(copy);
    EXPECT_EQ(copy, dir);

    std::string tr = Hyou + "\\\\";
    TrimRightCharA(tr, '\\');
    EXPECT_EQ(tr, Hyou);

    std::string cut = "ab" + Hyou + "c";
    TruncateA(cut, 3); // byte 3 is a lead byte: keep its trail byte too
    EXPECT_EQ(cut, "ab" + Hyou);
    cut = "ab" + Hyou + "c";
    TruncateA(cut, 2);
    EXPECT_EQ(cut, "ab");
}

TEST(AuxMbcsSingle, SingleByteCodePageIsPlain) {
    InitLeadBytes(1252);
    EXPECT_FALSE(MbcsState().FarEast);
    EXPECT_EQ(ByteTypeAt("\x95\x5c", 1), 0);
    EXPECT_EQ(PosCharA("\x95\x5c", '\\'), 2);
    InitLeadBytes(-1);
}

// ---------------------------------------------------------------------------------
// Path strings

TEST(AuxPaths, FileNamePartsWithoutTheDisk) {
    EXPECT_EQ(ExtractFolderPartW(L"c:\\a\\b\\"), L"c:\\a");
    EXPECT_EQ(ExtractFolderPartW(L"name"), L"");
    EXPECT_EQ(ExtractParentDirW(L"c:\\a\\b"), L"c:\\a");
    EXPECT_EQ(ExtractParentDirW(L"c:\\a"), L"c:");
    EXPECT_EQ(ExtractParentDirW(L"\\\\srv\\share"), L"\\\\srv\\share"); // never above the share
    EXPECT_EQ(ExtractParentDirW(L"\\\\srv\\share\\x"), L"\\\\srv\\share");
    EXPECT_EQ(ExtractLastPathPartW(L"c:\\a\\bb\\"), L"bb");
    EXPECT_EQ(ExtractLastPathPartW(L"bb"), L"bb");
    EXPECT_EQ(ExtractFileNameW(L"c:\\no-such-dir\\x.txt"), L"x.txt");
    EXPECT_EQ(ExtractFileNameW(L"c:\\dir\\"), L"c:\\dir\\");
    EXPECT_EQ(ExtractFileNameW(L"plain"), L"plain");
    EXPECT_TRUE(IsFileExtW(L"a\\b.HTM", L"htm"));
    EXPECT_TRUE(IsFileExtWA(L"a\\b.htm", ".HTM"));
    EXPECT_FALSE(IsFileExtW(L"a.b\\c", L"b"));
    EXPECT_TRUE(IsFileExtW(L"noext", L""));
    EXPECT_EQ(ChangeFileExtW(L"a\\b.htm", L"txt"), L"a\\b.txt");
    EXPECT_EQ(ChangeFileExtWA(L"a\\b", ".ini"), L"a\\b.ini");
    EXPECT_EQ(ChangeFileExtW(L"", L".x"), L"");
    std::wstring s = L"c:\\x\\\\";
    ExcludeTrailingBackslashW(s);
    EXPECT_EQ(s, L"c:\\x\\");
}

// ---------------------------------------------------------------------------------
// Files in a temporary folder (non-ASCII names)

class AuxFiles : public ::testing::Test {
protected:
    ts::TempDir Dir;
    std::wstring Name(const std::wstring& n) const { return Dir.File(n); }
    void Touch(const std::wstring& n, const std::string& bytes = "x") { ts::WriteBytes(Name(n), bytes); }
};

TEST_F(AuxFiles, ExistenceTests) {
    Touch(L"\u00e9t\u00e9 \u0416.txt");
    CreateDirectoryW(Name(L"\u65e5\u672c").c_str(), nullptr);
    EXPECT_TRUE(FileExistsW(Name(L"\u00e9t\u00e9 \u0416.txt")));
    EXPECT_FALSE(FileExistsW(Name(L"\u65e5\u672c")));           // a folder is no file
    EXPECT_TRUE(FileExistsW(Name(L"*.txt")));                    // a mask matches
    EXPECT_FALSE(FileExistsW(L""));
    EXPECT_TRUE(DirectoryExistsW(Name(L"\u65e5\u672c")));
    EXPECT_TRUE(DirectoryExistsW(Name(L"\u65e5\u672c\\")));
    EXPECT_FALSE(DirectoryExistsW(Name(L"\u00e9t\u00e9 \u0416.txt")));
    EXPECT_FALSE(DirectoryExistsW(Name(L"missing")));
    EXPECT_TRUE(DirectoryExistsW(L"c:"));
    EXPECT_TRUE(DirectoryExistsW(L"C:\\"));
    EXPECT_FALSE(DirectoryExistsW(L""));

    Touch(L"plain.txt");
    const std::wstring plain = Name(L"plain.txt");
    const std::string a(plain.begin(), plain.end()); // the temp path is ASCII
    EXPECT_TRUE(FileExistsA(a));
    EXPECT_TRUE(DirectoryExistsA(std::string(Dir.Path().begin(), Dir.Path().end())));
    EXPECT_NE(FileGetAttrsA(a), 0u);
    EXPECT_EQ(FileGetAttrsA(a + ".none"), 0u);
}

TEST_F(AuxFiles, LongAndShortForms) {
    const std::wstring longName = L"A rather long file name \u00e9\u00e8.document";
    Touch(longName);
    std::wstring shortForm = GetShortPathRawW(Name(longName));
    ASSERT_FALSE(shortForm.empty());
    EXPECT_LT(shortForm.size(), Name(longName).size());
    EXPECT_EQ(ExtractFileNameW(shortForm), longName); // the long form of an existing file
    std::wstring p = shortForm;
    ToLongPathW(p);
    EXPECT_TRUE(SameTextW(ExtractFileNameW(p), longName));
    EXPECT_EQ(GetLongPathW(L""), L"");
    EXPECT_TRUE(SameTextW(ExtractFileDirW(Name(longName)), GetLongPathW(Dir.Path())));
    EXPECT_TRUE(SameTextW(ExtractFileDirW(Dir.Path() + L"\\"), GetLongPathW(Dir.Path())));
    EXPECT_TRUE(SameTextW(ExtractDirOfMaskW(Dir.Path() + L"\\*.htm"), GetLongPathW(Dir.Path())));

    // A relative name is completed from the current folder.
    const std::wstring saved = CurDir();
    SetCurrentDirectoryW(Dir.Path().c_str());
    std::wstring rel = longName;
    FullLongPathW(rel);
    SetCurrentDirectoryW(saved.c_str());
    EXPECT_TRUE(SameTextW(rel, GetLongPathW(Name(longName))));
}

TEST_F(AuxFiles, ShortPathOfLongPaths) {
    std::wstring s255 = L"c:\\" + StringOfCharW(L'x', 252);
    EXPECT_EQ(ShortPathW(s255), s255);

    const std::wstring sub = Name(StringOfCharW(L'd', 150));
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    const std::wstring before = CurDir();

    // Another thread watches the current folder the whole time.
    std::atomic<bool> stop{false}, changed{false};
    std::thread watcher([&] {
        while (!stop)
            if (CurDir() != before)
                changed = true;
    });
    std::wstring lastShort, lastLong;
    for (int i = 0; i < 20; ++i) {
        lastLong = sub + L"\\" + StringOfCharW(static_cast<wchar_t>(L'a' + i), 230) + L".txt";
        ASSERT_GE(lastLong.size(), 300u);
        lastShort = ShortPathW(lastLong);
    }
    stop = true;
    watcher.join();
    EXPECT_FALSE(changed) << "the current folder changed while short paths were made";
    EXPECT_EQ(CurDir(), before);
    EXPECT_LT(lastShort.size(), 256u);
    EXPECT_TRUE(FileExistsW(lastShort)); // created empty so that its short name serves
    EXPECT_EQ(ts::ReadBytes(lastShort), "");

    // An existing long file keeps its content.
    ts::WriteBytes(lastShort, "data");
    EXPECT_EQ(ts::ReadBytes(ShortPathW(lastLong)), "data");

    // A long new name is reached by the rename.
    const std::wstring target = sub + L"\\" + StringOfCharW(L'z', 230) + L".txt";
    Touch(L"src.txt", "moved");
    EXPECT_TRUE(RenameFileW(Name(L"src.txt"), target));
    EXPECT_FALSE(FileExistsW(Name(L"src.txt")));
    EXPECT_EQ(ts::ReadBytes(ShortPathW(target)), "moved");
}

TEST_F(AuxFiles, MaskSearchesAndDeletion) {
    Touch(L"a\u00fc.log");
    Touch(L"b.log");
    Touch(L"c.log");
    Touch(L"keep.txt");
    CreateDirectoryW(Name(L"sub.log").c_str(), nullptr);
    SetFileAttributesW(Name(L"b.log").c_str(), FILE_ATTRIBUTE_READONLY);

    auto list = FindFilesW(Name(L"*.log"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Count(), 3);
    EXPECT_TRUE(FileExistsW(FindFirstFileMatchW(Name(L"*.log"))));
    EXPECT_TRUE(SameTextW(ExtractLastPathPartW(FindFirstFolderMatchW(Name(L"*"))), L"sub.log"));
    EXPECT_EQ(FindFirstFileMatchW(Name(L"*.none")), L"");

    // Keep is compared without regard to case; read-only files go as well.
    EXPECT_TRUE(DeleteFilesExceptW(Name(L"*.log"), ExtractDirOfMaskW(Name(L"x")) + L"\\A\u00fc.LOG"));
    EXPECT_TRUE(FileExistsW(Name(L"a\u00fc.log")));
    EXPECT_FALSE(FileExistsW(Name(L"b.log")));
    EXPECT_FALSE(FileExistsW(Name(L"c.log")));
    EXPECT_TRUE(DirectoryExistsW(Name(L"sub.log")));
    EXPECT_TRUE(DeleteFilesW(Name(L"*.none"))); // nothing matched
}

TEST_F(AuxFiles, DeletionReportsAnyFailureNotOnlyTheLast) {
    for (int i = 0; i < 5; ++i)
        Touch(L"f" + std::to_wstring(i) + L".tmp");
    auto order = FindFilesW(Name(L"*.tmp"));
    ASSERT_EQ(order->Count(), 5);
    // Hold the first file the walk meets open without delete sharing.
    HANDLE h = CreateFileW(order->Strings(0).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFilesW(Name(L"*.tmp")));
    CloseHandle(h);
    EXPECT_EQ(FindFilesW(Name(L"*.tmp"))->Count(), 1); // every other file went
    EXPECT_TRUE(DeleteFilesW(Name(L"*.tmp")));
}

TEST_F(AuxFiles, ForceDirectoriesAndTempFolder) {
    EXPECT_TRUE(ForceDirectoriesW(L"c:\\"));
    EXPECT_TRUE(ForceDirectoriesW(L"c:"));
    const std::wstring deep = Name(L"\u00e4\\b\\\u0441");
    EXPECT_TRUE(ForceDirectoriesW(deep));
    EXPECT_TRUE(DirectoryExistsW(deep));
    EXPECT_TRUE(ForceDirectoriesW(deep + L"\\"));
    Touch(L"file");
    EXPECT_FALSE(ForceDirectoriesW(Name(L"file\\x")));

    wchar_t oldTmp[1024] = {}, oldTemp[1024] = {};
    GetEnvironmentVariableW(L"TMP", oldTmp, 1024);
    GetEnvironmentVariableW(L"TEMP", oldTemp, 1024);
    const std::wstring missing = Name(L"no-such-temp");
    SetEnvironmentVariableW(L"TMP", missing.c_str());
    SetEnvironmentVariableW(L"TEMP", missing.c_str());
    std::wstring t = GetTempFolderW();
    SetEnvironmentVariableW(L"TMP", oldTmp);
    SetEnvironmentVariableW(L"TEMP", oldTemp);
    EXPECT_TRUE(SameTextW(t, L"c:\\temp"));
    EXPECT_TRUE(DirectoryExistsW(L"c:\\temp"));
    std::wstring normal = GetTempFolderW();
    EXPECT_TRUE(DirectoryExistsW(normal));
    EXPECT_NE(normal.back(), L'\\');
}

TEST_F(AuxFiles, TimesAndAttributes) {
    Touch(L"t.txt");
    const std::wstring w = Name(L"t.txt");
    const std::string a(w.begin(), w.end());
    const TDateTime when = EncodeDate(2001, 2, 3) + EncodeTime(4, 5, 6, 0);
    EXPECT_TRUE(SetFileModifiedW(w, when));
    TDateTime got = 0;
    ASSERT_TRUE(GetFileModifiedA(a, got));
    EXPECT_NEAR(got, when, 2.0 / 86400);
    EXPECT_TRUE(SetFileDateTimeW(w, when - 1, 1 | 2 | 4));
    EXPECT_FALSE(SetFileDateTimeW(Name(L"none"), when, 4));
    EXPECT_FALSE(GetFileModifiedA(a + ".none", got));

    FILETIME ft;
    ASSERT_TRUE(DateTimeToFileTime(when, ft));
    TDateTime back = 0;
    ASSERT_TRUE(FileTimeToDateTime(ft, back));
    EXPECT_NEAR(back, when, 1e-6);

    EXPECT_TRUE(SetFileAttrFlagW(w, FILE_ATTRIBUTE_READONLY, 1));
    EXPECT_TRUE(FileHasAttrW(w, FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(SetFileAttrFlagW(w, FILE_ATTRIBUTE_READONLY, 1)); // nothing to change
    EXPECT_TRUE(SetFileAttrFlagA(a, FILE_ATTRIBUTE_READONLY, 0));
    EXPECT_FALSE(FileHasAttrW(w, FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(SetFileAttrFlagW(Name(L"none"), FILE_ATTRIBUTE_READONLY, 1));
    EXPECT_FALSE(FileHasAttrW(Name(L"none"), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(FileSetAttrW(w, FILE_ATTRIBUTE_HIDDEN), 0);
    EXPECT_NE(FileSetAttrW(Name(L"none"), FILE_ATTRIBUTE_HIDDEN), 0);

    EXPECT_TRUE(RenameFileW(w, Name(L"\u00fcber.txt")));
    EXPECT_TRUE(FileExistsW(Name(L"\u00fcber.txt")));
    EXPECT_FALSE(RenameFileW(w, Name(L"x.txt")));
}

// ---------------------------------------------------------------------------------
// Environment and command line

TEST(AuxEnvironment, ExpansionIsNeverCut) {
    const std::wstring big = StringOfCharW(L'v', 5000);
    SetEnvironmentVariableW(L"VORLANE_BASE1_BIG", big.c_str());
    EXPECT_EQ(ExpandEnvW(L"<%VORLANE_BASE1_BIG%>"), L"<" + big + L">");
    EXPECT_EQ(ExpandEnvA("[%VORLANE_BASE1_BIG%]"), "[" + std::string(5000, 'v') + "]");
    std::wstring s = L"%VORLANE_BASE1_BIG%%VORLANE_BASE1_BIG%";
    ExpandEnvInPlaceW(s);
    EXPECT_EQ(s.size(), 10000u);
    SetEnvironmentVariableW(L"VORLANE_BASE1_BIG", nullptr);
    EXPECT_EQ(ExpandEnvW(L""), L"");
    EXPECT_EQ(ExpandEnvW(L"%VORLANE_BASE1_BIG%"), L"%VORLANE_BASE1_BIG%");
}

TEST(AuxEnvironment, ParametersCompareWithoutCase) {
    for (int i = 1; i <= WideParamCount(); ++i) {
        std::wstring p = WideParamStr(i);
        CharLowerBuffW(p.data(), static_cast<DWORD>(p.size()));
        EXPECT_TRUE(IsParamW(p)) << p;
    }
    EXPECT_FALSE(IsParamW(L"/no-such-switch-here"));
}
