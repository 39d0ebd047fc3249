#include "UHtmlEntities.h"

#include "HtmlTags.h"
#include "SysUtils.h"
#include "UAuxFile.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

using namespace std::string_view_literals;

namespace {

// Unicode of the Windows-1252 codes 128..159 (0 = unassigned).
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

struct TNamedEntity {
    const wchar_t* Name;
    unsigned char Code; // Windows-1252
};

// Named references with their Windows-1252 codes. A code of 32 is a deliberate blank
// (non-breaking and typographic spaces, joiners, direction marks).
constexpr TNamedEntity kNamed[] = {
    {L"&lt;", 60}, {L"&gt;", 62},
    {L"&amp;", 38}, {L"&yen;", 165}, {L"&shy;", 173}, {L"&reg;", 174}, {L"&deg;", 176}, {L"&ETH;", 208},
    {L"&eth;", 240}, {L"&zwj;", 32}, {L"&lrm;", 32}, {L"&rlm;", 32},
    {L"&nbsp;", 32}, {L"&quot;", 34}, {L"&cent;", 162}, {L"&macr;", 175}, {L"&sup2;", 178}, {L"&sup3;", 179},
    {L"&para;", 182}, {L"&sup1;", 185}, {L"&ordm;", 186}, {L"&Auml;", 196}, {L"&Euml;", 203}, {L"&Iuml;", 207},
    {L"&Ouml;", 214}, {L"&Uuml;", 220}, {L"&auml;", 228}, {L"&euml;", 235}, {L"&iuml;", 239}, {L"&ouml;", 246},
    {L"&uuml;", 252}, {L"&yuml;", 255}, {L"&Yuml;", 159}, {L"&circ;", 136}, {L"&ensp;", 32}, {L"&emsp;", 32},
    {L"&zwnj;", 32}, {L"&fnof;", 131}, {L"&bull;", 149}, {L"&sect;", 167},
    {L"&iexcl;", 161}, {L"&pound;", 163}, {L"&hibar;", 175}, {L"&acute;", 180}, {L"&micro;", 181},
    {L"&cedil;", 184}, {L"&raquo;", 187}, {L"&Acirc;", 194}, {L"&Aring;", 197}, {L"&AElig;", 198},
    {L"&Ecirc;", 202}, {L"&Icirc;", 206}, {L"&icirc;", 238}, {L"&Ocirc;", 212}, {L"&times;", 215},
    {L"&Ucirc;", 219}, {L"&THORN;", 222}, {L"&szlig;", 223}, {L"&acirc;", 226}, {L"&aring;", 229},
    {L"&aelig;", 230}, {L"&ecirc;", 234}, {L"&ocirc;", 244}, {L"&ucirc;", 251}, {L"&thorn;", 254},
    {L"&OElig;", 140}, {L"&oelig;", 156}, {L"&tilde;", 152}, {L"&ndash;", 150}, {L"&mdash;", 151},
    {L"&lsquo;", 145}, {L"&rsquo;", 146}, {L"&sbquo;", 130}, {L"&ldquo;", 147}, {L"&rdquo;", 148},
    {L"&bdquo;", 132}, {L"&frasl;", 47}, {L"&trade;", 153},
    {L"&Dstrok;", 208}, {L"&curren;", 164}, {L"&brvbar;", 166}, {L"&brkbar;", 166}, {L"&plusmn;", 177},
    {L"&middot;", 183}, {L"&frac14;", 188}, {L"&frac12;", 189}, {L"&frac34;", 190}, {L"&iquest;", 191},
    {L"&Agrave;", 192}, {L"&Aacute;", 193}, {L"&Atilde;", 195}, {L"&Ccedil;", 199}, {L"&Egrave;", 200},
    {L"&Eacute;", 201}, {L"&Igrave;", 204}, {L"&Iacute;", 205}, {L"&Ntilde;", 209}, {L"&Ograve;", 210},
    {L"&Oacute;", 211}, {L"&Otilde;", 213}, {L"&Oslash;", 216}, {L"&Ugrave;", 217}, {L"&Uacute;", 218},
    {L"&Yacute;", 221}, {L"&agrave;", 224}, {L"&aacute;", 225}, {L"&atilde;", 227}, {L"&ccedil;", 231},
    {L"&egrave;", 232}, {L"&eacute;", 233}, {L"&igrave;", 236}, {L"&iacute;", 237}, {L"&ntilde;", 241},
    {L"&ograve;", 242}, {L"&oacute;", 243}, {L"&otilde;", 245}, {L"&divide;", 247}, {L"&oslash;", 248},
    {L"&ugrave;", 249}, {L"&uacute;", 250}, {L"&yacute;", 253}, {L"&Scaron;", 138}, {L"&scaron;", 154},
    {L"&thinsp;", 32}, {L"&dagger;", 134}, {L"&Dagger;", 135}, {L"&permil;", 137}, {L"&lsaquo;", 139},
    {L"&rsaquo;", 155}, {L"&hellip;", 133},
    // Written with a doubled ampersand in pages we meet, and their regular forms.
    {L"&&um;", 168}, {L"&&die;", 168}, {L"&&not;", 172}, {L"&&sect;", 167}, {L"&&copy;", 169},
    {L"&&ordf;", 170}, {L"&&laquo;", 171},
    {L"&uml;", 168}, {L"&die;", 168}, {L"&not;", 172}, {L"&copy;", 169}, {L"&ordf;", 170}, {L"&laquo;", 171},
};

const std::unordered_map<std::wstring_view, unsigned char>& NamedTable() {
    static const std::unordered_map<std::wstring_view, unsigned char> table = [] {
        std::unordered_map<std::wstring_view, unsigned char> t;
        for (const auto& e : kNamed)
            t.emplace(e.Name, e.Code);
        return t;
    }();
    return table;
}

char32_t FromCp1252(unsigned code) {
    if (code >= 128 && code <= 159)
        return kCp1252High[code - 128];
    return code;
}

char32_t NumericToChar(uint32_t n) {
    if (n == 8260)
        return U'/'; // what a '/' is sent as comes back as a '/'
    if (n == 160 || (n >= 8194 && n <= 8207))
        return U' '; // the blanks and joiners show as a plain blank
    if (n < 32)
        return U' ';
    if (n >= 128 && n <= 159) {
        char32_t c = FromCp1252(n);
        return c ? c : U' ';
    }
    if ((n >= 0xD800 && n <= 0xDFFF) || n > 0x10FFFF)
        return U' ';
    return n;
}

bool IsAsciiAlnum(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9');
}

// The end (index of ';') of a candidate reference starting with '&' at Start.
bool CollectCandidate(const wchar_t* T, size_t n, size_t Start, size_t& End) {
    size_t i = Start + 1;
    if (i < n && T[i] == L'#') {
        ++i;
        size_t digits = 0;
        while (i < n && digits < 6 && T[i] >= L'0' && T[i] <= L'9') {
            ++i;
            ++digits;
        }
        if (digits == 0 || i >= n || T[i] != L';')
            return false;
        End = i;
        return true;
    }
    size_t chars = 0;
    while (i < n && chars < 6 && (IsAsciiAlnum(T[i]) || T[i] == L'&')) {
        ++i;
        ++chars;
    }
    if (chars == 0 || i >= n || T[i] != L';')
        return false;
    End = i;
    return true;
}

char32_t EntityViewToChar(std::wstring_view Entity) {
    const size_t n = Entity.size();
    if (n < 4 || Entity[0] != L'&' || Entity[n - 1] != L';')
        return 0;
    if (Entity[1] == L'#') {
        if (n - 3 > 7)
            return 0;
        uint32_t v = 0;
        for (size_t i = 2; i + 1 < n; ++i) {
            if (Entity[i] < L'0' || Entity[i] > L'9')
                return 0;
            v = v * 10 + static_cast<uint32_t>(Entity[i] - L'0');
        }
        return NumericToChar(v);
    }
    // The three that most texts hold, without the table.
    if (Entity == L"&amp;"sv) return U'&';
    if (Entity == L"&lt;"sv) return U'<';
    if (Entity == L"&gt;"sv) return U'>';
    const auto& table = NamedTable();
    auto it = table.find(Entity);
    if (it == table.end())
        return 0;
    return FromCp1252(it->second);
}

// Decodes T[0..n) into D and gives the length written. D may be T itself: the writes
// never pass the reads. From First on (T holds no '&' or '%' before it).
size_t DecodeInto(const wchar_t* T, size_t n, size_t First, wchar_t* D, bool Ex) {
    if (D != T)
        std::copy(T, T + First, D);
    // An "&amp;" gives an ampersand that may start another reference ("&amp;lt;"): it is
    // read again in place of the reference's ';', at Amp.
    size_t amp = static_cast<size_t>(-1);
    size_t r = First, w = First;
    while (r < n) {
        if (r != amp) {
            // A run without '&' or '%' goes over as it is.
            const size_t k = static_cast<size_t>(HtmlFindEither(T + r, T + n, L'&', L'%') - T);
            if (k > r) {
                if (D + w != T + r) std::copy(T + r, T + k, D + w);
                w += k - r;
                r = k;
                if (r >= n) break;
            }
            // "&amp;", the reference most texts hold (every separator of a URL).
            if (T[r] == L'&' && r + 4 < n && T[r + 1] == L'a' && T[r + 2] == L'm' && T[r + 3] == L'p' &&
                T[r + 4] == L';') {
                r = amp = r + 4;
                continue;
            }
        } else if (r + 1 >= n || !(T[r + 1] == L'#' || T[r + 1] == L'&' || IsAsciiAlnum(T[r + 1]))) {
            // The ampersand of an "&amp;" that starts no other reference.
            D[w++] = L'&';
            ++r;
            continue;
        }
        const wchar_t c = r == amp ? L'&' : T[r];
        if (c == L'%' && r + 2 < n) {
            const wchar_t h1 = T[r + 1], h2 = T[r + 2];
            wchar_t out = 0;
            if (h1 == L'2' && h2 == L'0')
                out = L' ';
            else if (h1 == L'2' && (h2 == L'C' || h2 == L'c'))
                out = L',';
            else if (Ex && h1 == L'3' && (h2 == L'C' || h2 == L'c'))
                out = L'<';
            else if (Ex && h1 == L'3' && (h2 == L'E' || h2 == L'e'))
                out = L'>';
            if (out) {
                D[w++] = out;
                r += 3;
                continue;
            }
        } else if (c == L'&') {
            size_t end = 0;
            if (CollectCandidate(T, n, r, end)) {
                char32_t cp;
                if (r == amp) {
                    wchar_t entity[16]; // a candidate is at most 9 characters
                    std::copy(T + r, T + end + 1, entity);
                    entity[0] = L'&';
                    cp = EntityViewToChar(std::wstring_view(entity, end - r + 1));
                } else {
                    cp = EntityViewToChar(std::wstring_view(T + r, end - r + 1));
                }
                if (cp == U'&') {
                    r = amp = end;
                    continue;
                }
                if (cp != 0) {
                    if (cp > 0xFFFF) {
                        cp -= 0x10000;
                        D[w++] = static_cast<wchar_t>(0xD800 + (cp >> 10));
                        D[w++] = static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
                    } else {
                        D[w++] = static_cast<wchar_t>(cp);
                    }
                    r = end + 1;
                    continue;
                }
            }
        }
        D[w++] = c;
        ++r;
    }
    return w;
}

// Index of the first '&' or '%' of T, or n.
size_t FirstEscape(const wchar_t* T, size_t n) { return static_cast<size_t>(HtmlFindEither(T, T + n, L'&', L'%') - T); }

void DecodeCore(std::wstring& T, bool Ex) {
    // Most texts have nothing to decode: they are left as they are.
    const size_t first = FirstEscape(T.data(), T.size());
    if (first == T.size()) return;
    T.resize(DecodeInto(T.data(), T.size(), first, T.data(), Ex));
}

template <class Str>
bool IsEntityAtT(const Str& Text, int& Pos, bool (*IsTrail)(const Str&, int)) {
    const int n = static_cast<int>(Text.size());
    if (Pos < 1 || Pos > n || Text[Pos - 1] != '&' || IsTrail(Text, Pos))
        return false;
    int semi = 0;
    for (int i = Pos + 3; i <= Pos + 7 && i <= n; ++i)
        if (Text[i - 1] == ';') {
            semi = i;
            break;
        }
    if (semi == 0)
        return false;
    for (int j = Pos + 1; j < semi; ++j)
        if (Text[j - 1] == '&')
            return false;
    Pos = semi + 1;
    return true;
}

bool IsTrailByte(const std::string& S, int Pos) { return !IsSingleOrLeadA(S, Pos); }
bool NeverTrail(const std::wstring&, int) { return false; }

} // namespace

