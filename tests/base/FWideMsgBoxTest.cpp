#include "FWideMsgBox.h"

#include "../vcl/VclTestSupport.h"
#include "ExtCtrls.h"
#include "TntComCtrls.h"
#include "TntStdCtrls.h"
#include "UShotTimer.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vcltest;

namespace {

// Runs Action on the box once it shows.
void WhenShown(std::function<void(TWMsgBoxForm*)> Action) {
    SetShotTimer(30, [Action](TObject*) {
        TWMsgBoxForm* f = ActiveWideMsgBox();
        if (f && f->HandleAllocated() && IsWindowVisible(f->Handle()))
            Action(f);
        else
            WhenShown(Action);
    });
}

void PressKey(TWMsgBoxForm* F, WORD Key) {
    HWND target = GetFocus();
    if (!target || !IsChild(F->Handle(), target))
        target = F->Handle();
    PostMessageW(target, WM_KEYDOWN, Key, 0);
}

} // namespace

TEST(WideMsgBox, EnterAndEscapeAnswer) {
    Watchdog w(20000);
    WhenShown([](TWMsgBoxForm* f) {
        EXPECT_TRUE(f->_OKBtn->Visible());
        EXPECT_TRUE(f->_CancelBtn->Visible());
        EXPECT_FALSE(f->OkBtn->Visible());
        EXPECT_FALSE(f->CheckBox1->Visible());
        PressKey(f, VK_ESCAPE);
    });
    EXPECT_FALSE(WideMsgBoxOKCancel(2, L"Title", L"Text \u0416"));

    WhenShown([](TWMsgBoxForm* f) { PressKey(f, VK_RETURN); });
    EXPECT_TRUE(WideMsgBoxOKCancel(1, L"Title", L"Text"));

    WhenShown([](TWMsgBoxForm* f) {
        EXPECT_TRUE(f->YesBtn->Visible());
        PressKey(f, VK_ESCAPE);
    });
    EXPECT_FALSE(WideMsgBox(3, L"", L"Question?", 3));
}

TEST(WideMsgBox, LayoutTitleIconAndCheckBox) {
    Watchdog w(20000);
    int withTitle = 0, withoutTitle = 0;
    WhenShown([&](TWMsgBoxForm* f) {
        withTitle = f->TopPanel->Height();
        EXPECT_TRUE(f->Image_Error->Visible());
        EXPECT_EQ(f->TntRichEdit1->GetText(), L"Body \u03A9");
        EXPECT_TRUE(f->CheckBox1->Visible());
        EXPECT_TRUE(f->CheckBox1->Checked());
        EXPECT_EQ(f->CheckBox1->Caption(), L"Never again");
        f->CheckBox1->SetChecked(false);
        f->OkBtn->Click();
    });
    bool dontShow = true;
    EXPECT_TRUE(WideMsgBoxEx(3, L"Heading", L"Body \u03A9", 1, dontShow, L"Never again"));
    EXPECT_FALSE(dontShow);

    WhenShown([&](TWMsgBoxForm* f) {
        withoutTitle = f->TopPanel->Height();
        EXPECT_FALSE(f->TitleLabel->Visible());
        EXPECT_EQ(f->LeftPanel->Width(), f->RightPanel->Width()); // no icon
        f->OkBtn->Click();
    });
    EXPECT_TRUE(WideMsgBoxOK(0, L"", L"Body"));
    EXPECT_LT(withoutTitle, withTitle);
    EXPECT_TRUE(g_MsgBoxCheckVisible); // restored after the box
}
