// Colours, fonts, brushes and a drawing surface: the small graphics core the controls
// need. Richer drawing (pens, pictures, images) is added beside these classes.
#pragma once

#include "Classes.h"

#include <string>

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
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour (system colours resolved now).
COLORREF ColorToRGB(TColor Color);

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

enum TBrushStyle { bsSolid, bsClear };

// A fill colour and its system brush.
class TBrush : public TPersistent {
public:
    VORLANE_CLASS_NAME(TBrush)
    ~TBrush() override;
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);
    // The brush's HBRUSH (a hollow brush for bsClear); owned by this object.
    HBRUSH Handle();
    void Assign(TPersistent* Source) override;
    TNotifyEvent OnChange;

private:
    void FreeHandle();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    HBRUSH FHandle = nullptr;
};

// A drawing surface over a device context that someone else owns (paint handlers set
// Handle for the time of painting).
class TCanvas : public TPersistent {
public:
    VORLANE_CLASS_NAME(TCanvas)
    TCanvas();
    ~TCanvas() override;

    HDC Handle() const { return FHandle; }
    void SetHandle(HDC Value);
    TFont* Font() { return &FFont; }
    TBrush* Brush() { return &FBrush; }

    void FillRect(const RECT& Rect);
    void TextOut(int X, int Y, const std::wstring& Text);
    // DrawTextW with the canvas font; returns the height drawn (DT_CALCRECT updates Rect).
    int DrawText(const std::wstring& Text, RECT& Rect, UINT Flags);
    SIZE TextExtent(const std::wstring& Text);
    int TextWidth(const std::wstring& Text) { return TextExtent(Text).cx; }
    int TextHeight(const std::wstring& Text) { return TextExtent(Text).cy; }

private:
    void SelectFont();
    HDC FHandle = nullptr;
    HGDIOBJ FOldFont = nullptr;
    TFont FFont;
    TBrush FBrush;
};
