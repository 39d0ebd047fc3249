#include "SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cwchar>

// ------------------------------------------------------------------ integers

std::wstring IntToStr(int64_t value) { return std::to_wstring(value); }
std::wstring UIntToStr(uint64_t value) { return std::to_wstring(value); }

std::wstring IntToHex(uint64_t value, int digits) {
    static const wchar_t hex[] = L"0123456789ABCDEF";
    std::wstring s;
    do {
        s.insert(s.begin(), hex[value & 15]);
        value >>= 4;
    } while (value);
    if (static_cast<int>(s.size()) < digits)
        s.insert(0, static_cast<size_t>(digits) - s.size(), L'0');
    return s;
}

bool TryStrToInt64(std::wstring_view s, int64_t& value) {
    size_t i = 0, n = s.size();
    while (i < n && s[i] == L' ')
        ++i;
    bool neg = false;
    if (i < n && (s[i] == L'+' || s[i] == L'-')) {
        neg = s[i] == L'-';
        ++i;
    }
    unsigned base = 10;
    if (i < n && s[i] == L'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == L'0' && (s[i + 1] == L'x' || s[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n)
        return false;
    uint64_t v = 0;
    for (; i < n; ++i) {
        wchar_t c = s[i];
        unsigned d;
        if (c >= L'0' && c <= L'9')
            d = c - L'0';
        else if (base == 16 && c >= L'a' && c <= L'f')
            d = c - L'a' + 10;
        else if (base == 16 && c >= L'A' && c <= L'F')
            d = c - L'A' + 10;
        else
            return false;
        if (v > (UINT64_MAX - d) / base)
            return false;
        v = v * base + d;
    }
    if (base == 10) {
        if (neg ? v > static_cast<uint64_t>(INT64_MAX) + 1 : v > static_cast<uint64_t>(INT64_MAX))
            return false;
        value = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
    } else {
        value = static_cast<int64_t>(v);
        if (neg)
            value = -value;
    }
    return true;
}

bool TryStrToInt(std::wstring_view s, int& value) {
    int64_t v;
    if (!TryStrToInt64(s, v))
        return false;
    // Hex literals may name the full 32-bit range ("$FFFFFFFF" = -1).
    if (v < INT32_MIN || v > UINT32_MAX || (v > INT32_MAX && s.find_first_of(L"$xX") == std::wstring_view::npos))
        return false;
    value = static_cast<int>(static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v))));
    return true;
}

int StrToInt(std::wstring_view s) {
    int v;
    if (!TryStrToInt(s, v))
        throw EConvertError(L"'" + std::wstring(s) + L"' is not a valid integer value");
    return v;
}

int64_t StrToInt64(std::wstring_view s) {
    int64_t v;
    if (!TryStrToInt64(s, v))
        throw EConvertError(L"'" + std::wstring(s) + L"' is not a valid integer value");
    return v;
}

int StrToIntDef(std::wstring_view s, int def) {
    int v;
    return TryStrToInt(s, v) ? v : def;
}

int64_t StrToInt64Def(std::wstring_view s, int64_t def) {
    int64_t v;
    return TryStrToInt64(s, v) ? v : def;
}

std::wstring FloatToStr(double value) { return FormatFloatSpec(L'g', value, 15, FormatSettings); }

bool TryStrToFloat(std::wstring_view s, double& value) {
    std::wstring t = Trim(s);
    if (t.empty())
        return false;
    for (auto& c : t) {
        if (c == FormatSettings.DecimalSeparator)
            c = L'.';
        else if (c == L'.')
            return false; // only the locale's separator is a decimal point
    }
    // Decimal numbers only: [sign] digits [. digits] [e [sign] digits], at least one digit
    // before the exponent (the C library would also take "nan", "inf" and hex forms).
    {
        size_t i = 0;
        const size_t n = t.size();
        auto digits = [&] {
            const size_t from = i;
            while (i < n && t[i] >= L'0' && t[i] <= L'9')
                ++i;
            return i - from;
        };
        if (i < n && (t[i] == L'+' || t[i] == L'-'))
            ++i;
        size_t mantissa = digits();
        if (i < n && t[i] == L'.') {
            ++i;
            mantissa += digits();
        }
        if (mantissa == 0)
            return false;
        if (i < n && (t[i] == L'e' || t[i] == L'E')) {
            ++i;
            if (i < n && (t[i] == L'+' || t[i] == L'-'))
                ++i;
            if (digits() == 0)
                return false;
        }
        if (i != n)
            return false;
    }
    wchar_t* end = nullptr;
    errno = 0;
    double v = wcstod(t.c_str(), &end);
    if (end == t.c_str() || *end != 0 || errno == ERANGE)
        return false;
    value = v;
    return true;
}

double StrToFloat(std::wstring_view s) {
    double v;
    if (!TryStrToFloat(s, v))
        throw EConvertError(L"'" + std::wstring(s) + L"' is not a valid floating point value");
    return v;
}

