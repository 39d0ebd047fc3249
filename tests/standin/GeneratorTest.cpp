#include "Store.h"

#include <gtest/gtest.h>

#include <set>

using namespace standin;

namespace {

std::vector<Topic> Generate(int topics, int keywords, unsigned seed) {
    GenDescription desc;
    desc.topics = topics;
    desc.keywords = keywords;
    desc.seed = seed;
    desc.bigNodes = 2;
    desc.bigFanout = 300;
    desc.locales = {L"en-US", L"de-DE"};
    std::vector<Topic> out;
    GenerateTopics(desc, out);
    return out;
}

std::wstring Fingerprint(const std::vector<Topic>& topics) {
    std::wstring f;
    for (auto& t : topics) {
        f += t.id + L"|" + t.title + L"|" + t.parent + L"|" + t.version + L"|" + t.locale + L"|";
        for (auto& k : t.keywords) f += k + L";";
        f += L"\n";
    }
    return f;
}

}  // namespace

TEST(StandinGenerator, SameSeedGivesTheSameStoreAndOtherSeedsDiffer) {
    auto a = Generate(3000, 18000, 7), b = Generate(3000, 18000, 7), c = Generate(3000, 18000, 8);
    EXPECT_EQ(Fingerprint(a), Fingerprint(b));
    EXPECT_NE(Fingerprint(a), Fingerprint(c));
}

TEST(StandinGenerator, MeetsTheRequestedSizesAndShape) {
    auto topics = Generate(5000, 30000, 3);
    ASSERT_EQ(topics.size(), 5000u);
    Store store;
    Catalog& cat = store.AddCatalog(L"VS", L"100", L"en-US", L"Generated", topics);
    EXPECT_NEAR((double)cat.keywordRows, 30000.0, 600.0);
    size_t biggest = 0;
    for (auto& kv : cat.children) biggest = std::max(biggest, kv.second.size());
    EXPECT_GE(biggest, 300u);
    // every topic hangs somewhere: a known parent, the root, or a parent instance of another version
    std::set<std::wstring> versions, locales;
    int classTitles = 0;
    for (auto& t : topics) {
        versions.insert(t.version);
        locales.insert(t.locale);
        if (t.title.find(L" Class (System.") != std::wstring::npos) ++classTitles;
        if (t.parent != L"-1") {
            EXPECT_TRUE(cat.byId.count(t.parentKey)) << t.parent;
        }
    }
    EXPECT_EQ(versions, (std::set<std::wstring>{L"100", L"95", L"90"}));
    EXPECT_EQ(locales.size(), 2u);
    EXPECT_GT(classTitles, 50);
    // generic types use the escaped index form so that the comma makes no sub-key
    bool escapedGeneric = false;
    for (auto& k : cat.keywords)
        if (k.text.find(L"%3C") != std::wstring::npos) escapedGeneric = true;
    EXPECT_TRUE(escapedGeneric);
    EXPECT_EQ(store.ChildrenOf(cat, -1).size(), 1u);  // the generated root
}
