// Conversions between code pages, UTF-8 and UTF-16 with loss checks.
#include "UUnicode.h"

#include "Handles.h"
#include "ULanguage.h"
#include "UUtilsW.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

int AnsiCodePage = 0;
int OemCodePage = 0;
int CurrentCodePage = 0;
int CurrentMaxCharSize = 0;
bool AutoRetry = true;
std::vector<int> RetryCodePages;
std::vector<int> InstalledCodePages;
bool StrictAnsiConversion = true;
std::wstring ConversionSource;
TTaskbarProgressHook TaskbarProgress;

namespace {

struct TUnicodeStartup {
    TUnicodeStartup() {
        for (const TCodePageRow& row : CodePageTable)
            if (row.Marked == 1) InstalledCodePages.push_back(row.CodePage);
        AnsiCodePage = static_cast<int>(GetACP());
        OemCodePage = static_cast<int>(GetOEMCP());
        CurrentCodePage = AnsiCodePage;
        CurrentMaxCharSize = GetMaxCharSize(CurrentCodePage);
    }
};
const TUnicodeStartup g_Startup;

std::mutex g_HandlerLock;
TCodePageProblemHandler& ProblemHandlerSlot() {
    static TCodePageProblemHandler handler;
    return handler;
}

const char kBomUtf8[] = "\xEF\xBB\xBF";

inline const uint8_t* U8(std::string_view s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// Code pages whose conversions take neither a default character nor the used flag.
bool TakesNoDefaultChar(int cp) {
    switch (cp) {
    case 42: case 50220: case 50221: case 50222: case 50225: case 50227: case 50229:
    case 52936: case 54936: case 65000: case 65001:
        return true;
    default:
        return cp >= 57002 && cp <= 57011;
    }
}

// Wide to 8-bit in one call into a buffer sized from the code page's widest character,
// with a sizing call only when that was not enough. Returns false when the system fails.
bool WideToBytes(int cp, const wchar_t* text, int len, const char* defaultChar, BOOL* usedDefault,
                 std::string& out) {
    int perChar = cp == CP_UTF8 ? 3 : std::max(GetMaxCharSize(cp), 1);
    if (cp == CP_UTF7) perChar = 5;
    // No "best fit" look-alikes (an omega is no 'O'): what the code page lacks is missing.
    const DWORD flags = TakesNoDefaultChar(cp) ? 0 : WC_NO_BEST_FIT_CHARS;
    const int64_t guess = static_cast<int64_t>(len) * perChar;
    int n = 0;
    if (guess < 0x7FFFFFFF) {
        out.resize(static_cast<size_t>(guess));
        n = WideCharToMultiByte(cp, flags, text, len, out.data(), static_cast<int>(guess), defaultChar, usedDefault);
    }
    if (n == 0) {
        if (guess < 0x7FFFFFFF && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            out.clear();
            return false;
        }
        const int size = WideCharToMultiByte(cp, flags, text, len, nullptr, 0, defaultChar, usedDefault);
        if (size <= 0) {
            out.clear();
            return false;
        }
        out.resize(size);
        n = WideCharToMultiByte(cp, flags, text, len, out.data(), size, defaultChar, usedDefault);
        if (n == 0) {
            out.clear();
            return false;
        }
    }
    out.resize(n);
    return true;
}

// Wide text to the code page with '?' for what it cannot represent.
bool WideToBytesReplacing(int cp, const wchar_t* text, int len, std::string& out) {
    if (TakesNoDefaultChar(cp)) return WideToBytes(cp, text, len, nullptr, nullptr, out);
    const char replacement[2] = {ReplacementChar, 0};
    return WideToBytes(cp, text, len, replacement, nullptr, out);
}

std::wstring ErrorName(DWORD code) {
    switch (code) {
    case ERROR_INVALID_PARAMETER: return L"ERROR_INVALID_PARAMETER";
    case ERROR_INSUFFICIENT_BUFFER: return L"ERROR_INSUFFICIENT_BUFFER";
    case ERROR_INVALID_FLAGS: return L"ERROR_INVALID_FLAGS";
    case ERROR_NO_UNICODE_TRANSLATION: return L"ERROR_NO_UNICODE_TRANSLATION";
    default: return std::to_wstring(code);
    }
}

// The problem characters of a failed strict conversion: the marker result converted
// back, with the positions of the markers (markers that stood in the text itself are not
// problems) turned into '?'.
TCodePageProblem FindProblems(int cp, const wchar_t* text, int len, const std::string& marked) {
    TCodePageProblem problem;
    problem.CodePage = cp;
    problem.Source = ConversionSource;
    std::wstring back;
    if (!marked.empty()) {
        back.resize(marked.size());
        const int n = MultiByteToWideChar(cp, 0, marked.data(), static_cast<int>(marked.size()), back.data(),
                                          static_cast<int>(back.size()));
        back.resize(n > 0 ? n : 0);
    }
    if (back.empty()) back.assign(text, len);
    const bool aligned = static_cast<int>(back.size()) == len;
    const wchar_t marker = static_cast<wchar_t>(MarkerChar);
    for (size_t i = 0; i < back.size(); ++i) {
        if (back[i] != marker) continue;
        if (aligned && text[i] == marker) continue;
        back[i] = static_cast<wchar_t>(ReplacementChar);
        problem.Positions.push_back(static_cast<int>(i) + 1);
    }
    problem.Text = std::move(back);
    return problem;
}

// Bytes in a known encoding to wide text (HasBOM: the buffer starts with that mark).
int DecodeBuffer(int codePage, std::string_view bytes, uint8_t enc, bool hasBom, std::wstring& out) {
    switch (enc) {
    case encUtf16LE:
    case encUtf16BE: {
        const size_t start = hasBom ? 2 : 0;
        const size_t units = bytes.size() > start ? (bytes.size() - start) / 2 : 0;
        out.resize(units);
        const uint8_t* p = U8(bytes) + start;
        if (enc == encUtf16LE) {
            if (units) std::memcpy(out.data(), p, units * 2);
        } else {
            for (size_t i = 0; i < units; ++i)
                out[i] = static_cast<wchar_t>((p[2 * i] << 8) | p[2 * i + 1]);
        }
        return cvOk;
    }
    case encUtf8: {
        const size_t start = hasBom ? 3 : 0;
        return Unicode_A2W_Convert(CP_UTF8, bytes.data() + start, static_cast<int>(bytes.size() - start), out);
    }
    default:
        return AnsiToWide(codePage, bytes, out);
    }
}

// Wide text to bytes in an encoding (the mark in front unless noBom).
int EncodeBuffer(int codePage, std::wstring_view text, uint8_t enc, bool noBom, std::string& out) {
    out.clear();
    switch (enc) {
    case encUtf16LE:
    case encUtf16BE: {
        const size_t start = noBom ? 0 : 2;
        out.resize(start + text.size() * 2);
        uint8_t* p = reinterpret_cast<uint8_t*>(out.data());
        const bool be = enc == encUtf16BE;
        if (!noBom) {
            p[0] = be ? 0xFE : 0xFF;
            p[1] = be ? 0xFF : 0xFE;
        }
        p += start;
        if (!be) {
            if (!text.empty()) std::memcpy(p, text.data(), text.size() * 2);
        } else {
            for (size_t i = 0; i < text.size(); ++i) {
                p[2 * i] = static_cast<uint8_t>(text[i] >> 8);
                p[2 * i + 1] = static_cast<uint8_t>(text[i] & 0xFF);
            }
        }
        return cvOk;
    }
    case encUtf8: {
        std::string body;
        const int r = WideToUtf8(text, body);
        if (r != cvOk) return r;
        if (!noBom) out.assign(kBomUtf8, 3);
        out += body;
        return cvOk;
    }
    default: {
        int used = 0;
        return Unicode_W2A_Convert(codePage, text.data(), static_cast<int>(text.size()), StrictAnsiConversion, used,
                                   out);
    }
    }
}

// A path as the file system calls take it: long absolute paths get the extended-length
// prefix so that they keep working beyond MAX_PATH.
std::wstring SystemPath(const std::wstring& path) {
    if (path.size() < MAX_PATH - 12 || path.rfind(L"\\\\?\\", 0) == 0) return path;
    std::wstring full(32768, L'\0');
    const DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (n == 0 || n >= full.size()) return path;
    full.resize(n);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\') return L"\\\\?\\" + full;
    return path;
}

void ForceFolder(const std::wstring& folder) {
    if (folder.empty()) return;
    const DWORD attr = GetFileAttributesW(SystemPath(folder).c_str());
    if (attr != INVALID_FILE_ATTRIBUTES) return;
    const size_t slash = folder.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 0) ForceFolder(folder.substr(0, slash));
    CreateDirectoryW(SystemPath(folder).c_str(), nullptr);
}

int ReportWriteError(const std::wstring& fileName, int64_t written, int64_t size) {
    const std::wstring text = L"Error writing file \r" + fileName + L"Func returned = " + std::to_wstring(written) +
                              L", Image size = " + std::to_wstring(size);
    return UserMessage(miError, L"Error Writing File", text, mbOkCancel) ? cvLossy : cvCancelled;
}

// Writes the bytes to a new file beside the target and moves it over the target in one
// step; the target is untouched until the new file is complete.
int WriteBytesReplacing(const std::wstring& fileName, std::string_view bytes) {
    const size_t slash = fileName.find_last_of(L'\\');
    if (slash != std::wstring::npos && slash > 0) ForceFolder(fileName.substr(0, slash));

    const std::wstring target = SystemPath(fileName);
    const DWORD attr = GetFileAttributesW(target.c_str());
    if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(target.c_str(), attr & ~FILE_ATTRIBUTE_READONLY);

    int64_t written = -1;
    if (!ReplaceFileBytes(fileName, bytes, nullptr, &written))
        return ReportWriteError(fileName, written, static_cast<int64_t>(bytes.size()));
    return cvOk;
}

// The new file ReplaceFileBytes writes beside its target is called target + this suffix:
// the writer's process id and a number, both in hex.
std::wstring ReplacementSuffix(DWORD Pid, unsigned Number) {
    wchar_t suffix[40];
    swprintf(suffix, 40, L".~%lx_%x.tmp", static_cast<unsigned long>(Pid), Number);
    return suffix;
}

// The target's name and the writer's process id of a replacement's file name; false for
// any other name.
bool ReplacementWriter(const std::wstring& Name, std::wstring& Target, DWORD& Pid) {
    static const std::wstring tail = L".tmp";
    if (Name.size() < tail.size() || Name.compare(Name.size() - tail.size(), tail.size(), tail) != 0) return false;
    const size_t mark = Name.rfind(L".~");
    const size_t bar = Name.find(L'_', mark == std::wstring::npos ? 0 : mark);
    if (mark == std::wstring::npos || bar == std::wstring::npos) return false;
    const std::wstring pid = Name.substr(mark + 2, bar - mark - 2);
    const std::wstring number = Name.substr(bar + 1, Name.size() - tail.size() - bar - 1);
    const auto hex = [](const std::wstring& s) {
        return !s.empty() && s.size() <= 8 && s.find_first_not_of(L"0123456789abcdef") == std::wstring::npos;
    };
    if (!hex(pid) || !hex(number)) return false;
    Target = Name.substr(0, mark);
    Pid = static_cast<DWORD>(wcstoul(pid.c_str(), nullptr, 16));
    return true;
}

// Whether process Pid may still be running (one we may not open counts as running).
bool ProcessMayRun(DWORD Pid) {
    if (Pid == GetCurrentProcessId()) return true;
    TKernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, Pid));
    if (!process) return GetLastError() == ERROR_ACCESS_DENIED;
    return WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT;
}

