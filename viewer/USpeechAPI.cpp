#include "USpeechAPI.h"

#include "Handles.h"
#include "OleAuto.h"
#include "SysUtils.h"
#include "TntDialogs.h"
#include "UAppSettings.h"
#include "UDebugLog.h"
#include "USpeechText.h"

#include <exception>

namespace {

std::wstring CurrentExceptionText() {
    try {
        throw;
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return std::wstring(e.what(), e.what() + strlen(e.what()));
    } catch (...) {
        return L"unknown exception";
    }
}

// ---------------------------------------------------------------------------------
// The speech interface's own objects, late-bound.

// The text of Name's value (a property, or a method's result with Args).
HRESULT TextOf(const TAutoObject& Object, const wchar_t* Name, std::initializer_list<TOleArg> Args,
               std::wstring& Text) {
    Text.clear();
    TVariant value;
    TDispResult r = Object.GetValue(Name, value, Args);
    if (!r)
        return r.Code;
    if (value.Get()->vt == VT_EMPTY || value.Get()->vt == VT_NULL)
        return S_OK;
    HRESULT hr = VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR);
    if (SUCCEEDED(hr) && value.Get()->bstrVal)
        Text.assign(value.Get()->bstrVal, SysStringLen(value.Get()->bstrVal));
    return hr;
}

class TSapiToken : public TSpeechToken {
public:
    explicit TSapiToken(TAutoObject AToken) : Token(std::move(AToken)) {}
    HRESULT GetDescription(std::wstring& Description) override {
        return TextOf(Token, L"GetDescription", {0}, Description);
    }
    HRESULT GetAttribute(const std::wstring& Name, std::wstring& Value) override {
        return TextOf(Token, L"GetAttribute", {Name}, Value);
    }
    HRESULT GetId(std::wstring& Id) override { return TextOf(Token, L"Id", {}, Id); }
    TAutoObject Token;
};

class TSapiVoice : public TSpeechVoice {
public:
    explicit TSapiVoice(TAutoObject AVoice) : Voice(std::move(AVoice)) {}
    HRESULT SetEventInterests(int Interests) override { return Voice.Put(L"EventInterests", Interests).Code; }
    HRESULT GetVoices(std::vector<TSpeechTokenPtr>& Tokens) override {
        Tokens.clear();
        TAutoObject list = Voice.Obj(L"GetVoices", {L"", L""});
        TVariant count;
        HRESULT hr = list ? list.GetValue(L"Count", count).Code : list.Result().Code;
        if (SUCCEEDED(hr))
            hr = VariantChangeType(count.Get(), count.Get(), 0, VT_I4);
        for (long i = 0; SUCCEEDED(hr) && i < count.Get()->lVal; ++i) {
            TAutoObject token = list.Obj(L"Item", {static_cast<int>(i)});
            hr = token.Result().Code;
            if (token)
                Tokens.push_back(std::make_shared<TSapiToken>(std::move(token)));
        }
        return hr;
    }
    HRESULT SetVoice(TSpeechToken& Token) override {
        auto* token = dynamic_cast<TSapiToken*>(&Token);
        if (!token)
            return E_INVALIDARG;
        // An object-valued property: set by reference.
        DISPID id;
        TDispResult r = DispIdOfName(Voice.Get(), L"Voice", id);
        if (r)
            r = DispInvoke(Voice.Get(), id, DISPATCH_PROPERTYPUTREF, {TOleArg(token->Token.Get())}, nullptr);
        return r.Code;
    }
    HRESULT SetRate(int Rate) override { return Voice.Put(L"Rate", Rate).Code; }
    HRESULT SetVolume(int Volume) override { return Voice.Put(L"Volume", Volume).Code; }
    HRESULT Speak(const std::wstring& Text, int Flags) override { return Voice.Call(L"Speak", {Text, Flags}).Code; }
    TAutoObject Voice;
};

} // namespace

std::unique_ptr<TSpeechVoice> CreateSapiVoice(HRESULT& Error) {
    CLSID clsid;
    Error = CLSIDFromProgID(L"SAPI.SpVoice", &clsid);
    if (FAILED(Error))
        return nullptr;
    TComPtr<IDispatch> voice;
    Error = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, voice.PutVoid());
    if (FAILED(Error))
        return nullptr;
    if (!voice) {
        Error = E_NOINTERFACE;
        return nullptr;
    }
    return std::make_unique<TSapiVoice>(TAutoObject(voice.Get()));
}

TSpeechSettings ReadSpeechSettings(TMyRegIniFile& Store, const std::wstring& Section) {
    TSpeechSettings s;
    s.SelectedVoice = Store.ReadInteger(Section, SelectedVoiceKey, s.SelectedVoice);
    s.SpeechRate = Store.ReadInteger(Section, SpeechRateKey, s.SpeechRate);
    s.SpeechVolume = Store.ReadInteger(Section, SpeechVolumeKey, s.SpeechVolume);
    return s;
}

