#include "../../vcl/VclTestSupport.h"

#include "TntClipbrd.h"
#include "TntExtCtrls.h"
#include "TntForms.h"
#include "TntStdCtrls.h"

#include <gtest/gtest.h>

using namespace vcltest;

namespace {

std::wstring ClassOf(HWND wnd) {
    wchar_t buf[128] = {};
    GetClassNameW(wnd, buf, 128);
    return buf;
}

struct TFormFixture {
    TTntForm Form{nullptr};
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

} // namespace

TEST(TntStdCtrls, MemoLinesReadWriteAndInsertPastTheEnd) {
    Watchdog w(10000);
    TFormFixture f;
    auto* memo = f.Add<TTntMemo>(10, 10, 300, 200);
    EXPECT_EQ(ClassOf(memo->Handle()), L"TTntMemo.UnicodeClass");
    TTntMemoStrings* lines = memo->Lines();
    lines->SetText(L"\u0416one\ntwo\r\nthree");
    EXPECT_EQ(memo->GetText(), L"\u0416one\r\ntwo\r\nthree");
    ASSERT_EQ(lines->Count(), 3);
    EXPECT_EQ(lines->Strings(0), L"\u0416one");
    EXPECT_EQ(lines->Strings(2), L"three");
    EXPECT_EQ(lines->Strings(9), L"");
    lines->SetStrings(1, L"\u4e2d");
    EXPECT_EQ(memo->GetText(), L"\u0416one\r\n\u4e2d\r\nthree");
    // Past the end: appended after a last line that has text.
    lines->Insert(3, L"four");
    EXPECT_EQ(memo->GetText(), L"\u0416one\r\n\u4e2d\r\nthree\r\nfour");
    lines->Insert(9, L"never"); // neither line 9 nor line 8 exists
    EXPECT_EQ(lines->Count(), 4);
    lines->Insert(0, L"zero");
    EXPECT_EQ(lines->Strings(0), L"zero");
    lines->Delete(1);
    EXPECT_EQ(memo->GetText(), L"zero\r\n\u4e2d\r\nthree\r\nfour");
    // A final line break: the empty line after it is not counted, and an insertion there
    // goes before it.
    memo->SetText(L"a\r\nb\r\n");
    EXPECT_EQ(lines->Count(), 2);
    lines->Add(L"c");
    EXPECT_EQ(memo->GetText(), L"a\r\nb\r\nc\r\n");
    // An empty last line takes nothing past the end.
    memo->SetText(L"a\r\n\r\n");
    lines->Insert(3, L"x");
    EXPECT_EQ(memo->GetText(), L"a\r\n\r\n");
    lines->Clear();
    EXPECT_EQ(lines->Count(), 0);
    lines->Add(L"only");
    EXPECT_EQ(memo->GetText(), L"only\r\n");
}

TEST(TntStdCtrls, MemoLineLongerThan65535CharactersIsAnError) {
    Watchdog w(20000);
    TFormFixture f;
    auto* memo = f.Add<TTntMemo>(10, 10, 300, 200);
    memo->SetWordWrap(false);
    SendMessageW(memo->Handle(), EM_LIMITTEXT, 0, 0);
    memo->SetText(L"short\r\n" + std::wstring(70000, L'x'));
    EXPECT_EQ(memo->Lines()->Strings(0), L"short");
    try {
        memo->Lines()->Strings(1);
        FAIL() << "no error";
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message(), L"Line too long");
    }
}

TEST(TntStdCtrls, ComboBoxItemsAsWideListSurviveRecreation) {
    Watchdog w(10000);
    TFormFixture f;
    auto* combo = f.Add<TTntComboBox>(10, 10, 150, 21);
    TTntStringList source;
    source.Add(L"\u0416\u0443\u043a");
    source.Add(L"\u4e2d\u6587");
    source.Add(L"plain");
    combo->SetItems(&source);
    EXPECT_EQ(ClassOf(combo->Handle()), L"TTntComboBox.UnicodeClass");
    EXPECT_TRUE(IsWindowUnicode(combo->Handle()));
    TTntComboBoxStrings* items = combo->Items();
    EXPECT_EQ(items->Count(), 3);
    EXPECT_EQ(items->IndexOf(L"\u4e2d\u6587"), 1);
    EXPECT_EQ(items->Strings(5), L"");
    combo->SetItemIndex(1);
    EXPECT_EQ(combo->GetText(), L"\u4e2d\u6587");
    // Clear keeps the edit's text.
    combo->SetText(L"kept \u00e9");
    combo->RecreateWnd();
    EXPECT_EQ(items->Text(), L"\u0416\u0443\u043a\r\n\u4e2d\u6587\r\nplain\r\n");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->GetText(), L"kept \u00e9");
    items->Clear();
    EXPECT_EQ(items->Count(), 0);
    EXPECT_EQ(combo->GetText(), L"kept \u00e9");
}

