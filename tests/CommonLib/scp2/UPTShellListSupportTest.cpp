#include "ShellTestSupport.h"

#include "Format.h"
#include "TestHarness.h"
#include "UPTShellListSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace shelltest;

TEST(ShellListSupport, ViewStylesAreStoredByNameAndOldNamesStillRead) {
    const TPTShellViewStyle all[] = {svsIcon, svsSmallIcon, svsList, svsReport, svsThumbnails};
    for (TPTShellViewStyle s : all) {
        TPTShellViewStyle back = svsReport;
        ASSERT_TRUE(PTShellViewStyleFromName(PTShellViewStyleName(s), back)) << PTShellViewStyleName(s);
        EXPECT_EQ(back, s);
    }
    EXPECT_EQ(PTShellViewStyleName(svsList), L"svsList");
    TPTShellViewStyle s = svsReport;
    EXPECT_TRUE(PTShellViewStyleFromName(L"vsIcon", s));
    EXPECT_EQ(s, svsIcon);
    EXPECT_TRUE(PTShellViewStyleFromName(L"vsSmallIcon", s));
    EXPECT_EQ(s, svsSmallIcon);
    for (const wchar_t* bad : {L"", L"svsFoo", L"vs", L"svsreport"}) {
        s = svsThumbnails;
        EXPECT_FALSE(PTShellViewStyleFromName(bad, s)) << bad;
        EXPECT_EQ(s, svsThumbnails);
    }
    EXPECT_EQ(PTShellListDefaultOptions,
              ptsloAutoFill | ptsloNonFilesystemAncestors | ptsloDefaultKeyHandling | ptsloContextMenus |
                  ptsloDynamicRefresh | ptsloOleDrag | ptsloOleDrop | ptsloFolderContextMenu | ptsloShowHidden |
                  ptsloFilesCanBeFolders | ptsloIconOverlays);
}

TEST(ShellListSupport, TheFilterPassesFoldersAndMatchingFilesAndAnEmptyFilterPassesAll) {
    EXPECT_TRUE(PTShellFilterAccepts(L"*.url", L"C:\\Fav\\a.url", false));
    EXPECT_TRUE(PTShellFilterAccepts(L"*.url", L"C:\\Fav\\A.URL", false));
    EXPECT_FALSE(PTShellFilterAccepts(L"*.url", L"C:\\Fav\\b.txt", false));
    EXPECT_FALSE(PTShellFilterAccepts(L"*.url", L"C:\\a.url\\b.txt", false)); // the name, not the path
    EXPECT_TRUE(PTShellFilterAccepts(L"*.url", L"C:\\Fav\\sub", true));
    EXPECT_TRUE(PTShellFilterAccepts(L"*.url;*.lnk", L"C:\\Fav\\x.lnk", false));
    EXPECT_FALSE(PTShellFilterAccepts(L"*.url;*.lnk", L"C:\\Fav\\x.lnkx", false));
    EXPECT_TRUE(PTShellFilterAccepts(L"", L"C:\\Fav\\b.txt", false));
    EXPECT_TRUE(PTShellFilterAccepts(L"", L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}", false));
}

TEST(ShellListSupport, SortingAsksTheFoldersColumnAndTurnsForDescendingColumns) {
    auto folder = TFakeShellFolder::Create();
    HRESULT answer = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0xFFFF); // A before B
    folder->OnCompareIDs = [&](PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) { return answer; };
    auto a = Pidl({"a"}), b = Pidl({"b"});
    EXPECT_EQ(PTShellSortCompare(folder.Get(), 1, a.Get(), b.Get()), -1);
    EXPECT_EQ(PTShellSortCompare(folder.Get(), -1, a.Get(), b.Get()), 1);
    answer = MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2);
    EXPECT_EQ(PTShellSortCompare(folder.Get(), 3, a.Get(), b.Get()), 2);
    EXPECT_EQ(PTShellSortCompare(folder.Get(), -3, a.Get(), b.Get()), -2);
    EXPECT_EQ(PTShellSortCompare(folder.Get(), 0, a.Get(), b.Get()), 0);
    EXPECT_EQ(folder->CompareColumns, (std::vector<LPARAM>{0, 0, 2, 2})); // |SortColumn| - 1
    answer = E_FAIL;
    EXPECT_EQ(PTShellSortCompare(folder.Get(), 2, a.Get(), b.Get()), 0);
    EXPECT_EQ(PTShellSortCompare(nullptr, 2, a.Get(), b.Get()), 0);
}

