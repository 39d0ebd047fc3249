// Small utilities of the common library.
#include "UUtilsW.h"

#include "Forms.h"
#include "Handles.h"

#include <shlobj.h>

#include <atomic>
#include <mutex>

// ---------------------------------------------------------------------------------
// Questions to the user

namespace {

bool SystemMessageBox(int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons) {
    UINT flags = MB_OK;
    if (Buttons == mbOkCancel) flags = MB_OKCANCEL;
    else if (Buttons == mbYesNo) flags = MB_YESNO;
    if (Icon == miInfo) flags |= MB_ICONINFORMATION;
    else if (Icon == miWarning) flags |= MB_ICONWARNING;
    else if (Icon == miError) flags |= MB_ICONERROR;
    else if (Icon == miQuestion) flags |= MB_ICONQUESTION;
    const int answer = MessageBoxW(GetActiveWindow(), Text.c_str(), Title.c_str(), flags | MB_TASKMODAL);
    return answer == IDOK || answer == IDYES;
}

std::mutex g_MessageLock;
TUserMessageHandler& MessageHandlerSlot() {
    static TUserMessageHandler handler;
    return handler;
}

} // namespace

TUserMessageHandler SetUserMessageHandler(TUserMessageHandler Handler) {
    std::lock_guard<std::mutex> lock(g_MessageLock);
    TUserMessageHandler previous = std::move(MessageHandlerSlot());
    MessageHandlerSlot() = std::move(Handler);
    return previous;
}

bool UserMessage(int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons) {
    if (Buttons == mbYesNo) Icon = miQuestion;
    else if (Icon == miNone) Icon = miInfo;
    const std::wstring heading = Title.empty() ? MessageHeading() : Title;
    TUserMessageHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_MessageLock);
        handler = MessageHandlerSlot();
    }
    if (handler) return handler(Icon, heading, Text, Buttons);
    return SystemMessageBox(Icon, heading, Text, Buttons);
}

std::wstring MessageHeading() {
    if (Application && !Application->Title().empty()) return Application->Title();
    const std::wstring& name = ProgramFileName();
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

bool MsgYesNo(const std::wstring& Msg) { return UserMessage(miQuestion, std::wstring(), Msg, mbYesNo); }

void MsgBoxW(const std::wstring& Msg, int Icon) { UserMessage(Icon, std::wstring(), Msg, mbOk); }

// ---------------------------------------------------------------------------------
// Program folder and name

namespace {

struct TProgramPath {
    std::wstring Folder;
    std::wstring Name;
    TProgramPath() {
        std::wstring path(MAX_PATH, L'\0');
        for (;;) {
            const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
            if (n == 0) {
                path.clear();
                break;
            }
            if (n < path.size()) {
                path.resize(n);
                break;
            }
            path.resize(path.size() * 2);
        }
        const size_t slash = path.find_last_of(L'\\');
        if (slash == std::wstring::npos) {
            Name = path;
        } else {
            Folder = path.substr(0, slash);
            Name = path.substr(slash + 1);
        }
    }
};

const TProgramPath& ProgramPath() {
    static const TProgramPath value;
    return value;
}

std::wstring WithoutTrailingSlash(std::wstring s) {
    while (!s.empty() && s.back() == L'\\') s.pop_back();
    return s;
}

bool IsExistingFolder(const std::wstring& path) {
    const DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

const std::wstring& ProgramFolder() { return ProgramPath().Folder; }
const std::wstring& ProgramFileName() { return ProgramPath().Name; }

// ---------------------------------------------------------------------------------
// Folders

std::wstring GetWindowsFolderW() {
    wchar_t buf[MAX_PATH + 1];
    const UINT n = GetWindowsDirectoryW(buf, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return std::wstring();
    return WithoutTrailingSlash(std::wstring(buf, n));
}

std::wstring GetTempFolderChecked() {
    wchar_t buf[300];
    const DWORD n = GetTempPathW(300, buf);
    if (n > 0 && n < 300) {
        std::wstring path(buf, n);
        std::wstring longPath(32768, L'\0');
        const DWORD m = GetLongPathNameW(path.c_str(), longPath.data(), static_cast<DWORD>(longPath.size()));
        if (m > 0 && m < longPath.size()) path.assign(longPath.c_str(), m);
        path = WithoutTrailingSlash(path);
        if (!path.empty() && IsFolderWritable(path)) return path;
    }
    std::wstring fallback = GetWindowsFolderW() + L"\\TEMP";
    if (!IsExistingFolder(fallback)) CreateDirectoryW(fallback.c_str(), nullptr);
    return fallback;
}

bool GetSpecialFolderW(int CSIDL, std::wstring& Path) {
    Path.clear();
    TPidl pidl;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL, pidl.Put())) && pidl) {
        wchar_t buf[MAX_PATH + 1] = {};
        if (SHGetPathFromIDListW(pidl.Get(), buf)) Path = WithoutTrailingSlash(buf);
    }
    return !Path.empty();
}

std::wstring ShellFolderPathRaw(int CSIDL) {
    std::wstring path;
    GetSpecialFolderW(CSIDL, path);
    return path;
}

std::wstring ShellFolderPath(int CSIDL) { return ShellFolderPathRaw(CSIDL & 0x7F); }
std::wstring ShellFolderPath2(int CSIDL) { return ShellFolderPath(CSIDL); }
std::wstring ShellFolderPath3(int CSIDL) { return ShellFolderPath(CSIDL); }

bool IsFolderWritable(const std::wstring& Dir, bool& Deleted) {
    Deleted = false;
    std::wstring dir = WithoutTrailingSlash(Dir);
    if (dir.empty()) return false;
    if (dir.size() == 1) dir += L':';
    if (!IsExistingFolder(dir) && dir.size() > 2) {
        const size_t slash = dir.find_last_of(L'\\');
        if (slash == std::wstring::npos) return false;
        dir = WithoutTrailingSlash(dir.substr(0, slash));
        if (dir.empty()) return false;
    }
    // A probe of our own: CREATE_NEW never opens (and so never truncates or deletes)
    // a file that is already there.
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        wchar_t name[64];
        swprintf(name, 64, L"\\$_Temp_$%lx_%x.$$$", static_cast<unsigned long>(GetCurrentProcessId()),
                 counter.fetch_add(1) + static_cast<unsigned>(GetTickCount()) * 16u);
        const std::wstring probe = dir + name;
        TFileHandle h(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (!h) {
            if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
            return false;
        }
        const char byte = 0;
        DWORD written = 0;
        const bool ok = WriteFile(h.Get(), &byte, 1, &written, nullptr) && written == 1;
        h.Reset(); // closed before the probe is deleted
        Deleted = DeleteFileW(probe.c_str()) != FALSE;
        return ok;
    }
    return false;
}

bool IsFolderWritable(const std::wstring& Dir) {
    bool deleted = false;
    return IsFolderWritable(Dir, deleted);
}

// ---------------------------------------------------------------------------------
// Administrator test

namespace {

bool TokenHasGroup(PSID sid) {
    TKernelHandle token;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, token.Put())) {
        if (GetLastError() != ERROR_NO_TOKEN) return false;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Put())) return false;
    }
    DWORD size = 0;
    GetTokenInformation(token.Get(), TokenGroups, nullptr, 0, &size);
    bool found = false;
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER && size > 0) {
        std::vector<uint8_t> buffer(size);
        auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buffer.data());
        if (GetTokenInformation(token.Get(), TokenGroups, groups, size, &size)) {
            for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
                found = EqualSid(groups->Groups[i].Sid, sid) && (groups->Groups[i].Attributes & 0x14) == 0x04;
        }
    }
    return found;
}

} // namespace

