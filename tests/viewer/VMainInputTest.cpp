// The main window's keys and commands in this process: the hook acts only for the active
// main window, keys that also have a menu shortcut run once, posted commands run when they
// arrive, the hook reaches the active tab's page (a browser double), and Tab repaints the
// buttons after the focus moved.
#include "VMainFixture.h"

#include "FBrowserFrame.h"
#include "FDebug.h"
#include "FakeBrowserView.h"
#include "Messages.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UKeyState.h"
#include "UMessageTexts.h"
#include "UUtilsW.h"
#include "UViewerCommands.h"
#include "UVistaFix.h"
#include "qenSmartTabs.h"

#include "../vcl/VclTestSupport.h"

using namespace vcltest;
using browserfakes::FakeBrowserView;

namespace {

class VMainInput : public VMainFixture {
protected:
    void SetUp() override {
        VMainFixture::SetUp();
        PrevHandler = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& Text, int) {
            Asked.push_back(Text);
            return false;
        });
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorvex\\Crossmere");
    }
    void TearDown() override {
        SetKeys({});
        SetUserMessageHandler(PrevHandler);
        VMainFixture::TearDown();
    }
    // The thread's key state as if these keys were held (the hook and the menus both read it).
    static void SetKeys(std::initializer_list<int> Down) {
        BYTE state[256] = {};
        for (int key : Down)
            state[key] = 0x80;
        SetKeyboardState(state);
    }
    // Shows the window and makes it the active one.
    static void Activate(TVMainForm* F) {
        F->Show();
        SetActiveWindow(F->Handle());
        ASSERT_EQ(GetActiveWindow(), F->Handle());
    }
    // A key as it comes from the queue, to the window with the focus.
    static void QueueKey(TVMainForm* F, UINT Msg, WPARAM Key) {
        HWND target = GetFocus() ? GetFocus() : F->Handle();
        PostMessageW(target, Msg, Key, Msg == WM_KEYUP || Msg == WM_SYSKEYUP ? 0xC0000001 : 1);
        Application->ProcessMessages();
        Application->ProcessMessages(); // the command it posted
    }

    TUserMessageHandler PrevHandler;
    std::vector<std::wstring> Asked;
};

} // namespace

TEST_F(VMainInput, KeysActOnlyForTheActiveMainWindowAndCommandsRunWhenTheyArrive) {
    Watchdog w(60000, "keys");
    auto form = Start();
    TVMainForm* f = form->Form;
    Activate(f);
    DebugForm->ShowDebugWindow(false);

    // Ctrl+D posts the debug-window command; it runs from the queue.
    SetKeys({VK_CONTROL});
    MSG msg{f->Handle(), WM_KEYDOWN, 'D', 1};
    bool handled = false;
    f->ApplicationEvents1Message(msg, handled);
    EXPECT_TRUE(handled);
    EXPECT_FALSE(DebugForm->Visible());
    EXPECT_TRUE(PumpUntil([] { return DebugForm->Visible(); }, 5000));
    DebugForm->ShowDebugWindow(false);
    SetActiveWindow(f->Handle());

    // A message another handler took, or any message while another window is active, is
    // left alone.
    handled = true;
    f->ApplicationEvents1Message(msg, handled);
    EXPECT_TRUE(handled);
    Application->ProcessMessages();
    EXPECT_FALSE(DebugForm->Visible());
    handled = false;
    SetActiveWindow(DebugForm->Handle());
    f->ApplicationEvents1Message(msg, handled);
    EXPECT_FALSE(handled);
    SetActiveWindow(f->Handle());

    // A command posted without a key; numbers without a command do nothing.
    for (int none : {-1, 10, 20, 39, 1000})
        f->Perform(WM_VIEWER_COMMAND, static_cast<WPARAM>(none), 0);
    PostMessageW(f->Handle(), WM_VIEWER_COMMAND, vcDebugWindow, 0);
    EXPECT_TRUE(PumpUntil([] { return DebugForm->Visible(); }, 5000));
    DebugForm->ShowDebugWindow(false);
    EXPECT_TRUE(Asked.empty());
}

