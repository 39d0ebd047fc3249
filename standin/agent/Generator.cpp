// Expands a generator description into a realistic class-library table of contents:
// a root, namespaces, types and their members, with index keywords and F1 keywords.
#include "Store.h"
#include "StText.h"

#include <unordered_set>

namespace standin {

namespace {

// Small deterministic generator (the same on every compiler and library).
class Rng {
public:
    explicit Rng(unsigned seed) : state_(seed * 2654435761u + 0x9E3779B9u) {}
    unsigned Next() {
        state_ += 0x6D2B79F5u;
        unsigned z = state_;
        z = (z ^ (z >> 15)) * (z | 1u);
        z ^= z + (z ^ (z >> 7)) * (z | 61u);
        return z ^ (z >> 14);
    }
    int Below(int n) { return n <= 0 ? 0 : (int)(Next() % (unsigned)n); }

private:
    unsigned state_;
};

const wchar_t* const kNsParts[] = {
    L"Windows", L"Forms", L"Collections", L"Generic", L"IO", L"Net", L"Data", L"Xml", L"Linq", L"Drawing",
    L"Text", L"Threading", L"Security", L"Runtime", L"Web", L"Services", L"Media", L"Controls", L"Diagnostics",
    L"Globalization", L"Reflection", L"Resources", L"Configuration", L"ComponentModel", L"Activities",
    L"Workflow", L"Messaging", L"Transactions", L"Printing", L"Speech", L"Design", L"Serialization",
    L"Cryptography", L"Sockets", L"Mail", L"Caching", L"Compilation", L"Documents", L"Ink", L"Shapes"};
const wchar_t* const kTypeHeads[] = {
    L"Tool", L"Data", L"Xml", L"Http", L"Text", L"File", L"Image", L"Grid", L"List", L"Tree", L"Menu",
    L"Status", L"Print", L"Font", L"Color", L"Path", L"Key", L"Mouse", L"Web", L"Net", L"Check", L"Radio",
    L"Combo", L"Split", L"Scroll", L"Tab", L"Link", L"Date", L"Time", L"Rich", L"Binary", L"Stream", L"Cache",
    L"Query", L"Token", L"Access", L"Message", L"Channel", L"Event", L"Task"};
const wchar_t* const kTypeTails[] = {
    L"Button", L"Label", L"Stream", L"Reader", L"Writer", L"Collection", L"Dictionary", L"Buffer", L"Control",
    L"Panel", L"Window", L"Client", L"Server", L"Request", L"Response", L"Handler", L"Provider", L"Factory",
    L"Manager", L"Builder", L"Converter", L"Attribute", L"Exception", L"EventArgs", L"Context", L"Binding",
    L"Element", L"Node", L"Document", L"Command", L"Connection", L"Adapter", L"Policy", L"Service", L"Host",
    L"Timer", L"View", L"Box", L"Strip", L"Item"};
const wchar_t* const kMembers[] = {
    L"Add", L"Remove", L"Clear", L"Contains", L"GetValue", L"SetValue", L"ToString", L"Equals", L"Dispose",
    L"Close", L"Open", L"Read", L"Write", L"Flush", L"Text", L"Name", L"Value", L"Count", L"Item", L"Length",
    L"Click", L"Load", L"Changed", L"Refresh", L"Invalidate", L"Focus", L"Select", L"Insert", L"IndexOf",
    L"CopyTo", L"Parse", L"TryParse", L"Validate", L"Reset", L"Start", L"Stop", L"Enabled", L"Visible",
    L"Size", L"Location", L"Parent", L"Tag", L"Font", L"Format", L"Compare", L"CompareTo", L"Clone",
    L"GetHashCode", L"BeginInvoke", L"EndInvoke"};
const wchar_t* const kMemberKinds[] = {L"Method", L"Property", L"Event", L"Field"};
const wchar_t* const kTypeKinds[] = {L"Class", L"Class", L"Class", L"Interface", L"Structure", L"Enumeration"};
const wchar_t* const kIdPrefix[] = {L"M:", L"P:", L"E:", L"F:"};
const wchar_t* const kSubs[] = {L"syntax", L"remarks", L"examples", L"inheritance hierarchy", L"thread safety",
                                L"version information", L"see also", L"platforms", L"exceptions",
                                L"return value", L"parameters", L"overloads", L"security", L"about"};

template <size_t N>
const wchar_t* Pick(Rng& r, const wchar_t* const (&list)[N]) {
    return list[r.Below((int)N)];
}

std::wstring Lower(const std::wstring& s) { return LowerAscii(s); }

class Builder {
public:
    Builder(const GenDescription& desc, std::vector<Topic>& out) : desc_(desc), out_(out), rng_(desc.seed) {
        start_ = out.size();
    }

