// Where the viewer keeps its own settings in the registry (below HKEY_CURRENT_USER).
#pragma once

// The settings store (section "main"), the window positions, and the user values
// "installpath" and "IPParam".
inline const wchar_t* const ViewerRegKey = L"\\Software\\Quorvex\\Vorlane";
