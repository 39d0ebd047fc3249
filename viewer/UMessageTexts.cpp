#include "UMessageTexts.h"

#include <vector>

std::wstring NewTabText = L"New Tab";
std::wstring WinTitle_OfflineMode = L"Offline Mode";
std::wstring WinTitle_OnlineMode = L"Online Mode";

std::wstring MsgTxt_WaitingForAgentToStart = L"Waiting for the Help Library Agent to start...";
std::wstring MsgTxt_SwitchToOfflineMode = L"Agent wont start in VS online mode. Switch to offline mode now?";
std::wstring MsgTxt_UITransationInfo =
    L"UI translation information is available on the Quorvex website.\r\rGo to web page?";

std::wstring MsgTxt_LoadingIndex = L"Loading index";
std::wstring MsgTxt_PleaseWait = L"Please wait...";
std::wstring MsgTxt_ItemsRead = L"Items read:";
std::wstring MsgTxt_KeywordQueryEmpty = L"Keyword query: No items returned.";
std::wstring MsgTxt_LoadingXIndexItems = L"Loading %1 index items";
std::wstring MsgTxt_IndexLoadAborted = L"User Cancelled. Loaded %1\\%2 of %3 level 1 index items.";
std::wstring MsgTxt_NoCachedIndex = L"  No index cached for this catalog: Load Full Index (list menu)";
std::wstring MsgTxt_IndexLoadFailed =
    L"The help agent did not return a page of the index. Loaded %1\\%2 of %3 level 1 index items.";

std::wstring MsgTxt_SuccessRestartHLM =
    L"Success! You must restart HelpLibAgent.exe to see the change.\rRight+click the \"Help Library Agent\" tray "
    L"application and select Exit.";
std::wstring MsgTxt_AlsoRestartVorlane = L"Also restart Vorlane.exe if you are running in admin mode.";
std::wstring MsgTxt_ViewerSet = L"F1 help now opens in %1.";
std::wstring MsgTxt_ViewerStill = L"F1 help still opens in %1.";
std::wstring MsgTxt_RuntimeViewer = L"the help runtime's own viewer";
std::wstring MsgTxt_FailedToChangeRegValue = L"Failed to change registry value!\r\r%1\r\rTrying to set value: %2";
std::wstring MsgTxt_CouldNotUpdate =
    L"Could Not Update!\r\rVorlane must be restarted in admin mode to change the registry or \\Program Files.\rTo do "
    L"this right-click Vorlane.exe (in Explorer) and select \"Run As Administrator\".";
std::wstring MsgTxt_Alternatively = L"Alternatively run RegEdit and manually update the following registry key:";
std::wstring MsgTxt_RegInfo = L"Key: %1\rValue: %2";
std::wstring MsgTxt_GoToCrossmereDownloadPage =
    L"Crossmere by Quorvex is not installed on this PC.\r\rGo to Crossmere download page?";

std::wstring AddBookmarkDlg_Overwrite = L"Bookmark already exists.\r\rOverwrite?";
std::wstring AddBookmarkDlg_Title;
std::wstring AddBookmarkDlg_Name;
std::wstring AddBookmarkDlg_URL;
std::wstring AddBookmarkDlg_Folder;
std::wstring AddBookmarkDlg_OK;
std::wstring AddBookmarkDlg_Cancel;

std::wstring SpeechDlg_Title;
std::wstring SpeechDlg_Voice;
std::wstring SpeechDlg_Details;
std::wstring SpeechDlg_VoiceSpeed;
std::wstring SpeechDlg_Slow;
std::wstring SpeechDlg_Fast;
std::wstring SpeechDlg_VoiceVolume;
std::wstring SpeechDlg_Low;
std::wstring SpeechDlg_High;
std::wstring SpeechDlg_OK;
std::wstring SpeechDlg_Cancel;

std::array<std::wstring, ToolbarTextCount> ToolbarTexts;
const std::array<const wchar_t*, ToolbarTextCount> ToolbarTextKeys = {
    L"tb_BackBtn",        L"tb_BackBtn_Hint",        L"tb_FindBtn",  L"tb_FindBtn_Hint", L"tb_FwdBtn",
    L"tb_FwdBtn_Hint",    L"tb_NavHideShowBtn",      L"tb_NavHideShowBtn_Hint",          L"tb_Sync",
    L"tb_Sync_Hint",      L"tb_Read",                L"tb_Read_Hint", L"tb_Stop",        L"tb_Stop_Hint",
    L"tb_Bookmark",       L"tb_Bookmark_Hint",       L"tb_OpenOnline", L"tb_OpenOnline_Hint", L"tb_Font",
    L"BrowserGoBtn"};

std::wstring ZoomText = L"Zoom";

std::wstring FormatMsgText(const std::wstring& Text, std::initializer_list<std::wstring> Args) {
    const std::vector<std::wstring> args(Args);
    std::wstring out;
    out.reserve(Text.size() + 16);
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == L'%' && i + 1 < Text.size() && Text[i + 1] >= L'1' && Text[i + 1] <= L'3') {
            const size_t k = static_cast<size_t>(Text[i + 1] - L'1');
            if (k < args.size()) {
                out += args[k];
                ++i;
                continue;
            }
        }
        out += Text[i];
    }
    return out;
}
