#include "UMainSettings.h"

#include "SysUtils.h"
#include "UAppSettings.h"

const TMainSettingRow MainSettingRows[MainSettingCount] = {
    {L"lastCatalog", TSettingType::String},
    {L"SearchText", TSettingType::String},
    {L"mnuOpenF1NewTab", TSettingType::Bool},
    {L"IndexPartialMode_FirstKey", TSettingType::Bool},
    {L"FullIndexMode", TSettingType::Bool},
    {L"LeftPanel.Width", TSettingType::Integer},
    {L"ShowDebug", TSettingType::Bool},
    {L"ShowTopicNav2", TSettingType::Bool},
    {L"LastBrowserUsed", TSettingType::Integer},
    {L"TimeStampLog", TSettingType::Bool},
    {L"mnuQuickTOCLoad", TSettingType::Bool},
    {L"SelectedVoice", TSettingType::Integer},
    {L"SpeechRate", TSettingType::Integer},
    {L"SuppressErrors", TSettingType::Bool},
    {L"ShowAddressBar", TSettingType::Bool},
    {L"ShowBreadcrumbBar", TSettingType::Bool},
    {L"SpeechVolume", TSettingType::Integer},
    {L"SaveTabsOnShutdown", TSettingType::Bool},
    {L"FavDir", TSettingType::String},
    {L"FindTextEdit", TSettingType::String},
    {L"NavigateOnRight", TSettingType::Bool},
    {L"Zoom", TSettingType::Integer},
    {L"StayOnTop", TSettingType::Bool},
    {L"Color_Background4", TSettingType::Integer},
    {L"Color_Text4", TSettingType::Integer},
    {L"LangCode", TSettingType::String},
    {L"WebLang", TSettingType::Integer},
    {L"WebDevice", TSettingType::Integer},
    {L"StyleName", TSettingType::String},
    {L"FavView1", TSettingType::String},
};

TStoreSettingsWriter::TStoreSettingsWriter(TMyRegIniFile& Store, std::wstring Section)
    : FStore(Store), FSection(std::move(Section)) {}

void TStoreSettingsWriter::WriteString(const std::wstring& Key, const std::wstring& Value) {
    FStore.WriteString(FSection, Key, Value);
}
void TStoreSettingsWriter::WriteBool(const std::wstring& Key, bool Value) { FStore.WriteBool(FSection, Key, Value); }
void TStoreSettingsWriter::WriteInteger(const std::wstring& Key, int Value) {
    FStore.WriteInteger(FSection, Key, Value);
}

namespace {

// One value of the settings for each row, in row order.
struct TValue {
    const std::wstring* Text = nullptr;
    const bool* Flag = nullptr;
    const int* Number = nullptr;
    TValue(const std::wstring& V) : Text(&V) {}
    TValue(const bool& V) : Flag(&V) {}
    TValue(const int& V) : Number(&V) {}
};

} // namespace

void WriteMainSettings(TSettingsWriter& Writer, const TMainSettings& S) {
    const TValue values[MainSettingCount] = {
        S.lastCatalog,     S.SearchText,       S.mnuOpenF1NewTab,   S.IndexPartialMode_FirstKey,
        S.FullIndexMode,   S.LeftPanelWidth,   S.ShowDebug,         S.ShowTopicNav2,
        S.LastBrowserUsed, S.TimeStampLog,     S.mnuQuickTOCLoad,   S.SelectedVoice,
        S.SpeechRate,      S.SuppressErrors,   S.ShowAddressBar,    S.ShowBreadcrumbBar,
        S.SpeechVolume,    S.SaveTabsOnShutdown, S.FavDir,          S.FindTextEdit,
        S.NavigateOnRight, S.Zoom,             S.StayOnTop,         S.Color_Background4,
        S.Color_Text4,     S.LangCode,         S.WebLang,           S.WebDevice,
        S.StyleName,       S.FavView1};
    for (int i = 0; i < MainSettingCount; ++i) {
        const TMainSettingRow& row = MainSettingRows[i];
        const TValue& v = values[i];
        // No catalog was loaded in this run (the store could not be found): the stored one stays.
        if (v.Text == &S.lastCatalog && S.lastCatalog.empty())
            continue;
        switch (row.Type) {
        case TSettingType::String:
            Writer.WriteString(row.Key, *v.Text);
            break;
        case TSettingType::Bool:
            Writer.WriteBool(row.Key, *v.Flag);
            break;
        case TSettingType::Integer:
            Writer.WriteInteger(row.Key, *v.Number);
            break;
        }
    }
}

int LastBrowserFromSetting(int Value) { return (Value >= 0 && Value <= 6) || Value == 10 ? Value : 0; }

int PaneWidthFromSetting(int Value, int Default, int WindowWidth) {
    return Value < 0 || Value > WindowWidth ? Default : Value;
}

bool ThemeColorFromSetting(int Value, TColor& Color) {
    if (Value == UnsetThemeColor)
        return false;
    const uint32_t v = static_cast<uint32_t>(Value);
    const bool rgb = v <= 0x00FFFFFFu;
    const bool system = (v & 0xFFFFFF00u) == static_cast<uint32_t>(clSystemColor) && (v & 0xFFu) <= COLOR_MENUBAR;
    if (!rgb && !system)
        return false;
    Color = Value;
    return true;
}

int IndexDelayFromOption(int Value) { return Value < 0 ? 300 : Value; }

std::vector<std::pair<std::wstring, std::wstring>> TabUrlValues(const std::vector<std::wstring>& Addresses) {
    std::vector<std::pair<std::wstring, std::wstring>> values;
    for (const std::wstring& address : Addresses) {
        std::wstring url = Trim(address);
        if (!url.empty())
            values.emplace_back(L"PageTab_URL" + std::to_wstring(values.size() + 1), std::move(url));
    }
    values.emplace_back(L"PageTab_URL" + std::to_wstring(values.size() + 1), std::wstring());
    return values;
}
