#include "TntSysUtils.h"

#include "SysUtils.h"
#include "TntWindows.h"

#include <algorithm>
#include <functional>
#include <memory>

// ---------------------------------------------------------------------------------
// File names

WideString WideExtractFileDrive(const WideString& FileName) {
    if (FileName.size() >= 2 && FileName[1] == L':')
        return FileName.substr(0, 2);
    if (FileName.size() >= 2 && FileName[0] == L'\\' && FileName[1] == L'\\') {
        // "\\server\share": up to the backslash after the share name.
        const size_t serverEnd = FileName.find(L'\\', 2);
        if (serverEnd == WideString::npos)
            return FileName;
        const size_t shareEnd = FileName.find(L'\\', serverEnd + 1);
        return shareEnd == WideString::npos ? FileName : FileName.substr(0, shareEnd);
    }
    return WideString();
}

WideString WideExtractFileName(const WideString& FileName) {
    const int i = WideLastDelimiter(L"\\:", FileName);
    return FileName.substr(static_cast<size_t>(i));
}

WideString WideExtractFileExt(const WideString& FileName) {
    const int i = WideLastDelimiter(L".\\:", FileName);
    if (i > 0 && FileName[static_cast<size_t>(i) - 1] == L'.')
        return FileName.substr(static_cast<size_t>(i) - 1);
    return WideString();
}

WideString WideChangeFileExt(const WideString& FileName, const WideString& Extension) {
    const int i = WideLastDelimiter(L".\\:", FileName);
    if (i > 0 && FileName[static_cast<size_t>(i) - 1] == L'.')
        return FileName.substr(0, static_cast<size_t>(i) - 1) + Extension;
    return FileName + Extension;
}

WideString WideExcludeTrailingBackslash(const WideString& S) {
    if (!S.empty() && S.back() == L'\\')
        return S.substr(0, S.size() - 1);
    return S;
}

bool WideIsDelimiter(const WideString& Delimiters, const WideString& S, int Index) {
    if (Index < 1 || Index > static_cast<int>(S.size()))
        return false;
    return Delimiters.find(S[static_cast<size_t>(Index) - 1]) != WideString::npos;
}

int WideLastDelimiter(const WideString& Delimiters, const WideString& S) {
    const size_t i = S.find_last_of(Delimiters);
    return i == WideString::npos ? 0 : static_cast<int>(i) + 1;
}

namespace {

// Calls Get(buffer, size) with a growing buffer until the text fits. Get follows the
// system's convention: 0 for failure, the text length when it fit, otherwise the size
// needed (or the buffer size when the call only says "too small"). '' on failure.
WideString GrowingBufferText(const std::function<DWORD(wchar_t*, DWORD)>& Get) {
    DWORD size = MAX_PATH;
    for (;;) {
        WideString buf(size, L'\0');
        const DWORD n = Get(buf.data(), size);
        if (n == 0)
            return WideString();
        if (n < size) {
            buf.resize(n);
            return buf;
        }
        if (size >= 0x100000)
            return WideString();
        size = std::max<DWORD>(n > size ? n : size * 2, size + 1);
    }
}

} // namespace

WideString WideExpandFileName(const WideString& FileName) {
    return GrowingBufferText([&](wchar_t* buf, DWORD size) {
        wchar_t* filePart = nullptr;
        return Tnt_GetFullPathNameW(FileName.c_str(), size, buf, &filePart);
    });
}

// ---------------------------------------------------------------------------------
// Files and folders

