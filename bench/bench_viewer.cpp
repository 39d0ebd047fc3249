// What a user waits for, through the real program over the stand-in runtime with the large
// generated store (50,000 more topics): the agent's own start (apart), then with the agent
// running, from the start of Vorlane.exe to its main window shown and to the contents shown,
// and expanding nodes of the generated library up to a type with several hundred members.
// Then the keyword index through the program: the full load from the list's menu next to
// the same pages fetched bare, the next start with the cached index, type-ahead per key and
// the private bytes with the full index. Medians of several runs; the first start is not
// counted. Also a node of 50,000 children ("Generated Big Node") expanded: the time, the
// window's longest wait meanwhile and the private bytes per node. scripts/viewer-bench.sh
// runs it, then the index figures measured in-process. --stalls instead runs N days of
// steps under a probe that asks the main window for an answer every 20 ms, and prints the
// median and range of each step's longest wait.
//   bench_viewer Z:\...\build\Vorlane.exe [--runs N] [--index | --stalls | --bignode]
#include "BenchTiming.h"
#include "VorlanePages.h"
#include "VorlaneProbe.h"

#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vorlane_probe;

using bench::Median;

double Ms() { return bench::Seconds() * 1e3; }

HWND ContentsTree(HWND Main) {
    for (int i = 0; HWND tree = FindDescendant(Main, L"TTntTreeView.UnicodeClass", L"", i); ++i)
        if (IsWindowVisible(tree))
            return tree;
    return nullptr;
}

// The catalog box: the combo box whose items are catalog keys.
HWND CatalogBox(HWND Main) {
    for (int i = 0; HWND combo = FindDescendant(Main, L"TTntComboBox.UnicodeClass", L"", i); ++i) {
        const std::vector<std::wstring> items = ComboItems(combo);
        if (!items.empty() && items[0].find(L'\\') != std::wstring::npos)
            return combo;
    }
    return nullptr;
}

HTREEITEM Next(HWND Tree, UINT Code, HTREEITEM Item) {
    LRESULT r = 0;
    Send(Tree, TVM_GETNEXTITEM, Code, reinterpret_cast<LPARAM>(Item), &r, 60000);
    return reinterpret_cast<HTREEITEM>(r);
}

std::vector<HTREEITEM> Children(HWND Tree, HTREEITEM Parent) {
    std::vector<HTREEITEM> items;
    for (HTREEITEM i = Next(Tree, Parent ? TVGN_CHILD : TVGN_ROOT, Parent); i; i = Next(Tree, TVGN_NEXT, i))
        items.push_back(i);
    return items;
}

HTREEITEM ItemNamed(HWND Tree, HTREEITEM Parent, const std::wstring& Text) {
    for (HTREEITEM i : Children(Tree, Parent))
        if (TreeItemText(Tree, i) == Text)
            return i;
    return nullptr;
}

// Expands Item as a click on its button does (the viewer fetches the children while the
// tree asks); the time until the expansion has returned, in ms, or -1.
double Expand(HWND Tree, HTREEITEM Item) {
    const double t0 = Ms();
    if (!Send(Tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Item), nullptr, 60000))
        return -1;
    return Ms() - t0;
}

struct TRun {
    double Shown = 0, Contents = 0, Root = 0, Namespace = 0, Type = 0;
    size_t RootChildren = 0, NamespaceChildren = 0, TypeChildren = 0;
};

// One start of the viewer; false when it did not get through.
bool RunOnce(const std::wstring& Exe, TRun& Run) {
    ViewerProcess viewer;
    const double t0 = Ms();
    if (!viewer.Start(Exe))
        return false;
    HWND main = WaitForWindow({viewer.Pid(), MainFormClass, L"", nullptr, true}, 60000);
    Run.Shown = Ms() - t0;
    HWND tree = nullptr;
    if (!main || !WaitUntil([&] { return (tree = ContentsTree(main)) && TreeCount(tree) > 0; }, 60000, 2))
        return false;
    Run.Contents = Ms() - t0;
    HTREEITEM root = nullptr;
    for (HTREEITEM i : Children(tree, nullptr))
        if (TreeItemText(tree, i) == L"Generated Class Library")
            root = i;
    if (root) {
        Run.Root = Expand(tree, root);
        Run.RootChildren = Children(tree, root).size();
        HTREEITEM ns = Next(tree, TVGN_CHILD, root);
        if (ns) {
            Run.Namespace = Expand(tree, ns);
            std::vector<HTREEITEM> types = Children(tree, ns);
            Run.NamespaceChildren = types.size();
            // The first types in order until one with several hundred members.
            int tried = 0;
            for (HTREEITEM t : types) {
                if (Children(tree, t).empty())
                    continue;
                const double ms = Expand(tree, t);
                const size_t n = Children(tree, t).size();
                if (n > Run.TypeChildren) {
                    Run.TypeChildren = n;
                    Run.Type = ms;
                }
                if (n >= 200 || ++tried == 10)
                    break;
            }
        }
    }
    Post(main, WM_CLOSE);
    return viewer.WaitExit(30000) == 0;
}

// ---- The keyword index through the program

std::wstring IndexCachePath() {
    wchar_t folder[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"LOCALAPPDATA", folder, MAX_PATH);
    return std::wstring(folder) + L"\\Quorvex\\Vorlane\\IndexCache.txt";
}

