#include "UFakeIniW.h"

#include "TestHarness.h"
#include "UUnicode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

const wchar_t* const kLanguageFile =
    L"; translation\r\n"
    L"[Translator]\r\n"
    L"Name=J\x00F6rg\r\n"
    L"\r\n"
    L"[Main]\r\n"
    L"  name = \"a b\" \r\n"
    L"single='x'\r\n"
    L"lone=\"\r\n"
    L"; a comment\r\n"
    L"Caption = \x0417\x0430\x043A\x0440\x044B\x0442\x044C\r\n"
    L"CaptionX=1\r\n"
    L"flagY=yes\r\n"
    L"flagT=true\r\n"
    L"empty=\r\n"
    L"n1=12x\r\n"
    L"n2=+7\r\n"
    L"n3=-\r\n"
    L"n4=2147483648\r\n"
    L"n5=-2147483648\r\n"
    L"[Main2]\r\n"
    L"other=1\r\n"
    L"[main]\r\n"
    L"name=second\r\n"
    L"extra=2\r\n";

std::string Encode(const std::wstring& text, uint8_t encoding) {
    std::string bytes;
    if (encoding == encAnsi) WideToAnsi(1252, text, false, bytes); // the Cyrillic letters become ?
    else WideToBuffer(-1, text, encoding, false, bytes);
    return bytes;
}

std::vector<std::wstring> ToVector(const TTntStrings& list) {
    std::vector<std::wstring> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
}

} // namespace

TEST(FakeIniW, ReadsOneSectionInEveryEncoding) {
    TempDir dir;
    for (uint8_t enc : {encUtf16LE, encUtf16BE, encUtf8, encAnsi}) {
        SCOPED_TRACE(static_cast<int>(enc));
        const std::wstring file = dir.File(L"vorlane.lang.x" + std::to_wstring(enc));
        WriteBytes(file, Encode(kLanguageFile, enc));
        TFakeIniW ini(file, L"Main");

        // Both [Main] blocks, comments and blank lines dropped, lines left-trimmed.
        EXPECT_EQ(ini.GetCount(), 15);
        EXPECT_EQ(ini.GetKeyName(0), L"name");
        EXPECT_EQ(ini.GetValue(0), L"\"a b\"");
        EXPECT_EQ(ini.ReadString(L"name", L"d"), L"a b");   // first block wins
        EXPECT_EQ(ini.ReadString(L"extra", L"d"), L"2");    // second block is there too
        EXPECT_EQ(ini.ReadString(L"single", L"d"), L"x");
        EXPECT_EQ(ini.ReadString(L"lone", L"d"), L"\"");
        EXPECT_EQ(ini.ReadString(L"empty", L"d"), L"");
        EXPECT_EQ(ini.ReadString(L"missing", L"d"), L"d");
        EXPECT_EQ(ini.ReadString(L"other", L"d"), L"d");    // [Main2] is another section
        if (enc != encAnsi) {
            EXPECT_EQ(ini.ReadString(L"caption", L"d"), L"\x0417\x0430\x043A\x0440\x044B\x0442\x044C");
        }
        EXPECT_EQ(ini.IndexOfKey(L"Caption"), 3);
        EXPECT_EQ(ini.ReadInteger(L"CaptionX", 0), 1);
        EXPECT_TRUE(ini.ReadBool(L"flagY", false));
        EXPECT_FALSE(ini.ReadBool(L"flagT", true));
        EXPECT_TRUE(ini.ReadBool(L"empty", true));
        EXPECT_FALSE(ini.ReadBool(L"missing", false));
        EXPECT_EQ(ini.ReadInteger(L"n1", -1), -1);
        EXPECT_EQ(ini.ReadInteger(L"n2", -1), 7);
        EXPECT_EQ(ini.ReadInteger(L"n3", -1), -1);
        EXPECT_EQ(ini.ReadInteger(L"n4", -1), -1);
        EXPECT_EQ(ini.ReadInteger(L"n5", -1), -2147483647 - 1);

        EXPECT_EQ(ini.ReadSectionString(L"translator", L"Name", L""), L"J\x00F6rg");
        EXPECT_EQ(ini.Section, L"translator");
        EXPECT_EQ(ini.ReadSectionInteger(L"Main2", L"other", 0), 1);
    }
}

