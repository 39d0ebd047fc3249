// The settings store (registry, or an INI file in a writable folder), the single-value
// registry readers and writers with the 64-bit view, and the 64-bit and version tests.
#pragma once

#include "Classes.h"
#include "System.h"

#include <functional>
#include <memory>
#include <string>

namespace WRegistry {
class TRegIniFile;
}
class TTntMemIniFile;

class TCustomForm;

// The program's settings: sections and typed values under a key of the current user, or
// in a wide INI file when the configured data folder is a usable drive-letter folder. In
// the file the empty section is written as "__root__". In INI mode the registry is never
// touched.
class TMyRegIniFile : public TObject {
public:
    VORLANE_CLASS_NAME(TMyRegIniFile)
    // Uses the folder and file name given to InitAppSettings. An unusable drive-letter
    // folder or a file that cannot be opened is reported and the registry is used.
    explicit TMyRegIniFile(const std::wstring& RegKey);
    // INI mode: writes the file (a failure is reported once, nothing raised).
    ~TMyRegIniFile() override;

    // A write that fails (a value name longer than the registry takes, a key that cannot be
    // written) raises nothing: the value is skipped and OnWriteFailed hears why (the log
    // file's DebugOut when unset), so that the values after it are still saved.
    std::wstring ReadString(const std::wstring& Section, const std::wstring& Ident, const std::wstring& Default);
    void WriteString(const std::wstring& Section, const std::wstring& Ident, const std::wstring& Value);
    int ReadInteger(const std::wstring& Section, const std::wstring& Ident, int Default);
    void WriteInteger(const std::wstring& Section, const std::wstring& Ident, int Value);
    bool ReadBool(const std::wstring& Section, const std::wstring& Ident, bool Default);
    void WriteBool(const std::wstring& Section, const std::wstring& Ident, bool Value);

    // Window positions, always in the registry (also in INI mode), under
    // HKEY_CURRENT_USER\RegKey with values named Name + "_Left" etc. The forms without a
    // name of their own use the form's component name.
    void SaveFormPosAs(const std::wstring& Name, TCustomForm* Form);
    bool RestoreFormPosAs(const std::wstring& Name, TCustomForm* Form);
    void SaveFormPos(TCustomForm* Form);
    bool RestoreFormPos(TCustomForm* Form);
    const std::wstring& RegKey() const { return FRegKey; }
    std::function<void(const std::wstring& Line)> OnWriteFailed;

    // The INI file in INI mode, null in registry mode.
    TTntMemIniFile* IniFile() const { return FIniFile.get(); }
    // The registry store in registry mode, null in INI mode.
    WRegistry::TRegIniFile* Registry() const { return FRegistry.get(); }

private:
    static std::wstring IniSection(const std::wstring& Section);
    template <class F> void GuardedWrite(const std::wstring& Section, const std::wstring& Ident, F&& Write);
    std::wstring FRegKey;
    std::unique_ptr<TTntMemIniFile> FIniFile;
    std::unique_ptr<WRegistry::TRegIniFile> FRegistry;
};

// What InitAppSettings was given (the file name defaulted).
struct TAppSettingsConfig {
    std::wstring RegKey;      // below HKEY_CURRENT_USER
    std::wstring IniFolder;
    std::wstring IniFileName; // "ZEB_Settings.ini" when given empty
};
const TAppSettingsConfig& AppSettingsConfig();

// The one settings object; null before InitAppSettings and after FreeAppSettings.
extern TMyRegIniFile* AppSettings;
// Creates AppSettings (nothing when it already exists).
void InitAppSettings(const std::wstring& RegKey, const std::wstring& IniFolder, const std::wstring& IniFileName);
// Frees AppSettings (an INI file is written then).
void FreeAppSettings();

// ---------------------------------------------------------------------------------
// Single registry values. Key is a path below Root (a leading '\' is allowed).
// Reads: REG_SZ / REG_EXPAND_SZ give their text, REG_DWORD its signed decimal text, any
// other type or a missing key or value gives Default; environment variables in the result
// are expanded (also in Default).

void RegReadString(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value);
void RegReadStringDef(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value,
                      const std::wstring& Default);
// The same through the 64-bit registry view.
void RegReadString64(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value);
void RegReadStringDef64(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value,
                        const std::wstring& Default);
// Writes Name as REG_SZ, creating Key when missing. False when the key cannot be opened
// or the value cannot be written (nothing is raised).
bool RegWriteString(HKEY Root, const std::wstring& Key, const std::wstring& Name, const std::wstring& Value);
bool RegWriteString64(HKEY Root, const std::wstring& Key, const std::wstring& Name, const std::wstring& Value);

// ---------------------------------------------------------------------------------
// System tests.

bool IsWindowsXPOrLater();
// Asks the system whether this process runs under WOW64 (false before XP or without the call).
bool DetectWow64();
// DetectWow64, asked once per process.
bool IsWow64();
// The Internet Explorer version found at start-up, as text; true when it is 4.71 or later.
bool IsIE471OrLater(std::wstring& Version);
