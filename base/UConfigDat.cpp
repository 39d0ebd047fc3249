// The authoring tool's settings file.
#include "UConfigDat.h"

#include "SysUtils.h"
#include "UAuxFile.h"
#include "UFakeIniW.h"
#include "UUtilsW.h"

#include <cstdio>

TConfigDat* ConfigDat = nullptr;

bool ConfigBool(const std::wstring& Value, bool Default) {
    const std::wstring v = LowerCase(Value);
    if (v.empty())
        return Default;
    return v == L"true" || v == L"y" || v == L"yes" || v == L"1";
}

TConfigDat::TConfigDat() : HtmlHelpFileTypes(std::make_unique<TTntStringList>()) {
    ExeFolder = ProgramFolder();
    Init(IsParamW(L"/install"));
}

TConfigDat::TConfigDat(const std::wstring& AExeFolder, bool Install)
    : HtmlHelpFileTypes(std::make_unique<TTntStringList>()), ExeFolder(AExeFolder) {
    ExcludeTrailingBackslashW(ExeFolder);
    Init(Install);
}

void TConfigDat::Init(bool Install) {
    if (Install)
        Upgrade();
    Load();
}

namespace {

int FileVersion(const std::wstring& FileName) {
    TFakeIniW ini(FileName, L"Main");
    return ini.ReadInteger(L"Version", 0);
}

} // namespace

void TConfigDat::Upgrade() {
    const std::wstring newFile = ExeFolder + L"\\settings_new.ini";
    if (!FileExistsW(newFile))
        return;
    const std::wstring settings = ExeFolder + L"\\Settings.ini";
    if (!FileExistsW(settings)) {
        // Nothing to replace: the shipped file simply takes its place.
        RenameFileW(newFile, settings);
        return;
    }
    // The version that counts is the one of the file about to be replaced.
    if (FileVersion(settings) >= FileVersion(newFile)) {
        DeleteFileW(newFile.c_str());
        return;
    }
    std::wstring backup;
    for (int i = 0; i < 1000; ++i) {
        wchar_t num[8];
        swprintf(num, 8, L"%.3d", i);
        const std::wstring name = settings + L"." + num;
        if (!FileExistsW(name)) {
            backup = name;
            break;
        }
    }
    if (backup.empty() || !RenameFileW(settings, backup))
        return;
    if (RenameFileW(newFile, settings))
        MsgBoxW(L"A newer version of \"Settings.ini\" has been installed.\rThe old Settings.ini was saved as \"" +
                ExtractFileNameW(backup) + L"\"");
}

void TConfigDat::Load() {
    for (const wchar_t* name : {L"\\Config.ini", L"\\Config.dat", L"\\Settings.ini"}) {
        if (FileExistsW(ExeFolder + name)) {
            SettingsFile = ExeFolder + name;
            break;
        }
    }
    if (SettingsFile.empty())
        return;
    TFakeIniW ini(SettingsFile);
    auto boolOf = [&](const wchar_t* key, bool def) { return ConfigBool(ini.ReadString(key, L""), def); };

    XPThemes = ConfigBool(ini.ReadSectionString(L"main", L"XPThemes", L""), XPThemes);
    HtmlHelpTocEscapeExcludeList = ini.ReadSectionString(L"HTMLHelp", L"TOCEscapeExcludeList", L"");
    MSHelp2TocEscapeExcludeList = ini.ReadSectionString(L"MSHelp2", L"TOCEscapeExcludeList", L"");
    ini.OpenSection(L"Main");
    FindReplaceAutoComplete = boolOf(L"FindReplaceAutoComplete", FindReplaceAutoComplete);
    FindReplaceAutoDropDown = boolOf(L"FindReplaceAutoDropDown", FindReplaceAutoDropDown);
    CharSet = ini.ReadInteger(L"CharSet", CharSet);
    CodePage = ini.ReadInteger(L"CodePage", CodePage);
    const std::wstring types = ini.ReadString(L"HtmlHelpFileTypes", L"");
    size_t start = 0;
    while (start <= types.size() && !types.empty()) {
        size_t bar = types.find(L'|', start);
        if (bar == std::wstring::npos)
            bar = types.size();
        const std::wstring item = LowerCase(types.substr(start, bar - start));
        if (!item.empty())
            HtmlHelpFileTypes->Add(item);
        start = bar + 1;
    }
    FileListIcons = boolOf(L"FileListIcons", FileListIcons);
    TitleBarIcons = boolOf(L"TitleBarIcons", TitleBarIcons);
    DecompileMSBins = boolOf(L"DecompileMSBins", DecompileMSBins);
    LoadFileListOnHelpProjOpen = boolOf(L"LoadFileListOnHelpProjOpen", LoadFileListOnHelpProjOpen);
    MOTW = Trim(ini.ReadString(L"MOTW", MOTW));
    AutoCodePage = boolOf(L"AutoCodePage", AutoCodePage);
    SetRealVidPath = boolOf(L"SetRealVidPath", SetRealVidPath);
    UseNewContainsSearch = boolOf(L"UseNewContainsSearch", UseNewContainsSearch);
    AllowOldSearchStore = boolOf(L"AllowOldSearchStore", AllowOldSearchStore);
    UncompHelp_Index_DoubleClickToSelect =
        boolOf(L"UncompHelp_Index_DoubleClickToSelect", UncompHelp_Index_DoubleClickToSelect);
    FindTagsInBody = boolOf(L"FindTagsInBody", FindTagsInBody);
    DataDir = Trim(ini.ReadString(L"DataDir", L""));
    EncodingColumnExtSkip = ini.ReadString(L"EncodingColumnExtSkip", L"");
}

void InitConfigDat() {
    if (!ConfigDat)
        ConfigDat = new TConfigDat();
}

void FreeConfigDat() {
    delete ConfigDat;
    ConfigDat = nullptr;
}
