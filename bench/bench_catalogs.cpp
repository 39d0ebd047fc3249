// A store of many catalogs through the real program: the stand-in runtime's sample store
// gets N more catalogs in its manifest (each with one package of the store), and for each
// N the viewer is started and closed while the agent runs. Printed per N, medians of a few
// runs: from the start of Vorlane.exe to its main window shown, to the catalog box holding
// every catalog, and from the close request to the end of the process. Time per catalog
// that stays the same from 5,000 to 50,000 catalogs says that start and close are linear.
//   bench_catalogs Z:\...\build\Vorlane.exe [--runs N] [--sizes 5000,20000,50000]
// scripts/viewer-bench.sh --catalogs runs it.
#include "BenchTiming.h"
#include "VorlaneProbe.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace vorlane_probe;

double Ms() { return bench::Seconds() * 1e3; }

// The catalog box once it holds Items catalogs (no other combo box of the window has as many).
HWND FilledCatalogBox(HWND Main, int Items) {
    for (int i = 0; HWND combo = FindDescendant(Main, L"TTntComboBox.UnicodeClass", L"", i); ++i)
        if (ComboCount(combo) == Items)
            return combo;
    return nullptr;
}

std::string ReadText(const std::wstring& File) {
    std::ifstream in(File.c_str(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The sample manifest with Count more catalogs before its end of the list.
bool WriteManifest(const std::wstring& File, const std::string& Sample, int Count) {
    const size_t end = Sample.rfind("</catalogs>");
    if (end == std::string::npos)
        return false;
    std::string extra;
    extra.reserve(static_cast<size_t>(Count) * 420);
    for (int c = 0; c < Count; ++c) {
        const std::string n = std::to_string(c);
        extra += "    <catalog productId=\"P" + n + "\" productVersion=\"100\" productLocale=\"en-US\" productDisplayName=\"Product " +
                 n + "\" sourceType=\"Package\">\r\n      <catalogPath>C:\\store\\catalogs\\P" + n +
                 "\\100\\EN-US</catalogPath>\r\n      <contentPath>C:\\store\\content</contentPath>\r\n"
                 "      <catalogSources><catalogSource sourceType=\"Package\"><sourceFiles><sourceFile fileName=\"P" +
                 n + ".msha\" vendorPath=\"Microsoft\\store\"><contentFiles>\r\n"
                 "        <contentFile fileName=\"vs_ide.mshc\" vendorPath=\"Microsoft\\store\" />\r\n"
                 "      </contentFiles></sourceFile></sourceFiles></catalogSource></catalogSources>\r\n    </catalog>\r\n";
    }
    std::ofstream out(File.c_str(), std::ios::binary | std::ios::trunc);
    out << Sample.substr(0, end) << extra << Sample.substr(end);
    return static_cast<bool>(out);
}

struct TRun {
    double Shown = 0, Filled = 0, Close = 0;
};

bool RunOnce(const std::wstring& Exe, int Items, TRun& Run) {
    ViewerProcess viewer;
    const double t0 = Ms();
    if (!viewer.Start(Exe))
        return false;
    HWND main = WaitForWindow({viewer.Pid(), MainFormClass, L"", nullptr, true}, 120000);
    if (!main) {
        viewer.Kill();
        return false;
    }
    Run.Shown = Ms() - t0;
    if (!WaitUntil([&] { return FilledCatalogBox(main, Items) != nullptr; }, 120000, 5)) {
        viewer.Kill();
        return false;
    }
    Run.Filled = Ms() - t0;
    // The window answers: its start has ended.
    Send(main, WM_NULL, 0, 0, nullptr, 120000);
    const double c0 = Ms();
    Post(main, WM_CLOSE);
    const long code = viewer.WaitExit(180000);
    Run.Close = Ms() - c0;
    return code == 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::printf("usage: bench_catalogs Z:\\...\\Vorlane.exe [--runs N] [--sizes 5000,20000,50000]\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    int runs = 3;
    std::vector<int> sizes{5000, 20000, 50000};
    for (int i = 2; i + 1 < argc; ++i)
        if (std::wstring(argv[i]) == L"--runs")
            runs = std::max(1, _wtoi(argv[++i]));
        else if (std::wstring(argv[i]) == L"--sizes") {
            sizes.clear();
            std::wstringstream list(argv[++i]);
            for (std::wstring n; std::getline(list, n, L',');)
                if (_wtoi(n.c_str()) > 0)
                    sizes.push_back(_wtoi(n.c_str()));
        }
    standin_test::Installation inst = standin_test::InstallStandin(L"bench-catalogs", {L"--clean"}, true);
    if (!inst.ok) {
        std::printf("the stand-in runtime did not install: %s\n", inst.output.c_str());
        return 1;
    }
    const std::wstring manifest = inst.localStore + L"\\manifest\\queryManifest.3.xml";
    const std::string sample = ReadText(manifest);
    const int port = standin_test::FreePort();
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        RegWriteString(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Help\\v1.0", L"AgentPort", std::to_wstring(port),
                       view);
    RegWriteString(HKEY_CURRENT_USER, UpdateKey, L"LastReadDate", L"99999");
    RegWriteString(HKEY_CURRENT_USER, UpdateKey, L"LastDLFile", L"Vorlane_Version=0.0.0.1\r\n\r\n\r\n");

    std::printf("medians of %d starts and closes of Vorlane.exe per store (the first run not counted):\n", runs);
    std::printf("  %8s %10s %10s %10s %12s %12s\n", "catalogs", "shown ms", "filled ms", "close ms", "filled us/c",
                "close us/c");
    int status = 0;
    for (int n : sizes) {
        if (!WriteManifest(manifest, sample, n)) {
            std::printf("the manifest could not be written\n");
            status = 1;
            break;
        }
        DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
        standin_test::AgentProcess agent;
        if (!agent.Start(inst, port, {}, true) || !agent.WaitForPort(120000)) {
            std::printf("the agent did not start\n");
            status = 1;
            break;
        }
        std::vector<TRun> done;
        for (int run = 0; run <= runs; ++run) {
            TRun r;
            if (!RunOnce(exe, n + 3, r)) {
                std::printf("  %8d: run %d did not get through start, fill and close\n", n, run);
                break;
            }
            if (run > 0)
                done.push_back(r);
        }
        agent.Stop();
        if (done.empty()) {
            status = 1;
            continue;
        }
        const auto median = [&](double TRun::*Field) {
            std::vector<double> v;
            for (const TRun& r : done)
                v.push_back(r.*Field);
            return bench::Median(v);
        };
        std::printf("  %8d %10.0f %10.0f %10.0f %12.1f %12.1f\n", n, median(&TRun::Shown), median(&TRun::Filled),
                    median(&TRun::Close), median(&TRun::Filled) * 1e3 / n, median(&TRun::Close) * 1e3 / n);
        std::fflush(stdout);
    }
    DeleteRegKeyTree(HKEY_CURRENT_USER, ViewerKey);
    standin_test::RemoveInstallation(inst);
    return status;
}
