// Settings store and single registry values.
#include "UAppSettings.h"

#include "Forms.h"
#include "SysUtils.h"
#include "TntIniFiles.h"
#include "TntSystem.h"
#include "UAuxFile.h"
#include "UDLogFile.h"
#include "UFormPos.h"
#include "UUtilsW.h"
#include "WRegistry.h"

// ---------------------------------------------------------------------------------
// The settings object

namespace {

TAppSettingsConfig g_Config;

const wchar_t* const DefaultIniFileName = L"ZEB_Settings.ini";
const wchar_t* const RootSection = L"__root__";

void ShowInfo(const std::wstring& Text) { UserMessage(miInfo, std::wstring(), Text, mbOk); }

} // namespace

TMyRegIniFile* AppSettings = nullptr;

const TAppSettingsConfig& AppSettingsConfig() { return g_Config; }

TMyRegIniFile::TMyRegIniFile(const std::wstring& RegKey) : FRegKey(RegKey) {
    const std::wstring& folder = g_Config.IniFolder;
    if (folder.size() > 2 && folder[1] == L':') {
        const std::wstring fileName = g_Config.IniFileName.empty() ? DefaultIniFileName : g_Config.IniFileName;
        const std::wstring path = folder + L"\\" + fileName;
        if (DirectoryExistsW(folder) && IsFolderWritable(folder)) {
            try {
                FIniFile = std::make_unique<TTntMemIniFile>(path);
            } catch (...) {
                FIniFile.reset();
                ShowInfo(L"Error opening ini file\r" + path);
            }
        } else {
            ShowInfo(L"Could not initialize application data file \"" + fileName + L"\". Is folder readonly?\r" +
                     L"Directory: " + path + L"\r\r" +
                     L"Storing settings in registry. Go to preferences dialog to change settings.");
        }
    }
    if (!FIniFile) FRegistry = std::make_unique<WRegistry::TRegIniFile>(RegKey);
}

TMyRegIniFile::~TMyRegIniFile() {
    if (FIniFile) {
        try {
            FIniFile->UpdateFile();
        } catch (...) {
            MsgBoxW(L"Error writing settings to INI file\r" + FIniFile->FileName() + L"\r\r" +
                        L"Is the folder/file read-only, or locked by another application?",
                    miError);
        }
    }
}

std::wstring TMyRegIniFile::IniSection(const std::wstring& Section) {
    return Section.empty() ? std::wstring(RootSection) : Section;
}

std::wstring TMyRegIniFile::ReadString(const std::wstring& Section, const std::wstring& Ident,
                                       const std::wstring& Default) {
    if (FIniFile) return FIniFile->ReadString(IniSection(Section), Ident, Default);
    return FRegistry->ReadString(Section, Ident, Default);
}

template <class F>
void TMyRegIniFile::GuardedWrite(const std::wstring& Section, const std::wstring& Ident, F&& Write) {
    std::wstring why;
    try {
        Write();
        return;
    } catch (const Exception& e) {
        why = e.Message();
    } catch (const std::exception& e) {
        why = StringToWideStringEx(e.what(), CP_ACP);
    } catch (...) {
        why = L"unknown error";
    }
    const std::wstring line = CutLogLine(L"** Setting not saved: " + Section + L"\\" + Ident + L" (" + why + L")", 1000);
    try {
        if (OnWriteFailed) OnWriteFailed(line);
        else DebugOut(line);
    } catch (...) {
        // The log is best effort; the other values are saved all the same.
    }
}

void TMyRegIniFile::WriteString(const std::wstring& Section, const std::wstring& Ident, const std::wstring& Value) {
    GuardedWrite(Section, Ident, [&] {
        if (FIniFile) FIniFile->WriteString(IniSection(Section), Ident, Value);
        else FRegistry->WriteString(Section, Ident, Value);
    });
}

int TMyRegIniFile::ReadInteger(const std::wstring& Section, const std::wstring& Ident, int Default) {
    if (FIniFile) return FIniFile->ReadInteger(IniSection(Section), Ident, Default);
    return FRegistry->ReadInteger(Section, Ident, Default);
}

void TMyRegIniFile::WriteInteger(const std::wstring& Section, const std::wstring& Ident, int Value) {
    GuardedWrite(Section, Ident, [&] {
        if (FIniFile) FIniFile->WriteInteger(IniSection(Section), Ident, Value);
        else FRegistry->WriteInteger(Section, Ident, Value);
    });
}

bool TMyRegIniFile::ReadBool(const std::wstring& Section, const std::wstring& Ident, bool Default) {
    if (FIniFile) return FIniFile->ReadBool(IniSection(Section), Ident, Default);
    return FRegistry->ReadBool(Section, Ident, Default);
}

void TMyRegIniFile::WriteBool(const std::wstring& Section, const std::wstring& Ident, bool Value) {
    GuardedWrite(Section, Ident, [&] {
        if (FIniFile) FIniFile->WriteBool(IniSection(Section), Ident, Value);
        else FRegistry->WriteBool(Section, Ident, Value);
    });
}

