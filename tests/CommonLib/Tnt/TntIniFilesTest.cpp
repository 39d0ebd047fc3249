// Wide INI files: load rules, typed values, exact written bytes and the profile functions.
#include "TntIniFiles.h"

#include "SysUtils.h"
#include "TestHarness.h"

#include <gtest/gtest.h>

#include <vector>

using testing_support::FileExistsW;
using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

using L = std::vector<std::wstring>;

std::vector<std::wstring> Lines(const TWideStrings& list) {
    std::vector<std::wstring> out;
    for (int i = 0; i < list.Count(); ++i)
        out.push_back(list.Strings(i));
    return out;
}

// The UTF-16LE bytes of a text, with the mark FF FE in front.
std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    return bytes;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(fd.cFileName, L".") != 0 && wcscmp(fd.cFileName, L"..") != 0)
            names.push_back(fd.cFileName);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

} // namespace

// ---------------------------------------------------------------------------------
// TTntMemIniFile

TEST(TntMemIniFile, LoadRulesAndTheFileItWritesBack) {
    TempDir dir;
    const std::wstring file = dir.File(L"rules.ini");
    WriteBytes(file, Utf16File(L"orphan=dropped\r\n"
                               L"; comment=skipped\r\n"
                               L"\r\n"
                               L"  [ A ]  \r\n"
                               L"k=1\r\n"
                               L"  key  =  value  \r\n"
                               L"  ;also a comment\r\n"
                               L"no separator here  \r\n"
                               L"[a]\r\n"
                               L"k=2\r\n"
                               L"k=3\r\n"));
    TTntMemIniFile ini(file);
    EXPECT_EQ(ini.ReadString(L"a", L"k", L"-"), L"3") << "later section and later key win";
    EXPECT_EQ(ini.ReadString(L"A", L"KEY", L"-"), L"-") << "only the later section is reached";
    EXPECT_EQ(ini.ReadString(L"A", L"k", L"-"), L"3");
    TTntStringList lines;
    ini.ReadSections(&lines);
    EXPECT_EQ(Lines(lines), L({L"A", L"a"}));
    ini.WriteString(L"a", L"key", L" x ");
    ini.ReadSectionValues(L"a", &lines);
    EXPECT_EQ(Lines(lines), L({L"k=2", L"k=3", L"key= x "}));
    ini.ReadSection(L"a", &lines);
    EXPECT_EQ(Lines(lines), L({L"k", L"k", L"key"}));
    ini.DeleteKey(L"a", L"key");

    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(file), Utf16File(L"[A]\r\nk=1\r\nkey=  value\r\nno separator here\r\n\r\n"
                                         L"[a]\r\nk=2\r\nk=3\r\n\r\n"));
}

TEST(TntMemIniFile, ReadsUtf8AndIgnoresCaseOfNonAsciiNames) {
    TempDir dir;
    const std::wstring file = dir.File(L"enc.ini");
    // UTF-8 with signature: [Ärger] Größe=Ωmega
    WriteBytes(file, "\xEF\xBB\xBF[\xC3\x84rger]\nGr\xC3\xB6\xC3\x9F" "e=\xCE\xA9mega\n");
    TTntMemIniFile ini(file);
    EXPECT_EQ(ini.ReadString(L"\u00E4RGER", L"GR\u00D6\u00DFE", L""), L"\u03A9mega");
}

TEST(TntMemIniFile, EditsKeepOrderAndEmptyFileIsJustTheMark) {
    TempDir dir;
    const std::wstring file = dir.File(L"edit.ini");
    TTntMemIniFile ini(file);
    EXPECT_EQ(ini.ReadString(L"x", L"y", L"def"), L"def");
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(file), "\xFF\xFE");

    ini.WriteString(L"one", L"a", L"1");
    ini.WriteString(L"one", L"b", L"2");
    ini.WriteString(L"two", L"c", L"3");
    ini.WriteString(L"ONE", L"A", L"changed");
    ini.WriteString(L"prefix.x", L"k", L"v");
    ini.DeleteKey(L"one", L"b");
    ini.DeleteKey(L"missing", L"b");
    ini.EraseSection(L"two");
    ini.EraseSection(L"missing");
    TTntStringList names;
    ini.ReadSections(L"PREFIX.", &names);
    EXPECT_EQ(Lines(names), L({L"prefix.x"}));
    ini.UpdateFile();
    EXPECT_EQ(ReadBytes(file), Utf16File(L"[one]\r\nA=changed\r\n\r\n[prefix.x]\r\nk=v\r\n\r\n"));
    EXPECT_EQ(FilesIn(dir.Path()), L({L"edit.ini"})) << "no temporary file stays behind";
}

