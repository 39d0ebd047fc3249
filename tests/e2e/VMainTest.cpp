// The main window from outside: what a close saves, settings across a restart, the
// hand-over from a second copy, "http:" help in online mode, the caption and the mode.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

#include <map>

using namespace vorlane_probe;

namespace {

const wchar_t* const MutexName = L"vorlaneRunningMutex";

// The 30 values a close writes, in their order.
const wchar_t* const MainValueNames[] = {
    L"lastCatalog",     L"SearchText",     L"mnuOpenF1NewTab", L"IndexPartialMode_FirstKey", L"FullIndexMode",
    L"LeftPanel.Width", L"ShowDebug",      L"ShowTopicNav2",   L"LastBrowserUsed",           L"TimeStampLog",
    L"mnuQuickTOCLoad", L"SelectedVoice",  L"SpeechRate",      L"SuppressErrors",            L"ShowAddressBar",
    L"ShowBreadcrumbBar", L"SpeechVolume", L"SaveTabsOnShutdown", L"FavDir",                 L"FindTextEdit",
    L"NavigateOnRight", L"Zoom",           L"StayOnTop",       L"Color_Background4",         L"Color_Text4",
    L"LangCode",        L"WebLang",        L"WebDevice",       L"StyleName",                 L"FavView1"};

bool MutexExists() {
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, MutexName);
    if (h)
        CloseHandle(h);
    return h != nullptr;
}

std::map<std::wstring, std::wstring> MainValues() {
    std::map<std::wstring, std::wstring> values;
    for (const wchar_t* name : MainValueNames) {
        const RegValue v = RegRead(HKEY_CURRENT_USER, MainKey, name);
        values[name] = v.Exists ? v.Text() : L"<missing>";
    }
    return values;
}

} // namespace

class VorlaneMain : public VorlaneE2E {
protected:
    // The runtime's help mode: the machine file of the installation (the viewer reads the
    // per-user file first; the fixture's installation keeps that one elsewhere).
    void SetHelpModeFile(const std::string& Content) {
        HANDLE f = CreateFileW((Inst.appRoot + L"\\HelpClient.cfg").c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(f, Content.data(), static_cast<DWORD>(Content.size()), &written, nullptr);
        CloseHandle(f);
    }
    void SetHelpMode(const char* Mode) {
        SetHelpModeFile(std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<configuration>\r\n  <appSettings>\r\n"
                                    "    <add key=\"helpmode\" value=\"") +
                        Mode + "\" />\r\n  </appSettings>\r\n</configuration>\r\n");
    }
    void SeedMain(const std::map<std::wstring, std::wstring>& Values) {
        for (const auto& [name, value] : Values)
            ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, MainKey, name, value));
    }
};

