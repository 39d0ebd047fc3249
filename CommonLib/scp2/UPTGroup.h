// Framed group panel and pane: a container that draws one of eleven frames in its
// non-client area, so that its children are laid out inside the frame, and optionally its
// caption. TPTPane is the same panel with a lowered frame and a minimum size, as a
// splitter uses it. Captions may hold wide text in the UTF-7 carrier form.
#pragma once

#include "Controls.h"
#include "StdCtrls.h"

#include <functional>

enum TPTFrameStyle {
    ptfsNone,      // no frame
    ptfsGroup,     // etched rectangle with the caption in its top line
    ptfsLowered,   // 2-pixel sunken edge
    ptfsRaised,    // 2-pixel raised edge
    ptfsDint,      // 1-pixel sunken edge
    ptfsBump,      // 1-pixel raised edge
    ptfsSingle,    // 1-pixel line in the window-frame colour
    ptfsHorzLine,  // etched line at the top
    ptfsHorzEdge,  // etched lines at the top and the bottom
    ptfsVertLine,  // etched line at the left
    ptfsVertEdge,  // etched lines at the left and the right
};

using TPTGroupPaintEvent = std::function<void(TObject* Sender, TCanvas* Canvas)>;

class TPTCustomGroup : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TPTCustomGroup)
    explicit TPTCustomGroup(TComponent* AOwner);

    // Where the caption stands in the client area (styles other than ptfsGroup).
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    // Draw the caption and erase the background.
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value);
    // Horizontal margin of the caption inside the frame.
    int FrameSpace() const { return FFrameSpace; }
    void SetFrameSpace(int Value);
    TPTFrameStyle FrameStyle() const { return FFrameStyle; }
    void SetFrameStyle(TPTFrameStyle Value);

    // The widths the frame takes from the window rectangle on each side.
    RECT FrameMargins();
    // Paints the frame (and a ptfsGroup caption) on DC, whose origin is the window's
    // top-left corner, for a window of the current size.
    void PaintFrame(HDC DC);
    // The caption as shown: decoded when it is a UTF-7 carrier.
    WideString CaptionText();

    // After the control has painted its client area.
    TPTGroupPaintEvent OnPaint;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void NCCalcSize(RECT& Client, bool ValidRects, LRESULT& Result) override;
    void NCPaint(HDC DC) override;
    void Paint() override;
    bool Designing() const { return (ComponentState() & csDesigning) != 0; }

    TAlignment FAlignment = taCenter;
    bool FDefaultDrawing = true;
    int FFrameSpace = 2;
    TPTFrameStyle FFrameStyle = ptfsGroup;
    // Set when the style changes; cleared by the next measuring of the frame.
    bool FFrameChanged = false;

private:
    // Height of "0" in the control's font.
    int CaptionHeight();
    void DrawGroupCaption(TCanvas& Canvas, int WindowWidth);
};

class TPTGroup : public TPTCustomGroup {
public:
    VORLANE_CLASS_NAME(TPTGroup)
    using TPTCustomGroup::TPTCustomGroup;
};

class TPTPane : public TPTGroup {
public:
    VORLANE_CLASS_NAME(TPTPane)
    explicit TPTPane(TComponent* AOwner);

    // The smallest size a splitter leaves the pane.
    int MinSize() const { return FMinSize; }
    void SetMinSize(int Value) { FMinSize = Value; }
    // The pane's place among the panes of its splitter.
    int Index() const { return FIndex; }
    void SetIndex(int Value) { FIndex = Value; }
    // At design time, mark the client area with a dotted outline.
    bool DesignOutline() const { return FDesignOutline; }
    void SetDesignOutline(bool Value);

protected:
    void Paint() override;

private:
    int FMinSize = 20;
    int FIndex = 0;
    bool FDesignOutline = false;
};
