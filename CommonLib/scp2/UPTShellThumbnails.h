// Thumbnails of the shell list's thumbnail view: the settings (size, frame, icon overlay)
// and the drawing of one item's thumbnail, the picture the shell's extractor makes of the
// item (IExtractImage), framed; items without one get their large icon centred instead.
#pragma once

#include "Classes.h"
#include "Graphics.h"
#include "ImgList.h"
#include "UPTShellUtils.h"

// The colour image list of the thumbnail view: it takes no notice of its own changes (the
// list refills itself after a change of the settings anyway).
class TPTImageListNoChangeEvent : public TCustomImageList {
public:
    VORLANE_CLASS_NAME(TPTImageListNoChangeEvent)
    using TCustomImageList::TCustomImageList;

protected:
    void Change() override {}
};

class TPTShellThumbnails : public TPersistent {
public:
    VORLANE_CLASS_NAME(TPTShellThumbnails)
    static constexpr int DefaultSize = 96;
    TPTShellThumbnails();

    // 0 reads as 96.
    int Width() const { return FWidth ? FWidth : DefaultSize; }
    void SetWidth(int Value);
    int Height() const { return FHeight ? FHeight : DefaultSize; }
    void SetHeight(int Value);
    // The frame around every thumbnail (clNone: no frame); its changes count as changes.
    TPen* FramePen() { return &FFramePen; }
    void SetFramePen(TPen* Value) { FFramePen.Assign(Value); }
    // The item's small icon over its picture.
    bool ShowApplicationOverlay() const { return FShowApplicationOverlay; }
    void SetShowApplicationOverlay(bool Value);
    void Assign(TPersistent* Source) override;
    TNotifyEvent OnChange;

    // Draws the thumbnail of Item (a child of Folder; AbsPidl names it for its icons) on a
    // picture of the image list's size over BackColor and adds it to the list; returns its
    // index.
    int AddThumbnail(TCustomImageList* ImageList, IShellFolder* Folder, PCItemIDList Item, PCItemIDList AbsPidl,
                     TColor BackColor);
    // The drawing alone, on Bitmap (of the image list's size).
    void DrawThumbnail(TBitmap* Bitmap, IShellFolder* Folder, PCItemIDList Item, PCItemIDList AbsPidl,
                       TColor BackColor);

private:
    void Changed();
    int FWidth = 0;
    int FHeight = 0;
    TPen FFramePen;
    bool FShowApplicationOverlay = false;
};

// Where a picture of Image's size goes inside Area: centred (halves rounded toward zero;
// a larger picture hangs over the edges evenly).
RECT PTCentredRect(const RECT& Area, SIZE Image);
