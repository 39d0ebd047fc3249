#include "../../vcl/VclTestSupport.h"

#include "qenSmartTabs.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vcltest;

namespace {

// 400 x 30 pixels, tabs from y = 4: with the "+" button W = 356, per = 118, TabWidth 138.
// Tab i spans x0 = 118 i .. x0 + 138; the overlap of tabs 0 and 1 is x = 118 .. 138.
TSmartTabsGeometry Strip(int count, int active, int width = 400) {
    TSmartTabsGeometry g;
    g.ClientWidth = width;
    g.ClientHeight = 30;
    g.Count = count;
    g.ActiveTab = active;
    return SmartTabsLayout(g);
}

COLORREF PixelAt(TBitmap* b, int x, int y) {
    const uint8_t* p = b->ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

struct TEvents {
    int TabChanges = 0;
    int Adds = 0;
    std::vector<int> Closes;
};

void Wire(TqenSmartTabs* t, TEvents& e) {
    t->OnTabChange = [&e](TObject*) { ++e.TabChanges; };
    t->OnAddClick = [&e](TObject*) { ++e.Adds; };
}

void CALLBACK CloseMenuSoon(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    TPopupList::CloseOpenMenu();
}

// A shown form with a strip of three tabs holding the objects a, b, c.
struct TStripWindow {
    TForm Form{nullptr};
    TqenSmartTabs* Tabs;
    TObject A, B, C;
    TStripWindow() {
        Form.SetBounds(40, 40, 460, 120);
        Tabs = new TqenSmartTabs(&Form);
        Tabs->SetParent(&Form);
        Tabs->SetBounds(0, 0, 400, 50);
        Tabs->AddTabObject(L"a", &A);
        Tabs->AddTabObject(L"b", &B);
        Tabs->AddTabObject(L"c", &C);
        Form.Show();
    }
    ~TStripWindow() { Form.Hide(); }
    void Send(UINT msg, int x, int y, WPARAM keys = 0) {
        SendMessageW(Tabs->Handle(), msg, keys, MAKELPARAM(x, y));
    }
    void Click(int x, int y) {
        Send(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        Send(WM_LBUTTONUP, x, y);
    }
};

} // namespace

TEST(SmartTabsLayout, TabWidthFollowsStripWidthAndCount) {
    EXPECT_EQ(SmartTabsTabWidth(400, 0, 0, true), 12 + 20);              // no tabs
    EXPECT_EQ(SmartTabsTabWidth(600, 0, 40, true), 33);                  // (600 - 20 - 24) div 40 = 13
    EXPECT_EQ(SmartTabsTabWidth(1000, 0, 2, true), 212);                 // capped at 192
    EXPECT_EQ(SmartTabsTabWidth(400, 0, 3, true), 138);
    EXPECT_EQ(SmartTabsTabWidth(400, 0, 3, false), (400 - 20) / 3 + 20); // no room kept for "+"
    EXPECT_EQ(SmartTabsTabWidth(400, 50, 3, true), (400 - 70 - 24) / 3 + 20);
    EXPECT_EQ(SmartTabsTabWidth(300, 0, 100, true), 12 + 20);            // raised to the minimum
    // A strip narrower than its margins gets the widest tabs (the width rule as it stands).
    EXPECT_EQ(SmartTabsTabWidth(30, 0, 1, true), 212);
}

TEST(SmartTabsLayout, TabAtPosTable) {
    struct Row {
        int x, y, active, expected;
    } rows[] = {
        {60, 15, 0, 0},    {60, 15, 2, 0},      // inside tab 0
        {128, 15, 1, 1},                         // the overlap of 0 and 1: the active tab wins ...
        {128, 15, 0, 0},   {128, 15, 2, 0},      // ... else the left one
        {122, 15, 1, 0},   {133, 15, 0, 1},      // beside the slanted edges only one tab is hit
        {250, 15, 0, 2},   {246, 15, 2, 2},   {246, 15, 1, 1},
        {60, 2, 0, -1},    {60, 29, 0, -1},      // above the tabs, the bottom row
        {0, 28, 0, -1},    {370, 15, 0, -1},  {500, 15, 0, -1}, // left margin, beyond the last tab
    };
    for (const Row& r : rows)
        EXPECT_EQ(SmartTabsTabAtPos(Strip(3, r.active), r.x, r.y), r.expected)
            << "(" << r.x << "," << r.y << ") active " << r.active;
    for (int x = 0; x < 400; x += 7)
        EXPECT_EQ(SmartTabsTabAtPos(Strip(0, -1), x, 15), -1);
    // Tab offset moves everything.
    TSmartTabsGeometry g = Strip(3, 0);
    g.TabOffset = 30;
    g = SmartTabsLayout(g);
    EXPECT_EQ(SmartTabsTabAtPos(g, 25, 15), -1);
    EXPECT_EQ(SmartTabsTabAtPos(g, 60, 15), 0);
}

TEST(SmartTabsLayout, CloseBoxesAndTheAddButton) {
    TSmartTabsGeometry g = Strip(3, 1);
    EXPECT_EQ(SmartTabsCloseBoxAt(g, 115, 15), 0);
    EXPECT_EQ(SmartTabsCloseBoxAt(g, 230, 15), 1);
    EXPECT_EQ(SmartTabsCloseBoxAt(g, 350, 20), 2);
    EXPECT_EQ(SmartTabsCloseBoxAt(g, 115, 8), -1);   // above the box
    EXPECT_EQ(SmartTabsCloseBoxAt(g, 100, 15), -1);  // left of it
    EXPECT_EQ(SmartTabsCloseBoxAt(g, 450, 15), -1);  // no tab
    // "+" after the last tab: x = 374, y = 10.
    EXPECT_TRUE(SmartTabsAddButtonAt(g, 382, 17));
    EXPECT_FALSE(SmartTabsAddButtonAt(g, 382, 5));
    EXPECT_FALSE(SmartTabsAddButtonAt(g, 396, 17));
    EXPECT_FALSE(SmartTabsAddButtonAt(g, 300, 17));
    EXPECT_TRUE(SmartTabsAddButtonAt(Strip(0, -1), 24, 17)); // no tabs: right after the margin
    // However many tabs, "+" lies whole in the strip, both ways round, and a press on its middle
    // finds the button, not a tab cut off under it.
    for (int width : {640, 1280})
        for (int count = 0; count <= 200; count += 5)
            for (bool rtl : {false, true}) {
                TSmartTabsGeometry s = Strip(count, count - 1, width);
                s.RightToLeft = rtl;
                const TSmartTabsPolygon plus = SmartTabsAddButtonPolygon(s);
                int left = width, right = -1;
                for (POINT p : plus) {
                    left = std::min<int>(left, p.x);
                    right = std::max<int>(right, p.x);
                }
                EXPECT_TRUE(left >= 0 && right < width) << width << " px, " << count << " tabs: " << left << ".." << right;
                const int mid = (left + right) / 2;
                EXPECT_TRUE(SmartTabsAddButtonAt(s, mid, 17)) << width << " px, " << count << " tabs";
                EXPECT_EQ(SmartTabsTabAtPos(s, mid, 17), -1) << width << " px, " << count << " tabs";
            }
}

TEST(SmartTabsColours, BlendsRoundShiftAndClamp) {
    EXPECT_EQ(SmartTabsMix(RGB(255, 255, 255), RGB(0, 0, 0), 50), RGB(127, 127, 127));
    // Negative differences shift arithmetically (towards minus infinity).
    EXPECT_EQ(SmartTabsMix(RGB(0, 0, 0), RGB(255, 255, 255), 50), RGB(127, 127, 127));
    // 80 % is 204 / 256.
    EXPECT_EQ(SmartTabsMix(RGB(255, 0, 100), RGB(240, 200, 100), 80), RGB(251, 40, 100));
    EXPECT_EQ(SmartTabsMix(RGB(10, 20, 30), RGB(40, 50, 60), 0), RGB(40, 50, 60));
    // Outside 0..100 the channels stay within 0..255.
    EXPECT_EQ(SmartTabsMix(RGB(255, 255, 0), RGB(0, 128, 255), 200), RGB(255, 255, 0));
    EXPECT_EQ(SmartTabsMix(RGB(255, 255, 255), RGB(0, 128, 255), -50), RGB(0, 64, 255));

    // The outline pens blend step by step: half black, then 80 % into the inactive colour.
    TSmartTabsPalette p = SmartTabsPalette(RGB(255, 255, 255), RGB(240, 240, 240));
    EXPECT_EQ(p.Pens[2], RGB(127, 127, 127));
    EXPECT_EQ(p.Pens[1], RGB(149, 149, 149));
}

TEST(SmartTabsDropDown, ItemsOfTheList) {
    TTntStringList tabs;
    tabs.Add(L"Rock & Roll");
    tabs.Add(L"&&");
    tabs.Add(L"");
    auto items = SmartTabsDropDownItems(tabs, 1, L"&New tab");
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].Caption, L"&New tab");
    EXPECT_EQ(items[1].Caption, L"-");
    EXPECT_EQ(items[1].Tag, SmartTabsSeparatorTag);
    EXPECT_EQ(items[2].Caption, L"Rock && Roll");  // shown with its '&'
    EXPECT_EQ(items[3].Caption, L"&&&&");
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(items[2 + i].Tag, i);
        EXPECT_TRUE(items[2 + i].Radio);
        EXPECT_EQ(items[2 + i].Checked, i == 1);
        EXPECT_NE(items[0].Tag, items[2 + i].Tag);
    }
    EXPECT_LT(items[0].Tag, 0);
    EXPECT_NE(items[0].Tag, SmartTabsSeparatorTag);
}