TEST_F(VorlaneMain, ACleanStartThenCloseWritesTheThirtyValuesAndThePlace) {
    EXPECT_FALSE(MutexExists());
    // The system fills the program's freed memory with a pattern: a use of a freed object
    // faults at once instead of when the memory happens to be used again.
    const std::wstring imageOptions =
        L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\Vorlane.exe";
    struct TRemove {
        std::wstring Key;
        ~TRemove() {
            for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
                DeleteRegKeyTree(HKEY_LOCAL_MACHINE, Key, view);
        }
    } removeOptions{imageOptions};
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) // heap free checking
        ASSERT_TRUE(RegWriteDword(HKEY_LOCAL_MACHINE, imageOptions, L"GlobalFlag", 0x20, view));
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    printf("start to main window shown: %lu ms\n", GetTickCount() - Viewer.StartTick());
    // The window, its owner and the mutex.
    EXPECT_EQ(ClassName(main), MainFormClass);
    HWND app = FindTopWindow({Viewer.Pid(), L"TApplication", L"Vorlane"});
    ASSERT_TRUE(app);
    EXPECT_EQ(Owner(main), app);
    EXPECT_TRUE(MutexExists());
    // The store's catalogs, the caption with the mode and the selected catalog.
    HWND catalogs = CatalogBox(main);
    ASSERT_TRUE(catalogs);
    EXPECT_EQ(ComboItems(catalogs), (std::vector<std::wstring>{L"EMPTY\\100\\EN-US", L"VS\\100\\de-DE", L"VS\\100\\EN-US"}));
    EXPECT_EQ(WindowText(catalogs), L"VS\\100\\EN-US");
    EXPECT_EQ(WindowText(main), L"Vorlane 0.1.0.0 - Offline Mode, Catalog: VS\\100\\EN-US");
    // The first tab opens the first contents node's topic once the contents have come; on a slow
    // start that is after the window shows, so wait for its address before closing.
    const std::wstring firstTopic = L"&method=page&id=-1&topicversion=100&";
    HWND address = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        HWND go = FindDescendant(main, L"TTntButton.UnicodeClass", L"Go");
        address = go ? FindDescendant(GetParent(go), L"TTntEdit.UnicodeClass") : nullptr;
        return address && WindowText(address).find(firstTopic) != std::wstring::npos;
    }, 30000)) << (address ? WindowText(address) : std::wstring(L"no address box"));
    // A tab opened and closed again, then Tab and Shift+Tab from the contents tree walk the
    // window without the closed tab's controls: the run ends normally and saves.
    auto goButtons = [&] {
        int n = 0;
        while (FindDescendant(main, L"TTntButton.UnicodeClass", L"Go", n))
            ++n;
        return n;
    };
    ASSERT_TRUE(SendChord(main, L"ctrl+n"));
    EXPECT_TRUE(WaitUntil([&] { return goButtons() == 2; }, 10000));
    ASSERT_TRUE(SendChord(main, L"ctrl+w"));
    EXPECT_TRUE(WaitUntil([&] { return goButtons() == 1; }, 10000)); // the frame is freed
    HWND tree = ContentsTree(main);
    ASSERT_TRUE(tree);
    auto focus = [&] {
        GUITHREADINFO info{sizeof(info)};
        return GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &info) ? info.hwndFocus : nullptr;
    };
    ASSERT_TRUE(PostClick(tree, 40, 8));
    EXPECT_TRUE(WaitUntil([&] { return focus() == tree; }, 5000));
    auto press = [&](const wchar_t* key) {
        HWND before = focus();
        ASSERT_TRUE(SendChord(main, key)) << key;
        WaitUntil([&] { return focus() != before; }, 1000); // one key at a time
    };
    for (const wchar_t* key : {L"tab", L"shift+tab"})
        for (int i = 0; i < 6; ++i)
            press(key);
    press(L"shift+tab");
    EXPECT_TRUE(WaitUntil([&] { return focus() != tree; }, 5000)) << "Tab left the tree";
    EXPECT_EQ(AnswerMessageBox(Viewer.Pid(), IDOK, 500), L"<none>") << "a fault stopped and shown";
    EXPECT_TRUE(Send(main, WM_NULL, 0, 0)) << "the viewer answers after the keys";

    // Alt+F4 with the focus in the tree, after a click on a row, closes and saves as a close does.
    ASSERT_TRUE(MouseClick(tree, 40, 8));
    EXPECT_TRUE(WaitUntil([&] { return focus() == tree; }, 5000));
    ASSERT_TRUE(SendChord(main, L"alt+f4"));
    ASSERT_EQ(Viewer.WaitExit(20000), 0) << "Alt+F4 in the tree";
    EXPECT_FALSE(MutexExists());
    const std::map<std::wstring, std::wstring> values = MainValues();
    for (const auto& [name, value] : values)
        EXPECT_NE(value, L"<missing>") << name;
    EXPECT_EQ(values.at(L"lastCatalog"), L"VS\\100\\EN-US");
    EXPECT_EQ(values.at(L"LeftPanel.Width"), L"353");
    EXPECT_EQ(values.at(L"Zoom"), L"100");
    EXPECT_EQ(values.at(L"mnuOpenF1NewTab"), L"1");
    EXPECT_EQ(values.at(L"WebLang"), L"4");
    for (const wchar_t* pos : {L"MainForm_Left", L"MainForm_Top", L"MainForm_Width", L"MainForm_Height",
                               L"MainForm_Maximized"})
        EXPECT_TRUE(RegRead(HKEY_CURRENT_USER, ViewerKey, pos).Exists) << pos;
    // The one tab shows the first contents node's topic; an empty value ends the list.
    const std::wstring tab = RegRead(HKEY_CURRENT_USER, MainKey, L"PageTab_URL1").Text();
    EXPECT_NE(tab.find(firstTopic), std::wstring::npos) << tab;
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"PageTab_URL2").Text(), L"");

    // A log-off: the end of the Windows session, then the process is ended. It saves as a close.
    ASSERT_TRUE(DeleteRegKeyTree(HKEY_CURRENT_USER, MainKey));
    ASSERT_TRUE(StartViewer());
    main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    ASSERT_TRUE(SendChord(main, L"ctrl+n"));
    EXPECT_TRUE(WaitUntil([&] { return goButtons() == 2; }, 10000));
    LRESULT mayEnd = 0;
    ASSERT_TRUE(Send(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &mayEnd));
    EXPECT_TRUE(mayEnd);
    ASSERT_TRUE(Send(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF));
    Viewer.Kill();
    for (const auto& [name, value] : MainValues())
        EXPECT_NE(value, L"<missing>") << "after a log-off: " << name;
    EXPECT_TRUE(RegRead(HKEY_CURRENT_USER, MainKey, L"PageTab_URL1").Exists);
}

