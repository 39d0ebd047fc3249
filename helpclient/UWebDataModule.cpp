// The online library options and addresses.
#include "UWebDataModule.h"

#include "Forms.h"
#include "SysUtils.h"
#include "TntClasses.h"
#include "TntSystem.h"
#include "UAuxFile.h"
#include "UFakeIniW.h"
#include "UH3_Code.h"
#include "UUtilsW.h"
#include "UWebMenus.h"

#include <algorithm>

TWebDataModule* WebDataModule = nullptr;

namespace {

struct TWebChoice {
    int Tag;
    const wchar_t* Code;
    const wchar_t* Description;
};

const TWebChoice WebStyles[] = {
    {20, L"classic", L"Classic Library View"},
    {21, L"lightweight", L"Lightweight Library View (default)"},
    {22, L"loband", L"ScriptFree Library View (fastest)"},
    {23, L"ide", L"Visual Studio 2005 (DExplore online mode)"},
    {24, L"orcaside", L"Visual Studio 2008 (DExplore online mode)"},
    {25, L"pda", L"Personal Digital Assistant View (no TOC)"},
    {26, L"printer", L"Printer View (also calls window.print())"},
    {27, L"robot", L"Optimized for search engines"},
};

const TWebChoice WebLocales[] = {
    {1, L"ar-sa", L"Arabic (Saudi Arabia)"},
    {2, L"cs-cz", L"Czech (Czech Republic)"},
    {3, L"de-de", L"German (Germany)"},
    {4, L"en-us", L"English (United States)"},
    {5, L"es-es", L"Spanish (Spain)"},
    {6, L"fr-fr", L"French (France)"},
    {7, L"it-it", L"Italian (Italy)"},
    {8, L"ja-jp", L"Japanese (Japan)"},
    {9, L"ko-kr", L"Korean (Korea)"},
    {10, L"pt-br", L"Portuguese (Brazil)"},
    {11, L"ru-ru", L"Russian (Russia)"},
    {12, L"tr-tr", L"Turkish (Turkey)"},
    {13, L"zh-cn", L"Chinese (People's Republic of China)"},
    {14, L"zh-tw", L"Chinese (Taiwan)"},
};

constexpr int StyleRadioGroup = 1;
constexpr int LocaleRadioGroup = 2;

std::wstring WithoutAmpersands(std::wstring S) {
    S.erase(std::remove(S.begin(), S.end(), L'&'), S.end());
    return S;
}

bool ContainsText(const std::wstring& S, const std::wstring& Sub) { return !Sub.empty() && PosTextW(S, Sub) > 0; }

int FindTag(const TWebMenu* Menu, int Tag) {
    for (int i = 0; i < Menu->Count(); ++i)
        if (Menu->Tag(i) == Tag) return i;
    return -1;
}

} // namespace

// ---------------------------------------------------------------------------------
// TWebMenuItems

int TWebMenuItems::Add(const std::wstring& Caption, int Tag, int RadioGroup, std::function<void(int Index)> OnClick) {
    FItems.push_back(TItem{Caption, Tag, RadioGroup, false, std::move(OnClick)});
    return Count() - 1;
}

std::wstring TWebMenuItems::Caption(int Index) const { return Valid(Index) ? FItems[Index].Caption : std::wstring(); }

int TWebMenuItems::Tag(int Index) const { return Valid(Index) ? FItems[Index].Tag : 0; }

bool TWebMenuItems::Checked(int Index) const { return Valid(Index) && FItems[Index].Checked; }

void TWebMenuItems::Check(int Index) {
    if (!Valid(Index)) return;
    const int group = FItems[Index].RadioGroup;
    if (group != 0)
        for (auto& item : FItems)
            if (item.RadioGroup == group) item.Checked = false;
    FItems[Index].Checked = true;
}

void TWebMenuItems::Click(int Index) {
    if (Valid(Index) && FItems[Index].OnClick) FItems[Index].OnClick(Index);
}

// ---------------------------------------------------------------------------------
// TWebDataModule

TWebDataModule::TWebDataModule(TComponent* AOwner, TWebMenu* AWebMenu, TWebMenu* AStyleMenu)
    : TComponent(AOwner), webPopupMenu(AWebMenu ? AWebMenu : &FOwnWebMenu),
      StylePopupMenu(AStyleMenu ? AStyleMenu : &FOwnStyleMenu) {
    try {
        ProgramPath = WideParamStr(0);
    } catch (const Exception&) {
        ProgramPath.clear();
    }
}

TWebDataModule::~TWebDataModule() {
    if (WebDataModule == this) WebDataModule = nullptr;
}

