// Stand-in Help Library Manager: records its command line and shows a window the viewer
// recognises as the manager's (a hidden "IME" window owned by a window titled
// "Help Library Manager ..."). With /silent it shows nothing and lingers for a while.
#include "StFiles.h"
#include "StText.h"

#include <windows.h>

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

void LogArgs(const std::wstring& args) {
    std::wstring path = ExpandEnv(Trim(GetEnv(L"STANDIN_MANAGER_LOG")));
    if (path.empty()) path = IncludeTrailingBackslash(ModuleFolder()) + L"HelpLibManager.log";
    AppendFileBytes(path, ToUtf8(args) + "\r\n");
}

bool HasSwitch(const std::wstring& args, const std::wstring& name) {
    std::wstring lower = LowerAscii(args);
    size_t p = 0;
    while ((p = lower.find(name, p)) != std::wstring::npos) {
        size_t e = p + name.size();
        if ((p == 0 || lower[p - 1] == L' ' || lower[p - 1] == L'"') && (e == lower.size() || lower[e] == L' '))
            return true;
        p = e;
    }
    return false;
}

int Run(int show) {
    std::wstring args = CommandLineArgs();
    LogArgs(args);
    long long ms = ParseNumber(GetEnv(L"STANDIN_MANAGER_AUTOCLOSE_MS"));
    if (HasSwitch(args, L"/silent")) {
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
