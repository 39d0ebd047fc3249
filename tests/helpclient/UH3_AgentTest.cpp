// Agent requests against a loopback HTTP server inside the test, the port probe and the
// process searches.
#include "UH3_Agent.h"

#include "LoopbackServer.h"
#include "SysUtils.h"
#include "TestHarness.h"
#include "UAppSettings.h"
#include "UH3_Code.h"
#include "UHttpRequest.h"
#include "URequestWait.h"
#include "TntStdCtrls.h"
#include "../vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tlhelp32.h>

using testing_support::UniqueName;

namespace {

// The address of a path on the loopback server.
std::wstring Url(const loopback::HttpServer& server, const std::string& path) {
    return server.Base() + std::wstring(path.begin(), path.end());
}

// A runtime registry place below a scratch key of the current user.
struct TScratchPlace {
    std::wstring Base = L"Software\\VorlaneTest\\" + UniqueName(L"hc1agent");
    TH3RegistryPlace Place{HKEY_CURRENT_USER, L"\\" + Base + L"\\Help\\v1.0", L"\\" + Base + L"\\Help3"};
    ~TScratchPlace() { RegDeleteTreeW(HKEY_CURRENT_USER, Base.c_str()); }
};

const std::wstring Sample = L"<html><head><title>Gr\u00FC\u00DFe \u20AC \u4E2D\u6587</title></head></html>";

// The text HttpGetTextStreamed gives: its pieces when it streamed, else its whole text.
std::wstring Streamed(const std::wstring& Url, bool& Whole) {
    std::wstring pieces, text = L"old";
    Whole = HttpGetTextStreamed(Url, text, [&](std::wstring_view Piece, size_t) { pieces.append(Piece); });
    return Whole ? pieces : text;
}

} // namespace

TEST(HttpGetText, DecodesByMarkOrContent) {
    loopback::HttpServer server;
    const std::string utf8 = WideToUtf8(Sample);
    std::string utf16 = "\xFF\xFE";
    utf16.append(reinterpret_cast<const char*>(Sample.data()), Sample.size() * 2);
    server.Serve("/bom", "\xEF\xBB\xBF" + utf8);
    server.Serve("/plain", utf8);
    server.Serve("/utf16", utf16);
    // Without a mark UTF-16 is recognised by its zero bytes (in a reply of some length).
    std::wstring longSample;
    for (int i = 0; i < 20; ++i) longSample += Sample;
    server.Serve("/utf16nomark",
                 std::string(reinterpret_cast<const char*>(longSample.data()), longSample.size() * 2));
    server.Serve("/empty", "");
    server.Serve("/latin1", "<a>caf\xE9 " + utf8 + "</a>"); // not UTF-8: read as ANSI
    server.ServeMissing("no such page");

    for (const char* path : {"/bom", "/plain", "/utf16"}) {
        std::wstring text = L"old";
        HttpGetText(Url(server, path), text);
        EXPECT_EQ(Sample, text) << path;
    }
    // Read as it arrives, a reply gives what it gives read whole, streamed only where the
    // pieces read as the whole reply does.
    for (const char* path : {"/bom", "/plain", "/utf16", "/utf16nomark", "/empty", "/latin1", "/missing"}) {
        std::wstring whole;
        HttpGetText(Url(server, path), whole);
        bool streamed = false;
        EXPECT_EQ(Streamed(Url(server, path), streamed), whole) << path;
        EXPECT_EQ(streamed, std::string(path) == "/bom" || std::string(path) == "/plain") << path;
    }
    std::wstring text;
    HttpGetText(Url(server, "/utf16nomark"), text);
    EXPECT_EQ(longSample, text);
    // An error page is no reply.
    HttpGetText(Url(server, "/missing"), text);
    EXPECT_EQ(L"", text);
    HttpGetText(Url(server, "/empty"), text);
    EXPECT_EQ(L"", text);

    TH3Code code;
    code.HttpGet(Url(server, "/plain"), text);
    EXPECT_EQ(Sample, text);
}

TEST(HttpGetText, BodiesOverTwoMegabytes) {
    loopback::HttpServer server;
    std::string big;
    big.reserve(5 * 1024 * 1024 + 100);
    for (int i = 0; big.size() < 5u * 1024 * 1024; ++i) big += "<k>keyword " + std::to_string(i) + "</k>\n";
    big += "<end/>";
    // Characters of two, three and four bytes, over the reads' boundaries.
    std::wstring wide;
    for (int i = 0; wide.size() < 3u * 1024 * 1024; ++i)
        wide += L"<k>\u00E9\u20AC\U0001F600 " + std::to_wstring(i) + L"</k>\n";
    server.Serve("/wide", WideToUtf8(wide));
    const std::string exact(0x200000, 'x');
    server.Serve("/big", big);
    server.Serve("/exact", exact);

    std::wstring text;
    HttpGetText(Url(server, "/big"), text);
    ASSERT_EQ(big.size(), text.size());
    EXPECT_EQ(std::wstring(big.begin(), big.end()), text);
    HttpGetText(Url(server, "/exact"), text);
    EXPECT_EQ(exact.size(), text.size());
    bool streamed = false;
    EXPECT_TRUE(Streamed(Url(server, "/wide"), streamed) == wide);
    EXPECT_TRUE(streamed);
}

