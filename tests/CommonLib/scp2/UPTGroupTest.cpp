#include "../../vcl/VclTestSupport.h"

#include "ExtCtrls.h"
#include "UPTGroup.h"
#include "UPTUnicode.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vcltest;

namespace {

// Height of "0" in a font, measured without the code under test.
int ZeroHeight(TFont* Font) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font->Handle());
    SIZE sz{};
    GetTextExtentPoint32W(dc, L"0", 1, &sz);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return sz.cy;
}

// The client area's distance from each window edge.
RECT ClientMargins(HWND Wnd) {
    RECT w, c;
    GetWindowRect(Wnd, &w);
    GetClientRect(Wnd, &c);
    MapWindowPoints(Wnd, nullptr, reinterpret_cast<POINT*>(&c), 2);
    return RECT{c.left - w.left, c.top - w.top, w.right - c.right, w.bottom - c.bottom};
}

void ExpectMargins(const RECT& Got, const RECT& Want, const char* What) {
    EXPECT_EQ(Got.left, Want.left) << What;
    EXPECT_EQ(Got.top, Want.top) << What;
    EXPECT_EQ(Got.right, Want.right) << What;
    EXPECT_EQ(Got.bottom, Want.bottom) << What;
}

COLORREF PixelAt(TBitmap* B, int X, int Y) {
    const uint8_t* p = B->ScanLine(Y) + X * 3;
    return RGB(p[2], p[1], p[0]);
}

struct TGroupWindow {
    TForm Form{nullptr};
    TPTGroup* Group;
    TGroupWindow() {
        Form.SetBounds(40, 40, 300, 200);
        Group = new TPTGroup(&Form);
        Group->SetParent(&Form);
        Group->SetBounds(10, 10, 200, 120);
        Form.Show();
    }
    ~TGroupWindow() { Form.Hide(); }
};

} // namespace

