// The agent's in-memory help store: catalogs from the store manifest, the topics of their
// packages (topic files or generator descriptions) and the indexes the methods need.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace standin {

struct Topic {
    std::wstring id, key;  // key: id with A-Z folded
    std::wstring title;    // decoded text
    std::wstring version, locale;
    std::wstring parent, parentKey, parentVersion;
    int order = 0;
    std::wstring vendor;
    std::vector<std::wstring> f1;
    std::vector<std::wstring> keywords;  // "Parent" or "Parent, Sub", references decoded
    std::string head, body;              // UTF-8 source of topic files
    std::wstring summary;                // generated topics: text of the body
    bool generated = false;
};

struct SubKey {
    std::wstring text, key;
    std::vector<int> topics;
};

struct Keyword {
    std::wstring text, key;
    std::vector<int> topics;
    std::vector<SubKey> subs;  // sorted by key
};

// Reply parts built once per catalog, as they are first asked for: the store does not change
// once it is loaded.
struct ReplyCache {
    std::mutex lock;
    std::unordered_map<int, std::wstring> elements;  // <topic> element by topic index
    std::unordered_map<int, std::string> children;   // children replies by topic index (-1: top level)
};

struct Catalog {
    std::wstring product, version, locale, displayName;
    std::vector<std::wstring> packages;  // package folder paths
    std::vector<int> topics;
    std::unordered_map<std::wstring, std::vector<int>> byId;
    std::unordered_map<std::wstring, std::vector<int>> children;  // by parent key, in TOC order
    std::vector<int> topLevel;
    std::vector<Keyword> keywords;  // sorted by key
    size_t keywordRows = 0;         // keywords plus sub-keys
    std::unordered_map<std::wstring, std::vector<int>> f1;
    std::unordered_map<std::wstring, std::vector<std::pair<int, int>>> words;  // word -> (topic, weight)
    std::wstring Name() const { return product + L"\\" + version + L"\\" + locale; }
    std::shared_ptr<ReplyCache> replies = std::make_shared<ReplyCache>();
};

// Description of a generated package (file "generate.ini" in a package folder).
struct GenDescription {
    int topics = 1000;
    int keywords = 6000;
    unsigned seed = 1;
    int fanout = 12;         // average members per class
    int bigNodes = 2;        // classes with bigFanout members
    int bigFanout = 400;
    int namespaceSize = 500; // topics per namespace
    bool flat = false;       // the root alone with every other topic as its child, no keywords
    std::vector<std::wstring> versions{L"100", L"95", L"90"};
    std::vector<std::wstring> locales{L"en-US"};
    std::wstring rootId = L"gen-root";
    std::wstring rootTitle = L"Generated Class Library";
    std::wstring vendor = L"Microsoft";
};

bool ParseGenDescription(const std::wstring& text, GenDescription& desc);
// Appends the topics a description gives; the same description always gives the same topics.
void GenerateTopics(const GenDescription& desc, std::vector<Topic>& out);

// Reads one topic file; false when it has no Microsoft.Help.Id.
bool ParseTopicFile(const std::string& utf8, Topic& topic);

class Store {
public:
    std::wstring localStore;
    std::vector<Topic> topics;
    std::vector<Catalog> catalogs;

    // Loads the manifest of localStore and every package it names.
    bool Load(const std::wstring& localStoreFolder, std::wstring& error);
    // Adds a catalog made of given topics (tests and the benchmark build stores this way).
    Catalog& AddCatalog(const std::wstring& product, const std::wstring& version, const std::wstring& locale,
                        const std::wstring& displayName, const std::vector<Topic>& newTopics);
    void BuildIndexes(Catalog& c);

    // Catalog of a request; empty product gives the default catalog. Null when none fits.
    const Catalog* FindCatalog(const std::wstring& product, const std::wstring& version,
                               const std::wstring& locale) const;
    // The instance of a topic id that fits the requested version and locale best; -1 when none.
    // An empty version counts as asked for ("topicversion=" without a value) when versionGiven.
    int PickInstance(const Catalog& c, const std::wstring& id, const std::wstring& version,
                     const std::wstring& locale, bool versionGiven = false) const;
    // The TOC parent instance of a topic; -1 for top-level or dangling parents.
    int ParentOf(const Catalog& c, int topic) const;
    // TOC children of a topic instance; -1 gives the top-level entries.
    std::vector<int> ChildrenOf(const Catalog& c, int topic) const;
    // From the top-level entry down to the topic itself (guarded against cycles).
    std::vector<int> AncestorsOf(const Catalog& c, int topic) const;
    const Keyword* FindKeyword(const Catalog& c, const std::wstring& key) const;
    // Index range [first, last) of the top-level keywords whose key starts with prefixKey.
    std::pair<size_t, size_t> KeywordRange(const Catalog& c, const std::wstring& prefixKey) const;
    // Topics ranked for a search text: (topic, score), best first.
    std::vector<std::pair<int, int>> Search(const Catalog& c, const std::wstring& query) const;

private:
    std::map<std::wstring, std::vector<int>> packageTopics_;
    std::vector<int> LoadPackage(const std::wstring& folder, const std::wstring& vendor);
    void BuildTree(Catalog& c);
};

std::vector<std::wstring> SearchWords(const std::wstring& text);
// Text of an HTML fragment without its tags, references decoded.
std::wstring StripTags(const std::wstring& html);

}  // namespace standin
