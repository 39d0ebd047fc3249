#include "../../vcl/VclTestSupport.h"

#include "TntButtons.h"
#include "TntComCtrls.h"
#include "TntForms.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

using namespace vcltest;

namespace {

class TCcTntForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TCcTntForm)
    explicit TCcTntForm(TComponent* AOwner) : TTntForm(AOwner) { SetBounds(40, 40, 500, 400); }
};

std::wstring ClassOf(HWND wnd) {
    wchar_t buf[128] = {};
    GetClassNameW(wnd, buf, 128);
    return buf;
}

std::wstring ListText(HWND wnd, int item, int sub) {
    wchar_t buf[128] = {};
    LVITEMW it{};
    it.iSubItem = sub;
    it.pszText = buf;
    it.cchTextMax = 128;
    SendMessageW(wnd, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&it));
    return it.pszText;
}

class TForeignItem : public TListItem {
public:
    VORLANE_CLASS_NAME(TForeignItem)
    using TListItem::TListItem;
};

class TForeignNode : public TTreeNode {
public:
    VORLANE_CLASS_NAME(TForeignNode)
    using TTreeNode::TTreeNode;
};

class TMyNode : public TTntTreeNode {
public:
    VORLANE_CLASS_NAME(TMyNode)
    using TTntTreeNode::TTntTreeNode;
};

} // namespace

TEST(TntComCtrls, ListViewSubItemsAreAWideListOverTheItem) {
    Watchdog w(10000);
    TCcTntForm form(nullptr);
    auto* lv = new TTntListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add()->SetCaption(L"\u0416");
    lv->Columns()->Add();
    lv->Columns()->Add();
    TTntListItem* item = lv->Items()->Add();
    item->SetCaption(L"\u4e2d");
    item->SubItems()->Add(L"one \u0401");
    form.Show();
    HWND wnd = lv->Handle();
    EXPECT_EQ(ClassOf(wnd), L"TTntListView.UnicodeClass");
    EXPECT_TRUE(IsWindowUnicode(wnd));
    EXPECT_EQ(ListText(wnd, 0, 1), L"one \u0401");

    TWideSubItems* sub = item->SubItems();
    sub->Insert(0, L"zero");
    sub->SetStrings(1, L"eins");
    EXPECT_EQ(item->SubItem(1), L"eins");
    EXPECT_EQ(ListText(wnd, 0, 1), L"zero");
    EXPECT_EQ(ListText(wnd, 0, 2), L"eins");
    TTntStringList other;
    other.SetText(L"a\r\nb\r\n");
    sub->Assign(&other);
    EXPECT_EQ(item->SubItemCount(), 2);
    EXPECT_EQ(ListText(wnd, 0, 2), L"b");
    // A sub-item added through the item shows in the wide list.
    item->AddSubItem(L"c\u0416");
    EXPECT_EQ(sub->Count(), 3);
    EXPECT_EQ(sub->Strings(2), L"c\u0416");
    sub->Clear();
    EXPECT_EQ(ListText(wnd, 0, 1), L"");

    lv->RecreateWnd();
    EXPECT_EQ(ListText(lv->Handle(), 0, 0), L"\u4e2d");
}

TEST(TntComCtrls, ItemAndNodeClassesMustBeOfTheSet) {
    TTntListView lv(nullptr);
    lv.OnCreateItemClass = [](TObject*, TListItemClass& c) { c = &MakeListItem<TForeignItem>; };
    try {
        lv.Items()->Add();
        FAIL() << "no error";
    } catch (const ETntInternalError& e) {
        EXPECT_EQ(e.Message(), L"Internal Error: OnCreateItemClass.ItemClass must inherit from TTntListItem.");
    }
    EXPECT_EQ(lv.Items()->Count(), 0);

    TTntTreeView tv(nullptr);
    tv.OnCreateNodeClass = [](TObject*, TTreeNodeClass& c) { c = &MakeTreeNode<TForeignNode>; };
    try {
        tv.Items()->Add(nullptr, L"x");
        FAIL() << "no error";
    } catch (const ETntInternalError& e) {
        EXPECT_EQ(e.Message(), L"Internal Error: OnCreateNodeClass.ItemClass must inherit from TTntTreeNode.");
    }
    EXPECT_EQ(tv.Items()->Count(), 0);
    tv.OnCreateNodeClass = [](TObject*, TTreeNodeClass& c) { c = &MakeTreeNode<TMyNode>; };
    EXPECT_NE(dynamic_cast<TMyNode*>(tv.Items()->Add(nullptr, L"y")), nullptr);

    TTntSpeedButton glyphButton(nullptr);
    EXPECT_EQ(GetButtonGlyph(&glyphButton), glyphButton.ButtonGlyph());
    try {
        GetButtonGlyph(&lv);
        FAIL() << "no error";
    } catch (const ETntInternalError& e) {
        EXPECT_EQ(e.Message(), L"Internal Error: Control does not support ITntGlyphButton.");
    }
}

