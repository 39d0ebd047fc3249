#include "UPTUnicode.h"

#include "Graphics.h"
#include "SysUtils.h"

#include <algorithm>

namespace {

constexpr char Base64Chars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(unsigned char C) {
    if (C >= 'A' && C <= 'Z')
        return C - 'A';
    if (C >= 'a' && C <= 'z')
        return C - 'a' + 26;
    if (C >= '0' && C <= '9')
        return C - '0' + 52;
    if (C == '+')
        return 62;
    if (C == '/')
        return 63;
    return -1;
}

// Characters after which an open run must be closed with '-', or the decoder would read
// them as part of the run.
bool NeedsRunEnd(wchar_t C) { return C == L'-' || (C < 128 && Base64Value(static_cast<unsigned char>(C)) >= 0); }

// Collects the bytes of one run in groups of three and writes them as base64.
class TRunWriter {
public:
    explicit TRunWriter(AnsiString& Out) : FOut(Out) {}
    void AddByte(uint8_t B) {
        FGroup = (FGroup << 8) | B;
        if (++FCount == 3) {
            Emit(4);
            FGroup = 0;
            FCount = 0;
        }
    }
    // Writes a partial group: one byte as two characters, two bytes as three.
    void Flush() {
        if (FCount == 1) {
            FGroup <<= 16;
            Emit(2);
        } else if (FCount == 2) {
            FGroup <<= 8;
            Emit(3);
        }
        FGroup = 0;
        FCount = 0;
    }

private:
    void Emit(int Chars) {
        for (int i = 0; i < Chars; ++i)
            FOut += Base64Chars[(FGroup >> (18 - 6 * i)) & 0x3F];
    }
    AnsiString& FOut;
    uint32_t FGroup = 0;
    int FCount = 0;
};

template <class GetByte>
WideString DecodeUtf7(size_t Length, GetByte ByteAt) {
    WideString out;
    out.reserve(Length);
    bool inRun = false, justOpened = false;
    uint32_t bits = 0;
    int bitCount = 0;
    for (size_t i = 0; i < Length; ++i) {
        const unsigned char b = ByteAt(i);
        if (!inRun) {
            if (b == '+') {
                inRun = justOpened = true;
                bits = 0;
                bitCount = 0;
            } else {
                out += static_cast<wchar_t>(b);
            }
            continue;
        }
        const int v = Base64Value(b);
        if (v >= 0) {
            justOpened = false;
            bits = ((bits << 6) | static_cast<uint32_t>(v)) & 0x3FFFFF; // never more than 21 bits live
            bitCount += 6;
            if (bitCount >= 16) {
                bitCount -= 16;
                const auto c = static_cast<wchar_t>((bits >> bitCount) & 0xFFFF);
                if (c != 0xFEFF)
                    out += c;
            }
            continue;
        }
        inRun = false;
        if (b == '-') {
            if (justOpened)
                out += L'+';
        } else {
            out += static_cast<wchar_t>(b);
        }
    }
    return out;
}

} // namespace

bool IsUTF7Carrier(std::string_view S) { return S.size() >= 5 && S.substr(0, 5) == PTUtf7CarrierMark; }

bool IsUTF7Carrier(std::wstring_view S) {
    if (S.size() < 5)
        return false;
    for (size_t i = 0; i < 5; ++i)
        if (S[i] != static_cast<wchar_t>(PTUtf7CarrierMark[i]))
            return false;
    return true;
}

AnsiString UTF7Encode(std::wstring_view WS) {
    AnsiString out;
    out.reserve(WS.size() * 2);
    TRunWriter run(out);
    bool inRun = false;
    for (wchar_t c : WS) {
        if (c <= 127) {
            if (inRun) {
                run.Flush();
                if (NeedsRunEnd(c))
                    out += '-';
                inRun = false;
            }
            if (c == L'+')
                out += "+-";
            else
                out += static_cast<char>(c);
            continue;
        }
        if (!inRun) {
            out += '+';
            inRun = true;
        }
        run.AddByte(static_cast<uint8_t>(c >> 8));
        run.AddByte(static_cast<uint8_t>(c & 0xFF));
    }
    if (inRun)
        run.Flush();
    return out;
}

AnsiString UTF7CarrierEncode(std::wstring_view WS) { return PTUtf7CarrierMark + UTF7Encode(WS); }

WideString UTF7CarrierDecode(std::string_view S) {
    return DecodeUtf7(S.size(), [&](size_t i) { return static_cast<unsigned char>(S[i]); });
}

WideString UTF7CarrierDecode(std::wstring_view S) {
    return DecodeUtf7(S.size(), [&](size_t i) { return static_cast<unsigned char>(S[i] & 0xFF); });
}

WideString PTDecodeIfCarrier(const WideString& S) { return IsUTF7Carrier(S) ? UTF7CarrierDecode(S) : S; }

WideString PTTrimSysErrorText(WideString Text) {
    while (!Text.empty() && (Text.back() < 33 || Text.back() == L'.'))
        Text.pop_back();
    return Text;
}

WideString PTSysErrorMessage(DWORD Code) {
    wchar_t buffer[256] = {};
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Code, 0,
                                   buffer, 255, nullptr);
    if (n == 0)
        return PTTrimSysErrorText(SysErrorMessage(Code));
    return PTTrimSysErrorText(WideString(buffer, std::min<DWORD>(n, 255)));
}

void PTCanvasTextRect(TCanvas* Canvas, const RECT& Rect, int X, int Y, const WideString& Text) {
    if (Canvas)
        Canvas->TextRect(Rect, X, Y, Text);
}

int PTChrCmpIW(wchar_t A, wchar_t B) {
    if (A == B)
        return 0;
    auto fold = [](wchar_t c) { return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c; };
    // ASCII pairs fold as the shell folds them, without the locale's slower way round.
    if (A <= 127 && B <= 127)
        return fold(A) == fold(B) ? 0 : 1;
    using TChrCmpIW = BOOL(WINAPI*)(WCHAR, WCHAR);
    static const TChrCmpIW chrCmpIW = [] {
        HMODULE shlwapi = GetModuleHandleW(L"shlwapi.dll");
        if (!shlwapi)
            shlwapi = LoadLibraryW(L"shlwapi.dll"); // stays loaded for the process
        return shlwapi ? reinterpret_cast<TChrCmpIW>(GetProcAddress(shlwapi, "ChrCmpIW")) : nullptr;
    }();
    return (chrCmpIW && chrCmpIW(A, B) == 0) ? 0 : 1; // without it, other characters must be equal
}

WideString PTIncludeTrailingBackslash(const WideString& S) {
    if (!S.empty() && S.back() == L'\\')
        return S;
    return S + L'\\';
}

void PTCopyToBuffer(wchar_t* Buffer, size_t Capacity, std::wstring_view S) {
    if (!Buffer || Capacity == 0)
        return;
    size_t n = 0;
    while (n < S.size() && n + 1 < Capacity && S[n] != L'\0') {
        Buffer[n] = S[n];
        ++n;
    }
    Buffer[n] = L'\0';
}
