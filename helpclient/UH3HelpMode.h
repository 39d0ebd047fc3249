// The help runtime's help-mode file "HelpClient.cfg": whether help comes from the local
// store ("offline") or from the online library ("online"). The per-user file wins over
// the machine file, which is only ever read.
#pragma once

#include <string>

// "<local application data>\Microsoft\HelpLibrary\HelpClient.cfg".
std::wstring HelpModeUserFile();
// AppRoot + "\HelpClient.cfg" ('' when AppRoot is empty).
std::wstring HelpModeMachineFile(const std::wstring& AppRoot);

// The mode from UserFile when it exists, else from MachineFile when that exists; '' when
// neither exists, neither can be read or no helpmode entry follows an appSettings tag.
std::wstring ReadHelpMode(const std::wstring& UserFile, const std::wstring& MachineFile);

// Writes Mode into UserFile. An existing file gets its helpmode entry replaced and keeps
// every other byte and its encoding; a missing file (and its folder) is created with the
// six-line default. False, after the message "Could not save cfg file: " + path, when the
// file cannot be written, holds no helpmode entry to change, or would not read back the new
// mode (a damaged file; it is then left as it was).
bool WriteHelpMode(const std::wstring& UserFile, const std::wstring& Mode);

// The text of a fresh file for Mode (six lines, CR LF after each).
std::string FreshHelpModeFile(const std::wstring& Mode);

// Pause before the second attempt of a failed load or save.
extern unsigned HelpModeRetryDelayMs;
