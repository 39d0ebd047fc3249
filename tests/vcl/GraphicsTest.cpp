#include "Graphics.h"
#include "ImgList.h"
#include "Jpeg.h"

#include "SysUtils.h"
#include "TestHarness.h"

#include <gtest/gtest.h>

#include <cstdlib>

using testing_support::TempDir;

namespace {

// Colour of a pixel read straight from the bitmap's rows.
COLORREF PixelAt(TBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + x * (b.PixelFormat() == pf32bit ? 4 : 3);
    return RGB(p[2], p[1], p[0]);
}

bool Near(COLORREF a, COLORREF b, int tolerance) {
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

void Fill(TBitmap& b, TColor c) {
    b.Canvas()->Brush()->SetColor(c);
    b.Canvas()->FillRect(RECT{0, 0, b.Width(), b.Height()});
}

} // namespace

TEST(Graphics, CanvasTextMeasuresAndMovesThePen) {
    TBitmap b;
    b.SetSize(300, 60);
    TCanvas* c = b.Canvas();
    SIZE ext = c->TextExtent(L"Hello \u0416");
    EXPECT_GT(ext.cx, 0);
    EXPECT_GT(ext.cy, 0);
    EXPECT_EQ(c->TextWidth(L""), 0);
    c->TextOut(10, 5, L"Hello \u0416");
    EXPECT_EQ(c->PenPos().x, 10 + ext.cx);
    EXPECT_EQ(c->PenPos().y, 5);

    // A font change while the font is selected takes effect at once.
    int small = c->TextWidth(L"WWWW");
    c->Font()->SetHeight(-30);
    EXPECT_GT(c->TextWidth(L"WWWW"), small);
    EXPECT_EQ(c->CanvasOrientation(), coLeftToRight);

    // Right to left: X moves right by the text width plus one before drawing.
    SetLayout(c->Handle(), LAYOUT_RTL);
    EXPECT_EQ(c->CanvasOrientation(), coRightToLeft);
    int w = c->TextWidth(L"abc");
    c->TextOut(20, 0, L"abc");
    EXPECT_EQ(c->PenPos().x, 20 + 2 * w + 1);
}

TEST(Graphics, ShapesUsePenAndBrush) {
    TBitmap b;
    b.SetSize(40, 40);
    Fill(b, clWhite);
    TCanvas* c = b.Canvas();
    c->Pen()->SetColor(clRed);
    c->Brush()->SetColor(clBlue);
    c->Rectangle(5, 5, 25, 25);
    EXPECT_EQ(PixelAt(b, 5, 10), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(b, 15, 15), RGB(0, 0, 255));
    EXPECT_EQ(PixelAt(b, 30, 30), RGB(255, 255, 255));
    c->Pen()->SetStyle(psClear);
    c->Brush()->SetColor(clLime);
    c->Polygon({{30, 30}, {39, 30}, {39, 39}, {30, 39}});
    EXPECT_EQ(PixelAt(b, 35, 35), RGB(0, 255, 0));
    c->Pen()->SetStyle(psSolid);
    c->Pen()->SetColor(clBlack);
    c->MoveTo(0, 39);
    c->LineTo(10, 39);
    EXPECT_EQ(PixelAt(b, 5, 39), RGB(0, 0, 0));
    EXPECT_EQ(c->PenPos().x, 10);
    EXPECT_EQ(c->Pixel(15, 15), static_cast<TColor>(RGB(0, 0, 255)));
}

TEST(Graphics, BitmapRowsResizeAndStreamRoundTrip) {
    TBitmap b;
    EXPECT_TRUE(b.Empty());
    EXPECT_THROW(b.ScanLine(0), EInvalidGraphicOperation);
    b.SetSize(7, 5); // rows padded to 4 bytes
    Fill(b, clWhite);
    b.Canvas()->SetPixel(1, 3, clRed);
    EXPECT_EQ(PixelAt(b, 1, 3), RGB(255, 0, 0)); // row 3 counted from the top
    EXPECT_THROW(b.ScanLine(5), EInvalidGraphicOperation);

    b.SetSize(9, 8); // old pixels stay, new ones are white
    EXPECT_EQ(PixelAt(b, 1, 3), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(b, 8, 7), RGB(255, 255, 255));

    TMemoryStream s;
    b.SaveToStream(&s);
    s.SetPosition(0);
    TBitmap c;
    c.LoadFromStream(&s);
    EXPECT_EQ(c.Width(), 9);
    EXPECT_EQ(c.Height(), 8);
    EXPECT_EQ(PixelAt(c, 1, 3), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(c, 0, 0), RGB(255, 255, 255));

    // A header that promises more rows than the file holds is refused.
    std::vector<uint8_t> bytes = s.Data();
    bytes.resize(bytes.size() - 20);
    TMemoryStream cut;
    cut.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    cut.SetPosition(0);
    EXPECT_THROW(c.LoadFromStream(&cut), EInvalidGraphic);
    TMemoryStream junk;
    junk.WriteBuffer("BMxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx", 36);
    junk.SetPosition(0);
    EXPECT_THROW(c.LoadFromStream(&junk), EInvalidGraphic);
}

TEST(Graphics, TransparentBitmapLeavesItsKeyColourOut) {
    TBitmap pic;
    pic.SetSize(10, 10);
    Fill(pic, clFuchsia);
    pic.Canvas()->Brush()->SetColor(clBlue);
    pic.Canvas()->FillRect(RECT{3, 3, 7, 7});
    EXPECT_EQ(pic.TransparentColor(), static_cast<TColor>(RGB(255, 0, 255))); // bottom-left pixel
    pic.SetTransparent(true);

    TBitmap dst;
    dst.SetSize(20, 20);
    Fill(dst, clLime);
    dst.Canvas()->Draw(5, 5, &pic);
    EXPECT_EQ(PixelAt(dst, 6, 6), RGB(0, 255, 0));
    EXPECT_EQ(PixelAt(dst, 10, 10), RGB(0, 0, 255));

    pic.SetTransparent(false);
    dst.Canvas()->StretchDraw(RECT{0, 0, 20, 20}, &pic);
    EXPECT_EQ(PixelAt(dst, 1, 1), RGB(255, 0, 255));
}

TEST(Graphics, PictureRegistryMapsExtensions) {
    EXPECT_EQ(TPicture::FindFileFormat(L"JPG"), GraphicClassOf<TJPEGImage>());
    EXPECT_EQ(TPicture::FindFileFormat(L".jpeg"), GraphicClassOf<TJPEGImage>());
    EXPECT_EQ(TPicture::FindFileFormat(L"bmp"), GraphicClassOf<TBitmap>());
    EXPECT_EQ(TPicture::FindFileFormat(L"gif"), nullptr);
    EXPECT_NE(TPicture::GraphicFilter(nullptr).find(L"*.jpg"), std::wstring::npos);

    TPicture p;
    try {
        p.LoadFromFile(L"C:\\nowhere\\x.xyz");
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), L"Unknown picture file extension (.xyz)");
    }
    int changes = 0;
    p.OnChange = [&](TObject*) { ++changes; };
    p.Bitmap()->SetSize(3, 2);
    EXPECT_EQ(p.Width(), 3);
    EXPECT_GE(changes, 2);
    p.Icon();
    EXPECT_EQ(p.Width(), 0); // a picture of another class was replaced
}

