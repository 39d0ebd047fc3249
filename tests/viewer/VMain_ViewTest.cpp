// The main window's view: zoom through its items, the wheel and the status bar's panel; the
// pane collapsed and restored, moved to the right and back; the colour themes with the
// colour dialog; the navigation font size; what a close saves of them; zoom, text size and
// the address bar reaching the tabs' pages (browser doubles).
#include "VMainFixture.h"

#include "FBrowserFrame.h"
#include "FakeBrowserView.h"

#include "TntButtons.h"
#include "TntComCtrls.h"
#include "TntDialogs.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UUtilsW.h"
#include "UWebDataModule.h"
#include "qenPathViewer.h"
#include "qenSmartTabs.h"

#include "../vcl/VclTestSupport.h"

using namespace vcltest;

namespace {

class VMainViewTest : public VMainFixture {
protected:
    static std::wstring ZoomPanel(TVMainForm* F) { return F->StatusBar1->Panels()->Items(2)->Text(); }
    static int ZoomPanelX(TVMainForm* F) {
        TStatusPanels* p = F->StatusBar1->Panels();
        return p->Items(0)->Width() + p->Items(1)->Width() + 10;
    }
    // The fixed zoom items marked in the Zoom menu; the status bar's zoom menu marks the same.
    static std::wstring CheckedZoomItems(TVMainForm* F) {
        std::wstring checked, popup;
        for (TTntMenuItem* item : {F->mnuZoom400, F->mnuZoom200, F->mnuZoom150, F->mnuZoom125, F->mnuZoom100,
                                   F->mnuZoom75, F->mnuZoom50})
            if (item->Checked())
                checked += std::to_wstring(item->Tag) + L" ";
        for (int i = 0; i < F->ZoomPopupMenu->Items()->Count(); ++i)
            if (TMenuItem* item = F->ZoomPopupMenu->Items()->Items(i); item->Checked())
                popup += std::to_wstring(item->Tag) + L" ";
        EXPECT_EQ(popup, checked);
        return checked;
    }
    // The strongest difference of the pixels in R from the colour Back: how plainly what is
    // drawn there stands out.
    static int Strongest(const TWindowShot& Shot, const RECT& R, COLORREF Back) {
        int most = 0;
        for (int y = std::max(0L, R.top); y < std::min<long>(Shot.Height, R.bottom); ++y)
            for (int x = std::max(0L, R.left); x < std::min<long>(Shot.Width, R.right); ++x) {
                const COLORREF c = Shot.At(x, y);
                most = std::max(most, std::abs(GetRValue(c) - GetRValue(Back)) + std::abs(GetGValue(c) - GetGValue(Back)) +
                                          std::abs(GetBValue(c) - GetBValue(Back)));
            }
        return most;
    }
    void Close(TVMainForm* F) {
        bool canClose = false;
        F->FormCloseQuery(canClose);
    }
};

} // namespace

