// The breadcrumb model's bar as the real breadcrumb bar: the adapter that lets TPathViewer
// (which knows only TPathBar) drive a TqenPathViewer.
#pragma once

#include "UPathViewer.h"

class TqenPathViewer;

// Passes each request to the bar. The bar is not owned and must outlive the adapter.
class TPathViewerBar : public TPathBar {
public:
    explicit TPathViewerBar(TqenPathViewer* ABar) : FBar(ABar) {}

    void SetPathSepertor(wchar_t Separator) override;
    void SetAllowEdit(bool Value) override;
    void SetImages(TCustomImageList* Images) override;
    void SetImageIdx(int Index) override;
    void ClearSegments() override;
    void AddSegment(const std::wstring& Caption) override;
    void Invalidate() override;
    void SetHasSubItems(bool Value) override;

    TqenPathViewer* Bar() const { return FBar; }

private:
    TqenPathViewer* FBar;
};
