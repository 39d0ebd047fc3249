#include "VclTestSupport.h"

#include "ComCtrls.h"

#include <gtest/gtest.h>

#include <windowsx.h>

#include <stdexcept>
#include <vector>

using namespace vcltest;

namespace {

class TLvForm : public TForm {
public:
    VORLANE_CLASS_NAME(TLvForm)
    explicit TLvForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(40, 40, 420, 320); }
};

// A list view that uses the class hooks: state call-backs, text colours, drag starts.
class THookedListView : public TListView {
public:
    VORLANE_CLASS_NAME(THookedListView)
    using TListView::TListView;
    std::vector<TListItem*> Coloured;
    std::vector<std::pair<TMouseButton, TListItem*>> Drags;

protected:
    UINT StateCallbackMask() override { return LVIS_OVERLAYMASK; }
    bool WantsItemTextColors() override { return true; }
    void ItemTextColor(TListItem* Item, UINT, COLORREF& Color) override {
        Coloured.push_back(Item);
        if (Item && Item->Index() == 1)
            Color = RGB(0, 0, 255);
    }
    void BeginItemDrag(TMouseButton Button, TListItem* Item, POINT) override { Drags.push_back({Button, Item}); }
};

// A list view whose window behaves like the system's on Windows: a mouse loop inside the
// button-down handling takes the release from the queue and reports a click.
class TLoopListView : public TListView {
public:
    VORLANE_CLASS_NAME(TLoopListView)
    using TListView::TListView;
    void DefaultHandler(TMessage& Message) override {
        TListView::DefaultHandler(Message);
        if (Message.Msg != WM_LBUTTONDOWN && Message.Msg != WM_RBUTTONDOWN)
            return;
        const bool left = Message.Msg == WM_LBUTTONDOWN;
        MSG m;
        if (!PeekMessageW(&m, FHandle, left ? WM_LBUTTONUP : WM_RBUTTONUP, left ? WM_LBUTTONUP : WM_RBUTTONUP,
                          PM_REMOVE))
            return; // still down: a drag
        NMITEMACTIVATE click{};
        click.hdr.hwndFrom = FHandle;
        click.hdr.code = left ? NM_CLICK : NM_RCLICK;
        click.ptAction = POINT{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
        Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    }
};

DWORD ExStyle(HWND Wnd) { return static_cast<DWORD>(SendMessageW(Wnd, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)); }

} // namespace

