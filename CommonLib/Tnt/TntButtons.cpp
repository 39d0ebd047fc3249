#include "TntButtons.h"

TButtonGlyph* GetButtonGlyph(TControl* Control) {
    auto* button = dynamic_cast<ITntGlyphButton*>(Control);
    if (!button)
        throw ETntInternalError(L"Internal Error: Control does not support ITntGlyphButton.");
    return button->GetButtonGlyph();
}

void TTntSpeedButton::WndProc(TMessage& Message) {
    if (Message.Msg == CM_HINTSHOW && Message.LParam)
        PrepareWideHintInfo(*reinterpret_cast<THintInfo*>(Message.LParam));
    TSpeedButton::WndProc(Message);
}
