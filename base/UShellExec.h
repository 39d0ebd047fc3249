// Process start and shell execute: one shape for every launcher of the program (open a
// URL, file or folder through the shell, "Open With", elevated start, the help agent).
// A shell call succeeds when its result is above 32; the wrappers that show errors put
// the call, its arguments, the result and a readable reason in one error message.
#pragma once

#include "System.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The shell call every wrapper goes through (ShellExecuteW by default). Tests install a
// recorder so that nothing is really opened; an empty function restores the default.
// The 8-bit wrapper hands its text over widened from the ANSI code page.
using TShellExecuteFunc = std::function<intptr_t(HWND Owner, const std::wstring& Verb, const std::wstring& File,
                                                 const std::wstring& Params, int ShowCmd)>;
TShellExecuteFunc SetShellExecuteFunc(TShellExecuteFunc Func);

// ShellExecute(owner, "open", FileName, Params, no folder, SW_SHOWDEFAULT); the shell
// result. With ShowErrors a result below 33 is reported in an error message.
intptr_t ShellExecuteOpenA(const std::string& FileName, const std::string& Params, bool ShowErrors);
intptr_t ShellExecuteOpenW(const std::wstring& FileName, const std::wstring& Params, bool ShowErrors);
bool ShellExecA(const std::string& FileName, const std::string& Params);
bool ShellExecW(const std::wstring& FileName, const std::wstring& Params);
// The most used launcher: Params (8-bit) widened, then ShellExecW.
bool ShellExec(const std::wstring& FileName, const std::string& Params = std::string());
// Opened from the desktop window with SW_SHOWNORMAL; failures reported; the shell result.
intptr_t ShellExecuteFromDesktopW(const std::wstring& FileName);
// The system's "Open With" dialog for FileName, given as one argument (result ignored).
void ShellOpenWith(const std::wstring& FileName);
// Starts FileName elevated ("runas"); true when the shell accepted.
bool ShellRunAs(const std::wstring& FileName, const std::wstring& Params);

// ---------------------------------------------------------------------------------
// Command lines for other programs. Every argument the program hands to another program
// is built here, so that the receiver's parser (the system's argument splitter) reads back
// exactly the values put in.

// Arg as one argument: unchanged when it is not empty and holds no blank, tab or quote;
// otherwise in double quotes, with each quote and the backslashes before a quote (or before
// the closing quote) escaped.
std::wstring QuoteCommandArg(const std::wstring& Arg);
// True when Text holds a control character other than the tab (a line break, for one).
bool HasControlChar(const std::wstring& Text);
// Text with each control character shown as "\x" and two hexadecimal digits, cut to
// MaxLength characters with "..." after; for messages that name a refused value.
std::wstring VisibleText(const std::wstring& Text, size_t MaxLength = 200);

struct TCommandLine {
    std::wstring Line;    // the arguments quoted and joined by blanks
    std::wstring Refusal; // not empty when a value was refused: the message for the user
    bool Ok() const { return Refusal.empty(); }
};
// Args quoted one by one and joined by blanks. A value holding a control character is
// refused: Line stays empty and Refusal names the value.
TCommandLine BuildCommandLine(const std::vector<std::wstring>& Args);

// "[Error:" + code + "] " + a readable reason for GetLastError().
void GetLastErrorText(std::wstring& Text);
std::wstring GetLastErrorText();

// Starts ExeFile (quoted when it holds blanks) with Params, minimised and not activated,
// without handing it any of our handles. The new process id, 0 on failure; no message.
DWORD CreateProcessMinNoActive(const std::wstring& ExeFile, const std::wstring& Params);
