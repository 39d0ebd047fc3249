// String, path, file and file-time functions shared by the whole program.
//
// Most functions come as a family: a wide form (W), a form whose 8-bit character or
// pattern is widened by its byte value (WA), and an 8-bit form (A) over text in the
// active ANSI code page that respects double-byte lead bytes. Positions are 1-based
// character (or byte) positions; 0 means "not found". Nothing here raises for bad
// input: empty text, an index below 1 or past the end gives the neutral result.
#pragma once

#include "System.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

class TTntStringList;

// ---------------------------------------------------------------------------------
// MBCS state of the 8-bit functions

struct TMbcsState {
    int CodePage = 0;       // the code page the state describes
    int MaxCharSize = 0;    // from GetCPInfo; 0 when that failed
    bool FarEast = false;   // MaxCharSize > 1
    uint8_t LeadBytes[32] = {}; // 256-bit set of lead bytes
    bool IsLeadByte(uint8_t b) const { return (LeadBytes[b >> 3] >> (b & 7)) & 1; }
};

// Fills the state for CodePage (the active ANSI code page when CodePage < 0).
// Start-up calls it with -1; tests may call it again to work with another code page.
void InitLeadBytes(int CodePage);
const TMbcsState& MbcsState();

// Byte type of S at the 0-based byte Index: 0 single byte, 1 lead byte, 2 trail byte.
int ByteTypeAt(const std::string& S, int Index);
// True when the byte at the 1-based Pos is not the trail byte of a double-byte character.
bool IsSingleOrLeadA(const std::string& S, int Pos);

// ---------------------------------------------------------------------------------
// Search

int PosA(const std::string& S, const std::string& SubStr);
int PosW(const std::wstring& S, const std::wstring& SubStr);
int PosWA(const std::wstring& S, const std::string& SubStr);
int PosTextA(const std::string& S, const std::string& SubStr);
int PosTextW(const std::wstring& S, const std::wstring& SubStr);
int PosTextWA(const std::wstring& S, const std::string& SubStr);
int PosExW(const std::wstring& S, const std::wstring& SubStr, int FromPos);
int PosExTextW(const std::wstring& S, const std::wstring& SubStr, int FromPos);
int PosExTextWA(const std::wstring& S, const std::string& SubStr, int FromPos);
// N-th occurrence; occurrences do not overlap.
int PosNthW(const std::wstring& S, const std::wstring& SubStr, int N);
int PosNthTextW(const std::wstring& S, const std::wstring& SubStr, int N);

int PosCharW(const std::wstring& S, wchar_t Ch, int N = 1);
int PosCharWA(const std::wstring& S, char Ch, int N = 1);
int PosCharA(const std::string& S, char Ch, int N = 1);
int RPosCharW(const std::wstring& S, wchar_t Ch, int N = 1);
int RPosCharWA(const std::wstring& S, char Ch, int N = 1);
int RPosCharA(const std::string& S, char Ch, int N = 1);
int PosCharExW(const std::wstring& S, wchar_t Ch, int FromPos);
int PosCharExWA(const std::wstring& S, char Ch, int FromPos);
int PosCharExA(const std::string& S, char Ch, int FromPos);
int RPosCharExW(const std::wstring& S, wchar_t Ch, int FromPos);
int CountCharW(const std::wstring& S, wchar_t Ch);
bool CharInArray(wchar_t Ch, std::initializer_list<wchar_t> Chars);
bool CharInArray(wchar_t Ch, std::initializer_list<char> Chars); // compared by byte value

// ---------------------------------------------------------------------------------
// Tokens: fields between single delimiters, 1-based, empty fields count.

std::wstring GetTokenW(const std::wstring& S, int Index, wchar_t Delim);
std::wstring GetTokenTrimW(const std::wstring& S, int Index, wchar_t Delim);
std::wstring GetTokenTrimWA(const std::wstring& S, int Index, char Delim);
int GetTokenIntW(const std::wstring& S, int Index, wchar_t Delim, int Default);
int GetTokenIntWA(const std::wstring& S, int Index, char Delim, int Default);

// ---------------------------------------------------------------------------------
// Replace and trim (in place)

