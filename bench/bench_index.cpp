// Speed and memory of the keyword index against the stand-in agent with the large generated
// store (scripts/index-bench.sh installs it and runs this program). Prints its figures:
//   - a full load from the agent (pages fetched on a worker, as the window does, replies
//     parsed and written to the cache file) next to the bare HttpGetText of the same pages;
//   - a load from the cache file next to a bare read of the file and a scan of its tags;
//   - type-ahead: the best match for every prefix of sampled keywords over the full index,
//     alone and with the captions of a screen of rows;
//   - memory: private bytes of the full index, bytes per entry against the UTF-16 size of
//     the entry texts, and the peak of a cached load in a fresh process.
//
//   bench_index --agent PATH\HelpLibAgent.exe --localstore DIR [--pagesize N] [--runs N]
//   bench_index --cached-peak CACHEFILE      (the child run that measures the peak)
#include "BenchTiming.h"
#include "FixedAgentEnvironment.h"
#include "HtmlTags.h"
#include "UAgentLink.h"
#include "UH3_Agent.h"
#include "UH3_Code.h"
#include "UIndexCache.h"
#include "UIndexLoader.h"
#include "UKeywordIndex.h"

#include "StandinSupport.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const wchar_t* const kCatalog = L"VS\\100\\en-US";

double Ms() { return bench::Seconds() * 1000.0; }

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct TMemory {
    double Private = 0;  // MB
    double Peak = 0;     // MB of peak commit
};

TMemory Memory() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    TMemory m;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
        // Private bytes; Wine reports them only as the commit charge.
        m.Private = (pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage) / 1e6;
        m.Peak = pmc.PeakPagefileUsage / 1e6;
    }
    return m;
}

size_t TextUnits(const TKeywordList& List) {
    size_t n = 0;
    for (int i = 0; i < List.Count(); ++i) n += List.Value(i).size() + List.Display(i).size();
    return n;
}

