// The keyword index of the main window against the stand-in agent: full and cached loads
// through the window's list, typing in both partial modes, opening rows, and a load that
// others try to empty, cancel or fail while it runs.
#include "VMainFixture.h"

#include "AdvSpinEdit.h"
#include "FCancel.h"
#include "FDebug.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UIndexCache.h"
#include "UMessageTexts.h"
#include "URequestWait.h"
#include "UShotTimer.h"

using namespace vcltest;

namespace {

const wchar_t* const EnUs = L"VS\\100\\EN-US";
const wchar_t* const DeDe = L"VS\\100\\de-DE";

class VMainIndexTest : public VMainFixture {
protected:
    void SetUp() override {
        VMainFixture::SetUp();
        ASSERT_TRUE(StartAgent(Agent, Env));
    }
    void TearDown() override {
        Agent.Stop();
        VMainFixture::TearDown();
    }

    // An agent of the fixture's installation on a free port, which the runtime's registry
    // names; Extra: e.g. faults.
    bool StartAgent(standin_test::AgentProcess& A, TFixedAgentEnvironment& E,
                    const standin_test::EnvList& Extra = {}) {
        const int port = standin_test::FreePort();
        E.PortText = std::to_wstring(port);
        RegWriteString(HKEY_CURRENT_USER, RuntimeKey, L"AgentPort", E.PortText);
        if (!A.Start(Suite->Inst, port, Extra) || !A.WaitForPort())
            return false;
        E.Pid = A.Pid();
        return true;
    }

    // The window with its cache in the test's folder and small pages, asking the test's agent.
    std::unique_ptr<TestForm<TVMainForm>> StartIndex(int PageSize = 7) {
        auto form = Start([&](TVMainForm* F) {
            delete g_H3Code;
            g_H3Code = new TH3Code(Paths.get(), &Env);
            F->IndexCacheFile = IndexCacheFileIn(Dir.Path());
            F->IndexDelayMs = 0;
            DebugForm->PageSizeSpinEdit->SetValue(PageSize);
            DebugForm->SmallPageSizeSpinEdit->SetValue(PageSize);
        });
        return form;
    }

    // Keyword requests the agent got since Mark.
    std::vector<std::string> KeywordRequests(size_t Mark) const {
        std::vector<std::string> out;
        const std::vector<std::string> log = Agent.RequestLog();
        for (size_t i = Mark; i < log.size(); ++i)
            if (log[i].find("method=keywords") != std::string::npos)
                out.push_back(log[i]);
        return out;
    }
    size_t Mark() const { return Agent.RequestLog().size(); }

    static void Type(TVMainForm* F, const std::wstring& Text) {
        F->IndexEdit->SetText(Text); // its change event is the typing
    }
    static int Rows(TVMainForm* F) { return F->IndexLV->Items()->Count(); }
    // The list's one column spans its client area, whether the rows brought the vertical
    // scroll bar or not.
    static void ExpectColumnFits(TVMainForm* F) {
        EXPECT_EQ(F->IndexLV->Columns()->Items(0)->Width(), std::max(F->IndexLV->ClientWidth(), 20))
            << Rows(F) << " rows";
    }
    static std::wstring SelectedCaption(TVMainForm* F) {
        const int row = F->IndexLV->ItemIndex();
        return row < 0 ? L"<none>" : F->IndexLV->Items()->Item(row)->Caption();
    }
    static int RowOf(TVMainForm* F, const std::wstring& Caption) {
        for (int i = 0; i < Rows(F); ++i)
            if (F->IndexLV->Items()->Item(i)->Caption() == Caption)
                return i;
        return -1;
    }
    // The selected row heads the view, or the view ends at the last row (a row near the end).
    static void ExpectSelectionOnTop(TVMainForm* F) {
        const int row = F->IndexLV->ItemIndex();
        TListItem* topItem = F->IndexLV->TopItem();
        ASSERT_TRUE(row >= 0 && topItem);
        const int top = topItem->Index();
        const int page = F->IndexLV->VisibleRowCount();
        EXPECT_TRUE(top == row || (top < row && row < top + page && top + page >= Rows(F)))
            << "row " << row << ", top " << top << ", " << page << " a page, " << Rows(F) << " rows";
    }
    // The list shows once every paint has run what a complete repaint of it shows, its scroll
    // bar with it.
    static void ExpectListDrawn(TVMainForm* F) {
        const HWND list = F->IndexLV->Handle();
        ASSERT_TRUE(IsWindowVisible(list));
        const auto shown = [&] {
            Application->ProcessMessages();
            RECT r{};
            GetWindowRect(list, &r);
            BITMAPINFO bi{};
            bi.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right - r.left, r.top - r.bottom, 1, 32, BI_RGB};
            void* bits = nullptr;
            const HDC dc = GetWindowDC(list);
            const HDC mem = CreateCompatibleDC(dc);
            const HBITMAP bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
            const HGDIOBJ old = SelectObject(mem, bmp);
            BitBlt(mem, 0, 0, r.right - r.left, r.bottom - r.top, dc, 0, 0, SRCCOPY);
            GdiFlush();
            const auto* p = static_cast<const uint32_t*>(bits);
            std::vector<uint32_t> out(p, p + (r.right - r.left) * (r.bottom - r.top));
            SelectObject(mem, old);
            DeleteObject(bmp);
            DeleteDC(mem);
            ReleaseDC(list, dc);
            return out;
        };
        const std::vector<uint32_t> before = shown();
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
        EXPECT_TRUE(shown() == before) << "the list shows rows or a scroll bar of before";
    }
    static std::wstring Status(TVMainForm* F) { return F->StatusBar1->Panels()->Items(0)->Text(); }
    // What the window shows at the right end of the index edit (no text there) once every
    // paint has run.
    static COLORREF EditShown(TVMainForm* F) {
        Application->ProcessMessages();
        const HWND edit = F->IndexEdit->Handle();
        RECT r{};
        GetClientRect(edit, &r);
        const HDC dc = GetDC(edit);
        const COLORREF shown = GetPixel(dc, r.right - 3, (r.top + r.bottom) / 2);
        ReleaseDC(edit, dc);
        return shown;
    }
    static TCancelForm* CancelWindow() {
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto* form = dynamic_cast<TCancelForm*>(Screen->Forms(i)))
                return form;
        return nullptr;
    }

    standin_test::AgentProcess Agent;
    TFixedAgentEnvironment Env;
    testing_support::TempDir Dir;
};

} // namespace