TEST(Graphics, JpegRoundTripThroughPictureAndDraw) {
    TempDir dir;
    TBitmap src;
    src.SetSize(64, 48);
    Fill(src, clRed);
    src.Canvas()->Brush()->SetColor(clBlue);
    src.Canvas()->FillRect(RECT{32, 0, 64, 48});
    TJPEGImage jpeg;
    jpeg.Assign(&src);
    jpeg.SetCompressionQuality(95);
    std::wstring file = dir.File(L"pic.JPG");
    jpeg.SaveToFile(file);

    TPicture pic;
    pic.LoadFromFile(file);
    ASSERT_NE(dynamic_cast<TJPEGImage*>(pic.Graphic()), nullptr);
    EXPECT_EQ(pic.Width(), 64);
    EXPECT_EQ(pic.Height(), 48);

    TBitmap out;
    out.SetSize(64, 48);
    out.Canvas()->Draw(0, 0, pic.Graphic());
    EXPECT_TRUE(Near(PixelAt(out, 8, 24), RGB(255, 0, 0), 24));
    EXPECT_TRUE(Near(PixelAt(out, 56, 24), RGB(0, 0, 255), 24));

    // A bitmap takes the decoded picture.
    TBitmap copy;
    copy.Assign(pic.Graphic());
    EXPECT_EQ(copy.Width(), 64);
    EXPECT_TRUE(Near(PixelAt(copy, 56, 4), RGB(0, 0, 255), 24));

    // Damaged data: a clear error, the picture keeps what it had.
    std::string bytes = testing_support::ReadBytes(file);
    testing_support::WriteBytes(dir.File(L"bad.jpg"), "\xFF\xD8\xFF\xE0garbage");
    TJPEGImage bad;
    try {
        bad.LoadFromFile(dir.File(L"bad.jpg"));
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message().rfind(L"JPEG error #", 0), 0u) << WideToUtf8(e.Message());
    }
    EXPECT_TRUE(bad.Empty());
    // Cut short after the header: decodes (the rest grey) without failing.
    testing_support::WriteBytes(dir.File(L"cut.jpg"), bytes.substr(0, bytes.size() - 64));
    TJPEGImage cut;
    cut.LoadFromFile(dir.File(L"cut.jpg"));
    EXPECT_NO_THROW(out.Canvas()->Draw(0, 0, &cut));
}