// ---------------------------------------------------------------------------------

TSpeechAPI::TSpeechAPI(TSpeechLog Log, const TSpeechVoiceFactory& Factory) : FLog(std::move(Log)) {
    try {
        HRESULT error = S_OK;
        std::unique_ptr<TSpeechVoice> voice = Factory ? Factory(error) : nullptr;
        if (!voice) {
            this->Log(L"SAPI 5.x not found (" + OleErrorText(error) + L")");
            return;
        }
        // A voice that takes none of its set-up is as good as none (Wine's answers E_NOTIMPL).
        HRESULT hr = voice->SetEventInterests(SpeechEventInterests);
        if (FAILED(hr)) {
            this->Log(L"SAPI 5.x not found (EventInterests: " + OleErrorText(hr) + L")");
            return;
        }
        std::vector<TSpeechTokenPtr> tokens;
        hr = voice->GetVoices(tokens);
        if (FAILED(hr)) {
            this->Log(L"SAPI 5.x not found (GetVoices: " + OleErrorText(hr) + L")");
            return;
        }
        for (TSpeechTokenPtr& token : tokens) {
            if (!token)
                continue;
            TSpeechVoiceEntry entry;
            Check(token->GetDescription(entry.Description), L"GetDescription");
            entry.Token = std::move(token);
            Voices.push_back(std::move(entry));
        }
        Voice = std::move(voice);
        Loaded = true;
        this->Log(L"SAPI 5.x found and loaded");
    } catch (...) {
        Voices.clear();
        Voice.reset();
        Loaded = false;
        this->Log(L"SAPI 5.x not found (" + CurrentExceptionText() + L")");
    }
}

TSpeechAPI::~TSpeechAPI() {
    try {
        Stop();
        Voices.clear();
        Voice.reset();
    } catch (...) {
        Log(L"TSpeechAPI.Destroy() Exception");
    }
}

void TSpeechAPI::Log(const std::wstring& Line) const {
    try {
        if (FLog)
            FLog(Line);
        else
            DebugLog(Line);
    } catch (...) {
    }
}

void TSpeechAPI::ShowMessage(const std::wstring& Text) const {
    Log(Text);
    if (OnMessage)
        OnMessage(Text);
    else
        WideShowMessage(Text);
}

bool TSpeechAPI::Check(HRESULT Result, const wchar_t* What) const {
    if (SUCCEEDED(Result))
        return true;
    Log(std::wstring(L"Speech API: ") + What + L" failed, " + OleErrorText(Result));
    return false;
}

void TSpeechAPI::SetVoiceParams(int& VoiceIndex, int& Rate, int& Volume) {
    if (!Voice)
        return;
    if (VoiceIndex < 0 || VoiceIndex >= static_cast<int>(Voices.size()))
        VoiceIndex = 0;
    if (Rate < -15 || Rate > 15)
        Rate = 0;
    if (Volume < 0 || Volume > 100)
        Volume = 100;
    try {
        if (!Voices.empty() && Voices[VoiceIndex].Token)
            Check(Voice->SetVoice(*Voices[VoiceIndex].Token), L"Voice");
        Check(Voice->SetRate(Rate), L"Rate");
        Check(Voice->SetVolume(Volume), L"Volume");
    } catch (...) {
        Log(L"TSpeechAPI.SetVoiceParams() Exception: " + CurrentExceptionText());
    }
}

void TSpeechAPI::ApplySettings(TSpeechSettings& Settings) {
    SetVoiceParams(Settings.SelectedVoice, Settings.SpeechRate, Settings.SpeechVolume);
    Ready = true;
}

bool TSpeechAPI::Stop() {
    if (Voice)
        Speak(L"");
    return true;
}

HRESULT TSpeechAPI::Speak(const std::wstring& Text) {
    if (!Voice)
        return E_POINTER;
    try {
        HRESULT hr = Voice->Speak(Text, SVSFlagsAsync | SVSFPurgeBeforeSpeak);
        Check(hr, L"Speak");
        return hr;
    } catch (...) {
        Log(L"TSpeechAPI.Speak() Exception: " + CurrentExceptionText());
        return E_UNEXPECTED;
    }
}

void TSpeechAPI::SpeakPage(TSpeechPage* Page) {
    if (!Voice) {
        ShowMessage(L"Error loading MS Speech API");
        return;
    }
    bool failed = false;
    try {
        if (!Page || !Page->HasDocument())
            return;
        std::wstring source = Page->SelectionHtml();
        if (source.empty())
            source = Page->BodyHtml();
        failed = FAILED(Speak(SpeechText(std::move(source), Ready)));
    } catch (...) {
        Log(L"TSpeechAPI.SpeakPage() Exception: " + CurrentExceptionText());
        failed = true;
    }
    if (failed)
        ShowMessage(L"Error calling MS Speech API");
}
