// TButton: the push button (default and cancel). The speed and bitmap buttons are in Buttons.cpp.
#include "StdCtrls.h"
#include "StdCtrlsInternal.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

// ------------------------------------------------------------------ TButton

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    ControlStyle &= ~static_cast<unsigned>(csClickEvents); // BN_CLICKED clicks
    SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"BUTTON");
    // Centred also where right-to-left reading adds WS_EX_RIGHT, which would put the
    // caption at the button's right edge.
    Params.Style |= (FDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_CENTER;
}

void TButton::SetDefault(bool Value) {
    if (Value == FDefault)
        return;
    FDefault = Value;
    if (FHandle)
        SendMessageW(FHandle, BM_SETSTYLE, (Value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | BS_CENTER, TRUE);
}

bool TButton::IsActiveDefault() {
    TCustomForm* form = GetParentForm(this);
    TWinControl* active = form ? form->ActiveControl() : nullptr;
    if (active && dynamic_cast<TButton*>(active))
        return active == this; // a focused button takes Enter itself
    return FDefault;
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this))
        form->SetModalResult(FModalResult);
    TWinControl::Click();
}

void TButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED)
            Click();
        Message.Result = 0;
        return;
    case CM_DIALOGKEY:
        if (((Message.WParam == VK_RETURN && IsActiveDefault()) || (Message.WParam == VK_ESCAPE && FCancel)) &&
            (KeyDataToShiftState(Message.LParam) & (ssShift | ssAlt | ssCtrl)) == 0 && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && CanFocus()) {
            Click();
            Message.Result = 1;
            return;
        }
        break;
    }
    TWinControl::WndProc(Message);
}
