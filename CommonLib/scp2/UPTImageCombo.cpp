#include "UPTImageCombo.h"

#include "Forms.h"
#include "UPTUnicode.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

// ------------------------------------------------------------------ TPTCustomCombobox

void TPTCustomCombobox::WndProc(TMessage& Message) {
    if (Message.Msg == CN_COMMAND) {
        switch (HIWORD(Message.WParam)) {
        case CBN_SELENDOK:
            DoSelEndOk();
            Message.Result = 0;
            return;
        case CBN_SELENDCANCEL:
            DoSelEndCancel();
            Message.Result = 0;
            return;
        }
    }
    TCustomComboBox::WndProc(Message);
}

void TPTCustomCombobox::ItemDeleted(int Index, TObject* Object) {
    if (Object)
        DoDeleteItem(Object);
}

void TPTCustomCombobox::DoDeleteItem(TObject* Data) {
    if (OnDeleteItem)
        OnDeleteItem(this, dynamic_cast<TPTImageComboItem*>(Data));
}

void TPTCustomCombobox::DoSelEndCancel() {
    if (OnSelEndCancel)
        OnSelEndCancel(this);
}

void TPTCustomCombobox::DoSelEndOk() {
    if (OnSelEndOk)
        OnSelEndOk(this);
}

// ------------------------------------------------------------------ TPTImageComboItem

void TPTImageComboItem::Changed() {
    if (FCombo)
        FCombo->Invalidate();
}

void TPTImageComboItem::SetImageIndex(int Value) {
    FImageIndex = Value;
    Changed();
}

void TPTImageComboItem::SetOverlayIndex(int Value) {
    FOverlayIndex = Value;
    Changed();
}

void TPTImageComboItem::SetCaption(const std::wstring& Value) {
    FCaption = Value;
    Changed();
}

// ------------------------------------------------------------------ TPTCustomImageCombo

TPTCustomImageCombo::TPTCustomImageCombo(TComponent* AOwner) : TPTCustomCombobox(AOwner) {
    SetStyle(csOwnerDrawFixed);
    SetItemsWithoutStrings(true);
    FImageChangeLink.OnChange = [this](TObject* Sender) { ImagesChanged(Sender); };
}

TPTCustomImageCombo::~TPTCustomImageCombo() {
    SetImages(nullptr);
    // Lines still in a window keep null objects: a deletion it reports later frees nothing.
    // (A window destroyed with its owner form reports nothing at all: the items are freed
    // here from the combo box's own list.)
    DetachItemObjects();
    for (TObject* item : FOwnedItems)
        delete item;
}

TPTImageComboItem* TPTCustomImageCombo::NewItem() { return new TPTImageComboItem(); }

TPTImageComboItem* TPTCustomImageCombo::AddItem(const std::wstring& Caption, int ImageIndex, int Indent) {
    std::unique_ptr<TPTImageComboItem> item(NewItem());
    item->FCombo = this;
    item->FCaption = Caption;
    item->FImageIndex = ImageIndex;
    item->FOverlayIndex = -1;
    item->Indent = Indent;
    const int index = TCustomComboBox::AddItem(L"", item.get()); // raises when the line is refused
    item->FIndex = index;
    FOwnedItems.insert(item.get());
    return item.release();
}

TPTImageComboItem* TPTCustomImageCombo::GetItem(int Index) {
    if (Index < 0)
        return nullptr;
    return dynamic_cast<TPTImageComboItem*>(ItemObject(Index));
}

void TPTCustomImageCombo::DoDeleteItem(TObject* Data) {
    std::unique_ptr<TObject> owned; // freed even when the event raises
    if (FOwnedItems.erase(Data))
        owned.reset(Data);
    TPTCustomCombobox::DoDeleteItem(Data);
}

void TPTCustomImageCombo::SetIndentPixels(int Value) {
    FIndentPixels = Value;
    Invalidate();
}

void TPTCustomImageCombo::SetAutoItemHeight(bool Value) {
    FAutoItemHeight = Value;
    if (Value)
        AdjustItemHeight(FFont.Handle());
}

void TPTCustomImageCombo::SetImages(TCustomImageList* Value) {
    if (!ReplaceImageList(this, FImages, Value, FImageChangeLink))
        return;
    if (FImages && !(ComponentState() & csLoading))
        AdjustItemHeight(FFont.Handle());
    Invalidate();
}

void TPTCustomImageCombo::ImagesChanged(TObject*) {
    if (FAutoItemHeight)
        AdjustItemHeight(FFont.Handle());
    Invalidate();
}

void TPTCustomImageCombo::Notification(TComponent* AComponent, TOperation Operation) {
    TPTCustomCombobox::Notification(AComponent, Operation);
    if (Operation == TOperation::opRemove && AComponent == FImages) {
        FImages = nullptr; // its change link signs off by itself
        Invalidate();
    }
}

