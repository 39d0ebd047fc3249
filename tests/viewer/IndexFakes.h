// Test doubles of the keyword index: an agent that answers keyword pages from a generated
// catalog (or canned replies) and records every request.
#pragma once

#include "UAgentLink.h"
#include "UIndexLoader.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace indexfakes {

// Requests become "fake:" + name=value pairs joined by '&' (no escaping).
class FakeAgent : public TAgentLink {
public:
    std::wstring MakeAgentUrl(const std::vector<std::wstring>& Params) override {
        std::wstring url = L"fake:";
        for (size_t i = 0; i + 1 < Params.size(); i += 2)
            url += (i ? L"&" : L"") + Params[i] + L"=" + Params[i + 1];
        return url;
    }
    std::wstring HttpGet(const std::wstring& Url) override {
        Requests.push_back(Url);
        auto it = Replies.find(Url);
        if (it != Replies.end())
            return it->second;
        return Serve ? Serve(Url) : std::wstring();
    }
    std::wstring CatalogVersion() override { return L"100"; }
    std::wstring CatalogLocale() override { return L"en-US"; }

    std::map<std::wstring, std::wstring> Replies;
    std::function<std::wstring(const std::wstring& Url)> Serve;
    std::vector<std::wstring> Requests;
};

// The value of name=... in a fake URL ("" when absent).
inline std::wstring Param(const std::wstring& Url, const std::wstring& Name) {
    const std::wstring key = Name + L"=";
    size_t p = Url.find(L":") + 1;
    while (p < Url.size()) {
        size_t end = Url.find(L'&', p);
        if (end == std::wstring::npos) end = Url.size();
        if (Url.compare(p, key.size(), key) == 0) return Url.substr(p + key.size(), end - p - key.size());
        p = end + 1;
    }
    return L"";
}

// A keyword page of the newer agent's shape: keywords Keys[first .. first+n) of the catalog,
// each keyword with one sub-key when its number is a multiple of 3.
inline std::wstring KeywordPage(int Total, int First, int N) {
    std::wstring s = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<keywords totalkeywords=\"" +
                     std::to_wstring(Total) + L"\" returnedkeywords=\"" + std::to_wstring(N) + L"\">\r\n";
    for (int i = First; i < First + N; ++i) {
        const std::wstring v = L"key " + std::to_wstring(100000 + i);
        s += L"<keyword value=\"" + v + L"\">";
        if (i % 3 == 0) s += L"<subkey display=\"sub\" keyvalue=\"" + v + L",sub\" />";
        s += L"</keyword>\r\n";
    }
    return s + L"</keywords>\r\n";
}

// An agent serving a catalog of Total keywords in pages; FailPage (when not 0) answers
// nothing.
inline void ServeCatalog(FakeAgent& Agent, int Total, int FailPage = 0) {
    Agent.Serve = [&Agent, Total, FailPage](const std::wstring& Url) -> std::wstring {
        if (Param(Url, L"method") != L"keywords") return L"";
        const int size = std::stoi(Param(Url, L"pagesize"));
        const int page = std::stoi(Param(Url, L"pagenumber"));
        if (page == FailPage) return L"";
        const int first = std::min(Total, (page - 1) * size);
        return KeywordPage(Total, first, std::min(size, Total - first));
    };
}

// Hooks that record what the loader told the window; Cancel is answered from a function.
class RecordingHooks : public TIndexLoadHooks {
public:
    void CountChanged(int Count) override { Counts.push_back(Count); }
    void Started(int Total) override { StartedTotal = Total; }
    void Progress(const TIndexProgress& P) override { Pages.push_back(P.Page); }
    bool Cancelled() override { return CancelWhen && CancelWhen(); }
    bool Fetch(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply) override {
        if (GiveUpFetch && GiveUpFetch(Url)) return false;
        return TIndexLoadHooks::Fetch(Agent, Url, Reply);
    }
    std::vector<int> Counts;
    std::vector<int> Pages;
    int StartedTotal = -1;
    std::function<bool()> CancelWhen;
    std::function<bool(const std::wstring&)> GiveUpFetch;
};

} // namespace indexfakes
