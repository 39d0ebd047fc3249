// The interface translation from outside: a language file beside the program and the saved
// language code, the right-to-left layout of Hebrew, and the way back through the picker.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

using namespace vorlane_probe;

namespace {

const wchar_t* const Hebrew = L"\u05de\u05e6\u05d1 \u05dc\u05d0 \u05de\u05e7\u05d5\u05d5\u05df"; // "offline mode"

} // namespace

TEST_F(VorlaneE2E, AHebrewFileTranslatesMirrorsAndThePickerTurnsItBack) {
    ASSERT_TRUE(WriteLangFile(ProgramDir + L"\\vorlane.lang.he",
                              std::wstring(L"[Translator]\r\nName=Test\r\n[main]\r\nWinTitle_OfflineMode=") + Hebrew +
                                  L"\r\nmmnuOptions=&Options\r\n"));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, MainKey, L"LangCode", L"he"));
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    EXPECT_NE(WindowText(main).find(std::wstring(L" - ") + Hebrew + L", Catalog: "), std::wstring::npos)
        << WindowText(main);
    EXPECT_TRUE(PaneOnTheRight(main));

    // Options, Interface Language...: the "Windows" row, OK.
    ASSERT_TRUE(SendChord(main, L"alt+o"));
    Sleep(500);
    ASSERT_TRUE(SendChord(nullptr, L"l"));
    HWND picker = WaitForWindow({Viewer.Pid(), L"TTranslateForm.UnicodeClass", L"", nullptr, true}, 10000);
    ASSERT_TRUE(picker);
    HWND rows = FindDescendant(picker, L"TTntListView.UnicodeClass");
    EXPECT_EQ(ListViewItems(rows, 1), (std::vector<std::wstring>{L"en", L"he"}));
    ASSERT_TRUE(SendChord(picker, L"home"));
    ASSERT_TRUE(SendChord(picker, L"enter"));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(picker); }, 10000));

    EXPECT_TRUE(WaitUntil([&] { return WindowText(main).find(L" - Offline Mode, Catalog: ") != std::wstring::npos; },
                          10000))
        << WindowText(main);
    EXPECT_FALSE(PaneOnTheRight(main));
    ASSERT_TRUE(Post(main, WM_CLOSE));
    EXPECT_EQ(Viewer.WaitExit(20000), 0);
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"LangCode").Text(), L"");
}
