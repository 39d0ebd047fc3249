// Reading aloud from the main window: the Reader menu (F9 reads, its stop item and Esc
// stop) and the voice options. The active tab's frame reads its page; the speech object
// says itself when there is no voice ("Error loading MS Speech API").
#include "VMain.h"

#include "FBrowserFrame.h"
#include "PickEngine.h"

void TVMainForm::mmnuReadClick() {
    if (TBrowserFrame* frame = ActiveFrame())
        frame->ReadAloud();
    else if (Speech)
        Speech->SpeakPage(nullptr); // no page: only a missing voice is told
}

void TVMainForm::mmnuStopClick() {
    if (TBrowserFrame* frame = ActiveFrame())
        frame->StopReading();
    else if (Speech)
        Speech->Stop();
}

// Esc: the page stops loading and reading stops, as the frame's stop button does.
void TVMainForm::mmnuBrowserStopClick() {
    if (TBrowserFrame* frame = ActiveFrame())
        frame->tb_StopClick();
    else if (Speech)
        Speech->Stop();
}

void TVMainForm::mmnuReaderOptionsClick() {
    if (Speech)
        ShowSpeechEnginePicker(*Speech, SpeechSettings); // stops speech first
}
