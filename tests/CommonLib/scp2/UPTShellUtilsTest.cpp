#include "ShellTestSupport.h"
#include "TestHarness.h"

#include "UPTShellDetails.h"
#include "UPTShellUtils.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace shelltest;

namespace {
std::string Bytes(PCItemIDList p) { return std::string(reinterpret_cast<const char*>(p), PidlSize(p)); }
} // namespace

TEST(UPTShellUtilsTest, PidlArithmetic) {
    TPTPidl empty(CopyPidl(nullptr));
    EXPECT_EQ(PidlSize(nullptr), 0);
    EXPECT_EQ(PidlSize(empty.Get()), 2);
    EXPECT_TRUE(IsEmptyPidl(empty.Get()));
    EXPECT_TRUE(IsEmptyPidl(nullptr));

    TPTPidl ab = Pidl({"a", "bc"});
    EXPECT_EQ(PidlSize(ab.Get()), 3 + 4 + 2);
    EXPECT_EQ(PidlItemCount(ab.Get()), 2);
    EXPECT_EQ(Bytes(TPTPidl(CopyPidl(ab.Get())).Get()), Bytes(ab.Get()));

    TPTPidl d = Pidl({"def"});
    TPTPidl joined(ConcatPidls(ab.Get(), d.Get()));
    EXPECT_EQ(Bytes(joined.Get()), Bytes(Pidl({"a", "bc", "def"}).Get()));
    EXPECT_EQ(Bytes(TPTPidl(ConcatPidls(ab.Get(), nullptr)).Get()), Bytes(ab.Get()));
    EXPECT_EQ(PidlSize(TPTPidl(ConcatPidls(nullptr, nullptr)).Get()), 2);

    TPTIdListArray items(joined.Get());
    EXPECT_EQ(items.Count(), 3);
    EXPECT_EQ(Bytes(items.Item(1)), Bytes(Pidl({"bc"}).Get()));
    EXPECT_EQ(items.Item(3), nullptr);
    EXPECT_EQ(items.Item(-1), nullptr);
    EXPECT_EQ(Bytes(items.Parent(1)), Bytes(ab.Get()));
    EXPECT_EQ(PidlSize(items.Parent(3)), 2) << "all items off: the desktop";
    EXPECT_EQ(items.Parent(4), nullptr);
    TPTIdListArray none(empty.Get());
    EXPECT_EQ(none.Count(), 0);
    EXPECT_EQ(none.Item(0), nullptr) << "an empty PIDL has no item 0";
    EXPECT_EQ(TPTIdListArray(nullptr).Parent(0), nullptr);

}

TEST(UPTShellUtilsTest, CompareRules) {
    TPTPidl empty(CopyPidl(nullptr)), empty2(CopyPidl(nullptr));
    TPTPidl a = Pidl({"a"});
    EXPECT_EQ(ComparePidls(nullptr, nullptr), 0);
    EXPECT_EQ(ComparePidls(nullptr, empty.Get()), -1);
    EXPECT_EQ(ComparePidls(empty.Get(), nullptr), -1);
    EXPECT_EQ(ComparePidls(empty.Get(), empty2.Get()), 0);
    EXPECT_EQ(ComparePidls(empty.Get(), a.Get()), -1);

    auto desktop = TFakeShellFolder::Create();
    TDesktopStandIn standIn(desktop.Get());
    TPTPidl b = Pidl({"b"});
    desktop->OnCompareIDs = [](PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) { return MAKE_HRESULT(0, 0, 0xFFFF); };
    EXPECT_EQ(ComparePidls(a.Get(), b.Get()), -1) << "low 16 bits, signed";
    desktop->OnCompareIDs = [](PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) { return E_FAIL; };
    EXPECT_EQ(ComparePidls(a.Get(), b.Get()), PTPidlCompareFailed);
}

