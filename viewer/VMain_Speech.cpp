// Reading aloud from the main window: the Reader menu (F9 reads, its stop item and Esc
// stop) and the voice options. Reading goes through the active tab's page; the speech
// object says itself when there is no voice ("Error loading MS Speech API").
#include "VMain.h"

#include "PickEngine.h"

namespace {

// The active tab's page reads aloud (Read) or stops. Tabs carry no page object yet, so
// the speech object is asked without a page: that reports a missing voice and otherwise
// reads nothing.
void ActivePageReads(TVMainForm& Form, bool Read) {
    if (!Form.Speech)
        return;
    if (Read)
        Form.Speech->SpeakPage(nullptr);
    else
        Form.Speech->Stop();
}

} // namespace

void TVMainForm::mmnuReadClick() { ActivePageReads(*this, true); }

void TVMainForm::mmnuStopClick() { ActivePageReads(*this, false); }

// Esc: the page stops loading and reading stops.
void TVMainForm::mmnuBrowserStopClick() { ActivePageReads(*this, false); }

void TVMainForm::mmnuReaderOptionsClick() {
    if (Speech)
        ShowSpeechEnginePicker(*Speech, SpeechSettings); // stops speech first
}
