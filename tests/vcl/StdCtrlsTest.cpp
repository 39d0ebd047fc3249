#include "VclTestSupport.h"

#include "ExtCtrls.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vcltest;

namespace {

// A form with its window made, as the controls' parent.
struct TFormFixture {
    TForm Form{nullptr};
    TFormFixture() {
        Form.SetBounds(40, 40, 420, 320);
        Form.HandleNeeded();
    }
    template <class T>
    T* Add(int X, int Y, int W, int H) {
        auto* c = new T(&Form);
        c->SetParent(&Form);
        c->SetBounds(X, Y, W, H);
        return c;
    }
};

struct TKeep : TObject {};

// An owner-drawn combo box whose lines are objects without texts; it notes the lines the
// combo box reports as deleted.
class TObjectCombo : public TCustomComboBox {
public:
    VORLANE_CLASS_NAME(TObjectCombo)
    explicit TObjectCombo(TComponent* AOwner) : TCustomComboBox(AOwner) {
        SetStyle(csOwnerDrawFixed);
        SetItemsWithoutStrings(true);
    }
    std::vector<std::pair<int, TObject*>> Deleted;
    using TCustomComboBox::DetachItemObjects;

protected:
    void ItemDeleted(int Index, TObject* Object) override { Deleted.push_back({Index, Object}); }
};

// An owner-drawn combo box that notes the colour its items are given to draw with.
class TColourNotingCombo : public TComboBox {
public:
    VORLANE_CLASS_NAME(TColourNotingCombo)
    explicit TColourNotingCombo(TComponent* AOwner) : TComboBox(AOwner) { SetStyle(csOwnerDrawFixed); }
    TColor Drawn = clNone;

protected:
    void DrawItem(int, const RECT&, TOwnerDrawState) override { Drawn = Canvas()->Font()->Color(); }
};

} // namespace

// A dark form's light font colour reaches its children; where a child keeps the system's
// white background the system window-text colour is painted instead, until a colour is set on
// that child itself. Sizes and names still come from the parent.
TEST(StdCtrls, TextOnTheSystemWindowColourStaysReadableUnderAParentsLightFont) {
    Watchdog w(10000);
    TFormFixture f;
    const COLORREF light = RGB(0xEA, 0xF4, 0xFF), windowText = GetSysColor(COLOR_WINDOWTEXT);
    f.Form.SetColor(RGB(0x21, 0x4E, 0x7A));
    f.Form.Font()->SetColor(light);
    auto* panel = f.Add<TPanel>(0, 0, 400, 100);
    auto* edit = new TEdit(&f.Form);
    edit->SetParent(panel);
    auto* memo = f.Add<TMemo>(10, 110, 100, 50);
    auto* list = f.Add<TListBox>(120, 110, 100, 50);
    auto* combo = f.Add<TComboBox>(230, 110, 100, 21);
    combo->SetStyle(csDropDownList);
    auto* drawn = f.Add<TColourNotingCombo>(230, 140, 100, 21);
    drawn->AddItem(L"one");
    auto* check = f.Add<TCheckBox>(10, 170, 100, 17);
    check->SetParentColor(true);
    auto* tinted = f.Add<TEdit>(120, 170, 100, 21);
    tinted->SetColor(RGB(0x44, 0x58, 0x7C));

    EXPECT_EQ(edit->Font()->Color(), light);
    EXPECT_EQ(PaintedTextColour(edit, WM_CTLCOLOREDIT), windowText);
    EXPECT_EQ(PaintedTextColour(edit, WM_CTLCOLORSTATIC), windowText); // read-only look
    EXPECT_EQ(PaintedTextColour(memo, WM_CTLCOLOREDIT), windowText);
    EXPECT_EQ(PaintedTextColour(list, WM_CTLCOLORLISTBOX), windowText);
    EXPECT_EQ(PaintedTextColour(combo, WM_CTLCOLOREDIT), windowText);
    HDC dc = GetDC(drawn->Handle());
    DRAWITEMSTRUCT item{ODT_COMBOBOX, 0, 0, ODA_DRAWENTIRE, 0, drawn->Handle(), dc, {0, 0, 100, 16}, 0};
    SendMessageW(f.Form.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item));
    ReleaseDC(drawn->Handle(), dc);
    EXPECT_EQ(drawn->Drawn, clWindowText);
    // Controls on the form's own colour, or on one of their own, follow the form's font.
    EXPECT_EQ(PaintedTextColour(check, WM_CTLCOLORSTATIC), light);
    EXPECT_EQ(PaintedTextColour(tinted, WM_CTLCOLOREDIT), light);

    // A size of its own leaves the colour the parent's.
    f.Form.Font()->SetSize(14);
    EXPECT_EQ(edit->Font()->Size(), 14);
    memo->Font()->SetSize(9);
    EXPECT_FALSE(memo->ParentFont());
    EXPECT_EQ(PaintedTextColour(memo, WM_CTLCOLOREDIT), windowText);
    // A colour of its own is painted as set, whatever the parent does next; taking the parent's
    // font again brings the rule back.
    edit->Font()->SetColor(clRed);
    f.Form.Font()->SetColor(RGB(0x18, 0x1D, 0x29));
    EXPECT_EQ(PaintedTextColour(edit, WM_CTLCOLOREDIT), RGB(255, 0, 0));
    edit->SetParentFont(true);
    EXPECT_EQ(edit->Font()->Color(), RGB(0x18, 0x1D, 0x29));
    EXPECT_EQ(PaintedTextColour(edit, WM_CTLCOLOREDIT), windowText);
}

