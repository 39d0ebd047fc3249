// The real program against a runtime that misbehaves: replies that are garbage, cut, error
// pages, stalled or closed mid-body for the contents, the index, the search, the contents
// synchronisation and the breadcrumb bar (the same action then works again); an agent that
// never listens (the wait is cancelled, and the next action works once it listens), one that
// is killed and one that is missing; and kills of the viewer that must leave the index cache
// and the saved settings whole. Each ends in a message, an empty or unchanged result, never a
// crash or hang.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

using namespace vorlane_probe;

namespace {

const wchar_t* const MessageFormClass = L"TTntMessageForm.UnicodeClass";
const wchar_t* const CancelFormClass = L"TCancelForm.UnicodeClass";

std::string FileBytes(const std::wstring& Path) {
    std::ifstream in(Path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WriteBytes(const std::wstring& Path, const std::string& Bytes) {
    std::ofstream out(Path.c_str(), std::ios::binary | std::ios::trunc);
    out << Bytes;
    return out.good();
}

std::string Narrow(const std::wstring& W) {
    std::string s(W.size() * 3 + 1, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, W.c_str(), static_cast<int>(W.size()), s.data(),
                                      static_cast<int>(s.size()), nullptr, nullptr);
    s.resize(n > 0 ? n : 0);
    return s;
}

// The viewer answers its window's messages.
bool Responds(HWND W) { return Send(W, WM_NULL, 0, 0, nullptr, 5000); }

} // namespace

class VorlaneRobustness : public VorlaneE2E {
protected:
    // The installation's agent on a free port with Env (faults), as the runtime's registry names it.
    bool StartAgentWith(const standin_test::EnvList& Env) {
        const int port = standin_test::FreePort();
        SetAgentPort(port);
        return Agent.Start(Inst, port, Env, true) && Agent.WaitForPort();
    }

    // Closes every message box of the viewer with Enter; how many there were.
    int CloseMessageBoxes() {
        int n = 0;
        while (HWND box = FindTopWindow({Viewer.Pid(), MessageFormClass, L"", nullptr, true})) {
            if (++n > 10 || !SendChord(box, L"enter"))
                break;
            WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
        }
        return n;
    }

    // The viewer, its messages answered, still answers and ends normally when closed.
    void ExpectSettlesAndCloses(HWND Main, const std::string& What) {
        CloseMessageBoxes();
        EXPECT_TRUE(Viewer.Running()) << What;
        EXPECT_TRUE(Responds(Main)) << What;
        ASSERT_TRUE(Post(Main, WM_CLOSE));
        const DWORD t0 = GetTickCount();
        long code = -1;
        // A message shown on the way out is answered.
        while ((code = Viewer.WaitExit(200)) == -1 && GetTickCount() - t0 < 20000)
            CloseMessageBoxes();
        EXPECT_EQ(code, 0) << What << "\n" << Tail();
    }

    std::string Tail() {
        if (!Viewer.Running())
            return "(viewer ended)";
        const std::vector<std::wstring> lines = SplitLines(DebugLog());
        std::string out;
        for (size_t i = lines.size() > 10 ? lines.size() - 10 : 0; i < lines.size(); ++i)
            out += "  | " + Narrow(lines[i]) + "\n";
        return out;
    }

    HWND IndexList(HWND Main) {
        HWND sheet = FindDescendant(Main, L"TTntTabSheet.UnicodeClass", L"Index");
        return sheet ? FindDescendant(sheet, L"TTntListView.UnicodeClass") : nullptr;
    }
    std::string Log() {
        std::string all;
        for (const std::string& r : Agent.RequestLog())
            all += "  " + r + "\n";
        return all;
    }
    // How many requests of the agent's log hold every one of Parts.
    int Asked(std::initializer_list<const char*> Parts) {
        const std::vector<std::string> log = Agent.RequestLog();
        return static_cast<int>(std::count_if(log.begin(), log.end(), [&](const std::string& r) {
            return std::all_of(Parts.begin(), Parts.end(), [&](const char* p) { return r.find(p) != std::string::npos; });
        }));
    }
    // The address of a topic page of the running agent.
    std::wstring TopicUrl(const std::wstring& Id) {
        return L"http://127.0.0.1:" + std::to_wstring(Agent.Port()) + L"/help/1-" + std::to_wstring(Agent.Pid()) +
               L"/ms.help?method=page&id=" + Id +
               L"&product=VS&productVersion=100&locale=en-US&topicversion=100&topiclocale=en-US&format=html";
    }
    static std::wstring SelectedNode(HWND Tree) {
        LRESULT item = 0;
        Send(Tree, TVM_GETNEXTITEM, TVGN_CARET, 0, &item);
        return item ? TreeItemText(Tree, reinterpret_cast<HTREEITEM>(item)) : std::wstring(L"<none>");
    }

    static std::wstring CacheFile() {
        wchar_t folder[MAX_PATH] = L"";
        GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
        return std::wstring(folder) + L"\\Quorvex\\Vorlane\\IndexCache.txt";
    }
};

TEST_F(VorlaneRobustness, FaultyRepliesForTheContentsAndTheIndexEndInAMessageOrAnEmptyResult) {
    const char* const faults[] = {"garbage", "cut", "error:500", "close", "stall:2500"};
    for (const std::string method : {"children", "keywords"})
        for (const std::string fault : faults) {
            const std::string rule = method + "=" + fault;
            SCOPED_TRACE(rule);
            ASSERT_TRUE(StartAgentWith({{L"STANDIN_AGENT_FAULTS", standin_test::Widen(rule)},
                                        {L"STANDIN_AGENT_ERROR_BODIES", L"1"}}));
            ASSERT_TRUE(StartViewer());
            HWND main = WaitMainWindow();
            ASSERT_TRUE(main);
            if (method == "keywords") {
                WaitContentsLoaded(main);
                CloseMessageBoxes();
                ASSERT_TRUE(SendChord(main, L"ctrl+2"));
                // The key's command runs after the key: the typing waits for the index box.
                HWND sheet = FindDescendant(main, L"TTntTabSheet.UnicodeClass", L"Index");
                HWND edit = sheet ? FindDescendant(sheet, L"TTntEdit.UnicodeClass") : nullptr;
                ASSERT_TRUE(edit);
                ASSERT_TRUE(WaitUntil([&] { return FocusOf(main) == edit; }, 10000));
                ASSERT_TRUE(TypeText(main, L"b"));
            }
            // The faulty reply has gone out; the viewer has had time to take it.
            EXPECT_TRUE(WaitUntil([&] {
                const std::vector<std::string> log = Agent.RequestLog();
                return std::any_of(log.begin(), log.end(),
                                   [&](const std::string& r) { return r.find("method=" + method) != std::string::npos; });
            }, 15000));
            Sleep(fault.rfind("stall", 0) == 0 ? 3000 : 500);
            ExpectSettlesAndCloses(main, rule);
            Agent.Stop();
            if (HasFailure())
                return;
        }
}

TEST_F(VorlaneRobustness, FaultyRepliesForSearchSyncAndBreadcrumbChangeNothingAndTheNextTryWorks) {
    // Requests for ancestors the start makes: the tree's own synchronisation and the home
    // page's breadcrumb. The faults hit the test's first sync (#3) and first breadcrumb (#5).
    // "cancel": the reply stalls and the user cancels the wait, which must end as a failure.
    const int startAncestors = 2;
    const char* const faults[] = {"garbage", "cut", "error:500", "close", "stall:2500", "cancel"};
    for (const std::string fault : faults) {
        const bool cancel = fault == "cancel";
        const std::string served = cancel ? "stall:8000" : fault;
        const std::string rule = "ancestors#3=" + served + ";ancestors#5=" + served + ";search#1=" + served;
        const bool stall = fault.rfind("stall", 0) == 0; // a late answer that still comes
        SCOPED_TRACE(rule);
        // Each run as the first: no tabs of the last one come back.
        ASSERT_TRUE(DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey));
        SeedUpdateKey();
        ASSERT_TRUE(StartAgentWith({{L"STANDIN_AGENT_FAULTS", standin_test::Widen(rule)},
                                    {L"STANDIN_AGENT_ERROR_BODIES", L"1"}}));
        ASSERT_TRUE(StartViewer());
        HWND main = WaitMainWindow();
        ASSERT_TRUE(main);
        ASSERT_TRUE(WaitContentsLoaded(main));
        WaitUntil([&] { return Asked({"method=ancestors"}) >= startAncestors; }, 15000);
        ASSERT_EQ(Asked({"method=ancestors"}), startAncestors) << "the rule's numbers no longer fit the start\n" << Log();
        HWND go = FindDescendant(main, L"TTntButton.UnicodeClass", L"Go");
        HWND address = go ? FindDescendant(GetParent(go), L"TTntEdit.UnicodeClass") : nullptr;
        ASSERT_TRUE(address) << "the first tab's address box";
        HWND tree = ContentsTree(main);
        ASSERT_TRUE(tree);
        // A stalled request shows the cancel window while the window goes on answering; it
        // goes when the answer comes, or at once when cancelled.
        const auto waitOut = [&](const char* What) {
            if (!stall && !cancel)
                return;
            HWND wait = WaitForWindow({Viewer.Pid(), CancelFormClass, L"", nullptr, true}, 5000);
            ASSERT_TRUE(wait) << What << ": no cancel window";
            EXPECT_TRUE(Responds(main)) << What;
            if (cancel) {
                const DWORD t0 = GetTickCount();
                ASSERT_TRUE(Post(FindDescendant(wait, L"TTntButton.UnicodeClass"), BM_CLICK));
                EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wait) || !IsWindowVisible(wait); }, 1000)) << What;
                EXPECT_LT(GetTickCount() - t0, 1000u) << What;
            }
            EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wait) || !IsWindowVisible(wait); }, 10000)) << What;
        };

        // Sync (Ctrl+T) to the address box's topic: a faulty answer leaves the tree as it
        // was (no orphan group either); the next sync selects the topic.
        const std::wstring before = SelectedNode(tree);
        const size_t roots = TreeItems(tree).size();
        ASSERT_TRUE(SetText(address, TopicUrl(L"T:System.String")));
        ASSERT_TRUE(SendChord(main, L"ctrl+t"));
        EXPECT_TRUE(WaitUntil([&] { return Asked({"method=ancestors&id=T:System.String"}) == 1; }, 15000));
        waitOut("sync");
        EXPECT_TRUE(Responds(main));
        if (stall) // the late answer is used: the path's children are asked for, then the topic selected
            WaitUntil([&] { return SelectedNode(tree) == L"String Class"; }, 15000);
        EXPECT_EQ(SelectedNode(tree), stall ? L"String Class" : before);
        EXPECT_EQ(TreeItems(tree).size(), roots);
        ASSERT_TRUE(SendChord(main, L"ctrl+t"));
        EXPECT_TRUE(WaitUntil([&] { return Asked({"method=ancestors&id=T:System.String"}) == 2; }, 15000));
        EXPECT_TRUE(Responds(main));
        // The path's children are asked for after the ancestors: the selection comes last.
        WaitUntil([&] { return SelectedNode(tree) == L"String Class"; }, 15000);
        EXPECT_EQ(SelectedNode(tree), L"String Class");

        // A page shown: after a faulty answer the bar holds Home alone (the list it asks for
        // is Home's, not that of a part of the path); the same page shown again asks again
        // and the bar reaches the topic. A late answer is kept: the page again asks nothing.
        const std::wstring page = TopicUrl(L"T:System.IComparable");
        const char* const pageAsked = "method=page&id=T:System.IComparable&";
        const char* const pathEnd = "method=children&id=T:System.IComparable&topicversion=";
        const char* const homeList = "method=children&id=-1&topicversion=";
        const int homeLists = Asked({homeList});
        const int pathEnds = Asked({"method=children", "&topicversion="});
        ASSERT_TRUE(SetText(address, page));
        ASSERT_TRUE(Post(address, WM_CHAR, L'\r', 0));
        EXPECT_TRUE(WaitUntil([&] { return Asked({"method=ancestors&id=T:System.IComparable"}) == 1; }, 15000));
        waitOut("breadcrumb");
        EXPECT_TRUE(WaitUntil([&] { return Asked({pageAsked}) == 1; }, 15000));
        EXPECT_TRUE(Responds(main));
        EXPECT_EQ(Asked({"method=ancestors&id=T:System.IComparable"}), 1);
        EXPECT_EQ(Asked({homeList}) - homeLists, stall ? 0 : 1);
        EXPECT_EQ(Asked({pathEnd}), stall ? 1 : 0);
        EXPECT_EQ(Asked({"method=children", "&topicversion="}) - pathEnds, 1) << "the bar ends elsewhere\n" << Log();
        ASSERT_TRUE(SetText(address, page));
        ASSERT_TRUE(Send(address, WM_CHAR, L'\r', 0));
        EXPECT_TRUE(WaitUntil([&] { return Asked({pageAsked}) == 2; }, 15000));
        EXPECT_TRUE(Responds(main));
        EXPECT_EQ(Asked({"method=ancestors&id=T:System.IComparable"}), stall ? 1 : 2);
        EXPECT_EQ(Asked({pathEnd}), 1);

        // Search: the faulty results page is the browser's to show; the next search goes out.
        ASSERT_TRUE(SearchFor(main, L"string"));
        EXPECT_TRUE(WaitUntil([&] { return Asked({"method=search&query=string&"}) == 1; }, 15000));
        EXPECT_TRUE(Responds(main));
        EXPECT_NE(WindowText(address).find(L"method=search&query=string&"), std::wstring::npos);
        ASSERT_TRUE(SearchFor(main, L"list"));
        EXPECT_TRUE(WaitUntil([&] { return Asked({"method=search&query=list&"}) == 1; }, 15000));
        EXPECT_NE(WindowText(address).find(L"method=search&query=list&"), std::wstring::npos) << Narrow(WindowText(address));
        EXPECT_FALSE(FindTopWindow({Viewer.Pid(), MessageFormClass, L"", nullptr, true})) << "a message for nothing";

        ExpectSettlesAndCloses(main, rule);
        Agent.Stop();
        if (HasFailure())
            return;
    }
}

