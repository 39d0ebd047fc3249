#include "UPTShellDetails.h"

#include "Boundary.h"

TComPtr<IShellDetails> TShellFolder2ToShellDetailsAdapter::Create(IShellFolder2* Folder) {
    return TComPtr<IShellDetails>(MakeComObject<TShellFolder2ToShellDetailsAdapter>(Folder).Get());
}

STDMETHODIMP TShellFolder2ToShellDetailsAdapter::GetDetailsOf(PCUITEMID_CHILD Pidl, UINT Column,
                                                               SHELLDETAILS* Details) {
    return GuardedCom(L"TShellFolder2ToShellDetailsAdapter.GetDetailsOf", [&]() -> HRESULT {
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