TEST_F(VMainViewTest, ZoomIsClampedStoredAndShownWhicheverWayItComes) {
    Watchdog w(60000, "zoom");
    auto form = Start();
    TVMainForm* f = form->Form;
    EXPECT_EQ(ZoomPanel(f), L"Zoom: 100%");
    EXPECT_EQ(CheckedZoomItems(f), L"100 ");

    // The fixed items, then one step past the top: the zoom stays at 400 %.
    f->mmnuZoomInClick(f->mnuZoom400);
    f->mmnuZoomInClick(f->mmnuZoomIn);
    EXPECT_FLOAT_EQ(f->Zoom, 4.0f);
    EXPECT_EQ(ZoomPanel(f), L"Zoom: 400%");
    EXPECT_EQ(CheckedZoomItems(f), L"400 ");
    // Ctrl and the wheel step one percent; no fixed item is checked between them.
    bool handled = false;
    f->TntFormMouseWheel(ssCtrl, -120, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(ZoomPanel(f), L"Zoom: 399%");
    EXPECT_EQ(CheckedZoomItems(f), L"");
    handled = false;
    f->TntFormMouseWheel(0, -120, handled); // without Ctrl the page scrolls
    EXPECT_FALSE(handled);
    EXPECT_EQ(ZoomPanel(f), L"Zoom: 399%");
    // The bottom: 10 % and no lower.
    f->mmnuZoomInClick(f->mnuZoom50);
    for (int i = 0; i < 45; ++i)
        f->mmnuZoomInClick(f->mnuZoomOut2);
    EXPECT_EQ(ZoomPanel(f), L"Zoom: 10%");
    EXPECT_FLOAT_EQ(f->Zoom, 0.1f);

    // Clicks on the zoom panel step 75, 100, 125, 150 and back to 75; other panels do nothing.
    const int x = ZoomPanelX(f);
    std::wstring steps;
    for (int i = 0; i < 5; ++i) {
        f->StatusBar1MouseUp(mbLeft, x, 5);
        steps += ZoomPanel(f) + L"|";
    }
    EXPECT_EQ(steps, L"Zoom: 75%|Zoom: 100%|Zoom: 125%|Zoom: 150%|Zoom: 75%|");
    f->StatusBar1MouseUp(mbLeft, 5, 5);
    EXPECT_EQ(ZoomPanel(f), L"Zoom: 75%");
    // A stored zoom comes back as it was.
    f->mmnuZoomInClick(f->mnuZoom125);
    f->mmnuZoomInClick(f->mmnuZoomIn);
    Close(f);
    EXPECT_EQ(Value(L"Zoom"), L"126");
    form.reset();
    form = Start();
    EXPECT_EQ(ZoomPanel(form->Form), L"Zoom: 126%");
}

TEST_F(VMainViewTest, ThePaneCollapsesRestoresAndChangesSides) {
    Watchdog w(60000, "pane");
    auto form = Start();
    TVMainForm* f = form->Form;
    const int width = f->LeftPanel->Width();
    ASSERT_GT(width, 200);
    // Twice collapses and gives the width back; the splitter follows the pane.
    f->mmnuNavigationPaneClick();
    EXPECT_EQ(f->LeftPanel->Width(), 0);
    EXPECT_LE(f->TntSplitter1->Left(), f->TntSplitter1->Width() + 1);
    f->mmnuNavigationPaneClick();
    EXPECT_EQ(f->LeftPanel->Width(), width);
    EXPECT_EQ(f->TntSplitter1->Left(), width);
    // Dragged to the window's edge through a narrow width, the pane closes instead of keeping a
    // strip of cut controls; Ctrl+0 gives back its width from before the drag.
    {
        TTntSplitter* s = f->TntSplitter1;
        const int down = s->Left() + 2;
        auto mouse = [&](UINT Msg, int PaneWidth) {
            const int x = down + PaneWidth - width - s->Left();
            s->Perform(Msg, Msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, 5));
        };
        mouse(WM_LBUTTONDOWN, width);
        for (int w : {200, 120, 33, 11})
            mouse(WM_MOUSEMOVE, w);
        mouse(WM_LBUTTONUP, 5);
        EXPECT_EQ(f->LeftPanel->Width(), 0);
        EXPECT_FALSE(f->mmnuNavigationPane->Checked());
        for (int i = 0; i < 3; ++i) {
            f->mmnuNavigationPaneClick();
            EXPECT_EQ(f->LeftPanel->Width(), i % 2 ? 0 : width) << i;
        }
    }
    // A page command opens a collapsed pane.
    f->mmnuNavigationPaneClick();
    f->mmnuIndexPageClick();
    EXPECT_EQ(f->NavPageControl->ActivePage(), f->TabSheetIndex);
    EXPECT_EQ(f->LeftPanel->Width(), width);

    // To the right and back: the splitter is on the pane's inner side each time.
    f->mmnuNavigationRightClick();
    EXPECT_GT(f->LeftPanel->Left(), 10);
    EXPECT_LT(f->TntSplitter1->Left(), f->LeftPanel->Left());
    f->mmnuNavigationPaneClick();
    f->mmnuNavigationPaneClick();
    EXPECT_EQ(f->LeftPanel->Width(), width);
    EXPECT_LT(f->TntSplitter1->Left(), f->LeftPanel->Left());
    Close(f);
    EXPECT_EQ(Value(L"NavigateOnRight"), L"1");
    f->mmnuNavigationRightClick();
    EXPECT_EQ(f->LeftPanel->Left(), 0);
    EXPECT_GT(f->TntSplitter1->Left(), f->LeftPanel->Width() - 1);
    Close(f);
    EXPECT_EQ(Value(L"NavigateOnRight"), L"0");
    // The status text panel takes what the other two leave; the zoom panel keeps its width.
    f->SetWidth(900);
    const int wide = f->StatusBar1->Panels()->Items(0)->Width();
    f->SetWidth(700);
    EXPECT_EQ(f->StatusBar1->Panels()->Items(0)->Width(), wide - 200);
    EXPECT_EQ(f->StatusBar1->Panels()->Items(2)->Width(), 166);
}

