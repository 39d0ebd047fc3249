#include "../../vcl/VclTestSupport.h"

#include "qenPathViewer.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

using namespace vcltest;

namespace {

// Every character 6 pixels wide.
int Width6(const std::wstring& s) { return static_cast<int>(s.size()) * 6; }

using Segs = std::vector<std::wstring>;

TpvLayout Lay(const Segs& segs, int width, bool sub = false, bool hideFirst = false, bool rtl = false,
              const TpvDrawArrowHook& hook = {}) {
    TpvGeometry g;
    g.ClientWidth = width;
    g.ClientHeight = 25;
    g.HasSubItems = sub;
    g.HideFirstLevel = hideFirst;
    g.RightToLeft = rtl;
    return PathViewerLayout(segs, Width6, g, hook);
}

struct CellRow {
    int Left, Right, Index;
    bool Button, First;
};

void ExpectCells(const TpvLayout& l, const std::vector<CellRow>& rows) {
    ASSERT_EQ(l.Cells.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const TpvCell& c = l.Cells[i];
        EXPECT_EQ(c.Left, rows[i].Left) << "cell " << i;
        EXPECT_EQ(c.Right, rows[i].Right) << "cell " << i;
        EXPECT_EQ(c.Index, rows[i].Index) << "cell " << i;
        EXPECT_EQ(c.Button, rows[i].Button) << "cell " << i;
        EXPECT_EQ(c.First, rows[i].First) << "cell " << i;
    }
}

COLORREF PixelAt(TBitmap* b, int x, int y) {
    const uint8_t* p = b->ScanLine(y) + x * 3;
    return RGB(p[2], p[1], p[0]);
}

void CALLBACK CloseMenuSoon(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    TPopupList::CloseOpenMenu();
}

// Notes whether a menu window shows, then closes it.
bool g_MenuSeen = false;
void CALLBACK SeeAndCloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND menu = FindWindowW(L"#32768", nullptr);
    g_MenuSeen = g_MenuSeen || (menu && IsWindowVisible(menu));
    TPopupList::CloseOpenMenu();
}

struct TPopupCall {
    std::wstring Path;
    int Off, Idx;
};

// A shown form with a bar of 400 x 25 showing "C:\Users\Public".
struct TBarWindow {
    TForm Form{nullptr};
    TqenPathViewer* Bar;
    std::vector<TPopupCall> Popups;
    std::vector<int> Clicks;
    TBarWindow() {
        Form.SetBounds(40, 40, 460, 120);
        Bar = new TqenPathViewer(&Form);
        Bar->SetParent(&Form);
        Bar->SetBounds(10, 10, 400, 25);
        Bar->SetPath(L"C:\\Users\\Public");
        Bar->SetHasSubItems(true);
        Bar->OnPopup = [this](TObject*, std::wstring& path, int off, int idx, TTntPopupMenu*& menu) {
            Popups.push_back({path, off, idx});
            auto* item = new TTntMenuItem(menu);
            item->SetCaption(L"child");
            menu->Items()->Add(item);
            SetTimer(nullptr, 0, 50, CloseMenuSoon);
        };
        Bar->OnPathClick = [this](TObject*, int idx) { Clicks.push_back(idx); };
        Form.Show();
        Bar->HitTest();
    }
    ~TBarWindow() { Form.Hide(); }
    void Send(UINT msg, int x, int y, WPARAM keys = 0) { SendMessageW(Bar->Handle(), msg, keys, MAKELPARAM(x, y)); }
    void Click(int x, int y = 12) {
        Send(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        Send(WM_LBUTTONUP, x, y);
    }
    void Key(WORD key) { SendMessageW(Bar->Handle(), WM_KEYDOWN, key, 0); }
    // The middle of the cell that is the button (or arrow) of segment Index.
    int Mid(int Index, bool Button) {
        Bar->HitTest();
        for (const TpvCell& c : Bar->Layout().Cells)
            if (!c.First && c.Index == Index && c.Button == Button)
                return (c.Left + c.Right) / 2;
        ADD_FAILURE() << "no cell for " << Index;
        return -1;
    }
    int FirstArrowMid() {
        Bar->HitTest();
        const TpvCell& c = Bar->Layout().Cells.at(0);
        EXPECT_TRUE(c.First);
        return (c.Left + c.Right) / 2;
    }
};

} // namespace

