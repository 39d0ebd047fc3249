// The keyword index's loads: the full index page by page from the agent (written to the
// cache file), the full index from the cache file, and the partial index of a typed text or
// first character. The loads fill a keyword list on the GUI thread; everything the window
// does meanwhile (count, progress, cancel window, how a page is fetched) goes through hooks.
//
// A load holds the list (`TKeywordList::Locked`) from start to end, so nothing done while it
// processes messages can empty the list under it; a load asked for while another runs does
// nothing (`TIndexLoadEnd::Busy`).
#pragma once

#include "UKeywordList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TAgentLink;
class TIndexCacheWriteBehind;
struct TIndexCacheReadAhead;

enum class TIndexLoadEnd {
    Complete,   // every page was read
    Empty,      // the first page gave no entry
    Cancelled,  // the user cancelled; the entries read so far stay, or the whole index
                // the list held before the load comes back (Restored)
    Failed,     // a page brought no keyword page (no answer, an error page, no `keywords`
                // element); what stays is as for Cancelled
    NoCache,    // cached load: no cache for this catalog
    CacheCut,   // cached load: the cache is not whole (cut); nothing was kept
    Stale,      // cached load: the cache is this catalog's, but its store has changed since
    Busy,       // another load holds the list; nothing was done
};

struct TIndexLoadReport {
    TIndexLoadEnd End = TIndexLoadEnd::Complete;
    int Parsed = 0;          // top-level keywords read
    int Count = 0;           // entries in the list at the end
    int Total = 0;           // "totalkeywords" of the first page
    int PageSize = 0;
    int Pages = 0;           // pages asked for
    int FailedPage = 0;      // the page that brought nothing readable (Failed)
    uint32_t ElapsedMs = 0;
    // The load was complete and the cache file is being replaced with its replies (done in
    // the background: TKeywordLoader::WaitForCache).
    bool CacheCommitted = false;
    // A full load cancelled or failed gave back the whole index the list held before it;
    // Parsed, Count and Total are that index's.
    bool Restored = false;
    // The status line of a load from the agent ("" for a cached load, or when nothing was
    // loaded); it is also logged.
    std::wstring StatusText;
};

struct TIndexProgress {
    int Page = 0;            // 0 while a cached read is under way
    int Added = 0;           // entries the page added
    int Parsed = 0;
    int Count = 0;
    int Total = 0;
};

// The window's side of a load. Every hook runs on the GUI thread.
class TIndexLoadHooks {
public:
    virtual ~TIndexLoadHooks() = default;
    // The list's count changed: at the start (0) and at the end; a partial load also after
    // each page.
    virtual void CountChanged(int Count) {}
    // A full load's first page (or the cache) was read: the number of top-level keywords.
    virtual void Started(int Total) {}
    // After each page but a short one that ends a full load, and every 50,000 tags of a
    // cached read.
    virtual void Progress(const TIndexProgress& Progress) {}
    // Polled before each further page and during a cached read; true cancels the load.
    virtual bool Cancelled() { return false; }
    // One agent request. The default asks Agent on this thread; TWorkerIndexHooks runs it on
    // a worker so that the cancel window stays live, and answers false when the user
    // cancelled meanwhile.
    virtual bool Fetch(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply);
    // Fetch that hands out the reply as it arrives: Reply grows on this thread, and Arrived
    // is called after it grew. At the end Reply is what Fetch gives; Streamed tells whether
    // it only grew (what Arrived saw is its start) or was replaced (what Arrived saw is to
    // be dropped). The default is Fetch, with nothing handed out before the end.
    virtual bool FetchArriving(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply,
                               const std::function<void()>& Arrived, bool& Streamed);
    // The loader will ask for Url next unless the load ends first (the page being read says
    // more pages follow): hooks that fetch on a worker may start it now. The default does
    // nothing.
    virtual void Prefetch(TAgentLink& Agent, const std::wstring& Url) {}
};

// Hooks that fetch every page on a worker, the next page while the one before is read, and
// poll Cancelled while they wait (a cancel ends the wait at once); a page's text is handed
// out as it arrives. The window derives its hooks from this class.
class TWorkerIndexHooks : public TIndexLoadHooks {
public:
    TWorkerIndexHooks();
    ~TWorkerIndexHooks() override;
    bool Fetch(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply) override;
    bool FetchArriving(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply,
                       const std::function<void()>& Arrived, bool& Streamed) override;
    void Prefetch(TAgentLink& Agent, const std::wstring& Url) override;
    // Milliseconds between polls while a page is on its way.
    unsigned PollMs = 50;

private:
    struct TPending;
    std::unique_ptr<TPending> FPending;
};

