// The online library: its locale and view-style menus, the user's page styles and
// switches from the program's options file, and the online address of a help page.
#pragma once

#include "Classes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TTntStringList;

// A choice menu of the module: items with a caption, a tag and a radio group. The wide
// popup menu implements it for the program; TWebMenuItems keeps the items in memory.
class TWebMenu {
public:
    virtual ~TWebMenu() = default;
    virtual void Clear() = 0;
    // Appends an item (RadioGroup 0: not a radio item); OnClick receives the item's index.
    virtual int Add(const std::wstring& Caption, int Tag, int RadioGroup, std::function<void(int Index)> OnClick) = 0;
    virtual int Count() const = 0;
    virtual std::wstring Caption(int Index) const = 0;
    virtual int Tag(int Index) const = 0;
    virtual bool Checked(int Index) const = 0;
    // Checks the item; a radio item unchecks the others of its group.
    virtual void Check(int Index) = 0;
    // What choosing the item does.
    virtual void Click(int Index) = 0;
};

class TWebMenuItems : public TWebMenu {
public:
    void Clear() override { FItems.clear(); }
    int Add(const std::wstring& Caption, int Tag, int RadioGroup, std::function<void(int Index)> OnClick) override;
    int Count() const override { return static_cast<int>(FItems.size()); }
    std::wstring Caption(int Index) const override;
    int Tag(int Index) const override;
    bool Checked(int Index) const override;
    void Check(int Index) override;
    void Click(int Index) override;

private:
    struct TItem {
        std::wstring Caption;
        int Tag = 0;
        int RadioGroup = 0;
        bool Checked = false;
        std::function<void(int)> OnClick;
    };
    bool Valid(int Index) const { return Index >= 0 && Index < Count(); }
    std::vector<TItem> FItems;
};

// What ParseOnlineUrl finds in an online library address.
struct TOnlineUrlInfo {
    bool IsLibraryUrl = false;
    std::wstring Id;
    std::wstring ParamText;     // "(...)" after the id
    std::wstring Locale;
    std::wstring Version;
    std::wstring Style;
};

// Tags of the menu items.
constexpr int WebLocaleFirstTag = 1, WebLocaleLastTag = 14, WebLocaleDefaultTag = 4;
constexpr int WebStyleFirstTag = 20, WebStyleLastTag = 27, WebStyleDefaultTag = 21;

// The online library (configuration).
inline const wchar_t* const OnlineLibraryBase = L"http://msdn.microsoft.com/";
inline const wchar_t* const OnlineLibraryHost = L"msdn.microsoft.com";

class TWebDataModule : public TComponent {
public:
    VORLANE_CLASS_NAME(TWebDataModule)
    // The menus are not owned here (CreateWebDataModule gives the module wide popup menus
    // as its components); null ones are kept in memory by the module.
    explicit TWebDataModule(TComponent* AOwner, TWebMenu* AWebMenu = nullptr, TWebMenu* AStyleMenu = nullptr);
    ~TWebDataModule() override;

    // Fills the locale and style menu and reads the options file.
    void BuildMenus();
    // The defaults, then the options file's [style] and [OPTIONS] sections when it exists.
    void ReadOptions();
    // The program's path with the extension ".ini_override" when that file exists, else ".ini".
    std::wstring OptionsFileName() const;

    static std::wstring LocaleCode(int Tag);     // "en-us" for a tag outside 1..14
    std::wstring GetLocaleCode() const { return LocaleCode(LangTag); }
    std::wstring GetStyleCode() const;           // "lightweight" for a tag outside 20..27
    static int LocaleIndexOf(const std::wstring& Locale);
    void SetLangIndex(int Tag);
    void SetStyleIndex(int Tag);

    // Handlers of the menu items (by item index).
    void mnuMsdnLangClick(int Index);
    void mnuStyleClick(int Index);
    void SelectStyleByName(const std::wstring& Name);

    void ParseOnlineUrl(const std::wstring& Url, TOnlineUrlInfo& Info) const;
    // The topic id that names Url's online page: its "id" parameter, else the id of an online
    // library address; '' when there is none, and for the catalog's home page (id "-1"),
    // which has no online page.
    std::wstring OnlineKey(const std::wstring& Url) const;
    // The online address of the help page Url; false (after a message, OnlineUrl unchanged)
    // when Url names no topic id.
    bool GetOnlineUrl(const std::wstring& Url, std::wstring& OnlineUrl) const;

    TWebMenu* webPopupMenu;
    TWebMenu* StylePopupMenu;

    bool ShowTocMode = true;
    bool F1Minimize = false;
    bool EchoF1QueryInSearchBox = false;
    int32_t IndexDelayMs = -1;
    int32_t NavFontSize = -1;
    int LangTag = WebLocaleDefaultTag;
    int StyleTag = WebStyleDefaultTag;
    std::wstring StyleText;
    std::wstring StyleName;
    std::unique_ptr<TTntStringList> StyleValues;

    // The main window shows the active tab's page again: 1 user style, 2 online locale,
    // 3 online view style.
    std::function<void(int Code)> OnRefreshPage;

    // Configuration: the program path the options file is named after, the online
    // library's base address and host name.
    std::wstring ProgramPath;
    std::wstring LibraryBase = OnlineLibraryBase;
    std::wstring LibraryHost = OnlineLibraryHost;

private:
    TWebMenuItems FOwnWebMenu;
    TWebMenuItems FOwnStyleMenu;
};

// The program's module (owner: the application object).
extern TWebDataModule* WebDataModule;
void CreateWebDataModule();
void FreeWebDataModuleStyles();
