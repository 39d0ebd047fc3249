#include "UNetThread.h"

#include "UH3Thread.h"

#include "../vcl/VclTestSupport.h"
#include "HttpFaults.h"
#include "LoopbackServer.h"
#include "TestHarness.h"

#include <chrono>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

using namespace vcltest;
using testing_support::TempDir;

namespace {

// Points the online test at the loopback server for one test and frees the thread after.
struct NetScope {
    std::vector<std::wstring> PreviousProbe = NetProbeUrls();
    bool PreviousCheck = NetCheckConnectedState;
    NetScope(const std::wstring& ProbeUrl) {
        FreeNetThread();
        SetNetProbeUrls({ProbeUrl});
        NetCheckConnectedState = false;
    }
    ~NetScope() {
        FreeNetThread();
        SetNetProbeUrls(PreviousProbe);
        NetCheckConnectedState = PreviousCheck;
    }
};

// Online by the test's own probe server.
struct OnlineScope {
    loopback::HttpServer Probe;
    NetScope Scope{Probe.Base() + L"/probe"};
    OnlineScope() { Probe.Serve("/probe", "ok"); }
};

std::string Pattern(size_t Size) {
    std::string s(Size, ' ');
    for (size_t i = 0; i < Size; ++i)
        s[i] = static_cast<char>('a' + (i * 7 + i / 100) % 26);
    return s;
}

bool Ended() { return DownloadStatus == dsFailed || DownloadStatus == dsSucceeded || NetStatus == nsNotConnected; }

} // namespace

TEST(NetThread, TemporaryFileSitsBesideTheTarget) {
    EXPECT_EQ(NetTempFileName(L"C:\\Temp\\info.dat"), L"C:\\Temp\\~~info.dat");
    EXPECT_EQ(NetTempFileName(L"info.dat"), L"~~info.dat");
    EXPECT_EQ(NetTempFileName(L"C:info.dat"), L"C:~~info.dat");
}

TEST(NetThread, LargeDownloadArrivesWhole) {
    Watchdog w(30000);
    loopback::HttpServer server;
    server.Serve("/probe", "ok");
    const std::string body = Pattern(150000);
    server.Serve("/big.dat", body);
    NetScope scope(server.Base() + L"/probe");
    TempDir dir;
    const std::wstring target = dir.File(L"big.dat");
    testing_support::WriteBytes(target, "old contents");
    int done = 0;
    ASSERT_TRUE(WinINetReady());
    ASSERT_TRUE(StartNetThread(server.Base() + L"/big.dat", target, [&](TObject*) { ++done; }, 0));
    EXPECT_FALSE(StartNetThread(server.Base() + L"/big.dat", target, nullptr, 0)); // one at a time
    ASSERT_TRUE(PumpUntil([&] { return done > 0; }, 20000));
    EXPECT_EQ(NetStatus.load(), nsConnected);
    EXPECT_EQ(DownloadStatus.load(), dsSucceeded);
    EXPECT_EQ(testing_support::ReadBytes(target), body);
    EXPECT_FALSE(testing_support::FileExistsW(dir.File(L"~~big.dat")));
    const std::wstring text = DownloadedText();
    ASSERT_EQ(text.size(), body.size());
    EXPECT_EQ(text.substr(0, 10), L"ahovcjqxel");
    EXPECT_EQ(static_cast<char>(text.back()), body.back());
}

TEST(NetThread, SmallDownloadAndConnectivityTestedOncePerRun) {
    Watchdog w(30000);
    loopback::HttpServer server;
    server.Serve("/probe", "ok");
    server.Serve("/small.dat", "Vorlane_Version=1.2.3.4\r\n");
    NetScope scope(server.Base() + L"/probe");
    TempDir dir;
    int done = 0;
    ASSERT_TRUE(StartNetThread(server.Base() + L"/small.dat", dir.File(L"s.dat"), [&](TObject*) { ++done; }, 0));
    ASSERT_TRUE(PumpUntil([&] { return done > 0; }, 20000));
    EXPECT_EQ(DownloadedText(), L"Vorlane_Version=1.2.3.4\r\n");
    EXPECT_EQ(testing_support::ReadBytes(dir.File(L"s.dat")), "Vorlane_Version=1.2.3.4\r\n");
    // A second download without FreeNetThread is refused; after it the test runs again.
    FreeNetThread();
    EXPECT_EQ(NetStatus.load(), nsUnknown);
    int probes = 0;
    for (const auto& r : server.Requests())
        probes += r == "/probe";
    EXPECT_EQ(probes, 1);
}

TEST(NetThread, MissingFileFailsAndModeDecidesTheCallback) {
    Watchdog w(30000);
    loopback::HttpServer server;
    server.Serve("/probe", "ok");
    NetScope scope(server.Base() + L"/probe");
    TempDir dir;
    int done = 0;
    ASSERT_TRUE(StartNetThread(server.Base() + L"/none.dat", dir.File(L"n.dat"), [&](TObject*) { ++done; }, 0));
    ASSERT_TRUE(PumpUntil(Ended, 20000));
    PumpFor(200);
    EXPECT_EQ(DownloadStatus.load(), dsFailed);
    EXPECT_EQ(done, 0);
    EXPECT_TRUE(DownloadedText().empty());
    EXPECT_FALSE(testing_support::FileExistsW(dir.File(L"n.dat")));

    FreeNetThread();
    ASSERT_TRUE(StartNetThread(server.Base() + L"/none.dat", dir.File(L"n.dat"), [&](TObject*) { ++done; }, 99));
    ASSERT_TRUE(PumpUntil([&] { return done > 0; }, 20000));
    EXPECT_EQ(DownloadStatus.load(), dsFailed);
}

