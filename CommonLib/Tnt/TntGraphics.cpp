#include "TntGraphics.h"

#include "TntWindows.h"

void WideCanvasTextOut(TCanvas* Canvas, int X, int Y, const WideString& Text) {
    Canvas->Changing();
    Canvas->RequireFont();
    Canvas->RequireBrush();
    int width = WideCanvasTextWidth(Canvas, Text);
    if (Canvas->CanvasOrientation() == coRightToLeft)
        X += width + 1;
    Tnt_ExtTextOutW(Canvas->Handle(), X, Y, Canvas->TextFlags, nullptr, Text.c_str(), static_cast<UINT>(Text.size()),
                    nullptr);
    Canvas->MoveTo(X + width, Y);
    Canvas->Changed();
}

SIZE WideCanvasTextExtent(TCanvas* Canvas, const WideString& Text) {
    Canvas->RequireFont();
    SIZE size{0, 0};
    if (!GetTextExtentPoint32W(Canvas->Handle(), Text.c_str(), static_cast<int>(Text.size()), &size))
        size = SIZE{0, 0};
    return size;
}

int WideCanvasTextWidth(TCanvas* Canvas, const WideString& Text) { return WideCanvasTextExtent(Canvas, Text).cx; }

int WideCanvasTextHeight(TCanvas* Canvas, const WideString& Text) { return WideCanvasTextExtent(Canvas, Text).cy; }
