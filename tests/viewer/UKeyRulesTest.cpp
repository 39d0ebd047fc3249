// The key, mouse and command rules of the main window, and the hook that carries them out.
#include "Boundary.h"
#include "UInputHook.h"
#include "UKeyRules.h"
#include "UViewerCommands.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace {

using A = TViewerAction;
using O = TKeyOutcome;

struct KeyRow {
    const char* Mods; // letters C, A, S
    UINT Key;
    TKeyDecision Expected;
    UINT Msg = WM_KEYDOWN;
    bool Extended = false;
};

TKeyEvent Event(const KeyRow& R) {
    const std::string m = R.Mods;
    return {R.Msg, R.Key, m.find('C') != std::string::npos, m.find('A') != std::string::npos,
            m.find('S') != std::string::npos, R.Extended};
}

std::string Describe(const KeyRow& R) {
    return std::string("mods '") + R.Mods + "' key 0x" + std::to_string(R.Key) + " msg " + std::to_string(R.Msg);
}

TKeyDecision Act(A a) { return {O::RunAction, a, -1}; }
TKeyDecision Post(int c) { return {O::PostCommand, A::None, c}; }
const TKeyDecision Leave{};
const TKeyDecision Page{O::ToPage};

void ExpectRows(const std::vector<KeyRow>& Rows, bool F1Minimize = false) {
    for (const KeyRow& r : Rows) {
        TKeyRuleState state;
        EXPECT_EQ(DecideKey(Event(r), F1Minimize, state), r.Expected) << Describe(r);
    }
}

} // namespace

TEST(KeyRules, PaneAndFocusKeys) {
    ExpectRows({
        {"CA", 'T', Act(A::TocPage)},       {"CA", 'N', Act(A::IndexPage)}, {"CA", 'B', Act(A::BookmarksPage)},
        {"CA", 'C', Act(A::CatalogBox)},    {"CA", 'S', Act(A::GotoSearch)}, {"CA", 'A', Act(A::AddressBar)},
        {"CA", 'D', Act(A::Document)},      {"C", '0', Act(A::NavigationPane)}, {"C", '1', Act(A::TocPage)},
        {"C", '2', Act(A::IndexPage)},      {"C", '3', Act(A::BookmarksPage)}, {"C", '4', Act(A::AddressBar)},
        {"C", '5', Act(A::Document)},       {"C", 'E', Act(A::GotoSearch)},
        // Ctrl+Alt+F and Ctrl+Alt+E are no pane keys: with Ctrl down they go to the page
        {"CA", 'F', Page},                  {"CA", 'E', Page},
        // Ctrl+6 has no pane; Ctrl+Alt+Shift+T is not Ctrl+Alt+T
        {"C", '6', Page},                   {"CAS", 'T', Page},
        // Alt alone leaves letters to the menus
        {"A", 'T', Leave, WM_SYSKEYDOWN},
    });
}

TEST(KeyRules, PostedCommands) {
    ExpectRows({
        {"C", 'T', Post(vcTocSync)},           {"C", 'D', Post(vcDebugWindow)},
        {"", VK_F3, Post(vcFindNext)},         {"CAS", VK_F3, Post(vcFindNext)},
        {"C", 'F', Post(vcFind)},              {"CS", 'T', Post(vcEmbeddedNavigation)},
        {"", VK_F5, Post(vcRefresh)},          {"C", VK_F4, Post(vcCloseTab)},
        {"C", 'W', Post(vcCloseTab)},          {"C", 'B', Post(vcBookmark)},
        {"CS", 'Z', Post(vcZoom100)},          {"C", VK_ADD, Post(vcZoomIn)},
        {"C", VK_SUBTRACT, Post(vcZoomOut)},   {"S", VK_F8, Post(vcOnlineOffline)},
        {"CS", '0', Post(0)},                  {"CS", '7', Post(7)},
        {"CS", '9', Post(9)},                  {"CS", VK_OEM_PLUS, Post(vcOpenWithHlpViewer)},
        {"C", 'N', Post(vcNewTab)},
        // F12 always posts the help-tools command; the command picks by the modifiers
        {"", VK_F12, Post(vcHelpTools)},       {"C", VK_F12, Post(vcHelpTools)},
        {"A", VK_F12, Post(vcHelpTools), WM_SYSKEYDOWN},
        // only F5 alone refreshes: Shift+F5 stays with the menus, Ctrl+F5 goes to the page
        {"S", VK_F5, Leave},                   {"C", VK_F5, Page},
        // Ctrl+Shift+B is no bookmark key
        {"CS", 'B', Page},
    });
}

