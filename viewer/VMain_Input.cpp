// Keys, mouse and the numbered commands of the main window: the application-wide message
// hook (the rules are UKeyRules, the hook UInputHook; this file is the window's side of
// it), the command dispatcher, the private messages that keep the focus in the page, the
// Ctrl+Enter action and the Tab and Alt repaint fix.
#include "VMain.h"

#include "ActnList.h"
#include "AppEvnts.h"
#include "FBrowserFrame.h"
#include "FCancel.h"
#include "FDebug.h"
#include "TntComCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UBrowserView.h"
#include "UFindWin.h"
#include "UKeyState.h"
#include "UVistaFix.h"
#include "UViewerCommands.h"
#include "UWebDataModule.h"
#include "qenSmartTabs.h"

namespace {

// The page element at a screen point of the browser: the point must lie inside the
// browser's client area (its edges excluded).
std::unique_ptr<TPageElement> ElementAt(TBrowserView* View, POINT Screen) {
    if (!View)
        return nullptr;
    TWinControl* control = View->Control();
    if (!control || !control->HandleAllocated())
        return nullptr;
    const POINT p = control->ScreenToClient(Screen);
    if (p.x <= 0 || p.x >= control->Width() || p.y <= 0 || p.y >= control->Height())
        return nullptr;
    std::unique_ptr<TPageDocument> document = View->Document();
    return document ? document->ElementFromPoint(p.x, p.y) : nullptr;
}

// What the message hook asks of the main window.
class TMainInputTarget : public TInputTarget {
public:
    explicit TMainInputTarget(TVMainForm& Form) : F(Form) {}

    bool KeyIsDown(int VirtualKey) override { return BrowserKeyState()(VirtualKey); }
    bool F1Minimize() override { return WebDataModule && WebDataModule->F1Minimize; }

    void RunAction(TViewerAction Action) override {
        switch (Action) {
        case TViewerAction::None: break;
        case TViewerAction::TocPage: F.mmnuTocPageClick(); break;
        case TViewerAction::IndexPage: F.mmnuIndexPageClick(); break;
        case TViewerAction::BookmarksPage: F.mmnuBookmarksPageClick(); break;
        case TViewerAction::CatalogBox: F.smnuCatalogClick(); break;
        case TViewerAction::GotoSearch: F.smnuGotoSearchClick(); break;
        case TViewerAction::AddressBar: F.smnuAddressBarClick(); break;
        case TViewerAction::Document: F.smnuDocumentClick(); break;
        case TViewerAction::NavigationPane: F.mmnuNavigationPaneClick(); break;
        case TViewerAction::OnlineHelp: F.mmnuOnlineHelpClick(); break;
        case TViewerAction::MinimizeApp: Application->Minimize(); break;
        case TViewerAction::ZoomIn: F.mmnuZoomInClick(F.mmnuZoomIn); break;
        case TViewerAction::ZoomOut: F.mmnuZoomInClick(F.mmnuZoomOut); break;
        case TViewerAction::Back: F.mmnuBackClick(); break;
        case TViewerAction::Forward: F.mmnuForwardClick(); break;
        }
    }
    void PostCommand(int Command) override { PostMessageW(F.Handle(), WM_VIEWER_COMMAND, Command, 0); }

    bool PageHasDocument() override {
        TBrowserView* view = F.ActiveBrowserView();
        return view && view->Document() != nullptr;
    }
    bool PageHasFocus() override {
        TBrowserView* view = F.ActiveBrowserView();
        std::unique_ptr<TPageDocument> document = view ? view->Document() : nullptr;
        return document && document->HasFocus();
    }
    bool ElementAtMouse(POINT Screen) override { return ElementAt(F.ActiveBrowserView(), Screen) != nullptr; }
    std::wstring LinkAtMouse(POINT Screen) override {
        return F.LinkOfElement(ElementAt(F.ActiveBrowserView(), Screen).get());
    }
    bool ClickAtMouse(POINT Screen) override {
        std::unique_ptr<TPageElement> element = ElementAt(F.ActiveBrowserView(), Screen);
        return element && element->Click();
    }
    void SetForceNewTab(bool Value) override { F.SetForceNewTab(Value); }
    bool PageIsActiveControl() override {
        TBrowserView* view = F.ActiveBrowserView();
        return view && view->Control() && F.ActiveControl() == view->Control();
    }
    bool PageAccelerator(MSG& Msg, HRESULT& Result) override {
        TBrowserView* view = F.ActiveBrowserView();
        if (!view)
            return false;
        Result = view->TranslateAccelerator(Msg);
        return SUCCEEDED(Result);
    }

