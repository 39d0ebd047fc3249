// The local help store as its XML files describe it: the query manifest (catalogs and the
// content files of each vendor) and one scopes file per vendor (books and their packages),
// read into four cross-linked record arrays.
#pragma once

#include "Classes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class TTntStringList;

struct THelp3Catalog {
    std::wstring productId;
    std::wstring productVersion;
    std::wstring productLocale;
    std::wstring productDisplayName;
    std::wstring sourceType;
    std::wstring CatalogKey;        // productId\productVersion\productLocale
    std::wstring DiskId;            // the three parts as the catalog's folder spells them
    std::wstring DiskVersion;
    std::wstring DiskLocale;
    std::wstring DiskKey;           // DiskId\DiskVersion\DiskLocale
    std::wstring contentPath;
    std::wstring brandingPackageFileName;
    std::vector<int> PackageIndexes;
};

struct THelp3Book {
    std::wstring ref;
    std::vector<int> CatalogIndexes;    // sorted, each once
    std::wstring displayname;
    std::wstring productname;
    std::wstring source;
    std::wstring kind;
    std::vector<std::wstring> PackageRefs;
};
using THelp3Books = std::vector<THelp3Book>;

struct THelp3Vendor {
    std::vector<int> CatalogIndexes;    // rising
    int VendorPathIndex = -1;
    std::wstring Name;              // vendorPath up to its first '\'
    std::wstring ContentPath;       // the contentPath of the catalog it was first seen in
    THelp3Books Books;
    // Each catalog's books (indexes into Books, rising), as the scopes file was read.
    std::unordered_map<int, std::vector<int>> CatalogBooks;
};

struct THelp3Package {
    std::wstring Name;              // fileName up to its first '.'
    int VendorPathIndex = -1;
    std::vector<int> CatalogIndexes;    // rising
    std::wstring fileName;
};

using THelp3CatalogArray = std::vector<THelp3Catalog>;
using THelp3Vendors = std::vector<THelp3Vendor>;
using THelp3Packages = std::vector<THelp3Package>;

class TH3Store : public TObject {
public:
    VORLANE_CLASS_NAME(TH3Store)
    TH3Store() = default;
    ~TH3Store() override { Clear(); }

    // Empties the four arrays.
    void Clear();

    // Reads the first "queryManifest*.xml" of the runtime's store (LocalStore of the
    // runtime paths) unless it is the file already read, unchanged in size and time.
    bool LoadManifest();
    // The same for the store in folder LocalStore. True when the manifest exists and the
    // store holds its content; false when there is none (the store keeps what it had) or
    // it could not be read (the store is empty and the next call tries again).
    bool LoadManifestFrom(const std::wstring& LocalStore);

    int GetCatalogCount() const { return static_cast<int>(Catalogs.size()); }
    // A copy of catalog Index; false and an empty record when Index is out of range.
    bool GetCatalog(int Index, THelp3Catalog& Catalog) const;
    // DiskKey values, sorted, each with its catalog index as object.
    std::unique_ptr<TTntStringList> GetCatalogList() const;
    // Indexes of the vendors that have content in catalog CatalogIndex, in vendor order.
    void GetCatalogVendors(int CatalogIndex, std::vector<int>& VendorIndexes) const;
    // The vendor's books of catalog CatalogIndex as "productname: displayname", sorted,
    // object = book index.
    std::unique_ptr<TTntStringList> GetVendorBooks(int CatalogIndex, int VendorIndex) const;
    // The book's package refs in file order, object = the package's index (-1 when none).
    std::unique_ptr<TTntStringList> GetBookPackages(int CatalogIndex, int VendorIndex, int BookIndex) const;

    // Finders: -1 when absent (the first match in array order). Names compare ignoring
    // case as the system compares them; the look-ups are hashed, kept by the loader and
    // rebuilt when an array's size no longer matches them.
    int FindCatalog(const std::wstring& Key) const;
    int FindVendor(const std::wstring& Name) const;
    int FindBook(int VendorIndex, const std::wstring& Ref) const;
    int FindPackage(const std::wstring& Name, int VendorPathIndex) const;
    int FindPackageByName(const std::wstring& Name) const;

    THelp3CatalogArray Catalogs;
    THelp3Vendors Vendors;
    std::vector<std::wstring> VendorPaths;
    THelp3Packages Packages;
    std::wstring ManifestPath;      // the manifest whose content the store holds

private:
    bool ReadManifest(const std::wstring& File, const std::wstring& LocalStore);
    // The store's folders by name in capitals, each with its name as listed.
    using TFolderNames = std::unordered_map<std::wstring, std::wstring>;
    void AddCatalog(class THTML_TagRipper& Ripper, const std::wstring& LocalStore, const TFolderNames& Folders);
    void AddContentFile(const std::wstring& FileName, const std::wstring& VendorPath);
    void LoadScopes();
    void LoadVendorScopes(int VendorIndex);

    uint64_t FManifestSize = 0;
    uint64_t FManifestTime = 0;

    // Name key -> indexes in array order, over the first Count records of an array.
    struct TNameIndex {
        std::unordered_map<std::string, std::vector<int>> Map;
        size_t Count = 0;
        void Clear() {
            Map.clear();
            Count = 0;
        }
        const std::vector<int>* Find(const std::string& Key) const {
            auto it = Map.find(Key);
            return it == Map.end() ? nullptr : &it->second;
        }
    };
    const TNameIndex& CatalogIndex() const;
    const TNameIndex& VendorIndex() const;
    const TNameIndex& VendorPathIndex() const;
    const TNameIndex& PackageIndex() const;
    // Packages by name and vendor path.
    const TNameIndex& PackagePathIndex() const;
    const TNameIndex& BookIndex(int VendorIndex) const;
    mutable TNameIndex FCatalogIndex, FVendorIndex, FVendorPathIndex, FPackageIndex, FPackagePathIndex;
    mutable std::vector<TNameIndex> FBookIndexes;
};

// Object values of the lists above as indexes.
inline TObject* IndexAsObject(int Index) { return reinterpret_cast<TObject*>(static_cast<intptr_t>(Index)); }
inline int ObjectAsIndex(TObject* Object) { return static_cast<int>(reinterpret_cast<intptr_t>(Object)); }
