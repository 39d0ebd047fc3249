#include "../../vcl/VclTestSupport.h"

#include "UPTDeviceChange.h"

#include <dbt.h>
#include <gtest/gtest.h>

#include <vector>

TEST(UPTDeviceChangeTest, APostedNoticeReachesEverySubscriberAfterTheSystem) {
    vcltest::Watchdog watchdog(20000, "device change");
    TPTDeviceChangeHandler* handler = DeviceChangeHandler();
    ASSERT_EQ(DeviceChangeHandler(), handler) << "one per process";
    // Top-level (broadcasts reach it), hidden.
    EXPECT_EQ(GetAncestor(handler->Handle(), GA_PARENT), GetDesktopWindow());
    EXPECT_FALSE(IsWindowVisible(handler->Handle()));

    std::vector<std::pair<int, WPARAM>> calls;
    int first = 0, second = 0, third = 0;
    handler->AddHandler(&first, [&](TPTDeviceChangeHandler* sender, TMessage& m) {
        EXPECT_EQ(sender, handler);
        calls.emplace_back(1, m.WParam);
        handler->RemoveHandler(&second); // a later subscriber leaves during the fan-out
    });
    handler->AddHandler(&second, [&](TPTDeviceChangeHandler*, TMessage& m) { calls.emplace_back(2, m.WParam); });
    handler->AddHandler(&third, [&](TPTDeviceChangeHandler*, TMessage& m) {
        calls.emplace_back(3, m.WParam);
        handler->RemoveHandler(&third); // and one leaves while being called
    });

    // Arrival notices carry a record: the system sends them (they cannot be posted).
    DEV_BROADCAST_HDR record{sizeof(record), DBT_DEVTYP_VOLUME, 0};
    SendMessageW(handler->Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, reinterpret_cast<LPARAM>(&record));
    ASSERT_TRUE(vcltest::PumpUntil([&] { return calls.size() >= 2; }, 5000));
    vcltest::PumpFor(100);
    EXPECT_EQ(calls, (std::vector<std::pair<int, WPARAM>>{{1, DBT_DEVICEARRIVAL}, {3, DBT_DEVICEARRIVAL}}));
    EXPECT_EQ(handler->HandlerCount(), 1);

    // Inactive: dropped. Active again: heard.
    calls.clear();
    handler->Active = false;
    ASSERT_TRUE(PostMessageW(handler->Handle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0));
    vcltest::PumpFor(200);
    handler->Active = true;
    ASSERT_TRUE(PostMessageW(handler->Handle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED + 1, 0));
    ASSERT_TRUE(vcltest::PumpUntil([&] { return !calls.empty(); }, 5000));
    EXPECT_EQ(calls.front().second, static_cast<WPARAM>(DBT_DEVNODES_CHANGED + 1)) << "the inactive one was dropped";
    handler->RemoveHandler(&first);

    // An exception in a subscriber stops at the window's boundary.
    std::wstring logged;
    Application->OnException = [&](TObject*, const std::wstring&, const std::wstring&, const std::wstring& msg) {
        logged = msg;
    };
    handler->AddHandler(&first, [](TPTDeviceChangeHandler*, TMessage&) { throw Exception(L"subscriber failed"); });
    PostMessageW(handler->Handle(), WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
    vcltest::PumpUntil([&] { return !logged.empty(); }, 5000);
    Application->OnException = nullptr;
    EXPECT_EQ(logged, L"subscriber failed");
    handler->RemoveHandler(&first);
    EXPECT_EQ(handler->HandlerCount(), 0);
}
