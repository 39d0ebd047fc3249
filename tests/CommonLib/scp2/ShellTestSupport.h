// Helpers of the shell pack's tests: synthetic PIDLs and a scriptable IShellFolder2.
#pragma once

#include "ComObj.h"
#include "UPTShellUtils.h"

#include <atomic>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <vector>

namespace shelltest {

// A PIDL whose items carry the given bytes (each item = 2 size bytes + its bytes).
PItemIDList MakePidl(std::initializer_list<std::string> Items);
inline TPTPidl Pidl(std::initializer_list<std::string> Items) { return TPTPidl(MakePidl(Items)); }

// A folder whose answers the test sets; everything not set fails with E_NOTIMPL.
class TFakeShellFolder final : public TComObject<IShellFolder2> {
public:
    static TComPtr<TFakeShellFolder> Create() { return MakeComObject<TFakeShellFolder>(); }
    std::function<HRESULT(PCUIDLIST_RELATIVE, PCUIDLIST_RELATIVE)> OnCompareIDs;
    std::function<HRESULT(PCUITEMID_CHILD, ULONG*)> OnGetAttributesOf;
    std::function<HRESULT(UINT, SHCOLSTATEF*)> OnGetDefaultColumnState;
    std::function<HRESULT(PCUITEMID_CHILD, UINT, SHELLDETAILS*)> OnGetDetailsOf;
    std::function<HRESULT(UINT, PCUITEMID_CHILD_ARRAY, REFIID, void**)> OnGetUIObjectOf;
    bool OfferFolder2 = true;

    STDMETHODIMP ParseDisplayName(HWND, IBindCtx*, LPWSTR, ULONG*, PIDLIST_RELATIVE*, ULONG*) override { return E_NOTIMPL; }
    STDMETHODIMP EnumObjects(HWND, SHCONTF, IEnumIDList**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE, IBindCtx*, REFIID, void**) override { return E_NOTIMPL; }
    STDMETHODIMP CompareIDs(LPARAM column, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override {
        CompareColumns.push_back(column);
        return OnCompareIDs ? OnCompareIDs(a, b) : E_NOTIMPL;
    }
    std::vector<LPARAM> CompareColumns; // the column of every compare asked for
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

protected:
    void* QueryOther(REFIID riid) override {
        return IsEqualIID(riid, IID_IShellFolder) ? static_cast<IShellFolder*>(this) : nullptr;
    }
    bool Offers(REFIID riid) override { return !IsEqualIID(riid, IID_IShellFolder2) || OfferFolder2; }
};

// Puts a fake in the desktop's place for one scope.
class TDesktopStandIn {
public:
    explicit TDesktopStandIn(IShellFolder* Folder) { SetDesktopFolderStandIn(Folder); }
    ~TDesktopStandIn() { SetDesktopFolderStandIn(nullptr); }
};

// A real folder seen through a wrapper: every call goes to it, except that the wrapper may
// hide the folder's details (no IShellFolder2, no IShellDetails view object) and may hand out
// a menu object of the test's in place of the shell's context menus (of items and of the
// folder's background).
class TWrapFolder final : public TComObject<IShellFolder2> {
public:
    explicit TWrapFolder(IShellFolder* Inner) : FInner(Inner) { FInner.As(FInner2, IID_IShellFolder2); }
    static TComPtr<TWrapFolder> Create(IShellFolder* Inner) { return MakeComObject<TWrapFolder>(Inner); }
    bool HideDetails = false;
    TComPtr<IContextMenu> ItemMenu, BackgroundMenu;
    TComPtr<IDropTarget> ItemDropTarget;
    std::vector<std::vector<std::string>> MenuRequests; // the items' bytes of each item menu asked for

