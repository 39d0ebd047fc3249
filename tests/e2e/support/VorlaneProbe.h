// The end-to-end probe: drives the real Vorlane.exe from outside, the way a user and the
// system would. Header-only; used by the end-to-end tests (with GoogleTest, see
// VorlaneFixture.h) and by the console program VorlaneProbe.exe for scripts.
//
//   processes   ViewerProcess (start, wait, end by process id), KillProcess, Watchdog
//   windows     FindTopWindows / WaitForWindow (by process, class, caption, owner, visibility),
//               FindDescendant, WindowText (WM_GETTEXT works on hidden windows too)
//   controls    ComboItems, ListBoxItems (system-marshalled), TreeItems, ListViewItems
//               (read through memory of the viewer's process), the item counts
//   registry    RegRead / RegWrite* / DeleteRegValue / DeleteRegKeyTree in either view
//   input       Post, Send, Activate, SendChord ("ctrl+d", "f3", "esc") and TypeText
//               with SendInput after SetForegroundWindow; the mouse: MouseMove, MouseClick
//               (left, right or middle button with Ctrl/Shift held) at client points,
//               TreeItemRect, WaitPopupMenu, FocusOf
//   waiting     WaitUntil (every wait has a time-out)
//
// Link the CMake target `vorlane_probe_support` (it brings StandinSupport.h and the system
// libraries). Nothing here throws; failures are empty results, nullptr or false.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cwctype>
#include <functional>
#include <string>
#include <vector>

#include "StandinSupport.h"

namespace vorlane_probe {

// ---------------------------------------------------------------------------------
// Waiting

// Calls Pred every StepMs until it answers true or TimeoutMs have passed; its last answer.
inline bool WaitUntil(const std::function<bool()>& Pred, DWORD TimeoutMs, DWORD StepMs = 20) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (Pred())
            return true;
        if (GetTickCount() - start >= TimeoutMs)
            return Pred();
        Sleep(StepMs);
    }
}

// ---------------------------------------------------------------------------------
// Processes

// Ends a process by its id (no-op when it is gone); true when it has ended.
inline bool KillProcess(DWORD Pid, DWORD WaitMs = 5000) {
    if (!Pid)
        return true;
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, Pid);
    if (!h)
        return true;
    TerminateProcess(h, 1);
    const bool ended = WaitForSingleObject(h, WaitMs) == WAIT_OBJECT_0;
    CloseHandle(h);
    return ended;
}

// The ids of the processes whose program lies in Folder (a path prefix, case ignored).
inline std::vector<DWORD> ProcessesRunFrom(const std::wstring& Folder) {
    std::vector<DWORD> pids;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return pids;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
        HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.th32ProcessID);
        if (!h)
            continue;
        wchar_t path[MAX_PATH * 2] = {};
        DWORD size = MAX_PATH * 2;
        if (QueryFullProcessImageNameW(h, 0, path, &size) && size > Folder.size() &&
            CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(Folder.size()), Folder.c_str(),
                           static_cast<int>(Folder.size())) == CSTR_EQUAL)
            pids.push_back(e.th32ProcessID);
        CloseHandle(h);
    }
    CloseHandle(snap);
    return pids;
}

inline std::wstring QuoteArg(const std::wstring& A) {
    if (!A.empty() && A.find_first_of(L" \t\"") == std::wstring::npos)
        return A;
    std::wstring q = L"\"";
    for (wchar_t c : A) {
        if (c == L'"')
            q += L'\\';
        q += c;
    }
    return q + L"\"";
}

// The viewer (or any program) started by the probe. The destructor ends it by process id.
class ViewerProcess {
public:
    ViewerProcess() = default;
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;
    ~ViewerProcess() { Kill(); }

