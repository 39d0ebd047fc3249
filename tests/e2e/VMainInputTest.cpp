// Keys and numbered commands of the real program: keys pressed with SendInput after the
// window came to the front, commands posted without their key (message 0x4B6).
#include "VorlaneFixture.h"

using namespace vorlane_probe;

namespace {

constexpr UINT CommandMessage = 0x4B6;

} // namespace

class VorlaneInput : public VorlaneE2E {};

TEST_F(VorlaneInput, APostedCommandRunsAndAKeyThatIsAlsoAMenuShortcutRunsOnce) {
    DeleteRegKeyTree(HKEY_CURRENT_USER, L"Software\\Quorvex\\Crossmere");
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    // Command 34 without its key: the debug window.
    HWND debug = DebugWindow();
    ASSERT_TRUE(debug);
    ASSERT_TRUE(Post(main, CommandMessage, 34));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(debug) != FALSE; }, 10000));
    ASSERT_TRUE(SendChord(debug, L"esc"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(debug); }, 10000));

    // Ctrl+Shift+F12 (the migration tool, also its menu item's shortcut): one question
    // about the missing tool.
    ASSERT_TRUE(SendChord(main, L"ctrl+shift+f12"));
    EXPECT_EQ(AnswerMessageBox(Viewer.Pid(), IDNO),
              L"Crossmere by Quorvex is not installed on this PC.\r\n\r\nGo to Crossmere download page?");
    EXPECT_EQ(AnswerMessageBox(Viewer.Pid(), IDNO, 1500), L"<none>");
    EXPECT_TRUE(BrowserUrls().empty());
    // Alt+F12 and Shift+F12 start nothing.
    ASSERT_TRUE(SendChord(main, L"alt+f12"));
    ASSERT_TRUE(SendChord(main, L"shift+f12"));
    EXPECT_EQ(AnswerMessageBox(Viewer.Pid(), IDNO, 1500), L"<none>");
    EXPECT_TRUE(Viewer.Running());
}

TEST_F(VorlaneInput, TheZoomKeysChangeTheStoredZoom) {
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    // In, in, in, out (102), back to 100, in, in, out.
    for (const wchar_t* chord : {L"ctrl+plus", L"ctrl+plus", L"ctrl+plus", L"ctrl+minus", L"ctrl+shift+z", L"ctrl+plus",
                                 L"ctrl+plus", L"ctrl+minus"}) {
        ASSERT_TRUE(SendChord(main, chord)) << chord;
        Sleep(100);
    }
    ASSERT_EQ(CloseViewer(main), 0);
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"Zoom").Text(), L"101");
}

TEST_F(VorlaneInput, F12StartsTheAgentWhenItIsNotRunning) {
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    // The load's later requests end with the orphan group saved; a key pressed while one of
    // them waits is refused, as every command is during a wait.
    ASSERT_TRUE(WaitUntil([] { return RegRead(HKEY_CURRENT_USER, MainKey, L"VS\\100\\EN-US_OrphanID2").Exists; },
                          WindowTimeoutMs));
    // The agent the viewer started for its first load ends; F12 starts another.
    const auto agents = [&] { return ProcessesRunFrom(Inst.appRoot + L"\\HelpLibAgent"); };
    for (DWORD pid : agents())
        ASSERT_TRUE(KillProcess(pid));
    ASSERT_TRUE(agents().empty());
    ASSERT_TRUE(SendChord(main, L"f12"));
    EXPECT_TRUE(WaitUntil([&] { return !agents().empty(); }, 20000));
    EXPECT_EQ(AnswerMessageBox(Viewer.Pid(), IDOK, 1500), L"<none>");
}
