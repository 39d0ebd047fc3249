// Dialog repaint fixes.
#include "UVistaFix.h"

#include "StdCtrls.h"
#include "TntStdCtrls.h"

namespace {

int g_LastCount = 0;

bool IsVistaOrLater() {
    OSVERSIONINFOW vi{};
    vi.dwOSVersionInfoSize = sizeof(vi);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return GetVersionExW(&vi) && vi.dwMajorVersion >= 6;
#pragma GCC diagnostic pop
}

template <class Pred>
void InvalidateChildren(TWinControl* Parent, Pred&& Wanted) {
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* c = Parent->Controls(i);
        auto* w = dynamic_cast<TWinControl*>(c);
        if (!w)
            continue;
        if (Wanted(w)) {
            w->Invalidate();
            ++g_LastCount;
        }
        InvalidateChildren(w, Wanted);
    }
}

} // namespace

void FixVistaTabAltPaint(TWinControl* Form, WORD Key) {
    g_LastCount = 0;
    if (!Form || (Key != VK_TAB && Key != VK_MENU) || !IsVistaOrLater())
        return;
    InvalidateChildren(Form, [](TWinControl* w) {
        return dynamic_cast<TButton*>(w) || dynamic_cast<TCheckBox*>(w) || dynamic_cast<TTntCheckBox*>(w);
    });
}

void FixVistaAltPaint(TWinControl* Form, WORD Key) {
    g_LastCount = 0;
    if (!Form || Key != VK_MENU || !IsVistaOrLater())
        return;
    InvalidateChildren(Form, [](TWinControl*) { return true; });
}

int LastVistaFixCount() { return g_LastCount; }
