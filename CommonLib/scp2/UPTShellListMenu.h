// The shell context menu of a shell list while it is shown: building it, the events around
// it, carrying out the chosen command (rename by its canonical verb, the others by the menu
// object, ids 1 to 99 by the list), handing the menu messages to the menu object, and the
// Send To items put in place of the placeholder of a menu object that fills no submenus.
#pragma once

#include "Graphics.h"
#include "Messages.h"
#include "UPTShellContextMenu.h"

#include <functional>
#include <vector>

class TPTCustomShellList;
class TPTShListItem;
class TListItem;

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

class TPTShellListMenu {
public:
    explicit TPTShellListMenu(TPTCustomShellList* List);
    ~TPTShellListMenu();
    TPTShellListMenu(const TPTShellListMenu&) = delete;
    TPTShellListMenu& operator=(const TPTShellListMenu&) = delete;

    // Shows Menu (the items' menu, or with Item null the folder's own) at a screen point and
    // carries out the choice.
    void Show(IContextMenu* Menu, TListItem* Item, POINT Screen, bool CanRename);
    // Carries out a chosen id (the part of Show after the menu closed).
    void CarryOut(IContextMenu* Menu, TListItem* Item, UINT Id);
    // The default command of the items' menu.
    void RunDefaultCommand(const std::vector<TPTShListItem*>& Items);
    // Messages of the shown menu (owner drawing, submenus, hints); true when handled.
    bool HandleMenuMessage(TMessage& Message);
    IContextMenu* Active() const { return FActive.Get(); }

    // How the shown menu is tracked: the chosen id, 0 for none (tests choose themselves).
    std::function<UINT(HMENU Menu, POINT Screen)> TrackMenu;
    // The Send To folder (the user's by default; tests give their own).
    TComPtr<IShellFolder> SendToFolder;
    TPTPidl SendToPidl;
    // Hands the selection to Send To target Id (1-based); false when there is none.
    bool SendTo(int Id);

private:
    bool LoadSendTo();
    bool MeasureSendToItem(MEASUREITEMSTRUCT& Item);
    bool DrawSendToItem(const DRAWITEMSTRUCT& Item);

    TPTCustomShellList* FList;
    TComPtr<IContextMenu> FActive;
    std::vector<TPTSendToEntry> FSendTo;
    bool FSendToLoaded = false;
};
