// The main window's "Set Default Viewer" items against a scratch key, and the migration
// tool started from its registry value or asked about.
#include "VMainFixture.h"

#include "TntMenus.h"
#include "UBrowsers.h"
#include "UMessageTexts.h"
#include "UUtilsW.h"

#include "../vcl/VclTestSupport.h"

using namespace vcltest;
using testing_support::TempDir;

namespace {

class VMainRegistration : public VMainFixture {
protected:
    void SetUp() override {
        VMainFixture::SetUp();
        PrevHandler = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& Text, int Buttons) {
            Asked.push_back(Text);
            return Buttons == mbYesNo ? Answer : true;
        });
    }
    void TearDown() override {
        SetUserMessageHandler(PrevHandler);
        RegDeleteTreeW(HKEY_CURRENT_USER, ProgIdKey().c_str());
        VMainFixture::TearDown();
    }
    // HelpViewerProgID below the test's own key.
    std::wstring ProgIdKey() { return Key + L"-progid"; }
    void PointAtScratchKey(TVMainForm* F) {
        F->ViewerRegistry.Place.Root = HKEY_CURRENT_USER;
        F->ViewerRegistry.Place.RuntimeKey = L"\\" + ProgIdKey();
        F->ViewerRegistry.IsWow64 = [] { return false; };
        F->ViewerRegistry.IsUserAdmin = [this] { return Admin; };
    }
    std::wstring ProgId() {
        std::wstring v;
        RegReadStringDef(HKEY_CURRENT_USER, ProgIdKey(), L"HelpViewerProgID", v, L"<missing>");
        return v;
    }

    TUserMessageHandler PrevHandler;
    std::vector<std::wstring> Asked;
    bool Answer = false;
    bool Admin = true;
};

} // namespace

TEST_F(VMainRegistration, TheItemsWriteTheProgramOrBrowserPathsAndCheckWhatIsRegistered) {
    Watchdog w(60000, "default viewer");
    auto form = Start();
    TVMainForm* f = form->Form;
    PointAtScratchKey(f);

    f->mnuDefaultViewer_Vorlane->Click();
    EXPECT_EQ(ProgId(), ProgramFile);
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_NE(Asked[0].find(MsgTxt_AlsoRestartVorlane), std::wstring::npos) << Asked[0];
    EXPECT_NE(Asked[0].find(MsgTxt_SuccessRestartHLM), std::wstring::npos);
    EXPECT_TRUE(f->mnuDefaultViewer_Vorlane->Checked());
    EXPECT_FALSE(f->mnuDefaultViewer_Default->Checked());

    // "Default" leaves the value there, empty.
    f->mnuDefaultViewer_Default->Click();
    EXPECT_EQ(ProgId(), L"");
    EXPECT_TRUE(f->mnuDefaultViewer_Default->Checked());
    EXPECT_FALSE(f->mnuDefaultViewer_Vorlane->Checked());

    // A browser writes its program; one that is not installed is hidden and writes nothing.
    ReadBrowsers();
    const std::pair<TTntMenuItem*, int> browsers[] = {{f->mnuDefaultViewer_IE, 1},     {f->mnuDefaultViewer_FireFox, 2},
                                                      {f->mnuDefaultViewer_Chrome, 3}, {f->mnuDefaultViewer_Opera, 4},
                                                      {f->mnuDefaultViewer_Safari, 5}};
    for (const auto& [item, row] : browsers) {
        const std::wstring path = BrowserTable[row].ExePath;
        f->UpdateDefaultViewerItems();
        EXPECT_EQ(item->Visible(), !path.empty()) << item->Caption();
        RegWriteString(HKEY_CURRENT_USER, ProgIdKey(), L"HelpViewerProgID", L"C:\\other.exe");
        item->Click();
        EXPECT_EQ(ProgId(), path.empty() ? L"C:\\other.exe" : path) << item->Caption();
        EXPECT_EQ(item->Checked(), !path.empty());
    }

    // Another program registered: no item is checked.
    RegWriteString(HKEY_CURRENT_USER, ProgIdKey(), L"HelpViewerProgID", L"C:\\other.exe");
    f->mmnuSetDefaultViewer->OnClick(f->mmnuSetDefaultViewer);
    for (TTntMenuItem* item : {f->mnuDefaultViewer_Default, f->mnuDefaultViewer_Vorlane, f->mnuDefaultViewer_IE})
        EXPECT_FALSE(item->Checked()) << item->Caption();

    // Without administrator rights nothing is written and the user learns how to do it by hand.
    Admin = false;
    Asked.clear();
    f->mnuDefaultViewer_Vorlane->Click();
    EXPECT_EQ(ProgId(), L"C:\\other.exe");
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].find(MsgTxt_CouldNotUpdate), 0u);
    EXPECT_NE(Asked[0].find(L"HelpViewerProgID=<viewer-path>"), std::wstring::npos);
}

TEST_F(VMainRegistration, MigrationToolStartsFromItsPathOrTheUserIsAskedAboutTheDownload) {
    Watchdog w(60000, "migration tool");
    auto form = Start();
    TVMainForm* f = form->Form;
    const std::wstring toolKey = L"Software\\Quorvex\\Crossmere";
    RegDeleteTreeW(HKEY_CURRENT_USER, toolKey.c_str());

    // Not installed: the question, answered No (nothing opens).
    f->mmnuCrossmereToolClick();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0], MsgTxt_GoToCrossmereDownloadPage);
    // A path to a file that is gone counts as not installed.
    TempDir dir;
    const std::wstring tool = dir.File(L"Crossmere.exe");
    RegWriteString(HKEY_CURRENT_USER, L"\\" + toolKey, L"installpath", tool);
    f->mmnuCrossmereToolClick();
    EXPECT_EQ(Asked.size(), 2u);

    // Installed: it runs (the stand-in viewer program records that it was started).
    ASSERT_TRUE(CopyFileW((Suite->Inst.appRoot + L"\\HlpViewer.exe").c_str(), tool.c_str(), FALSE));
    const std::wstring log = dir.File(L"started.log");
    SetEnvironmentVariableW(L"STANDIN_HLPVIEWER_LOG", log.c_str());
    f->mmnuCrossmereToolClick();
    SetEnvironmentVariableW(L"STANDIN_HLPVIEWER_LOG", nullptr);
    EXPECT_TRUE(PumpUntil([&] { return GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000));
    EXPECT_EQ(Asked.size(), 2u);
    // Let the program end before its folder goes.
    Sleep(500);
    RegDeleteTreeW(HKEY_CURRENT_USER, toolKey.c_str());
}
