#include "UAuxFile.h"

#include "Handles.h"

#include "SysUtils.h"
#include "TntClasses.h"
#include "TntSysUtils.h"
#include "TntSystem.h"
#include "ULongPath.h"
#include "UUtilsW.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

TMbcsState g_Mbcs;

struct TMbcsStartup {
    TMbcsStartup() { InitLeadBytes(-1); }
} g_MbcsStartup;

// Widens an 8-bit text by byte value.
std::wstring Widen(const std::string& S) {
    std::wstring r(S.size(), L'\0');
    for (size_t i = 0; i < S.size(); ++i)
        r[i] = static_cast<wchar_t>(static_cast<unsigned char>(S[i]));
    return r;
}

wchar_t WidenChar(char Ch) { return static_cast<wchar_t>(static_cast<unsigned char>(Ch)); }

std::wstring UpperW(std::wstring S) {
    if (!S.empty())
        CharUpperBuffW(S.data(), static_cast<DWORD>(S.size()));
    return S;
}

std::string UpperA(std::string S) {
    if (!S.empty())
        CharUpperBuffA(S.data(), static_cast<DWORD>(S.size()));
    return S;
}

template <class Str>
int FindFrom(const Str& S, const Str& Sub, size_t From0) {
    if (Sub.empty() || From0 >= S.size())
        return 0;
    size_t p = S.find(Sub, From0);
    return p == Str::npos ? 0 : static_cast<int>(p) + 1;
}

template <class Str>
int NthOccurrence(const Str& S, const Str& Sub, int N) {
    if (N < 1 || Sub.empty())
        return 0;
    size_t from = 0;
    int result = 0;
    for (int k = 0; k < N; ++k) {
        size_t p = S.find(Sub, from);
        if (p == Str::npos)
            return 0;
        result = static_cast<int>(p) + 1;
        from = p + Sub.size();
    }
    return result;
}

bool IsTrailAt(const std::string& S, size_t Index0) { return ByteTypeAt(S, static_cast<int>(Index0)) == 2; }

// Positions (1-based) of Ch at character starts of an 8-bit text.
std::vector<int> MbcsCharPositions(const std::string& S, char Ch) {
    std::vector<int> pos;
    const bool farEast = g_Mbcs.FarEast;
    for (size_t i = 0; i < S.size();) {
        unsigned char b = static_cast<unsigned char>(S[i]);
        if (S[i] == Ch)
            pos.push_back(static_cast<int>(i) + 1);
        i += (farEast && g_Mbcs.IsLeadByte(b) && i + 1 < S.size()) ? 2 : 1;
    }
    return pos;
}

// One-pass replace over a search text whose positions match S one to one.
int ReplaceCore(std::wstring& S, const std::wstring& SearchIn, const std::wstring& Find,
                const std::wstring& Replace, int StartPos, int MaxCount) {
    if (S.empty() || Find.empty())
        return 0;
    if (StartPos < 1)
        StartPos = 1;
    size_t from = static_cast<size_t>(StartPos) - 1;
    if (from >= S.size())
        return 0;
    std::wstring out;
    size_t copied = 0;
    int count = 0;
    for (;;) {
        size_t p = SearchIn.find(Find, from);
        if (p == std::wstring::npos)
            break;
        if (count == 0)
            out.reserve(S.size() + (Replace.size() > Find.size() ? (Replace.size() - Find.size()) * 8 : 0));
        out.append(S, copied, p - copied);
        out += Replace;
        copied = p + Find.size();
        from = copied;
        ++count;
        if (MaxCount > 0 && count == MaxCount)
            break;
    }
    if (count == 0)
        return 0;
    out.append(S, copied, std::wstring::npos);
    S.swap(out);
    return count;
}

bool IsAsciiSameChar(wchar_t a, wchar_t b) {
    if (a >= L'A' && a <= L'Z')
        a = static_cast<wchar_t>(a + 0x20);
    if (b >= L'A' && b <= L'Z')
        b = static_cast<wchar_t>(b + 0x20);
    return a == b;
}

template <class Str>
bool IsIntegerStrT(const Str& S) {
    if (S.empty())
        return false;
    auto c0 = S[0];
    if (!(c0 == '+' || c0 == '-' || (c0 >= '0' && c0 <= '9')))
        return false;
    for (size_t i = 1; i < S.size(); ++i)
        if (!(S[i] >= '0' && S[i] <= '9'))
            return false;
    return true;
}

template <class Str>
int StrToIntDefT(const Str& Raw, int Default) {
    size_t b = 0, e = Raw.size();
    while (b < e && static_cast<unsigned>(Raw[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned>(Raw[e - 1]) <= 32)
        --e;
    Str S = Raw.substr(b, e - b);
    if (!IsIntegerStrT(S))
        return Default;
    bool neg = S[0] == '-';
    size_t i = (S[0] == '+' || S[0] == '-') ? 1 : 0;
    if (i >= S.size())
        return Default;
    int64_t v = 0;
    for (; i < S.size(); ++i) {
        v = v * 10 + (S[i] - '0');
        if (v > 2147483648LL)
            return Default;
    }
    if (neg)
        v = -v;
    if (v > 2147483647LL || v < -2147483648LL)
        return Default;
    return static_cast<int>(v);
}

// The system's find functions by character width.
inline HANDLE FindFirstEntry(const std::wstring& Mask, WIN32_FIND_DATAW* fd) { return FindFirstFileW(Mask.c_str(), fd); }
inline HANDLE FindFirstEntry(const std::string& Mask, WIN32_FIND_DATAA* fd) { return FindFirstFileA(Mask.c_str(), fd); }
inline BOOL FindNextEntry(HANDLE h, WIN32_FIND_DATAW* fd) { return FindNextFileW(h, fd); }
inline BOOL FindNextEntry(HANDLE h, WIN32_FIND_DATAA* fd) { return FindNextFileA(h, fd); }

// Calls Fn for every entry matching Mask until it returns false.
template <class TFindData, class TText, class F>
void ForEachEntry(const TText& Mask, F Fn) {
    if (Mask.empty())
        return;
    TFindData fd;
    TFindHandle h(FindFirstEntry(Mask, &fd));
    if (!h)
        return;
    do {
        if (!Fn(fd))
            break;
    } while (FindNextEntry(h.Get(), &fd));
}

template <class F>
void ForEachEntryW(const std::wstring& Mask, F Fn) { ForEachEntry<WIN32_FIND_DATAW>(Mask, Fn); }
template <class F>
void ForEachEntryA(const std::string& Mask, F Fn) { ForEachEntry<WIN32_FIND_DATAA>(Mask, Fn); }

bool IsDots(const wchar_t* name) { return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)); }