TEST(StdCtrls, ComboBoxKeepsItemsSelectionAndTextAcrossRecreation) {
    Watchdog w(10000);
    TFormFixture f;
    auto* combo = f.Add<TComboBox>(10, 10, 150, 21);
    TKeep a, b;
    combo->AddItem(L"Alpha \u0416", &a);
    combo->AddItem(L"Beta \u4e2d", &b);
    combo->AddItem(L"Gamma");
    combo->SetItemIndex(1);
    combo->SetText(L"typed \u00e9"); // the edit's own text, not an item
    HWND before = combo->Handle();
    combo->RecreateWnd();
    EXPECT_NE(combo->Handle(), before);
    ASSERT_EQ(combo->ItemCount(), 3);
    EXPECT_EQ(combo->ItemText(0), L"Alpha \u0416");
    EXPECT_EQ(combo->ItemObject(0), &a);
    EXPECT_EQ(combo->ItemObject(1), &b);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->GetText(), L"typed \u00e9");
    // A style change re-creates the window too; the list style shows the selected item.
    combo->SetStyle(csDropDownList);
    EXPECT_EQ(combo->ItemCount(), 3);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->GetText(), L"Beta \u4e2d");
    EXPECT_EQ(combo->EditHandle(), nullptr);
    // The parent's re-creation takes the combo box's window with it.
    f.Form.RecreateWnd();
    EXPECT_EQ(combo->ItemCount(), 3);
    EXPECT_EQ(combo->ItemIndex(), 1);
}

TEST(StdCtrls, ComboBoxItemsWithoutAWindowAreKeptUntilItIsMade) {
    Watchdog w(10000);
    TComboBox combo(nullptr);
    combo.SetSorted(true);
    combo.AddItem(L"pear");
    combo.AddItem(L"Apple");
    combo.AddItem(L"fig");
    combo.SetItemIndex(2);
    EXPECT_EQ(combo.ItemText(0), L"Apple");
    EXPECT_EQ(combo.IndexOfItem(L"FIG"), 1);
    EXPECT_EQ(combo.ItemText(7), L"");
    TFormFixture f;
    combo.SetParent(&f.Form);
    combo.HandleNeeded();
    EXPECT_EQ(combo.ItemCount(), 3);
    EXPECT_EQ(combo.ItemText(2), L"pear");
    EXPECT_EQ(combo.ItemIndex(), 2);
    EXPECT_EQ(combo.ItemText(-1), L"");
    combo.SetParent(nullptr);
}