int64_t g_ProgressTotal = 1;
bool g_ProgressTaskbar = false;

} // namespace

// ---------------------------------------------------------------------------------
// The problem handler

TCodePageProblemHandler SetCodePageProblemHandler(TCodePageProblemHandler Handler) {
    std::lock_guard<std::mutex> lock(g_HandlerLock);
    TCodePageProblemHandler previous = std::move(ProblemHandlerSlot());
    ProblemHandlerSlot() = std::move(Handler);
    return previous;
}

TCodePageDecision ShowCodePageDialog(const TCodePageProblem& Problem) {
    TCodePageProblemHandler handler;
    {
        std::lock_guard<std::mutex> lock(g_HandlerLock);
        handler = ProblemHandlerSlot();
    }
    if (handler) return handler(Problem);
    return TCodePageDecision{}; // no one to ask: cancel, nothing is changed
}

// ---------------------------------------------------------------------------------
// Code pages

int GetMaxCharSize(int CodePage) {
    CPINFO info;
    if (CodePage < 0 || !GetCPInfo(static_cast<UINT>(CodePage), &info)) return 0;
    return static_cast<int>(info.MaxCharSize);
}

std::wstring CodePageDisplayName(int CodePage) {
    if (CodePage < 0) return std::wstring();
    std::wstring result = L"(" + std::to_wstring(CodePage) + L") ";
    const int row = IndexOfCodePage(CodePage);
    if (row >= 0) {
        for (const char* p = CodePageTable[row].Name; *p; ++p) result += static_cast<wchar_t>(static_cast<uint8_t>(*p));
    } else {
        result += L"Unknown";
    }
    const int maxCharSize = GetMaxCharSize(CodePage);
    if (maxCharSize != 1) result += L" (MaxCharSize = " + std::to_wstring(maxCharSize) + L")";
    return result;
}

