#include "QXSuperTip.h"

#include "../vcl/VclTestSupport.h"
#include "TntStdCtrls.h"
#include "UHintWin.h"

#include <gtest/gtest.h>

using namespace vcltest;

TEST(SuperTip, HintTextParsing) {
    std::wstring title, body;
    ParseSuperTipHint(L"Only a body", title, body);
    EXPECT_EQ(title, L"");
    EXPECT_EQ(body, L"Only a body");

    ParseSuperTipHint(L"Find Text|Ctrl+F - Sets the focus to the edit field and selects all text.||F3 to find next text.",
                      title, body);
    EXPECT_EQ(title, L"Find Text");
    EXPECT_EQ(body, L"Ctrl+F - Sets the focus to the edit field and selects all text.\r\n\r\nF3 to find next text.");

    ParseSuperTipHint(L"  Options:abc; |a ~| b|c", title, body);
    EXPECT_EQ(title, L"Options");
    EXPECT_EQ(body, L"a | b\r\nc");
    ParseSuperTipHint(L"ab:cd;|x", title, body); // too short to carry the suffix
    EXPECT_EQ(title, L"ab:cd;");
}

TEST(SuperTip, WindowDelaysFirstTipReplacesAtOnceAndStaysOnTheMonitor) {
    Watchdog w(15000);
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* a = new TTntEdit(&form);
    a->SetParent(&form);
    a->SetBounds(10, 10, 100, 21);
    auto* b = new TTntCheckBox(&form);
    b->SetParent(&form);
    b->SetBounds(10, 40, 100, 17);
    form.Show();

    TSHintWin* tip = SuperTipWindow();
    tip->ShowHintWin(0, a, L"Title|Body of the tip", 100, 100);
    EXPECT_FALSE(tip->IsShown());         // waits 300 ms for the mouse to stay
    EXPECT_NE(tip->PendingShowTimer(), 0u);
    tip->LayoutAndShow();                 // what the timer does while the mouse stays
    EXPECT_TRUE(tip->IsShown());
    EXPECT_TRUE(IsWindowVisible(tip->Handle()));
    EXPECT_EQ(tip->Left(), 112);
    EXPECT_EQ(tip->Top(), 112);
    EXPECT_EQ(tip->TitleLabel->Caption(), L"Title");
    EXPECT_EQ(tip->BodyLabel->Left(), 14);

    // Another control while shown: replaced without the delay.
    const RECT mon = HintMonitorRect(MonitorIndexOfPoint(POINT{100, 100}));
    tip->ShowHintWin(1, b, L"Second tip without a title, long enough to be wrapped into several lines of text",
                     mon.right - 20, 100);
    EXPECT_TRUE(tip->IsShown());
    EXPECT_EQ(tip->CurrentControl(), b);
    EXPECT_EQ(tip->BackgroundStyle(), 1);
    EXPECT_EQ(tip->BodyLabel->Left(), 6);
    EXPECT_LE(tip->Left() + tip->Width(), mon.right); // shifted left onto the monitor
    EXPECT_FALSE(tip->TitleLabel->Visible());

    // WM_NCHITTEST is transparent.
    EXPECT_EQ(SendMessageW(tip->Handle(), WM_NCHITTEST, 0, MAKELPARAM(tip->Left() + 5, tip->Top() + 5)),
              HTTRANSPARENT);
    // All of its lines fit inside the window.
    EXPECT_LE(tip->BodyLabel->Top() + tip->BodyLabel->Height(), tip->ClientHeight());
    // A mouse button going down takes the tip away, as it does the program's hints.
    PostMessageW(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, 150));
    PostMessageW(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(150, 150));
    PumpFor(50);
    EXPECT_FALSE(tip->IsShown());
    EXPECT_FALSE(IsWindowVisible(tip->Handle()));
    tip->Hide();
    EXPECT_FALSE(tip->IsShown());
    EXPECT_EQ(tip->CurrentControl(), nullptr);
    FreeSuperTipWindow();
}

TEST(SuperTip, GlyphLinksOnlyCheckBoxesAndEdits) {
    Watchdog w(10000);
    TForm form(nullptr);
    auto* glyph = new TQXSuperTip(&form);
    glyph->SetParent(&form);
    EXPECT_EQ(glyph->Width(), glyph->Glyph()->Width());
    auto* edit = new TTntEdit(&form);
    edit->SetParent(&form);
    edit->SetShowHint(true);
    auto* button = new TTntButton(&form);
    button->SetParent(&form);
    glyph->SetLinkControl(button);
    EXPECT_EQ(glyph->LinkControl(), nullptr);
    glyph->SetLinkControl(edit);
    EXPECT_EQ(glyph->LinkControl(), edit);
    EXPECT_FALSE(edit->ShowHint());
    glyph->SetHint(L"T|B");
    // A linked control that goes first leaves no dangling hook behind.
    delete edit;
    EXPECT_EQ(glyph->LinkControl(), nullptr);
    int nw = 0, nh = 0;
    EXPECT_TRUE(glyph->CanAutoSize(nw, nh));
    EXPECT_EQ(nw, glyph->Glyph()->Width());
}
