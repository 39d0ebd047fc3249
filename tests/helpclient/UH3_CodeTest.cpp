// Runtime paths from the registry, version rules, and the agent URL grammar.
#include "UH3_Code.h"

#include "TestHarness.h"
#include "UAppSettings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::UniqueName;

namespace {

// A copy of this executable started as a stand-in agent waits VORLANE_HC1_AGENT_WAIT ms.
const int g_AgentHook = [] {
    wchar_t wait[32] = {};
    if (GetEnvironmentVariableW(L"VORLANE_HC1_AGENT_WAIT", wait, 32) == 0) return 0;
    Sleep(static_cast<DWORD>(_wtoi(wait)));
    ExitProcess(0);
}();

// A runtime registry place below a scratch key (HKCU unless given), removed afterwards.
struct TScratchPlace {
    HKEY Root;
    std::wstring Base;
    TH3RegistryPlace Place;
    explicit TScratchPlace(HKEY root = HKEY_CURRENT_USER)
        : Root(root), Base(L"Software\\VorlaneTest\\" + UniqueName(L"hc1paths")) {
        Place.Root = root;
        Place.RuntimeKey = L"\\" + Base + L"\\Help\\v1.0";
        Place.BetaKey = L"\\" + Base + L"\\Help3";
    }
    ~TScratchPlace() {
        RegDeleteTreeW(Root, Base.c_str());
        if (Root == HKEY_LOCAL_MACHINE) {
            HKEY k = nullptr;
            if (RegOpenKeyExW(Root, L"Software\\VorlaneTest", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &k) == 0) {
                RegDeleteTreeW(k, Base.substr(Base.rfind(L'\\') + 1).c_str());
                RegCloseKey(k);
            }
        }
    }
    void Runtime(const wchar_t* name, const std::wstring& value) {
        ASSERT_TRUE(RegWriteString(Root, Place.RuntimeKey, name, value));
    }
    void Beta(const wchar_t* name, const std::wstring& value) {
        ASSERT_TRUE(RegWriteString(Root, Place.BetaKey, name, value));
    }
};

// Answers the agent base from fixed values and counts what it was asked.
class FakeEnvironment : public TAgentEnvironment {
public:
    std::wstring Port(const TH3Paths&) override {
        ++PortCalls;
        return PortText;
    }
    uint32_t SessionId() override {
        ++SessionCalls;
        return Session;
    }
    uint32_t AgentProcessId(const TH3Paths&) override {
        ++PidCalls;
        return Pid;
    }
    int Calls() const { return PortCalls + SessionCalls + PidCalls; }
    std::wstring PortText = L"47873";
    uint32_t Session = 1;
    uint32_t Pid = 4242;
    int PortCalls = 0, SessionCalls = 0, PidCalls = 0;
};

class H3CodeTest : public ::testing::Test {
protected:
    H3CodeTest() : code(&paths, &env) {
        paths.SetHelpDllVersion(1, 0, 30319, 1);
        code.SetCatalogName(L"VS\\100\\en-US");
    }
    std::wstring Url(const std::vector<std::wstring>& params) {
        std::wstring url;
        code.MakeAgentUrl(params, url);
        return url;
    }
    static std::wstring Escape(const std::wstring& s) {
        std::wstring e;
        TH3Code::EscapeValue(s, e);
        return e;
    }
    TH3Paths paths{TH3RegistryPlace{nullptr, L"", L""}};
    FakeEnvironment env;
    TH3Code code;
    const std::wstring base = L"http://127.0.0.1:47873/help/1-4242/ms.help?";
    const std::wstring query = L"product=VS&productVersion=100&locale=en-US";
};

} // namespace

// ---------------------------------------------------------------------------------
// TH3Paths

