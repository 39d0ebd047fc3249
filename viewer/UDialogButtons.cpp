#include "UDialogButtons.h"

#include "TntStdCtrls.h"

namespace {

TTntButton* MakeButton(TCustomForm* Form, const wchar_t* Name, const wchar_t* Caption, int Left, int Top,
                       TModalResult Result) {
    auto* button = new TTntButton(Form);
    button->SetName(Name);
    button->SetParent(Form);
    button->SetCaption(Caption);
    button->SetBounds(Left, Top, 75, 25);
    button->SetModalResult(Result);
    return button;
}

} // namespace

TOkCancelButtons MakeOkCancelButtons(TCustomForm* Form, const wchar_t* OkName, const wchar_t* CancelName, int Left,
                                     int Top) {
    TOkCancelButtons b;
    b.Ok = MakeButton(Form, OkName, L"OK", Left, Top, mrOk);
    b.Ok->SetDefault(true);
    b.Cancel = MakeButton(Form, CancelName, L"Cancel", Left + 81, Top, mrCancel);
    b.Cancel->SetCancel(true);
    return b;
}
