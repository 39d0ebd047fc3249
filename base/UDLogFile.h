// The diagnostic log file (written only in debug mode), the small file, folder, version and
// command-line functions its header needs, and the loader of the HTML Help control.
#pragma once

#include "Classes.h"
#include "Format.h"
#include "Handles.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A log file in UTF-16LE with a byte-order mark and CR LF line ends. Each line is one
// open-append-close, so lines from several threads never overwrite each other.
class TDLogFile : public TObject {
public:
    VORLANE_CLASS_NAME(TDLogFile)
    // An empty FileName means LogFolder + "\HHDebug.txt"; a file whose folder is missing or
    // not writable goes to the temporary folder. Without Append an existing log is deleted;
    // with Enabled and WriteHeader the header block is written.
    TDLogFile(const std::wstring& AFileName, bool AEnabled, bool ATimeStamps, bool AWriteHeader, bool AAppend);

    std::wstring FileName;
    bool Enabled;
    bool TimeStamps;
    bool WriteHeader;
    bool Append;

    // Writes one line whether enabled or not. Fmt is formatted with Args[0..ArgsHigh] when
    // ArgsHigh >= 0 (a formatting error leaves Fmt as the text). "-" and "=" become rules;
    // a leading '-', '=' or '!' is dropped and the line gets no time prefix.
    void WriteLine(std::wstring_view Fmt, const TVarRec* Args, int ArgsHigh);
    // Without arguments Fmt is written as it is.
    void WriteLine(std::wstring_view Fmt, TFormatArgs Args = {});
    // WriteLine when Enabled.
    void Log(std::wstring_view Fmt, TFormatArgs Args = {});

private:
    void WriteHeaderBlock();
};

// The longest line the logs take, in characters (a page's whole source fits): a line from
// a hostile file or reply is cut there, so that it cannot fill the memory or hold the
// window.
constexpr size_t MaxLogLineChars = 1024 * 1024;
// Line, or its first MaxChars characters followed by " ... [cut: " + the number of
// characters left out + " characters]".
std::wstring CutLogLine(std::wstring_view Line, size_t MaxChars = MaxLogLineChars);

// ---------------------------------------------------------------------------------
// Unit state, filled by InitDebugLogUnit at start-up.

extern bool IsNT;
extern std::wstring g_ModulePath; // this module's file
extern std::wstring g_ModuleDir;  // its folder, no trailing '\'
extern std::wstring g_ModuleName;
extern std::wstring g_ExePath;    // the program's file (wide parameter 0)
extern std::wstring g_RunDir;     // its folder, no trailing '\'
extern std::wstring g_ExeName;
extern std::wstring LogFolder;    // where the global log lives
extern bool DebugMode;
extern std::wstring g_hhPath;
extern bool g_hhInstalled;
extern std::wstring g_hhVerStr;
extern std::wstring g_hhFriendlyVerStr;
extern std::wstring g_iePath;
extern bool g_ieInstalled;
extern std::wstring g_ieVerStr;
extern std::wstring g_ieFriendlyVerStr;

// Runs the start-up steps once: paths, log folder, debug mode, HTML Help and browser
// versions, and the global log (deleting an old one; writing the header in debug mode).
void InitDebugLogUnit();
// The global log (null before InitDebugLogUnit).
TDLogFile* GlobalLog();
// Puts another global log in place (tests); returns the previous one.
std::unique_ptr<TDLogFile> ReplaceGlobalLog(std::unique_ptr<TDLogFile> Log);
// Log on the global log.
void DebugOut(std::wstring_view Fmt, TFormatArgs Args = {});

// True when ModuleDir holds "debug.debug" or a parameter is "/debug" or "-debug" (any case).
bool DetectDebugMode(const std::wstring& ModuleDir, const std::vector<std::wstring>& Params);

// ---------------------------------------------------------------------------------
// Helpers of the log header

bool LogFileExists(const std::wstring& Name);
bool LogFolderExists(const std::wstring& Dir);
// True when a new file can be created in Dir (a fresh unique name; deleted at once).
bool LogFolderWritable(const std::wstring& Dir);
DWORD LogSetFileAttr(const std::wstring& Name, DWORD Attr); // 0 or the last error code
std::wstring TrimLeftCharLog(const std::wstring& S, wchar_t Ch);
std::wstring TrimRightCharLog(const std::wstring& S, wchar_t Ch);
std::wstring TrimCharLog(const std::wstring& S, wchar_t Ch);
std::wstring RemoveSuffixText(const std::wstring& S, const std::wstring& Suffix);
std::wstring StringOfCharLog(wchar_t Ch, int Count);
// 1-based position of the last character of S that is one of Delims; 0 when none.
int LastDelimiterPos(const std::wstring& S, const std::wstring& Delims);
int LastDelimiterPos(const std::string& S, const std::string& Delims); // skips trail bytes
std::wstring ExtractPathLog(const std::wstring& S); // up to and including the last '\' or ':'
std::wstring ExtractNameLog(const std::wstring& S); // after it
std::wstring YesNoText(bool B);
std::wstring GetSystemFolderLog();
std::wstring GetTempFolderLog();
// The four numbers of a file's version resource and their text ("" when it has none).
std::wstring GetFileVersionLog(const std::wstring& Name, int& Major, int& Minor, int& Release, int& Build);
// Parameters of a command line: blanks separate, double quotes group and are dropped, a ""
// pair at the start of a parameter is skipped. Element 0 is the program as written.
std::vector<std::wstring> SplitParamsLog(const std::wstring& CmdLine);
int ParamCountLog();
std::wstring ParamStrLog(int Index); // 0 is the module file name
std::wstring ExpandEnvLog(const std::wstring& S);

// Friendly names of the HTML Help control's and Internet Explorer's versions.
std::wstring HtmlHelpFriendlyVersion(int Major, int Minor, int Release, int Build);
std::wstring IEFriendlyVersion(int Major, int Minor, int Release, int Build);
// Where the HTML Help control lives (registered class, else the system folder).
std::wstring HtmlHelpControlPath();

// ---------------------------------------------------------------------------------
// HTML Help loader

using THtmlHelpAProc = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);
using THtmlHelpWProc = HWND(WINAPI*)(HWND, LPCWSTR, UINT, DWORD_PTR);
extern TModuleHandle g_HtmlHelpModule; // freed by FreeHtmlHelpLibrary (or at exit)
extern THtmlHelpAProc g_HtmlHelpA;
extern THtmlHelpWProc g_HtmlHelpW;
extern THtmlHelpAProc g_HtmlHelp; // receives "HtmlHelpA" as well

// Loads "hhctrl.ocx" (or the control's registered file) and binds its entry points.
bool LoadHtmlHelpLibrary();
void FreeHtmlHelpLibrary();