TEST(TntComCtrls, UnicodeWindowsOfTheOtherControls) {
    Watchdog w(10000);
    TCcTntForm form(nullptr);
    auto* tv = new TTntTreeView(&form);
    tv->SetParent(&form);
    TTntTreeNode* node = tv->Items()->AddChildObject(nullptr, L"\u0416 node", nullptr);
    auto* sb = new TTntStatusBar(&form);
    sb->SetParent(&form);
    sb->Panels()->Add()->SetText(L"\u0416 panel");
    auto* bar = new TTntToolBar(&form);
    bar->SetParent(&form);
    auto* pc = new TTntPageControl(&form);
    pc->SetParent(&form);
    pc->SetBounds(0, 60, 300, 200);
    auto* sheet = new TTntTabSheet(&form);
    sheet->SetCaption(L"\u4e2d\u6587");
    sheet->SetPageControl(pc);
    auto* pb = new TTntProgressBar(&form);
    pb->SetParent(&form);
    auto* tb = new TTntTrackBar(&form);
    tb->SetParent(&form);
    tb->SetRange(-10, 10);
    tb->SetPosition(-4);
    form.Show();
    EXPECT_EQ(ClassOf(tv->Handle()), L"TTntTreeView.UnicodeClass");
    EXPECT_EQ(ClassOf(sb->Handle()), L"TTntStatusBar.UnicodeClass");
    EXPECT_EQ(ClassOf(bar->Handle()), L"TTntToolBar.UnicodeClass");
    EXPECT_EQ(ClassOf(pc->Handle()), L"TTntPageControl.UnicodeClass");
    EXPECT_EQ(ClassOf(sheet->Handle()), L"TTntTabSheet.UnicodeClass");
    EXPECT_EQ(ClassOf(pb->Handle()), L"TTntProgressBar.UnicodeClass");
    EXPECT_EQ(ClassOf(tb->Handle()), L"TTntTrackBar.UnicodeClass");
    EXPECT_EQ(SendMessageW(tb->Handle(), TBM_GETPOS, 0, 0), -4);
    EXPECT_EQ(pc->TabCaption(0), L"\u4e2d\u6587");
    wchar_t buf[64] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = node->ItemId();
    it.pszText = buf;
    it.cchTextMax = 64;
    SendMessageW(tv->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_STREQ(buf, L"\u0416 node");
    SendMessageW(sb->Handle(), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buf));
    EXPECT_STREQ(buf, L"\u0416 panel");
}

TEST(TntComCtrls, RichEditLinesAreAWideListAndTextSettingIsQuiet) {
    Watchdog w(10000);
    TCcTntForm form(nullptr);
    auto* re = new TTntRichEdit(&form);
    re->SetParent(&form);
    int changes = 0;
    re->OnChange = [&](TObject*) { ++changes; };
    form.Show();
    EXPECT_EQ(ClassOf(re->Handle()), L"TTntRichEdit.UnicodeClass");
    TTntRichEditStrings* lines = re->Lines();
    lines->SetText(L"\u0416 first\r\nsecond\r\n");
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(lines->Count(), 2);
    EXPECT_EQ(lines->Strings(0), L"\u0416 first");
    TTntStringList more;
    more.Add(L"third \u4e2d");
    more.Add(L"fourth");
    lines->AddStrings(&more);
    EXPECT_EQ(changes, 0); // OnChange detached meanwhile
    EXPECT_EQ(lines->Count(), 4);
    EXPECT_EQ(lines->Strings(2), L"third \u4e2d");
    lines->Delete(1);
    EXPECT_EQ(lines->Strings(1), L"third \u4e2d");

    // Plain text streams are wide string-list text files.
    re->PlainText = true;
    TMemoryStream stream;
    lines->SaveToStream(&stream);
    ASSERT_GE(stream.Size(), 2);
    EXPECT_EQ(stream.Memory()[0], 0xFF);
    EXPECT_EQ(stream.Memory()[1], 0xFE);
    lines->Clear();
    EXPECT_EQ(lines->Count(), 0);
    stream.SetPosition(0);
    lines->LoadFromStream(&stream);
    EXPECT_EQ(lines->Count(), 3);
    EXPECT_EQ(lines->Strings(2), L"fourth");
}

