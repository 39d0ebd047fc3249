// The About box: the program's version, a link to the maker's home page, a link that runs
// the web update check now, and a line when the update check knows of a newer version.
#pragma once

#include "TntForms.h"

#include <string>

class TActionList;
class TTntAction;
class TTntImage;
class TTntLabel;

// The maker's home page (the link's hint).
extern std::wstring AboutHomePageUrl;
// Texts of the language file; an empty one keeps the designed text.
extern std::wstring Aboutbox_Title;
extern std::wstring Aboutbox_Header;
extern std::wstring Aboutbox_Copyright;
extern std::wstring Aboutbox_HomePage;
extern std::wstring Aboutbox_CheckWeb;
// The newer-version line ("%1" = the version).
extern std::wstring AboutBox_VerXNowAvail; // "Version %1 is now available"

class TAboutForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TAboutForm)
    explicit TAboutForm(TComponent* AOwner);

    TTntImage* Image3;
    TTntLabel* HeaderLabel;
    TTntLabel* CopyrightLabel;
    TTntLabel* VersionLabel;
    TTntLabel* HomePageLink;
    TTntLabel* CheckForUpdateLink;
    TTntLabel* NewVerLabel;
    TActionList* ActionList1;
    TTntAction* Action1; // Esc closes the box

    // Opens the home page with the shell.
    void HomePageLinkClick();
    // The web update check, now.
    void CheckForUpdateLinkClick();

private:
    void FormShow();
    void ArrangeLabels();
    bool FMirrored = false; // the children stand mirrored (right-to-left reading)
};

// Makes the box, shows it modally and frees it.
void ShowAboutBox(TComponent* Owner);
