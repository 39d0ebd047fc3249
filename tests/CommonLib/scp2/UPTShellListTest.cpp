#include "ShellTestSupport.h"
#include "Handles.h"
#include "TestHarness.h"

#include "Forms.h"
#include "UPTDeviceChange.h"
#include "UPTShellList.h"
#include "UPTShellMenu.h"

#include "../../vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <dbt.h>
#include <set>
#include <string>
#include <vector>

using namespace shelltest;
using namespace vcltest;
using testing_support::TempDir;
using testing_support::WriteBytes;

namespace {

class TListForm : public TForm {
public:
    VORLANE_CLASS_NAME(TListForm)
    explicit TListForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(20, 20, 600, 420); }
};

// The list with its protected steps open to the tests.
class TTestShellList : public TPTShellList {
public:
    VORLANE_CLASS_NAME(TTestShellList)
    using TPTShellList::TPTShellList;
    using TPTCustomShellList::Populate;
    TPTShellMenu* Menu() { return ShellMenu(); }
    int Fills = 0; // fills and refreshes started
};

std::wstring ItemText(HWND Wnd, int Item, int Column) { return ListViewItemText(Wnd, Item, Column); }

// The file names of the items in their order.
std::vector<std::wstring> FileNames(TPTCustomShellList& List) {
    std::vector<std::wstring> names;
    for (int i = 0; i < List.Items()->Count(); ++i)
        names.push_back(List.GetItemDataAt(i) ? List.GetItemDataAt(i)->GetFileName() : L"?");
    return names;
}

std::set<std::wstring> NameSet(TPTCustomShellList& List) {
    std::vector<std::wstring> v = FileNames(List);
    return std::set<std::wstring>(v.begin(), v.end());
}

TListItem* ItemNamed(TPTCustomShellList& List, const std::wstring& Name) {
    for (int i = 0; i < List.Items()->Count(); ++i)
        if (List.GetItemDataAt(i) && List.GetItemDataAt(i)->GetFileName() == Name)
            return List.Items()->Item(i);
    return nullptr;
}

