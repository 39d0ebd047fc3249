#include "UNetThread.h"

#include "../vcl/VclTestSupport.h"
#include "LoopbackServer.h"
#include "TestHarness.h"

#include <gtest/gtest.h>

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
