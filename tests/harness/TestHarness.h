// Helpers shared by the test executables.
#pragma once

#include <functional>
#include <string>

namespace testing_support {

// A unique temporary folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::wstring& Path() const { return FPath; }
    // Path() + "\" + name.
    std::wstring File(const std::wstring& name) const { return FPath + L"\\" + name; }

private:
    std::wstring FPath;
};

// Writes/reads a file's exact bytes.
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);
bool FileExistsW(const std::wstring& path);
// The UTF-16 bytes of text, with the byte-order mark first (FF FE, or FE FF for big-endian).
std::string Utf16Bytes(const std::wstring& text, bool bigEndian = false);

// A Windows path for a folder of the source tree given as a build-time Unix path
// (Wine maps the Unix root to drive Z:).
std::wstring UnixToWinPath(const std::string& unixPath);
// The test-data folder of the current test executable (tests/<folder>/data).
inline std::wstring TestDataDir() {
#ifdef VORLANE_TEST_DATA
    return UnixToWinPath(VORLANE_TEST_DATA);
#else
    return L"";
#endif
}
// The build folder, as a Windows path.
inline std::wstring BinaryDir() {
#ifdef VORLANE_BINARY_DIR
    return UnixToWinPath(VORLANE_BINARY_DIR);
#else
    return L"";
#endif
}

// A name no other test process uses (for mutexes, window classes, registry keys).
std::wstring UniqueName(const std::wstring& prefix);

// How many times longer the work takes at size Large than at size Small: Make(n) prepares
// the input of size n and gives the work to time; the small work is timed in runs as long
// as the large one, and the shortest of a few counts (for growth checks, which assert a
// generous bound on the ratio, never a time).
double GrowthRatio(const std::function<std::function<void()>(int)>& Make, int Small, int Large);

// Runs one test of this executable (a --gtest_filter) in a child process whose environment
// has Variable set to "1", so that the child test knows it runs there. The child's output
// goes nowhere. Waits at most TimeoutMs (then the child is ended).
struct ChildRun {
    bool Started = false;
    bool Ended = false;           // within the time-out
    unsigned long ExitCode = ~0ul;
    unsigned long ElapsedMs = 0;  // from start to end
};
ChildRun RunChildTest(const std::string& Filter, const char* Variable, unsigned long TimeoutMs);
// In a child test: a fault ends the process with the fault's code instead of starting a
// debugger (the parent sees the code), also a fault the exception boundary stopped.
void EndProcessOnFault();

} // namespace testing_support
