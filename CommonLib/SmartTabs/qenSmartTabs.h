// The tab strip: browser-style tabs drawn anti-aliased into an off-screen bitmap. Trapezoid
// tabs overlap their neighbours; each may have a close box; a new-tab ("+") button follows
// the last tab; a drop-down list of all tabs opens on a right click beside the tabs; tabs are
// reordered by dragging. Each entry of Tabs carries the caller's object for that tab (the
// strip never owns or frees it).
//
// Layout, tab polygons, hit tests, colour blends and the drop-down list's items are pure
// functions of the strip's geometry and state (the SmartTabs* functions below); the control
// only gathers its state into a TSmartTabsGeometry and calls them.
//
// Right to left (the control's reading order) the strip is the mirror image of its left-to-right
// self: the first tab at the right edge, each close box at its tab's left end, the new-tab button
// left of the last tab; captions stay readable, right-aligned. Every function below works in the
// window's own coordinates in both orders.
#pragma once

#include "Controls.h"
#include "ImgList.h"
#include "TntClasses.h"
#include "TntMenus.h"

#include <array>
#include <functional>
#include <span>
#include <string>
#include <vector>

class TGpGraphics;
struct THintInfo;

// ---------------------------------------------------------------------------------
// Geometry

constexpr int SmartTabsOverlap = 20;        // pixels by which neighbouring tabs overlap
constexpr int SmartTabsMinTabWidth = 12;    // without the overlap
constexpr int SmartTabsMaxTabWidth = 192;   // without the overlap
constexpr int SmartTabsButtonWidth = 24;    // room kept for the new-tab button
constexpr int SmartTabsStripHeight = 26;    // the strip is TabOffsetTop + this high

// What layout and hit tests depend on.
struct TSmartTabsGeometry {
    int ClientWidth = 0;
    int ClientHeight = 0;
    int TabOffset = 0;     // left margin of the first tab
    int TabOffsetTop = 4;  // top of the tabs
    int Count = 0;
    int ActiveTab = -1;
    bool ShowButton = true;
    int TabWidth = 0;      // including the overlap (SmartTabsTabWidth)
    bool RightToLeft = false;  // laid out from the right edge
};

// Tab width including the overlap for a strip of ClientWidth holding Count tabs.
int SmartTabsTabWidth(int ClientWidth, int TabOffset, int Count, bool ShowButton);
// The geometry with TabWidth computed.
TSmartTabsGeometry SmartTabsLayout(TSmartTabsGeometry G);

using TSmartTabsPolygon = std::array<POINT, 8>;
// Tab Index as 8 points, clockwise from the bottom left.
TSmartTabsPolygon SmartTabsTabPolygon(const TSmartTabsGeometry& G, int Index);
// Where the tabs end, laid out left to right: the right end of the last tab, or the strip's
// right end less the new-tab button's room when the tabs run past it (the button stays whole;
// the tabs beyond are cut off before it).
int SmartTabsTabsEnd(const TSmartTabsGeometry& G);
// The new-tab button at the tabs' end.
TSmartTabsPolygon SmartTabsAddButtonPolygon(const TSmartTabsGeometry& G);
// Even-odd crossing rule.
bool SmartTabsPointInPolygon(std::span<const POINT> Polygon, int X, int Y);
// The tab under a point (the active tab wins the overlap on its left), -1 for none.
int SmartTabsTabAtPos(const TSmartTabsGeometry& G, int X, int Y);
// The close box of tab Index, and the tab whose close box is under a point (-1 for none).
RECT SmartTabsCloseBoxRect(const TSmartTabsGeometry& G, int Index);
int SmartTabsCloseBoxAt(const TSmartTabsGeometry& G, int X, int Y);
bool SmartTabsAddButtonAt(const TSmartTabsGeometry& G, int X, int Y);
// Where tab Index's caption is drawn: right of its icon (when one is drawn), left of its
// close box (when shown).
RECT SmartTabsCaptionRect(const TSmartTabsGeometry& G, int Index, bool Icon, bool CloseBox);
// The rectangle around tab Index.
RECT SmartTabsTabBounds(const TSmartTabsGeometry& G, int Index);
// A point's x and a rectangle as laid out left to right, turned into the strip's reading order
// (unchanged left to right).
int SmartTabsMirrorX(const TSmartTabsGeometry& G, int X);
RECT SmartTabsMirrorRect(const TSmartTabsGeometry& G, RECT R);