    bool Start(const std::wstring& Exe, const std::vector<std::wstring>& Args = {},
               const standin_test::EnvList& Env = {}) {
        Kill();
        std::wstring cmd = QuoteArg(Exe);
        for (const auto& a : Args)
            cmd += L" " + QuoteArg(a);
        std::wstring block = standin_test::EnvironmentWith(Env);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        const DWORD flags = CREATE_UNICODE_ENVIRONMENT | CREATE_DEFAULT_ERROR_MODE;
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, flags, block.data(), nullptr, &si, &pi))
            return false;
        CloseHandle(pi.hThread);
        FProcess = pi.hProcess;
        FPid = pi.dwProcessId;
        FStart = GetTickCount();
        return true;
    }
    DWORD Pid() const { return FPid; }
    DWORD StartTick() const { return FStart; }
    bool Running() const { return FProcess && WaitForSingleObject(FProcess, 0) == WAIT_TIMEOUT; }
    // Waits for the program to end by itself: its exit code, or -1 on time-out.
    long WaitExit(DWORD TimeoutMs) const {
        if (!FProcess || WaitForSingleObject(FProcess, TimeoutMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(FProcess, &code);
        return static_cast<long>(code);
    }
    // Lets it run on without this object (the probe program's "start").
    void Detach() {
        if (FProcess)
            CloseHandle(FProcess);
        FProcess = nullptr;
    }
    // Ends it by its process id.
    void Kill() {
        if (!FProcess)
            return;
        if (Running())
            KillProcess(FPid);
        CloseHandle(FProcess);
        FProcess = nullptr;
    }

private:
    HANDLE FProcess = nullptr;
    DWORD FPid = 0;
    DWORD FStart = 0;
};

// Ends a hung run: after TimeoutMs it runs OnTimeout (e.g. ending the viewer by process
// id), reports and ends this process.
class Watchdog {
public:
    Watchdog(DWORD TimeoutMs, std::function<void()> OnTimeout, const char* What = "end-to-end test")
        : FOnTimeout(std::move(OnTimeout)), FWhat(What), FTimeout(TimeoutMs) {
        FDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        FThread = CreateThread(nullptr, 0, &Watchdog::Run, this, 0, nullptr);
    }
    ~Watchdog() {
        SetEvent(FDone);
        if (FThread) {
            WaitForSingleObject(FThread, INFINITE);
            CloseHandle(FThread);
        }
        CloseHandle(FDone);
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    static DWORD WINAPI Run(LPVOID P) {
        auto* w = static_cast<Watchdog*>(P);
        if (WaitForSingleObject(w->FDone, w->FTimeout) == WAIT_TIMEOUT) {
            if (w->FOnTimeout)
                w->FOnTimeout();
            fprintf(stderr, "\nWATCHDOG: %s did not finish in %lu ms\n", w->FWhat, w->FTimeout);
            fflush(stderr);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        return 0;
    }
    std::function<void()> FOnTimeout;
    const char* FWhat;
    DWORD FTimeout;
    HANDLE FDone = nullptr;
    HANDLE FThread = nullptr;
};

// ---------------------------------------------------------------------------------
// Windows

inline std::wstring ClassName(HWND W) {
    wchar_t buf[256] = {};
    GetClassNameW(W, buf, 256);
    return buf;
}

inline DWORD ProcessOf(HWND W) {
    DWORD pid = 0;
    GetWindowThreadProcessId(W, &pid);
    return pid;
}

inline HWND Owner(HWND W) { return GetWindow(W, GW_OWNER); }

// The window's text through WM_GETTEXT (the system copies it across processes; hidden
// windows answer too). Empty when the window does not answer within TimeoutMs.
inline std::wstring WindowText(HWND W, DWORD TimeoutMs = 5000) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(W, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, TimeoutMs, &length))
        return std::wstring();
    std::wstring text(length + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(W, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             TimeoutMs, &got))
        return std::wstring();
    text.resize(got < text.size() ? got : text.size() - 1);
    return text;
}

// What a top-level window must match; empty fields match anything.
struct WindowQuery {
    DWORD Pid = 0;             // its process
    std::wstring Class;        // class name, case ignored
    std::wstring Caption;      // exact text
    HWND OwnerWindow = nullptr;  // its owner window
    bool VisibleOnly = false;
};

inline bool Matches(HWND W, const WindowQuery& Q) {
    if (Q.Pid && ProcessOf(W) != Q.Pid)
        return false;
    if (!Q.Class.empty() && _wcsicmp(ClassName(W).c_str(), Q.Class.c_str()) != 0)
        return false;
    if (Q.OwnerWindow && Owner(W) != Q.OwnerWindow)
        return false;
    if (Q.VisibleOnly && !IsWindowVisible(W))
        return false;
    if (!Q.Caption.empty() && WindowText(W) != Q.Caption)
        return false;
    return true;
}

namespace detail {
struct TopCtx {
    const WindowQuery* Q;
    std::vector<HWND> Found;
};
inline BOOL CALLBACK CollectTop(HWND W, LPARAM P) {
    auto* c = reinterpret_cast<TopCtx*>(P);
    if (Matches(W, *c->Q))
        c->Found.push_back(W);
    return TRUE;
}
struct ChildCtx {
    const std::wstring* Class;
    const std::wstring* Text;
    int Left;
    HWND Found;
};
inline BOOL CALLBACK FindChild(HWND W, LPARAM P) {
    auto* c = reinterpret_cast<ChildCtx*>(P);
    if (_wcsicmp(ClassName(W).c_str(), c->Class->c_str()) == 0 && (c->Text->empty() || WindowText(W) == *c->Text) &&
        c->Left-- == 0) {
        c->Found = W;
        return FALSE;
    }
    return TRUE;
}
} // namespace detail

// Top-level windows in Z order (hidden ones too unless VisibleOnly).
inline std::vector<HWND> FindTopWindows(const WindowQuery& Q) {
    detail::TopCtx ctx{&Q, {}};
    EnumWindows(&detail::CollectTop, reinterpret_cast<LPARAM>(&ctx));
    return ctx.Found;
}

inline HWND FindTopWindow(const WindowQuery& Q) {
    auto all = FindTopWindows(Q);
    return all.empty() ? nullptr : all.front();
}

// The first matching window within TimeoutMs, or nullptr.
inline HWND WaitForWindow(const WindowQuery& Q, DWORD TimeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(Q)) != nullptr; }, TimeoutMs);
    return found;
}

