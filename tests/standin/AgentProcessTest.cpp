// The agent as a process: HTTP through WinINet, the process-id rule, its switches, and
// robustness against malformed and concurrent requests.
#include "SampleStore.h"
#include "StFiles.h"

#include <thread>

using namespace standin_test;

namespace {

const std::wstring kProduct = L"product=VS&productVersion=100&locale=en-US&";

std::wstring DllPath(const std::wstring& version) { return DistDir() + L"\\dll\\" + version + L"\\Microsoft.Help.dll"; }

bool UseDll(const Installation& inst, const std::wstring& version) {
    std::wstring target = inst.appRoot + L"\\Microsoft.Help.dll";
    if (version.empty()) return DeleteFileW(target.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
    return CopyFileW(DllPath(version).c_str(), target.c_str(), FALSE) != 0;
}

std::string StatusLine(const std::string& answer) { return answer.substr(0, answer.find("\r\n")); }
std::string Body(const std::string& answer) {
    size_t p = answer.find("\r\n\r\n");
    return p == std::string::npos ? "" : answer.substr(p + 4);
}

class StandinAgentProcess : public ::testing::Test {
protected:
    void SetUp() override {
        sample = &SampleStore::Get();
        ASSERT_TRUE(sample->loaded) << sample->inst.output;
    }
    SampleStore* sample = nullptr;
};

}  // namespace

TEST_F(StandinAgentProcess, ServesGoldenRepliesThroughWinInetAndLogsRawTargets) {
    ASSERT_TRUE(UseDll(sample->inst, L"1.0.40219.1"));
    AgentProcess agent;
    ASSERT_TRUE(agent.Start(sample->inst, FreePort()));
    ASSERT_TRUE(agent.WaitForPort());
    std::wstring base = agent.Base(true);
    HttpResult children = HttpGet(base + kProduct + L"method=children&id=-1&format=xml");
    EXPECT_EQ(children.status, 200u);
    EXPECT_EQ(children.body, sample->Ask("method=children&id=-1&format=xml"));
    HttpResult keywords = HttpGet(base + kProduct + L"method=keywords&query=%253C&format=xml&pagesize=2000&pagenumber=1");
    EXPECT_EQ(keywords.body, sample->Ask("method=keywords&query=%253C&format=xml&pagesize=2000&pagenumber=1"));
    // WinINet sends '<', '>', '|', '"' as they are and escapes blanks
    HttpGet(base + kProduct + L"method=keywords&query=<a|b>\"c d&format=xml");
    auto log = agent.RequestLog();
    ASSERT_EQ(log.size(), 3u);
    std::string prefix = "/help/1-" + std::to_string(agent.Pid()) + "/ms.help?product=VS&productVersion=100&locale=en-US&";
    EXPECT_EQ(log[0], prefix + "method=children&id=-1&format=xml");
    EXPECT_EQ(log[2], prefix + "method=keywords&query=<a|b>\"c%20d&format=xml");
    // the private quit request ends the agent normally
    HttpGet(L"http://127.0.0.1:" + std::to_wstring(agent.Port()) + L"/standin/quit");
    EXPECT_EQ(agent.WaitExit(5000), 0);
}

TEST_F(StandinAgentProcess, ProcessIdRuleFollowsTheDllVersion) {
    struct Case {
        const wchar_t* dll;
        bool pid;
    } cases[] = {{L"1.0.30128.0", false}, {L"1.0.30306.0", true}, {L"10.0.30319.1", false}, {L"", true}};
    for (auto& c : cases) {
        ASSERT_TRUE(UseDll(sample->inst, c.dll));
        AgentProcess agent;
        ASSERT_TRUE(agent.Start(sample->inst, FreePort()));
        ASSERT_TRUE(agent.WaitForPort());
        std::wstring q = kProduct + L"method=children&id=-1&format=xml";
        HttpResult with = HttpGet(agent.Base(true, L"3") + q), without = HttpGet(agent.Base(false, L"1") + q);
        EXPECT_EQ(with.status, c.pid ? 200u : 404u) << c.dll;
        EXPECT_EQ(without.status, c.pid ? 404u : 200u) << c.dll;
        EXPECT_TRUE((c.pid ? without : with).body.empty());
        // a wrong process id is refused too
        if (c.pid) {
            EXPECT_EQ(HttpGet(L"http://127.0.0.1:" + std::to_wstring(agent.Port()) + L"/help/1-1/ms.help?" + q).status, 404u);
        }
    }
    ASSERT_TRUE(UseDll(sample->inst, L"1.0.40219.1"));
}

TEST_F(StandinAgentProcess, MalformedRequestsGetEmptyErrorsAndServingGoesOn) {
    ASSERT_TRUE(UseDll(sample->inst, L"1.0.30128.0"));
    AgentProcess agent;
    ASSERT_TRUE(agent.Start(sample->inst, FreePort(), {{L"STANDIN_AGENT_READ_TIMEOUT_MS", L"400"}}));
    ASSERT_TRUE(agent.WaitForPort());
    int port = agent.Port();
    std::string good = "GET /help/1/ms.help?method=children&id=-1&format=xml HTTP/1.1\r\nHost: x\r\n\r\n";

    std::string badEscapes = RawRequest(port, "GET /help/1/ms.help?method=page&id=%zz%&format=html% HTTP/1.1\r\n\r\n");
    EXPECT_EQ(StatusLine(badEscapes), "HTTP/1.1 200 OK");
    EXPECT_NE(badEscapes.find("Topic not found"), std::string::npos);
    std::string longLine = RawRequest(port, "GET /help/1/ms.help?" + std::string(100000, 'a') + " HTTP/1.1\r\n\r\n");
    EXPECT_EQ(StatusLine(longLine), "HTTP/1.1 400 Bad Request");
    EXPECT_EQ(Body(longLine), "");
    std::string garbage;
    for (int i = 0; i < 3000; ++i) garbage.push_back((char)((i * 7919) & 0xFF));
    EXPECT_EQ(StatusLine(RawRequest(port, garbage)), "HTTP/1.1 400 Bad Request");
    EXPECT_EQ(StatusLine(RawRequest(port, "POST /help/1/ms.help?x HTTP/1.1\r\n\r\n")), "HTTP/1.1 400 Bad Request");
    std::string unknown = RawRequest(port, "GET /favicon.ico HTTP/1.1\r\n\r\n");
    EXPECT_EQ(StatusLine(unknown), "HTTP/1.1 404 Not Found");
    EXPECT_EQ(Body(unknown), "");
    // half-closed after the request line: answered all the same
    EXPECT_EQ(StatusLine(RawRequest(port, "GET /help/1/ms.help?method=toc&id=-1 HTTP/1.1\r\n")), "HTTP/1.1 200 OK");
    // a slow client that sends its head in two parts, and one that never finishes it
    EXPECT_EQ(StatusLine(RawRequest(port, good, false, 20, 150)), "HTTP/1.1 200 OK");
    std::string stalled = RawRequest(port, "GET /help/1/ms.h", false);
    EXPECT_EQ(StatusLine(stalled), "HTTP/1.1 400 Bad Request");
    // a connection that sends nothing at all, held open while others are served
    std::thread idle([port] { RawRequest(port, "", false); });
    EXPECT_EQ(HttpGet(agent.Base(false) + kProduct + L"method=children&id=-1&format=xml").status, 200u);
    idle.join();
    EXPECT_TRUE(agent.Running());
    EXPECT_EQ(StatusLine(RawRequest(port, good)), "HTTP/1.1 200 OK");
}

TEST_F(StandinAgentProcess, AnswersConcurrentConnections) {
    ASSERT_TRUE(UseDll(sample->inst, L"1.0.30128.0"));
    AgentProcess agent;
    ASSERT_TRUE(agent.Start(sample->inst, FreePort()));
    ASSERT_TRUE(agent.WaitForPort());
    std::string expected = sample->Ask("method=children&id=editor-options&format=xml");
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 16; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 6; ++i)
                if (HttpGet(agent.Base(false) + kProduct + L"method=children&id=editor-options&format=xml").body == expected)
                    ++good;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(good.load(), 96);
    EXPECT_EQ(agent.RequestLog().size(), 96u);
}

