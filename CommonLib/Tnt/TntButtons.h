// The speed button of the Unicode set: wide caption and hint (those of the control), the
// set's wide hint window, and the glyph-button interface.
#pragma once

#include "Buttons.h"
#include "TntControls.h"
#include "TntSysUtils.h"

// A button that shows a glyph: the glyph object and the making of its state images.
class ITntGlyphButton {
public:
    virtual ~ITntGlyphButton() = default;
    virtual TButtonGlyph* GetButtonGlyph() = 0;
    virtual void UpdateInternalGlyphList() = 0;
};

// The glyph object of a control; ETntInternalError "Internal Error: Control does not
// support ITntGlyphButton." for a control without one.
TButtonGlyph* GetButtonGlyph(TControl* Control);

class TTntSpeedButton : public TSpeedButton, public ITntGlyphButton {
public:
    VORLANE_CLASS_NAME(TTntSpeedButton)
    using TSpeedButton::TSpeedButton;
    TButtonGlyph* GetButtonGlyph() override { return ButtonGlyph(); }
    void UpdateInternalGlyphList() override { ButtonGlyph()->ImageList(); }
    void WndProc(TMessage& Message) override;
};