TEST_F(VorlaneMain, SeededSettingsComeBackAfterARestart) {
    // A style of the options file beside the program, for the style name.
    HANDLE f = CreateFileW((ProgramDir + L"\\Vorlane.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    const std::string options = "[style]\r\nLarge=font-size:large\r\nSmall=font-size:small\r\n";
    DWORD written = 0;
    WriteFile(f, options.data(), static_cast<DWORD>(options.size()), &written, nullptr);
    CloseHandle(f);

    const std::map<std::wstring, std::wstring> seeded = {
        {L"lastCatalog", L"VS\\100\\de-DE"}, {L"SearchText", L"two \"quoted\" words"}, {L"mnuOpenF1NewTab", L"0"},
        {L"IndexPartialMode_FirstKey", L"1"}, {L"FullIndexMode", L"1"},   {L"LeftPanel.Width", L"300"},
        {L"ShowDebug", L"1"},             {L"ShowTopicNav2", L"0"},       {L"LastBrowserUsed", L"10"},
        {L"TimeStampLog", L"1"},          {L"mnuQuickTOCLoad", L"0"},     {L"SelectedVoice", L"1"},
        {L"SpeechRate", L"3"},            {L"SuppressErrors", L"0"},      {L"ShowAddressBar", L"0"},
        {L"ShowBreadcrumbBar", L"0"},     {L"SpeechVolume", L"55"},       {L"SaveTabsOnShutdown", L"0"},
        {L"FavDir", ProgramDir},          {L"FindTextEdit", L"needle"},   {L"NavigateOnRight", L"1"},
        {L"Zoom", L"125"},                {L"StayOnTop", L"1"},           {L"Color_Background4", L"4478076"},
        {L"Color_Text4", L"16774378"},    {L"LangCode", L"en"},           {L"WebLang", L"6"},
        {L"WebDevice", L"23"},            {L"StyleName", L"Small"},       {L"FavView1", L"5"}};
    SeedMain(seeded);
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    // The start-up message shows the debug window as it was.
    HWND debug = DebugWindow();
    ASSERT_TRUE(debug);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(debug) != FALSE; }, 10000));
    printf("start to the start-up message done: %lu ms\n", GetTickCount() - Viewer.StartTick());
    EXPECT_TRUE(FindDescendant(main, L"TTntEdit.UnicodeClass", L"two \"quoted\" words")) << "the search box";
    // The caption names the catalog once its contents are read.
    const std::wstring caption = L"Vorlane 0.1.0.0 - Offline Mode, Catalog: VS\\100\\de-DE";
    EXPECT_TRUE(WaitUntil([&] { return WindowText(main) == caption; }, WindowTimeoutMs)) << WindowText(main);
    ASSERT_EQ(CloseViewer(main), 0);
    EXPECT_EQ(MainValues(), seeded);

    // Closed while it waits for an agent that is slow to start (it starts one itself): the
    // close ends the wait, no other wait for the agent (the full index's) begins after it, and
    // the values stay.
    for (DWORD pid : ProcessesRunFrom(Inst.appRoot + L"\\"))
        KillProcess(pid);
    ASSERT_TRUE(Viewer.Start(ViewerExe, {}, {{L"STANDIN_AGENT_DELAY_MS", L"60000"}}));
    ASSERT_TRUE(main = WaitMainWindow());
    ASSERT_TRUE(WaitForWindow({Viewer.Pid(), L"TCancelForm.UnicodeClass", L"", nullptr, true}, WindowTimeoutMs));
    ASSERT_EQ(CloseViewer(main), 0);
    EXPECT_EQ(MainValues(), seeded);
}