HANDLE WideFileCreate(const WideString& FileName) {
    return Tnt_CreateFileW(FileName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE WideFileOpen(const WideString& FileName, uint32_t Mode) {
    static const DWORD kAccess[4] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, 0};
    static const DWORD kShare[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE};
    const DWORD access = kAccess[Mode & 3];
    const uint32_t share = (Mode & 0xF0) >> 4;
    if (access == 0 || share >= 5) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    return Tnt_CreateFileW(FileName.c_str(), access, kShare[share], nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
}

bool WideFileExists(const WideString& FileName) {
    // Wildcards are never part of a file's name: a name holding them would only match others.
    // The "\\?\" and "\\.\" prefixes are the one place where '?' belongs.
    size_t start = 0;
    if (FileName.compare(0, 4, L"\\\\?\\") == 0 || FileName.compare(0, 4, L"\\\\.\\") == 0)
        start = 4;
    if (FileName.empty() || FileName.find_first_of(L"*?", start) != WideString::npos)
        return false;
    WIN32_FIND_DATAW data;
    const TFindHandle h(Tnt_FindFirstFileW(FileName.c_str(), &data));
    if (!h)
        return false;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

DWORD WideFileGetAttr(const WideString& FileName) {
    return Tnt_GetFileAttributesW(FileName.c_str());
}

bool WideFileSetAttr(const WideString& FileName, DWORD Attr) {
    return Tnt_SetFileAttributesW(FileName.c_str(), Attr) != FALSE;
}

bool WideRenameFile(const WideString& OldName, const WideString& NewName) {
    return Tnt_MoveFileW(OldName.c_str(), NewName.c_str()) != FALSE;
}

bool WideDeleteFile(const WideString& FileName) {
    return Tnt_DeleteFileW(FileName.c_str()) != FALSE;
}

bool WideCreateDir(const WideString& Dir) {
    return Tnt_CreateDirectoryW(Dir.c_str(), nullptr) != FALSE;
}

bool WideSetCurrentDir(const WideString& Dir) {
    return Tnt_SetCurrentDirectoryW(Dir.c_str()) != FALSE;
}

WideString WideGetCurrentDir() {
    return GrowingBufferText([](wchar_t* buf, DWORD size) { return Tnt_GetCurrentDirectoryW(size, buf); });
}

WideString WideGetModuleFileName(HMODULE Module) {
    DWORD size = MAX_PATH;
    for (;;) {
        WideString buf(size, L'\0');
        SetLastError(ERROR_SUCCESS);
        const DWORD n = Tnt_GetModuleFileNameW(Module, buf.data(), size);
        if (n == 0)
            RaiseLastOSError();
        // A name that fills the buffer may have been cut: try again with more room.
        if (n < size) {
            buf.resize(n);
            return buf;
        }
        if (size >= 0x10000)
            RaiseLastOSError(ERROR_INSUFFICIENT_BUFFER);
        size *= 2;
    }
}

// ---------------------------------------------------------------------------------
// File search

namespace {

// Skips entries with excluded attributes and fills the record from the accepted one.
int FindMatchingFile(TSearchRecW& F) {
    while (F.FindData.dwFileAttributes & F.ExcludeAttr) {
        if (!Tnt_FindNextFileW(F.FindHandle.Get(), &F.FindData))
            return static_cast<int>(GetLastError());
    }
    FILETIME local;
    WORD dosDate = 0, dosTime = 0;
    FileTimeToLocalFileTime(&F.FindData.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, &dosDate, &dosTime);
    F.Time = static_cast<int32_t>((static_cast<uint32_t>(dosDate) << 16) | dosTime);
    F.Size = static_cast<int64_t>((static_cast<uint64_t>(F.FindData.nFileSizeHigh) << 32) | F.FindData.nFileSizeLow);
    F.Attr = F.FindData.dwFileAttributes;
    F.Name.assign(F.FindData.cFileName, WStrLen(F.FindData.cFileName));
    return 0;
}

} // namespace

int WideFindFirst(const WideString& Path, uint32_t Attr, TSearchRecW& F) {
    WideFindClose(F);
    F.ExcludeAttr = ~Attr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | 0x08 /* volume id */ |
                             FILE_ATTRIBUTE_DIRECTORY);
    F.FindHandle.Reset(Tnt_FindFirstFileW(Path.c_str(), &F.FindData));
    if (!F.FindHandle)
        return static_cast<int>(GetLastError());
    const int result = FindMatchingFile(F);
    if (result != 0)
        WideFindClose(F);
    return result;
}

int WideFindNext(TSearchRecW& F) {
    if (!F.FindHandle)
        return ERROR_INVALID_HANDLE;
    if (!Tnt_FindNextFileW(F.FindHandle.Get(), &F.FindData))
        return static_cast<int>(GetLastError());
    return FindMatchingFile(F);
}

void WideFindClose(TSearchRecW& F) { F.FindHandle.Reset(); }

// ---------------------------------------------------------------------------------
// System error text

WideString WideSysErrorMessage(DWORD ErrorCode) {
    // The system sizes the text itself, so long messages come back whole.
    wchar_t* text = nullptr;
    const DWORD len = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                         FORMAT_MESSAGE_IGNORE_INSERTS,
                                     nullptr, ErrorCode, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    WideString result;
    if (text) {
        result = Trim(std::wstring_view(text, len));
        LocalFree(text);
    }
    if (result.empty())
        result = WideFormat(L"Unspecified error (%d) from %s.", {static_cast<int>(ErrorCode), L"system"});
    return result;
}

// ---------------------------------------------------------------------------------
// Character classes

namespace {

WORD CharType1(wchar_t C) {
    WORD type = 0;
    if (!Tnt_GetStringTypeExW(GetThreadLocale(), CT_CTYPE1, &C, 1, &type))
        RaiseLastOSError();
    return type;
}

} // namespace

bool IsWideCharSpace(wchar_t C) {
    return (CharType1(C) & C1_SPACE) != 0;
}

bool IsWideCharPunct(wchar_t C) {
    return (CharType1(C) & C1_PUNCT) != 0;
}

bool IsWideCharAlphaNumeric(wchar_t C) {
    return (CharType1(C) & (C1_ALPHA | C1_DIGIT)) != 0;
}

bool IsWideCharMappableToAnsi(wchar_t C) {
    if (DefaultSystemCodePage == CP_UTF7 || DefaultSystemCodePage == CP_UTF8)
        return C < 0xD800 || C > 0xDFFF;
    char buf[8];
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(DefaultSystemCodePage, 0, &C, 1, buf, sizeof buf, nullptr, &usedDefault);
    return n > 0 && !usedDefault;
}

bool IsWideCharWordDelimiter(wchar_t C) {
    return C == L'\0' || IsWideCharSpace(C) || IsWideCharPunct(C);
}

// ---------------------------------------------------------------------------------
// Replace

WideString Tnt_WideStringReplace(const WideString& S, const WideString& OldPattern, const WideString& NewPattern,
                                 TReplaceFlags Flags, bool WholeWord) {
    if (OldPattern.empty() || S.empty())
        return S;
    WideString searchStr = S;
    WideString pattern = OldPattern;
    if (Flags & rfIgnoreCase) {
        Tnt_CharUpperBuffW(searchStr.data(), static_cast<DWORD>(searchStr.size()));
        Tnt_CharUpperBuffW(pattern.data(), static_cast<DWORD>(pattern.size()));
    }
    WideString result;
    result.reserve(S.size());
    size_t pos = 0;
    for (;;) {
        const size_t found = searchStr.find(pattern, pos);
        if (found == WideString::npos) {
            result.append(S, pos, WideString::npos);
            break;
        }
        const size_t end = found + pattern.size();
        if (WholeWord) {
            wchar_t before = L'\0';
            if (found > pos)
                before = S[found - 1];
            else if (!result.empty())
                before = result.back();
            const wchar_t after = end < S.size() ? S[end] : L'\0';
            if (!IsWideCharWordDelimiter(before) || !IsWideCharWordDelimiter(after)) {
                result.append(S, pos, end - pos);
                pos = end;
                continue;
            }
        }
        result.append(S, pos, found - pos);
        result += NewPattern;
        pos = end;
        if (!(Flags & rfReplaceAll)) {
            result.append(S, pos, WideString::npos);
            break;
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------
// Line breaks

WideString WideAdjustLineBreaks(const WideString& S, TTntTextLineBreakStyle Style) {
    const size_t breakLen = Style == tlbsCRLF ? 2 : 1;
    const size_t n = S.size();
    size_t length = 0;
    for (size_t i = 0; i < n; ++i) {
        const wchar_t c = S[i];
        if (c == L'\r' || c == L'\n' || c == 0x2028) {
            length += breakLen;
            if (c == L'\r' && i + 1 < n && S[i + 1] == L'\n')
                ++i;
        } else {
            ++length;
        }
    }
    WideString result(length, L'\0');
    size_t o = 0;
    for (size_t i = 0; i < n; ++i) {
        const wchar_t c = S[i];
        if (c == L'\r' || c == L'\n' || c == 0x2028) {
            if (c == L'\r' && i + 1 < n && S[i + 1] == L'\n')
                ++i;
            if (Style == tlbsCRLF) {
                result[o++] = L'\r';
                result[o++] = L'\n';
            } else {
                result[o++] = Style == tlbsLF ? L'\n' : L'\r';
            }
        } else {
            result[o++] = c;
        }
    }
    return result;
}

// ---------------------------------------------------------------------------------
// Buffered wide string

void TBufferedWideString::AddChar(wchar_t Ch) {
    if (FLength >= FValue.size()) {
        const size_t grow = std::min<size_t>(std::max<size_t>(32, FValue.size()), 256);
        FValue.resize(FValue.size() + grow, L'\0');
    }
    FValue[FLength++] = Ch;
}

void TBufferedWideString::AddString(std::wstring_view S) {
    for (const wchar_t c : S)
        AddChar(c);
}

void TBufferedWideString::AddBuffer(const wchar_t* Buff, size_t Chars) {
    for (size_t i = 0; i < Chars && Buff[i]; ++i)
        AddChar(Buff[i]);
}

void TBufferedWideString::Clear() {
    FLength = 0;
    std::fill(FValue.begin(), FValue.end(), L'\0');
}

// ---------------------------------------------------------------------------------
// Format string parser

namespace {

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

} // namespace

TFormatStrParser::TFormatStrParser(std::wstring_view FormatStr) : FFormat(FormatStr) {}

bool TFormatStrParser::NextLiteral(WideString& Text) {
    const size_t pct = FFormat.find(L'%', FPos);
    const size_t end = pct == std::wstring_view::npos ? FFormat.size() : pct;
    Text.assign(FFormat.substr(FPos, end - FPos));
    FPos = end;
    return pct != std::wstring_view::npos;
}

void TFormatStrParser::RaiseInvalid() {
    WideString text = FSpecifier.AsString();
    text.append(FFormat.substr(std::min(FPos, FFormat.size())));
    throw EFormatSpecError(L"Invalid Format Specifier: " + text);
}

void TFormatStrParser::ParseDigits(int* Value) {
    int count = 0;
    int value = 0;
    while (FPos < FFormat.size() && IsDigit(FFormat[FPos])) {
        const wchar_t c = FFormat[FPos++];
        FSpecifier.AddChar(c);
        if (++count > 6)
            RaiseInvalid();
        value = value * 10 + (c - L'0');
    }
    if (Value)
        *Value = value;
}

TFormatStrParser::TFormatSpecType TFormatStrParser::ParseFormatSpecifier() {
    const size_t n = FFormat.size();
    auto peek = [&]() -> wchar_t { return FPos < n ? FFormat[FPos] : L'\0'; };
    auto take = [&]() { FSpecifier.AddChar(FFormat[FPos++]); };

    FSpecifier.Clear();
    if (peek() != L'%')
        throw ETntInternalError(L"Internal Error: a format specifier must start with '%'");
    take();
    // "%%", "% " and a final '%' are not specifiers.
    if (FPos >= n)
        return fstNone;
    if (peek() == L'%' || peek() == L' ') {
        take();
        return fstNone;
    }

    // The argument index: as written, or the next one made explicit.
    size_t q = FPos;
    while (q < n && IsDigit(FFormat[q]))
        ++q;
    if (q > FPos && q < n && FFormat[q] == L':') {
        int index = 0;
        ParseDigits(&index);
        take(); // ':'
        ++FExplicitCount;
        FLastIndex = std::max(FLastIndex, index);
    } else {
        ++FImplicitCount;
        ++FLastIndex;
        FSpecifier.AddString(IntToStr(FLastIndex));
        FSpecifier.AddChar(L':');
    }

    if (peek() == L'-')
        take();
    // Width: '*' takes one more argument.
    if (peek() == L'*') {
        take();
        ++FImplicitCount;
        ++FLastIndex;
    } else {
        ParseDigits(nullptr);
    }
    // Precision.
    if (peek() == L'.') {
        take();
        if (peek() == L'*') {
            take();
            ++FImplicitCount;
            ++FLastIndex;
        } else {
            ParseDigits(nullptr);
        }
    }

    const wchar_t type = peek();
    if (type == L'\0' || std::wstring_view(L"dDeEfFgGmMnNpPsSuUxX").find(type) == std::wstring_view::npos)
        RaiseInvalid();
    take();
    switch (towlower(type)) {
    case L'd':
    case L'u':
    case L'x':
        return fstInteger;
    case L'e':
    case L'f':
    case L'g':
    case L'm':
    case L'n':
        return fstFloat;
    case L'p':
        return fstPointer;
    case L's':
        return fstString;
    default:
        throw ETntInternalError(L"Internal Error: Unexpected format type (" + WideString(1, type) + L")");
    }
}

namespace {

WideString ProcessFormat(std::wstring_view FormatStr, const std::function<WideString(const WideString&)>* Float) {
    TFormatStrParser parser(FormatStr);
    WideString out;
    out.reserve(FormatStr.size() + 16);
    WideString literal;
    for (;;) {
        const bool more = parser.NextLiteral(literal);
        out += literal;
        if (!more)
            break;
        const auto type = parser.ParseFormatSpecifier();
        if (type == TFormatStrParser::fstFloat && Float) {
            // The formatted number goes back into the format: keep any '%' in it literal.
            for (const wchar_t c : (*Float)(parser.Specifier())) {
                out += c;
                if (c == L'%')
                    out += L'%';
            }
        } else {
            out += parser.Specifier();
        }
    }
    return out;
}

} // namespace

WideString GetCanonicalFormatStr(std::wstring_view FormatStr) {
    return ProcessFormat(FormatStr, nullptr);
}

WideString ReplaceFloatingArgumentsInFormatString(std::wstring_view FormatStr, const TVarRec* Args, size_t Count,
                                                  const TFormatSettings* Settings) {
    const std::function<WideString(const WideString&)> formatFloat = [&](const WideString& specifier) {
        return Settings ? Format(specifier, Args, Count, *Settings) : Format(specifier, Args, Count);
    };
    return ProcessFormat(FormatStr, &formatFloat);
}

WideString WideFormat(std::wstring_view FormatStr, const TVarRec* Args, size_t Count) {
    return Format(ReplaceFloatingArgumentsInFormatString(FormatStr, Args, Count), Args, Count);
}

WideString WideFormat(std::wstring_view FormatStr, const TVarRec* Args, size_t Count, const TFormatSettings& Settings) {
    return Format(ReplaceFloatingArgumentsInFormatString(FormatStr, Args, Count, &Settings), Args, Count, Settings);
}

// ---------------------------------------------------------------------------------
// Synced wide strings

WideString GetSyncedWideString(WideString& WideStr, const AnsiString& AnsiStr) {
    if (DefaultWideToAnsi(WideStr) != AnsiStr)
        WideStr = DefaultAnsiToWide(AnsiStr);
    return WideStr;
}

void SetSyncedWideString(const WideString& Value, WideString& WideStr, const AnsiString& AnsiStr,
                         const std::function<void(const AnsiString&)>& SetAnsiStr) {
    if (Value == GetSyncedWideString(WideStr, AnsiStr))
        return;
    const AnsiString ansiValue = DefaultWideToAnsi(Value);
    // A wide change that looks the same in ANSI must still register as a change there.
    if (DefaultAnsiToWide(ansiValue) != Value && AnsiStr == ansiValue)
        SetAnsiStr(AnsiString());
    WideStr = Value;
    SetAnsiStr(ansiValue);
}

// ---------------------------------------------------------------------------------
// Component helpers

TWideComponentHelper::TWideComponentHelper(TComponent* AComponent, TWideComponentHelperList* List)
    : TComponent(nullptr), FComponent(AComponent), FList(List) {
    if (!AComponent || !List)
        throw ETntInternalError(L"Internal Error: a component helper needs a component and a list.");
    int index = 0;
    FindWideComponentHelperIndex(List, AComponent, index);
    List->FItems.insert(List->FItems.begin() + index, this);
    FComponent->FreeNotification(this);
}

TWideComponentHelper::~TWideComponentHelper() {
    if (FList) {
        auto& items = FList->FItems;
        items.erase(std::remove(items.begin(), items.end(), this), items.end());
    }
    if (FComponent)
        FComponent->RemoveFreeNotification(this);
}

void TWideComponentHelper::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent && AComponent == FComponent) {
        FComponent = nullptr;
        delete this; // nothing of this object is touched after this point
    }
}

TWideComponentHelperList::~TWideComponentHelperList() {
    while (!FItems.empty())
        delete FItems.back(); // the helper takes itself out of the list
}

bool FindWideComponentHelperIndex(const TWideComponentHelperList* List, const TComponent* Component, int& Index) {
    const auto& items = List->FItems;
    const auto it = std::lower_bound(items.begin(), items.end(), Component,
                                     [](const TWideComponentHelper* helper, const TComponent* c) {
                                         return std::less<const void*>()(helper->Component(), c);
                                     });
    Index = static_cast<int>(it - items.begin());
    return it != items.end() && (*it)->Component() == Component;
}

TWideComponentHelper* FindWideComponentHelper(const TWideComponentHelperList* List, const TComponent* Component) {
    int index = 0;
    if (!FindWideComponentHelperIndex(List, Component, index))
        return nullptr;
    TWideComponentHelper* helper = List->Items(index);
    if (helper->Component() != Component)
        throw EAssertionFailed(L"TNT Internal Error: FindWideComponentHelperIndex failed.");
    return helper;
}

// ---------------------------------------------------------------------------------
// In-process servers

namespace {

WideString RegDefaultValue(const WideString& KeyName) {
    TRegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, KeyName.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
        return WideString();
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return WideString();
    WideString value(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &bytes) !=
        ERROR_SUCCESS)
        return WideString();
    value.resize(WStrLen(value.c_str()));
    if (type == REG_EXPAND_SZ) {
        const DWORD need = ExpandEnvironmentStringsW(value.c_str(), nullptr, 0);
        if (need > 0) {
            WideString expanded(need, L'\0');
            if (ExpandEnvironmentStringsW(value.c_str(), expanded.data(), need) > 0) {
                expanded.resize(WStrLen(expanded.c_str()));
                value = expanded;
            }
        }
    }
    return value;
}

} // namespace

bool IsInProcServerRegistered(const CLSID& ClassID) {
    TCoTaskString progId;
    if (FAILED(ProgIDFromCLSID(ClassID, progId.Put())))
        return false;
    wchar_t guid[40] = {};
    StringFromGUID2(ClassID, guid, 40);
    const WideString key = WideFormat(L"SOFTWARE\\Classes\\CLSID\\%s", {guid});
    WideString file = RegDefaultValue(key + L"\\InProcServer32");
    if (file.empty())
        file = RegDefaultValue(key + L"\\InProcServer");
    if (file.size() >= 2 && file.front() == L'"' && file.back() == L'"')
        file = file.substr(1, file.size() - 2);
    return !file.empty() && WideFileExists(file);
}
