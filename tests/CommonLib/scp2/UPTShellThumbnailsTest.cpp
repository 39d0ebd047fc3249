#include "ShellTestSupport.h"

#include "ComObj.h"
#include "UPTShellThumbnails.h"

#include <gtest/gtest.h>

using namespace shelltest;

namespace {

// An extractor that makes a plain picture of the size and colour the test gives.
class TFakeExtractor final : public TComObject<IExtractImage> {
public:
    TFakeExtractor(SIZE Size, COLORREF Colour) : FSize(Size), FColour(Colour) {}
    HRESULT LocationResult = S_OK;
    SIZE AskedSize{};
    DWORD AskedDepth = 0, AskedFlags = 0;
    HBITMAP Made = nullptr;

    STDMETHODIMP GetLocation(LPWSTR Path, DWORD Max, DWORD*, const SIZE* Size, DWORD Depth, DWORD* Flags) override {
        AskedSize = *Size;
        AskedDepth = Depth;
        AskedFlags = *Flags;
        EXPECT_EQ(Max, static_cast<DWORD>(MAX_PATH));
        EXPECT_EQ(Path[0], L'\0');
        return LocationResult;
    }
    STDMETHODIMP Extract(HBITMAP* Bitmap) override {
        HDC screen = GetDC(nullptr);
        Made = CreateCompatibleBitmap(screen, FSize.cx, FSize.cy);
        HDC dc = CreateCompatibleDC(screen);
        HGDIOBJ old = SelectObject(dc, Made);
        HBRUSH brush = CreateSolidBrush(FColour);
        RECT r{0, 0, FSize.cx, FSize.cy};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        SelectObject(dc, old);
        DeleteDC(dc);
        ReleaseDC(nullptr, screen);
        *Bitmap = Made;
        return S_OK;
    }

private:
    SIZE FSize;
    COLORREF FColour;
};

// A folder whose items all have the given extractor.
TComPtr<TFakeShellFolder> FolderWith(TComPtr<TFakeExtractor>& Extractor) {
    auto folder = TFakeShellFolder::Create();
    folder->OnGetUIObjectOf = [&Extractor](UINT n, PCUITEMID_CHILD_ARRAY, REFIID riid, void** ppv) -> HRESULT {
        if (n != 1 || !IsEqualIID(riid, IID_IExtractImage) || !Extractor)
            return E_NOINTERFACE;
        return Extractor->QueryInterface(riid, ppv);
    };
    return folder;
}

COLORREF PixelAt(TBitmap& B, int X, int Y) { return static_cast<COLORREF>(ColorToRGB(B.Canvas()->Pixel(X, Y))); }

} // namespace

TEST(ShellThumbnails, SettingsReadTheirDefaultsAndSignalChanges) {
    TPTShellThumbnails t;
    int changes = 0;
    t.OnChange = [&](TObject*) { ++changes; };
    EXPECT_EQ(t.Width(), 96);
    t.SetWidth(96); // from "not set" to 96: a change, though it reads the same
    t.SetWidth(96);
    t.FramePen()->SetColor(clRed);
    EXPECT_EQ(changes, 2);
    TPTShellThumbnails copy;
    copy.Assign(&t);
    EXPECT_EQ(copy.FramePen()->Color(), clRed);
    TPen other;
    EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(ShellThumbnails, PicturesSitAtTheCornerOrCentredClippedAndTheirBitmapIsDeleted) {
    TPTShellThumbnails t;
    t.SetWidth(100);
    t.SetHeight(100);
    t.FramePen()->SetColor(RGB(255, 0, 255));
    TBitmap b;
    b.SetPixelFormat(pf32bit);
    b.SetSize(100, 100);
    auto item = Pidl({"item"});
    const COLORREF window = ColorToRGB(clWindow);

    // Exactly the requested width: at (2, 2).
    TComPtr<TFakeExtractor> ex = MakeComObject<TFakeExtractor>(SIZE{95, 50}, RGB(255, 0, 0));
    auto folder = FolderWith(ex);
    t.DrawThumbnail(&b, folder.Get(), item.Get(), nullptr, clBlack);
    EXPECT_EQ(ex->AskedSize.cx, 95);
    EXPECT_EQ(ex->AskedSize.cy, 95);
    EXPECT_EQ(ex->AskedDepth, 32u);
    EXPECT_EQ(ex->AskedFlags, 0x68u);
    EXPECT_EQ(PixelAt(b, 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(b, 96, 51), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(b, 2, 52), window);
    EXPECT_EQ(PixelAt(b, 0, 0), RGB(255, 0, 255)); // the frame
    EXPECT_EQ(GetObjectType(ex->Made), 0u);        // the extracted picture is gone

    // Smaller: centred in the requested area.
    ex = MakeComObject<TFakeExtractor>(SIZE{40, 40}, RGB(0, 0, 255));
    t.DrawThumbnail(&b, folder.Get(), item.Get(), nullptr, clBlack);
    EXPECT_EQ(PixelAt(b, 29, 29), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(b, 68, 68), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(b, 28, 29), window);
    EXPECT_EQ(PixelAt(b, 69, 68), window);

    // Larger: clipped to the area, the frame stays.
    ex = MakeComObject<TFakeExtractor>(SIZE{300, 300}, RGB(0, 255, 0));
    t.DrawThumbnail(&b, folder.Get(), item.Get(), nullptr, clBlack);
    EXPECT_EQ(PixelAt(b, 2, 2), RGB(0, 255, 0));
    EXPECT_EQ(PixelAt(b, 96, 96), RGB(0, 255, 0));
    EXPECT_NE(PixelAt(b, 97, 50), RGB(0, 255, 0));
    EXPECT_EQ(PixelAt(b, 0, 50), RGB(255, 0, 255));
    EXPECT_EQ(PixelAt(b, 99, 99), RGB(255, 0, 255));
    EXPECT_EQ(GetObjectType(ex->Made), 0u);

    // No frame with clNone; no picture when the extractor fails (the icon instead).
    t.FramePen()->SetColor(clNone);
    ex->LocationResult = E_FAIL;
    t.DrawThumbnail(&b, folder.Get(), item.Get(), nullptr, clBlack);
    EXPECT_EQ(PixelAt(b, 0, 0), window);
    EXPECT_EQ(PixelAt(b, 50, 50), window);

    // Into an image list.
    TPTImageListNoChangeEvent list(nullptr, 100, 100);
    int notices = 0;
    list.OnChange = [&](TObject*) { ++notices; };
    ex = MakeComObject<TFakeExtractor>(SIZE{95, 95}, RGB(0, 0, 255));
    EXPECT_EQ(t.AddThumbnail(&list, folder.Get(), item.Get(), nullptr, clBlack), 0);
    EXPECT_EQ(t.AddThumbnail(&list, folder.Get(), item.Get(), nullptr, clBlack), 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(notices, 0);
}

TEST(ShellThumbnails, CentringHalvesTheFreeRoomTowardZero) {
    RECT r = PTCentredRect(RECT{2, 2, 97, 97}, SIZE{40, 41});
    EXPECT_EQ(r.left, 29);
    EXPECT_EQ(r.top, 29);
    EXPECT_EQ(r.right, 69);
    EXPECT_EQ(r.bottom, 70);
    r = PTCentredRect(RECT{0, 0, 10, 10}, SIZE{13, 13});
    EXPECT_EQ(r.left, -1);
}
