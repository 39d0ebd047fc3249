// Agent requests against a loopback HTTP server inside the test, the port probe and the
// process searches.
#include "UH3_Agent.h"

#include "TestHarness.h"
#include "UAppSettings.h"
#include "UH3_Code.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

using testing_support::UniqueName;

namespace {

// A small HTTP/1.1 server on 127.0.0.1: one reply per path, each connection closed after it.
class LoopbackServer {
public:
    LoopbackServer() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        FListen = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = inet_addr("127.0.0.1");
        addr.sin_port = 0;
        bind(FListen, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        int len = sizeof(addr);
        getsockname(FListen, reinterpret_cast<sockaddr*>(&addr), &len);
        FPort = ntohs(addr.sin_port);
        listen(FListen, 8);
        FThread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        FStop = true;
        closesocket(FListen);
        FThread.join();
        WSACleanup();
    }
    int Port() const { return FPort; }
    std::wstring Url(const std::string& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(FPort) + std::wstring(path.begin(), path.end());
    }
    // Set before the first request.
    std::map<std::string, std::pair<std::string, std::string>> Routes; // path -> status line, body
    std::atomic<int> Requests{0};

private:
    void Serve() {
        while (!FStop) {
            SOCKET c = accept(FListen, nullptr, nullptr);
            if (c == INVALID_SOCKET) return;
            std::string request;
            char buf[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int n = recv(c, buf, sizeof(buf), 0);
                if (n <= 0) break;
                request.append(buf, static_cast<size_t>(n));
            }
            ++Requests;
            const size_t a = request.find(' '), b = request.find(' ', a + 1);
            const std::string path = a == std::string::npos ? "" : request.substr(a + 1, b - a - 1);
            auto it = Routes.find(path);
            const std::string status = it == Routes.end() ? "404 Not Found" : it->second.first;
            const std::string body = it == Routes.end() ? "no such page" : it->second.second;
            std::string reply = "HTTP/1.1 " + status + "\r\nContent-Length: " + std::to_string(body.size()) +
                                "\r\nContent-Type: text/html\r\nConnection: close\r\n\r\n" + body;
            size_t sent = 0;
            while (sent < reply.size()) {
                const int n = send(c, reply.data() + sent, static_cast<int>(std::min<size_t>(reply.size() - sent, 65536)), 0);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            shutdown(c, SD_SEND);
            closesocket(c);
        }
    }
    SOCKET FListen = INVALID_SOCKET;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// A port nobody listens on (bound once, then released).
int ClosedPort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    int len = sizeof(addr);
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    closesocket(s);
    WSACleanup();
    return ntohs(addr.sin_port);
}

std::string Utf8(const std::wstring& s) {
    std::string r(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr,
                                                          0, nullptr, nullptr)),
                  '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), static_cast<int>(r.size()),
                        nullptr, nullptr);
    return r;
}

// A runtime registry place below a scratch key of the current user.
struct TScratchPlace {
    std::wstring Base = L"Software\\VorlaneTest\\" + UniqueName(L"hc1agent");
    TH3RegistryPlace Place{HKEY_CURRENT_USER, L"\\" + Base + L"\\Help\\v1.0", L"\\" + Base + L"\\Help3"};
    ~TScratchPlace() { RegDeleteTreeW(HKEY_CURRENT_USER, Base.c_str()); }
};

const std::wstring Sample = L"<html><head><title>Gr\u00FC\u00DFe \u20AC \u4E2D\u6587</title></head></html>";

} // namespace

TEST(HttpGetText, DecodesByMarkOrContent) {
    LoopbackServer server;
    const std::string utf8 = Utf8(Sample);
    std::string utf16 = "\xFF\xFE";
    utf16.append(reinterpret_cast<const char*>(Sample.data()), Sample.size() * 2);
    server.Routes["/bom"] = {"200 OK", "\xEF\xBB\xBF" + utf8};
    server.Routes["/plain"] = {"200 OK", utf8};
    server.Routes["/utf16"] = {"200 OK", utf16};
    // Without a mark UTF-16 is recognised by its zero bytes (in a reply of some length).
    std::wstring longSample;
    for (int i = 0; i < 20; ++i) longSample += Sample;
    server.Routes["/utf16nomark"] = {"200 OK", std::string(reinterpret_cast<const char*>(longSample.data()),
                                                           longSample.size() * 2)};
    server.Routes["/empty"] = {"200 OK", ""};

    for (const char* path : {"/bom", "/plain", "/utf16"}) {
        std::wstring text = L"old";
        HttpGetText(server.Url(path), text);
        EXPECT_EQ(Sample, text) << path;
    }
    std::wstring text;
    HttpGetText(server.Url("/utf16nomark"), text);
    EXPECT_EQ(longSample, text);
    // No status test: an error page's body comes back like any other.
    HttpGetText(server.Url("/missing"), text);
    EXPECT_EQ(L"no such page", text);
    HttpGetText(server.Url("/empty"), text);
    EXPECT_EQ(L"", text);

    TH3Code code;
    code.HttpGet(server.Url("/plain"), text);
    EXPECT_EQ(Sample, text);
}

TEST(HttpGetText, BodiesOverTwoMegabytes) {
    LoopbackServer server;
    std::string big;
    big.reserve(5 * 1024 * 1024 + 100);
    for (int i = 0; big.size() < 5u * 1024 * 1024; ++i) big += "<k>keyword " + std::to_string(i) + "</k>\n";
    big += "<end/>";
    const std::string exact(0x200000, 'x');
    server.Routes["/big"] = {"200 OK", big};
    server.Routes["/exact"] = {"200 OK", exact};

    std::wstring text;
    HttpGetText(server.Url("/big"), text);
    ASSERT_EQ(big.size(), text.size());
    EXPECT_EQ(std::wstring(big.begin(), big.end()), text);
    HttpGetText(server.Url("/exact"), text);
    EXPECT_EQ(exact.size(), text.size());
}

TEST(HttpGetText, AgentDownGivesEmptyTextAfterTheRetries) {
    const int port = ClosedPort();
    std::wstring text = L"old";
    const auto t0 = std::chrono::steady_clock::now();
    HttpGetText(L"http://127.0.0.1:" + std::to_wstring(port) + L"/help/1/ms.help?product=VS", text);
    const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
    EXPECT_EQ(L"", text);
    EXPECT_GE(waited.count(), 450) << "five tries, each followed by 100 ms";
    HttpGetText(L"not a url", text);
    EXPECT_EQ(L"", text);
}

TEST(PortProbe, AgentPortFromTheRegistry) {
    LoopbackServer server;
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
        {L"0", false}, {L"-5", false},            {L"12ab", false}, {std::to_wstring(ClosedPort()), false},
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
    LoopbackServer server;
    TScratchPlace reg;
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.BetaKey, L"AppRoot", L"C:\\Help3"));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.BetaKey, L"ListenerPort", std::to_wstring(server.Port())));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, reg.Place.RuntimeKey, L"AgentPort", std::to_wstring(ClosedPort())));
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
