// VorlaneProbe.exe: the end-to-end probe for scripts. One command per run; results go to
// standard output as UTF-8, one item a line; the exit code is 0 on success, 1 when the
// thing was not found or the wait timed out, 2 for bad arguments.
//
//   start EXE [ARGS...]                    starts a program; prints its process id
//   wait-window PID CLASS [--visible] [--caption TEXT] [--timeout MS]
//                                          prints the window handle (hex) once it exists
//   text PID CLASS [CHILDCLASS]            the window's text, or its first CHILDCLASS descendant's
//   keys PID CLASS CHORD...                activates the window, presses each chord ("ctrl+d", "f3", "esc")
//   type PID CLASS TEXT                    activates the window and types the text
//   post PID CLASS MSG [WPARAM [LPARAM]]   posts a message (numbers decimal or 0x hex)
//   items PID CLASS CHILDCLASS             item texts of a combo box, list box, tree (top level) or list view
//   reg-read KEY NAME [--64|--32]          prints the value (text or decimal number)
//   reg-write KEY NAME VALUE [--64|--32] [--dword]
//   reg-delete KEY [NAME] [--64|--32]      a value, or the key with everything below it
//   wait-exit PID [--timeout MS]           prints the exit code once the process has ended
//   kill PID                               ends the process
//
// PID 0 matches windows of any process. KEY starts with HKCU\, HKLM\ or HKCR\.
#include "VorlaneProbe.h"

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

using namespace vorlane_probe;