TEST(Graphics, IconsAndImageLists) {
    TIcon icon;
    icon.LoadFromModuleFile(L"shell32.dll", 3, 16);
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(icon.Width(), 16);
    TMemoryStream s;
    icon.SaveToStream(&s);
    s.SetPosition(0);
    TIcon back;
    back.LoadFromStream(&s);
    EXPECT_EQ(back.Width(), 16);
    EXPECT_THROW(icon.SetWidth(32), EInvalidGraphicOperation);

    TImageList list(nullptr);
    int changes = 0;
    TChangeLink link;
    link.OnChange = [&](TObject*) { ++changes; };
    list.RegisterChanges(&link);
    EXPECT_EQ(list.AddIcon(&icon), 0);
    EXPECT_EQ(list.AddIconFromFile(L"shell32.dll", 4), 1);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(changes, 2);
    TIcon got;
    list.GetIcon(1, &got);
    EXPECT_EQ(got.Width(), 16);

    // A masked bitmap: its mask colour stays out when drawn.
    TBitmap pic;
    pic.SetSize(16, 16);
    Fill(pic, clFuchsia);
    pic.Canvas()->Brush()->SetColor(clBlue);
    pic.Canvas()->FillRect(RECT{4, 4, 12, 12});
    EXPECT_EQ(list.AddMasked(&pic, clFuchsia), 2);
    TBitmap dst;
    dst.SetSize(16, 16);
    Fill(dst, clLime);
    list.Draw(dst.Canvas(), 0, 0, 2);
    EXPECT_EQ(PixelAt(dst, 1, 1), RGB(0, 255, 0));
    EXPECT_EQ(PixelAt(dst, 8, 8), RGB(0, 0, 255));

    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_THROW(list.Delete(5), EInvalidOperation);
    list.SetSize(32, 32); // a new size empties the list
    EXPECT_EQ(list.Count(), 0);
}

namespace {

template <class T>
void Put(std::vector<uint8_t>& Out, const T& Value) {
    const auto* p = reinterpret_cast<const uint8_t*>(&Value);
    Out.insert(Out.end(), p, p + sizeof(T));
}

void LoadBytes(TGraphic& G, const std::vector<uint8_t>& Bytes) {
    TMemoryStream s;
    s.WriteBuffer(Bytes.data(), static_cast<int32_t>(Bytes.size()));
    s.SetPosition(0);
    G.LoadFromStream(&s);
}

// A BMP file of a 1 x 1 24-bit picture whose header size field says HeaderSize.
std::vector<uint8_t> BmpWithHeaderSize(DWORD HeaderSize, size_t Padding) {
    std::vector<uint8_t> out;
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    BITMAPINFOHEADER ih{};
    ih.biSize = HeaderSize;
    ih.biWidth = 1;
    ih.biHeight = 1;
    ih.biPlanes = 1;
    ih.biBitCount = 24;
    Put(out, fh);
    Put(out, ih);
    out.resize(out.size() + Padding, 0x80);
    return out;
}

// An ICO file with one 32 x 32, 32-bit image whose data is cut to Bytes bytes.
std::vector<uint8_t> IcoCutTo(DWORD Bytes) {
    std::vector<uint8_t> image;
    BITMAPINFOHEADER ih{};
    ih.biSize = sizeof(ih);
    ih.biWidth = 32;
    ih.biHeight = 64;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    Put(image, ih);
    image.resize(sizeof(ih) + 32 * 32 * 4 + 32 * 4, 0x40);
    image.resize(Bytes);
    std::vector<uint8_t> out;
    Put(out, WORD{0});
    Put(out, WORD{1});
    Put(out, WORD{1});
    Put(out, BYTE{32});
    Put(out, BYTE{32});
    Put(out, BYTE{0});
    Put(out, BYTE{0});
    Put(out, WORD{1});
    Put(out, WORD{32});
    Put(out, DWORD{Bytes});
    Put(out, DWORD{22});
    out.insert(out.end(), image.begin(), image.end());
    return out;
}

bool IsGdiObject(HGDIOBJ h) { return GetObjectType(h) != 0; }

} // namespace

