#include "WRegistry.h"

#include "Handles.h"
#include "TntSystem.h"

#include "Format.h"
#include "SysUtils.h"
#include "UAuxFile.h"

#include <cstring>

namespace WRegistry {

std::wstring SInvalidRegType = L"Invalid data type for '%s'";
std::wstring SRegCreateFailed = L"Failed to create key %s";
std::wstring SRegSetDataFailed = L"Failed to set data for '%s'";
std::wstring SRegGetDataFailed = L"Failed to get data for '%s'";

namespace {

constexpr REGSAM kViewBits = KEY_WOW64_64KEY | KEY_WOW64_32KEY;

[[noreturn]] void Raise(const std::wstring& Msg, const std::wstring& Name) {
    throw ERegistryException(Format(Msg, {Name}));
}

bool IsRelative(const std::wstring& Key) { return Key.empty() || Key[0] != L'\\'; }

// Text of REG_SZ data of any size: odd bytes dropped, cut at the first zero.
std::wstring TextOfData(const std::string& Data) {
    std::wstring s(Data.size() / 2, L'\0');
    if (!s.empty())
        std::memcpy(s.data(), Data.data(), s.size() * sizeof(wchar_t));
    size_t z = s.find(L'\0');
    if (z != std::wstring::npos)
        s.resize(z);
    return s;
}

// A REG_DWORD of any size: up to four bytes, zero-extended.
int IntOfData(const std::string& Data) {
    uint32_t v = 0;
    std::memcpy(&v, Data.data(), Data.size() < 4 ? Data.size() : 4);
    return static_cast<int>(v);
}

// Makes a section key current for one access and puts the previous key back; the section
// key is the scope's and closed with it.
class TSectionScope {
public:
    TSectionScope(TRegistry& R, HKEY Key) : FReg(R), FOld(R.CurrentKey()), FKey(Key) { FReg.SetCurrentKey(Key); }
    ~TSectionScope() { FReg.SetCurrentKey(FOld); }
    TSectionScope(const TSectionScope&) = delete;
    TSectionScope& operator=(const TSectionScope&) = delete;

private:
    TRegistry& FReg;
    HKEY FOld;
    TRegKey FKey;
};

} // namespace

TRegDataType DataTypeToRegData(DWORD Value) {
    switch (Value) {
    case REG_SZ: return TRegDataType::rdString;
    case REG_EXPAND_SZ: return TRegDataType::rdExpandString;
    case REG_DWORD: return TRegDataType::rdInteger;
    case REG_BINARY: return TRegDataType::rdBinary;
    default: return TRegDataType::rdUnknown;
    }
}

DWORD RegDataToDataType(TRegDataType Value) {
    switch (Value) {
    case TRegDataType::rdString: return REG_SZ;
    case TRegDataType::rdExpandString: return REG_EXPAND_SZ;
    case TRegDataType::rdInteger: return REG_DWORD;
    case TRegDataType::rdBinary: return REG_BINARY;
    default: return REG_NONE;
    }
}

// ---------------------------------------------------------------------------------
// TRegistry

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM AAccess) : FAccess(AAccess) {}

TRegistry::~TRegistry() {
    CloseKey();
    if (FCloseRootKey)
        RegCloseKey(FRootKey);
}

void TRegistry::CloseKey() {
    if (FCurrentKey) {
        if (!LazyWrite)
            RegFlushKey(FCurrentKey);
        RegCloseKey(FCurrentKey);
        FCurrentKey = nullptr;
        FCurrentPath.clear();
    }
}

void TRegistry::SetRootKey(HKEY Value) {
    if (FRootKey == Value)
        return;
    if (FCloseRootKey) {
        RegCloseKey(FRootKey);
        FCloseRootKey = false;
    }
    FRootKey = Value;
    CloseKey();
}

void TRegistry::ChangeKey(HKEY Value, const std::wstring& Path) {
    CloseKey();
    FCurrentKey = Value;
    FCurrentPath = Path;
}

void TRegistry::ChangeKeyA(HKEY Value, const std::string& Path) { ChangeKey(Value, StringToWideStringEx(Path, CP_ACP)); }

HKEY TRegistry::GetBaseKey(bool Relative) const { return (FCurrentKey && Relative) ? FCurrentKey : FRootKey; }

