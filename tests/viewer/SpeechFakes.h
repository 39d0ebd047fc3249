// A voice double for the reading-aloud tests: records what is set and spoken, and fails
// where it is told to.
#pragma once

#include "Forms.h"
#include "USpeechAPI.h"

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

namespace speechtest {

class TFakeToken : public TSpeechToken {
public:
    TFakeToken(std::wstring ADescription, std::wstring AId, std::map<std::wstring, std::wstring> AAttributes)
        : Description(std::move(ADescription)), Id(std::move(AId)), Attributes(std::move(AAttributes)) {}
    HRESULT GetDescription(std::wstring& Value) override { return Value = Description, S_OK; }
    HRESULT GetId(std::wstring& Value) override { return Value = Id, S_OK; }
    HRESULT GetAttribute(const std::wstring& Name, std::wstring& Value) override {
        if (FirstCursor == crNone && Screen)
            FirstCursor = Screen->Cursor(); // what the user saw while the engine was first asked
        auto it = Attributes.find(Name);
        Value = it == Attributes.end() ? L"" : it->second;
        return it == Attributes.end() ? E_INVALIDARG : S_OK;
    }
    std::wstring Description, Id;
    std::map<std::wstring, std::wstring> Attributes;
    TCursor FirstCursor = crNone;
};

// What the voice was told; it outlives the voice.
struct TVoiceRecord {
    int Interests = -1, Rate = -99, Volume = -99, SetVoiceCalls = 0;
    std::wstring Voice; // id of the token last set
    std::vector<std::pair<std::wstring, int>> Spoken;
    bool Destroyed = false;
};

class TFakeVoice : public TSpeechVoice {
public:
    explicit TFakeVoice(std::shared_ptr<TVoiceRecord> ARecord) : Record(std::move(ARecord)) {}
    ~TFakeVoice() override { Record->Destroyed = true; }
    HRESULT SetEventInterests(int Interests) override {
        if (SUCCEEDED(SetupResult))
            Record->Interests = Interests;
        return SetupResult;
    }
    HRESULT GetVoices(std::vector<TSpeechTokenPtr>& Result) override {
        Result = Tokens;
        return VoicesResult;
    }
    HRESULT SetVoice(TSpeechToken& Token) override {
        ++Record->SetVoiceCalls;
        return Token.GetId(Record->Voice);
    }
    HRESULT SetRate(int Rate) override { return Record->Rate = Rate, S_OK; }
    HRESULT SetVolume(int Volume) override { return Record->Volume = Volume, S_OK; }
    HRESULT Speak(const std::wstring& Text, int Flags) override {
        if (ThrowOnSpeak)
            throw std::runtime_error("engine gone");
        Record->Spoken.emplace_back(Text, Flags);
        return SpeakResult;
    }
    std::shared_ptr<TVoiceRecord> Record;
    std::vector<TSpeechTokenPtr> Tokens;
    HRESULT SetupResult = S_OK, VoicesResult = S_OK, SpeakResult = S_OK;
    bool ThrowOnSpeak = false;
};

inline const std::wstring AnnaId = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\MS-Anna";

// A speech object's factory: a fake voice with the voices "Anna" and "Sam", changed by
// Configure first. Voice is left pointing at it.
inline TSpeechVoiceFactory FakeFactory(TFakeVoice*& Voice, std::shared_ptr<TVoiceRecord> Record,
                                       std::function<void(TFakeVoice&)> Configure = {}) {
    return [&Voice, Record, Configure](HRESULT&) {
        auto v = std::make_unique<TFakeVoice>(Record);
        v->Tokens = {std::make_shared<TFakeToken>(L"Microsoft Anna - English (United States)", AnnaId,
                                                  std::map<std::wstring, std::wstring>{{L"Name", L"Microsoft Anna"},
                                                                                       {L"Vendor", L"Microsoft"},
                                                                                       {L"Age", L"Adult"},
                                                                                       {L"Gender", L"Female"},
                                                                                       {L"Language", L"409"}}),
                     std::make_shared<TFakeToken>(L"Sam \u00e9t\u00e9", L"Tokens\\Sam",
                                                  std::map<std::wstring, std::wstring>{{L"Name", L"Sam"}})};
        if (Configure)
            Configure(*v);
        Voice = v.get();
        return std::unique_ptr<TSpeechVoice>(std::move(v));
    };
}

} // namespace speechtest
