// The interface translation applied to stand-ins of the two windows and to the program's
// own text globals (each test puts them back as they were).
#include "FCancel.h"
#include "FDebug.h"
#include "FTranslate.h"
#include "FVAbout.h"
#include "Menus.h"
#include "QXSuperTip.h"
#include "TestHarness.h"
#include "TntDialogs.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAuxFile.h"
#include "ULocaleInfo.h"
#include "UMessageTexts.h"
#include "UPTShConsts.h"
#include "UTranslator.h"
#include "UWebUpdates.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using testing_support::TempDir;
using testing_support::Utf16Bytes;
using testing_support::WriteBytes;

namespace {

std::wstring LangName(const char* Code) { return g_LocaleInfo[FindLanguageCode(Code)].DisplayName; }

// Every key of the tables, in the order applied.
std::vector<std::wstring> AllKeys() {
    std::vector<std::wstring> keys;
    for (const auto* steps : {&LangStringSteps(), &LangShellSteps()})
        for (const TLangStep& step : *steps)
            if (!step.Key.empty())
                keys.push_back(step.Key);
    return keys;
}

class Translation : public ::testing::Test {
protected:
    void SetUp() override {
        // The main window: its translated menu items and the other named components.
        std::vector<std::wstring> items = LangMenuItemNames();
        for (const wchar_t* extra : {L"mnuZoomIn2", L"mnuZoomOut2", L"mnuFavViewStyle", L"mnuFavViewStyle_Icon",
                                     L"mnuFavViewStyle_SmallIcon", L"mnuFavViewStyle_List",
                                     L"mnuFavViewStyle_Report", L"mnuFavViewStyle_ThumbNail"})
            items.push_back(extra);
        for (const std::wstring& name : items) {
            auto* item = new TTntMenuItem(&Main);
            item->SetName(name);
            item->SetCaption(L"EN " + name);
            item->SetHint(L"EN hint " + name);
        }
        for (const wchar_t* name : {L"CatalogCbo", L"SearchBtnImage", L"TabSheetToc", L"TabSheetIndex",
                                    L"TabSheetBookmarks", L"FavBackBtn"})
            MakeLabel(&Main, name);
        auto* tip = new TQXSuperTip(&Main);
        tip->SetName(L"SuperTipSearch");
        tip->SetHint(L"Search|Type a word");
        // The debug window.
        Debug.SetCaption(L"Vorlane Debug");
        MakeLabel(&Debug, L"DebugPage_FindBtn");
        auto* findTip = new TQXSuperTip(&Debug);
        findTip->SetName(L"DebugPage_FindBtnSuperTip");
        findTip->SetHint(L"Find Text|Ctrl+F");

        RegisterViewerTexts(T.Texts);
        T.SetOwner(TLangOwner::Main, &Main);
        T.SetOwner(TLangOwner::Debug, &Debug);
        T.OnLog = [this](const std::wstring& Line) { Log.push_back(Line); };
    }
    // The program's globals as they were before the first translation.
    void TearDown() override { T.Restore(); }

    static void MakeLabel(TComponent* Owner, const std::wstring& Name) {
        auto* l = new TTntLabel(Owner);
        l->SetName(Name);
        l->SetCaption(L"EN " + Name);
        l->SetHint(L"EN hint " + Name);
    }
    std::wstring Caption(const std::wstring& Name, TComponent* Owner = nullptr) {
        std::wstring text;
        EXPECT_TRUE(ReadComponentText((Owner ? Owner : &Main)->FindComponent(Name), TLangProp::Caption, text));
        return text;
    }
    std::wstring Hint(const std::wstring& Name, TComponent* Owner = nullptr) {
        std::wstring text;
        EXPECT_TRUE(ReadComponentText((Owner ? Owner : &Main)->FindComponent(Name), TLangProp::Hint, text));
        return text;
    }
    void WriteLang(const std::wstring& Code, const std::wstring& Lines) {
        WriteBytes(Dir.File(L"vorlane.lang." + Code), Utf16Bytes(L"[main]\r\n" + Lines));
    }
    TTranslateResult Translate(const std::wstring& Code) { return T.Translate(Dir.Path(), Code); }

