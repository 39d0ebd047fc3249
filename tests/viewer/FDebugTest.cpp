#include "FDebug.h"

#include "../vcl/VclTestSupport.h"
#include "TntStdCtrls.h"
#include "TntExtCtrls.h"
#include "UUtilsW.h"
#include "ViewerFormSupport.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vcltest;

namespace {

using DebugWindow = TestForm<TDebugForm>;

// Answers the find's question with the next scripted answer and counts the questions.
struct ScriptedAnswers {
    explicit ScriptedAnswers(std::vector<bool> Answers) : FAnswers(std::move(Answers)) {
        FPrevious = SetUserMessageHandler([this](int, const std::wstring&, const std::wstring& Text, int Buttons) {
            Asked.push_back(Text);
            EXPECT_EQ(Buttons, mbYesNo);
            const bool answer = Next < FAnswers.size() && FAnswers[Next];
            ++Next;
            return answer;
        });
    }
    ~ScriptedAnswers() { SetUserMessageHandler(FPrevious); }
    std::vector<std::wstring> Asked;
    size_t Next = 0;

private:
    std::vector<bool> FAnswers;
    TUserMessageHandler FPrevious;
};

std::pair<int, int> Selection(TDebugForm* F) { return {F->Memo1->SelStart(), F->Memo1->SelLength()}; }

} // namespace

TEST(DebugForm, HoldsEveryForcedLineWhileHiddenAndTheRestOnlyWhileShowing) {
    Watchdog w(60000);
    DebugLogEx(L"before the window", true);
    {
        DebugWindow form;
        EXPECT_EQ(DebugLogSink(), form.Form);
        EXPECT_FALSE(DebugWindowShowing());
        EXPECT_TRUE(form->Memo1->GetText().empty());
        DebugLog(L"unforced while hidden");
        for (int i = 0; i < 10000; ++i)
            DebugLogEx(L"line " + std::to_wstring(i) + L" of the forced ones", true);
        TTntMemoStrings* lines = form->Memo1->Lines();
        ASSERT_EQ(lines->Count(), 10000);
        EXPECT_EQ(lines->Strings(0), L"line 0 of the forced ones");
        EXPECT_EQ(lines->Strings(9999), L"line 9999 of the forced ones");
        EXPECT_GT(form->Memo1->GetText().size(), 250000u) << "no text limit cuts the log";

        form->ShowDebugWindow(true);
        EXPECT_TRUE(DebugWindowShowing());
        DebugLog(L"unforced while showing");
        EXPECT_EQ(lines->Count(), 10001);
        EXPECT_EQ(lines->Strings(10000), L"unforced while showing");
        form->ShowDebugWindow(false);
        EXPECT_FALSE(DebugWindowShowing());
    }
    EXPECT_EQ(DebugLogSink(), nullptr);
    EXPECT_FALSE(DebugWindowShowing());
    DebugLogEx(L"after the window", true); // nothing to write to, nothing happens
}

TEST(DebugForm, TakesAMegabyteLineAndControlCharacters) {
    Watchdog w(60000);
    DebugWindow form;
    form->ShowDebugWindow(true);
    const std::wstring big(1 << 20, L'w');
    DebugLog(big);
    DebugLog(std::wstring(L"tab\there\x01\x1b[0m\0end", 19));
    DebugLog(L"after");
    TTntMemoStrings* lines = form->Memo1->Lines();
    ASSERT_EQ(lines->Count(), 3);
    EXPECT_EQ(form->Memo1->GetText().size(), big.size() + 2 + 19 + 2 + 5 + 2);
    EXPECT_EQ(lines->Strings(2), L"after");
    form->ShowDebugWindow(false);
}

TEST(DebugForm, LinesAfterTypedTextStartOnALineOfTheirOwn) {
    Watchdog w(20000);
    DebugWindow form;
    DebugLogEx(L"one", true);
    form->Memo1->SetText(L"one\r\ntyped");
    DebugLogEx(L"two", true);
    DebugLogEx(L"three", true);
    EXPECT_EQ(form->Memo1->GetText(), L"one\r\ntyped\r\ntwo\r\nthree\r\n");
    form->Memo1->Clear();
    DebugLogEx(L"four", true);
    EXPECT_EQ(form->Memo1->GetText(), L"four\r\n");
}

