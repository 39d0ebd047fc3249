#include "UDLogFile.h"

#include "SysUtils.h"
#include "TestHarness.h"
#include "TntClasses.h"
#include "UAuxFile.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace ts = testing_support;

namespace {

// The file's text without its byte-order mark, split at CR LF.
std::vector<std::wstring> ReadLines(const std::wstring& path, bool* hasBom = nullptr) {
    std::string bytes = ts::ReadBytes(path);
    if (hasBom)
        *hasBom = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    std::wstring text(bytes.size() / 2, L'\0');
    memcpy(text.data(), bytes.data(), text.size() * 2);
    if (!text.empty() && text[0] == 0xFEFF)
        text.erase(0, 1);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t p; (p = text.find(L"\r\n", start)) != std::wstring::npos; start = p + 2)
        lines.push_back(text.substr(start, p - start));
    if (start < text.size())
        lines.push_back(text.substr(start) + L"<unterminated>");
    return lines;
}

size_t CountEntries(const std::wstring& dir) {
    auto list = FindFilesW(dir + L"\\*");
    return static_cast<size_t>(list->Count());
}

} // namespace

TEST(DLogFile, ExactBytesOfAFreshLog) {
    ts::TempDir dir;
    const std::wstring path = dir.File(L"log \u00e9.txt");
    TDLogFile log(path, true, false, false, false);
    EXPECT_EQ(log.FileName, path);
    EXPECT_FALSE(ts::FileExistsW(path)); // nothing until the first line
    log.Log(L"a\u0416");
    log.Log(L"100%");
    const std::string want("\xFF\xFE" "a\0\x16\x04\r\0\n\0" "1\0" "0\0" "0\0" "%\0\r\0\n\0", 22);
    EXPECT_EQ(ts::ReadBytes(path), want);
}

TEST(DLogFile, LineRules) {
    ts::TempDir dir;
    const std::wstring path = dir.File(L"rules.txt");
    TDLogFile log(path, true, true, false, false);
    log.Log(L"-");
    log.Log(L"=");
    log.Log(L"!x");
    log.Log(L"-y");
    log.Log(L"x");
    log.Log(L"%d of %s", {3, L"ten"});
    log.Log(L"%d items", {L"abc"}); // wrong argument type: the format itself
    log.Log(L"%d raw");             // no arguments: no formatting
    auto lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], std::wstring(79, L'-'));
    EXPECT_EQ(lines[1], std::wstring(79, L'='));
    EXPECT_EQ(lines[2], L"x");
    EXPECT_EQ(lines[3], L"y");
    for (size_t i : {4u, 5u, 6u, 7u}) {
        size_t gap = lines[i].find(L"   ");
        ASSERT_NE(gap, std::wstring::npos) << lines[i];
        EXPECT_GT(gap, 0u);
        EXPECT_NE(lines[i].substr(0, gap).find(FormatSettings.TimeSeparator), std::wstring::npos) << lines[i];
    }
    EXPECT_EQ(lines[4].substr(lines[4].find(L"   ") + 3), L"x");
    EXPECT_EQ(lines[5].substr(lines[5].find(L"   ") + 3), L"3 of ten");
    EXPECT_EQ(lines[6].substr(lines[6].find(L"   ") + 3), L"%d items");
    EXPECT_EQ(lines[7].substr(lines[7].find(L"   ") + 3), L"%d raw");
}

TEST(DLogFile, DisabledLogWritesNothingButStillClearsTheOldOne) {
    ts::TempDir dir;
    const std::wstring path = dir.File(L"HHDebug.txt");
    ts::WriteBytes(path, "old");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    TDLogFile log(path, false, true, true, false);
    EXPECT_FALSE(ts::FileExistsW(path));
    log.Log(L"line");
    DebugOut(L"line"); // the global log is not this one
    EXPECT_FALSE(ts::FileExistsW(path));
    log.WriteLine(L"!forced"); // WriteLine writes whether enabled or not
    EXPECT_EQ(ReadLines(path), std::vector<std::wstring>{L"forced"});

    // Appending keeps the file and makes it writable again.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    TDLogFile again(path, true, false, false, true);
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    again.Log(L"more");
    bool bom = false;
    EXPECT_EQ(ReadLines(path, &bom), (std::vector<std::wstring>{L"forced", L"more"}));
    EXPECT_TRUE(bom);
}

