// The web browser control (CLSID_WebBrowser) on the ActiveX host: its navigation events
// as typed handlers and its IWebBrowser2 members as plain calls. Every call is safe when
// the control could not be made: it does nothing and reports a failure or an empty value.
#pragma once

#include "OleHost.h"

#include <docobj.h>
#include <exdisp.h>

#include <functional>
#include <string>

// Dispatch ids of IWebBrowser2 members reached by late binding.
constexpr DISPID DispIdWebBrowserApplication = 200;
constexpr DISPID DispIdWebBrowserSilent = 551;

using TWebBeforeNavigate2Event = std::function<void(TObject* Sender, IDispatch* Disp, const std::wstring& Url,
                                                    const std::wstring& TargetFrameName, bool& Cancel)>;
using TWebNavigateEvent = std::function<void(TObject* Sender, IDispatch* Disp, const std::wstring& Url)>;
using TWebTitleChangeEvent = std::function<void(TObject* Sender, const std::wstring& Text)>;
using TWebProgressChangeEvent = std::function<void(TObject* Sender, long Progress, long ProgressMax)>;
using TWebCommandStateChangeEvent = std::function<void(TObject* Sender, long Command, bool Enable)>;
// Disp: the browser that is to show the new window (the handler may set it; the control
// gets its own reference). Cancel stops the new window.
using TWebNewWindow2Event = std::function<void(TObject* Sender, IDispatch*& Disp, bool& Cancel)>;
using TWebNavigateErrorEvent = std::function<void(TObject* Sender, IDispatch* Disp, const std::wstring& Url,
                                                  const std::wstring& Frame, long StatusCode, bool& Cancel)>;

class TWebBrowser : public TOleHostControl {
public:
    VORLANE_CLASS_NAME(TWebBrowser)
    // Makes the browser control at once; when that fails the control stays an empty
    // window and CreateError() says why.
    explicit TWebBrowser(TComponent* AOwner);
    // With another control class that offers IWebBrowser2 (tests use one that cannot be made).
    TWebBrowser(TComponent* AOwner, const CLSID& Clsid);

    // The control's IWebBrowser2 (empty when there is no control).
    TComPtr<IWebBrowser2> DefaultInterface() const;

    // Navigates without flags, target frame, post data or headers.
    HRESULT Navigate2(const std::wstring& Url);
    HRESULT Stop();
    HRESULT GoBack();
    HRESULT GoForward();
    HRESULT Refresh();
    bool Busy();
    std::wstring LocationURL();
    // The document shown (null while there is none).
    TComPtr<IDispatch> Document();
    HRESULT ExecWB(OLECMDID Command, OLECMDEXECOPT Option, VARIANT* In = nullptr, VARIANT* Out = nullptr);
    // Script errors silenced (the Silent property, by its dispatch id).
    bool Silent();
    HRESULT SetSilent(bool Value);
    // The browser's automation object (the Application property, by its dispatch id).
    TComPtr<IDispatch> ApplicationObject();

    TWebBeforeNavigate2Event OnBeforeNavigate2;
    TWebNavigateEvent OnNavigateComplete2;
    TWebNavigateEvent OnDocumentComplete;
    TWebTitleChangeEvent OnTitleChange;
    TWebProgressChangeEvent OnProgressChange;
    TWebCommandStateChangeEvent OnCommandStateChange;
    TWebNewWindow2Event OnNewWindow2;
    TWebNavigateErrorEvent OnNavigateError;

    // Decodes one DWebBrowserEvents2 event into the handlers above.
    void InvokeEvent(DISPID DispId, const TDispArgs& Args) override;

protected:
    const IID* EventsIID() const override;
};