    int TabCount() override { return F.SmartTabs->GetTabCount(); }
    bool TabStripPoint(POINT Screen, POINT& Client, int& Width) override {
        if (!F.SmartTabs->HandleAllocated() || !F.SmartTabs->Visible())
            return false;
        Client = F.SmartTabs->ScreenToClient(Screen);
        Width = F.SmartTabs->Width();
        return true;
    }

private:
    TVMainForm& F;
};

} // namespace

void TVMainForm::BindInputEvents() {
    FInputTarget = std::make_unique<TMainInputTarget>(*this);
    KeyPreview = true;
    OnKeyDown = [this](TObject*, WORD& Key, TShiftState Shift) { TntFormKeyDown(Key, Shift); };
    SetMessageHandler(WM_VIEWER_COMMAND, [this](TMessage& M) { RunCommand(static_cast<int>(M.WParam)); });
    SetMessageHandler(WM_VIEWER_RESTYLE, [this](TMessage&) { RestyleActivePage(); });
    SetMessageHandler(WM_VIEWER_REFOCUS, [this](TMessage&) { RefocusDocument(); });
    // Tab moves the focus through the form's own dialog-key handling first; the buttons
    // then show their focus marks.
    TWndMethod inherited = WindowProc;
    WindowProc = [this, inherited](TMessage& M) {
        inherited(M);
        if (M.Msg == CM_DIALOGKEY && M.WParam == VK_TAB)
            FixVistaTabAltPaint(this, VK_TAB);
    };
}

// ---------------------------------------------------------------------------------
// The message hook

void TVMainForm::ApplicationEvents1Message(MSG& Msg, bool& Handled) {
    if (Handled || !FInputTarget || !HandleAllocated() || GetActiveWindow() != Handle())
        return;
    // Under a wait or a modal window no command of the window runs: its input is the wait's
    // (or the dialog's) to hold back or drop.
    if (WaitsRunning() > 0 || !IsWindowEnabled(Handle()))
        return;
    Handled = FInputHook.Message(Msg, *FInputTarget);
}

void TVMainForm::ApplicationEvents2Activate() {
    FixVistaTabAltPaint(this, VK_TAB);
    if (HandleAllocated())
        PostMessageW(Handle(), WM_VIEWER_REFOCUS, 0, 0);
}

void TVMainForm::TntFormKeyDown(WORD& Key, TShiftState) {
    FixVistaTabAltPaint(this, Key);
    InvalidateFrameGoButtons();
}

std::unique_ptr<TPageElement> TVMainForm::ElementAtMouse() {
    return ElementAt(ActiveBrowserView(), FInputHook.LastMousePos());
}

std::wstring TVMainForm::LinkOfElement(TPageElement* Element) { return Element ? Element->Href() : std::wstring(); }

// ---------------------------------------------------------------------------------
// The numbered commands

