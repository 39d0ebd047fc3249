#include "TntExtCtrls.h"

namespace {

void PrepareHint(TMessage& Message) {
    if (Message.Msg == CM_HINTSHOW && Message.LParam)
        PrepareWideHintInfo(*reinterpret_cast<THintInfo*>(Message.LParam));
}

} // namespace

void TTntShape::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TShape::WndProc(Message);
}

TTntImage::TTntImage(TComponent* AOwner) : TImage(AOwner) { ReplacePicture(std::make_unique<TTntPicture>()); }

void TTntImage::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TImage::WndProc(Message);
}

void TTntCustomPanel::CreateWindowHandle(const TCreateParams& Params) { CreateUnicodeHandle(this, Params, L""); }

void TTntCustomPanel::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TCustomPanel::WndProc(Message);
}

void TTntSplitter::WndProc(TMessage& Message) {
    PrepareHint(Message);
    TSplitter::WndProc(Message);
}