    STDMETHODIMP ParseDisplayName(HWND h, IBindCtx* b, LPWSTR n, ULONG* e, PIDLIST_RELATIVE* p, ULONG* a) override {
        return FInner->ParseDisplayName(h, b, n, e, p, a);
    }
    STDMETHODIMP EnumObjects(HWND h, SHCONTF f, IEnumIDList** e) override { return FInner->EnumObjects(h, f, e); }
    STDMETHODIMP BindToObject(PCUIDLIST_RELATIVE p, IBindCtx* b, REFIID r, void** o) override {
        return FInner->BindToObject(p, b, r, o);
    }
    STDMETHODIMP BindToStorage(PCUIDLIST_RELATIVE p, IBindCtx* b, REFIID r, void** o) override {
        return FInner->BindToStorage(p, b, r, o);
    }
    STDMETHODIMP CompareIDs(LPARAM l, PCUIDLIST_RELATIVE a, PCUIDLIST_RELATIVE b) override {
        return FInner->CompareIDs(l, a, b);
    }
    STDMETHODIMP CreateViewObject(HWND h, REFIID r, void** o) override {
        if (IsEqualIID(r, IID_IContextMenu) && BackgroundMenu)
            return BackgroundMenu->QueryInterface(r, o);
        if (HideDetails && IsEqualIID(r, IID_IShellDetails)) {
            *o = nullptr;
            return E_NOINTERFACE;
        }
        return FInner->CreateViewObject(h, r, o);
    }
    STDMETHODIMP GetAttributesOf(UINT n, PCUITEMID_CHILD_ARRAY items, SFGAOF* attrs) override {
        return FInner->GetAttributesOf(n, items, attrs);
    }
    STDMETHODIMP GetUIObjectOf(HWND h, UINT n, PCUITEMID_CHILD_ARRAY items, REFIID r, UINT* x, void** o) override {
        if (IsEqualIID(r, IID_IContextMenu) && ItemMenu) {
            std::vector<std::string> request;
            for (UINT i = 0; i < n; ++i)
                request.emplace_back(reinterpret_cast<const char*>(items[i]), items[i]->mkid.cb);
            MenuRequests.push_back(request);
            return ItemMenu->QueryInterface(r, o);
        }
        if (IsEqualIID(r, IID_IDropTarget) && ItemDropTarget)
            return ItemDropTarget->QueryInterface(r, o);
        return FInner->GetUIObjectOf(h, n, items, r, x, o);
    }
    STDMETHODIMP GetDisplayNameOf(PCUITEMID_CHILD p, SHGDNF f, STRRET* n) override {
        return FInner->GetDisplayNameOf(p, f, n);
    }
    STDMETHODIMP SetNameOf(HWND h, PCUITEMID_CHILD p, LPCWSTR n, SHGDNF f, PITEMID_CHILD* o) override {
        return FInner->SetNameOf(h, p, n, f, o);
    }
    STDMETHODIMP GetDefaultSearchGUID(GUID* g) override { return FInner2 ? FInner2->GetDefaultSearchGUID(g) : E_NOTIMPL; }
    STDMETHODIMP EnumSearches(IEnumExtraSearch** e) override { return FInner2 ? FInner2->EnumSearches(e) : E_NOTIMPL; }
    STDMETHODIMP GetDefaultColumn(DWORD r, ULONG* s, ULONG* d) override {
        return FInner2 ? FInner2->GetDefaultColumn(r, s, d) : E_NOTIMPL;
    }
    STDMETHODIMP GetDefaultColumnState(UINT c, SHCOLSTATEF* s) override {
        return FInner2 ? FInner2->GetDefaultColumnState(c, s) : E_NOTIMPL;
    }
    STDMETHODIMP GetDetailsEx(PCUITEMID_CHILD p, const SHCOLUMNID* c, VARIANT* v) override {
        return FInner2 ? FInner2->GetDetailsEx(p, c, v) : E_NOTIMPL;
    }
    STDMETHODIMP GetDetailsOf(PCUITEMID_CHILD p, UINT c, SHELLDETAILS* d) override {
        return FInner2 ? FInner2->GetDetailsOf(p, c, d) : E_NOTIMPL;
    }
    STDMETHODIMP MapColumnToSCID(UINT c, SHCOLUMNID* s) override { return FInner2 ? FInner2->MapColumnToSCID(c, s) : E_NOTIMPL; }

protected:
    void* QueryOther(REFIID riid) override {
        return IsEqualIID(riid, IID_IShellFolder) ? static_cast<IShellFolder*>(this) : nullptr;
    }
    bool Offers(REFIID riid) override { return !IsEqualIID(riid, IID_IShellFolder2) || (!HideDetails && FInner2); }

private:
    TComPtr<IShellFolder> FInner;
    TComPtr<IShellFolder2> FInner2;
};

struct TInvoke {
    UINT Offset;
    DWORD Mask;
    HWND Owner;
    int Show;
    DWORD Size;
};

// A context menu with the commands the test gives (verb and offset; one may be the
// default, one may sit in a submenu). Level 1 is a plain IContextMenu, 2 and 3 the newer
// interfaces for owner-drawn menus.
template <class I>
class TFakeContextMenu final : public TComObject<I> {
public:
    struct TCommand {
        std::wstring Verb;
        UINT Offset;
        bool Default = false;
        bool InSubmenu = false;
    };
    std::vector<TCommand> Commands;
    std::vector<TInvoke> Invoked;
    std::vector<UINT> Handled; // messages handed to HandleMenuMsg(2)
    bool SendToPlaceholder = false; // a "Send To" submenu left for the caller to fill
    UINT LastFlags = 0;

