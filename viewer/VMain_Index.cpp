// The keyword index of the navigation pane: the full index page by page from the agent (kept
// in the cache file) or from that file, the partial index loaded as the user types, the
// owner-data list, typing with its best match, opening a row, the cancel window, the progress
// bar with the taskbar's progress, and the status line of a load.
//
// A load holds the keyword list while it runs, and it processes messages meanwhile (the
// cancel window, pages fetched on a worker). What would empty the list under it then (another
// catalog, another index mode, another load) is queued instead: the running load is
// cancelled, and the queued work runs once it has ended. Typing meanwhile is taken up after it.
#include "VMain.h"

#include "AdvSpinEdit.h"
#include "FCancel.h"
#include "FDebug.h"
#include "TntComCtrls.h"
#include "TntDialogs.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAgentLink.h"
#include "UBrowsers.h"
#include "UDebugLog.h"
#include "UH3_Code.h"
#include "UIndexLoader.h"
#include "UIndexSource.h"
#include "UKeywordIndex.h"
#include "UKeywordTopics.h"
#include "UMessageTexts.h"
#include "UShotTimer.h"
#include "UWindows7.h"

#include <shobjidl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

namespace {

// The status line of a load stays this long unless replaced.
constexpr unsigned IndexStatusMs = 20000;
// Page sizes when the debug window is not there.
constexpr int DefaultPageSize = 50000;
constexpr int DefaultSmallPageSize = 2000;

// A flag set for the time of a scope.
struct TFlagOn {
    explicit TFlagOn(bool& AFlag) : Flag(AFlag) { Flag = true; }
    ~TFlagOn() { Flag = false; }
    TFlagOn(const TFlagOn&) = delete;
    TFlagOn& operator=(const TFlagOn&) = delete;
    bool& Flag;
};

int SpinValue(TAdvSpinEdit* Spin, int Default) {
    const int value = Spin ? Spin->Value() : Default;
    return value > 0 ? value : Default;
}

// The taskbar button's progress; the taskbar's failures cost nothing but the display.
void TaskbarProgress(int State, uint64_t Completed = 0, uint64_t Total = 0) {
    if (!g_Windows7)
        return;
    try {
        g_Windows7->SetProgressState(State);
        if (State == TBPF_NORMAL)
            g_Windows7->SetProgressValue(Completed, Total);
    } catch (const Exception& e) {
        DebugLog(L"Taskbar progress: " + e.Message());
    }
}

} // namespace

std::wstring IndexHelpUrl = L"https://www.quorvex.com/vorlane/help/index/";

// What the index keeps beside the list: its loader, timers, guards and queued work.
struct TVMainForm::TIndexWork {
    explicit TIndexWork(TVMainForm& AForm) : Form(AForm), Loader(*AForm.Keywords, ProgramAgentLink()) {
        // The newer agent's sub-keys are joined to their keyword by the reader.
        Loader.NewAgent = CurrentH3Paths().HasNewAgent;
    }
    ~TIndexWork() {
        KillShotTimer(StatusTimer);
        KillShotTimer(DelayTimer);
    }
    TIndexWork(const TIndexWork&) = delete;
    TIndexWork& operator=(const TIndexWork&) = delete;

    // Work queued while a load holds the list. A reset drops what was queued before it; a
    // load replaces a load queued before it.
    enum TKind { qReset, qLoad };
    void Enqueue(TKind Kind, std::function<void()> Work) {
        if (Kind == qReset)
            Queue.clear();
        else
            Queue.erase(std::remove_if(Queue.begin(), Queue.end(), [&](const auto& q) { return q.first == Kind; }),
                        Queue.end());
        Queue.emplace_back(Kind, std::move(Work));
        CancelForQueue = true; // the running load ends at its next poll
    }

