// The bookmarks page of the main window in this process: the folder list over a folder of
// bookmarks, the folder commands, saving through the dialog.
#include "VMainFixture.h"

#include "FSaveFav.h"
#include "TntButtons.h"
#include "TntComCtrls.h"
#include "TntMenus.h"
#include "TntStdCtrls.h"
#include "UAuxFile.h"
#include "UBookmarks.h"
#include "UPTShellList.h"
#include "UShellExec.h"
#include "qenSmartTabs.h"
#include "UserAnswers.h"

#include "../vcl/VclTestSupport.h"

#include <shlobj.h>

#include <utility>

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;
using namespace vcltest;

namespace {

class VMainBookmarks : public VMainFixture {
protected:
    // The window started on the bookmark folder Dir, its list filled.
    TVMainForm* StartOn(const std::wstring& Folder) {
        Seed(L"FavDir", Folder);
        Form = Start();
        TVMainForm* f = Form->Form;
        f->NavPageControl->SetActivePage(f->TabSheetBookmarks);
        f->FavShellList->HandleNeeded();
        PumpUntil([&] { return f->FavShellList->FolderShf() != nullptr; }, 5000);
        return f;
    }
    void Close() {
        bool canClose = false;
        Form->Form->FormCloseQuery(canClose);
    }
    // Selects the item named Name (the list's display name); false when there is none.
    bool Select(const std::wstring& Name) {
        TPTShellList* list = Form->Form->FavShellList;
        list->SelectAfterFill = Name;
        list->Perform(TPTCustomShellList::WM_PTSELECTAFTERFILL, 0, 0);
        TPTShListData* data = list->GetSelectedData();
        return data && data->GetDisplayName() == Name;
    }
    TempDir Dir;
    std::unique_ptr<TestForm<TVMainForm>> Form;
};

// Plays the user of the bookmark dialog: each tick while it shows types the next name and
// presses OK.
std::vector<std::wstring> DialogNames;
size_t NextName = 0;
// When set, the first tick asks the window for a second dialog while the first one shows.
TVMainForm* SecondRequestTo = nullptr;
int SecondRequestAnswer = -1; // 0 refused, 1 saved, 2 raised
int DialogsShown() {
    int n = 0;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto* f = dynamic_cast<TSaveFavForm*>(Screen->Forms(i)); f && f->Visible())
            ++n;
    return n;
}
void CALLBACK PressOkInDialog(HWND, UINT, UINT_PTR Id, DWORD) {
    if (TVMainForm* main = std::exchange(SecondRequestTo, nullptr); main && DialogsShown() == 1) {
        try {
            SecondRequestAnswer = main->SaveBookmark(L"http://a/second", L"second") ? 1 : 0;
        } catch (...) {
            SecondRequestAnswer = 2;
        }
    }
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto* f = dynamic_cast<TSaveFavForm*>(Screen->Forms(i)); f && f->Visible()) {
            if (NextName >= DialogNames.size()) {
                KillTimer(nullptr, Id);
                return;
            }
            // The last OK not handled yet (the tick came in a wait of the window's that
            // runs timers): the next name waits for it.
            if (f->ModalResult() != mrNone)
                continue;
            f->Edit1->SetText(DialogNames[NextName++]);
            f->OKBtn->Click(); // as a click would, without the mouse messages a busy desktop can lose
        }
}

// Ends the pop-up menu being tracked as soon as its loop runs.
void CALLBACK EndMenuNow(HWND, UINT, UINT_PTR Id, DWORD) {
    KillTimer(nullptr, Id);
    EndMenu();
}

} // namespace