void TWebDataModule::BuildMenus() {
    webPopupMenu->Clear();
    auto onLang = [this](int Index) { mnuMsdnLangClick(Index); };
    for (const auto& s : WebStyles)
        webPopupMenu->Add(std::wstring(s.Code) + L"\t" + s.Description, s.Tag, StyleRadioGroup, onLang);
    SetStyleIndex(WebStyleDefaultTag);
    webPopupMenu->Add(L"-", 0, 0, nullptr);
    for (const auto& l : WebLocales)
        webPopupMenu->Add(std::wstring(l.Code) + L"\t" + l.Description, l.Tag, LocaleRadioGroup, onLang);
    SetLangIndex(WebLocaleDefaultTag);
    StyleValues = std::make_unique<TTntStringList>();
    ReadOptions();
}

std::wstring TWebDataModule::OptionsFileName() const {
    const std::wstring overrideFile = ChangeFileExtW(ProgramPath, L".ini_override");
    if (FileExistsW(overrideFile)) return overrideFile;
    return ChangeFileExtW(ProgramPath, L".ini");
}

void TWebDataModule::ReadOptions() {
    ShowTocMode = true;
    F1Minimize = false;
    EchoF1QueryInSearchBox = false;
    IndexDelayMs = -1;
    NavFontSize = -1;
    if (ProgramPath.empty()) return;
    const std::wstring file = OptionsFileName();
    if (!FileExistsW(file) || !FileSizeAllowed(file, MaxConfigFileBytes)) return;

    if (!StyleValues) StyleValues = std::make_unique<TTntStringList>();
    StyleValues->Clear();
    StylePopupMenu->Clear();
    TFakeIniW ini(file, L"style");
    auto onStyle = [this](int Index) { mnuStyleClick(Index); };
    for (int i = 0; i < ini.GetCount(); ++i) {
        const std::wstring key = ini.GetKeyName(i);
        if (key.empty()) continue;
        std::wstring value = Trim(ini.GetValue(i));
        if (value.size() == 1) value.clear();
        StylePopupMenu->Add(key, StyleValues->Count(), StyleRadioGroup, onStyle);
        StyleValues->Add(value);
    }
    if (StylePopupMenu->Count() > 0) StylePopupMenu->Check(0);

    ini.OpenSection(L"OPTIONS");
    ShowTocMode = ini.ReadBool(L"ShowTocMode", true);
    F1Minimize = ini.ReadBool(L"F1Minimize", false);
    EchoF1QueryInSearchBox = ini.ReadBool(L"EchoF1QueryInSearchBox", false);
    IndexDelayMs = ini.ReadInteger(L"IndexDelayMs", -1);
    NavFontSize = ini.ReadInteger(L"NavFontSize", -1);
}

std::wstring TWebDataModule::LocaleCode(int Tag) {
    for (const auto& l : WebLocales)
        if (l.Tag == Tag) return l.Code;
    return L"en-us";
}

std::wstring TWebDataModule::GetStyleCode() const {
    for (const auto& s : WebStyles)
        if (s.Tag == StyleTag) return s.Code;
    return L"lightweight";
}

int TWebDataModule::LocaleIndexOf(const std::wstring& Locale) {
    for (const auto& l : WebLocales)
        if (ContainsText(Locale, l.Code)) return l.Tag;
    return WebLocaleDefaultTag;
}

void TWebDataModule::SetLangIndex(int Tag) {
    if (Tag < WebLocaleFirstTag || Tag > WebLocaleLastTag) return;
    const int index = FindTag(webPopupMenu, Tag);
    if (index < 0) return;
    webPopupMenu->Check(index);
    LangTag = Tag;
}

void TWebDataModule::SetStyleIndex(int Tag) {
    if (Tag < WebStyleFirstTag || Tag > WebStyleLastTag) return;
    const int index = FindTag(webPopupMenu, Tag);
    if (index < 0) return;
    webPopupMenu->Check(index);
    StyleTag = Tag;
}

void TWebDataModule::mnuMsdnLangClick(int Index) {
    if (Index < 0 || Index >= webPopupMenu->Count()) return;
    const int tag = webPopupMenu->Tag(Index);
    int code = 0;
    if (tag >= WebLocaleFirstTag && tag <= WebLocaleLastTag) {
        LangTag = tag;
        code = 2;
    } else if (tag >= WebStyleFirstTag && tag <= WebStyleLastTag) {
        StyleTag = tag;
        code = 3;
    } else {
        return;
    }
    webPopupMenu->Check(Index);
    if (OnRefreshPage) OnRefreshPage(code);
}

void TWebDataModule::mnuStyleClick(int Index) {
    if (Index < 0 || Index >= StylePopupMenu->Count()) return;
    StylePopupMenu->Check(Index);
    StyleText.clear();
    StyleName.clear();
    const int tag = StylePopupMenu->Tag(Index);
    if (StyleValues && tag >= 0 && tag < StyleValues->Count()) {
        StyleText = StyleValues->Strings(tag);
        StyleName = WithoutAmpersands(StylePopupMenu->Caption(Index));
        if (!StyleText.empty()) {
            if (StyleText.front() != L';') StyleText.insert(StyleText.begin(), L';');
            if (StyleText.back() != L';') StyleText.push_back(L';');
        }
    }
    if (OnRefreshPage) OnRefreshPage(1);
}