TEST_F(VMainIndexTest, AFullLoadFillsTheListAndTheCacheThatTheNextCatalogLoadReads) {
    Watchdog w(120000, "full load");
    auto form = StartIndex();
    TVMainForm* f = form->Form;
    ASSERT_TRUE(SameText(f->CurrentCatalog, EnUs));
    f->Show();
    f->NavPageControl->SetActivePage(f->TabSheetIndex);
    const COLORREF edit = EditShown(f);
    EXPECT_EQ(edit, ColorToRGB(f->IndexEdit->Color()));
    size_t mark = Mark();
    f->IdxMenu_LoadFullIndexClick();
    EXPECT_EQ(EditShown(f), edit) << "the edit is not drawn after the load";
    EXPECT_TRUE(f->FullIndexLoaded);
    const int count = f->Keywords->Count();
    ASSERT_GT(count, 7);
    EXPECT_EQ(Rows(f), count);
    ExpectColumnFits(f);
    EXPECT_EQ(Status(f).rfind(L"Keywords: ", 0), 0u) << Status(f);
    EXPECT_NE(Status(f).find(L"; PageSize: 7"), std::wstring::npos);
    EXPECT_TRUE(Messages.empty());
    EXPECT_FALSE(f->ProgressBar1->Visible());
    EXPECT_EQ(CancelWindow(), nullptr);
    // Pages of seven until a short one (or one more after a full last page).
    const std::vector<std::string> pages = KeywordRequests(mark);
    EXPECT_GE(pages.size(), 2u);
    EXPECT_NE(pages.back().find("pagesize=7&pagenumber=" + std::to_string(pages.size())), std::string::npos);
    // The cache is in place for this catalog.
    f->WaitForIndexCache();
    EXPECT_TRUE(SameText(ReadIndexCacheRecord(f->IndexCacheFile).Catalog, EnUs));

    // Typing over the full index only selects: no request.
    mark = Mark();
    Type(f, L"butt");
    EXPECT_EQ(SelectedCaption(f), L"Button class");
    ExpectSelectionOnTop(f);
    Type(f, L" butt"); // a leading blank matches nothing; the selection stays
    EXPECT_EQ(SelectedCaption(f), L"Button class");
    // The best match heads the view going down, back up, and at the end of the list.
    ASSERT_GT(Rows(f), f->IndexLV->VisibleRowCount() + 2);
    // The caption of the keyword row at or above Row.
    const auto keywordAt = [&](int Row) {
        std::wstring text = f->IndexLV->Items()->Item(Row)->Caption();
        while (Row > 0 && !text.empty() && text[0] == L' ')
            text = f->IndexLV->Items()->Item(--Row)->Caption();
        return text;
    };
    for (const std::wstring& text : {keywordAt(count / 2), std::wstring(L"b"), keywordAt(1), keywordAt(count - 1),
                                     std::wstring(L"butt")}) {
        Type(f, text);
        ExpectSelectionOnTop(f);
        ExpectListDrawn(f);
    }
    EXPECT_TRUE(KeywordRequests(mark).empty());

    // Another catalog empties the list and the edit; in full mode it reads the cache, which
    // holds another catalog's index: nothing shows.
    ASSERT_TRUE(f->IdxMenu_LoadFullIndex->Checked());
    mark = Mark();
    f->LoadCatalog(DeDe);
    EXPECT_EQ(f->IndexEdit->GetText(), L"");
    EXPECT_EQ(Rows(f), 0);
    EXPECT_FALSE(f->FullIndexLoaded);
    // Back: the cached index comes without a keyword request, and without a status line.
    f->LoadCatalog(EnUs);
    EXPECT_EQ(Rows(f), count);
    EXPECT_TRUE(f->FullIndexLoaded);
    EXPECT_EQ(Status(f), L"");
    EXPECT_TRUE(KeywordRequests(mark).empty());
    EXPECT_TRUE(Messages.empty());

    // A cut cache, even with a record that matches it, is loaded afresh and written whole again.
    const std::string whole = testing_support::ReadBytes(f->IndexCacheFile);
    const std::string cut = whole.substr(0, whole.size() / 4 * 2);
    testing_support::WriteBytes(f->IndexCacheFile, cut);
    testing_support::WriteBytes(IndexCacheRecordFile(f->IndexCacheFile),
                                "Catalog=VS\\100\\EN-US\r\nSize=" + std::to_string(cut.size()) + "\r\n");
    f->LoadCatalog(DeDe);
    mark = Mark();
    f->LoadCatalog(EnUs);
    EXPECT_EQ(Rows(f), count);
    EXPECT_TRUE(f->FullIndexLoaded);
    EXPECT_FALSE(KeywordRequests(mark).empty());
    f->WaitForIndexCache();
    EXPECT_TRUE(testing_support::ReadBytes(f->IndexCacheFile) == whole) << "the cache written anew";
    EXPECT_TRUE(Messages.empty());
}

