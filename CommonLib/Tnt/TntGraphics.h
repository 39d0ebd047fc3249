// Wide text on a canvas, and the picture class of the Unicode controls.
#pragma once

#include "Graphics.h"
#include "System.h"

// Draws Text at (X, Y) with the canvas's font, brush and text flags. On a right-to-left
// canvas X first moves right by the text width plus one. The pen ends at (X + text width, Y).
void WideCanvasTextOut(TCanvas* Canvas, int X, int Y, const WideString& Text);
// The size of Text in the canvas's font ((0, 0) when the system cannot measure it).
SIZE WideCanvasTextExtent(TCanvas* Canvas, const WideString& Text);
int WideCanvasTextWidth(TCanvas* Canvas, const WideString& Text);
int WideCanvasTextHeight(TCanvas* Canvas, const WideString& Text);

class TTntPicture : public TPicture {
public:
    VORLANE_CLASS_NAME(TTntPicture)
    using TPicture::TPicture;
};
