// Wide actions. The GUI class library keeps every action's caption and hint as wide text
// and one generic action link (vcl/ActnList) serves menu items and every kind of control,
// so the wide action is an ordinary action: the per-client link classes and the helper
// object that synced a wide text against an ANSI one have nothing left to do.
#pragma once

#include "ActnList.h"
#include "System.h"

class TTntAction : public TAction {
public:
    VORLANE_CLASS_NAME(TTntAction)
    using TAction::TAction;
    // From another action: its properties and handlers, with the wide caption and hint.
    // From a control: the control's wide text and hint.
    void Assign(TPersistent* Source) override;
};

// The caption and hint of any action ('' for a basic action that has none).
WideString TntAction_GetCaption(TBasicAction* Action);
void TntAction_SetCaption(TBasicAction* Action, const WideString& Value);
WideString TntAction_GetHint(TBasicAction* Action);
void TntAction_SetHint(TBasicAction* Action, const WideString& Value);
// The value a linked client takes while the action changes its caption/hint: the new wide
// value, which links receive directly, so Default itself.
WideString TntAction_GetNewCaption(TBasicAction* Action, const WideString& Default);
WideString TntAction_GetNewHint(TBasicAction* Action, const WideString& Default);
