// Registering the help viewer: the " (x86)" rule with real files, the value written to a
// scratch key in the 64-bit view and read back, the administrator branches and the texts.
#include "TestHarness.h"
#include "UAppSettings.h"
#include "UBrowsers.h"
#include "UViewerRegistration.h"
#include "UMessageTexts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::UniqueName;
using testing_support::WriteBytes;

TEST(ViewerRegistration, X86IsDroppedOnlyWhenTheShortPathExists) {
    TempDir dir;
    CreateDirectoryW(dir.File(L"Program Files (x86)").c_str(), nullptr);
    CreateDirectoryW(dir.File(L"Program Files").c_str(), nullptr);
    WriteBytes(dir.File(L"Program Files (x86)\\b.exe"), "x");
    WriteBytes(dir.File(L"Program Files (x86)\\only32.exe"), "x");
    WriteBytes(dir.File(L"Program Files\\b.exe"), "x");

    const std::wstring both = dir.File(L"Program Files (x86)\\b.exe");
    EXPECT_EQ(WithoutX86(both, true), dir.File(L"Program Files\\b.exe"));
    EXPECT_EQ(WithoutX86(both, false), both); // not under WOW64
    const std::wstring only32 = dir.File(L"Program Files (x86)\\only32.exe");
    EXPECT_EQ(WithoutX86(only32, true), only32);
    // at the very start the text is no folder suffix
    EXPECT_EQ(WithoutX86(L" (x86)b.exe", true), L" (x86)b.exe");
    EXPECT_EQ(WithoutX86(L"", true), L"");
}

TEST(ViewerRegistration, ItemValues) {
    const TBrowserInfo saved = BrowserTable[3];
    BrowserTable[3].ExePath = L"C:\\Chrome\\chrome.exe";
    EXPECT_EQ(DefaultViewerValue(TDefaultViewer::Chrome, L"C:\\V\\Vorlane.exe"), L"C:\\Chrome\\chrome.exe");
    EXPECT_EQ(DefaultViewerValue(TDefaultViewer::Vorlane, L"C:\\V\\Vorlane.exe"), L"C:\\V\\Vorlane.exe");
    EXPECT_EQ(DefaultViewerValue(TDefaultViewer::Default, L"C:\\V\\Vorlane.exe"), L"");
    BrowserTable[3] = saved;
}

namespace {

// HelpViewerProgID below a scratch key of HKEY_LOCAL_MACHINE, removed from both views afterwards.
class RegistrationTest : public ::testing::Test {
protected:
    RegistrationTest() : Base(L"Software\\VorlaneTest\\" + UniqueName(L"viewerreg")) {
        Registry.Place.Root = HKEY_LOCAL_MACHINE;
        Registry.Place.RuntimeKey = L"\\" + Base + L"\\Help\\v1.0";
        Registry.IsWow64 = [this] { return Wow64; };
        Registry.IsUserAdmin = [this] { return Admin; };
        Registry.Message = [this](const std::wstring& Text) { Messages.push_back(Text); };
    }
    ~RegistrationTest() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Base.c_str());
        HKEY k = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VorlaneTest", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &k) == 0) {
            RegDeleteTreeW(k, Base.substr(Base.rfind(L'\\') + 1).c_str());
            RegCloseKey(k);
        }
    }
    // The value as the 32-bit and 64-bit views hold it; "<none>" when absent.
    std::wstring View(bool Wide) {
        std::wstring v;
        if (Wide) RegReadStringDef64(HKEY_LOCAL_MACHINE, Registry.Place.RuntimeKey, L"HelpViewerProgID", v, L"<none>");
        else RegReadStringDef(HKEY_LOCAL_MACHINE, Registry.Place.RuntimeKey, L"HelpViewerProgID", v, L"<none>");
        return v;
    }
    std::wstring Base;
    TViewerRegistry Registry;
    bool Wow64 = true, Admin = true;
    std::vector<std::wstring> Messages;
};

} // namespace

