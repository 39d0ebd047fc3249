// The tag scanner: a forward pass over the caller's text that recognises tags, their
// names and attributes without copying anything.
#include "HtmlTags.h"

#include <emmintrin.h>

#include <algorithm>

// ---------------------------------------------------------------------------------
// Tables

constexpr THtmlTagRow HtmlTagTable[HtmlTagCount + 1] = {
    {L"", L"", 0, 0},
    {L"?xml", L"?XML", 4, 2}, // 1
    {L"!--", L"!--", 3, 2}, // 2
    {L"!doctype", L"!DOCTYPE", 8, 2}, // 3
    {L"a", L"A", 1, 0}, // 4
    {L"abbr", L"ABBR", 4, 0}, // 5
    {L"acronym", L"ACRONYM", 7, 0}, // 6
    {L"address", L"ADDRESS", 7, 1}, // 7
    {L"applet", L"APPLET", 6, 0}, // 8
    {L"area", L"AREA", 4, 2}, // 9
    {L"b", L"B", 1, 0}, // 10
    {L"base", L"BASE", 4, 2}, // 11
    {L"basefont", L"BASEFONT", 8, 2}, // 12
    {L"bdo", L"BDO", 3, 0}, // 13
    {L"big", L"BIG", 3, 0}, // 14
    {L"blockquote", L"BLOCKQUOTE", 10, 1}, // 15
    {L"body", L"BODY", 4, 2}, // 16
    {L"br", L"BR", 2, 1}, // 17
    {L"button", L"BUTTON", 6, 0}, // 18
    {L"caption", L"CAPTION", 7, 0}, // 19
    {L"center", L"CENTER", 6, 0}, // 20
    {L"cite", L"CITE", 4, 0}, // 21
    {L"code", L"CODE", 4, 1}, // 22
    {L"col", L"COL", 3, 2}, // 23
    {L"colgroup", L"COLGROUP", 8, 0}, // 24
    {L"dd", L"DD", 2, 1}, // 25
    {L"del", L"DEL", 3, 0}, // 26
    {L"dfn", L"DFN", 3, 0}, // 27
    {L"dir", L"DIR", 3, 0}, // 28
    {L"div", L"DIV", 3, 1}, // 29
    {L"dl", L"DL", 2, 2}, // 30
    {L"dt", L"DT", 2, 1}, // 31
    {L"em", L"EM", 2, 0}, // 32
    {L"fieldset", L"FIELDSET", 8, 0}, // 33
    {L"font", L"FONT", 4, 0}, // 34
    {L"form", L"FORM", 4, 1}, // 35
    {L"frame", L"FRAME", 5, 2}, // 36
    {L"frameset", L"FRAMESET", 8, 2}, // 37
    {L"head", L"HEAD", 4, 2}, // 38
    {L"h1", L"H1", 2, 1}, // 39
    {L"h2", L"H2", 2, 1}, // 40
    {L"h3", L"H3", 2, 1}, // 41
    {L"h4", L"H4", 2, 1}, // 42
    {L"h5", L"H5", 2, 1}, // 43
    {L"h6", L"H6", 2, 1}, // 44
    {L"hr", L"HR", 2, 1}, // 45
    {L"html", L"HTML", 4, 1}, // 46
    {L"i", L"I", 1, 0}, // 47
    {L"iframe", L"IFRAME", 6, 0}, // 48
    {L"img", L"IMG", 3, 0}, // 49
    {L"input", L"INPUT", 5, 0}, // 50
    {L"ins", L"INS", 3, 0}, // 51
    {L"isindex", L"ISINDEX", 7, 0}, // 52
    {L"kbd", L"KBD", 3, 0}, // 53
    {L"label", L"LABEL", 5, 0}, // 54
    {L"legend", L"LEGEND", 6, 0}, // 55
    {L"li", L"LI", 2, 1}, // 56
    {L"link", L"LINK", 4, 2}, // 57
    {L"map", L"MAP", 3, 2}, // 58
    {L"menu", L"MENU", 4, 1}, // 59
    {L"meta", L"META", 4, 2}, // 60
    {L"mshelp:attr", L"MSHELP:ATTR", 11, 2}, // 61
    {L"mshelp:ftsindex", L"MSHELP:FTSINDEX", 15, 2}, // 62
    {L"mshelp:include", L"MSHELP:INCLUDE", 14, 2}, // 63
    {L"mshelp:keyword", L"MSHELP:KEYWORD", 14, 2}, // 64
    {L"mshelp:nosearch", L"MSHELP:NOSEARCH", 15, 2}, // 65
    {L"mshelp:rltitle", L"MSHELP:RLTITLE", 14, 2}, // 66
    {L"mshelp:toctitle", L"MSHELP:TOCTITLE", 15, 2}, // 67
    {L"mshelp:vtopic", L"MSHELP:VTOPIC", 13, 2}, // 68
    {L"mshelp:link", L"MSHELP:LINK", 11, 0}, // 69
    {L"nobr", L"NOBR", 4, 0}, // 70
    {L"noframes", L"NOFRAMES", 8, 2}, // 71
    {L"noscript", L"NOSCRIPT", 8, 2}, // 72
    {L"object", L"OBJECT", 6, 2}, // 73
    {L"ol", L"OL", 2, 1}, // 74
    {L"optgroup", L"OPTGROUP", 8, 1}, // 75
    {L"option", L"OPTION", 6, 1}, // 76
    {L"p", L"P", 1, 1}, // 77
    {L"param", L"PARAM", 5, 2}, // 78
    {L"pre", L"PRE", 3, 1}, // 79
    {L"q", L"Q", 1, 0}, // 80
    {L"s", L"S", 1, 0}, // 81
    {L"samp", L"SAMP", 4, 0}, // 82
    {L"script", L"SCRIPT", 6, 2}, // 83
    {L"select", L"SELECT", 6, 1}, // 84
    {L"small", L"SMALL", 5, 0}, // 85
    {L"span", L"SPAN", 4, 0}, // 86
    {L"strike", L"STRIKE", 6, 0}, // 87
    {L"strong", L"STRONG", 6, 0}, // 88
    {L"style", L"STYLE", 5, 2}, // 89
    {L"sub", L"SUB", 3, 0}, // 90
    {L"sup", L"SUP", 3, 0}, // 91
    {L"table", L"TABLE", 5, 1}, // 92
    {L"tbody", L"TBODY", 5, 2}, // 93
    {L"td", L"TD", 2, 2}, // 94
    {L"textarea", L"TEXTAREA", 8, 1}, // 95
    {L"tfoot", L"TFOOT", 5, 1}, // 96
    {L"th", L"TH", 2, 2}, // 97
    {L"thead", L"THEAD", 5, 2}, // 98
    {L"title", L"TITLE", 5, 2}, // 99
    {L"tr", L"TR", 2, 2}, // 100
    {L"tt", L"TT", 2, 0}, // 101
    {L"u", L"U", 1, 0}, // 102
    {L"ul", L"UL", 2, 1}, // 103
    {L"var", L"VAR", 3, 0}, // 104
    {L"xml", L"XML", 3, 2}, // 105
    {L"xmp", L"XMP", 3, 0}, // 106
};

