// The first browser tab from outside: a topic address typed into its address box reaches the
// agent, and so does the request for the topic's breadcrumb path; a search typed there with
// Ctrl+Enter opens in a new tab and leaves the first tab's page.
#include "VorlaneFixture.h"
#include "VorlanePages.h"

#include <algorithm>

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

    // A word typed into that box and Ctrl+Enter: the search opens in a new tab; this tab
    // keeps its page, and its box shows the page's address again. The tabs come back so.
    const std::wstring page = WindowText(edit);
    ASSERT_NE(page.find(L"id=T:System.String&"), std::wstring::npos);
    const std::vector<HWND> before = Edits(main);
    ASSERT_TRUE(Activate(main));
    const DWORD thread = GetWindowThreadProcessId(main, nullptr);
    ASSERT_TRUE(AttachThreadInput(GetCurrentThreadId(), thread, TRUE));
    SetFocus(edit);
    AttachThreadInput(GetCurrentThreadId(), thread, FALSE);
    ASSERT_TRUE(Send(edit, EM_SETSEL, 0, -1) && TypeText(nullptr, L"widgets"));
    ASSERT_TRUE(WaitUntil([&] { return WindowText(edit) == L"widgets"; }, 10000)) << WindowText(edit);
    ASSERT_TRUE(SendChord(nullptr, L"ctrl+enter"));
    HWND added = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND e : Edits(main))
            if (std::find(before.begin(), before.end(), e) == before.end())
                added = e;
        return added != nullptr;
    }, 10000)) << "no new tab";
    EXPECT_TRUE(WaitUntil([&] { return asked("method=search&query=widgets&"); }, 20000)) << "the search";
    EXPECT_NE(WindowText(added).find(L"method=search&query=widgets&"), std::wstring::npos) << WindowText(added);
    EXPECT_EQ(WindowText(edit), page);
    EXPECT_EQ(Edits(main).size(), before.size() + 1);
    ASSERT_EQ(CloseViewer(main), 0);
    EXPECT_EQ(RegRead(HKEY_CURRENT_USER, MainKey, L"PageTab_URL1").Text(), page);
    EXPECT_NE(RegRead(HKEY_CURRENT_USER, MainKey, L"PageTab_URL2").Text().find(L"method=search&query=widgets&"),
              std::wstring::npos);
}
