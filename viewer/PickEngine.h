// "Speech Engine Select": the voice picker. Lists the installed voices with their details,
// sets speed and volume with a test sentence, and on closing gives the main window's
// reading settings back to the speech object (changed only with OK).
#pragma once

#include "TntComCtrls.h"
#include "TntForms.h"
#include "TntStdCtrls.h"
#include "USpeechAPI.h"

#include <string>

class TformPickEngine : public TTntForm {
public:
    VORLANE_CLASS_NAME(TformPickEngine)
    // Neither Speech nor Settings is owned; Settings are the main window's.
    TformPickEngine(TComponent* AOwner, TSpeechAPI& Speech, TSpeechSettings& Settings);

    TTntLabel* lblVoice;
    TTntListBox* lbEngines;
    TTntGroupBox* gbDetails;
    TTntMemo* memDetails;
    TTntLabel* lblVoiceSpeed;
    TTntLabel* lblSlow;
    TTntTrackBar* RateTB;
    TTntLabel* lblFast;
    TTntLabel* lblVoiceVolume;
    TTntLabel* lblLow;
    TTntTrackBar* VolumeTB;
    TTntLabel* lblHigh;
    TTntButton* btnOK;
    TTntButton* btnCancel;

    void lbEnginesClick();
    void lbEnginesDblClick();
    void TrackBarChange();
    void FormClose(TCloseAction& Action);

private:
    void ArrangeRows();
    void ShowDetails(int Index);
    void ApplyAndTest();

    TSpeechAPI& FSpeech;
    TSpeechSettings& FSettings;
    bool FFilling = true;
};

// Stops speech and shows the picker modally; true when it was closed with OK.
bool ShowSpeechEnginePicker(TSpeechAPI& Speech, TSpeechSettings& Settings);

// "Name: ...", "Vendor: ...", "Age: ...", "Gender: ...", "Language: ...", "Reg key: ..."
// of a voice, CR LF between the lines.
std::wstring SpeechVoiceDetails(TSpeechToken& Token);
// "Hello. My name is " and the voice's name.
std::wstring SpeechTestSentence(TSpeechToken& Token);
