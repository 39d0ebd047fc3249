// Wide system utilities: file names and files, error texts, character classes, replace,
// line breaks, the checked WideFormat, synced wide strings and component helpers.
#pragma once

#include "Classes.h"
#include "Format.h"
#include "Handles.h"
#include "System.h"
#include "TntSystem.h"
#include "TntWideStrUtils.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// ---------------------------------------------------------------------------------
// Exceptions of the Unicode set.
VORLANE_DECLARE_EXCEPTION(ETntGeneralError, Exception);
VORLANE_DECLARE_EXCEPTION(ETntInternalError, Exception);
VORLANE_DECLARE_EXCEPTION(EFormatSpecError, ETntGeneralError);

// ---------------------------------------------------------------------------------
// File names (positions 1-based, 0 = none).

// "X:" for a drive name; "\\server\share" for a UNC name; '' otherwise.
WideString WideExtractFileDrive(const WideString& FileName);
// The text after the last '\' or ':'.
WideString WideExtractFileName(const WideString& FileName);
// From the last '.' after the last '\' or ':' (with the '.'); '' when there is none.
WideString WideExtractFileExt(const WideString& FileName);
// Replaces that extension with Extension, or appends Extension when there is none.
WideString WideChangeFileExt(const WideString& FileName, const WideString& Extension);
// S without one trailing '\'.
WideString WideExcludeTrailingBackslash(const WideString& S);
// S[Index] is one of Delimiters; false outside 1..Length(S).
bool WideIsDelimiter(const WideString& Delimiters, const WideString& S, int Index);
// Index of the last character of S that is one of Delimiters; 0 when none.
int WideLastDelimiter(const WideString& Delimiters, const WideString& S);
// The full path of FileName ('' when the system cannot make one). Long paths come back whole.
WideString WideExpandFileName(const WideString& FileName);

// ---------------------------------------------------------------------------------
// Files and folders. Results are the system call's (no exceptions) unless stated.

// Creates or truncates: read/write, no sharing. The handle, or INVALID_HANDLE_VALUE.
HANDLE WideFileCreate(const WideString& FileName);
// Opens an existing file: access from Mode & 3 (fmOpenRead/Write/ReadWrite), sharing from
// the fmShare* bits. The handle, or INVALID_HANDLE_VALUE.
HANDLE WideFileOpen(const WideString& FileName, uint32_t Mode);
// True when FileName names an existing file (not a folder). Names holding '*' or '?' are
// never files.
bool WideFileExists(const WideString& FileName);
// Attributes, or INVALID_FILE_ATTRIBUTES.
DWORD WideFileGetAttr(const WideString& FileName);
bool WideFileSetAttr(const WideString& FileName, DWORD Attr);
bool WideRenameFile(const WideString& OldName, const WideString& NewName);
bool WideDeleteFile(const WideString& FileName);
bool WideCreateDir(const WideString& Dir);
bool WideSetCurrentDir(const WideString& Dir);
// The current folder ('' on failure). Long paths come back whole.
WideString WideGetCurrentDir();
// The module's full path (nullptr = the program). Raises EOSError when the system fails.
WideString WideGetModuleFileName(HMODULE Module);

// A wide search record. Owns its find handle (closed by WideFindClose or on destruction).
struct TSearchRecW {
    int32_t Time = 0;     // last write, local DOS date (high word) and time (low word)
    int64_t Size = 0;
    uint32_t Attr = 0;
    WideString Name;
    uint32_t ExcludeAttr = 0;
    TFindHandle FindHandle; // moves with the record, never copied
    WIN32_FIND_DATAW FindData{};
};
// Finds the first entry matching Path whose attributes fit Attr (hidden, system, volume and
// directory entries only when asked for). 0, or the system error code.
int WideFindFirst(const WideString& Path, uint32_t Attr, TSearchRecW& F);
int WideFindNext(TSearchRecW& F);
void WideFindClose(TSearchRecW& F);

// ---------------------------------------------------------------------------------
// System error text, trimmed; "Unspecified error (code) from system." when there is none.
WideString WideSysErrorMessage(DWORD ErrorCode);

// ---------------------------------------------------------------------------------
// Character classes (CT_CTYPE1 in the thread's locale; a failing call raises EOSError).
bool IsWideCharSpace(wchar_t C);
bool IsWideCharPunct(wchar_t C);
bool IsWideCharAlphaNumeric(wchar_t C);
// C alone converts to the default code page without the default character.
bool IsWideCharMappableToAnsi(wchar_t C);
// #0, a space or a punctuation character.
bool IsWideCharWordDelimiter(wchar_t C);

// ---------------------------------------------------------------------------------
// Replace.
using TReplaceFlags = uint32_t;
constexpr TReplaceFlags rfReplaceAll = 1;
constexpr TReplaceFlags rfIgnoreCase = 2;

// Replaces OldPattern by NewPattern in S (the first match, or all with rfReplaceAll).
// WholeWord: only matches with a word delimiter on both sides. An empty OldPattern leaves
// S unchanged.
WideString Tnt_WideStringReplace(const WideString& S, const WideString& OldPattern, const WideString& NewPattern,
                                 TReplaceFlags Flags, bool WholeWord = false);

// ---------------------------------------------------------------------------------
// Line breaks: CR LF, CR, LF and U+2028 all become the style's break.
enum TTntTextLineBreakStyle { tlbsLF = 0, tlbsCRLF = 1, tlbsCR = 2 };
WideString WideAdjustLineBreaks(const WideString& S, TTntTextLineBreakStyle Style = tlbsCRLF);

