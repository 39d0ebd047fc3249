// The main window's life and menus.
#include "VMain.h"

#include "FDebug.h"
#include "FVAbout.h"
#include "TntMenus.h"
#include "TntSystem.h"
#include "UAgentLink.h"
#include "UAppSettings.h"
#include "UDebugLog.h"
#include "UViewerKeys.h"
#include "UWebUpdates.h"

TVMainForm* VMainForm = nullptr;

namespace {

// The help client's trace lines go to the debug log.
struct TDebugLogTrace : TH3TraceSink {
    bool Showing() override { return DebugWindowShowing(); }
    void Log(const std::wstring& Line, bool Force) override { DebugLogEx(Line, Force); }
};

TTntMenuItem* AddItem(TComponent* Owner, TMenuItem* Parent, const wchar_t* Name, const wchar_t* Caption,
                      std::function<void()> Click = nullptr) {
    auto* item = new TTntMenuItem(Owner);
    item->SetName(Name);
    item->SetCaption(Caption);
    if (Click)
        item->OnClick = [Click = std::move(Click)](TObject*) { Click(); };
    Parent->Add(item);
    return item;
}

} // namespace

TVMainForm::TVMainForm(TComponent* AOwner) : TTntForm(AOwner) {
    SetName(L"VMainForm");
    SetCaption(L"Vorlane");
    SetBounds(40, 30, 960, 680);
    BuildMenus();
    OnCreate = [this](TObject*) { FormCreate(); };
    OnShow = [this](TObject*) { TntFormShow(); };
    OnDestroy = [this](TObject*) { FormDestroy(); };
}

TVMainForm::~TVMainForm() {
    // A window freed without its OnDestroy (a test's plain delete) still stops the trace.
    if (FTraceSink)
        FormDestroy();
    if (VMainForm == this)
        VMainForm = nullptr;
}

void TVMainForm::BuildMenus() {
    MainMenu1 = new TTntMainMenu(this);
    MainMenu1->SetName(L"MainMenu1");
    TMenuItem* root = MainMenu1->Items();
    mmnuPage = AddItem(this, root, L"mmnuPage", L"&Page");
    mnuExit = AddItem(this, mmnuPage, L"mnuExit", L"E&xit", [this] { mnuExitClick(); });
    mmnuOptions = AddItem(this, root, L"mmnuOptions", L"&Options");
    mmnuShowDebug = AddItem(this, mmnuOptions, L"mmnuShowDebug", L"Show &Debug Window", [this] { mmnuShowDebugClick(); });
    mmnuShowDebug->SetShortCut(scCtrl | 'D');
    mmnuHelp = AddItem(this, root, L"mmnuHelp", L"&Help");
    mmnuCheckWebforUpdate = AddItem(this, mmnuHelp, L"mmnuCheckWebforUpdate", L"Check Web for Update",
                                    [this] { mmnuCheckWebforUpdateClick(); });
    mmnuAboutVorlane = AddItem(this, mmnuHelp, L"mmnuAboutVorlane", L"&About Vorlane...",
                               [this] { mmnuAboutVorlaneClick(); });
    SetMenu(MainMenu1);
}

void TVMainForm::FormCreate() {
    // 1. The debug window, hidden, with its bottom panel folded; from now on the log has
    //    its sink, and the help client's trace goes there too.
    if (!DebugForm)
        DebugForm = new TDebugForm(Application);
    DebugForm->ExtraDebugLableClick();
    FTraceSink = std::make_unique<TDebugLogTrace>();
    SetH3TraceSink(FTraceSink.get());
    // 2. The application's title and window text.
    Application->SetTitle(L"Vorlane");
    SetWindowTextW(Application->Handle(), L"Vorlane");
    // 9. Where the program lives.
    RegWriteString(HKEY_CURRENT_USER, ViewerRegKey, L"installpath", WideParamStr(0));
    // 20. The log header, forced.
    WriteLogHeader();
}

void TVMainForm::TntFormShow() {
    // The update checker, once.
    if (!WebUpdates)
        CreateWebUpdates(DefaultWebUpdateRec());
}

void TVMainForm::FormDestroy() {
    FreeWebUpdates();
    if (FTraceSink) {
        SetH3TraceSink(nullptr);
        FTraceSink.reset();
    }
}

void TVMainForm::mnuExitClick() { Close(); }

void TVMainForm::mmnuShowDebugClick() {
    if (DebugForm)
        DebugForm->ShowDebugWindow(true);
}

void TVMainForm::mmnuCheckWebforUpdateClick() { CheckForUpdatesNow(); }

void TVMainForm::mmnuAboutVorlaneClick() { ShowAboutBox(this); }
