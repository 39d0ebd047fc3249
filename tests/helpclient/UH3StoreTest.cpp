#include "UH3Store.h"

#include "HelpClientFakes.h"
#include "SysUtils.h"
#include "TntClasses.h"
#include "USuperFind.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::TestDataDir;
using testing_support::WriteBytes;

namespace {

std::vector<std::wstring> Lines(const TTntStringList& L) {
    std::vector<std::wstring> r;
    for (int i = 0; i < L.Count(); ++i) r.push_back(L.Strings(i));
    return r;
}

std::vector<int> Objects(const TTntStringList& L) {
    std::vector<int> r;
    for (int i = 0; i < L.Count(); ++i) r.push_back(ObjectAsIndex(L.Objects(i)));
    return r;
}

// A store in a temporary folder: the manifest (from the template), a catalog folder in
// the disk's own case, the Microsoft scopes file and a Contoso folder without one.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        oldDelay = TSuperFind::RetryDelayMs;
        TSuperFind::RetryDelayMs = 0;
        oldHandler = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& Text, int) {
            messages.push_back(Text);
            return true;
        });
        CreateDirectoryW(dir.File(L"manifest").c_str(), nullptr);
        CreateDirectoryW(dir.File(L"vs_100_EN-US").c_str(), nullptr);
        CreateDirectoryW(dir.File(L"content").c_str(), nullptr);
        CreateDirectoryW(dir.File(L"content\\Microsoft").c_str(), nullptr);
        CreateDirectoryW(dir.File(L"content\\Contoso").c_str(), nullptr);
        manifest = dir.File(L"manifest\\queryManifest.3.xml");
        WriteManifest(L"");
        WriteBytes(dir.File(L"content\\Microsoft\\scopes.xml"),
                   ReadBytes(TestDataDir() + L"\\store\\scopes_microsoft.xml"));
    }
    void TearDown() override {
        SetUserMessageHandler(oldHandler);
        TSuperFind::RetryDelayMs = oldDelay;
    }

    void WriteManifest(const std::wstring& Extra) {
        std::wstring text = hcfakes::DataText(L"store\\queryManifest.template.xml");
        const size_t p = text.find(L"</catalogs>");
        text.insert(p, Extra);
        for (size_t at; (at = text.find(L"{STORE}")) != std::wstring::npos;) text.replace(at, 7, dir.Path());
        WriteBytes(manifest, WideToUtf8(text));
    }

    TempDir dir;
    std::wstring manifest;
    std::vector<std::wstring> messages;
    TUserMessageHandler oldHandler;
    unsigned oldDelay = 0;
    TH3Store store;
};

} // namespace

TEST_F(StoreTest, CatalogsVendorsAndPackages) {
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    EXPECT_EQ(store.ManifestPath, manifest);
    ASSERT_EQ(store.GetCatalogCount(), 2);

    THelp3Catalog c;
    ASSERT_TRUE(store.GetCatalog(0, c));
    EXPECT_EQ(c.CatalogKey, L"VS\\100\\en-US");
    EXPECT_EQ(c.DiskKey, L"vs\\100\\EN-US"); // spelled as the folder on disk
    EXPECT_EQ(c.DiskLocale, L"EN-US");
    EXPECT_EQ(c.productDisplayName, L"Visual Studio 2010");
    EXPECT_EQ(c.sourceType, L"Package");
    EXPECT_EQ(c.contentPath, dir.Path() + L"\\content");
    EXPECT_EQ(c.brandingPackageFileName, L"dev10.mshc");
    EXPECT_EQ(c.PackageIndexes, (std::vector<int>{0, 1, 2}));
    ASSERT_TRUE(store.GetCatalog(1, c));
    EXPECT_EQ(c.DiskKey, L"VS\\100\\de-DE"); // no folder: the attributes' spelling
    EXPECT_EQ(c.PackageIndexes, (std::vector<int>{0, 3}));

    // The content file before any catalog is ignored; vendor paths compare ignoring case.
    EXPECT_EQ(store.VendorPaths, (std::vector<std::wstring>{L"Microsoft\\store", L"Contoso\\store"}));
    ASSERT_EQ(store.Vendors.size(), 2u);
    EXPECT_EQ(store.Vendors[0].Name, L"Microsoft");
    EXPECT_EQ(store.Vendors[0].CatalogIndexes, (std::vector<int>{0, 1}));
    EXPECT_EQ(store.Vendors[0].ContentPath, dir.Path() + L"\\content");
    EXPECT_EQ(store.Vendors[1].CatalogIndexes, (std::vector<int>{0}));

    // One package record for a file listed under two catalogs.
    ASSERT_EQ(store.Packages.size(), 4u);
    EXPECT_EQ(store.Packages[0].Name, L"vs_ide");
    EXPECT_EQ(store.Packages[0].fileName, L"vs_ide.mshc");
    EXPECT_EQ(store.Packages[0].CatalogIndexes, (std::vector<int>{0, 1}));
    EXPECT_EQ(store.FindPackageByName(L"orphan"), -1);

    auto list = store.GetCatalogList();
    EXPECT_EQ(Lines(*list), (std::vector<std::wstring>{L"VS\\100\\de-DE", L"vs\\100\\EN-US"}));
    EXPECT_EQ(Objects(*list), (std::vector<int>{1, 0}));
    std::vector<int> vendors;
    store.GetCatalogVendors(1, vendors);
    EXPECT_EQ(vendors, (std::vector<int>{0}));
    store.GetCatalogVendors(0, vendors);
    EXPECT_EQ(vendors, (std::vector<int>{0, 1}));
}