    // The window's side of a load: the list's count, the progress bar and the taskbar, the
    // cancel window; pages come on a worker while the window goes on.
    class THooks : public TWorkerIndexHooks {
    public:
        THooks(TIndexWork& AWork, bool AFull)
            : W(AWork), Full(AFull), FTerminatedBefore(Application->Terminated()) {}
        void CountChanged(int Count) override {
            W.Form.SetIndexCount(Count);
            if (!Full && Count > 0)
                W.Form.IdxLoadingPanel->SetVisible(false);
        }
        void Started(int Total) override {
            if (!Full)
                return;
            FTotal = Total;
            TTntProgressBar* bar = W.Form.ProgressBar1;
            bar->SetRange(0, std::max(Total, 1));
            bar->SetVisible(true);
            TaskbarProgress(TBPF_NORMAL, 0, static_cast<uint64_t>(std::max(Total, 1)));
            if (W.CancelWindow)
                W.CancelWindow->SetCaption(IndexLoadingCaption(Total));
            Application->ProcessMessages();
        }
        void Progress(const TIndexProgress& P) override {
            if (!Full)
                return;
            if (FTotal > 0) {
                W.Form.ProgressBar1->SetPosition(P.Parsed);
                TaskbarProgress(TBPF_NORMAL, static_cast<uint64_t>(P.Parsed), static_cast<uint64_t>(FTotal));
            }
            if (W.CancelWindow)
                W.CancelWindow->SetMessage(IndexItemsReadText(P.Parsed));
        }
        // Polled between pages and while a page is on its way: the window stays live.
        bool Cancelled() override {
            bool cancelled = false;
            if (W.CancelWindow)
                cancelled = W.CancelWindow->Cancelled();
            else
                Application->ProcessMessages();
            // The program's end (asked for while the load runs) ends the load too.
            if (Application->Terminated() && !FTerminatedBefore)
                W.Ending = true;
            return cancelled || W.Form.IndexCancelled || W.CancelForQueue || W.Ending;
        }

    private:
        TIndexWork& W;
        bool Full;
        int FTotal = 0;
        bool FTerminatedBefore;
    };

    TVMainForm& Form;
    TKeywordLoader Loader;
    UINT_PTR StatusTimer = 0;
    UINT_PTR DelayTimer = 0;
    bool EditGuard = false;       // the program sets the edit's text: not typing
    bool Busy = false;            // a partial load for typing runs
    bool Opening = false;         // a row is being opened
    bool FromTimer = false;       // the typing runs from the delay timer
    bool CancelForQueue = false;  // the running load is cancelled for queued work
    bool TypedMeanwhile = false;  // the edit changed while a load ran
    bool Ending = false;          // the program ends: no queued work runs
    TCancelWrap* CancelWindow = nullptr; // the running full load's
    std::vector<std::pair<TKind, std::function<void()>>> Queue;
};

void TVMainForm::TIndexWorkDeleter::operator()(TIndexWork* Work) const { delete Work; }

TVMainForm::TIndexWork& TVMainForm::IndexWork() {
    if (!FIndex)
        FIndex.reset(new TIndexWork(*this));
    return *FIndex;
}

void TVMainForm::BindIndexEvents() {
    Keywords = std::make_unique<TKeywordList>();
    IndexLV->OnData = [this](TObject*, TListItem* Item) { IndexLVData(Item); };
    IndexLV->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        IndexLVMouseUp(Button, X, Y);
    };
    IndexLV->OnMouseMove = [this](TObject*, TShiftState Shift, int X, int Y) { IndexLVMouseMove(Shift, X, Y); };
    IndexLV->OnKeyUp = [this](TObject*, WORD&, TShiftState) { IndexLVKeyUp(); };
    IndexLV->OnKeyPress = [this](TObject*, wchar_t& Key) {
        if (Key == L'\r' || Key == L' ') {
            Key = 0;
            IndexLVClick();
        }
    };
    IndexLV->OnResize = [this](TObject*) {
        FitIndexColumn(IndexLV->ClientWidth());
    };
    IndexEdit->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) { IndexEditKeyDown(Key); };
    IndexEdit->OnKeyPress = [this](TObject*, wchar_t& Key) {
        if (Key == L'\r') {
            Key = 0;
            IndexLVClick();
        }
    };
}

