#include "VclTestSupport.h"

#include "Clipbrd.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace vcltest;

// While another thread keeps the clipboard open, putting text on it fails with a clear error
// and leaves the clipboard as it was; once it is free again the text goes on.
TEST(Clipboard, BusyClipboardRaisesAndNothingIsLost) {
    Watchdog dog(15000, "busy clipboard");
    Clipboard()->SetAsText(L"before");
    std::atomic<int> stage{0};
    std::thread holder([&] {
        HWND wnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        bool open = OpenClipboard(wnd) != FALSE;
        stage = open ? 1 : -1;
        while (stage == 1)
            Sleep(5);
        if (open)
            CloseClipboard();
        DestroyWindow(wnd);
    });
    while (stage == 0)
        Sleep(5);
    ASSERT_EQ(stage, 1);
    try {
        Clipboard()->SetAsText(L"\u0416 while busy");
        ADD_FAILURE() << "no error while the clipboard was held";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), L"Cannot open clipboard");
    }
    stage = 2;
    holder.join();
    EXPECT_EQ(Clipboard()->AsText(), L"before");
    Clipboard()->SetAsText(L"\u0416 after");
    EXPECT_EQ(Clipboard()->AsText(), L"\u0416 after");
}
