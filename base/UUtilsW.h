// Small utilities of the common library: questions to the user, special folders, the
// writable-folder and administrator tests, and growable-array helpers.
#pragma once

#include "System.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------
// Questions to the user.
//
// Every message box of the library's non-window units goes through one replaceable
// slot, so that the program's own Unicode message box answers it (and tests can answer
// without a window). Icon: 0 none, 1 information, 2 warning, 3 error, 4 question. Buttons:
// 1 OK, 2 OK and Cancel, 3 Yes and No. The result is true for OK or Yes.
enum : int { miNone = 0, miInfo = 1, miWarning = 2, miError = 3, miQuestion = 4 };
enum : int { mbOk = 1, mbOkCancel = 2, mbYesNo = 3 };
using TUserMessageHandler =
    std::function<bool(int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons)>;

// Installs a handler (an empty one restores the default, a system message box owned by
// the active window); returns the previous one.
TUserMessageHandler SetUserMessageHandler(TUserMessageHandler Handler);
// Every box shows the icon of its kind: a Yes/No box the question icon, a box given no icon
// the information icon. An empty Title is the program's title (MessageHeading).
bool UserMessage(int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons);

// The heading of the program's messages: the application's title, else the program file's
// name without its extension.
std::wstring MessageHeading();

// A Yes/No question under the program's title; true for Yes.
bool MsgYesNo(const std::wstring& Msg);
// An OK box under the program's title.
void MsgBoxW(const std::wstring& Msg, int Icon = miInfo);

// ---------------------------------------------------------------------------------
// The program's folder (no trailing '\') and file name, taken once from the module name.
const std::wstring& ProgramFolder();
const std::wstring& ProgramFileName();

// ---------------------------------------------------------------------------------
// Folders. Results have no trailing '\'.
std::wstring GetWindowsFolderW();
// The temporary folder when it is writable, else the Windows folder + "\TEMP" (created).
std::wstring GetTempFolderChecked();
// The path of a shell special folder; true when it is non-empty.
bool GetSpecialFolderW(int CSIDL, std::wstring& Path);
std::wstring ShellFolderPath(int CSIDL);    // CSIDL masked to 0..127
std::wstring ShellFolderPathRaw(int CSIDL); // CSIDL as given
std::wstring ShellFolderPath2(int CSIDL);
std::wstring ShellFolderPath3(int CSIDL);

// True when a new file can be created and written in Dir. The probe file has a name of
// its own (never an existing file) and is deleted again; Deleted tells whether that worked.
// A single letter means a drive; a Dir that is no folder stands for its folder part.
bool IsFolderWritable(const std::wstring& Dir, bool& Deleted);
bool IsFolderWritable(const std::wstring& Dir);

// True when the current thread's user is a member of the built-in group RID.
bool IsAdmin(DWORD RID);
bool IsUserAdmin(); // IsAdmin(544), the administrators group

// ---------------------------------------------------------------------------------
// Growable arrays.
using TIntArray = std::vector<int32_t>;
using TWideStrArray = std::vector<std::wstring>;

int IntArrayAdd(TIntArray& Arr, int32_t Value);
int IntArrayIndexOf(const TIntArray& Arr, int32_t Value);
int IntArrayAddUnique(TIntArray& Arr, int32_t Value);
// Equal length and equal text (exactly, or by the locale's case-insensitive comparison).
int StrArrayIndexOf(const TWideStrArray& Arr, const std::wstring& S, bool CaseSensitive);
int StrArrayAddUnique(TWideStrArray& Arr, const std::wstring& S, bool CaseSensitive);
int StrArrayAddUniqueText(TWideStrArray& Arr, const std::wstring& S);
