#include "FCancel.h"

#include "../vcl/VclTestSupport.h"
#include "TntStdCtrls.h"

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

class TOwnerForm : public TForm {
public:
    VORLANE_CLASS_NAME(TOwnerForm)
    explicit TOwnerForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(50, 50, 400, 300); }
};

} // namespace

TEST(CancelWrap, FastOperationNeverShowsAWindow) {
    Watchdog w(10000);
    bool flag = true;
    {
        TCancelWrap wrap(0, 2147483647, L"Caption", L"", &flag);
        EXPECT_FALSE(flag); // cleared at creation
        for (int i = 0; i < 5; ++i)
            EXPECT_FALSE(wrap.Cancelled());
        EXPECT_EQ(wrap.Form(), nullptr);
        EXPECT_EQ(wrap.Message, L"Please wait...");
    }
}

TEST(CancelWrap, AppearsOnlyAfterItsDelayAndAClickCancels) {
    Watchdog w(15000);
    TOwnerForm owner(nullptr);
    owner.Show();
    bool flag = false;
    TCancelWrap wrap(0, 300, L"Loading", L"Working", &flag);
    const DWORD start = GetTickCount();
    while (!wrap.Form() && GetTickCount() - start < 5000) {
        wrap.Cancelled();
        Sleep(10);
    }
    ASSERT_NE(wrap.Form(), nullptr);
    EXPECT_GE(GetTickCount() - start, 290u);
    TCancelForm* form = wrap.Form();
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    EXPECT_EQ(form->Caption(), L"Loading");
    EXPECT_EQ(form->Label1->Caption(), L"Working");
    EXPECT_FALSE(IsWindowEnabled(owner.Handle())); // behaves modally
    EXPECT_FALSE(wrap.Cancelled());

    form->CancelBtn->Click();
    EXPECT_TRUE(flag);                 // the caller's flag at once
    EXPECT_TRUE(wrap.Cancelled());     // and the poll
    EXPECT_FALSE(form->CancelBtn->Enabled());
    EXPECT_EQ(form->Caption(), L"Canceling Operation");
    EXPECT_EQ(form->Label1->Caption(), L"Please wait...");
}

TEST(CancelWrap, CloseFromTheSystemMenuCountsAsCancelAndFreeingReenables) {
    Watchdog w(15000);
    TOwnerForm owner(nullptr);
    owner.Show();
    bool flag = false;
    HWND formWnd = nullptr;
    {
        TCancelWrap wrap(0, 0, L"Now", L"", &flag, 33);
        ASSERT_NE(wrap.Form(), nullptr); // delay 0: shown by the constructor
        formWnd = wrap.Form()->Handle();
        EXPECT_EQ(wrap.Form()->Left(), 33);
        SendMessageW(formWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        PumpFor(30);
        EXPECT_TRUE(IsWindowVisible(formWnd)); // stays until the operation ends
        EXPECT_TRUE(flag);
        EXPECT_TRUE(wrap.Cancelled());
    }
    EXPECT_FALSE(IsWindow(formWnd)); // freed once, by the wrapper
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
}

TEST(CancelWrap, FlagIsNotWrittenAfterTheWrapperIsGone) {
    Watchdog w(10000);
    bool flag = false;
    {
        TCancelWrap wrap(0, 0, L"X", L"", &flag);
        ASSERT_NE(wrap.Form(), nullptr);
    }
    EXPECT_FALSE(flag); // closing by the wrapper is no user cancel
    PumpFor(30);
}