bool TVMainForm::WaitForIndexCache() { return IndexWork().Loader.WaitForCache(); }

void TVMainForm::ShowUserMessage(const std::wstring& Text) {
    if (VMainEnvironment().ShowMessage)
        VMainEnvironment().ShowMessage(Text);
    else
        WideShowMessage(Text);
}

// ---------------------------------------------------------------------------------
// The list

void TVMainForm::SetIndexCount(int N) {
    // The same count again is no change for the list (the list view's own handling of it
    // takes a while with a large count).
    if (IndexLV->Items()->Count() != N) {
        // The column takes the whole width again when the rows did not bring the scroll bar.
        const bool filling = IndexLV->Items()->Count() == 0 && N > 0;
        if (filling)
            MakeIndexColumnRoom();
        IndexLV->Items()->SetCount(N);
        if (filling)
            FitIndexColumn(IndexLV->ClientWidth());
    }
    IndexLV->Invalidate();
    if (N > 0)
        IndexLV->SetSelected(nullptr);
}

// The list's one column as wide as Width (its client's width, no horizontal scroll bar); a
// width it has already is not set again (the list view lays itself out anew for it).
void TVMainForm::FitIndexColumn(int Width) {
    if (IndexLV->Columns()->Count() == 0)
        return;
    TListColumn* column = IndexLV->Columns()->Items(0);
    Width = std::max(Width, 20);
    if (column->Width() != Width)
        column->SetWidth(Width);
}

// Rows coming into the empty list may bring its vertical scroll bar, whose room the column
// then gives up: it does so beforehand, while the list is empty. With the rows in it, the new
// width cost the list view under Wine 10-15 ms with 300,000 rows (and a load's end waited).
void TVMainForm::MakeIndexColumnRoom() {
    if (IndexLV->Items()->Count() == 0 && IndexLV->HandleAllocated() &&
        !(GetWindowLongW(IndexLV->Handle(), GWL_STYLE) & WS_VSCROLL))
        FitIndexColumn(IndexLV->ClientWidth() - GetSystemMetrics(SM_CXVSCROLL));
}

void TVMainForm::IndexLVData(TListItem* Item) {
    const int row = Item->Index();
    Item->SetCaption(row >= 0 && row < Keywords->Count() ? Keywords->Caption(row) : std::wstring());
}

void TVMainForm::SetIndexEditText(const std::wstring& Text) {
    TFlagOn guard(IndexWork().EditGuard);
    IndexEdit->SetText(EditTextOfValue(Text));
}

// The edit shows the keyword of Row (for a topic row: the keyword above it).
void TVMainForm::SyncIndexEdit(int Row) {
    const int keyword = EditSyncRow(*Keywords, Row);
    if (keyword >= 0)
        SetIndexEditText(std::wstring(Keywords->Value(keyword)));
}

void TVMainForm::SelectIndexRow(int Row) {
    IndexLV->SetItemIndex(Row);
    IndexLV->Items()->Item(Row)->MakeVisible(false);
}

void TVMainForm::SelectBestMatch(const std::wstring& Text) {
    const int row = FindBestMatch(*Keywords, Text);
    if (row < 0 || row >= IndexLV->Items()->Count())
        return;
    // The row at the top of the view (near the end the view stops at the last row): one
    // scroll by whole rows from the top row, none while the row stays where it is. A jump
    // to the end and back cost the list two scrolls per key.
    if (TListItem* top = IndexLV->TopItem()) {
        const int topRow = top->Index();
        const RECT r = top->DisplayRect(LVIR_BOUNDS);
        if (row != topRow && r.bottom > r.top) {
            const auto jump = [&] {
                IndexLV->Scroll(0, (row - topRow) * (r.bottom - r.top));
                SelectIndexRow(row);
            };
            // A jump of a page or more brings in every row: the list view would draw them all
            // and its scroll bar during the key (3-5 ms under Wine, the themed scroll bar most
            // of it), so they are left to the paint after it, once for keys typed meanwhile. A
            // shorter scroll moves the rows on screen and draws only those that come in.
            if (std::abs(row - topRow) >= IndexLV->VisibleRowCount())
                IndexLV->WithDrawingHeld(jump);
            else
                jump();
            return;
        }
    }
    SelectIndexRow(row);
}

