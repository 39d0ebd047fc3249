// The bookmarks page: a shell folder list of Internet shortcut files with its folder combo,
// opening a bookmark by a click, saving one through the "Add Bookmark" dialog, and the
// folder commands of the page's menu.
#include "VMain.h"

#include "FSaveFav.h"
#include "TntButtons.h"
#include "TntComCtrls.h"
#include "TntExtCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAppSettings.h"
#include "UAuxFile.h"
#include "UBookmarks.h"
#include "UBrowsers.h"
#include "UPTShellCombo.h"
#include "UPTShellList.h"
#include "UShellExec.h"
#include "UUnicode.h"
#include "UUtilsW.h"

#include <shlobj.h>

#include <memory>

namespace {

// Shown when the list's folder has no file-system path.
const wchar_t* const VirtualFolderMessage = L"Please select a bookmark folder\rCannot save bookmarks to a virtual folder!";

std::wstring WithTrailingBackslash(const std::wstring& Path) {
    return !Path.empty() && Path.back() == L'\\' ? Path : Path + L"\\";
}

// A save killed before its new file replaced the bookmark leaves that file behind; it is
// no one's bookmark, so it goes before the list shows the folder.
void RemoveAbandonedSaves(const std::wstring& Folder) { RemoveAbandonedReplacements(Folder, L".url"); }

} // namespace

void TVMainForm::BuildBookmarkPage() {
    PTShellCombo1 = new TPTShellCombo(this);
    PTShellCombo1->SetName(L"PTShellCombo1");
    PTShellCombo1->SetParent(FavToolPanel);
    PTShellCombo1->SetBounds(4, 3, FavBackBtn->Left() - 8, 22);
    PTShellCombo1->SetAnchors(akLeft | akTop | akRight);
    PTShellCombo1->SetDropDownCount(16);

    FavShellList = new TPTShellList(this);
    FavShellList->SetName(L"FavShellList");
    FavShellList->SetParent(FavListPanel);
    FavShellList->SetAlign(alClient);
    FavShellList->SetHideSelection(false);
    FavShellList->SetMultiSelect(true);
    FavShellList->SetRowSelect(true);
    FavShellList->SetFlatScrollBars(true);
    FavShellList->SetHotTrackStyles(htHandPoint | htUnderlineHot);
    // The list's own menu (on empty space, or whatever the list's menu rules give it).
    FavShellList->SetPopupMenu(FavPopupMenu);
    PTShellCombo1->SetShellList(FavShellList);

    FavShellList->OnClick = [this](TObject*) {
        // The bookmark clicked opens: with several selected (Ctrl+click) it becomes the
        // focused one, which is the one a click or key opens.
        const POINT at = FavShellList->ClickPoint();
        if (TListItem* item = FavShellList->GetItemAt(at.x, at.y)) {
            item->SetSelected(true);
            FavShellList->SetItemFocused(item);
        }
        FavShellListClick();
    };
    FavShellList->OnDblClickOpen = [this](TObject*, bool& Handled) { FavShellListDblClickOpen(Handled); };
    FavShellList->OnKeyUp = [this](TObject*, WORD& Key, TShiftState) { FavShellListKeyUp(Key); };
    FavShellList->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
        FavShellListMouseUp(Button, X, Y);
    };
    FavShellList->OnMouseWheel = [this](TObject*, TShiftState, int Delta, POINT, bool& Handled) {
        FavShellListMouseWheel(Delta, Handled);
    };
    FavShellList->OnChange = [this](TObject*, TListItem*, TItemChange) { FavShellListChange(); };
    FavShellList->OnFolderChanged = [this](TObject*) { FavShellListChange(); };
    PTShellCombo1->OnChange = [this](TObject*) { PTShellCombo1Change(); };
    TabSheetBookmarks->OnShow = [this](TObject*) { EnsureBookmarkFolder(); };
}

// ---------------------------------------------------------------------------------
// The folder shown

void TVMainForm::InitBookmarkFolder() {
    DefaultFavDir = DefaultBookmarkFolder();
    FavDir = StartBookmarkFolder(AppSettings->ReadString(MainSection, L"FavDir", L""), DefaultFavDir);
    FFavFolderPending = true;
    if (TabSheetBookmarks->Visible() && NavPageControl->ActivePage() == TabSheetBookmarks)
        EnsureBookmarkFolder();
}

void TVMainForm::EnsureBookmarkFolder() {
    if (FFavFolderPending)
        ShowBookmarkFolder(FavDir);
}

