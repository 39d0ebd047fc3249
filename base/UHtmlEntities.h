// HTML character references and the few URL escapes met in titles and names.
#pragma once

#include <string>
#include <string_view>

// The character of a whole reference ("&lt;", "&#233;"), or 0 when the text is not a
// known reference. Named references are case-sensitive.
char32_t EntityToChar(const std::wstring& Entity);
// Decodes in place: "%20" to a blank, "%2C"/"%2c" to ',', and every character reference.
void DecodeHtmlText(std::wstring& Text);
// Text decoded as DecodeHtmlText does it, appended to Out.
void AppendDecodedHtmlText(std::wstring& Out, std::wstring_view Text);
// As DecodeHtmlText, and "%3C"/"%3c" to '<', "%3E"/"%3e" to '>'.
void DecodeHtmlTextEx(std::wstring& Text);
// A title as it is shown (a tree row, a list row, a tab's caption, the breadcrumb): decoded
// as DecodeHtmlTextEx does it, without the characters that turn the direction of the text
// after them (embeddings, overrides and isolates: U+202A to U+202E, U+2066 to U+2069), which
// would reverse the rest of the row and of every caption the title is put into. The marks
// U+200E and U+200F stay: they turn nothing round.
void DecodeTitleText(std::wstring& Text);
// Only the escapes %20 %2C %3C %3E %3A (hex letters in either case).
void DecodeUrlEscapes(const std::wstring& Text, std::wstring& Result);
// The numeric reference that stands for Ch, or '' when Ch is written as it is.
void CharToEntity(wchar_t Ch, std::wstring& Reference);
// Replaces every character other than an ASCII letter or digit that has a reference.
void EncodeEntities(std::wstring& Text);
// True when a reference starts at the 1-based Pos ('&', then ';' 3 to 7 characters
// further with no other '&' between); Pos then moves just past the ';'.
bool IsEntityAt(const std::string& Text, int& Pos);
bool IsEntityAt(const std::wstring& Text, int& Pos);
