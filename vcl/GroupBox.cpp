// TCustomGroupBox: a frame with a caption around a group of controls.
#include "StdCtrls.h"
#include "StdCtrlsInternal.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

// ------------------------------------------------------------------ TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle |= csAcceptsControls;
    SetBounds(0, 0, 185, 105);
}

SIZE TCustomGroupBox::CaptionExtent() {
    HDC dc = GetDC(nullptr);
    TCanvas measure;
    measure.SetHandle(dc);
    measure.Font()->Assign(&FFont);
    std::wstring text = GetText();
    SIZE size = measure.TextExtent(text.empty() ? std::wstring(L"0") : text);
    if (text.empty())
        size.cx = 0;
    measure.SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    return size;
}

void TCustomGroupBox::AdjustClientRect(RECT& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    Rect.top += CaptionExtent().cy;
    InflateRect(&Rect, -2, -2);
}

void TCustomGroupBox::Paint() {
    FCanvas.Font()->Assign(&FFont);
    SIZE text = CaptionExtent();
    int h = text.cy;
    RECT r{0, h / 2 - 1, FWidth, FHeight};
    // The 3D frame: a highlight line, and a shadow line one pixel up and left of it.
    r.left += 1;
    r.top += 1;
    FCanvas.Brush()->SetColor(clBtnHighlight);
    FCanvas.FrameRect(r);
    OffsetRect(&r, -1, -1);
    FCanvas.Brush()->SetColor(clBtnShadow);
    FCanvas.FrameRect(r);
    std::wstring caption = GetText();
    if (caption.empty())
        return;
    // The caption sits in a gap of the frame, on the control's colour.
    RECT cr{8, 0, 0, h};
    UINT bidi = DrawTextBiDiModeFlagsReadingOnly();
    FCanvas.DrawText(caption, cr, DT_CALCRECT | DT_SINGLELINE | bidi);
    if (UseRightToLeftAlignment())
        OffsetRect(&cr, FWidth - 16 - (cr.right - cr.left), 0);
    FCanvas.Brush()->SetColor(FColor);
    FCanvas.FillRect(cr);
    FCanvas.DrawText(caption, cr, DT_SINGLELINE | bidi);
}

void TCustomGroupBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && CanFocus()) {
            SelectNext(nullptr, true, true); // the first child that takes the focus
            Message.Result = 1;
            return;
        }
        break;
    case CM_TEXTCHANGED:
        Invalidate();
        break;
    case CM_FONTCHANGED:
        Realign();
        Invalidate();
        break;
    }
    TCustomControl::WndProc(Message);
}
