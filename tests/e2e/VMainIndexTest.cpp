// The keyword index and the view settings from outside: typing over the partial index, the
// full index loaded from the menu, type-ahead over it, a keyword with several topics opened
// and closed, the cached index at the next start (no keyword request), and the window's
// zoom, side, "Always On Top" and colours carried over a restart.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

#include <shlobj.h>

#include <algorithm>
#include <map>

using namespace vorlane_probe;

namespace {

std::wstring IndexCachePath() {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return std::wstring(path) + L"\\Quorvex\\Vorlane\\IndexCache.txt";
}

bool FileExists(const std::wstring& Path) { return GetFileAttributesW(Path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int SelectedRow(HWND List) {
    LRESULT row = -1;
    return Send(List, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, &row) ? static_cast<int>(row) : -1;
}

std::wstring SelectedText(HWND List) {
    const int row = SelectedRow(List);
    return row < 0 ? L"<none>" : ListViewItemText(List, row);
}

} // namespace

class VorlaneIndex : public VorlaneE2E {
protected:
    void SetUp() override {
        VorlaneE2E::SetUp();
        DeleteFileW(IndexCachePath().c_str());
    }
    void TearDown() override {
        VorlaneE2E::TearDown();
        DeleteFileW(IndexCachePath().c_str());
    }

    // The viewer with its contents loaded and the Index page shown by a click on its tab.
    bool StartWithIndexPage() {
        if (!StartViewer() || !(Main = WaitMainWindow()) || !WaitContentsLoaded(Main))
            return false;
        HWND pages = FindDescendant(Main, L"TTntPageControl.UnicodeClass");
        HWND sheet = FindDescendant(Main, L"TTntTabSheet.UnicodeClass", L"Index");
        List = FindDescendant(Main, L"TTntListView.UnicodeClass");
        Edit = sheet ? FindDescendant(sheet, L"TTntEdit.UnicodeClass") : nullptr;
        if (!pages || !List || !Edit)
            return false;
        // A click while one of the load's later requests waits is refused, as every input to
        // the window is then: the user clicks the tab again.
        return WaitUntil([&] {
            RECT tab{};
            if (!RemoteRect(pages, TCM_GETITEMRECT, 1, 0, tab) || !PostClickAt(pages, tab))
                return false;
            return WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, 1000);
        }, 15000);
    }

    // Types Text into the index edit in place of what it holds, as the user would (the
    // focus is put there through the viewer's input state).
    bool TypeIntoEdit(const std::wstring& Text) {
        if (!Activate(Main))
            return false;
        const DWORD thread = GetWindowThreadProcessId(Main, nullptr);
        if (!AttachThreadInput(GetCurrentThreadId(), thread, TRUE))
            return false;
        SetFocus(Edit);
        AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
        return Send(Edit, EM_SETSEL, 0, -1) && TypeText(nullptr, Text) &&
               WaitUntil([&] { return WindowText(Edit) == Text; }, 10000);
    }

    std::vector<std::string> KeywordRequests(size_t Mark) const {
        std::vector<std::string> out;
        const std::vector<std::string> log = Agent.RequestLog();
        for (size_t i = Mark; i < log.size(); ++i)
            if (log[i].find("method=keywords") != std::string::npos)
                out.push_back(log[i]);
        return out;
    }
    size_t Mark() const { return Agent.RequestLog().size(); }

    HWND Main = nullptr, List = nullptr, Edit = nullptr;
};

TEST_F(VorlaneIndex, TypingTheFullIndexTopicsAndTheCacheAtTheNextStart) {
    ASSERT_TRUE(StartAgent());
    ASSERT_TRUE(StartWithIndexPage());

    // The partial index as the user types: a request for the text, the best match selected.
    size_t mark = Mark();
    ASSERT_TRUE(TypeIntoEdit(L"bu"));
    EXPECT_TRUE(WaitUntil([&] { return SelectedText(List) == L"Button class"; }, 15000))
        << SelectedText(List) << " " << WindowText(Edit);
    const int partialRows = ListViewCount(List);
    EXPECT_GT(partialRows, 0);
    EXPECT_FALSE(KeywordRequests(mark).empty());

    // "Load Full Index" from the list's menu (a row is selected: every item is enabled).
    RECT r{};
    GetWindowRect(List, &r);
    mark = Mark();
    ASSERT_TRUE(Post(List, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List), MAKELPARAM(r.left + 20, r.top + 20)));
    ASSERT_TRUE(WaitForWindow({Viewer.Pid(), L"#32768", L"", nullptr, true}, 10000));
    for (const wchar_t* key : {L"down", L"down", L"enter"})
        ASSERT_TRUE(SendChord(nullptr, key));
    ASSERT_TRUE(WaitUntil([&] { return FileExists(IndexCachePath()); }, 60000)) << "no cache file";
    int full = 0;
    ASSERT_TRUE(WaitUntil([&] { return (full = ListViewCount(List)) > partialRows; }, 15000)) << full;
    const std::vector<std::string> pages = KeywordRequests(mark);
    ASSERT_FALSE(pages.empty());
    EXPECT_NE(pages[0].find("pagenumber=1"), std::string::npos) << pages[0];

