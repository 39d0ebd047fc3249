// The Filters page from outside: the store tree, and the stand-in Help Library Manager
// started from the page's fields; while it runs, a second request brings its window up
// (or, without a window, tells the user to wait) instead of starting another. The manager
// started for a catalog gets each of the catalog's values as one argument.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

#include <algorithm>
#include <fstream>
#include <sstream>

using namespace vorlane_probe;

using ManagerArgs = std::vector<std::string>;

class VorlaneFilters : public VorlaneE2E {
protected:
    void TearDown() override {
        for (HWND w : FindTopWindows({0, ManagerClass}))
            KillProcess(ProcessOf(w));
        Silent.Kill();
        VorlaneE2E::TearDown();
    }
    std::wstring ManagerLog() { return ProgramDir + L"\\manager.log"; }
    // Adds a catalog of Product, version 100, locale EN-US, without contents to the store.
    bool AddCatalog(const std::string& Product) {
        const std::wstring file = Inst.localStore + L"\\manifest\\queryManifest.3.xml";
        std::ostringstream text;
        text << std::ifstream(file.c_str(), std::ios::binary).rdbuf();
        std::string manifest = text.str();
        const size_t end = manifest.rfind("</catalogs>");
        if (end == std::string::npos)
            return false;
        manifest.insert(end, "<catalog productId='" + Product +
                                 "' productVersion=\"100\" productLocale=\"EN-US\" sourceType=\"Package\"></catalog>\r\n");
        std::ofstream out(file.c_str(), std::ios::binary | std::ios::trunc);
        out << manifest;
        return static_cast<bool>(out);
    }
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
    EXPECT_EQ(ManagerRuns(ManagerLog()),
              (std::vector<ManagerArgs>{{"/product", "VS", "/version", "100", "/locale", "de-de"}}));

    // Asked again while it runs: the user is told, and the manager's window comes back up.
    ShowWindow(manager, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(manager) != FALSE; }, 5000));
    ASSERT_TRUE(Notify(page.RunButton, BN_CLICKED));
    EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDOK)
                  .find(L"\r\nHelp Library Manager is already running. Please close the current HLM window before "
                        L"running a new command.\r\n"),
              std::wstring::npos);
    // The window is restored, shown, then brought to the front: the last step is awaited.
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(manager) && IsWindowVisible(manager) && GetForegroundWindow() == manager; },
                          10000))
        << IsIconic(manager) << IsWindowVisible(manager);
    EXPECT_EQ(ManagerRuns(ManagerLog()).size(), 1u);

    // A manager at work without a window: the user is asked to wait, nothing starts.
    KillProcess(ProcessOf(manager));
    ASSERT_TRUE(Silent.Start(Inst.appRoot + L"\\HelpLibManager.exe", {L"/silent"},
                             {{L"STANDIN_MANAGER_LOG", ManagerLog()}, {L"STANDIN_MANAGER_LINGER_MS", L"60000"}}));
    ASSERT_TRUE(WaitUntil([&] { return ManagerRuns(ManagerLog()).size() == 2; }, 10000));
    ASSERT_TRUE(Notify(page.RunButton, BN_CLICKED));
    EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDOK)
                  .find(L"\r\nHelp Library Manager is already running. Wait for the current activity to complete "
                        L"(no UI available in silent mode).\r\n"),
              std::wstring::npos);
    Sleep(1500);
    EXPECT_EQ(ManagerRuns(ManagerLog()).size(), 2u);
    EXPECT_EQ(FindTopWindow({0, ManagerClass}), nullptr);
}

TEST_F(VorlaneFilters, CtrlF12StartsTheManagerForTheCatalogBox) {
    // A catalog whose product holds quotes, a tab and the manager's own switches.
    const std::string hostile = "VS \"\" /silent\t/operation uninstall /x";
    ASSERT_TRUE(AddCatalog(hostile));
    ASSERT_TRUE(Start());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    HWND box = CatalogBox(main);
    ASSERT_TRUE(box);
    ASSERT_EQ(WindowText(box), L"VS\\100\\EN-US");
    ASSERT_TRUE(SendChord(main, L"ctrl+f12"));
    HWND manager = WaitForWindow({0, ManagerClass, L"", nullptr, true}, 20000);
    ASSERT_TRUE(manager);
    EXPECT_EQ(ManagerRuns(ManagerLog()),
              (std::vector<ManagerArgs>{{"/product", "VS", "/version", "100", "/locale", "EN-US"}}));
    // The key is also the menu item's shortcut: it ran once (a second run would say that
    // the manager runs).
    EXPECT_EQ(AnswerMessageBox(Viewer.Pid(), IDOK, 1500), L"<none>");

    // The hostile catalog: the manager gets exactly its values and shows its window.
    KillProcess(ProcessOf(manager));
    const std::wstring key = standin_test::Widen(hostile) + L"\\100\\EN-US";
    const std::vector<std::wstring> items = ComboItems(box);
    const auto row = std::find(items.begin(), items.end(), key);
    ASSERT_NE(row, items.end());
    ASSERT_TRUE(ChooseRow(box, static_cast<int>(row - items.begin())));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(main).find(key) != std::wstring::npos; }, 10000)) << WindowText(main);
    ASSERT_TRUE(SendChord(main, L"ctrl+f12"));
    EXPECT_TRUE(WaitUntil([&] { return ManagerRuns(ManagerLog()).size() == 2; }, 20000));
    EXPECT_EQ(ManagerRuns(ManagerLog()),
              (std::vector<ManagerArgs>{{"/product", "VS", "/version", "100", "/locale", "EN-US"},
                                        {"/product", hostile, "/version", "100", "/locale", "EN-US"}}));
    EXPECT_TRUE(WaitForWindow({0, ManagerClass, L"", nullptr, true}, 20000)) << "the manager ran silently";
}
