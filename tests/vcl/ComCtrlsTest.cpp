#include "VclTestSupport.h"

#include "ComCtrls.h"
#include "Menus.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace vcltest;

namespace {

class TCcForm : public TForm {
public:
    VORLANE_CLASS_NAME(TCcForm)
    explicit TCcForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(50, 50, 500, 400); }
};

std::wstring ListText(HWND wnd, int item, int sub, int size = 256) { return ListViewItemText(wnd, item, sub, size); }

std::wstring TreeText(HWND wnd, HTREEITEM item) {
    wchar_t buf[256] = {};
    TVITEMW it{};
    it.mask = TVIF_TEXT | TVIF_HANDLE;
    it.hItem = item;
    it.pszText = buf;
    it.cchTextMax = 256;
    SendMessageW(wnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    return it.pszText;
}

// Ends the pop-up menu being tracked as soon as its loop runs.
void CALLBACK EndMenuNow(HWND, UINT, UINT_PTR Id, DWORD) {
    KillTimer(nullptr, Id);
    EndMenu();
}

} // namespace

TEST(CopyToTextBuffer, CutsToOneLessThanTheBufferAndEndsWithZero) {
    wchar_t buf[6];
    std::fill(std::begin(buf), std::end(buf), L'#');
    CopyToTextBuffer(L"\u0416abcdef", buf, 4);
    EXPECT_STREQ(buf, L"\u0416ab");
    EXPECT_EQ(buf[4], L'#'); // nothing written past the buffer
    CopyToTextBuffer(L"xyz", buf, 1);
    EXPECT_EQ(buf[0], L'\0');
    buf[0] = L'#';
    CopyToTextBuffer(L"xyz", buf, 0); // no room at all: untouched
    EXPECT_EQ(buf[0], L'#');
    CopyToTextBuffer(L"xyz", nullptr, 5);
}

TEST(ListView, OwnerDataAnswersDisplayRequestsFromOnDataWithinTheBuffer) {
    Watchdog w(20000);
    TCcForm form(nullptr);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->SetOwnerData(true);
    lv->Columns()->Add()->SetCaption(L"Keyword");
    lv->Columns()->Add()->SetCaption(L"\u0416");
    int dataCalls = 0;
    lv->OnData = [&](TObject*, TListItem* item) {
        ++dataCalls;
        item->SetCaption(L"\u0416\u0417 " + std::to_wstring(item->Index()));
        item->AddSubItem(L"sub" + std::to_wstring(item->Index()));
    };
    lv->Items()->SetCount(300000);
    form.Show();
    HWND wnd = lv->Handle();
    EXPECT_EQ(SendMessageW(wnd, LVM_GETITEMCOUNT, 0, 0), 300000);
    EXPECT_EQ(ListText(wnd, 123456, 0), L"\u0416\u0417 123456");
    EXPECT_EQ(ListText(wnd, 7, 1), L"sub7");
    EXPECT_EQ(ListText(wnd, 7, 2), L""); // no such sub-item

    // A tiny buffer takes size - 1 characters and the zero, nothing beyond.
    wchar_t buf[8];
    std::fill(std::begin(buf), std::end(buf), L'#');
    NMLVDISPINFOW di{};
    di.hdr.hwndFrom = wnd;
    di.hdr.code = LVN_GETDISPINFOW;
    di.item.mask = LVIF_TEXT;
    di.item.iItem = 42;
    di.item.pszText = buf;
    di.item.cchTextMax = 3;
    lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
    EXPECT_STREQ(buf, L"\u0416\u0417");
    EXPECT_EQ(buf[3], L'#');
    di.item.iSubItem = 1;
    di.item.cchTextMax = 1;
    lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
    EXPECT_EQ(buf[0], L'\0');
    EXPECT_EQ(buf[1], L'\u0417');

    // Items[I] of an owner-data list is the temporary item filled for row I.
    int before = dataCalls;
    TListItem* item = lv->Items()->Item(299999);
    EXPECT_EQ(dataCalls, before + 1);
    EXPECT_EQ(item->Caption(), L"\u0416\u0417 299999");
    EXPECT_THROW(lv->Items()->Item(300000), EListError);

    // Selection by row, and a new window keeps count and selected row.
    lv->SetItemIndex(250000);
    EXPECT_EQ(lv->Selected()->Index(), 250000);
    lv->RecreateWnd();
    EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 300000);
    EXPECT_EQ(lv->ItemIndex(), 250000);
    lv->SetSelected(nullptr);
    EXPECT_EQ(lv->SelCount(), 0);
}

TEST(ListView, OwnerDataFindRunsOnDataFindWithTheRequest) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->SetOwnerData(true);
    lv->Columns()->Add();
    std::vector<std::wstring> rows{L"alpha", L"beta", L"\u0416uk", L"gamma"};
    lv->OnData = [&](TObject*, TListItem* item) { item->SetCaption(rows[static_cast<size_t>(item->Index())]); };
    TItemFind seenKind = ifData;
    std::wstring seenText;
    int seenStart = -2;
    lv->OnDataFind = [&](TObject*, TItemFind kind, const std::wstring& text, POINT, LPARAM, int start,
                         TSearchDirection, bool, int& index) {
        seenKind = kind;
        seenText = text;
        seenStart = start;
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].compare(0, text.size(), text) == 0)
                index = static_cast<int>(i);
    };
    lv->Items()->SetCount(static_cast<int>(rows.size()));
    form.Show();
    LVFINDINFOW fi{};
    fi.flags = LVFI_STRING | LVFI_PARTIAL;
    fi.psz = L"\u0416";
    EXPECT_EQ(SendMessageW(lv->Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), 2);
    EXPECT_EQ(seenKind, ifPartialString);
    EXPECT_EQ(seenText, L"\u0416");
    EXPECT_LE(seenStart, 0);
    fi.flags = LVFI_STRING;
    fi.psz = L"nothing";
    EXPECT_EQ(SendMessageW(lv->Handle(), LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&fi)), -1);
    EXPECT_EQ(seenKind, ifExactString);
}

