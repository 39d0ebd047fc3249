// Requests under faults: every case of the fault table ends within its bound with the
// failure it must give, and leaves no worker behind once the peer is gone.
#include "UHttpRequest.h"

#include "../vcl/VclTestSupport.h"
#include "HttpFaults.h"
#include "LoopbackServer.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <thread>

using namespace httpfaults;

namespace {

struct TOutcome {
    THttpReply Reply;
    long long Ms = 0;
};

TOutcome Get(const std::wstring& Url, bool ReadBody = true, THttpCancel* Cancel = nullptr) {
    const auto t0 = std::chrono::steady_clock::now();
    TOutcome o;
    o.Reply = HttpGetReply(LinkedWinINet(), L"VorlaneTest", Url, ReadBody, Cancel);
    o.Ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    return o;
}

const char* FailureName(THttpFailure f) {
    static const char* const names[] = {"None",   "NoSession", "CannotOpen", "TimedOut", "BadReply",
                                        "Status", "Redirects", "Incomplete", "TooLarge", "Cancelled"};
    return names[static_cast<int>(f)];
}

} // namespace

// The whole table, its cases side by side (each against its own server), in rounds of one
// set of bounds: the time-outs under the short bounds, every other fault under roomy ones,
// each cap in a round of its own.
TEST(HttpFaults, EveryFaultEndsInItsBoundWithItsFailure) {
    vcltest::Watchdog w(120000);
    std::map<std::pair<bool, uint64_t>, std::vector<const Fault*>> rounds; // (roomy, cap): cases
    for (const Fault& f : Table())
        rounds[{f.Expected != THttpFailure::TimedOut, f.MaxBytes}].push_back(&f);
    for (const auto& [key, cases] : rounds) {
        TestLimits limits(key.second, key.first);
        // the request's bound and the time to start and stop it
        const long long bound = TestLimits::Value(key.first).TotalMs + 1000;
        std::vector<std::unique_ptr<loopback::RawServer>> servers;
        for (const Fault* f : cases) servers.push_back(std::make_unique<loopback::RawServer>(f->Serve, f->ReadRequest));
        std::vector<TOutcome> outcomes(cases.size());
        std::vector<std::thread> clients;
        for (size_t i = 0; i < cases.size(); ++i)
            clients.emplace_back([&outcomes, i, url = servers[i]->Base() + L"/reply"] { outcomes[i] = Get(url); });
        for (std::thread& t : clients) t.join();
        for (size_t i = 0; i < cases.size(); ++i) {
            const THttpReply& r = outcomes[i].Reply;
            EXPECT_EQ(FailureName(cases[i]->Expected), std::string(FailureName(r.Failure)))
                << cases[i]->Name << ": " << WideToUtf8(r.Describe());
            EXPECT_LT(outcomes[i].Ms, bound) << cases[i]->Name;
            EXPECT_TRUE(r.Body.empty()) << cases[i]->Name;
            std::printf("  %-32s %-11s %5lld ms  %ls\n", cases[i]->Name, FailureName(r.Failure), outcomes[i].Ms,
                        r.Describe().c_str());
        }
        servers.clear();
        EXPECT_TRUE(WorkersGone(10000)) << HttpRequestWorkers() << " request workers left";
    }
}

// Sound replies around the faults: a redirect is followed to its end and the reply says
// where it came from; a status query does not wait for the body.
TEST(HttpFaults, RedirectsAndStatusQueries) {
    TestLimits limits;
    loopback::HttpServer target;
    target.Serve("/final", "done");
    const std::string to = std::string("http://127.0.0.1:") + std::to_string(target.Port()) + "/final";
    loopback::RawServer moved([to](SOCKET c, loopback::RawServer&) {
        loopback::RawServer::Send(c, "HTTP/1.1 301 Moved\r\nLocation: " + to + "\r\nContent-Length: 0\r\n\r\n");
    });
    TOutcome o = Get(moved.Base() + L"/start");
    EXPECT_TRUE(o.Reply.Ok()) << WideToUtf8(o.Reply.Describe());
    EXPECT_EQ("done", o.Reply.Body);
    EXPECT_EQ(target.Base() + L"/final", o.Reply.Url);

    // The status alone: the body is not waited for.
    loopback::RawServer slowBody([](SOCKET c, loopback::RawServer& s) {
        loopback::RawServer::Send(c, "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n");
        s.Pause(60000);
    });
    o = Get(slowBody.Base() + L"/", false);
    EXPECT_TRUE(o.Reply.Ok());
    EXPECT_LT(o.Ms, 400);
}

// A cancel ends a stalled request at once, and every later one given the same object.
TEST(HttpFaults, CancelEndsARequestAtOnce) {
    vcltest::Watchdog w(30000);
    {
        loopback::RawServer stalled([](SOCKET, loopback::RawServer& s) { s.Pause(60000); });
        THttpCancel cancel;
        std::thread canceller([&cancel] {
            Sleep(300);
            cancel.Cancel();
        });
        const TOutcome o = Get(stalled.Base() + L"/", true, &cancel); // the default bounds: 30 s, 60 s
        canceller.join();
        EXPECT_EQ(THttpFailure::Cancelled, o.Reply.Failure);
        EXPECT_LT(o.Ms, 1000);
        EXPECT_EQ(THttpFailure::Cancelled, Get(stalled.Base() + L"/", true, &cancel).Reply.Failure);
    }
    EXPECT_TRUE(WorkersGone(10000));
}

// Requests of many threads at once share the internet session, and cancels close their
// handles from other threads meanwhile: every request ends within its bound (a reply, a
// refusal, a cancel; a busy one-at-a-time server may also close a connection unanswered),
// and every worker ends (the library's lists of handles are not safe against it by
// themselves: damaged, they left workers that never ended).
TEST(HttpFaults, ManyThreadsRequestAndCancelAtOnce) {
    vcltest::Watchdog w(120000);
    loopback::HttpServer server;
    server.Serve("/page", std::string(2000, 'x'));
    loopback::DelayedListener refused(-1);
    THttpLimits limits = HttpLimits();
    limits.OpenTries = 1;
    limits.RetryPauseMs = 0;
    const THttpLimits saved = SetHttpLimits(limits);
    const std::wstring refusedUrl = L"http://127.0.0.1:" + std::to_wstring(refused.Port()) + L"/";
    std::atomic<int> ended{0}, timedOut{0}, replies{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 12; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 150; ++i) {
                THttpCancel cancel;
                std::thread canceller;
                if ((i + t) % 5 == 0)
                    canceller = std::thread([&cancel, i] {
                        Sleep(i % 3);
                        cancel.Cancel();
                    });
                const bool toServer = t % 3 == 0;
                const THttpReply r =
                    HttpGetReply(LinkedWinINet(), L"VorlaneTest", toServer ? server.Base() + L"/page" : refusedUrl, true, &cancel);
                if (canceller.joinable())
                    canceller.join();
                ++ended;
                timedOut += r.Failure == THttpFailure::TimedOut;
                replies += r.Ok() && r.Body.size() == 2000;
            }
        });
    for (std::thread& t : threads)
        t.join();
    SetHttpLimits(saved);
    EXPECT_EQ(ended, 12 * 150);
    EXPECT_EQ(timedOut, 0);
    EXPECT_GT(replies, 0);
    EXPECT_TRUE(WorkersGone(20000));
}
