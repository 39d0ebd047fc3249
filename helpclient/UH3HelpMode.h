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
// neither exists or no helpmode entry follows an appSettings tag. A file that cannot be
// read (held open by another program, or over MaxConfigFileBytes) gives the mode last read
// from it in this run ('' when none) after three tries HelpModeRetryDelayMs apart; until it
// reads again, later reads try it once without a pause. The user hears of it once per file
// and run.
std::wstring ReadHelpMode(const std::wstring& UserFile, const std::wstring& MachineFile);

// Writes Mode into UserFile. An existing file gets its helpmode entry replaced and keeps
// every other byte and its encoding; a missing file (and its folder) is created with the
// six-line default. False, after the message "Could not save cfg file: " + path, when the
// file cannot be written, holds no helpmode entry to change, or would not read back the new
// mode (a damaged file; it is then left as it was).
bool WriteHelpMode(const std::wstring& UserFile, const std::wstring& Mode);

// The text of a fresh file for Mode (six lines, CR LF after each).
std::string FreshHelpModeFile(const std::wstring& Mode);

// Pause between the attempts of a failed read or save (the window waits for them), and what
// makes it (Sleep).
extern unsigned HelpModeRetryDelayMs;
extern void (*HelpModePause)(unsigned Ms);
