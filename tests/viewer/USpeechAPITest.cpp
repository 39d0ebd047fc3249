#include "USpeechAPI.h"

#include "SpeechFakes.h"
#include "UComInit.h"

#include <gtest/gtest.h>

using namespace speechtest;

namespace {

class TFakePage : public TSpeechPage {
public:
    bool HasDocument() override { return Document; }
    std::wstring SelectionHtml() override { return Selection; }
    std::wstring BodyHtml() override { return Throw ? throw std::runtime_error("document gone") : Body; }
    bool Document = true, Throw = false;
    std::wstring Selection, Body = L"text";
};

class SpeechAPI : public ::testing::Test {
protected:
    std::unique_ptr<TSpeechAPI> Make(TSpeechVoiceFactory Factory) {
        Log.clear();
        Messages.clear();
        auto speech = std::make_unique<TSpeechAPI>([this](const std::wstring& L) { Log += L + L"\n"; }, Factory);
        speech->OnMessage = [this](const std::wstring& Text) { Messages.push_back(Text); };
        return speech;
    }
    std::unique_ptr<TSpeechAPI> Make(std::function<void(TFakeVoice&)> Configure = {}) {
        Record = std::make_shared<TVoiceRecord>();
        return Make(FakeFactory(Voice, Record, Configure));
    }
    std::shared_ptr<TVoiceRecord> Record;
    TFakeVoice* Voice = nullptr;
    std::wstring Log;
    std::vector<std::wstring> Messages;
};

using Spoken = std::pair<std::wstring, int>;

} // namespace

TEST_F(SpeechAPI, CreationSetsInterestsAndListsVoicesInOrder) {
    auto speech = Make();
    EXPECT_TRUE(speech->Loaded);
    EXPECT_EQ(Record->Interests, 33790);
    ASSERT_EQ(speech->Voices.size(), 2u);
    EXPECT_EQ(speech->Voices[0].Description, L"Microsoft Anna - English (United States)");
    EXPECT_EQ(speech->Voices[1].Description, L"Sam \u00e9t\u00e9");
    EXPECT_EQ(Log, L"SAPI 5.x found and loaded\n");
}

TEST_F(SpeechAPI, WithoutAWorkingVoiceOnlyReadingSpeaks) {
    // the object refuses its set-up (what Wine's does), lists no voices, cannot be made,
    // or its factory throws
    std::vector<std::pair<std::unique_ptr<TSpeechAPI>, std::wstring>> cases;
    auto add = [&](std::unique_ptr<TSpeechAPI> Speech) { cases.emplace_back(std::move(Speech), Log); };
    add(Make([](TFakeVoice& v) { v.SetupResult = E_NOTIMPL; }));
    EXPECT_TRUE(Record->Destroyed);
    add(Make([](TFakeVoice& v) { v.VoicesResult = E_NOTIMPL; }));
    add(Make([](HRESULT& Error) -> std::unique_ptr<TSpeechVoice> {
        Error = REGDB_E_CLASSNOTREG;
        return nullptr;
    }));
    add(Make([](HRESULT&) -> std::unique_ptr<TSpeechVoice> { throw std::bad_alloc(); }));
    const wchar_t* errors[] = {L"0x80004001", L"0x80004001", L"0x80040154", L""};
    for (size_t i = 0; i < cases.size(); ++i) {
        TSpeechAPI& speech = *cases[i].first;
        EXPECT_EQ(cases[i].second.rfind(L"SAPI 5.x not found", 0), 0u) << cases[i].second;
        EXPECT_NE(cases[i].second.find(errors[i]), std::wstring::npos) << cases[i].second;
        EXPECT_FALSE(speech.Loaded);
        EXPECT_FALSE(speech.Voice);
        EXPECT_TRUE(speech.Voices.empty());
        int index = 9, rate = 40, volume = 400;
        speech.SetVoiceParams(index, rate, volume);
        EXPECT_EQ(std::make_tuple(index, rate, volume), std::make_tuple(9, 40, 400));
        EXPECT_TRUE(speech.Stop());
        Messages.clear();
        speech.OnMessage = [this](const std::wstring& Text) { Messages.push_back(Text); };
        TFakePage page;
        speech.SpeakPage(&page);
        speech.SpeakPage(nullptr);
        EXPECT_EQ(Messages, std::vector<std::wstring>(2, L"Error loading MS Speech API"));
    }
}

