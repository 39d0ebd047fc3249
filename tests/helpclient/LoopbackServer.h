// Loopback servers of the helper tests: a port that starts listening after a delay, and
// a small HTTP server that answers GET requests from a table of paths.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace loopback {

// Reserves a port on 127.0.0.1 at once (connections are refused) and listens after DelayMs.
// DelayMs < 0 never listens.
class DelayedListener {
public:
    explicit DelayedListener(int DelayMs);
    ~DelayedListener();
    int Port() const { return FPort; }
    bool Listening() const { return FListening; }

private:
    SOCKET FSocket = INVALID_SOCKET;
    int FPort = 0;
    std::atomic<bool> FListening{false};
    std::atomic<bool> FStop{false};
    std::thread FThread;
};

// A port on 127.0.0.1 that listens but never accepts, its backlog filled by connections of
// its own: a connect to it waits, as to a hung agent.
class FullBacklog {
public:
    FullBacklog();
    ~FullBacklog();
    int Port() const { return FPort; }

private:
    SOCKET FSocket = INVALID_SOCKET;
    int FPort = 0;
    std::vector<SOCKET> FFillers;
};

class HttpServer {
public:
    HttpServer();
    ~HttpServer();
    int Port() const { return FPort; }
    std::wstring Base() const; // "http://127.0.0.1:port"
    // Answers GET Path with status 200 and Body; other paths get 404 with MissingBody.
    void Serve(const std::string& Path, const std::string& Body);
    void ServeMissing(const std::string& Body);
    std::vector<std::string> Requests();
    // The User-Agent of each request, in the order of Requests().
    std::vector<std::string> UserAgents();

private:
    void Run();
    void Handle(SOCKET Client);
    SOCKET FSocket = INVALID_SOCKET;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::mutex FLock;
    std::map<std::string, std::string> FBodies;
    std::string FMissingBody;
    std::vector<std::string> FRequests, FUserAgents;
    std::thread FThread;
};

// A server that misbehaves as a test wants: each connection is handed to Handler on a
// thread of its own, after the request head was read (unless ReadRequest is false), and
// closed when the handler returns. The destructor ends every connection (Stopping()
// turns true, the sockets are shut down) and waits for the handlers.
class RawServer {
public:
    using THandler = std::function<void(SOCKET Client, RawServer& Server)>;
    explicit RawServer(THandler Handler, bool ReadRequest = true);
    ~RawServer();
    int Port() const { return FPort; }
    std::wstring Base() const; // "http://127.0.0.1:port"
    bool Stopping() const { return FStop; }
    // Waits Ms, or less when the server stops; false when it stops.
    bool Pause(int Ms);
    // Sends all of Bytes; false when the peer is gone.
    static bool Send(SOCKET Client, const std::string& Bytes);
    // Ends the connection with a reset (the handler must not use Client afterwards).
    void Reset(SOCKET Client);
    int Connections() const { return FConnections; }

private:
    void CloseClient(SOCKET Client);
    SOCKET FSocket = INVALID_SOCKET;
    int FPort = 0;
    std::atomic<bool> FStop{false};
    std::atomic<int> FConnections{0};
    std::mutex FLock;
    std::vector<SOCKET> FClients; // open connections
    std::vector<std::thread> FThreads;
    std::thread FThread;
};

// A port on 127.0.0.1 that nothing listens on (at the time of the call).
int ClosedPort();

} // namespace loopback