TEST(SmartTabs, TabListRulesAndTheirEvents) {
    TqenSmartTabs t(nullptr);
    TEvents e;
    Wire(&t, e);
    EXPECT_EQ(t.Height(), 30);
    EXPECT_EQ(t.ActiveTab(), 0);
    TObject a, b, c, d;
    t.AddTabObject(L"a", &a);
    t.AddTabObject(L"b", &b);
    t.AddTabObject(L"c", &c);
    EXPECT_EQ(t.ActiveTab(), 2);
    EXPECT_EQ(e.TabChanges, 3);

    // Out-of-range indexes change nothing.
    t.InsertTabObject(3, L"x", &d);
    t.InsertTabObject(-1, L"x", &d);
    t.DeleteTab(3);
    t.DeleteTab(-1);
    t.SetTabCaption(5, L"x");
    EXPECT_EQ(t.GetTabCount(), 3);
    EXPECT_EQ(e.TabChanges, 3);
    std::wstring caption = L"old";
    t.GetTabCaption(7, caption);
    EXPECT_EQ(caption, L"");
    EXPECT_EQ(t.GetTabObject(-1), nullptr);

    t.InsertTabObject(1, L"d", &d); // a d b c
    EXPECT_EQ(t.ActiveTab(), 1);
    EXPECT_EQ(t.GetTabObject(1), &d);
    EXPECT_EQ(e.TabChanges, 4);

    t.SetActiveTab(99); // stored as 0, no event
    EXPECT_EQ(t.ActiveTab(), 0);
    EXPECT_EQ(e.TabChanges, 4);
    t.SetActiveTab(2);
    EXPECT_EQ(e.TabChanges, 5);

    // Deleting left of the active tab keeps the same tab active.
    t.DeleteTab(0); // d b c, active still b
    EXPECT_EQ(t.GetTabObject(t.ActiveTab()), &b);
    EXPECT_EQ(e.TabChanges, 6);
    // Deleting the active last tab makes the new last one active.
    t.SetActiveTab(2);
    t.DeleteTab(2);
    EXPECT_EQ(t.ActiveTab(), 1);
    EXPECT_EQ(t.GetTabObject(1), &b);

    t.SetTabCaption(0, L"D");
    t.GetTabCaption(0, caption);
    EXPECT_EQ(caption, L"D");

    // Assigning a shorter list moves the active tab to its end.
    TTntStringList other;
    other.AddObject(L"only", &a);
    int before = e.TabChanges;
    t.SetTabs(&other);
    EXPECT_EQ(t.ActiveTab(), 0);
    EXPECT_EQ(t.GetTabObject(0), &a);
    EXPECT_EQ(e.TabChanges, before + 2); // through the setter, then once more

    before = e.TabChanges;
    t.ClearTabs();
    EXPECT_EQ(t.ActiveTab(), -1);
    EXPECT_EQ(t.GetTabCount(), 0);
    EXPECT_EQ(e.TabChanges, before);

    // The strip keeps its height; the tab offset sets it.
    t.SetBounds(0, 0, 300, 80);
    EXPECT_EQ(t.Height(), 30);
    t.SetTabOffsetTop(10);
    EXPECT_EQ(t.Height(), 36);
}

