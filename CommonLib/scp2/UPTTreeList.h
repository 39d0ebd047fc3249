// The bases of the shell pack's folder tree and file list: the library's tree and list
// views with context menus opened by the right button, the Applications key or Shift+F10
// at the right place, a sort arrow in the list's header (the header's own arrows with
// comctl32 6.0, else painted by the control), the list's colours, and the hooks the shell
// controls override.
#pragma once

#include "ComCtrls.h"
#include "UPTShellUtils.h"

#include <functional>

// Where the control paints the header's sort arrow: not at all (the header's own arrow
// may show), at the left of the caption, after the caption, at the right edge.
enum TPTLvHeaderSortDisplayMode { ptlvNone, ptlvLeftAlign, ptlvRightOfText, ptlvRightAlign };

// The item (null on empty space) whose context menu is about to open at APos (client
// coordinates); the handler may move the point or choose another menu (null: none).
using TPTLvOnItemContextMenuEvent =
    std::function<void(TObject* Sender, TListItem* Item, POINT& APos, TPopupMenuBase*& Menu)>;
using TPTTvOnNodeContextMenuEvent =
    std::function<void(TObject* Sender, TTreeNode* Node, POINT& APos, TPopupMenuBase*& Menu)>;

// The layout of one header section the control paints.
struct TPTHeaderSectionLayout {
    RECT Clip{};       // the section less 2 pixels on each side
    RECT Text{};       // where the caption goes
    RECT Arrow{};      // the arrow's box (a square)
    bool ShowArrow = false;
};
// Section: the header item's rectangle. Side of the arrow box: half the section's height
// less one. The arrow shows only for the sort column, and only when the column is wider
// than twice the box; CaptionWidth is the caption's width in the header font.
TPTHeaderSectionLayout PTHeaderSectionLayout(const RECT& Section, TPTLvHeaderSortDisplayMode Mode, bool SortColumn,
                                             bool RightAligned, int CaptionWidth);
// The header item format of a column: its alignment bits kept; HDF_OWNERDRAW when the
// control paints; else HDF_STRING, for the sort column with the header's own arrow
// (HDF_SORTUP ascending, HDF_SORTDOWN descending).
int PTHeaderItemFormat(int OldFormat, bool SelfPainted, bool SortColumn, bool Ascending);
// Whether the control paints the arrows itself: not for ptlvNone, nor for ptlvRightOfText
// where comctl32 6.0 draws its own.
bool PTHeaderSelfPainted(TPTLvHeaderSortDisplayMode Mode);

// The context-menu requests of a control: the right button (the control reports it), the
// Applications key without Shift and Shift+F10 (taken at the key press), and WM_CONTEXTMENU.
// The WM_CONTEXTMENU the system makes after a request that has shown the menu already is
// left out, so the menu never shows twice.
class TPTContextMenuRequests {
public:
    static bool IsMenuKey(WORD Key, TShiftState Shift);
    // Show(ClientPoint, FromKeyboard) runs for the requests; true when Message is handled.
    bool HandleMessage(TMessage& Message, TControl* Control, const std::function<void(POINT, bool)>& Show);
    // A menu has been shown for the current request.
    void Shown() { FShown = true; }

private:
    bool FShown = false;
};

class TPTCustomListView : public TCustomListView {
public:
    VORLANE_CLASS_NAME(TPTCustomListView)
    explicit TPTCustomListView(TComponent* AOwner);
    ~TPTCustomListView() override;

    // The canvas header sections are painted on.
    TCanvas* HeaderCanvas() { return &FHeaderCanvas; }
    // -1: no sort column.
    int HeaderSortColumn() const { return FHeaderSortColumn; }
    void SetHeaderSortColumn(int Value);
    // 1 ascending (arrow up), 0 descending (arrow down).
    uint8_t HeaderSortDirection() const { return FHeaderSortDirection; }
    void SetHeaderSortDirection(uint8_t Value);
    TPTLvHeaderSortDisplayMode HeaderSortDisplayMode() const { return FHeaderSortDisplayMode; }
    void SetHeaderSortDisplayMode(TPTLvHeaderSortDisplayMode Value);
    // Gives every header item its format (sort arrow or owner drawing) in report view.
    void UpdateHeader();

    // Shows the context menu at a client point, or (FromKeyboard) at the focused or selected
    // item, else at the view's own place.
    void ShowContextMenu(POINT ClientPoint, bool FromKeyboard);
    // The point keyboard requests use.
    POINT KeyboardContextPoint();
    // Set while an item drag started in the control runs (the shell list clears it).
    bool Dragging() const { return FDragging; }
    // The last right click was on an item.
    bool RightClickOnItem() const { return FRightClickOnItem; }

    TPTLvOnItemContextMenuEvent OnItemContextMenu;

    void WndProc(TMessage& Message) override;

protected:
    void CreateWnd() override;
    void CNNotify(TMessage& Message) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void BeginItemDrag(TMouseButton Button, TListItem* Item, POINT Point) override;
    // The context menu of Item (null: empty space) at a client point; the default offers
    // OnItemContextMenu the control's popup menu and shows what it leaves.
    virtual void DoContextMenu(TListItem* Item, POINT ClientPoint);
    // The item's context-menu step: OnItemContextMenu may change point and menu.
    void ItemContextMenu(TListItem* Item, POINT& ClientPoint, TPopupMenuBase*& Menu);
    // Paints a header section (WM_DRAWITEM of the header).
    virtual void PaintHeaderSection(const DRAWITEMSTRUCT& Item);
    void SetListColors();

    bool FDragging = false;

private:
    void HeaderNotify(NMHDR& Header);
    bool FindHeaderItem(int Index, RECT& Rect);
    void InvalidateHeaderItem(int Index);

    TCanvas FHeaderCanvas;
    int FHeaderSortColumn = -1;
    uint8_t FHeaderSortDirection = 0;
    TPTLvHeaderSortDisplayMode FHeaderSortDisplayMode = ptlvRightOfText;
    bool FHeaderPainting = true;
    int FHeaderUpdating = 0;
    TPTContextMenuRequests FMenuRequests;
    bool FRightClickOnItem = false;
};

class TPTCustomTreeView : public TCustomTreeView {
public:
    VORLANE_CLASS_NAME(TPTCustomTreeView)
    explicit TPTCustomTreeView(TComponent* AOwner);

    bool CheckBoxes() const { return FCheckBoxes; }
    void SetCheckBoxes(bool Value);
    // Shows the context menu for the node under a client point, or (FromKeyboard) at the
    // selected node's text.
    void ShowContextMenu(POINT ClientPoint, bool FromKeyboard);

    TPTTvOnNodeContextMenuEvent OnNodeContextMenu;
    // A node's images are asked for (before they are drawn).
    TTVExpandedEvent OnImageRequest;

    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CNNotify(TMessage& Message) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void DoGetDispInfo(NMTVDISPINFOW& Info) override;
    // The image (Selected: the selected image) of a node the window asks for.
    virtual int NodeImageIndex(TTreeNode* Node, bool Selected);
    // A right click on a node (before the popup menu shows).
    virtual void NodeRightClick(TTreeNode* Node, POINT ClientPoint) {}
    // The context menu of Node (null: empty space) at a client point; the default offers
    // OnNodeContextMenu the popup menu and shows what it leaves.
    virtual void DoContextMenu(TTreeNode* Node, POINT ClientPoint);

private:
    bool FCheckBoxes = false;
    TPTContextMenuRequests FMenuRequests;
};
