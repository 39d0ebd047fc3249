// The table of known web browsers read from the registry, and opening a URL in one of them.
#pragma once

#include <string>

struct TBrowserInfo {
    std::wstring Name;
    bool IsDefault = false;  // its ProgID is the one of ".htm"
    std::wstring ProgID;
    std::wstring Command;    // the open command of the ProgID
    std::wstring ExePath;    // the program of that command
    bool Exists = false;     // ExePath is an existing file
};

// Rows: 0 the default browser, 1 Internet Explorer, 2 Firefox, 3 Chrome, 4 Opera,
// 5 Safari, 6 Netscape. The row index is the browser number callers pass.
constexpr int BrowserCount = 7;
extern TBrowserInfo BrowserTable[BrowserCount];

// Fills the table from HKEY_CLASSES_ROOT.
void ReadBrowsers();
// True for an address that may go to a web browser, an outside one or a tab's (from a
// bookmark, the command line or a second copy): an http or https address (the help agent's
// own among them) or one of the help runtime's ("ms-xhelp:"), without control characters.
// Anything else the shell or the browser would run or open itself: a program or file path,
// a share ("\\host\share", which would be sent the user's credentials), "file:",
// "javascript:" or any other scheme.
bool IsBrowserAddress(const std::wstring& Url);
// IsBrowserAddress, else the user is told that Url is not opened (the message names it).
bool BrowserAddressAllowed(const std::wstring& Url);
// Opens Url (double quotes removed) in browser row Browser when that is an installed
// browser other than the default one; otherwise (also for row 0 or an unknown number)
// in the default browser through the shell. True when the shell accepted; false without
// a shell call when Url is no browser address (the user is told).
bool OpenUrlInBrowser(const std::wstring& Url, int Browser);
