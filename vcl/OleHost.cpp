#include "OleHost.h"

#include "Boundary.h"
#include "Forms.h"

#include <mshtmhst.h>
#include <olectl.h>

#include <atomic>

namespace {
std::atomic<int> g_LiveHostObjects{0};

// A hidden window that holds the control's window while the host has none.
HWND ParkingWindow() {
    static TWindowHandle parking;
    if (!parking || !IsWindow(parking.Get()))
        parking.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
    return parking.Get();
}

std::wstring GuidText(REFGUID Guid) {
    wchar_t text[40] = L"";
    StringFromGUID2(Guid, text, 40);
    return text;
}
} // namespace

// Reference counting shared by the host's COM objects, and the link back to the host,
// cut when the host lets the control go.
class TOleHostObject {
public:
    void Detach() noexcept { FHost = nullptr; }

protected:
    explicit TOleHostObject(TOleHostControl* Host) noexcept : FHost(Host) { ++g_LiveHostObjects; }
    virtual ~TOleHostObject() { --g_LiveHostObjects; }
    ULONG AddRefImpl() noexcept { return ++FRefs; }
    // QueryInterface's answer: Interface is this object as the interface asked for, or null.
    HRESULT Answer(void** ppv, void* Interface) noexcept {
        if (!ppv)
            return E_POINTER;
        *ppv = Interface;
        if (!Interface)
            return E_NOINTERFACE;
        AddRefImpl();
        return S_OK;
    }
    // IOleWindow::GetWindow: the host's window, or the top-level window around it. Asking
    // does not make the window: the control is told of it when the host activates it.
    HRESULT HostWindow(HWND* Wnd, bool TopLevel, const wchar_t* Where) const noexcept {
        return Guarded(Where, E_UNEXPECTED, [&]() -> HRESULT {
            if (!Wnd)
                return E_POINTER;
            *Wnd = nullptr;
            if (!FHost || !FHost->HandleAllocated())
                return E_FAIL;
            *Wnd = TopLevel ? GetAncestor(FHost->Handle(), GA_ROOT) : FHost->Handle();
            return S_OK;
        });
    }
    ULONG ReleaseImpl() noexcept {
        ULONG n = --FRefs;
        if (n == 0)
            delete this;
        return n;
    }
    TOleHostControl* FHost;

private:
    std::atomic<ULONG> FRefs{1};
};

// An IDispatch that is reached by dispatch id only: no type information, no names.
class TNamelessDispatch : public IDispatch {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo)
            return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo)
            *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT cNames, LCID, DISPID* rgDispId) override {
        for (UINT i = 0; rgDispId && i < cNames; ++i)
            rgDispId[i] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
};

// ---------------------------------------------------------------------------------------
// The in-place frame: the top-level window around the host. It learns the control's
// active object and offers no tool space or menus.

class TOleFrame final : public IOleInPlaceFrame, public TOleHostObject {
public:
    explicit TOleFrame(TOleHostControl* Host) noexcept : TOleHostObject(Host) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        const bool known = riid == IID_IUnknown || riid == IID_IOleWindow || riid == IID_IOleInPlaceUIWindow ||
                           riid == IID_IOleInPlaceFrame;
        return Answer(ppv, known ? static_cast<IOleInPlaceFrame*>(this) : nullptr);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    STDMETHODIMP GetWindow(HWND* phwnd) override { return HostWindow(phwnd, true, L"TOleFrame.GetWindow"); }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS pborderwidths) override {
        return pborderwidths ? INPLACE_E_NOTOOLSPACE : S_OK;
    }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) override {
        return Guarded(L"TOleFrame.SetActiveObject", E_UNEXPECTED, [&]() -> HRESULT {
            if (FHost)
                FHost->SetActiveObject(pActiveObject);
            return S_OK;
        });
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
};

// ---------------------------------------------------------------------------------------
// The site: client site, in-place site, control site, ambient properties (IDispatch) and
// the document host handler of HTML controls.