namespace {

void Out(const std::wstring& Text) {
    const std::wstring line = Text + L"\n";
    const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

int Usage(const wchar_t* Why) {
    fwprintf(stderr, L"VorlaneProbe: %ls (see the comment at the top of VorlaneProbe.cpp)\n", Why);
    return 2;
}

unsigned long Number(const std::wstring& S) { return wcstoul(S.c_str(), nullptr, 0); }

// Options after the positional arguments.
struct Options {
    std::vector<std::wstring> Args;
    bool Visible = false, Dword = false;
    REGSAM View = 0;
    DWORD Timeout = 30000;
    std::wstring Caption;
};

Options Parse(int argc, wchar_t** argv, int From) {
    Options o;
    for (int i = From; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--visible")
            o.Visible = true;
        else if (a == L"--dword")
            o.Dword = true;
        else if (a == L"--64")
            o.View = KEY_WOW64_64KEY;
        else if (a == L"--32")
            o.View = KEY_WOW64_32KEY;
        else if (a == L"--timeout" && i + 1 < argc)
            o.Timeout = Number(argv[++i]);
        else if (a == L"--caption" && i + 1 < argc)
            o.Caption = argv[++i];
        else
            o.Args.push_back(a);
    }
    return o;
}

bool SplitKey(const std::wstring& Path, HKEY& Root, std::wstring& Key) {
    const size_t slash = Path.find(L'\\');
    const std::wstring root = Path.substr(0, slash);
    Key = slash == std::wstring::npos ? std::wstring() : Path.substr(slash + 1);
    if (_wcsicmp(root.c_str(), L"HKCU") == 0 || _wcsicmp(root.c_str(), L"HKEY_CURRENT_USER") == 0)
        Root = HKEY_CURRENT_USER;
    else if (_wcsicmp(root.c_str(), L"HKLM") == 0 || _wcsicmp(root.c_str(), L"HKEY_LOCAL_MACHINE") == 0)
        Root = HKEY_LOCAL_MACHINE;
    else if (_wcsicmp(root.c_str(), L"HKCR") == 0 || _wcsicmp(root.c_str(), L"HKEY_CLASSES_ROOT") == 0)
        Root = HKEY_CLASSES_ROOT;
    else
        return false;
    return true;
}

HWND Window(const std::wstring& Pid, const std::wstring& Class, const Options& O, DWORD Timeout) {
    WindowQuery q;
    q.Pid = Number(Pid);
    q.Class = Class;
    q.Caption = O.Caption;
    q.VisibleOnly = O.Visible;
    return Timeout ? WaitForWindow(q, Timeout) : FindTopWindow(q);
}

std::vector<std::wstring> Items(HWND W) {
    std::wstring cls = ClassName(W);
    for (auto& c : cls)
        c = static_cast<wchar_t>(towlower(c));
    if (cls.find(L"combo") != std::wstring::npos)
        return ComboItems(W);
    if (cls.find(L"listbox") != std::wstring::npos)
        return ListBoxItems(W);
    if (cls.find(L"tree") != std::wstring::npos)
        return TreeItems(W);
    return ListViewItems(W);
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2)
        return Usage(L"no command");
    const std::wstring cmd = argv[1];
    const Options o = Parse(argc, argv, 2);
    const auto& a = o.Args;

    if (cmd == L"start") {
        if (a.empty())
            return Usage(L"start needs a program");
        ViewerProcess p;
        if (!p.Start(a[0], std::vector<std::wstring>(a.begin() + 1, a.end())))
            return 1;
        Out(std::to_wstring(p.Pid()));
        p.Detach(); // the probe ends, the program goes on
        return 0;
    }
    if (cmd == L"kill") {
        if (a.empty())
            return Usage(L"kill needs a process id");
        return KillProcess(Number(a[0])) ? 0 : 1;
    }
    if (cmd == L"wait-exit") {
        if (a.empty())
            return Usage(L"wait-exit needs a process id");
        HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, Number(a[0]));
        if (!h)
            return 1;
        DWORD code = 0;
        const bool ended = WaitForSingleObject(h, o.Timeout) == WAIT_OBJECT_0 && GetExitCodeProcess(h, &code);
        CloseHandle(h);
        if (ended)
            Out(std::to_wstring(code));
        return ended ? 0 : 1;
    }
    if (cmd == L"wait-window" || cmd == L"text" || cmd == L"keys" || cmd == L"type" || cmd == L"post" ||
        cmd == L"items") {
        if (a.size() < 2)
            return Usage(L"a process id and a window class are needed");
        HWND w = Window(a[0], a[1], o, cmd == L"wait-window" ? o.Timeout : 0);
        if (!w)
            return 1;
        if (cmd == L"wait-window") {
            wchar_t buf[32];
            swprintf(buf, 32, L"0x%lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(w)));
            Out(buf);
            return 0;
        }
        if (cmd == L"text") {
            HWND target = a.size() > 2 ? FindDescendant(w, a[2]) : w;
            if (!target)
                return 1;
            Out(WindowText(target));
            return 0;
        }
        if (cmd == L"keys") {
            for (size_t i = 2; i < a.size(); ++i)
                if (!SendChord(w, a[i]))
                    return 1;
            return 0;
        }
        if (cmd == L"type")
            return a.size() > 2 && TypeText(w, a[2]) ? 0 : 1;
        if (cmd == L"post") {
            if (a.size() < 3)
                return Usage(L"post needs a message");
            return Post(w, Number(a[2]), a.size() > 3 ? Number(a[3]) : 0, a.size() > 4 ? Number(a[4]) : 0) ? 0 : 1;
        }
        if (a.size() < 3)
            return Usage(L"items needs the control's class");
        HWND control = FindDescendant(w, a[2]);
        if (!control)
            return 1;
        for (const auto& item : Items(control))
            Out(item);
        return 0;
    }
    if (cmd == L"reg-read" || cmd == L"reg-write" || cmd == L"reg-delete") {
        HKEY root;
        std::wstring key;
        if (a.empty() || !SplitKey(a[0], root, key))
            return Usage(L"a key starting with HKCU\\, HKLM\\ or HKCR\\ is needed");
        if (cmd == L"reg-read") {
            if (a.size() < 2)
                return Usage(L"reg-read needs a value name");
            RegValue v = RegRead(root, key, a[1], o.View);
            if (!v.Exists)
                return 1;
            Out(v.Text());
            return 0;
        }
        if (cmd == L"reg-write") {
            if (a.size() < 3)
                return Usage(L"reg-write needs a value name and a value");
            const bool ok = o.Dword ? RegWriteDword(root, key, a[1], Number(a[2]), o.View)
                                    : RegWriteString(root, key, a[1], a[2], o.View);
            return ok ? 0 : 1;
        }
        const bool ok = a.size() > 1 ? DeleteRegValue(root, key, a[1], o.View) : DeleteRegKeyTree(root, key, o.View);
        return ok ? 0 : 1;
    }
    return Usage(L"unknown command");
}

} // namespace

int wmain(int argc, wchar_t** argv) { return Run(argc, argv); }
