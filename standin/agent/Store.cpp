#include "Store.h"
#include "Entities.h"
#include "StFiles.h"
#include "StText.h"
#include "StXml.h"
#include "UrlQuery.h"

#include <windows.h>

#include <algorithm>
#include <unordered_set>

namespace standin {

namespace {

std::wstring FirstPart(const std::wstring& text, wchar_t sep) {
    size_t p = text.find(sep);
    return p == std::wstring::npos ? text : text.substr(0, p);
}

// Position just after the start tag `name` (any case), or npos.
size_t AfterStartTag(const std::string& html, const char* name, size_t from = 0) {
    std::string lower = LowerAsciiA(html.substr(from, std::min<size_t>(html.size() - from, 1 << 20)));
    std::string open = std::string("<") + name;
    size_t p = 0;
    while ((p = lower.find(open, p)) != std::string::npos) {
        char next = p + open.size() < lower.size() ? lower[p + open.size()] : '>';
        if (next == '>' || next == ' ' || next == '\t' || next == '\r' || next == '\n' || next == '/') {
            size_t gt = lower.find('>', p);
            return gt == std::string::npos ? std::string::npos : from + gt + 1;
        }
        p += open.size();
    }
    return std::string::npos;
}

size_t FindNoCase(const std::string& html, const char* what, size_t from) {
    std::string w = what;
    auto it = std::search(html.begin() + std::min(from, html.size()), html.end(), w.begin(), w.end(),
                          [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 32 : a) == b; });
    return it == html.end() ? std::string::npos : (size_t)(it - html.begin());
}

}  // namespace

std::wstring StripTags(const std::wstring& html) {
    std::wstring out;
    out.reserve(html.size());
    bool inTag = false;
    for (wchar_t c : html) {
        if (c == L'<') inTag = true;
        else if (c == L'>') { inTag = false; out.push_back(L' '); }
        else if (!inTag) out.push_back(c);
    }
    return DecodeEntities(out);
}

std::vector<std::wstring> SearchWords(const std::wstring& text) {
    std::vector<std::wstring> words;
    std::wstring cur;
    auto flush = [&] {
        if (cur.size() >= 2) words.push_back(LowerText(cur));
        cur.clear();
    };
    for (wchar_t c : text) {
        if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') ||
            (c >= 0xC0 && IsCharAlphaNumericW(c)))
            cur.push_back(c);
        else
            flush();
    }
    flush();
    return words;
}

bool ParseTopicFile(const std::string& utf8, Topic& t) {
    size_t headStart = AfterStartTag(utf8, "head");
    if (headStart == std::string::npos) return false;
    size_t headEnd = FindNoCase(utf8, "</head>", headStart);
    if (headEnd == std::string::npos) return false;
    t.head = utf8.substr(headStart, headEnd - headStart);
    size_t bodyStart = AfterStartTag(utf8, "body", headEnd);
    if (bodyStart != std::string::npos) {
        size_t bodyEnd = FindNoCase(utf8, "</body>", bodyStart);
        t.body = utf8.substr(bodyStart, (bodyEnd == std::string::npos ? utf8.size() : bodyEnd) - bodyStart);
    }
    std::wstring head = FromUtf8(t.head);
    std::wstring metaTitle, metaLocale;
    ScanTags(head, [&](const Tag& tag) {
        if (tag.isEnd) return true;
        if (EqualsNoCase(tag.name, L"title")) {
            t.title = Trim(DecodeEntities(TextAfter(head, tag)));
        } else if (EqualsNoCase(tag.name, L"meta")) {
            std::wstring n = tag.Attr(L"name");
            std::wstring v = DecodeEntities(tag.Attr(L"content"));
            if (EqualsNoCase(n, L"Microsoft.Help.Id")) t.id = Trim(v);
            else if (EqualsNoCase(n, L"Microsoft.Help.TopicVersion")) t.version = Trim(v);
            else if (EqualsNoCase(n, L"Microsoft.Help.TopicLocale")) t.locale = Trim(v);
            else if (EqualsNoCase(n, L"Microsoft.Help.Locale")) metaLocale = Trim(v);
            else if (EqualsNoCase(n, L"Microsoft.Help.TocParent")) t.parent = Trim(v);
            else if (EqualsNoCase(n, L"Microsoft.Help.TocParentTopicVersion")) t.parentVersion = Trim(v);
            else if (EqualsNoCase(n, L"Microsoft.Help.TocOrder")) t.order = (int)std::max(0LL, ParseNumber(v));
            else if (EqualsNoCase(n, L"Microsoft.Help.Keywords") || EqualsNoCase(n, L"System.Keywords")) {
                if (!Trim(v).empty()) t.keywords.push_back(Trim(v));
            } else if (EqualsNoCase(n, L"Microsoft.Help.F1")) {
                if (!Trim(v).empty()) t.f1.push_back(Trim(v));
            } else if (EqualsNoCase(n, L"Title")) metaTitle = Trim(v);
        }
        return true;
    });
    if (t.title.empty()) t.title = metaTitle;
    if (t.locale.empty()) t.locale = metaLocale;
    t.key = LowerAscii(t.id);
    t.parentKey = LowerAscii(t.parent);
    return !t.id.empty();
}

