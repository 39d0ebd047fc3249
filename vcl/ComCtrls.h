// Common controls: list view, tree view, status bar, tool bar, page control, progress bar
// and rich edit. Every one keeps its content in its own model (items, nodes, panels,
// buttons, pages, text) and gives it to each new window, so a window made again (a
// RecreateWnd of its own or of a parent) shows the same content. List and tree texts are
// never copied into the window: the window asks for them (LPSTR_TEXTCALLBACKW), and an
// owner-data list view holds no row data at all, only the number of rows.
#pragma once

#include "Controls.h"
#include "ImgList.h"
#include "StdCtrls.h"
#include "TrackBar.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The shell macros of <windowsx.h> would take the node methods of the same names.
#ifdef GetFirstChild
#undef GetFirstChild
#endif
#ifdef GetNextSibling
#undef GetNextSibling
#endif
#ifdef GetPrevSibling
#undef GetPrevSibling
#endif

class TCustomListView;
class TListItems;
class TListItem;
class TListColumn;
class TCustomTreeView;
class TTreeNodes;
class TTreeNode;

// Copies Text into a notification's buffer of Size characters: at most Size - 1
// characters and the terminating zero. Nothing is written when Buffer is null or Size < 1.
void CopyToTextBuffer(const std::wstring& Text, wchar_t* Buffer, int Size);

// =================================================================================
// List view

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };
enum TItemStateFlag : unsigned { isCut = 1, isDropHilited = 2, isFocused = 4, isSelected = 8 };
using TItemStates = unsigned;
enum TItemFind { ifData, ifPartialString, ifExactString, ifNearest };
enum TSearchDirection { sdLeft, sdRight, sdAbove, sdBelow, sdAll };
// Hot tracking: the hand cursor (and activation by one click), underlined hot items,
// underlined other items.
enum TListHotTrackStyle : unsigned { htHandPoint = 1, htUnderlineCold = 2, htUnderlineHot = 4 };
using TListHotTrackStyles = unsigned;

using TLVNotifyEvent = std::function<void(TObject* Sender, TListItem* Item)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVChangingEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change, bool& AllowChange)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVColumnRClickEvent = std::function<void(TObject* Sender, TListColumn* Column, POINT Point)>;
using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2, LPARAM Data, int& Compare)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, std::wstring& S)>;
using TLVInfoTipEvent = std::function<void(TObject* Sender, TListItem* Item, std::wstring& InfoTip)>;
using TLVOwnerDataFindEvent =
    std::function<void(TObject* Sender, TItemFind Find, const std::wstring& FindString, POINT FindPosition,
                       LPARAM FindData, int StartIndex, TSearchDirection Direction, bool Wrap, int& Index)>;
using TLVOwnerDataHintEvent = std::function<void(TObject* Sender, int StartIndex, int EndIndex)>;
using TLVOwnerDataStateChangeEvent =
    std::function<void(TObject* Sender, int StartIndex, int EndIndex, TItemStates OldState, TItemStates NewState)>;
// A caller's order of two items (<0, 0, >0) for CustomSort.
using TLVCompare = std::function<int(TListItem* Item1, TListItem* Item2, LPARAM Data)>;

// One row of a list view: caption, sub-items (the texts of the further columns, each with
// an object the item does not own), images, indent and the caller's data.
class TListItem : public TPersistent {
public:
    VORLANE_CLASS_NAME(TListItem)
    explicit TListItem(TListItems* AOwner);
    ~TListItem() override;

    TListItems* Owner() const { return FOwner; }
    TCustomListView* ListView() const;
    // Position in the list (the row asked for, for the temporary item of an owner-data list).
    int Index() const { return FIndex; }

    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int StateIndex() const { return FStateIndex; }
    void SetStateIndex(int Value);
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int Value);
    int Indent() const { return FIndent; }
    void SetIndent(int Value);

    // Selection and focus: the window's state while it exists.
    bool Selected();
    void SetSelected(bool Value);
    bool Focused();
    void SetFocused(bool Value);
    // Shown ghosted (marked for a cut).
    bool Cut();
    void SetCut(bool Value);

    // Sub-items. A bad index raises EListError "List index out of bounds (%d)".
    int SubItemCount() const { return static_cast<int>(FSubItems.size()); }
    const std::wstring& SubItem(int Index) const;
    TObject* SubItemObject(int Index) const;
    void SetSubItem(int Index, const std::wstring& S);
    void SetSubItemObject(int Index, TObject* AObject);
    int AddSubItem(const std::wstring& S, TObject* AObject = nullptr);
    void InsertSubItem(int Index, const std::wstring& S, TObject* AObject = nullptr);
    void DeleteSubItem(int Index);
    void ClearSubItems();

    // Scrolls the item into view.
    void MakeVisible(bool PartialOK);
    // Starts editing the caption in place (false when the window refuses).
    bool EditCaption();
    RECT DisplayRect(int Code = LVIR_BOUNDS);
    // Redraws the item.
    void Update();
    // Removes the item from its list and frees it.
    void Delete();

    // Internal: the state kept while the list has no window.
    TItemStates SavedStates() const { return FStates; }

protected:
    friend class TListItems;
    friend class TCustomListView;
    // A change the window must show (texts are asked for again on drawing).
    void Changed(bool SubItemsChanged = false);
    void CheckSubIndex(int Index) const;
    // Sets a state flag in the model and, while the window exists, in the window.
    void SetState(TItemStateFlag Flag, UINT WindowState, bool Value);
    // Back to an empty item (the temporary item before every data request).
    void Reset();