TEST(UPTShellUtilsTest, SpecialFolderTable) {
    EXPECT_EQ(SpecialFolderCSIDL(0), -1);
    EXPECT_EQ(SpecialFolderCSIDL(1), CSIDL_DESKTOP);
    EXPECT_EQ(SpecialFolderCSIDL(15), 14);
    EXPECT_EQ(SpecialFolderCSIDL(PTSpecialFolderComputer), CSIDL_DRIVES);
    EXPECT_EQ(SpecialFolderCSIDL(41), 43);
    EXPECT_EQ(SpecialFolderCSIDL(55), 62);
    EXPECT_EQ(SpecialFolderCSIDL(56), -1);
    EXPECT_EQ(SpecialFolderCSIDL(-3), -1);

    TPTPidl pidl;
    EXPECT_EQ(SpecialFolderPidl(nullptr, 0, pidl), E_INVALIDARG);
    EXPECT_FALSE(pidl);
    ASSERT_HRESULT_SUCCEEDED(SpecialFolderPidl(nullptr, PTSpecialFolderComputer, pidl));
    EXPECT_EQ(SpecialFolderIndexOf(pidl.Get()), PTSpecialFolderComputer);
    EXPECT_EQ(SpecialFolderPath(nullptr, PTSpecialFolderComputer), L"") << "virtual";
    EXPECT_FALSE(SpecialFolderPath(nullptr, 6).empty()) << "CSIDL_PERSONAL has a path";
}

TEST(UPTShellUtilsTest, PathsNamesAndFolders) {
    testing_support::TempDir dir;
    const std::wstring sub = dir.File(L"\u0416\u0443\u0440\u043D\u0430\u043B \u00E9t\u00E9");
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    testing_support::WriteBytes(sub + L"\\a.url", "[InternetShortcut]\r\nURL=http://x/\r\n");

    TPTPidl pidl;
    ASSERT_HRESULT_SUCCEEDED(PathToPidl(sub + L"\\a.url", pidl));
    EXPECT_EQ(PidlToPath(pidl.Get()), sub + L"\\a.url");
    EXPECT_FALSE(PidlToPath(nullptr).empty()) << "the desktop folder has a path";
    EXPECT_HRESULT_FAILED(PathToPidl(dir.File(L"missing\\nothing.txt"), pidl));
    EXPECT_FALSE(pidl);
    EXPECT_HRESULT_FAILED(PathToPidl(L"C:\\no such folder\\<>|", pidl));
    EXPECT_FALSE(pidl);

    ASSERT_HRESULT_SUCCEEDED(PathToPidl(sub, pidl));
    EXPECT_EQ(GetAbsDisplayName(pidl.Get()), L"\u0416\u0443\u0440\u043D\u0430\u043B \u00E9t\u00E9");
    EXPECT_FALSE(GetAbsDisplayName(nullptr).empty()) << "the desktop's own name";

    TComPtr<IShellFolder> parent;
    TPTPidl parentPidl, child;
    ASSERT_HRESULT_SUCCEEDED(SplitPidl(pidl.Get(), parent, parentPidl, child));
    EXPECT_EQ(PidlItemCount(child.Get()), 1);
    EXPECT_EQ(PidlToPath(parentPidl.Get()), dir.Path());
    EXPECT_EQ(GetDisplayName(parent.Get(), child.Get(), dnmForParsing), sub);
    TPTPidl rejoined(ConcatPidls(parentPidl.Get(), child.Get()));
    EXPECT_EQ(ComparePidls(rejoined.Get(), pidl.Get()), 0);
    TPTPidl file;
    ASSERT_HRESULT_SUCCEEDED(PathToPidl(sub + L"\\a.url", file));
    EXPECT_NE(ComparePidls(file.Get(), pidl.Get()), 0);

    TComPtr<IShellFolder> folder;
    ASSERT_HRESULT_SUCCEEDED(GetShellFolder(pidl.Get(), folder));
    ASSERT_HRESULT_SUCCEEDED(SplitPidl(nullptr, parent, parentPidl, child));
    EXPECT_FALSE(parentPidl);
    EXPECT_EQ(PidlSize(child.Get()), 2);

    // The icon calls and the overlay fallback run quietly whatever the system offers.
    EXPECT_NE(GetSystemImageList(0), nullptr);
    EXPECT_NE(GetSystemImageList(1), nullptr);
    EXPECT_GE(GetIconIndex(file.Get(), SHGFI_SMALLICON), 0);
    const int overlay = GetOverlayIndex(folder.Get(), TPTIdListArray(file.Get()).Item(1));
    EXPECT_GE(overlay, 0);
    TComPtr<IContextMenu> menu;
    EXPECT_HRESULT_SUCCEEDED(GetUIObjectOfPidl(file.Get(), IID_IContextMenu, menu.PutVoid()));
}

