#include "TntDialogs.h"

#include "Boundary.h"
#include "SysUtils.h"
#include "TntClipbrd.h"
#include "TntSysUtils.h"

#include <float.h>

#include <algorithm>
#include <memory>
#include <vector>

std::array<WideString, 4> MsgDlgTypeCaptionOverrides;
std::array<WideString, 11> MsgDlgButtonCaptionOverrides;
std::function<void(const WideString& HelpFile, int HelpContext)> TntShowHelp;

namespace {

const wchar_t* const TypeCaptions[] = {L"Warning", L"Error", L"Information", L"Confirm"};
const wchar_t* const TypeIcons[] = {IDI_EXCLAMATION, IDI_HAND, IDI_ASTERISK, IDI_QUESTION};
const wchar_t* const ButtonNames[] = {L"Yes", L"No", L"OK", L"Cancel", L"Abort", L"Retry",
                                      L"Ignore", L"All", L"NoToAll", L"YesToAll", L"Help"};
const wchar_t* const ButtonCaptions[] = {L"&Yes", L"&No", L"OK", L"Cancel", L"&Abort", L"&Retry",
                                         L"&Ignore", L"&All", L"N&o to All", L"Yes to &All", L"&Help"};
const TModalResult ModalResults[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry,
                                     mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrNone};

// Messages and the window-property name of the common dialogs, made at start-up.
struct TTntDialogsUnit {
    UINT HelpMsg = 0;
    UINT FindMsg = 0;
    ATOM PropAtom = 0;
    WideString PropName;
    TTntDialogsUnit() {
        HelpMsg = RegisterWindowMessageW(L"commdlg_help");
        FindMsg = RegisterWindowMessageW(L"commdlg_FindReplace");
        PropName = Format(L"WndProcPtr%.8X%.8X", {static_cast<uint32_t>(reinterpret_cast<uintptr_t>(GetModuleHandleW(nullptr))),
                                                 static_cast<uint32_t>(GetCurrentThreadId())});
        PropAtom = GlobalAddAtomW(PropName.c_str());
    }
    ~TTntDialogsUnit() {
        if (PropAtom)
            GlobalDeleteAtom(PropAtom);
    }
} g_TntDialogsUnit;

// A canvas on the screen's device context, for measuring.
class TScreenCanvas {
public:
    TScreenCanvas() : FDC(GetDC(nullptr)) { Canvas.SetHandle(FDC); }
    ~TScreenCanvas() {
        Canvas.SetHandle(nullptr);
        ReleaseDC(nullptr, FDC);
    }
    TCanvas Canvas;

private:
    HDC FDC;
};

void SetMessageFont(TFont* Font) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0))
        return;
    const LOGFONTW& lf = ncm.lfMessageFont;
    Font->SetName(lf.lfFaceName);
    Font->SetHeight(lf.lfHeight);
    TFontStyles style = 0;
    if (lf.lfWeight >= FW_BOLD)
        style |= fsBold;
    if (lf.lfItalic)
        style |= fsItalic;
    if (lf.lfUnderline)
        style |= fsUnderline;
    if (lf.lfStrikeOut)
        style |= fsStrikeOut;
    Font->SetStyle(style);
    Font->SetCharset(lf.lfCharSet);
}