TEST_F(VMainIndexTest, TypingLoadsByWholeTextOrByFirstCharacter) {
    Watchdog w(120000, "typing");
    auto form = StartIndex(50);
    TVMainForm* f = form->Form;
    f->Show();
    f->NavPageControl->SetActivePage(f->TabSheetIndex);
    // Whole text: every change asks for the text; '<' goes doubly escaped.
    f->IdxMenu_LoadPartialIndexClick();
    size_t mark = Mark();
    Type(f, L"b");
    Type(f, L"bu");
    EXPECT_EQ(SelectedCaption(f), L"Button class");
    Type(f, L"List<T");
    const std::vector<std::string> sent = KeywordRequests(mark);
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_NE(sent[0].find("query=b&"), std::string::npos) << sent[0];
    EXPECT_NE(sent[1].find("query=bu&"), std::string::npos) << sent[1];
    EXPECT_NE(sent[2].find("query=List%253CT&"), std::string::npos) << sent[2];
    EXPECT_EQ(SelectedCaption(f), L"List<T> class");
    EXPECT_GT(Rows(f), 0);
    // An emptied edit empties the list.
    Type(f, L"  ");
    EXPECT_EQ(Rows(f), 0);

    // First character: one request for "b", none for the characters after it; the selection
    // follows the longest start.
    f->IdxMenu_LoadPartialIndex_FirstCharClick();
    EXPECT_TRUE(f->IndexPartialModeFirstKey);
    mark = Mark();
    Type(f, L"B");
    const int rows = Rows(f);
    EXPECT_GT(rows, 0);
    Type(f, L"Bu");
    Type(f, L"Button class, ab");
    EXPECT_EQ(SelectedCaption(f), L"    about Button class");
    ASSERT_EQ(KeywordRequests(mark).size(), 1u);
    EXPECT_NE(KeywordRequests(mark)[0].find("query=b&"), std::string::npos);
    EXPECT_EQ(Rows(f), rows);
    EXPECT_EQ(f->LastQueryKey, L"b");
    // In this mode an emptied edit keeps the list.
    Type(f, L"");
    EXPECT_EQ(Rows(f), rows);

    // Rows that come into the empty list leave its column the whole width, with or without
    // the scroll bar they bring.
    f->ResetIndexState();
    for (int n : {2, 0, 5000}) {
        f->SetIndexCount(n);
        ExpectColumnFits(f);
    }
    EXPECT_NE(GetWindowLongW(f->IndexLV->Handle(), GWL_STYLE) & WS_VSCROLL, 0);
    f->ResetIndexState();
}

