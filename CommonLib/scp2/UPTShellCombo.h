// The shell folder combo: a drop-down list of shell folders drawn as an indented tree, like
// the folder box of a file dialog: the desktop, its folders (the computer's drives below
// the computer) and the path down to the current folder, each with its small icon. It is
// linked to a shell list (or a shell tree) and keeps the linked control's folder and its
// own in step both ways. The bookmarks page places one above its shell list.
#pragma once

#include "UPTImageCombo.h"
#include "UPTShellList.h"
#include "UPTShellLocator.h"

#include <memory>

// What a combo item stands for.
class TPTShComboData {
public:
    TPTShComboData(IShellFolder* ParentFolder, PCItemIDList ParentPidl, PItemIDList RelPidl);
    // The parent's folder (the desktop for the desktop's children).
    IShellFolder* ParentFolder() const { return FParentFolder.Get(); }
    // The parent's absolute PIDL (nil for the desktop's children), the item's own single
    // level, and both together.
    PCItemIDList ParentPidl() const { return FParentPidl.Get(); }
    PCItemIDList RelPidl() const { return FRelPidl.Get(); }
    PCItemIDList AbsPidl() const { return FAbsPidl.Get(); }

private:
    TComPtr<IShellFolder> FParentFolder;
    TPTPidl FParentPidl;
    TPTPidl FRelPidl;
    TPTPidl FAbsPidl;
};

// One line: the image combo's item with its shell data (owned).
class TPTShComboItem : public TPTImageComboItem {
public:
    VORLANE_CLASS_NAME(TPTShComboItem)
    TPTShComboData* Data() const { return FData.get(); }
    void SetData(std::unique_ptr<TPTShComboData> Data) { FData = std::move(Data); }

private:
    std::unique_ptr<TPTShComboData> FData;
};

enum TPTShellComboOption : unsigned {
    ptscoAutofill = 1u << 0,
    ptscoNonFilesystemAncestors = 1u << 1,
    ptscoDeferredFill = 1u << 2,
};
using TPTShellComboOptions = unsigned;
constexpr TPTShellComboOptions PTShellComboDefaultOptions = 7;

// The drop-down count that fills the room below a combo: (screen height - the combo's
// bottom edge on screen - 1) div the item height, at least 1.
int PTAutoDropDownCount(int ScreenHeight, int ComboBottom, int ItemHeight);

class TPTCustomShellCombo : public TPTCustomImageCombo, public TPTShellLinkedControl {
public:
    VORLANE_CLASS_NAME(TPTCustomShellCombo)
    // Posted to itself after the window is made: the first fill and the hand-over to the list.
    static constexpr UINT WM_PTCOMBOFILL = WM_USER + 104;

    explicit TPTCustomShellCombo(TComponent* AOwner);
    ~TPTCustomShellCombo() override;

    // The current folder.
    TPTShellLocator* Folder() { return &FFolder; }
    TPTShellLocator* GetFolder() { return &FFolder; }
    TPTShellComboOptions Options() const { return FOptions; }
    void SetOptions(TPTShellComboOptions Value) { FOptions = Value; }
    // The drop-down count follows the room below the combo on the screen.
    bool AutoDropDownCount() const { return FAutoDropDownCount; }
    void SetAutoDropDownCount(bool Value) { FAutoDropDownCount = Value; }
    // The whole tree has been built once (deferred filling).
    bool Filled() const { return FFilled; }

    // At most one of them: linking one while the other is linked is ignored.
    TPTCustomShellList* ShellList() const { return FShellList; }
    void SetShellList(TPTCustomShellList* Value);
    TComponent* ShellTree() const { return FShellTree; }
    void SetShellTree(TComponent* Value);

    // Builds the items anew (only with a window).
    virtual void Fill();
    // Goes Levels up from the selected folder.
    void GoUp(int Levels);
    TPTShComboItem* GetComboItem(int Index) { return static_cast<TPTShComboItem*>(GetItem(Index)); }
    TPTShComboData* GetComboData(int Index);

    // The screen height AutoDropDownCount measures against (tests give a fixed one).
    std::function<int()> ScreenHeight;

    // TPTShellLinkedControl
    TPTShellLocator* LinkedFolder() override { return &FFolder; }
    void LinkedGoUp(int Levels) override { GoUp(Levels); }
    void LinkedListChanged(TPTCustomShellList* List) override;

    void WndProc(TMessage& Message) override;

protected:
    // Whether a folder is listed (true here).
    virtual bool AcceptItem(IShellFolder* ParentFolder, PCItemIDList ParentPidl, PCItemIDList RelPidl,
                            ULONG Attributes);
    // Completes an item's caption and icon when it is first drawn.
    virtual void GetItemData(TPTShComboItem* Item);
    virtual void FolderChanged();
    // The whole tree: the desktop, its folders and the path to the current folder.
    virtual void FillWithChildren(IShellFolder* Desktop);
    // Only the current folder (the first fill of a deferred combo).
    virtual void FillCurrentOnly();

    void CreateWnd() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TPTImageComboItem* NewItem() override;
    void DoGetItemData(TPTImageComboItem* Item) override;
    void Change() override;
    void DropDown() override;
    void DoSelEndOk() override;
    void DoSelEndCancel() override;

private:
    // Adds the folders of Folder (its absolute PIDL FolderPidl) one indent below Indent;
    // Target is the current folder's PIDL, Depth the number of its levels Folder has.
    void AddChildren(IShellFolder* Folder, PCItemIDList FolderPidl, int Indent, PCItemIDList Target, int Depth);
    TPTShComboItem* AddFolderItem(IShellFolder* ParentFolder, PCItemIDList ParentPidl, PItemIDList RelPidl,
                                  int Indent);
    void ApplySelection();
    void AfterCreation();

    TPTShellLocator FFolder;
    TPTCustomShellList* FShellList = nullptr;
    TComponent* FShellTree = nullptr;
    TPTShellComboOptions FOptions = PTShellComboDefaultOptions;
    bool FAutoDropDownCount = true;
    bool FFilled = false;
    bool FSelectionPending = false;
    int FUpdateGuard = 0;
    int FSelectIndex = -1;
    TCustomImageList FSmallImages;
};

class TPTShellCombo : public TPTCustomShellCombo {
public:
    VORLANE_CLASS_NAME(TPTShellCombo)
    using TPTCustomShellCombo::TPTCustomShellCombo;
};
