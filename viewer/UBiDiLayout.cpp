#include "UBiDiLayout.h"

#include "Forms.h"

bool IsRightToLeftLanguage(const std::wstring& LangCode) { return LangCode == L"he" || LangCode == L"ar"; }

std::optional<TBiDiMode> BiDiLayoutChange(const std::wstring& LangCode, TBiDiMode Current) {
    const bool rightToLeft = IsRightToLeftLanguage(LangCode);
    if (rightToLeft == (Current != bdLeftToRight))
        return std::nullopt;
    return rightToLeft ? bdRightToLeft : bdLeftToRight;
}

TAnchors BiDiAnchors(TAnchors Anchors, bool RightToLeft, bool RightInLeftToRight) {
    // The side the control keeps to in this reading order, and the other one.
    const bool right = RightToLeft != RightInLeftToRight;
    return (Anchors & ~(right ? akLeft : akRight)) | (right ? akRight : akLeft);
}

bool ApplyBiDiLayoutTo(TWinControl* MainWindow, const std::wstring& LangCode) {
    const std::optional<TBiDiMode> mode = BiDiLayoutChange(LangCode, Application->BiDiMode());
    if (!mode)
        return false;
    const bool rightToLeft = *mode == bdRightToLeft;
    Application->SetBiDiMode(*mode);
    MainWindow->FlipChildren(true);
    const std::pair<const wchar_t*, bool> keepToSide[] = {
        {L"FavBackBtn", true}, {L"FavGoBtn", true}, {L"SuperTipSearch", false}};
    for (const auto& [name, rightInLeftToRight] : keepToSide)
        if (auto* control = dynamic_cast<TControl*>(MainWindow->FindComponent(name)))
            control->SetAnchors(BiDiAnchors(control->Anchors(), rightToLeft, rightInLeftToRight));
    return true;
}