TEST_F(VMainViewTest, ColourThemesAndTheColourDialogAreSavedAsChosen) {
    Watchdog w(60000, "themes");
    const auto saved = TntChooseColorFunc;
    auto form = Start();
    TVMainForm* f = form->Form;
    // The theme in use carries the menu's mark, colours of one's own none.
    auto marked = [f] {
        std::wstring names;
        for (TTntMenuItem* item : {f->Default1, f->VSBlueGray1, f->DeepSeaBlue2, f->LightSkyBlue1})
            if (item->Checked())
                names += item->Name();
        return names;
    };
    EXPECT_EQ(marked(), L"LightSkyBlue1");
    f->ColorThemeClick(f->VSBlueGray1);
    EXPECT_EQ(marked(), L"VSBlueGray1");
    EXPECT_EQ(f->ThemeBackground, RGB(0x44, 0x58, 0x7C));
    EXPECT_EQ(f->ThemeText, RGB(0xEA, 0xF4, 0xFF));
    EXPECT_EQ(f->Color(), RGB(0x44, 0x58, 0x7C));
    EXPECT_EQ(f->Font()->Color(), RGB(0xEA, 0xF4, 0xFF));
    // The dialog starts from the colour it changes; Cancel changes nothing.
    COLORREF offered = 0;
    TntChooseColorFunc = [&](CHOOSECOLORW& Data) {
        offered = Data.rgbResult;
        Data.rgbResult = RGB(0x12, 0x34, 0x56);
        return TRUE;
    };
    f->ColorThemeClick(f->SetTextColor1);
    EXPECT_EQ(offered, RGB(0xEA, 0xF4, 0xFF));
    EXPECT_EQ(f->ThemeText, RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(f->ThemeBackground, RGB(0x44, 0x58, 0x7C));
    EXPECT_EQ(marked(), L"");
    TntChooseColorFunc = [](CHOOSECOLORW&) { return FALSE; };
    f->ColorThemeClick(f->SetBackgroundColor1);
    EXPECT_EQ(f->ThemeBackground, RGB(0x44, 0x58, 0x7C));
    TntChooseColorFunc = saved;
    Close(f);
    EXPECT_EQ(Value(L"Color_Background4"), std::to_wstring(RGB(0x44, 0x58, 0x7C)));
    EXPECT_EQ(Value(L"Color_Text4"), std::to_wstring(RGB(0x12, 0x34, 0x56)));
    form.reset();
    form = Start();
    EXPECT_EQ(form->Form->ThemeText, RGB(0x12, 0x34, 0x56));
    // The default theme: the system's button colours.
    form->Form->ColorThemeClick(form->Form->Default1);
    EXPECT_EQ(form->Form->Color(), clBtnFace);
    EXPECT_TRUE(form->Form->Default1->Checked());
}

TEST_F(VMainViewTest, TheNavigationFontSizeIsAppliedAndTakenBack) {
    Watchdog w(60000, "font size");
    auto form = Start();
    TVMainForm* f = form->Form;
    WebDataModule->NavFontSize = 12;
    f->ApplyNavFontSize(true);
    EXPECT_EQ(f->TreeView1->Font()->Size(), 12);
    EXPECT_EQ(f->IndexLV->Font()->Size(), 12);
    EXPECT_EQ(f->IndexEdit->Font()->Size(), 12);
    EXPECT_EQ(f->IndexEdit->Height(), 26);
    f->ApplyNavFontSize(false);
    EXPECT_EQ(f->TreeView1->Font()->Size(), f->Font()->Size());
    EXPECT_EQ(f->IndexEdit->Font()->Size(), f->Font()->Size());
    // Small sizes leave the edit alone; none at all changes nothing.
    WebDataModule->NavFontSize = 7;
    f->ApplyNavFontSize(true);
    EXPECT_EQ(f->IndexLV->Font()->Size(), 7);
    EXPECT_NE(f->IndexEdit->Font()->Size(), 7);
    WebDataModule->NavFontSize = 0;
    f->ApplyNavFontSize(false);
    EXPECT_EQ(f->IndexLV->Font()->Size(), 7);
}

TEST_F(VMainViewTest, AlwaysOnTopComesBackAtTheStartAndFollowsTheMenu) {
    Watchdog w(60000, "on top");
    Seed(L"StayOnTop", L"1");
    auto form = Start();
    TVMainForm* f = form->Form;
    const auto topmost = [f] { return (GetWindowLongW(f->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; };
    f->Show();
    EXPECT_TRUE(f->mnuStayOnTop->Checked());
    EXPECT_TRUE(topmost());
    f->mnuStayOnTop->Click();
    EXPECT_FALSE(f->mnuStayOnTop->Checked());
    EXPECT_FALSE(topmost());
    Close(f);
    EXPECT_EQ(Value(L"StayOnTop"), L"0");
}

TEST_F(VMainViewTest, TheOnlineVersionOfAPageOpensThroughTheNavigation) {
    Watchdog w(60000, "online version");
    auto form = Start();
    TVMainForm* f = form->Form;
    // No page shown (a new tab): nothing opens.
    f->NewTab();
    const size_t before = LogText().size();
    f->mmnuOnlineOfflineClick();
    EXPECT_EQ(LogText().find(L">> GotoUrl:", before), std::wstring::npos);
    // The catalog's home page names no topic: nothing opens, the status line says so.
    f->OpenOnlineVersion(L"http://127.0.0.1:9/help/1/ms.help?method=page&id=-1&topicversion=100&format=html");
    EXPECT_EQ(LogText().find(L">> GotoUrl:", before), std::wstring::npos);
    EXPECT_EQ(f->StatusBar1->Panels()->Items(0)->Text(), L"This page has no online version");
    std::wstring expected;
    ASSERT_TRUE(WebDataModule->GetOnlineUrl(L"ms-xhelp:///?Id=T:System.String&topicversion=100", expected));
    EXPECT_NE(expected.find(L"/library/System.String(v=vs.100,d="), std::wstring::npos) << expected;
    f->OpenOnlineVersion(L"ms-xhelp:///?Id=T:System.String&topicversion=100");
    EXPECT_NE(LogText().find(L">> GotoUrl: " + expected, before), std::wstring::npos) << LogText();
}

namespace {

// The page view of tab Index (a browser double).
browserfakes::FakeBrowserView* PageOf(TVMainForm* F, int Index) {
    TBrowserFrame* frame = F->GetFrame(Index);
    return frame ? dynamic_cast<browserfakes::FakeBrowserView*>(frame->WebBrowser1) : nullptr;
}

// Loads a blank page into tab Index and returns its view.
browserfakes::FakeBrowserView* LoadBlank(TVMainForm* F, int Index) {
    browserfakes::FakeBrowserView* view = PageOf(F, Index);
    if (view) {
        view->Navigate(L"about:blank");
        view->Flush();
    }
    return view;
}

} // namespace

TEST_F(VMainViewTest, ZoomTextSizeAndTheAddressBarReachTheTabs) {
    Watchdog w(60000, "tab pages");
    browserfakes::FakeViewsInPlace fakes;
    const float savedZoom = PageZoom;
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        f->NewTab();
        f->NewTab();
        ASSERT_EQ(f->SmartTabs->GetTabCount(), 3);
        // Tabs 0 and 1 show a page, tab 2 none yet.
        browserfakes::FakeBrowserView* shown[] = {LoadBlank(f, 0), LoadBlank(f, 1)};
        browserfakes::FakeBrowserView* empty = PageOf(f, 2);
        ASSERT_TRUE(shown[0] && shown[1] && empty);

        // Zoom: every page shown takes the same value; beyond 400 % nothing unstored is shown.
        f->mmnuZoomInClick(f->mnuZoom150);
        for (auto* view : shown) {
            ASSERT_FALSE(view->Log->Zooms.empty());
            EXPECT_DOUBLE_EQ(view->Log->Zooms.back(), 1.5);
        }
        EXPECT_TRUE(empty->Log->Zooms.empty());
        f->mmnuZoomInClick(f->mnuZoom400);
        f->mmnuZoomInClick(f->mmnuZoomIn);
        EXPECT_DOUBLE_EQ(shown[1]->Log->Zooms.back(), 4.0);
        f->mmnuZoomInClick(f->mnuZoom125);
        EXPECT_FLOAT_EQ(PageZoom, 1.25f);

        // A page loaded later in a new tab comes with the current zoom.
        f->NewTab();
        browserfakes::FakeBrowserView* late = LoadBlank(f, f->SmartTabs->ActiveTab());
        ASSERT_TRUE(late && !late->Log->Zooms.empty());
        EXPECT_DOUBLE_EQ(late->Log->Zooms.back(), 1.25);

        // Text size: every page with a location, the chosen item alone checked.
        f->mmnuMediumClick(f->mmnuLargest);
        f->mmnuMediumClick(f->mmnuSmaller);
        for (auto* view : {shown[0], shown[1], late})
            EXPECT_EQ(view->TextSizes, (std::vector<int>{4, 1}));
        EXPECT_TRUE(empty->TextSizes.empty());
        EXPECT_TRUE(f->mmnuSmaller->Checked());
        EXPECT_FALSE(f->mmnuLargest->Checked());

        // The address bar: the active tab's box takes the focus with its text selected;
        // a hidden box is left alone.
        f->Show();
        SetActiveWindow(f->Handle());
        f->SmartTabs->SetActiveTab(1);
        TBrowserFrame* frame = f->ActiveFrame();
        ASSERT_EQ(frame, f->GetFrame(1));
        frame->FrameBasePanel->SetVisible(true); // as showing the tab does
        frame->UrlEdit->SetText(L"http://example.com/page");
        f->smnuAddressBarClick();
        EXPECT_EQ(f->ActiveControl(), frame->UrlEdit);
        EXPECT_EQ(frame->UrlEdit->SelStart(), 0);
        EXPECT_EQ(frame->UrlEdit->SelLength(), 23);
        f->smnuGotoSearchClick();
        TWinControl* before = f->ActiveControl();
        ASSERT_NE(before, frame->UrlEdit);
        frame->UrlEdit->SetVisible(false);
        f->smnuAddressBarClick();
        EXPECT_EQ(f->ActiveControl(), before);
        Close(f);
    }
    PageZoom = savedZoom;
}

TEST_F(VMainViewTest, ThemeColoursReachEveryTabFrameAndTabsMadeLater) {
    Watchdog w(60000, "frame themes");
    const TColor savedBack = FrameThemeBackground, savedText = FrameThemeText;
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        f->NewTab();
        auto themed = [&](TBrowserFrame* Frame, TColor Back, TColor Text) {
            EXPECT_EQ(Frame->ToolbarPanel->Color(), Back);
            EXPECT_EQ(Frame->ToolBar1->Color(), Back);
            EXPECT_EQ(Frame->ToolBar1->Font()->Color(), Text);
            EXPECT_EQ(Frame->qenPathViewer1->Color(), Back);
            EXPECT_EQ(Frame->qenPathViewer1->Font()->Color(), Text);
            // The address box keeps the window's background, as the window's own edit boxes do.
            EXPECT_EQ(Frame->UrlEdit->Color(), clWindow);
        };
        // The start-up theme (the saved one, else Light Sky Blue) is on the first tab already.
        themed(f->GetFrame(0), f->ThemeBackground, f->ThemeText);
        f->ColorThemeClick(f->DeepSeaBlue2);
        for (int i = 0; i < 2; ++i)
            themed(f->GetFrame(i), RGB(0x21, 0x4E, 0x7A), RGB(0xEA, 0xF4, 0xFF));
        f->NewTab();
        themed(f->ActiveFrame(), RGB(0x21, 0x4E, 0x7A), RGB(0xEA, 0xF4, 0xFF));
        f->ColorThemeClick(f->Default1);
        for (int i = 0; i < 3; ++i)
            themed(f->GetFrame(i), clBtnFace, clBtnText);
        Close(f);
    }
    FrameThemeBackground = savedBack;
    FrameThemeText = savedText;
}

// Each theme to each other: every control is painted again whole (the tree, the window's
// panels, the tab strip and a tab's tool bar show their own colours, not what a parent painted
// over them), and disabled tool buttons look dimmer than the enabled ones.
TEST_F(VMainViewTest, EveryThemeChangePaintsEveryControlAnew) {
    Watchdog w(120000, "theme painting");
    const TColor savedBack = FrameThemeBackground, savedText = FrameThemeText;
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        f->Show();
        TBrowserFrame* frame = f->ActiveFrame();
        ASSERT_TRUE(frame);
        frame->FrameBasePanel->SetVisible(true); // as showing the tab does
        f->mmnuTocPageClick();
        auto paintNow = [f] { RedrawWindow(f->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); };
        TTntMenuItem* const themes[] = {f->Default1, f->VSBlueGray1, f->DeepSeaBlue2, f->LightSkyBlue1};
        for (TTntMenuItem* from : themes)
            for (TTntMenuItem* to : themes) {
                if (from == to)
                    continue;
                f->ColorThemeClick(from);
                paintNow();
                f->ColorThemeClick(to);
                paintNow();
                std::string step;
                for (wchar_t c : from->Name() + L" to " + to->Name())
                    step += static_cast<char>(c);
                SCOPED_TRACE(step);
                const COLORREF back = ColorToRGB(f->ThemeBackground);
                const TWindowShot tree = ShootWindow(f->TreeView1->Handle());
                EXPECT_EQ(tree.At(tree.Width - 3, tree.Height - 3), ColorToRGB(clWindow));
                EXPECT_EQ(ShootWindow(f->CatalogPanel->Handle()).At(1, 1), back);
                // The search button's magnifier stands out from the button's face.
                const TWindowShot search = ShootWindow(f->SearchBtnPanel->Handle());
                EXPECT_GT(Strongest(search, RECT{0, 0, search.Width, search.Height}, search.At(1, 1)), 300);
                const TWindowShot tabs = ShootWindow(f->SmartTabs->Handle());
                EXPECT_EQ(tabs.At(tabs.Width - 3, 2), back);
                TTntToolBar* bar = frame->ToolBar1;
                const TWindowShot buttons = ShootWindow(bar->Handle());
                EXPECT_EQ(buttons.At(buttons.Width - 2, 1), back);
                int dimmestEnabled = 10000, boldestDisabled = -1;
                for (int i = 0; i < bar->ButtonCount(); ++i) {
                    TToolButton* b = bar->Buttons(i);
                    if (!b->Visible())
                        continue;
                    const int s = Strongest(buttons, b->BoundsRect(), back);
                    (b->Enabled() ? dimmestEnabled : boldestDisabled) =
                        b->Enabled() ? std::min(dimmestEnabled, s) : std::max(boldestDisabled, s);
                }
                ASSERT_GE(boldestDisabled, 0);
                ASSERT_LT(dimmestEnabled, 10000);
                EXPECT_LT(boldestDisabled, dimmestEnabled);
                // A button lit under the pointer keeps its caption readable on the face it gets.
                for (int i = 0; i < bar->ButtonCount(); ++i)
                    if (TToolButton* b = bar->Buttons(i); b->Visible() && b->Enabled()) {
                        SendMessageW(bar->Handle(), TB_SETHOTITEM, i, 0);
                        RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
                        const TWindowShot lit = ShootWindow(bar->Handle());
                        RECT r = b->BoundsRect();
                        const COLORREF face = lit.At(r.left + 3, (r.top + r.bottom) / 2);
                        InflateRect(&r, -3, -3);
                        EXPECT_GT(Strongest(lit, r, face), 250) << "lit " << i;
                        SendMessageW(bar->Handle(), TB_SETHOTITEM, static_cast<WPARAM>(-1), 0);
                        break;
                    }
            }
        Close(f);
    }
    FrameThemeBackground = savedBack;
    FrameThemeText = savedText;
}

