// Reading aloud from the main window: the saved voice, rate and volume reach the voice
// and come back corrected at close, the Reader menu and Esc, the voice picker; without a
// voice reading says so and nothing else complains.
#include "VMainFixture.h"

#include "FBrowserFrame.h"
#include "FakeBrowserView.h"
#include "SpeechFakes.h"
#include "TntMenus.h"
#include "UShotTimer.h"

using namespace speechtest;
using namespace vcltest;

namespace {

class VMainSpeech : public VMainFixture {
protected:
    // Tabs with a browser double whose pages carry Body and Selection.
    void SetUp() override {
        VMainFixture::SetUp();
        SavedViews = BrowserViewFactory();
        BrowserViewFactory() = [this](TComponent* Owner, TWinControl* Parent) -> TBrowserView* {
            auto* view = new browserfakes::FakeBrowserView(Owner);
            view->SetParent(Parent);
            view->Fetch = [](const std::wstring&) { return std::wstring(L"<html><body>page</body></html>"); };
            view->Page.Body = Body;
            View = view;
            return view;
        };
    }
    void TearDown() override {
        BrowserViewFactory() = SavedViews;
        VMainFixture::TearDown();
    }
    TBrowserViewFactory SavedViews;
    browserfakes::FakeBrowserView* View = nullptr;
    std::wstring Body = L"<div class=\"OH_leftNav\">Contents<div>More</div></div><p>The topic.</p>";
    // Closes the window as the user does (the values are saved).
    static void CloseWindow(TVMainForm* Form) {
        bool canClose = false;
        Form->FormCloseQuery(canClose);
        EXPECT_TRUE(canClose);
    }
    std::vector<std::wstring> Messages;
    void CatchMessages(TVMainForm* Form) {
        Form->Speech->OnMessage = [this](const std::wstring& Text) { Messages.push_back(Text); };
    }
};

using Spoken = std::vector<std::pair<std::wstring, int>>;

} // namespace

TEST_F(VMainSpeech, TheSavedVoiceIsUsedTheMenusAndEscStopAndThePickersChoiceIsSaved) {
    Watchdog w(60000, "speech with a voice");
    auto record = std::make_shared<TVoiceRecord>();
    TFakeVoice* voice = nullptr;
    VMainEnvironment().SpeechFactory = FakeFactory(voice, record);
    Seed(L"SelectedVoice", L"1");
    Seed(L"SpeechRate", L"20"); // past the engine's range
    Seed(L"SpeechVolume", L"50");
    auto form = Start();
    TVMainForm* f = form->Form;
    ASSERT_TRUE(f->Speech && f->Speech->Loaded);
    CatchMessages(f);
    EXPECT_EQ(std::make_tuple(record->Voice, record->Rate, record->Volume),
              std::make_tuple(std::wstring(L"Tokens\\Sam"), 0, 50));
    EXPECT_EQ(record->Interests, SpeechEventInterests);

    // F9 before the tab has a page reads nothing; then the page without its navigation pane.
    record->Spoken.clear();
    EXPECT_TRUE(f->IsShortCut(VK_F9, 0));
    EXPECT_TRUE(record->Spoken.empty());
    ASSERT_TRUE(View);
    f->ActiveFrame()->Navigate(L"http://127.0.0.1/help/topic.htm");
    View->Flush();
    EXPECT_TRUE(f->IsShortCut(VK_F9, 0));
    EXPECT_EQ(record->Spoken, Spoken(1, {L"<p>The topic.</p>\r\n", SVSFlagsAsync | SVSFPurgeBeforeSpeak}));
    // The stop item and Esc end speech; Esc stops the page too.
    record->Spoken.clear();
    const int stops = View->Stops;
    f->mmnuStop->Click();
    EXPECT_TRUE(f->IsShortCut(VK_ESCAPE, 0));
    EXPECT_EQ(record->Spoken, Spoken(2, {L"", SVSFlagsAsync | SVSFPurgeBeforeSpeak}));
    EXPECT_EQ(View->Stops, stops + 1);

    // The picker from the menu: a double click on the first voice is OK.
    SetShotTimer(100, [](TObject*) {
        HWND picker = FindWindowW(nullptr, L"Speech Engine Select");
        HWND list = nullptr;
        while ((list = FindWindowExW(picker, list, nullptr, nullptr)) != nullptr &&
               SendMessageW(list, LB_GETCOUNT, 0, 0) != 2) {
        }
        if (!list) {
            PostMessageW(picker, WM_CLOSE, 0, 0);
            return;
        }
        const LPARAM at = MAKELPARAM(5, 3);
        SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list, WM_LBUTTONUP, 0, at);
        SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageW(list, WM_LBUTTONUP, 0, at);
    });
    record->Spoken.clear();
    f->mmnuReaderOptions->Click();
    EXPECT_EQ(record->Voice, AnnaId);
    ASSERT_FALSE(record->Spoken.empty());
    EXPECT_EQ(record->Spoken.front().first, L""); // stopped before the picker showed
    EXPECT_TRUE(Messages.empty());

    CloseWindow(f);
    EXPECT_EQ(Value(L"SelectedVoice"), L"0");
    EXPECT_EQ(Value(L"SpeechRate"), L"0");
    EXPECT_EQ(Value(L"SpeechVolume"), L"50");
}

TEST_F(VMainSpeech, WithoutAVoiceReadingSaysSoAndEverythingElseIsQuiet) {
    Watchdog w(60000, "speech without a voice");
    Seed(L"SelectedVoice", L"3");
    Seed(L"SpeechVolume", L"70");
    auto form = Start(); // the fixture's voice fails as Wine's does
    TVMainForm* f = form->Form;
    ASSERT_TRUE(f->Speech);
    EXPECT_FALSE(f->Speech->Loaded);
    CatchMessages(f);
    EXPECT_TRUE(f->IsShortCut(VK_F9, 0));
    f->mmnuRead->Click();
    EXPECT_EQ(Messages, std::vector<std::wstring>(2, L"Error loading MS Speech API"));
    f->mmnuStop->Click();
    EXPECT_TRUE(f->IsShortCut(VK_ESCAPE, 0));
    // The picker opens empty and closes.
    SetShotTimer(100, [](TObject*) {
        if (HWND picker = FindWindowW(nullptr, L"Speech Engine Select"))
            PostMessageW(picker, WM_CLOSE, 0, 0);
    });
    f->mmnuReaderOptions->Click();
    EXPECT_EQ(Messages.size(), 2u);
    // Values that no voice could check are kept as they were.
    CloseWindow(f);
    EXPECT_EQ(Value(L"SelectedVoice"), L"3");
    EXPECT_EQ(Value(L"SpeechVolume"), L"70");
}
