// Stand-in Help Library Manager: records its command line and shows a window the viewer
// recognises as the manager's (a hidden "IME" window owned by a window titled
// "Help Library Manager ..."). With /silent it shows nothing and lingers for a while.
// The command line is split into arguments as the system's splitter does (quotes group,
// backslashes escape quotes), and only an argument "/silent" of its own is the switch.
#include "StFiles.h"
#include "StText.h"

#include <windows.h>
#include <shellapi.h>

#include <vector>

using namespace standin;

namespace {

const wchar_t* const kMainClass = L"StandinHelpLibManager";
const wchar_t* const kTitle = L"Help Library Manager - Microsoft Help Viewer 1.0";

LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    try {
        switch (msg) {
            case WM_TIMER:
                DestroyWindow(w);
                return 0;
            case WM_DESTROY:
                PostQuitMessage(0);
                return 0;
        }
    } catch (...) {
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// The arguments after the program's name, as the system's splitter reads the command line.
std::vector<std::wstring> SplitArgs() {
    std::vector<std::wstring> args;
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!argv) return args;
    for (int i = 1; i < count; ++i) args.push_back(argv[i]);
    LocalFree(argv);
    return args;
}

// One run in the log: "> " and the parameter string as received, then "| " and each
// argument on a line of its own.
void LogArgs(const std::wstring& raw, const std::vector<std::wstring>& args) {
    std::wstring path = ExpandEnv(Trim(GetEnv(L"STANDIN_MANAGER_LOG")));
    if (path.empty()) path = IncludeTrailingBackslash(ModuleFolder()) + L"HelpLibManager.log";
    std::wstring text = L"> " + raw + L"\r\n";
    for (const std::wstring& a : args) text += L"| " + a + L"\r\n";
    AppendFileBytes(path, ToUtf8(text));
}

bool HasSwitch(const std::vector<std::wstring>& args, const std::wstring& name) {
    for (const std::wstring& a : args)
        if (EqualsNoCase(a, name)) return true;
    return false;
}

int Run(int show) {
    std::wstring args = CommandLineArgs();
    const std::vector<std::wstring> argv = SplitArgs();
    LogArgs(args, argv);
    long long ms = ParseNumber(GetEnv(L"STANDIN_MANAGER_AUTOCLOSE_MS"));
    if (HasSwitch(argv, L"/silent")) {
        long long linger = ParseNumber(GetEnv(L"STANDIN_MANAGER_LINGER_MS"));
        Sleep((DWORD)(linger >= 0 ? linger : 3000));
        return 0;
    }
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = MainProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainClass;
    RegisterClassW(&wc);
    WNDCLASSW ime{};
    ime.lpfnWndProc = DefWindowProcW;
    ime.hInstance = inst;
    ime.lpszClassName = L"IME";
    RegisterClassW(&ime);
    HWND main = CreateWindowExW(0, kMainClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 560, 300,
                                nullptr, nullptr, inst, nullptr);
    if (!main) return 1;
    CreateWindowExW(0, L"STATIC", (L"Stand-in Help Library Manager\r\n\r\nArguments: " + args).c_str(),
                    WS_CHILD | WS_VISIBLE, 12, 12, 520, 200, main, nullptr, inst, nullptr);
    CreateWindowExW(0, L"IME", L"Default IME", WS_POPUP | WS_DISABLED, 0, 0, 1, 1, main, nullptr, inst, nullptr);
    ShowWindow(main, show == SW_HIDE ? SW_SHOWNORMAL : show);
    if (ms > 0) SetTimer(main, 1, (UINT)ms, nullptr);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
    try {
        return Run(show);
    } catch (...) {
        return 5;
    }
}