TEST(KeyRules, F1AndCtrlF1SwapWithTheOption) {
    ExpectRows({{"", VK_F1, Act(A::OnlineHelp)}, {"C", VK_F1, Act(A::MinimizeApp)}, {"S", VK_F1, Act(A::OnlineHelp)}},
               false);
    ExpectRows({{"", VK_F1, Act(A::MinimizeApp)}, {"C", VK_F1, Act(A::OnlineHelp)},
                {"CS", VK_F1, Act(A::MinimizeApp)}},
               true);
}

TEST(KeyRules, KeysForThePage) {
    ExpectRows({
        {"", VK_RETURN, Page},
        {"C", 'C', Page},
        {"", VK_LEFT, Page, WM_KEYDOWN, true},
        {"", VK_DELETE, Page, WM_KEYDOWN, true},
        // the numeric-pad forms (not extended) and plain letters stay with the control
        {"", VK_LEFT, Leave},
        {"", 'X', Leave},
        {"", VK_TAB, Leave},
        {"CA", VK_TAB, Leave},
        // Ctrl+Tab and Ctrl+Shift+Tab step through the tabs, only on a real key-down
        {"C", VK_TAB, Post(vcNextTab)},
        {"CS", VK_TAB, Post(vcPreviousTab)},
        {"C", VK_TAB, {O::Swallow}, WM_SYSKEYDOWN},
        // key-ups and characters are never examined
        {"C", 'T', Leave, WM_KEYUP},
        {"C", 'T', Leave, WM_CHAR},
    });
}

TEST(KeyRules, CtrlShiftZeroRunsOnceFromKeyDownOrKeyUp) {
    TKeyRuleState state;
    const TKeyEvent down{WM_KEYDOWN, '0', true, false, true, false};
    const TKeyEvent up{WM_KEYUP, '0', true, false, true, false};
    // both messages arrive: the key-down runs it, the key-up does not again
    EXPECT_EQ(DecideKey(down, false, state), Post(0));
    EXPECT_EQ(DecideKey(up, false, state), Leave);
    // only the key-up arrives (the system kept the key-down)
    EXPECT_EQ(DecideKey(up, false, state), Post(0));
    EXPECT_TRUE(state.CtrlDown && state.ShiftDown && !state.AltDown);
    // Shift+0 typed into a field stays a key-up (nothing typed twice)
    EXPECT_EQ(DecideKey({WM_KEYUP, '0', false, false, true, false}, false, state), Leave);
    EXPECT_EQ(DecideKey({WM_KEYUP, '0', true, true, true, false}, false, state), Leave);
}

TEST(KeyRules, ModifiersOfTheLastKeyDownAreKept) {
    TKeyRuleState state;
    DecideKey({WM_KEYDOWN, VK_F12, true, false, true, false}, false, state);
    DecideKey({WM_KEYUP, VK_F12, false, false, false, false}, false, state);
    EXPECT_TRUE(state.CtrlDown);
    EXPECT_TRUE(state.ShiftDown);
    EXPECT_FALSE(state.AltDown);
}

TEST(MouseRules, ButtonsWheelAndExtraButtons) {
    using M = TMouseOutcome;
    EXPECT_EQ(DecideMouse(WM_MOUSEMOVE, 0).Outcome, M::TrackPosition);
    EXPECT_EQ(DecideMouse(WM_RBUTTONDOWN, 0).Outcome, M::LeaveAlone);
    const TMouseDecision in = DecideMouse(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 120));
    const TMouseDecision out = DecideMouse(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)));
    EXPECT_EQ(in, (TMouseDecision{M::RunAction, A::ZoomIn}));
    EXPECT_EQ(out, (TMouseDecision{M::RunAction, A::ZoomOut}));
    EXPECT_EQ(DecideMouse(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, 0)).Action, A::ZoomOut);
    EXPECT_EQ(DecideMouse(WM_MOUSEWHEEL, MAKEWPARAM(0, 120)).Outcome, M::LeaveAlone);
    EXPECT_EQ(DecideMouse(WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1)), (TMouseDecision{M::RunAction, A::Back}));
    EXPECT_EQ(DecideMouse(WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON2)), (TMouseDecision{M::RunAction, A::Forward}));
    EXPECT_EQ(DecideMouse(WM_XBUTTONUP, MAKEWPARAM(MK_CONTROL, XBUTTON1)).Command, vcPreviousTab);
    EXPECT_EQ(DecideMouse(WM_XBUTTONUP, MAKEWPARAM(MK_CONTROL, XBUTTON2)).Command, vcNextTab);
}

