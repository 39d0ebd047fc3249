// The shell pack's toolkit for the shell namespace: item-identifier lists (PIDLs), the
// shell allocator they live in, conversions between PIDLs, paths, display names, icons
// and special folders, and a few shell queries.
//
// A PIDL is a run of items, each starting with its 16-bit size (the size field counted),
// ended by a 16-bit zero. nil and an empty PIDL (the terminator alone) both stand for the
// desktop. Every PIDL made here comes from the shell allocator; free it with FreePidl
// (deferred to idle time, for the many PIDLs of a list) or hold it in a TPTPidl.
#pragma once

#include "Handles.h"
#include "System.h"

#include <commctrl.h>
#include <shlobj.h>

#include <cstddef>
#include <vector>

using PItemIDList = LPITEMIDLIST;
using PCItemIDList = LPCITEMIDLIST;

// ---------------------------------------------------------------------------------
// Memory

// The process's shell allocator (taken at start-up, or on first use).
IMalloc* GetShellMalloc();
void* ShellAlloc(size_t Size);
// Frees at once through the shell allocator (nil does nothing).
void ShellFree(void* P);
// Frees later, in bounded batches while the application idles (UPTShellMemFree.h); at
// once while the pack shuts down or when there is no application object. nil does nothing.
void FreePidl(PItemIDList Pidl);

// Owns one PIDL and frees it through the shell (task) allocator at once.
using TPTPidl = TPidl;

// ---------------------------------------------------------------------------------
// PIDL arithmetic

// Bytes including the terminator; 0 for nil.
int PidlSize(PCItemIDList Pidl);
// Number of items; 0 for nil and for an empty PIDL.
int PidlItemCount(PCItemIDList Pidl);
bool IsEmptyPidl(PCItemIDList Pidl); // nil or the terminator alone
// A new PIDL with the same items (an empty one for nil).
PItemIDList CopyPidl(PCItemIDList Pidl);
// A new PIDL: the items of A, then those of B.
PItemIDList ConcatPidls(PCItemIDList A, PCItemIDList B);
// True when Size bytes at Data are items whose sizes fit inside them and that end with the
// terminator exactly at the end.
bool IsWellFormedPidl(const void* Data, size_t Size);

// The failure value of ComparePidls.
constexpr int PTPidlCompareFailed = 0x7FFFFFFF;
// Both nil: 0; one nil: -1; both empty: 0; one empty: -1; else the desktop's CompareIDs
// (low 16 bits, signed); PTPidlCompareFailed when the desktop or the compare fails.
// 0 means the same item.
int ComparePidls(PCItemIDList A, PCItemIDList B);

// A view over one absolute PIDL (not owned). Item and Parent return a PIDL the array owns
// until the next call or its destruction.
class TPTIdListArray {
public:
    explicit TPTIdListArray(PCItemIDList Pidl) : FPidl(Pidl) {}
    int Count() const { return PidlItemCount(FPidl); }
    // The I-th item alone; nil when I is outside 0..Count-1.
    PItemIDList Item(int I);
    // The first Count - N items (an empty PIDL for N = Count); nil when N is outside 0..Count.
    PItemIDList Parent(int N);

private:
    PCItemIDList FPidl;
    TPTPidl FResult;
};

// ---------------------------------------------------------------------------------
// Folders and conversions

// The desktop folder everything here binds and compares through. A stand-in may be put in
// its place (tests do); nullptr gives the shell's own back.
HRESULT GetDesktopFolder(TComPtr<IShellFolder>& Folder);
void SetDesktopFolderStandIn(IShellFolder* Folder);

// The desktop for nil or an empty PIDL, else the folder bound from the desktop.
HRESULT GetShellFolder(PCItemIDList Pidl, TComPtr<IShellFolder>& Folder);
// The parent folder, the parent's absolute PIDL and the last item. For an empty PIDL the
// desktop with an empty child; for one item the desktop, a nil parent and a copy.
HRESULT SplitPidl(PCItemIDList Abs, TComPtr<IShellFolder>& ParentShf, TPTPidl& ParentPidl, TPTPidl& ChildPidl);
// Parses a path (or any name the desktop understands); Pidl is empty on failure.
HRESULT PathToPidl(const WideString& Path, TPTPidl& Pidl);
// The file-system path ('' for a virtual item); nil is the desktop.
WideString PidlToPath(PCItemIDList Pidl);