TEST_F(VorlaneMain, ASecondCopyHandsItsHelpUrlToTheFirst) {
    ASSERT_TRUE(StartViewer({L"/debug"}));
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    // Once its contents have loaded and it has saved the orphan group the load adds (the tree
    // answers during the load's later requests), the first copy writes nothing until it closes.
    ASSERT_TRUE(WaitContentsLoaded(main));
    ASSERT_TRUE(WaitUntil([] { return RegRead(HKEY_CURRENT_USER, MainKey, L"VS\\100\\EN-US_OrphanID2").Exists; },
                          WindowTimeoutMs));
    ASSERT_TRUE(DeleteRegKeyTree(HKEY_CURRENT_USER, MainKey));
    ASSERT_TRUE(DeleteRegValue(HKEY_CURRENT_USER, ViewerKey, L"installpath"));
    const std::wstring url = L"ms-xhelp:///?method=f1&query=System.Windows.Forms.Button&product=VS";
    ViewerProcess second;
    EXPECT_TRUE(RunsWithoutWindow(second, {L"-debug", url + L"&embedded=true"}));
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, ViewerKey, L"IPParam").Text(), url);
    EXPECT_FALSE(RegRead(HKEY_CURRENT_USER, ViewerKey, L"installpath").Exists) << "the second copy wrote more";
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, MainKey));
    // The first copy opens it (a forced line of its log).
    EXPECT_TRUE(WaitUntil([&] { return DebugLog().find(L">> OpenPassedInUrl(), " + url + L"\r\n") != std::wstring::npos; },
                          10000))
        << DebugLog();
    EXPECT_TRUE(Viewer.Running());
    // Without a help URL a second copy starts as usual.
    ViewerProcess third;
    ASSERT_TRUE(third.Start(ViewerExe, {L"/debug"}));
    EXPECT_TRUE(WaitForWindow({third.Pid(), MainFormClass, L"", nullptr, true}, WindowTimeoutMs));
    third.Kill();
}

