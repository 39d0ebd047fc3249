// Settings store in registry and INI mode, single registry values and their views.
#include "UAppSettings.h"

#include "TestHarness.h"
#include "Forms.h"
#include "TntIniFiles.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::UniqueName;

namespace {

// A scratch key below HKCU\Software\VorlaneTest, removed afterwards.
struct TScratchKey {
    std::wstring Path = L"Software\\VorlaneTest\\" + UniqueName(L"hc1set");
    ~TScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, Path.c_str()); }
    std::wstring Abs() const { return L"\\" + Path; }
};

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

void SetRaw(const std::wstring& path, const wchar_t* name, DWORD type, const void* data, DWORD size) {
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &k, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), size));
    RegCloseKey(k);
}

std::string Utf16(const std::wstring& s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(wchar_t));
}

// Collects the messages shown while it lives.
struct TMessages {
    std::vector<std::wstring> Texts;
    TUserMessageHandler Previous;
    TMessages() {
        Previous = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& text, int) {
            Texts.push_back(text);
            return true;
        });
    }
    ~TMessages() { SetUserMessageHandler(Previous); }
};

} // namespace

TEST(AppSettings, RegistryModeRoundTripAndRootSection) {
    TScratchKey key;
    TMessages shown;
    InitAppSettings(key.Abs(), L"", L"");
    ASSERT_NE(nullptr, AppSettings);
    EXPECT_EQ(nullptr, AppSettings->IniFile());
    EXPECT_EQ(L"ZEB_Settings.ini", AppSettingsConfig().IniFileName);

    AppSettings->WriteString(L"main", L"Name", L"Wert \u00FC\u4E2D");
    AppSettings->WriteInteger(L"main", L"N", -5);
    AppSettings->WriteBool(L"main", L"B", true);
    EXPECT_EQ(L"Wert \u00FC\u4E2D", AppSettings->ReadString(L"main", L"Name", L"d"));
    EXPECT_EQ(-5, AppSettings->ReadInteger(L"main", L"N", 0));
    EXPECT_TRUE(AppSettings->ReadBool(L"main", L"B", false));
    EXPECT_EQ(L"d", AppSettings->ReadString(L"main", L"Missing", L"d"));
    EXPECT_EQ(7, AppSettings->ReadInteger(L"other", L"N", 7));

    // The empty section is the settings key itself.
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, key.Abs(), L"A", L"top"));
    EXPECT_EQ(L"top", AppSettings->ReadString(L"", L"A", L"d"));

    // A value the registry refuses (a catalog's name far longer than a value name may be)
    // raises nothing: it is logged and skipped, and the values after it are saved.
    std::vector<std::wstring> logged;
    AppSettings->OnWriteFailed = [&](const std::wstring& line) { logged.push_back(line); };
    const std::wstring longName = std::wstring(20000, L'c') + L"_OrphanID1";
    EXPECT_NO_THROW(AppSettings->WriteString(L"main", longName, L"&id=1"));
    EXPECT_NO_THROW(AppSettings->WriteInteger(L"main", longName, 1));
    EXPECT_NO_THROW(AppSettings->WriteBool(L"main", longName, true));
    AppSettings->WriteString(L"main", L"After", L"saved");
    EXPECT_EQ(L"saved", AppSettings->ReadString(L"main", L"After", L"d"));
    ASSERT_EQ(logged.size(), 3u);
    EXPECT_EQ(logged[0].rfind(L"** Setting not saved: main\\ccc", 0), 0u) << logged[0];
    EXPECT_LE(logged[0].size(), 1100u);
    AppSettings->OnWriteFailed = nullptr;

    // A second call keeps the first object and configuration.
    TMyRegIniFile* first = AppSettings;
    InitAppSettings(L"\\Software\\VorlaneTest\\other", L"C:\\x", L"other.ini");
    EXPECT_EQ(first, AppSettings);
    EXPECT_EQ(key.Abs(), AppSettingsConfig().RegKey);
    EXPECT_EQ(L"ZEB_Settings.ini", AppSettingsConfig().IniFileName);
    FreeAppSettings();
    EXPECT_EQ(nullptr, AppSettings);
    FreeAppSettings(); // nothing when already freed
    EXPECT_TRUE(shown.Texts.empty());

    std::wstring value;
    RegReadString(HKEY_CURRENT_USER, key.Abs() + L"\\main", L"N", value);
    EXPECT_EQ(L"-5", value); // integers are kept as text
}

