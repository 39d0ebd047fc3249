#include "../../vcl/VclTestSupport.h"

#include "TntClipbrd.h"
#include "TntDialogs.h"
#include "TntSysUtils.h"

#include <gtest/gtest.h>

#include <memory>

using namespace vcltest;

namespace {

TButton* ButtonNamed(TCustomForm* Form, const wchar_t* Name) {
    return dynamic_cast<TButton*>(Form->FindComponent(Name));
}

struct TDialogDeleter {
    void operator()(TTntMessageForm* f) const {
        f->BeforeDestruction();
        delete f;
    }
};
using TDialogPtr = std::unique_ptr<TTntMessageForm, TDialogDeleter>;

// Presses a key in whatever window has the focus once the modal loop runs.
WPARAM g_Key = 0;
void CALLBACK PressKeySoon(HWND, UINT, UINT_PTR Id, DWORD) {
    HWND focus = GetFocus();
    if (!focus)
        return; // the dialog is not up yet; try again on the next tick
    KillTimer(nullptr, Id);
    PostMessageW(focus, WM_KEYDOWN, g_Key, 1);
}

int RunWithKey(WPARAM Key, const std::function<int()>& Show) {
    g_Key = Key;
    UINT_PTR timer = SetTimer(nullptr, 0, 30, PressKeySoon);
    int r = Show();
    KillTimer(nullptr, timer);
    return r;
}

} // namespace

TEST(TntDialogs, MessageFormLayoutNamesAndRoles) {
    Watchdog w(10000);
    TDialogPtr form(WideCreateMessageDialog(L"Delete \u0416\u0443\u043a?", mtWarning, {mbOK, mbCancel}));
    EXPECT_EQ(form->Caption(), L"Warning");
    EXPECT_EQ(form->BorderStyle(), bsDialog);
    EXPECT_TRUE(form->KeyPreview);
    auto* image = dynamic_cast<TTntImage*>(form->FindComponent(L"Image"));
    ASSERT_NE(image, nullptr);
    EXPECT_FALSE(image->Picture()->Icon()->Empty());
    ASSERT_NE(form->Message, nullptr);
    EXPECT_EQ(form->FindComponent(L"Message"), form->Message);
    EXPECT_EQ(form->Message->Caption(), L"Delete \u0416\u0443\u043a?");
    EXPECT_TRUE(form->Message->WordWrap());
    TButton* ok = ButtonNamed(form.get(), L"OK");
    TButton* cancel = ButtonNamed(form.get(), L"Cancel");
    ASSERT_TRUE(ok && cancel);
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_EQ(cancel->ModalResult(), mrCancel);
    EXPECT_TRUE(ok->Default());
    EXPECT_FALSE(ok->Cancel());
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_EQ(form->ActiveControl(), ok);
    // Icon and message side by side, the buttons below, centred as a group.
    EXPECT_EQ(image->Top(), form->Message->Top());
    EXPECT_GT(form->Message->Left(), image->Left() + image->Width());
    EXPECT_EQ(ok->Top(), cancel->Top());
    EXPECT_EQ(ok->Width(), cancel->Width());
    EXPECT_GT(ok->Top(), image->Top() + image->Height());
    int cw = form->ClientWidth();
    EXPECT_LE(std::abs(ok->Left() - (cw - (cancel->Left() + cancel->Width()))), 1);
    EXPECT_LE(cancel->Top() + cancel->Height(), form->ClientHeight());
    EXPECT_EQ(image->Top(), form->ClientHeight() - (cancel->Top() + cancel->Height())); // the same margins
    EXPECT_FALSE(form->HandleAllocated() && IsWindowVisible(form->Handle()));
}

