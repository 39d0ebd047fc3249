// The bookmarks page from outside: the default folder made at the first start, the saved
// folder listed, a bookmark opened by a click, new folders numbered, and a bookmark saved
// over another while the program is killed.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

#include <shlobj.h>

#include <algorithm>
#include <fstream>
#include <sstream>

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

std::string FileBytes(const std::wstring& File) {
    std::ifstream in(File.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The names in Folder that match Mask.
std::vector<std::wstring> FileNames(const std::wstring& Folder, const std::wstring& Mask = L"*") {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((Folder + L"\\" + Mask).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(fd.cFileName);
    while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
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

    // The bookmark list of the page (the only child of the sheet's lower panel).
    HWND BookmarkList(HWND Sheet) {
        for (HWND panel : Children(Sheet))
            if (HWND child = GetWindow(panel, GW_CHILD); child && ClassName(child).find(L"List") != std::wstring::npos)
                return child;
        return nullptr;
    }

    std::wstring Folder;
};

TEST_F(VorlaneBookmarks, TheSavedFolderIsListedABookmarkOpensByAClickNewFoldersAreNumbered) {
    ASSERT_TRUE(WriteFileBytes(Folder + L"\\Topic.url",
                               "[InternetShortcut]\r\nIconIndex=0\r\nURL=ms-xhelp:///?Id=T:System.String&embedded=true\r\n"));
    ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, MainKey, L"FavDir", Folder));
    // The contents come slowly: the page is chosen while they load, and the load's own
    // synchronisations of the tree (the last one for the .NET Framework 3.5 entry) leave it
    // shown.
    const int port = standin_test::FreePort();
    SetAgentPort(port);
    ASSERT_TRUE(Agent.Start(Inst, port, {{L"STANDIN_AGENT_FAULTS", L"children#1=stall:3000"}}, true) &&
                Agent.WaitForPort());
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    EXPECT_TRUE(IsFolder(DocumentsBookmarkFolder())); // made at the start, though not shown

    HWND sheet = ShowBookmarksPage(main);
    ASSERT_TRUE(sheet);
    const auto asked = [&](const char* What) {
        const std::vector<std::string> log = Agent.RequestLog();
        return std::any_of(log.begin(), log.end(), [&](const std::string& r) { return r.find(What) != std::string::npos; });
    };
    ASSERT_TRUE(WaitUntil([&] { return asked("method=ancestors&id=F61F02F2"); }, WindowTimeoutMs));
    EXPECT_TRUE(IsWindowVisible(sheet));
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
    // A right click on the list's empty space: the list's own menu (its one item); the
    // Applications key: the menu of the focused bookmark (the shell's).
    const auto menuRows = [&](HWND Menu) {
        RECT r{};
        GetWindowRect(Menu, &r);
        return (r.bottom - r.top) / GetSystemMetrics(SM_CYMENU);
    };
    RECT client{};
    GetClientRect(list, &client);
    ASSERT_TRUE(MouseClick(list, client.right - 8, client.bottom - 8, L"right"));
    HWND menu = WaitPopupMenu(Viewer.Pid());
    ASSERT_TRUE(menu);
    EXPECT_EQ(menuRows(menu), 1);
    ASSERT_TRUE(SendChord(nullptr, L"esc"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5000));
    ASSERT_TRUE(MouseClickAt(list, item));
    ASSERT_TRUE(SendChord(main, L"apps"));
    menu = WaitPopupMenu(Viewer.Pid());
    ASSERT_TRUE(menu);
    EXPECT_GT(menuRows(menu), 1);
    ASSERT_TRUE(SendChord(nullptr, L"esc"));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(menu); }, 5000));

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

