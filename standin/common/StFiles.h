// File, folder, environment and process helpers of the stand-in programs.
#pragma once

#include <string>
#include <vector>

namespace standin {

bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
bool ForceDirectories(const std::wstring& path);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Appends bytes to a file shared with readers; used by the request and command-line logs.
bool AppendFileBytes(const std::wstring& path, const std::string& bytes);
// Reads a text file: UTF-8 (with or without byte-order mark) or UTF-16 with a mark.
bool ReadTextFile(const std::wstring& path, std::wstring& text);
// Names (not paths) of the entries of a folder matching a wildcard; folders when wantDirs.
std::vector<std::wstring> ListFolder(const std::wstring& folder, const std::wstring& pattern, bool wantDirs);
bool DeleteTree(const std::wstring& path);
std::wstring IncludeTrailingBackslash(const std::wstring& path);
std::wstring ExtractFileDir(const std::wstring& path);
std::wstring ExtractFileName(const std::wstring& path);
std::wstring ModulePath();
std::wstring ModuleFolder();
std::wstring GetEnv(const wchar_t* name);
std::wstring ExpandEnv(const std::wstring& text);
// The command line of this process without the program name.
std::wstring CommandLineArgs();
// The local application-data folder of the user.
std::wstring LocalAppDataFolder();

}  // namespace standin