TEST(ListView, ItemsShowWideTextsAndSurviveANewWindow) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->SetMultiSelect(true);
    lv->Columns()->Add()->SetCaption(L"Name");
    lv->Columns()->Add()->SetCaption(L"Path");
    // Items made before the window exists.
    TListItem* a = lv->Items()->Add();
    a->SetCaption(L"\u4e2d\u6587");
    a->AddSubItem(L"C:\\\u0416");
    TListItem* b = lv->Items()->Add();
    b->SetCaption(L"\u0416\u0417");
    form.Show();
    HWND wnd = lv->Handle();
    EXPECT_EQ(ListText(wnd, 0, 0), L"\u4e2d\u6587");
    EXPECT_EQ(ListText(wnd, 0, 1), L"C:\\\u0416");
    // Changes after the window exists reach it.
    b->AddSubItem(L"x\u0401");
    b->SetSubItem(0, L"y\u0401");
    EXPECT_EQ(ListText(wnd, 1, 1), L"y\u0401");
    TListItem* c = lv->Items()->Insert(0);
    c->SetCaption(L"first");
    EXPECT_EQ(ListText(wnd, 0, 0), L"first");
    EXPECT_EQ(a->Index(), 1);

    a->SetSelected(true);
    b->SetSelected(true);
    EXPECT_EQ(lv->SelCount(), 2);
    lv->RecreateWnd();
    wnd = lv->Handle();
    EXPECT_EQ(SendMessageW(wnd, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(ListText(wnd, 2, 1), L"y\u0401");
    EXPECT_EQ(lv->SelCount(), 2);
    EXPECT_EQ(lv->Selected(), a);
    // Setting null deselects every selected item.
    lv->SetSelected(nullptr);
    EXPECT_EQ(lv->SelCount(), 0);
    EXPECT_EQ(lv->Selected(), nullptr);

    std::vector<TListItem*> deleted;
    lv->OnDeletion = [&](TObject*, TListItem* item) { deleted.push_back(item); };
    lv->Items()->Delete(0);
    EXPECT_EQ(deleted, std::vector<TListItem*>{c});
    EXPECT_EQ(a->Index(), 0);
    EXPECT_EQ(ListText(wnd, 0, 0), L"\u4e2d\u6587");
    EXPECT_THROW(a->SubItem(5), EListError);
}

TEST(ListView, SortingOrdersModelAndWindowAlike) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add();
    for (const wchar_t* s : {L"delta", L"alpha", L"charlie", L"bravo"})
        lv->Items()->Add()->SetCaption(s);
    form.Show();
    EXPECT_TRUE(lv->AlphaSort());
    HWND wnd = lv->Handle();
    const wchar_t* expected[] = {L"alpha", L"bravo", L"charlie", L"delta"};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(lv->Items()->Item(i)->Caption(), expected[i]);
        EXPECT_EQ(ListText(wnd, i, 0), expected[i]);
    }
    // OnCompare decides when assigned: reverse order.
    lv->OnCompare = [](TObject*, TListItem* x, TListItem* y, LPARAM, int& r) {
        r = -lstrcmpW(x->Caption().c_str(), y->Caption().c_str());
    };
    lv->AlphaSort();
    EXPECT_EQ(ListText(wnd, 0, 0), L"delta");
    EXPECT_EQ(lv->Items()->Item(3)->Caption(), L"alpha");
}

TEST(ListView, EditingFollowsReadOnlyAndTheEvents) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* lv = new TListView(&form);
    lv->SetParent(&form);
    TListItem* item = lv->Items()->Add();
    item->SetCaption(L"old");
    form.Show();
    NMLVDISPINFOW di{};
    di.hdr.hwndFrom = lv->Handle();
    di.hdr.code = LVN_BEGINLABELEDITW;
    di.item.iItem = 0;
    bool asked = false;
    lv->OnEditing = [&](TObject*, TListItem*, bool& allow) { asked = true; allow = true; };
    EXPECT_EQ(lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&di)), 0);
    EXPECT_TRUE(asked);
    lv->SetReadOnly(true);
    asked = false;
    di.hdr.hwndFrom = lv->Handle();
    EXPECT_EQ(lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&di)), 1);
    EXPECT_FALSE(asked);

    wchar_t text[] = L"new\u0416";
    di.hdr.code = LVN_ENDLABELEDITW;
    di.item.pszText = text;
    lv->OnEdited = [](TObject*, TListItem*, std::wstring& s) { s += L"!"; };
    lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
    EXPECT_EQ(item->Caption(), L"new\u0416!");
    EXPECT_EQ(ListText(lv->Handle(), 0, 0), L"new\u0416!");
}

// ---------------------------------------------------------------------------------