TEST_F(VorlaneBookmarks, AKillWhileABookmarkIsSavedOverAnotherLeavesTheOldOrTheNewFileAndListsNoTemporaryFile) {
    // The old bookmark, written by another program with many more keys: a cut would show.
    const std::wstring file = Folder + L"\\Topic.url";
    std::string old = "[InternetShortcut]\r\nURL=ms-xhelp:///?Id=old\r\n";
    for (int i = 0; old.size() < 200000; ++i)
        old += "Note" + std::to_string(i) + "=" + std::string(100, 'o') + "\r\n";
    // The new one is large too, so that its writing takes a while.
    const std::wstring address = L"ms-xhelp:///?Id=new&x=" + std::wstring(100000, L'n');
    const std::wstring text = L"[InternetShortcut]\r\nURL=" + address + L"\r\n";
    std::string fresh("\xFF\xFE", 2);
    fresh.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    // A file of the user's own whose name looks temporary stays where it is.
    ASSERT_TRUE(WriteFileBytes(Folder + L"\\Notes.url.tmp", "mine"));
    const std::vector<std::wstring> files = {L"Notes.url.tmp", L"Topic.url"};

    // Starts the viewer on the folder: the page lists the bookmark and the user's file and
    // nothing an interrupted save left, and no such file is left in the folder either.
    const auto startAndLook = [&]() -> HWND {
        EXPECT_TRUE(RegWriteString(HKEY_CURRENT_USER, MainKey, L"FavDir", Folder));
        HWND main = StartViewer() ? WaitMainWindow() : nullptr;
        HWND sheet = main && WaitContentsLoaded(main) ? ShowBookmarksPage(main) : nullptr;
        HWND list = sheet ? BookmarkList(sheet) : nullptr;
        EXPECT_TRUE(list);
        std::vector<std::wstring> items;
        EXPECT_TRUE(WaitUntil([&] {
            items = ListViewItems(list);
            std::sort(items.begin(), items.end());
            return items.size() == 2 && items[0].rfind(L"Notes", 0) == 0 && items[1].rfind(L"Topic", 0) == 0;
        }, 10000)) << items.size();
        EXPECT_EQ(FileNames(Folder), files);
        return list ? main : nullptr;
    };

    // The kill comes at the first sign of the save on disk (a new file in the folder or the
    // bookmark changed), or a fixed time after Yes.
    constexpr int OnSight = -1;
    int keptOld = 0, leftTemp = 0, wroteNew = 0;
    for (int killAfter : {OnSight, OnSight, OnSight, 0, 5, 15, 40}) {
        SCOPED_TRACE(killAfter);
        ASSERT_TRUE(WriteFileBytes(file, old));
        HWND main = startAndLook();
        ASSERT_TRUE(main);

        // The address in a new tab, bookmarked as "Topic" with Ctrl+B.
        HWND box = NewTabAddressBox(main);
        ASSERT_TRUE(box);
        ASSERT_TRUE(SetText(box, address));
        ASSERT_TRUE(SendChord(main, L"ctrl+b"));
        HWND dialog = WaitForWindow({Viewer.Pid(), L"TSaveFavForm.UnicodeClass", L"", nullptr, true}, 10000);
        ASSERT_TRUE(dialog);
        const std::vector<HWND> edits = BookmarkDialogEdits(dialog);
        ASSERT_EQ(edits.size(), 3u);
        ASSERT_EQ(WindowText(edits[1]).size(), address.size());
        ASSERT_TRUE(SetText(edits[0], L"Topic"));
        ASSERT_TRUE(Notify(FindDescendant(dialog, L"TTntButton.UnicodeClass", L"OK"), BN_CLICKED));
        // "Bookmark already exists. Overwrite?": Yes saves.
        HWND yes = nullptr;
        ASSERT_TRUE(WaitUntil([&] {
            for (const wchar_t* cls : {L"TWMsgBoxForm", L"TTntMessageForm.UnicodeClass"})
                if (HWND ask = FindTopWindow({Viewer.Pid(), cls, L"", nullptr, true}))
                    for (const wchar_t* caption : {L"Yes", L"&Yes"})
                        if ((yes = FindDescendant(ask, L"TTntButton.UnicodeClass", caption)) != nullptr)
                            return true;
            return false;
        }, 10000));
        ASSERT_TRUE(Notify(yes, BN_CLICKED));
        if (killAfter == OnSight) {
            WIN32_FILE_ATTRIBUTE_DATA before{}, now{};
            GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &before);
            ASSERT_TRUE(WaitUntil([&] {
                return FileNames(Folder).size() != files.size() ||
                       !GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &now) ||
                       now.nFileSizeLow != before.nFileSizeLow ||
                       CompareFileTime(&now.ftLastWriteTime, &before.ftLastWriteTime) != 0;
            }, 10000, 0));
        } else if (killAfter > 0) {
            Sleep(killAfter);
        }
        const DWORD pid = Viewer.Pid();
        Viewer.Kill();

        const std::string now = FileBytes(file);
        EXPECT_TRUE(now == old || now == fresh) << now.size() << " bytes: " << now.substr(0, 60);
        keptOld += now == old;
        wroteNew += now == fresh;
        leftTemp += FileNames(Folder).size() > files.size();
        // What a kill between the writing of the new file and its move leaves behind: the
        // next start must neither list nor keep it.
        wchar_t temp[64];
        swprintf(temp, 64, L".~%lx_0.tmp", static_cast<unsigned long>(pid));
        ASSERT_TRUE(WriteFileBytes(file + temp, fresh.substr(0, fresh.size() / 2)));
        if (HasFailure())
            return;
    }
    startAndLook();
    printf("kills during the save: %d left the old bookmark (%d a half-made new one beside it), %d the new one\n",
           keptOld, leftTemp, wroteNew);
}