void SetConversionSource(const std::wstring& Text) { ConversionSource = Text; }

// ---------------------------------------------------------------------------------
// Conversions

int Unicode_A2W_Convert(int CodePage, const char* Bytes, int Len, std::wstring& Result) {
    Result.clear();
    if (Len <= 0 || !Bytes) return cvOk;
    const int cp = CodePage < 0 ? CurrentCodePage : CodePage;
    // No code page gives more UTF-16 units than it has bytes: one conversion into a
    // string of that size, a sizing call only if a code page ever proves otherwise.
    Result.resize(static_cast<size_t>(Len));
    int n = MultiByteToWideChar(static_cast<UINT>(cp), 0, Bytes, Len, Result.data(), Len);
    if (n == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        const int size = MultiByteToWideChar(static_cast<UINT>(cp), 0, Bytes, Len, nullptr, 0);
        if (size > 0) {
            Result.resize(size);
            n = MultiByteToWideChar(static_cast<UINT>(cp), 0, Bytes, Len, Result.data(), size);
        }
    }
    if (n > 0) {
        Result.resize(n);
        return cvOk;
    }
    const DWORD error = GetLastError();
    Result.clear();
    const std::wstring text =
        L"Unknown error converting ANSI to Unicode. Windows.MultiByteToWideChar() failed with errorcode = " +
        ErrorName(error) + L"\rfile: " + ConversionSource;
    return UserMessage(miError, L"Error converting ANSI to Unicode", text, mbOkCancel) ? cvLossy : cvCancelled;
}

