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

// A tab after the active one, made active. Its browser frame joins with the frames.
int TVMainForm::NewTab() {
    const int active = SmartTabs->ActiveTab();
    if (active < 0 || active >= SmartTabs->GetTabCount() - 1)
        SmartTabs->AddTabObject(NewTabText, nullptr);
    else
        SmartTabs->InsertTabObject(active + 1, NewTabText, nullptr);
    SmartTabs->Invalidate();
    UpdateMenus();
    return SmartTabs->ActiveTab();
}

void TVMainForm::mmnuNewTabClick() { NewTab(); }
void TVMainForm::TabMenu_NewTabClick() { NewTab(); }
void TVMainForm::SmartTabsAddClick() { NewTab(); }

// The tabs' addresses: the frames' address boxes (none before the frames exist).
std::vector<std::wstring> TVMainForm::TabAddresses() {
    return std::vector<std::wstring>(static_cast<size_t>(SmartTabs->GetTabCount()));
}

// ---- Navigation and tabs ------------------------------------------------------------

void TVMainForm::mmnuBackClick() {}
void TVMainForm::mmnuForwardClick() {}
void TVMainForm::mmnuRefreshClick() {}
void TVMainForm::smnuDocumentClick() {}
void TVMainForm::mmnuEmbeddedTopicNavigationClick() {}

// ---- Layout, zoom, themes, status bar -----------------------------------------------

