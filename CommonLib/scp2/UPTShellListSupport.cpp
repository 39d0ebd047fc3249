#include "UPTShellListSupport.h"

#include "Format.h"
#include "TntSysUtils.h"
#include "UPTShConsts.h"
#include "UPTWildcards.h"

#include <array>
#include <cstring>

namespace {

constexpr std::array<const wchar_t*, 5> ViewStyleNames = {L"svsIcon", L"svsSmallIcon", L"svsList", L"svsReport",
                                                           L"svsThumbnails"};

constexpr wchar_t ExplorerKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
constexpr DWORD DirectoryColsSize = 22;

bool g_WidthsRead = false;
TPTFallbackWidths g_Widths;

bool IsZero(const FILETIME& T) { return T.dwLowDateTime == 0 && T.dwHighDateTime == 0; }

} // namespace

WideString PTShellViewStyleName(TPTShellViewStyle Style) {
    const auto i = static_cast<size_t>(Style);
    return i < ViewStyleNames.size() ? ViewStyleNames[i] : L"";
}

bool PTShellViewStyleFromName(const WideString& Name, TPTShellViewStyle& Style) {
    const WideString name = Name.compare(0, 2, L"vs") == 0 ? L"s" + Name : Name;
    for (size_t i = 0; i < ViewStyleNames.size(); ++i)
        if (name == ViewStyleNames[i]) {
            Style = static_cast<TPTShellViewStyle>(i);
            return true;
        }
    return false;
}

bool PTShellFilterAccepts(const WideString& FileFilter, const WideString& ParsingName, bool IsFolder) {
    if (IsFolder || FileFilter.empty())
        return true;
    return WideMatchesMaskList(WideExtractFileName(ParsingName), FileFilter);
}

int PTShellSortCompare(IShellFolder* Folder, int SortColumn, PCItemIDList A, PCItemIDList B) {
    if (SortColumn == 0 || !Folder)
        return 0;
    const int column = SortColumn < 0 ? -SortColumn - 1 : SortColumn - 1;
    const HRESULT hr = Folder->CompareIDs(static_cast<LPARAM>(column), A, B);
    if (FAILED(hr))
        return 0;
    const int order = static_cast<short>(HRESULT_CODE(hr));
    return SortColumn < 0 ? -order : order;
}

void PTStrikeCommonPidls(TPTPidlList& Old, TPTPidlList& New) {
    for (int i = New.Count() - 1; i >= 0; --i) {
        int index = 0;
        if (Old.Find(New.Pidls(i), index)) {
            Old.Delete(index);
            New.Delete(i);
        }
    }
}

bool PTParseDirectoryCols(const void* Data, size_t Size, TPTFallbackWidths& Widths) {
    if (!Data || Size != DirectoryColsSize)
        return false;
    const auto* bytes = static_cast<const BYTE*>(Data);
    for (int i = 0; i < PTFallbackColumnCount; ++i)
        Widths.Widths[i] = bytes[2 * i] | (bytes[2 * i + 1] << 8);
    return true;
}

const TPTFallbackWidths& PTFallbackColumnWidths() {
    if (!g_WidthsRead) {
        g_WidthsRead = true;
        g_Widths = TPTFallbackWidths{};
        TRegKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, ExplorerKey, 0, KEY_READ, key.Put()) == ERROR_SUCCESS) {
            BYTE block[64];
            DWORD size = sizeof(block);
            DWORD type = 0;
            if (RegQueryValueExW(key.Get(), L"DirectoryCols", nullptr, &type, block, &size) == ERROR_SUCCESS)
                PTParseDirectoryCols(block, size, g_Widths);
        }
    }
    return g_Widths;
}

void PTResetFallbackWidths() { g_WidthsRead = false; }

WideString PTShellSizeText(uint64_t Bytes) {
    const uint64_t kb = Bytes / 1024 + (Bytes % 1024 != 0 ? 1 : 0);
    const WideString number = Format(L"%.0n", {static_cast<double>(kb)});
    return Format(ShellLoadResString(SPTShSizeKB), {number});
}

WideString PTShellFileTimeText(const FILETIME& LastWrite, const FILETIME& Creation) {
    const FILETIME& when = IsZero(LastWrite) ? Creation : LastWrite;
    FILETIME local;
    SYSTEMTIME st;
    if (IsZero(when) || !FileTimeToLocalFileTime(&when, &local) || !FileTimeToSystemTime(&local, &st))
        return L"";
    wchar_t date[128] = {}, time[128] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, date, 128);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, time, 128);
    return WideString(date) + L" " + time;
}

void PTLoadFallbackDetails(TPTShListData& Data) {
    if (Data.DetailsLoaded)
        return;
    Data.DetailsLoaded = true;
    Data.SizeText.clear();
    Data.TypeText.clear();
    Data.ModifiedText.clear();
    TPTNoCriticalErrors quiet;
    const WideString path = Data.GetPath();
    const ULONG attributes = Data.GetAttributes();
    if (path.size() > 3) {
        WIN32_FIND_DATAW fd{};
        TFindHandle find(FindFirstFileW(path.c_str(), &fd));
        if (find) {
            if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                Data.SizeText = PTShellSizeText((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
            Data.ModifiedText = PTShellFileTimeText(fd.ftLastWriteTime, fd.ftCreationTime);
        }
    }
    if (attributes & SFGAO_FILESYSTEM) {
        SHFILEINFOW info{};
        if (SHGetFileInfoW(reinterpret_cast<LPCWSTR>(Data.GetAbsPidl()), 0, &info, sizeof(info),
                           SHGFI_PIDL | SHGFI_TYPENAME))
            Data.TypeText = info.szTypeName;
    } else {
        Data.TypeText = ShellLoadResString(SPTShSystemFolder);
    }
}

WideString PTShellDetailText(TPTShListData& Data, IShellDetails* Details, int Column) {
    if (Column <= 0)
        return L"";
    if (Details) {
        TPTNoCriticalErrors quiet;
        SHELLDETAILS sd{};
        if (FAILED(Details->GetDetailsOf(Data.RelPidl(), static_cast<UINT>(Column), &sd)))
            return L"";
        return StrRetToWide(sd.str, Data.RelPidl());
    }
    if (Column > 3)
        return L"";
    PTLoadFallbackDetails(Data);
    return Column == 1 ? Data.SizeText : Column == 2 ? Data.TypeText : Data.ModifiedText;
}