bool ParseGenDescription(const std::wstring& text, GenDescription& desc) {
    for (auto& rawLine : Split(text, L'\n')) {
        std::wstring line = Trim(rawLine);
        if (line.empty() || line[0] == L';' || line[0] == L'#' || line[0] == L'[') continue;
        size_t eq = line.find(L'=');
        if (eq == std::wstring::npos) continue;
        std::wstring k = LowerAscii(Trim(line.substr(0, eq))), v = Trim(line.substr(eq + 1));
        long long n = ParseNumber(v);
        auto list = [&] {
            std::vector<std::wstring> items;
            for (auto& s : Split(v, L',')) if (!Trim(s).empty()) items.push_back(Trim(s));
            return items;
        };
        if (k == L"topics" && n > 0) desc.topics = (int)n;
        else if (k == L"keywords" && n >= 0) desc.keywords = (int)n;
        else if (k == L"seed" && n >= 0) desc.seed = (unsigned)n;
        else if (k == L"fanout" && n > 0) desc.fanout = (int)n;
        else if (k == L"bignodes" && n >= 0) desc.bigNodes = (int)n;
        else if (k == L"bigfanout" && n > 0) desc.bigFanout = (int)n;
        else if (k == L"namespacesize" && n > 0) desc.namespaceSize = (int)n;
        else if (k == L"flat") desc.flat = n > 0;
        else if (k == L"versions" && !list().empty()) desc.versions = list();
        else if (k == L"locales" && !list().empty()) desc.locales = list();
        else if (k == L"rootid" && !v.empty()) desc.rootId = v;
        else if (k == L"roottitle" && !v.empty()) desc.rootTitle = v;
    }
    return true;
}

std::vector<int> Store::LoadPackage(const std::wstring& folder, const std::wstring& vendor) {
    std::wstring key = LowerText(folder);
    auto found = packageTopics_.find(key);
    if (found != packageTopics_.end()) return found->second;
    std::vector<int> ids;
    std::vector<std::wstring> files = ListFolder(folder, L"*.htm*", false);
    std::sort(files.begin(), files.end());
    for (auto& f : files) {
        std::string bytes;
        if (!ReadFileBytes(IncludeTrailingBackslash(folder) + f, bytes)) continue;
        if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
        Topic t;
        if (!ParseTopicFile(bytes, t)) continue;
        t.vendor = vendor;
        ids.push_back((int)topics.size());
        topics.push_back(std::move(t));
    }
    std::wstring ini;
    if (ReadTextFile(IncludeTrailingBackslash(folder) + L"generate.ini", ini)) {
        GenDescription desc;
        desc.vendor = vendor;
        ParseGenDescription(ini, desc);
        size_t first = topics.size();
        GenerateTopics(desc, topics);
        for (size_t i = first; i < topics.size(); ++i) ids.push_back((int)i);
    }
    packageTopics_[key] = ids;
    return ids;
}

