#include "PickEngine.h"

#include "UDialogButtons.h"
#include "UMessageTexts.h"
#include "UShotTimer.h"
#include "UTranslator.h"

#include <algorithm>
#include <memory>

namespace {

std::wstring Attribute(TSpeechToken& Token, const wchar_t* Name) {
    std::wstring value;
    if (FAILED(Token.GetAttribute(Name, value)))
        value.clear();
    return value;
}

TTntLabel* MakeLabel(TformPickEngine* Form, TWinControl* Parent, const wchar_t* Name, const wchar_t* Caption,
                     int Left, int Top) {
    auto* label = new TTntLabel(Form);
    label->SetName(Name);
    label->SetParent(Parent);
    label->SetBounds(Left, Top, 120, 16);
    label->SetCaption(Caption); // as large as its text
    return label;
}

TTntTrackBar* MakeTrackBar(TformPickEngine* Form, const wchar_t* Name, int Top, int Min, int Max) {
    auto* bar = new TTntTrackBar(Form);
    bar->SetName(Name);
    bar->SetParent(Form);
    bar->SetBounds(60, Top, 300, 32);
    bar->SetRange(Min, Max);
    bar->SetTickStyle(tsNone);
    return bar;
}

} // namespace

std::wstring SpeechVoiceDetails(TSpeechToken& Token) {
    std::wstring id;
    if (FAILED(Token.GetId(id)))
        id.clear();
    return L"Name: " + Attribute(Token, L"Name") + L"\r\nVendor: " + Attribute(Token, L"Vendor") +
           L"\r\nAge: " + Attribute(Token, L"Age") + L"\r\nGender: " + Attribute(Token, L"Gender") +
           L"\r\nLanguage: " + Attribute(Token, L"Language") + L"\r\nReg key: " + id;
}

std::wstring SpeechTestSentence(TSpeechToken& Token) { return L"Hello. My name is " + Attribute(Token, L"Name"); }

TformPickEngine::TformPickEngine(TComponent* AOwner, TSpeechAPI& Speech, TSpeechSettings& Settings)
    : TTntForm(AOwner), FSpeech(Speech), FSettings(Settings) {
    SetName(L"formPickEngine");
    SetCaption(L"Speech Engine Select");
    SetBorderStyle(bsDialog);
    SetPosition(poMainFormCenter);
    SetClientWidth(420);
    SetClientHeight(352);

    lblVoice = MakeLabel(this, this, L"lblVoice", L"Voice:", 8, 8);
    lbEngines = new TTntListBox(this);
    lbEngines->SetName(L"lbEngines");
    lbEngines->SetParent(this);
    lbEngines->SetBounds(8, 26, 404, 82);
    lbEngines->OnClick = [this](TObject*) { lbEnginesClick(); };
    lbEngines->OnDblClick = [this](TObject*) { lbEnginesDblClick(); };

    gbDetails = new TTntGroupBox(this);
    gbDetails->SetName(L"gbDetails");
    gbDetails->SetParent(this);
    gbDetails->SetCaption(L"Details");
    gbDetails->SetBounds(8, 114, 404, 112);
    memDetails = new TTntMemo(this);
    memDetails->SetName(L"memDetails");
    memDetails->SetParent(gbDetails);
    memDetails->SetBounds(8, 18, 388, 86);
    memDetails->SetReadOnly(true);

    lblVoiceSpeed = MakeLabel(this, this, L"lblVoiceSpeed", L"Voice Speed", 8, 232);
    lblSlow = MakeLabel(this, this, L"lblSlow", L"Slow", 8, 254);
    RateTB = MakeTrackBar(this, L"RateTB", 250, -10, 10);
    lblFast = MakeLabel(this, this, L"lblFast", L"Fast", 366, 254);
    lblVoiceVolume = MakeLabel(this, this, L"lblVoiceVolume", L"Voice Volume", 8, 284);
    lblLow = MakeLabel(this, this, L"lblLow", L"Low", 8, 306);
    VolumeTB = MakeTrackBar(this, L"VolumeTB", 302, 0, 100);
    VolumeTB->SetPosition(100);
    lblHigh = MakeLabel(this, this, L"lblHigh", L"High", 366, 306);
    RateTB->OnChange = [this](TObject*) { TrackBarChange(); };
    VolumeTB->OnChange = [this](TObject*) { TrackBarChange(); };

    const TOkCancelButtons buttons = MakeOkCancelButtons(this, L"btnOK", L"btnCancel", 256, 320);
    btnOK = buttons.Ok;
    btnCancel = buttons.Cancel;
    OnClose = [this](TObject*, TCloseAction& Action) { FormClose(Action); };

    // The texts the interface translation gave.
    const std::pair<TControl*, const std::wstring*> texts[] = {
        {this, &SpeechDlg_Title},        {lblVoice, &SpeechDlg_Voice},   {gbDetails, &SpeechDlg_Details},
        {lblVoiceSpeed, &SpeechDlg_VoiceSpeed}, {lblSlow, &SpeechDlg_Slow}, {lblFast, &SpeechDlg_Fast},
        {lblVoiceVolume, &SpeechDlg_VoiceVolume}, {lblLow, &SpeechDlg_Low}, {lblHigh, &SpeechDlg_High},
        {btnOK, &SpeechDlg_OK},          {btnCancel, &SpeechDlg_Cancel}};
    for (const auto& [control, text] : texts)
        SetTextIfGiven(control, *text);
    ArrangeRows();

    // Filling: the track bars' change events stay quiet.
    for (const TSpeechVoiceEntry& voice : FSpeech.Voices)
        lbEngines->Items()->Add(voice.Description);
    int count = static_cast<int>(FSpeech.Voices.size());
    if (count > 0) {
        int current = FSettings.SelectedVoice >= 0 && FSettings.SelectedVoice < count ? FSettings.SelectedVoice : 0;
        lbEngines->SetItemIndex(current);
        ShowDetails(current);
    }
    RateTB->SetPosition(FSettings.SpeechRate);
    VolumeTB->SetPosition(FSettings.SpeechVolume);
    FFilling = false;
}

