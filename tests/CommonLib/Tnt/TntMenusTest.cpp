#include "../../vcl/VclTestSupport.h"

#include "TntForms.h"
#include "TntMenus.h"

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

// The keyboard's own name of a key, formatted as shortcut texts show it.
std::wstring KeyName(UINT vk, bool extended = false) {
    wchar_t buf[64] = {};
    UINT scan = MapVirtualKeyW(vk, 0) + (extended ? 256 : 0);
    GetKeyNameTextW(static_cast<LONG>(scan << 16), buf, 64);
    std::wstring s = buf;
    if (s.size() > 1)
        CharLowerBuffW(s.data() + 1, static_cast<DWORD>(s.size() - 1));
    return s;
}

void CALLBACK CloseMenuSoon(HWND, UINT, UINT_PTR, DWORD) { TPopupList::CloseOpenMenu(); }

std::wstring NativeText(HMENU menu, WORD command) {
    wchar_t buf[256] = {};
    GetMenuStringW(menu, command, buf, 256, MF_BYCOMMAND);
    return buf;
}

} // namespace

TEST(TntMenus, ShortCutTextUsesTheKeyboardsNamesInOrder) {
    std::wstring text = WideShortCutToText(ShortCut(VK_F5, ssCtrl | ssShift));
    std::wstring ctrl = KeyName(VK_CONTROL), shift = KeyName(VK_SHIFT);
    ASSERT_FALSE(ctrl.empty());
    EXPECT_EQ(text, ctrl + L"+" + shift + L"+" + KeyName(VK_F5));
    // First letter capital, the rest lower case.
    EXPECT_TRUE(iswupper(ctrl[0]));
    EXPECT_EQ(text.find_first_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZ", 1), ctrl.size() + 1);
    EXPECT_EQ(WideShortCutToText(ShortCut('A', ssAlt)), KeyName(VK_MENU) + L"+A");
    EXPECT_EQ(WideShortCutToText(ShortCut(VK_DELETE, 0)), KeyName(VK_DELETE, true));
    EXPECT_EQ(WideShortCutToText(scNone), L"");
}

TEST(TntMenus, HotKeys) {
    EXPECT_EQ(WideGetHotkey(L"&File"), L"F");
    EXPECT_EQ(WideGetHotkey(L"Save && E&xit"), L"x");
    EXPECT_EQ(WideGetHotkey(L"A&&B"), L"");
    EXPECT_EQ(WideGetHotkey(L"End&"), L"");
    // "&&" stands for one '&' (both used to be dropped).
    EXPECT_EQ(WideStripHotkey(L"Save && E&xit"), L"Save & Exit");
    EXPECT_EQ(WideStripHotkey(L"&&"), L"&");
    EXPECT_EQ(WideStripHotkey(L"&\u0424\u0430\u0439\u043b"), L"\u0424\u0430\u0439\u043b");
    bool farEast = SysLocale.FarEast;
    SysLocale.FarEast = true;
    EXPECT_EQ(WideStripHotkey(L"\u30d5\u30a1\u30a4\u30eb(&F)"), L"\u30d5\u30a1\u30a4\u30eb");
    SysLocale.FarEast = farEast;
    EXPECT_TRUE(WideSameCaption(L"&File", L"fi&LE"));
    EXPECT_FALSE(WideSameCaption(L"File", L"Files"));
}

TEST(TntMenus, WideItemsHintsAndPopupList) {
    Watchdog dog(20000, "wide popup");
    TComponent owner(nullptr);
    auto* popup = new TTntPopupMenu(&owner);
    auto* item = new TTntMenuItem(&owner);
    item->SetCaption(L"\u0421\u043e\u0445\u0440\u0430\u043d\u0438\u0442\u044c \u4fdd\u5b58");
    item->SetShortCut(ShortCut('S', ssCtrl));
    item->SetHint(L"Save|\u0421\u043e\u0445\u0440\u0430\u043d\u0438\u0442\u044c");
    popup->Items()->Add(item);
    HMENU h = popup->GetHandle();
    EXPECT_EQ(NativeText(h, item->Command()), item->GetCaption() + L"\t" + WideShortCutToText(item->ShortCut()));
    EXPECT_EQ(WideGetMenuItemHint(item), item->GetHint());

    // The wide popup menu lives in the Unicode popup list, which routes its hints.
    EXPECT_EQ(popup->FindItem(item->Command(), fkCommand), item);
    EXPECT_EQ(PopupList->FindItem(item->Command(), fkCommand), nullptr);
    SendMessageW(TntPopupList->Window(), WM_MENUSELECT, MAKEWPARAM(item->Command(), 0), reinterpret_cast<LPARAM>(h));
    EXPECT_EQ(TntApplication->Hint(), L"\u0421\u043e\u0445\u0440\u0430\u043d\u0438\u0442\u044c");
    SendMessageW(TntPopupList->Window(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(TntApplication->Hint(), L"");
    int clicks = 0;
    item->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(TntPopupList->Window(), WM_COMMAND, item->Command(), 0);
    EXPECT_EQ(clicks, 1);

    // Right to left: a menu loop puts back a text the system lost.
    MENUITEMINFOW mii{sizeof(mii), MIIM_STRING};
    wchar_t lost[] = L"?";
    mii.dwTypeData = lost;
    SetMenuItemInfoW(h, item->Command(), FALSE, &mii);
    bool middleEast = SysLocale.MiddleEast;
    SysLocale.MiddleEast = true;
    SendMessageW(TntPopupList->Window(), WM_ENTERMENULOOP, TRUE, 0);
    SysLocale.MiddleEast = middleEast;
    EXPECT_EQ(NativeText(h, item->Command()), item->NativeText());

    // While shown, the Unicode list is the current one; afterwards the library's again.
    TPopupList* before = PopupList;
    TPopupList* during = nullptr;
    popup->OnPopup = [&](TObject*) { during = PopupList; };
    UINT_PTR timer = SetTimer(nullptr, 0, 150, CloseMenuSoon);
    popup->Popup(50, 50);
    KillTimer(nullptr, timer);
    EXPECT_EQ(during, static_cast<TPopupList*>(TntPopupList));
    EXPECT_EQ(PopupList, before);
}

TEST(TntMenus, MainMenuHintOnAWideForm) {
    Watchdog dog(20000, "wide main menu");
    auto* form = new TTntForm(nullptr);
    auto* menu = new TTntMainMenu(form);
    auto* file = new TTntMenuItem(form);
    file->SetCaption(L"&\u0424\u0430\u0439\u043b");
    file->SetHint(L"F|File commands");
    menu->Items()->Add(file);
    auto* open = new TTntMenuItem(form);
    open->SetCaption(L"Open");
    open->SetHint(L"Open|Opens \u0416");
    file->Add(open);
    form->SetMenu(menu);
    HWND wnd = form->Handle();
    SendMessageW(wnd, WM_MENUSELECT, MAKEWPARAM(open->Command(), 0), reinterpret_cast<LPARAM>(file->Handle()));
    EXPECT_EQ(TntApplication->Hint(), L"Opens \u0416");
    SendMessageW(wnd, WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP), reinterpret_cast<LPARAM>(menu->GetHandle()));
    EXPECT_EQ(TntApplication->Hint(), L"File commands");
    SendMessageW(wnd, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(TntApplication->Hint(), L"");
    form->BeforeDestruction();
    delete form;
}

namespace {

bool ListHas(TPopupList* List, TPopupMenu* Menu) {
    for (int i = 0; i < List->Count(); ++i)
        if (List->Menus(i) == Menu)
            return true;
    return false;
}

} // namespace

TEST(TntMenus, PlainPopupMadeWhileAWidePopupShowsBelongsToTheLibrarysList) {
    Watchdog dog(20000, "popup made while another shows");
    TComponent owner(nullptr);
    auto* wide = new TTntPopupMenu(&owner);
    auto* wideItem = new TTntMenuItem(&owner);
    wideItem->SetCaption(L"\u0416");
    wide->Items()->Add(wideItem);
    TPopupMenu* plain = nullptr;
    wide->OnPopup = [&](TObject*) {
        if (!plain)
            plain = new TPopupMenu(nullptr);
    };
    UINT_PTR timer = SetTimer(nullptr, 0, 150, CloseMenuSoon);
    wide->Popup(60, 60);
    KillTimer(nullptr, timer);
    ASSERT_NE(plain, nullptr);
    TPopupList* library = PopupList;
    ASSERT_NE(library, static_cast<TPopupList*>(TntPopupList));

    // Its commands arrive through the library's list, as for any plain popup menu.
    auto* item = new TMenuItem(&owner);
    item->SetCaption(L"Plain");
    plain->Items()->Add(item);
    int clicks = 0;
    item->OnClick = [&](TObject*) { ++clicks; };
    SendMessageW(library->Window(), WM_COMMAND, item->Command(), 0);
    EXPECT_EQ(clicks, 1);

    // Once freed it is in no list (a list must not keep a freed menu).
    delete plain;
    EXPECT_FALSE(ListHas(TntPopupList, plain));
    EXPECT_FALSE(ListHas(library, plain));
    // The wide menu's commands still arrive.
    int wideClicks = 0;
    wideItem->OnClick = [&](TObject*) { ++wideClicks; };
    SendMessageW(TntPopupList->Window(), WM_COMMAND, wideItem->Command(), 0);
    EXPECT_EQ(wideClicks, 1);
}
