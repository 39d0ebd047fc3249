// The breadcrumb bar: a path shown as a row of segment buttons, each followed by a small
// arrow cell that drops down a menu of the segment's sub-items. Segments that do not fit
// hide behind a back arrow after the icon area; a click beside the segments can open an
// in-place editor for the whole path; with AllowKeyNav the arrow keys walk the segments.
//
// The cell sequence (where each button and arrow lies), the number of hidden segments, the
// hit state under a point and the button gradient are pure functions (PathViewer* below);
// the control keeps the mouse and keyboard state, feeds them in and paints the result.
#pragma once

#include "Controls.h"
#include "ImgList.h"
#include "StdCtrls.h"
#include "TntClasses.h"
#include "TntMenus.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum TpvItemState { isNormal, isButtonPressed, isArrowPressed, isButtonHot, isArrowHot };
enum TpvArrow { pvaNone, pvaNormal, pvaBack };

constexpr int PathViewerIconWidth = 22;  // the icon area before the first cell
constexpr int PathViewerArrowWidth = 14; // every arrow cell
constexpr int PathViewerButtonPad = 9;   // a button is its caption's width + this
// Posted after a drop-down menu closed: clears the hot, pressed and pending states.
constexpr UINT PathViewerResetMessage = 0x90F;

// ---------------------------------------------------------------------------------
// Layout

// The segments of a path. With '\' a leading "\\" stays with the first segment (UNC
// paths); the text is trimmed first, so separators at either end make no empty segment.
std::vector<std::wstring> PathViewerSplitPath(const std::wstring& Path, wchar_t Separator);

using TpvTextWidth = std::function<int(const std::wstring& Text)>;
// OnDrawArrow: may change the style of the first arrow cell.
using TpvDrawArrowHook = std::function<void(int Hidden, TpvArrow& Style)>;

// One cell. It holds every X with Left <= X <= Right; where two cells meet the later one in
// the sequence wins (a button's last pixel belongs to its arrow).
struct TpvCell {
    int Left = 0;
    int Right = 0;
    int Index = 0;      // segment index (the first arrow cell: hidden count - 1)
    bool Button = false; // a segment's button, else an arrow cell
    bool First = false;  // the arrow cell right after the icon area
};

struct TpvGeometry {
    int ClientWidth = 0;
    int ClientHeight = 0;
    bool HasSubItems = false;
    bool HideFirstLevel = false;
    bool RightToLeft = false;
};

struct TpvLayout {
    int Count = 0;      // segments
    int Hidden = 0;     // leading segments not shown
    TpvArrow FirstArrow = pvaNone;
    std::vector<TpvCell> Cells;
};

// Leading segments hidden in a bar of ClientWidth (TextWidths: the captions' widths).
int PathViewerHiddenCount(const std::vector<int>& TextWidths, int ClientWidth, bool HasSubItems,
                          bool HideFirstLevel);
// Hidden count, first arrow style (after DrawArrow) and the cell sequence: from the icon
// area rightwards (leftwards when RightToLeft), the first arrow cell when its style is not
// pvaNone, then each shown segment's button and arrow (the last segment's arrow only with
// HasSubItems). The style decided here serves both the hit test and the painting.
TpvLayout PathViewerLayout(const std::vector<std::wstring>& Segments, const TpvTextWidth& TextWidth,
                           const TpvGeometry& Geometry, const TpvDrawArrowHook& DrawArrow = {});

struct TpvHitInput {
    int X = -1, Y = -1;      // the stored mouse (or keyboard) position, client coordinates
    bool ButtonDown = false;
    int DownIndex = -2;      // current index when the left button went down
    bool KeyboardMode = false;
    int ClientHeight = 0;
    bool RightToLeft = false;
    int CurrentIndex = -2;   // kept when no cell holds X
};

struct TpvHit {
    TpvItemState State = isNormal;
    int Cell = -1;            // position in Cells of the cell holding X, -1 for none
    int Index = -2;           // the current index after the test
    // Set only when a cell holds X:
    POINT PopupPoint{};       // where its drop-down opens (client coordinates)
    std::wstring PopupPath;   // "*" for the first arrow cell, else the captions up to Index, each + "\"
    int PopupIndex = -1;
};
// The hit state of the stored X (Y only decides whether a pressed cell stays pressed).
TpvHit PathViewerHitTest(const TpvLayout& Layout, const std::vector<std::wstring>& Segments, const TpvHitInput& In);