// ---------------------------------------------------------------------------------
// Colours

// Blends A into B by Percent (100 = A, 0 = B), per channel: B + ((A - B) * w) >> 8 with
// w = Percent * 2.55 rounded; every channel is kept within 0..255.
COLORREF SmartTabsMix(COLORREF A, COLORREF B, int Percent);

// The brushes and pens derived from the strip's colours (RGB values).
struct TSmartTabsPalette {
    COLORREF ActiveFill = 0;       // Color
    COLORREF InactiveFill = 0;     // ColorInactive
    COLORREF HotFill = 0;          // mix(Color, ColorInactive, 80): the inactive tab under the mouse
    COLORREF CloseHotFill = 0;     // RGB(192, 52, 52)
    COLORREF CloseDownFill = 0;    // RGB(52, 52, 52)
    // 0..2: darkening outlines (lightest first); 3 grey, 4 white, 5 RGB(74, 103, 140).
    std::array<COLORREF, 6> Pens{};
    std::array<float, 6> PenWidths{};
};
TSmartTabsPalette SmartTabsPalette(COLORREF Color, COLORREF ColorInactive);

// ---------------------------------------------------------------------------------
// The drop-down list

constexpr intptr_t SmartTabsNewTabTag = -2;    // no tab index can have it
constexpr intptr_t SmartTabsSeparatorTag = -1;

struct TSmartTabsMenuItem {
    std::wstring Caption;  // as the menu shows it ('&' of tab captions doubled)
    intptr_t Tag = 0;      // tab index, SmartTabsNewTabTag or SmartTabsSeparatorTag
    bool Radio = false;
    bool Checked = false;
};
// The new-tab item, a separator, then one radio item per tab (the active one checked).
std::vector<TSmartTabsMenuItem> SmartTabsDropDownItems(const TWideStrings& Tabs, int ActiveTab,
                                                       const std::wstring& NewTabCaption);

// ---------------------------------------------------------------------------------
// The control

using TSmartTabsCloseEvent = std::function<void(TObject* Sender, int Index, bool& Close)>;
using TSmartTabsImageIndexEvent = std::function<void(TObject* Sender, int Tab, int& Index)>;