// Private bytes of a process in MB (Wine reports them as its commit charge).
double PrivateMb(DWORD Pid) {
    HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, Pid);
    if (!h)
        return 0;
    PROCESS_MEMORY_COUNTERS_EX pmc{};
    pmc.cb = sizeof pmc;
    double mb = 0;
    if (GetProcessMemoryInfo(h, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&pmc), sizeof pmc))
        mb = (pmc.PrivateUsage ? pmc.PrivateUsage : pmc.PagefileUsage) / 1e6;
    CloseHandle(h);
    return mb;
}

// Per key typed: ms (see TypeAhead).
struct TKeyTimes {
    double Paced = 0, Worst = 0, BackToBack = 0, NoOp = 0;
};

struct TIndexRun {
    double Full = 0, Cached = 0, Before = 0, After = 0;
    TKeyTimes Keys;
    int Rows = 0;
};

// The viewer started and its Index page shown: the list and the edit.
bool StartWithIndexPage(ViewerProcess& Viewer, const std::wstring& Exe, HWND& Main, HWND& List, HWND& Edit) {
    if (!Viewer.Start(Exe) || !(Main = WaitForWindow({Viewer.Pid(), MainFormClass, L"", nullptr, true}, 60000)))
        return false;
    if (!WaitUntil([&] { HWND t = ContentsTree(Main); return t && TreeCount(t) > 0; }, 60000, 2))
        return false;
    HWND sheet = FindDescendant(Main, L"TTntTabSheet.UnicodeClass", L"Index");
    List = sheet ? FindDescendant(sheet, L"TTntListView.UnicodeClass") : nullptr;
    Edit = sheet ? FindDescendant(sheet, L"TTntEdit.UnicodeClass") : nullptr;
    // Ctrl+2 again every half second until the page shows: a key sent while the cached
    // index loads goes to its cancel window.
    DWORD sent = 0;
    return List && Edit && WaitUntil([&] {
        if (IsWindowVisible(sheet))
            return true;
        if (!sent || GetTickCount() - sent > 500) {
            SendChord(Main, L"ctrl+2");
            sent = GetTickCount();
        }
        return false;
    }, 20000, 5);
}

// "Load Full Index" from the list's menu; the time until the load has ended with the list
// holding the whole index: the cancel window (shown at once) gone and the list's count at
// its last value. While the cancel window is up it alone is watched, by its handle: no
// message goes to the viewer meanwhile and the watch costs the program next to nothing
// (a count asked for every few ms slows its pages down). The load counts as ended once
// nothing has changed for a second.
double LoadFullIndex(ViewerProcess& Viewer, HWND List, int& Rows) {
    RECT r{};
    GetWindowRect(List, &r);
    if (!Post(List, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(List), MAKELPARAM(r.left + 20, r.top + 20)) ||
        !WaitForWindow({Viewer.Pid(), L"#32768", L"", nullptr, true}, 10000))
        return -1;
    SendChord(nullptr, L"down");
    SendChord(nullptr, L"down");
    const double t0 = Ms();
    SendChord(nullptr, L"enter");
    const WindowQuery cancelQuery{Viewer.Pid(), L"TCancelForm.UnicodeClass", L"", nullptr, false};
    HWND cancel = nullptr;
    // It shows before the first page is asked for; a load over without one is seen by the
    // list's count.
    int polls = 0;
    WaitUntil([&] {
        return (cancel = FindTopWindow(cancelQuery)) != nullptr || (++polls % 20 == 0 && ListViewCount(List) > 0);
    }, 10000, 5);
    double changed = t0;
    int last = 0;
    const bool settled = WaitUntil([&] {
        if (cancel) {
            if (IsWindow(cancel))
                return false;
            cancel = nullptr;
            changed = std::max(changed, Ms());
        }
        const int n = ListViewCount(List);
        if (n != last) {
            last = n;
            changed = std::max(changed, Ms());
        }
        return n > 0 && Ms() - changed > 1000 && !FindTopWindow(cancelQuery);
    }, 120000, 2);
    Rows = last;
    if (!settled)
        return -1;
    return changed - t0;
}

// Keys typed into the edit over the full index, each sent and handled: the best match is
// selected (and scrolled to) once the send returns, so this is the wait from the key to the
// list's new selection, the cross-process send included (a no-op send to the idle window is
// measured beside it). Keys come 150 ms apart as a typist's do; keys sent back to back also
// wait for the repaint the key before left pending, and are shown apart.
TKeyTimes TypeAhead(HWND Edit, HWND List) {
    std::vector<double> paced, backToBack, noOp;
    const auto type = [&](const wchar_t* Word, std::vector<double>& Times, DWORD PauseMs) {
        Send(Edit, EM_SETSEL, 0, -1);
        for (const wchar_t* c = Word; *c; ++c) {
            Sleep(PauseMs);
            const double t0 = Ms();
            Send(Edit, WM_CHAR, *c, 1, nullptr, 30000);
            Times.push_back(Ms() - t0);
        }
    };
    for (const wchar_t* word : {L"button", L"system", L"list", L"zebra", L"a~", L"class", L"main", L"window"}) {
        type(word, paced, 150);
        type(word, backToBack, 0);
    }
    for (int i = 0; i < 20; ++i) {
        Sleep(150);
        const double t0 = Ms();
        Send(List, WM_NULL, 0, 0, nullptr, 30000);
        noOp.push_back(Ms() - t0);
    }
    TKeyTimes t;
    t.Paced = Median(paced);
    t.Worst = *std::max_element(paced.begin(), paced.end());
    t.BackToBack = Median(backToBack);
    t.NoOp = Median(noOp);
    return t;
}

