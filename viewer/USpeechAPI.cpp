#include "USpeechAPI.h"

#include "Handles.h"
#include "SysUtils.h"
#include "TntDialogs.h"
#include "UAppSettings.h"
#include "USpeechText.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace {

std::wstring ErrorText(HRESULT Result) {
    wchar_t buf[32];
    swprintf(buf, 32, L"error 0x%08lX", static_cast<unsigned long>(Result));
    return buf;
}

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
// Late binding: one call of a member by name. Arguments are given in call order and are
// borrowed (the caller keeps strings and objects alive). Failures are results.

VARIANT IntArg(int Value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = Value;
    return v;
}

VARIANT TextArg(const TBStr& Value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = Value.Get();
    return v;
}

VARIANT ObjectArg(IDispatch* Value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = Value;
    return v;
}

HRESULT DispInvoke(IDispatch* Object, const wchar_t* Name, WORD Kind, std::vector<VARIANT> Args,
                   VARIANT* Result) {
    if (!Object)
        return E_POINTER;
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(Name);
    HRESULT hr = Object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    std::reverse(Args.begin(), Args.end()); // the last argument comes first
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{Args.empty() ? nullptr : Args.data(), nullptr, static_cast<UINT>(Args.size()), 0};
    if (Kind & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    UINT argError = 0;
    hr = Object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, Kind, &params, Result, &info, &argError);
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn)
            info.pfnDeferredFillIn(&info);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrHelpFile);
        if (FAILED(info.scode))
            hr = info.scode;
    }
    return hr;
}

HRESULT DispText(IDispatch* Object, const wchar_t* Name, WORD Kind, std::vector<VARIANT> Args,
                 std::wstring& Text) {
    Text.clear();
    TVariant result;
    HRESULT hr = DispInvoke(Object, Name, Kind, std::move(Args), result.Get());
    if (FAILED(hr))
        return hr;
    if (result.Get()->vt == VT_EMPTY || result.Get()->vt == VT_NULL)
        return S_OK;
    hr = VariantChangeType(result.Get(), result.Get(), 0, VT_BSTR);
    if (SUCCEEDED(hr) && result.Get()->bstrVal)
        Text.assign(result.Get()->bstrVal, SysStringLen(result.Get()->bstrVal));
    return hr;
}

HRESULT DispObject(IDispatch* Object, const wchar_t* Name, WORD Kind, std::vector<VARIANT> Args,
                   TComPtr<IDispatch>& Out) {
    Out.Reset();
    TVariant result;
    HRESULT hr = DispInvoke(Object, Name, Kind, std::move(Args), result.Get());
    if (FAILED(hr))
        return hr;
    if (result.Get()->vt != VT_DISPATCH || !result.Get()->pdispVal)
        return E_NOINTERFACE;
    Out = TComPtr<IDispatch>(result.Get()->pdispVal);
    return S_OK;
}

HRESULT DispInt(IDispatch* Object, const wchar_t* Name, int& Value) {
    Value = 0;
    TVariant result;
    HRESULT hr = DispInvoke(Object, Name, DISPATCH_PROPERTYGET, {}, result.Get());
    if (SUCCEEDED(hr))
        hr = VariantChangeType(result.Get(), result.Get(), 0, VT_I4);
    if (SUCCEEDED(hr))
        Value = result.Get()->lVal;
    return hr;
}

HRESULT DispPut(IDispatch* Object, const wchar_t* Name, VARIANT Value, WORD Kind = DISPATCH_PROPERTYPUT) {
    return DispInvoke(Object, Name, Kind, {Value}, nullptr);
}

// ---------------------------------------------------------------------------------
// The speech interface's own objects.

class TSapiToken : public TSpeechToken {
public:
    explicit TSapiToken(TComPtr<IDispatch> AToken) : Token(std::move(AToken)) {}
    HRESULT GetDescription(std::wstring& Description) override {
        return DispText(Token.Get(), L"GetDescription", DISPATCH_METHOD, {IntArg(0)}, Description);
    }
    HRESULT GetAttribute(const std::wstring& Name, std::wstring& Value) override {
        TBStr name(Name);
        return DispText(Token.Get(), L"GetAttribute", DISPATCH_METHOD, {TextArg(name)}, Value);
    }
    HRESULT GetId(std::wstring& Id) override { return DispText(Token.Get(), L"Id", DISPATCH_PROPERTYGET, {}, Id); }
    TComPtr<IDispatch> Token;
};

class TSapiVoice : public TSpeechVoice {
public:
    explicit TSapiVoice(TComPtr<IDispatch> AVoice) : Voice(std::move(AVoice)) {}
    HRESULT SetEventInterests(int Interests) override {
        return DispPut(Voice.Get(), L"EventInterests", IntArg(Interests));
    }
    HRESULT GetVoices(std::vector<TSpeechTokenPtr>& Tokens) override {
        Tokens.clear();
        TBStr none(L"");
        TComPtr<IDispatch> list;
        HRESULT hr = DispObject(Voice.Get(), L"GetVoices", DISPATCH_METHOD, {TextArg(none), TextArg(none)}, list);
        int count = 0;
        if (SUCCEEDED(hr))
            hr = DispInt(list.Get(), L"Count", count);
        for (int i = 0; SUCCEEDED(hr) && i < count; ++i) {
            TComPtr<IDispatch> token;
            hr = DispObject(list.Get(), L"Item", DISPATCH_METHOD, {IntArg(i)}, token);
            if (SUCCEEDED(hr))
                Tokens.push_back(std::make_shared<TSapiToken>(std::move(token)));
        }
        return hr;
    }
    HRESULT SetVoice(TSpeechToken& Token) override {
        auto* token = dynamic_cast<TSapiToken*>(&Token);
        if (!token)
            return E_INVALIDARG;
        return DispPut(Voice.Get(), L"Voice", ObjectArg(token->Token.Get()), DISPATCH_PROPERTYPUTREF);
    }
    HRESULT SetRate(int Rate) override { return DispPut(Voice.Get(), L"Rate", IntArg(Rate)); }
    HRESULT SetVolume(int Volume) override { return DispPut(Voice.Get(), L"Volume", IntArg(Volume)); }
    HRESULT Speak(const std::wstring& Text, int Flags) override {
        TBStr text(Text);
        TVariant stream;
        return DispInvoke(Voice.Get(), L"Speak", DISPATCH_METHOD, {TextArg(text), IntArg(Flags)}, stream.Get());
    }
    TComPtr<IDispatch> Voice;
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
    return std::make_unique<TSapiVoice>(std::move(voice));
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
            this->Log(L"SAPI 5.x not found (" + ErrorText(error) + L")");
            return;
        }
        // A voice that takes none of its set-up is as good as none (Wine's answers E_NOTIMPL).
        HRESULT hr = voice->SetEventInterests(SpeechEventInterests);
        if (FAILED(hr)) {
            this->Log(L"SAPI 5.x not found (EventInterests: " + ErrorText(hr) + L")");
            return;
        }
        std::vector<TSpeechTokenPtr> tokens;
        hr = voice->GetVoices(tokens);
        if (FAILED(hr)) {
            this->Log(L"SAPI 5.x not found (GetVoices: " + ErrorText(hr) + L")");
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
    if (!FLog)
        return;
    try {
        FLog(Line);
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
    Log(std::wstring(L"Speech API: ") + What + L" failed, " + ErrorText(Result));
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