TTntMessageForm* CreateMessageDialog(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                                     TMsgDlgBtn DefaultButton) {
    auto* form = new TTntMessageForm(Application);
    std::unique_ptr<TTntMessageForm> guard(form);
    if (Application)
        form->SetBiDiMode(Application->BiDiMode());
    form->SetBorderStyle(bsDialog);
    form->KeyPreview = true;
    form->SetPosition(poDesigned);

    TScreenCanvas screen;
    TCanvas& canvas = screen.Canvas;
    canvas.Font()->Assign(form->Font());
    // Dialog units of the form's font.
    WideString letters;
    for (wchar_t c = L'A'; c <= L'Z'; ++c)
        letters += c;
    for (wchar_t c = L'a'; c <= L'z'; ++c)
        letters += c;
    int avgX = (canvas.TextWidth(letters) / 26 + 1) / 2;
    canvas.RequireFont();
    TEXTMETRICW tm{};
    GetTextMetricsW(canvas.Handle(), &tm);
    int avgY = tm.tmHeight;

    int horzMargin = MulDiv(8, avgX, 4);
    int vertMargin = MulDiv(8, avgY, 8);
    int horzSpacing = MulDiv(10, avgX, 4);
    int vertSpacing = MulDiv(10, avgY, 8);
    int buttonWidth = MulDiv(50, avgX, 4);
    int buttonCount = 0;
    for (int b = mbYes; b <= mbHelp; ++b) {
        if (!Buttons.Contains(static_cast<TMsgDlgBtn>(b)))
            continue;
        ++buttonCount;
        RECT r{0, 0, 0, 0};
        canvas.DrawText(GetButtonCaption(static_cast<TMsgDlgBtn>(b)), r,
                        DT_CALCRECT | DT_LEFT | DT_SINGLELINE | form->DrawTextBiDiModeFlagsReadingOnly());
        buttonWidth = std::max<int>(buttonWidth, r.right - r.left + 8);
    }
    int buttonHeight = MulDiv(14, avgY, 8);
    int buttonSpacing = MulDiv(4, avgX, 4);

    int screenWidth = Screen ? Screen->Width() : GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = Screen ? Screen->Height() : GetSystemMetrics(SM_CYSCREEN);
    RECT textRect{0, 0, screenWidth / 2, 0};
    canvas.DrawText(Msg, textRect,
                    DT_EXPANDTABS | DT_CALCRECT | DT_WORDBREAK | form->DrawTextBiDiModeFlagsReadingOnly());

    bool hasIcon = DlgType != mtCustom;
    int iconTextWidth = textRect.right;
    int iconTextHeight = textRect.bottom;
    if (hasIcon) {
        iconTextWidth += 32 + horzSpacing;
        iconTextHeight = std::max<int>(iconTextHeight, 32);
    }
    int groupWidth = buttonCount ? buttonWidth * buttonCount + buttonSpacing * (buttonCount - 1) : 0;
    form->SetClientWidth(std::max(iconTextWidth, groupWidth) + horzMargin * 2);
    form->SetClientHeight(iconTextHeight + buttonHeight + vertSpacing + vertMargin * 2);
    form->SetLeft(screenWidth / 2 - form->Width() / 2);
    form->SetTop(screenHeight / 2 - form->Height() / 2);
    form->SetCaption(GetMessageCaption(DlgType));
    int clientWidth = form->ClientWidth();

    if (hasIcon) {
        auto* image = new TTntImage(form);
        image->SetName(L"Image");
        image->SetParent(form);
        image->Picture()->Icon()->SetHandle(CopyIcon(LoadIconW(nullptr, TypeIcons[DlgType])));
        image->SetBounds(horzMargin, vertMargin, 32, 32);
    }
    auto* label = new TTntLabel(form);
    form->Message = label;
    label->SetName(L"Message");
    label->SetParent(form);
    label->SetWordWrap(true);
    label->SetCaption(Msg);
    label->SetBiDiMode(form->BiDiMode());
    label->SetBounds(iconTextWidth - textRect.right + horzMargin, vertMargin, textRect.right, textRect.bottom);

    // The cancel role: Cancel, else No, else OK (which may not be there at all).
    TMsgDlgBtn cancelButton = Buttons.Contains(mbCancel) ? mbCancel : Buttons.Contains(mbNo) ? mbNo : mbOK;
    int x = (clientWidth - groupWidth) / 2;
    int y = iconTextHeight + vertMargin + vertSpacing;
    for (int i = mbYes; i <= mbHelp; ++i) {
        auto b = static_cast<TMsgDlgBtn>(i);
        if (!Buttons.Contains(b))
            continue;
        auto* button = new TTntButton(form);
        button->SetName(ButtonNames[b]);
        button->SetParent(form);
        button->SetCaption(GetButtonCaption(b));
        button->SetModalResult(ModalResults[b]);
        if (b == DefaultButton) {
            button->SetDefault(true);
            form->SetActiveControl(button);
        }
        if (b == cancelButton)
            button->SetCancel(true);
        button->SetBounds(x, y, buttonWidth, buttonHeight);
        x += buttonWidth + buttonSpacing;
        if (b == mbHelp)
            button->OnClick = [form](TObject*) {
                if (TntShowHelp)
                    TntShowHelp(form->HelpFile, form->HelpContext);
            };
    }
    // Right to left the dialog is the mirror image: icon at the right, the text left of it, the
    // first button at the right end of the row.
    if (form->UseRightToLeftAlignment())
        form->FlipChildren(true);
    return guard.release();
}

} // namespace

