// Browser table and OpenUrlInBrowser.
#include "UBrowsers.h"

#include "SysUtils.h"
#include "UAuxFile.h"
#include "UAppSettings.h"
#include "UShellExec.h"
#include "UUtilsW.h"

TBrowserInfo BrowserTable[BrowserCount];

namespace {

struct TBrowserRow {
    const wchar_t* Name;
    const wchar_t* ProgID; // nullptr: the default ProgID
};
const TBrowserRow BrowserRows[BrowserCount] = {
    {L"Default Browser", nullptr},     {L"MS Internet Explorer", L"htmlfile"}, {L"FireFox", L"FirefoxHTML"},
    {L"Google Chrome", L"ChromeHTML"}, {L"Opera", L"Opera.HTML"},              {L"Safari", L"SafariHTML"},
    {L"Netscape", L"NetscapeMarkup"},
};

// The program of an open command: a leading quote removed and the text cut before the
// next one, trimmed, environment variables expanded.
std::wstring ProgramOfCommand(const std::wstring& Command) {
    std::wstring s = Command;
    size_t start = 0;
    while (start < s.size() && s[start] == L' ') ++start;
    s.erase(0, start);
    if (!s.empty() && s.front() == L'"') s.erase(0, 1);
    const size_t quote = s.find(L'"');
    if (quote != std::wstring::npos) s.resize(quote);
    s = Trim(s);
    ExpandEnvInPlaceW(s);
    return s;
}

} // namespace

void ReadBrowsers() {
    std::wstring defaultProgID;
    RegReadString(HKEY_CLASSES_ROOT, L".htm", L"", defaultProgID);
    for (int i = 0; i < BrowserCount; ++i) {
        TBrowserInfo& row = BrowserTable[i];
        row = TBrowserInfo{};
        row.Name = BrowserRows[i].Name;
        row.ProgID = BrowserRows[i].ProgID ? BrowserRows[i].ProgID : defaultProgID;
        row.IsDefault = SameText(row.ProgID, defaultProgID);
        if (!row.ProgID.empty())
            RegReadString(HKEY_CLASSES_ROOT, row.ProgID + L"\\shell\\open\\command", L"", row.Command);
        if (!row.Command.empty()) {
            row.ExePath = ProgramOfCommand(row.Command);
            row.Exists = !row.ExePath.empty() && FileExistsW(row.ExePath);
        }
    }
}

bool IsBrowserAddress(const std::wstring& Url) {
    if (HasControlChar(Url)) return false;
    const std::wstring url = Trim(Url);
    for (const wchar_t* scheme : {L"http://", L"https://", L"ms-xhelp:"}) {
        const std::wstring prefix = scheme;
        if (SameText(url.substr(0, prefix.size()), prefix)) return true;
    }
    return false;
}

bool BrowserAddressAllowed(const std::wstring& Url) {
    if (IsBrowserAddress(Url)) return true;
    UserMessage(miError, L"Error",
                L"Only web and help addresses are opened in a browser. This address is not opened:\r" +
                    VisibleText(Url),
                mbOk);
    return false;
}

bool OpenUrlInBrowser(const std::wstring& Url, int Browser) {
    if (!BrowserAddressAllowed(Url)) return false;
    std::wstring url = Trim(Url);
    DeleteCharW(url, L'"');
    ReadBrowsers();
    if (Browser >= 0 && Browser < BrowserCount) {
        const TBrowserInfo& row = BrowserTable[Browser];
        if (!row.IsDefault && row.Exists) return ShellExecW(row.ExePath, QuoteCommandArg(url));
    }
    return ShellExec(url);
}
