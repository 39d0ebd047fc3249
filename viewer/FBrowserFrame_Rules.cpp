// The browser frame's pure rules: the address box's search test, the page script, the
// progress percentage, URL comparisons, the breadcrumb's drop-down entries, the bars'
// layout and the code-style marks.
#include "FBrowserFrame.h"

#include <algorithm>

#include "SysUtils.h"
#include "UAuxFile.h"

bool AddressIsSearch(const std::wstring& Text) {
    for (const wchar_t* marker : {L"127.0.0.1", L"/", L"://", L"www.", L"http:", L".com", L".net"})
        if (PosTextW(Text, marker) > 0)
            return false;
    return true;
}

std::wstring TopicNavScript(bool Show) {
    const std::wstring d = Show ? L"" : L"none";
    return L"var divlist = document.getElementsByTagName(\"div\");for (i = 0; i < divlist.length; i++)"
           L"if (divlist[i].className.match(\"OH_leftNav\")){divlist[i].style.display=\"" +
           d + L"\";break;}" + L"var e=document.getElementById(\"TocResize\");" + L"if (e!=null) e.style.display=\"" +
           d + L"\";" + L"for (i = 0; i < divlist.length; i++)" +
           L"if (divlist[i].className.match(\"OH_outerContent\"))" + L"{divlist[i].style.borderStyle=\"" + d +
           L"\";break;}";
}

int ProgressPercent(long Progress, long ProgressMax, int NavState) {
    if (Progress < 1 || ProgressMax < 1 || Progress == ProgressMax || NavState >= 3)
        return -1;
    const int64_t percent = static_cast<int64_t>(Progress) * 100 / ProgressMax;
    return percent <= 100 ? static_cast<int>(percent) : -1;
}

std::wstring UrlHost(const std::wstring& Url) {
    const size_t slashes = Url.find(L"//");
    if (slashes == std::wstring::npos)
        return {};
    std::wstring rest = Url.substr(slashes + 2);
    while (!rest.empty() && rest.front() == L'/')
        rest.erase(0, 1);
    return rest.substr(0, rest.find(L'/'));
}

bool IsAgentHostUrl(const std::wstring& Url) {
    std::wstring host = UrlHost(Url);
    host = host.substr(0, host.find_first_of(L"?#"));
    const size_t at = host.rfind(L'@');
    if (at != std::wstring::npos)
        host.erase(0, at + 1);
    return host.substr(0, host.find(L':')) == L"127.0.0.1";
}

bool SamePageApartFromFragment(const std::wstring& Url, const std::wstring& Current) {
    return Url.substr(0, Url.find(L'#')) == Current.substr(0, Current.find(L'#'));
}

std::wstring DoubleAmpersands(const std::wstring& Text) {
    std::wstring out;
    out.reserve(Text.size() + 4);
    for (size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] != L'&') {
            out += Text[i];
        } else if (i + 1 < Text.size() && Text[i + 1] == L'&') {
            out += L"&&";
            ++i;
        } else {
            out += L"&&";
        }
    }
    return out;
}

