// The main window in this process: creation over the stand-in store, the start-up message,
// the close that saves, and the hand-over message of a second copy.
#include "VMainFixture.h"

#include "FBrowserFrame.h"
#include "FakeBrowserView.h"
#include "TntStdCtrls.h"

#include "SysUtils.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "UBookmarks.h"
#include "UserAnswers.h"
#include "UWebDataModule.h"
#include "qenSmartTabs.h"

#include <map>

using namespace vcltest;

namespace {

class VMainTest : public VMainFixture {
protected:
    std::map<std::wstring, std::wstring> MainValues() {
        std::map<std::wstring, std::wstring> values;
        for (const TMainSettingRow& row : MainSettingRows)
            values[row.Key] = Value(row.Key);
        return values;
    }
};

} // namespace

TEST_F(VMainTest, AFreshStartSavesTheDefaultsOfEveryValueAtClose) {
    Watchdog w(60000, "fresh start");
    auto form = Start();
    TVMainForm* f = form->Form;
    EXPECT_EQ(Value(L"installpath", L""), ProgramFile);
    // The store's catalogs; the default catalog is selected and loaded.
    ASSERT_EQ(f->CatalogCbo->ItemCount(), 3);
    const std::wstring catalog = f->CatalogCbo->ItemText(f->CatalogCbo->ItemIndex());
    EXPECT_TRUE(SameText(catalog, L"vs\\100\\en-us")) << catalog;
    EXPECT_EQ(f->CurrentCatalog, catalog);
    EXPECT_EQ(f->Caption().find(L"Vorlane "), 0u);
    EXPECT_NE(f->Caption().find(L" Mode, Catalog: " + catalog), std::wstring::npos) << f->Caption();
    // The ten locale rows, the first tab, the mutex.
    EXPECT_EQ(f->CatalogLocaleCbo->ItemCount(), 10);
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 1);
    EXPECT_TRUE(TKernelHandle(OpenMutexW(SYNCHRONIZE, FALSE, VMainEnvironment().MutexName.c_str())).Valid());

    bool canClose = false;
    f->FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_TRUE(Closing);
    const std::map<std::wstring, std::wstring> expected = {
        {L"lastCatalog", catalog},        {L"SearchText", L""},         {L"mnuOpenF1NewTab", L"1"},
        {L"IndexPartialMode_FirstKey", L"0"}, {L"FullIndexMode", L"0"}, {L"LeftPanel.Width", L"353"},
        {L"ShowDebug", L"0"},             {L"ShowTopicNav2", L"1"},     {L"LastBrowserUsed", L"0"},
        {L"TimeStampLog", L"0"},          {L"mnuQuickTOCLoad", L"1"},   {L"SelectedVoice", L"0"},
        {L"SpeechRate", L"0"},            {L"SuppressErrors", L"1"},    {L"ShowAddressBar", L"1"},
        {L"ShowBreadcrumbBar", L"1"},     {L"SpeechVolume", L"100"},    {L"SaveTabsOnShutdown", L"0"},
        {L"FavDir", DefaultBookmarkFolder()}, {L"FindTextEdit", L""},   {L"NavigateOnRight", L"0"},
        {L"Zoom", L"100"},                {L"StayOnTop", L"0"},
        // The Light Sky Blue theme the window starts with.
        {L"Color_Background4", std::to_wstring(RGB(0xF0, 0xFD, 0xFF))},
        {L"Color_Text4", std::to_wstring(RGB(0x18, 0x1D, 0x29))},
        {L"LangCode", L""},               {L"WebLang", L"4"},           {L"WebDevice", L"21"},
        {L"StyleName", L""},              {L"FavView1", L"3"}};
    EXPECT_EQ(MainValues(), expected);
    // Before the values the window's place; after them the orphan list and the tabs.
    for (const wchar_t* pos : {L"MainForm_Left", L"MainForm_Top", L"MainForm_Width", L"MainForm_Height"})
        EXPECT_NE(Value(pos, L""), L"<missing>") << pos;
    // The .NET Framework 3.5 entry the contents load adds as an orphan group.
    EXPECT_EQ(Value(catalog + L"_OrphanID1"), L"&id=F61F02F2-2F20-483D-8F56-A9C8F3A54986&topicversion=90&topiclocale=EN-US");
    EXPECT_EQ(Value(catalog + L"_OrphanID2"), L"");
    // The one tab shows the first contents node's topic.
    EXPECT_NE(Value(L"PageTab_URL1").find(L"&method=page&id=-1&topicversion=100&"), std::wstring::npos);
    EXPECT_EQ(Value(L"PageTab_URL2"), L"");
}

