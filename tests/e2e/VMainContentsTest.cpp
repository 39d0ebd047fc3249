// The contents page and the page shown from outside: what the agent is asked for while the
// contents load, a catalog chosen again, and the page handed to the runtime's viewer.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

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

// Mouse and keys on the contents, as a user gives them: a click opens the entry clicked,
// each Ctrl+click, middle click and Ctrl+Enter opens one new tab, and the tree's pop-up menu
// opens from the right button and from the keys on the entry meant.
TEST_F(VorlaneE2E, ContentsEntriesOpenWhereClickedNewTabsOpenEachTimeAndTheMenuOpensOnTheEntry) {
    ASSERT_TRUE(StartAgent());
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    ASSERT_TRUE(WaitContentsLoaded(main));
    HWND tree = ContentsTree(main);
    // The top-level entries of the sample store by their texts.
    const auto entry = [&](const std::wstring& Text) {
        for (auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
             item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item))))
            if (TreeItemText(tree, item) == Text)
                return item;
        return HTREEITEM{};
    };
    const HTREEITEM contoso = entry(L"Contoso Widgets & Gadgets");
    const HTREEITEM vb6 = entry(L"Visual Basic 6.0 Reference");
    ASSERT_TRUE(contoso && vb6);
    const auto selected = [&] { return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0)); };
    const auto gotoLines = [&] {
        std::vector<std::wstring> lines;
        for (const std::wstring& line : SplitLines(DebugLog()))
            if (line.rfind(L">> GotoUrl: ", 0) == 0)
                lines.push_back(line);
        return lines;
    };
    // What one user action opened: the pages asked for after it (waits for the first).
    const auto opens = [&](const std::function<bool()>& Act) {
        const size_t before = gotoLines().size();
        std::vector<std::wstring> lines;
        if (!Act())
            return lines;
        WaitUntil([&] { return gotoLines().size() > before; }, 10000);
        Sleep(300); // a second page would follow at once
        lines = gotoLines();
        lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(before));
        return lines;
    };
    const auto clickOn = [&](HTREEITEM Item, const wchar_t* Button, const wchar_t* Mods) {
        return [=] {
            RECT r{};
            return TreeItemRect(tree, Item, r) && MouseClickAt(tree, r, Button, Mods);
        };
    };
    const auto one = [](const std::vector<std::wstring>& Lines, const wchar_t* Id) {
        return Lines.size() == 1 && Lines[0].find(Id) != std::wstring::npos;
    };
    const size_t tabs = Edits(main).size(); // one address box a tab

    std::vector<std::wstring> lines = opens(clickOn(contoso, L"left", L""));
    EXPECT_TRUE(one(lines, L"&id=contoso-root&")) << lines.size();
    EXPECT_EQ(selected(), contoso);
    lines = opens(clickOn(vb6, L"left", L""));
    EXPECT_TRUE(one(lines, L"&id=vb6-reference&")) << lines.size();
    EXPECT_EQ(selected(), vb6);
    EXPECT_EQ(Edits(main).size(), tabs);

    // Ctrl+click, middle click, Ctrl+Enter: a new tab each.
    lines = opens(clickOn(contoso, L"left", L"ctrl"));
    EXPECT_TRUE(one(lines, L"&id=contoso-root&")) << lines.size();
    EXPECT_TRUE(WaitUntil([&] { return Edits(main).size() == tabs + 1; }, 5000));
    lines = opens(clickOn(vb6, L"middle", L""));
    EXPECT_TRUE(one(lines, L"&id=vb6-reference&")) << lines.size();
    EXPECT_TRUE(WaitUntil([&] { return Edits(main).size() == tabs + 2; }, 5000));
    lines = opens([&] { return SendChord(main, L"ctrl+1") && SendChord(main, L"ctrl+enter"); }); // from the tree
    EXPECT_TRUE(one(lines, L"&id=vb6-reference&")) << lines.size();
    EXPECT_TRUE(WaitUntil([&] { return Edits(main).size() == tabs + 3; }, 5000));
    lines = opens(clickOn(contoso, L"left", L"ctrl"));
    EXPECT_TRUE(WaitUntil([&] { return Edits(main).size() == tabs + 4; }, 5000));

    // A right click on an entry: the menu for it; its first item opens it in a new tab.
    RECT r{};
    ASSERT_TRUE(TreeItemRect(tree, vb6, r));
    ASSERT_TRUE(MouseClickAt(tree, r, L"right"));
    ASSERT_TRUE(WaitPopupMenu(Viewer.Pid()));
    EXPECT_EQ(selected(), vb6);
    lines = opens([&] { return SendChord(nullptr, L"down") && SendChord(nullptr, L"enter"); });
    EXPECT_TRUE(one(lines, L"&id=vb6-reference&")) << lines.size();
    EXPECT_TRUE(WaitUntil([&] { return Edits(main).size() == tabs + 5; }, 5000));
    // From the keys, on the selected entry.
    for (const wchar_t* chord : {L"shift+f10", L"apps"}) {
        ASSERT_TRUE(MouseClickAt(tree, r)); // the tree has the focus
        ASSERT_TRUE(SendChord(main, chord));
        EXPECT_TRUE(WaitPopupMenu(Viewer.Pid())) << chord;
        ASSERT_TRUE(SendChord(nullptr, L"esc"));
        EXPECT_TRUE(WaitUntil([&] { return !FindTopWindow({Viewer.Pid(), L"#32768", L"", nullptr, true}); }, 5000));
    }

    // An entry opened while the agent's answer is held and the wait cancelled, then while the
    // agent fails: the entry stays as it was, with its button and no children; opened once
    // the agent answers, it shows its children.
    ASSERT_TRUE(SendChord(main, L"ctrl+1") && SendChord(main, L"up"));
    ASSERT_TRUE(WaitUntil([&] { return selected() == contoso; }, 5000));
    ASSERT_TRUE(TreeItems(tree, contoso).empty() && TreeItemShowsButton(tree, contoso));
    const auto unopened = [&] { return TreeItems(tree, contoso).empty() && TreeItemShowsButton(tree, contoso); };
    const auto contosoAsked = [&] { return FirstWith(Agent.RequestLog(), "method=children&id=contoso-root&") >= 0; };
    ASSERT_TRUE(StartAgent({{L"STANDIN_AGENT_FAULTS", L"children=stall:20000"}}));
    ASSERT_TRUE(SendChord(main, L"right"));
    HWND wait = WaitForWindow({Viewer.Pid(), L"TCancelForm.UnicodeClass", L"", nullptr, true}, 10000);
    ASSERT_TRUE(wait) << "no wait window";
    ASSERT_TRUE(Post(FindDescendant(wait, L"TTntButton.UnicodeClass"), BM_CLICK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(wait) || !IsWindowVisible(wait); }, 5000));
    ASSERT_TRUE(Send(main, WM_NULL, 0, 0));
    EXPECT_TRUE(unopened()) << "cancelled";
    ASSERT_TRUE(StartAgent({{L"STANDIN_AGENT_FAULTS", L"children=error:500"}}));
    ASSERT_TRUE(SendChord(main, L"ctrl+1") && SendChord(main, L"right"));
    EXPECT_TRUE(WaitUntil(contosoAsked, 10000)) << DebugLog();
    Sleep(300);
    ASSERT_TRUE(Send(main, WM_NULL, 0, 0));
    EXPECT_TRUE(unopened()) << "failed";
    ASSERT_TRUE(StartAgent());
    ASSERT_TRUE(SendChord(main, L"ctrl+1") && SendChord(main, L"right"));
    EXPECT_TRUE(WaitUntil([&] { return !TreeItems(tree, contoso).empty(); }, 10000)) << "not asked again";
    EXPECT_TRUE(Viewer.Running());
}
