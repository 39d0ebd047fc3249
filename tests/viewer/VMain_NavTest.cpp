// The main window's tabs and navigation against the stand-in agent: where a URL opens by the
// modifier keys, tab wrap and close rules, the tab strip's pop-up, the menus' state, the
// Open-with menu and its launchers, search requests, and stepping through the topics.
#include "VMainFixture.h"

#include "FBrowserFrame.h"

#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "UBrowsers.h"
#include "UKeyState.h"
#include "UShellExec.h"
#include "UserAnswers.h"
#include "qenSmartTabs.h"

#include <shellapi.h>

using namespace vcltest;

namespace {

// What the shell was asked to open, instead of opening it.
struct TShellRecorder {
    struct TCall {
        std::wstring File, Params;
    };
    std::vector<TCall> Calls;
    TShellExecuteFunc Saved;
    TShellRecorder() {
        Saved = SetShellExecuteFunc([this](HWND, const std::wstring&, const std::wstring& File,
                                           const std::wstring& Params, int) -> intptr_t {
            Calls.push_back({File, Params});
            return 42;
        });
    }
    ~TShellRecorder() { SetShellExecuteFunc(Saved); }
};

// Modifier keys held for the life of the object.
struct THeldKeys {
    TKeyIsDown Saved;
    explicit THeldKeys(std::vector<int> Keys) {
        Saved = BrowserKeyState();
        BrowserKeyState() = [Keys](int Key) { return std::find(Keys.begin(), Keys.end(), Key) != Keys.end(); };
    }
    ~THeldKeys() { BrowserKeyState() = Saved; }
};

class VMainNavTest : public VMainFixture {
protected:
    // The tabs' captions in strip order (tests name the tabs by their captions).
    static std::vector<std::wstring> Captions(TVMainForm* F) {
        std::vector<std::wstring> captions;
        for (int i = 0; i < F->SmartTabs->GetTabCount(); ++i) {
            std::wstring caption;
            F->SmartTabs->GetTabCaption(i, caption);
            captions.push_back(caption);
        }
        return captions;
    }
    // Tabs named "A", "B" ... in a fresh window's one tab and new ones after it.
    static void MakeTabs(TVMainForm* F, int Count) {
        while (F->SmartTabs->GetTabCount() < Count)
            F->NewTab();
        for (int i = 0; i < Count; ++i)
            F->SmartTabs->SetTabCaption(i, std::wstring(1, static_cast<wchar_t>(L'A' + i)));
    }
    static std::wstring Active(TVMainForm* F) { return Captions(F)[static_cast<size_t>(F->SmartTabs->ActiveTab())]; }
    // A point of the strip over tab Index.
    static POINT OverTab(TVMainForm* F, int Index) {
        const int y = F->SmartTabs->Height() / 2;
        for (int x = 0; x < F->SmartTabs->Width(); ++x)
            if (F->SmartTabs->TabAtPos(x, y) == Index && F->SmartTabs->CloseBoxAt(x, y) < 0)
                return {x, y};
        ADD_FAILURE() << "tab " << Index << " not on the strip";
        return {0, 0};
    }
    static TTreeNode* Find(TVMainForm* F, const std::wstring& Text) {
        for (TTreeNode* n = F->TreeView1->Items()->GetFirstNode(); n; n = n->GetNext())
            if (n->Text() == Text)
                return n;
        return nullptr;
    }
    // The URLs GotoUrl logged from this test on.
    std::vector<std::wstring> Opened() const {
        std::vector<std::wstring> urls;
        const std::wstring log = LogText();
        for (size_t at = log.find(L">> GotoUrl: "); at != std::wstring::npos; at = log.find(L">> GotoUrl: ", at + 1))
            urls.push_back(log.substr(at + 12, log.find(L"\r\n", at) - at - 12));
        return urls;
    }
};

} // namespace

TEST_F(VMainNavTest, TabsWrapAroundAndCloseByTheirRules) {
    Watchdog w(60000, "tabs");
    auto form = Start();
    TVMainForm* f = form->Form;
    ASSERT_EQ(f->SmartTabs->GetTabCount(), 1);
    // The only tab is never closed, and the menus say so.
    f->mmnuClosetabClick();
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 1);
    EXPECT_FALSE(f->mmnuClosetab->Enabled());
    EXPECT_FALSE(f->mmnuNextTab->Enabled());
    MakeTabs(f, 4);
    EXPECT_TRUE(f->mmnuClosetab->Enabled());
    EXPECT_TRUE(f->mmnuCloseothertabs->Enabled());
    // Next on the last tab shows the first, previous on the first the last.
    EXPECT_EQ(Active(f), L"D");
    f->mmnuNextTabClick();
    EXPECT_EQ(Active(f), L"A");
    f->mmnuPreviousTabClick();
    EXPECT_EQ(Active(f), L"D");
    // Closing the active last tab shows the new last one; closing another keeps the active.
    f->CloseTab(3);
    EXPECT_EQ(Captions(f), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(Active(f), L"C");
    f->CloseTab(0);
    EXPECT_EQ(Active(f), L"C");
    // The active tab in the middle closes to its right-hand neighbour.
    f->SmartTabs->SetTabCaption(0, L"B");
    f->NewTab();
    f->SmartTabs->SetTabCaption(2, L"D");
    f->ShowTab(1);
    f->CloseTab(1);
    EXPECT_EQ(Captions(f), (std::vector<std::wstring>{L"B", L"D"}));
    EXPECT_EQ(Active(f), L"D");
    // Out of range: nothing.
    f->CloseTab(2);
    f->CloseTab(-1);
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 2);
}