private:
    struct TSubItem {
        std::wstring Text;
        TObject* Object = nullptr;
    };
    TListItems* FOwner;
    int FIndex = -1;
    std::wstring FCaption;
    void* FData = nullptr;
    int FImageIndex = -1;
    int FStateIndex = -1;
    int FOverlayIndex = -1;
    int FIndent = 0;
    TItemStates FStates = 0;
    std::vector<TSubItem> FSubItems;
    bool FDeleting = false; // its OnDeletion is running: a second Delete does nothing
};

// The rows of a list view. An owner-data list has only a count; Item(I) then gives the
// list's temporary item filled for row I by the list's OnData.
class TListItems : public TPersistent {
public:
    VORLANE_CLASS_NAME(TListItems)
    explicit TListItems(TCustomListView* AOwner);
    ~TListItems() override;

    TCustomListView* Owner() const { return FOwner; }
    int Count() const;
    // Owner-data lists: the number of rows (other lists: raises EInvalidOperation).
    void SetCount(int Value);
    // Raises EListError "List index out of bounds (%d)" for a bad index.
    TListItem* Item(int Index);
    TListItem* operator[](int Index) { return Item(Index); }
    TListItem* Add();
    TListItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    int IndexOf(const TListItem* Value) const;
    // Held back window updates while filling (nested).
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

protected:
    friend class TCustomListView;
    friend class TListItem;
    void Renumber(size_t From);

private:
    TCustomListView* FOwner;
    std::vector<TListItem*> FItems; // owned
    int FOwnerDataCount = 0;
    int FUpdateCount = 0;
    bool FClearing = false; // Clear is running: single deletions wait for it
};

// One column of a report view.
class TListColumn : public TPersistent {
public:
    VORLANE_CLASS_NAME(TListColumn)
    explicit TListColumn(TCustomListView* AOwner) : FOwner(AOwner) {}
    TCustomListView* ListView() const { return FOwner; }
    int Index() const { return FIndex; }
    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& Value);
    // Width in pixels (the window's while it exists; the user may drag it).
    int Width();
    void SetWidth(int Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    intptr_t Tag = 0;

private:
    friend class TListColumns;
    friend class TCustomListView;
    void Changed();
    TCustomListView* FOwner;
    int FIndex = 0;
    std::wstring FCaption;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
};

class TListColumns : public TPersistent {
public:
    VORLANE_CLASS_NAME(TListColumns)
    explicit TListColumns(TCustomListView* AOwner) : FOwner(AOwner) {}
    ~TListColumns() override;
    TCustomListView* Owner() const { return FOwner; }
    int Count() const { return static_cast<int>(FColumns.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TListColumn* Items(int Index) const;
    TListColumn* operator[](int Index) const { return Items(Index); }
    TListColumn* Add();
    void Delete(int Index);
    void Clear();

private:
    friend class TCustomListView;
    TCustomListView* FOwner;
    std::vector<TListColumn*> FColumns; // owned
};

class TCustomListView : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomListView)
    explicit TCustomListView(TComponent* AOwner);
    ~TCustomListView() override;