TEST_F(VMainBookmarks, TheSavedFolderIsShownAndItsBookmarksGiveTheirAddresses) {
    Watchdog w(60000, "bookmark list");
    ASSERT_TRUE(WriteUrlFile(Dir.File(L"Topic.url"), L"ms-xhelp:///?Id=1&embedded=true"));
    WriteBytes(Dir.File(L"notes.txt"), "[InternetShortcut]\r\nURL=http://not-a-bookmark/\r\n");
    CreateDirectoryW(Dir.File(L"Sub").c_str(), nullptr);
    TVMainForm* f = StartOn(Dir.Path());
    EXPECT_EQ(f->FavShellList->Folder()->GetPath(), Dir.Path());
    EXPECT_EQ(f->FavShellList->Items()->Count(), 3);
    EXPECT_TRUE(f->FavBackBtn->Enabled());

    ASSERT_TRUE(Select(L"Topic.url") || Select(L"Topic"));
    EXPECT_EQ(f->SelectedBookmarkUrl(), L"ms-xhelp:///?Id=1");
    bool handled = false;
    f->FavShellListDblClickOpen(handled);
    EXPECT_TRUE(handled); // the click has opened it
    ASSERT_TRUE(Select(L"notes.txt") || Select(L"notes"));
    EXPECT_EQ(f->SelectedBookmarkUrl(), L"");
    ASSERT_TRUE(Select(L"Sub"));
    f->FavShellListDblClickOpen(handled);
    EXPECT_FALSE(handled); // the list enters the folder

    // A new folder is selected with its name open for editing.
    f->BookMarkMenu_NewFolderClick();
    TPTShListData* made = f->FavShellList->GetSelectedData();
    ASSERT_TRUE(made);
    EXPECT_EQ(made->GetFileName(), L"New Folder");
    EXPECT_TRUE(f->FavShellList->IsEditing());
    SendMessageW(f->FavShellList->Handle(), LVM_CANCELEDITLABEL, 0, 0);

    // Up to the parent; the desktop has none.
    f->BookMarkMenu_FolderUpClick();
    const std::wstring parent = Dir.Path().substr(0, Dir.Path().rfind(L'\\'));
    EXPECT_EQ(f->FavShellList->Folder()->GetPath(), parent);
    f->FavShellList->Folder()->SetPidl(nullptr);
    EXPECT_FALSE(f->FavBackBtn->Enabled());
    f->BookMarkMenu_GotoDefaultBookmarkFolderClick();
    EXPECT_EQ(f->FavShellList->Folder()->GetPath(), DefaultBookmarkFolder());
    EXPECT_TRUE(f->FavBackBtn->Enabled());
    Close();
}

TEST_F(VMainBookmarks, ViewStyleExploreAndVirtualFolders) {
    Watchdog w(60000, "folder commands");
    Seed(L"FavView1", L"5");
    TVMainForm* f = StartOn(Dir.Path());
    EXPECT_EQ(f->FavShellList->ViewStyle(), svsThumbnails);
    EXPECT_TRUE(f->mnuFavViewStyle_ThumbNail->Checked());
    f->mnuFavViewStyleClick(f->mnuFavViewStyle_Report);
    EXPECT_EQ(f->FavShellList->ViewStyle(), svsReport);

    std::vector<std::wstring> opened;
    const TShellExecuteFunc old = SetShellExecuteFunc(
        [&](HWND, const std::wstring&, const std::wstring& File, const std::wstring&, int) {
            opened.push_back(File);
            return intptr_t(33);
        });
    f->BookMarkMenu_ExploreFolderClick();
    SetShellExecuteFunc(old);
    EXPECT_EQ(opened, std::vector<std::wstring>{Dir.Path()});

    // "My Computer" has no path: no bookmarks there, nothing written.
    UserAnswers answers;
    PIDLIST_ABSOLUTE drives = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives), S_OK);
    f->FavShellList->Folder()->SetPidl(drives);
    CoTaskMemFree(drives);
    f->NavPageControl->SetActivePage(f->TabSheetToc);
    EXPECT_FALSE(f->SaveBookmark(L"http://x/", L"X"));
    EXPECT_EQ(answers.Told.size(), 1u);
    EXPECT_NE(answers.Told[0].find(L"Cannot save bookmarks to a virtual folder!"), std::wstring::npos);
    EXPECT_EQ(f->NavPageControl->ActivePage(), f->TabSheetBookmarks);
    f->BookMarkMenu_NewFolderClick(); // told again, nothing made
    EXPECT_EQ(answers.Told.size(), 2u);

    Close();
    EXPECT_EQ(Value(L"FavView1"), L"4");
    EXPECT_EQ(Value(L"FavDir"), L""); // the list showed a virtual folder
}

