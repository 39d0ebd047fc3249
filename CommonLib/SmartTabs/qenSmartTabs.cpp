#include "qenSmartTabs.h"

#include "Forms.h"
#include "GdipGraphics.h"

#include <windowsx.h>

#include <algorithm>

// ---------------------------------------------------------------------------------
// Geometry

int SmartTabsTabWidth(int ClientWidth, int TabOffset, int Count, bool ShowButton) {
    int w = ClientWidth - (TabOffset + SmartTabsOverlap) - (ShowButton ? SmartTabsButtonWidth : 0);
    int per = Count >= 1 ? w / Count : 0;
    if (per < SmartTabsMinTabWidth)
        per = SmartTabsMinTabWidth;
    if (static_cast<int64_t>(w) < static_cast<int64_t>(Count) * (per - SmartTabsOverlap))
        per = SmartTabsMaxTabWidth;
    if (per > SmartTabsMaxTabWidth)
        per = SmartTabsMaxTabWidth;
    return per + SmartTabsOverlap;
}

TSmartTabsGeometry SmartTabsLayout(TSmartTabsGeometry G) {
    G.TabWidth = SmartTabsTabWidth(G.ClientWidth, G.TabOffset, G.Count, G.ShowButton);
    return G;
}

namespace {

// Left end of tab Index, laid out left to right.
int TabLeft(const TSmartTabsGeometry& G, int Index) {
    return G.TabOffset + Index * (G.TabWidth - SmartTabsOverlap);
}

// The same strip laid out left to right: hit tests run there on the mirrored point.
TSmartTabsGeometry LeftToRight(TSmartTabsGeometry G) {
    G.RightToLeft = false;
    return G;
}

TSmartTabsPolygon Mirrored(const TSmartTabsGeometry& G, TSmartTabsPolygon P) {
    for (POINT& p : P)
        p.x = SmartTabsMirrorX(G, p.x);
    return P;
}

} // namespace

int SmartTabsMirrorX(const TSmartTabsGeometry& G, int X) { return G.RightToLeft ? G.ClientWidth - 1 - X : X; }

RECT SmartTabsMirrorRect(const TSmartTabsGeometry& G, RECT R) {
    if (!G.RightToLeft)
        return R;
    return RECT{G.ClientWidth - R.right, R.top, G.ClientWidth - R.left, R.bottom};
}

TSmartTabsPolygon SmartTabsTabPolygon(const TSmartTabsGeometry& G, int Index) {
    const int x0 = TabLeft(G, Index), x1 = x0 + G.TabWidth;
    const int y0 = G.TabOffsetTop, y1 = G.ClientHeight - 1;
    return Mirrored(G, {POINT{x0, y1}, POINT{x0 + 2, y1 - 2}, POINT{x0 + 11, y0 + 3}, POINT{x0 + 14, y0},
                        POINT{x1 - 14, y0}, POINT{x1 - 11, y0 + 3}, POINT{x1 - 2, y1 - 2}, POINT{x1, y1}});
}

int SmartTabsTabsEnd(const TSmartTabsGeometry& G) {
    const int end = TabLeft(G, G.Count) + SmartTabsOverlap; // right end of the last tab
    return G.ShowButton ? std::min(end, G.ClientWidth - SmartTabsButtonWidth) : end;
}

TSmartTabsPolygon SmartTabsAddButtonPolygon(const TSmartTabsGeometry& G) {
    const int x = SmartTabsTabsEnd(G);
    const int y = G.TabOffsetTop + 6;
    return Mirrored(G, {POINT{x + 3, y + 15}, POINT{x, y + 13}, POINT{x - 4, y + 2}, POINT{x - 3, y},
                        POINT{x + 13, y}, POINT{x + 16, y + 2}, POINT{x + 20, y + 13}, POINT{x + 20, y + 15}});
}

bool SmartTabsPointInPolygon(std::span<const POINT> Polygon, int X, int Y) {
    bool inside = false;
    const size_t n = Polygon.size();
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const POINT& pi = Polygon[i];
        const POINT& pj = Polygon[j];
        if ((pi.y <= Y && Y < pj.y) || (pj.y <= Y && Y < pi.y)) {
            double cross = static_cast<double>(pj.x - pi.x) * (Y - pi.y) / (pj.y - pi.y) + pi.x;
            if (X < cross)
                inside = !inside;
        }
    }
    return inside;
}

