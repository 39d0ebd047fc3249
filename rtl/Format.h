// The program's formatter: Format(L"%s has %d items", {name, count}).
// Arguments are typed; a specifier that does not fit its argument raises EConvertError.
#pragma once

#include "System.h"

#include <initializer_list>
#include <string>
#include <string_view>

// One typed argument of Format.
struct TVarRec {
    enum Kind { vtInt64, vtUInt64, vtExtended, vtWideString, vtWideChar, vtPointer, vtBoolean };
    Kind VType;
    union {
        int64_t VInt64;
        uint64_t VUInt64;
        double VExtended;
        const void* VPointer;
        wchar_t VWideChar;
        bool VBoolean;
    };
    std::wstring_view VWideString;

    TVarRec(int v) : VType(vtInt64), VInt64(v) {}
    TVarRec(long v) : VType(vtInt64), VInt64(v) {}
    TVarRec(long long v) : VType(vtInt64), VInt64(v) {}
    TVarRec(unsigned v) : VType(vtUInt64), VUInt64(v) {}
    TVarRec(unsigned long v) : VType(vtUInt64), VUInt64(v) {}
    TVarRec(unsigned long long v) : VType(vtUInt64), VUInt64(v) {}
    TVarRec(double v) : VType(vtExtended), VExtended(v) {}
    TVarRec(long double v) : VType(vtExtended), VExtended(static_cast<double>(v)) {}
    TVarRec(const std::wstring& v) : VType(vtWideString), VInt64(0), VWideString(v) {}
    TVarRec(std::wstring_view v) : VType(vtWideString), VInt64(0), VWideString(v) {}
    TVarRec(const wchar_t* v) : VType(vtWideString), VInt64(0), VWideString(v ? v : L"") {}
    TVarRec(wchar_t v) : VType(vtWideChar), VWideChar(v) {}
    TVarRec(bool v) : VType(vtBoolean), VBoolean(v) {}
    TVarRec(const void* v) : VType(vtPointer), VPointer(v) {}
    TVarRec(std::nullptr_t) : VType(vtPointer), VPointer(nullptr) {}
};

using TFormatArgs = std::initializer_list<TVarRec>;

// Grammar of a specifier: "%" [index ":"] ["-"] [width] ["." prec] type, with width and
// precision either digits or "*" (taken from the next argument); "%%" is a percent sign.
// Types: d u x (integers), e f g n m (floats), p (pointer), s (string or character).
// Errors: EConvertError "Format '%s' invalid or incompatible with argument" and
// "No argument for format '%s'".
std::wstring Format(std::wstring_view fmt, const TVarRec* args, size_t count);
std::wstring Format(std::wstring_view fmt, const TVarRec* args, size_t count, const TFormatSettings& fs);
inline std::wstring Format(std::wstring_view fmt, TFormatArgs args = {}) {
    return Format(fmt, args.begin(), args.size());
}
inline std::wstring Format(std::wstring_view fmt, TFormatArgs args, const TFormatSettings& fs) {
    return Format(fmt, args.begin(), args.size(), fs);
}
// The library's name for the same wide formatter.
inline std::wstring WideFormatBuf(std::wstring_view fmt, TFormatArgs args = {}) { return Format(fmt, args); }

// Floating-point text the way the formatter writes it (format 'f', 'e', 'g', 'n', 'm').
std::wstring FormatFloatSpec(wchar_t type, double value, int precision, const TFormatSettings& fs);