// The keyword requests the agent logged from Mark on, fetched bare one after another as
// the program asks for them; the time in ms (0 when there were none).
double FetchBare(standin_test::AgentProcess& Agent, size_t Mark, size_t& Pages) {
    std::vector<std::string> pages;
    const std::vector<std::string> log = Agent.RequestLog();
    for (size_t i = Mark; i < log.size(); ++i)
        if (log[i].find("method=keywords") != std::string::npos)
            pages.push_back(log[i]);
    Pages = pages.size();
    const double t0 = Ms();
    for (const std::string& target : pages) {
        standin_test::HttpGet(L"http://127.0.0.1:" + std::to_wstring(Agent.Port()) + standin_test::Widen(target));
    }
    return pages.empty() ? 0 : Ms() - t0;
}

void IndexFigures(const std::wstring& Exe, standin_test::AgentProcess& Agent, int Runs) {
    std::vector<double> full, bare, ratios, cached;
    TIndexRun first;
    size_t pages = 0;
    // Each load through the program is followed by the bare fetch of its pages, so that both
    // figures of a pair meet the same load of the machine.
    for (int run = 0; run < Runs; ++run) {
        // No cache: the start loads none that could still be running at the menu command.
        DeleteFileW(IndexCachePath().c_str());
        ViewerProcess viewer;
        HWND main = nullptr, list = nullptr, edit = nullptr;
        if (!StartWithIndexPage(viewer, Exe, main, list, edit)) {
            std::printf("the index page did not show\n");
            return;
        }
        if (run == 0)
            first.Before = PrivateMb(viewer.Pid());
        const size_t mark = Agent.RequestLog().size();
        const double ms = LoadFullIndex(viewer, list, first.Rows);
        if (ms < 0) {
            std::printf("the full index did not load through the program\n");
            return;
        }
        if (run == 0) {
            first.After = PrivateMb(viewer.Pid());
            first.Keys = TypeAhead(edit, list);
        }
        Post(main, WM_CLOSE);
        viewer.WaitExit(30000);
        const double b = FetchBare(Agent, mark, pages);
        full.push_back(ms);
        bare.push_back(b);
        if (b > 0)
            ratios.push_back(ms / b);
    }
    // The next starts read the cache (the full mode is saved).
    for (int run = 0; run < Runs; ++run) {
        ViewerProcess viewer;
        HWND main = nullptr, list = nullptr, edit = nullptr;
        const double t0 = Ms();
        if (!StartWithIndexPage(viewer, Exe, main, list, edit)) {
            std::printf("a start with the cached index did not show the index page\n");
            break;
        }
        if (!WaitUntil([&] { return ListViewCount(list) == first.Rows; }, 60000, 2)) {
            std::printf("a start with the cached index showed %d rows, not %d\n", ListViewCount(list), first.Rows);
            Post(main, WM_CLOSE);
            viewer.WaitExit(30000);
            break;
        }
        cached.push_back(Ms() - t0);
        Post(main, WM_CLOSE);
        viewer.WaitExit(30000);
    }
    std::printf("the keyword index through the program (%d rows), medians of %d:\n", first.Rows, Runs);
    std::printf("  full load from the menu               %6.0f ms; the same %zu pages fetched bare %6.0f ms: ratio %.2f "
                "(the median of each load over the bare fetch right after it; goal <= 1.15)\n",
                Median(full), pages, Median(bare), Median(ratios));
    std::printf("  next start to the cached index shown  %6.0f ms (with the start and the contents)\n",
                Median(cached));
    std::printf("  type-ahead, key to the new selection  %6.3f ms median, %.3f ms worst (goal: under 2 ms); "
                "a no-op send %.3f ms; keys back to back %.3f ms\n",
                first.Keys.Paced, first.Keys.Worst, first.Keys.NoOp, first.Keys.BackToBack);
    std::printf("  private bytes                         %6.1f MB with the full index (%.1f MB before it)\n", first.After,
                first.Before);
    DeleteFileW(IndexCachePath().c_str());
}


// ---- The window's answers through a day of steps (--stalls)

// From a thread of its own, sends the main window a message every 20 ms and keeps the
// longest wait for an answer since the last Take.
class TAnswerProbe {
public:
    explicit TAnswerProbe(HWND Main) : FMain(Main), FThread([this] { Run(); }) {}
    ~TAnswerProbe() {
        FStop = true;
        FThread.join();
    }
    double Take() {
        std::lock_guard<std::mutex> lock(FLock);
        return std::exchange(FLongest, 0.0);
    }

private:
    void Run() {
        while (!FStop) {
            const double t0 = Ms();
            DWORD_PTR r = 0;
            if (!SendMessageTimeoutW(FMain, WM_NULL, 0, 0, SMTO_NORMAL, 120000, &r) && !IsWindow(FMain))
                return;
            const double waited = Ms() - t0;
            {
                std::lock_guard<std::mutex> lock(FLock);
                FLongest = std::max(FLongest, waited);
            }
            if (waited < 20)
                Sleep(static_cast<DWORD>(20 - waited));
        }
    }
    HWND FMain;
    std::atomic<bool> FStop{false};
    std::mutex FLock;
    double FLongest = 0;
    std::thread FThread;
};

// ---- A node of a very large family (--bignode)

constexpr int BigNodeChildren = 50000;

