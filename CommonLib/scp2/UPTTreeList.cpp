#include "UPTTreeList.h"

#include "UPTUnicode.h"

#include <algorithm>

namespace {

// Posted to itself after the window is made: the header is formatted once more when the
// columns have settled.
constexpr UINT WM_PTUPDATEHEADER = WM_USER + 100;

POINT PointOf(LPARAM L) { return POINT{static_cast<short>(LOWORD(L)), static_cast<short>(HIWORD(L))}; }

bool IsSystemColor(TColor Color) { return (Color & clSystemColor) == clSystemColor && Color != clNone; }

// The triangle of a sort arrow in its box: apex up for ascending, down for descending.
void DrawSortArrow(TCanvas* Canvas, const RECT& Box, bool Ascending) {
    const int side = Box.right - Box.left;
    if (side < 3)
        return;
    const int inset = side / 4;
    const int left = Box.left + inset, right = Box.right - inset - 1;
    const int top = Box.top + inset, bottom = Box.bottom - inset - 1;
    const int middle = (left + right) / 2;
    POINT apex{middle, Ascending ? top : bottom};
    POINT a{left, Ascending ? bottom : top};
    POINT b{right, Ascending ? bottom : top};
    Canvas->Brush()->SetColor(clBtnFace);
    Canvas->Pen()->SetColor(clBtnFace);
    Canvas->Polygon({apex, a, b});
    // Light falls from the top left: the lit edges are those facing it.
    Canvas->Pen()->SetColor(clBtnShadow);
    if (Ascending) {
        Canvas->MoveTo(apex.x, apex.y);
        Canvas->LineTo(a.x, a.y);
        Canvas->Pen()->SetColor(clBtnHighlight);
        Canvas->LineTo(b.x, b.y);
        Canvas->LineTo(apex.x, apex.y);
    } else {
        Canvas->MoveTo(a.x, a.y);
        Canvas->LineTo(b.x, b.y);
        Canvas->LineTo(apex.x, apex.y);
        Canvas->Pen()->SetColor(clBtnHighlight);
        Canvas->LineTo(a.x, a.y);
    }
}

} // namespace

// ---------------------------------------------------------------------------------
// Context-menu requests

bool TPTContextMenuRequests::IsMenuKey(WORD Key, TShiftState Shift) {
    return (Key == VK_APPS && !(Shift & ssShift)) || (Key == VK_F10 && (Shift & (ssShift | ssCtrl | ssAlt)) == ssShift);
}

bool TPTContextMenuRequests::HandleMessage(TMessage& Message, TControl* Control,
                                           const std::function<void(POINT, bool)>& Show) {
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        FShown = false; // a new request: a menu shown before is done with
        return false;
    case WM_CONTEXTMENU: {
        if (!FShown) {
            const POINT p = PointOf(Message.LParam);
            const bool keyboard = p.x == -1 && p.y == -1;
            Show(keyboard ? p : Control->ScreenToClient(p), keyboard);
        }
        FShown = false;
        Message.Result = 1;
        return true;
    }
    }
    return false;
}

// ---------------------------------------------------------------------------------
// Header layout

TPTHeaderSectionLayout PTHeaderSectionLayout(const RECT& Section, TPTLvHeaderSortDisplayMode Mode, bool SortColumn,
                                             bool RightAligned, int CaptionWidth) {
    TPTHeaderSectionLayout l;
    l.Clip = RECT{Section.left + 2, Section.top + 2, Section.right - 2, Section.bottom - 2};
    l.Text = l.Clip;
    const int side = std::max<int>((Section.bottom - Section.top) / 2 - 1, 0);
    const int top = l.Clip.top + ((l.Clip.bottom - l.Clip.top) - side) / 2;
    l.Arrow = RECT{l.Clip.left, top, l.Clip.left + side, top + side};
    const int width = Section.right - Section.left;
    l.ShowArrow = SortColumn && Mode != ptlvNone && width > 2 * side;
    auto moveArrowTo = [&](int left) {
        l.Arrow.left = left;
        l.Arrow.right = left + side;
    };
    switch (Mode) {
    case ptlvNone:
        break;
    case ptlvLeftAlign:
        if (SortColumn && width > 15)
            l.Text.left = l.Arrow.right + 5;
        break;
    case ptlvRightOfText:
        if (RightAligned) {
            moveArrowTo(l.Clip.right - 5 - side);
            l.Text.right = l.Arrow.left - 4;
        } else {
            moveArrowTo(l.Clip.left + CaptionWidth + 5);
        }
        break;
    case ptlvRightAlign:
        moveArrowTo(l.Clip.right - 5 - side);
        l.Text.right = l.Arrow.left - 4;
        break;
    }
    return l;
}

