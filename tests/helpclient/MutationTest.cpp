// Mutation runs over the help client's readers of what the runtime gives it: the agent URL
// grammar, the table-of-contents and page-head replies, the store manifest with its scopes
// files, and the help-mode file. Longer runs: see tests/harness/Mutation.h.
#include "HelpClientFakes.h"
#include "SysUtils.h"
#include "Mutation.h"
#include "UH3HelpMode.h"
#include "UH3Store.h"
#include "UH3_Code.h"
#include "UTocData.h"
#include "USuperFind.h"
#include "TntClasses.h"
#include "UAuxFile.h"
#include "UUnicode.h"
#include "UUtilsW.h"

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

class FixedEnvironment : public TAgentEnvironment {
public:
    std::wstring Port(const TH3Paths&) override { return L"47873"; }
    uint32_t SessionId() override { return 1; }
    uint32_t AgentProcessId(const TH3Paths&) override { return 4242; }
};

// Messages are answered (OK) and counted instead of shown; file retries do not wait.
class QuietFiles {
public:
    QuietFiles()
        : FDelay(TSuperFind::RetryDelayMs), FModeDelay(HelpModeRetryDelayMs),
          FHandler(SetUserMessageHandler([this](int, const std::wstring&, const std::wstring&, int) {
              ++Messages;
              return true;
          })) {
        TSuperFind::RetryDelayMs = 0;
        HelpModeRetryDelayMs = 0;
    }
    ~QuietFiles() {
        SetUserMessageHandler(FHandler);
        TSuperFind::RetryDelayMs = FDelay;
        HelpModeRetryDelayMs = FModeDelay;
    }
    int Messages = 0;

private:
    unsigned FDelay, FModeDelay;
    TUserMessageHandler FHandler;
};

const std::vector<std::string> UrlTokens = {"&", "=", "?", "#", "%", "%26", "%3D", "&amp;", "&#38;", "embedded=",
                                            "&embedded=true", "&embedded=false", "ms-xhelp:///?", "ms.help?",
                                            "http://127.0.0.1:", "/help/", "-", "topicversion=", "\\", " ", "\u00e9"};

} // namespace

TEST(Mutation, AgentUrlGrammar) {
    TH3Paths paths{TH3RegistryPlace{nullptr, L"", L""}};
    paths.SetHelpDllVersion(1, 0, 40219, 1);
    FixedEnvironment env;
    TH3Code code(&paths, &env);
    TMutator<std::wstring> m({L"http://127.0.0.1:47873/help/1-4242/ms.help?product=VS&productVersion=100&locale=en-US"
                              L"&method=page&id=System.Windows.Forms.Button&topicversion=100&topiclocale=en-US",
                              L"ms-xhelp:///?method=f1&query=vs.texteditor&embedded=true&embedded=false",
                              L"http://127.0.0.1/help/3/ms.help?method=search&query=a%26b&PageSize=20&embedded=true",
                              L"vs\\100\\en-us"},
                             UrlTokens, MutationMaxSize(4096));
    RunMutations("agent URL grammar", m, MutationCount(3000), [&](const std::wstring& Url) {
        std::wstring value, escaped;
        GetUrlParam(Url, L"id", value);
        GetUrlParam(Url, L"embedded", value);
        IsHelpUrl(Url);
        TH3Code::EscapeValue(Url, escaped);
        std::wstring msx = Url;
        TH3Code::AgentUrlToMsXHelp(msx);
        code.SetCatalogName(Url);
        std::wstring name;
        code.GetCatalogName(name);
        code.SetCatalogName(L"VS\\100\\en-US");
        code.MakeAgentUrl({L"method", Url, Url, L"x"}, name);
        // a URL once fixed stays as it is (but for blanks its flags had kept inside), unless
        // a flag stands before the query: removing it takes the text up to the next '&'
        const size_t query = Url.find(L'?');
        if (query == std::wstring::npos || PosTextW(Url.substr(0, query), L"&embedded=") > 0)
            return;
        for (int mode = 0; mode <= 3; ++mode) {
            std::wstring url = Url;
            code.FixAgentUrl(url, mode);
            std::wstring again = url;
            ASSERT_FALSE(code.FixAgentUrl(again, mode)) << "mode " << mode << ": " << DescribeInput(url);
            ASSERT_EQ(again, Trim(url));
        }
    });
}