// The interface language switched through Options > Interface Language... to the picker's
// row at Row ("home" or "end") with Enter; the time until the window's title ends in Title
// and the window answers, and the longest wait for its answer meanwhile (-1, -1 when the
// picker did not show or the title did not follow).
std::pair<double, double> SwitchLanguage(HWND Main, DWORD Pid, TAnswerProbe& Probe, const wchar_t* Row,
                                         const std::wstring& Title) {
    if (!SendChord(Main, L"alt+o"))
        return {-1, -1};
    Sleep(500);
    SendChord(nullptr, L"l");
    HWND picker = WaitForWindow({Pid, L"TTranslateForm.UnicodeClass", L"", nullptr, true}, 10000);
    if (!picker || !SendChord(picker, Row))
        return {-1, -1};
    Sleep(300);
    Probe.Take();
    const double t0 = Ms();
    SendChord(picker, L"enter");
    const auto titled = [&] {
        const std::wstring t = WindowText(Main);
        return t.size() >= Title.size() && t.find(Title) != std::wstring::npos;
    };
    if (!WaitUntil(titled, 60000, 5) || !Send(Main, WM_NULL, 0, 0, nullptr, 60000))
        return {-1, -1};
    const double took = Ms() - t0;
    Sleep(200);
    return {took, Probe.Take()};
}

// "Generated Big Node" expanded as a click on its button does, Runs times in fresh starts:
// the time to the expansion's end, the longest wait for the main window's answer meanwhile,
// and the private bytes the expansion added per child shown. Then, with the node open, the
// interface switched to Hebrew (right to left) and back: each switch's time and the window's
// longest wait meanwhile. The program runs from a folder of its own that holds the language file.
void BigNodeFigures(const std::wstring& BuiltExe, standin_test::AgentProcess& Agent, int Runs) {
    const std::wstring folder = standin_test::MakeTempFolder(L"bench-bignode");
    const std::wstring Exe = folder + L"\\Vorlane.exe";
    const wchar_t* const hebrewTitle = L"\u05de\u05e6\u05d1 \u05dc\u05d0 \u05de\u05e7\u05d5\u05d5\u05df";
    if (!CopyFileW(BuiltExe.c_str(), Exe.c_str(), FALSE) ||
        !WriteLangFile(folder + L"\\vorlane.lang.he",
                       std::wstring(L"[Translator]\r\nName=Bench\r\n[main]\r\nWinTitle_OfflineMode=") + hebrewTitle +
                           L"\r\n")) {
        std::printf("the program could not be copied to %ls\n", folder.c_str());
        return;
    }
    std::vector<double> took, waited, perNode, bare, toHebrew, toHebrewWait, back, backWait;
    int children = 0;
    size_t replyBytes = 0;
    // The agent's own part: the children reply fetched bare.
    const auto fetchBare = [&] {
        const double t0 = Ms();
        replyBytes = standin_test::HttpGet(Agent.Base(true) +
                                           L"product=VS&productVersion=100&locale=en-US&method=children&id=gen-big-node"
                                           L"&format=xml")
                         .body.size();
        bare.push_back(Ms() - t0);
    };
    for (int run = 0; run < Runs; ++run) {
        ViewerProcess viewer;
        if (!viewer.Start(Exe))
            break;
        HWND main = WaitForWindow({viewer.Pid(), MainFormClass, L"", nullptr, true}, 60000);
        HWND tree = nullptr;
        if (!main || !WaitUntil([&] { return (tree = ContentsTree(main)) && TreeCount(tree) > 0; }, 60000, 5)) {
            std::printf("the contents did not show\n");
            break;
        }
        HTREEITEM big = nullptr;
        WaitUntil([&] { return (big = ItemNamed(tree, nullptr, L"Generated Big Node")) != nullptr; }, 30000, 20);
        if (!big) {
            std::printf("the contents have no \"Generated Big Node\"\n");
            Post(main, WM_CLOSE);
            viewer.WaitExit(30000);
            break;
        }
        Sleep(500); // the start's own work done
        fetchBare();
        const int before = TreeCount(tree);
        const double bytesBefore = PrivateMb(viewer.Pid());
        TAnswerProbe probe(main);
        Sleep(100);
        probe.Take();
        const double t0 = Ms();
        Send(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(big), nullptr, 300000);
        took.push_back(Ms() - t0);
        Sleep(200); // the probe's send under way when the expansion ended has its answer
        waited.push_back(probe.Take());
        const double bytesAfter = PrivateMb(viewer.Pid());
        // Items the window gained; the children read back one by one.
        const int items = TreeCount(tree) - before;
        children = static_cast<int>(Children(tree, big).size());
        if (items > 0)
            perNode.push_back((bytesAfter - bytesBefore) * 1e6 / items);
        const auto [he, heWait] = SwitchLanguage(main, viewer.Pid(), probe, L"end", hebrewTitle);
        const auto [en, enWait] = SwitchLanguage(main, viewer.Pid(), probe, L"home", L" - Offline Mode, ");
        if (he >= 0 && en >= 0) {
            toHebrew.push_back(he);
            toHebrewWait.push_back(heWait);
            back.push_back(en);
            backWait.push_back(enWait);
        }
        Post(main, WM_CLOSE);
        viewer.WaitExit(60000);
    }
    if (took.empty())
        return;
    std::printf("a node of %d children (\"Generated Big Node\"), medians of %zu starts:\n", children, took.size());
    std::printf("  expanding it                          %6.0f ms (goal: under 5 s); the window's longest wait "
                "meanwhile %.0f ms\n", Median(took), Median(waited));
    std::printf("  private bytes per node (item added)   %6.0f (goal: at most 1,024)\n",
                perNode.empty() ? 0.0 : Median(perNode));
    std::printf("  the agent's reply (%zu bytes) fetched bare: %.0f ms the first time (built; each expansion above "
                "asked for it after a bare fetch)\n", replyBytes, bare.front());
    if (toHebrew.empty()) {
        std::printf("  the language switch did not get through\n");
    } else {
        std::printf("  with it open, the interface switched to Hebrew %6.0f ms; the window's longest wait %.0f ms "
                    "(goal: under 500 ms)\n", Median(toHebrew), Median(toHebrewWait));
        std::printf("  and back to the system's language       %6.0f ms; the window's longest wait %.0f ms\n",
                    Median(back), Median(backWait));
    }
    standin_test::DeleteFolderTree(folder);
}

