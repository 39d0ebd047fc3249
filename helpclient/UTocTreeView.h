// The table of contents on the main window's wide tree view: the tree the model fills.
#pragma once

#include "UTocData.h"

#include <string>

class TTntCustomTreeView;
class TTreeNode;

// Node texts, record indexes (as the nodes' data), images and expansion of a wide tree
// view. The tree view is not owned and must outlive this object; model nodes are the
// tree's own nodes.
class TTocTreeView : public TTocTree {
public:
    explicit TTocTreeView(TTntCustomTreeView* ATree);

    TTocNode AddChild(TTocNode Parent, const std::wstring& Text, intptr_t Data) override;
    void Delete(TTocNode Node) override;
    TTocNode GetParent(TTocNode Node) override;
    TTocNode GetFirstChild(TTocNode Node) override;
    TTocNode GetNextSibling(TTocNode Node) override;
    int ChildCount(TTocNode Node) override;
    bool HasChildren(TTocNode Node) override;
    // The window's own item carries no mark: it asks the node whenever it draws the button.
    void SetHasChildren(TTocNode Node, bool Value) override;
    // A node without child nodes counts as closed (the window is not asked).
    bool Expanded(TTocNode Node) override;
    std::wstring GetText(TTocNode Node) override;
    intptr_t GetData(TTocNode Node) override;
    int GetImageIndex(TTocNode Node) override;
    // The selected image follows the node's image.
    void SetImageIndex(TTocNode Node, int Index) override;
    void BeginUpdate() override;
    void EndUpdate() override;

    void SetExpanded(TTocNode Node, bool Value);
    // Deletes every node.
    void Clear();

    TTntCustomTreeView* Tree() const { return FTree; }
    static TTreeNode* NodeOf(TTocNode Node) { return reinterpret_cast<TTreeNode*>(Node); }
    static TTocNode RefOf(TTreeNode* Node) { return reinterpret_cast<TTocNode>(Node); }

private:
    TTntCustomTreeView* FTree;
};