std::vector<TBreadcrumbMenuEntry> BreadcrumbMenu(const TTocItemArray& Children, const TTocItemArray& Path, int Idx,
                                                 int Off) {
    // Labels: the version, with the locale when the children's locales differ.
    bool multi = false;
    std::wstring reference;
    for (const TTocItem& child : Children) {
        const std::wstring locale = LowerCase(child.TopicLocale);
        if (reference.empty())
            reference = locale;
        else if (locale != reference)
            multi = true;
    }
    auto labelOf = [&](const TTocItem& child) {
        return multi ? child.TopicVersion + L"/" + LowerCase(child.TopicLocale) : child.TopicVersion;
    };
    const bool onPath = Idx >= 0 && Idx < static_cast<int>(Path.size());
    const std::wstring version = onPath ? Path[Idx].TopicVersion : std::wstring(L"100");
    std::vector<std::wstring> labels;
    auto addLabel = [&](const std::wstring& label) {
        for (const std::wstring& l : labels)
            if (SameText(l, label))
                return;
        labels.push_back(label);
    };
    for (const TTocItem& child : Children)
        if (child.TopicVersion == version)
            addLabel(labelOf(child));
    for (const TTocItem& child : Children)
        addLabel(labelOf(child));
    if ((Idx == 0 || Idx == -1) && labels.size() > 1)
        labels.resize(1);

    const bool nextOnPath = Idx + 1 >= 0 && Idx + 1 < static_cast<int>(Path.size());
    auto checkedChild = [&](const TTocItem& child) {
        if (nextOnPath && Path[Idx + 1].Id == child.Id && Path[Idx + 1].TopicVersion == child.TopicVersion)
            return true;
        return Idx == 0 && Path.size() == 1 && child.Id == L"-1";
    };

    std::vector<TBreadcrumbMenuEntry> items;
    bool separatorDue = false; // after the hidden segments, before the next child
    for (const std::wstring& label : labels) {
        int added = 0;
        for (size_t i = 0; i < Children.size(); ++i) {
            const TTocItem& child = Children[i];
            if (labels.size() > 1 && labelOf(child) != label)
                continue;
            TBreadcrumbMenuEntry entry;
            entry.Caption = DoubleAmpersands(labels.size() > 1 ? child.Title + L" [" + label + L"]" : child.Title);
            entry.Tag = static_cast<intptr_t>(i);
            entry.Checked = checkedChild(child);
            if (separatorDue) {
                if (!entry.Checked)
                    items.push_back(TBreadcrumbMenuEntry{L"-", 0, false});
                separatorDue = false;
            }
            items.push_back(entry);
            ++added;
            if (Idx < 0 && Off >= 1 && entry.Checked) {
                items.back().Checked = false;
                size_t firstHidden = items.size();
                for (int k = 1; k <= Off && k < static_cast<int>(Path.size()); ++k)
                    items.push_back(TBreadcrumbMenuEntry{std::wstring(static_cast<size_t>(k) * 5, L' ') +
                                                             DoubleAmpersands(Path[static_cast<size_t>(k)].Title),
                                                         -k, false});
                if (items.size() > firstHidden)
                    items.back().Checked = true;
                separatorDue = true;
            }
        }
        if (added > 0)
            items.push_back(TBreadcrumbMenuEntry{L"-", 0, false});
    }
    return items;
}

TFrameBarsLayout FrameBarsLayout(const TFrameBarsDesign& Design, bool ShowAddress, bool ShowBreadcrumb,
                                 int ToolBarBottom) {
    TFrameBarsLayout l;
    l.UrlVisible = ShowAddress;
    l.PathVisible = ShowBreadcrumb;
    l.UrlTop = Design.UrlTop;
    l.PathTop = Design.PathTop;
    if (ShowAddress && ShowBreadcrumb) {
        l.PanelHeight = Design.PanelHeight;
    } else if (ShowAddress) {
        l.PanelHeight = Design.UrlTop + Design.UrlHeight + 8;
    } else if (ShowBreadcrumb) {
        l.PanelHeight = Design.ToolBarBottom + Design.PathHeight + 2;
        l.PathTop = Design.ToolBarBottom + 1; // in the address box's place
    } else {
        l.PanelHeight = Design.ToolBarBottom + 4;
    }
    const int extra = std::max(0, ToolBarBottom - Design.ToolBarBottom);
    l.PanelHeight += extra;
    l.UrlTop += extra;
    l.PathTop += extra;
    return l;
}

bool TCodeStyleMarks::Styled(int Index, const std::wstring& Current, const std::wstring& Style,
                             std::wstring& NewText) {
    auto it = FMarks.find(Index);
    if (it != FMarks.end() && it->second.Written == Current) {
        // The element still carries what was written: the same style is there already;
        // another one replaces it.
        if (it->second.Style == Style)
            return false;
        it->second.Style = Style;
        NewText = it->second.Original + Style;
        return true;
    }
    // Never styled, or the page has put its own text back (a reload): append to that.
    TMark& mark = FMarks[Index];
    mark.Original = Current;
    mark.Style = Style;
    NewText = Current + Style;
    return true;
}

void TCodeStyleMarks::Written(int Index, const std::wstring& ReadBack) {
    auto it = FMarks.find(Index);
    if (it != FMarks.end())
        it->second.Written = ReadBack;
}
