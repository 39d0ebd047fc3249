// The wide message dialog (a form of the Unicode set laid out at run time: icon, word-
// wrapped message, a centred row of buttons; Ctrl+C copies its text), the base class
// of wrappers around the system's common dialogs, and the colour dialog.
#pragma once

#include "TntControls.h"
#include "TntExtCtrls.h"
#include "TntForms.h"
#include "TntStdCtrls.h"

#include <commdlg.h>

#include <array>
#include <functional>
#include <initializer_list>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };

// A set of dialog buttons: {mbYes, mbNo}.
class TMsgDlgButtons {
public:
    TMsgDlgButtons() = default;
    TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> Buttons) {
        for (TMsgDlgBtn b : Buttons)
            FBits |= 1u << b;
    }
    bool Contains(TMsgDlgBtn Button) const { return (FBits >> Button) & 1u; }
    bool Empty() const { return FBits == 0; }

private:
    unsigned FBits = 0;
};

// Caption overrides, '' until the interface translation sets them: the four message types
// (warning, error, information, confirmation) and the eleven buttons in TMsgDlgBtn order.
extern std::array<WideString, 4> MsgDlgTypeCaptionOverrides;
extern std::array<WideString, 11> MsgDlgButtonCaptionOverrides;

// The caption of a message type (the application's title for mtCustom) or a button: its
// override when set, else the built-in text. A value out of range raises ETntInternalError.
WideString GetMessageCaption(TMsgDlgType MsgType);
WideString GetButtonCaption(TMsgDlgBtn MsgDlgBtn);

// Shows help for a context of a help file; the program sets it where it has help to show.
extern std::function<void(const WideString& HelpFile, int HelpContext)> TntShowHelp;

class TTntMessageForm : public TTntForm {
public:
    VORLANE_CLASS_NAME(TTntMessageForm)
    explicit TTntMessageForm(TComponent* AOwner);
    // The label that holds the message (named "Message").
    TTntLabel* Message = nullptr;
    int HelpContext = 0;
    WideString HelpFile;
    // What Ctrl+C puts on the clipboard: caption, message and button captions between rules.
    WideString GetFormText();

protected:
    void KeyDown(WORD& Key, TShiftState Shift) override;
};

// Makes the message form (owned by the application, not shown). The default button is OK
// when present, else Yes, else Retry; Escape answers Cancel, else No, else OK.
TTntMessageForm* WideCreateMessageDialog(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// Shows the dialog modally and returns the modal result of the button that closed it.
int WideMessageDlg(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// At a position (-1 = not given; centred on the screen when neither is given).
int WideMessageDlgPos(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X, int Y);
int WideMessageDlgPosHelp(const WideString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, int X,
                          int Y, const WideString& HelpFileName);
// The message with an OK button, the application's title as caption and the information icon.
void WideShowMessage(const WideString& Msg);
void WideShowMessagePos(const WideString& Msg, int X, int Y);

// Base of a wrapper around a system dialog. A derived dialog puts DialogHook into the
// system's dialog structure and runs the dialog function through TaskModalDialog; the
// dialog window is then handled by the object's WndProc (OnShow on WM_INITDIALOG, OnClose
// after WM_DESTROY), and MessageHook sees the application window's messages meanwhile.
class TTntCommonDialog : public TComponent {
public:
    VORLANE_CLASS_NAME(TTntCommonDialog)
    explicit TTntCommonDialog(TComponent* AOwner);
    ~TTntCommonDialog() override;

    bool Ctl3D = true;
    HWND Handle() const { return FHandle; }
    int HelpContext = 0;
    TNotifyEvent OnShow, OnClose;

    // The dialog window's messages; what is not handled goes to the window's own procedure.
    virtual void WndProc(TMessage& Message);
    // Messages of the application window while the dialog runs; true = handled. Answers
    // the "commdlg_help" message by showing help for HelpContext (when not 0).
    virtual bool MessageHook(TMessage& Message);
    // Runs the dialog function modally (other windows of the thread disabled, the floating-
    // point state kept, MessageHook hooked into the application window) and returns its result.
    virtual bool TaskModalDialog(const std::function<bool(void* DialogData)>& DialogFunc, void* DialogData);

    // The hook procedure for the system dialog structure (hook/DLGPROC signature): on
    // WM_INITDIALOG it gives the dialog window to the dialog being run.
    static INT_PTR CALLBACK DialogHook(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

protected:
    void DefaultHandler(TMessage& Message);
    HWND FHandle = nullptr;
    WNDPROC FDefWndProc = nullptr;

private:
    friend LRESULT CALLBACK CommonDialogWndProc(HWND, UINT, WPARAM, LPARAM);
    friend LRESULT CALLBACK CommonDialogAppHookProc(HWND, UINT, WPARAM, LPARAM);
    void AttachWindow(HWND Wnd);
};

// The system's colour dialog. Color is the colour it starts from and, after OK, the one
// chosen (a system colour such as clBtnFace starts as its current RGB value); CustomColors
// are the sixteen custom colours, kept from one run to the next.
class TTntColorDialog : public TTntCommonDialog {
public:
    VORLANE_CLASS_NAME(TTntColorDialog)
    explicit TTntColorDialog(TComponent* AOwner);

    TColor Color = clBlack;
    std::array<COLORREF, 16> CustomColors;
    // Flags beyond CC_RGBINIT and CC_ENABLEHOOK (CC_FULLOPEN, CC_ANYCOLOR ...).
    DWORD Options = 0;

    // Runs the dialog modally over the active window (the application window when there is
    // none); true with Color set when the user chose OK. Color stays on Cancel.
    bool Execute();
    bool Execute(HWND ParentWnd);
};

// What the colour dialogs call to run the system's dialog (ChooseColorW); tests put their
// own in its place. Answers whether the user chose OK.
extern std::function<BOOL(CHOOSECOLORW& Data)> TntChooseColorFunc;