std::wstring CurrentDir() {
    DWORD n = GetCurrentDirectoryW(0, nullptr);
    while (n > 0) {
        std::wstring buf(n, L'\0');
        DWORD m = GetCurrentDirectoryW(n, buf.data());
        if (m == 0)
            return L"";
        if (m < n) {
            buf.resize(m);
            return buf;
        }
        n = m;
    }
    return L"";
}

std::wstring FullPathOf(const std::wstring& Path) {
    DWORD n = GetFullPathNameW(Path.c_str(), 0, nullptr, nullptr);
    while (n > 0) {
        std::wstring buf(n, L'\0');
        DWORD m = GetFullPathNameW(Path.c_str(), n, buf.data(), nullptr);
        if (m == 0)
            break;
        if (m < n) {
            buf.resize(m);
            return buf;
        }
        n = m;
    }
    return Path;
}

const wchar_t kExtPrefix[] = L"\\\\?\\";
const wchar_t kExtUncPrefix[] = L"\\\\?\\UNC\\";

// The extended-length form of a path ("\\?\C:\..." or "\\?\UNC\server\share\...").
std::wstring ExtendedPath(const std::wstring& Path) {
    if (Path.compare(0, 4, kExtPrefix) == 0)
        return Path;
    std::wstring full = FullPathOf(Path);
    if (full.compare(0, 2, L"\\\\") == 0)
        return kExtUncPrefix + full.substr(2);
    return kExtPrefix + full;
}

// Removes the extended-length prefix again.
std::wstring PlainPath(const std::wstring& Path) {
    if (Path.compare(0, 8, kExtUncPrefix) == 0)
        return L"\\\\" + Path.substr(8);
    if (Path.compare(0, 4, kExtPrefix) == 0)
        return Path.substr(4);
    return Path;
}

std::wstring ShortNameRaw(const std::wstring& Path) {
    DWORD n = GetShortPathNameW(Path.c_str(), nullptr, 0);
    while (n > 0) {
        std::wstring buf(n, L'\0');
        DWORD m = GetShortPathNameW(Path.c_str(), buf.data(), n);
        if (m == 0)
            break;
        if (m < n) {
            buf.resize(m);
            return buf;
        }
        n = m;
    }
    return L"";
}

DWORD ExtAttributes(const std::wstring& Path) { return GetFileAttributesW(ExtendedPath(Path).c_str()); }

} // namespace

// ---------------------------------------------------------------------------------
// MBCS state

void InitLeadBytes(int CodePage) {
    TMbcsState s;
    s.CodePage = CodePage < 0 ? static_cast<int>(GetACP()) : CodePage;
    CPINFO info{};
    if (GetCPInfo(static_cast<UINT>(s.CodePage), &info)) {
        s.MaxCharSize = static_cast<int>(info.MaxCharSize);
        s.FarEast = s.MaxCharSize > 1;
        if (s.FarEast) {
            for (int r = 0; r + 1 < MAX_LEADBYTES; r += 2) {
                BYTE lo = info.LeadByte[r], hi = info.LeadByte[r + 1];
                if (lo == 0 && hi == 0)
                    break;
                for (int b = lo; b <= hi; ++b)
                    s.LeadBytes[b >> 3] |= static_cast<uint8_t>(1u << (b & 7));
            }
        }
    }
    g_Mbcs = s;
}

const TMbcsState& MbcsState() { return g_Mbcs; }

int ByteTypeAt(const std::string& S, int Index) {
    if (!g_Mbcs.FarEast || Index < 0 || Index >= static_cast<int>(S.size()))
        return 0;
    unsigned char b = static_cast<unsigned char>(S[Index]);
    if (b == 0)
        return 0;
    if (Index == 0)
        return g_Mbcs.IsLeadByte(b) ? 1 : 0;
    int run = 0;
    for (int i = Index - 1; i >= 0 && g_Mbcs.IsLeadByte(static_cast<unsigned char>(S[i])); --i)
        ++run;
    if (run & 1)
        return 2;
    return g_Mbcs.IsLeadByte(b) ? 1 : 0;
}

bool IsSingleOrLeadA(const std::string& S, int Pos) { return ByteTypeAt(S, Pos - 1) != 2; }

// ---------------------------------------------------------------------------------
// Search

int PosA(const std::string& S, const std::string& SubStr) { return FindFrom(S, SubStr, 0); }
int PosW(const std::wstring& S, const std::wstring& SubStr) { return FindFrom(S, SubStr, 0); }
int PosWA(const std::wstring& S, const std::string& SubStr) { return FindFrom(S, Widen(SubStr), 0); }