TEST_F(VMainInput, AKeyWithAHookRuleAndAMenuShortcutRunsOnce) {
    Watchdog w(60000, "once");
    auto form = Start();
    TVMainForm* f = form->Form;
    Activate(f);
    // Ctrl+Shift+F12 (also the migration tool's menu shortcut): one question about the
    // missing tool, from the command the key posted with its modifiers.
    SetKeys({VK_CONTROL, VK_SHIFT});
    QueueKey(f, WM_KEYDOWN, VK_F12);
    SetKeys({});
    EXPECT_EQ(Asked, std::vector<std::wstring>{MsgTxt_GoToCrossmereDownloadPage});
    EXPECT_TRUE(f->InputHook().Keys().CtrlDown && f->InputHook().Keys().ShiftDown);
    // Alt+F12 and Shift+F12 start nothing; the modifiers of the last key press count, not
    // those held when the command runs.
    for (int mod : {VK_MENU, VK_SHIFT}) {
        SetKeys({mod});
        QueueKey(f, mod == VK_MENU ? WM_SYSKEYDOWN : WM_KEYDOWN, VK_F12);
    }
    SetKeys({VK_CONTROL, VK_SHIFT});
    f->Perform(WM_VIEWER_COMMAND, vcHelpTools, 0);
    SetKeys({});
    EXPECT_EQ(Asked.size(), 1u);
}

TEST_F(VMainInput, TabRepaintsTheButtonsAfterTheFocusMoved) {
    Watchdog w(60000, "tab");
    auto form = Start();
    TVMainForm* f = form->Form;
    Activate(f);
    f->NavPageControl->SetActivePage(f->TabSheetFilters);
    f->CatalogProductEdit->SetFocus();
    ASSERT_EQ(f->ActiveControl(), f->CatalogProductEdit);
    EXPECT_EQ(f->Perform(CM_DIALOGKEY, VK_TAB, 0), 1);
    EXPECT_NE(f->ActiveControl(), f->CatalogProductEdit); // the form's own Tab ran first
    EXPECT_GE(LastVistaFixCount(), 2);                     // the two buttons of the page at least
}

TEST_F(VMainInput, TheHookReachesThePageOfTheActiveTab) {
    Watchdog w(60000, "page");
    const TBrowserViewFactory saved = BrowserViewFactory();
    BrowserViewFactory() = [](TComponent* Owner, TWinControl* Parent) -> TBrowserView* {
        auto* view = new FakeBrowserView(Owner);
        view->SetParent(Parent);
        return view;
    };
    auto form = Start();
    TVMainForm* f = form->Form;
    Activate(f);
    if (f->SmartTabs->GetTabCount() == 0)
        f->NewTab();
    TBrowserFrame* frame = f->ActiveFrame();
    ASSERT_TRUE(frame);
    auto* view = static_cast<FakeBrowserView*>(frame->WebBrowser1);
    // A page with one link that fills the browser.
    view->Page.Elements = {{L"A", L"", L"", L"http://x/b.htm"}};
    view->ElementAt = [](int, int) { return 0; };
    view->Fetch = [](const std::wstring&) { return std::wstring(L"<html><title>a</title><a href=b.htm>b</a></html>"); };
    view->Navigate(L"http://x/a.htm");
    view->Flush();
    ASSERT_TRUE(view->Document());
    view->Fetch = [](const std::wstring&) { return std::wstring(); }; // the link goes nowhere
    const auto send = [&](UINT Msg, WPARAM W, POINT Client) {
        MSG m{f->Handle(), Msg, W, 0, 0, view->ClientToScreen(Client)};
        bool handled = false;
        f->ApplicationEvents1Message(m, handled);
        return handled;
    };

    // Middle button up on the link: a click on it that opens a new tab.
    ForceNewTab = false;
    send(WM_MOUSEMOVE, 0, {10, 10});
    EXPECT_TRUE(send(WM_MBUTTONUP, 0, {10, 10}));
    EXPECT_TRUE(ForceNewTab);
    EXPECT_EQ(view->Log->Clicks, std::vector<std::wstring>{L"A"});
    ForceNewTab = false;
    // On the browser's edge there is no element: the page gets the button.
    send(WM_MOUSEMOVE, 0, {0, 10});
    EXPECT_FALSE(send(WM_MBUTTONUP, 0, {0, 10}));
    EXPECT_EQ(view->Log->Clicks.size(), 1u);

    // A key for the page: its own keyboard handling took it, so it is not dispatched again.
    frame->FrameBasePanel->SetVisible(true); // the page shows
    f->SetActiveControl(view);
    SetKeys({VK_CONTROL});
    view->AcceleratorAnswer = S_OK;
    MSG key{view->Handle(), WM_KEYDOWN, 'C', 1};
    bool handled = false;
    f->ApplicationEvents1Message(key, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(view->Keys, std::vector<WPARAM>{'C'});
    SetKeys({});
    BrowserViewFactory() = saved;
}
