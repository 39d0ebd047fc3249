#include "FWideMsgBox.h"

#include "../vcl/VclTestSupport.h"
#include "ExtCtrls.h"
#include "TntComCtrls.h"
#include "TntDialogs.h"
#include "TntStdCtrls.h"
#include "UShotTimer.h"
#include "UUtilsW.h"

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

// Questions, notes, errors and plain messages are all headed by the program's title (never
// the program file's name) and show the icon of their kind.
TEST(WideMsgBox, EveryKindIsHeadedByTheTitleWithItsIcon) {
    Watchdog w(30000);
    const std::wstring oldTitle = Application->Title();
    Application->SetTitle(L"Vorlane");
    TUserMessageHandler previous = SetUserMessageHandler(nullptr);
    InstallWideMsgBox();
    auto expectKind = [](TImage* TWMsgBoxForm::*Icon) {
        WhenShown([Icon](TWMsgBoxForm* f) {
            EXPECT_EQ(f->TitleLabel->Caption(), L"Vorlane");
            EXPECT_TRUE(f->TitleLabel->Visible());
            for (TImage* i : {f->Image_Info, f->Image_Warn, f->Image_Error, f->Image_Question})
                EXPECT_EQ(i->Visible(), i == f->*Icon) << i->Name();
            PressKey(f, VK_ESCAPE);
        });
    };
    expectKind(&TWMsgBoxForm::Image_Question);
    EXPECT_FALSE(MsgYesNo(L"Go to web page?"));
    expectKind(&TWMsgBoxForm::Image_Question);
    UserMessage(miInfo, L"", L"Could not connect. Open web page?", mbYesNo);
    expectKind(&TWMsgBoxForm::Image_Info);
    MsgBoxW(L"Settings saved.");
    expectKind(&TWMsgBoxForm::Image_Error);
    MsgBoxW(L"Could not create the folder", miError);

    // The library's plain message: the title as caption and the information icon.
    std::wstring caption;
    bool hasIcon = false;
    std::function<void(TObject*)> look = [&](TObject*) {
        auto* form = dynamic_cast<TTntMessageForm*>(FindControl(GetActiveWindow()));
        if (!form || !form->HandleAllocated() || !IsWindowVisible(form->Handle())) {
            SetShotTimer(30, look);
            return;
        }
        caption = form->Caption();
        hasIcon = form->FindComponent(L"Image") != nullptr;
        PostMessageW(GetFocus() ? GetFocus() : form->Handle(), WM_KEYDOWN, VK_RETURN, 0);
    };
    SetShotTimer(30, look);
    WideShowMessage(L"Help Library Manager is already running.");
    EXPECT_EQ(caption, L"Vorlane");
    EXPECT_TRUE(hasIcon);

    SetUserMessageHandler(previous);
    Application->SetTitle(oldTitle);
}