    TListItems* Items();
    TListColumns* Columns();

    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle Value);
    // Owner data: rows are not kept; the window asks OnData for each row it shows.
    bool OwnerData() const { return FOwnerData; }
    void SetOwnerData(bool Value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool Value);
    // Read only: captions cannot be edited in place.
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool Value);
    bool ShowColumnHeaders() const { return FShowColumnHeaders; }
    void SetShowColumnHeaders(bool Value);
    bool ColumnClick() const { return FColumnClick; }
    void SetColumnClick(bool Value);
    // The item under the mouse is highlighted (with HotTrackStyles).
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool Value);
    TListHotTrackStyles HotTrackStyles() const { return FHotTrackStyles; }
    void SetHotTrackStyles(TListHotTrackStyles Value);
    bool FlatScrollBars() const { return FFlatScrollBars; }
    void SetFlatScrollBars(bool Value);
    // Icon views keep their items arranged.
    bool AutoArrange() const { return FAutoArrange; }
    void SetAutoArrange(bool Value);
    // How many rows the window makes room for at once (raised before a large fill).
    int AllocBy() const { return FAllocBy; }
    void SetAllocBy(int Value);
    // The window's header control (report view); null without a window.
    HWND HeaderHandle();
    TCustomImageList* LargeImages() const { return FLargeImages; }
    void SetLargeImages(TCustomImageList* Value);
    TCustomImageList* SmallImages() const { return FSmallImages; }
    void SetSmallImages(TCustomImageList* Value);
    TCustomImageList* StateImages() const { return FStateImages; }
    void SetStateImages(TCustomImageList* Value);

    // The first selected item (null when none); setting null deselects every item.
    TListItem* Selected();
    void SetSelected(TListItem* Value);
    TListItem* ItemFocused();
    void SetItemFocused(TListItem* Value);
    // Index of the first selected item, -1 when none; setting selects and focuses that row only.
    int ItemIndex();
    void SetItemIndex(int Value);
    int SelCount();
    // The item at a client point (null when none).
    TListItem* GetItemAt(int X, int Y);
    // Where the window's last click report (NM_CLICK, NM_RCLICK) put the pointer, in client
    // coordinates: the item clicked, where the selection alone cannot tell (Ctrl+click).
    POINT ClickPoint() const { return FTrackedPoint; }
    TListItem* TopItem();
    int VisibleRowCount();
    void Scroll(int DX, int DY);
    // Runs Change (a jump of the view, a new selection) with the window's drawing held: the
    // next paint draws the whole window, its scroll bars with it. A window not shown stays so.
    void WithDrawingHeld(const std::function<void()>& Change);
    bool IsEditing();
    // Redraws a range of rows (owner-data lists after their data changed).
    void UpdateItems(int FirstIndex, int LastIndex);

    // Sorting (not for owner-data lists): by Compare, else OnCompare, else the captions with
    // lstrcmpW. Returns false when nothing was sorted.
    bool AlphaSort();
    bool CustomSort(const TLVCompare& Compare, LPARAM Data);

    TLVNotifyEvent OnData, OnDeletion, OnInsert;
    TLVOwnerDataFindEvent OnDataFind;
    TLVOwnerDataHintEvent OnDataHint;
    TLVOwnerDataStateChangeEvent OnDataStateChange;
    TLVChangeEvent OnChange;
    TLVChangingEvent OnChanging;
    TLVSelectItemEvent OnSelectItem;
    TLVColumnClickEvent OnColumnClick;
    TLVColumnRClickEvent OnColumnRightClick;
    TLVCompareEvent OnCompare;
    TLVEditingEvent OnEditing;
    TLVEditedEvent OnEdited;
    TLVInfoTipEvent OnInfoTip;

    void WndProc(TMessage& Message) override;

    // Internal, from the items.
    void ItemChanged(TListItem* Item, bool SubItemsChanged);
    void ItemInserted(TListItem* Item);
    void ItemDeleting(TListItem* Item);
    void ItemsCleared();
    void ColumnChanged(TListColumn* Column);
    void ColumnsChanged();
    void OwnerDataCountChanged();
    // The temporary item filled by OnData for a row of an owner-data list.
    TListItem* OwnerDataItem(int Index);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual TListItems* CreateListItems();
    // An item is about to go (one by one or all at once): OnDeletion.
    virtual void DoDeletion(TListItem* Item);
    virtual TListItem* CreateListItem();
    virtual TListColumn* CreateListColumn();
    // The handling of one notification of the window (reflected WM_NOTIFY).
    virtual void CNNotify(TMessage& Message);
    // The item a notification names (row Index); null when there is none.
    TListItem* NotifiedItem(int Index);
    // Item states the window asks for on drawing instead of keeping them (LVIS_* bits, such
    // as LVIS_OVERLAYMASK); DoGetDispInfo answers them. Read when the window is made.
    virtual UINT StateCallbackMask() { return 0; }
    // Custom drawing: whether the class colours item texts, and the colour of an item's
    // text (Color holds the window's; State is the item's CDIS_* state).
    virtual bool WantsItemTextColors() { return false; }
    virtual void ItemTextColor(TListItem* Item, UINT State, COLORREF& Color) {}
    // A drag of an item begun with the left or the right button (LVN_BEGINDRAG, LVN_BEGINRDRAG).
    virtual void BeginItemDrag(TMouseButton Button, TListItem* Item, POINT Point) {}
    virtual void DoGetDispInfo(NMLVDISPINFOW& Info);
    void InsertItemIntoWindow(TListItem* Item);
    // The window's first selected row (-1 when none).
    int FirstSelectedIndex();
    void UpdateExStyles();
    void UpdateImageLists();
    void SetImageList(TCustomImageList*& Field, TCustomImageList* Value, int Which);

    TViewStyle FViewStyle = vsIcon;
    bool FOwnerData = false;
    bool FMultiSelect = false;
    bool FReadOnly = false;
    bool FHideSelection = true;
    bool FRowSelect = false;
    bool FGridLines = false;
    bool FShowColumnHeaders = true;
    bool FColumnClick = true;
    bool FHotTrack = false;
    TListHotTrackStyles FHotTrackStyles = 0;
    bool FFlatScrollBars = false;
    bool FAutoArrange = false;
    int FAllocBy = 0;
    TCustomImageList* FLargeImages = nullptr;
    TCustomImageList* FSmallImages = nullptr;
    TCustomImageList* FStateImages = nullptr;
    std::unique_ptr<TListItems> FItems;
    std::unique_ptr<TListColumns> FColumns;
    std::unique_ptr<TListItem> FTempItem;
    friend class TListItems;
    friend class TListColumns;
    friend class TListItemWatch;
    bool FFilling = false;       // the model is being given to a new window
    int FSavedItemIndex = -1;    // owner-data selection kept across a new window
    // The release message of a button whose down message is being handled (the window's
    // own mouse loop may eat it); 0 when none, or when a drag took the button over.
    UINT FTrackedButtonUp = 0;
    bool FTrackedClick = false;  // a click was reported meanwhile (the button was released)
    POINT FTrackedPoint{};       // where, by the click's report
    // Items an event handler is running for; one deleted meanwhile is set to null here.
    std::vector<TListItem**> FWatchedItems;
};

class TListView : public TCustomListView {
public:
    VORLANE_CLASS_NAME(TListView)
    using TCustomListView::TCustomListView;
};

