// Image lists: pictures of one size kept in a system image list (colour with a mask),
// drawn by index. Menus, tool bars and list controls hold one and listen to its changes.
#pragma once

#include "Graphics.h"

#include <commctrl.h>

#include <functional>
#include <vector>

class TCustomImageList;

// A subscription to an image list's changes. The client owns it; it signs off when freed.
class TChangeLink : public TObject {
public:
    VORLANE_CLASS_NAME(TChangeLink)
    ~TChangeLink() override;
    TCustomImageList* Sender() const { return FSender; }
    TNotifyEvent OnChange;

private:
    friend class TCustomImageList;
    TCustomImageList* FSender = nullptr;
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };

class TCustomImageList : public TComponent {
public:
    VORLANE_CLASS_NAME(TCustomImageList)
    explicit TCustomImageList(TComponent* AOwner);
    TCustomImageList(TComponent* AOwner, int AWidth, int AHeight);
    ~TCustomImageList() override;

    // The size of every image; changing it empties the list.
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetWidth(int Value) { SetSize(Value, FHeight); }
    void SetHeight(int Value) { SetSize(FWidth, Value); }
    void SetSize(int AWidth, int AHeight);
    int Count();

    // The system image list (made on first use). With ShareImages the list is not
    // destroyed with this object (a list given with SetHandle, such as the shell's).
    HIMAGELIST Handle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    void SetHandle(HIMAGELIST Value);
    bool ShareImages = false;
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value);
    // Colour of the image's selection blend (dsFocus/dsSelected).
    TColor BlendColor = clNone;
    TDrawingStyle DrawingStyle = dsNormal;

    // Adds a picture (cut into images of Width when wider) with an optional mask; returns
    // the index of the first image added.
    int Add(TBitmap* Image, TBitmap* Mask);
    // Adds a picture whose pixels of MaskColor are transparent.
    int AddMasked(TBitmap* Image, TColor MaskColor);
    int AddIcon(TIcon* Image);
    // Adds icon Index of an executable, library or icon file at the list's size.
    int AddIconFromFile(const std::wstring& FileName, int Index);
    void ReplaceIcon(int Index, TIcon* Image);
    void Delete(int Index);
    void Clear();
    void GetIcon(int Index, TIcon* Image);
    // Draws image Index on a bitmap of the list's size (background white).
    void GetBitmap(int Index, TBitmap* Image);
    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    // Draws image Index with overlay number Overlay (0..14, see Overlay) on top; another
    // number draws the image alone.
    void DrawOverlay(TCanvas* Canvas, int X, int Y, int Index, int Overlay, bool Enabled = true);
    // Makes image ImageIndex overlay number Overlay (0..14); false when either is out of range.
    bool Overlay(int ImageIndex, int Overlay);
    // Whether index is a valid image of the list.
    bool HasImage(int Index) { return Index >= 0 && Index < Count(); }

    void RegisterChanges(TChangeLink* Value);
    void UnRegisterChanges(TChangeLink* Value);
    TNotifyEvent OnChange;
    // Groups changes: one notice when the last EndUpdate runs.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

protected:
    virtual void Change();

private:
    void DoDraw(TCanvas* Canvas, int X, int Y, int Index, UINT Extra, bool Enabled);
    void CreateImageList();
    void FreeHandle();
    int FWidth = 16, FHeight = 16;
    HIMAGELIST FHandle = nullptr;
    TColor FBkColor = clNone;
    std::vector<TChangeLink*> FClients;
    int FUpdateCount = 0;
    bool FChanged = false;
};

// ReplaceComponentRef for an image list whose changes Link follows: the subscription moves
// along; false when Field already is Value.
bool ReplaceImageList(TComponent* Client, TCustomImageList*& Field, TCustomImageList* Value, TChangeLink& Link);

class TImageList : public TCustomImageList {
public:
    VORLANE_CLASS_NAME(TImageList)
    using TCustomImageList::TCustomImageList;
};