TEST(FakeIniW, SectionNamesCommentsAndMissingFiles) {
    TempDir dir;
    const std::wstring file = dir.File(L"opts.ini");
    WriteBytes(file, Encode(kLanguageFile, encUtf8));

    TFakeIniW names(file, L"");
    EXPECT_EQ(ToVector(*names.Lines), (std::vector<std::wstring>{L"Translator", L"Main", L"Main2", L"main"}));

    TFakeIniW withComments(file, L"Main", false);
    EXPECT_EQ(withComments.GetCount(), 16);
    EXPECT_EQ(withComments.Lines->Strings(3), L"; a comment");

    TFakeIniW missing(dir.File(L"none.ini"), L"Main");
    EXPECT_EQ(missing.GetCount(), 0);
    EXPECT_EQ(missing.ReadInteger(L"x", 5), 5);
    EXPECT_FALSE(LoadIniSection(dir.File(L"none.ini"), L"Main", missing.Lines.get(), true));

    TFakeIniW noFile;
    try {
        noFile.OpenSection(L"Main");
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), L"TFakeIniW.OpenSection> No File specified");
    }
    TFakeIniW fileOnly(file);
    EXPECT_EQ(fileOnly.GetCount(), 0);
    fileOnly.OpenSection(L"Main2");
    EXPECT_EQ(fileOnly.ReadString(L"other", L""), L"1");
}

TEST(FakeIniW, SaveIniSectionKeepsItsNeighbours) {
    TempDir dir;
    const std::wstring file = dir.File(L"s.ini");
    auto write = [&](const std::wstring& text) {
        TTntStringList l;
        l.SetText(text);
        l.SaveToFile(file);
    };
    auto read = [&] {
        TTntStringList l;
        l.LoadFromFile(file);
        return ToVector(l);
    };
    TTntStringList values;
    values.Add(L"x");
    values.Add(L"y");
    TTntStringList keys;
    keys.Add(L"k1");
    keys.Add(L"k2");

    // The empty section just before the rewritten one keeps its header.
    write(L"top=1\r\n\r\n[Empty]\r\n\r\n[B]\r\nold=1\r\n\r\n[C]\r\nc=1\r\n");
    ASSERT_TRUE(SaveIniSection(file, L"B", &values, &keys, 1));
    EXPECT_EQ(read(), (std::vector<std::wstring>{L"top=1", L"", L"[Empty]", L"", L"[B]", L"k1=x", L"k2=y", L"",
                                                 L"[C]", L"c=1"}));

    // At the top, at the end, removed.
    ASSERT_TRUE(SaveIniSection(file, L"C", &values, nullptr, 0));
    EXPECT_EQ(read(), (std::vector<std::wstring>{L"[C]", L"x", L"y", L"", L"top=1", L"", L"[Empty]", L"", L"[B]",
                                                 L"k1=x", L"k2=y"}));
    ASSERT_TRUE(SaveIniSection(file, L"New", &values, nullptr, 1));
    EXPECT_EQ(read().back(), L"");
    EXPECT_EQ(read()[read().size() - 4], L"[New]");
    TTntStringList none;
    ASSERT_TRUE(SaveIniSection(file, L"B", &none, nullptr, 1));
    ASSERT_TRUE(SaveIniSection(file, L"New", &none, nullptr, 1));
    EXPECT_EQ(read(), (std::vector<std::wstring>{L"[C]", L"x", L"y", L"", L"top=1", L"", L"[Empty]"}));

    // A new file.
    const std::wstring fresh = dir.File(L"fresh.ini");
    ASSERT_TRUE(SaveIniSection(fresh, L"S", &values, &keys, 2));
    TFakeIniW ini(fresh, L"S");
    EXPECT_EQ(ini.ReadString(L"k2", L""), L"y");
    EXPECT_FALSE(ini.Modified);
}
