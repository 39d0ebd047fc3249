// The table of contents on the wide tree view.
#include "UTocTreeView.h"

#include "TntComCtrls.h"

namespace {

constexpr intptr_t NoRecord = -1;

void* DataValue(intptr_t Data) { return reinterpret_cast<void*>(Data); }

} // namespace

TTocTreeView::TTocTreeView(TTntCustomTreeView* ATree) : FTree(ATree) {}

TTocNode TTocTreeView::AddChild(TTocNode Parent, const std::wstring& Text, intptr_t Data) {
    return RefOf(FTree->Items()->AddChildObject(NodeOf(Parent), Text, DataValue(Data)));
}

void TTocTreeView::Delete(TTocNode Node) {
    if (Node) FTree->Items()->Delete(NodeOf(Node));
}

TTocNode TTocTreeView::GetParent(TTocNode Node) { return Node ? RefOf(NodeOf(Node)->Parent()) : nullptr; }

TTocNode TTocTreeView::GetFirstChild(TTocNode Node) {
    return RefOf(Node ? NodeOf(Node)->GetFirstChild() : FTree->Items()->GetFirstNode());
}

TTocNode TTocTreeView::GetNextSibling(TTocNode Node) {
    return Node ? RefOf(NodeOf(Node)->getNextSibling()) : nullptr;
}

int TTocTreeView::ChildCount(TTocNode Node) {
    return Node ? NodeOf(Node)->Count() : FTree->Items()->TopLevelCount();
}

bool TTocTreeView::HasChildren(TTocNode Node) { return Node && NodeOf(Node)->HasChildren(); }

void TTocTreeView::SetHasChildren(TTocNode Node, bool Value) {
    if (Node) NodeOf(Node)->SetHasChildren(Value);
}

bool TTocTreeView::Expanded(TTocNode Node) { return Node && NodeOf(Node)->Count() > 0 && NodeOf(Node)->Expanded(); }

std::wstring TTocTreeView::GetText(TTocNode Node) { return Node ? NodeOf(Node)->Text() : std::wstring(); }

intptr_t TTocTreeView::GetData(TTocNode Node) {
    return Node ? reinterpret_cast<intptr_t>(NodeOf(Node)->Data()) : NoRecord;
}

int TTocTreeView::GetImageIndex(TTocNode Node) { return Node ? NodeOf(Node)->ImageIndex() : -1; }

void TTocTreeView::SetImageIndex(TTocNode Node, int Index) {
    if (!Node) return;
    NodeOf(Node)->SetImageIndex(Index);
    NodeOf(Node)->SetSelectedIndex(Index);
}

void TTocTreeView::BeginUpdate() { FTree->Items()->BeginUpdate(); }

void TTocTreeView::EndUpdate() { FTree->Items()->EndUpdate(); }

void TTocTreeView::SetExpanded(TTocNode Node, bool Value) {
    if (Node) NodeOf(Node)->SetExpanded(Value);
}

void TTocTreeView::Clear() { FTree->Items()->Clear(); }
