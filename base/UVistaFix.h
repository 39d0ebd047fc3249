// Repaint fixes for dialogs on Windows 6.0 and later: focus rectangles and accelerator
// underlines appear only after the buttons are painted again when Tab or Alt is pressed.
#pragma once

#include "System.h"

class TWinControl;

// With Tab (9) or Alt (18): invalidates every windowed button and check box of Form.
void FixVistaTabAltPaint(TWinControl* Form, WORD Key);
// With Alt (18): invalidates every windowed child of Form.
void FixVistaAltPaint(TWinControl* Form, WORD Key);
// The number of controls the last fix invalidated.
int LastVistaFixCount();
