// Helpers shared by the common controls' units (list view, tree view, status bar, tool
// bar, page control, progress bar, rich edit); not for use outside vcl.
#pragma once

#include "ComCtrls.h"
#include "Format.h"
#include "SysUtils.h"

#include <algorithm>
#include <vector>

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

// The sort callback that keeps items (nodes) in the order of their indexes; the item is the
// sort parameter.
template <class T>
int CALLBACK CompareByIndex(LPARAM A, LPARAM B, LPARAM) {
    return reinterpret_cast<T*>(A)->Index() - reinterpret_cast<T*>(B)->Index();
}

// Keeps track of an item (node) while an event handler runs for it: the handler may delete
// it, after which Get() is null and the caller leaves it alone. List is the control's list
// of watched pointers, which a deletion clears.
template <class T>
class TWatched {
public:
    TWatched(std::vector<T**>& List, T* Item) : FList(List), FItem(Item) { FList.push_back(&FItem); }
    ~TWatched() { FList.erase(std::find(FList.begin(), FList.end(), &FItem)); }
    TWatched(const TWatched&) = delete;
    TWatched& operator=(const TWatched&) = delete;
    T* Get() const { return FItem; }

private:
    std::vector<T**>& FList;
    T* FItem;
};

} // namespace comctrls_detail

using namespace comctrls_detail;