TEST(H3Paths, ReadsTheRuntimeKey) {
    TScratchPlace reg;
    TempDir dir;
    testing_support::WriteBytes(dir.File(L"HlpViewer.exe"), "MZ");
    reg.Runtime(L"AppRoot", L"  " + dir.Path() + L"\\\\ ");
    reg.Runtime(L"LocalStore", L"C:\\Store\\");
    const TH3Paths paths(reg.Place);
    EXPECT_EQ(dir.Path(), paths.AppRoot);
    EXPECT_EQ(L"C:\\Store", paths.LocalStore);
    EXPECT_EQ(dir.File(L"HelpLibAgent.exe"), paths.AgentPath);
    EXPECT_TRUE(paths.HlpViewerExists);
    EXPECT_FALSE(paths.IsHelp3Beta);
    // No dll: version 0 and no flags.
    EXPECT_EQ("", paths.HelpDllVersion);
    EXPECT_FALSE(paths.HasNewAgent);

    std::wstring port;
    paths.GetAgentPort(port);
    EXPECT_EQ(L"47873", port);
    reg.Runtime(L"AgentPort", L" 47900 ");
    paths.GetAgentPort(port); // read anew each time
    EXPECT_EQ(L"47900", port);
    EXPECT_EQ(L"47900", paths.AgentUrlPort());
}

TEST(H3Paths, PreReleaseRuntimeAndMissingRuntime) {
    TScratchPlace reg;
    reg.Beta(L"AppRoot", L"C:\\Help3\\");
    reg.Beta(L"LocalStore", L"C:\\Store3");
    reg.Beta(L"ListenerPort", L"80 ");
    reg.Runtime(L"AgentPort", L"47873");
    const TH3Paths beta(reg.Place);
    EXPECT_TRUE(beta.IsHelp3Beta);
    EXPECT_EQ(L"C:\\Help3", beta.AppRoot);
    EXPECT_EQ(L"C:\\Store3", beta.LocalStore);
    EXPECT_EQ(L"C:\\Help3\\MSHelpListener.exe", beta.AgentPath);
    EXPECT_EQ(L"", beta.HlpViewerPath);
    EXPECT_FALSE(beta.CanEmbedHlpViewer);
    // URLs, probe and process search all follow the listener.
    EXPECT_EQ(L"80", beta.AgentUrlPort());
    EXPECT_EQ(L"MSHelpListener.exe", beta.AgentExeName());
}

// Machine keys under WOW64: the 64-bit view wins, the normal view fills its gaps.
TEST(H3Paths, BothRegistryViews) {
    ASSERT_TRUE(IsWow64());
    TScratchPlace reg(HKEY_LOCAL_MACHINE);
    reg.Runtime(L"AppRoot", L"C:\\Normal");
    reg.Runtime(L"LocalStore", L"C:\\NormalStore");
    ASSERT_TRUE(RegWriteString64(HKEY_LOCAL_MACHINE, reg.Place.RuntimeKey, L"LocalStore", L"C:\\Store64"));
    const TH3Paths paths(reg.Place);
    EXPECT_EQ(L"C:\\Normal", paths.AppRoot);
    EXPECT_EQ(L"C:\\Store64", paths.LocalStore);
}

TEST(H3Paths, VersionRules) {
    TH3Paths p{TH3RegistryPlace{nullptr, L"", L""}};
    p.HlpViewerExists = true;
    const struct {
        uint16_t V[4];
        bool NewAgent, Embed, Pid;
    } rows[] = {
        {{1, 0, 30306, 1}, true, false, true},   {{1, 0, 30306, 0}, false, false, true},
        {{1, 0, 40219, 1}, true, true, true},    {{1, 0, 30128, 99}, false, false, false},
        {{1, 0, 30129, 0}, false, false, true},  {{1, 0, 0, 0}, false, false, false},
        {{10, 0, 30319, 1}, true, true, false}, {{1, 1, 0, 0}, true, true, true},
        {{0, 0, 0, 0}, false, false, true},
    };
    for (const auto& r : rows) {
        p.SetHelpDllVersion(r.V[0], r.V[1], r.V[2], r.V[3]);
        EXPECT_EQ(r.NewAgent, p.HasNewAgent) << p.HelpDllVersion;
        EXPECT_EQ(r.Embed, p.CanEmbedHlpViewer) << p.HelpDllVersion;
        EXPECT_EQ(r.Pid, p.AgentTakesProcessId()) << p.HelpDllVersion;
    }
    p.HlpViewerExists = false;
    p.SetHelpDllVersion(1, 0, 40219, 1);
    EXPECT_FALSE(p.CanEmbedHlpViewer);
    EXPECT_EQ("1.0.40219.1", p.HelpDllVersion);
}

