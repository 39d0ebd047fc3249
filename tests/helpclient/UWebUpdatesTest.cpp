#include "UWebUpdates.h"

#include "../vcl/VclTestSupport.h"
#include "LoopbackServer.h"
#include "TestHarness.h"
#include "UAppSettings.h"
#include "UDLogFile.h"
#include "Timers.h"
#include "UNetThread.h"
#include "UShellExec.h"
#include "UTrayBalloon.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

std::unique_ptr<TTntStringList> ListOf(const std::wstring& Text) {
    auto l = std::make_unique<TTntStringList>();
    l->SetText(Text);
    return l;
}

// A configuration whose registry values live under a scratch key; the user's answers
// and the shell are recorded.
struct UpdateScope {
    TWebUpdateRec Config;
    std::vector<std::wstring> Questions;
    std::vector<std::wstring> Opened;
    bool Answer = false;
    TUserMessageHandler PreviousMsg;
    TShellExecuteFunc PreviousShell;
    std::wstring PreviousIe = g_ieVerStr;
    testing_support::TempDir Dir;
    UpdateScope() {
        Config.RegKey = L"Software\\VorlaneTests\\" + testing_support::UniqueName(L"Update");
        Config.LocalFile = Dir.File(L"zeb5info_vorlane.dat");
        Config.HomeUrl = L"https://home.invalid/vorlane/";
        Config.DelayMs = 10;
        g_ieVerStr = L"8.0.7601.17514";
        PreviousMsg = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& t, int) {
            Questions.push_back(t);
            return Answer;
        });
        PreviousShell = SetShellExecuteFunc(
            [this](HWND, const std::wstring&, const std::wstring& File, const std::wstring&, int) -> intptr_t {
                Opened.push_back(File);
                return 42;
            });
    }
    ~UpdateScope() {
        FreeTrayBalloon();
        FreeNetThread();
        SetUserMessageHandler(PreviousMsg);
        SetShellExecuteFunc(PreviousShell);
        g_ieVerStr = PreviousIe;
        RegDeleteTreeW(HKEY_CURRENT_USER, Config.RegKey.c_str());
    }
    void Store(const std::wstring& List, int Day) {
        RegWriteString(HKEY_CURRENT_USER, Config.RegKey, L"LastDLFile", List);
        RegWriteString(HKEY_CURRENT_USER, Config.RegKey, L"LastReadDate", std::to_wstring(Day));
    }
};

const wchar_t* const TenLines = L"a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng\r\nh\r\ni\r\nVorlane_Version=1.0.0.0\r\n";

} // namespace

TEST(WebUpdates, DownloadIsDueByDaysAndStoredLines) {
    const int today = 45000;
    EXPECT_FALSE(UpdateDownloadDue(L"44999", today, 5, 10)); // yesterday, 10 lines
    EXPECT_TRUE(UpdateDownloadDue(L"45000", today, 5, 1));   // read today but only 1 line
    EXPECT_TRUE(UpdateDownloadDue(L"44995", today, 5, 10));  // 5 days ago
    EXPECT_FALSE(UpdateDownloadDue(L"44996", today, 5, 10));
    EXPECT_TRUE(UpdateDownloadDue(L"45003", today, 5, 10));  // a date in the future
    EXPECT_TRUE(UpdateDownloadDue(L"", today, 5, 10));
    EXPECT_TRUE(UpdateDownloadDue(L"soon", today, 5, 10));
}

TEST(WebUpdates, NewsDecisions) {
    auto oldList = ListOf(L"x\r\nVorlane_Version=1.2.0.0\r\nVorlane_RSS=https://b.invalid/1\r\n");
    // Same version: nothing; a changed blog address: news.
    auto same = ListOf(L"VORLANE_VERSION= 1.2.0.0 \r\nVorlane_RSS=https://b.invalid/2\r\n");
    TUpdateNews n = DecideUpdateNews(oldList.get(), same.get(), L"1.2.0.0", L"Vorlane_Version=", L"Vorlane_RSS=");
    EXPECT_TRUE(n.NewVersion.empty());
    EXPECT_EQ(n.NewsUrl, L"https://b.invalid/2");
    // Newer than the old list and the program.
    auto newer = ListOf(L"Vorlane_Version=1.3\r\nVorlane_RSS=https://b.invalid/1\r\n");
    n = DecideUpdateNews(oldList.get(), newer.get(), L"1.2.0.0", L"Vorlane_Version=", L"Vorlane_RSS=");
    EXPECT_EQ(n.NewVersion, L"1.3");
    EXPECT_TRUE(n.NewsUrl.empty());
    // Newer than the list but not than the program that runs.
    n = DecideUpdateNews(oldList.get(), newer.get(), L"1.3.0.1", L"Vorlane_Version=", L"Vorlane_RSS=");
    EXPECT_TRUE(n.NewVersion.empty());
    // No version in the old list: the program's own version counts; '1.2' equals '1.2.0.5'.
    auto empty = ListOf(L"");
    auto partial = ListOf(L"Vorlane_Version=1.2\r\n");
    n = DecideUpdateNews(empty.get(), partial.get(), L"1.2.0.5", L"Vorlane_Version=", L"Vorlane_RSS=");
    EXPECT_TRUE(n.NewVersion.empty());
}

