// Gradient bitmaps.
#include "UGradient.h"

#include <cmath>
#include <memory>

TColorRamp MakeColorRamp(TColor FromColor, TColor ToColor) {
    const COLORREF a = ColorToRGB(FromColor), b = ColorToRGB(ToColor);
    auto channel = [](int from, int to, int i) { return static_cast<uint8_t>(from + (to - from) * i / 255); };
    TColorRamp ramp{};
    for (int i = 0; i < 256; ++i) {
        ramp[i].R = channel(GetRValue(a), GetRValue(b), i);
        ramp[i].G = channel(GetGValue(a), GetGValue(b), i);
        ramp[i].B = channel(GetBValue(a), GetBValue(b), i);
    }
    return ramp;
}

namespace {

int Clamp255(long v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<int>(v)); }

// Fills every pixel with the ramp entry Entry(x, y).
template <class F>
void Fill(TBitmap* Bitmap, const TColorRamp& Ramp, int W, int H, F&& Entry) {
    Bitmap->SetSize(W, H);
    for (int y = 0; y < H; ++y) {
        uint8_t* row = Bitmap->ScanLine(y);
        for (int x = 0; x < W; ++x) {
            const TRampEntry& e = Ramp[Clamp255(Entry(x, y))];
            row[x * 3] = e.B;
            row[x * 3 + 1] = e.G;
            row[x * 3 + 2] = e.R;
        }
    }
    Bitmap->SetModified(true);
}

void Radial(TBitmap* Bitmap, const TColorRamp& Ramp, int W, int H, int Cx, int Cy) {
    Fill(Bitmap, Ramp, W, H, [&](int x, int y) {
        const double dx = x - Cx, dy = y - Cy;
        return std::lround(std::sqrt(dx * dx + dy * dy));
    });
}

std::unique_ptr<TBitmap> g_Shared[2];

} // namespace

void DrawGradient(TBitmap* Bitmap, TColor FromColor, TColor ToColor, int Style) {
    if (!Bitmap)
        return;
    Bitmap->SetPixelFormat(pf24bit);
    const TColorRamp ramp = MakeColorRamp(FromColor, ToColor);
    switch (Style) {
    case 1: {
        const int w = Bitmap->Width(), h = Bitmap->Height();
        if (w <= 0 || h <= 0)
            return;
        TCanvas* c = Bitmap->Canvas();
        auto colorOf = [&](int entry) {
            return static_cast<TColor>(RGB(ramp[entry].R, ramp[entry].G, ramp[entry].B));
        };
        c->Brush()->SetColor(colorOf(255));
        c->FillRect(RECT{0, 0, w, h});
        c->Pen()->SetStyle(psClear);
        for (int k = 0; k < 262; ++k) {
            c->Brush()->SetColor(colorOf(k < 256 ? 255 - k : 0));
            c->Ellipse(k, k, w - k, h - k);
        }
        break;
    }
    case 2: Radial(Bitmap, ramp, 362, 362, 181, 181); break;
    case 3: Radial(Bitmap, ramp, 362, 181, 181, 0); break;
    case 4: Radial(Bitmap, ramp, 362, 181, 181, 180); break;
    case 5: Radial(Bitmap, ramp, 181, 362, 0, 181); break;
    case 6: Radial(Bitmap, ramp, 181, 362, 180, 181); break;
    case 7: Radial(Bitmap, ramp, 181, 181, 0, 0); break;
    case 8: Radial(Bitmap, ramp, 181, 181, 180, 0); break;
    case 9: Radial(Bitmap, ramp, 181, 181, 0, 180); break;
    case 10: Radial(Bitmap, ramp, 181, 181, 180, 180); break;
    case 11: Fill(Bitmap, ramp, 256, 1, [](int x, int) { return x; }); break;
    case 12: Fill(Bitmap, ramp, 1, 256, [](int, int y) { return y; }); break;
    case 13: Fill(Bitmap, ramp, 1, 512, [](int, int y) { return 255 - (y < 256 ? y : 511 - y); }); break;
    case 14: Fill(Bitmap, ramp, 512, 1, [](int x, int) { return 255 - (x < 256 ? x : 511 - x); }); break;
    case 15: Fill(Bitmap, ramp, 128, 129, [](int x, int y) { return x + y; }); break;
    case 16: Fill(Bitmap, ramp, 128, 129, [](int x, int y) { return 255 - (x + y); }); break;
    case 17: Fill(Bitmap, ramp, 256, 256, [](int x, int y) { return std::abs(x - y); }); break;
    case 18: Fill(Bitmap, ramp, 256, 256, [](int x, int y) { return 255 - (x + y) / 2; }); break;
    case 19: Fill(Bitmap, ramp, 129, 256, [](int x, int y) { return std::abs(y - x * 2); }); break;
    case 20: Fill(Bitmap, ramp, 129, 256, [](int x, int y) { return 255 - std::abs(y - x * 2); }); break;
    case 21: Fill(Bitmap, ramp, 256, 129, [](int x, int y) { return std::abs(x - y * 2); }); break;
    case 22: Fill(Bitmap, ramp, 256, 129, [](int x, int y) { return 255 - std::abs(x - y * 2); }); break;
    case 23:
        // Four quadrants whose ramps meet in the centre.
        Fill(Bitmap, ramp, 256, 256, [](int x, int y) {
            const int dx = x < 128 ? 127 - x : x - 128, dy = y < 128 ? 127 - y : y - 128;
            return 255 - (dx > dy ? dx : dy) * 2;
        });
        break;
    case 24:
        Fill(Bitmap, ramp, 256, 256, [](int x, int y) {
            const int dx = x < 128 ? 127 - x : x - 128, dy = y < 128 ? 127 - y : y - 128;
            return (dx + dy);
        });
        break;
    default: break;
    }
}

TBitmap* SharedGradient(int Index) { return Index >= 0 && Index < 2 ? g_Shared[Index].get() : nullptr; }

void InitGradients() {
    const TColor from[2] = {static_cast<TColor>(0xD09B9B), static_cast<TColor>(0xDCCCCC)};
    for (int i = 0; i < 2; ++i) {
        if (g_Shared[i])
            continue;
        g_Shared[i] = std::make_unique<TBitmap>();
        DrawGradient(g_Shared[i].get(), from[i], clWhite, 11);
        TCanvas* c = g_Shared[i]->Canvas();
        c->Brush()->SetColor(clWhite);
        c->FrameRect(RECT{0, 0, g_Shared[i]->Width(), g_Shared[i]->Height()});
    }
}

void FreeGradients() {
    g_Shared[0].reset();
    g_Shared[1].reset();
}