TEST_F(H3CodeTest, CatalogNameAndManagerCommandLine) {
    code.SetCatalogName(L" vs \\ 100 \\ de-de ");
    std::wstring name;
    code.GetCatalogName(name);
    EXPECT_EQ(L"vs\\100\\de-de", name);
    code.SetCatalogName(L"prod");
    code.GetCatalogName(name);
    EXPECT_EQ(L"prod\\\\", name);

    std::wstring params;
    TH3Code::GetHlmCommandLine(L"VS\\100\\fr-fr", params);
    EXPECT_EQ(L"/product VS /version 100 /locale fr-fr", params);
    TH3Code::GetHlmCommandLine(L"  ", params); // callers without a catalog
    EXPECT_EQ(L"/product vs /version 100 /locale en-us", params);
}

TEST_F(H3CodeTest, RequestUrls) {
    EXPECT_EQ(base + query + L"&method=page&id=-1&format=xml",
              Url({L"method", L"page", L"id", L"-1", L"format", L"xml"}));
    EXPECT_EQ(base + query + L"&method=", Url({L"method"}));
    EXPECT_EQ(base + query, Url({}));
    EXPECT_EQ(base + query + L"&query=caf%C3%A9+%26+co", Url({L"query", L"caf\u00E9 & co"}));
    // A keyword's references stay references; what is left non-ASCII goes as UTF-8.
    EXPECT_EQ(base + query + L"&query=Caf&#233;+%C5%82&id=a&amp;b%26c",
              Url({L"query", L"Caf&#233; \u0142", L"id", L"a&amp;b&c"}));

    code.Locale.clear();
    std::wstring q;
    code.GetProductQuery(q);
    EXPECT_EQ(L"product=VS&productVersion=100", q);
    EXPECT_EQ(base + L"product=VS&productVersion=100&id=1", Url({L"id", L"1"}));

    // A store's catalog names reach every address through the same escaping.
    code.SetCatalogName(L"R&D #1\\1+0\\caf\u00E9");
    code.GetProductQuery(q);
    EXPECT_EQ(L"product=R%26D+%231&productVersion=1%2B0&locale=caf%C3%A9", q);
}

TEST_F(H3CodeTest, AgentBaseParts) {
    std::wstring url;
    code.GetAgentBaseUrl(url);
    EXPECT_EQ(base, url);

    env.PortText.clear();
    env.Session = 3;
    env.Pid = 0; // the agent could not be started
    code.GetAgentBaseUrl(url);
    EXPECT_EQ(L"http://127.0.0.1/help/3/ms.help?", url);

    // First-release agents take no process id, and are not asked for one.
    env.PortText = L"47873";
    env.Pid = 77;
    env.PidCalls = 0;
    paths.SetHelpDllVersion(1, 0, 30128, 1);
    code.GetAgentBaseUrl(url);
    EXPECT_EQ(L"http://127.0.0.1:47873/help/3/ms.help?", url);
    paths.SetHelpDllVersion(10, 0, 30319, 1);
    code.GetAgentBaseUrl(url);
    EXPECT_EQ(L"http://127.0.0.1:47873/help/3/ms.help?", url);
    EXPECT_EQ(0, env.PidCalls);
    paths.SetHelpDllVersion(1, 0, 30129, 0);
    code.GetAgentBaseUrl(url);
    EXPECT_EQ(L"http://127.0.0.1:47873/help/3-77/ms.help?", url);
}

TEST_F(H3CodeTest, Escaping) {
    const struct {
        const wchar_t* In;
        const wchar_t* Out;
    } rows[] = {
        {L"", L""},
        // Character references (ids and keywords from XML replies) go as they came.
        {L"a&amp;b&c", L"a&amp;b%26c"},
        {L"say &quot;x&quot;=1", L"say+&quot;x&quot;=1"},
        {L"a#b", L"a%23b"},
        {L"a+b c", L"a%2Bb+c"},
        {L"[x]", L"%5Bx%5D"},
        {L"&#233;&", L"&#233;%26"},
        {L"tab\there\r\n", L"tab%09here%0D%0A"},
        {L"a&b&c;", L"a%26b%26c;"},
        {L"x&lt;y&hellip;", L"x&lt;y&hellip;"},
        {L"&a+b;", L"&a%2Bb;"}, // '+' is escaped first: the reference still ends in reach
        {L"&toolongentity;", L"%26toolongentity;"},
        {L"%253Cdiv%253E%253C", L"<div%253E<"},
        {L"%253cx%253C", L"<x<"},
        {L"%253Ex", L">x"},
        {L"x%253C", L"x%253C"},
        {L"caf\u00E9", L"caf\u00E9"}, // UTF-8 encoding comes later, in the request builder
    };
    for (const auto& r : rows) EXPECT_EQ(r.Out, Escape(r.In)) << r.In;
}