int PTHeaderItemFormat(int OldFormat, bool SelfPainted, bool SortColumn, bool Ascending) {
    int format = OldFormat & HDF_JUSTIFYMASK;
    if (SelfPainted)
        return format | HDF_OWNERDRAW;
    format |= HDF_STRING;
    if (SortColumn)
        format |= Ascending ? HDF_SORTUP : HDF_SORTDOWN;
    return format;
}

bool PTHeaderSelfPainted(TPTLvHeaderSortDisplayMode Mode) {
    return !(Mode == ptlvNone || (Mode == ptlvRightOfText && ComCtlIsVersion(6, 0)));
}

// ---------------------------------------------------------------------------------
// List view

TPTCustomListView::TPTCustomListView(TComponent* AOwner) : TCustomListView(AOwner) {}

TPTCustomListView::~TPTCustomListView() {
    Destroying();
    if (HandleAllocated())
        DestroyWindowHandle();
}

void TPTCustomListView::InvalidateHeaderItem(int Index) {
    RECT r;
    if (FindHeaderItem(Index, r))
        InvalidateRect(HeaderHandle(), &r, TRUE);
}

bool TPTCustomListView::FindHeaderItem(int Index, RECT& Rect) {
    HWND header = HeaderHandle();
    return header && Index >= 0 && SendMessageW(header, HDM_GETITEMRECT, Index, reinterpret_cast<LPARAM>(&Rect));
}

void TPTCustomListView::SetHeaderSortColumn(int Value) {
    if (Value == FHeaderSortColumn)
        return;
    InvalidateHeaderItem(FHeaderSortColumn);
    FHeaderSortColumn = Value;
    InvalidateHeaderItem(FHeaderSortColumn);
    if (ComCtlIsVersion(6, 0) && HeaderHandle())
        UpdateHeader();
}

void TPTCustomListView::SetHeaderSortDirection(uint8_t Value) {
    Value = Value ? 1 : 0;
    if (Value == FHeaderSortDirection)
        return;
    FHeaderSortDirection = Value;
    InvalidateHeaderItem(FHeaderSortColumn);
    if (ComCtlIsVersion(6, 0) && HeaderHandle())
        UpdateHeader();
    Update();
}

void TPTCustomListView::SetHeaderSortDisplayMode(TPTLvHeaderSortDisplayMode Value) {
    if (Value == FHeaderSortDisplayMode)
        return;
    FHeaderSortDisplayMode = ComCtlIsVersion(4, 70) ? Value : ptlvNone;
    UpdateHeader();
    if (HWND header = HeaderHandle())
        InvalidateRect(header, nullptr, TRUE);
}

void TPTCustomListView::UpdateHeader() {
    HWND header = HeaderHandle();
    if (!header || FViewStyle != vsReport || FHeaderUpdating > 0)
        return;
    ++FHeaderUpdating;
    const bool selfPainted = PTHeaderSelfPainted(FHeaderSortDisplayMode);
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = count - 1; i >= 0; --i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        if (!SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item)))
            continue;
        item.fmt = PTHeaderItemFormat(item.fmt, selfPainted, i == FHeaderSortColumn, FHeaderSortDirection == 1);
        SendMessageW(header, HDM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    InvalidateRect(header, nullptr, TRUE);
    --FHeaderUpdating;
}

void TPTCustomListView::SetListColors() {
    if (!HandleAllocated())
        return;
    const COLORREF colour = ColorToRGB(FColor);
    SendMessageW(FHandle, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(colour));
    SendMessageW(FHandle, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(colour));
}

void TPTCustomListView::CreateWnd() {
    TCustomListView::CreateWnd();
    SetListColors();
    UpdateHeader();
    PostMessageW(FHandle, WM_PTUPDATEHEADER, 0, 0);
}

