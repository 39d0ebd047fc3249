#include "UPTGroup.h"

#include "ExtCtrls.h"
#include "UPTUnicode.h"

#include <algorithm>

namespace {

// A one-pixel line from (X1, Y1) to (X2, Y2) inclusive, horizontal or vertical.
void Line(TCanvas& Canvas, TColor Color, int X1, int Y1, int X2, int Y2) {
    Canvas.Brush()->SetStyle(bsSolid);
    Canvas.Brush()->SetColor(Color);
    Canvas.FillRect(RECT{X1, Y1, X2 + 1, Y2 + 1});
}

// A 1-pixel edge: top and left in TopLeft, bottom and right in BottomRight; R shrinks.
void Edge(TCanvas& Canvas, RECT& R, TColor TopLeft, TColor BottomRight) {
    Frame3D(&Canvas, R, TopLeft, BottomRight, 1);
}

} // namespace

TPTCustomGroup::TPTCustomGroup(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle = csAcceptsControls | csClickEvents | csDoubleClicks;
    SetBounds(0, 0, 64, 48);
}

void TPTCustomGroup::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
    Params.ExStyle |= WS_EX_CONTROLPARENT;
}

void TPTCustomGroup::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    Invalidate();
}

void TPTCustomGroup::SetDefaultDrawing(bool Value) {
    if (Value == FDefaultDrawing)
        return;
    FDefaultDrawing = Value;
    Invalidate();
    if (FFrameStyle == ptfsGroup)
        FrameChanged();
}

void TPTCustomGroup::SetFrameSpace(int Value) {
    if (Value == FFrameSpace)
        return;
    FFrameSpace = Value;
    Invalidate();
}

void TPTCustomGroup::SetFrameStyle(TPTFrameStyle Value) {
    if (Value == FFrameStyle)
        return;
    FFrameStyle = Value;
    FFrameChanged = true;
    FrameChanged();
    Invalidate();
}

WideString TPTCustomGroup::CaptionText() { return PTDecodeIfCarrier(GetText()); }

int TPTCustomGroup::CaptionHeight() {
    TCanvas measure; // without a surface it measures on a screen context
    measure.Font()->Assign(&FFont);
    return measure.TextHeight(L"0");
}

RECT TPTCustomGroup::FrameMargins() {
    switch (FFrameStyle) {
    case ptfsNone: return RECT{0, 0, 0, 0};
    case ptfsGroup: return RECT{2, GetText().empty() ? 2 : CaptionHeight(), 2, 2};
    case ptfsLowered:
    case ptfsRaised: return RECT{2, 2, 2, 2};
    case ptfsDint:
    case ptfsBump:
    case ptfsSingle: return RECT{1, 1, 1, 1};
    case ptfsHorzLine: return RECT{0, 2, 0, 0};
    case ptfsHorzEdge: return RECT{0, 2, 0, 2};
    case ptfsVertLine: return RECT{2, 0, 0, 0};
    case ptfsVertEdge: return RECT{2, 0, 2, 0};
    }
    return RECT{0, 0, 0, 0};
}

void TPTCustomGroup::NCCalcSize(RECT& Client, bool ValidRects, LRESULT& Result) {
    RECT m = FrameMargins();
    Client.left += m.left;
    Client.top += m.top;
    Client.right -= m.right;
    Client.bottom -= m.bottom;
    if (ValidRects && (GetText().empty() || Designing() || !FFrameChanged))
        Result = WVR_REDRAW;
    FFrameChanged = false;
}

void TPTCustomGroup::NCPaint(HDC DC) { PaintFrame(DC); }

