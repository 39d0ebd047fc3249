// IShellDetails over a folder that offers only IShellFolder2: what the shell list asks
// of a folder's columns, answered by the newer interface.
#pragma once

#include "UPTShellUtils.h"

#include <atomic>

class TShellFolder2ToShellDetailsAdapter final : public IShellDetails {
public:
    // A new adapter with one reference, held by the result.
    static TComPtr<IShellDetails> Create(IShellFolder2* Folder);

    STDMETHODIMP QueryInterface(REFIID Riid, void** Obj) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    // The folder's details of a column whose default state it can tell; E_INVALIDARG
    // for a column it cannot.
    STDMETHODIMP GetDetailsOf(PCUITEMID_CHILD Pidl, UINT Column, SHELLDETAILS* Details) override;
    // E_NOTIMPL: sorting is the list's business.
    STDMETHODIMP ColumnClick(UINT Column) override;

private:
    explicit TShellFolder2ToShellDetailsAdapter(IShellFolder2* Folder) : FFolder(Folder) {}
    ~TShellFolder2ToShellDetailsAdapter() = default;
    TComPtr<IShellFolder2> FFolder;
    std::atomic<ULONG> FRefCount{1};
};
