// Long forms of paths through the shell's namespace.
#pragma once

#include <string>

// The path as the shell gives it back after parsing it into an item identifier (long
// names, at most 260 characters); '' when the shell cannot parse it.
std::wstring GetLongPathW(const std::wstring& Path);
// The same for a path in the active ANSI code page.
std::string GetLongPathA(const std::string& Path);
