#include "UHtmlEntities.h"

#include "UAuxFile.h"

#include <gtest/gtest.h>

namespace {

std::wstring Decoded(std::wstring s, bool ex = false) {
    if (ex)
        DecodeHtmlTextEx(s);
    else
        DecodeHtmlText(s);
    return s;
}

std::wstring Ref(wchar_t c) {
    std::wstring r;
    CharToEntity(c, r);
    return r;
}

// The decoding rule one character at a time on the text itself: a reference that gives
// '&' is read again from that '&'; nothing decodes in the last two characters.
std::wstring PlainDecoded(std::wstring t, bool ex) {
    auto alnum = [](wchar_t c) { return iswascii(c) && iswalnum(c); };
    size_t i = 0;
    while (i + 2 < t.size()) {
        if (t[i] == L'%') {
            const wchar_t h1 = t[i + 1], h2 = static_cast<wchar_t>(towupper(t[i + 2]));
            const wchar_t out = h1 == L'2' && t[i + 2] == L'0' ? L' '
                                : h1 == L'2' && h2 == L'C'     ? L','
                                : ex && h1 == L'3' && h2 == L'C' ? L'<'
                                : ex && h1 == L'3' && h2 == L'E' ? L'>'
                                                                 : 0;
            if (out) {
                t.replace(i, 3, 1, out);
                ++i;
                continue;
            }
        } else if (t[i] == L'&') {
            size_t j = i + 1, count = 0;
            const bool numeric = t[j] == L'#';
            if (numeric) ++j;
            while (j < t.size() && count < 6 && (numeric ? iswdigit(t[j]) != 0 : alnum(t[j]) || t[j] == L'&')) ++j, ++count;
            if (count > 0 && j < t.size() && t[j] == L';') {
                char32_t cp = EntityToChar(t.substr(i, j - i + 1));
                if (cp != 0) {
                    std::wstring out;
                    if (cp > 0xFFFF) {
                        cp -= 0x10000;
                        out = {static_cast<wchar_t>(0xD800 + (cp >> 10)), static_cast<wchar_t>(0xDC00 + (cp & 0x3FF))};
                    } else {
                        out = std::wstring(1, static_cast<wchar_t>(cp));
                    }
                    t.replace(i, j - i + 1, out);
                    if (cp != U'&') i += out.size();
                    continue;
                }
            }
        }
        ++i;
    }
    return t;
}

} // namespace

TEST(HtmlEntities, DecodingAgreesWithThePlainRule) {
    // Texts made of pieces that meet at every border: plain runs, "&amp;" chains, broken
    // and whole references, escapes.
    const wchar_t* const pieces[] = {L"&", L"amp;", L"&amp;", L"lt;", L"#", L"38;", L"#38;", L"%", L"20", L"2c", L"3E",
                                     L"3c", L"a", L";", L"x y", L"eacute;", L"#128512;", L"&#65;", L"quot", L"copy;",
                                     L"ms-xhelp:///?Id=T:X&amp;topicversion=100", L"abcdefghijklmnopqrstuvw"};
    unsigned seed = 7;
    for (int k = 0; k < 20000; ++k) {
        std::wstring in;
        const int count = static_cast<int>(seed % 9);
        for (int p = 0; p < count; ++p) {
            seed = seed * 1103515245u + 12345u;
            in += pieces[(seed >> 8) % (sizeof(pieces) / sizeof(pieces[0]))];
        }
        seed = seed * 1103515245u + 12345u;
        ASSERT_EQ(Decoded(in), PlainDecoded(in, false)) << in;
        ASSERT_EQ(Decoded(in, true), PlainDecoded(in, true)) << in;
        std::wstring out = L"kept";
        AppendDecodedHtmlText(out, in);
        ASSERT_EQ(out, L"kept" + PlainDecoded(in, false)) << in;
    }
}