TEST(HttpGetText, AgentDownGivesEmptyTextAfterTheRetries) {
    const int port = loopback::ClosedPort();
    std::wstring text = L"old";
    const auto t0 = std::chrono::steady_clock::now();
    HttpGetText(L"http://127.0.0.1:" + std::to_wstring(port) + L"/help/1/ms.help?product=VS", text);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    EXPECT_EQ(L"", text);
    EXPECT_GE(waited.count(), 450) << "five tries, each followed by 100 ms";
    HttpGetText(L"not a url", text);
    EXPECT_EQ(L"", text);
}

// On the GUI thread a request that does not answer keeps the window answering, shows the
// cancel window, and Cancel fails it at once, with the rest of the action; input sent
// meanwhile is handled after the wait, not inside it.
TEST(HttpGetText, OnTheGuiThreadAStalledRequestShowsTheCancelWindowAndCancelEndsIt) {
    vcltest::Watchdog w(30000);
    loopback::RawServer stalled([](SOCKET, loopback::RawServer& s) { s.Pause(60000); });
    TForm owner(nullptr);
    owner.SetBounds(50, 50, 300, 200);
    TTntEdit* edit = new TTntEdit(&owner);
    edit->SetParent(&owner);
    owner.Show();
    UseGuiRequestWait();
    PostMessageW(edit->Handle(), WM_CHAR, L'x', 0);
    std::atomic<bool> shown{false}, answered{false};
    std::thread user([&] {
        HWND form = nullptr;
        for (int i = 0; i < 500 && !shown; ++i) {
            form = FindWindowW(L"TCancelForm.UnicodeClass", nullptr);
            shown = form && IsWindowVisible(form);
            Sleep(10);
        }
        DWORD_PTR r = 0;
        answered = SendMessageTimeoutW(owner.Handle(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &r) != 0;
        if (HWND cancel = form ? FindWindowExW(form, nullptr, L"TTntButton.UnicodeClass", nullptr) : nullptr)
            PostMessageW(cancel, BM_CLICK, 0, 0);
    });
    std::wstring text = L"old";
    const auto t0 = std::chrono::steady_clock::now();
    HttpGetText(stalled.Base() + L"/help/1/ms.help?method=children", text);
    const auto ms = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    };
    user.join();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(answered);
    EXPECT_EQ(L"", text);
    EXPECT_LT(ms(), 6000);
    EXPECT_EQ(L"", edit->GetText());
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_TRUE(RequestActionCancelled());
    const auto before = ms();
    HttpGetText(stalled.Base() + L"/help/1/ms.help?method=toc", text);
    EXPECT_LT(ms() - before, 1000) << "the rest of the action gives up without a window";
    EXPECT_EQ(1, RequestWaitInfo().WindowsShown);
    EXPECT_EQ(L"", text);
    Application->ProcessMessages();
    EXPECT_EQ(L"x", edit->GetText());
    EndRequestAction();
    UseGuiRequestWait(false);
}

namespace {
int g_Ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_Ticks; }
} // namespace

// Requests one after another, each within the quiet moment, share it: once the thread has
// not answered its messages for that long, the next request lets them run (timers here).
TEST(HttpGetText, OnTheGuiThreadRequestsInARowShareOneQuietMoment) {
    vcltest::Watchdog w(30000);
    loopback::RawServer quick([](SOCKET Client, loopback::RawServer& s) {
        s.Pause(static_cast<int>(RequestQuietMs / 2));
        loopback::RawServer::Send(Client, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    });
    const UINT_PTR timer = SetTimer(nullptr, 0, 5, &CountTick);
    UseGuiRequestWait();
    const int waits = RequestWaitInfo().Waits;
    Sleep(20);
    Application->ProcessMessages(); // the thread answers now
    g_Ticks = 0;
    std::wstring text;
    for (int i = 0; i < 6; ++i) {
        HttpGetText(quick.Base() + L"/help/1/ms.help?method=children&i=" + std::to_wstring(i), text);
        EXPECT_EQ(L"ok", text);
    }
    EXPECT_GT(g_Ticks, 0) << "no message ran through six requests of half a quiet moment each";
    EXPECT_GT(RequestWaitInfo().Waits, waits);
    KillTimer(nullptr, timer);
    UseGuiRequestWait(false);
}

namespace {
// The threads of this process.
std::set<DWORD> OwnThreads() {
    std::set<DWORD> ids;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ids.insert(entry.th32ThreadID);
    CloseHandle(snapshot);
    return ids;
}
} // namespace

// The requests of a group run on the standing request workers: another group starts no
// thread of its own.
TEST(HttpGetTexts, GroupsRunOnTheStandingWorkers) {
    std::mutex lock;
    std::set<DWORD> serving, seen;
    std::atomic<bool> look{false};
    loopback::RawServer server([&](SOCKET Client, loopback::RawServer& s) {
        s.Pause(200); // all four requests are running now
        std::set<DWORD> now = look ? OwnThreads() : std::set<DWORD>();
        {
            std::lock_guard<std::mutex> hold(lock);
            serving.insert(GetCurrentThreadId());
            seen.insert(now.begin(), now.end());
        }
        loopback::RawServer::Send(Client, "HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nok");
    });
    std::vector<std::wstring> urls;
    for (int i = 0; i < 4; ++i) urls.push_back(server.Base() + L"/help/1/ms.help?i=" + std::to_wstring(i));
    EXPECT_EQ(HttpGetTexts(urls), std::vector<std::wstring>(4, L"ok"));
    const std::set<DWORD> before = OwnThreads();
    look = true;
    EXPECT_EQ(HttpGetTexts(urls), std::vector<std::wstring>(4, L"ok"));
    std::vector<DWORD> started;
    for (DWORD id : seen)
        if (!before.count(id) && !serving.count(id)) started.push_back(id);
    EXPECT_EQ(started.size(), 0u);
}

// On the GUI thread a probe of a port that takes no connection (the full backlog of a hung
// agent) runs inside the wait: the window's messages (timers here) run meanwhile.
TEST(PortProbe, OnTheGuiThreadAProbeOfAFullBacklogLetsMessagesRun) {
    vcltest::Watchdog w(30000);
    loopback::FullBacklog server;
    TScratchPlace reg;
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.RuntimeKey, L"AppRoot", L"C:\\Help"));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.RuntimeKey, L"AgentPort", std::to_wstring(server.Port())));
    const TH3Paths paths(reg.Place);
    const UINT_PTR timer = SetTimer(nullptr, 0, 5, &CountTick);
    UseGuiRequestWait();
    Application->ProcessMessages();
    g_Ticks = 0;
    EXPECT_FALSE(IsHelpAgentListening(paths));
    EXPECT_GT(g_Ticks, 0) << "no message ran during the probe";
    KillTimer(nullptr, timer);
    UseGuiRequestWait(false);
}

