// The table of interface languages, the choice of a default one from the system locale,
// and a dump of the locale facts into the debug log file.
#pragma once

#include <cstdint>
#include <string>

struct TLocaleInfo_ {
    uint16_t PriLangID;
    uint16_t SubLangID;
    const char* Code;
    const char* AltCode;
    const char* Name;
    const char* Desc;
    int32_t Reserved1;          // -1 in every row
    int32_t Reserved2;          // -1 in every row
    std::wstring DisplayName;   // from the language file's "lang_" + Code; empty at start
};

constexpr int LocaleInfoCount = 29;
// Rows 1..LocaleInfoCount; row 0 is an empty placeholder so that rows are 1-based.
extern TLocaleInfo_ g_LocaleInfo[LocaleInfoCount + 1];
// The row chosen for the system (-1 when none) and its Code ("en" until a row is chosen).
extern int g_LocaleInfoIdx;
extern std::string DefaultLanguageCode;

// The row whose Code equals Code exactly (case-sensitive); -1 when none.
int FindLanguageCode(const std::string& Code);
// The first row with both ids equal, else the first with the same primary id; -1 when none.
int FindLocaleRow(int PriLangID, int SubLangID);
// Start-up: picks the row for the system locale and sets DefaultLanguageCode.
void PickDefaultLanguage();
// Start-up: writes the locale facts to the debug log file.
void DumpLocaleInfo();
