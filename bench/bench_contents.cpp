// The contents tree of the main window in figures, against the stand-in agent:
//   - the quick load of the large generated store (50,000 more topics), requests and time;
//   - expanding the generated library's root, a type with 400 members, and a node with 30
//     children (each child's children fetched);
//   - the full walk of the sample store, requests and time;
//   - a browser tab opened and closed (its frame freed).
// The window is made in this process as the program makes it; the runtime's values come from
// a registry key of the benchmark.
//   scripts/wine.sh NAME build/bench/bench_contents.exe
#include "BenchTiming.h"

#include "FixedAgentEnvironment.h"
#include "StandinSupport.h"
#include "TntComCtrls.h"
#include "TntMenus.h"
#include "UAppSettings.h"
#include "UH3_Code.h"
#include "UAgentLink.h"
#include "UTocData.h"
#include "VMain.h"
#include "qenSmartTabs.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

// One stand-in installation with its agent, the runtime's values in a key of ours, and the
// main window over it.
class TBenchWindow {
public:
    TBenchWindow(const std::wstring& Store, bool Quick) {
        Inst = standin_test::InstallStandin(L"bench-contents", {L"--store", Store});
        if (!Inst.ok)
            return;
        const int port = standin_test::FreePort();
        if (!Agent.Start(Inst, port) || !Agent.WaitForPort(120000))
            return;
        Env.PortText = std::to_wstring(port);
        Env.Pid = Agent.Pid();
        Key = L"Software\\VorlaneBench\\Contents" + std::to_wstring(GetCurrentProcessId()) + Store;
        RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str());
        const std::wstring runtime = Key + L"-runtime";
        RegSetKeyValueW(HKEY_CURRENT_USER, runtime.c_str(), L"LocalStore", REG_SZ, Inst.localStore.c_str(),
                        static_cast<DWORD>((Inst.localStore.size() + 1) * sizeof(wchar_t)));
        RegSetKeyValueW(HKEY_CURRENT_USER, runtime.c_str(), L"AppRoot", REG_SZ, Inst.appRoot.c_str(),
                        static_cast<DWORD>((Inst.appRoot.size() + 1) * sizeof(wchar_t)));
        RegSetKeyValueW(HKEY_CURRENT_USER, runtime.c_str(), L"AgentPort", REG_SZ, Env.PortText.c_str(),
                        static_cast<DWORD>((Env.PortText.size() + 1) * sizeof(wchar_t)));
        const std::wstring quick = Quick ? L"1" : L"0";
        RegSetKeyValueW(HKEY_CURRENT_USER, (Key + L"\\main").c_str(), L"mnuQuickTOCLoad", REG_SZ, quick.c_str(),
                        static_cast<DWORD>((quick.size() + 1) * sizeof(wchar_t)));
        TH3RegistryPlace place;
        place.Root = HKEY_CURRENT_USER;
        place.RuntimeKey = runtime;
        place.BetaKey = runtime + L"-beta";
        Paths = std::make_unique<TH3Paths>(place);
        H3Paths = Paths.get();
        TVMainEnvironment& env = VMainEnvironment();
        env.RegKey = L"\\" + Key;
        env.MutexName = L"VorlaneBenchMutex" + std::to_wstring(GetCurrentProcessId());
        env.UseCommandLine = false;
        env.Params = {L"C:\\Vorlane\\Vorlane.exe"};
        env.SpeechFactory = [](HRESULT& Error) -> std::unique_ptr<TSpeechVoice> {
            Error = E_NOTIMPL;
            return nullptr;
        };
        FreeAppSettings();
        Form = new TVMainForm(nullptr);
        Form->FormCreate();
        delete g_H3Code;
        g_H3Code = new TH3Code(Paths.get(), &Env);
    }
    ~TBenchWindow() {
        if (Form) {
            Form->BeforeDestruction();
            delete Form;
        }
        H3Paths = nullptr;
        Agent.Stop();
        if (!Key.empty()) {
            RegDeleteTreeW(HKEY_CURRENT_USER, Key.c_str());
            RegDeleteTreeW(HKEY_CURRENT_USER, (Key + L"-runtime").c_str());
        }
        standin_test::RemoveInstallation(Inst);
    }
    bool Ready() const { return Form != nullptr; }
    size_t Requests() const { return Agent.RequestLog().size(); }
    TTreeNode* Find(const std::wstring& Text) const {
        for (TTreeNode* n = Form->TreeView1->Items()->GetFirstNode(); n; n = n->GetNext())
            if (n->Text() == Text)
                return n;
        return nullptr;
    }
    // Expands Node; its time in ms, with the requests it made.
    double Expand(TTreeNode* Node, size_t& Requests) const {
        const size_t before = this->Requests();
        const double t0 = bench::Seconds();
        Node->Expand(false);
        const double t = (bench::Seconds() - t0) * 1e3;
        Requests = this->Requests() - before;
        return t;
    }

    standin_test::Installation Inst;
    standin_test::AgentProcess Agent;
    TFixedAgentEnvironment Env;
    std::unique_ptr<TH3Paths> Paths;
    std::wstring Key;
    TVMainForm* Form = nullptr;
};

