// Growth of the client's parsers on their worst inputs, at 1x, 10x and 100x size: the tag
// scanner on runs of unterminated constructs, GetUrlParam on a key-less run of '=',
// FixAgentUrl on a run of "&embedded=" flags, and the store loader on a manifest with many
// content files (and books in the scopes files). Linear growth shows as a time ratio near
// the size ratio; each line prints the time per run and the ratio to the 1x size.
#include "BenchTiming.h"
#include "HtmlTags.h"
#include "TntClasses.h"
#include "UH3Store.h"
#include "UH3_Code.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

using bench::Measure;

namespace {

// Prints one row per size; Make(n) builds the input of size n, Run(input) counts something.
template <class Input>
void Series(const char* name, const int (&sizes)[3], int runs, const std::function<Input(int)>& Make,
            const std::function<long long(const Input&)>& Run) {
    double first = 0;
    for (int i = 0; i < 3; ++i) {
        const Input input = Make(sizes[i]);
        long long count = 0;
        const double t = Measure(runs, [&] { return Run(input); }, count);
        if (i == 0) first = t;
        std::printf("  %-34s n=%-8d %10.3f ms  x%-6.1f (count %lld)\n", name, sizes[i], t * 1e3,
                    first > 0 ? t / first : 0.0, count);
    }
}

std::wstring Repeat(const std::wstring& s, int n) {
    std::wstring r;
    r.reserve(s.size() * n);
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

long long ScanAll(const std::wstring& text) {
    THTML_TagRipper r(text);
    long long tags = 0;
    int pos = 1;
    while (r.NextTag(pos)) ++tags;
    return tags;
}

// An agent environment that asks nothing of the system.
class TQuietEnvironment : public TAgentEnvironment {
public:
    std::wstring Port(const TH3Paths&) override { return L"47873"; }
    uint32_t SessionId() override { return 1; }
    uint32_t AgentProcessId(const TH3Paths&) override { return 4242; }
};

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
}

std::string Narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

// A store of Files content files by 20 vendors in 3 catalogs; each vendor's scopes file
// lists books of 10 packages each. Returns the store folder.
std::wstring MakeStore(const std::wstring& root, int files) {
    const std::wstring store = root + L"\\store" + std::to_wstring(files);
    CreateDirectoryW(store.c_str(), nullptr);
    CreateDirectoryW((store + L"\\manifest").c_str(), nullptr);
    CreateDirectoryW((store + L"\\content").c_str(), nullptr);
    const int vendors = 20;
    std::string m = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<queryManifest>\n<catalogs>\n";
    for (int c = 0; c < 3; ++c) {
        m += "<catalog productId=\"VS\" productVersion=\"100\" productLocale=\"l" + std::to_string(c) +
             "\" productDisplayName=\"Catalog " + std::to_string(c) + "\" sourceType=\"Package\">\n<contentPath>" +
             Narrow(store) + "\\content</contentPath>\n";
        for (int f = c * files / 4; f < (c + 2) * files / 4 && f < files; ++f)
            m += "  <contentFile fileName=\"pkg_" + std::to_string(f) + ".mshc\" vendorPath=\"Vendor" +
                 std::to_string(f % vendors) + "\\store\" />\n";
        m += "</catalog>\n";
    }
    m += "</catalogs>\n</queryManifest>\n";
    WriteFileBytes(store + L"\\manifest\\queryManifest.1.xml", m);
    for (int v = 0; v < vendors; ++v) {
        const std::wstring folder = store + L"\\content\\Vendor" + std::to_wstring(v);
        CreateDirectoryW(folder.c_str(), nullptr);
        std::string books = "<scopes>\n<catalog-membership>\n<catalog name=\"VS\\100\\l0\">\n";
        std::string parts = "</catalog>\n</catalog-membership>\n<scope-membership>\n";
        for (int b = 0; b * 10 < files / vendors; ++b) {
            const std::string ref = "book" + std::to_string(b);
            books += "<scope ref=\"" + ref + "\" displayname=\"Book " + std::to_string(b) +
                     "\" productname=\"VS\" source=\"s\" kind=\"book\"/>\n";
            parts += "<scope ref=\"" + ref + "\">\n";
            for (int k = 0; k < 10; ++k)
                parts += "<package ref=\"pkg_" + std::to_string((b * 10 + k) * vendors + v) + "\"/>\n";
            parts += "</scope>\n";
        }
        WriteFileBytes(folder + L"\\scopes.xml", books + parts + "</scope-membership>\n</scopes>\n");
    }
    return store;
}

// A store of Catalogs catalogs, each with a package of its own from one vendor, one book
// that belongs to every catalog and a book of its own. With OwnPaths every catalog brings
// the same file from a vendor path of its own instead.
std::wstring MakeCatalogStore(const std::wstring& root, int catalogs, bool OwnPaths = false) {
    const std::wstring store = root + (OwnPaths ? L"\\own" : L"\\cat") + std::to_wstring(catalogs);
    CreateDirectoryW(store.c_str(), nullptr);
    CreateDirectoryW((store + L"\\manifest").c_str(), nullptr);
    CreateDirectoryW((store + L"\\content").c_str(), nullptr);
    CreateDirectoryW((store + L"\\content\\Vendor").c_str(), nullptr);
    std::string m = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<queryManifest>\n<catalogs>\n";
    std::string books = "<scopes>\n<catalog-membership>\n";
    for (int c = 0; c < catalogs; ++c) {
        const std::string n = std::to_string(c);
        m += "<catalog productId=\"P" + n + "\" productVersion=\"100\" productLocale=\"en-us\" productDisplayName=\"C" +
             n + "\" sourceType=\"Package\">\n<contentPath>" + Narrow(store) +
             "\\content</contentPath>\n  <contentFile fileName=\"" + (OwnPaths ? "vs_ide" : "pkg_" + n) +
             ".mshc\" vendorPath=\"Vendor\\store" + (OwnPaths ? n : "") + "\" />\n</catalog>\n";
        books += "<catalog name=\"P" + n + "\\100\\en-us\">\n<scope ref=\"book\" displayname=\"Book\" productname=\"P\"/>\n"
                 "<scope ref=\"own" + n + "\" displayname=\"Own\" productname=\"P" + n + "\"/>\n</catalog>\n";
    }
    m += "</catalogs>\n</queryManifest>\n";
    WriteFileBytes(store + L"\\manifest\\queryManifest.1.xml", m);
    WriteFileBytes(store + L"\\content\\Vendor\\scopes.xml",
                   books + "</catalog-membership>\n<scope-membership>\n<scope ref=\"book\">\n<package ref=\"pkg_0\"/>\n"
                           "</scope>\n</scope-membership>\n</scopes>\n");
    return store;
}

void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW d;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = d.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) DeleteTree(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &d));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