int SmartTabsTabAtPos(const TSmartTabsGeometry& G, int X, int Y) {
    if (G.RightToLeft)
        return SmartTabsTabAtPos(LeftToRight(G), SmartTabsMirrorX(G, X), Y);
    const int step = G.TabWidth - SmartTabsOverlap;
    if (step <= 0 || G.Count <= 0)
        return -1;
    const int dx = X - G.TabOffset;
    if (dx < 1 || X >= SmartTabsTabsEnd(G))
        return -1;
    auto in = [&](int t) { return SmartTabsPointInPolygon(SmartTabsTabPolygon(G, t), X, Y); };
    const int i = dx / step;
    bool left = i >= 1 && in(i - 1);
    if (left && i == G.ActiveTab)
        left = !in(i); // the active tab wins the overlap on its left
    const bool right = i < G.Count - 1 && in(i + 1);
    const int r = i - (left ? 1 : 0) + (right ? 1 : 0);
    return r < G.Count && in(r) ? r : -1;
}

RECT SmartTabsCloseBoxRect(const TSmartTabsGeometry& G, int Index) {
    const int x1 = TabLeft(G, Index) + G.TabWidth;
    const int top = G.ClientHeight / 2 - 4;
    return SmartTabsMirrorRect(G, RECT{x1 - 28, top, x1 - 16, top + 12});
}

int SmartTabsCloseBoxAt(const TSmartTabsGeometry& G, int X, int Y) {
    const int t = SmartTabsTabAtPos(G, X, Y);
    if (t < 0)
        return -1;
    RECT r = SmartTabsCloseBoxRect(G, t);
    return PtInRect(&r, POINT{X, Y}) ? t : -1;
}

bool SmartTabsAddButtonAt(const TSmartTabsGeometry& G, int X, int Y) {
    if (G.RightToLeft)
        return SmartTabsAddButtonAt(LeftToRight(G), SmartTabsMirrorX(G, X), Y);
    return SmartTabsPointInPolygon(SmartTabsAddButtonPolygon(G), X, Y);
}

RECT SmartTabsCaptionRect(const TSmartTabsGeometry& G, int Index, bool Icon, bool CloseBox) {
    const int x0 = TabLeft(G, Index), x1 = x0 + G.TabWidth;
    RECT r{x0 + SmartTabsOverlap, G.TabOffsetTop, x1 - SmartTabsOverlap, G.ClientHeight - 1};
    if (Icon)
        r.left += 16;
    if (CloseBox)
        r.right -= 12;
    return SmartTabsMirrorRect(G, r);
}

RECT SmartTabsTabBounds(const TSmartTabsGeometry& G, int Index) {
    const int x0 = TabLeft(G, Index);
    return SmartTabsMirrorRect(G, RECT{x0, G.TabOffsetTop, x0 + G.TabWidth + 1, G.ClientHeight});
}

// ---------------------------------------------------------------------------------
// Colours

COLORREF SmartTabsMix(COLORREF A, COLORREF B, int Percent) {
    // Percent * 2.55 rounded half up, in integers (floor division for negative percentages).
    const int64_t scaled = static_cast<int64_t>(Percent) * 255 + 50;
    const int64_t w = scaled >= 0 ? scaled / 100 : -((-scaled + 99) / 100);
    auto channel = [w](int a, int b) {
        int64_t v = b + (((static_cast<int64_t>(a) - b) * w) >> 8);
        return static_cast<BYTE>(std::clamp<int64_t>(v, 0, 255));
    };
    return RGB(channel(GetRValue(A), GetRValue(B)), channel(GetGValue(A), GetGValue(B)),
               channel(GetBValue(A), GetBValue(B)));
}

TSmartTabsPalette SmartTabsPalette(COLORREF Color, COLORREF ColorInactive) {
    TSmartTabsPalette p;
    p.ActiveFill = Color;
    p.InactiveFill = ColorInactive;
    p.HotFill = SmartTabsMix(Color, ColorInactive, 80);
    p.CloseHotFill = RGB(192, 52, 52);
    p.CloseDownFill = RGB(52, 52, 52);
    const COLORREF dark = SmartTabsMix(Color, RGB(0, 0, 0), 50);
    const COLORREF middle = SmartTabsMix(dark, ColorInactive, 80);
    p.Pens = {SmartTabsMix(middle, ColorInactive, 80), middle, dark, RGB(175, 175, 175), RGB(255, 255, 255),
              RGB(74, 103, 140)};
    p.PenWidths = {1.0f, 1.0f, 1.0f, 1.6f, 1.6f, 1.6f};
    return p;
}

