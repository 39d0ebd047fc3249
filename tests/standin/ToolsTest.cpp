// The installer's layout, the dll variants and the manager and viewer stand-ins.
#include "SampleStore.h"
#include "StRuntime.h"

using namespace standin_test;

namespace {

struct ManagerWindow {
    DWORD pid;
    HWND owner = nullptr;
};

// The viewer's manager-window test: a top-level "IME" window whose owner's title begins with
// 'H' and contains "Help Library Manager".
BOOL CALLBACK FindManager(HWND w, LPARAM lp) {
    auto* m = (ManagerWindow*)lp;
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (wcscmp(cls, L"IME") != 0) return TRUE;
    HWND owner = GetWindow(w, GW_OWNER);
    wchar_t title[401] = {};
    if (owner) GetWindowTextW(owner, title, 400);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid == m->pid && title[0] == L'H' && wcsstr(title, L"Help Library Manager")) {
        m->owner = owner;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForManagerWindow(DWORD pid, DWORD ms) {
    ManagerWindow m{pid};
    for (DWORD start = GetTickCount(); GetTickCount() - start < ms; Sleep(20)) {
        EnumWindows(FindManager, (LPARAM)&m);
        if (m.owner) break;
    }
    return m.owner;
}

std::string ReadAll(const std::wstring& path) {
    std::string s;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return s;
    char buf[4096];
    DWORD n;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) s.append(buf, n);
    CloseHandle(h);
    return s;
}

bool Exists(const std::wstring& p) { return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(StandinTools, DllVariantsCarryTheirVersions) {
    const wchar_t* versions[] = {L"1.0.30128.0", L"1.0.30306.0", L"1.0.30306.1", L"1.0.40219.1", L"10.0.30319.1"};
    for (auto v : versions) {
        standin::FileVersion f = standin::GetFileVersion(DistDir() + L"\\dll\\" + v + L"\\Microsoft.Help.dll");
        ASSERT_TRUE(f.found) << v;
        std::wstring got = std::to_wstring(f.major) + L"." + std::to_wstring(f.minor) + L"." + std::to_wstring(f.release) +
                           L"." + std::to_wstring(f.build);
        EXPECT_EQ(got, v);
    }
    standin::FileVersion agent = standin::GetFileVersion(DistDir() + L"\\HelpLibAgent.exe");
    EXPECT_TRUE(agent.found);
    EXPECT_TRUE(standin::GetFileVersion(DistDir() + L"\\HelpLibManager.exe").found);
}

TEST(StandinTools, InstallerLaysOutAppRootAndStore) {
    SampleStore& s = SampleStore::Get();
    ASSERT_TRUE(s.inst.ok) << s.inst.output;
    for (auto f : {L"HelpLibAgent.exe", L"HelpLibManager.exe", L"HlpViewer.exe", L"HelpClient.cfg"})
        EXPECT_TRUE(Exists(s.inst.appRoot + L"\\" + f)) << f;
    for (auto f : {L"manifest\\queryManifest.3.xml", L"VS_100_EN-US", L"VS_100_de-DE", L"catalogs\\VS\\100\\EN-US",
                   L"content\\Microsoft\\scopes.xml", L"content\\Contoso\\scopes.xml"})
        EXPECT_TRUE(Exists(s.inst.localStore + L"\\" + f)) << f;
    std::string manifest = ReadAll(s.inst.localStore + L"\\manifest\\queryManifest.3.xml");
    std::string contentPath = "<contentPath>";
    EXPECT_NE(manifest.find("<contentPath>" + std::string(s.inst.localStore.begin(), s.inst.localStore.end()) + "\\content</contentPath>"),
              std::string::npos);
    EXPECT_EQ(manifest.find("@"), std::string::npos);
    EXPECT_EQ(ReadAll(s.inst.appRoot + L"\\HelpClient.cfg"),
              "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n<configuration>\r\n<appSettings>\r\n"
              "   <add key=\"helpmode\" value=\"offline\" />\r\n</appSettings>\r\n</configuration>\r\n");
    EXPECT_EQ(s.store.catalogs.size(), 3u);

    Installation help3 = InstallStandin(L"help3", {L"--help3", L"--store", L"none", L"--dll", L"none"});
    ASSERT_TRUE(help3.ok) << help3.output;
    EXPECT_TRUE(Exists(help3.appRoot + L"\\MSHelpListener.exe"));
    EXPECT_FALSE(Exists(help3.appRoot + L"\\HelpLibAgent.exe"));
    EXPECT_FALSE(Exists(help3.appRoot + L"\\HlpViewer.exe"));
    EXPECT_FALSE(Exists(help3.appRoot + L"\\Microsoft.Help.dll"));
    EXPECT_FALSE(Exists(help3.localStore));
    RemoveInstallation(help3);
    EXPECT_FALSE(InstallStandin(L"bad", {L"--store", L"huge"}).ok);
}

TEST(StandinTools, ManagerShowsTheWindowTheViewerLooksForFromAnotherProcess) {
    HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    if (!probe) GTEST_SKIP() << "no display or graphics driver in this prefix: windows cannot be created";
    DestroyWindow(probe);
    SampleStore& s = SampleStore::Get();
    ASSERT_TRUE(s.inst.ok);
    std::wstring log = s.inst.root + L"\\manager.log";
    std::wstring block = EnvironmentWith({{L"STANDIN_MANAGER_LOG", log}, {L"STANDIN_MANAGER_LINGER_MS", L"1500"}});
    auto start = [&](const std::wstring& args, PROCESS_INFORMATION& pi) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        std::wstring cmd = L"\"" + s.inst.appRoot + L"\\HelpLibManager.exe\" " + args;
        return CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, block.data(),
                              s.inst.appRoot.c_str(), &si, &pi) != 0;
    };
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(start(L"/product VS /version 100 /locale \"ja-jp\"", pi));
    HWND owner = WaitForManagerWindow(pi.dwProcessId, 10000);
    ASSERT_NE(owner, nullptr);
    PostMessageW(owner, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 5000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    ASSERT_TRUE(start(L"/silent /install /sourceMedia x.msha", pi));
    EXPECT_EQ(WaitForManagerWindow(pi.dwProcessId, 500), nullptr);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), (DWORD)WAIT_TIMEOUT);  // runs without a window
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);

    // "/silent" inside a quoted value is part of that value, not the switch.
    ASSERT_TRUE(start(L"/product \"VS \\\"\\\" /silent /x\t/y\" /version \"\"", pi));
    owner = WaitForManagerWindow(pi.dwProcessId, 10000);
    ASSERT_NE(owner, nullptr);
    PostMessageW(owner, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 5000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(ReadAll(log),
              "> /product VS /version 100 /locale \"ja-jp\"\r\n| /product\r\n| VS\r\n| /version\r\n| 100\r\n| /locale\r\n"
              "| ja-jp\r\n"
              "> /silent /install /sourceMedia x.msha\r\n| /silent\r\n| /install\r\n| /sourceMedia\r\n| x.msha\r\n"
              "> /product \"VS \\\"\\\" /silent /x\t/y\" /version \"\"\r\n| /product\r\n| VS \"\" /silent /x\t/y\r\n| /version\r\n| \r\n");
}

TEST(StandinTools, HlpViewerRecordsItsWholeParameterString) {
    SampleStore& s = SampleStore::Get();
    ASSERT_TRUE(s.inst.ok);
    std::wstring log = s.inst.root + L"\\hlpviewer.log";
    std::wstring url = L"http://127.0.0.1:47873/help/1-42/ms.help?method=page&id=x&embedded=true";
    ProcessResult r = RunProcess(L"\"" + s.inst.appRoot + L"\\HlpViewer.exe\" " + url, 10000, {{L"STANDIN_HLPVIEWER_LOG", log}});
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(ReadAll(log), "http://127.0.0.1:47873/help/1-42/ms.help?method=page&id=x&embedded=true\r\n");
}
