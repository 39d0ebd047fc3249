// The common controls of the Unicode set: list view, tree view, status bar, tool bar,
// page control, progress bar and rich edit, each on a Unicode window of its own class.
// The controls underneath are wide already, so the set's part is the Unicode window, the
// wide hint, the wide string-list views (sub-items, rich-edit lines) and the typed access
// to items and nodes of the set's own classes.
#pragma once

#include "ComCtrls.h"
#include "TntClasses.h"
#include "TntControls.h"
#include "TntSysUtils.h"

#include <functional>
#include <memory>

class TTntListItem;
class TTntTreeNode;

// ---------------------------------------------------------------------------------
// List view

// The sub-items of a list item as a wide string list: every change goes straight to the
// item (and from there to the window); the list keeps no copy.
class TWideSubItems : public TTntStrings {
public:
    VORLANE_CLASS_NAME(TWideSubItems)
    explicit TWideSubItems(TListItem* AOwner) : FOwner(AOwner) {}
    TListItem* Owner() const { return FOwner; }

    void Clear() override;
    void Delete(int Index) override;
    void Insert(int Index, const WideString& S) override;
    void InsertObject(int Index, const WideString& S, TObject* AObject) override;

protected:
    WideString Get(int Index) const override;
    int GetCount() const override;
    TObject* GetObject(int Index) const override;
    void Put(int Index, const WideString& S) override;
    void PutObject(int Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;

private:
    TListItem* FOwner;
};

class TTntListItem : public TListItem {
public:
    VORLANE_CLASS_NAME(TTntListItem)
    explicit TTntListItem(TListItems* AOwner);
    ~TTntListItem() override;
    TWideSubItems* SubItems();
    void SetSubItems(TWideStrings* Value) { SubItems()->Assign(Value); }

private:
    std::unique_ptr<TWideSubItems> FSubItems;
};

class TTntListItems : public TListItems {
public:
    VORLANE_CLASS_NAME(TTntListItems)
    using TListItems::TListItems;
    TTntListItem* Item(int Index) { return static_cast<TTntListItem*>(TListItems::Item(Index)); }
    TTntListItem* operator[](int Index) { return Item(Index); }
    TTntListItem* Add() { return static_cast<TTntListItem*>(TListItems::Add()); }
    TTntListItem* Insert(int Index) { return static_cast<TTntListItem*>(TListItems::Insert(Index)); }
};

class TTntListColumn : public TListColumn {
public:
    VORLANE_CLASS_NAME(TTntListColumn)
    using TListColumn::TListColumn;
};

class TTntListColumns : public TListColumns {
public:
    VORLANE_CLASS_NAME(TTntListColumns)
    using TListColumns::TListColumns;
    TTntListColumn* Items(int Index) const { return static_cast<TTntListColumn*>(TListColumns::Items(Index)); }
    TTntListColumn* operator[](int Index) const { return Items(Index); }
    TTntListColumn* Add() { return static_cast<TTntListColumn*>(TListColumns::Add()); }
};

// Makes an item of a list view's item class.
using TListItemClass = TListItem* (*)(TListItems* Owner);
template <class T>
TListItem* MakeListItem(TListItems* Owner) {
    return new T(Owner);
}
using TLVCreateItemClassEvent = std::function<void(TObject* Sender, TListItemClass& ItemClass)>;

class TTntCustomListView : public TCustomListView {
public:
    VORLANE_CLASS_NAME(TTntCustomListView)
    using TCustomListView::TCustomListView;

    TTntListItems* Items() { return static_cast<TTntListItems*>(TCustomListView::Items()); }
    TTntListColumns* Columns() { return static_cast<TTntListColumns*>(TCustomListView::Columns()); }
    TTntListItem* Selected() { return static_cast<TTntListItem*>(TCustomListView::Selected()); }
    void SetSelected(TListItem* Value) { TCustomListView::SetSelected(Value); }
    TTntListItem* ItemFocused() { return static_cast<TTntListItem*>(TCustomListView::ItemFocused()); }
    TTntListItem* GetItemAt(int X, int Y) { return static_cast<TTntListItem*>(TCustomListView::GetItemAt(X, Y)); }
    TTntListItem* TopItem() { return static_cast<TTntListItem*>(TCustomListView::TopItem()); }

