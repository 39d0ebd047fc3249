// A message box that shows Unicode text in a rich edit field, with an optional title
// line, an icon, a button set and a "don't show again" check box.
#pragma once

#include "Forms.h"

#include <string>

class TPanel;
class TImage;
class TTntLabel;
class TTntRichEdit;
class TTntButton;
class TTntCheckBox;

class TWMsgBoxForm : public TForm {
public:
    VORLANE_CLASS_NAME(TWMsgBoxForm)
    explicit TWMsgBoxForm(TComponent* AOwner);

    TPanel* LeftPanel;
    TImage* Image_Info;
    TImage* Image_Warn;
    TImage* Image_Error;
    TImage* Image_Question;
    TPanel* RightPanel;
    TPanel* Panel3;
    TPanel* TopPanel;
    TTntLabel* TitleLabel;
    TTntRichEdit* TntRichEdit1;
    TPanel* Panel1;
    TImage* LineImage;
    TTntButton* OkBtn;
    TTntButton* YesBtn;
    TTntButton* NoBtn;
    TTntButton* _OKBtn;
    TTntButton* _CancelBtn;
    TTntCheckBox* CheckBox1;

    void FormCreate();
};

// Icon: 0 none, 1 information, 2 warning, 3 error, 4 question. Buttons: 1 OK; 2 OK and Cancel;
// 3 Yes and No. True for OK or Yes. DontShow: the check box state (in and out).
bool WideMsgBoxEx(int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons, bool& DontShow,
                  const std::wstring& CheckCaption = std::wstring());
// The same without the check box.
bool WideMsgBox(int Icon, const std::wstring& Title, const std::wstring& Text, int Buttons);
bool WideMsgBoxOK(int Icon, const std::wstring& Title, const std::wstring& Text);
bool WideMsgBoxOKCancel(int Icon, const std::wstring& Title, const std::wstring& Text);

// Settings of the next box (restored after each box).
extern bool g_MsgBoxCheckVisible;
extern bool g_MsgBoxCheckEnabled;
extern int g_MsgBoxExtraHeight;

// Makes this box the answer of the common library's questions to the user.
void InstallWideMsgBox();

// The box being shown now (null when none), for the program's tests and hooks.
TWMsgBoxForm* ActiveWideMsgBox();
