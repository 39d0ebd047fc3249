#include "UIndexLoader.h"

#include "Handles.h"
#include "SysUtils.h"
#include "Threads.h"
#include "UAgentLink.h"
#include "UAuxFile.h"
#include "UFetchWorker.h"
#include "UIndexCache.h"
#include "UKeywordIndex.h"
#include "UMessageTexts.h"

#include <exception>
#include <memory>

namespace {

std::wstring Cut(const std::wstring& Text, size_t Max) {
    return Text.size() > Max ? Text.substr(0, Max) + L"..." : Text;
}

void TracePage(int Page, const TKeywordPage& P, int Parsed, int Count, const std::wstring& Url,
               const std::wstring& Reply) {
    if (!H3TraceShowing())
        return;
    H3TraceLog(L"> Index result page " + IntToStr(Page) + L" items added: " + IntToStr(P.Added) + L" of " +
               IntToStr(Parsed) + L", Total: " + IntToStr(Count) + L", url: " + Url);
    H3TraceLog(L"  -> " + Cut(Reply, 200));
}

void TracePartial(const std::wstring& Url, const std::wstring& Reply) {
    if (!H3TraceShowing())
        return;
    H3TraceLog(L"------ Keyword API call:");
    H3TraceLog(Url);
    H3TraceLog(L"------ Returns:");
    H3TraceLog(Cut(Reply, 1000));
    H3TraceLog(L"------");
}

// Text emptied with room for Size characters, each written once so that the memory is at
// hand when the text comes (left as it is when there is no such room).
void PrepareRoom(std::wstring& Text, size_t Size) {
    Text.clear();
    if (Text.capacity() >= Size)
        return;
    try {
        Text.resize(Size);
    } catch (const std::exception&) {
    }
    Text.clear();
}

// The end of a load from the agent: the list cut to its count, the time and the status line.
void Finish(TKeywordList& List, TIndexLoadHooks& Hooks, TIndexLoadReport& R, uint32_t Start, bool Status) {
    List.CutToCount();
    R.Count = List.Count();
    Hooks.CountChanged(R.Count);
    R.ElapsedMs = GetTickCountMs() - Start;
    if (Status) {
        R.StatusText = IndexStatusText(R.Parsed, R.Count, R.ElapsedMs, R.PageSize);
        H3TraceLog(L"> " + R.StatusText, true);
    }
}

} // namespace

// The cache file of one catalog read and parsed on a worker into a list of its own, which
// the cached load takes over once Done is set. Shared by the worker and the loader; whoever
// lets go last frees it.
struct TIndexCacheReadAhead {
    std::wstring File, Catalog, Source;
    bool NewAgent = false;
    TKeywordList List;
    TKeywordPage Page;
    TIndexCacheRead Read = TIndexCacheRead::Missing;
    TKernelHandle Done;

