// The store manifest and scopes reader.
#include "UH3Store.h"

#include "Handles.h"
#include "HtmlTags.h"
#include "TntClasses.h"
#include "UH3_Code.h"
#include "UAuxFile.h"
#include "UUnicode.h"
#include "USuperFind.h"
#include "UUtilsW.h"

#include <algorithm>
#include <unordered_set>

namespace {

// The system's case-insensitive comparison, as every name lookup of the store uses it.
bool SameName(const std::wstring& A, const std::wstring& B) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.data(), static_cast<int>(A.size()), B.data(),
                          static_cast<int>(B.size())) == CSTR_EQUAL;
}

// A key that two names share exactly when SameName holds: the system's sort key with case
// ignored (CompareStringW compares by these keys).
std::string NameKey(const std::wstring& S) {
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int len = S.empty() ? -1 : static_cast<int>(S.size()); // an empty text by its terminator
    const int bytes = LCMapStringW(LOCALE_USER_DEFAULT, flags, S.c_str(), len, nullptr, 0);
    if (bytes <= 0) return "\xFF" + std::string(reinterpret_cast<const char*>(S.data()), S.size() * 2);
    std::string key(static_cast<size_t>(bytes), '\0');
    LCMapStringW(LOCALE_USER_DEFAULT, flags, S.c_str(), len, reinterpret_cast<LPWSTR>(key.data()), bytes);
    return key;
}

// Adds the records of Array that Index does not cover yet (all of them again when the
// array shrank).
template <class Array, class NameOf>
void SyncIndex(Array& Records, NameOf Name, size_t& Count, std::unordered_map<std::string, std::vector<int>>& Map) {
    if (Count > Records.size()) {
        Map.clear();
        Count = 0;
    }
    for (; Count < Records.size(); ++Count) Map[NameKey(Name(Records[Count]))].push_back(static_cast<int>(Count));
}

// Adds Value to List, which holds rising values that Value is at least as high as (the
// catalog being read is the last one so far): true when it was new.
bool AddRising(std::vector<int>& List, int Value) {
    if (!List.empty() && List.back() == Value) return false;
    List.push_back(Value);
    return true;
}

// List is sorted.
bool Contains(const std::vector<int>& List, int Value) { return std::binary_search(List.begin(), List.end(), Value); }

// Text up to the first Delim (the whole text when there is none).
std::wstring UpToFirst(const std::wstring& S, wchar_t Delim) {
    const size_t p = S.find(Delim);
    return p == std::wstring::npos ? S : S.substr(0, p);
}

// Size and last-write time of a file; false when it cannot be queried.
bool FileStamp(const std::wstring& File, uint64_t& Size, uint64_t& Time) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(FileSystemPath(File).c_str(), GetFileExInfoStandard, &data)) return false;
    Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    Time = (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return true;
}

// A file or folder name in capitals, as the file system compares names.
std::wstring FolderKey(const std::wstring& Name) {
    std::wstring key = Name;
    if (!key.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, Name.data(), static_cast<int>(Name.size()), key.data(),
                     static_cast<int>(key.size()));
    return key;
}

// A name that stands for a folder directly in the store and for nothing else: no path or
// wildcard characters, and no end the system would cut off.
bool PlainFolderName(const std::wstring& Name) {
    return !Name.empty() && Name.find_first_of(L"\\/:*?\"<>|") == std::wstring::npos && Name.back() != L'.' &&
           Name.back() != L' ' && Name.front() != L'.';
}

// One listing of the store's folders (the first of names that differ in case only), for
// the catalogs' folders: a look-up of the file system per catalog took most of the load
// of a store with many catalogs.
std::unordered_map<std::wstring, std::wstring> ListFolders(const std::wstring& Store) {
    std::unordered_map<std::wstring, std::wstring> folders;
    WIN32_FIND_DATAW fd;
    TFindHandle h(FindFirstFileW((Store + L"\\*").c_str(), &fd));
    if (!h) return folders;
    do {
        if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && fd.cFileName[0] != L'.')
            folders.emplace(FolderKey(fd.cFileName), fd.cFileName);
    } while (FindNextFileW(h.Get(), &fd));
    return folders;
}