void TformPickEngine::ArrangeRows() {
    // Rows from the top, each as high as the labels' font needs; the track bars between
    // their end labels; OK and Cancel under the last row.
    constexpr int Gap = 8, Width = 420;
    int y = Gap;
    auto label = [&](TTntLabel* Label) {
        Label->SetBounds(Gap, y, Label->Width(), Label->Height());
        y += Label->Height() + 2;
    };
    auto trackRow = [&](TTntLabel* Low, TTntTrackBar* Bar, TTntLabel* High) {
        const int left = Gap + std::max(lblSlow->Width(), lblLow->Width()) + Gap;
        const int right = Width - Gap - std::max(lblFast->Width(), lblHigh->Width()) - Gap;
        const int h = std::max(Bar->Height(), Low->Height());
        Bar->SetBounds(left, y + (h - Bar->Height()) / 2, right - left, Bar->Height());
        Low->SetBounds(Gap, y + (h - Low->Height()) / 2, Low->Width(), Low->Height());
        High->SetBounds(right + Gap, y + (h - High->Height()) / 2, High->Width(), High->Height());
        y += h + Gap;
    };
    label(lblVoice);
    lbEngines->SetBounds(Gap, y, Width - 2 * Gap, lbEngines->Height());
    y += lbEngines->Height() + Gap;
    const int line = lblVoice->Height();
    gbDetails->SetBounds(Gap, y, Width - 2 * Gap, std::max(112, 7 * line + line + 12));
    memDetails->SetBounds(Gap, line + 4, gbDetails->Width() - 2 * Gap, gbDetails->Height() - line - 12);
    y += gbDetails->Height() + Gap;
    label(lblVoiceSpeed);
    trackRow(lblSlow, RateTB, lblFast);
    label(lblVoiceVolume);
    trackRow(lblLow, VolumeTB, lblHigh);
    const int buttonsLeft = Width - Gap - btnCancel->Width() - 6 - btnOK->Width();
    btnOK->SetBounds(buttonsLeft, y, btnOK->Width(), btnOK->Height());
    btnCancel->SetBounds(buttonsLeft + btnOK->Width() + 6, y, btnCancel->Width(), btnCancel->Height());
    SetClientWidth(Width);
    SetClientHeight(y + btnOK->Height() + Gap);
    if (UseRightToLeftAlignment()) // the mirror image, the bars' scales running from the right
        FlipChildren(true);
}

void TformPickEngine::ShowDetails(int Index) {
    const auto& voices = FSpeech.Voices;
    if (Index < 0 || Index >= static_cast<int>(voices.size()) || !voices[Index].Token) {
        memDetails->SetText(L"");
        return;
    }
    memDetails->SetText(SpeechVoiceDetails(*voices[Index].Token));
}

void TformPickEngine::ApplyAndTest() {
    int index = lbEngines->ItemIndex();
    if (index < 0)
        return;
    int rate = RateTB->Position(), volume = VolumeTB->Position();
    FSpeech.SetVoiceParams(index, rate, volume);
    if (index < static_cast<int>(FSpeech.Voices.size()) && FSpeech.Voices[index].Token)
        FSpeech.Speak(SpeechTestSentence(*FSpeech.Voices[index].Token));
}

void TformPickEngine::lbEnginesClick() {
    ShowDetails(lbEngines->ItemIndex());
    ApplyAndTest();
}

void TformPickEngine::lbEnginesDblClick() { SetModalResult(mrOk); }

void TformPickEngine::TrackBarChange() {
    if (!FFilling)
        ApplyAndTest();
}

void TformPickEngine::FormClose(TCloseAction&) {
    FSpeech.Stop();
    if (ModalResult() == mrOk) {
        if (lbEngines->ItemIndex() >= 0)
            FSettings.SelectedVoice = lbEngines->ItemIndex();
        FSettings.SpeechRate = RateTB->Position();
        FSettings.SpeechVolume = VolumeTB->Position();
    }
    FSpeech.SetVoiceParams(FSettings.SelectedVoice, FSettings.SpeechRate, FSettings.SpeechVolume);
}

bool ShowSpeechEnginePicker(TSpeechAPI& Speech, TSpeechSettings& Settings) {
    Speech.Stop();
    std::unique_ptr<TformPickEngine> form;
    {
        THourGlass busy; // the engine is asked for every voice's details meanwhile
        form.reset(new TformPickEngine(nullptr, Speech, Settings));
    }
    bool ok = form->ShowModal() == mrOk;
    form->BeforeDestruction();
    return ok;
}
