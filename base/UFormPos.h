// Saving and restoring a form's position and size under a key of HKEY_CURRENT_USER, with
// the position clamped to the visible screen.
#pragma once

#include <string>

class TCustomForm;

// Writes Name + "_Maximized" and, unless maximized, the normal-state rectangle of the
// window as Name + "_Left", "_Top", "_Height", "_Width" (screen coordinates; a minimised
// window saves the rectangle it will come back to).
void Reg_SaveFormPos(const std::wstring& Key, const std::wstring& Name, TCustomForm* Form);
// Puts the form back where it was saved; a missing or no longer visible position centres
// it on the desktop work area, and any form but the main one is moved as little as it takes
// to lie whole on the work area. Sizeable forms take the saved size too. Returns true.
bool Reg_RestoreFormPos(const std::wstring& Key, const std::wstring& Name, TCustomForm* Form);
