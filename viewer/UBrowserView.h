// The browser seam of the browser tabs: what a tab frame asks of its web browser and of the
// page it shows. The frame talks to TBrowserView and TPageDocument only; this unit puts them
// over the web browser control (TWebBrowserView), and the tests put a double in its place
// (under Wine the control navigates but never loads a document).
//
// Every call is safe on a browser that could not be made and on a page without document:
// it does nothing and answers false, 0 or "".
#pragma once

#include "Controls.h"
#include "WebBrowser.h"

#include <functional>
#include <memory>
#include <string>

// One element of a page (from TPageDocument::ElementFromPoint).
class TPageElement {
public:
    virtual ~TPageElement() = default;
    // The tag name as the page gives it ("A", "IMG", "DIV" ...).
    virtual std::wstring TagName() = 0;
    // The link the element carries: the href of an "A", "IMG" or "AREA" element (tag
    // compared exactly); "" for any other element.
    virtual std::wstring Href() = 0;
    // Clicks the element as the user would (a link then navigates).
    virtual bool Click() = 0;
};

// The document a browser shows.
class TPageDocument {
public:
    virtual ~TPageDocument() = default;
    // Runs Script in the page's window in Language ("javascript"); false when it failed.
    virtual bool RunScript(const std::wstring& Script, const std::wstring& Language) = 0;
    // The page's images (document.images) and their sources.
    virtual int ImageCount() = 0;
    virtual std::wstring ImageSrc(int Index) = 0;
    virtual bool SetImageSrc(int Index, const std::wstring& Src) = 0;
    // Every element of the page (document.all): tag, class name and style text by index.
    virtual int ElementCount() = 0;
    virtual std::wstring ElementTag(int Index) = 0;
    virtual std::wstring ElementClass(int Index) = 0;
    virtual std::wstring ElementCssText(int Index) = 0;
    virtual bool SetElementCssText(int Index, const std::wstring& CssText) = 0;
    // The body's zoom factor (1.0 = 100 %).
    virtual bool SetBodyZoom(double Zoom) = 0;
    // The body's border (style, colour and width as CSS texts: "solid", "lightblue", "1px").
    virtual bool SetBodyBorder(const std::wstring& Style, const std::wstring& Color, const std::wstring& Width) = 0;
    // Gives the page's window the keyboard focus.
    virtual bool Focus() = 0;
    // Makes the body the page's active element.
    virtual bool ActivateBody() = 0;
    // Whether the document has the keyboard focus.
    virtual bool HasFocus() = 0;
    // HTML of the current selection ("" when nothing is selected), and of the whole body.
    virtual std::wstring SelectionHtml() = 0;
    virtual std::wstring BodyHtml() = 0;
    // The element at a point of the page (client coordinates of the browser); null when none.
    virtual std::unique_ptr<TPageElement> ElementFromPoint(int X, int Y) = 0;
};

// The events of a browser view, in the order a page arrives:
// BeforeNavigate2 -> NavigateComplete2 -> TitleChange -> DocumentComplete. A navigation
// that fails fires NavigateError instead of loading.
struct TBrowserViewEvents {
    // Cancel stops the navigation before anything is requested.
    std::function<void(const std::wstring& Url, bool& Cancel)> BeforeNavigate2;
    std::function<void(const std::wstring& Url)> NavigateComplete2;
    std::function<void(const std::wstring& Url)> DocumentComplete;
    std::function<void(const std::wstring& Title)> TitleChange;
    std::function<void(long Progress, long ProgressMax)> ProgressChange;
    // Command 1: forward is possible, 2: back is possible (CSC_NAVIGATEFORWARD/BACK).
    std::function<void(long Command, bool Enable)> CommandStateChange;
    // The page opens a new window: the handler names the view that is to show it (null:
    // the browser's own new window) or cancels it.
    std::function<void(class TBrowserView*& NewWindow, bool& Cancel)> NewWindow2;
    std::function<void(const std::wstring& Url, long StatusCode, bool& Cancel)> NavigateError;
};

class TBrowserView {
public:
    virtual ~TBrowserView() = default;
    // The control that shows the page (to place, show, focus; its OnEnter/OnExit).
    virtual TWinControl* Control() = 0;
    // False when the browser could not be made; Failure() says why.
    virtual bool Available() = 0;
    virtual std::wstring Failure() = 0;

    // Navigates without flags, target frame, post data or headers.
    virtual bool Navigate(const std::wstring& Url) = 0;
    virtual void Stop() = 0;
    virtual bool Busy() = 0;
    // The address of the page shown ("" when none).
    virtual std::wstring Location() = 0;
    virtual bool GoBack() = 0;
    virtual bool GoForward() = 0;
    virtual bool Refresh() = 0;
    // Script errors silenced (the browser's Silent property).
    virtual bool Silent() = 0;
    virtual void SetSilent(bool Value) = 0;
    // Opens the browser's own Find dialog.
    virtual bool ShowFind() = 0;
    // The browser's text size, 0 (smallest) to 4 (largest).
    virtual bool SetTextSize(int Size) = 0;
    // The document shown; null while there is none.
    virtual std::unique_ptr<TPageDocument> Document() = 0;
    // Offers a key message to the page's keyboard handling (the in-place active object of
    // the browser's automation object): S_OK when the page took it, S_FALSE when not, an
    // error when the page has no such object.
    virtual HRESULT TranslateAccelerator(MSG& Msg) = 0;

    TBrowserViewEvents Events;
};

// Makes the browser views of the frames: Owner owns the view's control, Parent shows it.
// The program makes web browser controls; tests put their double here.
using TBrowserViewFactory = std::function<TBrowserView*(TComponent* Owner, TWinControl* Parent)>;
TBrowserViewFactory& BrowserViewFactory();

// The document facade over a document's automation object (late-bound, as every version of
// the browser offers it); null for a null document.
std::unique_ptr<TPageDocument> MakePageDocument(IDispatch* Document);

// The web browser control as a browser view.
class TWebBrowserView : public TWebBrowser, public TBrowserView {
public:
    VORLANE_CLASS_NAME(TWebBrowserView)
    explicit TWebBrowserView(TComponent* AOwner);
    // With another control class (a failing one in tests).
    TWebBrowserView(TComponent* AOwner, const CLSID& Clsid);

    TWinControl* Control() override { return this; }
    bool Available() override { return TWebBrowser::Available(); }
    std::wstring Failure() override { return CreateError(); }
    bool Navigate(const std::wstring& Url) override;
    void Stop() override;
    bool Busy() override { return TWebBrowser::Busy(); }
    std::wstring Location() override { return LocationURL(); }
    bool GoBack() override;
    bool GoForward() override;
    bool Refresh() override;
    bool Silent() override { return TWebBrowser::Silent(); }
    void SetSilent(bool Value) override;
    bool ShowFind() override;
    bool SetTextSize(int Size) override;
    std::unique_ptr<TPageDocument> Document() override;
    HRESULT TranslateAccelerator(MSG& Msg) override;

private:
    void BindEvents();
};