TEST(HtmlEntities, NamedAndNumericReferences) {
    struct Case {
        const wchar_t* In;
        char32_t Want;
    } cases[] = {
        {L"&eacute;", U'\u00e9'}, {L"&Eacute;", U'\u00c9'}, {L"&EACUTE;", 0},          {L"&lt;", U'<'},
        {L"&#65;", U'A'},         {L"&#233;", U'\u00e9'},   {L"&#128;", U'\u20ac'},    {L"&#146;", U'\u2019'},
        {L"&#8217;", U'\u2019'},  {L"&#9999;", U'\u270f'},  {L"&#8260;", U'/'},   {L"&#8364;", U'\u20ac'},
        {L"&#128512;", U'\U0001F600'}, {L"&#129;", U' '},        {L"&#160;", U' '},         {L"&#8205;", U' '},
        {L"&#0;", U' '},          {L"&#55296;", U' '},      {L"&rsquo;", U'\u2019'},   {L"&mdash;", U'\u2014'},
        {L"&trade;", U'\u2122'},  {L"&Yuml;", U'\u0178'},   {L"&frasl;", U'/'},        {L"&nbsp;", U' '},
        {L"&ensp;", U' '},        {L"&zwj;", U' '},         {L"&copy;", U'\u00a9'},    {L"&&copy;", U'\u00a9'},
        {L"&sup2;", U'\u00b2'},   {L"&frac12;", U'\u00bd'}, {L"&unknown;", 0},         {L"&#;", 0},
        {L"&#1a;", 0},            {L"amp;", 0},             {L"&amp", 0},              {L"&;", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntityToChar(c.In), c.Want) << c.In;
    EXPECT_EQ(EntityToChar(L"&#1285120;"), U' '); // beyond the last code point
    EXPECT_EQ(Decoded(L"&#1285120;"), L"&#1285120;"); // more than six digits are never collected
    EXPECT_EQ(Decoded(L"&#127881;"), L"\U0001F389"); // a character beyond the BMP as a pair
}

TEST(HtmlEntities, DecodeTextInPlace) {
    struct Case {
        const wchar_t* In;
        const wchar_t* Want;
    } cases[] = {
        {L"caf&eacute; &amp; cr&egrave;me", L"caf\u00e9 & cr\u00e8me"},
        {L"&amp;lt;b&amp;gt;", L"<b>"}, // an ampersand that starts a reference is decoded again
        {L"&amp;amp;lt;&amp;x;", L"<&x;"},
        {L"Don&rsquo;t &mdash; ok", L"Don\u2019t \u2014 ok"},
        {L"a%20b%2Cc%2cd", L"a b,c,d"},
        {L"end%20", L"end "},           // at the very end as well
        {L"tail&lt;", L"tail<"},
        {L"%2", L"%2"},
        {L"%3C%3e", L"%3C%3e"},         // only the extended form decodes these
        {L"&EACUTE; & &; &#; &x", L"&EACUTE; & &; &#; &x"},
        {L"&&&lt;", L"&&<"},
        {L"&#160;x&nbsp;y", L" x y"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decoded(c.In), c.Want) << c.In;
        // Decoded from a text that stays as it is, after what the output held.
        const std::wstring source = c.In;
        std::wstring out = L"head";
        AppendDecodedHtmlText(out, source);
        EXPECT_EQ(out, L"head" + std::wstring(c.Want)) << c.In;
        EXPECT_EQ(source, c.In);
    }
    EXPECT_EQ(Decoded(L"%3Cb%3E%3c/b%3e%20x", true), L"<b></b> x");
    // A title drops what would turn the direction of the text after it, written or referenced;
    // the marks stay.
    std::wstring title = L"\u202Ax\u202By\u202Cz\u202D%3C&#8238;cba\u2066\u2067\u2068\u2069 \u200E\u05D0\u200F";
    DecodeTitleText(title);
    EXPECT_EQ(title, L"xyz<cba \u200E\u05D0\u200F");

    std::wstring r;
    DecodeUrlEscapes(L"a%3aB%3A%20%2c%3C%3e%41&lt;", r);
    EXPECT_EQ(r, L"a:B: ,<>%41&lt;");
}

TEST(HtmlEntities, CharacterToReferenceKeepsEarlierForms) {
    EXPECT_EQ(Ref(L'/'), L"&#8260;");
    EXPECT_EQ(Ref(L'`'), L"&#96;");
    EXPECT_EQ(Ref(L'\u00e9'), L"&#233;");
    EXPECT_EQ(Ref(L'\u00a0'), L"");
    EXPECT_EQ(Ref(L'a'), L"");
    EXPECT_EQ(Ref(L'<'), L"");
    // Windows-1252 codes taken as characters keep their references ...
    const unsigned codes[] = {130, 131, 132, 133, 134, 135, 136, 137, 138, 139, 140, 145,
                              146, 147, 148, 149, 150, 151, 152, 153, 154, 155, 156, 159};
    const unsigned points[] = {8218, 402,  8222, 8230, 8224, 8225, 710,  8240, 352, 8249, 338, 8216,
                               8217, 8220, 8221, 8226, 8211, 8212, 732,  8482, 353, 8250, 339, 376};
    for (size_t i = 0; i < std::size(codes); ++i) {
        const std::wstring want = L"&#" + std::to_wstring(points[i]) + L";";
        EXPECT_EQ(Ref(static_cast<wchar_t>(codes[i])), want) << codes[i];
        // ... and the real characters they stand for get the same ones.
        EXPECT_EQ(Ref(static_cast<wchar_t>(points[i])), want) << points[i];
    }
    for (unsigned c : {128u, 129u, 141u, 142u, 143u, 144u, 157u, 158u, 160u, 0x20ACu, 0x017Du, 0x2044u})
        EXPECT_EQ(Ref(static_cast<wchar_t>(c)), L"") << c;
    for (unsigned c = 161; c <= 255; ++c)
        EXPECT_EQ(Ref(static_cast<wchar_t>(c)), L"&#" + std::to_wstring(c) + L";");
}

TEST(HtmlEntities, EncodeAndDecodeRoundTrip) {
    std::wstring s = L"Caf\u00e9 /x` \u2019 ok1";
    EncodeEntities(s);
    EXPECT_EQ(s, L"Caf&#233; &#8260;x&#96; &#8217; ok1");
    DecodeHtmlText(s);
    EXPECT_EQ(s, L"Caf\u00e9 /x` \u2019 ok1"); // every encoded character comes back as it was
    std::wstring plain = L"abc XYZ 123";
    EncodeEntities(plain);
    EXPECT_EQ(plain, L"abc XYZ 123");
}

TEST(HtmlEntities, ReferenceStartsInEightBitAndWideText) {
    int pos = 2;
    EXPECT_TRUE(IsEntityAt(std::string("a&nbsp;b"), pos));
    EXPECT_EQ(pos, 8);
    pos = 2;
    EXPECT_FALSE(IsEntityAt(std::string("a&b&c;"), pos));
    EXPECT_EQ(pos, 2);
    pos = 1;
    EXPECT_TRUE(IsEntityAt(std::string("&lt;"), pos));
    EXPECT_EQ(pos, 5);
    pos = 1;
    EXPECT_FALSE(IsEntityAt(std::string("&toolongname;"), pos));
    pos = 1;
    EXPECT_FALSE(IsEntityAt(std::string("&a;"), pos)); // ';' too close
    pos = 9;
    EXPECT_FALSE(IsEntityAt(std::string("&lt;"), pos));
    pos = 2;
    EXPECT_TRUE(IsEntityAt(std::wstring(L"x&#8217;y"), pos));
    EXPECT_EQ(pos, 9);

    // An '&' that is the trail byte of a double-byte character starts nothing.
    InitLeadBytes(932);
    std::string sjis = "\x81&amp;";
    pos = 2;
    EXPECT_FALSE(IsEntityAt(sjis, pos));
    pos = 2;
    EXPECT_TRUE(IsEntityAt(std::string("a&amp;"), pos));
    InitLeadBytes(-1);
}