void TVMainForm::RunCommand(int Command) {
    TCommandState state;
    state.TabCount = SmartTabs->GetTabCount();
    state.ActiveTab = SmartTabs->ActiveTab();
    const TKeyRuleState& keys = FInputHook.Keys();
    state.Ctrl = keys.CtrlDown;
    state.Alt = keys.AltDown;
    state.Shift = keys.ShiftDown;
    const TCommandPlan plan = PlanCommand(Command, state);

    using A = TCommandAction;
    switch (plan.Action) {
    case A::None: break;
    case A::OpenWithBrowser: BrowserItemByNumber(plan.Arg); break;
    case A::SelectTab: ShowTab(plan.Arg); break;
    case A::NewTab: mmnuNewTabClick(); break;
    case A::ToggleFind:
        FocusActivePage();
        ToggleFindDialog(Handle(), [this] {
            if (TBrowserView* view = ActiveBrowserView())
                view->ShowFind();
        });
        RestyleActivePage();
        break;
    case A::Refresh: mmnuRefreshClick(); break;
    case A::OnlineOffline: mmnuOnlineOfflineClick(); break;
    case A::CloseTab: TabMenu_ClosetabClick(); break;
    case A::Bookmark: mnuAddBookmarkClick(); break;
    case A::ZoomIn: mmnuZoomInClick(mmnuZoomIn); break;
    case A::ZoomOut: mmnuZoomInClick(mmnuZoomOut); break;
    case A::Zoom100: mmnuZoomInClick(mnuZoom100); break;
    case A::TocSync: mmnuTocSyncClick(); break;
    case A::EmbeddedNavigation: mmnuEmbeddedTopicNavigationClick(); break;
    case A::DebugWindow: mmnuShowDebugClick(); break;
    case A::HelpLibraryManager: mmnuHelpLibraryManagerClick(); break;
    case A::StartHelpAgent: EnsureHelpAgent(); break;
    case A::CrossmereTool: mmnuCrossmereToolClick(); break;
    case A::FocusDocument: {
        TBrowserView* view = ActiveBrowserView();
        std::unique_ptr<TPageDocument> document = view ? view->Document() : nullptr;
        if (!document)
            break;
        if (ActiveControl() != view->Control() && view->Control()->CanFocus()) {
            SetActiveControl(view->Control());
            document->Focus();
        }
        RestyleActivePage();
        break;
    }
    case A::OpenWithHlpViewer: mnuBrowser00Click(mnuOpenWithHlpViewerExe); break;
    }
}

bool TVMainForm::FocusActivePage() {
    TBrowserView* view = ActiveBrowserView();
    std::unique_ptr<TPageDocument> document = view ? view->Document() : nullptr;
    if (!document)
        return false;
    if (view->Control()->CanFocus())
        SetActiveControl(view->Control());
    document->Focus();
    return true;
}

// ---------------------------------------------------------------------------------
// Focus in the page

void TVMainForm::RefocusDocument() {
    TBrowserView* view = ActiveBrowserView();
    std::unique_ptr<TPageDocument> document = view ? view->Document() : nullptr;
    if (!document || document->HasFocus())
        return;
    if (ActiveControl() == view->Control() && view->Control()->Visible())
        smnuDocumentClick();
}

void TVMainForm::CtrlEnterActionExecute() {
    RunFrameGoButton();
    TWinControl* focused = ActiveControl();
    if (!focused)
        return;
    if (focused == TreeView1)
        OpenTocNode();
    else if (focused == IndexLV || focused == IndexEdit)
        IndexLVClick();
    else if (focused == SearchEdit)
        ButtonFindClick();
}

// ---------------------------------------------------------------------------------
// The active tab's frame

TBrowserView* TVMainForm::ActiveBrowserView() {
    TBrowserFrame* frame = ActiveFrame();
    return frame ? frame->WebBrowser1 : nullptr;
}

void TVMainForm::SetForceNewTab(bool Value) { ForceNewTab = Value; }

void TVMainForm::RestyleActivePage() {
    if (TBrowserFrame* frame = ActiveFrame())
        frame->ApplyPageStyling();
}

void TVMainForm::RunFrameGoButton() {
    TBrowserFrame* frame = ActiveFrame();
    if (frame && (frame->UrlEdit->Focused() || frame->BrowserGoBtn->Focused()))
        frame->BrowserGoBtnClick();
}

void TVMainForm::InvalidateFrameGoButtons() {
    for (int i = 0; i < SmartTabs->GetTabCount(); ++i)
        if (TBrowserFrame* frame = GetFrame(i))
            frame->BrowserGoBtn->Invalidate();
}