std::unique_ptr<TTntStringList> NewList() { return std::make_unique<TTntStringList>(); }

// Sorts a list filled unsorted, once: a sorted list would take each entry with a search and
// a move of the entries after it, which grows with the square of a store's many catalogs.
void SortList(TTntStringList& List) {
    List.SetDuplicates(dupAccept);
    List.SetSorted(true);
}

} // namespace

void TH3Store::Clear() {
    Catalogs.clear();
    Vendors.clear();
    VendorPaths.clear();
    Packages.clear();
    FCatalogIndex.Clear();
    FVendorIndex.Clear();
    FVendorPathIndex.Clear();
    FPackageIndex.Clear();
    FPackagePathIndex.Clear();
    FBookIndexes.clear();
}

const TH3Store::TNameIndex& TH3Store::CatalogIndex() const {
    SyncIndex(Catalogs, [](const THelp3Catalog& c) -> const std::wstring& { return c.CatalogKey; }, FCatalogIndex.Count,
              FCatalogIndex.Map);
    return FCatalogIndex;
}

const TH3Store::TNameIndex& TH3Store::VendorIndex() const {
    SyncIndex(Vendors, [](const THelp3Vendor& v) -> const std::wstring& { return v.Name; }, FVendorIndex.Count,
              FVendorIndex.Map);
    return FVendorIndex;
}

const TH3Store::TNameIndex& TH3Store::VendorPathIndex() const {
    SyncIndex(VendorPaths, [](const std::wstring& p) -> const std::wstring& { return p; }, FVendorPathIndex.Count,
              FVendorPathIndex.Map);
    return FVendorPathIndex;
}

const TH3Store::TNameIndex& TH3Store::PackageIndex() const {
    SyncIndex(Packages, [](const THelp3Package& p) -> const std::wstring& { return p.Name; }, FPackageIndex.Count,
              FPackageIndex.Map);
    return FPackageIndex;
}

namespace {
// A package's name key and vendor path together (the index's fixed-size tail keeps two
// different pairs apart whatever the name key holds).
std::string PackagePathKey(std::string NameKey, int VendorPathIndex) {
    NameKey.append(reinterpret_cast<const char*>(&VendorPathIndex), sizeof(VendorPathIndex));
    return NameKey;
}
} // namespace

const TH3Store::TNameIndex& TH3Store::PackagePathIndex() const {
    TNameIndex& index = FPackagePathIndex;
    if (index.Count > Packages.size()) index.Clear();
    for (; index.Count < Packages.size(); ++index.Count) {
        const THelp3Package& p = Packages[index.Count];
        index.Map[PackagePathKey(NameKey(p.Name), p.VendorPathIndex)].push_back(static_cast<int>(index.Count));
    }
    return index;
}

const TH3Store::TNameIndex& TH3Store::BookIndex(int VendorIndex) const {
    if (FBookIndexes.size() != Vendors.size()) FBookIndexes.assign(Vendors.size(), TNameIndex{});
    TNameIndex& index = FBookIndexes[static_cast<size_t>(VendorIndex)];
    SyncIndex(Vendors[static_cast<size_t>(VendorIndex)].Books,
              [](const THelp3Book& b) -> const std::wstring& { return b.ref; }, index.Count, index.Map);
    return index;
}

bool TH3Store::LoadManifest() { return LoadManifestFrom(CurrentH3Paths().LocalStore); }