TEST_F(SpeechAPI, SetVoiceParamsClampsAtTheLimits) {
    auto speech = Make();
    struct Case {
        TSpeechSettings in, out;
        std::wstring voice;
    } cases[] = {
        {{1, -15, 0}, {1, -15, 0}, L"Tokens\\Sam"},
        {{0, 15, 100}, {0, 15, 100}, AnnaId},
        {{2, -16, -1}, {0, 0, 100}, AnnaId},
        {{-1, 16, 101}, {0, 0, 100}, AnnaId},
    };
    for (Case& c : cases) {
        speech->SetVoiceParams(c.in.SelectedVoice, c.in.SpeechRate, c.in.SpeechVolume);
        EXPECT_EQ(std::make_tuple(c.in.SelectedVoice, c.in.SpeechRate, c.in.SpeechVolume),
                  std::make_tuple(c.out.SelectedVoice, c.out.SpeechRate, c.out.SpeechVolume));
        EXPECT_EQ(std::make_tuple(Record->Voice, Record->Rate, Record->Volume),
                  std::make_tuple(c.voice, c.out.SpeechRate, c.out.SpeechVolume));
    }
    // no voices installed: nothing to select, rate and volume are still set
    auto bare = Make([](TFakeVoice& v) { v.Tokens.clear(); });
    TSpeechSettings settings{3, 20, 50};
    bare->ApplySettings(settings);
    EXPECT_EQ(std::make_tuple(settings.SelectedVoice, settings.SpeechRate, settings.SpeechVolume), std::make_tuple(0, 0, 50));
    EXPECT_EQ(Record->SetVoiceCalls, 0);
    EXPECT_EQ(Record->Volume, 50);
    EXPECT_TRUE(bare->Ready);
}

TEST_F(SpeechAPI, SpeakPageReadsSelectionElseBody) {
    auto speech = Make();
    TFakePage page;
    page.Selection = L"<b>Selected</b> words";
    page.Body = L"<div class=OH_leftNav>Nav</div>Body";
    speech->SpeakPage(&page);
    // no selection: the body; the navigation pane stays until the object is ready
    page.Selection.clear();
    speech->SpeakPage(&page);
    speech->Ready = true;
    speech->SpeakPage(&page);
    // no document: nothing, silently
    page.Document = false;
    speech->SpeakPage(&page);
    speech->SpeakPage(nullptr);
    EXPECT_EQ(Record->Spoken, (std::vector<Spoken>{{L"<b>Selected</b> words\r\n", 3},
                                                   {L"<div class=OH_leftNav>Nav</div>Body\r\n", 3},
                                                   {L"Body\r\n", 3}}));
    EXPECT_TRUE(Messages.empty());
}

TEST_F(SpeechAPI, EngineAndPageFailuresBecomeOneMessage) {
    auto speech = Make();
    TFakePage page;
    Voice->SpeakResult = E_FAIL;
    speech->SpeakPage(&page);
    Voice->SpeakResult = S_OK;
    Voice->ThrowOnSpeak = true;
    speech->SpeakPage(&page);
    Voice->ThrowOnSpeak = false;
    page.Throw = true;
    speech->SpeakPage(&page);
    EXPECT_EQ(Messages, std::vector<std::wstring>(3, L"Error calling MS Speech API"));
    EXPECT_NE(Log.find(L"engine gone"), std::wstring::npos);
    EXPECT_NE(Log.find(L"document gone"), std::wstring::npos);
}

TEST_F(SpeechAPI, StopAndDestroyPurgeSpeech) {
    auto speech = Make();
    EXPECT_TRUE(speech->Stop());
    speech.reset();
    EXPECT_EQ(Record->Spoken, (std::vector<Spoken>{{L"", 3}, {L"", 3}}));
    EXPECT_TRUE(Record->Destroyed);
    // an engine that throws while stopping does not stop the destruction
    auto failing = Make([](TFakeVoice& v) { v.ThrowOnSpeak = true; });
    EXPECT_NO_THROW(failing.reset());
    EXPECT_TRUE(Record->Destroyed);
}

// The system's own speech object: under Wine it is made but answers E_NOTIMPL, so the
// speech object must end up without voice, saying why, and reading must say so.
TEST(SpeechAPISystem, RealVoiceLoadsOrSaysWhy) {
    TComInitializer com;
    std::wstring log;
    std::vector<std::wstring> messages;
    TSpeechAPI speech([&](const std::wstring& Line) { log = Line; });
    speech.OnMessage = [&](const std::wstring& Text) { messages.push_back(Text); };
    if (speech.Loaded) {
        EXPECT_EQ(log, L"SAPI 5.x found and loaded");
        return;
    }
    EXPECT_EQ(log.rfind(L"SAPI 5.x not found (", 0), 0u) << log;
    TSpeechSettings settings{5, 5, 5};
    speech.ApplySettings(settings);
    EXPECT_TRUE(speech.Stop());
    speech.SpeakPage(nullptr);
    EXPECT_EQ(messages, std::vector<std::wstring>{L"Error loading MS Speech API"});
}
