// Two users' days with the real Vorlane.exe against a freshly installed stand-in runtime
// (sample store), each in one run: one mostly with the keys, one with the mouse (real pointer
// input at the positions of rows, tabs and close boxes). Each step checks only what the user
// sees or the runtime receives (window texts, list and tree counts, registry, files, the
// agent, the debug memo).
// Every step has its own watchdog; a failed or hung step prints its name and the last lines
// of the viewer's debug memo, and the day stops there.
#include "VorlaneFixture.h"
#include "VorlanePages.h"
#include "qenSmartTabs.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

using namespace vorlane_probe;

namespace {

const wchar_t* const MessageFormClass = L"TTntMessageForm.UnicodeClass";
const std::wstring Caption = L"Vorlane 0.1.0.0 - ";
const wchar_t* const Hebrew = L"\u05de\u05e6\u05d1 \u05dc\u05d0 \u05de\u05e7\u05d5\u05d5\u05df"; // "offline mode"
const wchar_t* const RuntimeKey = L"SOFTWARE\\Microsoft\\Help\\v1.0";

// Options, Interface Language...: the picker's row Key ("home" or "end") taken with Enter.
bool PickLanguage(HWND Main, DWORD Pid, const wchar_t* Key, std::vector<std::wstring>& Codes) {
    if (!SendChord(Main, L"alt+o"))
        return false;
    Sleep(500);
    if (!SendChord(nullptr, L"l"))
        return false;
    HWND picker = WaitForWindow({Pid, L"TTranslateForm.UnicodeClass", L"", nullptr, true}, 10000);
    if (!picker)
        return false;
    Codes = ListViewItems(FindDescendant(picker, L"TTntListView.UnicodeClass"), 1);
    return SendChord(picker, Key) && SendChord(picker, L"enter") &&
           WaitUntil([&] { return !IsWindowVisible(picker); }, 10000);
}

bool MutexExists() {
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, L"vorlaneRunningMutex");
    if (h)
        CloseHandle(h);
    return h != nullptr;
}

HTREEITEM TreeNext(HWND Tree, UINT Code, HTREEITEM Item) {
    LRESULT r = 0;
    Send(Tree, TVM_GETNEXTITEM, Code, reinterpret_cast<LPARAM>(Item), &r, 20000);
    return reinterpret_cast<HTREEITEM>(r);
}

// The first descendant of Parent (depth first) that Pred accepts, or nullptr.
struct WhereCtx {
    const std::function<bool(HWND)>* Pred;
    HWND Found;
};
BOOL CALLBACK FindWhere(HWND W, LPARAM P) {
    auto* c = reinterpret_cast<WhereCtx*>(P);
    if (!(*c->Pred)(W))
        return TRUE;
    c->Found = W;
    return FALSE;
}
HWND FindDescendantWhere(HWND Parent, const std::function<bool(HWND)>& Pred) {
    WhereCtx ctx{&Pred, nullptr};
    EnumChildWindows(Parent, &FindWhere, reinterpret_cast<LPARAM>(&ctx));
    return ctx.Found;
}

