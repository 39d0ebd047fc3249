// The browser tabs of the main window: showing one (with wrap-around), closing one or all
// others (a closed tab's frame is freed from the outermost message loop), the tab strip's events and pop-up menu, and the state of the menus that depend on
// the tabs, the navigation pane and the page shown.
#include "VMain.h"

#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FBrowserFrame.h"
#include "Forms.h"
#include "Timers.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "UFindWin.h"
#include "UNavRules.h"
#include "qenSmartTabs.h"

void TVMainForm::ShowTab(int Index) {
    const int count = SmartTabs->GetTabCount();
    if (count == 0)
        return;
    if (Index >= count)
        Index = 0;
    else if (Index < 0)
        Index = count - 1;
    for (int i = 0; i < count; ++i)
        if (TBrowserFrame* frame = GetFrame(i))
            if (i != Index)
                frame->FrameBasePanel->SetVisible(false);
    if (TBrowserFrame* frame = GetFrame(Index)) {
        frame->FrameBasePanel->SetVisible(true);
        frame->LayoutBars(); // its tool bar's rows at the width it has now
    }
    if (SmartTabs->ActiveTab() != Index)
        SmartTabs->SetActiveTab(Index);
    // The browser's Find dialog belongs to the page that was shown.
    TFindWin find(Handle());
    if (find.Found())
        PostMessageW(find.Dialog(), WM_CLOSE, 0, 0);
}

void TVMainForm::CloseTab(int Index) {
    const int count = SmartTabs->GetTabCount();
    if (Index >= 0 && Index < count && count >= 2) {
        const int next = TabAfterClose(Index, SmartTabs->ActiveTab(), count);
        TBrowserFrame* frame = GetFrame(Index);
        SmartTabs->DeleteTab(Index);
        ReleaseFrame(frame);
        SmartTabs->Invalidate();
        if (next >= 0)
            ShowTab(next);
    }
    UpdateMenus();
}

void TVMainForm::ReleaseFrame(TBrowserFrame* Frame) {
    if (!Frame)
        return;
    Frame->CloseFrame();
    Frame->FrameBasePanel->SetVisible(false);
    FClosedFrames.push_back(Frame);
    FFreeFramesTimer->SetEnabled(true);
}

void TVMainForm::FreeClosedFrames() {
    // Code under a message loop that runs inside another may go on using the frame when the
    // loop returns (the frame's own handler, an agent wait): the outer loop frees it.
    if (Application->NestedLoops() > 0)
        return;
    FFreeFramesTimer->SetEnabled(false);
    std::vector<TBrowserFrame*> frames;
    frames.swap(FClosedFrames);
    for (TBrowserFrame* frame : frames)
        delete frame;
}

void TVMainForm::mmnuClosetabClick() { CloseTab(SmartTabs->ActiveTab()); }

int TVMainForm::TabMenuTab(TObject* Sender) const {
    const bool fromMenu = Sender == TabMenu_Closetab || Sender == TabMenu_CloseOthertabs || Sender == TabMenu_NewWindow;
    return fromMenu && FTabMenuTab >= 0 && FTabMenuTab < SmartTabs->GetTabCount() ? FTabMenuTab
                                                                                   : SmartTabs->ActiveTab();
}

void TVMainForm::TabMenu_ClosetabClick(TObject* Sender) { CloseTab(TabMenuTab(Sender)); }

void TVMainForm::TabMenu_NewWindowClick(TObject* Sender) {
    TBrowserFrame* frame = GetFrame(TabMenuTab(Sender));
    if (frame)
        OpenWithBrowser(frame->AddressText(), LastBrowserUsed);
}

void TVMainForm::TabMenu_CloseOthertabsClick(TObject* Sender) {
    const int keep = TabMenuTab(Sender);
    if (keep < 0 || keep >= SmartTabs->GetTabCount())
        return;
    for (int i = SmartTabs->GetTabCount() - 1; i >= 0; --i) {
        if (i == keep)
            continue;
        TBrowserFrame* frame = GetFrame(i);
        SmartTabs->DeleteTab(i);
        ReleaseFrame(frame);
        SmartTabs->Invalidate();
    }
    UpdateMenus();
}

