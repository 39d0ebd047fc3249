#include "StRuntime.h"
#include "StFiles.h"
#include "StText.h"
#include "StXml.h"

#include <windows.h>

namespace standin {

FileVersion GetFileVersion(const std::wstring& path) {
    FileVersion v;
    DWORD dummy = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &dummy);
    if (size == 0) return v;
    std::string buf(size, '\0');
    if (!GetFileVersionInfoW(path.c_str(), 0, size, buf.data())) return v;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(buf.data(), L"\\", (void**)&info, &len) || !info) return v;
    v.major = HIWORD(info->dwFileVersionMS);
    v.minor = LOWORD(info->dwFileVersionMS);
    v.release = HIWORD(info->dwFileVersionLS);
    v.build = LOWORD(info->dwFileVersionLS);
    v.found = true;
    return v;
}

std::wstring ReadHelpModeFile(const std::wstring& path) {
    std::wstring text;
    if (!ReadTextFile(path, text)) return L"";
    bool inSettings = false;
    std::wstring mode;
    ScanTags(text, [&](const Tag& t) {
        if (t.isEnd) return true;
        if (EqualsNoCase(t.name, L"appSettings")) {
            inSettings = true;
        } else if (inSettings && EqualsNoCase(t.name, L"add") && EqualsNoCase(t.Attr(L"key"), L"helpmode")) {
            mode = t.Attr(L"value");
            return false;
        }
        return true;
    });
    return mode;
}

std::wstring DefaultUserHelpClientCfg() {
    return IncludeTrailingBackslash(LocalAppDataFolder()) + L"Microsoft\\HelpLibrary\\HelpClient.cfg";
}

std::wstring ReadHelpMode(const std::wstring& appRoot, const std::wstring& userFile) {
    std::wstring user = userFile.empty() ? DefaultUserHelpClientCfg() : userFile;
    if (FileExists(user)) return ReadHelpModeFile(user);
    std::wstring machine = IncludeTrailingBackslash(appRoot) + L"HelpClient.cfg";
    if (FileExists(machine)) return ReadHelpModeFile(machine);
    return L"";
}

std::string FreshHelpClientCfg(const std::wstring& mode) {
    return "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<configuration>\r\n<appSettings>\r\n"
           "   <add key=\"helpmode\" value=\"" + ToUtf8(mode) + "\" />\r\n</appSettings>\r\n</configuration>\r\n";
}

}  // namespace standin
