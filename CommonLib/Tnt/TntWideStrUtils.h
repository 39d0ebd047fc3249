// Zero-terminated wide buffers.
#pragma once

#include "System.h"

#include <cstddef>
#include <cstdint>

// Allocates room for Size characters; the 32-bit byte count (Size * 2 + 4) is stored in the
// four bytes before the returned address. Free with WStrDispose.
wchar_t* WStrAlloc(uint32_t Size);
// A WStrAlloc copy of Str including its terminator; nullptr for nullptr.
wchar_t* WStrNew(const wchar_t* Str);
// Frees a WStrAlloc buffer; nullptr is ignored.
void WStrDispose(wchar_t* Str);

// Characters before the #0 (0 for nullptr) / address of the #0.
size_t WStrLen(const wchar_t* Str);
wchar_t* WStrEnd(const wchar_t* Str);
// Copies Count characters; the areas may overlap. Returns Dest.
wchar_t* WStrMove(wchar_t* Dest, const wchar_t* Source, size_t Count);
// Copies up to MaxLen characters, stopping at #0, and terminates. Returns Dest.
wchar_t* WStrLCopy(wchar_t* Dest, const wchar_t* Source, size_t MaxLen);
wchar_t* WStrCopy(wchar_t* Dest, const wchar_t* Source);
// The same from a WideString: its whole length / at most MaxLen characters.
wchar_t* WStrPCopy(wchar_t* Dest, const WideString& Source);
wchar_t* WStrPLCopy(wchar_t* Dest, const WideString& Source, size_t MaxLen);
// Address of the first Chr in Str, or nullptr when the #0 comes first.
wchar_t* WStrScan(const wchar_t* Str, wchar_t Chr);

// Address of the last character of S; nullptr for ''.
wchar_t* WideLastChar(WideString& S);
const wchar_t* WideLastChar(const WideString& S);