// Replaces Find from StartPos on; the next search starts after the inserted text;
// stops after MaxCount replacements (0 = no limit). Returns the count.
int ReplaceStrW(std::wstring& S, const std::wstring& Find, const std::wstring& Replace, int StartPos = 1,
                int MaxCount = 0);
int ReplaceStrWA(std::wstring& S, const std::string& Find, const std::string& Replace, int StartPos = 1,
                 int MaxCount = 0);
int ReplaceTextW(std::wstring& S, const std::wstring& Find, const std::wstring& Replace, int StartPos = 1,
                 int MaxCount = 0);
// Stops once MaxCount characters have been replaced; MaxCount <= 0 stops after the first.
int ReplaceCharW(std::wstring& S, wchar_t OldCh, wchar_t NewCh, int StartPos, int MaxCount);
void BackslashToSlashW(std::wstring& S);
void TrimLeftCharW(std::wstring& S, wchar_t Ch);
void TrimLeftCharWA(std::wstring& S, char Ch);
void TrimRightCharW(std::wstring& S, wchar_t Ch);
void TrimRightCharWA(std::wstring& S, char Ch);
void TrimRightCharA(std::string& S, char Ch);
void TrimCharW(std::wstring& S, wchar_t Ch);
void TrimCharWA(std::wstring& S, char Ch);
void DeleteCharW(std::wstring& S, wchar_t Ch);
void DeleteCharWA(std::wstring& S, char Ch);
void PadLeftW(std::wstring& S, wchar_t Ch, int Width);
void TruncateW(std::wstring& S, int Len);
void TruncateA(std::string& S, int Len);
std::wstring StringOfCharW(wchar_t Ch, int Count);
std::wstring StringOfCharWA(char Ch, int Count);
std::wstring DupeStringW(const std::wstring& S, int Count);
std::wstring DupeStringWA(const std::string& S, int Count);

// ---------------------------------------------------------------------------------
// Comparison and numbers

// Equal after folding only 'A'..'Z' to lower case.
bool SameTextW(const std::wstring& S1, const std::wstring& S2);
bool SameTextPrefixW(const std::wstring& S1, const std::wstring& S2, int Count);
bool IsDigitW(wchar_t Ch);
bool IsSignOrDigitW(wchar_t Ch);
bool IsIntegerStrA(const std::string& S);
bool IsIntegerStrW(const std::wstring& S);
int StrToIntDefA(const std::string& S, int Default);
int StrToIntDefW(const std::wstring& S, int Default);

// Value with the user locale's thousands separator ("-1,234,567").
std::wstring FormatThousands(int64_t Value);
// The same with Sep between the groups.
std::wstring FormatThousandsSep(wchar_t Sep, int64_t Value);

// ---------------------------------------------------------------------------------
// File-name parts

bool IsFileExtW(const std::wstring& FileName, const std::wstring& Ext);
bool IsFileExtWA(const std::wstring& FileName, const std::string& Ext);
std::wstring ChangeFileExtW(const std::wstring& FileName, const std::wstring& Ext);
std::wstring ChangeFileExtWA(const std::wstring& FileName, const std::string& Ext);
void ExcludeTrailingBackslashW(std::wstring& S);
void ExcludeTrailingBackslashA(std::string& S);
std::wstring ExtractFileNameW(const std::wstring& Path);
std::wstring ExtractFileDirW(const std::wstring& Path);
std::string ExtractFileDirA(const std::string& Path);
std::wstring ExtractFolderPartW(const std::wstring& Path);
std::wstring ExtractParentDirW(const std::wstring& Path);
std::wstring ExtractLastPathPartW(const std::wstring& Path);
std::wstring ExtractDirOfMaskW(const std::wstring& Mask);

// ---------------------------------------------------------------------------------
// Existence tests (a name with wildcards matches any entry it finds)

bool FileExistsW(const std::wstring& Name);
bool FileExistsA(const std::string& Name);
bool DirectoryExistsW(const std::wstring& Dir);
bool DirectoryExistsA(const std::string& Dir);
DWORD FileGetAttrsA(const std::string& Name);

// ---------------------------------------------------------------------------------
// Long and short paths (GetLongPathA/W live in ULongPath.h)