TEST(Mutation, ContentsAndPageHeadReplies) {
    TMutator<std::wstring> m({hcfakes::DataText(L"children_root.xml"), hcfakes::DataText(L"toc_button.xml"),
                              hcfakes::DataText(L"page_root.xml")},
                             {}, MutationMaxSize(16384));
    auto complete = [](const auto& Items) {
        for (const auto& t : Items)
            ASSERT_TRUE(!t.Id.empty() && !t.Title.empty());
    };
    RunMutations("contents and page-head replies", m, MutationCount(1500), [&](const std::wstring& Reply) {
        TTocItemArray topics;
        ReadTocTopicList(Reply, topics);
        complete(topics);
        TTocReturn toc;
        ReadTocContext(Reply, toc);
        complete(toc.Parents);
        complete(toc.Siblings);
        complete(toc.Children);
        for (const TTocEntry& t : toc.Parents)
            ASSERT_NE(t.Id, L"-1");
        TH3PageHeader head;
        ReadPageHeader(Reply, head);
    });
}

TEST(Mutation, StoreManifestAndScopes) {
    QuietFiles quiet;
    TempDir dir;
    for (const wchar_t* folder : {L"manifest", L"content", L"content\\Microsoft", L"content\\Contoso"})
        CreateDirectoryW(dir.File(folder).c_str(), nullptr);
    std::wstring manifest = hcfakes::DataText(L"store\\queryManifest.template.xml");
    for (size_t at; (at = manifest.find(L"{STORE}")) != std::wstring::npos;)
        manifest.replace(at, 7, dir.Path());
    std::string manifestBytes;
    WideToUtf8(manifest, manifestBytes);
    const std::string scopes = ReadBytes(TestDataDir() + L"\\store\\scopes_microsoft.xml");
    TMutator<std::string> m({manifestBytes, scopes}, {}, MutationMaxSize(16384));
    int index = 0;
    RunMutations("store manifest and scopes", m, MutationCount(300), [&](const std::string& Bytes) {
        // the mutant is the manifest or, every other time, a vendor's scopes file
        const bool asManifest = ++index % 2 == 1;
        WriteBytes(dir.File(L"manifest\\queryManifest.3.xml"), asManifest ? Bytes : manifestBytes);
        WriteBytes(dir.File(L"content\\Microsoft\\scopes.xml"), asManifest ? scopes : Bytes);
        WriteBytes(dir.File(L"content\\Contoso\\scopes.xml"), asManifest ? scopes : Bytes.substr(Bytes.size() / 3));
        TH3Store store;
        store.LoadManifestFrom(dir.Path());
        const size_t catalogs = store.Catalogs.size(), packages = store.Packages.size();
        for (const THelp3Catalog& c : store.Catalogs)
            for (int p : c.PackageIndexes)
                ASSERT_TRUE(p >= 0 && static_cast<size_t>(p) < packages);
        for (const THelp3Vendor& v : store.Vendors) {
            ASSERT_LT(static_cast<size_t>(v.VendorPathIndex), store.VendorPaths.size());
            for (int c : v.CatalogIndexes)
                ASSERT_TRUE(c >= 0 && static_cast<size_t>(c) < catalogs);
            for (const THelp3Book& b : v.Books)
                for (int c : b.CatalogIndexes)
                    ASSERT_TRUE(c >= 0 && static_cast<size_t>(c) < catalogs);
        }
        for (const THelp3Package& p : store.Packages)
            ASSERT_LT(static_cast<size_t>(p.VendorPathIndex), store.VendorPaths.size());
        for (int c = 0; c < store.GetCatalogCount(); ++c) {
            std::vector<int> vendors;
            store.GetCatalogVendors(c, vendors);
            for (int v : vendors) {
                auto books = store.GetVendorBooks(c, v);
                for (int b = 0; b < books->Count(); ++b)
                    store.GetBookPackages(c, v, ObjectAsIndex(books->Objects(b)));
            }
        }
        store.GetCatalogList();
    });
}

TEST(Mutation, HelpModeFile) {
    QuietFiles quiet;
    TempDir dir;
    const std::wstring file = dir.File(L"HelpClient.cfg");
    TMutator<std::string> m({FreshHelpModeFile(L"offline"),
                             Utf16Bytes(L"<appSettings><add key=\"helpmode\" value=\"online\"/>"),
                             "<configuration><!-- <appSettings> --><appSettings><add key='helpmode' value=offline>"
                             "</appSettings></configuration>"},
                            {}, MutationMaxSize(8192));
    RunMutations("help-mode file", m, MutationCount(300), [&](const std::string& Bytes) {
        WriteBytes(file, Bytes);
        ReadHelpMode(file, L"");
        // a write that succeeds reads back; one that fails leaves every byte
        const bool written = WriteHelpMode(file, L"online");
        if (written)
            ASSERT_EQ(ReadHelpMode(file, L""), L"online");
        else
            ASSERT_EQ(ReadBytes(file), Bytes);
    });
}