int wmain() {
    std::printf("Tag scanner, unterminated constructs repeated (n repetitions):\n");
    const int scanSizes[3] = {20000, 200000, 2000000};
    for (const wchar_t* unit : {L"<!-- ", L"<a ", L"<?xml ", L"<!DOCTYPE ", L"<a b=\""}) {
        char name[64];
        std::snprintf(name, sizeof(name), "'%ls'", unit);
        Series<std::wstring>(name, scanSizes, 5, [unit](int n) { return Repeat(unit, n / 5); }, ScanAll);
    }

    std::printf("\nGetUrlParam, a run of 'k=' without separators (n characters):\n");
    const int urlSizes[3] = {10000, 100000, 1000000};
    Series<std::wstring>("'?k=k=k=...', key 'id'", urlSizes, 5,
                         [](int n) { return L"http://127.0.0.1/ms.help?" + Repeat(L"k=", n / 2); },
                         [](const std::wstring& url) {
                             std::wstring value;
                             GetUrlParam(url, L"id", value);
                             return static_cast<long long>(value.size());
                         });

    std::printf("\nFixAgentUrl, a run of '&embedded=' flags (n flags):\n");
    TQuietEnvironment environment;
    TH3Paths paths{TH3RegistryPlace{nullptr, L"", L""}};
    TH3Code code(&paths, &environment);
    std::wstring base;
    code.GetAgentQueryUrl(base);
    const int flagSizes[3] = {2000, 20000, 200000};
    for (int mode : {0, 2}) {
        char name[64];
        std::snprintf(name, sizeof(name), "mode %d", mode);
        Series<std::wstring>(name, flagSizes, 5, [&](int n) { return base + Repeat(L"&embedded=true&x=1", n); },
                             [&code, mode](const std::wstring& url) {
                                 std::wstring u = url;
                                 code.FixAgentUrl(u, mode);
                                 return static_cast<long long>(u.size());
                             });
    }

    std::printf("\nStore manifest and scopes (n content files, 20 vendors, 3 catalogs):\n");
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring root = std::wstring(temp) + L"vorlane-bench-store-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(root.c_str(), nullptr);
    const int storeSizes[3] = {1300, 13000, 130000};
    Series<std::wstring>("LoadManifestFrom", storeSizes, 3, [&](int n) { return MakeStore(root, n); },
                         [](const std::wstring& store) {
                             TH3Store s;
                             s.LoadManifestFrom(store);
                             return static_cast<long long>(s.Packages.size());
                         });

    std::printf("\nStore manifest of many catalogs, read and walked as the catalog tree (n catalogs):\n");
    const int catalogSizes[3] = {3125, 12500, 50000};
    Series<std::wstring>("LoadManifestFrom + tree walk", catalogSizes, 3,
                         [&](int n) { return MakeCatalogStore(root, n); },
                         [](const std::wstring& store) {
                             long long rows = 0;
                             {
                                 TH3Store s;
                                 s.LoadManifestFrom(store);
                                 std::vector<int> vendors;
                                 const std::unique_ptr<TTntStringList> list = s.GetCatalogList();
                                 for (int i = 0; i < list->Count(); ++i) {
                                     const int c = ObjectAsIndex(list->Objects(i));
                                     s.GetCatalogVendors(c, vendors);
                                     for (int v : vendors) rows += s.GetVendorBooks(c, v)->Count();
                                 }
                             } // and freed
                             return rows;
                         });

    std::printf("\nStore manifest of many catalogs, each bringing one file from a vendor path of its own:\n");
    Series<std::wstring>("LoadManifestFrom", catalogSizes, 3, [&](int n) { return MakeCatalogStore(root, n, true); },
                         [](const std::wstring& store) {
                             TH3Store s;
                             s.LoadManifestFrom(store);
                             return static_cast<long long>(s.Packages.size());
                         });
    DeleteTree(root);
    return 0;
}
