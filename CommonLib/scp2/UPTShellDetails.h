// IShellDetails over a folder that offers only IShellFolder2: what the shell list asks
// of a folder's columns, answered by the newer interface.
#pragma once

#include "ComObj.h"
#include "UPTShellUtils.h"

// The toolchain's headers name no interface id for IShellDetails.
__CRT_UUID_DECL(IShellDetails, 0x000214EC, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46)

class TShellFolder2ToShellDetailsAdapter final : public TComObject<IShellDetails> {
public:
    explicit TShellFolder2ToShellDetailsAdapter(IShellFolder2* Folder) : FFolder(Folder) {}
    // A new adapter with one reference, held by the result.
    static TComPtr<IShellDetails> Create(IShellFolder2* Folder);

    // The folder's details of a column whose default state it can tell; E_INVALIDARG
    // for a column it cannot.
    STDMETHODIMP GetDetailsOf(PCUITEMID_CHILD Pidl, UINT Column, SHELLDETAILS* Details) override;
    // E_NOTIMPL: sorting is the list's business.
    STDMETHODIMP ColumnClick(UINT Column) override;

private:
    TComPtr<IShellFolder2> FFolder;
};