void ExpandThirty(const TBenchWindow& W, const wchar_t* Where);

void QuickLoadOfTheLargeStore() {
    TBenchWindow w(L"large", true);
    if (!w.Ready()) {
        std::printf("the large store did not install or its agent did not start\n");
        return;
    }
    size_t before = w.Requests();
    double t0 = bench::Seconds();
    w.Form->AmStartupMsg();
    std::printf("first quick load of the large store (with the agent check): %.0f ms, %zu requests, %d nodes\n",
                (bench::Seconds() - t0) * 1e3, w.Requests() - before, w.Form->TreeView1->Items()->Count());
    long long nodes = 0;
    before = w.Requests();
    const double t = bench::Measure(5, [&] {
        w.Form->TOCMenu_ReloadTOCClick();
        return static_cast<long long>(w.Form->TreeView1->Items()->Count());
    }, nodes);
    std::printf("quick reload of the large store: median %.0f ms of 5, %zu requests each, %lld nodes (goal: under 1 s)\n",
                t * 1e3, (w.Requests() - before) / 6, nodes);

    size_t requests = 0;
    TTreeNode* root = w.Find(L"Generated Class Library");
    if (!root) {
        std::printf("(no generated library in the tree)\n");
        return;
    }
    double ms = w.Expand(root, requests);
    std::printf("expanding the generated library (%d children): %.0f ms, %zu requests (goal: under 1 s)\n", root->Count(),
                ms, requests);
    // The first namespace holds a type with 400 members.
    TTreeNode* ns = root->GetFirstChild();
    ms = w.Expand(ns, requests);
    std::printf("expanding its first namespace (%d children, each child's children fetched when under 31): %.0f ms, "
                "%zu requests\n",
                ns->Count(), ms, requests);
    TTreeNode* big = nullptr;
    for (TTreeNode* n = ns->GetFirstChild(); n; n = n->getNextSibling())
        if (!big || n->Count() > big->Count())
            big = n;
    if (big) {
        ms = w.Expand(big, requests);
        std::printf("expanding a type with %d members: %.0f ms, %zu requests (goal: under 1 s)\n", big->Count(), ms,
                    requests);
    }
    ExpandThirty(w, L"in the large store (each request of the stand-in agent is slower there)");
}

// A node of 30 children: each child's own children are fetched.
void ExpandThirty(const TBenchWindow& W, const wchar_t* Where) {
    for (const wchar_t* text : {L"Visual Studio 2010 Help Library", L"Visual Studio Development Environment"})
        if (TTreeNode* n = W.Find(text))
            n->Expand(false);
    if (TTreeNode* editor = W.Find(L"Text Editor Options Reference")) {
        size_t requests = 0;
        const double ms = W.Expand(editor, requests);
        std::printf("expanding a node with %d children %ls: %.0f ms, %zu requests (goal: under 1 s)\n", editor->Count(),
                    Where, ms, requests);
    }
}

void ExpandInTheSampleStore() {
    TBenchWindow w(L"sample", true);
    if (!w.Ready())
        return;
    w.Form->AmStartupMsg();
    ExpandThirty(w, L"in the sample store");
    long long tabs = 0;
    const double t = bench::Measure(20, [&] {
        w.Form->CloseTab(w.Form->NewTab());
        w.Form->FreeClosedFrames();
        return static_cast<long long>(w.Form->SmartTabs->GetTabCount());
    }, tabs);
    std::printf("a tab opened and closed (its frame and web browser made and freed): median %.1f ms of 20, %lld tab "
                "left\n",
                t * 1e3, tabs);
}

void FullWalkOfTheSampleStore() {
    TBenchWindow w(L"sample", false);
    if (!w.Ready()) {
        std::printf("the sample store did not install or its agent did not start\n");
        return;
    }
    w.Form->AmStartupMsg();
    long long nodes = 0;
    const size_t before = w.Requests();
    const double t = bench::Measure(5, [&] {
        w.Form->TOCMenu_ReloadTOCClick();
        return static_cast<long long>(w.Form->TreeView1->Items()->Count());
    }, nodes);
    std::printf("full walk of the sample store: median %.0f ms of 5, %zu requests each, %lld nodes\n", t * 1e3,
                (w.Requests() - before) / 6, nodes);
}

} // namespace

int wmain() {
    QuickLoadOfTheLargeStore();
    ExpandInTheSampleStore();
    FullWalkOfTheSampleStore();
    return 0;
}
