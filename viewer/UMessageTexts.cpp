#include "UMessageTexts.h"

#include <vector>

std::wstring MsgTxt_LoadingIndex = L"Loading index";
std::wstring MsgTxt_PleaseWait = L"Please wait...";
std::wstring MsgTxt_ItemsRead = L"Items read:";
std::wstring MsgTxt_KeywordQueryEmpty = L"Keyword query: No items returned.";
std::wstring MsgTxt_LoadingXIndexItems = L"Loading %1 index items";
std::wstring MsgTxt_IndexLoadAborted = L"User Cancelled. Loaded %1\\%2 of %3 level 1 index items.";
std::wstring MsgTxt_IndexLoadFailed =
    L"The help agent did not return a page of the index. Loaded %1\\%2 of %3 level 1 index items.";

std::wstring MsgTxt_SuccessRestartHLM =
    L"Success! You must restart HelpLibAgent.exe to see the change.\rRight+click the \"Help Library Agent\" tray "
    L"application and select Exit.";
std::wstring MsgTxt_AlsoRestartVorlane = L"Also restart Vorlane.exe if you are running in admin mode.";
std::wstring MsgTxt_FailedToChangeRegValue = L"Failed to change registry value!\r\r%1\r\rTrying to set value: %2";
std::wstring MsgTxt_CouldNotUpdate =
    L"Could Not Update!\r\rVorlane must be restarted in admin mode to change the registry or \\Program Files.\rTo do "
    L"this right-click Vorlane.exe (in Explorer) and select \"Run As Administrator\".";
std::wstring MsgTxt_Alternatively = L"Alternatively run RegEdit and manually update the following registry key:";
std::wstring MsgTxt_RegInfo = L"Key: %1\rValue: %2";
std::wstring MsgTxt_GoToCrossmereDownloadPage =
    L"Crossmere by Quorvex is not installed on this PC.\r\rGo to Crossmere download page?";

std::wstring AddBookmarkDlg_Overwrite = L"Bookmark already exists.\r\rOverwrite?";

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
