#include "LoopbackServer.h"

#include <ws2tcpip.h>

#include <algorithm>

namespace loopback {

namespace {

struct WinsockInit {
    WinsockInit() {
        WSADATA d;
        WSAStartup(MAKEWORD(2, 2), &d);
    }
};

SOCKET BoundSocket(int& Port) {
    static WinsockInit init;
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
    int len = sizeof(a);
    getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    Port = ntohs(a.sin_port);
    return s;
}

// A connection accepted on Listener within 20 ms, or INVALID_SOCKET.
SOCKET AcceptSoon(SOCKET Listener) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(Listener, &set);
    timeval tv{0, 20000};
    if (select(0, &set, nullptr, nullptr, &tv) <= 0)
        return INVALID_SOCKET;
    return accept(Listener, nullptr, nullptr);
}

} // namespace

DelayedListener::DelayedListener(int DelayMs) {
    FSocket = BoundSocket(FPort);
    if (DelayMs == 0) {
        listen(FSocket, 16);
        FListening = true;
    }
    FThread = std::thread([this, DelayMs] {
        if (DelayMs > 0) {
            for (int waited = 0; waited < DelayMs && !FStop; waited += 10)
                Sleep(10);
            if (!FStop) {
                listen(FSocket, 16);
                FListening = true;
            }
        }
        // Accepts and drops connections so that the backlog never fills.
        while (!FStop) {
            if (!FListening) {
                Sleep(10);
                continue;
            }
            SOCKET c = AcceptSoon(FSocket);
            if (c != INVALID_SOCKET)
                closesocket(c);
        }
    });
}

DelayedListener::~DelayedListener() {
    FStop = true;
    FThread.join();
    closesocket(FSocket);
}

FullBacklog::FullBacklog() {
    FSocket = BoundSocket(FPort);
    listen(FSocket, 1);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<u_short>(FPort));
    for (int i = 0; i < 8; ++i) {
        SOCKET c = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long nb = 1;
        ioctlsocket(c, FIONBIO, &nb);
        connect(c, reinterpret_cast<sockaddr*>(&a), sizeof(a));
        FFillers.push_back(c);
    }
    Sleep(200);
}

FullBacklog::~FullBacklog() {
    for (SOCKET c : FFillers)
        closesocket(c);
    closesocket(FSocket);
}

RawServer::RawServer(THandler Handler, bool ReadRequest) {
    FSocket = BoundSocket(FPort);
    listen(FSocket, 16);
    FThread = std::thread([this, Handler, ReadRequest] {
        while (!FStop) {
            SOCKET c = AcceptSoon(FSocket);
            if (c == INVALID_SOCKET)
                continue;
            ++FConnections;
            std::lock_guard<std::mutex> lock(FLock);
            FClients.push_back(c);
            FThreads.emplace_back([this, c, Handler, ReadRequest] {
                std::string head;
                char buf[4096];
                bool whole = true;
                while (ReadRequest && whole && head.find("\r\n\r\n") == std::string::npos) {
                    const int n = recv(c, buf, sizeof(buf), 0);
                    whole = n > 0;
                    if (whole)
                        head.append(buf, n);
                }
                if (whole)
                    Handler(c, *this);
                CloseClient(c);
            });
        }
    });
}

RawServer::~RawServer() {
    FStop = true;
    FThread.join();
    {
        std::lock_guard<std::mutex> lock(FLock);
        for (SOCKET c : FClients)
            shutdown(c, SD_BOTH); // ends a handler blocked in send or recv
    }
    for (std::thread& t : FThreads)
        t.join();
    closesocket(FSocket);
}

void RawServer::CloseClient(SOCKET Client) {
    std::lock_guard<std::mutex> lock(FLock);
    auto it = std::find(FClients.begin(), FClients.end(), Client);
    if (it == FClients.end())
        return;
    FClients.erase(it);
    shutdown(Client, SD_SEND);
    closesocket(Client);
}

void RawServer::Reset(SOCKET Client) {
    std::lock_guard<std::mutex> lock(FLock);
    auto it = std::find(FClients.begin(), FClients.end(), Client);
    if (it == FClients.end())
        return;
    FClients.erase(it);
    linger hard{1, 0};
    setsockopt(Client, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof(hard));
    closesocket(Client);
}

std::wstring RawServer::Base() const { return L"http://127.0.0.1:" + std::to_wstring(FPort); }

bool RawServer::Pause(int Ms) {
    for (int waited = 0; waited < Ms && !FStop; waited += 10)
        Sleep(10);
    return !FStop;
}

bool RawServer::Send(SOCKET Client, const std::string& Bytes) {
    size_t sent = 0;
    while (sent < Bytes.size()) {
        const int n = send(Client, Bytes.data() + sent, static_cast<int>(Bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += n;
    }
    return true;
}

int ClosedPort() {
    int port = 0;
    SOCKET s = BoundSocket(port);
    closesocket(s);
    return port;
}

HttpServer::HttpServer() {
    FSocket = BoundSocket(FPort);
    listen(FSocket, 16);
    FThread = std::thread([this] { Run(); });
}

HttpServer::~HttpServer() {
    FStop = true;
    FThread.join();
    closesocket(FSocket);
}

std::wstring HttpServer::Base() const { return L"http://127.0.0.1:" + std::to_wstring(FPort); }

void HttpServer::Serve(const std::string& Path, const std::string& Body) {
    std::lock_guard<std::mutex> lock(FLock);
    FBodies[Path] = Body;
}

void HttpServer::ServeMissing(const std::string& Body) {
    std::lock_guard<std::mutex> lock(FLock);
    FMissingBody = Body;
}

std::vector<std::string> HttpServer::Requests() {
    std::lock_guard<std::mutex> lock(FLock);
    return FRequests;
}

std::vector<std::string> HttpServer::UserAgents() {
    std::lock_guard<std::mutex> lock(FLock);
    return FUserAgents;
}

void HttpServer::Run() {
    while (!FStop) {
        SOCKET c = AcceptSoon(FSocket);
        if (c == INVALID_SOCKET)
            continue;
        Handle(c);
        closesocket(c);
    }
}

void HttpServer::Handle(SOCKET Client) {
    std::string request;
    char buf[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int n = recv(Client, buf, sizeof(buf), 0);
        if (n <= 0)
            return;
        request.append(buf, n);
    }
    const size_t sp1 = request.find(' ');
    const size_t sp2 = request.find(' ', sp1 + 1);
    const std::string path = request.substr(sp1 + 1, sp2 - sp1 - 1);
    std::string agent;
    const size_t at = request.find("\r\nUser-Agent: ");
    if (at != std::string::npos) {
        const size_t start = at + 14;
        agent = request.substr(start, request.find("\r\n", start) - start);
    }
    std::string body;
    bool found = false;
    {
        std::lock_guard<std::mutex> lock(FLock);
        FRequests.push_back(path);
        FUserAgents.push_back(agent);
        auto it = FBodies.find(path);
        if (it != FBodies.end()) {
            body = it->second;
            found = true;
        } else {
            body = FMissingBody;
        }
    }
    std::string head = found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n";
    head += "Content-Type: application/octet-stream\r\nContent-Length: " + std::to_string(body.size()) +
            "\r\nConnection: close\r\n\r\n";
    const std::string reply = head + body;
    size_t sent = 0;
    while (sent < reply.size()) {
        const int n = send(Client, reply.data() + sent, static_cast<int>(reply.size() - sent), 0);
        if (n <= 0)
            break;
        sent += n;
    }
    shutdown(Client, SD_SEND);
}

} // namespace loopback