void InitAppSettings(const std::wstring& RegKey, const std::wstring& IniFolder, const std::wstring& IniFileName) {
    if (AppSettings) return;
    g_Config.RegKey = RegKey;
    g_Config.IniFolder = IniFolder;
    g_Config.IniFileName = IniFileName.empty() ? std::wstring(DefaultIniFileName) : IniFileName;
    AppSettings = new TMyRegIniFile(RegKey);
}

void FreeAppSettings() {
    TMyRegIniFile* settings = AppSettings;
    AppSettings = nullptr;
    delete settings;
}

// ---------------------------------------------------------------------------------
// Single registry values

namespace {

constexpr REGSAM Wow64Key = 0x0100; // KEY_WOW64_64KEY

void ReadStringView(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value,
                    const std::wstring& Default, bool View64) {
    Value = Default;
    try {
        WRegistry::TRegistry reg;
        reg.SetRootKey(Root);
        const bool opened = View64 ? reg.OpenKeyReadOnly64(Key) : reg.OpenKeyReadOnly(Key);
        if (opened && reg.ValueExists(Name)) {
            switch (reg.GetDataType(Name)) {
            case WRegistry::TRegDataType::rdString:
            case WRegistry::TRegDataType::rdExpandString: Value = reg.ReadString(Name); break;
            case WRegistry::TRegDataType::rdInteger: Value = IntToStr(reg.ReadInteger(Name)); break;
            default: break;
            }
        }
    } catch (const Exception&) {
        Value = Default;
    }
    ExpandEnvInPlaceW(Value);
}

bool WriteStringView(HKEY Root, const std::wstring& Key, const std::wstring& Name, const std::wstring& Value,
                     REGSAM Access) {
    try {
        WRegistry::TRegistry reg(Access);
        reg.SetRootKey(Root);
        if (!reg.OpenKey(Key, true)) return false;
        reg.WriteString(Name, Value);
        return true;
    } catch (const Exception&) {
        // A failed write (for instance during registration) is the caller's to report.
        return false;
    }
}

} // namespace

void RegReadString(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value) {
    RegReadStringDef(Root, Key, Name, Value, std::wstring());
}

void RegReadStringDef(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value,
                      const std::wstring& Default) {
    ReadStringView(Root, Key, Name, Value, Default, false);
}

void RegReadString64(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value) {
    RegReadStringDef64(Root, Key, Name, Value, std::wstring());
}

void RegReadStringDef64(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value,
                        const std::wstring& Default) {
    ReadStringView(Root, Key, Name, Value, Default, true);
}

bool RegWriteString(HKEY Root, const std::wstring& Key, const std::wstring& Name, const std::wstring& Value) {
    return WriteStringView(Root, Key, Name, Value, KEY_ALL_ACCESS);
}

bool RegWriteString64(HKEY Root, const std::wstring& Key, const std::wstring& Name, const std::wstring& Value) {
    return WriteStringView(Root, Key, Name, Value, KEY_WRITE | Wow64Key);
}

// ---------------------------------------------------------------------------------
// System tests

namespace {
bool g_Wow64Known = false;
bool g_Wow64Value = false;
} // namespace

bool IsWindowsXPOrLater() {
    InitRuntime();
    if (Win32Platform != VER_PLATFORM_WIN32_NT) return false;
    return (Win32MajorVersion == 5 && Win32MinorVersion >= 1) || Win32MajorVersion >= 6;
}

bool DetectWow64() {
    if (!IsWindowsXPOrLater()) return false;
    using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
    const HMODULE kernel = GetModuleHandleW(L"kernel32");
    if (!kernel) return false;
    const auto fn = reinterpret_cast<TIsWow64Process>(GetProcAddress(kernel, "IsWow64Process"));
    if (!fn) return false;
    BOOL wow = FALSE;
    if (!fn(GetCurrentProcess(), &wow)) return false;
    return wow != FALSE;
}

bool IsWow64() {
    if (!g_Wow64Known) {
        g_Wow64Value = DetectWow64();
        g_Wow64Known = true;
    }
    return g_Wow64Value;
}

bool IsIE471OrLater(std::wstring& Version) {
    Version = g_ieVerStr;
    if (Version.empty()) return false;
    const int major = GetTokenIntW(Version, 1, L'.', 0);
    const int minor = GetTokenIntW(Version, 2, L'.', 0);
    return major >= 5 || (major == 4 && minor >= 71);
}

void TMyRegIniFile::SaveFormPosAs(const std::wstring& Name, TCustomForm* Form) { Reg_SaveFormPos(FRegKey, Name, Form); }

bool TMyRegIniFile::RestoreFormPosAs(const std::wstring& Name, TCustomForm* Form) {
    return Reg_RestoreFormPos(FRegKey, Name, Form);
}

void TMyRegIniFile::SaveFormPos(TCustomForm* Form) { SaveFormPosAs(Form->Name(), Form); }

bool TMyRegIniFile::RestoreFormPos(TCustomForm* Form) { return RestoreFormPosAs(Form->Name(), Form); }