void TPTCustomGroup::PaintFrame(HDC DC) {
    TCanvas canvas;
    canvas.SetHandle(DC);
    struct TDetach {
        TCanvas& C;
        ~TDetach() { C.SetHandle(nullptr); }
    } detach{canvas};
    int w = FWidth, h = FHeight;
    if (HandleAllocated()) {
        RECT wr;
        GetWindowRect(FHandle, &wr);
        w = wr.right - wr.left;
        h = wr.bottom - wr.top;
    }
    if (w <= 0 || h <= 0)
        return;
    // The margins that are not lines take the control's colour.
    if (FColor != clNone) {
        canvas.Brush()->SetColor(FColor);
        canvas.FillRect(RECT{0, 0, w, h});
    }
    RECT r{0, 0, w, h};
    switch (FFrameStyle) {
    case ptfsNone: break;
    case ptfsGroup: {
        bool caption = !GetText().empty();
        r.top = caption ? CaptionHeight() / 2 : 0;
        RECT outer{r.left, r.top, r.right - 1, r.bottom - 1};
        RECT inner{r.left + 1, r.top + 1, r.right, r.bottom};
        Edge(canvas, outer, clBtnShadow, clBtnShadow);
        Edge(canvas, inner, clBtnHighlight, clBtnHighlight);
        if (caption && FDefaultDrawing)
            DrawGroupCaption(canvas, w);
        break;
    }
    case ptfsLowered:
        Edge(canvas, r, clBtnShadow, clBtnHighlight);
        Edge(canvas, r, cl3DDkShadow, clBtnFace);
        break;
    case ptfsRaised:
        Edge(canvas, r, clBtnHighlight, cl3DDkShadow);
        Edge(canvas, r, clBtnFace, clBtnShadow);
        break;
    case ptfsDint: Edge(canvas, r, clBtnShadow, clBtnHighlight); break;
    case ptfsBump: Edge(canvas, r, clBtnHighlight, clBtnShadow); break;
    case ptfsSingle: Edge(canvas, r, clWindowFrame, clWindowFrame); break;
    case ptfsHorzEdge:
        Line(canvas, clBtnShadow, 0, h - 2, w - 1, h - 2);
        Line(canvas, clBtnHighlight, 0, h - 1, w - 1, h - 1);
        [[fallthrough]];
    case ptfsHorzLine:
        Line(canvas, clBtnShadow, 0, 0, w - 1, 0);
        Line(canvas, clBtnHighlight, 0, 1, w - 1, 1);
        break;
    case ptfsVertEdge:
        Line(canvas, clBtnShadow, w - 2, 0, w - 2, h - 1);
        Line(canvas, clBtnHighlight, w - 1, 0, w - 1, h - 1);
        [[fallthrough]];
    case ptfsVertLine:
        Line(canvas, clBtnShadow, 0, 0, 0, h - 1);
        Line(canvas, clBtnHighlight, 1, 0, 1, h - 1);
        break;
    }
}

void TPTCustomGroup::DrawGroupCaption(TCanvas& Canvas, int WindowWidth) {
    Canvas.Font()->Assign(&FFont);
    WideString text = CaptionText();
    const UINT flags = DT_LEFT | DT_TOP | DT_SINGLELINE | DT_END_ELLIPSIS;
    // The caption never runs over the frame's right edge.
    RECT r{8, 0, std::max(8, WindowWidth - 8), CaptionHeight()};
    RECT extent = r;
    Canvas.DrawText(text, extent, flags | DT_CALCRECT);
    extent.right = std::min(extent.right, r.right);
    if (FColor != clNone) {
        Canvas.Brush()->SetStyle(bsSolid);
        Canvas.Brush()->SetColor(FColor);
        Canvas.FillRect(RECT{extent.left, extent.top, std::min(extent.right + 1, r.right), extent.bottom + 1});
    }
    if (FEnabled) {
        Canvas.DrawText(text, r, flags);
        return;
    }
    // Disabled: embossed, the light copy one pixel down and right under the shadow.
    Canvas.Font()->SetColor(clBtnHighlight);
    RECT lit = r;
    OffsetRect(&lit, 1, 1);
    Canvas.DrawText(text, lit, flags);
    Canvas.Font()->SetColor(clBtnShadow);
    Canvas.DrawText(text, r, flags);
}

void TPTCustomGroup::Paint() {
    if (FColor == clNone)
        FCanvas.Brush()->SetStyle(bsClear);
    else {
        FCanvas.Brush()->SetColor(FColor);
        FCanvas.Brush()->SetStyle(bsSolid);
    }
    if (FDefaultDrawing && FFrameStyle != ptfsGroup) {
        WideString text = CaptionText();
        if (!text.empty()) {
            static const UINT alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
            RECT r = ClientRect();
            InflateRect(&r, -FFrameSpace, 0);
            FCanvas.DrawText(text, r, alignments[FAlignment] | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
        }
    }
    if (OnPaint)
        OnPaint(this, &FCanvas);
}

void TPTCustomGroup::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_ERASEBKGND:
        if (!Designing() && !FDefaultDrawing) {
            Message.Result = 1;
            return;
        }
        break;
    case CM_ENABLEDCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED:
    case CM_TEXTCHANGED:
        TCustomControl::WndProc(Message);
        if (FFrameStyle == ptfsGroup)
            FrameChanged();
        Invalidate();
        return;
    }
    TCustomControl::WndProc(Message);
}

// ------------------------------------------------------------------ TPTPane

TPTPane::TPTPane(TComponent* AOwner) : TPTGroup(AOwner) { FFrameStyle = ptfsLowered; }

void TPTPane::SetDesignOutline(bool Value) {
    if (Value == FDesignOutline)
        return;
    FDesignOutline = Value;
    Invalidate();
}

void TPTPane::Paint() {
    TPTGroup::Paint();
    if (!Designing() || !FDesignOutline)
        return;
    RECT r = ClientRect();
    FCanvas.Pen()->SetStyle(psDot);
    FCanvas.Pen()->SetMode(pmNot);
    FCanvas.Brush()->SetStyle(bsClear);
    FCanvas.Rectangle(r);
}
