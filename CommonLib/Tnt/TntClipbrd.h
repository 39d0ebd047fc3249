// The wide clipboard of the Unicode set.
#pragma once

#include "Clipbrd.h"
#include "System.h"

class TTntClipboard : public TClipboard {
public:
    VORLANE_CLASS_NAME(TTntClipboard)
    // The clipboard's text (CF_UNICODETEXT; '' when it holds none).
    WideString AsWideText();
    // Empties the clipboard, then puts the text as CF_UNICODETEXT and its ANSI form as
    // CF_TEXT, so nothing that was on the clipboard before stays beside it.
    void SetAsWideText(const WideString& Value);
};

// The one wide clipboard object (made on first use, freed at exit).
TTntClipboard* TntClipboard();