constexpr TH3TagRow TH3Tags[H3TagCount] = {
    {L"???", L"???"},
    {L"Microsoft.Help.Locale", L"microsoft.help.locale"},
    {L"Microsoft.Help.TopicVersion", L"microsoft.help.topicversion"},
    {L"Microsoft.Help.TopicLocale", L"microsoft.help.topiclocale"},
    {L"Microsoft.Help.Keywords", L"microsoft.help.keywords"},
    {L"Microsoft.Help.Id", L"microsoft.help.id"},
    {L"Microsoft.Help.F1", L"microsoft.help.f1"},
    {L"Microsoft.Help.TocParent", L"microsoft.help.tocparent"},
    {L"Microsoft.Help.TocOrder", L"microsoft.help.tocorder"},
    {L"Microsoft.Help.TocInfo", L"microsoft.help.tocinfo"},
    {L"Microsoft.Help.Product", L"microsoft.help.product"},
    {L"Microsoft.Help.ProductVersion", L"microsoft.help.productversion"},
    {L"Microsoft.Help.Category", L"microsoft.help.category"},
    {L"Microsoft.Help.ContentFilter", L"microsoft.help.contentfilter"},
    {L"Microsoft.Help.ContentType", L"microsoft.help.contenttype"},
    {L"Microsoft.Help.SelfBranded", L"microsoft.help.selfbranded"},
};