    // Type-ahead over the full index selects without asking the agent.
    mark = Mark();
    ASSERT_TRUE(TypeIntoEdit(L"butt"));
    EXPECT_TRUE(WaitUntil([&] { return SelectedText(List) == L"Button class"; }, 10000)) << SelectedText(List);
    // A sub-keyword with several topics: Enter opens it, its topic rows follow it; Enter
    // again closes them.
    ASSERT_TRUE(TypeIntoEdit(L"Button class, ab")) << WindowText(Edit);
    ASSERT_TRUE(WaitUntil([&] { return SelectedText(List) == L"    about Button class"; }, 10000)) << SelectedText(List);
    const int keyword = SelectedRow(List);
    ASSERT_TRUE(SendChord(nullptr, L"enter"));
    ASSERT_TRUE(WaitUntil([&] { return ListViewCount(List) >= full + 2; }, 15000)) << ListViewCount(List);
    const int topics = ListViewCount(List) - full;
    for (int i = 1; i <= topics; ++i)
        EXPECT_EQ(ListViewItemText(List, keyword + i).rfind(L"        - ", 0), 0u) << i;
    EXPECT_EQ(KeywordRequests(mark).size(), 1u);
    ASSERT_TRUE(SendChord(nullptr, L"enter"));
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(List) == full; }, 10000)) << ListViewCount(List);

    ASSERT_TRUE(Post(Main, WM_CLOSE));
    ASSERT_EQ(Viewer.WaitExit(20000), 0);
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"FullIndexMode").Text(), L"1");

    // The next start reads the cache: the same count, no keyword request.
    const std::map<std::wstring, std::wstring> view = {{L"Zoom", L"150"},
                                                       {L"NavigateOnRight", L"1"},
                                                       {L"StayOnTop", L"1"},
                                                       {L"Color_Background4", L"1193046"},
                                                       {L"Color_Text4", L"65793"}};
    for (const auto& [name, value] : view)
        ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, MainKey, name, value));
    mark = Mark();
    ASSERT_TRUE(StartWithIndexPage());
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(List) == full; }, 15000)) << ListViewCount(List);
    EXPECT_TRUE(KeywordRequests(mark).empty());
    // The view as saved: the pane on the right.
    RECT mainRect{}, listRect{};
    GetWindowRect(Main, &mainRect);
    GetWindowRect(List, &listRect);
    EXPECT_GT(listRect.left, (mainRect.left + mainRect.right) / 2);

    // Load Full Index again while the agent holds its answer, and the wait cancelled: the
    // index shown comes back and the message tells its numbers; the cache stays as it was.
    WIN32_FILE_ATTRIBUTE_DATA cacheBefore{}, cacheAfter{};
    ASSERT_TRUE(GetFileAttributesExW(IndexCachePath().c_str(), GetFileExInfoStandard, &cacheBefore));
    ASSERT_TRUE(StartAgent({{L"STANDIN_AGENT_FAULTS", L"keywords=stall:20000"}}));
    GetWindowRect(List, &r);
    ASSERT_TRUE(Post(List, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List), MAKELPARAM(r.left + 20, r.top + 20)));
    ASSERT_TRUE(WaitForWindow({Viewer.Pid(), L"#32768", L"", nullptr, true}, 10000));
    for (const wchar_t* key : {L"down", L"down", L"enter"})
        ASSERT_TRUE(SendChord(nullptr, key));
    HWND wait = WaitForWindow({Viewer.Pid(), L"TCancelForm.UnicodeClass", L"", nullptr, true}, 10000);
    ASSERT_TRUE(wait) << "no full load";
    ASSERT_TRUE(WaitUntil([&] { return !KeywordRequests(0).empty(); }, 10000)) << DebugLog();
    ASSERT_TRUE(Post(FindDescendant(wait, L"TTntButton.UnicodeClass"), BM_CLICK));
    const std::wstring told = AnswerMessageBox(Viewer.Pid(), IDOK, 10000);
    EXPECT_NE(told.find(L"User Cancelled. Loaded "), std::wstring::npos) << told;
    EXPECT_NE(told.find(L"\\" + std::to_wstring(full) + L" of "), std::wstring::npos) << told;
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(List) == full; }, 10000)) << ListViewCount(List);
    ASSERT_TRUE(GetFileAttributesExW(IndexCachePath().c_str(), GetFileExInfoStandard, &cacheAfter));
    EXPECT_EQ(cacheAfter.nFileSizeLow, cacheBefore.nFileSizeLow);
    EXPECT_EQ(CompareFileTime(&cacheAfter.ftLastWriteTime, &cacheBefore.ftLastWriteTime), 0);
    ASSERT_TRUE(Post(Main, WM_CLOSE));
    ASSERT_EQ(Viewer.WaitExit(20000), 0);
    for (const auto& [name, value] : view)
        EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, name).Text(), value) << name;

    // The store changed (its manifest written again): the next start loads the index afresh
    // from the agent, not the cache. A catalog without a cache says why its list is empty.
    ASSERT_TRUE(StartAgent());
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((Inst.localStore + L"\\manifest\\queryManifest*.xml").c_str(), &found);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    const std::wstring manifest = Inst.localStore + L"\\manifest\\" + found.cFileName;
    HANDLE file = CreateFileW(manifest.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    FILETIME written = found.ftLastWriteTime;
    written.dwHighDateTime += 1; // about seven minutes later
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &written));
    CloseHandle(file);
    ASSERT_TRUE(StartWithIndexPage());
    EXPECT_TRUE(WaitUntil([&] { return !KeywordRequests(0).empty(); }, 15000)) << "the stale cache was used";
    EXPECT_TRUE(WaitUntil([&] { return ListViewCount(List) == full; }, 30000)) << ListViewCount(List);
    const auto note = [&] {
        for (int i = 0; HWND panel = FindDescendant(Main, L"TTntPanel.UnicodeClass", L"", i); ++i)
            if (WindowText(panel).find(L"No index cached") != std::wstring::npos)
                return (GetWindowLongW(panel, GWL_STYLE) & WS_VISIBLE) ? panel : nullptr; // its page may be hidden
        return static_cast<HWND>(nullptr);
    };
    EXPECT_FALSE(note());
    HWND box = CatalogBox(Main);
    const std::vector<std::wstring> catalogs = ComboItems(box);
    const auto german = std::find_if(catalogs.begin(), catalogs.end(), [](const std::wstring& c) {
        return c.find(L"de-DE") != std::wstring::npos || c.find(L"DE-DE") != std::wstring::npos;
    });
    ASSERT_NE(german, catalogs.end());
    ASSERT_TRUE(ChooseRow(box, static_cast<int>(german - catalogs.begin())));
    EXPECT_TRUE(WaitUntil([&] { return note() != nullptr; }, 15000)) << "an empty list without a word\n" << DebugLog();
    EXPECT_EQ(ListViewCount(List), 0);
    ASSERT_TRUE(Post(Main, WM_CLOSE));
    ASSERT_EQ(Viewer.WaitExit(20000), 0);
}