// Keyboard positions: -2 none, an index below the hidden count (the first arrow cell's,
// or -1) the icon area, else a shown segment.
bool PathViewerIsIconArea(const TpvLayout& Layout, int Index);
// The next position towards the end (Forward) or the start; the icon area follows the last
// segment and precedes the first.
int PathViewerKeyStep(const TpvLayout& Layout, int Current, bool Forward);
// The cell a key acts on at keyboard position Current: the segment's button, or its arrow
// (Arrow; at the icon area the first arrow cell); -1 when there is none.
int PathViewerKeyCell(const TpvLayout& Layout, int Current, bool Arrow);

// The one-pixel column of a button gradient from C1 to C2, Height rows.
std::vector<COLORREF> PathViewerGradient(COLORREF C1, COLORREF C2, int Height);

// ---------------------------------------------------------------------------------
// The control

class TqenPathViewer;
class TpvPathEdit;

using TpvPathClickEvent = std::function<void(TObject* Sender, int PathIdx)>;
using TpvPopupEvent =
    std::function<void(TObject* Sender, std::wstring& APath, int Off, int Idx, TTntPopupMenu*& APopupMenu)>;
using TpvPathEditEvent = std::function<void(TObject* Sender, TEdit* AEdit, std::wstring& APath)>;
using TpvEditedPathEvent = std::function<void(TObject* Sender, std::wstring& APath)>;
using TpvDrawArrowEvent = std::function<void(TObject* Sender, int PathOff, TpvArrow& ArrowStyle)>;
using TpvOwnerDrawEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, RECT ARect, const std::wstring& AText,
                                             TpvItemState AState, bool AButton)>;
using TpvErrorEvent = std::function<void(TObject* Sender, uint8_t AException)>;

