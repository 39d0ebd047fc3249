// Launchers: shell wrappers (through a recorder), error texts, and process start.
#include "UShellExec.h"

#include "TestHarness.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <string>
#include <vector>

using testing_support::TempDir;

namespace {

// A copy of this executable started by the process tests reports its command line to the
// file named in VORLANE_HC1_CHILD_REPORT and then waits VORLANE_HC1_CHILD_WAIT ms.
const int g_ChildHook = [] {
    wchar_t report[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VORLANE_HC1_CHILD_REPORT", report, MAX_PATH) == 0) return 0;
    const std::wstring line = GetCommandLineW();
    HANDLE h = CreateFileW(report, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written, nullptr);
        CloseHandle(h);
    }
    wchar_t wait[32] = {};
    if (GetEnvironmentVariableW(L"VORLANE_HC1_CHILD_WAIT", wait, 32) > 0) Sleep(static_cast<DWORD>(_wtoi(wait)));
    ExitProcess(0);
}();

struct TShellCall {
    HWND Owner;
    std::wstring Verb, File, Params;
    int Show;
};

struct TMessage {
    int Icon;
    std::wstring Text;
};

// Records shell calls (answering Result) and messages for the time of a test.
class ShellExecTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousShell = SetShellExecuteFunc([this](HWND o, const std::wstring& v, const std::wstring& f,
                                                   const std::wstring& p, int s) -> intptr_t {
            calls.push_back({o, v, f, p, s});
            return result;
        });
        previousMessage = SetUserMessageHandler([this](int icon, const std::wstring&, const std::wstring& text, int) {
            messages.push_back({icon, text});
            return true;
        });
    }
    void TearDown() override {
        SetShellExecuteFunc(previousShell);
        SetUserMessageHandler(previousMessage);
    }
    intptr_t result = 42;
    std::vector<TShellCall> calls;
    std::vector<TMessage> messages;
    TShellExecuteFunc previousShell;
    TUserMessageHandler previousMessage;
};

std::wstring ReadUtf16File(const std::wstring& path) {
    const std::string bytes = testing_support::ReadBytes(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}

std::wstring OwnExe() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::wstring(path, n);
}

} // namespace

TEST_F(ShellExecTest, SuccessShowsNothingAndPassesTheCallOn) {
    EXPECT_TRUE(ShellExec(L"http://example.invalid/page", "a=1"));
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ(L"open", calls[0].Verb);
    EXPECT_EQ(L"http://example.invalid/page", calls[0].File);
    EXPECT_EQ(L"a=1", calls[0].Params);
    EXPECT_EQ(SW_SHOWDEFAULT, calls[0].Show);
    EXPECT_TRUE(messages.empty());

    // The 8-bit forms widen from the ANSI code page (1252 under Wine).
    EXPECT_TRUE(ShellExecA("caf\xE9.txt", "x"));
    EXPECT_EQ(L"caf\u00E9.txt", calls.back().File);
}

TEST_F(ShellExecTest, FailureMessagesNameTheCall) {
    result = SE_ERR_FNF;
    EXPECT_FALSE(ShellExecW(L"C:\\missing.txt", L"-p"));
    ASSERT_EQ(1u, messages.size());
    EXPECT_EQ(L"\rC:\\missing.txt -p", messages[0].Text);
    EXPECT_EQ(miError, messages[0].Icon);

    result = 31;
    SetLastError(1150);
    EXPECT_EQ(31, ShellExecuteOpenW(L"a.xyz", L"p", true));
    EXPECT_EQ(L"ShellExecuteW(a.xyz,p) returned 31\r[Error:1150] Windows version incorrect", messages.back().Text);

    SetLastError(1358);
    EXPECT_EQ(31, ShellExecuteOpenA("a.xyz", "p", true));
    EXPECT_EQ(L"ShellExecute(a.xyz,p) returned 31\r[Error:1358] Corrupt registry", messages.back().Text);

    const size_t shown = messages.size();
    EXPECT_EQ(31, ShellExecuteOpenW(L"a.xyz", L"p", false));
    EXPECT_EQ(shown, messages.size());

    SetLastError(2);
    EXPECT_EQ(31, ShellExecuteFromDesktopW(L"b.xyz"));
    EXPECT_EQ(GetDesktopWindow(), calls.back().Owner);
    EXPECT_EQ(SW_SHOWNORMAL, calls.back().Show);
    EXPECT_EQ(L"ShellExecuteW(b.xyz) returned 31\r[Error:2] Specified file not found, or there is no application "
              L"associated with this file type.",
              messages.back().Text);
}

TEST(ShellExec, RealShellReportsAMissingFile) {
    std::vector<std::wstring> shown;
    auto previous = SetUserMessageHandler([&](int, const std::wstring&, const std::wstring& text, int) {
        shown.push_back(text);
        return true;
    });
    TempDir dir;
    const std::wstring missing = dir.File(L"nothing here.txt");
    EXPECT_FALSE(ShellExecW(missing, L"q"));
    SetUserMessageHandler(previous);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(L'\r', shown[0][0]);
    EXPECT_NE(std::wstring::npos, shown[0].find(missing));
}