TEST(PortProbe, AgentPortFromTheRegistry) {
    loopback::HttpServer server;
    EXPECT_TRUE(PortTCP_IsOpen(server.Port()));
    EXPECT_FALSE(PortTCP_IsOpenOn(server.Port(), "not.an.address"));
    for (int port : {0, -1, 65536}) EXPECT_FALSE(PortTCP_IsOpen(port)) << port;
    TScratchPlace reg;
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.RuntimeKey, L"AppRoot", L"C:\\Help"));
    const TH3Paths paths(reg.Place);
    const std::wstring port = std::to_wstring(server.Port());
    const struct {
        std::wstring Value;
        bool Listening;
    } rows[] = {
        {port, true}, {L" " + port + L" ", true}, {L"abc", false}, {L"70000", false},
        {L"0", false}, {L"-5", false},            {L"12ab", false}, {std::to_wstring(loopback::ClosedPort()), false},
    };
    for (const auto& r : rows) {
        ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.RuntimeKey, L"AgentPort", r.Value));
        bool listening = !r.Listening;
        EXPECT_NO_THROW(listening = IsHelpAgentListening(paths)) << r.Value;
        EXPECT_EQ(r.Listening, listening) << r.Value;
    }
}

// The pre-release runtime: the probe tests the port its URLs use (the listener's).
TEST(PortProbe, PreReleaseRuntimeProbesTheListenerPort) {
    loopback::HttpServer server;
    TScratchPlace reg;
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.BetaKey, L"AppRoot", L"C:\\Help3"));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.BetaKey, L"ListenerPort", std::to_wstring(server.Port())));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.RuntimeKey, L"AgentPort", std::to_wstring(loopback::ClosedPort())));
    TH3Paths paths(reg.Place);
    ASSERT_TRUE(paths.IsHelp3Beta);
    EXPECT_TRUE(IsHelpAgentListening(paths));

    TH3Code code(&paths, nullptr);
    std::wstring base;
    paths.SetHelpDllVersion(1, 0, 0, 0); // first release: no process id, no agent start
    code.GetAgentBaseUrl(base);
    EXPECT_EQ(L"http://127.0.0.1:" + std::to_wstring(server.Port()) + L"/help/1/ms.help?", base);
}

TEST(ProcessSearch, FindsProcessesByNameFoldingAToZ) {
    wchar_t own[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring name(own, n);
    name = name.substr(name.rfind(L'\\') + 1);
    std::wstring upper = name;
    for (wchar_t& c : upper)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);

    DWORD pid = 0;
    EXPECT_TRUE(FindProcessId(upper, pid));
    EXPECT_EQ(GetCurrentProcessId(), pid);
    pid = 123;
    EXPECT_FALSE(FindProcessId(L"no such program " + UniqueName(L"p") + L".exe", pid));
    EXPECT_EQ(0u, pid);

    TH3Paths paths{TH3RegistryPlace{nullptr, L"", L""}};
    paths.AgentPath = std::wstring(own, n);
    EXPECT_TRUE(IsHelpLibAgentRunning(paths));
    paths.AgentPath = L"C:\\Help3\\" + UniqueName(L"listener") + L".exe";
    EXPECT_FALSE(IsHelpLibAgentRunning(paths));
}
