// Speed of the ActiveX host: making the web browser control (create, activate in place in a
// shown form, destroy), once and in pairs as a browser tab needs it; and the cost of one
// late-bound property read through TAutoObject against a call by a known dispatch id on a
// real automation object (Scripting.Dictionary), as a page styling pass makes many.
// Run under Wine: scripts/wine.sh NAME build/bench/bench_browserhost.exe
#include "Forms.h"
#include "OleAuto.h"
#include "WebBrowser.h"

#include "BenchTiming.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

int wmain() {
    OleInitialize(nullptr);
    {
        TForm form(nullptr);
        form.SetBounds(0, 0, 800, 600);
        form.Show();
        bool available = true;
        auto make = [&](int count) {
            std::vector<TWebBrowser*> made;
            for (int i = 0; i < count; ++i) {
                auto* wb = new TWebBrowser(&form);
                wb->SetParent(&form);
                wb->SetAlign(alClient);
                available = available && wb->Available() && wb->InPlaceActive();
                made.push_back(wb);
            }
            bench::Pump();
            for (TWebBrowser* wb : made)
                delete wb;
        };
        const double one = bench::MedianPerCall(9, 5, [&] { make(1); });
        const double two = bench::MedianPerCall(9, 5, [&] { make(2); });
        std::printf("web browser control%s\n", available ? "" : " (NOT AVAILABLE: figures are of the empty host)");
        std::printf("  create, activate, destroy one:       %8.2f ms\n", one * 1e3);
        std::printf("  the two of a browser tab:            %8.2f ms\n", two * 1e3);

        CLSID clsid;
        TComPtr<IDispatch> dict;
        if (SUCCEEDED(CLSIDFromProgID(L"Scripting.Dictionary", &clsid)) &&
            SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, dict.PutVoid()))) {
            TAutoObject d(dict.Get());
            d.Call(L"Add", {L"key", 1});
            int sink = 0;
            const double byName = bench::MedianPerCall(9, 20000, [&] { sink += d.Int(L"Count"); });
            DISPID id;
            DispIdOfName(dict.Get(), L"Count", id);
            const double byId = bench::MedianPerCall(9, 20000, [&] {
                TVariant v;
                DispInvoke(dict.Get(), id, DISPATCH_PROPERTYGET, {}, v.Put());
                sink += v.Get()->lVal;
            });
            std::printf("late-bound property read (Scripting.Dictionary.Count)\n");
            std::printf("  by name (TAutoObject):               %8.2f us\n", byName * 1e6);
            std::printf("  by dispatch id:                      %8.2f us\n", byId * 1e6);
            if (sink == 42)
                std::printf(" ");
        }
        form.Hide();
    }
    OleUninitialize();
    return 0;
}
