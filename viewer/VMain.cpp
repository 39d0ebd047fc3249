// The main window's life: creation, show, the start-up message, close and destruction.
#include "VMain.h"

#include "AppEvnts.h"
#include "FBrowserFrame.h"
#include "FCancel.h"
#include "FDebug.h"
#include "HtmlTags.h"
#include "ImgList.h"
#include "TntActnList.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "TntSystem.h"
#include "QXSuperTip.h"
#include "TntButtons.h"
#include "UAgentLink.h"
#include "UH3_Code.h"
#include "UAppSettings.h"
#include "UDebugLog.h"
#include "UFileVersion.h"
#include "UH3Store.h"
#include "UH3Thread.h"
#include "UHelpLibManager.h"
#include "UIndexCache.h"
#include "ULocaleInfo.h"
#include "UMessageTexts.h"
#include "UPaneLayout.h"
#include "ULangFile.h"
#include "UShotTimer.h"
#include "UTocTreeView.h"
#include "UTranslator.h"
#include "UViewerKeys.h"
#include "UWebDataModule.h"
#include "UWebUpdates.h"
#include "UWindows7.h"
#include "Timers.h"
#include "qenSmartTabs.h"

#include <shlobj.h>

TVMainForm* VMainForm = nullptr;
TqenSmartTabs* g_TabStrip = nullptr;
TWindows7* g_Windows7 = nullptr;

TKernelHandle RunningMutex;
bool OtherInstanceRunning = false;
HWND OtherAppWindow = nullptr;
bool Closing = false;

TVMainEnvironment::TVMainEnvironment()
    : RegKey(ViewerRegKey), MutexName(L"vorlaneRunningMutex"), SpeechFactory(CreateSapiVoice) {}

TVMainEnvironment& VMainEnvironment() {
    static TVMainEnvironment environment;
    return environment;
}

namespace {

// The help client's trace lines go to the debug log.
struct TDebugLogTrace : TH3TraceSink {
    bool Showing() override { return DebugWindowShowing(); }
    void Log(const std::wstring& Line, bool Force) override { DebugLogEx(Line, Force); }
};

// A menu caption without its hot-key marks.
std::wstring WithoutHotKeys(const std::wstring& Caption) {
    std::wstring text;
    for (size_t i = 0; i < Caption.size(); ++i) {
        if (Caption[i] == L'&' && i + 1 < Caption.size())
            ++i;
        text += Caption[i];
    }
    return text;
}

// "<local application data>\Quorvex\Vorlane", or the same under the temporary folder when
// that cannot be had; every missing level is made (failures are left to the cache's users).
std::wstring IndexCacheFolder() {
    wchar_t path[MAX_PATH] = {};
    std::wstring base;
    if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path) == S_OK &&
        GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES)
        base = path;
    const auto make = [](const std::wstring& Base) {
        const std::wstring quorvex = Base + L"\\Quorvex";
        const std::wstring folder = quorvex + L"\\Vorlane";
        CreateDirectoryW(quorvex.c_str(), nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
        const DWORD a = GetFileAttributesW(folder.c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? folder : std::wstring();
    };
    std::wstring folder = base.empty() ? std::wstring() : make(base);
    if (folder.empty()) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, temp);
        std::wstring t = temp;
        while (!t.empty() && t.back() == L'\\')
            t.pop_back();
        folder = make(t);
        if (folder.empty())
            folder = t + L"\\Quorvex\\Vorlane";
    }
    return folder;
}

} // namespace

