// The agent-wait thread.
#include "UH3Thread.h"

#include "Boundary.h"
#include "FCancel.h"
#include "Forms.h"
#include "UH3_Agent.h"
#include "UH3_Code.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace {

std::mutex g_ProbeLock;
TAgentProbe g_Probe;

std::unique_ptr<TH3Thread> g_H3Thread;
std::atomic<int> g_H3Instances{0};
// How long StopH3Thread waits for a thread to end before leaving it to end by itself.
constexpr DWORD StopWaitMs = 300;
bool g_WaitCancel = false;
bool g_WaitDone = false;
bool g_WaitResult = false;
bool g_Waiting = false;
TAgentWaitInfo g_LastWait;

TAgentProbe CurrentProbe() {
    {
        std::lock_guard<std::mutex> lock(g_ProbeLock);
        if (g_Probe)
            return g_Probe;
    }
    // The port is read here, on the GUI thread: the probing thread does not touch the paths.
    return [port = CurrentH3Paths().AgentUrlPort()] { return ProbeAgentPort(port); };
}

// The thread goes its own way: it frees itself when it ends (or now, when it has ended).
void AbandonH3Thread() {
    if (!g_H3Thread)
        return;
    g_H3Thread->Terminate();
    if (g_H3Thread->Ended) {
        g_H3Thread.reset(); // only its last instructions are left to wait for
        return;
    }
    g_H3Thread->Abandoned = true;
    g_H3Thread.release();
}

} // namespace

TAgentProbeResult ProbeHelpAgent() { return ProbeAgentPort(CurrentH3Paths().AgentUrlPort()); }

TAgentProbeResult ProbeAgentPort(const std::wstring& Port) {
    std::wstring port = Port;
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

TH3Thread::TH3Thread() {
    ++g_H3Instances;
    // Runs on the GUI thread after Execute.
    OnTerminate = [](TObject* Sender) {
        auto* thread = static_cast<TH3Thread*>(Sender);
        thread->Ended = true;
        if (thread->Abandoned)
            delete thread;
    };
}

TH3Thread::~TH3Thread() { --g_H3Instances; }

int H3ThreadInstances() { return g_H3Instances; }

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
        Synchronize([this, done, text, found] {
            if (!Abandoned)
                done(text, found);
        });
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
    AddEndStep(&StopH3Thread); // a wait still running at exit is stopped in time
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
    // Serve the thread's report and end while waiting a moment for them.
    const ULONGLONG until = GetTickCount64() + StopWaitMs;
    for (ULONGLONG now = GetTickCount64(); g_H3Thread && !g_H3Thread->Ended && now < until; now = GetTickCount64())
        CheckSynchronize(static_cast<DWORD>(std::min<ULONGLONG>(until - now, 10)));
    AbandonH3Thread();
}

bool H3ThreadExists() { return g_H3Thread != nullptr; }

const TAgentWaitInfo& LastAgentWait() { return g_LastWait; }

bool WaitForHelpAgent(TCustomForm* Owner, int Offset) {
    if (g_Waiting)
        return false; // a wait is already running further up the stack
    // The program's end has been asked for (its window closed during an earlier wait, say):
    // no agent is waited for any more.
    if (Application && Application->Terminated())
        return false;
    g_LastWait = TAgentWaitInfo{};
    g_Waiting = true;
    struct TWaitingGuard {
        ~TWaitingGuard() { g_Waiting = false; }
    } guard;

    TWaitScope waiting;
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
        const ULONGLONG start = GetTickCount64();
        int polls = 0;
        while (!g_WaitDone) {
            // Until the next 100 ms step, take the thread's report as soon as it comes.
            const ULONGLONG next = start + 100ull * static_cast<ULONGLONG>(polls + 1);
            for (ULONGLONG now = GetTickCount64(); !g_WaitDone && now < next; now = GetTickCount64())
                CheckSynchronize(static_cast<DWORD>(next - now));
            if (g_WaitDone)
                break;
            ++polls;
            if (polls == 20) {
                wrap.ShowForm();
                g_LastWait.DialogShown = wrap.Form() != nullptr;
            }
            if (Application)
                Application->ProcessMessages();
            CheckSynchronize();
            if (WaitsCancelledForClose())
                g_WaitCancel = true; // the program closes once the wait has returned
            if (g_WaitCancel)
                break; // at once: a probe that is still waiting is left to end by itself
            if (Application && Application->Terminated())
                break; // the program's end, asked for meanwhile, ends the wait too
            if (!g_WaitDone && (!g_H3Thread || g_H3Thread->Ended))
                break; // ended without reporting (its report failed): not found
        }
        g_LastWait.Polls = polls;
    }
    const bool result = !g_WaitCancel && g_WaitDone && g_WaitResult;
    g_LastWait.Cancelled = g_WaitCancel;
    if (g_WaitCancel)
        AbandonH3Thread();
    else
        StopH3Thread();
    return result;
}
