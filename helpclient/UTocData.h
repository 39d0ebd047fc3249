// The table-of-contents model: topics fetched level by level from the help agent, kept
// in one record list and mirrored lazily into the main window's tree.
#pragma once

#include "Classes.h"

#include <cstdint>
#include <functional>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TAgentLink;

// A node of the tree the model fills. The tree owns its nodes; the model only refers to them.
struct TTocNodeRef;
using TTocNode = TTocNodeRef*;

// What the model needs of the tree: its nodes, their texts, data values (record
// indexes) and images. The wide tree view implements it for the main window.
class TTocTree {
public:
    virtual ~TTocTree() = default;
    // Appends a child under Parent (null: a top-level node).
    virtual TTocNode AddChild(TTocNode Parent, const std::wstring& Text, intptr_t Data) = 0;
    // Deletes Node and everything below it.
    virtual void Delete(TTocNode Node) = 0;
    virtual TTocNode GetParent(TTocNode Node) = 0;
    // First child of Node (null Node: the first top-level node); null when none.
    virtual TTocNode GetFirstChild(TTocNode Node) = 0;
    virtual TTocNode GetNextSibling(TTocNode Node) = 0;
    // Number of direct children (null Node: of top-level nodes).
    virtual int ChildCount(TTocNode Node) = 0;
    // The node shows an expand button (it has children, or is marked as having some).
    virtual bool HasChildren(TTocNode Node) = 0;
    // Marks a node without children as having some (its button shows; its children are
    // fetched when it opens), or takes the mark away. Adding a child sets it; the last child
    // going clears it.
    virtual void SetHasChildren(TTocNode Node, bool Value) = 0;
    virtual bool Expanded(TTocNode Node) = 0;
    virtual std::wstring GetText(TTocNode Node) = 0;
    virtual intptr_t GetData(TTocNode Node) = 0;
    virtual int GetImageIndex(TTocNode Node) = 0;
    virtual void SetImageIndex(TTocNode Node, int Index) = 0;
    // Around a fill: the tree may hold back its drawing until the outermost EndUpdate.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
};

// One entry of the table of contents.
struct TTocItem {
    std::wstring Id;            // "-1" is the catalog root
    std::wstring Title;
    bool IsRoot = false;        // the root page's record; the main window's children-fetched mark
    TTocNode Node = nullptr;    // the node showing it (null until shown)
    int32_t Flags = 0;          // 0x100: orphan entry added by the tree synchronisation
    std::wstring TopicVersion;
    std::wstring TopicLocale;
};
using TTocItemArray = std::vector<TTocItem>;

constexpr int32_t TocFlagOrphan = 0x100;

// One topic of a context: views of texts that the TTocReturn holding it keeps.
struct TTocEntry {
    std::wstring_view Id;
    std::wstring_view Title;
    std::wstring_view TopicVersion;
    std::wstring_view TopicLocale;
    // The topic as a record of the model (IsRoot false, no node, no flags).
    TTocItem Item() const;
};
using TTocEntryArray = std::vector<TTocEntry>;

// A topic's context: its parents (root first), siblings and children. Their texts are kept
// together in a few large blocks that the context owns (a context of tens of thousands of
// topics is read without a string of its own per text); it moves, it is not copied.
class TTocReturn {
public:
    bool HasRoot = false;       // the parents list named the root "-1"
    TTocEntryArray Parents;
    TTocEntryArray Children;
    TTocEntryArray Siblings;

    // Room for N characters among the context's texts, valid while the context lives.
    wchar_t* KeepRoom(size_t N);
    // A copy of Text among the context's texts.
    std::wstring_view Keep(std::wstring_view Text) {
        wchar_t* p = KeepRoom(Text.size());
        std::copy(Text.begin(), Text.end(), p);
        return std::wstring_view(p, Text.size());
    }

private:
    std::vector<std::unique_ptr<wchar_t[]>> FBlocks;
    wchar_t* FFree = nullptr;   // the free end of the last block
    size_t FFreeSize = 0;
};

// The head of a help page.
struct TH3PageHeader {
    std::wstring Title;         // text of the title element
    std::wstring TopicLocale;
    std::wstring TopicVersion;
    std::wstring Id;
    std::wstring SelfBranded;
    std::wstring Locale;
    std::wstring MetaTitle;
    std::wstring TocParent;
    std::wstring TocOrder;
    std::wstring ContentType;
};

// Node images.
enum : int { tocImageParent = 1, tocImageExpanded = 2, tocImageLeaf = 3 };

