#include "StFiles.h"
#include "StText.h"

#include <windows.h>
#include <shlobj.h>

namespace standin {

bool FileExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirExists(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::wstring& path) {
    std::wstring p = path;
    while (p.size() > 3 && (p.back() == L'\\' || p.back() == L'/')) p.pop_back();
    if (p.empty() || DirExists(p)) return true;
    std::wstring parent = ExtractFileDir(p);
    if (!parent.empty() && parent != p && !ForceDirectories(parent)) return false;
    return CreateDirectoryW(p.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool ReadFileBytes(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(h, &size) && size.QuadPart < 0x40000000;
    if (ok) {
        bytes.resize((size_t)size.QuadPart);
        DWORD done = 0;
        size_t pos = 0;
        while (ok && pos < bytes.size()) {
            ok = ReadFile(h, bytes.data() + pos, (DWORD)(bytes.size() - pos), &done, nullptr) && done > 0;
            pos += done;
        }
    }
    CloseHandle(h);
    return ok;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = bytes.empty() || (WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr) && done == bytes.size());
    CloseHandle(h);
    return ok;
}

bool AppendFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = WriteFile(h, bytes.data(), (DWORD)bytes.size(), &done, nullptr) && done == bytes.size();
    CloseHandle(h);
    return ok;
}

bool ReadTextFile(const std::wstring& path, std::wstring& text) {
    std::string b;
    text.clear();
    if (!ReadFileBytes(path, b)) return false;
    if (b.size() >= 2 && (unsigned char)b[0] == 0xFF && (unsigned char)b[1] == 0xFE) {
        text.assign((const wchar_t*)(b.data() + 2), (b.size() - 2) / 2);
    } else if (b.size() >= 2 && (unsigned char)b[0] == 0xFE && (unsigned char)b[1] == 0xFF) {
        for (size_t i = 2; i + 1 < b.size(); i += 2)
            text.push_back((wchar_t)(((unsigned char)b[i] << 8) | (unsigned char)b[i + 1]));
    } else {
        if (b.size() >= 3 && b.compare(0, 3, "\xEF\xBB\xBF") == 0) b.erase(0, 3);
        text = FromUtf8(b);
    }
    return true;
}

std::vector<std::wstring> ListFolder(const std::wstring& folder, const std::wstring& pattern, bool wantDirs) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((IncludeTrailingBackslash(folder) + pattern).c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring n = fd.cFileName;
        if (n == L"." || n == L"..") continue;
        bool isDir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isDir == wantDirs) names.push_back(n);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return names;
}

bool DeleteTree(const std::wstring& path) {
    if (FileExists(path)) return DeleteFileW(path.c_str()) != 0;
    if (!DirExists(path)) return true;
    bool ok = true;
    for (auto& f : ListFolder(path, L"*", false)) {
        std::wstring p = IncludeTrailingBackslash(path) + f;
        SetFileAttributesW(p.c_str(), FILE_ATTRIBUTE_NORMAL);
        ok = DeleteFileW(p.c_str()) && ok;
    }
    for (auto& d : ListFolder(path, L"*", true)) ok = DeleteTree(IncludeTrailingBackslash(path) + d) && ok;
    return RemoveDirectoryW(path.c_str()) && ok;
}

std::wstring IncludeTrailingBackslash(const std::wstring& path) {
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/') return path + L"\\";
    return path;
}

std::wstring ExtractFileDir(const std::wstring& path) {
    size_t p = path.find_last_of(L"\\/");
    if (p == std::wstring::npos) return L"";
    if (p == 2 && path.size() > 1 && path[1] == L':') return path.substr(0, 3);
    return path.substr(0, p);
}

std::wstring ExtractFileName(const std::wstring& path) {
    size_t p = path.find_last_of(L"\\/");
    return p == std::wstring::npos ? path : path.substr(p + 1);
}

std::wstring ModulePath() {
    std::wstring buf(MAX_PATH * 4, L'\0');
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), (DWORD)buf.size());
    buf.resize(n);
    return buf;
}

std::wstring ModuleFolder() { return ExtractFileDir(ModulePath()); }

std::wstring GetEnv(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return L"";
    std::wstring v(n, L'\0');
    n = GetEnvironmentVariableW(name, v.data(), n);
    v.resize(n);
    return v;
}

std::wstring ExpandEnv(const std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos) return text;
    std::wstring buf(4096, L'\0');
    DWORD n = ExpandEnvironmentStringsW(text.c_str(), buf.data(), (DWORD)buf.size());
    if (n == 0 || n > buf.size()) return text;
    buf.resize(n - 1);
    return buf;
}

std::wstring CommandLineArgs() {
    const wchar_t* p = GetCommandLineW();
    if (*p == L'"') {
        ++p;
        while (*p && *p != L'"') ++p;
        if (*p) ++p;
    } else {
        while (*p && *p != L' ' && *p != L'\t') ++p;
    }
    while (*p == L' ' || *p == L'\t') ++p;
    return p;
}

std::wstring LocalAppDataFolder() {
    wchar_t buf[MAX_PATH] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, buf))) return buf;
    return ExpandEnv(L"%LOCALAPPDATA%");
}

}  // namespace standin
