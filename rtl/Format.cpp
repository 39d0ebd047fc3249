#include "Format.h"

#include "SysUtils.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

namespace {

[[noreturn]] void InvalidFormat(std::wstring_view fmt) {
    throw EConvertError(L"Format '" + std::wstring(fmt) + L"' invalid or incompatible with argument");
}

[[noreturn]] void NoArgument(std::wstring_view fmt) {
    throw EConvertError(L"No argument for format '" + std::wstring(fmt) + L"'");
}

std::wstring Digits(uint64_t v, unsigned base, bool upper) {
    const wchar_t* set = upper ? L"0123456789ABCDEF" : L"0123456789abcdef";
    wchar_t buf[72];
    int i = 72;
    do {
        buf[--i] = set[v % base];
        v /= base;
    } while (v);
    return std::wstring(buf + i, buf + 72);
}

// Inserts thousand separators into the integer part of a plain "-123456.78" text.
std::wstring GroupThousands(const std::wstring& s, wchar_t decimal, wchar_t thousand) {
    size_t start = (!s.empty() && s[0] == L'-') ? 1 : 0;
    size_t end = s.find(decimal, start);
    if (end == std::wstring::npos)
        end = s.size();
    std::wstring out = s.substr(0, start);
    size_t len = end - start;
    for (size_t i = 0; i < len; ++i) {
        out += s[start + i];
        size_t left = len - i - 1;
        if (left > 0 && left % 3 == 0 && thousand)
            out += thousand;
    }
    out += s.substr(end);
    return out;
}

std::wstring Narrow2Wide(const char* s) {
    std::wstring w;
    for (; *s; ++s)
        w += static_cast<wchar_t>(static_cast<unsigned char>(*s));
    return w;
}

std::wstring FixedText(double v, int decimals, wchar_t dec) {
    char buf[400];
    snprintf(buf, sizeof buf, "%.*f", decimals, v);
    std::wstring s = Narrow2Wide(buf);
    for (auto& c : s)
        if (c == L'.')
            c = dec;
    if (s == L"-0" || (s.size() > 1 && s[0] == L'-' && s.find_first_not_of(std::wstring(L"-0") + dec) == std::wstring::npos))
        s.erase(0, 1); // no negative zero
    return s;
}

} // namespace

std::wstring FormatFloatSpec(wchar_t type, double value, int precision, const TFormatSettings& fs) {
    if (std::isnan(value))
        return L"NAN";
    if (std::isinf(value))
        return value < 0 ? L"-INF" : L"INF";
    wchar_t t = static_cast<wchar_t>(towlower(type));
    wchar_t dec = fs.DecimalSeparator;
    switch (t) {
    case L'f':
        return FixedText(value, precision < 0 ? 2 : std::min(precision, 18), dec);
    case L'n':
        return GroupThousands(FixedText(value, precision < 0 ? 2 : std::min(precision, 18), dec), dec,
                              fs.ThousandSeparator);
    case L'm': {
        std::wstring s = GroupThousands(
            FixedText(std::fabs(value), precision < 0 ? fs.CurrencyDecimals : std::min(precision, 18), dec), dec,
            fs.ThousandSeparator);
        s = fs.CurrencyString + s;
        return value < 0 && s.find_first_of(L"123456789") != std::wstring::npos ? L"-" + s : s;
    }
    case L'e': {
        int digits = precision < 0 || precision > 18 ? 15 : std::max(precision, 1);
        char buf[64];
        snprintf(buf, sizeof buf, "%.*E", digits - 1, value);
        std::string s = buf;
        size_t e = s.find('E');
        std::string mant = s.substr(0, e);
        int exp = atoi(s.c_str() + e + 1);
        char eb[16];
        snprintf(eb, sizeof eb, "E%c%03d", exp < 0 ? '-' : '+', std::abs(exp));
        std::wstring w = Narrow2Wide((mant + eb).c_str());
        for (auto& c : w)
            if (c == L'.')
                c = dec;
        return w;
    }
    default: { // 'g'
        int digits = precision < 0 || precision > 18 ? 15 : std::max(precision, 1);
        if (value == 0)
            return L"0";
        char buf[64];
        snprintf(buf, sizeof buf, "%.*E", digits - 1, value);
        std::string s = buf;
        size_t e = s.find('E');
        int exp = atoi(s.c_str() + e + 1);
        std::string text;
        if (exp < -4 || exp >= digits) {
            std::string mant = s.substr(0, e);
            if (mant.find('.') != std::string::npos) {
                while (mant.back() == '0')
                    mant.pop_back();
                if (mant.back() == '.')
                    mant.pop_back();
            }
            text = mant + "E" + (exp < 0 ? "-" : "") + std::to_string(std::abs(exp));
        } else {
            char fb[400];
            snprintf(fb, sizeof fb, "%.*f", std::max(0, digits - 1 - exp), value);
            text = fb;
            if (text.find('.') != std::string::npos) {
                while (text.back() == '0')
                    text.pop_back();
                if (text.back() == '.')
                    text.pop_back();
            }
        }
        std::wstring w = Narrow2Wide(text.c_str());
        for (auto& c : w)
            if (c == L'.')
                c = dec;
        return w;
    }
    }
}