TEST(TreeView, NavigationFollowsDepthFirstOrder) {
    TTreeView tv(nullptr);
    TTreeNodes* n = tv.Items();
    TTreeNode* a = n->Add(nullptr, L"a");
    TTreeNode* a1 = n->AddChild(a, L"a1");
    TTreeNode* a11 = n->AddChild(a1, L"a11");
    TTreeNode* a2 = n->AddChild(a, L"a2");
    TTreeNode* b = n->Add(a, L"b");
    TTreeNode* z = n->AddFirst(a, L"z");
    TTreeNode* a0 = n->AddChildFirst(a, L"a0");
    // Order: z, a, a0, a1, a11, a2, b
    std::vector<TTreeNode*> order{z, a, a0, a1, a11, a2, b};
    ASSERT_EQ(n->Count(), 7);
    std::vector<TTreeNode*> walked;
    for (TTreeNode* x = n->GetFirstNode(); x; x = x->GetNext())
        walked.push_back(x);
    EXPECT_EQ(walked, order);
    std::vector<TTreeNode*> back;
    for (TTreeNode* x = b; x; x = x->GetPrev())
        back.insert(back.begin(), x);
    EXPECT_EQ(back, order);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(n->Item(i), order[static_cast<size_t>(i)]) << i;
        EXPECT_EQ(order[static_cast<size_t>(i)]->AbsoluteIndex(), i);
    }
    EXPECT_EQ(n->Item(4), a11); // out of sequence: found by descending
    EXPECT_EQ(a11->Level(), 2);
    EXPECT_EQ(a11->Parent(), a1);
    EXPECT_EQ(a->Parent(), nullptr);
    EXPECT_EQ(a->Count(), 3);
    EXPECT_EQ(a->Item(2), a2);
    EXPECT_TRUE(a->HasChildren());
    EXPECT_FALSE(b->HasChildren());
    EXPECT_EQ(b->GetNext(), nullptr);
    EXPECT_EQ(a11->GetNext(), a2);
    EXPECT_EQ(a2->getNextSibling(), nullptr);
    try {
        a->Item(3);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), L"List index out of bounds (3)");
    }
    EXPECT_THROW(n->Item(7), EListError);

    // Deleting keeps counts and indexes in step; the last child takes the button along.
    std::vector<std::wstring> deleted;
    tv.OnDeletion = [&](TObject*, TTreeNode* x) { deleted.push_back(x->Text()); };
    a1->Delete();
    EXPECT_EQ(deleted, (std::vector<std::wstring>{L"a11", L"a1"}));
    EXPECT_EQ(n->Count(), 5);
    EXPECT_EQ(a2->Index(), 1);
    EXPECT_EQ(b->AbsoluteIndex(), 4);
    a->DeleteChildren();
    EXPECT_FALSE(a->HasChildren());
    EXPECT_EQ(n->Item(2), b);
    tv.OnDeletion = nullptr;
}

