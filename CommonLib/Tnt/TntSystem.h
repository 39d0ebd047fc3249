// Platform flags, command line, resource strings and the conversions between UTF-16 and
// 8-bit text (code pages, UTF-7, UTF-8) of the Unicode set.
#pragma once

#include "System.h"

#include <cstdint>
#include <string>
#include <string_view>

// ---------------------------------------------------------------------------------
// Platform flags. Set once at start-up (before any form exists), never changed.
extern bool Win32PlatformIsUnicode; // the NT family (always true on the systems we run on)
extern bool Win32PlatformIsXP;      // 5.1 or later
extern bool Win32PlatformIs2003;    // 5.2 or later
extern bool Win32PlatformIsVista;   // 6.0 or later

// ---------------------------------------------------------------------------------
// Command line.

// One step of the command-line parser: from Pos in CmdLine, skips blanks, control characters
// and empty "" pairs, then reads one argument (quoted parts may hold blanks, quotes are
// dropped, a quoted part joins the text around it). Param is '' at the end of the text.
// Returns the position after the argument.
size_t WideGetParamStr(std::wstring_view CmdLine, size_t Pos, WideString& Param);
// Number of arguments after the program name in CmdLine (counting stops at the first empty one).
int WideParamCountOf(std::wstring_view CmdLine);
// Argument Index of CmdLine: 0 is the program name as written, '' past the last argument.
WideString WideParamStrOf(std::wstring_view CmdLine, int Index);

// The same for the process's own command line. WideParamStr(0) is the program's full file
// name (raises EOSError when the system cannot give it).
int WideParamCount();
WideString WideParamStr(int Index);

// ---------------------------------------------------------------------------------
// Resource strings.

// A resource string: Identifier below 65536 is a string-table id in Module; otherwise it is
// the address of a zero-terminated ANSI text (UTF-8 when it starts with EF BB BF).
struct TResStringRec {
    HMODULE Module;
    uintptr_t Identifier;
};
WideString WideLoadResString(const TResStringRec* ResStringRec);

// True when the value is a resource ordinal (its high 16 bits are 0), not a name.
bool Tnt_Is_IntResource(const wchar_t* ResStr);

// ---------------------------------------------------------------------------------
// Code pages.

// Code page of every default conversion between ANSI and UTF-16 (CP_THREAD_ACP on NT 5+ at
// start; CP_ACP while the code-page update is installed).
extern UINT DefaultSystemCodePage;

// Conversions with any code page, including 65000 (UTF-7) and 65001 (UTF-8).
// Unconvertible characters become what the system substitutes; invalid UTF-8 gives ''.
// UTF-7 input that is not valid raises ETntGeneralError "Invalid UTF7".
WideString StringToWideStringEx(std::string_view S, UINT CodePage);
AnsiString WideStringToStringEx(std::wstring_view WS, UINT CodePage);

// The default conversions (DefaultSystemCodePage).
WideString DefaultAnsiToWide(std::string_view S);
AnsiString DefaultWideToAnsi(std::wstring_view WS);

// UTF-7 (RFC 2152; optional direct characters written directly, '-' only where needed).
AnsiString WideStringToUTF7(std::wstring_view WS);
WideString UTF7ToWideString(std::string_view S); // ETntGeneralError "Invalid UTF7"

// UTF-8. Characters beyond U+FFFF (surrogate pairs) are one 4-byte sequence; a lone surrogate
// is written as a 3-byte sequence. Decoding gives '' for malformed input (bad or stray
// continuation bytes, overlong or cut-short sequences, values beyond U+10FFFF).
AnsiString WideStringToUTF8(std::wstring_view WS);
WideString UTF8ToWideString(std::string_view S);

// The locale's default ANSI code page; GetACP() when it cannot be read.
int LCIDToCodePage(LCID Locale);
// The ANSI code page of the current keyboard layout.
int KeyboardCodePage();
// A character below 256 taken as a byte of the keyboard code page; others unchanged.
wchar_t KeyUnicode(wchar_t C);
// Swaps the bytes of every character in place up to the first #0.
void StrSwapByteOrder(wchar_t* P);

// ---------------------------------------------------------------------------------
// System updates. The program's start-up asks for all of them. The behaviour they stand for
// is built into this library (wide resource strings, safe concatenation, checked WideFormat),
// so installing records the request; the code-page update also switches DefaultSystemCodePage
// to CP_ACP, and the removal gives it its start value (CP_THREAD_ACP) back.
using TTntSystemUpdateSet = uint8_t;
constexpr TTntSystemUpdateSet tsuResourceStrings = 1;
constexpr TTntSystemUpdateSet tsuCodePage = 2;
constexpr TTntSystemUpdateSet tsuConcatenation = 4;
constexpr TTntSystemUpdateSet tsuWideFormat = 8;
constexpr TTntSystemUpdateSet tsuAll = 15;

void InstallTntSystemUpdates(TTntSystemUpdateSet Updates = tsuAll);
void UninstallTntSystemUpdates();
// The updates recorded by the last install (0 after removal).
TTntSystemUpdateSet TntSystemUpdatesInstalled();
