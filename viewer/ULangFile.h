// Language files: "vorlane.lang.<code>" beside the program, key = value lines in section
// "main" (any encoding the one-section reader knows) and the file's description in section
// "Translator". A value of exactly "*" counts as absent, like a missing key.
//
// Also the small text rules of the interface translation, so that the main window and the
// tests use the same ones.
#pragma once

#include "UFakeIniW.h"

#include <functional>
#include <optional>
#include <string>

// The file name's start: "vorlane.lang." + code.
extern const wchar_t* const LangFilePrefix;

using TLangLog = std::function<void(const std::wstring& Line)>;

// True for a code made only of ASCII letters, digits, '_' and '-' (the empty code, the
// system's language, too). Anything else could leave the program's folder.
bool IsValidLangCode(const std::wstring& Code);
// Code when valid; otherwise '' (the system's language), and Log hears why.
std::wstring CheckLangCode(const std::wstring& Code, const TLangLog& Log = {});
// Folder + "\vorlane.lang." + Code; for an empty Code the system's language
// (DefaultLanguageCode).
std::wstring LangFilePath(const std::wstring& Folder, const std::wstring& Code);

// The "main" section of one language file.
class TLangFile {
public:
    // False (nothing loaded) when the file is missing or its section has no lines, and
    // when it is over MaxLanguageFileBytes (the user is told; the file is not read).
    bool Load(const std::wstring& FileName);
    int Count() const;
    // The value of Key (ASCII case ignored, one pair of quotes removed); none when the
    // key is missing or its value is "*".
    std::optional<std::wstring> Value(const std::wstring& Key) const;

private:
    TFakeIniW FIni;
};

// The file's description (section "Translator").
struct TLangFileInfo {
    std::wstring Language; // "Language"
    std::wstring Name;     // the translator
    std::wstring Date;
    std::wstring WebSite;
};
TLangFileInfo ReadLangFileInfo(const std::wstring& FileName);
// "Name, WebSite"; either alone when the other is empty.
std::wstring TranslatorText(const TLangFileInfo& Info);

// Text rules.
// Every '|' becomes a carriage return (message texts).
std::wstring LangLineBreaks(std::wstring Text);
// The search tooltip's title: its first '|' becomes ":950;|" (the five characters the
// super tooltip drops from titles).
std::wstring SuperTipTitleText(std::wstring Text);
// The search button's hint: Hint, a line break and "(Ctrl+E, Enter)".
std::wstring SearchButtonHint(const std::wstring& Hint);
// The zoom text: the zoom menu's caption without its first "(&Z)" and its accelerator marks.
std::wstring ZoomTextOf(std::wstring Caption);
// The tab strip's new-tab caption: the new-tab menu caption cut before its first '(' and
// trimmed when it has one, else unchanged.
std::wstring NewTabCaptionOf(const std::wstring& Caption);
