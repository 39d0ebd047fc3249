// The progress bar.
#include "ComCtrls.h"
#include "ComCtrlsInternal.h"

#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <atomic>
#include <cstring>

// =================================================================================
// Progress bar

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) { SetBounds(0, 0, 150, 16); }

void TProgressBar::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, PROGRESS_CLASSW);
    if (FSmooth) Params.Style |= PBS_SMOOTH;
    if (FOrientation == pbVertical) Params.Style |= PBS_VERTICAL;
}

void TProgressBar::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, PBM_SETRANGE32, FMin, FMax);
    SendMessageW(FHandle, PBM_SETSTEP, FStep, 0);
    SendMessageW(FHandle, PBM_SETPOS, FPosition, 0);
}

void TProgressBar::DestroyWnd() {
    FPosition = Position();
    TWinControl::DestroyWnd();
}

void TProgressBar::SetRange(int AMin, int AMax) {
    FMin = AMin;
    FMax = std::max(AMin, AMax);
    FPosition = std::clamp(FPosition, FMin, FMax);
    if (HandleAllocated())
        SendMessageW(FHandle, PBM_SETRANGE32, FMin, FMax);
}

int TProgressBar::Position() {
    if (HandleAllocated())
        FPosition = static_cast<int>(SendMessageW(FHandle, PBM_GETPOS, 0, 0));
    return FPosition;
}

void TProgressBar::SetPosition(int Value) {
    FPosition = std::clamp(Value, FMin, FMax);
    if (HandleAllocated())
        SendMessageW(FHandle, PBM_SETPOS, FPosition, 0);
}

void TProgressBar::SetStep(int Value) {
    FStep = Value;
    if (HandleAllocated())
        SendMessageW(FHandle, PBM_SETSTEP, Value, 0);
}

void TProgressBar::StepIt() { StepBy(FStep); }

void TProgressBar::StepBy(int Delta) { SetPosition(Position() + Delta); }

void TProgressBar::SetSmooth(bool Value) {
    if (Value == FSmooth)
        return;
    FSmooth = Value;
    RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation Value) {
    if (Value == FOrientation)
        return;
    FOrientation = Value;
    RecreateWnd();
}
