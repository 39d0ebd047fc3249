// Registering the help viewer: the " (x86)" rule with real files, the value written to a
// scratch key of the 64-bit view and read back, and the administrator branches.
#include "TestHarness.h"
#include "UAppSettings.h"
#include "UMessageTexts.h"
#include "UViewerRegistration.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::UniqueName;
using testing_support::WriteBytes;

TEST(ViewerRegistration, X86IsDroppedOnlyWhenTheShortPathExists) {
    TempDir dir;
    CreateDirectoryW(dir.File(L"P (x86)").c_str(), nullptr);
    CreateDirectoryW(dir.File(L"P").c_str(), nullptr);
    WriteBytes(dir.File(L"P (x86)\\b.exe"), "x");
    WriteBytes(dir.File(L"P (x86)\\only32.exe"), "x");
    WriteBytes(dir.File(L"P\\b.exe"), "x");
    const std::wstring both = dir.File(L"P (x86)\\b.exe"), only32 = dir.File(L"P (x86)\\only32.exe");
    EXPECT_EQ(WithoutX86(both, true), dir.File(L"P\\b.exe"));
    EXPECT_EQ(WithoutX86(both, false), both);
    EXPECT_EQ(WithoutX86(only32, true), only32);
    EXPECT_EQ(WithoutX86(L" (x86)b.exe", true), L" (x86)b.exe"); // not after the first character
}

namespace {

// HelpViewerProgID below a scratch key of HKEY_LOCAL_MACHINE, removed from both views afterwards.
class Registration : public ::testing::Test {
protected:
    Registration() : Base(L"Software\\VorlaneTest\\" + UniqueName(L"viewerreg")) {
        Registry.Place.RuntimeKey = L"\\" + Base + L"\\Help\\v1.0";
        Registry.IsWow64 = [this] { return Wow64; };
        Registry.IsUserAdmin = [this] { return Admin; };
        Registry.Message = [this](const std::wstring& Text) { Messages.push_back(Text); };
    }
    ~Registration() override {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
            HKEY k = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software\\VorlaneTest", 0, KEY_ALL_ACCESS | view, &k) == 0) {
                RegDeleteTreeW(k, Base.substr(Base.rfind(L'\\') + 1).c_str());
                RegCloseKey(k);
            }
        }
    }
    std::wstring View(bool Wide) { // "<none>" when absent
        std::wstring v;
        const std::wstring& key = Registry.Place.RuntimeKey;
        if (Wide) RegReadStringDef64(HKEY_LOCAL_MACHINE, key, L"HelpViewerProgID", v, L"<none>");
        else RegReadStringDef(HKEY_LOCAL_MACHINE, key, L"HelpViewerProgID", v, L"<none>");
        return v;
    }
    const std::wstring KeyInfo = L"Key: HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Help\\v1.0\\\rValue: HelpViewerProgID=";
    std::wstring Base;
    TViewerRegistry Registry;
    bool Wow64 = true, Admin = true;
    std::vector<std::wstring> Messages;
};

} // namespace

TEST_F(Registration, WritesThe64BitViewReadsBackAndDefaultLeavesAnEmptyValue) {
    const std::wstring exe = L"C:\\Tools\\Vorlane\\Vorlane.exe";
    ASSERT_TRUE(SetDefaultViewer(exe, Registry));
    EXPECT_EQ(View(true), exe);
    EXPECT_EQ(View(false), L"<none>"); // the 32-bit view is left alone
    EXPECT_EQ(Messages.at(0), L"F1 help now opens in " + exe + L".\r" + MsgTxt_AlsoRestartVorlane + L"\r\r" + MsgTxt_SuccessRestartHLM);
    ASSERT_TRUE(SetDefaultViewer(L"", Registry));
    EXPECT_EQ(View(true), L"");
    EXPECT_EQ(Messages.at(1), L"F1 help now opens in the help runtime's own viewer.\r\r" + MsgTxt_SuccessRestartHLM);
    Wow64 = false;
    ASSERT_TRUE(SetDefaultViewer(L"C:\\b.exe", Registry));
    EXPECT_EQ(View(false), L"C:\\b.exe");
}

TEST_F(Registration, NoAdministratorNothingWritten) {
    Admin = false;
    EXPECT_FALSE(SetDefaultViewer(L"C:\\b.exe", Registry));
    EXPECT_EQ(View(true), L"<none>");
    EXPECT_EQ(Messages.at(0), MsgTxt_CouldNotUpdate + L"\r\r" + MsgTxt_Alternatively + L"\r" + KeyInfo + L"<viewer-path>");
    EXPECT_FALSE(CheckAdminForRegistry(false, Registry));
    EXPECT_EQ(Messages.back(), MsgTxt_CouldNotUpdate);
}

TEST_F(Registration, AValueThatCannotBeWrittenIsAFailureEvenWhenEmpty) {
    // Below a volatile key no lasting key can be made: the write fails, and a missing
    // value reads back as empty.
    HKEY vol = nullptr;
    const std::wstring volKey = Base + L"\\Volatile";
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, volKey.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &vol, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(vol);
    Registry.Place.RuntimeKey = L"\\" + volKey + L"\\Help\\v1.0";
    for (const std::wstring& value : {std::wstring(L"C:\\b.exe"), std::wstring()}) {
        Messages.clear();
        EXPECT_FALSE(SetDefaultViewer(value, Registry)) << value;
        EXPECT_EQ(Messages.at(0), L"Failed to change registry value!\r\rF1 help still opens in the help runtime's own "
                                  L"viewer.\r\rTrying to set value: " + (value.empty() ? MsgTxt_RuntimeViewer : value));
    }
}