TEST(PathViewerSplit, SeparatorsUncAndBadInput) {
    struct Row {
        const wchar_t* Path;
        wchar_t Sep;
        Segs Expected;
    } rows[] = {
        {L"C:\\a\\b", L'\\', {L"C:", L"a", L"b"}},
        {L"\\\\srv\\share\\x", L'\\', {L"\\\\srv", L"share", L"x"}},
        {L"Home|Topic A|Topic B", L'|', {L"Home", L"Topic A", L"Topic B"}},
        {L"C:\\a\\", L'\\', {L"C:", L"a"}},          // trailing separator
        {L"|Home|", L'|', {L"Home"}},
        {L"", L'\\', {}},
        {L"|||", L'|', {}},                            // separators only
        {L"\\", L'\\', {}},
        {L"\\\\\\\\", L'\\', {L"\\\\\\\\"}},           // doubled backslashes stay in the first segment
        {L"a||b", L'|', {L"a", L"", L"b"}},            // an empty middle segment stays
        {L" a | b ", L'|', {L"a ", L" b"}},            // only the ends are trimmed
        {L"C:\\x|y", L'\\', {L"C:", L"x|y"}},          // '|' only means "\\" in the first segment
    };
    for (const Row& r : rows)
        EXPECT_EQ(PathViewerSplitPath(r.Path, r.Sep), r.Expected) << "path " << testing::PrintToString(std::wstring(r.Path));

    // The control: separator changes split again; every set fires OnPathChanged.
    TqenPathViewer bar(nullptr);
    int changes = 0;
    bar.OnPathChanged = [&](TObject*) { ++changes; };
    bar.SetPath(L"Home|Topic A");
    EXPECT_EQ(bar.Segments()->Count(), 1);
    bar.SetPathSepertor(L'|');
    EXPECT_EQ(bar.Segments()->Count(), 2);
    EXPECT_EQ(bar.Segments()->Strings(1), L"Topic A");
    EXPECT_EQ(changes, 2);
    // Bad paths lay out and paint; what does not fit goes behind the back arrow.
    for (const wchar_t* path : {L"", L"||||", L"a|", L"Home|An extremely long segment caption wider than the bar"}) {
        bar.SetPath(path);
        ASSERT_NE(bar.PaintOffscreen(), nullptr);
    }
    EXPECT_EQ(bar.HiddenCount(), 2);
    EXPECT_EQ(bar.Layout().FirstArrow, pvaBack);
}

TEST(PathViewerLayout, HiddenCounts) {
    // Needed width: 36 + sum(w + 23), less 14 without sub-items; hidden while the excess
    // over ClientWidth - 8 is above 0.
    struct Row {
        std::vector<int> Widths;
        int ClientWidth;
        bool Sub, HideFirst;
        int Hidden;
    } rows[] = {
        {{30, 30}, 200, false, false, 0},    // needs 128
        {{30, 30}, 136, false, false, 0},    // needs exactly ClientWidth - 8: excess 0
        {{30, 30}, 135, false, false, 1},    // excess 1
        {{30, 30}, 136, true, false, 1},     // the last arrow needs 14 more
        {{30, 30, 30}, 100, false, false, 2}, // the rest fits once two are hidden
        {{30, 30, 30}, 30, false, false, 3},  // never fits: all hidden
        {{30, 30}, 200, false, true, 1},     // fits, but the first level is hidden anyway
        {{30}, 200, false, true, 0},         // ... not when it is the only one
        {{30, 30, 30}, 160, false, true, 1}, // overflow already hides one: no extra
        {{}, 0, false, true, 0},
        {{1000}, 50, true, false, 1},        // a segment wider than the bar
    };
    for (const Row& r : rows)
        EXPECT_EQ(PathViewerHiddenCount(r.Widths, r.ClientWidth, r.Sub, r.HideFirst), r.Hidden)
            << "width " << r.ClientWidth << " sub " << r.Sub << " hide-first " << r.HideFirst;
}