TEST(Graphics, DamagedFilesAreRefusedWithTheirOwnError) {
    // Header sizes that wrap around the file offsets are not trusted.
    TBitmap b;
    for (DWORD size : {0xFFFFFFF2u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
        SCOPED_TRACE(size);
        EXPECT_THROW(LoadBytes(b, BmpWithHeaderSize(size, 1100)), EInvalidGraphic);
        EXPECT_THROW(LoadBytes(b, BmpWithHeaderSize(size, 4)), EInvalidGraphic);
    }
    LoadBytes(b, BmpWithHeaderSize(sizeof(BITMAPINFOHEADER), 4));
    EXPECT_EQ(b.Width(), 1);

    // An icon image shorter than its own header promises.
    TIcon icon;
    EXPECT_THROW(LoadBytes(icon, IcoCutTo(sizeof(BITMAPINFOHEADER) + 64)), EInvalidGraphic);
    EXPECT_TRUE(icon.Empty());
    LoadBytes(icon, IcoCutTo(sizeof(BITMAPINFOHEADER) + 32 * 32 * 4 + 32 * 4));
    EXPECT_EQ(icon.Width(), 32);
}

TEST(Graphics, HandlesAreNeitherLeakedNorLost) {
    // An icon emptied by assigning nothing destroys its icon.
    TIcon icon;
    icon.LoadFromModuleFile(L"shell32.dll", 3, 16);
    HICON h = icon.Handle();
    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(h, &ii));
    DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    icon.Assign(nullptr);
    EXPECT_TRUE(icon.Empty());
    EXPECT_FALSE(GetIconInfo(h, &ii));

    // A bitmap given its own handle keeps its picture.
    TBitmap b;
    b.SetSize(4, 4);
    Fill(b, clRed);
    b.SetHandle(b.Handle());
    ASSERT_EQ(b.Width(), 4);
    EXPECT_EQ(PixelAt(b, 2, 2), RGB(255, 0, 0));
    // A handle it cannot take is still deleted, as promised.
    HBITMAP huge = CreateBitmap(10000, 10000, 1, 1, nullptr);
    ASSERT_NE(huge, nullptr);
    EXPECT_THROW(b.SetHandle(huge), EInvalidGraphic);
    EXPECT_FALSE(IsGdiObject(huge));

    // An image list given its own handle keeps it.
    TImageList list(nullptr, 4, 4);
    EXPECT_EQ(list.AddMasked(&b, clNone), 0);
    list.SetHandle(list.Handle());
    EXPECT_EQ(list.Count(), 1);
}

TEST(Graphics, ImageListTakesABitmapThatWasDrawnOn) {
    TImageList list(nullptr);
    TBitmap pic, mask;
    pic.SetSize(16, 16);
    Fill(pic, clRed);
    mask.SetSize(16, 16);
    Fill(mask, clBlack); // everything opaque
    mask.Canvas()->Brush()->SetColor(clWhite);
    mask.Canvas()->FillRect(RECT{0, 0, 4, 16}); // left strip transparent
    EXPECT_EQ(list.Add(&pic, &mask), 0);
    TBitmap dst;
    dst.SetSize(16, 16);
    Fill(dst, clLime);
    list.Draw(dst.Canvas(), 0, 0, 0);
    EXPECT_EQ(PixelAt(dst, 8, 8), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(dst, 1, 8), RGB(0, 255, 0));
    // The bitmaps still draw on their own canvases afterwards.
    pic.Canvas()->SetPixel(0, 0, clBlue);
    EXPECT_EQ(PixelAt(pic, 0, 0), RGB(0, 0, 255));
}

TEST(Graphics, DrawTextNeverWritesIntoTheCallersText) {
    TBitmap b;
    b.SetSize(40, 20);
    const std::wstring text = L"abcdefghijklmnopqrstuvwxyz";
    const std::wstring shortText = L"WWWWWWW";
    RECT r{0, 0, 30, 20};
    b.Canvas()->DrawText(text, r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING);
    EXPECT_EQ(text, L"abcdefghijklmnopqrstuvwxyz");
    r = RECT{0, 0, 20, 20};
    b.Canvas()->DrawText(shortText, r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING);
    EXPECT_EQ(shortText, L"WWWWWWW");
}
