#include "UKeywordTopics.h"

#include "HtmlTags.h"
#include "SysUtils.h"
#include "UAgentLink.h"
#include "UKeywordIndex.h"
#include "USourceFormat.h"

#include <windows.h>

#include <algorithm>

namespace {

bool SameTopic(const TSubIndexItem& A, const TSubIndexItem& B) {
    return A.Id == B.Id && A.TopicVersion == B.TopicVersion && A.TopicLocale == B.TopicLocale;
}

int CompareNoCase(const std::wstring& A, const std::wstring& B) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.c_str(), static_cast<int>(A.size()), B.c_str(),
                          static_cast<int>(B.size())) -
           CSTR_EQUAL;
}

std::wstring PageUrl(TKeywordList& List, int Row, TAgentLink& Agent) {
    return Agent.MakeAgentUrl({L"method", L"page", L"id", std::wstring(List.TopicId(Row)), L"topicVersion",
                               std::wstring(List.TopicVersion(Row)), L"topicLocale",
                               std::wstring(List.TopicLocale(Row)), L"format", L"html"});
}

void TraceHits(const std::wstring& Url, const std::wstring& Reply, const std::vector<TSubIndexItem>& Hits) {
    if (!H3TraceShowing())
        return;
    H3TraceLog(Url);
    std::wstring indented = Reply;
    IndentHtmlTags(indented);
    H3TraceLog(indented);
    H3TraceLog(L"-- XML Keyword Query --");
    H3TraceLog(L">> Disambiguator Query: " + Url);
    H3TraceLog(L"  -- Found " + IntToStr(static_cast<int64_t>(Hits.size())) + L" hits --");
    for (const TSubIndexItem& h : Hits)
        H3TraceLog(L"  id:" + h.Id + L", title:" + h.Title + L", topicVersion" + h.TopicVersion +
                   L", topicLocale:" + h.TopicLocale);
}

} // namespace

std::vector<TSubIndexItem> ParseTopicHits(const std::wstring& Reply) {
    std::vector<TSubIndexItem> hits;
    THTML_TagRipper tags(Reply);
    int pos = 1;
    while (tags.NextTag(pos)) {
        if (tags.IsEndTag || tags.TagName() != L"topic")
            continue;
        TSubIndexItem hit;
        hit.Id = tags.GetAttribute(L"id");
        if (hit.Id.empty())
            continue;
        hit.Title = tags.GetAttribute(L"title");
        hit.TopicVersion = tags.GetAttribute(L"topicVersion");
        hit.TopicLocale = tags.GetAttribute(L"topicLocale");
        if (std::none_of(hits.begin(), hits.end(), [&](const TSubIndexItem& h) { return SameTopic(h, hit); }))
            hits.push_back(std::move(hit));
    }
    return hits;
}

std::wstring TopicDisambiguator(const std::wstring& TopicVersion) {
    if (TopicVersion == L"100")
        return L".NET 4";
    if (TopicVersion == L"95")
        return L"Silverlight";
    if (TopicVersion == L"90")
        return L".NET 3.5";
    return std::wstring();
}

std::wstring TopicLabel(const TSubIndexItem& Hit) {
    std::wstring label = Hit.Title;
    if (!Hit.TopicVersion.empty()) {
        label += L" - " + TopicDisambiguator(Hit.TopicVersion);
        if (!SameText(Hit.TopicLocale, L"en-us"))
            label += L", " + Hit.TopicLocale;
    }
    return label;
}

int ApplyTopicHits(TKeywordList& List, int Row, const std::vector<TSubIndexItem>& Hits) {
    if (Hits.empty() || Row < 0 || Row >= List.Count() || List.Locked())
        return 0;
    const TSubIndexItem& first = Hits.front();
    List.SetTopic(Row, first.Id, first.TopicVersion, first.TopicLocale);
    if (Hits.size() < 2)
        return 0;
    List.SetKind(Row, kwExpanded);
    for (const TSubIndexItem& h : Hits)
        if (h.Id == first.Id && h.TopicLocale == first.TopicLocale && h.TopicVersion == L"100") {
            List.SetTopicVersion(Row, L"100");
            break;
        }

    struct TRow {
        std::wstring Label;
        const TSubIndexItem* Hit;
    };
    std::vector<TRow> rows;
    rows.reserve(Hits.size());
    for (const TSubIndexItem& h : Hits)
        rows.push_back({TopicLabel(h), &h});
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TRow& a, const TRow& b) { return CompareNoCase(a.Label, b.Label) < 0; });

    const std::wstring prefix = List.Display(Row).empty() ? KeywordTopicPrefix : SubKeyTopicPrefix;
    int at = Row + 1;
    for (const TRow& r : rows) {
        TKeywordItem item;
        item.Value = prefix + r.Label;
        item.Kind = kwTopicRow;
        item.TopicId = r.Hit->Id;
        item.TopicVersion = r.Hit->TopicVersion;
        item.TopicLocale = r.Hit->TopicLocale;
        if (List.Insert(at, item))
            ++at;
    }
    return at - (Row + 1);
}

int CollapseTopicRows(TKeywordList& List, int Row) {
    if (Row < 0 || Row >= List.Count() || List.Kind(Row) == kwTopicRow)
        return 0;
    int end = Row + 1;
    while (end < List.Count() && List.Kind(end) == kwTopicRow)
        ++end;
    const int n = end - (Row + 1);
    if (n > 0 && !List.Delete(Row + 1, n))
        return 0;
    return n;
}

TIndexOpen OpenKeywordRow(TKeywordList& List, int Row, TAgentLink& Agent, bool NewAgent) {
    TIndexOpen result;
    if (Row < 0 || Row >= List.Count() || List.Locked())
        return result;

    if (List.HasTopic(Row) || List.Kind(Row) == kwExpanded) {
        result.Url = PageUrl(List, Row, Agent);
        if (List.Kind(Row) == kwExpanded) {
            // The next open asks the agent again.
            result.Removed = CollapseTopicRows(List, Row);
            List.ClearTopic(Row);
            List.SetKind(Row, kwKeyword);
        }
        return result;
    }

    const std::wstring value(List.Value(Row)), display(List.Display(Row));
    if (H3TraceShowing()) {
        H3TraceLog(L"Keyword: " + value);
        H3TraceLog(L"Display: " + display);
        H3TraceLog(L"---");
    }
    const std::wstring key = RowQueryKey(value, display);
    if (H3TraceShowing())
        H3TraceLog(L"Keyword fixed: " + key);
    const std::wstring category = NewAgent ? L"&category=topic" : L"";

    const std::wstring url = Agent.MakeAgentUrl({L"method", L"keywords", L"query", key, L"format", L"xml",
                                                 L"pagesize", L"1000", L"pagenumber", L"1"}) +
                             category;
    const std::wstring reply = Agent.HttpGet(url);
    const std::vector<TSubIndexItem> hits = ParseTopicHits(reply);
    TraceHits(url, reply, hits);
    result.Hits = static_cast<int>(hits.size());
    if (hits.empty()) {
        result.Url = Agent.MakeAgentUrl({L"method", L"keywords", L"query", key, L"format", L"html"}) + category;
        return result;
    }
    result.Inserted = ApplyTopicHits(List, Row, hits);
    result.Url = PageUrl(List, Row, Agent);
    return result;
}
