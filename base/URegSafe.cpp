#include "URegSafe.h"

#include "SysUtils.h"
#include "UAuxFile.h"
#include "WRegistry.h"

using WRegistry::TRegDataType;
using WRegistry::TRegistry;

namespace {

bool OpenForRead(TRegistry& Reg, HKEY Root, const std::wstring& Key) {
    Reg.SetRootKey(Root);
    return Reg.OpenKeyReadOnly(Key);
}

} // namespace

void RegReadStr(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value) {
    RegReadStrDef(Root, Key, Name, Value, L"");
}

void RegReadStrDef(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value,
                   const std::wstring& Default) {
    Value = Default;
    try {
        TRegistry reg;
        if (OpenForRead(reg, Root, Key) && reg.ValueExists(Name)) {
            switch (reg.GetDataType(Name)) {
            case TRegDataType::rdString:
            case TRegDataType::rdExpandString: Value = reg.ReadString(Name); break;
            case TRegDataType::rdInteger: Value = IntToStr(reg.ReadInteger(Name)); break;
            default: break;
            }
        }
    } catch (const Exception&) {
        Value = Default;
    }
    ExpandEnvInPlaceW(Value);
}

int RegReadInt(HKEY Root, const std::wstring& Key, const std::wstring& Name, int Default) {
    try {
        TRegistry reg;
        if (OpenForRead(reg, Root, Key) && reg.GetDataType(Name) == TRegDataType::rdInteger)
            return reg.ReadInteger(Name);
    } catch (const Exception&) {
    }
    return Default;
}

void RegWriteInt(HKEY Root, const std::wstring& Key, const std::wstring& Name, int Value) {
    try {
        TRegistry reg;
        reg.SetRootKey(Root);
        if (reg.OpenKey(Key, true)) {
            DWORD v = static_cast<DWORD>(Value);
            reg.PutData(Name, &v, TRegDataType::rdInteger, sizeof v);
        }
    } catch (const Exception&) {
    }
}

bool RegReadBoolValue(HKEY Root, const std::wstring& Key, const std::wstring& Name, bool Default) {
    try {
        TRegistry reg;
        if (OpenForRead(reg, Root, Key) && reg.GetDataType(Name) == TRegDataType::rdInteger)
            return reg.ReadInteger(Name) != 0;
    } catch (const Exception&) {
    }
    return Default;
}

void RegWriteBoolValue(HKEY Root, const std::wstring& Key, const std::wstring& Name, bool Value) {
    RegWriteInt(Root, Key, Name, Value ? 1 : 0);
}
