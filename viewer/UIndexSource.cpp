#include "UIndexSource.h"

#include "SysUtils.h"
#include "UH3Store.h"

#include <windows.h>

#include <cstdint>

namespace {

// The file's (or folder's) place, size and write time as text; its place alone when missing.
std::wstring FileStamp(const std::wstring& Path) {
    std::wstring text = UpperCase(Path) + L"|";
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Path.c_str(), GetFileExInfoStandard, &data))
        return text + L"-\n";
    const uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const uint64_t time =
        (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return text + UIntToStr(size) + L"|" + UIntToStr(time) + L"\n";
}

} // namespace

std::wstring IndexSourceStamp(const TH3Store& Store, const std::wstring& Catalog) {
    const int index = Store.FindCatalog(Catalog);
    if (index < 0 || Store.ManifestPath.empty())
        return std::wstring();
    const THelp3Catalog& catalog = Store.Catalogs[static_cast<size_t>(index)];
    std::wstring text = FileStamp(Store.ManifestPath);
    for (int p : catalog.PackageIndexes) {
        if (p < 0 || p >= static_cast<int>(Store.Packages.size()))
            continue;
        const THelp3Package& package = Store.Packages[static_cast<size_t>(p)];
        const std::wstring vendorPath =
            package.VendorPathIndex >= 0 && package.VendorPathIndex < static_cast<int>(Store.VendorPaths.size())
                ? Store.VendorPaths[static_cast<size_t>(package.VendorPathIndex)]
                : std::wstring();
        text += FileStamp(catalog.contentPath + L"\\" + vendorPath + L"\\" + package.fileName);
    }
    // 64-bit FNV-1a of the text.
    uint64_t hash = 1469598103934665603ull;
    for (wchar_t c : text) {
        hash = (hash ^ static_cast<uint16_t>(c)) * 1099511628211ull;
    }
    return IntToHex(hash, 16);
}
