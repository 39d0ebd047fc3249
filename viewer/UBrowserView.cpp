#include "UBrowserView.h"

#include "OleAuto.h"

#include <docobj.h>

namespace {

// ---------------------------------------------------------------------------------------
// The page through late binding. The names are those of the HTML document object model.

class TWebPageElement : public TPageElement {
public:
    explicit TWebPageElement(TAutoObject Element) : FElement(std::move(Element)) {}
    std::wstring TagName() override { return FElement.Str(L"tagName"); }
    std::wstring Href() override {
        const std::wstring tag = TagName();
        return tag == L"A" || tag == L"IMG" || tag == L"AREA" ? FElement.Str(L"href") : std::wstring();
    }
    bool Click() override { return FElement.Call(L"click").Ok(); }

private:
    TAutoObject FElement;
};

class TWebPageDocument : public TPageDocument {
public:
    explicit TWebPageDocument(IDispatch* Document) : FDocument(Document) {}

    bool RunScript(const std::wstring& Script, const std::wstring& Language) override {
        return Window().Call(L"execScript", {Script, Language}).Ok();
    }
    int ImageCount() override { return Images().Int(L"length"); }
    std::wstring ImageSrc(int Index) override { return Images().Obj(L"item", {Index}).Str(L"src"); }
    bool SetImageSrc(int Index, const std::wstring& Src) override {
        return Images().Obj(L"item", {Index}).Put(L"src", Src).Ok();
    }
    int ElementCount() override { return All().Int(L"length"); }
    std::wstring ElementTag(int Index) override { return Element(Index).Str(L"tagName"); }
    std::wstring ElementClass(int Index) override { return Element(Index).Str(L"className"); }
    std::wstring ElementCssText(int Index) override { return Element(Index).Obj(L"style").Str(L"cssText"); }
    bool SetElementCssText(int Index, const std::wstring& CssText) override {
        return Element(Index).Obj(L"style").Put(L"cssText", CssText).Ok();
    }
    bool SetBodyZoom(double Zoom) override { return FDocument.Obj(L"body").Obj(L"style").Put(L"zoom", Zoom).Ok(); }
    bool SetBodyBorder(const std::wstring& Style, const std::wstring& Color, const std::wstring& Width) override {
        TAutoObject style = Window().Obj(L"document").Obj(L"body").Obj(L"style");
        bool ok = style.Put(L"borderStyle", Style).Ok();
        ok = style.Put(L"borderColor", Color).Ok() && ok;
        return style.Put(L"borderWidth", Width).Ok() && ok;
    }
    bool Focus() override { return Window().Call(L"focus").Ok(); }
    bool ActivateBody() override { return FDocument.Obj(L"body").Call(L"setActive").Ok(); }
    bool HasFocus() override {
        TVariant answer;
        return FDocument.Call(L"hasFocus", {}, &answer).Ok() && answer.Get()->vt == VT_BOOL &&
               answer.Get()->boolVal != VARIANT_FALSE;
    }
    std::wstring SelectionHtml() override {
        return FDocument.Obj(L"selection").Obj(L"createRange").Str(L"htmlText");
    }
    std::wstring BodyHtml() override { return FDocument.Obj(L"body").Str(L"innerHTML"); }
    std::unique_ptr<TPageElement> ElementFromPoint(int X, int Y) override {
        TAutoObject element = FDocument.Obj(L"elementFromPoint", {X, Y});
        if (!element)
            return nullptr;
        return std::make_unique<TWebPageElement>(std::move(element));
    }

private:
    TAutoObject Window() { return FDocument.Obj(L"parentWindow"); }
    // The collections are asked for once per facade: a styling pass walks every element.
    TAutoObject& Images() {
        if (!FImages)
            FImages = FDocument.Obj(L"images");
        return FImages;
    }
    TAutoObject& All() {
        if (!FAll)
            FAll = FDocument.Obj(L"all");
        return FAll;
    }
    TAutoObject Element(int Index) { return All().Obj(L"item", {Index}); }

    TAutoObject FDocument;
    TAutoObject FImages;
    TAutoObject FAll;
};

} // namespace

std::unique_ptr<TPageDocument> MakePageDocument(IDispatch* Document) {
    if (!Document)
        return nullptr;
    return std::make_unique<TWebPageDocument>(Document);
}