TVMainForm::TVMainForm(TComponent* AOwner) : TTntForm(AOwner) {
    SetName(L"VMainForm");
    SetCaption(L"Vorlane");
    SetBounds(40, 30, 1000, 700);
    BuildControls();
    BuildMenus();
    BuildPopupMenus();
    BuildBookmarkPage();
    BindEvents();
    BindTocEvents();
    BindIndexEvents();
    BindViewEvents();
    BindInputEvents();
    BindFilterEvents();
    BindRegistrationEvents();
    OnCreate = [this](TObject*) { FormCreate(); };
    OnShow = [this](TObject*) { TntFormShow(); };
    OnCloseQuery = [this](TObject*, bool& CanClose) { FormCloseQuery(CanClose); };
    OnDestroy = [this](TObject*) { FormDestroy(); };
    OnActivate = [this](TObject*) { TntFormActivate(); };
    OnDeactivate = [this](TObject*) { TntFormDeactivate(); };
    OnResize = [this](TObject*) {
        TStatusPanels* panels = StatusBar1->Panels();
        panels->Items(0)->SetWidth(
            StatusTextPanelWidth(StatusBar1->Width(), panels->Items(1)->Width(), panels->Items(2)->Width()));
        // The catalog box is as tall as its font makes it: its bar grows with it.
        CatalogPanel->SetHeight(std::max(29, CatalogCbo->Height() + 8));
        FitPaneToWindow();
    };
    SetMessageHandler(WM_VIEWER_STARTUP, [this](TMessage&) { AmStartupMsg(); });
    SetMessageHandler(WM_VIEWER_HANDOVER, [this](TMessage& M) { AmPostAppMsg(M.WParam); });
    // A close, or the end of the Windows session, during a wait cancels the wait; the close
    // runs once the waits have returned. The end of the session saves as a close does.
    TWndMethod inherited = WindowProc;
    WindowProc = [this, inherited](TMessage& M) {
        switch (M.Msg) {
        case WM_CLOSE:
            M.Result = 0;
            RequestClose();
            return;
        case WM_QUERYENDSESSION:
            if (UnderWaitOrDialog())
                RequestClose();
            M.Result = TRUE;
            return;
        case WM_ENDSESSION:
            if (M.WParam)
                SaveSettings();
            M.Result = 0;
            return;
        default:
            inherited(M);
        }
    };
    SetMessageHandler(WM_ENTERMENULOOP, [this](TMessage& M) {
        WMEnterMenuLoop();
        DefaultHandler(M);
    });
    SetMessageHandler(WM_EXITMENULOOP, [this](TMessage& M) {
        WMExitMenuLoop();
        DefaultHandler(M);
    });
}

TVMainForm::~TVMainForm() {
    // A window freed without its OnDestroy (a test's plain delete) still lets go of what it made.
    if (!FDestroyed)
        FormDestroy();
    if (VMainForm == this)
        VMainForm = nullptr;
    if (g_TabStrip == SmartTabs)
        g_TabStrip = nullptr;
}