TEST_F(StandinAgentProcess, SwitchesForDelayOnlineModeErrorBodiesAndATakenPort) {
    ASSERT_TRUE(UseDll(sample->inst, L"1.0.30128.0"));
    const Installation& inst = sample->inst;
    {
        AgentProcess agent;
        DWORD start = GetTickCount();
        ASSERT_TRUE(agent.Start(inst, FreePort(), {{L"STANDIN_AGENT_DELAY_MS", L"800"}, {L"STANDIN_AGENT_ERROR_BODIES", L"1"}}));
        ASSERT_TRUE(agent.WaitForPort());
        EXPECT_GE(GetTickCount() - start, 800u);
        HttpResult missing = HttpGet(L"http://127.0.0.1:" + std::to_wstring(agent.Port()) + L"/nothing");
        EXPECT_EQ(missing.status, 404u);
        EXPECT_NE(missing.body.find("404"), std::string::npos);
        // a second agent on the same port gives up
        AgentProcess second;
        ASSERT_TRUE(second.Start(inst, agent.Port()));
        EXPECT_EQ(second.WaitExit(10000), 2);
    }
    // online help mode in the machine file: the agent does not serve...
    std::wstring machine = inst.appRoot + L"\\HelpClient.cfg";
    // The sample installation is shared by the other tests: its machine file goes back as it was.
    struct Restore {
        std::wstring path;
        std::string bytes;
        ~Restore() { standin::WriteFileBytes(path, bytes); }
    } restore{machine, {}};
    ASSERT_TRUE(standin::ReadFileBytes(machine, restore.bytes));
    std::string online = "<?xml version=\"1.0\"?>\r\n<configuration><AppSettings><ADD KEY=\"HelpMode\" value=\"online\" /></AppSettings></configuration>";
    HANDLE h = CreateFileW(machine.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(h, online.data(), (DWORD)online.size(), &n, nullptr);
    CloseHandle(h);
    {
        AgentProcess agent;
        ASSERT_TRUE(agent.Start(inst, FreePort()));
        EXPECT_EQ(agent.WaitExit(10000), 3);
    }
    {  // ...unless switched off, or the per-user file says offline
        AgentProcess agent;
        ASSERT_TRUE(agent.Start(inst, FreePort(), {{L"STANDIN_AGENT_ONLINE_EXIT", L"0"}}));
        EXPECT_TRUE(agent.WaitForPort());
    }
    CreateDirectoryW((inst.root + L"\\user").c_str(), nullptr);
    std::string offline = "<configuration><appSettings><add key=\"helpmode\" value=\"offline\" /></appSettings></configuration>";
    h = CreateFileW(inst.userCfg.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    WriteFile(h, offline.data(), (DWORD)offline.size(), &n, nullptr);
    CloseHandle(h);
    {
        AgentProcess agent;
        ASSERT_TRUE(agent.Start(inst, FreePort()));
        EXPECT_TRUE(agent.WaitForPort());
    }
    DeleteFileW(inst.userCfg.c_str());
}
