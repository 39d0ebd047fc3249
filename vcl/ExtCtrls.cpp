#include "ExtCtrls.h"

#include <algorithm>

void Frame3D(TCanvas* Canvas, RECT& Rect, TColor TopColor, TColor BottomColor, int Width, TBevelEdges Edges) {
    Canvas->Pen()->SetWidth(1);
    // A line from From to To, both ends drawn (a polyline leaves out its last point).
    auto line = [&](TBevelEdge Edge, TColor Color, POINT From, POINT To) {
        if (!(Edges & Edge))
            return;
        const POINT past{To.x + (To.x > From.x) - (To.x < From.x), To.y + (To.y > From.y) - (To.y < From.y)};
        Canvas->Pen()->SetColor(Color);
        Canvas->Polyline({From, past});
    };
    for (; Width > 0; --Width) {
        const LONG l = Rect.left, t = Rect.top, r = Rect.right - 1, b = Rect.bottom - 1;
        line(beLeft, TopColor, {l, b}, {l, t});
        line(beTop, TopColor, {l, t}, {r, t});
        line(beRight, BottomColor, {r, t}, {r, b});
        line(beBottom, BottomColor, {r, b}, {l, b});
        Rect.left += (Edges & beLeft) ? 1 : 0;
        Rect.top += (Edges & beTop) ? 1 : 0;
        Rect.right -= (Edges & beRight) ? 1 : 0;
        Rect.bottom -= (Edges & beBottom) ? 1 : 0;
    }
}

// ------------------------------------------------------------------ TCustomPanel

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::AdjustClientRect(RECT& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    InflateRect(&Rect, -FBorderWidth, -FBorderWidth);
    int bevel = 0;
    if (FBevelOuter != bvNone)
        bevel += FBevelWidth;
    if (FBevelInner != bvNone)
        bevel += FBevelWidth;
    Rect.left += (FBevelEdges & beLeft) ? bevel : 0;
    Rect.top += (FBevelEdges & beTop) ? bevel : 0;
    Rect.right -= (FBevelEdges & beRight) ? bevel : 0;
    Rect.bottom -= (FBevelEdges & beBottom) ? bevel : 0;
}

void TCustomPanel::PaintFrame(RECT& Rect) {
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone)
            return;
        TColor top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
        TColor bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
        Frame3D(&FCanvas, Rect, top, bottom, FBevelWidth, FBevelEdges);
    };
    bevel(FBevelOuter);
    Frame3D(&FCanvas, Rect, FColor, FColor, FBorderWidth);
    bevel(FBevelInner);
}

void TCustomPanel::Paint() {
    RECT r = ClientRect();
    PaintFrame(r);
    FCanvas.Brush()->SetColor(FColor);
    FCanvas.Brush()->SetStyle(bsSolid);
    FCanvas.FillRect(r);
    std::wstring caption = GetText();
    if (caption.empty())
        return;
    FCanvas.Brush()->SetStyle(bsClear);
    FCanvas.Font()->Assign(&FFont);
    // Vertically centred on the height of one line.
    int h = FCanvas.TextHeight(L"W");
    r.top = (r.top + r.bottom - h) / 2;
    r.bottom = r.top + h;
    static const UINT alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    TAlignment a = FAlignment;
    if (UseRightToLeftAlignment() && a != taCenter)
        a = a == taLeftJustify ? taRightJustify : taLeftJustify;
    FCanvas.DrawText(caption, r, DT_EXPANDTABS | DT_VCENTER | alignments[a] | DrawTextBiDiModeFlagsReadingOnly());
}

void TCustomPanel::WndProc(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED)
        Invalidate();
    TCustomControl::WndProc(Message);
}

void TCustomPanel::SetBevelOuter(TBevelCut Value) {
    FBevelOuter = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut Value) {
    FBevelInner = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int Value) {
    FBevelWidth = std::max(Value, 1);
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelEdges(TBevelEdges Value) {
    Value &= beAllEdges;
    if (Value == FBevelEdges)
        return;
    FBevelEdges = Value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int Value) {
    FBorderWidth = std::max(Value, 0);
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    Invalidate();
}

// ------------------------------------------------------------------ TShape

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 65, 65);
    FPen.OnChange = [this](TObject*) { Invalidate(); };
    FBrush.OnChange = [this](TObject*) { Invalidate(); };
}

void TShape::SetShape(TShapeType Value) {
    if (Value == FShape)
        return;
    FShape = Value;
    Invalidate();
}