WideString GetMessageCaption(TMsgDlgType MsgType) {
    if (static_cast<unsigned>(MsgType) > mtCustom)
        throw ETntInternalError(L"Unexpected MsgType in GetMessageCaption.");
    if (MsgType == mtCustom)
        return TntApplication ? TntApplication->Title() : WideString();
    const WideString& over = MsgDlgTypeCaptionOverrides[MsgType];
    return over.empty() ? WideString(TypeCaptions[MsgType]) : over;
}

WideString GetButtonCaption(TMsgDlgBtn MsgDlgBtn) {
    if (static_cast<unsigned>(MsgDlgBtn) > mbHelp)
        throw ETntInternalError(L"Unexpected MsgDlgBtn in GetButtonCaption.");
    const WideString& over = MsgDlgButtonCaptionOverrides[MsgDlgBtn];
    return over.empty() ? WideString(ButtonCaptions[MsgDlgBtn]) : over;
}

// ------------------------------------------------------------------ TTntMessageForm

TTntMessageForm::TTntMessageForm(TComponent* AOwner) : TTntForm(AOwner) { SetMessageFont(Font()); }

WideString TTntMessageForm::GetFormText() {
    const WideString rule = WideString(27, L'-') + L"\r\n";
    WideString buttons;
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto* b = dynamic_cast<TButton*>(Components(i)))
            buttons += b->Caption() + L"   ";
    buttons = Tnt_WideStringReplace(buttons, L"&", L"", rfReplaceAll);
    return rule + Caption() + L"\r\n" + rule + (Message ? Message->Caption() : WideString()) + L"\r\n" + rule +
           buttons + L"\r\n" + rule;
}

void TTntMessageForm::KeyDown(WORD& Key, TShiftState Shift) {
    if ((Shift & (ssShift | ssAlt | ssCtrl)) == ssCtrl && Key == 'C') {
        MessageBeep(0);
        TntClipboard()->SetAsWideText(GetFormText());
    }
    TTntForm::KeyDown(Key, Shift);
}

// ------------------------------------------------------------------ entry points

TTntMessageForm* WideCreateMessageDialog(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
    TMsgDlgBtn def = Buttons.Contains(mbOK) ? mbOK : Buttons.Contains(mbYes) ? mbYes : mbRetry;
    return CreateMessageDialog(Msg, DlgType, Buttons, def);
}

namespace {

int ShowMessageDialog(TTntMessageForm* Dialog, int HelpCtx, int X, int Y, const WideString& HelpFileName) {
    std::unique_ptr<TTntMessageForm> form(Dialog);
    struct Destroy {
        std::unique_ptr<TTntMessageForm>& f;
        ~Destroy() {
            if (f)
                f->BeforeDestruction();
        }
    } destroy{form};
    form->HelpContext = HelpCtx;
    form->HelpFile = HelpFileName;
    if (X >= 0)
        form->SetLeft(X);
    if (Y >= 0)
        form->SetTop(Y);
    if (X < 0 && Y < 0)
        form->SetPosition(poScreenCenter);
    return form->ShowModal();
}

} // namespace

int WideMessageDlgPosHelp(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X,
                          int Y, const WideString& HelpFileName) {
    return ShowMessageDialog(WideCreateMessageDialog(Msg, DlgType, Buttons), HelpCtx, X, Y, HelpFileName);
}

