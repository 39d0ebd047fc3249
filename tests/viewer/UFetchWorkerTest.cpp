// A request on a worker: the waiting thread keeps polling, can give up, and the worker
// that was given up finishes on its own.
#include "UFetchWorker.h"

#include "FixedAgentEnvironment.h"
#include "Handles.h"
#include "UAgentLink.h"
#include "UH3_Code.h"
#include "UIndexLoader.h"

#include <gtest/gtest.h>

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
