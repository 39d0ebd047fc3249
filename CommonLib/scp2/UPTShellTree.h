// The shell folder tree: the namespace below a root folder as a tree of folders (files
// too with ptstoShowFiles), filled on demand as nodes open. It keeps a current folder and
// can drive a shell list and a shell combo; like the list it has shell context menus,
// default keys, renaming in place, OLE drag and drop and refreshes itself when the drives
// change on disk. TPTCustomShellTree holds the behaviour, TPTShellTree is the control.
//
// Published names (they mirror the shell list's): Root, Folder, Options, LinkedList,
// LinkedCombo; events OnAddItem (veto), OnNodeAdded, OnDeleteItem, OnPopupHint, OnEditedW,
// OnBeforeShellMenuPopup, OnAfterShellMenuSelection, OnOleDrag, OnOleDrop, OnOleDragStart,
// OnOleDragComplete.
#pragma once

#include "Timers.h"
#include "UPTChangeHandlerThread.h"
#include "UPTShellCombo.h"
#include "UPTShellDragDrop.h"
#include "UPTShellList.h"
#include "UPTShellLocator.h"
#include "UPTShellMenu.h"
#include "UPTShellTreeSupport.h"
#include "UPTTreeList.h"

#include <memory>

// A node with its shell record (owned).
class TPTShTreeNode : public TTreeNode {
public:
    VORLANE_CLASS_NAME(TPTShTreeNode)
    using TTreeNode::TTreeNode;
    TPTShTreeData* ShTreeData() const { return FShTreeData.get(); }
    void SetShTreeData(TPTShTreeData* Data) { FShTreeData.reset(Data); SetData(Data); }

private:
    std::unique_ptr<TPTShTreeData> FShTreeData;
};

using TPTShellTreeAddItemEvent = TPTShellListAddItemEvent;
using TPTShellTreeDeleteItemEvent = std::function<void(TObject* Sender, TTreeNode* Node, TPTShTreeData* Data)>;
using TPTShellTreeEditedEvent = std::function<void(TObject* Sender, TTreeNode* Node, WideString& S)>;
using TPTShellTreeBeforeMenuEvent = std::function<void(TObject* Sender, HMENU& MenuHandle, TTreeNode* Node,
                                                       int NextCustomMenuId, bool& CancelMenu)>;
using TPTShellTreeAfterMenuEvent =
    std::function<void(TObject* Sender, TTreeNode* Node, int SelectedMenuId, bool& AllowDefaultBehaviour)>;

