// The Filters page of the main window over the stand-in store: the tree, the buttons and
// the selected-book label, the catalog list, the locale box, the manager's start from the
// fields, the search button's look and F2 on the catalog box.
#include "VMainFixture.h"

#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UHelpLibManager.h"

#include "../vcl/VclTestSupport.h"

#include <shellapi.h>

using namespace vcltest;

namespace {

// The tree as text: two blanks per level, '+' before an expanded node, '*' before the
// selected one.
std::wstring TreeText(TTntTreeView* Tree) {
    std::wstring text;
    for (TTreeNode* n = Tree->Items()->GetFirstNode(); n; n = n->GetNext())
        text += std::wstring(static_cast<size_t>(n->Level()) * 2, L' ') + (n->Selected() ? L"*" : L"") +
                (n->Expanded() ? L"+" : L"") + n->Text() + L"\n";
    return text;
}

TTreeNode* NodeOf(TTntTreeView* Tree, const std::wstring& Text) {
    for (TTreeNode* n = Tree->Items()->GetFirstNode(); n; n = n->GetNext())
        if (n->Text() == Text)
            return n;
    return nullptr;
}

// Records the starts of the manager instead of making them.
class RecordingHlm : public THlmSystem {
public:
    bool ManagerRunning() override { return false; }
    HWND ManagerWindow() override { return nullptr; }
    void BringToFront(HWND) override {}
    bool IsUserAdmin() override { return true; }
    bool FileExists(const std::wstring& F) override { return GetFileAttributesW(F.c_str()) != INVALID_FILE_ATTRIBUTES; }
    bool Execute(SHELLEXECUTEINFOW& Info, DWORD&) override {
        Starts.push_back(std::wstring(Info.lpParameters));
        Owner = Info.hwnd;
        return true;
    }
    void Wait(DWORD) override {}
    void Message(const std::wstring& Text) override { Messages.push_back(Text); }
    void Log(const std::wstring&) override {}
    std::vector<std::wstring> Starts, Messages;
    HWND Owner = nullptr;
};

// Text typed into the locale box (a change of the user, not of the program).
void TypeLocale(TVMainForm* F, const std::wstring& Text) {
    F->CatalogLocaleCbo->SetText(Text);
    F->CatalogLocaleCbo->OnChange(F->CatalogLocaleCbo);
}

class VMainFilters : public VMainFixture {};

} // namespace

