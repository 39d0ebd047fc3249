// The contents page and the runtime's tools from outside: what the agent is asked for while
// the contents load, a catalog chosen again, and the Help Library Manager started with the
// catalog of the box.
#include "VorlaneFixture.h"

#include <algorithm>

using namespace vorlane_probe;

namespace {

// The catalog box: the combo box whose items are catalog keys.
HWND CatalogBox(HWND Main) {
    for (int i = 0; HWND combo = FindDescendant(Main, L"TTntComboBox.UnicodeClass", L"", i); ++i) {
        const std::vector<std::wstring> items = ComboItems(combo);
        if (!items.empty() && items[0].find(L'\\') != std::wstring::npos)
            return combo;
    }
    return nullptr;
}

// The index of the first request that holds Part, or -1.
int FirstWith(const std::vector<std::string>& Log, const std::string& Part) {
    for (size_t i = 0; i < Log.size(); ++i)
        if (Log[i].find(Part) != std::string::npos)
            return static_cast<int>(i);
    return -1;
}

std::string ReadAll(const std::wstring& File) {
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

TEST_F(VorlaneE2E, CtrlF12StartsTheManagerForTheCatalogOfTheBox) {
    ASSERT_TRUE(StartAgent());
    const std::wstring managerLog = ProgramDir + L"\\manager.log";
    ASSERT_TRUE(Viewer.Start(ViewerExe, {}, {{L"STANDIN_MANAGER_LOG", managerLog},
                                             {L"STANDIN_MANAGER_AUTOCLOSE_MS", L"500"}}));
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    ASSERT_TRUE(SendChord(main, L"ctrl+f12"));
    std::string line;
    EXPECT_TRUE(WaitUntil([&] { return !(line = ReadAll(managerLog)).empty(); }, 20000));
    EXPECT_EQ(line, "/product VS /version 100 /locale EN-US\r\n");
}