TEST(TreeView, WindowShowsNodesAndKeepsThemAcrossANewWindow) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* tv = new TTreeView(&form);
    tv->SetParent(&form);
    tv->SetBounds(0, 0, 300, 300);
    TTreeNode* root = tv->Items()->AddObject(nullptr, L"\u0416 root", reinterpret_cast<void*>(7));
    TTreeNode* child = tv->Items()->AddChild(root, L"child \u4e2d");
    form.Show();
    HWND wnd = tv->Handle();
    EXPECT_EQ(TreeText(wnd, root->ItemId()), L"\u0416 root");
    EXPECT_EQ(TreeText(wnd, child->ItemId()), L"child \u4e2d");
    TTreeNode* late = tv->Items()->AddChild(root, L"late");
    EXPECT_NE(late->ItemId(), nullptr);
    child->SetText(L"renamed \u0401");
    EXPECT_EQ(TreeText(wnd, child->ItemId()), L"renamed \u0401");

    root->Expand(false);
    EXPECT_TRUE(root->Expanded());
    tv->SetSelected(child);
    EXPECT_EQ(tv->Selected(), child);
    EXPECT_EQ(tv->GetNodeAt(child->DisplayRect(true).left + 1, child->DisplayRect(true).top + 1), child);

    // The ghosted (cut) state reaches the window and is given to a new window.
    auto cut = [&](TTreeNode* n) {
        return (SendMessageW(tv->Handle(), TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(n->ItemId()), TVIS_CUT) &
                TVIS_CUT) != 0;
    };
    late->SetCut(true);
    late->SetOverlayIndex(1); // another state bit does not undo it
    EXPECT_TRUE(cut(late));
    EXPECT_FALSE(cut(child));

    tv->RecreateWnd();
    wnd = tv->Handle();
    EXPECT_EQ(SendMessageW(wnd, TVM_GETCOUNT, 0, 0), 3);
    EXPECT_TRUE(cut(late));
    late->SetCut(false);
    EXPECT_FALSE(cut(late));
    EXPECT_TRUE(root->Expanded());
    EXPECT_EQ(tv->Selected(), child);
    EXPECT_EQ(TreeText(wnd, child->ItemId()), L"renamed \u0401");
    EXPECT_EQ(root->Data(), reinterpret_cast<void*>(7));

    // Right to left the tree keeps its window and items (a large tree would take seconds to
    // go in again) and is mirrored; left to right again it is not.
    tv->SetBiDiMode(bdRightToLeft);
    EXPECT_EQ(tv->Handle(), wnd);
    EXPECT_TRUE(GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);
    EXPECT_EQ(tv->Selected(), child);
    EXPECT_EQ(tv->GetNodeAt(child->DisplayRect(true).left + 1, child->DisplayRect(true).top + 1), child);
    tv->SetBiDiMode(bdLeftToRight);
    EXPECT_EQ(tv->Handle(), wnd);
    EXPECT_FALSE(GetWindowLongPtrW(wnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL);

    tv->SetSelected(nullptr);
    EXPECT_EQ(tv->Selected(), nullptr);
    tv->Items()->Clear();
    EXPECT_EQ(SendMessageW(wnd, TVM_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(tv->Items()->Count(), 0);
}

TEST(TreeView, ExpandingAsksOnExpandingAndAMarkedNodeOpensOrLosesItsButton) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* tv = new TTreeView(&form);
    tv->SetParent(&form);
    // Nodes marked as having children before they have any: the button shows.
    TTreeNode* closed = tv->Items()->Add(nullptr, L"closed");
    closed->SetHasChildren(true);
    TTreeNode* lazy = tv->Items()->Add(nullptr, L"lazy");
    lazy->SetHasChildren(true);
    TTreeNode* empty = tv->Items()->Add(nullptr, L"empty");
    TTreeNode* leaf = tv->Items()->Add(nullptr, L"leaf");
    int expandedEvents = 0;
    tv->OnExpanding = [&](TObject*, TTreeNode* node, bool& allow) {
        if (node == closed) {
            allow = false;
            return;
        }
        if (node == empty) {
            node->SetHasChildren(false); // found to have none
            return;
        }
        tv->Items()->AddChild(node, L"one");
        tv->Items()->AddChild(node, L"two");
    };
    tv->OnExpanded = [&](TObject*, TTreeNode*) { ++expandedEvents; };
    form.Show();
    HWND wnd = tv->Handle();
    empty->SetHasChildren(true); // marked while the window shows
    EXPECT_TRUE(TreeItemShowsButton(wnd, closed->ItemId()));
    EXPECT_TRUE(TreeItemShowsButton(wnd, empty->ItemId()));
    EXPECT_FALSE(TreeItemShowsButton(wnd, leaf->ItemId()));

    closed->SetExpanded(true);
    EXPECT_FALSE(closed->Expanded());
    // The window's own expansion (a click on the button) asks too.
    SendMessageW(wnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(closed->ItemId()));
    EXPECT_FALSE(closed->Expanded());
    EXPECT_EQ(expandedEvents, 0);
    EXPECT_TRUE(TreeItemShowsButton(wnd, closed->ItemId()));

    lazy->SetExpanded(true);
    EXPECT_TRUE(lazy->Expanded());
    EXPECT_EQ(expandedEvents, 1);
    ASSERT_EQ(lazy->Count(), 2);
    EXPECT_EQ(TreeText(wnd, lazy->Item(1)->ItemId()), L"two");
    EXPECT_EQ(SendMessageW(wnd, TVM_GETCOUNT, 0, 0), 6);
    EXPECT_TRUE(TreeItemShowsButton(wnd, lazy->ItemId()));

    SendMessageW(wnd, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(empty->ItemId()));
    EXPECT_FALSE(empty->HasChildren());
    EXPECT_FALSE(TreeItemShowsButton(wnd, empty->ItemId()));
}

TEST(TreeView, ImageEventsAnswerTheWindowAndSortingReordersIt) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* tv = new TTreeView(&form);
    tv->SetParent(&form);
    for (const wchar_t* s : {L"c", L"a", L"b"})
        tv->Items()->Add(nullptr, s);
    tv->OnGetImageIndex = [](TObject*, TTreeNode* n) { n->SetImageIndex(n->Index() + 10); };
    tv->OnGetSelectedIndex = [](TObject*, TTreeNode* n) { n->SetSelectedIndex(n->ImageIndex()); };
    form.Show();
    HWND wnd = tv->Handle();
    tv->AlphaSort();
    HTREEITEM h = reinterpret_cast<HTREEITEM>(SendMessageW(wnd, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    std::wstring order;
    while (h) {
        order += TreeText(wnd, h);
        h = reinterpret_cast<HTREEITEM>(SendMessageW(wnd, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(h)));
    }
    EXPECT_EQ(order, L"abc");
    EXPECT_EQ(tv->Items()->Item(0)->Text(), L"a");
    TVITEMW it{};
    it.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    it.hItem = tv->Items()->Item(2)->ItemId();
    SendMessageW(wnd, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&it));
    EXPECT_EQ(it.iImage, 12);
    EXPECT_EQ(it.iSelectedImage, 12);
}

// ---------------------------------------------------------------------------------

TEST(StatusBar, PanelTextsGoOutBehindTheirAlignmentTabs) {
    Watchdog w(10000);
    EXPECT_EQ(StatusPanelWindowText(L"x", taLeftJustify), L"x");
    EXPECT_EQ(StatusPanelWindowText(L"x", taCenter), L"\tx");
    EXPECT_EQ(StatusPanelWindowText(L"x", taRightJustify), L"\t\tx");

    TCcForm form(nullptr);
    auto* sb = new TStatusBar(&form);
    sb->SetParent(&form);
    TStatusPanel* p0 = sb->Panels()->Add();
    p0->SetWidth(100);
    p0->SetText(L"\u0416 status");
    TStatusPanel* p1 = sb->Panels()->Add();
    p1->SetWidth(60);
    p1->SetAlignment(taRightJustify);
    p1->SetText(L"Zoom");
    sb->Panels()->Add()->SetText(L"\tlast");
    form.Show();
    HWND wnd = sb->Handle();
    auto partText = [&](int i) {
        wchar_t buf[128] = {};
        SendMessageW(wnd, SB_GETTEXTW, i, reinterpret_cast<LPARAM>(buf));
        return std::wstring(buf);
    };
    EXPECT_EQ(SendMessageW(wnd, SB_GETPARTS, 0, 0), 3);
    EXPECT_EQ(partText(0), L"\u0416 status");
    EXPECT_EQ(partText(1), L"\t\tZoom");
    EXPECT_EQ(partText(2), L"\tlast"); // the text's own leading TAB stays
    p1->SetAlignment(taCenter);
    EXPECT_EQ(partText(1), L"\tZoom");
    EXPECT_EQ(sb->PanelAt(120), 1);
    sb->RecreateWnd();
    wnd = sb->Handle();
    EXPECT_EQ(partText(1), L"\tZoom");

    sb->SetSimplePanel(true);
    sb->SetSimpleText(L"\t\t\u0416 simple");
    EXPECT_EQ(sb->SimpleText(), L"\t\t\u0416 simple");
    EXPECT_EQ(partText(0), L"\t\t\u0416 simple"); // a simple bar has the one part
}

// ---------------------------------------------------------------------------------

TEST(ToolBar, ButtonsShowCaptionsAndReportClicks) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* bar = new TToolBar(&form);
    bar->SetParent(&form);
    bar->SetShowCaptions(true);
    bar->SetCaption(L"Bar \u0416");
    auto* back = new TToolButton(&form);
    back->SetCaption(L"\u0416 Back");
    back->SetParent(bar);
    auto* sep = new TToolButton(&form);
    sep->SetStyle(tbsSeparator);
    sep->SetParent(bar);
    auto* check = new TToolButton(&form);
    check->SetStyle(tbsCheck);
    check->SetCaption(L"Check");
    check->SetParent(bar);
    form.Show();
    HWND wnd = bar->Handle();
    auto buttonText = [&](TToolButton* b) {
        wchar_t buf[64] = {};
        SendMessageW(wnd, TB_GETBUTTONTEXTW, b->CommandId(), reinterpret_cast<LPARAM>(buf));
        return std::wstring(buf);
    };
    EXPECT_EQ(bar->ButtonCount(), 3);
    EXPECT_EQ(SendMessageW(wnd, TB_BUTTONCOUNT, 0, 0), 3);
    EXPECT_EQ(buttonText(back), L"\u0416 Back");
    wchar_t caption[32] = {};
    GetWindowTextW(wnd, caption, 32);
    EXPECT_STREQ(caption, L"Bar \u0416");
    back->SetCaption(L"Zur\u00fcck \u4e2d");
    EXPECT_EQ(buttonText(back), L"Zur\u00fcck \u4e2d");
    EXPECT_GT(back->Width(), 0);

    int clicks = 0;
    back->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(form.Handle(), WM_COMMAND, MAKEWPARAM(back->CommandId(), BN_CLICKED), reinterpret_cast<LPARAM>(wnd));
    EXPECT_EQ(clicks, 1);
    check->SetDown(true);
    EXPECT_TRUE(check->Down());
    bar->RecreateWnd();
    EXPECT_TRUE(check->Down());
    EXPECT_EQ(SendMessageW(bar->Handle(), TB_BUTTONCOUNT, 0, 0), 3);

    delete sep;
    EXPECT_EQ(bar->ButtonCount(), 2);
    EXPECT_EQ(SendMessageW(bar->Handle(), TB_BUTTONCOUNT, 0, 0), 2);
}

