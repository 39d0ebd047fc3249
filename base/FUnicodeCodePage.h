// The dialog that puts a code-page problem to the user: wide text that the chosen code
// page cannot represent. It shows the text with the problem characters marked, steps
// through them, and lets the user pick another code page and retry, skip, accept the
// marks or cancel.
#pragma once

#include "TntForms.h"
#include "UUnicode.h"

#include <string>
#include <vector>

class TPanel;
class TTntLabel;
class TTntEdit;
class TTntMemo;
class TTntComboBox;
class TTntCheckBox;
class TTntButton;
class TTntSpeedButton;

class TUnicodeCodePageForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TUnicodeCodePageForm)
    explicit TUnicodeCodePageForm(TComponent* AOwner);

    TTntMemo* Memo;
    TPanel* TopPanel;
    TTntLabel* Label1;
    TTntLabel* Label2;
    TTntLabel* Label5;
    TTntEdit* SourceEdit;
    TTntLabel* Label3;
    TTntComboBox* LangCodePageCbo;
    TTntComboBox* CodePageCbo;
    TTntCheckBox* KeepCPCheckBox;
    TTntLabel* InfoLabel;
    TTntLabel* StepLabel;
    TTntButton* RetryBtn;
    TTntButton* IgnoreBtn;
    TTntButton* BtnYes;
    TTntButton* CancelBtn;
    TTntButton* HelpBtn;
    TTntSpeedButton* BtnLeft;
    TTntSpeedButton* BtnRight;

    // Fills the dialog for one problem.
    void SetProblem(const TCodePageProblem& Problem);
    // Steps backwards (-1) or forwards (+1) through the problem positions, wrapping.
    void Step(int Delta);
    int StepIndex() const { return FStep; }
    // The code page chosen in the box (the one of the problem when none is).
    int ChosenCodePage();

    void LangCodePageCboChange();
    void CodePageCboChange();
    void FormCloseQuery(bool& CanClose);
    void FormShow();

private:
    void SelectCodePage(int CodePage);
    TCodePageProblem FProblem;
    std::vector<int> FComboCodePages;
    std::vector<int> FLangCodePages;
    int FStep = -1;
    bool FChanging = false;
};

// The window behind the code-page problem handler: shows the dialog modally and turns its
// answer into the decision.
TCodePageDecision ShowCodePageForm(const TCodePageProblem& Problem);
// Makes the dialog the code-page problem handler of the conversions.
void InstallCodePageDialog();
// The dialog being shown now (null when none).
TUnicodeCodePageForm* ActiveCodePageForm();