TEST(PathViewerLayout, CellSequences) {
    // "ab" = 12 + 9 = 21 wide buttons.
    ExpectCells(Lay({L"ab", L"cd"}, 300), {{22, 43, 0, true, false},
                                          {43, 57, 0, false, false},
                                          {57, 78, 1, true, false}}); // no arrow after the last
    ExpectCells(Lay({L"ab", L"cd"}, 300, true), {{22, 43, 0, true, false},
                                                {43, 57, 0, false, false},
                                                {57, 78, 1, true, false},
                                                {78, 92, 1, false, false}});
    // First level hidden: the back arrow (index hidden - 1) opens the sequence.
    TpvLayout hidden = Lay({L"ab", L"cd"}, 300, false, true);
    EXPECT_EQ(hidden.FirstArrow, pvaBack);
    ExpectCells(hidden, {{22, 36, 0, false, true}, {36, 57, 1, true, false}});
    // Right to left: from ClientWidth - 22 leftwards.
    ExpectCells(Lay({L"ab", L"cd"}, 300, true, false, true), {{257, 278, 0, true, false},
                                                             {243, 257, 0, false, false},
                                                             {222, 243, 1, true, false},
                                                             {208, 222, 1, false, false}});
    // Nothing fits: the back arrow is the whole sequence.
    TpvLayout none = Lay({L"abcdef", L"abcdef"}, 40);
    EXPECT_EQ(none.Hidden, 2);
    ExpectCells(none, {{22, 36, 1, false, true}});
    EXPECT_TRUE(Lay({}, 300).Cells.empty());

    // OnDrawArrow decides the first cell once: a normal arrow without hidden segments ...
    int calls = 0;
    TpvLayout forced = Lay({L"ab"}, 300, false, false, false, [&](int hiddenCount, TpvArrow& style) {
        ++calls;
        EXPECT_EQ(hiddenCount, 0);
        style = pvaNormal;
    });
    EXPECT_EQ(calls, 1);
    ExpectCells(forced, {{22, 36, -1, false, true}, {36, 57, 0, true, false}});
    // ... or no back arrow although segments are hidden.
    TpvLayout noBack = Lay({L"ab", L"cd"}, 300, false, true, false, [](int, TpvArrow& style) { style = pvaNone; });
    ExpectCells(noBack, {{22, 43, 1, true, false}});
}

TEST(PathViewerLayout, HitStatesAtCellBorders) {
    const Segs segs{L"ab", L"cd"};
    TpvLayout l = Lay(segs, 300, true, true); // back arrow 22..36, "cd" 36..57, its arrow 57..71
    auto hit = [&](int x, int y = 10, bool down = false, int downIndex = -2, bool keyboard = false) {
        TpvHitInput in;
        in.X = x;
        in.Y = y;
        in.ButtonDown = down;
        in.DownIndex = downIndex;
        in.KeyboardMode = keyboard;
        in.ClientHeight = 25;
        in.CurrentIndex = 7;
        return PathViewerHitTest(l, segs, in);
    };
    EXPECT_EQ(hit(21).State, isNormal);
    EXPECT_EQ(hit(21).Index, 7); // no cell: the current index stays
    TpvHit back = hit(22);
    EXPECT_EQ(back.State, isArrowHot);
    EXPECT_EQ(back.PopupPath, L"*");
    EXPECT_EQ(back.PopupIndex, -1);
    EXPECT_EQ(back.Index, 0);
    EXPECT_EQ(hit(36).State, isButtonHot); // the back arrow's last pixel is the button's first
    EXPECT_EQ(hit(56).State, isButtonHot);
    TpvHit shared = hit(57); // the pixel a button shares with its arrow belongs to the arrow
    EXPECT_EQ(shared.State, isArrowHot);
    EXPECT_EQ(shared.Index, 1);
    EXPECT_EQ(shared.PopupPath, L"ab\\cd\\");
    EXPECT_EQ(shared.PopupIndex, 1);
    EXPECT_EQ(shared.PopupPoint.x, 71 - 35);
    EXPECT_EQ(shared.PopupPoint.y, 24);
    EXPECT_EQ(hit(72).State, isNormal);

    // Pressed only on the cell pressed, with Y inside the bar (any Y in keyboard mode).
    EXPECT_EQ(hit(40, 10, true, 1).State, isButtonPressed);
    EXPECT_EQ(hit(60, 10, true, 1).State, isArrowPressed); // its own arrow has the same index
    EXPECT_EQ(hit(30, 10, true, 1).State, isNormal);
    EXPECT_EQ(hit(40, 0, true, 1).State, isNormal);
    EXPECT_EQ(hit(40, 25, true, 1).State, isButtonPressed);
    EXPECT_EQ(hit(40, 26, true, 1).State, isNormal);
    EXPECT_EQ(hit(40, 40, true, 1, true).State, isButtonPressed);

    // Right to left: the drop-down's right edge is 21 pixels right of the arrow cell.
    TpvLayout r = Lay(segs, 300, true, false, true);
    TpvHitInput in;
    in.X = 250;
    in.ClientHeight = 25;
    in.RightToLeft = true;
    TpvHit rtl = PathViewerHitTest(r, segs, in);
    EXPECT_EQ(rtl.State, isArrowHot);
    EXPECT_EQ(rtl.PopupPoint.x, 257 + 21);
}