TEST(MouseRules, TabRowBelongsToTheStripOnlyWithTwoTabs) {
    EXPECT_TRUE(MiddleClickOnTabRow(2, {1, 1}, 300));
    EXPECT_TRUE(MiddleClickOnTabRow(5, {299, 19}, 300));
    EXPECT_FALSE(MiddleClickOnTabRow(1, {10, 10}, 300));
    EXPECT_FALSE(MiddleClickOnTabRow(2, {0, 10}, 300));
    EXPECT_FALSE(MiddleClickOnTabRow(2, {300, 10}, 300));
    EXPECT_FALSE(MiddleClickOnTabRow(2, {10, 20}, 300));
}

TEST(Commands, TabStepsWrapAndNeedATab) {
    using C = TCommandAction;
    EXPECT_EQ(PlanCommand(vcNextTab, {1, 0}), (TCommandPlan{C::SelectTab, 0}));
    EXPECT_EQ(PlanCommand(vcPreviousTab, {1, 0}), (TCommandPlan{C::SelectTab, 0}));
    EXPECT_EQ(PlanCommand(vcNextTab, {3, 2}), (TCommandPlan{C::SelectTab, 0}));
    EXPECT_EQ(PlanCommand(vcPreviousTab, {3, 0}), (TCommandPlan{C::SelectTab, 2}));
    EXPECT_EQ(PlanCommand(vcNextTab, {3, 1}), (TCommandPlan{C::SelectTab, 2}));
    // the tab is gone by the time the command runs
    for (int c : std::initializer_list<int>{0, 5, vcNextTab, vcFind, vcRefresh, vcCloseTab, vcBookmark, vcTocSync, vcFocusDocument, vcFindNext})
        EXPECT_EQ(PlanCommand(c, {0, -1}).Action, C::None) << c;
    EXPECT_EQ(PlanCommand(vcCloseTab, {2, 2}).Action, C::None); // index past the strip
    // commands of the window itself run without a tab
    EXPECT_EQ(PlanCommand(vcNewTab, {0, -1}).Action, C::NewTab);
    EXPECT_EQ(PlanCommand(vcZoomOut, {0, -1}).Action, C::ZoomOut);
    EXPECT_EQ(PlanCommand(vcDebugWindow, {0, -1}).Action, C::DebugWindow);
}

TEST(Commands, NumbersAndHelpTools) {
    using C = TCommandAction;
    const TCommandState tab{1, 0};
    EXPECT_EQ(PlanCommand(7, tab), (TCommandPlan{C::OpenWithBrowser, 7}));
    EXPECT_EQ(PlanCommand(vcFind, tab).Action, C::ToggleFind);
    EXPECT_EQ(PlanCommand(vcFindNext, tab).Action, C::ToggleFind);
    for (int c : {10, 15, 20, 39, 1000, -1}) EXPECT_EQ(PlanCommand(c, tab).Action, C::None) << c;

    auto tool = [](bool ctrl, bool alt, bool shift) { return PlanCommand(vcHelpTools, {0, -1, ctrl, alt, shift}).Action; };
    EXPECT_EQ(tool(false, false, false), C::StartHelpAgent);
    EXPECT_EQ(tool(true, false, false), C::HelpLibraryManager);
    EXPECT_EQ(tool(true, false, true), C::CrossmereTool);
    EXPECT_EQ(tool(false, true, false), C::None);  // Alt+F12
    EXPECT_EQ(tool(false, false, true), C::None);  // Shift+F12
    EXPECT_EQ(tool(true, true, false), C::None);
}

// ---------------------------------------------------------------------------------
// The hook with a page double

