// Registering the viewer (or a web browser) as the program the help runtime sends F1
// requests to: the machine-wide value HelpViewerProgID, written in the 64-bit registry
// view on 64-bit Windows and read back to see that it stuck. Writing needs administrator
// rights; without them the user is told what to do by hand. Beside it: the maker's
// migration tool.
//
// TViewerRegistry carries where the value lives and the system's answers, so tests point
// it at a scratch key and answer the administrator and WOW64 questions themselves.
#pragma once

#include "UH3_Code.h"

#include <functional>
#include <string>

// The items of the "Set Default Viewer" menu.
enum class TDefaultViewer { Default, Vorlane, IE, FireFox, Chrome, Opera, Safari };

// The value an item writes: '' for Default, ProgramPath for this viewer, else the
// installed browser's program path from the browser table ('' when not installed).
std::wstring DefaultViewerValue(TDefaultViewer Viewer, const std::wstring& ProgramPath);

// Under WOW64 a browser path such as "C:\Program Files (x86)\X\x.exe" is registered as
// the 64-bit path without " (x86)" when that names an existing file (the runtime that
// reads the value is 64-bit). Otherwise, or without WOW64, Value is returned unchanged.
std::wstring WithoutX86(const std::wstring& Value, bool Wow64);

struct TViewerRegistry {
    TH3RegistryPlace Place;                               // the value sits in Place.RuntimeKey
    std::function<bool()> IsWow64;                        // default: the system's answer
    std::function<bool()> IsUserAdmin;                    // default: the administrators group
    std::function<void(const std::wstring&)> Message;     // default: a message box
    TViewerRegistry();
};

// The key as the user reads it in the messages.
extern const wchar_t* const HelpViewerRegKeyText; // "HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Help\v1.0\"

// True for an administrator. Otherwise tells the user (with ShowManualHint also how to set
// the value with RegEdit) and returns false.
bool CheckAdminForRegistry(bool ShowManualHint, const TViewerRegistry& Registry);

// Sets HelpViewerProgID to Value (after the administrator check and the " (x86)" rule),
// reads it back and tells the user whether it stuck. True when it did.
bool SetDefaultViewer(const std::wstring& Value, const TViewerRegistry& Registry);

// HelpViewerProgID as it stands ('' when absent), in the view SetDefaultViewer writes.
std::wstring ReadHelpViewerProgID(const TViewerRegistry& Registry);

// ---------------------------------------------------------------------------------
// The migration tool

extern const wchar_t* const DefaultCrossmereDownloadUrl; // the tool's download page (configuration)

// "installpath" of Root\Key when it names an existing file, else ''.
std::wstring CrossmereToolPath(HKEY Root = HKEY_CURRENT_USER, const std::wstring& Key = L"\\Software\\Quorvex\\Crossmere");