namespace {

// Rows grouped by the first character of their name (table order kept inside a group),
// so that a lookup only compares the rows that can match.
struct TFirstCharIndex {
    uint8_t Start[128]{};
    uint8_t Count[128]{};
    uint8_t Ids[HtmlTagCount]{};
};

constexpr TFirstCharIndex BuildFirstCharIndex() {
    TFirstCharIndex r{};
    int k = 0;
    for (int c = 0; c < 128; ++c) {
        r.Start[c] = static_cast<uint8_t>(k);
        for (int id = 1; id <= HtmlTagCount; ++id)
            if (HtmlTagTable[id].Name[0] == static_cast<wchar_t>(c))
                r.Ids[k++] = static_cast<uint8_t>(id);
        r.Count[c] = static_cast<uint8_t>(k - r.Start[c]);
    }
    return r;
}

constexpr TFirstCharIndex FirstCharIndex = BuildFirstCharIndex();

inline wchar_t Fold(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }
inline bool IsBlank(wchar_t c) { return c <= 0x20; }
inline bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
struct TNameChars {
    bool Is[128]{};
};
constexpr TNameChars BuildNameChars() {
    TNameChars r{};
    for (int c = 0; c < 128; ++c)
        r.Is[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
                  c == '-' || c == '_';
    return r;
}
constexpr TNameChars NameChars = BuildNameChars();
inline bool IsNameChar(wchar_t c) { return c < 128 && NameChars.Is[c]; }

bool SameFold(const wchar_t* a, std::wstring_view b) {
    for (size_t k = 0; k < b.size(); ++k)
        if (Fold(a[k]) != Fold(b[k])) return false;
    return true;
}

// Index just past the name whose first character is at index i.
inline int NameEnd(const wchar_t* s, int n, int i) {
    int j = i + 1;
    while (j < n && IsNameChar(s[j])) ++j;
    return j;
}

// Tag id of the name at index i that ends at index j (the first character that is not a
// name character); the character at j must be there and end a tag name.
inline int TableIdOfName(const wchar_t* s, int n, int i, int j) {
    if (j >= n) return 0;
    const wchar_t d = s[j];
    if (!(IsBlank(d) || d == L'/' || d == L'>')) return 0;
    const wchar_t c = Fold(s[i]);
    if (c >= 128) return 0;
    const int len = j - i;
    const int first = FirstCharIndex.Start[c];
    const int last = first + FirstCharIndex.Count[c];
    for (int k = first; k < last; ++k) {
        const int id = FirstCharIndex.Ids[k];
        const THtmlTagRow& row = HtmlTagTable[id];
        if (row.NameLength != len) continue;
        int m = 1;
        while (m < len && Fold(s[i + m]) == row.Name[m]) ++m;
        if (m == len) return id;
    }
    return 0;
}

// Whether a comment starts at index i (just after the '<').
inline bool CommentAt(const wchar_t* s, int n, int i) {
    return i + 2 < n && s[i] == L'!' && s[i + 1] == L'-' && s[i + 2] == L'-';
}

// Tag id of the name that follows '<' at index i (every read bounds-checked). A name in
// the table is followed by a blank, '/' or '>'; such a character is no name character,
// so the name is the longest run of name characters there.
int LookupTagId(const wchar_t* s, int n, int i) {
    if (CommentAt(s, n, i)) return tagComment;
    if (i < n && s[i] == L'/') ++i;
    if (i >= n) return 0;
    return TableIdOfName(s, n, i, NameEnd(s, n, i));
}

bool DetectSse2() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE; }
const bool g_HasSse2 = DetectSse2();

__attribute__((target("sse2"))) const wchar_t* FindCharSse2(const wchar_t* p, const wchar_t* end,
                                                           wchar_t c) noexcept {
    const __m128i needle = _mm_set1_epi16(static_cast<short>(c));
    while (end - p >= 16) {
        const __m128i a = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), needle);
        const __m128i b = _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 8)), needle);
        if (_mm_movemask_epi8(_mm_or_si128(a, b)) != 0) {
            const int ma = _mm_movemask_epi8(a);
            if (ma != 0) return p + (__builtin_ctz(static_cast<unsigned>(ma)) >> 1);
            return p + 8 + (__builtin_ctz(static_cast<unsigned>(_mm_movemask_epi8(b))) >> 1);
        }
        p += 16;
    }
    if (end - p >= 8) {
        const int m = _mm_movemask_epi8(
            _mm_cmpeq_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), needle));
        if (m != 0) return p + (__builtin_ctz(static_cast<unsigned>(m)) >> 1);
        p += 8;
    }
    while (p < end && *p != c) ++p;
    return p;
}