TEST_F(VMainIndexTest, OpeningAKeywordWithSeveralTopicsInsertsThemAndASecondOpenCollapses) {
    Watchdog w(120000, "topics");
    auto form = StartIndex(50);
    TVMainForm* f = form->Form;
    f->IdxMenu_LoadPartialIndex_FirstCharClick();
    Type(f, L"b");
    const int rows = Rows(f);
    const int keyword = RowOf(f, L"    about Button class");
    ASSERT_GE(keyword, 0);
    f->IndexLV->SetItemIndex(keyword);
    size_t mark = Mark();
    f->IndexLVClick();
    // The sub-key goes as its keyword and display joined by ","; its topics follow it as
    // rows sorted by label, with their disambiguators.
    const std::vector<std::string> sent = KeywordRequests(mark);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(sent[0].find("query=Button+class,about+Button+class&"), std::string::npos) << sent[0];
    const int inserted = Rows(f) - rows;
    ASSERT_GE(inserted, 2);
    EXPECT_EQ(f->Keywords->Kind(keyword), kwExpanded);
    std::vector<std::wstring> labels;
    for (int i = keyword + 1; i <= keyword + inserted; ++i) {
        EXPECT_EQ(f->Keywords->Kind(i), kwTopicRow);
        labels.push_back(f->IndexLV->Items()->Item(i)->Caption());
        EXPECT_EQ(labels.back().rfind(L"        - ", 0), 0u) << labels.back();
    }
    EXPECT_TRUE(std::is_sorted(labels.begin(), labels.end(),
                               [](const std::wstring& a, const std::wstring& b) { return CompareText(a, b) < 0; }));
    EXPECT_EQ(f->IndexEdit->GetText(), L"Button class,about Button class");
    EXPECT_EQ(f->IndexLV->ItemIndex(), keyword);

    // A topic row opens its page; the edit shows its keyword.
    f->IndexLV->SetItemIndex(keyword + 1);
    f->SetIndexEditText(L"x");
    mark = Mark();
    f->IndexLVClick();
    EXPECT_EQ(f->IndexEdit->GetText(), L"Button class,about Button class");
    EXPECT_TRUE(KeywordRequests(mark).empty());
    // The keyword again: its rows go, and the next open asks the agent afresh.
    f->IndexLV->SetItemIndex(keyword);
    f->IndexLVClick();
    EXPECT_EQ(Rows(f), rows);
    EXPECT_EQ(f->Keywords->Kind(keyword), kwKeyword);
    mark = Mark();
    f->IndexLVClick();
    EXPECT_EQ(KeywordRequests(mark).size(), 1u);
    EXPECT_EQ(Rows(f), rows + inserted);

    // A delayed load of the edit's text that comes due while the topics' request waits (the
    // window's timers run meanwhile) waits for the open: the open's rows go into the list
    // they were asked for, then the load replaces the list.
    f->IdxMenu_LoadPartialIndexClick();
    Type(f, L"b");
    const int about = RowOf(f, L"    about Button class");
    ASSERT_GE(about, 0);
    f->IndexLV->SetItemIndex(about);
    Agent.Stop();
    ASSERT_TRUE(StartAgent(Agent, Env, {{L"STANDIN_AGENT_FAULTS", L"keywords#1=stall:1000"}}));
    struct TGuiWait {
        TGuiWait() { UseGuiRequestWait(); }
        ~TGuiWait() { UseGuiRequestWait(false); }
    } guiWait;
    f->IndexDelayMs = 50;
    Type(f, L"bu");
    mark = Mark();
    f->IndexLVClick();
    const std::vector<std::string> asked = KeywordRequests(mark);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_NE(asked[0].find("query=Button+class,about+Button+class&"), std::string::npos) << asked[0];
    EXPECT_NE(asked[1].find("&pagesize=50&pagenumber=1"), std::string::npos) << asked[1];
    for (int i = 0; i < f->Keywords->Count(); ++i)
        EXPECT_EQ(f->Keywords->Kind(i), kwKeyword) << i;
}