void TShape::Paint() {
    FCanvas.Pen()->Assign(&FPen);
    FCanvas.Brush()->Assign(&FBrush);
    int pw = FPen.Width();
    int x = pw / 2, y = x;
    int w = FWidth - pw + 1, h = FHeight - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    int s = std::min(w, h);
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare: FCanvas.Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: FCanvas.RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case stEllipse:
    case stCircle: FCanvas.Ellipse(x, y, x + w, y + h); break;
    }
}

// ------------------------------------------------------------------ TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
    FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
    SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::ReplacePicture(std::unique_ptr<TPicture> Value) {
    Value->OnChange = FPicture->OnChange;
    FPicture->OnChange = nullptr;
    FPicture = std::move(Value);
}

RECT TImage::DestRect() {
    int w = FPicture->Width(), h = FPicture->Height();
    int cw = FWidth, ch = FHeight;
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            double aspect = static_cast<double>(w) / h;
            if (w > h) {
                w = cw;
                h = static_cast<int>(cw / aspect);
                if (h > ch) {
                    h = ch;
                    w = static_cast<int>(ch * aspect);
                }
            } else {
                h = ch;
                w = static_cast<int>(ch * aspect);
                if (w > cw) {
                    w = cw;
                    h = static_cast<int>(cw / aspect);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    RECT r{0, 0, w, h};
    if (FCenter)
        OffsetRect(&r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty())
        return;
    FCanvas.StretchDraw(DestRect(), g);
}

void TImage::PictureChanged(TObject*) {
    TGraphic* g = FPicture->Graphic();
    if (g && !dynamic_cast<TIcon*>(g) && g->Transparent() != FTransparent)
        g->SetTransparent(FTransparent);
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
    Invalidate();
}

void TImage::SetAutoSize(bool Value) {
    FAutoSize = Value;
    PictureChanged(this);
}

void TImage::SetCenter(bool Value) {
    FCenter = Value;
    Invalidate();
}

void TImage::SetStretch(bool Value) {
    FStretch = Value;
    Invalidate();
}

void TImage::SetProportional(bool Value) {
    FProportional = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value) {
    FTransparent = Value;
    PictureChanged(this);
}

// ------------------------------------------------------------------ TSplitter

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
    FParentColor = true;
    FCursor = crHSplit;
    SetBounds(0, 0, 3, 100);
    SetAlign(alLeft);
}

void TSplitter::SetBeveled(bool Value) {
    FBeveled = Value;
    Invalidate();
}

TControl* TSplitter::ResizeControl() {
    if (!FParent)
        return nullptr;
    POINT p{FLeft, FTop};
    switch (FAlign) {
    case alLeft: --p.x; break;
    case alRight: p.x += FWidth; break;
    case alTop: --p.y; break;
    case alBottom: p.y += FHeight; break;
    default: return nullptr;
    }
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        TControl* c = FParent->Controls(i);
        if (c == this || !c->Visible() || !c->Enabled())
            continue;
        RECT r = c->BoundsRect();
        if (r.right == r.left) {
            if (FAlign == alTop || FAlign == alLeft)
                --r.left;
            else
                ++r.right;
        }
        if (r.bottom == r.top) {
            if (FAlign == alTop || FAlign == alLeft)
                --r.top;
            else
                ++r.bottom;
        }
        if (PtInRect(&r, p))
            return c;
    }
    return nullptr;
}

void TSplitter::WndProc(TMessage& Message) {
    if (Message.Msg == CM_MOUSEENTER)
        SetCursor(FAlign == alTop || FAlign == alBottom ? crVSplit : crHSplit);
    TGraphicControl::WndProc(Message);
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft)
        return;
    FControl = ResizeControl();
    if (!FControl)
        return;
    bool horizontal = FAlign == alLeft || FAlign == alRight;
    FDownPos = POINT{X + FLeft, Y + FTop};
    FStartSize = horizontal ? FControl->Width() : FControl->Height();
    // What the other controls on the same axis leave over.
    RECT cr = FParent->ClientRect();
    FMaxSize = (horizontal ? cr.right - cr.left : cr.bottom - cr.top) - FMinSize;
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        TControl* c = FParent->Controls(i);
        if (!c->Visible())
            continue;
        if (horizontal && (c->Align() == alLeft || c->Align() == alRight))
            FMaxSize -= c->Width();
        else if (!horizontal && (c->Align() == alTop || c->Align() == alBottom))
            FMaxSize -= c->Height();
    }
    FMaxSize += FStartSize;
    FDragging = true;
}

