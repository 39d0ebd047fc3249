#include "UPTShellThumbnails.h"

namespace {

// IEIFLAG_OFFLINE | IEIFLAG_SCREEN | IEIFLAG_ORIGSIZE
constexpr DWORD ExtractFlags = 0x68;
constexpr int FrameMargin = 2;
constexpr int RequestInset = 5;

} // namespace

RECT PTCentredRect(const RECT& Area, SIZE Image) {
    const int left = Area.left + ((Area.right - Area.left) - Image.cx) / 2;
    const int top = Area.top + ((Area.bottom - Area.top) - Image.cy) / 2;
    return RECT{left, top, left + Image.cx, top + Image.cy};
}

TPTShellThumbnails::TPTShellThumbnails() {
    FFramePen.SetColor(clBtnFace);
    FFramePen.OnChange = [this](TObject*) { Changed(); };
}

void TPTShellThumbnails::Changed() {
    if (OnChange)
        OnChange(this);
}

void TPTShellThumbnails::SetWidth(int Value) {
    if (Value == FWidth)
        return;
    FWidth = Value;
    Changed();
}

void TPTShellThumbnails::SetHeight(int Value) {
    if (Value == FHeight)
        return;
    FHeight = Value;
    Changed();
}

void TPTShellThumbnails::SetShowApplicationOverlay(bool Value) {
    if (Value == FShowApplicationOverlay)
        return;
    FShowApplicationOverlay = Value;
    Changed();
}

void TPTShellThumbnails::Assign(TPersistent* Source) {
    auto* other = dynamic_cast<TPTShellThumbnails*>(Source);
    if (!other) {
        TPersistent::Assign(Source);
        return;
    }
    FWidth = other->FWidth;
    FHeight = other->FHeight;
    FShowApplicationOverlay = other->FShowApplicationOverlay;
    FFramePen.Assign(&other->FFramePen);
    Changed();
}

void TPTShellThumbnails::DrawThumbnail(TBitmap* Bitmap, IShellFolder* Folder, PCItemIDList Item,
                                       PCItemIDList AbsPidl, TColor BackColor) {
    TCanvas* c = Bitmap->Canvas();
    const int w = Bitmap->Width(), h = Bitmap->Height();
    c->Brush()->SetColor(BackColor);
    c->FillRect(RECT{0, 0, w, h});

    const SIZE requested{Width() - RequestInset, Height() - RequestInset};
    TGdiObject picture;
    TComPtr<IExtractImage> extractor;
    if (Folder && Item &&
        SUCCEEDED(Folder->GetUIObjectOf(nullptr, 1, &Item, IID_IExtractImage, nullptr, extractor.PutVoid())) &&
        extractor) {
        wchar_t location[MAX_PATH] = {};
        DWORD priority = 0;
        DWORD flags = ExtractFlags;
        SIZE size = requested;
        if (SUCCEEDED(extractor->GetLocation(location, MAX_PATH, &priority, &size, 32, &flags))) {
            HBITMAP bitmap = nullptr;
            if (SUCCEEDED(extractor->Extract(&bitmap)))
                picture.Reset(bitmap);
        }
    }

    c->Brush()->SetColor(clWindow);
    c->FillRect(RECT{0, 0, w, h});
    if (FFramePen.Color() != clNone) {
        c->Pen()->Assign(&FFramePen);
        c->Brush()->SetStyle(bsClear);
        c->Rectangle(0, 0, w, h);
    }
    HDC dc = c->Handle();
    BITMAP info{};
    if (picture && GetObjectW(picture.Get(), sizeof(info), &info)) {
        const RECT area{FrameMargin, FrameMargin, FrameMargin + requested.cx, FrameMargin + requested.cy};
        const RECT place = info.bmWidth == requested.cx
                               ? RECT{FrameMargin, FrameMargin, FrameMargin + info.bmWidth, FrameMargin + info.bmHeight}
                               : PTCentredRect(area, SIZE{info.bmWidth, info.bmHeight});
        // An oversized picture stays inside its area (and off the frame).
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
        HDC source = CreateCompatibleDC(dc);
        {
            TSelectedObject selected(source, picture.Get());
            BitBlt(dc, place.left, place.top, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
        }
        DeleteDC(source);
        RestoreDC(dc, saved);
        if (FShowApplicationOverlay && AbsPidl)
            ImageList_DrawEx(GetSystemImageList(0), GetIconIndex(AbsPidl, SHGFI_SMALLICON), dc, area.left,
                             area.bottom - 16, 16, 16, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
    } else if (AbsPidl) {
        HIMAGELIST large = GetSystemImageList(1);
        int cx = 32, cy = 32;
        ImageList_GetIconSize(large, &cx, &cy);
        const RECT place = PTCentredRect(RECT{0, 0, w, h}, SIZE{cx, cy});
        ImageList_DrawEx(large, GetIconIndex(AbsPidl, SHGFI_LARGEICON), dc, place.left, place.top, 0, 0, CLR_NONE,
                         CLR_NONE, ILD_TRANSPARENT);
    }
    c->Changed();
}

int TPTShellThumbnails::AddThumbnail(TCustomImageList* ImageList, IShellFolder* Folder, PCItemIDList Item,
                                     PCItemIDList AbsPidl, TColor BackColor) {
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(ImageList->Width(), ImageList->Height());
    DrawThumbnail(&bitmap, Folder, Item, AbsPidl, BackColor);
    return ImageList->Add(&bitmap, nullptr);
}
