// The shell pack's image combo box: an owner-drawn drop-down list whose lines are item
// objects with a wide caption, an image (and overlay) from an image list and an indent
// level. The folder combo builds on it to show the folder tree.
//
// The lines hold no texts: each line's item data is its TPTImageComboItem, which the combo
// box owns (it also lists them itself, so that a window destroyed with its form loses
// none). An item is freed exactly once: when its line is deleted (after OnDeleteItem), or
// when the combo box is destroyed (without the event). Making the window again keeps every
// item.
#pragma once

#include "ImgList.h"
#include "StdCtrls.h"

#include <functional>
#include <string>
#include <unordered_set>

class TPTCustomImageCombo;
class TPTImageComboItem;

using TPTDeleteImageComboItemEvent = std::function<void(TObject* Sender, TPTImageComboItem* Item)>;
// Asked before an item is drawn (a subclass may fill in its caption or image late).
using TPTImageComboItemDataEvent = std::function<void(TObject* Sender, TPTImageComboItem* Item)>;

// A combo box that reports line deletions and the end of a selection.
class TPTCustomCombobox : public TCustomComboBox {
public:
    VORLANE_CLASS_NAME(TPTCustomCombobox)
    using TCustomComboBox::TCustomComboBox;

    TPTDeleteImageComboItemEvent OnDeleteItem;
    TNotifyEvent OnSelEndOk;
    TNotifyEvent OnSelEndCancel;

    void WndProc(TMessage& Message) override;

protected:
    // A line with this item data was deleted: OnDeleteItem with the item.
    virtual void DoDeleteItem(TObject* Data);
    virtual void DoSelEndCancel();
    virtual void DoSelEndOk();
    void ItemDeleted(int Index, TObject* Object) override;
};

class TPTImageComboItem : public TObject {
public:
    VORLANE_CLASS_NAME(TPTImageComboItem)
    TPTImageComboItem() = default;

    TPTCustomImageCombo* Combo() const { return FCombo; }
    // The line it was added at (not updated when earlier lines go).
    int Index() const { return FIndex; }
    int Indent = 0;
    // Setting these repaints the combo box. OverlayIndex -1: none.
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    int OverlayIndex() const { return FOverlayIndex; }
    void SetOverlayIndex(int Value);
    const std::wstring& Caption() const { return FCaption; }
    void SetCaption(const std::wstring& Value);

private:
    friend class TPTCustomImageCombo;
    void Changed();
    TPTCustomImageCombo* FCombo = nullptr;
    int FIndex = -1;
    int FImageIndex = -1;
    int FOverlayIndex = -1;
    std::wstring FCaption;
};

class TPTCustomImageCombo : public TPTCustomCombobox {
public:
    VORLANE_CLASS_NAME(TPTCustomImageCombo)
    explicit TPTCustomImageCombo(TComponent* AOwner);
    // Frees the items still in the list (no OnDeleteItem: the owner may be going too).
    ~TPTCustomImageCombo() override;

    // Appends a line for a new item (no overlay) and returns the item, which the combo box owns.
    TPTImageComboItem* AddItem(const std::wstring& Caption, int ImageIndex, int Indent);
    // The item of line Index, null for a bad index.
    TPTImageComboItem* GetItem(int Index);

    // Pixels per indent level (12).
    int IndentPixels() const { return FIndentPixels; }
    void SetIndentPixels(int Value);
    // The item height follows the font and the image size (on by default).
    bool AutoItemHeight() const { return FAutoItemHeight; }
    void SetAutoItemHeight(bool Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);

    TPTImageComboItemDataEvent OnGetItemData;

    void WndProc(TMessage& Message) override;

protected:
    void DoDeleteItem(TObject* Data) override;
    // Item height = the font's text height + 2, at least the image height (owner-drawn
    // styles only, and only when it changes).
    virtual void AdjustItemHeight(HFONT Font);
    // Runs before an item is drawn: OnGetItemData.
    virtual void DoGetItemData(TPTImageComboItem* Item);
    // The object AddItem makes (a subclass may make its own item class).
    virtual TPTImageComboItem* NewItem();

    void CreateWnd() override;
    void DrawItem(int Index, const RECT& Rect, TOwnerDrawState State) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void ImagesChanged(TObject* Sender);
    int FIndentPixels = 12;
    bool FAutoItemHeight = true;
    bool FFontChanging = false; // a font set while one is handled does not adjust again
    TCustomImageList* FImages = nullptr;
    TChangeLink FImageChangeLink;
    std::unordered_set<TObject*> FOwnedItems; // the items AddItem made and no line deletion freed
};
