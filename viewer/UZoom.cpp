#include "UZoom.h"

#include "SysUtils.h"

#include <algorithm>
#include <cmath>

int ClampZoomPercent(int Percent) { return std::clamp(Percent, MinZoomPercent, MaxZoomPercent); }

int ZoomForTag(int CurrentPercent, int Tag) {
    int next = Tag;
    if (Tag == ZoomInTag)
        next = CurrentPercent + 1;
    else if (Tag == ZoomOutTag)
        next = CurrentPercent - 1;
    return ClampZoomPercent(next);
}

double ZoomFactor(int Percent) { return Percent / 100.0; }

int ZoomPercentOf(double Factor) {
    if (!std::isfinite(Factor))
        return DefaultZoomPercent;
    const double p = std::round(Factor * 100.0);
    if (p < -1e9 || p > 1e9)
        return DefaultZoomPercent;
    return static_cast<int>(p);
}

int ZoomFromSetting(int Value) {
    return Value < MinZoomPercent || Value > MaxZoomPercent ? DefaultZoomPercent : Value;
}

int CheckedZoomItem(int Percent) {
    static const int items[] = {400, 200, 150, 125, 100, 75, 50};
    for (int item : items)
        if (item == Percent)
            return item;
    return 0;
}

std::wstring ZoomPanelText(const std::wstring& Caption, int Percent) {
    return Caption + L": " + IntToStr(Percent) + L"%";
}

int ZoomPanelStep(int Percent) {
    if (Percent < 75)
        return 75;
    if (Percent < 100)
        return 100;
    if (Percent < 125)
        return 125;
    if (Percent < 150)
        return 150;
    return 75;
}