TEST(AppSettings, IniModeWritesExactFileAndNoRegistry) {
    TScratchKey key;
    TempDir dir;
    TMessages shown;
    InitAppSettings(key.Abs(), dir.Path(), L"");
    ASSERT_NE(nullptr, AppSettings);
    ASSERT_NE(nullptr, AppSettings->IniFile());
    AppSettings->WriteString(L"", L"A", L"1");
    AppSettings->WriteString(L"main", L"Name", L"Wert \u00FC");
    AppSettings->WriteInteger(L"main", L"N", -5);
    AppSettings->WriteBool(L"main", L"B", true);
    EXPECT_EQ(L"1", AppSettings->ReadString(L"", L"A", L"d"));
    EXPECT_EQ(L"1", AppSettings->ReadString(L"__root__", L"A", L"d"));
    EXPECT_EQ(-5, AppSettings->ReadInteger(L"main", L"N", 0));
    EXPECT_TRUE(AppSettings->ReadBool(L"main", L"B", false));
    FreeAppSettings();

    const std::string expected = "\xFF\xFE" + Utf16(L"[__root__]\r\nA=1\r\n\r\n[main]\r\nName=Wert \u00FC\r\nN=-5\r\n"
                                                    L"B=1\r\n\r\n");
    EXPECT_EQ(expected, testing_support::ReadBytes(dir.File(L"ZEB_Settings.ini")));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.Path));
    EXPECT_TRUE(shown.Texts.empty());

    // The next run reads the file back.
    InitAppSettings(key.Abs(), dir.Path(), L"ZEB_Settings.ini");
    EXPECT_EQ(L"Wert \u00FC", AppSettings->ReadString(L"main", L"Name", L""));
    EXPECT_EQ(L"1", AppSettings->ReadString(L"", L"A", L""));
    FreeAppSettings();
}

TEST(AppSettings, UnusableFoldersFallBackToTheRegistry) {
    TScratchKey key;
    for (const std::wstring folder : {L"C:", L"\\\\server\\share", L"relative\\dir"}) {
        TMessages shown;
        InitAppSettings(key.Abs(), folder, L"");
        EXPECT_EQ(nullptr, AppSettings->IniFile()) << folder;
        FreeAppSettings();
        EXPECT_TRUE(shown.Texts.empty()) << folder;
    }
    TempDir dir;
    const std::wstring missing = dir.File(L"gone");
    TMessages shown;
    InitAppSettings(key.Abs(), missing, L"my.ini");
    EXPECT_EQ(nullptr, AppSettings->IniFile());
    AppSettings->WriteString(L"main", L"X", L"y");
    FreeAppSettings();
    ASSERT_EQ(1u, shown.Texts.size());
    EXPECT_EQ(L"Could not initialize application data file \"my.ini\". Is folder readonly?\rDirectory: " + missing +
                  L"\\my.ini\r\rStoring settings in registry. Go to preferences dialog to change settings.",
              shown.Texts[0]);
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.Path + L"\\main"));
}

TEST(AppSettings, FailedIniWriteIsReportedOnce) {
    TScratchKey key;
    TempDir dir;
    const std::wstring folder = dir.File(L"data");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    TMessages shown;
    InitAppSettings(key.Abs(), folder, L"");
    ASSERT_NE(nullptr, AppSettings->IniFile());
    AppSettings->WriteString(L"main", L"X", L"y");
    ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
    FreeAppSettings();
    ASSERT_EQ(1u, shown.Texts.size());
    EXPECT_EQ(0u, shown.Texts[0].find(L"Error writing settings to INI file\r" + folder + L"\\ZEB_Settings.ini\r\r"));
}

TEST(RegistryValues, TypesDefaultsAndExpansion) {
    TScratchKey key;
    const DWORD all = 0xFFFFFFFF;
    SetRaw(key.Path, L"Dword", REG_DWORD, &all, 4);
    const BYTE bin[3] = {1, 2, 3};
    SetRaw(key.Path, L"Binary", REG_BINARY, bin, 3);
    const std::wstring expand = L"%VORLANE_HC1_VAR%\\sub";
    SetRaw(key.Path, L"Expand", REG_EXPAND_SZ, expand.c_str(), static_cast<DWORD>((expand.size() + 1) * 2));
    SetRaw(key.Path, L"Plain", REG_SZ, expand.c_str(), static_cast<DWORD>((expand.size() + 1) * 2));
    SetEnvironmentVariableW(L"VORLANE_HC1_VAR", L"C:\\root");

    std::wstring v;
    RegReadStringDef(HKEY_CURRENT_USER, key.Abs(), L"Dword", v, L"d");
    EXPECT_EQ(L"-1", v);
    RegReadStringDef(HKEY_CURRENT_USER, key.Path, L"Binary", v, L"d");
    EXPECT_EQ(L"d", v);
    RegReadString(HKEY_CURRENT_USER, key.Abs(), L"Expand", v);
    EXPECT_EQ(L"C:\\root\\sub", v);
    RegReadString(HKEY_CURRENT_USER, key.Abs(), L"Plain", v);
    EXPECT_EQ(L"C:\\root\\sub", v);
    RegReadStringDef(HKEY_CURRENT_USER, key.Abs() + L"\\nokey", L"x", v, L"%VORLANE_HC1_VAR%");
    EXPECT_EQ(L"C:\\root", v);
    RegReadString(HKEY_CURRENT_USER, key.Abs(), L"missing", v);
    EXPECT_EQ(L"", v);
    SetEnvironmentVariableW(L"VORLANE_HC1_VAR", nullptr);
}

