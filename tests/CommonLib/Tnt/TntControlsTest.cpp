#include "../../vcl/VclTestSupport.h"

#include "TntControls.h"
#include "TntForms.h"
#include "TntSysUtils.h"

#include <commctrl.h>
#include <gtest/gtest.h>

using namespace vcltest;

namespace {

// An edit of the set: its window comes from CreateUnicodeHandle imitating "EDIT" (the
// class's own parameters do not imitate it; the Unicode class must still carry what
// the system procedure needs).
class TTestTntEdit : public TWinControl {
public:
    VORLANE_CLASS_NAME(TTestTntEdit)
    explicit TTestTntEdit(TComponent* AOwner) : TWinControl(AOwner) { FTabStop = true; }

protected:
    void CreateParams(TCreateParams& Params) override {
        TWinControl::CreateParams(Params);
        Params.Style |= ES_AUTOHSCROLL | WS_BORDER;
    }
    void CreateWindowHandle(const TCreateParams& Params) override { CreateUnicodeHandle(this, Params, L"EDIT"); }
};

class TTestTntListView : public TWinControl {
public:
    VORLANE_CLASS_NAME(TTestTntListView)
    using TWinControl::TWinControl;
    WideString SubClass = WC_LISTVIEWW;

protected:
    void CreateParams(TCreateParams& Params) override {
        TWinControl::CreateParams(Params);
        CreateSubClass(Params, WC_LISTVIEWW);
    }
    void CreateWindowHandle(const TCreateParams& Params) override {
        CreateUnicodeHandle_ComCtl(this, Params, SubClass);
    }
};

class TTestTntForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TTestTntForm)
    using TTntForm::TTntForm;
};

std::wstring ClassOf(HWND wnd) {
    wchar_t buf[128] = {};
    GetClassNameW(wnd, buf, 128);
    return buf;
}

} // namespace