TEST_F(VorlaneRobustness, TheAgentWaitIsCancelledAndTheNextActionWorksOnceTheAgentListens) {
    // An agent that runs but listens only after 8 s.
    const int port = standin_test::FreePort();
    SetAgentPort(port);
    ASSERT_TRUE(Agent.Start(Inst, port, {{L"STANDIN_AGENT_DELAY_MS", L"8000"}}, true));
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    HWND wait = WaitForWindow({Viewer.Pid(), CancelFormClass, L"", nullptr, true}, 10000);
    ASSERT_TRUE(wait) << "no agent wait";
    HWND cancel = FindDescendant(wait, L"TTntButton.UnicodeClass");
    ASSERT_TRUE(cancel);
    ASSERT_TRUE(Post(cancel, BM_CLICK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wait) || !IsWindowVisible(wait); }, 5000)) << "the wait went on";
    CloseMessageBoxes();
    EXPECT_TRUE(Responds(main));
    // Once it listens, choosing the catalog again loads the contents.
    ASSERT_TRUE(Agent.WaitForPort(20000));
    ASSERT_TRUE(ChooseRow(CatalogBox(main), 1));
    EXPECT_TRUE(WaitContentsLoaded(main)) << Tail();
    ExpectSettlesAndCloses(main, "after the wait");
}