TEST_F(VMainNavTest, AClosedTabsFrameIsFreedOnlyOutsideNestedLoopsAndFrameNamesAreNotReused) {
    Watchdog w(60000, "frame free");
    auto form = Start();
    TVMainForm* f = form->Form;
    f->NewTab();
    ASSERT_EQ(f->GetFrame(1)->Name(), L"BrowserFrame2");
    // The close comes while a message loop runs inside another (as under an agent wait).
    f->SetMessageHandler(WM_APP + 77, [f](TMessage&) {
        f->CloseTab(1);
        Application->ProcessMessages();
        f->FreeClosedFrames();
    });
    PostMessageW(f->Handle(), WM_APP + 77, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 1);
    TComponent* closed = f->DockPanel->FindComponent(L"BrowserFrame2");
    ASSERT_NE(closed, nullptr);
    EXPECT_FALSE(static_cast<TBrowserFrame*>(closed)->FrameBasePanel->Visible());
    // Back in the outer loop it goes; the next frame takes a new number.
    f->FreeClosedFrames();
    EXPECT_EQ(f->DockPanel->FindComponent(L"BrowserFrame2"), nullptr);
    f->NewTab();
    EXPECT_EQ(f->GetFrame(1)->Name(), L"BrowserFrame3");
    // Only the active tab's frame shows.
    f->ShowTab(0);
    EXPECT_TRUE(f->GetFrame(0)->FrameBasePanel->Visible());
    EXPECT_FALSE(f->GetFrame(1)->FrameBasePanel->Visible());
}

TEST_F(VMainNavTest, TheStripsCloseButtonMiddleClickAndPopUpActOnTheTabUnderThePointer) {
    Watchdog w(60000, "strip");
    auto form = Start();
    TVMainForm* f = form->Form;
    MakeTabs(f, 4);
    f->ShowTab(0);
    // The close box: the window closes the tab, never the strip by itself.
    bool close = true;
    f->SmartTabsCloseTab(2, close);
    EXPECT_FALSE(close);
    EXPECT_EQ(Captions(f), (std::vector<std::wstring>{L"A", L"B", L"D"}));
    // A middle-button release over a tab closes that tab.
    POINT p = OverTab(f, 1);
    f->SmartTabsMouseUp(mbMiddle, p.x, p.y);
    EXPECT_EQ(Captions(f), (std::vector<std::wstring>{L"A", L"D"}));
    f->SmartTabsMouseUp(mbLeft, p.x, p.y);
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 2);
    // The pop-up's items act on the tab it was opened over, the main menu's on the active.
    MakeTabs(f, 4);
    f->ShowTab(0);
    p = OverTab(f, 2);
    f->SmartTabsMouseMove(p.x, p.y);
    f->PopupMenu1Popup();
    EXPECT_TRUE(f->TabMenu_Closetab->Enabled());
    {
        for (int i = 0; i < 4; ++i)
            f->GetFrame(i)->UrlEdit->SetText(L"http://127.0.0.1/help/ms.help?id=" + std::to_wstring(i));
        TShellRecorder shell;
        LastBrowserUsed = 0;
        f->TabMenu_NewWindow->Click();
        ASSERT_EQ(shell.Calls.size(), 1u);
        EXPECT_EQ(shell.Calls[0].File, L"http://127.0.0.1/help/ms.help?id=2");
    }
    f->TabMenu_Closetab->Click();
    EXPECT_EQ(Captions(f), (std::vector<std::wstring>{L"A", L"B", L"D"}));
    EXPECT_EQ(Active(f), L"A");
    p = OverTab(f, 1);
    f->SmartTabsMouseDown(mbRight, p.x, p.y);
    f->PopupMenu1Popup();
    f->TabMenu_CloseOthertabs->Click();
    EXPECT_EQ(Captions(f), (std::vector<std::wstring>{L"B"}));
    f->PopupMenu1Popup();
    EXPECT_FALSE(f->TabMenu_Closetab->Enabled());
    EXPECT_FALSE(f->TabMenu_CloseOthertabs->Enabled());
    EXPECT_FALSE(f->mmnuCloseothertabs->Enabled());
    // The main menu's close-others keeps the active tab.
    MakeTabs(f, 3);
    f->ShowTab(1);
    f->mmnuCloseothertabs->Click();
    EXPECT_EQ(Captions(f), (std::vector<std::wstring>{L"B"}));
}

