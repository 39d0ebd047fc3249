#include "VclTestSupport.h"

#include "Clipbrd.h"
#include "ExtCtrls.h"

#include <gtest/gtest.h>

using namespace vcltest;

TEST(ExtCtrls, SplitterResizesTheControlBeforeItWithinItsLimits) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBounds(40, 40, 400, 300);
    form.HandleNeeded();
    auto* left = new TPanel(&form);
    left->SetParent(&form);
    left->SetBounds(0, 0, 100, 100);
    left->SetAlign(alLeft);
    auto* splitter = new TSplitter(&form);
    splitter->SetParent(&form);
    splitter->SetBounds(100, 0, 3, 100);
    splitter->SetAlign(alLeft);
    splitter->SetMinSize(40);
    auto* rest = new TPanel(&form);
    rest->SetParent(&form);
    rest->SetAlign(alClient);
    ASSERT_EQ(splitter->ResizeControl(), left);
    int moved = 0;
    splitter->OnMoved = [&](TObject*) { ++moved; };
    auto mouse = [&](UINT msg, int x) { splitter->Perform(msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, 5)); };
    mouse(WM_LBUTTONDOWN, 1);
    mouse(WM_MOUSEMOVE, 51);
    EXPECT_EQ(left->Width(), 150);
    EXPECT_EQ(splitter->Left(), 150); // the alignment moves the splitter along
    mouse(WM_LBUTTONUP, 1);
    EXPECT_EQ(left->Width(), 150);
    EXPECT_EQ(moved, 1);
    // Not below MinSize, and the space after the splitter keeps MinSize too.
    mouse(WM_LBUTTONDOWN, 1);
    mouse(WM_LBUTTONUP, -500);
    EXPECT_EQ(left->Width(), 40);
    mouse(WM_LBUTTONDOWN, 1);
    mouse(WM_LBUTTONUP, 2000);
    EXPECT_EQ(left->Width(), form.ClientWidth() - 3 - 40);
    EXPECT_EQ(moved, 3);
    // AutoSnap: below MinSize the control closes; from there a drag short of MinSize keeps it
    // closed, one past it opens it.
    splitter->SetAutoSnap(true);
    mouse(WM_LBUTTONDOWN, 1);
    EXPECT_TRUE(splitter->Dragging());
    mouse(WM_MOUSEMOVE, -1000);
    EXPECT_EQ(left->Width(), 0);
    mouse(WM_LBUTTONUP, -1000);
    EXPECT_FALSE(splitter->Dragging());
    EXPECT_EQ(left->Width(), 0);
    EXPECT_EQ(moved, 4);
    mouse(WM_LBUTTONDOWN, 0);
    mouse(WM_LBUTTONUP, 39);
    EXPECT_EQ(left->Width(), 0);
    mouse(WM_LBUTTONDOWN, 0);
    mouse(WM_LBUTTONUP, 45);
    EXPECT_EQ(left->Width(), 45);
    EXPECT_EQ(moved, 5);
    splitter->SetAutoSnap(false);
    // OnCanResize may refuse.
    splitter->OnCanResize = [](TObject*, int&, bool& Accept) { Accept = false; };
    int before = left->Width();
    mouse(WM_LBUTTONDOWN, 1);
    mouse(WM_LBUTTONUP, -30);
    EXPECT_EQ(left->Width(), before);
    EXPECT_EQ(moved, 5);
}

TEST(ExtCtrls, PanelBordersAndBevelsShrinkTheClientArea) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBounds(40, 40, 400, 300);
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    panel->SetBounds(10, 10, 200, 100);
    auto* inside = new TPanel(&form);
    inside->SetParent(panel);
    inside->SetAlign(alClient);
    EXPECT_EQ(inside->Left(), 1); // the raised outer bevel
    panel->SetBorderWidth(3);
    panel->SetBevelInner(bvLowered);
    panel->SetBevelWidth(2);
    EXPECT_EQ(inside->Left(), 7);
    EXPECT_EQ(inside->Width(), 200 - 14);
    panel->SetBevelOuter(bvNone);
    EXPECT_EQ(inside->Top(), 5);
    // It paints without a fault (caption, frames).
    panel->SetCaption(L"\u4e2d\u6587 caption");
    form.Show();
    panel->Repaint();
    form.Hide();
}

TEST(ExtCtrls, ImagePlacesItsPicture) {
    TImage image(nullptr);
    image.SetBounds(0, 0, 100, 50);
    image.Picture()->Bitmap()->SetSize(40, 20);
    RECT r = image.DestRect();
    EXPECT_EQ(r.right, 40);
    image.SetCenter(true);
    r = image.DestRect();
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.top, 15);
    image.SetStretch(true);
    image.SetProportional(true);
    r = image.DestRect();
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 50);
    image.SetBounds(0, 0, 100, 100);
    r = image.DestRect();
    EXPECT_EQ(r.bottom - r.top, 50);
    EXPECT_EQ(r.top, 25);
    image.SetAutoSize(true);
    EXPECT_EQ(image.Width(), 40);
    EXPECT_EQ(image.Height(), 20);
}

TEST(ExtCtrls, ClipboardTextReplacesWhatWasThere) {
    UINT privateFormat = RegisterClipboardFormatW(L"VorlaneVclTestsPrivate");
    Clipboard()->Open();
    Clipboard()->Clear();
    Clipboard()->SetBuffer(privateFormat, "x", 1);
    Clipboard()->Close();
    EXPECT_TRUE(Clipboard()->HasFormat(privateFormat));
    Clipboard()->SetAsText(L"\u0416 text");
    EXPECT_FALSE(Clipboard()->HasFormat(privateFormat));
    EXPECT_EQ(Clipboard()->AsText(), L"\u0416 text");
}
