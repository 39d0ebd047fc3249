// The parts of the shell folder tree that need no window: its option set, the rules by
// which an enumerated item becomes a node (kept, expand button, ghosted, overlay), the
// record behind every node, the path of items from the root down to a folder, the drives
// whose changes the tree watches, and the hover timing that opens a folder under a drag.
#pragma once

#include "UPTShellUtils.h"

#include <functional>
#include <vector>

// ---------------------------------------------------------------------------------
// Options

// One bit each, bit 0 first.
enum TPTShellTreeOption : unsigned {
    ptstoAutoFill = 1u << 0,
    ptstoNonFilesystemAncestors = 1u << 1,
    ptstoDesignInteractive = 1u << 2,
    ptstoDefaultKeyHandling = 1u << 3,
    ptstoContextMenus = 1u << 4,
    ptstoDynamicRefresh = 1u << 5,
    ptstoShowFiles = 1u << 6,
    ptstoOleDrag = 1u << 7,
    ptstoOleDrop = 1u << 8,
    ptstoShowHidden = 1u << 9,
    ptstoIconOverlays = 1u << 10,
};
using TPTShellTreeOptions = unsigned;
// Everything but ptstoDesignInteractive and ptstoShowFiles.
constexpr TPTShellTreeOptions PTShellTreeDefaultOptions = 1979;

// ---------------------------------------------------------------------------------
// Items as nodes

// The attributes asked of every child: FILESYSTEM | FOLDER | FILESYSANCESTOR | COMPRESSED |
// REMOVABLE | HIDDEN | SHARE | LINK | ENCRYPTED | HASSUBFOLDER, plus STREAM with shell32 6.0.
constexpr ULONG PTShellTreeItemAttributes = 0xF60B2000;
ULONG PTShellTreeAttributeRequest();
// The enumeration flags: folders, files with ptstoShowFiles, hidden items with ptstoShowHidden.
SHCONTF PTShellTreeEnumFlags(TPTShellTreeOptions Options);
// Whether an item is shown at all (before the add event): with non-file-system ancestors
// allowed, or when it is in the file system or holds something that is.
bool PTShellTreeKeepsItem(TPTShellTreeOptions Options, ULONG Attributes);
// Whether its node gets an expand button: with files shown, a folder or a folder with
// subfolders; otherwise only a folder that has subfolders.
bool PTShellTreeShowsButton(TPTShellTreeOptions Options, ULONG Attributes);
// The node's overlay (1-based, 0 none): the shell's own with ptstoIconOverlays, else the
// share overlay (1) for shared items and the shortcut overlay (2) for links.
int PTShellTreeOverlay(TPTShellTreeOptions Options, ULONG Attributes, IShellFolder* Folder, PCItemIDList RelPidl);

// The record behind a node: its place in the namespace and the parent folder it came from.
class TPTShTreeData {
public:
    // Takes RelPidl; the absolute PIDL is the parent's (nil for the root's parent) + RelPidl.
    TPTShTreeData(TPTShTreeData* Parent, IShellFolder* ParentShf, PItemIDList RelPidl);
    // The root: Abs is its absolute PIDL (copied; nil = the desktop), with no parent folder
    // of its own in the tree.
    static TPTShTreeData* MakeRoot(PCItemIDList Abs);
    ~TPTShTreeData();
    TPTShTreeData(const TPTShTreeData&) = delete;
    TPTShTreeData& operator=(const TPTShTreeData&) = delete;

    TPTShTreeData* Parent() const { return FParent; }
    // The parent folder (the desktop for the root).
    IShellFolder* ParentShf() const { return FParentShf.Get(); }
    PCItemIDList RelPidl() const { return FRelPidl.Get(); }
    PCItemIDList AbsPidl() const { return FAbsPidl.Get(); }
    // The absolute PIDL of the parent folder (nil for the desktop's children).
    PCItemIDList ParentAbsPidl() const { return FParent ? FParent->AbsPidl() : FParentAbs.Get(); }
    // The node's own folder, bound on first use; empty when it does not bind.
    IShellFolder* Folder();
    // The children have been enumerated (Refresh compares only those).
    bool Populated = false;

    // After a rename: takes the new RelPidl and builds the absolute PIDL again.
    void SetRelPidl(PItemIDList RelPidl);
    // The parent's place changed: the absolute PIDL is built again and the parent folder
    // taken anew from the parent.
    void ParentRenamed();

private:
    TPTShTreeData() = default;
    TPTShTreeData* FParent = nullptr;
    TComPtr<IShellFolder> FParentShf;
    TPTPidl FRelPidl;
    TPTPidl FAbsPidl;
    TPTPidl FParentAbs; // the root's parent folder
    TComPtr<IShellFolder> FFolder;
    bool FFolderTried = false;
};

// The items of Target below Root, one single-item PIDL per level, in Steps. False when
// Target does not lie in or below Root (Steps empty then); true with no steps when Target
// is Root. nil and empty PIDLs are the desktop.
bool PTPidlSteps(PCItemIDList Root, PCItemIDList Target, std::vector<TPTPidl>& Steps);

// ---------------------------------------------------------------------------------
// Drive watches

// What the tree learns about the machine's drives (tests give their own).
struct TPTDriveSource {
    std::function<DWORD()> LogicalDrives;               // bit 0 = A:
    std::function<UINT(wchar_t Letter)> DriveType;      // DRIVE_FIXED ...
    std::function<bool(wchar_t Letter)> NetConnected;   // a network drive that answers
    std::function<WideString(wchar_t Letter)> RootPath; // where its watch is placed ("C:\")
};
// The machine's own drives.
TPTDriveSource PTSystemDrives();
// The drives the tree watches: fixed disks, RAM disks and connected network drives (never
// removable ones or CD-ROMs), as a bit mask.
DWORD PTWatchableDrives(const TPTDriveSource& Drives);
// What a drive watch reports: folder names, and file names with ptstoShowFiles.
DWORD PTShellTreeWatchFilter(TPTShellTreeOptions Options);

// ---------------------------------------------------------------------------------
// Hover during a drag

// Tells when the node under a drag has stayed still long enough to open: the mouse stays
// within the hover rectangle (Width x Height around the point where it settled) on the
// same node for longer than Time. Each settling opens at most once.
class TPTDragHover {
public:
    TPTDragHover(UINT Time, UINT Width, UINT Height) : FTime(Time), FWidth(Width), FHeight(Height) {}
    // The mouse is at Point over Node (null: none) at tick Now; true when Node should open.
    bool Update(DWORD Now, POINT Point, const void* Node);
    void Reset() { FNode = nullptr; }

private:
    UINT FTime, FWidth, FHeight;
    const void* FNode = nullptr;
    POINT FOrigin{};
    DWORD FSince = 0;
    bool FFired = false;
};

// Raises a counter (a re-entry guard) for a scope.
class TPTCountScope {
public:
    explicit TPTCountScope(int& Count) : FCount(Count) { ++FCount; }
    ~TPTCountScope() { --FCount; }
    TPTCountScope(const TPTCountScope&) = delete;
    TPTCountScope& operator=(const TPTCountScope&) = delete;

private:
    int& FCount;
};