// A topic of the agent's children reply: id, version and locale.
struct TChild {
    std::wstring Id, Version, Locale;
};

std::wstring Between(const std::string& S, size_t From, const char* Start, const char* End, size_t& At) {
    At = S.find(Start, From);
    if (At == std::string::npos)
        return L"";
    At += std::strlen(Start);
    const size_t e = S.find_first_of(End, At);
    return standin_test::Widen(S.substr(At, e == std::string::npos ? std::string::npos : e - At));
}

std::vector<TChild> AgentChildren(standin_test::AgentProcess& Agent, const std::wstring& Id) {
    const std::string body =
        standin_test::HttpGet(Agent.Base(true) + L"product=VS&productVersion=100&locale=en-US&method=children&id=" + Id +
                              L"&format=xml")
            .body;
    std::vector<TChild> out;
    for (size_t at = 0;;) {
        TChild c;
        c.Id = Between(body, at, "<topic id=\"", "\"", at);
        if (at == std::string::npos)
            break;
        size_t v = at, l = at;
        c.Version = Between(body, at, "topicversion=", "&<", v);
        c.Locale = Between(body, at, "topiclocale=", "&<", l);
        out.push_back(c);
    }
    return out;
}

// The agent's requests logged so far.
size_t Requests(standin_test::AgentProcess& Agent) { return Agent.RequestLog().size(); }

// The viewer is done with a step: no new request for 400 ms and no cancel window.
bool Settled(ViewerProcess& Viewer, standin_test::AgentProcess& Agent, DWORD TimeoutMs = 60000) {
    size_t last = Requests(Agent);
    double since = Ms();
    return WaitUntil([&] {
        const size_t n = Requests(Agent);
        if (n != last || FindTopWindow({Viewer.Pid(), L"TCancelForm.UnicodeClass", L"", nullptr, true})) {
            last = n;
            since = Ms();
        }
        return Ms() - since > 400;
    }, TimeoutMs, 20);
}

// One step: Action runs on a thread of its own (its messages may block until the viewer
// has handled them) while the probe watches the window.
struct TStepFigures {
    double Longest = 0;    // the longest wait for an answer, ms
    double Took = 0;       // the action, to the viewer settled
    size_t Asked = 0;      // requests to the agent
    double WindowAfter = -1;   // the cancel window shown, ms after the start (-1: never)
    double CancelToGone = -1;  // Cancel clicked to the window gone
    double CancelToEnd = -1;   // Cancel clicked to the action's end
};

TStepFigures RunStep(TAnswerProbe& Probe, ViewerProcess& Viewer, standin_test::AgentProcess& Agent,
                     const std::function<void()>& Action, DWORD CancelAfterMs = 0) {
    TStepFigures f;
    const size_t asked = Requests(Agent);
    Probe.Take();
    std::atomic<bool> done{false};
    const double t0 = Ms();
    std::thread step([&] {
        Action();
        done = true;
    });
    const WindowQuery cancelQuery{Viewer.Pid(), L"TCancelForm.UnicodeClass", L"", nullptr, true};
    HWND window = nullptr;
    // An action sent as input may return before the window shows: a step that cancels waits for it.
    WaitUntil([&] { return (done && !CancelAfterMs) || (window = FindTopWindow(cancelQuery)) != nullptr; },
              CancelAfterMs ? 10000 : 60000, 5);
    if (window) {
        f.WindowAfter = Ms() - t0;
        if (CancelAfterMs) {
            Sleep(CancelAfterMs);
            const double c = Ms();
            Post(FindDescendant(window, L"TTntButton.UnicodeClass"), BM_CLICK);
            WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); }, 30000, 2);
            f.CancelToGone = Ms() - c;
            WaitUntil([&] { return done.load(); }, 60000, 2);
            f.CancelToEnd = Ms() - c;
        }
    }
    step.join();
    Settled(Viewer, Agent);
    f.Took = Ms() - t0;
    f.Longest = Probe.Take();
    f.Asked = Requests(Agent) - asked;
    return f;
}

// The steps of the days run, by name in the order first taken, with their goal and the
// figures of each run.
struct TStepRecord {
    std::string What;
    double Goal = 0;
    std::vector<TStepFigures> Runs;
};
class TDays {
public:
    void Add(const std::string& What, double Goal, const TStepFigures& F) {
        auto it = std::find_if(FSteps.begin(), FSteps.end(), [&](const TStepRecord& r) { return r.What == What; });
        if (it == FSteps.end())
            it = FSteps.insert(FSteps.end(), TStepRecord{What, Goal, {}});
        it->Runs.push_back(F);
    }
    const std::vector<TStepRecord>& Steps() const { return FSteps; }
    std::vector<double> ClosedAfter; // WM_CLOSE 2 s into a wait to the program's end, ms

private:
    std::vector<TStepRecord> FSteps;
};

// "median (min-max)" of a field over the runs that have it (a field below 0 is not there).
std::string Spread(const std::vector<TStepFigures>& Runs, double TStepFigures::*Field) {
    std::vector<double> v;
    for (const TStepFigures& f : Runs)
        if (f.*Field >= 0)
            v.push_back(f.*Field);
    if (v.empty())
        return "";
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    char text[80];
    if (v.size() == 1)
        std::snprintf(text, sizeof text, "%.0f", v[0]);
    else
        std::snprintf(text, sizeof text, "%.0f (%.0f-%.0f)", Median(v), *lo, *hi);
    return text;
}

