// XML/HTML writing and a small start/end tag scanner for the stand-in's own files.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace standin {

// Escapes &, <, >, " for element text and attribute values.
std::wstring XmlEscape(const std::wstring& text);

struct Tag {
    std::wstring name;
    bool isEnd = false;
    bool selfClosing = false;
    std::vector<std::pair<std::wstring, std::wstring>> attrs;  // values as written (not decoded)
    size_t begin = 0;  // position of '<'
    size_t end = 0;    // position after '>'
    // Value of an attribute, name compared without A-Z case; empty when absent.
    std::wstring Attr(const std::wstring& attrName) const;
    bool HasAttr(const std::wstring& attrName) const;
};

// Walks the tags of text in order; comments, processing instructions and declarations are
// skipped. The callback returns false to stop.
void ScanTags(const std::wstring& text, const std::function<bool(const Tag&)>& onTag);
// The text from the end of tag up to the next '<'.
std::wstring TextAfter(const std::wstring& text, const Tag& tag);

}  // namespace standin
