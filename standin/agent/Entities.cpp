#include "Entities.h"

#include <cstring>

namespace standin {

namespace {

struct Named {
    const char* name;
    unsigned code;
};

const char* const kLatin1[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",    "copy",   "ordf",
    "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn", "sup2",   "sup3",   "acute",  "micro",
    "para",   "middot", "cedil",  "sup1",   "ordm",   "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave",
    "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",
    "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde", "Ouml",
    "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave", "aacute",
    "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",   "igrave",
    "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide",
    "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

const Named kOthers[] = {
    {"quot", 34},     {"amp", 38},      {"lt", 60},       {"gt", 62},       {"apos", 39},     {"OElig", 338},
    {"oelig", 339},   {"Scaron", 352},  {"scaron", 353},  {"Yuml", 376},    {"fnof", 402},    {"circ", 710},
    {"tilde", 732},   {"ensp", 8194},   {"emsp", 8195},   {"thinsp", 8201}, {"zwnj", 8204},   {"zwj", 8205},
    {"lrm", 8206},    {"rlm", 8207},    {"ndash", 8211},  {"mdash", 8212},  {"lsquo", 8216},  {"rsquo", 8217},
    {"sbquo", 8218},  {"ldquo", 8220},  {"rdquo", 8221},  {"bdquo", 8222},  {"dagger", 8224}, {"Dagger", 8225},
    {"bull", 8226},   {"hellip", 8230}, {"permil", 8240}, {"prime", 8242},  {"Prime", 8243},  {"lsaquo", 8249},
    {"rsaquo", 8250}, {"oline", 8254},  {"frasl", 8260},  {"euro", 8364},   {"trade", 8482},  {"larr", 8592},
    {"uarr", 8593},   {"rarr", 8594},   {"darr", 8595},   {"harr", 8596},   {"alpha", 945},   {"beta", 946},
    {"gamma", 947},   {"delta", 948},   {"pi", 960},      {"sigma", 963},   {"omega", 969},   {"Omega", 937}};

// Code point of a reference body (the text between '&' and ';'); 0 when unknown.
unsigned Lookup(const std::wstring& body) {
    if (body.size() >= 2 && body[0] == L'#') {
        unsigned v = 0;
        size_t i = 1;
        bool hex = body[1] == L'x' || body[1] == L'X';
        if (hex) ++i;
        if (i >= body.size()) return 0;
        for (; i < body.size(); ++i) {
            wchar_t c = body[i];
            unsigned d;
            if (c >= L'0' && c <= L'9') d = c - L'0';
            else if (hex && c >= L'a' && c <= L'f') d = c - L'a' + 10;
            else if (hex && c >= L'A' && c <= L'F') d = c - L'A' + 10;
            else return 0;
            v = v * (hex ? 16 : 10) + d;
            if (v > 0x10FFFF) return 0;
        }
        return v;
    }
    if (body.size() > 8) return 0;
    char n[12] = {};
    for (size_t i = 0; i < body.size(); ++i) {
        if (body[i] > 127) return 0;
        n[i] = (char)body[i];
    }
    for (int i = 0; i < 96; ++i)
        if (std::strcmp(kLatin1[i], n) == 0) return 160 + i;
    for (auto& e : kOthers)
        if (std::strcmp(e.name, n) == 0) return e.code;
    return 0;
}

}  // namespace

bool IsEntityAt(const std::string& text, size_t pos) {
    if (pos >= text.size() || text[pos] != '&') return false;
    for (size_t k = 1; k <= 7 && pos + k < text.size(); ++k) {
        char c = text[pos + k];
        if (c == ';') return k >= 3;
        if (c == '&' || c == '=') return false;
    }
    return false;
}

std::wstring DecodeEntities(const std::wstring& text) {
    if (text.find(L'&') == std::wstring::npos) return text;
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            size_t semi = text.find(L';', i + 1);
            if (semi != std::wstring::npos && semi - i >= 2 && semi - i <= 10) {
                unsigned cp = Lookup(text.substr(i + 1, semi - i - 1));
                if (cp != 0) {
                    if (cp == 0x2044) cp = L'/';
                    if (cp >= 0x10000) {
                        cp -= 0x10000;
                        out.push_back((wchar_t)(0xD800 + (cp >> 10)));
                        out.push_back((wchar_t)(0xDC00 + (cp & 0x3FF)));
                    } else {
                        out.push_back((wchar_t)cp);
                    }
                    i = semi;
                    continue;
                }
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

}  // namespace standin