TEST(UPTShellUtilsTest, ErrorsAndQuietFallbacks) {
    try {
        RaiseShellError(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
        FAIL() << "no exception";
    } catch (const EOSError& e) {
        EXPECT_FALSE(e.Message().empty());
        EXPECT_EQ(e.ErrorCode, static_cast<DWORD>(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)));
    }
    EXPECT_FALSE(NetApiAvailable() && IsNetDriveConnected('Q')) << "no such connection";
    RevalidateDrives();
}

TEST(UPTShellUtilsTest, OverlaysAndDetailsFromAFakeFolder) {
    auto folder = TFakeShellFolder::Create();
    TPTPidl item = Pidl({"x"});
    EXPECT_EQ(GetOverlayIndex(folder.Get(), item.Get()), 0) << "attributes unknown";
    folder->OnGetAttributesOf = [](PCUITEMID_CHILD, ULONG* a) {
        *a &= SFGAO_LINK;
        return S_OK;
    };
    EXPECT_EQ(GetOverlayIndex(folder.Get(), item.Get()), 2);
    folder->OnGetAttributesOf = [](PCUITEMID_CHILD, ULONG* a) {
        *a &= SFGAO_LINK | SFGAO_SHARE;
        return S_OK;
    };
    EXPECT_EQ(GetOverlayIndex(folder.Get(), item.Get()), 1);

    // A folder with only IShellFolder2 gets the adapter; the adapter asks the column state first.
    TComPtr<IShellDetails> details;
    ASSERT_HRESULT_SUCCEEDED(GetShellDetails(folder.Get(), details));
    folder->OnGetDefaultColumnState = [](UINT column, SHCOLSTATEF* state) {
        *state = SHCOLSTATE_TYPE_STR;
        return column < 2 ? S_OK : E_INVALIDARG;
    };
    UINT asked = 99;
    folder->OnGetDetailsOf = [&](PCUITEMID_CHILD, UINT column, SHELLDETAILS* d) {
        asked = column;
        d->str.uType = STRRET_CSTR;
        strcpy(d->str.cStr, "detail");
        return S_OK;
    };
    SHELLDETAILS d{};
    EXPECT_HRESULT_SUCCEEDED(details->GetDetailsOf(item.Get(), 1, &d));
    EXPECT_EQ(asked, 1u);
    EXPECT_EQ(StrRetToWide(d.str, item.Get()), L"detail");
    EXPECT_EQ(details->GetDetailsOf(item.Get(), 5, &d), E_INVALIDARG);
    details.Reset();
    EXPECT_EQ(folder->RefCount(), 1u) << "the adapter let go of the folder";

    folder->OfferFolder2 = false;
    EXPECT_EQ(GetShellDetails(folder.Get(), details), E_NOTIMPL) << "the view object is asked last";
}

TEST(UPTShellUtilsTest, KeyTexts) {
    using namespace UPTShellUtils;
    EXPECT_EQ(ShortCutToText(0x2000 | VK_F13), L"Shift+F13");
    EXPECT_EQ(ShortCutToText(0x4000 | 'A'), L"Ctrl+A");
    EXPECT_EQ(ShortCutToText(0xE000 | VK_DELETE), L"Shift+Ctrl+Alt+Del");
    EXPECT_EQ(ShortCutToText(VK_NUMPAD7), L"7");
    EXPECT_EQ(ShortCutToText(0xBA), L"#186");
    EXPECT_EQ(ShortCutToText(0x4000), L"");
    EXPECT_EQ(TextToShortCut(L"ctrl+a"), TextToShortCut(L"^A"));
    EXPECT_EQ(TextToShortCut(L"Ctrl+A"), 0x4000 | 'A');
    EXPECT_EQ(TextToShortCut(L"Alt+Shift+F5"), 0xA000 | VK_F5);
    EXPECT_EQ(TextToShortCut(L"Ctrl+"), 0);
    EXPECT_EQ(TextToShortCut(L"Ctrl+Nothing"), 0);
    for (WORD key : {WORD(VK_BACK), WORD(VK_RETURN), WORD('Z'), WORD(VK_F1), WORD(0x4000 | VK_END)})
        EXPECT_EQ(TextToShortCut(ShortCutToText(key)), key);
}
