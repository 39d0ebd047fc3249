// The key and command rules of the main window, and the hook that carries them out.
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

TKeyDecision Act(A a) { return {O::RunAction, a, -1}; }
TKeyDecision Post(int c) { return {O::PostCommand, A::None, c}; }
const TKeyDecision Leave{};
const TKeyDecision Page{O::ToPage};

void ExpectRows(const std::vector<KeyRow>& Rows, bool F1Minimize = false) {
    for (const KeyRow& r : Rows) {
        const std::string m = r.Mods;
        const TKeyPress e{r.Msg, r.Key, m.find('C') != m.npos, m.find('A') != m.npos, m.find('S') != m.npos, r.Extended};
        TKeyRuleState state;
        EXPECT_EQ(DecideKey(e, F1Minimize, state), r.Expected) << "mods '" << r.Mods << "' key " << r.Key << " msg " << r.Msg;
    }
}

} // namespace

TEST(KeyRules, Table) {
    ExpectRows({
        {"CA", 'T', Act(A::TocPage)},        {"CA", 'D', Act(A::Document)},      {"C", '0', Act(A::NavigationPane)},
        {"C", '5', Act(A::Document)},        {"C", 'E', Act(A::GotoSearch)},     {"C", 'T', Post(vcTocSync)},
        {"C", 'D', Post(vcDebugWindow)},     {"CAS", VK_F3, Post(vcFindNext)},   {"C", 'F', Post(vcFind)},
        {"CS", 'T', Post(vcEmbeddedNavigation)}, {"C", 'W', Post(vcCloseTab)},   {"C", VK_F4, Post(vcCloseTab)},
        {"C", 'B', Post(vcBookmark)},        {"CS", 'Z', Post(vcZoom100)},       {"C", VK_SUBTRACT, Post(vcZoomOut)},
        {"S", VK_F8, Post(vcOnlineOffline)}, {"CS", '7', Post(7)},               {"CS", VK_OEM_PLUS, Post(37)},
        {"C", 'N', Post(vcNewTab)},          {"", VK_RETURN, Page},              {"", VK_LEFT, Page, WM_KEYDOWN, true},
        // Ctrl+Alt+F and Ctrl+Alt+E are no pane keys: with Ctrl down they go to the page
        {"CA", 'F', Page},                   {"CA", 'E', Page},                  {"CAS", 'T', Page},
        // F12 always posts the help-tools command, which decides by the modifiers
        {"", VK_F12, Post(vcHelpTools)},     {"A", VK_F12, Post(vcHelpTools), WM_SYSKEYDOWN},
        // only F5 alone refreshes
        {"", VK_F5, Post(vcRefresh)},        {"S", VK_F5, Leave},                {"C", VK_F5, Page},
        // Ctrl+Tab steps through the tabs, only on a real key-down; plain Tab moves the focus
        {"C", VK_TAB, Post(vcNextTab)},      {"CS", VK_TAB, Post(vcPreviousTab)}, {"C", VK_TAB, {O::Swallow}, WM_SYSKEYDOWN},
        {"", VK_TAB, Leave},                 {"", VK_LEFT, Leave},               {"", 'X', Leave},
        {"A", 'T', Leave, WM_SYSKEYDOWN},    {"C", 'T', Leave, WM_KEYUP},
    });
    // the option swaps F1 and Ctrl+F1
    ExpectRows({{"", VK_F1, Act(A::OnlineHelp)}, {"C", VK_F1, Act(A::MinimizeApp)}}, false);
    ExpectRows({{"", VK_F1, Act(A::MinimizeApp)}, {"C", VK_F1, Act(A::OnlineHelp)}, {"CS", VK_F1, Act(A::MinimizeApp)}}, true);
}

TEST(KeyRules, CtrlShiftZeroRunsOnceFromKeyDownOrKeyUp) {
    TKeyRuleState state;
    const TKeyPress down{WM_KEYDOWN, '0', true, false, true, false};
    const TKeyPress up{WM_KEYUP, '0', true, false, true, false};
    // both messages arrive: the key-down runs it, the key-up does not again
    EXPECT_EQ(DecideKey(down, false, state), Post(0));
    EXPECT_EQ(DecideKey(up, false, state), Leave);
    // only the key-up arrives (the system kept the key-down)
    EXPECT_EQ(DecideKey(up, false, state), Post(0));
    // Shift+0 typed into a field stays a key-up (nothing typed twice)
    EXPECT_EQ(DecideKey({WM_KEYUP, '0', false, false, true, false}, false, state), Leave);
    EXPECT_EQ(DecideKey({WM_KEYUP, '0', true, true, true, false}, false, state), Leave);
}