TEST(PathViewerLayout, GradientRows) {
    // Rows 0..m-2 from C1 towards C2 over m rows, then from M = C1 + 15/9 (C2 - C1)
    // (clamped) towards C2 over h rows.
    const auto g = PathViewerGradient(RGB(0, 100, 200), RGB(90, 10, 200), 8); // m = 4
    ASSERT_EQ(g.size(), 8u);
    EXPECT_EQ(g[0], RGB(0, 100, 200));
    EXPECT_EQ(g[2], RGB(45, 55, 200));
    // M = (150 -> 150, 100 - 150 = -50 -> 0, 200); row 3: M + (C2 - M) * 3 / 8.
    EXPECT_EQ(g[3], RGB(150 - 60 * 3 / 8, 10 * 3 / 8, 200));
    EXPECT_EQ(g[7], RGB(150 - 60 * 7 / 8, 10 * 7 / 8, 200));
    EXPECT_TRUE(PathViewerGradient(0, 0, 0).empty());
    EXPECT_EQ(PathViewerGradient(RGB(1, 2, 3), RGB(9, 9, 9), 1).size(), 1u);
}

TEST(PathViewerWindow, PopupArgumentsResetAndNoReopen) {
    Watchdog dog(20000, "bar drop-downs");
    TBarWindow w;
    const int arrow1 = w.Mid(1, false);
    w.Click(arrow1);
    ASSERT_EQ(w.Popups.size(), 1u);
    EXPECT_EQ(w.Popups[0].Path, L"C:\\Users\\");
    EXPECT_EQ(w.Popups[0].Off, 0);
    EXPECT_EQ(w.Popups[0].Idx, 1);
    EXPECT_TRUE(w.Bar->PopupPending());
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    EXPECT_FALSE(w.Bar->ButtonDown());
    EXPECT_EQ(w.Bar->PopupIndex(), -1);
    EXPECT_EQ(w.Bar->CurrentIndex(), -2);

    // The click that closed the menu does not open it again; the next one does.
    w.Click(arrow1);
    EXPECT_EQ(w.Popups.size(), 1u);
    w.Click(arrow1);
    EXPECT_EQ(w.Popups.size(), 2u);
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    // Entering the bar again forgets the memory.
    w.Bar->Perform(CM_MOUSEENTER);
    w.Click(arrow1);
    EXPECT_EQ(w.Popups.size(), 3u);
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);

    // The drop-down's items all take OnPopupClick.
    int picked = 0;
    w.Bar->OnPopupClick = [&](TObject*) { ++picked; };
    w.Click(w.Mid(0, false));
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    ASSERT_EQ(w.Bar->DropDownMenu()->Items()->Count(), 1);
    w.Bar->DropDownMenu()->Items()->Items(0)->Click();
    EXPECT_EQ(picked, 1);
    EXPECT_EQ(w.Popups.back().Path, L"C:\\");

    // A handler that adds nothing shows no menu (and the bar resets all the same).
    w.Bar->OnPopup = [&](TObject*, std::wstring&, int, int, TTntPopupMenu*&) {
        SetTimer(nullptr, 0, 50, SeeAndCloseMenu);
    };
    g_MenuSeen = false;
    w.Click(w.Mid(1, false));
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    PumpFor(150);
    EXPECT_FALSE(g_MenuSeen);
    EXPECT_FALSE(w.Bar->ButtonDown());

    // A handler that raises: the exception reaches the boundary, the bar still resets.
    int errors = 0;
    Application->OnException = [&](TObject*, const std::wstring&, const std::wstring&, const std::wstring&) {
        ++errors;
    };
    w.Bar->OnPopup = [](TObject*, std::wstring&, int, int, TTntPopupMenu*&) { throw std::runtime_error("popup"); };
    w.Click(w.Mid(0, false));
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    Application->OnException = nullptr;
    EXPECT_EQ(errors, 1);
    EXPECT_FALSE(w.Bar->PopupPending());
    EXPECT_FALSE(w.Bar->ButtonDown());
    EXPECT_EQ(w.Bar->ItemState(), isNormal);
}

