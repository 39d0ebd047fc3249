// Rules of the main window's life that need no window: which command-line parameter is the
// help URL and what creation does with it, the window caption, the search text an F1
// request brings along, and the switch of a passed URL to the loaded catalog's locale.
#pragma once

#include <string>
#include <vector>

// Url without its first "&embedded=true" parameter (as written; other spellings and
// longer values such as "&embedded=truex" stay).
std::wstring WithoutEmbeddedFlag(const std::wstring& Url);

// The help URL of the command line: the first parameter that is not the log file's switch
// "/debug" or "-debug" (any case); '' when there is none. Params are the parameters after
// the program.
std::wstring CommandLineUrl(const std::vector<std::wstring>& Params);

// What creation does with the command line's help URL.
struct TStartUrl {
    std::wstring Param;         // the parameter as given ('' when none): kept as PassedInUrl
    std::wstring Url;           // without its first "&embedded=true": handed over or opened
    bool OpenInBrowser = false; // "http:" (any case) while the runtime's help mode is "online"
};
TStartUrl StartUrlOf(const std::vector<std::wstring>& Params, const std::wstring& HelpMode);

// "<CaptionBase> - Online Mode, Catalog: <catalog>" ("Offline Mode" for any mode but
// "online"); the mode texts are the translatable WinTitle_ texts, the catalog text is
// trimmed.
std::wstring MainCaption(const std::wstring& CaptionBase, const std::wstring& HelpMode,
                         const std::wstring& CatalogText);

// The search text of an F1 request (method "f1" or "F1" with a query that is not empty):
// when the query's last '.' comes after its last '%', the text after that '.'; when its
// last '%' comes after its last '.', the text from the third character after that '%'
// (past the escape); otherwise the whole query. False for any other request.
bool F1SearchText(const std::wstring& Method, const std::wstring& Query, std::wstring& Text);

// The URL asked for in the loaded catalog's locale: when Url's "locale" value is not empty
// and differs from CatalogLocale (A-Z folded), Url with that value replaced by CatalogLocale;
// '' when there is nothing to switch (also when the catalog names no locale).
std::wstring LocaleSwitchUrl(const std::wstring& Url, const std::wstring& CatalogLocale);