TEST(SmartTabs, DropDownListActsOnItsItems) {
    TqenSmartTabs t(nullptr);
    TEvents e;
    Wire(&t, e);
    TObject a, b;
    t.AddTabObject(L"a", &a);
    t.AddTabObject(L"b", &b);
    t.SetNewTabCaption(L"Neuer Tab");
    t.BuildDropDownMenu();
    TMenuItem* root = t.DropDownMenu()->Items();
    ASSERT_EQ(root->Count(), 4);
    EXPECT_EQ(root->Items(0)->Caption(), L"Neuer Tab");
    EXPECT_TRUE(root->Items(3)->Checked());
    root->Items(2)->Click();
    EXPECT_EQ(t.ActiveTab(), 0);
    root->Items(0)->Click();
    EXPECT_EQ(e.Adds, 1);
    EXPECT_EQ(t.ActiveTab(), 0);
    // Built again on each opening.
    t.AddTabObject(L"c", nullptr);
    t.BuildDropDownMenu();
    EXPECT_EQ(root->Count(), 5);
}

TEST(SmartTabsWindow, SelectCloseAndAdd) {
    Watchdog dog(20000, "tab strip clicks");
    TStripWindow w;
    TEvents e;
    Wire(w.Tabs, e);
    w.Click(250, 15);
    EXPECT_EQ(w.Tabs->ActiveTab(), 2);
    w.Click(60, 15);
    EXPECT_EQ(w.Tabs->ActiveTab(), 0);
    EXPECT_EQ(e.TabChanges, 2);
    w.Click(128, 15); // overlap of 0 (active) and 1
    EXPECT_EQ(w.Tabs->ActiveTab(), 0);

    // Close box without a handler: nothing is deleted.
    w.Click(230, 15);
    EXPECT_EQ(w.Tabs->GetTabCount(), 3);
    // A handler that vetoes, then one that leaves Close alone.
    std::vector<std::pair<int, bool>> asked;
    bool veto = true;
    w.Tabs->OnCloseTab = [&](TObject*, int index, bool& close) {
        asked.push_back({index, close});
        if (veto)
            close = false;
    };
    w.Click(230, 15);
    EXPECT_EQ(w.Tabs->GetTabCount(), 3);
    veto = false;
    w.Click(230, 15);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[1], std::make_pair(1, true));
    EXPECT_EQ(w.Tabs->GetTabCount(), 2);
    EXPECT_EQ(w.Tabs->GetTabObject(1), &w.C);
    // Pressed on one close box, released elsewhere: nothing.
    // (Two tabs now: 400 - 44 = 356, per 178, TabWidth 198; tab 0's close box from x = 170.)
    w.Send(WM_LBUTTONDOWN, 175, 15, MK_LBUTTON);
    EXPECT_EQ(w.Tabs->PressedCloseBox(), 0);
    w.Send(WM_LBUTTONUP, 60, 15);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(w.Tabs->PressedCloseBox(), -1);

    // "+" after the last of the two tabs: x = 376.
    w.Click(384, 17);
    EXPECT_EQ(e.Adds, 1);
    w.Send(WM_LBUTTONDOWN, 384, 17, MK_LBUTTON);
    w.Send(WM_LBUTTONUP, 300, 17);
    EXPECT_EQ(e.Adds, 1);
    w.Tabs->SetShowButton(false);
    w.Click(384, 17);
    EXPECT_EQ(e.Adds, 1);
}

