#include "PickEngine.h"
#include "UMessageTexts.h"

#include "../vcl/VclTestSupport.h"
#include "SpeechFakes.h"
#include "UShotTimer.h"

#include <gtest/gtest.h>

using namespace speechtest;
using namespace vcltest;

namespace {

class PickEngine : public ::testing::Test {
protected:
    void SetUp() override { Speech = std::make_unique<TSpeechAPI>(TSpeechLog{}, FakeFactory(Voice, Record)); }
    // A picker over Settings; the voice's record of speech starts empty after it is made.
    std::unique_ptr<TformPickEngine> Open() {
        auto form = std::make_unique<TformPickEngine>(nullptr, *Speech, Settings);
        Record->Spoken.clear();
        return form;
    }
    void Close(TformPickEngine& Form, TModalResult Result) {
        Form.SetModalResult(Result);
        Form.Close();
    }
    auto Voiced() const { return std::make_tuple(Record->Voice, Record->Rate, Record->Volume); }
    auto Saved() const { return std::make_tuple(Settings.SelectedVoice, Settings.SpeechRate, Settings.SpeechVolume); }
    std::shared_ptr<TVoiceRecord> Record = std::make_shared<TVoiceRecord>();
    TFakeVoice* Voice = nullptr;
    std::unique_ptr<TSpeechAPI> Speech;
    TSpeechSettings Settings{1, 4, 60};
};

void ClickRow(HWND List, int Row, bool Double = false) {
    LPARAM at = MAKELPARAM(5, 3 + Row * SendMessageW(List, LB_GETITEMHEIGHT, 0, 0));
    SendMessageW(List, Double ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(List, WM_LBUTTONUP, 0, at);
}

} // namespace

TEST_F(PickEngine, OpensOnTheCurrentVoiceWithoutSpeaking) {
    Watchdog w(20000);
    Settings = {1, 14, 60};
    Record->Spoken.clear();
    TformPickEngine form(nullptr, *Speech, Settings);
    EXPECT_EQ(form.Caption(), L"Speech Engine Select");
    ASSERT_EQ(form.lbEngines->Items()->Count(), 2);
    EXPECT_EQ(form.lbEngines->Items()->Strings(1), L"Sam \u00e9t\u00e9");
    EXPECT_EQ(form.lbEngines->ItemIndex(), 1);
    EXPECT_EQ(form.memDetails->GetText(), L"Name: Sam\r\nVendor: \r\nAge: \r\nGender: \r\nLanguage: \r\nReg key: Tokens\\Sam");
    EXPECT_EQ(form.RateTB->Position(), 10); // the bar ends at 10
    EXPECT_EQ(form.VolumeTB->Position(), 60);
    EXPECT_TRUE(Record->Spoken.empty());
    // a saved voice past the list shows the first one; translated texts replace the designed ones
    Settings.SelectedVoice = 7;
    SpeechDlg_Slow = L"Langsam";
    SpeechDlg_Cancel = L"Abbrechen";
    TformPickEngine other(nullptr, *Speech, Settings);
    SpeechDlg_Slow.clear();
    SpeechDlg_Cancel.clear();
    EXPECT_EQ(other.lbEngines->ItemIndex(), 0);
    EXPECT_EQ(other.lblSlow->Caption(), L"Langsam");
    EXPECT_EQ(other.btnCancel->Caption(), L"Abbrechen");
    EXPECT_EQ(other.lblFast->Caption(), L"Fast");
}

TEST_F(PickEngine, SelectingAVoiceOrMovingABarAppliesAndSpeaksTheTestSentence) {
    Watchdog w(20000);
    auto form = Open();
    form->Show();
    ClickRow(form->lbEngines->Handle(), 0);
    EXPECT_EQ(form->memDetails->GetText(), L"Name: Microsoft Anna\r\nVendor: Microsoft\r\nAge: Adult\r\nGender: "
                                           L"Female\r\nLanguage: 409\r\nReg key: " + AnnaId);
    EXPECT_EQ(Voiced(), std::make_tuple(AnnaId, 4, 60));
    form->VolumeTB->SetPosition(25);
    form->RateTB->SetFocus();
    SendMessageW(form->RateTB->Handle(), WM_KEYDOWN, VK_LEFT, 0);
    SendMessageW(form->RateTB->Handle(), WM_KEYUP, VK_LEFT, 0);
    EXPECT_EQ(Voiced(), std::make_tuple(AnnaId, 3, 25));
    using Spoken = std::vector<std::pair<std::wstring, int>>;
    EXPECT_EQ(Record->Spoken, Spoken(3, {L"Hello. My name is Microsoft Anna", 3}));
    EXPECT_EQ(Saved(), std::make_tuple(1, 4, 60)); // untouched before closing
}

TEST_F(PickEngine, OkKeepsTheChoiceCancelPutsTheSettingsBack) {
    Watchdog w(20000);
    for (TModalResult result : {mrCancel, mrOk}) {
        auto form = Open();
        form->lbEngines->SetItemIndex(0);
        form->lbEnginesClick();
        form->RateTB->SetPosition(-3);
        form->VolumeTB->SetPosition(80);
        Record->Spoken.clear();
        Close(*form, result);
        EXPECT_EQ(Record->Spoken.front().first, L""); // stopped first
        if (result == mrCancel) {
            EXPECT_EQ(Saved(), std::make_tuple(1, 4, 60));
            EXPECT_EQ(Voiced(), std::make_tuple(std::wstring(L"Tokens\\Sam"), 4, 60));
        } else {
            EXPECT_EQ(Saved(), std::make_tuple(0, -3, 80));
            EXPECT_EQ(Voiced(), std::make_tuple(AnnaId, -3, 80));
        }
    }
    // saved values out of range come back corrected, also when cancelled
    Settings = {9, 30, 500};
    Close(*Open(), mrCancel);
    EXPECT_EQ(Saved(), std::make_tuple(0, 0, 100));
}

TEST_F(PickEngine, DoubleClickIsOk) {
    Watchdog w(20000);
    Settings = {0, 0, 100};
    SetShotTimer(50, [](TObject*) {
        HWND picker = FindWindowW(nullptr, L"Speech Engine Select");
        HWND list = nullptr;
        while ((list = FindWindowExW(picker, list, nullptr, nullptr)) && SendMessageW(list, LB_GETCOUNT, 0, 0) != 2) {
        }
        if (!list)
            return;
        ClickRow(list, 1);
        ClickRow(list, 1, true);
    });
    EXPECT_TRUE(ShowSpeechEnginePicker(*Speech, Settings));
    EXPECT_EQ(Saved(), std::make_tuple(1, 0, 100));
    // the hourglass while the engine's voices are asked for their details
    EXPECT_EQ(static_cast<TFakeToken&>(*Speech->Voices[0].Token).FirstCursor, crHourGlass);
    EXPECT_EQ(Record->Voice, L"Tokens\\Sam");
    // stopped on the way in and on the way out
    ASSERT_GE(Record->Spoken.size(), 2u);
    EXPECT_EQ(Record->Spoken.front().first + Record->Spoken.back().first, L"");
}

TEST_F(PickEngine, WithoutSpeechTheDialogIsEmptyAndHarmless) {
    Watchdog w(20000);
    TSpeechAPI none({}, [](HRESULT&) { return std::unique_ptr<TSpeechVoice>(); });
    TformPickEngine form(nullptr, none, Settings);
    EXPECT_EQ(form.lbEngines->Items()->Count(), 0);
    form.RateTB->SetPosition(-5);
    form.lbEnginesClick();
    Close(form, mrOk);
    EXPECT_EQ(Saved(), std::make_tuple(1, -5, 60));
}