__attribute__((target("sse2"))) const wchar_t* FindEitherSse2(const wchar_t* p, const wchar_t* end, wchar_t a,
                                                             wchar_t b) noexcept {
    const __m128i na = _mm_set1_epi16(static_cast<short>(a));
    const __m128i nb = _mm_set1_epi16(static_cast<short>(b));
    while (end - p >= 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int m = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(v, na), _mm_cmpeq_epi16(v, nb)));
        if (m != 0) return p + (__builtin_ctz(static_cast<unsigned>(m)) >> 1);
        p += 8;
    }
    while (p < end && *p != a && *p != b) ++p;
    return p;
}

// Index of the next c at or after i, or n.
inline int FindIdx(const wchar_t* s, int n, int i, wchar_t c) {
    if (i >= n) return n;
    return static_cast<int>(HtmlFindChar(s + i, s + n, c) - s);
}

// FindIdx for a character that is usually a few places on (the next tag's '<' after the
// line break and indent that follow a tag): those are looked at one by one before the
// wide search.
inline int FindNear(const wchar_t* s, int n, int i, wchar_t c) {
    const int stop = std::min(n, i + 8);
    for (; i < stop; ++i)
        if (s[i] == c) return i;
    return FindIdx(s, n, i, c);
}

// FindIdx that knows c is absent at and after NoneFrom, and learns it when a search fails:
// a text with many unterminated constructs is then not searched to its end again and again.
inline int FindForward(const wchar_t* s, int n, int i, wchar_t c, int& NoneFrom) {
    if (i >= NoneFrom) return n;
    const int limit = std::min(NoneFrom, n);
    const int k = FindIdx(s, limit, i, c);
    if (k < limit) return k;
    NoneFrom = i;
    return n;
}

} // namespace

const wchar_t* HtmlFindChar(const wchar_t* from, const wchar_t* end, wchar_t c) noexcept {
    if (g_HasSse2) return FindCharSse2(from, end, c);
    while (from < end && *from != c) ++from;
    return from;
}

const wchar_t* HtmlFindEither(const wchar_t* from, const wchar_t* end, wchar_t a, wchar_t b) noexcept {
    if (g_HasSse2) return FindEitherSse2(from, end, a, b);
    while (from < end && *from != a && *from != b) ++from;
    return from;
}

// ---------------------------------------------------------------------------------
// Scanner

void THTML_TagRipper::SetText(const std::wstring& Text) {
    FText = &Text;
    TagListBuilt = false;
    FMemo = TSearchMemo{};
    FWaitPos = FWaitSize = 0;
}

void THTML_TagRipper::CheckSearchMemo() {
    if (FMemo.Data != FText->data() || FMemo.Size != FText->size()) {
        FMemo = TSearchMemo{};
        FMemo.Data = FText->data();
        FMemo.Size = FText->size();
    }
}

// Index of the '>' that ends a comment whose search starts at From (the '<' is at From - 4),
// or n. A comment end is "-->" with its '>' at From + 2 or later. A search that failed
// from F also fails from any later start, since every '>' it could find was looked at.
int THTML_TagRipper::FindCommentEnd(const wchar_t* s, int n, int From) {
    if (From >= FMemo.NoCommentEndFrom) return n;
    // '>' at NoCommentEndFrom + 2 or later were rejected by the failed search already.
    int limit = std::min(n, FMemo.NoGtFrom);
    if (FMemo.NoCommentEndFrom < n - 2) limit = std::min(limit, FMemo.NoCommentEndFrom + 2);
    for (int k = From;; ++k) {
        k = FindIdx(s, limit, k, L'>');
        if (k >= limit) break;
        if (k >= From + 2 && s[k - 1] == L'-' && s[k - 2] == L'-') return k;
    }
    FMemo.NoCommentEndFrom = From;
    return n;
}

void THTML_TagRipper::ResetTag(int Pos) {
    static_cast<THtmlCurrentTag&>(*this) = THtmlCurrentTag{};
    TagStart = Pos;
}

int THTML_TagRipper::TagIdAt(int Pos) const {
    if (!FText || Pos < 1) return 0;
    const wchar_t* s = FText->data();
    const int n = static_cast<int>(FText->size());
    int i = Pos - 1;
    if (i < n && s[i] == L'<') ++i;
    return LookupTagId(s, n, i);
}

inline void THTML_TagRipper::MeasureTagExtent(const wchar_t* s, int n) {
    const int i0 = TagStart - 1;
    int e = i0 + TagLength;
    while (e < n && s[e] == L' ') ++e;
    if (e < n && s[e] == L'\n') {
        ++e;
    } else if (e < n && s[e] == L'\r') {
        ++e;
        if (e < n && s[e] == L'\n') ++e;
    }
    TagExtent = e - i0;
    int b = i0;
    while (b > 0 && s[b - 1] == L' ') --b;
    const int count = i0 - b;
    TagIndent = (count > 0 && (b == 0 || s[b - 1] == L'\r' || s[b - 1] == L'\n')) ? count : 0;
}

