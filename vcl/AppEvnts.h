// TApplicationEvents: a component that hears the application's events beside the
// program's own handlers. Any number of them may live at once; each gets every idle
// step, every queued message the application's OnMessage left unhandled, and the
// activation and hint changes. TApplication::OnIdle and OnMessage stay the program's.
#pragma once

#include "Forms.h"

#include <vector>

class TApplicationEvents : public TComponent {
public:
    VORLANE_CLASS_NAME(TApplicationEvents)
    explicit TApplicationEvents(TComponent* AOwner);
    ~TApplicationEvents() override;

    // Runs on every idle step. Done enters as true; false asks for another idle step
    // soon instead of waiting for the next message. Every subscriber is asked; the
    // application waits only when all of them (and its own OnIdle) are done.
    TIdleEvent OnIdle;
    // Runs for a queued message before it is dispatched; Handled stops it (the later
    // subscribers and the window do not see it then).
    TMessageEvent OnMessage;
    TNotifyEvent OnActivate, OnDeactivate, OnHint;
};

// Called by the application object: fan one event out to every subscriber, oldest first.
// A subscriber freed by an earlier one's handler is skipped.
namespace AppEvents {
void DoIdle(TObject* Sender, bool& Done);
void DoMessage(MSG& Msg, bool& Handled);
void DoActivate(TObject* Sender);
void DoDeactivate(TObject* Sender);
void DoHint(TObject* Sender);
int SubscriberCount();
} // namespace AppEvents
