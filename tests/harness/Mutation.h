// Bounded mutation runs: inputs made from a few good examples by small random edits, drawn
// from a fixed seed so that every run of the same length sees the same inputs. A run checks
// that the code under test neither crashes nor hangs nor keeps memory: an exception that
// escapes the check fails the test with the input shown, an input that runs for longer than
// the hang limit ends the process with the input shown, and memory the process still holds
// after the run (or needed at its peak) past a bound fails the test.
//
// Short runs are part of the tests. Longer ones by environment:
//   VORLANE_MUTATIONS=N        inputs per target instead of each test's own count
//   VORLANE_MUTATION_SEED=N    another seed
//   VORLANE_MUTATION_MAX=N     the longest input (characters or bytes)
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <random>
#include <string>
#include <vector>

namespace testing_support {

int MutationCount(int Default);
uint32_t MutationSeed();
size_t MutationMaxSize(size_t Default);

// Printable form of an input for a report: control characters, non-ASCII and quotes escaped,
// cut after Limit characters.
std::string DescribeInput(const std::wstring& Input, size_t Limit = 1500);
std::string DescribeInput(const std::string& Input, size_t Limit = 1500);

// Markup and text pieces that tend to matter to parsers of this program's inputs.
std::vector<std::string> DefaultMutationTokens();

template <class S>
S WidenToken(const std::string& Token) {
    return S(Token.begin(), Token.end());
}

template <class S>
class TMutator {
public:
    using C = typename S::value_type;
    // Seeds: the good examples; Tokens: pieces to insert (DefaultMutationTokens when empty).
    TMutator(std::vector<S> Seeds, std::vector<std::string> Tokens, size_t MaxSize, uint32_t Seed = MutationSeed())
        : FSeeds(std::move(Seeds)), FMaxSize(MaxSize), FRandom(Seed) {
        if (Tokens.empty())
            Tokens = DefaultMutationTokens();
        for (const std::string& t : Tokens)
            FTokens.push_back(WidenToken<S>(t));
        if (FSeeds.empty())
            FSeeds.push_back(S());
    }

    // The next input: a seed, or the last input, edited one to four times.
    S Next() {
        S s = !FLast.empty() && Pick(3) == 0 ? FLast : FSeeds[Pick(FSeeds.size())];
        for (size_t n = 1 + Pick(4); n > 0; --n)
            MutateOnce(s);
        if (s.size() > FMaxSize)
            s.resize(FMaxSize);
        FLast = s;
        return s;
    }

private:
    size_t Pick(size_t Count) { return Count == 0 ? 0 : std::uniform_int_distribution<size_t>(0, Count - 1)(FRandom); }
    size_t Length(size_t Size) { return Pick(8) == 0 ? 1 + Pick(Size / 2 + 1) : 1 + Pick(16); }
    C RandomChar() { return static_cast<C>(Pick(sizeof(C) == 1 ? 256 : 65536)); }
    const S& Token() { return FTokens[Pick(FTokens.size())]; }

    void MutateOnce(S& s) {
        size_t at = Pick(s.size() + 1);
        switch (Pick(8)) {
        case 0: // one character becomes a token's first or any character
            if (!s.empty())
                s[Pick(s.size())] = Pick(2) ? RandomChar() : (Token().empty() ? C(0) : Token()[0]);
            break;
        case 1:
            s.insert(at, Token());
            break;
        case 2: // a range goes
            s.erase(at, Length(s.size()));
            break;
        case 3: { // a range is copied elsewhere
            if (s.empty())
                break;
            size_t from = Pick(s.size());
            S part = s.substr(from, Length(s.size()));
            s.insert(Pick(s.size() + 1), part);
            break;
        }
        case 4: // cut off
            s.resize(at);
            break;
        case 5: { // a token many times over (what drives scanners to their worst)
            const S& t = Token();
            size_t times = 2 + Pick(Pick(4) == 0 ? 2000 : 64);
            S run;
            for (size_t i = 0; i < times && run.size() < FMaxSize; ++i)
                run += t;
            s.insert(at, run);
            break;
        }
        case 6: { // the start of this input, the rest of another
            const S& other = FSeeds[Pick(FSeeds.size())];
            s = s.substr(0, at) + other.substr(Pick(other.size() + 1));
            break;
        }
        default:
            s.insert(s.begin() + static_cast<std::ptrdiff_t>(at), RandomChar());
            break;
        }
        if (s.size() > 2 * FMaxSize)
            s.resize(FMaxSize);
    }

    std::vector<S> FSeeds;
    std::vector<S> FTokens;
    size_t FMaxSize;
    std::mt19937 FRandom;
    S FLast;
};

// Watches one run: the input under test (for the hang report) and the process's memory.
class TMutationWatch {
public:
    explicit TMutationWatch(const char* Name, unsigned HangMs = 60000);
    ~TMutationWatch();
    TMutationWatch(const TMutationWatch&) = delete;
    TMutationWatch& operator=(const TMutationWatch&) = delete;

    void Begin(int Index, const std::wstring* Wide, const std::string* Bytes);
    void End();
    // Adds a test failure when the run keeps more than MaxKeptMb or needed more than
    // MaxPeakMb above what the process had before it.
    void CheckMemory(size_t MaxKeptMb, size_t MaxPeakMb);

private:
    struct TState;
    TState* FState;
};

// Runs Check on Count inputs of M. Check may use gtest assertions; an exception leaving it
// is a failure. The run stops after a few failures.
template <class S, class F>
void RunMutations(const char* Name, TMutator<S>& M, int Count, F&& Check, size_t MaxKeptMb = 32,
                  size_t MaxPeakMb = 256) {
    TMutationWatch watch(Name);
    int failures = 0;
    for (int i = 0; i < Count && failures < 5; ++i) {
        S input = M.Next();
        if constexpr (sizeof(typename S::value_type) == 1)
            watch.Begin(i, nullptr, &input);
        else
            watch.Begin(i, &input, nullptr);
        const int before = ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        try {
            Check(input);
        } catch (const std::exception& e) {
            ADD_FAILURE() << Name << ": exception " << e.what();
        } catch (...) {
            ADD_FAILURE() << Name << ": exception";
        }
        watch.End();
        if (::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() != before) {
            ++failures;
            ADD_FAILURE() << Name << " input " << i << " (seed " << MutationSeed() << "): \"" << DescribeInput(input)
                          << "\"";
        }
    }
    watch.CheckMemory(MaxKeptMb, MaxPeakMb);
}

} // namespace testing_support
