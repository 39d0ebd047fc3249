#include "ULongPath.h"

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

std::wstring AnsiToWideCP(const std::string& S) {
    if (S.empty())
        return {};
    int n = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), w.data(), n);
    return w;
}

std::string WideToAnsiCP(const std::wstring& S) {
    if (S.empty())
        return {};
    int n = WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0, nullptr, nullptr);
    std::string a(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, S.data(), static_cast<int>(S.size()), a.data(), n, nullptr, nullptr);
    return a;
}

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

std::string GetLongPathA(const std::string& Path) { return WideToAnsiCP(GetLongPathW(AnsiToWideCP(Path))); }
