// The main window's one-line handlers that belong to no family of their own: the debug
// window, the web update check, the About box, "Always On Top" and the new-tab commands.
#include "VMain.h"

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

void TVMainForm::mmnuNewTabClick() { NewTab(); }
void TVMainForm::TabMenu_NewTabClick() { NewTab(); }
void TVMainForm::SmartTabsAddClick() { NewTab(); }