void ToLongPathW(std::wstring& Path);
void FullLongPathA(std::string& Path);
void FullLongPathW(std::wstring& Path);
std::wstring GetShortPathRawW(const std::wstring& Path);
// A form of Path usable by calls that fail on 256+ characters; for a file that does
// not exist yet it creates the file empty so that its short name can serve.
std::wstring ShortPathW(const std::wstring& Path);

// ---------------------------------------------------------------------------------
// File times and attributes

bool FileTimeToDateTime(const FILETIME& FileTime, TDateTime& DateTime);
bool DateTimeToFileTime(TDateTime DateTime, FILETIME& FileTime);
bool FileTimeToLocalDateTime(const FILETIME& FileTime, TDateTime& DateTime);
bool GetFileModifiedA(const std::string& Name, TDateTime& DateTime);
// Which: bit 1 creation, bit 2 last access, bit 4 last write (DateTime is local time).
bool SetFileDateTimeW(const std::wstring& Name, TDateTime DateTime, int Which);
bool SetFileModifiedW(const std::wstring& Name, TDateTime DateTime);
// Mode 1 adds Flag, any other Mode removes it.
bool SetFileAttrFlagA(const std::string& Name, DWORD Flag, int Mode);
bool SetFileAttrFlagW(const std::wstring& Name, DWORD Flag, int Mode);
int FileSetAttrW(const std::wstring& Name, DWORD Attr); // 0 or the system error code
bool FileHasAttrW(const std::wstring& Name, DWORD Attr);
bool RenameFileA(const std::string& OldName, const std::string& NewName);
bool RenameFileW(const std::wstring& OldName, const std::wstring& NewName);

// ---------------------------------------------------------------------------------
// Size bounds of the files the program reads, each a generous multiple of the largest real
// file of its kind. A file over its bound is not read at all and is left as it is, so that
// a damaged or hostile file can neither exhaust the memory nor hold the window.

constexpr int64_t MaxBookmarkFileBytes = 256 * 1024;      // one address; real ones hold a few hundred bytes
constexpr int64_t MaxLanguageFileBytes = 8 * 1024 * 1024; // real ones about 100 KB
constexpr int64_t MaxConfigFileBytes = 1024 * 1024;       // HelpClient.cfg and option files: a few KB

// The size of FileName in bytes; -1 when it cannot be asked (missing, no rights).
int64_t FileSizeW(const std::wstring& FileName);
// False when FileName is longer than MaxBytes. A file whose size cannot be asked passes:
// reading it fails on its own.
bool FileWithinSize(const std::wstring& FileName, int64_t MaxBytes);
// The message for a file over its bound: the file, its size and the bound.
std::wstring FileTooLargeText(const std::wstring& FileName, int64_t MaxBytes);
// FileWithinSize; when not, the user is told (FileTooLargeText).
bool FileSizeAllowed(const std::wstring& FileName, int64_t MaxBytes);

// ---------------------------------------------------------------------------------
// Folder clean-up and mask searches

// Deletes every file matching Mask except Keep; true when nothing matched or every
// deletion succeeded.
bool DeleteFilesExceptA(const std::string& Mask, const std::string& Keep);
bool DeleteFilesExceptW(const std::wstring& Mask, const std::wstring& Keep);
bool DeleteFilesA(const std::string& Mask);
bool DeleteFilesW(const std::wstring& Mask);
std::wstring FindFirstFileMatchW(const std::wstring& Mask);
std::wstring FindFirstFolderMatchW(const std::wstring& Mask);
// Full paths of all files matching Mask, in the order the file system gives them.
std::unique_ptr<TTntStringList> FindFilesW(const std::wstring& Mask);
bool ForceDirectoriesW(const std::wstring& Dir);
std::wstring GetTempFolderW();

// ---------------------------------------------------------------------------------
// Command line and environment

bool IsParamW(const std::wstring& Param);
std::string ExpandEnvA(const std::string& S);
std::wstring ExpandEnvW(const std::wstring& S);
void ExpandEnvInPlaceA(std::string& S);
void ExpandEnvInPlaceW(std::wstring& S);
