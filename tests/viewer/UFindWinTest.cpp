// Finding the browser's Find dialog among real top-level windows.
#include "../vcl/VclTestSupport.h"
#include "UFindWin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using vcltest::Watchdog;

namespace {

// Windows closed through WM_CLOSE (the fake dialogs destroy themselves then).
std::vector<HWND> g_Closed;
const wchar_t* const OldProcProp = L"VorlaneTestOldProc";

LRESULT CALLBACK FakeDialogProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
    const auto old = reinterpret_cast<WNDPROC>(GetPropW(Wnd, OldProcProp));
    if (Msg == WM_CLOSE) {
        g_Closed.push_back(Wnd);
        DestroyWindow(Wnd);
        return 0;
    }
    if (Msg == WM_NCDESTROY) RemovePropW(Wnd, OldProcProp);
    return CallWindowProcW(old, Wnd, Msg, W, L);
}

HWND MakeOwner() {
    return CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
}

// A top-level window of class Cls owned by Owner, with the children given: 'E' an edit,
// 'B' a plain push button, 'D' a default push button, 'C' a check box.
class FakeDialog {
public:
    FakeDialog(HWND Owner, const std::wstring& Children, const wchar_t* Cls = L"#32770", const wchar_t* Text = L"") {
        Wnd = CreateWindowExW(0, Cls, L"Find", WS_POPUP | WS_CAPTION, 0, 0, 300, 120, Owner, nullptr, nullptr, nullptr);
        if (!Wnd) return;
        SetPropW(Wnd, OldProcProp, reinterpret_cast<HANDLE>(GetWindowLongPtrW(Wnd, GWLP_WNDPROC)));
        SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FakeDialogProc));
        int y = 0;
        for (wchar_t c : Children) {
            const bool edit = c == L'E';
            DWORD style = WS_CHILD | WS_VISIBLE;
            if (c == L'B') style |= BS_PUSHBUTTON;
            if (c == L'D') style |= BS_DEFPUSHBUTTON;
            if (c == L'C') style |= BS_AUTOCHECKBOX;
            CreateWindowExW(0, edit ? L"Edit" : L"Button", edit ? Text : L"b", style, 0, y, 100, 20, Wnd,
                                         nullptr, nullptr, nullptr);
            y += 22;
        }
    }
    ~FakeDialog() {
        if (IsWindow(Wnd)) DestroyWindow(Wnd);
    }
    HWND Wnd = nullptr;
};

class FindWinTest : public ::testing::Test {
protected:
    void SetUp() override {
        Owner = MakeOwner();
        Other = MakeOwner();
        ASSERT_TRUE(Owner && Other);
        g_Closed.clear();
    }
    void TearDown() override {
        DestroyWindow(Owner);
        DestroyWindow(Other);
    }
    HWND Owner = nullptr, Other = nullptr;
};

} // namespace

TEST_F(FindWinTest, FindsTheDialogAndClosesItWithItsText) {
    Watchdog w(20000);
    FakeDialog dialog(Owner, L"CEBCB", L"#32770", L"needle");
    ASSERT_TRUE(dialog.Wnd);
    TFindWin find(Owner);
    ASSERT_TRUE(find.Found());
    EXPECT_EQ(find.Dialog(), dialog.Wnd);
    EXPECT_EQ(GetParent(find.Edit()), dialog.Wnd);
    EXPECT_NE(find.FirstButton(), find.SecondButton());
    find.CloseDialog();
    EXPECT_EQ(find.FindText, L"needle");
    EXPECT_EQ(g_Closed, std::vector<HWND>{dialog.Wnd});
}

TEST_F(FindWinTest, NearMissesAreNotTheFindDialog) {
    Watchdog w(20000);
    {
        TFindWin none(Owner); // no dialog at all
        EXPECT_FALSE(none.Found());
        none.CloseDialog();   // nothing to close
        EXPECT_TRUE(none.FindText.empty());
    }
    FakeDialog otherOwner(Other, L"EBB");
    FakeDialog twoEdits(Owner, L"EEBB");
    FakeDialog threeButtons(Owner, L"EBBB");
    FakeDialog defaultButton(Owner, L"EDB"); // only plain push buttons count
    FakeDialog noEdit(Owner, L"BB");
    FakeDialog dialogLike(Owner, L"EBB", L"STATIC");
    TFindWin miss(Owner);
    EXPECT_FALSE(miss.Found());
    // the right one among them is still found
    FakeDialog real(Owner, L"EBB");
    TFindWin hit(Owner);
    ASSERT_TRUE(hit.Found());
    EXPECT_EQ(hit.Dialog(), real.Wnd);
}

TEST_F(FindWinTest, LongTextIsCutAndTheCommandToggles) {
    Watchdog w(20000);
    const std::wstring text(300, L'x');
    std::unique_ptr<FakeDialog> dialog;
    int opened = 0;
    auto open = [&] {
        ++opened;
        dialog = std::make_unique<FakeDialog>(Owner, L"EBB", L"#32770", text.c_str());
    };
    EXPECT_FALSE(ToggleFindDialog(Owner, open)); // opens
    ASSERT_EQ(opened, 1);
    {
        TFindWin find(Owner);
        ASSERT_TRUE(find.Found());
        find.CloseDialog();
        EXPECT_EQ(find.FindText, std::wstring(256, L'x'));
    }
    EXPECT_FALSE(IsWindow(dialog->Wnd));
    EXPECT_FALSE(ToggleFindDialog(Owner, open)); // opens again
    EXPECT_TRUE(ToggleFindDialog(Owner, open));  // and the second press closes it
    EXPECT_EQ(opened, 2);
    EXPECT_FALSE(IsWindow(dialog->Wnd));
}