std::string FileText(const std::wstring& Path) {
    std::ifstream in(Path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

class AcceptanceDay : public VorlaneE2E {
protected:
    void SetUp() override {
        VorlaneE2E::SetUp();
        DeleteFileW(UserHelpModeFile().c_str());
        // The whole day; each step has its own, shorter watchdog.
        Dog = std::make_unique<Watchdog>(290000, [this] { KillProcess(Viewer.Pid()); }, "the acceptance day");
        // A Hebrew language file beside the program.
        ASSERT_TRUE(WriteLangFile(ProgramDir + L"\\vorlane.lang.he",
                                  std::wstring(L"[Translator]\r\nName=Test\r\n[main]\r\nWinTitle_OfflineMode=") + Hebrew +
                                      L"\r\n"));
    }

    void TearDown() override {
        for (HWND w : FindTopWindows({0, ManagerClass}))
            KillProcess(ProcessOf(w));
        VorlaneE2E::TearDown();
        DeleteFileW(UserHelpModeFile().c_str());
    }

    // Runs Body as the step Name with a watchdog of Ms; false when it failed (the day stops).
    bool Step(const char* Name, DWORD Ms, const std::function<void()>& Body) {
        const DWORD t0 = GetTickCount();
        const int partsBefore = testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        {
            Watchdog dog(Ms, [this, Name] {
                std::printf("step \"%s\" hung\n", Name);
                PrintMemoTail();
                KillProcess(Viewer.Pid());
            }, Name);
            Body();
        }
        const testing::TestResult* result = testing::UnitTest::GetInstance()->current_test_info()->result();
        bool failed = false;
        for (int i = partsBefore; i < result->total_part_count(); ++i)
            failed = failed || result->GetTestPartResult(i).failed();
        std::printf("%-64s %6lu ms%s\n", Name, GetTickCount() - t0, failed ? "  FAILED" : "");
        if (failed) {
            std::printf("the day stopped at the step \"%s\"\n", Name);
            PrintMemoTail();
        }
        std::fflush(stdout);
        return !failed;
    }

    void PrintMemoTail() {
        if (!Viewer.Running()) {
            std::printf("(the viewer is not running)\n");
            return;
        }
        const std::vector<std::wstring> lines = SplitLines(DebugLog());
        std::printf("last lines of the debug memo:\n");
        for (size_t i = lines.size() > 15 ? lines.size() - 15 : 0; i < lines.size(); ++i)
            std::printf("  | %ls\n", lines[i].c_str());
    }

    // The machine's help-mode file of the installation (the viewer reads it when the
    // per-user one is not there).
    std::wstring HelpModeFile() const { return Inst.appRoot + L"\\HelpClient.cfg"; }
    // The user's own file, which the viewer writes when the user switches the mode.
    static std::wstring UserHelpModeFile() {
        wchar_t folder[MAX_PATH] = L"";
        GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
        return std::wstring(folder) + L"\\Microsoft\\HelpLibrary\\HelpClient.cfg";
    }
    void SetHelpMode(const char* Mode) {
        std::ofstream out(HelpModeFile().c_str(), std::ios::binary | std::ios::trunc);
        out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<configuration>\r\n  <appSettings>\r\n"
               "    <add key=\"helpmode\" value=\""
            << Mode << "\" />\r\n  </appSettings>\r\n</configuration>\r\n";
    }

    std::wstring ManagerLog() const { return ProgramDir + L"\\manager.log"; }

    // Closes the viewer as the system does; its exit code (-1 when it did not end).
    long CloseViewer(HWND Main) {
        if (!Post(Main, WM_CLOSE))
            return -1;
        return Viewer.WaitExit(20000);
    }

    HWND Main = nullptr;
    HWND Tree = nullptr;
};

TEST_F(AcceptanceDay, OneUsersDay) {
    const DWORD dayStart = GetTickCount();
    // ---- morning: the runtime is in online mode and its agent is not running
    SetHelpMode("online");
    if (!Step("start in online mode: the offline offer, answered Yes", 60000, [&] {
            ASSERT_TRUE(Viewer.Start(ViewerExe, {L"/debug"},
                                     {{L"STANDIN_MANAGER_LOG", ManagerLog()}, {L"STANDIN_MANAGER_LINGER_MS", L"60000"}}));
            Main = WaitMainWindow();
            ASSERT_TRUE(Main);
            EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDYES, 20000)
                          .find(L"Agent wont start in VS online mode. Switch to offline mode now?"),
                      std::wstring::npos);
            EXPECT_TRUE(WaitContentsLoaded(Main));
            EXPECT_NE(FileText(UserHelpModeFile()).find("value=\"offline\""), std::string::npos);
            EXPECT_FALSE(ProcessesRunFrom(Inst.appRoot + L"\\").empty()) << "the viewer started the agent";
        }))
        return;

    if (!Step("start: caption, mode and catalogs", 20000, [&] {
            EXPECT_TRUE(WaitUntil([&] { return WindowText(Main) == Caption + L"Offline Mode, Catalog: VS\\100\\EN-US"; },
                                  10000))
                << WindowText(Main);
            HWND catalogs = CatalogBox(Main);
            ASSERT_TRUE(catalogs);
            EXPECT_EQ(ComboItems(catalogs),
                      (std::vector<std::wstring>{L"EMPTY\\100\\EN-US", L"VS\\100\\de-DE", L"VS\\100\\EN-US"}));
            EXPECT_TRUE(MutexExists());
        }))
        return;

    if (!Step("contents: a node expanded", 30000, [&] {
            Tree = ContentsTree(Main);
            ASSERT_TRUE(Tree);
            const int before = TreeCount(Tree);
            // The first top-level node that shows a button with its children not yet fetched.
            HTREEITEM node = nullptr;
            for (HTREEITEM i = TreeNext(Tree, TVGN_ROOT, nullptr); i && !node; i = TreeNext(Tree, TVGN_NEXT, i))
                if (!TreeNext(Tree, TVGN_CHILD, i) && TreeItemShowsButton(Tree, i))
                    node = i;
            ASSERT_TRUE(node) << "no node to expand among " << before;
            ASSERT_TRUE(Send(Tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node), nullptr, 20000));
            const std::vector<std::wstring> children = TreeItems(Tree, node);
            ASSERT_FALSE(children.empty());
            EXPECT_FALSE(children[0].empty());
            EXPECT_GT(TreeCount(Tree), before);
        }))
        return;

    if (!Step("index: type-ahead, a keyword with several topics", 40000, [&] {
            ASSERT_TRUE(SendChord(Main, L"ctrl+2"));
            HWND sheet = FindDescendant(Main, L"TTntTabSheet.UnicodeClass", L"Index");
            ASSERT_TRUE(sheet);
            ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, 10000));
            HWND list = FindDescendant(sheet, L"TTntListView.UnicodeClass");
            ASSERT_TRUE(list);
            // The index box has the focus; each pause in typing loads what starts with the text.
            ASSERT_TRUE(TypeText(Main, L"bu"));
            std::vector<std::wstring> rows;
            ASSERT_TRUE(WaitUntil([&] { return !(rows = ListViewItems(list)).empty(); }, 15000));
            LRESULT selected = -1;
            EXPECT_TRUE(WaitUntil([&] {
                return Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, &selected) && selected >= 0 &&
                       ListViewItemText(list, static_cast<int>(selected)) == L"Button class";
            }, 10000));
            const auto found = std::find(rows.begin(), rows.end(), L"    about Button class");
            ASSERT_NE(found, rows.end()) << "rows: " << rows.size();
            const int row = static_cast<int>(found - rows.begin());
            ASSERT_TRUE(Send(list, LVM_ENSUREVISIBLE, row, FALSE));
            RECT r{};
            ASSERT_TRUE(RemoteRect(list, LVM_GETITEMRECT, row, LVIR_LABEL, r));
            ASSERT_TRUE(PostClickAt(list, r));
            // Its topics follow it.
            EXPECT_TRUE(WaitUntil([&] { return ListViewCount(list) >= static_cast<int>(rows.size()) + 2; }, 15000))
                << ListViewCount(list) << " rows after " << rows.size();
            const std::wstring first = ListViewItemText(list, row + 1);
            EXPECT_EQ(first.rfind(L"        - ", 0), 0u) << first;
            ASSERT_TRUE(SendChord(Main, L"ctrl+1")); // back to the contents
        }))
        return;

    if (!Step("Filters page: the store tree, the manager from the fields", 40000, [&] {
            FiltersPage page(Main);
            ASSERT_TRUE(page.Tree && page.RunButton && page.Product && page.Version && page.Locale);
            ASSERT_TRUE(page.RefreshCatalogInfo());
            std::vector<std::wstring> top;
            EXPECT_TRUE(WaitUntil([&] { return (top = TreeItems(page.Tree)).size() == 3; }, 10000));
            EXPECT_EQ(top, (std::vector<std::wstring>{L"EMPTY\\100\\EN-US (0)", L"VS\\100\\de-DE (2)", L"VS\\100\\EN-US (2)"}));
            ASSERT_TRUE(SetText(page.Product, L"VS"));
            ASSERT_TRUE(SetText(page.Version, L"100"));
            ASSERT_TRUE(ChooseRow(page.Locale, 4));
            EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(page.RunButton) != FALSE; }, 5000));
            ASSERT_TRUE(Notify(page.RunButton, BN_CLICKED));
            HWND manager = WaitForWindow({0, ManagerClass, L"", nullptr, true}, 20000);
            ASSERT_TRUE(manager);
            EXPECT_EQ(ManagerRuns(ManagerLog()), (std::vector<std::vector<std::string>>{
                                                    {"/product", "VS", "/version", "100", "/locale", "de-de"}}));
            KillProcess(ProcessOf(manager));
            ASSERT_TRUE(Activate(Main));
        }))
        return;

    if (!Step("registration as the runtime's viewer, and back to the default", 40000, [&] {
            ASSERT_TRUE(RunViewerItem(Main, 1));
            EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDOK).find(L"Success!"), std::wstring::npos);
            EXPECT_EQ(RegRead(HKEY_LOCAL_MACHINE, RuntimeKey, L"HelpViewerProgID", KEY_WOW64_64KEY).Text(), ViewerExe);
            ASSERT_TRUE(RunViewerItem(Main, 0));
            EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDOK).find(L"Success!"), std::wstring::npos);
            EXPECT_EQ(RegRead(HKEY_LOCAL_MACHINE, RuntimeKey, L"HelpViewerProgID", KEY_WOW64_64KEY).Text(), L"");
        }))
        return;

    if (!Step("translation: Hebrew from right to left, and back to English", 40000, [&] {
            std::vector<std::wstring> codes;
            ASSERT_TRUE(PickLanguage(Main, Viewer.Pid(), L"end", codes));
            EXPECT_EQ(codes, (std::vector<std::wstring>{L"en", L"he"}));
            EXPECT_TRUE(WaitUntil([&] { return WindowText(Main).find(std::wstring(L" - ") + Hebrew) != std::wstring::npos; },
                                  10000))
                << WindowText(Main);
            EXPECT_TRUE(PaneOnTheRight(Main));
            ASSERT_TRUE(PickLanguage(Main, Viewer.Pid(), L"home", codes));
            EXPECT_TRUE(WaitUntil([&] { return WindowText(Main).find(L" - Offline Mode, ") != std::wstring::npos; }, 10000))
                << WindowText(Main);
            EXPECT_FALSE(PaneOnTheRight(Main));
        }))
        return;

    if (!Step("reading aloud with no voices: a clear message", 30000, [&] {
            ASSERT_TRUE(SendChord(Main, L"f9"));
            EXPECT_NE(AnswerMessageBox(Viewer.Pid(), IDOK).find(L"Error loading MS Speech API"), std::wstring::npos);
            // Esc stops reading; nothing to say about it.
            ASSERT_TRUE(SendChord(Main, L"esc"));
            Sleep(300);
            EXPECT_FALSE(FindTopWindow({Viewer.Pid(), MessageFormClass, L"", nullptr, true}));
            EXPECT_TRUE(Viewer.Running());
        }))
        return;

    if (!Step("a second copy hands an F1 URL over and ends; a file or a share is refused", 60000, [&] {
            const std::wstring url = L"ms-xhelp:///?method=f1&query=System.Windows.Forms.Button&product=VS";
            ViewerProcess second;
            EXPECT_TRUE(RunsWithoutWindow(second, {url + L"&embedded=true"}));
            EXPECT_EQ(RegRead(HKEY_CURRENT_USER, ViewerKey, L"IPParam").Text(), url);
            EXPECT_TRUE(WaitUntil(
                [&] { return DebugLog().find(L">> OpenPassedInUrl(), " + url + L"\r\n") != std::wstring::npos; }, 10000));
            EXPECT_TRUE(Viewer.Running());
            // A file or a share (which would be sent the user's credentials) on a command line:
            // a message names it, and no tab goes there.
            for (const std::wstring& refused : {std::wstring(L"file:///C:/windows/system32/calc.exe"),
                                                std::wstring(L"\\\\host\\share\\page.htm")}) {
                ViewerProcess other;
                EXPECT_TRUE(RunsWithoutWindow(other, {refused}));
                const std::wstring told = AnswerMessageBox(Viewer.Pid(), IDOK, 15000);
                EXPECT_NE(told.find(refused), std::wstring::npos) << told;
                EXPECT_NE(DebugLog().find(L">> OpenPassedInUrl(), " + refused), std::wstring::npos);
                EXPECT_EQ(DebugLog().find(L">> RawGotoUrl: " + refused), std::wstring::npos) << "navigated";
            }
        }))
        return;

    if (!Step("search: words typed in the search box, Enter", 30000, [&] {
            ASSERT_TRUE(SendChord(Main, L"ctrl+e")); // to the search box
            HWND box = nullptr;
            ASSERT_TRUE(WaitUntil([&] {
                GUITHREADINFO gui{sizeof gui};
                return GetGUIThreadInfo(GetWindowThreadProcessId(Main, nullptr), &gui) &&
                       ClassName(box = gui.hwndFocus) == L"TTntEdit.UnicodeClass";
            }, 10000));
            ASSERT_TRUE(SetText(box, L"string & list"));
            ASSERT_TRUE(SendChord(nullptr, L"enter"));
            // The query reaches the agent whole.
            EXPECT_TRUE(WaitUntil([&] {
                return DebugLog().find(L"&method=search&query=string+%26+list&format=html&") != std::wstring::npos;
            }, 10000));
        }))
        return;

    if (!Step("settings: the debug window shown, another catalog chosen", 40000, [&] {
            ASSERT_TRUE(SendChord(Main, L"ctrl+d"));
            HWND debug = DebugWindow();
            ASSERT_TRUE(debug);
            EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(debug) != FALSE; }, 10000));
            ASSERT_TRUE(ChooseRow(CatalogBox(Main), 1));
            EXPECT_TRUE(WaitUntil([&] { return WindowText(Main) == Caption + L"Offline Mode, Catalog: VS\\100\\de-DE"; },
                                  20000))
                << WindowText(Main);
            EXPECT_TRUE(WaitContentsLoaded(Main));
        }))
        return;

    const std::wstring tabAddress = L"ms-xhelp:///?Id=T:System.String";
    if (!Step("tabs: two new tabs with addresses typed, the last one closed", 30000, [&] {
            HWND second = NewTabAddressBox(Main);
            ASSERT_TRUE(second);
            ASSERT_TRUE(SetText(second, L"  " + tabAddress + L" "));
            HWND third = NewTabAddressBox(Main);
            ASSERT_TRUE(third);
            ASSERT_TRUE(SetText(third, L"ms-xhelp:///?Id=closed"));
            // Ctrl+W closes the active tab, the one just made.
            ASSERT_TRUE(SendChord(Main, L"ctrl+w"));
            Sleep(300);
            EXPECT_TRUE(Viewer.Running());
        }))
        return;

    if (!Step("bookmarks: the active tab added through Add Bookmark, opened from the bookmarks page", 40000, [&] {
            // Ctrl+B: the dialog with the tab's address and the bookmark folder.
            ASSERT_TRUE(SendChord(Main, L"ctrl+b"));
            HWND dialog = WaitForWindow({Viewer.Pid(), L"TSaveFavForm.UnicodeClass", L"", nullptr, true}, 10000);
            ASSERT_TRUE(dialog);
            const std::vector<HWND> edits = BookmarkDialogEdits(dialog);
            ASSERT_EQ(edits.size(), 3u);
            EXPECT_EQ(WindowText(edits[1]), tabAddress);
            const std::wstring file = WindowText(edits[2]) + L"\\String class.url";
            DeleteFileW(file.c_str());
            ASSERT_TRUE(SetText(edits[0], L"String class"));
            ASSERT_TRUE(Notify(FindDescendant(dialog, L"TTntButton.UnicodeClass", L"OK"), BN_CLICKED));
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000));
            const std::string bytes = FileText(file); // UTF-16
            const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
            EXPECT_NE(text.find(L"\r\nURL=" + tabAddress + L"\r\n"), std::wstring::npos) << text;
            // The bookmarks page is shown with the new bookmark; a click opens its address.
            HWND sheet = FindDescendant(Main, L"TTntTabSheet.UnicodeClass", L"Bookmarks");
            ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, 10000));
            HWND list = FindDescendantWhere(sheet, [](HWND w) { return ClassName(w).find(L"List") != std::wstring::npos; });
            ASSERT_TRUE(list);
            std::vector<std::wstring> items;
            int row = -1;
            ASSERT_TRUE(WaitUntil([&] {
                items = ListViewItems(list);
                for (size_t i = 0; i < items.size() && row < 0; ++i)
                    if (items[i].rfind(L"String class", 0) == 0)
                        row = static_cast<int>(i);
                return row >= 0;
            }, 10000)) << items.size();
            RECT item{};
            ASSERT_TRUE(RemoteRect(list, LVM_GETITEMRECT, row, LVIR_LABEL, item));
            ASSERT_TRUE(PostClickAt(list, item));
            EXPECT_TRUE(WaitUntil([&] { return DebugLog().find(L">> GotoUrl: " + tabAddress + L"\r\n") != std::wstring::npos; },
                                  10000));
            DeleteFileW(file.c_str());
            ASSERT_TRUE(SendChord(Main, L"ctrl+1")); // back to the contents
        }))
        return;

    if (!Step("shutdown: the settings saved, no process left", 30000, [&] {
            ASSERT_EQ(CloseViewer(Main), 0);
            EXPECT_FALSE(MutexExists());
            EXPECT_TRUE(ProcessesRunFrom(ProgramDir + L"\\").empty());
            EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"lastCatalog").Text(), L"VS\\100\\de-DE");
            EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"ShowDebug").Text(), L"1");
            EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"SelectedVoice").Text(), L"0");
            EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"SpeechVolume").Text(), L"100");
            EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"SearchText").Text(), L"string & list");
            // The open tabs' addresses, trimmed, empty ones left out, then one empty value (the
            // first tabs hold the pages they show, if any); the closed tab is not among them.
            std::vector<std::wstring> tabs;
            for (int i = 1; i <= 5; ++i) {
                const RegValue v = RegRead(HKEY_CURRENT_USER, MainKey, L"PageTab_URL" + std::to_wstring(i));
                if (!v.Exists)
                    break;
                tabs.push_back(v.Text());
            }
            ASSERT_GE(tabs.size(), 2u) << "no tab saved";
            ASSERT_LE(tabs.size(), 4u) << "a closed tab saved";
            EXPECT_NE(tabs[tabs.size() - 2].find(L"?Id=T:System.String"), std::wstring::npos) << tabs[tabs.size() - 2];
            EXPECT_EQ(tabs.back(), L"");
            EXPECT_EQ(std::count(tabs.begin(), tabs.end(), std::wstring(L"ms-xhelp:///?Id=closed")), 0);
        }))
        return;

    if (!Step("restart: the settings come back", 60000, [&] {
            ASSERT_TRUE(StartViewer());
            Main = WaitMainWindow();
            ASSERT_TRUE(Main);
            HWND debug = DebugWindow();
            ASSERT_TRUE(debug);
            EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(debug) != FALSE; }, 10000));
            EXPECT_TRUE(WaitContentsLoaded(Main));
            EXPECT_EQ(WindowText(Main), Caption + L"Offline Mode, Catalog: VS\\100\\de-DE");
        }))
        return;

    if (!Step("end of the day: closed, no process left", 30000, [&] {
            ASSERT_EQ(CloseViewer(Main), 0);
            EXPECT_FALSE(MutexExists());
            EXPECT_TRUE(ProcessesRunFrom(ProgramDir + L"\\").empty());
        }))
        return;
    std::printf("the day took %lu ms\n", GetTickCount() - dayStart);
}

