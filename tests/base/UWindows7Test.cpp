#include "UWindows7.h"

#include "UComInit.h"
#include "UUnicode.h"

#include <gtest/gtest.h>

TEST(Windows7, TakesTheTaskbarProgressWhileItLives) {
    TComInitializer com;
    {
        TWindows7 w7(L"Quorvex.Vorlane.Test");
        if (IsWindows7OrLater() && w7.WindowHandle) {
            EXPECT_TRUE(static_cast<bool>(TaskbarProgress));
            EXPECT_NO_THROW(TaskbarProgress(2, 10, 100));
            EXPECT_NO_THROW(w7.SetProgressState(0));
        }
    }
    EXPECT_FALSE(static_cast<bool>(TaskbarProgress));
}
