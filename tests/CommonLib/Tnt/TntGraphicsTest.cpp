#include "TntGraphics.h"

#include <gtest/gtest.h>

TEST(TntGraphics, TextMeasuresAndRightToLeftPen) {
    TBitmap b;
    b.SetSize(300, 40);
    TCanvas* c = b.Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(RECT{0, 0, 300, 40});
    std::wstring text = L"\u05e9\u05dc\u05d5\u05dd \u0416x";
    SIZE ext = WideCanvasTextExtent(c, text);
    EXPECT_GT(ext.cx, 0);
    EXPECT_EQ(WideCanvasTextWidth(c, text), ext.cx);
    EXPECT_EQ(WideCanvasTextHeight(c, text), ext.cy);
    EXPECT_EQ(WideCanvasTextWidth(c, L""), 0);

    int changes = 0;
    c->OnChange = [&](TObject*) { ++changes; };
    WideCanvasTextOut(c, 10, 4, text);
    EXPECT_EQ(c->PenPos().x, 10 + ext.cx);
    EXPECT_GE(changes, 1);

    // Mirrored surface: drawn to the right of X (in its own coordinates).
    c->Brush()->SetColor(clWhite);
    c->FillRect(RECT{0, 0, 300, 40});
    SetLayout(c->Handle(), LAYOUT_RTL);
    int w = WideCanvasTextWidth(c, L"WWW");
    WideCanvasTextOut(c, 50, 4, L"WWW");
    EXPECT_EQ(c->PenPos().x, 50 + 2 * w + 1);
    auto inked = [&](int from, int to) {
        for (int x = from; x < to; ++x)
            for (int y = 0; y < 40; ++y)
                if (c->Pixel(x, y) != static_cast<TColor>(RGB(255, 255, 255)))
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(50 + w + 1, 50 + 2 * w + 2));
    EXPECT_FALSE(inked(0, 50 + w));
}
