// The shell folder list: a list view showing the children of one shell folder the way the
// desktop's file manager does (system icons, in-folder names, detail columns, shell context
// menus, renaming in place, default keys, OLE drag and drop) and refreshing itself when the
// folder changes on disk. TPTCustomShellList holds the behaviour, TPTShellList is the
// control placed on forms (the bookmarks page holds one, driven by a shell combo).
//
// The viewer reads and sets the folder through Folder() (GetPath, GetPidl, SetPath) and
// reads the chosen file through GetSelectedData() (GetFileName, GetPath).
#pragma once

#include "Timers.h"
#include "UPTChangeHandlerThread.h"
#include "UPTShellDragDrop.h"
#include "UPTShellListSupport.h"
#include "UPTShellLocator.h"
#include "UPTShellMenu.h"
#include "UPTShellThumbnails.h"
#include "UPTTreeList.h"

#include <memory>
#include <vector>

class TPTCustomShellList;

// A shell tree or combo that drives a shell list: the list sets the control's folder when
// it opens a subfolder (the pair stays in step), asks it to go up, and lets it carry out a
// refresh it holds back before the list refreshes.
class TPTShellLinkedControl {
public:
    virtual TPTShellLocator* LinkedFolder() = 0;
    virtual void LinkedGoUp(int Levels) = 0;
    virtual void LinkedDoPendingRefresh() {}
    // The list now follows this control (null: no longer).
    virtual void LinkedListChanged(TPTCustomShellList* List) {}
    // A combo now follows this control, a tree (null: no longer).
    virtual void LinkedComboChanged(TComponent* Combo) {}

protected:
    ~TPTShellLinkedControl() = default;
};

// One row: the list item with its shell record (owned).
class TPTShListItem : public TListItem {
public:
    VORLANE_CLASS_NAME(TPTShListItem)
    using TListItem::TListItem;
    ~TPTShListItem() override;
    TPTShListData* ShListData() const { return FShListData; }
    // Takes Data (the old record goes).
    void SetShListData(TPTShListData* Data);
    // The picture of the thumbnail view (-1 until drawn).
    int ThumbnailIndex = -1;
    // The system image list's icon (-1 until asked for).
    int IconIndex = -1;

private:
    TPTShListData* FShListData = nullptr;
};

class TPTShListItems : public TListItems {
public:
    VORLANE_CLASS_NAME(TPTShListItems)
    using TListItems::TListItems;
    TPTShListItem* Item(int Index) { return static_cast<TPTShListItem*>(TListItems::Item(Index)); }
};

using TPTShellListAddItemEvent = std::function<void(TObject* Sender, IShellFolder* ParentShf, PCItemIDList ParentAbs,
                                                    PCItemIDList ItemRel, ULONG Attributes, bool& AllowAdd)>;
using TPTShellListDeleteItemEvent = std::function<void(TObject* Sender, TListItem* Item, TPTShListData* Data)>;
using TPTShellListPopupHintEvent = std::function<void(TObject* Sender, const WideString& Hint)>;
using TPTShellListDblClickOpenEvent = std::function<void(TObject* Sender, bool& Handled)>;
using TPTShellListEditedEvent = std::function<void(TObject* Sender, TListItem* Item, WideString& S)>;
// ACancelMenu enters true and the menu shows only while it stays true (false suppresses it).
using TPTShellListBeforeMenuEvent = std::function<void(TObject* Sender, HMENU& MenuHandle, TListItem* Item,
                                                       int NextCustomMenuId, bool& CancelMenu)>;
using TPTShellListAfterMenuEvent =
    std::function<void(TObject* Sender, TListItem* Item, int SelectedMenuId, bool& AllowDefaultBehaviour)>;
using TPTShellListOleDragEvent = std::function<void(TComponent* Sender, IDataObject* DataObj, DWORD KeyState,
                                                    POINT Point, DWORD& Effect, HRESULT& Result)>;
using TPTShellListOleDragStartEvent =
    std::function<void(TComponent* Sender, TMouseButton Button, IDataObject* DataObj, DWORD& AllowedEffects)>;
using TPTShellListOleDragCompleteEvent = std::function<void(TComponent* Sender, HRESULT DragResult, DWORD Effect)>;

