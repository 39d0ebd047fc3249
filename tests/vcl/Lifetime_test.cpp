// Objects that watch each other: freeing one in any order leaves no pointer behind, also
// for what the application still owns when the program ends.
#include "VclTestSupport.h"

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

LONG WINAPI EndOnFault(EXCEPTION_POINTERS*) { return EXCEPTION_EXECUTE_HANDLER; }

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
    // A fault at exit ends the process with its code instead of starting a debugger.
    SetUnhandledExceptionFilter(EndOnFault);
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
    wchar_t exe[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=Lifetime.ExitChildLeavesObjectsToTheApplication";
    SetEnvironmentVariableA(ExitChildVariable, "1");
    STARTUPINFOW si{sizeof(si)};
    si.dwFlags = STARTF_USESTDHANDLES;
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    si.hStdOutput = si.hStdError = nul;
    PROCESS_INFORMATION pi{};
    BOOL started = CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA(ExitChildVariable, nullptr);
    if (nul != INVALID_HANDLE_VALUE)
        CloseHandle(nul);
    ASSERT_TRUE(started);
    DWORD wait = WaitForSingleObject(pi.hProcess, 30000);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(pi.hProcess, &code);
    if (wait != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 9);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(wait, WAIT_OBJECT_0);
    EXPECT_EQ(code, 0u) << std::hex << code;
}