TEST(StdCtrls, ComboBoxLinesWithoutStringsKeepTheirObjectsAcrossRecreation) {
    Watchdog w(10000);
    TKeep a, b, c, d;
    TObjectCombo loose(nullptr); // no window: the lines are kept, deletions reported here
    loose.AddItem(L"", &a);
    loose.AddItem(L"", &b);
    loose.DeleteItem(0);
    loose.ClearItems();
    using Rows = std::vector<std::pair<int, TObject*>>;
    EXPECT_EQ(loose.Deleted, (Rows{{0, &a}, {0, &b}}));

    TFormFixture f;
    auto* combo = f.Add<TObjectCombo>(10, 10, 150, 21);
    for (TKeep* k : {&a, &b, &c})
        combo->AddItem(L"ignored", k);
    EXPECT_EQ(GetWindowLongW(combo->Handle(), GWL_STYLE) & CBS_HASSTRINGS, 0);
    EXPECT_EQ(static_cast<TObject*>(reinterpret_cast<TKeep*>(SendMessageW(combo->Handle(), CB_GETITEMDATA, 1, 0))), &b);
    EXPECT_EQ(combo->ItemText(1), L"");
    EXPECT_EQ(combo->IndexOfItem(L""), -1);
    combo->SetItemText(1, L"x"); // no texts: nothing is deleted and inserted again
    combo->InsertItem(1, L"", &d);
    combo->SetItemIndex(2);

    // Re-creating the window (its own or the parent's) deletes every line in the old one:
    // none of that is reported, and the new window has the same lines.
    combo->RecreateWnd();
    f.Form.RecreateWnd();
    EXPECT_TRUE(combo->Deleted.empty());
    ASSERT_EQ(combo->ItemCount(), 4);
    EXPECT_EQ(combo->ItemObject(0), &a);
    EXPECT_EQ(combo->ItemObject(1), &d);
    EXPECT_EQ(combo->ItemObject(3), &c);
    EXPECT_EQ(combo->ItemIndex(), 2);

    combo->DeleteItem(1);
    EXPECT_EQ(combo->Deleted, (Rows{{1, &d}}));
    // Detached objects leave null lines behind, which a later clear reports as such.
    EXPECT_EQ(combo->DetachItemObjects(), (std::vector<TObject*>{&a, &b, &c}));
    EXPECT_EQ(combo->ItemCount(), 3);
    combo->Deleted.clear();
    combo->ClearItems();
    ASSERT_EQ(combo->Deleted.size(), 3u);
    for (const auto& row : combo->Deleted)
        EXPECT_EQ(row.second, nullptr);
}

TEST(StdCtrls, DropDownListIncrementalSearchRestartsAfterThePause) {
    Watchdog w(10000);
    TFormFixture f;
    auto* combo = f.Add<TComboBox>(10, 10, 150, 21);
    combo->SetStyle(csDropDownList);
    for (const wchar_t* s : {L"apple", L"abacus", L"abc", L"banana", L"\u0436\u0443\u043a"})
        combo->AddItem(s);
    uint32_t now = 100000;
    combo->SearchClock = [&] { return now; };
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    auto type = [&](wchar_t c) { SendMessageW(combo->Handle(), WM_CHAR, c, 1); };
    type(L'a');
    EXPECT_EQ(combo->ItemIndex(), 0);
    now += 1249;
    type(L'b');
    EXPECT_EQ(combo->ItemText(combo->ItemIndex()), L"abacus");
    now += 10;
    type(L'c');
    EXPECT_EQ(combo->ItemText(combo->ItemIndex()), L"abc");
    EXPECT_EQ(combo->SearchText(), L"abc");
    EXPECT_EQ(changes, 3);
    // After the pause 'b' starts a new search instead of extending "abc".
    now += 1250;
    type(L'b');
    EXPECT_EQ(combo->ItemText(combo->ItemIndex()), L"banana");
    EXPECT_EQ(combo->SearchText(), L"b");
    type(VK_BACK);
    EXPECT_EQ(combo->SearchText(), L"");
    now += 5000;
    type(L'\u0436');
    EXPECT_EQ(combo->ItemIndex(), 4);
}

