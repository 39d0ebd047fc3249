// "Add Bookmark": the dialog that names a new bookmark. The caller fills the name, the
// address and the folder; OK writes Folder\<name>.url and closes only when the file was
// written: a name with nothing left after cleaning, an overwrite the user declined and a
// failed write each keep the dialog open (an existing bookmark is then left as it was).
#pragma once

#include "Graphics.h"
#include "TntForms.h"

#include <string>

class TTntButton;
class TTntEdit;
class TTntLabel;

// Posted by the dialog to itself when it shows: its client height is then fitted to the
// buttons.
constexpr UINT WM_SAVEFAV_FITHEIGHT = 0x542;

class TSaveFavForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TSaveFavForm)
    explicit TSaveFavForm(TComponent* AOwner);

    TTntLabel* Label1;
    TTntEdit* Edit1; // the name
    TTntLabel* Label2;
    TTntEdit* URLEdit;
    TTntLabel* Label3;
    TTntEdit* FolderEdit;
    TTntButton* OKBtn;
    TTntButton* CancelBtn;

    // The file written by the last OK ('' until then).
    const std::wstring& SavedFileName() const { return FSavedFileName; }
    // The window's colours of the colour theme.
    void ApplyThemeColours(TColor WindowColor, TColor TextColor);

    void TntFormCreate();
    void FormShow();
    void FormCloseQuery(bool& CanClose);

private:
    void FitHeight();
    std::wstring FSavedFileName;
};
