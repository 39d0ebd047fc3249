#include "AgentServer.h"
#include "StFiles.h"
#include "StText.h"
#include "UrlQuery.h"

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <memory>

namespace standin {

namespace {

const size_t kMaxLine = 8192;
const size_t kMaxHead = 65536;

// Each connection is served on a thread of the system's pool (a detached std::thread is not
// used: under Wine the posix-thread runtime's start of one races with the end of an earlier
// one and can call a freed start routine).
DWORD WINAPI ConnectionEntry(void* context) {
    std::unique_ptr<std::function<void()>> serve(static_cast<std::function<void()>*>(context));
    (*serve)();
    return 0;
}

bool RunOnPoolThread(std::function<void()> job) {
    auto owned = std::make_unique<std::function<void()>>(std::move(job));
    if (!QueueUserWorkItem(&ConnectionEntry, owned.get(), WT_EXECUTELONGFUNCTION)) return false;
    owned.release();
    return true;
}

bool IsDigits(const std::string& s) {
    if (s.empty() || s.size() > 10) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

const char* StatusText(int status) {
    switch (status) {
        case 200: return "OK";
        case 400: return "Bad Request";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        case 502: return "Bad Gateway";
        case 503: return "Service Unavailable";
        default: return "Error";
    }
}

std::string Serialize(const Reply& r, bool withBody) {
    std::string s = "HTTP/1.1 " + std::to_string(r.status) + " " + StatusText(r.status) + "\r\n";
    if (!r.contentType.empty() && (r.status == 200 || !r.body.empty())) s += "Content-Type: " + r.contentType + "\r\n";
    s += "Content-Length: " + std::to_string(r.body.size()) + "\r\nCache-Control: no-cache\r\n"
         "Server: HelpLibAgent\r\nConnection: close\r\n\r\n";
    if (withBody) s += r.body;
    return s;
}

}  // namespace

bool IsAgentPath(const std::string& rawPath, bool requirePid, unsigned pid) {
    std::string path = LowerAsciiA(rawPath);
    if (path.compare(0, 6, "/help/") != 0) return false;
    size_t slash = path.find('/', 6);
    if (slash == std::string::npos) return false;
    std::string session = path.substr(6, slash - 6), rest = path.substr(slash);
    if (rest != "/ms.help" && rest != "/ms.help/") return false;
    size_t dash = session.find('-');
    if (dash == std::string::npos) return !requirePid && IsDigits(session);
    if (!requirePid) return false;
    return IsDigits(session.substr(0, dash)) && session.substr(dash + 1) == std::to_string(pid);
}

AgentServer::AgentServer(const Store& store, const ServerConfig& config)
    : store_(store), config_(config), listener_((uintptr_t)INVALID_SOCKET), faults_(config.faults) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
}

AgentServer::~AgentServer() {
    Stop();
    WSACleanup();
}

bool AgentServer::Bind(std::wstring& error) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        error = L"socket failed";
        return false;
    }
    BOOL excl = TRUE;
    setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, (const char*)&excl, sizeof excl);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons((u_short)config_.port);
    if (bind(s, (sockaddr*)&a, sizeof a) != 0) {
        error = L"port " + std::to_wstring(config_.port) + L" is in use (error " + std::to_wstring(WSAGetLastError()) + L")";
        closesocket(s);
        return false;
    }
    int len = sizeof a;
    getsockname(s, (sockaddr*)&a, &len);
    boundPort_ = ntohs(a.sin_port);
    listener_ = (uintptr_t)s;
    return true;
}

bool AgentServer::Listen() { return listen((SOCKET)listener_, SOMAXCONN) == 0; }

void AgentServer::Stop() {
    quit_ = true;
    SOCKET s = (SOCKET)listener_;
    listener_ = (uintptr_t)INVALID_SOCKET;
    if (s != INVALID_SOCKET) closesocket(s);
}

void AgentServer::Run() {
    while (!quit_) {
        SOCKET c = accept((SOCKET)listener_, nullptr, nullptr);
        if (c == INVALID_SOCKET) {
            if (quit_) break;
            Sleep(10);
            continue;
        }
        bool started = false;
        try {
            started = RunOnPoolThread([this, c] {
                try {
                    Serve((uintptr_t)c);
                } catch (...) {
                }
                closesocket(c);
            });
        } catch (...) {
        }
        if (!started) closesocket(c);  // no thread to be had: drop this connection, keep serving
    }
}

