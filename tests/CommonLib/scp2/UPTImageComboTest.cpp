// The image combo box in a real window: item ownership across deletions, re-creation and
// destruction, item heights, and where an item's image and caption are drawn.
#include "../../vcl/VclTestSupport.h"

#include "UPTImageCombo.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

using namespace vcltest;

namespace {

int g_Frees = 0;

struct TCountedItem : TPTImageComboItem {
    ~TCountedItem() override { ++g_Frees; }
};

class TCountingCombo : public TPTCustomImageCombo {
public:
    VORLANE_CLASS_NAME(TCountingCombo)
    using TPTCustomImageCombo::TPTCustomImageCombo;
    // Runs the owner-draw step of line Index into DC.
    void DrawLine(HDC DC, int Index, UINT ItemState, const RECT& R) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_COMBOBOX;
        dis.itemID = static_cast<UINT>(Index);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = ItemState;
        dis.hwndItem = Handle();
        dis.hDC = DC;
        dis.rcItem = R;
        Perform(CN_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    }

protected:
    TPTImageComboItem* NewItem() override { return new TCountedItem(); }
};

// Images of one solid colour each (Size x Size).
std::unique_ptr<TImageList> SolidImages(int Size, std::initializer_list<COLORREF> Colours) {
    auto list = std::make_unique<TImageList>(nullptr, Size, Size);
    for (COLORREF c : Colours) {
        TBitmap b;
        b.SetSize(Size, Size);
        b.Canvas()->Brush()->SetColor(static_cast<TColor>(c));
        b.Canvas()->FillRect(RECT{0, 0, Size, Size});
        list->Add(&b, nullptr);
    }
    return list;
}

// The font's text-metric height.
int TextHeight(TFont* Font) {
    TBitmap b;
    b.SetSize(1, 1);
    TEXTMETRICW tm{};
    HGDIOBJ old = SelectObject(b.Canvas()->Handle(), Font->Handle());
    GetTextMetricsW(b.Canvas()->Handle(), &tm);
    SelectObject(b.Canvas()->Handle(), old);
    return tm.tmHeight;
}

COLORREF PixelAt(TBitmap& b, int x, int y) {
    const uint8_t* p = b.ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

struct TComboWindow {
    TForm Form{nullptr};
    TCountingCombo* Combo;
    std::vector<TPTImageComboItem*> Deleted;
    TComboWindow() {
        g_Frees = 0;
        Form.SetBounds(40, 40, 300, 200);
        Combo = new TCountingCombo(&Form);
        Combo->SetParent(&Form);
        Combo->SetBounds(10, 10, 200, 24);
        Combo->OnDeleteItem = [this](TObject*, TPTImageComboItem* item) { Deleted.push_back(item); };
        Form.HandleNeeded();
    }
};

} // namespace

TEST(PTImageCombo, EachItemIsFreedOnceWhateverHappensToTheWindow) {
    Watchdog dog(15000, "image combo items");
    TComboWindow w;
    std::vector<TPTImageComboItem*> items;
    for (int i = 0; i < 5; ++i)
        items.push_back(w.Combo->AddItem(L"item " + std::to_wstring(i), i, i % 3));
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(items[i]->Index(), i);
        EXPECT_EQ(w.Combo->GetItem(i), items[i]);
    }
    EXPECT_EQ(w.Combo->GetItem(-1), nullptr);
    EXPECT_EQ(w.Combo->GetItem(5), nullptr);
    EXPECT_EQ(SendMessageW(w.Combo->Handle(), CB_GETEXTENDEDUI, 0, 0), 1);

