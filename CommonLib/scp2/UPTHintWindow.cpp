#include "UPTHintWindow.h"

#include "UPTUnicode.h"

namespace {
// Runs Measure with the window's canvas on a screen context in the window's font.
template <class F>
void MeasureOnScreen(TCanvas& Canvas, TFont& Font, F&& Measure) {
    HDC dc = GetDC(nullptr);
    Canvas.SetHandle(dc);
    Canvas.Font()->Assign(&Font);
    Measure();
    Canvas.SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
}
} // namespace

RECT TPTHintWindow::CalcHintRect(int MaxWidth, const std::wstring& AHint, void* AData) {
    if (!IsUTF7Carrier(AHint))
        return THintWindow::CalcHintRect(MaxWidth, AHint, AData);
    RECT r{0, 0, MaxWidth, 0};
    MeasureOnScreen(FCanvas, FFont, [&] {
        FCanvas.DrawText(UTF7CarrierDecode(AHint), r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    });
    r.right += 6;
    r.bottom += 2;
    return r;
}

WideString TPTHintWindow::ShownText() { return PTDecodeIfCarrier(GetText()); }

void TPTHintWindow::WndProc(TMessage& Message) {
    if (Message.Msg == CM_TEXTCHANGED && IsUTF7Carrier(GetText())) {
        // Sized to the carried text, not to the carrier.
        SIZE extent{};
        MeasureOnScreen(FCanvas, FFont, [&] { extent = FCanvas.TextExtent(ShownText()); });
        SetBounds(Left(), Top(), extent.cx + 6, extent.cy + 6);
        Invalidate();
        return;
    }
    THintWindow::WndProc(Message);
}

void TPTHintWindow::Paint() {
    const WideString caption = GetText();
    if (!IsUTF7Carrier(caption)) {
        THintWindow::Paint();
        return;
    }
    RECT r = ClientRect();
    r.left += 2;
    r.top += 2;
    FCanvas.Font()->SetColor(Screen ? Screen->HintFont()->Color() : clInfoText);
    FCanvas.DrawText(UTF7CarrierDecode(caption), r, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}
