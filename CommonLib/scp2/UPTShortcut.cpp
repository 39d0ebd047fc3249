#include "UPTShortcut.h"

#include "SysUtils.h"

namespace {
// Resolve flags: no user interface; the time-out (in the high word) keeps a search for a
// moved target short.
constexpr DWORD ResolveFlags[2] = {SLR_NO_UI | (500u << 16), SLR_NO_UI | (1u << 16)};

void CheckCom(HRESULT hr, const wchar_t* What) {
    if (FAILED(hr))
        throw EOSError(WideString(What) + L" failed: 0x" + IntToHex(static_cast<uint32_t>(hr), 8),
                       static_cast<DWORD>(hr));
}
} // namespace

TPTShortcut::TPTShortcut() {
    CheckCom(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              FShellLink.PutVoid()),
             L"Creating the shell link object");
    CheckCom(FShellLink.As(FPersistFile, IID_IPersistFile), L"Asking the shell link for IPersistFile");
}

HRESULT TPTShortcut::Load(const WideString& FileName) {
    if (FileName.empty())
        return E_INVALIDARG;
    FPidl.Reset();
    HRESULT hr = FPersistFile->Load(FileName.c_str(), STGM_READ);
    if (FAILED(hr))
        return hr;
    // A target that moved away is not an error here: the fields are read all the same.
    FShellLink->Resolve(nullptr, ResolveFlags[ResolveMode ? 1 : 0]);

    wchar_t buffer[MAX_PATH + 1] = {};
    auto text = [&](WideString& Field, HRESULT Result) {
        if (SUCCEEDED(Result))
            Field = buffer;
        buffer[0] = L'\0';
        return Result;
    };
    FindData = WIN32_FIND_DATAW{};
    if (FAILED(hr = text(Path, FShellLink->GetPath(buffer, MAX_PATH, &FindData, 0))))
        return hr;
    if (FAILED(hr = text(Arguments, FShellLink->GetArguments(buffer, MAX_PATH))))
        return hr;
    if (FAILED(hr = text(Description, FShellLink->GetDescription(buffer, MAX_PATH))))
        return hr;
    if (FAILED(hr = text(IconLocation, FShellLink->GetIconLocation(buffer, MAX_PATH, &IconIndex))))
        return hr;
    if (FAILED(hr = text(WorkingDirectory, FShellLink->GetWorkingDirectory(buffer, MAX_PATH))))
        return hr;
    if (FAILED(hr = FShellLink->GetShowCmd(&ShowCmd)))
        return hr;
    if (FAILED(hr = FShellLink->GetHotkey(&HotKey)))
        return hr;
    return FShellLink->GetIDList(FPidl.Put());
}
