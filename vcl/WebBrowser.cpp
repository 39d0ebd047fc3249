#include "WebBrowser.h"

#include <exdispid.h>

TWebBrowser::TWebBrowser(TComponent* AOwner) : TWebBrowser(AOwner, CLSID_WebBrowser) {}

TWebBrowser::TWebBrowser(TComponent* AOwner, const CLSID& Clsid) : TOleHostControl(AOwner) {
    if (CreateControl(Clsid) && !DefaultInterface())
        LogFailure(L"The control offers no IWebBrowser2");
}

TComPtr<IWebBrowser2> TWebBrowser::DefaultInterface() const {
    TComPtr<IWebBrowser2> browser;
    if (IOleObject* object = OleObject())
        object->QueryInterface(IID_IWebBrowser2, browser.PutVoid());
    return browser;
}

const IID* TWebBrowser::EventsIID() const { return &DIID_DWebBrowserEvents2; }

namespace {
VARIANT EmptyVariant() {
    VARIANT v;
    VariantInit(&v);
    return v;
}
} // namespace

HRESULT TWebBrowser::Navigate2(const std::wstring& Url) {
    TComPtr<IWebBrowser2> browser = DefaultInterface();
    if (!browser)
        return E_FAIL;
    TOleArg url(Url);
    VARIANT empty = EmptyVariant();
    return browser->Navigate2(const_cast<VARIANT*>(&url.Get()), &empty, &empty, &empty, &empty);
}

namespace {
// Calls a member of the control's IWebBrowser2 that takes nothing; E_FAIL without a control.
HRESULT CallBrowser(const TWebBrowser& Browser, HRESULT (STDMETHODCALLTYPE IWebBrowser2::*Member)()) {
    TComPtr<IWebBrowser2> browser = Browser.DefaultInterface();
    return browser ? (browser.Get()->*Member)() : E_FAIL;
}
} // namespace

HRESULT TWebBrowser::Stop() { return CallBrowser(*this, &IWebBrowser2::Stop); }
HRESULT TWebBrowser::GoBack() { return CallBrowser(*this, &IWebBrowser2::GoBack); }
HRESULT TWebBrowser::GoForward() { return CallBrowser(*this, &IWebBrowser2::GoForward); }
HRESULT TWebBrowser::Refresh() { return CallBrowser(*this, &IWebBrowser2::Refresh); }

bool TWebBrowser::Busy() {
    TComPtr<IWebBrowser2> browser = DefaultInterface();
    VARIANT_BOOL busy = VARIANT_FALSE;
    return browser && SUCCEEDED(browser->get_Busy(&busy)) && busy != VARIANT_FALSE;
}

std::wstring TWebBrowser::LocationURL() {
    TComPtr<IWebBrowser2> browser = DefaultInterface();
    TBStr url;
    if (!browser || FAILED(browser->get_LocationURL(url.Put())))
        return {};
    return url.Str();
}

TComPtr<IDispatch> TWebBrowser::Document() {
    TComPtr<IWebBrowser2> browser = DefaultInterface();
    TComPtr<IDispatch> document;
    if (browser && FAILED(browser->get_Document(document.Put())))
        document.Reset();
    return document;
}

HRESULT TWebBrowser::ExecWB(OLECMDID Command, OLECMDEXECOPT Option, VARIANT* In, VARIANT* Out) {
    TComPtr<IWebBrowser2> browser = DefaultInterface();
    return browser ? browser->ExecWB(Command, Option, In, Out) : E_FAIL;
}

bool TWebBrowser::Silent() {
    TComPtr<IWebBrowser2> browser = DefaultInterface();
    TVariant value;
    if (!browser || !DispInvoke(browser.Get(), DispIdWebBrowserSilent, DISPATCH_PROPERTYGET, {}, value.Put()))
        return false;
    return value.Get()->vt == VT_BOOL && value.Get()->boolVal != VARIANT_FALSE;
}

HRESULT TWebBrowser::SetSilent(bool Value) {
    TComPtr<IWebBrowser2> browser = DefaultInterface();
    if (!browser)
        return E_FAIL;
    return DispInvoke(browser.Get(), DispIdWebBrowserSilent, DISPATCH_PROPERTYPUT, {Value}, nullptr).Code;
}

TComPtr<IDispatch> TWebBrowser::ApplicationObject() {
    TComPtr<IWebBrowser2> browser = DefaultInterface();
    TComPtr<IDispatch> application;
    TVariant value;
    if (browser && DispInvoke(browser.Get(), DispIdWebBrowserApplication, DISPATCH_PROPERTYGET, {}, value.Put())) {
        if (value.Get()->vt == VT_DISPATCH && value.Get()->pdispVal)
            application = TComPtr<IDispatch>(value.Get()->pdispVal);
    }
    return application;
}

void TWebBrowser::InvokeEvent(DISPID DispId, const TDispArgs& Args) {
    // Handlers are copied before they run: a handler may free this control.
    switch (DispId) {
    case DISPID_BEFORENAVIGATE2:
        // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        if (TWebBeforeNavigate2Event handler = OnBeforeNavigate2) {
            bool cancel = Args.Bool(6);
            handler(this, Args.Dispatch(0), Args.Str(1), Args.Str(3), cancel);
            Args.SetBool(6, cancel);
        }
        break;
    case DISPID_NAVIGATECOMPLETE2: // (pDisp, URL)
        if (TWebNavigateEvent handler = OnNavigateComplete2)
            handler(this, Args.Dispatch(0), Args.Str(1));
        break;
    case DISPID_DOCUMENTCOMPLETE: // (pDisp, URL)
        if (TWebNavigateEvent handler = OnDocumentComplete)
            handler(this, Args.Dispatch(0), Args.Str(1));
        break;
    case DISPID_TITLECHANGE: // (Text)
        if (TWebTitleChangeEvent handler = OnTitleChange)
            handler(this, Args.Str(0));
        break;
    case DISPID_PROGRESSCHANGE: // (Progress, ProgressMax)
        if (TWebProgressChangeEvent handler = OnProgressChange)
            handler(this, Args.Int(0), Args.Int(1));
        break;
    case DISPID_COMMANDSTATECHANGE: // (Command, Enable)
        if (TWebCommandStateChangeEvent handler = OnCommandStateChange)
            handler(this, Args.Int(0), Args.Bool(1));
        break;
    case DISPID_NEWWINDOW2: // (ppDisp, Cancel)
        if (TWebNewWindow2Event handler = OnNewWindow2) {
            IDispatch* target = Args.Dispatch(0);
            bool cancel = Args.Bool(1);
            handler(this, target, cancel);
            if (target)
                Args.SetDispatch(0, target);
            Args.SetBool(1, cancel);
        }
        break;
    case DISPID_NAVIGATEERROR: // (pDisp, URL, Frame, StatusCode, Cancel)
        if (TWebNavigateErrorEvent handler = OnNavigateError) {
            bool cancel = Args.Bool(4);
            handler(this, Args.Dispatch(0), Args.Str(1), Args.Str(2), Args.Int(3), cancel);
            Args.SetBool(4, cancel);
        }
        break;
    default:
        break;
    }
}
