#include "TntWindows.h"

#include "Handles.h"
#include "TntSystem.h"

#include <mutex>

// The program runs on the NT family only: every wrapper takes the wide call as it is.

BOOL Tnt_ExtTextOutW(HDC hDC, int X, int Y, UINT Options, const RECT* Rect, LPCWSTR Str, UINT Count,
                     const INT* Dx) {
    return ExtTextOutW(hDC, X, Y, Options, Rect, Str, Count, Dx);
}

BOOL Tnt_SetWindowTextW(HWND hWnd, LPCWSTR lpString) {
    return SetWindowTextW(hWnd, lpString);
}

DWORD Tnt_GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart) {
    return GetFullPathNameW(lpFileName, nBufferLength, lpBuffer, lpFilePart);
}

HANDLE Tnt_CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile) {
    return CreateFileW(lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes, dwCreationDisposition,
                       dwFlagsAndAttributes, hTemplateFile);
}

HANDLE Tnt_FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    return FindFirstFileW(lpFileName, lpFindFileData);
}

BOOL Tnt_FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    return FindNextFileW(hFindFile, lpFindFileData);
}

DWORD Tnt_GetFileAttributesW(LPCWSTR lpFileName) {
    return GetFileAttributesW(lpFileName);
}

BOOL Tnt_SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
    return SetFileAttributesW(lpFileName, dwFileAttributes);
}

BOOL Tnt_CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes) {
    return CreateDirectoryW(lpPathName, lpSecurityAttributes);
}

BOOL Tnt_MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
    return MoveFileW(lpExistingFileName, lpNewFileName);
}

BOOL Tnt_DeleteFileW(LPCWSTR lpFileName) {
    return DeleteFileW(lpFileName);
}

int Tnt_DrawTextW(HDC hDC, LPCWSTR lpString, int nCount, LPRECT lpRect, UINT uFormat) {
    return DrawTextW(hDC, lpString, nCount, lpRect, uFormat);
}

DWORD Tnt_GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    return GetModuleFileNameW(hModule, lpFilename, nSize);
}

DWORD Tnt_GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
    return GetCurrentDirectoryW(nBufferLength, lpBuffer);
}

BOOL Tnt_SetCurrentDirectoryW(LPCWSTR lpPathName) {
    return SetCurrentDirectoryW(lpPathName);
}

HMODULE Tnt_LoadLibraryW(LPCWSTR lpLibFileName) {
    return LoadLibraryW(lpLibFileName);
}

LPWSTR Tnt_CharUpperW(LPWSTR lpsz) {
    return CharUpperW(lpsz);
}

DWORD Tnt_CharUpperBuffW(LPWSTR lpsz, DWORD cchLength) {
    return CharUpperBuffW(lpsz, cchLength);
}

BOOL Tnt_GetStringTypeExW(LCID Locale, DWORD dwInfoType, LPCWSTR lpSrcStr, int cchSrc, LPWORD lpCharType) {
    return GetStringTypeExW(Locale, dwInfoType, lpSrcStr, cchSrc, lpCharType);
}

int Tnt_LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int nBufferMax) {
    return LoadStringW(hInstance, uID, lpBuffer, nBufferMax);
}

DWORD Tnt_GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle) {
    return GetFileVersionInfoSizeW(lptstrFilename, lpdwHandle);
}

BOOL Tnt_GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData) {
    return GetFileVersionInfoW(lptstrFilename, dwHandle, dwLen, lpData);
}

// ---------------------------------------------------------------------------------
// Shell functions bound on first use.

namespace {

using TSHGetFileInfoW = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);
using TSHFileOperationW = int(WINAPI*)(LPSHFILEOPSTRUCTW);
using TSHBrowseForFolderW = PIDLIST_ABSOLUTE(WINAPI*)(LPBROWSEINFOW);
using TSHGetPathFromIDListW = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);

class TShellBinding {
public:
    TShellBinding(const TShellBinding&) = delete;
    TShellBinding& operator=(const TShellBinding&) = delete;

    static TShellBinding& Get() {
        static TShellBinding binding;
        std::lock_guard<std::mutex> lock(binding.FLock);
        if (!binding.FBound) {
            binding.Bind();
            binding.FBound = true;
        }
        return binding;
    }

    TSHFileOperationW FileOperation = nullptr;
    TSHBrowseForFolderW BrowseForFolder = nullptr;
    TSHGetPathFromIDListW GetPathFromIDList = nullptr;
    TSHGetFileInfoW GetFileInfo = nullptr;

private:
    TShellBinding() = default;

    template <class T>
    void Lookup(T& entry, const char* name) {
        FARPROC p = GetProcAddress(FModule.Get(), name);
        if (!p)
            RaiseLastOSError();
        entry = reinterpret_cast<T>(p);
    }

    // A failure raises and leaves the binding unfinished, so the next call tries again.
    void Bind() {
        if (!FModule) {
            FModule.Reset(Tnt_LoadLibraryW(L"shell32.dll"));
            if (!FModule)
                RaiseLastOSError();
        }
        Lookup(FileOperation, "SHFileOperationW");
        Lookup(BrowseForFolder, "SHBrowseForFolderW");
        Lookup(GetPathFromIDList, "SHGetPathFromIDListW");
        Lookup(GetFileInfo, "SHGetFileInfoW");
    }

    std::mutex FLock;
    bool FBound = false;
    TModuleHandle FModule;
};

} // namespace

DWORD_PTR Tnt_SHGetFileInfoW(LPCWSTR pszPath, DWORD dwFileAttributes, SHFILEINFOW* psfi, UINT cbFileInfo,
                             UINT uFlags) {
    return TShellBinding::Get().GetFileInfo(pszPath, dwFileAttributes, psfi, cbFileInfo, uFlags);
}

int Tnt_SHFileOperationW(LPSHFILEOPSTRUCTW lpFileOp) {
    return TShellBinding::Get().FileOperation(lpFileOp);
}

PIDLIST_ABSOLUTE Tnt_SHBrowseForFolderW(LPBROWSEINFOW lpbi) {
    return TShellBinding::Get().BrowseForFolder(lpbi);
}

BOOL Tnt_SHGetPathFromIDListW(PCIDLIST_ABSOLUTE pidl, LPWSTR pszPath) {
    return TShellBinding::Get().GetPathFromIDList(pidl, pszPath);
}