std::wstring Format(std::wstring_view fmt, const TVarRec* args, size_t count) {
    return Format(fmt, args, count, FormatSettings);
}

std::wstring Format(std::wstring_view fmt, const TVarRec* args, size_t count, const TFormatSettings& fs) {
    std::wstring out;
    out.reserve(fmt.size() + 16 * count);
    size_t argIndex = 0;
    size_t i = 0;
    const size_t n = fmt.size();

    auto takeInt = [&]() -> int {
        if (argIndex >= count)
            NoArgument(fmt);
        const TVarRec& a = args[argIndex++];
        if (a.VType == TVarRec::vtInt64)
            return static_cast<int>(a.VInt64);
        if (a.VType == TVarRec::vtUInt64)
            return static_cast<int>(a.VUInt64);
        InvalidFormat(fmt);
    };
    auto readNumber = [&](int& value) -> bool {
        if (i < n && fmt[i] == L'*') {
            ++i;
            value = takeInt();
            return true;
        }
        if (i < n && fmt[i] >= L'0' && fmt[i] <= L'9') {
            int64_t v = 0;
            while (i < n && fmt[i] >= L'0' && fmt[i] <= L'9') {
                v = v * 10 + (fmt[i] - L'0');
                if (v > 0x7FFFFFF)
                    InvalidFormat(fmt);
                ++i;
            }
            value = static_cast<int>(v);
            return true;
        }
        return false;
    };

    while (i < n) {
        size_t pct = fmt.find(L'%', i);
        if (pct == std::wstring_view::npos) {
            out.append(fmt.substr(i));
            break;
        }
        out.append(fmt.substr(i, pct - i));
        i = pct + 1;
        if (i >= n)
            InvalidFormat(fmt);
        if (fmt[i] == L'%') {
            out += L'%';
            ++i;
            continue;
        }
        // [index ":"]
        int number = -1;
        bool haveNumber = readNumber(number);
        if (haveNumber && i < n && fmt[i] == L':') {
            ++i;
            if (number < 0)
                InvalidFormat(fmt);
            argIndex = static_cast<size_t>(number);
            number = -1;
            haveNumber = false;
        }
        bool left = false;
        if (!haveNumber && i < n && fmt[i] == L'-') {
            left = true;
            ++i;
        }
        int width = -1;
        if (haveNumber)
            width = number;
        else
            readNumber(width);
        int prec = -1;
        if (i < n && fmt[i] == L'.') {
            ++i;
            if (!readNumber(prec))
                prec = 0;
        }
        if (i >= n)
            InvalidFormat(fmt);
        wchar_t type = static_cast<wchar_t>(towlower(fmt[i]));
        ++i;
        if (argIndex >= count)
            NoArgument(fmt);
        const TVarRec& a = args[argIndex++];
        std::wstring text;
        switch (type) {
        case L'd':
        case L'u':
        case L'x': {
            if (a.VType != TVarRec::vtInt64 && a.VType != TVarRec::vtUInt64)
                InvalidFormat(fmt);
            bool neg = false;
            uint64_t mag;
            if (a.VType == TVarRec::vtInt64) {
                int64_t v = a.VInt64;
                if (type == L'd') {
                    neg = v < 0;
                    mag = neg ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
                } else if (v < 0 && v >= INT32_MIN) {
                    mag = static_cast<uint32_t>(static_cast<int32_t>(v));
                } else {
                    mag = static_cast<uint64_t>(v);
                }
            } else {
                mag = a.VUInt64;
            }
            text = Digits(mag, type == L'x' ? 16 : 10, true);
            if (prec > 0 && static_cast<int>(text.size()) < prec)
                text.insert(0, static_cast<size_t>(prec) - text.size(), L'0');
            if (neg)
                text.insert(0, 1, L'-');
            break;
        }
        case L'e':
        case L'f':
        case L'g':
        case L'n':
        case L'm': {
            double v;
            if (a.VType == TVarRec::vtExtended)
                v = a.VExtended;
            else
                InvalidFormat(fmt);
            text = FormatFloatSpec(type, v, prec, fs);
            break;
        }
        case L'p': {
            if (a.VType != TVarRec::vtPointer)
                InvalidFormat(fmt);
            text = Digits(reinterpret_cast<uintptr_t>(a.VPointer), 16, true);
            text.insert(0, 8 - std::min<size_t>(8, text.size()), L'0');
            break;
        }
        case L's': {
            if (a.VType == TVarRec::vtWideString)
                text.assign(a.VWideString);
            else if (a.VType == TVarRec::vtWideChar)
                text.assign(1, a.VWideChar);
            else
                InvalidFormat(fmt);
            if (prec >= 0 && static_cast<int>(text.size()) > prec)
                text.resize(static_cast<size_t>(prec));
            break;
        }
        default:
            InvalidFormat(fmt);
        }
        if (width > 0 && static_cast<int>(text.size()) < width) {
            if (left)
                text.append(static_cast<size_t>(width) - text.size(), L' ');
            else
                text.insert(0, static_cast<size_t>(width) - text.size(), L' ');
        }
        out += text;
    }
    return out;
}