int AnsiToWide(int CodePage, std::string_view Ansi, std::wstring& Result) {
    return Unicode_A2W_Convert(CodePage, Ansi.data(), static_cast<int>(Ansi.size()), Result);
}

wchar_t AnsiCharToWide(int CodePage, char Ch) {
    const int cp = CodePage < 0 ? CurrentCodePage : CodePage;
    wchar_t w = 0;
    if (MultiByteToWideChar(static_cast<UINT>(cp), 0, &Ch, 1, &w, 1) == 1) return w;
    return static_cast<wchar_t>(static_cast<uint8_t>(Ch));
}

int Unicode_W2A_Convert(int CodePage, const wchar_t* Text, int Len, bool Strict, int& UsedCodePage,
                        std::string& Result) {
    int cp = CodePage < 0 ? CurrentCodePage : CodePage;
    UsedCodePage = cp;
    Result.clear();
    if (Len <= 0 || !Text) return cvOk;

    std::vector<int> tried{cp};
    int remembered = 0;
    for (;;) {
        UsedCodePage = cp;
        if (cp == CP_UTF8 || cp == CP_UTF7) {
            if (WideToBytes(cp, Text, Len, nullptr, nullptr, Result)) return cvOk;
            UserMessage(miError, L"Unknown error converting Unicode to UTF8",
                        L"Unknown error converting Unicode to UTF8. Valid Unicode file? " + ConversionSource, mbOk);
            Result.clear();
            return cvLossy;
        }
        bool converted;
        BOOL usedDefault = FALSE;
        if (!Strict) {
            converted = WideToBytesReplacing(cp, Text, Len, Result);
        } else if (TakesNoDefaultChar(cp)) {
            converted = WideToBytes(cp, Text, Len, nullptr, nullptr, Result);
        } else {
            const char marker[2] = {MarkerChar, 0};
            converted = WideToBytes(cp, Text, Len, marker, &usedDefault, Result);
        }
        if (converted && !usedDefault) break;

        // Another code page the user chose for earlier failures may fit.
        if (AutoRetry) {
            auto next = std::find_if(RetryCodePages.begin(), RetryCodePages.end(), [&](int c) {
                return std::find(tried.begin(), tried.end(), c) == tried.end();
            });
            if (next != RetryCodePages.end()) {
                cp = *next;
                tried.push_back(cp);
                continue;
            }
        }

        const TCodePageProblem problem = FindProblems(cp, Text, Len, Result);
        const TCodePageDecision decision = ShowCodePageDialog(problem);
        if (decision.ModalResult == cpdRetry) {
            cp = decision.CodePage;
            remembered = decision.KeepCodePage ? cp : 0;
            if (std::find(tried.begin(), tried.end(), cp) == tried.end()) tried.push_back(cp);
            continue;
        }
        if (decision.ModalResult == cpdSkip) {
            Result.clear();
            return cvLossy;
        }
        if (decision.ModalResult == cpdAccept) {
            if (!WideToBytesReplacing(cp, Text, Len, Result)) Result.clear();
            break;
        }
        Result.clear();
        return cvCancelled;
    }
    if (Strict && remembered != 0 &&
        std::find(RetryCodePages.begin(), RetryCodePages.end(), remembered) == RetryCodePages.end())
        RetryCodePages.push_back(remembered);
    return cvOk;
}