void THTML_TagRipper::ClassifyMeta(const wchar_t* s, const THtmlAttr& a) {
    if (a.NameLen != 4 || !SameFold(s + a.NamePos - 1, L"name")) return;
    const wchar_t* v = s + a.ValuePos - 1;
    int len = a.ValueLen;
    if (len >= 2 && (v[0] == L'"' || v[0] == L'\'') && v[len - 1] == v[0]) {
        ++v;
        len -= 2;
    }
    if (len >= 11 && SameFold(v, L"Microsoft.")) {
        SpecialCode = HtmlSpecial::scMetaMicrosoftOther;
        for (int row = 1; row < H3TagCount; ++row) {
            const std::wstring_view name = TH3Tags[row].LowerName;
            if (static_cast<int>(name.size()) == len && SameFold(v, name)) {
                SpecialCode = HtmlSpecial::scMetaH3Base + row - 1;
                break;
            }
        }
    } else if (len == 7 && SameFold(v, L"MS-")) {
        if (SameFold(v, L"ms-hkwd")) SpecialCode = HtmlSpecial::scMetaMsHkwd;
        else if (SameFold(v, L"ms-haid")) SpecialCode = HtmlSpecial::scMetaMsHaid;
    } else if (len == 11 && SameFold(v, L"description")) {
        SpecialCode = HtmlSpecial::scMetaDescription;
    } else if (len == 5 && SameFold(v, L"title")) {
        SpecialCode = HtmlSpecial::scMetaTitle;
    }
}

void THTML_TagRipper::FindCharset(const wchar_t* s, int n) {
    if (TagLength <= 0 || AttrCount < 2 || IndexOfAttribute(L"http-equiv") < 0) return;
    const int at = FindText(TagStart, TagLength, false, L"charset=");
    if (at < 0) return;
    const int start = at + 8; // 1-based position after "charset="
    int e = start - 1;
    while (e < n) {
        const wchar_t c = s[e];
        if (IsBlank(c) || c == L'"' || c == L'\'' || c == L'/' || c == L'>') break;
        ++e;
    }
    CharsetPos = start;
    CharsetLen = e - (start - 1);
}

bool THTML_TagRipper::ParseTagAt(int Pos) { return g_HasSse2 ? ParseTagWide(Pos) : ParseTag(Pos); }

// The scanner's walks in a copy where the wide searches are part of the walk itself rather
// than calls (on processors with SSE2).
__attribute__((target("sse2"), flatten)) bool THTML_TagRipper::ParseTagWide(int Pos) { return ParseTag(Pos); }
__attribute__((target("sse2"), flatten)) bool THTML_TagRipper::NextTagWide(int& Pos) { return NextTagBody(Pos); }
__attribute__((target("sse2"), flatten)) bool THTML_TagRipper::NextWholeTagWide(int& Pos) {
    return NextWholeTagBody(Pos);
}