bool TH3Store::LoadManifestFrom(const std::wstring& LocalStore) {
    if (LocalStore.empty()) return false;
    const std::wstring file = FindFirstFileMatchW(LocalStore + L"\\manifest\\queryManifest*.xml");
    if (file.empty()) return false;

    uint64_t size = 0, time = 0;
    const bool stamped = FileStamp(file, size, time);
    if (stamped && !ManifestPath.empty() && SameName(file, ManifestPath) && size == FManifestSize &&
        time == FManifestTime)
        return true;

    ManifestPath.clear();
    Clear();
    if (!stamped || !ReadManifest(file, LocalStore)) {
        Clear();
        return false;
    }
    ManifestPath = file;
    FManifestSize = size;
    FManifestTime = time;
    return true;
}

bool TH3Store::ReadManifest(const std::wstring& File, const std::wstring& LocalStore) {
    TSuperFind loader(File);
    if (!loader.IsOK()) return false;
    const std::wstring text = loader.GetText();

    const TFolderNames folders = ListFolders(LocalStore);
    THTML_TagRipper ripper(text);
    int pos = 1;
    while (ripper.NextTag(pos)) {
        if (ripper.IsEndTag) continue;
        const std::wstring name = ripper.TagName();
        if (name == L"catalog") {
            AddCatalog(ripper, LocalStore, folders);
            continue;
        }
        if (Catalogs.empty()) continue;
        THelp3Catalog& current = Catalogs.back();
        if (name == L"contentPath") current.contentPath = ripper.GetElementText();
        else if (name == L"brandingPackageFileName") current.brandingPackageFileName = ripper.GetElementText();
        else if (name == L"contentFile") AddContentFile(ripper.GetAttribute(L"fileName"), ripper.GetAttribute(L"vendorPath"));
    }
    LoadScopes();
    return true;
}

void TH3Store::AddCatalog(THTML_TagRipper& Ripper, const std::wstring& LocalStore, const TFolderNames& Folders) {
    THelp3Catalog c;
    c.productId = Ripper.GetAttribute(L"productId");
    c.productVersion = Ripper.GetAttribute(L"productVersion");
    c.productLocale = Ripper.GetAttribute(L"productLocale");
    c.productDisplayName = Ripper.GetAttribute(L"productDisplayName");
    c.sourceType = Ripper.GetAttribute(L"sourceType");
    c.CatalogKey = c.productId + L"\\" + c.productVersion + L"\\" + c.productLocale;
    c.DiskId = c.productId;
    c.DiskVersion = c.productVersion;
    c.DiskLocale = c.productLocale;

    // The catalog's folder spells the three parts as they are on the disk. A plain name is
    // looked up in the store's listing; any other asks the file system.
    const std::wstring folderName = c.productId + L"_" + c.productVersion + L"_" + c.productLocale;
    std::wstring found;
    if (PlainFolderName(folderName)) {
        const auto listed = Folders.find(FolderKey(folderName));
        if (listed != Folders.end()) found = listed->second;
    } else if (DirectoryExistsW(LocalStore + L"\\" + folderName)) {
        found = ExtractLastPathPartW(FindFirstFolderMatchW(LocalStore + L"\\" + folderName));
    }
    const size_t idLen = c.productId.size(), verLen = c.productVersion.size(), locLen = c.productLocale.size();
    if (found.size() >= idLen + verLen + locLen + 2) {
        c.DiskId = found.substr(0, idLen);
        c.DiskVersion = found.substr(idLen + 1, verLen);
        c.DiskLocale = found.substr(idLen + verLen + 2, locLen);
    }
    c.DiskKey = c.DiskId + L"\\" + c.DiskVersion + L"\\" + c.DiskLocale;
    Catalogs.push_back(std::move(c));
}

