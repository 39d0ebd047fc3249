// Helpers of the shell pack's tests: synthetic PIDLs and a scriptable IShellFolder2.
#pragma once

#include "UPTShellUtils.h"

#include <atomic>
#include <functional>
#include <initializer_list>
#include <string>

namespace shelltest {

// A PIDL whose items carry the given bytes (each item = 2 size bytes + its bytes).
PItemIDList MakePidl(std::initializer_list<std::string> Items);
inline TPTPidl Pidl(std::initializer_list<std::string> Items) { return TPTPidl(MakePidl(Items)); }

// A folder whose answers the test sets; everything not set fails with E_NOTIMPL.
class TFakeShellFolder final : public IShellFolder2 {
public:
    static TComPtr<TFakeShellFolder> Create() {
        TComPtr<TFakeShellFolder> p;
        p.Attach(new TFakeShellFolder);
        return p;
    }
    std::function<HRESULT(PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE)> OnCompareIDs;
    std::function<HRESULT(PCUITEMID_CHILD, ULONG*)> OnGetAttributesOf;
    std::function<HRESULT(UINT, SHCOLSTATEF*)> OnGetDefaultColumnState;
    std::function<HRESULT(PCUITEMID_CHILD, UINT, SHELLDETAILS*)> OnGetDetailsOf;
    std::function<HRESULT(UINT, PCUITEMID_CHILD_ARRAY, REFIID, void**)> OnGetUIObjectOf;
    bool OfferFolder2 = true;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellFolder) ||
            (OfferFolder2 && IsEqualIID(riid, IID_IShellFolder2))) {
            *ppv = static_cast<IShellFolder2*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FRefs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG n = --FRefs;
        if (n == 0)
            delete this;
        return n;
    }
    ULONG RefCount() const { return FRefs; }

    STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP CompareIDs(LPARAM, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override {
        return OnCompareIDs ? OnCompareIDs(a, b) : E_NOTIMPL;
    }
    STDMETHODIMP CreateViewObject(HWND, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP GetAttributesOf(UINT n, PCUITEMID_CHILD_ARRAY items, SFGAOF* attrs) override {
        return OnGetAttributesOf && n == 1 ? OnGetAttributesOf(items[0], attrs) : E_NOTIMPL;
    }
    STDMETHODIMP GetUIObjectOf(HWND, UINT n, PCUITEMID_CHILD_ARRAY items, REFIID riid, UINT*, void** ppv) override {
        if (ppv)
            *ppv = nullptr;
        return OnGetUIObjectOf ? OnGetUIObjectOf(n, items, riid, ppv) : E_NOTIMPL;
    }
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD, SHGDNF, STRRET*) override { return E_NOTIMPL; }
    STDMETHODIMP SetNameOf(HWND, PCUITEMID_CHILD, LPCWSTR, SHGDNF, PITEMID_CHILD*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDefaultSearchGUID(GUID*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumSearches(IEnumExtraSearch**) override { return E_NOTIMPL; }
    STDMETHODIMP GetDefaultColumn(DWORD, ULONG*, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDefaultColumnState(UINT column, SHCOLSTATEF* state) override {
        return OnGetDefaultColumnState ? OnGetDefaultColumnState(column, state) : E_NOTIMPL;
    }
    STDMETHODIMP GetDetailsEx(PCUITEMID_CHILD, const SHCOLUMNID*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetDetailsOf(PCUITEMID_CHILD pidl, UINT column, SHELLDETAILS* details) override {
        return OnGetDetailsOf ? OnGetDetailsOf(pidl, column, details) : E_NOTIMPL;
    }
    STDMETHODIMP MapColumnToSCID(UINT, SHCOLUMNID*) override { return E_NOTIMPL; }

private:
    TFakeShellFolder() = default;
    ~TFakeShellFolder() = default;
    std::atomic<ULONG> FRefs{1};
};

// Puts a fake in the desktop's place for one scope.
class TDesktopStandIn {
public:
    explicit TDesktopStandIn(IShellFolder* Folder) { SetDesktopFolderStandIn(Folder); }
    ~TDesktopStandIn() { SetDesktopFolderStandIn(nullptr); }
};

// A compare by the items' bytes, as a folder would answer (0x0000FFFF & order).
HRESULT ByteOrder(PCUIDLIST_RELATIVE A, PCUIDLIST_RELATIVE B);

} // namespace shelltest
