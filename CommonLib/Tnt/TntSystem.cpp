#include "TntSystem.h"

#include "SysUtils.h"
#include "TntSysUtils.h"
#include "TntWindows.h"

#include <cstring>

// ---------------------------------------------------------------------------------
// Platform flags

// The values of every system the program supports (Windows 7 and later), so that code
// running before this unit's start-up sees sound values; start-up then reads the real version.
bool Win32PlatformIsUnicode = true;
bool Win32PlatformIsXP = true;
bool Win32PlatformIs2003 = true;
bool Win32PlatformIsVista = true;

// Every system this program runs on is NT 5 or later: the thread's ANSI code page.
UINT DefaultSystemCodePage = CP_THREAD_ACP;

namespace {

struct TPlatformFlagsInit {
    TPlatformFlagsInit() {
        InitRuntime();
        Win32PlatformIsUnicode = (Win32Platform == VER_PLATFORM_WIN32_NT);
        Win32PlatformIsXP = (Win32MajorVersion == 5 && Win32MinorVersion >= 1) || Win32MajorVersion >= 6;
        Win32PlatformIs2003 = (Win32MajorVersion == 5 && Win32MinorVersion >= 2) || Win32MajorVersion >= 6;
        Win32PlatformIsVista = Win32MajorVersion >= 6;
    }
};
const TPlatformFlagsInit g_PlatformFlagsInit;

TTntSystemUpdateSet g_InstalledUpdates = 0;
// The start value of DefaultSystemCodePage, given back when the updates are removed.
const UINT g_StartCodePage = CP_THREAD_ACP;

} // namespace

// ---------------------------------------------------------------------------------
// Command line

size_t WideGetParamStr(std::wstring_view CmdLine, size_t Pos, WideString& Param) {
    const size_t n = CmdLine.size();
    auto at = [&](size_t i) -> wchar_t { return i < n ? CmdLine[i] : L'\0'; };
    // Blanks, control characters and empty quote pairs separate arguments.
    for (;;) {
        const wchar_t c = at(Pos);
        if (c >= 1 && c <= 32)
            ++Pos;
        else if (c == L'"' && at(Pos + 1) == L'"')
            Pos += 2;
        else
            break;
    }
    Param.clear();
    while (at(Pos) > 32) {
        if (at(Pos) == L'"') {
            ++Pos;
            while (at(Pos) != L'\0' && at(Pos) != L'"')
                Param += CmdLine[Pos++];
            if (at(Pos) == L'"')
                ++Pos;
        } else {
            Param += CmdLine[Pos++];
        }
    }
    return Pos;
}

int WideParamCountOf(std::wstring_view CmdLine) {
    WideString param;
    size_t pos = WideGetParamStr(CmdLine, 0, param);
    int count = 0;
    for (;;) {
        pos = WideGetParamStr(CmdLine, pos, param);
        if (param.empty())
            return count;
        ++count;
    }
}

WideString WideParamStrOf(std::wstring_view CmdLine, int Index) {
    WideString param;
    if (Index < 0)
        return param;
    size_t pos = 0;
    for (int i = 0; i <= Index; ++i) {
        pos = WideGetParamStr(CmdLine, pos, param);
        if (param.empty())
            break;
    }
    return param;
}

int WideParamCount() {
    return WideParamCountOf(GetCommandLineW());
}

WideString WideParamStr(int Index) {
    if (Index == 0)
        return WideGetModuleFileName(nullptr);
    return WideParamStrOf(GetCommandLineW(), Index);
}

// ---------------------------------------------------------------------------------
// Resource strings

