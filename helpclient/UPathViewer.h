// The breadcrumb model of one browser tab: the chain of topics from the catalog's Home
// down to the page shown, with the child lists the bar's drop-downs show.
#pragma once

#include "Classes.h"
#include "UTocData.h"

#include <string>
#include <vector>

class TCustomImageList;
class TAgentLink;

// What the model needs of the breadcrumb bar. The bar component implements it.
class TPathBar {
public:
    virtual ~TPathBar() = default;
    virtual void SetPathSepertor(wchar_t Separator) = 0;
    virtual void SetAllowEdit(bool Value) = 0;
    virtual void SetImages(TCustomImageList* Images) = 0;
    virtual void SetImageIdx(int Index) = 0;
    // The segment captions, root first.
    virtual void ClearSegments() = 0;
    virtual void AddSegment(const std::wstring& Caption) = 0;
    virtual void Invalidate() = 0;
    // The last segment gets a drop-down arrow too.
    virtual void SetHasSubItems(bool Value) = 0;
};

struct TPathChildList {
    std::wstring Key;           // id|version|locale (locale in lower case)
    TTocItemArray Topics;
};

class TPathViewer : public TObject {
public:
    VORLANE_CLASS_NAME(TPathViewer)
    // APathViewer is not owned. AImages (may be null) becomes the bar's icon list.
    TPathViewer(TPathBar* APathViewer, TCustomImageList* AImages);

    // Shows the path of a topic; false (and no request) when it is the topic shown and its
    // path came (a topic without an answer asks again).
    bool SetTopic(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale);
    // SetTopic with the URL's id, topicversion and topiclocale.
    bool SetTopicFromUrl(const std::wstring& Url);
    // A copy of segment Index; false and an empty record when Index is out of range.
    bool GetPathItem(int Index, TTocItem& Topic) const;
    int GetPathCount() const { return static_cast<int>(PathItems.size()); }
    // The cache index of the children of segment PathIndex (negative: Home), fetched when
    // missing; Home's list always reflects the tree's present top-level nodes.
    int FindChildList(int PathIndex);
    // The cached list CacheIndex; false and an empty list when it is out of range.
    bool GetChildList(int CacheIndex, TTocItemArray& Topics) const;

    TPathBar* PathControl;
    std::wstring TopicId;
    std::wstring TopicVersion;
    std::wstring TopicLocale;   // lower case
    TTocItemArray PathItems;    // Home first
    std::vector<TPathChildList> ChildLists;

    // Where the model asks (null: the program's table-of-contents model and product triple).
    TTocData* Toc = nullptr;
    TAgentLink* Agent = nullptr;

private:
    unsigned FSetTopicCalls = 0;
    TTocData* TocModel() const;
    TAgentLink& AgentLink() const;
    TTocItem HomeItem() const;
};