TBrowserViewFactory& BrowserViewFactory() {
    static TBrowserViewFactory factory = [](TComponent* Owner, TWinControl* Parent) -> TBrowserView* {
        auto* view = new TWebBrowserView(Owner);
        view->SetParent(Parent);
        return view;
    };
    return factory;
}

// ---------------------------------------------------------------------------------------
// TWebBrowserView

TWebBrowserView::TWebBrowserView(TComponent* AOwner) : TWebBrowser(AOwner) { BindEvents(); }

TWebBrowserView::TWebBrowserView(TComponent* AOwner, const CLSID& Clsid) : TWebBrowser(AOwner, Clsid) { BindEvents(); }

void TWebBrowserView::BindEvents() {
    // The view's events are read when they fire: the frame may set them at any time.
    OnBeforeNavigate2 = [this](TObject*, IDispatch*, const std::wstring& Url, const std::wstring&, bool& Cancel) {
        if (auto handler = Events.BeforeNavigate2)
            handler(Url, Cancel);
    };
    OnNavigateComplete2 = [this](TObject*, IDispatch*, const std::wstring& Url) {
        if (auto handler = Events.NavigateComplete2)
            handler(Url);
    };
    OnDocumentComplete = [this](TObject*, IDispatch*, const std::wstring& Url) {
        if (auto handler = Events.DocumentComplete)
            handler(Url);
    };
    OnTitleChange = [this](TObject*, const std::wstring& Text) {
        if (auto handler = Events.TitleChange)
            handler(Text);
    };
    OnProgressChange = [this](TObject*, long Progress, long ProgressMax) {
        if (auto handler = Events.ProgressChange)
            handler(Progress, ProgressMax);
    };
    OnCommandStateChange = [this](TObject*, long Command, bool Enable) {
        if (auto handler = Events.CommandStateChange)
            handler(Command, Enable);
    };
    OnNewWindow2 = [this](TObject*, IDispatch*& Disp, bool& Cancel) {
        auto handler = Events.NewWindow2;
        if (!handler)
            return;
        TBrowserView* target = nullptr;
        handler(target, Cancel);
        // Only another web browser can take the new window over. Its automation object
        // stays alive through that browser's own control until the event has given it on.
        if (auto* other = dynamic_cast<TWebBrowserView*>(target))
            if (TComPtr<IDispatch> application = other->ApplicationObject())
                Disp = application.Get();
    };
    OnNavigateError = [this](TObject*, IDispatch*, const std::wstring& Url, const std::wstring&, long StatusCode,
                             bool& Cancel) {
        if (auto handler = Events.NavigateError)
            handler(Url, StatusCode, Cancel);
    };
}

bool TWebBrowserView::Navigate(const std::wstring& Url) { return SUCCEEDED(Navigate2(Url)); }

void TWebBrowserView::Stop() { TWebBrowser::Stop(); }

bool TWebBrowserView::GoBack() { return SUCCEEDED(TWebBrowser::GoBack()); }

bool TWebBrowserView::GoForward() { return SUCCEEDED(TWebBrowser::GoForward()); }

bool TWebBrowserView::Refresh() { return SUCCEEDED(TWebBrowser::Refresh()); }

void TWebBrowserView::SetSilent(bool Value) { TWebBrowser::SetSilent(Value); }

bool TWebBrowserView::ShowFind() { return SUCCEEDED(ExecWB(OLECMDID_FIND, OLECMDEXECOPT_PROMPTUSER)); }

bool TWebBrowserView::SetTextSize(int Size) {
    TOleArg size(Size);
    return SUCCEEDED(ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, const_cast<VARIANT*>(&size.Get())));
}

std::unique_ptr<TPageDocument> TWebBrowserView::Document() {
    TComPtr<IDispatch> document = TWebBrowser::Document();
    return MakePageDocument(document.Get());
}

HRESULT TWebBrowserView::TranslateAccelerator(MSG& Msg) {
    TComPtr<IDispatch> application = ApplicationObject();
    TComPtr<IOleInPlaceActiveObject> active;
    if (!application || FAILED(application.As(active)) || !active)
        return E_NOINTERFACE;
    return active->TranslateAccelerator(&Msg);
}
