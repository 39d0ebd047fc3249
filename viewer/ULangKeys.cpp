// The key tables of the interface translation, in the order the keys are applied.
#include "FCancel.h"
#include "FDebug.h"
#include "FTranslate.h"
#include "FVAbout.h"
#include "TntDialogs.h"
#include "ULocaleInfo.h"
#include "UMessageTexts.h"
#include "UPTShConsts.h"
#include "UTranslator.h"
#include "UWebUpdates.h"

#include <iterator>

namespace {

// Menu items of the main window and its pop-up menus, translated by their names: the
// first part before the catalog box's and search button's hints, the rest after them.
const wchar_t* const MenuItemsFirst[] = {
    L"mmnuPage", L"mmnuNextTab", L"mmnuPreviousTab", L"mmnuNewTab", L"mmnuClosetab", L"mmnuCloseothertabs",
    L"mnuAddBookmark", L"mmnuGoTo", L"mmnuBack", L"mmnuForward", L"mmnuNextTopic", L"mmnuPreviousTopic",
    L"mmnuBrowserStop", L"mmnuRefresh", L"mmnuZoom", L"mmnuZoomIn", L"mmnuZoomOut", L"mmnuTextSize",
    L"mmnuLargest", L"mmnuLarger", L"mmnuMedium", L"mmnuSmaller", L"mmnuSmallest", L"mmnuOpenWith",
    L"mmnuDefaultBrowser", L"mmnuOpenwith1", L"mmnuOnlineOffline", L"mmnuView", L"mmnuNavigationPane",
    L"mmnuTocPage", L"mmnuIndexPage", L"mmnuBookmarksPage", L"mmnuTocSync", L"mmnuEmbeddedTopicNavigation",
    L"mmnuNavigationRight", L"mmnuShortcuts", L"smnuContentsTab", L"smnuIndexTab", L"smnuBookmarksTab",
    L"smnuCatalog", L"smnuGotoSearch", L"smnuAddressBar", L"smnuDocument", L"smnuMinimizeWindow", L"mmnuReader",
    L"mmnuRead", L"mmnuStop", L"mmnuReaderOptions", L"mmnuOptions", L"mmnuHelpLibraryManager",
    L"mmnuHelpLibraryAgent", L"mmnuCrossmereTool", L"mmnuSetUILang", L"mmnuSetDefaultViewer",
    L"mnuDefaultViewer_Default", L"mnuDefaultViewer_Vorlane", L"mmnuOpenF1NewTab", L"mmnuQuickTOCLoad",
    L"mnuStayOnTop", L"mmnuShowDebug", L"mmnuHelp", L"mmnuOnlineHelp", L"mmnuCheckWebforUpdate",
    L"mmnuAboutVorlane"};
const wchar_t* const MenuItemsSecond[] = {
    L"TOCMenu_OpenInNewTab", L"TOCMenu_ReloadTOC", L"TOCMenu_RemoveOrphanGroup", L"IdxMenu_OpenInNewTab",
    L"IdxMenu_LoadFullIndex", L"IdxMenu_LoadPartialIndex", L"IdxMenu_LoadPartialIndex_FirstChar",
    L"mnuIndexHelp", L"mnuExit", L"TabMenu_NewTab", L"TabMenu_NewWindow", L"TabMenu_Closetab",
    L"TabMenu_CloseOthertabs", L"BookMarkMenu_NewFolder", L"BookMarkMenu_FolderUp",
    L"BookMarkMenu_ExploreFolder", L"BookMarkMenu_GotoDefaultBookmarkFolder",
    L"BookMarkMenu_GotoInternetExplorerFavoritesFolder", L"BookMarkMenu_GotoIEFavoritesFolderAllUsers",
    L"BookMarkMenu_GotoDesktopAllUsers", L"BookMarkMenu_GotoCommonDocumentsAllUsers"};

const wchar_t* const TabSheets[] = {L"TabSheetToc", L"TabSheetIndex", L"TabSheetBookmarks"};

const wchar_t* const MainWindowTexts[] = {L"NewTabText", L"WinTitle_OfflineMode", L"WinTitle_OnlineMode"};

const wchar_t* const Messages[] = {
    L"MsgTxt_WaitingForAgentToStart", L"MsgTxt_LoadingIndex", L"MsgTxt_PleaseWait", L"MsgTxt_ItemsRead",
    L"MsgTxt_KeywordQueryEmpty", L"MsgTxt_LoadingXIndexItems", L"MsgTxt_IndexLoadAborted",
    L"MsgTxt_SwitchToOfflineMode", L"MsgTxt_GoToCrossmereDownloadPage", L"MsgTxt_UITransationInfo",
    L"MsgTxt_EndOfFileSearchfromStart", L"MsgTxt_SuccessRestartHLM", L"MsgTxt_AlsoRestartVorlane",
    L"MsgTxt_FailedToChangeRegValue", L"MsgTxt_CouldNotUpdate", L"MsgTxt_Alternatively", L"MsgTxt_RegInfo"};

const wchar_t* const AboutBox[] = {L"Aboutbox_Title",    L"Aboutbox_Header",   L"Aboutbox_Copyright",
                                   L"Aboutbox_HomePage", L"Aboutbox_CheckWeb", L"AboutBox_VerXNowAvail"};

const wchar_t* const WebCheck[] = {
    L"WebCheck_CouldNotConnect", L"WebCheck_ContactingServer", L"WebCheck_CouldNotGetUpdateInfo",
    L"WebCheck_YouHaveTheLatest", L"WebCheck_VersionNowAvailable", L"WebCheck_BlogUpdate",
    L"WebCheck_NewBlogAvailable", L"WebCheck_NewBlogPostFor", L"WebCheck_Update", L"WebCheck_NowAvailable",
    L"WebCheck_UpdateAvailable"};

const wchar_t* const LanguageDialog[] = {L"FTranslate_Title",        L"FTranslate_Col_Language",
                                         L"FTranslate_Col_Code",     L"FTranslate_Col_File",
                                         L"FTranslate_Col_Translator", L"FTranslate_WebLink"};

const wchar_t* const BookmarkDialog[] = {L"AddBookmarkDlg_Title", L"AddBookmarkDlg_Name", L"AddBookmarkDlg_URL",
                                         L"AddBookmarkDlg_Folder"};

const wchar_t* const VoiceDialog[] = {L"SpeechDlg_Title",       L"SpeechDlg_Voice", L"SpeechDlg_Details",
                                      L"SpeechDlg_VoiceSpeed",  L"SpeechDlg_Slow",  L"SpeechDlg_Fast",
                                      L"SpeechDlg_VoiceVolume", L"SpeechDlg_Low",   L"SpeechDlg_High"};

// The message boxes' captions: the keys in the order applied, and the keys of the type and
// button overrides in the overrides' order.
const wchar_t* const MsgDlgKeys[] = {
    L"SMsgDlgWarning", L"SMsgDlgError", L"SMsgDlgInformation", L"SMsgDlgConfirm", L"SMsgDlgYes",
    L"SMsgDlgNo",      L"SMsgDlgOK",    L"SMsgDlgCancel",      L"SMsgDlgHelp",    L"SMsgDlgAbort",
    L"SMsgDlgRetry",   L"SMsgDlgIgnore", L"SMsgDlgAll",        L"SMsgDlgNoToAll", L"SMsgDlgYesToAll"};
const wchar_t* const MsgDlgTypeKeys[] = {L"SMsgDlgWarning", L"SMsgDlgError", L"SMsgDlgInformation",
                                         L"SMsgDlgConfirm"};
const wchar_t* const MsgDlgButtonKeys[] = {L"SMsgDlgYes",   L"SMsgDlgNo",      L"SMsgDlgOK",      L"SMsgDlgCancel",
                                           L"SMsgDlgAbort", L"SMsgDlgRetry",   L"SMsgDlgIgnore",  L"SMsgDlgAll",
                                           L"SMsgDlgNoToAll", L"SMsgDlgYesToAll", L"SMsgDlgHelp"};
static_assert(std::size(MsgDlgTypeKeys) == std::tuple_size_v<decltype(MsgDlgTypeCaptionOverrides)>);
static_assert(std::size(MsgDlgButtonKeys) == std::tuple_size_v<decltype(MsgDlgButtonCaptionOverrides)>);

// The bookmark list's view-style menu and the shell pack's texts it takes.
const std::pair<const wchar_t*, UPTShConsts::TTextId> ViewStyleCaptions[] = {
    {L"mnuFavViewStyle", UPTShConsts::SViewMenu},
    {L"mnuFavViewStyle_Icon", UPTShConsts::SViewLargeIconsMenu},
    {L"mnuFavViewStyle_SmallIcon", UPTShConsts::SViewSmallIconsMenu},
    {L"mnuFavViewStyle_List", UPTShConsts::SViewListMenu},
    {L"mnuFavViewStyle_Report", UPTShConsts::SViewDetailsMenu},
    {L"mnuFavViewStyle_ThumbNail", UPTShConsts::SViewThumbnailsMenu}};

// "lang_" + the Code of a row of the locale table.
std::wstring LangNameKey(int Row) {
    const std::string code = g_LocaleInfo[Row].Code;
    return L"lang_" + std::wstring(code.begin(), code.end());
}

TLangTarget Component(TLangProp Prop, const std::wstring& Name, TLangOwner Owner = TLangOwner::Main) {
    return {Prop, Owner, Name};
}
TLangTarget Text(const std::wstring& Name) { return {TLangProp::Text, TLangOwner::Main, Name}; }

class TStepList {
public:
    std::vector<TLangStep> Steps;
    void Key(const std::wstring& Key, TLangTarget Target, unsigned Rules = 0) {
        Steps.push_back({Key, {}, std::move(Target), Rules});
    }
    void Copy(TLangTarget Source, TLangTarget Target, unsigned Rules = 0) {
        Steps.push_back({L"", std::move(Source), std::move(Target), Rules});
    }
    // Each key into the registered text of the same name.
    template <size_t N>
    void Texts(const wchar_t* const (&Keys)[N], unsigned Rules = 0) {
        for (const wchar_t* key : Keys)
            Key(key, Text(key), Rules);
    }
    void MenuItem(const std::wstring& Name) {
        Key(Name, Component(TLangProp::Caption, Name));
        Key(Name + L"_Hint", Component(TLangProp::Hint, Name));
    }
    // The OK and Cancel texts of the message boxes into a dialog's own.
    void OkCancelCopy(const std::wstring& Dialog) {
        Copy(Text(L"SMsgDlgOK"), Text(Dialog + L"_OK"));
        Copy(Text(L"SMsgDlgCancel"), Text(Dialog + L"_Cancel"));
    }
};

std::vector<TLangStep> MakeStringSteps() {
    TStepList s;
    for (const wchar_t* name : MenuItemsFirst) {
        s.MenuItem(name);
        const std::wstring item = name;
        if (item == L"mmnuZoom")
            s.Copy(Component(TLangProp::Caption, item), Text(L"ZoomText"), lrZoomText);
        else if (item == L"mmnuZoomIn")
            s.Copy(Component(TLangProp::Caption, item), Component(TLangProp::Caption, L"mnuZoomIn2"));
        else if (item == L"mmnuZoomOut")
            s.Copy(Component(TLangProp::Caption, item), Component(TLangProp::Caption, L"mnuZoomOut2"));
    }
    s.Key(L"CatalogHint", Component(TLangProp::Hint, L"CatalogCbo"), lrAlways);
    s.Key(L"SearchBtnHint", Component(TLangProp::Hint, L"SearchBtnImage"), lrAlways | lrSearchHint);
    for (const wchar_t* sheet : TabSheets)
        s.Key(sheet, Component(TLangProp::Caption, sheet));
    s.Key(L"SuperTipSearch", Component(TLangProp::Hint, L"SuperTipSearch"), lrSuperTipTitle);
    for (const wchar_t* name : MenuItemsSecond)
        s.MenuItem(name);

    for (int row = 1; row <= LocaleInfoCount; ++row)
        s.Key(LangNameKey(row), Text(LangNameKey(row)), lrAlways);

    s.Key(L"DebugPage_Title", Text(L"DebugPage_Title"));
    s.Key(L"DebugPage_FindBtn", Component(TLangProp::Caption, L"DebugPage_FindBtn", TLangOwner::Debug));
    s.Key(L"DebugPage_FindBtnSuperTip", Component(TLangProp::Hint, L"DebugPage_FindBtnSuperTip", TLangOwner::Debug));
    for (const wchar_t* key : ToolbarTextKeys)
        s.Key(key, Text(key));

    s.Texts(MainWindowTexts);
    s.Texts(Messages, lrLineBreaks);
    s.Copy(Text(L"MsgTxt_PleaseWait"), Text(L"WebCheck_PleaseWait"));
    s.Texts(AboutBox);
    s.Texts(MsgDlgKeys);
    s.Texts(WebCheck, lrLineBreaks);
    s.OkCancelCopy(L"FTranslate");
    s.Texts(LanguageDialog);
    s.OkCancelCopy(L"AddBookmarkDlg");
    s.Texts(BookmarkDialog);
    s.Key(L"AddBookmarkDlg_Overwrite", Text(L"AddBookmarkDlg_Overwrite"), lrLineBreaks);
    s.OkCancelCopy(L"SpeechDlg");
    s.Texts(VoiceDialog);
    s.Copy(Text(L"SMsgDlgCancel"), Text(L"g_CancelButtonText"));
    return std::move(s.Steps);
}

std::vector<TLangStep> MakeShellSteps() {
    TStepList s;
    for (int id = 0; id < UPTShConsts::TextCount; ++id) {
        const std::wstring key = UPTShConsts::Key(static_cast<UPTShConsts::TTextId>(id));
        s.Key(key, Text(key), lrLineBreaks);
    }
    // A text the file did not give is empty: the menu keeps its caption.
    for (const auto& [item, text] : ViewStyleCaptions)
        s.Copy(Text(UPTShConsts::Key(text)), Component(TLangProp::Caption, item), lrNonEmpty);
    s.Copy(Text(UPTShConsts::Key(UPTShConsts::SUpOneLevelHint)), Component(TLangProp::Hint, L"FavBackBtn"),
           lrNonEmpty);
    return std::move(s.Steps);
}

} // namespace

