#include "../../vcl/VclTestSupport.h"
#include "ShellTestSupport.h"

#include "UPTShellMemFree.h"
#include "UPTShellStartup.h"

#include <gtest/gtest.h>

using namespace shelltest;

TEST(UPTShellMemFreeTest, FreesWaitForIdleStepsAndAreBounded) {
    vcltest::Watchdog watchdog(60000, "deferred frees");
    if (TShellMemFreeOnIdle* earlier = ShellMemFreeOnIdle()) // what other tests left waiting
        for (bool done = false; !done;)
            earlier->FreeStep(done);
    FreePidl(nullptr);
    FreePidl(MakePidl({"first"}));
    TShellMemFreeOnIdle* memFree = ShellMemFreeOnIdle();
    ASSERT_NE(memFree, nullptr);
    EXPECT_EQ(memFree->Owner(), Application);
    for (int i = 0; i < 20000; ++i)
        FreePidl(MakePidl({"item"}));
    EXPECT_EQ(memFree->PendingCount(), 20001);
    EXPECT_EQ(ShellMemFreeOnIdle(), memFree) << "one object for all";

    // One step frees everything within its budget here (or says it needs another).
    bool done = false;
    int steps = 0;
    while (!done && steps < 1000) {
        memFree->FreeStep(done);
        ++steps;
    }
    EXPECT_TRUE(done);
    EXPECT_EQ(memFree->PendingCount(), 0);
    memFree->FreeStep(done);
    EXPECT_TRUE(done) << "nothing to do";

    // Through the application's idle handling, beside the program's own OnIdle.
    for (int i = 0; i < 10; ++i)
        FreePidl(MakePidl({"idle"}));
    bool ownIdle = false;
    Application->OnIdle = [&](TObject*, bool&) {
        ownIdle = true;
        PostMessageW(nullptr, WM_NULL, 0, 0); // so the idle step does not wait for input
    };
    for (int i = 0; i < 5 && memFree->PendingCount() > 0; ++i)
        Application->HandleMessage();
    Application->OnIdle = nullptr;
    Application->ProcessMessages();
    EXPECT_TRUE(ownIdle);
    EXPECT_EQ(memFree->PendingCount(), 0);
}

TEST(UPTShellMemFreeTest, ShutDownFreesAtOnce) {
    FreePidl(MakePidl({"pending"}));
    ASSERT_NE(ShellMemFreeOnIdle(), nullptr);
    // A nested start-up/shut-down pair changes nothing; the outer pair of the test program
    // runs the real shut-down, which is imitated here.
    { TPTShellPack nested; }
    EXPECT_NE(ShellMemFreeOnIdle(), nullptr);
    BeginShellMemFreeShutdown();
    EXPECT_EQ(ShellMemFreeOnIdle(), nullptr);
    FreePidl(MakePidl({"late"}));
    EXPECT_EQ(ShellMemFreeOnIdle(), nullptr) << "freed at once";
    EndShellMemFreeShutdown();
}