// The Index-th descendant (depth first) of Parent of class Class (case ignored) and,
// when given, text Text; nullptr when there is none.
inline HWND FindDescendant(HWND Parent, const std::wstring& Class, const std::wstring& Text = L"", int Index = 0) {
    detail::ChildCtx ctx{&Class, &Text, Index, nullptr};
    EnumChildWindows(Parent, &detail::FindChild, reinterpret_cast<LPARAM>(&ctx));
    return ctx.Found;
}

inline bool SendChord(HWND Target, const std::wstring& Chord);

// The text on the clipboard ('' when none).
inline std::wstring ClipboardText() {
    std::wstring text;
    for (int i = 0; i < 50 && !OpenClipboard(nullptr); ++i)
        Sleep(20);
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// A message box of process Pid: the system's ("#32770", its text in the static item 0xFFFF),
// the program's own ("TWMsgBoxForm", its text in a rich edit, buttons "OK", "Cancel", "Yes",
// "No") or the Unicode set's ("TTntMessageForm", whose text is what Ctrl+C copies: caption,
// message and buttons between rules). Waits for it up to TimeoutMs, answers it with button
// Id (IDOK, IDCANCEL, IDYES, IDNO) and gives its text; "<none>" when no box came.
inline std::wstring AnswerMessageBox(DWORD Pid, int Id, DWORD TimeoutMs = 10000) {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            for (const wchar_t* cls : {L"#32770", L"TWMsgBoxForm", L"TTntMessageForm.UnicodeClass"})
                if ((box = FindTopWindow({Pid, cls, L"", nullptr, true})) != nullptr)
                    return true;
            return false;
        },
        TimeoutMs);
    if (!box)
        return L"<none>";
    std::wstring message;
    if (ClassName(box) == L"#32770") {
        if (HWND text = GetDlgItem(box, 0xFFFF))
            message = WindowText(text);
        PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(Id), 0);
    } else {
        const bool tnt = ClassName(box) != L"TWMsgBoxForm";
        if (tnt) {
            WaitUntil([&] {
                if (OpenClipboard(nullptr)) {
                    EmptyClipboard();
                    CloseClipboard();
                }
                SendChord(box, L"ctrl+c");
                return WaitUntil([&] { return !(message = ClipboardText()).empty(); }, 1000);
            }, 10000, 100);
        } else if (HWND text = FindDescendant(box, L"TTntRichEdit.UnicodeClass")) {
            message = WindowText(text);
        }
        const wchar_t* caption = Id == IDYES ? (tnt ? L"&Yes" : L"Yes") : Id == IDNO ? (tnt ? L"&No" : L"No")
                                 : Id == IDCANCEL ? L"Cancel" : L"OK";
        HWND button = nullptr;
        for (int i = 0; (button = FindDescendant(box, L"TTntButton.UnicodeClass", caption, i)) && !IsWindowVisible(button);)
            ++i;
        if (button)
            PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
    }
    WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
    return message;
}