// A check button that is down, enabled or not, shows its caption on the same line as the others;
// a disabled button (a drop-down one with its arrow too) is drawn where an enabled one is, in
// the caption's colour halfway to the bar's: dimmer on a dark bar as on a light one.
TEST(ToolBar, DownAndDisabledButtonsDrawInLineAndDisabledOnesDimmer) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* bar = new TToolBar(&form);
    bar->SetParent(&form);
    bar->SetShowCaptions(true);
    bar->SetList(true);
    const TToolButtonStyle styles[] = {tbsButton, tbsCheck, tbsCheck, tbsButton, tbsDropDown, tbsDropDown};
    std::vector<TToolButton*> buttons;
    for (TToolButtonStyle style : styles) {
        auto* b = new TToolButton(&form);
        b->SetCaption(L"Nav");
        b->SetStyle(style);
        b->SetParent(bar);
        buttons.push_back(b);
    }
    buttons[1]->SetDown(true);
    buttons[2]->SetDown(true);
    buttons[2]->SetEnabled(false);
    buttons[3]->SetEnabled(false);
    buttons[5]->SetEnabled(false);
    form.Show();
    // Where the ink is in each button (relative to the button), and how far it stands from the bar.
    struct TInk {
        RECT Box;
        int Strongest;
    };
    // The ink: the pixels at least half as far from the bar as the farthest one.
    auto ink = [&](TToolButton* b) {
        const TWindowShot shot = ShootWindow(bar->Handle());
        const COLORREF back = ColorToRGB(bar->Color());
        RECT r = b->BoundsRect();
        InflateRect(&r, -2, -2);
        auto distance = [&](int X, int Y) {
            const COLORREF c = shot.At(X, Y);
            return std::abs(GetRValue(c) - GetRValue(back)) + std::abs(GetGValue(c) - GetGValue(back)) +
                   std::abs(GetBValue(c) - GetBValue(back));
        };
        TInk found{{r.right, r.bottom, -1, -1}, 0};
        for (int pass = 0; pass < 2; ++pass)
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    const int d = distance(x, y);
                    if (pass == 0)
                        found.Strongest = std::max(found.Strongest, d);
                    else if (d * 2 >= found.Strongest)
                        found.Box = {std::min<LONG>(found.Box.left, x - r.left), std::min<LONG>(found.Box.top, y),
                                     std::max<LONG>(found.Box.right, x - r.left), std::max<LONG>(found.Box.bottom, y)};
                }
        return found;
    };
    for (const TColor back : {clBtnFace, static_cast<TColor>(RGB(0x30, 0x30, 0x30))}) {
        SCOPED_TRACE(back);
        bar->SetColor(back);
        bar->Font()->SetColor(back == clBtnFace ? clBlack : clWhite);
        RedrawWindow(bar->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const TInk plain = ink(buttons[0]), down = ink(buttons[1]), downOff = ink(buttons[2]),
                   off = ink(buttons[3]), drop = ink(buttons[4]), dropOff = ink(buttons[5]);
        ASSERT_GT(plain.Box.bottom, 0);
        if (back == clBtnFace) { // a down button's face is dithered: on a dark bar it is ink too
            EXPECT_EQ(down.Box.top, plain.Box.top);
            EXPECT_EQ(down.Box.left, plain.Box.left);
            EXPECT_EQ(downOff.Box.top, plain.Box.top);
        }
        for (const TInk* disabled : {&off, &dropOff}) {
            const TInk& enabled = disabled == &off ? plain : drop;
            EXPECT_TRUE(EqualRect(&disabled->Box, &enabled.Box))
                << disabled->Box.left << "," << disabled->Box.top << " " << disabled->Box.right << ","
                << disabled->Box.bottom << " vs " << enabled.Box.left << "," << enabled.Box.top << " "
                << enabled.Box.right << "," << enabled.Box.bottom;
            EXPECT_LT(disabled->Strongest, enabled.Strongest * 3 / 4);
            EXPECT_GT(disabled->Strongest, enabled.Strongest / 4);
        }
    }
}

// ---------------------------------------------------------------------------------

