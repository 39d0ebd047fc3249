// An agent environment with a given port, session 1 and a given agent process id: agent URLs
// of a test's (or benchmark's) own agent, without the registry or the process list.
// Header-only; include it where the help library client is linked.
#pragma once

#include "UH3_Code.h"

#include <string>

class TFixedAgentEnvironment : public TAgentEnvironment {
public:
    std::wstring Port(const TH3Paths&) override { return PortText; }
    uint32_t SessionId() override { return 1; }
    uint32_t AgentProcessId(const TH3Paths&) override { return Pid; }
    std::wstring PortText;
    uint32_t Pid = 0;
};