void PrintSteps(const TDays& Days, bool Stalled) {
    for (const TStepRecord& r : Days.Steps()) {
        if ((r.Goal > 300) != Stalled)
            continue;
        int over = 0;
        std::vector<double> asked;
        for (const TStepFigures& f : r.Runs) {
            over += f.Longest > r.Goal ? 1 : 0;
            asked.push_back(static_cast<double>(f.Asked));
        }
        std::printf("  %-52s %20s", r.What.c_str(), (Spread(r.Runs, &TStepFigures::Longest) + " ms").c_str());
        if (over)
            std::printf(" OVER in %d of %zu", over, r.Runs.size());
        std::printf("  (%.0f requests, %s ms in all)", Median(asked), Spread(r.Runs, &TStepFigures::Took).c_str());
        if (const std::string w = Spread(r.Runs, &TStepFigures::WindowAfter); !w.empty())
            std::printf("; cancel window after %s ms", w.c_str());
        if (const std::string c = Spread(r.Runs, &TStepFigures::CancelToGone); !c.empty())
            std::printf("; Cancel to the window gone %s ms, to the action's end %s ms", c.c_str(),
                        Spread(r.Runs, &TStepFigures::CancelToEnd).c_str());
        std::printf("\n");
    }
}

// Expands Item as a click on its button does.
std::function<void()> ExpandAction(HWND Tree, HTREEITEM Item) {
    return [Tree, Item] { Send(Tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(Item), nullptr, 120000); };
}

// The address box of the tab shown (each tab has its own, beside its "Go" button).
HWND AddressBox(HWND Main) {
    for (int i = 0; HWND go = FindDescendant(Main, L"TTntButton.UnicodeClass", L"Go", i); ++i)
        if (IsWindowVisible(go))
            return FindDescendant(GetParent(go), L"TTntEdit.UnicodeClass");
    return nullptr;
}

// Ctrl+T with the address box of the tab shown holding a topic's page.
std::function<void()> SyncAction(HWND Main, const std::wstring& Url) {
    return [Main, Url] {
        SetText(AddressBox(Main), Url);
        SendChord(Main, L"ctrl+t");
    };
}

std::wstring PageUrl(standin_test::AgentProcess& Agent, const TChild& C) {
    return Agent.Base(true) + L"method=page&id=" + C.Id + L"&product=VS&productVersion=100&locale=en-US&topicversion=" +
           C.Version + L"&topiclocale=" + C.Locale + L"&format=html";
}

// What a day works on, found in the generated library through the agent itself.
struct TStallTargets {
    size_t Types = 0, SmallCount = 0, BigCount = 0;
    TChild Small, Big, DeepFirst, DeepSecond;
};

bool FindTargets(standin_test::AgentProcess& Agent, TStallTargets& T) {
    const std::vector<TChild> namespaces = AgentChildren(Agent, L"gen-root");
    if (namespaces.size() < 3) {
        std::printf("the generated library has too few namespaces\n");
        return false;
    }
    const std::vector<TChild> types = AgentChildren(Agent, namespaces[0].Id);
    T.Types = types.size();
    for (const TChild& t : types) {
        const size_t n = AgentChildren(Agent, t.Id).size();
        if (n < 31 && n > T.SmallCount) {
            T.Small = t;
            T.SmallCount = n;
        }
        if (n > T.BigCount) {
            T.Big = t;
            T.BigCount = n;
        }
    }
    const std::vector<TChild> deepFirst = AgentChildren(Agent, AgentChildren(Agent, namespaces[1].Id).front().Id);
    const std::vector<TChild> deepSecond = AgentChildren(Agent, AgentChildren(Agent, namespaces[2].Id).front().Id);
    if (deepFirst.empty() || deepSecond.empty() || T.Small.Id.empty()) {
        std::printf("no deep topic found in the generated library\n");
        return false;
    }
    T.DeepFirst = deepFirst.front();
    T.DeepSecond = deepSecond.front();
    return true;
}

constexpr double GoalHealthy = 250, GoalStalled = 350;

// The agent started anew, healthy or holding every contents request 5 s.
bool RestartAgent(standin_test::Installation& Inst, standin_test::AgentProcess& Agent, int Port, bool Stalling) {
    Agent.Stop();
    std::vector<std::pair<std::wstring, std::wstring>> env;
    if (Stalling)
        env.push_back({L"STANDIN_AGENT_FAULTS", L"children=stall:5000;ancestors=stall:5000;toc=stall:5000"});
    if (!Agent.Start(Inst, Port, env, true) || !Agent.WaitForPort(120000)) {
        std::printf("the %s agent did not start\n", Stalling ? "stalling" : "healthy");
        return false;
    }
    return true;
}

