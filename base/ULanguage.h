// The code-page table and the font character set of the user's language.
#pragma once

#include <cstdint>

class TControl;

struct TCodePageRow {
    int32_t Marked;        // 1 for the Windows ANSI code pages
    int32_t CodePage;
    int32_t RelatedAnsi;   // a related ANSI code page, 0 when none
    const char* Name;      // the code page's description
};

constexpr int CodePageTableCount = 152;
// Rows in ascending code-page order.
extern const TCodePageRow CodePageTable[CodePageTableCount];

// Row index (from 0) of CodePage in the table, -1 when absent.
int IndexOfCodePage(int CodePage);

// The font character set for a primary/sub language id pair (1 = default character set).
int LanguageCharsetOf(int PrimaryLanguage, int SubLanguage);
// The font character set for the user's language (system locale record).
int LanguageCharset();
// LanguageCharset(); when it is not the default character set (1) and Control is given,
// Control's font takes it. Returns the character set.
int ApplyLanguageCharset(TControl* Control);