TEST(TntStdCtrls, ListBoxStringsExchangeAndMoveKeepTheSelection) {
    Watchdog w(10000);
    TFormFixture f;
    auto* list = f.Add<TTntListBox>(10, 10, 150, 150);
    EXPECT_EQ(ClassOf(list->Handle()), L"TTntListBox.UnicodeClass");
    TTntListBoxStrings* items = list->Items();
    items->SetText(L"a\r\nb\r\n\u0416\r\nd");
    list->SetItemIndex(2);
    items->Exchange(2, 0);
    EXPECT_EQ(items->Strings(0), L"\u0416");
    EXPECT_EQ(list->ItemIndex(), 0);
    items->Move(0, 3);
    EXPECT_EQ(items->Text(), L"b\r\na\r\nd\r\n\u0416\r\n");
    EXPECT_EQ(list->ItemIndex(), 3);
    EXPECT_THROW(items->Strings(4), EListError);
    EXPECT_EQ(items->UpdateCount(), 0);
}

TEST(TntStdCtrls, EditAndButtonsUseUnicodeWindows) {
    Watchdog w(10000);
    TFormFixture f;
    auto* edit = f.Add<TTntEdit>(10, 10, 150, 21);
    edit->SetPasswordChar(L'\u2022');
    edit->SetText(L"\u0416\u0416");
    EXPECT_EQ(ClassOf(edit->Handle()), L"TTntEdit.UnicodeClass");
    EXPECT_EQ(SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), 0x2022);
    auto* button = f.Add<TTntButton>(10, 40, 75, 25);
    button->SetCaption(L"&\u0416");
    auto* box = f.Add<TTntCheckBox>(10, 70, 75, 17);
    auto* group = f.Add<TTntGroupBox>(10, 100, 150, 80);
    auto* panel = f.Add<TTntPanel>(200, 10, 150, 80);
    panel->SetCaption(L"\u4e2d");
    EXPECT_EQ(ClassOf(button->Handle()), L"TTntButton.UnicodeClass");
    EXPECT_EQ(ClassOf(box->Handle()), L"TTntCheckBox.UnicodeClass");
    EXPECT_EQ(ClassOf(group->Handle()), L"TTntGroupBox.UnicodeClass");
    EXPECT_EQ(ClassOf(panel->Handle()), L"TTntPanel.UnicodeClass");
    wchar_t buf[16] = {};
    GetWindowTextW(button->Handle(), buf, 16);
    EXPECT_STREQ(buf, L"&\u0416");
    // Windowless controls prepare a wide hint.
    auto* label = f.Add<TTntLabel>(200, 100, 60, 17);
    label->SetHint(L"\u0416 short|long");
    THintInfo info;
    info.HintControl = label;
    info.HintWindowClass = &MakeHintWindow<THintWindow>;
    label->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(info.HintStr, L"\u0416 short");
    EXPECT_TRUE(info.HintWindowClass == &MakeHintWindow<TTntCustomHintWindow>);
    TTntImage image(nullptr);
    EXPECT_NE(dynamic_cast<TTntPicture*>(static_cast<TImage&>(image).Picture()), nullptr);
}

TEST(TntStdCtrls, AsWideTextLeavesOnlyTheText) {
    UINT privateFormat = RegisterClipboardFormatW(L"VorlaneTntTestsPrivate");
    TntClipboard()->Open();
    TntClipboard()->Clear();
    TntClipboard()->SetBuffer(privateFormat, "x", 1);
    TntClipboard()->SetBuffer(CF_UNICODETEXT, L"old", 8);
    TntClipboard()->Close();
    ASSERT_TRUE(IsClipboardFormatAvailable(privateFormat));
    const std::wstring text = L"\u0416\u0443\u043a \u4e2d\u6587 \U0001F600";
    TntClipboard()->SetAsWideText(text);
    EXPECT_FALSE(IsClipboardFormatAvailable(privateFormat));
    EXPECT_EQ(TntClipboard()->AsWideText(), text);
    // Read straight from the system, terminating zero included in the block.
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE h = GetClipboardData(CF_UNICODETEXT);
    ASSERT_NE(h, nullptr);
    auto* p = static_cast<const wchar_t*>(GlobalLock(h));
    EXPECT_EQ(std::wstring(p), text);
    GlobalUnlock(h);
    CloseClipboard();
}