// ---------------------------------------------------------------------------------
// A day with the mouse: every step is real pointer input (SendInput at the screen positions
// of rows, tabs, close boxes and page tabs), as a new user would work.

namespace {

// Title -> id of each topic element in an agent's contents reply.
std::map<std::wstring, std::wstring> TopicIds(const std::string& Xml) {
    const auto decode = [](std::string s) {
        const std::pair<const char*, const char*> entities[] = {
            {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
        for (const auto& [from, to] : entities)
            for (size_t p; (p = s.find(from)) != std::string::npos;)
                s.replace(p, std::strlen(from), to);
        return standin_test::Widen(s);
    };
    std::map<std::wstring, std::wstring> ids;
    for (size_t p = 0; (p = Xml.find("<topic id=\"", p)) != std::string::npos;) {
        p += 11;
        const size_t idEnd = Xml.find('"', p), title = Xml.find("<title>", p), titleEnd = Xml.find("</title>", p);
        if (idEnd == std::string::npos || title == std::string::npos || titleEnd == std::string::npos)
            break;
        ids[decode(Xml.substr(title + 7, titleEnd - title - 7))] = decode(Xml.substr(p, idEnd - p));
    }
    return ids;
}

// The addresses the viewer went to, in order (its debug memo's ">> GotoUrl: " lines).
std::vector<std::wstring> GotoUrls(const std::wstring& Memo) {
    std::vector<std::wstring> urls;
    const std::wstring mark = L">> GotoUrl: ";
    for (const std::wstring& line : SplitLines(Memo))
        if (const size_t p = line.find(mark); p != std::wstring::npos)
            urls.push_back(line.substr(p + mark.size()));
    return urls;
}

// The browser tabs under the main window, by their breadcrumb bars (a closed tab's bar goes a
// moment later).
int TabCount(HWND Main) {
    int n = 0;
    while (FindDescendant(Main, L"TqenPathViewer", L"", n))
        ++n;
    return n;
}

// The tab strip's geometry as it lays out Count tabs.
TSmartTabsGeometry StripGeometry(HWND Strip, int Count) {
    RECT client{};
    GetClientRect(Strip, &client);
    TSmartTabsGeometry g;
    g.ClientWidth = client.right;
    g.ClientHeight = client.bottom;
    g.TabOffset = 4;
    g.Count = Count;
    return SmartTabsLayout(g);
}

std::wstring BookmarkFolder() {
    wchar_t documents[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents);
    return std::wstring(documents) + L"\\My Help Viewer Bookmarks";
}

} // namespace

TEST_F(AcceptanceDay, AMouseDay) {
    const std::wstring bookmark = BookmarkFolder() + L"\\Mouse day.url";
    const std::wstring bookmarkAddress = L"ms-xhelp:///?Id=T:System.Object";
    std::map<std::wstring, std::wstring> ids;
    std::vector<HTREEITEM> rows; // top-level contents rows whose topic the agent names
    const auto urls = [this] { return GotoUrls(DebugLog()); };
    // Waits for one more address than Before, then a moment for a second one that must not come.
    const auto openedOnce = [&](size_t Before, const std::wstring& Id) {
        std::vector<std::wstring> now;
        if (!WaitUntil([&] { return (now = urls()).size() > Before; }, 10000))
            return testing::AssertionFailure() << "nothing opened";
        Sleep(400);
        now = urls();
        if (now.size() != Before + 1)
            return testing::AssertionFailure() << now.size() - Before << " addresses opened";
        if (now.back().find(L"&id=" + Id + L"&") == std::wstring::npos)
            return testing::AssertionFailure() << "opened " << testing::PrintToString(now.back());
        return testing::AssertionSuccess();
    };
    const auto rowRect = [&](HTREEITEM Row) {
        RECT r{};
        Send(Tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(Row));
        EXPECT_TRUE(TreeItemRect(Tree, Row, r));
        return r;
    };
    const auto pageTab = [&](int Index) {
        HWND pages = FindDescendant(Main, L"TTntPageControl.UnicodeClass");
        RECT r{};
        return RemoteRect(pages, TCM_GETITEMRECT, Index, 0, r) && MouseClickAt(pages, r);
    };
    // Chooses the Index-th item (from 0) of the pop-up menu that shows, with the keys.
    const auto chooseMenuItem = [&](int Index) {
        if (!WaitPopupMenu(Viewer.Pid()))
            return false;
        for (int i = 0; i <= Index; ++i)
            if (!SendChord(nullptr, L"down"))
                return false;
        return SendChord(nullptr, L"enter") &&
               WaitUntil([&] { return !FindTopWindow({Viewer.Pid(), L"#32768", L"", nullptr, true}); }, 5000);
    };

    if (!Step("start: the agent running, the contents shown", 60000, [&] {
            CreateDirectoryW(BookmarkFolder().c_str(), nullptr);
            std::ofstream(bookmark.c_str(), std::ios::binary | std::ios::trunc)
                << "[InternetShortcut]\r\nURL=ms-xhelp:///?Id=T:System.Object\r\n";
            ASSERT_TRUE(StartAgent());
            ASSERT_TRUE(Viewer.Start(ViewerExe, {L"/debug"}));
            Main = WaitMainWindow();
            ASSERT_TRUE(Main);
            ASSERT_TRUE(WaitContentsLoaded(Main));
            Tree = ContentsTree(Main);
            ASSERT_TRUE(Tree);
            // The topics' ids as the agent names them in the reply the viewer asked for.
            for (const std::string& request : Agent.RequestLog())
                if (request.find("method=children&id=-1&") != std::string::npos)
                    ids = TopicIds(standin_test::HttpGet(L"http://127.0.0.1:" + std::to_wstring(Agent.Port()) +
                                                         standin_test::Widen(request))
                                       .body);
            for (HTREEITEM i = TreeNext(Tree, TVGN_ROOT, nullptr); i; i = TreeNext(Tree, TVGN_NEXT, i))
                if (ids.count(TreeItemText(Tree, i)))
                    rows.push_back(i);
            ASSERT_GE(rows.size(), 3u) << ids.size() << " topics";
            ASSERT_TRUE(WaitUntil([&] { return TabCount(Main) == 1; }, 10000)) << TabCount(Main) << " tabs";
        }))
        return;

    if (!Step("contents: each row clicked opens its own topic once and is selected", 60000, [&] {
            for (size_t k : {size_t(2), size_t(0), size_t(1), size_t(2)}) {
                const std::wstring title = TreeItemText(Tree, rows[k]);
                const size_t before = urls().size();
                ASSERT_TRUE(MouseClickAt(Tree, rowRect(rows[k])));
                EXPECT_TRUE(openedOnce(before, ids[title])) << "a click on " << testing::PrintToString(title);
                EXPECT_EQ(TreeNext(Tree, TVGN_CARET, nullptr), rows[k]) << testing::PrintToString(title);
            }
            EXPECT_EQ(TabCount(Main), 1);
        }))
        return;

    if (!Step("new tabs: a middle click, a Ctrl+click and a middle click open one tab each", 60000, [&] {
            const std::pair<const wchar_t*, const wchar_t*> clicks[] = {{L"middle", L""}, {L"left", L"ctrl"}, {L"middle", L""}};
            for (size_t k = 0; k < 3; ++k) {
                const std::wstring title = TreeItemText(Tree, rows[k]);
                const int tabs = TabCount(Main);
                const size_t before = urls().size();
                ASSERT_TRUE(MouseClickAt(Tree, rowRect(rows[k]), clicks[k].first, clicks[k].second));
                EXPECT_TRUE(openedOnce(before, ids[title])) << clicks[k].first << " " << clicks[k].second;
                EXPECT_TRUE(WaitUntil([&] { return TabCount(Main) == tabs + 1; }, 10000))
                    << clicks[k].first << " " << clicks[k].second << ": " << TabCount(Main) << " tabs after " << tabs;
            }
        }))
        return;

    if (!Step("tabs closed with their close boxes, then Tab and Shift+Tab around the window", 60000, [&] {
            HWND strip = FindDescendant(Main, L"TqenSmartTabs");
            ASSERT_TRUE(strip);
            for (int closed = 0; closed < 2; ++closed) {
                const int tabs = TabCount(Main);
                const RECT box = SmartTabsCloseBoxRect(StripGeometry(strip, tabs), tabs - 1);
                ASSERT_TRUE(MouseClickAt(strip, box));
                EXPECT_TRUE(WaitUntil([&] { return TabCount(Main) == tabs - 1; }, 10000)) << TabCount(Main) << " tabs";
            }
            ASSERT_TRUE(MouseClickAt(Tree, rowRect(rows[0])));
            std::vector<HWND> stops;
            for (const wchar_t* key : {L"tab", L"shift+tab"})
                for (int i = 0; i < 12; ++i) {
                    ASSERT_TRUE(SendChord(Main, key));
                    Sleep(100);
                    ASSERT_TRUE(Viewer.Running()) << "ended at " << key << " " << i + 1;
                    stops.push_back(FocusOf(Main));
                }
            EXPECT_GT(std::set<HWND>(stops.begin(), stops.end()).size(), 3u) << "the focus did not move around";
        }))
        return;

    if (!Step("pop-up menu of the contents, on the row under the pointer: Open in New Tab", 30000, [&] {
            const std::wstring title = TreeItemText(Tree, rows[1]);
            const int tabs = TabCount(Main);
            const size_t before = urls().size();
            ASSERT_TRUE(MouseClickAt(Tree, rowRect(rows[1]), L"right"));
            ASSERT_TRUE(chooseMenuItem(0)) << "no menu on the contents";
            EXPECT_TRUE(openedOnce(before, ids[title]));
            EXPECT_TRUE(WaitUntil([&] { return TabCount(Main) == tabs + 1; }, 10000));
        }))
        return;

    if (!Step("pop-up menu of the tab strip, on a tab: New Tab", 30000, [&] {
            HWND strip = FindDescendant(Main, L"TqenSmartTabs");
            const int tabs = TabCount(Main);
            ASSERT_TRUE(MouseClickAt(strip, SmartTabsTabBounds(StripGeometry(strip, tabs), 0), L"right"));
            ASSERT_TRUE(chooseMenuItem(0)) << "no menu on the tab strip";
            EXPECT_TRUE(WaitUntil([&] { return TabCount(Main) == tabs + 1; }, 10000));
        }))
        return;

    if (!Step("bookmark list: a click opens a bookmark, its menu Opens it, the list's own menu beside it", 40000, [&] {
            ASSERT_TRUE(pageTab(2));
            HWND sheet = FindDescendant(Main, L"TTntTabSheet.UnicodeClass", L"Bookmarks");
            ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, 10000));
            HWND list = FindDescendantWhere(sheet, [](HWND w) { return ClassName(w).find(L"List") != std::wstring::npos; });
            ASSERT_TRUE(list);
            int row = -1;
            ASSERT_TRUE(WaitUntil([&] {
                const std::vector<std::wstring> items = ListViewItems(list);
                for (size_t i = 0; i < items.size() && row < 0; ++i)
                    if (items[i].rfind(L"Mouse day", 0) == 0)
                        row = static_cast<int>(i);
                return row >= 0;
            }, 10000)) << "rows: " << testing::PrintToString(ListViewItems(list));
            RECT item{};
            ASSERT_TRUE(RemoteRect(list, LVM_GETITEMRECT, row, LVIR_LABEL, item));
            const auto opened = [&](size_t Before) {
                return WaitUntil([&] { return urls().size() > Before && urls().back() == bookmarkAddress; }, 15000);
            };
            // A click opens it in the tab shown.
            const int tabs = TabCount(Main);
            size_t before = urls().size();
            ASSERT_TRUE(MouseClickAt(list, item));
            EXPECT_TRUE(opened(before)) << "a click";
            // On the bookmark the file's own menu: its first command opens it in the viewer.
            before = urls().size();
            ASSERT_TRUE(MouseClickAt(list, item, L"right"));
            ASSERT_TRUE(chooseMenuItem(0)) << "no menu on a bookmark";
            EXPECT_TRUE(opened(before)) << "the bookmark's menu";
            EXPECT_EQ(TabCount(Main), tabs);
            // Beside the bookmarks the list's own menu.
            RECT client{};
            GetClientRect(list, &client);
            ASSERT_TRUE(MouseClick(list, client.right - 8, client.bottom - 8, L"right"));
            EXPECT_TRUE(WaitPopupMenu(Viewer.Pid())) << "no menu beside the bookmarks";
            ASSERT_TRUE(SendChord(nullptr, L"esc"));
            EXPECT_TRUE(WaitUntil([&] { return !FindTopWindow({Viewer.Pid(), L"#32768", L"", nullptr, true}); }, 5000));
        }))
        return;

