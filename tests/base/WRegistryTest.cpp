#include "WRegistry.h"

#include "TestHarness.h"
#include "URegSafe.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <cstring>
#include <functional>

namespace ts = testing_support;
using namespace WRegistry;

namespace {

const wchar_t kParent[] = L"Software\\VorlaneTest";

// A scratch key below HKCU\Software\VorlaneTest, deleted in both views at the end.
class RegistryTest : public ::testing::Test {
protected:
    std::wstring Name = ts::UniqueName(L"base1");
    std::wstring Key = std::wstring(kParent) + L"\\" + Name;

    void TearDown() override {
        for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
            HKEY parent = nullptr;
            if (RegOpenKeyExW(HKEY_CURRENT_USER, kParent, 0, KEY_ALL_ACCESS | view, &parent) == ERROR_SUCCESS) {
                RegDeleteTreeW(parent, Name.c_str());
                RegCloseKey(parent);
            }
        }
    }

    // Writes raw data with the system call, bypassing the classes.
    void RawSet(const std::wstring& sub, const std::wstring& value, DWORD type, const void* data, DWORD size) {
        HKEY h = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (Key + sub).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h,
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(h, value.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
        RegCloseKey(h);
    }

    bool SetDacl(const std::wstring& sub, const wchar_t* sddl) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &sd, nullptr))
            return false;
        HKEY h = nullptr;
        bool ok = RegOpenKeyExW(HKEY_CURRENT_USER, (Key + sub).c_str(), 0, WRITE_DAC, &h) == ERROR_SUCCESS;
        if (ok) {
            ok = RegSetKeySecurity(h, DACL_SECURITY_INFORMATION, sd) == ERROR_SUCCESS;
            RegCloseKey(h);
        }
        LocalFree(sd);
        return ok;
    }
};

std::wstring MessageOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return L"<no exception>";
}

} // namespace

TEST_F(RegistryTest, NewObjectAndKeyPaths) {
    TRegistry reg;
    EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
    EXPECT_EQ(reg.Access(), static_cast<REGSAM>(KEY_ALL_ACCESS));
    EXPECT_TRUE(reg.LazyWrite);
    EXPECT_EQ(reg.CurrentKey(), nullptr);

    EXPECT_FALSE(reg.OpenKey(Key, false));
    ASSERT_TRUE(reg.OpenKey(Key, true));
    EXPECT_EQ(reg.CurrentPath(), Key);
    EXPECT_TRUE(reg.CreateKey(L"Y"));   // relative to the open key
    EXPECT_TRUE(reg.OpenKey(L"Y", false));
    EXPECT_EQ(reg.CurrentPath(), Key + L"\\Y");
    EXPECT_TRUE(reg.OpenKey(L"\\" + Key, false)); // absolute even with a key open
    EXPECT_EQ(reg.CurrentPath(), Key);
    HKEY sub = reg.GetKey(L"Y");
    EXPECT_NE(sub, nullptr);
    RegCloseKey(sub);
    EXPECT_EQ(reg.GetKey(L"missing"), nullptr);
    EXPECT_EQ(reg.GetBaseKey(true), reg.CurrentKey());
    EXPECT_EQ(reg.GetBaseKey(false), HKEY_CURRENT_USER);

    std::string keyA(Key.begin(), Key.end());
    EXPECT_TRUE(reg.OpenKeyA("\\" + keyA + "\\Y", false));
    EXPECT_EQ(reg.CurrentPath(), Key + L"\\Y");
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentKey(), nullptr);
}

TEST_F(RegistryTest, RoundTripsInBothViews) {
    const std::wstring text = L"\u5024 \u00fc \u0416";
    for (REGSAM view : {REGSAM(0), REGSAM(KEY_WOW64_64KEY), REGSAM(KEY_WOW64_32KEY)}) {
        SCOPED_TRACE(view);
        TRegistry reg(KEY_ALL_ACCESS | view);
        const std::wstring path = Key + L"\\view" + std::to_wstring(view);
        ASSERT_TRUE(reg.OpenKey(path, true));
        reg.WriteString(L"\u540d\u524d", text);
        EXPECT_EQ(reg.ReadString(L"\u540d\u524d"), text);
        EXPECT_EQ(reg.GetDataSize(L"\u540d\u524d"), static_cast<int>((text.size() + 1) * 2));
        EXPECT_EQ(reg.GetDataType(L"\u540d\u524d"), TRegDataType::rdString);
        reg.WriteString(L"empty", L"");
        EXPECT_EQ(reg.GetDataSize(L"empty"), 2);
        EXPECT_EQ(reg.ReadString(L"empty"), L"");
        DWORD v = 0xDEADBEEF;
        reg.PutData(L"n", &v, TRegDataType::rdInteger, 4);
        EXPECT_EQ(static_cast<DWORD>(reg.ReadInteger(L"n")), 0xDEADBEEFu);
        EXPECT_TRUE(reg.ValueExists(L"n"));
        EXPECT_FALSE(reg.ValueExists(L"none"));
        EXPECT_EQ(reg.GetDataSize(L"none"), -1);
        BYTE bin[3] = {1, 2, 3}, back[8] = {};
        reg.PutData(L"b", bin, TRegDataType::rdBinary, 3);
        TRegDataType t;
        EXPECT_EQ(reg.GetData(L"b", back, sizeof back, t), 3);
        EXPECT_EQ(t, TRegDataType::rdBinary);
        EXPECT_EQ(std::memcmp(back, bin, 3), 0);

        // The same key seen through the system call in the same view.
        HKEY h = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | view, &h), ERROR_SUCCESS);
        DWORD type = 0, size = 0;
        EXPECT_EQ(RegQueryValueExW(h, L"\u540d\u524d", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
        RegCloseKey(h);

        TRegistry ro;
        ASSERT_TRUE(view == KEY_WOW64_64KEY ? ro.OpenKeyReadOnly64(path) : ro.OpenKeyReadOnly(path));
        EXPECT_EQ(ro.ReadString(L"\u540d\u524d"), text);
    }
}