    void Run() {
        try {
            List.SetCapacity(TKeywordList::LoadCapacity);
            TKeywordReader reader(List, NewAgent);
            Read = ReadIndexCachePieces(
                File, Catalog, [&](const std::wstring& Piece) { return reader.Read(Piece); }, 1u << 20, Source);
            Page = reader.Page();
        } catch (...) {
            Read = TIndexCacheRead::Missing;
            List.ClearForLoad();
        }
        SetEvent(Done.Get());
    }
    // Waits for the worker, polling Hooks; false when they cancel first.
    bool Wait(TIndexLoadHooks& Hooks) {
        const HANDLE done = Done.Get();
        for (;;) {
            if (MsgWaitForMultipleObjects(1, &done, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0)
                return true;
            // Messages sent by other threads are delivered here, whatever the hooks do.
            MSG msg;
            PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
            if (Hooks.Cancelled())
                return false;
        }
    }
};

namespace {

class TReadAheadThread : public TThread {
public:
    VORLANE_CLASS_NAME(TReadAheadThread)
    explicit TReadAheadThread(std::shared_ptr<TIndexCacheReadAhead> State) : FState(std::move(State)) {
        FreeOnTerminate = true;
    }

protected:
    void Execute() override { FState->Run(); }

private:
    std::shared_ptr<TIndexCacheReadAhead> FState;
};

} // namespace

bool TIndexLoadHooks::Fetch(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply) {
    Reply = Agent.HttpGet(Url);
    return true;
}

bool TIndexLoadHooks::FetchArriving(TAgentLink& Agent, const std::wstring& Url, std::wstring& Reply,
                                    const std::function<void()>&, bool& Streamed) {
    Streamed = false;
    return Fetch(Agent, Url, Reply);
}

struct TWorkerIndexHooks::TPending {
    TPending(const std::wstring& AUrl) : Url(AUrl), Job(UrlStreamRequest(AUrl)) {}
    std::wstring Url;
    TFetchJob Job;
};

TWorkerIndexHooks::TWorkerIndexHooks() = default;
TWorkerIndexHooks::~TWorkerIndexHooks() = default;

bool TWorkerIndexHooks::Fetch(TAgentLink&, const std::wstring& Url, std::wstring& Reply) {
    std::unique_ptr<TPending> job = std::move(FPending);
    if (!job || job->Url != Url)
        job = std::make_unique<TPending>(Url);
    return job->Job.Wait([this] { return Cancelled(); }, Reply, PollMs);
}

bool TWorkerIndexHooks::FetchArriving(TAgentLink&, const std::wstring& Url, std::wstring& Reply,
                                      const std::function<void()>& Arrived, bool& Streamed) {
    std::unique_ptr<TPending> job = std::move(FPending);
    if (!job || job->Url != Url)
        job = std::make_unique<TPending>(Url);
    return job->Job.WaitStreamed([this] { return Cancelled(); }, Reply, Arrived, Streamed, PollMs);
}

void TWorkerIndexHooks::Prefetch(TAgentLink&, const std::wstring& Url) { FPending = std::make_unique<TPending>(Url); }

// Holds the loader and its list for the time of one load.
class TKeywordLoader::THold {
public:
    explicit THold(TKeywordLoader& Loader) : FLoader(Loader) {
        FLoader.FBusy = true;
        FLoader.FList.Lock();
    }
    ~THold() {
        FLoader.FList.Unlock();
        FLoader.FBusy = false;
    }
    THold(const THold&) = delete;
    THold& operator=(const THold&) = delete;

private:
    TKeywordLoader& FLoader;
};

TIndexLoadReport TKeywordLoader::Run(TIndexLoadHooks& Hooks,
                                     const std::function<void(TIndexLoadReport&, uint32_t)>& Body,
                                     TKeywordList* Shown) {
    TIndexLoadReport r;
    if (FBusy) {
        r.End = TIndexLoadEnd::Busy;
        return r;
    }
    THold hold(*this);
    const uint32_t start = GetTickCountMs();
    if (Shown && FList.Whole())
        FList.SwapEntries(*Shown);
    else
        FList.ClearForLoad();
    Hooks.CountChanged(0);
    Body(r, start);
    return r;
}

TKeywordLoader::TKeywordLoader(TKeywordList& List, TAgentLink& Agent) : FList(List), FAgent(Agent) {}
TKeywordLoader::~TKeywordLoader() = default;

bool TKeywordLoader::WaitForCache() { return FCache && FCache->Wait(); }

std::wstring TKeywordLoader::PageUrl(const std::wstring& Query, int PageSize, int Page) {
    return FAgent.MakeAgentUrl({L"method", L"keywords", L"query", Query, L"format", L"xml", L"pagesize",
                                IntToStr(PageSize), L"pagenumber", IntToStr(Page)});
}

TIndexLoadReport TKeywordLoader::LoadFull(int PageSize, const std::wstring& CacheFile, const std::wstring& Catalog,
                                          TIndexLoadHooks& Hooks, const std::wstring& Source) {
    // The whole index the list held, back when this load does not end whole.
    TKeywordList shown;
    return Run(Hooks, [&](TIndexLoadReport& r, uint32_t start) {
        // The file read ahead is about to be replaced: its worker ends first (it holds the
        // file open) and what it read goes.
        if (FReadAhead)
            WaitForSingleObject(FReadAhead->Done.Get(), INFINITE);
        FReadAhead.reset();
        FCache.reset(); // the last load's cache work ends first
        if (!CacheFile.empty())
            FCache = std::make_unique<TIndexCacheWriteBehind>(CacheFile);
        FList.SetCapacity(TKeywordList::LoadCapacity);
        r.PageSize = PageSize;

        std::wstring reply;
        size_t lastSize = 0; // the text of the page before
        for (int page = 1;; ++page) {
            if (page > 1 && Hooks.Cancelled()) {
                r.End = TIndexLoadEnd::Cancelled;
                break;
            }
            // Room for the page's text, as large as the page before with half of it again,
            // is made ready while the agent builds the page: taken as the text arrives, the
            // fresh memory cost its reading on this thread 15-20 ms for a page of 15 MB.
            if (lastSize > 0)
                PrepareRoom(reply, lastSize + lastSize / 2);
            const std::wstring url = PageUrl(L"", PageSize, page);
            r.Pages = page;
            // The page is read as it arrives; the entries of a page that does not arrive
            // whole (or in another form than it was read in) go again.
            const int before = FList.Count();
            std::unique_ptr<TKeywordReader> reader = std::make_unique<TKeywordReader>(FList, NewAgent);
            int pos = 1;
            bool streamed = false;
            // The next page is asked for when this one adds entries and (after the first page)
            // is a full page, as soon as its head says so: it is on its way while this one
            // arrives and is read.
            bool asked = false;
            auto askNext = [&](const TKeywordPage& Head) {
                asked = true;
                if (Head.Returned > 0 && (page == 1 || Head.Returned == PageSize))
                    Hooks.Prefetch(FAgent, PageUrl(L"", PageSize, page + 1));
            };
            const bool fetched = Hooks.FetchArriving(
                FAgent, url, reply,
                [&] {
                    reader->ReadArriving(reply, pos, false);
                    if (!asked && reader->Page().HasKeywords)
                        askNext(reader->Page());
                },
                streamed);
            if (!fetched || !streamed) {
                FList.CutForLoad(before);
                reader = std::make_unique<TKeywordReader>(FList, NewAgent);
                pos = 1;
            }
            if (!fetched) {
                r.End = TIndexLoadEnd::Cancelled;
                break;
            }
            reader->ReadArriving(reply, pos, true);
            const TKeywordPage p = reader->Page();
            if (!KeywordPageWhole(p)) {
                // No keyword page, or one cut on its way: the load fails as for a page that
                // never came, and the page adds nothing.
                FList.CutForLoad(before);
                r.End = TIndexLoadEnd::Failed;
                r.FailedPage = page;
                break;
            }
            r.Parsed += p.Keywords;
            if (!asked)
                askNext(p);
            lastSize = reply.size();
            const auto shared = std::make_shared<const std::wstring>(std::move(reply));
            if (FCache)
                FCache->Append(shared);
            TracePage(page, p, r.Parsed, FList.Count(), url, *shared);
            if (p.Added == 0) {
                r.End = page == 1 ? TIndexLoadEnd::Empty : TIndexLoadEnd::Complete;
                break;
            }
            // The list's count is set once, at the end: each setting of a large count costs
            // the owner-data list a while.
            if (page == 1) {
                r.Total = p.Total;
                FList.SetCapacity(FList.Count() + TKeywordList::FirstPageReserve);
                Hooks.Started(r.Total);
            }
            // A short page ends the load: the progress shown goes with the cancel window at
            // once, so it is not drawn for it (drawing it cost the end of a load 10-25 ms).
            if (page > 1 && p.Returned >= 0 && p.Returned != PageSize) {
                r.End = TIndexLoadEnd::Complete;
                break;
            }
            Hooks.Progress(TIndexProgress{page, p.Added, r.Parsed, FList.Count(), r.Total});
        }
        if (FCache) {
            if (r.End == TIndexLoadEnd::Complete) {
                FCache->Commit(Catalog, Source);
                r.CacheCommitted = true;
            } else {
                FCache.reset(); // the old cache stays
            }
        }
        if (r.End == TIndexLoadEnd::Complete) {
            FList.SetWhole(r.Parsed, r.Total);
        } else if ((r.End == TIndexLoadEnd::Cancelled || r.End == TIndexLoadEnd::Failed) && shown.Whole()) {
            FList.SwapEntries(shown);
            r.Parsed = FList.WholeParsed();
            r.Total = FList.WholeTotal();
            r.Restored = true;
        }
        Finish(FList, Hooks, r, start, r.End != TIndexLoadEnd::Empty);
    }, &shown);
}

void TKeywordLoader::PrefetchFull(int PageSize, TIndexLoadHooks& Hooks) {
    Hooks.Prefetch(FAgent, PageUrl(L"", PageSize, 1));
}

TIndexLoadReport TKeywordLoader::LoadCached(const std::wstring& CacheFile, const std::wstring& Catalog,
                                            TIndexLoadHooks& Hooks, const std::wstring& Source) {
    return Run(Hooks, [&](TIndexLoadReport& r, uint32_t start) {
        WaitForCache(); // a cache still being written is read once it is in place
        if (CacheFile.empty()) {
            r.End = TIndexLoadEnd::NoCache;
            return;
        }
        r.Pages = 1;
        TKeywordPage p;
        std::shared_ptr<TIndexCacheReadAhead> ahead = std::move(FReadAhead);
        if (ahead && (ahead->File != CacheFile || ahead->Catalog != Catalog || ahead->Source != Source ||
                      ahead->NewAgent != NewAgent))
            ahead.reset();
        const auto unread = [&](TIndexCacheRead Read) {
            FList.ClearForLoad();
            r.End = Read == TIndexCacheRead::Stale ? TIndexLoadEnd::Stale : TIndexLoadEnd::NoCache;
        };
        if (ahead) {
            if (!ahead->Wait(Hooks)) {
                r.End = TIndexLoadEnd::Cancelled;
                Finish(FList, Hooks, r, start, false);
                return;
            }
            if (ahead->Read != TIndexCacheRead::Read) {
                unread(ahead->Read);
                return;
            }
            FList.TakeForLoad(ahead->List);
            p = ahead->Page;
        } else {
            FList.SetCapacity(TKeywordList::LoadCapacity);
            TKeywordReader reader(FList, NewAgent, [&](int Parsed) {
                if (Hooks.Cancelled())
                    return true;
                Hooks.Progress(TIndexProgress{0, 0, Parsed, FList.Count(), 0});
                return false;
            });
            // Read in pieces: the whole file is never held beside the index it becomes.
            const TIndexCacheRead read = ReadIndexCachePieces(
                CacheFile, Catalog, [&](const std::wstring& Piece) { return reader.Read(Piece); }, 1u << 20, Source);
            if (read != TIndexCacheRead::Read) {
                unread(read);
                return;
            }
            p = reader.Page();
        }
        if (!p.Cancelled && !KeywordCacheWhole(p)) {
            // A cut cache would pass for the whole index.
            FList.ClearForLoad();
            r.End = TIndexLoadEnd::CacheCut;
            return;
        }
        r.Parsed = p.Keywords;
        r.Total = p.Total;
        if (p.Cancelled) {
            r.End = TIndexLoadEnd::Cancelled;
        } else if (p.Added == 0) {
            r.End = TIndexLoadEnd::Empty;
        } else {
            FList.SetWhole(r.Parsed, r.Total);
            Hooks.Started(r.Total);
        }
        Finish(FList, Hooks, r, start, false);
    });
}

void TKeywordLoader::PrefetchCached(const std::wstring& CacheFile, const std::wstring& Catalog,
                                    const std::wstring& Source) {
    FReadAhead.reset();
    if (CacheFile.empty() || FBusy)
        return;
    WaitForCache(); // a cache still being written is read once it is in place
    auto state = std::make_shared<TIndexCacheReadAhead>();
    state->File = CacheFile;
    state->Catalog = Catalog;
    state->Source = Source;
    state->NewAgent = NewAgent;
    state->Done.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!state->Done)
        return;
    try {
        (new TReadAheadThread(state))->Start(); // frees itself when it ends
        FReadAhead = std::move(state);
    } catch (...) {
        // no worker: the cached load reads the file itself
    }
}

