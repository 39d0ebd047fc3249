#include "ULongPath.h"

#include "TntSystem.h"

#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>

namespace {

// Frees an item identifier through the shell allocator.
struct TPidlHolder {
    PIDLIST_ABSOLUTE P = nullptr;
    ~TPidlHolder() {
        if (P)
            CoTaskMemFree(P);
    }
};

struct TShellFolderHolder {
    IShellFolder* P = nullptr;
    ~TShellFolderHolder() {
        if (P)
            P->Release();
    }
};

} // namespace

std::wstring GetLongPathW(const std::wstring& Path) {
    if (Path.empty())
        return L"";
    TShellFolderHolder desktop;
    if (FAILED(SHGetDesktopFolder(&desktop.P)) || !desktop.P)
        return L"";
    std::wstring name = Path; // ParseDisplayName wants a writable buffer
    TPidlHolder pidl;
    ULONG eaten = 0;
    if (FAILED(desktop.P->ParseDisplayName(nullptr, nullptr, name.data(), &eaten,
                                           reinterpret_cast<PIDLIST_RELATIVE*>(&pidl.P), nullptr)) ||
        !pidl.P)
        return L"";
    wchar_t buf[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(pidl.P, buf))
        return L"";
    return buf;
}

std::string GetLongPathA(const std::string& Path) { return WideStringToStringEx(GetLongPathW(StringToWideStringEx(Path, CP_ACP)), CP_ACP); }