TEST_F(VMainNavTest, ModifierKeysChooseWhereAUrlOpens) {
    Watchdog w(60000, "modifiers");
    auto form = Start();
    TVMainForm* f = form->Form;
    MakeTabs(f, 3);
    f->ShowTab(0);
    const std::wstring url = L"http://127.0.0.1:" + Suite->Env.PortText + L"/help/ms.help?method=page&id=x";
    // Ctrl alone: a new tab right after the active one.
    {
        THeldKeys ctrl({VK_CONTROL});
        f->GotoUrl(url, L"T");
    }
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 4);
    EXPECT_EQ(f->SmartTabs->ActiveTab(), 1);
    // Ctrl with Shift is no new-tab click.
    {
        THeldKeys ctrlShift({VK_CONTROL, VK_SHIFT});
        f->GotoUrl(url);
    }
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 4);
    // Shift alone: the browser last chosen, no tab and nothing in the tabs' log.
    const std::vector<std::wstring> before = Opened();
    TShellRecorder shell;
    {
        THeldKeys shift({VK_SHIFT});
        LastBrowserUsed = 0;
        f->GotoUrl(L"  " + url + L"\u00e9 ");
    }
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 4);
    EXPECT_EQ(Opened(), before);
    ASSERT_EQ(shell.Calls.size(), 1u);
    EXPECT_EQ(shell.Calls[0].File, url + L"%C3%A9");
}

TEST_F(VMainNavTest, TheRuntimesViewerGetsTheAddressAsOneArgument) {
    Watchdog w(60000, "viewer");
    auto form = Start();
    TVMainForm* f = form->Form;
    ASSERT_TRUE(CurrentH3Paths().HlpViewerExists);
    TShellRecorder shell;
    const std::wstring url = L"http://127.0.0.1/help/ms.help?method=f1&query=a \"b\" c\\\" d\\";
    f->OpenWithBrowser(url, 10);
    f->OpenWithBrowser(url + L"&embedded=true", 10);
    f->OpenWithBrowser(L"", 10);
    ASSERT_EQ(shell.Calls.size(), 2u);
    for (const auto& call : shell.Calls) {
        EXPECT_EQ(call.File, CurrentH3Paths().HlpViewerPath);
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW((L"HlpViewer.exe " + call.Params).c_str(), &argc);
        ASSERT_EQ(argc, 2) << call.Params;
        EXPECT_EQ(std::wstring(argv[1]), url + L"&embedded=true");
        LocalFree(argv);
    }
    // So does the system's Open With dialog, for the same addresses only.
    shell.Calls.clear();
    UserAnswers answers;
    for (const std::wstring& address : {url, std::wstring(L"\\\\host\\share\\a b.htm"), std::wstring(L"file:///C:/a.bat")}) {
        f->ActiveFrame()->UrlEdit->SetText(address);
        f->mmnuOpenwith1Click();
    }
    ASSERT_EQ(shell.Calls.size(), 1u);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW((L"rundll32.exe " + shell.Calls[0].Params).c_str(), &argc);
    ASSERT_EQ(argc, 3) << shell.Calls[0].Params;
    EXPECT_EQ(std::wstring(argv[1]), L"shell32.dll,OpenAs_RunDLL");
    EXPECT_EQ(std::wstring(argv[2]), url);
    LocalFree(argv);
    EXPECT_EQ(answers.Told.size(), 2u);
}

