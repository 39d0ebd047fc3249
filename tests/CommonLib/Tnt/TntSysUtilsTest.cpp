#include "SysUtils.h"
#include "TestHarness.h"
#include "TntSysUtils.h"
#include "TntWindows.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

// ---------------------------------------------------------------------------------
// File names

TEST(TntFileNames, DrivesAndUncShares) {
    EXPECT_EQ(WideExtractFileDrive(L"\\\\server\\share\\dir\\file"), L"\\\\server\\share");
    EXPECT_EQ(WideExtractFileDrive(L"\\\\server\\share"), L"\\\\server\\share");
    EXPECT_EQ(WideExtractFileDrive(L"\\\\server"), L"\\\\server");
    EXPECT_EQ(WideExtractFileDrive(L"C:\\x"), L"C:");
    EXPECT_EQ(WideExtractFileDrive(L"c:rel"), L"c:");
    EXPECT_EQ(WideExtractFileDrive(L"dir\\file"), L"");
    EXPECT_EQ(WideExtractFileDrive(L"\\rooted"), L"");
    EXPECT_EQ(WideExtractFileDrive(L""), L"");
}

TEST(TntFileNames, NamesAndExtensions) {
    EXPECT_EQ(WideExtractFileName(L"C:\\a\\b.txt"), L"b.txt");
    EXPECT_EQ(WideExtractFileName(L"C:b.txt"), L"b.txt");
    EXPECT_EQ(WideExtractFileExt(L"C:\\a.b\\c.tar.gz"), L".gz");
    EXPECT_EQ(WideExtractFileExt(L"a.b\\c"), L"");
    EXPECT_EQ(WideExtractFileExt(L"\\\\srv\\sh.are\\file"), L"");
    EXPECT_EQ(WideExtractFileExt(L"name."), L".");
    // The dot before the backslash is not an extension.
    EXPECT_EQ(WideChangeFileExt(L"a.b\\c", L".txt"), L"a.b\\c.txt");
    EXPECT_EQ(WideChangeFileExt(L"a.b\\c.htm", L".txt"), L"a.b\\c.txt");
    EXPECT_EQ(WideChangeFileExt(L"C:\\x\\Vorlane.exe", L".ini_override"), L"C:\\x\\Vorlane.ini_override");
    EXPECT_EQ(WideChangeFileExt(L"file.txt", L""), L"file");
    EXPECT_EQ(WideExcludeTrailingBackslash(L"C:\\dir\\"), L"C:\\dir");
    EXPECT_EQ(WideExcludeTrailingBackslash(L""), L"");
}

TEST(TntFileNames, DelimiterSearch) {
    EXPECT_TRUE(WideIsDelimiter(L"\\:", L"a\\b", 2));
    EXPECT_FALSE(WideIsDelimiter(L"\\:", L"a\\b", 1));
    EXPECT_FALSE(WideIsDelimiter(L"\\:", L"a\\b", 0));
    EXPECT_FALSE(WideIsDelimiter(L"\\:", L"a\\b", 4));
    EXPECT_EQ(WideLastDelimiter(L"\\:", L"C:\\a\\b"), 5);
    EXPECT_EQ(WideLastDelimiter(L"\\:", L"abc"), 0);
    EXPECT_EQ(WideLastDelimiter(L"", L"abc"), 0);
}

TEST(TntFileNames, ExpandRelativeDottedUncAndLongPaths) {
    TempDir dir;
    const std::wstring saved = WideGetCurrentDir();
    ASSERT_TRUE(WideSetCurrentDir(dir.Path()));
    const std::wstring cwd = WideGetCurrentDir();
    EXPECT_EQ(WideExpandFileName(L"x\\..\\y.txt"), cwd + L"\\y.txt");
    EXPECT_EQ(WideExpandFileName(L".\\a\\.\\b"), cwd + L"\\a\\b");
    ASSERT_TRUE(WideSetCurrentDir(saved));

    EXPECT_EQ(WideExpandFileName(L"\\\\server\\share\\a\\..\\b"), L"\\\\server\\share\\b");
    EXPECT_EQ(WideExpandFileName(L"C:\\a\\b\\..\\..\\c"), L"C:\\c");
    EXPECT_EQ(WideExpandFileName(L""), L"");

    // Far beyond the classic 260 characters; comes back whole.
    std::wstring deep = L"C:\\";
    for (int i = 0; i < 40; ++i)
        deep += L"folder" + std::to_wstring(i) + L"\\";
    deep += L"file.txt";
    ASSERT_GT(deep.size(), 300u);
    EXPECT_EQ(WideExpandFileName(deep), deep);
    EXPECT_EQ(WideExpandFileName(deep + L"\\..\\other.txt"), deep.substr(0, deep.size() - 8) + L"other.txt");
}