TEST_F(RegistrationTest, WritesThe64BitViewAndTellsOfSuccess) {
    const std::wstring exe = L"C:\\Tools\\Vorlane\\Vorlane.exe";
    ASSERT_TRUE(SetDefaultViewer(exe, Registry));
    EXPECT_EQ(View(true), exe);
    EXPECT_EQ(View(false), L"<none>"); // the 32-bit view is left alone
    EXPECT_EQ(ReadHelpViewerProgID(Registry), exe);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], L"Key: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Help\\v1.0\\\rValue: HelpViewerProgID=" + exe +
                               L"\r" + MsgTxt_AlsoRestartVorlane + L"\r\r" + MsgTxt_SuccessRestartHLM);

    // "Default" leaves the value present and empty; the restart note is only for this viewer
    Messages.clear();
    ASSERT_TRUE(SetDefaultViewer(L"", Registry));
    EXPECT_EQ(View(true), L"");
    EXPECT_EQ(Messages[0].find(MsgTxt_AlsoRestartVorlane), std::wstring::npos);
}

TEST_F(RegistrationTest, WithoutWow64TheNormalViewIsUsed) {
    Wow64 = false;
    ASSERT_TRUE(SetDefaultViewer(L"C:\\b.exe", Registry));
    EXPECT_EQ(View(false), L"C:\\b.exe");
    EXPECT_EQ(View(true), L"<none>");
}

TEST_F(RegistrationTest, NoAdministratorNothingWritten) {
    Admin = false;
    EXPECT_FALSE(SetDefaultViewer(L"C:\\b.exe", Registry));
    EXPECT_EQ(View(true), L"<none>");
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], MsgTxt_CouldNotUpdate + L"\r\r" + MsgTxt_Alternatively +
                               L"\rKey: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Help\\v1.0\\\rValue: "
                               L"HelpViewerProgID=<viewer-path>");
    EXPECT_FALSE(CheckAdminForRegistry(false, Registry));
    EXPECT_EQ(Messages.back(), MsgTxt_CouldNotUpdate);
    Admin = true;
    EXPECT_TRUE(CheckAdminForRegistry(true, Registry));
    EXPECT_EQ(Messages.size(), 2u);
}

TEST_F(RegistrationTest, AValueThatDoesNotStickIsAFailure) {
    // Below a volatile key no lasting key can be made: the write fails.
    HKEY vol = nullptr;
    const std::wstring volKey = Base + L"\\Volatile";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, volKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &vol, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(vol);
    Registry.Place.RuntimeKey = L"\\" + volKey + L"\\Help\\v1.0";
    // also the empty value, which reads back empty from a missing key
    for (const std::wstring& value : {std::wstring(L"C:\\b.exe"), std::wstring()}) {
        Messages.clear();
        EXPECT_FALSE(SetDefaultViewer(value, Registry)) << value;
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_EQ(Messages[0], FormatMsgText(MsgTxt_FailedToChangeRegValue,
                                           {L"Key: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Help\\v1.0\\\rValue: "
                                            L"HelpViewerProgID=",
                                            value}));
    }
}

TEST(ViewerRegistration, CrossmerePathOnlyWhenTheToolExists) {
    TempDir dir;
    const std::wstring key = L"\\Software\\VorlaneTest\\" + UniqueName(L"crossmere");
    EXPECT_EQ(CrossmereToolPath(HKEY_CURRENT_USER, key), L"");
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, key, L"installpath", dir.File(L"Crossmere.exe")));
    EXPECT_EQ(CrossmereToolPath(HKEY_CURRENT_USER, key), L""); // not there
    WriteBytes(dir.File(L"Crossmere.exe"), "x");
    EXPECT_EQ(CrossmereToolPath(HKEY_CURRENT_USER, key), dir.File(L"Crossmere.exe"));
    RegDeleteTreeW(HKEY_CURRENT_USER, key.substr(1).c_str());
}
