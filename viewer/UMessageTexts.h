// The viewer's translatable message texts: each is a global that holds its English default
// until the interface translation replaces it with the language file's value of the same key.
#pragma once

#include <array>
#include <initializer_list>
#include <string>

// The main window's texts.
extern std::wstring NewTabText;                   // "New Tab"
extern std::wstring WinTitle_OfflineMode;         // "Offline Mode"
extern std::wstring WinTitle_OnlineMode;          // "Online Mode"

// Waiting for the help agent, and its offer to leave the runtime's online mode.
extern std::wstring MsgTxt_WaitingForAgentToStart;
extern std::wstring MsgTxt_SwitchToOfflineMode;   // "Agent wont start in VS online mode. ..."
// The language picker's question before it opens the translation web page.
extern std::wstring MsgTxt_UITransationInfo;

// Keyword index.
extern std::wstring MsgTxt_LoadingIndex;          // "Loading index"
extern std::wstring MsgTxt_PleaseWait;            // "Please wait..."
extern std::wstring MsgTxt_ItemsRead;             // "Items read:"
extern std::wstring MsgTxt_KeywordQueryEmpty;     // "Keyword query: No items returned."
extern std::wstring MsgTxt_LoadingXIndexItems;    // "Loading %1 index items"
extern std::wstring MsgTxt_IndexLoadAborted;      // "User Cancelled. Loaded %1\%2 of %3 level 1 index items."
// A full load that ended because a page could not be read.
extern std::wstring MsgTxt_NoCachedIndex;         // the index pane's line when a catalog has no cached index
extern std::wstring MsgTxt_IndexLoadFailed;       // "The help agent did not return ... Loaded %1\%2 of %3 ..."

// Registration as the help runtime's viewer, and the migration tool.
extern std::wstring MsgTxt_SuccessRestartHLM;
extern std::wstring MsgTxt_AlsoRestartVorlane;
extern std::wstring MsgTxt_ViewerSet;             // "F1 help now opens in %1." (%1 the viewer)
extern std::wstring MsgTxt_ViewerStill;           // "F1 help still opens in %1."
extern std::wstring MsgTxt_RuntimeViewer;         // the viewer named when the value is empty
extern std::wstring MsgTxt_FailedToChangeRegValue; // %1 what F1 help opens now, %2 the viewer tried
extern std::wstring MsgTxt_CouldNotUpdate;
extern std::wstring MsgTxt_Alternatively;
extern std::wstring MsgTxt_RegInfo;                // "Key: %1\rValue: %2"
extern std::wstring MsgTxt_GoToCrossmereDownloadPage;

// The bookmark dialog's question before it replaces a bookmark.
extern std::wstring AddBookmarkDlg_Overwrite;     // "Bookmark already exists.\r\rOverwrite?"
// The bookmark dialog's caption, labels and buttons from the language file; an empty text
// keeps the designed one.
extern std::wstring AddBookmarkDlg_Title;
extern std::wstring AddBookmarkDlg_Name;
extern std::wstring AddBookmarkDlg_URL;
extern std::wstring AddBookmarkDlg_Folder;
extern std::wstring AddBookmarkDlg_OK;            // the message boxes' OK text
extern std::wstring AddBookmarkDlg_Cancel;        // the message boxes' Cancel text

// The voice picker's caption, labels and buttons from the language file; an empty text
// keeps the designed one.
extern std::wstring SpeechDlg_Title;
extern std::wstring SpeechDlg_Voice;
extern std::wstring SpeechDlg_Details;
extern std::wstring SpeechDlg_VoiceSpeed;
extern std::wstring SpeechDlg_Slow;
extern std::wstring SpeechDlg_Fast;
extern std::wstring SpeechDlg_VoiceVolume;
extern std::wstring SpeechDlg_Low;
extern std::wstring SpeechDlg_High;
extern std::wstring SpeechDlg_OK;
extern std::wstring SpeechDlg_Cancel;

// The browser frames' toolbar texts, shared by every frame; empty until a language file
// gives them. Their language-file keys, in this order, are ToolbarTextKeys.
enum TToolbarText : int {
    ttBackBtn, ttBackBtnHint, ttFindBtn, ttFindBtnHint, ttFwdBtn, ttFwdBtnHint, ttNavHideShowBtn,
    ttNavHideShowBtnHint, ttSync, ttSyncHint, ttRead, ttReadHint, ttStop, ttStopHint, ttBookmark,
    ttBookmarkHint, ttOpenOnline, ttOpenOnlineHint, ttFont, ttBrowserGoBtn, ToolbarTextCount
};
extern std::array<std::wstring, ToolbarTextCount> ToolbarTexts;
extern const std::array<const wchar_t*, ToolbarTextCount> ToolbarTextKeys; // "tb_BackBtn", "tb_BackBtn_Hint", ...

// The zoom panel's text (the zoom menu's caption without its "(&Z)").
extern std::wstring ZoomText;                     // "Zoom"

// Text with "%1", "%2", "%3" replaced by Args[0..2] as plain text (inserted text is not
// searched again); a placeholder without an argument stays.
std::wstring FormatMsgText(const std::wstring& Text, std::initializer_list<std::wstring> Args);
