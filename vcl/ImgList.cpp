#include "ImgList.h"

#include "Format.h"

#include <algorithm>

// ------------------------------------------------------------------ TChangeLink

TChangeLink::~TChangeLink() {
    if (FSender)
        FSender->UnRegisterChanges(this);
}

// ------------------------------------------------------------------ TCustomImageList

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::TCustomImageList(TComponent* AOwner, int AWidth, int AHeight) : TComponent(AOwner) {
    FWidth = std::max(AWidth, 1);
    FHeight = std::max(AHeight, 1);
}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* link : FClients)
        link->FSender = nullptr;
    FClients.clear();
    FreeHandle();
}

void TCustomImageList::FreeHandle() {
    if (FHandle && !ShareImages)
        ImageList_Destroy(FHandle);
    FHandle = nullptr;
}

void TCustomImageList::CreateImageList() {
    FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR32 | ILC_MASK, 4, 4);
    if (!FHandle)
        throw EInvalidOperation(L"Failed to create the image list");
    if (FBkColor != clNone)
        ImageList_SetBkColor(FHandle, ColorToRGB(FBkColor));
}

HIMAGELIST TCustomImageList::Handle() {
    if (!FHandle)
        CreateImageList();
    return FHandle;
}

void TCustomImageList::SetHandle(HIMAGELIST Value) {
    if (Value == FHandle)
        return;
    FreeHandle();
    FHandle = Value;
    if (Value) {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(Value, &cx, &cy);
        FWidth = cx;
        FHeight = cy;
    }
    Change();
}

void TCustomImageList::SetSize(int AWidth, int AHeight) {
    AWidth = std::max(AWidth, 1);
    AHeight = std::max(AHeight, 1);
    if (AWidth == FWidth && AHeight == FHeight)
        return;
    FWidth = AWidth;
    FHeight = AHeight;
    if (FHandle) {
        if (ShareImages)
            FHandle = nullptr;
        else
            ImageList_SetIconSize(FHandle, FWidth, FHeight); // also removes every image
    }
    Change();
}

int TCustomImageList::Count() { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

void TCustomImageList::SetBkColor(TColor Value) {
    FBkColor = Value;
    if (FHandle)
        ImageList_SetBkColor(FHandle, Value == clNone ? CLR_NONE : ColorToRGB(Value));
    Change();
}

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty())
        return -1;
    // A bitmap that has been drawn on stays selected into its own context, where the system
    // cannot select it again to read it; it gets copies instead.
    TBitmap image, mask;
    image.Assign(Image);
    bool masked = Mask && !Mask->Empty();
    if (masked)
        mask.Assign(Mask);
    int index = ImageList_Add(Handle(), image.Handle(), masked ? mask.Handle() : nullptr);
    Change();
    return index;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image || Image->Empty())
        return -1;
    // The system list changes the picture's masked pixels; give it a copy.
    TBitmap copy;
    copy.Assign(Image);
    COLORREF mask = MaskColor == clDefault ? ColorToRGB(Image->TransparentColor()) : ColorToRGB(MaskColor);
    int index = ImageList_AddMasked(Handle(), copy.Handle(), mask);
    Change();
    return index;
}

int TCustomImageList::AddIcon(TIcon* Image) {
    if (!Image || Image->Empty())
        return -1;
    int index = ImageList_AddIcon(Handle(), Image->Handle());
    Change();
    return index;
}

int TCustomImageList::AddIconFromFile(const std::wstring& FileName, int Index) {
    TIcon icon;
    icon.LoadFromModuleFile(FileName, Index, std::max(FWidth, FHeight));
    return AddIcon(&icon);
}

void TCustomImageList::ReplaceIcon(int Index, TIcon* Image) {
    if (!Image || Image->Empty() || !HasImage(Index))
        return;
    ImageList_ReplaceIcon(Handle(), Index, Image->Handle());
    Change();
}

