#include "ShellTestSupport.h"

#include "Forms.h"
#include "UPTTreeList.h"

#include "../../vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vcltest;

namespace {

class TBaseForm : public TForm {
public:
    VORLANE_CLASS_NAME(TBaseForm)
    explicit TBaseForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(30, 30, 480, 360); }
};

// Puts a comctl32 version in place for one scope.
class TComCtlVersionScope {
public:
    TComCtlVersionScope(WORD Major, WORD Minor) {
        TPTFileVersion v;
        v.MS = static_cast<DWORD>(Major) << 16 | Minor;
        SetComCtlVersionStandIn(&v);
    }
    ~TComCtlVersionScope() { SetComCtlVersionStandIn(nullptr); }
};

class TRecordingListView : public TPTCustomListView {
public:
    VORLANE_CLASS_NAME(TRecordingListView)
    using TPTCustomListView::TPTCustomListView;
    std::vector<int> PaintedSections;

protected:
    void PaintHeaderSection(const DRAWITEMSTRUCT& Item) override {
        PaintedSections.push_back(static_cast<int>(Item.itemID));
        TPTCustomListView::PaintHeaderSection(Item);
    }
};

int HeaderFormat(HWND Header, int Index) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(Header, HDM_GETITEMW, Index, reinterpret_cast<LPARAM>(&item));
    return item.fmt;
}

TRecordingListView* MakeReportList(TForm& Form) {
    auto* lv = new TRecordingListView(&Form);
    lv->SetParent(&Form);
    lv->SetBounds(0, 0, 460, 300);
    lv->SetViewStyle(vsReport);
    for (const wchar_t* c : {L"Name", L"Size", L"Type"}) {
        TListColumn* col = lv->Columns()->Add();
        col->SetCaption(c);
        col->SetWidth(120);
    }
    lv->Columns()->Items(1)->SetAlignment(taRightJustify);
    for (int i = 0; i < 4; ++i)
        lv->Items()->Add()->SetCaption(L"row" + std::to_wstring(i));
    return lv;
}

} // namespace

TEST(PTTreeListLayout, SectionsPlaceTheArrowByModeWithABoxFromTheHeight) {
    const RECT section{100, 0, 220, 20}; // 120 wide, 20 high: box side 9
    TPTHeaderSectionLayout l = PTHeaderSectionLayout(section, ptlvLeftAlign, true, false, 40);
    EXPECT_EQ(l.Clip.left, 102);
    EXPECT_EQ(l.Arrow.right - l.Arrow.left, 9);
    EXPECT_EQ(l.Arrow.left, 102);
    EXPECT_EQ(l.Arrow.top, 2 + (16 - 9) / 2); // centred in the clip
    EXPECT_EQ(l.Text.left, 102 + 9 + 5);
    EXPECT_TRUE(l.ShowArrow);

    l = PTHeaderSectionLayout(section, ptlvRightOfText, true, false, 40);
    EXPECT_EQ(l.Arrow.left, 102 + 40 + 5);
    EXPECT_EQ(l.Text.left, 102);
    l = PTHeaderSectionLayout(section, ptlvRightOfText, true, true, 40);
    EXPECT_EQ(l.Arrow.right, 218 - 5);
    EXPECT_EQ(l.Text.right, l.Arrow.left - 4);
    // Only the sort column has an arrow, and no mode that paints none.
    EXPECT_FALSE(PTHeaderSectionLayout(section, ptlvRightAlign, false, false, 40).ShowArrow);
    EXPECT_FALSE(PTHeaderSectionLayout(section, ptlvNone, true, false, 40).ShowArrow);

    // The box side comes from the height, wherever the section sits.
    const RECT low{0, 40, 120, 60};
    EXPECT_EQ(PTHeaderSectionLayout(low, ptlvLeftAlign, true, false, 0).Arrow.right -
                  PTHeaderSectionLayout(low, ptlvLeftAlign, true, false, 0).Arrow.left,
              9);
    // A column only twice the box wide (or narrower) shows no arrow.
    EXPECT_FALSE(PTHeaderSectionLayout(RECT{0, 0, 18, 20}, ptlvLeftAlign, true, false, 0).ShowArrow);
    EXPECT_TRUE(PTHeaderSectionLayout(RECT{0, 0, 19, 20}, ptlvLeftAlign, true, false, 0).ShowArrow);
}

