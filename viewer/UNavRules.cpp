// Rules of the navigation.
#include "UNavRules.h"

#include "SysUtils.h"
#include "UUnicode.h"

TNavTarget NavTargetOf(bool ShiftAlone, bool CtrlAlone, bool ForceNewTab, bool TabJustCreated, int TabCount) {
    if (ShiftAlone)
        return TNavTarget::OutsideBrowser;
    if (!TabJustCreated && (CtrlAlone || ForceNewTab || TabCount <= 0))
        return TNavTarget::NewTab;
    return TNavTarget::ActiveTab;
}

int TabAfterClose(int Index, int Active, int Count) {
    if (Index < 0 || Index >= Count || Count < 2 || Index != Active)
        return -1;
    return Index < Count - 2 ? Index : Count - 2;
}

std::wstring SearchQueryValue(const std::wstring& Text) {
    std::wstring escaped;
    for (wchar_t c : Trim(Text)) {
        if (c == L'%')
            escaped += L"%25";
        else if (c == L'&')
            escaped += L"%26";
        else
            escaped += c;
    }
    return UrlEncodeNonAscii(escaped);
}