class TOleSite final : public IOleClientSite,
                       public IOleInPlaceSite,
                       public IOleControlSite,
                       public IDocHostUIHandler,
                       public TNamelessDispatch,
                       public TOleHostObject {
public:
    explicit TOleSite(TOleHostControl* Host) noexcept : TOleHostObject(Host) {}

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        void* i = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            i = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            i = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleControlSite)
            i = static_cast<IOleControlSite*>(this);
        else if (riid == IID_IDocHostUIHandler)
            i = static_cast<IDocHostUIHandler*>(this);
        else if (riid == IID_IDispatch)
            i = static_cast<IDispatch*>(this);
        return Answer(ppv, i);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override {
        if (ppmk)
            *ppmk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override {
        if (ppContainer)
            *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow / IOleInPlaceSite
    STDMETHODIMP GetWindow(HWND* phwnd) override { return HostWindow(phwnd, false, L"TOleSite.GetWindow"); }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return FHost && FHost->HandleAllocated() ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override {
        return Guarded(L"TOleSite.OnInPlaceActivate", E_UNEXPECTED, [&]() -> HRESULT {
            if (!FHost)
                return E_UNEXPECTED;
            FHost->FInPlaceActive = true;
            if (!FHost->FInPlaceObject && FHost->FOleObject)
                FHost->FOleObject.As(FHost->FInPlaceObject);
            return S_OK;
        });
    }
    STDMETHODIMP OnUIActivate() override {
        return Guarded(L"TOleSite.OnUIActivate", E_UNEXPECTED, [&]() -> HRESULT {
            if (FHost)
                FHost->ControlFocusChanged(true);
            return S_OK;
        });
    }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override {
        return Guarded(L"TOleSite.GetWindowContext", E_UNEXPECTED, [&]() -> HRESULT {
            if (ppFrame)
                *ppFrame = nullptr;
            if (ppDoc)
                *ppDoc = nullptr;
            if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect || !lpFrameInfo)
                return E_POINTER;
            if (!FHost || !FHost->FFrame || !FHost->HandleAllocated())
                return E_UNEXPECTED;
            HWND wnd = FHost->Handle();
            *ppFrame = FHost->FFrame.Get();
            (*ppFrame)->AddRef();
            GetClientRect(wnd, lprcPosRect);
            *lprcClipRect = *lprcPosRect;
            lpFrameInfo->fMDIApp = FALSE;
            lpFrameInfo->hwndFrame = GetAncestor(wnd, GA_ROOT);
            lpFrameInfo->haccel = nullptr;
            lpFrameInfo->cAccelEntries = 0;
            return S_OK;
        });
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override {
        return Guarded(L"TOleSite.OnInPlaceDeactivate", E_UNEXPECTED, [&]() -> HRESULT {
            if (FHost) {
                FHost->FInPlaceActive = false;
                FHost->FActiveObject.Reset();
            }
            return S_OK;
        });
    }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override {
        return Guarded(L"TOleSite.DeactivateAndUndo", E_UNEXPECTED, [&]() -> HRESULT {
            if (FHost && FHost->FInPlaceObject)
                FHost->FInPlaceObject->UIDeactivate();
            return S_OK;
        });
    }
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override {
        return Guarded(L"TOleSite.OnPosRectChange", E_UNEXPECTED, [&]() -> HRESULT {
            if (!lprcPosRect)
                return E_POINTER;
            if (FHost && FHost->FInPlaceObject)
                FHost->FInPlaceObject->SetObjectRects(lprcPosRect, lprcPosRect);
            return S_OK;
        });
    }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** ppDisp) override {
        if (ppDisp)
            *ppDisp = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override {
        return Guarded(L"TOleSite.TransformCoords", E_UNEXPECTED, [&]() -> HRESULT {
            if (!pPtlHimetric || !pPtfContainer)
                return E_POINTER;
            const int ppi = ScreenPixelsPerInch();
            if (dwFlags & XFORMCOORDS_HIMETRICTOCONTAINER) {
                pPtfContainer->x = static_cast<float>(MulDiv(pPtlHimetric->x, ppi, 2540));
                pPtfContainer->y = static_cast<float>(MulDiv(pPtlHimetric->y, ppi, 2540));
            } else if (dwFlags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
                pPtlHimetric->x = MulDiv(static_cast<int>(pPtfContainer->x), 2540, ppi);
                pPtlHimetric->y = MulDiv(static_cast<int>(pPtfContainer->y), 2540, ppi);
            } else {
                return E_INVALIDARG;
            }
            return S_OK;
        });
    }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL fGotFocus) override {
        return Guarded(L"TOleSite.OnFocus", E_UNEXPECTED, [&]() -> HRESULT {
            if (FHost)
                FHost->ControlFocusChanged(fGotFocus != FALSE);
            return S_OK;
        });
    }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDocHostUIHandler: the host's flags; everything else as the control does by itself.
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override { return S_FALSE; }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* pInfo) override {
        return Guarded(L"TOleSite.GetHostInfo", E_UNEXPECTED, [&]() -> HRESULT {
            if (!pInfo)
                return E_POINTER;
            if (!FHost)
                return E_UNEXPECTED;
            pInfo->dwFlags = FHost->DocHostFlags;
            pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
            return S_OK;
        });
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* pchKey, DWORD) override {
        if (pchKey)
            *pchKey = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** ppDropTarget) override {
        if (ppDropTarget)
            *ppDropTarget = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** ppDispatch) override {
        if (ppDispatch)
            *ppDispatch = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* ppchURLOut) override {
        if (ppchURLOut)
            *ppchURLOut = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** ppDORet) override {
        if (ppDORet)
            *ppDORet = nullptr;
        return S_FALSE;
    }

    // IDispatch: the ambient properties.
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult, EXCEPINFO*,
                        UINT*) override {
        return Guarded(L"TOleSite.Invoke", E_UNEXPECTED, [&]() -> HRESULT {
            if (!(wFlags & DISPATCH_PROPERTYGET))
                return DISP_E_MEMBERNOTFOUND;
            if (!pVarResult)
                return E_POINTER;
            VariantInit(pVarResult);
            if (!FHost || !FHost->GetAmbientProperty(dispIdMember, *pVarResult)) {
                VariantClear(pVarResult);
                return DISP_E_MEMBERNOTFOUND;
            }
            return S_OK;
        });
    }
};