int WideMessageDlgPos(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y) {
    return WideMessageDlgPosHelp(Msg, DlgType, Buttons, HelpCtx, X, Y, L"");
}

int WideMessageDlg(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx) {
    return WideMessageDlgPosHelp(Msg, DlgType, Buttons, HelpCtx, -1, -1, L"");
}

// A plain message is information under the application's title.
void WideShowMessagePos(const WideString& Msg, int X, int Y) {
    TTntMessageForm* form = WideCreateMessageDialog(Msg, mtInformation, {mbOK});
    form->SetCaption(GetMessageCaption(mtCustom));
    ShowMessageDialog(form, 0, X, Y, L"");
}

void WideShowMessage(const WideString& Msg) { WideShowMessagePos(Msg, -1, -1); }

// ------------------------------------------------------------------ TTntCommonDialog

namespace {

// The dialog whose window is about to be made, and the dialog hooked into the application
// window (one at a time per thread; nested dialogs keep the outer one to put back).
thread_local TTntCommonDialog* t_CreationDialog = nullptr;

struct TAppHook {
    TTntCommonDialog* Dialog = nullptr;
    WNDPROC OldProc = nullptr;
};
thread_local TAppHook t_AppHook;

} // namespace

LRESULT CALLBACK CommonDialogWndProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    auto* dialog = static_cast<TTntCommonDialog*>(GetPropW(hWnd, g_TntDialogsUnit.PropName.c_str()));
    if (!dialog)
        return DefWindowProcW(hWnd, Msg, wParam, lParam);
    TMessage m{Msg, wParam, lParam, 0};
    if (!Guarded(L"TTntCommonDialog.WndProc", [&] { dialog->WndProc(m); }))
        return 0;
    return m.Result;
}

LRESULT CALLBACK CommonDialogAppHookProc(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    TAppHook hook = t_AppHook;
    if (hook.Dialog) {
        TMessage m{Msg, wParam, lParam, 0};
        bool handled = false;
        Guarded(L"TTntCommonDialog.MessageHook", [&] { handled = hook.Dialog->MessageHook(m); });
        if (handled)
            return m.Result;
    }
    return hook.OldProc ? CallWindowProcW(hook.OldProc, hWnd, Msg, wParam, lParam)
                        : DefWindowProcW(hWnd, Msg, wParam, lParam);
}

TTntCommonDialog::TTntCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}

TTntCommonDialog::~TTntCommonDialog() {
    if (FHandle && IsWindow(FHandle)) {
        if (FDefWndProc)
            SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
        RemovePropW(FHandle, g_TntDialogsUnit.PropName.c_str());
    }
    if (t_CreationDialog == this)
        t_CreationDialog = nullptr;
}

void TTntCommonDialog::AttachWindow(HWND Wnd) {
    FHandle = Wnd;
    SetPropW(Wnd, g_TntDialogsUnit.PropName.c_str(), this);
    FDefWndProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CommonDialogWndProc)));
}

INT_PTR CALLBACK TTntCommonDialog::DialogHook(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    if (Msg != WM_INITDIALOG || !t_CreationDialog)
        return 0;
    TTntCommonDialog* dialog = t_CreationDialog;
    t_CreationDialog = nullptr;
    dialog->AttachWindow(Wnd);
    // The dialog sees its WM_INITDIALOG through its own procedure.
    return CallWindowProcW(CommonDialogWndProc, Wnd, Msg, WParam, LParam);
}

void TTntCommonDialog::DefaultHandler(TMessage& Message) {
    if (FDefWndProc && FHandle)
        Message.Result = CallWindowProcW(FDefWndProc, FHandle, Message.Msg, Message.WParam, Message.LParam);
    else
        Message.Result = 0;
}

