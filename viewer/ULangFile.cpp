#include "ULangFile.h"

#include "SysUtils.h"
#include "UAuxFile.h"
#include "ULocaleInfo.h"

const wchar_t* const LangFilePrefix = L"vorlane.lang.";

namespace {

const wchar_t* const AbsentValue = L"*";

bool IsCodeChar(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' ||
           c == L'-';
}

} // namespace

bool IsValidLangCode(const std::wstring& Code) {
    for (wchar_t c : Code)
        if (!IsCodeChar(c))
            return false;
    return true;
}

std::wstring CheckLangCode(const std::wstring& Code, const TLangLog& Log) {
    if (IsValidLangCode(Code))
        return Code;
    if (Log)
        Log(L"Translate: language code refused (only letters, digits, '_' and '-'): \"" + Code + L"\"");
    return L"";
}

std::wstring LangFilePath(const std::wstring& Folder, const std::wstring& Code) {
    std::wstring code = Code;
    if (code.empty())
        code.assign(DefaultLanguageCode.begin(), DefaultLanguageCode.end());
    return Folder + L"\\" + LangFilePrefix + code;
}

bool TLangFile::Load(const std::wstring& FileName) {
    if (!FileSizeAllowed(FileName, MaxLanguageFileBytes))
        return false;
    FIni.SetFileAndSection(FileName, L"main");
    return FIni.GetCount() > 0;
}

int TLangFile::Count() const { return FIni.GetCount(); }

std::optional<std::wstring> TLangFile::Value(const std::wstring& Key) const {
    std::wstring value = FIni.ReadString(Key, AbsentValue);
    if (value == AbsentValue)
        return std::nullopt;
    return value;
}

TLangFileInfo ReadLangFileInfo(const std::wstring& FileName) {
    if (!FileWithinSize(FileName, MaxLanguageFileBytes))
        return {};
    TFakeIniW ini(FileName, L"Translator");
    return {ini.ReadString(L"Language", L""), ini.ReadString(L"Name", L""), ini.ReadString(L"Date", L""),
            ini.ReadString(L"WebSite", L"")};
}

std::wstring TranslatorText(const TLangFileInfo& Info) {
    if (Info.Name.empty() || Info.WebSite.empty())
        return Info.Name + Info.WebSite;
    return Info.Name + L", " + Info.WebSite;
}

std::wstring LangLineBreaks(std::wstring Text) {
    for (wchar_t& c : Text)
        if (c == L'|')
            c = L'\r';
    return Text;
}

std::wstring SuperTipTitleText(std::wstring Text) {
    const size_t bar = Text.find(L'|');
    if (bar != std::wstring::npos)
        Text.replace(bar, 1, L":950;|");
    return Text;
}

std::wstring SearchButtonHint(const std::wstring& Hint) { return Hint + L"\r\n(Ctrl+E, Enter)"; }

std::wstring ZoomTextOf(std::wstring Caption) {
    const size_t at = Caption.find(L"(&Z)");
    if (at != std::wstring::npos)
        Caption.erase(at, 4);
    // The panel shows no accelerator marks ("&&" stands for one '&').
    std::wstring text;
    for (size_t i = 0; i < Caption.size(); ++i)
        if (Caption[i] != L'&')
            text += Caption[i];
        else if (i + 1 < Caption.size() && Caption[i + 1] == L'&')
            text += Caption[++i];
    return text;
}

std::wstring NewTabCaptionOf(const std::wstring& Caption) {
    const size_t paren = Caption.find(L'(');
    return paren == std::wstring::npos ? Caption : Trim(std::wstring_view(Caption).substr(0, paren));
}