void TVMainForm::ShowBookmarkFolder(const std::wstring& Folder) {
    FFavFolderPending = false;
    RemoveAbandonedSaves(Folder);
    FavShellList->Folder()->SetPath(WithTrailingBackslash(Folder));
    FavShellListChange();
}

void TVMainForm::BookmarkPageShown() {
    if (FFavFolderPending) {
        EnsureBookmarkFolder();
        return;
    }
    RemoveAbandonedSaves(FavShellList->Folder()->GetPath());
    FavShellList->Refresh();
    FavShellListChange();
}

void TVMainForm::FavShellListChange() {
    // The desktop, the top of the shell's namespace, has no parent to go up to.
    FavBackBtn->SetEnabled(!IsEmptyPidl(FavShellList->Folder()->GetPidl()));
}

void TVMainForm::PTShellCombo1Change() { FavShellListChange(); }

void TVMainForm::BookMarkMenu_FolderUpClick() {
    EnsureBookmarkFolder();
    FavShellList->GoUp(1);
}

void TVMainForm::BookMarkMenu_ExploreFolderClick() {
    EnsureBookmarkFolder();
    FavDir = FavShellList->Folder()->GetPath();
    if (!FavDir.empty())
        ShellExec(FavDir);
}

void TVMainForm::BookMarkMenu_NewFolderClick() {
    EnsureBookmarkFolder();
    const std::wstring folder = FavShellList->Folder()->GetPath();
    if (folder.empty()) {
        MsgBoxW(VirtualFolderMessage);
        return;
    }
    std::wstring created;
    if (!CreateNewBookmarkFolder(folder, created)) {
        MsgBoxW(L"Could not create the folder " + created + L"\r" + GetLastErrorText(), miError);
        return;
    }
    FavShellList->Refresh();
    FavShellList->SelectAfterFill = ExtractFileNameW(created);
    FavShellList->Perform(TPTCustomShellList::WM_PTSELECTAFTERFILL, 0, 0);
    if (TListItem* item = FavShellList->Selected()) {
        FavShellList->SetFocus();
        item->EditCaption();
    }
    RestyleActivePage();
}

void TVMainForm::BookMarkMenu_GotoDefaultBookmarkFolderClick() {
    if (DirectoryExistsW(DefaultFavDir))
        ShowBookmarkFolder(DefaultFavDir);
}

void TVMainForm::ShowSpecialBookmarkFolder(int Csidl) {
    const std::wstring path = SpecialBookmarkFolder(ShellFolderPath(Csidl), ShellFolderPath(CSIDL_COMMON_FAVORITES));
    if (path.empty()) {
        MsgBoxW(L"Folder not available");
        return;
    }
    ShowBookmarkFolder(path);
}

void TVMainForm::BookMarkMenu_GotoInternetExplorerFavoritesFolderClick() { ShowSpecialBookmarkFolder(CSIDL_FAVORITES); }
void TVMainForm::BookMarkMenu_GotoIEFavoritesFolderAllUsersClick() { ShowSpecialBookmarkFolder(CSIDL_COMMON_FAVORITES); }
void TVMainForm::BookMarkMenu_GotoDesktopAllUsersClick() { ShowSpecialBookmarkFolder(CSIDL_COMMON_DESKTOPDIRECTORY); }
void TVMainForm::BookMarkMenu_GotoCommonDocumentsAllUsersClick() { ShowSpecialBookmarkFolder(CSIDL_COMMON_DOCUMENTS); }

void TVMainForm::FavGoBtnClick() {
    BookMarkMenu->DropDown(FavGoBtn);
}

void TVMainForm::FavPopupMenuPopup() {}

void TVMainForm::ApplyFavViewStyle() {
    static const TPTShellViewStyle styles[] = {svsIcon, svsSmallIcon, svsList, svsReport, svsThumbnails};
    const int style = FavViewStyle >= fvIcon && FavViewStyle <= fvThumbnail ? FavViewStyle : fvList;
    FavShellList->SetViewStyle(styles[style - fvIcon]);
    if (style == fvReport && FavShellList->HandleAllocated())
        for (int i = 0; i < FavShellList->Columns()->Count(); ++i)
            SendMessageW(FavShellList->Handle(), LVM_SETCOLUMNWIDTH, i, LVSCW_AUTOSIZE_USEHEADER);
}

void TVMainForm::mnuFavViewStyleClick(TTntMenuItem* Item) {
    Item->SetChecked(true);
    FavViewStyle = Item->Tag;
    ApplyFavViewStyle();
}

// ---------------------------------------------------------------------------------
// Opening bookmarks