    void Run() {
        if (desc_.flat) {
            RunFlat();
            return;
        }
        Topic root = Make(desc_.rootId, desc_.rootTitle, L"-1", 0);
        root.keywords.push_back(Lower(desc_.rootTitle));
        root.summary = L"Reference documentation for the generated class library.";
        Emit(std::move(root));
        int nsCount = std::max(1, (desc_.topics - 1) / std::max(1, desc_.namespaceSize));
        int bigEvery = desc_.bigNodes > 0 ? std::max(1, nsCount / desc_.bigNodes) : 0;
        for (int ns = 0; ns < nsCount && Left() > 0; ++ns) {
            int nsBudget = (int)((long long)(desc_.topics - 1) * (ns + 1) / nsCount) - Made() + 1;
            MakeNamespace(ns, nsBudget, bigEvery > 0 && ns % bigEvery == 0 && bigDone_ < desc_.bigNodes);
        }
        // Rounding leftovers: members under the last type.
        while (Left() > 0 && !lastType_.empty()) MakeMember(lastType_, lastTypeName_, lastNs_, memberNo_++);
        while (Left() > 0) {
            Topic t = Make(L"gen-extra-" + std::to_wstring(Made()), L"Additional Topic " + std::to_wstring(Made()),
                           desc_.rootId, Made());
            Emit(std::move(t));
        }
    }

private:
    // One node with a very large family: members of one long list, in order.
    void RunFlat() {
        out_.push_back(Make(desc_.rootId, desc_.rootTitle, L"-1", 0));
        for (int no = 1; Left() > 0; ++no) {
            std::wstring member = std::wstring(Pick(rng_, kMembers)) + std::to_wstring(no);
            out_.push_back(Make(desc_.rootId + L"." + member, member + L" " + kMemberKinds[rng_.Below(4)],
                                desc_.rootId, no));
        }
    }

    int Made() const { return (int)(out_.size() - start_); }
    int Left() const { return desc_.topics - Made(); }

    Topic Make(const std::wstring& id, const std::wstring& title, const std::wstring& parent, int order) {
        Topic t;
        t.id = id;
        t.key = LowerAscii(id);
        t.title = title;
        t.version = desc_.versions.front();
        t.locale = desc_.locales.front();
        t.parent = parent;
        t.parentKey = LowerAscii(parent);
        t.order = order;
        t.vendor = desc_.vendor;
        t.generated = true;
        return t;
    }

    void Emit(Topic t) {
        if (Left() <= 0) return;
        // Keyword rows: spread the requested count over the topics.
        long long wantTotal = (long long)desc_.keywords * (Made() + 1) / desc_.topics;
        size_t keep = 0;
        for (auto& k : t.keywords) {
            if (rows_ >= wantTotal && keep > 0) break;
            rows_ += CountRows(k);
            ++keep;
        }
        t.keywords.resize(keep);
        // Further sub-keys go under the most specific (longest) keyword of the topic.
        std::wstring base;
        for (auto& k : t.keywords) {
            std::wstring top = k.substr(0, k.find(L','));
            if (top.size() > base.size()) base = top;
        }
        for (int extra = 0; rows_ < wantTotal && !base.empty(); ++extra) {
            std::wstring k = base + L", " + kSubs[extra % 14] + (extra >= 14 ? L" " + std::to_wstring(extra / 14) : L"");
            rows_ += CountRows(k);
            t.keywords.push_back(k);
        }
        out_.push_back(std::move(t));
    }

    // Hash of the A-Z folded text of k up to `length` characters.
    static unsigned long long Hash(const std::wstring& k, size_t length) {
        unsigned long long h = 1469598103934665603ull;
        for (size_t i = 0; i < length && i < k.size(); ++i) {
            wchar_t c = k[i];
            if (c >= L'A' && c <= L'Z') c += 32;
            h = (h ^ (unsigned long long)c) * 1099511628211ull;
        }
        return h;
    }

    int CountRows(const std::wstring& k) {
        size_t comma = k.find(L',');
        int n = tops_.insert(Hash(k, comma)).second ? 1 : 0;
        if (comma != std::wstring::npos && subs_.insert(Hash(k, k.size())).second) ++n;
        return n;
    }

    std::wstring NamespaceName(int ns) {
        std::wstring name = L"System";
        int parts = 1 + (ns % 3);
        for (int i = 0; i < parts; ++i) name += std::wstring(L".") + Pick(rng_, kNsParts);
        while (!nsNames_.insert(name).second) name += std::wstring(L".") + Pick(rng_, kNsParts);
        return name;
    }

    void MakeNamespace(int ns, int budget, bool withBig) {
        std::wstring name = NamespaceName(ns);
        std::wstring id = L"N:" + name;
        Topic t = Make(id, name + L" Namespace", desc_.rootId, ns);
        t.keywords.push_back(name + L" namespace");
        t.f1.push_back(name);
        t.summary = L"The " + name + L" namespace contains types of the generated class library.";
        Emit(std::move(t));
        int endAt = Made() + budget - 1;
        std::unordered_set<std::wstring> typeNames;
        for (int type = 0; Made() < endAt && Left() > 0; ++type) {
            bool big = withBig && type == 1;
            if (big) ++bigDone_;
            MakeType(name, id, type, typeNames, big ? desc_.bigFanout : 1 + rng_.Below(2 * desc_.fanout),
                     endAt);
        }
    }

