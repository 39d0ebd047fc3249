// Objects that watch each other: freeing one in any order leaves no pointer behind, also
// for what the application still owns when the program ends.
#include "VclTestSupport.h"
#include "TestHarness.h"

#include "ActnList.h"
#include "Boundary.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "Timers.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <new>
#include <set>
#include <string>
#include <vector>

using namespace vcltest;

namespace {

class TLinkedControl : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TLinkedControl)
    using TCustomControl::TCustomControl;
};

constexpr const char* ExitChildVariable = "VORLANE_VCL_EXIT_CHILD";

// Fills its memory with a pattern when freed, so that any later use of the object faults at
// once instead of reading what happens to be left there. (The compiler cannot see that this
// class's own new and delete are a pair.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
template <class T>
class TPoisoned : public T {
public:
    using T::T;
    static void* operator new(std::size_t Size) {
        if (void* p = std::malloc(Size))
            return p;
        throw std::bad_alloc();
    }
    static void operator delete(void* P, std::size_t Size) {
        auto* bytes = static_cast<volatile unsigned char*>(P);
        for (std::size_t i = 0; i < Size; ++i)
            bytes[i] = 0xCD;
        std::free(P);
    }
};

// A tab's frame as the program makes it: the frame owns its base panel (with an edit box),
// and the panel is moved into the dock panel that holds every tab's panel.
class TTabFrame : public TFrame {
public:
    VORLANE_CLASS_NAME(TTabFrame)
    TTabFrame(TWinControl* Dock) : TFrame(Dock) {
        Panel = new TPoisoned<TPanel>(this);
        Panel->SetParent(this);
        Edit = new TPoisoned<TEdit>(this);
        Edit->SetParent(Panel);
        Panel->SetParent(Dock);
    }
    TPanel* Panel;
    TEdit* Edit;
};

void CALLBACK CloseMenuSoon(HWND, UINT, UINT_PTR, DWORD) { TPopupList::CloseOpenMenu(); }

// Every control Tab (or Shift+Tab) reaches from the form's active control, going round once.
std::vector<TWinControl*> WalkTabs(TForm& Form, bool Forward) {
    std::vector<TWinControl*> seen;
    TWinControl* start = Form.ActiveControl();
    for (int i = 0; i < 50; ++i) {
        Form.SelectNext(Form.ActiveControl(), Forward, true);
        seen.push_back(Form.ActiveControl());
        if (Form.ActiveControl() == start)
            break;
    }
    return seen;
}

} // namespace

TEST(Lifetime, FormAndMainMenuForgetEachOtherInEitherOrder) {
    {
        TForm form(nullptr);
        auto* menu = new TMainMenu(nullptr);
        form.SetMenu(menu);
        menu->GetHandle(); // the menu now watches the form as well
        delete menu;
        EXPECT_EQ(form.Menu(), nullptr);
    }
    {
        auto* form = new TForm(nullptr);
        TMainMenu menu(nullptr);
        form->SetMenu(&menu);
        menu.GetHandle();
        form->SetMenu(nullptr); // the form lets go; the menu still knows the form
        delete form;
        menu.Items()->Add(new TMenuItem(nullptr)); // asks the (gone) form for its window
        EXPECT_NE(menu.GetHandle(), nullptr);
    }
}

TEST(Lifetime, OneImageListInTwoRolesIsForgottenWhenFreed) {
    TForm form(nullptr);
    auto* lv = new TListView(&form);
    auto* tv = new TTreeView(&form);
    auto* images = new TImageList(nullptr);
    lv->SetSmallImages(images);
    lv->SetStateImages(images);
    tv->SetImages(images);
    tv->SetStateImages(images);
    lv->SetSmallImages(nullptr);
    tv->SetImages(nullptr);
    delete images;
    EXPECT_EQ(lv->StateImages(), nullptr);
    EXPECT_EQ(tv->StateImages(), nullptr);
}

// Runs only inside the child process started below: leaves a form full of linked objects
// to the application, which frees them when the program ends.
TEST(Lifetime, ExitChildLeavesObjectsToTheApplication) {
    if (!std::getenv(ExitChildVariable))
        GTEST_SKIP() << "runs in a child process only";
    testing_support::EndProcessOnFault(); // a fault at exit shows as the exit code
    auto* form = new TForm(Application);
    auto* control = new TLinkedControl(form);
    auto* action = new TAction(form);
    action->SetCaption(L"Run");
    SetControlAction(control, action);
    auto* menu = new TMainMenu(form);
    auto* item = new TMenuItem(form);
    menu->Items()->Add(item);
    item->SetAction(action);
    form->SetMenu(menu);
    auto* timer = new TTimer(form);
    timer->SetInterval(60000);
    timer->SetEnabled(true);
}

