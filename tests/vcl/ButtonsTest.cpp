#include "VclTestSupport.h"

#include "Buttons.h"

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

constexpr RECT Client{0, 0, 100, 40};
constexpr SIZE Glyph{16, 16};
constexpr SIZE Text{30, 13};

} // namespace

TEST(SpeedButtonLayout, MarginAndSpacingRules) {
    // Both -1: the free room (100 - 46 = 54) in three equal parts.
    TButtonLayoutResult r = CalcButtonLayout(Client, POINT{0, 0}, Glyph, Text, blGlyphLeft, -1, -1, false);
    EXPECT_EQ(r.GlyphPos.x, 18);
    EXPECT_EQ(r.TextBounds.left, 18 + 16 + 18);
    // Centred on the other axis: (40 - 16 + 1) / 2 and (40 - 13 + 1) / 2.
    EXPECT_EQ(r.GlyphPos.y, 12);
    EXPECT_EQ(r.TextBounds.top, 14);
    EXPECT_EQ(r.TextBounds.right - r.TextBounds.left, 30);

    // Margin -1 alone centres the block: (100 - (16 + 4 + 30) + 1) / 2 = 25.
    r = CalcButtonLayout(Client, POINT{0, 0}, Glyph, Text, blGlyphLeft, -1, 4, false);
    EXPECT_EQ(r.GlyphPos.x, 25);
    EXPECT_EQ(r.TextBounds.left, 45);

    // Spacing -1 alone: half of what is left after margin and glyph: (100 - 18 - 30) / 2 = 26.
    r = CalcButtonLayout(Client, POINT{0, 0}, Glyph, Text, blGlyphLeft, 2, -1, false);
    EXPECT_EQ(r.GlyphPos.x, 2);
    EXPECT_EQ(r.TextBounds.left, 2 + 16 + 26);

    // Glyph right, and the same mirrored for right-to-left reading.
    r = CalcButtonLayout(Client, POINT{0, 0}, Glyph, Text, blGlyphRight, 3, 4, false);
    EXPECT_EQ(r.GlyphPos.x, 100 - 3 - 16);
    EXPECT_EQ(r.TextBounds.left, 81 - 4 - 30);
    TButtonLayoutResult m = CalcButtonLayout(Client, POINT{0, 0}, Glyph, Text, blGlyphLeft, 3, 4, true);
    EXPECT_EQ(m.GlyphPos.x, r.GlyphPos.x);
    EXPECT_EQ(m.TextBounds.left, r.TextBounds.left);

    // Glyph on top: horizontal centring, vertical margin; client origin and pressed offset added.
    RECT moved{10, 20, 60, 80};
    r = CalcButtonLayout(moved, POINT{1, 1}, Glyph, Text, blGlyphTop, 5, 2, false);
    EXPECT_EQ(r.GlyphPos.x, 10 + (50 - 16 + 1) / 2 + 1);
    EXPECT_EQ(r.GlyphPos.y, 20 + 5 + 1);
    EXPECT_EQ(r.TextBounds.top, 20 + 5 + 16 + 2 + 1);

    // Without text (or glyph) there is no spacing.
    r = CalcButtonLayout(Client, POINT{0, 0}, Glyph, SIZE{0, 0}, blGlyphLeft, -1, 10, false);
    EXPECT_EQ(r.GlyphPos.x, (100 - 16 + 1) / 2);
}

TEST(SpeedButton, GroupsKeepOneButtonDownAndHotKeysNeedAShowingParent) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBounds(10, 10, 200, 100);
    auto* a = new TSpeedButton(&form);
    a->SetParent(&form);
    a->SetGroupIndex(1);
    a->SetCaption(L"&\u0416uk");
    auto* b = new TSpeedButton(&form);
    b->SetParent(&form);
    b->SetGroupIndex(1);
    a->SetDown(true);
    EXPECT_TRUE(a->Down());
    b->SetDown(true);
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    b->SetDown(false); // a group without AllowAllUp keeps one down
    EXPECT_TRUE(b->Down());
    b->SetAllowAllUp(true);
    b->SetDown(false);
    EXPECT_FALSE(b->Down());
    auto* plain = new TSpeedButton(&form);
    plain->SetParent(&form);
    plain->SetDown(true); // no group: never down
    EXPECT_FALSE(plain->Down());

    int clicks = 0;
    a->OnClick = [&](TObject*) { ++clicks; };
    EXPECT_EQ(form.Perform(CM_DIALOGCHAR, L'\u0436', 0), 0); // the form is not showing
    EXPECT_EQ(clicks, 0);
    form.Show();
    EXPECT_EQ(form.Perform(CM_DIALOGCHAR, L'\u0436', 0), 1); // case ignored
    EXPECT_EQ(clicks, 1);
    a->SetEnabled(false);
    EXPECT_EQ(form.Perform(CM_DIALOGCHAR, L'\u0416', 0), 0);
    EXPECT_EQ(clicks, 1);
    form.Hide();
}

TEST(SpeedButton, GlyphStatesComeFromTheStrip) {
    TBitmap strip;
    strip.SetSize(64, 16); // four square pictures
    TButtonGlyph glyph;
    glyph.SetGlyph(&strip);
    EXPECT_EQ(glyph.NumGlyphs(), 4);
    EXPECT_EQ(glyph.GlyphSize().cx, 16);
    EXPECT_EQ(glyph.ImageIndex(bsDown), 2);
    EXPECT_EQ(glyph.ImageIndex(bsExclusive), 3);
    glyph.SetNumGlyphs(2);
    EXPECT_EQ(glyph.GlyphSize().cx, 32);
    // Fewer than three pictures: the exclusive state shows the up picture.
    EXPECT_EQ(glyph.ImageIndex(bsExclusive), glyph.ImageIndex(bsUp));
    EXPECT_EQ(glyph.ImageIndex(bsDisabled), 1);
    TButtonGlyph empty;
    EXPECT_EQ(empty.ImageIndex(bsUp), -1);
}

TEST(SpeedButton, CaptionKeepsThreePixelsFromTheEdgeWithoutGlyph) {
    TForm form(nullptr);
    auto* b = new TSpeedButton(&form);
    b->SetParent(&form);
    b->SetWordWrap(true);
    b->SetCaption(L"ab cd");
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, b->Font()->Handle());
    RECT one{0, 0, 1000, 0};
    DrawTextW(dc, L"ab cd", 5, &one, DT_CALCRECT);
    SelectObject(dc, old);
    // The client (less its 1-pixel frame) is one pixel wider than the caption: the caption
    // still wraps, as it may take no more than the width less 3.
    b->SetBounds(0, 0, one.right + 3, 60);
    TButtonLayoutResult r = b->CurrentLayout(dc, POINT{0, 0});
    ReleaseDC(nullptr, dc);
    EXPECT_GT(r.TextBounds.bottom - r.TextBounds.top, one.bottom);
}
