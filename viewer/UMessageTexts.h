// The viewer's translatable message texts: each is a global that holds its English default
// until the interface translation replaces it with the language file's value of the same key.
#pragma once

#include <initializer_list>
#include <string>

// Keyword index.
extern std::wstring MsgTxt_LoadingIndex;          // "Loading index"
extern std::wstring MsgTxt_PleaseWait;            // "Please wait..."
extern std::wstring MsgTxt_ItemsRead;             // "Items read:"
extern std::wstring MsgTxt_KeywordQueryEmpty;     // "Keyword query: No items returned."
extern std::wstring MsgTxt_LoadingXIndexItems;    // "Loading %1 index items"
extern std::wstring MsgTxt_IndexLoadAborted;      // "User Cancelled. Loaded %1\%2 of %3 level 1 index items."
// A full load that ended because a page could not be read.
extern std::wstring MsgTxt_IndexLoadFailed;       // "The help agent did not return ... Loaded %1\%2 of %3 ..."

// Registration as the help runtime's viewer, and the migration tool.
extern std::wstring MsgTxt_SuccessRestartHLM;
extern std::wstring MsgTxt_AlsoRestartVorlane;
extern std::wstring MsgTxt_FailedToChangeRegValue; // %1 registry info, %2 the value tried
extern std::wstring MsgTxt_CouldNotUpdate;
extern std::wstring MsgTxt_Alternatively;
extern std::wstring MsgTxt_RegInfo;                // "Key: %1\rValue: %2"
extern std::wstring MsgTxt_GoToCrossmereDownloadPage;

// The bookmark dialog's question before it replaces a bookmark.
extern std::wstring AddBookmarkDlg_Overwrite;     // "Bookmark already exists.\r\rOverwrite?"

// The zoom panel's text (the zoom menu's caption without its "(&Z)").
extern std::wstring ZoomText;                     // "Zoom"

// Text with "%1", "%2", "%3" replaced by Args[0..2] as plain text (inserted text is not
// searched again); a placeholder without an argument stays.
std::wstring FormatMsgText(const std::wstring& Text, std::initializer_list<std::wstring> Args);
