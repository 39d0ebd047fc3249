// Synchronising the contents tree with a page: the page's topic is found in the tree
// through its ancestors; ancestors the loaded tree does not reach are added as an orphan
// group (kept in the settings, restored at the next load). A quick synchronisation (Shift)
// only gathers the topic's context into the model's sync list.
#include "VMain.h"

#include "TntComCtrls.h"
#include "UAgentLink.h"
#include "UDebugLog.h"
#include "UH3_Code.h"
#include "UTocRules.h"
#include "UTocTreeView.h"

namespace {

// The id, version and locale of the topic a URL shows: from the URL's query, else from the
// page's head (fetched from the agent). False when neither names a topic.
bool TopicOfUrl(const std::wstring& Url, std::wstring& Id, std::wstring& Version, std::wstring& Locale) {
    Id.clear();
    Version.clear();
    Locale.clear();
    if (Url.empty())
        return false;
    GetUrlParam(Url, L"id", Id);
    GetUrlParam(Url, L"topicversion", Version);
    GetUrlParam(Url, L"topiclocale", Locale);
    if (Id.empty() && g_H3Code) {
        std::wstring reply;
        g_H3Code->HttpGet(Url, reply);
        TH3PageHeader head;
        ReadPageHeader(reply, head);
        Id = head.Id;
        Version = head.TopicVersion;
        Locale = head.TopicLocale;
    }
    return !Id.empty();
}

} // namespace

bool TVMainForm::SyncTocToUrl(const std::wstring& Url) {
    std::wstring id, version, locale;
    if (!TopicOfUrl(Url, id, version, locale))
        return false;
    return DoTocSync(id, version, true, locale);
}

bool TVMainForm::DoTocSync(const std::wstring& Id, const std::wstring& Version, bool Select,
                           const std::wstring& Locale) {
    if (!g_TocData)
        return false;
    TTocHold hold(*this);
    if (Select && !EnsureHelpAgent())
        return false;
    // A synchronisation that selects shows its result. One that does not (the contents
    // load's own, which run while the window answers) leaves the page the user chose.
    if (Select)
        NavPageControl->SetActivePage(TabSheetToc);
    TTntTreeNodes* items = TreeView1->Items();
    if (Id == L"-1") {
        if (items->Count() > 1) {
            TTreeNode* first = items->GetFirstNode();
            first->MakeVisible();
            TreeView1->SetSelected(first);
        }
        return false;
    }
    TTocItemArray ancestors;
    g_TocData->GetAncestors(Id, Version, Locale, ancestors);
    if (DebugWindowShowing())
        for (size_t i = 0; i < ancestors.size(); ++i)
            DebugLog(L"DoTocSync() -[" + std::to_wstring(i) + L"]- " + ancestors[i].Id + L" | " + ancestors[i].Title);

    TTocItemArray& list = g_TocData->mTocList;
    // An ancestor's record: of the catalog's version and locale, else of its own.
    const auto recordOf = [&](const TTocItem& Ancestor) {
        const int index = FindTocRecord(Ancestor.Id, Version, Locale);
        return index >= 0 ? index : FindTocRecord(Ancestor.Id, Ancestor.TopicVersion, Ancestor.TopicLocale);
    };
    // The children of every ancestor the walk below expands are asked for at once: those
    // in the tree not yet expanded, and from the first one in the tree on, those it adds.
    struct TDrop {
        ~TDrop() {
            if (g_TocData)
                g_TocData->DropPrefetched();
        }
    } drop;
    {
        std::vector<std::wstring> ids;
        bool reached = false;
        for (const TTocItem& ancestor : ancestors) {
            const int index = recordOf(ancestor);
            if (index >= 0 && list[static_cast<size_t>(index)].Node) {
                reached = true;
                if (!list[static_cast<size_t>(index)].IsRoot)
                    ids.push_back(list[static_cast<size_t>(index)].Id);
            } else if (reached) {
                ids.push_back(ancestor.Id);
            }
        }
        g_TocData->PrefetchChildren(ids);
    }
    // An expansion asks the agent and lets messages run: when the tree is loaded anew
    // meanwhile, the nodes reached so far are gone and the sync ends. One the agent gave no
    // answer for ends it too: what lies below that node is not known, so nothing below it
    // counts as unreachable (no orphan entry is made for it).
    const unsigned generation = FTocGeneration;
    bool gone = false;
    const auto expandOnce = [&](int Index) {
        if (list[static_cast<size_t>(Index)].IsRoot)
            return true;
        if (FetchTocChildren(TTocTreeView::NodeOf(list[static_cast<size_t>(Index)].Node)))
            return true;
        gone = generation != FTocGeneration;
        return false;
    };
    bool added = false;
    bool failed = false;
    TTreeNode* reached = nullptr;
    for (int pass = 0; pass < 2 && !reached; ++pass) {
        TTocNode node = nullptr;
        bool anyFound = false;
        for (const TTocItem& ancestor : ancestors) {
            const int index = recordOf(ancestor);
            if (index >= 0 && list[static_cast<size_t>(index)].Node) {
                anyFound = true;
                node = list[static_cast<size_t>(index)].Node;
                if (!expandOnce(index)) {
                    if (gone)
                        return false;
                    failed = true;
                    break;
                }
            } else if (node) {
                // Not reachable from the loaded tree: an orphan entry under what was reached.
                const int orphan = AddTocRecord(node, ancestor);
                list[static_cast<size_t>(orphan)].Flags |= TocFlagOrphan;
                added = true;
                node = list[static_cast<size_t>(orphan)].Node;
                if (!expandOnce(orphan)) {
                    if (gone)
                        return false;
                    failed = true;
                    break;
                }
            }
            if (node && Select) {
                TTocTreeView::NodeOf(node)->MakeVisible();
                TreeView1->SetSelected(TTocTreeView::NodeOf(node));
            }
        }
        if (failed) {
            break;
        } else if (node) {
            reached = TTocTreeView::NodeOf(node);
        } else if (!anyFound && !ancestors.empty() && pass == 0) {
            // Nothing of the chain is in the tree: its first topic starts a group at the top.
            const int top = AddTocRecord(nullptr, ancestors.front());
            list[static_cast<size_t>(top)].Flags |= TocFlagOrphan;
            added = true;
        } else {
            break;
        }
    }
    if (reached && Select) {
        NavPageControl->SetActivePage(TabSheetToc);
        reached->MakeVisible();
        TreeView1->SetSelected(reached);
    }
    if (added && !CurrentCatalog.empty())
        SaveOrphanIds(CurrentCatalog);
    return reached != nullptr;
}

void TVMainForm::DirtySyncToUrl(const std::wstring& Url) {
    std::wstring id, version, locale;
    TopicOfUrl(Url, id, version, locale);
    DoDirtyTocSync(id, version, locale);
}

void TVMainForm::DoDirtyTocSync(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale) {
    if (!g_TocData || Id.empty() || !EnsureHelpAgent())
        return;
    TTocReturn toc;
    g_TocData->GetTocContext(Id, Version, Locale, toc);
    if (toc.Parents.empty())
        return;
    if (DebugWindowShowing())
        for (size_t i = 0; i < toc.Parents.size(); ++i)
            DebugLog(L"DoDirtyTocSync() -[" + std::to_wstring(i) + L"]- " + std::wstring(toc.Parents[i].Id) + L" | " +
                     std::wstring(toc.Parents[i].Title));
    g_TocData->SyncList = DirtySyncList(toc, Id, Version, Locale);
}
