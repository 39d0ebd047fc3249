// The Filters page: the local store as a tree (catalog, vendor, book, package), the three
// fields of a catalog with the catalog list, and starting the help runtime's manager for
// them; beside it the search button's look and F2 on the catalog box.
#include "VMain.h"

#include "TntClasses.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAuxFile.h"
#include "UBrowsers.h"
#include "UH3Store.h"
#include "UH3_Code.h"
#include "UHelpLibManager.h"
#include "UUtilsW.h"

namespace {

// The search button's panel colour for the pointer inside the button or not, and the
// mouse button down on it or not.
TColor SearchButtonColor(bool Inside, bool Pressed) {
    if (!Inside)
        return clWindow;
    return Pressed ? RGB(0x99, 0xCC, 0xFF) : RGB(0xC2, 0xE0, 0xFF);
}

void* IndexData(int Index) { return reinterpret_cast<void*>(static_cast<intptr_t>(Index)); }
int DataIndex(const TTreeNode* Node) { return static_cast<int>(reinterpret_cast<intptr_t>(Node->Data())); }

void SetEditText(TTntEdit* Edit, const std::wstring& Text) {
    if (Edit->GetText() != Text)
        Edit->SetText(Text);
}

} // namespace

void TVMainForm::BindFilterEvents() {
    const auto fieldChanged = [this](TObject*) { UpdateCatalogButtons(); };
    CatalogProductEdit->OnChange = fieldChanged;
    CatalogVersionEdit->OnChange = fieldChanged;
    CatalogLocaleCbo->OnChange = [this](TObject*) {
        CatalogLocaleCboSelect();
        UpdateCatalogButtons();
    };
    CatTreeView->OnChange = [this](TObject*, TTreeNode*) { CatTreeViewClick(); };
    UpdateCatalogButtons(); // nothing typed yet
    SetMessageHandler(WM_VIEWER_LOCALE, [this](TMessage&) { CatalogLocaleCboSetCode(); });

    // The search button lights up under the pointer, darker while pressed.
    const auto track = [this](TControl* Control) {
        return [this, Control](TObject*, TShiftState, int X, int Y) { SearchBtnLook(Control->ClientToScreen({X, Y})); };
    };
    for (TControl* panel : std::initializer_list<TControl*>{CatalogPanel, SearchPanel, SearchBtnPanel, SearchBtnImage})
        panel->OnMouseMove = track(panel);
    // Wherever the pointer goes from the button (the boxes beside it, out of the window), it
    // leaves the light behind.
    SearchBtnImage->OnMouseLeave = [this](TObject*) { SearchBtnLook(POINT{-32000, -32000}); };
    SearchBtnImage->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int X, int Y) {
        FSearchBtnDown = true;
        SearchBtnLook(SearchBtnImage->ClientToScreen({X, Y}));
    };
    SearchBtnImage->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        FSearchBtnDown = false;
        SearchBtnLook(SearchBtnImage->ClientToScreen({X, Y}));
        // The middle button searches into a new tab.
        if (Button == mbMiddle) {
            TForceNewTab force;
            ButtonFindClick();
        }
    };

    // F2 opens and closes the catalog box's list.
    CatalogCbo->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
        if (Key != VK_F2)
            return;
        CatalogCbo->SetDroppedDown(!CatalogCbo->DroppedDown());
        Key = 0;
    };
}

void TVMainForm::SearchBtnLook(POINT Screen) {
    const POINT topLeft = SearchBtnImage->ClientToScreen({0, 0});
    const RECT image{topLeft.x, topLeft.y, topLeft.x + SearchBtnImage->Width(), topLeft.y + SearchBtnImage->Height()};
    const TColor color = SearchButtonColor(PtInRect(&image, Screen) != FALSE, FSearchBtnDown);
    if (SearchBtnPanel->Color() != color)
        SearchBtnPanel->SetColor(color);
}

// ---------------------------------------------------------------------------------
// The store tree

void TVMainForm::FillCatalogTree() {
    const std::wstring store = CurrentH3Paths().LocalStore;
    if (!H3Store || store.empty() || !DirectoryExistsW(store))
        return;
    TTreeNodes* nodes = CatTreeView->Items();
    nodes->BeginUpdate();
    nodes->Clear();
    const std::unique_ptr<TTntStringList> catalogs = H3Store->GetCatalogList();
    for (int i = 0; i < catalogs->Count(); ++i) {
        const int catalog = ObjectAsIndex(catalogs->Objects(i));
        TTreeNode* catalogNode = nodes->AddChildObject(nullptr, catalogs->Strings(i), IndexData(catalog));
        std::vector<int> vendors;
        H3Store->GetCatalogVendors(catalog, vendors);
        for (int vendor : vendors) {
            TTreeNode* vendorNode =
                nodes->AddChildObject(catalogNode, H3Store->Vendors[static_cast<size_t>(vendor)].Name, IndexData(vendor));
            const std::unique_ptr<TTntStringList> books = H3Store->GetVendorBooks(catalog, vendor);
            for (int b = 0; b < books->Count(); ++b) {
                const int book = ObjectAsIndex(books->Objects(b));
                TTreeNode* bookNode = nodes->AddChildObject(vendorNode, books->Strings(b), IndexData(book));
                const std::unique_ptr<TTntStringList> packages = H3Store->GetBookPackages(catalog, vendor, book);
                for (int p = 0; p < packages->Count(); ++p)
                    nodes->AddChildObject(bookNode, packages->Strings(p), IndexData(ObjectAsIndex(packages->Objects(p))));
            }
        }
    }
    // Counts on the upper three levels; catalogs and vendors open.
    for (TTreeNode* node = nodes->GetFirstNode(); node; node = node->GetNext()) {
        const int level = node->Level();
        if (level > 2)
            continue;
        node->SetText(node->Text() + L" (" + std::to_wstring(node->Count()) + L")");
        if (level < 2 && node->Count() > 0)
            node->Expand(false);
    }
    if (TTreeNode* first = nodes->GetFirstNode())
        first->SetSelected(true);
    nodes->EndUpdate();
}