// The shell's PIDLs of files and folders carry their last-access time, which the first
// look at a new entry moves (a folder listed for its attributes, say): a refresh would then
// rightly take the entry for a changed one, now and then, as the time crosses the PIDL's
// two-second step. With its write time an hour back and its access time now, looking no
// longer moves it.
void SettleTimes(const std::wstring& Path) {
    TFileHandle f(CreateFileW(Path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(f) << "cannot open " << std::string(Path.begin(), Path.end());
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= 3600ull * 10000000ull;
    const FILETIME before{t.LowPart, t.HighPart};
    ASSERT_TRUE(SetFileTime(f.Get(), nullptr, &now, &before));
}

struct TListFixture : ::testing::Test {
    TempDir Dir;
    TListForm Form{nullptr};
    TTestShellList* List = nullptr;
    TListFixture() {
        WriteBytes(Dir.File(L"a.url"), "[InternetShortcut]\r\nURL=http://x/\r\n");
        WriteBytes(Dir.File(L"b.txt"), "b");
        WriteBytes(Dir.File(L"c.txt"), std::string(1025, 'c'));
        CreateDirectoryW(Dir.File(L"sub").c_str(), nullptr);
        for (const wchar_t* name : {L"a.url", L"b.txt", L"c.txt", L"sub"})
            SettleTimes(Dir.File(name));
        List = new TTestShellList(&Form);
        List->SetParent(&Form);
        List->SetBounds(0, 0, 580, 380);
        List->OnFillStart = [this](TObject*) { ++List->Fills; };
        Form.Show();
    }
    void Show(const std::wstring& Path) {
        List->Folder()->SetPath(Path);
        PumpFor(20);
    }
};

} // namespace

TEST_F(TListFixture, FillsAFolderAndShowsTheItemsTexts) {
    Watchdog w(20000);
    bool completed = false;
    List->OnFillComplete = [&](TObject*) { completed = true; };
    Show(Dir.Path());
    EXPECT_TRUE(completed);
    EXPECT_EQ(NameSet(*List), (std::set<std::wstring>{L"a.url", L"b.txt", L"c.txt", L"sub"}));
    HWND wnd = List->Handle();
    ASSERT_EQ(SendMessageW(wnd, LVM_GETITEMCOUNT, 0, 0), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(ItemText(wnd, i, 0), List->GetItemDataAt(i)->GetDisplayName());
        EXPECT_FALSE(ItemText(wnd, i, 0).empty());
    }
    EXPECT_GE(List->Columns()->Count(), 3); // the folder's own columns
    EXPECT_EQ(List->Folder()->GetPath(), Dir.Path());
    EXPECT_EQ(List->GetItemDataAt(9), nullptr);

    // The selected item's data is what the bookmarks page reads.
    EXPECT_EQ(List->GetSelectedData(), nullptr);
    ItemNamed(*List, L"a.url")->SetSelected(true);
    ASSERT_NE(List->GetSelectedData(), nullptr);
    EXPECT_EQ(List->GetSelectedData()->GetFileName(), L"a.url");
    EXPECT_EQ(List->GetSelectedData()->GetPath(), Dir.File(L"a.url"));

    // A folder with no children: an empty list, and the fill still completes.
    completed = false;
    CreateDirectoryW(Dir.File(L"sub").c_str(), nullptr);
    Show(Dir.File(L"sub"));
    EXPECT_EQ(List->Items()->Count(), 0);
    EXPECT_TRUE(completed);
}

TEST_F(TListFixture, TheFileFilterShowsMatchingFilesAndEveryFolder) {
    Watchdog w(20000);
    List->SetFileFilter(L"*.url");
    Show(Dir.Path());
    EXPECT_EQ(NameSet(*List), (std::set<std::wstring>{L"a.url", L"sub"}));
    List->SetFileFilter(L"*.TXT;*.none");
    EXPECT_EQ(NameSet(*List), (std::set<std::wstring>{L"b.txt", L"c.txt", L"sub"}));
    List->SetFileFilter(L"");
    EXPECT_EQ(List->Items()->Count(), 4);
    // The add event may leave items out.
    List->OnAddItem = [](TObject*, IShellFolder*, PCItemIDList, PCItemIDList, ULONG Attributes, bool& Allow) {
        Allow = (Attributes & SFGAO_FOLDER) != 0;
    };
    List->Fill();
    EXPECT_EQ(NameSet(*List), std::set<std::wstring>{L"sub"});
}

TEST_F(TListFixture, SortingFollowsTheSortColumnAndHeaderClicks) {
    Watchdog w(20000);
    Show(Dir.Path());
    EXPECT_EQ(List->SortColumn(), 1);
    EXPECT_EQ(List->HeaderSortColumn(), 0);
    EXPECT_EQ(List->HeaderSortDirection(), 1);
    const std::vector<std::wstring> up = FileNames(*List);
    // The folder's order by name.
    for (size_t i = 1; i < up.size(); ++i)
        EXPECT_LT(PTShellSortCompare(List->FolderShf(), 1, List->GetItemDataAt(static_cast<int>(i) - 1)->RelPidl(),
                                     List->GetItemDataAt(static_cast<int>(i))->RelPidl()),
                  0);
    List->SetSortColumn(-1);
    std::vector<std::wstring> down = FileNames(*List);
    std::reverse(down.begin(), down.end());
    EXPECT_EQ(down, up);
    EXPECT_EQ(List->HeaderSortDirection(), 0);

    // A click on the sort column turns it round; on another column sorts by that one.
    NMLISTVIEW click{};
    click.hdr.hwndFrom = List->Handle();
    click.hdr.code = LVN_COLUMNCLICK;
    click.iSubItem = 0;
    List->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(List->SortColumn(), 1);
    EXPECT_EQ(FileNames(*List), up);
    click.iSubItem = 2;
    List->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(List->SortColumn(), 3);
    EXPECT_EQ(List->HeaderSortColumn(), 2);
    List->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(List->SortColumn(), -3);
    // The user's own handler takes the click.
    int clicks = 0;
    List->OnColumnClick = [&](TObject*, TListColumn*) { ++clicks; };
    List->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(List->SortColumn(), -3);
}

TEST_F(TListFixture, RefreshKeepsUnchangedItemsAndFollowsTheFolder) {
    Watchdog w(20000);
    List->SetOptions(List->Options() & ~ptsloDynamicRefresh);
    Show(Dir.Path());
    std::vector<TListItem*> before;
    for (int i = 0; i < List->Items()->Count(); ++i)
        before.push_back(List->Items()->Item(i));
    TListItem* b = ItemNamed(*List, L"b.txt");
    std::vector<TListItem*> deleted;
    List->OnDeleteItem = [&](TObject*, TListItem* Item, TPTShListData* Data) {
        EXPECT_NE(Data, nullptr);
        deleted.push_back(Item);
    };
    WriteBytes(Dir.File(L"new.txt"), "n");
    DeleteFileW(Dir.File(L"b.txt").c_str());
    List->Refresh();
    EXPECT_EQ(NameSet(*List), (std::set<std::wstring>{L"a.url", L"c.txt", L"new.txt", L"sub"}));
    EXPECT_EQ(deleted, std::vector<TListItem*>{b});
    for (TListItem* old : before) {
        if (old != b) {
            EXPECT_NE(List->Items()->IndexOf(old), -1) << "an unchanged item stays the same object";
        }
    }
    EXPECT_EQ(ItemText(List->Handle(), List->Items()->IndexOf(ItemNamed(*List, L"new.txt")), 0),
              ItemNamed(*List, L"new.txt") ? List->GetItemData(ItemNamed(*List, L"new.txt"))->GetDisplayName() : L"");
    // A folder that is gone: the list empties and says why at the boundary.
    TempDir other;
    CreateDirectoryW(other.File(L"gone").c_str(), nullptr);
    Show(other.File(L"gone"));
    RemoveDirectoryW(other.File(L"gone").c_str());
    List->Refresh();
    EXPECT_EQ(List->Items()->Count(), 0);
}

TEST_F(TListFixture, ABurstOfChangesGivesOneRefreshAndANewWindowStillWatches) {
    Watchdog w(30000);
    Show(Dir.Path());
    ASSERT_TRUE(List->Watching());
    List->SetFocus();
    const int fills = List->Fills;
    for (int i = 0; i < 5; ++i)
        WriteBytes(Dir.File(L"burst" + std::to_wstring(i) + L".txt"), "x");
    ASSERT_TRUE(PumpUntil([&] { return List->Fills > fills; }, 8000));
    PumpFor(2500);
    EXPECT_EQ(List->Fills, fills + 1);
    EXPECT_EQ(List->Items()->Count(), 9);

    // The window made again (a right-to-left switch does that): notices still arrive.
    List->RecreateWnd();
    List->HandleNeeded();
    ASSERT_TRUE(List->Watching());
    const int again = List->Fills;
    WriteBytes(Dir.File(L"after.txt"), "x");
    ASSERT_TRUE(PumpUntil([&] { return List->Fills > again; }, 8000));
    EXPECT_NE(ItemNamed(*List, L"after.txt"), nullptr);
}

TEST_F(TListFixture, ARenameCommitsAndRefreshesOnceAfterThePause) {
    Watchdog w(30000);
    Show(Dir.Path());
    TListItem* item = ItemNamed(*List, L"b.txt");
    ASSERT_NE(item, nullptr);
    TPTShListData* data = List->GetItemData(item);
    WideString edited;
    List->OnEditedW = [&](TObject*, TListItem*, WideString& S) {
        edited = S;
        S = L"renamed \u0416.txt";
    };
    const int fills = List->Fills;
    // The window has asked for the item's text and icon at once (as painting does).
    wchar_t shown[64] = {};
    LVITEMW ask{};
    ask.mask = LVIF_TEXT | LVIF_IMAGE;
    ask.iItem = item->Index();
    ask.pszText = shown;
    ask.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(List->Handle(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&ask)));
    wchar_t text[] = L"typed.txt";
    NMLVDISPINFOW end{};
    end.hdr.hwndFrom = List->Handle();
    end.hdr.code = LVN_ENDLABELEDITW;
    end.item.iItem = item->Index();
    end.item.pszText = text;
    const DWORD started = GetTickCount();
    List->Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(edited, L"typed.txt");
    EXPECT_TRUE(testing_support::FileExistsW(Dir.File(L"renamed \u0416.txt")));
    EXPECT_FALSE(testing_support::FileExistsW(Dir.File(L"b.txt")));
    EXPECT_EQ(List->GetItemData(item), data);
    EXPECT_EQ(data->GetFileName(), L"renamed \u0416.txt");
    EXPECT_EQ(ItemText(List->Handle(), item->Index(), 0), data->GetDisplayName()) << "the list shows the new name";
    EXPECT_EQ(List->Fills, fills) << "the pause does not hold up the caller";
    ASSERT_TRUE(PumpUntil([&] { return List->Fills > fills; }, 8000));
    EXPECT_GE(GetTickCount() - started, 900u);
    PumpFor(2600);
    EXPECT_EQ(List->Fills, fills + 1) << "the rename's own change notice gives no second refresh";
    EXPECT_NE(List->Items()->IndexOf(item), -1);
}