TEST(ListView, HotTrackingFlatBarsAndArrangingReachTheWindowAndSurviveANewOne) {
    Watchdog w(10000);
    TLvForm form(nullptr);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetHotTrackStyles(htHandPoint | htUnderlineHot);
    lv->SetFlatScrollBars(true);
    lv->SetAutoArrange(true);
    form.Show();
    HWND wnd = lv->Handle();
    DWORD ex = ExStyle(wnd);
    EXPECT_TRUE(ex & LVS_EX_ONECLICKACTIVATE);
    EXPECT_TRUE(ex & LVS_EX_UNDERLINEHOT);
    EXPECT_TRUE(ex & LVS_EX_FLATSB);
    EXPECT_TRUE(GetWindowLongW(wnd, GWL_STYLE) & LVS_AUTOARRANGE);
    lv->SetHotTrack(true);
    lv->SetHotTrackStyles(htUnderlineCold);
    ex = ExStyle(wnd);
    EXPECT_TRUE(ex & LVS_EX_TRACKSELECT);
    EXPECT_TRUE(ex & LVS_EX_TWOCLICKACTIVATE); // the underline needs an activation style
    EXPECT_FALSE(ex & LVS_EX_ONECLICKACTIVATE);
    lv->SetAutoArrange(false);
    EXPECT_FALSE(GetWindowLongW(wnd, GWL_STYLE) & LVS_AUTOARRANGE);
    lv->RecreateWnd();
    wnd = lv->Handle();
    EXPECT_TRUE(ExStyle(wnd) & LVS_EX_TRACKSELECT);
    EXPECT_FALSE(GetWindowLongW(wnd, GWL_STYLE) & LVS_AUTOARRANGE);
    lv->SetViewStyle(vsReport);
    EXPECT_NE(lv->HeaderHandle(), nullptr);
    TListView loose(nullptr);
    EXPECT_EQ(loose.HeaderHandle(), nullptr);

    // A border by default (sunken or a line), none on request.
    auto bordered = [&] {
        HWND h = lv->Handle();
        return (GetWindowLongW(h, GWL_STYLE) & WS_BORDER) || (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    };
    EXPECT_EQ(lv->BorderStyle(), bsSingle);
    EXPECT_TRUE(bordered());
    lv->SetBorderStyle(bsNone);
    EXPECT_FALSE(bordered());
    EXPECT_TRUE(ExStyle(lv->Handle()) & LVS_EX_TRACKSELECT);
}

TEST(ListView, ClassHooksAnswerStatesColoursAndDragStarts) {
    Watchdog w(10000);
    TLvForm form(nullptr);
    auto* lv = new THookedListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add()->SetWidth(150);
    for (int i = 0; i < 3; ++i)
        lv->Items()->Add()->SetCaption(L"item" + std::to_wstring(i));
    form.Show();
    HWND wnd = lv->Handle();
    EXPECT_EQ(SendMessageW(wnd, LVM_GETCALLBACKMASK, 0, 0), static_cast<LRESULT>(LVIS_OVERLAYMASK));
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    EXPECT_NE(std::find(lv->Coloured.begin(), lv->Coloured.end(), lv->Items()->Item(1)), lv->Coloured.end());

    // Drag starts name their button and item.
    NMLISTVIEW nm{};
    nm.hdr.hwndFrom = wnd;
    nm.hdr.code = LVN_BEGINRDRAG;
    nm.iItem = 2;
    lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    nm.hdr.code = LVN_BEGINDRAG;
    nm.iItem = 0;
    lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    ASSERT_EQ(lv->Drags.size(), 2u);
    EXPECT_EQ(lv->Drags[0].first, mbRight);
    EXPECT_EQ(lv->Drags[0].second, lv->Items()->Item(2));
    EXPECT_EQ(lv->Drags[1].first, mbLeft);
    EXPECT_EQ(lv->Drags[1].second, lv->Items()->Item(0));

    // Room for rows made ahead of a fill.
    lv->SetAllocBy(500);
    EXPECT_EQ(lv->AllocBy(), 500);
    EXPECT_EQ(lv->Items()->Count(), 3);
}

TEST(ListView, TheReleaseTheWindowsMouseLoopEatsReachesOnMouseUp) {
    Watchdog w(10000);
    TLvForm form(nullptr);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add()->SetWidth(150);
    lv->Items()->Add()->SetCaption(L"one");
    lv->Items()->Add()->SetCaption(L"two");
    form.Show();
    HWND wnd = lv->Handle();
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageW(wnd, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    const int x = r.left + 5, y = (r.top + r.bottom) / 2;
    std::vector<std::pair<TMouseButton, POINT>> ups;
    int downs = 0, clicks = 0;
    lv->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    lv->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int X, int Y) { ups.push_back({b, POINT{X, Y}}); };
    lv->OnClick = [&](TObject*) { ++clicks; };
    // The release waits in the queue; the window's loop takes it.
    PostMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PumpFor(50);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(ups[0].first, mbLeft);
    EXPECT_EQ(ups[0].second.x, x);
    EXPECT_EQ(ups[0].second.y, y);
    EXPECT_EQ(lv->Selected(), lv->Items()->Item(1));

    PostMessageW(wnd, WM_RBUTTONUP, 0, MAKELPARAM(x, y));
    SendMessageW(wnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(x, y));
    PumpFor(50);
    ASSERT_EQ(ups.size(), 2u);
    EXPECT_EQ(ups[1].first, mbRight);
    // A middle button is not the loop's: its release comes as usual, once.
    SendMessageW(wnd, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(x, y));
    SendMessageW(wnd, WM_MBUTTONUP, 0, MAKELPARAM(x, y));
    ASSERT_EQ(ups.size(), 3u);
    EXPECT_EQ(ups[2].first, mbMiddle);

    // A window whose loop eats the releases: they still reach OnMouseUp, once each.
    auto* looping = new TLoopListView(&form);
    looping->SetParent(&form);
    looping->SetTop(200);
    int loopUps = 0;
    POINT at{};
    looping->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState, int X, int Y) {
        ++loopUps;
        at = POINT{X, Y};
    };
    HWND lw = looping->Handle();
    PostMessageW(lw, WM_LBUTTONUP, 0, MAKELPARAM(30, 12));
    SendMessageW(lw, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 12));
    PumpFor(50);
    EXPECT_EQ(loopUps, 1);
    EXPECT_EQ(at.x, 30);
    EXPECT_EQ(at.y, 12);
    PostMessageW(lw, WM_RBUTTONUP, 0, MAKELPARAM(31, 13));
    SendMessageW(lw, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(31, 13));
    PumpFor(50);
    EXPECT_EQ(loopUps, 2);
    // A loop that ends in a drag leaves the release to the drag.
    NMLISTVIEW drag{};
    drag.hdr.hwndFrom = lw;
    drag.hdr.code = LVN_BEGINDRAG;
    drag.iItem = -1;
    looping->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
        looping->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&drag));
    };
    PostMessageW(lw, WM_LBUTTONUP, 0, MAKELPARAM(30, 12));
    SendMessageW(lw, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 12));
    PumpFor(50);
    EXPECT_EQ(loopUps, 2);
}

TEST(ListView, DrawingHeldForAChangeComesBackAfterItAndAHiddenListStaysHidden) {
    Watchdog w(10000);
    TLvForm form(nullptr);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->SetOwnerData(true);
    lv->Columns()->Add()->SetWidth(200);
    lv->OnData = [](TObject*, TListItem* Item) { Item->SetCaption(std::to_wstring(Item->Index())); };
    lv->Items()->SetCount(1000);
    form.Show();
    const HWND wnd = lv->Handle();
    const RECT row = lv->Items()->Item(0)->DisplayRect(LVIR_BOUNDS);
    ASSERT_GT(row.bottom, row.top);
    // The change takes effect; the window is visible again, even after a change that throws.
    lv->WithDrawingHeld([&] { lv->Scroll(0, 500 * (row.bottom - row.top)); });
    EXPECT_EQ(lv->TopItem()->Index(), 500);
    EXPECT_TRUE(IsWindowVisible(wnd));
    EXPECT_THROW(lv->WithDrawingHeld([] { throw std::runtime_error("change"); }), std::runtime_error);
    EXPECT_TRUE(IsWindowVisible(wnd));
    lv->SetVisible(false);
    bool ran = false;
    lv->WithDrawingHeld([&] { ran = true; });
    EXPECT_TRUE(ran);
    EXPECT_FALSE(GetWindowLongW(wnd, GWL_STYLE) & WS_VISIBLE);
}
