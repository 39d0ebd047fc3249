#include "ULongPath.h"

#include "Handles.h"
#include "TntSystem.h"

#include <winsock2.h>
#include <windows.h>
#include <shlobj.h>

std::wstring GetLongPathW(const std::wstring& Path) {
    if (Path.empty())
        return L"";
    TComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Put())) || !desktop)
        return L"";
    std::wstring name = Path; // ParseDisplayName wants a writable buffer
    TPidl pidl;
    ULONG eaten = 0;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), &eaten, pidl.Put(), nullptr)) || !pidl)
        return L"";
    wchar_t buf[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListW(pidl.Get(), buf))
        return L"";
    return buf;
}

std::string GetLongPathA(const std::string& Path) { return WideStringToStringEx(GetLongPathW(StringToWideStringEx(Path, CP_ACP)), CP_ACP); }
