#include "TntComCtrls.h"

namespace {

// The set's wide hint for every control of this unit.
void PrepareHint(TMessage& Message) {
    if (Message.Msg == CM_HINTSHOW && Message.LParam)
        PrepareWideHintInfo(*reinterpret_cast<THintInfo*>(Message.LParam));
}

} // namespace

// ---------------------------------------------------------------------------------
// TWideSubItems

WideString TWideSubItems::Get(int Index) const { return FOwner->SubItem(Index); }
int TWideSubItems::GetCount() const { return FOwner->SubItemCount(); }
TObject* TWideSubItems::GetObject(int Index) const { return FOwner->SubItemObject(Index); }
void TWideSubItems::Put(int Index, const WideString& S) { FOwner->SetSubItem(Index, S); }
void TWideSubItems::PutObject(int Index, TObject* AObject) { FOwner->SetSubItemObject(Index, AObject); }
void TWideSubItems::Clear() { FOwner->ClearSubItems(); }
void TWideSubItems::Delete(int Index) { FOwner->DeleteSubItem(Index); }
void TWideSubItems::Insert(int Index, const WideString& S) { FOwner->InsertSubItem(Index, S); }

void TWideSubItems::InsertObject(int Index, const WideString& S, TObject* AObject) {
    FOwner->InsertSubItem(Index, S, AObject);
}

void TWideSubItems::SetUpdateState(bool Updating) {
    TCustomListView* lv = FOwner->ListView();
    if (!lv || !FOwner->Owner() || FOwner->Owner()->IndexOf(FOwner) < 0)
        return; // the temporary item of an owner-data list
    if (Updating)
        lv->Items()->BeginUpdate();
    else
        lv->Items()->EndUpdate();
}

// ---------------------------------------------------------------------------------
// TTntListItem, TTntCustomListView

TTntListItem::TTntListItem(TListItems* AOwner) : TListItem(AOwner) {}

TTntListItem::~TTntListItem() = default;

TWideSubItems* TTntListItem::SubItems() {
    if (!FSubItems)
        FSubItems = std::make_unique<TWideSubItems>(this);
    return FSubItems.get();
}

void TTntCustomListView::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle_ComCtl(this, Params, WC_LISTVIEWW);
}

TListItems* TTntCustomListView::CreateListItems() { return new TTntListItems(this); }

TListItem* TTntCustomListView::CreateListItem() {
    TListItemClass itemClass = &MakeListItem<TTntListItem>;
    if (OnCreateItemClass)
        OnCreateItemClass(this, itemClass);
    std::unique_ptr<TListItem> item(itemClass(TCustomListView::Items()));
    if (!dynamic_cast<TTntListItem*>(item.get()))
        throw ETntInternalError(L"Internal Error: OnCreateItemClass.ItemClass must inherit from TTntListItem.");
    return item.release();
}

TListColumn* TTntCustomListView::CreateListColumn() { return new TTntListColumn(this); }

void TTntCustomListView::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomListView::WndProc(Message);
}

// ---------------------------------------------------------------------------------
// TTntCustomTreeView

void TTntCustomTreeView::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle_ComCtl(this, Params, WC_TREEVIEWW);
}

TTreeNodes* TTntCustomTreeView::CreateNodes() { return new TTntTreeNodes(this); }

TTreeNode* TTntCustomTreeView::CreateNode() {
    TTreeNodeClass nodeClass = &MakeTreeNode<TTntTreeNode>;
    if (OnCreateNodeClass)
        OnCreateNodeClass(this, nodeClass);
    std::unique_ptr<TTreeNode> node(nodeClass(TCustomTreeView::Items()));
    if (!dynamic_cast<TTntTreeNode*>(node.get()))
        throw ETntInternalError(L"Internal Error: OnCreateNodeClass.ItemClass must inherit from TTntTreeNode.");
    return node.release();
}

void TTntCustomTreeView::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomTreeView::WndProc(Message);
}

// ---------------------------------------------------------------------------------
// Status bar, tool bar, page control, progress bar

void TTntCustomStatusBar::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle_ComCtl(this, Params, STATUSCLASSNAMEW);
}

void TTntCustomStatusBar::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomStatusBar::WndProc(Message);
}

