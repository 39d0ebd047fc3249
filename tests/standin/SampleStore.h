// The sample store installed once per test program and loaded in memory.
#pragma once

#include "AgentReplies.h"
#include "StandinSupport.h"
#include "Store.h"

#include <gtest/gtest.h>

#include <string>

namespace standin_test {

struct SampleStore {
    Installation inst;
    standin::Store store;
    bool loaded = false;

    static SampleStore& Get() {
        static SampleStore s;
        if (!s.inst.ok && s.inst.root.empty()) {
            s.inst = InstallStandin(L"sample");
            std::wstring error;
            s.loaded = s.inst.ok && s.store.Load(s.inst.localStore, error);
        }
        return s;
    }

    // The body of the reply to a query of the en-US catalog (or the query as given when it names a product).
    std::string Ask(const std::string& query, const standin::AgentOptions& options = {}, int* status = nullptr) {
        std::string q = query.find("product=") == std::string::npos
                            ? "product=VS&productVersion=100&locale=en-US&" + query
                            : query;
        standin::Reply r = standin::HandleHelpQuery(store, options, q);
        if (status) *status = r.status;
        return r.body;
    }
};

inline size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t p = 0; (p = text.find(what, p)) != std::string::npos; p += what.size()) ++n;
    return n;
}

// The values of an attribute (or element text when attr is empty) of every tag `tag`, in order.
inline std::vector<std::string> Values(const std::string& xml, const std::string& tag, const std::string& attr) {
    std::vector<std::string> out;
    std::string open = "<" + tag + (attr.empty() ? ">" : " ");
    for (size_t p = 0; (p = xml.find(open, p)) != std::string::npos; p += open.size()) {
        if (attr.empty()) {
            size_t e = xml.find('<', p + open.size());
            out.push_back(xml.substr(p + open.size(), e - p - open.size()));
        } else {
            size_t end = xml.find('>', p);
            size_t a = xml.find(" " + attr + "=\"", p);
            if (a == std::string::npos || a > end) continue;
            a += attr.size() + 3;
            out.push_back(xml.substr(a, xml.find('"', a) - a));
        }
    }
    return out;
}

}  // namespace standin_test
