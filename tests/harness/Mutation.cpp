#include "Mutation.h"

#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace testing_support {

namespace {

long long EnvNumber(const char* Name) {
    const char* v = std::getenv(Name);
    if (!v || !*v)
        return -1;
    char* end = nullptr;
    long long n = std::strtoll(v, &end, 10);
    return end && *end == 0 && n >= 0 ? n : -1;
}

template <class C>
std::string Describe(const C* s, size_t n, size_t Limit) {
    std::string out;
    char buf[16];
    for (size_t i = 0; i < n && i < Limit; ++i) {
        unsigned c = static_cast<std::make_unsigned_t<C>>(s[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"')
            out += static_cast<char>(c);
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else {
            snprintf(buf, sizeof buf, sizeof(C) == 1 ? "\\x%02X" : "\\u%04X", c);
            out += buf;
        }
    }
    if (n > Limit)
        out += "... (" + std::to_string(n) + " in all)";
    return out;
}

struct TMemory {
    size_t Private = 0, Peak = 0;
};

TMemory ProcessMemory() {
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    TMemory m;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc)) {
        m.Private = pmc.PrivateUsage;
        m.Peak = pmc.PeakPagefileUsage; // the private bytes' peak over the process's life
    }
    return m;
}

} // namespace

int MutationCount(int Default) {
    long long n = EnvNumber("VORLANE_MUTATIONS");
    return n >= 0 ? static_cast<int>(std::min<long long>(n, 100000000)) : Default;
}

uint32_t MutationSeed() {
    long long n = EnvNumber("VORLANE_MUTATION_SEED");
    return n >= 0 ? static_cast<uint32_t>(n) : 20110601u;
}

size_t MutationMaxSize(size_t Default) {
    long long n = EnvNumber("VORLANE_MUTATION_MAX");
    return n > 0 ? static_cast<size_t>(std::min<long long>(n, 64 << 20)) : Default;
}

std::string DescribeInput(const std::wstring& Input, size_t Limit) { return Describe(Input.data(), Input.size(), Limit); }
std::string DescribeInput(const std::string& Input, size_t Limit) { return Describe(Input.data(), Input.size(), Limit); }

std::vector<std::string> DefaultMutationTokens() {
    return {"<",      ">",   "</",  "/>", "\"",   "'",    "=",  "&",      "&#",       "&#x",  ";",         "<!--",
            "-->",    "<!",  "<?",  "?>", "]]>",  "<![CDATA[", "\r", "\n", "\r\n",     " ",    "\t",        "%",
            "%2",     "%25", "?",   "#",  ",",    std::string(1, '\0'), "\xEF\xBB\xBF", "\xFF\xFE", "<a b=\"",
            "<a ",    "<meta ", "<div>", "</div>", "-1", "0", "99999999999", "\\", "/", ":"};
}

// ---------------------------------------------------------------------------------

struct TMutationWatch::TState {
    const char* Name;
    unsigned HangMs;
    TMemory Before;
    std::mutex Lock;
    std::condition_variable Done;
    bool Finished = false;
    int Index = -1;
    DWORD Started = 0;
    const std::wstring* Wide = nullptr;
    const std::string* Bytes = nullptr;
    std::thread Thread;
};

TMutationWatch::TMutationWatch(const char* Name, unsigned HangMs) : FState(new TState) {
    FState->Name = Name;
    FState->HangMs = HangMs;
    FState->Before = ProcessMemory();
    TState* s = FState;
    s->Thread = std::thread([s] {
        std::unique_lock<std::mutex> lock(s->Lock);
        while (!s->Done.wait_for(lock, std::chrono::milliseconds(250), [s] { return s->Finished; })) {
            if (s->Index < 0 || GetTickCount() - s->Started < s->HangMs)
                continue;
            std::string what = s->Wide ? DescribeInput(*s->Wide) : s->Bytes ? DescribeInput(*s->Bytes) : "";
            fprintf(stderr, "\nMUTATION HANG: %s input %d (seed %u) ran for over %u ms: \"%s\"\n", s->Name, s->Index,
                    MutationSeed(), s->HangMs, what.c_str());
            fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 4);
        }
    });
}

TMutationWatch::~TMutationWatch() {
    {
        std::lock_guard<std::mutex> lock(FState->Lock);
        FState->Finished = true;
    }
    FState->Done.notify_all();
    FState->Thread.join();
    delete FState;
}

void TMutationWatch::Begin(int Index, const std::wstring* Wide, const std::string* Bytes) {
    std::lock_guard<std::mutex> lock(FState->Lock);
    FState->Index = Index;
    FState->Started = GetTickCount();
    FState->Wide = Wide;
    FState->Bytes = Bytes;
}

void TMutationWatch::End() {
    std::lock_guard<std::mutex> lock(FState->Lock);
    FState->Index = -1;
    FState->Wide = nullptr;
    FState->Bytes = nullptr;
}

void TMutationWatch::CheckMemory(size_t MaxKeptMb, size_t MaxPeakMb) {
    TMemory after = ProcessMemory();
    const long long mb = 1 << 20;
    long long kept = (static_cast<long long>(after.Private) - static_cast<long long>(FState->Before.Private)) / mb;
    long long peak = after.Peak > FState->Before.Peak
                         ? (static_cast<long long>(after.Peak) - static_cast<long long>(FState->Before.Private)) / mb
                         : 0;
    EXPECT_LE(kept, static_cast<long long>(MaxKeptMb)) << FState->Name << ": memory kept after the run (MB)";
    EXPECT_LE(peak, static_cast<long long>(MaxPeakMb)) << FState->Name << ": memory needed at the peak (MB)";
}

} // namespace testing_support
