// The breadcrumb model.
#include "UPathViewer.h"

#include "SysUtils.h"
#include "UAgentLink.h"
#include "UH3_Code.h"
#include "UHtmlEntities.h"

TPathViewer::TPathViewer(TPathBar* APathViewer, TCustomImageList* AImages) : PathControl(APathViewer) {
    if (!PathControl) return;
    PathControl->SetPathSepertor(L'|');
    PathControl->SetAllowEdit(false);
    if (AImages) {
        PathControl->SetImages(AImages);
        PathControl->SetImageIdx(0);
    }
}

TTocData* TPathViewer::TocModel() const { return Toc ? Toc : g_TocData; }

TAgentLink& TPathViewer::AgentLink() const {
    if (Agent) return *Agent;
    if (TTocData* toc = TocModel()) return toc->Agent();
    return ProgramAgentLink();
}

TTocItem TPathViewer::HomeItem() const {
    TTocItem home;
    home.Id = L"-1";
    home.Title = L"Home";
    home.TopicVersion = AgentLink().CatalogVersion();
    home.TopicLocale = AgentLink().CatalogLocale();
    return home;
}

bool TPathViewer::SetTopic(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale) {
    const std::wstring locale = LowerCase(Locale);
    if (Id == TopicId && Version == TopicVersion && locale == TopicLocale) return false;

    TopicId = Id;
    TopicVersion = Version;
    TopicLocale = locale;
    // The requests let other messages run: a topic set meanwhile takes the bar, and this one
    // leaves it alone from then on. The bar's segments change only together with the items.
    const unsigned call = ++FSetTopicCalls;
    TTocData* toc = TocModel();
    TTocItemArray items;
    if (toc) toc->GetAncestors(Id, Version, Locale, items);
    if (call != FSetTopicCalls) return true;
    // Without an answer (the agent failed or does not place the topic) the topic is not
    // remembered: showing it again asks again.
    if (items.empty()) {
        TopicId.clear();
        TopicVersion.clear();
        TopicLocale.clear();
    }
    if (!(Id == L"-1" && !items.empty())) items.insert(items.begin(), HomeItem());
    for (size_t i = 0; i < items.size(); ++i) {
        std::wstring& title = items[i].Title;
        DecodeTitleText(title);
        TTocData::TidyListTitle(title, items, static_cast<int>(i));
    }

    PathItems = std::move(items);
    if (PathControl) {
        PathControl->ClearSegments();
        for (const TTocItem& item : PathItems) {
            PathControl->AddSegment(item.Title);
            PathControl->Invalidate();
        }
    }

    bool hasChildren = false;
    if (toc && !PathItems.empty()) {
        const TTocItem last = PathItems.back();
        TTocItemArray children;
        toc->GetChildren(last.Id, last.TopicVersion, last.TopicLocale, children);
        if (call != FSetTopicCalls) return true;
        hasChildren = !children.empty();
    }
    if (PathControl) PathControl->SetHasSubItems(hasChildren);
    return true;
}

bool TPathViewer::SetTopicFromUrl(const std::wstring& Url) {
    std::wstring id, version, locale;
    GetUrlParam(Url, L"id", id);
    GetUrlParam(Url, L"topicversion", version);
    GetUrlParam(Url, L"topiclocale", locale);
    return SetTopic(id, version, locale);
}

bool TPathViewer::GetPathItem(int Index, TTocItem& Topic) const {
    if (Index < 0 || Index >= GetPathCount()) {
        Topic = TTocItem();
        return false;
    }
    Topic = PathItems[Index];
    return true;
}

int TPathViewer::FindChildList(int PathIndex) {
    if (PathIndex >= GetPathCount()) return -1;
    std::wstring id, version, locale;
    if (PathIndex >= 0 && PathItems[PathIndex].Id != L"-1") {
        id = PathItems[PathIndex].Id;
        version = PathItems[PathIndex].TopicVersion;
        locale = LowerCase(PathItems[PathIndex].TopicLocale);
    } else {
        id = L"-1";
        version = AgentLink().CatalogVersion();
        locale = LowerCase(AgentLink().CatalogLocale());
    }
    const std::wstring key = id + L"|" + version + L"|" + locale;
    TTocData* toc = TocModel();

    for (size_t i = 0; i < ChildLists.size(); ++i) {
        if (ChildLists[i].Key != key) continue;
        if (id == L"-1") {
            ChildLists[i].Topics.clear();
            if (toc) toc->GetTopLevelTopics(ChildLists[i].Topics);
        }
        return static_cast<int>(i);
    }

    TPathChildList entry;
    entry.Key = key;
    if (toc) {
        if (id == L"-1") {
            toc->GetTopLevelTopics(entry.Topics);
        } else {
            // No answer is not kept as a list without children: the next drop-down asks again.
            if (!toc->GetChildren(id, version, locale, entry.Topics))
                return -1;
            for (auto& t : entry.Topics) {
                DecodeTitleText(t.Title);
                TTocData::TidyListTitle(t.Title, PathItems, PathIndex);
            }
        }
    }
    ChildLists.push_back(std::move(entry));
    return static_cast<int>(ChildLists.size()) - 1;
}

bool TPathViewer::GetChildList(int CacheIndex, TTocItemArray& Topics) const {
    if (CacheIndex < 0 || CacheIndex >= static_cast<int>(ChildLists.size())) {
        Topics.clear();
        return false;
    }
    Topics = ChildLists[CacheIndex].Topics;
    return true;
}
