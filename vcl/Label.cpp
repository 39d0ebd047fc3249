// TCustomLabel: a windowless text, its drawing, automatic size and focus control.
#include "StdCtrls.h"
#include "StdCtrlsInternal.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

// ------------------------------------------------------------------ TCustomLabel

namespace {

// Letters of the right-to-left scripts, and halves of surrogate pairs: text DrawText shapes.
bool NeedsShaping(wchar_t C) {
    return (C >= 0x0590 && C <= 0x08FF) || (C >= 0xD800 && C <= 0xDFFF) || (C >= 0xFB1D && C <= 0xFEFF);
}

// Draws one line of text with each letter at the width the font reports for it, as
// DrawText would place the line within Rect; false (nothing drawn) for text DrawText must lay
// out itself (several lines, tabs, word wrap, measuring, shaped scripts, a key's underline). Some fonts draw
// letters narrower and figures wider than those widths (Wine's Tahoma at its small bitmap
// sizes) while the underline of an underlined font, and a label's size, follow the widths:
// placed this way the text ends where the underline and the label do, and a right-aligned
// line keeps its last figure.
bool DrawLineAtReportedWidths(TCanvas& Canvas, const std::wstring& Text, const RECT& Rect, UINT Flags) {
    if ((Flags & (DT_CALCRECT | DT_WORDBREAK)) || Text.find_first_of(L"\r\n\t") != std::wstring::npos ||
        std::any_of(Text.begin(), Text.end(), NeedsShaping) ||
        (!(Flags & DT_NOPREFIX) && Text.find(L'&') != std::wstring::npos)) // DrawText underlines the key
        return false;
    if (Text.empty())
        return true;
    std::wstring shown = Text;
    if (Flags & DT_RTLREADING) {
        // Read right to left, the words keep their order and the marks and spaces before and
        // after them go to the other side ("Catalog Select:" shows as ":Catalog Select").
        // Marks that would be mirrored (brackets) are left to DrawText.
        const auto word = [](wchar_t C) { return iswalnum(C) != 0; };
        const auto first = std::find_if(Text.begin(), Text.end(), word);
        const auto last = std::find_if(Text.rbegin(), Text.rend(), word).base();
        if (first == Text.end() ||
            !std::all_of(Text.begin(), first, [](wchar_t C) { return wcschr(L" .,:;!?-", C) != nullptr; }) ||
            !std::all_of(last, Text.end(), [](wchar_t C) { return wcschr(L" .,:;!?-", C) != nullptr; }))
            return false;
        shown = std::wstring(Text.rbegin(), std::wstring::const_reverse_iterator(last)) + std::wstring(first, last) +
                std::wstring(std::wstring::const_reverse_iterator(first), Text.rend());
    }
    HDC dc = Canvas.Handle();
    if (!dc)
        return true;
    Canvas.RequireFont();
    const int count = static_cast<int>(shown.size());
    std::vector<int> ends(shown.size()), widths(shown.size());
    SIZE size{};
    int fit = 0;
    if (!GetTextExtentExPointW(dc, shown.c_str(), count, 0, &fit, ends.data(), &size))
        return false;
    for (int i = 0; i < count; ++i)
        widths[i] = ends[i] - (i ? ends[i - 1] : 0);
    int x = Rect.left;
    if (Flags & DT_RIGHT)
        x = Rect.right - size.cx;
    else if (Flags & DT_CENTER)
        x = (Rect.left + Rect.right - size.cx) / 2;
    Canvas.Changing();
    SetBkMode(dc, TRANSPARENT);
    const UINT align = SetTextAlign(dc, TA_LEFT | TA_TOP);
    ExtTextOutW(dc, x, Rect.top, 0, nullptr, shown.c_str(), static_cast<UINT>(count), widths.data());
    SetTextAlign(dc, align);
    Canvas.Changed();
    return true;
}

} // namespace

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    ControlStyle |= csOpaque;
    FParentColor = true;
    SetBounds(0, 0, 65, 17);
}