// A stalled page: the window keeps handling messages, and what would empty the list meanwhile
// waits for the load, which it cancels; the user's cancel ends the load at once and keeps
// the cache of the last complete load.
TEST_F(VMainIndexTest, WhileAPageStallsTheWindowLivesAndNothingEmptiesTheListUnderTheLoad) {
    Watchdog w(120000, "stalled load");
    auto form = StartIndex();
    TVMainForm* f = form->Form;
    f->IdxMenu_LoadFullIndexClick();
    f->WaitForIndexCache();
    const std::string cache = testing_support::ReadBytes(f->IndexCacheFile);
    ASSERT_FALSE(cache.empty());

    Agent.Stop();
    ASSERT_TRUE(StartAgent(Agent, Env, {{L"STANDIN_AGENT_FAULTS", L"keywords#2=stall:20000"}}));
    // A catalog change while page 2 stalls.
    int handled = 0;
    f->SetMessageHandler(WM_APP + 7, [&](TMessage&) { ++handled; });
    UINT_PTR timer = SetShotTimer(300, [&](TObject*) {
        PostMessageW(f->Handle(), WM_APP + 7, 0, 0);
        EXPECT_TRUE(f->Keywords->Locked());
        const int read = f->Keywords->Count();
        EXPECT_GE(read, 7);
        f->LoadCatalog(DeDe);
        EXPECT_EQ(f->Keywords->Count(), read); // not emptied under the load
    });
    const DWORD t0 = GetTickCount();
    f->IdxMenu_LoadFullIndexClick();
    EXPECT_LT(GetTickCount() - t0, 10000u);
    EXPECT_EQ(handled, 1);
    // The queued change ran after the load: the other catalog's (missing) cached index.
    EXPECT_TRUE(SameText(f->CurrentCatalog, DeDe));
    EXPECT_EQ(Rows(f), 0);
    EXPECT_FALSE(f->Keywords->Locked());
    EXPECT_TRUE(Messages.empty()) << Messages[0];
    EXPECT_EQ(testing_support::ReadBytes(f->IndexCacheFile), cache);

    // The user's cancel of a reload: the whole index shown before comes back and is reported.
    f->LoadCatalog(EnUs);
    const int whole = Rows(f);
    ASSERT_GT(whole, 7);
    Agent.Stop();
    ASSERT_TRUE(StartAgent(Agent, Env, {{L"STANDIN_AGENT_FAULTS", L"keywords#2=stall:20000"}}));
    timer = SetShotTimer(300, [&](TObject*) {
        TCancelForm* cancel = CancelWindow();
        ASSERT_NE(cancel, nullptr);
        cancel->CancelBtnClick();
    });
    const DWORD t1 = GetTickCount();
    f->IdxMenu_LoadFullIndexClick();
    EXPECT_LT(GetTickCount() - t1, 10000u);
    EXPECT_TRUE(f->IndexCancelled);
    EXPECT_EQ(Rows(f), whole);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0].rfind(L"User Cancelled. Loaded ", 0), 0u) << Messages[0];
    EXPECT_NE(Messages[0].find(L"\\" + std::to_wstring(whole) + L" of "), std::wstring::npos) << Messages[0];
    f->WaitForIndexCache();
    EXPECT_EQ(testing_support::ReadBytes(f->IndexCacheFile), cache);
    KillShotTimer(timer);
    // The cancel ended with its load: the next partial load lists what it asks for.
    Messages.clear();
    f->IdxMenu_LoadPartialIndexClick();
    Type(f, L"bu");
    EXPECT_EQ(SelectedCaption(f), L"Button class");
    EXPECT_TRUE(Messages.empty());
}

// A page that cannot be read ends the load: the whole index shown before comes back, the old
// cache stays and the user is told what is listed. An empty index says so.
TEST_F(VMainIndexTest, AFailedPageOrAnEmptyIndexIsReported) {
    Watchdog w(120000, "failed page");
    auto form = StartIndex();
    TVMainForm* f = form->Form;
    f->IdxMenu_LoadFullIndexClick();
    f->WaitForIndexCache();
    const std::string cache = testing_support::ReadBytes(f->IndexCacheFile);
    const int whole = Rows(f);

    Agent.Stop();
    ASSERT_TRUE(StartAgent(Agent, Env, {{L"STANDIN_AGENT_FAULTS", L"keywords#3=close"}}));
    f->IdxMenu_LoadFullIndexClick();
    EXPECT_EQ(Rows(f), whole);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_NE(Messages[0].find(L"\\" + std::to_wstring(whole) + L" of "), std::wstring::npos) << Messages[0];
    f->WaitForIndexCache();
    EXPECT_EQ(testing_support::ReadBytes(f->IndexCacheFile), cache);

    Messages.clear();
    f->LoadCatalog(L"EMPTY\\100\\EN-US");
    f->IdxMenu_LoadFullIndexClick();
    EXPECT_EQ(Rows(f), 0);
    EXPECT_EQ(Messages, std::vector<std::wstring>{MsgTxt_KeywordQueryEmpty});
}
