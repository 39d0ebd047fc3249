#include "StText.h"

#include <windows.h>

namespace standin {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), (int)text.size(), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FromUtf8(const std::string& bytes) {
    if (bytes.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), nullptr, 0);
    if (n <= 0) {
        n = MultiByteToWideChar(1252, 0, bytes.data(), (int)bytes.size(), nullptr, 0);
        std::wstring out(n, L'\0');
        MultiByteToWideChar(1252, 0, bytes.data(), (int)bytes.size(), out.data(), n);
        return out;
    }
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), (int)bytes.size(), out.data(), n);
    return out;
}

std::wstring FromLatin1(const std::string& bytes) {
    std::wstring out;
    out.reserve(bytes.size());
    for (unsigned char c : bytes) out.push_back(c);
    return out;
}

static bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0xA0; }

std::wstring Trim(const std::wstring& text) {
    size_t a = 0, b = text.size();
    while (a < b && IsBlank(text[a])) ++a;
    while (b > a && IsBlank(text[b - 1])) --b;
    return text.substr(a, b - a);
}

std::string TrimA(const std::string& text) {
    size_t a = 0, b = text.size();
    while (a < b && (unsigned char)text[a] <= ' ') ++a;
    while (b > a && (unsigned char)text[b - 1] <= ' ') --b;
    return text.substr(a, b - a);
}

std::wstring LowerAscii(std::wstring text) {
    for (auto& c : text)
        if (c >= L'A' && c <= L'Z') c = c - L'A' + L'a';
    return text;
}

std::string LowerAsciiA(std::string text) {
    for (auto& c : text)
        if (c >= 'A' && c <= 'Z') c = c - 'A' + 'a';
    return text;
}

std::wstring LowerText(std::wstring text) {
    bool ascii = true;
    for (auto& c : text) {
        if (c >= L'A' && c <= L'Z') c = c - L'A' + L'a';
        else if (c >= 0x80) ascii = false;
    }
    if (!ascii && !text.empty()) CharLowerBuffW(text.data(), (DWORD)text.size());
    return text;
}

bool EqualsNoCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z') x += 32;
        if (y >= L'A' && y <= L'Z') y += 32;
        if (x != y) return false;
    }
    return true;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(const std::wstring& text, const std::wstring& suffix) {
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::vector<std::wstring> Split(const std::wstring& text, wchar_t sep) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t p = text.find(sep, start);
        if (p == std::wstring::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, p - start));
        start = p + 1;
    }
}

std::wstring ReplaceAll(std::wstring text, const std::wstring& from, const std::wstring& to) {
    if (from.empty()) return text;
    size_t p = 0;
    while ((p = text.find(from, p)) != std::wstring::npos) {
        text.replace(p, from.size(), to);
        p += to.size();
    }
    return text;
}

std::wstring IntToStr(long long value) { return std::to_wstring(value); }

long long ParseNumber(const std::wstring& text) {
    std::wstring t = Trim(text);
    if (t.empty() || t.size() > 12) return -1;
    long long v = 0;
    for (wchar_t c : t) {
        if (c < L'0' || c > L'9') return -1;
        v = v * 10 + (c - L'0');
    }
    return v;
}

}  // namespace standin