TEST_F(VMainFilters, TheTreeShowsTheStoreWithCountsAndTheButtonsFollowFieldsAndSelection) {
    Watchdog w(60000, "filters tree");
    auto form = Start();
    TVMainForm* f = form->Form;
    // Showing the page fills it.
    f->NavPageControl->SetActivePage(f->TabSheetFilters);
    f->NavPageControlChange();
    EXPECT_EQ(TreeText(f->CatTreeView), L"*EMPTY\\100\\EN-US (0)\n"
                                        L"+VS\\100\\de-DE (2)\n"
                                        L"  +Microsoft (2)\n"
                                        L"    Visual Studio 2010: .NET Framework 4 (1)\n"
                                        L"      vs_dotnet\n"
                                        L"    Visual Studio 2010: Visual Studio-IDE (1)\n"
                                        L"      vs_ide_de\n"
                                        L"  +Contoso (1)\n"
                                        L"    Contoso Widget Library: Contoso Widgets (1)\n"
                                        L"      contoso_widgets\n"
                                        L"+VS\\100\\EN-US (2)\n"
                                        L"  +Microsoft (3)\n"
                                        L"    Visual Studio 2010: .NET Framework 4 (1)\n"
                                        L"      vs_dotnet\n"
                                        L"    Visual Studio 2010: Earlier Versions (1)\n"
                                        L"      vs_legacy\n"
                                        L"    Visual Studio 2010: Visual Studio IDE (1)\n"
                                        L"      vs_ide\n"
                                        L"  +Contoso (1)\n"
                                        L"    Contoso Widget Library: Contoso Widgets (1)\n"
                                        L"      contoso_widgets\n");
    // Filling again gives the same tree, not a second copy.
    f->FillCatalogTree();
    EXPECT_EQ(f->CatTreeView->Items()->Count(), 21);
    // "Refresh catalog Info" keeps the catalog shown in the catalog box.
    int row = f->CatalogCbo->ItemCount() - 1;
    while (row >= 0 && f->CatalogCbo->ItemText(row) != L"VS\\100\\de-DE")
        --row;
    ASSERT_GE(row, 0);
    f->CatalogCbo->SetItemIndex(row);
    f->CatalogCboChange();
    ASSERT_EQ(f->CurrentCatalog, L"VS\\100\\de-DE");
    f->TestHelpLinkClick();
    EXPECT_EQ(f->CatalogCbo->ItemIndex(), row);
    EXPECT_EQ(f->CurrentCatalog, L"VS\\100\\de-DE");

    // Nothing typed: neither button.
    f->CatTreeViewClick();
    EXPECT_FALSE(f->RunHlmBtn->Enabled());
    EXPECT_FALSE(f->ImportCatBookBtn->Enabled());
    EXPECT_EQ(f->SelectedBookLabel->Caption(), L"Selected book: <Select a book>");
    // A catalog typed: the manager may run; a book of another catalog may be imported.
    f->CatalogProductEdit->SetText(L"VS");
    f->CatalogVersionEdit->SetText(L"100");
    TypeLocale(f, L"en-us English");
    EXPECT_TRUE(f->RunHlmBtn->Enabled());
    TTreeNode* german = NodeOf(f->CatTreeView, L"Visual Studio 2010: Visual Studio-IDE (1)");
    ASSERT_TRUE(german);
    german->SetSelected(true);
    EXPECT_TRUE(f->ImportCatBookBtn->Enabled());
    EXPECT_EQ(f->SelectedBookLabel->Caption(), L"Selected book: Visual Studio 2010: Visual Studio-IDE (1)");
    // The book's own catalog (case aside), a vendor or a package: nothing to import.
    NodeOf(f->CatTreeView, L"Visual Studio 2010: Visual Studio IDE (1)")->SetSelected(true);
    EXPECT_FALSE(f->ImportCatBookBtn->Enabled());
    EXPECT_EQ(f->SelectedBookLabel->Caption(), L"Selected book: <Select a book>");
    NodeOf(f->CatTreeView, L"vs_ide_de")->SetSelected(true);
    EXPECT_FALSE(f->ImportCatBookBtn->Enabled());
    // A field emptied again (blanks only) stops both.
    german->SetSelected(true);
    f->CatalogVersionEdit->SetText(L"  ");
    EXPECT_FALSE(f->RunHlmBtn->Enabled());
    EXPECT_FALSE(f->ImportCatBookBtn->Enabled());
}

TEST_F(VMainFilters, CatalogListLocaleBoxAndTheManagersStartFromTheFields) {
    Watchdog w(60000, "filters fields");
    auto form = Start();
    TVMainForm* f = form->Form;
    RecordingHlm hlm;
    f->HlmSystem = &hlm;

    // The catalog list: one item per catalog with its package count; a click fills the fields.
    f->CatPopupMenu->Items()->Clear();
    f->CatPopupMenu->OnPopup(f->CatPopupMenu);
    f->CatPopupMenu->OnPopup(f->CatPopupMenu); // filled again, not added to
    TMenuItem* items = f->CatPopupMenu->Items();
    ASSERT_EQ(items->Count(), 3);
    EXPECT_EQ(items->Items(0)->Caption(), L"EMPTY\\100\\EN-US (0)");
    EXPECT_EQ(items->Items(1)->Caption(), L"VS\\100\\de-DE (3)");
    EXPECT_EQ(items->Items(2)->Caption(), L"VS\\100\\EN-US (4)");
    items->Items(1)->Click();
    EXPECT_EQ(f->CatalogProductEdit->GetText(), L"VS");
    EXPECT_EQ(f->CatalogVersionEdit->GetText(), L"100");
    EXPECT_EQ(f->CatalogLocaleCbo->GetText(), L"de-DE");
    EXPECT_TRUE(f->RunHlmBtn->Enabled());

    // A row of the locale box leaves its bare code once the box is done.
    f->CatalogLocaleCbo->SetItemIndex(4);
    f->CatalogLocaleCbo->OnChange(f->CatalogLocaleCbo);
    EXPECT_TRUE(PumpUntil([&] { return f->CatalogLocaleCbo->GetText() == L"de-de"; }, 5000)) << f->CatalogLocaleCbo->GetText();
    // While the window closes, nothing is posted.
    Closing = true;
    f->CatalogLocaleCbo->SetItemIndex(6);
    f->CatalogLocaleCbo->OnChange(f->CatalogLocaleCbo);
    Application->ProcessMessages();
    Closing = false;
    EXPECT_EQ(f->CatalogLocaleCbo->GetText(), L"ja-jp Japanese - Japan");

    // The button: the fields' command line; empty fields take their defaults and show them.
    f->CatalogProductEdit->SetText(L" My Product ");
    f->CatalogVersionEdit->SetText(L"");
    TypeLocale(f, L"fr-fr French - France");
    f->RunHlmBtn->Click();
    f->CatalogProductEdit->SetText(L"");
    TypeLocale(f, L"");
    f->ImportCatBookBtn->SetEnabled(true);
    f->ImportCatBookBtn->Click();
    ASSERT_EQ(hlm.Starts.size(), 2u);
    EXPECT_EQ(hlm.Starts[0], L"/product \"My Product\" /version 100 /locale fr-fr");
    EXPECT_EQ(hlm.Starts[1], L"/product VS /version 100 /locale en-us");
    EXPECT_EQ(f->CatalogProductEdit->GetText(), L"VS");
    EXPECT_EQ(f->CatalogVersionEdit->GetText(), L"100");
    EXPECT_EQ(f->CatalogLocaleCbo->GetText(), L"en-us");
    EXPECT_EQ(hlm.Owner, f->Handle());
    EXPECT_TRUE(hlm.Messages.empty());
    f->HlmSystem = nullptr;
}