TEST(Commands, TabStepsWrapCommandsNeedATabAndHelpToolsFollowTheModifiers) {
    using C = TCommandAction;
    EXPECT_EQ(PlanCommand(vcNextTab, {1, 0}), (TCommandPlan{C::SelectTab, 0})); // one tab: itself again
    EXPECT_EQ(PlanCommand(vcNextTab, {3, 2}), (TCommandPlan{C::SelectTab, 0}));
    EXPECT_EQ(PlanCommand(vcPreviousTab, {3, 0}), (TCommandPlan{C::SelectTab, 2}));
    EXPECT_EQ(PlanCommand(vcFindNext, {1, 0}).Action, C::ToggleFind);
    // the tab is gone by the time the command runs; numbers without a row do nothing
    EXPECT_EQ(PlanCommand(vcCloseTab, {0, -1}).Action, C::None);
    EXPECT_EQ(PlanCommand(3, {2, 2}).Action, C::None);
    EXPECT_EQ(PlanCommand(15, {1, 0}).Action, C::None);
    EXPECT_EQ(PlanCommand(vcZoomOut, {0, -1}).Action, C::ZoomOut); // the window's own commands need no tab
    auto tool = [](bool ctrl, bool alt, bool shift) { return PlanCommand(vcHelpTools, {0, -1, ctrl, alt, shift}).Action; };
    EXPECT_EQ(tool(false, false, false), C::StartHelpAgent);
    EXPECT_EQ(tool(true, false, false), C::HelpLibraryManager);
    EXPECT_EQ(tool(true, false, true), C::CrossmereTool);
    EXPECT_EQ(tool(false, true, false), C::None); // Alt+F12
    EXPECT_EQ(tool(false, false, true), C::None); // Shift+F12
}

// ---------------------------------------------------------------------------------
// The hook with a page double

namespace {

class FakeTarget : public TInputTarget {
public:
    bool KeyIsDown(int Key) override { return (Key == VK_CONTROL && Ctrl) || (Key == VK_SHIFT && Shift); }
    bool F1Minimize() override { return false; }
    void RunAction(TViewerAction Action) override { Actions.push_back(Action); }
    void PostCommand(int Command) override { Posted.push_back(Command); }
    bool PageHasDocument() override { return Document; }
    bool PageHasFocus() override { return Focused; }
    bool ElementAtMouse(POINT) override { return Document && !Link.empty(); }
    std::wstring LinkAtMouse(POINT At) override { return AskedAt = At, Document ? Link : std::wstring(); }
    bool ClickAtMouse(POINT) override { return ClickedWithForce = ForceNewTab, ++Clicks, Clickable; }
    void SetForceNewTab(bool Value) override { ForceNewTab = Value; }
    bool PageIsActiveControl() override { return Active; }
    bool PageAccelerator(MSG&, HRESULT& Result) override { return Result = Answer, HasObject; }
    void DispatchKey(const MSG&) override { ++Dispatched; }
    int TabCount() override { return Tabs; }
    bool TabStripPoint(POINT Screen, POINT& Client, int& Width) override {
        Client = {Screen.x - 100, Screen.y - 50};
        Width = 400;
        return true;
    }

    bool Ctrl = false, Shift = false, Document = true, Focused = true, Clickable = true, ForceNewTab = false;
    bool ClickedWithForce = false, Active = true, HasObject = true;
    HRESULT Answer = S_FALSE;
    std::wstring Link;
    int Tabs = 1, Clicks = 0, Dispatched = 0;
    POINT AskedAt{};
    std::vector<TViewerAction> Actions;
    std::vector<int> Posted;
};

bool Send(TInputHook& Hook, FakeTarget& T, UINT Message, WPARAM W = 0, LPARAM L = 0, POINT Pt = {}) {
    MSG m{nullptr, Message, W, L, 0, Pt};
    return Hook.Message(m, T);
}

} // namespace