// ---------------------------------------------------------------------------------------
// The event sink: the control's outgoing interface, answered by the host's InvokeEvent.

class TOleEventSink final : public TNamelessDispatch, public TOleHostObject {
public:
    TOleEventSink(TOleHostControl* Host, REFIID Events) noexcept : TOleHostObject(Host), FEvents(Events) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        const bool known = riid == IID_IUnknown || riid == IID_IDispatch || riid == FEvents;
        return Answer(ppv, known ? static_cast<IDispatch*>(this) : nullptr);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return AddRefImpl(); }
    STDMETHODIMP_(ULONG) Release() override { return ReleaseImpl(); }

    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                        EXCEPINFO*, UINT*) override {
        if (pVarResult)
            VariantInit(pVarResult);
        Guarded(L"TOleEventSink.Invoke", [&] {
            if (FHost)
                FHost->InvokeEvent(dispIdMember, TDispArgs(pDispParams));
        });
        return S_OK;
    }

private:
    IID FEvents;
};

// ---------------------------------------------------------------------------------------
// TOleHostControl

int TOleHostControl::LiveHostObjects() noexcept { return g_LiveHostObjects.load(); }

TOleHostControl::TOleHostControl(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    SetBounds(0, 0, 100, 50);
}

TOleHostControl::~TOleHostControl() { DestroyControl(); }

void TOleHostControl::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style |= WS_CLIPCHILDREN;
}

void TOleHostControl::CreateWnd() {
    TWinControl::CreateWnd();
    if (FInPlaceActive) {
        HWND control = ControlWindow();
        if (control && IsWindow(control)) {
            ::SetParent(control, FHandle);
            UpdateObjectRects();
            return;
        }
        DeactivateInPlace(); // its window is gone: activate it anew
    }
    ActivateInPlace();
}

void TOleHostControl::DestroyWnd() {
    ParkControlWindow();
    TWinControl::DestroyWnd();
}

HWND TOleHostControl::ControlWindow() const {
    HWND wnd = nullptr;
    if (!FInPlaceObject || FAILED(FInPlaceObject->GetWindow(&wnd)))
        return nullptr;
    return wnd;
}

