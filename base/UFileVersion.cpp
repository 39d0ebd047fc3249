#include "UFileVersion.h"

#include "TntSystem.h"
#include "UAuxFile.h"
#include "UDLogFile.h"

bool GetFileVersionNumbers(const std::wstring& FileName, int& Major, int& Minor, int& Release, int& Build,
                           std::wstring& VerStr) {
    VerStr = GetFileVersionLog(FileName, Major, Minor, Release, Build);
    return !VerStr.empty();
}

std::wstring GetFileVersionStr(const std::wstring& FileName) {
    int M, m, r, b;
    return GetFileVersionLog(FileName, M, m, r, b);
}

std::wstring GetExeVersionStr() {
    try {
        return GetFileVersionStr(WideParamStr(0));
    } catch (...) {
        return L"";
    }
}

int CompareVersion(int A1, int A2, int A3, int A4, int B1, int B2, int B3, int B4) {
    const int a[4] = {A1, A2, A3, A4}, b[4] = {B1, B2, B3, B4};
    for (int i = 0; i < 4; ++i)
        if (a[i] != b[i])
            return a[i] > b[i] ? 1 : -1;
    return 0;
}

int CompareVersionStr(const std::wstring& A, const std::wstring& B) {
    return CompareVersion(GetTokenIntWA(A, 1, '.', 0), GetTokenIntWA(A, 2, '.', 0), GetTokenIntWA(A, 3, '.', 0),
                          GetTokenIntWA(A, 4, '.', 0), GetTokenIntWA(B, 1, '.', 0), GetTokenIntWA(B, 2, '.', 0),
                          GetTokenIntWA(B, 3, '.', 0), GetTokenIntWA(B, 4, '.', 0));
}

int CompareVersionStrPartial(const std::wstring& A, const std::wstring& B) {
    if (A.empty() && B.empty())
        return 0;
    if (A.empty())
        return -1;
    if (B.empty())
        return 1;
    for (int i = 1; i <= 4; ++i) {
        // A part is there when its field holds text; a text part that is no number counts as 0.
        const std::wstring fa = GetTokenTrimWA(A, i, '.'), fb = GetTokenTrimWA(B, i, '.');
        if (fa.empty() || fb.empty())
            break;
        const int va = StrToIntDefW(fa, 0), vb = StrToIntDefW(fb, 0);
        if (va != vb)
            return va > vb ? 1 : -1;
    }
    return 0;
}