// The list emptied, or the emptying queued while a load holds it.
void TVMainForm::EmptyIndex() {
    if (Keywords->Locked()) {
        IndexWork().Enqueue(TIndexWork::qReset, [this] { EmptyIndex(); });
        return;
    }
    Keywords->Clear();
    SetIndexCount(0);
    IdxNoCachePanel->SetVisible(false);
}

void TVMainForm::ResetIndexState() {
    TIndexWork& w = IndexWork();
    KillShotTimer(w.DelayTimer);
    if (Keywords->Locked()) {
        w.Enqueue(TIndexWork::qReset, [this] { ResetIndexState(); });
        return;
    }
    Keywords->Clear();
    SetIndexCount(0);
    IdxNoCachePanel->SetVisible(false);
    SetIndexEditText(L"");
    FullIndexLoaded = false;
    LastQueryKey.clear();
}

// Runs the work queued while a load held the list, once no load runs.
void TVMainForm::RunIndexQueue() {
    TIndexWork& w = IndexWork();
    if (w.Busy || Keywords->Locked())
        return;
    w.CancelForQueue = false;
    if (w.Ending || FDestroyed) {
        w.Queue.clear();
        return;
    }
    while (!w.Queue.empty() && !Keywords->Locked()) {
        std::function<void()> work = std::move(w.Queue.front().second);
        w.Queue.erase(w.Queue.begin());
        work();
    }
}

// ---------------------------------------------------------------------------------
// Loads

void TVMainForm::StartIndexStatusTimer() {
    TIndexWork& w = IndexWork();
    KillShotTimer(w.StatusTimer);
    w.StatusTimer = SetShotTimer(IndexStatusMs, [this](TObject*) {
        IndexWork().StatusTimer = 0;
        const std::wstring& text = StatusBar1->Panels()->Items(0)->Text();
        if (!text.empty() && text[0] == L'K')
            SetStatusText(L"");
    });
}

