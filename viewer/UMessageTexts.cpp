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