// ---------------------------------------------------------------------------------
// The drop-down list

namespace {

// A menu shows "&&" as one '&' and takes a single '&' for a hot key.
std::wstring MenuLiteral(const std::wstring& Text) {
    std::wstring out;
    out.reserve(Text.size());
    for (wchar_t c : Text) {
        out += c;
        if (c == L'&')
            out += L'&';
    }
    return out;
}

} // namespace

std::vector<TSmartTabsMenuItem> SmartTabsDropDownItems(const TWideStrings& Tabs, int ActiveTab,
                                                       const std::wstring& NewTabCaption) {
    std::vector<TSmartTabsMenuItem> items;
    items.reserve(static_cast<size_t>(Tabs.Count()) + 2);
    items.push_back({NewTabCaption, SmartTabsNewTabTag, false, false});
    items.push_back({L"-", SmartTabsSeparatorTag, false, false});
    for (int i = 0; i < Tabs.Count(); ++i)
        items.push_back({MenuLiteral(Tabs.Strings(i)), i, true, i == ActiveTab});
    return items;
}

// ---------------------------------------------------------------------------------
// TqenSmartTabs

TqenSmartTabs::TqenSmartTabs(TComponent* AOwner) : TCustomControl(AOwner) {
    ControlStyle |= csDoubleClicks | csOpaque;
    SetOffscreenPaint(true);
    FColor = clWindow;
    FParentFont = false;
    FFont.SetName(L"Tahoma");
    FFont.SetSize(8);
    FFont.SetColor(clBlack);
    FDropDown = new TTntPopupMenu(this);
    FTabs.OnChange = [this](TObject*) { Invalidate(); };
    SetBounds(0, 0, 150, 30);
}

TqenSmartTabs::~TqenSmartTabs() { FTabs.OnChange = nullptr; }

TSmartTabsGeometry TqenSmartTabs::Geometry() {
    TSmartTabsGeometry g;
    RECT r = ClientRect();
    g.ClientWidth = r.right - r.left;
    g.ClientHeight = r.bottom - r.top;
    g.TabOffset = FTabOffset;
    g.TabOffsetTop = FTabOffsetTop;
    g.Count = FTabs.Count();
    g.ActiveTab = FActiveTab;
    g.ShowButton = FShowButton;
    g.RightToLeft = UseRightToLeftAlignment();
    return SmartTabsLayout(g);
}

int TqenSmartTabs::TabAtPos(int X, int Y) { return SmartTabsTabAtPos(Geometry(), X, Y); }
int TqenSmartTabs::CloseBoxAt(int X, int Y) { return SmartTabsCloseBoxAt(Geometry(), X, Y); }
bool TqenSmartTabs::AddButtonAt(int X, int Y) { return SmartTabsAddButtonAt(Geometry(), X, Y); }

void TqenSmartTabs::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomControl::SetBounds(ALeft, ATop, AWidth, FTabOffsetTop + SmartTabsStripHeight);
}

void TqenSmartTabs::TabChange() {
    if (OnTabChange)
        OnTabChange(this);
}

void TqenSmartTabs::ResetMouseState() {
    FHotTab = FHotClose = FCloseDownTab = FDragTab = -1;
    FClosePressed = FDragArmed = FDragging = false;
}

void TqenSmartTabs::SetActiveTab(int Value) {
    if (Value >= 0 && Value < FTabs.Count()) {
        FActiveTab = Value;
        Invalidate();
        TabChange();
        return;
    }
    FActiveTab = 0;
    Invalidate();
}

void TqenSmartTabs::SetColorBackground(TColor Value) {
    FColorBackground = Value;
    Invalidate();
}

void TqenSmartTabs::SetColorInactive(TColor Value) {
    FColorInactive = Value;
    Invalidate();
}

void TqenSmartTabs::SetImages(TCustomImageList* Value) {
    if (ReplaceComponentRef(this, FImages, Value))
        Invalidate();
}

