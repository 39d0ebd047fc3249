// Colours, fonts, pens, brushes, drawing surfaces and pictures: bitmaps (24/32-bit device
// independent), icons, and TPicture with its registry of file formats by extension.
#pragma once

#include "Classes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// A colour: 0x00BBGGRR, or a system colour (high bit set, low byte = COLOR_* index).
using TColor = int32_t;
constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clOlive = 0x008080;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour (system colours resolved now).
COLORREF ColorToRGB(TColor Color);

// How far apart two colours stand to the eye: the ratio of their relative luminances, each
// + 0.05 (1 for equal colours, 21 for black and white).
double ContrastRatio(TColor A, TColor B);
// Text that reads on Background: Text itself when it stands at least 4.5 : 1 apart from it,
// else black or white, whichever stands further apart.
TColor ReadableTextColor(TColor Background, TColor Text);
// A colour Percent (0 to 100) of the way from B to A, per channel.
COLORREF MixColors(TColor A, TColor B, int Percent);

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

// Face name and height that new fonts start with. The start-up code may change the
// name (at most 31 characters) before the first form is made.
struct TFontDefaults {
    std::wstring Name = L"MS Sans Serif";
    int Height = -11; // 8 points at 96 dpi
};
extern TFontDefaults DefFontData;

// Screen resolution used to turn points into pixels.
int ScreenPixelsPerInch();

// A font description and its system handle (made on first use, remade after a change).
class TFont : public TPersistent {
public:
    VORLANE_CLASS_NAME(TFont)
    TFont();
    ~TFont() override;

    const std::wstring& Name() const { return FName; }
    void SetName(const std::wstring& Value);
    // Height in pixels (negative: character height without internal leading).
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    // Size in points (derived from Height).
    int Size() const;
    void SetSize(int Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    BYTE Charset() const { return FCharset; }
    void SetCharset(BYTE Value);

    // The font's HFONT; owned by this object.
    HFONT Handle();
    void Assign(TPersistent* Source) override;
    bool SameAs(const TFont& Other) const;

    TNotifyEvent OnChange;
    // Internal: runs before the handle is deleted (a canvas deselects it first).
    std::function<void()> BeforeFreeHandle;

protected:
    virtual void Changed();

private:
    void FreeHandle();
    std::wstring FName;
    int FHeight;
    TFontStyles FStyle = 0;
    TColor FColor = clWindowText;
    BYTE FCharset = DEFAULT_CHARSET;
    HFONT FHandle = nullptr;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

// A fill colour and style and its system brush.
class TBrush : public TPersistent {
public:
    VORLANE_CLASS_NAME(TBrush)
    ~TBrush() override;
    TColor Color() const { return FColor; }
    // Setting a colour makes a clear brush solid.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    // The brush's HBRUSH (a hollow brush for bsClear); owned by this object.
    HBRUSH Handle();
    void Assign(TPersistent* Source) override;
    TNotifyEvent OnChange;
    std::function<void()> BeforeFreeHandle;

private:
    void Changed();
    void FreeHandle();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    HBRUSH FHandle = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode { pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
                pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor };

// A line colour, width and style and its system pen.
class TPen : public TPersistent {
public:
    VORLANE_CLASS_NAME(TPen)
    ~TPen() override;
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    // The raster operation lines are drawn with (applied by the canvas).
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);
    HPEN Handle();
    void Assign(TPersistent* Source) override;
    TNotifyEvent OnChange;
    std::function<void()> BeforeFreeHandle;

private:
    void Changed();
    void FreeHandle();
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    HPEN FHandle = nullptr;
};

class TGraphic;

enum TCanvasOrientation { coLeftToRight, coRightToLeft };

// A drawing surface over a device context. A plain canvas draws on a context someone
// else owns (paint handlers set Handle for the time of painting); a canvas that makes its
// own context (a bitmap's) overrides CreateHandle. Every drawing call selects the canvas's
// font, pen and brush into the context first; objects are deselected before a font, pen
// or brush handle changes and when the context is taken away.
class TCanvas : public TPersistent {
public:
    VORLANE_CLASS_NAME(TCanvas)
    TCanvas();
    ~TCanvas() override;

    HDC Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void SetHandle(HDC Value);
    TFont* Font() { return &FFont; }
    TBrush* Brush() { return &FBrush; }
    TPen* Pen() { return &FPen; }
    // Options of ExtTextOutW for TextOut/TextRect (ETO_CLIPPED, ETO_OPAQUE, ETO_RTLREADING).
    UINT TextFlags = 0;
    // Right to left when the context's layout is mirrored.
    TCanvasOrientation CanvasOrientation();

    POINT PenPos();
    void SetPenPos(POINT Value) { MoveTo(Value.x, Value.y); }
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const std::vector<POINT>& Points);
    void Polygon(const std::vector<POINT>& Points);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const RECT& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const RECT& R) { Ellipse(R.left, R.top, R.right, R.bottom); }
    void FillRect(const RECT& Rect);
    // A one-pixel frame in the brush colour.
    void FrameRect(const RECT& Rect);
    TColor Pixel(int X, int Y);
    void SetPixel(int X, int Y, TColor Color);