TEST(WebUpdates, OnlyWebAddressesAreOpened) {
    EXPECT_TRUE(IsWebAddress(L"http://a.invalid/"));
    EXPECT_TRUE(IsWebAddress(L"HTTPS://a.invalid/"));
    EXPECT_FALSE(IsWebAddress(L"file:///c:/windows/system32/calc.exe"));
    EXPECT_FALSE(IsWebAddress(L"c:\\x.exe"));
    EXPECT_FALSE(IsWebAddress(L" http://a.invalid/"));
}

TEST(WebUpdates, StartupTimerFollowsTheStoredList) {
    Watchdog w(15000);
    UpdateScope s;
    s.Store(TenLines, TodayDayNumber() - 1);
    {
        TWebUpdates u(s.Config);
        EXPECT_EQ(u.TimerId, 0u);
        EXPECT_EQ(u.OldList->Count(), 10);
        std::wstring v;
        EXPECT_TRUE(u.GetListValue(L"Vorlane_Version=", v));
        EXPECT_EQ(v, L"1.0.0.0");
    }
    s.Store(L"one line", TodayDayNumber());
    {
        TWebUpdates u(s.Config);
        EXPECT_NE(u.TimerId, 0u);
    }
    s.Config.Enabled = false;
    s.Store(L"", 0);
    TWebUpdates off(s.Config);
    EXPECT_EQ(off.TimerId, 0u);
}

TEST(WebUpdates, AutomaticCheckStoresTheListAndShowsTheBlogBalloon) {
    Watchdog w(30000);
    UpdateScope s;
    loopback::HttpServer server;
    server.Serve("/probe", "ok");
    server.Serve("/three.dat", "a\r\nb\r\nVorlane_RSS=https://b.invalid/2\r\n");
    server.Serve("/update.dat",
                 "line1\r\nline2\r\nVorlane_Version=0.0.0.1\r\nVorlane_RSS=file:///c:/evil.exe\r\n");
    SetNetProbeUrls({server.Base() + L"/probe"});
    NetCheckConnectedState = false;
    s.Store(L"a\r\nVorlane_Version=0.0.0.1\r\nVorlane_RSS=https://b.invalid/1\r\n", 0);

    // A list of 3 lines is not stored.
    s.Config.UpdateUrl = server.Base() + L"/three.dat";
    {
        TWebUpdates u(s.Config);
        u.ExeVersion = L"0.0.0.1";
        int infos = 0;
        u.SetOnUpdateInfo([&](TObject*) { ++infos; });
        ASSERT_NE(u.TimerId, 0u);
        ASSERT_TRUE(PumpUntil([&] { return infos > 0; }, 20000));
        EXPECT_TRUE(u.Started);
        EXPECT_FALSE(u.GotList);
        EXPECT_EQ(TrayBalloon(), nullptr);
    }
    FreeNetThread();
    s.Config.UpdateUrl = server.Base() + L"/update.dat";
    {
        TWebUpdates u(s.Config);
        u.ExeVersion = L"0.0.0.1";
        int infos = 0;
        u.SetOnUpdateInfo([&](TObject*) { ++infos; });
        ASSERT_TRUE(PumpUntil([&] { return infos > 0; }, 20000));
        EXPECT_TRUE(u.GotList);
        std::wstring stored;
        RegReadString(HKEY_CURRENT_USER, s.Config.RegKey, L"LastDLFile", stored);
        EXPECT_EQ(stored, L"line1\r\nline2\r\nVorlane_Version=0.0.0.1\r\nVorlane_RSS=file:///c:/evil.exe\r\n");
        std::wstring day;
        RegReadString(HKEY_CURRENT_USER, s.Config.RegKey, L"LastReadDate", day);
        EXPECT_EQ(day, std::to_wstring(TodayDayNumber()));
        // Same version: the blog balloon; its address is no web address, so a click opens nothing.
        ASSERT_NE(TrayBalloon(), nullptr);
        EXPECT_STREQ(TrayBalloon()->IconData().szInfoTitle, L"Vorlane Blog Update");
        EXPECT_TRUE(TrayBalloon()->Url.empty());
        SendMessageW(TrayBalloon()->Window(), TTrayBalloonTip::CallbackMessage, 0, NIN_BALLOONUSERCLICK);
        EXPECT_TRUE(s.Opened.empty());
    }
    SetNetProbeUrls({DefaultHomeUrl});
    NetCheckConnectedState = true;
}

