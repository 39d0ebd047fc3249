// Speed of the browser tab frame: a new tab's frame with both web browser controls (made,
// initialised, shown, freed), and the re-fetch of a page's head on navigate-complete (the
// page id, version and locale read from the stand-in agent's page, as for an F1 page).
// Run under Wine: scripts/wine.sh NAME build/bench/bench_browserframe.exe
#include "FBrowserFrame.h"
#include "TntExtCtrls.h"
#include "UH3_Code.h"

#include "BenchTiming.h"
#include "StandinAgentSuite.h"

#include <cstdio>
#include <vector>

int wmain() {
    OleInitialize(nullptr);
    TForm form(nullptr);
    form.SetBounds(0, 0, 900, 700);
    form.Show();

    // A new tab: the frame with its two web browser controls, initialised and shown.
    bool available = true;
    auto tabs = [&](int Count) {
        std::vector<TBrowserFrame*> made;
        for (int i = 0; i < Count; ++i) {
            auto* frame = new TBrowserFrame(&form);
            frame->FrameBasePanel->SetParent(&form);
            frame->Initialise();
            frame->FrameBasePanel->Show();
            available = available && frame->WebBrowser1 && frame->WebBrowser1->Available();
            made.push_back(frame);
        }
        bench::Pump();
        for (TBrowserFrame* frame : made) {
            frame->CloseFrame();
            delete frame;
        }
    };
    const double one = bench::MedianPerCall(9, 3, [&] { tabs(1); });
    const double five = bench::MedianPerCall(5, 1, [&] { tabs(5); });
    std::printf("browser tab frame%s\n", available ? "" : " (web browser NOT AVAILABLE: figures of the empty host)");
    std::printf("  new tab (two browser controls), made and freed:   %8.2f ms\n", one * 1e3);
    std::printf("  five tabs made, then freed (per tab):             %8.2f ms\n", five * 1e3 / 5);

    // The page-head re-fetch against the stand-in agent.
    TStandinAgentSuite suite;
    if (!suite.Start(L"bench-frame")) {
        std::printf("page-head re-fetch: the stand-in runtime is not built\n");
        return 0;
    }
    TH3Paths paths{TH3RegistryPlace{nullptr}};
    TH3Code code{&paths, &suite.Env};
    code.SetCatalogName(L"VS\\100\\en-US");
    std::wstring url;
    code.MakeAgentUrl({L"method", L"f1", L"query", L"System.String"}, url);
    auto* frame = new TBrowserFrame(&form);
    frame->Code = &code;
    frame->Initialise();
    const double fetch = bench::MedianPerCall(9, 10, [&] {
        frame->PageId.clear();
        frame->WebBrowser1NavigateComplete2(url);
    });
    std::printf("page-head re-fetch of an F1 page (id %ls):\n", frame->PageId.c_str());
    std::printf("  fetch and read the head:                          %8.2f ms\n", fetch * 1e3);
    frame->CloseFrame();
    delete frame;
    return 0;
}
