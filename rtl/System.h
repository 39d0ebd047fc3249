// Core types of the runtime layer: text, exceptions, dates and the platform globals.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>

using WideString = std::wstring;   // counted UTF-16 text; the program's one text type
using AnsiString = std::string;    // bytes in a code page (only at the system boundary)
using RawByteString = std::string; // bytes of unknown meaning (files, HTTP bodies)
using TDateTime = double;          // days since 1899-12-30, fraction = time of day

// Base of every exception the program raises on purpose. `Message` is wide text;
// what() gives a UTF-8 copy for the few places that only know std::exception.
class Exception : public std::exception {
public:
    explicit Exception(std::wstring message);
    ~Exception() override;
    const std::wstring& Message() const noexcept { return FMessage; }
    void SetMessage(std::wstring value) { FMessage = std::move(value); FNarrow.clear(); }
    virtual const wchar_t* ClassName() const noexcept { return L"Exception"; }
    const char* what() const noexcept override;

private:
    std::wstring FMessage;
    mutable std::string FNarrow;
};

// Declares an exception class with its class name.
#define VORLANE_DECLARE_EXCEPTION(Name, Base)                                   \
    class Name : public Base {                                                  \
    public:                                                                     \
        using Base::Base;                                                       \
        const wchar_t* ClassName() const noexcept override { return L## #Name; } \
    }

VORLANE_DECLARE_EXCEPTION(EAbort, Exception);
VORLANE_DECLARE_EXCEPTION(EConvertError, Exception);
VORLANE_DECLARE_EXCEPTION(EOutOfResources, Exception);
VORLANE_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VORLANE_DECLARE_EXCEPTION(EInvalidPointer, Exception);
VORLANE_DECLARE_EXCEPTION(EListError, Exception);
VORLANE_DECLARE_EXCEPTION(EStringListError, Exception);
VORLANE_DECLARE_EXCEPTION(EStreamError, Exception);
VORLANE_DECLARE_EXCEPTION(EFCreateError, EStreamError);
VORLANE_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VORLANE_DECLARE_EXCEPTION(EReadError, EStreamError);
VORLANE_DECLARE_EXCEPTION(EWriteError, EStreamError);
VORLANE_DECLARE_EXCEPTION(EComponentError, Exception);
VORLANE_DECLARE_EXCEPTION(EThread, Exception);
VORLANE_DECLARE_EXCEPTION(EAssertionFailed, Exception);

// An operating-system failure with its error code.
class EOSError : public Exception {
public:
    EOSError(std::wstring message, DWORD errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    const wchar_t* ClassName() const noexcept override { return L"EOSError"; }
    DWORD ErrorCode;
};

// The system's text for an error code ("" when the system has none).
std::wstring SysErrorMessage(DWORD errorCode);
// Raises EOSError for GetLastError() (or the given code).
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseLastOSError(DWORD errorCode);
// Raises EOSError when ok is false; returns ok otherwise.
bool Win32Check(bool ok);

// Platform globals, filled once by the runtime's start-up.
constexpr int VER_PLATFORM_WIN32s_ = 0;
extern int Win32Platform;      // VER_PLATFORM_WIN32_NT on every system this program runs on
extern int Win32MajorVersion;
extern int Win32MinorVersion;
extern int Win32BuildNumber;
extern std::wstring Win32CSDVersion;

struct TSysLocale {
    LCID DefaultLCID = 0;
    int PriLangID = 0;
    int SubLangID = 0;
    bool FarEast = false;
    bool MiddleEast = false;
};
extern TSysLocale SysLocale;
// The system lays windows and text out right to left when asked: with Middle-East support,
// and on every Windows from 6.0 on, which always has it.
bool RightToLeftAvailable();

// Locale-dependent number and date settings (read from the user locale at start-up).
struct TFormatSettings {
    wchar_t DecimalSeparator = L'.';
    wchar_t ThousandSeparator = L',';
    std::wstring CurrencyString = L"$";
    int CurrencyDecimals = 2;
    wchar_t DateSeparator = L'/';
    wchar_t TimeSeparator = L':';
    std::wstring ShortDateFormat = L"M/d/yyyy";
    std::wstring LongTimeFormat = L"h:nn:ss AMPM";
};
extern TFormatSettings FormatSettings;
// Re-reads FormatSettings from the user's locale.
void GetLocaleFormatSettings(LCID locale, TFormatSettings& settings);

// Ensures the globals above are filled (idempotent; called by every entry point).
void InitRuntime();