TEST(InputHook, KeysAndThePagesAccelerators) {
    TInputHook hook;
    FakeTarget t;
    t.Ctrl = t.Shift = true;
    EXPECT_TRUE(Send(hook, t, WM_KEYDOWN, VK_F12));
    EXPECT_EQ(t.Posted, std::vector<int>{vcHelpTools});
    EXPECT_TRUE(hook.Keys().CtrlDown && hook.Keys().ShiftDown); // what the command reads later
    t.Shift = false;
    // a key the page's accelerators took is not dispatched again
    t.Answer = S_OK;
    EXPECT_TRUE(Send(hook, t, WM_KEYDOWN, 'C'));
    EXPECT_EQ(t.Dispatched, 0);
    // one they did not take goes to the page's window, once
    t.Answer = S_FALSE;
    EXPECT_TRUE(Send(hook, t, WM_KEYDOWN, 'C'));
    EXPECT_EQ(t.Dispatched, 1);
    // no in-place object or another active control: left to the loop
    t.HasObject = false;
    EXPECT_FALSE(Send(hook, t, WM_KEYDOWN, 'C'));
    t.HasObject = true, t.Active = false;
    EXPECT_FALSE(Send(hook, t, WM_KEYDOWN, 'C'));
    t.Ctrl = false, t.Active = true;
    EXPECT_TRUE(Send(hook, t, WM_KEYDOWN, VK_RIGHT, 1 << 24)); // the extended flag is bit 24
    EXPECT_EQ(t.Dispatched, 2);
}

TEST(InputHook, MiddleClickOpensLinksInANewTabExceptOnTheTabRow) {
    TInputHook hook;
    FakeTarget t;
    t.Link = L"http://x/a.htm";
    t.Focused = false;
    Send(hook, t, WM_MOUSEMOVE, 0, 0, {130, 200});
    EXPECT_TRUE(Send(hook, t, WM_MBUTTONDOWN));
    EXPECT_EQ(t.Actions, std::vector<TViewerAction>{A::Document}); // the page took the focus
    EXPECT_TRUE(Send(hook, t, WM_MBUTTONUP));
    EXPECT_EQ(t.AskedAt.x, 130); // the element at the last mouse position
    EXPECT_TRUE(t.ClickedWithForce);
    // a click that does not come off leaves the flag clear and the message to the page
    t.Clickable = false, t.ForceNewTab = false;
    EXPECT_FALSE(Send(hook, t, WM_MBUTTONUP));
    EXPECT_FALSE(t.ForceNewTab);
    t.Clickable = true;
    // on the tab row (strip point 10,10) with two tabs the strip has it; with one it is page
    Send(hook, t, WM_MOUSEMOVE, 0, 0, {110, 60});
    t.Tabs = 2;
    EXPECT_FALSE(Send(hook, t, WM_MBUTTONUP));
    EXPECT_EQ(t.Clicks, 2);
    t.Tabs = 1;
    EXPECT_TRUE(Send(hook, t, WM_MBUTTONUP));
    EXPECT_EQ(t.Clicks, 3);
    t.Link.clear(); // no link: the page gets both messages
    EXPECT_FALSE(Send(hook, t, WM_MBUTTONDOWN) || Send(hook, t, WM_MBUTTONUP));
}

TEST(InputHook, CtrlWheelZoomsAndExtraButtonsStepBackOrThroughTabs) {
    TInputHook hook;
    FakeTarget t;
    EXPECT_TRUE(Send(hook, t, WM_MOUSEWHEEL, MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-120))));
    EXPECT_FALSE(Send(hook, t, WM_MOUSEWHEEL, MAKEWPARAM(0, 120))); // the page scrolls
    EXPECT_TRUE(Send(hook, t, WM_XBUTTONUP, MAKEWPARAM(0, XBUTTON1)));
    EXPECT_TRUE(Send(hook, t, WM_XBUTTONUP, MAKEWPARAM(MK_CONTROL, XBUTTON2)));
    EXPECT_EQ(t.Actions, (std::vector<TViewerAction>{A::ZoomOut, A::Back}));
    EXPECT_EQ(t.Posted, std::vector<int>{vcNextTab});
}

TEST(InputHook, NothingEscapesTheHook) {
    struct Throwing : FakeTarget {
        bool PageHasDocument() override { throw std::runtime_error("frame gone"); }
    } t;
    std::wstring reported;
    TBoundaryHandler old = SetBoundaryHandler(
        [&](const wchar_t* Where, const std::wstring&, const std::wstring& Text) { reported = std::wstring(Where) + L": " + Text; });
    TInputHook hook;
    EXPECT_FALSE(Send(hook, t, WM_MBUTTONDOWN));
    SetBoundaryHandler(old);
    EXPECT_EQ(reported, L"TInputHook.Message: frame gone");
}
