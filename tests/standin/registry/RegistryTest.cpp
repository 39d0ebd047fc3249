// The installer's registry values in both views, and the agent reading them.
// This program changes HKLM\SOFTWARE\Microsoft\Help (CTest resource lock help_runtime).
#include "AgentConfig.h"
#include "StRegistry.h"
#include "StandinSupport.h"

#include <gtest/gtest.h>

using namespace standin;
using namespace standin_test;

namespace {

std::wstring ExtractName(const std::wstring& path) { return path.substr(path.find_last_of(L'\\') + 1); }

std::wstring Read(const wchar_t* key, const wchar_t* name, RegView view) {
    std::wstring v;
    RegRead(key, name, view, v);
    return v;
}

class StandinRegistry : public ::testing::Test {
protected:
    void TearDown() override {
        for (RegView v : {RegView::View64, RegView::View32}) {
            RegDeleteKeyTree(kHelpKey, v);
            RegDeleteKeyTree(kHelp3Key, v);
        }
        for (auto& i : installs) RemoveInstallation(i);
    }
    Installation Install(const std::vector<std::wstring>& args) {
        installs.push_back(InstallStandin(L"reg", args, true));
        EXPECT_TRUE(installs.back().ok) << installs.back().output;
        return installs.back();
    }
    std::vector<Installation> installs;
};

}  // namespace

TEST_F(StandinRegistry, BothViewsWithDifferentValuesAndThe64BitViewWins) {
    ASSERT_TRUE(IsWow64());
    Installation inst = Install({L"--registry", L"both", L"--alt32", L"--port-dword", L"47999", L"--set32", L"AgentPort=12345"});
    EXPECT_EQ(Read(kHelpKey, L"AppRoot", RegView::View64), inst.appRoot + L"\\");
    EXPECT_EQ(Read(kHelpKey, L"AppRoot", RegView::View32), inst.appRoot + L"-wow32\\");
    EXPECT_EQ(Read(kHelpKey, L"AgentPort", RegView::View64), L"47999");  // REG_DWORD read as text
    EXPECT_EQ(Read(kHelpKey, L"AgentPort", RegView::View32), L"12345");
    EXPECT_EQ(ReadRuntimeValue(kHelpKey, L"LocalStore"), inst.localStore + L"\\");
}

TEST_F(StandinRegistry, SingleViewsAndThePreReleaseKey) {
    Installation only32 = Install({L"--registry", L"32", L"--store", L"none"});
    EXPECT_EQ(Read(kHelpKey, L"AppRoot", RegView::View64), L"");
    EXPECT_EQ(ReadRuntimeValue(kHelpKey, L"AppRoot"), only32.appRoot + L"\\");  // found in the 32-bit view

    Installation only64 = Install({L"--clean", L"--registry", L"64", L"--store", L"none", L"--progid", L"C:\\x\\Vorlane.exe"});
    EXPECT_EQ(Read(kHelpKey, L"AppRoot", RegView::View32), L"");
    EXPECT_EQ(Read(kHelpKey, L"HelpViewerProgID", RegView::View64), L"C:\\x\\Vorlane.exe");

    Installation help3 = Install({L"--clean", L"--help3", L"--listener-port", L"8080"});
    EXPECT_EQ(Read(kHelpKey, L"AppRoot", RegView::View64), L"");
    EXPECT_EQ(Read(kHelp3Key, L"AppRoot", RegView::View64), help3.appRoot + L"\\");
    EXPECT_EQ(Read(kHelp3Key, L"ListenerPort", RegView::View32), L"8080");

    ProcessResult un = RunProcess(L"\"" + DistDir() + L"\\StandinSetup.exe\" --uninstall --approot \"" + help3.appRoot + L"\"", 30000);
    EXPECT_EQ(un.exitCode, 0u);
    EXPECT_EQ(Read(kHelp3Key, L"AppRoot", RegView::View64), L"");
    EXPECT_EQ(GetFileAttributesW(help3.appRoot.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(StandinRegistry, AgentTakesPortAndStoreFromTheRegistry) {
    int port = FreePort();
    Installation inst = Install({L"--registry", L"64", L"--port", L" " + std::to_wstring(port) + L" ", L"--dll", L"1.0.30128.0"});
    AgentProcess agent;
    ASSERT_TRUE(agent.Start(inst, port, {}, true));
    ASSERT_TRUE(agent.WaitForPort());
    HttpResult r = HttpGet(agent.Base(false) + L"product=VS&productVersion=100&locale=en-US&method=children&id=-1&format=xml");
    EXPECT_NE(r.body.find("PackageThisRootID"), std::string::npos);
}

TEST_F(StandinRegistry, PreReleaseListenerTakesListenerPortAndStoreFromTheHelp3Key) {
    int port = FreePort();
    Installation inst = Install({L"--help3", L"--listener-port", std::to_wstring(port), L"--dll", L"1.0.30128.0"});
    ASSERT_EQ(ExtractName(inst.AgentPath()), L"MSHelpListener.exe");
    AgentProcess listener;
    ASSERT_TRUE(listener.Start(inst, port, {}, true));
    ASSERT_TRUE(listener.WaitForPort());
    HttpResult r = HttpGet(listener.Base(false) + L"product=VS&productVersion=100&locale=en-US&method=children&id=-1&format=xml");
    EXPECT_NE(r.body.find("PackageThisRootID"), std::string::npos);
}