    // Chooses the class of new items; it must descend from TTntListItem (ETntInternalError
    // "Internal Error: OnCreateItemClass.ItemClass must inherit from TTntListItem.").
    TLVCreateItemClassEvent OnCreateItemClass;

    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    TListItems* CreateListItems() override;
    TListItem* CreateListItem() override;
    TListColumn* CreateListColumn() override;
};

class TTntListView : public TTntCustomListView {
public:
    VORLANE_CLASS_NAME(TTntListView)
    using TTntCustomListView::TTntCustomListView;
};

// ---------------------------------------------------------------------------------
// Tree view

class TTntTreeNode : public TTreeNode {
public:
    VORLANE_CLASS_NAME(TTntTreeNode)
    using TTreeNode::TTreeNode;
    TTntTreeNode* Item(int Index) const { return static_cast<TTntTreeNode*>(TTreeNode::Item(Index)); }
    TTntTreeNode* Parent() const { return static_cast<TTntTreeNode*>(TTreeNode::Parent()); }
    TTntTreeNode* GetParent() const { return Parent(); }
    TTntTreeNode* GetFirstChild() const { return static_cast<TTntTreeNode*>(TTreeNode::GetFirstChild()); }
    TTntTreeNode* GetLastChild() const { return static_cast<TTntTreeNode*>(TTreeNode::GetLastChild()); }
    TTntTreeNode* GetNext() const { return static_cast<TTntTreeNode*>(TTreeNode::GetNext()); }
    TTntTreeNode* GetPrev() const { return static_cast<TTntTreeNode*>(TTreeNode::GetPrev()); }
    TTntTreeNode* getNextSibling() const { return static_cast<TTntTreeNode*>(TTreeNode::getNextSibling()); }
    TTntTreeNode* getPrevSibling() const { return static_cast<TTntTreeNode*>(TTreeNode::getPrevSibling()); }
    TTntTreeNode* GetNextVisible() const { return static_cast<TTntTreeNode*>(TTreeNode::GetNextVisible()); }
    TTntTreeNode* GetPrevVisible() const { return static_cast<TTntTreeNode*>(TTreeNode::GetPrevVisible()); }
};

class TTntTreeNodes : public TTreeNodes {
public:
    VORLANE_CLASS_NAME(TTntTreeNodes)
    using TTreeNodes::TTreeNodes;
    TTntTreeNode* Item(int Index) { return Cast(TTreeNodes::Item(Index)); }
    TTntTreeNode* operator[](int Index) { return Item(Index); }
    TTntTreeNode* GetFirstNode() const { return Cast(TTreeNodes::GetFirstNode()); }
    TTntTreeNode* Add(TTreeNode* Sibling, const WideString& S) { return Cast(TTreeNodes::Add(Sibling, S)); }
    TTntTreeNode* AddObject(TTreeNode* Sibling, const WideString& S, void* Ptr) {
        return Cast(TTreeNodes::AddObject(Sibling, S, Ptr));
    }
    TTntTreeNode* AddFirst(TTreeNode* Sibling, const WideString& S) { return Cast(TTreeNodes::AddFirst(Sibling, S)); }
    TTntTreeNode* AddChild(TTreeNode* Parent, const WideString& S) { return Cast(TTreeNodes::AddChild(Parent, S)); }
    TTntTreeNode* AddChildObject(TTreeNode* Parent, const WideString& S, void* Ptr) {
        return Cast(TTreeNodes::AddChildObject(Parent, S, Ptr));
    }
    TTntTreeNode* AddChildFirst(TTreeNode* Parent, const WideString& S) {
        return Cast(TTreeNodes::AddChildFirst(Parent, S));
    }
    TTntTreeNode* Insert(TTreeNode* Sibling, const WideString& S) { return Cast(TTreeNodes::Insert(Sibling, S)); }
    TTntTreeNode* InsertObject(TTreeNode* Sibling, const WideString& S, void* Ptr) {
        return Cast(TTreeNodes::InsertObject(Sibling, S, Ptr));
    }

private:
    static TTntTreeNode* Cast(TTreeNode* Node) { return static_cast<TTntTreeNode*>(Node); }
};

using TTreeNodeClass = TTreeNode* (*)(TTreeNodes* Owner);
template <class T>
TTreeNode* MakeTreeNode(TTreeNodes* Owner) {
    return new T(Owner);
}
using TTVCreateNodeClassEvent = std::function<void(TObject* Sender, TTreeNodeClass& NodeClass)>;

class TTntCustomTreeView : public TCustomTreeView {
public:
    VORLANE_CLASS_NAME(TTntCustomTreeView)
    using TCustomTreeView::TCustomTreeView;

    TTntTreeNodes* Items() { return static_cast<TTntTreeNodes*>(TCustomTreeView::Items()); }
    TTntTreeNode* Selected() { return static_cast<TTntTreeNode*>(TCustomTreeView::Selected()); }
    void SetSelected(TTreeNode* Value) { TCustomTreeView::SetSelected(Value); }
    TTntTreeNode* GetNodeAt(int X, int Y) { return static_cast<TTntTreeNode*>(TCustomTreeView::GetNodeAt(X, Y)); }
    TTntTreeNode* TopItem() { return static_cast<TTntTreeNode*>(TCustomTreeView::TopItem()); }