void TTntCommonDialog::WndProc(TMessage& Message) {
    switch (Message.Msg) {
    case WM_INITDIALOG:
        if (OnShow)
            OnShow(this);
        Message.Result = 0;
        return;
    case WM_DESTROY:
        DefaultHandler(Message);
        if (OnClose)
            OnClose(this);
        return;
    case WM_NCDESTROY: {
        HWND wnd = FHandle;
        DefaultHandler(Message);
        if (wnd) {
            RemovePropW(wnd, g_TntDialogsUnit.PropName.c_str());
            if (IsWindow(wnd) && FDefWndProc)
                SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefWndProc));
        }
        FHandle = nullptr;
        FDefWndProc = nullptr;
        return;
    }
    }
    DefaultHandler(Message);
}

bool TTntCommonDialog::MessageHook(TMessage& Message) {
    if (Message.Msg == g_TntDialogsUnit.HelpMsg && HelpContext != 0) {
        if (TntShowHelp)
            TntShowHelp(L"", HelpContext);
        Message.Result = 0;
        return true;
    }
    return false;
}

namespace {

struct TTaskWindows {
    std::vector<HWND> Disabled;
};

BOOL CALLBACK DisableTaskWindow(HWND Wnd, LPARAM Data) {
    auto* t = reinterpret_cast<TTaskWindows*>(Data);
    if (IsWindowVisible(Wnd) && IsWindowEnabled(Wnd)) {
        t->Disabled.push_back(Wnd);
        EnableWindow(Wnd, FALSE);
    }
    return TRUE;
}

} // namespace

bool TTntCommonDialog::TaskModalDialog(const std::function<bool(void* DialogData)>& DialogFunc, void* DialogData) {
    HWND active = GetActiveWindow();
    TTaskWindows task;
    EnumThreadWindows(GetCurrentThreadId(), DisableTaskWindow, reinterpret_cast<LPARAM>(&task));
    unsigned fpu = _control87(0, 0);
    HWND app = Application ? Application->Handle() : nullptr;
    TAppHook outer = t_AppHook;
    if (app) {
        t_AppHook.Dialog = this;
        t_AppHook.OldProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(app, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CommonDialogAppHookProc)));
    }
    TTntCommonDialog* outerCreation = t_CreationDialog;
    t_CreationDialog = this;
    auto restore = [&] {
        t_CreationDialog = outerCreation;
        _clearfp();
        if (app && IsWindow(app))
            SetWindowLongPtrW(app, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(t_AppHook.OldProc));
        t_AppHook = outer;
        for (HWND w : task.Disabled)
            if (IsWindow(w))
                EnableWindow(w, TRUE);
        if (active && IsWindow(active))
            SetActiveWindow(active);
        _control87(fpu, 0xFFFFFFFF);
    };
    bool result;
    try {
        result = DialogFunc(DialogData);
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return result;
}

// ---------------------------------------------------------------------------------
// Colour dialog

std::function<BOOL(CHOOSECOLORW& Data)> TntChooseColorFunc = [](CHOOSECOLORW& Data) { return ChooseColorW(&Data); };

TTntColorDialog::TTntColorDialog(TComponent* AOwner) : TTntCommonDialog(AOwner) {
    CustomColors.fill(RGB(0xFF, 0xFF, 0xFF));
}

bool TTntColorDialog::Execute() {
    HWND parent = GetActiveWindow();
    if (!parent && Application)
        parent = Application->Handle();
    return Execute(parent);
}

bool TTntColorDialog::Execute(HWND ParentWnd) {
    CHOOSECOLORW data{};
    data.lStructSize = sizeof data;
    data.hwndOwner = ParentWnd;
    data.rgbResult = ColorToRGB(Color);
    data.lpCustColors = CustomColors.data();
    data.Flags = Options | CC_RGBINIT | CC_ENABLEHOOK;
    data.lpfnHook = reinterpret_cast<LPCCHOOKPROC>(&TTntCommonDialog::DialogHook);
    const bool ok = TaskModalDialog(
        [](void* Data) { return TntChooseColorFunc(*static_cast<CHOOSECOLORW*>(Data)) != FALSE; }, &data);
    if (ok)
        Color = static_cast<TColor>(data.rgbResult & 0xFFFFFF);
    return ok;
}
