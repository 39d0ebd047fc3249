// Four-part file versions: reading them from version resources and comparing them.
#pragma once

#include <string>

// The fixed file version of FileName's version resource; all parts 0 and VerStr '' when
// the file has none. Returns whether a version was read.
bool GetFileVersionNumbers(const std::wstring& FileName, int& Major, int& Minor, int& Release, int& Build,
                           std::wstring& VerStr);
std::wstring GetFileVersionStr(const std::wstring& FileName);
// The version text of the running program's own file.
std::wstring GetExeVersionStr();

// 0 when equal, 1 when A is the higher version, -1 when lower (major part first).
int CompareVersion(int A1, int A2, int A3, int A4, int B1, int B2, int B3, int B4);
// Texts split at '.' into four parts; a missing or non-numeric part counts as 0.
int CompareVersionStr(const std::wstring& A, const std::wstring& B);
// Only the parts both texts have are compared ('1.2' equals '1.2.0.5'); an empty text is
// lower than any other.
int CompareVersionStrPartial(const std::wstring& A, const std::wstring& B);
