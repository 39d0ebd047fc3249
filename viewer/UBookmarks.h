// Bookmarks without windows: Internet shortcut files (".url") in ordinary folders, the
// default bookmark folder, the names the save dialog turns into file names, the new-folder
// names and the saved view style of the bookmark list.
//
// A bookmark file is UTF-16LE text with its byte-order mark and exactly two lines,
// "[InternetShortcut]" and "URL=" + the address. Files written by other programs (ANSI or
// UTF-8, more keys) are read as INI files, so they open too.
#pragma once

#include <string>

// "My Help Viewer Bookmarks".
extern const wchar_t* const BookmarkFolderName;

// DocumentsFolder (trailing '\' removed), or TempFolder when that is empty, + "\My Help
// Viewer Bookmarks".
std::wstring DefaultBookmarkFolder(const std::wstring& DocumentsFolder, const std::wstring& TempFolder);
// The same from the user's documents folder and the temporary folder.
std::wstring DefaultBookmarkFolder();

// The folder the bookmark list shows at start-up: FavDir (the saved setting) when that
// folder exists, else DefaultFolder. DefaultFolder is created when missing.
std::wstring StartBookmarkFolder(const std::wstring& FavDir, const std::wstring& DefaultFolder);

// The address of a bookmark file (value URL of section InternetShortcut); false when the
// file is missing or unreadable or holds no address, and when it is over
// MaxBookmarkFileBytes (the user is told; the file is not read).
bool ReadUrlFile(const std::wstring& FileName, std::wstring& Url);
// Writes the bookmark file through a new file in the same folder that replaces the old
// one only when complete: on failure (false) an existing file is left as it was.
bool WriteUrlFile(const std::wstring& FileName, const std::wstring& Url);

// The address a list item opens: Folder + "\" + ItemName when the name ends in ".url"
// (any case) and the file exists, its address without the first "&embedded=true".
// '' for anything else.
std::wstring BookmarkItemUrl(const std::wstring& Folder, const std::wstring& ItemName);

// The address a new bookmark stores: an agent URL becomes its "ms-xhelp:///?" form, so
// bookmarks do not depend on the agent's port; other addresses stay as they are.
std::wstring BookmarkAddress(const std::wstring& Url);

// Name with every character a file name cannot hold (: / \ * ? | < > " and control
// characters, which page titles may carry) removed.
std::wstring CleanBookmarkName(const std::wstring& Name);

// The save dialog's OK: what became of the bookmark.
enum class TBookmarkSave {
    Saved,
    EmptyName,   // nothing left of the name after cleaning: told, nothing written
    NotReplaced, // the file exists and the user declined to overwrite it
    WriteFailed  // "Error writing to file" told; an existing file is left as it was
};
// Saves Url as Folder\<cleaned Name>.url (the folder created when missing), asking before
// it replaces a file and telling the user about a refused name or a failed write (through
// the program's message slot). FileName gets the file's path when the name was usable.
TBookmarkSave SaveBookmarkFile(const std::wstring& Name, const std::wstring& Folder, const std::wstring& Url,
                               std::wstring& FileName);

// The folder the new-folder command creates: Folder\New Folder, or the first of
// "New Folder (2)", "New Folder (3)" ... that does not exist yet.
std::wstring NewFolderPath(const std::wstring& Folder);
// Creates that folder; its path in Created. False when the system refused.
bool CreateNewBookmarkFolder(const std::wstring& Folder, std::wstring& Created);

// The folder a "special folder" command shows: Path (+ '\') when it exists; when the
// system gave no path, the parent of AllUsersFavorites; '' when neither is there (the
// command then says "Folder not available").
std::wstring SpecialBookmarkFolder(const std::wstring& Path, const std::wstring& AllUsersFavorites);

// The bookmark list's view styles as the menu items' tags and the setting FavView1 keep them.
enum TFavViewStyle : int { fvIcon = 1, fvSmallIcon = 2, fvList = 3, fvReport = 4, fvThumbnail = 5 };
// FavView1 at start-up: "1" to "5" give their style, any other non-empty value List;
// false for an empty value (the list keeps its style).
bool FavViewStyleFromSetting(const std::wstring& Value, TFavViewStyle& Style);
// FavView1 at close: "1" to "5", "3" for anything else.
std::wstring FavViewStyleSetting(int Style);
