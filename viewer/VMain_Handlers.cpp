// Handlers of the main window's other families. Those that do nothing yet belong to
// families that are not built so far (contents, navigation and browser tabs, index, keys,
// layout, filters, registration); each family moves its handlers
// into its own VMain_ file as it is built.
#include "VMain.h"

#include "FDebug.h"
#include "FVAbout.h"
#include "TntMenus.h"
#include "UMessageTexts.h"
#include "UWebUpdates.h"
#include "qenSmartTabs.h"

// ---- Handlers that work now --------------------------------------------------------

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

// ---- Layout, zoom, themes, status bar -----------------------------------------------