int PosTextA(const std::string& S, const std::string& SubStr) {
    if (S.empty() || SubStr.empty())
        return 0;
    return FindFrom(UpperA(S), UpperA(SubStr), 0);
}

int PosTextW(const std::wstring& S, const std::wstring& SubStr) {
    if (S.empty() || SubStr.empty())
        return 0;
    return FindFrom(UpperW(S), UpperW(SubStr), 0);
}

int PosTextWA(const std::wstring& S, const std::string& SubStr) { return PosTextW(S, Widen(SubStr)); }

int PosExW(const std::wstring& S, const std::wstring& SubStr, int FromPos) {
    if (SubStr.empty() || FromPos < 1 || FromPos > static_cast<int>(S.size()))
        return 0;
    return FindFrom(S, SubStr, static_cast<size_t>(FromPos) - 1);
}

int PosExTextW(const std::wstring& S, const std::wstring& SubStr, int FromPos) {
    if (S.empty() || SubStr.empty() || FromPos < 1 || FromPos > static_cast<int>(S.size()))
        return 0;
    return FindFrom(UpperW(S), UpperW(SubStr), static_cast<size_t>(FromPos) - 1);
}

int PosExTextWA(const std::wstring& S, const std::string& SubStr, int FromPos) {
    return PosExTextW(S, Widen(SubStr), FromPos);
}

int PosNthW(const std::wstring& S, const std::wstring& SubStr, int N) { return NthOccurrence(S, SubStr, N); }

int PosNthTextW(const std::wstring& S, const std::wstring& SubStr, int N) {
    if (S.empty() || SubStr.empty())
        return 0;
    return NthOccurrence(UpperW(S), UpperW(SubStr), N);
}

int PosCharW(const std::wstring& S, wchar_t Ch, int N) {
    if (N < 1)
        return 0;
    for (size_t i = 0; i < S.size(); ++i)
        if (S[i] == Ch && --N == 0)
            return static_cast<int>(i) + 1;
    return 0;
}

int PosCharWA(const std::wstring& S, char Ch, int N) { return PosCharW(S, WidenChar(Ch), N); }

int PosCharA(const std::string& S, char Ch, int N) {
    if (N < 1)
        return 0;
    const bool farEast = g_Mbcs.FarEast;
    for (size_t i = 0; i < S.size();) {
        if (S[i] == Ch && --N == 0)
            return static_cast<int>(i) + 1;
        i += (farEast && g_Mbcs.IsLeadByte(static_cast<unsigned char>(S[i])) && i + 1 < S.size()) ? 2 : 1;
    }
    return 0;
}

int RPosCharW(const std::wstring& S, wchar_t Ch, int N) {
    if (N < 1)
        return 0;
    for (size_t i = S.size(); i > 0; --i)
        if (S[i - 1] == Ch && --N == 0)
            return static_cast<int>(i);
    return 0;
}

int RPosCharWA(const std::wstring& S, char Ch, int N) { return RPosCharW(S, WidenChar(Ch), N); }

int RPosCharA(const std::string& S, char Ch, int N) {
    if (N < 1)
        return 0;
    if (!g_Mbcs.FarEast) {
        for (size_t i = S.size(); i > 0; --i)
            if (S[i - 1] == Ch && --N == 0)
                return static_cast<int>(i);
        return 0;
    }
    std::vector<int> pos = MbcsCharPositions(S, Ch);
    if (static_cast<int>(pos.size()) < N)
        return 0;
    return pos[pos.size() - static_cast<size_t>(N)];
}

int PosCharExW(const std::wstring& S, wchar_t Ch, int FromPos) {
    if (FromPos < 1)
        FromPos = 1;
    if (FromPos > static_cast<int>(S.size()))
        return 0;
    size_t p = S.find(Ch, static_cast<size_t>(FromPos) - 1);
    return p == std::wstring::npos ? 0 : static_cast<int>(p) + 1;
}

int PosCharExWA(const std::wstring& S, char Ch, int FromPos) { return PosCharExW(S, WidenChar(Ch), FromPos); }

int PosCharExA(const std::string& S, char Ch, int FromPos) {
    if (FromPos < 1)
        FromPos = 1;
    for (size_t i = static_cast<size_t>(FromPos) - 1; i < S.size(); ++i)
        if (S[i] == Ch && !IsTrailAt(S, i))
            return static_cast<int>(i) + 1;
    return 0;
}

int RPosCharExW(const std::wstring& S, wchar_t Ch, int FromPos) {
    if (FromPos < 1 || FromPos > static_cast<int>(S.size()))
        return 0;
    for (size_t i = static_cast<size_t>(FromPos); i > 0; --i)
        if (S[i - 1] == Ch)
            return static_cast<int>(i);
    return 0;
}

int CountCharW(const std::wstring& S, wchar_t Ch) { return static_cast<int>(std::count(S.begin(), S.end(), Ch)); }

bool CharInArray(wchar_t Ch, std::initializer_list<wchar_t> Chars) {
    return std::find(Chars.begin(), Chars.end(), Ch) != Chars.end();
}

bool CharInArray(wchar_t Ch, std::initializer_list<char> Chars) {
    for (char c : Chars)
        if (WidenChar(c) == Ch)
            return true;
    return false;
}

// ---------------------------------------------------------------------------------
// Tokens

