#include "UH3Thread.h"

#include "../vcl/VclTestSupport.h"
#include "FCancel.h"
#include "LoopbackServer.h"
#include "TntStdCtrls.h"
#include "UH3_Agent.h"
#include "UShotTimer.h"

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

// Probes the given loopback port for the length of one test.
struct PortProbe {
    TAgentProbe Previous;
    std::atomic<int> Calls{0};
    explicit PortProbe(int Port) {
        Previous = SetAgentProbe([this, Port] {
            ++Calls;
            return PortTCP_IsOpen(Port) ? TAgentProbeResult::Listening : TAgentProbeResult::NotListening;
        });
    }
    explicit PortProbe(TAgentProbe Probe) { Previous = SetAgentProbe(std::move(Probe)); }
    ~PortProbe() { SetAgentProbe(Previous); }
};

// Clicks Cancel on the wait's window once it is there.
void CancelWhenShown() {
    SetShotTimer(100, [](TObject*) {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto* f = dynamic_cast<TCancelForm*>(Screen->Forms(i))) {
                f->CancelBtn->Click();
                return;
            }
        CancelWhenShown();
    });
}

} // namespace

TEST(AgentWait, AgentAlreadyListening) {
    Watchdog w(10000);
    loopback::DelayedListener agent(0);
    PortProbe probe(agent.Port());
    EXPECT_TRUE(WaitForHelpAgent(nullptr, 40));
    EXPECT_EQ(LastAgentWait().Polls, 0);
    EXPECT_FALSE(LastAgentWait().DialogShown);
    EXPECT_FALSE(H3ThreadExists());
}

TEST(AgentWait, AgentListeningAfterOneSecondShowsNoWindow) {
    Watchdog w(20000);
    loopback::DelayedListener agent(1000);
    PortProbe probe(agent.Port());
    EXPECT_TRUE(WaitForHelpAgent(nullptr, 40));
    EXPECT_GE(LastAgentWait().Polls, 5);
    EXPECT_LT(LastAgentWait().Polls, 20);
    EXPECT_FALSE(LastAgentWait().DialogShown);
    EXPECT_FALSE(H3ThreadExists());
    // Pauses between probes: about 20 a second, far from a busy loop.
    EXPECT_LT(probe.Calls.load(), 60);
}

TEST(AgentWait, AgentListeningAfterThreeSecondsShowsTheWindow) {
    Watchdog w(20000);
    loopback::DelayedListener agent(3000);
    PortProbe probe(agent.Port());
    TForm owner(nullptr);
    owner.SetBounds(100, 100, 300, 200);
    owner.Show();
    EXPECT_TRUE(WaitForHelpAgent(&owner, 40));
    EXPECT_TRUE(LastAgentWait().DialogShown);
    EXPECT_GE(LastAgentWait().Polls, 20);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    for (int i = 0; i < Screen->FormCount(); ++i)
        EXPECT_EQ(dynamic_cast<TCancelForm*>(Screen->Forms(i)), nullptr); // freed
}

TEST(AgentWait, NoAgentAndCancelReturnsFalse) {
    Watchdog w(20000);
    loopback::DelayedListener agent(-1);
    PortProbe probe(agent.Port());
    CancelWhenShown();
    EXPECT_FALSE(WaitForHelpAgent(nullptr, 40));
    EXPECT_TRUE(LastAgentWait().DialogShown);
    EXPECT_TRUE(LastAgentWait().Cancelled);
    EXPECT_FALSE(H3ThreadExists());
}

TEST(AgentWait, AFailingProbeEndsTheWaitAsNotFound) {
    Watchdog w(10000);
    {
        PortProbe failing([] { return TAgentProbeResult::Failed; });
        EXPECT_FALSE(WaitForHelpAgent(nullptr, 0));
    }
    {
        // The first probe says "not yet", the worker's probe throws.
        std::atomic<int> calls{0};
        PortProbe throwing([&calls]() -> TAgentProbeResult {
            if (++calls == 1)
                return TAgentProbeResult::NotListening;
            throw Exception(L"probe broke");
        });
        EXPECT_FALSE(WaitForHelpAgent(nullptr, 0));
        EXPECT_FALSE(LastAgentWait().DialogShown);
        EXPECT_FALSE(H3ThreadExists());
    }
}

TEST(AgentWait, StopEndsARunningThread) {
    Watchdog w(10000);
    loopback::DelayedListener agent(-1);
    PortProbe probe(agent.Port());
    bool done = false, found = true;
    StartH3Thread(0, [&](const std::wstring&, bool f) {
        done = true;
        found = f;
    });
    StartH3Thread(0, nullptr); // a second one is not made
    EXPECT_TRUE(H3ThreadExists());
    PumpFor(120);
    StopH3Thread();
    EXPECT_FALSE(H3ThreadExists());
    EXPECT_TRUE(done);
    EXPECT_FALSE(found);
}