TEST(PTGroup, EachFrameStyleTakesItsMarginsFromTheWindow) {
    Watchdog w(10000);
    TGroupWindow g;
    TPTGroup* group = g.Group;
    struct TCase {
        TPTFrameStyle Style;
        RECT Margins;
        const char* Name;
    };
    const std::vector<TCase> cases = {
        {ptfsNone, {0, 0, 0, 0}, "none"},         {ptfsGroup, {2, 2, 2, 2}, "group, no caption"},
        {ptfsLowered, {2, 2, 2, 2}, "lowered"},   {ptfsRaised, {2, 2, 2, 2}, "raised"},
        {ptfsDint, {1, 1, 1, 1}, "dint"},         {ptfsBump, {1, 1, 1, 1}, "bump"},
        {ptfsSingle, {1, 1, 1, 1}, "single"},     {ptfsHorzLine, {0, 2, 0, 0}, "horz line"},
        {ptfsHorzEdge, {0, 2, 0, 2}, "horz edge"}, {ptfsVertLine, {2, 0, 0, 0}, "vert line"},
        {ptfsVertEdge, {2, 0, 2, 0}, "vert edge"},
    };
    for (const TCase& c : cases) {
        group->SetFrameStyle(c.Style);
        ExpectMargins(ClientMargins(group->Handle()), c.Margins, c.Name);
    }
    // A group caption takes the height of "0" at the top; a bigger font takes more.
    group->SetFrameStyle(ptfsGroup);
    group->SetCaption(L"Options");
    ExpectMargins(ClientMargins(group->Handle()), RECT{2, ZeroHeight(group->Font()), 2, 2}, "group, caption");
    group->Font()->SetHeight(-30);
    EXPECT_GT(ZeroHeight(group->Font()), 30);
    ExpectMargins(ClientMargins(group->Handle()), RECT{2, ZeroHeight(group->Font()), 2, 2}, "group, big font");
    // Other styles keep the caption inside the client area.
    group->SetFrameStyle(ptfsRaised);
    ExpectMargins(ClientMargins(group->Handle()), RECT{2, 2, 2, 2}, "raised, caption");
    // The window paints its frame outside the client area.
    group->SetColor(clBtnFace);
    group->SetFrameStyle(ptfsLowered);
    RedrawWindow(group->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetWindowDC(group->Handle());
    const COLORREF corner = GetPixel(dc, 0, 0), inner = GetPixel(dc, 1, 1), opposite = GetPixel(dc, 199, 119);
    ReleaseDC(group->Handle(), dc);
    EXPECT_EQ(corner, ColorToRGB(clBtnShadow));
    EXPECT_EQ(inner, ColorToRGB(cl3DDkShadow));
    EXPECT_EQ(opposite, ColorToRGB(clBtnHighlight));
    // The pane: lowered; its window a control parent that is not redrawn whole on sizing.
    auto* pane = new TPTPane(&g.Form);
    pane->SetParent(&g.Form);
    ExpectMargins(ClientMargins(pane->Handle()), RECT{2, 2, 2, 2}, "pane");
    EXPECT_NE(GetWindowLongW(pane->Handle(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);
    EXPECT_EQ(GetClassLongW(pane->Handle(), GCL_STYLE) & (CS_HREDRAW | CS_VREDRAW), 0u);
}

TEST(PTGroup, ClientAreaFollowsTheStyleAndIsKnownBeforeTheWindow) {
    Watchdog w(10000);
    TForm form(nullptr);
    form.SetBounds(40, 40, 300, 200);
    auto* group = new TPTGroup(&form);
    group->SetParent(&form);
    group->SetBounds(10, 10, 200, 120);
    group->SetCaption(L"Caption");
    auto* child = new TPanel(&form);
    child->SetParent(group);
    child->SetAlign(alClient);
    // Before the window exists the client size already leaves out the frame.
    const int top = ZeroHeight(group->Font());
    RECT before = group->ClientRect();
    EXPECT_EQ(before.right, 196);
    EXPECT_EQ(before.bottom, 120 - top - 2);
    form.Show();
    RECT after = group->ClientRect();
    EXPECT_EQ(after.right, before.right);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_EQ(child->Height(), after.bottom);
    // ptfsGroup -> ptfsHorzLine: only the top 2 pixels stay outside the client area, and
    // the aligned child grows into the freed space.
    group->SetFrameStyle(ptfsHorzLine);
    ExpectMargins(ClientMargins(group->Handle()), RECT{0, 2, 0, 0}, "horz line");
    EXPECT_EQ(child->Width(), 200);
    EXPECT_EQ(child->Height(), 118);
    POINT origin = child->ClientToScreen(POINT{0, 0});
    RECT wr;
    GetWindowRect(group->Handle(), &wr);
    EXPECT_EQ(origin.y - wr.top, 2);
    // A caption change of a ptfsGroup panel measures the frame again.
    group->SetFrameStyle(ptfsGroup);
    group->SetCaption(L"");
    ExpectMargins(ClientMargins(group->Handle()), RECT{2, 2, 2, 2}, "group, caption removed");
    form.Hide();
}

TEST(PTGroup, FrameLargerThanTheWindowLeavesAnEmptyClientArea) {
    Watchdog w(10000);
    TGroupWindow g;
    g.Group->SetCaption(L"Caption");
    g.Group->SetBounds(10, 10, 3, 5); // the caption line is higher than the window
    RECT c;
    GetClientRect(g.Group->Handle(), &c);
    EXPECT_EQ(c.right, 0);
    EXPECT_EQ(c.bottom, 0);
    RECT m = ClientMargins(g.Group->Handle());
    EXPECT_TRUE(m.left >= 0 && m.top >= 0 && m.right >= 0 && m.bottom >= 0);
    // Before a window: the same rule.
    TPTGroup loose(nullptr);
    loose.SetFrameStyle(ptfsLowered);
    loose.SetBounds(0, 0, 3, 1);
    EXPECT_EQ(loose.ClientRect().right, 0);
    EXPECT_EQ(loose.ClientRect().bottom, 0);
}

TEST(PTGroup, FramesAreDrawnInTheirColoursAndPlaces) {
    TPTGroup group(nullptr);
    group.SetColor(clBtnFace);
    group.SetBounds(0, 0, 20, 16);
    TBitmap b;
    b.SetSize(20, 16);
    auto paint = [&](TPTFrameStyle s) {
        group.SetFrameStyle(s);
        b.Canvas()->Brush()->SetColor(clFuchsia);
        b.Canvas()->FillRect(RECT{0, 0, 20, 16});
        group.PaintFrame(b.Canvas()->Handle());
        GdiFlush();
    };
    const COLORREF shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight),
                   dark = ColorToRGB(cl3DDkShadow), face = ColorToRGB(clBtnFace),
                   frame = ColorToRGB(clWindowFrame);
    struct TProbe {
        int X, Y;
        COLORREF Want;
    };
    struct TCase {
        TPTFrameStyle Style;
        std::vector<TProbe> Probes;
        const char* Name;
    };
    const std::vector<TCase> cases = {
        {ptfsLowered, {{0, 0, shadow}, {1, 1, dark}, {18, 14, face}, {19, 15, light}, {0, 15, light}}, "lowered"},
        {ptfsRaised, {{0, 0, light}, {1, 1, face}, {18, 14, shadow}, {19, 15, dark}, {19, 0, dark}}, "raised"},
        {ptfsDint, {{0, 5, shadow}, {5, 0, shadow}, {19, 5, light}, {5, 15, light}, {1, 1, face}}, "dint"},
        {ptfsBump, {{0, 5, light}, {19, 5, shadow}, {5, 15, shadow}}, "bump"},
        {ptfsSingle, {{0, 5, frame}, {19, 5, frame}, {5, 15, frame}, {5, 0, frame}}, "single"},
        {ptfsHorzLine, {{5, 0, shadow}, {5, 1, light}, {5, 15, face}, {0, 8, face}}, "horz line"},
        {ptfsHorzEdge, {{5, 0, shadow}, {5, 1, light}, {5, 14, shadow}, {5, 15, light}}, "horz edge"},
        {ptfsVertLine, {{0, 8, shadow}, {1, 8, light}, {19, 8, face}}, "vert line"},
        {ptfsVertEdge, {{0, 8, shadow}, {1, 8, light}, {18, 8, shadow}, {19, 8, light}}, "vert edge"},
        {ptfsGroup, {{0, 0, shadow}, {1, 1, light}, {18, 14, shadow}, {19, 15, light}}, "group, no caption"},
        {ptfsNone, {{0, 0, face}, {19, 15, face}}, "none"},
    };
    for (const TCase& c : cases) {
        paint(c.Style);
        for (const TProbe& p : c.Probes)
            EXPECT_EQ(PixelAt(&b, p.X, p.Y), p.Want) << c.Name << " at " << p.X << "," << p.Y;
    }
}

TEST(PTGroup, GroupCaptionSitsInTheTopLineAndIsEmbossedWhenDisabled) {
    TPTGroup group(nullptr);
    group.SetColor(clBtnFace);
    group.SetBounds(0, 0, 120, 60);
    group.SetCaption(L"WWWW");
    const int h = ZeroHeight(group.Font());
    TBitmap b;
    b.SetSize(120, 60);
    auto count = [&](COLORREF c, int x0, int x1, int y0, int y1) {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += PixelAt(&b, x, y) == c;
        return n;
    };
    const COLORREF shadow = ColorToRGB(clBtnShadow), light = ColorToRGB(clBtnHighlight),
                   text = ColorToRGB(group.Font()->Color());
    group.PaintFrame(b.Canvas()->Handle());
    GdiFlush();
    // The frame's top line runs through the middle of the caption line, left and right
    // of the caption; the caption itself starts 8 pixels in.
    EXPECT_EQ(PixelAt(&b, 2, h / 2), shadow);
    EXPECT_EQ(PixelAt(&b, 110, h / 2), shadow);
    EXPECT_EQ(PixelAt(&b, 0, h / 2 - 1), ColorToRGB(clBtnFace));
    EXPECT_GT(count(text, 8, 60, 0, h), 10);
    EXPECT_EQ(count(text, 0, 8, 0, h), 0);
    EXPECT_EQ(count(light, 9, 60, 0, h / 2), 0);
    group.SetEnabled(false);
    group.PaintFrame(b.Canvas()->Handle());
    GdiFlush();
    EXPECT_EQ(count(text, 8, 60, 0, h), 0);
    EXPECT_GT(count(light, 9, 60, 0, h / 2), 5);
    EXPECT_GT(count(shadow, 8, 60, 0, h / 2), 5);
}

TEST(PTGroup, LongCaptionEndsInAnEllipsisInsideFrameSpace) {
    // Text is drawn smoothed: any clearly dark pixel on the white picture is ink.
    auto ink = [](TBitmap* b, int x, int y) { return GetGValue(PixelAt(b, x, y)) < 160; };
    TPTGroup group(nullptr);
    group.SetFrameStyle(ptfsRaised);
    group.SetBounds(0, 0, 100, 40);
    group.SetFrameSpace(6);
    // A carrier caption is shown decoded.
    AnsiString carrier = UTF7CarrierEncode(std::wstring(L"\x0416") + std::wstring(40, L'W'));
    group.SetCaption(WideString(carrier.begin(), carrier.end()));
    EXPECT_EQ(group.CaptionText().substr(0, 2), L"\x0416W");
    TBitmap* b = group.PaintOffscreen();
    RECT client = group.ClientRect();
    int left = client.right, right = -1, top = client.bottom, bottom = -1;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            if (ink(b, x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    ASSERT_GT(right, 0) << "no caption drawn";
    EXPECT_GE(left, 6);                 // FrameSpace kept free on both sides
    EXPECT_LT(right, client.right - 6);
    // The last drawn columns are dots on the base line, not the strokes of a cut "W".
    const int height = bottom - top + 1;
    for (int x = right - 2; x <= right; ++x)
        for (int y = top; y < top + height / 2; ++y)
            EXPECT_FALSE(ink(b, x, y)) << "ink high up at " << x << "," << y;

    // Without DefaultDrawing nothing is drawn but what OnPaint draws.
    TPTGroup plain(nullptr);
    plain.SetFrameStyle(ptfsRaised);
    plain.SetBounds(0, 0, 100, 40);
    plain.SetCaption(L"WWWW");
    plain.SetDefaultDrawing(false);
    int painted = 0;
    plain.OnPaint = [&](TObject* Sender, TCanvas* Canvas) {
        EXPECT_EQ(Sender, &plain);
        EXPECT_NE(Canvas->Handle(), nullptr);
        ++painted;
    };
    b = plain.PaintOffscreen();
    EXPECT_EQ(painted, 1);
    int dark = 0;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x)
            dark += ink(b, x, y);
    EXPECT_EQ(dark, 0);
}
