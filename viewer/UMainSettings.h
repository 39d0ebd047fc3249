// The main window's saved settings: the 30 values of section "main" in the order they are
// written at close, with their types and defaults, the rules a stored value must pass before
// it is applied, and the open tabs' addresses as numbered values.
//
// The window gathers its state into a TMainSettings and hands it to WriteMainSettings; the
// writer goes through TSettingsWriter, so the store (the registry) and a test's recorder are
// alike to it.
#pragma once

#include "Graphics.h"

#include <string>
#include <utility>
#include <vector>

class TMyRegIniFile;

// Section of the values (below the viewer's key, UViewerKeys.h).
inline const wchar_t* const MainSection = L"main";
// Where the main window's position is kept.
inline const wchar_t* const MainFormPosName = L"MainForm";

enum class TSettingType { String, Bool, Integer };

struct TMainSettingRow {
    const wchar_t* Key;
    TSettingType Type;
};
constexpr int MainSettingCount = 30;
// The rows in the order they are written.
extern const TMainSettingRow MainSettingRows[MainSettingCount];

// Defaults of the values whose default is fixed.
inline const wchar_t* const DefaultCatalogKey = L"vs\\100\\en-us";
constexpr int DefaultLeftPanelWidth = 353;
// The colour values that mean "the theme's own colour".
constexpr int UnsetThemeColor = 9999;

// The values as the window holds them at close (and the defaults of a fresh start).
struct TMainSettings {
    std::wstring lastCatalog = DefaultCatalogKey;
    std::wstring SearchText;
    bool mnuOpenF1NewTab = true;
    bool IndexPartialMode_FirstKey = false;
    bool FullIndexMode = false;
    int LeftPanelWidth = DefaultLeftPanelWidth; // "LeftPanel.Width"
    bool ShowDebug = false;
    bool ShowTopicNav2 = true;
    int LastBrowserUsed = 0;
    bool TimeStampLog = false;
    bool mnuQuickTOCLoad = true;
    int SelectedVoice = 0;
    int SpeechRate = 0;
    bool SuppressErrors = true;
    bool ShowAddressBar = true;
    bool ShowBreadcrumbBar = true;
    int SpeechVolume = 100;
    bool SaveTabsOnShutdown = false;
    std::wstring FavDir;
    std::wstring FindTextEdit;
    bool NavigateOnRight = false;
    int Zoom = 100;
    bool StayOnTop = false;
    int Color_Background4 = UnsetThemeColor;
    int Color_Text4 = UnsetThemeColor;
    std::wstring LangCode;
    int WebLang = 0;
    int WebDevice = 0;
    std::wstring StyleName;
    std::wstring FavView1;
};

// Where the values go.
class TSettingsWriter {
public:
    virtual ~TSettingsWriter() = default;
    virtual void WriteString(const std::wstring& Key, const std::wstring& Value) = 0;
    virtual void WriteBool(const std::wstring& Key, bool Value) = 0;
    virtual void WriteInteger(const std::wstring& Key, int Value) = 0;
};

// The settings store's section "main".
class TStoreSettingsWriter : public TSettingsWriter {
public:
    explicit TStoreSettingsWriter(TMyRegIniFile& Store, std::wstring Section = MainSection);
    void WriteString(const std::wstring& Key, const std::wstring& Value) override;
    void WriteBool(const std::wstring& Key, bool Value) override;
    void WriteInteger(const std::wstring& Key, int Value) override;

private:
    TMyRegIniFile& FStore;
    std::wstring FSection;
};

// Writes the 30 values in row order, each with its row's type; an empty lastCatalog (no
// catalog was loaded) is left out, so that the stored one stays.
void WriteMainSettings(TSettingsWriter& Writer, const TMainSettings& Settings);

// ---------------------------------------------------------------------------------
// Rules for stored values

// "LastBrowserUsed": 0 to 6 or 10; anything else is 0.
int LastBrowserFromSetting(int Value);
// "LeftPanel.Width": a width that is negative or wider than the window takes Default.
int PaneWidthFromSetting(int Value, int Default, int WindowWidth);
// "Color_Background4" / "Color_Text4": true with the colour when the value is a colour
// (an RGB value or a system colour); false for 9999 and for anything that is no colour, so
// that the theme's colour stays.
bool ThemeColorFromSetting(int Value, TColor& Color);
// The delay of incremental index matching: a negative option value gives 300.
int IndexDelayFromOption(int Value);

// ---------------------------------------------------------------------------------
// The open tabs

// The values that record the tabs' addresses: "PageTab_URL" + a number from 1 for each
// address that is not empty once trimmed (numbered without gaps, in tab order), then one
// more numbered one above the last, empty.
std::vector<std::pair<std::wstring, std::wstring>> TabUrlValues(const std::vector<std::wstring>& Addresses);
