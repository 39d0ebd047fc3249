// What the standard controls' units share (the combo and list boxes' owner drawing and
// item text tests); not for use outside vcl.
#pragma once

#include "StdCtrls.h"
#include "SysUtils.h"

#include <algorithm>
#include <string>

namespace stdctrls_detail {

inline bool SameTextIgnoringCase(const std::wstring& A, const std::wstring& B) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.c_str(), static_cast<int>(A.size()), B.c_str(),
                          static_cast<int>(B.size())) == CSTR_EQUAL;
}

inline bool StartsWithIgnoringCase(const std::wstring& S, const std::wstring& Prefix) {
    return S.size() >= Prefix.size() && SameTextIgnoringCase(S.substr(0, Prefix.size()), Prefix);
}

// The owner-draw messages of a combo or list box: CN_DRAWITEM paints one item with the
// canvas set up (selection colours, focus rectangle); CN_MEASUREITEM asks Measure for the
// height of an item of the variable style (never of a combo box's edit part, item -1).
// True when Message was one of the two and has been answered.
template <class FDraw, class FMeasure>
bool OwnerDrawMessage(TWinControl* Control, TCanvas& Canvas, TMessage& Message, int ItemHeight, bool VariableHeight,
                      FDraw&& Draw, FMeasure&& Measure) {
    if (Message.Msg == CN_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam);
        int h = ItemHeight;
        if (VariableHeight && static_cast<int>(mis->itemID) >= 0)
            Measure(static_cast<int>(mis->itemID), h);
        mis->itemHeight = static_cast<UINT>(std::max(h, 1));
        Message.Result = 1;
        return true;
    }
    if (Message.Msg != CN_DRAWITEM)
        return false;
    const DRAWITEMSTRUCT& item = *reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
    TOwnerDrawState state = OwnerDrawStateOf(item.itemState);
    Canvas.SetHandle(item.hDC);
    struct Release {
        TCanvas& c;
        ~Release() { c.SetHandle(nullptr); }
    } release{Canvas};
    Canvas.Font()->Assign(Control->Font());
    if (state & odSelected) {
        Canvas.Brush()->SetColor(clHighlight);
        Canvas.Font()->SetColor(clHighlightText);
    } else {
        Canvas.Brush()->SetColor(Control->Color());
        Canvas.Font()->SetColor(Control->TextPaintColor());
    }
    Draw(static_cast<int>(item.itemID), item.rcItem, state);
    if ((state & odFocused) && !(state & odComboBoxEdit))
        DrawFocusRect(item.hDC, &item.rcItem);
    Message.Result = 1;
    return true;
}

[[noreturn]] inline void UnableToInsert() { throw EOutOfResources(L"Unable to insert a line"); }

} // namespace stdctrls_detail

using namespace stdctrls_detail;