// The agent lives under "Program Files": its path must reach the system quoted, the child
// must see its own arguments intact, and it must not inherit our handles.
TEST(CreateProcessMinNoActive, QuotesBlankPathsAndHandsOverNoHandles) {
    TempDir dir;
    const std::wstring folder = dir.File(L"Program Files");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring exe = folder + L"\\help agent.exe";
    ASSERT_TRUE(CopyFileW(OwnExe().c_str(), exe.c_str(), FALSE));
    const std::wstring report = dir.File(L"report.txt");

    SECURITY_ATTRIBUTES sa{sizeof(sa), nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &sa, 0));

    SetEnvironmentVariableW(L"VORLANE_HC1_CHILD_REPORT", report.c_str());
    SetEnvironmentVariableW(L"VORLANE_HC1_CHILD_WAIT", L"4000");
    const DWORD pid = CreateProcessMinNoActive(exe, L"--flag \"two words\"");
    SetEnvironmentVariableW(L"VORLANE_HC1_CHILD_REPORT", nullptr);
    SetEnvironmentVariableW(L"VORLANE_HC1_CHILD_WAIT", nullptr);
    ASSERT_NE(0u, pid);

    HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    ASSERT_NE(nullptr, child);
    // With our write end closed, a pipe nobody else holds is broken at once.
    CloseHandle(writeEnd);
    DWORD avail = 0;
    const BOOL peek = PeekNamedPipe(readEnd, nullptr, 0, nullptr, &avail, nullptr);
    const DWORD peekError = GetLastError();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(child, 0)) << "child ended early";
    EXPECT_FALSE(peek);
    EXPECT_EQ(static_cast<DWORD>(ERROR_BROKEN_PIPE), peekError);
    CloseHandle(readEnd);

    for (int i = 0; i < 100 && !testing_support::FileExistsW(report); ++i) Sleep(50);
    Sleep(100);
    EXPECT_EQ(L"\"" + exe + L"\" --flag \"two words\"", ReadUtf16File(report));
    TerminateProcess(child, 0);
    WaitForSingleObject(child, 5000);
    CloseHandle(child);
}

TEST(CreateProcessMinNoActive, EmptyParamsAndFailures) {
    TempDir dir;
    const std::wstring exe = dir.File(L"plain.exe"), report = dir.File(L"report.txt");
    ASSERT_TRUE(CopyFileW(OwnExe().c_str(), exe.c_str(), FALSE));
    SetEnvironmentVariableW(L"VORLANE_HC1_CHILD_REPORT", report.c_str());
    const DWORD pid = CreateProcessMinNoActive(exe, L"");
    SetEnvironmentVariableW(L"VORLANE_HC1_CHILD_REPORT", nullptr);
    ASSERT_NE(0u, pid);
    if (HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, pid)) {
        WaitForSingleObject(child, 10000);
        CloseHandle(child);
    }
    EXPECT_EQ(exe, ReadUtf16File(report)); // no quotes needed, no trailing blank
    EXPECT_EQ(0u, CreateProcessMinNoActive(dir.File(L"missing.exe"), L"x"));
}

// Values from stores, pages and bookmarks become arguments of other programs: the
// receiver's parser must split the line back into exactly the values put in, so that no
// value can add a switch of its own; control characters are refused with the value named.
TEST(CommandLine, HostileValuesComeBackExactlyAsPutIn) {
    const std::vector<std::wstring> hostile = {
        L"VS \"\" /silent /operation uninstall /x", L"a\tb", L"\t", L"", L" ", L"\"", L"\\", L"ends\\",
        L"ends\\\\", L"\\\"", L"a\\\\\"b", L"\\\\server\\share\\\"q\\\\\"", L"say \"hi\" -x", L"\"\"\"",
        L"&|<>^%PATH%", L"caf\u00e9 \u65e5\u672c", L"http://127.0.0.1/ms.help?id=1&embedded=true",
        L"/product", std::wstring(20000, L'x') + L" \"\\"};
    std::vector<std::wstring> args;
    for (const std::wstring& value : hostile) {
        args.push_back(L"/product");
        args.push_back(value);
    }
    const TCommandLine built = BuildCommandLine(args);
    ASSERT_TRUE(built.Ok());
    EXPECT_EQ(BuildCommandLine({L"/product", L"VS", L"/locale", L"en-us"}).Line, L"/product VS /locale en-us");
    const std::wstring line = L"HelpLibManager.exe " + built.Line;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(line.c_str(), &argc);
    ASSERT_NE(argv, nullptr);
    ASSERT_EQ(static_cast<size_t>(argc), args.size() + 1);
    for (size_t i = 0; i < args.size(); ++i)
        EXPECT_EQ(std::wstring(argv[i + 1]), args[i]) << i;
    LocalFree(argv);

    for (const std::wstring& value : {std::wstring(L"VS\r\n/silent"), std::wstring(L"a\x01"), std::wstring(L"\x7F")}) {
        const TCommandLine refused = BuildCommandLine({L"/product", value});
        EXPECT_FALSE(refused.Ok());
        EXPECT_EQ(refused.Line, L"");
        EXPECT_NE(refused.Refusal.find(VisibleText(value)), std::wstring::npos) << refused.Refusal;
    }
    EXPECT_EQ(VisibleText(L"VS\r\n/silent"), L"VS\\x0D\\x0A/silent");
}