// A day of steps under the probe: with the agent healthy, then with every contents request
// held 5 s (Cancel clicked 1 s into the wait, or the reply waited for, or the program
// closed). A start and close of its own comes first, for the close with the agent healthy.
bool StallDay(const std::wstring& Exe, standin_test::Installation& Inst, standin_test::AgentProcess& Agent, int Port,
              const TStallTargets& T, TDays& Days) {
    {
        ViewerProcess viewer;
        if (!viewer.Start(Exe))
            return false;
        HWND main = WaitForWindow({viewer.Pid(), MainFormClass, L"", nullptr, true}, 60000);
        if (!main || !WaitUntil([&] { HWND t = ContentsTree(main); return t && TreeCount(t) > 0; }, 60000, 5))
            return false;
        Settled(viewer, Agent);
        TAnswerProbe probe(main);
        Sleep(200);
        Days.Add("close", GoalHealthy, RunStep(probe, viewer, Agent, [&] {
                     Post(main, WM_CLOSE);
                     viewer.WaitExit(60000);
                 }));
    }
    ViewerProcess viewer;
    const double t0 = Ms();
    if (!viewer.Start(Exe))
        return false;
    HWND main = WaitForWindow({viewer.Pid(), MainFormClass, L"", nullptr, true}, 60000);
    if (!main)
        return false;
    TAnswerProbe probe(main);
    HWND tree = nullptr;
    WaitUntil([&] { return (tree = ContentsTree(main)) && TreeCount(tree) > 0; }, 60000, 5);
    Settled(viewer, Agent);
    TStepFigures start;
    start.Longest = probe.Take();
    start.Took = Ms() - t0;
    start.Asked = Requests(Agent);
    HTREEITEM root = tree ? ItemNamed(tree, nullptr, L"Generated Class Library") : nullptr;
    if (!tree || !AddressBox(main) || !root) {
        std::printf("the contents or the address box did not show\n");
        return false;
    }
    const auto step = [&](const std::string& What, double Goal, const std::function<void()>& Action,
                          DWORD CancelAfterMs = 0) {
        Days.Add(What, Goal, RunStep(probe, viewer, Agent, Action, CancelAfterMs));
    };
    Days.Add("start-up to the contents shown", GoalHealthy, start);
    step("sync (Ctrl+T) on the fresh tree to a member", GoalHealthy, SyncAction(main, PageUrl(Agent, T.DeepFirst)));
    step("opening the member (Enter in the contents)", GoalHealthy, [&] {
        SendChord(main, L"ctrl+1");
        SendChord(main, L"enter");
    });
    if (HWND box = CatalogBox(main); box && ComboCount(box) > 1) {
        const int current = static_cast<int>(SendMessageW(box, CB_GETCURSEL, 0, 0));
        step("catalog change", GoalHealthy, [&] { ChooseRow(box, current == 0 ? 1 : 0); });
        step("and back", GoalHealthy, [&] { ChooseRow(box, current); });
    }
    step("the index (Ctrl+2), a keyword typed, Enter", GoalHealthy, [&] {
        SendChord(main, L"ctrl+2");
        TypeText(main, L"button");
        SendChord(nullptr, L"enter");
    });
    step("a search (Ctrl+E, a word, Enter)", GoalHealthy, [&] { SearchFor(main, L"string"); });
    SendChord(main, L"ctrl+1");
    Settled(viewer, Agent);
    tree = ContentsTree(main);
    root = tree ? ItemNamed(tree, nullptr, L"Generated Class Library") : nullptr;
    if (!root) {
        std::printf("the contents did not come back\n");
        return false;
    }
    step("expanding the generated library", GoalHealthy, ExpandAction(tree, root));
    HTREEITEM ns = Next(tree, TVGN_CHILD, root);
    const std::wstring nsText = ns ? TreeItemText(tree, ns) : L"";
    char what[200];
    std::snprintf(what, sizeof what, "expanding a namespace (%zu children)", T.Types);
    step(what, GoalHealthy, ExpandAction(tree, ns));
    // The types by their node text: the first child whose text begins with the type's name.
    const auto typeItem = [&](const TChild& Type) -> HTREEITEM {
        const size_t dot = Type.Id.rfind(L'.');
        const std::wstring name = Type.Id.substr(dot == std::wstring::npos ? 0 : dot + 1);
        for (HTREEITEM i : Children(tree, ns))
            if (TreeItemText(tree, i).rfind(name, 0) == 0)
                return i;
        return nullptr;
    };
    if (HTREEITEM item = typeItem(T.Small)) {
        std::snprintf(what, sizeof what, "expanding a type of %zu children", T.SmallCount);
        step(what, GoalHealthy, ExpandAction(tree, item));
    }
    if (HTREEITEM item = typeItem(T.Big)) {
        std::snprintf(what, sizeof what, "expanding a type of %zu children", T.BigCount);
        step(what, GoalHealthy, ExpandAction(tree, item));
    }

    // The same agent again, now holding every contents request 5 s.
    if (!RestartAgent(Inst, Agent, Port, true))
        return false;
    root = ItemNamed(tree, nullptr, L"Generated Class Library");
    std::vector<HTREEITEM> spaces = root ? Children(tree, root) : std::vector<HTREEITEM>();
    if (spaces.size() < 4) {
        Post(main, WM_CLOSE);
        viewer.WaitExit(30000);
        return false;
    }
    step("expanding a namespace, Cancel after 1 s", GoalStalled, ExpandAction(tree, spaces[1]), 1000);
    step("sync (Ctrl+T) to a member, Cancel after 1 s", GoalStalled, SyncAction(main, PageUrl(Agent, T.DeepSecond)),
         1000);
    step("expanding a namespace, the replies waited for", GoalStalled, ExpandAction(tree, spaces[2]));
    step("opening a topic (Enter in the contents)", GoalStalled, [&] {
        SendChord(main, L"ctrl+1");
        SendChord(main, L"enter");
    });
    // Closing 2 s into a wait.
    TStepFigures close = RunStep(probe, viewer, Agent, [&] {
        std::thread expand(ExpandAction(tree, spaces[3]));
        Sleep(2000);
        const double c = Ms();
        Post(main, WM_CLOSE);
        viewer.WaitExit(60000);
        Days.ClosedAfter.push_back(Ms() - c);
        expand.join();
    });
    Days.Add("closing 2 s into a wait", GoalStalled, close);
    return true;
}