void TPTCustomListView::PaintHeaderSection(const DRAWITEMSTRUCT& Item) {
    const int index = static_cast<int>(Item.itemID);
    const bool sortColumn = index == FHeaderSortColumn;
    std::wstring caption;
    TAlignment alignment = taLeftJustify;
    if (index >= 0 && index < Columns()->Count()) {
        caption = PTDecodeIfCarrier(Columns()->Items(index)->Caption());
        alignment = index == 0 ? taLeftJustify : Columns()->Items(index)->Alignment();
    }
    TCanvas* c = &FHeaderCanvas;
    c->Font()->Assign(Font());
    c->Font()->SetColor(clWindowText);
    c->Brush()->SetColor(clBtnFace);
    const int captionWidth = c->TextWidth(caption);
    const TPTHeaderSectionLayout l =
        PTHeaderSectionLayout(Item.rcItem, FHeaderSortDisplayMode, sortColumn, alignment == taRightJustify, captionWidth);
    HDC dc = c->Handle();
    IntersectClipRect(dc, l.Clip.left, l.Clip.top, l.Clip.right, l.Clip.bottom);
    c->FillRect(Item.rcItem);
    RECT text = l.Text;
    UINT flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    flags |= alignment == taRightJustify ? DT_RIGHT : alignment == taCenter ? DT_CENTER : DT_LEFT;
    c->Brush()->SetStyle(bsClear);
    c->DrawText(caption, text, flags);
    if (l.ShowArrow)
        DrawSortArrow(c, l.Arrow, FHeaderSortDirection == 1);
}

void TPTCustomListView::HeaderNotify(NMHDR& Header) {
    switch (Header.code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_ENDTRACKW:
    case HDN_ENDTRACKA:
        UpdateHeader();
        break;
    case HDN_ITEMCHANGEDW:
    case HDN_ITEMCHANGEDA:
        UpdateHeader();
        InvalidateRect(Header.hwndFrom, nullptr, TRUE);
        break;
    }
}

POINT TPTCustomListView::KeyboardContextPoint() {
    TListItem* item = ItemFocused();
    if (!item)
        item = Selected();
    if (item && HandleAllocated()) {
        RECT r = item->DisplayRect(LVIR_LABEL);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    return POINT{0, 0};
}

void TPTCustomListView::ShowContextMenu(POINT ClientPoint, bool FromKeyboard) {
    TListItem* item = nullptr;
    if (FromKeyboard) {
        ClientPoint = KeyboardContextPoint();
        item = ItemFocused();
        if (!item)
            item = Selected();
    } else {
        item = GetItemAt(ClientPoint.x, ClientPoint.y);
    }
    FMenuRequests.Shown();
    DoContextMenu(item, ClientPoint);
}

void TPTCustomListView::ItemContextMenu(TListItem* Item, POINT& ClientPoint, TPopupMenuBase*& Menu) {
    if (OnItemContextMenu)
        OnItemContextMenu(this, Item, ClientPoint, Menu);
}

void TPTCustomListView::DoContextMenu(TListItem* Item, POINT ClientPoint) {
    TPopupMenuBase* menu = PopupMenu();
    ItemContextMenu(Item, ClientPoint, menu);
    if (!menu)
        return;
    const POINT screen = ClientToScreen(ClientPoint);
    ReleaseCapture();
    menu->Popup(this, screen.x, screen.y);
}

void TPTCustomListView::BeginItemDrag(TMouseButton Button, TListItem* Item, POINT Point) { FDragging = true; }

void TPTCustomListView::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    if (hdr->code == NM_RCLICK) {
        TCustomListView::CNNotify(Message);
        POINT p;
        GetCursorPos(&p);
        p = ScreenToClient(p);
        FRightClickOnItem = GetItemAt(p.x, p.y) != nullptr;
        ShowContextMenu(p, false);
        return;
    }
    TCustomListView::CNNotify(Message);
}

void TPTCustomListView::KeyDown(WORD& Key, TShiftState Shift) {
    if (TPTContextMenuRequests::IsMenuKey(Key, Shift)) {
        Key = 0;
        ShowContextMenu(POINT{-1, -1}, true);
        return;
    }
    TCustomListView::KeyDown(Key, Shift);
}

void TPTCustomListView::WndProc(TMessage& Message) {
    if (FMenuRequests.HandleMessage(Message, this, [this](POINT P, bool K) { ShowContextMenu(P, K); }))
        return;
    switch (Message.Msg) {
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam);
        if (dis && dis->CtlType == ODT_HEADER && dis->hwndItem == HeaderHandle()) {
            if (FHeaderPainting) {
                const int saved = SaveDC(dis->hDC);
                FHeaderCanvas.SetHandle(dis->hDC);
                PaintHeaderSection(*dis);
                FHeaderCanvas.SetHandle(nullptr);
                RestoreDC(dis->hDC, saved);
            }
            Message.Result = 1;
            return;
        }
        break;
    }
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
        if (hdr && !IsDestroying() && hdr->hwndFrom == HeaderHandle())
            HeaderNotify(*hdr);
        break;
    }
    case WM_PARENTNOTIFY:
        UpdateHeader();
        break;
    case WM_PTUPDATEHEADER:
        UpdateHeader();
        return;
    case CM_COLORCHANGED:
        SetListColors();
        break;
    case WM_SYSCOLORCHANGE:
        if (IsSystemColor(FColor))
            SetListColors();
        break;
    }
    TCustomListView::WndProc(Message);
}

