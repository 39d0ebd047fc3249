#include "VclTestSupport.h"

#include "AppEvnts.h"
#include "UtilityWindow.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace vcltest;

TEST(AppEvntsTest, IdleAndMessagesReachEverySubscriber) {
    Watchdog watchdog(20000, "application events");
    std::vector<std::string> seen;
    auto* a = new TApplicationEvents(Application);
    auto* b = new TApplicationEvents(Application);
    auto* c = new TApplicationEvents(Application);
    a->OnIdle = [&](TObject* sender, bool& done) {
        EXPECT_EQ(sender, Application);
        EXPECT_TRUE(done);
        seen.push_back("a");
        done = false; // wants another step
    };
    b->OnIdle = [&](TObject*, bool& done) {
        seen.push_back("b");
        delete c; // frees a later subscriber: it is skipped
        c = nullptr;
    };
    c->OnIdle = [&](TObject*, bool&) { seen.push_back("c"); };
    bool ownDone = true;
    Application->OnIdle = [&](TObject*, bool& done) {
        seen.push_back("own");
        ownDone = done;
    };
    bool done = true;
    AppEvents::DoIdle(Application, done);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "b"}));
    EXPECT_FALSE(done) << "one subscriber not done keeps the application idling";

    // Through the loop: the program's OnIdle first, then the subscribers; a's "not done"
    // does not reach b.
    seen.clear();
    b->OnIdle = [&](TObject*, bool& done) {
        EXPECT_TRUE(done);
        seen.push_back("b");
        PostMessageW(nullptr, WM_NULL, 0, 0);
    };
    Application->HandleMessage();
    Application->OnIdle = nullptr;
    EXPECT_EQ(seen, (std::vector<std::string>{"own", "a", "b"}));

    // Messages: the program's OnMessage first; a handled message goes no further.
    std::vector<UINT> got;
    const UINT probe = RegisterWindowMessageW(L"VorlaneAppEventsProbe");
    Application->OnMessage = [&](MSG& m, bool& handled) {
        if (m.message == probe && m.wParam == 1)
            handled = true;
    };
    a->OnMessage = [&](MSG& m, bool& handled) {
        if (m.message == probe) {
            got.push_back(static_cast<UINT>(m.wParam));
            handled = m.wParam == 2;
        }
    };
    b->OnMessage = [&](MSG& m, bool&) {
        if (m.message == probe)
            got.push_back(static_cast<UINT>(m.wParam) + 100);
    };
    for (WPARAM w : {1, 2, 3})
        PostMessageW(nullptr, probe, w, 0);
    Application->ProcessMessages();
    Application->OnMessage = nullptr;
    EXPECT_EQ(got, (std::vector<UINT>{2, 3, 103}));

    // Activation and hints go to all.
    int activations = 0, hints = 0;
    for (TApplicationEvents* e : {a, b}) {
        e->OnActivate = e->OnDeactivate = [&](TObject*) { ++activations; };
        e->OnHint = [&](TObject*) { ++hints; };
    }
    const bool wasActive = Application->Active();
    Application->DoActivateApp(!wasActive);
    Application->DoActivateApp(wasActive);
    const std::wstring oldHint = Application->Hint();
    Application->SetHint(L"events hint");
    Application->SetHint(oldHint);
    EXPECT_EQ(activations, 4);
    EXPECT_EQ(hints, 4);

    const int count = AppEvents::SubscriberCount();
    delete a;
    delete b;
    EXPECT_EQ(AppEvents::SubscriberCount(), count - 2);
}

TEST(UtilityWindowTest, HiddenTopLevelWindowInsideTheBoundary) {
    Watchdog watchdog(20000, "utility window");
    std::vector<UINT> seen;
    std::unique_ptr<TUtilityWindow> window;
    window = std::make_unique<TUtilityWindow>([&](TMessage& m) {
        if (m.Msg < WM_USER)
            return false;
        seen.push_back(m.Msg);
        if (m.Msg == WM_USER + 1)
            throw Exception(L"handler failed");
        if (m.Msg == WM_USER + 2)
            window.reset(); // a handler may free its own window
        m.Result = 42;
        return true;
    });
    HWND wnd = window->Handle();
    EXPECT_EQ(GetAncestor(wnd, GA_PARENT), GetDesktopWindow());
    EXPECT_FALSE(IsWindowVisible(wnd));
    EXPECT_EQ(SendMessageW(wnd, WM_USER, 0, 0), 42);
    std::wstring logged;
    Application->OnException = [&](TObject*, const std::wstring&, const std::wstring&, const std::wstring& msg) {
        logged = msg;
    };
    EXPECT_EQ(SendMessageW(wnd, WM_USER + 1, 0, 0), 0);
    Application->OnException = nullptr;
    EXPECT_EQ(logged, L"handler failed");
    SendMessageW(wnd, WM_USER + 2, 0, 0);
    EXPECT_EQ(window, nullptr);
    EXPECT_FALSE(IsWindow(wnd));
    EXPECT_EQ(seen, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_USER + 2}));
}