    // Chooses the class of new nodes; it must descend from TTntTreeNode (ETntInternalError
    // "Internal Error: OnCreateNodeClass.ItemClass must inherit from TTntTreeNode.").
    TTVCreateNodeClassEvent OnCreateNodeClass;

    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    TTreeNodes* CreateNodes() override;
    TTreeNode* CreateNode() override;
};

class TTntTreeView : public TTntCustomTreeView {
public:
    VORLANE_CLASS_NAME(TTntTreeView)
    using TTntCustomTreeView::TTntCustomTreeView;
};

// ---------------------------------------------------------------------------------
// Status bar

class TTntStatusPanel : public TStatusPanel {
public:
    VORLANE_CLASS_NAME(TTntStatusPanel)
    using TStatusPanel::TStatusPanel;
};

class TTntStatusPanels : public TStatusPanels {
public:
    VORLANE_CLASS_NAME(TTntStatusPanels)
    using TStatusPanels::TStatusPanels;
    TTntStatusPanel* Items(int Index) const { return static_cast<TTntStatusPanel*>(TStatusPanels::Items(Index)); }
    TTntStatusPanel* operator[](int Index) const { return Items(Index); }
    TTntStatusPanel* Add() { return static_cast<TTntStatusPanel*>(TStatusPanels::Add()); }

protected:
    TStatusPanel* CreatePanel() override { return new TTntStatusPanel(this); }
};

class TTntCustomStatusBar : public TCustomStatusBar {
public:
    VORLANE_CLASS_NAME(TTntCustomStatusBar)
    using TCustomStatusBar::TCustomStatusBar;
    TTntStatusPanels* Panels() { return static_cast<TTntStatusPanels*>(TCustomStatusBar::Panels()); }
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    TStatusPanels* CreatePanels() override { return new TTntStatusPanels(this); }
};

class TTntStatusBar : public TTntCustomStatusBar {
public:
    VORLANE_CLASS_NAME(TTntStatusBar)
    using TTntCustomStatusBar::TTntCustomStatusBar;
};

// ---------------------------------------------------------------------------------
// Tool bar, page control, progress bar

class TTntToolButton : public TToolButton {
public:
    VORLANE_CLASS_NAME(TTntToolButton)
    using TToolButton::TToolButton;
    void WndProc(TMessage& Message) override;
};

class TTntToolBar : public TToolBar {
public:
    VORLANE_CLASS_NAME(TTntToolBar)
    using TToolBar::TToolBar;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntTabSheet : public TTabSheet {
public:
    VORLANE_CLASS_NAME(TTntTabSheet)
    using TTabSheet::TTabSheet;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntPageControl : public TPageControl {
public:
    VORLANE_CLASS_NAME(TTntPageControl)
    using TPageControl::TPageControl;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntProgressBar : public TProgressBar {
public:
    VORLANE_CLASS_NAME(TTntProgressBar)
    using TProgressBar::TProgressBar;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

class TTntTrackBar : public TTrackBar {
public:
    VORLANE_CLASS_NAME(TTntTrackBar)
    using TTrackBar::TTrackBar;
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
};

// ---------------------------------------------------------------------------------
// Rich edit

// The lines of a rich edit as a wide string list (read from and written to the window).
// Streams and files hold rich text format unless the rich edit's PlainText is set; then
// they are text files of the wide string list.
class TTntRichEditStrings : public TTntStrings {
public:
    VORLANE_CLASS_NAME(TTntRichEditStrings)
    explicit TTntRichEditStrings(TCustomRichEdit* RichEdit) : FRichEdit(RichEdit) {}

    void Clear() override;
    void Delete(int Index) override;
    void Insert(int Index, const WideString& S) override;
    // Runs with the rich edit's OnChange detached.
    void AddStrings(const TWideStrings* Strings) override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void LoadFromFile(const WideString& FileName) override;
    void SaveToFile(const WideString& FileName) override;

protected:
    WideString Get(int Index) const override;
    int GetCount() const override;
    WideString GetTextStr() const override;
    void Put(int Index, const WideString& S) override;
    // Runs with the window's change notices off.
    void SetTextStr(const WideString& Value) override;
    void SetUpdateState(bool Updating) override;

private:
    TCustomRichEdit* FRichEdit;
};

class TTntCustomRichEdit : public TCustomRichEdit {
public:
    VORLANE_CLASS_NAME(TTntCustomRichEdit)
    explicit TTntCustomRichEdit(TComponent* AOwner);
    ~TTntCustomRichEdit() override;
    TTntRichEditStrings* Lines() const { return FLines.get(); }
    void SetLines(TWideStrings* Value) { FLines->Assign(Value); }
    void WndProc(TMessage& Message) override;

protected:
    void CreateWindowHandle(const TCreateParams& Params) override;
    std::unique_ptr<TTntRichEditStrings> FLines;
};

class TTntRichEdit : public TTntCustomRichEdit {
public:
    VORLANE_CLASS_NAME(TTntRichEdit)
    using TTntCustomRichEdit::TTntCustomRichEdit;
};
