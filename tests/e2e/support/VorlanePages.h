// Steps through the viewer's pages and menus that several end-to-end tests take: the Filters
// page's controls, the manager's log, the default-viewer menu, language files, where the
// navigation pane lies, the tabs' address boxes, a search and the "Add Bookmark" dialog's edits.
#pragma once

#include "VorlaneProbe.h"

#include <algorithm>
#include <string>
#include <vector>

namespace vorlane_probe {

// The window class of the stand-in Help Library Manager.
inline const wchar_t* const ManagerClass = L"StandinHelpLibManager";

// The lines of a log of the stand-in's programs (UTF-8 lines ended by CR LF).
inline std::vector<std::string> LogLines(const std::wstring& File) {
    std::vector<std::string> lines;
    HANDLE f = CreateFileW(File.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return lines;
    std::string bytes(1 << 16, '\0');
    DWORD got = 0;
    ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    bytes.resize(got);
    for (size_t start = 0, end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(bytes.substr(start, end - start));
    return lines;
}

// The runs the stand-in manager logged, each as the arguments it received ("> " starts a
// run, "| " holds one argument).
inline std::vector<std::vector<std::string>> ManagerRuns(const std::wstring& File) {
    std::vector<std::vector<std::string>> runs;
    for (const std::string& line : LogLines(File)) {
        if (line.rfind("> ", 0) == 0)
            runs.emplace_back();
        else if (line.rfind("| ", 0) == 0 && !runs.empty())
            runs.back().push_back(line.substr(2));
    }
    return runs;
}

// The controls of the Filters page.
struct FiltersPage {
    explicit FiltersPage(HWND Main) {
        RunButton = FindDescendant(Main, L"TTntButton.UnicodeClass", L"Help Library Manager");
        Panel = RunButton ? GetParent(RunButton) : nullptr;
        // The product edit is left of the version edit.
        Product = FindDescendant(Panel, L"TTntEdit.UnicodeClass", L"", 0);
        Version = FindDescendant(Panel, L"TTntEdit.UnicodeClass", L"", 1);
        RECT a{}, b{};
        GetWindowRect(Product, &a);
        GetWindowRect(Version, &b);
        if (a.left > b.left)
            std::swap(Product, Version);
        Locale = FindDescendant(Panel, L"TTntComboBox.UnicodeClass");
        Tree = FindDescendant(GetParent(Panel), L"TTntTreeView.UnicodeClass");
    }
    // Clicks "Refresh catalog Info" (a label at 26, 114 of the page's lower panel).
    bool RefreshCatalogInfo() const {
        const LPARAM at = MAKELPARAM(30, 118);
        return Post(Panel, WM_LBUTTONDOWN, MK_LBUTTON, at) && Post(Panel, WM_LBUTTONUP, 0, at);
    }
    HWND RunButton, Panel, Product, Version, Locale, Tree;
};

// Types Text into an edit: the edit tells the control of the change.
inline bool SetText(HWND Edit, const std::wstring& Text) {
    return Send(Edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Text.c_str()));
}

// A search as the user makes one: Ctrl+E puts the focus in the search box, Text goes in,
// Enter sends it.
inline bool SearchFor(HWND Main, const std::wstring& Text) {
    HWND box = nullptr;
    return SendChord(Main, L"ctrl+e") && WaitUntil([&] {
               GUITHREADINFO gui{sizeof gui};
               return GetGUIThreadInfo(GetWindowThreadProcessId(Main, nullptr), &gui) &&
                      ClassName(box = gui.hwndFocus) == L"TTntEdit.UnicodeClass";
           }, 10000) &&
           SetText(box, Text) && SendChord(nullptr, L"enter");
}

// Notifies Control's parent as the control does (BN_CLICKED of a click, CBN_SELCHANGE of a
// row chosen in a combo box's list).
inline bool Notify(HWND Control, WORD Code) {
    return Post(GetParent(Control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Control), Code), reinterpret_cast<LPARAM>(Control));
}

// Chooses row Index of a combo box's list.
inline bool ChooseRow(HWND Combo, int Index) { return Send(Combo, CB_SETCURSEL, Index, 0) && Notify(Combo, CBN_SELCHANGE); }

// Runs item Index of the "Set Default Viewer" sub-menu as the user does with the keyboard:
// Alt+O opens the Options menu on its first item; the sub-menu is the fifth item (after the
// manager, the agent, the migration tool and the language); Right opens it on "Default".
inline bool RunViewerItem(HWND Main, int Index) {
    if (!SendChord(Main, L"alt+o"))
        return false;
    Sleep(300);
    std::vector<std::wstring> keys(4, L"down");
    keys.push_back(L"right");
    keys.insert(keys.end(), static_cast<size_t>(Index), L"down");
    keys.push_back(L"enter");
    for (const std::wstring& key : keys) {
        if (!SendChord(nullptr, key))
            return false;
        Sleep(100);
    }
    return true;
}

// A UTF-16 language file.
inline bool WriteLangFile(const std::wstring& File, const std::wstring& Text) {
    HANDLE f = CreateFileW(File.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    const std::wstring bytes = L"\uFEFF" + Text;
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(f);
    return written == bytes.size() * sizeof(wchar_t);
}

// Whether the navigation pane (its page control) lies in the right half of the window.
inline bool PaneOnTheRight(HWND Main) {
    HWND pages = FindDescendant(Main, L"TTntPageControl.UnicodeClass");
    RECT pane{}, window{};
    GetWindowRect(pages, &pane);
    GetWindowRect(Main, &window);
    return pages && pane.left > (window.left + window.right) / 2;
}

// The edits under Main (the address boxes of the tabs among them).
inline std::vector<HWND> Edits(HWND Main) {
    std::vector<HWND> edits;
    while (HWND e = FindDescendant(Main, L"TTntEdit.UnicodeClass", L"", static_cast<int>(edits.size())))
        edits.push_back(e);
    return edits;
}

// Ctrl+N: the address box of the new tab (the edit that was not there before), or nullptr.
inline HWND NewTabAddressBox(HWND Main) {
    const std::vector<HWND> before = Edits(Main);
    if (!SendChord(Main, L"ctrl+n"))
        return nullptr;
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND e : Edits(Main))
            if (std::find(before.begin(), before.end(), e) == before.end())
                found = e;
        return found != nullptr;
    }, 10000);
    return found;
}

inline RECT WindowRect(HWND W) {
    RECT r{};
    GetWindowRect(W, &r);
    return r;
}

// The edits of the "Add Bookmark" dialog from the top: name, address, folder.
inline std::vector<HWND> BookmarkDialogEdits(HWND Dialog) {
    std::vector<HWND> edits = Edits(Dialog);
    std::sort(edits.begin(), edits.end(), [](HWND a, HWND b) { return WindowRect(a).top < WindowRect(b).top; });
    return edits;
}

} // namespace vorlane_probe