TEST(DLogFile, MissingFolderMovesTheLogToTheTempFolder) {
    ts::TempDir dir;
    TDLogFile log(dir.File(L"no-such-folder\\mine.txt"), false, false, false, false);
    EXPECT_EQ(log.FileName, GetTempFolderLog() + L"\\mine.txt");
    TDLogFile byDefault(L"", false, false, false, false);
    EXPECT_EQ(ExtractNameLog(byDefault.FileName), L"HHDebug.txt");
}

TEST(DLogFile, HeaderBlock) {
    ts::TempDir dir;
    const std::wstring path = dir.File(L"head.txt");
    TDLogFile log(path, true, true, true, false);
    auto lines = ReadLines(path);
    ASSERT_EQ(lines.size(), 27u);
    const std::wstring eq(79, L'='), dash(79, L'-');
    EXPECT_EQ(lines[0], eq);
    EXPECT_EQ(lines[8], dash);
    EXPECT_EQ(lines[18], dash);
    EXPECT_EQ(lines[22], dash);
    EXPECT_EQ(lines[26], eq);
    EXPECT_EQ(lines[1], L"Log File:             \t" + path);
    EXPECT_EQ(lines[3].rfind(L"Operating System:      \tWindows", 0), 0u) << lines[3];
    EXPECT_NE(lines[3].find(L"(Build "), std::wstring::npos);
    EXPECT_EQ(lines[4].rfind(L"SysLocale.DefaultLCID: \t0x", 0), 0u) << lines[4];
    EXPECT_EQ(lines[4], L"SysLocale.DefaultLCID: \t0x" + IntToHex(SysLocale.DefaultLCID, 4) + L" (" +
                            IntToStr(SysLocale.DefaultLCID) + L")");
    EXPECT_EQ(lines[7], std::wstring(L"DecimalSeparator:      \t") + FormatSettings.DecimalSeparator);
    EXPECT_EQ(lines[9].rfind(L"EXE Path =          \t", 0), 0u);
    EXPECT_EQ(lines[19].rfind(L"_hhInstalled =      \t", 0), 0u);
    EXPECT_TRUE(lines[19].ends_with(L"YES") || lines[19].ends_with(L"NO"));
    EXPECT_EQ(lines[25].rfind(L"_ieFriendlyVerStr = \t", 0), 0u);

    // A new log without Append starts over.
    TDLogFile fresh(path, true, true, false, false);
    fresh.Log(L"!one");
    EXPECT_EQ(ReadLines(path), std::vector<std::wstring>{L"one"});
}

TEST(DLogFile, LinesFromTwoThreadsNeverOverwriteEachOther) {
    ts::TempDir dir;
    const std::wstring path = dir.File(L"threads.txt");
    TDLogFile a(path, true, false, false, false);
    TDLogFile b(path, true, false, false, true); // a second writer of the same file
    const int perThread = 400;
    auto writer = [&](TDLogFile* log, int id) {
        for (int i = 0; i < perThread; ++i)
            log->Log(L"thread %d line %d with some padding text", {id, i});
    };
    std::thread t1(writer, &a, 1), t2(writer, &b, 2), t3(writer, &a, 3);
    t1.join();
    t2.join();
    t3.join();
    bool bom = false;
    auto lines = ReadLines(path, &bom);
    EXPECT_TRUE(bom);
    ASSERT_EQ(lines.size(), 3u * perThread);
    std::set<std::wstring> seen(lines.begin(), lines.end());
    for (int id = 1; id <= 3; ++id)
        for (int i = 0; i < perThread; ++i)
            EXPECT_TRUE(seen.count(Format(L"thread %d line %d with some padding text", {id, i})));
}

