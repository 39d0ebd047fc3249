// The Filters page from outside: the store tree, and the stand-in Help Library Manager
// started from the page's fields; while it runs, a second request brings its window up
// (or, without a window, tells the user to wait) instead of starting another.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

using namespace vorlane_probe;

class VorlaneFilters : public VorlaneE2E {
protected:
    void TearDown() override {
        for (HWND w : FindTopWindows({0, ManagerClass}))
            KillProcess(ProcessOf(w));
        Silent.Kill();
        VorlaneE2E::TearDown();
    }
    std::wstring ManagerLog() { return ProgramDir + L"\\manager.log"; }
    bool Start() {
        return Viewer.Start(ViewerExe, {}, {{L"STANDIN_MANAGER_LOG", ManagerLog()}, {L"STANDIN_MANAGER_LINGER_MS", L"60000"}});
    }
    ViewerProcess Silent;
};

TEST_F(VorlaneFilters, TheTreeShowsTheStoreWhenTheCatalogInfoIsRefreshed) {
    ASSERT_TRUE(Start());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    FiltersPage page(main);
    ASSERT_TRUE(page.Tree);
    ASSERT_TRUE(page.RefreshCatalogInfo());
    std::vector<std::wstring> top;
    EXPECT_TRUE(WaitUntil([&] { return (top = TreeItems(page.Tree)).size() == 3; }, 10000));
    EXPECT_EQ(top, (std::vector<std::wstring>{L"EMPTY\\100\\EN-US (0)", L"VS\\100\\de-DE (2)", L"VS\\100\\EN-US (2)"}));
}

TEST_F(VorlaneFilters, TheButtonStartsTheManagerWithTheFieldsAndASecondRequestBringsItsWindowUp) {
    ASSERT_TRUE(Start());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    FiltersPage page(main);
    ASSERT_TRUE(page.RunButton && page.Product && page.Version && page.Locale);

    // The fields as typed; a row of the locale box leaves its code.
    ASSERT_TRUE(SetText(page.Product, L"VS"));
    ASSERT_TRUE(SetText(page.Version, L" 100"));
    EXPECT_FALSE(IsWindowEnabled(page.RunButton));
    ASSERT_TRUE(ChooseRow(page.Locale, 4));
    EXPECT_TRUE(WaitUntil([&] { return WindowText(page.Locale) == L"de-de"; }, 5000)) << WindowText(page.Locale);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(page.RunButton) != FALSE; }, 5000));
    ASSERT_TRUE(Notify(page.RunButton, BN_CLICKED));
    HWND manager = WaitForWindow({0, ManagerClass, L"", nullptr, true}, 20000);
    ASSERT_TRUE(manager);
    EXPECT_EQ(LogLines(ManagerLog()), std::vector<std::string>{"/product VS /version 100 /locale de-de"});

    // Asked again while it runs: the user is told, and the manager's window comes back up.
    ShowWindow(manager, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(manager) != FALSE; }, 5000));
    ASSERT_TRUE(Notify(page.RunButton, BN_CLICKED));
    EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDOK)
                  .find(L"\r\nHelp Library Manager is already running. Please close the current HLM window before "
                        L"running a new command.\r\n"),
              std::wstring::npos);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(manager) && IsWindowVisible(manager); }, 5000));
    EXPECT_EQ(GetForegroundWindow(), manager);
    EXPECT_EQ(LogLines(ManagerLog()).size(), 1u);

    // A manager at work without a window: the user is asked to wait, nothing starts.
    KillProcess(ProcessOf(manager));
    ASSERT_TRUE(Silent.Start(Inst.appRoot + L"\\HelpLibManager.exe", {L"/silent"},
                             {{L"STANDIN_MANAGER_LOG", ManagerLog()}, {L"STANDIN_MANAGER_LINGER_MS", L"60000"}}));
    ASSERT_TRUE(WaitUntil([&] { return LogLines(ManagerLog()).size() == 2; }, 10000));
    ASSERT_TRUE(Notify(page.RunButton, BN_CLICKED));
    EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDOK)
                  .find(L"\r\nHelp Library Manager is already running. Wait for the current activity to complete "
                        L"(no UI available in silent mode).\r\n"),
              std::wstring::npos);
    Sleep(1500);
    EXPECT_EQ(LogLines(ManagerLog()).size(), 2u);
    EXPECT_EQ(FindTopWindow({0, ManagerClass}), nullptr);
}

TEST_F(VorlaneFilters, CtrlF12StartsTheManagerForTheCatalogBox) {
    ASSERT_TRUE(Start());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    HWND box = CatalogBox(main);
    ASSERT_TRUE(box);
    ASSERT_EQ(WindowText(box), L"VS\\100\\EN-US");
    ASSERT_TRUE(SendChord(main, L"ctrl+f12"));
    ASSERT_TRUE(WaitForWindow({0, ManagerClass, L"", nullptr, true}, 20000));
    EXPECT_EQ(LogLines(ManagerLog()), std::vector<std::string>{"/product VS /version 100 /locale EN-US"});
    // The key is also the menu item's shortcut: it ran once (a second run would say that
    // the manager runs).
    EXPECT_EQ(AnswerMessageBox(Viewer.Pid(), IDOK, 1500), L"<none>");
}