TEST(ShellListSupport, StrikingCommonPidlsLeavesTheGoneInOldAndTheNewInNew) {
    std::vector<TPTPidl> items;
    for (const char* n : {"alpha", "bravo", "charlie"})
        items.push_back(Pidl({n}));
    TObject* objects[3] = {reinterpret_cast<TObject*>(1), reinterpret_cast<TObject*>(2), reinterpret_cast<TObject*>(3)};
    TPTPidlList old;
    old.Duplicates = dupAccept;
    old.SetSorted(true);
    for (int i = 0; i < 3; ++i)
        old.AddObject(items[static_cast<size_t>(i)].Get(), objects[i]); // the items keep their PIDLs
    TPTPidlList fresh;
    fresh.Malloc = TComPtr<IMalloc>(GetShellMalloc());
    for (const char* n : {"charlie", "delta", "alpha", "echo"})
        fresh.Add(MakePidl({n}));
    PTStrikeCommonPidls(old, fresh);
    ASSERT_EQ(old.Count(), 1);
    EXPECT_EQ(old.Objects(0), objects[1]);
    ASSERT_EQ(fresh.Count(), 2);
    EXPECT_EQ(ComparePidlBytes(fresh.Pidls(0), Pidl({"delta"}).Get()), 0);
    EXPECT_EQ(ComparePidlBytes(fresh.Pidls(1), Pidl({"echo"}).Get()), 0);
    // Nothing in common, and nothing at all.
    TPTPidlList none;
    PTStrikeCommonPidls(old, none);
    EXPECT_EQ(old.Count(), 1);
}

TEST(ShellListSupport, FallbackWidthsComeFromA22ByteBlockOnly) {
    BYTE block[22] = {0x2C, 0x01, 0x50, 0x00, 0x96, 0x00, 0xC8, 0x00, 0xFF, 0xFF};
    TPTFallbackWidths w;
    EXPECT_TRUE(PTParseDirectoryCols(block, 22, w));
    EXPECT_EQ(w.Widths[0], 300);
    EXPECT_EQ(w.Widths[1], 80);
    EXPECT_EQ(w.Widths[2], 150);
    EXPECT_EQ(w.Widths[3], 200);
    TPTFallbackWidths d;
    EXPECT_FALSE(PTParseDirectoryCols(block, 21, d));
    EXPECT_FALSE(PTParseDirectoryCols(block, 23, d));
    EXPECT_FALSE(PTParseDirectoryCols(nullptr, 22, d));
    EXPECT_EQ(d.Widths[0], 200);
    EXPECT_EQ(d.Widths[3], 120);

    // The user's value in the registry (of the test prefix), read once per run.
    const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    TRegKey k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.Put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(k.Get(), L"DirectoryCols", 0, REG_BINARY, block, 20); // the wrong size
    PTResetFallbackWidths();
    EXPECT_EQ(PTFallbackColumnWidths().Widths[0], 200);
    RegSetValueExW(k.Get(), L"DirectoryCols", 0, REG_BINARY, block, 22);
    EXPECT_EQ(PTFallbackColumnWidths().Widths[0], 200); // already read
    PTResetFallbackWidths();
    EXPECT_EQ(PTFallbackColumnWidths().Widths[1], 80);
    RegDeleteValueW(k.Get(), L"DirectoryCols");
    PTResetFallbackWidths();
}

TEST(ShellListSupport, SizesAreKilobytesRoundedUpFromThe64BitSize) {
    const wchar_t sep = FormatSettings.ThousandSeparator;
    EXPECT_EQ(PTShellSizeText(0), L"0 KB");
    EXPECT_EQ(PTShellSizeText(1), L"1 KB");
    EXPECT_EQ(PTShellSizeText(1024), L"1 KB");
    EXPECT_EQ(PTShellSizeText(1025), L"2 KB");
    EXPECT_EQ(PTShellSizeText(1024 * 1000), std::wstring(L"1") + sep + L"000 KB");
    EXPECT_EQ(PTShellSizeText(5ull << 30), std::wstring(L"5") + sep + L"242" + sep + L"880 KB");

    FILETIME zero{}, when{};
    SYSTEMTIME st{2011, 3, 0, 14, 15, 9, 26, 0};
    SystemTimeToFileTime(&st, &when);
    const std::wstring both = PTShellFileTimeText(when, zero);
    EXPECT_FALSE(both.empty());
    EXPECT_EQ(PTShellFileTimeText(zero, when), both); // creation time when the last write is zero
    EXPECT_EQ(PTShellFileTimeText(zero, zero), L"");
    EXPECT_NE(both.find(L"2011"), std::wstring::npos);
}