TEST(PageControl, TabsFollowThePagesAndHotKeysChangePages) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* pc = new TPageControl(&form);
    pc->SetParent(&form);
    pc->SetAlign(alClient);
    auto* toc = new TTabSheet(&form);
    toc->SetCaption(L"&Contents");
    toc->SetPageControl(pc);
    auto* index = new TTabSheet(&form);
    index->SetCaption(L"\u0416 &Index");
    index->SetPageControl(pc);
    auto* hidden = new TTabSheet(&form);
    hidden->SetCaption(L"&Hidden");
    hidden->SetTabVisible(false);
    hidden->SetPageControl(pc);
    form.Show();
    HWND wnd = pc->Handle();
    EXPECT_EQ(pc->PageCount(), 3);
    EXPECT_EQ(SendMessageW(wnd, TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(pc->TabCaption(1), L"\u0416 &Index");
    EXPECT_EQ(pc->ActivePage(), toc);
    EXPECT_TRUE(toc->Visible());
    EXPECT_FALSE(index->Visible());
    // The page fills the display area below the tabs; hidden pages are laid out alike.
    EXPECT_GT(toc->Top(), 0);
    const RECT shown = toc->BoundsRect(), hiddenPage = index->BoundsRect();
    EXPECT_TRUE(EqualRect(&shown, &hiddenPage));

    index->SetCaption(L"Inde&x \u4e2d");
    EXPECT_EQ(pc->TabCaption(1), L"Inde&x \u4e2d");

    int changes = 0;
    bool allow = false;
    pc->OnChange = [&](TObject*) { ++changes; };
    pc->OnChanging = [&](TObject*, bool& a) { a = allow; };
    EXPECT_EQ(form.Perform(CM_DIALOGCHAR, L'X', 0), 1);
    EXPECT_EQ(pc->ActivePage(), toc); // refused by OnChanging
    allow = true;
    EXPECT_EQ(form.Perform(CM_DIALOGCHAR, L'x', 0), 1);
    EXPECT_EQ(pc->ActivePage(), index);
    EXPECT_EQ(SendMessageW(wnd, TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(form.Perform(CM_DIALOGCHAR, L'h', 0), 0); // its tab is not shown

    pc->SelectNextPage(true);
    EXPECT_EQ(pc->ActivePage(), toc);
    pc->SetActivePage(index);
    pc->RecreateWnd();
    EXPECT_EQ(SendMessageW(pc->Handle(), TCM_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(pc->TabCaption(0), L"&Contents");
    delete index;
    EXPECT_EQ(pc->PageCount(), 2);
    EXPECT_EQ(pc->ActivePage(), toc);
}

TEST(ProgressBar, PositionStaysInRangeAndSurvivesANewWindow) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* pb = new TProgressBar(&form);
    pb->SetParent(&form);
    pb->SetRange(0, 300000);
    pb->SetPosition(123456);
    form.Show();
    EXPECT_EQ(SendMessageW(pb->Handle(), PBM_GETPOS, 0, 0), 123456);
    pb->SetPosition(400000);
    EXPECT_EQ(pb->Position(), 300000);
    pb->SetPosition(1000);
    pb->SetStep(500);
    pb->StepIt();
    pb->RecreateWnd();
    EXPECT_EQ(pb->Position(), 1500);
}

// ---------------------------------------------------------------------------------

TEST(RichEdit, TextLinesSelectionAndStreamsRoundTrip) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* re = new TRichEdit(&form);
    re->SetParent(&form);
    int changes = 0;
    re->OnChange = [&](TObject*) { ++changes; };
    form.Show();
    ASSERT_NE(RichEditModule(), nullptr);
    wchar_t cls[64] = {};
    GetClassNameW(re->Handle(), cls, 64);
    EXPECT_STREQ(cls, L"TRichEdit");

    re->SetText(L"\u0416\u0417 one\r\ntwo \u4e2d\r\nthree");
    EXPECT_EQ(changes, 0); // setting the text raises no change
    EXPECT_EQ(re->GetText(), L"\u0416\u0417 one\r\ntwo \u4e2d\r\nthree");
    EXPECT_EQ(re->LineCount(), 3);
    EXPECT_EQ(re->Line(1), L"two \u4e2d");
    EXPECT_THROW(re->Line(3), EListError);
    re->InsertLine(1, L"inserted");
    re->InsertLine(4, L"appended");
    EXPECT_EQ(re->LineCount(), 5);
    EXPECT_EQ(re->Line(1), L"inserted");
    EXPECT_EQ(re->Line(4), L"appended");
    re->DeleteLine(4);
    re->DeleteLine(0);
    EXPECT_EQ(re->LineCount(), 3);
    EXPECT_EQ(re->Line(0), L"inserted");
    EXPECT_EQ(re->Line(2), L"three");
    EXPECT_EQ(re->LineFromChar(0), 0);

    re->SetSelStart(0);
    re->SetSelLength(8);
    EXPECT_EQ(re->SelText(), L"inserted");
    re->SetSelText(L"\u0401");
    EXPECT_EQ(re->Line(0), L"\u0401");
    EXPECT_GE(changes, 1);

    TMemoryStream rtf;
    re->SaveToStream(&rtf);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rtf.Memory()), 5), "{\\rtf");
    re->Clear();
    EXPECT_EQ(re->LineCount(), 0);
    rtf.SetPosition(0);
    re->LoadFromStream(&rtf);
    EXPECT_EQ(re->Line(0), L"\u0401");
    EXPECT_EQ(re->Line(2), L"three");

    re->RecreateWnd();
    EXPECT_EQ(re->Line(1), L"two \u4e2d");
    EXPECT_EQ(re->LineCount(), 3);
}

namespace {
// A stream whose second read or write fails, as a broken pipe or a full disk would.
class TFailingStream : public TMemoryStream {
public:
    int Calls = 0;
    int32_t Read(void* Buffer, int32_t Count) override {
        if (++Calls > 1)
            throw EReadError(L"Stream read error");
        return TMemoryStream::Read(Buffer, Count);
    }
    int32_t Write(const void* Buffer, int32_t Count) override {
        if (++Calls > 1)
            throw EWriteError(L"Stream write error");
        return TMemoryStream::Write(Buffer, std::min<int32_t>(Count, 4));
    }
};
} // namespace

