#include "UPTShListData.h"

#include "SysUtils.h"
#include "TntSysUtils.h"

namespace {
// FILESYSTEM | FOLDER | FILESYSANCESTOR | COMPRESSED | HIDDEN | READONLY | SHARE | LINK |
// ENCRYPTED | CANDELETE | CANRENAME | CANLINK | CANMOVE | CANCOPY
constexpr ULONG ItemAttributeMask = 0x740F2037;
} // namespace

TPTShListData::~TPTShListData() {
    FreePidl(FAbsPidl);
    FreePidl(FRelPidl);
}

void TPTShListData::SetRelPidl(PItemIDList Pidl) {
    if (Pidl == FRelPidl)
        return;
    FreePidl(FRelPidl);
    FreePidl(FAbsPidl);
    FRelPidl = Pidl;
    FAbsPidl = nullptr;
    FDisplayName.clear();
    FDisplayNameRead = false;
    DetailsLoaded = false;
}

PItemIDList TPTShListData::GetAbsPidl() {
    if (!FAbsPidl)
        FAbsPidl = ConcatPidls(FOwner ? FOwner->ShellListFolderPidl() : nullptr, FRelPidl);
    return FAbsPidl;
}

WideString TPTShListData::GetPath() { return PidlToPath(GetAbsPidl()); }

WideString TPTShListData::GetFileName() { return WideExtractFileName(GetPath()); }

WideString TPTShListData::GetDisplayName() {
    if (!FDisplayNameRead) {
        IShellFolder* folder = FOwner ? FOwner->ShellListFolder() : nullptr;
        if (folder)
            FDisplayName = ::GetDisplayName(folder, FRelPidl, dnmInFolder);
        FDisplayNameRead = true;
    }
    return FDisplayName;
}

ULONG TPTShListData::GetAttributes() {
    IShellFolder* folder = FOwner ? FOwner->ShellListFolder() : nullptr;
    if (!folder || !FRelPidl)
        return 0;
    ULONG attributes = ItemAttributeMask;
    if (ShellIsVersion6OrLater())
        attributes |= SFGAO_STREAM;
    const WideString path = GetPath();
    if (IsDriveRoot(path) && GetDriveTypeW(path.c_str()) == DRIVE_REMOVABLE)
        attributes &= ~static_cast<ULONG>(SFGAO_READONLY);
    PCUITEMID_CHILD item = FRelPidl;
    if (FAILED(folder->GetAttributesOf(1, &item, &attributes)))
        return 0;
    return attributes;
}

bool TPTShListData::IsFolder() {
    return IsFolderItem(GetAttributes(), FOwner && FOwner->ShellListFilesCanBeFolders());
}

bool TPTShListData::IsFileSystem() { return (GetAttributes() & SFGAO_FILESYSTEM) != 0; }
bool TPTShListData::CanRename() { return (GetAttributes() & SFGAO_CANRENAME) != 0; }
bool TPTShListData::IsShortcut() { return SameText(WideExtractFileExt(GetPath()), L".lnk"); }