TEST_F(TListFixture, GoingUpOpeningFoldersAndKeys) {
    Watchdog w(20000);
    Show(Dir.File(L"sub"));
    int changes = 0;
    List->OnFolderChanged = [&](TObject*) { ++changes; };
    List->GoUp(1);
    EXPECT_EQ(List->Folder()->GetPath(), Dir.Path());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(List->Items()->Count(), 4);

    // Opening a folder enters it, without the open event.
    int opens = 0;
    List->OnDblClickOpen = [&](TObject*, bool& Handled) {
        ++opens;
        Handled = true; // the bookmarks page opens files itself
    };
    ItemNamed(*List, L"sub")->SetSelected(true);
    List->OpenSelected();
    EXPECT_EQ(List->Folder()->GetPath(), Dir.File(L"sub"));
    EXPECT_EQ(opens, 0);
    // Backspace goes up; Enter opens the selected file through the event.
    SendMessageW(List->Handle(), WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(List->Folder()->GetPath(), Dir.Path());
    ItemNamed(*List, L"a.url")->SetSelected(true);
    SendMessageW(List->Handle(), WM_CHAR, VK_RETURN, 0);
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(List->Folder()->GetPath(), Dir.Path());
    // Without folder changes nothing moves.
    List->SetOptions(List->Options() | ptsloDontChangeFolder);
    List->GoUp(1);
    EXPECT_EQ(List->Folder()->GetPath(), Dir.Path());
}

TEST_F(TListFixture, ViewStylesMapToTheWindowAndThumbnailsGetTheirOwnImages) {
    Watchdog w(20000);
    Show(Dir.Path());
    HWND wnd = List->Handle();
    EXPECT_EQ(GetWindowLongW(wnd, GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
    List->SetViewStyle(svsList);
    EXPECT_EQ(GetWindowLongW(List->Handle(), GWL_STYLE) & LVS_TYPEMASK, LVS_LIST);
    HIMAGELIST large = reinterpret_cast<HIMAGELIST>(SendMessageW(List->Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    List->Thumbnails()->SetWidth(64);
    List->Thumbnails()->SetHeight(48);
    List->SetViewStyle(svsThumbnails);
    wnd = List->Handle();
    EXPECT_EQ(GetWindowLongW(wnd, GWL_STYLE) & LVS_TYPEMASK, LVS_ICON);
    HIMAGELIST thumbs = reinterpret_cast<HIMAGELIST>(SendMessageW(wnd, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(thumbs, &cx, &cy);
    EXPECT_EQ(cx, 64);
    EXPECT_EQ(cy, 48);
    EXPECT_EQ(List->Items()->Count(), 4);
    // Each item asks for its picture once.
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const int pictures = ImageList_GetImageCount(thumbs);
    RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(ImageList_GetImageCount(thumbs), pictures);
    EXPECT_LE(pictures, 4);
    List->SetViewStyle(svsReport);
    EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageW(List->Handle(), LVM_GETIMAGELIST, LVSIL_NORMAL, 0)), large);
    EXPECT_EQ(GetWindowLongW(List->Handle(), GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
}

TEST_F(TListFixture, AFolderWithoutDetailsGetsTheFallbackColumnsAndSizes) {
    Watchdog w(20000);
    Show(Dir.Path());
    TComPtr<IShellFolder> real(List->FolderShf());
    TPTPidl pidl(CopyPidl(List->FolderPidl()));
    auto plain = TWrapFolder::Create(real.Get());
    plain->HideDetails = true;
    List->Populate(plain.Get(), pidl.Get());
    ASSERT_EQ(List->Columns()->Count(), 4);
    EXPECT_EQ(List->Columns()->Items(0)->Caption(), L"Name");
    EXPECT_EQ(List->Columns()->Items(1)->Caption(), L"Size");
    EXPECT_EQ(List->Columns()->Items(2)->Caption(), L"Type");
    EXPECT_EQ(List->Columns()->Items(3)->Caption(), L"Modified");
    EXPECT_EQ(List->Columns()->Items(0)->Width(), 200);
    EXPECT_EQ(List->Columns()->Items(3)->Width(), 120);
    HWND wnd = List->Handle();
    const int c = List->Items()->IndexOf(ItemNamed(*List, L"c.txt"));
    const int sub = List->Items()->IndexOf(ItemNamed(*List, L"sub"));
    ASSERT_GE(c, 0);
    EXPECT_EQ(ItemText(wnd, c, 1), L"2 KB");
    EXPECT_FALSE(ItemText(wnd, c, 2).empty());
    EXPECT_FALSE(ItemText(wnd, c, 3).empty());
    EXPECT_EQ(ItemText(wnd, sub, 1), L"");
}

TEST_F(TListFixture, VerbsKeysAndTheShellMenuActThroughTheMenuObject) {
    Watchdog w(20000);
    Show(Dir.Path());
    TComPtr<IShellFolder> real(List->FolderShf());
    TPTPidl pidl(CopyPidl(List->FolderPidl()));
    auto folder = TWrapFolder::Create(real.Get());
    auto items = MakeComObject<TFakeContextMenu<IContextMenu3>>();
    // Rename sits where this menu puts it, not at the offset other menus use (18).
    items->Commands = {{L"open", 0, true}, {L"copy", 3}, {L"cut", 4}, {L"delete", 5}, {L"properties", 9},
                       {L"link", 18}, {L"rename", 21}};
    auto background = MakeComObject<TFakeContextMenu<IContextMenu>>();
    background->Commands = {{L"paste", 2}, {L"newfolder", 6}};
    folder->ItemMenu = TComPtr<IContextMenu>(static_cast<IContextMenu*>(items.Get()));
    folder->BackgroundMenu = TComPtr<IContextMenu>(static_cast<IContextMenu*>(background.Get()));
    List->SetOptions(List->Options() & ~ptsloDynamicRefresh);
    List->Populate(folder.Get(), pidl.Get());
    HWND wnd = List->Handle();
    TListItem* c = ItemNamed(*List, L"c.txt");
    c->SetSelected(true);
    c->SetFocused(true);

    BYTE keys[256];
    auto press = [&](WORD Key, bool Ctrl, bool Shift) {
        GetKeyboardState(keys);
        keys[VK_CONTROL] = Ctrl ? 0x80 : 0;
        keys[VK_SHIFT] = Shift ? 0x80 : 0;
        SetKeyboardState(keys);
        SendMessageW(wnd, WM_KEYDOWN, Key, 1);
        keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
    };
    press('C', true, false);
    ASSERT_EQ(items->Invoked.size(), 1u);
    EXPECT_EQ(items->Invoked[0].Offset, 3u);
    EXPECT_EQ(folder->MenuRequests.back().size(), 1u);
    press(VK_DELETE, false, true);
    ASSERT_EQ(items->Invoked.size(), 2u);
    EXPECT_EQ(items->Invoked[1].Offset, 5u);
    EXPECT_TRUE(items->Invoked[1].Mask & CMIC_MASK_SHIFT_DOWN);
    press('V', true, false);
    ASSERT_EQ(background->Invoked.size(), 1u);
    EXPECT_EQ(background->Invoked[0].Offset, 2u);
    press('X', true, false);
    EXPECT_EQ(items->Invoked.back().Offset, 4u);
    EXPECT_TRUE(c->Cut());

    // The shell menu: shown for the selection, its messages go to the menu object, the
    // chosen command runs; rename is found by its verb.
    UINT choose = 1009;
    bool sawInit = false;
    List->Menu()->TrackMenu = [&](HMENU Menu, POINT) -> UINT {
        EXPECT_GT(GetMenuItemCount(Menu), 3);
        SendMessageW(wnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(Menu), 0);
        sawInit = std::find(items->Handled.begin(), items->Handled.end(), WM_INITMENUPOPUP + 0x10000u) !=
                  items->Handled.end();
        return choose;
    };
    int afterId = -1;
    List->OnAfterShellMenuSelection = [&](TObject*, TListItem*, int Id, bool&) { afterId = Id; };
    const RECT r = c->DisplayRect(LVIR_LABEL);
    List->ShowContextMenu(POINT{r.left + 2, r.top + 2}, false);
    EXPECT_TRUE(sawInit);
    EXPECT_EQ(afterId, 1009);
    EXPECT_EQ(items->Invoked.back().Offset, 9u);
    choose = 1018;
    List->ShowContextMenu(POINT{r.left + 2, r.top + 2}, false);
    EXPECT_EQ(items->Invoked.back().Offset, 18u);
    EXPECT_FALSE(List->IsEditing());
    const size_t invoked = items->Invoked.size();
    choose = 1021;
    List->ShowContextMenu(POINT{r.left + 2, r.top + 2}, false);
    EXPECT_EQ(items->Invoked.size(), invoked);
    EXPECT_TRUE(List->IsEditing());
    SendMessageW(reinterpret_cast<HWND>(SendMessageW(wnd, LVM_GETEDITCONTROL, 0, 0)), WM_KEYDOWN, VK_ESCAPE, 0);
    PumpFor(20);

    // The handler may keep the menu from showing (false), or keep its default (after).
    bool tracked = false;
    List->Menu()->TrackMenu = [&](HMENU, POINT) -> UINT {
        tracked = true;
        return 1009;
    };
    List->OnBeforeShellMenuPopup = [](TObject*, HMENU&, TListItem*, int Next, bool& Cancel) {
        EXPECT_EQ(Next, 100);
        EXPECT_TRUE(Cancel);
        Cancel = false;
    };
    List->ShowContextMenu(POINT{r.left + 2, r.top + 2}, false);
    EXPECT_FALSE(tracked);
    List->OnBeforeShellMenuPopup = nullptr;

    // Empty space: the folder's own menu, unless the control has a menu of its own.
    List->OnAfterShellMenuSelection = nullptr;
    List->Menu()->TrackMenu = [&](HMENU, POINT) -> UINT { return 1006; };
    List->ShowContextMenu(POINT{5, 370}, false);
    EXPECT_EQ(background->Invoked.back().Offset, 6u);
    // Opening a file runs the default command when the open event leaves it.
    List->SetSelected(nullptr);
    c->SetSelected(true);
    List->OpenSelected();
    EXPECT_EQ(items->Invoked.back().Offset, 0u);
}

TEST_F(TListFixture, TheSelectionsDragDataNamesTheFilesAndTheirEffects) {
    Watchdog w(20000);
    List->SetMultiSelect(true);
    Show(Dir.Path());
    ItemNamed(*List, L"b.txt")->SetSelected(true);
    ItemNamed(*List, L"c.txt")->SetSelected(true);
    DWORD effects = 0;
    TComPtr<TDataObject_shlv> data = List->SelectionDataObject(effects);
    ASSERT_TRUE(data);
    EXPECT_TRUE(effects & DROPEFFECT_COPY);
    EXPECT_EQ(effects & ~static_cast<DWORD>(DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK), 0u);
    FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM m{};
    ASSERT_EQ(data->GetData(&f, &m), S_OK);
    wchar_t path[MAX_PATH];
    auto drop = static_cast<HDROP>(m.hGlobal);
    ASSERT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 2u);
    std::set<std::wstring> files;
    for (UINT i = 0; i < 2; ++i) {
        DragQueryFileW(drop, i, path, MAX_PATH);
        files.insert(path);
    }
    ReleaseStgMedium(&m);
    EXPECT_EQ(files, (std::set<std::wstring>{Dir.File(L"b.txt"), Dir.File(L"c.txt")}));
    List->SetSelected(nullptr);
    EXPECT_FALSE(List->SelectionDataObject(effects));
    EXPECT_EQ(effects, 0u);
}

namespace {

// A drop target that notes what it was given.
class TNotingDropTarget final : public TComObject<IDropTarget> {
public:
    std::vector<std::wstring> Calls;
    std::set<std::wstring> Files;
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* Effect) override {
        Calls.push_back(L"DragEnter");
        *Effect = DROPEFFECT_COPY;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* Effect) override {
        Calls.push_back(L"DragOver");
        return S_OK;
    }
    STDMETHODIMP DragLeave() override {
        Calls.push_back(L"DragLeave");
        return S_OK;
    }
    STDMETHODIMP Drop(IDataObject* Data, DWORD, POINTL, DWORD* Effect) override {
        Calls.push_back(L"Drop");
        FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM m{};
        if (SUCCEEDED(Data->GetData(&f, &m))) {
            auto drop = static_cast<HDROP>(m.hGlobal);
            wchar_t path[MAX_PATH];
            for (UINT i = 0; i < DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); ++i) {
                DragQueryFileW(drop, i, path, MAX_PATH);
                Files.insert(path);
            }
            ReleaseStgMedium(&m);
        }
        *Effect = DROPEFFECT_COPY;
        return S_OK;
    }
};

} // namespace

TEST_F(TListFixture, SendToItemsFillThePlaceholderAndHandTheSelectionOver) {
    Watchdog w(20000);
    Show(Dir.Path());
    // A Send To folder of the test's own with two targets (and a folder, which is none).
    TempDir sendTo;
    WriteBytes(sendTo.File(L"Mail Recipient.MAPIMail"), "");
    WriteBytes(sendTo.File(L"Printer \u0416.lnk"), "");
    CreateDirectoryW(sendTo.File(L"folder").c_str(), nullptr);
    TPTPidl sendToPidl;
    ASSERT_HRESULT_SUCCEEDED(PathToPidl(sendTo.Path(), sendToPidl));
    TComPtr<IShellFolder> sendToReal;
    ASSERT_HRESULT_SUCCEEDED(GetShellFolder(sendToPidl.Get(), sendToReal));
    std::vector<TPTSendToEntry> entries = PTSendToEntries(sendToReal.Get(), sendToPidl.Get());
    std::set<std::wstring> names;
    for (const TPTSendToEntry& e : entries)
        names.insert(e.Name);
    EXPECT_EQ(names, (std::set<std::wstring>{L"Mail Recipient", L"Printer \u0416"}));

    auto target = MakeComObject<TNotingDropTarget>();
    auto wrappedSendTo = TWrapFolder::Create(sendToReal.Get());
    wrappedSendTo->ItemDropTarget = TComPtr<IDropTarget>(target.Get());
    List->ShellMenu()->SendToFolder = TComPtr<IShellFolder>(wrappedSendTo.Get());
    List->ShellMenu()->SendToPidl.Reset(CopyPidl(sendToPidl.Get()));

    TComPtr<IShellFolder> real(List->FolderShf());
    TPTPidl pidl(CopyPidl(List->FolderPidl()));
    auto folder = TWrapFolder::Create(real.Get());
    auto menu = MakeComObject<TFakeContextMenu<IContextMenu>>();
    menu->Commands = {{L"open", 0, true}};
    menu->SendToPlaceholder = true;
    folder->ItemMenu = TComPtr<IContextMenu>(menu.Get());
    List->SetOptions(List->Options() & ~ptsloDynamicRefresh);
    List->Populate(folder.Get(), pidl.Get());
    TListItem* c = ItemNamed(*List, L"c.txt");
    c->SetSelected(true);
    HWND wnd = List->Handle();
    int filled = 0;
    UINT measured = 0;
    List->ShellMenu()->TrackMenu = [&](HMENU Menu, POINT) -> UINT {
        for (int i = 0; i < GetMenuItemCount(Menu); ++i) {
            HMENU sub = GetSubMenu(Menu, i);
            if (!sub || !PTIsSendToPlaceholder(sub))
                continue;
            SendMessageW(wnd, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), i);
            filled = GetMenuItemCount(sub);
            MEASUREITEMSTRUCT m{};
            m.CtlType = ODT_MENU;
            m.itemID = GetMenuItemID(sub, 1);
            SendMessageW(wnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&m));
            measured = m.itemWidth;
            return GetMenuItemID(sub, 1);
        }
        return 0;
    };
    const RECT r = c->DisplayRect(LVIR_LABEL);
    List->ShowContextMenu(POINT{r.left + 2, r.top + 2}, false);
    EXPECT_EQ(filled, 2);
    EXPECT_GT(measured, 16u);
    EXPECT_EQ(target->Calls, (std::vector<std::wstring>{L"DragEnter", L"Drop"}));
    EXPECT_EQ(target->Files, std::set<std::wstring>{Dir.File(L"c.txt")});

    EXPECT_FALSE(List->ShellMenu()->SendTo(1)); // no menu shown: no targets
}

TEST_F(TListFixture, EmptySpaceShowsTheControlsMenuWhenItHasOneAndMessagesSelectAndFill) {
    Watchdog w(20000);
    Show(Dir.Path());
    TPopupMenuBase* offered = nullptr;
    int asked = 0;
    List->OnItemContextMenu = [&](TObject*, TListItem* Item, POINT&, TPopupMenuBase*& Menu) {
        ++asked;
        EXPECT_EQ(Item, nullptr);
        offered = Menu;
        Menu = nullptr;
    };
    TPopupMenu own(&Form);
    List->SetPopupMenu(&own);
    List->ShowContextMenu(POINT{5, 370}, false);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(offered, &own);

    // The select message picks the item by its display name; the fill message fills an
    // empty list.
    const WideString name = List->GetItemData(ItemNamed(*List, L"c.txt"))->GetDisplayName();
    List->SelectAfterFill = name;
    SendMessageW(List->Handle(), TPTCustomShellList::WM_PTSELECTAFTERFILL, 0, 0);
    ASSERT_NE(List->GetSelectedData(), nullptr);
    EXPECT_EQ(List->GetSelectedData()->GetFileName(), L"c.txt");
    List->Items()->Clear();
    SendMessageW(List->Handle(), TPTCustomShellList::WM_PTFILL, 0, 0);
    EXPECT_EQ(List->Items()->Count(), 4);

    // The drop target of an item that carries data, and of the folder on empty space.
    const RECT r = ItemNamed(*List, L"sub")->DisplayRect(LVIR_LABEL);
    TPTDropTargetHost* host = List;
    const void* key = host->DropItemAt(POINT{r.left + 2, r.top + 2});
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(host->DropItemAt(POINT{5, 370}), nullptr);
    EXPECT_TRUE(host->DropTargetFor(key)) << "a folder item takes drops";
}

TEST_F(TListFixture, ADriveArrivingRefillsTheComputerFolderOnly) {
    Watchdog w(20000);
    Show(Dir.Path());
    const int fills = List->Fills;
    HWND listener = DeviceChangeHandler()->Handle();
    SendMessageW(listener, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
    PumpFor(50);
    EXPECT_EQ(List->Fills, fills);
    TPTPidl computer;
    ASSERT_HRESULT_SUCCEEDED(SpecialFolderPidl(nullptr, PTSpecialFolderComputer, computer));
    List->Folder()->SetPidl(computer.Get());
    PumpFor(20);
    const int shown = List->Fills;
    EXPECT_GT(List->Items()->Count(), 0); // the drives
    SendMessageW(listener, WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
    PumpFor(50);
    EXPECT_EQ(List->Fills, shown + 1);
    SendMessageW(listener, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    PumpFor(50);
    EXPECT_EQ(List->Fills, shown + 1);
}