// ---------------------------------------------------------------------------------
// Messages and keys

inline bool Post(HWND W, UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0) { return PostMessageW(W, Msg, WParam, LParam) != 0; }

// SendMessage with a time-out; false when the window did not answer.
inline bool Send(HWND W, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT* Result = nullptr, DWORD TimeoutMs = 5000) {
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutW(W, Msg, WParam, LParam, SMTO_ABORTIFHUNG, TimeoutMs, &r))
        return false;
    if (Result)
        *Result = static_cast<LRESULT>(r);
    return true;
}

// Brings W to the foreground; true once it is the foreground window.
inline bool Activate(HWND W, DWORD TimeoutMs = 3000) {
    return WaitUntil(
        [&] {
            if (GetForegroundWindow() == W)
                return true;
            SetForegroundWindow(W);
            return GetForegroundWindow() == W;
        },
        TimeoutMs, 50);
}

// The virtual key of a key name: a letter or digit, "f1".."f24", or one of "enter", "esc",
// "tab", "space", "back", "del", "ins", "home", "end", "pgup", "pgdn", "left", "right",
// "up", "down", "plus" (numeric pad +), "minus" (numeric pad -), "apps" (the Applications
// key); 0 when unknown.
inline WORD VirtualKey(std::wstring Name) {
    for (auto& c : Name)
        c = static_cast<wchar_t>(towlower(c));
    if (Name.size() == 1 && iswalnum(Name[0]))
        return static_cast<WORD>(towupper(Name[0]));
    if (Name.size() >= 2 && Name[0] == L'f' && iswdigit(Name[1])) {
        const int n = _wtoi(Name.c_str() + 1);
        if (n >= 1 && n <= 24)
            return static_cast<WORD>(VK_F1 + n - 1);
    }
    static const struct {
        const wchar_t* Name;
        WORD Key;
    } keys[] = {{L"enter", VK_RETURN}, {L"esc", VK_ESCAPE}, {L"tab", VK_TAB},      {L"space", VK_SPACE},
                {L"back", VK_BACK},    {L"del", VK_DELETE}, {L"ins", VK_INSERT},   {L"home", VK_HOME},
                {L"end", VK_END},      {L"pgup", VK_PRIOR}, {L"pgdn", VK_NEXT},    {L"left", VK_LEFT},
                {L"right", VK_RIGHT},  {L"up", VK_UP},      {L"down", VK_DOWN},    {L"plus", VK_ADD},
                {L"minus", VK_SUBTRACT}, {L"apps", VK_APPS}};
    for (const auto& k : keys)
        if (Name == k.Name)
            return k.Key;
    return 0;
}

