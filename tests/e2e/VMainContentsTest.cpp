// The contents page from outside: what the agent is asked for while the contents load, and a
// catalog chosen again.
#include "VorlaneFixture.h"

#include <algorithm>

using namespace vorlane_probe;

namespace {

// The index of the first request that holds Part, or -1.
int FirstWith(const std::vector<std::string>& Log, const std::string& Part) {
    for (size_t i = 0; i < Log.size(); ++i)
        if (Log[i].find(Part) != std::string::npos)
            return static_cast<int>(i);
    return -1;
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
