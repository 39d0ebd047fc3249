// The program from outside: "/uninstall", a normal start, the debug window and the log file.
#include "VorlaneFixture.h"

using namespace vorlane_probe;

namespace {

const wchar_t* const RuntimeKey = L"SOFTWARE\\Microsoft\\Help\\v1.0";
const wchar_t* const ProgId = L"HelpViewerProgID";

std::wstring ProgIdIn(REGSAM View) { return RegRead(HKEY_LOCAL_MACHINE, RuntimeKey, ProgId, View).Text(); }

} // namespace

class VorlaneStart : public VorlaneE2E {};

TEST_F(VorlaneStart, UninstallEmptiesOnlyAValueNamingThisProgramInThe64BitView) {
    const std::wstring ours = L"C:\\Program Files (x86)\\Quorvex\\VORLANE.exe";
    struct Case {
        std::vector<std::wstring> Args;
        std::wstring Before;
        std::wstring After;
    } cases[] = {
        {{L"/uninstall"}, ours, L""},
        {{L"http://127.0.0.1/x", L"/UnInstall"}, L"vorlane", L""},     // any position, any case
        {{L"-debug", L"/UNINSTALL", L"z"}, L"HlpViewer.exe", L"HlpViewer.exe"}, // another program's value stays
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Args.back() << " with " << c.Before);
        ASSERT_TRUE(RegWriteString(HKEY_LOCAL_MACHINE, RuntimeKey, ProgId, c.Before, KEY_WOW64_64KEY));
        ASSERT_TRUE(RegWriteString(HKEY_LOCAL_MACHINE, RuntimeKey, ProgId, L"Vorlane 32", KEY_WOW64_32KEY));
        EXPECT_TRUE(RunsWithoutWindow(c.Args));
        EXPECT_EQ(ProgIdIn(KEY_WOW64_64KEY), c.After);
        EXPECT_EQ(ProgIdIn(KEY_WOW64_32KEY), L"Vorlane 32");
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, ViewerKey)) << "nothing written under the viewer's key";
    }
    // A missing value stays missing.
    ASSERT_TRUE(DeleteRegValue(HKEY_LOCAL_MACHINE, RuntimeKey, ProgId, KEY_WOW64_64KEY));
    EXPECT_TRUE(RunsWithoutWindow({L"/uninstall"}));
    EXPECT_FALSE(RegRead(HKEY_LOCAL_MACHINE, RuntimeKey, ProgId, KEY_WOW64_64KEY).Exists);
}

