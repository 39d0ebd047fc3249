// Mutation runs over the Unicode set's text loaders: the wide string list's encodings and
// the in-memory INI file. Longer runs: see tests/harness/Mutation.h.
#include "Mutation.h"
#include "TestHarness.h"
#include "TntClasses.h"
#include "TntIniFiles.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

std::vector<std::wstring> Lines(const TTntStrings& List) {
    std::vector<std::wstring> lines;
    for (int i = 0; i < List.Count(); ++i)
        lines.push_back(List.Strings(i));
    return lines;
}

const std::vector<std::string> TextTokens = {"\r", "\n", "\r\n", "\xFF\xFE", "\xFE\xFF", "\xEF\xBB\xBF", "\xC3",
                                             "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xED\xA0\x80", "\x80", "\xD8\x00",
                                             std::string(1, '\0'), "=", "[", "]", ";", " "};

} // namespace

TEST(Mutation, StringListLoader) {
    const std::wstring text = L"first line\r\nname=value \u0416\u4e2d\nlone CR\rlast";
    TMutator<std::string> m({Utf16Bytes(text), Utf16Bytes(text, true), "\xEF\xBB\xBF" "caf\xC3\xA9\r\nx=\xE2\x82\xAC\n",
                             "ANSI caf\xE9\r\n\r\nend"},
                            TextTokens, MutationMaxSize(8192));
    RunMutations("string list loader", m, MutationCount(1500), [](const std::string& Bytes) {
        TMemoryStream in;
        in.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
        in.SetPosition(0);
        TTntStringList list;
        list.LoadFromStream(&in);
        for (int i = 0; i < list.Count(); ++i)
            list.Names(i);
        list.IndexOfName(L"name");
        // what was read is written and read back unchanged
        TMemoryStream out;
        list.SaveToStream(&out);
        out.SetPosition(0);
        TTntStringList again;
        again.LoadFromStream(&out);
        ASSERT_EQ(Lines(again), Lines(list));
    });
}

TEST(Mutation, IniFileLoader) {
    TempDir dir;
    const std::wstring file = dir.File(L"settings.ini"), copy = dir.File(L"copy.ini");
    const std::wstring text = L"[main]\r\nlastCatalog=vs\\100\\en-us\r\nZoom=125\r\n; note\r\n\r\n[__root__]\r\n"
                              L"installpath=C:\\Program Files\\Vorlane\r\n\r\n[Style \u0416]\r\nkey = spaced value \r\n";
    TMutator<std::string> m({Utf16Bytes(text), "[a]\nb=c\n[A]\nd=e\n[]\n=f\n", "\xEF\xBB\xBF[x]\r\ny=\xC3\xA4\r\n"},
                            TextTokens, MutationMaxSize(8192));
    RunMutations("INI file loader", m, MutationCount(300), [&](const std::string& Bytes) {
        WriteBytes(file, Bytes);
        struct TEntry {
            std::wstring Section, Key, Value;
        };
        std::vector<TEntry> read;
        {
            TTntMemIniFile ini(file);
            TTntStringList sections, keys, values;
            ini.ReadSections(&sections);
            for (int i = 0; i < sections.Count(); ++i) {
                ini.ReadSection(sections.Strings(i), &keys);
                ini.ReadSectionValues(sections.Strings(i), &values);
                for (int k = 0; k < keys.Count(); ++k)
                    read.push_back({sections.Strings(i), keys.Strings(k),
                                    ini.ReadString(sections.Strings(i), keys.Strings(k), L"*")});
            }
            ini.ReadInteger(L"main", L"Zoom", 100);
            ini.ReadBool(L"main", L"Flag", false);
        }
        // a file written from what was read reads the same
        {
            TTntMemIniFile out(copy);
            for (const TEntry& e : read)
                out.WriteString(e.Section, e.Key, e.Value);
            out.UpdateFile();
        }
        TTntMemIniFile again(copy);
        for (const TEntry& e : read)
            ASSERT_EQ(again.ReadString(e.Section, e.Key, L"*"), e.Value) << DescribeInput(e.Section + L"/" + e.Key);
        DeleteFileW(copy.c_str());
    });
}
