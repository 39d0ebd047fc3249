// Reads a shell shortcut (.lnk): its target, arguments, folder, icon, description, show
// command, hot key and target PIDL. Resolving never shows a window or waits long.
#pragma once

#include "Classes.h"
#include "UPTShellUtils.h"

class TPTShortcut : public TObject {
public:
    VORLANE_CLASS_NAME(TPTShortcut)
    // The shell link object; raises EOSError when it cannot be made (COM not started).
    TPTShortcut();

    // How Load resolves the link: 0 searches for a moved target briefly, 1 hardly waits.
    uint8_t ResolveMode = 0;
    // Loads FileName and reads the fields below, stopping at the first failing read; that
    // result is returned (E_INVALIDARG for an empty name). Never shows a dialog.
    HRESULT Load(const WideString& FileName);

    WORD HotKey = 0;
    int IconIndex = 0;
    WideString Path, Arguments, WorkingDirectory, IconLocation, Description;
    int ShowCmd = 0;
    WIN32_FIND_DATAW FindData{};
    PItemIDList Pidl() const { return FPidl.Get(); }

    IShellLinkW* ShellLink() const { return FShellLink.Get(); }

private:
    TComPtr<IShellLinkW> FShellLink;
    TComPtr<IPersistFile> FPersistFile;
    TPTPidl FPidl;
};
