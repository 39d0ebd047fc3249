#include "StXml.h"
#include "StText.h"

namespace standin {

std::wstring XmlEscape(const std::wstring& text) {
    std::wstring out;
    out.reserve(text.size() + 8);
    for (wchar_t c : text) {
        switch (c) {
            case L'&': out += L"&amp;"; break;
            case L'<': out += L"&lt;"; break;
            case L'>': out += L"&gt;"; break;
            case L'"': out += L"&quot;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::wstring Tag::Attr(const std::wstring& attrName) const {
    for (auto& a : attrs)
        if (EqualsNoCase(a.first, attrName)) return a.second;
    return L"";
}

bool Tag::HasAttr(const std::wstring& attrName) const {
    for (auto& a : attrs)
        if (EqualsNoCase(a.first, attrName)) return true;
    return false;
}

static bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
static bool IsNameChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L':' ||
           c == L'-' || c == L'_' || c == L'.';
}

void ScanTags(const std::wstring& text, const std::function<bool(const Tag&)>& onTag) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        size_t lt = text.find(L'<', i);
        if (lt == std::wstring::npos || lt + 1 >= n) return;
        if (text.compare(lt, 4, L"<!--") == 0) {
            size_t e = text.find(L"-->", lt + 4);
            if (e == std::wstring::npos) return;
            i = e + 3;
            continue;
        }
        if (text[lt + 1] == L'?' || text[lt + 1] == L'!') {
            size_t e = text.find(L'>', lt + 2);
            if (e == std::wstring::npos) return;
            i = e + 1;
            continue;
        }
        Tag tag;
        tag.begin = lt;
        size_t p = lt + 1;
        if (text[p] == L'/') {
            tag.isEnd = true;
            ++p;
        }
        size_t ns = p;
        while (p < n && IsNameChar(text[p])) ++p;
        if (p == ns) {
            i = lt + 1;
            continue;
        }
        tag.name = text.substr(ns, p - ns);
        // attributes
        for (;;) {
            while (p < n && IsSpace(text[p])) ++p;
            if (p >= n) return;
            if (text[p] == L'>') {
                ++p;
                break;
            }
            if (text[p] == L'/' && p + 1 < n && text[p + 1] == L'>') {
                tag.selfClosing = true;
                p += 2;
                break;
            }
            size_t as = p;
            while (p < n && !IsSpace(text[p]) && text[p] != L'=' && text[p] != L'>' && text[p] != L'/') ++p;
            if (p == as) {
                ++p;
                continue;
            }
            std::wstring an = text.substr(as, p - as);
            while (p < n && IsSpace(text[p])) ++p;
            std::wstring av;
            if (p < n && text[p] == L'=') {
                ++p;
                while (p < n && IsSpace(text[p])) ++p;
                if (p < n && (text[p] == L'"' || text[p] == L'\'')) {
                    wchar_t q = text[p++];
                    size_t e = text.find(q, p);
                    if (e == std::wstring::npos) return;
                    av = text.substr(p, e - p);
                    p = e + 1;
                } else {
                    size_t vs = p;
                    while (p < n && !IsSpace(text[p]) && text[p] != L'>') ++p;
                    av = text.substr(vs, p - vs);
                }
            }
            tag.attrs.emplace_back(std::move(an), std::move(av));
        }
        tag.end = p;
        i = p;
        if (!onTag(tag)) return;
    }
}

std::wstring TextAfter(const std::wstring& text, const Tag& tag) {
    size_t e = text.find(L'<', tag.end);
    if (e == std::wstring::npos) e = text.size();
    return text.substr(tag.end, e - tag.end);
}

}  // namespace standin