TEST(RichEdit, AStreamThatFailsEndsTheTransferAndItsErrorReachesTheCaller) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* re = new TRichEdit(&form);
    re->SetParent(&form);
    re->SetText(L"kept \u0416 text");
    TFailingStream out;
    EXPECT_THROW(re->SaveToStream(&out), EWriteError);
    TFailingStream in;
    const std::string lots = "{\\rtf1 " + std::string(20000, 'x') + "}"; // more than one transfer
    in.TMemoryStream::Write(lots.data(), static_cast<int32_t>(lots.size()));
    in.SetPosition(0);
    EXPECT_THROW(re->LoadFromStream(&in), EReadError);
    EXPECT_EQ(in.Calls, 2);
    // The control goes on working.
    TMemoryStream good;
    re->SetText(L"kept \u0416 text");
    re->SaveToStream(&good);
    good.SetPosition(0);
    re->Clear();
    re->LoadFromStream(&good);
    EXPECT_EQ(re->Line(0), L"kept \u0416 text");
}

// ---------------------------------------------------------------------------------
// Items and nodes deleted by the handlers of their own events

namespace {

// Freed memory of these classes goes straight to the next object made, so a stale
// pointer to a deleted item lands on a live one (what a busy heap does now and then).
template <class Base>
class TRecycling : public Base {
public:
    using Base::Base;
    static void* operator new(size_t Size) {
        if (s_Slot && Size == s_SlotSize) {
            void* p = s_Slot;
            s_Slot = nullptr;
            return p;
        }
        return ::operator new(Size);
    }
    static void operator delete(void* P, size_t Size) {
        if (!s_Slot) {
            s_Slot = P;
            s_SlotSize = Size;
        } else {
            ::operator delete(P);
        }
    }
    inline static void* s_Slot = nullptr;
    inline static size_t s_SlotSize = 0;
};

class TRecyclingTreeView : public TTreeView {
public:
    using TTreeView::TTreeView;

protected:
    TTreeNode* CreateNode() override { return new TRecycling<TTreeNode>(Items()); }
};

class TRecyclingListView : public TListView {
public:
    using TListView::TListView;

protected:
    TListItem* CreateListItem() override { return new TRecycling<TListItem>(Items()); }
};

} // namespace

TEST(TreeView, HandlersMayDeleteTheNodeTheyRunFor) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* tv = new TRecyclingTreeView(&form);
    tv->SetParent(&form);
    TTreeNodes* nodes = tv->Items();
    TTreeNode* a = nodes->Add(nullptr, L"a");
    nodes->Add(nullptr, L"b");
    form.Show();

    // Edited: the node goes, a new one (in the same memory) must keep its own text.
    TTreeNode* fresh = nullptr;
    tv->OnEdited = [&](TObject*, TTreeNode* node, std::wstring&) {
        node->Delete();
        fresh = nodes->Add(nullptr, L"fresh");
    };
    wchar_t text[] = L"edited";
    NMTVDISPINFOW di{};
    di.hdr.hwndFrom = tv->Handle();
    di.hdr.code = TVN_ENDLABELEDITW;
    di.item.hItem = a->ItemId();
    di.item.lParam = reinterpret_cast<LPARAM>(a);
    di.item.pszText = text;
    tv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
    ASSERT_EQ(static_cast<void*>(fresh), static_cast<void*>(a)); // the memory was reused
    EXPECT_EQ(fresh->Text(), L"fresh");
    tv->OnEdited = nullptr;

    // Expanding: a node deleted by OnExpanding is neither expanded nor reported expanded.
    int expanded = 0;
    tv->OnExpanded = [&](TObject*, TTreeNode*) { ++expanded; };
    TTreeNode* p = nodes->Add(nullptr, L"p");
    nodes->AddChild(p, L"p1");
    tv->OnExpanding = [&](TObject*, TTreeNode* node, bool&) {
        node->Delete();
        fresh = nodes->Add(nullptr, L"again");
        nodes->AddChild(fresh, L"child");
    };
    p->SetExpanded(true);
    EXPECT_EQ(expanded, 0);
    EXPECT_FALSE(fresh->Expanded());
    // The window's own expansion of such a node stops.
    EXPECT_EQ(SendMessageW(tv->Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(fresh->ItemId())), 0);
    EXPECT_EQ(expanded, 0);
    tv->OnExpanding = nullptr;

    // Deletion: deleting the node (or one below it) again from OnDeletion does nothing more.
    nodes->Clear();
    TTreeNode* r = nodes->Add(nullptr, L"r");
    nodes->AddChild(nodes->AddChild(r, L"r1"), L"r11");
    nodes->Add(nullptr, L"s");
    std::vector<std::wstring> deleted;
    tv->OnDeletion = [&](TObject*, TTreeNode* node) {
        deleted.push_back(node->Text());
        node->Delete();
        if (node->Parent())
            node->Parent()->Delete();
    };
    r->Delete();
    EXPECT_EQ(deleted, (std::vector<std::wstring>{L"r11", L"r1", L"r"}));
    EXPECT_EQ(nodes->Count(), 1);
    EXPECT_EQ(SendMessageW(tv->Handle(), TVM_GETCOUNT, 0, 0), 1);
    deleted.clear();
    nodes->Clear(); // the handler's deletions wait for the clearing
    EXPECT_EQ(deleted, (std::vector<std::wstring>{L"s"}));
    EXPECT_EQ(nodes->Count(), 0);

    // Deleting an ancestor from the event of a node being deleted takes the node along.
    TTreeNode* top = nodes->Add(nullptr, L"top");
    TTreeNode* mid = nodes->AddChild(top, L"mid");
    nodes->AddChild(mid, L"low");
    TTreeNode* other = nodes->Add(nullptr, L"other");
    deleted.clear();
    tv->OnDeletion = [&](TObject*, TTreeNode* node) {
        deleted.push_back(node->Text());
        if (node == mid)
            top->Delete();
    };
    mid->Delete();
    EXPECT_EQ(deleted, (std::vector<std::wstring>{L"low", L"mid", L"top"}));
    EXPECT_EQ(nodes->Count(), 1);
    EXPECT_EQ(nodes->Item(0), other);
    EXPECT_EQ(SendMessageW(tv->Handle(), TVM_GETCOUNT, 0, 0), 1);
    tv->OnDeletion = nullptr;
}

