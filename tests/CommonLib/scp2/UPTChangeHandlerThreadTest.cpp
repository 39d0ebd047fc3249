#include "../../vcl/VclTestSupport.h"
#include "TestHarness.h"

#include "UPTChangeHandlerThread.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr UINT WM_FOLDERCHANGED = WM_USER + 101;

// A message-only window whose queue the test reads.
struct TMessageWindow {
    HWND Handle = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ~TMessageWindow() { DestroyWindow(Handle); }
    // The slots posted until pred() holds or the time is up.
    std::vector<int> Slots;
    bool WaitFor(const std::function<bool()>& pred, DWORD ms) {
        const DWORD start = GetTickCount();
        for (;;) {
            MSG msg;
            while (PeekMessageW(&msg, Handle, WM_FOLDERCHANGED, WM_FOLDERCHANGED, PM_REMOVE))
                Slots.push_back(static_cast<int>(msg.wParam));
            if (pred())
                return true;
            if (GetTickCount() - start > ms)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
        }
    }
};

constexpr DWORD NameChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;

} // namespace

TEST(UPTChangeHandlerThreadTest, PostsTheSlotOfTheFolderThatChanged) {
    vcltest::Watchdog watchdog(60000, "change thread");
    testing_support::TempDir one, two;
    TMessageWindow window;
    ASSERT_NE(window.Handle, nullptr);
    const TChangeHandlerThread::TPtr watcher = TChangeHandlerThread::Create(window.Handle, WM_FOLDERCHANGED);
    TChangeHandlerThread& thread = *watcher;

    int slotOne = -1, slotTwo = -1;
    ASSERT_TRUE(thread.AddWatch(one.Path(), NameChanges, slotOne, false));
    ASSERT_TRUE(thread.AddWatch(two.Path(), NameChanges, slotTwo, false));
    EXPECT_NE(slotOne, slotTwo);

    testing_support::WriteBytes(two.File(L"neu \u00E9.txt"), "x");
    ASSERT_TRUE(window.WaitFor([&] { return !window.Slots.empty(); }, 10000));
    EXPECT_EQ(window.Slots.front(), slotTwo);

    // Two changes in a row in one folder: every message names the same slot.
    window.Slots.clear();
    testing_support::WriteBytes(one.File(L"a.txt"), "x");
    ASSERT_TRUE(window.WaitFor([&] { return !window.Slots.empty(); }, 10000));
    testing_support::WriteBytes(one.File(L"b.txt"), "x");
    window.WaitFor([&] { return window.Slots.size() >= 2; }, 3000);
    for (int slot : window.Slots)
        EXPECT_EQ(slot, slotOne);

    // Removed watches are silent; the slot is free again.
    ASSERT_TRUE(thread.RemoveAllWatches());
    window.WaitFor([] { return false; }, 200);
    window.Slots.clear();
    testing_support::WriteBytes(one.File(L"c.txt"), "x");
    EXPECT_FALSE(window.WaitFor([&] { return !window.Slots.empty(); }, 800));
    int again = -1;
    ASSERT_TRUE(thread.AddWatch(one.Path(), NameChanges, again, false));
    EXPECT_EQ(again, 0);
    ASSERT_TRUE(thread.RemoveWatch(again));
    EXPECT_FALSE(thread.AddWatch(L"", NameChanges, again, false));
    EXPECT_FALSE(thread.AddWatch(one.File(L"missing"), NameChanges, again, false));
}

TEST(UPTChangeHandlerThreadTest, SixtyThreeSlotsThenRefusalAndCleanDestruction) {
    vcltest::Watchdog watchdog(60000, "change thread slots");
    testing_support::TempDir dir;
    TMessageWindow window;
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    TChangeHandlerThread::TPtr thread = TChangeHandlerThread::Create(window.Handle, WM_FOLDERCHANGED);
    for (int i = 0; i < TChangeHandlerThread::SlotCount; ++i) {
        int slot = -1;
        ASSERT_TRUE(thread->AddWatch(dir.Path(), NameChanges, slot, false)) << i;
        EXPECT_EQ(slot, i);
    }
    int slot = 0;
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(thread->AddWatch(dir.Path(), NameChanges, slot, false)) << "a 64th watch";
        EXPECT_EQ(slot, -1);
    }
    // Destroyed while the worker waits: every notification handle (the refused ones too),
    // both events and the thread are closed.
    thread.reset();
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(after, before);
}

TEST(UPTChangeHandlerThreadTest, AWorkerThatDoesNotEndInTimeIsLeftRunningWithItsHandles) {
    vcltest::Watchdog watchdog(60000, "change thread that does not end");
    testing_support::TempDir dir;
    TMessageWindow window;
    TChangeHandlerThread::TPtr thread = TChangeHandlerThread::Create(window.Handle, WM_FOLDERCHANGED, 300);
    int slot = -1;
    ASSERT_TRUE(thread->AddWatch(dir.Path(), NameChanges, slot, false));
    // A worker that cannot run (as one held up by the system): the owner goes on after the
    // bound, and nothing the worker waits on is closed.
    TChangeHandlerThread* worker = thread.get();
    ASSERT_NE(SuspendThread(worker->Handle()), static_cast<DWORD>(-1));
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    thread.reset();
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(after, before);
    // Once it runs again it ends by itself.
    ResumeThread(worker->Handle());
    EXPECT_EQ(WaitForSingleObject(worker->Handle(), 10000), WAIT_OBJECT_0);
}
