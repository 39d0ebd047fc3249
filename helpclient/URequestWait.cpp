// The GUI thread's wait for its agent requests.
#include "URequestWait.h"

#include "AppEvnts.h"
#include "Boundary.h"
#include "FCancel.h"
#include "Forms.h"
#include "Threads.h"
#include "UHttpRequest.h"

#include <algorithm>
#include <memory>
#include <vector>

std::wstring SWaitingForAgent = L"Waiting for the help agent...";

namespace {

bool g_ActionCancelled = false;
int g_Depth = 0;                    // waits running, one inside another
std::vector<MSG> g_Held;            // messages handled after the outermost wait
TRequestWaitInfo g_Info;
TApplicationEvents* g_IdleHook = nullptr;
ULONGLONG g_IdleAt = 0;   // the application's loop last went idle (waiting, it answers)
ULONGLONG g_PumpedAt = 0; // a wait last let the queued messages run

// When the quiet moment of a wait counts from: the last time the thread is known to have
// answered its messages (a loop of the program looked into the queue or went idle, or a
// wait let the messages run), so that requests one after another do not add up their quiet
// moments, nor the work of a handler before its first request.
ULONGLONG QuietFrom() {
    return std::max({Application ? Application->QueueCheckedAt() : 0, g_PumpedAt, g_IdleAt});
}

bool IsInput(UINT Msg) {
    return (Msg >= WM_KEYFIRST && Msg <= WM_KEYLAST) || (Msg >= WM_MOUSEFIRST && Msg <= WM_MOUSELAST) ||
           (Msg >= WM_NCMOUSEMOVE && Msg <= WM_NCXBUTTONDBLCLK) || Msg == WM_NCMOUSEHOVER ||
           Msg == WM_NCMOUSELEAVE || Msg == WM_MOUSEHOVER || Msg == WM_MOUSELEAVE || Msg == WM_INPUT;
}

// What the wait does with a queued message before it could be handled: true when it is
// kept from its window (held for later, or dropped as input to a disabled window). A close
// request for the main window also cancels.
bool KeepBack(const MSG& Msg, HWND CancelWindow, bool& CloseAsked) {
    if (Msg.message == WM_QUIT) {
        g_Held.push_back(Msg);
        CloseAsked = true;
        return true;
    }
    HWND root = Msg.hwnd ? GetAncestor(Msg.hwnd, GA_ROOT) : nullptr;
    const HWND main = MainFormWindow();
    if (Msg.message == WM_CLOSE && Msg.hwnd && Msg.hwnd == main) {
        g_Held.push_back(Msg);
        CloseAsked = true;
        return true;
    }
    // The close box, Alt+F4 or the system menu's Close of the main window: its close.
    if (IsCloseGesture(Msg, main)) {
        g_Held.push_back(MSG{main, WM_CLOSE, 0, 0, Msg.time, Msg.pt});
        CloseAsked = true;
        return true;
    }
    if (!IsInput(Msg.message) || (CancelWindow && root == CancelWindow))
        return false;
    if (root && !IsWindowEnabled(root))
        return true; // as under a modal dialog
    if (CancelWindow)
        return false; // a window of its own (a message box, a menu); the cancel window refuses
                      // the main window's input itself
    g_Held.push_back(Msg);
    return true;
}

// The messages held back, queued again behind what is queued now.
void QueueHeld() {
    std::vector<MSG> held;
    held.swap(g_Held);
    for (const MSG& m : held) {
        if (m.message == WM_QUIT)
            PostQuitMessage(static_cast<int>(m.wParam));
        else if (!m.hwnd || IsWindow(m.hwnd))
            PostMessageW(m.hwnd, m.message, m.wParam, m.lParam);
    }
}

// Handles the queued messages that are not the user's input (paints, timers, posted and
// sent messages).
void HandleQueuedNonInput(bool& CloseAsked) {
    MSG msg;
    for (int n = 0; n < 1000 && PeekMessageW(&msg, nullptr, 0, 0,
                                              PM_REMOVE | PM_QS_POSTMESSAGE | PM_QS_PAINT | PM_QS_SENDMESSAGE);
         ++n) {
        if (KeepBack(msg, nullptr, CloseAsked))
            continue;
        Guarded(L"RequestWait.Dispatch", [&] {
            if (!Application || !Application->PreProcessMessage(msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        });
    }
}

} // namespace

void EndRequestAction() { g_ActionCancelled = false; }

bool RequestActionCancelled() { return g_ActionCancelled; }

const TRequestWaitInfo& RequestWaitInfo() { return g_Info; }

void WaitForRequestOnGuiThread(HANDLE Done, THttpCancel& Cancel, DWORD TimeoutMs) {
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG deadline = start + TimeoutMs;
    // Most requests end within the quiet moment: nothing else runs meanwhile.
    if (WaitsCancelledForClose()) {
        Cancel.Cancel(); // the program closes once its waits have returned
        return;
    }
    const ULONGLONG quietEnd = g_ActionCancelled ? start + RequestAfterCancelMs : QuietFrom() + RequestQuietMs;
    const DWORD quiet = quietEnd > start ? static_cast<DWORD>(std::min<ULONGLONG>(quietEnd - start, TimeoutMs)) : 0;
    if (WaitForSingleObject(Done, quiet) != WAIT_TIMEOUT)
        return;
    if (g_ActionCancelled) {
        Cancel.Cancel(); // the user gave up waiting in this action already
        return;
    }
    ++g_Info.Waits;
    ++g_Depth;
    TWaitScope waiting;
    TApplication::TNestedLoop nested(Application);
    bool cancelClicked = false, closeAsked = false;
    std::unique_ptr<TCancelWrap> window;
    HWND cancelWindow = nullptr;
    const int filter = Application ? Application->AddMessageFilter([&](MSG& Msg) {
        return KeepBack(Msg, cancelWindow, closeAsked);
    }) : -1;
    // The messages that came meanwhile are handled at once, then each as it comes.
    for (bool first = true;; first = false) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            break;
        if (!window && Application && now - start >= RequestWindowMs) {
            Guarded(L"RequestWait.Window", [&] {
                TCustomForm* main = Application->MainForm();
                const std::wstring title = Application->Title();
                window = std::make_unique<TCancelWrap>(0, 0, title.empty() ? std::wstring(L"Vorlane") : title,
                                                       SWaitingForAgent, &cancelClicked,
                                                       main ? main->Left() + 40 : -1);
                if (TCancelForm* form = window->Form())
                    cancelWindow = form->HandleAllocated() ? form->Handle() : nullptr;
                ++g_Info.WindowsShown;
            });
        }
        const ULONGLONG until = window ? deadline : std::min(deadline, start + RequestWindowMs);
        const DWORD wake = window ? QS_ALLINPUT : (QS_POSTMESSAGE | QS_PAINT | QS_TIMER | QS_SENDMESSAGE | QS_HOTKEY);
        if (!first && MsgWaitForMultipleObjects(1, &Done, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(until - now, 20)),
                                                wake) == WAIT_OBJECT_0)
            break;
        if (window)
            Application->ProcessMessages();
        else
            HandleQueuedNonInput(closeAsked);
        g_PumpedAt = GetTickCount64();
        if (cancelClicked || closeAsked || WaitsCancelledForClose()) {
            g_ActionCancelled = true;
            ++g_Info.Cancelled;
            Cancel.Cancel();
            break;
        }
    }
    if (Application && filter >= 0)
        Application->RemoveMessageFilter(filter);
    window.reset();
    if (--g_Depth == 0)
        QueueHeld();
}

void UseGuiRequestWait(bool Use) {
    if (!Use) {
        SetHttpWait(MainThreadID, nullptr);
        return;
    }
    SetHttpWait(MainThreadID, &WaitForRequestOnGuiThread);
    // The cancel of an action ends when the application's loop has nothing left to do.
    if (Application && !g_IdleHook) {
        g_IdleHook = new TApplicationEvents(Application);
        g_IdleHook->OnIdle = [](TObject*, bool&) {
            EndRequestAction();
            g_IdleAt = GetTickCount64();
        };
    }
}
