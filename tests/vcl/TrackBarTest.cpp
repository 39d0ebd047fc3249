#include "VclTestSupport.h"

#include "TrackBar.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vcltest;

namespace {

class TBarForm : public TForm {
public:
    VORLANE_CLASS_NAME(TBarForm)
    explicit TBarForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(50, 50, 400, 200); }
};

} // namespace

TEST(TrackBar, RangeAndPositionWithAndWithoutWindow) {
    Watchdog w(20000);
    TBarForm form(nullptr);
    auto* bar = new TTrackBar(&form);
    std::vector<int> changes;
    bar->OnChange = [&](TObject*) { changes.push_back(bar->Position()); };
    bar->SetRange(-10, 10);
    bar->SetPosition(25); // clamped, no window yet
    EXPECT_EQ(bar->Position(), 10);
    bar->SetPosition(10); // no change, no event
    EXPECT_EQ(changes, std::vector<int>{10});

    bar->SetParent(&form);
    form.Show();
    HWND wnd = bar->Handle();
    EXPECT_EQ(SendMessageW(wnd, TBM_GETRANGEMIN, 0, 0), -10);
    EXPECT_EQ(SendMessageW(wnd, TBM_GETRANGEMAX, 0, 0), 10);
    EXPECT_EQ(SendMessageW(wnd, TBM_GETPOS, 0, 0), 10);
    // a range that leaves the position outside pulls it in, and says so
    bar->SetRange(0, 5);
    EXPECT_EQ(SendMessageW(wnd, TBM_GETPOS, 0, 0), 5);
    EXPECT_EQ(changes.back(), 5);
    bar->SetMax(-3); // below Min: the range shrinks to Min
    EXPECT_EQ(bar->Min(), -3);
    EXPECT_EQ(bar->Max(), -3);
    EXPECT_EQ(bar->Position(), -3);
    bar->SetRange(0, 100);
    bar->SetPosition(40);

    // the window made again keeps range and position
    bar->SetOrientation(trVertical);
    EXPECT_NE(bar->Handle(), nullptr);
    EXPECT_TRUE(GetWindowLongW(bar->Handle(), GWL_STYLE) & TBS_VERT);
    EXPECT_EQ(SendMessageW(bar->Handle(), TBM_GETRANGEMAX, 0, 0), 100);
    EXPECT_EQ(SendMessageW(bar->Handle(), TBM_GETPOS, 0, 0), 40);
}

TEST(TrackBar, UserMovesRaiseOnChangeOncePerMove) {
    Watchdog w(20000);
    TBarForm form(nullptr);
    auto* bar = new TTrackBar(&form);
    bar->SetParent(&form);
    bar->SetRange(0, 20);
    bar->SetPageSize(5);
    form.Show();
    std::vector<int> changes;
    bar->OnChange = [&](TObject*) { changes.push_back(bar->Position()); };
    bar->SetFocus();
    HWND wnd = bar->Handle();
    SendMessageW(wnd, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(wnd, WM_KEYUP, VK_RIGHT, 0); // the end-of-move notification changes nothing
    SendMessageW(wnd, WM_KEYDOWN, VK_NEXT, 0);
    SendMessageW(wnd, WM_KEYUP, VK_NEXT, 0);
    SendMessageW(wnd, WM_KEYDOWN, VK_END, 0);
    SendMessageW(wnd, WM_KEYUP, VK_END, 0);
    EXPECT_EQ(changes, (std::vector<int>{1, 6, 20}));
    EXPECT_EQ(bar->Position(), 20);
}