// ---------------------------------------------------------------------------------
// Checked wide formatting.

// A growable wide buffer: Value holds the capacity, Length the characters used.
class TBufferedWideString {
public:
    void AddChar(wchar_t Ch);
    void AddString(std::wstring_view S);
    // Adds up to Chars characters of Buff, stopping at #0.
    void AddBuffer(const wchar_t* Buff, size_t Chars);
    void Clear();
    // The characters used.
    WideString AsString() const { return FValue.substr(0, FLength); }
    size_t Length() const { return FLength; }
    size_t Capacity() const { return FValue.size(); }

private:
    WideString FValue;
    size_t FLength = 0;
};

// Parses format strings for WideFormat: checks every specifier and gives each one an
// explicit argument index. Bad specifiers raise EFormatSpecError
// "Invalid Format Specifier: %s" (the specifier so far, then the rest of the format).
class TFormatStrParser {
public:
    enum TFormatSpecType { fstNone, fstInteger, fstFloat, fstPointer, fstString };

    explicit TFormatStrParser(std::wstring_view FormatStr);
    // Copies the text from the cursor up to the next '%' (or the end) into Text; true when
    // a '%' follows.
    bool NextLiteral(WideString& Text);
    // At a '%': parses one specifier into Specifier() (with its argument index). Returns
    // fstNone for "%%", "% " and a final '%', which are copied literally.
    TFormatSpecType ParseFormatSpecifier();
    WideString Specifier() const { return FSpecifier.AsString(); }

    int LastIndex() const { return FLastIndex; }
    int ExplicitCount() const { return FExplicitCount; }
    int ImplicitCount() const { return FImplicitCount; }

private:
    [[noreturn]] void RaiseInvalid();
    void ParseDigits(int* Value);

    std::wstring_view FFormat;
    size_t FPos = 0;
    TBufferedWideString FSpecifier;
    int FLastIndex = -1;
    int FExplicitCount = 0;
    int FImplicitCount = 0;
};

// The format with every specifier checked and carrying its argument index.
WideString GetCanonicalFormatStr(std::wstring_view FormatStr);
// The canonical format with every floating specifier already formatted by the base formatter.
WideString ReplaceFloatingArgumentsInFormatString(std::wstring_view FormatStr, const TVarRec* Args, size_t Count,
                                                  const TFormatSettings* Settings = nullptr);

// The program's wide Format: the format is checked (EFormatSpecError), floats are formatted
// with the locale's settings, and the base formatter does the rest (EConvertError for an
// argument that does not fit its specifier).
WideString WideFormat(std::wstring_view FormatStr, const TVarRec* Args, size_t Count);
WideString WideFormat(std::wstring_view FormatStr, const TVarRec* Args, size_t Count, const TFormatSettings& Settings);
inline WideString WideFormat(std::wstring_view FormatStr, TFormatArgs Args = {}) {
    return WideFormat(FormatStr, Args.begin(), Args.size());
}
inline WideString WideFormat(std::wstring_view FormatStr, TFormatArgs Args, const TFormatSettings& Settings) {
    return WideFormat(FormatStr, Args.begin(), Args.size(), Settings);
}

// ---------------------------------------------------------------------------------
// Synced wide strings: a wide value kept beside an ANSI property of the GUI class library.

// WideStr while its ANSI form equals AnsiStr; otherwise AnsiStr widened (stored in WideStr).
WideString GetSyncedWideString(WideString& WideStr, const AnsiString& AnsiStr);
// Stores Value in WideStr and its ANSI form through SetAnsiStr (when it changes the synced value).
void SetSyncedWideString(const WideString& Value, WideString& WideStr, const AnsiString& AnsiStr,
                         const std::function<void(const AnsiString&)>& SetAnsiStr);

// ---------------------------------------------------------------------------------
// Component helpers: one helper object per component, kept in a list sorted by the
// component's address. A helper frees itself when its component goes away.
class TWideComponentHelperList;

class TWideComponentHelper : public TComponent {
public:
    VORLANE_CLASS_NAME(TWideComponentHelper)
    // Creates the helper (without owner) for AComponent and inserts it into List, which
    // owns it from then on.
    TWideComponentHelper(TComponent* AComponent, TWideComponentHelperList* List);
    ~TWideComponentHelper() override;
    TComponent* Component() const { return FComponent; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TComponent* FComponent;
    TWideComponentHelperList* FList;
};

// Owns its helpers; frees those still listed when it is destroyed.
class TWideComponentHelperList {
public:
    TWideComponentHelperList() = default;
    TWideComponentHelperList(const TWideComponentHelperList&) = delete;
    TWideComponentHelperList& operator=(const TWideComponentHelperList&) = delete;
    ~TWideComponentHelperList();
    int Count() const { return static_cast<int>(FItems.size()); }
    TWideComponentHelper* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }

private:
    friend class TWideComponentHelper;
    friend bool FindWideComponentHelperIndex(const TWideComponentHelperList*, const TComponent*, int&);
    std::vector<TWideComponentHelper*> FItems;
};

// Binary search: true and the helper's index, or false and the index to insert at.
bool FindWideComponentHelperIndex(const TWideComponentHelperList* List, const TComponent* Component, int& Index);
// The helper of Component, or nullptr.
TWideComponentHelper* FindWideComponentHelper(const TWideComponentHelperList* List, const TComponent* Component);

// ---------------------------------------------------------------------------------
// True when the class is registered with a programmatic id and its in-process server file exists.
bool IsInProcServerRegistered(const CLSID& ClassID);
