// The index loads against a fake agent: paging, the cache file and its catalog record,
// failed pages, cancels, loads asked for during a load, and the status texts.
#include "UIndexLoader.h"

#include "IndexFakes.h"
#include "TestHarness.h"
#include "UIndexCache.h"
#include "UKeywordIndex.h"
#include "UMessageTexts.h"

#include <gtest/gtest.h>

using namespace indexfakes;
using testing_support::FileExistsW;
using testing_support::ReadBytes;
using testing_support::TempDir;

namespace {

std::string Bytes(const std::wstring& Text) {
    return std::string(reinterpret_cast<const char*>(Text.data()), Text.size() * sizeof(wchar_t));
}

class IndexLoaderTest : public ::testing::Test {
protected:
    std::wstring Page(int N) const {
        return L"fake:method=keywords&query=&format=xml&pagesize=10&pagenumber=" + std::to_wstring(N);
    }
    // Full load of the fake catalog of Total keywords, 10 a page.
    TIndexLoadReport Full(int Total, int FailPage = 0) {
        ServeCatalog(agent, Total, FailPage);
        TIndexLoadReport r = loader.LoadFull(10, cache, L"VS\\100\\en-US", hooks);
        replaced = loader.WaitForCache();
        return r;
    }

    TempDir dir;
    std::wstring cache = IndexCacheFileIn(dir.Path() + L"\\Quorvex\\Vorlane");
    FakeAgent agent;
    TKeywordList list;
    TKeywordLoader loader{list, agent};
    RecordingHooks hooks;
    bool replaced = false;
};

} // namespace

TEST_F(IndexLoaderTest, FullLoadPagesUntilAShortPageAndWritesTheCache) {
    loader.NewAgent = true;
    TIndexLoadReport r = Full(25);
    EXPECT_EQ(r.End, TIndexLoadEnd::Complete);
    EXPECT_EQ(agent.Requests, (std::vector<std::wstring>{Page(1), Page(2), Page(3)}));
    EXPECT_EQ(r.Parsed, 25);
    EXPECT_EQ(r.Count, 25 + 9);  // keywords 0, 3, ... 24 carry a sub-key
    EXPECT_EQ(list.Count(), r.Count);
    EXPECT_EQ(list.Capacity(), list.Count());
    EXPECT_EQ(hooks.StartedTotal, 25);
    // The list's count is set at the start and once at the end, not after each page.
    EXPECT_EQ(hooks.Counts, (std::vector<int>{0, r.Count}));
    EXPECT_TRUE(r.CacheCommitted);
    EXPECT_TRUE(replaced);
    // The cache is the replies' code units one after another.
    EXPECT_EQ(ReadBytes(cache), Bytes(KeywordPage(25, 0, 10) + KeywordPage(25, 10, 10) + KeywordPage(25, 20, 5)));
    EXPECT_FALSE(FileExistsW(IndexCacheTempFile(cache)));
    TIndexCacheRecord rec = ReadIndexCacheRecord(cache);
    EXPECT_EQ(rec.Catalog, L"VS\\100\\en-US");
    EXPECT_EQ(rec.Size, static_cast<int64_t>(ReadBytes(cache).size()));
    EXPECT_NE(r.StatusText.find(L"Keywords: 25\\34 total; Time: "), std::wstring::npos);
    EXPECT_NE(r.StatusText.find(L"; PageSize: 10"), std::wstring::npos);

    // The first page is not tested for its size; a last page of exactly a page size asks
    // for one more, which adds nothing.
    agent.Requests.clear();
    r = Full(20);
    EXPECT_EQ(agent.Requests, (std::vector<std::wstring>{Page(1), Page(2), Page(3)}));
    EXPECT_EQ(r.Parsed, 20);
    agent.Requests.clear();
    r = Full(4);
    EXPECT_EQ(agent.Requests, (std::vector<std::wstring>{Page(1), Page(2)}));
    // That empty page may also close itself: it ends the load as well, and the cache is written.
    for (const wchar_t* empty : {L"<keywords totalkeywords=\"20\" returnedkeywords=\"0\"/>",
                                 L"<?xml version=\"1.0\"?>\r\n<keywords returnedkeywords=\"0\" totalkeywords=\"20\" />"}) {
        agent.Replies[Page(3)] = empty;
        r = Full(20);
        EXPECT_EQ(r.End, TIndexLoadEnd::Complete) << empty;
        EXPECT_EQ(r.Count, 20 + 7);
        EXPECT_TRUE(replaced);
    }
}