namespace {

class FakeTarget : public TInputTarget {
public:
    bool KeyIsDown(int Key) override {
        return (Key == VK_CONTROL && Ctrl) || (Key == VK_MENU && Alt) || (Key == VK_SHIFT && Shift);
    }
    bool F1Minimize() override { return false; }
    void RunAction(TViewerAction Action) override { Actions.push_back(Action); }
    void PostCommand(int Command) override { Posted.push_back(Command); }
    bool PageHasDocument() override { return Document; }
    bool PageHasFocus() override { return Focused; }
    bool ElementAtMouse(POINT) override { return Document && (Element || !Link.empty()); }
    std::wstring LinkAtMouse(POINT At) override {
        AskedAt = At;
        return Document ? Link : std::wstring();
    }
    bool ClickAtMouse(POINT) override {
        ClickedWithForce = ForceNewTab;
        ++Clicks;
        return Clickable;
    }
    void SetForceNewTab(bool Value) override { ForceNewTab = Value; }
    bool PageIsActiveControl() override { return Active; }
    bool PageAccelerator(MSG&, HRESULT& Result) override {
        ++Translated;
        Result = Answer;
        return HasObject;
    }
    void DispatchKey(const MSG&) override { ++Dispatched; }
    int TabCount() override { return Tabs; }
    bool TabStripPoint(POINT Screen, POINT& Client, int& Width) override {
        Client = {Screen.x - 100, Screen.y - 50};
        Width = 400;
        return true;
    }

    bool Ctrl = false, Alt = false, Shift = false;
    bool Document = true, Focused = true, Element = false, Clickable = true, ForceNewTab = false;
    bool ClickedWithForce = false, Active = true, HasObject = true;
    HRESULT Answer = S_FALSE;
    std::wstring Link;
    int Tabs = 1, Clicks = 0, Translated = 0, Dispatched = 0;
    POINT AskedAt{};
    std::vector<TViewerAction> Actions;
    std::vector<int> Posted;
};

MSG Msg(UINT Message, WPARAM W = 0, LPARAM L = 0, POINT Pt = {}) {
    MSG m{};
    m.message = Message;
    m.wParam = W;
    m.lParam = L;
    m.pt = Pt;
    return m;
}

bool Send(TInputHook& Hook, FakeTarget& T, MSG M) { return Hook.Message(M, T); }

} // namespace

TEST(InputHook, PageAcceleratorsRunAKeyOnce) {
    TInputHook hook;
    FakeTarget t;
    t.Ctrl = true;
    // the page took the key: it is not dispatched again
    t.Answer = S_OK;
    EXPECT_TRUE(Send(hook, t, Msg(WM_KEYDOWN, 'C')));
    EXPECT_EQ(t.Translated, 1);
    EXPECT_EQ(t.Dispatched, 0);
    // the page did not take it: the page's window gets it, once
    t.Answer = S_FALSE;
    EXPECT_TRUE(Send(hook, t, Msg(WM_KEYDOWN, 'C')));
    EXPECT_EQ(t.Dispatched, 1);
    // no in-place object, no document, or another control active: left to the loop
    t.HasObject = false;
    EXPECT_FALSE(Send(hook, t, Msg(WM_KEYDOWN, 'C')));
    t.HasObject = true;
    t.Document = false;
    EXPECT_FALSE(Send(hook, t, Msg(WM_KEYDOWN, 'C')));
    t.Document = true;
    t.Active = false;
    EXPECT_FALSE(Send(hook, t, Msg(WM_KEYDOWN, 'C')));
    EXPECT_EQ(t.Dispatched, 1);
}

TEST(InputHook, KeysPostOrRunWithTheSampledModifiers) {
    TInputHook hook;
    FakeTarget t;
    t.Ctrl = t.Shift = true;
    EXPECT_TRUE(Send(hook, t, Msg(WM_KEYDOWN, VK_F12)));
    EXPECT_EQ(t.Posted, std::vector<int>{vcHelpTools});
    EXPECT_TRUE(hook.Keys().CtrlDown && hook.Keys().ShiftDown);
    t.Shift = false;
    t.Alt = true;
    EXPECT_TRUE(Send(hook, t, Msg(WM_KEYDOWN, 'T')));
    EXPECT_EQ(t.Actions, std::vector<TViewerAction>{A::TocPage});
    // the extended flag sits in bit 24 of lParam
    t.Ctrl = t.Alt = false;
    EXPECT_TRUE(Send(hook, t, Msg(WM_KEYDOWN, VK_RIGHT, 1 << 24)));
    EXPECT_FALSE(Send(hook, t, Msg(WM_KEYDOWN, VK_RIGHT, 0)));
    EXPECT_EQ(t.Translated, 1);
}

