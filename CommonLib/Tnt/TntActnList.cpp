#include "TntActnList.h"

#include "TntControls.h"

void TTntAction::Assign(TPersistent* Source) {
    if (auto* control = dynamic_cast<TControl*>(Source)) {
        SetCaption(GetControlWideText(control));
        SetHint(GetControlWideHint(control));
        return;
    }
    TAction::Assign(Source);
    if (auto* action = dynamic_cast<TCustomAction*>(Source)) {
        SetCaption(action->Caption());
        SetHint(action->Hint());
    }
}

WideString TntAction_GetCaption(TBasicAction* Action) {
    auto* a = dynamic_cast<TCustomAction*>(Action);
    return a ? a->Caption() : WideString();
}

void TntAction_SetCaption(TBasicAction* Action, const WideString& Value) {
    if (auto* a = dynamic_cast<TCustomAction*>(Action))
        a->SetCaption(Value);
}

WideString TntAction_GetHint(TBasicAction* Action) {
    auto* a = dynamic_cast<TCustomAction*>(Action);
    return a ? a->Hint() : WideString();
}

void TntAction_SetHint(TBasicAction* Action, const WideString& Value) {
    if (auto* a = dynamic_cast<TCustomAction*>(Action))
        a->SetHint(Value);
}

WideString TntAction_GetNewCaption(TBasicAction*, const WideString& Default) { return Default; }

WideString TntAction_GetNewHint(TBasicAction*, const WideString& Default) { return Default; }
