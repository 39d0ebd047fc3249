// A form made by a test and freed as the application frees its forms (OnDestroy first).
#pragma once

#include "Forms.h"

template <class T>
struct TestForm {
    TestForm() : Form(new T(nullptr)) {}
    ~TestForm() {
        Form->BeforeDestruction();
        delete Form;
    }
    TestForm(const TestForm&) = delete;
    TestForm& operator=(const TestForm&) = delete;
    T* operator->() const { return Form; }
    T* Form;
};

#include "Controls.h"

#include <algorithm>
#include <string>
#include <vector>

// Where the visible controls of a window break its layout: a control that leaves its
// parent's client area, or two siblings that overlap (a group's contents are checked inside
// the group). Empty when none does. OnTop are drawn over a sibling by design.
inline std::wstring LayoutFaults(TWinControl* Parent, const std::vector<TControl*>& OnTop = {}) {
    std::wstring faults;
    const RECT client = Parent->ClientRect();
    std::vector<TControl*> shown;
    for (int i = 0; i < Parent->ControlCount(); ++i)
        if (TControl* c = Parent->Controls(i); c->Visible())
            shown.push_back(c);
    for (size_t i = 0; i < shown.size(); ++i) {
        const RECT r = shown[i]->BoundsRect();
        if (r.left < client.left || r.top < client.top || r.right > client.right || r.bottom > client.bottom)
            faults += shown[i]->Name() + L" leaves " + Parent->Name() + L"; ";
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const RECT o = shown[j]->BoundsRect();
            RECT both;
            const bool meant = std::find(OnTop.begin(), OnTop.end(), shown[i]) != OnTop.end() ||
                               std::find(OnTop.begin(), OnTop.end(), shown[j]) != OnTop.end();
            if (!meant && IntersectRect(&both, &r, &o))
                faults += shown[i]->Name() + L" overlaps " + shown[j]->Name() + L"; ";
        }
        if (auto* w = dynamic_cast<TWinControl*>(shown[i]))
            faults += LayoutFaults(w, OnTop);
    }
    return faults;
}

// Forms made while it lives get fonts Factor times the usual height.
struct LargerFonts {
    explicit LargerFonts(int Factor) : Saved(DefFontData.Height) { DefFontData.Height *= Factor; }
    ~LargerFonts() { DefFontData.Height = Saved; }
    int Saved;
};
