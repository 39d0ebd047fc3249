// Registry access of the stand-in programs in a chosen view of HKLM.
#pragma once

#include <string>

namespace standin {

enum class RegView { Native, View64, View32 };

extern const wchar_t* const kHelpKey;      // SOFTWARE\Microsoft\Help\v1.0
extern const wchar_t* const kHelp3Key;     // SOFTWARE\Microsoft\Help3
extern const wchar_t* const kHelpRootKey;  // SOFTWARE\Microsoft\Help

bool IsWow64();
// Text of a value: REG_SZ / REG_EXPAND_SZ as stored, REG_DWORD as decimal text.
bool RegRead(const std::wstring& key, const std::wstring& name, RegView view, std::wstring& value);
// Reads the way the runtime's clients do: the 64-bit view first under WOW64, then the normal
// view when that gave nothing; the result is trimmed.
std::wstring ReadRuntimeValue(const std::wstring& key, const std::wstring& name);
bool RegWriteString(const std::wstring& key, const std::wstring& name, const std::wstring& value, RegView view);
bool RegWriteDword(const std::wstring& key, const std::wstring& name, unsigned value, RegView view);
bool RegDeleteKeyTree(const std::wstring& key, RegView view);

}  // namespace standin
