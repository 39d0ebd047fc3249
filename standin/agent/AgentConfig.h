// How the agent sets itself up: its port, store, switches and the rules that follow from
// the version of the Microsoft.Help.dll beside it.
#pragma once

#include "AgentServer.h"
#include "StRuntime.h"

#include <string>

namespace standin {

// URLs carry "-<pid>" unless the dll is 10.x or 1.0.x.* with x <= 30128 (no dll: 0.0.0.0).
bool RequiresPid(const FileVersion& dll);
// Keyword topics come with category=topic from 1.0.30306.1 on.
bool IsNewAgent(const FileVersion& dll);

struct AgentSettings {
    ServerConfig server;
    std::wstring localStore;
    std::wstring appRoot;
    std::wstring userCfg;
    bool exitIfOnline = true;
    int startDelayMs = 0;
    bool portValid = true;
    std::wstring faultsError;  // STANDIN_AGENT_FAULTS could not be read
};

// Reads the environment switches (STANDIN_*) and the runtime's registry values.
AgentSettings ReadAgentSettings();

}  // namespace standin
