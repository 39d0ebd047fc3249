// Wide menus: menu items whose shortcut texts use the keyboard's own key names, the main
// and popup menus of the Unicode set, the popup list that routes menu hints to the
// application, and the hot-key helpers. Captions and hints are wide in the library's
// menu items already; what this unit adds is the key names, the hint routing and the
// right-to-left re-application of item texts.
#pragma once

#include "Menus.h"
#include "System.h"

// The shortcut in the keyboard's language, e.g. "Ctrl+Shift+F5" (modifiers Ctrl, Alt,
// Shift in that order; the names are the system's, first letter capital, rest lower case).
WideString WideShortCutToText(TShortCut ShortCut);
// The hot-key character of a caption ('' when none).
WideString WideGetHotkey(const WideString& Text);
// The caption without hot-key markers: "&&" stands for one '&', every single '&' goes.
WideString WideStripHotkey(const WideString& Text);
// Captions compared without hot keys, case ignored.
bool WideSameCaption(const WideString& A, const WideString& B);
// The item's hint.
WideString WideGetMenuItemHint(TMenuItem* Item);

class TTntMenuItem : public TMenuItem {
public:
    VORLANE_CLASS_NAME(TTntMenuItem)
    using TMenuItem::TMenuItem;
    WideString GetCaption() const { return Caption(); }
    WideString GetHint() const { return Hint(); }
    // The keyboard layout when the native text was last made.
    HKL LastKeyboardLayout = nullptr;

    std::wstring ShortCutText() override;
    std::wstring NativeText() override;
    // A changed keyboard layout rebuilds the item so that its shortcut text follows it.
    void InitiateAction() override;
};

class TTntMainMenu : public TMainMenu {
public:
    VORLANE_CLASS_NAME(TTntMainMenu)
    using TMainMenu::TMainMenu;
};

class TTntPopupMenu : public TPopupMenu {
public:
    VORLANE_CLASS_NAME(TTntPopupMenu)
    // Registered with the Unicode popup list (not the library's) from creation to destruction.
    explicit TTntPopupMenu(TComponent* AOwner);
    ~TTntPopupMenu() override;
    // While the menu shows, the Unicode popup list is the current one.
    void Popup(int X, int Y) override;
    using TPopupMenu::Popup;
};

// The popup list of the Unicode popup menus: menu hints go to the wide application hint,
// and a menu loop re-applies the item texts on right-to-left systems.
class TTntPopupList : public TPopupList {
public:
    VORLANE_CLASS_NAME(TTntPopupList)
    // The library's popup list, current again once a wide popup menu has closed.
    TPopupList* SavedPopupList = nullptr;
    void WndProc(TMessage& Message) override;

protected:
    void ShowMenuHint(TMenuItem* Item) override;
};

extern TTntPopupList* TntPopupList;
