// Registration as the help runtime's viewer from the Options menu: the value in the 64-bit
// view of HKLM, the message the user reads, and "Default" leaving an empty value.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

using namespace vorlane_probe;

namespace {

const wchar_t* const RuntimeKey = L"SOFTWARE\\Microsoft\\Help\\v1.0";

} // namespace

class VorlaneRegistration : public VorlaneE2E {};

TEST_F(VorlaneRegistration, TheViewerItemWritesTheProgramPathAndDefaultLeavesAnEmptyValue) {
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(RunViewerItem(main, 1)); // "Vorlane by Quorvex (this viewer)"
    // (The box shows each "\r" as a line of its own: its text reads back with CR LF.)
    const std::wstring done = AnswerMessageBox(Viewer.Pid(), IDOK);
    EXPECT_EQ(done.find(L"F1 help now opens in " + ViewerExe + L".\r\nAlso restart Vorlane.exe"),
              0u)
        << done;
    EXPECT_NE(done.find(L"\r\nSuccess! You must restart HelpLibAgent.exe"), std::wstring::npos) << done;
    EXPECT_EQ(RegRead(HKEY_LOCAL_MACHINE, RuntimeKey, L"HelpViewerProgID", KEY_WOW64_64KEY).Text(), ViewerExe);

    ASSERT_TRUE(RunViewerItem(main, 0)); // "Default"
    EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDOK).find(L"Success!"), std::wstring::npos);
    const RegValue value = RegRead(HKEY_LOCAL_MACHINE, RuntimeKey, L"HelpViewerProgID", KEY_WOW64_64KEY);
    EXPECT_TRUE(value.Exists);
    EXPECT_EQ(value.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.Text(), L"");
    EXPECT_TRUE(Viewer.Running());
}