void TqenSmartTabs::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FImages)
        FImages = nullptr;
}

void TqenSmartTabs::SetShowButton(bool Value) {
    FShowButton = Value;
    Invalidate();
}

void TqenSmartTabs::SetShowClose(bool Value) {
    FShowClose = Value;
    Invalidate();
}

void TqenSmartTabs::SetShowImages(bool Value) {
    FShowImages = Value;
    Invalidate();
}

void TqenSmartTabs::SetTabOffset(int Value) {
    FTabOffset = Value;
    Invalidate();
}

void TqenSmartTabs::SetTabOffsetTop(int Value) {
    FTabOffsetTop = Value;
    SetBounds(FLeft, FTop, FWidth, FHeight);
    Invalidate();
}

void TqenSmartTabs::SetTransparent(bool Value) {
    FTransparent = Value;
    Invalidate();
}

void TqenSmartTabs::SetTabs(TWideStrings* Value) {
    if (Value)
        FTabs.Assign(Value);
    else
        FTabs.Clear();
    ResetMouseState();
    if (FActiveTab > FTabs.Count() - 1)
        SetActiveTab(FTabs.Count() - 1);
    TabChange();
    Invalidate();
}

void TqenSmartTabs::AddTabObject(const std::wstring& Caption, TObject* Obj) {
    FTabs.AddObject(Caption, Obj);
    FActiveTab = FTabs.Count() - 1;
    Invalidate();
    TabChange();
}

void TqenSmartTabs::InsertTabObject(int Index, const std::wstring& Caption, TObject* Obj) {
    if (Index < 0 || Index >= FTabs.Count())
        return;
    FTabs.InsertObject(Index, Caption, Obj);
    ResetMouseState();
    FActiveTab = Index;
    Invalidate();
    TabChange();
}

void TqenSmartTabs::DeleteTab(int Index) {
    if (Index < 0 || Index >= FTabs.Count())
        return;
    FTabs.Delete(Index);
    ResetMouseState();
    // The tab that was active stays active when it is still there.
    if (Index < FActiveTab)
        --FActiveTab;
    if (FActiveTab > FTabs.Count() - 1)
        FActiveTab = FTabs.Count() - 1;
    TabChange();
    Invalidate();
}

void TqenSmartTabs::ClearTabs() {
    while (FTabs.Count() > 0)
        FTabs.Delete(0);
    ResetMouseState();
    FActiveTab = -1;
    Invalidate();
}

void TqenSmartTabs::SetTabCaption(int Index, const std::wstring& Caption) {
    if (Index < 0 || Index >= FTabs.Count() || FTabs.Strings(Index) == Caption)
        return;
    FTabs.SetStrings(Index, Caption);
    Invalidate();
}

void TqenSmartTabs::GetTabCaption(int Index, std::wstring& Caption) const {
    Caption = Index >= 0 && Index < FTabs.Count() ? FTabs.Strings(Index) : std::wstring();
}

TObject* TqenSmartTabs::GetTabObject(int Index) const {
    return Index >= 0 && Index < FTabs.Count() ? FTabs.Objects(Index) : nullptr;
}

// ---------------------------------------------------------------------------------
// Drop-down list

void TqenSmartTabs::BuildDropDownMenu() {
    TMenuItem* root = FDropDown->Items();
    root->Clear();
    for (const TSmartTabsMenuItem& it : SmartTabsDropDownItems(FTabs, FActiveTab, FNewTabCaption)) {
        auto* item = new TTntMenuItem(FDropDown);
        item->SetCaption(it.Caption);
        item->Tag = it.Tag;
        item->SetRadioItem(it.Radio);
        item->SetChecked(it.Checked);
        if (it.Tag != SmartTabsSeparatorTag) {
            const intptr_t tag = it.Tag;
            item->OnClick = [this, tag](TObject*) { DropDownClick(tag); };
        }
        root->Add(item);
    }
}

void TqenSmartTabs::PopupDropDown(int X, int Y) {
    BuildDropDownMenu();
    FDropDown->Popup(this, X, Y);
}

void TqenSmartTabs::DropDownClick(intptr_t Tag) {
    if (Tag == SmartTabsNewTabTag) {
        if (OnAddClick)
            OnAddClick(this);
    } else if (Tag >= 0) {
        SetActiveTab(static_cast<int>(Tag));
    }
    Invalidate();
}