TEST(WebUpdates, ManualCheckOfflineOffersTheWebPage) {
    Watchdog w(30000);
    UpdateScope s;
    SetNetProbeUrls({L"http://127.0.0.1:" + std::to_wstring(loopback::ClosedPort()) + L"/"});
    NetCheckConnectedState = false;
    s.Config.Enabled = false;
    s.Config.UpdateUrl = L"http://127.0.0.1:1/update.dat";
    s.Answer = true;
    TWebUpdates u(s.Config);
    u.CheckForUpdatesNow();
    ASSERT_EQ(s.Questions.size(), 1u);
    EXPECT_EQ(s.Questions[0], L"Could not connect to the web.\r\rOpen Vorlane web page?");
    ASSERT_EQ(s.Opened.size(), 1u);
    EXPECT_EQ(s.Opened[0], s.Config.HomeUrl);
    SetNetProbeUrls({DefaultHomeUrl});
    NetCheckConnectedState = true;
}

TEST(WebUpdates, ManualCheckOnlineTellsOfTheNewerVersion) {
    Watchdog w(30000);
    UpdateScope s;
    loopback::HttpServer server;
    server.Serve("/probe", "ok");
    server.Serve("/update.dat", "1\r\n2\r\n3\r\nVorlane_Version=9.8.7.6\r\n");
    SetNetProbeUrls({server.Base() + L"/probe"});
    NetCheckConnectedState = false;
    s.Config.Enabled = false;
    s.Config.UpdateUrl = server.Base() + L"/update.dat";
    TWebUpdates u(s.Config);
    u.ExeVersion = L"1.0.0.0";
    u.CheckForUpdatesNow();
    ASSERT_EQ(s.Questions.size(), 1u);
    EXPECT_EQ(s.Questions[0], L"Vorlane version 9.8.7.6 is now available for download.\r\rOpen Vorlane web page?");
    EXPECT_TRUE(s.Opened.empty()); // answered No
    EXPECT_TRUE(u.GotList);
    // Now up to date: the second check uses the list of this run.
    u.ExeVersion = L"9.8.7.6";
    u.CheckForUpdatesNow();
    ASSERT_EQ(s.Questions.size(), 2u);
    EXPECT_EQ(s.Questions[1], L"You have the latest version of Vorlane");
    SetNetProbeUrls({DefaultHomeUrl});
    NetCheckConnectedState = true;
}

TEST(WebUpdates, ADownloadThatEndsWhileFreeingIsNotProcessed) {
    Watchdog w(30000);
    UpdateScope s;
    loopback::HttpServer server;
    server.Serve("/probe", "ok");
    server.Serve("/update.dat", "1\r\n2\r\n3\r\nVorlane_Version=9.8.7.6\r\n");
    SetNetProbeUrls({server.Base() + L"/probe"});
    NetCheckConnectedState = false;
    s.Store(L"one line", 0);
    s.Config.UpdateUrl = server.Base() + L"/update.dat";
    int infos = 0;
    {
        TWebUpdates u(s.Config);
        u.ExeVersion = L"1.0.0.0";
        u.SetOnUpdateInfo([&](TObject*) { ++infos; });
        // The download ends; its remaining calls (log lines and the completion) wait
        // for the GUI thread, which now frees the object.
        ASSERT_TRUE(PumpUntil([] { return DownloadStatus == dsSucceeded; }, 20000));
    }
    EXPECT_EQ(infos, 0);
    EXPECT_EQ(TrayBalloon(), nullptr);
    std::wstring stored;
    RegReadStringDef(HKEY_CURRENT_USER, s.Config.RegKey, L"LastDLFile", stored, L"");
    EXPECT_EQ(stored, L"one line");
    SetNetProbeUrls({DefaultHomeUrl});
    NetCheckConnectedState = true;
}

TEST(WebUpdates, AManualCheckThatWaitsEndsWhenTheProgramCancelsOrFreesIt) {
    Watchdog w(60000);
    UpdateScope s;
    loopback::HttpServer probe;
    probe.Serve("/probe", "ok");
    // The update list never comes.
    loopback::RawServer stalled([](SOCKET, loopback::RawServer& Server) { Server.Pause(120000); });
    SetNetProbeUrls({probe.Base() + L"/probe"});
    NetCheckConnectedState = false;
    s.Config.Enabled = false;
    s.Config.UpdateUrl = stalled.Base() + L"/update.dat";
    TTimer timer(nullptr);
    timer.SetInterval(300);

    // The main window closes while the check waits: the check ends, asking nothing.
    {
        TWebUpdates u(s.Config);
        bool waited = false;
        timer.OnTimer = [&](TObject*) {
            timer.SetEnabled(false);
            waited = u.Checking();
            u.CancelCheck();
        };
        timer.SetEnabled(true);
        u.CheckForUpdatesNow();
        EXPECT_TRUE(waited);
        EXPECT_FALSE(u.Checking());
        EXPECT_TRUE(s.Questions.empty());
    }

    // The checker is freed while its check waits: it goes once the wait has ended.
    CreateWebUpdates(s.Config);
    TWebUpdates* checker = WebUpdates;
    timer.OnTimer = [&](TObject*) {
        timer.SetEnabled(false);
        FreeWebUpdates();
    };
    timer.SetEnabled(true);
    checker->CheckForUpdatesNow();
    EXPECT_EQ(WebUpdates, nullptr);
    EXPECT_TRUE(s.Questions.empty());
    SetNetProbeUrls({DefaultHomeUrl});
    NetCheckConnectedState = true;
}