bool TRegistry::CreateKey(const std::wstring& Key) {
    const bool relative = IsRelative(Key);
    std::wstring s = relative ? Key : Key.substr(1);
    TRegKey h;
    DWORD disp = 0;
    LONG r = RegCreateKeyExW(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS | (FAccess & kViewBits), nullptr, h.Put(), &disp);
    if (r != ERROR_SUCCESS)
        Raise(SRegCreateFailed, Key);
    return true;
}

bool TRegistry::OpenKey(const std::wstring& Key, bool CanCreate) {
    const bool relative = IsRelative(Key);
    std::wstring s = relative ? Key : Key.substr(1);
    HKEY h = nullptr;
    LONG r;
    if (!CanCreate || s.empty()) {
        r = RegOpenKeyExW(GetBaseKey(relative), s.c_str(), 0, FAccess, &h);
    } else {
        DWORD disp = 0;
        r = RegCreateKeyExW(GetBaseKey(relative), s.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr,
                            &h, &disp);
    }
    if (r != ERROR_SUCCESS)
        return false;
    if (FCurrentKey && relative && !FCurrentPath.empty())
        s = s.empty() ? FCurrentPath : FCurrentPath + L"\\" + s;
    ChangeKey(h, s);
    return true;
}

// An 8-bit key path in the system code page opens the same key as its wide form.
bool TRegistry::OpenKeyA(const std::string& Key, bool CanCreate) {
    return OpenKey(StringToWideStringEx(Key, CP_ACP), CanCreate);
}

bool TRegistry::OpenReadOnlyWith(const std::wstring& Key, REGSAM Extra) {
    const bool relative = IsRelative(Key);
    std::wstring s = relative ? Key : Key.substr(1);
    const REGSAM masks[] = {KEY_READ, STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                            KEY_QUERY_VALUE};
    for (REGSAM mask : masks) {
        HKEY h = nullptr;
        if (RegOpenKeyExW(GetBaseKey(relative), s.c_str(), 0, mask | Extra, &h) == ERROR_SUCCESS) {
            FAccess = mask | Extra;
            if (FCurrentKey && relative && !FCurrentPath.empty())
                s = s.empty() ? FCurrentPath : FCurrentPath + L"\\" + s;
            ChangeKey(h, s);
            return true;
        }
    }
    return false;
}

bool TRegistry::OpenKeyReadOnly(const std::wstring& Key) { return OpenReadOnlyWith(Key, FAccess & kViewBits); }

bool TRegistry::OpenKeyReadOnly64(const std::wstring& Key) { return OpenReadOnlyWith(Key, KEY_WOW64_64KEY); }