TEST_F(IndexLoaderTest, FailedOrCancelledLoadsKeepTheEntriesAndTheOldCache) {
    ASSERT_EQ(Full(25).End, TIndexLoadEnd::Complete);
    const std::string old = ReadBytes(cache);
    const int wholeCount = list.Count();

    // A reload that fails or is cancelled (here before its first page) gives back the whole
    // index shown before it, and the message tells that index's numbers.
    TIndexLoadReport r = Full(45, 3);
    EXPECT_EQ(r.End, TIndexLoadEnd::Failed);
    EXPECT_TRUE(r.Restored);
    EXPECT_EQ(list.Count(), wholeCount);
    EXPECT_EQ(r.Count, wholeCount);
    EXPECT_EQ(IndexLoadEndMessage(r), L"The help agent did not return a page of the index. Loaded 25\\34 of 25 level 1 "
                                      L"index items.");
    hooks.GiveUpFetch = [this](const std::wstring& Url) { return Url == Page(1); };
    r = Full(45);
    EXPECT_EQ(r.End, TIndexLoadEnd::Cancelled);
    EXPECT_EQ(list.Count(), wholeCount);
    EXPECT_EQ(IndexLoadEndMessage(r), L"User Cancelled. Loaded 25\\34 of 25 level 1 index items.");
    hooks.GiveUpFetch = nullptr;
    EXPECT_EQ(ReadBytes(cache), old);
    r.Parsed = 123456;
    EXPECT_EQ(IndexLoadEndMessage(r), L"User Cancelled. Loaded 123,456\\34 of 25 level 1 index items.");

    // Without a whole index shown, the entries read so far stay.
    list.Clear();
    r = Full(45, 3);
    EXPECT_EQ(r.End, TIndexLoadEnd::Failed);
    EXPECT_EQ(r.FailedPage, 3);
    EXPECT_EQ(r.Parsed, 20);
    EXPECT_EQ(list.Count(), r.Count);
    EXPECT_FALSE(r.CacheCommitted);
    EXPECT_FALSE(replaced);
    EXPECT_EQ(ReadBytes(cache), old);
    EXPECT_FALSE(FileExistsW(IndexCacheTempFile(cache)));
    EXPECT_EQ(IndexLoadEndMessage(r), L"The help agent did not return a page of the index. Loaded 20\\27 of 45 level 1 "
                                      L"index items.");

    // An error page is no keyword page either.
    agent.Replies[Page(2)] = L"<html><head><title>Error</title></head></html>";
    EXPECT_EQ(Full(45).FailedPage, 2);
    // A page cut on its way (in a tag, or between keywords) fails the load the same way.
    // So does a closed page with fewer keywords than it says.
    const std::wstring whole = KeywordPage(45, 10, 10);
    const size_t last = whole.rfind(L"<keyword ");
    for (const std::wstring& cut : {whole.substr(0, whole.size() / 2), whole.substr(0, last),
                                    whole.substr(0, whole.rfind(L"</keywords>")),
                                    whole.substr(0, last) + whole.substr(whole.find(L"\r\n", last) + 2)}) {
        agent.Replies[Page(2)] = cut;
        r = Full(45);
        EXPECT_EQ(r.End, TIndexLoadEnd::Failed);
        EXPECT_EQ(r.FailedPage, 2);
        EXPECT_EQ(r.Parsed, 10); // the cut page adds nothing
        EXPECT_EQ(ReadBytes(cache), old);
    }
    agent.Replies.clear();

    // Cancelled between pages, and while a page is fetched.
    hooks.CancelWhen = [this] { return list.Count() >= 20; };
    r = Full(45);
    EXPECT_EQ(r.End, TIndexLoadEnd::Cancelled);
    EXPECT_EQ(r.Parsed, 20);
    EXPECT_EQ(IndexLoadEndMessage(r), L"User Cancelled. Loaded 20\\27 of 45 level 1 index items.");
    hooks.CancelWhen = nullptr;
    hooks.GiveUpFetch = [this](const std::wstring& Url) { return Url == Page(4); };
    r = Full(45);
    EXPECT_EQ(r.End, TIndexLoadEnd::Cancelled);
    EXPECT_EQ(r.Parsed, 30);
    EXPECT_EQ(ReadBytes(cache), old);

    // An empty catalog says so and leaves the cache.
    hooks.GiveUpFetch = nullptr;
    r = Full(0);
    EXPECT_EQ(r.End, TIndexLoadEnd::Empty);
    EXPECT_EQ(IndexLoadEndMessage(r), MsgTxt_KeywordQueryEmpty);
    EXPECT_EQ(ReadBytes(cache), old);
}