// During a wait no command of the main window runs: shortcut keys are refused, and help URLs
// handed over by second copies open after the wait, in the order they came.
TEST_F(VorlaneMain, DuringAWaitKeysAreRefusedAndHandOversOpenAfterItInTheirOrder) {
    // The agent holds the first breadcrumb request after the start's two.
    const int port = standin_test::FreePort();
    SetAgentPort(port);
    ASSERT_TRUE(Agent.Start(Inst, port, {{L"STANDIN_AGENT_FAULTS", L"ancestors#3=stall:12000"}}, true));
    ASSERT_TRUE(Agent.WaitForPort());
    const auto ancestors = [&] {
        const std::vector<std::string> log = Agent.RequestLog();
        return std::count_if(log.begin(), log.end(), [](const std::string& r) { return r.find("method=ancestors") != std::string::npos; });
    };
    ASSERT_TRUE(StartViewer({L"/debug"}));
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    ASSERT_TRUE(WaitUntil([&] { return ancestors() == 2; }, WindowTimeoutMs));
    HWND tree = ContentsTree(main);
    HTREEITEM contoso = nullptr;
    for (auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item && !contoso;
         item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
        if (TreeItemText(tree, item) == L"Contoso Widgets & Gadgets")
            contoso = item;
    RECT r{};
    ASSERT_TRUE(contoso && TreeItemRect(tree, contoso, r));
    ASSERT_TRUE(MouseClickAt(tree, r));
    HWND wait = WaitForWindow({Viewer.Pid(), L"TCancelForm.UnicodeClass", L"", nullptr, true}, 10000);
    ASSERT_TRUE(wait) << "no wait for the breadcrumb";
    const size_t tabs = Edits(main).size();
    // The user brings the main window up and presses shortcut keys: nothing runs.
    for (const wchar_t* chord : {L"ctrl+t", L"ctrl+n", L"ctrl+t"})
        ASSERT_TRUE(SendChord(main, chord)) << chord;
    Sleep(1000);
    EXPECT_EQ(ancestors(), 3) << "a sync ran inside the wait";
    EXPECT_EQ(FindTopWindows({Viewer.Pid(), L"TCancelForm.UnicodeClass", L"", nullptr, true}).size(), 1u);
    EXPECT_EQ(Edits(main).size(), tabs);
    // Two second copies hand their help URLs over.
    const std::wstring first = L"ms-xhelp:///?method=f1&query=First.Handed.Over&product=VS";
    const std::wstring second = L"ms-xhelp:///?method=f1&query=Second.Handed.Over&product=VS";
    for (const std::wstring& url : {first, second}) {
        ViewerProcess copy;
        EXPECT_TRUE(RunsWithoutWindow(copy, {url}));
    }
    const auto opened = [&](const std::wstring& Url) { return DebugLog().find(L">> OpenPassedInUrl(), " + Url + L"\r\n"); };
    ASSERT_TRUE(IsWindowVisible(wait)) << "the wait ended before the hand-overs came";
    EXPECT_EQ(opened(first), std::wstring::npos) << "opened inside the wait";
    // The wait window goes when its request ends; then the URLs open, in their order.
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wait) || !IsWindowVisible(wait); }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return opened(second) != std::wstring::npos; }, 30000)) << DebugLog();
    EXPECT_LT(opened(first), opened(second));
    EXPECT_TRUE(Viewer.Running());
}

TEST_F(VorlaneMain, AnHttpUrlInOnlineModeGoesToTheWebBrowserWithoutAWindow) {
    SetHelpMode("online");
    const std::wstring url = L"http://example.invalid/vorlane-online?id=1";
    // The debug switch is not the URL, wherever it stands.
    EXPECT_TRUE(RunsWithoutWindow({L"/debug", url + L"&embedded=true"}));
    std::vector<std::wstring> opened;
    EXPECT_TRUE(WaitUntil([&] { return !(opened = BrowserUrls()).empty(); }, 20000));
    EXPECT_EQ(opened, (std::vector<std::wstring>{url}));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, ViewerKey)) << "nothing written";
}

TEST_F(VorlaneMain, TheCaptionFollowsTheHelpModeWhenTheViewerIsActivatedAgain) {
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    // The agent the viewer starts for its first contents load reads the mode as it starts.
    ASSERT_TRUE(WaitContentsLoaded(main));
    const std::wstring base = L"Vorlane 0.1.0.0 - ";
    const std::wstring catalog = L", Catalog: VS\\100\\EN-US";
    EXPECT_EQ(WindowText(main), base + L"Offline Mode" + catalog);
    // Another window takes the focus, the mode changes, the viewer comes back.
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    // Under load a switch of the foreground window can fail (the viewer then never left it):
    // the switch is made again until the caption has followed.
    const auto reactivatedTo = [&](const std::wstring& caption) {
        return WaitUntil(
            [&] {
                Activate(other);
                Activate(main);
                return WaitUntil([&] { return WindowText(main) == caption; }, 2000);
            },
            20000, 0);
    };
    SetHelpMode("online");
    EXPECT_TRUE(reactivatedTo(base + L"Online Mode" + catalog)) << WindowText(main);

    // A file that cannot be read gives the offline caption.
    SetHelpModeFile("\xFF\xFE<conf");
    EXPECT_TRUE(reactivatedTo(base + L"Offline Mode" + catalog)) << WindowText(main);
    DestroyWindow(other);
}