TEST(PTCustomListView, TheHeaderShowsTheSortColumnOnBothComCtlPaths) {
    Watchdog w(15000);
    TBaseForm form(nullptr);
    TComCtlVersionScope v6(6, 0);
    TRecordingListView* lv = MakeReportList(form);
    form.Show();
    HWND header = lv->HeaderHandle();
    ASSERT_NE(header, nullptr);
    lv->SetHeaderSortColumn(1);
    lv->SetHeaderSortDirection(1);
    EXPECT_EQ(HeaderFormat(header, 1) & (HDF_SORTUP | HDF_SORTDOWN | HDF_OWNERDRAW | HDF_STRING), HDF_SORTUP | HDF_STRING);
    EXPECT_EQ(HeaderFormat(header, 1) & HDF_JUSTIFYMASK, HDF_RIGHT);
    EXPECT_EQ(HeaderFormat(header, 0) & (HDF_SORTUP | HDF_SORTDOWN | HDF_OWNERDRAW), 0);
    lv->SetHeaderSortDirection(0);
    EXPECT_EQ(HeaderFormat(header, 1) & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);
    lv->SetHeaderSortColumn(2);
    EXPECT_EQ(HeaderFormat(header, 1) & (HDF_SORTUP | HDF_SORTDOWN), 0);
    EXPECT_EQ(HeaderFormat(header, 2) & (HDF_SORTUP | HDF_SORTDOWN), HDF_SORTDOWN);

    // Setting the same sort column again repaints nothing.
    PumpFor(30);
    ValidateRect(header, nullptr);
    lv->SetHeaderSortColumn(2);
    EXPECT_FALSE(GetUpdateRect(header, nullptr, FALSE));
    lv->SetHeaderSortColumn(0);
    EXPECT_TRUE(GetUpdateRect(header, nullptr, FALSE));

    // Painting the arrow itself: every section is owner-drawn, and painted by the control.
    lv->SetHeaderSortDisplayMode(ptlvLeftAlign);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(HeaderFormat(header, i) & (HDF_OWNERDRAW | HDF_STRING | HDF_SORTUP | HDF_SORTDOWN), HDF_OWNERDRAW)
            << i;
    EXPECT_EQ(HeaderFormat(header, 1) & HDF_JUSTIFYMASK, HDF_RIGHT);
    lv->PaintedSections.clear();
    RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    EXPECT_EQ(lv->PaintedSections.size(), 3u);
}

TEST(PTCustomListView, WithComCtl5TheControlPaintsTheArrowsAndColoursFollowTheControl) {
    Watchdog w(15000);
    TBaseForm form(nullptr);
    TComCtlVersionScope v5(5, 81);
    TRecordingListView* lv = MakeReportList(form);
    lv->SetHeaderSortColumn(0);
    form.Show();
    HWND header = lv->HeaderHandle();
    PumpFor(30); // the posted second update
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(HeaderFormat(header, i) & (HDF_OWNERDRAW | HDF_SORTUP | HDF_SORTDOWN), HDF_OWNERDRAW) << i;
    lv->PaintedSections.clear();
    RedrawWindow(header, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    EXPECT_EQ(lv->PaintedSections.size(), 3u);
    // A column added later is formatted too (the header is asked again on its changes).
    lv->SetHeaderSortDisplayMode(ptlvNone);
    EXPECT_EQ(HeaderFormat(header, 0) & (HDF_OWNERDRAW | HDF_STRING), HDF_STRING);

    lv->SetColor(RGB(10, 20, 30));
    HWND wnd = lv->Handle();
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(wnd, LVM_GETBKCOLOR, 0, 0)), RGB(10, 20, 30));
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(wnd, LVM_GETTEXTBKCOLOR, 0, 0)), RGB(10, 20, 30));
    lv->RecreateWnd();
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(lv->Handle(), LVM_GETBKCOLOR, 0, 0)), RGB(10, 20, 30));
}

