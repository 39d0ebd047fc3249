// Conversions, simple text helpers and dates of the runtime layer.
#pragma once

#include "Format.h"
#include "System.h"

#include <string>
#include <string_view>

// Integers and text. StrToInt* accept optional blanks, a sign, decimal digits or "$"/"0x" hex.
std::wstring IntToStr(int64_t value);
std::wstring UIntToStr(uint64_t value);
std::wstring IntToHex(uint64_t value, int digits);
int StrToInt(std::wstring_view s);                    // EConvertError "'%s' is not a valid integer value"
int64_t StrToInt64(std::wstring_view s);
int StrToIntDef(std::wstring_view s, int def);
int64_t StrToInt64Def(std::wstring_view s, int64_t def);
bool TryStrToInt(std::wstring_view s, int& value);
bool TryStrToInt64(std::wstring_view s, int64_t& value);
std::wstring FloatToStr(double value);
double StrToFloat(std::wstring_view s);               // EConvertError "'%s' is not a valid floating point value"
bool TryStrToFloat(std::wstring_view s, double& value);
std::wstring BoolToStr(bool value, bool useBoolStrs = false); // "-1"/"0" or "True"/"False"

// ASCII-only case mapping and comparison (A-Z / a-z), as the library's non-wide forms.
std::wstring UpperCase(std::wstring_view s);
std::wstring LowerCase(std::wstring_view s);
int CompareStr(std::wstring_view a, std::wstring_view b);   // ordinal
int CompareText(std::wstring_view a, std::wstring_view b);  // ASCII case ignored
bool SameText(std::wstring_view a, std::wstring_view b);
// Trimming of blanks and control characters (<= U+0020).
std::wstring Trim(std::wstring_view s);
std::wstring TrimLeft(std::wstring_view s);
std::wstring TrimRight(std::wstring_view s);
std::wstring QuotedStr(std::wstring_view s);          // 'text' with inner quotes doubled

// 1-based search, 0 = not found.
int Pos(std::wstring_view sub, std::wstring_view s);
int PosEx(std::wstring_view sub, std::wstring_view s, int offset = 1);
// 1-based copy: characters index..index+count-1, clipped.
std::wstring Copy(std::wstring_view s, int index, int count);

// UTF-8 <-> UTF-16 at the system boundary (system code page 65001 conversion).
std::string WideToUtf8(std::wstring_view s);
std::wstring Utf8ToWide(std::string_view s);

// Dates and times (TDateTime = days since 1899-12-30).
TDateTime Now();
TDateTime Date();
TDateTime Time();
TDateTime EncodeDate(int year, int month, int day);             // EConvertError on a bad date
TDateTime EncodeTime(int hour, int min, int sec, int msec);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);
void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec);
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
TDateTime SystemTimeToDateTime(const SYSTEMTIME& st);
SYSTEMTIME DateTimeToSystemTime(TDateTime dt);
// A FILETIME (UTC ticks) as a UTC TDateTime, and back.
TDateTime FileTimeToDateTime(const FILETIME& ft);
FILETIME DateTimeToFileTime(TDateTime dt);
// Text in the user's locale: time "hh:mm:ss" style, short date, both.
std::wstring TimeToStr(TDateTime dt);
std::wstring DateToStr(TDateTime dt);
std::wstring DateTimeToStr(TDateTime dt);
// Pattern formatting: yyyy yy mm m dd d hh h nn n ss s zzz, "am/pm" and quoted text.
std::wstring FormatDateTime(std::wstring_view pattern, TDateTime dt);

// Milliseconds since system start (wraps after 49 days, like the system's counter).
uint32_t GetTickCountMs();