// ---------------------------------------------------------------------------------
// Files and folders

TEST(TntFiles, ExistsTestsTheNameItself) {
    TempDir dir;
    const std::wstring file = dir.File(L"abc.txt");
    WriteBytes(file, "x");
    EXPECT_TRUE(WideFileExists(file));
    EXPECT_TRUE(WideFileExists(L"\\\\?\\" + file));
    // Wildcards would match abc.txt, but no file has such a name.
    EXPECT_FALSE(WideFileExists(dir.File(L"a*.txt")));
    EXPECT_FALSE(WideFileExists(dir.File(L"ab?.txt")));
    EXPECT_FALSE(WideFileExists(dir.File(L"*")));
    EXPECT_FALSE(WideFileExists(L"\\\\?\\" + dir.File(L"a*")));
    EXPECT_FALSE(WideFileExists(dir.Path()));      // a folder
    EXPECT_FALSE(WideFileExists(dir.File(L"none")));
    EXPECT_FALSE(WideFileExists(L""));
}

TEST(TntFiles, CreateOpenShareRenameDelete) {
    TempDir dir;
    const std::wstring name = dir.File(L"\x65E5\x672C-\xE9.dat");
    HANDLE h = WideFileCreate(name);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(h, "abc", 3, &written, nullptr);
    CloseHandle(h);
    EXPECT_TRUE(WideFileExists(name));

    // Read, deny write: a second writer is refused, a second reader is not.
    HANDLE r = WideFileOpen(name, fmOpenRead | fmShareDenyWrite);
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    HANDLE w = WideFileOpen(name, fmOpenWrite | fmShareDenyNone);
    EXPECT_EQ(w, INVALID_HANDLE_VALUE);
    HANDLE r2 = WideFileOpen(name, fmOpenRead | fmShareDenyNone);
    EXPECT_NE(r2, INVALID_HANDLE_VALUE);
    CloseHandle(r2);
    CloseHandle(r);
    EXPECT_EQ(WideFileOpen(name, 3), INVALID_HANDLE_VALUE);
    EXPECT_EQ(WideFileOpen(dir.File(L"missing"), fmOpenRead), INVALID_HANDLE_VALUE);

    EXPECT_TRUE(WideFileSetAttr(name, FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(WideFileGetAttr(name) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(WideFileSetAttr(name, FILE_ATTRIBUTE_NORMAL));
    const std::wstring moved = dir.File(L"moved.dat");
    EXPECT_TRUE(WideRenameFile(name, moved));
    EXPECT_FALSE(WideFileExists(name));
    EXPECT_TRUE(WideDeleteFile(moved));
    EXPECT_FALSE(WideDeleteFile(moved));
    EXPECT_EQ(WideFileGetAttr(moved), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(WideCreateDir(dir.File(L"sub")));
    EXPECT_FALSE(WideCreateDir(dir.File(L"sub")));
}

TEST(TntFiles, FindSkipsWhatWasNotAskedFor) {
    TempDir dir;
    WriteBytes(dir.File(L"a.txt"), "12345");
    WriteBytes(dir.File(L"b.txt"), "");
    WriteBytes(dir.File(L"h.txt"), "h");
    SetFileAttributesW(dir.File(L"h.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(WideCreateDir(dir.File(L"sub")));

    auto names = [&](uint32_t attr) {
        std::set<std::wstring> found;
        TSearchRecW f;
        for (int r = WideFindFirst(dir.File(L"*"), attr, f); r == 0; r = WideFindNext(f))
            found.insert(f.Name);
        WideFindClose(f);
        EXPECT_FALSE(f.FindHandle);
        return found;
    };
    EXPECT_EQ(names(0), (std::set<std::wstring>{L"a.txt", L"b.txt"}));
    EXPECT_EQ(names(FILE_ATTRIBUTE_HIDDEN), (std::set<std::wstring>{L"a.txt", L"b.txt", L"h.txt"}));
    const auto withDirs = names(FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(withDirs.count(L"sub"));
    EXPECT_FALSE(withDirs.count(L"h.txt"));

    TSearchRecW f;
    ASSERT_EQ(WideFindFirst(dir.File(L"a.txt"), 0, f), 0);
    EXPECT_EQ(f.Size, 5);
    EXPECT_NE(f.Time, 0);
    EXPECT_FALSE(f.Attr & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(WideFindNext(f), ERROR_NO_MORE_FILES);

    TSearchRecW missing;
    EXPECT_NE(WideFindFirst(dir.File(L"nothing\\*"), 0, missing), 0);
    EXPECT_FALSE(missing.FindHandle);
    // Only hidden entries: a search that finds nothing it may report gives an error code.
    TSearchRecW hidden;
    EXPECT_EQ(WideFindFirst(dir.File(L"h.*"), 0, hidden), ERROR_NO_MORE_FILES);
    EXPECT_FALSE(hidden.FindHandle);
}

TEST(TntFiles, LongCurrentFolderAndModuleNameComeBackWhole) {
    TempDir dir;
    std::wstring deep = L"\\\\?\\" + dir.Path();
    for (int i = 0; deep.size() < 400; ++i) {
        deep += L"\\long-folder-name-" + std::to_wstring(i);
        ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr)) << GetLastError();
    }
    const std::wstring plain = deep.substr(4);

    const std::wstring saved = WideGetCurrentDir();
    if (WideSetCurrentDir(deep) || WideSetCurrentDir(plain)) {
        EXPECT_EQ(WideExcludeTrailingBackslash(WideGetCurrentDir()), plain);
        ASSERT_TRUE(WideSetCurrentDir(saved));
    } else {
        ADD_FAILURE() << "the system refused the long current folder: " << GetLastError();
    }

    // A copy of this program, loaded as a module from the long folder.
    const std::wstring copy = deep + L"\\module-copy.exe";
    ASSERT_TRUE(CopyFileW(WideGetModuleFileName(nullptr).c_str(), copy.c_str(), FALSE));
    HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (!module)
        GTEST_SKIP() << "cannot load a module from a long path here: " << GetLastError();
    const std::wstring name = WideGetModuleFileName(module);
    FreeLibrary(module);
    EXPECT_GT(name.size(), 400u);
    EXPECT_EQ(WideExtractFileName(name), L"module-copy.exe");
    EXPECT_NE(name.find(L"long-folder-name-"), std::wstring::npos);
}

TEST(TntFiles, ModuleNameFailureRaises) {
    EXPECT_THROW(WideGetModuleFileName(reinterpret_cast<HMODULE>(0x10)), EOSError);
}

TEST(TntFiles, ShellInfoIsBoundOnFirstUse) {
    TempDir dir;
    WriteBytes(dir.File(L"shown.txt"), "x");
    SHFILEINFOW info{};
    EXPECT_NE(Tnt_SHGetFileInfoW(dir.File(L"shown.txt").c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME), 0u);
    EXPECT_NE(std::wstring(info.szDisplayName).find(L"shown"), std::wstring::npos);
}

// ---------------------------------------------------------------------------------
// Error texts and character classes

TEST(TntSysErrors, MessagesAreTrimmedAndComplete) {
    const std::wstring msg = WideSysErrorMessage(ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(msg.empty());
    EXPECT_GT(msg.back(), L' ');
    EXPECT_GT(msg.front(), L' ');
    EXPECT_EQ(WideSysErrorMessage(0x2FFF1234), L"Unspecified error (805245492) from system.");

    // Every message the system has comes back whole, also those beyond 256 characters.
    size_t longest = 0;
    for (DWORD code = 0; code < 16000; ++code) {
        wchar_t* text = nullptr;
        const DWORD len = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                             FORMAT_MESSAGE_IGNORE_INSERTS,
                                         nullptr, code, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
        if (!text)
            continue;
        const std::wstring full = Trim(std::wstring_view(text, len));
        LocalFree(text);
        if (full.size() > longest) {
            longest = full.size();
            EXPECT_EQ(WideSysErrorMessage(code), full) << code;
        }
    }
    std::printf("[ info     ] longest system message: %u characters\n", static_cast<unsigned>(longest));
}

TEST(TntCharClasses, WordDelimitersAndAnsi) {
    EXPECT_TRUE(IsWideCharWordDelimiter(L'\0'));
    EXPECT_TRUE(IsWideCharWordDelimiter(L'\t'));
    EXPECT_TRUE(IsWideCharWordDelimiter(L'.'));
    EXPECT_FALSE(IsWideCharWordDelimiter(L'\xE9'));
    EXPECT_TRUE(IsWideCharAlphaNumeric(L'\x4E2D'));
    EXPECT_TRUE(IsWideCharMappableToAnsi(L'\xE9'));
    EXPECT_FALSE(IsWideCharMappableToAnsi(L'\x4E2D'));
}

// ---------------------------------------------------------------------------------
// Replace and line breaks

TEST(TntReplace, WholeWordsCaseAndCount) {
    EXPECT_EQ(Tnt_WideStringReplace(L"cat concat", L"cat", L"dog", rfReplaceAll, true), L"dog concat");
    EXPECT_EQ(Tnt_WideStringReplace(L"cat concat", L"cat", L"dog", rfReplaceAll), L"dog condog");
    EXPECT_EQ(Tnt_WideStringReplace(L"cat cat", L"cat", L"dog", 0), L"dog cat");
    EXPECT_EQ(Tnt_WideStringReplace(L"Cat CAT", L"cat", L"dog", rfReplaceAll), L"Cat CAT");
    EXPECT_EQ(Tnt_WideStringReplace(L"Cat CAT", L"cat", L"dog", rfReplaceAll | rfIgnoreCase), L"dog dog");
    EXPECT_EQ(Tnt_WideStringReplace(L"\xC4" L"bc \xE4" L"BC", L"\xE4" L"bc", L"x", rfReplaceAll | rfIgnoreCase),
              L"x x");
    // Word edges: punctuation and the text's ends count, letters do not.
    EXPECT_EQ(Tnt_WideStringReplace(L"a.a,a", L"a", L"b", rfReplaceAll, true), L"b.b,b");
    EXPECT_EQ(Tnt_WideStringReplace(L"aa", L"a", L"b", rfReplaceAll, true), L"aa");
    EXPECT_EQ(Tnt_WideStringReplace(L"scatter cat", L"cat", L"dog", 0, true), L"scatter dog");
    // Replacement text that holds the pattern is not searched again.
    EXPECT_EQ(Tnt_WideStringReplace(L"aaa", L"a", L"aa", rfReplaceAll), L"aaaaaa");
    EXPECT_EQ(Tnt_WideStringReplace(L"abc", L"b", L"", rfReplaceAll), L"ac");
}

TEST(TntReplace, EmptyPatternLeavesTextUnchanged) {
    EXPECT_EQ(Tnt_WideStringReplace(L"text", L"", L"x", rfReplaceAll), L"text");
    EXPECT_EQ(Tnt_WideStringReplace(L"text", L"", L"x", rfReplaceAll | rfIgnoreCase, true), L"text");
    EXPECT_EQ(Tnt_WideStringReplace(L"", L"", L"x", rfReplaceAll), L"");
    EXPECT_EQ(Tnt_WideStringReplace(L"", L"a", L"x", rfReplaceAll), L"");
}

TEST(TntLineBreaks, EveryBreakBecomesTheStyle) {
    const std::wstring mixed = L"a\r\nb\rc\nd\x2028" L"e\r\r\nf\n";
    EXPECT_EQ(WideAdjustLineBreaks(mixed, tlbsCRLF), L"a\r\nb\r\nc\r\nd\r\ne\r\n\r\nf\r\n");
    EXPECT_EQ(WideAdjustLineBreaks(mixed, tlbsLF), L"a\nb\nc\nd\ne\n\nf\n");
    EXPECT_EQ(WideAdjustLineBreaks(mixed, tlbsCR), L"a\rb\rc\rd\re\r\rf\r");
    EXPECT_EQ(WideAdjustLineBreaks(L"", tlbsCRLF), L"");
    EXPECT_EQ(WideAdjustLineBreaks(L"\n\r", tlbsCRLF), L"\r\n\r\n");
}

// ---------------------------------------------------------------------------------
// Checked formatting

TEST(TntFormat, EverySpecifierGetsItsArgumentIndex) {
    EXPECT_EQ(GetCanonicalFormatStr(L"%s has %d"), L"%0:s has %1:d");
    EXPECT_EQ(GetCanonicalFormatStr(L"%*d|%d"), L"%0:*d|%2:d");
    EXPECT_EQ(GetCanonicalFormatStr(L"%-*.*f%s"), L"%0:-*.*f%3:s");
    EXPECT_EQ(GetCanonicalFormatStr(L"%2:s %s %0:x"), L"%2:s %3:s %0:x");
    EXPECT_EQ(GetCanonicalFormatStr(L"100%% % done %"), L"100%% % done %");
    EXPECT_EQ(GetCanonicalFormatStr(L"%-10.3F%P%U%N%M%G%E"), L"%0:-10.3F%1:P%2:U%3:N%4:M%5:G%6:E");
    EXPECT_EQ(GetCanonicalFormatStr(L"no specifiers"), L"no specifiers");
    EXPECT_EQ(GetCanonicalFormatStr(L""), L"");

    TFormatStrParser parser(L"%1:s%d%*x");
    std::wstring lit;
    while (parser.NextLiteral(lit))
        parser.ParseFormatSpecifier();
    EXPECT_EQ(parser.ExplicitCount(), 1);
    EXPECT_EQ(parser.ImplicitCount(), 3);
    EXPECT_EQ(parser.LastIndex(), 4);
}

TEST(TntFormat, BadSpecifiersNameTheRestOfTheFormat) {
    auto message = [](const wchar_t* fmt) -> std::wstring {
        try {
            GetCanonicalFormatStr(fmt);
        } catch (const EFormatSpecError& e) {
            return e.Message();
        }
        return L"(no error)";
    };
    EXPECT_EQ(message(L"%1234567d"), L"Invalid Format Specifier: %0:1234567d");
    EXPECT_EQ(message(L"%123456d"), L"(no error)");
    EXPECT_EQ(message(L"%1234567:d"), L"Invalid Format Specifier: %1234567:d");
    EXPECT_EQ(message(L"a %k b"), L"Invalid Format Specifier: %0:k b");
    EXPECT_EQ(message(L"%s %5"), L"Invalid Format Specifier: %1:5");
    EXPECT_EQ(message(L"%*:d"), L"Invalid Format Specifier: %0:*:d");
    EXPECT_EQ(message(L"%-"), L"Invalid Format Specifier: %0:-");
    // It is a general error of the Unicode set.
    EXPECT_THROW(WideFormat(L"%y", {1}), ETntGeneralError);
}

TEST(TntFormat, FormatsWithTypedArgumentsAndLocale) {
    TFormatSettings fs = FormatSettings;
    fs.DecimalSeparator = L',';
    EXPECT_EQ(WideFormat(L"%s: %.2f", {L"Gr\xFC\xDF" L"e \x4E2D", 1.5}, fs), L"Gr\xFC\xDF" L"e \x4E2D: 1,50");
    fs.DecimalSeparator = L'.';
    EXPECT_EQ(WideFormat(L"%*.*f|%s|%d", {8, 2, 3.14159, L"x", 42}, fs), L"    3.14|x|42");
    EXPECT_EQ(WideFormat(L"%1:s-%0:s", {L"a", L"b"}), L"b-a");
    EXPECT_EQ(WideFormat(L"%d%% of %s", {50, L"all"}), L"50% of all");
    EXPECT_EQ(WideFormat(L"%x|%5d|%-3s|", {255, 7, L"a"}), L"FF|    7|a  |");
    EXPECT_EQ(WideFormat(L"%e", {1.0}, fs), L"1.00000000000000E+000");
    // A '%' inside a formatted number stays literal.
    fs.CurrencyString = L"%";
    EXPECT_EQ(WideFormat(L"%m", {2.5}, fs), L"%2.50");
    // A specifier that does not fit its argument, or a missing argument, is an error.
    EXPECT_THROW(WideFormat(L"%d", {L"text"}), EConvertError);
    EXPECT_THROW(WideFormat(L"%f", {3}), EConvertError);
    EXPECT_THROW(WideFormat(L"%s %s", {L"one"}), EConvertError);
}

TEST(TntFormat, BufferedStringGrowsInSteps) {
    TBufferedWideString b;
    b.AddChar(L'a');
    EXPECT_EQ(b.Capacity(), 32u);
    b.AddString(std::wstring(40, L'b'));
    EXPECT_EQ(b.Capacity(), 64u);
    b.AddString(std::wstring(500, L'c'));
    EXPECT_EQ(b.Capacity(), 64u + 64 + 128 + 256 + 256);
    EXPECT_EQ(b.Length(), 541u);
    b.AddBuffer(L"de\0f", 4);
    EXPECT_EQ(b.AsString().substr(541), L"de");
    b.Clear();
    EXPECT_EQ(b.Length(), 0u);
    EXPECT_EQ(b.AsString(), L"");
}

// ---------------------------------------------------------------------------------
// Synced wide strings

TEST(TntSyncedStrings, WideWinsWhileTheAnsiSideAgrees) {
    std::wstring wide = L"\x4E2D";                 // "?" in ANSI
    EXPECT_EQ(GetSyncedWideString(wide, "?"), L"\x4E2D");
    EXPECT_EQ(GetSyncedWideString(wide, "changed"), L"changed");
    EXPECT_EQ(wide, L"changed");

    std::string ansi = "?";
    wide = L"\x4E2D";
    std::vector<std::string> sets;
    auto setter = [&](const std::string& v) {
        sets.push_back(v);
        ansi = v;
    };
    // Another character with the same ANSI form: the ANSI side must still see a change.
    SetSyncedWideString(L"\x4E2E", wide, ansi, setter);
    EXPECT_EQ(sets, (std::vector<std::string>{"", "?"}));
    EXPECT_EQ(wide, L"\x4E2E");
    sets.clear();
    SetSyncedWideString(L"\x4E2E", wide, ansi, setter);
    EXPECT_TRUE(sets.empty());
    SetSyncedWideString(L"plain", wide, ansi, setter);
    EXPECT_EQ(sets, (std::vector<std::string>{"plain"}));
    EXPECT_EQ(GetSyncedWideString(wide, ansi), L"plain");
}

// ---------------------------------------------------------------------------------
// Component helpers

class TCountingHelper : public TWideComponentHelper {
public:
    TCountingHelper(TComponent* c, TWideComponentHelperList* l) : TWideComponentHelper(c, l) { ++Alive; }
    ~TCountingHelper() override { --Alive; }
    static int Alive;
};
int TCountingHelper::Alive = 0;

TEST(TntComponentHelpers, SortedFoundAndFreedWithTheirComponent) {
    {
        TWideComponentHelperList list;
        std::vector<std::unique_ptr<TComponent>> comps;
        for (int i = 0; i < 8; ++i)
            comps.push_back(std::make_unique<TComponent>(nullptr));
        for (int i : {5, 1, 7, 0, 3, 6, 2, 4})
            new TCountingHelper(comps[static_cast<size_t>(i)].get(), &list);
        ASSERT_EQ(list.Count(), 8);
        for (int i = 1; i < list.Count(); ++i)
            EXPECT_TRUE(std::less<const void*>()(list.Items(i - 1)->Component(), list.Items(i)->Component()));
        for (auto& c : comps)
            ASSERT_NE(FindWideComponentHelper(&list, c.get()), nullptr);
        TComponent unrelated(nullptr);
        EXPECT_EQ(FindWideComponentHelper(&list, &unrelated), nullptr);

        TComponent* gone = comps[3].get();
        comps[3].reset();
        EXPECT_EQ(list.Count(), 7);
        EXPECT_EQ(TCountingHelper::Alive, 7);
        EXPECT_EQ(FindWideComponentHelper(&list, gone), nullptr);

        // A component freed by its owner takes its helper with it.
        auto owner = std::make_unique<TComponent>(nullptr);
        auto* owned = new TComponent(owner.get());
        new TCountingHelper(owned, &list);
        EXPECT_EQ(list.Count(), 8);
        owner.reset();
        EXPECT_EQ(list.Count(), 7);
    }
    // The list frees the helpers still in it.
    EXPECT_EQ(TCountingHelper::Alive, 0);
}

TEST(TntComponentHelpers, DeletingAHelperUnhooksIt) {
    TWideComponentHelperList list;
    auto comp = std::make_unique<TComponent>(nullptr);
    auto* helper = new TCountingHelper(comp.get(), &list);
    delete helper;
    EXPECT_EQ(list.Count(), 0);
    comp.reset(); // must not notify the freed helper
    EXPECT_EQ(TCountingHelper::Alive, 0);
}

TEST(TntInProcServers, RegisteredClassWithItsServerFile) {
    const CLSID unknown = {0x1b2c3d4e, 0x1111, 0x2222, {0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA}};
    EXPECT_FALSE(IsInProcServerRegistered(unknown));
    // The web browser control: programmatic id "Shell.Explorer.2", server ieframe.dll.
    const CLSID webBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
    EXPECT_TRUE(IsInProcServerRegistered(webBrowser));
}

} // namespace
