// The main window's one-line handlers that belong to no family of their own: the debug
// window, the web update check, the About box, "Always On Top" and the new-tab commands.
#include "VMain.h"

#include "FBrowserFrame.h"
#include "FDebug.h"
#include "FVAbout.h"
#include "UWebUpdates.h"

void TVMainForm::mmnuShowDebugClick() {
    if (DebugForm)
        DebugForm->ShowDebugWindow(true);
}

void TVMainForm::mmnuCheckWebforUpdateClick() { CheckForUpdatesNow(); }

void TVMainForm::mmnuAboutVorlaneClick() { ShowAboutBox(this); }

void TVMainForm::mnuStayOnTopClick() { ApplyStayOnTop(); }

// A tab of the New Tab command serves no request: a flag left by an earlier request's tab,
// whose page never completed, must not keep the next request (a Ctrl+Enter in this tab's
// address box) out of a tab of its own.
void TVMainForm::mmnuNewTabClick() {
    TabJustCreated = false;
    NewTab();
}
void TVMainForm::TabMenu_NewTabClick() { mmnuNewTabClick(); }
void TVMainForm::SmartTabsAddClick() { mmnuNewTabClick(); }
