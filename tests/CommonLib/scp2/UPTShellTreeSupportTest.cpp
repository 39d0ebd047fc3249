#include "ShellTestSupport.h"
#include "TestHarness.h"

#include "UPTShellTreeSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

using namespace shelltest;

namespace {
std::string Bytes(PCItemIDList p) { return std::string(reinterpret_cast<const char*>(p), PidlSize(p)); }
} // namespace

TEST(UPTShellTreeSupportTest, ItemRulesForNodes) {
    const TPTShellTreeOptions plain = PTShellTreeDefaultOptions & ~ptstoNonFilesystemAncestors;
    const TPTShellTreeOptions files = PTShellTreeDefaultOptions | ptstoShowFiles;
    // Virtual items stay only with non-file-system ancestors allowed.
    EXPECT_TRUE(PTShellTreeKeepsItem(plain, SFGAO_FILESYSANCESTOR | SFGAO_FOLDER));
    EXPECT_FALSE(PTShellTreeKeepsItem(plain, SFGAO_FOLDER | SFGAO_HASSUBFOLDER));
    EXPECT_TRUE(PTShellTreeKeepsItem(PTShellTreeDefaultOptions, SFGAO_FOLDER));
    // Expand buttons: without files a folder needs subfolders; with files any folder (or
    // anything with subfolders) may hold something.
    EXPECT_TRUE(PTShellTreeShowsButton(plain, SFGAO_FOLDER | SFGAO_HASSUBFOLDER));
    EXPECT_FALSE(PTShellTreeShowsButton(plain, SFGAO_FOLDER));
    EXPECT_FALSE(PTShellTreeShowsButton(plain, SFGAO_HASSUBFOLDER));
    EXPECT_TRUE(PTShellTreeShowsButton(files, SFGAO_FOLDER));
    EXPECT_TRUE(PTShellTreeShowsButton(files, SFGAO_HASSUBFOLDER));
    EXPECT_FALSE(PTShellTreeShowsButton(files, SFGAO_FILESYSTEM));
    // Overlays without the shell's: share before link.
    const TPTShellTreeOptions noOverlays = PTShellTreeDefaultOptions & ~ptstoIconOverlays;
    EXPECT_EQ(PTShellTreeOverlay(noOverlays, SFGAO_SHARE | SFGAO_LINK, nullptr, nullptr), 1);
    EXPECT_EQ(PTShellTreeOverlay(noOverlays, SFGAO_LINK, nullptr, nullptr), 2);
}

TEST(UPTShellTreeSupportTest, StepsFromTheRootDownToATarget) {
    auto desktop = TFakeShellFolder::Create();
    desktop->OnCompareIDs = ByteOrder;
    TDesktopStandIn standIn(desktop.Get());
    std::vector<TPTPidl> steps;
    TPTPidl root = Pidl({"a", "b"}), deep = Pidl({"a", "b", "c", "d"});
    ASSERT_TRUE(PTPidlSteps(root.Get(), deep.Get(), steps));
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(Bytes(steps[0].Get()), Bytes(Pidl({"c"}).Get()));
    EXPECT_EQ(Bytes(steps[1].Get()), Bytes(Pidl({"d"}).Get()));
    // The root itself: no steps.
    EXPECT_TRUE(PTPidlSteps(root.Get(), root.Get(), steps));
    EXPECT_TRUE(steps.empty());
    // The desktop holds everything.
    EXPECT_TRUE(PTPidlSteps(nullptr, deep.Get(), steps));
    EXPECT_EQ(steps.size(), 4u);
    TPTPidl empty(CopyPidl(nullptr));
    EXPECT_TRUE(PTPidlSteps(empty.Get(), nullptr, steps));
    EXPECT_TRUE(steps.empty());
    // Outside the root: a sibling, an ancestor, the desktop.
    EXPECT_FALSE(PTPidlSteps(root.Get(), Pidl({"a", "x", "c"}).Get(), steps));
    EXPECT_TRUE(steps.empty());
    EXPECT_FALSE(PTPidlSteps(root.Get(), Pidl({"a"}).Get(), steps));
    EXPECT_FALSE(PTPidlSteps(root.Get(), nullptr, steps));
}

TEST(UPTShellTreeSupportTest, WatchedDrivesAreFixedRamAndConnectedNetworkDrives) {
    const std::map<wchar_t, UINT> types = {
        {L'A', DRIVE_REMOVABLE}, {L'C', DRIVE_FIXED},  {L'D', DRIVE_CDROM}, {L'E', DRIVE_REMOTE},
        {L'F', DRIVE_REMOTE},    {L'R', DRIVE_RAMDISK}, {L'Z', DRIVE_FIXED},
    };
    TPTDriveSource drives;
    DWORD present = 0;
    for (auto& t : types)
        present |= 1u << (t.first - L'A');
    present &= ~(1u << (L'Z' - L'A')); // Z: not present this time
    drives.LogicalDrives = [&] { return present; };
    drives.DriveType = [&](wchar_t l) { return types.at(l); };
    drives.NetConnected = [](wchar_t l) { return l == L'E'; };
    auto bit = [](wchar_t l) { return 1u << (l - L'A'); };
    EXPECT_EQ(PTWatchableDrives(drives), bit(L'C') | bit(L'E') | bit(L'R'));
}

TEST(UPTShellTreeSupportTest, HoverOpensOnceAfterStayingStill) {
    TPTDragHover hover(400, 4, 4);
    int node = 0, other = 0;
    EXPECT_FALSE(hover.Update(1000, POINT{10, 10}, &node));
    EXPECT_FALSE(hover.Update(1300, POINT{11, 9}, &node));   // small moves stay inside
    EXPECT_FALSE(hover.Update(1400, POINT{12, 12}, &node));  // exactly the hover time: not longer
    EXPECT_TRUE(hover.Update(1401, POINT{12, 12}, &node));
    EXPECT_FALSE(hover.Update(2000, POINT{12, 12}, &node));  // once per settling
    EXPECT_FALSE(hover.Update(2100, POINT{20, 12}, &node));  // moved out: starts again
    EXPECT_FALSE(hover.Update(2400, POINT{20, 12}, &node));
    EXPECT_TRUE(hover.Update(2600, POINT{20, 12}, &node));
    EXPECT_FALSE(hover.Update(2700, POINT{20, 12}, &other)); // another node starts again
    EXPECT_FALSE(hover.Update(3200, POINT{20, 12}, nullptr));
    EXPECT_FALSE(hover.Update(4000, POINT{20, 12}, nullptr)); // no node never opens
}

TEST(UPTShellTreeSupportTest, ARenamedRootKeepsItsParentFolder) {
    testing_support::TempDir dir;
    CreateDirectoryW(dir.File(L"r").c_str(), nullptr);
    CreateDirectoryW(dir.File(L"n").c_str(), nullptr);
    TPTPidl r, n;
    ASSERT_HRESULT_SUCCEEDED(PathToPidl(dir.File(L"r"), r));
    ASSERT_HRESULT_SUCCEEDED(PathToPidl(dir.File(L"n"), n));
    std::unique_ptr<TPTShTreeData> root(TPTShTreeData::MakeRoot(r.Get()));
    EXPECT_EQ(PidlToPath(root->ParentAbsPidl()), dir.Path());
    ASSERT_NE(root->Folder(), nullptr);
    TPTIdListArray items(n.Get());
    root->SetRelPidl(CopyPidl(items.Item(items.Count() - 1)));
    EXPECT_EQ(PidlToPath(root->AbsPidl()), dir.File(L"n"));
}