class TqenSmartTabs : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TqenSmartTabs)
    explicit TqenSmartTabs(TComponent* AOwner);
    ~TqenSmartTabs() override;

    // The selected tab. Setting a valid index fires OnTabChange; any other value stores 0
    // without the event. -1 after ClearTabs.
    int ActiveTab() const { return FActiveTab; }
    void SetActiveTab(int Value);
    // Every press on a tab arms dragging, so dragging works whatever this was set to.
    bool AllowTabDrag() const { return FAllowTabDrag; }
    void SetAllowTabDrag(bool Value) { FAllowTabDrag = Value; }
    // Color() fills the active tab; these the strip and the inactive tabs.
    TColor ColorBackground() const { return FColorBackground; }
    void SetColorBackground(TColor Value);
    TColor ColorInactive() const { return FColorInactive; }
    void SetColorInactive(TColor Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    bool ShowButton() const { return FShowButton; }
    void SetShowButton(bool Value);
    bool ShowClose() const { return FShowClose; }
    void SetShowClose(bool Value);
    bool ShowImages() const { return FShowImages; }
    void SetShowImages(bool Value);
    int TabOffset() const { return FTabOffset; }
    void SetTabOffset(int Value);
    // Also sets the height: TabOffsetTop + 26 (kept on every resize).
    int TabOffsetTop() const { return FTabOffsetTop; }
    void SetTabOffsetTop(int Value);
    // Paints the parent's background behind the tabs instead of ColorBackground.
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    // Captions; each entry's object is the tab's object.
    TTntStringList* Tabs() { return &FTabs; }
    void SetTabs(TWideStrings* Value);
    // The first entry of the drop-down list ("New tab"; the viewer's translation sets it).
    const std::wstring& NewTabCaption() const { return FNewTabCaption; }
    void SetNewTabCaption(const std::wstring& Value) { FNewTabCaption = Value; }

    int GetTabCount() const { return FTabs.Count(); }
    // Appends a tab and makes it active.
    void AddTabObject(const std::wstring& Caption, TObject* Obj);
    // Inserts at 0 <= Index < count and makes it active; other indexes change nothing.
    void InsertTabObject(int Index, const std::wstring& Caption, TObject* Obj);
    // Deletes a tab; the active tab stays the same tab when it remains.
    void DeleteTab(int Index);
    // Deletes every tab; ActiveTab becomes -1 without events.
    void ClearTabs();
    void SetTabCaption(int Index, const std::wstring& Caption);
    // '' out of range.
    void GetTabCaption(int Index, std::wstring& Caption) const;
    // Null out of range.
    TObject* GetTabObject(int Index) const;

    // Hit tests in client coordinates.
    int TabAtPos(int X, int Y);
    int CloseBoxAt(int X, int Y);
    bool AddButtonAt(int X, int Y);
    // The strip's geometry now.
    TSmartTabsGeometry Geometry();

    // The own drop-down list: built from the tabs each time it opens.
    TTntPopupMenu* DropDownMenu() const { return FDropDown; }
    void BuildDropDownMenu();
    // Builds and shows the list at a screen point (returns when it closes).
    void PopupDropDown(int X, int Y);

    // Mouse state (for painting; -1 = none).
    int HotTab() const { return FHotTab; }
    int HotCloseBox() const { return FHotClose; }
    int PressedCloseBox() const { return FClosePressed ? FCloseDownTab : -1; }
    bool AddButtonHot() const { return FAddHot; }
    bool AddButtonPressed() const { return FAddPressed; }
    bool Dragging() const { return FDragging; }
    // Whether tab Index's caption does not fit into its drawn text box.
    bool CaptionIsCut(int Index);

    TNotifyEvent OnAddClick;
    TSmartTabsCloseEvent OnCloseTab;
    TSmartTabsImageIndexEvent OnGetImageIndex;
    TNotifyEvent OnTabChange;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void TabChange();
    void DropDownClick(intptr_t Tag);
    // The hint for the tab under the mouse (CM_HINTSHOW).
    void TabHint(THintInfo& Info, TMessage& Message);
    // Clears the mouse states that name tabs (after the tab list changed under them).
    void ResetMouseState();
    bool IconShown(int Index, int& ImageIndex);
    void PaintTab(TGpGraphics& G, const TSmartTabsGeometry& Geo, const TSmartTabsPalette& Pal, int Index);
    void PaintAddButton(TGpGraphics& G, const TSmartTabsGeometry& Geo, const TSmartTabsPalette& Pal);

    TTntStringList FTabs;
    int FActiveTab = 0;
    bool FAllowTabDrag = false;
    TColor FColorBackground = clBtnFace;
    TColor FColorInactive = clBtnFace;
    TCustomImageList* FImages = nullptr;
    bool FShowButton = true;
    bool FShowClose = true;
    bool FShowImages = false;
    int FTabOffset = 0;
    int FTabOffsetTop = 4;
    bool FTransparent = false;
    std::wstring FNewTabCaption = L"New tab";
    TTntPopupMenu* FDropDown = nullptr;  // owned as a component

    int FHotTab = -1;
    int FHotClose = -1;
    int FCloseDownTab = -1;
    bool FClosePressed = false;
    bool FAddHot = false;
    bool FAddPressed = false;
    bool FDragArmed = false;
    bool FDragging = false;
    int FDragTab = -1;
    POINT FPressPoint{};
};
