// The ActiveX host with the real web browser control: creation, activation, the sites as
// the control sees them, events decoded from hand-built and from real invocations, and
// tear-down without leaks. (Under Wine the control navigates and fails, it never loads a
// document.)
#include "VclTestSupport.h"

#include "FakeDispatch.h"
#include "WebBrowser.h"

#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <olectl.h>

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

class OleHostTest : public ::testing::Test {
protected:
    // OLE stays initialised for the rest of the run, as in the program: the control's
    // library must not be unloaded while windows of its classes may still exist.
    static void SetUpTestSuite() { OleInitialize(nullptr); }
    void SetUp() override {
        baseline = TOleHostControl::LiveHostObjects();
        form = new TForm(nullptr);
        form->SetBounds(10, 10, 420, 320);
        Application->OnLog = [this](const std::wstring& line) { log.push_back(line); };
        Application->OnException = [this](TObject*, const std::wstring& where, const std::wstring&,
                                          const std::wstring& msg) { errors.push_back(where + L": " + msg); };
    }
    void TearDown() override {
        delete form;
        Application->OnLog = nullptr;
        Application->OnException = nullptr;
        if (!leaksAllowed) {
            EXPECT_EQ(Live(), 0);
        }
        EXPECT_TRUE(errors.empty()) << (errors.empty() ? "" : std::string(errors[0].begin(), errors[0].end()));
    }
    TWebBrowser* NewBrowser() {
        auto* wb = new TWebBrowser(form);
        wb->SetParent(form);
        wb->SetAlign(alClient);
        return wb;
    }
    // The client site the control was given, as another interface.
    template <class I>
    TComPtr<I> Site(TOleHostControl* host) {
        TComPtr<IOleClientSite> site;
        TComPtr<I> result;
        if (SUCCEEDED(host->OleObject()->GetClientSite(site.Put())) && site)
            site.As(result);
        return result;
    }

    TForm* form = nullptr;
    bool leaksAllowed = false;
    int baseline = 0;
    // The host's COM objects made by this test and still alive.
    int Live() const { return TOleHostControl::LiveHostObjects() - baseline; }
    std::vector<std::wstring> log;
    std::vector<std::wstring> errors;
};

// An active object that takes F6 and records every key it is shown.
class FakeActiveObject : public IOleInPlaceActiveObject {
public:
    std::vector<WPARAM> Keys;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IOleWindow && riid != IID_IOleInPlaceActiveObject)
            return E_NOINTERFACE;
        *ppv = static_cast<IOleInPlaceActiveObject*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FRefs; }
    STDMETHODIMP_(ULONG) Release() override { return --FRefs; } // lives on the test's stack
    STDMETHODIMP GetWindow(HWND*) override { return E_NOTIMPL; }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG msg) override {
        if (msg->message != WM_KEYDOWN)
            return S_FALSE;
        Keys.push_back(msg->wParam);
        return msg->wParam == VK_F6 ? S_OK : S_FALSE;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    ULONG FRefs = 1;
};

bool Contains(const std::vector<std::wstring>& lines, const std::wstring& part) {
    for (auto& l : lines)
        if (l.find(part) != std::wstring::npos)
            return true;
    return false;
}

} // namespace

TEST_F(OleHostTest, BrowserCreatesActivatesAndGoesWithoutLeaks) {
    Watchdog dog(30000);
    for (int round = 0; round < 2; ++round) {
        TWebBrowser* wb = NewBrowser();
        ASSERT_TRUE(wb->Available()) << std::string(wb->CreateError().begin(), wb->CreateError().end());
        EXPECT_TRUE(wb->DefaultInterface());
        EXPECT_EQ(Live(), 3); // site, frame, event sink
        EXPECT_EQ(wb->InPlaceActive(), round > 0);         // only once there is a window
        form->Show();
        PumpFor(50);
        EXPECT_TRUE(wb->InPlaceActive());
        // The control's window lives inside the host's and fills it.
        HWND inner = GetWindow(wb->Handle(), GW_CHILD);
        ASSERT_NE(inner, nullptr);
        RECT r;
        GetWindowRect(inner, &r);
        EXPECT_EQ(r.right - r.left, wb->ClientWidth());
        form->SetWidth(300);
        PumpFor(20);
        GetWindowRect(inner, &r);
        EXPECT_EQ(r.right - r.left, wb->ClientWidth());
        // A new window for the host takes the control's window over.
        wb->RecreateWnd();
        EXPECT_TRUE(wb->InPlaceActive());
        EXPECT_EQ(GetWindow(wb->Handle(), GW_CHILD), inner);
        delete wb;
        EXPECT_EQ(Live(), 0);
        form->Hide();
    }
}

