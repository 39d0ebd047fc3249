// Page zoom arithmetic and the zoom panel's text. The zoom is kept in whole percent
// (hundredths of the zoom factor), always within 10..400 %: what a page shows is what is
// stored.
#pragma once

#include <string>

constexpr int MinZoomPercent = 10;
constexpr int MaxZoomPercent = 400;
constexpr int DefaultZoomPercent = 100;
// Tags of the zoom items: zoom in, zoom out; other tags are the percent itself.
constexpr int ZoomInTag = 1;
constexpr int ZoomOutTag = 0;

int ClampZoomPercent(int Percent);
// The zoom a zoom item asks for, from the current zoom: one percent more (zoom in), one
// less (zoom out) or the item's percent, clamped.
int ZoomForTag(int CurrentPercent, int Tag);
// The factor pages are given (1.0 = 100 %), and the percent of a factor (rounded).
double ZoomFactor(int Percent);
int ZoomPercentOf(double Factor);
// The stored "Zoom" setting as a zoom: a value outside 10..400 gives 100.
int ZoomFromSetting(int Value);
// The fixed zoom item (400, 200, 150, 125, 100, 75, 50) that shows a check mark; 0 for none.
int CheckedZoomItem(int Percent);
// The zoom panel: Caption (the zoom text) + ": " + the percent + "%" ("Zoom: 100%", "Zoom: 75%").
std::wstring ZoomPanelText(const std::wstring& Caption, int Percent);
// A click on the zoom panel steps through 75, 100, 125, 150 and back to 75.
int ZoomPanelStep(int Percent);
