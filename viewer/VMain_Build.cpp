// The main window's controls and non-visual components.
#include "VMain.h"
#include "UMakeControl.h"

#include "ActnList.h"
#include "AppEvnts.h"
#include "ImgList.h"
#include "QXSuperTip.h"
#include "TntActnList.h"
#include "TntButtons.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntStdCtrls.h"
#include "UMessageTexts.h"
#include "UPaneLayout.h"
#include "qenSmartTabs.h"

namespace {

template <class T>
T* Make(TComponent* Owner, TWinControl* Parent, const wchar_t* Name) {
    return MakeControl<T>(Owner, Parent, Name);
}

TTntTabSheet* MakePage(TComponent* Owner, TTntPageControl* Pages, const wchar_t* Name, const wchar_t* Caption) {
    auto* page = new TTntTabSheet(Owner);
    page->SetName(Name);
    page->SetPageControl(Pages);
    page->SetCaption(Caption);
    return page;
}

// A link-looking label: blue, underlined, hand cursor.
TTntLabel* MakeLink(TComponent* Owner, TWinControl* Parent, const wchar_t* Name, const wchar_t* Caption) {
    auto* l = Make<TTntLabel>(Owner, Parent, Name);
    l->SetCaption(Caption);
    l->SetCursor(crHandPoint);
    l->Font()->SetColor(RGB(0, 0x66, 0xCC));
    l->Font()->SetStyle(fsUnderline);
    return l;
}

// The small pictures drawn in code: a magnifier for the search button, an arrow for the
// pane's collapse image, a circular arrow (refresh) and a question mark (help).
enum class TGlyph { Search, Collapse, Refresh, Help };

void DrawGlyph(TTntImage* Image, TGlyph Glyph, int Width, int Height) {
    TBitmap* b = Image->Picture()->Bitmap();
    b->SetSize(Width, Height);
    TCanvas* c = b->Canvas();
    c->Brush()->SetColor(clWindow);
    c->FillRect(RECT{0, 0, Width, Height});
    c->Pen()->SetColor(RGB(0x30, 0x50, 0x80));
    c->Pen()->SetWidth(2);
    c->Brush()->SetStyle(bsClear);
    switch (Glyph) {
    case TGlyph::Search:
        c->Ellipse(3, 3, 12, 12);
        c->MoveTo(11, 11);
        c->LineTo(16, 16);
        break;
    case TGlyph::Collapse:
        c->Pen()->SetWidth(1);
        c->Brush()->SetStyle(bsSolid);
        c->Brush()->SetColor(RGB(0x30, 0x50, 0x80));
        c->Polygon({{Width - 2, 2}, {Width - 2, Height - 3}, {1, Height / 2}});
        break;
    case TGlyph::Refresh:
        c->Ellipse(2, 2, 14, 14);
        c->Pen()->SetColor(clWindow);
        c->MoveTo(10, 1);
        c->LineTo(14, 5);
        c->Pen()->SetColor(RGB(0x30, 0x50, 0x80));
        c->MoveTo(12, 0);
        c->LineTo(12, 5);
        c->LineTo(8, 5);
        break;
    case TGlyph::Help:
        c->Pen()->SetWidth(1);
        c->Ellipse(0, 0, 16, 16);
        c->Font()->SetStyle(fsBold);
        c->Font()->SetColor(RGB(0x30, 0x50, 0x80));
        c->TextOut(5, 1, L"?");
        break;
    }
}

// A clickable picture.
TTntImage* MakeImage(TComponent* Owner, TWinControl* Parent, const wchar_t* Name, TGlyph Glyph, RECT Bounds) {
    auto* image = Make<TTntImage>(Owner, Parent, Name);
    image->SetBoundsRect(Bounds);
    image->SetCursor(crHandPoint);
    DrawGlyph(image, Glyph, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top);
    return image;
}

} // namespace

