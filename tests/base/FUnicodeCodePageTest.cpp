#include "FUnicodeCodePage.h"

#include "../vcl/VclTestSupport.h"
#include "TntStdCtrls.h"
#include "UShotTimer.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vcltest;

namespace {

void WhenShown(std::function<void(TUnicodeCodePageForm*)> Action) {
    SetShotTimer(30, [Action](TObject*) {
        TUnicodeCodePageForm* f = ActiveCodePageForm();
        if (f && f->HandleAllocated() && IsWindowVisible(f->Handle()))
            Action(f);
        else
            WhenShown(Action);
    });
}

} // namespace

TEST(CodePageDialog, SteppingWrapsAndNeverDividesByZero) {
    Watchdog w(15000);
    TUnicodeCodePageForm form(nullptr);
    TCodePageProblem p;
    p.CodePage = 1252;
    p.Source = L"c:\\file.htm";
    p.Text = L"ab?\r\nc?d\r\n?";
    p.Positions = {3, 7, 11};
    form.SetProblem(p);
    EXPECT_EQ(form.SourceEdit->GetText(), L"c:\\file.htm");
    EXPECT_NE(form.InfoLabel->Caption().find(L"3 character(s) unable to be converted and marked as \"?\"."),
              std::wstring::npos);
    EXPECT_EQ(form.ChosenCodePage(), 1252);
    form.Step(1);
    EXPECT_EQ(form.StepLabel->Caption(), L"1 of 3, Char Pos: 3, Line Number: 1, Line Char: 3");
    form.Step(1);
    EXPECT_EQ(form.StepLabel->Caption(), L"2 of 3, Char Pos: 7, Line Number: 2, Line Char: 2");
    form.Step(1);
    form.Step(1);
    EXPECT_EQ(form.StepIndex(), 0); // wrapped forwards
    form.Step(-1);
    EXPECT_EQ(form.StepIndex(), 2); // and backwards
    EXPECT_EQ(form.StepLabel->Caption(), L"3 of 3, Char Pos: 11, Line Number: 3, Line Char: 1");

    p.Positions.clear();
    form.SetProblem(p);
    form.Step(1);
    form.Step(-1);
    EXPECT_EQ(form.StepLabel->Caption(), L"0 of 0");
    form.BeforeDestruction();
}

TEST(CodePageDialog, LanguageChoiceAndRetryConvertWithTheNewCodePage) {
    Watchdog w(20000);
    auto previous = SetCodePageProblemHandler(nullptr);
    InstallCodePageDialog();
    WhenShown([](TUnicodeCodePageForm* f) {
        EXPECT_EQ(f->Caption(), L"Invalid Code Page");
        EXPECT_EQ(f->StepIndex(), 0); // the first problem is shown
        // Pick Cyrillic through the language box; the code-page box follows.
        const int cyr = f->LangCodePageCbo->Items()->IndexOf(L"ANSI - Cyrillic (Windows) [1251]");
        ASSERT_GT(cyr, 0);
        f->LangCodePageCbo->SetItemIndex(cyr);
        f->LangCodePageCboChange();
        EXPECT_EQ(f->ChosenCodePage(), 1251);
        f->CodePageCboChange();
        EXPECT_EQ(f->LangCodePageCbo->ItemIndex(), 0);
        f->RetryBtn->Click();
    });
    std::string out;
    int used = 0;
    SetConversionSource(L"test text");
    const std::wstring text = L"A\u0416B";
    const int r = Unicode_W2A_Convert(1252, text.c_str(), static_cast<int>(text.size()), true, used, out);
    EXPECT_EQ(r, cvOk);
    EXPECT_EQ(used, 1251);
    EXPECT_EQ(out, "A\xC6"
                   "B");

    WhenShown([](TUnicodeCodePageForm* f) { f->CancelBtn->Click(); });
    EXPECT_EQ(Unicode_W2A_Convert(1252, text.c_str(), static_cast<int>(text.size()), true, used, out), cvCancelled);
    SetCodePageProblemHandler(previous);
}