TEST_F(H3CodeTest, FixAgentUrlModes) {
    const std::wstring current = base + L"product=VS&method=page&id=5";
    const std::wstring stale = L"http://127.0.0.1:47873/help/1-99/ms.help?product=VS&method=page&id=5";
    const struct {
        std::wstring In;
        int Mode;
        std::wstring Out;
        bool Changed;
    } rows[] = {
        {current, 3, current, false},
        {L"  " + current + L" ", 3, current, false},
        {stale, 3, current, true},
        {L"ms-xhelp:///?method=f1&query=x", 3, base + L"method=f1&query=x", true},
        {L"MS-XHELP:///?method=f1", 3, base + L"method=f1", true},
        {L"http://host//ms.help?method=f1", 3, base + L"method=f1", true},
        {L"http://host//MS.HELP/?method=f1", 3, base + L"method=f1", true},
        {current, 0, current, false},
        {current + L"&embedded=true", 0, current, true},
        {current + L"&Embedded=FALSE&x=1", 0, current + L"&x=1", true},
        {current, 1, current + L"&embedded=true", true},
        {current + L"&embedded=true", 1, current + L"&embedded=true", false},
        // A URL that already has the wanted flag, in any case or place, stays as it is.
        {current + L"&EMBEDDED=TRUE", 1, current + L"&EMBEDDED=TRUE", false},
        {current + L"&embedded=true&x=1", 1, current + L"&embedded=true&x=1", false},
        {current + L"&Embedded=False&x=1", 2, current + L"&Embedded=False&x=1", false},
        {current + L"&embedded=false&x=1", 1, current + L"&x=1&embedded=true", true},
        {current + L"&embedded=true", 2, current + L"&embedded=false", true},
        {current + L"&embedded=false", 2, current + L"&embedded=false", false},
        {current + L"&embedded=true", 3, current + L"&embedded=true", false},
        {stale + L"&embedded=true", 0, current, true},
        // Every flag goes, wherever it stands, with its value up to the next '&'.
        {current + L"&embedded=true&a=1&EMBEDDED=x&embedded=false&b=2&embedded=", 0, current + L"&a=1&b=2", true},
        {current + L"&embedded=true&a=1&embedded=true", 2, current + L"&a=1&embedded=false", true},
        {current + L"&embedded&embedded=1&embedded", 0, current + L"&embedded&embedded", true},
    };
    for (const auto& r : rows) {
        std::wstring url = r.In;
        EXPECT_EQ(r.Changed, code.FixAgentUrl(url, r.Mode)) << r.In << " mode " << r.Mode;
        EXPECT_EQ(r.Out, url) << r.In << " mode " << r.Mode;
    }
}

TEST_F(H3CodeTest, OrdinaryPagesNeverTouchTheAgent) {
    for (int mode = 0; mode <= 3; ++mode) {
        for (const std::wstring in : {L"http://www.example.com/a?q=1&embedded=true", L"about:blank",
                                      L"file:///C:/x.htm"}) {
            std::wstring url = in;
            EXPECT_FALSE(code.FixAgentUrl(url, mode)) << in;
            EXPECT_EQ(in, url);
        }
    }
    EXPECT_EQ(0, env.Calls());
}

TEST_F(H3CodeTest, MsXHelpAndHelpUrls) {
    std::wstring url = L" " + base + L"product=VS&id=1 ";
    EXPECT_TRUE(TH3Code::AgentUrlToMsXHelp(url));
    EXPECT_EQ(L"ms-xhelp:///?product=VS&id=1", url);
    EXPECT_FALSE(TH3Code::AgentUrlToMsXHelp(url));
    EXPECT_EQ(L"ms-xhelp:///?product=VS&id=1", url);
    EXPECT_TRUE(IsHelpUrl(L"ms-xhelp:///?id=1"));
    EXPECT_FALSE(IsHelpUrl(L"MS-XHELP:///?id=1")); // the tests are case-sensitive
    EXPECT_TRUE(IsHelpUrl(L"http://x/?a=1&topicversion=100"));
    EXPECT_FALSE(IsHelpUrl(L"http://x/?a=1&TopicVersion=100"));
}