TEST(DLogFile, WritableTestLeavesUsersFilesAlone) {
    ts::TempDir dir;
    const std::wstring users = dir.File(L"$_Temp_$.$$$");
    ts::WriteBytes(users, "precious");
    EXPECT_TRUE(LogFolderWritable(dir.Path()));
    EXPECT_TRUE(LogFolderWritable(dir.Path() + L"\\"));
    EXPECT_EQ(ts::ReadBytes(users), "precious");
    EXPECT_EQ(CountEntries(dir.Path()), 1u); // no probe file left behind
    EXPECT_FALSE(LogFolderWritable(dir.File(L"missing")));
    EXPECT_FALSE(LogFolderWritable(L""));
}

TEST(DLogFile, DebugModeSwitches) {
    ts::TempDir dir;
    EXPECT_FALSE(DetectDebugMode(dir.Path(), {}));
    EXPECT_TRUE(DetectDebugMode(dir.Path(), {L"x", L"/DEBUG"}));
    EXPECT_TRUE(DetectDebugMode(dir.Path(), {L"-Debug"}));
    EXPECT_FALSE(DetectDebugMode(dir.Path(), {L"/debugx", L"debug"}));
    ts::WriteBytes(dir.File(L"debug.debug"), "");
    EXPECT_TRUE(DetectDebugMode(dir.Path(), {}));

    using V = std::vector<std::wstring>;
    EXPECT_EQ(SplitParamsLog(L"prog \"a b\" c"), (V{L"prog", L"a b", L"c"}));
    EXPECT_EQ(SplitParamsLog(L"prog \"\" x"), (V{L"prog", L"x"}));
    EXPECT_EQ(SplitParamsLog(L"\"C:\\p q\\x.exe\"  /debug\t-z"), (V{L"C:\\p q\\x.exe", L"/debug", L"-z"}));
    EXPECT_EQ(SplitParamsLog(L"a\"b c\"d"), (V{L"ab cd"}));
    EXPECT_EQ(SplitParamsLog(L"   "), V{});
}

TEST(DLogFile, StartUpStateAndGlobalLog) {
    InitDebugLogUnit();
    EXPECT_TRUE(IsNT);
    EXPECT_FALSE(g_ModulePath.empty());
    EXPECT_EQ(g_ModuleDir + L"\\" + g_ModuleName, g_ModulePath);
    EXPECT_EQ(g_RunDir + L"\\" + g_ExeName, g_ExePath);
    EXPECT_EQ(LogFolder, g_ModuleDir); // the build folder is writable
    EXPECT_FALSE(DebugMode);
    ASSERT_NE(GlobalLog(), nullptr);
    EXPECT_EQ(GlobalLog()->FileName, LogFolder + L"\\HHDebug.txt");
    EXPECT_FALSE(ts::FileExistsW(GlobalLog()->FileName)); // no file without debug mode
    EXPECT_FALSE(g_hhPath.empty());
    if (g_hhInstalled) {
        EXPECT_FALSE(g_hhFriendlyVerStr.empty());
    }
    EXPECT_EQ(g_ieInstalled, !g_ieVerStr.empty());

    ts::TempDir dir;
    auto previous = ReplaceGlobalLog(std::make_unique<TDLogFile>(dir.File(L"g.txt"), true, false, false, false));
    DebugOut(L"!hello %d", {5});
    DebugOut(L"plain");
    ReplaceGlobalLog(std::move(previous));
    EXPECT_EQ(ReadLines(dir.File(L"g.txt")), (std::vector<std::wstring>{L"hello 5", L"plain"}));
}

