#include "../../vcl/VclTestSupport.h"
#include "TestHarness.h"

#include "UPTShortcut.h"

#include <gtest/gtest.h>

namespace {

void SaveLink(const std::wstring& link, const std::wstring& target) {
    TComPtr<IShellLinkW> sl;
    ASSERT_HRESULT_SUCCEEDED(
        CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, sl.PutVoid()));
    sl->SetPath(target.c_str());
    sl->SetArguments(L"/x \u00E9");
    sl->SetDescription(L"Beschreibung \u0416");
    sl->SetWorkingDirectory(L"C:\\windows");
    sl->SetIconLocation(L"C:\\windows\\system32\\shell32.dll", 3);
    sl->SetHotkey(MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT));
    TComPtr<IPersistFile> pf;
    ASSERT_HRESULT_SUCCEEDED(sl.As(pf, IID_IPersistFile));
    ASSERT_HRESULT_SUCCEEDED(pf->Save(link.c_str(), TRUE));
}

} // namespace

TEST(UPTShortcutTest, RoundTripAndBadFiles) {
    vcltest::Watchdog watchdog(60000, "shortcut test (a dialog would hang here)");
    testing_support::TempDir dir;
    const std::wstring target = dir.File(L"Ziel \u00FC.txt");
    testing_support::WriteBytes(target, "text");
    const std::wstring link = dir.File(L"Verkn\u00FCpfung.lnk");
    SaveLink(link, target);

    TPTShortcut shortcut;
    ASSERT_HRESULT_SUCCEEDED(shortcut.Load(link));
    EXPECT_EQ(shortcut.Path, target);
    EXPECT_EQ(shortcut.Arguments, L"/x \u00E9");
    EXPECT_EQ(shortcut.Description, L"Beschreibung \u0416");
    EXPECT_EQ(shortcut.WorkingDirectory, L"C:\\windows");
    EXPECT_EQ(shortcut.IconIndex, 3);
    EXPECT_EQ(shortcut.ShowCmd, SW_SHOWNORMAL);
    EXPECT_EQ(shortcut.HotKey, MAKEWORD('K', HOTKEYF_CONTROL | HOTKEYF_ALT));
    ASSERT_NE(shortcut.Pidl(), nullptr);
    EXPECT_EQ(PidlToPath(shortcut.Pidl()), target);
    EXPECT_EQ(std::wstring(shortcut.FindData.cFileName), L"Ziel \u00FC.txt");

    // A target that went away: read all the same, quietly, in both resolve modes.
    DeleteFileW(target.c_str());
    shortcut.ResolveMode = 1;
    EXPECT_HRESULT_SUCCEEDED(shortcut.Load(link));
    EXPECT_EQ(shortcut.Description, L"Beschreibung \u0416");
    shortcut.ResolveMode = 0;
    EXPECT_HRESULT_SUCCEEDED(shortcut.Load(link));

    EXPECT_EQ(shortcut.Load(L""), E_INVALIDARG);
    EXPECT_HRESULT_FAILED(shortcut.Load(dir.File(L"missing.lnk")));
    const std::wstring damaged = dir.File(L"damaged.lnk");
    testing_support::WriteBytes(damaged, std::string("L\0\0\0garbage that is not a link", 30));
    EXPECT_HRESULT_FAILED(shortcut.Load(damaged));
}