TEST_F(StoreTest, BooksFromScopesFiles) {
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    const THelp3Books& books = store.Vendors[0].Books;
    ASSERT_EQ(books.size(), 4u);
    EXPECT_EQ(books[0].ref, L"ide");
    EXPECT_EQ(books[0].displayname, L"Visual Studio IDE"); // the second spelling adds a catalog only
    EXPECT_EQ(books[0].kind, L"book");
    EXPECT_EQ(books[0].CatalogIndexes, (std::vector<int>{0, 1}));
    EXPECT_TRUE(books[3].CatalogIndexes.empty()); // its catalog is unknown
    EXPECT_TRUE(store.Vendors[1].Books.empty());  // no scopes file
    EXPECT_TRUE(messages.empty());

    // A book in two catalogs is listed for each.
    auto en = store.GetVendorBooks(0, 0);
    EXPECT_EQ(Lines(*en), (std::vector<std::wstring>{L"Visual Studio 2010: .NET Framework 4",
                                                     L"Visual Studio 2010: Visual Studio IDE"}));
    EXPECT_EQ(Objects(*en), (std::vector<int>{1, 0}));
    auto de = store.GetVendorBooks(1, 0);
    EXPECT_EQ(Lines(*de), (std::vector<std::wstring>{L"Visual Studio 2010: Visual Studio IDE",
                                                     L"Visual Studio 2010: Visual Studio IDE (Deutsch)"}));

    auto ide = store.GetBookPackages(0, 0, 0);
    EXPECT_EQ(Lines(*ide), (std::vector<std::wstring>{L"vs_ide"}));
    auto dotnet = store.GetBookPackages(0, 0, 1);
    EXPECT_EQ(Lines(*dotnet), (std::vector<std::wstring>{L"vs_dotnet", L"missing_pkg"}));
    EXPECT_EQ(Objects(*dotnet), (std::vector<int>{1, -1}));
}

TEST_F(StoreTest, FindersAndBoundsChecks) {
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    EXPECT_EQ(store.FindCatalog(L"vs\\100\\EN-us"), 0);
    EXPECT_EQ(store.FindBook(7, L"ide"), -1);
    EXPECT_EQ(store.FindPackage(L"vs_ide", 0), 0);
    EXPECT_EQ(store.FindPackage(L"vs_ide", 1), -1);
    EXPECT_EQ(store.FindPackage(L"contoso_widgets", -1), 2);

    THelp3Catalog c;
    c.productId = L"stale";
    EXPECT_FALSE(store.GetCatalog(2, c));
    EXPECT_TRUE(c.productId.empty());
    EXPECT_FALSE(store.GetCatalog(-1, c));
    EXPECT_EQ(store.GetVendorBooks(0, 2)->Count(), 0);
    EXPECT_EQ(store.GetVendorBooks(0, -1)->Count(), 0);
    EXPECT_EQ(store.GetBookPackages(0, 0, 4)->Count(), 0);
    EXPECT_EQ(store.GetBookPackages(0, 5, 0)->Count(), 0);
    std::vector<int> vendors{9};
    store.GetCatalogVendors(99, vendors);
    EXPECT_TRUE(vendors.empty());
}