// ---------------------------------------------------------------------------------
// Mouse

void TqenSmartTabs::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    TSmartTabsGeometry g = Geometry();
    if (Button == mbLeft) {
        if (HandleAllocated())
            SetCapture(FHandle);
        int close = FShowClose ? SmartTabsCloseBoxAt(g, X, Y) : -1;
        if (close >= 0) {
            FCloseDownTab = close;
            FClosePressed = true;
        } else {
            int t = SmartTabsTabAtPos(g, X, Y);
            if (t >= 0) {
                SetActiveTab(t);
                FAllowTabDrag = true; // every press arms a drag
                FDragArmed = true;
                FDragTab = t;
                FPressPoint = POINT{X, Y};
            }
        }
        if (FShowButton)
            FAddPressed = SmartTabsAddButtonAt(Geometry(), X, Y);
        Invalidate();
    } else if (Button == mbRight) {
        // Over a tab the component's own popup menu (if any) answers the context menu.
        if (!(SmartTabsTabAtPos(g, X, Y) >= 0 && PopupMenu())) {
            POINT p = ClientToScreen(POINT{X, Y});
            PopupDropDown(p.x, p.y);
        }
    }
}

void TqenSmartTabs::MouseMove(TShiftState Shift, int X, int Y) {
    TSmartTabsGeometry g = Geometry();
    bool changed = false;
    int hot = SmartTabsTabAtPos(g, X, Y);
    if (hot != FHotTab) {
        FHotTab = hot;
        changed = true;
    }
    if (!FClosePressed) {
        int hotClose = FShowClose ? SmartTabsCloseBoxAt(g, X, Y) : -1;
        if (hotClose != FHotClose) {
            FHotClose = hotClose;
            changed = true;
        }
    }
    bool addHot = FShowButton && SmartTabsAddButtonAt(g, X, Y);
    if (addHot != FAddHot) {
        FAddHot = addHot;
        changed = true;
    }
    if ((Shift & ssLeft) && FDragArmed && FAllowTabDrag) {
        if (!FDragging) {
            const int64_t dx = X - FPressPoint.x, dy = Y - FPressPoint.y;
            // More than 20 pixels, counted in whole pixels: 21 * 21 = 441.
            FDragging = dx * dx + dy * dy >= 441;
        }
        if (FDragging && hot >= 0 && hot != FDragTab && FDragTab >= 0 && FDragTab < FTabs.Count()) {
            FTabs.Move(FDragTab, hot);
            FDragTab = hot;
            SetActiveTab(hot);
            changed = true;
        }
    }
    if (changed)
        Invalidate();
    TCustomControl::MouseMove(Shift, X, Y);
}

void TqenSmartTabs::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        TSmartTabsGeometry g = Geometry();
        const bool add = FShowButton && FAddPressed && SmartTabsAddButtonAt(g, X, Y);
        const int closeTab =
            FShowClose && FClosePressed && SmartTabsCloseBoxAt(g, X, Y) == FCloseDownTab ? FCloseDownTab : -1;
        ResetMouseState();
        FAddHot = FAddPressed = false;
        if (HandleAllocated() && GetCapture() == FHandle)
            ReleaseCapture();
        if (add && OnAddClick)
            OnAddClick(this);
        if (closeTab >= 0 && OnCloseTab) {
            bool close = true; // a handler that leaves it alone closes the tab
            OnCloseTab(this, closeTab, close);
            if (close)
                DeleteTab(closeTab);
        }
        Invalidate();
    }
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TqenSmartTabs::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_MOUSELEAVE:
        FHotTab = -1;
        if (!FClosePressed)
            FHotClose = -1;
        FAddHot = false;
        Invalidate();
        break;
    case WM_CAPTURECHANGED:
        if (reinterpret_cast<HWND>(Message.LParam) != FHandle && (FDragArmed || FClosePressed || FAddPressed)) {
            ResetMouseState();
            FAddPressed = false;
            Invalidate();
        }
        break;
    case WM_CONTEXTMENU: {
        // A mouse click beside the tabs has opened the drop-down list on the button press.
        POINT p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        if (!(p.x == -1 && p.y == -1)) {
            POINT c = ScreenToClient(p);
            if (TabAtPos(c.x, c.y) < 0 || !PopupMenu()) {
                Message.Result = 1;
                return;
            }
        }
        break;
    }
    case CM_BIDIMODECHANGED:
        // The strip lays itself out from the other side; its window stays as it is.
        ResetMouseState();
        FAddHot = FAddPressed = false;
        Invalidate();
        return;
    case WM_WINDOWPOSCHANGED:
        if (FTransparent)
            Invalidate(); // the background behind the strip moved
        break;
    case CM_HINTSHOW:
        TCustomControl::WndProc(Message); // the strip's own hint ...
        if (auto* info = reinterpret_cast<THintInfo*>(Message.LParam))
            TabHint(*info, Message);       // ... unless a cut caption is under the mouse
        return;
    }
    TCustomControl::WndProc(Message);
}