TEST_F(VMainNavTest, TheOpenWithMenuOffersTheKnownBrowsersAndRemembersTheChoice) {
    Watchdog w(60000, "open with");
    Seed(L"LastBrowserUsed", L"2");
    auto form = Start();
    TVMainForm* f = form->Form;
    TTntMenuItem* items[] = {f->mmnuDefaultBrowser, f->mnuBrowser01, f->mnuBrowser02, f->mnuBrowser03, f->mnuBrowser04,
                             f->mnuBrowser05,       f->mnuBrowser06, f->mnuBrowser07, f->mnuBrowser08, f->mnuBrowser09};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(items[i]->Visible(), i < BrowserCount) << i;
        if (i < BrowserCount) {
            EXPECT_EQ(items[i]->Caption(), BrowserTable[i].Name);
            EXPECT_EQ(items[i]->Tag, i);
        }
        EXPECT_EQ(items[i]->Checked(), i == 2) << i;
        EXPECT_EQ(items[i]->Default(), i == 2) << i;
    }
    // A choice moves the marks, is saved and opens the page shown.
    TShellRecorder shell;
    f->BrowserItemByNumber(4);
    EXPECT_EQ(int{LastBrowserUsed}, 4);
    EXPECT_TRUE(items[4]->Checked() && items[4]->Default());
    EXPECT_FALSE(items[2]->Checked() || items[2]->Default());
    ASSERT_EQ(shell.Calls.size(), 1u);
    EXPECT_EQ(shell.Calls[0].File, f->GetCurrentUrl());
    f->BrowserItemByNumber(8); // hidden: no choice
    EXPECT_EQ(int{LastBrowserUsed}, 4);
    f->BuildOpenWithMenu(10);
    EXPECT_TRUE(f->mnuOpenWithHlpViewerExe->Checked() && f->mnuOpenWithHlpViewerExe->Default());
    EXPECT_FALSE(items[4]->Checked());
    bool canClose = false;
    f->FormCloseQuery(canClose);
    EXPECT_EQ(Value(L"LastBrowserUsed"), L"4");
}

TEST_F(VMainNavTest, ASearchAsksTheAgentForTheTextWholeWithItsPairsInOrder) {
    Watchdog w(60000, "search");
    auto form = Start();
    TVMainForm* f = form->Form;
    f->SearchEdit->SetText(L"  R&D caf\u00e9 #1 100% ");
    f->ButtonFindClick();
    const std::vector<std::wstring> urls = Opened();
    ASSERT_FALSE(urls.empty());
    const std::wstring& url = urls.back();
    EXPECT_NE(url.find(L"&method=search&query=R%26D+caf%C3%A9+%231+100%25&format=html&PageSize=200&PageNumber=1"),
              std::wstring::npos)
        << url;
}

TEST_F(VMainNavTest, TheMenuLoopDisablesPageCommandsWithoutAPageAndShowsHints) {
    Watchdog w(60000, "menu loop");
    auto form = Start();
    TVMainForm* f = form->Form;
    f->NavPageControl->SetActivePage(f->TabSheetIndex);
    // The first topic is shown: the page commands stay.
    f->Perform(WM_ENTERMENULOOP, 0, 0);
    EXPECT_TRUE(f->StatusBar1->SimplePanel());
    EXPECT_TRUE(f->mmnuOpenwith1->Enabled());
    EXPECT_TRUE(f->mmnuIndexPage->Checked());
    EXPECT_FALSE(f->mmnuTocPage->Checked());
    EXPECT_TRUE(f->mmnuNavigationPane->Checked());
    f->Perform(WM_EXITMENULOOP, 0, 0);
    EXPECT_FALSE(f->StatusBar1->SimplePanel());
    // A new tab shows nothing yet.
    f->NewTab();
    f->Perform(WM_ENTERMENULOOP, 0, 0);
    EXPECT_FALSE(f->mmnuOpenwith1->Enabled());
    EXPECT_FALSE(f->mnuAddBookmark->Enabled());
    EXPECT_FALSE(f->mnuBrowser01->Enabled());
    f->Perform(WM_EXITMENULOOP, 0, 0);
    EXPECT_TRUE(f->mmnuOpenwith1->Enabled());
    EXPECT_TRUE(f->mnuBrowser01->Enabled());
}

TEST_F(VMainNavTest, NextAndPreviousTopicStepThroughTheTreeLoadingWhatIsFolded) {
    Watchdog w(60000, "next topic");
    auto form = Start();
    TVMainForm* f = form->Form;
    TTreeNode* library = Find(f, L"Visual Studio 2010 Help Library");
    ASSERT_NE(library, nullptr);
    ASSERT_EQ(library->Count(), 0);
    ASSERT_TRUE(library->HasChildren());
    f->TreeView1->SetSelected(library);
    f->NavPageControl->SetActivePage(f->TabSheetIndex);
    f->mmnuNextTopicClick();
    // Its children were loaded on the way, and the first of them is the next topic.
    EXPECT_EQ(f->NavPageControl->ActivePage(), f->TabSheetToc);
    TTreeNode* next = f->TreeView1->Selected();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(next->Parent(), library);
    EXPECT_EQ(next, library->GetFirstChild());
    f->mmnuPreviousTopicClick();
    EXPECT_EQ(f->TreeView1->Selected(), library);
    // The first node has no previous topic.
    TTreeNode* first = f->TreeView1->Items()->GetFirstNode();
    f->TreeView1->SetSelected(first);
    f->mmnuPreviousTopicClick();
    EXPECT_EQ(f->TreeView1->Selected(), first);
}