void TVMainForm::BuildControls() {
    ThemeBackground = RGB(0xF0, 0xFD, 0xFF); // Light Sky Blue until the settings say otherwise
    ThemeText = RGB(0x18, 0x1D, 0x29);
    LastPaneWidth = DefaultPaneWidth;

    // Status bar: status text (takes what the other two leave), page status, zoom.
    StatusBar1 = Make<TTntStatusBar>(this, this, L"StatusBar1");
    StatusBar1->SetAlign(alBottom);
    for (int width : {999, 133, 166})
        StatusBar1->Panels()->Add()->SetWidth(width);
    StatusBar1->Panels()->Items(2)->SetText(L"Zoom");
    ProgressBar1 = Make<TTntProgressBar>(this, StatusBar1, L"ProgressBar1");
    ProgressBar1->SetBounds(4, 3, 200, 14);
    ProgressBar1->SetVisible(false);

    // The navigation pane.
    LeftPanel = MakePanel(this, this, L"LeftPanel", alLeft);
    LeftPanel->SetWidth(DefaultLeftPanelWidth);
    CatalogPanel = MakePanel(this, LeftPanel, L"CatalogPanel", alTop);
    CatalogPanel->SetHeight(29);
    CatalogCbo = Make<TTntComboBox>(this, CatalogPanel, L"CatalogCbo");
    CatalogCbo->SetStyle(csDropDownList);
    CatalogCbo->SetBounds(4, 4, DefaultLeftPanelWidth - 8, 21);
    CatalogCbo->SetAnchors(akLeft | akTop | akRight);
    CatalogCbo->SetDropDownCount(24);
    CatalogCbo->SetHint(L"Select a help catalog (F2)");
    CatalogCbo->SetShowHint(true);

    SearchPanel = MakePanel(this, LeftPanel, L"SearchPanel", alTop);
    SearchPanel->SetHeight(28);
    SearchPanel->SetTop(CatalogPanel->Height());
    SearchEdit = Make<TTntEdit>(this, SearchPanel, L"SearchEdit");
    SearchEdit->SetBounds(24, 3, DefaultLeftPanelWidth - 76, 21);
    SearchEdit->SetAnchors(akLeft | akTop | akRight);
    SearchBtnPanel = MakePanel(this, SearchPanel, L"SearchBtnPanel", alNone);
    SearchBtnPanel->SetBounds(DefaultLeftPanelWidth - 49, 3, 24, 21);
    SearchBtnPanel->SetAnchors(akTop | akRight);
    SearchBtnImage = MakeImage(this, SearchBtnPanel, L"SearchBtnImage", TGlyph::Search, RECT{3, 2, 21, 20});
    SearchBtnImage->SetHint(L"Search");
    SearchBtnImage->SetShowHint(true);
    SuperTipSearch = Make<TQXSuperTip>(this, SearchPanel, L"SuperTipSearch");
    // Left of the box; the right-to-left layout moves it to the other side.
    SuperTipSearch->SetBounds(4, 6, 16, 16);
    SuperTipSearch->SetAnchors(akTop | akLeft);
    SuperTipSearch->SetHint(L"Search:950;|Type words to search the help library.||Ctrl+E moves here; Enter "
                            L"searches; Ctrl+Enter shows the results in a new tab.");

    NavPageControl = Make<TTntPageControl>(this, LeftPanel, L"NavPageControl");
    NavPageControl->SetAlign(alClient);
    TabSheetToc = MakePage(this, NavPageControl, L"TabSheetToc", L"Contents");
    TabSheetIndex = MakePage(this, NavPageControl, L"TabSheetIndex", L"Index");
    TabSheetBookmarks = MakePage(this, NavPageControl, L"TabSheetBookmarks", L"Bookmarks");
    TabSheetFilters = MakePage(this, NavPageControl, L"TabSheetFilters", L"Filters");

    // Contents.
    TocImageList = new TImageList(this);
    TocImageList->SetName(L"TocImageList");
    TocImageList->SetSize(16, 16);
    TreeView1 = Make<TTntTreeView>(this, TabSheetToc, L"TreeView1");
    TreeView1->SetAlign(alClient);
    TreeView1->SetHideSelection(false);
    TreeView1->SetReadOnly(true);

    // Index.
    IndexEdit = Make<TTntEdit>(this, TabSheetIndex, L"IndexEdit");
    IndexEdit->SetAlign(alTop);
    IdxLoadingPanel = MakePanel(this, TabSheetIndex, L"IdxLoadingPanel", alTop);
    IdxLoadingPanel->SetCaption(L"  Loading Index...");
    IdxLoadingPanel->SetAlignment(taLeftJustify);
    IdxLoadingPanel->SetHeight(22);
    IdxLoadingPanel->SetTop(IndexEdit->Height());
    IdxLoadingPanel->SetVisible(false);
    IdxNoCachePanel = MakePanel(this, TabSheetIndex, L"IdxNoCachePanel", alTop);
    IdxNoCachePanel->SetCaption(MsgTxt_NoCachedIndex);
    IdxNoCachePanel->SetAlignment(taLeftJustify);
    IdxNoCachePanel->SetHeight(22);
    IdxNoCachePanel->SetTop(IndexEdit->Height());
    IdxNoCachePanel->SetVisible(false);
    IndexLV = Make<TTntListView>(this, TabSheetIndex, L"IndexLV");
    IndexLV->SetAlign(alClient);
    IndexLV->SetViewStyle(vsReport);
    IndexLV->SetOwnerData(true);
    IndexLV->SetReadOnly(true);
    IndexLV->SetRowSelect(true);
    IndexLV->SetHideSelection(false);
    IndexLV->SetShowColumnHeaders(false);
    IndexLV->Columns()->Add()->SetWidth(DefaultLeftPanelWidth - 30);

    // Bookmarks: the folder buttons over the place of the folder list.
    FavToolPanel = MakePanel(this, TabSheetBookmarks, L"FavToolPanel", alTop);
    FavToolPanel->SetHeight(28);
    FavBackBtn = Make<TTntSpeedButton>(this, FavToolPanel, L"FavBackBtn");
    FavBackBtn->SetCaption(L"Up");
    FavBackBtn->SetHint(L"Up One Level");
    FavBackBtn->SetShowHint(true);
    FavBackBtn->SetBounds(DefaultLeftPanelWidth - 90, 3, 40, 22);
    FavBackBtn->SetAnchors(akTop | akRight);
    FavGoBtn = Make<TTntSpeedButton>(this, FavToolPanel, L"FavGoBtn");
    FavGoBtn->SetCaption(L"Folders");
    FavGoBtn->SetHint(L"Bookmark folders");
    FavGoBtn->SetShowHint(true);
    FavGoBtn->SetBounds(DefaultLeftPanelWidth - 48, 3, 40, 22);
    FavGoBtn->SetAnchors(akTop | akRight);
    FavListPanel = MakePanel(this, TabSheetBookmarks, L"FavListPanel", alClient);
    FavListPanel->SetColor(clWindow);

    // Filters.
    FilterPanel = MakePanel(this, TabSheetFilters, L"FilterPanel", alBottom);
    FilterPanel->SetHeight(168);
    CatTreeView = Make<TTntTreeView>(this, TabSheetFilters, L"CatTreeView");
    CatTreeView->SetAlign(alClient);
    CatTreeView->SetHideSelection(false);
    CatTreeView->SetReadOnly(true);
    SelectedBookLabel = Make<TTntLabel>(this, FilterPanel, L"SelectedBookLabel");
    SelectedBookLabel->SetCaption(L"Selected book:");
    SelectedBookLabel->SetBounds(6, 6, 330, 15);
    SelectCatalogPopupLink = MakeLink(this, FilterPanel, L"SelectCatalogPopupLink", L"Catalog Select:");
    SelectCatalogPopupLink->SetHint(L"Select from list of existing catalogs");
    SelectCatalogPopupLink->SetShowHint(true);
    SelectCatalogPopupLink->SetBounds(6, 28, 90, 15);
    CatalogProductEdit = Make<TTntEdit>(this, FilterPanel, L"CatalogProductEdit");
    CatalogProductEdit->SetBounds(6, 48, 60, 21);
    CatalogVersionEdit = Make<TTntEdit>(this, FilterPanel, L"CatalogVersionEdit");
    CatalogVersionEdit->SetBounds(70, 48, 50, 21);
    CatalogLocaleCbo = Make<TTntComboBox>(this, FilterPanel, L"CatalogLocaleCbo");
    CatalogLocaleCbo->SetBounds(124, 48, 180, 21);
    CatalogLocaleCbo->SetDropDownCount(12);
    RunHlmBtn = Make<TTntButton>(this, FilterPanel, L"RunHlmBtn");
    RunHlmBtn->SetCaption(L"Help Library Manager");
    RunHlmBtn->SetBounds(6, 78, 150, 25);
    ImportCatBookBtn = Make<TTntButton>(this, FilterPanel, L"ImportCatBookBtn");
    ImportCatBookBtn->SetCaption(L"Import Selected Book");
    ImportCatBookBtn->SetBounds(162, 78, 150, 25);
    RefreshImage = MakeImage(this, FilterPanel, L"RefreshImage", TGlyph::Refresh, RECT{6, 114, 22, 130});
    TestHelpLink = MakeLink(this, FilterPanel, L"TestHelpLink", L"Refresh catalog Info");
    TestHelpLink->SetBounds(26, 114, 130, 15);
    OnlineHelpImage = MakeImage(this, FilterPanel, L"OnlineHelpImage", TGlyph::Help, RECT{6, 138, 22, 154});
    Help_UsingCatalogs = MakeLink(this, FilterPanel, L"Help_UsingCatalogs", L"Using catalogs");
    Help_UsingCatalogs->SetBounds(26, 138, 130, 15);

    // The splitter beside the pane, and the image that collapses the pane.
    TntSplitter1 = Make<TTntSplitter>(this, this, L"TntSplitter1");
    TntSplitter1->SetAlign(alLeft);
    TntSplitter1->SetWidth(5);
    TntSplitter1->SetLeft(DefaultLeftPanelWidth + 1);
    TntSplitter1->SetMinSize(CollapsedPaneWidth);
    TntSplitter1->SetAutoSnap(true);

    // The tabs.
    TabsPanel = MakePanel(this, this, L"TabsPanel", alClient);
    // An etched line on the edge that faces the navigation pane (PlaceTabsBevel).
    TabsPanel->SetBevelOuter(bvLowered);
    TabsPanel->SetBevelInner(bvRaised);
    TabsPanel->SetBevelEdges(beLeft);
    SmartTabs = Make<TqenSmartTabs>(this, TabsPanel, L"SmartTabs");
    SmartTabs->SetAlign(alTop);
    TabStrip = SmartTabs;
    g_TabStrip = SmartTabs;
    DockPanel = MakePanel(this, TabsPanel, L"DockPanel", alClient);
    DockPanel->SetColor(clWindow);

    const int splitter = TntSplitter1->Left();
    SlitterImage1 = MakeImage(this, this, L"SlitterImage1", TGlyph::Collapse, RECT{splitter, 60, splitter + 5, 84});
    SlitterImage1->SetShowHint(true);

    // Non-visual components.
    MenuImageList = new TImageList(this);
    MenuImageList->SetName(L"MenuImageList");
    MenuImageList->SetSize(16, 16);
    ApplicationEvents1 = new TApplicationEvents(this);
    ApplicationEvents1->SetName(L"ApplicationEvents1");
    ApplicationEvents2 = new TApplicationEvents(this);
    ApplicationEvents2->SetName(L"ApplicationEvents2");
    ActionList1 = new TActionList(this);
    ActionList1->SetName(L"ActionList1");
    CtrlEnterAction = new TTntAction(this);
    CtrlEnterAction->SetName(L"CtrlEnterAction");
    CtrlEnterAction->SetActionList(ActionList1);
    CtrlEnterAction->SetShortCut(scCtrl | VK_RETURN);
}
