// Wide wrappers of the operating system's text-bearing calls. Every part of the Unicode set
// calls these instead of the system. The program runs on the NT family only, so each
// wrapper takes the wide call unchanged and leaves the last-error code as the call left it.
#pragma once

#include "System.h"

#include <shellapi.h>
#include <shlobj.h>

BOOL Tnt_ExtTextOutW(HDC hDC, int X, int Y, UINT Options, const RECT* Rect, LPCWSTR Str, UINT Count,
                     const INT* Dx);
BOOL Tnt_SetWindowTextW(HWND hWnd, LPCWSTR lpString);
DWORD Tnt_GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer, LPWSTR* lpFilePart);
HANDLE Tnt_CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                       LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                       DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
HANDLE Tnt_FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
BOOL Tnt_FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
DWORD Tnt_GetFileAttributesW(LPCWSTR lpFileName);
BOOL Tnt_SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);
BOOL Tnt_CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
BOOL Tnt_MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName);
BOOL Tnt_DeleteFileW(LPCWSTR lpFileName);
int Tnt_DrawTextW(HDC hDC, LPCWSTR lpString, int nCount, LPRECT lpRect, UINT uFormat);
DWORD Tnt_GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
DWORD Tnt_GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);
BOOL Tnt_SetCurrentDirectoryW(LPCWSTR lpPathName);
HMODULE Tnt_LoadLibraryW(LPCWSTR lpLibFileName);
LPWSTR Tnt_CharUpperW(LPWSTR lpsz);
DWORD Tnt_CharUpperBuffW(LPWSTR lpsz, DWORD cchLength);
BOOL Tnt_GetStringTypeExW(LCID Locale, DWORD dwInfoType, LPCWSTR lpSrcStr, int cchSrc, LPWORD lpCharType);
int Tnt_LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int nBufferMax);
DWORD Tnt_GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle);
BOOL Tnt_GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD dwHandle, DWORD dwLen, LPVOID lpData);

// Shell functions, bound from shell32.dll on first use. A failed load or a missing entry
// point raises EOSError with the system's message.
DWORD_PTR Tnt_SHGetFileInfoW(LPCWSTR pszPath, DWORD dwFileAttributes, SHFILEINFOW* psfi, UINT cbFileInfo,
                             UINT uFlags);
int Tnt_SHFileOperationW(LPSHFILEOPSTRUCTW lpFileOp);
PIDLIST_ABSOLUTE Tnt_SHBrowseForFolderW(LPBROWSEINFOW lpbi);
BOOL Tnt_SHGetPathFromIDListW(PCIDLIST_ABSOLUTE pidl, LPWSTR pszPath);
