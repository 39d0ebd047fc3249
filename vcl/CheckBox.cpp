// TCustomCheckBox and TRadioButton: the check box and the radio button.
#include "StdCtrls.h"
#include "StdCtrlsInternal.h"

#include "Boundary.h"
#include "SysUtils.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

// ------------------------------------------------------------------ TCustomCheckBox

namespace {
// Check boxes and radio buttons put their text on the left of the mark when aligned left
// (mirrored under right-to-left reading).
DWORD CheckTextSideStyle(TAlignment Alignment, bool RightToLeft) {
    if (RightToLeft)
        Alignment = Alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    return Alignment == taLeftJustify ? BS_LEFTTEXT : 0;
}
} // namespace

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    ControlStyle &= ~static_cast<unsigned>(csClickEvents);
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"BUTTON");
    Params.Style |= BS_3STATE | CheckTextSideStyle(FAlignment, UseRightToLeftAlignment());
}

void TCustomCheckBox::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(FState), 0);
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
    if (Value == FState)
        return;
    FState = Value;
    if (FHandle)
        SendMessageW(FHandle, BM_SETCHECK, static_cast<WPARAM>(Value), 0);
    Click();
}

void TCustomCheckBox::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    RecreateWnd();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked: SetState(AllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

void TCustomCheckBox::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED)
            Toggle();
        Message.Result = 0;
        return;
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && CanFocus()) {
            SetFocus();
            if (Focused())
                Toggle();
            Message.Result = 1;
            return;
        }
        break;
    }
    TWinControl::WndProc(Message);
}

// ------------------------------------------------------------------ TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
    ControlStyle &= ~static_cast<unsigned>(csClickEvents);
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    CreateSubClass(Params, L"BUTTON");
    Params.Style |= BS_RADIOBUTTON | CheckTextSideStyle(FAlignment, UseRightToLeftAlignment());
}

void TRadioButton::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(FHandle, BM_SETCHECK, FChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetChecked(bool Value) {
    if (Value == FChecked)
        return;
    FChecked = Value;
    SetTabStop(Value);
    if (FHandle)
        SendMessageW(FHandle, BM_SETCHECK, Value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!Value)
        return;
    if (FParent)
        for (int i = 0; i < FParent->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(FParent->Controls(i)); other && other != this)
                other->SetChecked(false);
    Click();
}

void TRadioButton::SetAlignment(TAlignment Value) {
    if (Value == FAlignment)
        return;
    FAlignment = Value;
    RecreateWnd();
}

void TRadioButton::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (HIWORD(Message.WParam) == BN_CLICKED)
            SetChecked(true);
        else if (HIWORD(Message.WParam) == BN_DOUBLECLICKED)
            DblClick();
        Message.Result = 0;
        return;
    case CM_DIALOGCHAR:
        if (IsCaptionAccel(static_cast<wchar_t>(Message.WParam), GetText()) && CanFocus()) {
            SetFocus();
            SetChecked(true);
            Message.Result = 1;
            return;
        }
        break;
    }
    TWinControl::WndProc(Message);
}