void AgentServer::LogTarget(const std::string& target) {
    if (config_.logPath.empty()) return;
    std::lock_guard<std::mutex> lock(logLock_);
    AppendFileBytes(config_.logPath, target + "\r\n");
}

Reply AgentServer::Route(const std::string& target, bool& quit) const {
    quit = false;
    std::string t = StripFragment(target);
    if (t.compare(0, 7, "http://") == 0) {
        size_t slash = t.find('/', 7);
        t = slash == std::string::npos ? "/" : t.substr(slash);
    }
    size_t q = t.find('?');
    std::string path = t.substr(0, q), query = q == std::string::npos ? "" : t.substr(q + 1);
    if (LowerAsciiA(path) == "/standin/quit") {
        quit = true;
        return Reply{200, "text/plain; charset=utf-8", "bye"};
    }
    if (!IsAgentPath(path, config_.requirePid, config_.pid)) return NotFound(config_.options);
    return HandleHelpQuery(store_, config_.options, query);
}

std::string AgentServer::Answer(const std::string& head, bool complete, bool& quit) {
    FaultPlan plan;
    return Answer(head, complete, quit, plan);
}

std::string AgentServer::Answer(const std::string& head, bool complete, bool& quit, FaultPlan& plan) {
    quit = false;
    plan = FaultPlan();
    size_t eol = head.find('\n');
    if (eol == std::string::npos || eol > kMaxLine) return Serialize(BadRequest(config_.options), true);
    std::string line = head.substr(0, eol);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t s1 = line.find(' '), s2 = line.rfind(' ');
    if (s1 == std::string::npos || s2 == s1) return Serialize(BadRequest(config_.options), true);
    std::string method = line.substr(0, s1), target = line.substr(s1 + 1, s2 - s1 - 1), version = line.substr(s2 + 1);
    for (unsigned char c : target)
        if (c <= 0x20 || c == 0x7F) return Serialize(BadRequest(config_.options), true);
    if (version.compare(0, 5, "HTTP/") != 0 || target.empty()) return Serialize(BadRequest(config_.options), true);
    LogTarget(target);
    if (method != "GET" && method != "HEAD") return Serialize(BadRequest(config_.options), true);
    if (target[0] != '/' && target.compare(0, 7, "http://") != 0) return Serialize(BadRequest(config_.options), true);
    Reply r;
    try {
        r = Route(target, quit);
    } catch (...) {
        r = NotFound(config_.options);
    }
    plan = faults_.Next(RequestMethod(target));
    ApplyBodyFaults(plan, r);
    return Serialize(r, method == "GET");
}

void AgentServer::Serve(uintptr_t sockValue) {
    SOCKET s = (SOCKET)sockValue;
    DWORD timeout = (DWORD)config_.readTimeoutMs;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&timeout, sizeof timeout);
    std::string head;
    bool complete = false;
    char buf[4096];
    while (head.size() < kMaxHead) {
        int n = recv(s, buf, sizeof buf, 0);
        if (n <= 0) break;
        head.append(buf, n);
        if (head.find("\r\n\r\n") != std::string::npos || head.find("\n\n") != std::string::npos) {
            complete = true;
            break;
        }
        if (head.find('\n') == std::string::npos && head.size() > kMaxLine) break;
    }
    if (head.empty()) return;  // nothing asked: just close
    bool quit = false;
    std::string answer;
    FaultPlan plan;
    if (!complete && head.size() >= kMaxHead) answer = Serialize(BadRequest(config_.options), true);
    else answer = Answer(head, complete, quit, plan);
    if (plan.stallMs > 0) Sleep((DWORD)plan.stallMs);
    size_t end = answer.size();
    if (plan.close) {  // the head as it is, then half of the body
        size_t body = answer.find("\r\n\r\n");
        body = body == std::string::npos ? 0 : body + 4;
        end = body + (answer.size() - body) / 2;
    }
    size_t sent = 0;
    while (sent < end) {
        int n = send(s, answer.data() + sent, (int)std::min<size_t>(end - sent, 1 << 20), 0);
        if (n <= 0) break;
        sent += n;
    }
    shutdown(s, SD_SEND);
    DWORD drain = 300;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, (const char*)&drain, sizeof drain);
    for (int i = 0; i < 16 && recv(s, buf, sizeof buf, 0) > 0; ++i) {
    }
    if (quit) Stop();
}

}  // namespace standin
