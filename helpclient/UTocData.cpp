// The table-of-contents model.
#include "UTocData.h"

#include <algorithm>

#include "HtmlTags.h"
#include "SysUtils.h"
#include "UAgentLink.h"
#include "UAuxFile.h"
#include "UH3_Code.h"
#include "UHtmlEntities.h"

#include <initializer_list>
#include <iterator>
#include <unordered_set>

TTocData* g_TocData = nullptr;

using namespace std::string_view_literals;

namespace {

wchar_t FoldAZ(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

std::wstring LowerAZ(const std::wstring& S) {
    std::wstring r(S);
    for (auto& c : r) c = FoldAZ(c);
    return r;
}

bool StartsWithAZ(const std::wstring& S, const std::wstring& Prefix) {
    if (Prefix.size() > S.size()) return false;
    for (size_t i = 0; i < Prefix.size(); ++i)
        if (FoldAZ(S[i]) != FoldAZ(Prefix[i])) return false;
    return true;
}

bool EndsWithAZ(const std::wstring& S, const std::wstring& Suffix) {
    if (Suffix.size() > S.size()) return false;
    const size_t off = S.size() - Suffix.size();
    for (size_t i = 0; i < Suffix.size(); ++i)
        if (FoldAZ(S[off + i]) != FoldAZ(Suffix[i])) return false;
    return true;
}

// Whether the Key.size() characters of Url ending at End equal Key (A-Z case ignored, Key
// in lower case).
bool KeyEndsAt(std::wstring_view Url, size_t End, std::wstring_view Key) {
    if (End < Key.size()) return false;
    const size_t start = End - Key.size();
    for (size_t m = 0; m < Key.size(); ++m)
        if (FoldAZ(Url[start + m]) != Key[m]) return false;
    return true;
}

// The texts after the first "topicversion=" and the first "topiclocale=" of Url (A-Z case
// ignored), each up to the next '&' or the end. Every place a key is found ends at a '=' of
// its own, so one walk over the '=' of the URL finds both.
void ReadVersionAndLocale(std::wstring_view Url, std::wstring_view& Version, std::wstring_view& Locale) {
    bool haveVersion = false, haveLocale = false;
    const wchar_t* s = Url.data();
    const size_t n = Url.size();
    for (size_t eq = 0; !(haveVersion && haveLocale); ++eq) {
        eq = static_cast<size_t>(HtmlFindChar(s + eq, s + n, L'=') - s);
        if (eq >= n) break;
        const bool version = !haveVersion && KeyEndsAt(Url, eq, L"topicversion"sv);
        const bool locale = !version && !haveLocale && KeyEndsAt(Url, eq, L"topiclocale"sv);
        if (!version && !locale) continue;
        const size_t amp = static_cast<size_t>(HtmlFindChar(s + eq + 1, s + n, L'&') - s);
        (version ? Version : Locale) = Url.substr(eq + 1, amp - eq - 1);
        (version ? haveVersion : haveLocale) = true;
    }
}

// The current topic of a reply while its tags are walked. Each text is copied once, from
// the reply into the topic's record.
struct TTopicState {
    std::wstring Id, Title, Version, Locale;

    void Start(std::wstring_view AId) {
        Id.assign(AId);
        Title.clear();
        Version.clear();
        Locale.clear();
    }
    // Pos goes past the element's end tag.
    void ReadTitle(THTML_TagRipper& R, int& Pos) {
        Title.assign(R.ElementTextView(&Pos));
        FixTocTitle(Title);
    }
    void ReadUrl(THTML_TagRipper& R, int& Pos) {
        std::wstring_view version, locale;
        ReadVersionAndLocale(R.ElementTextView(&Pos), version, locale);
        Version.assign(version);
        Locale.assign(locale);
    }
    // Appends the topic when it has an id and a title.
    void End(TTocItemArray& List) {
        if (Id.empty() || Title.empty()) return;
        TTocItem& item = List.emplace_back();
        item.Id = std::move(Id);
        item.Title = std::move(Title);
        item.TopicVersion = std::move(Version);
        item.TopicLocale = std::move(Locale);
        Id.clear();
    }
};

// The current topic of a context reply: views of the reply, kept in the context when the
// topic ends. The topics of a list mostly share their version and locale: those are kept once.
struct TContextTopic {
    std::wstring_view Id, Title, Version, Locale;
    std::wstring_view KeptVersion, KeptLocale;

    void Start(std::wstring_view AId) {
        Id = AId;
        Title = Version = Locale = {};
    }
    void ReadUrl(THTML_TagRipper& R, int& Pos) { ReadVersionAndLocale(R.ElementTextView(&Pos), Version, Locale); }
    std::wstring_view KeepShared(TTocReturn& Toc, std::wstring_view Text, std::wstring_view& Kept) {
        if (Text != Kept) Kept = Toc.Keep(Text);
        return Kept;
    }
    // Appends the topic when it has an id and a title.
    void End(TTocReturn& Toc, TTocEntryArray& List) {
        if (Id.empty() || Title.empty()) return;
        TTocEntry& e = List.emplace_back();
        e.Id = Toc.Keep(Id);
        // The title as FixTocTitle leaves it.
        if (Title.size() >= 11 && Title[0] == L'W' && Title[4] == 0x00E2 && Title[5] == 0x20AC && Title[6] == 0x2122) {
            wchar_t* p = Toc.KeepRoom(Title.size() - 2);
            std::copy(Title.begin(), Title.begin() + 4, p);
            p[4] = L'\'';
            std::copy(Title.begin() + 7, Title.end(), p + 5);
            e.Title = std::wstring_view(p, Title.size() - 2);
        } else {
            e.Title = Toc.Keep(Title);
        }
        e.TopicVersion = KeepShared(Toc, Version, KeptVersion);
        e.TopicLocale = KeepShared(Toc, Locale, KeptLocale);
        Id = {};
    }
};

// A text matches when a context title begins or ends with it; the context title must be
// longer than the text (or as long, with AllowEqual).
bool Matches(const std::wstring& Text, const std::vector<std::wstring>& Context, bool AllowEqual) {
    for (const auto& c : Context) {
        if (c.size() < Text.size() || (!AllowEqual && c.size() == Text.size())) continue;
        if (StartsWithAZ(c, Text) || EndsWithAZ(c, Text)) return true;
    }
    return false;
}

void Tidy(std::wstring& Title, const std::vector<std::wstring>& Context, bool AllowEqual) {
    Title = Trim(Title);
    // A trailing "(...)" that repeats what the context already says.
    if (Title.size() >= 2 && Title.back() == L')') {
        const size_t open = Title.rfind(L'(', Title.size() - 2);
        if (open != std::wstring::npos && open >= 2 && Title[open - 1] == L' ') {
            const std::wstring q = Title.substr(open + 1, Title.size() - open - 2);
            if (q.empty() || q == L" " || Matches(q + L" ", Context, AllowEqual) ||
                Matches(L"(" + q + L")", Context, AllowEqual))
                Title.erase(open);
        }
    }
    // A leading "Type." when the context names that type's interface or methods.
    const size_t dot = Title.find(L'.');
    const size_t blank = Title.find(L' ');
    if (dot != std::wstring::npos && (blank == std::wstring::npos || dot < blank) && dot >= 3) {
        const std::wstring r = Title.substr(0, dot);
        if (Matches(r + L" Interface", Context, AllowEqual) || Matches(r + L" Methods", Context, AllowEqual))
            Title.erase(0, dot + 1);
    }
    Title = Trim(Title);
}

// Texts joined with their lengths, so that no separator inside a text can make two
// different lists look alike; A-Z case folded.
std::wstring FoldedKey(std::initializer_list<const std::wstring*> Parts) {
    std::wstring key;
    for (const std::wstring* part : Parts) {
        key += std::to_wstring(part->size());
        key += L':';
        key += LowerAZ(*part);
    }
    return key;
}

std::wstring MergeKey(const TTocItem& Item) { return FoldedKey({&Item.Id, &Item.TopicVersion, &Item.TopicLocale}); }

std::wstring InstanceKey(const TTocItem& Item) { return FoldedKey({&Item.TopicVersion, &Item.TopicLocale}); }

} // namespace

// ---------------------------------------------------------------------------------
// Readers

void FixTocTitle(std::wstring& Title) {
    if (Title.size() >= 11 && Title[0] == L'W' && Title[4] == 0x00E2 && Title[5] == 0x20AC && Title[6] == 0x2122) {
        Title[4] = L'\'';
        Title.erase(5, 2);
    }
}

bool ReadTocTopicList(const std::wstring& Reply, TTocItemArray& Topics) {
    Topics.clear();
    THTML_TagRipper r(Reply);
    TTopicState topic;
    // The open container's topics: they count once it closes, so that a reply cut short
    // gives no list rather than the first part of one.
    TTocItemArray open;
    bool inContainer = false;
    bool whole = false;
    int pos = 1;
    while (r.NextTag(pos)) {
        const std::wstring_view name = r.TagNameView();
        if (name == L"ancestors"sv || name == L"children"sv) {
            if (inContainer && r.IsEndTag) {
                Topics.insert(Topics.end(), std::make_move_iterator(open.begin()), std::make_move_iterator(open.end()));
                whole = true;
            }
            open.clear();
            whole = whole || (!r.IsEndTag && r.IsSelfClosing);
            inContainer = !r.IsEndTag && !r.IsSelfClosing;
            continue;
        }
        if (!inContainer) continue;
        if (r.IsEndTag) {
            if (name == L"topic"sv) topic.End(open);
            continue;
        }
        if (name == L"topic"sv) topic.Start(r.AttributeView(L"id"sv));
        else if (name == L"title"sv) topic.ReadTitle(r, pos);
        else if (name == L"url"sv) topic.ReadUrl(r, pos);
    }
    return whole;
}

TTocItem TTocEntry::Item() const {
    TTocItem item;
    item.Id.assign(Id);
    item.Title.assign(Title);
    item.TopicVersion.assign(TopicVersion);
    item.TopicLocale.assign(TopicLocale);
    return item;
}

wchar_t* TTocReturn::KeepRoom(size_t N) {
    constexpr size_t BlockSize = 32768;
    if (N > FFreeSize) {
        // A long text gets a block of its own; the block with room stays the one used next.
        if (N > BlockSize / 4) {
            FBlocks.emplace_back(new wchar_t[N]);
            return FBlocks.back().get();
        }
        FBlocks.emplace_back(new wchar_t[BlockSize]);
        FFree = FBlocks.back().get();
        FFreeSize = BlockSize;
    }
    wchar_t* p = FFree;
    FFree += N;
    FFreeSize -= N;
    return p;
}

void ReadTocContext(const std::wstring& Reply, TTocReturn& Toc) {
    Toc = TTocReturn();
    THTML_TagRipper r(Reply);
    TContextTopic topic;
    TTocEntryArray* list = nullptr;
    bool inParents = false;
    int pos = 1;
    while (r.NextTag(pos)) {
        const std::wstring_view name = r.TagNameView();
        if (!r.IsEndTag && (name == L"parents"sv || name == L"siblings"sv || name == L"children"sv)) {
            inParents = name == L"parents"sv;
            list = inParents ? &Toc.Parents : name == L"siblings"sv ? &Toc.Siblings : &Toc.Children;
            topic.Start({});
            continue;
        }
        if (!list) continue;
        if (r.IsEndTag) {
            if (name == L"topic"sv) topic.End(Toc, *list);
            continue;
        }
        if (name == L"topic"sv) {
            topic.Start(r.AttributeView(L"id"sv));
            if (inParents && topic.Id == L"-1"sv) {
                topic.Id = {};
                Toc.HasRoot = true;
            }
        } else if (topic.Id.empty()) {
            continue;
        } else if (name == L"title"sv) {
            topic.Title = r.ElementTextView(&pos);
        } else if (name == L"url"sv) {
            topic.ReadUrl(r, pos);
        }
    }
}

void ReadPageHeader(const std::wstring& Reply, TH3PageHeader& Header) {
    Header = TH3PageHeader();
    THTML_TagRipper r(Reply);
    bool inHead = false;
    int pos = 1;
    while (r.NextTag(pos)) {
        if (r.TagId == tagHead) {
            if (r.IsEndTag) break;
            inHead = true;
            continue;
        }
        if (!inHead || r.IsEndTag) continue;
        if (r.TagId == tagTitle) {
            Header.Title = r.GetElementText();
        } else if (r.TagId == tagMeta) {
            const std::wstring name = r.GetAttribute(L"name");
            const std::wstring content = r.GetAttribute(L"content");
            if (SameText(name, L"Microsoft.Help.TopicVersion")) Header.TopicVersion = content;
            else if (SameText(name, L"Microsoft.Help.TopicLocale")) Header.TopicLocale = content;
            else if (SameText(name, L"Microsoft.Help.Id")) Header.Id = content;
            else if (SameText(name, L"Microsoft.Help.SelfBranded")) Header.SelfBranded = content;
            else if (SameText(name, L"Microsoft.Help.Locale")) Header.Locale = content;
            else if (SameText(name, L"Title")) Header.MetaTitle = content;
            else if (SameText(name, L"Microsoft.Help.TocParent")) Header.TocParent = content;
            else if (SameText(name, L"Microsoft.Help.TocOrder")) Header.TocOrder = content;
            else if (SameText(name, L"Microsoft.Help.ContentType")) Header.ContentType = content;
        }
    }
}

// ---------------------------------------------------------------------------------
// TTocData

TTocData::TTocData(TTocTree* ATreeView, TAgentLink* AAgent)
    : TreeView(ATreeView), FAgent(AAgent ? AAgent : &ProgramAgentLink()) {}

TTocData::~TTocData() {
    if (g_TocData == this) g_TocData = nullptr;
}

std::wstring TTocData::Fetch(const std::vector<std::wstring>& Params) {
    const std::wstring url = FAgent->MakeAgentUrl(Params);
    const std::wstring reply = FAgent->HttpGet(url);
    if (H3TraceShowing()) {
        H3TraceLog(L"  ------ url:");
        H3TraceLog(url);
        H3TraceLog(L"  ------ result:");
        H3TraceLog(reply);
        H3TraceLog(L"  ------");
    }
    return reply;
}

bool TTocData::ReadTopicList(const std::vector<std::wstring>& Params, TTocItemArray& Topics) {
    return ReadTocTopicList(Fetch(Params), Topics);
}

void TTocData::GetRootTopic(TTocItemArray& Topics) {
    Topics.clear();
    TH3PageHeader head;
    ReadPageHeader(Fetch({L"method", L"page", L"id", L"-1", L"format", L"xml"}), head);
    if (head.Id.empty()) return;
    TTocItem item;
    item.Id = head.Id;
    item.Title = head.Title.empty() ? head.MetaTitle : head.Title;
    item.IsRoot = true;
    item.TopicVersion = head.TopicVersion;
    item.TopicLocale = head.TopicLocale;
    Topics.push_back(std::move(item));
}

void TTocData::GetAncestors(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale,
                            TTocItemArray& Topics) {
    ReadTopicList({L"method", L"ancestors", L"id", Id, L"topicversion", Version, L"topiclocale", Locale, L"format",
                   L"xml"},
                  Topics);
    // An answer for another instance of the topic is no answer.
    if (!Topics.empty() && !Version.empty() && Topics.back().TopicVersion != Version) Topics.clear();
}

void TTocData::GetAncestorsFromUrl(const std::wstring& Url, TTocItemArray& Topics) {
    std::wstring id, version, locale;
    GetUrlParam(Url, L"id", id);
    GetUrlParam(Url, L"topicversion", version);
    GetUrlParam(Url, L"topiclocale", locale);
    GetAncestors(id, version, locale, Topics);
}

void TTocData::LoadChildren(const std::wstring& Id, std::vector<int>& Indices) {
    Indices.clear();
    TTocItemArray fetched;
    ReadTopicList({L"method", L"children", L"id", Id, L"format", L"xml"}, fetched);
    Merge(fetched, nullptr, Indices);
}

bool TTocData::GetChildren(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale,
                           TTocItemArray& Topics) {
    if (Version.empty() && Locale.empty())
        return ReadTopicList({L"method", L"children", L"id", Id, L"format", L"xml"}, Topics);
    return ReadTopicList({L"method", L"children", L"id", Id, L"topicversion", Version, L"topiclocale", Locale,
                          L"format", L"xml"},
                         Topics);
}

bool TTocData::ExpandNode(TTocNode Node, std::vector<int>& Indices) {
    Indices.clear();
    std::wstring id = L"-1";
    size_t index = 0;
    TTocNode shownBy = nullptr;
    if (Node) {
        const TTocItem* item = ItemOfNode(Node);
        if (!item) return false;
        id = item->Id;
        index = static_cast<size_t>(TreeView->GetData(Node));
        shownBy = item->Node;
    }
    TTocItemArray fetched;
    bool whole = false;
    const auto prefetched = FPrefetched.find(id);
    if (prefetched != FPrefetched.end()) {
        whole = ReadTocTopicList(prefetched->second, fetched);
        FPrefetched.erase(prefetched);
    } else {
        whole = ReadTopicList({L"method", L"children", L"id", id, L"format", L"xml"}, fetched);
    }
    // Whoever ran while the request was out (or between the steps) may have reloaded the
    // list or removed the node's group; then Node may be gone and is not touched again.
    const auto gone = [&] {
        return Node && (index >= mTocList.size() || mTocList[index].Node != shownBy || mTocList[index].Id != id);
    };
    if (gone()) return false;
    // No answer (cancelled, failed, cut short) says nothing of the children: Node keeps its
    // button.
    if (!whole) return false;
    if (BetweenSteps && fetched.size() >= StepTopics) {
        BetweenSteps();
        if (gone()) return false;
    }
    Merge(fetched, Node, Indices);
    AddNodes(Node, Indices);
    if (H3TraceShowing()) H3TraceLog(L"  --> Children found and added: " + IntToStr(Indices.size()), true);
    return true;
}

void TTocData::PrefetchChildren(const std::vector<std::wstring>& Ids) {
    std::vector<std::wstring> ids, urls;
    for (const std::wstring& id : Ids) {
        if (FPrefetched.count(id) || std::find(ids.begin(), ids.end(), id) != ids.end()) continue;
        ids.push_back(id);
        urls.push_back(FAgent->MakeAgentUrl({L"method", L"children", L"id", id, L"format", L"xml"}));
    }
    if (urls.size() < 2) return; // one alone is asked for when it is needed
    std::vector<std::wstring> replies = FAgent->HttpGetAll(urls);
    for (size_t i = 0; i < ids.size() && i < replies.size(); ++i) {
        if (H3TraceShowing()) {
            H3TraceLog(L"  ------ url:");
            H3TraceLog(urls[i]);
            H3TraceLog(L"  ------ result:");
            H3TraceLog(replies[i]);
            H3TraceLog(L"  ------");
        }
        FPrefetched[ids[i]] = std::move(replies[i]);
    }
}

void TTocData::GetTocContext(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale,
                             TTocReturn& Toc) {
    ReadTocContext(Fetch({L"method", L"toc", L"id", Id, L"topicversion", Version, L"topiclocale", Locale, L"format",
                          L"xml"}),
                   Toc);
}

void TTocData::Merge(TTocItemArray& Fetched, TTocNode ParentNode, std::vector<int>& Indices) {
    // Taken over, not copied: the copies' memory would stay with the process once freed.
    auto append = [&](TTocItem& item) {
        mTocList.push_back(std::move(item));
        Indices.push_back(static_cast<int>(mTocList.size()) - 1);
    };

    if (!ParentNode) {
        std::unordered_set<std::wstring> seen;
        seen.reserve(mTocList.size() + Fetched.size());
        for (const auto& item : mTocList) seen.insert(MergeKey(item));
        for (auto& item : Fetched)
            if (seen.insert(MergeKey(item)).second) append(item);
        return;
    }

    const TTocItem* parentItem = ItemOfNode(ParentNode);
    if (!parentItem) return;
    const TTocItem parent = *parentItem; // the list may move while it grows

    // Under a package root every version and locale counts as the parent's own.
    bool packageRoot = false;
    if (parent.Node) {
        TTocNode top = parent.Node;
        while (TTocNode up = TreeView->GetParent(top)) top = up;
        const TTocItem* topItem = ItemOfNode(top);
        packageRoot = topItem && topItem->Id == L"PackageThisRootID";
    }

    // Mode 1: the versions and locales in which the parent is already shown. Records
    // appended below have no node yet, so the set taken once holds for the whole reply.
    std::unordered_set<std::wstring> parentShownIn;
    bool parentShownInTaken = false;
    auto parentShownAs = [&](const TTocItem& item) {
        if (!parentShownInTaken) {
            parentShownInTaken = true;
            for (const auto& shown : mTocList)
                if (shown.Node && shown.Id == parent.Id) parentShownIn.insert(InstanceKey(shown));
        }
        return parentShownIn.count(InstanceKey(item)) != 0;
    };

    for (auto& item : Fetched) {
        bool differs = !SameText(item.TopicVersion, parent.TopicVersion) || !SameText(item.TopicLocale, parent.TopicLocale);
        if (differs && packageRoot) differs = false;
        bool skip = false;
        if (differs) {
            if (Mode == 0) skip = true;
            else if (Mode == 1) skip = parentShownAs(item);
        }
        if (!skip) append(item);
    }
}

TTocItem* TTocData::ItemOfNode(TTocNode Node) {
    if (!Node || !TreeView) return nullptr;
    const intptr_t index = TreeView->GetData(Node);
    if (index < 0 || index >= static_cast<intptr_t>(mTocList.size())) return nullptr;
    return &mTocList[static_cast<size_t>(index)];
}

void TTocData::AddTopicNodes(TTocNode ParentNode, const TTocItemArray& Topics) {
    std::vector<int> indices;
    for (const auto& t : Topics) {
        mTocList.push_back(t);
        indices.push_back(static_cast<int>(mTocList.size()) - 1);
    }
    AddNodes(ParentNode, indices);
}

void TTocData::AddNodes(TTocNode ParentNode, const std::vector<int>& Indices) {
    if (!TreeView) return;
    struct TUpdate {
        TTocTree* Tree;
        explicit TUpdate(TTocTree* ATree) : Tree(ATree) { Tree->BeginUpdate(); }
        ~TUpdate() { Tree->EndUpdate(); }
    } update(TreeView);
    // The parent's context is the same for every child.
    const std::vector<std::wstring> context = NodeContext(ParentNode);
    for (int index : Indices) {
        if (index < 0 || index >= static_cast<int>(mTocList.size())) continue;
        TTocItem& item = mTocList[static_cast<size_t>(index)];
        DecodeTitleText(item.Title);
        Tidy(item.Title, context, false);
        item.Node = TreeView->AddChild(ParentNode, item.Title, index);
    }
    // Asked for and found without children: no button any more.
    if (ParentNode && TreeView->ChildCount(ParentNode) == 0 && TreeView->HasChildren(ParentNode))
        TreeView->SetHasChildren(ParentNode, false);
    UpdateNodeImages(ParentNode);
}

void TTocData::UpdateNodeImages(TTocNode Node) {
    if (!Node || !TreeView) return;
    auto update = [this](TTocNode n) {
        const int image = TreeView->HasChildren(n) ? (TreeView->Expanded(n) ? tocImageExpanded : tocImageParent)
                                                   : tocImageLeaf;
        if (TreeView->GetImageIndex(n) != image) TreeView->SetImageIndex(n, image);
    };
    update(Node);
    if (!TreeView->HasChildren(Node)) return;
    for (TTocNode c = TreeView->GetFirstChild(Node); c; c = TreeView->GetNextSibling(c)) update(c);
}

void TTocData::GetTopLevelTopics(TTocItemArray& Topics) {
    Topics.clear();
    if (!TreeView) return;
    for (TTocNode n = TreeView->GetFirstChild(nullptr); n; n = TreeView->GetNextSibling(n))
        if (const TTocItem* item = ItemOfNode(n)) Topics.push_back(*item);
}

std::vector<std::wstring> TTocData::NodeContext(TTocNode ParentNode) {
    std::vector<std::wstring> context;
    if (TreeView)
        for (TTocNode n = ParentNode; n; n = TreeView->GetParent(n)) context.push_back(Trim(TreeView->GetText(n)));
    return context;
}

void TTocData::TidyNodeText(std::wstring& Title, TTocNode ParentNode) { Tidy(Title, NodeContext(ParentNode), false); }

void TTocData::TidyListTitle(std::wstring& Title, const TTocItemArray& Siblings, int Index) {
    std::vector<std::wstring> context;
    if (Index >= static_cast<int>(Siblings.size())) Index = static_cast<int>(Siblings.size()) - 1;
    for (int i = Index; i >= 0; --i) context.push_back(Trim(Siblings[i].Title));
    Tidy(Title, context, true);
}