TEST(SmartTabsWindow, RightToLeftIsTheMirrorImageAndTurnsBack) {
    Watchdog dog(20000, "tab strip right to left");
    TStripWindow w;
    TEvents e;
    Wire(w.Tabs, e);
    std::vector<int> closed;
    w.Tabs->OnCloseTab = [&](TObject*, int index, bool& close) {
        closed.push_back(index);
        close = false;
    };
    w.Tabs->SetBiDiMode(bdRightToLeft);
    TSmartTabsGeometry rtl = w.Tabs->Geometry(), ltr = rtl;
    ASSERT_TRUE(rtl.RightToLeft);
    ltr.RightToLeft = false;
    // Every hit test answers at x what the left-to-right strip answers at its mirror point.
    for (int y : {8, 15, 20, 28})
        for (int x = 0; x < 400; ++x) {
            ASSERT_EQ(SmartTabsTabAtPos(rtl, x, y), SmartTabsTabAtPos(ltr, 399 - x, y)) << x << "," << y;
            ASSERT_EQ(SmartTabsCloseBoxAt(rtl, x, y), SmartTabsCloseBoxAt(ltr, 399 - x, y)) << x << "," << y;
            ASSERT_EQ(SmartTabsAddButtonAt(rtl, x, y), SmartTabsAddButtonAt(ltr, 399 - x, y)) << x << "," << y;
        }
    // The first tab at the right edge, "+" left of the last one; clicks act on what they hit.
    EXPECT_EQ(SmartTabsTabBounds(rtl, 0).right, 400);
    w.Click(399 - 60, 15);
    EXPECT_EQ(w.Tabs->ActiveTab(), 0);
    w.Click(399 - 230, 15); // tab 1's close box, at its left end
    EXPECT_EQ(closed, std::vector<int>{1});
    w.Click(399 - 384, 17);
    EXPECT_EQ(e.Adds, 1);
    for (int i = 0; i < 3; ++i)
        w.Tabs->SetTabCaption(i, L" ");
    w.Tabs->SetColorBackground(RGB(10, 20, 30));
    w.Tabs->SetColor(RGB(50, 200, 100));
    TBitmap* b = w.Tabs->PaintOffscreen();
    EXPECT_EQ(PixelAt(b, 399 - 60, 8), RGB(50, 200, 100));
    EXPECT_EQ(PixelAt(b, 398, 1), RGB(10, 20, 30));

    // Left to right again: as before.
    w.Tabs->SetBiDiMode(bdLeftToRight);
    EXPECT_FALSE(w.Tabs->Geometry().RightToLeft);
    w.Click(250, 15);
    EXPECT_EQ(w.Tabs->ActiveTab(), 2);
    EXPECT_EQ(PixelAt(w.Tabs->PaintOffscreen(), 250, 8), RGB(50, 200, 100));
}