void TqenSmartTabs::TabHint(THintInfo& Info, TMessage& Message) {
    const TSmartTabsGeometry g = Geometry();
    const POINT p = Info.CursorPos;
    const int t = SmartTabsTabAtPos(g, p.x, p.y);
    if (t >= 0) {
        // The hint is about this tab: leaving it asks again.
        Info.CursorRect = SmartTabsTabBounds(g, t);
        if (CaptionIsCut(t)) {
            Info.HintStr = FTabs.Strings(t);
            Info.HideTimeout = 12000;
            Message.Result = 0;
        }
        return;
    }
    // Beside the tabs: the strip's hint holds while the mouse stays beside them.
    const int tabsEnd = SmartTabsTabsEnd(g);
    if (SmartTabsMirrorX(g, p.x) >= tabsEnd)
        Info.CursorRect = SmartTabsMirrorRect(g, RECT{tabsEnd, 0, g.ClientWidth, g.ClientHeight});
    else if (p.y < g.TabOffsetTop)
        Info.CursorRect = RECT{0, 0, g.ClientWidth, g.TabOffsetTop};
    else
        Info.CursorRect = RECT{p.x, p.y, p.x + 1, p.y + 1};
}

// ---------------------------------------------------------------------------------
// Painting

bool TqenSmartTabs::IconShown(int Index, int& ImageIndex) {
    ImageIndex = -1;
    if (!FShowImages || !FImages || !OnGetImageIndex || Geometry().TabWidth <= 80)
        return false;
    OnGetImageIndex(this, Index, ImageIndex);
    return FImages->HasImage(ImageIndex);
}

bool TqenSmartTabs::CaptionIsCut(int Index) {
    if (Index < 0 || Index >= FTabs.Count())
        return false;
    int image;
    RECT r = SmartTabsCaptionRect(Geometry(), Index, IconShown(Index, image), FShowClose);
    FCanvas.Font()->Assign(&FFont);
    return FCanvas.TextWidth(FTabs.Strings(Index)) > r.right - r.left;
}

