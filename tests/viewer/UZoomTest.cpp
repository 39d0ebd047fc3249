// Zoom arithmetic, the zoom panel, and the pane and status-bar widths.
#include "UPaneLayout.h"
#include "UZoom.h"

#include <gtest/gtest.h>

TEST(Zoom, StepsStayWithinTheLimitsThatAreStored) {
    EXPECT_EQ(ZoomForTag(100, ZoomInTag), 101);
    EXPECT_EQ(ZoomForTag(100, ZoomOutTag), 99);
    EXPECT_EQ(ZoomForTag(400, ZoomInTag), 400);   // never shown beyond what is stored
    EXPECT_EQ(ZoomForTag(10, ZoomOutTag), 10);
    EXPECT_EQ(ZoomForTag(101, 75), 75);
    EXPECT_EQ(ZoomForTag(100, 500), 400);
    // Whole percent: a hundred steps in and out come back exactly.
    int z = 100;
    for (int i = 0; i < 100; ++i) z = ZoomForTag(z, ZoomInTag);
    for (int i = 0; i < 100; ++i) z = ZoomForTag(z, ZoomOutTag);
    EXPECT_EQ(z, 100);
    EXPECT_EQ(ZoomPercentOf(1.2549), 125);
    EXPECT_EQ(ZoomPercentOf(ZoomFactor(33)), 33);
    EXPECT_EQ(ZoomFromSetting(5), 100);
    EXPECT_EQ(ZoomFromSetting(401), 100);
    EXPECT_EQ(ZoomFromSetting(10), 10);
    EXPECT_EQ(CheckedZoomItem(125), 125);
    EXPECT_EQ(CheckedZoomItem(101), 0);
}

TEST(Zoom, PanelTextAndClickSteps) {
    EXPECT_EQ(ZoomPanelText(L"Zoom", 100), L"Zoom: 100%");
    EXPECT_EQ(ZoomPanelText(L"Zoom", 75), L"Zoom: 75%");
    EXPECT_EQ(ZoomPanelText(L"Zoom %s", 10), L"Zoom %s: 10%");  // a translated text is no format
    EXPECT_EQ(ZoomPanelStep(50), 75);
    EXPECT_EQ(ZoomPanelStep(75), 100);
    EXPECT_EQ(ZoomPanelStep(99), 100);
    EXPECT_EQ(ZoomPanelStep(100), 125);
    EXPECT_EQ(ZoomPanelStep(125), 150);
    EXPECT_EQ(ZoomPanelStep(150), 75);
    EXPECT_EQ(ZoomPanelStep(400), 75);
}

TEST(PaneLayout, CollapseRestoreSplitterAndPanels) {
    EXPECT_EQ(ToggledPaneWidth(250, 250), 0);
    EXPECT_EQ(ToggledPaneWidth(0, 250), 250);     // Ctrl+0 twice gives the width back
    EXPECT_EQ(ToggledPaneWidth(10, 0), DefaultPaneWidth);
    // Pane on the right: the splitter belongs left of it; on the left, right of it.
    EXPECT_EQ(SplitterFixLeft(500, 200, 710, 4), 0);
    EXPECT_EQ(SplitterFixLeft(500, 200, 495, 4), -1);
    EXPECT_EQ(SplitterFixLeft(0, 200, 100, 4), 205);
    EXPECT_EQ(SplitterFixLeft(0, 200, 200, 4), -1);
    EXPECT_EQ(RememberedPaneWidth(300, 30, 250), 300);
    EXPECT_EQ(RememberedPaneWidth(20, 30, 250), 250);
    EXPECT_TRUE(PaneGoesRight(0));
    EXPECT_FALSE(PaneGoesRight(600));
    EXPECT_EQ(SplitterLeftAfterSideChange(false, 250), 251);
    // The text panel shrinks with the bar; the zoom panel keeps its width.
    EXPECT_EQ(StatusTextPanelWidth(1000, 133, 166), 701);
    EXPECT_EQ(StatusTextPanelWidth(200, 133, 166), 0);
}
