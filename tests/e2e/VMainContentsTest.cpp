// The contents page and the page shown from outside: what the agent is asked for while the
// contents load, a catalog chosen again, and the page handed to the runtime's viewer.
#include "VorlaneFixture.h"

#include <algorithm>

#include <shellapi.h>

using namespace vorlane_probe;

namespace {

// The index of the first request that holds Part, or -1.
int FirstWith(const std::vector<std::string>& Log, const std::string& Part) {
    for (size_t i = 0; i < Log.size(); ++i)
        if (Log[i].find(Part) != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

// A file's bytes ("" while it is not there).
std::string FileBytes(const std::wstring& File) {
    std::string all;
    HANDLE h = CreateFileW(File.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return all;
    char buf[4096];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0)
        all.append(buf, n);
    CloseHandle(h);
    return all;
}

} // namespace

TEST_F(VorlaneE2E, TheContentsLoadAsksForTheRootPageThenItsEntriesAndTheSameCatalogAgainAsksNothing) {
    ASSERT_TRUE(StartAgent());
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    const std::vector<std::string> log = Agent.RequestLog();
    const int root = FirstWith(log, "method=page&id=-1&format=xml");
    const int children = FirstWith(log, "method=children&id=-1&format=xml");
    ASSERT_GE(root, 0);
    EXPECT_GT(children, root);
    const std::vector<std::wstring> top = TreeItems(ContentsTree(main), nullptr);
    EXPECT_NE(std::find(top.begin(), top.end(), L"Visual Studio 2010 Help Library"), top.end());

    // The box dropped down and closed on the catalog shown: nothing is asked.
    HWND box = CatalogBox(main);
    ASSERT_TRUE(box);
    const size_t before = Agent.RequestLog().size();
    Send(box, CB_SHOWDROPDOWN, TRUE, 0);
    Send(box, CB_SHOWDROPDOWN, FALSE, 0);
    Sleep(1000);
    EXPECT_EQ(Agent.RequestLog().size(), before);
}

TEST_F(VorlaneE2E, ThePageShownReachesTheRuntimesViewerAsOneArgument) {
    ASSERT_TRUE(StartAgent());
    const std::wstring viewerLog = ProgramDir + L"\\hlpviewer.log";
    // A passed-in address with blanks: the tab shows it. (Quotes are the in-process tests'.)
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(Agent.Port()) +
                             L"/help/1/ms.help?method=f1&query=a b  c";
    ASSERT_TRUE(Viewer.Start(ViewerExe, {url}, {{L"STANDIN_HLPVIEWER_LOG", viewerLog}}));
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    // The numbered command of Ctrl+Shift+= (the runtime's viewer item).
    ASSERT_TRUE(Post(main, 0x4B6, 37, 0));
    std::string line;
    ASSERT_TRUE(WaitUntil(
        [&] {
            line = FileBytes(viewerLog);
            return !line.empty();
        },
        20000));
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    const std::wstring params = standin_test::Widen(line);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW((L"HlpViewer.exe " + params).c_str(), &argc);
    ASSERT_EQ(argc, 2) << line;
    const std::wstring arg = argv[1];
    LocalFree(argv);
    EXPECT_NE(arg.find(L"query=a b  c&"), std::wstring::npos) << arg;
    EXPECT_EQ(arg.substr(arg.size() - 14), L"&embedded=true") << arg;
}
