// Figures of the shell pack's toolkit: deferred PIDL frees drained in idle steps, a sorted
// PIDL list, and wildcard matching.
//   scripts/wine.sh NAME build/bench/bench_shelltoolkit.exe
#include "UPTPidlList.h"
#include "UPTShellMemFree.h"
#include "UPTShellStartup.h"
#include "UPTWildcards.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// A one-item PIDL holding Text.
PItemIDList TextPidl(const std::string& Text) {
    const size_t cb = Text.size() + 2;
    auto* p = static_cast<BYTE*>(ShellAlloc(cb + 2));
    p[0] = static_cast<BYTE>(cb);
    p[1] = static_cast<BYTE>(cb >> 8);
    std::memcpy(p + 2, Text.data(), Text.size());
    p[cb] = p[cb + 1] = 0;
    return reinterpret_cast<PItemIDList>(p);
}

void DeferredFrees() {
    constexpr int count = 100000;
    for (int i = 0; i < count; ++i)
        FreePidl(TextPidl("item " + std::to_string(i)));
    TShellMemFreeOnIdle* memFree = ShellMemFreeOnIdle();
    int steps = 0;
    double longest = 0, total = 0;
    for (bool done = false; !done;) {
        const auto start = Clock::now();
        memFree->FreeStep(done);
        const double ms = Ms(Clock::now() - start);
        longest = std::max(longest, ms);
        total += ms;
        ++steps;
    }
    std::printf("deferred frees: %d PIDLs drained in %d idle step(s), longest step %.2f ms, total %.2f ms\n", count,
                steps, longest, total);
}

void SortedPidlList() {
    constexpr int count = 10000;
    std::mt19937 random(7);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back("file " + std::to_string(random()) + ".url");
    TPTPidlList list;
    list.Malloc = TComPtr<IMalloc>(GetShellMalloc());
    list.Duplicates = dupIgnore;
    list.SetSorted(true);
    auto start = Clock::now();
    for (const std::string& name : names)
        list.Add(TextPidl(name));
    const double insertMs = Ms(Clock::now() - start);
    std::vector<TPTPidl> probes;
    for (const std::string& name : names)
        probes.emplace_back(TextPidl(name));
    int found = 0;
    start = Clock::now();
    for (const TPTPidl& probe : probes)
        found += list.IndexOf(probe.Get()) >= 0;
    const double findMs = Ms(Clock::now() - start);
    std::printf("sorted PIDL list: %d inserts in %.2f ms (%.2f us each), %d finds (%d found) in %.2f ms (%.2f us each)\n",
                list.Count(), insertMs, insertMs * 1000 / count, count, found, findMs, findMs * 1000 / count);
}

void Wildcards() {
    struct TCase {
        const wchar_t* Mask;
        TPTMatchFlags Flags;
        const char* What;
    } cases[] = {
        {L"*.url;*.lnk", 0, "mask list \"*.url;*.lnk\", ignoring case"},
        {L"*a*b*c*.txt", 0, "\"*a*b*c*.txt\", ignoring case"},
        {L"[A-Z]*.ur?", ptmfSets | ptmfCaseSensitive, "\"[A-Z]*.ur?\", sets, exact case"},
    };
    const std::wstring names[] = {L"Visual Studio Help.url", L"readme.txt", L"\u0416\u0443\u0440\u043D\u0430\u043B.LNK",
                                  L"a very long file name with many words b and c.txt", L"mask.ur"};
    for (const TCase& c : cases) {
        constexpr int rounds = 40000;
        int hits = 0;
        const auto start = Clock::now();
        for (int i = 0; i < rounds; ++i)
            for (const std::wstring& name : names)
                hits += (c.Flags & ptmfSets) ? WideMatchesMask(name, c.Mask, c.Flags)
                                             : WideMatchesMaskList(name, c.Mask, c.Flags);
        const double ms = Ms(Clock::now() - start);
        const double perSecond = rounds * std::size(names) / (ms / 1000);
        std::printf("wildcards %s: %.0f matches/s (%d hits)\n", c.What, perSecond, hits);
    }
}

} // namespace

int wmain() {
    TPTShellPack pack;
    DeferredFrees();
    SortedPidlList();
    Wildcards();
    return 0;
}