TEST(SmartTabsWindow, DragReordersPastTheThreshold) {
    Watchdog dog(20000, "tab strip drag");
    TStripWindow w;
    TEvents e;
    Wire(w.Tabs, e);
    w.Send(WM_LBUTTONDOWN, 60, 15, MK_LBUTTON);
    EXPECT_TRUE(w.Tabs->AllowTabDrag()); // armed by the press
    w.Send(WM_MOUSEMOVE, 75, 15, MK_LBUTTON);
    EXPECT_FALSE(w.Tabs->Dragging());
    w.Send(WM_MOUSEMOVE, 180, 15, MK_LBUTTON); // over tab 1
    EXPECT_TRUE(w.Tabs->Dragging());
    EXPECT_EQ(w.Tabs->GetTabObject(1), &w.A);
    EXPECT_EQ(w.Tabs->ActiveTab(), 1);
    w.Send(WM_MOUSEMOVE, 300, 15, MK_LBUTTON); // on to tab 2
    w.Send(WM_LBUTTONUP, 300, 15);
    EXPECT_FALSE(w.Tabs->Dragging());
    EXPECT_EQ(w.Tabs->GetTabObject(0), &w.B);
    EXPECT_EQ(w.Tabs->GetTabObject(1), &w.C);
    EXPECT_EQ(w.Tabs->GetTabObject(2), &w.A);
    EXPECT_EQ(w.Tabs->ActiveTab(), 2);
    // Moving with the button held after a press beside the tabs moves nothing.
    w.Send(WM_LBUTTONDOWN, 398, 28, MK_LBUTTON);
    w.Send(WM_MOUSEMOVE, 60, 15, MK_LBUTTON);
    w.Send(WM_LBUTTONUP, 60, 15);
    EXPECT_EQ(w.Tabs->GetTabObject(2), &w.A);
}