void TVMainForm::BindEvents() {
    CatalogCbo->OnCloseUp = [this](TObject*) { CatalogCboCloseUp(); };
    CatalogCbo->OnChange = [this](TObject*) { CatalogCboChange(); };
    SearchEdit->OnKeyPress = [this](TObject*, wchar_t& Key) {
        if (Key == L'\r') {
            Key = 0;
            ButtonFindClick();
        }
    };
    SearchBtnImage->OnClick = [this](TObject*) { ButtonFindClick(); };
    NavPageControl->OnChange = [this](TObject*) { NavPageControlChange(); };
    TreeView1->OnClick = [this](TObject*) { TreeView1Click(); };
    IndexEdit->OnChange = [this](TObject*) { IndexEditChange(); };
    IndexLV->OnClick = [this](TObject*) { IndexLVClick(); };
    FavBackBtn->OnClick = [this](TObject*) { BookMarkMenu_FolderUpClick(); };
    FavGoBtn->OnClick = [this](TObject*) { FavGoBtnClick(); };
    CatTreeView->OnClick = [this](TObject*) { CatTreeViewClick(); };
    CatalogLocaleCbo->OnChange = [this](TObject*) { CatalogLocaleCboSelect(); };
    RunHlmBtn->OnClick = [this](TObject*) { RunHlmBtnClick(); };
    ImportCatBookBtn->OnClick = [this](TObject*) { RunHlmBtnClick(); };
    SelectCatalogPopupLink->OnClick = [this](TObject*) { SelectCatalogPopupLinkClick(); };
    TestHelpLink->OnClick = [this](TObject*) { TestHelpLinkClick(); };
    RefreshImage->OnClick = [this](TObject*) { TestHelpLinkClick(); };
    Help_UsingCatalogs->OnClick = [this](TObject*) { Help_UsingCatalogsClick(); };
    OnlineHelpImage->OnClick = [this](TObject*) { Help_UsingCatalogsClick(); };
    TntSplitter1->OnMoved = [this](TObject*) { TntSplitter1Moved(); };
    SlitterImage1->OnClick = [this](TObject*) { mmnuNavigationPaneClick(); };
    SmartTabs->OnAddClick = [this](TObject*) { SmartTabsAddClick(); };
    SmartTabs->OnTabChange = [this](TObject*) { SmartTabsTabChange(); };
    SmartTabs->OnCloseTab = [this](TObject*, int Index, bool& Close) { SmartTabsCloseTab(Index, Close); };
    FFreeFramesTimer = new TTimer(this);
    FFreeFramesTimer->SetEnabled(false);
    FFreeFramesTimer->SetInterval(50);
    FFreeFramesTimer->OnTimer = [this](TObject*) { FreeClosedFrames(); };
    SmartTabs->OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        SmartTabsMouseDown(Button, X, Y);
    };
    SmartTabs->OnMouseMove = [this](TObject*, TShiftState, int X, int Y) { SmartTabsMouseMove(X, Y); };
    SmartTabs->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        SmartTabsMouseUp(Button, X, Y);
    };
    ApplicationEvents1->OnMessage = [this](MSG& Msg, bool& Handled) { ApplicationEvents1Message(Msg, Handled); };
    ApplicationEvents1->OnActivate = [this](TObject*) { ApplicationEvents1Activate(); };
    ApplicationEvents1->OnIdle = [this](TObject*, bool& Done) {
        RunAfterWaits();
        if (!FHandOvers.empty() && !UnderWaitOrDialog())
            Done = false; // the next one at the next idle step
    };
    ApplicationEvents2->OnActivate = [this](TObject*) { ApplicationEvents2Activate(); };
    CtrlEnterAction->OnExecute = [this](TObject*) { CtrlEnterActionExecute(); };
}

// ---------------------------------------------------------------------------------
// Creation

