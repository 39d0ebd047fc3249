// Registry access classes that work entirely through the wide registry functions, so that
// key names, value names and texts keep their Unicode characters. They live in their own
// namespace because the GUI class library has classes of the same names.
#pragma once

#include "Classes.h"

#include <string>

namespace WRegistry {

VORLANE_DECLARE_EXCEPTION(ERegistryException, Exception);

// Messages of ERegistryException (the name of the value or key takes the placeholder).
extern std::wstring SInvalidRegType;   // "Invalid data type for '%s'"
extern std::wstring SRegCreateFailed;  // "Failed to create key %s"
extern std::wstring SRegSetDataFailed; // "Failed to set data for '%s'"
extern std::wstring SRegGetDataFailed; // "Failed to get data for '%s'"

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = TRegDataType::rdUnknown;
    DWORD DataSize = 0;
};

TRegDataType DataTypeToRegData(DWORD Value);
DWORD RegDataToDataType(TRegDataType Value);

// Key paths: a path that begins with '\' is absolute (below RootKey); any other path, the
// empty one too, is relative to the current key when one is open.
class TRegistry : public TObject {
public:
    VORLANE_CLASS_NAME(TRegistry)
    // Root HKEY_CURRENT_USER, KEY_ALL_ACCESS, lazy write.
    TRegistry();
    // The same with another access mask (for instance with KEY_WOW64_64KEY).
    explicit TRegistry(REGSAM AAccess);
    ~TRegistry() override;

    HKEY CurrentKey() const { return FCurrentKey; }
    HKEY RootKey() const { return FRootKey; }
    void SetRootKey(HKEY Value);
    const std::wstring& CurrentPath() const { return FCurrentPath; }
    REGSAM Access() const { return FAccess; }
    void SetAccess(REGSAM Value) { FAccess = Value; }
    bool CloseRootKey() const { return FCloseRootKey; }
    bool LazyWrite = true;

    void CloseKey();
    void ChangeKey(HKEY Value, const std::wstring& Path);
    void ChangeKeyA(HKEY Value, const std::string& Path);
    HKEY GetBaseKey(bool Relative) const;
    void SetCurrentKey(HKEY Value) { FCurrentKey = Value; }

    // Creates Key (and closes it again); raises ERegistryException when it cannot.
    bool CreateKey(const std::wstring& Key);
    bool OpenKey(const std::wstring& Key, bool CanCreate);
    bool OpenKeyA(const std::string& Key, bool CanCreate);
    // Opens with KEY_READ, else with read rights without notification, else with
    // KEY_QUERY_VALUE alone; the mask that worked becomes Access.
    bool OpenKeyReadOnly(const std::wstring& Key);
    // The same in the 64-bit registry view.
    bool OpenKeyReadOnly64(const std::wstring& Key);

    bool GetDataInfo(const std::wstring& ValueName, TRegDataInfo& Value) const;
    int GetDataSize(const std::wstring& ValueName) const; // -1 when missing
    TRegDataType GetDataType(const std::wstring& ValueName) const;
    bool ValueExists(const std::wstring& Name) const;

    // REG_SZ with its terminating zero.
    void WriteString(const std::wstring& Name, const std::wstring& Value);
    // Text of a REG_SZ/REG_EXPAND_SZ value cut at its first zero ('' when empty or missing);
    // a value without its terminator or with an odd size reads safely.
    std::wstring ReadString(const std::wstring& Name) const;
    // A REG_DWORD value; shorter data is zero-extended.
    int ReadInteger(const std::wstring& Name) const;
    void PutData(const std::wstring& Name, const void* Buffer, TRegDataType RegData, DWORD BufSize);
    int GetData(const std::wstring& Name, void* Buffer, DWORD BufSize, TRegDataType& RegData) const;
    // A new handle to the sub-key Key (opened with Access), 0 on failure; the caller closes it.
    HKEY GetKey(const std::wstring& Key) const;

protected:
    // The type and bytes of a value; false when it cannot be read.
    bool QueryValue(const std::wstring& Name, DWORD& Type, std::string& Data) const;

private:
    bool OpenReadOnlyWith(const std::wstring& Key, REGSAM Extra);

    HKEY FCurrentKey = nullptr;
    HKEY FRootKey = HKEY_CURRENT_USER;
    std::wstring FCurrentPath;
    bool FCloseRootKey = false;
    REGSAM FAccess = KEY_ALL_ACCESS;
};

// An INI file over the registry: a section is a sub-key of the open key, an ident a value.
// Reads never raise: missing sections and values and values of other types give Default
// (a REG_DWORD value reads as its number).
class TRegIniFile : public TRegistry {
public:
    VORLANE_CLASS_NAME(TRegIniFile)
    // Opens (creating it) FileName below HKEY_CURRENT_USER.
    explicit TRegIniFile(const std::wstring& AFileName);
    TRegIniFile(const std::wstring& AFileName, REGSAM AAccess);

    const std::wstring& FileName() const { return FFileName; }

    using TRegistry::ReadInteger;
    using TRegistry::ReadString;
    using TRegistry::WriteString;
    std::wstring ReadString(const std::wstring& Section, const std::wstring& Ident, const std::wstring& Default);
    void WriteString(const std::wstring& Section, const std::wstring& Ident, const std::wstring& Value);
    int ReadInteger(const std::wstring& Section, const std::wstring& Ident, int Default);
    void WriteInteger(const std::wstring& Section, const std::wstring& Ident, int Value);
    bool ReadBool(const std::wstring& Section, const std::wstring& Ident, bool Default);
    void WriteBool(const std::wstring& Section, const std::wstring& Ident, bool Value);

private:
    std::wstring FFileName;
};

} // namespace WRegistry