// During a wait the main window's close box, Alt+F4 (real input) and the end of the Windows
// session cancel the wait and close the program at once, saving as a close does.
TEST_F(VorlaneRobustness, TheCloseBoxAltF4TheSystemMenuAndTheEndOfTheSessionCloseDuringAWaitAndSave) {
    ASSERT_TRUE(StartAgentWith({{L"STANDIN_AGENT_FAULTS", L"children=stall:15000"}}));
    for (const wchar_t* way : {L"close box", L"alt+f4", L"system menu", L"end of session"}) {
        SCOPED_TRACE(Narrow(way));
        ASSERT_TRUE(DeleteRegKeyTree(HKEY_CURRENT_USER, MainKey));
        ASSERT_TRUE(StartViewer());
        HWND main = WaitMainWindow();
        ASSERT_TRUE(main);
        // The contents load waits for its entries.
        HWND wait = WaitForWindow({Viewer.Pid(), CancelFormClass, L"", nullptr, true}, 10000);
        ASSERT_TRUE(wait) << "no wait";
        const DWORD t0 = GetTickCount();
        if (std::wstring(way) == L"close box") {
            RECT r{};
            GetWindowRect(main, &r);
            POINT box{-1, -1};
            for (int y = r.top + 2; y < r.top + 40 && box.x < 0; y += 3)
                for (int x = r.right - 3; x > r.right - 90 && box.x < 0; x -= 3) {
                    LRESULT hit = 0;
                    if (Send(main, WM_NCHITTEST, 0, MAKELPARAM(x, y), &hit) && hit == HTCLOSE)
                        box = {x, y};
                }
            ASSERT_GE(box.x, 0) << "no close box";
            ScreenToClient(main, &box);
            ASSERT_TRUE(MouseClick(main, box.x, box.y));
        } else if (std::wstring(way) == L"alt+f4") {
            ASSERT_TRUE(SendChord(main, L"alt+f4"));
        } else if (std::wstring(way) == L"system menu") {
            ASSERT_TRUE(SendChord(main, L"alt+space"));
            HWND menu = WaitPopupMenu(Viewer.Pid());
            ASSERT_TRUE(menu) << "no system menu";
            ASSERT_TRUE(SendChord(nullptr, L"c"));
            // A key pressed as the menu appears can reach Wine's menu before it takes keys; the
            // menu then stays open, as it would for a user, who presses C again.
            if (!WaitUntil([&] { return !IsWindowVisible(menu); }, 3000)) {
                printf("the system menu was still open 3 s after C: C again\n");
                ASSERT_TRUE(SendChord(nullptr, L"c"));
            }
        } else {
            LRESULT mayEnd = 0;
            ASSERT_TRUE(Send(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, &mayEnd));
            EXPECT_TRUE(mayEnd);
        }
        const long code = Viewer.WaitExit(10000);
        printf("%ls during a wait to the end of the program: %lu ms\n", way, GetTickCount() - t0);
        EXPECT_EQ(code, 0) << Tail();
        EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"lastCatalog").Text(), L"VS\\100\\EN-US");
        EXPECT_TRUE(RegRead(HKEY_CURRENT_USER, MainKey, L"FavView1").Exists);
        Viewer.Kill();
    }
}

