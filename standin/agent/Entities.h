// HTML character references as the agent reads them in request values and topic sources.
#pragma once

#include <string>

namespace standin {

// True when an entity starts at pos of a raw query: '&', then a ';' 3 to 7 characters on,
// with only letters, digits and '#' between.
bool IsEntityAt(const std::string& text, size_t pos);
// Decodes named and numeric references; the fraction slash (U+2044) becomes '/'. Unknown
// references stay as written.
std::wstring DecodeEntities(const std::wstring& text);

}  // namespace standin
