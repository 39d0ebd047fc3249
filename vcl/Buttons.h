// The speed button: a windowless button with a glyph (up to four pictures side by side:
// up, disabled, down, exclusive) and a caption, for tool strips and button groups.
#pragma once

#include "Controls.h"
#include "Graphics.h"

#include <commctrl.h>

#include <memory>
#include <string>

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

// Where a glyph of GlyphSize and a caption of TextSize go inside Client: the glyph's top
// left corner and the caption's rectangle. Margin -1 centres the glyph-and-text block,
// Spacing -1 splits the room left; both -1 split the free room in three equal parts.
// Right to left reading swaps left and right. Offset (the pressed offset) moves both.
struct TButtonLayoutResult {
    POINT GlyphPos{};
    RECT TextBounds{};
};
TButtonLayoutResult CalcButtonLayout(const RECT& Client, POINT Offset, SIZE GlyphSize, SIZE TextSize,
                                     TButtonLayout Layout, int Margin, int Spacing, bool RightToLeft);

// The glyph pictures of a button: the bitmap, how many pictures it holds, and an image
// list with one image per state (made on first use).
class TButtonGlyph : public TObject {
public:
    VORLANE_CLASS_NAME(TButtonGlyph)
    TButtonGlyph();
    ~TButtonGlyph() override;

    TBitmap* Glyph() { return &FGlyph; }
    void SetGlyph(TBitmap* Value);
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int Value);
    // Width and height of one picture (0 x 0 without glyph).
    SIZE GlyphSize() const;
    // The image of a state in the image list (made first when needed; -1 without glyph).
    int ImageIndex(TButtonState State);
    HIMAGELIST ImageList();
    // Drops the image list (after a change of the bitmap).
    void Invalidate();
    // Draws the state's picture; a one-picture glyph is drawn embossed when disabled.
    void Draw(HDC DC, POINT Pos, TButtonState State);

private:
    void CreateImages();
    TBitmap FGlyph;
    int FNumGlyphs = 1;
    HIMAGELIST FImages = nullptr;
    int FIndexes[4] = {-1, -1, -1, -1};
};

class TSpeedButton : public TGraphicControl {
public:
    VORLANE_CLASS_NAME(TSpeedButton)
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    TBitmap* Glyph() { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* Value);
    int NumGlyphs() const { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(int Value);
    TButtonGlyph* ButtonGlyph() { return FGlyph.get(); }
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    // Buttons of one parent with the same GroupIndex (> 0) release each other.
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool Down() const { return FDown; }
    void SetDown(bool Value);
    // A down button of a group can be clicked up.
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInControl; }

    void Click() override;
    void WndProc(TMessage& Message) override;

    // The glyph and caption places of the current client area (what Paint draws).
    TButtonLayoutResult CurrentLayout(HDC DC, POINT Offset);

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    // The caption's size as DrawTextW measures it (DT_CALCRECT).
    SIZE MeasureCaption(HDC DC, int MaxWidth);
    void DrawCaption(HDC DC, RECT Bounds);
    void UpdateExclusive();
    virtual void DrawFrame(HDC DC, RECT& Client);

    std::unique_ptr<TButtonGlyph> FGlyph;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    bool FFlat = false;
    bool FTransparent = true;
    int FGroupIndex = 0;
    bool FDown = false;
    bool FAllowAllUp = false;
    bool FWordWrap = false;
    bool FDragging = false;
    bool FMouseInControl = false;
    TButtonState FState = bsUp;
};