    TempDir Dir;
    TComponent Main{nullptr};
    TTntLabel Debug{nullptr};
    TUiTranslator T;
    std::vector<std::wstring> Log;
};

} // namespace

TEST_F(Translation, EveryKeyOfEveryFamilyReachesItsTarget) {
    std::wstring file;
    for (const std::wstring& key : AllKeys())
        file += key + L"=T " + key + L"\r\n";
    WriteLang(L"xx", file);
    const TTranslateResult r = Translate(L"xx");
    EXPECT_TRUE(r.Applied);
    EXPECT_FALSE(r.Restored);
    EXPECT_EQ(r.Unresolved, std::vector<std::wstring>{});
    EXPECT_EQ(Log, (std::vector<std::wstring>{L"Translate: Loading lang file", L"Translate: Loading strings",
                                               L"Translate: Loading strings 2"}));
    EXPECT_EQ(LangMenuItemNames().size(), 85u);
    EXPECT_EQ(AllKeys().size(), 2 * 85 + 2 + 3 + 1 + 29 + 3 + 20 + 3 + 17 + 6 + 15 + 11 + 6 + 5 + 9 + 121u);

    // each key's target, read back where the program reads it
    TComponent* owners[] = {&Main, &Debug};
    for (const auto* steps : {&LangStringSteps(), &LangShellSteps()})
        for (const TLangStep& step : *steps) {
            if (step.Key.empty())
                continue;
            std::wstring text;
            if (step.Target.Prop == TLangProp::Text)
                ASSERT_TRUE(T.Texts.Read(step.Target.Name, text)) << step.Key;
            else
                ReadComponentText(owners[int(step.Target.Owner)]->FindComponent(step.Target.Name),
                                  step.Target.Prop, text);
            EXPECT_EQ(text, L"T " + step.Key + (step.Key == L"SearchBtnHint" ? L"\r\n(Ctrl+E, Enter)" : L""));
        }
    // spot checks of where the table sends keys
    EXPECT_EQ(Hint(L"mmnuPage"), L"T mmnuPage_Hint");
    EXPECT_EQ(Hint(L"CatalogCbo"), L"T CatalogHint");
    EXPECT_EQ(Hint(L"DebugPage_FindBtnSuperTip", &Debug), L"T DebugPage_FindBtnSuperTip");
    // the registered texts are the program's own
    EXPECT_EQ(MsgDlgTypeCaptionOverrides[mtConfirmation], L"T SMsgDlgConfirm");
    EXPECT_EQ(MsgDlgButtonCaptionOverrides[mbHelp], L"T SMsgDlgHelp");
    EXPECT_EQ(GetButtonCaption(mbNoToAll), L"T SMsgDlgNoToAll");
    EXPECT_EQ(LangName("chs"), L"T lang_chs");
    EXPECT_EQ(ToolbarTexts[ttBrowserGoBtn], L"T BrowserGoBtn");
    EXPECT_EQ(UPTShConsts::Text(UPTShConsts::SBrowseForFolder), L"T UPTShConsts_SBrowseForFolder");
    EXPECT_EQ(DebugPage_Title, L"T DebugPage_Title");
    // the copies
    EXPECT_EQ(Caption(L"mnuZoomIn2"), L"T mmnuZoomIn");
    EXPECT_EQ(Caption(L"mnuZoomOut2"), L"T mmnuZoomOut");
    EXPECT_EQ(ZoomText, L"T mmnuZoom");
    EXPECT_EQ(WebCheck_PleaseWait, L"T MsgTxt_PleaseWait");
    for (const std::wstring* ok : {&FTranslate_OK, &AddBookmarkDlg_OK, &SpeechDlg_OK})
        EXPECT_EQ(*ok, L"T SMsgDlgOK");
    for (const std::wstring* cancel : {&FTranslate_Cancel, &AddBookmarkDlg_Cancel, &SpeechDlg_Cancel, &g_CancelButtonText})
        EXPECT_EQ(*cancel, L"T SMsgDlgCancel");
    EXPECT_EQ(Caption(L"mnuFavViewStyle"), L"T UPTShConsts_SViewMenu");
    EXPECT_EQ(Caption(L"mnuFavViewStyle_Report"), L"T UPTShConsts_SViewDetailsMenu");
    EXPECT_EQ(Hint(L"FavBackBtn"), L"T UPTShConsts_SUpOneLevelHint");
}