void TTntToolButton::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TToolButton::WndProc(Message);
}

void TTntToolBar::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle_ComCtl(this, Params, TOOLBARCLASSNAMEW);
}

void TTntToolBar::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TToolBar::WndProc(Message);
}

void TTntTabSheet::CreateWindowHandle(const TCreateParams& Params) { CreateUnicodeHandle(this, Params, L""); }

void TTntTabSheet::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TTabSheet::WndProc(Message);
}

void TTntPageControl::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle_ComCtl(this, Params, WC_TABCONTROLW);
}

void TTntPageControl::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TPageControl::WndProc(Message);
}

void TTntProgressBar::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle_ComCtl(this, Params, PROGRESS_CLASSW);
}

void TTntProgressBar::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TProgressBar::WndProc(Message);
}

void TTntTrackBar::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle_ComCtl(this, Params, TRACKBAR_CLASSW);
}

void TTntTrackBar::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TTrackBar::WndProc(Message);
}

// ---------------------------------------------------------------------------------
// Rich edit

WideString TTntRichEditStrings::Get(int Index) const { return FRichEdit->Line(Index); }
int TTntRichEditStrings::GetCount() const { return FRichEdit->LineCount(); }
WideString TTntRichEditStrings::GetTextStr() const { return FRichEdit->GetText(); }
void TTntRichEditStrings::Put(int Index, const WideString& S) { FRichEdit->SetLine(Index, S); }
void TTntRichEditStrings::SetTextStr(const WideString& Value) { FRichEdit->SetText(Value); }
void TTntRichEditStrings::Clear() { FRichEdit->SetText(L""); }
void TTntRichEditStrings::Delete(int Index) { FRichEdit->DeleteLine(Index); }
void TTntRichEditStrings::Insert(int Index, const WideString& S) { FRichEdit->InsertLine(Index, S); }

void TTntRichEditStrings::SetUpdateState(bool Updating) {
    if (FRichEdit->HandleAllocated()) {
        SendMessageW(FRichEdit->Handle(), WM_SETREDRAW, Updating ? FALSE : TRUE, 0);
        if (!Updating)
            InvalidateRect(FRichEdit->Handle(), nullptr, TRUE);
    }
}

void TTntRichEditStrings::AddStrings(const TWideStrings* Strings) {
    TNotifyEvent saved = FRichEdit->OnChange;
    FRichEdit->OnChange = nullptr;
    try {
        TTntStrings::AddStrings(Strings);
    } catch (...) {
        FRichEdit->OnChange = saved;
        throw;
    }
    FRichEdit->OnChange = saved;
}

void TTntRichEditStrings::LoadFromStream(TStream* Stream) {
    if (FRichEdit->PlainText)
        TTntStrings::LoadFromStream(Stream);
    else
        FRichEdit->LoadFromStream(Stream);
}

void TTntRichEditStrings::SaveToStream(TStream* Stream) {
    if (FRichEdit->PlainText)
        TTntStrings::SaveToStream(Stream);
    else
        FRichEdit->SaveToStream(Stream);
}

void TTntRichEditStrings::LoadFromFile(const WideString& FileName) {
    if (FRichEdit->PlainText) {
        TTntStrings::LoadFromFile(FileName);
        return;
    }
    TTntFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    FRichEdit->LoadFromStream(&stream);
}

void TTntRichEditStrings::SaveToFile(const WideString& FileName) {
    if (FRichEdit->PlainText) {
        TTntStrings::SaveToFile(FileName);
        return;
    }
    TTntFileStream stream(FileName, fmCreate);
    FRichEdit->SaveToStream(&stream);
}

TTntCustomRichEdit::TTntCustomRichEdit(TComponent* AOwner)
    : TCustomRichEdit(AOwner), FLines(std::make_unique<TTntRichEditStrings>(this)) {}

TTntCustomRichEdit::~TTntCustomRichEdit() = default;

void TTntCustomRichEdit::CreateWindowHandle(const TCreateParams& Params) {
    CreateUnicodeHandle(this, Params, RICHEDIT_CLASSW);
}

void TTntCustomRichEdit::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomRichEdit::WndProc(Message);
}