    void MakeType(const std::wstring& ns, const std::wstring& nsId, int order,
                  std::unordered_set<std::wstring>& used, int members, int endAt) {
        std::wstring name = std::wstring(Pick(rng_, kTypeHeads)) + Pick(rng_, kTypeTails);
        for (int n = 2; !used.insert(name).second; ++n) name = name.substr(0, name.find_first_of(L"0123456789")) + std::to_wstring(n);
        std::wstring kind = Pick(rng_, kTypeKinds);
        if (kind == L"Interface") name = L"I" + name;
        int generic = (kind == L"Class" && rng_.Below(12) == 0) ? 1 + rng_.Below(2) : 0;
        std::wstring display = name, csKey = name, vbKey = name, id = L"T:" + ns + L"." + name;
        if (generic == 1) {
            display += L"(T)";
            csKey += L"%3CT%3E";
            vbKey += L"(Of T)";
            id += L"`1";
        } else if (generic == 2) {
            display += L"(TKey, TValue)";
            csKey += L"%3CTKey%2C TValue%3E";
            vbKey += L"(Of TKey%2C TValue)";
            id += L"`2";
        }
        std::wstring kindLower = Lower(kind);
        Topic t = Make(id, display + L" " + kind + L" (" + ns + L")", nsId, order);
        t.keywords.push_back(csKey + L" " + kindLower);
        t.keywords.push_back(csKey + L" " + kindLower + L", about " + csKey + L" " + kindLower);
        if (generic) t.keywords.push_back(vbKey + L" " + kindLower);
        t.keywords.push_back(ns + L"." + csKey + L" " + kindLower);
        if (rng_.Below(8) == 0) t.keywords.push_back(csKey + L" " + kindLower + L" [WPF]");
        t.keywords.push_back(csKey + L" " + kindLower + L", all members");
        t.f1.push_back(ns + L"." + name);
        t.f1.push_back(name);
        t.summary = L"Represents a " + Lower(display) + L" " + kindLower + L" of the " + ns + L" namespace.";
        Topic copy = t;
        Emit(std::move(t));
        lastType_ = id;
        lastTypeName_ = name;
        lastNs_ = ns;
        memberNo_ = 0;
        ++typeNo_;
        // Other versions and locales of some types: reachable through the index and sync only.
        if (typeNo_ % 7 == 0)
            for (size_t v = 1; v < desc_.versions.size() && Left() > 0; ++v) {
                Topic o = copy;
                o.version = desc_.versions[v];
                o.parentVersion = desc_.versions[v];
                o.keywords = {copy.keywords[1]};
                o.f1.clear();
                Emit(std::move(o));
            }
        if (typeNo_ % 11 == 0)
            for (size_t l = 1; l < desc_.locales.size() && Left() > 0; ++l) {
                Topic o = copy;
                o.locale = desc_.locales[l];
                o.keywords = {copy.keywords[1]};
                o.f1.clear();
                Emit(std::move(o));
            }
        for (int m = 0; m < members && Made() < endAt && Left() > 0; ++m) MakeMember(id, name, ns, memberNo_++);
    }

    void MakeMember(const std::wstring& typeId, const std::wstring& type, const std::wstring& ns, int no) {
        int kind = rng_.Below(4);
        std::wstring member = Pick(rng_, kMembers);
        if (no >= 40) member += std::to_wstring(no);
        std::wstring kindName = kMemberKinds[kind], kindLower = Lower(kindName);
        std::wstring full = type + L"." + member;
        std::wstring id = std::wstring(kIdPrefix[kind]) + ns + L"." + full;
        if (!memberIds_.insert(LowerAscii(id)).second) id += L"(System.Int32," + std::to_wstring(no) + L")";
        Topic t = Make(id, full + L" " + kindName, typeId, no);
        t.keywords.push_back(member + L" " + kindLower + L", " + type + L" class");
        t.keywords.push_back(full + L" " + kindLower);
        t.keywords.push_back(ns + L"." + full + L" " + kindLower);
        t.f1.push_back(ns + L"." + full);
        t.summary = L"The " + member + L" " + kindLower + L" of the " + type + L" type.";
        Emit(std::move(t));
    }

    const GenDescription& desc_;
    std::vector<Topic>& out_;
    Rng rng_;
    size_t start_ = 0;
    long long rows_ = 0;
    int bigDone_ = 0, typeNo_ = 0, memberNo_ = 0;
    std::wstring lastType_, lastTypeName_, lastNs_;
    std::unordered_set<std::wstring> nsNames_, memberIds_;
    std::unordered_set<unsigned long long> tops_, subs_;
};

}  // namespace

void GenerateTopics(const GenDescription& desc, std::vector<Topic>& out) {
    GenDescription s = desc;
    if (s.versions.empty()) s.versions = {L"100"};
    if (s.locales.empty()) s.locales = {L"en-US"};
    if (s.topics <= 0) return;
    out.reserve(out.size() + s.topics);
    Builder(s, out).Run();
}

}  // namespace standin
