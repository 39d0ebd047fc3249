#include "UPathViewerBar.h"

#include "qenPathViewer.h"

void TPathViewerBar::SetPathSepertor(wchar_t Separator) { FBar->SetPathSepertor(Separator); }
void TPathViewerBar::SetAllowEdit(bool Value) { FBar->SetAllowEdit(Value); }
void TPathViewerBar::SetImages(TCustomImageList* Images) { FBar->SetImages(Images); }
void TPathViewerBar::SetImageIdx(int Index) { FBar->SetImageIdx(Index); }
// The segment list is the bar's own: filled directly, without OnPathChanged.
void TPathViewerBar::ClearSegments() { FBar->Segments()->Clear(); }
void TPathViewerBar::AddSegment(const std::wstring& Caption) { FBar->Segments()->Add(Caption); }
void TPathViewerBar::Invalidate() { FBar->Invalidate(); }
void TPathViewerBar::SetHasSubItems(bool Value) { FBar->SetHasSubItems(Value); }
