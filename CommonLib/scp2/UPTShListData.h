// The record the shell list keeps behind each of its items: the item's PIDL relative to
// the shown folder, its absolute PIDL (made when first asked for) and cached texts.
#pragma once

#include "Classes.h"
#include "UPTShellUtils.h"

// What an item's record needs from the list that holds it.
class TPTShListDataOwner {
public:
    // The shown folder and its absolute PIDL.
    virtual IShellFolder* ShellListFolder() = 0;
    virtual PCItemIDList ShellListFolderPidl() = 0;
    // The list's "files can be folders" option (see IsFolderItem).
    virtual bool ShellListFilesCanBeFolders() = 0;

protected:
    ~TPTShListDataOwner() = default;
};

class TPTShListData : public TObject {
public:
    VORLANE_CLASS_NAME(TPTShListData)
    // Takes RelPidl (a single item of the owner's folder).
    TPTShListData(TPTShListDataOwner* Owner, PItemIDList RelPidl) : FOwner(Owner), FRelPidl(RelPidl) {}
    // Both PIDLs go to the deferred free.
    ~TPTShListData() override;

    TPTShListDataOwner* Owner() const { return FOwner; }
    PItemIDList RelPidl() const { return FRelPidl; }
    // Takes Pidl; the old PIDLs go and the cached texts are forgotten.
    void SetRelPidl(PItemIDList Pidl);
    // The folder's absolute PIDL + RelPidl, made on the first call and kept.
    PItemIDList GetAbsPidl();
    // The file-system path ('' for a virtual item) and its last part.
    WideString GetPath();
    WideString GetFileName();
    // The in-folder display name, asked once.
    WideString GetDisplayName();
    // Asked afresh each time: file system, folder, ancestor, compressed, hidden, read-only,
    // share, link, encrypted, delete/rename/link/move/copy, and stream with shell32 6.0 or
    // later. A removable drive's root is not asked for read-only (no media access).
    ULONG GetAttributes();
    bool IsFolder();
    bool IsFileSystem();
    bool CanRename();
    bool IsShortcut(); // ".lnk", case ignored

    // The fallback detail texts; the shell list fills them once.
    bool DetailsLoaded = false;
    WideString SizeText, TypeText, ModifiedText;

private:
    TPTShListDataOwner* FOwner;
    PItemIDList FRelPidl;
    PItemIDList FAbsPidl = nullptr;
    WideString FDisplayName;
    bool FDisplayNameRead = false;
};
