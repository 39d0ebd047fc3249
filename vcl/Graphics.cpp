#include "Graphics.h"

#include "Format.h"
#include "Handles.h"
#include "Jpeg.h"
#include "SysUtils.h"

#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <cstring>

TFontDefaults DefFontData;

COLORREF ColorToRGB(TColor Color) {
    if (Color < 0)
        return GetSysColor(Color & 0xFF);
    return static_cast<COLORREF>(Color) & 0x00FFFFFF;
}

namespace {
double RelativeLuminance(COLORREF C) {
    auto linear = [](BYTE V) {
        const double s = V / 255.0;
        return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(GetRValue(C)) + 0.7152 * linear(GetGValue(C)) + 0.0722 * linear(GetBValue(C));
}
} // namespace

double ContrastRatio(TColor A, TColor B) {
    const double a = RelativeLuminance(ColorToRGB(A)), b = RelativeLuminance(ColorToRGB(B));
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

TColor ReadableTextColor(TColor Background, TColor Text) {
    if (ContrastRatio(Background, Text) >= 4.5)
        return Text;
    return ContrastRatio(Background, clBlack) >= ContrastRatio(Background, clWhite) ? clBlack : clWhite;
}

COLORREF MixColors(TColor A, TColor B, int Percent) {
    const COLORREF a = ColorToRGB(A), b = ColorToRGB(B);
    auto mix = [Percent](int X, int Y) { return static_cast<BYTE>(Y + (X - Y) * Percent / 100); };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

int ScreenPixelsPerInch() {
    static int ppi = 0;
    if (!ppi) {
        HDC dc = GetDC(nullptr);
        ppi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
        if (dc)
            ReleaseDC(nullptr, dc);
        if (ppi <= 0)
            ppi = 96;
    }
    return ppi;
}

// ------------------------------------------------------------------ TFont

TFont::TFont() : FName(DefFontData.Name), FHeight(DefFontData.Height) {}

TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
    if (FHandle) {
        if (BeforeFreeHandle)
            BeforeFreeHandle();
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TFont::Changed() {
    FreeHandle();
    if (OnChange)
        OnChange(this);
}

void TFont::SetName(const std::wstring& Value) {
    if (Value.empty() || Value == FName)
        return;
    FName = Value;
    Changed();
}

void TFont::SetHeight(int Value) {
    if (Value == FHeight)
        return;
    FHeight = Value;
    Changed();
}

int TFont::Size() const {
    return -static_cast<int>(std::lround(FHeight * 72.0 / ScreenPixelsPerInch()));
}

void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, ScreenPixelsPerInch(), 72)); }

void TFont::SetStyle(TFontStyles Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TFont::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    // The colour is not part of the HFONT; only listeners need to know.
    if (OnChange)
        OnChange(this);
}

void TFont::SetCharset(BYTE Value) {
    if (Value == FCharset)
        return;
    FCharset = Value;
    Changed();
}

HFONT TFont::Handle() {
    if (!FHandle) {
        LOGFONTW lf{};
        lf.lfHeight = FHeight;
        lf.lfWeight = (FStyle & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (FStyle & fsItalic) ? 1 : 0;
        lf.lfUnderline = (FStyle & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (FStyle & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = FCharset;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        lstrcpynW(lf.lfFaceName, FName.c_str(), LF_FACESIZE);
        FHandle = CreateFontIndirectW(&lf);
    }
    return FHandle;
}

void TFont::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TFont*>(Source)) {
        if (SameAs(*f))
            return;
        FName = f->FName;
        FHeight = f->FHeight;
        FStyle = f->FStyle;
        FColor = f->FColor;
        FCharset = f->FCharset;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

bool TFont::SameAs(const TFont& Other) const {
    return FName == Other.FName && FHeight == Other.FHeight && FStyle == Other.FStyle &&
           FColor == Other.FColor && FCharset == Other.FCharset;
}

// ------------------------------------------------------------------ TBrush

TBrush::~TBrush() { FreeHandle(); }

void TBrush::FreeHandle() {
    if (FHandle) {
        if (BeforeFreeHandle)
            BeforeFreeHandle();
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TBrush::Changed() {
    FreeHandle();
    if (OnChange)
        OnChange(this);
}

void TBrush::SetColor(TColor Value) {
    if (Value == FColor && FStyle != bsClear)
        return;
    FColor = Value;
    if (FStyle == bsClear)
        FStyle = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

HBRUSH TBrush::Handle() {
    if (!FHandle) {
        static const int hatches[] = {HS_HORIZONTAL, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS};
        if (FStyle == bsClear) {
            LOGBRUSH lb{BS_HOLLOW, 0, 0};
            FHandle = CreateBrushIndirect(&lb);
        } else if (FStyle == bsSolid) {
            FHandle = CreateSolidBrush(ColorToRGB(FColor));
        } else {
            FHandle = CreateHatchBrush(hatches[FStyle - bsHorizontal], ColorToRGB(FColor));
        }
    }
    return FHandle;
}

void TBrush::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        FColor = b->FColor;
        FStyle = b->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

// ------------------------------------------------------------------ TPen

TPen::~TPen() { FreeHandle(); }

void TPen::FreeHandle() {
    if (FHandle) {
        if (BeforeFreeHandle)
            BeforeFreeHandle();
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TPen::Changed() {
    FreeHandle();
    if (OnChange)
        OnChange(this);
}

void TPen::SetColor(TColor Value) {
    if (Value == FColor)
        return;
    FColor = Value;
    Changed();
}

void TPen::SetWidth(int Value) {
    if (Value < 0 || Value == FWidth)
        return;
    FWidth = Value;
    Changed();
}

void TPen::SetStyle(TPenStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    Changed();
}

void TPen::SetMode(TPenMode Value) {
    if (Value == FMode)
        return;
    FMode = Value;
    if (OnChange)
        OnChange(this);
}

HPEN TPen::Handle() {
    if (!FHandle) {
        static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        FHandle = CreatePen(styles[FStyle], FWidth, ColorToRGB(FColor));
    }
    return FHandle;
}

void TPen::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TPen*>(Source)) {
        FColor = p->FColor;
        FWidth = p->FWidth;
        FStyle = p->FStyle;
        FMode = p->FMode;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

// ------------------------------------------------------------------ TCanvas

TCanvas::TCanvas() {
    // A handle must not be deleted while it is selected into our context.
    FFont.BeforeFreeHandle = [this] {
        if (FHandle && FOldFont) {
            SelectObject(FHandle, FOldFont);
            FOldFont = nullptr;
        }
    };
    FPen.BeforeFreeHandle = [this] {
        if (FHandle && FOldPen) {
            SelectObject(FHandle, FOldPen);
            FOldPen = nullptr;
        }
    };
    FBrush.BeforeFreeHandle = [this] {
        if (FHandle && FOldBrush) {
            SelectObject(FHandle, FOldBrush);
            FOldBrush = nullptr;
        }
    };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

HDC TCanvas::Handle() {
    if (!FHandle)
        CreateHandle();
    return FHandle;
}

void TCanvas::DeselectObjects() {
    if (!FHandle)
        return;
    if (FOldFont)
        SelectObject(FHandle, FOldFont);
    if (FOldPen)
        SelectObject(FHandle, FOldPen);
    if (FOldBrush)
        SelectObject(FHandle, FOldBrush);
    FOldFont = FOldPen = FOldBrush = nullptr;
}

void TCanvas::SetHandle(HDC Value) {
    if (Value == FHandle)
        return;
    DeselectObjects();
    FHandle = Value;
}

void TCanvas::RequireHandle() {
    if (!Handle())
        throw EInvalidOperation(L"Canvas does not allow drawing");
}

void TCanvas::RequireFont() {
    RequireHandle();
    HGDIOBJ old = SelectObject(FHandle, FFont.Handle());
    if (!FOldFont)
        FOldFont = old;
    SetTextColor(FHandle, ColorToRGB(FFont.Color()));
}

void TCanvas::RequirePen() {
    static const int modes[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                                R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,
                                R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN, R2_NOTXORPEN};
    RequireHandle();
    HGDIOBJ old = SelectObject(FHandle, FPen.Handle());
    if (!FOldPen)
        FOldPen = old;
    SetROP2(FHandle, modes[FPen.Mode()]);
}

void TCanvas::RequireBrush() {
    RequireHandle();
    HGDIOBJ old = SelectObject(FHandle, FBrush.Handle());
    if (!FOldBrush)
        FOldBrush = old;
    SetBkColor(FHandle, ColorToRGB(FBrush.Color()));
    SetBkMode(FHandle, FBrush.Style() == bsSolid ? OPAQUE : TRANSPARENT);
}

void TCanvas::Changing() {
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange)
        OnChange(this);
}

TCanvasOrientation TCanvas::CanvasOrientation() {
    HDC dc = Handle();
    return dc && (GetLayout(dc) & LAYOUT_RTL) ? coRightToLeft : coLeftToRight;
}

POINT TCanvas::PenPos() {
    POINT p{0, 0};
    if (Handle())
        GetCurrentPositionEx(FHandle, &p);
    return p;
}

void TCanvas::MoveTo(int X, int Y) {
    RequireHandle();
    MoveToEx(FHandle, X, Y, nullptr);
}

void TCanvas::LineTo(int X, int Y) {
    Changing();
    RequirePen();
    RequireBrush();
    ::LineTo(FHandle, X, Y);
    Changed();
}

void TCanvas::Polyline(const std::vector<POINT>& Points) {
    if (Points.empty())
        return;
    Changing();
    RequirePen();
    RequireBrush();
    ::Polyline(FHandle, Points.data(), static_cast<int>(Points.size()));
    Changed();
}

void TCanvas::Polygon(const std::vector<POINT>& Points) {
    if (Points.empty())
        return;
    Changing();
    RequirePen();
    RequireBrush();
    ::Polygon(FHandle, Points.data(), static_cast<int>(Points.size()));
    Changed();
}

void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequirePen();
    RequireBrush();
    ::Rectangle(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
    Changing();
    RequirePen();
    RequireBrush();
    ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3);
    Changed();
}

void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
    Changing();
    RequirePen();
    RequireBrush();
    ::Ellipse(FHandle, X1, Y1, X2, Y2);
    Changed();
}

void TCanvas::FillRect(const RECT& Rect) {
    if (!Handle() || FBrush.Style() == bsClear)
        return;
    Changing();
    RequireBrush();
    ::FillRect(FHandle, &Rect, FBrush.Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& Rect) {
    Changing();
    RequireBrush();
    ::FrameRect(FHandle, &Rect, FBrush.Handle());
    Changed();
}

TColor TCanvas::Pixel(int X, int Y) {
    RequireHandle();
    COLORREF c = GetPixel(FHandle, X, Y);
    return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixel(int X, int Y, TColor Color) {
    Changing();
    RequireHandle();
    ::SetPixel(FHandle, X, Y, ColorToRGB(Color));
    Changed();
}

void TCanvas::TextOut(int X, int Y, const std::wstring& Text) {
    if (!Handle())
        return;
    Changing();
    RequireFont();
    RequireBrush();
    int width = 0;
    if (CanvasOrientation() == coRightToLeft) {
        width = TextWidth(Text);
        X += width + 1;
    }
    ExtTextOutW(FHandle, X, Y, TextFlags, nullptr, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
    if (!width)
        width = TextWidth(Text);
    MoveToEx(FHandle, X + width, Y, nullptr);
    Changed();
}

void TCanvas::TextRect(const RECT& Rect, int X, int Y, const std::wstring& Text) {
    Changing();
    RequireFont();
    RequireBrush();
    UINT options = ETO_CLIPPED | (TextFlags & ~ETO_OPAQUE);
    if (FBrush.Style() != bsClear)
        options |= ETO_OPAQUE;
    if ((TextFlags & ETO_RTLREADING) && CanvasOrientation() == coRightToLeft)
        X += TextWidth(Text) + 1;
    ExtTextOutW(FHandle, X, Y, options, &Rect, Text.c_str(), static_cast<UINT>(Text.size()), nullptr);
    Changed();
}

int TCanvas::DrawText(const std::wstring& Text, RECT& Rect, UINT Flags) {
    if (!Handle())
        return 0;
    Changing();
    RequireFont();
    SetBkMode(FHandle, TRANSPARENT);
    // The text is the caller's and read-only: the system must not write its shortened form back.
    int result = ::DrawTextW(FHandle, Text.c_str(), static_cast<int>(Text.size()), &Rect, Flags & ~DT_MODIFYSTRING);
    Changed();
    return result;
}

SIZE TCanvas::TextExtent(const std::wstring& Text) {
    SIZE sz{0, 0};
    if (Handle()) {
        RequireFont();
        if (!GetTextExtentPoint32W(FHandle, Text.c_str(), static_cast<int>(Text.size()), &sz))
            sz = SIZE{0, 0};
        return sz;
    }
    // No surface: measure on a screen context.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FFont.Handle());
    if (!GetTextExtentPoint32W(dc, Text.c_str(), static_cast<int>(Text.size()), &sz))
        sz = SIZE{0, 0};
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return sz;
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty())
        return;
    Changing();
    RequireHandle();
    Graphic->Draw(this, RECT{X, Y, X + Graphic->Width(), Y + Graphic->Height()});
    Changed();
}

void TCanvas::StretchDraw(const RECT& Rect, TGraphic* Graphic) {
    if (!Graphic || Graphic->Empty())
        return;
    Changing();
    RequireHandle();
    Graphic->Draw(this, Rect);
    Changed();
}

void TCanvas::CopyRect(const RECT& Dest, TCanvas* Source, const RECT& SourceRect) {
    if (!Source)
        return;
    Changing();
    RequireBrush();
    Source->RequireHandle();
    int dw = Dest.right - Dest.left, dh = Dest.bottom - Dest.top;
    int sw = SourceRect.right - SourceRect.left, sh = SourceRect.bottom - SourceRect.top;
    if (dw == sw && dh == sh) {
        BitBlt(FHandle, Dest.left, Dest.top, dw, dh, Source->Handle(), SourceRect.left, SourceRect.top, CopyMode);
    } else {
        SetStretchBltMode(FHandle, COLORONCOLOR);
        StretchBlt(FHandle, Dest.left, Dest.top, dw, dh, Source->Handle(), SourceRect.left, SourceRect.top, sw, sh,
                   CopyMode);
    }
    Changed();
}

RECT TCanvas::ClipRect() {
    RECT r{0, 0, 0, 0};
    if (Handle())
        GetClipBox(FHandle, &r);
    return r;
}

// ------------------------------------------------------------------ TGraphic

void TGraphic::SetTransparent(bool Value) {
    if (Value == FTransparent)
        return;
    FTransparent = Value;
    Changed();
}

void TGraphic::SetModified(bool Value) {
    if (Value)
        Changed();
    else
        FModified = false;
}

void TGraphic::Changed() {
    FModified = true;
    if (OnChange)
        OnChange(this);
}

void TGraphic::LoadFromFile(const std::wstring& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TGraphic::SaveToFile(const std::wstring& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

namespace {

// Everything from the stream's position to its end.
std::vector<uint8_t> ReadRest(TStream* Stream) {
    int64_t size = Stream->Size() - Stream->Position();
    if (size < 0 || size > 512 * 1024 * 1024)
        throw EInvalidGraphic(L"Picture data too large");
    std::vector<uint8_t> data(static_cast<size_t>(size));
    if (size)
        Stream->ReadBuffer(data.data(), static_cast<int32_t>(size));
    return data;
}

template <class T>
T ReadAt(const std::vector<uint8_t>& Data, size_t Offset) {
    T v;
    std::memcpy(&v, Data.data() + Offset, sizeof(T));
    return v;
}

// Widths are bounded by MaxPixels, so the result fits; the product before division may not.
int RowBytesOf(int Width, int BitCount) {
    return static_cast<int>((static_cast<int64_t>(Width) * BitCount + 31) / 32 * 4);
}

// Largest picture we make (in pixels), so that a damaged header cannot ask for gigabytes.
constexpr int64_t MaxPixels = 64 * 1024 * 1024;

} // namespace

// ------------------------------------------------------------------ TBitmap

// The canvas of a bitmap: its context is the bitmap's memory context, and drawing marks
// the bitmap changed.
class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* Owner) : FOwner(Owner) {
        OnChange = [this](TObject*) { FOwner->Changed(); };
    }

protected:
    void CreateHandle() override { SetHandle(FOwner->MemoryDC()); }

private:
    TBitmap* FOwner;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    if (FCanvas)
        FCanvas->SetHandle(nullptr);
    if (FDC) {
        SelectObject(FDC, FOldBitmap);
        DeleteDC(FDC);
    }
    if (FHandle)
        DeleteObject(FHandle);
}

int TBitmap::RowBytes() const { return RowBytesOf(FWidth, FPixelFormat == pf32bit ? 32 : 24); }

HDC TBitmap::MemoryDC() {
    if (!FDC) {
        FDC = CreateCompatibleDC(nullptr);
        if (!FDC)
            throw EOutOfResources(L"Out of system resources");
        FOldBitmap = GetCurrentObject(FDC, OBJ_BITMAP);
        if (FHandle)
            SelectObject(FDC, FHandle);
    }
    return FDC;
}

void TBitmap::NewImage(int AWidth, int AHeight, TPixelFormat Format) {
    if (AWidth < 0 || AHeight < 0 || static_cast<int64_t>(AWidth) * AHeight > MaxPixels)
        throw EInvalidGraphic(L"Invalid bitmap size");
    HBITMAP old = FHandle;
    uint8_t* oldBits = FBits;
    int oldW = FWidth, oldH = FHeight;
    TPixelFormat oldFormat = FPixelFormat;

    HBITMAP bmp = nullptr;
    void* bits = nullptr;
    if (AWidth > 0 && AHeight > 0) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = AWidth;
        bi.bmiHeader.biHeight = -AHeight; // top row first
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = Format == pf32bit ? 32 : 24;
        bi.bmiHeader.biCompression = BI_RGB;
        bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bmp)
            throw EOutOfResources(L"Out of system resources");
        std::memset(bits, 0xFF, static_cast<size_t>(RowBytesOf(AWidth, bi.bmiHeader.biBitCount)) * AHeight);
    }
    FHandle = bmp;
    FBits = static_cast<uint8_t*>(bits);
    FWidth = bmp ? AWidth : 0;
    FHeight = bmp ? AHeight : 0;
    FPixelFormat = Format;
    if (FDC)
        SelectObject(FDC, FHandle ? FHandle : FOldBitmap);
    // Keep the old picture's overlapping part.
    if (old && FHandle) {
        GdiFlush();
        int bppOld = oldFormat == pf32bit ? 4 : 3, bppNew = Format == pf32bit ? 4 : 3;
        int w = std::min(oldW, FWidth), h = std::min(oldH, FHeight);
        int rowOld = RowBytesOf(oldW, bppOld * 8), rowNew = RowBytes();
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = oldBits + static_cast<size_t>(y) * rowOld;
            uint8_t* dst = FBits + static_cast<size_t>(y) * rowNew;
            for (int x = 0; x < w; ++x) {
                std::memcpy(dst + x * bppNew, src + x * bppOld, 3);
                if (bppNew == 4)
                    dst[x * 4 + 3] = bppOld == 4 ? src[x * 4 + 3] : 0xFF;
            }
        }
    }
    if (old)
        DeleteObject(old);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    NewImage(AWidth, AHeight, FPixelFormat);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == FPixelFormat)
        return;
    NewImage(FWidth, FHeight, Value);
    Changed();
}

void TBitmap::FreeImage() {
    if (!FHandle)
        return;
    NewImage(0, 0, FPixelFormat);
    Changed();
}

uint8_t* TBitmap::ScanLine(int Y) {
    if (!FBits || Y < 0 || Y >= FHeight)
        throw EInvalidGraphicOperation(L"Scan line index out of range");
    GdiFlush();
    return FBits + static_cast<size_t>(Y) * RowBytes();
}

TCanvas* TBitmap::Canvas() {
    if (!FCanvas)
        FCanvas = std::make_unique<TBitmapCanvas>(this);
    return FCanvas.get();
}

HBITMAP TBitmap::Handle() { return FHandle; }

void TBitmap::CopyFromHandle(HBITMAP Source, int AWidth, int AHeight) {
    NewImage(AWidth, AHeight, FPixelFormat);
    if (!FHandle)
        return;
    HDC src = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(src, Source);
    BitBlt(MemoryDC(), 0, 0, AWidth, AHeight, src, 0, 0, SRCCOPY);
    SelectObject(src, old);
    DeleteDC(src);
    GdiFlush();
}

void TBitmap::SetHandle(HBITMAP Value) {
    if (!Value) {
        FreeImage();
        return;
    }
    if (Value == FHandle)
        return;
    BITMAP bm{};
    if (!GetObjectW(Value, sizeof(bm), &bm))
        throw EInvalidGraphic(L"Invalid bitmap handle");
    if (bm.bmBitsPixel == 32)
        FPixelFormat = pf32bit;
    const TGdiObject owned(Value); // ours either way
    CopyFromHandle(Value, bm.bmWidth, std::abs(bm.bmHeight));
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
    if (Value == FTransparentMode)
        return;
    FTransparentMode = Value;
    if (Value == tmAuto)
        FTransparentColor = clDefault;
    Changed();
}

TColor TBitmap::TransparentColor() {
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault)
        return FTransparentColor;
    if (!FBits)
        return clDefault;
    const uint8_t* p = ScanLine(FHeight - 1);
    return static_cast<TColor>(RGB(p[2], p[1], p[0]));
}

void TBitmap::SetTransparentColor(TColor Value) {
    FTransparentColor = Value;
    FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::Draw(TCanvas* ACanvas, const RECT& Rect) {
    if (!FHandle)
        return;
    HDC dst = ACanvas->Handle();
    HDC src = MemoryDC();
    if (FCanvas)
        FCanvas->DeselectObjects();
    int dw = Rect.right - Rect.left, dh = Rect.bottom - Rect.top;
    int oldMode = SetStretchBltMode(dst, COLORONCOLOR);
    if (!FTransparent) {
        StretchBlt(dst, Rect.left, Rect.top, dw, dh, src, 0, 0, FWidth, FHeight, ACanvas->CopyMode);
    } else {
        // Mask of the transparent colour (1 = leave the destination), then
        // destination ^= picture; destination &= mask; destination ^= picture.
        HDC maskDC = CreateCompatibleDC(nullptr);
        {
            TSelectedObject mask(maskDC, CreateBitmap(FWidth, FHeight, 1, 1, nullptr), true);
            COLORREF oldBk = SetBkColor(src, ColorToRGB(TransparentColor()));
            BitBlt(maskDC, 0, 0, FWidth, FHeight, src, 0, 0, SRCCOPY);
            SetBkColor(src, oldBk);
            COLORREF oldText = SetTextColor(dst, RGB(0, 0, 0));
            COLORREF oldDstBk = SetBkColor(dst, RGB(255, 255, 255));
            StretchBlt(dst, Rect.left, Rect.top, dw, dh, src, 0, 0, FWidth, FHeight, SRCINVERT);
            StretchBlt(dst, Rect.left, Rect.top, dw, dh, maskDC, 0, 0, FWidth, FHeight, SRCAND);
            StretchBlt(dst, Rect.left, Rect.top, dw, dh, src, 0, 0, FWidth, FHeight, SRCINVERT);
            SetTextColor(dst, oldText);
            SetBkColor(dst, oldDstBk);
        } // the mask is deselected and deleted before its context goes
        DeleteDC(maskDC);
    }
    SetStretchBltMode(dst, oldMode);
}

void TBitmap::LoadFromStream(TStream* Stream) {
    std::vector<uint8_t> data = ReadRest(Stream);
    auto invalid = [] { return EInvalidGraphic(L"Bitmap image is not valid"); };
    if (data.size() < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPCOREHEADER))
        throw invalid();
    auto fh = ReadAt<BITMAPFILEHEADER>(data, 0);
    if (fh.bfType != 0x4D42)
        throw invalid();
    size_t infoAt = sizeof(BITMAPFILEHEADER);
    DWORD headerSize = ReadAt<DWORD>(data, infoAt);
    int width = 0, height = 0, bitCount = 0;
    DWORD compression = BI_RGB, colors = 0, imageSize = 0;
    size_t colorTable = 0;
    if (headerSize == sizeof(BITMAPCOREHEADER)) {
        auto ch = ReadAt<BITMAPCOREHEADER>(data, infoAt);
        width = ch.bcWidth;
        height = ch.bcHeight;
        bitCount = ch.bcBitCount;
        colorTable = bitCount <= 8 ? (size_t{1} << bitCount) * sizeof(RGBTRIPLE) : 0;
    } else {
        if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > data.size() - infoAt)
            throw invalid();
        auto ih = ReadAt<BITMAPINFOHEADER>(data, infoAt);
        width = ih.biWidth;
        height = ih.biHeight;
        bitCount = ih.biBitCount;
        compression = ih.biCompression;
        colors = ih.biClrUsed;
        imageSize = ih.biSizeImage;
        if (bitCount <= 8)
            colorTable = (colors ? std::min<DWORD>(colors, 256) : (DWORD{1} << bitCount)) * sizeof(RGBQUAD);
        else if (compression == BI_BITFIELDS && headerSize == sizeof(BITMAPINFOHEADER))
            colorTable = 3 * sizeof(DWORD);
        if (ih.biPlanes != 1)
            throw invalid();
    }
    int absHeight = height < 0 ? -height : height;
    if (width <= 0 || absHeight <= 0 || static_cast<int64_t>(width) * absHeight > MaxPixels)
        throw invalid();
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        throw invalid();
    if (infoAt + headerSize + colorTable > data.size() || fh.bfOffBits > data.size())
        throw invalid();
    size_t bitsAt = fh.bfOffBits ? fh.bfOffBits : infoAt + headerSize + colorTable;
    size_t available = data.size() - bitsAt;
    size_t needed = (compression == BI_RLE8 || compression == BI_RLE4)
                        ? imageSize
                        : static_cast<size_t>(RowBytesOf(width, bitCount)) * absHeight;
    if (compression != BI_RGB && compression != BI_BITFIELDS && compression != BI_RLE8 && compression != BI_RLE4)
        throw invalid();
    if (needed == 0 || needed > available)
        throw invalid();

    // The system reads the header, table and rows; a copy of the header with its table
    // is made so that it is properly aligned.
    std::vector<uint8_t> info(data.begin() + static_cast<std::ptrdiff_t>(infoAt),
                              data.begin() + static_cast<std::ptrdiff_t>(infoAt + headerSize + colorTable));
    // Room for whatever the system may read after the header: masks and a full table.
    info.resize(std::max<size_t>(info.size(), headerSize + 3 * sizeof(DWORD) + 256 * sizeof(RGBQUAD)));
    NewImage(width, absHeight, bitCount == 32 ? pf32bit : pf24bit);
    int lines = SetDIBits(MemoryDC(), FHandle, 0, static_cast<UINT>(absHeight), data.data() + bitsAt,
                          reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    if (lines == 0) {
        NewImage(0, 0, FPixelFormat);
        throw invalid();
    }
    GdiFlush();
    Changed();
}

void TBitmap::SaveToStream(TStream* Stream) {
    int bitCount = FPixelFormat == pf32bit ? 32 : 24;
    int row = RowBytes();
    BITMAPFILEHEADER fh{};
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof(ih);
    ih.biWidth = FWidth;
    ih.biHeight = FHeight; // bottom row first in the file
    ih.biPlanes = 1;
    ih.biBitCount = static_cast<WORD>(bitCount);
    ih.biCompression = BI_RGB;
    ih.biSizeImage = static_cast<DWORD>(row) * FHeight;
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(ih);
    fh.bfSize = fh.bfOffBits + ih.biSizeImage;
    Stream->WriteBuffer(&fh, sizeof(fh));
    Stream->WriteBuffer(&ih, sizeof(ih));
    for (int y = FHeight - 1; y >= 0; --y)
        Stream->WriteBuffer(ScanLine(y), row);
}

void TBitmap::LoadFromResourceID(HINSTANCE Instance, int ResID) {
    HANDLE h = LoadImageW(Instance, MAKEINTRESOURCEW(ResID), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!h)
        throw EInvalidGraphic(Format(L"Resource %d not found", {ResID}));
    SetHandle(static_cast<HBITMAP>(h));
}

void TBitmap::LoadFromResourceName(HINSTANCE Instance, const std::wstring& ResName) {
    HANDLE h = LoadImageW(Instance, ResName.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!h)
        throw EInvalidGraphic(Format(L"Resource %s not found", {ResName}));
    SetHandle(static_cast<HBITMAP>(h));
}

void TBitmap::Assign(TPersistent* Source) {
    if (!Source) {
        FreeImage();
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        if (b == this)
            return;
        NewImage(0, 0, b->FPixelFormat);
        NewImage(b->FWidth, b->FHeight, b->FPixelFormat);
        if (FBits) {
            GdiFlush();
            std::memcpy(FBits, b->FBits, static_cast<size_t>(RowBytes()) * FHeight);
        }
        FTransparent = b->FTransparent;
        FTransparentMode = b->FTransparentMode;
        FTransparentColor = b->FTransparentColor;
        Changed();
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        // Other pictures that cannot give themselves as a bitmap are drawn onto a white one.
        try {
            TGraphic::Assign(Source);
            return;
        } catch (const EConvertError&) {
        }
        NewImage(0, 0, pf24bit);
        NewImage(g->Width(), g->Height(), pf24bit);
        Canvas()->Draw(0, 0, g);
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

// ------------------------------------------------------------------ TIcon

namespace {

#pragma pack(push, 1)
struct TIconDir {
    WORD Reserved;
    WORD Type;
    WORD Count;
};
struct TIconDirEntry {
    BYTE Width;
    BYTE Height;
    BYTE ColorCount;
    BYTE Reserved;
    WORD Planes;
    WORD BitCount;
    DWORD BytesInRes;
    DWORD ImageOffset;
};
#pragma pack(pop)

SIZE IconSize(HICON Icon) {
    SIZE size{0, 0};
    ICONINFO ii{};
    if (!Icon || !GetIconInfo(Icon, &ii))
        return size;
    const TGdiObject color(ii.hbmColor), mask(ii.hbmMask); // the copies GetIconInfo made
    BITMAP bm{};
    if (ii.hbmColor && GetObjectW(ii.hbmColor, sizeof(bm), &bm)) {
        size = SIZE{bm.bmWidth, bm.bmHeight};
    } else if (ii.hbmMask && GetObjectW(ii.hbmMask, sizeof(bm), &bm)) {
        size = SIZE{bm.bmWidth, bm.bmHeight / 2};
    }
    return size;
}

// An ICO file with one 32-bit image made from an icon handle.
std::vector<uint8_t> IconToIcoFile(HICON Icon) {
    ICONINFO ii{};
    if (!GetIconInfo(Icon, &ii))
        throw EInvalidGraphic(L"Invalid icon");
    const TGdiObject colorBitmap(ii.hbmColor), maskBitmap(ii.hbmMask); // the copies GetIconInfo made
    SIZE size = IconSize(Icon);
    int w = size.cx, h = size.cy;
    HDC dc = GetDC(nullptr);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h; // bottom-up, as icon images are stored
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> color(static_cast<size_t>(w) * h * 4, 0);
    if (ii.hbmColor)
        GetDIBits(dc, ii.hbmColor, 0, static_cast<UINT>(h), color.data(), &bi, DIB_RGB_COLORS);
    // The AND mask, 1 bit per pixel.
    struct {
        BITMAPINFOHEADER h;
        RGBQUAD c[2];
    } mi{};
    mi.h = bi.bmiHeader;
    mi.h.biBitCount = 1;
    int maskRow = RowBytesOf(w, 1);
    std::vector<uint8_t> mask(static_cast<size_t>(maskRow) * h, 0);
    if (ii.hbmMask)
        GetDIBits(dc, ii.hbmMask, 0, static_cast<UINT>(h), mask.data(), reinterpret_cast<BITMAPINFO*>(&mi),
                  DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    // Pictures without alpha: opaque wherever the mask says so.
    bool hasAlpha = false;
    for (size_t i = 3; i < color.size(); i += 4)
        hasAlpha = hasAlpha || color[i] != 0;
    if (!hasAlpha)
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                bool transparent = mask[static_cast<size_t>(y) * maskRow + x / 8] & (0x80 >> (x % 8));
                color[(static_cast<size_t>(y) * w + x) * 4 + 3] = transparent ? 0 : 0xFF;
            }
    BITMAPINFOHEADER ih = bi.bmiHeader;
    ih.biHeight = h * 2;
    ih.biSizeImage = static_cast<DWORD>(color.size() + mask.size());
    TIconDir dir{0, 1, 1};
    TIconDirEntry entry{};
    entry.Width = static_cast<BYTE>(w >= 256 ? 0 : w);
    entry.Height = static_cast<BYTE>(h >= 256 ? 0 : h);
    entry.Planes = 1;
    entry.BitCount = 32;
    entry.BytesInRes = static_cast<DWORD>(sizeof(ih) + color.size() + mask.size());
    entry.ImageOffset = sizeof(dir) + sizeof(entry);
    std::vector<uint8_t> out;
    auto put = [&out](const void* p, size_t n) {
        out.insert(out.end(), static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + n);
    };
    put(&dir, sizeof(dir));
    put(&entry, sizeof(entry));
    put(&ih, sizeof(ih));
    put(color.data(), color.size());
    put(mask.data(), mask.size());
    return out;
}

} // namespace

TIcon::~TIcon() {
    if (FHandle)
        DestroyIcon(FHandle);
}

void TIcon::SetWidth(int Value) {
    if (Value != FWidth)
        throw EInvalidGraphicOperation(L"Cannot change the size of an icon");
}

void TIcon::SetHeight(int Value) {
    if (Value != FHeight)
        throw EInvalidGraphicOperation(L"Cannot change the size of an icon");
}

void TIcon::TakeHandle(HICON Value, std::vector<uint8_t> Data) {
    if (FHandle && FHandle != Value)
        DestroyIcon(FHandle);
    FHandle = Value;
    FData = std::move(Data);
    SIZE size = IconSize(Value);
    FWidth = size.cx;
    FHeight = size.cy;
    Changed();
}

void TIcon::SetHandle(HICON Value) { TakeHandle(Value, {}); }

HICON TIcon::ReleaseHandle() {
    HICON h = FHandle;
    FHandle = nullptr;
    FData.clear();
    FWidth = FHeight = 0;
    Changed();
    return h;
}

void TIcon::LoadFromModuleFile(const std::wstring& FileName, int Index, int Size) {
    if (Size <= 0)
        Size = GetSystemMetrics(SM_CXICON);
    HICON icon = nullptr;
    HRESULT hr = SHDefExtractIconW(FileName.c_str(), Index, 0, &icon, nullptr,
                                   MAKELONG(static_cast<WORD>(Size), static_cast<WORD>(Size)));
    if (hr != S_OK || !icon)
        throw EInvalidGraphic(Format(L"Cannot load icon %d of \"%s\"", {Index, FileName}));
    TakeHandle(icon, {});
}

void TIcon::LoadFromStream(TStream* Stream) {
    std::vector<uint8_t> data = ReadRest(Stream);
    auto invalid = [] { return EInvalidGraphic(L"Icon image is not valid"); };
    if (data.size() < sizeof(TIconDir))
        throw invalid();
    auto dir = ReadAt<TIconDir>(data, 0);
    if (dir.Reserved != 0 || dir.Type != 1 || dir.Count == 0 ||
        sizeof(TIconDir) + size_t{dir.Count} * sizeof(TIconDirEntry) > data.size())
        throw invalid();
    // The image closest to the system's icon size, the most colours first among equals.
    int want = GetSystemMetrics(SM_CXICON);
    int best = -1, bestDiff = 0, bestBits = 0;
    for (int i = 0; i < dir.Count; ++i) {
        auto e = ReadAt<TIconDirEntry>(data, sizeof(TIconDir) + static_cast<size_t>(i) * sizeof(TIconDirEntry));
        if (e.BytesInRes == 0 || e.ImageOffset > data.size() || e.BytesInRes > data.size() - e.ImageOffset)
            continue;
        int w = e.Width ? e.Width : 256;
        int diff = std::abs(w - want);
        int bits = e.BitCount ? e.BitCount : 8;
        if (best < 0 || diff < bestDiff || (diff == bestDiff && bits > bestBits)) {
            best = i;
            bestDiff = diff;
            bestBits = bits;
        }
    }
    if (best < 0)
        throw invalid();
    auto e = ReadAt<TIconDirEntry>(data, sizeof(TIconDir) + static_cast<size_t>(best) * sizeof(TIconDirEntry));
    int w = e.Width ? e.Width : 256, h = e.Height ? e.Height : 256;
    HICON icon = CreateIconFromResourceEx(data.data() + e.ImageOffset, e.BytesInRes, TRUE, 0x00030000, w, h,
                                          LR_DEFAULTCOLOR);
    if (!icon)
        throw invalid();
    TakeHandle(icon, std::move(data));
}

void TIcon::SaveToStream(TStream* Stream) {
    if (!FHandle)
        return;
    std::vector<uint8_t> data = FData.empty() ? IconToIcoFile(FHandle) : FData;
    Stream->WriteBuffer(data.data(), static_cast<int32_t>(data.size()));
}

void TIcon::Assign(TPersistent* Source) {
    if (!Source) {
        if (FHandle)
            TakeHandle(nullptr, {});
        return;
    }
    if (auto* i = dynamic_cast<TIcon*>(Source)) {
        if (i == this)
            return;
        TakeHandle(i->FHandle ? CopyIcon(i->FHandle) : nullptr, i->FData);
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::Draw(TCanvas* ACanvas, const RECT& Rect) {
    if (FHandle)
        DrawIconEx(ACanvas->Handle(), Rect.left, Rect.top, FHandle, Rect.right - Rect.left, Rect.bottom - Rect.top, 0,
                   nullptr, DI_NORMAL);
}

// ------------------------------------------------------------------ TPicture

namespace {

struct TFileFormat {
    std::wstring Extension; // lower case, no dot
    std::wstring Description;
    TGraphicClass GraphicClass;
};

std::vector<TFileFormat>& FileFormats() {
    static std::vector<TFileFormat> formats = [] {
        std::vector<TFileFormat> f;
        f.push_back({L"bmp", L"Bitmaps", GraphicClassOf<TBitmap>()});
        f.push_back({L"ico", L"Icons", GraphicClassOf<TIcon>()});
        f.push_back({L"jpg", L"JPEG Image File", GraphicClassOf<TJPEGImage>()});
        f.push_back({L"jpeg", L"JPEG Image File", GraphicClassOf<TJPEGImage>()});
        return f;
    }();
    return formats;
}

std::wstring NormalExtension(const std::wstring& Extension) {
    std::wstring e = Extension;
    if (!e.empty() && e[0] == L'.')
        e.erase(0, 1);
    return LowerCase(e);
}

std::wstring ExtensionOf(const std::wstring& FileName) {
    size_t dot = FileName.find_last_of(L".\\/:");
    if (dot == std::wstring::npos || FileName[dot] != L'.')
        return L"";
    return FileName.substr(dot + 1);
}

} // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject* Sender) {
    if (OnChange)
        OnChange(this);
}

void TPicture::TakeGraphic(TGraphic* Value) {
    std::unique_ptr<TGraphic> g(Value);
    if (g)
        g->OnChange = [this](TObject* s) { Changed(s); };
    FGraphic = std::move(g);
    Changed(this);
}

void TPicture::SetGraphic(TGraphic* Value) {
    if (!Value) {
        TakeGraphic(nullptr);
        return;
    }
    if (Value == FGraphic.get())
        return;
    std::unique_ptr<TGraphic> copy(Value->GraphicClass()->Create());
    copy->Assign(Value);
    TakeGraphic(copy.release());
}

TBitmap* TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(FGraphic.get()))
        TakeGraphic(new TBitmap());
    return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
    if (!dynamic_cast<TIcon*>(FGraphic.get()))
        TakeGraphic(new TIcon());
    return static_cast<TIcon*>(FGraphic.get());
}

void TPicture::LoadFromFile(const std::wstring& FileName) {
    std::wstring ext = ExtensionOf(FileName);
    TGraphicClass cls = FindFileFormat(ext);
    if (!cls)
        throw EInvalidGraphic(Format(L"Unknown picture file extension (.%s)", {ext}));
    std::unique_ptr<TGraphic> g(cls->Create());
    g->LoadFromFile(FileName);
    TakeGraphic(g.release());
}

void TPicture::SaveToFile(const std::wstring& FileName) {
    if (FGraphic)
        FGraphic->SaveToFile(FileName);
}

void TPicture::Assign(TPersistent* Source) {
    if (!Source) {
        SetGraphic(nullptr);
    } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
        SetGraphic(p->Graphic());
    } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(g);
    } else {
        TPersistent::Assign(Source);
    }
}

void TPicture::AssignTo(TPersistent* Dest) {
    if (FGraphic && dynamic_cast<TGraphic*>(Dest)) {
        Dest->Assign(FGraphic.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TPicture::RegisterFileFormat(const std::wstring& Extension, const std::wstring& Description,
                                  TGraphicClass GraphicClass) {
    std::wstring ext = NormalExtension(Extension);
    auto& formats = FileFormats();
    for (auto& f : formats)
        if (f.Extension == ext) {
            f.Description = Description;
            f.GraphicClass = GraphicClass;
            return;
        }
    formats.push_back({ext, Description, GraphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass GraphicClass) {
    auto& formats = FileFormats();
    formats.erase(std::remove_if(formats.begin(), formats.end(),
                                 [GraphicClass](const TFileFormat& f) { return f.GraphicClass == GraphicClass; }),
                  formats.end());
}

TGraphicClass TPicture::FindFileFormat(const std::wstring& Extension) {
    std::wstring ext = NormalExtension(Extension);
    for (auto& f : FileFormats())
        if (f.Extension == ext)
            return f.GraphicClass;
    return nullptr;
}

std::wstring TPicture::GraphicFilter(TGraphicClass GraphicClass) {
    std::wstring all, parts;
    for (auto& f : FileFormats()) {
        if (GraphicClass && f.GraphicClass != GraphicClass)
            continue;
        std::wstring mask = L"*." + f.Extension;
        all += (all.empty() ? L"" : L";") + mask;
        parts += L"|" + f.Description + L" (" + mask + L")|" + mask;
    }
    if (all.empty())
        return L"";
    return L"All (" + all + L")|" + all + parts;
}
