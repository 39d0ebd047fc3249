// The code-page table and the language-to-character-set mapping.
#include "ULanguage.h"

#include "Controls.h"
#include "System.h"

constexpr TCodePageRow CodePageTable[CodePageTableCount] = {
    {0, 37, 0, "IBM EBCDIC - U.S./Canada"},
    {0, 437, 1252, "OEM United States"},
    {0, 500, 0, "IBM EBCDIC - International"},
    {0, 708, 1256, "Arabic - ASMO 708"},
    {0, 709, 1256, "Arabic - ASMO 449+, BCON V4"},
    {0, 710, 1256, "Arabic - Transparent Arabic"},
    {0, 720, 1256, "Arabic - Transparent ASMO"},
    {0, 737, 1253, "OEM Greek (formerly 437G)"},
    {0, 775, 1257, "OEM Baltic"},
    {0, 850, 1252, "OEM Multilingual Latin I"},
    {0, 852, 1250, "OEM Latin II"},
    {0, 855, 1251, "OEM Cyrillic (primarily Russian)"},
    {0, 857, 1254, "OEM Turkish"},
    {0, 858, 1252, "OEM Multilingual Latin I + Euro symbol"},
    {0, 860, 1252, "OEM Portuguese"},
    {0, 861, 1252, "OEM Icelandic"},
    {0, 862, 1255, "OEM Hebrew"},
    {0, 863, 1252, "OEM Canadian-French"},
    {0, 864, 1256, "OEM Arabic"},
    {0, 865, 1252, "OEM Nordic"},
    {0, 866, 1251, "OEM Russian"},
    {0, 869, 1253, "OEM Modern Greek"},
    {0, 870, 0, "IBM EBCDIC - Multilingual/ROECE (Latin-2)"},
    {1, 874, 0, "ANSI - Thai (Windows)(same as 28605, ISO 8859-15"},
    {0, 875, 0, "IBM EBCDIC - Modern Greek"},
    {1, 932, 0, "ANSI - Japanese (Shift-JIS)"},
    {1, 936, 0, "ANSI - Chinese Simplified (GB2312, Singapore, PRC)"},
    {1, 942, 0, "ANSI - Korean"},
    {1, 949, 0, "ANSI - Korean (Unified Hangeul Code)"},
    {1, 950, 0, "ANSI - Chinese Traditional (Big5, Taiwan, Hong Kong SAR, PRC)"},
    {0, 1026, 0, "IBM EBCDIC - Turkish (Latin-5)"},
    {0, 1047, 0, "IBM EBCDIC - Latin 1/Open System"},
    {0, 1140, 0, "IBM EBCDIC - U.S./Canada (037 + Euro symbol)"},
    {0, 1141, 0, "IBM EBCDIC - Germany (20273 + Euro symbol)"},
    {0, 1142, 0, "IBM EBCDIC - Denmark/Norway (20277 + Euro symbol)"},
    {0, 1143, 0, "IBM EBCDIC - Finland/Sweden (20278 + Euro symbol)"},
    {0, 1144, 0, "IBM EBCDIC - Italy (20280 + Euro symbol)"},
    {0, 1145, 0, "IBM EBCDIC - Latin America/Spain (20284 + Euro symbol)"},
    {0, 1146, 0, "IBM EBCDIC - United Kingdom (20285 + Euro symbol)"},
    {0, 1147, 0, "IBM EBCDIC - France (20297 + Euro symbol)"},
    {0, 1148, 0, "IBM EBCDIC - International (500 + Euro symbol)"},
    {0, 1149, 0, "IBM EBCDIC - Icelandic (20871 + Euro symbol)"},
    {0, 1200, 0, "Unicode UTF-16 (Little-Endian, BMP of ISO 10646)"},
    {0, 1201, 0, "Unicode UTF-16 (Big-Endian)"},
    {1, 1250, 0, "ANSI - Central European (Windows)"},
    {1, 1251, 0, "ANSI - Cyrillic (Windows)"},
    {1, 1252, 0, "ANSI - Western Europe/Latin I (Windows)"},
    {1, 1253, 0, "ANSI - Greek (Windows)"},
    {1, 1254, 0, "ANSI - Turkish (Windows)"},
    {1, 1255, 0, "ANSI - Hebrew (Windows)"},
    {1, 1256, 0, "ANSI - Arabic (Windows)"},
    {1, 1257, 0, "ANSI - Baltic (Windows)"},
    {1, 1258, 0, "ANSI - Vietnamese (Windows)"},
    {0, 1361, 949, "Korean (Johab)"},
    {0, 10000, 1252, "MAC - Roman"},
    {0, 10001, 932, "MAC - Japanese"},
    {0, 10002, 950, "MAC - Traditional Chinese (Big5)"},
    {0, 10003, 949, "MAC - Korean"},
    {0, 10004, 1256, "MAC - Arabic"},
    {0, 10005, 1255, "MAC - Hebrew"},
    {0, 10006, 1253, "MAC - Greek I"},
    {0, 10007, 1251, "MAC - Cyrillic"},
    {0, 10008, 936, "MAC - Simplified Chinese (GB 2312)"},
    {0, 10010, 1250, "MAC - Romania"},
    {0, 10017, 1251, "MAC - Ukraine"},
    {0, 10021, 874, "MAC - Thai"},
    {0, 10029, 1250, "MAC - Latin II"},
    {0, 10079, 1252, "MAC - Icelandic"},
    {0, 10081, 1254, "MAC - Turkish"},
    {0, 10082, 1250, "MAC - Croatia"},
    {0, 12000, 0, "Unicode UTF-32 (Little-Endian)"},
    {0, 12001, 0, "Unicode UTF-32 (Big-Endian)"},
    {0, 20000, 950, "CNS - Taiwan"},
    {0, 20001, 950, "TCA - Taiwan"},
    {0, 20002, 950, "Eten - Taiwan"},
    {0, 20003, 950, "IBM5550 - Taiwan"},
    {0, 20004, 950, "TeleText - Taiwan"},
    {0, 20005, 950, "Wang - Taiwan"},
    {0, 20105, 1252, "IA5 IRV International Alphabet No. 5 (7-bit)"},
    {0, 20106, 1252, "IA5 German (7-bit)"},
    {0, 20107, 1252, "IA5 Swedish (7-bit)"},
    {0, 20108, 1252, "IA5 Norwegian (7-bit)"},
    {0, 20127, 1252, "US-ASCII (7-bit)"},
    {0, 20261, 0, "T.61"},
    {0, 20269, 0, "ISO 6937 Non-Spacing Accent"},
    {0, 20273, 0, "IBM EBCDIC - Germany"},
    {0, 20277, 0, "IBM EBCDIC - Denmark/Norway"},
    {0, 20278, 0, "IBM EBCDIC - Finland/Sweden"},
    {0, 20280, 0, "IBM EBCDIC - Italy"},
    {0, 20284, 0, "IBM EBCDIC - Latin America/Spain"},
    {0, 20285, 0, "IBM EBCDIC - United Kingdom"},
    {0, 20290, 0, "IBM EBCDIC - Japanese Katakana Extended"},
    {0, 20297, 0, "IBM EBCDIC - France"},
    {0, 20420, 0, "IBM EBCDIC - Arabic"},
    {0, 20423, 0, "IBM EBCDIC - Greek"},
    {0, 20424, 0, "IBM EBCDIC - Hebrew"},
    {0, 20833, 0, "IBM EBCDIC - Korean Extended"},
    {0, 20838, 0, "IBM EBCDIC - Thai"},
    {0, 20866, 1251, "Russian/Cyrillic - KOI8-R"},
    {0, 20871, 0, "IBM EBCDIC - Icelandic"},
    {0, 20880, 0, "IBM EBCDIC - Cyrillic (Russian)"},
    {0, 20905, 0, "IBM EBCDIC - Turkish"},
    {0, 20924, 0, "IBM EBCDIC - Latin-1/Open System (1047 + Euro symbol)"},
    {0, 20932, 932, "JIS X 0208-1990 & 0121-1990"},
    {0, 20936, 936, "Simplified Chinese (GB2312)"},
    {0, 20949, 949, "Korean Wansung"},
    {0, 21025, 0, "IBM EBCDIC - Cyrillic (Serbian, Bulgarian)"},
    {0, 21866, 1251, "Ukrainian/Cyrillic - KOI8-U"},
    {0, 28591, 1252, "ISO 8859-1 Western European/Latin I"},
    {0, 28592, 1250, "ISO 8859-2 Central European"},
    {0, 28593, 1254, "ISO 8859-3 Latin 3"},
    {0, 28594, 1257, "ISO 8859-4 Baltic"},
    {0, 28595, 1251, "ISO 8859-5 Cyrillic"},
    {0, 28596, 1256, "ISO 8859-6 Arabic"},
    {0, 28597, 1253, "ISO 8859-7 Greek"},
    {0, 28598, 1255, "ISO 8859-8 Hebrew (visual)"},
    {0, 28599, 1254, "ISO 8859-9 Turkish"},
    {0, 28603, 1257, "ISO 8859-13 Estonian"},
    {0, 28605, 1252, "ISO 8859-15 Latin 9"},
    {0, 29001, 0, "Europa 3"},
    {0, 38598, 1255, "ISO 8859-8 Hebrew (logical)"},
    {0, 50220, 932, "ISO 2022 Japanese with no halfwidth Katakana (JIS)"},
    {0, 50221, 932, "ISO 2022 Japanese with halfwidth Katakana (JIS-Allow 1 byte Kana)"},
    {0, 50222, 932, "ISO 2022 Japanese JIS X 0201-1989 (JIS-Allow 1 byte Kana - SO/SI)"},
    {0, 50225, 949, "ISO 2022 Korean"},
    {0, 50227, 936, "ISO 2022 Simplified Chinese"},
    {0, 50229, 950, "ISO 2022 Traditional Chinese"},
    {0, 50930, 0, "EBCDIC - Japanese (Katakana) Extended"},
    {0, 50931, 0, "EBCDIC - US-Canada and Japanese"},
    {0, 50933, 0, "EBCDIC - Korean Extended and Korean"},
    {0, 50935, 0, "EBCDIC - Simplified Chinese Extended and Simplified Chinese"},
    {0, 50936, 0, "EBCDIC - Simplified Chinese"},
    {0, 50937, 0, "EBCDIC - US-Canada and Traditional Chinese"},
    {0, 50939, 0, "EBCDIC - Japanese (Latin) Extended and Japanese"},
    {0, 51932, 932, "EUC - Japanese"},
    {0, 51936, 936, "EUC - Simplified Chinese"},
    {0, 51949, 949, "EUC - Korean"},
    {0, 51950, 950, "EUC - Traditional Chinese"},
    {0, 52936, 936, "HZ-GB2312 Simplified Chinese"},
    {0, 54936, 936, "GB18030 Simplified Chinese (4 byte)"},
    {0, 57002, 0, "ISCII - Devanagari"},
    {0, 57003, 0, "ISCII - Bengali"},
    {0, 57004, 0, "ISCII - Tamil"},
    {0, 57005, 0, "ISCII - Telugu"},
    {0, 57006, 0, "ISCII - Assamese"},
    {0, 57007, 0, "ISCII - Oriya"},
    {0, 57008, 0, "ISCII - Kannada"},
    {0, 57009, 0, "ISCII - Malayalam"},
    {0, 57010, 0, "ISCII - Gujarati"},
    {0, 57011, 0, "ISCII - Punjabi (Gurmukhi)"},
    {0, 65000, 0, "Unicode UTF-7"},
    {0, 65001, 0, "Unicode UTF-8"},
};

int IndexOfCodePage(int CodePage) {
    for (int i = 0; i < CodePageTableCount; ++i)
        if (CodePageTable[i].CodePage == CodePage) return i;
    return -1;
}

int LanguageCharsetOf(int PrimaryLanguage, int SubLanguage) {
    switch (PrimaryLanguage) {
    case 1: return 178;  // Arabic
    case 8: return 161;  // Greek
    case 13: return 177; // Hebrew
    case 17: return 128; // Japanese
    case 18:             // Korean
        if (SubLanguage == 1) return 129;
        if (SubLanguage == 2) return 130;
        return 1;
    case 25: return 204; // Russian
    case 30: return 222; // Thai
    case 31: return 162; // Turkish
    case 42: return 163; // Vietnamese
    default: return 1;
    }
}

int LanguageCharset() {
    InitRuntime();
    return LanguageCharsetOf(SysLocale.PriLangID, SysLocale.SubLangID);
}

int ApplyLanguageCharset(TControl* Control) {
    const int charset = LanguageCharset();
    if (charset != 1 && Control) Control->Font()->SetCharset(static_cast<BYTE>(charset));
    return charset;
}