// A background of the user's own, light or mid after a theme with light text, dark after one
// with dark text: the tool
// buttons' captions and the breadcrumb's text and arrow stand out from it, the disabled
// captions less than the enabled ones but still plainly.
TEST_F(VMainViewTest, TextOnACustomBackgroundStaysReadable) {
    Watchdog w(60000, "custom background");
    const TColor savedBack = FrameThemeBackground, savedText = FrameThemeText;
    const auto savedChoose = TntChooseColorFunc;
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        f->Show();
        TBrowserFrame* frame = f->ActiveFrame();
        ASSERT_TRUE(frame);
        frame->FrameBasePanel->SetVisible(true);
        frame->qenPathViewer1->SetPath(L"Visual Studio 2010\\Library");
        const std::pair<TTntMenuItem*, COLORREF> steps[] = {{f->VSBlueGray1, RGB(0xF4, 0xEC, 0xD8)},
                                                            {f->VSBlueGray1, RGB(0x80, 0x80, 0x80)},
                                                            {f->LightSkyBlue1, RGB(0x30, 0x30, 0x30)}};
        for (const auto& [theme, chosen] : steps) {
            SCOPED_TRACE(std::to_string(chosen));
            f->ColorThemeClick(theme);
            TntChooseColorFunc = [chosen](CHOOSECOLORW& Data) {
                Data.rgbResult = chosen;
                return TRUE;
            };
            f->ColorThemeClick(f->SetBackgroundColor1);
            RedrawWindow(f->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            TTntToolBar* bar = frame->ToolBar1;
            const TWindowShot buttons = ShootWindow(bar->Handle());
            ASSERT_EQ(buttons.At(buttons.Width - 2, 1), chosen);
            int dimmestEnabled = 10000, boldestDisabled = -1, dimmestDisabled = 10000;
            for (int i = 0; i < bar->ButtonCount(); ++i) {
                TToolButton* b = bar->Buttons(i);
                if (!b->Visible())
                    continue;
                const int s = Strongest(buttons, b->BoundsRect(), chosen);
                if (b->Enabled()) {
                    dimmestEnabled = std::min(dimmestEnabled, s);
                } else {
                    boldestDisabled = std::max(boldestDisabled, s);
                    dimmestDisabled = std::min(dimmestDisabled, s);
                }
            }
            ASSERT_GE(boldestDisabled, 0);
            EXPECT_GT(dimmestEnabled, 300);
            EXPECT_LT(boldestDisabled, dimmestEnabled);
            EXPECT_GT(dimmestDisabled, 100);
            const TWindowShot path = ShootWindow(frame->qenPathViewer1->Handle());
            EXPECT_GT(Strongest(path, RECT{2, 2, path.Width - 2, path.Height - 2}, chosen), 300);
        }
        Close(f);
    }
    TntChooseColorFunc = savedChoose;
    FrameThemeBackground = savedBack;
    FrameThemeText = savedText;
}

