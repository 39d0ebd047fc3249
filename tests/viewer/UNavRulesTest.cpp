// Rules of the navigation: the target of a URL, the tab shown after a close and the search
// query value.
#include "UNavRules.h"

#include <gtest/gtest.h>

TEST(NavRules, ShiftGoesOutsideCtrlOrAForcedTabOrNoTabMakesOneOnce) {
    using T = TNavTarget;
    EXPECT_EQ(NavTargetOf(true, false, true, false, 3), T::OutsideBrowser);
    EXPECT_EQ(NavTargetOf(false, true, false, false, 3), T::NewTab);
    EXPECT_EQ(NavTargetOf(false, false, true, false, 3), T::NewTab);
    EXPECT_EQ(NavTargetOf(false, false, false, false, 0), T::NewTab);
    EXPECT_EQ(NavTargetOf(false, false, false, false, 3), T::ActiveTab);
    // The tab made for this navigation already: no second one.
    EXPECT_EQ(NavTargetOf(false, true, true, true, 3), T::ActiveTab);
}

TEST(NavRules, AfterClosingTheActiveTabItsPlaceOrTheNewLastTabShows) {
    EXPECT_EQ(TabAfterClose(1, 1, 4), 1);
    EXPECT_EQ(TabAfterClose(3, 3, 4), 2); // the active last tab: the new last one
    EXPECT_EQ(TabAfterClose(0, 0, 2), 0);
    EXPECT_EQ(TabAfterClose(2, 0, 4), -1); // another tab: the active one stays
    EXPECT_EQ(TabAfterClose(0, 0, 1), -1); // the only tab is never closed
    EXPECT_EQ(TabAfterClose(4, 4, 4), -1);
    EXPECT_EQ(TabAfterClose(-1, -1, 4), -1);
}

TEST(NavRules, ASearchTextReachesTheAgentWhole) {
    EXPECT_EQ(SearchQueryValue(L"  Caf\u00e9 \u65e5\u672c  "), L"Caf%C3%A9 %E6%97%A5%E6%9C%AC");
    // '%' and '&' would otherwise be read as escapes and pair separators.
    EXPECT_EQ(SearchQueryValue(L"100%25 R&D &amp; #1"), L"100%2525 R%26D %26amp; #1");
    EXPECT_EQ(SearchQueryValue(std::wstring(5000, L'x')).size(), 5000u);
}
