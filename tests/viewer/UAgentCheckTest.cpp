// The agent check before every request, with a double of the system: what it asks, starts,
// waits for and tells, and its answer.
#include "UAgentCheck.h"

#include "UMessageTexts.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct FakeAgentSystem : TAgentCheckSystem {
    bool Running = false, Listening = false;
    std::wstring Mode = L"offline";
    bool ModeWritable = true;
    std::wstring Path = L"C:\\Help\\HelpLibAgent.exe";
    bool Exists = true;
    bool Starts = true;
    bool AnswerYes = true;
    bool WaitResult = true;
    std::function<void()> DuringWait;
    std::vector<std::wstring> Calls;

    bool AgentRunning() override { return Running; }
    bool AgentListening() override { return Listening; }
    std::wstring HelpMode() override { return Mode; }
    bool SetHelpMode(const std::wstring& M) override {
        Calls.push_back(L"mode " + M);
        if (ModeWritable)
            Mode = M;
        return ModeWritable;
    }
    std::wstring AgentPath() override { return Path; }
    bool FileExists(const std::wstring&) override { return Exists; }
    bool StartAgent(const std::wstring& P) override {
        Calls.push_back(L"start " + P);
        return Starts;
    }
    bool WaitForAgent() override {
        Calls.push_back(L"wait");
        if (DuringWait)
            DuringWait();
        return WaitResult;
    }
    bool Ask(const std::wstring& Q) override {
        Calls.push_back(L"ask " + Q);
        return AnswerYes;
    }
    void Message(const std::wstring& Text) override { Calls.push_back(L"message " + Text); }
    void Log(const std::wstring&) override {}
};

} // namespace

TEST(AgentCheck, AnAnsweringAgentIsUsedAtOnce) {
    FakeAgentSystem s;
    s.Running = s.Listening = true;
    EXPECT_TRUE(EnsureHelpAgent(s));
    EXPECT_TRUE(s.Calls.empty());
}

TEST(AgentCheck, AStoppedAgentIsStartedAndWaitedFor) {
    FakeAgentSystem s;
    EXPECT_TRUE(EnsureHelpAgent(s));
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{L"start C:\\Help\\HelpLibAgent.exe", L"wait"}));
    // A start that fails is not waited for; a cancelled wait is no success.
    s.Calls.clear();
    s.Starts = false;
    EXPECT_FALSE(EnsureHelpAgent(s));
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{L"start C:\\Help\\HelpLibAgent.exe"}));
    s.Starts = true;
    s.WaitResult = false;
    EXPECT_FALSE(EnsureHelpAgent(s));
    // A running agent whose port does not answer yet is waited for, not started again.
    s.Calls.clear();
    s.Running = true;
    s.WaitResult = true;
    EXPECT_TRUE(EnsureHelpAgent(s));
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{L"wait"}));
}

TEST(AgentCheck, AMissingRuntimeOrProgramIsToldAndNothingStarts) {
    FakeAgentSystem s;
    s.Path.clear();
    EXPECT_FALSE(EnsureHelpAgent(s));
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{L"message VS 2010 Help not installed"}));
    s.Calls.clear();
    s.Path = L"C:\\Help\\HelpLibAgent.exe";
    s.Exists = false;
    EXPECT_FALSE(EnsureHelpAgent(s));
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{
                           L"message MS Help Library Agent application not found: \rC:\\Help\\HelpLibAgent.exe"}));
}

TEST(AgentCheck, OnlineModeIsLeftOnlyWhenTheUserSaysYes) {
    FakeAgentSystem s;
    s.Mode = L"online";
    s.AnswerYes = false;
    int switched = 0;
    EXPECT_FALSE(EnsureHelpAgent(s, [&] { ++switched; }));
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{L"ask " + MsgTxt_SwitchToOfflineMode}));
    EXPECT_EQ(s.Mode, L"online");
    EXPECT_EQ(switched, 0);

    s.Calls.clear();
    s.AnswerYes = true;
    EXPECT_TRUE(EnsureHelpAgent(s, [&] { ++switched; }));
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{L"ask " + MsgTxt_SwitchToOfflineMode, L"mode offline",
                                                  L"start C:\\Help\\HelpLibAgent.exe", L"wait"}));
    EXPECT_EQ(switched, 1);

    // A mode file that cannot be changed: no agent will come, so there is no endless wait.
    s.Calls.clear();
    s.Mode = L"online";
    s.ModeWritable = false;
    EXPECT_FALSE(EnsureHelpAgent(s));
    EXPECT_EQ(s.Calls.back(), L"mode offline");

    // Online with an agent running (the user started it): its port is waited for, no question.
    s.Calls.clear();
    s.Running = true;
    EXPECT_TRUE(EnsureHelpAgent(s));
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{L"wait"}));
}

TEST(AgentCheck, ACheckAskedForDuringTheWaitGetsNoAndTheFirstGoesOn) {
    FakeAgentSystem s;
    bool inner = true;
    s.DuringWait = [&] {
        EXPECT_TRUE(EnsureHelpAgentRunning());
        inner = EnsureHelpAgent(s);
    };
    EXPECT_TRUE(EnsureHelpAgent(s));
    EXPECT_FALSE(inner);
    EXPECT_FALSE(EnsureHelpAgentRunning());
    EXPECT_EQ(s.Calls, (std::vector<std::wstring>{L"start C:\\Help\\HelpLibAgent.exe", L"wait"}));
}
