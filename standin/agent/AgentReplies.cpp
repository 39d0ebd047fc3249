#include "AgentReplies.h"
#include "Entities.h"
#include "StFiles.h"
#include "StText.h"
#include "StXml.h"

#include <algorithm>

namespace standin {

namespace {

const char* const kXmlType = "text/xml; charset=utf-8";
const char* const kHtmlType = "text/html; charset=utf-8";

Reply Ok(const std::wstring& body, const char* type) { return Reply{200, type, ToUtf8(body)}; }

std::wstring UpperAscii(std::wstring s) {
    for (auto& c : s)
        if (c >= L'a' && c <= L'z') c -= 32;
    return s;
}

// Ids as agent-generated URLs carry them: API ids upper-cased, special characters escaped.
std::wstring UrlId(const std::wstring& id) {
    std::wstring v = (id.size() > 2 && id[1] == L':') ? UpperAscii(id) : id;
    std::wstring out;
    for (wchar_t c : v) {
        switch (c) {
            case L'&': out += L"%26"; break;
            case L'#': out += L"%23"; break;
            case L'%': out += L"%25"; break;
            case L'+': out += L"%2B"; break;
            case L' ': out += L"%20"; break;
            case L'"': out += L"%22"; break;
            case L'<': out += L"%3C"; break;
            case L'>': out += L"%3E"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

struct Ctx {
    const Store& store;
    const AgentOptions& options;
    const Catalog& cat;
    const QueryParams& q;
};

std::wstring ProductPairs(const Catalog& c) {
    return L"&product=" + c.product + L"&productversion=" + c.version + L"&locale=" + UpperAscii(c.locale);
}

std::wstring TopicUrl(const Catalog& c, const std::wstring& id, const std::wstring& version, const std::wstring& locale) {
    return L"ms-xhelp:///?method=page&id=" + UrlId(id) + ProductPairs(c) + L"&topicversion=" + version +
           L"&topiclocale=" + UpperAscii(locale);
}

std::wstring PageLink(const Catalog& c, const Topic& t) {
    return L"ms.help?method=page&id=" + UrlId(t.id) + L"&topicVersion=" + t.version + L"&topicLocale=" +
           UpperAscii(t.locale) + L"&product=" + c.product + L"&productVersion=" + c.version + L"&locale=" +
           UpperAscii(c.locale);
}

std::wstring TopicElement(const Catalog& c, const std::wstring& id, const std::wstring& title,
                          const std::wstring& version, const std::wstring& locale) {
    return L"<topic id=\"" + XmlEscape(id) + L"\"><title>" + XmlEscape(title) + L"</title><url>" +
           XmlEscape(TopicUrl(c, id, version, locale)) + L"</url></topic>\r\n";
}

std::wstring TopicElement(const Ctx& x, int i) {
    ReplyCache& cache = *x.cat.replies;
    {
        std::lock_guard<std::mutex> lock(cache.lock);
        auto it = cache.elements.find(i);
        if (it != cache.elements.end()) return it->second;
    }
    const Topic& t = x.store.topics[i];
    std::wstring element = TopicElement(x.cat, t.id, t.title, t.version, t.locale);
    std::lock_guard<std::mutex> lock(cache.lock);
    cache.elements.emplace(i, element);
    return element;
}

std::wstring HomeTitle(const Catalog& c) { return c.displayName; }

std::wstring HomeElement(const Catalog& c) { return TopicElement(c, L"-1", HomeTitle(c), c.version, c.locale); }

std::wstring XmlHeader() { return L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"; }

std::wstring Meta(const std::wstring& name, const std::wstring& content) {
    return L"<meta name=\"" + name + L"\" content=\"" + XmlEscape(content) + L"\" />\r\n";
}

std::wstring PageStart(const std::wstring& head) {
    return XmlHeader() +
           L"<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\" "
           L"\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-transitional.dtd\">\r\n"
           L"<html xmlns=\"http://www.w3.org/1999/xhtml\">\r\n<head>\r\n" +
           head + L"</head>\r\n";
}

std::wstring LogoImage() {
    return L"<img id=\"OH_logo\" alt=\"Visual Studio\" src=\"ms.help?content\\Microsoft\\store\\dev10-IE6.mshc;/VS-logo.png\" />";
}

// Body frame of every topic page: the navigation column (left out when embedded) and the content.
std::wstring PageBody(const Ctx& x, const std::wstring& content, int topic) {
    bool embedded = EqualsNoCase(x.q.Get("embedded"), L"true");
    std::wstring b = L"<body class=\"OH_body\">\r\n";
    if (!embedded) {
        b += L"<div class=\"OH_leftNav\" id=\"OH_leftNav\"><div class=\"OH_leftNavInner\">" + LogoImage() +
             L"<div class=\"OH_navTitle\"><a href=\"ms-xhelp:///?Id=-1\">" + XmlEscape(HomeTitle(x.cat)) +
             L"</a></div><ul class=\"OH_navList\">\r\n";
        if (topic >= 0) {
            for (int a : x.store.AncestorsOf(x.cat, topic))
                if (a != topic)
                    b += L"<li class=\"OH_navParent\"><a href=\"ms-xhelp:///?Id=" + UrlId(x.store.topics[a].id) +
                         L"\">" + XmlEscape(x.store.topics[a].title) + L"</a></li>\r\n";
            for (int c : x.store.ChildrenOf(x.cat, topic))
                b += L"<li class=\"OH_navChild\"><a href=\"ms-xhelp:///?Id=" + UrlId(x.store.topics[c].id) +
                     L"\">" + XmlEscape(x.store.topics[c].title) + L"</a></li>\r\n";
        }
        b += L"</ul></div></div>\r\n<div id=\"TocResize\" class=\"OH_TocResize\"></div>\r\n";
    }
    b += L"<div class=\"OH_outerContent\"><div class=\"OH_outerDiv\"><div class=\"OH_mainSection\">\r\n" + content +
         L"\r\n</div></div></div>\r\n</body>\r\n</html>\r\n";
    return b;
}

std::wstring GeneratedHead(const Topic& t) {
    std::wstring h = L"<title>" + XmlEscape(t.title) + L"</title>\r\n";
    h += Meta(L"Microsoft.Help.Id", t.id);
    h += Meta(L"Microsoft.Help.TopicVersion", t.version);
    h += Meta(L"Microsoft.Help.TopicLocale", t.locale);
    h += Meta(L"Microsoft.Help.Locale", t.locale);
    h += Meta(L"SelfBranded", L"true");
    h += Meta(L"Title", t.title);
    h += Meta(L"Microsoft.Help.TocParent", t.parent);
    h += Meta(L"Microsoft.Help.TocOrder", std::to_wstring(t.order));
    h += Meta(L"ContentType", L"Reference");
    for (auto& f : t.f1) h += Meta(L"Microsoft.Help.F1", f);
    for (auto& k : t.keywords) h += Meta(L"Microsoft.Help.Keywords", k);
    return h;
}

std::wstring GeneratedContent(const Ctx& x, int topic) {
    const Topic& t = x.store.topics[topic];
    std::wstring c = L"<h1 class=\"OH_title\">" + XmlEscape(t.title) + L"</h1>\r\n<p>" + XmlEscape(t.summary) +
                     L"</p>\r\n<div class=\"OH_CodeSnippetContainerCode code\"><pre>// " + XmlEscape(t.id) +
                     L"\r\npublic class Sample { }</pre></div>\r\n";
    int parent = x.store.ParentOf(x.cat, topic);
    if (parent >= 0)
        c += L"<p>See also: <a href=\"ms-xhelp:///?Id=" + UrlId(x.store.topics[parent].id) + L"\">" +
             XmlEscape(x.store.topics[parent].title) + L"</a></p>\r\n";
    return c;
}

Reply TopicPage(const Ctx& x, int topic) {
    const Topic& t = x.store.topics[topic];
    std::wstring head = t.generated ? GeneratedHead(t) : FromUtf8(t.head);
    std::wstring content = t.generated ? GeneratedContent(x, topic) : FromUtf8(t.body);
    return Ok(PageStart(head) + PageBody(x, content, topic), kHtmlType);
}

Reply HomePage(const Ctx& x) {
    const Catalog& c = x.cat;
    std::wstring head = L"<title>" + XmlEscape(HomeTitle(c)) + L"</title>\r\n" + Meta(L"Microsoft.Help.Id", L"-1") +
                        Meta(L"Microsoft.Help.TopicVersion", c.version) + Meta(L"Microsoft.Help.TopicLocale", c.locale) +
                        Meta(L"Microsoft.Help.Locale", c.locale) + Meta(L"Microsoft.Help.SelfBranded", L"true") +
                        Meta(L"Title", HomeTitle(c)) + Meta(L"Microsoft.Help.TocParent", L"") +
                        Meta(L"Microsoft.Help.TocOrder", L"0") + Meta(L"Microsoft.Help.ContentType", L"Home");
    std::wstring body = L"<h1 class=\"OH_title\">" + XmlEscape(HomeTitle(c)) + L"</h1>\r\n<ul class=\"OH_homeList\">\r\n";
    for (int i : x.store.ChildrenOf(c, -1))
        body += L"<li><a href=\"ms-xhelp:///?Id=" + UrlId(x.store.topics[i].id) + L"\">" +
                XmlEscape(x.store.topics[i].title) + L"</a></li>\r\n";
    body += L"</ul>\r\n<p class=\"OH_manage\"><a href=\"ms.help?install=2&amp;product=" + c.product +
            L"&amp;productVersion=" + c.version + L"&amp;locale=" + c.locale +
            L"\">Add and Remove Content</a> | <a href=\"http://msdn.microsoft.com/library\" target=\"_blank\">"
            L"Online library</a> | <a href=\"mailto:docs@example.com\">Send feedback</a> | "
            L"<a href=\"//ms.help?method=page&amp;id=-1\">Home (host-relative)</a></p>\r\n";
    return Ok(PageStart(head) + PageBody(x, body, -1), kHtmlType);
}

Reply NotFoundPage(const Ctx& x, const std::wstring& what) {
    std::wstring head = L"<title>Topic not found</title>\r\n" + Meta(L"Microsoft.Help.Locale", x.cat.locale) +
                        Meta(L"Title", L"Topic not found");
    if (x.options.notFoundId) head += Meta(L"Microsoft.Help.Id", x.q.Get("id"));
    std::wstring body = L"<h1 class=\"OH_title\">Topic not found</h1>\r\n<p>The topic you requested (" +
                        XmlEscape(what) + L") is not in the catalog " + XmlEscape(x.cat.Name()) +
                        L". <a href=\"ms.help?install=2\">Add content</a> or search the online library.</p>";
    return Ok(PageStart(head) + PageBody(x, body, -1), kHtmlType);
}

Reply Page(const Ctx& x) {
    std::wstring id = Trim(x.q.Get("id"));
    if (id.empty() || id == L"-1") return HomePage(x);
    int t = x.store.PickInstance(x.cat, id, Trim(x.q.Get("topicversion")), Trim(x.q.Get("topiclocale")),
                                 x.q.Has("topicversion"));
    if (t < 0) return NotFoundPage(x, id);
    return TopicPage(x, t);
}

int RequestedTopic(const Ctx& x, bool& isRoot, bool& known) {
    std::wstring id = Trim(x.q.Get("id"));
    isRoot = id.empty() || id == L"-1";
    if (isRoot) {
        known = true;
        return -1;
    }
    int t = x.store.PickInstance(x.cat, id, Trim(x.q.Get("topicversion")), Trim(x.q.Get("topiclocale")),
                                 x.q.Has("topicversion"));
    known = t >= 0;
    return t;
}

Reply Children(const Ctx& x) {
    bool isRoot, known;
    int t = RequestedTopic(x, isRoot, known);
    ReplyCache& cache = *x.cat.replies;
    if (known) {
        std::lock_guard<std::mutex> lock(cache.lock);
        auto it = cache.children.find(t);
        if (it != cache.children.end()) return Reply{200, kXmlType, it->second};
    }
    std::wstring body = XmlHeader() + L"<children>\r\n";
    if (known)
        for (int c : x.store.ChildrenOf(x.cat, t)) body += TopicElement(x, c);
    Reply reply = Ok(body + L"</children>\r\n", kXmlType);
    if (known) {
        std::lock_guard<std::mutex> lock(cache.lock);
        cache.children.emplace(t, reply.body);
    }
    return reply;
}

Reply Ancestors(const Ctx& x) {
    bool isRoot, known;
    int t = RequestedTopic(x, isRoot, known);
    std::wstring body = XmlHeader() + L"<ancestors>\r\n";
    if (isRoot) body += HomeElement(x.cat);
    else if (known)
        for (int a : x.store.AncestorsOf(x.cat, t)) body += TopicElement(x, a);
    return Ok(body + L"</ancestors>\r\n", kXmlType);
}

Reply Toc(const Ctx& x) {
    bool isRoot, known;
    int t = RequestedTopic(x, isRoot, known);
    std::wstring body = XmlHeader() + L"<toc>\r\n<parents>\r\n";
    if (known && !isRoot) {
        body += HomeElement(x.cat);
        std::vector<int> chain = x.store.AncestorsOf(x.cat, t);
        for (size_t i = 0; i + 1 < chain.size(); ++i) body += TopicElement(x, chain[i]);
        body += L"</parents>\r\n<siblings>\r\n";
        int parent = x.store.ParentOf(x.cat, t);
        std::vector<int> sibs = x.store.ChildrenOf(x.cat, parent);
        if (std::find(sibs.begin(), sibs.end(), t) == sibs.end()) sibs.insert(sibs.begin(), t);
        for (int s : sibs) body += TopicElement(x, s);
        body += L"</siblings>\r\n<children>\r\n";
        for (int c : x.store.ChildrenOf(x.cat, t)) body += TopicElement(x, c);
        body += L"</children>\r\n";
    } else if (isRoot) {
        body += L"</parents>\r\n<siblings>\r\n" + HomeElement(x.cat) + L"</siblings>\r\n<children>\r\n";
        for (int c : x.store.ChildrenOf(x.cat, -1)) body += TopicElement(x, c);
        body += L"</children>\r\n";
    } else {
        body += L"</parents>\r\n<siblings>\r\n</siblings>\r\n<children>\r\n</children>\r\n";
    }
    return Ok(body + L"</toc>\r\n", kXmlType);
}

// Topics of one keyword or sub-key of a query; null when the query names none.
const std::vector<int>* KeywordTopics(const Ctx& x, const KeywordQuery& kq) {
    if (kq.hasSub) {
        if (const Keyword* k = x.store.FindKeyword(x.cat, KeywordKey(kq.parent))) {
            std::wstring skey = KeywordKey(kq.sub);
            for (auto& s : k->subs)
                if (s.key == skey) return &s.topics;
        }
    }
    if (const Keyword* k = x.store.FindKeyword(x.cat, KeywordKey(kq.whole))) return &k->topics;
    return nullptr;
}

std::wstring TopicHits(const Ctx& x, const std::vector<int>& topics) {
    std::wstring s;
    for (int i : topics) {
        const Topic& t = x.store.topics[i];
        s += L"<topic id=\"" + XmlEscape(t.id) + L"\" title=\"" + XmlEscape(t.title) + L"\" topicVersion=\"" +
             XmlEscape(t.version) + L"\" topicLocale=\"" + XmlEscape(t.locale) + L"\" />\r\n";
    }
    return s;
}

long long NumberParam(const Ctx& x, const char* name, long long fallback) {
    long long v = ParseNumber(x.q.Get(name));
    return v > 0 ? v : fallback;
}

// Offset of page pageNo (from 1) of pageSize items in a list of total items; total when the
// page lies past the end (computed without overflow for any page number and size).
size_t PageOffset(size_t total, long long pageNo, long long pageSize) {
    long long before = pageNo - 1;
    if (before <= 0) return 0;
    if (before > (long long)total / pageSize) return total;
    return (size_t)std::min<long long>((long long)total, before * pageSize);
}

// Items [first, last) of a page.
std::pair<size_t, size_t> PageRange(size_t total, long long pageNo, long long pageSize) {
    size_t first = PageOffset(total, pageNo, pageSize);
    size_t last = first + (size_t)std::min<long long>(pageSize, (long long)(total - first));
    return {first, last};
}

Reply KeywordsHtml(const Ctx& x, const KeywordQuery& kq) {
    const std::vector<int>* topics = KeywordTopics(x, kq);
    std::wstring shown = kq.hasSub ? kq.parent + L", " + kq.sub : kq.whole;
    std::wstring head = L"<title>Index: " + XmlEscape(shown) + L"</title>\r\n" +
                        Meta(L"Microsoft.Help.Locale", x.cat.locale) + Meta(L"Title", L"Index: " + shown);
    std::wstring body = L"<h1 class=\"OH_title\">" + XmlEscape(shown) + L"</h1>\r\n";
    if (!topics || topics->empty()) {
        body += L"<p class=\"OH_noResults\">No topics found for this keyword.</p>\r\n";
    } else {
        body += L"<ul class=\"OH_keywordTopics\">\r\n";
        for (int i : *topics)
            body += L"<li><a href=\"" + XmlEscape(PageLink(x.cat, x.store.topics[i])) + L"\">" +
                    XmlEscape(x.store.topics[i].title) + L"</a> (" + XmlEscape(x.store.topics[i].version) + L", " +
                    XmlEscape(x.store.topics[i].locale) + L")</li>\r\n";
        body += L"</ul>\r\n";
    }
    return Ok(PageStart(head) + PageBody(x, body, -1), kHtmlType);
}

Reply Keywords(const Ctx& x) {
    KeywordQuery kq = DecodeKeywordQuery(x.q.Raw("query"));
    if (!EqualsNoCase(x.q.Get("format"), L"xml")) return KeywordsHtml(x, kq);
    if (EqualsNoCase(x.q.Get("category"), L"topic")) {
        const std::vector<int>* topics = KeywordTopics(x, kq);
        return Ok(XmlHeader() + L"<topics>\r\n" + (topics ? TopicHits(x, *topics) : L"") + L"</topics>\r\n", kXmlType);
    }
    auto range = x.store.KeywordRange(x.cat, KeywordKey(kq.whole));
    size_t total = range.second - range.first;
    long long pageSize = NumberParam(x, "pagesize", (long long)std::max<size_t>(total, 1));
    long long pageNo = NumberParam(x, "pagenumber", 1);
    auto page = PageRange(total, pageNo, pageSize);
    size_t first = range.first + page.first, last = range.first + page.second;
    std::wstring body;
    body.reserve((last - first) * 120 + 256);
    body += XmlHeader() + L"<keywords totalkeywords=\"" + std::to_wstring(total) + L"\" returnedkeywords=\"" +
            std::to_wstring(last - first) + L"\">\r\n";
    for (size_t i = first; i < last; ++i) {
        const Keyword& k = x.cat.keywords[i];
        std::wstring value = XmlEscape(k.text);
        body += L"<keyword value=\"" + value + L"\">";
        for (auto& s : k.subs) {
            std::wstring d = XmlEscape(s.text);
            body += L"<subkey display=\"" + d + L"\" keyvalue=\"" + value + L"," + d + L"\" />";
        }
        body += L"</keyword>\r\n";
    }
    if (!x.options.newAgent && !kq.whole.empty()) {
        const std::vector<int>* topics = KeywordTopics(x, kq);
        if (topics && !topics->empty()) body += L"<topics>\r\n" + TopicHits(x, *topics) + L"</topics>\r\n";
    }
    return Ok(body + L"</keywords>\r\n", kXmlType);
}

Reply Search(const Ctx& x) {
    std::wstring query = Trim(x.q.Get("query"));
    long long pageSize = NumberParam(x, "pagesize", 200);
    long long pageNo = NumberParam(x, "pagenumber", 1);
    auto hits = x.store.Search(x.cat, query);
    auto page = PageRange(hits.size(), pageNo, pageSize);
    size_t first = page.first, last = page.second;
    std::wstring head = L"<title>Search Results: " + XmlEscape(query) + L"</title>\r\n" +
                        Meta(L"Microsoft.Help.Locale", x.cat.locale) + Meta(L"Title", L"Search Results");
    std::wstring body = L"<h1 class=\"OH_title\">Search Results: " + XmlEscape(query) + L"</h1>\r\n";
    if (hits.empty()) {
        body += L"<p class=\"OH_noResults\">No results found.</p>\r\n";
    } else {
        body += L"<p class=\"OH_searchCount\">Results " + std::to_wstring(first + 1) + L"-" + std::to_wstring(last) +
                L" of " + std::to_wstring(hits.size()) + L"</p>\r\n<div class=\"OH_searchResults\">\r\n";
        for (size_t i = first; i < last; ++i) {
            const Topic& t = x.store.topics[hits[i].first];
            body += L"<div class=\"OH_searchResult\"><a href=\"" + XmlEscape(PageLink(x.cat, t)) + L"\">" +
                    XmlEscape(t.title) + L"</a></div>\r\n";
        }
        body += L"</div>\r\n";
    }
    std::wstring base = L"ms.help?method=search&query=" + UrlEscape(query) + L"&PageSize=" +
                        std::to_wstring(pageSize) + L"&PageNumber=";
    std::wstring paging = L"<div class=\"OH_searchPaging\">";
    if (pageNo > 1 && first > 0)
        paging += L"<a class=\"OH_resultNavLink\" href=\"" + XmlEscape(base + std::to_wstring(pageNo - 1)) +
                  L"\">Previous</a> ";
    if (last < hits.size())
        paging += L"<a class=\"OH_resultNavLink\" href=\"" + XmlEscape(base + std::to_wstring(pageNo + 1)) +
                  L"\">Next</a>";
    body += paging + L"</div>\r\n";
    return Ok(PageStart(head) + PageBody(x, body, -1), kHtmlType);
}

Reply F1(const Ctx& x) {
    std::vector<std::wstring> queries = x.q.GetAll("query");
    for (auto& raw : queries) {
        std::wstring key = LowerText(Trim(raw));
        auto it = x.cat.f1.find(key);
        if (it == x.cat.f1.end() || it->second.empty()) continue;
        int best = x.store.PickInstance(x.cat, x.store.topics[it->second.front()].id, L"", L"");
        return TopicPage(x, best >= 0 ? best : it->second.front());
    }
    return NotFoundPage(x, queries.empty() ? std::wstring(L"F1") : queries.front());
}

}  // namespace

Reply NotFound(const AgentOptions& options) {
    Reply r{404, kHtmlType, ""};
    if (options.errorBodies)
        r.body = "<html><head><title>Not Found</title></head><body><h1>HTTP Error 404. The requested resource is "
                 "not found.</h1></body></html>";
    return r;
}

Reply BadRequest(const AgentOptions& options) {
    Reply r{400, kHtmlType, ""};
    if (options.errorBodies)
        r.body = "<html><head><title>Bad Request</title></head><body><h1>HTTP Error 400. The request is badly "
                 "formed.</h1></body></html>";
    return r;
}

static Reply Asset(const Store& store, const AgentOptions& options, const std::string& query) {
    std::wstring q = PercentDecode(query);
    size_t semi = q.find(L';');
    std::wstring package = q.substr(0, semi), file = q.substr(semi + 1);
    while (!file.empty() && (file[0] == L'/' || file[0] == L'\\')) file.erase(0, 1);
    std::wstring rel = ReplaceAll(ReplaceAll(package + L"\\" + file, L"/", L"\\"), L"\\\\", L"\\");
    if (rel.find(L"..") != std::wstring::npos || rel.find(L':') != std::wstring::npos) return NotFound(options);
    std::wstring path = IncludeTrailingBackslash(store.localStore) + rel;
    std::string bytes;
    if (store.localStore.empty() || !ReadFileBytes(path, bytes)) return NotFound(options);
    std::wstring ext = LowerAscii(file.substr(file.find_last_of(L'.') == std::wstring::npos ? file.size()
                                                                                          : file.find_last_of(L'.')));
    const char* type = ext == L".png" ? "image/png" : ext == L".gif" ? "image/gif" : ext == L".css" ? "text/css"
                     : ext == L".js" ? "application/javascript" : ext == L".jpg" ? "image/jpeg"
                                                                                  : "application/octet-stream";
    return Reply{200, type, bytes};
}

Reply HandleHelpQuery(const Store& store, const AgentOptions& options, const std::string& query) {
    std::string lower = LowerAsciiA(query);
    size_t mshc = lower.find(".mshc;");
    if (mshc != std::string::npos && lower.find('=') > mshc) return Asset(store, options, query);
    QueryParams q(query);
    const Catalog* cat = store.FindCatalog(Trim(q.Get("product")), Trim(q.Get("productversion")), Trim(q.Get("locale")));
    if (!cat) return NotFound(options);
    Ctx x{store, options, *cat, q};
    std::wstring method = LowerAscii(Trim(q.Get("method")));
    if (method.empty() || method == L"page") return Page(x);
    if (method == L"children") return Children(x);
    if (method == L"ancestors") return Ancestors(x);
    if (method == L"toc") return Toc(x);
    if (method == L"keywords") return Keywords(x);
    if (method == L"search") return Search(x);
    if (method == L"f1") return F1(x);
    return NotFound(options);
}

}  // namespace standin