    STDMETHODIMP QueryContextMenu(HMENU Menu, UINT Index, UINT First, UINT Last, UINT Flags) override {
        LastFlags = Flags;
        HMENU sub = CreatePopupMenu();
        UINT top = 0;
        for (const TCommand& c : Commands) {
            if (c.InSubmenu) {
                AppendMenuW(sub, MF_STRING, First + c.Offset, c.Verb.c_str());
            } else {
                InsertMenuW(Menu, Index + top++, MF_BYPOSITION | MF_STRING, First + c.Offset, c.Verb.c_str());
                if (c.Default)
                    SetMenuDefaultItem(Menu, First + c.Offset, FALSE);
            }
        }
        InsertMenuW(Menu, Index + top, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), L"More");
        if (SendToPlaceholder) {
            HMENU sendTo = CreatePopupMenu();
            AppendMenuW(sendTo, MF_STRING | MF_GRAYED, First + 40, L"(empty)");
            InsertMenuW(Menu, Index + top + 1, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(sendTo), L"Send To");
        }
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 50);
    }
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* Info) override {
        Invoked.push_back(TInvoke{static_cast<UINT>(reinterpret_cast<UINT_PTR>(Info->lpVerb)), Info->fMask, Info->hwnd,
                                  Info->nShow, Info->cbSize});
        return S_OK;
    }
    STDMETHODIMP GetCommandString(UINT_PTR Offset, UINT Type, UINT*, LPSTR Name, UINT Max) override {
        for (const TCommand& c : Commands)
            if (c.Offset == Offset) {
                if (Type == GCS_VERBW) {
                    lstrcpynW(reinterpret_cast<LPWSTR>(Name), c.Verb.c_str(), static_cast<int>(Max));
                    return S_OK;
                }
                if (Type == GCS_HELPTEXTW) {
                    lstrcpynW(reinterpret_cast<LPWSTR>(Name), (L"Help for " + c.Verb).c_str(), static_cast<int>(Max));
                    return S_OK;
                }
            }
        return E_INVALIDARG;
    }
    // IContextMenu2 and 3 (unused in level 1).
    STDMETHODIMP HandleMenuMsg(UINT Msg, WPARAM, LPARAM) {
        Handled.push_back(Msg);
        return S_OK;
    }
    STDMETHODIMP HandleMenuMsg2(UINT Msg, WPARAM, LPARAM, LRESULT* Result) {
        Handled.push_back(Msg + 0x10000);
        if (Result)
            *Result = 77;
        return S_OK;
    }

protected:
    void* QueryOther(REFIID Riid) override {
        if (IsEqualIID(Riid, IID_IContextMenu) || (IsEqualIID(Riid, IID_IContextMenu2) &&
                                                   !std::is_same_v<I, IContextMenu>))
            return static_cast<I*>(this);
        return nullptr;
    }
};

// A compare by the items' bytes, as a folder would answer (0x0000FFFF & order).
HRESULT ByteOrder(PCUIDLIST_RELATIVE A, PCUIDLIST_RELATIVE B);

} // namespace shelltest