void TVMainForm::FormCreate() {
    const TVMainEnvironment& env = VMainEnvironment();
    // 1. The debug window, hidden, with its bottom panel folded; from now on the log has
    //    its sink, and the help client's trace goes there too.
    if (!DebugForm)
        DebugForm = new TDebugForm(Application);
    DebugForm->ExtraDebugLableClick();
    FTraceSink = std::make_unique<TDebugLogTrace>();
    SetH3TraceSink(FTraceSink.get());
    // 2. The application's title and window text (the name a second copy looks for).
    Application->SetTitle(L"Vorlane");
    SetWindowTextW(Application->Handle(), L"Vorlane");
    // 3. The tab strip; the collapse image's hint.
    SmartTabs->SetShowClose(true);
    SmartTabs->SetShowButton(true);
    SmartTabs->SetTabOffset(4);
    SmartTabs->SetShowHint(true); // a cut caption shows whole as the tab's hint
    SmartTabs->SetNewTabCaption(NewTabText);
    SlitterImage1->SetHint(WithoutHotKeys(mmnuNavigationPane->Caption()) + L"\r\n(Ctrl+0)");
    // 4. The contents model over the tree; the search box's tip and hint; the help mode
    //    as it is assumed until read; the index modes cleared.
    FTocTree = std::make_unique<TTocTreeView>(TreeView1);
    delete g_TocData;
    g_TocData = new TTocData(FTocTree.get());
    // A very large family is read, then added: the window answers in between.
    g_TocData->BetweenSteps = [] { Application->ProcessMessages(); };
    SuperTipSearch->SetLinkControl(SearchEdit);
    SearchBtnImage->SetHint(SearchButtonHint(SearchBtnImage->Hint()));
    HelpMode = L"online";
    IndexPartialModeFirstKey = false;
    // 5. The index cache file.
    IndexCacheFile = IndexCacheFileIn(IndexCacheFolder());
    // 6. The first page of the navigation pane.
    NavPageControl->SetActivePage(TabSheetToc);
    // 7, 8. Single instance: a copy that hands its URL over (or opens it in a browser)
    //    ends here, having made nothing below.
    if (!CheckSingleInstance())
        return;
    RemoveIndexCacheLeftovers(IndexCacheFile);
    // 9. Where the program lives.
    RegWriteString(HKEY_CURRENT_USER, env.RegKey, L"installpath", CommandLine()[0]);
    // 10. No contents load runs, no menu hints; hints stay 10 s.
    FContentsBusy = false;
    FMenuHints = false;
    Application->HintHidePause = 10000;
    // 11. The settings store and the window's tag scanner.
    InitAppSettings(env.RegKey, L"", L"");
    AppSettings->OnWriteFailed = [](const std::wstring& Line) { DebugLogEx(Line, true); };
    TagRipper = std::make_unique<THTML_TagRipper>();
    // 12. Zoom in and out with Ctrl and the numeric pad's plus and minus.
    mmnuZoomIn->SetShortCut(scCtrl | VK_ADD);
    mnuZoomIn2->SetShortCut(scCtrl | VK_ADD);
    mmnuZoomOut->SetShortCut(scCtrl | VK_SUBTRACT);
    mnuZoomOut2->SetShortCut(scCtrl | VK_SUBTRACT);
    // 13. The saved settings, each applied as it is read.
    ApplyStartSettings();
    // 14. The catalog store and the product triple. The store's manifest is read and the
    //     catalog box filled by the start-up message, once the window is on screen: a store
    //     of tens of thousands of catalogs takes a while to read.
    H3Store = std::make_unique<TH3Store>();
    delete g_H3Code;
    g_H3Code = new TH3Code();
    // 15. The caption.
    CurrentCatalog.clear();
    CaptionBase = L"Vorlane " + GetExeVersionStr();
    UpdateCaption();
    // 16. The catalog locale box.
    CatalogLocaleCbo->Items()->Clear();
    for (const wchar_t* row : CatalogLocaleRows)
        CatalogLocaleCbo->Items()->Add(row);
    // 17. The interface language (a code that could leave the program's folder is none).
    LangCode = CheckLangCode(AppSettings->ReadString(MainSection, L"LangCode", L""),
                             [](const std::wstring& Line) { DebugLogEx(Line, true); });
    if ((!LangCode.empty() && LangCode != L"en") ||
        (LangCode.empty() && DefaultLanguageCode != "en"))
        TranslateMainWindow(LangCode);
    // 18. The pane's side. The setting counts from the side the reading starts on, so that a
    //    right-to-left language (laid out by step 17) keeps its pane where it was.
    PlaceNavigationPane(AppSettings->ReadBool(MainSection, L"NavigateOnRight", false) !=
                        (Application->BiDiMode() != bdLeftToRight));
    // 19. The online options.
    ApplyOnlineOptions();
    // 20. The log header.
    WriteLogHeader();
    // 21. Reading aloud.
    MakeSpeech();
    // 22. Opening pages in the runtime's own viewer needs it.
    mnuOpenWithHlpViewerExe->SetEnabled(CurrentH3Paths().HlpViewerExists);
    // 23. The taskbar object.
    delete g_Windows7;
    g_Windows7 = new TWindows7(L"qx.vorlane");
    BrowserStatusBar = StatusBar1;
    FCreated = true;
}

std::vector<std::wstring> TVMainForm::CommandLine() const {
    const TVMainEnvironment& env = VMainEnvironment();
    if (!env.UseCommandLine)
        return env.Params.empty() ? std::vector<std::wstring>{std::wstring()} : env.Params;
    std::vector<std::wstring> params;
    for (int i = 0, n = WideParamCount(); i <= n; ++i)
        params.push_back(WideParamStr(i));
    return params;
}

