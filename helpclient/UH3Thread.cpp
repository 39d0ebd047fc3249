// The agent-wait thread.
#include "UH3Thread.h"

#include "Boundary.h"
#include "FCancel.h"
#include "Forms.h"
#include "UH3_Agent.h"
#include "UH3_Code.h"

#include <memory>
#include <mutex>

namespace {

std::mutex g_ProbeLock;
TAgentProbe g_Probe;

std::unique_ptr<TH3Thread> g_H3Thread;
bool g_WaitCancel = false;
bool g_WaitDone = false;
bool g_WaitResult = false;
bool g_Waiting = false;
TAgentWaitInfo g_LastWait;

TAgentProbe CurrentProbe() {
    std::lock_guard<std::mutex> lock(g_ProbeLock);
    return g_Probe ? g_Probe : TAgentProbe(&ProbeHelpAgent);
}

} // namespace

TAgentProbeResult ProbeHelpAgent() {
    std::wstring port = CurrentH3Paths().AgentUrlPort();
    if (port.empty())
        port = L"80";
    int value = 0;
    for (wchar_t c : port) {
        if (c < L'0' || c > L'9' || value > 65535)
            return TAgentProbeResult::Failed;
        value = value * 10 + (c - L'0');
    }
    if (value < 1 || value > 65535)
        return TAgentProbeResult::Failed;
    return PortTCP_IsOpen(value) ? TAgentProbeResult::Listening : TAgentProbeResult::NotListening;
}

TAgentProbe SetAgentProbe(TAgentProbe Probe) {
    std::lock_guard<std::mutex> lock(g_ProbeLock);
    TAgentProbe previous = std::move(g_Probe);
    g_Probe = std::move(Probe);
    return previous;
}

void TH3Thread::Execute() {
    bool found = false;
    while (!Terminated()) {
        TAgentProbeResult r = TAgentProbeResult::Failed;
        try {
            r = Probe ? Probe() : TAgentProbeResult::Failed;
        } catch (...) {
            r = TAgentProbeResult::Failed;
        }
        if (r == TAgentProbeResult::Listening) {
            found = true;
            break;
        }
        if (r == TAgentProbeResult::Failed)
            break; // cannot be probed: not found
        // A short pause between attempts, ended early by a request to stop.
        for (unsigned waited = 0; waited < ProbePauseMs && !Terminated(); waited += 10)
            Sleep(10);
    }
    Found = found;
    if (OnDone) {
        TH3DoneEvent done = OnDone;
        const std::wstring text = DoneText;
        Synchronize([done, text, found] { done(text, found); });
    }
}

void StartH3Thread(uint8_t Tag, TH3DoneEvent OnDone) {
    if (g_H3Thread)
        return;
    auto thread = std::make_unique<TH3Thread>();
    thread->OnDone = std::move(OnDone);
    thread->DoneText.clear();
    thread->Found = false;
    thread->Tag = Tag;
    thread->Probe = CurrentProbe();
    thread->Start();
    g_H3Thread = std::move(thread);
}

void TerminateH3Thread() {
    if (g_H3Thread)
        g_H3Thread->Terminate();
}

void StopH3Thread() {
    if (!g_H3Thread)
        return;
    g_H3Thread->Terminate();
    // Wait for the end (serving the thread's synchronised call) before the object goes:
    // its members are in use until then.
    g_H3Thread->WaitFor();
    g_H3Thread.reset();
}

bool H3ThreadExists() { return g_H3Thread != nullptr; }

const TAgentWaitInfo& LastAgentWait() { return g_LastWait; }

bool WaitForHelpAgent(TCustomForm* Owner, int Offset) {
    if (g_Waiting)
        return false; // a wait is already running further up the stack
    g_LastWait = TAgentWaitInfo{};
    const TAgentProbe probe = CurrentProbe();
    TAgentProbeResult first = TAgentProbeResult::Failed;
    try {
        first = probe();
    } catch (...) {
        first = TAgentProbeResult::Failed;
    }
    if (first == TAgentProbeResult::Listening)
        return true;
    if (first == TAgentProbeResult::Failed)
        return false;

    g_Waiting = true;
    struct TWaitingGuard {
        ~TWaitingGuard() { g_Waiting = false; }
    } guard;

    g_WaitCancel = false;
    g_WaitResult = false;
    g_WaitDone = false;
    try {
        StartH3Thread(0, [](const std::wstring&, bool Found) {
            g_WaitResult = Found;
            g_WaitDone = true;
        });
    } catch (...) {
        ReportCurrentException(L"WaitForHelpAgent");
        StopH3Thread();
        return false;
    }
    {
        const int left = Owner ? Owner->Left() + Offset : -1;
        TCancelWrap wrap(0, 0x7FFFFFFF, L"Vorlane", L"", &g_WaitCancel, left);
        int polls = 0;
        while (!g_WaitDone) {
            Sleep(100);
            ++polls;
            if (polls == 20) {
                wrap.ShowForm();
                g_LastWait.DialogShown = wrap.Form() != nullptr;
            }
            if (Application)
                Application->ProcessMessages();
            CheckSynchronize();
            if (g_WaitCancel) {
                TerminateH3Thread();
                break; // the thread ends by itself; it is freed below
            }
            if (!g_WaitDone && g_H3Thread && g_H3Thread->Finished())
                break; // ended without reporting (its report failed): not found
        }
        g_LastWait.Polls = polls;
    }
    const bool result = !g_WaitCancel && g_WaitResult;
    g_LastWait.Cancelled = g_WaitCancel;
    StopH3Thread();
    return result;
}
