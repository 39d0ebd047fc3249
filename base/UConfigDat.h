// The settings file of the maker's help-authoring tool that may lie in the program's
// folder, and its upgrade from a shipped "settings_new.ini" when started with "/install".
#pragma once

#include "Classes.h"
#include "TntClasses.h"

#include <memory>
#include <string>

class TConfigDat : public TObject {
public:
    VORLANE_CLASS_NAME(TConfigDat)
    // The program's folder; the upgrade runs when "/install" is a command-line parameter.
    TConfigDat();
    // Reads (and with Install first upgrades) the settings file of AExeFolder.
    TConfigDat(const std::wstring& AExeFolder, bool Install);

    bool XPThemes = true;
    std::wstring HtmlHelpTocEscapeExcludeList;
    std::wstring MSHelp2TocEscapeExcludeList;
    bool FindReplaceAutoComplete = true;
    bool FindReplaceAutoDropDown = false;
    int CharSet = -999;
    int CodePage = -999;
    std::unique_ptr<TTntStringList> HtmlHelpFileTypes; // lower-cased items
    bool FileListIcons = true;
    bool TitleBarIcons = true;
    bool DecompileMSBins = true;
    bool LoadFileListOnHelpProjOpen = false;
    std::wstring MOTW = L"<!-- saved from url=(0014)about:internet -->";
    bool AutoCodePage = false;
    bool SetRealVidPath = false;
    bool UseNewContainsSearch = true;
    bool AllowOldSearchStore = false;
    bool UncompHelp_Index_DoubleClickToSelect = false;
    bool FindTagsInBody = false;
    std::wstring DataDir;
    std::wstring EncodingColumnExtSkip;
    std::wstring ExeFolder;      // no trailing '\'
    std::wstring SettingsFile;   // the file read ('' when none exists)

private:
    void Init(bool Install);
    void Upgrade();
    void Load();
};

// "true", "y", "yes" or "1" (any case) give true, any other text false, '' the default.
bool ConfigBool(const std::wstring& Value, bool Default);

// The one instance of the run (null until InitConfigDat).
extern TConfigDat* ConfigDat;
void InitConfigDat();
void FreeConfigDat();
