#include "UMainRules.h"

#include "SysUtils.h"
#include "UH3_Code.h"
#include "UMessageTexts.h"

std::wstring WithoutEmbeddedFlag(const std::wstring& Url) { return WithoutEmbeddedTrue(Url); }

std::wstring CommandLineUrl(const std::vector<std::wstring>& Params) {
    for (const std::wstring& p : Params)
        if (!SameText(p, L"/debug") && !SameText(p, L"-debug"))
            return p;
    return std::wstring();
}

TStartUrl StartUrlOf(const std::vector<std::wstring>& Params, const std::wstring& HelpMode) {
    TStartUrl start;
    start.Param = CommandLineUrl(Params);
    if (start.Param.empty())
        return start;
    start.Url = WithoutEmbeddedFlag(start.Param);
    start.OpenInBrowser = SameText(start.Url.substr(0, 5), L"http:") && HelpMode == L"online";
    return start;
}

std::wstring MainCaption(const std::wstring& CaptionBase, const std::wstring& HelpMode,
                         const std::wstring& CatalogText) {
    return CaptionBase + L" - " + (HelpMode == L"online" ? WinTitle_OnlineMode : WinTitle_OfflineMode) +
           L", Catalog: " + Trim(CatalogText);
}

bool F1SearchText(const std::wstring& Method, const std::wstring& Query, std::wstring& Text) {
    if ((Method != L"f1" && Method != L"F1") || Query.empty())
        return false;
    const size_t dot = Query.rfind(L'.');
    const size_t pct = Query.rfind(L'%');
    // 1-based positions, 0 when absent.
    const size_t dotPos = dot == std::wstring::npos ? 0 : dot + 1;
    const size_t pctPos = pct == std::wstring::npos ? 0 : pct + 1;
    if (dotPos > pctPos)
        Text = Query.substr(dotPos);
    else if (pctPos > dotPos)
        Text = pctPos + 2 < Query.size() ? Query.substr(pctPos + 2) : std::wstring();
    else
        Text = Query;
    return true;
}

std::wstring LocaleSwitchUrl(const std::wstring& Url, const std::wstring& CatalogLocale) {
    std::wstring locale;
    GetUrlParam(Url, L"locale", locale);
    if (locale.empty() || CatalogLocale.empty() || SameText(locale, CatalogLocale))
        return std::wstring();
    // The value of the "locale" key itself (a "topiclocale" before it keeps its value).
    const std::wstring lower = LowerCase(Url);
    for (size_t at = lower.find(L"locale="); at != std::wstring::npos; at = lower.find(L"locale=", at + 1)) {
        if (at != 0 && Url[at - 1] != L'?' && Url[at - 1] != L'&')
            continue;
        std::wstring url = Url;
        url.replace(at + 7, locale.size(), CatalogLocale);
        return url;
    }
    return std::wstring();
}