class TKeywordLoader {
public:
    // Neither is owned; both must outlive the loader.
    TKeywordLoader(TKeywordList& List, TAgentLink& Agent);
    // Waits for the cache file work of the last full load.
    ~TKeywordLoader();

    // The runtime's newer agent: sub-keys are joined to their keyword by the reader.
    bool NewAgent = false;
    bool Busy() const { return FBusy; }

    // The whole index, PageSize keywords a page, until a page adds nothing or returns a
    // number of keywords other than PageSize. With a CacheFile, the replies go to a
    // temporary file that replaces the cache (recording Catalog and its store's stamp
    // Source) only after a complete load.
    // When the list held a whole index, a cancel or a failure brings that index back.
    TIndexLoadReport LoadFull(int PageSize, const std::wstring& CacheFile, const std::wstring& Catalog,
                              TIndexLoadHooks& Hooks, const std::wstring& Source = std::wstring());
    // Lets the hooks ask for the first page of LoadFull(PageSize, ...) now, so that it is on
    // its way while the caller prepares the load; LoadFull takes it up.
    void PrefetchFull(int PageSize, TIndexLoadHooks& Hooks);
    // The whole index from the cache file, when it holds Catalog's index read from the
    // store that has the stamp Source now (or an index written before catalogs were
    // recorded) and each of its pages is whole. What PrefetchCached read of the same file,
    // catalog and stamp is taken, once its worker is done (Cancelled polled meanwhile).
    TIndexLoadReport LoadCached(const std::wstring& CacheFile, const std::wstring& Catalog, TIndexLoadHooks& Hooks,
                                const std::wstring& Source = std::wstring());
    // Starts reading and parsing the cache file on a worker, so that it goes on while the
    // caller does other work (the catalog's contents) before LoadCached. A full load drops it.
    void PrefetchCached(const std::wstring& CacheFile, const std::wstring& Catalog,
                        const std::wstring& Source = std::wstring());
    // The keywords of Query (already in the agent's form): one page, or in first-key mode
    // every page. Ends quietly when the first page adds nothing.
    TIndexLoadReport LoadPartial(const std::wstring& Query, int PageSize, bool FirstKeyMode, TIndexLoadHooks& Hooks);

    // The cache file is written while a full load goes on and replaced after it in the
    // background; this waits for that. True when the last full load replaced the cache.
    bool WaitForCache();

    // The request of page Page of Query.
    std::wstring PageUrl(const std::wstring& Query, int PageSize, int Page);

private:
    class THold;
    // Runs Body as a load: Busy while another load runs; otherwise the list is held and
    // emptied first (a whole index it holds is moved to Shown when given). Body gets the
    // report and the start time.
    TIndexLoadReport Run(TIndexLoadHooks& Hooks, const std::function<void(TIndexLoadReport&, uint32_t)>& Body,
                         TKeywordList* Shown = nullptr);
    TKeywordList& FList;
    TAgentLink& FAgent;
    bool FBusy = false;
    std::unique_ptr<TIndexCacheWriteBehind> FCache;
    std::shared_ptr<TIndexCacheReadAhead> FReadAhead;
};

// Elapsed time of a load: "999 msec", "1.234 sec" (thousands notation with '.'), and from
// 1,000 seconds on "1234.567 sec" (one decimal point).
std::wstring IndexElapsedText(uint32_t Ms);
// "Keywords: <parsed>\<count> total; Time: <elapsed>; PageSize: <page size>".
std::wstring IndexStatusText(int Parsed, int Count, uint32_t ElapsedMs, int PageSize);
// The cancel window's texts: "Items read: <parsed>" and "Loading <total> index items".
std::wstring IndexItemsReadText(int Parsed);
std::wstring IndexLoadingCaption(int Total);
// The message a full load ends with: the cancelled or failed text with what the list holds
// (numbers in thousands notation), the empty-query text, or '' when there is nothing to say.
std::wstring IndexLoadEndMessage(const TIndexLoadReport& Report);
