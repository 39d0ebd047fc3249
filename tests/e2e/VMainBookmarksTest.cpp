// The bookmarks page from outside: the default folder made at the first start, the saved
// folder listed, a bookmark opened by a click, and new folders numbered.
#include "VorlaneFixture.h"

#include <shlobj.h>

using namespace vorlane_probe;

namespace {


bool WriteFileBytes(const std::wstring& File, const std::string& Bytes) {
    HANDLE f = CreateFileW(File.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(f, Bytes.data(), static_cast<DWORD>(Bytes.size()), &written, nullptr);
    CloseHandle(f);
    return written == Bytes.size();
}

bool IsFolder(const std::wstring& Path) {
    const DWORD a = GetFileAttributesW(Path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring DocumentsBookmarkFolder() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::wstring(path) + L"\\My Help Viewer Bookmarks";
}

// The child windows of Parent (one level), in z-order.
std::vector<HWND> Children(HWND Parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(Parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        out.push_back(c);
    return out;
}

} // namespace

class VorlaneBookmarks : public VorlaneE2E {
protected:
    void SetUp() override {
        VorlaneE2E::SetUp();
        Folder = standin_test::MakeTempFolder(L"bookmarks");
        standin_test::DeleteFolderTree(DocumentsBookmarkFolder());
    }
    void TearDown() override {
        VorlaneE2E::TearDown();
        standin_test::DeleteFolderTree(Folder);
    }

    // The Bookmarks page made active by a click on its tab; its sheet.
    HWND ShowBookmarksPage(HWND Main) {
        HWND pages = FindDescendant(Main, L"TTntPageControl.UnicodeClass");
        RECT tab{};
        if (!pages || !RemoteRect(pages, TCM_GETITEMRECT, 2, 0, tab) || !PostClickAt(pages, tab))
            return nullptr;
        HWND sheet = FindDescendant(Main, L"TTntTabSheet.UnicodeClass", L"Bookmarks");
        return WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, 10000) ? sheet : nullptr;
    }

    std::wstring Folder;
};

TEST_F(VorlaneBookmarks, TheSavedFolderIsListedABookmarkOpensByAClickNewFoldersAreNumbered) {
    ASSERT_TRUE(WriteFileBytes(Folder + L"\\Topic.url",
                               "[InternetShortcut]\r\nIconIndex=0\r\nURL=ms-xhelp:///?Id=T:System.String&embedded=true\r\n"));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, MainKey, L"FavDir", Folder));
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    EXPECT_TRUE(IsFolder(DocumentsBookmarkFolder())); // made at the start, though not shown

    HWND sheet = ShowBookmarksPage(main);
    ASSERT_TRUE(sheet);
    // The sheet holds the button panel (top) and the list's panel.
    const std::vector<HWND> panels = Children(sheet);
    ASSERT_EQ(panels.size(), 2u);
    RECT r0{}, r1{};
    GetWindowRect(panels[0], &r0);
    GetWindowRect(panels[1], &r1);
    HWND toolPanel = r0.top < r1.top ? panels[0] : panels[1];
    HWND listPanel = toolPanel == panels[0] ? panels[1] : panels[0];
    HWND list = GetWindow(listPanel, GW_CHILD);
    ASSERT_TRUE(list);

    // The saved folder's bookmark; a click opens its address.
    std::vector<std::wstring> items;
    ASSERT_TRUE(WaitUntil([&] { return (items = ListViewItems(list)).size() == 1; }, 10000)) << items.size();
    EXPECT_EQ(items[0].substr(0, 5), L"Topic");
    RECT item{};
    ASSERT_TRUE(RemoteRect(list, LVM_GETITEMRECT, 0, LVIR_LABEL, item));
    ASSERT_TRUE(PostClickAt(list, item));
    EXPECT_TRUE(WaitUntil([&] { return DebugLog().find(L">> GotoUrl: ms-xhelp:///?Id=T:System.String\r") != std::wstring::npos; },
                          10000))
        << DebugLog();

    // Twice "New Folder" from the folder button's menu (the button sits at the panel's right
    // end). The name each new folder offers for editing is left as it is.
    RECT panel{};
    GetClientRect(toolPanel, &panel);
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(PostClick(toolPanel, panel.right - 28, 14));
        HWND menu = WaitForWindow({Viewer.Pid(), L"#32768", L"", nullptr, true}, 10000);
        ASSERT_TRUE(menu) << i;
        ASSERT_TRUE(SendChord(nullptr, L"down"));
        ASSERT_TRUE(SendChord(nullptr, L"enter"));
        const std::wstring made = Folder + (i == 0 ? L"\\New Folder" : L"\\New Folder (2)");
        EXPECT_TRUE(WaitUntil([&] { return IsFolder(made); }, 10000)) << i;
    }
    EXPECT_FALSE(IsFolder(Folder + L"\\New Folder (3)"));

    ASSERT_TRUE(Post(main, WM_CLOSE));
    EXPECT_EQ(Viewer.WaitExit(20000), 0);
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"FavDir").Text(), Folder);
}