TEST(Lifetime, ObjectsTheApplicationFreesAtExitFindTheirListsStillThere) {
    if (std::getenv(ExitChildVariable))
        GTEST_SKIP();
    auto run = testing_support::RunChildTest("Lifetime.ExitChildLeavesObjectsToTheApplication", ExitChildVariable,
                                             30000);
    ASSERT_TRUE(run.Started);
    EXPECT_TRUE(run.Ended);
    EXPECT_EQ(run.ExitCode, 0u) << std::hex << run.ExitCode;
}

TEST(Lifetime, TabWalksOnlyLiveControlsAfterControlsAreFreed) {
    // A use of a freed control faults; the fault stopped in a window procedure shows here.
    std::wstring stopped;
    struct TRestore {
        TBoundaryHandler Old;
        ~TRestore() { SetBoundaryHandler(Old); }
    } restore{SetBoundaryHandler([&](const wchar_t* where, const std::wstring& cls, const std::wstring& msg) {
        stopped += std::wstring(where) + L": " + cls + L": " + msg + L"\n";
    })};
    TForm form(nullptr);
    form.SetBounds(0, 0, 400, 300);
    auto* tree = new TTreeView(&form);
    tree->SetParent(&form);
    tree->SetAlign(alLeft);
    auto* dock = new TPanel(&form);
    dock->SetParent(&form);
    dock->SetAlign(alClient);
    auto* index = new TEdit(&form);
    index->SetParent(&form);
    index->SetAlign(alBottom);
    auto* first = new TTabFrame(dock);
    auto* second = new TTabFrame(dock);
    form.Show();
    tree->SetFocus();

    // A closed tab's frame goes with its panel, which the dock panel holds (and which had
    // asked for a pop-up menu).
    auto* menu = new TPopupMenu(&form);
    menu->Items()->Add(new TMenuItem(&form));
    UINT_PTR closeMenu = SetTimer(nullptr, 0, 10, CloseMenuSoon);
    menu->Popup(first->Panel, 0, 0);
    KillTimer(nullptr, closeMenu);
    delete first;
    ASSERT_EQ(second->Panel->TabOrder(), 0);
    ASSERT_EQ(dock->ControlCount(), 1);
    EXPECT_EQ(menu->PopupComponent, nullptr);
    // The form is given a new window, and a control frees itself from its own click.
    form.RecreateWnd();
    auto* closer = new TPoisoned<TLinkedControl>(&form);
    closer->SetParent(&form);
    closer->SetBounds(0, 0, 40, 20);
    closer->SetTabStop(true);
    closer->OnClick = [&closer](TObject* Sender) {
        closer = nullptr;
        delete Sender;
    };
    closer->SetFocus();
    SendMessageW(closer->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(closer->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_EQ(closer, nullptr);
    EXPECT_EQ(form.ActiveControl(), nullptr);
    // The control a splitter is sizing goes while the mouse is down.
    auto* side = new TPoisoned<TPanel>(&form);
    side->SetParent(&form);
    side->SetBounds(300, 0, 60, 100);
    side->SetAlign(alRight);
    auto* splitter = new TSplitter(&form);
    splitter->SetParent(&form);
    splitter->SetBounds(290, 0, 3, 100);
    splitter->SetAlign(alRight);
    ASSERT_EQ(splitter->ResizeControl(), side);
    splitter->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 5));
    delete side;
    splitter->Perform(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-20, 5));
    splitter->Perform(WM_LBUTTONUP, 0, MAKELPARAM(-20, 5));

    tree->SetFocus();
    const std::set<TWinControl*> live{tree, index, second->Edit};
    for (bool forward : {true, false}) {
        std::vector<TWinControl*> walk = WalkTabs(form, forward);
        EXPECT_EQ(walk.size(), live.size()) << (forward ? "Tab" : "Shift+Tab");
        EXPECT_EQ(std::set<TWinControl*>(walk.begin(), walk.end()), live) << (forward ? "Tab" : "Shift+Tab");
    }
    EXPECT_EQ(stopped, L"");
}
