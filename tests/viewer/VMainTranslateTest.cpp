// The interface translation of the main window in this process, from language files beside
// the test program: the update steps, switching back, the right-to-left layout.
#include "VMainFixture.h"

#include "FBrowserFrame.h"
#include "FakeBrowserView.h"
#include "FDebug.h"
#include "Forms.h"
#include "QXSuperTip.h"
#include "TntButtons.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UPTShellCombo.h"
#include "qenPathViewer.h"
#include "ULocaleInfo.h"
#include "UDebugLog.h"
#include "UMessageTexts.h"
#include "UUtilsW.h"
#include "qenSmartTabs.h"

#include "../vcl/VclTestSupport.h"

using testing_support::Utf16Bytes;
using testing_support::WriteBytes;
using namespace vcltest;

namespace {

class VMainTranslate : public VMainFixture {
protected:
    void TearDown() override {
        for (const std::wstring& file : Files)
            DeleteFileW(file.c_str());
        Application->SetBiDiMode(bdLeftToRight);
        ToolbarTexts = {}; // the frames' texts outlive the window
        VMainFixture::TearDown();
    }
    // vorlane.lang.<Code> beside the program, section "main".
    void WriteLang(const std::wstring& Code, const std::wstring& Lines) {
        Files.push_back(ProgramFolder() + L"\\vorlane.lang." + Code);
        WriteBytes(Files.back(), Utf16Bytes(L"[main]\r\n" + Lines));
    }
    std::vector<std::wstring> Files;
};

// The texts the checks look at, in one line.
std::wstring Texts(TVMainForm* F) {
    return F->Caption() + L"|" + F->mmnuPage->Caption() + L"|" + F->SmartTabs->NewTabCaption() + L"|" +
           F->StatusBar1->Panels()->Items(2)->Text() + L"|" + F->CatalogCbo->Hint() + L"|" +
           F->SearchBtnImage->Hint() + L"|" + F->mnuFavViewStyle->Caption() + L"|" +
           F->mnuFavViewStyle_Icon->Caption() + L"|" + F->FavBackBtn->Hint() + L"|" + DebugForm->Caption() +
           L"|" + MsgTxt_SwitchToOfflineMode;
}

} // namespace

TEST_F(VMainTranslate, TheSavedLanguageTranslatesAtStartAndEnglishComesBack) {
    Watchdog w(60000, "translation");
    WriteLang(L"xde", L"mmnuPage=&Seite\r\nTabMenu_NewTab=Neuer Tab (Strg+N)\r\nWinTitle_OfflineMode=Offline-Modus\r\n"
                      L"WinTitle_OnlineMode=Online-Modus\r\nmmnuZoom=Vergr\u00f6\u00dferung(&Z)\r\n"
                      L"DebugPage_Title=Fehlersuche\r\nUPTShConsts_SViewMenu=Ansicht\r\n"
                      L"UPTShConsts_SUpOneLevelHint=Eine Ebene h\u00f6her\r\nSearchBtnHint=*\r\n"
                      L"MsgTxt_SwitchToOfflineMode=Offline|wechseln?\r\n");
    Seed(L"LangCode", L"xde");
    std::wstring english;
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        const std::wstring mode = f->Caption().find(L"Online Mode") != std::wstring::npos ? L"Online" : L"Offline";
        EXPECT_NE(f->Caption().find(mode + L"-Modus, Catalog: "), std::wstring::npos) << f->Caption();
        EXPECT_EQ(f->mmnuPage->Caption(), L"&Seite");
        EXPECT_EQ(f->SmartTabs->NewTabCaption(), L"Neuer Tab");
        EXPECT_EQ(f->StatusBar1->Panels()->Items(2)->Text().find(L"Vergr\u00f6\u00dferung"), 0u);
        // Absent hints are emptied, an absent view-style text keeps the caption.
        EXPECT_EQ(f->CatalogCbo->Hint(), L"");
        EXPECT_EQ(f->SearchBtnImage->Hint(), L"\r\n(Ctrl+E, Enter)");
        EXPECT_EQ(f->mnuFavViewStyle->Caption(), L"Ansicht");
        EXPECT_EQ(f->mnuFavViewStyle_Icon->Caption(), L"Large Icons");
        EXPECT_EQ(f->FavBackBtn->Hint(), L"Eine Ebene h\u00f6her");
        EXPECT_EQ(DebugForm->Caption(), L"Fehlersuche");
        EXPECT_EQ(MsgTxt_SwitchToOfflineMode, L"Offline\rwechseln?");
        EXPECT_EQ(Application->BiDiMode(), bdLeftToRight);

        // English has no file: every text of before the first translation comes back.
        f->LangCode = L"en";
        f->TranslateMainWindow(f->LangCode);
        english = Texts(f);
        EXPECT_NE(english.find(L"|&Page|New Tab|Zoom"), std::wstring::npos) << english;
        EXPECT_NE(english.find(L"|Select a help catalog (F2)|Search\r\n(Ctrl+E, Enter)|View|Large Icons|Up One Level|"),
                  std::wstring::npos)
            << english;
        EXPECT_EQ(MsgTxt_SwitchToOfflineMode.find(L"Agent wont start"), 0u);
        bool canClose = false;
        f->FormCloseQuery(canClose);
    }
    EXPECT_EQ(Value(L"LangCode"), L"en");
    // A code that would leave the program's folder counts as none.
    Seed(L"LangCode", L"..\\xde");
    auto form = Start();
    EXPECT_EQ(form->Form->LangCode, L"");
    EXPECT_EQ(Texts(form->Form), english);
    DebugForm->FlushLog();
    EXPECT_NE(DebugForm->Memo1->GetText().find(L"language code refused"), std::wstring::npos);
}

