#include "UPTShellTreeSupport.h"

#include <cstdlib>

ULONG PTShellTreeAttributeRequest() {
    return PTShellTreeItemAttributes | (ShellIsVersion6OrLater() ? SFGAO_STREAM : 0);
}

SHCONTF PTShellTreeEnumFlags(TPTShellTreeOptions Options) {
    SHCONTF flags = SHCONTF_FOLDERS;
    if (Options & ptstoShowFiles)
        flags |= SHCONTF_NONFOLDERS;
    if (Options & ptstoShowHidden)
        flags |= SHCONTF_INCLUDEHIDDEN;
    return flags;
}

bool PTShellTreeKeepsItem(TPTShellTreeOptions Options, ULONG Attributes) {
    return (Options & ptstoNonFilesystemAncestors) || (Attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR));
}

bool PTShellTreeShowsButton(TPTShellTreeOptions Options, ULONG Attributes) {
    const ULONG both = SFGAO_HASSUBFOLDER | SFGAO_FOLDER;
    if (Options & ptstoShowFiles)
        return (Attributes & both) != 0;
    return (Attributes & both) == both;
}

int PTShellTreeOverlay(TPTShellTreeOptions Options, ULONG Attributes, IShellFolder* Folder, PCItemIDList RelPidl) {
    if (Options & ptstoIconOverlays)
        return Folder ? GetOverlayIndex(Folder, RelPidl) : 0;
    if (Attributes & SFGAO_SHARE)
        return 1;
    if (Attributes & SFGAO_LINK)
        return 2;
    return 0;
}

// ------------------------------------------------------------------ TPTShTreeData

TPTShTreeData::TPTShTreeData(TPTShTreeData* Parent, IShellFolder* ParentShf, PItemIDList RelPidl)
    : FParent(Parent), FParentShf(ParentShf), FRelPidl(RelPidl) {
    FAbsPidl.Reset(ConcatPidls(Parent ? Parent->AbsPidl() : nullptr, RelPidl));
}

TPTShTreeData* TPTShTreeData::MakeRoot(PCItemIDList Abs) {
    auto* data = new TPTShTreeData;
    TComPtr<IShellFolder> parent;
    TPTPidl parentPidl, child;
    if (!IsEmptyPidl(Abs) && SUCCEEDED(SplitPidl(Abs, parent, parentPidl, child))) {
        data->FParentShf = parent;
        data->FRelPidl = std::move(child);
        data->FParentAbs = std::move(parentPidl);
    } else {
        GetDesktopFolder(data->FParentShf);
    }
    data->FAbsPidl.Reset(CopyPidl(Abs));
    return data;
}

TPTShTreeData::~TPTShTreeData() {
    FreePidl(FRelPidl.Release());
    FreePidl(FAbsPidl.Release());
    FreePidl(FParentAbs.Release());
}

IShellFolder* TPTShTreeData::Folder() {
    if (!FFolderTried) {
        FFolderTried = true;
        if (!FParent && IsEmptyPidl(FAbsPidl.Get()))
            GetDesktopFolder(FFolder);
        else if (FParentShf && !IsEmptyPidl(FRelPidl.Get()))
            FParentShf->BindToObject(FRelPidl.Get(), nullptr, IID_IShellFolder, FFolder.PutVoid());
        else
            GetShellFolder(FAbsPidl.Get(), FFolder);
    }
    return FFolder.Get();
}

void TPTShTreeData::SetRelPidl(PItemIDList RelPidl) {
    FreePidl(FRelPidl.Release());
    FRelPidl.Reset(RelPidl);
    FreePidl(FAbsPidl.Release());
    FAbsPidl.Reset(ConcatPidls(ParentAbsPidl(), RelPidl));
    FFolder.Reset();
    FFolderTried = false;
}

void TPTShTreeData::ParentRenamed() {
    if (!FParent)
        return;
    FParentShf = TComPtr<IShellFolder>(FParent->Folder());
    FreePidl(FAbsPidl.Release());
    FAbsPidl.Reset(ConcatPidls(FParent->AbsPidl(), FRelPidl.Get()));
    FFolder.Reset();
    FFolderTried = false;
}

// ------------------------------------------------------------------ navigation

bool PTPidlSteps(PCItemIDList Root, PCItemIDList Target, std::vector<TPTPidl>& Steps) {
    Steps.clear();
    const int rootCount = PidlItemCount(Root), targetCount = PidlItemCount(Target);
    if (targetCount < rootCount)
        return false;
    TPTIdListArray target(Target);
    if (rootCount > 0 && ComparePidls(target.Parent(targetCount - rootCount), Root) != 0)
        return false;
    for (int i = rootCount; i < targetCount; ++i)
        Steps.emplace_back(CopyPidl(target.Item(i)));
    return true;
}

// ------------------------------------------------------------------ drives

TPTDriveSource PTSystemDrives() {
    TPTDriveSource d;
    d.LogicalDrives = [] { return GetLogicalDrives(); };
    d.RootPath = [](wchar_t Letter) { return WideString{Letter, L':', L'\\'}; };
    d.DriveType = [](wchar_t Letter) { return GetDriveTypeW(WideString{Letter, L':', L'\\'}.c_str()); };
    d.NetConnected = [](wchar_t Letter) { return IsNetDriveConnected(static_cast<char>(Letter)); };
    return d;
}

DWORD PTWatchableDrives(const TPTDriveSource& Drives) {
    const DWORD present = Drives.LogicalDrives ? Drives.LogicalDrives() : 0;
    DWORD watched = 0;
    for (int i = 0; i < 26; ++i) {
        if (!(present & (1u << i)))
            continue;
        const wchar_t letter = static_cast<wchar_t>(L'A' + i);
        const UINT type = Drives.DriveType ? Drives.DriveType(letter) : DRIVE_UNKNOWN;
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK ||
            (type == DRIVE_REMOTE && Drives.NetConnected && Drives.NetConnected(letter)))
            watched |= 1u << i;
    }
    return watched;
}

DWORD PTShellTreeWatchFilter(TPTShellTreeOptions Options) {
    return FILE_NOTIFY_CHANGE_DIR_NAME | ((Options & ptstoShowFiles) ? FILE_NOTIFY_CHANGE_FILE_NAME : 0);
}

// ------------------------------------------------------------------ TPTDragHover

bool TPTDragHover::Update(DWORD Now, POINT Point, const void* Node) {
    const bool moved = std::abs(Point.x - FOrigin.x) * 2 > static_cast<int>(FWidth) ||
                       std::abs(Point.y - FOrigin.y) * 2 > static_cast<int>(FHeight);
    if (Node != FNode || moved) {
        FNode = Node;
        FOrigin = Point;
        FSince = Now;
        FFired = false;
        return false;
    }
    if (!FNode || FFired || Now - FSince <= FTime)
        return false;
    FFired = true;
    return true;
}
