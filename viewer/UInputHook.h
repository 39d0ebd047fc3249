// The main window's application-wide message hook, as a thin caller of the key and mouse
// rules (UKeyRules). The window implements TInputTarget; its OnMessage handler runs
//
//   if (!Handled && IsActiveMainWindow()) Handled = FInputHook.Message(Msg, *this);
//
// Everything the rules need from the window, the tab strip and the active tab's page goes
// through TInputTarget, so the hook itself touches no window and no document. A target
// answers "no" (false, empty) whenever a tab, frame, document, element or interface is
// missing; the rule then does nothing. Nothing is thrown out of Message.
#pragma once

#include "UKeyRules.h"

#include <windows.h>

#include <string>

class TInputTarget {
public:
    virtual ~TInputTarget() = default;

    // GetKeyState(VirtualKey) < 0.
    virtual bool KeyIsDown(int VirtualKey) = 0;
    // The online options' F1Minimize.
    virtual bool F1Minimize() = 0;
    // Runs one of the window's handlers now.
    virtual void RunAction(TViewerAction Action) = 0;
    // Posts WM_VIEWER_COMMAND with Command to the main window.
    virtual void PostCommand(int Command) = 0;

    // The active tab's page.
    virtual bool PageHasDocument() = 0;
    virtual bool PageHasFocus() = 0; // the document's hasFocus
    // The page element under Screen (ElementAtMouse), and the link it carries (LinkOfElement).
    virtual bool ElementAtMouse(POINT Screen) = 0;
    virtual std::wstring LinkAtMouse(POINT Screen) = 0;
    // Calls click() on the element under Screen; false when there is none.
    virtual bool ClickAtMouse(POINT Screen) = 0;
    // The browser-tab module's ForceNewTab flag.
    virtual void SetForceNewTab(bool Value) = 0;
    // The main window's active control is the active tab's visible browser.
    virtual bool PageIsActiveControl() = 0;
    // Hands Msg to the page's in-place active object (TranslateAccelerator) and gives its
    // answer; false when the page has no such object.
    virtual bool PageAccelerator(MSG& Msg, HRESULT& Result) = 0;
    // Passes a key the page's accelerators did not take to its window.
    virtual void DispatchKey(const MSG& Msg) {
        TranslateMessage(&Msg);
        DispatchMessageW(&Msg);
    }

    // The tab strip: number of tabs; Screen in its client coordinates and its width
    // (false when there is no strip).
    virtual int TabCount() = 0;
    virtual bool TabStripPoint(POINT Screen, POINT& Client, int& Width) = 0;
};

class TInputHook {
public:
    // Applies the rules to one queued message; true when the message is consumed.
    bool Message(MSG& Msg, TInputTarget& Target) noexcept;

    // The modifiers of the last key-down examined (read by the help-tools command).
    const TKeyRuleState& Keys() const { return FKeys; }
    // Screen position of the last WM_MOUSEMOVE.
    POINT LastMousePos() const { return FLastMousePos; }

private:
    bool Key(MSG& Msg, TInputTarget& Target);
    bool Mouse(MSG& Msg, TInputTarget& Target);
    bool ToPage(MSG& Msg, TInputTarget& Target);

    TKeyRuleState FKeys;
    POINT FLastMousePos{0, 0};
};