    void TextOut(int X, int Y, const std::wstring& Text);
    // Text clipped to Rect (and the rectangle filled when the brush is solid).
    void TextRect(const RECT& Rect, int X, int Y, const std::wstring& Text);
    // DrawTextW with the canvas font; returns the height drawn (DT_CALCRECT updates Rect).
    int DrawText(const std::wstring& Text, RECT& Rect, UINT Flags);
    SIZE TextExtent(const std::wstring& Text);
    int TextWidth(const std::wstring& Text) { return TextExtent(Text).cx; }
    int TextHeight(const std::wstring& Text) { return TextExtent(Text).cy; }

    // Draws a picture at its own size / stretched into a rectangle.
    void Draw(int X, int Y, TGraphic* Graphic);
    void StretchDraw(const RECT& Rect, TGraphic* Graphic);
    // Copies a part of another canvas (stretched when the sizes differ), with CopyMode.
    void CopyRect(const RECT& Dest, TCanvas* Source, const RECT& SourceRect);
    DWORD CopyMode = SRCCOPY;
    RECT ClipRect();

    // Change notifications around every drawing call (a bitmap marks itself modified).
    TNotifyEvent OnChanging, OnChange;
    void Changing();
    void Changed();

    // Makes sure the context exists and the canvas's objects are selected into it.
    // Raises EInvalidOperation "Canvas does not allow drawing" without a context.
    void RequireHandle();
    void RequireFont();
    void RequirePen();
    void RequireBrush();
    // Deselects the canvas's objects from the context (before the context goes).
    void DeselectObjects();

protected:
    // Canvases that make their own context set it here (SetHandle); the default has none.
    virtual void CreateHandle() {}

private:
    HDC FHandle = nullptr;
    HGDIOBJ FOldFont = nullptr;
    HGDIOBJ FOldPen = nullptr;
    HGDIOBJ FOldBrush = nullptr;
    TFont FFont;
    TBrush FBrush;
    TPen FPen;
};

VORLANE_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
VORLANE_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

// ---------------------------------------------------------------------------------
// Pictures

class TGraphic;
// A class of pictures: its name and how to make an empty one.
struct TGraphicClassInfo {
    const wchar_t* Name;
    TGraphic* (*Create)();
};
using TGraphicClass = const TGraphicClassInfo*;

// The class record of a picture class T (T needs a default constructor).
template <class T>
TGraphicClass GraphicClassOf() {
    static const TGraphicClassInfo info{T::StaticClassName(), []() -> TGraphic* { return new T(); }};
    return &info;
}

// A picture that can draw itself and load from / save to a stream in its own format.
class TGraphic : public TPersistent {
public:
    VORLANE_CLASS_NAME(TGraphic)
    virtual TGraphicClass GraphicClass() const = 0;
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual void SetHeight(int Value) = 0;
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;
    void LoadFromFile(const std::wstring& FileName);
    void SaveToFile(const std::wstring& FileName);

    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    virtual void Draw(TCanvas* ACanvas, const RECT& Rect) = 0;
    virtual void Changed();
    bool FTransparent = false;
    bool FModified = false;
};

enum TPixelFormat { pf24bit, pf32bit };
enum TTransparentMode { tmAuto, tmFixed };

// A device-independent bitmap: 24-bit (or 32-bit) rows, top row first, with a canvas.
// Loads and saves the BMP file format (any colour depth the system reads).
class TBitmap : public TGraphic {
public:
    VORLANE_CLASS_NAME(TBitmap)
    static const wchar_t* StaticClassName() { return L"TBitmap"; }
    TBitmap();
    ~TBitmap() override;
    TGraphicClass GraphicClass() const override { return GraphicClassOf<TBitmap>(); }

    bool Empty() const override { return FWidth == 0 || FHeight == 0; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    void SetWidth(int Value) override { SetSize(Value, FHeight); }
    void SetHeight(int Value) override { SetSize(FWidth, Value); }
    // A new size keeps the picture's top-left part; new pixels are white.
    void SetSize(int AWidth, int AHeight);
    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);

