#include "UPTShellDetails.h"

#include "Boundary.h"

TComPtr<IShellDetails> TShellFolder2ToShellDetailsAdapter::Create(IShellFolder2* Folder) {
    TComPtr<IShellDetails> details;
    details.Attach(new TShellFolder2ToShellDetailsAdapter(Folder)); // owned by its references
    return details;
}

STDMETHODIMP TShellFolder2ToShellDetailsAdapter::QueryInterface(REFIID Riid, void** Obj) {
    return Guarded(L"TShellFolder2ToShellDetailsAdapter.QueryInterface", E_UNEXPECTED, [&]() -> HRESULT {
        if (!Obj)
            return E_POINTER;
        if (IsEqualIID(Riid, IID_IUnknown) || IsEqualIID(Riid, IID_IShellDetails)) {
            *Obj = static_cast<IShellDetails*>(this);
            AddRef();
            return S_OK;
        }
        *Obj = nullptr;
        return E_NOINTERFACE;
    });
}

STDMETHODIMP_(ULONG) TShellFolder2ToShellDetailsAdapter::AddRef() { return ++FRefCount; }

STDMETHODIMP_(ULONG) TShellFolder2ToShellDetailsAdapter::Release() {
    const ULONG count = --FRefCount;
    if (count == 0)
        delete this;
    return count;
}

STDMETHODIMP TShellFolder2ToShellDetailsAdapter::GetDetailsOf(PCUITEMID_CHILD Pidl, UINT Column,
                                                               SHELLDETAILS* Details) {
    return Guarded(L"TShellFolder2ToShellDetailsAdapter.GetDetailsOf", E_UNEXPECTED, [&]() -> HRESULT {
        if (!FFolder)
            return E_UNEXPECTED;
        SHCOLSTATEF state = 0;
        if (FAILED(FFolder->GetDefaultColumnState(Column, &state)))
            return E_INVALIDARG;
        return FFolder->GetDetailsOf(Pidl, Column, Details);
    });
}

STDMETHODIMP TShellFolder2ToShellDetailsAdapter::ColumnClick(UINT) { return E_NOTIMPL; }

HRESULT GetShellDetails(IShellFolder* Folder, TComPtr<IShellDetails>& Details) {
    Details.Reset();
    if (!Folder)
        return E_POINTER;
    if (SUCCEEDED(Folder->QueryInterface(IID_IShellDetails, Details.PutVoid())) && Details)
        return S_OK;
    TComPtr<IShellFolder2> folder2;
    if (SUCCEEDED(Folder->QueryInterface(IID_IShellFolder2, folder2.PutVoid())) && folder2) {
        Details = TShellFolder2ToShellDetailsAdapter::Create(folder2.Get());
        return S_OK;
    }
    return Folder->CreateViewObject(nullptr, IID_IShellDetails, Details.PutVoid());
}