TEST(GetUrlParam, SeparatorRules) {
    const struct {
        const wchar_t* Url;
        const wchar_t* Name;
        const wchar_t* Value;
    } rows[] = {
        {L"http://x/ms.help?ID=5&topicversion=100", L"id", L"5"},
        {L"http://x/ms.help?id=5&topicversion=100", L"TopicVersion", L"100"},
        {L"http://x/ms.help?xid=1&id=2", L"id", L"2"},
        {L"http://x/ms.help?id=a&b&c&next=1", L"id", L"a&b&c"},
        {L"http://x/ms.help?id=a&b", L"id", L"a"},
        {L"http://x/ms.help?id=a=b&c", L"id", L"a=b"},
        {L"http://x/ms.help?id=&x=1", L"id", L""},
        {L"http://x/ms.help?id=%26x", L"id", L"%26x"},
        {L"http://x/ms.help?a=1", L"id", L""},
        {L"id=7&x=1", L"id", L"7"},
        {L"http://x/?\u00C9d=1", L"\u00E9d", L""}, // only A-Z are folded
        {L"http://x/?\u00C9d=1", L"\u00C9D", L"1"},
    };
    for (const auto& r : rows) {
        std::wstring v = L"old";
        GetUrlParam(r.Url, r.Name, v);
        EXPECT_EQ(r.Value, v) << r.Url << " " << r.Name;
    }
}

// Key-less runs of '=' and runs of flags are read in one pass: 100 times the input may take
// at most 300 times as long, 10 times the input 30 times (a pass per '=' or per flag would
// take about 10,000 or 100 times). The flags are compared at sizes whose copies all come
// from the system's large blocks (past half a megabyte), so that only growth shows.
TEST_F(H3CodeTest, UrlReadersGrowLinearly) {
    const double param = testing_support::GrowthRatio(
        [](int n) {
            auto url = std::make_shared<std::wstring>(L"http://127.0.0.1/ms.help?");
            for (int i = 0; i < n; ++i) *url += L"k=";
            *url += L"&id=5";
            return [url] {
                std::wstring v;
                GetUrlParam(*url, L"id", v);
                ASSERT_EQ(v, L"5");
            };
        },
        5000, 500000);
    EXPECT_LT(param, 300.0);
    for (int mode : {0, 2}) {
        const double flags = testing_support::GrowthRatio(
            [this, mode](int n) {
                auto url = std::make_shared<std::wstring>(base + L"id=1");
                for (int i = 0; i < n; ++i) *url += L"&embedded=true&x=1";
                return [this, url, mode] {
                    std::wstring u = *url;
                    code.FixAgentUrl(u, mode);
                };
            },
            20000, 200000);
        EXPECT_LT(flags, 30.0) << "mode " << mode;
    }
}

// The system's environment: when no agent runs it is started, later calls find it.
TEST(AgentEnvironment, StartsTheAgentOnceAndFindsItAfterwards) {
    TempDir dir;
    const std::wstring folder = dir.File(L"Program Files");
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    wchar_t own[MAX_PATH];
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    TH3Paths paths{TH3RegistryPlace{nullptr, L"", L""}};
    paths.AgentPath = folder + L"\\" + UniqueName(L"agent") + L".exe";
    ASSERT_TRUE(CopyFileW(own, paths.AgentPath.c_str(), FALSE));

    TAgentEnvironment& env = DefaultAgentEnvironment();
    EXPECT_EQ(1u, env.SessionId()); // Wine answers no session query: the fallback
    SetEnvironmentVariableW(L"VORLANE_HC1_AGENT_WAIT", L"10000");
    const uint32_t started = env.AgentProcessId(paths);
    SetEnvironmentVariableW(L"VORLANE_HC1_AGENT_WAIT", nullptr);
    ASSERT_NE(0u, started);
    HANDLE agent = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, started);
    EXPECT_EQ(started, env.AgentProcessId(paths));
    if (agent) {
        TerminateProcess(agent, 0);
        WaitForSingleObject(agent, 5000);
        CloseHandle(agent);
    }
    paths.AgentPath = dir.File(L"missing agent.exe");
    EXPECT_EQ(0u, env.AgentProcessId(paths));
}