int WideToAnsi(int CodePage, std::wstring_view Text, bool Strict, std::string& Result) {
    int used = 0;
    return Unicode_W2A_Convert(CodePage, Text.data(), static_cast<int>(Text.size()), Strict, used, Result);
}

int WideToUtf8(std::wstring_view Text, std::string& Result) {
    int used = 0;
    return Unicode_W2A_Convert(CP_UTF8, Text.data(), static_cast<int>(Text.size()), false, used, Result);
}

std::wstring UrlEncodeNonAscii(std::wstring_view S) {
    ConversionSource.clear();
    size_t b = 0, e = S.size();
    while (b < e && S[b] <= L' ') ++b;
    while (e > b && S[e - 1] <= L' ') --e;
    static const wchar_t hex[] = L"0123456789ABCDEF";
    std::wstring out;
    out.reserve(e - b);
    auto put = [&](uint32_t byte) {
        out += L'%';
        out += hex[(byte >> 4) & 0xF];
        out += hex[byte & 0xF];
    };
    for (size_t i = b; i < e; ++i) {
        const wchar_t c = S[i];
        if (c < 0x80) {
            out += c; // unreserved and other ASCII characters alike
            continue;
        }
        uint32_t cp = c;
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < e && S[i + 1] >= 0xDC00 && S[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (static_cast<uint32_t>(S[i + 1]) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            cp = 0xFFFD; // a lone surrogate has no UTF-8 form
        }
        if (cp < 0x800) {
            put(0xC0 | (cp >> 6));
            put(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            put(0xE0 | (cp >> 12));
            put(0x80 | ((cp >> 6) & 0x3F));
            put(0x80 | (cp & 0x3F));
        } else {
            put(0xF0 | (cp >> 18));
            put(0x80 | ((cp >> 12) & 0x3F));
            put(0x80 | ((cp >> 6) & 0x3F));
            put(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------
// Encodings

uint8_t BomEncoding(std::string_view Bytes) {
    const uint8_t* p = U8(Bytes);
    const size_t n = Bytes.size();
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) return encUtf16LE;
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) return encUtf16BE;
    if (n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) return encUtf8;
    return encAnsi;
}

namespace {

// UTF-8 well-formedness as a small state machine fed one byte at a time.
struct TUtf8State {
    int Need = 0;
    bool Ok = true;
    bool Multi = false;
    inline void Feed(uint8_t c) {
        if (Need > 0) {
            if ((c & 0xC0) == 0x80) --Need;
            else Ok = false;
        } else if (c >= 0x80) {
            Multi = true;
            if ((c & 0xE0) == 0xC0) Need = 1;
            else if ((c & 0xF0) == 0xE0) Need = 2;
            else if ((c & 0xF8) == 0xF0) Need = 3;
            else Ok = false;
        }
    }
    bool IsUtf8() const { return Ok && Need == 0 && Multi; }
};

inline bool HasZeroByte(uint32_t w) { return ((w - 0x01010101u) & ~w & 0x80808080u) != 0; }

} // namespace

bool IsUtf8(std::string_view Bytes) {
    const uint8_t* p = U8(Bytes);
    const size_t n = Bytes.size();
    TUtf8State st;
    size_t i = 0;
    while (i < n && st.Ok) {
        if (st.Need == 0 && i + 4 <= n) {
            uint32_t w;
            std::memcpy(&w, p + i, 4);
            if ((w & 0x80808080u) == 0) {
                i += 4;
                continue;
            }
        }
        st.Feed(p[i++]);
    }
    return st.IsUtf8();
}

uint8_t DetectEncoding(std::string_view Bytes, bool& HasBOM) {
    const uint8_t bom = BomEncoding(Bytes);
    HasBOM = bom != encAnsi;
    if (HasBOM) return bom;
    const size_t n = Bytes.size();
    if (n <= 4) return encAnsi;

    // One pass: byte pairs for UTF-16 without mark, and UTF-8 well-formedness. Blocks of
    // ASCII without zero bytes change neither and are stepped over whole.
    const uint8_t* p = U8(Bytes);
    size_t be = 0, le = 0;
    TUtf8State st;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint32_t w0, w1;
        std::memcpy(&w0, p + i, 4);
        std::memcpy(&w1, p + i + 4, 4);
        if (st.Need == 0 && ((w0 | w1) & 0x80808080u) == 0 && !HasZeroByte(w0) && !HasZeroByte(w1)) continue;
        for (size_t k = 0; k < 8; k += 2) {
            const uint8_t b0 = p[i + k], b1 = p[i + k + 1];
            be += (b0 == 0) & (b1 != 0);
            le += (b0 != 0) & (b1 == 0);
            if (st.Ok) {
                st.Feed(b0);
                st.Feed(b1);
            }
        }
    }
    for (; i + 2 <= n; i += 2) {
        const uint8_t b0 = p[i], b1 = p[i + 1];
        be += (b0 == 0) & (b1 != 0);
        le += (b0 != 0) & (b1 == 0);
        st.Feed(b0);
        st.Feed(b1);
    }
    if (i < n) st.Feed(p[i]);

    if (n / 200 <= be && be / 100 > le) return encUtf16BE;
    if (n / 200 <= le && le / 100 > be) return encUtf16LE;
    if (st.IsUtf8()) return encUtf8;
    return encAnsi;
}

uint8_t GetEncoding(std::string_view Bytes, int Request, bool& HasBOM) {
    if (Request == reqDetect) return DetectEncoding(Bytes, HasBOM);
    const uint8_t bom = BomEncoding(Bytes);
    HasBOM = bom != encAnsi;
    if (HasBOM) return bom;
    switch (Request) {
    case reqUtf8: return encUtf8;
    case reqUtf16LE: return encUtf16LE;
    case reqUtf16BE: return encUtf16BE;
    default: return encAnsi;
    }
}

void SwapByteOrder(std::string& Bytes) {
    for (size_t i = 0; i + 1 < Bytes.size(); i += 2) std::swap(Bytes[i], Bytes[i + 1]);
}

void SwapByteOrder(std::wstring& Text) {
    for (wchar_t& c : Text) c = static_cast<wchar_t>(((c & 0xFF) << 8) | ((c >> 8) & 0xFF));
}

int BufferToWide(int CodePage, std::string_view Bytes, uint8_t Encoding, std::wstring& Result) {
    ConversionSource = L"Source is String Buffer";
    bool hasBom = false;
    uint8_t enc = Encoding;
    if (enc == encNone) enc = DetectEncoding(Bytes, hasBom);
    else hasBom = enc != encAnsi && BomEncoding(Bytes) == enc;
    return DecodeBuffer(CodePage, Bytes, enc, hasBom, Result);
}

int WideToBuffer(int CodePage, std::wstring_view Text, uint8_t Encoding, bool NoBOM, std::string& Result,
                 const std::wstring& Source) {
    ConversionSource = Source.empty() ? std::wstring(L"Source is WideString") : Source;
    return EncodeBuffer(CodePage, Text, Encoding, NoBOM, Result);
}

int BufferToAnsi(int& CodePage, std::string& Bytes, const std::wstring& Source, int Request) {
    bool hasBom = false;
    const uint8_t enc = GetEncoding(Bytes, Request, hasBom);
    if (enc == encAnsi) return cvOk;
    if (!Source.empty()) ConversionSource = Source;
    std::wstring wide;
    int r = DecodeBuffer(CodePage, Bytes, enc, hasBom, wide);
    if (r != cvOk) return r;
    std::string ansi;
    int used = 0;
    r = Unicode_W2A_Convert(CodePage, wide.data(), static_cast<int>(wide.size()), StrictAnsiConversion, used, ansi);
    if (r == cvOk) {
        Bytes = std::move(ansi);
        CodePage = used;
    }
    return r;
}

int WriteTextFile(int CodePage, const std::wstring& FileName, std::string_view Bytes, uint8_t TargetEncoding,
                  bool WithBOM, const std::wstring& Source, int Request) {
    ConversionSource = Source.empty() ? FileName : Source;
    bool hasBom = false;
    uint8_t source;
    if (Request >= 0) {
        source = GetEncoding(Bytes, Request, hasBom);
    } else {
        source = BomEncoding(Bytes);
        hasBom = source != encAnsi;
    }
    const uint8_t target = (TargetEncoding >= encAnsi && TargetEncoding <= encUtf8) ? TargetEncoding : source;

    std::string out;
    if (source == target) {
        // Same encoding: the bytes stay as they are; only the mark follows WithBOM.
        if (target == encAnsi) {
            out.assign(Bytes);
        } else {
            const size_t markLen = hasBom ? (target == encUtf8 ? 3 : 2) : 0;
            if (WithBOM) {
                if (target == encUtf8) out.assign(kBomUtf8, 3);
                else if (target == encUtf16LE) out.assign("\xFF\xFE", 2);
                else out.assign("\xFE\xFF", 2);
            }
            out.append(Bytes.substr(markLen));
        }
    } else {
        std::wstring wide;
        int r = DecodeBuffer(CodePage, Bytes, source, hasBom, wide);
        if (r != cvOk) return r;
        r = EncodeBuffer(CodePage, wide, target, !WithBOM, out);
        if (r != cvOk) return r;
    }
    return WriteBytesReplacing(FileName, out);
}

std::wstring FileSystemPath(const std::wstring& Path) { return SystemPath(Path); }

bool ReplaceFileBytes(const std::wstring& FileName, std::string_view Bytes, DWORD* Error, int64_t* Written) {
    DWORD error = ERROR_SUCCESS;
    int64_t done = -1;
    const bool ok = [&] {
        // Windows refuses to move a file over a read-only one; some systems do not.
        const DWORD attr = GetFileAttributesW(SystemPath(FileName).c_str());
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_READONLY)) {
            error = ERROR_ACCESS_DENIED;
            return false;
        }
        static std::atomic<unsigned> counter{0};
        std::wstring temp;
        HANDLE h = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
            temp = SystemPath(FileName + ReplacementSuffix(GetCurrentProcessId(), counter.fetch_add(1)));
            h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            error = GetLastError();
            if (h == INVALID_HANDLE_VALUE && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
        }
        if (h == INVALID_HANDLE_VALUE) return false;

        TFileHandle file(h);
        done = 0;
        bool written = true;
        while (static_cast<size_t>(done) < Bytes.size()) {
            const size_t left = Bytes.size() - static_cast<size_t>(done);
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(left, 1u << 24));
            DWORD n = 0;
            if (!WriteFile(h, Bytes.data() + done, chunk, &n, nullptr) || n == 0) {
                written = false;
                break;
            }
            done += n;
        }
        if (written) written = FlushFileBuffers(h) != FALSE;
        if (!written) error = GetLastError();
        file.Reset();
        if (written && MoveFileExW(temp.c_str(), SystemPath(FileName).c_str(),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (written) error = GetLastError();
        DeleteFileW(temp.c_str());
        return false;
    }();
    if (Error) *Error = ok ? ERROR_SUCCESS : error;
    if (Written) *Written = done;
    return ok;
}

int RemoveAbandonedReplacements(const std::wstring& Folder, const std::wstring& Extension) {
    std::wstring folder = Folder;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    if (folder.empty()) return 0;
    WIN32_FIND_DATAW found;
    TFindHandle find(FindFirstFileW(SystemPath(folder + L"\\*" + Extension + L".~*.tmp").c_str(), &found));
    if (!find) return 0;
    std::vector<std::wstring> abandoned;
    do {
        DWORD pid = 0;
        std::wstring target;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && ReplacementWriter(found.cFileName, target, pid) &&
            target.size() > Extension.size() &&
            CompareStringOrdinal(target.c_str() + target.size() - Extension.size(), -1, Extension.c_str(), -1, TRUE) ==
                CSTR_EQUAL &&
            !ProcessMayRun(pid))
            abandoned.push_back(found.cFileName);
    } while (FindNextFileW(find.Get(), &found));
    int removed = 0;
    for (const std::wstring& name : abandoned)
        removed += DeleteFileW(SystemPath(folder + L"\\" + name).c_str()) != FALSE;
    return removed;
}

// ---------------------------------------------------------------------------------
// Progress

void ProgressInit(TProgressTarget* Bar, bool UseTaskbar, int64_t Total) {
    g_ProgressTotal = Total > 0 ? Total : 1;
    g_ProgressTaskbar = UseTaskbar;
    if (Bar) {
        Bar->SetRange(0, 100);
        Bar->SetPosition(0);
    }
    if (UseTaskbar && TaskbarProgress) {
        if (Total == 0) TaskbarProgress(0, 0, 0);
        else TaskbarProgress(2, 0, 100);
    }
}

void ProgressStep(TProgressTarget* Bar, int64_t Done) {
    if (!Bar) return;
    const int max = Bar->Max();
    if (max <= 0 || Done < 0) return;
    // 64-bit arithmetic; beyond its range the ratio is taken in floating point.
    const int64_t pos = Done <= INT64_MAX / max
                            ? static_cast<int64_t>(max) * Done / g_ProgressTotal
                            : static_cast<int64_t>(static_cast<long double>(max) * Done / g_ProgressTotal);
    if (pos > max || pos == Bar->Position()) return;
    Bar->SetPosition(static_cast<int>(pos));
    Bar->Repaint();
    if (g_ProgressTaskbar && TaskbarProgress) TaskbarProgress(2, static_cast<uint64_t>(pos), static_cast<uint64_t>(max));
}