std::wstring TCustomLabel::GetLabelText() { return GetText(); }

void TCustomLabel::DoDrawText(RECT& Rect, UINT Flags) {
    std::wstring text = GetLabelText();
    // An empty caption still takes one line.
    if ((Flags & DT_CALCRECT) && (text.empty() || (FShowAccelChar && text == L"&")))
        text = L" ";
    if (!FShowAccelChar)
        Flags |= DT_NOPREFIX;
    Flags |= DrawTextBiDiModeFlagsReadingOnly();
    FCanvas.Font()->Assign(&FFont);
    FCanvas.Font()->SetColor(TextPaintColor());
    // One line ends where its measured width does (and an underlined one with its underline).
    auto draw = [&] {
        if (!DrawLineAtReportedWidths(FCanvas, text, Rect, Flags))
            FCanvas.DrawText(text, Rect, Flags);
    };
    if (!FEnabled) {
        OffsetRect(&Rect, 1, 1);
        FCanvas.Font()->SetColor(clBtnHighlight);
        draw();
        OffsetRect(&Rect, -1, -1);
        FCanvas.Font()->SetColor(clBtnShadow);
        draw();
    } else {
        draw();
    }
}

void TCustomLabel::Paint() {
    RECT r = ClientRect();
    if (!FTransparent) {
        FCanvas.Brush()->SetColor(FColor);
        FCanvas.Brush()->SetStyle(bsSolid);
        FCanvas.FillRect(r);
    }
    FCanvas.Brush()->SetStyle(bsClear);
    static const UINT alignments[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    TAlignment a = FAlignment;
    if (UseRightToLeftAlignment() && a != taCenter)
        a = a == taLeftJustify ? taRightJustify : taLeftJustify;
    UINT flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0) | alignments[a];
    if (FLayout != tlTop) {
        RECT calc = r;
        DoDrawText(calc, flags | DT_CALCRECT);
        int shift = FLayout == tlBottom ? FHeight - calc.bottom : (FHeight - calc.bottom) / 2;
        OffsetRect(&r, 0, shift);
    }
    DoDrawText(r, flags);
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize || FAdjusting)
        return;
    RECT r = ClientRect();
    HDC dc = GetDC(nullptr);
    FCanvas.SetHandle(dc);
    DoDrawText(r, DT_EXPANDTABS | DT_CALCRECT | (FWordWrap ? DT_WORDBREAK : 0));
    FCanvas.SetHandle(nullptr);
    ReleaseDC(nullptr, dc);
    int x = FLeft;
    TAlignment a = FAlignment;
    if (UseRightToLeftAlignment() && a != taCenter)
        a = a == taLeftJustify ? taRightJustify : taLeftJustify;
    if (a == taRightJustify)
        x += FWidth - r.right;
    FAdjusting = true;
    SetBounds(x, FTop, r.right, r.bottom);
    FAdjusting = false;
}

void TCustomLabel::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        break;
    case CM_DIALOGCHAR:
        if (FFocusControl && FEnabled && FShowAccelChar &&
            IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && FFocusControl->CanFocus()) {
            FFocusControl->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    }
    TGraphicControl::WndProc(Message);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FFocusControl)
        FFocusControl = nullptr;
}

void TCustomLabel::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool Value) {
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    AdjustBounds();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
    if (Value == FLayout)
        return;
    FLayout = Value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
    if (Value == FWordWrap)
        return;
    FWordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
    if (Value == FTransparent)
        return;
    FTransparent = Value;
    if (Value)
        ControlStyle &= ~static_cast<unsigned>(csOpaque);
    else
        ControlStyle |= csOpaque;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
    if (Value == FShowAccelChar)
        return;
    FShowAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
    if (FFocusControl)
        FFocusControl->RemoveFreeNotification(this);
    FFocusControl = Value;
    if (Value)
        Value->FreeNotification(this);
}
