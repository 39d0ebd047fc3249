#include "UShotTimer.h"

#include "../vcl/VclTestSupport.h"

#include <gtest/gtest.h>

using namespace vcltest;

TEST(ShotTimer, FiresOnceWithItsItemAsSender) {
    Watchdog w(10000);
    int fired = 0;
    UINT_PTR seenId = 0;
    const UINT_PTR id = SetShotTimer(20, [&](TObject* Sender) {
        ++fired;
        seenId = static_cast<TShotTimerItem*>(Sender)->TimerID;
    });
    ASSERT_NE(id, 0u);
    EXPECT_TRUE(PumpUntil([&] { return fired > 0; }, 3000));
    PumpFor(150);
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(seenId, id);
    EXPECT_EQ(PendingShotTimers(), 0);
}

TEST(ShotTimer, EventThatRearmsKeepsItsNewTimer) {
    Watchdog w(10000);
    int first = 0, second = 0;
    UINT_PTR rearmed = 0;
    SetShotTimer(10, [&](TObject*) {
        ++first;
        // The system may hand out the id that just fired; the new timer must survive.
        rearmed = SetShotTimer(10, [&](TObject*) { ++second; });
    });
    EXPECT_TRUE(PumpUntil([&] { return second > 0; }, 3000));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_NE(rearmed, 0u);
    EXPECT_EQ(PendingShotTimers(), 0);
}

TEST(ShotTimer, KilledTimerNeverFiresAndZeroIsIgnored) {
    Watchdog w(10000);
    int fired = 0, other = 0;
    UINT_PTR id = SetShotTimer(30, [&](TObject*) { ++fired; });
    UINT_PTR keep = SetShotTimer(60, [&](TObject*) { ++other; });
    KillShotTimer(id);
    EXPECT_EQ(id, 0u);
    UINT_PTR none = 0;
    KillShotTimer(none);
    EXPECT_EQ(none, 0u);
    EXPECT_TRUE(PumpUntil([&] { return other > 0; }, 3000));
    PumpFor(100);
    EXPECT_EQ(fired, 0);
    EXPECT_EQ(other, 1);
    (void)keep;
}

TEST(ShotTimer, EventThatKillsItselfOrThrowsDoesNotDisturbTheList) {
    Watchdog w(10000);
    int fired = 0, reported = 0;
    Application->OnException = [&](TObject*, const std::wstring&, const std::wstring&, const std::wstring&) {
        ++reported;
    };
    UINT_PTR id = 0;
    id = SetShotTimer(10, [&](TObject*) {
        ++fired;
        KillShotTimer(id); // already unlinked: harmless
    });
    SetShotTimer(10, [&](TObject*) { throw Exception(L"from a timer"); });
    EXPECT_TRUE(PumpUntil([&] { return fired > 0 && reported > 0 && PendingShotTimers() == 0; }, 3000));
    EXPECT_EQ(id, 0u);
    Application->OnException = nullptr;
}

TEST(HourGlass, NestsAndOnlyTheOutermostRestores) {
    ASSERT_NE(Screen, nullptr);
    Screen->SetCursor(crDefault);
    HourGlassOff(); // without On: nothing
    EXPECT_EQ(HourGlassLevel(), 0);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    HourGlassOn();
    HourGlassOn();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    HourGlassOff();
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
    HourGlassOff();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(HourGlassLevel(), 0);
}
