// What a user waits for, through the real program over the stand-in runtime with the large
// generated store (50,000 more topics): the agent's own start (apart), then with the agent
// running, from the start of Vorlane.exe to its main window shown and to the contents shown,
// and expanding nodes of the generated library up to a type with several hundred members.
// Medians of several runs; the first run is not counted. scripts/viewer-bench.sh runs it
// with the index figures.
//   bench_viewer Z:\...\build\Vorlane.exe [--runs N]
#include "BenchTiming.h"
#include "VorlaneProbe.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace vorlane_probe;

double Median(std::vector<double> Values) {
    std::sort(Values.begin(), Values.end());
    return Values.empty() ? 0 : Values[Values.size() / 2];
}

double Ms() { return bench::Seconds() * 1e3; }

HWND ContentsTree(HWND Main) {
    for (int i = 0; HWND tree = FindDescendant(Main, L"TTntTreeView.UnicodeClass", L"", i); ++i)
        if (IsWindowVisible(tree))
            return tree;
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

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: bench_viewer Z:\\...\\Vorlane.exe [--runs N]\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    int runs = 5;
    for (int i = 2; i + 1 < argc; ++i)
        if (std::wstring(argv[i]) == L"--runs")
            runs = std::max(1, _wtoi(argv[i + 1]));
    double t0 = Ms();
    standin_test::Installation inst =
        standin_test::InstallStandin(L"bench-viewer", {L"--clean", L"--store", L"large"}, true);
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

    std::vector<TRun> done;
    for (int run = 0; run <= runs; ++run) {
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
    agent.Stop();
    DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
    standin_test::RemoveInstallation(inst);
    return 0;
}