TEST(PathViewerWindow, SegmentClicksHiddenLevelsAndPainting) {
    Watchdog dog(20000, "bar clicks");
    TBarWindow w;
    w.Click(w.Mid(2, true));
    w.Click(w.Mid(0, true));
    EXPECT_EQ(w.Clicks, (std::vector<int>{2, 0}));
    // Released beside the bar (captured), or on another segment: no click.
    w.Send(WM_LBUTTONDOWN, w.Mid(1, true), 12, MK_LBUTTON);
    w.Send(WM_LBUTTONUP, w.Mid(1, true), 40);
    w.Send(WM_LBUTTONDOWN, w.Mid(1, true), 12, MK_LBUTTON);
    w.Send(WM_LBUTTONUP, w.Mid(2, true), 12);
    EXPECT_EQ(w.Clicks.size(), 2u);
    // Pressed, out of the bar and back: the release still clicks.
    w.Send(WM_LBUTTONDOWN, w.Mid(1, true), 12, MK_LBUTTON);
    w.Bar->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(w.Bar->ItemState(), isNormal);
    w.Send(WM_LBUTTONUP, w.Mid(1, true), 12);
    EXPECT_EQ(w.Clicks, (std::vector<int>{2, 0, 1}));
    w.Bar->SetClickSetPath(false);
    w.Click(w.Mid(1, true));
    EXPECT_EQ(w.Clicks.size(), 3u);
    w.Bar->SetClickSetPath(true);

    // HideFirstLevel: the back arrow, then "Users" and "Public"; the back drop-down gets "*".
    w.Bar->SetHideFirstLevel(true);
    w.Click(w.FirstArrowMid());
    ASSERT_EQ(w.Popups.size(), 1u);
    EXPECT_EQ(w.Popups[0].Path, L"*");
    EXPECT_EQ(w.Popups[0].Off, 1);
    EXPECT_EQ(w.Popups[0].Idx, -1);
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    EXPECT_EQ(w.Bar->Layout().Cells.size(), 5u);
    w.Click(w.Mid(1, true));
    EXPECT_EQ(w.Clicks.back(), 1);
    // With one segment that segment shows.
    w.Bar->SetPath(L"C:");
    w.Bar->HitTest();
    EXPECT_EQ(w.Bar->HiddenCount(), 0);

    // The mouse on the pixel where "Users" meets its arrow: the arrow is hot and the button
    // painted grey, the arrow in its own blue.
    w.Bar->SetHideFirstLevel(false);
    w.Bar->SetPath(L"C:\\Users\\Public");
    w.Bar->HitTest();
    std::optional<TpvCell> button;
    for (const TpvCell& c : w.Bar->Layout().Cells)
        if (c.Button && c.Index == 1)
            button = c;
    ASSERT_TRUE(button);
    w.Send(WM_MOUSEMOVE, button->Right, 12);
    TBitmap* pic = w.Bar->PaintOffscreen();
    EXPECT_EQ(w.Bar->ItemState(), isArrowHot);
    const int gradRows = 25 - 2 - 1;                    // framed: the cell is 23 high, the column 22
    const auto grey = PathViewerGradient(RGB(242, 242, 242), RGB(227, 227, 227), gradRows);
    const auto blue = PathViewerGradient(RGB(234, 246, 253), RGB(166, 217, 244), gradRows);
    const int y = 12;                                   // row 12 of the client = row 10 of the gradient area
    const size_t src = static_cast<size_t>((y - 2) * gradRows / (25 - 4));
    EXPECT_EQ(PixelAt(pic, button->Left + 4, y), grey[src]);
    EXPECT_EQ(PixelAt(pic, button->Right + 3, y), blue[src]);
    EXPECT_EQ(PixelAt(pic, button->Left, y), RGB(143, 143, 143)); // the button's outline
    EXPECT_EQ(PixelAt(pic, 0, 0), RGB(192, 192, 192));           // the frame
}

