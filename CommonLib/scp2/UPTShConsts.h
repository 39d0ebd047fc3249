// The shell pack's texts: the default resource texts of the shell list (column captions,
// the size format, the type name of system folders), a wide resource-string loader, and
// the 121 translatable message texts. The message texts start empty; the interface
// translation writes them by their keys ("UPTShConsts_" + name), and the shell list and
// the bookmarks page read the ones they show.
#pragma once

#include "System.h"
#include "UPTShResIds.h"

#include <cstdint>

// The resource numbers of the default texts.
constexpr unsigned SPTShSizeKB = PTSH_RES_SIZE_KB;             // "%s KB"
constexpr unsigned SPTShColName = PTSH_RES_COL_NAME;           // "Name"
constexpr unsigned SPTShColSize = PTSH_RES_COL_SIZE;           // "Size"
constexpr unsigned SPTShColType = PTSH_RES_COL_TYPE;           // "Type"
constexpr unsigned SPTShColModified = PTSH_RES_COL_MODIFIED;   // "Modified"
constexpr unsigned SPTShSystemFolder = PTSH_RES_SYSTEM_FOLDER; // "System Folder"

// A string resource as wide text. A ResString of 65536 or more is the address of a
// zero-terminated ANSI text, which is returned widened. Otherwise the string is read from
// Module (the program when null). Text carrying the UTF-7 mark is decoded. '' when the
// resource is missing.
WideString ShellLoadResString(uintptr_t ResString, HMODULE Module = nullptr);

// The message texts in the order of the language files.
#define PTSH_MESSAGE_TEXTS(X)                                                                        \
    X(SFileExistsReplace) X(SFolderExistsReplace) X(SConfirmFileReplace) X(SConfirmFolderReplace)  \
    X(SConfirmDeleteFile) X(SConfirmDeleteFolder) X(SConfirmDeleteItems) X(SConfirmRecycleFile)    \
    X(SConfirmRecycleFolder) X(SConfirmRecycleItems) X(SConfirmDeleteCaption)                      \
    X(SConfirmReplaceCaption) X(SCannotDelete) X(SCannotRename) X(SCannotMove) X(SCannotCopy)      \
    X(SCannotCreateFolder) X(SCannotOpen) X(SCannotAccess) X(SInvalidFileName) X(SFileNameEmpty)   \
    X(SFileNameTooLong) X(SFolderNotFound) X(SFileNotFound) X(SPathNotFound) X(SDriveNotReady)     \
    X(SNetworkPathNotFound) X(SAccessDenied) X(SDiskFull) X(SSameSourceAndTarget)                  \
    X(STargetIsSubfolder) X(SNewFolderName) X(SNewShortcutName) X(SShortcutTo) X(SCopyOf)          \
    X(SCopyNOf) X(SOpenMenu) X(SExploreMenu) X(SOpenWithMenu) X(SSendToMenu) X(SCutMenu)          \
    X(SCopyMenu) X(SPasteMenu) X(SPasteShortcutMenu) X(SDeleteMenu) X(SRenameMenu)                 \
    X(SPropertiesMenu) X(SCreateShortcutMenu) X(SNewMenu) X(SNewFolderMenu) X(SRefreshMenu)        \
    X(SSelectAllMenu) X(SInvertSelectionMenu) X(SUndoMenu) X(SViewMenu) X(SViewLargeIconsMenu)     \
    X(SViewSmallIconsMenu) X(SViewListMenu) X(SViewDetailsMenu) X(SViewThumbnailsMenu)             \
    X(SArrangeIconsMenu) X(SArrangeByNameMenu) X(SArrangeBySizeMenu) X(SArrangeByTypeMenu)         \
    X(SArrangeByDateMenu) X(SAutoArrangeMenu) X(SLineUpIconsMenu) X(SUpOneLevelMenu)              \
    X(SUpOneLevelHint) X(SBackHint) X(SForwardHint) X(SNewFolderHint) X(SViewMenuHint)             \
    X(SRefreshHint) X(SDeleteHint) X(SPropertiesHint) X(SColumnName) X(SColumnSize)                \
    X(SColumnType) X(SColumnModified) X(SColumnAttributes) X(SColumnCreated) X(SColumnAccessed)    \
    X(SColumnComment) X(SColumnOwner) X(SColumnFreeSpace) X(SColumnTotalSize) X(SSizeBytes)        \
    X(SSizeKB) X(SSizeMB) X(SSizeGB) X(SItemsCount) X(SItemsSelected) X(SFreeSpaceStatus)          \
    X(SFileFolder) X(SSystemFolder) X(SFileTypeSuffix) X(SDriveLocalDisk) X(SDriveRemovable)       \
    X(SDriveNetwork) X(SDriveCDROM) X(SDriveRAMDisk) X(SDriveUnknown) X(SAttrReadOnly)             \
    X(SAttrHidden) X(SAttrSystem) X(SAttrArchive) X(SAttrCompressed) X(SAttrEncrypted)             \
    X(SEmptyFolderText) X(SFillingList) X(SSearchingText) X(SOperationCancelled)                   \
    X(SThumbnailError) X(SDragCopyHere) X(SDragMoveHere) X(SDragLinkHere) X(SDragCancel)           \
    X(SDesktopName) X(SMyComputerName) X(SBrowseForFolder)

namespace UPTShConsts {

#define PTSH_ENUM_ENTRY(Name) Name,
enum TTextId : int { PTSH_MESSAGE_TEXTS(PTSH_ENUM_ENTRY) TextCount };
#undef PTSH_ENUM_ENTRY

// The text's name ("SViewMenu") and its language-file key ("UPTShConsts_SViewMenu").
const wchar_t* Name(TTextId Id);
WideString Key(TTextId Id);
// The text's id for a key; false for an unknown key.
bool FindKey(const WideString& Key, TTextId& Id);

const WideString& Text(TTextId Id);
void SetText(TTextId Id, const WideString& Value);
// Sets the text of a key; false (nothing changed) for an unknown key.
bool SetTextByKey(const WideString& Key, const WideString& Value);
// Empties every text (shut-down).
void ClearTexts();

// The shell list's fallback column caption: the translated text when there is one,
// else the default resource text.
WideString ColumnCaption(int Column);

} // namespace UPTShConsts
