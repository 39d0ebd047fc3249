// The online library's choice menus on wide popup menus.
#include "UWebMenus.h"

#include "TntMenus.h"

TWebPopupMenu::TWebPopupMenu(TComponent* AOwner) : TComponent(AOwner), FMenu(new TTntPopupMenu(this)) {}

TWebPopupMenu::~TWebPopupMenu() = default;

TMenuItem* TWebPopupMenu::Item(int Index) const {
    TMenuItem* items = FMenu->Items();
    return Index >= 0 && Index < items->Count() ? items->Items(Index) : nullptr;
}

void TWebPopupMenu::Clear() { FMenu->Items()->Clear(); }

int TWebPopupMenu::Add(const std::wstring& Caption, int Tag, int RadioGroup, std::function<void(int Index)> OnClick) {
    auto* item = new TTntMenuItem(FMenu);
    item->SetCaption(Caption);
    item->Tag = Tag;
    if (RadioGroup != 0) {
        item->SetGroupIndex(RadioGroup);
        item->SetRadioItem(true);
    }
    if (OnClick)
        item->OnClick = [Handler = std::move(OnClick)](TObject* Sender) {
            auto* clicked = static_cast<TMenuItem*>(Sender);
            // The handler may rebuild the menu; it runs from a copy of its own.
            const std::function<void(int)> run = Handler;
            run(clicked->MenuIndex());
        };
    FMenu->Items()->Add(item);
    return FMenu->Items()->Count() - 1;
}

int TWebPopupMenu::Count() const { return FMenu->Items()->Count(); }

std::wstring TWebPopupMenu::Caption(int Index) const {
    const TMenuItem* item = Item(Index);
    return item ? item->Caption() : std::wstring();
}

int TWebPopupMenu::Tag(int Index) const {
    const TMenuItem* item = Item(Index);
    return item ? static_cast<int>(item->Tag) : 0;
}

bool TWebPopupMenu::Checked(int Index) const {
    const TMenuItem* item = Item(Index);
    return item && item->Checked();
}

void TWebPopupMenu::Check(int Index) {
    if (TMenuItem* item = Item(Index)) item->SetChecked(true);
}

void TWebPopupMenu::Click(int Index) {
    if (TMenuItem* item = Item(Index)) item->Click();
}
