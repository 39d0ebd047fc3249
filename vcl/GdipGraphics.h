// Anti-aliased drawing with GDI+ (its flat API) over a device context.
//
// - GDI+ starts once for the whole process on first use (GdiPlusStartup) and shuts down at
//   process exit, or earlier with GdiPlusShutdown once no GDI+ object is left.
// - When GDI+ cannot start, every object here is empty and draws nothing; callers that must
//   show something test Valid() and fall back to GDI.
// - GDI+ batches its output. Call Flush() before GDI draws on the same device context
//   (text, blits, DrawFrameControl); the graphics object also flushes when it goes.
// - Colours are COLORREF values drawn opaque; pens take fractional widths (1.6 draws a line
//   between one and two pixels wide, anti-aliased).
#pragma once

#include "Handles.h"

#include <span>

// Starts GDI+ when it is not running; true when it runs.
bool GdiPlusStartup();
// Ends GDI+ (every GDI+ object must be gone); the next use starts it again.
void GdiPlusShutdown();

class TGpPen {
public:
    TGpPen(COLORREF Color, float Width);
    bool Valid() const { return FPen.Valid(); }
    Gdiplus::GpPen* Handle() const { return FPen.Get(); }

private:
    TGpPenHandle FPen;
};

class TGpBrush {
public:
    bool Valid() const { return FBrush.Valid(); }
    Gdiplus::GpBrush* Handle() const { return FBrush.Get(); }

protected:
    TGpBrush() = default;
    TGpBrushHandle FBrush;
};

class TGpSolidBrush : public TGpBrush {
public:
    explicit TGpSolidBrush(COLORREF Color);
};

// Fills a polygon from Centre at its centre point out to Surround along its edge.
class TGpPathGradientBrush : public TGpBrush {
public:
    TGpPathGradientBrush(std::span<const POINT> Polygon, COLORREF Centre, COLORREF Surround);
};

// A figure made of polygons and ellipses, filled or outlined as one shape.
class TGpPath {
public:
    TGpPath();
    bool Valid() const { return FPath.Valid(); }
    void AddPolygon(std::span<const POINT> Points);
    void AddEllipse(float X, float Y, float Width, float Height);
    Gdiplus::GpPath* Handle() const { return FPath.Get(); }

private:
    TGpPathHandle FPath;
};

class TGpGraphics {
public:
    explicit TGpGraphics(HDC DC, bool AntiAlias = true);
    ~TGpGraphics();
    TGpGraphics(const TGpGraphics&) = delete;
    TGpGraphics& operator=(const TGpGraphics&) = delete;

    bool Valid() const { return FGraphics.Valid(); }
    void SetAntiAlias(bool Value);
    void FillPolygon(const TGpBrush& Brush, std::span<const POINT> Points);
    void DrawPolygon(const TGpPen& Pen, std::span<const POINT> Points);
    void FillPath(const TGpBrush& Brush, const TGpPath& Path);
    void DrawPath(const TGpPen& Pen, const TGpPath& Path);
    void DrawLine(const TGpPen& Pen, float X1, float Y1, float X2, float Y2);
    void FillEllipse(const TGpBrush& Brush, float X, float Y, float Width, float Height);
    void DrawEllipse(const TGpPen& Pen, float X, float Y, float Width, float Height);
    // Hands everything drawn so far to the device context.
    void Flush();

private:
    TGpGraphicsHandle FGraphics;
};