TEST(StdCtrls, ComboBoxAutoCompleteKeepsTheTypedCase) {
    Watchdog w(10000);
    TFormFixture f;
    auto* combo = f.Add<TComboBox>(10, 10, 150, 21);
    combo->AddItem(L"Alpha");
    combo->AddItem(L"Alphabet");
    combo->AddItem(L"Beta");
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    ASSERT_NE(combo->EditHandle(), nullptr);
    auto type = [&](wchar_t c) { SendMessageW(combo->EditHandle(), WM_CHAR, c, 1); };
    type(L'a');
    type(L'l');
    EXPECT_EQ(combo->GetText(), L"alpha");
    EXPECT_EQ(combo->SelStart(), 2);
    EXPECT_EQ(combo->SelText(), L"pha");
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_GE(changes, 1);
    // No item starts so: the key reaches the edit unchanged.
    type(L'x');
    EXPECT_EQ(combo->GetText(), L"alx");
    // Keys typed in the middle of the text are not completed.
    combo->SetText(L"Be");
    combo->SetSelStart(0);
    type(L'z');
    EXPECT_EQ(combo->GetText(), L"zBe");
    combo->AutoComplete = false;
    combo->SetText(L"");
    type(L'b');
    EXPECT_EQ(combo->GetText(), L"b");
}

TEST(StdCtrls, ComboBoxKeyEventsAndEnterInAnOpenList) {
    Watchdog w(10000);
    TFormFixture f;
    f.Form.Show();
    auto* combo = f.Add<TComboBox>(10, 10, 150, 21);
    combo->AddItem(L"one");
    combo->AddItem(L"two");
    std::wstring pressed;
    combo->OnKeyPress = [&](TObject*, wchar_t& Key) {
        pressed += Key;
        if (Key == L'!')
            Key = 0; // swallowed
    };
    SendMessageW(combo->EditHandle(), WM_CHAR, L'q', 1);
    SendMessageW(combo->EditHandle(), WM_CHAR, L'!', 1);
    EXPECT_EQ(pressed, L"q!");
    EXPECT_EQ(combo->GetText(), L"q");
    combo->SetDroppedDown(true);
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_EQ(combo->Perform(CM_WANTSPECIALKEY, VK_RETURN), 1);
    SendMessageW(combo->EditHandle(), WM_CHAR, VK_RETURN, 1);
    EXPECT_FALSE(combo->DroppedDown());
    EXPECT_EQ(combo->Perform(CM_WANTSPECIALKEY, VK_RETURN), 0);
    f.Form.Hide();
}

TEST(StdCtrls, ListBoxKeepsItemsTopIndexAndSelectionAcrossRecreation) {
    Watchdog w(10000);
    TFormFixture f;
    auto* list = f.Add<TListBox>(10, 10, 150, 60);
    TKeep k;
    for (int i = 0; i < 30; ++i)
        list->AddItem(L"item \u0416" + std::to_wstring(i), i == 7 ? &k : nullptr);
    list->SetTopIndex(5);
    list->SetItemIndex(7);
    list->RecreateWnd();
    ASSERT_EQ(list->ItemCount(), 30);
    EXPECT_EQ(list->ItemText(29), L"item \u041629");
    EXPECT_EQ(list->ItemObject(7), &k);
    EXPECT_EQ(list->TopIndex(), 5);
    EXPECT_EQ(list->ItemIndex(), 7);
    // Multi-select: each item keeps its own selection.
    list->SetMultiSelect(true);
    EXPECT_TRUE(list->Selected(7));
    list->SetSelected(3, true);
    list->SetSelected(20, true);
    f.Form.RecreateWnd();
    EXPECT_EQ(list->SelCount(), 3);
    EXPECT_TRUE(list->Selected(3));
    EXPECT_TRUE(list->Selected(20));
    EXPECT_FALSE(list->Selected(4));
    try {
        list->ItemText(30);
        FAIL() << "no error for a bad index";
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), L"List index out of bounds (30)");
    }
}

