// Right-to-left layout: which codes switch it, and the anchors of the controls that keep to
// one side (the main window's switch is checked on the real window).
#include "Forms.h"
#include "UBiDiLayout.h"
#include "ULocaleInfo.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

TEST(BiDiLayout, OnlyHeAndArSwitchAndOnlyWhenTheReadingOrderChanges) {
    // the codes in the order a user picks them, each with the switch it makes
    const std::string savedDefault = DefaultLanguageCode;
    DefaultLanguageCode = "he"; // the system's language does not count
    struct Step {
        const wchar_t* Code;
        std::optional<TBiDiMode> Change;
    };
    const Step steps[] = {{L"he", bdRightToLeft}, {L"ar", std::nullopt},   {L"de", bdLeftToRight},
                          {L"AR", std::nullopt},  {L"he-il", std::nullopt}, {L"", std::nullopt},
                          {L"ar", bdRightToLeft}, {L"", bdLeftToRight}};
    TBiDiMode mode = bdLeftToRight;
    for (const Step& s : steps) {
        EXPECT_EQ(BiDiLayoutChange(s.Code, mode), s.Change) << s.Code;
        mode = BiDiLayoutChange(s.Code, mode).value_or(mode);
    }
    // any right-to-left mode counts as reading right to left
    EXPECT_EQ(BiDiLayoutChange(L"he", bdRightToLeftReadingOnly), std::nullopt);
    DefaultLanguageCode = savedDefault;

    // anchors: the side the control keeps to changes, top and bottom stay
    EXPECT_EQ(BiDiAnchors(akLeft | akBottom, true, false), akRight | akBottom);
    EXPECT_EQ(BiDiAnchors(akLeft | akRight, true, true), akLeft);
}
