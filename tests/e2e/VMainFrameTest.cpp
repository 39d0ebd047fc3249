// The first browser tab from outside: a topic address typed into its address box reaches the
// agent, and so does the request for the topic's breadcrumb path.
#include "VorlaneFixture.h"

using namespace vorlane_probe;

TEST_F(VorlaneE2E, ATopicEnteredInTheFirstTabsAddressBoxReachesTheAgentWithItsBreadcrumb) {
    ASSERT_TRUE(StartAgent());
    ASSERT_TRUE(StartViewer());
    HWND main = WaitMainWindow();
    ASSERT_TRUE(main);
    HWND go = nullptr;
    WaitUntil([&] { return (go = FindDescendant(main, L"TTntButton.UnicodeClass", L"Go")) != nullptr; }, 20000);
    ASSERT_TRUE(go) << "the first tab's go button";
    HWND edit = FindDescendant(GetParent(go), L"TTntEdit.UnicodeClass");
    ASSERT_TRUE(edit) << "the first tab's address box";
    const std::wstring url = L"http://127.0.0.1:" + std::to_wstring(Agent.Port()) + L"/help/1-" +
                             std::to_wstring(Agent.Pid()) +
                             L"/ms.help?method=page&id=T:System.String&product=VS&productVersion=100&locale=en-US"
                             L"&topicversion=100&topiclocale=en-US&format=html";
    ASSERT_TRUE(Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(url.c_str())));
    ASSERT_TRUE(Send(edit, WM_CHAR, L'\r', 0));
    auto asked = [&](const std::string& Part) {
        for (const std::string& line : Agent.RequestLog())
            if (line.find(Part) != std::string::npos)
                return true;
        return false;
    };
    EXPECT_TRUE(WaitUntil([&] { return asked("method=ancestors&id=T:System.String"); }, 20000)) << "breadcrumb path";
    EXPECT_TRUE(WaitUntil([&] { return asked("method=page&id=T:System.String&"); }, 20000)) << "the page";
}