TEST_F(VorlaneRobustness, AnAgentKilledMidRequestOrMissingGivesAClearMessage) {
    // Killed while a reply stalls: the next action starts a new agent.
    ASSERT_TRUE(StartAgentWith({{L"STANDIN_AGENT_FAULTS", L"children#2-=stall:20000"}}));
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitUntil([&] { return Agent.RequestLog().size() >= 2; }, 15000));
    Sleep(300);
    Agent.Stop();
    Sleep(1000);
    CloseMessageBoxes();
    EXPECT_TRUE(Responds(main));
    ASSERT_TRUE(ChooseRow(CatalogBox(main), 1));
    EXPECT_TRUE(WaitContentsLoaded(main)) << Tail();
    ExpectSettlesAndCloses(main, "agent killed");

    // Missing: the runtime without its agent program.
    Viewer.Kill();
    for (DWORD pid : ProcessesRunFrom(Inst.appRoot + L"\\"))
        KillProcess(pid);
    ASSERT_TRUE(DeleteFileW((Inst.appRoot + L"\\HelpLibAgent.exe").c_str()));
    ASSERT_TRUE(StartViewer());
    main = WaitMainWindow();
    ASSERT_TRUE(main);
    EXPECT_TRUE(WaitForWindow({Viewer.Pid(), MessageFormClass, L"", nullptr, true}, 15000)) << "nothing said";
    ExpectSettlesAndCloses(main, "agent missing");
}

