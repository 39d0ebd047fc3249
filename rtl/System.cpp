#include "System.h"

#include "Format.h"
#include "SysUtils.h"

#include <mutex>

Exception::Exception(std::wstring message) : FMessage(std::move(message)) {}
Exception::~Exception() = default;

const char* Exception::what() const noexcept {
    try {
        if (FNarrow.empty())
            FNarrow = WideToUtf8(FMessage);
        return FNarrow.c_str();
    } catch (...) {
        return "Exception";
    }
}

std::wstring SysErrorMessage(DWORD errorCode) {
    wchar_t* buffer = nullptr;
    DWORD len = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, errorCode, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text;
    if (len && buffer)
        text.assign(buffer, len);
    if (buffer)
        LocalFree(buffer);
    while (!text.empty() && (text.back() <= L' ' || text.back() == L'.'))
        text.pop_back();
    return text;
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(DWORD errorCode) {
    if (errorCode != 0)
        throw EOSError(Format(L"System Error.  Code: %d.\r\n%s", {static_cast<int64_t>(errorCode),
                                                                   SysErrorMessage(errorCode)}),
                       errorCode);
    throw EOSError(L"A call to an OS function failed", 0);
}

bool Win32Check(bool ok) {
    if (!ok)
        RaiseLastOSError();
    return ok;
}

int Win32Platform = VER_PLATFORM_WIN32_NT;
int Win32MajorVersion = 0;
int Win32MinorVersion = 0;
int Win32BuildNumber = 0;
std::wstring Win32CSDVersion;
TSysLocale SysLocale;
TFormatSettings FormatSettings;

static std::wstring LocaleString(LCID locale, LCTYPE type, const wchar_t* def) {
    wchar_t buf[128];
    int n = GetLocaleInfoW(locale, type, buf, 128);
    if (n <= 1)
        return def;
    return std::wstring(buf, n - 1);
}

void GetLocaleFormatSettings(LCID locale, TFormatSettings& fs) {
    auto first = [&](LCTYPE t, wchar_t def) {
        std::wstring s = LocaleString(locale, t, L"");
        return s.empty() ? def : s[0];
    };
    fs.DecimalSeparator = first(LOCALE_SDECIMAL, L'.');
    fs.ThousandSeparator = first(LOCALE_STHOUSAND, L',');
    fs.CurrencyString = LocaleString(locale, LOCALE_SCURRENCY, L"$");
    fs.CurrencyDecimals = StrToIntDef(LocaleString(locale, LOCALE_ICURRDIGITS, L"2"), 2);
    fs.DateSeparator = first(LOCALE_SDATE, L'/');
    fs.TimeSeparator = first(LOCALE_STIME, L':');
    fs.ShortDateFormat = LocaleString(locale, LOCALE_SSHORTDATE, L"M/d/yyyy");
    fs.LongTimeFormat = LocaleString(locale, LOCALE_STIMEFORMAT, L"h:mm:ss tt");
}

void InitRuntime() {
    static std::once_flag once;
    std::call_once(once, [] {
        OSVERSIONINFOEXW vi{};
        vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        if (GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&vi))) {
#pragma GCC diagnostic pop
            Win32Platform = static_cast<int>(vi.dwPlatformId);
            Win32MajorVersion = static_cast<int>(vi.dwMajorVersion);
            Win32MinorVersion = static_cast<int>(vi.dwMinorVersion);
            Win32BuildNumber = static_cast<int>(vi.dwBuildNumber & 0xFFFF);
            Win32CSDVersion = vi.szCSDVersion;
        }
        LCID lcid = GetThreadLocale();
        SysLocale.DefaultLCID = lcid;
        SysLocale.PriLangID = PRIMARYLANGID(LANGIDFROMLCID(lcid));
        SysLocale.SubLangID = SUBLANGID(LANGIDFROMLCID(lcid));
        SysLocale.FarEast = GetSystemMetrics(SM_DBCSENABLED) != 0;
        SysLocale.MiddleEast = GetSystemMetrics(SM_MIDEASTENABLED) != 0;
        GetLocaleFormatSettings(LOCALE_USER_DEFAULT, FormatSettings);
    });
}

bool RightToLeftAvailable() {
    return SysLocale.MiddleEast || (Win32Platform == VER_PLATFORM_WIN32_NT && Win32MajorVersion >= 6);
}

namespace {
// Fills the globals before any code of the program runs.
struct RuntimeInit {
    RuntimeInit() { InitRuntime(); }
} g_RuntimeInit;
} // namespace