TEST_F(Translation, StarBarsAndAbsentKeys) {
    WriteLang(L"de", L"mmnuPage=Seite\r\nmmnuPage_Hint=*\r\nmmnuZoom=Zoom (&Z)\r\nmmnuStop_Hint=Stopp|Liest nicht\r\n"
                     L"CatalogHint=*\r\nSuperTipSearch=Suche|Wort eingeben|Enter\r\n"
                     L"MsgTxt_PleaseWait=Bitte|warten|\r\nlang_de=Deutsch\r\n"
                     L"UPTShConsts_SViewMenu=\r\nUPTShConsts_SViewListMenu=Liste\r\nUPTShConsts_SUpOneLevelHint=*\r\n");
    ASSERT_TRUE(Translate(L"de").Applied);
    EXPECT_EQ(Caption(L"mmnuPage"), L"Seite");
    EXPECT_EQ(Hint(L"mmnuPage"), L"EN hint mmnuPage"); // "*" leaves the text
    EXPECT_EQ(Caption(L"mmnuBack"), L"EN mmnuBack");   // a missing key too
    EXPECT_EQ(Hint(L"mmnuStop"), L"Stopp|Liest nicht"); // a hint keeps its bar
    EXPECT_EQ(ZoomText, L"Zoom ");
    // the catalog box and the search button lose their hints when the file has none
    EXPECT_EQ(Hint(L"CatalogCbo"), L"");
    EXPECT_EQ(Hint(L"SearchBtnImage"), L"\r\n(Ctrl+E, Enter)");
    EXPECT_EQ(Hint(L"SuperTipSearch"), L"Suche:950;|Wort eingeben|Enter");
    // every bar of a message is a line break
    EXPECT_EQ(WebCheck_PleaseWait, L"Bitte\rwarten\r");
    // language names are cleared unless the file names them
    EXPECT_EQ(LangName("de"), L"Deutsch");
    EXPECT_EQ(LangName("fr"), L"");
    // message boxes keep their own texts: the dialogs get empty copies
    EXPECT_EQ(FTranslate_OK, L"");
    EXPECT_EQ(g_CancelButtonText, L"");
    // view-style captions only from texts the file gave
    EXPECT_EQ(Caption(L"mnuFavViewStyle"), L"EN mnuFavViewStyle");
    EXPECT_EQ(Caption(L"mnuFavViewStyle_List"), L"Liste");
    EXPECT_EQ(Caption(L"mnuFavViewStyle_Icon"), L"EN mnuFavViewStyle_Icon");
    EXPECT_EQ(Hint(L"FavBackBtn"), L"EN hint FavBackBtn");
}