TEST_F(VMainFilters, SearchButtonLightsUnderThePointerAndF2OpensTheCatalogList) {
    Watchdog w(60000, "search button");
    auto form = Start();
    TVMainForm* f = form->Form;
    f->Show();
    const auto moveOver = [&](TControl* Control, int X, int Y) { Control->OnMouseMove(Control, TShiftState(), X, Y); };
    moveOver(f->SearchBtnImage, 3, 3);
    EXPECT_EQ(f->SearchBtnPanel->Color(), static_cast<TColor>(RGB(0xC2, 0xE0, 0xFF)));
    f->SearchBtnImage->OnMouseDown(f->SearchBtnImage, mbLeft, TShiftState(), 3, 3);
    EXPECT_EQ(f->SearchBtnPanel->Color(), static_cast<TColor>(RGB(0x99, 0xCC, 0xFF)));
    // Out of the button over the panels: the window colour, also while still pressed.
    moveOver(f->SearchPanel, 2, 2);
    EXPECT_EQ(f->SearchBtnPanel->Color(), clWindow);
    f->SearchBtnImage->OnMouseUp(f->SearchBtnImage, mbLeft, TShiftState(), 3, 3);
    EXPECT_EQ(f->SearchBtnPanel->Color(), static_cast<TColor>(RGB(0xC2, 0xE0, 0xFF)));
    // The pointer straight from the button onto the catalog box or out of the window: the light goes.
    const POINT onImage{f->SearchBtnImage->Left() + 3, f->SearchBtnImage->Top() + 3};
    for (UINT leave : {WM_MOUSEMOVE, WM_MOUSELEAVE}) {
        SendMessageW(f->SearchBtnPanel->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(onImage.x, onImage.y));
        EXPECT_EQ(f->SearchBtnPanel->Color(), static_cast<TColor>(RGB(0xC2, 0xE0, 0xFF)));
        if (leave == WM_MOUSEMOVE)
            SendMessageW(f->CatalogCbo->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
        else
            SendMessageW(f->SearchBtnPanel->Handle(), WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(f->SearchBtnPanel->Color(), clWindow) << leave;
    }

    WORD key = VK_F2;
    f->CatalogCbo->OnKeyDown(f->CatalogCbo, key, TShiftState());
    EXPECT_EQ(key, 0);
    EXPECT_TRUE(f->CatalogCbo->DroppedDown());
    key = VK_F2;
    f->CatalogCbo->OnKeyDown(f->CatalogCbo, key, TShiftState());
    EXPECT_FALSE(f->CatalogCbo->DroppedDown());
    key = VK_F3;
    f->CatalogCbo->OnKeyDown(f->CatalogCbo, key, TShiftState());
    EXPECT_EQ(key, VK_F3);
}
