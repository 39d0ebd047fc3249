// Finding the browser's Find dialog among real top-level windows.
#include "../vcl/VclTestSupport.h"
#include "UFindWin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using vcltest::Watchdog;

namespace {

const wchar_t* const OldProc = L"VorlaneTestOldProc";

// The fake dialogs destroy themselves on WM_CLOSE.
LRESULT CALLBACK FakeDialogProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
    const auto old = reinterpret_cast<WNDPROC>(GetPropW(Wnd, OldProc));
    if (Msg == WM_CLOSE) return DestroyWindow(Wnd), 0;
    if (Msg == WM_NCDESTROY) RemovePropW(Wnd, OldProc);
    return CallWindowProcW(old, Wnd, Msg, W, L);
}

HWND Popup(const wchar_t* Cls, HWND Owner) {
    return CreateWindowExW(0, Cls, L"w", WS_POPUP, 0, 0, 300, 120, Owner, nullptr, nullptr, nullptr);
}

// A top-level window of class Cls owned by Owner with the children given: 'E' an edit,
// 'B' a plain push button, 'D' a default push button, 'C' a check box.
struct FakeDialog {
    FakeDialog(HWND Owner, const std::wstring& Children, const wchar_t* Cls = L"#32770", const wchar_t* Text = L"") {
        Wnd = Popup(Cls, Owner);
        SetPropW(Wnd, OldProc, reinterpret_cast<HANDLE>(GetWindowLongPtrW(Wnd, GWLP_WNDPROC)));
        SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&FakeDialogProc));
        for (wchar_t c : Children) {
            const DWORD style = c == L'D' ? BS_DEFPUSHBUTTON : c == L'C' ? BS_AUTOCHECKBOX : BS_PUSHBUTTON;
            CreateWindowExW(0, c == L'E' ? L"Edit" : L"Button", c == L'E' ? Text : L"b", WS_CHILD | style, 0, 0, 90,
                            20, Wnd, nullptr, nullptr, nullptr);
        }
    }
    ~FakeDialog() {
        if (IsWindow(Wnd)) DestroyWindow(Wnd);
    }
    HWND Wnd;
};

} // namespace

TEST(FindWin, FindsOnlyTheDialogWithOneEditAndTwoPlainButtonsAndKeeps256Characters) {
    Watchdog w(20000);
    HWND owner = Popup(L"STATIC", nullptr), other = Popup(L"STATIC", nullptr);
    EXPECT_FALSE(TFindWin(owner).Found()); // no dialog at all
    {
        FakeDialog otherOwner(other, L"EBB"), twoEdits(owner, L"EEBB"), threeButtons(owner, L"EBBB");
        FakeDialog defaultButton(owner, L"EDB"), noEdit(owner, L"BB"), notADialog(owner, L"EBB", L"STATIC");
        TFindWin miss(owner);
        EXPECT_FALSE(miss.Found());
        miss.CloseDialog(); // nothing to close
        // the right one among them; check boxes do not count
        const std::wstring text(300, L'x');
        FakeDialog real(owner, L"CEBCB", L"#32770", text.c_str());
        TFindWin hit(owner);
        ASSERT_TRUE(hit.Found());
        EXPECT_EQ(hit.Dialog(), real.Wnd);
        EXPECT_EQ(GetParent(hit.Edit()), real.Wnd);
        hit.CloseDialog();
        EXPECT_EQ(hit.FindText, text.substr(0, 256));
        EXPECT_FALSE(IsWindow(real.Wnd));
    }
    DestroyWindow(owner);
    DestroyWindow(other);
}

TEST(FindWin, TheFindCommandToggles) {
    Watchdog w(20000);
    HWND owner = Popup(L"STATIC", nullptr);
    std::unique_ptr<FakeDialog> dialog;
    auto open = [&] { dialog = std::make_unique<FakeDialog>(owner, L"EBB"); };
    EXPECT_FALSE(ToggleFindDialog(owner, open)); // opens
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ToggleFindDialog(owner, open)); // the second press closes it
    EXPECT_FALSE(IsWindow(dialog->Wnd));
    DestroyWindow(owner);
}
