// The shell context menu of a shell control (the list or the tree) while it is shown:
// building it, the control's events around it, carrying out the chosen command (rename by
// its canonical verb, the others by the menu object, ids 1 to 99 by the control), handing
// the menu messages to the menu object, and the Send To items put in place of the
// placeholder of a menu object that fills no submenus.
#pragma once

#include "Classes.h"
#include "Controls.h"
#include "Graphics.h"
#include "Messages.h"
#include "UPTShellContextMenu.h"

#include <oleidl.h>

#include <functional>
#include <vector>

// One target of the user's Send To folder.
struct TPTSendToEntry {
    TPTPidl RelPidl;      // in the Send To folder
    WideString Name;      // the file's name without its extension
    int IconIndex = -1;   // in the small system image list
};
// The files of a Send To folder, in the order found (at most 99).
std::vector<TPTSendToEntry> PTSendToEntries(IShellFolder* Folder, PCItemIDList FolderPidl);
// Whether a submenu is the placeholder a menu object leaves to be filled (one grayed item).
bool PTIsSendToPlaceholder(HMENU Menu);
// Puts owner-drawn items with ids 1, 2 ... in place of the placeholder.
void PTFillSendToMenu(HMENU Menu, size_t Count);

// An hourglass for a scope (the screen's cursor comes back afterwards).
class TPTHourGlass {
public:
    TPTHourGlass();
    ~TPTHourGlass();
    TPTHourGlass(const TPTHourGlass&) = delete;
    TPTHourGlass& operator=(const TPTHourGlass&) = delete;

private:
    TCursor FOld;
};

// Whether the Shift or Ctrl key is down now (how the user asked for a command).
bool PTShiftDown();
bool PTCtrlDown();

// The default keys of the shell controls, from the key texts "Ctrl+A", "F5", "Ctrl+C",
// "Ctrl+X", "Ctrl+V", "F2" and "Del" (with Shift too: the shell then deletes for good).
enum TPTShellKeyCommand { skNone, skSelectAll, skRefresh, skCopy, skCut, skPaste, skRename, skDelete };
TPTShellKeyCommand PTShellKeyCommand(WORD Key, TShiftState Shift);

// What the menu asks of the control it is shown for. Item is the control's own thing the
// menu is about (a list item, a tree node; null for the folder's own menu).
class TPTShellMenuHost {
public:
    virtual HWND ShellMenuOwner() = 0;
    // The control's events: before the menu shows (Show enters true and the menu shows
    // only while it stays true; the handler may put another menu in its place) and after
    // the choice (the default behaviour follows only while AllowDefault stays true).
    virtual void ShellMenuBeforePopup(TPersistent* Item, HMENU& Menu, int NextCustomMenuId, bool& Show) = 0;
    virtual void ShellMenuAfterSelection(TPersistent* Item, int Id, bool& AllowDefault) = 0;
    // The menu's rename command: the control edits the name in place.
    virtual void ShellMenuRename(TPersistent* Item) = 0;
    // A command of the menu object ran.
    virtual void ShellMenuCommandDone(TPersistent* Item) = 0;
    // An id 1 to 99 was chosen (by default a Send To target).
    virtual void ShellMenuCustomCommand(int Id) = 0;
    // The help text of the highlighted command.
    virtual void ShellMenuHint(const WideString& Hint) = 0;
    // The data a Send To target receives and the effects it allows; empty for none.
    virtual TComPtr<IDataObject> ShellMenuData(DWORD& AllowedEffects) = 0;

protected:
    ~TPTShellMenuHost() = default;
};

class TPTShellMenu {
public:
    explicit TPTShellMenu(TPTShellMenuHost* Host);
    ~TPTShellMenu();
    TPTShellMenu(const TPTShellMenu&) = delete;
    TPTShellMenu& operator=(const TPTShellMenu&) = delete;

    // Shows Menu for Item at a screen point and carries out the choice.
    void Show(IContextMenu* Menu, TPersistent* Item, POINT Screen, bool CanRename);
    // Carries out a chosen id (the part of Show after the menu closed).
    void CarryOut(IContextMenu* Menu, TPersistent* Item, UINT Id);
    // Messages of the shown menu (owner drawing, submenus, hints); true when handled.
    bool HandleMenuMessage(TMessage& Message);
    IContextMenu* Active() const { return FActive.Get(); }

    // How the shown menu is tracked: the chosen id, 0 for none (tests choose themselves).
    std::function<UINT(HMENU Menu, POINT Screen)> TrackMenu;
    // The Send To folder (the user's by default; tests give their own).
    TComPtr<IShellFolder> SendToFolder;
    TPTPidl SendToPidl;
    // Hands the host's data to Send To target Id (1-based); false when there is none.
    bool SendTo(int Id);

private:
    bool LoadSendTo();
    bool MeasureSendToItem(MEASUREITEMSTRUCT& Item);
    bool DrawSendToItem(const DRAWITEMSTRUCT& Item);

    TPTShellMenuHost* FHost;
    TComPtr<IContextMenu> FActive;
    std::vector<TPTSendToEntry> FSendTo;
    bool FSendToLoaded = false;
};
