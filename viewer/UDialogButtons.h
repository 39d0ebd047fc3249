// The OK and Cancel buttons of the viewer's small dialogs, side by side at the bottom:
// OK is the default button (modal result OK), Cancel the cancel button (modal result Cancel).
#pragma once

#include "Forms.h"

class TTntButton;

struct TOkCancelButtons {
    TTntButton* Ok = nullptr;
    TTntButton* Cancel = nullptr;
};

// Two 75 x 25 buttons owned by and placed on Form, OK at (Left, Top), Cancel six pixels to
// its right, with the captions "OK" and "Cancel".
TOkCancelButtons MakeOkCancelButtons(TCustomForm* Form, const wchar_t* OkName, const wchar_t* CancelName, int Left,
                                     int Top);