TEST_F(OleHostTest, AParentWindowGoingFirstDeactivatesTheControlAndTheNextActivatesIt) {
    Watchdog dog(30000);
    TWebBrowser* wb = NewBrowser();
    form->Show();
    PumpFor(20);
    ASSERT_TRUE(wb->InPlaceActive());
    // The form's own DestroyHandle lets the host park the control first: here the window
    // goes behind the controls' backs.
    DestroyWindow(form->Handle());
    EXPECT_FALSE(wb->InPlaceActive());
    form->Show();
    PumpFor(20);
    EXPECT_TRUE(wb->InPlaceActive());
    delete wb;
    // Wine's control does not let go of the frame of its first activation.
    leaksAllowed = true;
}

TEST_F(OleHostTest, SitesAnswerTheControl) {
    Watchdog dog(30000);
    TWebBrowser* wb = NewBrowser();
    ASSERT_TRUE(wb->Available());
    form->Show();
    PumpFor(20);

    // Ambient properties through the site's IDispatch.
    TComPtr<IDispatch> ambient = Site<IDispatch>(wb);
    ASSERT_TRUE(ambient);
    auto get = [&](DISPID id, VARIANT* v) {
        DISPPARAMS none{};
        return ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v, nullptr, nullptr);
    };
    TVariant v;
    EXPECT_EQ(get(DISPID_AMBIENT_USERMODE, v.Put()), S_OK);
    EXPECT_EQ(v.Get()->vt, VT_BOOL);
    EXPECT_EQ(v.Get()->boolVal, VARIANT_TRUE);
    EXPECT_EQ(get(DISPID_AMBIENT_SHOWHATCHING, v.Put()), S_OK);
    EXPECT_EQ(v.Get()->boolVal, VARIANT_FALSE);
    EXPECT_EQ(get(DISPID_AMBIENT_DLCONTROL, v.Put()), DISP_E_MEMBERNOTFOUND); // the control's own default
    EXPECT_EQ(v.Get()->vt, VT_EMPTY);

    // The document host handler gives the host's flags.
    TComPtr<IDocHostUIHandler> handler = Site<IDocHostUIHandler>(wb);
    ASSERT_TRUE(handler);
    wb->DocHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME;
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    EXPECT_EQ(handler->GetHostInfo(&info), S_OK);
    EXPECT_EQ(info.dwFlags, static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_THEME));

    // The in-place site is the host's window, the frame the form's.
    TComPtr<IOleInPlaceSite> inplace = Site<IOleInPlaceSite>(wb);
    ASSERT_TRUE(inplace);
    HWND wnd = nullptr;
    EXPECT_EQ(inplace->GetWindow(&wnd), S_OK);
    EXPECT_EQ(wnd, wb->Handle());
    TComPtr<IOleInPlaceFrame> frame;
    TComPtr<IOleInPlaceUIWindow> doc;
    RECT pos, clip;
    OLEINPLACEFRAMEINFO fi{};
    fi.cb = sizeof fi;
    EXPECT_EQ(inplace->GetWindowContext(frame.Put(), doc.Put(), &pos, &clip, &fi), S_OK);
    ASSERT_TRUE(frame);
    EXPECT_EQ(fi.hwndFrame, form->Handle());
    EXPECT_EQ(frame->GetWindow(&wnd), S_OK);
    EXPECT_EQ(wnd, form->Handle());
    EXPECT_EQ(pos.right, wb->ClientWidth());

    // Sites kept by the control after it was let go answer without reaching the host.
    wb->DestroyControl();
    EXPECT_FALSE(wb->Available());
    EXPECT_EQ(inplace->GetWindow(&wnd), E_FAIL);
    EXPECT_EQ(get(DISPID_AMBIENT_USERMODE, v.Put()), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(handler->GetHostInfo(&info), E_UNEXPECTED);
    EXPECT_EQ(Live(), 2); // held only by this test now
    EXPECT_EQ(wb->Navigate2(L"about:blank"), E_FAIL); // an empty host fails plainly
}

