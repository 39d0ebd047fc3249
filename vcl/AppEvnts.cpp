#include "AppEvnts.h"

#include <algorithm>

namespace {

// The live subscribers in creation order. Never freed: subscribers owned by the
// application leave it during the application's own destruction at program end.
std::vector<TApplicationEvents*>& Subscribers() {
    static auto* list = new std::vector<TApplicationEvents*>;
    return *list;
}

bool IsSubscribed(TApplicationEvents* Events) {
    const auto& list = Subscribers();
    return std::find(list.begin(), list.end(), Events) != list.end();
}

// Calls Fn(subscriber) for every subscriber that still lives when its turn comes; a
// handler may free its own or another subscriber, or make a new one (which waits for
// the next event). Stops when Fn returns false.
template <class F>
void ForEachSubscriber(F&& Fn) {
    const std::vector<TApplicationEvents*> snapshot = Subscribers();
    for (TApplicationEvents* events : snapshot)
        if (IsSubscribed(events) && !Fn(events))
            return;
}

} // namespace

TApplicationEvents::TApplicationEvents(TComponent* AOwner) : TComponent(AOwner) {
    Subscribers().push_back(this);
}

TApplicationEvents::~TApplicationEvents() { std::erase(Subscribers(), this); }

namespace AppEvents {

void DoIdle(TObject* Sender, bool& Done) {
    ForEachSubscriber([&](TApplicationEvents* events) {
        if (TIdleEvent handler = events->OnIdle) {
            bool done = true;
            handler(Sender, done);
            Done = Done && done;
        }
        return true;
    });
}

void DoMessage(MSG& Msg, bool& Handled) {
    if (Handled)
        return;
    ForEachSubscriber([&](TApplicationEvents* events) {
        if (TMessageEvent handler = events->OnMessage)
            handler(Msg, Handled);
        return !Handled;
    });
}

namespace {
void Notify(TNotifyEvent TApplicationEvents::*Event, TObject* Sender) {
    ForEachSubscriber([&](TApplicationEvents* events) {
        if (TNotifyEvent handler = events->*Event)
            handler(Sender);
        return true;
    });
}
} // namespace

void DoActivate(TObject* Sender) { Notify(&TApplicationEvents::OnActivate, Sender); }
void DoDeactivate(TObject* Sender) { Notify(&TApplicationEvents::OnDeactivate, Sender); }
void DoHint(TObject* Sender) { Notify(&TApplicationEvents::OnHint, Sender); }
int SubscriberCount() { return static_cast<int>(Subscribers().size()); }

} // namespace AppEvents