void TOleHostControl::ParkControlWindow() {
    if (!FInPlaceActive || !HandleAllocated())
        return;
    HWND control = ControlWindow();
    if (control && GetParent(control) == FHandle)
        if (HWND parking = ParkingWindow())
            ::SetParent(control, parking);
}

void TOleHostControl::LogFailure(const std::wstring& Text) {
    FCreateError = Text;
    std::wstring line = std::wstring(ClassName()) + L" " + Name() + L": " + Text;
    if (Application)
        Application->Log(line);
    else
        OutputDebugStringW((line + L"\n").c_str());
}

bool TOleHostControl::CreateControl(const CLSID& Clsid) {
    DestroyControl();
    FCreateError.clear();
    TComPtr<IOleObject> object;
    HRESULT hr = CoCreateInstance(Clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IOleObject,
                                  object.PutVoid());
    if (FAILED(hr) || !object) {
        LogFailure(L"Cannot create the control " + GuidText(Clsid) + L": " + OleErrorText(FAILED(hr) ? hr : E_NOINTERFACE));
        return false;
    }
    FSite.Attach(new TOleSite(this));
    FFrame.Attach(new TOleFrame(this));
    IOleClientSite* site = FSite.Get();
    DWORD misc = 0;
    object->GetMiscStatus(DVASPECT_CONTENT, &misc);
    const bool siteFirst = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
    if (siteFirst)
        hr = object->SetClientSite(site);
    TComPtr<IPersistStreamInit> init;
    if (SUCCEEDED(hr) && SUCCEEDED(object.As(init)))
        hr = init->InitNew();
    if (SUCCEEDED(hr) && !siteFirst)
        hr = object->SetClientSite(site);
    if (FAILED(hr)) {
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
        object.Reset();
        FSite->Detach();
        FSite.Reset();
        FFrame->Detach();
        FFrame.Reset();
        LogFailure(L"Cannot initialise the control " + GuidText(Clsid) + L": " + OleErrorText(hr));
        return false;
    }
    std::wstring hostName = Application ? Application->Title() : std::wstring();
    object->SetHostNames(hostName.c_str(), nullptr);
    FOleObject = std::move(object);

    if (const IID* events = EventsIID()) {
        TComPtr<IConnectionPointContainer> points;
        hr = FOleObject.As(points);
        if (SUCCEEDED(hr))
            hr = points->FindConnectionPoint(*events, FConnection.Put());
        if (SUCCEEDED(hr)) {
            FSink.Attach(new TOleEventSink(this, *events));
            hr = FConnection->Advise(static_cast<IDispatch*>(FSink.Get()), &FCookie);
        }
        if (FAILED(hr)) {
            Unadvise();
            FCreateError = L"The control's events cannot be received: " + OleErrorText(hr);
            LogFailure(FCreateError);
        }
    }
    if (HandleAllocated())
        ActivateInPlace();
    return true;
}

void TOleHostControl::Unadvise() {
    if (FConnection && FCookie)
        FConnection->Unadvise(FCookie);
    FConnection.Reset();
    FCookie = 0;
    if (FSink) {
        FSink->Detach();
        FSink.Reset();
    }
}

void TOleHostControl::DestroyControl() {
    Unadvise();
    DeactivateInPlace();
    if (FOleObject) {
        FOleObject->Close(OLECLOSE_NOSAVE);
        FOleObject->SetClientSite(nullptr);
        FOleObject.Reset();
    }
    if (FSite) {
        FSite->Detach();
        FSite.Reset();
    }
    if (FFrame) {
        FFrame->Detach();
        FFrame.Reset();
    }
}

void TOleHostControl::ActivateInPlace() {
    if (!FOleObject || !HandleAllocated() || FInPlaceActive || FActivating)
        return;
    FActivating = true;
    RECT r;
    GetClientRect(FHandle, &r);
    HRESULT hr = FOleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, FSite.Get(), 0, FHandle, &r);
    FActivating = false;
    if (FAILED(hr)) {
        LogFailure(L"In-place activation failed: " + OleErrorText(hr));
        return;
    }
    if (!FInPlaceObject)
        FOleObject.As(FInPlaceObject);
    UpdateObjectRects();
}

