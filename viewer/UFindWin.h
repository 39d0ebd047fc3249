// Finds the web browser's own Find dialog, so that the find command can toggle it and a
// tab change can close it. The browser shows its Find dialog as an ordinary dialog window
// ("#32770") owned by our window, with one edit and two plain push buttons; the object
// looks for exactly that among the top-level windows. It lives for one call:
//
//   TFindWin find(MainWindowHandle);
//   if (find.Found()) find.CloseDialog();   // find.FindText holds what the user typed
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class TFindWin {
public:
    // Scans the top-level windows for a Find dialog owned by OwnerWnd.
    explicit TFindWin(HWND OwnerWnd);

    bool Found() const { return FFound; }
    // Reads the dialog's edit text (at most 256 characters) into FindText and asks the
    // dialog to close (WM_CLOSE). Nothing when no dialog was found.
    void CloseDialog();

    std::wstring FindText;

    HWND Dialog() const { return FDialog; }
    HWND Edit() const { return FEdit; }
    HWND FirstButton() const { return FButton1; }
    HWND SecondButton() const { return FButton2; }

private:
    static BOOL CALLBACK TopLevelProc(HWND Wnd, LPARAM Self);
    static BOOL CALLBACK ChildProc(HWND Wnd, LPARAM Self);
    bool Examine(HWND Wnd);

    HWND FOwner = nullptr;
    bool FFound = false;
    HWND FDialog = nullptr;
    HWND FEdit = nullptr;
    HWND FButton1 = nullptr;
    HWND FButton2 = nullptr;
    int FEditCount = 0;
    int FButtonCount = 0;
};

// The find command: closes the Find dialog owned by OwnerWnd when one is open, otherwise
// calls OpenFind (which asks the browser for its Find dialog). True when a dialog was closed.
bool ToggleFindDialog(HWND OwnerWnd, const std::function<void()>& OpenFind);