TEST_F(VMainTest, SeededValuesComeBackAtCloseAndBadOnesTakeTheirDefaults) {
    Watchdog w(60000, "seeded values");
    testing_support::TempDir favorites;
    std::map<std::wstring, std::wstring> seeded = {
        {L"lastCatalog", L"vs\\100\\DE-de"}, {L"SearchText", L"find \"this\" 100%"}, {L"mnuOpenF1NewTab", L"0"},
        {L"IndexPartialMode_FirstKey", L"1"}, {L"FullIndexMode", L"1"},  {L"LeftPanel.Width", L"250"},
        {L"ShowDebug", L"1"},             {L"ShowTopicNav2", L"0"},      {L"LastBrowserUsed", L"10"},
        {L"TimeStampLog", L"1"},          {L"mnuQuickTOCLoad", L"0"},    {L"SelectedVoice", L"2"},
        {L"SpeechRate", L"-4"},           {L"SuppressErrors", L"0"},     {L"ShowAddressBar", L"0"},
        {L"ShowBreadcrumbBar", L"0"},     {L"SpeechVolume", L"60"},      {L"SaveTabsOnShutdown", L"1"},
        {L"FavDir", favorites.Path()},    {L"FindTextEdit", L"needle"},  {L"NavigateOnRight", L"1"},
        {L"Zoom", L"150"},                {L"StayOnTop", L"1"},          {L"Color_Background4", L"1193046"},
        {L"Color_Text4", L"6636321"},     {L"LangCode", L"en"},          {L"WebLang", L"5"},
        {L"WebDevice", L"22"},            {L"StyleName", L""},           {L"FavView1", L"4"}};
    for (const auto& [name, value] : seeded)
        Seed(name, value);
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        EXPECT_TRUE(SameText(f->CurrentCatalog, L"vs\\100\\de-de")) << f->CurrentCatalog;
        EXPECT_GT(f->LeftPanel->Left(), 10); // the pane on the right
        EXPECT_EQ(f->SearchEdit->GetText(), L"find \"this\" 100%");
        EXPECT_TRUE(DebugForm->Visible());
        bool canClose = false;
        f->FormCloseQuery(canClose);
        DebugForm->ShowDebugWindow(false);
        SetWindowPos(f->Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    std::map<std::wstring, std::wstring> expected = seeded;
    expected[L"lastCatalog"] = Value(L"lastCatalog"); // the store's spelling of the key
    EXPECT_TRUE(SameText(expected[L"lastCatalog"], L"vs\\100\\de-de"));
    expected[L"SaveTabsOnShutdown"] = L"0";           // written, never read
    EXPECT_EQ(MainValues(), expected);

    // Values that are no longer good: each takes its default.
    Seed(L"lastCatalog", L"gone\\1\\xx-xx");
    Seed(L"Zoom", L"5");
    Seed(L"LastBrowserUsed", L"7");
    Seed(L"LeftPanel.Width", L"99999");
    Seed(L"Color_Background4", L"9999");
    Seed(L"Color_Text4", L"-2");
    Seed(L"NavigateOnRight", L"0");
    Seed(L"FavDir", favorites.Path() + L"\\missing");
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        EXPECT_EQ(f->CatalogCbo->ItemIndex(), 0); // the first catalog
        bool canClose = false;
        f->FormCloseQuery(canClose);
        SetWindowPos(f->Handle(), HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    EXPECT_EQ(Value(L"Zoom"), L"100");
    EXPECT_EQ(Value(L"LastBrowserUsed"), L"0");
    EXPECT_EQ(Value(L"LeftPanel.Width"), L"353");
    EXPECT_EQ(Value(L"Color_Background4"), std::to_wstring(RGB(0xF0, 0xFD, 0xFF)));
    EXPECT_EQ(Value(L"Color_Text4"), std::to_wstring(RGB(0x18, 0x1D, 0x29)));
    EXPECT_EQ(Value(L"FavDir"), DefaultBookmarkFolder());
}

TEST_F(VMainTest, ASecondCopysRequestsCloseWithSavingAndOpenTheStoredUrlUnharmed) {
    Watchdog w(60000, "hand-over");
    auto form = Start();
    TVMainForm* f = form->Form;
    // 3: the URL stored by the other copy, whatever it holds, is opened and logged as it is.
    const std::wstring url = L"ms-xhelp:///?method=f1&query=\"a b\"%PATH%&x=" + std::wstring(5000, L'q');
    RegWriteString(HKEY_CURRENT_USER, Key, L"IPParam", url);
    f->Perform(WM_VIEWER_HANDOVER, XX_OPENFILE, 0);
    DebugForm->FlushLog();
    EXPECT_NE(DebugForm->Memo1->GetText().find(L">> OpenPassedInUrl(), " + url + L"\r\n"), std::wstring::npos);
    std::wstring kept(8192, L'\0');
    DWORD size = static_cast<DWORD>(kept.size() * sizeof(wchar_t));
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, Key.c_str(), L"IPParam", RRF_RT_REG_SZ, nullptr, kept.data(), &size),
              ERROR_SUCCESS);
    kept.resize(size / sizeof(wchar_t) - 1);
    EXPECT_TRUE(kept == url); // not cleared
    // A share (which would be sent the user's credentials), a file or a program stored there
    // is never navigated to: the user is told which address was refused.
    {
        UserAnswers answers;
        for (const std::wstring& refused : {std::wstring(L"\\\\host\\share\\page.htm"),
                                            std::wstring(L"file:///C:/windows/system32/calc.exe"),
                                            std::wstring(L"C:\\windows\\system32\\calc.exe")}) {
            RegWriteString(HKEY_CURRENT_USER, Key, L"IPParam", refused);
            f->Perform(WM_VIEWER_HANDOVER, XX_OPENFILE, 0);
            ASSERT_FALSE(answers.Told.empty()) << refused;
            EXPECT_NE(answers.Told.back().find(refused), std::wstring::npos) << answers.Told.back();
            EXPECT_EQ(LogText().find(L">> RawGotoUrl: " + refused), std::wstring::npos) << refused;
        }
        EXPECT_EQ(answers.Told.size(), 3u);
    }
    // 1: the normal close, which saves.
    EXPECT_EQ(Value(L"Zoom"), L"<missing>");
    f->Perform(WM_VIEWER_HANDOVER, XX_CLOSE, 0);
    EXPECT_EQ(Value(L"Zoom"), L"100");
    EXPECT_NE(Value(L"PageTab_URL1").find(L"method=f1&query="), std::wstring::npos);
}