bool Store::Load(const std::wstring& folder, std::wstring& error) {
    localStore = folder;
    while (localStore.size() > 3 && localStore.back() == L'\\') localStore.pop_back();
    std::wstring manifestDir = IncludeTrailingBackslash(localStore) + L"manifest";
    auto files = ListFolder(manifestDir, L"queryManifest*.xml", false);
    if (files.empty()) {
        error = L"no store manifest in " + manifestDir;
        return false;
    }
    std::wstring text;
    if (!ReadTextFile(IncludeTrailingBackslash(manifestDir) + files.front(), text)) {
        error = L"cannot read the store manifest";
        return false;
    }
    struct Pending {
        std::wstring product, version, locale, display, contentPath;
        std::vector<std::pair<std::wstring, std::wstring>> files;  // folder, vendor
    };
    std::vector<Pending> pending;
    ScanTags(text, [&](const Tag& tag) {
        if (tag.isEnd) return true;
        if (tag.name == L"catalog") {
            Pending p;
            p.product = Trim(tag.Attr(L"productId"));
            p.version = Trim(tag.Attr(L"productVersion"));
            p.locale = Trim(tag.Attr(L"productLocale"));
            p.display = DecodeEntities(tag.Attr(L"productDisplayName"));
            pending.push_back(p);
        } else if (!pending.empty() && tag.name == L"contentPath") {
            pending.back().contentPath = ExpandEnv(Trim(TextAfter(text, tag)));
        } else if (!pending.empty() && tag.name == L"contentFile") {
            std::wstring vendorPath = Trim(tag.Attr(L"vendorPath")), file = Trim(tag.Attr(L"fileName"));
            if (!file.empty()) {
                std::wstring base = pending.back().contentPath;
                if (base.empty()) base = IncludeTrailingBackslash(localStore) + L"content";
                pending.back().files.emplace_back(
                    IncludeTrailingBackslash(IncludeTrailingBackslash(base) + vendorPath) + file,
                    FirstPart(vendorPath, L'\\'));
            }
        }
        return true;
    });
    for (auto& p : pending) {
        std::vector<int> ids;
        std::unordered_set<int> seen;
        for (auto& f : p.files)
            for (int id : LoadPackage(f.first, f.second))
                if (seen.insert(id).second) ids.push_back(id);
        Catalog c;
        c.product = p.product;
        c.version = p.version;
        c.locale = p.locale;
        c.displayName = p.display.empty() ? c.Name() : p.display;
        for (auto& f : p.files) c.packages.push_back(f.first);
        c.topics = std::move(ids);
        catalogs.push_back(std::move(c));
    }
    for (auto& c : catalogs) BuildIndexes(c);
    return true;
}

Catalog& Store::AddCatalog(const std::wstring& product, const std::wstring& version, const std::wstring& locale,
                           const std::wstring& displayName, const std::vector<Topic>& newTopics) {
    Catalog c;
    c.product = product;
    c.version = version;
    c.locale = locale;
    c.displayName = displayName;
    for (auto& t : newTopics) {
        c.topics.push_back((int)topics.size());
        topics.push_back(t);
    }
    catalogs.push_back(std::move(c));
    BuildIndexes(catalogs.back());
    return catalogs.back();
}

