#include "ShellTestSupport.h"
#include "TestHarness.h"

#include "UPTPidlList.h"
#include "UPTShListData.h"
#include "UPTShellLocator.h"

#include <gtest/gtest.h>

using namespace shelltest;

namespace {

struct TLocatorFixture : ::testing::Test {
    TPTShellLocator Locator;
    int Changes = 0;
    TLocatorFixture() {
        Locator.OnChange = [this](TObject* sender) {
            EXPECT_EQ(sender, &Locator);
            ++Changes;
        };
    }
    std::string Stream(TPTShellLocator& l) {
        TMemoryStream s;
        l.WriteData(&s);
        return std::string(s.Data().begin(), s.Data().end());
    }
    void Read(const std::string& bytes) {
        TMemoryStream s;
        s.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
        s.SetPosition(0);
        Locator.ReadData(&s);
    }
};

} // namespace

TEST_F(TLocatorFixture, PathsAndChangeEvents) {
    testing_support::TempDir dir;
    const std::wstring folder = dir.File(L"Lesezeichen \u0416");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));

    EXPECT_HRESULT_SUCCEEDED(Locator.SetPath(folder + L"\\"));
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Locator.GetPath(), folder);
    TPTPidl same(CopyPidl(Locator.GetPidl()));
    Locator.SetPidl(same.Get());
    Locator.SetPidl(Locator.GetPidl()); // its own PIDL
    EXPECT_EQ(Changes, 1) << "the same place again is no change";

    // '' and a path that does not parse both name the desktop.
    Locator.SetPath(L"");
    EXPECT_EQ(Changes, 2);
    EXPECT_EQ(Locator.GetPidl(), nullptr);
    EXPECT_EQ(Locator.GetPath(), PidlToPath(nullptr));
    Locator.SetPath(folder);
    EXPECT_HRESULT_FAILED(Locator.SetPath(dir.File(L"no\\such\\folder")));
    EXPECT_EQ(Changes, 4);
    EXPECT_EQ(Locator.GetPidl(), nullptr);
    TPTPidl empty(CopyPidl(nullptr));
    Locator.SetPidl(empty.Get());
    Locator.Clear();
    EXPECT_EQ(Changes, 4) << "nil and empty are the desktop already";

    // Assign and IsSame.
    TPTShellLocator other;
    other.SetPath(folder);
    EXPECT_FALSE(Locator.IsSame(&other));
    Locator.Assign(&other);
    EXPECT_EQ(Changes, 5);
    EXPECT_TRUE(Locator.IsSame(&other));
    EXPECT_NE(Locator.GetPidl(), other.GetPidl()) << "a copy";
    Locator.Assign(&other);
    EXPECT_EQ(Changes, 5);
    Locator.Assign(nullptr);
    EXPECT_EQ(Changes, 6);
    EXPECT_EQ(Locator.GetPidl(), nullptr);
}

TEST_F(TLocatorFixture, AFailedCompareCountsAsAChange) {
    auto desktop = TFakeShellFolder::Create();
    TDesktopStandIn standIn(desktop.Get());
    desktop->OnCompareIDs = [](PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) { return MAKE_HRESULT(0, 0, 0); };
    TPTPidl a = Pidl({"a"}), b = Pidl({"b"});
    Locator.SetPidl(a.Get());
    Locator.SetPidl(b.Get());
    EXPECT_EQ(Changes, 1) << "the desktop calls them equal";
    desktop->OnCompareIDs = [](PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE) { return E_FAIL; };
    Locator.SetPidl(a.Get());
    EXPECT_EQ(Changes, 2);
    TPTShellLocator other;
    other.SetPidl(a.Get());
    EXPECT_FALSE(Locator.IsSame(&other)) << "cannot tell: not the same";
}

TEST_F(TLocatorFixture, RawBytesRoundTrip) {
    TPTPidl ab = Pidl({"a", "bc"});
    Locator.SetPidl(ab.Get());
    const std::string bytes = Stream(Locator);
    EXPECT_EQ(bytes, std::string("\0\x09\0\0\0\x03\0a\x04\0bc\0\0", 14));
    Locator.Clear();
    Read(bytes);
    EXPECT_EQ(ComparePidlBytes(Locator.GetPidl(), ab.Get()), 0);
    EXPECT_TRUE(Locator.HasData());

    // The desktop: size 0 and no bytes; reading it fires the change event.
    Locator.Clear();
    EXPECT_FALSE(Locator.HasData());
    EXPECT_EQ(Stream(Locator), std::string(5, '\0'));
    Locator.SetPidl(ab.Get());
    Changes = 0;
    Read(std::string(5, '\0'));
    EXPECT_EQ(Changes, 1);
    EXPECT_EQ(Locator.GetPidl(), nullptr);

    // A special folder: kind 1 and its index, resolved on the first GetPidl.
    Read(std::string("\x01\x11", 2));
    EXPECT_EQ(Changes, 2);
    EXPECT_EQ(Locator.Kind(), TPTShellLocator::lkSpecialFolder);
    EXPECT_EQ(Locator.SpecialFolder(), PTSpecialFolderComputer);
    EXPECT_EQ(Stream(Locator), std::string("\x01\x11", 2));
    ASSERT_NE(Locator.GetPidl(), nullptr);
    EXPECT_EQ(SpecialFolderIndexOf(Locator.GetPidl()), PTSpecialFolderComputer);
    EXPECT_EQ(Locator.GetPath(), L"");
    TPTShellLocator special;
    special.Assign(&Locator);
    EXPECT_TRUE(special.IsSame(&Locator));
    EXPECT_EQ(special.Kind(), TPTShellLocator::lkSpecialFolder);
    // Leaving the special folder is a change even for the PIDL it resolved to.
    TPTPidl resolved(CopyPidl(Locator.GetPidl()));
    Locator.SetPidl(resolved.Get());
    EXPECT_EQ(Changes, 3);
    EXPECT_EQ(Locator.Kind(), TPTShellLocator::lkPidl);
}