class TPTCustomShellTree : public TPTCustomTreeView,
                           public TPTShellLinkedControl,
                           public TPTDropTargetHost,
                           public TPTShellMenuHost {
public:
    VORLANE_CLASS_NAME(TPTCustomShellTree)
    // Private messages: a change notice of the watch thread, the fill after loading.
    static constexpr UINT WM_PTCHANGENOTIFY = WM_USER + 101;
    static constexpr UINT WM_PTFILL = WM_USER + 103;
    static constexpr int SelectionDelay = 500;
    static constexpr int FocusedRefreshDelay = 400;
    static constexpr int UnfocusedRefreshDelay = 2000;
    static constexpr int RenameRefreshDelay = 1000;
    // What the timer is running for.
    enum TTimerMode { tmIdle = 0, tmSelection = 1, tmRefresh = 2 };

    explicit TPTCustomShellTree(TComponent* AOwner);
    ~TPTCustomShellTree() override;

    // The folder shown at the top (nil = the desktop). A new root clears Folder and, with
    // ptstoAutoFill, builds the tree anew.
    TPTShellLocator* Root() { return &FRoot; }
    // The selected folder. Setting it selects its node (opening the way to it).
    TPTShellLocator* Folder() { return &FFolder; }
    TPTShellTreeOptions Options() const { return FOptions; }
    void SetOptions(TPTShellTreeOptions Value);

    // The list and the combo this tree drives (null-safe; the list's LinkedTree and the
    // combo's ShellTree are set to match).
    TPTCustomShellList* LinkedList() const { return FLinkedList; }
    void SetLinkedList(TPTCustomShellList* List);
    TPTCustomShellCombo* LinkedCombo() const { return FLinkedCombo; }
    void SetLinkedCombo(TPTCustomShellCombo* Combo);

    // Builds the tree anew (only with a window and while no drag runs; else it waits).
    void Fill();
    // Compares the filled nodes with their folders: nodes gone are deleted, new ones added,
    // the rest stay as they are.
    void Refresh();
    // Selects the node of Pidl, adding and opening the nodes on the way. False (selection
    // as it was) for a folder outside the root or one that cannot be reached.
    bool NavigateTo(PCItemIDList Pidl);
    // Adds the child RelPidl (taken over) of ParentNode's folder ParentShf: null when it is
    // not shown (freed then).
    TTreeNode* AddNode(IShellFolder* ParentShf, TTreeNode* ParentNode, PItemIDList RelPidl);
    // Fills a node's children now (once); false when the folder cannot be listed.
    bool PopulateNode(TTreeNode* Node);

    TPTShTreeData* GetNodeData(TTreeNode* Node) const;
    TPTShTreeData* GetSelectedData();
    // The child of Node whose item is RelPidl (by the folder's order); null when none.
    TTreeNode* FindChild(TTreeNode* Node, PCItemIDList RelPidl);

    bool DragActive() const { return FDragActive; }
    bool RefreshPending() const { return FRefreshPending; }
    bool RenamePending() const { return FRenamePending; }
    // The drives watched (bit 0 = A:).
    DWORD WatchedDrives() const { return FWatchedDrives; }
    bool Watching() const { return FChangeThread != nullptr; }
    TTimer* Timer() { return &FTimer; }
    TTimerMode TimerMode() const { return FTimerMode; }
    // The machine's drives as the watches see them (tests give their own).
    TPTDriveSource Drives;
    // The hover that opens a node during a drag, and its clock (tests set their own).
    TPTDragHover DragHover;
    DWORD(WINAPI* HoverClock)() = &GetTickCount;
    // The shell menu (tests choose the menu's commands through it).
    TPTShellMenu* ShellMenu() { return FMenu.get(); }
    // The registered drop target (null before the first registration).
    TPTShellDropTarget* DropTarget() const { return FDropRegistration.Target(); }

    // Runs a verb ("copy", "delete" ...) on a node: false when its menu has no such command.
    bool RunVerbOnNode(TTreeNode* Node, const WideString& Verb);
    // The data object of a node (empty for a node without data) and the effects it allows.
    TComPtr<TDataObject_shtv> NodeDataObject(TTreeNode* Node, DWORD& AllowedEffects);

    TPTShellTreeAddItemEvent OnAddItem;
    TTVExpandedEvent OnNodeAdded;
    TPTShellTreeDeleteItemEvent OnDeleteItem;
    TPTShellListPopupHintEvent OnPopupHint;
    TPTShellTreeEditedEvent OnEditedW;
    TPTShellTreeBeforeMenuEvent OnBeforeShellMenuPopup;
    TPTShellTreeAfterMenuEvent OnAfterShellMenuSelection;
    TPTShellListOleDragEvent OnOleDrag, OnOleDrop;
    TPTShellListOleDragStartEvent OnOleDragStart;
    TPTShellListOleDragCompleteEvent OnOleDragComplete;

    void WndProc(TMessage& Message) override;

    // TPTShellLinkedControl
    TPTShellLocator* LinkedFolder() override { return &FFolder; }
    void LinkedGoUp(int Levels) override;
    void LinkedDoPendingRefresh() override;
    void LinkedListChanged(TPTCustomShellList* List) override;
    void LinkedComboChanged(TComponent* Combo) override;

    // TTreeView
    bool CanExpand(TTreeNode* Node) override;

protected:
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TTreeNode* CreateNode() override;
    void DoDeletion(TTreeNode* Node) override;
    // No events while the tree itself goes.
    bool WantsDeletion() override {
        return !IsDestroying() && (OnDeleteItem || TPTCustomTreeView::WantsDeletion());
    }
    void CNNotify(TMessage& Message) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    int NodeImageIndex(TTreeNode* Node, bool Selected) override;
    void DoContextMenu(TTreeNode* Node, POINT ClientPoint) override;

    // Whether an enumerated item becomes a node (attributes asked here).
    virtual bool IncludeItem(IShellFolder* Folder, PCItemIDList AbsParent, PCItemIDList RelPidl, ULONG& Attributes);
    virtual void DeviceChanged(WPARAM Event);
    virtual void DoBeforeShellMenuPopup(HMENU& Menu, TTreeNode* Node, int NextCustomMenuId, bool& CancelMenu);
    virtual void DoAfterShellMenuSelection(TTreeNode* Node, int SelectedMenuId, bool& AllowDefault);

    // TPTDropTargetHost
    const void* DropItemAt(POINT ClientPoint) override;
    TComPtr<IDropTarget> DropTargetFor(const void* Item) override;
    POINT DropScreenToClient(POINT ScreenPoint) override { return ScreenToClient(ScreenPoint); }
    RECT DropClientRect() override { return ClientRect(); }
    void DropScroll(int DX, int DY) override;
    void DropEvent(bool IsDrop, IDataObject* Data, DWORD KeyState, POINT Point, DWORD& Effect,
                   HRESULT& Result) override;
    void DropBusy(bool On) override;
    void DropDone() override;
    void DropHover(POINT ClientPoint, const void* Item) override;

    // TPTShellMenuHost
    HWND ShellMenuOwner() override { return Handle(); }
    void ShellMenuBeforePopup(TPersistent* Item, HMENU& Menu, int NextCustomMenuId, bool& Show) override;
    void ShellMenuAfterSelection(TPersistent* Item, int Id, bool& AllowDefault) override;
    void ShellMenuRename(TPersistent* Item) override;
    void ShellMenuCommandDone(TPersistent* Item) override { Refresh(); }
    void ShellMenuCustomCommand(int Id) override { FMenu->SendTo(Id); }
    void ShellMenuHint(const WideString& Hint) override;
    TComPtr<IDataObject> ShellMenuData(DWORD& AllowedEffects) override;

private:
    void RootChanged();
    void FolderChanged();
    TTreeNode* MakeRootNode();
    // The enumeration of a folder's children as the tree shows them; false when it cannot
    // start or ends early for a reason that is not worth a word.
    bool EnumerateChildren(IShellFolder* Folder, std::vector<PItemIDList>& Pidls);
    void RefreshNode(TTreeNode* Node, TTreeNode*& Selected);
    void SortChildren(TTreeNode* Node);
    // Selects Node by code (not a user's choice): the folder follows at once.
    void SelectByCode(TTreeNode* Node);
    void SelectionChanged(TTreeNode* Node, bool ByUser);
    // The selection has settled: Folder, the linked list and the linked combo follow.
    void SelectionSettled();
    void SetFolderQuietly(PCItemIDList Pidl);
    void StartTimer(TTimerMode Mode, int Interval);
    // Stops the timer when it runs for Mode (tmIdle: for anything).
    void StopTimer(TTimerMode Mode);
    void TimerTick();
    void ChangeNotice();
    void RenewDriveWatches(bool Force);
    void StopWatching();
    void UpdateDropTarget();
    void EndRename(TTreeNode* Node, const WideString& Text);
    void HandleKeyCommand(WORD Key, TShiftState Shift, bool& Handled);
    void StartOleDrag(TTreeNode* Node, TMouseButton Button);
    void ShowShellMenu(TTreeNode* Node, POINT ClientPoint);

    TPTShellLocator FRoot;
    TPTShellLocator FFolder;
    TPTShellTreeOptions FOptions = PTShellTreeDefaultOptions;
    TPTCustomShellList* FLinkedList = nullptr;
    TPTCustomShellCombo* FLinkedCombo = nullptr;
    TTimer FTimer;
    TTimerMode FTimerMode = tmIdle;
    TChangeHandlerThread::TPtr FChangeThread;
    bool FWatchWanted = false;
    DWORD FDriveSet = 0;      // the watchable drives when the watches were placed
    DWORD FWatchedDrives = 0; // those whose watch was placed
    TCustomImageList FImages;
    TPTDropRegistration FDropRegistration{this};
    bool FDragActive = false;
    bool FRefreshPending = false;
    bool FFillPending = false; // a fill was asked for without a window or during a drag
    bool FRenamePending = false;
    int FUpdateGuard = 0;
    TTreeNode* FMenuNode = nullptr;   // the node whose shell menu is shown
    std::unique_ptr<TPTHourGlass> FDropHourGlass;
    int FSelectingByCode = 0;
    int FHoldSelection = 0; // nodes come and go: selection changes are not followed
    std::unique_ptr<TPTShellMenu> FMenu;
};

class TPTShellTree : public TPTCustomShellTree {
public:
    VORLANE_CLASS_NAME(TPTShellTree)
    using TPTCustomShellTree::TPTCustomShellTree;
};