const std::vector<TLangStep>& LangStringSteps() {
    static const std::vector<TLangStep> steps = MakeStringSteps();
    return steps;
}

const std::vector<TLangStep>& LangShellSteps() {
    static const std::vector<TLangStep> steps = MakeShellSteps();
    return steps;
}

const std::vector<std::wstring>& LangMenuItemNames() {
    static const std::vector<std::wstring> names = [] {
        std::vector<std::wstring> all(std::begin(MenuItemsFirst), std::end(MenuItemsFirst));
        all.insert(all.end(), std::begin(MenuItemsSecond), std::end(MenuItemsSecond));
        return all;
    }();
    return names;
}

const std::vector<TLangTarget>& LangRestoreOnlyTargets() {
    static const std::vector<TLangTarget> targets = {Component(TLangProp::Caption, L"", TLangOwner::Debug)};
    return targets;
}

void RegisterViewerTexts(TLangTexts& Texts) {
    const std::pair<const wchar_t*, std::wstring*> globals[] = {
        {L"NewTabText", &NewTabText},
        {L"WinTitle_OfflineMode", &WinTitle_OfflineMode},
        {L"WinTitle_OnlineMode", &WinTitle_OnlineMode},
        {L"ZoomText", &ZoomText},
        {L"MsgTxt_WaitingForAgentToStart", &MsgTxt_WaitingForAgentToStart},
        {L"MsgTxt_LoadingIndex", &MsgTxt_LoadingIndex},
        {L"MsgTxt_PleaseWait", &MsgTxt_PleaseWait},
        {L"MsgTxt_ItemsRead", &MsgTxt_ItemsRead},
        {L"MsgTxt_KeywordQueryEmpty", &MsgTxt_KeywordQueryEmpty},
        {L"MsgTxt_LoadingXIndexItems", &MsgTxt_LoadingXIndexItems},
        {L"MsgTxt_IndexLoadAborted", &MsgTxt_IndexLoadAborted},
        {L"MsgTxt_SwitchToOfflineMode", &MsgTxt_SwitchToOfflineMode},
        {L"MsgTxt_GoToCrossmereDownloadPage", &MsgTxt_GoToCrossmereDownloadPage},
        {L"MsgTxt_UITransationInfo", &MsgTxt_UITransationInfo},
        {L"MsgTxt_EndOfFileSearchfromStart", &MsgTxt_EndOfFileSearchfromStart},
        {L"MsgTxt_SuccessRestartHLM", &MsgTxt_SuccessRestartHLM},
        {L"MsgTxt_AlsoRestartVorlane", &MsgTxt_AlsoRestartVorlane},
        {L"MsgTxt_FailedToChangeRegValue", &MsgTxt_FailedToChangeRegValue},
        {L"MsgTxt_CouldNotUpdate", &MsgTxt_CouldNotUpdate},
        {L"MsgTxt_Alternatively", &MsgTxt_Alternatively},
        {L"MsgTxt_RegInfo", &MsgTxt_RegInfo},
        {L"DebugPage_Title", &DebugPage_Title},
        {L"Aboutbox_Title", &Aboutbox_Title},
        {L"Aboutbox_Header", &Aboutbox_Header},
        {L"Aboutbox_Copyright", &Aboutbox_Copyright},
        {L"Aboutbox_HomePage", &Aboutbox_HomePage},
        {L"Aboutbox_CheckWeb", &Aboutbox_CheckWeb},
        {L"AboutBox_VerXNowAvail", &AboutBox_VerXNowAvail},
        {L"WebCheck_CouldNotConnect", &WebCheck_CouldNotConnect},
        {L"WebCheck_ContactingServer", &WebCheck_ContactingServer},
        {L"WebCheck_PleaseWait", &WebCheck_PleaseWait},
        {L"WebCheck_CouldNotGetUpdateInfo", &WebCheck_CouldNotGetUpdateInfo},
        {L"WebCheck_YouHaveTheLatest", &WebCheck_YouHaveTheLatest},
        {L"WebCheck_VersionNowAvailable", &WebCheck_VersionNowAvailable},
        {L"WebCheck_BlogUpdate", &WebCheck_BlogUpdate},
        {L"WebCheck_NewBlogAvailable", &WebCheck_NewBlogAvailable},
        {L"WebCheck_NewBlogPostFor", &WebCheck_NewBlogPostFor},
        {L"WebCheck_Update", &WebCheck_Update},
        {L"WebCheck_NowAvailable", &WebCheck_NowAvailable},
        {L"WebCheck_UpdateAvailable", &WebCheck_UpdateAvailable},
        {L"FTranslate_Title", &FTranslate_Title},
        {L"FTranslate_Col_Language", &FTranslate_Col_Language},
        {L"FTranslate_Col_Code", &FTranslate_Col_Code},
        {L"FTranslate_Col_File", &FTranslate_Col_File},
        {L"FTranslate_Col_Translator", &FTranslate_Col_Translator},
        {L"FTranslate_WebLink", &FTranslate_WebLink},
        {L"FTranslate_OK", &FTranslate_OK},
        {L"FTranslate_Cancel", &FTranslate_Cancel},
        {L"AddBookmarkDlg_Title", &AddBookmarkDlg_Title},
        {L"AddBookmarkDlg_Name", &AddBookmarkDlg_Name},
        {L"AddBookmarkDlg_URL", &AddBookmarkDlg_URL},
        {L"AddBookmarkDlg_Folder", &AddBookmarkDlg_Folder},
        {L"AddBookmarkDlg_Overwrite", &AddBookmarkDlg_Overwrite},
        {L"AddBookmarkDlg_OK", &AddBookmarkDlg_OK},
        {L"AddBookmarkDlg_Cancel", &AddBookmarkDlg_Cancel},
        {L"SpeechDlg_Title", &SpeechDlg_Title},
        {L"SpeechDlg_Voice", &SpeechDlg_Voice},
        {L"SpeechDlg_Details", &SpeechDlg_Details},
        {L"SpeechDlg_VoiceSpeed", &SpeechDlg_VoiceSpeed},
        {L"SpeechDlg_Slow", &SpeechDlg_Slow},
        {L"SpeechDlg_Fast", &SpeechDlg_Fast},
        {L"SpeechDlg_VoiceVolume", &SpeechDlg_VoiceVolume},
        {L"SpeechDlg_Low", &SpeechDlg_Low},
        {L"SpeechDlg_High", &SpeechDlg_High},
        {L"SpeechDlg_OK", &SpeechDlg_OK},
        {L"SpeechDlg_Cancel", &SpeechDlg_Cancel},
        {L"g_CancelButtonText", &g_CancelButtonText},
    };
    for (const auto& [name, text] : globals)
        Texts.Register(name, text);
    for (int i = 0; i < ToolbarTextCount; ++i)
        Texts.Register(ToolbarTextKeys[i], &ToolbarTexts[i]);
    for (size_t i = 0; i < std::size(MsgDlgTypeKeys); ++i)
        Texts.Register(MsgDlgTypeKeys[i], &MsgDlgTypeCaptionOverrides[i]);
    for (size_t i = 0; i < std::size(MsgDlgButtonKeys); ++i)
        Texts.Register(MsgDlgButtonKeys[i], &MsgDlgButtonCaptionOverrides[i]);
    for (int row = 1; row <= LocaleInfoCount; ++row)
        Texts.Register(LangNameKey(row), &g_LocaleInfo[row].DisplayName);
    for (int i = 0; i < UPTShConsts::TextCount; ++i) {
        const auto id = static_cast<UPTShConsts::TTextId>(i);
        Texts.Register(UPTShConsts::Key(id), [id] { return UPTShConsts::Text(id); },
                       [id](const std::wstring& Value) { UPTShConsts::SetText(id, Value); });
    }
}