TIndexLoadReport TKeywordLoader::LoadPartial(const std::wstring& Query, int PageSize, bool FirstKeyMode,
                                             TIndexLoadHooks& Hooks) {
    return Run(Hooks, [&](TIndexLoadReport& r, uint32_t start) {
        FList.SetCapacity(TKeywordList::LoadCapacity);
        r.PageSize = PageSize;

        std::wstring reply;
        TKeywordPage last;
        for (int page = 1;; ++page) {
            if (page > 1) {
                if (last.Returned >= 0 && last.Returned != PageSize)
                    break;
                if (!FirstKeyMode)
                    break;
                if (Hooks.Cancelled()) {
                    r.End = TIndexLoadEnd::Cancelled;
                    break;
                }
            }
            const std::wstring url = PageUrl(Query, PageSize, page);
            r.Pages = page;
            if (!Hooks.Fetch(FAgent, url, reply)) {
                r.End = TIndexLoadEnd::Cancelled;
                break;
            }
            if (FirstKeyMode && KeywordPageHeader(reply).Returned == PageSize && PageSize > 0)
                Hooks.Prefetch(FAgent, PageUrl(Query, PageSize, page + 1));
            last = ParseKeywordReply(reply, FList, NewAgent, r.Parsed);
            TracePartial(url, reply);
            if (!KeywordPageWhole(last)) {
                r.End = TIndexLoadEnd::Failed;
                r.FailedPage = page;
                break;
            }
            if (last.Added == 0) {
                if (page == 1)
                    r.End = TIndexLoadEnd::Empty;
                break;
            }
            if (page == 1) {
                r.Total = last.Total;
                FList.SetCapacity(FList.Count() + TKeywordList::FirstPageReserve);
            }
            Hooks.CountChanged(FList.Count());
            Hooks.Progress(TIndexProgress{page, last.Added, r.Parsed, FList.Count(), r.Total});
        }
        // A first page that adds nothing ends the load quietly.
        Finish(FList, Hooks, r, start, FList.Count() > 0);
    });
}

