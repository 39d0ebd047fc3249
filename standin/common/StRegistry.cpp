#include "StRegistry.h"
#include "StText.h"

#include <windows.h>

namespace standin {

const wchar_t* const kHelpKey = L"SOFTWARE\\Microsoft\\Help\\v1.0";
const wchar_t* const kHelp3Key = L"SOFTWARE\\Microsoft\\Help3";
const wchar_t* const kHelpRootKey = L"SOFTWARE\\Microsoft\\Help";

static REGSAM ViewFlag(RegView v) {
    switch (v) {
        case RegView::View64: return KEY_WOW64_64KEY;
        case RegView::View32: return KEY_WOW64_32KEY;
        default: return 0;
    }
}

bool IsWow64() {
    using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto fn = (Fn)(void*)GetProcAddress(GetModuleHandleW(L"kernel32"), "IsWow64Process");
    BOOL w = FALSE;
    return fn && fn(GetCurrentProcess(), &w) && w;
}

bool RegRead(const std::wstring& key, const std::wstring& name, RegView view, std::wstring& value) {
    value.clear();
    HKEY h;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | ViewFlag(view), &h) != ERROR_SUCCESS)
        return false;
    DWORD type = 0, size = 0;
    bool ok = RegQueryValueExW(h, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        std::string buf(size + 4, '\0');
        ok = RegQueryValueExW(h, name.c_str(), nullptr, &type, (BYTE*)buf.data(), &size) == ERROR_SUCCESS;
        if (ok && (type == REG_SZ || type == REG_EXPAND_SZ)) {
            value.assign((const wchar_t*)buf.data(), size / 2);
            while (!value.empty() && value.back() == 0) value.pop_back();
        } else if (ok && type == REG_DWORD && size >= 4) {
            value = std::to_wstring(*(const int*)buf.data());
        } else {
            ok = false;
        }
    }
    RegCloseKey(h);
    return ok;
}

std::wstring ReadRuntimeValue(const std::wstring& key, const std::wstring& name) {
    std::wstring v;
    if (IsWow64()) {
        RegRead(key, name, RegView::View64, v);
        v = Trim(v);
        if (!v.empty()) return v;
    }
    RegRead(key, name, RegView::Native, v);
    return Trim(v);
}

static bool CreateKey(const std::wstring& key, RegView view, HKEY& h) {
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | ViewFlag(view), nullptr,
                           &h, nullptr) == ERROR_SUCCESS;
}

bool RegWriteString(const std::wstring& key, const std::wstring& name, const std::wstring& value, RegView view) {
    HKEY h;
    if (!CreateKey(key, view, h)) return false;
    bool ok = RegSetValueExW(h, name.c_str(), 0, REG_SZ, (const BYTE*)value.c_str(),
                             (DWORD)((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    RegCloseKey(h);
    return ok;
}

bool RegWriteDword(const std::wstring& key, const std::wstring& name, unsigned value, RegView view) {
    HKEY h;
    if (!CreateKey(key, view, h)) return false;
    DWORD v = value;
    bool ok = RegSetValueExW(h, name.c_str(), 0, REG_DWORD, (const BYTE*)&v, sizeof v) == ERROR_SUCCESS;
    RegCloseKey(h);
    return ok;
}

static bool DeleteSubTree(HKEY parent, const std::wstring& sub, REGSAM flag) {
    HKEY h;
    LONG r = RegOpenKeyExW(parent, sub.c_str(), 0, KEY_READ | KEY_WRITE | flag, &h);
    if (r == ERROR_FILE_NOT_FOUND) return true;
    if (r != ERROR_SUCCESS) return false;
    for (;;) {
        wchar_t name[256];
        DWORD len = 256;
        if (RegEnumKeyExW(h, 0, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (!DeleteSubTree(h, name, flag)) break;
    }
    RegCloseKey(h);
    using Fn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
    auto fn = (Fn)(void*)GetProcAddress(GetModuleHandleW(L"advapi32"), "RegDeleteKeyExW");
    r = fn ? fn(parent, sub.c_str(), flag, 0) : RegDeleteKeyW(parent, sub.c_str());
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND;
}

bool RegDeleteKeyTree(const std::wstring& key, RegView view) {
    return DeleteSubTree(HKEY_LOCAL_MACHINE, key, ViewFlag(view));
}

}  // namespace standin