TEST(NetThread, OfflineMeansNoDownload) {
    Watchdog w(30000);
    NetScope scope(L"http://127.0.0.1:" + std::to_wstring(loopback::ClosedPort()) + L"/probe");
    TempDir dir;
    int done = 0;
    ASSERT_TRUE(StartNetThread(L"http://127.0.0.1:1/x", dir.File(L"x.dat"), [&](TObject*) { ++done; }, 99));
    ASSERT_TRUE(PumpUntil([&] { return done > 0; }, 20000));
    EXPECT_EQ(NetStatus.load(), nsNotConnected);
    EXPECT_EQ(DownloadStatus.load(), dsNone);
}

// Every fault of the table fails the download within its bound, leaves the old file as
// it was and no temporary file, and leaves no worker behind.
TEST(NetThread, FaultsNeverReachTheTarget) {
    Watchdog w(120000);
    OnlineScope online;
    TempDir dir;
    const std::wstring target = dir.File(L"info.dat");
    const long long bound = 2 * httpfaults::TestLimits::Value().TotalMs + 1000; // status query and download
    for (const httpfaults::Fault& f : httpfaults::Table()) {
        httpfaults::TestLimits limits(f.MaxBytes);
        testing_support::WriteBytes(target, "old contents");
        {
            loopback::RawServer server(f.Serve, f.ReadRequest);
            int done = 0;
            const auto t0 = std::chrono::steady_clock::now();
            ASSERT_TRUE(StartNetThread(server.Base() + L"/info.dat", target, [&](TObject*) { ++done; }, 99));
            ASSERT_TRUE(PumpUntil([&] { return done > 0; }, 20000)) << f.Name;
            const long long ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
            EXPECT_LT(ms, bound) << f.Name;
            EXPECT_EQ(DownloadStatus.load(), dsFailed) << f.Name;
            EXPECT_EQ(testing_support::ReadBytes(target), "old contents") << f.Name;
            EXPECT_FALSE(testing_support::FileExistsW(NetTempFileName(target))) << f.Name;
            EXPECT_TRUE(DownloadedText().empty()) << f.Name;
            FreeNetThread();
        }
        EXPECT_TRUE(httpfaults::WorkersGone(10000)) << f.Name;
    }
}

// Closing the program while a download stalls: the thread ends within a second.
TEST(NetThread, FreeEndsAStalledDownloadAtOnce) {
    Watchdog w(30000);
    OnlineScope online;
    TempDir dir;
    {
        loopback::RawServer stalled([](SOCKET c, loopback::RawServer& s) {
            loopback::RawServer::Send(c, "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\nabc");
            s.Pause(60000);
        });
        ASSERT_TRUE(StartNetThread(stalled.Base() + L"/x.dat", dir.File(L"x.dat"), nullptr, 0));
        ASSERT_TRUE(PumpUntil([] { return DownloadStatus == dsRunning; }, 10000));
        PumpFor(200); // the download is waiting for the rest of the body (30 s bounds)
        const auto t0 = std::chrono::steady_clock::now();
        FreeNetThread();
        const long long ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
        EXPECT_LT(ms, 1000);
        EXPECT_FALSE(NetThreadExists());
        EXPECT_FALSE(testing_support::FileExistsW(dir.File(L"x.dat")));
    }
    EXPECT_TRUE(httpfaults::WorkersGone(10000));
}

// ------------------------------------------------------------------ the end at exit

namespace {

constexpr const char* ExitChildVariable = "VORLANE_NET_EXIT_CHILD";

} // namespace

TEST(NetThread, ExitChildLeavesADownloadAndAnAgentWaitRunning) {
    if (!std::getenv(ExitChildVariable))
        GTEST_SKIP() << "runs in a child process only";
    testing_support::EndProcessOnFault();
    // Everything here outlives the test: the threads still use it when main returns.
    auto* probe = new loopback::HttpServer;
    probe->Serve("/probe", "ok");
    auto* stalled = new loopback::RawServer([](SOCKET c, loopback::RawServer& s) {
        loopback::RawServer::Send(c, "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\nabc");
        s.Pause(60000);
    });
    auto* dir = new TempDir;
    SetNetProbeUrls({probe->Base() + L"/probe"});
    NetCheckConnectedState = false;
    ASSERT_TRUE(StartNetThread(stalled->Base() + L"/update.dat", dir->File(L"update.dat"), nullptr, 99));
    SetAgentProbe([] { return TAgentProbeResult::NotListening; });
    StartH3Thread(0, [](const std::wstring&, bool) {});
    ASSERT_TRUE(PumpUntil([] { return DownloadStatus == dsRunning; }, 10000));
    PumpFor(200);
    ASSERT_EQ(DownloadStatus.load(), dsRunning);
    ASSERT_TRUE(H3ThreadExists());
    // Leaves without stopping anything: the end steps must do it when main returns.
}

TEST(NetThread, AnExitWithADownloadAndAnAgentWaitRunningEndsCleanly) {
    if (std::getenv(ExitChildVariable))
        GTEST_SKIP();
    auto run = testing_support::RunChildTest("NetThread.ExitChildLeavesADownloadAndAnAgentWaitRunning",
                                             ExitChildVariable, 30000);
    ASSERT_TRUE(run.Started);
    EXPECT_TRUE(run.Ended);
    EXPECT_EQ(run.ExitCode, 0u) << std::hex << run.ExitCode;
    printf("child with a running download and agent wait: start to end %lu ms\n", run.ElapsedMs);
}