TEST(DebugForm, FindNextWrapsOnlyWhenTheUserSaysSo) {
    Watchdog w(30000);
    DebugWindow form;
    form->ShowDebugWindow(true);
    for (const wchar_t* l : {L"alpha one", L"beta", L"ALPHA two"})
        DebugLogEx(l, true);
    const int second = 17; // "alpha one\r\nbeta\r\n" is 17 characters
    form->FindTextEdit->SetText(L"alpha");
    {
        ScriptedAnswers answers({true, false});
        form->Memo1->SetSelStart(0);
        form->DebugPage_FindBtnClick();
        EXPECT_EQ(Selection(form.Form), std::make_pair(0, 5));
        // The selected occurrence at the very start is passed over.
        form->DebugPage_FindBtnClick();
        EXPECT_EQ(Selection(form.Form), std::make_pair(second, 5));
        EXPECT_TRUE(answers.Asked.empty());
        // The end: Yes goes on from the start.
        form->DebugPage_FindBtnClick();
        ASSERT_EQ(answers.Asked.size(), 1u);
        EXPECT_EQ(answers.Asked[0], MsgTxt_EndOfFileSearchfromStart);
        EXPECT_EQ(Selection(form.Form), std::make_pair(0, 5));
        // F3 is the same; No leaves the selection.
        EXPECT_TRUE(form->IsShortCut(VK_F3, 0));
        EXPECT_EQ(Selection(form.Form), std::make_pair(second, 5));
        EXPECT_TRUE(form->IsShortCut(VK_F3, 0));
        EXPECT_EQ(answers.Asked.size(), 2u);
        EXPECT_EQ(Selection(form.Form), std::make_pair(second, 5));
    }
    {
        // Text that is not there: one question, and one more search after Yes.
        ScriptedAnswers answers({true, true, true});
        form->FindTextEdit->SetText(L"gamma");
        form->DebugPage_FindBtnClick();
        EXPECT_EQ(answers.Asked.size(), 1u);
        // An empty find text does nothing.
        form->FindTextEdit->SetText(L"");
        form->DebugPage_FindBtnClick();
        EXPECT_EQ(answers.Asked.size(), 1u);
    }
    {
        // Enter in the find box finds and is swallowed; the caret in the middle searches from there.
        ScriptedAnswers answers({});
        form->FindTextEdit->SetText(L"a");
        form->Memo1->SetSelStart(12);
        form->Memo1->SetSelLength(0);
        wchar_t key = L'\r';
        form->FindTextEdit->OnKeyPress(form->FindTextEdit, key);
        EXPECT_EQ(key, 0);
        EXPECT_EQ(Selection(form.Form), std::make_pair(14, 1)); // the 'a' of "beta"
    }
}

TEST(DebugForm, CtrlFTakesTheFocusToTheFindBoxAndEscOnlyHides) {
    Watchdog w(20000);
    DebugWindow form;
    form->ShowDebugWindow(true);
    PumpFor(50);
    form->FindTextEdit->SetText(L"needle");
    form->Memo1->SetFocus();
    EXPECT_TRUE(form->IsShortCut('F', ssCtrl));
    EXPECT_TRUE(form->FindTextEdit->Focused());
    EXPECT_EQ(form->FindTextEdit->SelLength(), 6);
    // Ctrl+A applies to the focused find box, not the log.
    DebugLogEx(L"some log text", true);
    form->FindTextEdit->SetFocus();
    form->FindTextEdit->SetSelLength(0);
    EXPECT_TRUE(form->IsShortCut('A', ssCtrl));
    EXPECT_EQ(form->FindTextEdit->SelLength(), 6);
    EXPECT_EQ(form->Memo1->SelLength(), 0);

    EXPECT_TRUE(form->IsShortCut(VK_ESCAPE, 0));
    PumpFor(20);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(DebugLogSink(), form.Form) << "closing only hides the window";
}

TEST(DebugForm, HidingKeepsThePositionForTheNextShow) {
    Watchdog w(20000);
    DebugWindow form;
    form->ShowDebugWindow(true);
    form->SetBounds(123, 77, 500, 400);
    form->ShowDebugWindow(false);
    EXPECT_FALSE(form->Visible());
    form->SetBounds(0, 0, 300, 200);
    form->ShowDebugWindow(true);
    EXPECT_EQ(form->Left(), 123);
    EXPECT_EQ(form->Top(), 77);
    EXPECT_EQ(form->Width(), 500);
    form->ShowDebugWindow(false);
}

TEST(DebugForm, TheLabelFoldsTheBottomPanelToTheFindRowAndBack) {
    Watchdog w(20000);
    DebugWindow form;
    TTntPanel* panel = form->Panel2;
    auto inside = [&](TControl* C) { return C->Top() + C->Height() <= panel->Height(); };
    ASSERT_TRUE(inside(form->ButtonDebug_PortCheck));
    form->ExtraDebugLableClick();
    EXPECT_TRUE(inside(form->FindTextEdit));
    EXPECT_TRUE(inside(form->ExtraDebugLable));
    EXPECT_FALSE(inside(form->ButtonDebug_PortCheck));
    EXPECT_LE(panel->Height(), 40);
    form->ExtraDebugLableClick();
    EXPECT_TRUE(inside(form->ButtonDebug_PortCheck));
    EXPECT_TRUE(inside(form->StringTestBtn));
}

TEST(DebugForm, TakesTheTranslatedTitle) {
    Watchdog w(20000);
    {
        DebugWindow form;
        EXPECT_EQ(form->Caption(), L"Vorlane Debug");
    }
    DebugPage_Title = L"Vorlane Fehlersuche";
    {
        DebugWindow form;
        EXPECT_EQ(form->Caption(), L"Vorlane Fehlersuche");
    }
    DebugPage_Title.clear();
}
