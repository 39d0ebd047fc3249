// The main window's keyboard and mouse rules, decided without a window.
//
// Every key and mouse message of the application passes the main window's message hook
// before menus and controls see it. The hook asks DecideKey / DecideMouse what a message
// means and carries the answer out (UInputHook): run one of the window's handlers at once,
// post a numbered command (UViewerCommands), offer the key to the web page, swallow it, or
// leave it to the menus and the focused control.
//
//   TKeyRuleState keys;                       // lives as long as the hook
//   TKeyDecision d = DecideKey({WM_KEYDOWN, 'T', true, false, false, false}, false, keys);
//   // d.Outcome == TKeyOutcome::PostCommand, d.Command == vcTocSync
#pragma once

#include <windows.h>

// The window's handlers that a key or mouse rule runs directly.
enum class TViewerAction {
    None,
    TocPage,        // mmnuTocPageClick
    IndexPage,      // mmnuIndexPageClick
    BookmarksPage,  // mmnuBookmarksPageClick
    CatalogBox,     // smnuCatalogClick
    GotoSearch,     // smnuGotoSearchClick
    AddressBar,     // smnuAddressBarClick
    Document,       // smnuDocumentClick: the page takes the focus
    NavigationPane, // mmnuNavigationPaneClick
    OnlineHelp,     // mmnuOnlineHelpClick
    MinimizeApp,    // minimise the application
    ZoomIn,         // mmnuZoomInClick with mmnuZoomIn as sender
    ZoomOut,        // mmnuZoomInClick with mmnuZoomOut as sender
    Back,           // mmnuBackClick
    Forward         // mmnuForwardClick
};

// ---------------------------------------------------------------------------------
// Keys

enum class TKeyOutcome {
    LeaveAlone,  // not consumed: menus and the focused control get the key
    RunAction,   // consumed; run Action
    PostCommand, // consumed; post Command
    ToPage,      // offer the key to the active page's accelerators (see UInputHook)
    Swallow      // consumed; nothing happens
};

struct TKeyDecision {
    TKeyOutcome Outcome = TKeyOutcome::LeaveAlone;
    TViewerAction Action = TViewerAction::None;
    int Command = -1;
    bool operator==(const TKeyDecision&) const = default;
};

// One key message as the hook sees it. Ctrl, Alt and Shift are the keys' state when the
// hook examines the message (GetKeyState < 0); Extended is bit 24 of lParam.
struct TKeyPress {
    UINT Msg = WM_KEYDOWN; // WM_KEYDOWN .. WM_SYSDEADCHAR
    UINT Key = 0;          // virtual-key code
    bool Ctrl = false;
    bool Alt = false;
    bool Shift = false;
    bool Extended = false;
};

// What the rules remember between messages.
struct TKeyRuleState {
    // The modifiers of the last key-down the rules examined. The help-tools command reads
    // them when it runs, so they describe the key press that posted it.
    bool CtrlDown = false;
    bool AltDown = false;
    bool ShiftDown = false;
    // Ctrl+Shift+0 posted its command from the key-down. Some systems keep that key-down
    // for themselves (a keyboard-layout hot key), so the key-up alone also runs it; when
    // the key-down came through, the key-up must not run it a second time.
    bool ZeroKeyDownPosted = false;
};

// The key rules. F1Minimize is the online options' swap of F1 and Ctrl+F1.
TKeyDecision DecideKey(const TKeyPress& Event, bool F1Minimize, TKeyRuleState& State);

// ---------------------------------------------------------------------------------
// Mouse

enum class TMouseOutcome {
    LeaveAlone,     // not consumed
    TrackPosition,  // remember the message's screen point as the last mouse position; not consumed
    FocusPage,      // left button down: the page takes the focus when an element is under the mouse; not consumed
    MiddleDown,     // focus the page when it lacks the focus; consumed when a link is under the mouse
    MiddleUp,       // unless on the tab row: a link under the mouse opens in a new tab; consumed then
    RunAction,      // consumed; run Action
    PostCommand     // consumed; post Command
};

struct TMouseDecision {
    TMouseOutcome Outcome = TMouseOutcome::LeaveAlone;
    TViewerAction Action = TViewerAction::None;
    int Command = -1;
    bool operator==(const TMouseDecision&) const = default;
};

// The mouse rules for one message (WM_MOUSEMOVE .. WM_XBUTTONUP); wParam as the message has it.
TMouseDecision DecideMouse(UINT Msg, WPARAM WParam);

// A middle click at Point (client coordinates of the tab strip) belongs to the tab strip:
// the strip shows two or more tabs and the point lies on its tab row.
bool MiddleClickOnTabRow(int TabCount, POINT Point, int StripWidth);