    // Re-creating the window (the combo's own, then the form's) keeps every item.
    w.Combo->SetItemIndex(3);
    w.Combo->RecreateWnd();
    w.Form.RecreateWnd();
    EXPECT_EQ(g_Frees, 0);
    EXPECT_TRUE(w.Deleted.empty());
    ASSERT_EQ(w.Combo->ItemCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(w.Combo->GetItem(i), items[i]);
    EXPECT_EQ(w.Combo->ItemIndex(), 3);
    EXPECT_EQ(SendMessageW(w.Combo->Handle(), CB_GETEXTENDEDUI, 0, 0), 1);
    // The window's text (what a screen reader reads) is the selected item's caption, cut to
    // the room given; without a selection it is empty.
    wchar_t text[16];
    EXPECT_EQ(SendMessageW(w.Combo->Handle(), WM_GETTEXTLENGTH, 0, 0), 6);
    EXPECT_EQ(SendMessageW(w.Combo->Handle(), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text)), 6);
    EXPECT_EQ(std::wstring(text), L"item 3");
    EXPECT_EQ(SendMessageW(w.Combo->Handle(), WM_GETTEXT, 5, reinterpret_cast<LPARAM>(text)), 4);
    EXPECT_EQ(std::wstring(text), L"item");
    w.Combo->SetItemIndex(-1);
    EXPECT_EQ(SendMessageW(w.Combo->Handle(), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text)), 0);
    EXPECT_EQ(std::wstring(text), L"");
    w.Combo->SetItemIndex(3);

    // Deleting lines reports each item once and frees it, also when the event raises.
    w.Combo->DeleteItem(1);
    EXPECT_EQ(w.Deleted, (std::vector<TPTImageComboItem*>{items[1]}));
    EXPECT_EQ(g_Frees, 1);
    int errors = 0;
    Application->OnException = [&](TObject*, const std::wstring&, const std::wstring&, const std::wstring&) {
        ++errors;
    };
    w.Combo->OnDeleteItem = [](TObject*, TPTImageComboItem*) { throw std::runtime_error("handler"); };
    w.Combo->DeleteItem(0);
    Application->OnException = nullptr;
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(g_Frees, 2);
    w.Combo->OnDeleteItem = [&](TObject*, TPTImageComboItem* item) { w.Deleted.push_back(item); };
    w.Combo->ClearItems();
    EXPECT_EQ(w.Deleted.size(), 4u);
    EXPECT_EQ(g_Frees, 5);

    // Items still in the list when the combo box goes are freed once, without the event.
    w.Combo->AddItem(L"a", 0, 0);
    w.Combo->AddItem(L"b", 0, 1);
    delete w.Combo;
    EXPECT_EQ(g_Frees, 7);
    EXPECT_EQ(w.Deleted.size(), 4u);
}

TEST(PTImageCombo, ItemsWithoutAWindowAndWithTheOwnerForm) {
    Watchdog dog(15000, "image combo owners");
    g_Frees = 0;
    {
        TCountingCombo loose(nullptr); // never has a window
        int events = 0;
        loose.OnDeleteItem = [&](TObject*, TPTImageComboItem*) { ++events; };
        loose.AddItem(L"a", 0, 0);
        TPTImageComboItem* b = loose.AddItem(L"b", 1, 1);
        EXPECT_EQ(b->Index(), 1);
        EXPECT_EQ(loose.GetItem(1), b);
        loose.DeleteItem(0);
        EXPECT_EQ(events, 1);
        EXPECT_EQ(g_Frees, 1);
        loose.AddItem(L"c", 0, 0);
    }
    EXPECT_EQ(g_Frees, 3);

    // The form goes with its window and its combo box (window first, then the objects).
    g_Frees = 0;
    {
        TComboWindow w;
        for (int i = 0; i < 4; ++i)
            w.Combo->AddItem(L"x", 0, 0);
        w.Form.Show();
    }
    EXPECT_EQ(g_Frees, 4);
}

