// Translatable texts of the help-viewer registration, the runtime tools and the bookmark
// dialog: each global holds its English default until the interface translation replaces
// it with the language file's value of the same key.
#pragma once

#include <initializer_list>
#include <string>

// Registration as the help runtime's viewer, and the migration tool.
extern std::wstring MsgTxt_SuccessRestartHLM;
extern std::wstring MsgTxt_AlsoRestartVorlane;
extern std::wstring MsgTxt_FailedToChangeRegValue;     // %1 registry info, %2 the value tried
extern std::wstring MsgTxt_CouldNotUpdate;
extern std::wstring MsgTxt_Alternatively;
extern std::wstring MsgTxt_RegInfo;                    // %1 key, %2 "name=value"
extern std::wstring MsgTxt_GoToCrossmereDownloadPage;

// The bookmark dialog's question before it replaces a bookmark.
extern std::wstring AddBookmarkDlg_Overwrite;

// Text with "%1", "%2", "%3" replaced by Args[0..2] in one pass, as plain text (inserted
// text is not searched again); a placeholder without an argument stays.
std::wstring FillMsgText(const std::wstring& Text, std::initializer_list<std::wstring> Args);