TEST_F(RegistryTest, MalformedValuesReadSafely) {
    const wchar_t abc[] = L"abcdef";
    RawSet(L"", L"noterm", REG_SZ, abc, 6);     // "abc" without its zero
    RawSet(L"", L"odd", REG_SZ, abc, 7);        // and half a character more
    RawSet(L"", L"zero", REG_SZ, L"ab\0cd", 12); // cut at the first zero
    RawSet(L"", L"exp", REG_EXPAND_SZ, L"%X%", 8);
    const BYTE two[2] = {0x34, 0x12}, eight[8] = {1, 0, 0, 0, 9, 9, 9, 9};
    RawSet(L"", L"short", REG_DWORD, two, 2);
    RawSet(L"", L"nothing", REG_DWORD, two, 0);
    RawSet(L"", L"long", REG_DWORD, eight, 8);
    RawSet(L"", L"bin", REG_BINARY, two, 2);

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(Key, false));
    EXPECT_EQ(reg.ReadString(L"noterm"), L"abc");
    EXPECT_EQ(reg.ReadString(L"odd"), L"abc");
    EXPECT_EQ(reg.ReadString(L"zero"), L"ab");
    EXPECT_EQ(reg.ReadString(L"exp"), L"%X%");
    EXPECT_EQ(reg.ReadString(L"missing"), L"");
    EXPECT_EQ(reg.ReadInteger(L"short"), 0x1234);
    EXPECT_EQ(reg.ReadInteger(L"nothing"), 0);
    EXPECT_EQ(reg.ReadInteger(L"long"), 1);

    EXPECT_EQ(MessageOf([&] { reg.ReadString(L"short"); }), L"Invalid data type for 'short'");
    EXPECT_EQ(MessageOf([&] { reg.ReadInteger(L"noterm"); }), L"Invalid data type for 'noterm'");
    EXPECT_EQ(MessageOf([&] { reg.ReadInteger(L"missing"); }), L"Failed to get data for 'missing'");
    BYTE small[1];
    TRegDataType t;
    EXPECT_EQ(MessageOf([&] { reg.GetData(L"long", small, 1, t); }), L"Failed to get data for 'long'");
}

TEST_F(RegistryTest, ReadOnlyKeysAndFailedWrites) {
    TRegistry setup;
    ASSERT_TRUE(setup.OpenKey(Key + L"\\ro", true));
    setup.WriteString(L"v", L"x");
    setup.CloseKey();

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(Key + L"\\ro"));
    EXPECT_EQ(reg.Access(), static_cast<REGSAM>(KEY_READ));
    EXPECT_EQ(reg.ReadString(L"v"), L"x");
    EXPECT_EQ(MessageOf([&] { reg.WriteString(L"v", L"y"); }), L"Failed to set data for 'v'");
    TRegistry broken;
    broken.SetRootKey(reinterpret_cast<HKEY>(static_cast<intptr_t>(0x7654)));
    EXPECT_EQ(MessageOf([&] { broken.CreateKey(L"child"); }), L"Failed to create key child");
    TRegistry reg64;
    ASSERT_TRUE(reg64.OpenKeyReadOnly64(Key + L"\\ro"));
    EXPECT_EQ(reg64.Access(), static_cast<REGSAM>(KEY_READ | KEY_WOW64_64KEY));

    // A key that grants nothing but value queries.
    ASSERT_TRUE(SetDacl(L"\\ro", L"D:P(A;;0x1;;;WD)"));
    TRegistry probe;
    const bool enforced = !probe.OpenKey(Key + L"\\ro", false);
    TRegistry limited;
    bool opened = limited.OpenKeyReadOnly(Key + L"\\ro");
    REGSAM access = limited.Access();
    std::wstring value = opened ? limited.ReadString(L"v") : L"";
    limited.CloseKey();
    SetDacl(L"\\ro", L"D:(A;;KA;;;WD)");
    if (!enforced)
        GTEST_SKIP() << "this system does not enforce registry key security";
    EXPECT_TRUE(opened);
    EXPECT_EQ(access, static_cast<REGSAM>(KEY_QUERY_VALUE));
    EXPECT_EQ(value, L"x");
}