TEST(TntMemIniFile, FailedUpdateLeavesTheOldFile) {
    TempDir dir;
    const std::wstring file = dir.File(L"locked.ini");
    WriteBytes(file, "[old]\r\nk=v\r\n");
    TTntMemIniFile ini(file);
    ini.WriteString(L"new", L"k", L"v");
    {
        // Another program holds the file open without sharing: it cannot be replaced.
        HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_THROW(ini.UpdateFile(), EFCreateError);
        CloseHandle(h);
    }
    EXPECT_EQ(ReadBytes(file), "[old]\r\nk=v\r\n");
    EXPECT_EQ(FilesIn(dir.Path()), L({L"locked.ini"}));

    TTntMemIniFile nowhere(dir.File(L"no folder\\x.ini"));
    nowhere.WriteString(L"s", L"k", L"v");
    EXPECT_THROW(nowhere.UpdateFile(), EFCreateError);
}

TEST(TntMemIniFile, TypedValues) {
    TempDir dir;
    const std::wstring file = dir.File(L"typed.ini");
    WriteBytes(file, "[n]\nhex=0x1F\nhexonly=0x\nbad=12abc\ndollar=$10\nneg=-5\ntwo=2\nzero=0\n"
                     "bin=00abFF\nodd=ABC\nnotbin=zz\nfloat=x\nhexfloat=0x10\nnan=nan\n");
    TTntMemIniFile ini(file);
    EXPECT_EQ(ini.ReadInteger(L"n", L"hex", 7), 31);
    EXPECT_EQ(ini.ReadInteger(L"n", L"hexonly", 7), 7);
    EXPECT_EQ(ini.ReadInteger(L"n", L"bad", 7), 7);
    EXPECT_EQ(ini.ReadInteger(L"n", L"dollar", 7), 16);
    EXPECT_EQ(ini.ReadInteger(L"n", L"neg", 7), -5);
    EXPECT_EQ(ini.ReadInteger(L"n", L"absent", 7), 7);
    EXPECT_TRUE(ini.ReadBool(L"n", L"two", false));
    EXPECT_FALSE(ini.ReadBool(L"n", L"zero", true));
    EXPECT_TRUE(ini.ReadBool(L"n", L"absent", true));
    EXPECT_FALSE(ini.ReadBool(L"n", L"absent", false));


    // Binary values: written at the stream's position, which is put back.
    TMemoryStream stream;
    stream.WriteBuffer("xyz", 3);
    stream.SetPosition(1);
    EXPECT_EQ(ini.ReadBinaryStream(L"n", L"bin", &stream), 3);
    EXPECT_EQ(stream.Position(), 1);
    EXPECT_EQ(std::string(stream.Data().begin(), stream.Data().end()), std::string("x\x00\xAB\xFF", 4));
    EXPECT_EQ(ini.ReadBinaryStream(L"n", L"absent", &stream), 0);
    TMemoryStream odd, junk;
    EXPECT_EQ(ini.ReadBinaryStream(L"n", L"odd", &odd), 1) << "a half byte at the end is dropped";
    EXPECT_EQ(ini.ReadBinaryStream(L"n", L"notbin", &junk), 0);
    stream.SetPosition(2);
    ini.WriteBinaryStream(L"w", L"bin", &stream);
    EXPECT_EQ(ini.ReadString(L"w", L"bin", L""), L"ABFF");

    // Numbers and dates round-trip through the locale's text forms.
    EXPECT_EQ(ini.ReadFloat(L"n", L"float", 2.5), 2.5);
    EXPECT_EQ(ini.ReadFloat(L"n", L"absent", 2.5), 2.5);
    EXPECT_EQ(ini.ReadFloat(L"n", L"hexfloat", 2.5), 2.5) << "not a decimal number";
    EXPECT_EQ(ini.ReadFloat(L"n", L"nan", 2.5), 2.5);
    ini.WriteFloat(L"w", L"pi", 3.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(L"w", L"pi", 0), 3.25);
    const TDateTime day = EncodeDate(2011, 4, 28);
    const TDateTime moment = day + EncodeTime(13, 45, 10, 0);
    ini.WriteDate(L"w", L"date", day);
    ini.WriteDateTime(L"w", L"dt", moment);
    ini.WriteTime(L"w", L"time", EncodeTime(13, 45, 10, 0));
    EXPECT_DOUBLE_EQ(ini.ReadDate(L"w", L"date", 0), day);
    EXPECT_NEAR(ini.ReadDateTime(L"w", L"dt", 0), moment, 1e-6);
    EXPECT_NEAR(ini.ReadTime(L"w", L"time", 0), EncodeTime(13, 45, 10, 0), 1e-6);
    EXPECT_EQ(ini.ReadDate(L"n", L"bad", 9.0), 9.0);
}

