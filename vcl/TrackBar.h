// The track bar: a slider over a range of integers. The control keeps range, position and
// tick settings itself and gives them to every new window; OnChange runs whenever the
// position changes, by the user or by the program.
#pragma once

#include "Controls.h"

#include <commctrl.h>

#include <algorithm>

enum TTrackBarOrientation { trHorizontal, trVertical };
// Where the ticks are: below/right, above/left, or both.
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };
// No ticks, one every Frequency positions, or only the ends.
enum TTickStyle { tsNone, tsAuto, tsManual };

class TTrackBar : public TWinControl {
public:
    VORLANE_CLASS_NAME(TTrackBar)
    explicit TTrackBar(TComponent* AOwner);

    int Min() const { return FMin; }
    int Max() const { return FMax; }
    void SetMin(int Value) { SetRange(Value, std::max(Value, FMax)); }
    void SetMax(int Value) { SetRange(std::min(FMin, Value), Value); }
    // AMax below AMin is taken as AMin; the position is kept inside the range.
    void SetRange(int AMin, int AMax);
    // The window's position while it exists.
    int Position();
    // Clamped to the range.
    void SetPosition(int Value);
    int Frequency() const { return FFrequency; }
    void SetFrequency(int Value);
    int LineSize() const { return FLineSize; }
    void SetLineSize(int Value);
    int PageSize() const { return FPageSize; }
    void SetPageSize(int Value);
    TTrackBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation Value);
    TTickMark TickMarks() const { return FTickMarks; }
    void SetTickMarks(TTickMark Value);
    TTickStyle TickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle Value);

    TNotifyEvent OnChange;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Changed();

    int FMin = 0, FMax = 10, FPosition = 0, FFrequency = 1, FLineSize = 1, FPageSize = 2;
    TTrackBarOrientation FOrientation = trHorizontal;
    TTickMark FTickMarks = tmBottomRight;
    TTickStyle FTickStyle = tsAuto;
};