void TPTCustomImageCombo::AdjustItemHeight(HFONT Font) {
    if (FStyle != csOwnerDrawFixed && FStyle != csOwnerDrawVariable)
        return;
    TEXTMETRICW tm{};
    if (HDC dc = GetDC(nullptr)) {
        HGDIOBJ old = SelectObject(dc, Font);
        GetTextMetricsW(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
    }
    int height = std::abs(static_cast<int>(tm.tmHeight)) + 2;
    if (FImages)
        height = std::max(height, FImages->Height());
    if (height != ItemHeight())
        SetItemHeight(height);
}

void TPTCustomImageCombo::DoGetItemData(TPTImageComboItem* Item) {
    if (OnGetItemData)
        OnGetItemData(this, Item);
}

void TPTCustomImageCombo::CreateWnd() {
    TPTCustomCombobox::CreateWnd();
    SendMessageW(FHandle, CB_SETEXTENDEDUI, 1, 0);
}

void TPTCustomImageCombo::DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) {
    TPTImageComboItem* item = GetItem(Index);
    if (!item) {
        FCanvas.FillRect(Rect);
        return;
    }
    if (OnDrawItem) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    DoGetItemData(item);
    const HDC dc = FCanvas.Handle();
    const DWORD layout = GetLayout(dc);
    const bool mirrored = layout != GDI_ERROR && (layout & LAYOUT_RTL);
    // A mirrored box hands its face over clipped to the unmirrored place of the item (Wine),
    // which cuts off the image at the right: the face is clipped to the item itself.
    if (mirrored && (State & odComboBoxEdit)) {
        SelectClipRgn(dc, nullptr);
        IntersectClipRect(dc, Rect.left, Rect.top, Rect.right, Rect.bottom);
    }
    const int level = (State & odComboBoxEdit) ? 0 : item->Indent;
    const bool selected = (State & odSelected) != 0;
    FCanvas.Brush()->SetColor(FColor);
    FCanvas.FillRect(Rect);
    int textLeft = 4;
    if (FImages) {
        if (selected)
            FCanvas.Brush()->SetColor(clHighlight);
        // The image's background is the control's colour for this call only (set on the
        // system list itself, so that the list's clients are not told of a change).
        HIMAGELIST list = FImages->Handle();
        const COLORREF background = ImageList_GetBkColor(list);
        ImageList_SetBkColor(list, ColorToRGB(FColor));
        int x = FIndentPixels * level + Rect.left + 2;
        const int y = (Rect.top + Rect.bottom - FImages->Height()) / 2;
        // In a mirrored box or list the image is drawn at its place counted from the right, in
        // the plain layout (the image list draws nothing whole into a mirrored one).
        if (mirrored) {
            // The image's first and last columns, on the device and back in the plain layout.
            POINT ends[2] = {{x, y}, {x + FImages->Width() - 1, y}};
            LPtoDP(dc, ends, 2);
            SetLayout(dc, layout & ~LAYOUT_RTL);
            DPtoLP(dc, ends, 2);
            x = std::min(ends[0].x, ends[1].x);
        }
        if (item->OverlayIndex() >= 0)
            FImages->DrawOverlay(&FCanvas, x, y, item->ImageIndex(), item->OverlayIndex());
        else
            FImages->Draw(&FCanvas, x, y, item->ImageIndex());
        if (mirrored)
            SetLayout(dc, layout);
        ImageList_SetBkColor(list, background);
        textLeft = FImages->Width() + 4;
    }
    if (selected)
        FCanvas.Brush()->SetColor(clHighlight);
    if (!item->Caption().empty()) {
        const int left = textLeft + FIndentPixels * level + Rect.left + 1;
        const RECT text{left, Rect.top, left + FCanvas.TextWidth(item->Caption()) + 3, Rect.bottom};
        PTCanvasTextRect(&FCanvas, text, left + 1, Rect.top + 1, item->Caption());
    }
}

void TPTCustomImageCombo::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CM_FONTCHANGED:
        TPTCustomCombobox::WndProc(Message);
        if (FAutoItemHeight && !FFontChanging) {
            FFontChanging = true;
            struct TReset {
                bool& Flag;
                ~TReset() { Flag = false; }
            } reset{FFontChanging};
            AdjustItemHeight(FFont.Handle());
        }
        return;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
        // The lines hold no strings (their items do): the system would answer with the item's
        // address read as text. The window's text is the selected item's caption.
        std::wstring caption;
        const auto line = static_cast<int>(SendMessageW(FHandle, CB_GETCURSEL, 0, 0));
        if (TPTImageComboItem* item = line >= 0 ? GetItem(line) : nullptr) {
            DoGetItemData(item);
            caption = item->Caption();
        }
        if (Message.Msg == WM_GETTEXTLENGTH) {
            Message.Result = static_cast<LRESULT>(caption.size());
            return;
        }
        auto* buffer = reinterpret_cast<wchar_t*>(Message.LParam);
        const size_t room = static_cast<size_t>(Message.WParam);
        if (!buffer || room == 0) {
            Message.Result = 0;
            return;
        }
        const size_t n = std::min(caption.size(), room - 1);
        std::copy_n(caption.data(), n, buffer);
        buffer[n] = L'\0';
        Message.Result = static_cast<LRESULT>(n);
        return;
    }
    case WM_ERASEBKGND: {
        // The owner form's colour (the window colour under any other owner).
        auto* form = dynamic_cast<TCustomForm*>(Owner());
        TBrush brush;
        brush.SetColor(form ? form->Color() : clWindow);
        RECT r;
        GetClientRect(FHandle, &r);
        FillRect(reinterpret_cast<HDC>(Message.WParam), &r, brush.Handle());
        Message.Result = 1;
        return;
    }
    }
    TPTCustomCombobox::WndProc(Message);
}