class TPTCustomShellList : public TPTCustomListView,
                           public TPTShListDataOwner,
                           public TPTDropTargetHost,
                           public TPTShellMenuHost {
public:
    VORLANE_CLASS_NAME(TPTCustomShellList)
    // Private messages: a change notice of the watch thread, select SelectAfterFill, fill.
    static constexpr UINT WM_PTCHANGENOTIFY = WM_USER + 101;
    static constexpr UINT WM_PTSELECTAFTERFILL = WM_USER + 102;
    static constexpr UINT WM_PTFILL = WM_USER + 103;
    static constexpr int FocusedRefreshDelay = 400;
    static constexpr int UnfocusedRefreshDelay = 2000;
    static constexpr int RenameRefreshDelay = 1000;

    explicit TPTCustomShellList(TComponent* AOwner);
    ~TPTCustomShellList() override;

    TPTShListItems* Items() { return static_cast<TPTShListItems*>(TCustomListView::Items()); }

    // The shown folder. Setting it fills the list.
    TPTShellLocator* Folder() { return &FFolder; }
    // The shown folder as the last fill bound it, and its absolute PIDL.
    IShellFolder* FolderShf() const { return FFolderShf.Get(); }
    PCItemIDList FolderPidl() const { return FFolderPidl.Get(); }

    TPTShellListOptions Options() const { return FOptions; }
    void SetOptions(TPTShellListOptions Value);
    TPTShellViewStyle ViewStyle() const { return FShellViewStyle; }
    virtual void SetViewStyle(TPTShellViewStyle Value);
    // 0 unsorted, +n ascending by column n-1, -n descending.
    int SortColumn() const { return FSortColumn; }
    void SetSortColumn(int Column);
    // ';'-separated masks; empty shows everything.
    const WideString& FileFilter() const { return FFileFilter; }
    void SetFileFilter(const WideString& Value);
    TPTShellThumbnails* Thumbnails() { return &FThumbnails; }
    // Display name of an item to select when the next select message arrives.
    WideString SelectAfterFill;

    // The data of the selected item; null when none is selected or it has none.
    TPTShListData* GetSelectedData();
    TPTShListData* GetItemData(TListItem* Item);
    TPTShListData* GetItemDataAt(int Index);
    // Refreshes the header and shows the columns' captions (UTF-7 carriers decoded).
    void UpdateColumnCaptions();

    // Builds the items anew from the folder (only with a window).
    virtual void Fill();
    // Compares the items with the folder: those gone are deleted, new ones added, the rest
    // stay as they are.
    virtual void Refresh();
    virtual void GoUp(int Levels);
    // Opens the selected item(s): folders are entered, shortcuts to folders followed, the
    // rest run their default command (OnDblClickOpen first).
    void OpenSelected();
    // Sorts the items by SortColumn.
    void Sort();

    // Links (null-safe; at most one of them): the control that drives this list.
    TComponent* LinkedTree() const { return FLinkedTree; }
    TComponent* LinkedCombo() const { return FLinkedCombo; }
    // The control must implement TPTShellLinkedControl; a tree while a combo is linked (and
    // the other way round) is ignored.
    void SetLinkedTree(TComponent* Tree);
    void SetLinkedCombo(TComponent* Combo);

    bool DragActive() const { return FDragActive; }
    bool FillPending() const { return FFillPending; }
    bool Watching() const { return FChangeThread != nullptr; }
    // The refresh timer (waiting on a change notice or a rename).
    TTimer* RefreshTimer() { return &FRefreshTimer; }
    // The shell menu and its Send To items (tests choose the menu's commands through it).
    TPTShellMenu* ShellMenu() { return FMenu.get(); }

    TPTShellListAddItemEvent OnAddItem;
    TPTShellListDeleteItemEvent OnDeleteItem;
    TPTShellListPopupHintEvent OnPopupHint;
    TPTShellListDblClickOpenEvent OnDblClickOpen;
    TNotifyEvent OnFillStart, OnFillComplete, OnFolderChanged;
    TPTShellListEditedEvent OnEditedW;
    TPTShellListBeforeMenuEvent OnBeforeShellMenuPopup;
    TPTShellListAfterMenuEvent OnAfterShellMenuSelection;
    TPTShellListOleDragEvent OnOleDrag, OnOleDrop;
    TPTShellListOleDragStartEvent OnOleDragStart;
    TPTShellListOleDragCompleteEvent OnOleDragComplete;

    void WndProc(TMessage& Message) override;

    // TPTShListDataOwner
    IShellFolder* ShellListFolder() override { return FFolderShf.Get(); }
    PCItemIDList ShellListFolderPidl() override { return FFolderPidl.Get(); }
    bool ShellListFilesCanBeFolders() override { return (FOptions & ptsloFilesCanBeFolders) != 0; }

    // Runs a verb ("copy", "delete" ...) on the selected items: false when the menu has no
    // such command. Paste goes to the folder itself.
    bool RunVerbOnSelection(const WideString& Verb);
    bool RunFolderVerb(const WideString& Verb);
    // The selected items that carry data.
    std::vector<TPTShListItem*> SelectedItems();
    // Builds the data object of the selected items (null when none carries data) and the
    // effects all of them allow.
    TComPtr<TDataObject_shlv> SelectionDataObject(DWORD& AllowedEffects);

protected:
    void CreateWnd() override;
    void DestroyWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TListItems* CreateListItems() override;
    TListItem* CreateListItem() override;
    void DoDeletion(TListItem* Item) override;
    void DoGetDispInfo(NMLVDISPINFOW& Info) override;
    void CNNotify(TMessage& Message) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(wchar_t& Key) override;
    UINT StateCallbackMask() override;
    bool WantsItemTextColors() override;
    void ItemTextColor(TListItem* Item, UINT State, COLORREF& Color) override;
    void BeginItemDrag(TMouseButton Button, TListItem* Item, POINT Point) override;
    void DoContextMenu(TListItem* Item, POINT ClientPoint) override;

    // Whether an item of the folder is shown (attributes asked here).
    bool IncludeItem(IShellFolder* Folder, PCItemIDList AbsParent, PCItemIDList RelPidl, ULONG& Attributes);
    // The file filter and OnAddItem.
    virtual bool FilterItem(IShellFolder* Folder, PCItemIDList AbsParent, PCItemIDList RelPidl, ULONG Attributes);
    // A folder (by the folder rule) or a name that matches FileFilter.
    virtual bool MatchesFileFilter(const WideString& Name, ULONG Attributes);
    virtual void DeviceChanged(WPARAM Event);
    // Enumerates Folder and adds its items (the heart of Fill).
    virtual void Populate(IShellFolder* Folder, PCItemIDList Pidl);
    virtual void DoFillStart();
    virtual void DoFillComplete();
    virtual void DoFolderChanged();
    virtual void StartWatching();
    virtual void BeforeFill() {}
    virtual void AfterFill() {}
    virtual void DoBeforeShellMenuPopup(HMENU& Menu, TListItem* Item, int NextCustomMenuId, bool& CancelMenu);
    virtual void DoAfterShellMenuSelection(TListItem* Item, int SelectedMenuId, bool& AllowDefault);
    // A command id 1 to 99 of the shell menu was chosen (the Send To items).
    virtual void CustomMenuCommand(int Id);

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

    // TPTShellMenuHost
    HWND ShellMenuOwner() override { return Handle(); }
    void ShellMenuBeforePopup(TPersistent* Item, HMENU& Menu, int NextCustomMenuId, bool& Show) override;
    void ShellMenuAfterSelection(TPersistent* Item, int Id, bool& AllowDefault) override;
    void ShellMenuRename(TPersistent* Item) override;
    void ShellMenuCommandDone(TPersistent* Item) override;
    void ShellMenuCustomCommand(int Id) override { CustomMenuCommand(Id); }
    void ShellMenuHint(const WideString& Hint) override;
    TComPtr<IDataObject> ShellMenuData(DWORD& AllowedEffects) override;

private:
    void FolderChanged();
    void SetColumns();
    void SaveColumnWidths();
    void InsertItem(PItemIDList RelPidl, ULONG Attributes);
    // The enumeration of the shown folder's children (relative PIDLs).
    bool EnumerateChildren(IShellFolder* Folder, std::vector<PItemIDList>& Pidls);
    SHCONTF EnumFlags() const;
    void ChangeNotice();
    void RefreshTimerTick();
    void StopWatching();
    void UpdateDropTarget();
    void ApplyViewStyle();
    void RebuildThumbnails();
    TPTShellLinkedControl* Linked() const;
    void Relink(TComponent*& Slot, TComponent* Control);
    void MoveToFolder(PCItemIDList Pidl);
    void ShowShellMenu(TListItem* Item, POINT ClientPoint, bool Background);
    void EndRename(TListItem* Item, const WideString& Text);
    void SelectNamed(const WideString& Name);
    void HandleKeyCommand(WORD Key, TShiftState Shift, bool& Handled);
    void StartOleDrag(TMouseButton Button);
    // The default command of the items' menu.
    void RunDefaultCommand(const std::vector<TPTShListItem*>& Items);
    void CutSelection();

    TPTShellLocator FFolder;
    TComPtr<IShellFolder> FFolderShf;
    TPTPidl FFolderPidl;
    TComPtr<IShellDetails> FDetails;
    std::vector<int> FColumnMap; // shown column -> the folder's detail column
    TPTShellThumbnails FThumbnails;
    TPTShellListOptions FOptions = PTShellListDefaultOptions;
    TPTShellViewStyle FShellViewStyle = svsReport;
    int FSortColumn = 0;
    WideString FFileFilter;
    TComponent* FLinkedTree = nullptr;
    TComponent* FLinkedCombo = nullptr;
    TTimer FRefreshTimer;
    TChangeHandlerThread::TPtr FChangeThread;
    bool FWatchWanted = false; // watching was started and should survive a new window
    TCustomImageList FSmallImages, FLargeImages;
    std::unique_ptr<TPTImageListNoChangeEvent> FThumbnailImages;
    TPTDropRegistration FDropRegistration{this};
    bool FFillPending = false;
    bool FDragActive = false;
    bool FDropReceived = false;
    bool FRenamePending = false;
    int FUpdateGuard = 0;
    std::unique_ptr<TPTShellMenu> FMenu;
};

class TPTShellList : public TPTCustomShellList {
public:
    VORLANE_CLASS_NAME(TPTShellList)
    using TPTCustomShellList::TPTCustomShellList;
};