int CachedPeak(const std::wstring& CacheFile) {
    // The system's own peak figure is not kept under Wine: the commit is sampled while the
    // reply is read (every 50,000 tags) instead.
    struct Sampling : TIndexLoadHooks {
        double Peak = 0;
        bool Cancelled() override {
            Peak = std::max(Peak, Memory().Private);
            return false;
        }
    } hooks;
    const TMemory before = Memory();
    TKeywordList list;
    TFixedAgentEnvironment env;
    TH3Paths paths{TH3RegistryPlace{nullptr}};
    TH3Code code(&paths, &env);
    TH3CodeLink link(&code);
    TKeywordLoader loader(list, link);
    loader.NewAgent = true;
    const TIndexLoadReport r = loader.LoadCached(CacheFile, kCatalog, hooks);
    const TMemory after = Memory();
    std::printf("peak %.1f %.1f %.1f %d\n", before.Private, after.Private, std::max(hooks.Peak, after.Peak), r.Count);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring agentPath, localStore;
    int pageSize = 50000, runs = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        const std::wstring a = argv[i];
        if (a == L"--agent") agentPath = argv[++i];
        else if (a == L"--localstore") localStore = argv[++i];
        else if (a == L"--pagesize") pageSize = _wtoi(argv[++i]);
        else if (a == L"--runs") runs = std::max(1, _wtoi(argv[++i]));
        else if (a == L"--cached-peak") return CachedPeak(argv[++i]);
    }
    if (agentPath.empty() || localStore.empty()) {
        std::printf("usage: bench_index --agent PATH\\HelpLibAgent.exe --localstore DIR [--pagesize N] [--runs N]\n");
        return 2;
    }

    standin_test::Installation inst;
    inst.root = standin_test::MakeTempFolder(L"bench-index");
    inst.appRoot = agentPath.substr(0, agentPath.find_last_of(L'\\'));
    inst.localStore = localStore;
    inst.userCfg = inst.root + L"\\user\\HelpClient.cfg";
    standin_test::AgentProcess agent;
    const int port = standin_test::FreePort();
    const double a0 = Ms();
    if (!agent.Start(inst, port, {{L"STANDIN_AGENT_ONLINE_EXIT", L"0"}}) || !agent.WaitForPort(120000)) {
        std::printf("the agent did not start\n");
        return 1;
    }
    std::printf("agent listening after %.0f ms\n", Ms() - a0);

    TFixedAgentEnvironment env;
    env.PortText = std::to_wstring(port);
    env.Pid = agent.Pid();
    TH3Paths paths{TH3RegistryPlace{nullptr}};
    paths.SetHelpDllVersion(1, 0, 40219, 1);
    TH3Code code(&paths, &env);
    code.SetCatalogName(kCatalog);
    TH3CodeLink link(&code);
    TKeywordList list;
    TKeywordLoader loader(list, link);
    loader.NewAgent = paths.HasNewAgent;
    const std::wstring cache = IndexCacheFileIn(inst.root + L"\\cache");

    // ---- full load next to the bare requests of the same pages
    // Pages on a worker, as the window fetches them, each read as it arrives; the time spent
    // in the requests (the reading as they arrive included) is kept.
    struct TimedHooks : TWorkerIndexHooks {
        double Waited = 0;
        bool FetchArriving(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply,
                           const std::function<void()>& Arrived, bool& Streamed) override {
            const double t = Ms();
            const bool ok = TWorkerIndexHooks::FetchArriving(Agent, Url, Reply, Arrived, Streamed);
            Waited += Ms() - t;
            return ok;
        }
    } hooks;
    TIndexLoadReport r = loader.LoadFull(pageSize, cache, kCatalog, hooks);  // warm-up, and the page count
    loader.WaitForCache();
    if (r.End != TIndexLoadEnd::Complete) {
        std::printf("the full load did not complete (end %d)\n", static_cast<int>(r.End));
        return 1;
    }
    std::vector<std::wstring> urls;
    for (int p = 1; p <= r.Pages; ++p) urls.push_back(loader.PageUrl(L"", pageSize, p));
    std::vector<double> bare, full, waited, written;
    size_t bytes = 0;
    for (int run = 0; run < runs; ++run) {
        double t = Ms();
        bytes = 0;
        for (const std::wstring& u : urls) {
            std::wstring text;
            HttpGetText(u, text);
            bytes += text.size() * 2;
        }
        bare.push_back(Ms() - t);
        t = Ms();
        hooks.Waited = 0;
        r = loader.LoadFull(pageSize, cache, kCatalog, hooks);
        full.push_back(Ms() - t);
        waited.push_back(hooks.Waited);
        loader.WaitForCache();
        written.push_back(Ms() - t);
    }
    std::printf("full load, page size %d: %d pages, %d keywords, %d entries, %.1f MB of replies\n", pageSize, r.Pages,
                r.Parsed, r.Count, bytes / 1e6);
    std::printf("  bare HttpGetText of the pages %8.0f ms (median of %d)\n", Median(bare), runs);
    std::printf("  full load with cache file     %8.0f ms   ratio %.2f (goal <= 1.15)\n", Median(full),
                Median(full) / Median(bare));
    std::printf("    of which in the requests    %8.0f ms (reading the pages as they arrive)\n", Median(waited));
    std::printf("  the cache file in place after %8.0f ms (written behind the load)\n", Median(written));

    // ---- cached load next to a bare read and tag scan
    std::vector<double> cached, raw;
    int tags = 0;
    for (int run = 0; run < std::max(runs, 5); ++run) {
        double t = Ms();
        std::wstring text;
        ReadIndexCache(cache, kCatalog, text);
        THTML_TagRipper scan(text);
        int pos = 1;
        tags = 0;
        while (scan.NextTag(pos)) ++tags;
        raw.push_back(Ms() - t);
        TIndexLoadHooks quiet;
        t = Ms();
        r = loader.LoadCached(cache, kCatalog, quiet);
        cached.push_back(Ms() - t);
    }
    WIN32_FILE_ATTRIBUTE_DATA fa{};
    GetFileAttributesExW(cache.c_str(), GetFileExInfoStandard, &fa);
    std::printf("cached load: file %.1f MB, %d keywords, %d entries, %d tags\n", fa.nFileSizeLow / 1e6, r.Parsed,
                r.Count, tags);
    std::printf("  bare read and tag scan        %8.1f ms\n", Median(raw));
    std::printf("  cached load                   %8.1f ms   ratio %.2f (goals < 500 ms, <= 2)\n", Median(cached),
                Median(cached) / Median(raw));

    // ---- memory of the full index
    list.Clear();
    const TMemory empty = Memory();
    {
        TIndexLoadHooks quiet;
        r = loader.LoadCached(cache, kCatalog, quiet);
    }
    const TMemory loaded = Memory();
    const double units = static_cast<double>(TextUnits(list));
    std::printf("memory with the full index (%d entries, %.1f MB of UTF-16 entry text):\n", list.Count(),
                units * 2 / 1e6);
    std::printf("  held by the list %.1f MB = %.1f bytes per entry, %.2f x the text (goal <= 2.5)\n",
                list.MemoryBytes() / 1e6, list.MemoryBytes() / static_cast<double>(list.Count()),
                list.MemoryBytes() / (units * 2));
    std::printf("  private bytes    %.1f MB (+%.1f MB for the index)\n", loaded.Private,
                loaded.Private - empty.Private);
    {
        const std::wstring cmd = L"\"" + std::wstring(argv[0]) + L"\" --cached-peak \"" + cache + L"\"";
        standin_test::ProcessResult child = standin_test::RunProcess(cmd, 120000);
        double before = 0, after = 0, peak = 0;
        int count = 0;
        if (std::sscanf(child.output.c_str(), "peak %lf %lf %lf %d", &before, &after, &peak, &count) == 4)
            std::printf("  a cached load in a fresh process: private %.1f -> %.1f MB, peak %.1f MB (+%.1f MB, %.2f x "
                        "the text)\n",
                        before, after, peak, peak - before, (peak - before) * 1e6 / (units * 2));
        else
            std::printf("  (the peak run printed: %s)\n", child.output.c_str());
    }

    // ---- type-ahead over the full index
    std::vector<std::wstring> keys;
    const int samples = 500;
    for (int s = 0; s < samples; ++s) {
        const int row = static_cast<int>(static_cast<long long>(list.Count()) * s / samples);
        std::wstring caption = list.Caption(row);
        if (!caption.empty() && caption[0] == L' ') continue;  // sub-keys are not typed
        for (size_t n = 1; n <= std::min<size_t>(caption.size(), 16); ++n) keys.push_back(caption.substr(0, n));
    }
    keys.push_back(L"zzzzzzzzzz");  // no row has it: the whole tail is compared
    keys.push_back(L"a~");
    // Each key is timed three times; its figure is the middle one (a single run also catches
    // the system's own pauses, shown as the slowest single run).
    std::vector<double> match, screen;
    double slowestRun = 0;
    std::wstring slowestKey;
    int found = 0;
    for (const std::wstring& k : keys) {
        std::vector<double> t3;
        int row = -1;
        for (int run = 0; run < 3; ++run) {
            const double t = Ms();
            row = FindBestMatch(list, k);
            t3.push_back(Ms() - t);
        }
        slowestRun = std::max(slowestRun, *std::max_element(t3.begin(), t3.end()));
        match.push_back(Median(t3));
        if (match.back() >= *std::max_element(match.begin(), match.end())) slowestKey = k;
        if (row >= 0) ++found;
        const double t = Ms();
        for (int i = std::max(row, 0); i < std::min(list.Count(), std::max(row, 0) + 40); ++i) list.Caption(i);
        screen.push_back(match.back() + Ms() - t);
    }
    std::sort(match.begin(), match.end());
    std::sort(screen.begin(), screen.end());
    std::printf("type-ahead over %d entries, %zu keys (%d matched), each the middle of 3 runs:\n", list.Count(),
                keys.size(), found);
    std::printf("  best match                  median %.3f ms, worst %.3f ms (\"%ls\") (goal < 2 ms)\n",
                Median(match), match.back(), slowestKey.c_str());
    std::printf("  with a screen of captions   median %.3f ms, worst %.3f ms\n", Median(screen), screen.back());
    std::printf("  slowest single run          %.3f ms\n", slowestRun);

    agent.Stop();
    standin_test::DeleteFolderTree(inst.root);
    return 0;
}