TEST_F(VorlaneRobustness, KillingTheViewerDuringAFullIndexLoadLeavesTheOldCacheWhole) {
    const std::wstring cache = CacheFile();
    CreateDirectoryW((cache.substr(0, cache.rfind(L"\\Vorlane"))).c_str(), nullptr);
    CreateDirectoryW(cache.substr(0, cache.rfind(L'\\')).c_str(), nullptr);
    const std::string old = "<keywords>old cache " + std::string(5000, 'x') + "</keywords>";
    ASSERT_TRUE(WriteBytes(cache, old));
    // The second page of the full load stalls (pages of the debug window's size).
    ASSERT_TRUE(StartAgentWith({{L"STANDIN_AGENT_FAULTS", L"keywords=stall:30000"}}));
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    ASSERT_TRUE(SendChord(main, L"ctrl+2"));
    HWND list = IndexList(main);
    ASSERT_TRUE(list);
    // The list's menu: Load Full Index (after Open in New Tab and a separator).
    RECT r{};
    GetClientRect(list, &r);
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(list, &at);
    ASSERT_TRUE(Activate(main));
    ASSERT_TRUE(Post(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y)));
    ASSERT_TRUE(WaitUntil([&] { return FindTopWindow({Viewer.Pid(), L"#32768", L"", nullptr, true}) != nullptr; }, 10000));
    for (const wchar_t* key : {L"down", L"down", L"enter"}) {
        ASSERT_TRUE(SendChord(nullptr, key));
        Sleep(150);
    }
    ASSERT_TRUE(WaitForWindow({Viewer.Pid(), CancelFormClass, L"", nullptr, true}, 10000)) << "no full load";
    ASSERT_TRUE(WaitUntil([&] {
        const std::vector<std::string> log = Agent.RequestLog();
        return std::any_of(log.begin(), log.end(), [](const std::string& r) { return r.find("method=keywords") != std::string::npos; });
    }, 10000));
    Sleep(500);
    Viewer.Kill();
    EXPECT_EQ(FileBytes(cache), old);
    // What the killed write left is gone at the next start.
    const std::wstring temp = cache + L".tmp";
    if (GetFileAttributesW(temp.c_str()) == INVALID_FILE_ATTRIBUTES)
        ASSERT_TRUE(WriteBytes(temp, "<keywords>cut by a kill"));
    ASSERT_TRUE(StartViewer());
    main = WaitMainWindow();
    ASSERT_TRUE(main);
    EXPECT_TRUE(WaitUntil([&] { return GetFileAttributesW(temp.c_str()) == INVALID_FILE_ATTRIBUTES; }, 10000));
    EXPECT_EQ(FileBytes(cache), old);
    ExpectSettlesAndCloses(main, "start after a kill");
    DeleteFileW(cache.c_str());
    DeleteFileW((cache + L".tmp").c_str());
}