std::wstring TVMainForm::SelectedBookmarkUrl() {
    // Of several selected items, the focused one.
    TListItem* item = FavShellList->ItemFocused();
    if (!item || !item->Selected())
        item = FavShellList->Selected();
    TPTShListData* data = FavShellList->GetItemData(item);
    if (!data)
        return std::wstring();
    const std::wstring folder = FavShellList->Folder()->GetPath();
    return folder.empty() ? std::wstring() : BookmarkItemUrl(folder, data->GetFileName());
}

void TVMainForm::FavShellListClick() {
    const std::wstring url = SelectedBookmarkUrl();
    if (url.empty())
        return;
    // A file, a share (which would be sent the user's credentials), a script or any other
    // scheme is refused with a message naming it.
    if (!BrowserAddressAllowed(url))
        return;
    GotoUrl(url);
}

void TVMainForm::FavShellListDblClickOpen(bool& Handled) {
    // The click has opened a bookmark already; folders and other files the list opens.
    TPTShListData* data = FavShellList->GetSelectedData();
    Handled = data && !data->IsFolder() && IsFileExtW(data->GetFileName(), L".url");
}

void TVMainForm::FavShellListKeyUp(WORD& Key) {
    if (Key == 13 || Key == 20) {
        FavShellListClick();
        Key = 0;
    }
}

void TVMainForm::FavShellListMouseUp(TMouseButton Button, int X, int Y) {
    if (Button != mbMiddle)
        return;
    // The bookmark under the pointer, in a new tab.
    TForceNewTab force;
    FavShellList->SetSelected(nullptr);
    if (TListItem* item = FavShellList->GetItemAt(X, Y))
        item->SetSelected(true);
    FavShellListClick();
}

void TVMainForm::FavShellListMouseWheel(int WheelDelta, bool& Handled) {
    Handled = true;
    if (NavPageControl->ActivePage() != TabSheetBookmarks || !FavShellList->HandleAllocated())
        return;
    const LONG style = GetWindowLongW(FavShellList->Handle(), GWL_STYLE);
    if (style & WS_VSCROLL) {
        Handled = false; // the list scrolls as usual
        return;
    }
    if (!(style & WS_HSCROLL))
        return;
    // Only a horizontal bar (the list view): the wheel moves it sideways.
    const int lines = std::max(1, std::abs(WheelDelta) / WHEEL_DELTA) * 3;
    for (int i = 0; i < lines; ++i)
        SendMessageW(FavShellList->Handle(), WM_HSCROLL, WheelDelta > 0 ? SB_LINELEFT : SB_LINERIGHT, 0);
}

// ---------------------------------------------------------------------------------
// Saving bookmarks

void TVMainForm::mnuAddBookmarkClick() {
    const std::wstring url = GetCurrentUrl();
    if (!url.empty())
        SaveBookmark(url, GetCurrentTitle());
}

bool TVMainForm::SaveBookmark(const std::wstring& Url, const std::wstring& Title) {
    EnsureBookmarkFolder();
    FavDir = FavShellList->Folder()->GetPath();
    const std::wstring url = BookmarkAddress(Url);
    if (FavDir.empty()) {
        NavPageControl->SetActivePage(TabSheetBookmarks);
        MsgBoxW(VirtualFolderMessage);
        return false;
    }
    std::wstring title = Title;
    if (!ShowSaveBookmarkDialog(title, url, FavDir))
        return false;
    NavPageControl->SetActivePage(TabSheetBookmarks);
    BookmarkPageShown();
    return true;
}

bool TVMainForm::ShowSaveBookmarkDialog(std::wstring& Title, const std::wstring& Url, const std::wstring& Folder) {
    // One dialog at a time: a second request while it shows (a key or a tab's callback that
    // reaches the window meanwhile) brings the open one to the front.
    static TSaveFavForm* shown = nullptr;
    if (shown) {
        shown->BringToFront();
        return false;
    }
    std::unique_ptr<TSaveFavForm> form(new TSaveFavForm(this));
    struct TShown {
        explicit TShown(TSaveFavForm* Form) { shown = Form; }
        ~TShown() { shown = nullptr; }
    } mark(form.get());
    form->ApplyThemeColours(ThemeBackground, ShownThemeText());
    form->URLEdit->SetText(Url);
    form->FolderEdit->SetText(Folder);
    form->Edit1->SetText(Title);
    const bool ok = form->ShowModal() == mrOk;
    if (ok)
        Title = form->Edit1->GetText();
    form->BeforeDestruction();
    return ok;
}