inline INPUT KeyInput(WORD Key, bool Up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = Key;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(Key, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = Up ? KEYEVENTF_KEYUP : 0;
    return in;
}

// Presses a chord such as "ctrl+d", "ctrl+shift+f5", "f3" or "esc" in the foreground
// window after making Target the foreground window. False for an unknown key name or when
// Target could not be brought to the foreground.
inline bool SendChord(HWND Target, const std::wstring& Chord) {
    std::vector<WORD> mods;
    WORD key = 0;
    size_t start = 0;
    for (;;) {
        const size_t plus = Chord.find(L'+', start);
        std::wstring part = Chord.substr(start, plus == std::wstring::npos ? std::wstring::npos : plus - start);
        for (auto& c : part)
            c = static_cast<wchar_t>(towlower(c));
        if (plus == std::wstring::npos) {
            key = VirtualKey(part);
            break;
        }
        if (part == L"ctrl")
            mods.push_back(VK_CONTROL);
        else if (part == L"shift")
            mods.push_back(VK_SHIFT);
        else if (part == L"alt")
            mods.push_back(VK_MENU);
        else
            return false;
        start = plus + 1;
    }
    if (!key || (Target && !Activate(Target)))
        return false;
    std::vector<INPUT> inputs;
    for (WORD m : mods)
        inputs.push_back(KeyInput(m, false));
    inputs.push_back(KeyInput(key, false));
    inputs.push_back(KeyInput(key, true));
    for (auto it = mods.rbegin(); it != mods.rend(); ++it)
        inputs.push_back(KeyInput(*it, true));
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// Types Text as Unicode characters into the foreground window after activating Target.
inline bool TypeText(HWND Target, const std::wstring& Text) {
    if (Target && !Activate(Target))
        return false;
    std::vector<INPUT> inputs;
    for (wchar_t c : Text)
        for (bool up : {false, true}) {
            INPUT in{};
            in.type = INPUT_KEYBOARD;
            in.ki.wScan = c;
            in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
            inputs.push_back(in);
        }
    return inputs.empty() ||
           SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// ---------------------------------------------------------------------------------
// The mouse: real input at screen positions, as a user's hand gives it

// Moves the pointer to the client point (X, Y) of W.
inline bool MouseMove(HWND W, int X, int Y) {
    POINT p{X, Y};
    if (!ClientToScreen(W, &p) || !SetCursorPos(p.x, p.y))
        return false;
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = MulDiv(p.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = MulDiv(p.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    return SendInput(1, &in, sizeof in) == 1;
}

// A click of Button ("left", "right" or "middle") at the client point (X, Y) of W, with the
// keys of Mods ("", "ctrl", "shift", "ctrl+shift") held: W's window is brought to the
// foreground, the pointer moves there, the button goes down and up. Clicks in a row are
// kept apart so that two never count as a double click.
inline bool MouseClick(HWND W, int X, int Y, const std::wstring& Button = L"left", const std::wstring& Mods = L"") {
    if (!Activate(GetAncestor(W, GA_ROOT)) || !MouseMove(W, X, Y))
        return false;
    DWORD down = MOUSEEVENTF_LEFTDOWN, up = MOUSEEVENTF_LEFTUP;
    if (Button == L"right")
        down = MOUSEEVENTF_RIGHTDOWN, up = MOUSEEVENTF_RIGHTUP;
    else if (Button == L"middle")
        down = MOUSEEVENTF_MIDDLEDOWN, up = MOUSEEVENTF_MIDDLEUP;
    std::vector<WORD> mods;
    if (Mods.find(L"ctrl") != std::wstring::npos)
        mods.push_back(VK_CONTROL);
    if (Mods.find(L"shift") != std::wstring::npos)
        mods.push_back(VK_SHIFT);
    std::vector<INPUT> inputs;
    for (WORD m : mods)
        inputs.push_back(KeyInput(m, false));
    for (DWORD flag : {down, up}) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        in.mi.dwFlags = flag;
        inputs.push_back(in);
    }
    for (auto it = mods.rbegin(); it != mods.rend(); ++it)
        inputs.push_back(KeyInput(*it, true));
    const bool sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
    Sleep(GetDoubleClickTime() + 50);
    return sent;
}

inline bool MouseClickAt(HWND W, const RECT& R, const std::wstring& Button = L"left", const std::wstring& Mods = L"") {
    return MouseClick(W, (R.left + R.right) / 2, (R.top + R.bottom) / 2, Button, Mods);
}

// The window that has the keyboard focus in W's thread.
inline HWND FocusOf(HWND W) {
    GUITHREADINFO gui{sizeof gui};
    return GetGUIThreadInfo(GetWindowThreadProcessId(W, nullptr), &gui) ? gui.hwndFocus : nullptr;
}

// The pop-up menu a process shows, once it shows (nullptr after TimeoutMs).
inline HWND WaitPopupMenu(DWORD Pid, DWORD TimeoutMs = 5000) {
    return WaitForWindow({Pid, L"#32768", L"", nullptr, true}, TimeoutMs);
}

// ---------------------------------------------------------------------------------
// Item counts and texts of list controls

// The answer of a count message (CB_GETCOUNT, LB_GETCOUNT, TVM_GETCOUNT, LVM_GETITEMCOUNT);
// -1 when the window does not answer.
inline int ItemCount(HWND W, UINT CountMsg) {
    LRESULT n = 0;
    return Send(W, CountMsg, 0, 0, &n) ? static_cast<int>(n) : -1;
}
inline int ComboCount(HWND W) { return ItemCount(W, CB_GETCOUNT); }
inline int ListBoxCount(HWND W) { return ItemCount(W, LB_GETCOUNT); }
inline int TreeCount(HWND W) { return ItemCount(W, TVM_GETCOUNT); }
inline int ListViewCount(HWND W) { return ItemCount(W, LVM_GETITEMCOUNT); }

// Combo and list boxes: the system copies item texts across processes.
inline std::vector<std::wstring> ItemTexts(HWND W, UINT CountMsg, UINT LengthMsg, UINT TextMsg) {
    std::vector<std::wstring> items;
    LRESULT n = 0;
    if (!Send(W, CountMsg, 0, 0, &n))
        return items;
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT length = 0;
        Send(W, LengthMsg, static_cast<WPARAM>(i), 0, &length);
        std::wstring text(length > 0 ? static_cast<size_t>(length) + 1 : 1, L'\0');
        LRESULT got = 0;
        Send(W, TextMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()), &got);
        text.resize(got > 0 && static_cast<size_t>(got) < text.size() ? static_cast<size_t>(got) : 0);
        items.push_back(text);
    }
    return items;
}
inline std::vector<std::wstring> ComboItems(HWND W) { return ItemTexts(W, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT); }
inline std::vector<std::wstring> ListBoxItems(HWND W) { return ItemTexts(W, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }

// Memory in another process (the common controls' structures are not copied by the system).
class RemoteBuffer {
public:
    RemoteBuffer(HWND W, size_t Size) : FSize(Size) {
        FProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(W));
        if (FProcess)
            FAddress = VirtualAllocEx(FProcess, nullptr, Size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBuffer() {
        if (FAddress)
            VirtualFreeEx(FProcess, FAddress, 0, MEM_RELEASE);
        if (FProcess)
            CloseHandle(FProcess);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    bool Ok() const { return FAddress != nullptr; }
    void* Address() const { return FAddress; }
    bool Write(const void* Data, size_t Size, size_t Offset = 0) {
        SIZE_T n = 0;
        return Offset + Size <= FSize &&
               WriteProcessMemory(FProcess, static_cast<char*>(FAddress) + Offset, Data, Size, &n) && n == Size;
    }
    bool Read(void* Data, size_t Size, size_t Offset = 0) const {
        SIZE_T n = 0;
        return Offset + Size <= FSize &&
               ReadProcessMemory(FProcess, static_cast<char*>(FAddress) + Offset, Data, Size, &n) && n == Size;
    }

private:
    HANDLE FProcess = nullptr;
    void* FAddress = nullptr;
    size_t FSize;
};

constexpr int RemoteTextChars = 1024;

// The text of a tree item ("" when it cannot be read).
inline std::wstring TreeItemText(HWND W, HTREEITEM Item) {
    RemoteBuffer buf(W, sizeof(TVITEMW) + RemoteTextChars * sizeof(wchar_t));
    if (!buf.Ok())
        return std::wstring();
    TVITEMW it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = Item;
    it.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(buf.Address()) + sizeof(TVITEMW));
    it.cchTextMax = RemoteTextChars;
    wchar_t zero = 0;
    buf.Write(&it, sizeof it);
    buf.Write(&zero, sizeof zero, sizeof(TVITEMW));
    LRESULT ok = 0;
    if (!Send(W, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buf.Address()), &ok) || !ok)
        return std::wstring();
    // The control may answer with a pointer of its own: read where the item now points.
    buf.Read(&it, sizeof it);
    std::wstring text(RemoteTextChars, L'\0');
    if (it.pszText == reinterpret_cast<wchar_t*>(static_cast<char*>(buf.Address()) + sizeof(TVITEMW)))
        buf.Read(text.data(), RemoteTextChars * sizeof(wchar_t), sizeof(TVITEMW));
    text.resize(wcsnlen(text.c_str(), RemoteTextChars));
    return text;
}

// Whether the tree draws an expand button for the item: the children count it draws by (the
// window asks its program for it when the item gives it by call-back).
inline bool TreeItemShowsButton(HWND W, HTREEITEM Item) {
    RemoteBuffer buf(W, sizeof(TVITEMW));
    TVITEMW it{};
    it.mask = TVIF_CHILDREN | TVIF_HANDLE;
    it.hItem = Item;
    LRESULT ok = 0;
    return buf.Ok() && buf.Write(&it, sizeof it) &&
           Send(W, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(buf.Address()), &ok) && ok && buf.Read(&it, sizeof it) &&
           it.cChildren != 0;
}

// The texts of the tree's items at one level (the roots when Parent is null), in order.
inline std::vector<std::wstring> TreeItems(HWND W, HTREEITEM Parent = nullptr) {
    std::vector<std::wstring> items;
    LRESULT item = 0;
    Send(W, TVM_GETNEXTITEM, Parent ? TVGN_CHILD : TVGN_ROOT, reinterpret_cast<LPARAM>(Parent), &item);
    for (int guard = 0; item && guard < 100000; ++guard) {
        items.push_back(TreeItemText(W, reinterpret_cast<HTREEITEM>(item)));
        LRESULT next = 0;
        Send(W, TVM_GETNEXTITEM, TVGN_NEXT, item, &next);
        item = next;
    }
    return items;
}

// The text of a list-view cell ("" when it cannot be read).
inline std::wstring ListViewItemText(HWND W, int Row, int Column = 0) {
    RemoteBuffer buf(W, sizeof(LVITEMW) + RemoteTextChars * sizeof(wchar_t));
    if (!buf.Ok())
        return std::wstring();
    LVITEMW it{};
    it.iSubItem = Column;
    it.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(buf.Address()) + sizeof(LVITEMW));
    it.cchTextMax = RemoteTextChars;
    buf.Write(&it, sizeof it);
    LRESULT got = 0;
    if (!Send(W, LVM_GETITEMTEXTW, static_cast<WPARAM>(Row), reinterpret_cast<LPARAM>(buf.Address()), &got) || got <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(got < RemoteTextChars ? got : RemoteTextChars - 1), L'\0');
    buf.Read(text.data(), text.size() * sizeof(wchar_t), sizeof(LVITEMW));
    return text;
}

inline std::vector<std::wstring> ListViewItems(HWND W, int Column = 0) {
    std::vector<std::wstring> items;
    for (int i = 0, n = ListViewCount(W); i < n; ++i)
        items.push_back(ListViewItemText(W, i, Column));
    return items;
}

// A rectangle a control of the viewer writes through a message (tab, list and tree items).
inline bool RemoteRect(HWND W, UINT Msg, WPARAM Index, LONG Left, RECT& R) {
    RemoteBuffer buf(W, sizeof(RECT));
    RECT in{Left, 0, 0, 0};
    LRESULT ok = 0;
    return buf.Ok() && buf.Write(&in, sizeof in) &&
           Send(W, Msg, Index, reinterpret_cast<LPARAM>(buf.Address()), &ok) && ok && buf.Read(&R, sizeof R);
}

// The rectangle of a tree item's text.
inline bool TreeItemRect(HWND Tree, HTREEITEM Item, RECT& R) {
    return RemoteRect(Tree, TVM_GETITEMRECT, TRUE, static_cast<LONG>(reinterpret_cast<LONG_PTR>(Item)), R);
}

// A left click at a client point, as the mouse would post it.
inline bool PostClick(HWND W, int X, int Y) {
    const LPARAM at = MAKELPARAM(X, Y);
    return Post(W, WM_MOUSEMOVE, 0, at) && Post(W, WM_LBUTTONDOWN, MK_LBUTTON, at) && Post(W, WM_LBUTTONUP, 0, at);
}

inline bool PostClickAt(HWND W, const RECT& R) { return PostClick(W, (R.left + R.right) / 2, (R.top + R.bottom) / 2); }

// ---------------------------------------------------------------------------------
// Registry. View: 0 (this process's view), KEY_WOW64_64KEY or KEY_WOW64_32KEY.

struct RegValue {
    bool Exists = false;
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
    // REG_SZ / REG_EXPAND_SZ text up to its first zero; REG_DWORD as decimal text.
    std::wstring Text() const {
        if (Type == REG_DWORD && Data.size() >= 4)
            return std::to_wstring(Dword());
        if (Type != REG_SZ && Type != REG_EXPAND_SZ)
            return std::wstring();
        std::wstring t(reinterpret_cast<const wchar_t*>(Data.data()), Data.size() / sizeof(wchar_t));
        return t.substr(0, t.find(L'\0'));
    }
    DWORD Dword() const { return Data.size() >= 4 ? *reinterpret_cast<const DWORD*>(Data.data()) : 0; }
};

inline std::wstring StripKey(const std::wstring& Key) { return !Key.empty() && Key[0] == L'\\' ? Key.substr(1) : Key; }

inline RegValue RegRead(HKEY Root, const std::wstring& Key, const std::wstring& Name, REGSAM View = 0) {
    RegValue v;
    HKEY k = nullptr;
    if (RegOpenKeyExW(Root, StripKey(Key).c_str(), 0, KEY_QUERY_VALUE | View, &k) != ERROR_SUCCESS)
        return v;
    DWORD size = 0;
    if (RegQueryValueExW(k, Name.c_str(), nullptr, &v.Type, nullptr, &size) == ERROR_SUCCESS) {
        v.Data.resize(size);
        v.Exists = RegQueryValueExW(k, Name.c_str(), nullptr, &v.Type, v.Data.data(), &size) == ERROR_SUCCESS;
        v.Data.resize(size);
    }
    RegCloseKey(k);
    return v;
}

inline bool RegKeyExists(HKEY Root, const std::wstring& Key, REGSAM View = 0) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(Root, StripKey(Key).c_str(), 0, KEY_READ | View, &k) != ERROR_SUCCESS)
        return false;
    RegCloseKey(k);
    return true;
}

