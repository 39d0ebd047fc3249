// Single registry values read and written in one call each; every function opens and
// closes its own key and none of them raises.
#pragma once

#include "System.h"

#include <string>

// RegReadStrDef with Default ''.
void RegReadStr(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value);
// A string value's text or a REG_DWORD's decimal text, else Default; environment
// variables in the result are expanded.
void RegReadStrDef(HKEY Root, const std::wstring& Key, const std::wstring& Name, std::wstring& Value,
                   const std::wstring& Default);
// A REG_DWORD value, else Default.
int RegReadInt(HKEY Root, const std::wstring& Key, const std::wstring& Name, int Default);
// Writes a REG_DWORD, creating Key; nothing when the key cannot be opened.
void RegWriteInt(HKEY Root, const std::wstring& Key, const std::wstring& Name, int Value);
bool RegReadBoolValue(HKEY Root, const std::wstring& Key, const std::wstring& Name, bool Default);
void RegWriteBoolValue(HKEY Root, const std::wstring& Key, const std::wstring& Name, bool Value);
