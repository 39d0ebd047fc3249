#include "TntActnList.h"
#include "TntControls.h"

#include <gtest/gtest.h>

namespace {
class TTextControl : public TControl {
public:
    using TControl::TControl;
};
} // namespace

TEST(TntActnList, AssignCopiesWideTexts) {
    TComponent owner(nullptr);
    auto* source = new TTntAction(&owner);
    source->SetCaption(L"\u0421\u043e\u0445\u0440\u0430\u043d\u0438\u0442\u044c \u4fdd\u5b58");
    source->SetHint(L"\u0394|\u03b1\u03b2\u03b3");
    source->SetChecked(true);
    auto* copy = new TTntAction(&owner);
    copy->Assign(source);
    EXPECT_EQ(copy->Caption(), source->Caption()); // not through the ANSI code page
    EXPECT_EQ(copy->Hint(), source->Hint());
    EXPECT_TRUE(copy->Checked());
    EXPECT_EQ(TntAction_GetCaption(copy), source->Caption());

    auto* control = new TTextControl(&owner);
    SetControlWideText(control, L"\u05e9\u05dc\u05d5\u05dd");
    SetControlWideHint(control, L"\u4e2d\u6587");
    copy->Assign(control);
    EXPECT_EQ(copy->Caption(), L"\u05e9\u05dc\u05d5\u05dd");
    EXPECT_EQ(copy->Hint(), L"\u4e2d\u6587");

    // An ordinary action gives a control its wide caption through the generic link.
    auto* plain = new TAction(&owner);
    plain->SetCaption(L"\u0416\u0416");
    auto* target = new TTextControl(&owner);
    SetControlAction(target, plain);
    EXPECT_EQ(GetControlWideText(target), L"\u0416\u0416");
    TntAction_SetCaption(plain, L"\u0417");
    EXPECT_EQ(GetControlWideText(target), L"\u0417");
}