bool IsAdmin(DWORD RID) {
    InitRuntime();
    if (Win32Platform != VER_PLATFORM_WIN32_NT) return true;
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    if (!AllocateAndInitializeSid(&authority, 2, SECURITY_BUILTIN_DOMAIN_RID, RID, 0, 0, 0, 0, 0, 0, &sid))
        return false;
    bool result = false;
    using TCheckTokenMembership = BOOL(WINAPI*)(HANDLE, PSID, PBOOL);
    TCheckTokenMembership check = nullptr;
    if (Win32MajorVersion >= 5) {
        if (HMODULE advapi = GetModuleHandleW(L"advapi32.dll"))
            check = reinterpret_cast<TCheckTokenMembership>(
                reinterpret_cast<void*>(GetProcAddress(advapi, "CheckTokenMembership")));
    }
    if (check) {
        BOOL member = FALSE;
        result = check(nullptr, sid, &member) && member;
    } else {
        result = TokenHasGroup(sid);
    }
    FreeSid(sid);
    return result;
}

bool IsUserAdmin() { return IsAdmin(DOMAIN_ALIAS_RID_ADMINS); }

// ---------------------------------------------------------------------------------
// Growable arrays

int IntArrayAdd(TIntArray& Arr, int32_t Value) {
    Arr.push_back(Value);
    return static_cast<int>(Arr.size()) - 1;
}

int IntArrayIndexOf(const TIntArray& Arr, int32_t Value) {
    for (size_t i = 0; i < Arr.size(); ++i)
        if (Arr[i] == Value) return static_cast<int>(i);
    return -1;
}

int IntArrayAddUnique(TIntArray& Arr, int32_t Value) {
    const int at = IntArrayIndexOf(Arr, Value);
    return at >= 0 ? at : IntArrayAdd(Arr, Value);
}

int StrArrayIndexOf(const TWideStrArray& Arr, const std::wstring& S, bool CaseSensitive) {
    for (size_t i = 0; i < Arr.size(); ++i) {
        const std::wstring& item = Arr[i];
        if (item.size() != S.size()) continue;
        if (CaseSensitive ? item == S
                          : CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item.data(),
                                           static_cast<int>(item.size()), S.data(),
                                           static_cast<int>(S.size())) == CSTR_EQUAL)
            return static_cast<int>(i);
    }
    return -1;
}

int StrArrayAddUnique(TWideStrArray& Arr, const std::wstring& S, bool CaseSensitive) {
    const int at = StrArrayIndexOf(Arr, S, CaseSensitive);
    if (at >= 0) return at;
    Arr.push_back(S);
    return static_cast<int>(Arr.size()) - 1;
}

int StrArrayAddUniqueText(TWideStrArray& Arr, const std::wstring& S) { return StrArrayAddUnique(Arr, S, false); }
