// Reading aloud through the Windows speech interface (the automation object "SAPI.SpVoice").
// The program talks to the engine only through TSpeechVoice: the real voice is late-bound
// over IDispatch, tests give a double. A voice that cannot be created, or whose set-up
// calls fail (as under Wine, where every call answers E_NOTIMPL), leaves the speech object
// without voice: every operation is then a no-op except reading, which says so.
#pragma once

#include "Classes.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMyRegIniFile;

// Speak flags of the speech interface.
constexpr int SVSFlagsAsync = 1;
constexpr int SVSFPurgeBeforeSpeak = 2;
// Events the voice is asked to raise once created.
constexpr int SpeechEventInterests = 0x83FE;

// One installed voice as the speech interface describes it.
class TSpeechToken {
public:
    virtual ~TSpeechToken() = default;
    virtual HRESULT GetDescription(std::wstring& Description) = 0;
    // Token attributes such as "Name", "Vendor", "Age", "Gender", "Language".
    virtual HRESULT GetAttribute(const std::wstring& Name, std::wstring& Value) = 0;
    // The token's identifier (its registry key).
    virtual HRESULT GetId(std::wstring& Id) = 0;
};
using TSpeechTokenPtr = std::shared_ptr<TSpeechToken>;

// The speech engine's voice object.
class TSpeechVoice {
public:
    virtual ~TSpeechVoice() = default;
    virtual HRESULT SetEventInterests(int Interests) = 0;
    // Every installed voice (no attribute filter), in the order the interface lists them.
    virtual HRESULT GetVoices(std::vector<TSpeechTokenPtr>& Tokens) = 0;
    // Token is one that GetVoices of this voice gave.
    virtual HRESULT SetVoice(TSpeechToken& Token) = 0;
    virtual HRESULT SetRate(int Rate) = 0;
    virtual HRESULT SetVolume(int Volume) = 0;
    virtual HRESULT Speak(const std::wstring& Text, int Flags) = 0;
};

// Makes a voice; null (with Error set) when that fails.
using TSpeechVoiceFactory = std::function<std::unique_ptr<TSpeechVoice>(HRESULT& Error)>;
// "SAPI.SpVoice" through automation (COM must be initialised on the calling thread).
std::unique_ptr<TSpeechVoice> CreateSapiVoice(HRESULT& Error);

// What reading aloud needs of a browser tab's page.
class TSpeechPage {
public:
    virtual ~TSpeechPage() = default;
    // The page has a location and a document.
    virtual bool HasDocument() = 0;
    // HTML of the document's current selection ('' when nothing is selected).
    virtual std::wstring SelectionHtml() = 0;
    // innerHTML of the document's body.
    virtual std::wstring BodyHtml() = 0;
};

// The reading settings the main window keeps (section "main"; written by the main window
// in its own order of values).
struct TSpeechSettings {
    int SelectedVoice = 0;
    int SpeechRate = 0;
    int SpeechVolume = 100;
};
inline const wchar_t* const SelectedVoiceKey = L"SelectedVoice";
inline const wchar_t* const SpeechRateKey = L"SpeechRate";
inline const wchar_t* const SpeechVolumeKey = L"SpeechVolume";
// Reads the three values of Section (defaults as above).
TSpeechSettings ReadSpeechSettings(TMyRegIniFile& Store, const std::wstring& Section);

using TSpeechLog = std::function<void(const std::wstring& Line)>;

struct TSpeechVoiceEntry {
    std::wstring Description;
    TSpeechTokenPtr Token;
};

class TSpeechAPI : public TObject {
public:
    VORLANE_CLASS_NAME(TSpeechAPI)
    // Creates the voice: success logs "SAPI 5.x found and loaded", sets the event interests
    // and lists the voices; failure logs "SAPI 5.x not found" with the error and leaves the
    // object without voice. Nothing is raised. Lines go to Log, else to the debug log.
    explicit TSpeechAPI(TSpeechLog Log = {}, const TSpeechVoiceFactory& Factory = CreateSapiVoice);
    // Stops speech and releases the voice (a failure is logged, never raised).
    ~TSpeechAPI() override;

    // Only with a voice: an index outside the list becomes 0 (and that voice is selected
    // when there is one), a rate outside -15..15 becomes 0, a volume outside 0..100 becomes
    // 100; then rate and volume are set. The corrected values are given back.
    void SetVoiceParams(int& VoiceIndex, int& Rate, int& Volume);
    // SetVoiceParams with the main window's settings (corrected in place), then the object
    // is ready: from then on reading leaves out the pages' navigation pane.
    void ApplySettings(TSpeechSettings& Settings);
    // Ends any speech in progress.
    bool Stop();
    // Speaks Text at once, replacing what is being spoken (with a voice only).
    HRESULT Speak(const std::wstring& Text);
    // Reads the page's selection, or else its body, aloud. Without voice: the message
    // "Error loading MS Speech API"; when the engine or the page fails: "Error calling MS
    // Speech API". A page without document reads nothing.
    void SpeakPage(TSpeechPage* Page);

    bool Loaded = false;
    std::unique_ptr<TSpeechVoice> Voice;
    std::vector<TSpeechVoiceEntry> Voices;
    // Set by the main window once the settings are applied; enables the navigation removal.
    bool Ready = false;
    // Shows the reading errors (default: the wide message box).
    std::function<void(const std::wstring& Text)> OnMessage;

private:
    void Log(const std::wstring& Line) const;
    void ShowMessage(const std::wstring& Text) const;
    bool Check(HRESULT Result, const wchar_t* What) const;

    TSpeechLog FLog;
};
