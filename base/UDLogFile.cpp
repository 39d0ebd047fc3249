#include "UDLogFile.h"

#include "Handles.h"

#include "SysUtils.h"
#include "TntSystem.h"
#include "UAuxFile.h"

#include <atomic>
#include <mutex>

bool IsNT = true;
std::wstring g_ModulePath;
std::wstring g_ModuleDir;
std::wstring g_ModuleName;
std::wstring g_ExePath;
std::wstring g_RunDir;
std::wstring g_ExeName;
std::wstring LogFolder;
bool DebugMode = false;
std::wstring g_hhPath;
bool g_hhInstalled = false;
std::wstring g_hhVerStr;
std::wstring g_hhFriendlyVerStr;
std::wstring g_iePath;
bool g_ieInstalled = false;
std::wstring g_ieVerStr;
std::wstring g_ieFriendlyVerStr;

TModuleHandle g_HtmlHelpModule;
THtmlHelpAProc g_HtmlHelpA = nullptr;
THtmlHelpWProc g_HtmlHelpW = nullptr;
THtmlHelpAProc g_HtmlHelp = nullptr;

namespace {

std::unique_ptr<TDLogFile> g_Log;
std::mutex g_LogMutex;   // guards g_Log
std::mutex g_WriteMutex; // one line at a time within the process
std::once_flag g_InitOnce;

const wchar_t kLogName[] = L"HHDebug.txt";

std::wstring ModuleFileName(HMODULE Module) {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(Module, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return L"";
        if (n < buf.size()) {
            buf.resize(n);
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

HMODULE ThisModule() {
    HMODULE h = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &h);
    return h;
}

void SplitPath(const std::wstring& Path, std::wstring& Dir, std::wstring& Name) {
    int k = LastDelimiterPos(Path, L"\\:");
    Dir = Path.substr(0, static_cast<size_t>(k));
    TrimRightCharW(Dir, L'\\');
    Name = Path.substr(static_cast<size_t>(k));
}

std::wstring UpperCopy(std::wstring S) {
    if (!S.empty())
        CharUpperBuffW(S.data(), static_cast<DWORD>(S.size()));
    return S;
}

// The default value of a HKEY_CLASSES_ROOT key as text ('' when missing).
std::wstring ClassesRootDefault(const std::wstring& Key) {
    TRegKey h;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, Key.c_str(), 0, KEY_READ, h.Put()) != ERROR_SUCCESS)
        return L"";
    std::wstring result;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(h.Get(), nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        std::wstring buf(size / 2 + 1, L'\0');
        DWORD got = size;
        if (RegQueryValueExW(h.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &got) ==
            ERROR_SUCCESS) {
            buf.resize(got / 2);
            size_t z = buf.find(L'\0');
            if (z != std::wstring::npos)
                buf.resize(z);
            result = buf;
        }
    }
    return result;
}

// A command of the registry cleaned down to the program's path.
std::wstring CleanCommand(std::wstring S) {
    S = TrimCharLog(S, L' ');
    S = RemoveSuffixText(S, L"%1");
    size_t b = 0, e = S.size();
    auto junk = [](wchar_t c) { return c == L' ' || c == L',' || c == L'"'; };
    while (b < e && junk(S[b]))
        ++b;
    while (e > b && junk(S[e - 1]))
        --e;
    return S.substr(b, e - b);
}

struct TVersionName {
    int V[4];
    const wchar_t* Name;
};

bool VersionAtLeast(int M, int m, int r, int b, const int (&T)[4]) {
    const int v[4] = {M, m, r, b};
    for (int i = 0; i < 4; ++i)
        if (v[i] != T[i])
            return v[i] > T[i];
    return true;
}

// Shdocvw.dll versions of the Internet Explorer releases before 7, in ascending order.
const TVersionName kIEVersions[] = {
    {{4, 40, 308, 0}, L"Internet Explorer 1.0 (Plus!)"},
    {{4, 40, 520, 0}, L"Internet Explorer 2.0"},
    {{4, 70, 1155, 0}, L"Internet Explorer 3.0"},
    {{4, 70, 1158, 0}, L"Internet Explorer 3.0 (OSR2)"},
    {{4, 70, 1215, 0}, L"Internet Explorer 3.01"},
    {{4, 70, 1300, 0}, L"Internet Explorer 3.02 and 3.02a"},
    {{4, 71, 544, 0}, L"Internet Explorer 4.0 Platform Preview 1.0 (PP1)"},
    {{4, 71, 1008, 3}, L"Internet Explorer 4.0 Platform Preview 2.0 (PP2)"},
    {{4, 71, 1712, 6}, L"Internet Explorer 4.0"},
    {{4, 72, 2106, 8}, L"Internet Explorer 4.01"},
    {{4, 72, 3110, 8}, L"Internet Explorer 4.01 Service Pack 1 (SP1)"},
    {{4, 72, 3612, 1713}, L"Internet Explorer 4.01 Service Pack 2 (SP2)"},
    {{5, 0, 518, 10}, L"Internet Explorer 5 Developer Preview (Beta 1)"},
    {{5, 0, 910, 1309}, L"Internet Explorer 5 Beta (Beta 2)"},
    {{5, 0, 2014, 216}, L"Internet Explorer 5"},
    {{5, 0, 2314, 1003}, L"Internet Explorer 5 (Office 2000)"},
    {{5, 0, 2516, 1900}, L"Internet Explorer 5.01 (Windows 2000 Beta 3)"},
    {{5, 0, 2614, 3500}, L"Internet Explorer 5 (Windows 98 Second Edition)"},
    {{5, 0, 2919, 800}, L"Internet Explorer 5.01 (Windows 2000 RC1)"},
    {{5, 0, 2919, 3800}, L"Internet Explorer 5.01 (Windows 2000 RC2)"},
    {{5, 0, 2919, 6307}, L"Internet Explorer 5.01"},
    {{5, 0, 2920, 0}, L"Internet Explorer 5.01 (Windows 2000)"},
    {{5, 0, 3103, 1000}, L"Internet Explorer 5.01 SP1 (Windows 2000)"},
    {{5, 0, 3105, 106}, L"Internet Explorer 5.01 SP1 (Windows 95/98 and Windows NT 4.0)"},
    {{5, 0, 3314, 2101}, L"Internet Explorer 5.01 SP2 (Windows 95/98 and Windows NT 4.0)"},
    {{5, 0, 3315, 1000}, L"Internet Explorer 5.01 SP2 (Windows 2000)"},
    {{5, 50, 3825, 1300}, L"Internet Explorer 5.5 Developer Preview (Beta)"},
    {{5, 50, 4030, 2400}, L"Internet Explorer 5.5 & Internet Tools Beta"},
    {{5, 50, 4134, 100}, L"Internet Explorer 5.5 (Windows Me)"},
    {{5, 50, 4134, 600}, L"Internet Explorer 5.5"},
    {{5, 50, 4308, 2900}, L"Internet Explorer 5.5 Advanced Security Privacy Beta"},
    {{5, 50, 4522, 1800}, L"Internet Explorer 5.5 Service Pack 1"},
    {{5, 50, 4807, 2300}, L"Internet Explorer 5.5 Service Pack 2"},
    {{6, 0, 2462, 0}, L"Internet Explorer 6 Public Preview (Beta)"},
    {{6, 0, 2479, 6}, L"Internet Explorer 6 Public Preview (Beta) Refresh"},
    {{6, 0, 2600, 0}, L"Internet Explorer 6"},
    {{6, 0, 2800, 1106}, L"Internet Explorer 6 Service Pack 1"},
    {{6, 0, 2900, 2180}, L"Internet Explorer 6 for Windows XP SP2"},
    {{6, 0, 3663, 0}, L"Internet Explorer 6 for Windows Server 2003 RC1"},
    {{6, 0, 3718, 0}, L"Internet Explorer 6 for Windows Server 2003 RC2"},
    {{6, 0, 3790, 0}, L"Internet Explorer 6 for Windows Server 2003"},
    {{6, 0, 3790, 1830}, L"Internet Explorer 6 for Windows Server 2003 SP1 and Windows XP x64"},
};

// HTML Help control versions and their names, highest first.
const TVersionName kHHVersions[] = {
    {{5, 2, 3669, 0}, L"1.4a"}, {{5, 2, 3626, 0}, L"1.4"},  {{4, 74, 9273, 0}, L"1.33"},
    {{4, 74, 8857, 0}, L"1.32"}, {{4, 74, 8793, 0}, L"1.31"}, {{4, 74, 8702, 0}, L"1.3"},
    {{4, 73, 8561, 0}, L"1.22"}, {{4, 73, 8474, 0}, L"1.21a"}, {{4, 73, 8412, 0}, L"1.21"},
    {{4, 73, 8252, 0}, L"1.2"},  {{4, 72, 8164, 0}, L"1.1b"}, {{4, 72, 7325, 0}, L"1.1a"},
    {{4, 72, 7323, 0}, L"1.1"},  {{4, 72, 7290, 0}, L"1.0"},
};

std::wstring IEPath() {
    const std::wstring candidates[] = {
        ExpandEnvLog(L"%ProgramFiles%\\Internet Explorer\\IExplore.exe"),
        CleanCommand(ClassesRootDefault(L"Applications\\iexplore.exe\\shell\\open\\command")),
        CleanCommand(ClassesRootDefault(L"CLSID\\{0002DF01-0000-0000-C000-000000000046}\\LocalServer32")),
        CleanCommand(
            ClassesRootDefault(L"CLSID\\{871C5380-42A0-1069-A2EA-08002B30309D}\\shell\\OpenHomePage\\Command")),
    };
    for (const auto& c : candidates)
        if (!c.empty() && LogFileExists(c))
            return c;
    return L"";
}

void ReadBrowserVersion() {
    g_iePath = IEPath();
    int M = 0, m = 0, r = 0, b = 0;
    std::wstring ver = g_iePath.empty() ? std::wstring() : GetFileVersionLog(g_iePath, M, m, r, b);
    if (ver.empty() || M < 7) {
        ver = GetFileVersionLog(GetSystemFolderLog() + L"\\Shdocvw.dll", M, m, r, b);
        if (!ver.empty() && M == 4 && m < 71 && r == 0) {
            r = b;
            b = 0;
            ver = Format(L"%d.%d.%d.%d", {M, m, r, b});
        }
    }
    g_ieVerStr = ver;
    g_ieInstalled = !ver.empty();
    if (!g_ieInstalled)
        g_ieFriendlyVerStr.clear();
    else if (M >= 7)
        g_ieFriendlyVerStr = L"Internet Explorer " + ver;
    else
        g_ieFriendlyVerStr = IEFriendlyVersion(M, m, r, b);
}

void ReadHtmlHelpVersion() {
    g_hhPath = HtmlHelpControlPath();
    int M = 0, m = 0, r = 0, b = 0;
    g_hhVerStr = GetFileVersionLog(g_hhPath, M, m, r, b);
    g_hhInstalled = !g_hhVerStr.empty();
    g_hhFriendlyVerStr = g_hhInstalled ? HtmlHelpFriendlyVersion(M, m, r, b) : std::wstring();
}

std::wstring OsName(int Major, int Minor) {
    if (Win32Platform != VER_PLATFORM_WIN32_NT)
        return L"Windows";
    if (Major == 4)
        return L"Windows NT4";
    if (Major == 5 && Minor == 0)
        return L"Windows 2000";
    if (Major == 5 && Minor == 1)
        return L"Windows XP";
    if (Major == 6 && Minor == 0)
        return L"Windows Vista";
    if (Major == 6 && Minor == 1)
        return L"Windows 7";
    return L"Windows NT";
}

std::wstring HexAndDecimal(int V) { return L"0x" + IntToHex(static_cast<uint64_t>(V) & 0xFFFF, 4) + L" (" + IntToStr(V) + L")"; }

// Appends one line (CR LF included) with a single write, a byte-order mark first when the
// file is new.
void AppendLine(const std::wstring& FileName, const std::wstring& Line) {
    std::lock_guard<std::mutex> lock(g_WriteMutex);
    TFileHandle h(CreateFileW(FileName.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return;
    LARGE_INTEGER size{};
    std::wstring data;
    if (GetFileSizeEx(h.Get(), &size) && size.QuadPart == 0)
        data += L'\xFEFF';
    data += Line;
    DWORD put = 0;
    WriteFile(h.Get(), data.data(), static_cast<DWORD>(data.size() * sizeof(wchar_t)), &put, nullptr);
    FlushFileBuffers(h.Get());
}

void InitUnitState() {
    InitRuntime();
    IsNT = Win32Platform == VER_PLATFORM_WIN32_NT;
    g_ModulePath = ModuleFileName(ThisModule());
    SplitPath(g_ModulePath, g_ModuleDir, g_ModuleName);
    try {
        g_ExePath = WideParamStr(0);
    } catch (...) {
        g_ExePath = ModuleFileName(nullptr);
    }
    SplitPath(g_ExePath, g_RunDir, g_ExeName);
    LogFolder = LogFolderWritable(g_ModuleDir) ? g_ModuleDir : GetTempFolderLog();
    std::vector<std::wstring> params;
    for (int i = 1, n = ParamCountLog(); i <= n; ++i)
        params.push_back(ParamStrLog(i));
    DebugMode = DetectDebugMode(g_ModuleDir, params);
    ReadHtmlHelpVersion();
    ReadBrowserVersion();
    auto log = std::make_unique<TDLogFile>(LogFolder + L"\\" + kLogName, DebugMode, true, true, false);
    std::lock_guard<std::mutex> lock(g_LogMutex);
    g_Log = std::move(log);
}

} // namespace

// ---------------------------------------------------------------------------------
// TDLogFile

TDLogFile::TDLogFile(const std::wstring& AFileName, bool AEnabled, bool ATimeStamps, bool AWriteHeader, bool AAppend)
    : FileName(AFileName), Enabled(AEnabled), TimeStamps(ATimeStamps), WriteHeader(AWriteHeader), Append(AAppend) {
    if (FileName.empty()) {
        std::wstring folder = LogFolder.empty() ? GetTempFolderLog() : LogFolder;
        FileName = folder + L"\\" + kLogName;
    } else {
        std::wstring dir = ExtractPathLog(FileName);
        TrimRightCharW(dir, L'\\');
        if (dir.empty() || !LogFolderExists(dir) || !LogFolderWritable(dir))
            FileName = GetTempFolderLog() + L"\\" + ExtractNameLog(FileName);
    }
    if (LogFileExists(FileName)) {
        LogSetFileAttr(FileName, FILE_ATTRIBUTE_NORMAL);
        if (!Append)
            DeleteFileW(FileName.c_str());
    }
    if (Enabled && WriteHeader)
        WriteHeaderBlock();
}

std::wstring CutLogLine(std::wstring_view Line, size_t MaxChars) {
    if (Line.size() <= MaxChars) return std::wstring(Line);
    return std::wstring(Line.substr(0, MaxChars)) + L" ... [cut: " + std::to_wstring(Line.size() - MaxChars) +
           L" characters]";
}

void TDLogFile::WriteLine(std::wstring_view Fmt, const TVarRec* Args, int ArgsHigh) {
    if (!IsNT)
        return;
    std::wstring text;
    if (ArgsHigh >= 0) {
        try {
            text = Format(Fmt, Args, static_cast<size_t>(ArgsHigh) + 1);
        } catch (...) {
            text.assign(Fmt);
        }
    } else {
        text.assign(Fmt);
    }
    if (text.size() > MaxLogLineChars) text = CutLogLine(text);
    if (text == L"-")
        text.assign(80, L'-');
    else if (text == L"=")
        text.assign(80, L'=');
    if (!text.empty() && (text[0] == L'-' || text[0] == L'=' || text[0] == L'!'))
        text.erase(0, 1);
    else if (TimeStamps)
        text = TimeToStr(Now()) + L"   " + text;
    text += L"\r\n";
    AppendLine(FileName, text);
}

void TDLogFile::WriteLine(std::wstring_view Fmt, TFormatArgs Args) {
    WriteLine(Fmt, Args.begin(), static_cast<int>(Args.size()) - 1);
}

void TDLogFile::Log(std::wstring_view Fmt, TFormatArgs Args) {
    if (Enabled)
        WriteLine(Fmt, Args);
}

void TDLogFile::WriteHeaderBlock() {
    auto line = [this](const wchar_t* label, const std::wstring& value) {
        WriteLine(std::wstring(L"!") + label + L"\t" + value);
    };
    WriteLine(L"=");
    line(L"Log File:             ", FileName);
    line(L"Date:                 ", DateTimeToStr(Now()));
    line(L"Operating System:      ",
         Format(L"%s %d.%d (Build %d) %s", {OsName(Win32MajorVersion, Win32MinorVersion), Win32MajorVersion,
                                            Win32MinorVersion, Win32BuildNumber,
                                            Win32CSDVersion.empty() ? std::wstring(L"No Service Pack")
                                                                    : Win32CSDVersion}));
    line(L"SysLocale.DefaultLCID: ", HexAndDecimal(static_cast<int>(SysLocale.DefaultLCID)));
    line(L"SysLocale.PriLangID:   ", HexAndDecimal(SysLocale.PriLangID));
    line(L"SysLocale.SubLangID:   ", HexAndDecimal(SysLocale.SubLangID));
    line(L"DecimalSeparator:      ", std::wstring(1, FormatSettings.DecimalSeparator));
    WriteLine(L"-");
    int M, m, r, b;
    std::vector<std::wstring> raw = SplitParamsLog(GetCommandLineW());
    std::wstring params;
    for (size_t i = 1; i < raw.size(); ++i)
        params += (i > 1 ? L" | " : L"") + raw[i];
    line(L"EXE Path =          ", g_ExePath);
    line(L"EXE Version =       ", GetFileVersionLog(g_ExePath, M, m, r, b));
    line(L"Actual CmdLine =  ", raw.empty() ? std::wstring() : raw[0]);
    line(L"Cmdline Param(s) =  ", params);
    line(L"_RunDir =           ", g_RunDir);
    line(L"_ModuleName =       ", g_ModuleName);
    line(L"_ModuleDir =        ", g_ModuleDir);
    line(L"_ModulePath =        ", g_ModulePath);
    line(L"Module Version =       ", GetFileVersionLog(g_ModulePath, M, m, r, b));
    WriteLine(L"-");
    line(L"_hhInstalled =      ", YesNoText(g_hhInstalled));
    line(L"_hhVerStr =         ", g_hhVerStr);
    line(L"_hhFriendlyVerStr = ", g_hhFriendlyVerStr);
    WriteLine(L"-");
    line(L"_ieInstalled =      ", YesNoText(g_ieInstalled));
    line(L"_ieVerStr =         ", g_ieVerStr);
    line(L"_ieFriendlyVerStr = ", g_ieFriendlyVerStr);
    WriteLine(L"=");
}

// ---------------------------------------------------------------------------------
// Unit state and the global log

void InitDebugLogUnit() { std::call_once(g_InitOnce, InitUnitState); }

TDLogFile* GlobalLog() {
    std::lock_guard<std::mutex> lock(g_LogMutex);
    return g_Log.get();
}

std::unique_ptr<TDLogFile> ReplaceGlobalLog(std::unique_ptr<TDLogFile> Log) {
    std::lock_guard<std::mutex> lock(g_LogMutex);
    std::swap(g_Log, Log);
    return Log;
}

void DebugOut(std::wstring_view Fmt, TFormatArgs Args) {
    if (TDLogFile* log = GlobalLog())
        log->Log(Fmt, Args);
}

bool DetectDebugMode(const std::wstring& ModuleDir, const std::vector<std::wstring>& Params) {
    if (LogFileExists(ModuleDir + L"\\debug.debug"))
        return true;
    for (const auto& p : Params) {
        std::wstring u = UpperCopy(p);
        if (u == L"/DEBUG" || u == L"-DEBUG")
            return true;
    }
    return false;
}

// ---------------------------------------------------------------------------------
// Helpers

bool LogFileExists(const std::wstring& Name) {
    if (Name.empty())
        return false;
    DWORD a = GetFileAttributesW(Name.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool LogFolderExists(const std::wstring& Dir) {
    std::wstring d = TrimRightCharLog(Dir, L'\\');
    if (d.empty())
        return false;
    if (d.size() == 2 && d[1] == L':')
        d += L'\\'; // a drive root is found only with its backslash
    DWORD a = GetFileAttributesW(d.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool LogFolderWritable(const std::wstring& Dir) {
    static std::atomic<unsigned> counter{0};
    if (Dir.empty())
        return false;
    std::wstring base = TrimRightCharLog(Dir, L'\\') + L"\\$_Temp_$";
    for (int attempt = 0; attempt < 16; ++attempt) {
        std::wstring name = base + IntToHex(GetCurrentProcessId(), 8) + L"_" + IntToHex(counter++, 4) + L".$$$";
        TFileHandle h(CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (h) {
            h.Reset(); // closed before it is deleted
            DeleteFileW(name.c_str());
            return true;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

DWORD LogSetFileAttr(const std::wstring& Name, DWORD Attr) {
    return SetFileAttributesW(Name.c_str(), Attr) ? 0 : GetLastError();
}

std::wstring TrimLeftCharLog(const std::wstring& S, wchar_t Ch) {
    size_t b = S.find_first_not_of(Ch);
    return b == std::wstring::npos ? std::wstring() : S.substr(b);
}

std::wstring TrimRightCharLog(const std::wstring& S, wchar_t Ch) {
    size_t e = S.find_last_not_of(Ch);
    return e == std::wstring::npos ? std::wstring() : S.substr(0, e + 1);
}

std::wstring TrimCharLog(const std::wstring& S, wchar_t Ch) { return TrimLeftCharLog(TrimRightCharLog(S, Ch), Ch); }

std::wstring RemoveSuffixText(const std::wstring& S, const std::wstring& Suffix) {
    if (Suffix.empty() || Suffix.size() > S.size())
        return S;
    if (UpperCopy(S.substr(S.size() - Suffix.size())) != UpperCopy(Suffix))
        return S;
    return S.substr(0, S.size() - Suffix.size());
}

std::wstring StringOfCharLog(wchar_t Ch, int Count) {
    return Count <= 0 ? std::wstring() : std::wstring(static_cast<size_t>(Count), Ch);
}

int LastDelimiterPos(const std::wstring& S, const std::wstring& Delims) {
    size_t p = S.find_last_of(Delims);
    return p == std::wstring::npos ? 0 : static_cast<int>(p) + 1;
}

int LastDelimiterPos(const std::string& S, const std::string& Delims) {
    for (size_t i = S.size(); i > 0; --i)
        if (Delims.find(S[i - 1]) != std::string::npos && IsSingleOrLeadA(S, static_cast<int>(i)))
            return static_cast<int>(i);
    return 0;
}

std::wstring ExtractPathLog(const std::wstring& S) {
    return S.substr(0, static_cast<size_t>(LastDelimiterPos(S, L"\\:")));
}

std::wstring ExtractNameLog(const std::wstring& S) { return S.substr(static_cast<size_t>(LastDelimiterPos(S, L"\\:"))); }

std::wstring YesNoText(bool B) { return B ? L"YES" : L"NO"; }

std::wstring GetSystemFolderLog() {
    UINT n = GetSystemDirectoryW(nullptr, 0);
    if (n == 0)
        return L"";
    std::wstring buf(n, L'\0');
    UINT m = GetSystemDirectoryW(buf.data(), n);
    buf.resize(m < n ? m : 0);
    return TrimRightCharLog(buf, L'\\');
}

std::wstring GetTempFolderLog() {
    std::wstring t;
    DWORD n = GetTempPathW(0, nullptr);
    while (n > 0) {
        t.assign(n, L'\0');
        DWORD m = GetTempPathW(n, t.data());
        if (m < n) {
            t.resize(m);
            break;
        }
        n = m;
    }
    t = TrimRightCharLog(t, L'\\');
    if (!LogFolderExists(t))
        t = L"c:";
    return t;
}

std::wstring GetFileVersionLog(const std::wstring& Name, int& Major, int& Minor, int& Release, int& Build) {
    Major = Minor = Release = Build = 0;
    if (Name.empty())
        return L"";
    DWORD dummy = 0;
    DWORD size = GetFileVersionInfoSizeW(Name.c_str(), &dummy);
    if (size == 0)
        return L"";
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(Name.c_str(), 0, size, data.data()))
        return L"";
    VS_FIXEDFILEINFO* info = nullptr;
    UINT len = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &len) || !info ||
        len < sizeof(VS_FIXEDFILEINFO))
        return L"";
    Major = HIWORD(info->dwFileVersionMS);
    Minor = LOWORD(info->dwFileVersionMS);
    Release = HIWORD(info->dwFileVersionLS);
    Build = LOWORD(info->dwFileVersionLS);
    return Format(L"%d.%d.%d.%d", {Major, Minor, Release, Build});
}

std::vector<std::wstring> SplitParamsLog(const std::wstring& CmdLine) {
    std::vector<std::wstring> out;
    const size_t n = CmdLine.size();
    size_t i = 0;
    for (;;) {
        for (;;) {
            while (i < n && CmdLine[i] <= L' ')
                ++i;
            if (i + 1 < n && CmdLine[i] == L'"' && CmdLine[i + 1] == L'"')
                i += 2;
            else
                break;
        }
        if (i >= n)
            break;
        std::wstring arg;
        while (i < n && CmdLine[i] > L' ') {
            if (CmdLine[i] == L'"') {
                ++i;
                while (i < n && CmdLine[i] != L'"')
                    arg += CmdLine[i++];
                if (i < n)
                    ++i;
            } else {
                arg += CmdLine[i++];
            }
        }
        out.push_back(arg);
    }
    return out;
}

int ParamCountLog() {
    auto p = SplitParamsLog(GetCommandLineW());
    return p.empty() ? 0 : static_cast<int>(p.size()) - 1;
}

std::wstring ParamStrLog(int Index) {
    if (Index == 0)
        return ModuleFileName(nullptr);
    auto p = SplitParamsLog(GetCommandLineW());
    return Index > 0 && Index < static_cast<int>(p.size()) ? p[static_cast<size_t>(Index)] : std::wstring();
}

std::wstring ExpandEnvLog(const std::wstring& S) { return ExpandEnvW(S); }

std::wstring HtmlHelpFriendlyVersion(int Major, int Minor, int Release, int Build) {
    // All four parts count: anything past 5.2.3669.0, even by its build, is newer than 1.4a.
    const int v14a[4] = {5, 2, 3669, 0};
    if (!VersionAtLeast(v14a[0], v14a[1], v14a[2], v14a[3], {Major, Minor, Release, Build}))
        return L"> 1.4a";
    for (const auto& v : kHHVersions)
        if (VersionAtLeast(Major, Minor, Release, Build, v.V))
            return v.Name;
    return L"< 1.0";
}

std::wstring IEFriendlyVersion(int Major, int Minor, int Release, int Build) {
    if (Major >= 7)
        return Format(L"Internet Explorer %d.%d.%d.%d", {Major, Minor, Release, Build});
    const wchar_t* name = nullptr;
    for (const auto& v : kIEVersions)
        if (VersionAtLeast(Major, Minor, Release, Build, v.V))
            name = v.Name;
    return name ? name : L"< Internet Explorer 1.0 (Plus!)";
}

std::wstring HtmlHelpControlPath() {
    std::wstring p =
        ExpandEnvLog(ClassesRootDefault(L"CLSID\\{adb880a6-d8ff-11cf-9377-00aa003b7a11}\\InprocServer32"));
    if (!p.empty() && LogFileExists(p))
        return p;
    return GetSystemFolderLog() + L"\\hhctrl.ocx";
}

// ---------------------------------------------------------------------------------
// HTML Help loader

bool LoadHtmlHelpLibrary() {
    if (g_HtmlHelpModule)
        return true;
    HMODULE h = LoadLibraryA("hhctrl.ocx");
    if (!h) {
        std::wstring path = HtmlHelpControlPath();
        if (LogFileExists(path))
            h = LoadLibraryW(path.c_str());
    }
    if (!h)
        return false;
    g_HtmlHelpModule.Reset(h);
    g_HtmlHelpA = reinterpret_cast<THtmlHelpAProc>(reinterpret_cast<void*>(GetProcAddress(h, "HtmlHelpA")));
    g_HtmlHelpW = reinterpret_cast<THtmlHelpWProc>(reinterpret_cast<void*>(GetProcAddress(h, "HtmlHelpW")));
    g_HtmlHelp = reinterpret_cast<THtmlHelpAProc>(reinterpret_cast<void*>(GetProcAddress(h, "HtmlHelpA")));
    return true;
}

void FreeHtmlHelpLibrary() {
    g_HtmlHelpModule.Reset();
    g_HtmlHelpA = nullptr;
    g_HtmlHelpW = nullptr;
    g_HtmlHelp = nullptr;
}