// ---------------------------------------------------------------------------------
// TTntHashedStringList

TEST(TntHashedStringList, LooksUpTheLastEqualLineAndFollowsChanges) {
    TTntHashedStringList list;
    list.Add(L"Alpha");
    list.Add(L"k=1");
    list.Add(L"ALPHA");
    list.Add(L"K=2");
    EXPECT_EQ(list.IndexOf(L"alpha"), 2);
    EXPECT_EQ(list.IndexOfName(L"k"), 3);
    EXPECT_EQ(list.IndexOf(L"beta"), -1);

    list.Delete(3);
    EXPECT_EQ(list.IndexOfName(L"k"), 1);
    list.BeginUpdate();
    list.Insert(0, L"beta");
    EXPECT_EQ(list.IndexOf(L"beta"), 0) << "changes count inside an update too";
    list.EndUpdate();

    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf(L"alpha"), -1);
    EXPECT_EQ(list.IndexOf(L"Alpha"), 1);
    EXPECT_EQ(list.IndexOfName(L"K"), -1);

}

// ---------------------------------------------------------------------------------
// TTntIniFile over the system's profile functions

TEST(TntIniFile, CreatesAMissingFileInUtf16) {
    TempDir dir;
    const std::wstring file = dir.File(L"new.ini");
    { TTntIniFile ini(file); }
    EXPECT_EQ(ReadBytes(file), std::string("\xFF\xFE\x0D\x00\x0A\x00", 6));
}

TEST(TntIniFile, NonAsciiTextSurvivesAndTheFileStaysUtf16) {
    TempDir dir;
    const std::wstring file = dir.File(L"wide.ini");
    const std::wstring greek = L"\u03A4\u03AF\u03C4\u03BB\u03BF\u03C2";
    const std::wstring cjk = L"\u4E2D\u6587";
    {
        TTntIniFile ini(file);
        ini.WriteString(L"Sect\u00E9", L"name", greek);
        ini.WriteString(L"Sect\u00E9", cjk, L"value " + cjk);
        ini.WriteString(L"other", L"n", L"1");
        EXPECT_EQ(ini.ReadString(L"Sect\u00E9", L"name", L""), greek);
        EXPECT_EQ(ini.ReadString(L"sect\u00E9", cjk, L""), L"value " + cjk);
        EXPECT_EQ(ini.ReadString(L"missing", L"name", L"dflt"), L"dflt");

        TTntStringList list;
        ini.ReadSections(&list);
        EXPECT_EQ(Lines(list), L({L"Sect\u00E9", L"other"}));
        ini.ReadSection(L"Sect\u00E9", &list);
        EXPECT_EQ(Lines(list), L({L"name", cjk}));
        ini.ReadSectionValues(L"Sect\u00E9", &list);
        EXPECT_EQ(Lines(list), L({L"name=" + greek, cjk + L"=value " + cjk}));

        ini.DeleteKey(L"Sect\u00E9", L"name");
        ini.EraseSection(L"other");
        ini.ReadSections(&list);
        EXPECT_EQ(Lines(list), L({L"Sect\u00E9"}));
    }
    const std::string bytes = ReadBytes(file);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
    const std::string cjkBytes(reinterpret_cast<const char*>(cjk.data()), cjk.size() * 2);
    EXPECT_NE(bytes.find(cjkBytes), std::string::npos);

    // Both classes read the same file.
    TTntMemIniFile mem(file);
    EXPECT_EQ(mem.ReadString(L"SECT\u00C9", cjk, L""), L"value " + cjk);
}

TEST(TntIniFile, ReadsValuesLongerThanTheFirstBuffer) {
    TempDir dir;
    TTntIniFile ini(dir.File(L"long.ini"));
    for (size_t len : {2046u, 2047u, 2048u, 2049u, 9000u}) {
        std::wstring value(len, L'u');
        value[0] = L'h';
        value.back() = L'\u00E9';
        ini.WriteString(L"bookmark", L"URL", value);
        EXPECT_EQ(ini.ReadString(L"bookmark", L"URL", L""), value) << len;
    }
}

TEST(TntIniFile, FailedWriteRaises) {
    TempDir dir;
    const std::wstring file = dir.File(L"locked.ini");
    TTntIniFile ini(file);
    ini.WriteString(L"s", L"k", L"v");
    ini.UpdateFile();
    // Another program holds the file open without sharing.
    HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    try {
        ini.WriteString(L"s", L"k", L"changed");
        ADD_FAILURE() << "no exception";
    } catch (const EIniFileException& e) {
        EXPECT_EQ(e.Message(), L"Unable to write to " + file);
    }
    CloseHandle(h);
    EXPECT_EQ(ini.ReadString(L"s", L"k", L""), L"v");
}