void TCustomImageList::Delete(int Index) {
    if (!HasImage(Index))
        throw EInvalidOperation(L"Invalid ImageList Index");
    ImageList_Remove(FHandle, Index);
    Change();
}

void TCustomImageList::Clear() {
    if (FHandle)
        ImageList_Remove(FHandle, -1);
    Change();
}

void TCustomImageList::GetIcon(int Index, TIcon* Image) {
    if (!Image || !HasImage(Index))
        return;
    Image->SetHandle(ImageList_GetIcon(FHandle, Index, ILD_NORMAL));
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
    if (!Image || !HasImage(Index))
        return;
    Image->SetSize(FWidth, FHeight);
    TCanvas* c = Image->Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(RECT{0, 0, FWidth, FHeight});
    Draw(c, 0, 0, Index, true);
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
    DoDraw(Canvas, X, Y, Index, 0, Enabled);
}

void TCustomImageList::DrawOverlay(TCanvas* Canvas, int X, int Y, int Index, int Overlay, bool Enabled) {
    if (Overlay < 0 || Overlay > 14)
        return Draw(Canvas, X, Y, Index, Enabled);
    DoDraw(Canvas, X, Y, Index, INDEXTOOVERLAYMASK(Overlay + 1), Enabled);
}

bool TCustomImageList::Overlay(int ImageIndex, int Overlay) {
    if (Overlay < 0 || Overlay > 14 || !HasImage(ImageIndex))
        return false;
    return ImageList_SetOverlayImage(Handle(), ImageIndex, Overlay + 1) != FALSE;
}

void TCustomImageList::DoDraw(TCanvas* Canvas, int X, int Y, int Index, UINT Extra, bool Enabled) {
    if (!Canvas || !HasImage(Index))
        return;
    static const UINT styles[] = {ILD_FOCUS, ILD_SELECTED, ILD_NORMAL, ILD_TRANSPARENT};
    Canvas->Changing();
    HDC dc = Canvas->Handle();
    UINT style = styles[DrawingStyle] | Extra | (Enabled ? 0 : ILD_TRANSPARENT);
    IMAGELISTDRAWPARAMS p{};
    p.cbSize = sizeof(p);
    p.himl = FHandle;
    p.i = Index;
    p.hdcDst = dc;
    p.x = X;
    p.y = Y;
    p.rgbBk = CLR_DEFAULT;
    p.rgbFg = BlendColor == clNone ? CLR_DEFAULT : ColorToRGB(BlendColor);
    p.fStyle = style;
    if (!Enabled)
        p.fState = ILS_SATURATE;
    if (!ImageList_DrawIndirect(&p) && !Enabled)
        ImageList_Draw(FHandle, Index, dc, X, Y, ILD_TRANSPARENT | ILD_BLEND50 | Extra);
    Canvas->Changed();
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
    if (!Value || Value->FSender == this)
        return;
    if (Value->FSender)
        Value->FSender->UnRegisterChanges(Value);
    Value->FSender = this;
    FClients.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
    if (!Value)
        return;
    FClients.erase(std::remove(FClients.begin(), FClients.end(), Value), FClients.end());
    if (Value->FSender == this)
        Value->FSender = nullptr;
}

void TCustomImageList::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChanged)
        Change();
}

void TCustomImageList::Change() {
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    FChanged = false;
    std::vector<TChangeLink*> clients = FClients;
    for (TChangeLink* link : clients)
        if (std::find(FClients.begin(), FClients.end(), link) != FClients.end() && link->OnChange)
            link->OnChange(this);
    if (OnChange)
        OnChange(this);
}

bool ReplaceImageList(TComponent* Client, TCustomImageList*& Field, TCustomImageList* Value, TChangeLink& Link) {
    if (Field == Value)
        return false;
    if (Field)
        Field->UnRegisterChanges(&Link);
    ReplaceComponentRef(Client, Field, Value);
    if (Field)
        Field->RegisterChanges(&Link);
    return true;
}
