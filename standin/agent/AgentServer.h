// The agent's HTTP/1.1 server on 127.0.0.1: one thread per connection, one request per
// connection, every answer closes the connection.
#pragma once

#include "AgentReplies.h"
#include "Faults.h"
#include "Store.h"

#include <atomic>
#include <mutex>
#include <string>

namespace standin {

struct ServerConfig {
    int port = 47873;
    bool requirePid = true;   // "/help/<session>-<pid>/" instead of "/help/<session>/"
    unsigned pid = 0;         // the agent's own process id
    std::wstring logPath;     // request log (one line per request target); empty: none
    AgentOptions options;
    int readTimeoutMs = 5000;
    std::vector<FaultRule> faults;  // STANDIN_AGENT_FAULTS
};

// True when the URL path is one the agent answers under the process-id rule.
bool IsAgentPath(const std::string& path, bool requirePid, unsigned pid);

class AgentServer {
public:
    AgentServer(const Store& store, const ServerConfig& config);
    ~AgentServer();
    // Creates the socket and binds it (fails when the port is taken).
    bool Bind(std::wstring& error);
    bool Listen();
    // Accepts connections until a quit request or Stop().
    void Run();
    void Stop();
    int BoundPort() const { return boundPort_; }
    // The reply to one request target (used by the connection threads and by tests).
    Reply Route(const std::string& target, bool& quit) const;
    // The full answer to the bytes of one request head.
    std::string Answer(const std::string& head, bool complete, bool& quit);
    // The same, with the faults chosen for the request (stall and close are the caller's).
    std::string Answer(const std::string& head, bool complete, bool& quit, FaultPlan& plan);

private:
    void Serve(uintptr_t sock);
    void LogTarget(const std::string& target);

    const Store& store_;
    ServerConfig config_;
    uintptr_t listener_;
    int boundPort_ = 0;
    std::atomic<bool> quit_{false};
    std::mutex logLock_;
    FaultSwitch faults_;
};

}  // namespace standin
