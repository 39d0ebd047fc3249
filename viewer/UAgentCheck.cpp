// The agent check before every request.
#include "UAgentCheck.h"

#include "TntDialogs.h"
#include "UAuxFile.h"
#include "UDebugLog.h"
#include "UH3Thread.h"
#include "UH3_Agent.h"
#include "UH3_Code.h"
#include "UMessageTexts.h"
#include "URequestWait.h"
#include "UShellExec.h"

const wchar_t* const HelpNotInstalledText = L"VS 2010 Help not installed";
const wchar_t* const AgentNotFoundText = L"MS Help Library Agent application not found: ";

namespace {

bool Checking = false;

// Clears the running mark however the check ends.
struct TCheckGuard {
    TCheckGuard() { Checking = true; }
    ~TCheckGuard() { Checking = false; }
    TCheckGuard(const TCheckGuard&) = delete;
    TCheckGuard& operator=(const TCheckGuard&) = delete;
};

class TRealAgentCheckSystem : public TAgentCheckSystem {
public:
    TCustomForm* Owner = nullptr;

    bool AgentRunning() override { return IsHelpLibAgentRunning(CurrentH3Paths()); }
    bool AgentListening() override { return IsHelpAgentListening(CurrentH3Paths()); }
    std::wstring HelpMode() override {
        std::wstring mode;
        CurrentH3Paths().GetHelpMode(mode);
        return mode;
    }
    bool SetHelpMode(const std::wstring& Mode) override { return CurrentH3Paths().SetHelpMode(Mode); }
    std::wstring AgentPath() override { return CurrentH3Paths().AgentPath; }
    bool FileExists(const std::wstring& Path) override { return FileExistsW(Path); }
    bool StartAgent(const std::wstring& Path) override { return CreateProcessMinNoActive(Path, L"") != 0; }
    // The user who cancelled the port probe gave up the action: no further wait.
    bool WaitForAgent() override { return !RequestActionCancelled() && WaitForHelpAgent(Owner, 40); }
    bool Ask(const std::wstring& Question) override {
        return WideMessageDlg(Question, mtConfirmation, TMsgDlgButtons{mbYes, mbNo}, 0) == mrYes;
    }
    void Message(const std::wstring& Text) override { WideShowMessage(Text); }
    void Log(const std::wstring& Line) override { DebugLog(Line); }
};

} // namespace

TAgentCheckSystem& DefaultAgentCheckSystem(TCustomForm* Owner) {
    static TRealAgentCheckSystem system;
    system.Owner = Owner;
    return system;
}

bool EnsureHelpAgentRunning() { return Checking; }

bool EnsureHelpAgent(TAgentCheckSystem& System, const std::function<void()>& OnModeChanged) {
    // Another check waits for the agent: whatever asked now goes without an answer.
    if (Checking)
        return false;
    TCheckGuard guard;
    const bool running = System.AgentRunning();
    if (running && System.AgentListening())
        return true;
    std::wstring mode = System.HelpMode();
    if (mode == L"online" && !running) {
        if (!System.Ask(MsgTxt_SwitchToOfflineMode))
            return false;
        System.SetHelpMode(L"offline");
        if (OnModeChanged)
            OnModeChanged();
        mode = System.HelpMode();
        // The runtime stays online (the user has been told why): no agent will come.
        if (mode == L"online")
            return false;
    }
    if (mode != L"online" && !running) {
        const std::wstring path = System.AgentPath();
        if (path.empty()) {
            System.Message(HelpNotInstalledText);
            return false;
        }
        if (!System.FileExists(path)) {
            System.Message(AgentNotFoundText + std::wstring(L"\r") + path);
            return false;
        }
        const bool started = System.StartAgent(path);
        System.Log(std::wstring(65, L'*'));
        System.Log(L"Running HelpLibAgent.Exe");
        System.Log(std::wstring(65, L'*'));
        return started && System.WaitForAgent();
    }
    return System.WaitForAgent();
}
