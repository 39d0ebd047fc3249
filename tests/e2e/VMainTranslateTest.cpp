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

    // The Options menu drops down mirrored; its fifth item's submenu opens to its left (with room
    // on either side) by the Left key, and Right closes it; Right again goes to the bar item on
    // the right.
    const int screen = GetSystemMetrics(SM_CXSCREEN);
    SetWindowPos(main, nullptr, screen / 8, 0, screen / 2, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(SendChord(main, L"alt+o"));
    HWND options = WaitPopupMenu(Viewer.Pid());
    ASSERT_TRUE(options);
    EXPECT_TRUE(GetWindowLongW(options, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
    for (const wchar_t* key : {L"down", L"down", L"down", L"down", L"left"})
        ASSERT_TRUE(SendChord(nullptr, key));
    const WindowQuery menus{Viewer.Pid(), L"#32768", L"", nullptr, true};
    EXPECT_TRUE(WaitUntil([&] { return FindTopWindows(menus).size() == 2; }, 5000));
    for (HWND sub : FindTopWindows(menus))
        if (sub != options) {
            RECT parent{}, rect{};
            GetWindowRect(options, &parent);
            GetWindowRect(sub, &rect);
            EXPECT_LT(rect.left, parent.left);
            EXPECT_LE(rect.right, parent.left + 8);
        }
    RECT optionsRect{};
    GetWindowRect(options, &optionsRect);
    ASSERT_TRUE(SendChord(nullptr, L"right"));
    EXPECT_TRUE(WaitUntil([&] { return FindTopWindows(menus).size() == 1; }, 5000));
    ASSERT_TRUE(SendChord(nullptr, L"right"));
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::vector<HWND> open = FindTopWindows(menus);
            RECT rect{};
            return open.size() == 1 && GetWindowRect(open[0], &rect) && rect.right > optionsRect.right;
        },
        5000));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(SendChord(nullptr, L"esc"));
    EXPECT_TRUE(WaitUntil([&] { return FindTopWindows(menus).empty(); }, 5000));
    // F10 lights the menu where the bar's reading starts, at its right end: Down opens it there.
    ASSERT_TRUE(SendChord(main, L"f10"));
    ASSERT_TRUE(SendChord(nullptr, L"down"));
    HWND first = WaitPopupMenu(Viewer.Pid());
    ASSERT_TRUE(first);
    RECT firstRect{}, mainRect{};
    GetWindowRect(first, &firstRect);
    GetWindowRect(main, &mainRect);
    EXPECT_GE(firstRect.right, mainRect.right - 16) << firstRect.right << " in " << mainRect.right;
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(SendChord(nullptr, L"esc"));
    EXPECT_TRUE(WaitUntil([&] { return FindTopWindows(menus).empty(); }, 5000));

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