std::wstring GetTokenW(const std::wstring& S, int Index, wchar_t Delim) {
    if (S.empty() || Index < 1)
        return L"";
    size_t start = 0;
    for (int k = 1; k < Index; ++k) {
        size_t p = S.find(Delim, start);
        if (p == std::wstring::npos || p + 1 >= S.size())
            return L"";
        start = p + 1;
    }
    size_t end = S.find(Delim, start);
    return S.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

std::wstring GetTokenTrimW(const std::wstring& S, int Index, wchar_t Delim) {
    std::wstring t = GetTokenW(S, Index, Delim);
    TrimCharW(t, L' ');
    return t;
}

std::wstring GetTokenTrimWA(const std::wstring& S, int Index, char Delim) {
    return GetTokenTrimW(S, Index, WidenChar(Delim));
}

int GetTokenIntW(const std::wstring& S, int Index, wchar_t Delim, int Default) {
    return StrToIntDefW(GetTokenTrimW(S, Index, Delim), Default);
}

int GetTokenIntWA(const std::wstring& S, int Index, char Delim, int Default) {
    return GetTokenIntW(S, Index, WidenChar(Delim), Default);
}

// ---------------------------------------------------------------------------------
// Replace and trim

int ReplaceStrW(std::wstring& S, const std::wstring& Find, const std::wstring& Replace, int StartPos, int MaxCount) {
    return ReplaceCore(S, S, Find, Replace, StartPos, MaxCount);
}

int ReplaceStrWA(std::wstring& S, const std::string& Find, const std::string& Replace, int StartPos, int MaxCount) {
    return ReplaceStrW(S, Widen(Find), Widen(Replace), StartPos, MaxCount);
}

int ReplaceTextW(std::wstring& S, const std::wstring& Find, const std::wstring& Replace, int StartPos, int MaxCount) {
    if (S.empty() || Find.empty())
        return 0;
    // Upper-casing maps code units one to one, so positions in the copy are positions in S.
    const std::wstring upper = UpperW(S);
    return ReplaceCore(S, upper, UpperW(Find), Replace, StartPos, MaxCount);
}

int ReplaceCharW(std::wstring& S, wchar_t OldCh, wchar_t NewCh, int StartPos, int MaxCount) {
    if (S.empty() || StartPos > static_cast<int>(S.size()))
        return 0;
    if (StartPos < 1)
        StartPos = 1;
    int count = 0;
    for (size_t i = static_cast<size_t>(StartPos) - 1; i < S.size(); ++i) {
        if (S[i] == OldCh) {
            S[i] = NewCh;
            ++count;
            if (MaxCount <= 0 || count >= MaxCount)
                break;
        }
    }
    return count;
}

void BackslashToSlashW(std::wstring& S) { ReplaceCharW(S, L'\\', L'/', 1, 999); }

void TrimLeftCharW(std::wstring& S, wchar_t Ch) {
    size_t n = 0;
    while (n < S.size() && S[n] == Ch)
        ++n;
    S.erase(0, n);
}

void TrimLeftCharWA(std::wstring& S, char Ch) { TrimLeftCharW(S, WidenChar(Ch)); }

void TrimRightCharW(std::wstring& S, wchar_t Ch) {
    while (!S.empty() && S.back() == Ch)
        S.pop_back();
}

void TrimRightCharWA(std::wstring& S, char Ch) { TrimRightCharW(S, WidenChar(Ch)); }

void TrimRightCharA(std::string& S, char Ch) {
    while (!S.empty() && S.back() == Ch && !IsTrailAt(S, S.size() - 1))
        S.pop_back();
}

void TrimCharW(std::wstring& S, wchar_t Ch) {
    TrimRightCharW(S, Ch);
    TrimLeftCharW(S, Ch);
}

void TrimCharWA(std::wstring& S, char Ch) { TrimCharW(S, WidenChar(Ch)); }

void DeleteCharW(std::wstring& S, wchar_t Ch) { S.erase(std::remove(S.begin(), S.end(), Ch), S.end()); }

void DeleteCharWA(std::wstring& S, char Ch) { DeleteCharW(S, WidenChar(Ch)); }

void PadLeftW(std::wstring& S, wchar_t Ch, int Width) {
    if (Width > static_cast<int>(S.size()))
        S.insert(0, static_cast<size_t>(Width) - S.size(), Ch);
}

void TruncateW(std::wstring& S, int Len) {
    if (Len < 0)
        Len = 0;
    if (static_cast<int>(S.size()) > Len)
        S.resize(static_cast<size_t>(Len));
}

void TruncateA(std::string& S, int Len) {
    if (Len < 0)
        Len = 0;
    if (static_cast<int>(S.size()) <= Len)
        return;
    if (Len > 0 && ByteTypeAt(S, Len - 1) == 1)
        ++Len;
    S.resize(static_cast<size_t>(Len));
}

std::wstring StringOfCharW(wchar_t Ch, int Count) {
    return Count <= 0 ? std::wstring() : std::wstring(static_cast<size_t>(Count), Ch);
}

std::wstring StringOfCharWA(char Ch, int Count) { return StringOfCharW(WidenChar(Ch), Count); }

std::wstring DupeStringW(const std::wstring& S, int Count) {
    std::wstring r;
    if (Count <= 0 || S.empty())
        return r;
    r.reserve(S.size() * static_cast<size_t>(Count));
    for (int i = 0; i < Count; ++i)
        r += S;
    return r;
}

std::wstring DupeStringWA(const std::string& S, int Count) { return DupeStringW(Widen(S), Count); }

// ---------------------------------------------------------------------------------
// Comparison and numbers

bool SameTextW(const std::wstring& S1, const std::wstring& S2) {
    if (S1.size() != S2.size())
        return false;
    for (size_t i = 0; i < S1.size(); ++i)
        if (!IsAsciiSameChar(S1[i], S2[i]))
            return false;
    return true;
}

bool SameTextPrefixW(const std::wstring& S1, const std::wstring& S2, int Count) {
    if (Count < 1 || static_cast<int>(S1.size()) < Count || static_cast<int>(S2.size()) < Count)
        return false;
    for (int i = 0; i < Count; ++i)
        if (!IsAsciiSameChar(S1[i], S2[i]))
            return false;
    return true;
}

bool IsDigitW(wchar_t Ch) { return Ch >= L'0' && Ch <= L'9'; }
bool IsSignOrDigitW(wchar_t Ch) { return Ch == L'+' || Ch == L'-' || IsDigitW(Ch); }
bool IsIntegerStrA(const std::string& S) { return IsIntegerStrT(S); }
bool IsIntegerStrW(const std::wstring& S) { return IsIntegerStrT(S); }
int StrToIntDefA(const std::string& S, int Default) { return StrToIntDefT(S, Default); }
int StrToIntDefW(const std::wstring& S, int Default) { return StrToIntDefT(S, Default); }

std::wstring FormatThousandsSep(wchar_t Sep, int64_t Value) {
    // Digits of the magnitude, computed unsigned so that the smallest value works too.
    uint64_t mag = Value < 0 ? 0 - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
    std::wstring digits = UIntToStr(mag);
    std::wstring r;
    if (Value < 0)
        r += L'-';
    size_t lead = digits.size() % 3;
    if (lead == 0)
        lead = 3;
    r.append(digits, 0, lead);
    for (size_t i = lead; i < digits.size(); i += 3) {
        if (Sep != 0)
            r += Sep;
        r.append(digits, i, 3);
    }
    return r;
}

std::wstring FormatThousands(int64_t Value) { return FormatThousandsSep(FormatSettings.ThousandSeparator, Value); }

// ---------------------------------------------------------------------------------
// File-name parts

bool IsFileExtW(const std::wstring& FileName, const std::wstring& Ext) {
    std::wstring e = Ext;
    if (!e.empty() && e[0] != L'.')
        e.insert(0, 1, L'.');
    return UpperW(WideExtractFileExt(FileName)) == UpperW(e);
}

bool IsFileExtWA(const std::wstring& FileName, const std::string& Ext) { return IsFileExtW(FileName, Widen(Ext)); }

std::wstring ChangeFileExtW(const std::wstring& FileName, const std::wstring& Ext) {
    if (FileName.empty())
        return L"";
    std::wstring e = Ext;
    if (e.size() >= 2 && e[0] != L'.')
        e.insert(0, 1, L'.');
    return WideChangeFileExt(FileName, e);
}

std::wstring ChangeFileExtWA(const std::wstring& FileName, const std::string& Ext) {
    return ChangeFileExtW(FileName, Widen(Ext));
}

void ExcludeTrailingBackslashW(std::wstring& S) {
    if (!S.empty() && S.back() == L'\\')
        S.pop_back();
}

void ExcludeTrailingBackslashA(std::string& S) {
    if (!S.empty() && S.back() == '\\' && !IsTrailAt(S, S.size() - 1))
        S.pop_back();
}

std::wstring ExtractFileNameW(const std::wstring& Path) {
    if (Path.empty() || Path.back() == L'\\')
        return Path;
    std::wstring p = Path;
    if (FileExistsW(p)) {
        std::wstring l = GetLongPathW(p);
        if (!l.empty())
            p = l;
    }
    int k = RPosCharW(p, L'\\');
    if (k == 0)
        return Path;
    return p.substr(static_cast<size_t>(k));
}

std::wstring ExtractFileDirW(const std::wstring& Path) {
    std::wstring p = Path;
    ExcludeTrailingBackslashW(p);
    ToLongPathW(p);
    if (DirectoryExistsW(p))
        return p;
    int k = RPosCharW(p, L'\\');
    return k == 0 ? std::wstring() : p.substr(0, static_cast<size_t>(k) - 1);
}

std::string ExtractFileDirA(const std::string& Path) {
    std::string p = Path;
    ExcludeTrailingBackslashA(p);
    if (FileExistsA(p) || DirectoryExistsA(p)) {
        std::string l = GetLongPathA(p);
        if (!l.empty())
            p = l;
    }
    if (DirectoryExistsA(p))
        return p;
    int k = RPosCharA(p, '\\');
    return k == 0 ? std::string() : p.substr(0, static_cast<size_t>(k) - 1);
}

std::wstring ExtractFolderPartW(const std::wstring& Path) {
    std::wstring p = Path;
    ExcludeTrailingBackslashW(p);
    int k = RPosCharW(p, L'\\');
    return k == 0 ? std::wstring() : p.substr(0, static_cast<size_t>(k) - 1);
}

std::wstring ExtractParentDirW(const std::wstring& Path) {
    int k = RPosCharW(Path, L'\\');
    std::wstring r = Path;
    if (k > 0) {
        std::wstring cut = Path.substr(0, static_cast<size_t>(k) - 1);
        if (cut.size() >= WideExtractFileDrive(Path).size())
            r = cut;
    }
    ExcludeTrailingBackslashW(r);
    return r;
}

std::wstring ExtractLastPathPartW(const std::wstring& Path) {
    std::wstring p = Path;
    ExcludeTrailingBackslashW(p);
    int k = RPosCharW(p, L'\\');
    return k == 0 ? Path : p.substr(static_cast<size_t>(k));
}

std::wstring ExtractDirOfMaskW(const std::wstring& Mask) {
    int k = RPosCharW(Mask, L'\\');
    if (k == 0)
        return L"";
    std::wstring dir = Mask.substr(0, static_cast<size_t>(k) - 1);
    if (dir.empty() || dir.back() == L':')
        return dir;
    std::wstring l = GetLongPathW(dir);
    return l.empty() ? dir : l;
}

// ---------------------------------------------------------------------------------
// Existence tests

bool FileExistsW(const std::wstring& Name) {
    bool found = false;
    ForEachEntryW(Name, [&](const WIN32_FIND_DATAW& fd) {
        found = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        return !found;
    });
    return found;
}

bool FileExistsA(const std::string& Name) {
    bool found = false;
    ForEachEntryA(Name, [&](const WIN32_FIND_DATAA& fd) {
        found = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
        return !found;
    });
    return found;
}

bool DirectoryExistsW(const std::wstring& Dir) {
    if (Dir.empty())
        return false;
    std::wstring d = Dir;
    ExcludeTrailingBackslashW(d);
    if (d.find_first_of(L"?*") == std::wstring::npos) {
        bool found = false;
        ForEachEntryW(d, [&](const WIN32_FIND_DATAW& fd) {
            found = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            return false;
        });
        if (found)
            return true;
    }
    bool any = false;
    ForEachEntryW(d + L"\\*.*", [&](const WIN32_FIND_DATAW&) {
        any = true;
        return false;
    });
    return any;
}

bool DirectoryExistsA(const std::string& Dir) {
    if (Dir.empty())
        return false;
    std::string d = Dir;
    ExcludeTrailingBackslashA(d);
    if (d.find_first_of("?*") == std::string::npos) {
        bool found = false;
        ForEachEntryA(d, [&](const WIN32_FIND_DATAA& fd) {
            found = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            return false;
        });
        if (found)
            return true;
    }
    bool any = false;
    ForEachEntryA(d + "\\*.*", [&](const WIN32_FIND_DATAA&) {
        any = true;
        return false;
    });
    return any;
}

DWORD FileGetAttrsA(const std::string& Name) {
    DWORD attr = 0;
    ForEachEntryA(Name, [&](const WIN32_FIND_DATAA& fd) {
        attr = fd.dwFileAttributes;
        return false;
    });
    return attr;
}

// ---------------------------------------------------------------------------------
// Long and short paths

void ToLongPathW(std::wstring& Path) {
    if (FileExistsW(Path) || DirectoryExistsW(Path)) {
        std::wstring l = GetLongPathW(Path);
        if (!l.empty())
            Path = l;
    }
}

void FullLongPathW(std::wstring& Path) {
    std::wstring l = GetLongPathW(Path);
    if (!l.empty())
        Path = l;
    if (!FileExistsW(Path) && !DirectoryExistsW(Path))
        return;
    bool relative = !(Path.size() >= 2 && Path[1] == L':') && Path.compare(0, 2, L"\\\\") != 0;
    if (!relative)
        return;
    std::wstring cur = CurrentDir();
    ExcludeTrailingBackslashW(cur);
    std::wstring joined = (!Path.empty() && Path[0] == L'\\') ? WideExtractFileDrive(cur) + Path : cur + L"\\" + Path;
    if (FileExistsW(joined)) {
        Path = joined;
        ToLongPathW(Path);
    }
}

void FullLongPathA(std::string& Path) {
    std::string l = GetLongPathA(Path);
    if (!l.empty())
        Path = l;
    if (!FileExistsA(Path) && !DirectoryExistsA(Path))
        return;
    bool relative = !(Path.size() >= 2 && Path[1] == ':') && Path.compare(0, 2, "\\\\") != 0;
    if (!relative)
        return;
    std::string cur;
    DWORD n = GetCurrentDirectoryA(0, nullptr);
    if (n > 0) {
        cur.assign(n, '\0');
        DWORD m = GetCurrentDirectoryA(n, cur.data());
        cur.resize(m < n ? m : 0);
    }
    ExcludeTrailingBackslashA(cur);
    std::string drive = (cur.size() >= 2 && cur[1] == ':') ? cur.substr(0, 2) : std::string();
    std::string joined = (!Path.empty() && Path[0] == '\\') ? drive + Path : cur + "\\" + Path;
    if (FileExistsA(joined)) {
        Path = joined;
        std::string lj = GetLongPathA(Path);
        if (!lj.empty())
            Path = lj;
    }
}

std::wstring GetShortPathRawW(const std::wstring& Path) { return ShortNameRaw(Path); }

std::wstring ShortPathW(const std::wstring& Path) {
    std::wstring result = Path;
    if (Path.size() < 256)
        return result;
    // Paths this long only work in the extended-length form; the current folder is never
    // touched (other threads may depend on it).
    const std::wstring ext = ExtendedPath(Path);
    DWORD attr = GetFileAttributesW(ext.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY)) {
        std::wstring s = PlainPath(ShortNameRaw(ext));
        if (!s.empty()) {
            result = s;
            if (result.size() < 256)
                return result;
        }
    }
    int k = RPosCharW(Path, L'\\');
    if (k == 0)
        return result;
    std::wstring folder = Path.substr(0, static_cast<size_t>(k) - 1);
    std::wstring name = Path.substr(static_cast<size_t>(k));
    DWORD fattr = ExtAttributes(folder);
    if (fattr == INVALID_FILE_ATTRIBUTES || !(fattr & FILE_ATTRIBUTE_DIRECTORY))
        return result;
    std::wstring shortFolder = PlainPath(ShortNameRaw(ExtendedPath(folder)));
    if (shortFolder.empty())
        return result;
    std::wstring joined = shortFolder + L"\\" + name;
    if (joined.size() < 256)
        return joined;
    if (GetFileAttributesW(ext.c_str()) == INVALID_FILE_ATTRIBUTES) {
        TFileHandle made(CreateFileW(ext.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    if (GetFileAttributesW(ext.c_str()) != INVALID_FILE_ATTRIBUTES) {
        std::wstring s = PlainPath(ShortNameRaw(ext));
        if (!s.empty())
            result = s;
    }
    return result;
}

// ---------------------------------------------------------------------------------
// File times and attributes

bool FileTimeToDateTime(const FILETIME& FileTime, TDateTime& DateTime) {
    SYSTEMTIME st;
    if (!FileTimeToSystemTime(&FileTime, &st))
        return false;
    DateTime = SystemTimeToDateTime(st);
    return true;
}

bool DateTimeToFileTime(TDateTime DateTime, FILETIME& FileTime) {
    SYSTEMTIME st = DateTimeToSystemTime(DateTime);
    return SystemTimeToFileTime(&st, &FileTime) != 0;
}

bool FileTimeToLocalDateTime(const FILETIME& FileTime, TDateTime& DateTime) {
    FILETIME local;
    if (!FileTimeToLocalFileTime(&FileTime, &local))
        return false;
    return FileTimeToDateTime(local, DateTime);
}

bool GetFileModifiedA(const std::string& Name, TDateTime& DateTime) {
    bool ok = false;
    ForEachEntryA(Name, [&](const WIN32_FIND_DATAA& fd) {
        ok = FileTimeToLocalDateTime(fd.ftLastWriteTime, DateTime);
        return false;
    });
    return ok;
}

bool SetFileDateTimeW(const std::wstring& Name, TDateTime DateTime, int Which) {
    TFileHandle h(CreateFileW(Name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return false;
    FILETIME local, ft;
    bool ok = DateTimeToFileTime(DateTime, local) && LocalFileTimeToFileTime(&local, &ft);
    if (ok && (Which & 1))
        ok = SetFileTime(h.Get(), &ft, nullptr, nullptr) != 0;
    if (ok && (Which & 2))
        ok = SetFileTime(h.Get(), nullptr, &ft, nullptr) != 0;
    if (ok && (Which & 4))
        ok = SetFileTime(h.Get(), nullptr, nullptr, &ft) != 0;
    return ok;
}

bool SetFileModifiedW(const std::wstring& Name, TDateTime DateTime) { return SetFileDateTimeW(Name, DateTime, 4); }

bool SetFileAttrFlagW(const std::wstring& Name, DWORD Flag, int Mode) {
    DWORD a = GetFileAttributesW(Name.c_str());
    if (a == INVALID_FILE_ATTRIBUTES)
        return true;
    DWORD n = Mode == 1 ? (a | Flag) : (a & ~Flag);
    if (n == a)
        return true;
    return SetFileAttributesW(Name.c_str(), n) != 0;
}

bool SetFileAttrFlagA(const std::string& Name, DWORD Flag, int Mode) {
    DWORD a = GetFileAttributesA(Name.c_str());
    if (a == INVALID_FILE_ATTRIBUTES)
        return true;
    DWORD n = Mode == 1 ? (a | Flag) : (a & ~Flag);
    if (n == a)
        return true;
    return SetFileAttributesA(Name.c_str(), n) != 0;
}

int FileSetAttrW(const std::wstring& Name, DWORD Attr) {
    if (SetFileAttributesW(Name.c_str(), Attr))
        return 0;
    return static_cast<int>(GetLastError());
}

bool FileHasAttrW(const std::wstring& Name, DWORD Attr) {
    DWORD a = GetFileAttributesW(Name.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & Attr) != 0;
}

bool RenameFileA(const std::string& OldName, const std::string& NewName) {
    return MoveFileA(OldName.c_str(), NewName.c_str()) != 0;
}

bool RenameFileW(const std::wstring& OldName, const std::wstring& NewName) {
    if (MoveFileW(OldName.c_str(), NewName.c_str()))
        return true;
    // Names of 256+ characters: once more in the extended-length form (a short name for
    // the new name would need a placeholder file that then blocks the rename).
    if (OldName.size() < 256 && NewName.size() < 256)
        return false;
    return MoveFileW(ExtendedPath(OldName).c_str(), ExtendedPath(NewName).c_str()) != 0;
}

// ---------------------------------------------------------------------------------
// Folder clean-up and mask searches

bool DeleteFilesExceptW(const std::wstring& Mask, const std::wstring& Keep) {
    const std::wstring dir = ExtractDirOfMaskW(Mask);
    const std::wstring keepUpper = UpperW(Keep);
    bool allOk = true;
    ForEachEntryW(Mask, [&](const WIN32_FIND_DATAW& fd) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        std::wstring full = dir.empty() ? std::wstring(fd.cFileName) : dir + L"\\" + fd.cFileName;
        if (UpperW(full) == keepUpper)
            return true;
        SetFileAttrFlagW(full, FILE_ATTRIBUTE_READONLY, 0);
        if (!DeleteFileW(full.c_str()))
            allOk = false;
        return true;
    });
    return allOk;
}

bool DeleteFilesExceptA(const std::string& Mask, const std::string& Keep) {
    int k = RPosCharA(Mask, '\\');
    std::string dir = k == 0 ? std::string() : Mask.substr(0, static_cast<size_t>(k) - 1);
    if (!dir.empty() && dir.back() != ':') {
        std::string l = GetLongPathA(dir);
        if (!l.empty())
            dir = l;
    }
    const std::string keepUpper = UpperA(Keep);
    bool allOk = true;
    ForEachEntryA(Mask, [&](const WIN32_FIND_DATAA& fd) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        std::string full = dir.empty() ? std::string(fd.cFileName) : dir + "\\" + fd.cFileName;
        if (UpperA(full) == keepUpper)
            return true;
        SetFileAttrFlagA(full, FILE_ATTRIBUTE_READONLY, 0);
        if (!DeleteFileA(full.c_str()))
            allOk = false;
        return true;
    });
    return allOk;
}

bool DeleteFilesA(const std::string& Mask) { return DeleteFilesExceptA(Mask, std::string()); }
bool DeleteFilesW(const std::wstring& Mask) { return DeleteFilesExceptW(Mask, std::wstring()); }

std::wstring FindFirstFileMatchW(const std::wstring& Mask) {
    std::wstring result;
    ForEachEntryW(Mask, [&](const WIN32_FIND_DATAW& fd) {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        result = ExtractDirOfMaskW(Mask) + L"\\" + fd.cFileName;
        return false;
    });
    return result;
}

std::wstring FindFirstFolderMatchW(const std::wstring& Mask) {
    std::wstring result;
    ForEachEntryW(Mask, [&](const WIN32_FIND_DATAW& fd) {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || fd.cFileName[0] == L'.')
            return true;
        result = ExtractDirOfMaskW(Mask) + L"\\" + fd.cFileName;
        return false;
    });
    return result;
}

std::unique_ptr<TTntStringList> FindFilesW(const std::wstring& Mask) {
    auto list = std::make_unique<TTntStringList>();
    const std::wstring dir = ExtractDirOfMaskW(Mask);
    ForEachEntryW(Mask, [&](const WIN32_FIND_DATAW& fd) {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            list->Add(dir + L"\\" + fd.cFileName);
        return true;
    });
    return list;
}

namespace {
bool IsBareDrive(const std::wstring& Dir) {
    return (Dir.size() == 2 || (Dir.size() == 3 && Dir[2] == L'\\')) && Dir[1] == L':';
}
} // namespace

bool ForceDirectoriesW(const std::wstring& Dir) {
    if (Dir.empty())
        return false;
    if (IsBareDrive(Dir) || DirectoryExistsW(Dir))
        return true;
    const size_t driveLen = WideExtractFileDrive(Dir).size();
    for (size_t i = driveLen; i < Dir.size(); ++i) {
        if (Dir[i] != L'\\' || i == 0)
            continue;
        std::wstring prefix = Dir.substr(0, i);
        if (prefix.size() <= driveLen || IsDots(ExtractLastPathPartW(prefix).c_str()))
            continue;
        if (!DirectoryExistsW(prefix))
            CreateDirectoryW(prefix.c_str(), nullptr); // a failure shows in the final test
    }
    CreateDirectoryW(Dir.c_str(), nullptr);
    return DirectoryExistsW(Dir);
}

std::wstring GetTempFolderW() {
    std::wstring t;
    DWORD n = GetTempPathW(0, nullptr);
    while (n > 0) {
        t.assign(n, L'\0');
        DWORD m = GetTempPathW(n, t.data());
        if (m == 0) {
            t.clear();
            break;
        }
        if (m < n) {
            t.resize(m);
            break;
        }
        n = m;
    }
    if (t.empty() || !DirectoryExistsW(t)) {
        t = L"c:\\temp\\";
        ForceDirectoriesW(t);
    }
    ExcludeTrailingBackslashW(t);
    return t;
}

// ---------------------------------------------------------------------------------
// Command line and environment

bool IsParamW(const std::wstring& Param) {
    const std::wstring p = UpperW(Param);
    const int count = WideParamCount();
    for (int i = 1; i <= count; ++i)
        if (UpperW(WideParamStr(i)) == p)
            return true;
    return false;
}

std::wstring ExpandEnvW(const std::wstring& S) {
    if (S.empty())
        return S;
    DWORD n = ExpandEnvironmentStringsW(S.c_str(), nullptr, 0);
    while (n > 0) {
        std::wstring buf(n, L'\0');
        DWORD m = ExpandEnvironmentStringsW(S.c_str(), buf.data(), n);
        if (m == 0)
            break;
        if (m <= n) {
            size_t z = buf.find(L'\0');
            if (z != std::wstring::npos)
                buf.resize(z);
            return buf;
        }
        n = m;
    }
    return S;
}

std::string ExpandEnvA(const std::string& S) {
    if (S.empty())
        return S;
    DWORD n = ExpandEnvironmentStringsA(S.c_str(), nullptr, 0);
    while (n > 0) {
        // The ANSI call may report its size in wide units; a little slack costs nothing.
        std::string buf(static_cast<size_t>(n) * 2 + 2, '\0');
        DWORD m = ExpandEnvironmentStringsA(S.c_str(), buf.data(), static_cast<DWORD>(buf.size()));
        if (m == 0)
            break;
        if (m <= buf.size()) {
            size_t z = buf.find('\0');
            if (z != std::string::npos)
                buf.resize(z);
            return buf;
        }
        n = m;
    }
    return S;
}

void ExpandEnvInPlaceA(std::string& S) { S = ExpandEnvA(S); }
void ExpandEnvInPlaceW(std::wstring& S) { S = ExpandEnvW(S); }

// ---------------------------------------------------------------------------------
// Size bounds

int64_t FileSizeW(const std::wstring& FileName) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (FileName.empty() || !GetFileAttributesExW(FileName.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool FileWithinSize(const std::wstring& FileName, int64_t MaxBytes) { return FileSizeW(FileName) <= MaxBytes; }

std::wstring FileTooLargeText(const std::wstring& FileName, int64_t MaxBytes) {
    return L"The file is too large to be read and is left as it is:\r" + FileName + L"\r\r" +
           FormatThousands(FileSizeW(FileName)) + L" bytes (at most " + FormatThousands(MaxBytes) + L" are read).";
}

bool FileSizeAllowed(const std::wstring& FileName, int64_t MaxBytes) {
    if (FileWithinSize(FileName, MaxBytes)) return true;
    UserMessage(miError, L"Error", FileTooLargeText(FileName, MaxBytes), mbOk);
    return false;
}
