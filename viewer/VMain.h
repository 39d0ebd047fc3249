// The viewer's main window. Its families live in files of their own (VMain_*.cpp): this
// file's unit holds the window's life (creation, show, destruction) and its menus; the
// log header written at creation is in VMain_Log.cpp.
#pragma once

#include "TntForms.h"

#include <memory>
#include <string>
#include <vector>

class TH3Paths;
struct TH3TraceSink;
class TTntMainMenu;
class TTntMenuItem;

class TVMainForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TVMainForm)
    explicit TVMainForm(TComponent* AOwner);
    ~TVMainForm() override;

    TTntMainMenu* MainMenu1;
    TTntMenuItem* mmnuPage;
    TTntMenuItem* mnuExit;
    TTntMenuItem* mmnuOptions;
    TTntMenuItem* mmnuShowDebug;        // Ctrl+D
    TTntMenuItem* mmnuHelp;
    TTntMenuItem* mmnuCheckWebforUpdate;
    TTntMenuItem* mmnuAboutVorlane;

    // Creation: the debug window (the log's sink, bottom panel folded), the application's
    // title, the help client's trace into the log, "installpath", the log header.
    void FormCreate();
    // Show: the update checker, made once.
    void TntFormShow();
    // Destruction: the update checker goes, the help client's trace stops.
    void FormDestroy();

    void mnuExitClick();
    void mmnuShowDebugClick();
    void mmnuCheckWebforUpdateClick();
    void mmnuAboutVorlaneClick();

    // Writes the log header, forced.
    void WriteLogHeader();

private:
    void BuildMenus();
    std::unique_ptr<TH3TraceSink> FTraceSink;
};

// The main window (the application's main form; null before it is made and after it goes).
extern TVMainForm* VMainForm;

// The lines of the log header: a "=" rule; date; program version and path; one line per
// parameter (Params[0] is the program, the parameters follow); the system; a "-" rule; the
// help runtime's programs with their versions and its folders; a "=" rule; an empty line.
std::vector<std::wstring> MainLogHeader(const std::vector<std::wstring>& Params, const TH3Paths& Paths);