void TVMainForm::SmartTabsCloseTab(int Index, bool& Close) {
    // The strip never deletes a tab itself: the frame goes with it.
    Close = false;
    if (SmartTabs->GetTabCount() >= 2)
        CloseTab(Index);
}

void TVMainForm::SmartTabsMouseDown(TMouseButton, int X, int Y) { FTabsMouse = {X, Y}; }

void TVMainForm::SmartTabsMouseMove(int X, int Y) { FTabsMouse = {X, Y}; }

void TVMainForm::SmartTabsMouseUp(TMouseButton Button, int X, int Y) {
    if (Button != mbMiddle)
        return;
    const int tab = SmartTabs->TabAtPos(X, Y);
    if (tab >= 0)
        CloseTab(tab);
}

void TVMainForm::SmartTabsTabChange() { ShowTab(SmartTabs->ActiveTab()); }

void TVMainForm::PopupMenu1Popup() {
    const bool several = SmartTabs->GetTabCount() >= 2;
    TabMenu_Closetab->SetEnabled(several);
    TabMenu_CloseOthertabs->SetEnabled(several);
    FTabMenuTab = SmartTabs->TabAtPos(FTabsMouse.x, FTabsMouse.y);
}

void TVMainForm::mmnuNextTabClick() { ShowTab(SmartTabs->ActiveTab() + 1); }

void TVMainForm::mmnuPreviousTabClick() { ShowTab(SmartTabs->ActiveTab() - 1); }

void TVMainForm::UpdateMenus() {
    const bool several = SmartTabs->GetTabCount() >= 2;
    for (TTntMenuItem* item : {mmnuClosetab, mmnuCloseothertabs, mmnuNextTab, mmnuPreviousTab})
        item->SetEnabled(several);
    mmnuNavigationPane->SetChecked(LeftPanel->Width() >= 21);
    TTabSheet* page = NavPageControl->ActivePage();
    mmnuTocPage->SetChecked(page == TabSheetToc);
    mmnuIndexPage->SetChecked(page == TabSheetIndex);
    mmnuBookmarksPage->SetChecked(page == TabSheetBookmarks);
}

namespace {

// The items that act on the page shown.
std::vector<TTntMenuItem*> PageItems(TVMainForm* F) {
    return {F->mmnuOpenwith1,  F->mnuAddBookmark, F->mmnuDefaultBrowser, F->mnuBrowser01,
            F->mnuBrowser02,   F->mnuBrowser03,   F->mnuBrowser04,       F->mnuBrowser05,
            F->mnuBrowser06,   F->mnuBrowser07,   F->mnuBrowser08,       F->mnuBrowser09,
            F->mnuOpenWithHlpViewerExe};
}

} // namespace

void TVMainForm::WMEnterMenuLoop() {
    StatusBar1->SetSimplePanel(true);
    FMenuHints = true;
    UpdateMenus();
    const bool page = !GetCurrentUrl().empty();
    for (TTntMenuItem* item : PageItems(this))
        item->SetEnabled(page);
    UpdateDefaultViewerItems();
    mmnuNavigationRight->SetChecked(LeftPanel->Left() > 10);
    TBrowserFrame* frame = ActiveFrame();
    mmnuEmbeddedTopicNavigation->SetChecked(frame && frame->TopicNavShown);
}

void TVMainForm::WMExitMenuLoop() {
    StatusBar1->SetSimplePanel(false);
    FMenuHints = false;
    for (TTntMenuItem* item : PageItems(this))
        item->SetEnabled(true);
}

void TVMainForm::SetStatusText(const std::wstring& Text) {
    StatusBar1->Panels()->Items(0)->SetText(Text);
    StatusBar1->Repaint();
}