void TOleHostControl::DeactivateInPlace() {
    if (FInPlaceObject) {
        if (FInPlaceActive)
            FInPlaceObject->UIDeactivate();
        FInPlaceObject->InPlaceDeactivate();
    }
    FInPlaceActive = false;
    FActiveObject.Reset();
    FInPlaceObject.Reset();
}

void TOleHostControl::UpdateObjectRects() {
    if (!FInPlaceObject || !HandleAllocated())
        return;
    RECT r;
    GetClientRect(FHandle, &r);
    FInPlaceObject->SetObjectRects(&r, &r);
}

void TOleHostControl::SetActiveObject(IOleInPlaceActiveObject* Object) {
    TComPtr<IOleInPlaceActiveObject> held(Object);
    FActiveObject = std::move(held);
}

IOleInPlaceActiveObject* TOleHostControl::ActiveObject() {
    if (!FActiveObject && FOleObject && FInPlaceActive)
        FOleObject.As(FActiveObject);
    return FActiveObject.Get();
}

bool TOleHostControl::TranslateAccelerator(MSG& Msg) {
    if (Msg.message < WM_KEYFIRST || Msg.message > WM_KEYLAST || !HandleAllocated())
        return false;
    if (Msg.hwnd != FHandle && !IsChild(FHandle, Msg.hwnd))
        return false;
    IOleInPlaceActiveObject* active = ActiveObject();
    return active && active->TranslateAccelerator(&Msg) == S_OK;
}

void TOleHostControl::ControlFocusChanged(bool Focused) {
    if (!Focused || !HandleAllocated())
        return;
    HWND focus = GetFocus();
    if (focus != FHandle && !IsChild(FHandle, focus))
        return;
    if (TCustomForm* form = GetParentForm(this))
        form->SetFocusedControl(this);
}

bool TOleHostControl::GetAmbientProperty(DISPID DispId, VARIANT& Value) {
    auto boolean = [&Value](bool b) {
        Value.vt = VT_BOOL;
        Value.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
        return true;
    };
    auto integer = [&Value](long n) {
        Value.vt = VT_I4;
        Value.lVal = n;
        return true;
    };
    switch (DispId) {
    case DISPID_AMBIENT_USERMODE:
    case DISPID_AMBIENT_SUPPORTSMNEMONICS:
    case DISPID_AMBIENT_AUTOCLIP:
        return boolean(true);
    case DISPID_AMBIENT_UIDEAD:
        return boolean(!Enabled());
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING:
    case DISPID_AMBIENT_DISPLAYASDEFAULT:
    case DISPID_AMBIENT_MESSAGEREFLECT:
        return boolean(false);
    case DISPID_AMBIENT_RIGHTTOLEFT:
        return boolean(UseRightToLeftReading());
    case DISPID_AMBIENT_LOCALEID:
        return integer(static_cast<long>(GetUserDefaultLCID()));
    case DISPID_AMBIENT_BACKCOLOR:
        return integer(static_cast<long>(ColorToRGB(Color())));
    case DISPID_AMBIENT_FORECOLOR:
        return integer(static_cast<long>(ColorToRGB(Font()->Color())));
    default:
        return false;
    }
}

void TOleHostControl::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        if (FInPlaceActive) {
            Message.Result = 1; // the control covers the whole window
            return;
        }
        break;
    case WM_DESTROY:
        // A parent's window went first (else DestroyWnd has parked the control's window):
        // the control's windows go with this one, so it is deactivated.
        if (FInPlaceActive) {
            HWND control = ControlWindow();
            if (!control || GetParent(control) == FHandle)
                DeactivateInPlace();
        }
        break;
    case WM_SETFOCUS:
        TWinControl::WndProc(Message);
        if (FOleObject && FInPlaceActive && HandleAllocated()) {
            RECT r;
            GetClientRect(FHandle, &r);
            FOleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, FSite.Get(), 0, FHandle, &r);
        }
        return;
    case WM_SIZE:
        TWinControl::WndProc(Message);
        UpdateObjectRects();
        return;
    default:
        break;
    }
    TWinControl::WndProc(Message);
}
