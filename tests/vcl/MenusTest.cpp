#include "VclTestSupport.h"

#include "ActnList.h"
#include "Menus.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace vcltest;

namespace {

std::wstring NativeText(HMENU menu, WORD command) {
    wchar_t buf[256] = {};
    GetMenuStringW(menu, command, buf, 256, MF_BYCOMMAND);
    return buf;
}

void CALLBACK CloseMenuSoon(HWND, UINT, UINT_PTR, DWORD) { TPopupList::CloseOpenMenu(); }

UINT NativeState(HMENU menu, WORD command) { return GetMenuState(menu, command, MF_BYCOMMAND); }

TMenuItem* NewItem(TComponent* owner, TMenuItem* parent, const std::wstring& caption, TShortCut sc = scNone) {
    auto* item = new TMenuItem(owner);
    item->SetCaption(caption);
    item->SetShortCut(sc);
    parent->Add(item);
    return item;
}

// A windowed control with nothing of its own (text, hint, enabled, click).
class TPlainControl : public TCustomControl {
public:
    VORLANE_CLASS_NAME(TPlainControl)
    using TCustomControl::TCustomControl;
    void DoClick() { Click(); }
};

} // namespace

TEST(Menus, NativeTextHasShortcutOnlyInPopups) {
    TComponent owner(nullptr);
    auto* main = new TMainMenu(&owner);
    TMenuItem* file = NewItem(&owner, main->Items(), L"&File", ShortCut('F', ssCtrl));
    TMenuItem* open = NewItem(&owner, file, L"&Open \u0416", ShortCut(VK_F5, ssCtrl | ssShift));
    HMENU bar = main->GetHandle();
    EXPECT_EQ(NativeText(bar, file->Command()), L"&File"); // bar items: caption only
    EXPECT_EQ(NativeText(file->Handle(), open->Command()), L"&Open \u0416\tCtrl+Shift+F5");
    EXPECT_EQ(GetSubMenu(bar, 0), file->Handle());

    auto* popup = new TPopupMenu(&owner);
    TMenuItem* copy = NewItem(&owner, popup->Items(), L"Copy", ShortCut('C', ssCtrl));
    EXPECT_EQ(NativeText(popup->GetHandle(), copy->Command()), L"Copy\tCtrl+C");
    copy->SetCaption(L"Copy all");
    EXPECT_EQ(NativeText(popup->GetHandle(), copy->Command()), L"Copy all\tCtrl+C");
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, ssAlt)), L"Alt+Del");
}

TEST(Menus, RunTimeAddClearAndStates) {
    TComponent owner(nullptr);
    auto* popup = new TPopupMenu(&owner);
    TMenuItem* a = NewItem(&owner, popup->Items(), L"A");
    TMenuItem* b = NewItem(&owner, popup->Items(), L"B");
    TMenuItem* sub = NewItem(&owner, popup->Items(), L"Sub");
    TMenuItem* c = NewItem(&owner, sub, L"C");
    HMENU h = popup->GetHandle();
    EXPECT_EQ(GetMenuItemCount(h), 3);
    EXPECT_EQ(GetSubMenu(h, 2), sub->Handle());

    b->SetVisible(false);
    EXPECT_EQ(GetMenuItemCount(h), 2);
    a->SetEnabled(false);
    EXPECT_TRUE(NativeState(h, a->Command()) & MF_DISABLED);
    a->SetDefault(true);
    EXPECT_EQ(GetMenuDefaultItem(h, FALSE, GMDI_USEDISABLED), a->Command());

    // Radio items of one group: checking one unchecks the others.
    a->SetRadioItem(true);
    b->SetRadioItem(true);
    b->SetChecked(true);
    a->SetChecked(true);
    EXPECT_FALSE(b->Checked());
    EXPECT_TRUE(NativeState(h, a->Command()) & MF_CHECKED);
    b->SetGroupIndex(1);
    b->SetChecked(true);
    EXPECT_TRUE(a->Checked());

    // Deleting an item frees its sub-items, which also leave their owner.
    int owned = owner.ComponentCount();
    popup->Items()->Delete(2);
    EXPECT_EQ(owner.ComponentCount(), owned - 2);
    EXPECT_EQ(popup->Items()->Count(), 2);
    EXPECT_EQ(popup->Items()->Find(L"b"), b);
    popup->Items()->Clear();
    EXPECT_EQ(GetMenuItemCount(h), 0);
    (void)c;
}