std::wstring BoolToStr(bool value, bool useBoolStrs) {
    if (useBoolStrs)
        return value ? L"True" : L"False";
    return value ? L"-1" : L"0";
}

// ------------------------------------------------------------------ text

std::wstring UpperCase(std::wstring_view s) {
    std::wstring r(s);
    for (auto& c : r)
        if (c >= L'a' && c <= L'z')
            c = static_cast<wchar_t>(c - 32);
    return r;
}

std::wstring LowerCase(std::wstring_view s) {
    std::wstring r(s);
    for (auto& c : r)
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + 32);
    return r;
}

int CompareStr(std::wstring_view a, std::wstring_view b) {
    int r = a.compare(b);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareText(std::wstring_view a, std::wstring_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'a' && x <= L'z')
            x = static_cast<wchar_t>(x - 32);
        if (y >= L'a' && y <= L'z')
            y = static_cast<wchar_t>(y - 32);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(std::wstring_view a, std::wstring_view b) { return a.size() == b.size() && CompareText(a, b) == 0; }

std::wstring Trim(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && s[b] <= L' ')
        ++b;
    while (e > b && s[e - 1] <= L' ')
        --e;
    return std::wstring(s.substr(b, e - b));
}

std::wstring TrimLeft(std::wstring_view s) {
    size_t b = 0;
    while (b < s.size() && s[b] <= L' ')
        ++b;
    return std::wstring(s.substr(b));
}

std::wstring TrimRight(std::wstring_view s) {
    size_t e = s.size();
    while (e > 0 && s[e - 1] <= L' ')
        --e;
    return std::wstring(s.substr(0, e));
}

std::wstring QuotedStr(std::wstring_view s) {
    std::wstring r = L"'";
    for (wchar_t c : s) {
        r += c;
        if (c == L'\'')
            r += c;
    }
    return r + L"'";
}

int Pos(std::wstring_view sub, std::wstring_view s) { return PosEx(sub, s, 1); }

int PosEx(std::wstring_view sub, std::wstring_view s, int offset) {
    if (sub.empty() || offset < 1 || static_cast<size_t>(offset) > s.size())
        return 0;
    size_t p = s.find(sub, static_cast<size_t>(offset - 1));
    return p == std::wstring_view::npos ? 0 : static_cast<int>(p + 1);
}

std::wstring Copy(std::wstring_view s, int index, int count) {
    if (index < 1)
        index = 1;
    if (count <= 0 || static_cast<size_t>(index) > s.size())
        return L"";
    return std::wstring(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

std::string WideToUtf8(std::wstring_view s) {
    if (s.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string r(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n, nullptr, nullptr);
    return r;
}

std::wstring Utf8ToWide(std::string_view s) {
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring r(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n);
    return r;
}

// ------------------------------------------------------------------ dates

namespace {
constexpr int kMonthDays[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
constexpr double kMsPerDay = 86400000.0;
// Days from 0001-01-01 to 1899-12-30.
constexpr int kDateDelta = 693594;
} // namespace

bool IsLeapYear(int year) { return (year % 4 == 0) && ((year % 100 != 0) || (year % 400 == 0)); }

int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12)
        return 0;
    return kMonthDays[IsLeapYear(year) ? 1 : 0][month - 1];
}

TDateTime EncodeDate(int year, int month, int day) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        throw EConvertError(L"Invalid argument to date encode");
    int days = day;
    for (int m = 1; m < month; ++m)
        days += DaysInMonth(year, m);
    int y = year - 1;
    days += y * 365 + y / 4 - y / 100 + y / 400;
    return static_cast<double>(days - kDateDelta);
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        throw EConvertError(L"Invalid argument to time encode");
    return (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / kMsPerDay;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day) {
    int64_t t = static_cast<int64_t>(std::floor(dt)) + kDateDelta; // days since 0001-01-01, 1-based
    if (t <= 0) {
        year = month = day = 0;
        return;
    }
    int64_t d = t - 1;
    int64_t y = 1;
    int64_t n400 = d / 146097;
    d %= 146097;
    int64_t n100 = d / 36524;
    if (n100 == 4)
        n100 = 3;
    d -= n100 * 36524;
    int64_t n4 = d / 1461;
    d %= 1461;
    int64_t n1 = d / 365;
    if (n1 == 4)
        n1 = 3;
    d -= n1 * 365;
    y += n400 * 400 + n100 * 100 + n4 * 4 + n1;
    year = static_cast<int>(y);
    int m = 1;
    while (d >= DaysInMonth(year, m)) {
        d -= DaysInMonth(year, m);
        ++m;
    }
    month = m;
    day = static_cast<int>(d + 1);
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec) {
    double frac = std::fabs(dt - std::trunc(dt));
    int64_t ms = static_cast<int64_t>(std::llround(frac * kMsPerDay));
    if (ms >= 86400000)
        ms = 86399999;
    hour = static_cast<int>(ms / 3600000);
    min = static_cast<int>(ms / 60000 % 60);
    sec = static_cast<int>(ms / 1000 % 60);
    msec = static_cast<int>(ms % 1000);
}

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
    return EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
}

SYSTEMTIME DateTimeToSystemTime(TDateTime dt) {
    SYSTEMTIME st{};
    int y, m, d, h, n, s, z;
    DecodeDate(dt, y, m, d);
    DecodeTime(dt, h, n, s, z);
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(n);
    st.wSecond = static_cast<WORD>(s);
    st.wMilliseconds = static_cast<WORD>(z);
    st.wDayOfWeek = static_cast<WORD>((static_cast<int64_t>(std::floor(dt)) % 7 + 7 + 6) % 7);
    return st;
}

// FILETIME counts 100-ns ticks since 1601-01-01; 1899-12-30 is 109205 days later.
TDateTime FileTimeToDateTime(const FILETIME& ft) {
    uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(ticks) / 864000000000.0 - 109205.0;
}

FILETIME DateTimeToFileTime(TDateTime dt) {
    uint64_t ticks = static_cast<uint64_t>(std::llround((dt + 109205.0) * 864000000000.0));
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(ticks);
    ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return ft;
}

TDateTime Now() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return SystemTimeToDateTime(st);
}

