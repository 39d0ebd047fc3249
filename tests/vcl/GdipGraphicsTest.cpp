#include "GdipGraphics.h"
#include "Graphics.h"
#include "Themes.h"

#include <gtest/gtest.h>

namespace {

COLORREF BitmapPixel(TBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

void Clear(TBitmap& b, COLORREF c) {
    b.Canvas()->Brush()->SetColor(static_cast<TColor>(c));
    b.Canvas()->FillRect(RECT{0, 0, b.Width(), b.Height()});
}

} // namespace

TEST(GdipGraphics, ShapesOnABitmapAndGdiAfterAFlush) {
    TBitmap b;
    b.SetSize(80, 60);
    Clear(b, RGB(255, 255, 255));
    HDC dc = b.Canvas()->Handle();
    {
        TGpGraphics g(dc);
        ASSERT_TRUE(g.Valid());
        const POINT square[] = {{10, 10}, {40, 10}, {40, 40}, {10, 40}};
        g.FillPolygon(TGpSolidBrush(RGB(200, 0, 0)), square);
        g.FillEllipse(TGpSolidBrush(RGB(0, 0, 200)), 50, 10, 20, 20);
        // A path of two polygons filled even-odd: the inner one is a hole.
        TGpPath path;
        const POINT outer[] = {{10, 45}, {70, 45}, {70, 58}, {10, 58}};
        const POINT inner[] = {{30, 48}, {50, 48}, {50, 55}, {30, 55}};
        path.AddPolygon(outer);
        path.AddPolygon(inner);
        g.FillPath(TGpSolidBrush(RGB(0, 150, 0)), path);
        g.Flush();
        // GDI on top of what GDI+ drew, after the flush.
        SetPixel(dc, 25, 25, RGB(1, 2, 3));
        g.DrawLine(TGpPen(RGB(0, 0, 0), 1.6f), 0, 5, 80, 5);
    }
    GdiFlush();
    EXPECT_EQ(BitmapPixel(b, 25, 20), RGB(200, 0, 0));
    EXPECT_EQ(BitmapPixel(b, 25, 25), RGB(1, 2, 3));
    EXPECT_EQ(BitmapPixel(b, 60, 20), RGB(0, 0, 200));
    EXPECT_EQ(BitmapPixel(b, 5, 20), RGB(255, 255, 255));
    EXPECT_EQ(BitmapPixel(b, 15, 50), RGB(0, 150, 0));
    EXPECT_EQ(BitmapPixel(b, 40, 51), RGB(255, 255, 255));
    EXPECT_NE(BitmapPixel(b, 40, 5), RGB(255, 255, 255)); // drawn after the GDI pixel
}

TEST(GdipGraphics, PathGradientAndARestart) {
    GdiPlusShutdown(); // the next object starts GDI+ again
    TBitmap b;
    b.SetSize(60, 60);
    Clear(b, RGB(0, 0, 0));
    const POINT square[] = {{0, 0}, {60, 0}, {60, 60}, {0, 60}};
    {
        TGpGraphics g(b.Canvas()->Handle(), false);
        ASSERT_TRUE(g.Valid());
        g.FillPolygon(TGpPathGradientBrush(square, RGB(255, 255, 255), RGB(0, 0, 255)), square);
    }
    GdiFlush();
    COLORREF centre = BitmapPixel(b, 30, 30), edge = BitmapPixel(b, 1, 30);
    EXPECT_GT(GetRValue(centre), 200);
    EXPECT_LT(GetRValue(edge), 40);
    EXPECT_GT(GetBValue(edge), 200);
    TGpGraphics none(nullptr);
    EXPECT_FALSE(none.Valid());
    none.FillEllipse(TGpSolidBrush(0), 0, 0, 1, 1); // an empty object draws nothing
}

TEST(Themes, DataOpensOnlyWhileAThemeIsActive) {
    EXPECT_TRUE(ThemesAvailable());
    TThemeData spin(nullptr, L"spin");
    EXPECT_EQ(spin.Valid(), ThemesActive()); // Wine 8 switches its light theme on
    TBitmap b;
    b.SetSize(20, 20);
    Clear(b, RGB(1, 2, 3));
    bool drawn = spin.DrawBackground(b.Canvas()->Handle(), 1, 1, RECT{0, 0, 20, 20});
    GdiFlush();
    EXPECT_EQ(drawn, spin.Valid());
    EXPECT_EQ(BitmapPixel(b, 10, 3) != RGB(1, 2, 3), drawn);
    spin.Reset();
    EXPECT_FALSE(spin.DrawBackground(b.Canvas()->Handle(), 1, 1, RECT{0, 0, 20, 20}));
}