TEST_F(OleHostTest, FocusInsideTheControlEntersAndLeavesTheHost) {
    Watchdog dog(30000);
    auto* edit = new TTestEdit(form);
    edit->SetParent(form);
    edit->SetAlign(alTop);
    TWebBrowser* wb = NewBrowser();
    int enters = 0, exits = 0;
    wb->OnEnter = [&](TObject*) { ++enters; };
    wb->OnExit = [&](TObject*) { ++exits; };
    form->Show();
    SetForegroundWindow(form->Handle());
    edit->SetFocus();
    PumpFor(20);
    ASSERT_EQ(form->ActiveControl(), edit);

    // The page's own window takes the focus: the host hears it from the control site.
    HWND inner = GetWindow(wb->Handle(), GW_CHILD);
    ASSERT_NE(inner, nullptr);
    SetFocus(inner);
    TComPtr<IOleControlSite> control = Site<IOleControlSite>(wb);
    ASSERT_TRUE(control);
    EXPECT_EQ(control->OnFocus(TRUE), S_OK);
    EXPECT_EQ(form->ActiveControl(), wb);
    EXPECT_EQ(enters, 1);

    edit->SetFocus();
    PumpFor(20);
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(form->ActiveControl(), edit);
    // A focus report while the focus is elsewhere changes nothing.
    EXPECT_EQ(control->OnFocus(TRUE), S_OK);
    EXPECT_EQ(form->ActiveControl(), edit);

    // The message loop shows the control the keys meant for its windows, only those.
    FakeActiveObject active;
    TComPtr<IOleInPlaceSite> inplace = Site<IOleInPlaceSite>(wb);
    TComPtr<IOleInPlaceFrame> frame;
    TComPtr<IOleInPlaceUIWindow> doc;
    RECT pos, clip;
    OLEINPLACEFRAMEINFO fi{};
    ASSERT_EQ(inplace->GetWindowContext(frame.Put(), doc.Put(), &pos, &clip, &fi), S_OK);
    frame->SetActiveObject(&active, nullptr);
    ASSERT_EQ(wb->ActiveObject(), &active);
    int innerKeys = 0;
    WNDPROC innerProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(inner, GWLP_WNDPROC));
    static int* counter;
    static WNDPROC oldProc;
    counter = &innerKeys;
    oldProc = innerProc;
    SetWindowLongPtrW(inner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_KEYDOWN)
            ++*counter;
        return CallWindowProcW(oldProc, w, m, wp, lp);
    }));
    PostMessageW(inner, WM_KEYDOWN, VK_F6, 0);
    PostMessageW(inner, WM_KEYDOWN, VK_F7, 0);
    PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F8, 0);
    PumpFor(50);
    SetWindowLongPtrW(inner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(innerProc));
    EXPECT_EQ(active.Keys, (std::vector<WPARAM>{VK_F6, VK_F7}));
    EXPECT_EQ(innerKeys, 1); // F6 was the control's accelerator, F7 went on to the window
    frame->SetActiveObject(nullptr, nullptr);
    EXPECT_EQ(active.FRefs, 1u);
}