char32_t EntityToChar(const std::wstring& Entity) { return EntityViewToChar(Entity); }

void DecodeHtmlText(std::wstring& Text) { DecodeCore(Text, false); }
void DecodeHtmlTextEx(std::wstring& Text) { DecodeCore(Text, true); }

void DecodeTitleText(std::wstring& Text) {
    DecodeCore(Text, true);
    auto directional = [](wchar_t C) { return (C >= 0x202A && C <= 0x202E) || (C >= 0x2066 && C <= 0x2069); };
    Text.erase(std::remove_if(Text.begin(), Text.end(), directional), Text.end());
}

void AppendDecodedHtmlText(std::wstring& Out, std::wstring_view Text) {
    const size_t first = FirstEscape(Text.data(), Text.size());
    if (first == Text.size()) {
        Out.append(Text);
        return;
    }
    const size_t old = Out.size();
    Out.resize(old + Text.size());
    Out.resize(old + DecodeInto(Text.data(), Text.size(), first, Out.data() + old, false));
}

void DecodeUrlEscapes(const std::wstring& Text, std::wstring& Result) {
    Result.clear();
    Result.reserve(Text.size());
    const size_t n = Text.size();
    for (size_t i = 0; i < n; ++i) {
        if (Text[i] == L'%' && i + 2 < n) {
            const wchar_t h1 = Text[i + 1];
            const wchar_t h2 = static_cast<wchar_t>(Text[i + 2] >= L'a' && Text[i + 2] <= L'z' ? Text[i + 2] - 0x20
                                                                                                 : Text[i + 2]);
            wchar_t out = 0;
            if (h1 == L'2' && h2 == L'0')
                out = L' ';
            else if (h1 == L'2' && h2 == L'C')
                out = L',';
            else if (h1 == L'3' && h2 == L'C')
                out = L'<';
            else if (h1 == L'3' && h2 == L'E')
                out = L'>';
            else if (h1 == L'3' && h2 == L'A')
                out = L':';
            if (out) {
                Result += out;
                i += 2;
                continue;
            }
        }
        Result += Text[i];
    }
}

