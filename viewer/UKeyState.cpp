#include "UKeyState.h"

TKeyIsDown& BrowserKeyState() {
    static TKeyIsDown keys = [](int VirtualKey) { return GetKeyState(VirtualKey) < 0; };
    return keys;
}

namespace {
bool Down(const TKeyIsDown& Keys, int VirtualKey) { return Keys && Keys(VirtualKey); }
} // namespace

bool CtrlAlone(const TKeyIsDown& Keys) {
    return Down(Keys, VK_CONTROL) && !Down(Keys, VK_SHIFT) && !Down(Keys, VK_MENU);
}

bool ShiftAlone(const TKeyIsDown& Keys) {
    return Down(Keys, VK_SHIFT) && !Down(Keys, VK_CONTROL) && !Down(Keys, VK_MENU);
}