// ---------------------------------------------------------------------------------
// Tree view

TPTCustomTreeView::TPTCustomTreeView(TComponent* AOwner) : TCustomTreeView(AOwner) {}

void TPTCustomTreeView::SetCheckBoxes(bool Value) {
    if (Value == FCheckBoxes)
        return;
    FCheckBoxes = Value;
    RecreateWnd();
}

void TPTCustomTreeView::CreateParams(TCreateParams& Params) {
    TCustomTreeView::CreateParams(Params);
    if (!ComCtlIsVersion(4, 72))
        Params.Style |= TVS_NOTOOLTIPS;
    if (FCheckBoxes)
        Params.Style |= TVS_CHECKBOXES;
}

int TPTCustomTreeView::NodeImageIndex(TTreeNode* Node, bool Selected) {
    if (OnImageRequest)
        OnImageRequest(this, Node);
    return Selected ? Node->SelectedIndex() : Node->ImageIndex();
}

void TPTCustomTreeView::DoGetDispInfo(NMTVDISPINFOW& Info) {
    TVITEMW& it = Info.item;
    auto* node = reinterpret_cast<TTreeNode*>(it.lParam);
    if (!node)
        node = Items()->GetNode(it.hItem);
    if (node && (it.mask & TVIF_IMAGE))
        it.iImage = NodeImageIndex(node, false);
    if (node && (it.mask & TVIF_SELECTEDIMAGE))
        it.iSelectedImage = NodeImageIndex(node, true);
    // The rest as the library answers it, without its image events.
    const UINT mask = it.mask;
    it.mask &= ~(TVIF_IMAGE | TVIF_SELECTEDIMAGE);
    TCustomTreeView::DoGetDispInfo(Info);
    it.mask = mask;
}

void TPTCustomTreeView::ShowContextMenu(POINT ClientPoint, bool FromKeyboard) {
    TTreeNode* node = nullptr;
    if (FromKeyboard) {
        node = Selected();
        ClientPoint = POINT{0, 0};
        if (node) {
            RECT r = node->DisplayRect(true);
            ClientPoint = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        }
    } else {
        node = GetNodeAt(ClientPoint.x, ClientPoint.y);
    }
    FMenuRequests.Shown();
    DoContextMenu(node, ClientPoint);
}

void TPTCustomTreeView::DoContextMenu(TTreeNode* Node, POINT ClientPoint) {
    TPopupMenuBase* menu = PopupMenu();
    if (OnNodeContextMenu)
        OnNodeContextMenu(this, Node, ClientPoint, menu);
    if (!menu)
        return;
    const POINT screen = ClientToScreen(ClientPoint);
    ReleaseCapture();
    menu->Popup(this, screen.x, screen.y);
}

void TPTCustomTreeView::CNNotify(TMessage& Message) {
    auto* hdr = reinterpret_cast<NMHDR*>(Message.LParam);
    if (hdr->code == NM_RCLICK) {
        POINT p;
        GetCursorPos(&p);
        p = ScreenToClient(p);
        if (TTreeNode* node = GetNodeAt(p.x, p.y))
            NodeRightClick(node, p);
        ShowContextMenu(p, false);
    }
    TCustomTreeView::CNNotify(Message);
}

void TPTCustomTreeView::KeyDown(WORD& Key, TShiftState Shift) {
    if (TPTContextMenuRequests::IsMenuKey(Key, Shift)) {
        Key = 0;
        ShowContextMenu(POINT{-1, -1}, true);
        return;
    }
    TCustomTreeView::KeyDown(Key, Shift);
}

void TPTCustomTreeView::WndProc(TMessage& Message) {
    if (FMenuRequests.HandleMessage(Message, this, [this](POINT P, bool K) { ShowContextMenu(P, K); }))
        return;
    TCustomTreeView::WndProc(Message);
}