bool THTML_TagRipper::ParseTag(int Pos) {
    ResetTag(Pos);
    if (!FText) return false;
    const wchar_t* s = FText->data();
    const int n = static_cast<int>(FText->size());
    const int i0 = Pos - 1;
    if (i0 < 0 || i0 >= n || s[i0] != L'<') return false;
    CheckSearchMemo();
    int i = i0 + 1;
    if (i < n && s[i] == L'/') {
        IsEndTag = true;
        ++i;
    }
    if (i >= n) return false;
    const wchar_t first = s[i];
    if (first != L'!' && first != L'?' && !IsAsciiLetter(first)) return false;

    NamePos = i + 1;
    if (CommentAt(s, n, i0 + 1)) {
        TagId = tagComment;
        NameLen = HtmlTagTable[tagComment].NameLength;
    } else {
        const int j = NameEnd(s, n, i);
        TagId = static_cast<uint8_t>(TableIdOfName(s, n, i, j));
        NameLen = j - i;
    }

    int end = -1; // index of the tag's final '>'
    if (TagId == tagComment) {
        const int k = FindCommentEnd(s, n, i + 3);
        if (k >= n) {
            ParseError = true;
            return false;
        }
        end = k;
    } else if (TagId == tagDoctype) {
        const int k = FindForward(s, n, i + NameLen, L'>', FMemo.NoGtFrom);
        if (k >= n) {
            ParseError = true;
            return false;
        }
        end = k;
        IsSelfClosing = s[k - 1] == L'/';
    } else {
        int j = i + NameLen;
        for (;;) {
            while (j < n && IsBlank(s[j])) ++j;
            if (j >= n) break;
            if (s[j] == L'>') {
                end = j;
                break;
            }
            if (s[j] == L'/' && j + 1 < n && s[j + 1] == L'>') {
                IsSelfClosing = true;
                end = j + 1;
                break;
            }
            const int nameStart = j;
            while (j < n && IsNameChar(s[j])) ++j;
            if (j == nameStart) {
                if (TagId != tagXmlDecl) ParseError = true;
                break;
            }
            if (AttrCount == HtmlMaxAttrs) {
                ParseError = true;
                j = nameStart;
                break;
            }
            THtmlAttr& a = FAttrs[AttrCount++];
            a.NamePos = nameStart + 1;
            a.NameLen = j - nameStart;
            a.ValuePos = 0;
            a.ValueLen = 0;
            while (j < n && IsBlank(s[j])) ++j;
            if (j >= n || s[j] != L'=') continue;
            ++j;
            while (j < n && IsBlank(s[j])) ++j;
            if (j < n && (s[j] == L'"' || s[j] == L'\'')) {
                const int k = FindForward(s, n, j + 1, s[j], s[j] == L'"' ? FMemo.NoQuoteFrom : FMemo.NoAposFrom);
                if (k >= n) {
                    ParseError = true;
                    break;
                }
                a.ValuePos = j + 1;
                a.ValueLen = k - j + 1;
                j = k + 1;
            } else {
                const int valueStart = j;
                while (j < n) {
                    const wchar_t c = s[j];
                    if (IsBlank(c) || c == L'>' || (c == L'/' && j + 1 < n && s[j + 1] == L'>')) break;
                    ++j;
                }
                if (j == valueStart) {
                    ParseError = true;
                    break;
                }
                a.ValuePos = valueStart + 1;
                a.ValueLen = j - valueStart;
            }
            if (TagId == tagMeta && SpecialCode <= 0) ClassifyMeta(s, a);
        }
        if (end < 0) {
            const int k = FindForward(s, n, j, L'>', FMemo.NoGtFrom);
            if (k >= n) {
                ParseError = true;
                return false;
            }
            end = k;
            IsSelfClosing = s[k - 1] == L'/';
        }
    }
    TagLength = end - i0 + 1;
    MeasureTagExtent(s, n);

    if (SpecialCode <= 0) {
        if (TagId >= tagMsHelpAttr && TagId <= tagMsHelpVTopic) SpecialCode = TagId - tagMsHelpAttr + 1;
        else if (TagId == tagXml) SpecialCode = IsEndTag ? HtmlSpecial::scXmlEnd : HtmlSpecial::scXmlStart;
        else if (TagId == tagTitle) SpecialCode = IsEndTag ? HtmlSpecial::scTitleEnd : HtmlSpecial::scTitleStart;
        else if (TagId == tagHead) SpecialCode = IsEndTag ? HtmlSpecial::scHeadEnd : HtmlSpecial::scHeadStart;
    }
    if (TagId == tagMeta) FindCharset(s, n);
    return true;
}

namespace {
// Moves Pos (1-based) to the next '<' at or after it; false, with Pos past the end, when
// there is none.
bool SeekTagStart(const wchar_t* s, int n, int& Pos) {
    if (s[Pos - 1] == L'<') return true;
    const int k = FindNear(s, n, Pos - 1, L'<');
    if (k >= n) {
        Pos = n + 1;
        return false;
    }
    Pos = k + 1;
    return true;
}
} // namespace

bool THTML_TagRipper::NextTag(int& Pos) { return g_HasSse2 ? NextTagWide(Pos) : NextTagBody(Pos); }

bool THTML_TagRipper::NextWholeTag(int& Pos) { return g_HasSse2 ? NextWholeTagWide(Pos) : NextWholeTagBody(Pos); }

inline bool THTML_TagRipper::NextTagBody(int& Pos) {
    if (!FText) return false;
    if (Pos < 1) Pos = 1;
    const wchar_t* s = FText->data();
    const int n = static_cast<int>(FText->size());
    while (Pos <= n) {
        if (!SeekTagStart(s, n, Pos)) return false;
        if (ParseTag(Pos)) {
            Pos += TagLength > 0 ? TagLength : 1;
            return true;
        }
        ++Pos;
    }
    return false;
}

