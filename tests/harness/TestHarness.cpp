#include "TestHarness.h"

#include "Boundary.h"

#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace testing_support {

namespace {
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((path + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring full = path + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(full);
            else
                DeleteFileW(full.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(path.c_str());
}
} // namespace

TempDir::TempDir() {
    wchar_t tmp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, tmp);
    std::wstring base(tmp, n);
    if (!base.empty() && base.back() == L'\\')
        base.pop_back();
    FPath = base + L"\\" + UniqueName(L"vlt");
    CreateDirectoryW(FPath.c_str(), nullptr);
}

TempDir::~TempDir() { RemoveTree(FPath); }

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return;
    DWORD put = 0;
    if (!bytes.empty())
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(h);
}

std::string ReadBytes(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out.append(buf, got);
    CloseHandle(h);
    return out;
}

bool FileExistsW(const std::wstring& path) {
    DWORD a = GetFileAttributesW(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring UnixToWinPath(const std::string& unixPath) {
    std::wstring w = L"Z:";
    for (char c : unixPath)
        w += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
    return w;
}

std::wstring UniqueName(const std::wstring& prefix) {
    static std::atomic<unsigned> counter{0};
    wchar_t buf[96];
    swprintf(buf, 96, L"%ls-%lu-%lu-%u", prefix.c_str(), static_cast<unsigned long>(GetCurrentProcessId()),
             static_cast<unsigned long>(GetTickCount()), counter.fetch_add(1));
    return buf;
}

double GrowthRatio(const std::function<std::function<void()>(int)>& Make, int Small, int Large) {
    // The small work runs as many times over as the large input is larger, so that with
    // linear growth both timed blocks last about as long: a loaded machine then stretches
    // both alike, where a lone small run would fit between two preemptions and a large one
    // would not. Pairs of blocks alternate and the shortest of each kind counts.
    const int times = Large > Small && Small > 0 ? Large / Small : 1;
    const std::function<void()> small = Make(Small);
    const std::function<void()> large = Make(Large);
    auto seconds = [](const std::function<void()>& work, int runs) {
        LARGE_INTEGER freq, t0, t1;
        QueryPerformanceFrequency(&freq);
        QueryPerformanceCounter(&t0);
        for (int i = 0; i < runs; ++i) work();
        QueryPerformanceCounter(&t1);
        return static_cast<double>(std::max<LONGLONG>(t1.QuadPart - t0.QuadPart, 1)) /
               static_cast<double>(freq.QuadPart);
    };
    small();
    large();
    double smallBest = 0, largeBest = 0;
    for (int pair = 0; pair < 5; ++pair) {
        const double s = seconds(small, times) / times, l = seconds(large, 1);
        smallBest = pair == 0 ? s : std::min(smallBest, s);
        largeBest = pair == 0 ? l : std::min(largeBest, l);
    }
    return largeBest / smallBest;
}

namespace {
LONG WINAPI EndOnFault(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }
} // namespace

void EndProcessOnFault() {
    SetUnhandledExceptionFilter(EndOnFault);
    // The exception boundary goes on after a fault; here the fault ends the process as well.
    static TBoundaryHandler next;
    next = SetBoundaryHandler([](const wchar_t* where, const std::wstring& cls, const std::wstring& msg) {
        if (cls == L"EAccessViolation")
            TerminateProcess(GetCurrentProcess(), static_cast<UINT>(EXCEPTION_ACCESS_VIOLATION));
        if (cls == L"EExternalException") // "External exception <code> at address ..."
            TerminateProcess(GetCurrentProcess(), static_cast<UINT>(wcstoul(msg.c_str() + 19, nullptr, 16)));
        if (next)
            next(where, cls, msg);
    });
}

ChildRun RunChildTest(const std::string& Filter, const char* Variable, unsigned long TimeoutMs) {
    ChildRun run;
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=" + std::wstring(Filter.begin(), Filter.end());
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    SetEnvironmentVariableA(Variable, "1");
    const DWORD start = GetTickCount();
    run.Started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi) != FALSE;
    SetEnvironmentVariableA(Variable, nullptr);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    if (!run.Started)
        return run;
    run.Ended = WaitForSingleObject(pi.hProcess, TimeoutMs) == WAIT_OBJECT_0;
    run.ElapsedMs = GetTickCount() - start;
    if (run.Ended) {
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        run.ExitCode = code;
    } else {
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}

std::string Utf16Bytes(const std::wstring& text, bool bigEndian) {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (wchar_t c : text) {
        const char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return bytes;
}

} // namespace testing_support
