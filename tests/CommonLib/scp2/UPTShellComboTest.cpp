#include "ShellTestSupport.h"
#include "TestHarness.h"

#include "Forms.h"
#include "UPTShellCombo.h"

#include "../../vcl/VclTestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace shelltest;
using namespace vcltest;
using testing_support::TempDir;

namespace {

class TComboForm : public TForm {
public:
    VORLANE_CLASS_NAME(TComboForm)
    explicit TComboForm(TComponent* AOwner) : TForm(AOwner) { SetBounds(10, 10, 620, 460); }
};

// A deep folder below a temporary one, with the combo and the list of the bookmarks page.
struct TComboFixture : ::testing::Test {
    TempDir Dir;
    std::wstring Deep;
    TComboForm Form{nullptr};
    TPTShellCombo* Combo = nullptr;
    TPTShellList* List = nullptr;
    TComboFixture() {
        Deep = Dir.File(L"one");
        CreateDirectoryW(Deep.c_str(), nullptr);
        Deep += L"\\two \u0416";
        CreateDirectoryW(Deep.c_str(), nullptr);
        Deep += L"\\three";
        CreateDirectoryW(Deep.c_str(), nullptr);
        CreateDirectoryW((Deep + L"\\four").c_str(), nullptr);
        Combo = new TPTShellCombo(&Form);
        Combo->SetParent(&Form);
        Combo->SetBounds(0, 0, 400, 24);
        List = new TPTShellList(&Form);
        List->SetParent(&Form);
        List->SetBounds(0, 40, 600, 380);
        List->SetOptions(List->Options() & ~ptsloDynamicRefresh);
        Combo->SetShellList(List);
    }
    // The selected line's folder path.
    std::wstring SelectedPath() {
        TPTShComboData* data = Combo->GetComboData(Combo->ItemIndex());
        return data ? PidlToPath(data->AbsPidl()) : L"?";
    }
    // Chooses a line as the user does.
    void Choose(int Index) {
        Combo->SetItemIndex(Index);
        Combo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Combo->Handle()));
    }
    int LineOf(const std::wstring& Path) {
        for (int i = 0; i < Combo->ItemCount(); ++i)
            if (TPTShComboData* data = Combo->GetComboData(i))
                if (PidlToPath(data->AbsPidl()) == Path)
                    return i;
        return -1;
    }
};

} // namespace

TEST(ShellComboCount, TheDropDownCountFillsTheRoomBelowAndIsAtLeastOne) {
    EXPECT_EQ(PTAutoDropDownCount(768, 100, 16), 41);
    EXPECT_EQ(PTAutoDropDownCount(768, 751, 16), 1);
    EXPECT_EQ(PTAutoDropDownCount(768, 760, 16), 1);
    EXPECT_EQ(PTAutoDropDownCount(768, 900, 16), 1);
    EXPECT_EQ(PTAutoDropDownCount(768, 100, 0), 1);
}