TEST(PathViewerWindow, EditorEnterEscapeAndLeaving) {
    Watchdog dog(20000, "bar editor");
    TBarWindow w;
    std::vector<std::wstring> edited;
    w.Bar->OnPathEdit = [](TObject*, TEdit* edit, std::wstring& path) {
        EXPECT_NE(edit, nullptr);
        path += L"\\";
    };
    w.Bar->OnEditedPath = [&](TObject*, std::wstring& path) { edited.push_back(path); };
    const int beside = 395; // right of every cell
    w.Click(beside);
    TEdit* edit = w.Bar->Editor();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->GetText(), L"C:\\Users\\Public\\");
    // While editing, clicks on the bar do nothing.
    w.Click(w.Mid(2, true));
    EXPECT_TRUE(w.Clicks.empty());

    SetWindowTextW(edit->Handle(), L"D:\\x");
    SendMessageW(edit->Handle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(edited, (std::vector<std::wstring>{L"D:\\x"}));
    EXPECT_EQ(w.Bar->Path(), L"C:\\Users\\Public"); // the handler decides, the bar does not
    EXPECT_EQ(w.Bar->Editor(), nullptr);
    EXPECT_FALSE(edit->Visible());
    EXPECT_EQ(w.Bar->ControlCount(), 1); // hidden; freed by a posted message
    PumpUntil([&] { return w.Bar->ControlCount() == 0; }, 2000);
    EXPECT_EQ(w.Bar->ControlCount(), 0);
    EXPECT_EQ(GetFocus(), w.Bar->Handle());

    // Escape closes without the event; so does leaving for another control.
    w.Click(beside);
    ASSERT_NE(w.Bar->Editor(), nullptr);
    SendMessageW(w.Bar->Editor()->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(w.Bar->Editor(), nullptr);
    EXPECT_EQ(edited.size(), 1u);
    PumpUntil([&] { return w.Bar->ControlCount() == 0; }, 2000);

    auto* other = new TTestEdit(&w.Form);
    other->SetParent(&w.Form);
    other->SetBounds(10, 50, 100, 21);
    w.Click(beside);
    ASSERT_NE(w.Bar->Editor(), nullptr);
    other->SetFocus();
    EXPECT_EQ(w.Bar->Editor(), nullptr);
    EXPECT_EQ(GetFocus(), other->Handle()); // the focus stays where it went
    PumpUntil([&] { return w.Bar->ControlCount() == 0; }, 2000);
    EXPECT_EQ(edited.size(), 1u);

    // An OnEditedPath that moves the focus (closing the editor) and then runs a message
    // loop while the editor's key is still being handled: the editor is not freed under
    // its own feet.
    w.Bar->OnEditedPath = [&](TObject*, std::wstring& path) {
        edited.push_back(path);
        w.Bar->SetFocus();
        PumpFor(100);
    };
    w.Click(beside);
    SendMessageW(w.Bar->Editor()->Handle(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(edited.size(), 2u);
    PumpUntil([&] { return w.Bar->ControlCount() == 0; }, 2000);
    EXPECT_EQ(w.Bar->ControlCount(), 0);

    // Without AllowEdit a click beside the segments opens nothing.
    w.Bar->SetAllowEdit(false);
    w.Click(beside);
    EXPECT_EQ(w.Bar->Editor(), nullptr);
}

TEST(PathViewerWindow, KeyboardWalk) {
    Watchdog dog(20000, "bar keyboard");
    TBarWindow w;
    w.Key(VK_RIGHT); // without AllowKeyNav keys change nothing
    EXPECT_FALSE(w.Bar->KeyboardMode());
    w.Bar->SetAllowKeyNav(true);
    w.Bar->SetHideFirstLevel(true); // back arrow, "Users", "Public"

    // The first key only puts the highlight on the first cell (the back arrow).
    w.Key(VK_RIGHT);
    EXPECT_TRUE(w.Bar->KeyboardMode());
    EXPECT_EQ(w.Bar->ItemState(), isArrowHot);
    EXPECT_TRUE(PathViewerIsIconArea(w.Bar->Layout(), w.Bar->CurrentIndex()));
    w.Key(VK_RIGHT);
    EXPECT_EQ(w.Bar->CurrentIndex(), 1);
    EXPECT_EQ(w.Bar->ItemState(), isButtonHot);
    w.Key(VK_RIGHT);
    EXPECT_EQ(w.Bar->CurrentIndex(), 2);
    w.Key(VK_RIGHT); // from the last segment to the icon area
    EXPECT_TRUE(PathViewerIsIconArea(w.Bar->Layout(), w.Bar->CurrentIndex()));
    w.Key(VK_LEFT); // and back to the last
    EXPECT_EQ(w.Bar->CurrentIndex(), 2);
    w.Key(VK_LEFT);
    EXPECT_EQ(w.Bar->CurrentIndex(), 1);

    w.Key(VK_RETURN);
    EXPECT_EQ(w.Clicks, (std::vector<int>{1}));
    w.Key(VK_DOWN);
    ASSERT_EQ(w.Popups.size(), 1u);
    EXPECT_EQ(w.Popups[0].Idx, 1);
    EXPECT_EQ(w.Popups[0].Off, 1);
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    // The walk goes on from the segment whose menu was open; a second Down opens it again.
    EXPECT_EQ(w.Bar->CurrentIndex(), 1);
    w.Key(VK_DOWN);
    EXPECT_EQ(w.Popups.size(), 2u);
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    w.Key(VK_LEFT);
    w.Key(VK_UP); // at the icon area: the back arrow's drop-down
    ASSERT_EQ(w.Popups.size(), 3u);
    EXPECT_EQ(w.Popups[2].Path, L"*");
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);

    // Mouse moves within 5 pixels of the first one keep the keyboard highlight; the first
    // beyond ends keyboard mode, the next takes over.
    w.Key(VK_RIGHT);
    const int current = w.Bar->CurrentIndex();
    w.Send(WM_MOUSEMOVE, 300, 10);
    w.Send(WM_MOUSEMOVE, 305, 15);
    w.Bar->HitTest();
    EXPECT_TRUE(w.Bar->KeyboardMode());
    EXPECT_EQ(w.Bar->CurrentIndex(), current);
    EXPECT_EQ(w.Bar->ItemState(), isButtonHot);
    w.Send(WM_MOUSEMOVE, 306, 10);
    EXPECT_FALSE(w.Bar->KeyboardMode());
    w.Bar->HitTest();
    EXPECT_EQ(w.Bar->CurrentIndex(), current); // that move did not take over yet
    w.Send(WM_MOUSEMOVE, 306, 10);
    w.Bar->HitTest();
    EXPECT_EQ(w.Bar->ItemState(), isNormal);
    EXPECT_EQ(w.Bar->CurrentIndex(), -2);
}

TEST(PathViewerWindow, RightToLeftDropDown) {
    Watchdog dog(20000, "bar right to left");
    TBarWindow w;
    w.Bar->SetRightToLeft(true);
    bool rtlMenu = false;
    w.Bar->OnPopup = [&](TObject*, std::wstring& path, int, int idx, TTntPopupMenu*& menu) {
        rtlMenu = menu->RightToLeftPopup;
        auto* item = new TTntMenuItem(menu);
        item->SetCaption(path);
        menu->Items()->Add(item);
        SetTimer(nullptr, 0, 50, CloseMenuSoon);
    };
    w.Bar->HitTest();
    const TpvCell& first = w.Bar->Layout().Cells.at(0);
    EXPECT_EQ(first.Right, 400 - 22);
    w.Click(w.Mid(0, false));
    EXPECT_TRUE(rtlMenu);
    PumpUntil([&] { return !w.Bar->PopupPending(); }, 2000);
    w.Click(w.Mid(1, true));
    EXPECT_EQ(w.Clicks, (std::vector<int>{1}));
}