TEST(StdCtrls, ListBoxExchangeAndMoveKeepTheSelection) {
    Watchdog w(10000);
    TFormFixture f;
    auto* list = f.Add<TListBox>(10, 10, 150, 120);
    for (const wchar_t* s : {L"a", L"b", L"c", L"d", L"e"})
        list->AddItem(s);
    list->SetItemIndex(1); // "b"
    list->ExchangeItems(1, 3);
    EXPECT_EQ(list->ItemText(1), L"d");
    EXPECT_EQ(list->ItemText(3), L"b");
    EXPECT_EQ(list->ItemIndex(), 3);
    list->MoveItem(3, 0); // the selected item moves to the top
    EXPECT_EQ(list->ItemText(0), L"b");
    EXPECT_EQ(list->ItemIndex(), 0);
    list->MoveItem(4, 1); // another item passes the selected one: it stays on "b"
    EXPECT_EQ(list->ItemText(1), L"e");
    EXPECT_EQ(list->ItemIndex(), 0);
    list->MoveItem(0, 4);
    EXPECT_EQ(list->ItemText(4), L"b");
    EXPECT_EQ(list->ItemIndex(), 4);

    list->SetMultiSelect(true);
    list->ClearSelection();
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    std::wstring first = list->ItemText(0), third = list->ItemText(2), second = list->ItemText(1);
    list->ExchangeItems(0, 1);
    EXPECT_EQ(list->ItemText(1), first);
    EXPECT_TRUE(list->Selected(1));
    EXPECT_FALSE(list->Selected(0));
    list->MoveItem(2, 4);
    EXPECT_EQ(list->ItemText(4), third);
    EXPECT_TRUE(list->Selected(4));
    EXPECT_FALSE(list->Selected(2));
    EXPECT_EQ(list->SelCount(), 2);
    EXPECT_THROW(list->ExchangeItems(0, 9), EListError);
}

TEST(StdCtrls, VirtualListBoxAsksForItsTexts) {
    Watchdog w(10000);
    TFormFixture f;
    auto* list = f.Add<TListBox>(10, 10, 150, 120);
    list->SetStyle(lbVirtual);
    list->SetCount(1000);
    EXPECT_THROW(list->ItemText(3), EListError); // no data event: the window answers LB_ERR
    list->OnData = [](TWinControl*, int Index, std::wstring& Data) { Data = L"row \u4e2d" + std::to_wstring(Index); };
    EXPECT_EQ(list->ItemCount(), 1000);
    EXPECT_EQ(list->ItemText(999), L"row \u4e2d999");
    list->RecreateWnd();
    EXPECT_EQ(list->ItemCount(), 1000);
}

TEST(StdCtrls, EditPasswordCharAboveLatin1AndSelection) {
    Watchdog w(10000);
    TFormFixture f;
    auto* edit = f.Add<TEdit>(10, 10, 150, 21);
    edit->SetPasswordChar(L'\u25CF');
    EXPECT_EQ(SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), 0x25CF);
    edit->RecreateWnd();
    EXPECT_EQ(SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), 0x25CF);
    EXPECT_TRUE(GetWindowLongW(edit->Handle(), GWL_STYLE) & ES_PASSWORD);
    edit->SetPasswordChar(0);
    EXPECT_EQ(SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), 0);

    edit->SetText(L"\u4e2d\u6587 text");
    edit->SetSelStart(1);
    edit->SetSelLength(3);
    EXPECT_EQ(edit->SelText(), L"\u6587 t");
    edit->SetSelText(L"\u0416");
    EXPECT_EQ(edit->GetText(), L"\u4e2d\u0416ext");
    EXPECT_TRUE(edit->Modified());
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText(L"x");
    EXPECT_EQ(changes, 1);
    edit->SetMaxLength(3);
    edit->SetModified(false);
    edit->RecreateWnd();
    EXPECT_EQ(SendMessageW(edit->Handle(), EM_GETLIMITTEXT, 0, 0), 3);
    EXPECT_FALSE(edit->Modified());
}

TEST(StdCtrls, MemoReturnsAndTabsFollowItsSwitches) {
    Watchdog w(10000);
    TFormFixture f;
    auto* memo = f.Add<TMemo>(10, 10, 200, 100);
    EXPECT_TRUE(memo->Perform(WM_GETDLGCODE) & DLGC_WANTALLKEYS);
    EXPECT_FALSE(memo->Perform(WM_GETDLGCODE) & DLGC_WANTTAB);
    memo->WantReturns = false;
    memo->WantTabs = true;
    EXPECT_FALSE(memo->Perform(WM_GETDLGCODE) & DLGC_WANTALLKEYS);
    EXPECT_TRUE(memo->Perform(WM_GETDLGCODE) & DLGC_WANTTAB);
    memo->SetText(L"one\r\ntwo\r\nthree");
    EXPECT_EQ(memo->LineCount(), 3);
}