TEST(TntControls, UnicodeClassImitatesTheSystemClassAndKeepsTextAcrossRecreation) {
    Watchdog w(10000);
    TTestTntForm form(nullptr);
    auto* edit = new TTestTntEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(4, 4, 150, 22);
    SetControlWideText(edit, L"\u0416\u0443\u043a \u4e2d\u6587");
    SetControlWideHint(edit, L"Name|The name in full");
    EXPECT_EQ(GetControlWideText(edit), L"\u0416\u0443\u043a \u4e2d\u6587");

    HWND wnd = edit->Handle();
    EXPECT_EQ(ClassOf(wnd), L"TTestTntEdit.UnicodeClass");
    EXPECT_EQ(ClassOf(form.Handle()), L"TTestTntForm.UnicodeClass");
    EXPECT_TRUE(IsWindowUnicode(wnd));
    wchar_t buf[64] = {};
    GetWindowTextW(wnd, buf, 64);
    EXPECT_STREQ(buf, L"\u0416\u0443\u043a \u4e2d\u6587");
    // The system edit procedure really runs underneath.
    SendMessageW(wnd, EM_SETSEL, 0, 1);
    DWORD start = 0, end = 0;
    SendMessageW(wnd, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(end, 1u);

    edit->RecreateWnd();
    EXPECT_NE(edit->Handle(), wnd);
    EXPECT_EQ(GetControlWideText(edit), L"\u0416\u0443\u043a \u4e2d\u6587");
    EXPECT_EQ(GetControlWideHint(edit), L"Name|The name in full");
}

TEST(TntControls, SettingTheSameTextSendsNoChange) {
    Watchdog w(10000);
    TTestTntForm form(nullptr);
    auto* edit = new TTestTntEdit(&form);
    edit->SetParent(&form);
    edit->HandleNeeded();
    int setText = 0, changed = 0;
    TWndMethod previous = edit->WindowProc;
    edit->WindowProc = [&](TMessage& m) {
        setText += m.Msg == WM_SETTEXT;
        changed += m.Msg == CM_TEXTCHANGED;
        previous(m);
    };
    SetControlWideText(edit, L"\u00e9t\u00e9");
    SetControlWideText(edit, L"\u00e9t\u00e9");
    EXPECT_EQ(setText, 1);
    EXPECT_EQ(changed, 1);
    edit->WindowProc = previous;
}

TEST(TntControls, WideCharactersArriveIntact) {
    Watchdog w(10000);
    TTestTntForm form(nullptr);
    auto* edit = new TTestTntEdit(&form);
    edit->SetParent(&form);
    HWND wnd = edit->Handle();
    // A composed character from the input method becomes one WM_CHAR.
    SendMessageW(wnd, WM_IME_CHAR, 0x4E2D, 1);
    SendMessageW(wnd, WM_CHAR, 0x0416, 1);
    EXPECT_EQ(GetControlWideText(edit), L"\u4e2d\u0416");
    // Children asking their parent get Unicode notifications.
    EXPECT_EQ(SendMessageW(form.Handle(), WM_NOTIFYFORMAT, reinterpret_cast<WPARAM>(wnd), NF_QUERY), NFR_UNICODE);
}

TEST(TntControls, CommonControlsAreToldToUseUnicode) {
    Watchdog w(10000);
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    TTestTntForm form(nullptr);
    auto* list = new TTestTntListView(&form);
    list->SetParent(&form);
    HWND wnd = list->Handle();
    EXPECT_EQ(ClassOf(wnd), L"TTestTntListView.UnicodeClass");
    EXPECT_EQ(SendMessageW(wnd, CCM_GETUNICODEFORMAT, 0, 0), 1);

    auto* bad = new TTestTntListView(&form);
    bad->SubClass = L"";
    bad->SetParent(nullptr);
    EXPECT_THROW(
        {
            bad->SetParent(&form);
        },
        ETntInternalError);
}

TEST(TntControls, HintsSplitAndFallBackToTheParents) {
    EXPECT_EQ(WideShortHint(L"Save|Saves the topic"), L"Save");
    EXPECT_EQ(WideLongHint(L"Save|Saves the topic"), L"Saves the topic");
    EXPECT_EQ(WideShortHint(L"\u0416"), L"\u0416");
    EXPECT_EQ(WideLongHint(L"\u0416"), L"\u0416");
    EXPECT_EQ(WideLongHint(L"a|b|c"), L"b|c");

    TTestTntForm form(nullptr);
    auto* outer = new TTestTntEdit(&form);
    outer->SetParent(&form);
    auto* box = new TTestTntEdit(&form);
    box->SetParent(&form);
    SetControlWideHint(&form, L"Form hint");
    EXPECT_EQ(GetHintOfControlOrParent(box), L"Form hint");
    SetControlWideHint(box, L"Own \u0416");
    EXPECT_EQ(GetHintOfControlOrParent(box), L"Own \u0416");
    TTestTntForm bare(nullptr);
    EXPECT_EQ(GetHintOfControlOrParent(&bare), L"");
    EXPECT_TRUE(IsTextMessage(WM_GETTEXTLENGTH));
    EXPECT_FALSE(IsTextMessage(WM_CHAR));
}

TEST(TntControls, TheWideHintWindowShowsTheShortHint) {
    Watchdog w(10000);
    THintWindowClass old = Application->HintWindowClass;
    TTestTntForm form(nullptr);
    form.SetBounds(120, 120, 300, 200);
    form.SetShowHint(true);
    auto* edit = new TTestTntEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 100, 22);
    SetControlWideHint(edit, L"\u0416 short|\u0416 long text");
    form.Show();
    // The plain class is replaced by the wide one for controls of the set.
    Application->HintWindowClass = &MakeHintWindow<THintWindow>;
    THintInfo info;
    info.HintControl = edit;
    info.HintWindowClass = Application->HintWindowClass;
    PrepareWideHintInfo(info);
    EXPECT_EQ(info.HintWindowClass, &MakeHintWindow<TTntCustomHintWindow>);
    EXPECT_EQ(info.HintStr, L"\u0416 short");
    EXPECT_EQ(info.HintData, &info);

    Application->HintWindowClass = &MakeHintWindow<TTntHintWindow>;
    Application->ActivateHint(edit->ClientToScreen(POINT{3, 3}));
    auto* hint = dynamic_cast<TTntHintWindow*>(Application->HintWindow());
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->IsShowing());
    EXPECT_EQ(GetControlWideText(hint), L"\u0416 short");
    EXPECT_EQ(ClassOf(hint->Handle()), L"TTntHintWindow.UnicodeClass");

    // Measuring leaves room for the border; a caption change resizes unless blocked.
    RECT r = hint->CalcHintRect(300, L"x", nullptr);
    TCanvas c;
    c.Font()->Assign(hint->Font());
    SIZE sz = c.TextExtent(L"x");
    EXPECT_EQ(r.right, sz.cx + 6);
    EXPECT_EQ(r.bottom, sz.cy + 2);
    SetControlWideText(hint, L"longer caption text");
    EXPECT_EQ(hint->Width(), c.TextExtent(L"longer caption text").cx + 6);
    hint->BlockUpdate = true;
    SetControlWideText(hint, L"x");
    EXPECT_EQ(hint->Width(), c.TextExtent(L"longer caption text").cx + 6);
    hint->BlockUpdate = false;
    Application->CancelHint();
    Application->HintWindowClass = old;
    form.Hide();
}
