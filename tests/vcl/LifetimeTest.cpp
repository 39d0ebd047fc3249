// Objects that watch each other: freeing one in any order leaves no pointer behind, also
// for what the application still owns when the program ends.
#include "VclTestSupport.h"
#include "TestHarness.h"

#include "ActnList.h"
#include "ComCtrls.h"
#include "Menus.h"
#include "Timers.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using namespace vcltest;

namespace {

class TLinkedControl : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TLinkedControl)
    using TCustomControl::TCustomControl;
};

constexpr const char* ExitChildVariable = "VORLANE_VCL_EXIT_CHILD";

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