inline bool THTML_TagRipper::NextWholeTagBody(int& Pos) {
    if (!FText) return false;
    if (Pos < 1) Pos = 1;
    const wchar_t* s = FText->data();
    const int n = static_cast<int>(FText->size());
    while (Pos <= n) {
        if (!SeekTagStart(s, n, Pos)) return false;
        // The tag it stopped at last time: not again before the text after it has doubled.
        if (Pos == FWaitPos && FWaitSize <= n && n - (Pos - 1) < 2 * (FWaitSize - (Pos - 1))) return false;
        if (ParseTag(Pos) && !ParseError) {
            Pos += TagLength;
            return true;
        }
        // A '<' that no name can follow is text, whatever comes after it.
        int i = Pos;
        if (i < n && s[i] == L'/') ++i;
        const bool name = i < n && (s[i] == L'!' || s[i] == L'?' || IsAsciiLetter(s[i]));
        if (i >= n || name) {
            FWaitPos = Pos;
            FWaitSize = n;
            FWaitWork += n - (Pos - 1);
            return false;
        }
        ++Pos;
    }
    return false;
}

std::wstring THTML_TagRipper::TagName() const { return std::wstring(TagNameView()); }

bool THTML_TagRipper::NextTagName(int& Pos, std::wstring& Name) {
    const bool found = NextTag(Pos);
    Name = found ? TagName() : std::wstring();
    return found;
}

bool THTML_TagRipper::GetNextTagName(int& Pos, bool SkipEndTags, std::wstring& Name) {
    while (NextTag(Pos)) {
        if (IsEndTag != SkipEndTags) {
            Name = TagName();
            return true;
        }
    }
    Name.clear();
    return false;
}

std::wstring THTML_TagRipper::GetAttributeValue(int Index, bool StripQuotes) const {
    if (!FText || Index < 0 || Index >= AttrCount) return std::wstring();
    const THtmlAttr& a = FAttrs[Index];
    if (a.ValueLen <= 0) return std::wstring();
    const wchar_t* v = FText->data() + a.ValuePos - 1;
    int len = a.ValueLen;
    if (StripQuotes && len >= 2 && (v[0] == L'"' || v[0] == L'\'') && v[len - 1] == v[0]) {
        ++v;
        len -= 2;
    }
    return std::wstring(v, len);
}

std::wstring THTML_TagRipper::GetAttribute(std::wstring_view Name) const {
    return std::wstring(AttributeView(Name));
}

std::wstring THTML_TagRipper::GetAttributeDef(std::wstring_view Name, std::wstring_view Default) const {
    const int k = IndexOfAttribute(Name);
    if (k < 0) return std::wstring(Default);
    return GetAttributeValue(k, true);
}

bool THTML_TagRipper::FindTagId(int& Pos, int Id) {
    while (NextTag(Pos))
        if (TagId == Id) return true;
    return false;
}

bool THTML_TagRipper::FindTagIdEx(int& Pos, int Id, bool StopAtBody) {
    while (NextTag(Pos)) {
        if (TagId == Id) return true;
        if (StopAtBody && TagId == tagBody) return false;
    }
    return false;
}

bool THTML_TagRipper::FindTagByName(int& Pos, std::wstring_view Name, bool StopAtBody) {
    while (NextTag(Pos)) {
        if (NameLen == static_cast<int>(Name.size()) && SameFold(FText->data() + NamePos - 1, Name))
            return true;
        if (StopAtBody && TagId == tagBody) return false;
    }
    return false;
}

std::wstring THTML_TagRipper::FindTagAttribute(std::wstring_view TagName, std::wstring_view AttrName) {
    int pos = 1;
    if (!FindTagByName(pos, TagName, false)) return std::wstring();
    return GetAttribute(AttrName);
}

std::wstring THTML_TagRipper::GetElementText() { return std::wstring(ElementTextView()); }