void TVMainForm::LoadIndex(bool FromCache) {
    TIndexWork& w = IndexWork();
    if (Keywords->Locked()) {
        w.Enqueue(TIndexWork::qLoad, [this, FromCache] { LoadIndex(FromCache); });
        return;
    }
    // 1. A whole index shown stays until a load from the agent has a whole one to show
    //    (a cancel or a failure gives it back); anything else goes now.
    KillShotTimer(w.StatusTimer);
    if (FromCache || !Keywords->Whole()) {
        Keywords->Clear();
        SetIndexCount(0);
    }
    // The status line is painted with the window's next paint, which the load lets run at
    // once: a repaint of its own here costs 10-25 ms under Wine before the first request.
    StatusBar1->Panels()->Items(0)->SetText(L"");
    IdxNoCachePanel->SetVisible(false);
    // 2, 3.
    if (CurrentCatalog.empty() || !IndexAgentReady())
        return;
    if (FromCache && GetFileAttributesW(IndexCacheFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
        IdxNoCachePanel->SetVisible(true);
        return;
    }
    // What the catalog's index is read from: a cache read from its store before the store
    // changed is loaded afresh.
    const std::wstring source = IndexSource();
    // 4. The first page of a load from the agent is asked for first: it is on its way while
    // the cancel window, the cache file and the pane's paint are made ready. Every load
    // starts uncancelled.
    w.CancelForQueue = false;
    IndexCancelled = false;
    const int pageSize = SpinValue(DebugForm ? DebugForm->PageSizeSpinEdit : nullptr, DefaultPageSize);
    TIndexLoadReport r;
    {
        TIndexWork::THooks hooks(w, true);
        if (!FromCache)
            w.Loader.PrefetchFull(pageSize, hooks);
        // The cancel window at once, 40 pixels in from the window's left edge.
        auto cancel = std::make_unique<TCancelWrap>(0, 0, MsgTxt_LoadingIndex, MsgTxt_PleaseWait, &IndexCancelled,
                                                    Left() + 40);
        w.CancelWindow = cancel.get();
        // Done while the first page is on its way, not when the rows come.
        MakeIndexColumnRoom();
        if (FromCache)
            StatusBar1->Panels()->Items(0)->SetText(L"Loading cached index...");
        // 5 - 8.
        r = FromCache ? w.Loader.LoadCached(IndexCacheFile, CurrentCatalog, hooks, source)
                      : w.Loader.LoadFull(pageSize, IndexCacheFile, CurrentCatalog, hooks, source);
        // 9.
        w.CancelWindow = nullptr;
    }
    ProgressBar1->SetPosition(0);
    ProgressBar1->SetVisible(false);
    TaskbarProgress(TBPF_NOPROGRESS);
    SetIndexCount(Keywords->Count());
    Application->ProcessMessages();
    // 10. The status line of a load from the agent; a cached load leaves none.
    if (FromCache) {
        SetStatusText(L"");
    } else if (!r.StatusText.empty()) {
        SetStatusText(r.StatusText);
        StartIndexStatusTimer();
    }
    // What the user is told: an empty index, a cancel of theirs, a page that failed. A load
    // ended for queued work or for the program's end says nothing.
    const bool quiet = w.CancelForQueue || w.Ending ||
                       (r.End == TIndexLoadEnd::Cancelled && !IndexCancelled);
    if (r.End == TIndexLoadEnd::NoCache)
        IdxNoCachePanel->SetVisible(true);
    if (!quiet) {
        const std::wstring message = IndexLoadEndMessage(r);
        if (!message.empty())
            ShowUserMessage(message);
    }
    // A cut cache, or one read from the catalog's store before the store changed, is not
    // shown: the index is loaded afresh, which writes the cache anew.
    if ((r.End == TIndexLoadEnd::CacheCut || r.End == TIndexLoadEnd::Stale) && !w.Ending && w.Queue.empty()) {
        if (r.End == TIndexLoadEnd::Stale)
            DebugLogEx(L"> Index cache of " + CurrentCatalog + L" was read before its store changed: loading afresh",
                       true);
        LoadIndex(false);
        return;
    }
    RunIndexQueue();
}

void TVMainForm::LoadPartialIndex(const std::wstring& Query) {
    TIndexWork& w = IndexWork();
    if (Keywords->Locked())
        return; // typing during a load is taken up after it
    KillShotTimer(w.StatusTimer);
    Keywords->Clear();
    SetIndexCount(0);
    SetStatusText(L"");
    IdxNoCachePanel->SetVisible(false);
    if (CurrentCatalog.empty() || !IndexAgentReady())
        return;
    IdxLoadingPanel->SetVisible(true);
    IdxLoadingPanel->Repaint();
    const int pageSize = IndexPartialModeFirstKey
                             ? SpinValue(DebugForm ? DebugForm->PageSizeSpinEdit : nullptr, DefaultPageSize)
                             : SpinValue(DebugForm ? DebugForm->SmallPageSizeSpinEdit : nullptr, DefaultSmallPageSize);
    // A cancel of an earlier full load does not reach this one.
    w.CancelForQueue = false;
    IndexCancelled = false;
    TIndexLoadReport r;
    {
        TIndexWork::THooks hooks(w, false);
        r = w.Loader.LoadPartial(Query, pageSize, IndexPartialModeFirstKey, hooks);
    }
    IdxLoadingPanel->SetVisible(false);
    SetIndexCount(Keywords->Count());
    if (!r.StatusText.empty()) {
        SetStatusText(r.StatusText);
        StartIndexStatusTimer();
    }
}

void TVMainForm::PrefetchCatalogIndex() {
    if (!IndexCacheFile.empty() && IdxMenu_LoadFullIndex->Checked() && !Keywords->Locked() && !CurrentCatalog.empty())
        IndexWork().Loader.PrefetchCached(IndexCacheFile, CurrentCatalog, IndexSource());
}

std::wstring TVMainForm::IndexSource() {
    return H3Store ? IndexSourceStamp(*H3Store, CurrentCatalog) : std::wstring();
}

void TVMainForm::LoadCatalogIndex() {
    if (Keywords->Locked()) {
        IndexWork().Enqueue(TIndexWork::qLoad, [this] { LoadCatalogIndex(); });
        return;
    }
    // The cache is there to use when its path is known.
    if (!IndexCacheFile.empty() && IdxMenu_LoadFullIndex->Checked()) {
        LoadIndex(true);
        if (Keywords->Count() > 0)
            FullIndexLoaded = true;
    } else {
        (IndexPartialModeFirstKey ? IdxMenu_LoadPartialIndex_FirstChar : IdxMenu_LoadPartialIndex)->SetChecked(true);
    }
}

// ---------------------------------------------------------------------------------
// Typing

void TVMainForm::IndexEditChange() {
    TIndexWork& w = IndexWork();
    // 1.
    if (w.EditGuard || CurrentCatalog.empty())
        return;
    if (w.Busy || Keywords->Locked()) {
        w.TypedMeanwhile = true;
        return;
    }
    // 2, 3.
    const std::wstring text = IndexEdit->GetText();
    const TIndexTyping plan =
        PlanIndexTyping(text, FullIndexLoaded, Keywords->Count(), IndexPartialModeFirstKey, LastQueryKey);
    if (plan.SelectOnly) {
        SelectBestMatch(text);
        return;
    }
    FullIndexLoaded = false;
    // 4.
    if (plan.EmptyText) {
        if (!IndexPartialModeFirstKey)
            IdxMenu_LoadPartialIndexClick();
        return;
    }
    // 6. Typing waits for a pause; the timer runs this again.
    if (IndexDelayMs > 0) {
        KillShotTimer(w.DelayTimer);
        if (!w.FromTimer) {
            w.DelayTimer = SetShotTimer(static_cast<unsigned>(IndexDelayMs), [this](TObject*) {
                TIndexWork& work = IndexWork();
                work.DelayTimer = 0;
                TFlagOn fromTimer(work.FromTimer);
                IndexEditChange();
            });
            return;
        }
    }
    // 7, 8.
    if (plan.NeedLoad) {
        {
            TFlagOn busy(w.Busy);
            THourGlass hourGlass;
            w.TypedMeanwhile = false;
            LoadPartialIndex(plan.LoadQuery);
        }
        LastQueryKey = plan.LastQueryKey;
    }
    SelectBestMatch(text);
    // What was typed while the load ran, and what was queued meanwhile.
    RunIndexQueue();
    if (w.TypedMeanwhile) {
        w.TypedMeanwhile = false;
        if (IndexEdit->GetText() != text) {
            TFlagOn fromTimer(w.FromTimer);
            IndexEditChange();
        }
    }
}

void TVMainForm::IndexEditKeyDown(WORD& Key) {
    if (Key != VK_UP && Key != VK_DOWN)
        return;
    const int step = Key == VK_UP ? -1 : 1;
    Key = 0;
    if (IndexLV->CanFocus())
        IndexLV->SetFocus();
    RefreshPageDecoration();
    const int count = IndexLV->Items()->Count();
    if (count == 0)
        return;
    const int row = IndexLV->ItemIndex();
    SelectIndexRow(row < 0 ? 0 : std::clamp(row + step, 0, count - 1));
}

// ---------------------------------------------------------------------------------
// Opening a row

void TVMainForm::IndexLVClick() {
    TIndexWork& w = IndexWork();
    if (w.Opening)
        return;
    TFlagOn opening(w.Opening);
    THourGlass hourGlass;
    if (IndexLV->ItemIndex() < 0 || Keywords->Locked() || !IndexAgentReady())
        return;
    // The agent check may have waited: the row is read afterwards.
    const int row = IndexLV->ItemIndex();
    if (row < 0 || row >= Keywords->Count() || Keywords->Locked())
        return;
    SyncIndexEdit(row);
    const int before = Keywords->Count();
    TIndexOpen open;
    {
        // The topics' request lets timers run: typing taken up meanwhile (the delay timer's
        // partial load) waits for the open, which works on the row of this list.
        TFlagOn busy(w.Busy);
        w.TypedMeanwhile = false;
        open = OpenKeywordRow(*Keywords, row, ProgramAgentLink(), CurrentH3Paths().HasNewAgent);
    }
    if (Keywords->Count() != before) {
        IndexLV->Items()->SetCount(Keywords->Count());
        IndexLV->Invalidate();
        SelectIndexRow(row);
    }
    if (!open.Url.empty())
        OpenIndexUrl(open.Url);
    if (w.TypedMeanwhile) {
        w.TypedMeanwhile = false;
        TFlagOn fromTimer(w.FromTimer);
        IndexEditChange();
    }
}

void TVMainForm::IndexLVMouseUp(TMouseButton Button, int X, int Y) {
    if (Button != mbMiddle)
        return;
    TListItem* item = IndexLV->GetItemAt(X, Y);
    if (!item)
        return;
    SelectIndexRow(item->Index());
    OpenInNewTab([this] { IndexLVClick(); });
}

void TVMainForm::IndexLVMouseMove(TShiftState Shift, int X, int Y) {
    if (!(Shift & ssLeft))
        return;
    if (TListItem* item = IndexLV->GetItemAt(X, Y))
        if (item->Index() != IndexLV->ItemIndex())
            SelectIndexRow(item->Index());
}

void TVMainForm::IndexLVKeyUp() {
    const int row = IndexLV->ItemIndex();
    if (row >= 0)
        SyncIndexEdit(row);
}

void TVMainForm::IndexPopupMenuPopup() { IdxMenu_OpenInNewTab->SetEnabled(IndexLV->ItemIndex() >= 0); }

// ---------------------------------------------------------------------------------
// Index modes

void TVMainForm::IdxMenu_LoadFullIndexClick() {
    IdxMenu_LoadFullIndex->SetChecked(true);
    LastQueryKey.clear();
    FullIndexLoaded = true;
    // Painted while the first page is on its way, every control on it too: the pane paints
    // over its controls, and those that are not painted again (the index edit) show blank.
    RedrawWindow(LeftPanel->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    LoadIndex(false);
}

void TVMainForm::IdxMenu_LoadPartialIndexClick() {
    IdxMenu_LoadPartialIndex->SetChecked(true);
    IndexPartialModeFirstKey = false;
    LastQueryKey.clear();
    FullIndexLoaded = false;
    EmptyIndex();
}

void TVMainForm::IdxMenu_LoadPartialIndex_FirstCharClick() {
    IdxMenu_LoadPartialIndex_FirstChar->SetChecked(true);
    IndexPartialModeFirstKey = true;
    LastQueryKey.clear();
    FullIndexLoaded = false;
    EmptyIndex();
}

void TVMainForm::mnuIndexHelpClick() { OpenUrlInBrowser(IndexHelpUrl, 0); }

// ---------------------------------------------------------------------------------
// Where the index meets the navigation

bool TVMainForm::IndexAgentReady() { return EnsureHelpAgent(); }

void TVMainForm::OpenIndexUrl(const std::wstring& Url) { GotoUrl(Url); }

void TVMainForm::OpenInNewTab(const std::function<void()>& Open) {
    struct TForced {
        explicit TForced(TVMainForm& AForm) : Form(AForm) { Form.SetForceNewTab(true); }
        ~TForced() { Form.SetForceNewTab(false); }
        TVMainForm& Form;
    } forced(*this);
    Open();
}

void TVMainForm::RefreshPageDecoration() { RestyleActivePage(); }
