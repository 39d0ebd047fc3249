#include "Buttons.h"

#include "Handles.h"
#include "StdCtrls.h"

#include <algorithm>
#include <cstring>

// ---------------------------------------------------------------------------------
// Layout

TButtonLayoutResult CalcButtonLayout(const RECT& Client, POINT Offset, SIZE GlyphSize, SIZE TextSize,
                                     TButtonLayout Layout, int Margin, int Spacing, bool RightToLeft) {
    if (RightToLeft) {
        if (Layout == blGlyphLeft)
            Layout = blGlyphRight;
        else if (Layout == blGlyphRight)
            Layout = blGlyphLeft;
    }
    const int cx = Client.right - Client.left, cy = Client.bottom - Client.top;
    const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
    POINT glyph{0, 0}, text{0, 0};
    // Centred on the other axis.
    if (horizontal) {
        glyph.y = (cy - GlyphSize.cy + 1) / 2;
        text.y = (cy - TextSize.cy + 1) / 2;
    } else {
        glyph.x = (cx - GlyphSize.cx + 1) / 2;
        text.x = (cx - TextSize.cx + 1) / 2;
    }
    if (TextSize.cx == 0 || GlyphSize.cx == 0)
        Spacing = 0;
    const int extent = horizontal ? cx : cy;
    const int glyphExtent = horizontal ? GlyphSize.cx : GlyphSize.cy;
    const int textExtent = horizontal ? TextSize.cx : TextSize.cy;
    if (Margin == -1) {
        if (Spacing == -1) {
            Margin = (extent - (glyphExtent + textExtent)) / 3;
            Spacing = Margin;
        } else {
            Margin = (extent - (glyphExtent + Spacing + textExtent) + 1) / 2;
        }
    } else if (Spacing == -1) {
        Spacing = (extent - (Margin + glyphExtent) - textExtent) / 2;
    }
    switch (Layout) {
    case blGlyphLeft:
        glyph.x = Margin;
        text.x = glyph.x + GlyphSize.cx + Spacing;
        break;
    case blGlyphRight:
        glyph.x = cx - Margin - GlyphSize.cx;
        text.x = glyph.x - Spacing - TextSize.cx;
        break;
    case blGlyphTop:
        glyph.y = Margin;
        text.y = glyph.y + GlyphSize.cy + Spacing;
        break;
    case blGlyphBottom:
        glyph.y = cy - Margin - GlyphSize.cy;
        text.y = glyph.y - Spacing - TextSize.cy;
        break;
    }
    TButtonLayoutResult r;
    r.GlyphPos = POINT{glyph.x + Client.left + Offset.x, glyph.y + Client.top + Offset.y};
    r.TextBounds.left = text.x + Client.left + Offset.x;
    r.TextBounds.top = text.y + Client.top + Offset.y;
    r.TextBounds.right = r.TextBounds.left + TextSize.cx;
    r.TextBounds.bottom = r.TextBounds.top + TextSize.cy;
    return r;
}

// ---------------------------------------------------------------------------------
// TButtonGlyph

TButtonGlyph::TButtonGlyph() = default;

TButtonGlyph::~TButtonGlyph() { Invalidate(); }

void TButtonGlyph::SetGlyph(TBitmap* Value) {
    Invalidate();
    if (Value)
        FGlyph.Assign(Value);
    else
        FGlyph.FreeImage();
    // A strip of square pictures tells its count.
    if (!FGlyph.Empty() && FGlyph.Height() > 0 && FGlyph.Width() % FGlyph.Height() == 0) {
        int n = FGlyph.Width() / FGlyph.Height();
        if (n >= 1 && n <= 4)
            FNumGlyphs = n;
    }
}

void TButtonGlyph::SetNumGlyphs(int Value) {
    Value = std::clamp(Value, 1, 4);
    if (Value == FNumGlyphs)
        return;
    FNumGlyphs = Value;
    Invalidate();
}

SIZE TButtonGlyph::GlyphSize() const {
    if (FGlyph.Empty())
        return SIZE{0, 0};
    return SIZE{FGlyph.Width() / FNumGlyphs, FGlyph.Height()};
}

void TButtonGlyph::Invalidate() {
    if (FImages)
        ImageList_Destroy(FImages);
    FImages = nullptr;
    std::fill(std::begin(FIndexes), std::end(FIndexes), -1);
}

HIMAGELIST TButtonGlyph::ImageList() {
    if (!FImages)
        CreateImages();
    return FImages;
}