// =================================================================================
// Tree view

enum THitTestFlag : unsigned {
    htAbove = 1, htBelow = 2, htNowhere = 4, htOnItem = 8, htOnButton = 16, htOnIcon = 32, htOnIndent = 64,
    htOnLabel = 128, htOnRight = 256, htOnStateIcon = 512, htToLeft = 1024, htToRight = 2048
};
using THitTests = unsigned;
enum TNodeAttachMode { naAdd, naAddFirst, naAddChild, naAddChildFirst, naInsert };

using TTVChangingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVChangedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVExpandingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;
using TTVCollapsingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowCollapse)>;
using TTVExpandedEvent = std::function<void(TObject* Sender, TTreeNode* Node)>;
using TTVEditingEvent = std::function<void(TObject* Sender, TTreeNode* Node, bool& AllowEdit)>;
using TTVEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, std::wstring& S)>;
using TTVCompareEvent = std::function<void(TObject* Sender, TTreeNode* Node1, TTreeNode* Node2, LPARAM Data, int& Compare)>;
using TTVCompare = std::function<int(TTreeNode* Node1, TTreeNode* Node2, LPARAM Data)>;

// One node: text, data, images and children, in the tree's model; the window item (when the
// tree has a window) asks the node for its text and images.
class TTreeNode : public TPersistent {
public:
    VORLANE_CLASS_NAME(TTreeNode)
    explicit TTreeNode(TTreeNodes* AOwner);
    ~TTreeNode() override;

    TTreeNodes* Owner() const { return FOwner; }
    TCustomTreeView* TreeView() const;
    HTREEITEM ItemId() const { return FItemId; }

    const std::wstring& Text() const { return FText; }
    void SetText(const std::wstring& Value);
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int SelectedIndex() const { return FSelectedIndex; }
    void SetSelectedIndex(int Value);
    int StateIndex() const { return FStateIndex; }
    void SetStateIndex(int Value);
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int Value);
    // For answers to the window's own image request (images found on demand): stores the
    // image, or with Selected the selected image, without a change notice, since the
    // window draws what it is answered.
    void StoreRequestedImage(bool Selected, int Index);
    // Shown ghosted (marked for a cut, or a hidden item).
    bool Cut() const { return FCut; }
    void SetCut(bool Value);

    // The expand button: set by adding a child, cleared when the last child goes.
    bool HasChildren() const { return FHasChildren; }
    void SetHasChildren(bool Value);
    bool Expanded() const;
    // Expanding asks OnExpanding (collapsing OnCollapsing) first.
    void SetExpanded(bool Value);
    void Expand(bool Recurse);
    void Collapse(bool Recurse);
    bool Selected() const;
    void SetSelected(bool Value);
    bool Focused() const;
    // Expands the parents and scrolls the node into view.
    void MakeVisible();
    // Whether all parents are expanded.
    bool IsVisible() const;
    RECT DisplayRect(bool TextOnly) const;
    bool EditText();
    void EndEdit(bool Cancel);

    TTreeNode* Parent() const { return FParent; }
    TTreeNode* GetParent() const { return FParent; }
    int Count() const { return static_cast<int>(FChildren.size()); }
    // The I-th child: EListError "List index out of bounds (%d)" past the last child.
    TTreeNode* Item(int Index) const;
    int Index() const { return FIndex; }
    // Position in the whole tree, depth first from the first top-level node (0).
    int AbsoluteIndex() const;
    // 0 for a top-level node.
    int Level() const;
    bool HasAsParent(const TTreeNode* Value) const;

    TTreeNode* GetFirstChild() const;
    TTreeNode* GetLastChild() const;
    // Depth first: first child, else next sibling, else the next sibling of the nearest
    // ancestor that has one; null at the end.
    TTreeNode* GetNext() const;
    // The node before in that order: the previous sibling's last descendant, else the parent.
    TTreeNode* GetPrev() const;
    TTreeNode* getNextSibling() const;
    TTreeNode* getPrevSibling() const;
    TTreeNode* GetNextChild(const TTreeNode* Value) const;
    TTreeNode* GetPrevChild(const TTreeNode* Value) const;
    // Depth first over the nodes whose parents are all expanded.
    TTreeNode* GetNextVisible() const;
    TTreeNode* GetPrevVisible() const;

    void Delete();
    void DeleteChildren();
    bool AlphaSort(bool Recurse = false);
    bool CustomSort(const TTVCompare& Compare, LPARAM Data, bool Recurse = false);

private:
    friend class TTreeNodes;
    friend class TCustomTreeView;
    void UpdateItem(UINT Mask);
    TTreeNodes* FOwner;
    TTreeNode* FParent = nullptr;
    std::vector<TTreeNode*> FChildren; // owned
    int FIndex = 0;
    int FSubtree = 1; // this node and all below it
    HTREEITEM FItemId = nullptr;
    std::wstring FText;
    void* FData = nullptr;
    int FImageIndex = -1;
    int FSelectedIndex = -1;
    int FStateIndex = -1;
    int FOverlayIndex = -1;
    bool FHasChildren = false;
    bool FCut = false;
    bool FExpanded = false; // kept while there is no window
    bool FDeleting = false; // its deletion (and OnDeletion) is running
};

class TTreeNodes : public TPersistent {
public:
    VORLANE_CLASS_NAME(TTreeNodes)
    explicit TTreeNodes(TCustomTreeView* AOwner);
    ~TTreeNodes() override;

