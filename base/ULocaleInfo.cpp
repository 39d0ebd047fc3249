// Interface-language table and the default language.
#include "ULocaleInfo.h"

#include "SysUtils.h"
#include "System.h"
#include "UDLogFile.h"

TLocaleInfo_ g_LocaleInfo[LocaleInfoCount + 1] = {
    {0, 0, "", "", "", "", -1, -1, {}},
    {0x09, 0, "en", "en", "English", "English", -1, -1, {}},
    {0x07, 0, "de", "de", "German", "German", -1, -1, {}},
    {0x11, 0, "jp", "ja", "Japanese", "Japanese", -1, -1, {}},
    {0x12, 0, "ko", "ko", "Korean", "Korean", -1, -1, {}},
    {0x04, 2, "chs", "cn", "Simplified_Chinese", "Chinese (Simplified)", -1, -1, {}},
    {0x04, 1, "cht", "tw", "Traditional_Chinese", "Chinese (Traditional)", -1, -1, {}},
    {0x0C, 0, "fr", "fr", "French", "French", -1, -1, {}},
    {0x0A, 0, "es", "es", "Spanish", "Spanish", -1, -1, {}},
    {0x10, 0, "it", "it", "Italian", "Italian", -1, -1, {}},
    {0x1D, 0, "sv", "sv", "Swedish", "Swedish", -1, -1, {}},
    {0x13, 0, "nl", "nl", "Dutch", "Dutch", -1, -1, {}},
    {0x19, 0, "ru", "ru", "Russian", "Russian", -1, -1, {}},
    {0x01, 0, "ar", "ar", "Arabic", "Arabic", -1, -1, {}},
    {0x0D, 0, "he", "he", "Hebrew", "Hebrew", -1, -1, {}},
    {0x06, 0, "da", "da", "Danish", "Danish", -1, -1, {}},
    {0x14, 0, "no", "no", "Norwegian", "Norwegian", -1, -1, {}},
    {0x0B, 0, "fi", "fi", "Finnish", "Finnish", -1, -1, {}},
    {0x16, 2, "pt", "pt", "Portuguese", "Portuguese", -1, -1, {}},
    {0x16, 1, "ptb", "br", "Brazilian", "Brazilian", -1, -1, {}},
    {0x05, 0, "cs", "cs", "Czech", "Czech", -1, -1, {}},
    {0x15, 0, "pl", "pl", "Polish", "Polish", -1, -1, {}},
    {0x0E, 0, "hu", "hu", "Hungarian", "Hungarian", -1, -1, {}},
    {0x08, 0, "el", "el", "Greek", "Greek", -1, -1, {}},
    {0x1F, 0, "tr", "tr", "Turkish", "Turkish", -1, -1, {}},
    {0x24, 0, "sl", "sl", "Slovenian", "Slovenian", -1, -1, {}},
    {0x1B, 0, "sk", "sk", "Slovakian", "Slovakian", -1, -1, {}},
    {0x2D, 0, "eu", "eu", "Basque", "Basque", -1, -1, {}},
    {0x18, 0, "ro", "ro", "Romanian", "Romanian", -1, -1, {}},
    {0x03, 0, "ca", "ca", "Catalan", "Catalan", -1, -1, {}},
};

int g_LocaleInfoIdx = -1;
std::string DefaultLanguageCode = "en";

int FindLanguageCode(const std::string& Code) {
    for (int i = 1; i <= LocaleInfoCount; ++i)
        if (Code == g_LocaleInfo[i].Code) return i;
    return -1;
}

int FindLocaleRow(int PriLangID, int SubLangID) {
    for (int i = 1; i <= LocaleInfoCount; ++i)
        if (g_LocaleInfo[i].PriLangID == PriLangID && g_LocaleInfo[i].SubLangID == SubLangID) return i;
    for (int i = 1; i <= LocaleInfoCount; ++i)
        if (g_LocaleInfo[i].PriLangID == PriLangID) return i;
    return -1;
}

void PickDefaultLanguage() {
    InitRuntime();
    g_LocaleInfoIdx = FindLocaleRow(SysLocale.PriLangID, SysLocale.SubLangID);
    if (g_LocaleInfoIdx >= 1) DefaultLanguageCode = g_LocaleInfo[g_LocaleInfoIdx].Code;
}

void DumpLocaleInfo() {
    InitRuntime();
    DebugOut(L"- Locale Info ");
    DebugOut(L" _LocaleInfoIdx = %d", {g_LocaleInfoIdx});
    if (g_LocaleInfoIdx >= 1) {
        const std::string desc = g_LocaleInfo[g_LocaleInfoIdx].Desc;
        DebugOut(L" _LocaleInfo[%d].Desc = %s", {g_LocaleInfoIdx, std::wstring(desc.begin(), desc.end())});
    }
    DebugOut(L" SysLocale.DefaultLCID = x%s", {IntToHex(SysLocale.DefaultLCID & 0xFFFF, 4)});
    DebugOut(L" SysLocale.PriLangID = x%s", {IntToHex(static_cast<uint64_t>(SysLocale.PriLangID), 4)});
    DebugOut(L" SysLocale.SubLangID = x%s", {IntToHex(static_cast<uint64_t>(SysLocale.SubLangID), 4)});
    DebugOut(L" SysLocale.FarEast = %s", {SysLocale.FarEast ? L"Yes" : L"No"});
    DebugOut(L" SysLocale.MiddleEast = %s", {SysLocale.MiddleEast ? L"Yes" : L"No"});
    DebugOut(L" DecimalSeparator = %s", {FormatSettings.DecimalSeparator});
}