TEST_F(IndexLoaderTest, CachedLoadIsForItsCatalogOnly) {
    // The cache is written behind the load; a cached load right after it reads it whole.
    ServeCatalog(agent, 25);
    ASSERT_EQ(loader.LoadFull(10, cache, L"VS\\100\\en-US", hooks).End, TIndexLoadEnd::Complete);
    agent.Requests.clear();
    TIndexLoadReport r = loader.LoadCached(cache, L"vs\\100\\EN-US", hooks);
    EXPECT_EQ(r.End, TIndexLoadEnd::Complete);
    EXPECT_EQ(r.Count, 25 + 9);
    EXPECT_EQ(r.Total, 25);
    EXPECT_TRUE(r.StatusText.empty());
    EXPECT_TRUE(agent.Requests.empty());

    // Read ahead on a worker: the same index. A full load in between replaces the file and
    // drops what was read ahead; a read ahead for another catalog is not taken.
    loader.PrefetchCached(cache, L"vs\\100\\EN-US");
    EXPECT_EQ(loader.LoadCached(cache, L"vs\\100\\EN-US", hooks).Count, 25 + 9);
    loader.PrefetchCached(cache, L"VS\\100\\en-US");
    ServeCatalog(agent, 12);
    ASSERT_EQ(loader.LoadFull(10, cache, L"VS\\100\\en-US", hooks).End, TIndexLoadEnd::Complete);
    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\en-US", hooks).Count, 12 + 4);
    loader.PrefetchCached(cache, L"VS\\100\\de-DE");
    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\en-US", hooks).Count, 12 + 4);
    ServeCatalog(agent, 25);
    ASSERT_EQ(loader.LoadFull(10, cache, L"VS\\100\\en-US", hooks).End, TIndexLoadEnd::Complete);

    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\de-DE", hooks).End, TIndexLoadEnd::NoCache);
    EXPECT_EQ(list.Count(), 0);

    // The cache is tied to the stamp of the store it was read from: after the store changed
    // it is stale, its content as the replies gave it.
    ASSERT_EQ(loader.LoadFull(10, cache, L"VS\\100\\en-US", hooks, L"store-1").End, TIndexLoadEnd::Complete);
    ASSERT_TRUE(loader.WaitForCache());
    EXPECT_EQ(ReadBytes(cache), Bytes(KeywordPage(25, 0, 10) + KeywordPage(25, 10, 10) + KeywordPage(25, 20, 5)));
    EXPECT_EQ(ReadIndexCacheRecord(cache).Source, L"store-1");
    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\en-US", hooks, L"store-1").End, TIndexLoadEnd::Complete);
    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\en-US", hooks, L"store-2").End, TIndexLoadEnd::Stale);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\de-DE", hooks, L"store-1").End, TIndexLoadEnd::NoCache);
    ASSERT_EQ(loader.LoadFull(10, cache, L"VS\\100\\en-US", hooks).End, TIndexLoadEnd::Complete);
    ASSERT_TRUE(loader.WaitForCache());

    // A cache written before records existed is read for any catalog; a record that does
    // not describe the file keeps it from being read.
    const std::wstring record = IndexCacheRecordFile(cache);
    const std::string recordBytes = ReadBytes(record);
    DeleteFileW(record.c_str());
    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\de-DE", hooks).End, TIndexLoadEnd::Complete);
    testing_support::WriteBytes(cache, ReadBytes(cache) + "xx");
    testing_support::WriteBytes(record, recordBytes);
    EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\en-US", hooks).End, TIndexLoadEnd::NoCache);
    EXPECT_EQ(loader.LoadCached(dir.File(L"none.txt"), L"VS\\100\\en-US", hooks).End, TIndexLoadEnd::NoCache);

    // A cut cache whose record matches it is not taken for the index: each page must be whole,
    // and the last one must end the load (not be cut off after a full page).
    const std::wstring pages = KeywordPage(25, 0, 10) + KeywordPage(25, 10, 10) + KeywordPage(25, 20, 5);
    const size_t second = pages.find(L"<keyword ", pages.find(L"</keywords>"));
    for (const std::wstring& cut : {pages.substr(0, pages.size() / 2), pages.substr(0, pages.rfind(L"</keywords>")),
                                    pages.substr(0, second) + pages.substr(pages.find(L"\r\n", second) + 2),
                                    pages.substr(0, pages.find(L"<?xml", 1) + 4), KeywordPage(25, 0, 10),
                                    KeywordPage(25, 0, 10) + KeywordPage(25, 10, 10)}) {
        testing_support::WriteBytes(cache, Bytes(cut));
        testing_support::WriteBytes(record, "Catalog=VS\\100\\en-US\r\nSize=" + std::to_string(cut.size() * 2) + "\r\n");
        EXPECT_EQ(loader.LoadCached(cache, L"VS\\100\\en-US", hooks).End, TIndexLoadEnd::CacheCut);
        EXPECT_EQ(list.Count(), 0);
    }

    // A cancel during the read keeps what was read.
    testing_support::WriteBytes(cache, ReadBytes(cache).substr(0, ReadBytes(cache).size() - 2));
    DeleteFileW(record.c_str());
    hooks.CancelWhen = [] { return true; };
    EXPECT_EQ(loader.LoadCached(cache, L"", hooks).End, TIndexLoadEnd::Cancelled);
}