namespace {

// Adds the class of each visible window whose client area is not wholly due to be painted.
BOOL CALLBACK AddUnpaintedWindow(HWND Wnd, LPARAM Classes) {
    RECT client{};
    if (!IsWindowVisible(Wnd) || !GetClientRect(Wnd, &client) || IsRectEmpty(&client))
        return TRUE;
    const HRGN update = CreateRectRgn(0, 0, 0, 0), rest = CreateRectRgnIndirect(&client);
    GetUpdateRgn(Wnd, update, FALSE);
    if (CombineRgn(rest, rest, update, RGN_DIFF) != NULLREGION) {
        wchar_t name[64] = {};
        GetClassNameW(Wnd, name, 64);
        *reinterpret_cast<std::wstring*>(Classes) += std::wstring(name) + L" ";
    }
    DeleteObject(update);
    DeleteObject(rest);
    return TRUE;
}

} // namespace

TEST_F(VMainTranslate, HebrewMirrorsTheWindowOnceArabicKeepsItGermanTurnsItBack) {
    Watchdog w(60000, "right to left");
    for (const wchar_t* code : {L"he", L"ar", L"de"})
        WriteLang(code, std::wstring(L"mmnuPage=") + code + L"\r\ntb_BackBtn=" + code + L"\r\n");
    auto form = Start();
    TVMainForm* f = form->Form;
    f->HandleNeeded();
    if (f->SmartTabs->GetTabCount() == 0)
        f->NewTab();
    TBrowserFrame* frame = f->GetFrame(0);
    ASSERT_TRUE(frame);
    const int goLeft = frame->BrowserGoBtn->Left();
    // How each kind of control reads: mirrored as a whole ('M'), its text on the right
    // ('R'), or neither ('-'); the tab strip and the breadcrumb bar by their own drawing; the
    // menu bar's first item and whether it starts at the right.
    auto Reading = [&] {
        std::wstring r;
        for (TWinControl* c : std::initializer_list<TWinControl*>{
                 f->StatusBar1, f->NavPageControl, f->TreeView1, f->IndexLV, frame->ToolBar1, f->IndexEdit,
                 frame->UrlEdit})
            r += GetWindowLongW(c->Handle(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL ? L'M'
                 : GetWindowLongW(c->Handle(), GWL_EXSTYLE) & WS_EX_RIGHT  ? L'R'
                                                                            : L'-';
        const TSmartTabsGeometry strip = f->SmartTabs->Geometry();
        r += SmartTabsTabBounds(strip, 0).left > strip.ClientWidth / 2 ? L'M' : L'-';
        r += frame->qenPathViewer1->RightToLeft() ? L"M " : L"- ";
        // The combo boxes: mirrored with their lists, which drop as windows of their own.
        for (TCustomComboBox* c : std::initializer_list<TCustomComboBox*>{f->CatalogCbo, f->PTShellCombo1}) {
            const LONG box = GetWindowLongW(c->Handle(), GWL_EXSTYLE), list = GetWindowLongW(c->ListHandle(), GWL_EXSTYLE);
            r += box & list & WS_EX_LAYOUTRTL ? L'M' : (box | list) & WS_EX_LAYOUTRTL ? L'?' : box & WS_EX_RIGHT ? L'R' : L'-';
        }
        r += L' ';
        HMENU bar = f->MainMenu1->GetHandle();
        wchar_t first[64] = {};
        GetMenuStringW(bar, 0, first, 64, MF_BYPOSITION);
        MENUITEMINFOW info{sizeof(info), MIIM_FTYPE};
        GetMenuItemInfoW(bar, 0, TRUE, &info);
        const std::wstring item = first == f->mmnuPage->Caption()   ? L"Page"
                                  : first == f->mmnuHelp->Caption() ? L"Help"
                                                                    : first;
        return r + item + (info.fType & MFT_RIGHTJUSTIFY ? L" at the right" : L"");
    };
    auto layout = [&] {
        return std::to_wstring(f->LeftPanel->Left()) + L"," + std::to_wstring(f->FavBackBtn->Left()) + L"," +
               std::to_wstring(f->SuperTipSearch->Left()) + L"," +
               std::to_wstring(f->FavBackBtn->Anchors() & (akLeft | akRight)) + L"," +
               std::to_wstring(f->SuperTipSearch->Anchors() & (akLeft | akRight)) + L"," + Reading();
    };
    // Every tab of before the switches keeps its page's window, and the contents its selection.
    f->NewTab();
    TBrowserFrame* second = f->GetFrame(1);
    ASSERT_TRUE(second);
    if (!f->TreeView1->Items()->GetFirstNode())
        f->TreeView1->Items()->Add(nullptr, L"Topic");
    TTreeNode* selected = f->TreeView1->Items()->GetFirstNode();
    f->TreeView1->SetSelected(selected);
    auto pagesAndTree = [&] {
        std::wstring r;
        for (TBrowserFrame* fr : {frame, second}) {
            auto* page = dynamic_cast<browserfakes::FakeBrowserView*>(fr->WebBrowser1);
            const HWND wnd = page && page->HandleAllocated() ? page->Handle() : nullptr;
            r += wnd && IsWindow(wnd) && GetParent(wnd) == fr->FrameBasePanel->Handle() &&
                         (GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE) && page->PagesLost == 0
                     ? L'P'
                     : L'-';
        }
        return r + (f->TreeView1->Selected() == selected &&
                            SendMessageW(f->TreeView1->Handle(), TVM_GETNEXTITEM, TVGN_CARET, 0) ==
                                reinterpret_cast<LRESULT>(selected->ItemId())
                        ? L'S'
                        : L'-');
    };
    EXPECT_EQ(pagesAndTree(), L"PPS");
    f->ShowTab(0);

    const std::wstring start = layout();
    EXPECT_EQ(f->LeftPanel->Left(), 0);
    EXPECT_EQ(Reading(), L"--------- -- Page");

    // The windows take the switch under the hourglass, the tree in its own window.
    struct TCursorSink : TDebugLogSink {
        std::wstring Seen;
        bool SinkShowing() override { return true; }
        bool SinkTimeStamps() override { return false; }
        void SinkAddLine(const std::wstring& Line) override {
            if (Line.rfind(L"Translate: ", 0) == 0 && Line.find(L"update") != std::wstring::npos)
                Seen += Screen->Cursor() == crHourGlass ? L'H' : L'-';
        }
    } sink;
    TDebugLogSink* const before = SetDebugLogSink(&sink);
    const HWND tree = f->TreeView1->Handle();
    f->TranslateMainWindow(L"he");
    SetDebugLogSink(before);
    EXPECT_EQ(sink.Seen, L"HH");
    EXPECT_NE(Screen->Cursor(), crHourGlass);
    EXPECT_EQ(f->TreeView1->Handle(), tree);
    EXPECT_EQ(Application->BiDiMode(), bdRightToLeft);
    EXPECT_EQ(f->mmnuPage->Caption(), L"he");
    EXPECT_GT(f->LeftPanel->Left(), 10); // the pane on the right
    // The hidden bookmarks page is mirrored within its own width.
    EXPECT_GE(f->FavBackBtn->Left(), 0);
    EXPECT_GT(f->FavBackBtn->Left(), f->FavGoBtn->Left());
    EXPECT_EQ(f->FavBackBtn->Anchors() & (akLeft | akRight), akLeft);
    EXPECT_EQ(f->SuperTipSearch->Anchors() & (akLeft | akRight), akRight);
    const std::wstring mirrored = layout();
    EXPECT_EQ(Reading(), L"MMMMMRRMM MM Help at the right");
    // A click on the second tab's close box, at its left end, closes that tab.
    f->NewTab();
    ASSERT_EQ(f->SmartTabs->GetTabCount(), 3);
    const RECT close = SmartTabsCloseBoxRect(f->SmartTabs->Geometry(), 2);
    const LPARAM at = MAKELPARAM((close.left + close.right) / 2, (close.top + close.bottom) / 2);
    SendMessageW(f->SmartTabs->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(f->SmartTabs->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(f->SmartTabs->GetTabCount(), 2);
    EXPECT_EQ(f->GetFrame(0), frame);
    // The tab's frame: its toolbar texts and its own mirroring.
    EXPECT_EQ(frame->tb_BackBtn->Caption(), L"he");
    EXPECT_NE(frame->BrowserGoBtn->Left(), goLeft);
    EXPECT_EQ(GetWindowLongW(frame->BrowserGoBtn->Handle(), GWL_STYLE) & BS_CENTER, BS_CENTER) << "Go's caption centred";

    f->TranslateMainWindow(L"ar");
    EXPECT_EQ(layout(), mirrored);
    EXPECT_EQ(f->mmnuPage->Caption(), L"ar");
    // Only the exact codes read right to left.
    for (const wchar_t* code : {L"AR", L"he-il"}) {
        f->TranslateMainWindow(code);
        EXPECT_EQ(Application->BiDiMode(), bdLeftToRight) << code;
        EXPECT_EQ(layout(), start) << code;
    }
    f->TranslateMainWindow(L"he");
    EXPECT_EQ(layout(), mirrored);
    // Shown, the switch back paints every control whole (none keeps bits of its mirrored place).
    ShowWindow(f->Handle(), SW_SHOWNOACTIVATE);
    RedrawWindow(f->Handle(), nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
    f->TranslateMainWindow(L"de");
    std::wstring unpainted;
    EnumChildWindows(f->Handle(), AddUnpaintedWindow, reinterpret_cast<LPARAM>(&unpainted));
    EXPECT_EQ(unpainted, L"");
    EXPECT_EQ(Application->BiDiMode(), bdLeftToRight);
    EXPECT_EQ(layout(), start);
    EXPECT_EQ(f->mmnuPage->Caption(), L"de");
    EXPECT_EQ(pagesAndTree(), L"PPS");
    EXPECT_EQ(frame->tb_BackBtn->Caption(), L"de");
    EXPECT_EQ(frame->BrowserGoBtn->Left(), goLeft);
    // "Windows" (the empty code) reads left to right even where the system's language is Hebrew.
    const std::string savedDefault = DefaultLanguageCode;
    DefaultLanguageCode = "he";
    f->TranslateMainWindow(L"");
    DefaultLanguageCode = savedDefault;
    EXPECT_EQ(Application->BiDiMode(), bdLeftToRight);
    EXPECT_EQ(f->mmnuPage->Caption(), L"he"); // the system language's file
    // A language without a file puts English back, on the tab's toolbar too.
    f->TranslateMainWindow(L"xx");
    EXPECT_EQ(frame->tb_BackBtn->Caption(), L"Back");
    EXPECT_EQ(frame->tb_BackBtn->Hint(), L"Back (Alt+Left)");
    bool canClose = false;
    f->FormCloseQuery(canClose);
}

TEST_F(VMainTranslate, TheSavedPaneSideCountsFromWhereTheReadingStarts) {
    Watchdog w(60000, "pane side");
    WriteLang(L"he", L"mmnuPage=he\r\n");
    Seed(L"LangCode", L"he");
    // Each start puts the pane where the last close left it.
    for (const wchar_t* side : {L"start", L"again", L"far side"}) {
        if (side == std::wstring(L"far side"))
            Seed(L"NavigateOnRight", L"1");
        auto form = Start();
        TVMainForm* f = form->Form;
        EXPECT_EQ(f->LeftPanel->Left() > 10, side != std::wstring(L"far side")) << side;
        bool canClose = false;
        f->FormCloseQuery(canClose);
        EXPECT_EQ(Value(L"NavigateOnRight"), side == std::wstring(L"far side") ? L"1" : L"0") << side;
        Application->SetBiDiMode(bdLeftToRight); // as a new run starts
    }
}