TEST(PTCustomListView, ContextKeysOpenTheMenuAtTheFocusedItemOnce) {
    Watchdog w(15000);
    TBaseForm form(nullptr);
    TRecordingListView* lv = MakeReportList(form);
    form.Show();
    HWND wnd = lv->Handle();
    struct TCall {
        TListItem* Item;
        POINT At;
    };
    std::vector<TCall> calls;
    lv->OnItemContextMenu = [&](TObject*, TListItem* Item, POINT& At, TPopupMenuBase*& Menu) {
        calls.push_back({Item, At});
        Menu = nullptr; // nothing is shown
    };
    TListItem* focused = lv->Items()->Item(2);
    focused->SetSelected(true);
    focused->SetFocused(true);
    const RECT label = focused->DisplayRect(LVIR_LABEL);
    const POINT centre{(label.left + label.right) / 2, (label.top + label.bottom) / 2};

    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(wnd, WM_SYSKEYDOWN, VK_F10, 1);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].Item, focused);
    EXPECT_EQ(calls[0].At.x, centre.x);
    EXPECT_EQ(calls[0].At.y, centre.y);
    // The system's own request after that key shows nothing more.
    SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(-1, -1));
    EXPECT_EQ(calls.size(), 1u);

    // The Applications key alike; F10 alone is no request.
    SendMessageW(wnd, WM_KEYDOWN, VK_APPS, 1);
    EXPECT_EQ(calls.size(), 2u);
    SendMessageW(wnd, WM_SYSKEYDOWN, VK_F10, 1);
    EXPECT_EQ(calls.size(), 2u);

    // A request at a screen point names the item there, in client coordinates.
    const RECT other = lv->Items()->Item(0)->DisplayRect(LVIR_LABEL);
    const POINT screen = lv->ClientToScreen(POINT{other.left + 3, other.top + 3});
    SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(screen.x, screen.y));
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].Item, lv->Items()->Item(0));
    EXPECT_EQ(calls[2].At.x, other.left + 3);
    // A keyboard request from the system goes to the focused item too.
    SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(-1, -1));
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].Item, focused);
}

namespace {
class TImageTree : public TPTCustomTreeView {
public:
    VORLANE_CLASS_NAME(TImageTree)
    using TPTCustomTreeView::TPTCustomTreeView;
    int Asked = 0;

protected:
    int NodeImageIndex(TTreeNode* Node, bool Selected) override {
        ++Asked;
        return Selected ? 7 : 3;
    }
};
} // namespace

TEST(PTCustomTreeView, ImagesComeFromTheClassCheckBoxesReachTheWindowAndKeysOpenTheMenu) {
    Watchdog w(15000);
    TBaseForm form(nullptr);
    auto* tv = new TImageTree(&form);
    tv->SetParent(&form);
    tv->SetBounds(0, 0, 300, 300);
    TTreeNode* root = tv->Items()->Add(nullptr, L"root");
    TTreeNode* child = tv->Items()->AddChild(root, L"child");
    int events = 0;
    tv->OnGetImageIndex = [&](TObject*, TTreeNode*) { ++events; };
    form.Show();
    HWND wnd = tv->Handle();
    EXPECT_FALSE(GetWindowLongW(wnd, GWL_STYLE) & TVS_CHECKBOXES);
    tv->SetCheckBoxes(true);
    wnd = tv->Handle();
    EXPECT_TRUE(GetWindowLongW(wnd, GWL_STYLE) & TVS_CHECKBOXES);

    NMTVDISPINFOW info{};
    info.hdr.hwndFrom = wnd;
    info.hdr.code = TVN_GETDISPINFOW;
    wchar_t text[32] = {};
    info.item.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_TEXT;
    info.item.lParam = reinterpret_cast<LPARAM>(child);
    info.item.pszText = text;
    info.item.cchTextMax = 32;
    tv->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.item.iImage, 3);
    EXPECT_EQ(info.item.iSelectedImage, 7);
    EXPECT_STREQ(text, L"child");
    EXPECT_EQ(info.item.mask, static_cast<UINT>(TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_TEXT));
    EXPECT_EQ(events, 0); // the library's image events stay out

    std::vector<TTreeNode*> nodes;
    tv->OnNodeContextMenu = [&](TObject*, TTreeNode* Node, POINT&, TPopupMenuBase*& Menu) {
        nodes.push_back(Node);
        Menu = nullptr;
    };
    child->MakeVisible();
    child->SetSelected(true);
    SendMessageW(wnd, WM_KEYDOWN, VK_APPS, 1);
    SendMessageW(wnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(wnd), MAKELPARAM(-1, -1));
    ASSERT_EQ(nodes.size(), 1u);
    EXPECT_EQ(nodes[0], child);
}
