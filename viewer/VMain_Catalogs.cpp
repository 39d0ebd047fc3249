// The catalog boxes, the current catalog and the window caption.
#include "VMain.h"

#include "SysUtils.h"
#include "TntClasses.h"
#include "TntExtCtrls.h"
#include "TntComCtrls.h"
#include "TntStdCtrls.h"
#include "UAgentLink.h"
#include "UAppSettings.h"
#include "UDebugLog.h"
#include "UH3Store.h"
#include "UH3_Code.h"
#include "UMainRules.h"
#include "UTocData.h"
#include "UWebDataModule.h"

void TVMainForm::FillCatalogBox(TTntComboBox* Combo, const std::wstring& SelectKey) {
    Combo->Items()->Clear();
    if (!H3Store)
        return;
    std::unique_ptr<TTntStringList> catalogs = H3Store->GetCatalogList();
    int select = 0; // the first catalog when the key is not there; the last match wins
    // A store may hold thousands of catalogs: the box takes them without a repaint each,
    // in room made for all of them at once.
    if (Combo->HandleAllocated())
        SendMessageW(Combo->Handle(), CB_INITSTORAGE, static_cast<WPARAM>(catalogs->Count()),
                     static_cast<LPARAM>(catalogs->Count()) * 40 * sizeof(wchar_t));
    struct TUpdate {
        TTntStrings* Items;
        explicit TUpdate(TTntStrings* AItems) : Items(AItems) { Items->BeginUpdate(); }
        ~TUpdate() { Items->EndUpdate(); }
    } update(Combo->Items());
    for (int i = 0; i < catalogs->Count(); ++i) {
        Combo->Items()->AddObject(catalogs->Strings(i), catalogs->Objects(i));
        if (SameText(catalogs->Strings(i), SelectKey))
            select = i;
    }
    if (Combo->ItemCount() > 0)
        Combo->SetItemIndex(select);
}

std::wstring TVMainForm::CatalogText() {
    const int index = CatalogCbo->ItemIndex();
    return index >= 0 ? CatalogCbo->ItemText(index) : CatalogCbo->GetText();
}

std::wstring TVMainForm::ReadHelpMode() {
    std::wstring mode;
    CurrentH3Paths().GetHelpMode(mode);
    return mode;
}

void TVMainForm::UpdateCaption() {
    const std::wstring mode = ReadHelpMode();
    SetCaption(MainCaption(CaptionBase, mode, CatalogText()));
    // Leaving online mode: the local agent serves the pages now.
    if (mode != HelpMode && mode != L"online" && Showing())
        EnsureHelpAgent();
    HelpMode = mode;
}

void TVMainForm::LoadCatalog(const std::wstring& Key) {
    // Under a running contents load (it lets messages run): once it has ended.
    if (FTocLoading) {
        FPendingCatalog = Key;
        return;
    }
    if (SameText(Key, CurrentCatalog))
        return;
    if (!CurrentCatalog.empty())
        SaveOrphanIds(CurrentCatalog);
    CurrentCatalog = Key;
    if (g_H3Code) {
        g_H3Code->SetCatalogName(Key);
        DebugLog(L"=");
        DebugLog(L"Load Catalog: " + g_H3Code->Product + L"\\" + g_H3Code->ProductVersion + L"\\" + g_H3Code->Locale);
    }
    // The online pages follow the catalog's locale (the first catalog keeps the saved one).
    if (FSkipOnlineLocale)
        FSkipOnlineLocale = false;
    else if (WebDataModule && g_H3Code)
        WebDataModule->SetLangIndex(TWebDataModule::LocaleIndexOf(g_H3Code->Locale));
    if (LeftPanel->Width() > 10)
        NavPageControl->SetActivePage(TabSheetToc);
    ResetIndexState();
    PrefetchCatalogIndex();
    LoadToc();
    LoadCatalogIndex();
}

void TVMainForm::SaveOrphanIds(const std::wstring& Key) {
    if (!AppSettings || !g_TocData)
        return;
    int number = 0;
    for (const TTocItem& item : g_TocData->mTocList)
        if (item.Flags & TocFlagOrphan)
            AppSettings->WriteString(MainSection, Key + L"_OrphanID" + std::to_wstring(++number),
                                     L"&id=" + item.Id + L"&topicversion=" + item.TopicVersion + L"&topiclocale=" +
                                         item.TopicLocale);
    AppSettings->WriteString(MainSection, Key + L"_OrphanID" + std::to_wstring(number + 1), L"");
}
