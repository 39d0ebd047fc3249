// The parts of the shell list that need no window: its option set and view styles (with
// the names they are stored under), the file filter, the order of items by a column, the
// fallback detail columns (sizes, type names, dates, the user's column widths) and the
// comparison of the items shown with a fresh enumeration of the folder.
#pragma once

#include "UPTPidlList.h"
#include "UPTShListData.h"

#include <cstdint>

// ---------------------------------------------------------------------------------
// Options and view styles

// One bit each, bit 0 first.
enum TPTShellListOption : unsigned {
    ptsloAutoFill = 1u << 0,
    ptsloNonFilesystemAncestors = 1u << 1,
    ptsloDesignInteractive = 1u << 2,
    ptsloDefaultKeyHandling = 1u << 3,
    ptsloContextMenus = 1u << 4,
    ptsloDontChangeFolder = 1u << 5,
    ptsloDontGoBelowBase = 1u << 6,
    ptsloDynamicRefresh = 1u << 7,
    ptsloHideFoldersWhenLinkedToTree = 1u << 8,
    ptsloOleDrag = 1u << 9,
    ptsloOleDrop = 1u << 10,
    ptsloFolderContextMenu = 1u << 11,
    ptsloShowHidden = 1u << 12,
    ptsloFilesCanBeFolders = 1u << 13,
    ptsloIconOverlays = 1u << 14,
};
using TPTShellListOptions = unsigned;
// Auto fill, non-file-system ancestors, default keys, context menus, dynamic refresh, OLE
// drag and drop, folder context menu, hidden items, files as folders, icon overlays.
constexpr TPTShellListOptions PTShellListDefaultOptions = 32411;

enum TPTShellViewStyle { svsIcon, svsSmallIcon, svsList, svsReport, svsThumbnails };

// The name a view style is stored under ("svsList").
WideString PTShellViewStyleName(TPTShellViewStyle Style);
// The view style of a stored name; the older names without the leading 's' ("vsReport")
// are read as their "svs" forms. False (Style untouched) for an unknown name.
bool PTShellViewStyleFromName(const WideString& Name, TPTShellViewStyle& Style);

// ---------------------------------------------------------------------------------
// Filter and order

// Whether an item passes the file filter (';'-separated masks, case ignored): folders
// always do, and so does everything when the filter is empty. The file name is the part
// of the parsing name after its last '\' or ':'.
bool PTShellFilterAccepts(const WideString& FileFilter, const WideString& ParsingName, bool IsFolder);

// The order of two items under SortColumn (0 = none, +n ascending by column n-1, -n
// descending): the folder's CompareIDs of that column, its 16-bit code, negated for a
// descending column; a failed compare counts as equal.
int PTShellSortCompare(IShellFolder* Folder, int SortColumn, PCItemIDList A, PCItemIDList B);

// Strikes from both lists the PIDLs they share (Old sorted for its search; New walked from
// last to first). What is left in Old is gone from the folder, what is left in New is new.
void PTStrikeCommonPidls(TPTPidlList& Old, TPTPidlList& New);

// ---------------------------------------------------------------------------------
// Fallback detail columns (Name, Size, Type, Modified) for folders that tell no details

constexpr int PTFallbackColumnCount = 4;
struct TPTFallbackWidths {
    int Widths[PTFallbackColumnCount] = {200, 60, 100, 120};
};
// The widths of a "DirectoryCols" block: its first four little-endian 16-bit words, only
// when the block has exactly 22 bytes; false (Widths untouched) otherwise.
bool PTParseDirectoryCols(const void* Data, size_t Size, TPTFallbackWidths& Widths);
// The user's widths (HKEY_CURRENT_USER ...\Explorer "DirectoryCols"), read once per run,
// else the defaults. PTResetFallbackWidths makes the next call read again (tests).
const TPTFallbackWidths& PTFallbackColumnWidths();
void PTResetFallbackWidths();

// "%s KB" with the size in kilobytes, rounded up (thousands separated, no decimals).
WideString PTShellSizeText(uint64_t Bytes);
// The last-write time (the creation time when that is zero) in local time, as the user's
// short date, a blank and the long time.
WideString PTShellFileTimeText(const FILETIME& LastWrite, const FILETIME& Creation);
// Fills the item's SizeText (files only), TypeText and ModifiedText once, from the file
// system (never a "drive not ready" dialog).
void PTLoadFallbackDetails(TPTShListData& Data);

// The detail text of an item's column: '' for column 0; with the folder's details their
// text; without, the fallback texts of columns 1 to 3.
WideString PTShellDetailText(TPTShListData& Data, IShellDetails* Details, int Column);

// Runs a body with the "drive not ready" and similar system dialogs turned off.
class TPTNoCriticalErrors {
public:
    TPTNoCriticalErrors() : FOld(SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~TPTNoCriticalErrors() { SetErrorMode(FOld); }
    TPTNoCriticalErrors(const TPTNoCriticalErrors&) = delete;
    TPTNoCriticalErrors& operator=(const TPTNoCriticalErrors&) = delete;

private:
    UINT FOld;
};
