// Benchmark of the stand-in agent with a generated large store. Prints its figures.
//   StandinBench [--topics N] [--keywords N] [--seed N]
//                [--agent PATH\HelpLibAgent.exe --localstore DIR]   also time a real agent process
#include "AgentServer.h"
#include "StFiles.h"
#include "StText.h"
#include "Store.h"

#include <winsock2.h>
#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdio>
#include <thread>

using namespace standin;

namespace {

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart * 1000.0 / (double)f.QuadPart;
}

int FreePort() {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, (sockaddr*)&a, sizeof a);
    int len = sizeof a;
    getsockname(s, (sockaddr*)&a, &len);
    closesocket(s);
    return ntohs(a.sin_port);
}

bool PortOpen(int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((u_short)port);
    bool ok = connect(s, (sockaddr*)&a, sizeof a) == 0;
    closesocket(s);
    return ok;
}

std::string Fetch(const std::wstring& url) {
    std::string body;
    HINTERNET net = InternetOpenW(L"StandinBench", 0, nullptr, nullptr, 0);
    if (!net) return body;
    HINTERNET h = InternetOpenUrlW(net, url.c_str(), nullptr, 0, 0x84400200, 0);
    if (h) {
        char buf[65536];
        DWORD n = 0;
        while (InternetReadFile(h, buf, sizeof buf, &n) && n > 0) body.append(buf, n);
        InternetCloseHandle(h);
    }
    InternetCloseHandle(net);
    return body;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int topics = 50000, keywords = 300000;
    unsigned seed = 1;
    std::wstring agent, localStore;
    for (int i = 1; i + 1 < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--topics") topics = (int)ParseNumber(argv[++i]);
        else if (a == L"--keywords") keywords = (int)ParseNumber(argv[++i]);
        else if (a == L"--seed") seed = (unsigned)ParseNumber(argv[++i]);
        else if (a == L"--agent") agent = argv[++i];
        else if (a == L"--localstore") localStore = argv[++i];
    }
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);

    GenDescription desc;
    desc.topics = topics;
    desc.keywords = keywords;
    desc.seed = seed;
    desc.locales = {L"en-US", L"de-DE"};
    desc.bigNodes = 3;
    double t0 = Now();
    std::vector<Topic> generated;
    GenerateTopics(desc, generated);
    double t1 = Now();
    Store store;
    Catalog& cat = store.AddCatalog(L"VS", L"100", L"en-US", L"Generated", generated);
    double t2 = Now();
    size_t maxChildren = 0;
    std::wstring bigNode;
    for (auto& kv : cat.children)
        if (kv.second.size() > maxChildren) {
            maxChildren = kv.second.size();
            bigNode = kv.first;
        }
    std::printf("generated store: %zu topics, %zu keyword rows (%zu top-level), largest node %zu children\n",
                store.topics.size(), cat.keywordRows, cat.keywords.size(), maxChildren);
    std::printf("  generate: %.0f ms, index: %.0f ms, total in memory: %.0f ms\n", t1 - t0, t2 - t1, t2 - t0);

    ServerConfig config;
    config.port = FreePort();
    config.requirePid = false;
    AgentServer server(store, config);
    std::wstring error;
    if (!server.Bind(error) || !server.Listen()) {
        std::printf("cannot listen: %ls\n", error.c_str());
        return 1;
    }
    std::thread runner([&] { server.Run(); });
    std::wstring base = L"http://127.0.0.1:" + std::to_wstring(config.port) +
                        L"/help/1/ms.help?product=VS&productVersion=100&locale=en-US";
    struct Case {
        const char* name;
        std::wstring query;
    } cases[] = {
        {"keywords page 1 of 50,000", L"&method=keywords&query=&format=xml&pagesize=50000&pagenumber=1"},
        {"keywords page 2 of 50,000", L"&method=keywords&query=&format=xml&pagesize=50000&pagenumber=2"},
        {"keywords first-key 'b' (50,000)", L"&method=keywords&query=b&format=xml&pagesize=50000&pagenumber=1"},
        {"keywords whole text (2,000)", L"&method=keywords&query=add+method&format=xml&pagesize=2000&pagenumber=1"},
        {"children of the root", L"&method=children&id=gen-root&format=xml"},
        {"children of the largest node", L"&method=children&id=" + bigNode + L"&format=xml"},
        {"search 'button' (200)", L"&method=search&query=button&format=html&PageSize=200&PageNumber=1"},
        {"toc of a member", L"&method=toc&id=" + generated[generated.size() / 2].id + L"&format=xml"},
    };
    for (auto& c : cases) {
        double a = Now();
        std::string body = Fetch(base + c.query);
        double b = Now();
        Fetch(base + c.query);
        const double again = Now() - b;
        // The reply built alone, without the connection (the least of 5).
        double built = 1e9;
        const std::string query = "product=VS&productVersion=100&locale=en-US" + ToUtf8(c.query);
        for (int i = 0; i < 5; ++i) {
            double t = Now();
            HandleHelpQuery(store, AgentOptions(), query);
            built = std::min(built, Now() - t);
        }
        std::printf("  %-34s %7.0f ms  %9zu bytes  (asked again %.0f ms; the reply built alone %.1f ms)\n", c.name,
                    b - a, body.size(), again, built);
    }
    server.Stop();
    runner.join();

    if (!agent.empty() && !localStore.empty()) {
        int port = FreePort();
        std::wstring env = L"STANDIN_AGENT_PORT=" + std::to_wstring(port);
        SetEnvironmentVariableW(L"STANDIN_AGENT_PORT", std::to_wstring(port).c_str());
        SetEnvironmentVariableW(L"STANDIN_LOCALSTORE", localStore.c_str());
        SetEnvironmentVariableW(L"STANDIN_AGENT_ONLINE_EXIT", L"0");
        SetEnvironmentVariableW(L"STANDIN_AGENT_REQUIRE_PID", L"0");
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        std::wstring cmd = L"\"" + agent + L"\"";
        double a = Now();
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            std::printf("cannot start the agent\n");
            return 1;
        }
        while (!PortOpen(port) && Now() - a < 60000) Sleep(5);
        double b = Now();
        std::printf("agent process with the installed large store: listening after %.0f ms\n", b - a);
        std::wstring url = L"http://127.0.0.1:" + std::to_wstring(port) +
                           L"/help/1/ms.help?product=VS&productVersion=100&locale=en-US&method=keywords&query=&format=xml&pagesize=50000&pagenumber=1";
        double c = Now();
        std::string body = Fetch(url);
        std::printf("  keywords page 1 of 50,000 from the process: %.0f ms, %zu bytes\n", Now() - c, body.size());
        Fetch(L"http://127.0.0.1:" + std::to_wstring(port) + L"/standin/quit");
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return 0;
}
