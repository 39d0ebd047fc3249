// Waiting for the help agent's port without freezing the window: a worker thread probes
// the port while the GUI thread keeps handling messages; a cancel window lets the user
// give up.
#pragma once

#include "Threads.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

class TCustomForm;

// What one probe of the agent found.
enum class TAgentProbeResult { Listening, NotListening, Failed };
using TAgentProbe = std::function<TAgentProbeResult()>;
// The probe of the runtime's agent port (a port that is no number from 1 to 65535 fails).
TAgentProbeResult ProbeHelpAgent();
// The probe of Port as the runtime names it (empty: HTTP's 80).
TAgentProbeResult ProbeAgentPort(const std::wstring& Port);
// Replaces the probe (tests); an empty one restores ProbeHelpAgent. Returns the previous one.
TAgentProbe SetAgentProbe(TAgentProbe Probe);

using TH3DoneEvent = std::function<void(const std::wstring& Text, bool Found)>;

class TH3Thread : public TThread {
public:
    VORLANE_CLASS_NAME(TH3Thread)
    TH3Thread();
    ~TH3Thread() override;
    TH3DoneEvent OnDone;
    std::wstring DoneText;       // always empty
    std::atomic<bool> Found{false};
    uint8_t Tag = 0;
    TAgentProbe Probe;
    // Milliseconds between two probes.
    static constexpr unsigned ProbePauseMs = 50;

    // GUI thread only. Given up by its owner: its report is dropped and it frees itself
    // when it ends. Ended: its end was reported on the GUI thread.
    bool Abandoned = false;
    bool Ended = false;

protected:
    void Execute() override;
};

// Starts the probing thread (nothing while one exists).
void StartH3Thread(uint8_t Tag, TH3DoneEvent OnDone);
// Asks the thread to end.
void TerminateH3Thread();
// Asks the thread to end and frees it after its end. A thread that does not end within
// a moment (a probe still waiting for its answer) is left to end by itself: its report
// is dropped and it frees itself. The program's end steps (RunEndSteps) call it for a
// thread that still runs.
void StopH3Thread();
bool H3ThreadExists();
// Agent-wait thread objects that exist, given-up ones included.
int H3ThreadInstances();

// True when the agent answers. The probes run on the thread only; the GUI thread waits in
// 100 ms steps while handling messages; after 2 seconds a cancel window (placed at
// Owner's left + Offset) lets the user give up (false at once, even while a probe is
// waiting for its answer). A probe that fails ends the wait with false. A call made while
// a wait is running returns false at once.
bool WaitForHelpAgent(TCustomForm* Owner, int Offset);

// What the last wait did (for the viewer's trace and the tests).
struct TAgentWaitInfo {
    int Polls = 0;
    bool DialogShown = false;
    bool Cancelled = false;
};
const TAgentWaitInfo& LastAgentWait();
