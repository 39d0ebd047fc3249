// The main window's numbered commands: the private messages that carry them and what
// one command does in the window's present state.
//
// Keys, mouse buttons and code post a command number to the main window; the window runs
// it later, after the key message is done. By then the tab the key was meant for may be
// gone, so a command is planned from the state at the moment it runs: PlanCommand looks
// at the tabs as they are now and answers "nothing" when the command needs a tab and
// there is none. The main window only carries the plan out.
#pragma once

#include <windows.h>

// Private messages of the main window.
constexpr UINT WM_VIEWER_RESTYLE = 0x4B5; // re-apply the page decoration to the active tab's page
constexpr UINT WM_VIEWER_COMMAND = 0x4B6; // wParam = command number (below), lParam 0
constexpr UINT WM_VIEWER_REFOCUS = 0x4B7; // give the page the focus back

// Command numbers (wParam of WM_VIEWER_COMMAND). 1-9 open the page with browser n of the
// Open-with menu; 10-20 and 39 and above do nothing.
enum : int {
    vcOpenWithBrowser = 0, // the default browser; vcOpenWithBrowser + n for browser n (1-9)
    vcNextTab = 21,
    vcPreviousTab = 22,
    vcNewTab = 23,
    vcFind = 24,
    vcRefresh = 25,
    vcOnlineOffline = 26,
    vcCloseTab = 27,
    vcBookmark = 28,
    vcZoomIn = 29,
    vcZoomOut = 30,
    vcZoom100 = 31,
    vcTocSync = 32,
    vcEmbeddedNavigation = 33,
    vcDebugWindow = 34,
    vcHelpTools = 35, // F12: what it starts depends on the modifiers of the key press
    vcFocusDocument = 36,
    vcOpenWithHlpViewer = 37,
    vcFindNext = 38, // the same as vcFind
    vcLastCommand = 38
};

// What running a command comes to.
enum class TCommandAction {
    None,
    OpenWithBrowser,    // Arg = browser number 0-9 (mnuBrowser00 .. mnuBrowser09)
    SelectTab,          // Arg = the tab index to select
    NewTab,
    ToggleFind,         // focus the page, close the open Find dialog or open one, re-decorate
    Refresh,
    OnlineOffline,
    CloseTab,
    Bookmark,
    ZoomIn,
    ZoomOut,
    Zoom100,
    TocSync,
    EmbeddedNavigation,
    DebugWindow,
    HelpLibraryManager, // F12 with Ctrl alone
    StartHelpAgent,     // F12 without modifiers: check the agent and start it when needed
    CrossmereTool,      // F12 with Ctrl+Shift
    FocusDocument,
    OpenWithHlpViewer
};

struct TCommandPlan {
    TCommandAction Action = TCommandAction::None;
    int Arg = 0;
    bool operator==(const TCommandPlan&) const = default;
};

// The window's state as a command sees it when it runs.
struct TCommandState {
    int TabCount = 0;
    int ActiveTab = -1; // index of the active tab; -1 when none
    // The modifiers of the key press that posted the command (the hook's CtrlDown,
    // AltDown, ShiftDown); only vcHelpTools reads them.
    bool Ctrl = false;
    bool Alt = false;
    bool Shift = false;
};

// What Command does in State. Next and previous tab wrap around (with one tab both select
// that tab again).
TCommandPlan PlanCommand(int Command, const TCommandState& State);
