#include "UInputHook.h"

#include "Boundary.h"

bool TInputHook::Message(MSG& Msg, TInputTarget& Target) noexcept {
    return Guarded(L"TInputHook.Message", false, [&] {
        if (Msg.message >= WM_MOUSEFIRST && Msg.message <= WM_XBUTTONUP) return Mouse(Msg, Target);
        if (Msg.message >= WM_KEYFIRST && Msg.message <= WM_SYSDEADCHAR) return Key(Msg, Target);
        return false;
    });
}

bool TInputHook::Key(MSG& Msg, TInputTarget& Target) {
    TKeyPress e;
    e.Msg = Msg.message;
    e.Key = static_cast<UINT>(Msg.wParam);
    e.Ctrl = Target.KeyIsDown(VK_CONTROL);
    e.Alt = Target.KeyIsDown(VK_MENU);
    e.Shift = Target.KeyIsDown(VK_SHIFT);
    e.Extended = (Msg.lParam & (1 << 24)) != 0;
    const TKeyDecision d = DecideKey(e, Target.F1Minimize(), FKeys);
    switch (d.Outcome) {
    case TKeyOutcome::RunAction: Target.RunAction(d.Action); return true;
    case TKeyOutcome::PostCommand: Target.PostCommand(d.Command); return true;
    case TKeyOutcome::Swallow: return true;
    case TKeyOutcome::ToPage: return ToPage(Msg, Target);
    case TKeyOutcome::LeaveAlone: break;
    }
    return false;
}

// The page's own accelerators see the key first. A key they took is done (dispatching it
// as well would run it twice); any other answer passes the key straight to the page's
// window, past the menus and the window's own key handling.
bool TInputHook::ToPage(MSG& Msg, TInputTarget& Target) {
    if (!Target.PageIsActiveControl() || !Target.PageHasDocument()) return false;
    HRESULT hr = S_FALSE;
    if (!Target.PageAccelerator(Msg, hr)) return false;
    if (hr != S_OK) Target.DispatchKey(Msg);
    return true;
}

bool TInputHook::Mouse(MSG& Msg, TInputTarget& Target) {
    const TMouseDecision d = DecideMouse(Msg.message, Msg.wParam);
    const POINT at = FLastMousePos;
    switch (d.Outcome) {
    case TMouseOutcome::LeaveAlone: return false;
    case TMouseOutcome::TrackPosition: FLastMousePos = Msg.pt; return false;
    case TMouseOutcome::FocusPage:
        if (Target.PageHasDocument() && Target.ElementAtMouse(at)) Target.RunAction(TViewerAction::Document);
        return false;
    case TMouseOutcome::MiddleDown:
        if (!Target.PageHasDocument()) return false;
        if (!Target.PageHasFocus()) Target.RunAction(TViewerAction::Document);
        return !Target.LinkAtMouse(at).empty();
    case TMouseOutcome::MiddleUp: {
        POINT client{};
        int width = 0;
        if (Target.TabStripPoint(at, client, width) && MiddleClickOnTabRow(Target.TabCount(), client, width))
            return false; // the tab strip handles its own middle clicks
        if (!Target.PageHasDocument() || Target.LinkAtMouse(at).empty()) return false;
        Target.SetForceNewTab(true);
        if (Target.ClickAtMouse(at)) return true;
        Target.SetForceNewTab(false);
        return false;
    }
    case TMouseOutcome::RunAction: Target.RunAction(d.Action); return true;
    case TMouseOutcome::PostCommand: Target.PostCommand(d.Command); return true;
    }
    return false;
}