TEST_F(VorlaneRobustness, AKillDuringTheCloseTimeSaveLeavesEachSettingOldOrNew) {
    // Old values that a run changes: the catalog and the debug window.
    for (int delay : {0, 5, 15, 40}) {
        SCOPED_TRACE(delay);
        ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, MainKey, L"lastCatalog", L"VS\\100\\EN-US"));
        ASSERT_TRUE(RegWriteString(HKEY_CURRENT_USER, MainKey, L"ShowDebug", L"0"));
        ASSERT_TRUE(StartViewer());
        HWND main = WaitMainWindow();
        ASSERT_TRUE(main);
        ASSERT_TRUE(WaitContentsLoaded(main));
        ASSERT_TRUE(ChooseRow(CatalogBox(main), 1));
        ASSERT_TRUE(SendChord(main, L"ctrl+d"));
        std::map<std::wstring, std::wstring> before;
        for (const wchar_t* name : {L"Zoom", L"FavDir", L"SearchText", L"LeftPanel.Width"})
            before[name] = RegRead(HKEY_CURRENT_USER, MainKey, name).Text();
        ASSERT_TRUE(Post(main, WM_CLOSE));
        Sleep(delay);
        Viewer.Kill();
        const std::wstring catalog = RegRead(HKEY_CURRENT_USER, MainKey, L"lastCatalog").Text();
        EXPECT_TRUE(catalog == L"VS\\100\\EN-US" || catalog == L"VS\\100\\de-DE") << Narrow(catalog);
        const std::wstring debug = RegRead(HKEY_CURRENT_USER, MainKey, L"ShowDebug").Text();
        EXPECT_TRUE(debug == L"0" || debug == L"1");
        // Values that were there stay readable and whole (the first run writes them).
        for (const auto& [name, value] : before) {
            const RegValue now = RegRead(HKEY_CURRENT_USER, MainKey, name);
            if (!value.empty()) {
                EXPECT_EQ(now.Text(), value) << Narrow(name);
            }
        }
        if (HasFailure())
            return;
    }
}