std::wstring IndexElapsedText(uint32_t Ms) {
    if (Ms >= 1000000u) {
        std::wstring frac = IntToStr(Ms % 1000u);
        frac.insert(0, 3 - frac.size(), L'0');
        return IntToStr(Ms / 1000u) + L"." + frac + L" sec";
    }
    const std::wstring text = FormatThousandsSep(L'.', Ms);
    return text + (text.size() <= 3 ? L" msec" : L" sec");
}

std::wstring IndexStatusText(int Parsed, int Count, uint32_t ElapsedMs, int PageSize) {
    return L"Keywords: " + FormatThousands(Parsed) + L"\\" + FormatThousands(Count) + L" total; Time: " +
           IndexElapsedText(ElapsedMs) + L"; PageSize: " + FormatThousands(PageSize);
}

std::wstring IndexItemsReadText(int Parsed) { return MsgTxt_ItemsRead + L" " + FormatThousands(Parsed); }

std::wstring IndexLoadingCaption(int Total) {
    return FormatMsgText(MsgTxt_LoadingXIndexItems, {FormatThousands(Total)});
}

std::wstring IndexLoadEndMessage(const TIndexLoadReport& Report) {
    switch (Report.End) {
    case TIndexLoadEnd::Empty:
        return MsgTxt_KeywordQueryEmpty;
    case TIndexLoadEnd::Cancelled:
    case TIndexLoadEnd::Failed:
        return FormatMsgText(Report.End == TIndexLoadEnd::Cancelled ? MsgTxt_IndexLoadAborted : MsgTxt_IndexLoadFailed,
                             {FormatThousands(Report.Parsed), FormatThousands(Report.Count),
                              FormatThousands(Report.Total)});
    default:
        return std::wstring();
    }
}
