#include "GdipGraphics.h"

#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <mutex>
#include <vector>

using namespace Gdiplus;
namespace flat = Gdiplus::DllExports;

void TGpGraphicsTraits::Close(Handle h) noexcept { flat::GdipDeleteGraphics(h); }
void TGpPenTraits::Close(Handle h) noexcept { flat::GdipDeletePen(h); }
void TGpBrushTraits::Close(Handle h) noexcept { flat::GdipDeleteBrush(h); }
void TGpPathTraits::Close(Handle h) noexcept { flat::GdipDeletePath(h); }

namespace {

std::mutex g_Lock;
ULONG_PTR g_Token = 0;
bool g_AtExit = false;

ARGB Opaque(COLORREF c) {
    return 0xFF000000u | (static_cast<ARGB>(GetRValue(c)) << 16) | (static_cast<ARGB>(GetGValue(c)) << 8) |
           GetBValue(c);
}

std::vector<GpPoint> ToGp(std::span<const POINT> Points) {
    std::vector<GpPoint> out;
    out.reserve(Points.size());
    for (const POINT& p : Points)
        out.push_back(GpPoint(p.x, p.y));
    return out;
}

} // namespace

bool GdiPlusStartup() {
    std::lock_guard<std::mutex> lock(g_Lock);
    if (g_Token)
        return true;
    GdiplusStartupInput input;
    if (GdiplusStartup(&g_Token, &input, nullptr) != Ok) {
        g_Token = 0;
        return false;
    }
    if (!g_AtExit) {
        g_AtExit = true;
        std::atexit(GdiPlusShutdown);
    }
    return true;
}

void GdiPlusShutdown() {
    std::lock_guard<std::mutex> lock(g_Lock);
    if (g_Token)
        GdiplusShutdown(g_Token);
    g_Token = 0;
}

TGpPen::TGpPen(COLORREF Color, float Width) {
    if (GdiPlusStartup())
        flat::GdipCreatePen1(Opaque(Color), Width, UnitPixel, FPen.Put());
}

TGpSolidBrush::TGpSolidBrush(COLORREF Color) {
    if (!GdiPlusStartup())
        return;
    GpSolidFill* fill = nullptr;
    if (flat::GdipCreateSolidFill(Opaque(Color), &fill) == Ok)
        FBrush.Reset(fill);
}

TGpPathGradientBrush::TGpPathGradientBrush(std::span<const POINT> Polygon, COLORREF Centre, COLORREF Surround) {
    if (Polygon.size() < 3 || !GdiPlusStartup())
        return;
    std::vector<GpPoint> pts = ToGp(Polygon);
    GpPathGradient* grad = nullptr;
    if (flat::GdipCreatePathGradientI(pts.data(), static_cast<INT>(pts.size()), WrapModeClamp, &grad) != Ok)
        return;
    FBrush.Reset(grad);
    flat::GdipSetPathGradientCenterColor(grad, Opaque(Centre));
    ARGB surround = Opaque(Surround);
    INT count = 1;
    flat::GdipSetPathGradientSurroundColorsWithCount(grad, &surround, &count);
}

TGpPath::TGpPath() {
    if (GdiPlusStartup())
        flat::GdipCreatePath(FillModeAlternate, FPath.Put());
}

void TGpPath::AddPolygon(std::span<const POINT> Points) {
    if (!FPath || Points.size() < 3)
        return;
    std::vector<GpPoint> pts = ToGp(Points);
    flat::GdipAddPathPolygonI(FPath.Get(), pts.data(), static_cast<INT>(pts.size()));
}

void TGpPath::AddEllipse(float X, float Y, float Width, float Height) {
    if (FPath)
        flat::GdipAddPathEllipse(FPath.Get(), X, Y, Width, Height);
}

TGpGraphics::TGpGraphics(HDC DC, bool AntiAlias) {
    if (!DC || !GdiPlusStartup())
        return;
    if (flat::GdipCreateFromHDC(DC, FGraphics.Put()) != Ok)
        return;
    SetAntiAlias(AntiAlias);
}

TGpGraphics::~TGpGraphics() { Flush(); }

void TGpGraphics::SetAntiAlias(bool Value) {
    if (!FGraphics)
        return;
    flat::GdipSetSmoothingMode(FGraphics.Get(), Value ? SmoothingModeAntiAlias : SmoothingModeNone);
    // Pixel centres on half coordinates: integer points fall on pixel edges, so a 1-pixel
    // line through them covers whole pixels.
    flat::GdipSetPixelOffsetMode(FGraphics.Get(), Value ? PixelOffsetModeHalf : PixelOffsetModeNone);
}

void TGpGraphics::FillPolygon(const TGpBrush& Brush, std::span<const POINT> Points) {
    if (!FGraphics || !Brush.Valid() || Points.size() < 3)
        return;
    std::vector<GpPoint> pts = ToGp(Points);
    flat::GdipFillPolygonI(FGraphics.Get(), Brush.Handle(), pts.data(), static_cast<INT>(pts.size()),
                           FillModeAlternate);
}

void TGpGraphics::DrawPolygon(const TGpPen& Pen, std::span<const POINT> Points) {
    if (!FGraphics || !Pen.Valid() || Points.size() < 2)
        return;
    std::vector<GpPoint> pts = ToGp(Points);
    flat::GdipDrawPolygonI(FGraphics.Get(), Pen.Handle(), pts.data(), static_cast<INT>(pts.size()));
}

void TGpGraphics::FillPath(const TGpBrush& Brush, const TGpPath& Path) {
    if (FGraphics && Brush.Valid() && Path.Valid())
        flat::GdipFillPath(FGraphics.Get(), Brush.Handle(), Path.Handle());
}

void TGpGraphics::DrawPath(const TGpPen& Pen, const TGpPath& Path) {
    if (FGraphics && Pen.Valid() && Path.Valid())
        flat::GdipDrawPath(FGraphics.Get(), Pen.Handle(), Path.Handle());
}

void TGpGraphics::DrawLine(const TGpPen& Pen, float X1, float Y1, float X2, float Y2) {
    if (FGraphics && Pen.Valid())
        flat::GdipDrawLine(FGraphics.Get(), Pen.Handle(), X1, Y1, X2, Y2);
}

void TGpGraphics::FillEllipse(const TGpBrush& Brush, float X, float Y, float Width, float Height) {
    if (FGraphics && Brush.Valid())
        flat::GdipFillEllipse(FGraphics.Get(), Brush.Handle(), X, Y, Width, Height);
}

void TGpGraphics::DrawEllipse(const TGpPen& Pen, float X, float Y, float Width, float Height) {
    if (FGraphics && Pen.Valid())
        flat::GdipDrawEllipse(FGraphics.Get(), Pen.Handle(), X, Y, Width, Height);
}

void TGpGraphics::Flush() {
    if (FGraphics)
        flat::GdipFlush(FGraphics.Get(), FlushIntentionSync);
}