TEST_F(TLocatorFixture, BadBytesLeaveTheLocatorAsItWas) {
    TPTPidl ab = Pidl({"a", "bc"});
    Locator.SetPidl(ab.Get());
    Changes = 0;
    const std::string bad[] = {
        std::string("\0\x20\0\0\0\x03\0a\0\0", 10),             // size past the end
        std::string("\0\xFF\xFF\xFF\xFF", 5),                  // 4 GB
        std::string("\0\x04\0\0\0\x03\0ab", 9),                // no terminator
        std::string("\0\x05\0\0\0\x09\0a\0\0", 10),            // an item longer than the data
        std::string("\0\x01\0\0\0\0", 6),                      // one byte
        std::string("\0\x02\0", 3),                            // size cut short
        std::string("\x01", 1),                                // index missing
        std::string("\x07\x11", 2),                            // unknown kind
        std::string(),
    };
    for (const std::string& bytes : bad) {
        EXPECT_THROW(Read(bytes), EReadError) << testing::PrintToString(bytes);
        EXPECT_EQ(ComparePidlBytes(Locator.GetPidl(), ab.Get()), 0);
        EXPECT_EQ(Locator.Kind(), TPTShellLocator::lkPidl);
    }
    EXPECT_EQ(Changes, 0);
}

namespace {
struct TListOwner : TPTShListDataOwner {
    TComPtr<IShellFolder> Folder;
    TPTPidl FolderPidl;
    bool FilesCanBeFolders = true;
    IShellFolder* ShellListFolder() override { return Folder.Get(); }
    PCItemIDList ShellListFolderPidl() override { return FolderPidl.Get(); }
    bool ShellListFilesCanBeFolders() override { return FilesCanBeFolders; }
};
} // namespace

TEST(UPTShListDataTest, ItemsOfAFolder) {
    testing_support::TempDir dir;
    testing_support::WriteBytes(dir.File(L"a.url"), "[InternetShortcut]\r\nURL=http://x/\r\n");
    testing_support::WriteBytes(dir.File(L"Link \u00E9.LNK"), "not really");
    CreateDirectoryW(dir.File(L"sub").c_str(), nullptr);
    TListOwner owner;
    ASSERT_HRESULT_SUCCEEDED(PathToPidl(dir.Path(), owner.FolderPidl));
    ASSERT_HRESULT_SUCCEEDED(GetShellFolder(owner.FolderPidl.Get(), owner.Folder));

    auto item = [&](const std::wstring& name) {
        TPTPidl abs;
        EXPECT_HRESULT_SUCCEEDED(PathToPidl(dir.File(name), abs));
        return std::make_unique<TPTShListData>(&owner, CopyPidl(TPTIdListArray(abs.Get()).Item(PidlItemCount(abs.Get()) - 1)));
    };
    auto url = item(L"a.url");
    EXPECT_EQ(url->GetFileName(), L"a.url");
    EXPECT_TRUE(url->IsFileSystem());
    EXPECT_FALSE(url->IsFolder());
    EXPECT_FALSE(url->IsShortcut());
    EXPECT_TRUE(item(L"Link \u00E9.LNK")->IsShortcut());
    auto sub = item(L"sub");
    EXPECT_TRUE(sub->IsFolder());
    EXPECT_TRUE(sub->CanRename());

    // A new PIDL forgets the old item's caches.
    const std::wstring oldName = sub->GetDisplayName();
    sub->SetRelPidl(CopyPidl(url->RelPidl()));
    EXPECT_NE(sub->GetDisplayName(), oldName);

    // A virtual item has no path and no file name.
    TListOwner desktopOwner;
    ASSERT_HRESULT_SUCCEEDED(GetShellFolder(nullptr, desktopOwner.Folder));
    TPTPidl computer;
    ASSERT_HRESULT_SUCCEEDED(SpecialFolderPidl(nullptr, PTSpecialFolderComputer, computer));
    TPTShListData virtualItem(&desktopOwner, CopyPidl(computer.Get()));
    EXPECT_EQ(virtualItem.GetPath(), L"");
    EXPECT_EQ(virtualItem.GetFileName(), L"");
    EXPECT_FALSE(virtualItem.IsFileSystem());
}