// The runtime's help-mode file held open by another program: the user hears of it once,
// the window comes up and answers at once at every activation (the caption reads the mode).
TEST_F(VorlaneRobustness, AHelpModeFileHeldOpenIsToldOnceAndNeverHoldsTheWindow) {
    wchar_t local[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH);
    CreateDirectoryW((std::wstring(local) + L"\\Microsoft").c_str(), nullptr);
    CreateDirectoryW((std::wstring(local) + L"\\Microsoft\\HelpLibrary").c_str(), nullptr);
    const std::wstring cfg = std::wstring(local) + L"\\Microsoft\\HelpLibrary\\HelpClient.cfg";
    // The per-user file wins over the installation's for every later test: it goes (or gets
    // its old content back) however this test ends.
    struct TRestore {
        std::wstring File;
        bool Existed;
        std::string Old;
        ~TRestore() {
            if (Existed)
                WriteBytes(File, Old);
            else
                DeleteFileW(File.c_str());
        }
    } restore{cfg, GetFileAttributesW(cfg.c_str()) != INVALID_FILE_ATTRIBUTES, FileBytes(cfg)};
    ASSERT_TRUE(WriteBytes(cfg, "<?xml version=\"1.0\"?>\r\n<configuration><appSettings><add key=\"helpmode\" "
                                "value=\"offline\"/></appSettings></configuration>\r\n"));
    ASSERT_TRUE(StartAgentWith({}));
    struct THeld {
        HANDLE H;
        void Close() {
            if (H != INVALID_HANDLE_VALUE)
                CloseHandle(H);
            H = INVALID_HANDLE_VALUE;
        }
        ~THeld() { Close(); }
    } held{CreateFileW(cfg.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr)};
    ASSERT_NE(held.H, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(StartViewer());
    int boxes = 0;
    std::wstring told;
    auto closeBoxes = [&] {
        int n = 0;
        for (std::wstring text; n < 10 && (text = AnswerMessageBox(Viewer.Pid(), IDOK, 200)) != L"<none>"; ++n)
            told = text;
        return n;
    };
    HWND main = nullptr;
    EXPECT_TRUE(WaitUntil([&] {
        boxes += closeBoxes();
        return (main = FindTopWindow({Viewer.Pid(), MainFormClass, L"", nullptr, true})) != nullptr;
    }, 30000));
    ASSERT_TRUE(main);
    for (int i = 0; i < 3; ++i) {
        Post(main, WM_ACTIVATEAPP, FALSE, 0);
        Post(main, WM_ACTIVATEAPP, TRUE, 0);
        EXPECT_TRUE(Send(main, WM_NULL, 0, 0, nullptr, 1500)) << "held by a read " << i;
        boxes += closeBoxes();
    }
    Sleep(500);
    boxes += closeBoxes();
    EXPECT_EQ(boxes, 1);
    EXPECT_NE(told.find(L"HelpClient.cfg"), std::wstring::npos) << Narrow(told);
    held.Close();
    ExpectSettlesAndCloses(main, "help mode file held open");
}