void TH3Store::AddContentFile(const std::wstring& FileName, const std::wstring& VendorPath) {
    const int catalogIndex = GetCatalogCount() - 1;

    const std::vector<int>* paths = VendorPathIndex().Find(NameKey(VendorPath));
    int vp = paths ? paths->front() : -1;
    if (vp < 0) {
        VendorPaths.push_back(VendorPath);
        vp = static_cast<int>(VendorPaths.size()) - 1;
    }

    const std::wstring vendorName = UpToFirst(VendorPath, L'\\');
    int vendor = FindVendor(vendorName);
    if (vendor < 0) {
        THelp3Vendor v;
        v.Name = vendorName;
        v.VendorPathIndex = vp;
        v.ContentPath = Catalogs[catalogIndex].contentPath;
        Vendors.push_back(std::move(v));
        vendor = static_cast<int>(Vendors.size()) - 1;
    }
    AddRising(Vendors[vendor].CatalogIndexes, catalogIndex);

    const std::wstring packageName = UpToFirst(FileName, L'.');
    int package = FindPackage(packageName, vp);
    if (package < 0) {
        THelp3Package p;
        p.Name = packageName;
        p.VendorPathIndex = vp;
        p.fileName = FileName;
        Packages.push_back(std::move(p));
        package = static_cast<int>(Packages.size()) - 1;
    }
    // The package's catalogs and the catalog's packages mirror each other: a catalog new to
    // the package means a package new to the catalog.
    if (AddRising(Packages[package].CatalogIndexes, catalogIndex))
        Catalogs[catalogIndex].PackageIndexes.push_back(package);
}

void TH3Store::LoadScopes() {
    for (size_t i = 0; i < Vendors.size(); ++i) LoadVendorScopes(static_cast<int>(i));
}

void TH3Store::LoadVendorScopes(int VendorIndex) {
    THelp3Vendor& vendor = Vendors[VendorIndex];
    vendor.Books.clear();
    vendor.CatalogBooks.clear();
    if (static_cast<size_t>(VendorIndex) < FBookIndexes.size()) FBookIndexes[static_cast<size_t>(VendorIndex)].Clear();
    // Package refs of each book by name key, to keep them unique without a search.
    std::vector<std::unordered_set<std::string>> refKeys;
    const std::wstring file = vendor.ContentPath + L"\\" + vendor.Name + L"\\scopes.xml";
    if (!FileExistsW(file)) return;
    TSuperFind loader(file);
    if (!loader.IsOK()) {
        MsgBoxW(L"Error opening file: " + file);
        return;
    }
    const std::wstring text = loader.GetText();

    THTML_TagRipper ripper(text);
    bool inCatalogs = false;
    int catalog = -1;
    int book = -1;
    int pos = 1;
    while (ripper.NextTag(pos)) {
        if (ripper.IsEndTag) continue;
        const std::wstring name = ripper.TagName();
        if (name == L"catalog-membership") {
            inCatalogs = true;
        } else if (name == L"scope-membership") {
            inCatalogs = false;
        } else if (inCatalogs) {
            if (name == L"catalog") {
                catalog = FindCatalog(ripper.GetAttribute(L"name"));
            } else if (name == L"scope") {
                const std::wstring ref = ripper.GetAttribute(L"ref");
                int b = FindBook(VendorIndex, ref);
                if (b < 0) {
                    THelp3Book nb;
                    nb.ref = ref;
                    nb.displayname = ripper.GetAttribute(L"displayname");
                    nb.source = ripper.GetAttribute(L"source");
                    nb.kind = ripper.GetAttribute(L"kind");
                    nb.productname = ripper.GetAttribute(L"productname");
                    vendor.Books.push_back(std::move(nb));
                    refKeys.emplace_back();
                    b = static_cast<int>(vendor.Books.size()) - 1;
                }
                if (catalog >= 0) vendor.Books[b].CatalogIndexes.push_back(catalog);
            }
        } else {
            if (name == L"scope") {
                book = FindBook(VendorIndex, ripper.GetAttribute(L"ref"));
            } else if (name == L"package" && book >= 0) {
                const std::wstring ref = ripper.GetAttribute(L"ref");
                if (refKeys[static_cast<size_t>(book)].insert(NameKey(ref)).second)
                    vendor.Books[book].PackageRefs.push_back(ref);
            }
        }
    }
    // Each book's catalogs sorted and unique; each catalog's books listed once, so that a
    // catalog's books are not searched for among all the vendor's books (which grows with
    // the square of a store's many catalogs).
    for (size_t i = 0; i < vendor.Books.size(); ++i) {
        THelp3Book& b = vendor.Books[i];
        std::sort(b.CatalogIndexes.begin(), b.CatalogIndexes.end());
        b.CatalogIndexes.erase(std::unique(b.CatalogIndexes.begin(), b.CatalogIndexes.end()), b.CatalogIndexes.end());
        for (int c : b.CatalogIndexes) vendor.CatalogBooks[c].push_back(static_cast<int>(i));
    }
}

