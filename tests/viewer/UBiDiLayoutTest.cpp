// Right-to-left layout: which codes switch it, and the main window's part of the switch.
#include "Forms.h"
#include "QXSuperTip.h"
#include "TntExtCtrls.h"
#include "TntStdCtrls.h"
#include "UBiDiLayout.h"
#include "ULocaleInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

TEST(BiDiLayout, TheWindowIsMirroredOnceAndBack) {
    TTntPanel window(nullptr);
    window.SetBounds(0, 0, 400, 300);
    auto make = [&](TControl* c, const wchar_t* Name, TWinControl* Parent, int Left, TAnchors Anchors) {
        c->SetName(Name);
        c->SetParent(Parent);
        c->SetBounds(Left, 10, 20, 20);
        c->SetAnchors(Anchors);
        return c;
    };
    TControl* back = make(new TTntLabel(&window), L"FavBackBtn", &window, 370, akRight | akTop);
    TControl* go = make(new TTntLabel(&window), L"FavGoBtn", &window, 340, akRight | akTop);
    TControl* tip = make(new TQXSuperTip(&window), L"SuperTipSearch", &window, 10, akLeft | akTop);
    auto* pane = static_cast<TTntPanel*>(make(new TTntPanel(&window), L"LeftPanel", &window, 0, akLeft | akTop));
    pane->SetWidth(100);
    TControl* inner = make(new TTntLabel(&window), L"Inner", pane, 5, akLeft | akTop);

    auto layout = [&] {
        return std::vector<int>{back->Left(), go->Left(), tip->Left(), pane->Left(), inner->Left()};
    };
    const std::vector<int> start = layout();
    ASSERT_EQ(Application->BiDiMode(), bdLeftToRight);

    EXPECT_TRUE(ApplyBiDiLayoutTo(&window, L"he"));
    EXPECT_EQ(Application->BiDiMode(), bdRightToLeft);
    EXPECT_EQ(layout(), (std::vector<int>{10, 40, 370, 300, 75}));
    EXPECT_EQ(back->Anchors(), akLeft | akTop);
    EXPECT_EQ(go->Anchors(), akLeft | akTop);
    EXPECT_EQ(tip->Anchors(), akRight | akTop);

    EXPECT_FALSE(ApplyBiDiLayoutTo(&window, L"ar"));
    EXPECT_EQ(layout(), (std::vector<int>{10, 40, 370, 300, 75}));

    EXPECT_TRUE(ApplyBiDiLayoutTo(&window, L"de"));
    EXPECT_EQ(Application->BiDiMode(), bdLeftToRight);
    EXPECT_EQ(layout(), start);
    EXPECT_EQ(back->Anchors(), akRight | akTop);
    EXPECT_EQ(tip->Anchors(), akLeft | akTop);
}