TEST(DLogFile, HtmlHelpLoaderBindsTheControl) {
    ASSERT_TRUE(LoadHtmlHelpLibrary());
    EXPECT_TRUE(g_HtmlHelpModule);
    EXPECT_NE(g_HtmlHelpW, nullptr);
    EXPECT_NE(g_HtmlHelpA, nullptr);
    EXPECT_EQ(g_HtmlHelp, g_HtmlHelpA);
    EXPECT_TRUE(LoadHtmlHelpLibrary()); // once bound it stays bound
    FreeHtmlHelpLibrary();
    EXPECT_FALSE(g_HtmlHelpModule);
    EXPECT_EQ(g_HtmlHelpW, nullptr);
    EXPECT_EQ(g_HtmlHelp, nullptr);
}

TEST(DLogFile, FriendlyVersionNames) {
    struct Case {
        int V[4];
        const wchar_t* Want;
    } hh[] = {
        {{5, 2, 3790, 0}, L"> 1.4a"}, {{5, 2, 3669, 9}, L"> 1.4a"}, {{5, 2, 3669, 0}, L"1.4a"},
        {{5, 2, 3668, 0}, L"1.4"},
        {{4, 74, 9273, 0}, L"1.33"},  {{4, 73, 8561, 5}, L"1.22"}, {{4, 72, 7290, 0}, L"1.0"},
        {{4, 72, 7289, 0}, L"< 1.0"}, {{0, 0, 0, 0}, L"< 1.0"},
    };
    for (const auto& c : hh)
        EXPECT_EQ(HtmlHelpFriendlyVersion(c.V[0], c.V[1], c.V[2], c.V[3]), c.Want) << c.V[0] << "." << c.V[2];
    EXPECT_EQ(IEFriendlyVersion(8, 0, 7600, 16385), L"Internet Explorer 8.0.7600.16385");
    EXPECT_EQ(IEFriendlyVersion(6, 0, 2900, 2180), L"Internet Explorer 6 for Windows XP SP2");
    EXPECT_EQ(IEFriendlyVersion(6, 0, 3790, 1830),
              L"Internet Explorer 6 for Windows Server 2003 SP1 and Windows XP x64");
    EXPECT_EQ(IEFriendlyVersion(4, 40, 308, 0), L"Internet Explorer 1.0 (Plus!)");
    EXPECT_EQ(IEFriendlyVersion(4, 0, 950, 0), L"< Internet Explorer 1.0 (Plus!)");
}

TEST(DLogFile, SmallHelpers) {
    EXPECT_EQ(RemoveSuffixText(L"file.EXE", L".exe"), L"file");
    EXPECT_EQ(RemoveSuffixText(L"x", L"long"), L"x");
    EXPECT_EQ(TrimCharLog(L"\"a\"\"", L'"'), L"a");
    EXPECT_EQ(TrimLeftCharLog(L"xxa", L'x'), L"a");
    EXPECT_EQ(StringOfCharLog(L'*', 3), L"***");
    EXPECT_EQ(ExtractPathLog(L"c:\\d\\f.txt"), L"c:\\d\\");
    EXPECT_EQ(ExtractNameLog(L"c:f.txt"), L"f.txt");
    EXPECT_EQ(YesNoText(true), L"YES");
    EXPECT_EQ(LastDelimiterPos(L"a:b\\c", L"\\:"), 4);
    InitLeadBytes(932);
    EXPECT_EQ(LastDelimiterPos(std::string("a\\\x95\x5c"), "\\"), 2); // 0x5C here is a trail byte
    InitLeadBytes(-1);
    EXPECT_FALSE(GetSystemFolderLog().empty());
    EXPECT_NE(GetTempFolderLog().back(), L'\\');
    int M, m, r, b;
    std::wstring v = GetFileVersionLog(GetSystemFolderLog() + L"\\kernel32.dll", M, m, r, b);
    EXPECT_EQ(v, Format(L"%d.%d.%d.%d", {M, m, r, b}));
    EXPECT_GT(M, 0);
    EXPECT_EQ(GetFileVersionLog(L"c:\\no\\such.dll", M, m, r, b), L"");
    EXPECT_EQ(M + m + r + b, 0);
    EXPECT_TRUE(ParamStrLog(0).ends_with(L".exe"));
    EXPECT_EQ(ParamStrLog(ParamCountLog() + 1), L"");
}