TEST_F(Translation, SwitchingBackBringsTheEnglishTextsBack) {
    WriteLang(L"de", L"mmnuPage=Seite\r\nmmnuBack=Zur\u00fcck\r\nMsgTxt_ItemsRead=Gelesen:\r\nlang_de=Deutsch\r\n"
                     L"SMsgDlgOK=Jawohl\r\nCatalogHint=Katalog\r\ntb_BackBtn=Zur\u00fcck\r\n"
                     L"UPTShConsts_SViewMenu=Ansicht\r\nUPTShConsts_SColumnName=Name\r\n");
    WriteLang(L"fr", L"mmnuBack=Retour\r\n");
    const std::wstring englishItemsRead = MsgTxt_ItemsRead;
    ASSERT_TRUE(Translate(L"de").Applied);
    Debug.SetCaption(L"Fehlersuche"); // the window's update step
    EXPECT_EQ(Caption(L"mnuFavViewStyle"), L"Ansicht");

    // "Windows" without a file of the system's language: the English texts come back
    ASSERT_EQ(DefaultLanguageCode, "en");
    TTranslateResult r = Translate(L"");
    EXPECT_TRUE(r.Restored);
    EXPECT_FALSE(r.Applied);
    EXPECT_EQ(Caption(L"mmnuPage"), L"EN mmnuPage");
    EXPECT_EQ(Caption(L"mmnuBack"), L"EN mmnuBack");
    EXPECT_EQ(Caption(L"mnuFavViewStyle"), L"EN mnuFavViewStyle");
    EXPECT_EQ(Debug.GetText(), L"Vorlane Debug");
    EXPECT_EQ(MsgTxt_ItemsRead, englishItemsRead);
    EXPECT_EQ(LangName("de"), L"");
    EXPECT_EQ(FTranslate_OK, L"");
    EXPECT_EQ(ToolbarTexts[ttBackBtn], L"");
    EXPECT_EQ(UPTShConsts::Text(UPTShConsts::SColumnName), L"");

    // German, then French: what French does not translate is English, not German
    Translate(L"de");
    r = Translate(L"fr");
    EXPECT_TRUE(r.Restored && r.Applied);
    EXPECT_EQ(Caption(L"mmnuBack"), L"Retour");
    EXPECT_EQ(Caption(L"mmnuPage"), L"EN mmnuPage");
    EXPECT_EQ(MsgTxt_ItemsRead, englishItemsRead);
    EXPECT_EQ(LangName("de"), L"");

    // a file of the system's language is read for "Windows"
    WriteLang(L"en", L"mmnuPage=Page\r\n");
    r = Translate(L"");
    EXPECT_TRUE(r.Restored && r.Applied);
    EXPECT_EQ(Caption(L"mmnuPage"), L"Page");
    EXPECT_EQ(Caption(L"mmnuBack"), L"EN mmnuBack");
}

TEST_F(Translation, NoFileABadCodeOrAMissingWindowChangeNothing) {
    EXPECT_FALSE(Translate(L"zz").Changed());
    WriteBytes(Dir.File(L"vorlane.lang.tr"), "[Translator]\r\nName=x\r\n");
    EXPECT_FALSE(Translate(L"tr").Changed());
    EXPECT_FALSE(T.HasSnapshot());
    EXPECT_EQ(Log, std::vector<std::wstring>{L"Translate: Loading lang file"});

    // a code that would lead out of the program's folder is the system's language
    TempDir outside;
    WriteBytes(outside.File(L"evil"), "[main]\r\nmmnuPage=Evil\r\n");
    const std::wstring code = L"x\\..\\..\\" + ExtractFileNameW(outside.Path()) + L"\\evil";
    Log.clear();
    EXPECT_FALSE(T.Translate(Dir.Path(), code).Changed());
    EXPECT_EQ(Caption(L"mmnuPage"), L"EN mmnuPage");
    ASSERT_EQ(Log.size(), 1u);
    EXPECT_NE(Log[0].find(L"refused"), std::wstring::npos);

    // without the debug window its two texts are left out and named
    T.SetOwner(TLangOwner::Debug, nullptr);
    WriteLang(L"de", L"mmnuPage=Seite\r\nDebugPage_FindBtn=Suchen\r\n");
    const TTranslateResult r = Translate(L"de");
    EXPECT_EQ(Caption(L"mmnuPage"), L"Seite");
    EXPECT_EQ(r.Unresolved, std::vector<std::wstring>{L"Debug.DebugPage_FindBtn.Caption"});
    EXPECT_EQ(Caption(L"DebugPage_FindBtn", &Debug), L"EN DebugPage_FindBtn");
}
