#include "TrackBar.h"

#include <algorithm>

TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    SetBounds(0, 0, 150, 45);
}

void TTrackBar::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, TRACKBAR_CLASSW);
    Params.Style |= FOrientation == trVertical ? TBS_VERT : TBS_HORZ;
    switch (FTickStyle) {
    case tsNone: Params.Style |= TBS_NOTICKS; break;
    case tsAuto: Params.Style |= TBS_AUTOTICKS; break;
    case tsManual: break;
    }
    switch (FTickMarks) {
    case tmBottomRight: Params.Style |= TBS_BOTTOM; break; // TBS_RIGHT for vertical bars
    case tmTopLeft: Params.Style |= TBS_TOP; break;        // TBS_LEFT
    case tmBoth: Params.Style |= TBS_BOTH; break;
    }
    MirrorInRightToLeft(Params); // the scale runs from the right
}

void TTrackBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, TBM_SETRANGEMIN, FALSE, FMin);
    SendMessageW(FHandle, TBM_SETRANGEMAX, FALSE, FMax);
    SendMessageW(FHandle, TBM_SETLINESIZE, 0, FLineSize);
    SendMessageW(FHandle, TBM_SETPAGESIZE, 0, FPageSize);
    SendMessageW(FHandle, TBM_SETTICFREQ, FFrequency, 0);
    SendMessageW(FHandle, TBM_SETPOS, TRUE, FPosition);
}

void TTrackBar::DestroyWnd() {
    FPosition = Position();
    TWinControl::DestroyWnd();
}

void TTrackBar::Changed() {
    if (OnChange)
        OnChange(this);
}

void TTrackBar::SetRange(int AMin, int AMax) {
    FMin = AMin;
    FMax = std::max(AMin, AMax);
    if (HandleAllocated()) {
        SendMessageW(FHandle, TBM_SETRANGEMIN, FALSE, FMin);
        SendMessageW(FHandle, TBM_SETRANGEMAX, TRUE, FMax);
    }
    int old = FPosition;
    FPosition = std::clamp(FPosition, FMin, FMax);
    if (HandleAllocated())
        SendMessageW(FHandle, TBM_SETPOS, TRUE, FPosition);
    if (FPosition != old)
        Changed();
}

int TTrackBar::Position() {
    if (HandleAllocated())
        FPosition = static_cast<int>(SendMessageW(FHandle, TBM_GETPOS, 0, 0));
    return FPosition;
}

void TTrackBar::SetPosition(int Value) {
    Value = std::clamp(Value, FMin, FMax);
    if (Value == Position())
        return;
    FPosition = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, TBM_SETPOS, TRUE, FPosition);
    Changed();
}

void TTrackBar::SetFrequency(int Value) {
    FFrequency = std::max(1, Value);
    if (HandleAllocated())
        SendMessageW(FHandle, TBM_SETTICFREQ, FFrequency, 0);
}

void TTrackBar::SetLineSize(int Value) {
    FLineSize = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, TBM_SETLINESIZE, 0, FLineSize);
}

void TTrackBar::SetPageSize(int Value) {
    FPageSize = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, TBM_SETPAGESIZE, 0, FPageSize);
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark Value) {
    if (Value == FTickMarks)
        return;
    FTickMarks = Value;
    RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle Value) {
    if (Value == FTickStyle)
        return;
    FTickStyle = Value;
    RecreateWnd();
}

void TTrackBar::WndProc(TMessage& Message) {
    if (Message.Msg == CN_HSCROLL || Message.Msg == CN_VSCROLL) {
        // The user moved the thumb (mouse, keys): the window holds the new position.
        int old = FPosition;
        if (Position() != old)
            Changed();
        Message.Result = 0;
        return;
    }
    TWinControl::WndProc(Message);
}
