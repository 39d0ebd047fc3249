// The GUI thread's wait for its requests to the help agent. A request still running when
// the thread has not answered its messages for a moment (RequestQuietMs since a loop last
// looked into the queue or went idle, the work and requests before it in the same handler
// included) lets the window's paints, timers, posted messages and messages from other
// programs run, and RequestWindowMs after its start shows the cancel window ("Waiting for
// the help agent..."); Cancel fails the request at once. The caller still goes on only
// once its request has ended. Meanwhile the user's input is held back, as under a modal
// dialog: input queued before the cancel window shows is handled after the wait, input to
// the windows it disables and to the main window is dropped. A close request for the main
// window (its close box, Alt+F4, its system menu's Close, WM_CLOSE) cancels the wait and is
// handled after it; once CancelWaitsForClose was called every wait ends at once.
//
// A cancel (by the user or by a close request) holds for the rest of the action: until the
// application's loop is idle again, a further request made on the GUI thread that has not
// answered within RequestAfterCancelMs fails then, without a new window, so a handler that
// asks a stalled agent several times gives up as a whole.
#pragma once

#include <windows.h>

#include <string>

class THttpCancel;

// Translatable text of the cancel window.
extern std::wstring SWaitingForAgent; // "Waiting for the help agent..."

// Makes the requests made on the GUI thread (MainThreadID) wait this way; Use false ends it.
void UseGuiRequestWait(bool Use = true);

// The wait itself (what UseGuiRequestWait installs): returns once Done is set, the request
// was cancelled, or TimeoutMs passed.
void WaitForRequestOnGuiThread(HANDLE Done, THttpCancel& Cancel, DWORD TimeoutMs);

// The requests of the running action fail because the user cancelled one.
bool RequestActionCancelled();
// Ends the cancel of the running action (the application's idle step does).
void EndRequestAction();

// What the waits have done (for the viewer's trace and the tests).
struct TRequestWaitInfo {
    int Waits = 0;        // waits that went past their quiet moment
    int WindowsShown = 0; // of them, with the cancel window shown
    int Cancelled = 0;    // ended by a cancel
};
const TRequestWaitInfo& RequestWaitInfo();

// The moments of the wait, in ms (the quiet moment from the last answer, the others from
// the wait's start).
constexpr DWORD RequestQuietMs = 100;
constexpr DWORD RequestWindowMs = 300;
constexpr DWORD RequestAfterCancelMs = 50;