WideString WideLoadResString(const TResStringRec* ResStringRec) {
    if (!ResStringRec)
        return WideString();
    if (ResStringRec->Identifier < 65536) {
        // A zero buffer length gives a pointer to the resource text itself, so strings of
        // any length come back whole.
        const wchar_t* text = nullptr;
        const int len = Tnt_LoadStringW(ResStringRec->Module, static_cast<UINT>(ResStringRec->Identifier),
                                        reinterpret_cast<LPWSTR>(&text), 0);
        if (len <= 0 || !text)
            return WideString();
        return WideString(text, static_cast<size_t>(len));
    }
    const char* text = reinterpret_cast<const char*>(ResStringRec->Identifier);
    const size_t len = std::strlen(text);
    if (len > 3 && std::memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        return UTF8ToWideString(std::string_view(text + 3, len - 3));
    return DefaultAnsiToWide(std::string_view(text, len));
}

bool Tnt_Is_IntResource(const wchar_t* ResStr) {
    return (reinterpret_cast<uintptr_t>(ResStr) >> 16) == 0;
}

// ---------------------------------------------------------------------------------
// UTF-8

AnsiString WideStringToUTF8(std::wstring_view WS) {
    AnsiString out;
    out.reserve(WS.size() + WS.size() / 2);
    const size_t n = WS.size();
    for (size_t i = 0; i < n; ++i) {
        const uint32_t c = WS[i];
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && WS[i + 1] >= 0xDC00 && WS[i + 1] <= 0xDFFF) {
            const uint32_t cp = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(WS[i + 1]) - 0xDC00);
            ++i;
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            // Also a lone surrogate, so that such text survives a round trip.
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

WideString UTF8ToWideString(std::string_view S) {
    WideString out;
    out.reserve(S.size());
    const size_t n = S.size();
    auto cont = [&](size_t i) -> int {
        if (i >= n)
            return -1;
        const auto b = static_cast<uint8_t>(S[i]);
        return (b & 0xC0) == 0x80 ? (b & 0x3F) : -1;
    };
    size_t i = 0;
    while (i < n) {
        const auto lead = static_cast<uint8_t>(S[i]);
        if (lead < 0x80) {
            out += static_cast<wchar_t>(lead);
            ++i;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            const int b1 = cont(i + 1);
            if (b1 < 0)
                return WideString();
            out += static_cast<wchar_t>(((lead & 0x1F) << 6) | b1);
            i += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            const int b1 = cont(i + 1), b2 = cont(i + 2);
            if (b1 < 0 || b2 < 0)
                return WideString();
            const uint32_t c = ((lead & 0x0F) << 12) | (b1 << 6) | b2;
            if (c < 0x800)
                return WideString(); // overlong
            out += static_cast<wchar_t>(c);
            i += 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            const int b1 = cont(i + 1), b2 = cont(i + 2), b3 = cont(i + 3);
            if (b1 < 0 || b2 < 0 || b3 < 0)
                return WideString();
            const uint32_t cp = ((lead & 0x07) << 18) | (b1 << 12) | (b2 << 6) | b3;
            if (cp < 0x10000 || cp > 0x10FFFF)
                return WideString();
            out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            i += 4;
        } else {
            // A stray continuation byte, an overlong two-byte lead or a lead that UTF-8 lacks.
            return WideString();
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------
// UTF-7

namespace {

const char kBase64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kDirectChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789'(),-./:?";
const char kOptionalDirectChars[] = "!\"#$%&*;<=>@[]^_`{|}";
const char kSpaceChars[] = "\t\r\n ";

struct TUTF7Tables {
    bool MustShiftSafe[128];
    bool MustShiftOptional[128];
    int8_t InvBase64[128];

    TUTF7Tables() {
        for (int i = 0; i < 128; ++i) {
            MustShiftSafe[i] = true;
            MustShiftOptional[i] = true;
            InvBase64[i] = -1;
        }
        for (const char* p = kDirectChars; *p; ++p)
            MustShiftSafe[static_cast<uint8_t>(*p)] = MustShiftOptional[static_cast<uint8_t>(*p)] = false;
        for (const char* p = kSpaceChars; *p; ++p)
            MustShiftSafe[static_cast<uint8_t>(*p)] = MustShiftOptional[static_cast<uint8_t>(*p)] = false;
        for (const char* p = kOptionalDirectChars; *p; ++p)
            MustShiftOptional[static_cast<uint8_t>(*p)] = false;
        for (int i = 0; kBase64Chars[i]; ++i)
            InvBase64[static_cast<uint8_t>(kBase64Chars[i])] = static_cast<int8_t>(i);
    }
};

const TUTF7Tables& UTF7Tables() {
    static const TUTF7Tables tables;
    return tables;
}

bool IsBase64Char(wchar_t c) {
    return c < 128 && UTF7Tables().InvBase64[c] >= 0;
}

} // namespace

AnsiString WideStringToUTF7(std::wstring_view WS) {
    const TUTF7Tables& t = UTF7Tables();
    AnsiString out;
    out.reserve(WS.size() * 2);
    bool inRun = false;
    uint32_t bits = 0;
    int bitCount = 0;
    for (const wchar_t c : WS) {
        const bool shift = c > 127 || t.MustShiftOptional[c];
        if (shift) {
            if (!inRun) {
                out += '+';
                if (c == L'+') {
                    out += '-';
                    continue;
                }
                inRun = true;
            }
            bits = (bits << 16) | c;
            bitCount += 16;
            while (bitCount >= 6) {
                bitCount -= 6;
                out += kBase64Chars[(bits >> bitCount) & 0x3F];
            }
        } else {
            if (inRun) {
                if (bitCount > 0)
                    out += kBase64Chars[(bits << (6 - bitCount)) & 0x3F];
                bitCount = 0;
                bits = 0;
                inRun = false;
                if (IsBase64Char(c) || c == L'-')
                    out += '-';
            }
            out += static_cast<char>(c);
        }
    }
    if (inRun && bitCount > 0)
        out += kBase64Chars[(bits << (6 - bitCount)) & 0x3F];
    return out;
}

WideString UTF7ToWideString(std::string_view S) {
    const TUTF7Tables& t = UTF7Tables();
    WideString out;
    out.reserve(S.size());
    bool illegal = false;
    bool inRun = false;
    uint32_t bits = 0;
    int bitCount = 0;
    size_t runChars = 0;
    size_t runUnits = 0;

    // Ends a run at the byte Next (0 at the end of the text); '-' pairs with '+' as "+-".
    auto endRun = [&](bool nextIsMinus) {
        if (runChars == 0 && nextIsMinus)
            out += L'+';
        else if (runUnits == 0)
            illegal = true;
        if (bitCount > 0 && (bits & ((1u << bitCount) - 1)) != 0)
            illegal = true;
        inRun = false;
    };

    size_t i = 0;
    while (i < S.size()) {
        const auto b = static_cast<uint8_t>(S[i]);
        if (!inRun) {
            if (b == '+') {
                inRun = true;
                bits = 0;
                bitCount = 0;
                runChars = 0;
                runUnits = 0;
            } else {
                if (b > 127)
                    illegal = true;
                out += static_cast<wchar_t>(b);
            }
            ++i;
        } else if (b < 128 && t.InvBase64[b] >= 0) {
            bits = (bits << 6) | static_cast<uint32_t>(t.InvBase64[b]);
            bitCount += 6;
            ++runChars;
            if (bitCount >= 16) {
                bitCount -= 16;
                out += static_cast<wchar_t>((bits >> bitCount) & 0xFFFF);
                ++runUnits;
            }
            bits &= (1u << bitCount) - 1;
            ++i;
        } else {
            endRun(b == '-');
            if (b == '-')
                ++i; // the run's terminator is dropped; any other byte is read again outside the run
        }
    }
    if (inRun)
        endRun(false);
    if (illegal)
        throw ETntGeneralError(L"Invalid UTF7");
    return out;
}

// ---------------------------------------------------------------------------------
// Code pages

namespace {

WideString MultiByteToWide(std::string_view S, UINT CodePage) {
    if (S.empty() || S.size() > INT_MAX)
        return WideString();
    const int len = static_cast<int>(S.size());
    // A code page never gives more UTF-16 units than it had bytes.
    if (S.size() < 2047) {
        wchar_t buf[2047];
        const int got = MultiByteToWideChar(CodePage, 0, S.data(), len, buf, 2047);
        return got > 0 ? WideString(buf, static_cast<size_t>(got)) : WideString();
    }
    WideString out(S.size(), L'\0');
    const int got = MultiByteToWideChar(CodePage, 0, S.data(), len, out.data(), len);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

AnsiString WideToMultiByte(std::wstring_view WS, UINT CodePage) {
    if (WS.empty() || WS.size() > INT_MAX / 4)
        return AnsiString();
    const int len = static_cast<int>(WS.size());
    if (WS.size() < 1023) {
        char buf[4095];
        const int got = WideCharToMultiByte(CodePage, 0, WS.data(), len, buf, sizeof buf, nullptr, nullptr);
        if (got > 0)
            return AnsiString(buf, static_cast<size_t>(got));
    }
    const int need = WideCharToMultiByte(CodePage, 0, WS.data(), len, nullptr, 0, nullptr, nullptr);
    if (need <= 0)
        return AnsiString();
    AnsiString out(static_cast<size_t>(need), '\0');
    const int got = WideCharToMultiByte(CodePage, 0, WS.data(), len, out.data(), need, nullptr, nullptr);
    out.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return out;
}

} // namespace

WideString StringToWideStringEx(std::string_view S, UINT CodePage) {
    switch (CodePage) {
    case CP_UTF7:
        return UTF7ToWideString(S);
    case CP_UTF8:
        return UTF8ToWideString(S);
    default:
        return MultiByteToWide(S, CodePage);
    }
}

AnsiString WideStringToStringEx(std::wstring_view WS, UINT CodePage) {
    switch (CodePage) {
    case CP_UTF7:
        return WideStringToUTF7(WS);
    case CP_UTF8:
        return WideStringToUTF8(WS);
    default:
        return WideToMultiByte(WS, CodePage);
    }
}

WideString DefaultAnsiToWide(std::string_view S) {
    return StringToWideStringEx(S, DefaultSystemCodePage);
}

AnsiString DefaultWideToAnsi(std::wstring_view WS) {
    return WideStringToStringEx(WS, DefaultSystemCodePage);
}

int LCIDToCodePage(LCID Locale) {
    wchar_t buf[7] = {};
    if (GetLocaleInfoW(Locale, LOCALE_IDEFAULTANSICODEPAGE, buf, 7) > 0) {
        int value = 0;
        if (TryStrToInt(buf, value))
            return value;
    }
    return static_cast<int>(GetACP());
}

int KeyboardCodePage() {
    return LCIDToCodePage(LOWORD(reinterpret_cast<uintptr_t>(GetKeyboardLayout(0))));
}

wchar_t KeyUnicode(wchar_t C) {
    if (C >= 256)
        return C;
    const char b = static_cast<char>(C);
    wchar_t w = 0;
    if (MultiByteToWideChar(static_cast<UINT>(KeyboardCodePage()), MB_USEGLYPHCHARS, &b, 1, &w, 1) == 1)
        return w;
    return C;
}

void StrSwapByteOrder(wchar_t* P) {
    if (!P)
        return;
    for (; *P; ++P)
        *P = static_cast<wchar_t>(((*P & 0xFF) << 8) | ((*P >> 8) & 0xFF));
}

// ---------------------------------------------------------------------------------
// System updates

void InstallTntSystemUpdates(TTntSystemUpdateSet Updates) {
    g_InstalledUpdates = Updates;
    // Default conversions then follow the system's ANSI code page, not the thread's locale.
    if (Updates & tsuCodePage)
        DefaultSystemCodePage = CP_ACP;
}

void UninstallTntSystemUpdates() {
    g_InstalledUpdates = 0;
    DefaultSystemCodePage = g_StartCodePage;
}

TTntSystemUpdateSet TntSystemUpdatesInstalled() {
    return g_InstalledUpdates;
}