TEST(InputHook, MiddleClickOnALinkOpensANewTab) {
    TInputHook hook;
    FakeTarget t;
    t.Link = L"http://x/a.htm";
    t.Focused = false;
    Send(hook, t, Msg(WM_MOUSEMOVE, 0, 0, {130, 200}));
    EXPECT_TRUE(Send(hook, t, Msg(WM_MBUTTONDOWN)));
    EXPECT_EQ(t.Actions, std::vector<TViewerAction>{A::Document}); // the page took the focus
    EXPECT_TRUE(Send(hook, t, Msg(WM_MBUTTONUP)));
    EXPECT_EQ(t.AskedAt.x, 130); // the element at the last mouse position
    EXPECT_EQ(t.Clicks, 1);
    EXPECT_TRUE(t.ClickedWithForce);
    // a click that does not come off leaves the flag clear and the message to the page
    t.Clickable = false;
    t.ForceNewTab = false;
    EXPECT_FALSE(Send(hook, t, Msg(WM_MBUTTONUP)));
    EXPECT_FALSE(t.ForceNewTab);
    // no link under the mouse: the page gets both messages
    t.Link.clear();
    t.Clickable = true;
    EXPECT_FALSE(Send(hook, t, Msg(WM_MBUTTONDOWN)));
    EXPECT_FALSE(Send(hook, t, Msg(WM_MBUTTONUP)));
}

TEST(InputHook, MiddleClickOnTheTabRowIsLeftToTheStrip) {
    TInputHook hook;
    FakeTarget t;
    t.Link = L"http://x/a.htm";
    Send(hook, t, Msg(WM_MOUSEMOVE, 0, 0, {110, 60})); // strip point (10, 10)
    t.Tabs = 2;
    EXPECT_FALSE(Send(hook, t, Msg(WM_MBUTTONUP)));
    EXPECT_EQ(t.Clicks, 0);
    t.Tabs = 1; // with one tab the same spot counts as page
    EXPECT_TRUE(Send(hook, t, Msg(WM_MBUTTONUP)));
    EXPECT_EQ(t.Clicks, 1);
}

TEST(InputHook, WheelLeftClickAndExtraButtons) {
    TInputHook hook;
    FakeTarget t;
    EXPECT_TRUE(Send(hook, t, Msg(WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120)))));
    EXPECT_FALSE(Send(hook, t, Msg(WM_MOUSEWHEEL, MAKEWPARAM(0, 120)))); // the page scrolls
    EXPECT_TRUE(Send(hook, t, Msg(WM_XBUTTONUP, MAKEWPARAM(MK_CONTROL, XBUTTON2))));
    EXPECT_EQ(t.Posted, std::vector<int>{vcNextTab});
    // a left click on an element focuses the page but the page still gets the click
    t.Element = true;
    EXPECT_FALSE(Send(hook, t, Msg(WM_LBUTTONDOWN)));
    EXPECT_EQ(t.Actions, (std::vector<TViewerAction>{A::ZoomOut, A::Document}));
    t.Document = false;
    EXPECT_FALSE(Send(hook, t, Msg(WM_LBUTTONDOWN)));
    EXPECT_EQ(t.Actions.size(), 2u);
}

TEST(InputHook, NothingEscapesTheHook) {
    struct Throwing : FakeTarget {
        bool PageHasDocument() override { throw std::runtime_error("frame gone"); }
    } t;
    std::wstring reported;
    TBoundaryHandler old = SetBoundaryHandler(
        [&](const wchar_t* Where, const std::wstring&, const std::wstring& Text) { reported = std::wstring(Where) + L": " + Text; });
    TInputHook hook;
    EXPECT_FALSE(Send(hook, t, Msg(WM_MBUTTONDOWN)));
    SetBoundaryHandler(old);
    EXPECT_EQ(reported, L"TInputHook.Message: frame gone");
}