// Runs days, the agent healthy again at the start of each, and prints the median and range
// of each step's figures.
void StallFigures(const std::wstring& Exe, standin_test::Installation& Inst, standin_test::AgentProcess& Agent,
                  int Port, int Runs) {
    TStallTargets targets;
    if (!FindTargets(Agent, targets))
        return;
    TDays days;
    int done = 0;
    for (int run = 0; run < Runs; ++run) {
        if (run > 0 && !RestartAgent(Inst, Agent, Port, false))
            break;
        if (!StallDay(Exe, Inst, Agent, Port, targets, days)) {
            std::printf("day %d did not get through\n", run + 1);
            break;
        }
        ++done;
    }
    std::printf("the longest wait for the main window's answer, per step (a message every 20 ms from outside); "
                "median (range) of %d days:\n", done);
    std::printf("with the agent healthy (goal: no step over %.0f ms)\n", GoalHealthy);
    PrintSteps(days, false);
    std::printf("with every contents request held 5 s (goal: no wait over %.0f ms; Cancel ends the wait within "
                "300 ms)\n", GoalStalled);
    PrintSteps(days, true);
    if (!days.ClosedAfter.empty()) {
        const auto [lo, hi] = std::minmax_element(days.ClosedAfter.begin(), days.ClosedAfter.end());
        std::printf("  the program ended %.0f (%.0f-%.0f) ms after WM_CLOSE sent 2 s into a wait\n",
                    Median(days.ClosedAfter), *lo, *hi);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: bench_viewer Z:\\...\\Vorlane.exe [--runs N]\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    int runs = 5;
    bool indexOnly = false, stalls = false, bigNodeOnly = false;
    for (int i = 2; i < argc; ++i)
        if (std::wstring(argv[i]) == L"--runs" && i + 1 < argc)
            runs = std::max(1, _wtoi(argv[i + 1]));
        else if (std::wstring(argv[i]) == L"--index")
            indexOnly = true;
        else if (std::wstring(argv[i]) == L"--stalls")
            stalls = true;
        else if (std::wstring(argv[i]) == L"--bignode")
            bigNodeOnly = true;
    double t0 = Ms();
    standin_test::Installation inst =
        standin_test::InstallStandin(
            L"bench-viewer",
            {L"--clean", L"--store", L"large", L"--big-node", std::to_wstring(BigNodeChildren)}, true);
    if (!inst.ok) {
        std::printf("the stand-in runtime did not install: %s\n", inst.output.c_str());
        return 1;
    }
    std::printf("stand-in runtime with the large store installed in %.0f ms\n", Ms() - t0);
    DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
    // No web check during the runs.
    RegWriteString(HKEY_CURRENT_USER, UpdateKey, L"LastReadDate", L"99999");
    RegWriteString(HKEY_CURRENT_USER, UpdateKey, L"LastDLFile", L"Vorlane_Version=0.0.0.1\r\n\r\n\r\n");

    const int port = standin_test::FreePort();
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        RegWriteString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Help\\v1.0", L"AgentPort", std::to_wstring(port),
                       view);
    standin_test::AgentProcess agent;
    t0 = Ms();
    if (!agent.Start(inst, port, {}, true) || !agent.WaitForPort(120000)) {
        std::printf("the agent did not start\n");
        standin_test::RemoveInstallation(inst);
        return 1;
    }
    std::printf("agent start to listening: %.0f ms (not counted below)\n", Ms() - t0);

    if (stalls) {
        StallFigures(exe, inst, agent, port, runs);
        agent.Stop();
        DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
        standin_test::RemoveInstallation(inst);
        return 0;
    }
    if (bigNodeOnly) {
        BigNodeFigures(exe, agent, std::min(runs, 3));
        agent.Stop();
        DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
        standin_test::RemoveInstallation(inst);
        return 0;
    }
    std::vector<TRun> done;
    for (int run = 0; run <= runs && !indexOnly; ++run) {
        TRun r;
        if (!RunOnce(exe, r)) {
            std::printf("run %d did not get through start, contents and close\n", run);
            break;
        }
        if (run > 0)
            done.push_back(r);
    }
    if (!done.empty()) {
        const auto median = [&](double TRun::*Field) {
            std::vector<double> v;
            for (const TRun& r : done)
                v.push_back(r.*Field);
            return Median(v);
        };
        const TRun& last = done.back();
        std::printf("with the agent running, medians of %zu starts of Vorlane.exe:\n", done.size());
        std::printf("  start to main window shown            %6.0f ms (goal: under 1 s)\n", median(&TRun::Shown));
        std::printf("  start to contents shown               %6.0f ms (goal: under 2 s)\n", median(&TRun::Contents));
        std::printf("  expanding the generated library       %6.0f ms (%zu children)\n", median(&TRun::Root),
                    last.RootChildren);
        std::printf("  expanding its first namespace         %6.0f ms (%zu children)\n", median(&TRun::Namespace),
                    last.NamespaceChildren);
        std::printf("  expanding a type                      %6.0f ms (%zu children) (goal: under 300 ms)\n",
                    median(&TRun::Type), last.TypeChildren);
    }
    if (!indexOnly)
        BigNodeFigures(exe, agent, std::min(runs, 3));
    IndexFigures(exe, agent, std::max(3, runs / 2));
    agent.Stop();
    DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
    standin_test::RemoveInstallation(inst);
    return 0;
}
