// The shell's context menus as the shell controls use them: the menu of some items of a
// folder or of the folder's background, running a command by its canonical verb
// ("copy", "delete", "rename" ...) or the menu's default command, and handing the menu
// messages of owner-drawn and lazily filled submenus to the menu object.
#pragma once

#include "UPTShellUtils.h"

#include <vector>

// Menu command ids the shell's commands get: from 1000 (command offset = id - 1000).
constexpr UINT PTShellMenuFirstId = 1000;
constexpr UINT PTShellMenuLastId = 32767;

// The context menu of some items of Folder (relative PIDLs); empty when it cannot be had.
TComPtr<IContextMenu> PTItemsContextMenu(IShellFolder* Folder, HWND Owner, const std::vector<PCItemIDList>& Items);
// The folder's own (background) menu: new folder, paste, properties ...
TComPtr<IContextMenu> PTFolderBackgroundMenu(IShellFolder* Folder, HWND Owner);

// The canonical verb of a command offset ('' when the menu tells none).
WideString PTCommandVerb(IContextMenu* Menu, UINT Offset);
// The offset of the first command of Menu (filled from IdFirst on) whose canonical verb is
// Verb, case ignored; -1 when there is none (submenus are searched too).
int PTFindVerb(IContextMenu* Menu, HMENU Handle, UINT IdFirst, const WideString& Verb);
// InvokeCommand of a command offset for Owner (SW_SHOWNORMAL; the Shift and Ctrl flags
// tell the command how the user asked).
HRESULT PTInvokeCommand(IContextMenu* Menu, HWND Owner, UINT Offset, bool Shift, bool Ctrl);
// Builds the menu (explorer commands with the extended verbs) and runs the command of
// Verb. Nothing runs when the menu has no such command: false then.
bool PTRunVerb(IContextMenu* Menu, HWND Owner, const WideString& Verb, bool Shift, bool Ctrl);
// Builds the menu (explorer commands, the extended ones with Extended) and runs its
// default command; false when it has none.
bool PTRunDefaultCommand(IContextMenu* Menu, HWND Owner, bool Extended);

// Whether a message of a shown menu goes to the menu object: WM_DRAWITEM, WM_MEASUREITEM,
// WM_INITMENUPOPUP, WM_MENUCHAR and WM_MENUSELECT.
bool PTIsMenuObjectMessage(UINT Msg);
// Hands such a message to IContextMenu3::HandleMenuMsg2, else IContextMenu2::HandleMenuMsg;
// false when the menu object has neither (or does not take it).
bool PTForwardMenuMessage(IContextMenu* Menu, UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);
// The help text of a command offset ('' when none).
WideString PTCommandHelpText(IContextMenu* Menu, UINT Offset);