std::wstring_view THTML_TagRipper::ElementTextView(int* After) {
    if (!FText || TagLength <= 0) return {};
    const wchar_t* s = FText->data();
    const int n = static_cast<int>(FText->size());
    const int from = TagStart + TagLength; // 1-based, just past the tag
    auto trimmed = [s](int b, int e) {     // indexes: text start, the end tag's '<'
        while (b < e && IsBlank(s[b])) ++b;
        while (e > b && IsBlank(s[e - 1])) --e;
        return std::wstring_view(s + b, static_cast<size_t>(e - b));
    };
    // The usual case: the next '<' starts the end tag written as the name was. The same
    // characters and terminator give the same tag id, so the search below would stop there.
    const int nameEnd = NamePos - 1 + NameLen;
    if (!IsEndTag && NameLen > 0 && IsAsciiLetter(s[NamePos - 1]) && nameEnd < n &&
        (IsBlank(s[nameEnd]) || s[nameEnd] == L'/' || s[nameEnd] == L'>')) {
        const int k = FindIdx(s, n, from - 1, L'<');
        const int close = k + 2 + NameLen; // index of the end tag's '>'
        if (close < n && s[k + 1] == L'/' && s[close] == L'>' &&
            std::wstring_view(s + k + 2, NameLen) == std::wstring_view(s + NamePos - 1, NameLen)) {
            if (After) *After = close + 2;
            return trimmed(from - 1, k);
        }
    }

    const THtmlCurrentTag saved = *this;
    THtmlAttr savedAttrs[HtmlMaxAttrs];
    std::copy(FAttrs, FAttrs + AttrCount, savedAttrs);

    std::wstring_view result;
    int pos = from;
    if (FindTagId(pos, saved.TagId) && IsEndTag) result = trimmed(from - 1, TagStart - 1);
    static_cast<THtmlCurrentTag&>(*this) = saved;
    std::copy(savedAttrs, savedAttrs + saved.AttrCount, FAttrs);
    return result;
}

THtmlTagRec THTML_TagRipper::CurrentRecord() const {
    return THtmlTagRec{TagId,     IsEndTag,  IsSelfClosing, TagStart, TagLength,
                       TagExtent, TagIndent, SpecialCode,   NamePos,  NameLen};
}

int THTML_TagRipper::BuildTagList() {
    const int count = BuildTagListEx(1, 0, 0);
    TagListBuilt = true;
    return count;
}

int THTML_TagRipper::BuildTagListEx(int Pos, int StopId, int Mode) {
    TagList.clear();
    TagList.reserve(100);
    int pos = Pos;
    while (NextTag(pos)) {
        if (Mode == 1) {
            if (TagId == tagComment) continue;
            if (!((TagId >= tagMsHelpAttr && TagId <= tagMsHelpLink) || TagId == tagXml)) break;
            TagList.push_back(CurrentRecord());
        } else if (Mode == 1001) {
            if (TagId == StopId) TagList.push_back(CurrentRecord());
        } else {
            TagList.push_back(CurrentRecord());
            if (StopId != 0 && TagId == StopId) break;
        }
    }
    return static_cast<int>(TagList.size());
}

bool THTML_TagRipper::SameTagName(int I, int J) const {
    const int count = static_cast<int>(TagList.size());
    if (!FText || I < 0 || J < 0 || I >= count || J >= count) return false;
    const THtmlTagRec& a = TagList[I];
    const THtmlTagRec& b = TagList[J];
    if (a.NameLen != b.NameLen) return false;
    const wchar_t* s = FText->data();
    return SameFold(s + a.NamePos - 1, std::wstring_view(s + b.NamePos - 1, b.NameLen));
}

int THTML_TagRipper::FindText(int Pos, int Len, bool CaseSensitive, std::wstring_view S) const {
    if (!FText || Pos < 1 || Len <= 0 || S.empty()) return -1;
    const wchar_t* s = FText->data();
    const int n = static_cast<int>(FText->size());
    if (Pos > n) return -1;
    const int last = std::min(n, Pos - 1 + Len); // exclusive index
    const int m = static_cast<int>(S.size());
    if (last - (Pos - 1) < m) return -1;
    const int lastStart = last - m;
    if (CaseSensitive) {
        for (int i = Pos - 1; i <= lastStart;) {
            const wchar_t* hit = HtmlFindChar(s + i, s + lastStart + 1, S[0]);
            i = static_cast<int>(hit - s);
            if (i > lastStart) break;
            if (std::wstring_view(s + i, m) == S) return i + 1;
            ++i;
        }
    } else {
        const wchar_t f = Fold(S[0]);
        for (int i = Pos - 1; i <= lastStart; ++i)
            if (Fold(s[i]) == f && SameFold(s + i, S)) return i + 1;
    }
    return -1;
}

bool THTML_TagRipper::SameTextAt(int Pos, int Len, std::wstring_view S) const {
    if (!FText || Pos < 1 || Len != static_cast<int>(S.size())) return false;
    if (Pos - 1 + Len > static_cast<int>(FText->size())) return false;
    return SameFold(FText->data() + Pos - 1, S);
}
