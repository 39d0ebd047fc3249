// Small text helpers of the stand-in runtime: UTF-8 conversion, trimming, ASCII case.
#pragma once

#include <string>
#include <vector>

namespace standin {

std::string ToUtf8(const std::wstring& text);
// Decodes UTF-8; an invalid sequence makes the whole text be read as Windows-1252.
std::wstring FromUtf8(const std::string& bytes);
std::wstring FromLatin1(const std::string& bytes);

std::wstring Trim(const std::wstring& text);
std::string TrimA(const std::string& text);
// Folds A-Z only.
std::wstring LowerAscii(std::wstring text);
std::string LowerAsciiA(std::string text);
// Folds every letter the system knows (used for keyword and search keys).
std::wstring LowerText(std::wstring text);
bool EqualsNoCase(const std::wstring& a, const std::wstring& b);
bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix);
bool EndsWithNoCase(const std::wstring& text, const std::wstring& suffix);
std::vector<std::wstring> Split(const std::wstring& text, wchar_t sep);
std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to);
std::wstring IntToStr(long long value);
// Parses a non-negative decimal number; -1 when the text is not one.
long long ParseNumber(const std::wstring& text);

}  // namespace standin