TEST(RegistryValues, FailedWritesReturnFalseInsteadOfRaising) {
    TScratchKey key;
    EXPECT_TRUE(RegWriteString(HKEY_CURRENT_USER, key.Abs() + L"\\new\\deep", L"V", L"x"));
    std::wstring v;
    RegReadString(HKEY_CURRENT_USER, key.Abs() + L"\\new\\deep", L"V", v);
    EXPECT_EQ(L"x", v);

    const HKEY bogus = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x1234));
    bool result = true;
    EXPECT_NO_THROW(result = RegWriteString(bogus, L"Software\\X", L"V", L"x"));
    EXPECT_FALSE(result);
    EXPECT_NO_THROW(result = RegWriteString64(bogus, L"Software\\X", L"V", L"x"));
    EXPECT_FALSE(result);
}

// HKLM\Software is split into a 32-bit and a 64-bit view on 64-bit Windows (and in
// Wine's 64-bit prefix); the readers must pick the view they are asked for.
TEST(RegistryValues, SixtyFourBitViewUnderWow64) {
    EXPECT_TRUE(IsWindowsXPOrLater());
    ASSERT_TRUE(IsWow64()) << "the tests run as a 32-bit program in a 64-bit prefix";
    EXPECT_EQ(DetectWow64(), IsWow64());

    const std::wstring path = L"Software\\VorlaneTest\\" + UniqueName(L"hc1view");
    ASSERT_TRUE(RegWriteString(HKEY_LOCAL_MACHINE, L"\\" + path, L"Only32", L"32"));
    ASSERT_TRUE(RegWriteString64(HKEY_LOCAL_MACHINE, L"\\" + path, L"Only64", L"64"));
    std::wstring v;
    RegReadString64(HKEY_LOCAL_MACHINE, path, L"Only64", v);
    EXPECT_EQ(L"64", v);
    RegReadString(HKEY_LOCAL_MACHINE, path, L"Only64", v);
    EXPECT_EQ(L"", v);
    RegReadString(HKEY_LOCAL_MACHINE, path, L"Only32", v);
    EXPECT_EQ(L"32", v);
    RegReadStringDef64(HKEY_LOCAL_MACHINE, path, L"Only32", v, L"none");
    EXPECT_EQ(L"none", v);

    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_64KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), KEY_WOW64_32KEY, 0);
}


TEST(AppSettings, FormPositionsGoToTheRegistryAlsoInIniMode) {
    TScratchKey key;
    TempDir dir;
    TMessages shown;
    InitAppSettings(key.Abs(), dir.Path(), L"");
    ASSERT_NE(nullptr, AppSettings->IniFile());
    {
        TForm form(nullptr);
        form.SetName(L"FSaveFav");
        form.SetBorderStyle(bsDialog);
        form.SetBounds(40, 50, 300, 200);
        form.HandleNeeded();
        AppSettings->SaveFormPos(&form);
        AppSettings->SaveFormPosAs(L"Main", &form);
    }
    auto readInt = [&](const wchar_t* name) {
        DWORD v = 0, size = sizeof(v);
        LONG r = RegGetValueW(HKEY_CURRENT_USER, key.Path.c_str(), name, RRF_RT_REG_DWORD, nullptr, &v, &size);
        return r == ERROR_SUCCESS ? static_cast<int>(v) : -1;
    };
    EXPECT_EQ(40, readInt(L"FSaveFav_Left"));
    EXPECT_EQ(50, readInt(L"FSaveFav_Top"));
    EXPECT_EQ(40, readInt(L"Main_Left"));
    {
        TForm again(nullptr);
        again.SetName(L"FSaveFav");
        again.SetBorderStyle(bsDialog);
        again.SetBounds(0, 0, 300, 200);
        again.HandleNeeded();
        EXPECT_TRUE(AppSettings->RestoreFormPos(&again));
        EXPECT_EQ(40, again.Left());
        EXPECT_EQ(50, again.Top());
    }
    FreeAppSettings();
    // Nothing of the positions lands in the settings file.
    EXPECT_EQ(std::string::npos, testing_support::ReadBytes(dir.File(L"ZEB_Settings.ini")).find("F\0S\0a\0v", 0, 8));
}