class TqenPathViewer : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TqenPathViewer)
    explicit TqenPathViewer(TComponent* AOwner);
    ~TqenPathViewer() override;

    // The whole path; setting it splits the segments again and fires OnPathChanged.
    const std::wstring& Path() const { return FPath; }
    void SetPath(const std::wstring& Value);
    wchar_t PathSepertor() const { return FPathSepertor; }
    void SetPathSepertor(wchar_t Value);
    // One caption per segment, root first. Callers may fill it directly (no OnPathChanged);
    // the next paint lays it out.
    TTntStringList* Segments() { return &FSegments; }
    const TTntStringList* Segments() const { return &FSegments; }

    bool AllowEdit() const { return FAllowEdit; }
    void SetAllowEdit(bool Value) { FAllowEdit = Value; }
    bool AllowKeyNav() const { return FAllowKeyNav; }
    void SetAllowKeyNav(bool Value);
    // Arrow clicks drop down the bar's own menu (filled by OnPopup); else CustomPopupMenu.
    bool Auto() const { return FAuto; }
    void SetAuto(bool Value) { FAuto = Value; }
    bool ClickSetPath() const { return FClickSetPath; }
    void SetClickSetPath(bool Value) { FClickSetPath = Value; }
    // Stored for the caller; the bar does not use it.
    bool ComputerAsDefault() const { return FComputerAsDefault; }
    void SetComputerAsDefault(bool Value) { FComputerAsDefault = Value; }
    TTntPopupMenu* CustomPopupMenu() const { return FCustomPopupMenu; }
    void SetCustomPopupMenu(TTntPopupMenu* Value);
    bool HasSubItems() const { return FHasSubItems; }
    void SetHasSubItems(bool Value);
    bool HideFirstLevel() const { return FHideFirstLevel; }
    void SetHideFirstLevel(bool Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    int ImageIdx() const { return FImageIdx; }
    void SetImageIdx(int Value);
    bool Framed() const { return FFramed; }
    void SetFramed(bool Value);
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor Value);
    // Lays out from the right edge; arrows and drop-downs point the other way.
    bool RightToLeft() const { return FRightToLeft; }
    void SetRightToLeft(bool Value);
    bool OwnerDraw() const { return FOwnerDraw; }
    void SetOwnerDraw(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);

    // Button colours (see the cell painter).
    TColor BtnGreyGrad1 = RGB(242, 242, 242), BtnGreyGrad2 = RGB(227, 227, 227);
    TColor BtnNormGrad1 = RGB(234, 246, 253), BtnNormGrad2 = RGB(166, 217, 244);
    TColor BtnHotGrad1 = RGB(234, 246, 253), BtnHotGrad2 = RGB(172, 223, 250);
    TColor BtnPenGray = RGB(143, 143, 143), BtnPenNorm = RGB(60, 127, 177);
    TColor BtnPenShade1 = RGB(100, 119, 146), BtnPenShade2 = RGB(156, 207, 234);
    TColor BtnPenArrow = clBlack;

    TpvPathClickEvent OnPathClick;
    TpvPopupEvent OnPopup;
    // Becomes the click handler of every item of the drop-down menu.
    TNotifyEvent OnPopupClick;
    TpvPathEditEvent OnPathEdit;
    // Enter in the editor; the bar leaves Path as it is (the handler decides).
    TpvEditedPathEvent OnEditedPath;
    TNotifyEvent OnPathChanged;
    TpvDrawArrowEvent OnDrawArrow;
    TpvOwnerDrawEvent OnOwnerDraw;
    // Kept for the caller; the bar reports no errors of its own.
    TpvErrorEvent OnError;

    // State, for tests and owners.
    // Runs the layout (with OnDrawArrow) and the hit test of the stored position now.
    void HitTest();
    const TpvLayout& Layout() const { return FLayout; }
    TpvItemState ItemState() const { return FState; }
    int CurrentIndex() const { return FCurrent; }
    int HiddenCount() const { return FLayout.Hidden; }
    bool KeyboardMode() const { return FKeyboardMode; }
    bool ButtonDown() const { return FButtonDown; }
    bool PopupPending() const { return FPendingPopup; }
    const std::wstring& PopupPath() const { return FPopupPath; }
    int PopupIndex() const { return FPopupIndex; }
    // The in-place editor while it is open, else null.
    TEdit* Editor() const;
    TTntPopupMenu* DropDownMenu() const { return FDropDown; }
    // Text width with the bar's font.
    int TextWidth(const std::wstring& Text);

    void WndProc(TMessage& Message) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void DoEnter() override;
    void DoExit() override;
    void Resize() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TpvPathEdit;
    std::vector<std::wstring> SegmentTexts() const;
    void UpdateLayout();
    // The left button at a position (mouse or keyboard); false when the press only cleared
    // the memory of the arrow whose menu just closed.
    bool LeftDown(int X, int Y);
    void ButtonUp(int X, int Y);
    void ShowDropDown();
    void ResetAfterPopup();
    // Keyboard: moves the virtual mouse onto a position or a cell.
    void KeyPlace(int Index);
    int VirtualX(const TpvCell& Cell) const;
    void OpenEditor();
    void EditorDone(bool Accept);
    void EditorLeft();
    void CloseEditor();
    void FreeClosedEditors();
    void PaintCell(const RECT& Rect, const std::wstring& Text, TpvItemState State, bool Button, bool Back);
    void PaintGradient(const RECT& Area, TColor C1, TColor C2, int ColumnHeight);
    void PaintGlyph(const RECT& Cell, TColor Color, TpvItemState State, bool Back);

    std::wstring FPath;
    wchar_t FPathSepertor = L'\\';
    TTntStringList FSegments;
    bool FAllowEdit = true;
    bool FAllowKeyNav = false;
    bool FAuto = true;
    bool FClickSetPath = true;
    bool FComputerAsDefault = false;
    TTntPopupMenu* FCustomPopupMenu = nullptr;
    bool FHasSubItems = false;
    bool FHideFirstLevel = false;
    TCustomImageList* FImages = nullptr;
    int FImageIdx = -1;
    bool FFramed = true;
    TColor FBorderColor = RGB(192, 192, 192);
    bool FRightToLeft = false;
    bool FOwnerDraw = false;
    bool FTransparent = false;

    TpvLayout FLayout;
    TpvItemState FState = isNormal;
    int FCurrent = -2;
    int FDownIndex = -2;
    POINT FMousePos{-1, -1};
    bool FButtonDown = false;
    bool FKeyboardMode = false;
    bool FFirstMoveSeen = false;
    POINT FFirstMove{};
    std::wstring FPopupPath;
    int FPopupIndex = -1;
    POINT FPopupPoint{};        // screen coordinates
    bool FPendingPopup = false;
    int FLastArrow = -2;        // arrow whose menu was opened last
    TpvPathEdit* FEditor = nullptr;
    std::vector<TpvPathEdit*> FClosedEditors; // hidden, freed from a posted message
    TTntPopupMenu* FDropDown = nullptr;       // owned as a component
    TBitmap FMeasure;                         // a DC for text widths outside painting
};