TEST(Menus, PopupCommandReachesOnClick) {
    Watchdog dog(20000, "popup menu");
    TComponent owner(nullptr);
    auto* popup = new TPopupMenu(&owner);
    TMenuItem* first = NewItem(&owner, popup->Items(), L"First");
    int clicks = 0, popups = 0;
    TObject* sender = nullptr;
    first->OnClick = [&](TObject* s) { ++clicks; sender = s; };
    popup->OnPopup = [&](TObject*) { ++popups; };

    // The command message the system sends to the popup list.
    SendMessageW(PopupList->Window(), WM_COMMAND, first->Command(), 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(sender, first);

    // A real popup, closed from a timer while its loop runs.
    UINT_PTR timer = SetTimer(nullptr, 0, 150, CloseMenuSoon);
    popup->Popup(100, 100);
    KillTimer(nullptr, timer);
    EXPECT_EQ(popups, 1);
    PumpFor(50);
    EXPECT_EQ(clicks, 1); // closed without a choice
}

TEST(Menus, MenuSelectSetsTheLongHintAndClearsIt) {
    TComponent owner(nullptr);
    auto* popup = new TPopupMenu(&owner);
    TMenuItem* item = NewItem(&owner, popup->Items(), L"Item");
    item->SetHint(L"Short|Long \u0416 hint");
    HMENU h = popup->GetHandle();
    SendMessageW(PopupList->Window(), WM_MENUSELECT, MAKEWPARAM(item->Command(), 0), reinterpret_cast<LPARAM>(h));
    EXPECT_EQ(Application->Hint(), L"Long \u0416 hint");
    SendMessageW(PopupList->Window(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(Application->Hint(), L"");
}

TEST(Menus, MainMenuOnAFormDispatchesCommands) {
    Watchdog dog(20000, "main menu");
    auto* form = new TForm(nullptr);
    form->SetBounds(10, 10, 200, 150);
    auto* main = new TMainMenu(form);
    TMenuItem* file = NewItem(form, main->Items(), L"File");
    TMenuItem* exit = NewItem(form, file, L"Exit");
    int clicks = 0;
    exit->OnClick = [&](TObject*) { ++clicks; };
    form->SetMenu(main);
    HWND wnd = form->Handle();
    EXPECT_EQ(GetMenu(wnd), main->GetHandle());
    EXPECT_EQ(main->WindowHandle(), wnd);
    SendMessageW(wnd, WM_COMMAND, exit->Command(), 0);
    EXPECT_EQ(clicks, 1);
    std::wstring hint;
    exit->SetHint(L"Leave");
    EXPECT_TRUE(main->FindItemHint(exit->Command(), false, hint));
    EXPECT_EQ(hint, L"Leave");
    EXPECT_TRUE(main->FindItemHint(static_cast<UINT>(reinterpret_cast<UINT_PTR>(file->Handle())), true, hint));

    // With images the items are drawn by the menu: the form's window routes the request.
    TImageList images(nullptr);
    main->SetImages(&images);
    EXPECT_TRUE(exit->IsOwnerDraw());
    EXPECT_FALSE(file->IsOwnerDraw()); // the bar stays native
    MEASUREITEMSTRUCT mis{ODT_MENU, 0, exit->Command(), 0, 0, reinterpret_cast<ULONG_PTR>(exit)};
    SendMessageW(wnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
    EXPECT_GT(mis.itemWidth, 20u);
    EXPECT_GE(mis.itemHeight, 16u);
    // Drawn items have no mnemonics of the system's: the form answers the typed key. A hidden
    // item takes no place; "&&" is no mark; several matches are only selected.
    NewItem(form, file, L"Hidden &x")->SetVisible(false);
    NewItem(form, file, L"Save && E&xit");
    NewItem(form, file, L"&Reload");
    NewItem(form, file, L"&Rename");
    const auto menuChar = [&](wchar_t Key) {
        return SendMessageW(wnd, WM_MENUCHAR, MAKEWPARAM(Key, MF_POPUP), reinterpret_cast<LPARAM>(file->Handle()));
    };
    EXPECT_EQ(menuChar(L'X'), MAKELRESULT(1, MNC_EXECUTE));
    EXPECT_EQ(menuChar(L'r'), MAKELRESULT(2, MNC_SELECT));
    EXPECT_EQ(menuChar(L'E'), 0);
    main->SetImages(nullptr);
    form->BeforeDestruction();
    delete form;
}

TEST(Menus, OwnerDrawnItems) {
    TComponent owner(nullptr);
    auto* popup = new TPopupMenu(&owner);
    popup->SetOwnerDraw(true);
    TMenuItem* item = NewItem(&owner, popup->Items(), L"Wide \u0416\u0416\u0416", ShortCut('S', ssCtrl));
    TMenuItem* plain = NewItem(&owner, popup->Items(), L"Wide \u0416\u0416\u0416");

    TBitmap b;
    b.SetSize(220, 24);
    AssignMenuFont(b.Canvas()->Font());
    int w1 = 0, h1 = 0, w2 = 0, h2 = 0;
    plain->MeasureItem(b.Canvas(), w1, h1);
    plain->SetDefault(true);
    AssignMenuFont(b.Canvas()->Font());
    plain->MeasureItem(b.Canvas(), w2, h2);
    EXPECT_GT(w2, w1); // the default item is bold

    auto colours = [&](RECT area) {
        std::set<COLORREF> found;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                found.insert(static_cast<COLORREF>(b.Canvas()->Pixel(x, y)));
        return found;
    };
    // Disabled: embossed in the highlight and shadow colours.
    item->SetEnabled(false);
    AssignMenuFont(b.Canvas()->Font());
    item->AdvancedDrawItem(b.Canvas(), RECT{0, 0, 220, 24}, 0);
    auto all = colours(RECT{0, 0, 220, 24});
    EXPECT_TRUE(all.count(ColorToRGB(clBtnHighlight)));
    EXPECT_TRUE(all.count(ColorToRGB(clBtnShadow)));
    // The shortcut ends 10 pixels from the right edge.
    auto edge = colours(RECT{211, 0, 220, 24});
    EXPECT_EQ(edge.size(), 1u);
    auto inner = colours(RECT{180, 0, 210, 24});
    EXPECT_GT(inner.size(), 1u);

    // A caption's text after a tab stands in the shortcut column, measured and drawn as a shortcut.
    TMenuItem* tabbed = NewItem(&owner, popup->Items(), L"Wide \u0416\u0416\u0416\tCtrl+S");
    item->SetEnabled(true);
    int w3 = 0, h3 = 0, w4 = 0, h4 = 0;
    AssignMenuFont(b.Canvas()->Font());
    item->MeasureItem(b.Canvas(), w3, h3);
    AssignMenuFont(b.Canvas()->Font());
    tabbed->MeasureItem(b.Canvas(), w4, h4);
    EXPECT_EQ(w4, w3);
    // With a shortcut of its own the item shows that in the column (a caption may name the key too).
    tabbed->SetShortCut(ShortCut('S', ssCtrl));
    tabbed->SetCaption(L"Wide \u0416\u0416\u0416\tStrg+S");
    AssignMenuFont(b.Canvas()->Font());
    tabbed->MeasureItem(b.Canvas(), w4, h4);
    EXPECT_EQ(w4, w3);
    tabbed->SetShortCut(scNone);
    tabbed->SetCaption(L"Wide \u0416\u0416\u0416\tCtrl+S");
    AssignMenuFont(b.Canvas()->Font());
    tabbed->AdvancedDrawItem(b.Canvas(), RECT{0, 0, 220, 24}, 0);
    EXPECT_EQ(colours(RECT{211, 0, 220, 24}).size(), 1u);
    EXPECT_GT(colours(RECT{180, 0, 210, 24}).size(), 1u);

    bool custom = false;
    item->OnAdvancedDrawItem = [&](TObject*, TCanvas*, RECT, UINT) { custom = true; };
    item->AdvancedDrawItem(b.Canvas(), RECT{0, 0, 220, 24}, 0);
    EXPECT_TRUE(custom);
}

TEST(Actions, LinkCarriesPropertiesToMenuItemAndControl) {
    TComponent owner(nullptr);
    auto* list = new TActionList(&owner);
    auto* action = new TAction(&owner);
    action->SetActionList(list);
    action->SetCaption(L"&Save \u0416");
    action->SetHint(L"Save|Save the file");
    action->SetShortCut(ShortCut('S', ssCtrl));
    auto* popup = new TPopupMenu(&owner);
    auto* item = new TMenuItem(&owner);
    popup->Items()->Add(item);
    item->SetAction(action);
    auto* control = new TPlainControl(&owner);
    control->SetName(L"Button1");
    SetControlAction(control, action);

    EXPECT_EQ(item->Caption(), L"&Save \u0416");
    EXPECT_EQ(item->ShortCut(), ShortCut('S', ssCtrl));
    EXPECT_EQ(control->Caption(), L"&Save \u0416");
    EXPECT_EQ(control->Hint(), L"Save|Save the file");

    action->SetCaption(L"Save &as");
    action->SetEnabled(false);
    action->SetChecked(true);
    action->SetVisible(false);
    EXPECT_EQ(item->Caption(), L"Save &as");
    EXPECT_FALSE(item->Enabled());
    EXPECT_TRUE(item->Checked());
    EXPECT_FALSE(item->Visible());
    EXPECT_EQ(control->Caption(), L"Save &as");
    EXPECT_FALSE(control->Enabled());
    EXPECT_FALSE(control->Visible());
    action->SetVisible(true);
    action->SetEnabled(true);
    EXPECT_TRUE(NativeState(popup->GetHandle(), item->Command()) & MF_CHECKED);
    EXPECT_EQ(NativeText(popup->GetHandle(), item->Command()), L"Save &as\tCtrl+S");

    // A property the client changed by itself is no longer linked.
    control->SetCaption(L"Mine");
    action->SetCaption(L"Other");
    EXPECT_EQ(control->Caption(), L"Mine");
    // Menu captions stay linked when they differ only in hot keys and case.
    item->SetCaption(L"&OTHER");
    action->SetCaption(L"Third");
    EXPECT_EQ(item->Caption(), L"Third");

    // Clicks run the action with the client as ActionComponent.
    TComponent* by = nullptr;
    int runs = 0;
    action->OnExecute = [&](TObject* s) { ++runs; by = static_cast<TBasicAction*>(s)->ActionComponent(); };
    control->DoClick();
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(by, control);
    SendMessageW(PopupList->Window(), WM_COMMAND, item->Command(), 0);
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(by, item);
    action->SetEnabled(false);
    control->DoClick();
    EXPECT_EQ(runs, 2); // disabled actions do not run
    action->SetEnabled(true);

    // The list's handler comes first; a suspended list runs nothing.
    list->OnExecute = [](TBasicAction*, bool& handled) { handled = true; };
    control->DoClick();
    EXPECT_EQ(runs, 2);
    list->OnExecute = nullptr;
    list->SetState(asSuspended);
    control->DoClick();
    EXPECT_EQ(runs, 2);
    list->SetState(asNormal);
    action->SetShortCut(ShortCut(VK_F2, 0));
    EXPECT_TRUE(list->IsShortCut(ShortCut(VK_F2, 0)));
    EXPECT_EQ(runs, 3);
    EXPECT_TRUE(popup->IsShortCut(ShortCut(VK_F2, 0)));
    EXPECT_EQ(runs, 4);

    // The action goes first: its clients stay, unlinked, and clicks do nothing.
    delete action;
    EXPECT_EQ(item->Action(), nullptr);
    EXPECT_EQ(GetControlAction(control), nullptr);
    control->DoClick();
    EXPECT_EQ(runs, 4);
}

TEST(Actions, CheckDefaultsKeepsWhatTheClientSet) {
    TComponent owner(nullptr);
    auto* action = new TAction(&owner);
    action->SetCaption(L"From action");
    action->SetHint(L"Action hint");
    auto* named = new TPlainControl(&owner);
    named->SetName(L"Button1");
    named->SetCaption(L"Button1");
    named->SetHint(L"Own hint");
    auto* own = new TPlainControl(&owner);
    own->SetCaption(L"Own caption");
    TNotifyEvent mine = [](TObject*) {};
    own->OnClick = mine;
    SetControlAction(named, action);
    SetControlAction(own, action);
    named->SetCaption(L"Button1");
    named->SetHint(L"Own hint");
    own->SetCaption(L"Own caption");

    GetControlActionLink(named)->ActionChange(true);
    GetControlActionLink(own)->ActionChange(true);
    EXPECT_EQ(named->Caption(), L"From action"); // the caption equalled the name
    EXPECT_EQ(named->Hint(), L"Own hint");
    EXPECT_EQ(own->Caption(), L"Own caption");
    GetControlActionLink(own)->ActionChange(false);
    EXPECT_EQ(own->Caption(), L"From action");
    EXPECT_EQ(own->Hint(), L"Action hint");

    // Group checking inside one list.
    TActionList list(nullptr);
    auto* a = new TAction(&owner);
    auto* b = new TAction(&owner);
    a->SetActionList(&list);
    b->SetActionList(&list);
    a->SetGroupIndex(3);
    b->SetGroupIndex(3);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    TAction copy(nullptr);
    copy.Assign(action);
    EXPECT_EQ(copy.Caption(), L"From action");
}

TEST(Actions, UpdateRunsWhenTheApplicationIsIdle) {
    Watchdog dog(20000, "idle update");
    TComponent owner(nullptr);
    auto* action = new TAction(&owner);
    auto* popup = new TPopupMenu(&owner);
    auto* item = new TMenuItem(&owner);
    popup->Items()->Add(item);
    item->SetAction(action);
    int updates = 0;
    action->OnUpdate = [&](TObject*) {
        ++updates;
        action->SetEnabled(false);
        PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0); // ends the idle wait
    };
    Application->ProcessMessages();
    Application->HandleMessage(); // nothing queued: idle
    EXPECT_GE(updates, 1);
    EXPECT_FALSE(item->Enabled());
    Application->ProcessMessages();

    // An unlinked action is not updated.
    item->SetAction(nullptr);
    int before = updates;
    UpdateLinkedActions();
    EXPECT_EQ(updates, before);
}

TEST(Menus, ShortcutKeysReachTheFormsMenuAndActionLists) {
    Watchdog dog(20000, "shortcut keys");
    auto* form = new TForm(nullptr);
    form->SetBounds(10, 10, 240, 160);
    auto* edit = new TTestEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 100, 21);
    auto* main = new TMainMenu(form);
    TMenuItem* file = NewItem(form, main->Items(), L"File");
    TMenuItem* find = NewItem(form, file, L"Find", ShortCut(VK_F7, 0));
    int finds = 0;
    find->OnClick = [&](TObject*) { ++finds; };
    form->SetMenu(main);
    auto* list = new TActionList(form);
    auto* action = new TAction(form);
    action->SetActionList(list);
    action->SetShortCut(ShortCut(VK_F8, 0));
    int runs = 0;
    action->OnExecute = [&](TObject*) { ++runs; };
    form->Show();
    edit->SetFocus();
    PumpUntil([&] { return GetFocus() == edit->Handle(); }, 2000);

    PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F7, 1);
    PumpUntil([&] { return finds == 1; }, 2000);
    EXPECT_EQ(finds, 1);
    PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F8, 1);
    PumpUntil([&] { return runs == 1; }, 2000);
    EXPECT_EQ(runs, 1);
    // A key nobody claims goes on to the control; a disabled item takes no key.
    PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F9, 1);
    find->SetEnabled(false);
    PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F7, 1);
    PumpFor(100);
    EXPECT_EQ(finds, 1);
    EXPECT_EQ(runs, 1);
    // The form's own handler comes first and can take the key.
    form->OnShortCut = [&](WORD key, TShiftState, bool& handled) { handled = key == VK_F8; };
    PostMessageW(edit->Handle(), WM_KEYDOWN, VK_F8, 1);
    PumpFor(100);
    EXPECT_EQ(runs, 1);
    form->Hide();
    form->BeforeDestruction();
    delete form;
}

