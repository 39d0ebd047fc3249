#include "TntWideStrUtils.h"

#include <cstdlib>
#include <cstring>
#include <new>

wchar_t* WStrAlloc(uint32_t Size) {
    if (Size > (UINT32_MAX - 4) / 2)
        throw std::bad_alloc();
    const uint32_t bytes = Size * 2 + 4;
    auto* block = static_cast<uint8_t*>(std::malloc(bytes));
    if (!block)
        throw std::bad_alloc();
    std::memcpy(block, &bytes, 4);
    return reinterpret_cast<wchar_t*>(block + 4);
}

wchar_t* WStrNew(const wchar_t* Str) {
    if (!Str)
        return nullptr;
    const size_t len = WStrLen(Str);
    wchar_t* result = WStrAlloc(static_cast<uint32_t>(len + 1));
    WStrMove(result, Str, len + 1);
    return result;
}

void WStrDispose(wchar_t* Str) {
    if (Str)
        std::free(reinterpret_cast<uint8_t*>(Str) - 4);
}

size_t WStrLen(const wchar_t* Str) {
    if (!Str)
        return 0;
    const wchar_t* p = Str;
    while (*p)
        ++p;
    return static_cast<size_t>(p - Str);
}

wchar_t* WStrEnd(const wchar_t* Str) {
    const wchar_t* p = Str;
    while (*p)
        ++p;
    return const_cast<wchar_t*>(p);
}

wchar_t* WStrMove(wchar_t* Dest, const wchar_t* Source, size_t Count) {
    if (Count)
        std::memmove(Dest, Source, Count * sizeof(wchar_t));
    return Dest;
}

wchar_t* WStrLCopy(wchar_t* Dest, const wchar_t* Source, size_t MaxLen) {
    size_t i = 0;
    for (; i < MaxLen && Source[i]; ++i)
        Dest[i] = Source[i];
    Dest[i] = L'\0';
    return Dest;
}

wchar_t* WStrCopy(wchar_t* Dest, const wchar_t* Source) {
    return WStrLCopy(Dest, Source, SIZE_MAX);
}

wchar_t* WStrPCopy(wchar_t* Dest, const WideString& Source) {
    return WStrLCopy(Dest, Source.c_str(), Source.size());
}

wchar_t* WStrPLCopy(wchar_t* Dest, const WideString& Source, size_t MaxLen) {
    return WStrLCopy(Dest, Source.c_str(), MaxLen < Source.size() ? MaxLen : Source.size());
}

wchar_t* WStrScan(const wchar_t* Str, wchar_t Chr) {
    for (const wchar_t* p = Str;; ++p) {
        if (*p == Chr)
            return const_cast<wchar_t*>(p);
        if (!*p)
            return nullptr;
    }
}

wchar_t* WideLastChar(WideString& S) {
    return S.empty() ? nullptr : &S.back();
}

const wchar_t* WideLastChar(const WideString& S) {
    return S.empty() ? nullptr : &S.back();
}
