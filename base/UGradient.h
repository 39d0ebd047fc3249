// Gradient bitmaps from a 256-entry colour ramp.
#pragma once

#include "Graphics.h"

#include <array>
#include <cstdint>

// Entry i: each channel From + (To - From) * i div 255; bytes in bitmap order (B, G, R).
struct TRampEntry {
    uint8_t B, G, R;
};
using TColorRamp = std::array<TRampEntry, 256>;
TColorRamp MakeColorRamp(TColor FromColor, TColor ToColor);

// Makes Bitmap a 24-bit gradient of Style 1..24 (its size is set by the style, except
// style 1 which keeps the bitmap's size). Any other style only sets the format.
void DrawGradient(TBitmap* Bitmap, TColor FromColor, TColor ToColor, int Style);

// The pair of shared gradient bitmaps made at start-up (null before InitGradients).
TBitmap* SharedGradient(int Index);
void InitGradients();
void FreeGradients();