TEST(TntComCtrls, SpeedButtonLaysOutTheWideCaptionByItsWidth) {
    Watchdog w(10000);
    TCcTntForm form(nullptr);
    auto* sb = new TTntSpeedButton(&form);
    sb->SetParent(&form);
    sb->SetBounds(0, 0, 120, 30);
    TBitmap glyph;
    glyph.SetSize(16, 16);
    sb->SetGlyph(&glyph);
    sb->SetCaption(L"\u0416\u0417");
    form.Show();
    HDC dc = GetDC(form.Handle());
    HGDIOBJ old = SelectObject(dc, sb->Font()->Handle());
    RECT r{0, 0, 200, 0};
    DrawTextW(dc, L"\u0416\u0417", 2, &r, DT_CALCRECT);
    SelectObject(dc, old);
    TButtonLayoutResult layout = sb->CurrentLayout(dc, POINT{0, 0});
    ReleaseDC(form.Handle(), dc);
    EXPECT_EQ(layout.TextBounds.right - layout.TextBounds.left, r.right);
    EXPECT_GT(r.right, 0);
    // Default margin -1 and spacing 4 centre the block in the 118-pixel inner width.
    EXPECT_EQ(layout.GlyphPos.x, 1 + (118 - (16 + 4 + r.right) + 1) / 2);
}

// Prints how long the keyword-list and table-of-contents shapes take (no limits asserted).
TEST(TntComCtrlsBenchmark, OwnerDataRowsAndTreeFill) {
    Watchdog w(120000, "benchmark");
    using clock = std::chrono::steady_clock;
    auto ms = [](clock::time_point a, clock::time_point b) {
        return std::chrono::duration<double, std::milli>(b - a).count();
    };
    TCcTntForm form(nullptr);
    auto* lv = new TTntListView(&form);
    lv->SetParent(&form);
    lv->SetAlign(alLeft);
    lv->SetWidth(240);
    lv->SetViewStyle(vsReport);
    lv->SetOwnerData(true);
    lv->SetShowColumnHeaders(false);
    lv->Columns()->Add()->SetWidth(220);
    std::vector<std::wstring> keywords;
    keywords.reserve(300000);
    for (int i = 0; i < 300000; ++i)
        keywords.push_back(L"keyword \u0416 " + std::to_wstring(i));
    long requests = 0;
    lv->OnData = [&](TObject*, TListItem* item) {
        ++requests;
        item->SetCaption(keywords[static_cast<size_t>(item->Index())]);
    };
    form.Show();
    auto t0 = clock::now();
    lv->Items()->SetCount(300000);
    UpdateWindow(lv->Handle());
    auto t1 = clock::now();
    for (int i = 0; i < 200; ++i) {
        int row = (i * 7919) % 300000;
        lv->SetItemIndex(row);
        lv->Items()->Item(row)->MakeVisible(false);
        UpdateWindow(lv->Handle());
    }
    auto t2 = clock::now();
    int found = 0;
    for (int i = 0; i < 200; ++i)
        found += lv->ItemIndex() >= 0;
    auto t2b = clock::now();

    auto* tv = new TTntTreeView(&form);
    tv->SetParent(&form);
    tv->SetAlign(alClient);
    auto t3 = clock::now();
    tv->Items()->BeginUpdate();
    for (int i = 0; i < 100; ++i) {
        TTreeNode* top = tv->Items()->AddObject(nullptr, L"Book \u0416 " + std::to_wstring(i), nullptr);
        for (int j = 0; j < 50; ++j)
            tv->Items()->AddChildObject(top, L"Topic " + std::to_wstring(j), nullptr);
    }
    tv->Items()->EndUpdate();
    UpdateWindow(tv->Handle());
    auto t4 = clock::now();
    int visited = 0;
    for (int i = 0; i < tv->Items()->Count(); ++i)
        visited += tv->Items()->Item(i) != nullptr;
    auto t5 = clock::now();
    std::printf("[ bench    ] owner data: count 300000 + paint %.1f ms; 200 jumps %.1f ms (%.2f ms each), %ld row requests\n",
                ms(t0, t1), ms(t1, t2), ms(t1, t2) / 200, requests);
    std::printf("[ bench    ] owner data: 200 reads of the selected row %.1f ms (%d)\n", ms(t2, t2b), found);
    std::printf("[ bench    ] tree: 5100 nodes filled in one update %.1f ms; walk by absolute index %.2f ms (%d)\n",
                ms(t3, t4), ms(t4, t5), visited);
    EXPECT_EQ(visited, 5100);
}
