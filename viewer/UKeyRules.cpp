#include "UKeyRules.h"

#include "UViewerCommands.h"

#include <utility>

namespace {

using A = TViewerAction;

TKeyDecision Run(TViewerAction Action) { return {TKeyOutcome::RunAction, Action, -1}; }
TKeyDecision Post(int Command) { return {TKeyOutcome::PostCommand, TViewerAction::None, Command}; }

// The modifier combinations the rules name: "Ctrl+key" has Alt and Shift up, and so on.
struct TMods {
    bool Ctrl, Alt, Shift;
    bool CtrlOnly() const { return Ctrl && !Alt && !Shift; }
    bool CtrlShift() const { return Ctrl && Shift && !Alt; }
    bool CtrlAlt() const { return Ctrl && Alt && !Shift; }
    bool None() const { return !Ctrl && !Alt && !Shift; }
};

// Ctrl+Alt+letter: the panes of the navigation area and the focus targets.
TViewerAction CtrlAltAction(UINT Key) {
    switch (Key) {
    case 'T': return A::TocPage;
    case 'N': return A::IndexPage;
    case 'B': return A::BookmarksPage;
    case 'C': return A::CatalogBox;
    case 'S': return A::GotoSearch;
    case 'A': return A::AddressBar;
    case 'D': return A::Document;
    default: return A::None;
    }
}

// Ctrl+digit 0-5: the same targets by number.
TViewerAction CtrlDigitAction(UINT Key) {
    switch (Key) {
    case '0': return A::NavigationPane;
    case '1': return A::TocPage;
    case '2': return A::IndexPage;
    case '3': return A::BookmarksPage;
    case '4': return A::AddressBar;
    case '5': return A::Document;
    default: return A::None;
    }
}

// The rules for a key-down, in their order; the first that matches decides.
TKeyDecision DecideKeyDown(UINT Msg, UINT Key, const TMods& M, bool Extended, bool F1Minimize) {
    if (M.CtrlAlt()) {
        if (const TViewerAction a = CtrlAltAction(Key); a != A::None) return Run(a);
    }
    if (M.CtrlOnly()) {
        if (const TViewerAction a = CtrlDigitAction(Key); a != A::None) return Run(a);
        if (Key == 'T') return Post(vcTocSync);
        if (Key == 'D') return Post(vcDebugWindow);
        if (Key == 'E') return Run(A::GotoSearch);
    }
    if (Key == VK_F3) return Post(vcFindNext);
    if (Key == VK_F1) {
        // The option swaps the two: one of them opens the online help, the other minimises.
        const bool ctrlF1 = M.CtrlOnly();
        return Run(ctrlF1 == F1Minimize ? A::OnlineHelp : A::MinimizeApp);
    }
    if (M.CtrlOnly() && Key == 'F') return Post(vcFind);
    if (Key == VK_F12) return Post(vcHelpTools);
    if (M.CtrlShift() && Key == 'T') return Post(vcEmbeddedNavigation);
    if (M.None() && Key == VK_F5) return Post(vcRefresh);
    if (M.CtrlOnly()) {
        if (Key == VK_F4 || Key == 'W') return Post(vcCloseTab);
        if (Key == 'B') return Post(vcBookmark);
    }
    if (M.CtrlShift() && Key == 'Z') return Post(vcZoom100);
    if (M.CtrlOnly()) {
        if (Key == VK_ADD) return Post(vcZoomIn);
        if (Key == VK_SUBTRACT) return Post(vcZoomOut);
    }
    if (Key == VK_F8) return Post(vcOnlineOffline);
    if (M.CtrlShift()) {
        if (Key >= '0' && Key <= '9') return Post(vcOpenWithBrowser + static_cast<int>(Key - '0'));
        if (Key == VK_OEM_PLUS) return Post(vcOpenWithHlpViewer);
    }

    // Keys the page may want: Tab, Enter, anything with Ctrl, and the editing keys of the
    // extended cluster.
    const bool editKey = Key == VK_BACK || Key == VK_LEFT || Key == VK_RIGHT || Key == VK_DELETE;
    if (!(Key == VK_TAB || Key == VK_RETURN || M.Ctrl || (editKey && Extended))) return {};
    if (M.Ctrl && !M.Alt && Key == VK_TAB) {
        if (Msg != WM_KEYDOWN) return {TKeyOutcome::Swallow};
        return Post(M.Shift ? vcPreviousTab : vcNextTab);
    }
    if (M.CtrlOnly() && Key == 'N') return Post(vcNewTab);
    if (Key != VK_TAB) return {TKeyOutcome::ToPage};
    return {}; // plain Tab: the dialog navigation moves the focus
}

} // namespace

TKeyDecision DecideKey(const TKeyPress& Event, bool F1Minimize, TKeyRuleState& State) {
    UINT msg = Event.Msg;
    if (msg == WM_KEYUP && Event.Key == '0') {
        // Ctrl+Shift+0 from its key-up, when its key-down did not come through. Any other
        // key-up of '0' stays what it is (rewriting it would type the character twice).
        const bool downPosted = std::exchange(State.ZeroKeyDownPosted, false);
        if (downPosted || !Event.Shift || !Event.Ctrl || Event.Alt) return {};
        msg = WM_KEYDOWN;
    }
    if (msg != WM_KEYDOWN && msg != WM_SYSKEYDOWN) return {};

    State.CtrlDown = Event.Ctrl;
    State.AltDown = Event.Alt;
    State.ShiftDown = Event.Shift;
    const TKeyDecision d =
        DecideKeyDown(msg, Event.Key, {Event.Ctrl, Event.Alt, Event.Shift}, Event.Extended, F1Minimize);
    if (Event.Key == '0' && Event.Msg != WM_KEYUP)
        State.ZeroKeyDownPosted = d.Outcome == TKeyOutcome::PostCommand && d.Command == vcOpenWithBrowser;
    return d;
}

TMouseDecision DecideMouse(UINT Msg, WPARAM WParam) {
    const bool ctrl = (LOWORD(WParam) & MK_CONTROL) != 0;
    switch (Msg) {
    case WM_MOUSEMOVE: return {TMouseOutcome::TrackPosition};
    case WM_LBUTTONDOWN: return {TMouseOutcome::FocusPage};
    case WM_MBUTTONDOWN: return {TMouseOutcome::MiddleDown};
    case WM_MBUTTONUP: return {TMouseOutcome::MiddleUp};
    case WM_MOUSEWHEEL:
        if (!ctrl) return {};
        return {TMouseOutcome::RunAction, static_cast<short>(HIWORD(WParam)) < 1 ? A::ZoomOut : A::ZoomIn};
    case WM_XBUTTONUP: {
        const bool first = HIWORD(WParam) == XBUTTON1;
        if (ctrl) return {TMouseOutcome::PostCommand, A::None, first ? vcPreviousTab : vcNextTab};
        return {TMouseOutcome::RunAction, first ? A::Back : A::Forward};
    }
    default: return {};
    }
}

bool MiddleClickOnTabRow(int TabCount, POINT Point, int StripWidth) {
    return TabCount >= 2 && Point.x >= 1 && Point.x < StripWidth && Point.y >= 1 && Point.y < 20;
}