TEST_F(VMainTest, TabsHoldNumberedFramesAndTheirAddressesAreSaved) {
    Watchdog w(60000, "tabs");
    browserfakes::FakeViewsInPlace fakes;
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        ASSERT_EQ(f->SmartTabs->GetTabCount(), 1);
        ASSERT_TRUE(f->GetFrame(0));
        EXPECT_EQ(f->GetFrame(0)->Name(), L"BrowserFrame1");
        EXPECT_EQ(f->GetFrame(0)->FrameBasePanel->Parent(), f->DockPanel);
        EXPECT_FALSE(f->GetFrame(1));
        EXPECT_FALSE(f->GetFrame(-1));
        // A new tab goes after the active one, however many tabs follow it.
        EXPECT_EQ(f->NewTab(), 1);
        f->SmartTabs->SetActiveTab(0);
        EXPECT_EQ(f->NewTab(), 1);
        std::vector<std::wstring> names;
        for (int i = 0; i < 3; ++i)
            names.push_back(f->GetFrame(i)->Name());
        EXPECT_EQ(names, (std::vector<std::wstring>{L"BrowserFrame1", L"BrowserFrame3", L"BrowserFrame2"}));
        // The saved tabs are the frames' addresses, empty ones left out.
        f->GetFrame(0)->UrlEdit->SetText(L"  http://127.0.0.1:47873/help/a  ");
        f->GetFrame(2)->UrlEdit->SetText(L"http://example.com/b");
        bool canClose = false;
        f->FormCloseQuery(canClose);
        EXPECT_EQ(Value(L"PageTab_URL1"), L"http://127.0.0.1:47873/help/a");
        EXPECT_EQ(Value(L"PageTab_URL2"), L"http://example.com/b");
        EXPECT_EQ(Value(L"PageTab_URL3"), L"");
        // The active tab's page, as the commands reach it.
        TBrowserFrame* active = f->GetFrame(f->SmartTabs->ActiveTab());
        EXPECT_EQ(f->ActiveFrame(), active);
        EXPECT_EQ(f->ActiveBrowserView(), active->WebBrowser1);
        active->UrlEdit->SetText(L" http://example.com/c ");
        active->SetTitle(L"C &amp; D");
        EXPECT_EQ(f->GetCurrentUrl(), L"http://example.com/c");
        EXPECT_EQ(f->GetCurrentTitle(), L"C & D");
        f->SetForceNewTab(true);
        EXPECT_TRUE(ForceNewTab);
        f->SetForceNewTab(false);
    }
}