namespace {

// Whether the state a running handler captured is still there (a handler's captures die with
// the handler object when the item that holds it is freed).
bool g_CaptureAlive = false;
bool g_CaptureAliveAfterFree = false;

std::shared_ptr<int> CaptureToken() {
    g_CaptureAlive = true;
    return std::shared_ptr<int>(new int(0), [](int* p) {
        delete p;
        g_CaptureAlive = false;
    });
}

// Counts the updates of items that are still in the menu.
class TCountingItem : public TMenuItem {
public:
    VORLANE_CLASS_NAME(TCountingItem)
    using TMenuItem::TMenuItem;
    static inline std::set<const TMenuItem*> Freed;
    static inline int UpdatesOfFreed = 0;
    ~TCountingItem() override { Freed.insert(this); }
    void InitiateAction() override {
        if (Freed.count(this))
            ++UpdatesOfFreed;
        TMenuItem::InitiateAction();
    }
};

} // namespace

TEST(Menus, ItemsFreedByTheirOwnHandlers) {
    Watchdog dog(20000, "freed items");
    TCountingItem::Freed.clear();
    TCountingItem::UpdatesOfFreed = 0;
    TComponent owner(nullptr);
    auto* popup = new TPopupMenu(&owner);
    TMenuItem* recent = NewItem(&owner, popup->Items(), L"Recent");
    TMenuItem* file = NewItem(&owner, recent, L"a.chm");

    // A click that rebuilds the list the clicked item is in: the running handler keeps its state.
    {
        auto token = CaptureToken();
        file->OnClick = [token, recent](TObject*) {
            recent->Clear();
            g_CaptureAliveAfterFree = g_CaptureAlive;
        };
    }
    EXPECT_TRUE(popup->DispatchCommand(file->Command()));
    EXPECT_TRUE(g_CaptureAliveAfterFree);
    EXPECT_FALSE(g_CaptureAlive); // and lets it go when done
    EXPECT_EQ(recent->Count(), 0);

    // A submenu whose opening handler frees the submenu item itself.
    NewItem(&owner, recent, L"b.chm");
    HMENU sub = recent->Handle();
    {
        auto token = CaptureToken();
        recent->OnClick = [token, popup](TObject*) {
            popup->Items()->Clear();
            g_CaptureAliveAfterFree = g_CaptureAlive;
        };
    }
    g_CaptureAliveAfterFree = false;
    EXPECT_TRUE(popup->DispatchPopup(sub));
    EXPECT_TRUE(g_CaptureAliveAfterFree);
    EXPECT_EQ(popup->Items()->Count(), 0);

    // An update that frees later items: those are not updated any more.
    auto* action = new TAction(&owner);
    auto* first = new TCountingItem(&owner);
    popup->Items()->Add(first);
    first->SetAction(action);
    for (int i = 0; i < 3; ++i)
        popup->Items()->Add(new TCountingItem(&owner));
    action->OnUpdate = [popup](TObject*) {
        while (popup->Items()->Count() > 1)
            popup->Items()->Delete(1);
    };
    TCountingItem::UpdatesOfFreed = 0;
    UINT_PTR timer = SetTimer(nullptr, 0, 150, CloseMenuSoon);
    popup->Popup(100, 100);
    KillTimer(nullptr, timer);
    EXPECT_EQ(TCountingItem::UpdatesOfFreed, 0);
    EXPECT_EQ(popup->Items()->Count(), 1);
}
