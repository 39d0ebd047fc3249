// The online library's choice menus on wide popup menus.
#pragma once

#include "Classes.h"
#include "UWebDataModule.h"

class TTntPopupMenu;
class TMenuItem;

// A wide popup menu (owned by this component) whose items are the module's choices:
// caption, tag, radio group and check mark are the menu item's own; choosing an item
// (the command message of the shown menu) calls the handler given with its index.
class TWebPopupMenu : public TComponent, public TWebMenu {
public:
    VORLANE_CLASS_NAME(TWebPopupMenu)
    explicit TWebPopupMenu(TComponent* AOwner);
    ~TWebPopupMenu() override;

    void Clear() override;
    int Add(const std::wstring& Caption, int Tag, int RadioGroup, std::function<void(int Index)> OnClick) override;
    int Count() const override;
    std::wstring Caption(int Index) const override;
    int Tag(int Index) const override;
    bool Checked(int Index) const override;
    void Check(int Index) override;
    void Click(int Index) override;

    TTntPopupMenu* Menu() const { return FMenu; }

private:
    TMenuItem* Item(int Index) const;
    TTntPopupMenu* FMenu;
};
