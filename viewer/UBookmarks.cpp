#include "UBookmarks.h"

#include "SysUtils.h"
#include "TntClasses.h"
#include "TntIniFiles.h"
#include "UAuxFile.h"
#include "UH3_Code.h"
#include "UUnicode.h"
#include "UUtilsW.h"
#include "UMessageTexts.h"

#include <shlobj.h>

const wchar_t* const BookmarkFolderName = L"My Help Viewer Bookmarks";

namespace {

std::wstring WithoutTrailingBackslash(std::wstring Path) {
    ExcludeTrailingBackslashW(Path);
    return Path;
}

bool PathExists(const std::wstring& Path) { return GetFileAttributesW(FileSystemPath(Path).c_str()) != INVALID_FILE_ATTRIBUTES; }

} // namespace

std::wstring DefaultBookmarkFolder(const std::wstring& DocumentsFolder, const std::wstring& TempFolder) {
    std::wstring base = WithoutTrailingBackslash(DocumentsFolder);
    if (base.empty()) base = WithoutTrailingBackslash(TempFolder);
    return base + L"\\" + BookmarkFolderName;
}

std::wstring DefaultBookmarkFolder() { return DefaultBookmarkFolder(ShellFolderPath(CSIDL_PERSONAL), GetTempFolderW()); }

std::wstring StartBookmarkFolder(const std::wstring& FavDir, const std::wstring& DefaultFolder) {
    if (!DirectoryExistsW(DefaultFolder)) ForceDirectoriesW(DefaultFolder);
    if (!FavDir.empty() && DirectoryExistsW(FavDir)) return FavDir;
    return DefaultFolder;
}

bool ReadUrlFile(const std::wstring& FileName, std::wstring& Url) {
    Url.clear();
    if (!FileExistsW(FileName) || !FileSizeAllowed(FileName, MaxBookmarkFileBytes)) return false;
    try {
        TTntMemIniFile ini(FileName);
        Url = ini.ReadString(L"InternetShortcut", L"URL", L"");
    } catch (...) {
        // An unreadable file (locked, no rights) gives no address.
        Url.clear();
        return false;
    }
    return !Url.empty();
}

bool WriteUrlFile(const std::wstring& FileName, const std::wstring& Url) {
    TTntStringList lines;
    lines.Add(L"[InternetShortcut]");
    lines.Add(L"URL=" + Url);
    const std::wstring text = lines.Text();
    std::string bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return ReplaceFileBytes(FileName, bytes);
}

std::wstring BookmarkItemUrl(const std::wstring& Folder, const std::wstring& ItemName) {
    if (!IsFileExtW(ItemName, L".url")) return std::wstring();
    const std::wstring file = WithoutTrailingBackslash(Folder) + L"\\" + ItemName;
    std::wstring url;
    if (!FileExistsW(file) || !ReadUrlFile(file, url)) return std::wstring();
    return WithoutEmbeddedTrue(url);
}

std::wstring BookmarkAddress(const std::wstring& Url) {
    std::wstring url = Url;
    TH3Code::AgentUrlToMsXHelp(url);
    return url;
}

std::wstring CleanBookmarkName(const std::wstring& Name) {
    static const std::wstring banned = L":/\\*?|<>\"";
    std::wstring out;
    out.reserve(Name.size());
    for (wchar_t c : Name)
        if (banned.find(c) == std::wstring::npos && c >= 0x20 && c != 0x7F) out += c;
    return out;
}

TBookmarkSave SaveBookmarkFile(const std::wstring& Name, const std::wstring& Folder, const std::wstring& Url,
                               std::wstring& FileName) {
    FileName.clear();
    const std::wstring name = CleanBookmarkName(Name);
    // A name of blanks only would make a file called " .url" that no one can tell apart.
    if (Trim(name).empty()) {
        UserMessage(miWarning, std::wstring(), L"Please enter a name for the bookmark.", mbOk);
        return TBookmarkSave::EmptyName;
    }
    const std::wstring folder = WithoutTrailingBackslash(Folder);
    FileName = folder + L"\\" + name + L".url";
    if (!DirectoryExistsW(folder)) ForceDirectoriesW(folder);
    if (FileExistsW(FileName) && !MsgYesNo(AddBookmarkDlg_Overwrite)) return TBookmarkSave::NotReplaced;
    if (!WriteUrlFile(FileName, Url)) {
        UserMessage(miError, L"Error writing to file", L"Error writing to file " + FileName, mbOk);
        return TBookmarkSave::WriteFailed;
    }
    return TBookmarkSave::Saved;
}

std::wstring NewFolderPath(const std::wstring& Folder) {
    const std::wstring base = WithoutTrailingBackslash(Folder) + L"\\New Folder";
    std::wstring path = base;
    for (int n = 2; PathExists(path); ++n) path = base + L" (" + std::to_wstring(n) + L")";
    return path;
}

bool CreateNewBookmarkFolder(const std::wstring& Folder, std::wstring& Created) {
    Created = NewFolderPath(Folder);
    return CreateDirectoryW(FileSystemPath(Created).c_str(), nullptr) != FALSE;
}

std::wstring SpecialBookmarkFolder(const std::wstring& Path, const std::wstring& AllUsersFavorites) {
    std::wstring path = WithoutTrailingBackslash(Path);
    if (path.empty() && !AllUsersFavorites.empty()) path = ExtractParentDirW(WithoutTrailingBackslash(AllUsersFavorites));
    if (path.empty() || !DirectoryExistsW(path)) return std::wstring();
    return path + L"\\";
}

bool FavViewStyleFromSetting(const std::wstring& Value, TFavViewStyle& Style) {
    if (Value.empty()) return false;
    if (Value.size() == 1 && Value[0] >= L'1' && Value[0] <= L'5') Style = static_cast<TFavViewStyle>(Value[0] - L'0');
    else Style = fvList;
    return true;
}

std::wstring FavViewStyleSetting(int Style) {
    return Style >= fvIcon && Style <= fvThumbnail ? std::to_wstring(Style) : std::wstring(L"3");
}