TEST_F(VorlaneStart, ShowsTheMainWindowWritesItsPlaceLeavesTheRegistrationAloneAndEndsCleanly) {
    ASSERT_TRUE(RegWriteString(HKEY_LOCAL_MACHINE, RuntimeKey, ProgId, L"Vorlane", KEY_WOW64_64KEY));
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    printf("start to main window shown: %lu ms\n", GetTickCount() - Viewer.StartTick());
    EXPECT_EQ(WindowText(main).rfind(L"Vorlane 0.1.0.0 - ", 0), 0u) << WindowText(main);
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, ViewerKey, L"installpath").Text(), ViewerExe);
    EXPECT_EQ(ProgIdIn(KEY_WOW64_64KEY), L"Vorlane");
    // The application window carries the title the second copy looks for.
    EXPECT_TRUE(FindTopWindow({Viewer.Pid(), L"TApplication", L"Vorlane"}));
    // The program's own icon, drawn in the three sizes the system shows.
    if (HMODULE exe = LoadLibraryExW(ViewerExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {
        std::vector<int> sizes;
        if (HRSRC group = FindResourceW(exe, L"MAINICON", RT_GROUP_ICON)) {
            const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(exe, group)));
            const int count = dir[4] | dir[5] << 8;
            for (int i = 0; i < count; ++i)
                sizes.push_back(dir[6 + 14 * i]);
        }
        EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
        FreeLibrary(exe);
    } else {
        ADD_FAILURE() << "the program cannot be read";
    }
    // Without "/debug" no log file.
    EXPECT_EQ(GetFileAttributesW((ProgramDir + L"\\HHDebug.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    // Closing the main window ends the program cleanly.
    ASSERT_TRUE(Post(main, WM_CLOSE));
    EXPECT_EQ(Viewer.WaitExit(20000), 0);
}

TEST_F(VorlaneStart, CtrlDShowsTheDebugWindowWithTheForcedHeader) {
    ASSERT_TRUE(StartViewer({L"/debug", L"http://example.invalid/two words"}));
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    HWND debug = DebugWindow();
    ASSERT_TRUE(debug);
    EXPECT_FALSE(IsWindowVisible(debug));
    // The header is in the log before the window shows (forced lines).
    const std::vector<std::wstring> lines = SplitLines(DebugLog());
    ASSERT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[0], std::wstring(80, L'='));
    EXPECT_EQ(lines[1].rfind(L"Date:\t", 0), 0u);
    EXPECT_EQ(lines[2], L"Vorlane:\t0.1.0.0, " + ViewerExe);
    EXPECT_EQ(lines[3], L" > CmdLine Param 1:  /debug");
    EXPECT_EQ(lines[4], L" > CmdLine Param 2:  http://example.invalid/two words");
    EXPECT_EQ(lines[5].rfind(L"Windows 64bit OS, version: ", 0), 0u) << lines[5];
    EXPECT_EQ(lines[6], std::wstring(80, L'-'));
    EXPECT_EQ(lines[7].rfind(L"HelpLibManager:\t", 0), 0u);
    EXPECT_NE(lines[8].find(L", " + Inst.appRoot + L"\\HelpLibAgent.exe"), std::wstring::npos) << lines[8];
    EXPECT_NE(lines[9].find(L"Microsoft.Help.dll"), std::wstring::npos) << lines[9];
    EXPECT_EQ(lines[10], L"AppRootDir:\t" + Inst.appRoot);
    EXPECT_EQ(lines[11], L"LocalStoreDir:\t" + Inst.localStore);
    EXPECT_EQ(lines[12], std::wstring(80, L'='));

    ASSERT_TRUE(SendChord(main, L"ctrl+d"));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(debug) != FALSE; }, 10000));
    EXPECT_EQ(WindowText(debug), L"Vorlane Debug");
    // "/debug" turned the log file on.
    EXPECT_NE(GetFileAttributesW((ProgramDir + L"\\HHDebug.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    // Esc hides it again; the main window stays.
    ASSERT_TRUE(SendChord(debug, L"esc"));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(debug); }, 10000));
    EXPECT_TRUE(Viewer.Running());
}

TEST_F(VorlaneE2E, BrowserHookRecordsTheAddressesTheShellOpens) {
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", L"http://example.invalid/vorlane-e2e?a=1", nullptr, nullptr, SW_SHOWNORMAL));
    EXPECT_GT(r, 32);
    std::vector<std::wstring> urls;
    EXPECT_TRUE(WaitUntil([&] { return !(urls = BrowserUrls()).empty(); }, 20000));
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0], L"http://example.invalid/vorlane-e2e?a=1");
}

TEST_F(VorlaneStart, PortCheckTellsWhetherTheAgentListens) {
    ASSERT_TRUE(StartAgent());
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    ASSERT_TRUE(SendChord(main, L"ctrl+d"));
    HWND debug = DebugWindow();
    ASSERT_TRUE(WaitUntil([&] { return debug && IsWindowVisible(debug); }, 10000));
    HWND check = FindDescendant(debug, L"TTntButton.UnicodeClass", L"Port Check");
    ASSERT_TRUE(check);
    const std::wstring port = std::to_wstring(Agent.Port());
    ASSERT_TRUE(Send(check, BM_CLICK, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return DebugLog().find(L"> PortTCP_IsOpen(" + port + L")=true\r\n") != std::wstring::npos; }, 10000))
        << DebugLog();
    Agent.Stop();
    // A request of the start-up still running may have started the agent again on its port.
    for (DWORD pid : ProcessesRunFrom(Inst.appRoot + L"\\"))
        KillProcess(pid);
    ASSERT_TRUE(Send(check, BM_CLICK, 0, 0));
    EXPECT_TRUE(WaitUntil([&] { return DebugLog().find(L"> PortTCP_IsOpen(" + port + L")=false\r\n") != std::wstring::npos; }, 10000))
        << DebugLog();
}