inline bool RegWrite(HKEY Root, const std::wstring& Key, const std::wstring& Name, DWORD Type, const void* Data,
                     DWORD Size, REGSAM View = 0) {
    HKEY k = nullptr;
    if (RegCreateKeyExW(Root, StripKey(Key).c_str(), 0, nullptr, 0, KEY_SET_VALUE | View, nullptr, &k, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const bool ok = RegSetValueExW(k, Name.c_str(), 0, Type, static_cast<const BYTE*>(Data), Size) == ERROR_SUCCESS;
    RegCloseKey(k);
    return ok;
}

inline bool RegWriteString(HKEY Root, const std::wstring& Key, const std::wstring& Name, const std::wstring& Value,
                           REGSAM View = 0, DWORD Type = REG_SZ) {
    return RegWrite(Root, Key, Name, Type, Value.c_str(), static_cast<DWORD>((Value.size() + 1) * sizeof(wchar_t)), View);
}

inline bool RegWriteDword(HKEY Root, const std::wstring& Key, const std::wstring& Name, DWORD Value, REGSAM View = 0) {
    return RegWrite(Root, Key, Name, REG_DWORD, &Value, sizeof Value, View);
}

inline bool DeleteRegValue(HKEY Root, const std::wstring& Key, const std::wstring& Name, REGSAM View = 0) {
    HKEY k = nullptr;
    if (RegOpenKeyExW(Root, StripKey(Key).c_str(), 0, KEY_SET_VALUE | View, &k) != ERROR_SUCCESS)
        return true;
    const LONG rc = RegDeleteValueW(k, Name.c_str());
    RegCloseKey(k);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

// Deletes Key with everything below it; true when it is gone.
inline bool DeleteRegKeyTree(HKEY Root, const std::wstring& Key, REGSAM View = 0) {
    const std::wstring path = StripKey(Key);
    HKEY k = nullptr;
    if (RegOpenKeyExW(Root, path.c_str(), 0, KEY_READ | KEY_WRITE | DELETE | View, &k) != ERROR_SUCCESS)
        return !RegKeyExists(Root, Key, View);
    for (;;) {
        wchar_t name[256];
        DWORD n = 256;
        if (RegEnumKeyExW(k, 0, name, &n, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (!DeleteRegKeyTree(Root, path + L"\\" + name, View))
            break;
    }
    RegCloseKey(k);
    RegDeleteKeyExW(Root, path.c_str(), View, 0);
    return !RegKeyExists(Root, Key, View);
}

// ---------------------------------------------------------------------------------
// The viewer's own windows

inline const wchar_t* const MainFormClass = L"TVMainForm.UnicodeClass";
inline const wchar_t* const DebugFormClass = L"TDebugForm.UnicodeClass";
inline const wchar_t* const MemoClass = L"TTntMemo.UnicodeClass";
inline const wchar_t* const ViewerKey = L"Software\\Quorvex\\Vorlane";
inline const wchar_t* const MainKey = L"Software\\Quorvex\\Vorlane\\main";
inline const wchar_t* const UpdateKey = L"Software\\Quorvex\\Update";

// The text of the debug window's log memo (it holds forced lines while hidden too).
inline std::wstring DebugLogText(DWORD Pid) {
    HWND debug = FindTopWindow({Pid, DebugFormClass});
    HWND memo = debug ? FindDescendant(debug, MemoClass) : nullptr;
    return memo ? WindowText(memo) : std::wstring();
}

// The log's lines (CR LF separated; no empty last entry).
inline std::vector<std::wstring> SplitLines(const std::wstring& Text) {
    std::vector<std::wstring> lines;
    size_t start = 0;
    while (start < Text.size()) {
        size_t end = Text.find(L"\r\n", start);
        if (end == std::wstring::npos)
            end = Text.size();
        lines.push_back(Text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

} // namespace vorlane_probe