void CharToEntity(wchar_t Ch, std::wstring& Reference) {
    Reference.clear();
    const unsigned c = Ch;
    unsigned code = 0;
    if (Ch == L'/')
        code = 8260;
    else if (Ch == L'`')
        code = 96;
    else if ((c >= 130 && c <= 140) || (c >= 145 && c <= 156) || c == 159)
        code = kCp1252High[c - 128];
    else if (c >= 161 && c <= 255)
        code = c;
    else if (c > 255) {
        // The real characters of those Windows-1252 codes get the same references.
        for (unsigned k = 130; k <= 159; ++k)
            if (kCp1252High[k - 128] == c && !(k >= 141 && k <= 144) && k != 157 && k != 158) {
                code = c;
                break;
            }
    }
    if (code != 0)
        Reference = L"&#" + UIntToStr(code) + L";";
}

void EncodeEntities(std::wstring& Text) {
    std::wstring out;
    std::wstring ref;
    bool changed = false;
    for (size_t i = 0; i < Text.size(); ++i) {
        const wchar_t c = Text[i];
        if (!IsAsciiAlnum(c)) {
            CharToEntity(c, ref);
            if (!ref.empty()) {
                if (!changed) {
                    out.reserve(Text.size() + 16);
                    out.assign(Text, 0, i);
                    changed = true;
                }
                out += ref;
                continue;
            }
        }
        if (changed)
            out += c;
    }
    if (changed)
        Text.swap(out);
}

bool IsEntityAt(const std::string& Text, int& Pos) { return IsEntityAtT<std::string>(Text, Pos, IsTrailByte); }
bool IsEntityAt(const std::wstring& Text, int& Pos) { return IsEntityAtT<std::wstring>(Text, Pos, NeverTrail); }