void Store::BuildIndexes(Catalog& c) {
    c.byId.clear();
    c.children.clear();
    c.topLevel.clear();
    c.f1.clear();
    c.words.clear();
    c.keywords.clear();
    BuildTree(c);
    {  // search index
        for (int i : c.topics) {
            const Topic& t = topics[i];
            std::vector<std::pair<std::wstring, int>> weights;
            auto add = [&weights](const std::wstring& text, int weight) {
                for (auto& w : SearchWords(text)) {
                    auto it = std::find_if(weights.begin(), weights.end(), [&w](const auto& p) { return p.first == w; });
                    if (it == weights.end()) weights.emplace_back(w, weight);
                    else it->second += weight;
                }
            };
            add(t.title, 10);
            if (!t.body.empty()) add(StripTags(FromUtf8(t.body)), 1);
            for (auto& kv : weights) c.words[kv.first].emplace_back(i, kv.second);
        }
    }

    // Keyword index: top-level keywords with their sub-keys.
    std::unordered_map<std::wstring, size_t> kwIndex;
    std::unordered_map<std::wstring, size_t> subIndex;  // keyword number + '\x01' + sub-key key
    kwIndex.reserve(c.topics.size() * 2);
    subIndex.reserve(c.topics.size() * 4);
    auto addTopic = [](std::vector<int>& list, int topic) {
        if (list.empty() || list.back() != topic) list.push_back(topic);
    };
    for (int i : c.topics) {
        for (auto& kw : topics[i].keywords) {
            size_t comma = kw.find(L',');
            std::wstring parent = Trim(comma == std::wstring::npos ? kw : kw.substr(0, comma));
            std::wstring sub = comma == std::wstring::npos ? L"" : Trim(kw.substr(comma + 1));
            if (parent.empty()) continue;
            std::wstring key = KeywordKey(parent);
            auto it = kwIndex.find(key);
            size_t k;
            if (it == kwIndex.end()) {
                k = c.keywords.size();
                kwIndex.emplace(key, k);
                c.keywords.push_back(Keyword{parent, key, {}, {}});
            } else {
                k = it->second;
            }
            Keyword& entry = c.keywords[k];
            if (sub.empty()) {
                addTopic(entry.topics, i);
                continue;
            }
            std::wstring skey = KeywordKey(sub);
            std::wstring compound = std::to_wstring(k) + L'\x01' + skey;
            auto sit = subIndex.find(compound);
            if (sit == subIndex.end()) {
                subIndex.emplace(std::move(compound), entry.subs.size());
                entry.subs.push_back(SubKey{sub, skey, {i}});
            } else {
                addTopic(entry.subs[sit->second].topics, i);
            }
        }
    }
    c.keywordRows = c.keywords.size();
    for (auto& k : c.keywords) {
        c.keywordRows += k.subs.size();
        std::sort(k.subs.begin(), k.subs.end(), [](const SubKey& a, const SubKey& b) { return a.key < b.key; });
    }
    std::sort(c.keywords.begin(), c.keywords.end(), [](const Keyword& a, const Keyword& b) { return a.key < b.key; });
}

void Store::BuildTree(Catalog& c) {
    c.byId.reserve(c.topics.size());
    for (int i : c.topics) {
        const Topic& t = topics[i];
        c.byId[t.key].push_back(i);
        if (t.parent == L"-1") {
            if (t.version.empty() || t.version == c.version || !EqualsNoCase(t.vendor, L"Microsoft"))
                c.topLevel.push_back(i);
        } else if (!t.parentKey.empty()) {
            c.children[t.parentKey].push_back(i);
        }
        for (auto& f : t.f1) c.f1[LowerText(Trim(f))].push_back(i);
    }
    auto byOrder = [this](int a, int b) {
        if (topics[a].order != topics[b].order) return topics[a].order < topics[b].order;
        return a < b;
    };
    std::stable_sort(c.topLevel.begin(), c.topLevel.end(), byOrder);
    for (auto& kv : c.children) std::stable_sort(kv.second.begin(), kv.second.end(), byOrder);
}

const Catalog* Store::FindCatalog(const std::wstring& product, const std::wstring& version,
                                  const std::wstring& locale) const {
    if (catalogs.empty()) return nullptr;
    if (product.empty()) {
        for (auto& c : catalogs)
            if (EqualsNoCase(c.Name(), L"VS\\100\\en-US")) return &c;
        return &catalogs.front();
    }
    const Catalog* first = nullptr;
    for (auto& c : catalogs) {
        if (!EqualsNoCase(c.product, product)) continue;
        if (!version.empty() && !EqualsNoCase(c.version, version)) continue;
        if (!locale.empty()) {
            if (EqualsNoCase(c.locale, locale)) return &c;
            continue;
        }
        if (EqualsNoCase(c.locale, L"en-US")) return &c;
        if (!first) first = &c;
    }
    return first;
}