bool TRegistry::QueryValue(const std::wstring& Name, DWORD& Type, std::string& Data) const {
    if (!FCurrentKey)
        return false;
    DWORD size = 0;
    if (RegQueryValueExW(FCurrentKey, Name.c_str(), nullptr, &Type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    for (int attempt = 0; attempt < 8; ++attempt) {
        Data.assign(size, '\0');
        DWORD got = size;
        LONG r = RegQueryValueExW(FCurrentKey, Name.c_str(), nullptr, &Type,
                                  size ? reinterpret_cast<BYTE*>(Data.data()) : nullptr, &got);
        if (r == ERROR_SUCCESS) {
            Data.resize(got < size ? got : size);
            return true;
        }
        if (r != ERROR_MORE_DATA)
            return false;
        size = got > size ? got : size * 2 + 16; // the value grew meanwhile
    }
    return false;
}

bool TRegistry::GetDataInfo(const std::wstring& ValueName, TRegDataInfo& Value) const {
    Value = TRegDataInfo{};
    if (!FCurrentKey)
        return false;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(FCurrentKey, ValueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return false;
    Value.RegData = DataTypeToRegData(type);
    Value.DataSize = size;
    return true;
}

int TRegistry::GetDataSize(const std::wstring& ValueName) const {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? static_cast<int>(info.DataSize) : -1;
}

TRegDataType TRegistry::GetDataType(const std::wstring& ValueName) const {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.RegData : TRegDataType::rdUnknown;
}

bool TRegistry::ValueExists(const std::wstring& Name) const {
    TRegDataInfo info;
    return GetDataInfo(Name, info);
}

void TRegistry::WriteString(const std::wstring& Name, const std::wstring& Value) {
    PutData(Name, Value.c_str(), TRegDataType::rdString, static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t)));
}

std::wstring TRegistry::ReadString(const std::wstring& Name) const {
    if (GetDataSize(Name) < 1)
        return L"";
    DWORD type = 0;
    std::string data;
    if (!QueryValue(Name, type, data))
        Raise(SRegGetDataFailed, Name);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        Raise(SInvalidRegType, Name);
    return TextOfData(data);
}

int TRegistry::ReadInteger(const std::wstring& Name) const {
    DWORD type = 0;
    std::string data;
    if (!QueryValue(Name, type, data))
        Raise(SRegGetDataFailed, Name);
    if (type != REG_DWORD)
        Raise(SInvalidRegType, Name);
    return IntOfData(data);
}

void TRegistry::PutData(const std::wstring& Name, const void* Buffer, TRegDataType RegData, DWORD BufSize) {
    if (RegSetValueExW(FCurrentKey, Name.c_str(), 0, RegDataToDataType(RegData), static_cast<const BYTE*>(Buffer),
                       BufSize) != ERROR_SUCCESS)
        Raise(SRegSetDataFailed, Name);
}

int TRegistry::GetData(const std::wstring& Name, void* Buffer, DWORD BufSize, TRegDataType& RegData) const {
    DWORD type = REG_NONE;
    DWORD size = BufSize;
    if (RegQueryValueExW(FCurrentKey, Name.c_str(), nullptr, &type, static_cast<BYTE*>(Buffer), &size) !=
        ERROR_SUCCESS)
        Raise(SRegGetDataFailed, Name);
    RegData = DataTypeToRegData(type);
    return static_cast<int>(size);
}

HKEY TRegistry::GetKey(const std::wstring& Key) const {
    const bool relative = IsRelative(Key);
    std::wstring s = relative ? Key : Key.substr(1);
    HKEY h = nullptr;
    if (RegOpenKeyExW(GetBaseKey(relative), s.c_str(), 0, FAccess, &h) != ERROR_SUCCESS)
        return nullptr;
    return h;
}

// ---------------------------------------------------------------------------------
// TRegIniFile

TRegIniFile::TRegIniFile(const std::wstring& AFileName) : TRegIniFile(AFileName, KEY_ALL_ACCESS) {}

TRegIniFile::TRegIniFile(const std::wstring& AFileName, REGSAM AAccess) : TRegistry(AAccess), FFileName(AFileName) {
    OpenKey(AFileName, true);
}

std::wstring TRegIniFile::ReadString(const std::wstring& Section, const std::wstring& Ident,
                                     const std::wstring& Default) {
    HKEY key = GetKey(Section);
    if (!key)
        return Default;
    TSectionScope scope(*this, key);
    DWORD type = 0;
    std::string data;
    if (!QueryValue(Ident, type, data))
        return Default;
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return TextOfData(data);
    if (type == REG_DWORD)
        return IntToStr(IntOfData(data));
    return Default;
}

void TRegIniFile::WriteString(const std::wstring& Section, const std::wstring& Ident, const std::wstring& Value) {
    CreateKey(Section);
    HKEY key = GetKey(Section);
    if (!key)
        Raise(SRegSetDataFailed, Ident);
    TSectionScope scope(*this, key);
    TRegistry::WriteString(Ident, Value);
}

int TRegIniFile::ReadInteger(const std::wstring& Section, const std::wstring& Ident, int Default) {
    HKEY key = GetKey(Section);
    if (!key)
        return Default;
    TSectionScope scope(*this, key);
    DWORD type = 0;
    std::string data;
    if (!QueryValue(Ident, type, data))
        return Default;
    if (type == REG_SZ || type == REG_EXPAND_SZ)
        return StrToIntDefW(TextOfData(data), Default);
    if (type == REG_DWORD)
        return IntOfData(data);
    return Default;
}

void TRegIniFile::WriteInteger(const std::wstring& Section, const std::wstring& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const std::wstring& Section, const std::wstring& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::wstring& Section, const std::wstring& Ident, bool Value) {
    WriteString(Section, Ident, Value ? L"1" : L"0");
}

} // namespace WRegistry