    // The pixels of row Y (0 = top): 3 bytes (B, G, R) per pixel for pf24bit, 4 for pf32bit.
    // Raises EInvalidGraphicOperation "Scan line index out of range".
    uint8_t* ScanLine(int Y);
    int RowBytes() const;
    TCanvas* Canvas();
    HBITMAP Handle();
    // Takes over a bitmap handle (copied into a new DIB; the handle is deleted).
    void SetHandle(HBITMAP Value);

    // Transparent drawing leaves out the pixels of TransparentColor (tmAuto: the colour
    // of the bottom-left pixel).
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);
    TColor TransparentColor();
    void SetTransparentColor(TColor Value);

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // A bitmap resource of a module (EResNotFound-like EInvalidGraphic when missing).
    void LoadFromResourceID(HINSTANCE Instance, int ResID);
    void LoadFromResourceName(HINSTANCE Instance, const std::wstring& ResName);
    void Assign(TPersistent* Source) override;
    // Drops the picture (0 x 0).
    void FreeImage();

protected:
    void Draw(TCanvas* ACanvas, const RECT& Rect) override;

private:
    class TBitmapCanvas;
    void NewImage(int AWidth, int AHeight, TPixelFormat Format);
    void CopyFromHandle(HBITMAP Source, int AWidth, int AHeight);
    HDC MemoryDC();
    int FWidth = 0, FHeight = 0;
    TPixelFormat FPixelFormat = pf24bit;
    HBITMAP FHandle = nullptr;
    uint8_t* FBits = nullptr;
    HDC FDC = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
    std::unique_ptr<TCanvas> FCanvas;
    TTransparentMode FTransparentMode = tmAuto;
    TColor FTransparentColor = clDefault;
};

// An icon (with its mask). Loads and saves the ICO file format.
class TIcon : public TGraphic {
public:
    VORLANE_CLASS_NAME(TIcon)
    static const wchar_t* StaticClassName() { return L"TIcon"; }
    TIcon() { FTransparent = true; }
    ~TIcon() override;
    TGraphicClass GraphicClass() const override { return GraphicClassOf<TIcon>(); }

    bool Empty() const override { return FHandle == nullptr; }
    int Width() const override { return FWidth; }
    int Height() const override { return FHeight; }
    // An icon has the size it was made with (EInvalidGraphicOperation "Cannot change the size of an icon").
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    // The icon; owned by this object.
    HICON Handle() const { return FHandle; }
    // Takes ownership of an icon handle (null empties the icon).
    void SetHandle(HICON Value);
    // Gives the handle away (the icon is empty afterwards).
    HICON ReleaseHandle();
    // The icon of Index in an executable, library or icon file, at the given size (0 = system size).
    void LoadFromModuleFile(const std::wstring& FileName, int Index, int Size = 0);

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void Assign(TPersistent* Source) override;

protected:
    void Draw(TCanvas* ACanvas, const RECT& Rect) override;

private:
    void TakeHandle(HICON Value, std::vector<uint8_t> Data);
    HICON FHandle = nullptr;
    int FWidth = 0, FHeight = 0;
    std::vector<uint8_t> FData; // the ICO file it came from, saved back unchanged
};

// Holds one picture of any registered class; LoadFromFile picks the class by the file's
// extension.
class TPicture : public TPersistent {
public:
    VORLANE_CLASS_NAME(TPicture)
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Keeps a copy of Value (or nothing for null).
    void SetGraphic(TGraphic* Value);
    // The picture as a bitmap / icon: a picture of another class is replaced by an empty one.
    TBitmap* Bitmap();
    TIcon* Icon();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // Raises EInvalidGraphic 'Unknown picture file extension (.%s)' for an extension that no
    // class is registered for.
    void LoadFromFile(const std::wstring& FileName);
    void SaveToFile(const std::wstring& FileName);
    void Assign(TPersistent* Source) override;

    // The registry of file formats: lower-case extension without the dot -> picture class.
    static void RegisterFileFormat(const std::wstring& Extension, const std::wstring& Description,
                                   TGraphicClass GraphicClass);
    static void UnregisterGraphicClass(TGraphicClass GraphicClass);
    // The class registered for an extension ("jpg" or ".jpg", case ignored); null when none.
    static TGraphicClass FindFileFormat(const std::wstring& Extension);
    // "All (*.bmp;*.jpg;...)|*.bmp;*.jpg;...|Bitmaps (*.bmp)|*.bmp|..." for open dialogs,
    // for one class or (null) for all.
    static std::wstring GraphicFilter(TGraphicClass GraphicClass);

    TNotifyEvent OnChange;

protected:
    void AssignTo(TPersistent* Dest) override;

private:
    void Changed(TObject* Sender);
    void TakeGraphic(TGraphic* Value);
    std::unique_ptr<TGraphic> FGraphic;
};