int Store::PickInstance(const Catalog& c, const std::wstring& id, const std::wstring& version,
                        const std::wstring& locale, bool versionGiven) const {
    auto it = c.byId.find(LowerAscii(Trim(id)));
    if (it == c.byId.end()) return -1;
    int best = -1, bestScore = -1;
    for (int i : it->second) {
        const Topic& t = topics[i];
        int score = 0;
        if ((versionGiven || !version.empty()) && t.version == version) score += 8;
        if (!locale.empty() && EqualsNoCase(t.locale, locale)) score += 4;
        if (t.version == c.version) score += 2;
        if (EqualsNoCase(t.locale, c.locale)) score += 1;
        if (score > bestScore) {
            best = i;
            bestScore = score;
        }
    }
    return best;
}

int Store::ParentOf(const Catalog& c, int topic) const {
    const Topic& t = topics[topic];
    if (t.parentKey.empty() || t.parent == L"-1") return -1;
    auto it = c.byId.find(t.parentKey);
    if (it == c.byId.end()) return -1;
    if (!t.parentVersion.empty()) {
        for (int i : it->second)
            if (topics[i].version == t.parentVersion) return i;
        return -1;
    }
    return PickInstance(c, t.parent, t.version, t.locale, true);
}

std::vector<int> Store::ChildrenOf(const Catalog& c, int topic) const {
    if (topic < 0) return c.topLevel;
    std::vector<int> out;
    auto it = c.children.find(topics[topic].key);
    if (it == c.children.end()) return out;
    for (int i : it->second)
        if (ParentOf(c, i) == topic) out.push_back(i);
    return out;
}

std::vector<int> Store::AncestorsOf(const Catalog& c, int topic) const {
    std::vector<int> chain;
    std::unordered_set<int> seen;
    for (int cur = topic; cur >= 0 && seen.insert(cur).second && chain.size() < 1000; cur = ParentOf(c, cur))
        chain.push_back(cur);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

const Keyword* Store::FindKeyword(const Catalog& c, const std::wstring& key) const {
    auto it = std::lower_bound(c.keywords.begin(), c.keywords.end(), key,
                               [](const Keyword& k, const std::wstring& v) { return k.key < v; });
    return it != c.keywords.end() && it->key == key ? &*it : nullptr;
}

std::pair<size_t, size_t> Store::KeywordRange(const Catalog& c, const std::wstring& prefixKey) const {
    if (prefixKey.empty()) return {0, c.keywords.size()};
    auto lo = std::lower_bound(c.keywords.begin(), c.keywords.end(), prefixKey,
                               [](const Keyword& k, const std::wstring& v) { return k.key < v; });
    auto hi = lo;
    while (hi != c.keywords.end() && hi->key.compare(0, prefixKey.size(), prefixKey) == 0) ++hi;
    return {(size_t)(lo - c.keywords.begin()), (size_t)(hi - c.keywords.begin())};
}

std::vector<std::pair<int, int>> Store::Search(const Catalog& c, const std::wstring& query) const {
    std::vector<std::wstring> words = SearchWords(query);
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    std::unordered_map<int, std::pair<int, int>> hits;  // topic -> (words matched, score)
    for (auto& w : words) {
        auto it = c.words.find(w);
        if (it == c.words.end()) continue;
        for (auto& p : it->second) {
            auto& h = hits[p.first];
            h.first += 1;
            h.second += p.second;
        }
    }
    std::vector<std::tuple<int, int, int>> ranked;  // matched, score, topic
    for (auto& h : hits) ranked.emplace_back(h.second.first, h.second.second, h.first);
    std::sort(ranked.begin(), ranked.end(), [this](const auto& a, const auto& b) {
        if (std::get<0>(a) != std::get<0>(b)) return std::get<0>(a) > std::get<0>(b);
        if (std::get<1>(a) != std::get<1>(b)) return std::get<1>(a) > std::get<1>(b);
        const Topic& ta = topics[std::get<2>(a)];
        const Topic& tb = topics[std::get<2>(b)];
        if (ta.title != tb.title) return ta.title < tb.title;
        return std::get<2>(a) < std::get<2>(b);
    });
    std::vector<std::pair<int, int>> out;
    for (auto& r : ranked) out.emplace_back(std::get<2>(r), std::get<1>(r));
    return out;
}

}  // namespace standin