int TSplitter::NewSizeFor(int Offset) {
    int size = FStartSize;
    switch (FAlign) {
    case alLeft:
    case alTop: size += Offset; break;
    default: size -= Offset; break;
    }
    if (size > FMaxSize)
        size = FMaxSize;
    if (size < FMinSize)
        size = FAutoSnap ? 0 : FMinSize;
    if (OnCanResize) {
        bool accept = true;
        int proposed = size;
        OnCanResize(this, proposed, accept);
        if (!accept)
            return FAlign == alLeft || FAlign == alRight ? FControl->Width() : FControl->Height();
        size = proposed;
    }
    return size;
}

void TSplitter::ApplySize(int NewSize) {
    if (!FControl)
        return;
    switch (FAlign) {
    case alLeft: FControl->SetWidth(NewSize); break;
    case alRight:
        FControl->SetBounds(FControl->Left() + FControl->Width() - NewSize, FControl->Top(), NewSize, FControl->Height());
        break;
    case alTop: FControl->SetHeight(NewSize); break;
    case alBottom:
        FControl->SetBounds(FControl->Left(), FControl->Top() + FControl->Height() - NewSize, FControl->Width(), NewSize);
        break;
    default: break;
    }
}

bool TSplitter::SizedControlLeft() {
    // The control being sized may be freed while the mouse is down (its parent forgets it).
    for (int i = 0; FControl && FParent && i < FParent->ControlCount(); ++i)
        if (FParent->Controls(i) == FControl)
            return false;
    FControl = nullptr;
    return true;
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging || SizedControlLeft())
        return;
    bool horizontal = FAlign == alLeft || FAlign == alRight;
    int offset = horizontal ? X + FLeft - FDownPos.x : Y + FTop - FDownPos.y;
    ApplySize(NewSizeFor(offset));
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FDragging || Button != mbLeft)
        return;
    FDragging = false;
    if (SizedControlLeft())
        return;
    bool horizontal = FAlign == alLeft || FAlign == alRight;
    int offset = horizontal ? X + FLeft - FDownPos.x : Y + FTop - FDownPos.y;
    ApplySize(NewSizeFor(offset));
    int size = horizontal ? FControl->Width() : FControl->Height();
    FControl = nullptr;
    if (size != FStartSize && OnMoved)
        OnMoved(this);
}

void TSplitter::Paint() {
    RECT r = ClientRect();
    FCanvas.Brush()->SetColor(FColor);
    FCanvas.FillRect(r);
    if (!FBeveled)
        return;
    if (FAlign == alLeft || FAlign == alRight)
        InflateRect(&r, -1, 2);
    else
        InflateRect(&r, 2, -1);
    OffsetRect(&r, 1, 1);
    FCanvas.Brush()->SetColor(clBtnHighlight);
    FCanvas.FrameRect(r);
    OffsetRect(&r, -2, -2);
    FCanvas.Brush()->SetColor(clBtnShadow);
    FCanvas.FrameRect(r);
}

// ------------------------------------------------------------------ TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape Value) {
    FShape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
    FStyle = Value;
    Invalidate();
}

void TBevel::Paint() {
    TColor c1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor c2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    auto rect = [&](int l, int t, int r, int b) {
        FCanvas.Pen()->SetColor(c1);
        FCanvas.Polyline({POINT{l, b}, POINT{l, t}, POINT{r, t}});
        FCanvas.Pen()->SetColor(c2);
        FCanvas.Polyline({POINT{r, t}, POINT{r, b}, POINT{l, b}});
    };
    auto line = [&](TColor c, int x1, int y1, int x2, int y2) {
        FCanvas.Pen()->SetColor(c);
        FCanvas.MoveTo(x1, y1);
        FCanvas.LineTo(x2, y2);
    };
    FCanvas.Pen()->SetWidth(1);
    int w = FWidth, h = FHeight;
    switch (FShape) {
    case bsBox: rect(0, 0, w - 1, h - 1); break;
    case bsFrame: {
        TColor t = c1;
        c1 = c2;
        rect(1, 1, w - 1, h - 1);
        c2 = t;
        c1 = t;
        rect(0, 0, w - 2, h - 2);
        break;
    }
    case bsTopLine: line(c1, 0, 0, w, 0); line(c2, 0, 1, w, 1); break;
    case bsBottomLine: line(c1, 0, h - 2, w, h - 2); line(c2, 0, h - 1, w, h - 1); break;
    case bsLeftLine: line(c1, 0, 0, 0, h); line(c2, 1, 0, 1, h); break;
    case bsRightLine: line(c1, w - 2, 0, w - 2, h); line(c2, w - 1, 0, w - 1, h); break;
    case bsSpacer: break;
    }
}
