// A request on a worker: the waiting thread keeps polling, can give up, and the worker
// that was given up finishes on its own.
#include "UFetchWorker.h"

#include "FixedAgentEnvironment.h"
#include "Forms.h"
#include "Handles.h"
#include "Threads.h"
#include "UAgentLink.h"
#include "UH3_Agent.h"
#include "UH3_Code.h"
#include "UIndexLoader.h"
#include "../helpclient/LoopbackServer.h"

#include <gtest/gtest.h>

#include <memory>

TEST(FetchWorker, RepliesOrGivesUpWhileThePollRuns) {
    std::wstring reply;
    int polls = 0;
    EXPECT_TRUE(FetchWhilePolling([] { return std::wstring(L"answer"); }, [&] { return ++polls > 1000; }, reply, 5));
    EXPECT_EQ(reply, L"answer");
    // Its worker frees itself just after the reply (on a loaded machine a moment later), as
    // do workers that earlier tests left behind.
    for (int i = 0; i < 500 && RunningFetchWorkers() > 0; ++i) Sleep(10);
    ASSERT_EQ(RunningFetchWorkers(), 0);

    // A request that hangs until released: the poll runs meanwhile and gives up.
    auto release = std::make_shared<TKernelHandle>(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    HANDLE event = release->Get();
    polls = 0;
    EXPECT_FALSE(FetchWhilePolling(
        [release] {
            WaitForSingleObject(release->Get(), 10000);
            return std::wstring(L"late");
        },
        [&] { return ++polls == 5; }, reply, 5));
    EXPECT_EQ(polls, 5);
    EXPECT_TRUE(reply.empty());
    EXPECT_EQ(RunningFetchWorkers(), 1);
    SetEvent(event);
    for (int i = 0; i < 500 && RunningFetchWorkers() > 0; ++i) Sleep(10);
    EXPECT_EQ(RunningFetchWorkers(), 0);

    // A request that sends a message to a window of the waiting thread is answered even
    // when the poll handles no messages.
    HWND window = CreateWindowExW(0, L"STATIC", L"title", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(FetchWhilePolling(
        [window] {
            wchar_t text[16] = {};
            SendMessageW(window, WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
            return std::wstring(text);
        },
        [] { return false; }, reply, 5));
    EXPECT_EQ(reply, L"title");
    DestroyWindow(window);

    // An exception in the request is no answer.
    EXPECT_TRUE(FetchWhilePolling([]() -> std::wstring { throw 1; }, {}, reply));
    EXPECT_TRUE(reply.empty());
}

// An agent that takes the connection and never answers: a cancel ends the load at once,
// and the request left behind ends when the agent goes.
TEST(FetchWorker, ACancelEndsTheWaitForAStalledAgent) {
    WSADATA wsa;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    int len = sizeof addr;
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    ASSERT_EQ(listen(listener, 4), 0);  // connections are taken but never answered

    TFixedAgentEnvironment env;
    env.PortText = std::to_wstring(ntohs(addr.sin_port));
    TH3Paths paths{TH3RegistryPlace{nullptr}};
    TH3Code code(&paths, &env);
    TH3CodeLink link(&code);
    TKeywordList list;
    TKeywordLoader loader(list, link);
    struct Hooks : TWorkerIndexHooks {
        int Polls = 0;
        bool Cancelled() override { return ++Polls >= 10; }
    } hooks;
    hooks.PollMs = 10;
    const TIndexLoadReport r = loader.LoadFull(100, L"", L"", hooks);
    EXPECT_EQ(r.End, TIndexLoadEnd::Cancelled);
    EXPECT_EQ(hooks.Polls, 10);
    EXPECT_EQ(r.Pages, 1);

    closesocket(listener);
    for (int i = 0; i < 1000 && RunningFetchWorkers() > 0; ++i) Sleep(10);
    EXPECT_EQ(RunningFetchWorkers(), 0);
    WSACleanup();
}

// A request made on the GUI thread and run on a worker uses what the program had when it was
// made: the title as its user agent, the agent program's name when it finds the agent again
// after a failure. The GUI thread may change or free them meanwhile. Its trace lines reach the
// debug log on the GUI thread.
TEST(FetchWorker, ARequestUsesWhatTheGuiThreadHadWhenItWasMade) {
    loopback::HttpServer server; // every path fails (404)
    wchar_t own[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, own, MAX_PATH);
    TH3Paths self{TH3RegistryPlace{nullptr, L"", L""}};
    self.AgentPath.assign(own, n);
    const uint32_t gone = DefaultAgentEnvironment().AgentProcessId(self); // kept: the agent the URL names
    ASSERT_EQ(gone, GetCurrentProcessId());
    DWORD running = 0;
    ASSERT_TRUE(FindProcessId(L"services.exe", running)); // the agent found after the failure
    auto paths = std::make_unique<TH3Paths>(TH3RegistryPlace{nullptr, L"", L""});
    paths->AgentPath = L"C:\\windows\\system32\\services.exe";
    TH3Paths* const before = H3Paths;
    H3Paths = paths.get();
    const std::wstring title = Application->Title();
    Application->SetTitle(L"Title when made");
    struct TSink : TH3TraceSink {
        std::vector<DWORD> Threads;
        int Lines = 0;
        bool Showing() override {
            Threads.push_back(GetCurrentThreadId());
            return true;
        }
        void Log(const std::wstring&, bool) override {
            Threads.push_back(GetCurrentThreadId());
            ++Lines;
        }
    } sink;
    CheckSynchronize(); // lines of earlier tests' requests
    TH3TraceSink* const sinkBefore = SetH3TraceSink(&sink);

    const TFetchRequest request = UrlRequest(server.Base() + L"/help/1-" + std::to_wstring(gone) + L"/ms.help?x=1");
    Application->SetTitle(L"Title later");
    H3Paths = nullptr;
    paths.reset();
    std::wstring reply = L"old";
    EXPECT_TRUE(FetchWhilePolling(request, {}, reply, 5));
    EXPECT_EQ(reply, L"");
    const std::vector<std::string> asked = server.Requests();
    EXPECT_EQ(asked.size(), 2u) << "asked again of the agent running now";
    if (asked.size() == 2) {
        EXPECT_EQ(asked[1], "/help/1-" + std::to_string(running) + "/ms.help?x=1");
    }
    for (const std::string& agent : server.UserAgents())
        EXPECT_EQ(agent, "Title when made");
    for (int i = 0; i < 100 && sink.Lines == 0; ++i)
        CheckSynchronize(10);
    EXPECT_EQ(sink.Lines, 1);
    for (DWORD thread : sink.Threads)
        EXPECT_EQ(thread, GetCurrentThreadId());

    SetH3TraceSink(sinkBefore);
    Application->SetTitle(title);
    H3Paths = before;
    ForgetAgentProcessId();
}