TEST_F(VMainBookmarks, SavingWritesThePortFreeAddressUnderTheCleanedName) {
    Watchdog w(60000, "save bookmark");
    // The Bookmarks page has not shown yet (the list reads its folder then): the bookmark
    // goes to the saved folder all the same.
    Seed(L"FavDir", Dir.Path());
    Form = Start();
    TVMainForm* f = Form->Form;
    // A name with nothing left after cleaning keeps the dialog up.
    UserAnswers answers;
    DialogNames = {L"|", L"String: Class?"};
    NextName = 0;
    SecondRequestTo = f; // one dialog at a time: the second request is refused, the first goes on
    SecondRequestAnswer = -1;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, PressOkInDialog);
    EXPECT_TRUE(f->SaveBookmark(L"http://127.0.0.1:47873/help/1-2345/ms.help?method=page&id=T", L"ignored"));
    KillTimer(nullptr, timer);
    EXPECT_EQ(SecondRequestAnswer, 0);
    EXPECT_EQ(NextName, 2u);
    EXPECT_EQ(answers.Told.size(), 1u);
    std::wstring url;
    ASSERT_TRUE(ReadUrlFile(Dir.File(L"String Class.url"), url));
    EXPECT_EQ(url, L"ms-xhelp:///?method=page&id=T");
    EXPECT_EQ(f->NavPageControl->ActivePage(), f->TabSheetBookmarks);
    f->FavShellList->HandleNeeded();
    PumpUntil([&] { return f->FavShellList->FolderShf() != nullptr; }, 5000);
    EXPECT_TRUE(Select(L"String Class.url") || Select(L"String Class")); // listed at once
    Close();
}

TEST_F(VMainBookmarks, AClickOpensTheBookmarkClickedAndTheListHasItsOwnMenu) {
    Watchdog w(60000, "bookmark clicks");
    ASSERT_TRUE(WriteUrlFile(Dir.File(L"A.url"), L"http://127.0.0.1:1/a"));
    ASSERT_TRUE(WriteUrlFile(Dir.File(L"B.url"), L"http://127.0.0.1:1/b"));
    TVMainForm* f = StartOn(Dir.Path());
    f->Show();
    PumpFor(100);
    TPTShellList* list = f->FavShellList;
    HWND wnd = list->Handle();
    ASSERT_EQ(list->Items()->Count(), 2);
    // A press and release of Button at a client point of the list, with Ctrl held or not.
    const auto click = [&](POINT At, UINT Down, UINT Up, bool Ctrl) {
        POINT screen = At;
        ClientToScreen(wnd, &screen);
        SetCursorPos(screen.x, screen.y);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_CONTROL] = Ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        const WPARAM mods = Ctrl ? MK_CONTROL : 0;
        PostMessageW(wnd, Up, mods, MAKELPARAM(At.x, At.y));
        SendMessageW(wnd, Down, mods | (Down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON), MAKELPARAM(At.x, At.y));
        PumpFor(100);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
    };
    const auto centre = [&](int Row) {
        const RECT r = list->Items()->Item(Row)->DisplayRect(LVIR_LABEL);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    const auto opened = [&] {
        const std::wstring log = LogText();
        const size_t line = log.rfind(L">> GotoUrl: ");
        return line == std::wstring::npos ? std::wstring() : log.substr(line + 12, log.find(L"\r\n", line) - line - 12);
    };
    const int first = list->GetItemDataAt(0)->GetFileName() == L"A.url" ? 0 : 1;
    click(centre(first), WM_LBUTTONDOWN, WM_LBUTTONUP, false);
    EXPECT_EQ(opened(), L"http://127.0.0.1:1/a");
    // Ctrl+click on the other one while the first stays selected: that one, in a new tab.
    const int tabs = f->SmartTabs->GetTabCount();
    click(centre(1 - first), WM_LBUTTONDOWN, WM_LBUTTONUP, true);
    EXPECT_EQ(opened(), L"http://127.0.0.1:1/b");
    EXPECT_EQ(f->SmartTabs->GetTabCount(), tabs + 1);
    // A bookmark of a share is not opened: the user is told its address.
    {
        UserAnswers answers;
        ASSERT_TRUE(WriteUrlFile(Dir.File(L"A.url"), L"\\\\host\\share\\a.htm"));
        click(centre(first), WM_LBUTTONDOWN, WM_LBUTTONUP, false);
        EXPECT_EQ(opened(), L"http://127.0.0.1:1/b");
        ASSERT_EQ(answers.Told.size(), 1u);
        EXPECT_NE(answers.Told[0].find(L"\\\\host\\share\\a.htm"), std::wstring::npos);
    }

    // A right click on the list's empty space: the list's own menu.
    int shown = 0;
    f->FavPopupMenu->OnPopup = [&](TObject*) { ++shown; };
    const RECT client = list->ClientRect();
    SetTimer(nullptr, 0, 50, EndMenuNow); // whichever menu shows
    click(POINT{client.right - 5, client.bottom - 5}, WM_RBUTTONDOWN, WM_RBUTTONUP, false);
    EXPECT_EQ(shown, 1);
    Close();
}