TEST(TntDialogs, DefaultAndCancelButtonsFollowTheButtonSet) {
    Watchdog w(10000);
    TDialogPtr yesNo(WideCreateMessageDialog(L"q", mtConfirmation, {mbYes, mbNo}));
    EXPECT_EQ(yesNo->Caption(), L"Confirm");
    EXPECT_TRUE(ButtonNamed(yesNo.get(), L"Yes")->Default());
    EXPECT_TRUE(ButtonNamed(yesNo.get(), L"No")->Cancel());
    EXPECT_EQ(ButtonNamed(yesNo.get(), L"Yes")->Caption(), L"&Yes");

    TDialogPtr ari(WideCreateMessageDialog(L"q", mtError, {mbAbort, mbRetry, mbIgnore}));
    EXPECT_EQ(ari->Caption(), L"Error");
    EXPECT_TRUE(ButtonNamed(ari.get(), L"Retry")->Default());
    for (const wchar_t* n : {L"Abort", L"Retry", L"Ignore"})
        EXPECT_FALSE(ButtonNamed(ari.get(), n)->Cancel()) << n; // nobody answers Escape
    EXPECT_LT(ButtonNamed(ari.get(), L"Abort")->Left(), ButtonNamed(ari.get(), L"Ignore")->Left());

    TDialogPtr all(WideCreateMessageDialog(L"q", mtInformation, {mbYes, mbNo, mbAll, mbNoToAll, mbYesToAll, mbHelp}));
    EXPECT_EQ(ButtonNamed(all.get(), L"NoToAll")->ModalResult(), mrNoToAll);
    EXPECT_EQ(ButtonNamed(all.get(), L"YesToAll")->Caption(), L"Yes to &All");
    EXPECT_EQ(ButtonNamed(all.get(), L"Help")->ModalResult(), mrNone);
    // The widest caption widens every button.
    int w1 = ButtonNamed(all.get(), L"Yes")->Width();
    EXPECT_EQ(ButtonNamed(all.get(), L"NoToAll")->Width(), w1);
}

TEST(TntDialogs, CustomTypeTakesTheTitleAndOverridesReplaceCaptions) {
    Watchdog w(10000);
    std::wstring oldTitle = Application->Title();
    Application->SetTitle(L"Vorlane \u4e2d");
    TDialogPtr custom(WideCreateMessageDialog(L"m", mtCustom, {mbOK}));
    EXPECT_EQ(custom->Caption(), L"Vorlane \u4e2d");
    EXPECT_EQ(custom->FindComponent(L"Image"), nullptr);
    EXPECT_LT(custom->Message->Left(), 32); // no icon column
    MsgDlgTypeCaptionOverrides[mtWarning] = L"\u0412\u043d\u0438\u043c\u0430\u043d\u0438\u0435";
    MsgDlgButtonCaptionOverrides[mbCancel] = L"\u041e\u0442\u043c\u0435\u043d\u0430";
    TDialogPtr translated(WideCreateMessageDialog(L"m", mtWarning, {mbOK, mbCancel}));
    EXPECT_EQ(translated->Caption(), L"\u0412\u043d\u0438\u043c\u0430\u043d\u0438\u0435");
    EXPECT_EQ(ButtonNamed(translated.get(), L"Cancel")->Caption(), L"\u041e\u0442\u043c\u0435\u043d\u0430");
    EXPECT_EQ(ButtonNamed(translated.get(), L"OK")->Caption(), L"OK");
    MsgDlgTypeCaptionOverrides[mtWarning].clear();
    MsgDlgButtonCaptionOverrides[mbCancel].clear();
    Application->SetTitle(oldTitle);
    try {
        GetMessageCaption(static_cast<TMsgDlgType>(5));
        FAIL();
    } catch (const ETntInternalError& e) {
        EXPECT_EQ(e.Message(), L"Unexpected MsgType in GetMessageCaption.");
    }
    EXPECT_THROW(GetButtonCaption(static_cast<TMsgDlgBtn>(11)), ETntInternalError);
}