TEST(ListView, HandlersMayDeleteTheItemTheyRunFor) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* lv = new TRecyclingListView(&form);
    lv->SetParent(&form);
    lv->SetViewStyle(vsReport);
    lv->Columns()->Add();
    TListItems* items = lv->Items();
    TListItem* a = items->Add();
    a->SetCaption(L"a");
    items->Add()->SetCaption(L"b");
    form.Show();

    TListItem* fresh = nullptr;
    lv->OnEdited = [&](TObject*, TListItem* item, std::wstring&) {
        item->Delete();
        fresh = items->Add();
        fresh->SetCaption(L"fresh");
    };
    wchar_t text[] = L"edited";
    NMLVDISPINFOW di{};
    di.hdr.hwndFrom = lv->Handle();
    di.hdr.code = LVN_ENDLABELEDITW;
    di.item.iItem = 0;
    di.item.pszText = text;
    lv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&di));
    ASSERT_EQ(static_cast<void*>(fresh), static_cast<void*>(a)); // the memory was reused
    EXPECT_EQ(fresh->Caption(), L"fresh");
    lv->OnEdited = nullptr;

    // A change handler that deletes the item: OnSelectItem does not get it any more.
    TListItem* b = items->Item(0);
    ASSERT_EQ(b->Caption(), L"b");
    bool started = false, gone = false;
    int staleCalls = 0;
    lv->OnSelectItem = [&](TObject*, TListItem* item, bool) { staleCalls += gone && item == b; };
    lv->OnChange = [&](TObject*, TListItem* item, TItemChange) {
        if (item == b && !started) {
            started = true;
            item->Delete();
            gone = true;
        }
    };
    b->SetSelected(true);
    EXPECT_TRUE(gone);
    EXPECT_EQ(staleCalls, 0);
    EXPECT_EQ(items->Count(), 1);
    lv->OnChange = nullptr;
    lv->OnSelectItem = nullptr;

    // Deleting again from OnDeletion does nothing more; Clear lets the handler's deletions wait.
    items->Clear();
    for (const wchar_t* s : {L"x", L"y", L"z"})
        items->Add()->SetCaption(s);
    std::vector<std::wstring> deleted;
    lv->OnDeletion = [&](TObject*, TListItem* item) {
        deleted.push_back(item->Caption());
        item->Delete();
    };
    items->Item(1)->Delete();
    EXPECT_EQ(deleted, (std::vector<std::wstring>{L"y"}));
    ASSERT_EQ(items->Count(), 2);
    EXPECT_EQ(items->Item(1)->Caption(), L"z");
    EXPECT_EQ(SendMessageW(lv->Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
    deleted.clear();
    items->Clear();
    EXPECT_EQ(deleted, (std::vector<std::wstring>{L"x", L"z"}));
    EXPECT_EQ(items->Count(), 0);
    lv->OnDeletion = nullptr;
}

TEST(TreeView, AltF4WithTheFocusInAnyControlAsksItsFormToClose) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* tv = new TTreeView(&form);
    tv->Items()->Add(nullptr, L"a");
    auto* lv = new TListView(&form);
    auto* combo = new TComboBox(&form);
    auto* edit = new TEdit(&form);
    int top = 0;
    for (TWinControl* c : std::vector<TWinControl*>{tv, lv, combo, edit}) {
        c->SetParent(&form);
        c->SetBounds(0, top, 200, 60);
        top += 70;
    }
    combo->AddItem(L"one");
    int asked = 0;
    form.OnCloseQuery = [&](TObject*, bool& CanClose) {
        ++asked;
        CanClose = false;
    };
    form.Show();
    int expected = 0;
    for (TWinControl* c : std::vector<TWinControl*>{tv, lv, combo, edit}) {
        c->SetFocus();
        PostMessageW(c->Handle(), WM_SYSKEYDOWN, VK_F4, 0x20000001);
        PumpFor(100);
        EXPECT_EQ(asked, ++expected) << c->ClassName();
    }
}

TEST(TreeView, ARightClickAndTheMenuKeysOpenThePopupMenuOnceAtTheNode) {
    Watchdog w(10000);
    TCcForm form(nullptr);
    auto* tv = new TTreeView(&form);
    tv->SetParent(&form);
    tv->SetBounds(0, 0, 300, 300);
    TTreeNode* a = tv->Items()->Add(nullptr, L"a");
    TTreeNode* b = tv->Items()->Add(nullptr, L"b");
    auto* menu = new TPopupMenu(&form);
    tv->SetPopupMenu(menu);
    int shown = 0;
    std::vector<POINT> asked;
    menu->OnPopup = [&](TObject*) {
        ++shown;
        SetTimer(nullptr, 0, 10, EndMenuNow);
    };
    tv->OnContextPopup = [&](TObject*, POINT P, bool&) { asked.push_back(P); };
    form.Show();
    tv->SetFocus();
    HWND wnd = tv->Handle();
    const RECT rb = b->DisplayRect(true);
    POINT at{rb.left + 3, (rb.top + rb.bottom) / 2};

    // The window's mouse loop takes the release; its report is the only request.
    POINT screen = at;
    ClientToScreen(wnd, &screen);
    SetCursorPos(screen.x, screen.y);
    PostMessageW(wnd, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(wnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
    PumpFor(100);
    EXPECT_EQ(shown, 1);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(tv->GetNodeAt(asked[0].x, asked[0].y), b);

    // Shift+F10 and the Applications key: at the selected node.
    tv->SetSelected(a);
    const RECT ra = a->DisplayRect(true);
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    PostMessageW(wnd, WM_SYSKEYDOWN, VK_F10, 1);
    PostMessageW(wnd, WM_SYSKEYUP, VK_F10, 0xC0000001);
    PumpFor(100);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    PostMessageW(wnd, WM_KEYDOWN, VK_APPS, 1);
    PostMessageW(wnd, WM_KEYUP, VK_APPS, 0xC0000001);
    PumpFor(100);
    EXPECT_EQ(shown, 3);
    ASSERT_EQ(asked.size(), 3u);
    for (size_t i = 1; i < asked.size(); ++i)
        EXPECT_TRUE(PtInRect(&ra, asked[i])) << i;
}