void TVMainForm::UpdateCatalogButtons() {
    const THlmFields fields{CatalogProductEdit->GetText(), CatalogVersionEdit->GetText(), CatalogLocaleCbo->GetText()};
    TTreeNode* selected = CatTreeView->Selected();
    const bool book = selected && selected->Level() == 2;
    std::wstring bookCatalog;
    if (book && H3Store) {
        THelp3Catalog catalog;
        if (H3Store->GetCatalog(DataIndex(selected->Parent()->Parent()), catalog))
            bookCatalog = catalog.CatalogKey;
    }
    const TCatalogButtons buttons = CatalogButtonState(fields, book, bookCatalog);
    RunHlmBtn->SetEnabled(buttons.RunEnabled);
    ImportCatBookBtn->SetEnabled(buttons.ImportEnabled);
}

void TVMainForm::CatTreeViewClick() {
    UpdateCatalogButtons();
    TTreeNode* selected = CatTreeView->Selected();
    SelectedBookLabel->SetCaption(std::wstring(L"Selected book: ") +
                                  (ImportCatBookBtn->Enabled() && selected ? selected->Text() : L"<Select a book>"));
}

void TVMainForm::TestHelpLinkClick() {
    if (!H3Store || !H3Store->LoadManifest())
        return;
    FillCatalogTree();
    RefillCatalogBox();
    CatTreeViewClick();
}

void TVMainForm::Help_UsingCatalogsClick() { OpenUrlInBrowser(UsingCatalogsHelpUrl, 0); }

// ---------------------------------------------------------------------------------
// The catalog fields

void TVMainForm::SelectCatalogPopupLinkClick() {
    CatPopupMenu->DropDown(SelectCatalogPopupLink, 4);
}

void TVMainForm::CatPopupMenuPopup() {
    TMenuItem* items = CatPopupMenu->Items();
    items->Clear();
    if (!H3Store)
        return;
    const std::unique_ptr<TTntStringList> catalogs = H3Store->GetCatalogList();
    for (int i = 0; i < catalogs->Count(); ++i) {
        const int index = ObjectAsIndex(catalogs->Objects(i));
        THelp3Catalog catalog;
        if (!H3Store->GetCatalog(index, catalog))
            continue;
        auto* item = new TTntMenuItem(CatPopupMenu);
        item->SetCaption(catalogs->Strings(i) + L" (" + std::to_wstring(catalog.PackageIndexes.size()) + L")");
        item->OnClick = [this, catalog](TObject*) {
            SetEditText(CatalogProductEdit, catalog.productId);
            SetEditText(CatalogVersionEdit, catalog.productVersion);
            CatalogLocaleCbo->SetText(catalog.productLocale);
            UpdateCatalogButtons();
        };
        items->Add(item);
    }
}

void TVMainForm::CatalogLocaleCboSelect() {
    FLocaleCode.clear();
    const int row = CatalogLocaleCbo->ItemIndex();
    if (row < 0)
        return;
    const std::wstring text = CatalogLocaleCbo->ItemText(row);
    const size_t blank = text.find(L' ');
    if (blank == std::wstring::npos)
        return;
    FLocaleCode = text.substr(0, blank);
    // The box puts the whole row into its text after this; the code replaces it later.
    if (!Closing)
        PostMessageW(Handle(), WM_VIEWER_LOCALE, 0, 0);
}

void TVMainForm::CatalogLocaleCboSetCode() {
    if (FLocaleCode.empty())
        return;
    CatalogLocaleCbo->SetText(FLocaleCode);
    UpdateCatalogButtons();
}

// ---------------------------------------------------------------------------------
// The manager

void TVMainForm::RunHlmBtnClick() { RunHelpLibraryManager(true); }

void TVMainForm::RunHelpLibraryManager(bool AskElevation) {
    THlmFields fields{CatalogProductEdit->GetText(), CatalogVersionEdit->GetText(), CatalogLocaleCbo->GetText()};
    TCustomForm* active = Screen ? Screen->ActiveForm() : nullptr;
    const HWND owner = active && active->HandleAllocated() ? active->Handle() : Handle();
    ::RunHelpLibraryManager(AskElevation, fields, CurrentH3Paths(), owner, HlmProcess,
                            HlmSystem ? *HlmSystem : DefaultHlmSystem());
    // Empty fields took their defaults.
    SetEditText(CatalogProductEdit, fields.Product);
    SetEditText(CatalogVersionEdit, fields.Version);
    if (CatalogLocaleCbo->GetText() != fields.Locale)
        CatalogLocaleCbo->SetText(fields.Locale);
    UpdateCatalogButtons();
}