TEST_F(IndexLoaderTest, CacheReadInPiecesGivesTheSameIndex) {
    loader.NewAgent = true;
    ASSERT_EQ(Full(25).End, TIndexLoadEnd::Complete);
    TKeywordList whole;
    int parsed = 0;
    ParseKeywordReply(KeywordPage(25, 0, 10) + KeywordPage(25, 10, 10) + KeywordPage(25, 20, 5), whole, true, parsed);
    for (size_t units : {16u, 61u, 1000u}) {
        TKeywordList pieces;
        TKeywordReader reader(pieces, true);
        int calls = 0;
        ASSERT_EQ(ReadIndexCachePieces(cache, L"VS\\100\\en-US",
                                       [&](const std::wstring& Piece) {
                                           ++calls;
                                           return reader.Read(Piece);
                                       },
                                       units),
                  TIndexCacheRead::Read);
        EXPECT_GT(calls, 1);
        ASSERT_EQ(pieces.Count(), whole.Count());
        for (int i = 0; i < whole.Count(); ++i) {
            EXPECT_EQ(pieces.Value(i), whole.Value(i));
            EXPECT_EQ(pieces.Display(i), whole.Display(i));
        }
        EXPECT_EQ(reader.Page().Total, 25);
        EXPECT_EQ(reader.Page().Keywords, 25);
    }
}

TEST_F(IndexLoaderTest, PartialLoadsAndLoadsAskedForDuringALoad) {
    ServeCatalog(agent, 25);
    // Whole-text mode: one page only.
    TIndexLoadReport r = loader.LoadPartial(L"ke", 10, false, hooks);
    EXPECT_EQ(r.End, TIndexLoadEnd::Complete);
    EXPECT_EQ(agent.Requests,
              std::vector<std::wstring>{L"fake:method=keywords&query=ke&format=xml&pagesize=10&pagenumber=1"});
    EXPECT_EQ(r.Parsed, 10);
    EXPECT_FALSE(r.StatusText.empty());
    // First-key mode: every page up to a short one.
    agent.Requests.clear();
    r = loader.LoadPartial(L"k", 10, true, hooks);
    EXPECT_EQ(agent.Requests.size(), 3u);
    EXPECT_EQ(r.Parsed, 25);
    // An empty first page ends quietly.
    ServeCatalog(agent, 0);
    r = loader.LoadPartial(L"q", 10, true, hooks);
    EXPECT_EQ(r.End, TIndexLoadEnd::Empty);
    EXPECT_TRUE(r.StatusText.empty());

    // While a load runs (here: while the window handles the count), neither another load
    // nor a reset touches the list.
    ServeCatalog(agent, 25);
    struct ReentrantHooks : RecordingHooks {
        TKeywordLoader* Loader = nullptr;
        TKeywordList* List = nullptr;
        std::vector<TIndexLoadEnd> Nested;
        void CountChanged(int Count) override {
            if (Count == 0) return;
            Nested.push_back(Loader->LoadPartial(L"x", 10, false, *this).End);
            Nested.push_back(Loader->LoadCached(L"c:\\none", L"", *this).End);
            EXPECT_FALSE(List->Clear());
        }
    } reentrant;
    reentrant.Loader = &loader;
    reentrant.List = &list;
    r = loader.LoadFull(10, L"", L"", reentrant);
    EXPECT_EQ(r.Parsed, 25);
    EXPECT_EQ(list.Count(), 34);
    ASSERT_FALSE(reentrant.Nested.empty());
    for (TIndexLoadEnd e : reentrant.Nested) EXPECT_EQ(e, TIndexLoadEnd::Busy);
    EXPECT_FALSE(loader.Busy());
    EXPECT_TRUE(list.Clear());
}

TEST(IndexTexts, ElapsedTimeAndStatusLine) {
    EXPECT_EQ(IndexElapsedText(0), L"0 msec");
    EXPECT_EQ(IndexElapsedText(999), L"999 msec");
    EXPECT_EQ(IndexElapsedText(1234), L"1.234 sec");
    EXPECT_EQ(IndexElapsedText(999999), L"999.999 sec");
    EXPECT_EQ(IndexElapsedText(1000000), L"1000.000 sec");
    EXPECT_EQ(IndexElapsedText(1234567), L"1234.567 sec");
    EXPECT_EQ(IndexStatusText(0, 0, 5, 50000).find(L"Keywords: 0\\0 total; Time: 5 msec; PageSize: 50"), 0u);
    EXPECT_EQ(FormatMsgText(L"%1 of %2, %3 %4 %%1", {L"%2", L"b", L"c"}), L"%2 of b, c %4 %%2");
    EXPECT_EQ(IndexItemsReadText(12), L"Items read: 12");
}