void TWebDataModule::SelectStyleByName(const std::wstring& Name) {
    const std::wstring wanted = WithoutAmpersands(Name);
    for (int i = 0; i < StylePopupMenu->Count(); ++i)
        if (WithoutAmpersands(StylePopupMenu->Caption(i)) == wanted) {
            mnuStyleClick(i);
            return;
        }
}

void TWebDataModule::ParseOnlineUrl(const std::wstring& Url, TOnlineUrlInfo& Info) const {
    Info = TOnlineUrlInfo();
    std::wstring s = Url;
    const size_t hash = s.rfind(L'#');
    if (hash != std::wstring::npos) s.erase(hash);
    const size_t dot = s.rfind(L'.');
    if (dot != std::wstring::npos && s.size() - dot - 1 < 5 && !(!s.empty() && s.back() == L')')) s.erase(dot);

    Info.IsLibraryUrl = ContainsText(s, L"/library/") && ContainsText(s, LibraryHost);
    if (!Info.IsLibraryUrl) return;

    Info.Locale = L"en-us";
    for (const auto& l : WebLocales)
        if (ContainsText(s, l.Code)) {
            Info.Locale = l.Code;
            break;
        }

    const size_t slash = s.rfind(L'/');
    const std::wstring last = slash == std::wstring::npos ? s : s.substr(slash + 1);
    const size_t open = last.rfind(L'(');
    if (!last.empty() && last.back() == L')' && open != std::wstring::npos) {
        Info.ParamText = last.substr(open);
        Info.Id = last.substr(0, open);
    } else {
        Info.Id = last;
    }
    if (Info.ParamText.empty()) return;

    std::wstring params = Info.ParamText.substr(1, Info.ParamText.size() - 2);
    params = Trim(params);
    size_t from = 0;
    while (from <= params.size()) {
        const size_t comma = params.find(L',', from);
        const std::wstring part =
            Trim(params.substr(from, comma == std::wstring::npos ? std::wstring::npos : comma - from));
        from = comma == std::wstring::npos ? params.size() + 1 : comma + 1;
        if (part.empty()) continue;
        if (part.size() > 2 && part[1] == L'=') {
            if (part[0] == L'v' || part[0] == L'V') Info.Version = part.substr(2);
            else if (part[0] == L'd' || part[0] == L'D') Info.Style = part.substr(2);
            continue;
        }
        bool isStyle = false;
        for (const auto& st : WebStyles)
            if (SameText(part, st.Code)) isStyle = true;
        if (isStyle) Info.Style = part;
        else Info.Version = part;
    }
}

std::wstring TWebDataModule::OnlineKey(const std::wstring& Url) const {
    std::wstring id;
    GetUrlParam(Url, L"id", id);
    if (id.empty()) {
        TOnlineUrlInfo info;
        ParseOnlineUrl(Url, info);
        id = info.Id;
    }
    return id == L"-1" ? std::wstring() : id;
}

bool TWebDataModule::GetOnlineUrl(const std::wstring& Url, std::wstring& OnlineUrl) const {
    std::wstring version;
    GetUrlParam(Url, L"topicversion", version);
    if (version == L"0") version.clear();
    if (!version.empty() && version.find(L'.') == std::wstring::npos) version = L"vs." + version;
    const std::wstring locale = GetLocaleCode();
    const std::wstring style = GetStyleCode();
    std::wstring id = OnlineKey(Url);

    TOnlineUrlInfo info;
    ParseOnlineUrl(Url, info);
    if (version.empty()) version = info.Version;
    if (id.empty()) {
        MsgBoxW(L"No MSDN Id= found in current URL");
        return false;
    }
    if (id.size() > 3 && id[1] == L':') id.erase(0, 2);

    const std::wstring params = version.empty() ? L"(d=" + style + L")" : L"(v=" + version + L",d=" + style + L")";
    OnlineUrl = LibraryBase + locale + L"/library/" + id + params + L".aspx";
    return true;
}

// ---------------------------------------------------------------------------------

void CreateWebDataModule() {
    if (WebDataModule) return;
    WebDataModule = new TWebDataModule(Application);
    // The wide popup menus belong to the module.
    WebDataModule->webPopupMenu = new TWebPopupMenu(WebDataModule);
    WebDataModule->StylePopupMenu = new TWebPopupMenu(WebDataModule);
    WebDataModule->BuildMenus();
}

void FreeWebDataModuleStyles() {
    if (WebDataModule) WebDataModule->StyleValues.reset();
}
