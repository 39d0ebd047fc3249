#include "TntMenus.h"

#include "TntControls.h"
#include "TntForms.h"

namespace {

TTntPopupList g_TntPopupList;

// The key's name as the keyboard gives it, first letter capital, the rest lower case and
// the letter after a '(' capital again.
WideString SpecialKeyName(UINT ScanCode) {
    wchar_t buf[32] = {};
    int n = GetKeyNameTextW(static_cast<LONG>(ScanCode << 16), buf, 32);
    WideString name(buf, n > 0 ? static_cast<size_t>(n) : 0);
    if (name.size() > 1)
        CharLowerBuffW(name.data() + 1, static_cast<DWORD>(name.size() - 1));
    size_t paren = name.find(L'(');
    if (paren != WideString::npos && paren + 1 < name.size())
        CharUpperBuffW(name.data() + paren + 1, 1);
    return name;
}

WideString PlainKeyName(WORD Key) {
    UINT scan = MapVirtualKeyW(Key, 0);
    if (!scan)
        return L"";
    wchar_t buf[256] = {};
    int n = GetKeyNameTextW(static_cast<LONG>(scan << 16), buf, 256);
    return WideString(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

} // namespace

TTntPopupList* TntPopupList = &g_TntPopupList;

WideString WideShortCutToText(TShortCut ShortCut) {
    WORD key = ShortCut & 0xFF;
    WideString name;
    if (key < 32) {
        if (key == VK_BACK || key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE)
            name = SpecialKeyName(MapVirtualKeyW(key, 0));
        else
            name = PlainKeyName(key);
    } else if ((key >= VK_SPACE && key <= VK_DOWN) || key == VK_INSERT || key == VK_DELETE) {
        name = SpecialKeyName(MapVirtualKeyW(key, 0) + 256);
    } else if (key >= VK_F1 && key <= VK_F24) {
        name = SpecialKeyName(MapVirtualKeyW(key, 0));
    } else {
        name = PlainKeyName(key);
    }
    if (name.empty())
        return L"";
    if (ShortCut & scShift)
        name = SpecialKeyName(MapVirtualKeyW(VK_SHIFT, 0)) + L"+" + name;
    if (ShortCut & scAlt)
        name = SpecialKeyName(MapVirtualKeyW(VK_MENU, 0)) + L"+" + name;
    if (ShortCut & scCtrl)
        name = SpecialKeyName(MapVirtualKeyW(VK_CONTROL, 0)) + L"+" + name;
    return name;
}

WideString WideGetHotkey(const WideString& Text) { return GetHotkey(Text); }

WideString WideStripHotkey(const WideString& Text) { return StripHotkey(Text); }

bool WideSameCaption(const WideString& A, const WideString& B) { return SameCaption(A, B); }

WideString WideGetMenuItemHint(TMenuItem* Item) { return Item ? Item->Hint() : WideString(); }

// ------------------------------------------------------------------ TTntMenuItem

std::wstring TTntMenuItem::ShortCutText() { return WideShortCutToText(FShortCut); }

std::wstring TTntMenuItem::NativeText() {
    LastKeyboardLayout = GetKeyboardLayout(0);
    return TMenuItem::NativeText();
}

void TTntMenuItem::InitiateAction() {
    if (LastKeyboardLayout && GetKeyboardLayout(0) != LastKeyboardLayout)
        MenuChanged(true);
    TMenuItem::InitiateAction();
}

// ------------------------------------------------------------------ TTntPopupMenu

TTntPopupMenu::TTntPopupMenu(TComponent* AOwner) : TPopupMenu(AOwner) {
    if (PopupList)
        PopupList->Remove(this);
    // Made while a wide popup menu shows, the menu went into the library's list, not the current one.
    if (TntPopupList->SavedPopupList)
        TntPopupList->SavedPopupList->Remove(this);
    TntPopupList->Add(this);
}

// The base leaves every popup list still alive: the wide list may already be gone when a menu
// owned by the application goes at the program's end.
TTntPopupMenu::~TTntPopupMenu() = default;

void TTntPopupMenu::Popup(int X, int Y) {
    TPopupList* saved = PopupList;
    TntPopupList->SavedPopupList = saved;
    PopupList = TntPopupList;
    struct TRestore {
        TPopupList* Saved;
        ~TRestore() { PopupList = Saved; }
    } restore{saved};
    TPopupMenu::Popup(X, Y);
}

// ------------------------------------------------------------------ TTntPopupList

void TTntPopupList::ShowMenuHint(TMenuItem* Item) {
    if (TntApplication)
        TntApplication->SetHint(Item ? WideLongHint(WideGetMenuItemHint(Item)) : WideString());
}

void TTntPopupList::WndProc(TMessage& Message) {
    if (Message.Msg == WM_ENTERMENULOOP) {
        if (SavedPopupList)
            PopupList = SavedPopupList;
        if (SysLocale.MiddleEast)
            for (TPopupMenu* menu : FMenus)
                for (int i = 0; i < menu->Items()->Count(); ++i)
                    if (menu->Items()->Items(i)->Visible()) {
                        menu->Items()->Items(i)->ApplyNativeText();
                        break;
                    }
    }
    TPopupList::WndProc(Message);
}