TEST(SmartTabsWindow, HotStatesRightClickListAndHint) {
    Watchdog dog(20000, "tab strip hot states");
    TStripWindow w;
    w.Send(WM_MOUSEMOVE, 180, 15);
    EXPECT_EQ(w.Tabs->HotTab(), 1);
    w.Send(WM_MOUSEMOVE, 230, 15);
    EXPECT_EQ(w.Tabs->HotCloseBox(), 1);
    w.Send(WM_MOUSEMOVE, 382, 17);
    EXPECT_TRUE(w.Tabs->AddButtonHot());
    w.Tabs->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(w.Tabs->HotTab(), -1);
    EXPECT_FALSE(w.Tabs->AddButtonHot());

    // A right click beside the tabs opens the strip's own list (closed here by a timer).
    int popups = 0;
    w.Tabs->DropDownMenu()->OnPopup = [&](TObject*) { ++popups; };
    SetTimer(nullptr, 0, 150, CloseMenuSoon);
    w.Send(WM_RBUTTONDOWN, 398, 28, MK_RBUTTON);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(w.Tabs->DropDownMenu()->Items()->Count(), 5);
    // Over a tab with a popup menu of its own, the list stays shut.
    TPopupMenu menu(nullptr);
    w.Tabs->SetPopupMenu(&menu);
    w.Send(WM_RBUTTONDOWN, 60, 15, MK_RBUTTON);
    EXPECT_EQ(popups, 1);
    w.Tabs->SetPopupMenu(nullptr);

    // The hint: the whole caption of a cut one, over the tab, for 12 s.
    w.Tabs->SetHint(L"strip");
    w.Tabs->SetTabCaption(1, std::wstring(60, L'W'));
    THintInfo info;
    info.HintStr = L"strip";
    info.CursorPos = POINT{180, 15};
    EXPECT_EQ(w.Tabs->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)), 0);
    EXPECT_EQ(info.HintStr, std::wstring(60, L'W'));
    EXPECT_EQ(info.HideTimeout, 12000);
    EXPECT_EQ(info.CursorRect.left, 118);
    EXPECT_EQ(info.CursorRect.right, 257);
    THintInfo plain;
    plain.HintStr = L"strip";
    plain.CursorPos = POINT{60, 15}; // "a" fits
    w.Tabs->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&plain));
    EXPECT_EQ(plain.HintStr, L"strip");
}

TEST(SmartTabsWindow, PaintsSolidAreasAndSurvivesRecreate) {
    Watchdog dog(20000, "tab strip paint");
    TStripWindow w;
    for (int i = 0; i < 3; ++i)
        w.Tabs->SetTabCaption(i, L" ");
    w.Tabs->SetColorBackground(RGB(10, 20, 30));
    w.Tabs->SetColorInactive(RGB(200, 100, 50));
    w.Tabs->SetColor(RGB(50, 200, 100));
    w.Tabs->SetActiveTab(1);
    w.Send(WM_MOUSEMOVE, 300, 8); // tab 2 hot
    TBitmap* b = w.Tabs->PaintOffscreen();
    ASSERT_EQ(b->Width(), 400);
    ASSERT_EQ(b->Height(), 30);
    EXPECT_EQ(PixelAt(b, 1, 1), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(b, 398, 28), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(b, 60, 8), RGB(200, 100, 50));
    EXPECT_EQ(PixelAt(b, 180, 8), RGB(50, 200, 100));
    EXPECT_EQ(PixelAt(b, 300, 8), SmartTabsMix(RGB(50, 200, 100), RGB(200, 100, 50), 80));
    // The active tab is drawn over its neighbours' overlaps.
    EXPECT_EQ(PixelAt(b, 128, 15), RGB(50, 200, 100));
    // Tabs that run past the strip are cut off before "+" (x = 376 .. 396 from y = 10).
    TObject more;
    for (int i = 0; i < 40; ++i)
        w.Tabs->AddTabObject(L" ", &more);
    b = w.Tabs->PaintOffscreen();
    EXPECT_EQ(PixelAt(b, 362, 8), RGB(200, 100, 50));
    EXPECT_EQ(PixelAt(b, 390, 8), RGB(10, 20, 30));
    EXPECT_EQ(PixelAt(b, 398, 20), RGB(10, 20, 30));
    while (w.Tabs->GetTabCount() > 3)
        w.Tabs->DeleteTab(3);
    w.Tabs->SetActiveTab(1);

    // Transparent: the parent's colour shows behind the tabs.
    w.Form.SetColor(RGB(1, 2, 3));
    w.Tabs->SetTransparent(true);
    b = w.Tabs->PaintOffscreen();
    EXPECT_EQ(PixelAt(b, 1, 1), RGB(1, 2, 3));

    HWND before = w.Tabs->Handle();
    w.Tabs->RecreateWnd();
    EXPECT_NE(w.Tabs->Handle(), before);
    EXPECT_EQ(w.Tabs->GetTabCount(), 3);
    EXPECT_EQ(w.Tabs->ActiveTab(), 1);
    w.Click(60, 15);
    EXPECT_EQ(w.Tabs->ActiveTab(), 0);
    UpdateWindow(w.Tabs->Handle());
    EXPECT_EQ(PixelAt(w.Tabs->OffscreenBitmap(), 60, 8), RGB(50, 200, 100));
}