void TButtonGlyph::CreateImages() {
    SIZE size = GlyphSize();
    if (size.cx <= 0 || size.cy <= 0)
        return;
    FImages = ImageList_Create(size.cx, size.cy, ILC_COLOR24 | ILC_MASK, FNumGlyphs, 0);
    if (!FImages)
        return;
    COLORREF mask = ColorToRGB(FGlyph.TransparentColor());
    const int bpp = FGlyph.PixelFormat() == pf32bit ? 4 : 3;
    for (int i = 0; i < FNumGlyphs; ++i) {
        // A picture of its own (the glyph's bitmap stays in its own drawing context).
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bi.bmiHeader.biWidth = size.cx;
        bi.bmiHeader.biHeight = -size.cy;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 24;
        void* bits = nullptr;
        const TGdiObject part(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!part)
            continue;
        const int rowBytes = ((size.cx * 3) + 3) & ~3;
        for (int y = 0; y < size.cy; ++y) {
            const uint8_t* src = FGlyph.ScanLine(y) + static_cast<size_t>(i * size.cx * bpp);
            uint8_t* dst = static_cast<uint8_t*>(bits) + static_cast<size_t>(y * rowBytes);
            for (int x = 0; x < size.cx; ++x)
                std::memcpy(dst + x * 3, src + x * bpp, 3);
        }
        GdiFlush();
        FIndexes[i] = ImageList_AddMasked(FImages, static_cast<HBITMAP>(part.Get()), mask);
    }
}

int TButtonGlyph::ImageIndex(TButtonState State) {
    if (!FImages)
        CreateImages();
    int s = static_cast<int>(State);
    // The exclusive state of a glyph without its own picture shows the "up" one.
    if (State == bsExclusive && FNumGlyphs < 3)
        s = bsUp;
    if (s >= FNumGlyphs)
        s = State == bsExclusive ? bsDown : bsUp;
    if (s >= FNumGlyphs)
        s = bsUp;
    return FIndexes[s];
}

void TButtonGlyph::Draw(HDC DC, POINT Pos, TButtonState State) {
    int index = ImageIndex(State);
    if (index < 0)
        return;
    if (State == bsDisabled && FNumGlyphs < 2) {
        HICON icon = ImageList_GetIcon(FImages, index, ILD_NORMAL);
        if (icon) {
            SIZE size = GlyphSize();
            DrawStateW(DC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, Pos.x, Pos.y, size.cx, size.cy,
                       DST_ICON | DSS_DISABLED);
            DestroyIcon(icon);
        }
        return;
    }
    ImageList_DrawEx(FImages, index, DC, Pos.x, Pos.y, 0, 0, CLR_NONE, CLR_NONE, ILD_NORMAL);
}

// ---------------------------------------------------------------------------------
// TSpeedButton

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(new TButtonGlyph) {
    SetBounds(0, 0, 23, 22);
    ControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
    FColor = clBtnFace;
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(TBitmap* Value) {
    FGlyph->SetGlyph(Value);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int Value) {
    FGlyph->SetNumGlyphs(Value);
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
    if (Value == FLayout)
        return;
    FLayout = Value;
    Invalidate();
}

void TSpeedButton::SetMargin(int Value) {
    if (Value == FMargin || Value < -1)
        return;
    FMargin = Value;
    Invalidate();
}

void TSpeedButton::SetSpacing(int Value) {
    if (Value == FSpacing)
        return;
    FSpacing = Value;
    Invalidate();
}

void TSpeedButton::SetFlat(bool Value) {
    if (Value == FFlat)
        return;
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
    if (Value == FTransparent)
        return;
    FTransparent = Value;
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int Value) {
    if (Value == FGroupIndex)
        return;
    FGroupIndex = Value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool Value) {
    if (FGroupIndex == 0)
        Value = false;
    if (Value == FDown)
        return;
    if (FDown && !FAllowAllUp)
        return; // a group keeps one button down
    FDown = Value;
    FState = Value ? bsExclusive : bsUp;
    Invalidate();
    if (Value)
        UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
    if (Value == FAllowAllUp)
        return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TSpeedButton::SetWordWrap(bool Value) {
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    Invalidate();
}

void TSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !FParent)
        return;
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        auto* b = dynamic_cast<TSpeedButton*>(FParent->Controls(i));
        if (!b || b == this || b->FGroupIndex != FGroupIndex)
            continue;
        if (FDown && b->FDown) {
            b->FDown = false;
            b->FState = bsUp;
            b->Invalidate();
        }
        b->FAllowAllUp = FAllowAllUp;
    }
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft && Enabled()) {
        if (!FDown) {
            FState = bsDown;
            Invalidate();
        }
        FDragging = true;
    }
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging)
        return;
    RECT r = ClientRect();
    POINT p{X, Y};
    TButtonState s = FDown ? bsExclusive : bsUp;
    if (PtInRect(&r, p) && !FDown)
        s = bsDown;
    if (s != FState) {
        FState = s;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft || !FDragging)
        return;
    FDragging = false;
    RECT r = ClientRect();
    POINT p{X, Y};
    bool inside = PtInRect(&r, p) != 0;
    if (FGroupIndex == 0) {
        FState = bsUp;
    } else if (inside) {
        SetDown(!FDown);
        FState = FDown ? bsExclusive : bsUp;
    } else {
        FState = FDown ? bsExclusive : bsUp;
    }
    Invalidate();
}