    TCustomTreeView* Owner() const { return FOwner; }
    // All nodes of the tree.
    int Count() const { return FCount; }
    // By absolute index: EListError "List index out of bounds (%d)".
    TTreeNode* Item(int Index);
    TTreeNode* operator[](int Index) { return Item(Index); }
    TTreeNode* GetFirstNode() const { return FRoots.empty() ? nullptr : FRoots.front(); }
    int TopLevelCount() const { return static_cast<int>(FRoots.size()); }
    TTreeNode* TopLevelItem(int Index) const;

    // Last sibling of Sibling (top level when Sibling is null).
    TTreeNode* Add(TTreeNode* Sibling, const std::wstring& S);
    TTreeNode* AddObject(TTreeNode* Sibling, const std::wstring& S, void* Ptr);
    TTreeNode* AddFirst(TTreeNode* Sibling, const std::wstring& S);
    TTreeNode* AddObjectFirst(TTreeNode* Sibling, const std::wstring& S, void* Ptr);
    // Last (first) child of Parent (top level when Parent is null).
    TTreeNode* AddChild(TTreeNode* Parent, const std::wstring& S);
    TTreeNode* AddChildObject(TTreeNode* Parent, const std::wstring& S, void* Ptr);
    TTreeNode* AddChildFirst(TTreeNode* Parent, const std::wstring& S);
    TTreeNode* AddChildObjectFirst(TTreeNode* Parent, const std::wstring& S, void* Ptr);
    // Before Sibling (last top-level node when Sibling is null).
    TTreeNode* Insert(TTreeNode* Sibling, const std::wstring& S);
    TTreeNode* InsertObject(TTreeNode* Sibling, const std::wstring& S, void* Ptr);
    void Delete(TTreeNode* Node);
    void Clear();
    // Held back window updates while filling (nested).
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // The node of a window item (null when none).
    TTreeNode* GetNode(HTREEITEM ItemId) const;

private:
    friend class TTreeNode;
    friend class TCustomTreeView;
    TTreeNode* InternalAdd(TTreeNode* Parent, size_t Position, const std::wstring& S, void* Ptr);
    void DetachNode(TTreeNode* Node);
    std::vector<TTreeNode*>& SiblingsOf(TTreeNode* Parent) { return Parent ? Parent->FChildren : FRoots; }
    void Changed() { ++FVersion; }

    TCustomTreeView* FOwner;
    std::vector<TTreeNode*> FRoots; // owned
    int FCount = 0;
    int FUpdateCount = 0;
    bool FClearing = false; // Clear is running: single deletions wait for it
    // Sequential Item(I) walks on from the last node found while nothing changed.
    unsigned FVersion = 0;
    unsigned FCacheVersion = ~0u;
    int FCacheIndex = -1;
    TTreeNode* FCacheNode = nullptr;
};

class TCustomTreeView : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomTreeView)
    explicit TCustomTreeView(TComponent* AOwner);
    ~TCustomTreeView() override;

    TTreeNodes* Items();
    TTreeNode* Selected();
    // Null clears the selection.
    void SetSelected(TTreeNode* Value);
    TTreeNode* TopItem();
    TTreeNode* DropTarget();
    // The node at a client point (null when none).
    TTreeNode* GetNodeAt(int X, int Y);
    THitTests GetHitTestInfoAt(int X, int Y);
    bool IsEditing();
    void FullExpand();
    void FullCollapse();
    bool AlphaSort(bool Recurse = true);
    bool CustomSort(const TTVCompare& Compare, LPARAM Data, bool Recurse = true);

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool ShowButtons() const { return FShowButtons; }
    void SetShowButtons(bool Value);
    bool ShowLines() const { return FShowLines; }
    void SetShowLines(bool Value);
    bool ShowRoot() const { return FShowRoot; }
    void SetShowRoot(bool Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool Value);
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool Value);
    // The control's tool tips for nodes cut off at the edge.
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool Value);
    int Indent();
    void SetIndent(int Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* StateImages() const { return FStateImages; }
    void SetStateImages(TCustomImageList* Value);

    TTVChangingEvent OnChanging;
    TTVChangedEvent OnChange;
    TTVExpandingEvent OnExpanding;
    TTVCollapsingEvent OnCollapsing;
    TTVExpandedEvent OnExpanded, OnCollapsed;
    TTVExpandedEvent OnDeletion, OnGetImageIndex, OnGetSelectedIndex, OnCancelEdit;
    TTVEditingEvent OnEditing;
    TTVEditedEvent OnEdited;
    TTVCompareEvent OnCompare;

    void WndProc(TMessage& Message) override;

    // Internal, from the nodes. CanExpand asks OnExpanding (a class may fill the node's
    // children first).
    virtual bool CanExpand(TTreeNode* Node);
    void Expand(TTreeNode* Node);
    bool CanCollapse(TTreeNode* Node);
    void Collapse(TTreeNode* Node);
    void NodeInserted(TTreeNode* Node);
    void NodeDeleting(TTreeNode* Node);
    void NodeChanged(TTreeNode* Node, UINT Mask);
    virtual void GetImageIndex(TTreeNode* Node);
    virtual void GetSelectedIndex(TTreeNode* Node);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    bool RecreatesForReadingOrder() const override { return false; }
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual TTreeNodes* CreateNodes();
    virtual TTreeNode* CreateNode();
    // A node is about to go (children before their parent): OnDeletion. The calls are
    // made only while WantsDeletion says so.
    virtual void DoDeletion(TTreeNode* Node);
    virtual bool WantsDeletion() { return static_cast<bool>(OnDeletion); }
    virtual void CNNotify(TMessage& Message);
    virtual void DoGetDispInfo(NMTVDISPINFOW& Info);
    void InsertNodeIntoWindow(TTreeNode* Node, bool WithChildren);
    void UpdateImageLists();
    friend class TTreeNodes;
    friend class TTreeNode;

    bool FReadOnly = false;
    bool FShowButtons = true;
    bool FShowLines = true;
    bool FShowRoot = true;
    bool FHideSelection = true;
    bool FRowSelect = false;
    bool FHotTrack = false;
    bool FToolTips = true;
    int FIndent = -1;
    TCustomImageList* FImages = nullptr;
    TCustomImageList* FStateImages = nullptr;
    std::unique_ptr<TTreeNodes> FNodes;
    int FExpanding = 0;           // expansion started here: the window's notifications are not events
    bool FQuiet = false;          // the window is being made or taken down: no events
    bool FRepaintPending = false; // the whole window is invalid until its next paint
    TTreeNode* FSavedSelected = nullptr;
    TTreeNode* FSavedTop = nullptr;
    // Nodes an event handler is running for; one deleted meanwhile is set to null here.
    std::vector<TTreeNode**> FWatchedNodes;
    friend class TTreeNodeWatch;
};

