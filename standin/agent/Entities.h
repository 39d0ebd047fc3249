// HTML character references as the agent reads them in request values and topic sources.
#pragma once

#include <string>

namespace standin {

// True when an entity starts at pos of a raw query: '&', then a ';' 3 to 7 characters on,
// with no other '&' between (the rule by which the viewer leaves an '&' unescaped). An '='
// between marks a name=value pair instead: "&id=x;y" is a pair, not an entity.
bool IsEntityAt(const std::string& text, size_t pos);
// Decodes named and numeric references; the fraction slash (U+2044) becomes '/'. Unknown
// references stay as written.
std::wstring DecodeEntities(const std::wstring& text);

}  // namespace standin
