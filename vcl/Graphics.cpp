#include "Graphics.h"

#include <cmath>

TFontDefaults DefFontData;

COLORREF ColorToRGB(TColor Color) {
    if (Color < 0)
        return GetSysColor(Color & 0xFF);
    return static_cast<COLORREF>(Color) & 0x00FFFFFF;
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
        DeleteObject(FHandle);
        FHandle = nullptr;
    }
}

void TBrush::SetColor(TColor Value) {
    if (Value == FColor && FStyle == bsSolid)
        return;
    FColor = Value;
    FStyle = bsSolid;
    FreeHandle();
    if (OnChange)
        OnChange(this);
}

void TBrush::SetStyle(TBrushStyle Value) {
    if (Value == FStyle)
        return;
    FStyle = Value;
    FreeHandle();
    if (OnChange)
        OnChange(this);
}

HBRUSH TBrush::Handle() {
    if (!FHandle) {
        if (FStyle == bsClear) {
            LOGBRUSH lb{BS_HOLLOW, 0, 0};
            FHandle = CreateBrushIndirect(&lb);
        } else {
            FHandle = CreateSolidBrush(ColorToRGB(FColor));
        }
    }
    return FHandle;
}

void TBrush::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBrush*>(Source)) {
        FColor = b->FColor;
        FStyle = b->FStyle;
        FreeHandle();
        if (OnChange)
            OnChange(this);
        return;
    }
    TPersistent::Assign(Source);
}

// ------------------------------------------------------------------ TCanvas

TCanvas::TCanvas() {
    // A font change must not delete the HFONT while it is selected into our DC.
    FFont.OnChange = [this](TObject*) {
        if (FHandle && FOldFont) {
            SelectObject(FHandle, FOldFont);
            FOldFont = nullptr;
        }
    };
}

TCanvas::~TCanvas() { SetHandle(nullptr); }

void TCanvas::SetHandle(HDC Value) {
    if (Value == FHandle)
        return;
    if (FHandle && FOldFont)
        SelectObject(FHandle, FOldFont);
    FOldFont = nullptr;
    FHandle = Value;
}

void TCanvas::SelectFont() {
    HGDIOBJ old = SelectObject(FHandle, FFont.Handle());
    if (!FOldFont)
        FOldFont = old;
    SetTextColor(FHandle, ColorToRGB(FFont.Color()));
}

void TCanvas::FillRect(const RECT& Rect) {
    if (FHandle && FBrush.Style() != bsClear)
        ::FillRect(FHandle, &Rect, FBrush.Handle());
}

void TCanvas::TextOut(int X, int Y, const std::wstring& Text) {
    if (!FHandle)
        return;
    SelectFont();
    if (FBrush.Style() == bsClear) {
        SetBkMode(FHandle, TRANSPARENT);
    } else {
        SetBkMode(FHandle, OPAQUE);
        SetBkColor(FHandle, ColorToRGB(FBrush.Color()));
    }
    ::TextOutW(FHandle, X, Y, Text.c_str(), static_cast<int>(Text.size()));
}

int TCanvas::DrawText(const std::wstring& Text, RECT& Rect, UINT Flags) {
    if (!FHandle)
        return 0;
    SelectFont();
    SetBkMode(FHandle, TRANSPARENT);
    return ::DrawTextW(FHandle, Text.c_str(), static_cast<int>(Text.size()), &Rect, Flags);
}

SIZE TCanvas::TextExtent(const std::wstring& Text) {
    SIZE sz{0, 0};
    if (FHandle) {
        SelectFont();
        GetTextExtentPoint32W(FHandle, Text.c_str(), static_cast<int>(Text.size()), &sz);
        return sz;
    }
    // No surface given: measure on a screen DC.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, FFont.Handle());
    GetTextExtentPoint32W(dc, Text.c_str(), static_cast<int>(Text.size()), &sz);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return sz;
}