TEST_F(RegistryTest, IniFileSectionsAndForeignTypes) {
    TRegIniFile ini(Key);
    EXPECT_EQ(ini.FileName(), Key);
    EXPECT_EQ(ini.CurrentPath(), Key);
    const HKEY before = ini.CurrentKey();

    ini.WriteString(L"\u00c9tat", L"name", L"\u00fcber");
    EXPECT_EQ(ini.ReadString(L"\u00c9tat", L"name", L"def"), L"\u00fcber");
    ini.WriteInteger(L"s", L"i", -42);
    EXPECT_EQ(ini.ReadInteger(L"s", L"i", 0), -42);
    ini.WriteBool(L"s", L"b", true);
    EXPECT_TRUE(ini.ReadBool(L"s", L"b", false));
    ini.WriteString(L"s", L"bad", L"12x");
    EXPECT_EQ(ini.ReadInteger(L"s", L"bad", 5), 5);
    EXPECT_EQ(ini.ReadString(L"nosection", L"x", L"def"), L"def");
    EXPECT_EQ(ini.ReadString(L"s", L"nothing", L"def"), L"def");
    EXPECT_EQ(ini.ReadInteger(L"nosection", L"x", 9), 9);
    EXPECT_TRUE(ini.ReadBool(L"nosection", L"x", true));
    ini.WriteString(L"", L"top", L"root value"); // the empty section is the key itself
    EXPECT_EQ(ini.ReadString(L"", L"top", L""), L"root value");

    // Each section access puts the open key back.
    EXPECT_EQ(ini.CurrentKey(), before);
    EXPECT_EQ(ini.CurrentPath(), Key);
    EXPECT_EQ(ini.TRegistry::ReadString(L"top"), L"root value");

    // Values of other types, as other programs may leave them.
    const DWORD dw = 305419896;
    const BYTE two[2] = {7, 0};
    RawSet(L"\\s", L"dword", REG_DWORD, &dw, 4);
    RawSet(L"\\s", L"short", REG_DWORD, two, 2);
    RawSet(L"\\s", L"bin", REG_BINARY, two, 2);
    EXPECT_EQ(ini.ReadString(L"s", L"dword", L"def"), L"305419896");
    EXPECT_EQ(ini.ReadInteger(L"s", L"dword", 0), 305419896);
    EXPECT_EQ(ini.ReadInteger(L"s", L"short", 0), 7);
    EXPECT_TRUE(ini.ReadBool(L"s", L"dword", false));
    EXPECT_EQ(ini.ReadString(L"s", L"bin", L"def"), L"def");
    EXPECT_EQ(ini.ReadInteger(L"s", L"bin", 3), 3);

    TRegIniFile view64(Key + L"\\64", KEY_ALL_ACCESS | KEY_WOW64_64KEY);
    view64.WriteInteger(L"s", L"i", 64);
    EXPECT_EQ(view64.ReadInteger(L"s", L"i", 0), 64);
}

TEST_F(RegistryTest, SingleValueHelpers) {
    RegWriteInt(HKEY_CURRENT_USER, Key, L"count", 17);
    EXPECT_EQ(RegReadInt(HKEY_CURRENT_USER, Key, L"count", 0), 17);
    EXPECT_EQ(RegReadInt(HKEY_CURRENT_USER, Key, L"none", -1), -1);
    EXPECT_EQ(RegReadInt(HKEY_CURRENT_USER, Key + L"\\nokey", L"count", -2), -2);
    RegWriteBoolValue(HKEY_CURRENT_USER, Key, L"flag", true);
    EXPECT_TRUE(RegReadBoolValue(HKEY_CURRENT_USER, Key, L"flag", false));
    EXPECT_FALSE(RegReadBoolValue(HKEY_CURRENT_USER, Key, L"none", false));

    std::wstring v;
    RegReadStrDef(HKEY_CURRENT_USER, Key, L"count", v, L"d");
    EXPECT_EQ(v, L"17");
    SetEnvironmentVariableW(L"VORLANE_BASE1_DIR", L"c:\\x");
    RawSet(L"", L"path", REG_EXPAND_SZ, L"%VORLANE_BASE1_DIR%\\y", 44);
    RegReadStr(HKEY_CURRENT_USER, Key, L"path", v);
    EXPECT_EQ(v, L"c:\\x\\y");
    const BYTE bin[2] = {1, 2};
    RawSet(L"", L"bin", REG_BINARY, bin, 2);
    RegReadStrDef(HKEY_CURRENT_USER, Key, L"bin", v, L"%VORLANE_BASE1_DIR%");
    EXPECT_EQ(v, L"c:\\x"); // the default, expanded as well
    SetEnvironmentVariableW(L"VORLANE_BASE1_DIR", nullptr);
    RegReadStr(HKEY_CURRENT_USER, Key + L"\\nokey", L"x", v);
    EXPECT_EQ(v, L"");
}