// Special folders, by index into the pack's table (56 entries; index 0 names none and
// index 17 is the computer folder).
constexpr int PTSpecialFolderCount = 56;
constexpr int PTSpecialFolderComputer = 17;
// The CSIDL of a table index; -1 for index 0 and for indexes outside the table.
int SpecialFolderCSIDL(int Index);
HRESULT SpecialFolderPidl(HWND Owner, int Index, TPTPidl& Pidl);
WideString SpecialFolderPath(HWND Owner, int Index);
// The first index whose folder resolves and compares equal to Pidl; 0 when none.
int SpecialFolderIndexOf(PCItemIDList Pidl);

// Display-name modes.
enum TPTDisplayNameMode { dnmNormal = 0, dnmInFolder = 1, dnmForParsing = 2, dnmForEditing = 3 };
// The name of RelPidl in Folder (nil Folder: the desktop, and then RelPidl is taken as
// given); '' when the folder has none.
WideString GetDisplayName(IShellFolder* Folder, PCItemIDList RelPidl, TPTDisplayNameMode Mode);
// The in-folder name of an absolute PIDL; nil gives the desktop's name.
WideString GetAbsDisplayName(PCItemIDList Abs);
// Text of a STRRET the shell filled for Pidl (a wide one is freed here).
WideString StrRetToWide(STRRET& StrRet, PCItemIDList Pidl);

// The system image list index of an absolute PIDL (SHGFI_* flags such as SHGFI_SMALLICON).
int GetIconIndex(PCItemIDList Pidl, UINT Flags);
// The system image list: 0 small, 1 large. The share and shortcut overlays (1 and 2) are
// put in once before the first use.
HIMAGELIST GetSystemImageList(int SizeIndex);
// The overlay of an item: the folder's own when it tells, else 1 shared, 2 link, 0 none.
int GetOverlayIndex(IShellFolder* Folder, PCItemIDList RelPidl);
// Asks the parent folder of Abs for an object of the item (IContextMenu, IDropTarget ...).
HRESULT GetUIObjectOfPidl(PCItemIDList Abs, REFIID Riid, void** Obj);

// The folder rule: FOLDER, and either files may be folders, or shell32 is older than 6.0,
// or the item is not also a STREAM (an archive shown as a folder counts as a file).
bool IsFolderItem(ULONG Attributes, bool FilesCanBeFolders);
// "X:\" style: three characters with ':' second.
bool IsDriveRoot(const WideString& Path);
// Raises EOSError whose message is the system's text for the result code.
[[noreturn]] void RaiseShellError(HRESULT Result);

// The children of Folder (SHCONTF_* Flags) into Pidls, which the caller then owns. S_OK
// when the enumeration ran to its end; else its failure, with Started telling whether it
// began at all (Pidls then holds what came before the failure).
HRESULT PTEnumerateChildren(IShellFolder* Folder, HWND Owner, SHCONTF Flags, std::vector<PItemIDList>& Pidls,
                            bool& Started);

// The folder's IShellDetails; over IShellFolder2 an adapter; else its view object's.
HRESULT GetShellDetails(IShellFolder* Folder, TComPtr<IShellDetails>& Details);

// Makes the shell drop its cached drive list (unless inside BeginDriveUpdate).
void RevalidateDrives();
void BeginDriveUpdate();
void EndDriveUpdate();

// Network drives (netapi32 is loaded on first use).
bool NetApiAvailable();
// True when the drive's network connection is fine, or when that cannot be asked.
bool IsNetDriveConnected(char Drive);

// ---------------------------------------------------------------------------------
// Library versions ({LS, MS} of the file version; both 0 without a version block).
struct TPTFileVersion {
    DWORD LS = 0;
    DWORD MS = 0;
};
const TPTFileVersion& ComCtlVersion();
// Whether comctl32 is at least Major.Minor.
bool ComCtlIsVersion(WORD Major, WORD Minor);
// Puts a version in place of comctl32's own (tests); null gives the file's back.
void SetComCtlVersionStandIn(const TPTFileVersion* Version);
const TPTFileVersion& ShellVersion();
bool ShellIsVersion6OrLater();

// ---------------------------------------------------------------------------------
// Key texts of the pack's default keys (fixed English names, independent of the menus').
namespace UPTShellUtils {
// "Ctrl+A", "Shift+F13", "Del" ...; '' for a key without a name.
WideString ShortCutToText(WORD ShortCut);
// The shortcut of such a text ("^" for "Ctrl+" too, case ignored); 0 when unknown.
WORD TextToShortCut(const WideString& Text);
} // namespace UPTShellUtils

// Releases what the toolkit holds (the pack's shut-down).
void ShutdownShellUtils();