TEST(TntDialogs, CtrlCCopiesCaptionMessageAndButtons) {
    Watchdog w(10000);
    TDialogPtr form(WideCreateMessageDialog(L"m", mtWarning, {mbOK, mbCancel, mbAbort}));
    const std::wstring rule = std::wstring(27, L'-') + L"\r\n";
    const std::wstring expected =
        rule + L"Warning\r\n" + rule + L"m\r\n" + rule + L"OK   Cancel   Abort   \r\n" + rule;
    EXPECT_EQ(form->GetFormText(), expected);
    TntClipboard()->SetAsWideText(L"before");
    // Ctrl+C in the focused button reaches the form first (key preview).
    BYTE keys[256], saved[256];
    GetKeyboardState(saved);
    memcpy(keys, saved, sizeof keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    ButtonNamed(form.get(), L"OK")->Perform(WM_KEYDOWN, 'C', 1);
    SetKeyboardState(saved);
    EXPECT_EQ(TntClipboard()->AsWideText(), expected);
    // C without Ctrl copies nothing.
    TntClipboard()->SetAsWideText(L"before");
    ButtonNamed(form.get(), L"OK")->Perform(WM_KEYDOWN, 'C', 1);
    EXPECT_EQ(TntClipboard()->AsWideText(), L"before");
}

TEST(TntDialogs, ModalResultOnEnterAndEscape) {
    Watchdog w(20000);
    TForm owner(nullptr);
    owner.Show();
    EXPECT_EQ(RunWithKey(VK_RETURN, [] { return WideMessageDlg(L"\u0416?", mtConfirmation, {mbYes, mbNo}, 0); }),
              mrYes);
    EXPECT_EQ(RunWithKey(VK_ESCAPE, [] { return WideMessageDlg(L"\u0416?", mtConfirmation, {mbYes, mbNo}, 0); }),
              mrNo);
    // A lone OK takes the cancel role as well.
    EXPECT_EQ(RunWithKey(VK_ESCAPE, [] { return WideMessageDlgPos(L"\u4e2d", mtCustom, {mbOK}, 0, 10, 20); }), mrOk);
    RunWithKey(VK_RETURN, [] {
        WideShowMessage(L"\u0416\u0443\u043a \u4e2d\u6587");
        return 0;
    });
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    owner.Hide();
}

namespace {

// The smallest dialog on the base: a system dialog box from a template in memory.
class TTestDialog : public TTntCommonDialog {
public:
    VORLANE_CLASS_NAME(TTestDialog)
    using TTntCommonDialog::TTntCommonDialog;
    int Commands = 0;

    bool Execute() {
        struct {
            DLGTEMPLATE t;
            WORD menu, cls, title;
        } tpl{};
        tpl.t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        tpl.t.cx = 120;
        tpl.t.cy = 60;
        return TaskModalDialog(
            [&](void*) {
                return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tpl.t,
                                               Application->Handle(), &TTntCommonDialog::DialogHook, 0) == IDOK;
            },
            nullptr);
    }

    void WndProc(TMessage& Message) override {
        if (Message.Msg == WM_COMMAND && LOWORD(Message.WParam) == IDOK) {
            ++Commands;
            EndDialog(Handle(), IDOK);
            return;
        }
        TTntCommonDialog::WndProc(Message);
    }
};

} // namespace

TEST(TntDialogs, CommonDialogBaseRunsADerivedDialog) {
    Watchdog w(15000);
    TForm owner(nullptr);
    owner.Show();
    TTestDialog dialog(nullptr);
    dialog.HelpContext = 42;
    HWND shown = nullptr;
    bool ownerDisabled = false;
    int helpContext = 0;
    LRESULT helpAnswer = -1;
    TntShowHelp = [&](const WideString&, int Context) { helpContext = Context; };
    dialog.OnShow = [&](TObject*) {
        shown = dialog.Handle();
        ownerDisabled = !IsWindowEnabled(owner.Handle());
        // The application window's messages pass MessageHook meanwhile.
        helpAnswer = SendMessageW(Application->Handle(), RegisterWindowMessageW(L"commdlg_help"), 0, 0);
        PostMessageW(shown, WM_COMMAND, IDOK, 0);
    };
    int closes = 0;
    HWND atClose = nullptr;
    dialog.OnClose = [&](TObject*) {
        ++closes;
        atClose = dialog.Handle();
    };
    unsigned fpu = _control87(0, 0);
    EXPECT_TRUE(dialog.Execute());
    EXPECT_NE(shown, nullptr);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_EQ(helpContext, 42);
    EXPECT_EQ(helpAnswer, 0);
    EXPECT_EQ(dialog.Commands, 1);
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(atClose, shown);
    EXPECT_EQ(dialog.Handle(), nullptr);
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    EXPECT_EQ(_control87(0, 0), fpu);
    // Outside a dialog the application window is its own again.
    helpContext = 0;
    SendMessageW(Application->Handle(), RegisterWindowMessageW(L"commdlg_help"), 0, 0);
    EXPECT_EQ(helpContext, 0);
    TntShowHelp = nullptr;
    owner.Hide();
}