    if (!Step("index: the full index loaded from its menu, then typed into", 90000, [&] {
            ASSERT_TRUE(pageTab(1));
            HWND sheet = FindDescendant(Main, L"TTntTabSheet.UnicodeClass", L"Index");
            ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(sheet) != FALSE; }, 10000));
            HWND list = FindDescendant(sheet, L"TTntListView.UnicodeClass");
            HWND edit = FindDescendant(sheet, L"TTntEdit.UnicodeClass");
            ASSERT_TRUE(list && edit);
            RECT client{};
            GetClientRect(list, &client);
            ASSERT_TRUE(MouseClick(list, client.right / 2, client.bottom / 2, L"right"));
            ASSERT_TRUE(chooseMenuItem(1)) << "no menu on the index list"; // Load Full Index
            int rowsLoaded = 0;
            EXPECT_TRUE(WaitUntil([&] {
                const int n = ListViewCount(list);
                const bool still = n != rowsLoaded;
                rowsLoaded = n;
                return n > 0 && !still;
            }, 60000, 1000));
            EXPECT_TRUE(IsWindowVisible(edit));
            // Typing into the edit selects the best match in the loaded list.
            RECT box{};
            GetClientRect(edit, &box);
            ASSERT_TRUE(MouseClickAt(edit, box));
            ASSERT_TRUE(SendChord(Main, L"ctrl+a"));
            ASSERT_TRUE(TypeText(nullptr, L"butto"));
            EXPECT_TRUE(WaitUntil([&] {
                LRESULT selected = -1;
                return Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, &selected) && selected >= 0 &&
                       ListViewItemText(list, static_cast<int>(selected)) == L"Button class";
            }, 10000));
            EXPECT_EQ(ListViewCount(list), rowsLoaded) << "the full list stays";
        }))
        return;

    if (!Step("shutdown: closed with the settings saved", 30000, [&] {
            const int tabs = TabCount(Main);
            ASSERT_EQ(CloseViewer(Main), 0);
            EXPECT_TRUE(ProcessesRunFrom(ProgramDir + L"\\").empty());
            int saved = 0;
            while (RegRead(HKEY_CURRENT_USER, MainKey, L"PageTab_URL" + std::to_wstring(saved + 1)).Exists)
                ++saved;
            EXPECT_GE(saved, 2) << "tabs open: " << tabs; // the tabs with an address, then an empty value
            DeleteFileW(bookmark.c_str());
        }))
        return;
}
