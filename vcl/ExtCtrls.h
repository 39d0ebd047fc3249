// Extended controls: panel, shape, image, splitter and bevel.
#pragma once

#include "Controls.h"
#include "Graphics.h"
#include "StdCtrls.h"

#include <functional>
#include <memory>

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
// The edges a panel's bevels are drawn on.
enum TBevelEdge : unsigned { beLeft = 1, beTop = 2, beRight = 4, beBottom = 8 };
using TBevelEdges = unsigned;
constexpr TBevelEdges beAllEdges = beLeft | beTop | beRight | beBottom;

// Draws a frame Width pixels wide on the given edges: top and left in TopColor, bottom and
// right in BottomColor (those two own the corners they share with the others); Rect shrinks
// by the frame on those edges.
void Frame3D(TCanvas* Canvas, RECT& Rect, TColor TopColor, TColor BottomColor, int Width,
             TBevelEdges Edges = beAllEdges);

// A container with bevels and a centred caption.
class TCustomPanel : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TCustomPanel)
    explicit TCustomPanel(TComponent* AOwner);

    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    // The edges the bevels take (all four by default); the border stays on every edge.
    TBevelEdges BevelEdges() const { return FBevelEdges; }
    void SetBevelEdges(TBevelEdges Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    void WndProc(TMessage& Message) override;

protected:
    void AdjustClientRect(RECT& Rect) override;
    bool RecreatesForReadingOrder() const override { return false; }
    void Paint() override;
    // The bevels and the border, drawn on the canvas; Rect shrinks to the inside.
    void PaintFrame(RECT& Rect);

    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBevelWidth = 1;
    TBevelEdges FBevelEdges = beAllEdges;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
public:
    VORLANE_CLASS_NAME(TPanel)
    using TCustomPanel::TCustomPanel;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
public:
    VORLANE_CLASS_NAME(TShape)
    explicit TShape(TComponent* AOwner);
    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType Value);
    TPen* Pen() { return &FPen; }
    TBrush* Brush() { return &FBrush; }

protected:
    void Paint() override;
    TShapeType FShape = stRectangle;
    TPen FPen;
    TBrush FBrush;
};

// Shows a picture: at its size, centred, stretched, or scaled down keeping proportions.
class TImage : public TGraphicControl {
public:
    VORLANE_CLASS_NAME(TImage)
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    // Where the picture is drawn (client coordinates).
    RECT DestRect();

protected:
    void Paint() override;
    virtual void PictureChanged(TObject* Sender);
    // Puts another picture object in place of the current one (its handlers carried over).
    void ReplacePicture(std::unique_ptr<TPicture> Value);

    std::unique_ptr<TPicture> FPicture;
    bool FAutoSize = false;
    bool FCenter = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FTransparent = false;
};

using TCanResizeEvent = std::function<void(TObject* Sender, int& NewSize, bool& Accept)>;

// A bar between two aligned controls that the user drags to resize the one before it.
class TSplitter : public TGraphicControl {
public:
    VORLANE_CLASS_NAME(TSplitter)
    explicit TSplitter(TComponent* AOwner);
    // The smallest size the resized control (and the space after the splitter) keeps.
    int MinSize() const { return FMinSize; }
    void SetMinSize(int Value) { FMinSize = std::max(Value, 1); }
    // A drag below MinSize closes the control (size 0) instead of stopping at MinSize.
    bool AutoSnap() const { return FAutoSnap; }
    void SetAutoSnap(bool Value) { FAutoSnap = Value; }
    // True from the press that starts a drag to its release.
    bool Dragging() const { return FDragging; }
    bool Beveled() const { return FBeveled; }
    void SetBeveled(bool Value);
    // The control the splitter resizes (the nearest one aligned to the same side).
    TControl* ResizeControl();

    TCanResizeEvent OnCanResize;
    TNotifyEvent OnMoved;
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // The size the control gets for a drag of Offset pixels, kept within the limits.
    int NewSizeFor(int Offset);
    void ApplySize(int NewSize);
    // True (and forgets it) when the control being sized is no longer beside the splitter.
    bool SizedControlLeft();

    int FMinSize = 30;
    bool FAutoSnap = false;
    bool FBeveled = false;
    TControl* FControl = nullptr;
    POINT FDownPos{};
    int FStartSize = 0;
    int FMaxSize = 0;
    bool FDragging = false;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
public:
    VORLANE_CLASS_NAME(TBevel)
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape Value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle Value);

protected:
    void Paint() override;
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};
