// Helpers shared by the common controls' units (list view, tree view, status bar, tool
// bar, page control, progress bar, rich edit); not for use outside vcl.
#pragma once

#include "ComCtrls.h"
#include "Format.h"
#include "SysUtils.h"

namespace comctrls_detail {

[[noreturn]] inline void ListIndexError(int Index) {
    throw EListError(Format(L"List index out of bounds (%d)", {Index}));
}

inline HIMAGELIST ImageListHandle(TCustomImageList* List) { return List ? List->Handle() : nullptr; }

// Sends WM_SETREDRAW around a block (only while the window exists).
inline void SetRedraw(TWinControl* Control, bool On) {
    if (Control->HandleAllocated()) {
        SendMessageW(Control->Handle(), WM_SETREDRAW, On ? TRUE : FALSE, 0);
        if (On)
            InvalidateRect(Control->Handle(), nullptr, TRUE);
    }
}

} // namespace comctrls_detail

using namespace comctrls_detail;