TEST_F(OleHostTest, EventsAreDecodedIntoHandlers) {
    TWebBrowser* wb = NewBrowser();
    std::vector<std::wstring> seen;
    TComPtr<FakeDispatch> other = FakeDispatch::Make();
    wb->OnBeforeNavigate2 = [&](TObject*, IDispatch*, const std::wstring& url, const std::wstring& frame, bool& cancel) {
        seen.push_back(L"before " + url + L" [" + frame + L"]");
        cancel = true;
    };
    wb->OnNewWindow2 = [&](TObject*, IDispatch*& disp, bool&) { disp = other.Get(); };
    wb->OnProgressChange = [&](TObject*, long p, long m) { seen.push_back(std::to_wstring(p) + L"/" + std::to_wstring(m)); };
    auto variant = [](VARTYPE vt, void* p = nullptr) {
        VARIANT v;
        VariantInit(&v);
        v.vt = vt;
        v.byref = p;
        return v;
    };
    // BeforeNavigate2 as the control sends it: last parameter first, VARIANT* by reference.
    TBStr url(L"http://127.0.0.1/x"), frame(L"top");
    VARIANT urlValue = variant(VT_BSTR, url.Get()), frameValue = variant(VT_BSTR, frame.Get()), empty = variant(VT_EMPTY);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    std::vector<VARIANT> before = {variant(VT_BYREF | VT_BOOL, &cancel), variant(VT_BYREF | VT_VARIANT, &empty),
                                   variant(VT_BYREF | VT_VARIANT, &empty), variant(VT_BYREF | VT_VARIANT, &frameValue),
                                   variant(VT_BYREF | VT_VARIANT, &empty), variant(VT_BYREF | VT_VARIANT, &urlValue),
                                   variant(VT_DISPATCH)};
    DISPPARAMS p1{before.data(), nullptr, 7, 0};
    wb->InvokeEvent(DISPID_BEFORENAVIGATE2, TDispArgs(&p1));
    EXPECT_EQ(cancel, VARIANT_TRUE);
    // NewWindow2(IDispatch** ppDisp, VARIANT_BOOL* Cancel): the handler's object goes out.
    IDispatch* window = nullptr;
    VARIANT_BOOL cancelNew = VARIANT_FALSE;
    std::vector<VARIANT> nw = {variant(VT_BYREF | VT_BOOL, &cancelNew), variant(VT_BYREF | VT_DISPATCH, &window)};
    DISPPARAMS p2{nw.data(), nullptr, 2, 0};
    wb->InvokeEvent(DISPID_NEWWINDOW2, TDispArgs(&p2));
    ASSERT_EQ(window, other.Get());
    window->Release(); // the control's reference
    // ProgressChange(Progress, ProgressMax).
    std::vector<VARIANT> progress = {variant(VT_I4), variant(VT_I4)};
    progress[0].lVal = 200;
    progress[1].lVal = 50;
    DISPPARAMS p3{progress.data(), nullptr, 2, 0};
    wb->InvokeEvent(DISPID_PROGRESSCHANGE, TDispArgs(&p3));
    wb->InvokeEvent(DISPID_DOCUMENTCOMPLETE, TDispArgs(nullptr)); // no handler, no arguments: nothing
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"before http://127.0.0.1/x [top]", L"50/200"}));
}

TEST_F(OleHostTest, ControlThatCannotBeMadeLeavesAWorkingWindow) {
    Watchdog dog(30000);
    auto* host = new TOleHostControl(form);
    host->SetName(L"Broken");
    const CLSID bogus = {0x1e2d3c4b, 0x5a69, 0x4788, {0x97, 0xa6, 0xb5, 0xc4, 0xd3, 0xe2, 0xf1, 0x00}};
    EXPECT_FALSE(host->CreateControl(bogus));
    EXPECT_FALSE(host->Available());
    EXPECT_NE(host->CreateError().find(L"{1E2D3C4B-5A69-4788-97A6-B5C4D3E2F100}"), std::wstring::npos);
    EXPECT_TRUE(Contains(log, L"TOleHostControl Broken: Cannot create the control"));
    EXPECT_EQ(Live(), 0);
    host->SetParent(form);
    host->SetAlign(alClient);
    form->Show();
    PumpFor(20);
    EXPECT_TRUE(IsWindow(host->Handle()));
    EXPECT_EQ(host->ClientWidth(), form->ClientWidth());
    EXPECT_FALSE(host->InPlaceActive());
    EXPECT_EQ(host->ActiveObject(), nullptr);
    host->SetFocus();
    PumpFor(20);
    EXPECT_EQ(form->ActiveControl(), host);
}
