// What the stand-in programs read about their own installation: the help mode of
// HelpClient.cfg and the version resource of a file.
#pragma once

#include <string>

namespace standin {

struct FileVersion {
    unsigned major = 0, minor = 0, release = 0, build = 0;
    bool found = false;
};

FileVersion GetFileVersion(const std::wstring& path);

// The `value` of the first <add key="helpmode"> after an appSettings start tag; empty when none.
std::wstring ReadHelpModeFile(const std::wstring& path);
// The per-user file when it exists, else the machine file in appRoot. userFile overrides the
// per-user location when not empty.
std::wstring ReadHelpMode(const std::wstring& appRoot, const std::wstring& userFile);
std::wstring DefaultUserHelpClientCfg();
// The text of a fresh HelpClient.cfg with the given mode.
std::string FreshHelpClientCfg(const std::wstring& mode);

}  // namespace standin
