#include "UrlQuery.h"
#include "Entities.h"
#include "StText.h"

namespace standin {

std::string StripFragment(const std::string& target) {
    for (size_t i = 0; i < target.size(); ++i) {
        if (target[i] == '&' && IsEntityAt(target, i)) {
            i = target.find(';', i);
            continue;
        }
        if (target[i] == '#') return target.substr(0, i);
    }
    return target;
}

QueryParams::QueryParams(const std::string& query) {
    auto addNames = [&](const std::string& names) {
        // Names without a value ("flag" in "flag&a=1").
        size_t from = 0;
        while (from <= names.size()) {
            size_t amp = names.find('&', from);
            if (amp == std::string::npos) amp = names.size();
            std::string name = LowerAsciiA(names.substr(from, amp - from));
            if (!name.empty()) pairs_.emplace_back(std::move(name), std::string());
            from = amp + 1;
        }
    };
    size_t pos = 0;
    while (pos < query.size()) {
        const size_t eq = query.find('=', pos);
        if (eq == std::string::npos) {
            addNames(query.substr(pos));
            break;
        }
        // The key runs from the last '&' before its '=' (or from pos).
        const size_t amp = query.rfind('&', eq);
        const size_t keyStart = amp != std::string::npos && amp >= pos ? amp + 1 : pos;
        if (keyStart > pos) addNames(query.substr(pos, keyStart - 1 - pos));
        std::string name = LowerAsciiA(query.substr(keyStart, eq - keyStart));
        // The value ends before the next '&', or, when that '&' comes before the next '=',
        // before the last '&' ahead of that '=': an '&' that starts no key belongs to it.
        const size_t start = eq + 1;
        const size_t nextAmp = query.find('&', start);
        const size_t nextEq = query.find('=', start);
        size_t end = query.size();
        if (nextAmp != std::string::npos)
            end = nextEq != std::string::npos && nextAmp < nextEq ? query.rfind('&', nextEq) : nextAmp;
        if (!name.empty()) pairs_.emplace_back(std::move(name), query.substr(start, end - start));
        pos = end + 1;
    }
}

const std::string& QueryParams::Raw(const std::string& name) const {
    static const std::string empty;
    for (auto& p : pairs_)
        if (p.first == name) return p.second;
    return empty;
}

bool QueryParams::Has(const std::string& name) const {
    for (auto& p : pairs_)
        if (p.first == name) return true;
    return false;
}

std::wstring QueryParams::Get(const std::string& name) const { return DecodeValue(Raw(name)); }

std::vector<std::wstring> QueryParams::GetAll(const std::string& name) const {
    std::vector<std::wstring> all;
    for (auto& p : pairs_)
        if (p.first == name) all.push_back(DecodeValue(p.second));
    return all;
}

static int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::wstring PercentDecode(const std::string& raw) {
    std::string bytes;
    bytes.reserve(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '+') {
            bytes.push_back(' ');
        } else if (c == '%' && i + 2 < raw.size() && HexValue(raw[i + 1]) >= 0 && HexValue(raw[i + 2]) >= 0) {
            bytes.push_back((char)(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2])));
            i += 2;
        } else {
            bytes.push_back(c);
        }
    }
    return FromUtf8(bytes);
}

std::wstring DecodeValue(const std::string& raw) { return DecodeEntities(PercentDecode(raw)); }

std::wstring DecodeKeywordEscapes(const std::wstring& text) {
    if (text.find(L'%') == std::wstring::npos) return text;
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 2 < text.size()) {
            wchar_t a = text[i + 1], b = text[i + 2];
            if (b >= L'a') b -= 32;
            if (a == L'3' && b == L'C') { out.push_back(L'<'); i += 2; continue; }
            if (a == L'3' && b == L'E') { out.push_back(L'>'); i += 2; continue; }
            if (a == L'2' && b == L'C') { out.push_back(L','); i += 2; continue; }
        }
        out.push_back(text[i]);
    }
    return out;
}

std::wstring KeywordKey(const std::wstring& text) {
    bool plain = !text.empty() && text.front() > L' ' && text.back() > L' ';
    for (wchar_t c : text)
        if (c == L'%' || c >= 0x80) plain = false;
    if (plain) return LowerAscii(text);
    return LowerText(Trim(DecodeKeywordEscapes(text)));
}

KeywordQuery DecodeKeywordQuery(const std::string& raw) {
    KeywordQuery q;
    // Only a ',' sent as it is separates parent and sub-key; an escaped one ("%2C", or the
    // viewer's "%252C") belongs to the text.
    auto finish = [](const std::string& part) { return Trim(DecodeKeywordEscapes(DecodeValue(part))); };
    q.whole = finish(raw);
    size_t comma = raw.find(',');
    if (comma != std::string::npos) {
        q.hasSub = true;
        q.parent = finish(raw.substr(0, comma));
        q.sub = finish(raw.substr(comma + 1));
    } else {
        q.parent = q.whole;
    }
    return q;
}

std::wstring UrlEscape(const std::wstring& value) {
    static const char* hex = "0123456789ABCDEF";
    std::string bytes = ToUtf8(value);
    std::wstring out;
    for (unsigned char c : bytes) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~' || c == ':' || c == '(' || c == ')') {
            out.push_back(c);
        } else {
            out.push_back(L'%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

}  // namespace standin
