#include "UViewerCommands.h"

namespace {

bool HasActiveTab(const TCommandState& S) { return S.ActiveTab >= 0 && S.ActiveTab < S.TabCount; }

TCommandAction HelpTool(const TCommandState& S) {
    if (S.Ctrl && !S.Alt && !S.Shift) return TCommandAction::HelpLibraryManager;
    if (!S.Ctrl && !S.Alt && !S.Shift) return TCommandAction::StartHelpAgent;
    if (S.Ctrl && S.Shift && !S.Alt) return TCommandAction::CrossmereTool;
    return TCommandAction::None;
}

} // namespace

TCommandPlan PlanCommand(int Command, const TCommandState& State) {
    using A = TCommandAction;
    // Commands that need nothing but the window.
    switch (Command) {
    case vcNewTab: return {A::NewTab};
    case vcZoomIn: return {A::ZoomIn};
    case vcZoomOut: return {A::ZoomOut};
    case vcZoom100: return {A::Zoom100};
    case vcEmbeddedNavigation: return {A::EmbeddedNavigation};
    case vcDebugWindow: return {A::DebugWindow};
    case vcHelpTools: return {HelpTool(State)};
    default: break;
    }
    // The rest work on the active tab; without one they do nothing.
    if (!HasActiveTab(State)) return {};
    if (Command >= vcOpenWithBrowser && Command <= vcOpenWithBrowser + 9)
        return {A::OpenWithBrowser, Command - vcOpenWithBrowser};
    switch (Command) {
    case vcNextTab: return {A::SelectTab, (State.ActiveTab + 1) % State.TabCount};
    case vcPreviousTab: return {A::SelectTab, (State.ActiveTab + State.TabCount - 1) % State.TabCount};
    case vcFind:
    case vcFindNext: return {A::ToggleFind};
    case vcRefresh: return {A::Refresh};
    case vcOnlineOffline: return {A::OnlineOffline};
    case vcCloseTab: return {A::CloseTab};
    case vcBookmark: return {A::Bookmark};
    case vcTocSync: return {A::TocSync};
    case vcFocusDocument: return {A::FocusDocument};
    case vcOpenWithHlpViewer: return {A::OpenWithHlpViewer};
    default: return {};
    }
}