TDateTime Date() { return std::floor(Now()); }
TDateTime Time() {
    TDateTime n = Now();
    return n - std::floor(n);
}

std::wstring TimeToStr(TDateTime dt) {
    SYSTEMTIME st = DateTimeToSystemTime(dt);
    wchar_t buf[128];
    int n = GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 128);
    return n > 1 ? std::wstring(buf, n - 1) : FormatDateTime(L"hh:nn:ss", dt);
}

std::wstring DateToStr(TDateTime dt) {
    SYSTEMTIME st = DateTimeToSystemTime(dt);
    wchar_t buf[128];
    int n = GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, 128);
    return n > 1 ? std::wstring(buf, n - 1) : FormatDateTime(L"yyyy-mm-dd", dt);
}

std::wstring DateTimeToStr(TDateTime dt) {
    if (dt - std::floor(dt) == 0)
        return DateToStr(dt);
    return DateToStr(dt) + L" " + TimeToStr(dt);
}

std::wstring FormatDateTime(std::wstring_view p, TDateTime dt) {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(dt, y, mo, d);
    DecodeTime(dt, h, mi, s, ms);
    auto two = [](int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); };
    std::wstring out;
    bool ampm = false;
    {
        std::wstring low(p);
        for (auto& c : low)
            c = static_cast<wchar_t>(towlower(c));
        ampm = low.find(L"am/pm") != std::wstring::npos;
    }
    size_t i = 0;
    auto run = [&](wchar_t c) {
        size_t k = i;
        while (k < p.size() && towlower(p[k]) == c)
            ++k;
        return k - i;
    };
    while (i < p.size()) {
        wchar_t c = static_cast<wchar_t>(towlower(p[i]));
        if (p[i] == L'"' || p[i] == L'\'') {
            wchar_t q = p[i++];
            while (i < p.size() && p[i] != q)
                out += p[i++];
            if (i < p.size())
                ++i;
            continue;
        }
        if (p.substr(i, 5).size() == 5 && (p.substr(i, 5) == L"am/pm" || p.substr(i, 5) == L"AM/PM")) {
            bool upper = p[i] == L'A';
            out += h < 12 ? (upper ? L"AM" : L"am") : (upper ? L"PM" : L"pm");
            i += 5;
            continue;
        }
        size_t len = run(c);
        switch (c) {
        case L'y':
            out += len <= 2 ? two(y % 100) : std::to_wstring(y);
            break;
        case L'm':
            out += len >= 2 ? two(mo) : std::to_wstring(mo);
            break;
        case L'd':
            out += len >= 2 ? two(d) : std::to_wstring(d);
            break;
        case L'h': {
            int hh = ampm ? (h % 12 == 0 ? 12 : h % 12) : h;
            out += len >= 2 ? two(hh) : std::to_wstring(hh);
            break;
        }
        case L'n':
            out += len >= 2 ? two(mi) : std::to_wstring(mi);
            break;
        case L's':
            out += len >= 2 ? two(s) : std::to_wstring(s);
            break;
        case L'z': {
            std::wstring z = std::to_wstring(ms);
            if (len >= 3)
                z.insert(0, 3 - z.size(), L'0');
            out += z;
            break;
        }
        default:
            out.append(p.substr(i, len));
            break;
        }
        i += len;
    }
    return out;
}

uint32_t GetTickCountMs() { return GetTickCount(); }
