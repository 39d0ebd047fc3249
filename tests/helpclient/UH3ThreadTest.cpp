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

// A probe that hangs (a port that never answers): Cancel returns at once, the thread is
// left to end by itself when its probe comes back, its report dropped, and then frees itself.
TEST(AgentWait, CancelDoesNotWaitForAStuckProbe) {
    Watchdog w(20000);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> calls{0};
    PortProbe stuck([&]() {
        ++calls;
        WaitForSingleObject(release, 15000);
        return TAgentProbeResult::Listening; // too late: nobody waits any more
    });
    DWORD clicked = 0;
    SetShotTimer(2300, [&clicked](TObject*) {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto* f = dynamic_cast<TCancelForm*>(Screen->Forms(i))) {
                clicked = GetTickCount();
                f->CancelBtn->Click();
            }
    });
    EXPECT_FALSE(WaitForHelpAgent(nullptr, 40));
    const DWORD returned = GetTickCount();
    ASSERT_NE(clicked, 0u);
    EXPECT_LT(returned - clicked, 300u);
    EXPECT_TRUE(LastAgentWait().Cancelled);
    EXPECT_FALSE(H3ThreadExists());
    EXPECT_EQ(H3ThreadInstances(), 1); // still in its probe

    // A new wait while the old probe hangs runs a thread of its own.
    {
        loopback::DelayedListener agent(0);
        PortProbe listening(agent.Port());
        EXPECT_TRUE(WaitForHelpAgent(nullptr, 40));
    }
    SetEvent(release);
    EXPECT_TRUE(PumpUntil([] { return H3ThreadInstances() == 0; }, 5000));
    EXPECT_EQ(calls.load(), 1);
    CloseHandle(release);

    // Stopping a thread whose probe hangs does not wait for the probe either.
    HANDLE again = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    PortProbe stuckAgain([again] {
        WaitForSingleObject(again, 15000);
        return TAgentProbeResult::NotListening;
    });
    bool reported = false;
    StartH3Thread(0, [&reported](const std::wstring&, bool) { reported = true; });
    PumpFor(100);
    const DWORD t0 = GetTickCount();
    StopH3Thread();
    EXPECT_LT(GetTickCount() - t0, 1000u);
    EXPECT_FALSE(H3ThreadExists());
    SetEvent(again);
    EXPECT_TRUE(PumpUntil([] { return H3ThreadInstances() == 0; }, 5000));
    EXPECT_FALSE(reported); // the report of a thread given up is dropped
    CloseHandle(again);
}

// A port whose backlog is full never accepts: the probe says "not open" after its
// time-out instead of waiting for the system's connect time-out.
TEST(AgentWait, ProbeOfAFullBacklogEndsInASecond) {
    Watchdog w(20000);
    loopback::FullBacklog server;
    const DWORD t0 = GetTickCount();
    const bool open = PortTCP_IsOpen(server.Port());
    const DWORD took = GetTickCount() - t0;
    std::printf("  probe of a full backlog: %s after %lu ms\n", open ? "open" : "not open",
                static_cast<unsigned long>(took));
    EXPECT_LT(took, 2000u);
}