TEST_F(TComboFixture, TheWholeTreeChainsDownToADeepFolderBelowItsDrive) {
    Watchdog w(20000);
    Combo->SetOptions(ptscoAutofill | ptscoNonFilesystemAncestors);
    Form.Show();
    ASSERT_HRESULT_SUCCEEDED(Combo->Folder()->SetPath(Deep));
    PumpFor(30);
    ASSERT_GT(Combo->ItemCount(), 4);
    EXPECT_EQ(SelectedPath(), Deep);
    EXPECT_EQ(Combo->GetItem(0)->Indent, 0); // the desktop
    EXPECT_EQ(Combo->GetComboData(0)->ParentPidl(), nullptr);
    // The computer one level down, its drives below it, the path below the drive.
    TPTPidl computer;
    ASSERT_HRESULT_SUCCEEDED(SpecialFolderPidl(nullptr, PTSpecialFolderComputer, computer));
    int computerLine = -1;
    for (int i = 0; i < Combo->ItemCount(); ++i)
        if (ComparePidls(Combo->GetComboData(i)->AbsPidl(), computer.Get()) == 0)
            computerLine = i;
    ASSERT_GT(computerLine, 0);
    EXPECT_EQ(Combo->GetItem(computerLine)->Indent, 1);
    const std::wstring drive = Deep.substr(0, 3);
    const int driveLine = LineOf(drive);
    ASSERT_GT(driveLine, computerLine);
    EXPECT_EQ(Combo->GetItem(driveLine)->Indent, 2);
    // Every level of the path one indent below the one before, ending at the selected line.
    TPTIdListArray levels(Combo->GetComboData(Combo->ItemIndex())->AbsPidl());
    const int depth = levels.Count();
    EXPECT_EQ(Combo->GetItem(Combo->ItemIndex())->Indent, depth);
    for (int i = driveLine + 1; i <= Combo->ItemIndex(); ++i)
        EXPECT_EQ(Combo->GetItem(i)->Indent, Combo->GetItem(i - 1)->Indent + 1) << i;
    EXPECT_EQ(LineOf(Deep + L"\\four"), -1) << "only the path, not the current folder's children";
    // The current folder knows its name at once; the others when first drawn.
    EXPECT_FALSE(Combo->GetItem(Combo->ItemIndex())->Caption().empty());
    TPTShComboItem* later = Combo->GetComboItem(computerLine);
    EXPECT_TRUE(later->Caption().empty());
    RedrawWindow(Combo->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    Combo->SetItemIndex(computerLine);
    RedrawWindow(Combo->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(later->Caption().empty());
    EXPECT_GE(later->ImageIndex(), 0);
}

TEST_F(TComboFixture, ComboAndListFollowEachOther) {
    Watchdog w(20000);
    Combo->SetOptions(ptscoAutofill | ptscoNonFilesystemAncestors);
    Form.Show();
    List->Folder()->SetPath(Deep);
    PumpFor(30);
    EXPECT_EQ(SelectedPath(), Deep);
    EXPECT_EQ(Combo->Folder()->GetPath(), Deep);
    EXPECT_EQ(List->Items()->Count(), 1);

    // An ancestor chosen in the combo shows in the list; the change event sees the folder.
    std::wstring seen;
    Combo->OnChange = [&](TObject*) { seen = Combo->Folder()->GetPath(); };
    const std::wstring one = Dir.File(L"one");
    Choose(LineOf(one));
    EXPECT_EQ(seen, one);
    EXPECT_EQ(List->Folder()->GetPath(), one);
    EXPECT_EQ(SelectedPath(), one);

    // A subfolder opened in the list: the combo selects it, one indent below its parent.
    const int parentIndent = Combo->GetItem(Combo->ItemIndex())->Indent;
    List->Items()->Item(0)->SetSelected(true);
    List->OpenSelected();
    const std::wstring two = one + L"\\two \u0416";
    EXPECT_EQ(List->Folder()->GetPath(), two);
    EXPECT_EQ(SelectedPath(), two);
    EXPECT_EQ(Combo->GetItem(Combo->ItemIndex())->Indent, parentIndent + 1);
    // Up from the list goes through the combo.
    List->GoUp(1);
    EXPECT_EQ(List->Folder()->GetPath(), one);
    EXPECT_EQ(Combo->Folder()->GetPath(), one);

    // Freed first, the list leaves the combo unlinked (and the other way round).
    delete List;
    EXPECT_EQ(Combo->ShellList(), nullptr);
    Combo->Folder()->SetPath(Deep);
    EXPECT_EQ(SelectedPath(), Deep);
}

TEST_F(TComboFixture, ADeferredComboBuildsTheWholeTreeOnceOnItsFirstDropDown) {
    Watchdog w(20000);
    Form.Show();
    List->Folder()->SetPath(Deep);
    PumpFor(30);
    ASSERT_EQ(Combo->ItemCount(), 1);
    EXPECT_FALSE(Combo->Filled());
    EXPECT_EQ(SelectedPath(), Deep);
    EXPECT_FALSE(Combo->GetItem(0)->Caption().empty());
    // Going up works before the whole tree is there.
    List->GoUp(1);
    EXPECT_EQ(List->Folder()->GetPath(), Deep.substr(0, Deep.rfind(L'\\')));
    List->Folder()->SetPath(Deep);

    Combo->ScreenHeight = [] { return 100000; };
    int deletions = 0;
    Combo->OnDeleteItem = [&](TObject*, TPTImageComboItem*) { ++deletions; };
    Combo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), reinterpret_cast<LPARAM>(Combo->Handle()));
    EXPECT_TRUE(Combo->Filled());
    const int lines = Combo->ItemCount();
    EXPECT_GT(lines, 4);
    EXPECT_EQ(SelectedPath(), Deep);
    EXPECT_GT(Combo->DropDownCount(), 8);
    const int deleted = deletions;
    Combo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_CLOSEUP), reinterpret_cast<LPARAM>(Combo->Handle()));
    Combo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), reinterpret_cast<LPARAM>(Combo->Handle()));
    EXPECT_EQ(deletions, deleted) << "later drop-downs do not build again";
    EXPECT_EQ(Combo->ItemCount(), lines);

    // Near the bottom of a small screen: room for one line.
    RECT r;
    GetWindowRect(Combo->Handle(), &r);
    Combo->ScreenHeight = [r] { return static_cast<int>(r.bottom + 5); };
    Combo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), reinterpret_cast<LPARAM>(Combo->Handle()));
    EXPECT_EQ(Combo->DropDownCount(), 1);
}

TEST_F(TComboFixture, MovingThroughTheOpenListChoosesOnlyWhenItCloses) {
    Watchdog w(20000);
    Combo->SetOptions(ptscoAutofill | ptscoNonFilesystemAncestors);
    Form.Show();
    List->Folder()->SetPath(Deep);
    PumpFor(30);
    int changes = 0;
    Combo->OnChange = [&](TObject*) { ++changes; };
    SendMessageW(Combo->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    if (!Combo->DroppedDown())
        GTEST_SKIP() << "the list does not open here";
    const std::wstring one = Dir.File(L"one");
    Choose(LineOf(one));
    EXPECT_EQ(List->Folder()->GetPath(), Deep);
    EXPECT_EQ(changes, 0);
    // Enter: the choice is made, then the list closes.
    Combo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_SELENDOK), reinterpret_cast<LPARAM>(Combo->Handle()));
    SendMessageW(Combo->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(List->Folder()->GetPath(), one);
    EXPECT_EQ(changes, 1);
    // Moving and then leaving with Esc chooses nothing.
    SendMessageW(Combo->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    Choose(LineOf(Deep.substr(0, Deep.rfind(L'\\'))));
    Combo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_SELENDCANCEL), reinterpret_cast<LPARAM>(Combo->Handle()));
    SendMessageW(Combo->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    Combo->Perform(CN_COMMAND, MAKEWPARAM(0, CBN_SELENDOK), reinterpret_cast<LPARAM>(Combo->Handle()));
    EXPECT_EQ(List->Folder()->GetPath(), one);
    EXPECT_EQ(changes, 1);
}