TEST(TntDialogs, ColorDialogRunsTheSystemDialogAndTakesItsChoice) {
    Watchdog w(20000);
    TForm owner(nullptr);
    owner.Show();
    TTntColorDialog dialog(nullptr);
    dialog.Options = CC_FULLOPEN;
    // OK at once gives back the colour it started from.
    dialog.Color = RGB(1, 2, 3);
    HWND shown = nullptr;
    dialog.OnShow = [&](TObject*) {
        shown = dialog.Handle();
        PostMessageW(shown, WM_COMMAND, IDOK, 0);
    };
    EXPECT_TRUE(dialog.Execute(owner.Handle()));
    EXPECT_NE(shown, nullptr);
    EXPECT_EQ(dialog.Color, RGB(1, 2, 3));
    // OK after typing a colour into the dialog's red, green and blue boxes.
    dialog.OnShow = [&](TObject*) {
        HWND h = dialog.Handle();
        SetDlgItemInt(h, 706, 0x44, FALSE);
        SetDlgItemInt(h, 707, 0x58, FALSE);
        SetDlgItemInt(h, 708, 0x7C, FALSE);
        PostMessageW(h, WM_COMMAND, IDOK, 0);
    };
    EXPECT_TRUE(dialog.Execute(owner.Handle()));
    EXPECT_EQ(dialog.Color, RGB(0x44, 0x58, 0x7C));
    EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
    // Cancel keeps the colour.
    dialog.OnShow = [&](TObject*) { PostMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0); };
    EXPECT_FALSE(dialog.Execute(owner.Handle()));
    EXPECT_EQ(dialog.Color, RGB(0x44, 0x58, 0x7C));
    owner.Hide();
}

TEST(TntDialogs, ColorDialogFunctionCanBeReplaced) {
    const auto saved = TntChooseColorFunc;
    TTntColorDialog dialog(nullptr);
    dialog.Color = clBtnFace; // a system colour starts as what it stands for
    dialog.CustomColors[3] = RGB(9, 9, 9);
    CHOOSECOLORW seen{};
    TntChooseColorFunc = [&](CHOOSECOLORW& Data) {
        seen = Data;
        Data.lpCustColors[0] = RGB(7, 7, 7);
        Data.rgbResult = RGB(0x21, 0x4E, 0x7A);
        return TRUE;
    };
    EXPECT_TRUE(dialog.Execute(nullptr));
    EXPECT_EQ(seen.rgbResult, ColorToRGB(clBtnFace));
    EXPECT_EQ(seen.Flags & (CC_RGBINIT | CC_ENABLEHOOK), DWORD(CC_RGBINIT | CC_ENABLEHOOK));
    EXPECT_EQ(seen.lpCustColors[3], RGB(9, 9, 9));
    EXPECT_EQ(dialog.Color, RGB(0x21, 0x4E, 0x7A));
    EXPECT_EQ(dialog.CustomColors[0], RGB(7, 7, 7)); // kept for the next run
    TntChooseColorFunc = [](CHOOSECOLORW&) { return FALSE; };
    EXPECT_FALSE(dialog.Execute(nullptr));
    EXPECT_EQ(dialog.Color, RGB(0x21, 0x4E, 0x7A));
    TntChooseColorFunc = saved;
}