bool TH3Store::GetCatalog(int Index, THelp3Catalog& Catalog) const {
    if (Index < 0 || Index >= GetCatalogCount()) {
        Catalog = THelp3Catalog();
        return false;
    }
    Catalog = Catalogs[Index];
    return true;
}

std::unique_ptr<TTntStringList> TH3Store::GetCatalogList() const {
    auto list = NewList();
    for (int i = 0; i < GetCatalogCount(); ++i) list->AddObject(Catalogs[i].DiskKey, IndexAsObject(i));
    SortList(*list);
    return list;
}

void TH3Store::GetCatalogVendors(int CatalogIndex, std::vector<int>& VendorIndexes) const {
    VendorIndexes.clear();
    for (size_t i = 0; i < Vendors.size(); ++i)
        if (Contains(Vendors[i].CatalogIndexes, CatalogIndex)) VendorIndexes.push_back(static_cast<int>(i));
}

std::unique_ptr<TTntStringList> TH3Store::GetVendorBooks(int CatalogIndex, int VendorIndex) const {
    auto list = NewList();
    if (VendorIndex < 0 || VendorIndex >= static_cast<int>(Vendors.size())) return list;
    const THelp3Vendor& vendor = Vendors[VendorIndex];
    const auto books = vendor.CatalogBooks.find(CatalogIndex);
    if (books == vendor.CatalogBooks.end()) return list;
    for (int i : books->second)
        list->AddObject(vendor.Books[i].productname + L": " + vendor.Books[i].displayname, IndexAsObject(i));
    SortList(*list);
    return list;
}

std::unique_ptr<TTntStringList> TH3Store::GetBookPackages(int CatalogIndex, int VendorIndex, int BookIndex) const {
    auto list = NewList();
    if (VendorIndex < 0 || VendorIndex >= static_cast<int>(Vendors.size())) return list;
    const THelp3Books& books = Vendors[VendorIndex].Books;
    if (BookIndex < 0 || BookIndex >= static_cast<int>(books.size())) return list;
    for (const auto& ref : books[BookIndex].PackageRefs) list->AddObject(ref, IndexAsObject(FindPackageByName(ref)));
    return list;
}

int TH3Store::FindCatalog(const std::wstring& Key) const {
    const std::vector<int>* found = CatalogIndex().Find(NameKey(Key));
    return found ? found->front() : -1;
}

int TH3Store::FindVendor(const std::wstring& Name) const {
    const std::vector<int>* found = VendorIndex().Find(NameKey(Name));
    return found ? found->front() : -1;
}

int TH3Store::FindBook(int VendorIndex, const std::wstring& Ref) const {
    if (VendorIndex < 0 || VendorIndex >= static_cast<int>(Vendors.size())) return -1;
    const std::vector<int>* found = BookIndex(VendorIndex).Find(NameKey(Ref));
    return found ? found->front() : -1;
}

int TH3Store::FindPackage(const std::wstring& Name, int VendorPathIndex) const {
    // By name and vendor path in one look-up: a store whose catalogs each bring the same
    // file from a vendor path of their own has as many packages of that name.
    const std::vector<int>* found = VendorPathIndex < 0 ? PackageIndex().Find(NameKey(Name))
                                                        : PackagePathIndex().Find(PackagePathKey(NameKey(Name), VendorPathIndex));
    return found ? found->front() : -1;
}

int TH3Store::FindPackageByName(const std::wstring& Name) const { return FindPackage(Name, -1); }