void TVMainForm::MakeSpeech() {
    Speech = std::make_unique<TSpeechAPI>([](const std::wstring& Line) { DebugLog(Line); },
                                          VMainEnvironment().SpeechFactory);
    SpeechSettings = ReadSpeechSettings(*AppSettings, MainSection);
    Speech->ApplySettings(SpeechSettings);
    BrowserSpeech = Speech.get();
}

// ---------------------------------------------------------------------------------
// Show and the start-up message

void TVMainForm::TntFormShow() {
    if (!FCreated)
        return;
    SearchPanel->SetColor(clWindow);
    SearchBtnPanel->SetColor(clWindow);
    if (!FShownOnce) {
        AppSettings->RestoreFormPosAs(MainFormPosName, this);
        // No part of a window larger than the screen, the tab strip's end included, is left
        // beyond the screen's edge.
        FitIntoWorkArea();
    }
    UpdateMenus();
    // The update checker, once: first look 20 s after the start, at most every 5 days.
    if (!WebUpdates)
        CreateWebUpdates(DefaultWebUpdateRec());
    SendMessageW(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (!FShownOnce)
        PostMessageW(Handle(), WM_VIEWER_STARTUP, 0, 0);
    FShownOnce = true;
}

void TVMainForm::AmStartupMsg() {
    if (!FCreated)
        return;
    FStartupGuard = true;
    // 1. The pane's saved width (a width the window cannot hold is not taken), shown as far as
    // the window's width lets it.
    const int width = LeftPanel->Width();
    const int given =
        PaneWidthFromSetting(AppSettings->ReadInteger(MainSection, L"LeftPanel.Width", width), width, ClientWidth());
    if (given >= CollapsedPaneWidth)
        LastPaneWidth = given;
    if (given >= CollapsedPaneWidth)
        ShowPaneWidth(given);
    else
        LeftPanel->SetWidth(given);
    FPaneFits = true;
    // 2. The debug window as it was.
    ShowDebug = AppSettings->ReadBool(MainSection, L"ShowDebug", false);
    if (ShowDebug)
        DebugForm->ShowDebugWindow(true);
    else if (DebugForm->Visible())
        DebugForm->ShowDebugWindow(false);
    // 3. A pane on the right lays its splitter out again.
    if (LeftPanel->Left() > 10)
        TntSplitter1Moved();
    // 4. There is always a tab.
    if (SmartTabs->GetTabCount() == 0)
        NewTab();
    // 5. The store's catalogs in the box, the saved one selected, with the window painted
    //    first; then the selected catalog (its contents, index and the passed-in URL follow
    //    from there).
    RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    H3Store->LoadManifest();
    FillCatalogBox(CatalogCbo, AppSettings->ReadString(MainSection, L"lastCatalog", DefaultCatalogKey));
    if (CatalogCbo->ItemIndex() >= 0)
        LoadCatalog(CatalogCbo->ItemText(CatalogCbo->ItemIndex()));
    // 6. Guards off; the layout and the catalog locale box.
    FStartupGuard = false;
    Realign();
    CatalogLocaleCboSelect();
}

// ---------------------------------------------------------------------------------
// Close and destruction

void TVMainForm::FormCloseQuery(bool& CanClose) {
    CanClose = true;
    Closing = true;
    // A copy that ended its creation early has nothing to save.
    if (!FCreated)
        return;
    // 2. Speech, the agent wait and a manual update check that waits stop first.
    if (Speech)
        Speech->Stop();
    StopH3Thread();
    if (WebUpdates)
        WebUpdates->CancelCheck();
    // 3-5. The settings.
    SaveSettings();
    // 6. The mutex handle by name again; the online options' styles go.
    RunningMutex.Reset();
    RunningMutex.Reset(OpenMutexW(MUTEX_ALL_ACCESS, FALSE, VMainEnvironment().MutexName.c_str()));
    FreeWebDataModuleStyles();
    // 7.
    Closing = CanClose;
}

void TVMainForm::SaveSettings() {
    if (!FCreated || !AppSettings)
        return;
    // 3. The window's place, then the 30 values in their order.
    AppSettings->SaveFormPosAs(MainFormPosName, this);
    TStoreSettingsWriter writer(*AppSettings);
    WriteMainSettings(writer, CollectMainSettings());
    // 4. The current catalog's orphan list.
    if (!CurrentCatalog.empty())
        SaveOrphanIds(CurrentCatalog);
    // 5. The open tabs.
    for (const auto& [name, value] : TabUrlValues(TabAddresses()))
        AppSettings->WriteString(MainSection, name, value);
}

bool TVMainForm::UnderWaitOrDialog() const {
    if (WaitsRunning() > 0)
        return true;
    for (int i = 0; Screen && i < Screen->FormCount(); ++i)
        if (Screen->Forms(i)->FormState() & fsModal)
            return true;
    return false;
}

void TVMainForm::RequestClose() {
    if (!UnderWaitOrDialog()) {
        FCloseAfterWaits = false;
        Close();
        return;
    }
    // Under a wait or a dialog: the waits end as cancelled, the dialogs as by their Cancel,
    // then the close runs from the outer loop.
    FCloseAfterWaits = true;
    CancelWaitsForClose();
    for (int i = 0; Screen && i < Screen->FormCount(); ++i)
        if (TCustomForm* form = Screen->Forms(i); form != this && (form->FormState() & fsModal))
            form->SetModalResult(mrCancel);
}

void TVMainForm::RunAfterWaits() {
    if (UnderWaitOrDialog() || !HandleAllocated())
        return;
    if (FCloseAfterWaits) {
        FCloseAfterWaits = false;
        FHandOvers.clear();
        PostMessageW(Handle(), WM_CLOSE, 0, 0);
        return;
    }
    // A catalog chosen, or a reload asked for, during a wait.
    if ((!FPendingCatalog.empty() || FTocReloadPending) && !FTocLoading)
        RunPendingToc();
    // One a time, in the order they came: each may wait in its turn.
    if (!FHandOvers.empty()) {
        const std::wstring url = std::move(FHandOvers.front());
        FHandOvers.pop_front();
        OpenPassedInUrl(url);
    }
}

void TVMainForm::FormDestroy() {
    if (FDestroyed)
        return;
    FDestroyed = true;
    TntFormDeactivate();
    KillShotTimer(FSplitterTimer);
    // The tabs' frames first: they use the status bar, the speech and the models below.
    FreeFrames();
    if (BrowserStatusBar == StatusBar1)
        BrowserStatusBar = nullptr;
    if (BrowserSpeech == Speech.get())
        BrowserSpeech = nullptr;
    // In this order; what a copy that ended early never made is not there.
    delete g_Windows7;
    g_Windows7 = nullptr;
    if (FCreated)
        FreeWebUpdates();
    Speech.reset();
    TagRipper.reset();
    H3Store.reset();
    if (FCreated) {
        delete g_H3Code;
        g_H3Code = nullptr;
        FreeAppSettings();
    }
    if (FTocTree) {
        delete g_TocData;
        g_TocData = nullptr;
        FTocTree.reset();
    }
    if (FTraceSink) {
        SetH3TraceSink(nullptr);
        FTraceSink.reset();
    }
}

void TVMainForm::mnuExitClick() { RequestClose(); }

// ---------------------------------------------------------------------------------
// Activation

void TVMainForm::ApplicationEvents1Activate() {
    if (FCreated)
        UpdateCaption();
}

void TVMainForm::TntFormActivate() {
    if (FHintInstalled)
        return;
    FOldAppHint = Application->OnHint;
    Application->OnHint = [this](TObject*) {
        if (StatusBar1->SimplePanel())
            StatusBar1->SetSimpleText(Application->Hint());
    };
    FHintInstalled = true;
}

void TVMainForm::TntFormDeactivate() {
    if (!FHintInstalled)
        return;
    Application->OnHint = FOldAppHint;
    FOldAppHint = nullptr;
    FHintInstalled = false;
}