TEST(PTImageCombo, ItemHeightFollowsFontAndImages) {
    Watchdog dog(15000, "image combo heights");
    TComboWindow w;
    w.Combo->AddItem(L"x", 0, 0);
    w.Combo->Font()->SetHeight(20); // cell height 20
    EXPECT_EQ(w.Combo->ItemHeight(), 22);
    auto small = SolidImages(16, {RGB(255, 0, 0)});
    auto large = SolidImages(32, {RGB(255, 0, 0)});
    w.Combo->SetImages(small.get());
    EXPECT_EQ(w.Combo->ItemHeight(), 22);
    w.Combo->SetImages(large.get());
    EXPECT_EQ(w.Combo->ItemHeight(), 32);
    EXPECT_EQ(SendMessageW(w.Combo->Handle(), CB_GETITEMHEIGHT, 0, 0), 32);
    // The list's removal clears it; the height stays until something changes it.
    large.reset();
    EXPECT_EQ(w.Combo->Images(), nullptr);
    w.Combo->Font()->SetHeight(12);
    const int text12 = TextHeight(w.Combo->Font()) + 2;
    EXPECT_LT(text12, 22);
    EXPECT_EQ(w.Combo->ItemHeight(), text12);
    w.Combo->SetAutoItemHeight(false);
    w.Combo->Font()->SetHeight(30);
    EXPECT_EQ(w.Combo->ItemHeight(), text12);
}

TEST(PTImageCombo, ImageAndCaptionPlacesByLevel) {
    Watchdog dog(15000, "image combo drawing");
    TComboWindow w;
    w.Combo->SetColor(static_cast<TColor>(RGB(255, 255, 255)));
    auto images = SolidImages(16, {RGB(255, 0, 0), RGB(0, 0, 255)});
    w.Combo->SetImages(images.get());
    TPTImageComboItem* deep = w.Combo->AddItem(L"Deep", 0, 3);
    int asked = 0;
    w.Combo->OnGetItemData = [&](TObject*, TPTImageComboItem* item) {
        EXPECT_EQ(item, deep);
        ++asked;
    };
    TBitmap pic;
    pic.SetSize(200, 20);
    HDC dc = pic.Canvas()->Handle();
    const RECT line{0, 0, 200, 20};

    // Level 3 with 12 pixels per level: the image starts 38 pixels in (36 + 2).
    w.Combo->DrawLine(dc, 0, 0, line);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(PixelAt(pic, 37, 10), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(pic, 38, 10), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(pic, 53, 10), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(pic, 54, 10), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(pic, 38, 1), RGB(255, 255, 255)); // centred: rows 2 .. 17

    // The edit part draws the selected item without indentation; the highlight lies only
    // behind the caption (from 16 + 4 + 1 to its width + 3 further).
    w.Combo->DrawLine(dc, 0, ODS_SELECTED | ODS_COMBOBOXEDIT, line);
    EXPECT_EQ(PixelAt(pic, 2, 10), RGB(255, 0, 0));
    const COLORREF highlight = ColorToRGB(clHighlight);
    EXPECT_EQ(PixelAt(pic, 21, 0), highlight);
    EXPECT_EQ(PixelAt(pic, 20, 0), RGB(255, 255, 255));
    EXPECT_EQ(PixelAt(pic, 190, 10), RGB(255, 255, 255));
    // Mirrored (right to left), the image stands at the right end of the face as it is, even
    // where the box hands the face over clipped to the item's unmirrored place.
    pic.Canvas()->FillRect(line);
    const HRGN unmirrored = CreateRectRgn(0, 0, 180, 20);
    SelectClipRgn(dc, unmirrored);
    DeleteObject(unmirrored);
    SetLayout(dc, LAYOUT_RTL);
    w.Combo->DrawLine(dc, 0, ODS_COMBOBOXEDIT, RECT{0, 0, 180, 20});
    SelectClipRgn(dc, nullptr);
    SetLayout(dc, 0);
    EXPECT_EQ(PixelAt(pic, 184, 10), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(pic, 196, 10), RGB(255, 0, 0));
    EXPECT_EQ(PixelAt(pic, 4, 10), RGB(255, 255, 255));

    // An overlay draws over the image; a line without an item only fills.
    ASSERT_TRUE(images->Overlay(1, 0));
    deep->SetOverlayIndex(0);
    w.Combo->DrawLine(dc, 0, 0, line);
    EXPECT_EQ(PixelAt(pic, 45, 10), RGB(0, 0, 255));
    pic.Canvas()->Brush()->SetColor(clBlack);
    pic.Canvas()->FillRect(line);
    w.Combo->DrawLine(dc, -1, 0, line);
    EXPECT_EQ(PixelAt(pic, 45, 10), RGB(255, 255, 255));
}