// The edit boxes keep the system's white under every theme, so they keep its dark text too; the
// window, its panels and labels take the theme's colours.
TEST_F(VMainViewTest, EditBoxesStayReadableUnderDarkThemes) {
    Watchdog w(60000, "readable edits");
    const TColor savedBack = FrameThemeBackground, savedText = FrameThemeText;
    {
        auto form = Start();
        TVMainForm* f = form->Form;
        f->NewTab();
        const COLORREF windowText = GetSysColor(COLOR_WINDOWTEXT);
        WebDataModule->NavFontSize = 12;
        f->ApplyNavFontSize(true); // the index edit's font is its own from here on, but for its colour
        auto readable = [&](const char* Theme) {
            SCOPED_TRACE(Theme);
            EXPECT_EQ(PaintedTextColour(f->SearchEdit, WM_CTLCOLOREDIT), windowText);
            EXPECT_EQ(PaintedTextColour(f->IndexEdit, WM_CTLCOLOREDIT), windowText);
            EXPECT_EQ(PaintedTextColour(f->CatalogCbo, WM_CTLCOLOREDIT), windowText);
            for (int i = 0; i < 2; ++i)
                EXPECT_EQ(PaintedTextColour(f->GetFrame(i)->UrlEdit, WM_CTLCOLOREDIT), windowText);
            // The lists set no text colour: they draw with the system's (-1 or CLR_DEFAULT say so).
            for (TWinControl* list : {static_cast<TWinControl*>(f->TreeView1), static_cast<TWinControl*>(f->IndexLV)}) {
                const UINT get = list == f->TreeView1 ? TVM_GETTEXTCOLOR : LVM_GETTEXTCOLOR;
                const auto colour = static_cast<COLORREF>(SendMessageW(list->Handle(), get, 0, 0));
                EXPECT_TRUE(colour == CLR_DEFAULT || colour == CLR_NONE || colour == windowText) << std::hex << colour;
            }
        };
        f->ColorThemeClick(f->DeepSeaBlue2);
        readable("Deep Sea Blue");
        // The pages keep the system's face: their labels and buttons its text colour.
        f->Show();
        const COLORREF face = ColorToRGB(clBtnFace);
        const std::pair<TControl*, TTntTabSheet*> onPages[] = {{f->SelectedBookLabel, f->TabSheetFilters},
                                                               {f->FavBackBtn, f->TabSheetBookmarks}};
        for (const auto& [control, page] : onPages) {
            f->NavPageControl->SetActivePage(page);
            RedrawWindow(f->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
            RECT inside = control->BoundsRect(); // a button's edges left out
            InflateRect(&inside, -3, -3);
            EXPECT_GT(Strongest(ShootWindow(control->Parent()->Handle()), inside, face), 300) << control->Name().size();
        }
        EXPECT_EQ(f->SearchEdit->Font()->Color(), RGB(0xEA, 0xF4, 0xFF)); // the font is still the window's
        EXPECT_EQ(f->LeftPanel->Color(), RGB(0x21, 0x4E, 0x7A));
        EXPECT_EQ(f->SelectedBookLabel->Font()->Color(), RGB(0xEA, 0xF4, 0xFF));
        EXPECT_EQ(f->GetFrame(1)->qenPathViewer1->Font()->Color(), RGB(0xEA, 0xF4, 0xFF));
        EXPECT_EQ(f->IndexEdit->Font()->Size(), 12);
        // A size given to the window still reaches the edit boxes.
        f->Font()->SetSize(f->Font()->Size() + 2);
        EXPECT_EQ(f->SearchEdit->Font()->Size(), f->Font()->Size());
        readable("Deep Sea Blue, larger");

        f->ColorThemeClick(f->Default1);
        readable("Default");
        EXPECT_EQ(f->Font()->Color(), clBtnText);
        EXPECT_EQ(f->SelectedBookLabel->Font()->Color(), clBtnText);
        EXPECT_EQ(f->LeftPanel->Color(), clBtnFace);
        Close(f);
    }
    WebDataModule->NavFontSize = 0;
    FrameThemeBackground = savedBack;
    FrameThemeText = savedText;
}

TEST_F(VMainViewTest, TheTabAreaBevelFacesThePaneOnEitherSide) {
    Watchdog w(60000, "bevel");
    auto form = Start();
    TVMainForm* f = form->Form;
    auto bevelFacesPane = [&] {
        const bool paneRight = f->LeftPanel->Left() > f->TabsPanel->Left();
        EXPECT_EQ(f->TabsPanel->BevelEdges(), paneRight ? beRight : beLeft) << "pane right " << paneRight;
        // The tab strip and the pages leave the bevel visible on that edge only.
        const int inset = f->DockPanel->Left();
        const int right = f->TabsPanel->ClientWidth() - (f->DockPanel->Left() + f->DockPanel->Width());
        EXPECT_EQ(paneRight ? right : inset, 2);
        EXPECT_EQ(paneRight ? inset : right, 0);
        EXPECT_EQ(f->SmartTabs->Left(), f->DockPanel->Left());
    };
    EXPECT_NE(f->TabsPanel->BevelOuter(), bvNone);
    bevelFacesPane();
    f->mmnuNavigationRightClick();
    bevelFacesPane();
    f->mmnuNavigationRightClick();
    bevelFacesPane();
    // A right-to-left language puts the pane on the right.
    f->ApplyBiDiLayout(L"he");
    bevelFacesPane();
    f->ApplyBiDiLayout(L"en");
    bevelFacesPane();
    Close(f);
}

TEST_F(VMainViewTest, EveryToolbarButtonShowsInsideItsBar) {
    Watchdog w(60000, "toolbar");
    auto form = Start();
    TVMainForm* f = form->Form;
    f->Show();
    TBrowserFrame* frame = f->ActiveFrame();
    ASSERT_TRUE(frame);
    frame->FrameBasePanel->SetVisible(true); // as showing the tab does
    auto allShown = [&](const char* Where) {
        TTntToolBar* bar = frame->ToolBar1;
        const RECT client = bar->ClientRect();
        for (int i = 0; i < bar->ButtonCount(); ++i) {
            TToolButton* b = bar->Buttons(i);
            if (!b->Visible())
                continue;
            const RECT r = b->BoundsRect();
            EXPECT_TRUE(r.left >= client.left && r.top >= client.top && r.right <= client.right &&
                        r.bottom <= client.bottom && r.right > r.left)
                << Where << ": " << i << " (" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom
                << ") in " << client.right << "x" << client.bottom;
        }
        // The bars below start under the tool bar and stay inside the panel.
        EXPECT_GE(frame->UrlEdit->Top(), bar->Top() + bar->Height()) << Where;
        EXPECT_GT(frame->qenPathViewer1->Top(), frame->UrlEdit->Top() + frame->UrlEdit->Height()) << Where;
        EXPECT_LE(frame->qenPathViewer1->Top() + frame->qenPathViewer1->Height(), frame->ToolbarPanel->ClientHeight())
            << Where;
    };
    allShown("default size");
    // One row there, as the bars below were designed for.
    const int oneRow = frame->ToolbarPanel->Height();
    EXPECT_EQ(frame->ToolBar1->Height(), frame->UrlEdit->Top() - 1);
    for (int i = 0; i < frame->ToolBar1->ButtonCount(); ++i)
        EXPECT_EQ(frame->ToolBar1->Buttons(i)->Top(), 0) << i;
    // A narrow window: the buttons take more rows, the bars below move down.
    f->SetWidth(640);
    allShown("narrow");
    const int twoRows = frame->ToolbarPanel->Height();
    EXPECT_GT(twoRows, oneRow);
    // Right to left and back, at that width: the recreated bar keeps its rows.
    const std::wstring he = ProgramFolder() + L"\\vorlane.lang.he";
    testing_support::WriteBytes(he, testing_support::Utf16Bytes(L"[main]\r\nmmnuPage=he\r\n"));
    for (const wchar_t* code : {L"he", L""}) {
        f->TranslateMainWindow(code);
        allShown(code[0] ? "right to left" : "left to right again");
        EXPECT_EQ(frame->ToolbarPanel->Height(), twoRows) << (code[0] ? "right to left" : "left to right");
    }
    DeleteFileW(he.c_str());
    Application->SetBiDiMode(bdLeftToRight);
    f->SetWidth(1000);
    allShown("wide again");
    EXPECT_EQ(frame->ToolbarPanel->Height(), oneRow);
    // Long translated captions wrap as well; the English ones come back in one row.
    const auto savedTexts = ToolbarTexts;
    ToolbarTexts[ttBackBtn] = L"Zur\u00fcck zur vorherigen Seite dieses Registers";
    ToolbarTexts[ttBookmark] = L"Lesezeichen f\u00fcr diese Seite anlegen";
    frame->ApplyToolbarTexts();
    allShown("translated");
    EXPECT_GT(frame->ToolbarPanel->Height(), oneRow);
    ToolbarTexts = savedTexts;
    frame->ApplyToolbarTexts();
    EXPECT_EQ(frame->ToolbarPanel->Height(), oneRow);
    Close(f);
}

// Keys the window's key rules act on show in the shortcut column of their items, in the
// keyboard's words as every shortcut does; no caption carries a key text of its own.
TEST_F(VMainViewTest, MenuItemsShowTheirKeysInTheShortcutColumn) {
    Watchdog w(60000, "menu keys");
    auto form = Start();
    TVMainForm* f = form->Form;
    f->ShowTab(f->NewTab());
    std::wstring faults;
    for (TComponent* owner : {static_cast<TComponent*>(f), static_cast<TComponent*>(f->ActiveFrame())})
        for (int i = 0; i < owner->ComponentCount(); ++i)
            if (auto* item = dynamic_cast<TMenuItem*>(owner->Components(i))) {
                const std::wstring& caption = item->Caption();
                if (caption.find(L'\t') != std::wstring::npos || caption.find(L"Ctrl+") != std::wstring::npos)
                    faults += item->Name() + L" ";
            }
    EXPECT_EQ(faults, L"");
    EXPECT_EQ(f->mmnuNextTab->ShortCutText(), WideShortCutToText(scCtrl | VK_TAB));
    EXPECT_EQ(f->mmnuPreviousTab->ShortCutText(), WideShortCutToText(scCtrl | scShift | VK_TAB));
    EXPECT_EQ(f->mmnuRefresh->ShortCutText(), WideShortCutToText(VK_F5));
    EXPECT_EQ(f->mmnuOnlineOffline->ShortCutText(), WideShortCutToText(VK_F8));
    EXPECT_EQ(f->TabMenu_NewTab->ShortCutText(), f->mmnuNewTab->ShortCutText());
    Close(f);
}

// A 640 x 480 screen, at the usual and at double font height: nothing overlaps or leaves the
// window, the pane leaves the page most of the width, the tool bar takes two rows at most (three
// at double height) and three tabs show more of their titles than a letter; a wider window gives
// the pane its width back.
TEST_F(VMainViewTest, TheWindowStaysUsableOnA640By480Screen) {
    Watchdog w(120000, "640 x 480");
    // The screen's work area is 640 x 480 while the window is placed.
    struct SmallWorkArea {
        RECT Saved{};
        SmallWorkArea() {
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &Saved, 0);
            RECT small{0, 0, 640, 480};
            SystemParametersInfoW(SPI_SETWORKAREA, 0, &small, 0);
        }
        ~SmallWorkArea() { SystemParametersInfoW(SPI_SETWORKAREA, 0, &Saved, 0); }
    };
    // The strip's "+" lies whole inside the window's client area and on the screen.
    auto addButtonShown = [](TVMainForm* F) {
        const TSmartTabsPolygon plus = SmartTabsAddButtonPolygon(F->SmartTabs->Geometry());
        RECT client = F->ClientRect(), work = Screen->WorkAreaRect();
        MapWindowPoints(F->Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
        for (POINT p : plus) {
            p = F->SmartTabs->ClientToScreen(p);
            if (p.x < std::max(client.left, work.left) || p.x >= std::min(client.right, work.right))
                return false;
        }
        return true;
    };
    for (int factor : {1, 2}) {
        SCOPED_TRACE(factor);
        LargerFonts fonts(factor);
        auto form = Start();
        TVMainForm* f = form->Form;
        {
            SmallWorkArea small;
            f->Show();
            RECT window;
            GetWindowRect(f->Handle(), &window);
            EXPECT_TRUE(window.left >= 0 && window.top >= 0 && window.right <= 640 && window.bottom <= 480)
                << window.left << "," << window.top << " " << window.right << "," << window.bottom;
            for (int i = 1; i < 6; ++i) {
                f->ShowTab(f->NewTab());
                EXPECT_TRUE(addButtonShown(f)) << i + 1 << " tabs";
            }
            for (int i = 5; i >= 3; --i)
                f->CloseTab(i);
            DebugForm->ShowDebugWindow(true);
            GetWindowRect(DebugForm->Handle(), &window);
            EXPECT_TRUE(window.left >= 0 && window.right <= 640 && window.bottom <= 480) << window.right;
            DebugForm->ShowDebugWindow(false);
        }
        f->SetBounds(0, 0, 640, 480);
        for (int i = 0; i < 3; ++i)
            f->SmartTabs->SetTabCaption(i, L"Visual Studio 2010 page " + std::to_wstring(i));
        TBrowserFrame* frame = f->ActiveFrame();
        ASSERT_TRUE(frame);
        const std::wstring faults = LayoutFaults(f, {f->SlitterImage1}); // the pane's collapse image lies on the splitter
        EXPECT_EQ(faults, L"");
        const int page = frame->WebBrowser1->Control()->Width();
        EXPECT_GE(page, f->ClientWidth() * 11 / 20) << "page " << page;
        const int row = frame->tb_BackBtn->Height();
        EXPECT_LE(frame->ToolBar1->Height(), (factor == 1 ? 2 : 3) * row + 2);
        const TSmartTabsGeometry g = f->SmartTabs->Geometry();
        const RECT caption = SmartTabsCaptionRect(g, 1, false, true);
        EXPECT_GE(caption.right - caption.left, f->SmartTabs->Canvas()->TextWidth(L"Visu\u2026"));
        if (factor == 1) {
            // A cut caption shows whole as the tab's hint.
            const RECT tab = SmartTabsTabBounds(g, 1);
            Application->ActivateHint(f->SmartTabs->ClientToScreen(POINT{(tab.left + tab.right) / 2, 15}));
            THintWindow* hint = Application->HintWindow();
            EXPECT_TRUE(hint && hint->IsShowing());
            EXPECT_EQ(hint ? hint->GetText() : L"", L"Visual Studio 2010 page 1");
            Application->CancelHint();
            // With 50 tabs "+" stays whole, and a click on it opens one more.
            while (f->SmartTabs->GetTabCount() < 50)
                f->ShowTab(f->NewTab());
            EXPECT_TRUE(addButtonShown(f));
            const TSmartTabsPolygon plus = SmartTabsAddButtonPolygon(f->SmartTabs->Geometry());
            const LPARAM middle = MAKELPARAM((plus[1].x + plus[6].x) / 2, plus[0].y - 4);
            SendMessageW(f->SmartTabs->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, middle);
            SendMessageW(f->SmartTabs->Handle(), WM_LBUTTONUP, 0, middle);
            EXPECT_EQ(f->SmartTabs->GetTabCount(), 51);
            while (f->SmartTabs->GetTabCount() > 3)
                f->CloseTab(3);
        }
        // The width given to the pane is kept: a wider window shows it, a close saves it.
        f->SetBounds(0, 0, 1200, 800);
        EXPECT_EQ(f->LeftPanel->Width(), DefaultLeftPanelWidth);
        f->SetBounds(0, 0, 640, 480);
        Close(f);
        EXPECT_EQ(Value(L"LeftPanel.Width"), std::to_wstring(DefaultLeftPanelWidth));
    }
}

TEST_F(VMainViewTest, TabGoesThroughTheWindowInReadingOrderWithoutInvisibleStops) {
    Watchdog w(60000, "tab order");
    auto form = Start();
    TVMainForm* f = form->Form;
    f->Show();
    auto chain = [f](TWinControl* From) {
        std::wstring names;
        TWinControl* c = From;
        do {
            names += c->Name() + L" ";
            c = f->FindNextControl(c, true, true, false);
        } while (c && c != From && names.size() < 400);
        return names;
    };
    f->ShowTab(f->NewTab()); // a new tab's browser shows nothing
    EXPECT_EQ(chain(f->CatalogCbo), L"CatalogCbo SearchEdit NavPageControl TreeView1 UrlEdit BrowserGoBtn ");
    f->mmnuNavigationRightClick(); // the tab area is read first now
    EXPECT_EQ(chain(f->CatalogCbo), L"CatalogCbo SearchEdit NavPageControl TreeView1 UrlEdit BrowserGoBtn ");
    EXPECT_EQ(f->FindNextControl(nullptr, true, true, false), f->ActiveFrame()->UrlEdit);
    f->mmnuNavigationRightClick();
    EXPECT_EQ(f->FindNextControl(nullptr, true, true, false), f->CatalogCbo);
    Close(f);
}