TEST(StdCtrls, CheckBoxStatesAndClicks) {
    Watchdog w(10000);
    TFormFixture f;
    auto* box = f.Add<TCheckBox>(10, 10, 150, 17);
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    box->SetChecked(true);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    box->SetChecked(true); // no change, no click
    EXPECT_EQ(clicks, 1);
    // A click of the system button toggles through the control.
    SendMessageW(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(box->State(), cbUnchecked);
    EXPECT_EQ(clicks, 2);
    box->AllowGrayed = true;
    box->Toggle();
    EXPECT_EQ(box->State(), cbGrayed);
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    box->Toggle();
    EXPECT_EQ(box->State(), cbChecked);
    box->RecreateWnd();
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);

    auto* r1 = f.Add<TRadioButton>(10, 40, 100, 17);
    auto* r2 = f.Add<TRadioButton>(10, 60, 100, 17);
    r1->SetChecked(true);
    r2->SetChecked(true);
    EXPECT_FALSE(r1->Checked());
    EXPECT_EQ(SendMessageW(r1->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST(StdCtrls, AltLetterReachesTheControlWhoseCaptionHasIt) {
    Watchdog w(15000);
    TFormFixture f;
    auto* edit = f.Add<TEdit>(100, 10, 100, 21);
    auto* other = f.Add<TEdit>(100, 40, 100, 21);
    auto* label = f.Add<TLabel>(10, 10, 80, 17);
    label->SetCaption(L"&Name");
    label->SetFocusControl(other);
    auto* button = f.Add<TButton>(10, 100, 120, 25);
    button->SetCaption(L"Fish && &Chips");
    int clicks = 0;
    button->OnClick = [&](TObject*) { ++clicks; };
    auto* box = f.Add<TCheckBox>(10, 140, 120, 17);
    box->SetCaption(L"&\u0416ump");
    auto* group = f.Add<TGroupBox>(200, 100, 150, 100);
    group->SetCaption(L"&Group");
    auto* inner = new TEdit(&f.Form);
    inner->SetParent(group);
    inner->SetBounds(10, 30, 100, 21);
    f.Form.Show();
    edit->SetFocus();
    PumpUntil([&] { return GetFocus() == edit->Handle(); }, 2000);
    auto alt = [&](wchar_t c) {
        PostMessageW(GetFocus(), WM_SYSCHAR, c, 0x20000001);
        PumpFor(30);
    };
    alt(L'c'); // case ignored
    EXPECT_EQ(clicks, 1);
    alt(L'&'); // "&&" is no hot key
    EXPECT_EQ(clicks, 1);
    alt(L'N');
    EXPECT_EQ(GetFocus(), other->Handle());
    alt(L'\u0436');
    EXPECT_EQ(GetFocus(), box->Handle());
    EXPECT_TRUE(box->Checked());
    alt(L'g');
    EXPECT_EQ(GetFocus(), inner->Handle());
    // A disabled label gives no focus.
    label->SetEnabled(false);
    alt(L'n');
    EXPECT_EQ(GetFocus(), inner->Handle());
    f.Form.Hide();
}

TEST(StdCtrls, LabelSizesItselfToItsCaption) {
    Watchdog w(10000);
    TFormFixture f;
    auto* label = f.Add<TLabel>(10, 10, 5, 5);
    label->SetCaption(L"x");
    label->SetCaption(L"");
    int lineHeight = label->Height();
    EXPECT_GT(lineHeight, 5); // an empty caption still takes one line
    label->SetCaption(L"a rather long caption \u4e2d\u6587");
    EXPECT_GT(label->Width(), 60);
    EXPECT_EQ(label->Height(), lineHeight);
    label->SetCaption(L"&");
    EXPECT_EQ(label->Height(), lineHeight);
    label->SetShowAccelChar(false); // now a visible '&'
    EXPECT_GT(label->Width(), 0);
    // Word wrap keeps the width and grows downwards.
    label->SetCaption(L"one two three four five six seven eight");
    label->SetWordWrap(true);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 60, 20);
    label->SetAutoSize(true);
    EXPECT_LE(label->Width(), 60);
    EXPECT_GT(label->Height(), 2 * lineHeight);
    // Right-aligned labels keep their right edge.
    auto* right = f.Add<TLabel>(100, 50, 100, 17);
    right->SetAlignment(taRightJustify);
    right->SetCaption(L"x");
    EXPECT_EQ(right->Left() + right->Width(), 200);
}

// A label's letters end where the width it measured for them ends: an underlined label (a
// link) has its underline and its own edge there, left to right and right to left, and a line
// of figures does not run past it (some fonts draw letters narrower and figures wider than
// they measure).
TEST(StdCtrls, ALabelsLettersEndWhereItsMeasuredWidthEnds) {
    Watchdog w(10000);
    TFormFixture f;
    f.Form.SetColor(clWhite);
    f.Form.Show();
    for (TBiDiMode mode : {bdLeftToRight, bdRightToLeft}) {
        SCOPED_TRACE(mode);
        auto* link = f.Add<TLabel>(10, 10, 300, 17);
        link->SetBiDiMode(mode);
        link->Font()->SetName(L"Tahoma"); // at 8 points it draws narrower than it measures here
        link->Font()->SetSize(8);
        link->Font()->SetStyle(fsUnderline);
        link->SetCaption(L"Select a catalog:"); // the colon goes to the left right to left
        link->Update();
        // The rows of the label: the underline is the one with ink all along.
        HDC dc = GetDC(f.Form.Handle());
        int letters = -1, underline = -1, widest = 0;
        for (int y = link->Top(); y < link->Top() + link->Height(); ++y) {
            int count = 0, right = -1;
            for (int x = link->Left(); x < link->Left() + link->Width() + 40; ++x)
                if (GetPixel(dc, x, y) != RGB(255, 255, 255)) {
                    ++count;
                    right = x;
                }
            if (count > widest) {
                widest = count;
                letters = std::max(letters, underline);
                underline = right;
            } else {
                letters = std::max(letters, right);
            }
        }
        ReleaseDC(f.Form.Handle(), dc);
        EXPECT_LE(underline - letters, 2) << "letters end at " << letters << ", underline at " << underline;
        EXPECT_LE(std::abs(link->Left() + link->Width() - 1 - underline), 1) << "label ends at "
                                                                             << link->Left() + link->Width();
        delete link;
    }
    auto* figures = f.Add<TLabel>(10, 40, 300, 17);
    figures->Font()->SetName(L"Tahoma");
    figures->Font()->SetSize(8);
    figures->SetCaption(L"0.1.0.0");
    const int measured = figures->Width();
    figures->SetAutoSize(false);
    figures->SetWidth(300);
    figures->Update();
    HDC dc = GetDC(f.Form.Handle());
    int right = -1;
    for (int y = figures->Top(); y < figures->Top() + figures->Height(); ++y)
        for (int x = figures->Left(); x < figures->Left() + 100; ++x)
            if (GetPixel(dc, x, y) != RGB(255, 255, 255))
                right = std::max(right, x);
    ReleaseDC(f.Form.Handle(), dc);
    EXPECT_LT(right, figures->Left() + measured);
    f.Form.Hide();
}

TEST(StdCtrls, ButtonClickGivesItsModalResultToTheForm) {
    Watchdog w(10000);
    TFormFixture f;
    auto* ok = f.Add<TButton>(10, 10, 75, 25);
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    auto* other = f.Add<TButton>(100, 10, 75, 25);
    other->SetCancel(true);
    other->SetModalResult(mrCancel);
    EXPECT_TRUE(GetWindowLongW(ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);
    SendMessageW(ok->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(f.Form.ModalResult(), mrOk);
    f.Form.SetModalResult(mrNone);
    EXPECT_EQ(f.Form.Perform(CM_DIALOGKEY, VK_ESCAPE), 1);
    EXPECT_EQ(f.Form.ModalResult(), mrCancel);
    f.Form.SetModalResult(mrNone);
    EXPECT_EQ(f.Form.Perform(CM_DIALOGKEY, VK_RETURN), 1);
    EXPECT_EQ(f.Form.ModalResult(), mrOk);
    // While another button is the active control, Enter is its own.
    f.Form.SetActiveControl(other);
    f.Form.SetModalResult(mrNone);
    f.Form.Perform(CM_DIALOGKEY, VK_RETURN);
    EXPECT_EQ(f.Form.ModalResult(), mrCancel);
}