class TTocData : public TObject {
public:
    VORLANE_CLASS_NAME(TTocData)
    // TreeView is not owned. Agent null: the program's product triple answers.
    explicit TTocData(TTocTree* ATreeView, TAgentLink* AAgent = nullptr);
    ~TTocData() override;

    // Requests to the agent.
    void GetRootTopic(TTocItemArray& Topics);
    void GetAncestors(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale,
                      TTocItemArray& Topics);
    void GetAncestorsFromUrl(const std::wstring& Url, TTocItemArray& Topics);
    // Children of Id merged into the cache without a parent node; Indices: the new records.
    void LoadChildren(const std::wstring& Id, std::vector<int>& Indices);
    // Children of a topic, not merged (the version and locale pick its instance when given).
    // False when the agent gave no whole reply.
    bool GetChildren(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale,
                     TTocItemArray& Topics);
    // Fetches Node's children (the top level when Node is null), merges them under it and
    // adds their nodes. False, with nothing changed, when the agent gave no whole reply
    // (cancelled, failed, cut short) or Node went meanwhile: only a whole reply without a
    // child makes Node a leaf.
    bool ExpandNode(TTocNode Node, std::vector<int>& Indices);
    void GetTocContext(const std::wstring& Id, const std::wstring& Version, const std::wstring& Locale,
                       TTocReturn& Toc);

    // Appends Topics to the cache and adds their nodes under ParentNode.
    void AddTopicNodes(TTocNode ParentNode, const TTocItemArray& Topics);
    // One node per record index under ParentNode; a ParentNode marked as having children
    // that has none afterwards loses its button.
    void AddNodes(TTocNode ParentNode, const std::vector<int>& Indices);
    void UpdateNodeImages(TTocNode Node);
    // Copies of the records of the tree's top-level nodes, in tree order.
    void GetTopLevelTopics(TTocItemArray& Topics);

    // Title shortening against the ancestors of ParentNode, or against the list titles
    // Siblings[Index] down to Siblings[0].
    void TidyNodeText(std::wstring& Title, TTocNode ParentNode);
    static void TidyListTitle(std::wstring& Title, const TTocItemArray& Siblings, int Index);

    // Asks at once for the children replies of the records with these ids, which the next
    // ExpandNode of each then takes instead of asking itself (the replies are merged in the
    // order the expansions run, as without it). Held until DropPrefetched.
    void PrefetchChildren(const std::vector<std::wstring>& Ids);
    void DropPrefetched() { FPrefetched.clear(); }

    // The record of a node; null when its data index lies outside the cache.
    TTocItem* ItemOfNode(TTocNode Node);
    TAgentLink& Agent() const { return *FAgent; }

    // Run by ExpandNode between reading a reply of at least StepTopics topics and merging
    // it (the window lets its messages run there, so that a very large family is not one
    // long wait); a node gone meanwhile is left alone.
    std::function<void()> BetweenSteps;
    static constexpr size_t StepTopics = 1000;

    uint8_t Mode = 0;           // 0 same version and locale only, 1 basic filtering, 2 no filtering
    TTocTree* TreeView;
    TTocItemArray mTocList;     // every record seen; node data values index it
    TTocItemArray SyncList;     // the main window's tree synchronisation

private:
    std::wstring Fetch(const std::vector<std::wstring>& Params);
    bool ReadTopicList(const std::vector<std::wstring>& Params, TTocItemArray& Topics);
    // The texts a node title is tidied against: ParentNode's and its ancestors', trimmed.
    std::vector<std::wstring> NodeContext(TTocNode ParentNode);
    // Moves the records of Fetched that are not skipped into the cache.
    void Merge(TTocItemArray& Fetched, TTocNode ParentNode, std::vector<int>& Indices);

    TAgentLink* FAgent;
    std::map<std::wstring, std::wstring> FPrefetched; // record id: children reply
};

// The program's one model (created and freed by the main window).
extern TTocData* g_TocData;

// Reply readers (the agent's XML as text).
// Replies of method=children and method=ancestors; a list whose container never closes (a
// reply cut short) gives nothing. True when the reply held a whole container (an empty one
// too): the agent's answer, not a lost one.
bool ReadTocTopicList(const std::wstring& Reply, TTocItemArray& Topics);
// Replies of method=toc.
void ReadTocContext(const std::wstring& Reply, TTocReturn& Toc);
// A page's head.
void ReadPageHeader(const std::wstring& Reply, TH3PageHeader& Header);
// 'Whatâ€™s' (a UTF-8 right quote read as Windows-1252) at the start of a title of 11 or
// more characters becomes "What's".
void FixTocTitle(std::wstring& Title);
