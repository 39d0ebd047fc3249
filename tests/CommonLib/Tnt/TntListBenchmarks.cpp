// Speed figures of the wide lists and INI files (printed, not asserted).
#include "TntIniFiles.h"

#include "TestHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>

namespace {

class TStopwatch {
public:
    double Ms() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - FStart).count();
    }

private:
    std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
};

std::wstring RandomWord(std::mt19937& rng) {
    std::wstring s;
    for (int k = 6 + rng() % 10; k > 0; --k)
        s.push_back(static_cast<wchar_t>(L'a' + rng() % 26));
    return s;
}

} // namespace

TEST(TntListBenchmark, ListsAndIniFiles) {
    constexpr int kCount = 50000;
    std::mt19937 rng(1);
    std::vector<std::wstring> words;
    for (int i = 0; i < kCount; ++i)
        words.push_back(RandomWord(rng));

    TTntStringList sorted;
    sorted.SetSorted(true);
    sorted.SetDuplicates(dupAccept);
    TStopwatch addSorted;
    for (const auto& w : words)
        sorted.Add(w);
    const double addSortedMs = addSorted.Ms();

    TStopwatch find;
    int found = 0;
    for (const auto& w : words)
        found += sorted.IndexOf(w) >= 0;
    const double findMs = find.Ms();

    TTntHashedStringList hashed;
    for (const auto& w : words)
        hashed.Add(w + L"=v");
    TStopwatch hashLookup;
    int named = 0;
    for (const auto& w : words)
        named += hashed.IndexOfName(w) >= 0;
    const double hashMs = hashLookup.Ms();

    TStopwatch text;
    const std::wstring all = sorted.Text();
    TTntStringList split;
    split.SetText(all);
    const double textMs = text.Ms();

    testing_support::TempDir dir;
    TStopwatch files;
    split.SaveToFile(dir.File(L"big.txt"));
    TTntStringList loaded;
    loaded.LoadFromFile(dir.File(L"big.txt"));
    const double fileMs = files.Ms();

    TTntMemIniFile ini(dir.File(L"big.ini"));
    TStopwatch iniTime;
    for (int i = 0; i < 2000; ++i)
        ini.WriteString(L"section" + std::to_wstring(i % 20), words[i], words[i]);
    ini.UpdateFile();
    TTntMemIniFile reread(dir.File(L"big.ini"));
    int values = 0;
    for (int i = 0; i < 2000; ++i)
        values += !reread.ReadString(L"section" + std::to_wstring(i % 20), words[i], L"").empty();
    const double iniMs = iniTime.Ms();

    EXPECT_EQ(found, kCount);
    EXPECT_EQ(named, kCount);
    EXPECT_EQ(loaded.Count(), kCount);
    EXPECT_EQ(values, 2000);
    std::printf("[ bench    ] %d sorted adds %.1f ms; %d sorted look-ups %.1f ms; %d hashed name look-ups %.1f ms\n",
                kCount, addSortedMs, kCount, findMs, kCount, hashMs);
    std::printf("[ bench    ] text join+split of %d lines %.1f ms; save+load %.1f ms; "
                "2000 INI writes, update, reload and reads %.1f ms\n",
                kCount, textMs, fileMs, iniMs);
}