void TqenSmartTabs::PaintTab(TGpGraphics& G, const TSmartTabsGeometry& Geo, const TSmartTabsPalette& Pal,
                             int Index) {
    const bool active = Index == Geo.ActiveTab;
    const bool hot = !active && Index == FHotTab;
    const TSmartTabsPolygon poly = SmartTabsTabPolygon(Geo, Index);
    G.FillPolygon(TGpSolidBrush(active ? Pal.ActiveFill : hot ? Pal.HotFill : Pal.InactiveFill), poly);
    const int pen = active ? 2 : 1;
    G.DrawPolygon(TGpPen(Pal.Pens[pen], Pal.PenWidths[pen]), poly);
    // A light line inside the top edge of the active tab.
    if (active)
        G.DrawLine(TGpPen(Pal.Pens[4], 1.0f), std::min(poly[3].x, poly[4].x) + 1.0f, poly[3].y + 1.0f,
                   std::max(poly[3].x, poly[4].x) - 1.0f, poly[4].y + 1.0f);
    G.Flush(); // GDI draws next

    // Icon, caption and close box are placed left to right and then turned into the reading
    // order; the caption's text itself reads from its start.
    const int x0 = TabLeft(Geo, Index), x1 = x0 + Geo.TabWidth;
    int image;
    const bool icon = IconShown(Index, image);
    if (icon) {
        const int top = Geo.TabOffsetTop + (Geo.ClientHeight - Geo.TabOffsetTop) / 2 - 8;
        const int left = x0 + SmartTabsOverlap - 3;
        FImages->Draw(&FCanvas, SmartTabsMirrorRect(Geo, RECT{left, top, left + 16, top + 16}).left, top, image);
    }
    RECT text = SmartTabsCaptionRect(Geo, Index, icon, FShowClose);
    if (text.right > text.left) {
        FCanvas.Font()->Assign(&FFont);
        FCanvas.Font()->SetColor(clWindowText);
        FCanvas.DrawText(FTabs.Strings(Index), text,
                         DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS |
                             (Geo.RightToLeft ? DT_RIGHT : DT_LEFT) | DrawTextBiDiModeFlagsReadingOnly());
    }

    if (FShowClose) {
        // The "x" spans 6 pixels from its left end cx.
        const float cx = static_cast<float>(std::min(SmartTabsMirrorX(Geo, x1 - 26), SmartTabsMirrorX(Geo, x1 - 20)));
        const float cy = static_cast<float>(Geo.ClientHeight / 2 + 4);
        const bool hotClose = FHotClose == Index;
        if (hotClose) {
            const bool down = FClosePressed && FCloseDownTab == Index;
            G.FillEllipse(TGpSolidBrush(down ? Pal.CloseDownFill : Pal.CloseHotFill), cx - 3, cy - 9, 12, 12);
        }
        TGpPen cross(hotClose ? Pal.Pens[4] : Pal.Pens[3], hotClose ? Pal.PenWidths[4] : Pal.PenWidths[3]);
        G.DrawLine(cross, cx, cy, cx + 6, cy - 6);
        G.DrawLine(cross, cx + 6, cy, cx, cy - 6);
        G.Flush();
    }
}

void TqenSmartTabs::PaintAddButton(TGpGraphics& G, const TSmartTabsGeometry& Geo, const TSmartTabsPalette& Pal) {
    const TSmartTabsPolygon poly = SmartTabsAddButtonPolygon(Geo);
    COLORREF surround = Pal.InactiveFill;
    if (FAddPressed && FAddHot)
        surround = SmartTabsMix(Pal.Pens[5], Pal.InactiveFill, 60);
    else if (FAddHot)
        surround = SmartTabsMix(Pal.Pens[5], RGB(255, 255, 255), 35);
    G.FillPolygon(TGpPathGradientBrush(poly, RGB(255, 255, 255), surround), poly);
    const int pen = FAddHot ? 5 : 1;
    G.DrawPolygon(TGpPen(Pal.Pens[pen], FAddHot ? Pal.PenWidths[5] : 1.0f), poly);
}

void TqenSmartTabs::Paint() {
    HDC dc = FCanvas.Handle();
    TSmartTabsGeometry g = Geometry();
    if (FActiveTab < 0 || FActiveTab >= g.Count)
        g.ActiveTab = -1; // the list was changed behind the strip's back
    if (FTransparent) {
        PaintParentBackground(this, dc);
    } else {
        FCanvas.Brush()->SetColor(FColorBackground);
        FCanvas.FillRect(RECT{0, 0, g.ClientWidth, g.ClientHeight});
    }
    const TSmartTabsPalette pal = SmartTabsPalette(ColorToRGB(FColor), ColorToRGB(FColorInactive));
    {
        // Tabs that run past the new-tab button are cut off before it.
        const int saved = SaveDC(dc);
        const int end = SmartTabsTabsEnd(g);
        if (end < TabLeft(g, g.Count) + SmartTabsOverlap) {
            const RECT tabs = SmartTabsMirrorRect(g, RECT{0, 0, end, g.ClientHeight});
            IntersectClipRect(dc, tabs.left, tabs.top, tabs.right, tabs.bottom);
        }
        TGpGraphics gr(dc);
        for (int i = g.Count - 1; i >= 0; --i)
            if (i != g.ActiveTab)
                PaintTab(gr, g, pal, i);
        if (g.ActiveTab >= 0)
            PaintTab(gr, g, pal, g.ActiveTab);
        gr.Flush();
        RestoreDC(dc, saved);
    }
    if (FShowButton) {
        TGpGraphics gr(dc);
        PaintAddButton(gr, g, pal);
        gr.Flush();
    }
}