SIZE TSpeedButton::MeasureCaption(HDC DC, int MaxWidth) {
    std::wstring caption = GetText();
    if (caption.empty())
        return SIZE{0, 0};
    RECT r{0, 0, std::max(MaxWidth, 0), 0};
    UINT flags = DT_CALCRECT | DrawTextBiDiModeFlagsReadingOnly() | (FWordWrap ? DT_WORDBREAK : 0);
    HGDIOBJ old = SelectObject(DC, Font()->Handle());
    DrawTextW(DC, caption.c_str(), static_cast<int>(caption.size()), &r, flags);
    SelectObject(DC, old);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

TButtonLayoutResult TSpeedButton::CurrentLayout(HDC DC, POINT Offset) {
    RECT client = ClientRect();
    InflateRect(&client, -1, -1);
    SIZE glyph = FGlyph->GlyphSize();
    // A caption keeps 3 pixels of room from the edge (beside the glyph, if any).
    int limit = (client.right - client.left) - glyph.cx - 3;
    SIZE text = MeasureCaption(DC, limit);
    return CalcButtonLayout(client, Offset, glyph, text, FLayout, FMargin, FSpacing, UseRightToLeftAlignment());
}

void TSpeedButton::DrawCaption(HDC DC, RECT Bounds) {
    std::wstring caption = GetText();
    if (caption.empty())
        return;
    UINT flags = (FWordWrap ? (DT_CENTER | DT_WORDBREAK) : (DT_CENTER | DT_VCENTER | DT_SINGLELINE)) |
                 DrawTextBiDiModeFlagsReadingOnly();
    int oldMode = SetBkMode(DC, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(DC, Font()->Handle());
    if (FState == bsDisabled) {
        RECT shifted = Bounds;
        OffsetRect(&shifted, 1, 1);
        SetTextColor(DC, ColorToRGB(clBtnHighlight));
        DrawTextW(DC, caption.c_str(), static_cast<int>(caption.size()), &shifted, flags | (FWordWrap ? DT_VCENTER : 0));
        SetTextColor(DC, ColorToRGB(clBtnShadow));
    } else {
        // A transparent flat button shows its parent's background.
        const bool parentShows = FFlat && FTransparent && FParent && FontColorFromParent() &&
                                 FState != bsDown && FState != bsExclusive;
        SetTextColor(DC, ColorToRGB(parentShows ? FParent->TextPaintColor() : TextPaintColor()));
    }
    DrawTextW(DC, caption.c_str(), static_cast<int>(caption.size()), &Bounds, flags);
    SelectObject(DC, oldFont);
    SetBkMode(DC, oldMode);
}

void TSpeedButton::DrawFrame(HDC DC, RECT& Client) {
    bool pressed = FState == bsDown || FState == bsExclusive;
    if (!FFlat) {
        UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0);
        DrawFrameControl(DC, &Client, DFC_BUTTON, flags);
        return;
    }
    if (!FTransparent || pressed) {
        const TGdiObject brush(CreateSolidBrush(ColorToRGB(pressed && FState == bsExclusive ? clBtnHighlight : FColor)));
        FillRect(DC, &Client, static_cast<HBRUSH>(brush.Get()));
    }
    if (pressed)
        DrawEdge(DC, &Client, BDR_SUNKENOUTER, BF_RECT);
    else if (FMouseInControl && Enabled())
        DrawEdge(DC, &Client, BDR_RAISEDINNER, BF_RECT);
}

void TSpeedButton::Paint() {
    HDC dc = Canvas()->Handle();
    if (!Enabled()) {
        FState = bsDisabled;
        FDragging = false;
    } else if (FState == bsDisabled) {
        FState = FDown && FGroupIndex != 0 ? bsExclusive : bsUp;
    }
    RECT client = ClientRect();
    DrawFrame(dc, client);
    bool pressed = FState == bsDown || FState == bsExclusive;
    POINT offset = pressed ? POINT{1, 1} : POINT{0, 0};
    TButtonLayoutResult layout = CurrentLayout(dc, offset);
    FGlyph->Draw(dc, layout.GlyphPos, FState);
    DrawCaption(dc, layout.TextBounds);
}

void TSpeedButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSEENTER:
        FMouseInControl = true;
        if (FFlat && Enabled())
            Invalidate();
        break;
    case CM_MOUSELEAVE:
        FMouseInControl = false;
        if (FFlat && Enabled())
            Invalidate();
        break;
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && Enabled() && Visible() && FParent &&
            FParent->Showing()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    }
    TGraphicControl::WndProc(Message);
}