class TTreeView : public TCustomTreeView {
public:
    VORLANE_CLASS_NAME(TTreeView)
    using TCustomTreeView::TCustomTreeView;
};

// =================================================================================
// Status bar

class TCustomStatusBar;
class TStatusPanels;
enum TStatusPanelStyle { psText, psOwnerDraw };
enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusPanel : public TPersistent {
public:
    VORLANE_CLASS_NAME(TStatusPanel)
    explicit TStatusPanel(TStatusPanels* AOwner) : FOwner(AOwner) {}
    int Index() const { return FIndex; }
    const std::wstring& Text() const { return FText; }
    void SetText(const std::wstring& Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    // Centred and right-aligned texts go to the window with one and two leading TABs.
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TStatusPanelBevel Bevel() const { return FBevel; }
    void SetBevel(TStatusPanelBevel Value);
    TStatusPanelStyle Style() const { return FStyle; }
    void SetStyle(TStatusPanelStyle Value);

private:
    friend class TStatusPanels;
    friend class TCustomStatusBar;
    void Changed(bool AllPanels);
    TStatusPanels* FOwner;
    int FIndex = 0;
    std::wstring FText;
    int FWidth = 50;
    TAlignment FAlignment = taLeftJustify;
    TStatusPanelBevel FBevel = pbLowered;
    TStatusPanelStyle FStyle = psText;
};

class TStatusPanels : public TPersistent {
public:
    VORLANE_CLASS_NAME(TStatusPanels)
    explicit TStatusPanels(TCustomStatusBar* AOwner) : FOwner(AOwner) {}
    ~TStatusPanels() override;
    TCustomStatusBar* Owner() const { return FOwner; }
    int Count() const { return static_cast<int>(FPanels.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TStatusPanel* Items(int Index) const;
    TStatusPanel* operator[](int Index) const { return Items(Index); }
    TStatusPanel* Add();
    void Delete(int Index);
    void Clear();
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

protected:
    virtual TStatusPanel* CreatePanel() { return new TStatusPanel(this); }

private:
    friend class TStatusPanel;
    TCustomStatusBar* FOwner;
    std::vector<TStatusPanel*> FPanels; // owned
    int FUpdateCount = 0;
};

using TDrawPanelEvent = std::function<void(TCustomStatusBar* StatusBar, TStatusPanel* Panel, const RECT& Rect)>;

class TCustomStatusBar : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomStatusBar)
    explicit TCustomStatusBar(TComponent* AOwner);
    ~TCustomStatusBar() override;

    TStatusPanels* Panels();
    // One part across the bar showing SimpleText instead of the panels.
    bool SimplePanel() const { return FSimplePanel; }
    void SetSimplePanel(bool Value);
    const std::wstring& SimpleText() const { return FSimpleText; }
    void SetSimpleText(const std::wstring& Value);
    bool SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(bool Value);
    TCanvas* Canvas() { return &FCanvas; }
    // The panel at a client x position (-1 when none).
    int PanelAt(int X);

    TDrawPanelEvent OnDrawPanel;
    void WndProc(TMessage& Message) override;

    // Internal: the panels changed (all of them, or only the text of one).
    void UpdatePanels(bool UpdateRects, int Only = -1);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    virtual TStatusPanels* CreatePanels() { return new TStatusPanels(this); }
    virtual void DrawPanel(TStatusPanel* Panel, const RECT& Rect);
    void UpdateSimpleText();

    std::unique_ptr<TStatusPanels> FPanels;
    bool FSimplePanel = false;
    std::wstring FSimpleText;
    bool FSizeGrip = true;
    TCanvas FCanvas;
};

class TStatusBar : public TCustomStatusBar {
public:
    VORLANE_CLASS_NAME(TStatusBar)
    using TCustomStatusBar::TCustomStatusBar;
};

// The window text of a panel: its text behind the TABs of its alignment.
std::wstring StatusPanelWindowText(const std::wstring& Text, TAlignment Alignment);

// =================================================================================
// Tool bar

class TToolBar;
enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

// A button of a tool bar. It has no window: the tool bar's window draws and clicks it;
// the button's bounds follow the tool bar's layout (for hints and popups).
class TToolButton : public TControl {
public:
    VORLANE_CLASS_NAME(TToolButton)
    explicit TToolButton(TComponent* AOwner);
    ~TToolButton() override;

    TToolBar* ToolBar() const;
    int Index() const;
    TToolButtonStyle Style() const { return FStyle; }
    void SetStyle(TToolButtonStyle Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    // Pressed state of a check button (the window's while it exists).
    bool Down() const;
    void SetDown(bool Value);
    // Check buttons of one group: pressing one releases the others.
    bool Grouped() const { return FGrouped; }
    void SetGrouped(bool Value);
    bool Indeterminate() const { return FIndeterminate; }
    void SetIndeterminate(bool Value);
    // Shown by the drop-down arrow of a tbsDropDown button (not owned).
    TPopupMenuBase* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenuBase* Value);
    // As wide as its caption (and image) instead of the bar's common button width.
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // The bar's next button starts a new row.
    bool Wrap() const { return FWrap; }
    void SetWrap(bool Value);
    // The window's command id of this button.
    int CommandId() const { return FCommandId; }
    void Click() override;
    void WndProc(TMessage& Message) override;

    // Internal: the tool bar's layout put the button here.
    void SetButtonBounds(const RECT& R);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Changed();
    friend class TToolBar;

    TToolButtonStyle FStyle = tbsButton;
    int FImageIndex = -1;
    bool FDown = false;
    bool FGrouped = false;
    bool FIndeterminate = false;
    bool FAutoSize = false;
    bool FWrap = false;
    TPopupMenuBase* FDropdownMenu = nullptr;
    int FCommandId;
};

// The bar's background is its Color and its captions take its font colour.
class TToolBar : public TWinControl {
public:
    VORLANE_CLASS_NAME(TToolBar)
    explicit TToolBar(TComponent* AOwner);
    ~TToolBar() override;

    int ButtonCount() const { return static_cast<int>(FButtons.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TToolButton* Buttons(int Index) const;
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool Value);
    // Captions to the right of the images.
    bool List() const { return FList; }
    void SetList(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool Wrapable() const { return FWrapable; }
    void SetWrapable(bool Value);
    int ButtonWidth() const { return FButtonWidth; }
    int ButtonHeight() const { return FButtonHeight; }
    void SetButtonSize(int AWidth, int AHeight);
    // The button under a client point (null when none).
    TToolButton* ButtonAt(int X, int Y);
    // The height the rows of visible buttons take as the window lays them out now (0 when
    // no button is visible or there is no window).
    int RowsHeight();

    void WndProc(TMessage& Message) override;

    // Internal, from the buttons.
    void ButtonChanged(TToolButton* Button);
    TToolButton* FindButton(int CommandId) const;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void RecreateButtons();
    void InsertButtonIntoWindow(TToolButton* Button, int Position);
    void UpdateButtonBounds();
    void DropDown(TToolButton* Button);
    // The arrow part of a drop-down button, at its right.
    static constexpr int DropDownArrowWidth = 11;
    void DrawDisabledButton(TToolButton& Button, HDC DC, const RECT& Bounds);
    void PaintDropDownArrow(HDC DC, const RECT& Bounds, COLORREF Ink, bool Pressed);
    friend class TToolButton;

    std::vector<TToolButton*> FButtons; // children, not owned here
    TCustomImageList* FImages = nullptr;
    bool FShowCaptions = false;
    bool FList = false;
    bool FFlat = true;
    bool FWrapable = true;
    int FButtonWidth = 23;
    int FButtonHeight = 22;
};

// =================================================================================
// Page control

class TPageControl;

class TTabSheet : public TWinControl {
public:
    VORLANE_CLASS_NAME(TTabSheet)
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;

    TPageControl* PageControl() const;
    void SetPageControl(TPageControl* Value);
    // Position among the control's pages.
    int PageIndex() const;
    void SetPageIndex(int Value);
    // Position among the shown tabs (-1 when its tab is hidden).
    int TabIndex() const;
    bool TabVisible() const { return FTabVisible; }
    void SetTabVisible(bool Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);

    TNotifyEvent OnShow, OnHide;
    void WndProc(TMessage& Message) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    bool RecreatesForReadingOrder() const override { return false; }

    friend class TPageControl;
    bool FTabVisible = true;
    int FImageIndex = -1;
};

class TPageControl : public TWinControl {
public:
    VORLANE_CLASS_NAME(TPageControl)
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;

    int PageCount() const { return static_cast<int>(FPages.size()); }
    // Raises EListError "List index out of bounds (%d)".
    TTabSheet* Pages(int Index) const;
    TTabSheet* ActivePage() const { return FActivePage; }
    // Shows the page (no change events).
    void SetActivePage(TTabSheet* Value);
    int ActivePageIndex() const;
    void SetActivePageIndex(int Value);
    // The page of a shown tab (null when none).
    TTabSheet* PageForTab(int TabIndex) const;
    // The next (previous) page with a shown tab, wrapping; change events run.
    void SelectNextPage(bool GoForward, bool CheckTabVisible = true);
    TTabSheet* FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const;
    // The tab at a client point (-1 when none).
    int IndexOfTabAt(int X, int Y);
    // The caption of a shown tab as the window has it.
    std::wstring TabCaption(int TabIndex);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    bool MultiLine() const { return FMultiLine; }
    void SetMultiLine(bool Value);
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool Value);

    TNotifyEvent OnChange;
    std::function<void(TObject* Sender, bool& AllowChange)> OnChanging;

    void WndProc(TMessage& Message) override;

    // Internal, from the sheets.
    void PageChanged(TTabSheet* Page);
    void MovePage(TTabSheet* Page, int NewIndex);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    bool RecreatesForReadingOrder() const override { return false; }
    void AdjustClientRect(RECT& Rect) override;
    // Hidden pages take the page area too: what they hold is laid out before they show.
    void AlignControls(TControl* AControl, RECT& Rect) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual bool CanChange();
    virtual void Change();
    void UpdateTabs();
    void ShowActivePage();

    std::vector<TTabSheet*> FPages; // children, not owned here
    TTabSheet* FActivePage = nullptr;
    TCustomImageList* FImages = nullptr;
    bool FMultiLine = false;
    bool FHotTrack = false;
    bool FUpdatingTabs = false;
};

// =================================================================================
// Progress bar

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TWinControl {
public:
    VORLANE_CLASS_NAME(TProgressBar)
    explicit TProgressBar(TComponent* AOwner);

    int Min() const { return FMin; }
    int Max() const { return FMax; }
    void SetMin(int Value) { SetRange(Value, FMax); }
    void SetMax(int Value) { SetRange(FMin, Value); }
    void SetRange(int AMin, int AMax);
    // The window's position while it exists.
    int Position();
    void SetPosition(int Value);
    int Step() const { return FStep; }
    void SetStep(int Value);
    void StepIt();
    void StepBy(int Delta);
    bool Smooth() const { return FSmooth; }
    void SetSmooth(bool Value);
    TProgressBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TProgressBarOrientation Value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;

    int FMin = 0, FMax = 100, FPosition = 0, FStep = 10;
    bool FSmooth = false;
    TProgressBarOrientation FOrientation = pbHorizontal;
};

// =================================================================================
// Rich edit

// The rich-edit library ("RICHED20.DLL", loaded once for the process).
HMODULE RichEditModule();

class TCustomRichEdit : public TWinControl {
public:
    VORLANE_CLASS_NAME(TCustomRichEdit)
    explicit TCustomRichEdit(TComponent* AOwner);

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // Streams are read and written as plain text instead of rich text format.
    bool PlainText = false;
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool Value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);

    // The text; setting it raises no OnChange.
    std::wstring GetText() override;
    void SetText(const std::wstring& Value) override;
    int SelStart();
    void SetSelStart(int Value);
    int SelLength();
    void SetSelLength(int Value);
    std::wstring SelText();
    void SetSelText(const std::wstring& Value);
    void SelectAll();
    void Clear() { SetText(L""); }
    // The line holding a character position.
    int LineFromChar(int CharIndex);

    // Lines as the window has them. Line(I) of a bad index raises EListError.
    int LineCount();
    std::wstring Line(int Index);
    void SetLine(int Index, const std::wstring& S);
    void InsertLine(int Index, const std::wstring& S);
    void DeleteLine(int Index);

    // Rich text format (or with PlainText UTF-16 text) through the window's streaming. What
    // the stream raises ends the transfer and is raised again here.
    void LoadFromStream(TStream* Source);
    void SaveToStream(TStream* Target);

    TNotifyEvent OnChange, OnSelectionChange;
    void WndProc(TMessage& Message) override;

    // Runs Body with change notices of the window off (restored afterwards).
    template <class F>
    void WithoutChangeEvents(F&& Body) {
        LRESULT mask = HandleAllocated() ? SendMessageW(FHandle, EM_GETEVENTMASK, 0, 0) : 0;
        if (HandleAllocated())
            SendMessageW(FHandle, EM_SETEVENTMASK, 0, mask & ~ENM_CHANGE);
        ++FChangeOff;
        try {
            Body();
        } catch (...) {
            --FChangeOff;
            if (HandleAllocated())
                SendMessageW(FHandle, EM_SETEVENTMASK, 0, mask);
            throw;
        }
        --FChangeOff;
        if (HandleAllocated())
            SendMessageW(FHandle, EM_SETEVENTMASK, 0, mask);
    }

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    virtual void Change();
    void StreamIn(const std::string& Data, UINT Format);
    std::string StreamOut(UINT Format);
    // EM_STREAMIN or EM_STREAMOUT with Move as the transfer (its exceptions raised here).
    void Stream(UINT Msg, UINT Format, const std::function<LONG(LPBYTE Buffer, LONG Count)>& Move);

    bool FReadOnly = false;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
    bool FHideSelection = true;
    int FMaxLength = 0;
    int FChangeOff = 0;
    std::string FSavedRtf; // the content while the window is made again
    bool FHaveSavedRtf = false;
};

class TRichEdit : public TCustomRichEdit {
public:
    VORLANE_CLASS_NAME(TRichEdit)
    using TCustomRichEdit::TCustomRichEdit;
};