TEST_F(StoreTest, ManifestIsReadAgainOnlyWhenItChanged) {
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    store.Catalogs[0].productDisplayName = L"marker";
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    EXPECT_EQ(store.Catalogs[0].productDisplayName, L"marker"); // nothing read

    // A new catalog changes the size.
    WriteManifest(L"<catalog productId=\"X\" productVersion=\"1\" productLocale=\"xx\"></catalog>");
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    EXPECT_EQ(store.GetCatalogCount(), 3);

    // Same size, other write time.
    store.Catalogs[0].productDisplayName = L"marker";
    HANDLE h = CreateFileW(manifest.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME old{};
    old.dwHighDateTime = 0x01C00000;
    SetFileTime(h, nullptr, nullptr, &old);
    CloseHandle(h);
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    EXPECT_EQ(store.Catalogs[0].productDisplayName, L"Visual Studio 2010");
}

TEST_F(StoreTest, UnreadableManifestFailsAndIsRetried) {
    HANDLE h = CreateFileW(manifest.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(store.LoadManifestFrom(dir.Path()));
    EXPECT_EQ(store.GetCatalogCount(), 0);
    EXPECT_TRUE(store.ManifestPath.empty());
    CloseHandle(h);
    EXPECT_TRUE(store.LoadManifestFrom(dir.Path()));
    EXPECT_EQ(store.GetCatalogCount(), 2);
}

TEST_F(StoreTest, MissingManifestKeepsTheStore) {
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    EXPECT_FALSE(store.LoadManifestFrom(L""));
    EXPECT_FALSE(store.LoadManifestFrom(dir.File(L"content")));
    EXPECT_EQ(store.GetCatalogCount(), 2);
}

TEST_F(StoreTest, UnreadableScopesFileIsReportedOnce) {
    const std::wstring scopes = dir.File(L"content\\Microsoft\\scopes.xml");
    HANDLE h = CreateFileW(scopes.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(store.LoadManifestFrom(dir.Path()));
    CloseHandle(h);
    EXPECT_TRUE(store.Vendors[0].Books.empty());
    EXPECT_EQ(std::count(messages.begin(), messages.end(), L"Error opening file: " + scopes), 1);
}

// Names are looked up as the system compares them ignoring case, which is more than A-Z:
// "Straße" and "STRASSE" are one name, "a-b" and "ab" are two. Records keep file order.
TEST_F(StoreTest, LookUpsFollowTheSystemComparison) {
    WriteManifest(L"<catalog productId=\"X\" productVersion=\"1\" productLocale=\"xx\">"
                  L"<contentPath>" + dir.Path() + L"\\content</contentPath>"
                  L"<contentFile fileName=\"Stra\u00DFe.mshc\" vendorPath=\"\u00C6gir\\store\"/>"
                  L"<contentFile fileName=\"a-b.mshc\" vendorPath=\"AEGIR\\STORE\"/>"
                  L"<contentFile fileName=\"STRASSE.mshc\" vendorPath=\"aegir\\store\"/>"
                  L"<contentFile fileName=\"ab.mshc\" vendorPath=\"\u00E6gir\\Store\"/>"
                  L"<contentFile fileName=\"vs_ide.mshc\" vendorPath=\"\u00C6gir\\store\"/>"
                  L"</catalog>");
    CreateDirectoryW(dir.File(L"content\\\u00C6gir").c_str(), nullptr);
    WriteBytes(dir.File(L"content\\\u00C6gir\\scopes.xml"),
               WideToUtf8(L"<scopes><catalog-membership><catalog name=\"x\\1\\XX\">"
                          L"<scope ref=\"Stra\u00DFe\" displayname=\"S\" productname=\"P\"/>"
                          L"<scope ref=\"strasse\" displayname=\"second\" productname=\"P\"/>"
                          L"</catalog></catalog-membership><scope-membership><scope ref=\"STRASSE\">"
                          L"<package ref=\"strasse\"/><package ref=\"a-b\"/><package ref=\"Stra\u00DFe\"/>"
                          L"<package ref=\"AB\"/></scope></scope-membership></scopes>"));
    ASSERT_TRUE(store.LoadManifestFrom(dir.Path()));
    const int x = store.FindCatalog(L"x\\1\\XX");
    ASSERT_EQ(x, 2);
    EXPECT_EQ(store.VendorPaths,
              (std::vector<std::wstring>{L"Microsoft\\store", L"Contoso\\store", L"\u00C6gir\\store"}));
    const int aegir = store.FindVendor(L"AEGIR");
    ASSERT_EQ(aegir, 2);
    EXPECT_EQ(store.FindVendor(L"\u00E6gir"), aegir);
    // Straße/STRASSE one package, a-b and ab two; vs_ide of another vendor path is a new one.
    std::vector<std::wstring> names;
    for (int i : store.Catalogs[x].PackageIndexes) names.push_back(store.Packages[i].Name);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Stra\u00DFe", L"a-b", L"ab", L"vs_ide"}));
    EXPECT_EQ(store.FindPackageByName(L"strasse"), store.Catalogs[x].PackageIndexes[0]);
    EXPECT_EQ(store.FindPackageByName(L"VS_IDE"), 0);
    EXPECT_EQ(store.FindPackage(L"VS_IDE", 2), store.Catalogs[x].PackageIndexes[3]);

    const THelp3Books& books = store.Vendors[aegir].Books;
    ASSERT_EQ(books.size(), 1u);
    EXPECT_EQ(books[0].displayname, L"S");
    EXPECT_EQ(store.FindBook(aegir, L"STRASSE"), 0);
    EXPECT_EQ(books[0].PackageRefs, (std::vector<std::wstring>{L"strasse", L"a-b", L"AB"}));

    // Records added after the load are found too.
    store.Packages.push_back(THelp3Package{L"late", 0, {}, L"late.mshc"});
    EXPECT_EQ(store.FindPackageByName(L"LATE"), static_cast<int>(store.Packages.size()) - 1);
    store.Clear();
    EXPECT_EQ(store.FindPackageByName(L"late"), -1);
}
