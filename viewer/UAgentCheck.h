// Making sure the help agent answers before the viewer asks it for anything: the offer to
// leave the runtime's online mode (the agent does not run then), the agent's start, and the
// wait for its port. Every navigation and every contents request goes through it.
//
// What it asks of the system goes through TAgentCheckSystem, so that the steps can be tested
// with a double; DefaultAgentCheckSystem() is the real one (process list, port probe,
// HelpClient.cfg, message boxes, the agent-wait thread).
#pragma once

#include <functional>
#include <string>

class TCustomForm;

class TAgentCheckSystem {
public:
    virtual ~TAgentCheckSystem() = default;
    // The agent's program runs / its port accepts a connection.
    virtual bool AgentRunning() = 0;
    virtual bool AgentListening() = 0;
    // The runtime's help mode ("online", "offline", '' when unknown) and its change (false
    // when it could not be written; the user has been told).
    virtual std::wstring HelpMode() = 0;
    virtual bool SetHelpMode(const std::wstring& Mode) = 0;
    // The agent program's path ('' when the runtime is not installed) and whether it exists.
    virtual std::wstring AgentPath() = 0;
    virtual bool FileExists(const std::wstring& Path) = 0;
    // Starts the agent; false when it could not be started.
    virtual bool StartAgent(const std::wstring& Path) = 0;
    // Waits for the agent's port while the window stays usable; false when the user gave up.
    virtual bool WaitForAgent() = 0;
    // A yes/no question (true for yes) and a message.
    virtual bool Ask(const std::wstring& Question) = 0;
    virtual void Message(const std::wstring& Text) = 0;
    virtual void Log(const std::wstring& Line) = 0;
};

// The real system; the wait's dialog is placed near Owner.
TAgentCheckSystem& DefaultAgentCheckSystem(TCustomForm* Owner);

// True when requests to the agent may be made now. OnModeChanged runs after the user let
// the runtime leave online mode. A call made while another one waits (messages keep running
// meanwhile) returns false at once: the request that came in during the wait is dropped, not
// sent to an agent that may not answer.
bool EnsureHelpAgent(TAgentCheckSystem& System, const std::function<void()>& OnModeChanged = nullptr);
// A check is running (waiting for the agent).
bool EnsureHelpAgentRunning();

// The texts of the check.
extern const wchar_t* const HelpNotInstalledText;    // "VS 2010 Help not installed"
extern const wchar_t* const AgentNotFoundText;       // "MS Help Library Agent application not found: "
