// The interface translation of the main window: the language file of the chosen code is
// applied (the texts of before the first translation come back first), then everything that
// shows a translated text is brought up to date, and Hebrew and Arabic turn the layout
// right to left.
#include "VMain.h"

#include "FBrowserFrame.h"
#include "FDebug.h"
#include "FTranslate.h"
#include "TntMenus.h"
#include "UBiDiLayout.h"
#include "UDebugLog.h"
#include "ULangFile.h"
#include "UMessageTexts.h"
#include "UPTShellList.h"
#include "UShotTimer.h"
#include "UTranslator.h"
#include "UUtilsW.h"
#include "qenSmartTabs.h"

void TVMainForm::TranslateMainWindow(const std::wstring& Code) {
    if (!FTranslator) {
        FTranslator = std::make_unique<TUiTranslator>();
        RegisterViewerTexts(FTranslator->Texts);
        FTranslator->OnLog = [](const std::wstring& Line) { DebugLog(Line); };
    }
    FTranslator->SetOwner(TLangOwner::Main, this);
    FTranslator->SetOwner(TLangOwner::Debug, DebugForm);
    const TTranslateResult result = FTranslator->Translate(ProgramFolder(), Code);
    for (const std::wstring& target : result.Unresolved)
        DebugLog(L"Translate: no such target: " + target);
    if (!result.Changed())
        return;

    // Every window takes its new texts (and maybe its other reading order) under the hourglass.
    THourGlass wait;
    DebugLog(L"Translate: Start update");
    SmartTabs->SetNewTabCaption(NewTabCaptionOf(TabMenu_NewTab->Caption()));
    if (DebugForm && !DebugPage_Title.empty())
        DebugForm->SetCaption(DebugPage_Title);
    ShowZoom();
    UpdateCaption();
    for (int i = 0; i < SmartTabs->GetTabCount(); ++i)
        if (TBrowserFrame* frame = GetFrame(i))
            frame->ApplyToolbarTexts();
    if (!FFavFolderPending)
        FavShellList->Fill();
    FavShellList->UpdateColumnCaptions();
    ApplyBiDiLayout(Code);
    DebugLog(L"Translate: End update");
}

void TVMainForm::ApplyBiDiLayout(const std::wstring& Code) {
    // The code as stored (a refused one counts as none): the system's language never turns
    // the layout.
    if (!ApplyBiDiLayoutTo(this, CheckLangCode(Code)))
        return;
    PlaceTabsBevel(); // the pane changed sides with the layout
    OrderPaneTabStops();
    for (int i = 0; i < SmartTabs->GetTabCount(); ++i)
        if (TBrowserFrame* frame = GetFrame(i))
            frame->ApplyFrameBiDiLayout();
    // Controls made anew and moved to their mirrored places may carry their old places' bits:
    // the whole window is painted again.
    if (HandleAllocated())
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

void TVMainForm::mmnuSetUILangClick() {
    std::wstring code = LangCode;
    const TPickerColours colours{ThemeBackground, ShownThemeText()};
    if (!ShowLanguagePicker(this, code, &colours) || code == LangCode)
        return;
    LangCode = code;
    ApplyNavFontSize(false);
    TranslateMainWindow(LangCode);
    ApplyNavFontSize(true);
}
